// The Gantt area's keyboard navigation: the arrows, Home, End and Space move
// the active item between neighbouring items of a row and between rows,
// select items, and scroll the time window so that the active item is in
// view. Moving up or down makes the target row the row control's current row.

#include <algorithm>
#include <cmath>
#include <limits>

#include "skedra/gantt/qvGant.h"
#include "skedra/gridengine/GridContentModel.h"
#include "skedra/tree/GridTree.h"

namespace skedra
{

namespace
{

// Start and stop that every item lies within when no item limits a search.
constexpr TDateTime kNoStart = 268435455;
constexpr TDateTime kNoStop = 0;

TDateTime MiddleOf(const TqvDataEntity_GantTime* anItem)
{
    return anItem->GetStartDateTime() + (anItem->GetStopDateTime() - anItem->GetStartDateTime()) / 2;
}

// The layer of a row, or none when the row does not have it.
TqvDataList* LayerOfRow(TGantRow* aRow, int aLayer)
{
    if (aRow == nullptr || aLayer < 0 || aLayer >= aRow->LayerCount()) return nullptr;
    return aRow->GetDataLists()->GetDataList(aLayer);
}

// The grid row after (or before) a node's row that is shown and not fixed and
// has a Gantt row: hidden rows (collapsed or hidden nodes) and the header
// rows are stepped over.
TqvDataEntity_GridTreeNode* GridNeighbourNode(TGantRowList* aRows, TqvDataEntity_GridTreeNode* aNode, bool up)
{
    if (aRows == nullptr || aNode == nullptr || aNode->Row == nullptr || aNode->Row->List == nullptr)
        return nullptr;
    TAxisContentList* axis = aNode->Row->List;
    const int step = up ? -1 : 1;
    for (int i = aNode->Row->ListIndex() + step; i >= axis->FixedCount && i < axis->Count(); i += step) {
        TAxisContentItem* item = axis->getAxisContentItem(i);
        if (item == nullptr || item->Hidden) continue;
        TqvDataEntity_GridTreeNode* node = TqvGridTree::NodeOfRow(item);
        if (node == nullptr || !node->GetVisible()) continue;
        if (aRows->FindRowFromGridNode(node) != nullptr) return node;
    }
    return nullptr;
}

} // namespace

// ===========================================================================
// Keys

void TqvGant_ComBasic::GantAreaKeyDown(TObject*, Word& Key, TShiftState Shift)
{
    if (FDestroying || RowList == nullptr) return;
    const bool toggle = Key == VK_SPACE;
    TqvDataEntity_GantTime* active = ActiveDataEntity;
    TGantRow* row = active != nullptr ? active->GetRow() : nullptr;
    TqvDataEntity_GantTime* neighbour = nullptr;
    if (row != nullptr) {
        const int n = OnKeyNavigateDataList.Assigned() ? OnKeyNavigateDataList(this, row) : 0;
        TqvDataList* list = LayerOfRow(row, n);
        switch (Key) {
        case VK_SPACE:
            neighbour = active;
            break;
        case VK_HOME:
            neighbour = FindNeighbourToRightLeft(list, nullptr, true);
            break;
        case VK_END:
            neighbour = FindNeighbourToRightLeft(list, nullptr, false);
            break;
        case VK_LEFT:
            neighbour = FindNeighbourToRightLeft(list, active, false);
            break;
        case VK_RIGHT:
            neighbour = FindNeighbourToRightLeft(list, active, true);
            break;
        case VK_UP:
        case VK_DOWN:
            neighbour = FindNeighbourToUpDown(n, active, Key == VK_UP);
            if (neighbour == nullptr) {
                SetActiveDataEntity(nullptr);
                InvalidateGA();
                return;
            }
            break;
        default:
            return;
        }
    } else {
        // Without an active item the row control's current row is the start.
        if (UseGridNotTree) {
            row = RowList->FindRowFromGridNode(GridFocusedNode());
        } else if (Treeview != nullptr) {
            row = RowList->FindRowFromTreeNode(Treeview->GetCurrentDataEntity());
        }
        if (row == nullptr) return;
        const int n = OnKeyNavigateDataList.Assigned() ? OnKeyNavigateDataList(this, row) : 0;
        TqvDataList* list = LayerOfRow(row, n);
        switch (Key) {
        case VK_HOME:
            neighbour = FindNeighbourToRightLeft(list, nullptr, true);
            break;
        case VK_END:
            neighbour = FindNeighbourToRightLeft(list, nullptr, false);
            break;
        case VK_UP:
        case VK_DOWN:
            neighbour = FindNeighbourToUpDown(n, nullptr, Key == VK_UP);
            break;
        case VK_LEFT:
        case VK_RIGHT:
            neighbour = FindNeighbourClosest(list, nullptr);
            break;
        default:
            return;
        }
    }
    if (neighbour == nullptr || neighbour->GetRow() == nullptr) return;
    TqvExposable::TKeepAlive keep(neighbour);
    if (!Shift.Contains(ssShift) && !Shift.Contains(ssCtrl)) ClearSelections();
    if (neighbour->GetRow() == nullptr) return;
    neighbour->SetSelected(toggle && active != nullptr ? !neighbour->GetSelected() : true);
    SetActiveDataEntity(neighbour);
    InvalidateGA();
    MakeSureActiveInView();
}

void TqvGant_ComBasic::PerformGantAreaKeyfunction(Word Key, TShiftState Shift)
{
    GantAreaKeyDown(GA, Key, Shift);
    SetActiveDataEntity(nullptr);
}

// ===========================================================================
// Neighbour searches

TqvDataEntity_GantTime*
TqvGant_ComBasic::FindNeighbourToRightLeft(TqvDataList* aList, TqvDataEntity_GantTime* anItem, bool toRight)
{
    if (aList == nullptr) return nullptr;
    const TDateTime s = anItem != nullptr ? anItem->GetStartDateTime() : kNoStart;
    const TDateTime e = anItem != nullptr ? anItem->GetStopDateTime() : kNoStop;
    TqvDataEntity_GantTime* best = nullptr;
    for (int i = 0; i < aList->Count(); ++i) {
        auto* candidate = static_cast<TqvDataEntity_GantTime*>(aList->GetItems(i));
        if (candidate == nullptr || candidate == anItem || !candidate->GetVisible()) continue;
        if (toRight) {
            // The earliest start at or after the item's stop.
            if (candidate->GetStartDateTime() < e) continue;
            if (best == nullptr || candidate->GetStartDateTime() < best->GetStartDateTime()) best = candidate;
        } else {
            // Stopping at or before the item's start; a later one wins when it starts after the best's stop.
            if (candidate->GetStopDateTime() > s) continue;
            if (best == nullptr || candidate->GetStartDateTime() > best->GetStopDateTime()) best = candidate;
        }
    }
    return best;
}

TqvDataEntity_GantTime* TqvGant_ComBasic::FindNeighbourClosest(TqvDataList* aList,
                                                               TqvDataEntity_GantTime* anItem)
{
    if (aList == nullptr) return nullptr;
    TDateTime reference = 0;
    if (anItem != nullptr)
        reference = MiddleOf(anItem);
    else if (DateScaler != nullptr)
        reference = DateScaler->GetStart() + (DateScaler->GetStop() - DateScaler->GetStart()) / 2;
    TqvDataEntity_GantTime* best = nullptr;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (int i = 0; i < aList->Count(); ++i) {
        auto* candidate = static_cast<TqvDataEntity_GantTime*>(aList->GetItems(i));
        if (candidate == nullptr || !candidate->GetVisible()) continue;
        const double distance = std::fabs(MiddleOf(candidate) - reference);
        if (distance < bestDistance) {
            best = candidate;
            bestDistance = distance;
        }
    }
    return best;
}

TqvDataEntity_GantTime* TqvGant_ComBasic::FindNeighbourToUpDown(int aLayer, TqvDataEntity_GantTime* anItem,
                                                                bool up)
{
    if (RowList == nullptr) return nullptr;
    TGantRow* itemRow = anItem != nullptr ? anItem->GetRow() : nullptr;
    TGantRow* target = nullptr;
    if (UseGridNotTree) {
        TqvDataEntity_GridTreeNode* node = itemRow != nullptr ? itemRow->GetGridNode() : GridFocusedNode();
        TqvDataEntity_GridTreeNode* next = GridNeighbourNode(RowList, node, up);
        target = next != nullptr ? RowList->FindRowFromGridNode(next) : nullptr;
        if (target != nullptr) GridFocusNode(next);
    } else if (Treeview != nullptr) {
        TqvDataEntity_Tree* node =
            itemRow != nullptr ? itemRow->GetTreeNode() : Treeview->GetCurrentDataEntity();
        TqvDataEntity_Tree* next = nullptr;
        if (node != nullptr) next = up ? Treeview->GetPrevVisible(node) : Treeview->GetNextVisible(node);
        if (next == node) next = nullptr;
        target = next != nullptr ? RowList->FindRowFromTreeNode(next) : nullptr;
        if (target != nullptr) {
            TqvExposable::TKeepAlive keep(target);
            Treeview->UpdateMultiSelect(next, TShiftState());
            // The node is current now, not only after the tree's deferred update.
            Treeview->EnsureDisplayUpToDate();
            if (next->GetNode() != nullptr) Treeview->TCustomTreeView::SetSelected(next->GetNode());
            if (target->GetGant() != this) target = nullptr;
        }
    }
    return FindNeighbourClosest(LayerOfRow(target, aLayer), anItem);
}

// ===========================================================================
// View adjustment

void TqvGant_ComBasic::MakeSureActiveInView()
{
    if (ActiveDataEntity == nullptr || DateScaler == nullptr) return;
    const TDateTime s = ActiveDataEntity->GetStartDateTime();
    const TDateTime e = ActiveDataEntity->GetStopDateTime();
    const TDateTime ws = DateScaler->GetStart();
    const TDateTime we = DateScaler->GetStop();
    TDateTime shift = 0;
    if (ws >= s && we < e) {
        // The item covers the whole window: the window becomes the item.
        DateScaler->SetStart(s);
        DateScaler->SetStop(e);
        return;
    }
    if (ws > s)
        shift = s - ws;
    else if (we >= e)
        return;
    else
        shift = e - we;
    DateScaler->SetStart(ws + shift);
    DateScaler->SetStop(we + shift);
}

void TqvGant_ComBasic::MakeSureRowInView(TGantRow* aRow)
{
    if (aRow == nullptr || DateScaler == nullptr) return;
    TDateTime first = kNoStart;
    TDateTime last = kNoStop;
    bool any = false;
    for (int li = 0; li < aRow->LayerCount(); ++li) {
        TqvDataList* layer = aRow->GetDataLists()->GetDataList(li);
        for (int i = 0; layer != nullptr && i < layer->Count(); ++i) {
            const auto* item = static_cast<const TqvDataEntity_GantTime*>(layer->GetItems(i));
            if (item == nullptr) continue;
            any = true;
            first = std::min(first, item->GetStartDateTime());
            last = std::max(last, item->GetStopDateTime());
        }
    }
    if (!any) return;
    DateScaler->SetStart(first);
    DateScaler->SetStop(last);
}

void TqvGant_ComBasic::MakeSureAllVisibleInTree()
{
    if (Treeview == nullptr) return;
    const TScrollInfo info = Treeview->GetScrollInfo(false);
    const int range = info.Max - info.Min;
    if (range > 0 && range > GetTreeWidth()) SetTreeWidth(range);
}

} // namespace skedra
