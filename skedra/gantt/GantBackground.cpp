// The paint of the Gantt area in its order (background, rows, links,
// foreground) and the background itself: the fill, the shaded row bands (or
// columns), the today line, the scaler's short and long lines and the focus
// rectangle.
#include <QPainter>
#include <QScopedValueRollback>

#include <algorithm>
#include <cmath>

#include "skedra/foundation/DoLater.h"
#include "skedra/foundation/GStuff.h"
#include "skedra/gantt/qvGant.h"
#include "skedra/platform/Canvas.h"

namespace skedra
{

// ===========================================================================
// The paint

void TqvGant_ComBasic::GantAreaPaint(TObject*)
{
    if (GA == nullptr || FDestroying) return;
    const QScopedValueRollback inPaint(FInAreaPaint, true);
    TCanvas* canvas = GA->GetOffscreenCanvas();
    PrepareGeometry();
    // A changed grid header moves the rows: the layout follows after this
    // paint (laying out the grid from inside its own paint would recurse).
    // A print's header height (scaled) is not the screen's.
    if (const int header = GridHeaderHeight(); header != FLastGridHeaderHeight && !GA->GetIsPrinting()) {
        FLastGridHeaderHeight = header;
        TDoLater::DoLater(MakeMethod<&TqvGant_ComBasic::UpdateGridAlignLater>(this));
    }
    CollectRowsInView(FRowsInView);
    DoBackground();
    // Rows may go while their items are drawn (a drawing handler); each is kept until the end.
    std::vector<TqvExposable::TKeepAlive> keep;
    keep.reserve(FRowsInView.size());
    for (TGantRow* row : FRowsInView)
        keep.emplace_back(row);
    for (TGantRow* row : std::vector<TGantRow*>(FRowsInView))
        if (row->GetGant() == this) row->DrawContent();
    RenderLinks();
    OnUserDrawForeground(this, TRect(0, 0, GA->GetWidth(), GA->GetHeight()), canvas);
    canvas->Pen.SetColor(clBlack);
    if (DateScaler != nullptr) FStartAtLastPaint = DateScaler->GetStart();
}

void TqvGant_ComBasic::DoBackground()
{
    TCanvas* canvas = GA->GetOffscreenCanvas();
    const int W = GA->GetWidth();
    const int H = GA->GetHeight();
    DefaultBackGround();
    DoTodayLine();
    OnUserDrawBackground(this, TRect(0, 0, W, H), canvas);
    canvas->Pen.SetWidth(1);
    canvas->Pen.SetMode(pmCopy);
    canvas->Pen.SetStyle(psSolid);
    if (DrawShortLines && DateScaler != nullptr) {
        canvas->Pen.SetColor(clGray);
        const std::vector<int>& p = DateScaler->MinorLinePixels;
        // Ticks closer than 30 pixels get a line every second one.
        const size_t k = p.size() < 2 || p[1] - p[0] > 29 ? 1 : 2;
        for (size_t i = 0; i < p.size(); i += k) {
            canvas->MoveTo(p[i], 0);
            canvas->LineTo(p[i], H);
        }
    }
    canvas->Pen.SetColor(clBackground);
    if (DrawLongLines && DateScaler != nullptr) {
        for (const int x : DateScaler->MajorLinePixels) {
            canvas->MoveTo(x, 0);
            canvas->LineTo(x, H);
        }
    }
    // Nothing of the focus rectangle is printed.
    if (GA->Focused() && !GA->GetIsPrinting()) {
        canvas->Brush.SetColor(clWhite);
        canvas->DrawFocusRect(TRect(2, 2, W - 2, H - 2));
    }
}

void TqvGant_ComBasic::DefaultBackGround()
{
    TCanvas* canvas = GA->GetOffscreenCanvas();
    const int W = GA->GetWidth();
    const int H = GA->GetHeight();
    const bool printing = GA->GetIsPrinting();
    if (!printing) {
        canvas->Brush.SetStyle(bsSolid);
        canvas->Brush.SetColor(GantBackColor);
        canvas->FillRect(TRect(0, 0, W, H));
    }
    if (VerticalPyjamas) DoVerticalPyjamas();
    // At least one pixel per band, however small the print scale: the band
    // loop below must always advance.
    const int h = std::max(1, RoundPixel(GA->GetScaley() * LastRowHeight));
    int i = 0;
    int nextTop = 0;
    if (UseGridNotTree) {
        std::vector<TRect> bands;
        GridRowBands(bands);
        for (const TRect& band : bands) {
            DrawRowBackgound(band, i++);
            nextTop = band.Bottom;
        }
    }
    // The area below the last row goes on in bands of the last row height.
    for (int top = nextTop; top >= 0 && top < H; top += h)
        DrawRowBackgound(TRect(0, top, W, top + h), i++);
    canvas->Brush.SetStyle(bsSolid);
    canvas->Brush.SetBitmap(nullptr);
}

void TqvGant_ComBasic::DrawRowBackgound(const TRect& aBand, int i)
{
    if (VerticalPyjamas || i % 2 != 0) return;
    FillPyjamas(aBand);
}

void TqvGant_ComBasic::FillPyjamas(const TRect& aRect)
{
    TCanvas* canvas = GA->GetOffscreenCanvas();
    const TRect r(std::max(0, aRect.Left), std::max(0, aRect.Top), std::min(GA->GetWidth(), aRect.Right),
                  std::min(GA->GetHeight(), aRect.Bottom));
    if (r.Left >= r.Right || r.Top >= r.Bottom) return;
    if (GA->GetIsPrinting() || !IsWinnt()) {
        // Patterns do not print: a solid fill in the shading colour.
        canvas->Brush.SetStyle(bsSolid);
        canvas->Brush.SetColor(GantPyjamasColor);
        canvas->FillRect(aRect);
        return;
    }
    // The 2 x 2 pattern aligned to the area's origin, copied from a picture of
    // it as large as the area (a pattern brush costs far more per pixel).
    if (FChecker.width() < GA->GetWidth() || FChecker.height() < GA->GetHeight() ||
        FCheckerA != GantBackColor || FCheckerB != GantPyjamasColor) {
        FChecker = QImage(std::max(GA->GetWidth(), FChecker.width()),
                          std::max(GA->GetHeight(), FChecker.height()), QImage::Format_RGB32);
        const QRgb a = ToQColor(GantBackColor).rgb();
        const QRgb b = ToQColor(GantPyjamasColor).rgb();
        for (int y = 0; y < FChecker.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(FChecker.scanLine(y));
            for (int x = 0; x < FChecker.width(); ++x)
                line[x] = (x + y) % 2 == 0 ? a : b;
        }
        FCheckerA = GantBackColor;
        FCheckerB = GantPyjamasColor;
    }
    canvas->Handle()->drawImage(QPoint(r.Left, r.Top), FChecker, r.ToQRect());
}

void TqvGant_ComBasic::DoVerticalPyjamas()
{
    if (DateScaler == nullptr) return;
    TCanvas* canvas = GA->GetOffscreenCanvas();
    const int W = GA->GetWidth();
    const int H = GA->GetHeight();
    const int t = DateScaler->GetOddOrEventStartForVerticalBack();
    const std::vector<int>& edges = DateScaler->MajorLinePixels;
    int skipped = 0;
    int n = 0;
    int x = 0;
    size_t next = 0;
    while (x < W) {
        const int edge = next < edges.size() ? edges[next++] : W;
        if (edge < x) {
            skipped = 1;
            continue;
        }
        if ((n + t + skipped) % 2 != 0) {
            canvas->Brush.SetStyle(bsSolid);
            canvas->Brush.SetColor(GantPyjamasColor);
            canvas->FillRect(TRect(x, 0, edge, H));
        } else {
            FillPyjamas(TRect(x, 0, edge, H));
        }
        ++n;
        x = edge;
    }
}

TDateTime TqvGant_ComBasic::Today() const
{
    return std::trunc(Now());
}

void TqvGant_ComBasic::DoTodayLine()
{
    if (!TodayLineOnOff || DateScaler == nullptr) return;
    // The middle of today.
    const int x = DateScaler->DateToPixel(Today() + 0.5);
    if (x <= 0 || x >= DateScaler->GetWidth()) return;
    TCanvas* canvas = GA->GetOffscreenCanvas();
    canvas->Pen.SetColor(TodayLineColor);
    canvas->Pen.SetWidth(1);
    canvas->Pen.SetStyle(psSolid);
    canvas->MoveTo(x, 0);
    canvas->LineTo(x, GA->GetHeight());
}

// ===========================================================================
// Background settings

void TqvGant_ComBasic::ReInitBitmap()
{
    PyjamasBitmap.SetSize(2, 2);
    TCanvas* c = PyjamasBitmap.GetCanvas();
    c->SetPixel(0, 0, GantBackColor);
    c->SetPixel(1, 1, GantBackColor);
    c->SetPixel(1, 0, GantPyjamasColor);
    c->SetPixel(0, 1, GantPyjamasColor);
}

void TqvGant_ComBasic::SetGantBackColor(TColor aValue)
{
    GantBackColor = aValue;
    ReInitBitmap();
    InvalidateGA();
}

void TqvGant_ComBasic::SetGantPyjamasColor(TColor aValue)
{
    GantPyjamasColor = aValue;
    ReInitBitmap();
    InvalidateGA();
}

void TqvGant_ComBasic::SetDrawShortLines(bool aValue)
{
    DrawShortLines = aValue;
    InvalidateGA();
}

void TqvGant_ComBasic::SetDrawLongLines(bool aValue)
{
    DrawLongLines = aValue;
    InvalidateGA();
}

void TqvGant_ComBasic::SetVerticalPyjamas(bool aValue)
{
    VerticalPyjamas = aValue;
    InvalidateGA();
}

void TqvGant_ComBasic::SetTodayLineOnOff(bool aValue)
{
    TodayLineOnOff = aValue;
    InvalidateGA();
}

void TqvGant_ComBasic::SetTodayLineColor(TColor aValue)
{
    TodayLineColor = aValue;
    InvalidateGA();
}

} // namespace skedra
