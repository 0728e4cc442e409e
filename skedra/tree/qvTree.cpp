// The data-bound tree: entities and their nodes, construction, the hierarchy,
// selection, scrolling and geometry, and the platform overrides for input,
// expansion and label editing.
#include "skedra/tree/qvTree.h"

#include <QScopedValueRollback>

#include <functional>

#include "skedra/foundation/DoLater.h"
#include "skedra/platform/DateTime.h"
#include "skedra/platform/Messages.h"

namespace skedra
{

namespace
{

TqvDataList* MakeTreeList()
{
    return new TqvDataList_Tree();
}

// One second as a TDateTime.
constexpr double kEditGuard = 1.0 / SecsPerDay;

} // namespace

// ===========================================================================
// TqvDataEntity_Tree

void TqvDataEntity_Tree::AfterCreate(TqvDataList* theList)
{
    TqvDataEntity::AfterCreate(theList);
    ImageIndex = 0;
    SelectedIndex = 0;
    Expanded = false;
    HideNode = false;
}

void TqvDataEntity_Tree::CleanForFree()
{
    TqvDataEntity::CleanForFree();
    if (Node != nullptr) {
        auto* sub = dynamic_cast<TTreeNode_qvSub*>(Node);
        if (sub == nullptr || !sub->Destroying) Node->SetData(nullptr);
    }
    Node = nullptr;
    SubDataList = nullptr;
    DummyNode = nullptr;
}

TqvTree_ComBasic* TqvDataEntity_Tree::Tree() const
{
    TqvDataList* list = GetDataList();
    if (list == nullptr) return nullptr;
    auto* controller = dynamic_cast<TqvListController_Tree*>(list->GetController());
    return controller ? controller->Tree : nullptr;
}

TqvDataEntity_Tree* TqvDataEntity_Tree::ParentNode() const
{
    auto* list = dynamic_cast<TqvDataList_Tree*>(GetDataList());
    return list ? list->OwnerEntity : nullptr;
}

int TqvDataEntity_Tree::GetLevel() const
{
    int level = 0;
    for (TqvDataEntity_Tree* p = ParentNode(); p != nullptr; p = p->ParentNode())
        ++level;
    return level;
}

void TqvDataEntity_Tree::SetText(const QString& theText)
{
    if (theText.length() > kMaxTreeTextLength)
        throw Exception(QStringLiteral("Treenodes only allow strings smaller than 255 chars"));
    if (Node != nullptr) Node->SetText(theText);
    Text = theText;
}

void TqvDataEntity_Tree::SetImageIndex(int theValue)
{
    ImageIndex = theValue;
    if (Node != nullptr) Node->SetImageIndex(theValue);
}

void TqvDataEntity_Tree::SetSelectedIndex(int theValue)
{
    SelectedIndex = theValue;
    if (Node != nullptr) Node->SetSelectedIndex(theValue);
}

void TqvDataEntity_Tree::SetFontName(const QString& theValue)
{
    FontName = theValue;
    if (TqvTree_ComBasic* tree = Tree()) tree->Viewport()->update();
}

void TqvDataEntity_Tree::SetFontStyle(const TFontStyles& theValue)
{
    FontStyle = theValue;
    if (TqvTree_ComBasic* tree = Tree()) tree->Viewport()->update();
}

void TqvDataEntity_Tree::SetExpanded(bool theValue)
{
    Expanded = theValue;
    TqvTree_ComBasic* tree = Tree();
    if (Node != nullptr) {
        Node->SetExpanded(theValue);
        Expanded = theValue;
        return;
    }
    if (tree == nullptr) return;
    tree->DisplayOutOfDate();
    if (theValue && !tree->Updating && !tree->InExpand) {
        // The node is created expanded now; its children follow at the next paint.
        tree->EnsureDisplayUpToDate();
        tree->DisplayOutOfDate();
    }
}

void TqvDataEntity_Tree::Set_HideNode(bool theValue)
{
    HideNode = theValue;
    if (TqvTree_ComBasic* tree = Tree()) tree->DisplayOutOfDate();
}

void TqvDataEntity_Tree::SetVisible(bool b)
{
    TqvDataEntity::SetVisible(b);
    if (TqvTree_ComBasic* tree = Tree()) tree->DisplayOutOfDate();
}

bool TqvDataEntity_Tree::GetVisible() const
{
    if (Node == nullptr || !Node->IsVisible()) return false;
    TqvDataEntity_Tree* parent = ParentNode();
    return parent == nullptr || parent->GetVisible();
}

TqvDataEntity_Tree* TqvDataEntity_Tree::GetNextVisible() const
{
    if (Node == nullptr) return nullptr;
    TqvTree_ComBasic* tree = Tree();
    return tree ? tree->GetDataEntityFromNode(Node->GetNextVisible()) : nullptr;
}

TqvDataEntity_Tree* TqvDataEntity_Tree::GetPrevVisible() const
{
    if (Node == nullptr) return nullptr;
    TqvTree_ComBasic* tree = Tree();
    return tree ? tree->GetDataEntityFromNode(Node->GetPrevVisible()) : nullptr;
}

void TqvDataEntity_Tree::EditText()
{
    if (Node != nullptr) Node->EditText();
}

// ===========================================================================
// TTreeNode_qvSub

TTreeNode_qvSub::~TTreeNode_qvSub()
{
    Destroying = true;
    MarkDeleting();
    if (auto* entity = dynamic_cast<TqvDataEntity_Tree*>(GetData())) {
        entity->Node = nullptr;
        entity->DummyNode = nullptr;
    }
    auto* tree = dynamic_cast<TqvTree_ComBasic*>(GetTreeView());
    if (tree != nullptr && !tree->FBeingDestroyed) {
        SetData(nullptr);
        tree->NodeGone(this);
    }
}

// ===========================================================================
// TqvTree_ComBasic: construction and destruction

TqvTree_ComBasic::TqvTree_ComBasic(QWidget* aParent) : TCustomTreeView(aParent)
{
    InitializeInConstructor();
}

void TqvTree_ComBasic::InitializeInConstructor()
{
    Initialize();
}

TqvDataList2lev* TqvTree_ComBasic::CreateDataList2Lev()
{
    auto* lists = new TqvDataList2lev();
    lists->AfterCreate();
    return lists;
}

void TqvTree_ComBasic::Initialize()
{
    DataListClass = &MakeTreeList;
    DataEntityClass = ClassOf<TqvDataEntity_Tree>();
    Updating = false;
    ScrollBarHorz = true;
    ScrollBarVert = true;

    GetItems()->Clear();
    NodesToDelete.clear();
    InExpand = false;
    MaxLevels = -1;
    SetHideSelection(false);
    // Lines and buttons at the root are always drawn.
    SetShowRoot(true);
    MultiSelect = false;
    SelectAnchor = nullptr;

    OnCustomDrawItem = MakeMethod<&TqvTree_ComBasic::qvCustomDrawItem>(this);
    OnAdvancedCustomDrawItem = MakeMethod<&TqvTree_ComBasic::qvAdvancedCustomDrawItem>(this);
}

void TqvTree_ComBasic::BuildDataLists()
{
    if (Controller != nullptr) return;
    DataLists = CreateDataList2Lev();
    Controller = CreateListController();
    Controller->Tree = this;
    Controller->OnDeleteItem = MakeMethod<&TqvTree_ComBasic::_DeleteItem>(this);
    Controller->OnInsertItem = MakeMethod<&TqvTree_ComBasic::_InsertItem>(this);
    Controller->OnEnterOwnerAfterChange = MakeMethod<&TqvTree_ComBasic::_EnterOwnerAfterChange>(this);
    Controller->OnLeaveOwnerBeforeChange = MakeMethod<&TqvTree_ComBasic::_LeaveOwnerBeforeChange>(this);
    Controller->OnInfoPush = MakeMethod<&TqvTree_ComBasic::_OnInfoPush>(this);
    Controller->OnSortCompare = MakeMethod<&TqvTree_ComBasic::_SortCompare>(this);
    Controller->OnBeforeCanEditItem = MakeMethod<&TqvTree_ComBasic::_OnBeforeCanEditItem>(this);
    Controller->OnVisibleChanged = MakeMethod<&TqvTree_ComBasic::_OnVisibleChanged>(this);
    Controller->OnContentChanged = MakeMethod<&TqvTree_ComBasic::_ContentChanged>(this);
    Controller->OnSelectionChanged = MakeMethod<&TqvTree_ComBasic::_SelectionChanged>(this);
    Controller->OnHandlePerformedMove = MakeMethod<&TqvTree_ComBasic::_OnHandlePerformedMove>(this);
    RootDataList = NewList(nullptr);
}

TqvDataList_Tree* TqvTree_ComBasic::GetRootDataList() const
{
    const_cast<TqvTree_ComBasic*>(this)->BuildDataLists();
    return RootDataList;
}

TqvDataList2lev* TqvTree_ComBasic::GetDataLists() const
{
    const_cast<TqvTree_ComBasic*>(this)->BuildDataLists();
    return DataLists;
}

TqvListController_Tree* TqvTree_ComBasic::GetController() const
{
    const_cast<TqvTree_ComBasic*>(this)->BuildDataLists();
    return Controller;
}

TqvListController_Tree* TqvTree_ComBasic::CreateListController()
{
    return new TqvListController_Tree();
}

TqvDataList_Tree* TqvTree_ComBasic::CreateDataList()
{
    TqvDataList* raw = DataListClass ? DataListClass() : MakeTreeList();
    auto* list = dynamic_cast<TqvDataList_Tree*>(raw);
    if (list == nullptr) {
        raw->FreeWheneverPossible();
        throw EInvalidCast(QStringLiteral("The tree's lists must be TqvDataList_Tree"));
    }
    return list;
}

TqvDataList_Tree* TqvTree_ComBasic::NewList(TqvDataEntity_Tree* theOwner)
{
    TqvDataList_Tree* list = CreateDataList();
    list->AfterCreate(Controller, DataEntityClass);
    list->OwnerEntity = theOwner;
    DataLists->Add(list);
    return list;
}

TqvTree_ComBasic::~TqvTree_ComBasic()
{
    PendingCurrent = nullptr;
    GuardedCall([&] { EnsureDisplayUpToDate(); });
    FBeingDestroyed = true;
    MarkTreeDestroying();
    GuardedCall([&] { Clear(); });
    if (RootDataList != nullptr) RootDataList->FreeWheneverPossible();
    RootDataList = nullptr;
    if (DataLists != nullptr) DataLists->FreeWheneverPossible();
    DataLists = nullptr;
    delete Controller;
    Controller = nullptr;
    NodesToDelete.clear();
    NeverMindLocal(lcSetCurrentDataEntity);
    NeverMindLocal(lcMakeSureSelectedAndFocusedAreTheSame);
    // The nodes refer to this tree while they go.
    GetItems()->Clear();
}

TqvTree::TqvTree(QWidget* aParent) : TqvTree_ComBasic(aParent)
{
    SetBorderStyle(bsSingle);
    SetColor(clWindow);
    SetTabStop(true);
}

// ===========================================================================
// Building the hierarchy

TqvDataEntity_Tree* TqvTree_ComBasic::AddDataEntity(TqvDataEntity_Tree* theParent)
{
    TqvDataList_Tree* list = theParent ? theParent->SubDataList : GetRootDataList();
    if (list == nullptr)
        throw EInvalidOperation(QStringLiteral("The parent entity does not belong to a tree"));
    return static_cast<TqvDataEntity_Tree*>(list->Add());
}

TqvDataEntity_Tree* TqvTree_ComBasic::InsertDataEntity(TqvDataEntity_Tree* theParent, int theIndex)
{
    TqvDataList_Tree* list = theParent ? theParent->SubDataList : GetRootDataList();
    if (list == nullptr)
        throw EInvalidOperation(QStringLiteral("The parent entity does not belong to a tree"));
    return static_cast<TqvDataEntity_Tree*>(list->Insert(theIndex));
}

void TqvTree_ComBasic::RemoveDataEntity(TqvDataEntity_Tree* theEntity)
{
    if (theEntity == nullptr || theEntity->GetDataList() == nullptr) return;
    // A handler of the selection change may remove the entity first.
    TqvExposable::TKeepAlive keep(theEntity);
    // The native selection, without a display update: removals come in bursts.
    if (theEntity == GetDataEntityFromNode(GetSelected())) TCustomTreeView::SetSelected(nullptr);
    if (theEntity->GetDataList() != nullptr && !theEntity->IsFreePending())
        theEntity->GetDataList()->Remove(theEntity);
}

void TqvTree_ComBasic::ChangeOwner(TqvDataEntity_Tree* theEntity, TqvDataEntity_Tree* theNewParent)
{
    if (theEntity == nullptr || theNewParent == nullptr || theEntity == theNewParent) return;
    if (theNewParent->SubDataList == nullptr) return;
    // Moving an entity under its own descendant would cut the subtree off the tree.
    for (TqvDataEntity_Tree* p = theNewParent->ParentNode(); p != nullptr; p = p->ParentNode()) {
        if (p == theEntity) return;
    }
    theEntity->ChangeOwner(theNewParent->SubDataList, theNewParent->SubDataList->Count());
}

void TqvTree_ComBasic::Clear()
{
    if (RootDataList == nullptr) return;
    // Every list but the root goes; forgetting them first spares each
    // deletion a search through all lists. Until the last entity is gone the
    // remaining ones have lists the tree no longer knows: handlers that ask
    // for the display meanwhile get the one from before.
    const QScopedValueRollback clearing(FClearing, true);
    DataLists->Clear();
    DataLists->Add(RootDataList);
    RootDataList->Clear();
    if (!FBeingDestroyed) {
        for (int i = DataLists->Count() - 1; i >= 0; --i)
            DataLists->GetDataList(i)->Clear();
    }
    for (int i = DataLists->Count() - 1; i >= 1; --i) {
        TqvDataList* list = DataLists->GetDataList(i);
        DataLists->Delete(i);
        list->FreeWheneverPossible();
    }
    DataLists->Clear();
    if (!FBeingDestroyed) DataLists->Add(RootDataList);
}

// ===========================================================================
// Current entity and selection

TqvDataEntity_Tree* TqvTree_ComBasic::GetDataEntityFromNode(const TTreeNode* theNode) const
{
    return theNode ? dynamic_cast<TqvDataEntity_Tree*>(theNode->GetData()) : nullptr;
}

TqvDataEntity_Tree* TqvTree_ComBasic::GetDataEntityAt(int X, int Y) const
{
    return GetDataEntityFromNode(GetNodeAt(X, Y));
}

TqvDataEntity_Tree* TqvTree_ComBasic::GetCurrentDataEntity()
{
    EnsureDisplayUpToDate();
    return GetDataEntityFromNode(GetSelected());
}

void TqvTree_ComBasic::SetCurrentDataEntity(TqvDataEntity_Tree* theEntity)
{
    DisplayDirty = true;
    PendingCurrent = theEntity;
    DoLaterLocal(lcSetCurrentDataEntity);
}

void TqvTree_ComBasic::SetCurrentDataEntity_Async(TObject*)
{
    EnsureDisplayUpToDate();
    TTreeNode* node = PendingCurrent ? PendingCurrent->Node : nullptr;
    TCustomTreeView::SetSelected(node);
}

void TqvTree_ComBasic::MakeSure_SelectedAndFocusedAreTheSame_Async(TObject*)
{
    TqvDataEntity_Tree* current = GetCurrentDataEntity();
    if (current != nullptr && !current->GetSelected()) UpdateMultiSelect(current, TShiftState());
}

void TqvTree_ComBasic::DoLaterLocal(TLocalCall theCall)
{
    if (theCall == lcSetCurrentDataEntity)
        TDoLater::DoLater(MakeMethod<&TqvTree_ComBasic::SetCurrentDataEntity_Async>(this));
    else
        TDoLater::DoLater(MakeMethod<&TqvTree_ComBasic::MakeSure_SelectedAndFocusedAreTheSame_Async>(this));
}

void TqvTree_ComBasic::NeverMindLocal(TLocalCall theCall)
{
    if (theCall == lcSetCurrentDataEntity)
        TDoLater::NeverMind(MakeMethod<&TqvTree_ComBasic::SetCurrentDataEntity_Async>(this));
    else
        TDoLater::NeverMind(MakeMethod<&TqvTree_ComBasic::MakeSure_SelectedAndFocusedAreTheSame_Async>(this));
}

void TqvTree_ComBasic::ClearAllSelections()
{
    if (DataLists == nullptr) return;
    for (int i = 0; i < DataLists->Count(); ++i)
        DataLists->GetDataList(i)->ClearSelections();
}

void TqvTree_ComBasic::UpdateMultiSelect(TqvDataEntity_Tree* theEntity, TShiftState theShift)
{
    if (theEntity != GetCurrentDataEntity()) LastCurrentChangeTime = CurrentTime();
    if (theEntity == nullptr) {
        SelectAnchor = nullptr;
        ClearAllSelections();
        return;
    }
    if (MultiSelect && theShift.Contains(ssShift)) {
        if (SelectAnchor == nullptr) SelectAnchor = theEntity->Node;
        TqvDataEntity_Tree* anchor = GetDataEntityFromNode(SelectAnchor);
        if (anchor != nullptr && theEntity->Node != nullptr) {
            // The range runs in the tree's order over every shown entity,
            // those inside collapsed subtrees included (they may have no
            // node yet); collected first, as selecting runs handlers.
            std::vector<TqvDataEntity_Tree*> range;
            int inRange = 0; // 0 before the range, 1 inside, 2 after
            std::function<void(TqvDataList_Tree*)> walk = [&](TqvDataList_Tree* list) {
                for (int i = 0; i < list->LoadedCount() && inRange < 2; ++i) {
                    auto* e = static_cast<TqvDataEntity_Tree*>(list->GetLoaded(i));
                    if (e->HideNode) continue;
                    const bool end = e == anchor || e == theEntity;
                    if (end && inRange == 0) {
                        inRange = 1;
                        range.push_back(e);
                        if (anchor == theEntity) inRange = 2;
                    } else if (inRange == 1) {
                        range.push_back(e);
                        if (end) inRange = 2;
                    }
                    if (e->SubDataList != nullptr && inRange < 2) walk(e->SubDataList);
                }
            };
            walk(GetRootDataList());
            if (!theShift.Contains(ssCtrl)) ClearAllSelections();
            for (TqvDataEntity_Tree* e : range)
                e->SetSelected(true);
        }
        return;
    }
    if (MultiSelect && theShift.Contains(ssCtrl)) {
        SelectAnchor = theEntity->Node;
        theEntity->SetSelected(!theEntity->GetSelected());
        return;
    }
    SelectAnchor = theEntity->Node;
    ClearAllSelections();
    theEntity->SetSelected(true);
    SetCurrentDataEntity(theEntity);
}

// ===========================================================================
// Scrolling and geometry

void TqvTree_ComBasic::RefreshForQuery() const
{
    // Geometry questions answer for the data as it is now.
    if (DisplayDirty && !Updating && !InExpand && !FBeingDestroyed)
        const_cast<TqvTree_ComBasic*>(this)->EnsureDisplayUpToDate();
}

TqvDataEntity_Tree* TqvTree_ComBasic::GetTopItem() const
{
    RefreshForQuery();
    TTreeNode* node = TCustomTreeView::GetTopItem();
    if (node == nullptr || node->IsDeleting()) return nullptr;
    if (auto* sub = dynamic_cast<TTreeNode_qvSub*>(node); sub && (sub->Destroying || sub->FDeleteSlot >= 0))
        return nullptr;
    return GetDataEntityFromNode(node);
}

void TqvTree_ComBasic::SetTopItem(TqvDataEntity_Tree* theEntity)
{
    TTreeNode* before = TCustomTreeView::GetTopItem();
    if (theEntity != nullptr) {
        if (theEntity->Node == nullptr) return;
        const int horz = GetHorzScrollPos();
        TCustomTreeView::SetTopItem(theEntity->Node);
        SetHorzScrollPos(horz);
        if (TCustomTreeView::GetTopItem() != before) DoUpdateTopItem();
    } else {
        TCustomTreeView::SetTopItem(nullptr);
        if (before != nullptr) DoUpdateTopItem();
    }
}

void TqvTree_ComBasic::DoUpdateTopItem()
{
    TqvDataEntity_Tree* top = GetTopItem();
    if (top != LastTopItem) {
        LastTopItem = top;
        OnTopItemChanged(this);
    }
}

TqvDataEntity_Tree* TqvTree_ComBasic::GetNextVisible(TqvDataEntity_Tree* theEntity) const
{
    if (theEntity == nullptr) return nullptr;
    if (theEntity->Node == nullptr) return theEntity;
    return GetDataEntityFromNode(theEntity->Node->GetNextVisible());
}

TqvDataEntity_Tree* TqvTree_ComBasic::GetPrevVisible(TqvDataEntity_Tree* theEntity) const
{
    if (theEntity == nullptr) return nullptr;
    if (theEntity->Node == nullptr) return theEntity;
    return GetDataEntityFromNode(theEntity->Node->GetPrevVisible());
}

TRect TqvTree_ComBasic::GetRect(const TqvDataEntity_Tree* theEntity) const
{
    RefreshForQuery();
    // No node, or a node under a collapsed parent: no row, no rectangle.
    if (theEntity == nullptr || theEntity->Node == nullptr || GetRowOfNode(theEntity->Node) < 0)
        return TRect(-1, -1, -1, -1);
    return theEntity->Node->DisplayRect(true);
}

TqvDataEntity_Tree* TqvTree_ComBasic::GetDataEntityFromRow(int theRow) const
{
    RefreshForQuery();
    const std::uint64_t stamp = GetRowsStamp();
    if (FEntityRowsDirty || stamp != FEntityRowsStamp) {
        FEntityRowsDirty = false;
        FEntityRowsStamp = stamp;
        FEntityRows.clear();
        const int rows = GetVisibleRowCount();
        FEntityRows.reserve(rows);
        for (int r = 0; r < rows; ++r) {
            TqvDataEntity_Tree* e = GetDataEntityFromNode(GetNodeFromRow(r));
            if (e != nullptr && e->GetVisible()) FEntityRows.push_back(e);
        }
    }
    if (theRow < 0 || theRow >= static_cast<int>(FEntityRows.size())) return nullptr;
    return FEntityRows[theRow];
}

// ===========================================================================
// Expansion and update control

void TqvTree_ComBasic::ExpandLevels(int theLevels)
{
    const QScopedValueRollback levels(AutoExpandLevels, theLevels);
    HandleAutoExpand();
}

void TqvTree_ComBasic::SetAutoExpandLevels(int theValue)
{
    AutoExpandLevels = theValue;
    DisplayOutOfDate();
}

void TqvTree_ComBasic::SetMaxLevels(int theValue)
{
    MaxLevels = theValue;
    DisplayOutOfDate();
}

void TqvTree_ComBasic::SetDrawGridLines(bool theValue)
{
    DrawGridLines = theValue;
    Viewport()->update();
}

void TqvTree_ComBasic::SetScrollBarVert(bool theValue)
{
    ScrollBarVert = theValue;
    ShowScrollBar(true, theValue);
}

void TqvTree_ComBasic::SetScrollBarHorz(bool theValue)
{
    ScrollBarHorz = theValue;
    ShowScrollBar(false, theValue);
}

void TqvTree_ComBasic::DisplayOutOfDate()
{
    DisplayDirty = true;
    Viewport()->update();
}

void TqvTree_ComBasic::BeginUpdate()
{
    GetItems()->BeginUpdate();
}
void TqvTree_ComBasic::EndUpdate()
{
    GetItems()->EndUpdate();
}

void TqvTree_ComBasic::BeginHorzScrollUpdate()
{
    SavedHorzScroll = GetHorzScrollPos();
}

void TqvTree_ComBasic::EndHorzScrollUpdate()
{
    SavedHorzScrollAfter = GetHorzScrollPos();
    if (SavedHorzScroll >= 0 && SavedHorzScrollAfter != SavedHorzScroll) SetHorzScrollPos(SavedHorzScroll);
}

bool TqvTree_ComBasic::MyCustomSort(TTVCompare theCompare, std::intptr_t theData)
{
    return GetItems()->CustomSort(theCompare, theData, false);
}

void TqvTree_ComBasic::SetFocus()
{
    TCustomTreeView::SetFocus();
}

bool TqvTree_ComBasic::NeedsDummyNode(TqvDataEntity_Tree*)
{
    return true;
}

// ===========================================================================
// Platform overrides

TTreeNode* TqvTree_ComBasic::CreateNode()
{
    auto* node = new TTreeNode_qvSub(GetItems());
    if (!Updating) {
        DisplayDirty = true;
        ForeignNodes = true;
    }
    return node;
}

void TqvTree_ComBasic::Loaded()
{
    TCustomTreeView::Loaded();
    // Nodes stored with a form are not the data's: drop them.
    GetItems()->Clear();
    ForeignNodes = false;
    DisplayOutOfDate();
}

void TqvTree_ComBasic::WMPaint()
{
    EnsureDisplayUpToDate();
}

void TqvTree_ComBasic::TreeNotify(TTreeNotifyCode aCode, TTreeNode* aNode)
{
    switch (aCode) {
    case tncSelChanged:
        DefaultTreeNotify(aCode, aNode);
        if (!FBeingDestroyed) {
            DoUpdateTopItem();
            NeverMindLocal(lcSetCurrentDataEntity);
        }
        break;
    case tncBeginDrag:
        DragStarted = true;
        DefaultTreeNotify(aCode, aNode);
        break;
    case tncSelChanging:
    case tncBeginLabelEdit:
    case tncEndLabelEdit:
    case tncDeleteItem:
    case tncItemExpanding:
    case tncItemExpanded:
    case tncGetDispInfo:
    case tncSetDispInfo:
    case tncCustomDraw:
    case tncRightClick:
        DefaultTreeNotify(aCode, aNode);
        break;
    default:
        break;
    }
}

void TqvTree_ComBasic::Change(TTreeNode* aNode)
{
    OnCurrentDataEntityChange(this, GetDataEntityFromNode(aNode));
    TCustomTreeView::Change(aNode);
}

void TqvTree_ComBasic::Expand(TTreeNode* aNode)
{
    const QScopedValueRollback inExpand(InExpand, true);
    TqvDataEntity_Tree* entity = GetDataEntityFromNode(aNode);
    if (entity != nullptr) {
        const bool hasChildren = entity->SubDataList != nullptr && entity->SubDataList->Count() > 0;
        if (hasChildren && entity->DummyNode != nullptr) {
            // The children get their nodes at the next update, however the
            // node was expanded (a click, SetExpanded, MakeVisible).
            TTreeNode* dummy = entity->DummyNode;
            entity->DummyNode = nullptr;
            delete dummy;
            DisplayOutOfDate();
        } else if (!hasChildren) {
            entity->DummyNode = nullptr;
            aNode->DeleteChildren();
            Viewport()->update();
        }
    }
    TCustomTreeView::Expand(aNode);
    if (entity != nullptr && entity->Node == aNode) entity->Expanded = true;
}

void TqvTree_ComBasic::Collapse(TTreeNode* aNode)
{
    TCustomTreeView::Collapse(aNode);
    if (TqvDataEntity_Tree* entity = GetDataEntityFromNode(aNode)) entity->Expanded = aNode->GetExpanded();
}

bool TqvTree_ComBasic::CanEdit(TTreeNode* aNode)
{
    bool result = TCustomTreeView::CanEdit(aNode);
    // The click that made the node current does not also open its editor.
    if (result && CurrentTime() - LastCurrentChangeTime < kEditGuard) result = false;
    if (result) {
        if (TqvDataEntity_Tree* entity = GetDataEntityFromNode(aNode)) {
            try {
                result = entity->GetCanEdit();
            } catch (...) {
                result = false;
            }
        }
    }
    EditingNode = aNode;
    return result;
}

void TqvTree_ComBasic::Edit(TTreeNode* aNode, QString& S)
{
    TCustomTreeView::Edit(aNode, S);
    // An OnEdited handler may lengthen the text: it is cut to the longest
    // caption, as the editor cuts typing, so caption and entity stay equal.
    if (aNode != nullptr && aNode->GetText().length() > kMaxTreeTextLength)
        aNode->SetText(aNode->GetText().left(kMaxTreeTextLength));
    if (TqvDataEntity_Tree* entity = GetDataEntityFromNode(aNode)) {
        entity->SetText(aNode->GetText());
        entity->DoInfoPush();
    }
}

void TqvTree_ComBasic::KeyPress(QChar& Key)
{
    TCustomTreeView::KeyPress(Key);
    if (IsEditing() && EditingNode != nullptr) {
        TqvDataEntity_Tree* entity = GetDataEntityFromNode(EditingNode);
        if (entity != nullptr && entity->Text != EditingNode->GetText()) {
            entity->SetText(EditingNode->GetText());
            entity->DoInfoPush();
        }
    }
}

void TqvTree_ComBasic::KeyDown(Word& Key, TShiftState Shift)
{
    TCustomTreeView::KeyDown(Key, Shift);
    if (Key == VK_F2 && GetSelected() != nullptr) GetSelected()->EditText();
}

void TqvTree_ComBasic::KeyUp(Word& Key, TShiftState Shift)
{
    TCustomTreeView::KeyUp(Key, Shift);
}

void TqvTree_ComBasic::WMKeyDown(TWMKey& Msg)
{
    const Word key = Msg.CharCode;
    TCustomTreeView::WMKeyDown(Msg);
    if (key == VK_SHIFT || key == VK_CONTROL || key == VK_APPS || key == 0) return;
    UpdateMultiSelect(GetCurrentDataEntity(), Msg.Shift);
    DoLaterLocal(lcMakeSureSelectedAndFocusedAreTheSame);
}

void TqvTree_ComBasic::WMLButtonDown(TWMMouse& Msg)
{
    DragStarted = false;
    TqvDataEntity_Tree* entity = GetDataEntityAt(Msg.XPos, Msg.YPos);
    if (entity != nullptr && !entity->GetSelected()) {
        UpdateMultiSelect(entity, Msg.Shift);
        SelectedAtButtonDown = true;
    } else {
        SelectedAtButtonDown = false;
        ShiftAtButtonDown = Msg.Shift;
    }
    TCustomTreeView::WMLButtonDown(Msg);
}

void TqvTree_ComBasic::WMLButtonUp(TWMMouse& Msg)
{
    TCustomTreeView::WMLButtonUp(Msg);
    if (DragStarted || SelectedAtButtonDown) return;
    TqvDataEntity_Tree* entity = GetDataEntityAt(Msg.XPos, Msg.YPos);
    if (entity != nullptr && entity->GetSelected()) UpdateMultiSelect(entity, ShiftAtButtonDown);
}

void TqvTree_ComBasic::WMRButtonDown(TWMMouse& Msg)
{
    if (GetRightClickSelect()) {
        TqvDataEntity_Tree* under = GetDataEntityAt(Msg.XPos, Msg.YPos);
        TqvDataEntity_Tree* current = GetCurrentDataEntity();
        if (current == nullptr || !current->GetSelected()) UpdateMultiSelect(current, Msg.Shift);
        SetCurrentDataEntity(under);
    }
    DefaultRButtonDown(Msg, false);
}

void TqvTree_ComBasic::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TCustomTreeView::MouseDown(Button, Shift, X, Y);
    if (Button == mbRight) OnRightClick(this, GetDataEntityAt(X, Y));
}

void TqvTree_ComBasic::WMVScroll()
{
    DoUpdateTopItem();
}

void TqvTree_ComBasic::WMWindowPosChanging()
{
    if (FBeingDestroyed) return;
    if (!ScrollBarVert) ShowScrollBar(true, false);
    if (!ScrollBarHorz) ShowScrollBar(false, false);
}

void TqvTree_ComBasic::qvCustomDrawItem(TCustomTreeView*, TTreeNode* Node, TCustomDrawState, bool&)
{
    TCanvas* canvas = GetCanvas();
    canvas->Font.SetStyle(TFontStyles());
    canvas->Brush.SetColor(GetColor());
    canvas->Font.SetColor(clWindowText);
    if (TqvDataEntity_Tree* entity = GetDataEntityFromNode(Node)) {
        if (entity->GetSelected()) {
            if (Focused()) {
                canvas->Brush.SetColor(clHighlight);
                canvas->Font.SetColor(clHighlightText);
            } else {
                canvas->Brush.SetColor(clBtnFace);
            }
        }
        canvas->Font.SetName(entity->FontName.isEmpty() ? GetFont()->GetName() : entity->FontName);
        canvas->Font.SetStyle(entity->FontStyle);
    }
}

void TqvTree_ComBasic::qvAdvancedCustomDrawItem(TCustomTreeView*, TTreeNode* Node, TCustomDrawState,
                                                TCustomDrawStage Stage, bool&, bool&)
{
    // Grid lines go over the drawn row, so that its fill does not cover them.
    if (!DrawGridLines || Stage != cdPostPaint || Node == nullptr) return;
    TCanvas* canvas = GetCanvas();
    const TRect t = Node->DisplayRect(true);
    const TRect r = Node->DisplayRect(false);
    if (Node != GetItems()->GetFirstNode()) {
        canvas->MoveTo(t.Left, t.Top);
        canvas->LineTo(r.Right, t.Top);
    }
    canvas->MoveTo(t.Left, t.Bottom);
    canvas->LineTo(r.Right, t.Bottom);
}

} // namespace skedra
