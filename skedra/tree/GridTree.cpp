// The grid tree: nodes in data lists, one grid row per node in depth-first
// order, lazy children, expansion through hidden rows, and the mirroring of
// the grid's virtual row loading into the lists.

#include "skedra/tree/GridTree.h"

#include <QScopedValueRollback>

#include <algorithm>
#include <functional>

namespace skedra
{

namespace
{
TqvDataEntity_GridTreeNode* AsNode(TqvDataEntity* e)
{
    return dynamic_cast<TqvDataEntity_GridTreeNode*>(e);
}

// The depth-first predecessor of a node, without loading anything: none and
// theKnown false when it is not loaded (its row is then not loaded either).
TqvDataEntity_GridTreeNode* LoadedPrev(TqvDataEntity_GridTreeNode* theNode, bool& theKnown)
{
    theKnown = true;
    TqvDataList* list = theNode->GetDataList();
    if (!list) return nullptr;
    const int index = theNode->ListIndex();
    if (index <= 0) return theNode->ParentNode();
    TqvDataEntity_GridTreeNode* node = AsNode(list->LoadedItemAt(index - 1));
    while (node && node->GetSubDataListCount() > 0)
        node = AsNode(node->SubDataList->LoadedItemAt(node->SubDataList->Count() - 1));
    theKnown = node != nullptr;
    return node;
}
} // namespace

// The depth-first order of the nodes as it was before one entity of one list
// moved from index Old to index New, or was taken out (New -1). With no list
// it is the order as it is.
struct TqvGridTree::TOrder {
    TqvDataList* List = nullptr;
    TqvDataEntity* Entity = nullptr;
    int Old = -1;
    int New = -1;

    int IndexOf(TqvDataEntity* e) const
    {
        const int j = e->ListIndex();
        if (List == nullptr || e->GetDataList() != List) return j;
        if (e == Entity) return Old;
        if (New < 0) return j >= Old ? j + 1 : j;
        if (Old < New) return j >= Old && j < New ? j + 1 : j;
        if (Old > New) return j > New && j <= Old ? j - 1 : j;
        return j;
    }
    std::vector<int> Path(TqvDataEntity_GridTreeNode* n) const
    {
        std::vector<int> path;
        for (; n; n = n->ParentNode())
            path.push_back(IndexOf(n));
        std::reverse(path.begin(), path.end());
        return path;
    }
    // a comes before b (an ancestor comes before its descendants).
    bool Precedes(TqvDataEntity_GridTreeNode* a, TqvDataEntity_GridTreeNode* b) const
    {
        const std::vector<int> pa = Path(a);
        const std::vector<int> pb = Path(b);
        return std::lexicographical_compare(pa.begin(), pa.end(), pb.begin(), pb.end());
    }
};

// ---------------------------------------------------------------------------
// TqvDataEntity_GridTreeNode

void TqvDataEntity_GridTreeNode::AfterCreate(TqvDataList* theList)
{
    TqvDataEntity::AfterCreate(theList);
    CanEdit = true;
}

void TqvDataEntity_GridTreeNode::CleanForFree()
{
    TqvGridTree* tree = GetGridTree();
    if (tree && !tree->FDestroying && !UnloadingKeepsRow) {
        // The node is already out of its list: its order is the one from
        // before, with its last index. Its rows and its subtree's go now, so
        // that loaded and unloaded rows both stay one per node.
        TqvGridTree::TOrder before;
        before.List = GetDataList();
        before.Entity = this;
        before.Old = ListIndex();
        tree->TakeOutRows(this, before);
    }
    if (tree) tree->DeInitSubList(this);
    if (TAxisContentItem* row = Row) {
        Row = nullptr;
        row->Value2 = nullptr;
        if (TAxisContentList* rows = row->List) rows->Drop(row->ListIndex());
    }
    TqvDataEntity::CleanForFree();
}

void TqvDataEntity_GridTreeNode::AxisContentItemFreed(TAxisContentItem* theItem)
{
    if (Row != theItem) return;
    Row = nullptr;
    RowPlaced = false;
    TqvGridTree* tree = GetGridTree();
    // An axis that is being freed forgets its items without a word.
    if (!tree || tree->FDestroying || !theItem->List || ParentNode()) return;
    // The grid dropped the row of a root node (a clear of its rows): the node
    // and its subtree go with it, so that rows and nodes stay one to one.
    if (TqvDataList* list = GetDataList()) list->Remove(this);
}

TqvDataList_GridTree* TqvDataEntity_GridTreeNode::GetGridTreeList() const
{
    return dynamic_cast<TqvDataList_GridTree*>(GetDataList());
}

TqvGridTree* TqvDataEntity_GridTreeNode::GetGridTree() const
{
    TqvDataList_GridTree* list = GetGridTreeList();
    return list ? list->GridTree : nullptr;
}

TqvDataEntity_GridTreeNode* TqvDataEntity_GridTreeNode::ParentNode() const
{
    TqvDataList_GridTree* list = GetGridTreeList();
    return list ? list->OwnerEntity : nullptr;
}

int TqvDataEntity_GridTreeNode::GetLevel() const
{
    int level = 0;
    for (const TqvDataEntity_GridTreeNode* n = ParentNode(); n; n = n->ParentNode())
        ++level;
    return level;
}

TqvDataEntity_GridTreeNode* TqvDataEntity_GridTreeNode::RootNode()
{
    TqvDataEntity_GridTreeNode* node = this;
    while (TqvDataEntity_GridTreeNode* parent = node->ParentNode())
        node = parent;
    return node;
}

TqvDataList_GridTree* TqvDataEntity_GridTreeNode::GetSubDataList()
{
    if (SubDataList) return SubDataList;
    TqvGridTree* tree = GetGridTree();
    if (!tree) return nullptr;
    TqvDataList_GridTree* list = tree->CreateDataList_GridTree();
    list->AfterCreate(tree->Controller, tree->GetClassOfDataEntity_GridTreeNode());
    list->OwnerEntity = this;
    SubDataList = list;
    tree->DataLists->Add(list);
    return list;
}

int TqvDataEntity_GridTreeNode::GetSubDataListCount() const
{
    return SubDataList ? SubDataList->Count() : 0;
}

TqvDataEntity_GridTreeNode* TqvDataEntity_GridTreeNode::GetNext()
{
    if (GetSubDataListCount() > 0) return AsNode(SubDataList->Items(0));
    for (TqvDataEntity_GridTreeNode* node = this; node; node = node->ParentNode()) {
        TqvDataList* list = node->GetDataList();
        if (!list) return nullptr;
        const int index = node->ListIndex();
        if (index + 1 < list->Count()) return AsNode(list->Items(index + 1));
    }
    return nullptr;
}

TqvDataEntity_GridTreeNode* TqvDataEntity_GridTreeNode::GetPrev()
{
    TqvDataList* list = GetDataList();
    if (!list) return nullptr;
    const int index = ListIndex();
    if (index <= 0) return ParentNode();
    TqvDataEntity_GridTreeNode* node = AsNode(list->Items(index - 1));
    while (node && node->GetSubDataListCount() > 0)
        node = AsNode(node->SubDataList->Items(node->SubDataList->Count() - 1));
    return node;
}

TqvDataEntity_GridTreeNode* TqvDataEntity_GridTreeNode::GetNextVisible()
{
    TqvDataEntity_GridTreeNode* node = GetNext();
    while (node && !node->IsVisible())
        node = node->GetNext();
    return node;
}

TqvDataEntity_GridTreeNode* TqvDataEntity_GridTreeNode::GetPrevVisible()
{
    TqvDataEntity_GridTreeNode* node = GetPrev();
    while (node && !node->IsVisible())
        node = node->GetPrev();
    return node;
}

bool TqvDataEntity_GridTreeNode::IsVisible() const
{
    if (HideNode) return false;
    const TqvDataEntity_GridTreeNode* parent = ParentNode();
    return !parent || (parent->Expanded && parent->IsVisible());
}

void TqvDataEntity_GridTreeNode::SetExpanded(bool theValue)
{
    TqvGridTree* tree = GetGridTree();
    if (theValue != Expanded && tree) {
        bool allow = true;
        if (theValue)
            tree->_OnExpand(this, allow);
        else
            tree->_OnCollapse(this, allow);
        if (!allow) return;
    }
    TqvExposable::TKeepAlive keep(this);
    Expanded = theValue;
    if (theValue && !SubListInitialised && tree) {
        tree->_InitSubDataList(this);
        SubListInitialised = true;
    }
    UpdateVisibility();
}

namespace
{
void Repaint(TqvGridTree* tree)
{
    if (!tree || !tree->GridCell) return;
    if (TMoxGridCellForViewer* viewer = tree->GridCell->GetViewer()) viewer->AxisChangedEvent->TriggerEvent();
}
} // namespace

void TqvDataEntity_GridTreeNode::SetImageIndex(int32_t theValue)
{
    if (theValue == ImageIndex) return;
    ImageIndex = theValue;
    Repaint(GetGridTree());
}

void TqvDataEntity_GridTreeNode::SetSelectedIndex(int32_t theValue)
{
    if (theValue == SelectedIndex) return;
    SelectedIndex = theValue;
    Repaint(GetGridTree());
}

void TqvDataEntity_GridTreeNode::Set_HideNode(bool theValue)
{
    HideNode = theValue;
    UpdateVisibility();
}

void TqvDataEntity_GridTreeNode::SetHidden(bool theValue)
{
    Hidden = theValue;
    UpdateVisibility();
}

void TqvDataEntity_GridTreeNode::InitGridRow()
{
    TqvGridTree* tree = GetGridTree();
    if (!tree || !tree->GridCell || Row || RowPlaced) return;
    TAxisContentList* rows = tree->GridCell->RowList.get();
    RowPlaced = true;
    // The row goes right after the predecessor's. Nothing is loaded for
    // this: next to a loaded row it joins the loaded block, otherwise it is
    // counted unloaded on the node's side of the block.
    bool prevKnown = true;
    TqvDataEntity_GridTreeNode* prev = LoadedPrev(this, prevKnown);
    const bool blockEmpty = rows->LoadedCount() <= rows->FixedCount;
    int index = -1;
    if (prev && prev->Row) {
        index = prev->Row->ListIndex() + 1;
    } else if (!prev && prevKnown) {
        if (rows->UnloadedBefore == 0 && (!blockEmpty || rows->Count() == rows->FixedCount))
            index = rows->FixedCount;
        else if (blockEmpty)
            rows->AddUnloaded(1);
        else
            rows->AddUnloadedBefore(1);
    } else if (!blockEmpty && tree->IsBeforeLoadedRows(prev ? prev : this, TqvGridTree::TOrder())) {
        rows->AddUnloadedBefore(1);
    } else {
        rows->AddUnloaded(1);
    }
    if (index < 0) return;
    TAxisContentItem* item = rows->InsertNew(index, this);
    item->SetValue2(this);
    Row = item;
    if (!IsVisible()) item->SetHide(true);
}

void TqvDataEntity_GridTreeNode::UpdateVisibility()
{
    if (!Row) return;
    Row->SetHide(!IsVisible());
    SetVisible(!Row->Hidden);
    if (!SubDataList) return;
    for (int p = 0; p < SubDataList->LoadedCount(); ++p)
        if (TqvDataEntity_GridTreeNode* child = AsNode(SubDataList->GetLoaded(p))) child->UpdateVisibility();
}

// ---------------------------------------------------------------------------
// TqvDataList_GridTree

void TqvDataList_GridTree::Sort(bool /*aReverse*/)
{
    // The grid's rows mirror the lists' order. The tree's own comparison keeps
    // it, and the grid's column sort moves the rows after the sort it asks for;
    // a reversal would move entities under rows that stay where they are.
    TqvDataList::Sort(false);
}

void TqvDataList_GridTree::AddUnloaded(int aCount)
{
    TqvDataList::AddUnloaded(aCount);
    if (GridTree && GridTree->GetRootDataList() == this && GridTree->GridCell && aCount > 0)
        GridTree->GridCell->RowList->AddUnloaded(aCount);
}

// ---------------------------------------------------------------------------
// TqvGridTree

TqvGridTree::TqvGridTree(TOnTreeControllerCallBackInitSubList theOnInitSubDataList)
    : OnInitSubDataList(std::move(theOnInitSubDataList))
{
}

void TqvGridTree::BuildDataLists()
{
    if (Controller || FDestroying) return;
    DataLists = CreateDataList2Lev();
    FController = std::make_unique<TqvListController>();
    Controller = FController.get();
    Controller->OnDeleteItem = MakeMethod<&TqvGridTree::_DeleteItem>(this);
    Controller->OnInsertItem = MakeMethod<&TqvGridTree::_InsertItem>(this);
    Controller->OnSelectionChanged = MakeMethod<&TqvGridTree::_SelectionChanged>(this);
    Controller->OnContentChanged = MakeMethod<&TqvGridTree::_ContentChanged>(this);
    Controller->OnUnLoadedContentChanged = MakeMethod<&TqvGridTree::_OnUnLoadedContentChanged>(this);
    Controller->OnSortCompare = MakeMethod<&TqvGridTree::_SortCompare>(this);
    Controller->OnVisibleChanged = MakeMethod<&TqvGridTree::_OnVisibleChanged>(this);
    Controller->OnHandlePerformedMove = MakeMethod<&TqvGridTree::_OnHandlePerformedMove>(this);
    Controller->OnEnterOwnerAfterChange = MakeMethod<&TqvGridTree::_OnEnterOwnerAfterChange>(this);
    Controller->OnLeaveOwnerBeforeChange = MakeMethod<&TqvGridTree::_OnLeaveOwnerBeforeChange>(this);
    Controller->OnLoadItem = MakeMethod<&TqvGridTree::_OnLoadItem>(this);
    Controller->OnUnloadItem = MakeMethod<&TqvGridTree::_OnUnloadItem>(this);
    RootDataList = CreateDataList_GridTree();
    RootDataList->AfterCreate(Controller, GetClassOfDataEntity_GridTreeNode());
    DataLists->Add(RootDataList);
}

TqvDataList_GridTree* TqvGridTree::GetRootDataList()
{
    BuildDataLists();
    return RootDataList;
}

TqvDataList2lev* TqvGridTree::GetDataLists()
{
    BuildDataLists();
    return DataLists;
}

TqvListController* TqvGridTree::GetController()
{
    BuildDataLists();
    return Controller;
}

void TqvGridTree::ClearRows(TqvDataList_GridTree* theList)
{
    if (!theList) return;
    for (int p = 0; p < theList->LoadedCount(); ++p) {
        TqvDataEntity_GridTreeNode* node = AsNode(theList->GetLoaded(p));
        if (!node) continue;
        if (node->Row) {
            node->Row->Value2 = nullptr;
            node->Row = nullptr;
        }
        ClearRows(node->SubDataList);
    }
}

TqvGridTree::~TqvGridTree()
{
    FDestroying = true;
    // The rows belong to the grid: they stay, but no longer point at nodes.
    ClearRows(RootDataList);
    if (RootDataList) {
        RootDataList->FreeWheneverPossible();
        RootDataList = nullptr;
    }
    if (DataLists) {
        DataLists->FreeWheneverPossible();
        DataLists = nullptr;
    }
    Controller = nullptr;
    FController.reset();
}

TqvDataList_GridTree* TqvGridTree::CreateDataList_GridTree()
{
    auto* list = new TqvDataList_GridTree();
    list->GridTree = this;
    return list;
}

TqvDataList2lev* TqvGridTree::CreateDataList2Lev()
{
    auto* lists = new TqvDataList2lev();
    lists->AfterCreate();
    return lists;
}

TqvDataEntityClass TqvGridTree::GetClassOfDataEntity_GridTreeNode()
{
    return ClassOf<TqvDataEntity_GridTreeNode>();
}

TqvDataEntity_GridTreeNode* TqvGridTree::AddDataEntity(TqvDataEntity_GridTreeNode* theParent)
{
    TqvDataList* list = theParent ? theParent->GetSubDataList() : GetRootDataList();
    if (!list) return nullptr;
    return AsNode(list->Add());
}

TqvDataEntity_GridTreeNode* TqvGridTree::InsertDataEntity(TqvDataEntity_GridTreeNode* theParent, int theIndex)
{
    TqvDataList* list = theParent ? theParent->GetSubDataList() : GetRootDataList();
    if (!list) return nullptr;
    return AsNode(list->Insert(std::clamp(theIndex, 0, list->Count())));
}

void TqvGridTree::RemoveDataEntity(TqvDataEntity_GridTreeNode* theNode)
{
    if (!theNode) return;
    if (TqvDataList* list = theNode->GetDataList()) list->Remove(theNode);
}

void TqvGridTree::SetExpandedState(TqvDataList_GridTree* theList, bool theValue)
{
    if (!theList) return;
    for (int p = 0; p < theList->LoadedCount(); ++p) {
        TqvDataEntity_GridTreeNode* node = AsNode(theList->GetLoaded(p));
        if (!node) continue;
        TqvExposable::TKeepAlive keep(node);
        SetExpandedState(node->GetSubDataList(), theValue);
        node->SetExpanded(theValue);
    }
}

void TqvGridTree::ExpandAll()
{
    SetExpandedState(GetRootDataList(), true);
}
void TqvGridTree::CollapseAll()
{
    SetExpandedState(GetRootDataList(), false);
}

void TqvGridTree::IntegrationTargetInvalidate()
{
    Integrate(ieInvalidate, nullptr);
}

void TqvGridTree::Integrate(TIntegrationEventKind aKind, TqvDataEntity* aDataEntity)
{
    if (IntegrationEvents && !FDestroying) IntegrationEvents(aKind, aDataEntity);
}

void TqvGridTree::DeInitSubList(TqvDataEntity_GridTreeNode* theNode)
{
    if (!theNode || !theNode->SubDataList) return;
    TqvDataList_GridTree* list = theNode->SubDataList;
    if (DataLists) DataLists->Remove(list);
    list->Clear();
    theNode->SubDataList = nullptr;
    list->FreeWheneverPossible();
}

TqvDataEntity_GridTreeNode* TqvGridTree::NodeOfRow(const TAxisContentItem* theItem)
{
    return theItem ? dynamic_cast<TqvDataEntity_GridTreeNode*>(theItem->Value2) : nullptr;
}

// --- controller slots ---------------------------------------------------------

void TqvGridTree::_InsertItem(TqvDataEntity* theDataEntity)
{
    TqvDataEntity_GridTreeNode* node = AsNode(theDataEntity);
    if (!node) return;
    node->InitGridRow();
    Integrate(ieInsert, node);
    if (OnInsertNode && !FDestroying) OnInsertNode(this, node);
    TqvDataEntity_GridTreeNode* parent = node->ParentNode();
    node->SetVisible(!parent || (parent->GetVisible() && parent->Expanded));
}

void TqvGridTree::_DeleteItem(TqvDataEntity* theDataEntity)
{
    TqvDataEntity_GridTreeNode* node = AsNode(theDataEntity);
    if (!node) return;
    if (OnDeleteNode && !FDestroying) OnDeleteNode(this, node);
    Integrate(ieRemove, node);
    DeInitSubList(node);
}

void TqvGridTree::_SelectionChanged(TqvDataList* /*theList*/, TqvDataEntity* theDataEntity)
{
    Integrate(ieSelectionChanged, theDataEntity);
}

void TqvGridTree::_ContentChanged(TqvDataList* /*theList*/) {}

void TqvGridTree::_OnUnLoadedContentChanged(TqvDataList* theList)
{
    if (FDestroying || theList != RootDataList || RootDataList->Count() != 0 || !GridCell) return;
    GridCell->RowList->ClearKeepFixedItems();
}

int TqvGridTree::_SortCompare(TqvDataEntity* the1, TqvDataEntity* the2)
{
    // Sorting a grid tree's lists keeps their order.
    const int a = the1 ? the1->ListIndex() : -1;
    const int b = the2 ? the2->ListIndex() : -1;
    return (a > b) - (a < b);
}

void TqvGridTree::_OnVisibleChanged(TqvDataEntity* theDataEntity)
{
    Integrate(ieVisibleChanged, theDataEntity);
}

void TqvGridTree::_InitSubDataList(TqvDataEntity_GridTreeNode* theNode)
{
    if (OnInitSubDataList) OnInitSubDataList(this, theNode);
}

void TqvGridTree::_OnHandlePerformedMove(TqvDataEntity* theDataEntity, int theOldIndex, int theNewIndex)
{
    Integrate(ieMovePerfomed, theDataEntity);
    TqvDataEntity_GridTreeNode* node = AsNode(theDataEntity);
    if (!node || !GridCell) return;
    if (theOldIndex == theNewIndex) return;
    // Rows that are loaded all through move as rows; once an unloaded row is
    // involved the subtree's rows are taken out (in the order from before the
    // move) and put back, so nothing is loaded for it.
    TOrder before;
    before.List = node->GetDataList();
    before.Entity = node;
    before.Old = theOldIndex;
    before.New = theNewIndex;
    if (MovesAsLoadedRows(node)) {
        HandleMoveOfTreeNode(node);
        return;
    }
    TakeOutRows(node, before);
    PutBackRows(node);
}

void TqvGridTree::_OnLeaveOwnerBeforeChange(TqvDataEntity* theDataEntity)
{
    TqvDataEntity_GridTreeNode* node = AsNode(theDataEntity);
    if (!node || !GridCell || FDestroying) return;
    // Taken out while the order is still the one before the change.
    TakeOutRows(node, TOrder());
}

void TqvGridTree::_OnEnterOwnerAfterChange(TqvDataEntity* theDataEntity)
{
    TqvDataEntity_GridTreeNode* node = AsNode(theDataEntity);
    if (!node || !GridCell || FDestroying) return;
    PutBackRows(node);
}

bool TqvGridTree::MovesAsLoadedRows(TqvDataEntity_GridTreeNode* theNode)
{
    TAxisContentList* rows = GridCell->RowList.get();
    std::function<bool(TqvDataEntity_GridTreeNode*)> loaded = [&](TqvDataEntity_GridTreeNode* n) {
        if (!n->Row) return false;
        if (TqvDataList_GridTree* sub = n->SubDataList)
            for (int p = 0; p < sub->LoadedCount(); ++p)
                if (!loaded(AsNode(sub->GetLoaded(p)))) return false;
        return true;
    };
    if (!loaded(theNode)) return false;
    TqvDataEntity_GridTreeNode* prev = theNode->GetPrev();
    return prev ? prev->Row != nullptr : rows->UnloadedBefore == 0;
}

void TqvGridTree::HandleMoveOfTreeNode(TqvDataEntity_GridTreeNode* theNode)
{
    if (!theNode || !theNode->Row || !GridCell) return;
    TAxisContentList* rows = theNode->Row->List;
    TqvDataEntity_GridTreeNode* prev = theNode->GetPrev();
    if (prev && !prev->Row) return; // the caller moves such subtrees otherwise
    const int a = prev ? prev->Row->ListIndex() : rows->FixedCount - 1;
    const int i = theNode->Row->ListIndex();
    if (i > a)
        rows->Move(i, a + 1);
    else if (i < a)
        rows->Move(i, a);
    theNode->UpdateVisibility();
    if (TqvDataList_GridTree* sub = theNode->SubDataList)
        for (int p = 0; p < sub->LoadedCount(); ++p)
            HandleMoveOfTreeNode(AsNode(sub->GetLoaded(p)));
}

void TqvGridTree::CollectSubtree(TqvDataEntity_GridTreeNode* theNode,
                                 std::vector<TqvDataEntity_GridTreeNode*>& theNodes)
{
    theNodes.push_back(theNode);
    if (TqvDataList_GridTree* sub = theNode->SubDataList)
        for (int p = 0; p < sub->LoadedCount(); ++p)
            if (TqvDataEntity_GridTreeNode* child = AsNode(sub->GetLoaded(p)))
                CollectSubtree(child, theNodes);
}

TqvDataEntity_GridTreeNode* TqvGridTree::FirstLoadedNode()
{
    if (!GridCell) return nullptr;
    TAxisContentList* rows = GridCell->RowList.get();
    return rows->LoadedCount() > rows->FixedCount
               ? NodeOfRow(rows->getLoadedAxisContentItem(rows->FixedCount))
               : nullptr;
}

bool TqvGridTree::IsBeforeLoadedRows(TqvDataEntity_GridTreeNode* theNode, const TOrder& theOrder)
{
    TqvDataEntity_GridTreeNode* first = FirstLoadedNode();
    return first && theOrder.Precedes(theNode, first);
}

void TqvGridTree::TakeOutRows(TqvDataEntity_GridTreeNode* theNode, const TOrder& theOrder)
{
    if (!GridCell) return;
    TAxisContentList* rows = GridCell->RowList.get();
    std::vector<TqvDataEntity_GridTreeNode*> nodes;
    CollectSubtree(theNode, nodes);
    // Sides first, while the loaded block is as it was.
    std::vector<char> before(nodes.size(), 0);
    for (size_t k = 0; k < nodes.size(); ++k)
        if (nodes[k]->RowPlaced && !nodes[k]->Row) before[k] = IsBeforeLoadedRows(nodes[k], theOrder) ? 1 : 0;
    for (size_t k = nodes.size(); k-- > 0;) {
        TqvDataEntity_GridTreeNode* n = nodes[k];
        if (!n->RowPlaced) continue;
        n->RowPlaced = false;
        if (TAxisContentItem* row = n->Row) {
            n->Row = nullptr;
            row->SetValue2(nullptr);
            rows->Drop(row->ListIndex());
        } else if (before[k] && rows->UnloadedBefore > 0) {
            rows->Drop(rows->FixedCount);
        } else if (rows->UnloadedAfter > 0) {
            rows->Drop(rows->Count() - 1);
        }
    }
}

void TqvGridTree::PutBackRows(TqvDataEntity_GridTreeNode* theNode)
{
    std::vector<TqvDataEntity_GridTreeNode*> nodes;
    CollectSubtree(theNode, nodes);
    for (TqvDataEntity_GridTreeNode* n : nodes) {
        n->InitGridRow();
        n->UpdateVisibility();
    }
}

void TqvGridTree::_OnLoadItem(TqvDataEntity* theDataEntity)
{
    TqvDataEntity_GridTreeNode* node = AsNode(theDataEntity);
    if (!node) return;
    node->LoadedByList = true;
    if (node->ParentNode()) {
        if (ReloadDepth == 0) node->InitGridRow();
    } else {
        // A root that was counted unloaded: its row is there, unloaded.
        node->RowPlaced = GridCell != nullptr;
    }
    Integrate(ieLoad, node);
}

void TqvGridTree::_OnUnloadItem(TqvDataEntity* theDataEntity, bool& theCanUnload)
{
    TqvDataEntity_GridTreeNode* node = AsNode(theDataEntity);
    if (!node) return;
    // Only what the list loaded goes again, once its row and every loaded
    // child are gone; a root keeps its place as an unloaded row.
    theCanUnload = node->LoadedByList && !node->ParentNode() && !node->Row &&
                   (!node->SubDataList || node->SubDataList->LoadedCount() == 0);
    if (theCanUnload) {
        // The list unloads it now; its row stays, counted unloaded.
        node->UnloadingKeepsRow = true;
        Integrate(ieUnload, node);
    }
}

void TqvGridTree::_OnExpand(TqvDataEntity_GridTreeNode* theNode, bool& allow)
{
    if (OnExpand) OnExpand(this, theNode, allow);
}

void TqvGridTree::_OnCollapse(TqvDataEntity_GridTreeNode* theNode, bool& allow)
{
    if (OnCollapse) OnCollapse(this, theNode, allow);
}

// --- virtual loading of rows ----------------------------------------------------

int TqvGridTree::SubtreeRows(TqvDataEntity_GridTreeNode* theNode)
{
    int count = 1;
    if (TqvDataList_GridTree* sub = theNode->SubDataList)
        for (int p = 0; p < sub->LoadedCount(); ++p)
            if (TqvDataEntity_GridTreeNode* child = AsNode(sub->GetLoaded(p))) count += SubtreeRows(child);
    return count;
}

TqvGridTree::TRowTarget TqvGridTree::NodeAtRow(int theRow)
{
    TRowTarget target;
    if (!GridCell) return target;
    // Rows follow the nodes in depth-first order; an unloaded root stands for one row.
    int k = theRow - GridCell->RowList->FixedCount;
    if (k < 0) return target;
    TqvDataList_GridTree* roots = GetRootDataList();
    const int n = roots->LoadedCount();
    for (int p = 0; p <= n; ++p) {
        const int unloaded = roots->UnloadedBeforeLoaded(p);
        if (k < unloaded) {
            const int next = p < n ? roots->LoadedToListIndex(p) : roots->Count();
            target.UnloadedRoot = next - unloaded + k;
            return target;
        }
        k -= unloaded;
        if (p == n) break;
        TqvDataEntity_GridTreeNode* node = AsNode(roots->GetLoaded(p));
        if (!node) continue;
        int size = SubtreeRows(node);
        if (k >= size) {
            k -= size;
            continue;
        }
        // Down into the subtree.
        while (k > 0) {
            --k;
            TqvDataList_GridTree* sub = node->SubDataList;
            TqvDataEntity_GridTreeNode* next = nullptr;
            for (int c = 0; sub && c < sub->LoadedCount() && !next; ++c) {
                TqvDataEntity_GridTreeNode* child = AsNode(sub->GetLoaded(c));
                size = SubtreeRows(child);
                if (k < size)
                    next = child;
                else
                    k -= size;
            }
            if (!next) return target;
            node = next;
        }
        target.Node = node;
        return target;
    }
    return target;
}

void TqvGridTree::_OnGridRowReload(TAxisContentItem* theItem)
{
    if (!theItem || !theItem->List) return;
    BuildDataLists();
    const QScopedValueRollback depth(ReloadDepth, ReloadDepth + 1);
    TAxisContentList* rows = theItem->List;
    const int pos = theItem->LoadedListIndex();
    // The neighbour's depth-first successor (or predecessor, loading
    // backwards) is the node of the row; without one, the row's place in
    // depth-first order tells.
    TqvDataEntity_GridTreeNode* node = nullptr;
    if (rows->LoadingBackwards) {
        if (TqvDataEntity_GridTreeNode* neighbour = NodeOfRow(rows->getLoadedAxisContentItem(pos + 1)))
            node = neighbour->GetPrev();
    } else if (pos - 1 >= rows->FixedCount) {
        if (TqvDataEntity_GridTreeNode* neighbour = NodeOfRow(rows->getLoadedAxisContentItem(pos - 1)))
            node = neighbour->GetNext();
    }
    if (!node) {
        const TRowTarget target = NodeAtRow(theItem->ListIndex());
        node = target.Node                ? target.Node
               : target.UnloadedRoot >= 0 ? AsNode(RootDataList->Items(target.UnloadedRoot))
                                          : nullptr;
    }
    if (!node) throw Exception(QStringLiteral("No loadeditem found"));
    if (node->Row) throw Exception(QStringLiteral("Unloaded or loaded?"));
    node->Row = theItem;
    node->RowPlaced = true;
    theItem->Data = node;
    theItem->SetValue2(node);
    if (!node->IsVisible()) theItem->SetHide(true);
}

void TqvGridTree::_OnGridRowUnloaded(TAxisContentItem* theItem)
{
    const QScopedValueRollback depth(UnloadDepth, UnloadDepth + 1);
    TqvDataEntity_GridTreeNode* node = NodeOfRow(theItem);
    if (!node) return;
    theItem->SetValue2(nullptr);
    node->Row = nullptr;
    // Purge the node's list, then the lists of the ancestors that have lost
    // their rows too, so that what the list loaded goes with its rows.
    TqvDataList_GridTree* list = node->GetGridTreeList();
    while (list) {
        list->Purge();
        TqvDataEntity_GridTreeNode* owner = list->OwnerEntity;
        if (!owner || owner->Row) break;
        list = owner->GetGridTreeList();
    }
}

void TqvGridTree::_OnKeepGridRowAfterUnload(TAxisContentItem* /*theItem*/, bool& theKeep)
{
    // Every node keeps its row, unloaded: children the application added
    // come back with their parent.
    theKeep = true;
}

void TqvGridTree::_OnUnloadIntervall(TAxisContentItem* theItem, int& theStart, int& theStop)
{
    TqvDataEntity_GridTreeNode* node = NodeOfRow(theItem);
    if (!node || !theItem->List) return;
    TAxisContentList* rows = theItem->List;
    TqvDataEntity_GridTreeNode* root = node->RootNode();
    theStart = root->Row ? root->Row->ListIndex() : rows->FirstLoadedIndex();
    const int next = root->ListIndex() + 1;
    TqvDataEntity_GridTreeNode* nextRoot = AsNode(RootDataList->LoadedItemAt(next));
    theStop = nextRoot && nextRoot->Row ? nextRoot->Row->ListIndex() - 1 : rows->LastLoadedIndex();
}

void TqvGridTree::_OnDeleteOfUnloaded(TAxisContentList* theList, int& theFrom, int& theTo)
{
    if (!GridCell || theList != GridCell->RowList.get() || theTo < theFrom) return;
    BuildDataLists();
    // Unloaded roots are deleted by index (no notification); nodes that exist
    // are removed, children before their parents, and take their rows
    // off the counts themselves. The bounds come back covering only the
    // unloaded roots, which the axis takes off.
    std::vector<int> unloadedRoots;
    std::vector<TqvDataEntity_GridTreeNode*> nodes;
    // Rows before the loaded roots' subtrees, between the window's and the
    // tail's, and after them stand for unloaded roots one each; only rows of
    // loaded roots need the walk. Each stretch: first row, rows, first root.
    TqvDataList_GridTree* roots = RootDataList;
    struct TStretch {
        int Row, Rows, Root;
    };
    std::vector<TStretch> stretches;
    int row = 0;
    for (int p = 0; p <= roots->LoadedCount(); ++p) {
        const int unloaded = roots->UnloadedBeforeLoaded(p);
        const int next = p < roots->LoadedCount() ? roots->LoadedToListIndex(p) : roots->Count();
        if (unloaded > 0) stretches.push_back({row, unloaded, next - unloaded});
        row += unloaded;
        if (p < roots->LoadedCount())
            if (TqvDataEntity_GridTreeNode* node = AsNode(roots->GetLoaded(p))) row += SubtreeRows(node);
    }
    for (int r = theFrom; r <= theTo; ++r) {
        const int k = r - theList->FixedCount;
        const auto stretch = std::find_if(stretches.begin(), stretches.end(), [k](const TStretch& s) {
            return k >= s.Row && k < s.Row + s.Rows;
        });
        if (stretch != stretches.end()) {
            unloadedRoots.push_back(stretch->Root + (k - stretch->Row));
            continue;
        }
        const TRowTarget target = NodeAtRow(r);
        if (target.Node)
            nodes.push_back(target.Node);
        else if (target.UnloadedRoot >= 0)
            unloadedRoots.push_back(target.UnloadedRoot);
    }
    std::sort(unloadedRoots.begin(), unloadedRoots.end(), std::greater<int>());
    for (int index : unloadedRoots)
        RootDataList->Delete(index);
    for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
        TqvDataEntity_GridTreeNode* node = *it;
        if (TqvDataList* list = node->GetDataList()) list->Remove(node);
    }
    theTo = theFrom + static_cast<int>(unloadedRoots.size()) - 1;
}

bool TqvGridTree::CheckInvariants(QString* theWhy)
{
    auto fail = [&](const QString& why) {
        if (theWhy != nullptr) *theWhy = why;
        return false;
    };
    if (!GridCell || !RootDataList) return true;
    TAxisContentList* rows = GridCell->RowList.get();
    QString axis;
    if (!rows->CheckInvariants(&axis)) return fail(axis);
    // Depth-first walk: expected row count, and the loaded rows in order.
    int expected = rows->FixedCount + RootDataList->Count() - RootDataList->LoadedCount();
    std::vector<TqvDataEntity_GridTreeNode*> loadedInOrder;
    std::function<bool(TqvDataList_GridTree*)> walk = [&](TqvDataList_GridTree* list) {
        for (int p = 0; p < list->LoadedCount(); ++p) {
            TqvDataEntity_GridTreeNode* n = AsNode(list->GetLoaded(p));
            if (!n->RowPlaced) return fail(QStringLiteral("a node without a row"));
            ++expected;
            if (n->Row) {
                if (n->Row->Value2 != n || n->Row->List != rows)
                    return fail(QStringLiteral("a row and its node disagree"));
                if (n->Row->Hidden == n->IsVisible())
                    return fail(QStringLiteral("a row's hidden flag is wrong"));
                loadedInOrder.push_back(n);
            }
            if (n->SubDataList && !walk(n->SubDataList)) return false;
        }
        return true;
    };
    if (!walk(RootDataList)) return false;
    if (expected != rows->Count())
        return fail(QStringLiteral("%1 rows for %2 nodes and fixed rows").arg(rows->Count()).arg(expected));
    const int loadedRows = rows->LoadedCount() - std::min(rows->FixedCount, rows->LoadedCount());
    if (static_cast<int>(loadedInOrder.size()) != loadedRows) {
        // Names the first loaded row out of step, for whoever has to find why.
        QString first;
        for (int k = 0; k < loadedRows; ++k) {
            TAxisContentItem* row = rows->getLoadedAxisContentItem(rows->FixedCount + k);
            if (k < static_cast<int>(loadedInOrder.size()) &&
                loadedInOrder[static_cast<size_t>(k)]->Row == row)
                continue;
            auto* node = dynamic_cast<TqvDataEntity_GridTreeNode*>(row->Value2);
            first = QStringLiteral(" (loaded row %1 of %2, list index %3, %4)")
                        .arg(k)
                        .arg(loadedRows)
                        .arg(row->ListIndex())
                        .arg(node == nullptr                 ? QStringLiteral("no node")
                             : node->Row != row              ? QStringLiteral("its node has another row")
                             : node->ParentNode() == nullptr ? QStringLiteral("a root's row")
                                                             : QStringLiteral("a child's row"));
            break;
        }
        return fail(QStringLiteral("%1 loaded rows for %2 nodes with rows%3")
                        .arg(loadedRows)
                        .arg(loadedInOrder.size())
                        .arg(first));
    }
    for (size_t k = 0; k < loadedInOrder.size(); ++k)
        if (rows->getLoadedAxisContentItem(rows->FixedCount + static_cast<int>(k)) != loadedInOrder[k]->Row)
            return fail(QStringLiteral("the loaded rows are not in depth-first order"));
    // The rows before the block stand for the nodes before the first loaded one.
    if (!loadedInOrder.empty()) {
        const TRowTarget first = NodeAtRow(rows->FirstLoadedIndex());
        if (first.Node != loadedInOrder.front())
            return fail(
                QStringLiteral("the unloaded rows before the block do not match the nodes before it"));
    }
    return true;
}

} // namespace skedra
