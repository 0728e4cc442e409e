#include "skedra/platform/TreeView.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>

#include "skedra/platform/ImageList.h"
#include "skedra/platform/Messages.h"

namespace skedra
{

namespace detail
{

// The Qt item that shows one node.
struct TTreeItem : QTreeWidgetItem {
    explicit TTreeItem(TTreeNode* aNode) : QTreeWidgetItem(QTreeWidgetItem::UserType), Node(aNode) {}
    TTreeNode* Node;
};

inline TTreeNode* NodeOf(QTreeWidgetItem* anItem)
{
    return anItem ? static_cast<TTreeItem*>(anItem)->Node : nullptr;
}

// Only answers sizes: rows are drawn by the view's drawRow.
class TTreeDelegate : public QStyledItemDelegate
{
public:
    explicit TTreeDelegate(TCustomTreeView* aTree, QObject* aParent)
        : QStyledItemDelegate(aParent), FTree(aTree)
    {
    }
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex& anIndex) const override
    {
        const auto* item = static_cast<const QTreeWidgetItem*>(anIndex.internalPointer());
        int w = 0;
        if (item != nullptr && item->type() == QTreeWidgetItem::UserType) {
            if (TTreeNode* node = static_cast<const TTreeItem*>(item)->Node) w = node->TextWidth();
        }
        return QSize(w + FTree->ImageWidth(), FTree->GetItemHeight());
    }
    void paint(QPainter*, const QStyleOptionViewItem&, const QModelIndex&) const override {}

private:
    TCustomTreeView* FTree;
};

class TNativeTree : public QTreeWidget
{
public:
    explicit TNativeTree(TCustomTreeView* anOwner) : QTreeWidget(anOwner), FOwner(anOwner) {}

    void ExecuteLayout() { executeDelayedItemsLayout(); }
    using QTreeWidget::indexFromItem;

protected:
    void mousePressEvent(QMouseEvent* e) override { FOwner->NativeMouse(e, 0); }
    void mouseReleaseEvent(QMouseEvent* e) override { FOwner->NativeMouse(e, 1); }
    void mouseMoveEvent(QMouseEvent* e) override { FOwner->NativeMouse(e, 2); }
    void mouseDoubleClickEvent(QMouseEvent* e) override { FOwner->NativeMouse(e, 3); }
    void keyPressEvent(QKeyEvent* e) override { FOwner->NativeKey(e, true); }
    void keyReleaseEvent(QKeyEvent* e) override { FOwner->NativeKey(e, false); }
    void paintEvent(QPaintEvent* e) override
    {
        GuardedCall([&] { FOwner->NativePaint(); });
        QTreeWidget::paintEvent(e);
    }
    void drawRow(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        TTreeNode* node = NodeOf(itemFromIndex(index));
        if (node == nullptr) return;
        GuardedCall([&] {
            const int indent = (node->GetLevel() + FOwner->RootIndentLevels()) * indentation();
            const int x0 = -horizontalOffset();
            const QRect branch(x0, option.rect.top(), indent, option.rect.height());
            FOwner->DrawBranches(p, branch, node);
            const int right = std::max(viewport()->width(), x0 + columnWidth(0));
            const QRect cell(x0 + indent, option.rect.top(), std::max(0, right - (x0 + indent)),
                             option.rect.height());
            FOwner->DrawItem(p, node, cell);
        });
    }
    void drawBranches(QPainter*, const QRect&, const QModelIndex&) const override {}
    void focusInEvent(QFocusEvent* e) override
    {
        QTreeWidget::focusInEvent(e);
        viewport()->update();
    }
    void focusOutEvent(QFocusEvent* e) override
    {
        QTreeWidget::focusOutEvent(e);
        viewport()->update();
    }
    void contextMenuEvent(QContextMenuEvent* e) override
    {
        const TPoint off = FOwner->ClientOffset();
        QContextMenuEvent mapped(e->reason(), e->pos() + QPoint(off.X, off.Y), e->globalPos(),
                                 e->modifiers());
        QCoreApplication::sendEvent(FOwner, &mapped);
    }
    void scrollContentsBy(int dx, int dy) override
    {
        QTreeWidget::scrollContentsBy(dx, dy);
        if (FOwner->IsEditing()) FOwner->EditorDone(false);
    }

private:
    TCustomTreeView* FOwner;
};

// The in-place label editor: Enter ends the edit, Escape cancels it, losing
// the focus ends it; printable keys also reach the tree's KeyPress.
class TTreeEdit : public QLineEdit
{
public:
    TTreeEdit(TCustomTreeView* aTree, QWidget* aParent) : QLineEdit(aParent), FTree(aTree) {}
    std::function<void(bool)> Done;
    std::function<void(QChar&)> Press;

protected:
    void keyPressEvent(QKeyEvent* e) override
    {
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
            GuardedCall([&] { Done(false); });
            return;
        }
        if (e->key() == Qt::Key_Escape) {
            GuardedCall([&] { Done(true); });
            return;
        }
        if (!e->text().isEmpty() && e->text().at(0).isPrint()) {
            QChar c = e->text().at(0);
            GuardedCall([&] { Press(c); });
        }
        QLineEdit::keyPressEvent(e);
    }
    void focusOutEvent(QFocusEvent* e) override
    {
        QLineEdit::focusOutEvent(e);
        if (e->reason() != Qt::PopupFocusReason) {
            QPointer<QLineEdit> self(this);
            GuardedCall([&] { Done(false); });
        }
    }

private:
    TCustomTreeView* FTree;
};

} // namespace detail

using detail::NodeOf;
using detail::TTreeItem;

// ===========================================================================
// TTreeNode

TTreeNode::TTreeNode(TTreeNodes* anOwner) : FOwner(anOwner), FItem(new TTreeItem(this)) {}

TTreeNode::~TTreeNode()
{
    FDeleting = true;
    // Children first, last to first, so that each leaves the tree on its own.
    while (FItem != nullptr && FItem->childCount() > 0) {
        TTreeNode* child = NodeOf(FItem->child(FItem->childCount() - 1));
        if (child == nullptr) {
            delete FItem->child(FItem->childCount() - 1);
            continue;
        }
        delete child;
    }
    TCustomTreeView* tv = GetTreeView();
    if (tv != nullptr) tv->NodeDestroying(this);
    if (FItem != nullptr) {
        FItem->Node = nullptr;
        delete FItem;
        FItem = nullptr;
    }
    // Handlers run by NodeDestroying may have rebuilt the row caches while the
    // item was still in the view: they are stale now that it is gone.
    if (tv != nullptr) tv->StructureChanged();
}

TCustomTreeView* TTreeNode::GetTreeView() const
{
    return FOwner ? FOwner->GetOwner() : nullptr;
}

void TTreeNode::SetText(const QString& aText)
{
    if (aText == FText) return;
    FText = aText;
    FTextWidth = -1;
    if (FItem != nullptr) FItem->setData(0, Qt::DisplayRole, aText); // keeps the column width in step
}

void TTreeNode::SetImageIndex(int aValue)
{
    if (aValue == FImageIndex) return;
    FImageIndex = aValue;
    if (TCustomTreeView* tv = GetTreeView(); tv && IsVisible()) tv->Viewport()->update();
}

void TTreeNode::SetSelectedIndex(int aValue)
{
    if (aValue == FSelectedIndex) return;
    FSelectedIndex = aValue;
    if (TCustomTreeView* tv = GetTreeView(); tv && IsVisible()) tv->Viewport()->update();
}

void TTreeNode::SetStateIndex(int aValue)
{
    FStateIndex = aValue;
    if (TCustomTreeView* tv = GetTreeView(); tv && IsVisible()) tv->Viewport()->update();
}

TTreeNode* TTreeNode::GetParent() const
{
    return FItem ? NodeOf(FItem->parent()) : nullptr;
}

int TTreeNode::GetLevel() const
{
    int level = 0;
    for (QTreeWidgetItem* p = FItem ? FItem->parent() : nullptr; p != nullptr; p = p->parent())
        ++level;
    return level;
}

int TTreeNode::GetCount() const
{
    return FItem ? FItem->childCount() : 0;
}

TTreeNode* TTreeNode::GetItem(int anIndex) const
{
    if (FItem == nullptr || anIndex < 0 || anIndex >= FItem->childCount()) return nullptr;
    return NodeOf(FItem->child(anIndex));
}

TTreeNode* TTreeNode::GetLastChild() const
{
    return GetItem(GetCount() - 1);
}

static QTreeWidgetItem* ParentItemOf(const TTreeNode* aNode, QTreeWidget* aWidget, QTreeWidgetItem* anItem)
{
    (void)aNode;
    QTreeWidgetItem* p = anItem->parent();
    if (p != nullptr) return p;
    if (anItem->treeWidget() != nullptr) return aWidget->invisibleRootItem();
    return nullptr;
}

int TTreeNode::GetIndex() const
{
    TCustomTreeView* tv = GetTreeView();
    if (FItem == nullptr || tv == nullptr) return -1;
    QTreeWidgetItem* p = ParentItemOf(this, tv->FNative, FItem);
    return p ? p->indexOfChild(FItem) : -1;
}

TTreeNode* TTreeNode::GetNextSibling() const
{
    TCustomTreeView* tv = GetTreeView();
    if (FItem == nullptr || tv == nullptr) return nullptr;
    QTreeWidgetItem* p = ParentItemOf(this, tv->FNative, FItem);
    if (p == nullptr) return nullptr;
    const int i = p->indexOfChild(FItem);
    return i >= 0 && i + 1 < p->childCount() ? NodeOf(p->child(i + 1)) : nullptr;
}

TTreeNode* TTreeNode::GetPrevSibling() const
{
    TCustomTreeView* tv = GetTreeView();
    if (FItem == nullptr || tv == nullptr) return nullptr;
    QTreeWidgetItem* p = ParentItemOf(this, tv->FNative, FItem);
    if (p == nullptr) return nullptr;
    const int i = p->indexOfChild(FItem);
    return i > 0 ? NodeOf(p->child(i - 1)) : nullptr;
}

int TTreeNode::GetAbsoluteIndex() const
{
    TCustomTreeView* tv = GetTreeView();
    if (tv == nullptr) return -1;
    tv->RebuildAbsolute();
    return FAbsStamp == tv->FAbsStamp ? FAbsIndex : -1;
}

TTreeNode* TTreeNode::GetNext() const
{
    if (HasChildren()) return GetFirstChild();
    for (const TTreeNode* n = this; n != nullptr; n = n->GetParent()) {
        if (TTreeNode* s = n->GetNextSibling()) return s;
    }
    return nullptr;
}

TTreeNode* TTreeNode::GetPrev() const
{
    TTreeNode* s = GetPrevSibling();
    if (s == nullptr) return GetParent();
    while (s->HasChildren())
        s = s->GetLastChild();
    return s;
}

bool TTreeNode::HasAsParent(const TTreeNode* aNode) const
{
    if (aNode == nullptr) return false;
    for (TTreeNode* p = GetParent(); p != nullptr; p = p->GetParent()) {
        if (p == aNode) return true;
    }
    return false;
}

void TTreeNode::SetExpanded(bool aValue)
{
    if (TCustomTreeView* tv = GetTreeView()) tv->DoSetExpanded(this, aValue);
}

void TTreeNode::Expand(bool aRecurse)
{
    SetExpanded(true);
    if (aRecurse) {
        for (int i = 0; i < GetCount(); ++i)
            GetItem(i)->Expand(true);
    }
}

void TTreeNode::Collapse(bool aRecurse)
{
    SetExpanded(false);
    if (aRecurse) {
        for (int i = 0; i < GetCount(); ++i)
            GetItem(i)->Collapse(true);
    }
}

bool TTreeNode::IsVisible() const
{
    if (FItem == nullptr || FItem->treeWidget() == nullptr) return false;
    for (TTreeNode* p = GetParent(); p != nullptr; p = p->GetParent()) {
        if (!p->FExpanded) return false;
    }
    return true;
}

TTreeNode* TTreeNode::GetNextVisible() const
{
    TCustomTreeView* tv = GetTreeView();
    if (tv == nullptr) return nullptr;
    const int row = tv->GetRowOfNode(this);
    return row < 0 ? nullptr : tv->GetNodeFromRow(row + 1);
}

TTreeNode* TTreeNode::GetPrevVisible() const
{
    TCustomTreeView* tv = GetTreeView();
    if (tv == nullptr) return nullptr;
    const int row = tv->GetRowOfNode(this);
    return row <= 0 ? nullptr : tv->GetNodeFromRow(row - 1);
}

void TTreeNode::MakeVisible()
{
    for (TTreeNode* p = GetParent(); p != nullptr; p = p->GetParent()) {
        if (!p->FExpanded) p->SetExpanded(true);
    }
}

bool TTreeNode::GetSelected() const
{
    TCustomTreeView* tv = GetTreeView();
    return tv != nullptr && tv->GetSelected() == this;
}

void TTreeNode::SetSelected(bool aValue)
{
    TCustomTreeView* tv = GetTreeView();
    if (tv == nullptr) return;
    if (aValue)
        tv->SetSelected(this);
    else if (tv->GetSelected() == this)
        tv->SetSelected(nullptr);
}

TRect TTreeNode::DisplayRect(bool TextOnly) const
{
    TCustomTreeView* tv = GetTreeView();
    return tv ? tv->NodeRect(this, TextOnly) : TRect();
}

bool TTreeNode::EditText()
{
    TCustomTreeView* tv = GetTreeView();
    return tv != nullptr && tv->StartEdit(this);
}

void TTreeNode::EndEdit(bool Cancel)
{
    TCustomTreeView* tv = GetTreeView();
    if (tv != nullptr && tv->FEditingNode == this) tv->EditorDone(Cancel);
}

void TTreeNode::Delete()
{
    delete this;
}

void TTreeNode::DeleteChildren()
{
    while (HasChildren())
        delete GetLastChild();
}

void TTreeNode::MoveTo(TTreeNode* aDestination, TNodeAttachMode aMode)
{
    TCustomTreeView* tv = GetTreeView();
    if (tv == nullptr || aDestination == this) return;
    if (aDestination != nullptr && aDestination->HasAsParent(this))
        throw EInvalidOperation(QStringLiteral("A node cannot be moved into its own subtree"));
    if (aDestination != nullptr && aDestination->GetTreeView() != tv)
        throw EInvalidOperation(QStringLiteral("A node cannot be moved to another tree"));
    QTreeWidget* w = tv->FNative;
    QTreeWidgetItem* newParent = w->invisibleRootItem();
    int index = -1; // append
    if (aDestination != nullptr) {
        QTreeWidgetItem* destParent =
            aDestination->FItem->parent() ? aDestination->FItem->parent() : w->invisibleRootItem();
        switch (aMode) {
        case naAdd:
            newParent = destParent;
            break;
        case naAddFirst:
            newParent = destParent;
            index = 0;
            break;
        case naAddChild:
            newParent = aDestination->FItem;
            break;
        case naAddChildFirst:
            newParent = aDestination->FItem;
            index = 0;
            break;
        case naInsert:
            newParent = destParent;
            index = destParent->indexOfChild(aDestination->FItem);
            break;
        }
    } else if (aMode == naAddFirst || aMode == naAddChildFirst) {
        index = 0;
    }
    TTreeNode* current = tv->GetSelected();
    TTreeNode* top = tv->GetTopItem();
    {
        QSignalBlocker block(w);
        QTreeWidgetItem* oldParent = FItem->parent() ? FItem->parent() : w->invisibleRootItem();
        const int oldIndex = oldParent->indexOfChild(FItem);
        oldParent->takeChild(oldIndex);
        if (oldParent == newParent && index > oldIndex) --index;
        if (index < 0 || index > newParent->childCount()) index = newParent->childCount();
        newParent->insertChild(index, FItem);
        tv->ReapplyExpansion(this);
        if (current != nullptr) w->setCurrentItem(current->FItem);
    }
    tv->StructureChanged();
    if (top != nullptr) tv->SetTopItem(top);
}

bool TTreeNode::CustomSort(TTVCompare aCompare, std::intptr_t aData, bool aRecurse)
{
    TCustomTreeView* tv = GetTreeView();
    if (tv == nullptr || aCompare == nullptr) return false;
    return tv->SortChildren(FItem, aCompare, aData, aRecurse);
}

int TTreeNode::TextWidth() const
{
    TCustomTreeView* tv = GetTreeView();
    if (tv == nullptr) return 0;
    if (FTextWidth < 0 || FTextStamp != tv->FFontStamp) {
        FTextWidth = QFontMetrics(tv->GetFont()->Handle()).horizontalAdvance(FText) + 4;
        FTextStamp = tv->FFontStamp;
    }
    return FTextWidth;
}

// ===========================================================================
// TTreeNodes

TTreeNodes::TTreeNodes(TCustomTreeView* anOwner) : FOwner(anOwner) {}

TTreeNodes::~TTreeNodes() = default;

TTreeNode* TTreeNodes::InternalAdd(TTreeNode* aRelative, const QString& S, TObject* aData,
                                   TNodeAttachMode aMode)
{
    if (aRelative != nullptr && aRelative->GetOwner() != this)
        throw EInvalidOperation(QStringLiteral("The node belongs to another tree"));
    TTreeNode* node = FOwner->CreateNode();
    node->FOwner = this;
    node->FText = S;
    node->FData = aData;
    node->FItem->setData(0, Qt::DisplayRole, S);
    QTreeWidget* w = FOwner->FNative;
    QTreeWidgetItem* parent = w->invisibleRootItem();
    int index = -1;
    if (aRelative != nullptr) {
        QTreeWidgetItem* relParent =
            aRelative->FItem->parent() ? aRelative->FItem->parent() : w->invisibleRootItem();
        switch (aMode) {
        case naAdd:
            parent = relParent;
            break;
        case naAddFirst:
            parent = relParent;
            index = 0;
            break;
        case naAddChild:
            parent = aRelative->FItem;
            break;
        case naAddChildFirst:
            parent = aRelative->FItem;
            index = 0;
            break;
        case naInsert:
            parent = relParent;
            index = relParent->indexOfChild(aRelative->FItem);
            break;
        }
    } else if (aMode == naAddFirst || aMode == naAddChildFirst) {
        index = 0;
    }
    if (index < 0 || index > parent->childCount())
        parent->addChild(node->FItem);
    else
        parent->insertChild(index, node->FItem);
    FOwner->NodeCreated(node);
    return node;
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* aParent, const QString& S)
{
    return InternalAdd(aParent, S, nullptr, naAddChild);
}
TTreeNode* TTreeNodes::AddChildObject(TTreeNode* aParent, const QString& S, TObject* aData)
{
    return InternalAdd(aParent, S, aData, naAddChild);
}
TTreeNode* TTreeNodes::AddChildFirst(TTreeNode* aParent, const QString& S)
{
    return InternalAdd(aParent, S, nullptr, naAddChildFirst);
}
TTreeNode* TTreeNodes::AddChildObjectFirst(TTreeNode* aParent, const QString& S, TObject* aData)
{
    return InternalAdd(aParent, S, aData, naAddChildFirst);
}
TTreeNode* TTreeNodes::Add(TTreeNode* aSibling, const QString& S)
{
    return InternalAdd(aSibling, S, nullptr, naAdd);
}
TTreeNode* TTreeNodes::AddObject(TTreeNode* aSibling, const QString& S, TObject* aData)
{
    return InternalAdd(aSibling, S, aData, naAdd);
}
TTreeNode* TTreeNodes::AddFirst(TTreeNode* aSibling, const QString& S)
{
    return InternalAdd(aSibling, S, nullptr, naAddFirst);
}
TTreeNode* TTreeNodes::Insert(TTreeNode* aSibling, const QString& S)
{
    return InternalAdd(aSibling, S, nullptr, naInsert);
}
TTreeNode* TTreeNodes::InsertObject(TTreeNode* aSibling, const QString& S, TObject* aData)
{
    return InternalAdd(aSibling, S, aData, naInsert);
}

void TTreeNodes::Delete(TTreeNode* aNode)
{
    if (aNode != nullptr && aNode->GetOwner() == this) delete aNode;
}

void TTreeNodes::Clear()
{
    BeginUpdate();
    QTreeWidget* w = FOwner->FNative;
    while (w->topLevelItemCount() > 0) {
        QTreeWidgetItem* item = w->topLevelItem(w->topLevelItemCount() - 1);
        if (TTreeNode* n = NodeOf(item))
            delete n;
        else
            delete item;
    }
    EndUpdate();
}

int TTreeNodes::GetCount() const
{
    return FOwner->FNodeCount;
}

TTreeNode* TTreeNodes::GetItem(int anAbsoluteIndex) const
{
    FOwner->RebuildAbsolute();
    if (anAbsoluteIndex < 0 || anAbsoluteIndex >= static_cast<int>(FOwner->FAll.size())) return nullptr;
    return FOwner->FAll[anAbsoluteIndex];
}

TTreeNode* TTreeNodes::GetFirstNode() const
{
    return GetRoot(0);
}

int TTreeNodes::GetRootCount() const
{
    return FOwner->FNative->topLevelItemCount();
}

TTreeNode* TTreeNodes::GetRoot(int anIndex) const
{
    QTreeWidget* w = FOwner->FNative;
    if (anIndex < 0 || anIndex >= w->topLevelItemCount()) return nullptr;
    return NodeOf(w->topLevelItem(anIndex));
}

void TTreeNodes::BeginUpdate()
{
    if (FUpdateCount++ == 0) {
        ++FBracketCount;
        FOwner->UpdateUpdatesEnabled();
    }
}

void TTreeNodes::EndUpdate()
{
    if (FUpdateCount == 0) return;
    if (--FUpdateCount == 0) FOwner->UpdateUpdatesEnabled();
}

bool TTreeNodes::CustomSort(TTVCompare aCompare, std::intptr_t aData, bool aRecurse)
{
    if (aCompare == nullptr) return false;
    return FOwner->SortChildren(FOwner->FNative->invisibleRootItem(), aCompare, aData, aRecurse);
}

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
    if (aNode != GetSelected()) {
        TTreeNode* node = aNode;
        const auto watch = WatchNode(node);
        TreeNotify(tncSelChanging, node);
        if (node != aNode) return; // freed by a handler
    }
    SelectNative(aNode);
    if (aNode != nullptr) {
        aNode->MakeVisible();
        EnsureRowVisible(aNode);
    }
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
        std::vector<TTreeNode*> sorted = nodes;
        std::stable_sort(sorted.begin(), sorted.end(),
                         [&](TTreeNode* a, TTreeNode* b) { return aCompare(a, b, aData) < 0; });
        // Only a level whose order changes is taken out and put back.
        if (sorted != nodes) {
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
    if (aValue) {
        // As the platform's control: a node without children does not expand.
        if (!aNode->HasChildren()) return false;
        TreeNotify(tncItemExpanding, aNode);
        if (!CanExpand(aNode)) return false;
        if (!aNode->HasChildren() || aNode->FExpanded) return aNode->FExpanded;
    } else {
        TreeNotify(tncItemExpanding, aNode);
        if (!CanCollapse(aNode)) return false;
        if (!aNode->FExpanded) return true;
    }
    aNode->FExpanded = aValue;
    aNode->FItem->setExpanded(aValue);
    if (aNode->IsVisible()) RowsChanged();
    if (!aValue && FEditingNode != nullptr && FEditingNode->HasAsParent(aNode)) EditorDone(true);
    if (aValue)
        Expand(aNode);
    else
        Collapse(aNode);
    TreeNotify(tncItemExpanded, aNode);
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

// ---------------------------------------------------------------------------
// Mouse

static TWMMouse MouseMessage(QMouseEvent* e, TMouseButton aButton)
{
    TWMMouse m;
    m.Button = aButton;
    m.Shift = ShiftStateFromQt(e->modifiers(), e->buttons());
    const QPoint p = e->position().toPoint();
    m.XPos = p.x();
    m.YPos = p.y();
    return m;
}

void TCustomTreeView::NativeMouse(QMouseEvent* e, int aKind)
{
    e->accept();
    // An in-process drag started by this tree follows the pointer through
    // the control's own drag handling.
    if (Dragging() && (aKind == 1 || aKind == 2)) {
        const TPoint off = ClientOffset();
        QMouseEvent mapped(e->type(), e->position() + QPointF(off.X, off.Y), e->globalPosition(), e->button(),
                           e->buttons(), e->modifiers());
        if (aKind == 2)
            TWinControl::mouseMoveEvent(&mapped);
        else
            TWinControl::mouseReleaseEvent(&mapped);
        return;
    }
    GuardedCall([&] {
        TMouseButton button = mbLeft;
        if (e->button() == Qt::RightButton)
            button = mbRight;
        else if (e->button() == Qt::MiddleButton)
            button = mbMiddle;
        TWMMouse msg = MouseMessage(e, button);
        switch (aKind) {
        case 0:
            if (button == mbLeft)
                WMLButtonDown(msg);
            else if (button == mbRight)
                WMRButtonDown(msg);
            else
                MouseDown(button, msg.Shift, msg.XPos, msg.YPos);
            break;
        case 1:
            if (button == mbLeft)
                WMLButtonUp(msg);
            else if (button == mbRight)
                WMRButtonUp(msg);
            else
                MouseUp(button, msg.Shift, msg.XPos, msg.YPos);
            break;
        case 2:
            WMMouseMove(msg);
            break;
        case 3:
            if (button == mbLeft)
                WMLButtonDblClk(msg);
            else if (button == mbRight)
                WMRButtonDown(msg);
            break;
        }
    });
}

void TCustomTreeView::DefaultLButtonDown(const TWMMouse& Msg)
{
    ++FEditGeneration;
    FLeftDown = true;
    FDoubleClicked = false;
    FPressDragged = false;
    FPressNode = nullptr;
    if (IsEditing()) EditorDone(false);
    if (FNative->focusPolicy() != Qt::NoFocus && !FNative->hasFocus())
        FNative->setFocus(Qt::MouseFocusReason);
    TTreeNode* node = GetNodeAt(Msg.XPos, Msg.YPos);
    if (node == nullptr) return;
    if (HitButton(node, Msg.XPos)) {
        DoSetExpanded(node, !node->FExpanded);
        return;
    }
    FPressNode = node;
    FPressPos = TPoint(Msg.XPos, Msg.YPos);
    FPressOnSelected = node == GetSelected();
    if (!FPressOnSelected) SelectByUser(node);
}

void TCustomTreeView::WMLButtonDown(TWMMouse& Msg)
{
    DefaultLButtonDown(Msg);
    if (GetDragMode() == dmAutomatic && FPressNode != nullptr) {
        BeginDrag(false);
        return;
    }
    MouseDown(mbLeft, Msg.Shift, Msg.XPos, Msg.YPos);
}

void TCustomTreeView::WMLButtonUp(TWMMouse& Msg)
{
    const bool wasDown = FLeftDown;
    FLeftDown = false;
    TTreeNode* node = GetNodeAt(Msg.XPos, Msg.YPos);
    if (wasDown && FPressNode != nullptr && node == FPressNode && FPressOnSelected && !FPressDragged &&
        !FDoubleClicked && !FReadOnly && !HitButton(node, Msg.XPos)) {
        // A slow second click on the selected node's label: edit it unless a
        // double click follows within the double-click time.
        const TRect text = node->DisplayRect(true);
        if (FRowSelect || (Msg.XPos >= text.Left && Msg.XPos < text.Right)) StartEditTimer();
    }
    if (wasDown && FPressNode != nullptr && !FPressDragged) Click();
    MouseUp(mbLeft, Msg.Shift, Msg.XPos, Msg.YPos);
}

void TCustomTreeView::StartEditTimer()
{
    const int generation = ++FEditGeneration;
    TTreeNode* node = FPressNode;
    QPointer<QWidget> guard(FNative);
    QTimer::singleShot(QApplication::doubleClickInterval(), FNative, [this, generation, node, guard] {
        if (!guard || generation != FEditGeneration || FDestroying) return;
        GuardedCall([&] {
            if (node == GetSelected() && node != nullptr) StartEdit(node);
        });
    });
}

void TCustomTreeView::WMLButtonDblClk(TWMMouse& Msg)
{
    ++FEditGeneration;
    FLeftDown = true;
    FDoubleClicked = true;
    TTreeNode* node = GetNodeAt(Msg.XPos, Msg.YPos);
    if (node != nullptr && HitButton(node, Msg.XPos)) {
        DoSetExpanded(node, !node->FExpanded);
    } else {
        DblClick();
        if (node != nullptr && node->HasChildren()) DoSetExpanded(node, !node->FExpanded);
    }
    MouseDown(mbLeft, Msg.Shift + ssDouble, Msg.XPos, Msg.YPos);
}

void TCustomTreeView::DefaultRButtonDown(const TWMMouse& Msg, bool aRightClickSelect)
{
    FRightDown = true;
    if (IsEditing()) EditorDone(false);
    if (FNative->focusPolicy() != Qt::NoFocus && !FNative->hasFocus())
        FNative->setFocus(Qt::MouseFocusReason);
    if (aRightClickSelect) {
        if (TTreeNode* node = GetNodeAt(Msg.XPos, Msg.YPos)) SelectByUser(node);
    }
    MouseDown(mbRight, Msg.Shift, Msg.XPos, Msg.YPos);
}

void TCustomTreeView::WMRButtonDown(TWMMouse& Msg)
{
    DefaultRButtonDown(Msg, FRightClickSelect);
}

void TCustomTreeView::WMRButtonUp(TWMMouse& Msg)
{
    const bool wasDown = FRightDown;
    FRightDown = false;
    if (wasDown) TreeNotify(tncRightClick, GetNodeAt(Msg.XPos, Msg.YPos));
    MouseUp(mbRight, Msg.Shift, Msg.XPos, Msg.YPos);
}

void TCustomTreeView::WMMouseMove(TWMMouse& Msg)
{
    if (FLeftDown && FPressNode != nullptr && !FPressDragged) {
        const int d = std::abs(Msg.XPos - FPressPos.X) + std::abs(Msg.YPos - FPressPos.Y);
        if (d >= QApplication::startDragDistance()) {
            FPressDragged = true;
            ++FEditGeneration;
            TreeNotify(tncBeginDrag, FPressNode);
        }
    }
    MouseMove(Msg.Shift, Msg.XPos, Msg.YPos);
}

// ---------------------------------------------------------------------------
// Keys

void TCustomTreeView::NativeKey(QKeyEvent* e, bool aDown)
{
    e->accept();
    GuardedCall([&] {
        TWMKey msg;
        msg.CharCode = KeyCodeFromQt(e);
        msg.Shift = ShiftStateFromQt(e->modifiers());
        msg.Text = e->text();
        if (aDown) {
            WMKeyDown(msg);
            if (!msg.Text.isEmpty() && msg.Text.at(0).isPrint() && !msg.Shift.Contains(ssCtrl) &&
                !msg.Shift.Contains(ssAlt)) {
                QChar c = msg.Text.at(0);
                KeyPress(c);
            }
        } else {
            WMKeyUp(msg);
        }
    });
}

void TCustomTreeView::WMKeyDown(TWMKey& Msg)
{
    Word key = Msg.CharCode;
    KeyDown(key, Msg.Shift);
    if (key != 0) DefaultKeyDown(key, Msg.Shift);
    Msg.CharCode = key;
}

void TCustomTreeView::WMKeyUp(TWMKey& Msg)
{
    Word key = Msg.CharCode;
    KeyUp(key, Msg.Shift);
    Msg.CharCode = key;
}

void TCustomTreeView::DefaultKeyDown(Word& Key, TShiftState Shift)
{
    TTreeNode* sel = GetSelected();
    const int rows = GetVisibleRowCount();
    if (rows == 0) return;
    const int row = sel ? GetRowOfNode(sel) : -1;
    const int page = std::max(1, GetVisibleRowsInView() - 1);
    auto go = [&](int r) { SelectByUser(GetNodeFromRow(std::clamp(r, 0, rows - 1))); };
    switch (Key) {
    case VK_UP:
        if (Shift.Contains(ssCtrl))
            ScrollRows(-1);
        else
            go(row < 0 ? 0 : row - 1);
        break;
    case VK_DOWN:
        if (Shift.Contains(ssCtrl))
            ScrollRows(1);
        else
            go(row < 0 ? 0 : row + 1);
        break;
    case VK_HOME:
        go(0);
        break;
    case VK_END:
        go(rows - 1);
        break;
    case VK_PRIOR:
        go(row < 0 ? 0 : row - page);
        break;
    case VK_NEXT:
        go(row < 0 ? 0 : row + page);
        break;
    case VK_LEFT:
        if (sel == nullptr) break;
        if (sel->FExpanded && sel->HasChildren())
            DoSetExpanded(sel, false);
        else if (TTreeNode* p = sel->GetParent())
            SelectByUser(p);
        break;
    case VK_RIGHT:
        if (sel == nullptr || !sel->HasChildren()) break;
        if (!sel->FExpanded)
            DoSetExpanded(sel, true);
        else
            SelectByUser(sel->GetFirstChild());
        break;
    case VK_ADD:
        if (sel) DoSetExpanded(sel, true);
        break;
    case VK_SUBTRACT:
        if (sel) DoSetExpanded(sel, false);
        break;
    case VK_MULTIPLY:
        if (sel) sel->Expand(true);
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------
// Painting

void TCustomTreeView::NativePaint()
{
    WMPaint();
    TreeNotify(tncGetDispInfo, nullptr);
}

void TCustomTreeView::DrawBranches(QPainter* aPainter, const QRect& aRect, TTreeNode* aNode)
{
    aPainter->fillRect(aRect, ToQColor(GetColor()));
    const int levels = aNode->GetLevel() + RootIndentLevels();
    if (levels == 0) return;
    const int cy = aRect.top() + aRect.height() / 2;
    const QColor lineColor = ToQColor(clGray);
    auto dottedV = [&](int x, int y1, int y2) {
        aPainter->setPen(lineColor);
        for (int y = y1; y < y2; ++y) {
            if (((x + y) & 1) == 0) aPainter->drawPoint(x, y);
        }
    };
    auto dottedH = [&](int x1, int x2, int y) {
        aPainter->setPen(lineColor);
        for (int x = x1; x < x2; ++x) {
            if (((x + y) & 1) == 0) aPainter->drawPoint(x, y);
        }
    };
    const int ownCell = levels - 1;
    const int cellLeft = aRect.left() + ownCell * FIndent;
    const int cx = cellLeft + FIndent / 2;
    if (FShowLines) {
        // Continuation lines of the ancestors that have a next sibling.
        int cell = ownCell - 1;
        for (TTreeNode* a = aNode->GetParent(); a != nullptr && cell >= 0; a = a->GetParent(), --cell) {
            if (a->GetNextSibling() != nullptr)
                dottedV(aRect.left() + cell * FIndent + FIndent / 2, aRect.top(), aRect.bottom() + 1);
        }
        const bool first = aNode->GetParent() == nullptr && aNode->GetIndex() == 0;
        const int yTop = first ? cy : aRect.top();
        const int yBottom = aNode->GetNextSibling() != nullptr ? aRect.bottom() + 1 : cy + 1;
        dottedV(cx, yTop, yBottom);
        dottedH(cx, cellLeft + FIndent, cy);
    }
    if (FShowButtons && aNode->HasChildren()) {
        const QRect box(cx - 4, cy - 4, 9, 9);
        aPainter->fillRect(box, ToQColor(clWindow));
        aPainter->setPen(ToQColor(clGray));
        aPainter->drawRect(box.adjusted(0, 0, -1, -1));
        aPainter->setPen(ToQColor(clBlack));
        aPainter->drawLine(cx - 2, cy, cx + 2, cy);
        if (!aNode->FExpanded) aPainter->drawLine(cx, cy - 2, cx, cy + 2);
    }
}

void TCustomTreeView::DrawItem(QPainter* aPainter, TTreeNode* aNode, const QRect& aCell)
{
    TCanvas* c = FItemCanvas.get();
    c->SetPainter(aPainter);
    const auto unbind = qScopeGuard([c] { c->SetPainter(nullptr); });

    aPainter->fillRect(aCell, ToQColor(GetColor()));
    const bool selected = aNode == GetSelected();
    const bool focused = FNative->hasFocus();
    TCustomDrawState state;
    if (selected) state += cdsSelected;
    if (selected && focused) state += cdsFocused;

    c->Font.Assign(*GetFont());
    c->Brush.SetStyle(bsSolid);
    c->Brush.SetColor(GetColor());
    c->Pen.SetColor(clBlack);
    c->Pen.SetStyle(psSolid);
    c->Pen.SetMode(pmCopy);
    c->Pen.SetWidth(1);
    if (selected && (focused || !FHideSelection)) {
        c->Brush.SetColor(focused ? clHighlight : clBtnFace);
        c->Font.SetColor(focused ? clHighlightText : clWindowText);
    } else {
        c->Font.SetColor(clWindowText);
    }
    bool paintImages = true;
    TreeNotify(tncCustomDraw, aNode);
    if (IsCustomDrawn() && !CustomDrawItem(aNode, state, cdPrePaint, paintImages)) return;

    const int imageW = ImageWidth();
    int x = aCell.left();
    if (FImages != nullptr && paintImages) {
        const int index = selected ? aNode->FSelectedIndex : aNode->FImageIndex;
        FImages->Draw(c, x, aCell.top() + (aCell.height() - FImages->GetHeight()) / 2, index);
    }
    x += imageW;
    const QFont font = c->Font.Handle();
    const int textW = QFontMetrics(font).horizontalAdvance(aNode->FText) + 4;
    const QRect label = FRowSelect
                            ? QRect(x, aCell.top(), std::max(textW, aCell.right() + 1 - x), aCell.height())
                            : QRect(x, aCell.top(), textW, aCell.height());
    if (c->Brush.GetStyle() != bsClear) aPainter->fillRect(label, ToQColor(c->Brush.GetColor()));
    aPainter->setFont(font);
    aPainter->setPen(ToQColor(c->Font.GetColor()));
    aPainter->drawText(QRect(x + 2, aCell.top(), textW, aCell.height()), Qt::AlignLeft | Qt::AlignVCenter,
                       aNode->FText);
    if (selected && focused && !IsCustomDrawn()) {
        TCanvas focusCanvas(aPainter);
        focusCanvas.DrawFocusRect(TRect::From(label));
    }
    if (IsCustomDrawn()) {
        bool dummy = true;
        OnAdvancedCustomDrawItem(this, aNode, state, cdPostPaint, paintImages, dummy);
    }
}

// ---------------------------------------------------------------------------
// In-place editing

bool TCustomTreeView::StartEdit(TTreeNode* aNode)
{
    if (aNode == nullptr || aNode->GetTreeView() != this || FReadOnly) return false;
    if (IsEditing()) EditorDone(false);
    {
        TTreeNode* node = aNode;
        const auto watch = WatchNode(node);
        TreeNotify(tncBeginLabelEdit, node);
        if (node == nullptr) return false;
    }
    if (!CanEdit(aNode)) return false;
    if (aNode->GetTreeView() != this) return false; // deleted by a handler
    aNode->MakeVisible();
    EnsureRowVisible(aNode);
    FEditingNode = aNode;
    auto* editor = new detail::TTreeEdit(this, FNative->viewport());
    // The caption of a node holds at most 255 characters.
    editor->setMaxLength(255);
    editor->setFont(GetFont()->Handle());
    editor->setText(aNode->FText);
    editor->selectAll();
    const TRect r = aNode->DisplayRect(true);
    const int w = std::max(r.Width() + 24, 60);
    editor->setGeometry(r.Left, r.Top, std::min(w, std::max(60, FNative->viewport()->width() - r.Left)),
                        r.Height());
    editor->Done = [this](bool aCancel) { EditorDone(aCancel); };
    editor->Press = [this](QChar& aKey) { KeyPress(aKey); };
    FEditor = editor;
    editor->show();
    editor->setFocus(Qt::OtherFocusReason);
    return true;
}

void TCustomTreeView::EditorDone(bool aCancel)
{
    if (FEditor == nullptr || FEndingEdit) return;
    const QScopedValueRollback ending(FEndingEdit, true);
    TTreeNode* node = FEditingNode;
    QString text = FEditor->text();
    QLineEdit* editor = FEditor;
    FEditor = nullptr;
    FEditingNode = nullptr;
    editor->hide();
    editor->deleteLater();
    if (!FDestroying && FNative->isVisible()) FNative->setFocus(Qt::OtherFocusReason);
    if (FDestroying || node == nullptr) return;
    const auto watch = WatchNode(node);
    TreeNotify(tncEndLabelEdit, node);
    if (aCancel || node == nullptr) return;
    Edit(node, text);
    if (node != nullptr) TreeNotify(tncSetDispInfo, node);
}

} // namespace skedra
