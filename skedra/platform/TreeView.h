#pragma once
// The native tree view of the toolkit layer: TCustomTreeView with its nodes
// (TTreeNode) and node collection (TTreeNodes), shown by a QTreeWidget.
//
// Rows have one height for the whole tree and the view scrolls by whole
// rows, so the rectangle of a row is arithmetic: (row - top row) * ItemHeight.
// The list of visible rows is cached and rebuilt once after any change of
// structure or expansion; next/previous visible, top item, node at a point
// and display rectangles then cost O(1).
//
// Input follows the platform's tree control, not Qt's item views: a press
// selects the row at once (vetoable through OnChanging), a press on a button
// toggles the node (vetoable through OnExpanding/OnCollapsing), a drag with
// the left button never changes the selection, a slow second click on the
// selected node's label starts the in-place editor, and double click toggles.
// Coordinates are client coordinates: the origin is the top-left corner of
// the area the rows are drawn in (inside the border).

#include <QScopeGuard>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

#include "skedra/platform/Controls.h"

class QTreeWidgetItem;
class QLineEdit;
class QPainter;
class QMouseEvent;
class QKeyEvent;

namespace skedra
{

class TCustomTreeView;
class TTreeNodes;
class TTreeNode;
class TCustomImageList;

namespace detail
{
class TNativeTree;
class TTreeDelegate;
struct TTreeItem;
} // namespace detail

enum TNodeAttachMode { naAdd, naAddFirst, naAddChild, naAddChildFirst, naInsert };

enum TCustomDrawStateItem {
    cdsSelected,
    cdsGrayed,
    cdsDisabled,
    cdsChecked,
    cdsFocused,
    cdsDefault,
    cdsHot,
    cdsMarked,
    cdsIndeterminate
};
using TCustomDrawState = TSet<TCustomDrawStateItem>;
enum TCustomDrawStage { cdPrePaint, cdPostPaint, cdPreErase, cdPostErase };

// Orders two sibling nodes during CustomSort: negative, zero or positive.
using TTVCompare = int (*)(TTreeNode* aNode1, TTreeNode* aNode2, std::intptr_t aData);

using TTVChangedEvent = TMethod<void(TObject* Sender, TTreeNode* Node)>;
using TTVChangingEvent = TMethod<void(TObject* Sender, TTreeNode* Node, bool& AllowChange)>;
using TTVExpandedEvent = TMethod<void(TObject* Sender, TTreeNode* Node)>;
using TTVExpandingEvent = TMethod<void(TObject* Sender, TTreeNode* Node, bool& AllowExpansion)>;
using TTVCollapsingEvent = TMethod<void(TObject* Sender, TTreeNode* Node, bool& AllowCollapse)>;
using TTVEditingEvent = TMethod<void(TObject* Sender, TTreeNode* Node, bool& AllowEdit)>;
using TTVEditedEvent = TMethod<void(TObject* Sender, TTreeNode* Node, QString& S)>;
using TTVCustomDrawItemEvent =
    TMethod<void(TCustomTreeView* Sender, TTreeNode* Node, TCustomDrawState State, bool& DefaultDraw)>;
using TTVAdvancedCustomDrawItemEvent =
    TMethod<void(TCustomTreeView* Sender, TTreeNode* Node, TCustomDrawState State, TCustomDrawStage Stage,
                 bool& PaintImages, bool& DefaultDraw)>;

// The notifications the native control sends its owner (the platform's
// tree-view notification codes). TreeNotify receives every one of them.
enum TTreeNotifyCode {
    tncSelChanging,
    tncSelChanged,
    tncBeginDrag,
    tncBeginRDrag,
    tncBeginLabelEdit,
    tncEndLabelEdit,
    tncDeleteItem,
    tncItemExpanding,
    tncItemExpanded,
    tncGetDispInfo,
    tncSetDispInfo,
    tncCustomDraw,
    tncRightClick,
    tncClick,
    tncDblClick
};

// Scroll information of one of the window's scroll bars, as the platform
// reports it: positions run from Min to Max, Page is the visible part.
struct TScrollInfo {
    int Min = 0;
    int Max = 0;
    int Page = 0;
    int Pos = 0;
    friend bool operator==(const TScrollInfo&, const TScrollInfo&) = default;
};

// A mouse message as it reaches the tree: client coordinates, shift state
// (with the button and ssDouble), and the button.
struct TWMMouse {
    TMouseButton Button = mbLeft;
    TShiftState Shift;
    int XPos = 0;
    int YPos = 0;
};

// A key message: the virtual-key code (0 when consumed) and the shift state.
struct TWMKey {
    Word CharCode = 0;
    TShiftState Shift;
    QString Text;
};

// ---------------------------------------------------------------------------
// TTreeNode

class TTreeNode : public TObject
{
public:
    explicit TTreeNode(TTreeNodes* anOwner);
    // Detaches the node (and frees its children) from its tree; the owner's
    // OnDeletion is raised for each node first.
    ~TTreeNode() override;

    TTreeNodes* GetOwner() const { return FOwner; }
    TCustomTreeView* GetTreeView() const;

    TObject* GetData() const { return FData; }
    void SetData(TObject* aData) { FData = aData; }

    const QString& GetText() const { return FText; }
    void SetText(const QString& aText);
    int GetImageIndex() const { return FImageIndex; }
    void SetImageIndex(int aValue);
    int GetSelectedIndex() const { return FSelectedIndex; }
    void SetSelectedIndex(int aValue);
    int GetStateIndex() const { return FStateIndex; }
    void SetStateIndex(int aValue);

    // Structure.
    TTreeNode* GetParent() const;
    int GetLevel() const;
    int GetCount() const;
    TTreeNode* GetItem(int anIndex) const;
    bool HasChildren() const { return GetCount() > 0; }
    TTreeNode* GetFirstChild() const { return GetItem(0); }
    TTreeNode* GetLastChild() const;
    TTreeNode* GetNextSibling() const;
    TTreeNode* GetPrevSibling() const;
    // Position among the siblings.
    int GetIndex() const;
    // Position in pre-order over all nodes of the tree, collapsed ones included.
    int GetAbsoluteIndex() const;
    // Pre-order successor / predecessor over all nodes.
    TTreeNode* GetNext() const;
    TTreeNode* GetPrev() const;
    bool HasAsParent(const TTreeNode* aNode) const;

    // Expansion: a node without children does not expand (nothing changes
    // and no event is raised). Expanding and collapsing go through the tree's
    // CanExpand/Expand and CanCollapse/Collapse.
    bool GetExpanded() const { return FExpanded; }
    void SetExpanded(bool aValue);
    void Expand(bool aRecurse);
    void Collapse(bool aRecurse);

    // Shown on a row: every ancestor is expanded.
    bool IsVisible() const;
    // The next / previous node shown on a row, or null.
    TTreeNode* GetNextVisible() const;
    TTreeNode* GetPrevVisible() const;
    // Expands every ancestor.
    void MakeVisible();

    bool GetSelected() const;
    void SetSelected(bool aValue);
    bool GetFocused() const { return GetSelected(); }

    // The rectangle of the node's label (TextOnly) or of its whole row, in
    // client coordinates; empty (0, 0, 0, 0) when the node is not on a row.
    TRect DisplayRect(bool TextOnly) const;

    // In-place editing of the label.
    bool EditText();
    void EndEdit(bool Cancel);

    // Frees the node (and its children).
    void Delete();
    void DeleteChildren();
    // Moves the node (with its subtree) relative to aDestination.
    void MoveTo(TTreeNode* aDestination, TNodeAttachMode aMode);
    // Sorts the direct children (and, with aRecurse, every level below);
    // answers true when the sort ran.
    bool CustomSort(TTVCompare aCompare, std::intptr_t aData, bool aRecurse = false);

    // True while the node's destructor runs.
    bool IsDeleting() const { return FDeleting; }

protected:
    // Called first thing in the destructor of a node class that needs to act
    // before the node leaves the tree (derived destructors run before this one).
    void MarkDeleting() { FDeleting = true; }

private:
    friend class TTreeNodes;
    friend class TCustomTreeView;
    friend class detail::TNativeTree;
    friend class detail::TTreeDelegate;

    int TextWidth() const;

    TTreeNodes* FOwner;
    detail::TTreeItem* FItem; // the Qt item showing the node; owned by the QTreeWidget
    TObject* FData = nullptr;
    QString FText;
    int FImageIndex = -1;
    int FSelectedIndex = -1;
    int FStateIndex = -1;
    bool FExpanded = false;
    bool FDeleting = false;
    mutable int FTextWidth = -1; // cached label width, valid while FTextStamp matches the font
    mutable std::uint64_t FTextStamp = 0;
    mutable int FRow = -1; // row while FRowStamp matches the view's
    mutable std::uint64_t FRowStamp = 0;
    mutable int FAbsIndex = -1; // pre-order index while FAbsStamp matches
    mutable std::uint64_t FAbsStamp = 0;
};

// ---------------------------------------------------------------------------
// TTreeNodes: the nodes of one tree view.

class TTreeNodes : public TObject
{
public:
    explicit TTreeNodes(TCustomTreeView* anOwner);
    ~TTreeNodes() override;

    TCustomTreeView* GetOwner() const { return FOwner; }

    // Adding: as the last child of aParent (a root node when null) ...
    TTreeNode* AddChild(TTreeNode* aParent, const QString& S);
    TTreeNode* AddChildObject(TTreeNode* aParent, const QString& S, TObject* aData);
    TTreeNode* AddChildFirst(TTreeNode* aParent, const QString& S);
    TTreeNode* AddChildObjectFirst(TTreeNode* aParent, const QString& S, TObject* aData);
    // ... as the last sibling of aSibling (a root node when null) ...
    TTreeNode* Add(TTreeNode* aSibling, const QString& S);
    TTreeNode* AddObject(TTreeNode* aSibling, const QString& S, TObject* aData);
    TTreeNode* AddFirst(TTreeNode* aSibling, const QString& S);
    // ... or just before aSibling.
    TTreeNode* Insert(TTreeNode* aSibling, const QString& S);
    TTreeNode* InsertObject(TTreeNode* aSibling, const QString& S, TObject* aData);

    void Delete(TTreeNode* aNode);
    void Clear();

    // All nodes, in pre-order.
    int GetCount() const;
    TTreeNode* GetItem(int anAbsoluteIndex) const;
    TTreeNode* GetFirstNode() const;
    int GetRootCount() const;
    TTreeNode* GetRoot(int anIndex) const;

    // Nesting; the view repaints and relays out once, at the last EndUpdate.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }
    // How many outermost BeginUpdate calls there were (diagnostics for tests).
    int BracketCount() const { return FBracketCount; }

    // Sorts the root nodes (and with aRecurse every level).
    bool CustomSort(TTVCompare aCompare, std::intptr_t aData, bool aRecurse = false);

private:
    friend class TTreeNode;
    friend class TCustomTreeView;
    TTreeNode* InternalAdd(TTreeNode* aRelative, const QString& S, TObject* aData, TNodeAttachMode aMode);
    TCustomTreeView* FOwner;
    int FUpdateCount = 0;
    int FBracketCount = 0;
};

// ---------------------------------------------------------------------------
// TCustomTreeView

class TCustomTreeView : public TWinControl
{
public:
    explicit TCustomTreeView(QWidget* aParent = nullptr);
    ~TCustomTreeView() override;

    TTreeNodes* GetItems() const { return FNodes.get(); }

    TTreeNode* GetSelected() const;
    void SetSelected(TTreeNode* aNode);
    // The node on the first row shown, or null.
    TTreeNode* GetTopItem() const;
    void SetTopItem(TTreeNode* aNode);
    // The node on the row at client point (X, Y), or null.
    TTreeNode* GetNodeAt(int X, int Y) const;
    // The node on visible row aRow (0 is the first row of the tree), or null.
    TTreeNode* GetNodeFromRow(int aRow) const;
    // The visible row of aNode, or -1 when it is not on a row.
    int GetRowOfNode(const TTreeNode* aNode) const;
    int GetVisibleRowCount() const;
    // Changes whenever the rows were rebuilt (structure or expansion changed).
    std::uint64_t GetRowsStamp() const
    {
        EnsureRows();
        return FRowStamp;
    }
    // Rows that fit fully in the client area (at least 1).
    int GetVisibleRowsInView() const;

    void FullExpand();
    void FullCollapse();
    bool CustomSort(TTVCompare aCompare, std::intptr_t aData, bool aRecurse = false);

    bool IsEditing() const;
    TTreeNode* GetEditingNode() const { return FEditingNode; }

    // Height of every row in pixels; 0 returns to the height from the font.
    int GetItemHeight() const;
    void SetItemHeight(int aValue);

    // Properties of the platform tree control.
    bool GetAutoExpand() const { return FAutoExpand; }
    void SetAutoExpand(bool aValue) { FAutoExpand = aValue; }
    bool GetRowSelect() const { return FRowSelect; }
    void SetRowSelect(bool aValue);
    bool GetShowButtons() const { return FShowButtons; }
    void SetShowButtons(bool aValue);
    bool GetShowLines() const { return FShowLines; }
    void SetShowLines(bool aValue);
    bool GetShowRoot() const { return FShowRoot; }
    void SetShowRoot(bool aValue);
    bool GetHideSelection() const { return FHideSelection; }
    void SetHideSelection(bool aValue);
    bool GetHotTrack() const { return FHotTrack; }
    void SetHotTrack(bool aValue) { FHotTrack = aValue; }
    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool aValue) { FReadOnly = aValue; }
    bool GetRightClickSelect() const { return FRightClickSelect; }
    void SetRightClickSelect(bool aValue) { FRightClickSelect = aValue; }
    bool GetToolTips() const { return FToolTips; }
    void SetToolTips(bool aValue) { FToolTips = aValue; }
    int GetChangeDelay() const { return FChangeDelay; }
    void SetChangeDelay(int aValue) { FChangeDelay = aValue; }
    int GetIndent() const { return FIndent; }
    void SetIndent(int aValue);
    TBorderStyle GetBorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle aValue);
    TCustomImageList* GetImages() const { return FImages; }
    void SetImages(TCustomImageList* aValue);
    TCustomImageList* GetStateImages() const { return FStateImages; }
    void SetStateImages(TCustomImageList* aValue) { FStateImages = aValue; }

    // The native scroll bars: shown when needed, or never.
    void ShowScrollBar(bool aVertical, bool aShow);
    bool ScrollBarShown(bool aVertical) const;
    TScrollInfo GetScrollInfo(bool aVertical) const;
    // Horizontal scroll position in pixels (clamped to the range).
    int GetHorzScrollPos() const;
    void SetHorzScrollPos(int aValue);
    // Scrolls by whole rows (positive: down).
    void ScrollRows(int aDelta);

    TRect GetClientRect() const override;
    TPoint ClientOffset() const override;
    void SetColor(TColor aValue) override;

    // The canvas handed to the custom-draw events (bound while an item is drawn).
    TCanvas* GetCanvas() const { return FItemCanvas.get(); }

    // Published events of the platform tree control.
    TTVChangedEvent OnChange;
    TTVChangingEvent OnChanging;
    TTVExpandingEvent OnExpanding;
    TTVExpandedEvent OnExpanded;
    TTVCollapsingEvent OnCollapsing;
    TTVExpandedEvent OnCollapsed;
    TTVEditingEvent OnEditing;
    TTVEditedEvent OnEdited;
    TTVChangedEvent OnDeletion;
    TTVCustomDrawItemEvent OnCustomDrawItem;
    TTVAdvancedCustomDrawItemEvent OnAdvancedCustomDrawItem;

    // What must hold between operations: the cached rows and pre-order
    // indexes, when not marked stale, equal a fresh walk of the nodes, and the
    // node count is right. False with a description in theWhy otherwise.
    bool CheckInvariants(QString* theWhy = nullptr) const;

    // The Qt widget that shows the rows (for tests and hosting code).
    QWidget* NativeWidget() const;
    QWidget* Viewport() const;
    QLineEdit* InPlaceEditor() const { return FEditor; }
    // The Qt item of a node; for tests comparing with Qt's own geometry.
    QTreeWidgetItem* NativeItem(const TTreeNode* aNode) const;

protected:
    // The class of node the collection creates.
    virtual TTreeNode* CreateNode();
    // Runs after the component has been loaded from a stored form.
    virtual void Loaded() {}

    virtual bool CanChange(TTreeNode* aNode);
    virtual void Change(TTreeNode* aNode);
    virtual bool CanExpand(TTreeNode* aNode);
    virtual void Expand(TTreeNode* aNode);
    virtual bool CanCollapse(TTreeNode* aNode);
    virtual void Collapse(TTreeNode* aNode);
    virtual bool CanEdit(TTreeNode* aNode);
    // The label edit ended with S: raises OnEdited, then stores S as the caption.
    virtual void Edit(TTreeNode* aNode, QString& S);
    virtual void Delete(TTreeNode* aNode);
    // Before an item is drawn; answers whether the default drawing follows.
    virtual bool CustomDrawItem(TTreeNode* aNode, TCustomDrawState aState, TCustomDrawStage aStage,
                                bool& aPaintImages);
    virtual bool IsCustomDrawn() const;

    // The notifications of the native control: selection changing and
    // changed, begin drag, label edit begin and end, item deletion, expanding
    // and expanded, get and set display information, custom draw (per item
    // drawn) and right click. The default runs the platform's handling
    // (DefaultTreeNotify); an override may drop some. Vetoes are asked
    // separately (CanChange, CanExpand, CanCollapse, CanEdit).
    virtual void TreeNotify(TTreeNotifyCode aCode, TTreeNode* aNode);
    void DefaultTreeNotify(TTreeNotifyCode aCode, TTreeNode* aNode);

    // Window messages. Each default runs the platform's handling and then the
    // toolkit's notification (MouseDown, KeyDown ...).
    virtual void WMLButtonDown(TWMMouse& Msg);
    virtual void WMLButtonUp(TWMMouse& Msg);
    virtual void WMLButtonDblClk(TWMMouse& Msg);
    virtual void WMRButtonDown(TWMMouse& Msg);
    virtual void WMRButtonUp(TWMMouse& Msg);
    virtual void WMMouseMove(TWMMouse& Msg);
    virtual void WMKeyDown(TWMKey& Msg);
    virtual void WMKeyUp(TWMKey& Msg);
    // The rows scrolled vertically (by any means).
    virtual void WMVScroll() {}
    // The size or position of the window is about to change.
    virtual void WMWindowPosChanging() {}
    // Before the rows are painted.
    virtual void WMPaint() {}

    // The platform's handling of the messages, for overrides that replace
    // part of the default.
    void DefaultLButtonDown(const TWMMouse& Msg);
    void DefaultRButtonDown(const TWMMouse& Msg, bool aRightClickSelect);
    void DefaultKeyDown(Word& Key, TShiftState Shift);

    // The toolkit's key notifications: KeyDown raises OnKeyDown.
    void KeyDown(Word& Key, TShiftState Shift) override;

    void BoundsChanged(bool aSizeChanged) override;
    void FontChanged() override;
    void PaintNonClient(QPainter* aPainter) override;

    // Selection without the OnChanging veto and without scrolling.
    void SelectNative(TTreeNode* aNode);
    // Selection as a click or key makes it: OnChanging may veto; the row is scrolled into view.
    void SelectByUser(TTreeNode* aNode);
    void EnsureRowVisible(TTreeNode* aNode);
    // Begins editing aNode's label; answers whether the editor opened.
    bool StartEdit(TTreeNode* aNode);
    // Marks the cached rows stale (structure or expansion changed).
    void RowsChanged();
    bool IsTreeDestroying() const { return FDestroying; }
    // Sets aNode to null if that node is freed before the returned guard goes;
    // for code that calls handlers and then still uses a node.
    [[nodiscard]] auto WatchNode(TTreeNode*& aNode)
    {
        FWatchedNodes.push_back(&aNode);
        return qScopeGuard([this, p = &aNode] { std::erase(FWatchedNodes, p); });
    }

    void MarkTreeDestroying() { FDestroying = true; }

private:
    friend class TTreeNode;
    friend class TTreeNodes;
    friend class detail::TNativeTree;
    friend class detail::TTreeDelegate;

    void EnsureRows() const;
    void RebuildAbsolute() const;
    void NodeCreated(TTreeNode* aNode);
    void NodeDestroying(TTreeNode* aNode);
    bool DoSetExpanded(TTreeNode* aNode, bool aValue);
    void ReapplyExpansion(TTreeNode* aNode);
    bool SortChildren(QTreeWidgetItem* aParent, TTVCompare aCompare, std::intptr_t aData, bool aRecurse);
    void SortLevel(QTreeWidgetItem* aParent, TTVCompare aCompare, std::intptr_t aData, bool aRecurse,
                   bool& aChanged);
    void RowsPaintChanged();
    int RowHeightFromFont() const;
    int RootIndentLevels() const { return FShowRoot ? 1 : 0; }
    int ImageWidth() const;
    TRect NodeRect(const TTreeNode* aNode, bool aTextOnly) const;
    bool HitButton(TTreeNode* aNode, int X) const;
    // What the native view received.
    enum TNativeMouseKind { nmkPress, nmkRelease, nmkMove, nmkDoubleClick };
    void NativeMouse(QMouseEvent* e, TNativeMouseKind aKind);
    void NativeKey(QKeyEvent* e, bool aDown);
    void NativePaint();
    void DrawItem(QPainter* aPainter, TTreeNode* aNode, const QRect& aCell);
    void DrawBranches(QPainter* aPainter, const QRect& aRect, TTreeNode* aNode);
    void EditorDone(bool aCancel);
    void CurrentChangedNative(TTreeNode* aNode);
    void UpdateUpdatesEnabled();
    void StructureChanged();
    void StartEditTimer();

    std::unique_ptr<TTreeNodes> FNodes;
    detail::TNativeTree* FNative = nullptr;     // child widget, owned by Qt
    detail::TTreeDelegate* FDelegate = nullptr; // owned by FNative
    std::unique_ptr<TCanvas> FItemCanvas;
    QLineEdit* FEditor = nullptr; // child of the viewport while editing
    TTreeNode* FEditingNode = nullptr;
    TCustomImageList* FImages = nullptr;
    TCustomImageList* FStateImages = nullptr;

    bool FAutoExpand = false;
    bool FRowSelect = false;
    bool FShowButtons = true;
    bool FShowLines = true;
    bool FShowRoot = true;
    bool FHideSelection = true;
    bool FHotTrack = false;
    bool FReadOnly = false;
    bool FRightClickSelect = false;
    bool FToolTips = true;
    int FChangeDelay = 0;
    int FIndent = 19;
    int FItemHeight = 0; // 0: from the font
    TBorderStyle FBorderStyle = bsSingle;
    bool FVertShown = true;
    bool FHorzShown = true;
    bool FDestroying = false;
    bool FEndingEdit = false;

    // Cached rows.
    mutable bool FRowsDirty = true;
    mutable std::uint64_t FRowStamp = 1;
    mutable std::vector<TTreeNode*> FRows;
    mutable bool FAbsDirty = true;
    mutable std::uint64_t FAbsStamp = 1;
    mutable std::vector<TTreeNode*> FAll;
    int FNodeCount = 0;

    // Press state for drag detection and the slow second click.
    TTreeNode* FPressNode = nullptr;
    std::vector<TTreeNode**> FWatchedNodes;
    TPoint FPressPos;
    bool FPressOnSelected = false;
    bool FPressDragged = false;
    bool FLeftDown = false;
    bool FRightDown = false;
    bool FDoubleClicked = false;
    int FEditGeneration = 0; // a pending slow-click edit runs only while this is unchanged
    std::uint64_t FFontStamp = 1;
};

} // namespace skedra
