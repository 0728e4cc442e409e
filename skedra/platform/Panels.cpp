#include "skedra/platform/Controls.h"

#include <QPainter>

#include <algorithm>

namespace skedra
{

// ---------------------------------------------------------------------------
// Panels

void Frame3D(TCanvas* aCanvas, TRect& aRect, TColor TopColor, TColor BottomColor, int Width)
{
    aCanvas->Pen.SetWidth(1);
    aRect.Bottom -= 1;
    aRect.Right -= 1;
    while (Width > 0) {
        --Width;
        const TPoint topLeft(aRect.Left, aRect.Top);
        const TPoint topRight(aRect.Right, aRect.Top);
        TPoint bottomLeft(aRect.Left, aRect.Bottom);
        const TPoint bottomRight(aRect.Right, aRect.Bottom);
        aCanvas->Pen.SetColor(TopColor);
        aCanvas->Polyline({bottomLeft, topLeft, topRight});
        aCanvas->Pen.SetColor(BottomColor);
        bottomLeft.X -= 1;
        aCanvas->Polyline({topRight, bottomRight, bottomLeft});
        aRect = aRect.Inflate(-1, -1);
    }
    aRect.Bottom += 1;
    aRect.Right += 1;
}

TCustomPanel::TCustomPanel(QWidget* aParent) : TCustomControl(aParent)
{
    SetControlStyle(TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csOpaque,
                                  csDoubleClicks, csReplicatable});
    SetColor(clBtnFace);
    InternalSetBounds(GetLeft(), GetTop(), 185, 41);
}

void TCustomPanel::SetBevelInner(TBevelCut aValue)
{
    if (aValue == FBevelInner) return;
    FBevelInner = aValue;
    BorderChanged();
}

void TCustomPanel::SetBevelOuter(TBevelCut aValue)
{
    if (aValue == FBevelOuter) return;
    FBevelOuter = aValue;
    BorderChanged();
}

void TCustomPanel::SetBevelWidth(int aValue)
{
    aValue = std::max(1, aValue);
    if (aValue == FBevelWidth) return;
    FBevelWidth = aValue;
    BorderChanged();
}

void TCustomPanel::SetBorderWidth(int aValue)
{
    aValue = std::max(0, aValue);
    if (aValue == FBorderWidth) return;
    FBorderWidth = aValue;
    BorderChanged();
}

void TCustomPanel::SetBorderStyle(TBorderStyle aValue)
{
    if (aValue == FBorderStyle) return;
    // Children keep their client coordinates: move them with the client origin.
    const int delta = (aValue == bsSingle ? 2 : 0) - BorderEdge();
    FBorderStyle = aValue;
    for (QObject* o : children())
        if (auto* w = qobject_cast<QWidget*>(o); w != nullptr && !w->isWindow())
            w->move(w->pos() + QPoint(delta, delta));
    BorderChanged();
}

void TCustomPanel::SetAlignment(TAlignment aValue)
{
    if (aValue == FAlignment) return;
    FAlignment = aValue;
    Invalidate();
}

void TCustomPanel::BorderChanged()
{
    Realign();
    Invalidate();
}

TRect TCustomPanel::GetClientRect() const
{
    const int e = BorderEdge();
    return TRect(0, 0, std::max(0, width() - 2 * e), std::max(0, height() - 2 * e));
}

TPoint TCustomPanel::ClientOffset() const
{
    const int e = BorderEdge();
    return TPoint(e, e);
}

void TCustomPanel::AdjustClientRect(TRect& aRect) const
{
    TCustomControl::AdjustClientRect(aRect);
    aRect = aRect.Inflate(-FBorderWidth, -FBorderWidth);
    int bevel = 0;
    if (FBevelOuter != bvNone) bevel += FBevelWidth;
    if (FBevelInner != bvNone) bevel += FBevelWidth;
    aRect = aRect.Inflate(-bevel, -bevel);
}

void TCustomPanel::PaintNonClient(QPainter* aPainter)
{
    if (FBorderStyle != bsSingle) return;
    // The sunken client edge: shadow and dark shadow above and left, highlight
    // and light below and right.
    const int w = width();
    const int h = height();
    if (w <= 0 || h <= 0) return;
    auto hline = [&](int x1, int x2, int y, TColor c) {
        aPainter->fillRect(QRect(x1, y, x2 - x1, 1), ToQColor(c));
    };
    auto vline = [&](int x, int y1, int y2, TColor c) {
        aPainter->fillRect(QRect(x, y1, 1, y2 - y1), ToQColor(c));
    };
    hline(0, w - 1, 0, clBtnShadow);
    vline(0, 0, h - 1, clBtnShadow);
    hline(0, w, h - 1, clBtnHighlight);
    vline(w - 1, 0, h, clBtnHighlight);
    hline(1, w - 2, 1, cl3DDkShadow);
    vline(1, 1, h - 2, cl3DDkShadow);
    hline(1, w - 1, h - 2, cl3DLight);
    vline(w - 2, 1, h - 1, cl3DLight);
}

void TCustomPanel::Paint()
{
    TCanvas* canvas = GetCanvas();
    TRect rect = GetClientRect();
    auto colors = [](TBevelCut bevel, TColor& top, TColor& bottom) {
        top = bevel == bvLowered ? clBtnShadow : clBtnHighlight;
        bottom = bevel == bvLowered ? clBtnHighlight : clBtnShadow;
    };
    TColor top;
    TColor bottom;
    if (FBevelOuter != bvNone) {
        colors(FBevelOuter, top, bottom);
        Frame3D(canvas, rect, top, bottom, FBevelWidth);
    }
    Frame3D(canvas, rect, GetColor(), GetColor(), FBorderWidth);
    if (FBevelInner != bvNone) {
        colors(FBevelInner, top, bottom);
        Frame3D(canvas, rect, top, bottom, FBevelWidth);
    }
    canvas->Brush.SetStyle(bsSolid);
    canvas->Brush.SetColor(GetColor());
    canvas->FillRect(rect);
    const QString caption = GetCaption();
    if (caption.isEmpty()) return;
    canvas->Brush.SetStyle(bsClear);
    canvas->Font.Assign(*GetFont());
    const int fontHeight = canvas->TextHeight(QStringLiteral("W"));
    rect.Top = ((rect.Bottom + rect.Top) - fontHeight) / 2;
    rect.Bottom = rect.Top + fontHeight;
    unsigned flags = DT_EXPANDTABS | DT_VCENTER;
    // Right-to-left alignment mirrors left and right justification.
    TAlignment alignment = FAlignment;
    if (UseRightToLeftAlignment() && alignment != taCenter)
        alignment = alignment == taLeftJustify ? taRightJustify : taLeftJustify;
    if (alignment == taRightJustify)
        flags |= DT_RIGHT;
    else if (alignment == taCenter)
        flags |= DT_CENTER;
    DrawText(canvas, caption, rect, flags);
}

} // namespace skedra
