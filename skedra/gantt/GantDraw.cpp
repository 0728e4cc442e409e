// The chart's drawing of time items and links on the Gantt area: each item's
// shape, texts, selection marks and focus rectangle, then the links.
#include <QScopeGuard>

#include "skedra/gantt/GantLinkIndex_p.h"
#include "skedra/gantt/LinkDraw.h"
#include "skedra/gantt/TimeDraw.h"
#include "skedra/gantt/TimeItemText.h"
#include "skedra/gantt/qvGant.h"
#include "skedra/platform/ImageList.h"

namespace skedra
{

namespace
{

constexpr TColor kFocusBrush = 0x808080;

// Whether a link's line and head, between aStart and aStop, can reach the
// area at all: a margin for the start-to-start offset, the heads and the pen.
bool LinkMayShow(TPoint aStart, TPoint aStop, int aPenWidth, double aScaleX, double aScaleY, int aWidth,
                 int aHeight)
{
    const int mx =
        RoundPixel(7 * aScaleX) + RoundPixel(3 * aScaleX) + RoundPixel(3 * aScaleY) + aPenWidth + 2;
    const int my = 2 * RoundPixel(3 * aScaleY) + RoundPixel(3 * aScaleX) + aPenWidth + 2;
    return std::min(aStart.X, aStop.X) - mx < aWidth && std::max(aStart.X, aStop.X) + mx >= 0 &&
           std::min(aStart.Y, aStop.Y) - my < aHeight && std::max(aStart.Y, aStop.Y) + my >= 0;
}

} // namespace

void TqvGant_ComBasic::DrawContent(TqvDataEntity_GantTime* anItem, const TRect& aRect)
{
    if (anItem == nullptr || GA == nullptr) return;
    TCanvas* canvas = GA->GetOffscreenCanvas();
    // Items reaching far past an edge are cut a little beyond it; their inside
    // texts then start at the edge.
    const int width = GA->GetWidth();
    TRect s = aRect;
    TRect t = aRect;
    if (s.Left < -10) s.Left = -10;
    if (s.Right > width + 10) s.Right = width + 10;
    if (s.Left < -1) t.Left = 0;
    if (s.Right > width + 1) t.Right = width;
    const bool printing = GA->GetIsPrinting();
    const double fx = printing ? GA->GetPrintScalex() : 1.0;
    const double fy = printing ? GA->GetPrintScaley() : 1.0;

    const int style = anItem->GetStyle() & kGantTimeStyleMask;
    if (style == gtsUser)
        UserDrawTime(anItem, s);
    else
        TqvTimeDraw::DrawShape(style, anItem->GetColor(), s, canvas, fy, printing, GetImageList(),
                               anItem->ImageIndex);

    canvas->Brush.SetColor(anItem->GetColor());
    if (TqvTimeItemTextCollection* texts = anItem->FindTexts())
        texts->DrawToCanvasInsideRect(t, canvas, fx, fy, printing ? nullptr : &FTextLayouts);
    if (printing) return;

    TGantRow* row = anItem->GetRow();
    if (row == nullptr) return;
    if (anItem->GetSelected() && row->ShowSelection)
        TqvTimeDraw::DoSelectContent(s, row->SelectionMarkColor, canvas);
    if (anItem == ActiveDataEntity && row->ShowFocus) {
        canvas->Pen.SetColor(clBlack);
        canvas->Brush.SetColor(kFocusBrush);
        canvas->DrawFocusRect(TRect(s.Left + 2, s.Top + 2, s.Right - 2, s.Bottom - 2));
        canvas->Brush.SetColor(clWhite);
    }
}

void TqvGant_ComBasic::UserDrawTime(TqvDataEntity_GantTime* anItem, const TRect& aRect)
{
    OnUserDrawTime(this, anItem, GA->GetOffscreenCanvas(), aRect);
}

void TqvGant_ComBasic::_OnTimeItemSyleSet(TqvTimeItemTextCollection*, TCanvas* aCanvas, int aStyle)
{
    if (aCanvas == nullptr) return;
    const TFont& font = aStyle == 2   ? FontTimeItemStyle2
                        : aStyle == 3 ? FontTimeItemStyle3
                                      : FontTimeItemStyle1;
    // Texts in a row mostly share their font: copying it again would rebuild it.
    if (!(aCanvas->Font == font)) aCanvas->Font.Assign(font);
    if (GA != nullptr && GA->GetIsPrinting()) GA->PrintResizeFont();
}

void TqvGant_ComBasic::SetFontTimeItemStyle1(const TFont* aFont)
{
    if (aFont != nullptr) FontTimeItemStyle1.Assign(*aFont);
    InvalidateGA();
}

void TqvGant_ComBasic::SetFontTimeItemStyle2(const TFont* aFont)
{
    if (aFont != nullptr) FontTimeItemStyle2.Assign(*aFont);
    InvalidateGA();
}

void TqvGant_ComBasic::SetFontTimeItemStyle3(const TFont* aFont)
{
    if (aFont != nullptr) FontTimeItemStyle3.Assign(*aFont);
    InvalidateGA();
}

TCustomImageList* TqvGant_ComBasic::GetImageList() const
{
    return Treeview ? Treeview->GetImages() : nullptr;
}

void TqvGant_ComBasic::SetImageList(TCustomImageList* aList)
{
    if (Treeview != nullptr) Treeview->SetImages(aList);
    if (Grid != nullptr) Grid->SetImageList(aList);
    InvalidateGA();
}

void TqvGant_ComBasic::SetLinkShow(TLinkShow aValue)
{
    LinkShow = aValue;
    InvalidateGA();
}

bool TqvGant_ComBasic::LinePassesThroughWindow(const TqvDataEntity_GantTime* a,
                                               const TqvDataEntity_GantTime* b) const
{
    const TDateTime ws = DateScaler->GetStart();
    const TDateTime we = DateScaler->GetStop();
    if (ws > a->GetStopDateTime() && ws > b->GetStartDateTime()) return false;
    return we >= a->GetStopDateTime() || we >= b->GetStartDateTime();
}

void TqvGant_ComBasic::DrawLink(TPoint aStart, TPoint aStop, TCanvas* aCanvas, TLinkStyle aStyle,
                                TColor aColor, int aPenWidth, TqvDataEntity_Link* aLink)
{
    const TLinkStartFinishOption option = aLink != nullptr ? aLink->StartFinishOption : tlsfNormal;
    TqvLinkDraw::Draw(aStart, aStop, aCanvas, aStyle, option, aColor, aPenWidth, GA->GetScalex(),
                      GA->GetScaley());
}

void TqvGant_ComBasic::RenderLinks()
{
    if (LinkList == nullptr || GA == nullptr || DateScaler == nullptr) return;
    TCanvas* canvas = GA->GetOffscreenCanvas();
    const TDateTime ws = DateScaler->GetStart();
    const TDateTime we = DateScaler->GetStop();
    const int width = GA->GetWidth();
    const int height = GA->GetHeight();
    const bool printing = GA->GetIsPrinting();
    const double sx = GA->GetScalex();
    const double sy = GA->GetScaley();
    // Outside the item's time window an item does not count as visible.
    auto inWindow = [&](const TqvDataEntity_GantTime* t) {
        return !(t->GetStartDateTime() > we) && !(ws > t->GetStopDateTime());
    };
    TqvExposable::TKeepAlive keepLinks(LinkList);
    CollectLinksInView(FLinksInView);
    std::vector<TqvExposable::TKeepAlive> keep;
    keep.reserve(FLinksInView.size());
    for (TqvDataEntity_Link* link : FLinksInView)
        keep.emplace_back(link);
    // A user-draw handler may change the link list: links it removed are skipped.
    // Grid mode: the first row in view, which ends out of view are placed against.
    TGantRow* firstInView = UseGridNotTree && !FRowsInView.empty() ? FRowsInView.front() : nullptr;
    for (TqvDataEntity_Link* link : std::vector<TqvDataEntity_Link*>(FLinksInView)) {
        if (LinkList == nullptr) break;
        if (link->GetDataList() != LinkList) continue;
        if (link == nullptr || link->First == nullptr || link->Second == nullptr) continue;
        TqvDataEntity_GantTime* a = link->First;
        TqvDataEntity_GantTime* b = link->Second;
        TGantRow* rowA = a->GetRow();
        TGantRow* rowB = b->GetRow();
        if (rowA == nullptr || rowB == nullptr || !rowA->GetVisible() || !rowB->GetVisible()) continue;
        if (!LinePassesThroughWindow(a, b)) continue;
        TRect A, B;
        RectFromDataEntity(a, A);
        RectFromDataEntity(b, B);
        const bool visA = A.Top > -1 && inWindow(a);
        const bool visB = B.Top > -1 && inWindow(b);
        if (UseGridNotTree) {
            // An item whose grid row is scrolled out of view: the link runs off
            // the top edge when the row is above the rows in view, else off the
            // bottom edge (two ends on the same side draw nothing in view).
            const TRect none(-1, -1, -1, -1);
            auto offEdge = [&](const TqvDataEntity_GantTime* t, TGantRow* own, TGantRow* other, TRect& r) {
                if (r != none || own->GetGridNode() == nullptr || other->GetGridNode() == nullptr) return;
                const int x = DateScaler->DateToPixel(t->GetStartDateTime() +
                                                      (t->GetStopDateTime() - t->GetStartDateTime()) / 2);
                const bool above = firstInView != nullptr ? GridRowComesBefore(own, firstInView)
                                                          : !GridRowComesBefore(other, own);
                const int y = above ? -10 : height + 10;
                r = TRect(x, y, x, y);
            };
            offEdge(a, rowA, rowB, A);
            offEdge(b, rowB, rowA, B);
        }
        if (!TqvLinkDraw::PlaceEnds(A, B, visA, visB, LinkShow)) continue;
        const TLinkEnds ends =
            TqvLinkDraw::Ends(A, B, rowA == rowB, link->LinkStyle, link->StartFinishOption);
        if (ends.Style == tlsUserDraw) {
            OnUserDrawLinks(this, link, canvas, ends.Start, ends.Stop);
            continue;
        }
        // A link that cannot reach the area draws nothing there: skip it.
        if (!printing && !LinkMayShow(ends.Start, ends.Stop, link->PenWidth, sx, sy, width, height)) continue;
        DrawLink(ends.Start, ends.Stop, canvas, ends.Style, link->Color, link->PenWidth, link);
    }
}

bool TqvGant_ComBasic::TreeRowsInView(int& aFirst, int& aLast)
{
    if (UseGridNotTree || Treeview == nullptr || GA == nullptr) return false;
    const int h = Treeview->GetItemHeight();
    if (h <= 0) return false;
    TTreeNode* top = Treeview->TCustomTreeView::GetTopItem();
    const int base = top ? std::max(0, Treeview->GetRowOfNode(top)) : 0;
    // One row beyond each edge: heads and pens reach a little past a band.
    aFirst = base + static_cast<int>(std::floor(static_cast<double>(PrintPageOffset) / h)) - 1;
    aLast =
        base + static_cast<int>(std::floor(static_cast<double>(PrintPageOffset + GA->GetHeight()) / h)) + 1;
    return true;
}

namespace
{

// Grid mode: the grid row indexes the area shows (its placed rows below the
// header, one more beyond each edge); false when none is placed.
bool GridRowsInView(TqvGrid* aGrid, int& aFirst, int& aLast)
{
    if (aGrid == nullptr) return false;
    TMoxGridCellForViewer* root = aGrid->GetRootCell();
    const int fixed = root->GetFixedRows();
    aFirst = aLast = -1;
    for (TAxisContentItem* item : root->RowList->VisibleItems) {
        const int r = item->ListIndex();
        if (r < fixed) continue;
        if (aFirst < 0) aFirst = r;
        aLast = r;
    }
    if (aFirst < 0) return false;
    --aFirst;
    ++aLast;
    return true;
}

} // namespace

void TqvGant_ComBasic::CollectLinksInView(std::vector<TqvDataEntity_Link*>& aLinks)
{
    aLinks.clear();
    if (LinkList == nullptr) return;
    int first = 0, last = 0;
    const bool grid = UseGridNotTree;
    // Few links, or rows without a uniform height: every link is looked at.
    constexpr int kIndexFrom = 32;
    if (FLinkIndexOff || LinkList->Count() < kIndexFrom || RowList == nullptr ||
        (grid ? !GridRowsInView(Grid, first, last)
              : RowList->HasDuplicateNodes() || !TreeRowsInView(first, last))) {
        for (int i = 0; i < LinkList->Count(); ++i)
            if (auto* link = static_cast<TqvDataEntity_Link*>(LinkList->GetItems(i))) aLinks.push_back(link);
        return;
    }
    if (!FLinkIndex) FLinkIndex = std::make_unique<TGantLinkIndex>();
    // Grid rows move only with a change of the grid's axis, which counts in FLinkStamp.
    const std::uint64_t rows =
        grid ? static_cast<std::uint64_t>(Grid->GetRootCell()->RowList->Count()) * 31u + 17u
             : Treeview->GetRowsStamp();
    const std::uint64_t stamp =
        FLinkStamp * 1000003u ^ rows * 7919u ^ static_cast<std::uint64_t>(LinkList->Count());
    if (!FLinkIndex->Built || FLinkIndex->Stamp != stamp) {
        std::vector<TGantLinkIndex::TSpan> spans;
        spans.reserve(static_cast<size_t>(LinkList->Count()));
        // A row's position: its grid row's index, or its tree node's visible row.
        auto rowOf = [&](const TqvDataEntity_GantTime* t) {
            TGantRow* row = t ? t->GetRow() : nullptr;
            if (grid) {
                TqvDataEntity_GridTreeNode* node = row ? row->GetGridNode() : nullptr;
                return node && node->Row ? node->Row->ListIndex() : -1;
            }
            TqvDataEntity_Tree* node = row ? row->GetTreeNode() : nullptr;
            return node && node->GetNode() ? Treeview->GetRowOfNode(node->GetNode()) : -1;
        };
        for (int i = 0; i < LinkList->Count(); ++i) {
            auto* link = static_cast<TqvDataEntity_Link*>(LinkList->GetItems(i));
            if (link == nullptr || link->First == nullptr || link->Second == nullptr) continue;
            int a = rowOf(link->First);
            int b = rowOf(link->Second);
            // An end without a row is drawn beside the other end.
            if (a < 0 && b < 0) continue;
            if (a < 0) a = b;
            if (b < 0) b = a;
            spans.push_back({std::min(a, b), std::max(a, b), i, link});
        }
        FLinkIndex->Build(std::move(spans));
        FLinkIndex->Stamp = stamp;
    }
    FLinkIndex->Query(first, last, aLinks);
}

void TqvGant_ComBasic::_OnItemChangedRow(TqvDataEntity*)
{
    ++FLinkStamp;
    InvalidateGA();
}

} // namespace skedra
