#include "skedra/gantt/LinkDraw.h"

#include <QScopeGuard>
#include <algorithm>

#include "skedra/platform/Canvas.h"

namespace skedra
{

namespace
{

int MiddleX(const TRect& r)
{
    return r.Left + r.Width() / 2;
}
int MiddleY(const TRect& r)
{
    return r.Top + r.Height() / 2;
}

} // namespace

bool TqvLinkDraw::PlaceEnds(TRect& A, TRect& B, bool aVisibleA, bool aVisibleB, TLinkShow aShow)
{
    if (A.Top == -1) A = TRect(B.Right + 10, B.Top, 2 * B.Right - B.Left + 10, B.Bottom);
    if (B.Top == -1) B = TRect(2 * A.Left - A.Right - 10, A.Top, A.Left - 10, A.Bottom);
    switch (aShow) {
    case lsOneEndVisible:
        return aVisibleA || aVisibleB;
    case lsBothEndsVisible:
        return aVisibleA && aVisibleB;
    case lsAlways:
        return !(A.Top == -1 && B.Top == -1);
    }
    return false;
}

TLinkEnds TqvLinkDraw::Ends(const TRect& A, const TRect& B, bool aSameRow, TLinkStyle aStyle,
                            TLinkStartFinishOption anOption)
{
    TLinkEnds e;
    e.Style = aSameRow ? tlsDefault : aStyle;
    const bool ms = e.Style == tlsMSProject;
    e.Start = TPoint(MiddleX(A), MiddleY(A));
    e.Stop.X = MiddleX(B);
    if (ms)
        e.Stop.Y = B.Top > A.Top ? B.Top : B.Bottom;
    else
        e.Stop.Y = MiddleY(B);
    // How far inside the second item's edge a right-angled line comes down.
    int k = 0;
    switch (anOption) {
    case tlsfNormal:
        if (e.Start.X < e.Stop.X) {
            e.Start.X = A.Right;
            e.Stop.X = B.Left;
            k = 3;
        } else {
            e.Start.X = A.Left;
            e.Stop.X = B.Right;
            k = -3;
        }
        break;
    case tlsfSS:
        e.Start.X = A.Left;
        e.Stop.X = B.Left;
        e.Stop.Y = MiddleY(B);
        break;
    case tlsfSF:
        e.Start.X = A.Left;
        e.Stop.X = B.Right;
        k = -3;
        break;
    case tlsfFS:
        e.Start.X = A.Right;
        e.Stop.X = B.Left;
        k = 3;
        break;
    case tlsfFF:
        e.Start.X = A.Right;
        e.Stop.X = B.Right;
        k = -3;
        break;
    }
    if (ms) e.Stop.X += k;
    return e;
}

void TqvLinkDraw::Draw(TPoint aStart, TPoint aStop, TCanvas* aCanvas, TLinkStyle aStyle,
                       TLinkStartFinishOption anOption, TColor aColor, int aPenWidth, double aScaleX,
                       double aScaleY)
{
    if (aCanvas == nullptr) return;
    const int oldWidth = aCanvas->Pen.GetWidth();
    const auto restoreWidth = qScopeGuard([&] { aCanvas->Pen.SetWidth(oldWidth); });
    aCanvas->Pen.SetColor(aColor);
    aCanvas->Pen.SetWidth(aPenWidth);
    aCanvas->MoveTo(aStart.X, aStart.Y);
    const int h = RoundPixel(3 * aScaleX);
    const int d = RoundPixel(3 * aScaleY);
    const int o = RoundPixel(7 * aScaleX);
    int g = 1;
    TPoint t = aStop;
    enum { NoHead, OpenHead, FilledHead } head = NoHead;
    if (anOption == tlsfSS) {
        const int x = std::min(aStart.X, aStop.X) - o;
        aCanvas->LineTo(x, aStart.Y);
        aCanvas->LineTo(x, aStop.Y);
        aCanvas->LineTo(aStop.X, aStop.Y);
        head = OpenHead;
    } else if (aStyle == tlsDefault) {
        if (aStop.X < aStart.X) g = -1;
        t.X = aStop.X - g; // one pixel short of the item's edge
        const int m = aStart.X + (t.X - aStart.X) / 2;
        aCanvas->LineTo(m, aStart.Y);
        aCanvas->LineTo(m, aStop.Y);
        aCanvas->LineTo(t.X, aStop.Y);
        head = OpenHead;
    } else if (aStyle == tlsMSProject) {
        if (aStop.Y > aStart.Y) g = -1; // the second item is lower: enter it from above
        t.X = aStop.X > aStart.X ? aStop.X + d : aStop.X - d;
        t.Y = aStop.Y + g;
        aCanvas->LineTo(t.X, aStart.Y);
        aCanvas->LineTo(t.X, t.Y + d * g);
        head = FilledHead;
    }
    if (head == NoHead) return;
    const TRect clip = aCanvas->GetClipRect();
    if (t.X < clip.Left || t.X > clip.Right || t.Y < clip.Top || t.Y > clip.Bottom) return;
    if (head == OpenHead) {
        const int n = t.X - h * g;
        aCanvas->LineTo(n, t.Y - h);
        aCanvas->LineTo(n, t.Y + h);
        aCanvas->LineTo(t.X, t.Y);
    } else {
        const TColor oldBrush = aCanvas->Brush.GetColor();
        const auto restoreBrush = qScopeGuard([&] { aCanvas->Brush.SetColor(oldBrush); });
        aCanvas->Brush.SetColor(aColor);
        aCanvas->Polygon({t, TPoint(t.X - d, t.Y + d * g), TPoint(t.X + d, t.Y + d * g)});
    }
}

} // namespace skedra
