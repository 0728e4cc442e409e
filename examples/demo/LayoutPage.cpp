// The layout page: the small foundation controls working together. Panels
// laid out by Align with splitters between them, a double-buffered drawing
// area with gradients, bevels and selection handles, a hint that follows the
// pointer over the drawn boxes, and a grip that resizes the drawing area.
#include <QPointer> // needed before GraphHintWindow.h
#include <QString>
#include <algorithm>
#include <memory>
#include <vector>

#include "examples/demo/DemoPage.h"
#include "skedra/foundation/GStuff.h"
#include "skedra/foundation/GraphHintWindow.h"
#include "skedra/foundation/qvOffscreenPaint.h"
#include "skedra/foundation/qvSplitter.h"
#include "skedra/foundation/qvXYSizer.h"

using namespace skedra;

namespace
{

enum class TBoxLook { Raised, Sunken, Selected };

// One drawn box; the hint window asks for its text by the object under the pointer.
struct TDemoBox : TObject {
    TDemoBox(TBoxLook aLook, QString aCaption, QString aHint, TColor aColor)
        : Look(aLook), Caption(std::move(aCaption)), Hint(std::move(aHint)), Color(aColor)
    {
    }
    TBoxLook Look;
    QString Caption;
    QString Hint;
    TColor Color;
    TRect Bounds; // where it was last drawn, in client coordinates
};

// The drawing area: a radiated background with a row of boxes laid out for
// the present size, so a resize by the grip rearranges them.
class TDemoCanvas : public TqvOffscreenPaint
{
public:
    explicit TDemoCanvas(QWidget* aParent) : TqvOffscreenPaint(aParent)
    {
        SetColor(clWindow);
        FBoxes.push_back(std::make_unique<TDemoBox>(TBoxLook::Raised, QStringLiteral("Raised"),
                                                    QStringLiteral("A raised bevel\rover a radiated fill"),
                                                    RGB(255, 200, 120)));
        FBoxes.push_back(std::make_unique<TDemoBox>(TBoxLook::Sunken, QStringLiteral("Sunken"),
                                                    QStringLiteral("A sunken bevel\rover a radiated fill"),
                                                    RGB(150, 210, 150)));
        FBoxes.push_back(std::make_unique<TDemoBox>(TBoxLook::Selected, QStringLiteral("Selected"),
                                                    QStringLiteral("Selection handles\rin the corners"),
                                                    RGB(150, 180, 240)));
        FHint = new TGraphHintWindow(this);
        FHint->SetBelowOwner(false);
        FHint->OnUpdateText = [](TGraphHintWindow* aHint, TObject* anObject) {
            if (const auto* box = dynamic_cast<const TDemoBox*>(anObject)) aHint->SetText(box->Hint);
        };
    }

    void OffscreenPaint() override
    {
        TCanvas* c = GetOffscreenCanvas();
        const TRect client = GetClientRect();
        GStuff::FillRadiated(c, client, RGB(200, 215, 235));
        GStuff::BevelRect(c, client, false);

        c->Font.Assign(*GetFont());
        c->Font.SetStyle(TFontStyles{fsBold});
        c->Font.SetColor(clBlack);
        c->Brush.SetStyle(bsClear);
        DrawText(c, QStringLiteral("Drawn off screen, copied in one piece"),
                 Rect(client.Left + 12, client.Top + 8, client.Right - 12, client.Top + 28),
                 DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
        c->Font.SetStyle(TFontStyles{});

        LayOutBoxes(Rect(client.Left + 12, client.Top + 36, client.Right - 12, client.Bottom - 36));
        for (const auto& box : FBoxes)
            DrawBox(c, *box);

        c->Brush.SetStyle(bsClear);
        c->Font.SetColor(RGB(60, 60, 60));
        DrawText(c,
                 QStringLiteral("%1 x %2 - drag the black grip to resize").arg(GetWidth()).arg(GetHeight()),
                 Rect(client.Left + 12, client.Bottom - 28, client.Right - 12, client.Bottom - 8),
                 DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
        c->Brush.SetStyle(bsSolid);
    }

protected:
    void MouseMove(TShiftState Shift, int X, int Y) override
    {
        TqvOffscreenPaint::MouseMove(Shift, X, Y);
        TDemoBox* hit = nullptr;
        for (const auto& box : FBoxes)
            if (box->Bounds.Contains(X, Y)) hit = box.get();
        FHint->ShowSlowHintFor(hit, X + 12, Y + 20);
    }

private:
    // Boxes side by side, evenly spaced, at most 180 x 110 each.
    void LayOutBoxes(const TRect& anArea)
    {
        const int n = static_cast<int>(FBoxes.size());
        constexpr int kGap = 16;
        const int w = std::clamp((anArea.Width() - kGap * (n - 1)) / n, 0, 180);
        const int h = std::clamp(anArea.Height(), 0, 110);
        const int top = anArea.Top + (anArea.Height() - h) / 2;
        for (int i = 0; i < n; ++i)
            FBoxes[i]->Bounds = skedra::Bounds(anArea.Left + i * (w + kGap), top, w, h);
    }

    static void DrawBox(TCanvas* c, const TDemoBox& aBox)
    {
        const TRect r = aBox.Bounds;
        if (r.Width() < 12 || r.Height() < 12) return;
        GStuff::FillRadiated(c, r, aBox.Color);
        switch (aBox.Look) {
        case TBoxLook::Raised:
            GStuff::BevelRect(c, r, true);
            GStuff::BevelRect(c, GStuff::Fixrect(r, 1, 1, -1, -1), true);
            break;
        case TBoxLook::Sunken:
            GStuff::BevelRect(c, r, false);
            GStuff::BevelRect(c, GStuff::Fixrect(r, 1, 1, -1, -1), false);
            break;
        case TBoxLook::Selected:
            c->Pen.SetColor(clBlack);
            c->Brush.SetStyle(bsClear);
            c->Rectangle(r);
            GStuff::DoSelectContent(c, r);
            break;
        }
        c->Brush.SetStyle(bsClear);
        c->Font.SetColor(clBlack);
        DrawText(c, aBox.Caption, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
        c->Brush.SetStyle(bsSolid);
    }

    std::vector<std::unique_ptr<TDemoBox>> FBoxes;
    TGraphHintWindow* FHint = nullptr; // a child widget: freed with the canvas
};

TPanel* MakePanel(QWidget* aParent, TAlign anAlign, const TRect& aBounds, TColor aColor,
                  const QString& aCaption)
{
    auto* panel = new TPanel(aParent);
    panel->SetBoundsRect(aBounds);
    panel->SetColor(aColor);
    panel->SetCaption(aCaption);
    panel->SetAlign(anAlign);
    return panel;
}

TqvSplitter* MakeSplitter(QWidget* aParent, TAlign anAlign, const TRect& aBounds, int aMinSize)
{
    auto* splitter = new TqvSplitter(aParent);
    splitter->SetAlign(anAlign);
    // Placed just past its control so that the layout keeps it beside it.
    splitter->SetBoundsRect(aBounds);
    splitter->SetMinSize(aMinSize);
    splitter->SetBeveled(true);
    splitter->SetResizeStyle(rsUpdate);
    return splitter;
}

QWidget* CreateLayoutPage(QWidget* parent)
{
    // The page itself is a panel so that its children lay out by Align.
    auto* page = new TPanel(parent);
    page->SetBevelOuter(bvNone);
    page->SetColor(clBtnFace);
    page->SetBounds(0, 0, 1000, 700);

    constexpr int kTopHeight = 56;
    constexpr int kLeftWidth = 220;
    constexpr int kBar = 5;
    MakePanel(page, alTop, Bounds(0, 0, 1000, kTopHeight), RGB(235, 225, 200),
              QStringLiteral("Top panel - drag the bar below it (at least 30 pixels high)"));
    MakeSplitter(page, alTop, Bounds(0, kTopHeight, 1000, kBar), 30);
    MakePanel(page, alLeft, Bounds(0, kTopHeight + kBar, kLeftWidth, 600), RGB(215, 230, 215),
              QStringLiteral("Left panel (min. 120)"));
    MakeSplitter(page, alLeft, Bounds(kLeftWidth, kTopHeight + kBar, kBar, 600), 120);

    TPanel* client =
        MakePanel(page, alClient, Bounds(kLeftWidth + kBar, kTopHeight + kBar, 700, 600), clWindow, {});
    client->SetBevelOuter(bvLowered);

    auto* canvas = new TDemoCanvas(client);
    canvas->SetBounds(24, 24, 620, 260);

    auto* grip = new TXYSizer(client);
    grip->SetHint(QStringLiteral("Drag to resize the drawing"));
    grip->SetShowHint(true);
    auto placeGrip = [canvas, grip] {
        grip->SetBounds(canvas->GetLeft() + canvas->GetWidth(), canvas->GetTop() + canvas->GetHeight(), 5, 5);
    };
    placeGrip();
    grip->OnResize = [canvas, client, placeGrip](TXYSizer*, TPoint aMove) {
        // Held within the panel and never so small that the boxes vanish.
        const int maxW = std::max(200, client->GetClientWidth() - canvas->GetLeft() - 10);
        const int maxH = std::max(150, client->GetClientHeight() - canvas->GetTop() - 10);
        canvas->SetBounds(canvas->GetLeft(), canvas->GetTop(),
                          std::clamp(canvas->GetWidth() + aMove.X, 200, maxW),
                          std::clamp(canvas->GetHeight() + aMove.Y, 150, maxH));
        placeGrip();
    };
    return page;
}

DemoPageRegistration layout(DemoPage{90, QStringLiteral("Layout"), CreateLayoutPage, {}});

} // namespace
