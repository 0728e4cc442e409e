#include "skedra/grid/GridPrinting.h"

#include <QImage>
#include <QPointer>
#include <QScopeGuard>

#include <algorithm>
#include <cmath>

#include "skedra/grid/qvGrid.h"
#include "skedra/platform/Exceptions.h"

namespace skedra
{

namespace
{

// Screen pixels of a row that was never laid out, and of each row asked for
// beyond the last one.
constexpr int kEmptyRowHeight = 20;
// Beyond this a band's device pixels leave the range drawing can hold.
constexpr double kMaxPrintScale = 100;

// What BeforePrintAndPrint changes on the grid, given back by ResetAfterPrint.
// One grid at a time: a grid destroyed while printing frees the slot.
struct TSavedGridState {
    QPointer<TqvGrid> Grid;
    int Left = 0, Top = 0;
    int FontSize = 0;
    int Width = 0, Height = 0;
};
TSavedGridState gSaved;

// Screen pixels of a row for sizing the layout before it ran.
int RowEstimate(const TAxisContentItem* aItem)
{
    return std::max({aItem->GetUserSize(), aItem->Size, kEmptyRowHeight});
}

// A scale of 0 or less (or not a number) is taken as 1; one too large to draw is refused.
double SaneScale(double aScale)
{
    if (!(aScale > 0) || !std::isfinite(aScale)) return 1.0;
    if (aScale > kMaxPrintScale) throw Exception(QStringLiteral("Invalid print scale"));
    return aScale;
}

} // namespace

void TqvGridPrinting::BeforePrintAndPrint(TqvGrid* aGrid, TDeviceContext* aDC, int aLeft, int aTop,
                                          double aScaleX, double aScaleY, TMoxCell* aStartCell, int aMaxRows,
                                          int aWidth, int& aPrintedWidth, int& aPrintedHeight, int aPageRight,
                                          int aPageBottom, const TOnSizeCallBack& aOnSize, int& aRowsPrinted)
{
    aRowsPrinted = 0;
    aPrintedWidth = 0;
    aPrintedHeight = 0;
    if (aGrid == nullptr) throw Exception(QStringLiteral("No grid to print"));
    if (aDC == nullptr || aDC->Painter() == nullptr)
        throw Exception(QStringLiteral("No device context to print on"));
    if (!gSaved.Grid.isNull() && gSaved.Grid != aGrid)
        throw Exception(QStringLiteral("Another grid is being printed"));
    const double sx = SaneScale(aScaleX), sy = SaneScale(aScaleY);
    const int W = RoundPixel(std::max(0, aWidth) * sx);
    // Only the bottom limit cuts; a page without one (negative) takes every row asked for.
    const bool limited = aOnSize.Assigned() && aPageBottom >= 0;
    Q_UNUSED(aPageRight);

    // Pending layout work is done on screen first, so that the print's layout stays.
    aGrid->EnsureFixed();
    aGrid->RedrawIfNeeded();
    TMoxGridCellForViewer* root = aGrid->GetRootCell();
    if (gSaved.Grid.isNull()) {
        gSaved = TSavedGridState{
            aGrid, root->Left, root->Top, aGrid->GetFont()->GetSize(), aGrid->GetWidth(), aGrid->GetHeight()};
        aGrid->BeginPrint();
    }
    if (aGrid->GetHardUpdatePending() || aGrid->GetSoftUpdatePending()) {
        // A grid that could not paint on screen (hidden) updates in a print nobody sees.
        QImage nowhere(1, 1, QImage::Format_RGB32);
        TDeviceContext measure(&nowhere);
        aGrid->Print(&measure, 0, 0, sx, sy, false);
    }

    TAxisContentList* rows = root->RowList.get();
    const int fixedRows = root->GetFixedRows();
    // The start cell's row and column come first after the fixed ones; a
    // cell of another grid, or of a fixed row, starts at the first row.
    const bool started = aStartCell != nullptr && aStartCell->ParentCell == root && aStartCell->RowItem &&
                         aStartCell->ColumnItem && aStartCell->RowItem->ListIndex() >= fixedRows;
    const int firstColumn = std::max(started ? aStartCell->ColumnItem->ListIndex() : 0, root->GetFixedCols());
    root->SetLeft(aGrid->GetClosestUnHiddenLeftColumn(firstColumn));
    const int s = started ? aStartCell->RowItem->ListIndex() : fixedRows;
    root->SetTop(s);
    aGrid->InternalSetPrintScalex(sx);
    aGrid->InternalSetPrintScaley(sy);
    const int count = rows->Count();

    // The layout's height in screen pixels, from the heights of the header and
    // of the rows to walk (on a page with a bottom, those that reach it).
    int layoutHeight = 1;
    for (int r = 0; r < fixedRows && r < count; ++r)
        if (TAxisContentItem* item = rows->getAxisContentItem(r); item && !item->Hidden)
            layoutHeight += RowEstimate(item);
    for (int i = 0; s + i < count; ++i) {
        if (aMaxRows >= 0 && i >= aMaxRows) break;
        if (limited && aTop + layoutHeight * sy > aPageBottom + 1.0) break;
        TAxisContentItem* item = rows->getAxisContentItem(s + i);
        if (item && !item->Hidden) layoutHeight += RowEstimate(item);
    }

    // Lays out and walks the rows; a layout that placed too few of them grows.
    int B = 0;
    for (int attempt = 0;; ++attempt) {
        aGrid->SetSizeDontTell(TRect(0, 0, W, RoundPixel(layoutHeight * sy) + 1));
        root->CalcVisibleArea(TRect(0, 0, RoundPixel(W / sx), layoutHeight));
        B = 0;
        aRowsPrinted = 0;
        bool armed = limited, shortLayout = false;
        TAxisContentItem* last = nullptr;
        for (int i = 0;; ++i) {
            const int r = s + i;
            if (aMaxRows >= 0 ? i >= aMaxRows : r >= count) break;
            if (r >= count) {
                // Empty rows asked for beyond the last one.
                B += RoundPixel(kEmptyRowHeight * sy);
                ++aRowsPrinted;
                continue;
            }
            TAxisContentItem* item = rows->getAxisContentItem(r);
            if (item == nullptr || item->Hidden) {
                // A hidden row counts without adding height.
                ++aRowsPrinted;
                continue;
            }
            if (!item->InVisibleList) {
                shortLayout = true;
                break;
            }
            const int bottom = RoundPixel((item->Position + item->Size) * sy);
            if (bottom <= 0) continue;
            if (armed && aTop + bottom > aPageBottom) {
                armed = false;
                if (last == nullptr) {
                    // A row taller than the page prints clipped, and the next page goes on after it.
                    B = std::max(1, aPageBottom - aTop);
                    ++aRowsPrinted;
                    aOnSize(false, bottom, item);
                } else {
                    aOnSize(false, bottom, last);
                }
                break;
            }
            B = bottom;
            ++aRowsPrinted;
            last = item;
        }
        if (!shortLayout || attempt >= 16) break;
        layoutHeight = std::min(layoutHeight * 2, 10000000);
    }

    aPrintedWidth = W;
    if (B < 1) return;
    B += 1;
    aGrid->SetSizeDontTell(TRect(0, 0, W, B));
    root->CalcVisibleArea(TRect(0, 0, RoundPixel(W / sx), RoundPixel(B / sy)));
    aGrid->Print(aDC, aLeft, aTop, sx, sy, false);
    aPrintedHeight = B;
}

void TqvGridPrinting::ResetAfterPrint(TqvGrid* aGrid)
{
    if (aGrid == nullptr || gSaved.Grid != aGrid) return;
    const TSavedGridState saved = gSaved;
    gSaved = TSavedGridState();
    TMoxGridCellForViewer* root = aGrid->GetRootCell();
    root->SetLeft(saved.Left);
    root->SetTop(saved.Top);
    if (aGrid->GetFont()->GetSize() != saved.FontSize) aGrid->GetFont()->SetSize(saved.FontSize);
    aGrid->InternalSetPrintScalex(0);
    aGrid->InternalSetPrintScaley(0);
    aGrid->EndPrint();
    aGrid->SetSizeDontTell(TRect(0, 0, saved.Width, saved.Height));
    // The screen's layout again, for the screen's rectangle.
    root->CalcVisibleArea(aGrid->GetDrawRect());
    aGrid->Invalidate();
}

void TqvGridPrinting::Print(TqvGrid* aGrid, TDeviceContext* aDC, int aLeft, int aTop, double aScaleX,
                            double aScaleY, TMoxCell* aStartCell, int aMaxRows, int aWidth,
                            int& aPrintedWidth, int& aPrintedHeight, int aPageRight, int aPageBottom,
                            const TOnSizeCallBack& aOnSize, int& aRowsPrinted)
{
    const auto reset = qScopeGuard([aGrid] { ResetAfterPrint(aGrid); });
    BeforePrintAndPrint(aGrid, aDC, aLeft, aTop, aScaleX, aScaleY, aStartCell, aMaxRows, aWidth,
                        aPrintedWidth, aPrintedHeight, aPageRight, aPageBottom, aOnSize, aRowsPrinted);
}

} // namespace skedra
