#pragma once
// The data-bound tree view: TqvTree_ComBasic mirrors a hierarchy of
// TqvDataEntity_Tree held in TqvDataList_Tree lists into the native tree
// view, lazily, at the next paint. Selection, expansion, texts, images and
// fonts live in the entities; the native nodes only display them.
//
// Every data change only marks the display out of date; the next paint (or
// a read of the current entity) runs one UpdateDisplay, which brackets the
// native tree only when it actually changes a node.

#include <QString>

#include <cstdint>
#include <vector>

#include "skedra/data/DataList.h"
#include "skedra/data/DataListGroups.h"
#include "skedra/foundation/EventHandling.h"
#include "skedra/platform/DateTime.h"
#include "skedra/platform/TreeView.h"

namespace skedra
{

class TqvTree_ComBasic;
class TqvDataList_Tree;
class TTreeNode_qvSub;

// The longest caption a node takes.
constexpr int kMaxTreeTextLength = 255;

class TqvDataEntity_Tree : public TqvDataEntity
{
public:
    TqvDataEntity_Tree() = default;

    void CleanForFree() override;
    void SetVisible(bool b) override;
    // True when the entity has a node, the node is shown natively (every
    // ancestor expanded) and the parent entity, if any, is visible.
    bool GetVisible() const override;
    void AfterCreate(TqvDataList* theList) override;

    const QString& GetText() const { return Text; }
    // More than 255 characters raise "Treenodes only allow strings smaller
    // than 255 chars" and change nothing.
    void SetText(const QString& theText);
    int GetImageIndex() const { return ImageIndex; }
    void SetImageIndex(int theValue);
    int GetSelectedIndex() const { return SelectedIndex; }
    void SetSelectedIndex(int theValue);
    const QString& GetFontName() const { return FontName; }
    void SetFontName(const QString& theValue);
    TFontStyles GetFontStyle() const { return FontStyle; }
    void SetFontStyle(const TFontStyles& theValue);
    bool GetExpanded() const { return Expanded; }
    void SetExpanded(bool theValue);
    bool Get_HideNode() const { return HideNode; }
    void Set_HideNode(bool theValue);

    TTreeNode* GetNode() const { return Node; }
    TTreeNode* GetDummyNode() const { return DummyNode; }
    TqvDataList_Tree* GetSubDataList() const { return SubDataList; }

    // The entity whose sub-list holds this one; none at root.
    TqvDataEntity_Tree* ParentNode() const;
    int GetLevel() const;
    TqvTree_ComBasic* Tree() const;
    TqvDataEntity_Tree* GetNextVisible() const;
    TqvDataEntity_Tree* GetPrevVisible() const;
    // Starts in-place editing of the node's label.
    void EditText();

protected:
    ~TqvDataEntity_Tree() override = default;

private:
    friend class TqvTree_ComBasic;
    friend class TTreeNode_qvSub;

    QString FontName;
    TFontStyles FontStyle;
    TTreeNode* Node = nullptr;
    TqvDataList_Tree* SubDataList = nullptr;
    QString Text;
    int ImageIndex = 0;
    int SelectedIndex = 0;
    bool Expanded = false;
    TTreeNode* DummyNode = nullptr;
    bool HideNode = false;
};

class TqvDataList_Tree : public TqvDataList
{
public:
    TqvDataList_Tree() = default;

    TqvDataEntity_Tree* GetOwnerEntity() const { return OwnerEntity; }
    TqvDataEntity_Tree* GetTreeItem(int i) { return static_cast<TqvDataEntity_Tree*>(GetItems(i)); }

    TqvDataEntity_Tree* OwnerEntity = nullptr;
    // The order of the entities changed; the native nodes must follow.
    bool SortPending = false;

protected:
    ~TqvDataList_Tree() override = default;
};

class TqvListController_Tree : public TqvListController
{
public:
    TqvTree_ComBasic* Tree = nullptr;
};

// The node class of the data-bound tree.
class TTreeNode_qvSub : public TTreeNode
{
public:
    explicit TTreeNode_qvSub(TTreeNodes* anOwner) : TTreeNode(anOwner) {}
    // Two nodes per row of a large tree (its own and a placeholder).
    static void* operator new(std::size_t aSize) { return TSlotPools::Allocate(aSize); }
    static void operator delete(void* aPointer, std::size_t aSize) { TSlotPools::Free(aPointer, aSize); }
    ~TTreeNode_qvSub() override;

    bool Destroying = false;

private:
    friend class TqvTree_ComBasic;
    int FDeleteSlot = -1; // position in the tree's NodesToDelete, -1 when not queued
};

// "Class of TqvDataList": makes a list with the plain constructor; the tree
// then calls its AfterCreate.
using TqvDataListClass = TqvDataList* (*)();

using TOnDataEntityDelete = TMethod<void(TqvTree_ComBasic* theTree, TqvDataEntity_Tree* theObs)>;
using TOnCurrentDataEntityChange =
    TMethod<void(TqvTree_ComBasic* theTree, TqvDataEntity_Tree* theDataEntity)>;
using TOnTreeRightClick = TMethod<void(TqvTree_ComBasic* theTree, TqvDataEntity_Tree* theDataEntity)>;

// A tree view bound to data entities: the entities are the truth, the native
// nodes follow them at the next paint.
class TqvTree_ComBasic : public TCustomTreeView
{
public:
    explicit TqvTree_ComBasic(QWidget* aParent = nullptr);
    ~TqvTree_ComBasic() override;

    // Building the hierarchy.
    TqvDataEntity_Tree* AddDataEntity(TqvDataEntity_Tree* theParent);
    TqvDataEntity_Tree* InsertDataEntity(TqvDataEntity_Tree* theParent, int theIndex);
    void RemoveDataEntity(TqvDataEntity_Tree* theEntity);
    // Moves theEntity to the end of theNewParent's children; nothing for a
    // missing entity or parent, the entity itself, or one of its descendants.
    void ChangeOwner(TqvDataEntity_Tree* theEntity, TqvDataEntity_Tree* theNewParent);
    void Clear();
    // The lists and the controller are built through the virtual factories
    // at their first use, after construction, so that a derived class's
    // overrides (and the classes it sets in its constructor) take effect.
    TqvDataList_Tree* GetRootDataList() const;
    TqvDataList2lev* GetDataLists() const;
    TqvListController_Tree* GetController() const;

    // Current entity and selection.
    TqvDataEntity_Tree* GetCurrentDataEntity();
    void SetCurrentDataEntity(TqvDataEntity_Tree* theEntity);
    void UpdateMultiSelect(TqvDataEntity_Tree* theEntity, TShiftState theShift);
    TqvDataEntity_Tree* GetDataEntityFromNode(const TTreeNode* theNode) const;
    TqvDataEntity_Tree* GetDataEntityAt(int X, int Y) const;
    TqvDataEntity_Tree* GetDataEntityFromRow(int theRow) const;

    // Scrolling and geometry.
    TqvDataEntity_Tree* GetTopItem() const;
    void SetTopItem(TqvDataEntity_Tree* theEntity);
    void DoUpdateTopItem();
    TqvDataEntity_Tree* GetNextVisible(TqvDataEntity_Tree* theEntity) const;
    TqvDataEntity_Tree* GetPrevVisible(TqvDataEntity_Tree* theEntity) const;
    // The entity's label rectangle; (-1, -1, -1, -1) when it has no row (no
    // node, or a collapsed ancestor). GetRect, GetDataEntityFromRow and
    // GetTopItem bring an out-of-date display up to date first.
    TRect GetRect(const TqvDataEntity_Tree* theEntity) const;

    // Expansion and update control.
    void ExpandLevels(int theLevels);
    int GetAutoExpandLevels() const { return AutoExpandLevels; }
    void SetAutoExpandLevels(int theValue);
    void DisplayOutOfDate();
    void EnsureDisplayUpToDate();
    void UpdateDisplay();
    void BeginUpdate();
    void EndUpdate();
    void BeginHorzScrollUpdate();
    void EndHorzScrollUpdate();
    bool MyCustomSort(TTVCompare theCompare, std::intptr_t theData);
    void SetFocus() override;

    // Published properties of its own.
    int GetMaxLevels() const { return MaxLevels; }
    void SetMaxLevels(int theValue);
    bool GetMultiSelect() const { return MultiSelect; }
    void SetMultiSelect(bool theValue) { MultiSelect = theValue; }
    bool GetDrawGridLines() const { return DrawGridLines; }
    void SetDrawGridLines(bool theValue);
    bool GetScrollBarVert() const { return ScrollBarVert; }
    void SetScrollBarVert(bool theValue);
    bool GetScrollBarHorz() const { return ScrollBarHorz; }
    void SetScrollBarHorz(bool theValue);

    // Whether an entity gets a placeholder child when it has none; always here.
    virtual bool NeedsDummyNode(TqvDataEntity_Tree* theEntity);

    bool IsDisplayDirty() const { return DisplayDirty; }
    bool IsUpdating() const { return Updating; }
    bool IsInExpand() const { return InExpand; }
    TqvDataEntity_Tree* GetPendingCurrent() const { return PendingCurrent; }
    TTreeNode* GetSelectAnchor() const { return SelectAnchor; }
    // How many times UpdateDisplay ran (diagnostics for tests and benchmarks).
    int UpdateDisplayCount() const { return FUpdateDisplayCount; }
    // What must hold between operations: entities and nodes point at each
    // other or not at all, a placeholder is the only child of its entity's
    // node, queued nodes have no data, every entity's sub-list is among the
    // lists, the flags of an update are down, and the platform's row cache is
    // right. Answers false with a description in theWhy when something fails.
    bool CheckInvariants(QString* theWhy = nullptr) const;
    // Triggered with the entity as Info when an entity of the tree is deleted
    // (before OnDataEntityDelete), so that holders of entity pointers forget it.
    TEvent* GetEntityDeleteEvent() { return &FEntityDeleteEvent; }

    // The entity shown at the top changed (the tree scrolled).
    TNotifyEvent OnTopItemChanged;
    // An entity of the tree is being deleted, before OnDeleteItem.
    TOnDataEntityDelete OnDataEntityDelete;
    // Orders two entities when a list of the tree sorts itself.
    TOnEntityCompare OnSortCompare;
    // The current (focused) entity changed, before the native change event.
    TOnCurrentDataEntityChange OnCurrentDataEntityChange;
    // A list of the tree changed its content.
    TOnContentChanged OnContentChanged;
    // An entity's selected state changed.
    TOnSelectionChanged OnSelectionChanged;
    // An entity was deleted.
    TOnDeleteItem OnDeleteItem;
    // An entity was inserted.
    TOnInsertItem OnInsertItem;
    // An entity reported a change of its values.
    TOnInfoPush OnValueChanged;
    // An entity's edit permission is about to be read; the handler may set it.
    TOnBeforeCanEditItem OnBeforeCanEditItem;
    // After a right button press, with the entity under the mouse or none.
    TOnTreeRightClick OnRightClick;

    // Classes of the lists and entities the tree creates; a derived class may
    // set them in its constructor.
    TqvDataListClass DataListClass = nullptr;
    TqvDataEntityClass DataEntityClass;

protected:
    // List notification handlers.
    virtual void _DeleteItem(TqvDataEntity* theEntity);
    virtual void _InsertItem(TqvDataEntity* theEntity);
    virtual void _OnInfoPush(TqvDataEntity* theEntity);
    virtual void _SelectionChanged(TqvDataList* theList, TqvDataEntity* theEntity);
    virtual void _ContentChanged(TqvDataList* theList);
    virtual int _SortCompare(TqvDataEntity* the1, TqvDataEntity* the2);
    virtual void _OnBeforeCanEditItem(TqvDataEntity* theEntity);
    virtual void _LeaveOwnerBeforeChange(TqvDataEntity* theEntity);
    virtual void _EnterOwnerAfterChange(TqvDataEntity* theEntity);
    virtual void _OnVisibleChanged(TqvDataEntity* theEntity);
    void _OnHandlePerformedMove(TqvDataEntity* theEntity, int theOldIndex, int theNewIndex);

    virtual void HandleAutoExpand();
    virtual void PerformAutoExpandItem(TqvDataEntity_Tree* theEntity);
    virtual void qvCustomDrawItem(TCustomTreeView* Sender, TTreeNode* Node, TCustomDrawState State,
                                  bool& DefaultDraw);
    virtual void qvAdvancedCustomDrawItem(TCustomTreeView* Sender, TTreeNode* Node, TCustomDrawState State,
                                          TCustomDrawStage Stage, bool& PaintImages, bool& DefaultDraw);
    // Factories, called after construction (see GetRootDataList).
    virtual TqvDataList2lev* CreateDataList2Lev();
    // A new list of DataListClass; it must be a TqvDataList_Tree.
    virtual TqvDataList_Tree* CreateDataList();
    virtual TqvListController_Tree* CreateListController();
    virtual void InitializeInConstructor();
    void Initialize();
    // The clock that the one-second guard of label editing reads; tests replace it.
    virtual TDateTime CurrentTime() const { return Now(); }

    // Overrides of the platform tree view.
    TTreeNode* CreateNode() override;
    void Loaded() override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyUp(Word& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    bool CanEdit(TTreeNode* aNode) override;
    void Edit(TTreeNode* aNode, QString& S) override;
    void Expand(TTreeNode* aNode) override;
    void Collapse(TTreeNode* aNode) override;
    void Change(TTreeNode* aNode) override;
    void TreeNotify(TTreeNotifyCode aCode, TTreeNode* aNode) override;
    void WMLButtonDown(TWMMouse& Msg) override;
    void WMLButtonUp(TWMMouse& Msg) override;
    void WMRButtonDown(TWMMouse& Msg) override;
    void WMKeyDown(TWMKey& Msg) override;
    void WMVScroll() override;
    void WMWindowPosChanging() override;
    void WMPaint() override;

    void RemoveNode(TTreeNode* theNode);
    void CleanTreeNode(TqvDataEntity_Tree* theEntity);
    void SetCurrentDataEntity_Async(TObject* theData);
    void MakeSure_SelectedAndFocusedAreTheSame_Async(TObject* theData);
    bool IsTreeBeingDestroyed() const { return FBeingDestroyed; }

    // Fields.
    bool ScrollBarHorz = true;
    bool ScrollBarVert = true;
    TDateTime LastCurrentChangeTime = 0;
    int SavedHorzScroll = -1;
    int SavedHorzScrollAfter = -1;
    bool DrawGridLines = false;
    TTreeNode* EditingNode = nullptr;
    bool InExpand = false;
    int AutoExpandLevels = 0;
    int MaxLevels = -1;
    bool MultiSelect = false;
    TTreeNode* SelectAnchor = nullptr;
    bool SelectedAtButtonDown = false;
    TShiftState ShiftAtButtonDown;
    bool DragStarted = false;
    TqvDataEntity_Tree* LastTopItem = nullptr;
    bool DisplayDirty = false;
    bool Updating = false;
    TTreeNode* SavedSelected = nullptr;
    TTreeNode* SavedTopItem = nullptr;
    std::vector<TTreeNode_qvSub*> NodesToDelete;
    bool ForeignNodes = false;
    TqvDataEntity_Tree* PendingCurrent = nullptr;

private:
    friend class TTreeNode_qvSub;
    friend class TqvDataEntity_Tree;

    // Builds the lists and the controller through the factories, once.
    void BuildDataLists();
    TqvDataList2lev* DataLists = nullptr;
    TqvDataList_Tree* RootDataList = nullptr;
    TqvListController_Tree* Controller = nullptr;

    void SyncEntity(TqvDataEntity_Tree* E, TTreeNode* N, TqvBeginUpdate& theBracket);
    void SortPass(TqvDataList_Tree* L, TqvBeginUpdate& theBracket);
    void ClearAllSelections();
    void RefreshForQuery() const;
    void RestoreAfterUpdate(int theHorz);
    void UpdateDisplayPass();
    void NodeGone(TTreeNode_qvSub* theNode);
    TqvDataList_Tree* NewList(TqvDataEntity_Tree* theOwner);
    static int CompareNodesByListIndex(TTreeNode* a, TTreeNode* b, std::intptr_t theData);
    // The tree's own deferred calls.
    enum TLocalCall { lcSetCurrentDataEntity, lcMakeSureSelectedAndFocusedAreTheSame };
    void DoLaterLocal(TLocalCall theCall);
    void NeverMindLocal(TLocalCall theCall);

    bool FBeingDestroyed = false;
    // Clear runs: the lists are forgotten before their entities go, so the
    // display waits until it is done.
    bool FClearing = false;
    int FUpdateDisplayCount = 0;
    TEvent FEntityDeleteEvent{this};
    // Visible entities in row order, rebuilt when the rows or the nodes' data change.
    mutable std::vector<TqvDataEntity_Tree*> FEntityRows;
    mutable std::uint64_t FEntityRowsStamp = 0;
    mutable bool FEntityRowsDirty = true;
};

// The published component.
class TqvTree : public TqvTree_ComBasic
{
    Q_OBJECT
    // Published properties, as a form designer sets and stores them.
    // Levels expanded when entities are added (default 0).
    Q_PROPERTY(int AutoExpandLevels READ GetAutoExpandLevels WRITE SetAutoExpandLevels)
    // Deepest level that gets nodes; -1 (default) for all.
    Q_PROPERTY(int MaxLevels READ GetMaxLevels WRITE SetMaxLevels)
    // Several entities can be selected with Shift and Ctrl (default false).
    Q_PROPERTY(bool MultiSelect READ GetMultiSelect WRITE SetMultiSelect)
    // Lines between the rows (default false).
    Q_PROPERTY(bool DrawGridLines READ GetDrawGridLines WRITE SetDrawGridLines)
    // The vertical scroll bar may show (default true).
    Q_PROPERTY(bool ScrollBarVert READ GetScrollBarVert WRITE SetScrollBarVert)
    // The horizontal scroll bar may show (default true).
    Q_PROPERTY(bool ScrollBarHorz READ GetScrollBarHorz WRITE SetScrollBarHorz)
    // Selecting a node expands it and collapses the others (default false).
    Q_PROPERTY(bool AutoExpand READ GetAutoExpand WRITE SetAutoExpand)
    // The selection covers the whole row (default false).
    Q_PROPERTY(bool RowSelect READ GetRowSelect WRITE SetRowSelect)
    // Expand and collapse buttons (default true).
    Q_PROPERTY(bool ShowButtons READ GetShowButtons WRITE SetShowButtons)
    // Lines joining the nodes (default true).
    Q_PROPERTY(bool ShowLines READ GetShowLines WRITE SetShowLines)
    // Lines and buttons at the root level (default true).
    Q_PROPERTY(bool ShowRoot READ GetShowRoot WRITE SetShowRoot)
    // Milliseconds before a selection change is reported (default 0).
    Q_PROPERTY(int ChangeDelay READ GetChangeDelay WRITE SetChangeDelay)
    // The selection is hidden while the tree has no focus (default false).
    Q_PROPERTY(bool HideSelection READ GetHideSelection WRITE SetHideSelection)
    // Nodes under the mouse are highlighted (default false).
    Q_PROPERTY(bool HotTrack READ GetHotTrack WRITE SetHotTrack)
    // Pixels per level of indentation.
    Q_PROPERTY(int Indent READ GetIndent WRITE SetIndent)
    // A right click makes the entity under the mouse current (default false).
    Q_PROPERTY(bool RightClickSelect READ GetRightClickSelect WRITE SetRightClickSelect)
    // Labels too wide for the tree show as tool tips (default true).
    Q_PROPERTY(bool ToolTips READ GetToolTips WRITE SetToolTips)
public:
    explicit TqvTree(QWidget* aParent = nullptr);
};

} // namespace skedra
