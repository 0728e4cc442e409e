// The native tree view control: construction, properties, the row caches,
// selection, expansion, sorting and notifications.
#include "skedra/platform/TreeView.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QPainter>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>

#include <algorithm>

#include "skedra/platform/ImageList.h"
#include "skedra/platform/TreeView_p.h"

namespace skedra
{

using detail::NodeOf;
using detail::TTreeItem;

// ===========================================================================
// TCustomTreeView

TCustomTreeView::TCustomTreeView(QWidget* aParent)
    : TWinControl(aParent), FNodes(std::make_unique<TTreeNodes>(this)),
      FItemCanvas(std::make_unique<TCanvas>())
{
    FNative = new detail::TNativeTree(this);
    // Shown explicitly: a tree created on a form that is already shown would
    // otherwise keep a hidden inner widget that never paints.
    FNative->show();
    FDelegate = new detail::TTreeDelegate(this, FNative);
    FNative->setItemDelegate(FDelegate);
    FNative->setColumnCount(1);
    FNative->setHeaderHidden(true);
    FNative->setUniformRowHeights(true);
    FNative->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    FNative->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    FNative->setSelectionMode(QAbstractItemView::SingleSelection);
    FNative->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FNative->setExpandsOnDoubleClick(false);
    FNative->setAutoScroll(false);
    FNative->setDragEnabled(false);
    FNative->setAnimated(false);
    FNative->setFrameShape(QFrame::NoFrame);
    FNative->setIndentation(FIndent);
    FNative->setRootIsDecorated(FShowRoot);
    FNative->setMouseTracking(true);
    FNative->header()->setStretchLastSection(false);
    FNative->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    FNative->header()->setResizeContentsPrecision(200);
    FNative->setFont(GetFont()->Handle());
    setFocusProxy(FNative);
    SetTabStop(true);
    SetColor(clWindow);

    QObject::connect(FNative, &QTreeWidget::currentItemChanged, FNative,
                     [this](QTreeWidgetItem* current, QTreeWidgetItem*) {
                         GuardedCall([&] { CurrentChangedNative(NodeOf(current)); });
                     });
    QObject::connect(FNative->verticalScrollBar(), &QScrollBar::valueChanged, FNative,
                     [this](int) { GuardedCall([&] { WMVScroll(); }); });
    SetBounds(0, 0, 121, 97);
}

TCustomTreeView::~TCustomTreeView()
{
    FDestroying = true;
    ++FEditGeneration;
    if (FEditor != nullptr) {
        FEditingNode = nullptr;
        delete FEditor;
        FEditor = nullptr;
    }
    QSignalBlocker block(FNative);
    FNodes->Clear();
}

QWidget* TCustomTreeView::NativeWidget() const
{
    return FNative;
}
QWidget* TCustomTreeView::Viewport() const
{
    return FNative->viewport();
}
QTreeWidgetItem* TCustomTreeView::NativeItem(const TTreeNode* aNode) const
{
    return aNode ? aNode->FItem : nullptr;
}

TTreeNode* TCustomTreeView::CreateNode()
{
    return new TTreeNode(FNodes.get());
}

TRect TCustomTreeView::GetClientRect() const
{
    const QWidget* vp = FNative->viewport();
    return TRect(0, 0, vp->width(), vp->height());
}

TPoint TCustomTreeView::ClientOffset() const
{
    const int b = FBorderStyle == bsSingle ? 2 : 0;
    return TPoint(b, b);
}

void TCustomTreeView::BoundsChanged(bool aSizeChanged)
{
    GuardedCall([&] { WMWindowPosChanging(); });
    const int b = FBorderStyle == bsSingle ? 2 : 0;
    FNative->setGeometry(b, b, std::max(0, width() - 2 * b), std::max(0, height() - 2 * b));
    TWinControl::BoundsChanged(aSizeChanged);
}

void TCustomTreeView::SetBorderStyle(TBorderStyle aValue)
{
    if (aValue == FBorderStyle) return;
    FBorderStyle = aValue;
    BoundsChanged(true);
    update();
}

void TCustomTreeView::PaintNonClient(QPainter* aPainter)
{
    if (FBorderStyle != bsSingle) return;
    const int w = width(), h = height();
    aPainter->setPen(ToQColor(clBtnShadow));
    aPainter->drawLine(0, 0, w - 2, 0);
    aPainter->drawLine(0, 0, 0, h - 2);
    aPainter->setPen(ToQColor(clBtnHighlight));
    aPainter->drawLine(w - 1, 0, w - 1, h - 1);
    aPainter->drawLine(0, h - 1, w - 1, h - 1);
    aPainter->setPen(ToQColor(cl3DDkShadow));
    aPainter->drawLine(1, 1, w - 3, 1);
    aPainter->drawLine(1, 1, 1, h - 3);
    aPainter->setPen(ToQColor(clBtnFace));
    aPainter->drawLine(w - 2, 1, w - 2, h - 2);
    aPainter->drawLine(1, h - 2, w - 2, h - 2);
}

void TCustomTreeView::SetColor(TColor aValue)
{
    TWinControl::SetColor(aValue);
    if (FNative == nullptr) return;
    QPalette pal = FNative->palette();
    pal.setColor(QPalette::Base, ToQColor(aValue));
    FNative->setPalette(pal);
    FNative->viewport()->update();
}

void TCustomTreeView::FontChanged()
{
    TWinControl::FontChanged();
    if (FNative == nullptr) return;
    ++FFontStamp;
    FNative->setFont(GetFont()->Handle());
    FNative->doItemsLayout();
    RowsChanged();
}

int TCustomTreeView::RowHeightFromFont() const
{
    const QFontMetrics fm(GetFont()->Handle());
    int h = std::max(16, fm.height() + 3);
    if (FImages != nullptr) h = std::max(h, FImages->GetHeight() + 2);
    return h;
}

int TCustomTreeView::GetItemHeight() const
{
    return FItemHeight > 0 ? FItemHeight : RowHeightFromFont();
}

void TCustomTreeView::SetItemHeight(int aValue)
{
    FItemHeight = std::max(0, aValue);
    FNative->doItemsLayout();
    FNative->viewport()->update();
}

int TCustomTreeView::ImageWidth() const
{
    return FImages != nullptr ? FImages->GetWidth() + 2 : 0;
}

void TCustomTreeView::SetImages(TCustomImageList* aValue)
{
    FImages = aValue;
    FNative->doItemsLayout();
    FNative->viewport()->update();
}

void TCustomTreeView::SetRowSelect(bool aValue)
{
    FRowSelect = aValue;
    FNative->viewport()->update();
}

void TCustomTreeView::SetShowButtons(bool aValue)
{
    FShowButtons = aValue;
    FNative->viewport()->update();
}

void TCustomTreeView::SetShowLines(bool aValue)
{
    FShowLines = aValue;
    FNative->viewport()->update();
}

void TCustomTreeView::SetShowRoot(bool aValue)
{
    FShowRoot = aValue;
    FNative->setRootIsDecorated(aValue);
    FNative->viewport()->update();
}

void TCustomTreeView::SetHideSelection(bool aValue)
{
    FHideSelection = aValue;
    FNative->viewport()->update();
}

void TCustomTreeView::SetIndent(int aValue)
{
    FIndent = std::max(0, aValue);
    FNative->setIndentation(FIndent);
    FNative->viewport()->update();
}

void TCustomTreeView::ShowScrollBar(bool aVertical, bool aShow)
{
    (aVertical ? FVertShown : FHorzShown) = aShow;
    const Qt::ScrollBarPolicy policy = aShow ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    if (aVertical)
        FNative->setVerticalScrollBarPolicy(policy);
    else
        FNative->setHorizontalScrollBarPolicy(policy);
}

bool TCustomTreeView::ScrollBarShown(bool aVertical) const
{
    const QScrollBar* bar = aVertical ? FNative->verticalScrollBar() : FNative->horizontalScrollBar();
    return (aVertical ? FVertShown : FHorzShown) && bar->isVisibleTo(FNative);
}

TScrollInfo TCustomTreeView::GetScrollInfo(bool aVertical) const
{
    TScrollInfo info;
    if (aVertical) {
        const int rows = GetVisibleRowCount();
        info.Min = 0;
        info.Max = std::max(0, rows - 1);
        info.Page = std::min(GetVisibleRowsInView(), rows);
        info.Pos = std::max(0, GetRowOfNode(GetTopItem()));
    } else {
        FNative->ExecuteLayout();
        const QScrollBar* bar = FNative->horizontalScrollBar();
        info.Min = 0;
        info.Page = FNative->viewport()->width();
        info.Max = bar->maximum() + info.Page - 1;
        info.Pos = bar->value();
        if (bar->maximum() <= 0) info.Max = 0;
    }
    return info;
}

int TCustomTreeView::GetHorzScrollPos() const
{
    FNative->ExecuteLayout();
    return FNative->horizontalScrollBar()->value();
}

void TCustomTreeView::SetHorzScrollPos(int aValue)
{
    FNative->ExecuteLayout();
    FNative->horizontalScrollBar()->setValue(aValue);
}

void TCustomTreeView::ScrollRows(int aDelta)
{
    TTreeNode* top = GetTopItem();
    const int row = std::max(0, GetRowOfNode(top)) + aDelta;
    SetTopItem(GetNodeFromRow(std::clamp(row, 0, std::max(0, GetVisibleRowCount() - 1))));
}

// ---------------------------------------------------------------------------
// Rows

void TCustomTreeView::RowsChanged()
{
    FRowsDirty = true;
}

namespace
{

// Pre-order over the nodes of a native tree with an explicit stack of
// (item, next child); aVisit answers whether to descend into the node.
template <class Visit> void WalkPreOrder(QTreeWidget* aTree, Visit aVisit)
{
    std::vector<std::pair<QTreeWidgetItem*, int>> stack;
    stack.emplace_back(aTree->invisibleRootItem(), 0);
    while (!stack.empty()) {
        auto& [parent, next] = stack.back();
        if (next >= parent->childCount()) {
            stack.pop_back();
            continue;
        }
        QTreeWidgetItem* item = parent->child(next++);
        TTreeNode* node = NodeOf(item);
        if (node != nullptr && aVisit(node, item)) stack.emplace_back(item, 0);
    }
}

} // namespace

void TCustomTreeView::StructureChanged()
{
    FRowsDirty = true;
    FAbsDirty = true;
}

void TCustomTreeView::EnsureRows() const
{
    if (!FRowsDirty) return;
    FRowsDirty = false;
    ++FRowStamp;
    FRows.clear();
    WalkPreOrder(FNative, [this](TTreeNode* node, QTreeWidgetItem* item) {
        node->FRow = static_cast<int>(FRows.size());
        node->FRowStamp = FRowStamp;
        FRows.push_back(node);
        return node->FExpanded && item->childCount() > 0;
    });
}

void TCustomTreeView::RebuildAbsolute() const
{
    if (!FAbsDirty) return;
    FAbsDirty = false;
    ++FAbsStamp;
    FAll.clear();
    FAll.reserve(FNodeCount);
    WalkPreOrder(FNative, [this](TTreeNode* node, QTreeWidgetItem* item) {
        node->FAbsIndex = static_cast<int>(FAll.size());
        node->FAbsStamp = FAbsStamp;
        FAll.push_back(node);
        return item->childCount() > 0;
    });
}

bool TCustomTreeView::CheckInvariants(QString* theWhy) const
{
    auto fail = [&](const QString& why) {
        if (theWhy != nullptr) *theWhy = why;
        return false;
    };
    std::vector<TTreeNode*> rows;
    std::vector<TTreeNode*> all;
    WalkPreOrder(FNative, [&](TTreeNode* node, QTreeWidgetItem* item) {
        all.push_back(node);
        return item->childCount() > 0;
    });
    WalkPreOrder(FNative, [&](TTreeNode* node, QTreeWidgetItem* item) {
        rows.push_back(node);
        return node->FExpanded && item->childCount() > 0;
    });
    if (static_cast<int>(all.size()) != FNodeCount)
        return fail(QStringLiteral("%1 nodes counted, %2 in the view").arg(FNodeCount).arg(all.size()));
    if (!FRowsDirty) {
        if (rows != FRows) return fail(QStringLiteral("the cached rows differ from the nodes shown"));
        for (std::size_t r = 0; r < rows.size(); ++r)
            if (rows[r]->FRowStamp != FRowStamp || rows[r]->FRow != static_cast<int>(r))
                return fail(QStringLiteral("the cached row of %1 is wrong").arg(rows[r]->FText));
    }
    if (!FAbsDirty && all != FAll) return fail(QStringLiteral("the cached pre-order differs from the nodes"));
    for (TTreeNode* node : all)
        if (node->FItem == nullptr || node->FItem->Node != node || node->FOwner != FNodes.get())
            return fail(QStringLiteral("node %1 and its item disagree").arg(node->FText));
    return true;
}

int TCustomTreeView::GetRowOfNode(const TTreeNode* aNode) const
{
    if (aNode == nullptr || aNode->GetTreeView() != this) return -1;
    EnsureRows();
    return aNode->FRowStamp == FRowStamp ? aNode->FRow : -1;
}

TTreeNode* TCustomTreeView::GetNodeFromRow(int aRow) const
{
    EnsureRows();
    if (aRow < 0 || aRow >= static_cast<int>(FRows.size())) return nullptr;
    return FRows[aRow];
}

int TCustomTreeView::GetVisibleRowCount() const
{
    EnsureRows();
    return static_cast<int>(FRows.size());
}

int TCustomTreeView::GetVisibleRowsInView() const
{
    return std::max(1, FNative->viewport()->height() / std::max(1, GetItemHeight()));
}

TTreeNode* TCustomTreeView::GetTopItem() const
{
    FNative->ExecuteLayout();
    return GetNodeFromRow(FNative->verticalScrollBar()->value());
}

void TCustomTreeView::SetTopItem(TTreeNode* aNode)
{
    FNative->ExecuteLayout();
    const int row = aNode ? GetRowOfNode(aNode) : 0;
    if (row < 0) return;
    FNative->verticalScrollBar()->setValue(row);
}

TTreeNode* TCustomTreeView::GetNodeAt(int X, int Y) const
{
    const QWidget* vp = FNative->viewport();
    if (X < 0 || Y < 0 || X >= vp->width() || Y >= vp->height()) return nullptr;
    FNative->ExecuteLayout();
    return GetNodeFromRow(FNative->verticalScrollBar()->value() + Y / std::max(1, GetItemHeight()));
}

TRect TCustomTreeView::NodeRect(const TTreeNode* aNode, bool aTextOnly) const
{
    const int row = GetRowOfNode(aNode);
    if (row < 0) return TRect();
    FNative->ExecuteLayout();
    const int h = GetItemHeight();
    const int top = (row - FNative->verticalScrollBar()->value()) * h;
    if (!aTextOnly) return TRect(0, top, FNative->viewport()->width(), top + h);
    const int left = (aNode->GetLevel() + RootIndentLevels()) * FIndent -
                     FNative->horizontalScrollBar()->value() + ImageWidth();
    return TRect(left, top, left + aNode->TextWidth(), top + h);
}

bool TCustomTreeView::HitButton(TTreeNode* aNode, int X) const
{
    if (!FShowButtons || aNode == nullptr || !aNode->HasChildren()) return false;
    const int level = aNode->GetLevel() + RootIndentLevels();
    if (level == 0) return false;
    const int x0 = (level - 1) * FIndent - FNative->horizontalScrollBar()->value();
    return X >= x0 && X < x0 + FIndent;
}

TTreeNode* TCustomTreeView::GetSelected() const
{
    return NodeOf(FNative->currentItem());
}

void TCustomTreeView::SelectNative(TTreeNode* aNode)
{
    if (aNode == GetSelected()) return;
    if (aNode == nullptr) {
        FNative->setCurrentItem(nullptr);
        FNative->clearSelection();
        if (GetSelected() != nullptr) FNative->selectionModel()->clearCurrentIndex();
    } else {
        FNative->setCurrentItem(aNode->FItem);
    }
}

void TCustomTreeView::SetSelected(TTreeNode* aNode)
{
    if (aNode != nullptr && aNode->GetTreeView() != this) return;
    // The handlers of the change and of the expansions may free the node: it is
    // watched to the end, and the selection stops where it is freed.
    TTreeNode* node = aNode;
    const auto watch = WatchNode(node);
    if (node != GetSelected()) {
        TreeNotify(tncSelChanging, node);
        if (node != aNode) return;
    }
    SelectNative(node);
    if (node == nullptr || node != aNode) return;
    node->MakeVisible();
    if (node == aNode) EnsureRowVisible(node);
}

void TCustomTreeView::EnsureRowVisible(TTreeNode* aNode)
{
    const int row = GetRowOfNode(aNode);
    if (row < 0) return;
    FNative->ExecuteLayout();
    const int top = FNative->verticalScrollBar()->value();
    const int inView = GetVisibleRowsInView();
    if (row < top)
        FNative->verticalScrollBar()->setValue(row);
    else if (row >= top + inView)
        FNative->verticalScrollBar()->setValue(row - inView + 1);
}

void TCustomTreeView::SelectByUser(TTreeNode* aNode)
{
    if (aNode == nullptr || aNode == GetSelected()) return;
    // Handlers may free nodes: both are watched.
    TTreeNode* node = aNode;
    TTreeNode* before = GetSelected();
    const auto watchNode = WatchNode(node);
    const auto watchBefore = WatchNode(before);
    TreeNotify(tncSelChanging, node);
    if (node == nullptr || !CanChange(node) || node == nullptr) return;
    SelectNative(node);
    if (FAutoExpand && node != nullptr && GetSelected() == node) {
        // Single expansion: the node selected before closes unless it holds
        // the new one, and the new one opens.
        if (before != nullptr && !node->HasAsParent(before)) DoSetExpanded(before, false);
        if (node != nullptr) DoSetExpanded(node, true);
    }
    if (node != nullptr) EnsureRowVisible(node);
}

void TCustomTreeView::CurrentChangedNative(TTreeNode* aNode)
{
    if (FDestroying) return;
    RowsPaintChanged();
    TreeNotify(tncSelChanged, aNode);
}

void TCustomTreeView::RowsPaintChanged()
{
    FNative->viewport()->update();
}

void TCustomTreeView::FullExpand()
{
    for (int i = 0; i < FNodes->GetRootCount(); ++i)
        FNodes->GetRoot(i)->Expand(true);
}

void TCustomTreeView::FullCollapse()
{
    for (int i = 0; i < FNodes->GetRootCount(); ++i)
        FNodes->GetRoot(i)->Collapse(true);
}

bool TCustomTreeView::CustomSort(TTVCompare aCompare, std::intptr_t aData, bool aRecurse)
{
    return FNodes->CustomSort(aCompare, aData, aRecurse);
}

bool TCustomTreeView::SortChildren(QTreeWidgetItem* aParent, TTVCompare aCompare, std::intptr_t aData,
                                   bool aRecurse)
{
    if (aCompare == nullptr || aParent == nullptr) return false;
    TTreeNode* current = GetSelected();
    TTreeNode* top = GetTopItem();
    bool changed = false;
    {
        QSignalBlocker block(FNative);
        SortLevel(aParent, aCompare, aData, aRecurse, changed);
        if (changed && current != nullptr) FNative->setCurrentItem(current->FItem);
    }
    if (changed) {
        StructureChanged();
        if (top != nullptr) SetTopItem(top);
    }
    return true;
}

void TCustomTreeView::SortLevel(QTreeWidgetItem* aParent, TTVCompare aCompare, std::intptr_t aData,
                                bool aRecurse, bool& aChanged)
{
    const int n = aParent->childCount();
    if (n > 1) {
        std::vector<TTreeNode*> nodes;
        nodes.reserve(n);
        for (int i = 0; i < n; ++i)
            nodes.push_back(NodeOf(aParent->child(i)));
        const auto before = [&](TTreeNode* a, TTreeNode* b) { return aCompare(a, b, aData) < 0; };
        // A level already in order (the usual case after appending) costs one
        // comparison per node, and only a level whose order changes is taken
        // out and put back.
        std::vector<TTreeNode*> sorted;
        if (!std::is_sorted(nodes.begin(), nodes.end(), before)) {
            sorted = nodes;
            std::stable_sort(sorted.begin(), sorted.end(), before);
        }
        if (!sorted.empty() && sorted != nodes) {
            QList<QTreeWidgetItem*> items = aParent->takeChildren();
            items.clear();
            for (TTreeNode* node : sorted)
                items.push_back(node->FItem);
            aParent->addChildren(items);
            for (TTreeNode* node : sorted)
                ReapplyExpansion(node);
            aChanged = true;
        }
    }
    if (aRecurse) {
        for (int i = 0; i < aParent->childCount(); ++i)
            SortLevel(aParent->child(i), aCompare, aData, true, aChanged);
    }
}

void TCustomTreeView::ReapplyExpansion(TTreeNode* aNode)
{
    // Qt forgets the expansion of items taken out of the view.
    std::vector<TTreeNode*> stack{aNode};
    while (!stack.empty()) {
        TTreeNode* n = stack.back();
        stack.pop_back();
        if (n->FExpanded) n->FItem->setExpanded(true);
        for (int i = 0; i < n->FItem->childCount(); ++i) {
            if (TTreeNode* c = NodeOf(n->FItem->child(i)); c && (c->FExpanded || c->FItem->childCount() > 0))
                stack.push_back(c);
        }
    }
}

bool TCustomTreeView::DoSetExpanded(TTreeNode* aNode, bool aValue)
{
    if (aNode == nullptr) return false;
    if (aValue == aNode->FExpanded) return true;
    // Handlers of the expansion and of the scrolling it brings may free the
    // node: it is watched to the end, and the expansion stops where it is freed.
    TTreeNode* node = aNode;
    const auto watch = WatchNode(node);
    // A node without children has nothing to show, so it does not expand.
    if (aValue && !node->HasChildren()) return false;
    TreeNotify(tncItemExpanding, node);
    if (node == nullptr) return false;
    const bool allowed = aValue ? CanExpand(node) : CanCollapse(node);
    if (node == nullptr || !allowed) return false;
    if (aValue && (!node->HasChildren() || node->FExpanded)) return node->FExpanded;
    if (!aValue && !node->FExpanded) return true;
    node->FExpanded = aValue;
    // The control reports its new scroll range from inside the expansion, and
    // handlers of the scrolling read the rows.
    if (node->IsVisible()) RowsChanged();
    node->FItem->setExpanded(aValue);
    if (node == nullptr) return false;
    if (!aValue && FEditingNode != nullptr && FEditingNode->HasAsParent(node)) EditorDone(true);
    if (aValue)
        Expand(node);
    else
        Collapse(node);
    if (node == nullptr) return false;
    TreeNotify(tncItemExpanded, node);
    return true;
}

void TCustomTreeView::NodeCreated(TTreeNode* aNode)
{
    ++FNodeCount;
    FAbsDirty = true;
    TTreeNode* parent = aNode->GetParent();
    if (parent == nullptr || (parent->FExpanded && parent->IsVisible())) RowsChanged();
    if (FNodes->FUpdateCount == 0) FNative->viewport()->update();
}

void TCustomTreeView::NodeDestroying(TTreeNode* aNode)
{
    if (FNodeCount > 0) --FNodeCount;
    FAbsDirty = true;
    if (!FDestroying) TreeNotify(tncDeleteItem, aNode);
    TTreeNode* parent = aNode->GetParent();
    if (parent == nullptr || (parent->FExpanded && parent->IsVisible())) RowsChanged();
    if (aNode == FPressNode) FPressNode = nullptr;
    for (TTreeNode** watched : FWatchedNodes)
        if (*watched == aNode) *watched = nullptr;
    if (aNode == FEditingNode) EditorDone(true);
    if (!FDestroying) {
        Delete(aNode);
        // The platform's control clears the selection instead of moving it to a neighbour.
        if (aNode->FItem != nullptr && FNative->currentItem() == aNode->FItem) SelectNative(nullptr);
    } else if (aNode->FItem != nullptr && FNative->currentItem() == aNode->FItem) {
        QSignalBlocker block(FNative);
        FNative->setCurrentItem(nullptr);
    }
}

void TCustomTreeView::UpdateUpdatesEnabled()
{
    const bool enabled = FNodes->FUpdateCount == 0;
    FNative->viewport()->setUpdatesEnabled(enabled);
    if (enabled) FNative->viewport()->update();
}

// ---------------------------------------------------------------------------
// Notifications and their defaults

bool TCustomTreeView::CanChange(TTreeNode* aNode)
{
    bool allow = true;
    OnChanging(this, aNode, allow);
    return allow;
}

void TCustomTreeView::Change(TTreeNode* aNode)
{
    OnChange(this, aNode);
}

bool TCustomTreeView::CanExpand(TTreeNode* aNode)
{
    bool allow = true;
    OnExpanding(this, aNode, allow);
    return allow;
}

void TCustomTreeView::Expand(TTreeNode* aNode)
{
    OnExpanded(this, aNode);
}

bool TCustomTreeView::CanCollapse(TTreeNode* aNode)
{
    bool allow = true;
    OnCollapsing(this, aNode, allow);
    return allow;
}

void TCustomTreeView::Collapse(TTreeNode* aNode)
{
    OnCollapsed(this, aNode);
}

bool TCustomTreeView::CanEdit(TTreeNode* aNode)
{
    bool allow = true;
    OnEditing(this, aNode, allow);
    return allow;
}

void TCustomTreeView::Edit(TTreeNode* aNode, QString& S)
{
    OnEdited(this, aNode, S);
    if (aNode != nullptr) aNode->SetText(S);
}

void TCustomTreeView::Delete(TTreeNode* aNode)
{
    OnDeletion(this, aNode);
}

bool TCustomTreeView::IsCustomDrawn() const
{
    return OnCustomDrawItem.Assigned() || OnAdvancedCustomDrawItem.Assigned();
}

bool TCustomTreeView::CustomDrawItem(TTreeNode* aNode, TCustomDrawState aState, TCustomDrawStage aStage,
                                     bool& aPaintImages)
{
    bool defaultDraw = true;
    if (aStage == cdPrePaint) OnCustomDrawItem(this, aNode, aState, defaultDraw);
    if (!defaultDraw) return false;
    OnAdvancedCustomDrawItem(this, aNode, aState, aStage, aPaintImages, defaultDraw);
    return defaultDraw;
}

void TCustomTreeView::TreeNotify(TTreeNotifyCode aCode, TTreeNode* aNode)
{
    DefaultTreeNotify(aCode, aNode);
}

void TCustomTreeView::DefaultTreeNotify(TTreeNotifyCode aCode, TTreeNode* aNode)
{
    switch (aCode) {
    case tncSelChanged:
        Change(aNode);
        break;
    case tncBeginDrag:
        if (GetDragMode() == dmAutomatic) BeginDrag(true);
        break;
    default:
        break;
    }
}

void TCustomTreeView::KeyDown(Word& Key, TShiftState Shift)
{
    TWinControl::KeyDown(Key, Shift);
}

bool TCustomTreeView::IsEditing() const
{
    return FEditor != nullptr;
}

} // namespace skedra
