#include "skedra/foundation/qvSplitter.h"

#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QScopeGuard>

#include <algorithm>

namespace skedra
{

// The drag line: a window-less strip over the parent and all its children
// that shows the pixels under it inverted (every pixel for the line style,
// every other one for the checkered pattern). Showing it again where it is
// shown removes it, as an inverting blit drawn twice does.
class TqvSplitLine : public QWidget
{
public:
    explicit TqvSplitLine(QWidget* aParent) : QWidget(aParent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setObjectName(QStringLiteral("qvSplitterLine"));
        hide();
    }

    void ShowAt(const TRect& r, bool aPattern)
    {
        QWidget* host = parentWidget();
        // A bar of no length has no line: there is nothing to grab.
        if (r.Width() <= 0 || r.Height() <= 0 || host->width() <= 0 || host->height() <= 0) {
            hide();
            return;
        }
        // The grab is in device pixels (ratio per logical pixel on high-DPI screens).
        QImage under = host->grab(r.ToQRect()).toImage().convertToFormat(QImage::Format_RGB32);
        const qreal ratio = under.devicePixelRatio();
        for (int y = 0; y < under.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(under.scanLine(y));
            const int logicalY = static_cast<int>(y / ratio);
            for (int x = 0; x < under.width(); ++x) {
                // The checkered brush inverts where its pixel is white, in
                // logical parent coordinates so that the pattern does not crawl.
                if (aPattern && ((r.Left + static_cast<int>(x / ratio) + r.Top + logicalY) & 1)) continue;
                line[x] = (line[x] ^ 0x00FFFFFFu) | 0xFF000000u;
            }
        }
        FImage = under;
        setGeometry(r.ToQRect());
        raise();
        show();
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.drawImage(0, 0, FImage);
    }

private:
    QImage FImage;
};

TqvSplitter::TqvSplitter(QWidget* aParent) : TGraphicControl(aParent)
{
    SetColor(clWindow);
    FParentColor = true;
    SetAlign(alLeft);
    SetWidth(3);
    SetCursor(crHSplit);
}

TqvSplitter::~TqvSplitter()
{
    ReleaseLineDC();
}

void TqvSplitter::SetBeveled(bool aValue)
{
    FBeveled = aValue;
    Repaint();
}

void TqvSplitter::SetMinSize(int aValue)
{
    FMinSize = std::max(1, aValue);
}

void TqvSplitter::SetParentColor(bool aValue)
{
    FParentColor = aValue;
    Invalidate();
}

void TqvSplitter::SetColor(TColor aValue)
{
    TGraphicControl::SetColor(aValue);
    FParentColor = false;
}

void TqvSplitter::SetDesigning(bool aValue, bool aSetChildren)
{
    TGraphicControl::SetDesigning(aValue, aSetChildren);
    Invalidate();
}

TColor TqvSplitter::PaintColor() const
{
    if (FParentColor)
        if (const TWinControl* p = GetParent()) return p->GetColor();
    return GetColor();
}

bool TqvSplitter::Horizontal() const
{
    return GetAlign() == alLeft || GetAlign() == alRight;
}

void TqvSplitter::RequestAlign()
{
    TGraphicControl::RequestAlign();
    if (GetCursor() == crHSplit || GetCursor() == crVSplit)
        SetCursor((GetAlign() == alTop || GetAlign() == alBottom) ? crVSplit : crHSplit);
}

TControl* TqvSplitter::FindControl() const
{
    const TWinControl* parent = GetParent();
    if (!parent) return nullptr;
    TPoint p(GetLeft(), GetTop());
    switch (GetAlign()) {
    case alLeft:
        --p.X;
        break;
    case alRight:
        p.X += GetWidth();
        break;
    case alTop:
        --p.Y;
        break;
    case alBottom:
        p.Y += GetHeight();
        break;
    default:
        return nullptr;
    }
    const bool before = GetAlign() == alTop || GetAlign() == alLeft;
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        if (!c || c == this || !c->GetVisible() || !c->GetEnabled()) continue;
        TRect r = c->GetBoundsRect();
        // A closed control (zero width or height) is still found by its splitter.
        if (r.Width() == 0) (before ? r.Left : r.Right) += before ? -1 : 1;
        if (r.Height() == 0) (before ? r.Top : r.Bottom) += before ? -1 : 1;
        if (r.Contains(p)) return c;
    }
    // The parent's layout breaks a tie of positions by the order of its
    // children, so a closed control may have been placed on this side of the
    // bar: it is still the one to open again.
    const TRect self = GetBoundsRect();
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        if (!c || c == this || !c->GetVisible() || !c->GetEnabled() || c->GetAlign() != GetAlign()) continue;
        const TRect r = c->GetBoundsRect();
        if (Horizontal() && r.Width() == 0 && r.Left >= self.Left && r.Left <= self.Right) return c;
        if (!Horizontal() && r.Height() == 0 && r.Top >= self.Top && r.Top <= self.Bottom) return c;
    }
    return nullptr;
}

bool TqvSplitter::CanResize(int& aNewSize)
{
    bool accept = true;
    OnCanResize(this, aNewSize, accept);
    return accept;
}

bool TqvSplitter::DoCanResize(int& aNewSize)
{
    const bool result = CanResize(aNewSize);
    if (result && aNewSize <= FMinSize) aNewSize = 0;
    // The control's Constraints hold as well: a control with a minimum does not close.
    if (FMaxLimit > 0) aNewSize = std::min(aNewSize, FMaxLimit);
    aNewSize = std::max(aNewSize, FMinLimit);
    return result;
}

void TqvSplitter::CalcSplitSize(int X, int Y, int& aNewSize, int& aSplit) const
{
    aSplit = Horizontal() ? X - FDownPos.X : Y - FDownPos.Y;
    int s = 0;
    switch (GetAlign()) {
    case alLeft:
        s = FControl->GetWidth() + aSplit;
        break;
    case alRight:
        s = FControl->GetWidth() - aSplit;
        break;
    case alTop:
        s = FControl->GetHeight() + aSplit;
        break;
    case alBottom:
        s = FControl->GetHeight() - aSplit;
        break;
    default:
        break;
    }
    aNewSize = s;
    if (s < FMinSize)
        aNewSize = FMinSize;
    else if (s > FMaxSize)
        aNewSize = FMaxSize;
    if (FMaxLimit > 0) aNewSize = std::min(aNewSize, FMaxLimit);
    aNewSize = std::max(aNewSize, FMinLimit);
    if (s != aNewSize) {
        // Keep the line at the edge of what is allowed.
        const bool trailing = GetAlign() == alRight || GetAlign() == alBottom;
        aSplit += trailing ? s - aNewSize : aNewSize - s;
    }
}

void TqvSplitter::UpdateSize(int X, int Y)
{
    CalcSplitSize(X, Y, FNewSize, FSplit);
}

void TqvSplitter::UpdateControlSize()
{
    if (!FControl || FNewSize == FOldSize) return;
    TControl* c = FControl;
    const TRect self = GetBoundsRect();
    TRect r = c->GetBoundsRect();
    // Sizes along the axis; the edge away from the bar stays. A control that
    // the layout put on this side of the bar (see FindControl) is placed
    // strictly beyond it, so that the layout puts it back where it belongs.
    switch (GetAlign()) {
    case alLeft:
        if (r.Left >= self.Left) r.Left = self.Left - 1;
        r.Right = r.Left + FNewSize;
        break;
    case alTop:
        if (r.Top >= self.Top) r.Top = self.Top - 1;
        r.Bottom = r.Top + FNewSize;
        break;
    case alRight:
        r.Right = std::max(r.Right, self.Right + 1);
        r.Left = r.Right - FNewSize;
        break;
    case alBottom:
        r.Bottom = std::max(r.Bottom, self.Bottom + 1);
        r.Top = r.Bottom - FNewSize;
        break;
    default:
        return;
    }
    {
        TWinControl* parent = GetParent();
        if (parent) parent->DisableAlign();
        const auto enable = qScopeGuard([parent] {
            if (parent) parent->EnableAlign();
        });
        c->SetBoundsRect(r);
    }
    Update();
    OnMoved(this);
    FOldSize = FNewSize;
}

void TqvSplitter::AllocateLineDC()
{
    if (FLine || !parentWidget()) return;
    FLine = new TqvSplitLine(parentWidget());
}

void TqvSplitter::ReleaseLineDC()
{
    delete FLine.data();
    FLine = nullptr;
}

void TqvSplitter::DrawLine()
{
    FLineVisible = !FLineVisible;
    if (!FLine) return;
    if (!FLineVisible) {
        FLine->hide();
        return;
    }
    TRect r = GetBoundsRect();
    r = Horizontal() ? r.Offset(FSplit, 0) : r.Offset(0, FSplit);
    FLine->ShowAt(r, FResizeStyle == rsPattern);
}

void TqvSplitter::EndDrag()
{
    if (FLineVisible) DrawLine();
    FLineVisible = false;
    FControl = nullptr;
    ReleaseLineDC();
}

void TqvSplitter::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft) return;
    // A press without the release of the drag before: that drag ends unapplied.
    if (FControl || FLine) EndDrag();
    FControl = FindControl();
    FDownPos = TPoint(X, Y);
    if (!FControl) return;
    TWinControl* parent = GetParent();
    const bool horizontal = Horizontal();
    FMaxSize = (horizontal ? parent->GetClientWidth() : parent->GetClientHeight()) - FMinSize;
    for (int i = 0; i < parent->ControlCount(); ++i) {
        const TControl* c = parent->Controls(i);
        if (!c || !c->GetVisible()) continue;
        const TAlign a = c->GetAlign();
        if (horizontal && (a == alLeft || a == alRight)) FMaxSize -= c->GetWidth();
        if (!horizontal && (a == alTop || a == alBottom)) FMaxSize -= c->GetHeight();
    }
    FMaxSize += horizontal ? FControl->GetWidth() : FControl->GetHeight();
    const TSizeConstraints* limits = FControl->GetConstraints();
    FMinLimit = horizontal ? limits->GetMinWidth() : limits->GetMinHeight();
    FMaxLimit = horizontal ? limits->GetMaxWidth() : limits->GetMaxHeight();
    if (FMaxLimit > 0) FMaxLimit = std::max(FMaxLimit, FMinLimit);
    // What the control has now counts as applied: a release without a move
    // changes nothing, and a drag back to an earlier size still applies.
    FOldSize = horizontal ? FControl->GetWidth() : FControl->GetHeight();
    UpdateSize(X, Y);
    AllocateLineDC();
    if (FResizeStyle == rsLine || FResizeStyle == rsPattern) DrawLine();
}

void TqvSplitter::MouseMove(TShiftState Shift, int X, int Y)
{
    TGraphicControl::MouseMove(Shift, X, Y);
    if (!Shift.Contains(ssLeft)) return;
    if (!FControl) {
        // The control went during the drag: so does the line.
        if (FLine) EndDrag();
        return;
    }
    int newSize = 0, split = 0;
    CalcSplitSize(X, Y, newSize, split);
    if (!DoCanResize(newSize)) return;
    const bool lined = FResizeStyle == rsLine || FResizeStyle == rsPattern;
    if (lined) DrawLine();
    FNewSize = newSize;
    FSplit = split;
    if (FResizeStyle == rsUpdate) UpdateControlSize();
    if (lined) DrawLine();
}

void TqvSplitter::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (!FControl) {
        EndDrag(); // the control went during the drag
        return;
    }
    if (FLineVisible) DrawLine();
    UpdateControlSize();
    StopSizing();
}

void TqvSplitter::StopSizing()
{
    if (FControl) EndDrag();
    OnMoved(this);
}

void TqvSplitter::Paint()
{
    TCanvas* canvas = GetCanvas();
    const TRect client = GetClientRect();
    canvas->Brush.SetStyle(bsSolid);
    canvas->Brush.SetColor(PaintColor());
    canvas->FillRect(client);
    if (FBeveled) {
        TRect r = Horizontal() ? client.Inflate(-1, 2) : client.Inflate(2, -1);
        r = r.Offset(1, 1);
        canvas->Brush.SetColor(clBtnHighlight);
        canvas->FrameRect(r);
        r = r.Offset(-2, -2);
        canvas->Brush.SetColor(clBtnShadow);
        canvas->FrameRect(r);
    }
    if (GetDesigning()) {
        canvas->Pen.SetStyle(psDot);
        canvas->Pen.SetMode(pmXor);
        canvas->Pen.SetColor(RGB(206, 216, 255));
        canvas->Brush.SetStyle(bsClear);
        canvas->Rectangle(client);
        canvas->Pen.SetMode(pmCopy);
        canvas->Pen.SetStyle(psSolid);
        canvas->Brush.SetStyle(bsSolid);
    }
    OnPaint(this);
}

} // namespace skedra
