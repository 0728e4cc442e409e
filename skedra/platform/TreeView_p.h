#pragma once
// Implementation of the native tree view, shared by its source files: the Qt
// item of a node, the item delegate, the QTreeWidget subclass that routes Qt's
// events to the tree, and the in-place label editor. Not installed.

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include <functional>

#include "skedra/platform/Messages.h"
#include "skedra/platform/SlotPool.h"
#include "skedra/platform/TreeView.h"

namespace skedra
{

namespace detail
{

// The Qt item that shows one node.
struct TTreeItem : QTreeWidgetItem {
    explicit TTreeItem(TTreeNode* aNode) : QTreeWidgetItem(QTreeWidgetItem::UserType), Node(aNode) {}
    static void* operator new(std::size_t aSize) { return TSlotPools::Allocate(aSize); }
    static void operator delete(void* aPointer, std::size_t aSize) { TSlotPools::Free(aPointer, aSize); }
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
    void mousePressEvent(QMouseEvent* e) override { FOwner->NativeMouse(e, TCustomTreeView::nmkPress); }
    void mouseReleaseEvent(QMouseEvent* e) override { FOwner->NativeMouse(e, TCustomTreeView::nmkRelease); }
    void mouseMoveEvent(QMouseEvent* e) override { FOwner->NativeMouse(e, TCustomTreeView::nmkMove); }
    void mouseDoubleClickEvent(QMouseEvent* e) override
    {
        FOwner->NativeMouse(e, TCustomTreeView::nmkDoubleClick);
    }
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
    explicit TTreeEdit(QWidget* aParent) : QLineEdit(aParent) {}
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
        if (e->reason() != Qt::PopupFocusReason) GuardedCall([&] { Done(false); });
    }
};

} // namespace detail

} // namespace skedra
