#include "skedra/foundation/GraphHintWindow.h"

#include <QApplication>

#include "skedra/foundation/DoLater.h"

namespace skedra
{

namespace
{

constexpr int kMinWidth = 120;
constexpr int kMinHeight = 30;

// Carriage returns separate the lines of a hint; text drawing breaks lines only at line feeds.
QString Lines(const QString& aText)
{
    QString s = aText;
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

} // namespace

TGraphHintWindow::TGraphHintWindow(TWinControl* anOwner)
    : THintWindow(anOwner), FOwner(anOwner), FShowTimer(new TTimer(this)), FHideTimer(new TTimer(this))
{
    setVisible(false);
    SetBounds(GetLeft(), GetTop(), kMinWidth, kMinHeight);
    SetColor(clInfoBk);
    FHideTimer->SetEnabled(false);
    FHideTimer->SetInterval(5000);
    FHideTimer->OnTimer = MakeMethod<&TGraphHintWindow::DoHide>(this);
    FShowTimer->SetEnabled(false);
    FShowTimer->SetInterval(1000);
    FShowTimer->OnTimer = MakeMethod<&TGraphHintWindow::DoShow>(this);
}

TGraphHintWindow::~TGraphHintWindow()
{
    TDoLater::NeverMind(MakeMethod<&TGraphHintWindow::DoShowAsync>(this));
    TDoLater::NeverMind(MakeMethod<&TGraphHintWindow::DoHideAsync>(this));
}

void TGraphHintWindow::Restart(TTimer* aTimer)
{
    aTimer->SetEnabled(false);
    aTimer->SetEnabled(true);
}

void TGraphHintWindow::SetStaticRect(int aLeft, int aTop, int aWidth, int aHeight)
{
    FStaticLeft = aLeft;
    FStaticTop = aTop;
    FStaticWidth = aWidth;
    FStaticHeight = aHeight;
}

void TGraphHintWindow::ShowMoveInfo(const QString& aLine1, const QString& aLine2, const QString& aLine3,
                                    int x, int y)
{
    SetText(aLine1 + QLatin1Char('\r') + aLine2 + QLatin1Char('\r') + aLine3);
    ShowDirect(x, y);
}

void TGraphHintWindow::ShowDirect(int x, int y)
{
    Position(x, y);
    if (!isVisible()) setVisible(true);
    Invalidate();
    FShowTimer->SetEnabled(false);
    FHideTimer->SetEnabled(false);
}

void TGraphHintWindow::Position(int x, int y)
{
    if (FStatic) {
        UpdateStaticPos();
    } else {
        FitText();
        SetPos(x, y);
    }
}

void TGraphHintWindow::SetPos(int x, int y)
{
    const TPoint origin = FOwner ? FOwner->ClientOrigin() : TPoint();
    const int top = (FBelowOwner && FOwner) ? origin.Y + FOwner->GetHeight() + 4 : origin.Y + y;
    SetBounds(origin.X + x, top, GetWidth(), GetHeight());
}

void TGraphHintWindow::UpdateStaticPos()
{
    const TPoint origin = FOwner ? FOwner->ClientOrigin() : TPoint();
    SetBounds(origin.X + FStaticLeft, origin.Y + FStaticTop, FStaticWidth, FStaticHeight);
}

void TGraphHintWindow::FitText()
{
    const QString text = Lines(GetText());
    if (text.isEmpty()) return;
    TCanvas* canvas = GetCanvas();
    canvas->Font.Assign(*GetFont());
    TRect r(0, 0, 1000, 0);
    DrawText(canvas, text, r, DT_CALCRECT | DT_LEFT | DT_NOPREFIX);
    // The text starts 2 pixels inside the client area, which has a 1-pixel frame around it.
    const int w = std::max(kMinWidth, r.Width() + 8);
    const int h = std::max(kMinHeight, r.Height() + 6);
    if (w != GetWidth() || h != GetHeight()) SetBounds(GetLeft(), GetTop(), w, h);
}

void TGraphHintWindow::ShowSlowHintFor(TObject* anObject, int x, int y)
{
    if (anObject && anObject != FLastObject) {
        Restart(FShowTimer);
        OnUpdateText(this, anObject);
    } else if (!anObject) {
        // Nothing under the pointer: hidden, and not waiting to show either.
        FShowTimer->SetEnabled(false);
        TDoLater::NeverMind(MakeMethod<&TGraphHintWindow::DoShowAsync>(this));
        ReleaseHandle();
    }
    Position(x, y);
    FLastObject = anObject;
}

QWidget* TGraphHintWindow::ParentForm() const
{
    if (!FOwner) return nullptr;
    QWidget* form = FOwner->window();
    return form != FOwner.data() ? form : nullptr;
}

bool TGraphHintWindow::ParentFormActive() const
{
    const QWidget* form = ParentForm();
    if (!form) return true;
    const QWidget* active = QApplication::activeWindow();
    return active != nullptr && (active == form || active == this);
}

void TGraphHintWindow::DoShow(TObject*)
{
    TDoLater::DoLater(MakeMethod<&TGraphHintWindow::DoShowAsync>(this));
    FShowTimer->SetEnabled(false);
}

void TGraphHintWindow::DoShowAsync(TObject*)
{
    if (!ParentFormActive()) return;
    if (!isVisible()) setVisible(true);
    Update();
    Restart(FHideTimer);
}

void TGraphHintWindow::DoHide(TObject*)
{
    TDoLater::DoLater(MakeMethod<&TGraphHintWindow::DoHideAsync>(this));
    FShowTimer->SetEnabled(false);
    FHideTimer->SetEnabled(false);
}

void TGraphHintWindow::DoHideAsync(TObject*)
{
    ReleaseHandle();
    if (QApplication::focusWidget() == this) clearFocus();
}

void TGraphHintWindow::Paint()
{
    PaintHintText(Lines(GetText()), DT_LEFT | DT_NOPREFIX);
}

} // namespace skedra
