// The native tree view: nodes and the node collection.
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
    TCustomTreeView* tv = GetTreeView();
    TTreeNode* self = this;
    if (tv == nullptr) return;
    // An expansion handler may free this node or any parent: both are watched,
    // and the walk stops at the first one freed.
    const auto watchSelf = tv->WatchNode(self);
    for (TTreeNode* p = GetParent(); p != nullptr && self != nullptr;) {
        const auto watchParent = tv->WatchNode(p);
        if (!p->FExpanded) p->SetExpanded(true);
        if (p == nullptr || self == nullptr) return;
        p = p->GetParent();
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
    // Out of the view in one step: Qt then updates its persistent indexes
    // (one per expanded node) once instead of once per node. The nodes are
    // freed afterwards, last to first.
    // The selection goes with them: reported once, when every node is gone.
    const bool hadCurrent = w->currentItem() != nullptr;
    QList<QTreeWidgetItem*> items;
    {
        const QSignalBlocker block(w);
        items = w->invisibleRootItem()->takeChildren();
    }
    FOwner->StructureChanged();
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        if (TTreeNode* n = NodeOf(*it))
            delete n;
        else
            delete *it;
    }
    EndUpdate();
    if (hadCurrent && w->currentItem() == nullptr) FOwner->CurrentChangedNative(nullptr);
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

} // namespace skedra
