// The data-bound tree's display: the lazy update that keeps the native nodes in
// step with the data, the sort pass, the queue of nodes to free, automatic
// expansion, the invariants, and the list notification handlers.
#include "skedra/tree/qvTree.h"

#include <QScopeGuard>
#include <QScopedValueRollback>

#include <functional>
#include <unordered_set>

namespace skedra
{

namespace
{

const QString& PlaceholderText()
{
    static const QString text = QStringLiteral("Not initiated");
    return text;
}

} // namespace

void TqvTree_ComBasic::EnsureDisplayUpToDate()
{
    if (!DisplayDirty || Updating || InExpand || FClearing) return;
    if (ForeignNodes) {
        ForeignNodes = false;
        GetItems()->Clear();
    }
    // A handler raised by a pass may change the data again and mark the display
    // dirty: that change gets another pass. Two more at most, so that a handler
    // that changes the data on every pass cannot keep the tree busy; what it
    // marks after that waits for the next call.
    for (int pass = 0; pass < 3 && DisplayDirty && !FBeingDestroyed; ++pass) {
        DisplayDirty = false;
        UpdateDisplay();
    }
    HandleAutoExpand();
}

void TqvTree_ComBasic::RestoreAfterUpdate(int theHorz)
{
    SelectNative(SavedSelected);
    if (SavedTopItem != nullptr) TCustomTreeView::SetTopItem(SavedTopItem);
    SetHorzScrollPos(theHorz);
    FEntityRowsDirty = true;
}

void TqvTree_ComBasic::UpdateDisplay()
{
    if (FBeingDestroyed) return;
    UpdateDisplayPass();
#ifndef QT_NO_DEBUG
    QString why;
    Q_ASSERT_X(InExpand || CheckInvariants(&why), "TqvTree_ComBasic::UpdateDisplay", qPrintable(why));
#endif
}

void TqvTree_ComBasic::UpdateDisplayPass()
{
    ++FUpdateDisplayCount;
    Updating = true;
    // Cleared on every exit: a handler that raises during the update must not
    // leave the tree never updating again.
    const auto clearUpdating = qScopeGuard([this] { Updating = false; });
    SavedSelected = GetSelected();
    SavedTopItem = TCustomTreeView::GetTopItem();
    const int horz = GetHorzScrollPos();
    {
        TqvBeginUpdate bracket(MakeMethod<&TqvTree_ComBasic::BeginUpdate>(this),
                               MakeMethod<&TqvTree_ComBasic::EndUpdate>(this));
        // On a failure the selection, the top row and the horizontal position
        // still come back; the failure itself is what the caller sees.
        auto restore = qScopeGuard([&] {
            try {
                RestoreAfterUpdate(horz);
            } catch (...) {
            }
        });
        // Nothing to show before the lists exist.
        TqvDataList_Tree* roots = RootDataList;
        for (int i = 0; roots != nullptr && i < roots->Count(); ++i) {
            auto* e = static_cast<TqvDataEntity_Tree*>(roots->GetItems(i));
            if (e != nullptr) SyncEntity(e, e->Node, bracket);
        }
        // Free the queued nodes; each leaves the queue in its destructor.
        for (std::size_t i = 0; i < NodesToDelete.size(); ++i) {
            TTreeNode_qvSub* node = NodesToDelete[i];
            if (node == nullptr) continue;
            bracket.Mark();
            NodesToDelete[i] = nullptr;
            node->FDeleteSlot = -1;
            if (node == SavedSelected) SavedSelected = nullptr;
            if (node == SavedTopItem) SavedTopItem = nullptr;
            if (!node->Destroying) delete node;
        }
        NodesToDelete.clear();
        if (RootDataList != nullptr) SortPass(RootDataList, bracket);
        restore.dismiss();
        RestoreAfterUpdate(horz);
    }
}

void TqvTree_ComBasic::SyncEntity(TqvDataEntity_Tree* E, TTreeNode* N, TqvBeginUpdate& theBracket)
{
    if (E != nullptr && E->HideNode) {
        if (E->Node != nullptr || E->DummyNode != nullptr) {
            theBracket.Mark();
            CleanTreeNode(E);
        }
        return;
    }
    if (E == nullptr) {
        if (N == nullptr) return;
        theBracket.Mark();
        for (int i = N->GetCount() - 1; i >= 0; --i)
            SyncEntity(nullptr, N->GetItem(i), theBracket);
        RemoveNode(N);
        return;
    }
    // Handlers raised below (an expansion) may delete E, its list or every
    // entity of the tree: E stays valid until this returns, and a deleted E
    // has lost its node, which ends the walk here.
    const TqvExposable::TKeepAlive keepEntity(E);
    TqvDataList_Tree* sub = E->SubDataList;
    if (N == nullptr) {
        TqvDataEntity_Tree* P = E->ParentNode();
        TTreeNode* PN = P ? P->Node : nullptr;
        // A handler took the parent's node away while its children were made:
        // this node would land at the top level. The next pass makes both.
        if (P != nullptr && PN == nullptr) return;
        if (P != nullptr && P->DummyNode != nullptr) {
            // The placeholder becomes this entity's node.
            N = P->DummyNode;
            P->DummyNode = nullptr;
            N->SetData(E);
            if (N->GetText() != E->Text) N->SetText(E->Text);
        } else {
            theBracket.Mark();
            // A new node goes last among its siblings: when a later sibling
            // already has a node, the level is sorted again at the end.
            TTreeNode* last = PN ? PN->GetLastChild() : GetItems()->GetRoot(GetItems()->GetRootCount() - 1);
            if (TqvDataEntity_Tree* le = GetDataEntityFromNode(last);
                le != nullptr && le->GetDataList() == E->GetDataList() && le->ListIndex() > E->ListIndex()) {
                if (auto* list = dynamic_cast<TqvDataList_Tree*>(E->GetDataList())) list->SortPending = true;
            }
            N = GetItems()->AddChildObject(PN, E->Text, E);
            // Linked before any handler runs, so that a failing one leaves no half pair.
            E->Node = N;
            if (P != nullptr && P->Expanded && PN != nullptr && !PN->GetExpanded()) PN->SetExpanded(true);
            if (E->Node != N) return; // a handler took the node away
        }
        E->Node = N;
        // A placeholder gives the node its button: for an entity without
        // children (within MaxLevels), and for a collapsed one whose children
        // are then made only when it is expanded.
        if (sub != nullptr && E->DummyNode == nullptr) {
            const bool lazy = sub->Count() > 0 && !E->Expanded;
            if (lazy || (sub->Count() == 0 && NeedsDummyNode(E) &&
                         (MaxLevels == -1 || N->GetLevel() < MaxLevels - 1))) {
                theBracket.Mark();
                E->DummyNode = GetItems()->AddChildObject(N, PlaceholderText(), nullptr);
            }
        }
    }
    E->Node = N;
    N->SetData(E);
    if (N->GetText() != E->Text) {
        theBracket.Mark();
        N->SetText(E->Text);
    }
    if (N->GetImageIndex() != E->ImageIndex) {
        theBracket.Mark();
        N->SetImageIndex(E->ImageIndex);
    }
    if (N->GetSelectedIndex() != E->SelectedIndex) {
        theBracket.Mark();
        N->SetSelectedIndex(E->SelectedIndex);
    }
    // A node without children cannot expand; asking again each pass would
    // bracket the native tree for nothing.
    if (N->GetExpanded() != E->Expanded && (N->HasChildren() || !E->Expanded)) {
        theBracket.Mark();
        N->SetExpanded(E->Expanded);
        if (E->Node != N) return; // a handler took the node away
    }
    // Behind a placeholder the children wait for the entity's expansion.
    if (E->DummyNode != nullptr && (!E->Expanded || !N->GetExpanded())) return;
    sub = E->SubDataList;
    if (sub == nullptr) return;
    const TqvExposable::TKeepAlive keepList(sub);
    for (int i = 0; i < sub->Count() && E->Node == N; ++i) {
        auto* child = static_cast<TqvDataEntity_Tree*>(sub->GetItems(i));
        if (child != nullptr) SyncEntity(child, child->Node, theBracket);
    }
}

int TqvTree_ComBasic::CompareNodesByListIndex(TTreeNode* a, TTreeNode* b, std::intptr_t theData)
{
    auto* tree = reinterpret_cast<TqvTree_ComBasic*>(theData);
    TqvDataEntity_Tree* ea = tree->GetDataEntityFromNode(a);
    TqvDataEntity_Tree* eb = tree->GetDataEntityFromNode(b);
    if (ea == nullptr || eb == nullptr) return 0;
    return ea->ListIndex() - eb->ListIndex();
}

void TqvTree_ComBasic::SortPass(TqvDataList_Tree* L, TqvBeginUpdate& theBracket)
{
    for (int i = 0; i < L->LoadedCount(); ++i) {
        auto* e = static_cast<TqvDataEntity_Tree*>(L->GetLoaded(i));
        // Children behind a placeholder have no nodes to order.
        if (e->SubDataList != nullptr && e->SubDataList->Count() > 0 && e->Node != nullptr &&
            e->DummyNode == nullptr)
            SortPass(e->SubDataList, theBracket);
    }
    if (L->SortPending && L->Count() > 0) {
        theBracket.Mark();
        const auto data = reinterpret_cast<std::intptr_t>(this);
        if (L == RootDataList)
            GetItems()->CustomSort(&CompareNodesByListIndex, data, true);
        else if (L->OwnerEntity != nullptr && L->OwnerEntity->Node != nullptr)
            L->OwnerEntity->Node->CustomSort(&CompareNodesByListIndex, data, false);
        L->SortPending = false;
    }
}

void TqvTree_ComBasic::RemoveNode(TTreeNode* theNode)
{
    auto* node = dynamic_cast<TTreeNode_qvSub*>(theNode);
    if (node == nullptr) {
        delete theNode;
        return;
    }
    if (node->FDeleteSlot < 0) {
        node->FDeleteSlot = static_cast<int>(NodesToDelete.size());
        NodesToDelete.push_back(node);
    }
    node->SetData(nullptr);
    FEntityRowsDirty = true;
}

void TqvTree_ComBasic::CleanTreeNode(TqvDataEntity_Tree* theEntity)
{
    if (theEntity == nullptr) return;
    if (theEntity->Node != nullptr) RemoveNode(theEntity->Node);
    if (theEntity->DummyNode != nullptr) RemoveNode(theEntity->DummyNode);
    theEntity->Node = nullptr;
    theEntity->DummyNode = nullptr;
    if (TqvDataList_Tree* sub = theEntity->SubDataList) {
        for (int i = 0; i < sub->LoadedCount(); ++i)
            CleanTreeNode(static_cast<TqvDataEntity_Tree*>(sub->GetLoaded(i)));
    }
}

void TqvTree_ComBasic::NodeGone(TTreeNode_qvSub* theNode)
{
    if (theNode == SavedSelected) {
        SavedSelected = nullptr;
        SelectNative(nullptr);
    }
    if (theNode == SavedTopItem) SavedTopItem = nullptr;
    if (theNode == SelectAnchor) SelectAnchor = nullptr;
    if (theNode == EditingNode) EditingNode = nullptr;
    if (theNode->FDeleteSlot >= 0) {
        if (theNode->FDeleteSlot < static_cast<int>(NodesToDelete.size()) &&
            NodesToDelete[theNode->FDeleteSlot] == theNode)
            NodesToDelete[theNode->FDeleteSlot] = nullptr;
        theNode->FDeleteSlot = -1;
    }
    FEntityRowsDirty = true;
}

bool TqvTree_ComBasic::CheckInvariants(QString* theWhy) const
{
    auto fail = [&](const QString& why) {
        if (theWhy != nullptr) *theWhy = why;
        return false;
    };
    QString platform;
    if (!TCustomTreeView::CheckInvariants(&platform)) return fail(platform);
    if (Updating || InExpand || FClearing)
        return fail(QStringLiteral("an update, expansion or clear flag is still up"));
    for (const TTreeNode_qvSub* node : NodesToDelete)
        if (node != nullptr && node->GetData() != nullptr)
            return fail(QStringLiteral("a queued node keeps its data"));
    if (RootDataList == nullptr) return true;
    std::unordered_set<const TqvDataList*> lists;
    for (int i = 0; i < DataLists->Count(); ++i)
        lists.insert(DataLists->GetDataList(i));
    std::function<bool(TqvDataList_Tree*)> walk = [&](TqvDataList_Tree* list) {
        for (int i = 0; i < list->LoadedCount(); ++i) {
            auto* e = static_cast<TqvDataEntity_Tree*>(list->GetLoaded(i));
            const QString name = e->Text;
            if (e->SubDataList == nullptr || e->SubDataList->OwnerEntity != e ||
                !lists.contains(e->SubDataList))
                return fail(QStringLiteral("%1 has no registered sub-list").arg(name));
            if (e->Node != nullptr) {
                if (e->Node->GetData() != e)
                    return fail(QStringLiteral("%1 and its node disagree").arg(name));
                if (e->HideNode && !DisplayDirty)
                    return fail(QStringLiteral("%1 is hidden but has a node").arg(name));
                // An entity moved by a handler during the last pass gets its
                // place in the next one.
                TqvDataEntity_Tree* parent = e->ParentNode();
                if (!DisplayDirty && e->Node->GetParent() != (parent ? parent->Node : nullptr))
                    return fail(QStringLiteral("%1's node is under the wrong parent").arg(name));
            }
            if (e->DummyNode != nullptr) {
                if (e->Node == nullptr || e->DummyNode->GetParent() != e->Node || e->Node->GetCount() != 1 ||
                    e->DummyNode->GetData() != nullptr)
                    return fail(
                        QStringLiteral("%1's placeholder is not the only child of its node").arg(name));
            }
            if (!walk(e->SubDataList)) return false;
        }
        return true;
    };
    if (!walk(RootDataList)) return false;
    // Every node with data belongs to that entity.
    for (int i = 0; i < GetItems()->GetCount(); ++i) {
        TTreeNode* node = GetItems()->GetItem(i);
        if (auto* e = GetDataEntityFromNode(node); e != nullptr && e->Node != node)
            return fail(QStringLiteral("a node points at %1, which does not point back").arg(e->Text));
    }
    return true;
}

void TqvTree_ComBasic::HandleAutoExpand()
{
    if (AutoExpandLevels >= 1) {
        // The entities to open are collected first and kept alive: opening one
        // raises events whose handlers may delete entities and their lists.
        std::vector<TqvDataEntity_Tree*> candidates;
        std::vector<TqvExposable::TKeepAlive> keep;
        TDataListTrav trav(GetDataLists());
        for (trav.First(); !trav.Eof(); trav.Next()) {
            auto* e = dynamic_cast<TqvDataEntity_Tree*>(trav.DataEntity());
            if (e != nullptr && e->GetLevel() <= AutoExpandLevels - 1 && e->GetVisible() && !e->Expanded) {
                candidates.push_back(e);
                keep.emplace_back(e);
            }
        }
        for (TqvDataEntity_Tree* e : candidates)
            if (!e->IsFreePending() && !e->Expanded && e->GetVisible()) PerformAutoExpandItem(e);
    }
    EnsureDisplayUpToDate();
}

void TqvTree_ComBasic::PerformAutoExpandItem(TqvDataEntity_Tree* theEntity)
{
    theEntity->SetExpanded(true);
}

// ===========================================================================
// List notifications

void TqvTree_ComBasic::_InsertItem(TqvDataEntity* theEntity)
{
    auto* entity = CheckedCast<TqvDataEntity_Tree>(theEntity);
    entity->SubDataList = NewList(entity);
    if (auto* list = dynamic_cast<TqvDataList_Tree*>(entity->GetDataList())) list->SortPending = true;
    OnInsertItem(this, theEntity);
    DisplayOutOfDate();
}

void TqvTree_ComBasic::_DeleteItem(TqvDataEntity* theEntity)
{
    auto* entity = dynamic_cast<TqvDataEntity_Tree*>(theEntity);
    if (entity == nullptr) return;
    if (PendingCurrent == entity) PendingCurrent = nullptr;
    if (LastTopItem == entity) LastTopItem = nullptr;
    FEntityDeleteEvent.TriggerEvent(entity);
    OnDataEntityDelete(this, entity);
    OnDeleteItem(this, theEntity);
    TqvDataList_Tree* sub = entity->SubDataList;
    if (sub != nullptr) DataLists->Remove(sub);
    CleanTreeNode(entity);
    if (sub != nullptr) {
        sub->Clear();
        entity->SubDataList = nullptr;
        sub->FreeWheneverPossible();
    }
    DisplayOutOfDate();
}

void TqvTree_ComBasic::_OnHandlePerformedMove(TqvDataEntity* theEntity, int, int)
{
    auto* entity = dynamic_cast<TqvDataEntity_Tree*>(theEntity);
    if (entity == nullptr) return;
    // No display update here: a burst of moves costs one update at the next
    // paint. An entity without a node yet gets one there, in place.
    // The subtree's nodes go with the entity's node; their entities forget them now.
    CleanTreeNode(entity);
    if (auto* list = dynamic_cast<TqvDataList_Tree*>(entity->GetDataList())) list->SortPending = true;
    DisplayOutOfDate();
}

void TqvTree_ComBasic::_EnterOwnerAfterChange(TqvDataEntity* theEntity)
{
    auto* entity = dynamic_cast<TqvDataEntity_Tree*>(theEntity);
    if (entity == nullptr) return;
    auto* list = dynamic_cast<TqvDataList_Tree*>(entity->GetDataList());
    if (list != nullptr) list->SortPending = true;
    if (entity->Node == nullptr) {
        DisplayOutOfDate();
        return;
    }
    TqvDataEntity_Tree* owner = list ? list->OwnerEntity : nullptr;
    if (owner != nullptr && owner->Node != nullptr && !owner->HideNode) {
        // A placeholder would otherwise stay beside the new child.
        if (owner->DummyNode != nullptr) {
            RemoveNode(owner->DummyNode);
            owner->DummyNode = nullptr;
        }
        entity->Node->MoveTo(owner->Node, naAddChild);
    } else if (owner == nullptr) {
        entity->Node->MoveTo(nullptr, naAdd);
    } else {
        // The new owner has no node: the entity's nodes are made afresh when it gets one.
        CleanTreeNode(entity);
    }
    DisplayOutOfDate();
}

void TqvTree_ComBasic::_LeaveOwnerBeforeChange(TqvDataEntity*) {}
void TqvTree_ComBasic::_OnVisibleChanged(TqvDataEntity*) {}

void TqvTree_ComBasic::_ContentChanged(TqvDataList* theList)
{
    // A list that sorted itself reports only this: its nodes must follow.
    if (auto* list = dynamic_cast<TqvDataList_Tree*>(theList)) list->SortPending = true;
    DisplayOutOfDate();
    OnContentChanged(this, theList);
}

void TqvTree_ComBasic::_SelectionChanged(TqvDataList* theList, TqvDataEntity* theEntity)
{
    if (theEntity == nullptr) return;
    // An out-of-date display is redrawn whole at the next paint; bringing it
    // up to date here would cost an update per selected entity.
    if (auto* entity = dynamic_cast<TqvDataEntity_Tree*>(theEntity);
        entity && entity->Node && !DisplayDirty) {
        const TRect r = entity->Node->DisplayRect(false);
        if (!r.IsEmpty()) Viewport()->update(r.ToQRect());
    }
    OnSelectionChanged(this, theList, theEntity);
}

void TqvTree_ComBasic::_OnInfoPush(TqvDataEntity* theEntity)
{
    OnValueChanged(this, theEntity);
}

void TqvTree_ComBasic::_OnBeforeCanEditItem(TqvDataEntity* theEntity)
{
    OnBeforeCanEditItem(this, theEntity);
}

int TqvTree_ComBasic::_SortCompare(TqvDataEntity* the1, TqvDataEntity* the2)
{
    return OnSortCompare.Assigned() ? OnSortCompare(the1, the2) : 0;
}

} // namespace skedra
