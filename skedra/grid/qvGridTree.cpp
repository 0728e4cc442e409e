// Tree rows in the grid: the grid trees of the root and of nested grid
// cells, tree buttons and indentation, virtual loading forwarded to the tree,
// and saving and restoring which nodes are expanded.

#include "skedra/grid/qvGrid.h"

#include <QScopedValueRollback>
#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "skedra/foundation/DoLater.h"

namespace skedra
{

// ---------------------------------------------------------------------------
// The trees

TqvGridTree* TqvGrid::GetTree()
{
    return GetTreeInSubGrid(GetRootCell());
}

TqvGridTree* TqvGrid::GetTreeInSubGrid(TMoxCell* aGridCell)
{
    TMoxSubGridCellDataTreeRef* ref = TreeRefOf(aGridCell);
    return ref ? ref->GridTree.get() : nullptr;
}

void TqvGrid::SetUseTree(bool aValue)
{
    SetUseTreeInSubGrid(GetRootCell(), aValue);
}

void TqvGrid::SetUseTreeInSubGrid(TMoxCell* aGridCell, bool aValue)
{
    TMoxSubGridCellDataTreeRef* ref = TreeRefOf(aGridCell);
    if (!ref) return;
    ref->UseGridTree = aValue;
    if (aValue) {
        if (!ref->GridTree) {
            ref->GridTree = ref->CreateGridTree();
            ref->GridTree->GridCell = static_cast<TMoxGridCell*>(aGridCell);
        }
    } else {
        ref->GridTree.reset();
    }
}

bool TqvGrid::GetUseTree()
{
    return GetUseTreeInSubGrid(GetRootCell());
}

bool TqvGrid::GetUseTreeInSubGrid(TMoxCell* aGridCell)
{
    TMoxSubGridCellDataTreeRef* ref = TreeRefOf(aGridCell);
    return ref && ref->UseGridTree;
}

std::unique_ptr<TqvGridTree> TqvGrid::CreateGridTree()
{
    return std::make_unique<TqvGridTree>(MakeMethod<&TqvGrid::_InitTreeSubDataList>(this));
}

void TqvGrid::_InitTreeSubDataList(TqvGridTree* aGridTree, TqvDataEntity_GridTreeNode* aNode)
{
    OnInitTreeSubDataList(this, aGridTree, aNode);
}

TqvDataEntity_GridTreeNode* TqvGrid::CellToNode(TMoxCell* aCell)
{
    if (!aCell || aCell->CellType() != moxCellTypeSimple || !GetTreeInSubGrid(aCell->ParentCell))
        return nullptr;
    return TqvGridTree::NodeOfRow(aCell->RowItem);
}

TqvDataEntity_GridTreeNode* TqvGrid::AxisContentItemToGridTreeNode(TAxisContentItem* aRowItem)
{
    return TqvGridTree::NodeOfRow(aRowItem);
}

TqvDataEntity_GridTreeNode* TqvGrid::GetCurrentNode()
{
    return CellToNode(GetFocusedCell());
}

// ---------------------------------------------------------------------------
// Tree buttons

void TqvGrid::DoButtonAction(TMoxCell* aCell)
{
    const QScopedValueRollback inAction(FInButtonAction, true);
    if (TqvDataEntity_GridTreeNode* node = CellToNode(aCell)) node->SetExpanded(!node->Expanded);
    TMoxGridView_Custom::DoButtonAction(aCell);
    Invalidate();
}

bool TqvGrid::IsButtonExpanded(TMoxCell* aCell)
{
    if (OnIsButtonExpanded) return OnIsButtonExpanded(this, aCell);
    TqvDataEntity_GridTreeNode* node = CellToNode(aCell);
    return node && node->Expanded;
}

bool TqvGrid::IsButtonTerminal(TMoxCell* aCell)
{
    if (OnIsButtonTerminal) return OnIsButtonTerminal(this, aCell);
    // A collapsed node is never terminal: its children may not be made yet.
    TqvDataEntity_GridTreeNode* node = CellToNode(aCell);
    return node && node->Expanded && node->GetSubDataListCount() == 0;
}

bool TqvGrid::ButtonHasNonHiddenChildren(TMoxCell* aCell)
{
    if (OnButtonHasNonHiddenChildren) return OnButtonHasNonHiddenChildren(this, aCell);
    TqvDataEntity_GridTreeNode* node = CellToNode(aCell);
    if (!node) return false;
    if (!node->SubListInitialised) return true;
    TqvDataList_GridTree* children = node->SubDataList;
    if (!children) return false;
    for (int p = 0; p < children->LoadedCount(); ++p)
        if (auto* child = dynamic_cast<TqvDataEntity_GridTreeNode*>(children->GetLoaded(p));
            child && !child->HideNode)
            return true;
    // Unloaded children are not known to be hidden.
    return children->Count() > children->LoadedCount();
}

TMoxCell* TqvGrid::GetParentButtonCell(TMoxCell* aCell)
{
    if (OnGetParentButtonCell) return OnGetParentButtonCell(this, aCell);
    TqvDataEntity_GridTreeNode* node = CellToNode(aCell);
    TqvDataEntity_GridTreeNode* parent = node ? node->ParentNode() : nullptr;
    if (!parent || !parent->Row || !aCell->ColumnItem) return nullptr;
    return aCell->ParentCell->getCell(aCell->ColumnItem->ListIndex(), parent->Row->ListIndex());
}

int TqvGrid::CellInset(TMoxCell* aCell)
{
    if (OnCellInset) return OnCellInset(this, aCell);
    TqvDataEntity_GridTreeNode* node = CellToNode(aCell);
    return node ? static_cast<int>(std::nearbyint(node->GetLevel() * GetScalex())) : 0;
}

// ---------------------------------------------------------------------------
// Virtual loading

void TqvGrid::_OnVirtualLoad(TMoxGridCell* aCaller, TAxisContentItem* aItem, bool aRowNotColumn)
{
    if (aRowNotColumn)
        if (TqvGridTree* tree = GetTreeInSubGrid(aCaller)) tree->_OnGridRowReload(aItem);
    TMoxGridView_Custom::_OnVirtualLoad(aCaller, aItem, aRowNotColumn);
}

void TqvGrid::_OnUnloaded(TMoxGridCell* aCaller, TAxisContentItem* aItem, bool aRowNotColumn)
{
    // The node lets go of its row as an unload (else the row's end would delete the node).
    if (aRowNotColumn)
        if (TqvGridTree* tree = GetTreeInSubGrid(aCaller)) tree->_OnGridRowUnloaded(aItem);
}

void TqvGrid::_OnKeepAfterUnLoad(TMoxGridCell* aCaller, TAxisContentItem* aItem, bool aRowNotColumn,
                                 bool& aKeep)
{
    aKeep = true;
    if (aRowNotColumn)
        if (TqvGridTree* tree = GetTreeInSubGrid(aCaller)) tree->_OnKeepGridRowAfterUnload(aItem, aKeep);
}

void TqvGrid::_OnUnloadIntervall(TMoxGridCell* aCaller, TAxisContentItem* aItem, bool aRowNotColumn,
                                 int& aStart, int& aStop)
{
    if (aRowNotColumn)
        if (TqvGridTree* tree = GetTreeInSubGrid(aCaller)) tree->_OnUnloadIntervall(aItem, aStart, aStop);
}

void TqvGrid::_OnDeleteOfUnloaded(TMoxGridCell* aCaller, bool aRowNotColumn, int& aStart, int& aStop)
{
    if (aRowNotColumn && aCaller)
        if (TqvGridTree* tree = GetTreeInSubGrid(aCaller))
            tree->_OnDeleteOfUnloaded(aCaller->RowList.get(), aStart, aStop);
}

// ---------------------------------------------------------------------------
// Expanded state

QString TqvGrid::_DefaultNodeToString(TqvGrid*, TqvDataEntity_GridTreeNode* aNode)
{
    if (!aNode || !aNode->Row || !aNode->Row->List) return QString();
    TMoxGridCell* grid = aNode->Row->List->OwnerCell;
    const int row = aNode->Row->ListIndex();
    QString key;
    for (int c = 0; c < grid->ColumnList->Count(); ++c) {
        key += QLatin1Char('#');
        key += GetText(grid->getCell(c, row));
    }
    return key;
}

QString TqvGrid::NodeKey(TqvDataEntity_GridTreeNode* aNode, const TOnConvertNodeToStringKey& aConverter)
{
    return aConverter ? aConverter(this, aNode) : _DefaultNodeToString(this, aNode);
}

void TqvGrid::ClearExpandedStateAlreadySavedFlag(TObject*)
{
    FExpandStateSaved = false;
}

void TqvGrid::ExpandedStateSave(TOnConvertNodeToStringKey aConverter)
{
    if (FExpandStateSaved) return;
    FExpandStateSaved = true;
    // Saving is open again at the next turn of the event loop.
    TDoLater::DoLater(MakeMethod<&TqvGrid::ClearExpandedStateAlreadySavedFlag>(this));
    SaveExpandStateInStringList(FExpandedStateList, aConverter);
}

void TqvGrid::SaveExpandStateInStringList(std::vector<TExpandedStateEntry>& aList,
                                          const TOnConvertNodeToStringKey& aConverter)
{
    aList.clear();
    TAxisContentList* rows = GetRootCell()->RowList.get();
    for (int p = std::min(rows->FixedCount, rows->LoadedCount()); p < rows->LoadedCount(); ++p) {
        TqvDataEntity_GridTreeNode* node = TqvGridTree::NodeOfRow(rows->getLoadedAxisContentItem(p));
        if (node && node->Expanded) aList.push_back({NodeKey(node, aConverter), node->GetLevel()});
    }
}

bool TqvGrid::ExpandInGridFromStringList(int aLevel, const std::vector<TExpandedStateEntry>& aList,
                                         const TOnConvertNodeToStringKey& aConverter)
{
    std::unordered_set<QString> keys;
    for (const TExpandedStateEntry& entry : aList)
        if (entry.Level == aLevel) keys.insert(entry.Key);
    if (keys.empty()) return false;
    // Collected first: expanding inserts and shows rows.
    std::vector<TqvDataEntity_GridTreeNode*> expand;
    TAxisContentList* rows = GetRootCell()->RowList.get();
    for (int p = std::min(rows->FixedCount, rows->LoadedCount()); p < rows->LoadedCount(); ++p) {
        TqvDataEntity_GridTreeNode* node = TqvGridTree::NodeOfRow(rows->getLoadedAxisContentItem(p));
        if (node && !node->Expanded && node->GetLevel() == aLevel && keys.count(NodeKey(node, aConverter)))
            expand.push_back(node);
    }
    for (TqvDataEntity_GridTreeNode* node : expand)
        node->SetExpanded(true);
    return !expand.empty();
}

void TqvGrid::ExpandedStateRestore(TOnConvertNodeToStringKey aConverter)
{
    // The expansions below must not save the state again.
    const QScopedValueRollback saved(FExpandStateSaved, true);
    const std::vector<TExpandedStateEntry> list = FExpandedStateList;
    int deepest = -1;
    for (const TExpandedStateEntry& entry : list)
        deepest = std::max(deepest, entry.Level);
    // Level by level, so that children made by expanding a parent are found;
    // a parent that was expanded already does not stop its children's turn.
    for (int level = 0; level <= deepest; ++level)
        ExpandInGridFromStringList(level, list, aConverter);
}

} // namespace skedra
