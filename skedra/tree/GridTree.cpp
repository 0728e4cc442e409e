// The grid tree: nodes in data lists, one grid row per node in depth-first
// order, lazy children, expansion through hidden rows, and the mirroring of
// the grid's virtual row loading into the lists.

#include "skedra/tree/GridTree.h"

#include <algorithm>

namespace skedra {

namespace {
class TDepthGuard {
public:
    explicit TDepthGuard(int32_t& depth) : depth_(depth) { ++depth_; }
    ~TDepthGuard() { --depth_; }
    TDepthGuard(const TDepthGuard&) = delete;
    TDepthGuard& operator=(const TDepthGuard&) = delete;

private:
    int32_t& depth_;
};

TqvDataEntity_GridTreeNode* AsNode(TqvDataEntity* e) { return dynamic_cast<TqvDataEntity_GridTreeNode*>(e); }
} // namespace

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
    // Children first: their rows follow this node's row and go last to first.
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
    TqvGridTree* tree = GetGridTree();
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
    for (const TqvDataEntity_GridTreeNode* n = ParentNode(); n; n = n->ParentNode()) ++level;
    return level;
}

TqvDataEntity_GridTreeNode* TqvDataEntity_GridTreeNode::RootNode()
{
    TqvDataEntity_GridTreeNode* node = this;
    while (TqvDataEntity_GridTreeNode* parent = node->ParentNode()) node = parent;
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

int TqvDataEntity_GridTreeNode::GetSubDataListCount() const { return SubDataList ? SubDataList->Count() : 0; }

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
    while (node && !node->IsVisible()) node = node->GetNext();
    return node;
}

TqvDataEntity_GridTreeNode* TqvDataEntity_GridTreeNode::GetPrevVisible()
{
    TqvDataEntity_GridTreeNode* node = GetPrev();
    while (node && !node->IsVisible()) node = node->GetPrev();
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

namespace {
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
    if (!tree || !tree->GridCell || Row) return;
    TAxisContentList* rows = tree->GridCell->RowList.get();
    TqvDataEntity_GridTreeNode* prev = GetPrev();
    int index;
    if (!prev) {
        index = rows->FixedCount;
    } else if (prev->Row) {
        index = prev->Row->ListIndex() + 1;
    } else {
        // The predecessor's row is unloaded. Only a root node stands for an
        // unloaded row (rows below a root are never kept unloaded); it counts
        // on the side of the loaded block where it lies.
        if (ParentNode()) return;
        const int first = rows->FirstLoadedIndex();
        TqvDataEntity_GridTreeNode* firstNode =
            first >= 0 ? TqvGridTree::NodeOfRow(rows->getLoadedAxisContentItem(rows->IndexConvert_RealToLoaded(first)))
                       : nullptr;
        if (firstNode && ListIndex() < firstNode->RootNode()->ListIndex()) {
            rows->AddUnloadedBefore(1);
        } else {
            rows->AddUnloaded(1);
        }
        return;
    }
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

void TqvDataList_GridTree::AddUnloaded(int aCount)
{
    TqvDataList::AddUnloaded(aCount);
    if (GridTree && GridTree->RootDataList == this && GridTree->GridCell && aCount > 0)
        GridTree->GridCell->RowList->AddUnloaded(aCount);
}

// ---------------------------------------------------------------------------
// TqvGridTree

TqvGridTree::TqvGridTree(TOnTreeControllerCallBackInitSubList theOnInitSubDataList)
    : OnInitSubDataList(std::move(theOnInitSubDataList))
{
    DataLists = CreateDataList2Lev();
    FController = std::make_unique<TqvListController>();
    Controller = FController.get();
    RootDataList = CreateDataList_GridTree();
    RootDataList->AfterCreate(Controller, GetClassOfDataEntity_GridTreeNode());
    DataLists->Add(RootDataList);
    Controller->OnDeleteItem = MakeMethod<&TqvGridTree::_DeleteItem>(this);
    Controller->OnInsertItem = MakeMethod<&TqvGridTree::_InsertItem>(this);
    Controller->OnSelectionChanged = MakeMethod<&TqvGridTree::_SelectionChanged>(this);
    Controller->OnContentChanged = MakeMethod<&TqvGridTree::_ContentChanged>(this);
    Controller->OnUnLoadedContentChanged = MakeMethod<&TqvGridTree::_OnUnLoadedContentChanged>(this);
    Controller->OnSortCompare = MakeMethod<&TqvGridTree::_SortCompare>(this);
    Controller->OnVisibleChanged = MakeMethod<&TqvGridTree::_OnVisibleChanged>(this);
    Controller->OnHandlePerformedMove = MakeMethod<&TqvGridTree::_OnHandlePerformedMove>(this);
    Controller->OnEnterOwnerAfterChange = MakeMethod<&TqvGridTree::_OnEnterOwnerAfterChange>(this);
    Controller->OnLoadItem = MakeMethod<&TqvGridTree::_OnLoadItem>(this);
    Controller->OnUnloadItem = MakeMethod<&TqvGridTree::_OnUnloadItem>(this);
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

TqvDataEntityClass TqvGridTree::GetClassOfDataEntity_GridTreeNode() { return ClassOf<TqvDataEntity_GridTreeNode>(); }

TqvDataEntity_GridTreeNode* TqvGridTree::AddDataEntity(TqvDataEntity_GridTreeNode* theParent)
{
    TqvDataList* list = theParent ? theParent->GetSubDataList() : RootDataList;
    if (!list) return nullptr;
    return AsNode(list->Add());
}

TqvDataEntity_GridTreeNode* TqvGridTree::InsertDataEntity(TqvDataEntity_GridTreeNode* theParent, int theIndex)
{
    TqvDataList* list = theParent ? theParent->GetSubDataList() : RootDataList;
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

void TqvGridTree::ExpandAll() { SetExpandedState(RootDataList, true); }
void TqvGridTree::CollapseAll() { SetExpandedState(RootDataList, false); }

void TqvGridTree::IntegrationTargetInvalidate() { Integrate(ieInvalidate, nullptr); }

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

void TqvGridTree::_OnVisibleChanged(TqvDataEntity* theDataEntity) { Integrate(ieVisibleChanged, theDataEntity); }

void TqvGridTree::_InitSubDataList(TqvDataEntity_GridTreeNode* theNode)
{
    if (OnInitSubDataList) OnInitSubDataList(this, theNode);
}

void TqvGridTree::_OnHandlePerformedMove(TqvDataEntity* theDataEntity, int /*theOldIndex*/, int /*theNewIndex*/)
{
    Integrate(ieMovePerfomed, theDataEntity);
    HandleMoveOfTreeNode(AsNode(theDataEntity));
}

void TqvGridTree::_OnEnterOwnerAfterChange(TqvDataEntity* theDataEntity) { HandleMoveOfTreeNode(AsNode(theDataEntity)); }

void TqvGridTree::HandleMoveOfTreeNode(TqvDataEntity_GridTreeNode* theNode)
{
    if (!theNode || !theNode->Row || !GridCell) return;
    TAxisContentList* rows = theNode->Row->List;
    TqvDataEntity_GridTreeNode* prev = theNode->GetPrev();
    int a;
    if (!prev)
        a = rows->FixedCount - 1;
    else if (prev->Row)
        a = prev->Row->ListIndex();
    else
        a = rows->FirstLoadedIndex() - 1; // the predecessor is unloaded, before the loaded rows
    const int i = theNode->Row->ListIndex();
    if (i > a)
        rows->Move(i, a + 1);
    else if (i < a)
        rows->Move(i, a);
    theNode->UpdateVisibility();
    if (TqvDataList_GridTree* sub = theNode->SubDataList)
        for (int p = 0; p < sub->LoadedCount(); ++p) HandleMoveOfTreeNode(AsNode(sub->GetLoaded(p)));
}

void TqvGridTree::_OnLoadItem(TqvDataEntity* theDataEntity)
{
    TqvDataEntity_GridTreeNode* node = AsNode(theDataEntity);
    if (!node) return;
    if (ReloadDepth == 0 && node->ParentNode()) node->InitGridRow();
    Integrate(ieLoad, node);
}

void TqvGridTree::_OnUnloadItem(TqvDataEntity* theDataEntity, bool& theCanUnload)
{
    TqvDataEntity_GridTreeNode* node = AsNode(theDataEntity);
    if (!node) return;
    // A node goes only once its row and every loaded child are gone.
    theCanUnload = !node->Row && (!node->SubDataList || node->SubDataList->LoadedCount() == 0);
    if (theCanUnload) Integrate(ieUnload, node);
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

void TqvGridTree::_OnGridRowReload(TAxisContentItem* theItem)
{
    if (!theItem || !theItem->List) return;
    TDepthGuard depth(ReloadDepth);
    TAxisContentList* rows = theItem->List;
    const int pos = theItem->LoadedListIndex();
    // Unloaded rows stand for root nodes only, so the neighbour's root tells
    // which root this row belongs to.
    TqvDataEntity_GridTreeNode* neighbour = nullptr;
    if (rows->LoadingBackwards)
        neighbour = NodeOfRow(rows->getLoadedAxisContentItem(pos + 1));
    else if (pos - 1 >= rows->FixedCount)
        neighbour = NodeOfRow(rows->getLoadedAxisContentItem(pos - 1));
    int rootIndex;
    if (neighbour)
        rootIndex = neighbour->RootNode()->ListIndex() + (rows->LoadingBackwards ? -1 : 1);
    else
        rootIndex = std::min(theItem->ListIndex() - rows->FixedCount, RootDataList->Count() - 1);
    TqvDataEntity_GridTreeNode* node =
        rootIndex >= 0 && rootIndex < RootDataList->Count() ? AsNode(RootDataList->Items(rootIndex)) : nullptr;
    if (!node) throw Exception(QStringLiteral("No loadeditem found"));
    if (node->Row) throw Exception(QStringLiteral("Unloaded or loaded?"));
    // Whatever was below the node went with its row; it starts collapsed and
    // asks for its children again.
    if (node->SubDataList || node->SubListInitialised || node->Expanded) {
        DeInitSubList(node);
        node->SubListInitialised = false;
        node->Expanded = false;
    }
    node->Row = theItem;
    theItem->Data = node;
    theItem->SetValue2(node);
    if (!node->IsVisible()) theItem->SetHide(true);
}

void TqvGridTree::_OnGridRowUnload(TAxisContentItem* theItem, bool theUnloadPerform, bool& /*theCanUnload*/)
{
    TDepthGuard depth(UnloadDepth);
    TqvDataEntity_GridTreeNode* node = NodeOfRow(theItem);
    if (!node || !theUnloadPerform) return;
    theItem->SetValue2(nullptr);
    node->Row = nullptr;
    // Purge the node's list, then the lists of the ancestors that have lost
    // their rows too, so a subtree that went row by row leaves no entities.
    TqvDataList_GridTree* list = node->GetGridTreeList();
    while (list) {
        list->Purge();
        TqvDataEntity_GridTreeNode* owner = list->OwnerEntity;
        if (!owner || owner->Row) break;
        list = owner->GetGridTreeList();
    }
}

void TqvGridTree::_OnKeepGridRowAfterUnload(TAxisContentItem* theItem, bool& theKeep)
{
    theKeep = true;
    if (TqvDataEntity_GridTreeNode* node = NodeOfRow(theItem); node && node->GetLevel() >= 1) theKeep = false;
}

void TqvGridTree::_OnUnloadIntervall(TAxisContentItem* theItem, int& theStart, int& theStop)
{
    TqvDataEntity_GridTreeNode* node = NodeOfRow(theItem);
    if (!node || !theItem->List) return;
    TAxisContentList* rows = theItem->List;
    TqvDataEntity_GridTreeNode* root = node->RootNode();
    theStart = root->Row ? root->Row->ListIndex() : rows->FirstLoadedIndex();
    const int next = root->ListIndex() + 1;
    TqvDataEntity_GridTreeNode* nextRoot =
        RootDataList->IsLoaded(next) ? AsNode(RootDataList->GetLoaded(next - RootDataList->GetUnloadedBefore())) : nullptr;
    theStop = nextRoot && nextRoot->Row ? nextRoot->Row->ListIndex() - 1 : rows->LastLoadedIndex();
}

int TqvGridTree::RootIndexOfUnloadedRow(TAxisContentList* theRows, int theRow)
{
    // Rows before the loaded block are one per root; so are rows after it,
    // counted on from the root of the last loaded row.
    const int before = std::min(theRows->FixedCount, theRows->LoadedCount());
    if (theRow < before + theRows->UnloadedBefore) return theRow - before;
    const int last = theRows->LastLoadedIndex();
    if (last < 0) return theRow - before;
    TqvDataEntity_GridTreeNode* lastNode =
        NodeOfRow(theRows->getLoadedAxisContentItem(theRows->IndexConvert_RealToLoaded(last)));
    const int base = lastNode ? lastNode->RootNode()->ListIndex() + 1 : theRows->UnloadedBefore;
    return base + (theRow - (last + 1));
}

void TqvGridTree::_OnDeleteOfUnloaded(TAxisContentList* theList, int theFrom, int theTo)
{
    if (!GridCell || theList != GridCell->RowList.get() || theTo < theFrom) return;
    std::vector<int> roots;
    roots.reserve(static_cast<size_t>(theTo - theFrom + 1));
    for (int r = theTo; r >= theFrom; --r) roots.push_back(RootIndexOfUnloadedRow(theList, r));
    std::sort(roots.begin(), roots.end(), std::greater<int>());
    for (int index : roots) RootDataList->Delete(index);
}

} // namespace skedra
