#include "skedra/data/DataList.h"

#include <QScopedValueRollback>

#include <algorithm>
#include <climits>
#include <exception>

#include "skedra/platform/Exceptions.h"

namespace skedra
{

namespace
{

// Keeps a batch of entities alive while handlers run, so that a handler may
// free any of them; each is freed when the batch is released.
class TKeepBatch
{
public:
    explicit TKeepBatch(const std::vector<TqvDataEntity*>& entities)
    {
        FKeeps.reserve(entities.size());
        for (TqvDataEntity* e : entities)
            FKeeps.emplace_back(e);
    }

private:
    std::vector<TqvExposable::TKeepAlive> FKeeps;
};

} // namespace

TqvDataEntity* TqvDataEntityClass::Create() const
{
    if (FCreate == nullptr) throw Exception(QStringLiteral("The data list has no entity class"));
    return FCreate();
}

// ================================================================ TqvDataEntity

void TqvDataEntity::AfterCreate(TqvDataList* theList)
{
    FDataList = theList;
    SetVisible(true);
}

void TqvDataEntity::CleanForFree()
{
    TqvDataList* list = FDataList;
    if (list == nullptr || FCleaning) return;
    TKeepAlive keepList(list);
    QScopedValueRollback cleaning(FCleaning, true);
    // Freed directly rather than by its list: leave the window first, as Delete does.
    int p = -1;
    if (FInWindow) {
        p = list->WindowPosOf(this);
        if (p >= 0) {
            const int i = p + list->UnloadedBefore;
            list->TakeOut(p);
            list->ListIndexesOutOfDate(i);
        }
        FInWindow = false;
    }
    // Both are told even when the first fails; the first failure is raised.
    std::exception_ptr failure;
    try {
        if (TqvListController* c = list->Controller) c->OnDeleteItem(this);
    } catch (...) {
        failure = std::current_exception();
    }
    try {
        if (TqvListController* c = list->Controller) c->OnContentChanged(list);
    } catch (...) {
        if (!failure) failure = std::current_exception();
    }
    if (failure) {
        // Not freed then: it stays in its list, so that nothing refers to a freed entity.
        if (p >= 0) list->TakeBack(this, p);
        std::rethrow_exception(failure);
    }
    FDataList = nullptr;
}

void TqvDataEntity::SetVisible(bool b)
{
    if (b == FVisible) return;
    FVisible = b;
    if (FDataList && FDataList->Controller) FDataList->Controller->OnVisibleChanged(this);
}

bool TqvDataEntity::GetVisible() const
{
    return FVisible;
}

void TqvDataEntity::SetSelected(bool b)
{
    if (b == FSelected) return;
    FSelected = b;
    if (FDataList && FDataList->Controller) FDataList->Controller->OnSelectionChanged(FDataList, this);
}

bool TqvDataEntity::GetCanEdit()
{
    if (FDataList && FDataList->Controller && FDataList->Controller->OnBeforeCanEditItem) {
        TKeepAlive keep(this);
        FDataList->Controller->OnBeforeCanEditItem(this);
        return CanEdit;
    }
    return CanEdit;
}

void TqvDataEntity::DoInfoPush()
{
    if (FDataList && FDataList->Controller) FDataList->Controller->OnInfoPush(this);
}

int TqvDataEntity::ListIndex()
{
    if (FDataList == nullptr) return -1;
    if (FInWindow) FDataList->EnsureListIndexes();
    return FListIndex;
}

void TqvDataEntity::Move(int aNewIndex)
{
    TqvDataList* list = FDataList;
    if (list == nullptr || !FInWindow) return;
    list->CheckNotSorting();
    if (aNewIndex < 0 || aNewIndex >= list->Count()) return;
    // Busy entities are never unloaded, so loading the target cannot purge this one.
    TKeepAlive keepList(list);
    TKeepAlive keepSelf(this);
    list->EnsureLoadedItem(aNewIndex);
    if (FDataList != list || !FInWindow || !list->IsLoaded(aNewIndex)) return; // a handler took it away
    const int oldIndex = ListIndex();
    const int oldPos = list->WindowPosOf(this);
    const int newPos = aNewIndex - list->UnloadedBefore;
    auto& items = list->LoadedItems;
    if (oldPos < newPos)
        std::rotate(items.begin() + oldPos, items.begin() + oldPos + 1, items.begin() + newPos + 1);
    else if (newPos < oldPos)
        std::rotate(items.begin() + newPos, items.begin() + oldPos, items.begin() + oldPos + 1);
    list->ListIndexesOutOfDate(std::min(oldIndex, aNewIndex));
    list->AssertInvariants();
    if (list->Controller) list->Controller->OnHandlePerformedMove(this, oldIndex, aNewIndex);
}

void TqvDataEntity::ChangeOwner(TqvDataList* aNewList, int aPosition)
{
    TqvDataList* oldList = FDataList;
    if (aNewList == nullptr || oldList == nullptr || aNewList == oldList || !FInWindow) return;
    if (!aNewList->ItemClass.IsInstance(this)) return;
    oldList->CheckNotSorting();
    aNewList->CheckNotSorting();
    TKeepAlive keepSelf(this);
    TKeepAlive keepOld(oldList);
    TKeepAlive keepNew(aNewList);
    aPosition = std::clamp(aPosition, 0, aNewList->Count());
    // Load the target so that the entity lands at list index aPosition, also
    // when the new list holds unloaded entities.
    if (aPosition < aNewList->Count())
        aNewList->EnsureLoadedItem(aPosition);
    else if (aPosition > 0)
        aNewList->EnsureLoadedItem(aPosition - 1);
    if (FDataList != oldList || !FInWindow) return;

    if (oldList->Controller) oldList->Controller->OnLeaveOwnerBeforeChange(this);
    if (FDataList != oldList || !FInWindow || aNewList->IsFreePending()) return;

    const int oldPos = oldList->WindowPosOf(this);
    const int oldIndex = oldPos + oldList->UnloadedBefore;
    oldList->TakeOut(oldPos);
    oldList->ListIndexesOutOfDate(oldIndex);

    FDataList = aNewList;
    const int p = std::clamp(aPosition - aNewList->UnloadedBefore, 0, aNewList->LoadedCount());
    aNewList->PutIn(p, this);
    FListIndex = p + aNewList->UnloadedBefore;
    aNewList->ListIndexesOutOfDate(FListIndex);
    oldList->AssertInvariants();
    aNewList->AssertInvariants();

    if (aNewList->Controller) aNewList->Controller->OnEnterOwnerAfterChange(this);
    if (aNewList->Controller) aNewList->Controller->OnContentChanged(aNewList);
    if (oldList->Controller) oldList->Controller->OnContentChanged(oldList);
}

// ================================================================ TqvDataList

TqvDataList::~TqvDataList()
{
    // Normally empty (CleanForFree ran); anything a handler added since goes silently.
    std::vector<TqvDataEntity*> rest;
    rest.swap(LoadedItems);
    for (TqvDataEntity* e : rest) {
        e->FInWindow = false;
        e->FDataList = nullptr;
        FreeCall(e);
    }
}

void TqvDataList::AfterCreate(TqvListController* aController, TqvDataEntityClass aItemClass)
{
    LoadedItems.clear();
    Controller = aController;
    ItemClass = aItemClass;
    ListIndexesOutOfDate(0);
}

void TqvDataList::CheckNotSorting() const
{
    if (FSorting) throw Exception(QStringLiteral("The data list cannot be changed while it is being sorted"));
}

TqvDataEntity* TqvDataList::TakeOut(int p)
{
    CheckNotSorting();
    TqvDataEntity* e = LoadedItems[static_cast<size_t>(p)];
    LoadedItems.erase(LoadedItems.begin() + p);
    e->FInWindow = false;
    FoldIfEmpty();
    return e;
}

void TqvDataList::PutIn(int p, TqvDataEntity* theEntity)
{
    CheckNotSorting();
    // Lists are mostly short (a row's layer, a node's children): one
    // allocation for the first few entities instead of one per doubling.
    if (LoadedItems.capacity() == 0) LoadedItems.reserve(4);
    LoadedItems.insert(LoadedItems.begin() + p, theEntity);
    theEntity->FInWindow = true;
}

void TqvDataList::FoldIfEmpty()
{
    if (LoadedItems.empty() && UnloadedBefore != 0) {
        UnloadedAfter += UnloadedBefore;
        UnloadedBefore = 0;
    }
}

int TqvDataList::WindowPosOf(const TqvDataEntity* theEntity) const
{
    if (theEntity == nullptr || !theEntity->FInWindow || theEntity->FDataList != this) return -1;
    const_cast<TqvDataList*>(this)->EnsureListIndexes();
    const int p = theEntity->FListIndex - UnloadedBefore;
    if (p >= 0 && p < LoadedCount() && LoadedItems[static_cast<size_t>(p)] == theEntity) return p;
    const auto it = std::find(LoadedItems.begin(), LoadedItems.end(), theEntity);
    return it == LoadedItems.end() ? -1 : static_cast<int>(it - LoadedItems.begin());
}

void TqvDataList::CleanForFree()
{
    CheckNotSorting();
    TKeepAlive keep(this);
    // The window is emptied before any handler runs, so handlers see an empty
    // list and never a freed entity; entities they add meanwhile go too.
    while (!LoadedItems.empty() || UnloadedBefore != 0 || UnloadedAfter != 0) {
        std::vector<TqvDataEntity*> items;
        items.swap(LoadedItems);
        UnloadedBefore = 0;
        UnloadedAfter = 0;
        ListIndexesOutOfDate(0);
        for (TqvDataEntity* e : items)
            e->FInWindow = false;
        TKeepBatch batch(items);
        // Every entity is told even when a handler fails. Those whose freeing
        // failed stay in the list (so the list is not freed either, and
        // freeing it again retries them); then the first failure is raised.
        std::exception_ptr failure;
        std::vector<TqvDataEntity*> kept;
        for (TqvDataEntity* e : items) {
            if (e->FDataList != this) continue;
            try {
                FreeDataEntity(e);
            } catch (...) {
                if (!failure) failure = std::current_exception();
                if (e->FDataList == this && !e->FInWindow && !e->IsFreePending()) kept.push_back(e);
            }
        }
        if (failure) {
            for (TqvDataEntity* e : kept)
                TakeBack(e, LoadedCount());
            AssertInvariants();
            std::rethrow_exception(failure);
        }
    }
    AssertInvariants();
}

void TqvDataList::TakeBack(TqvDataEntity* theEntity, int p)
{
    if (theEntity->FDataList != this || theEntity->FInWindow || theEntity->IsFreePending()) return;
    p = std::clamp(p, 0, LoadedCount());
    PutIn(p, theEntity);
    ListIndexesOutOfDate(p + UnloadedBefore);
}

void TqvDataList::FreeTakenOut(TqvDataEntity* theEntity, int p)
{
    TKeepAlive keepEntity(theEntity);
    try {
        FreeDataEntity(theEntity);
    } catch (...) {
        // Its deletion failed: it stays in the list where it was.
        TakeBack(theEntity, p);
        throw;
    }
}

void TqvDataList::CheckInvariants() const
{
    auto broken = [this](const QString& what) {
        return Exception(QStringLiteral("Data list invariant broken: %1 (window %2, before %3, after %4)")
                             .arg(what)
                             .arg(LoadedCount())
                             .arg(UnloadedBefore)
                             .arg(UnloadedAfter));
    };
    if (UnloadedBefore < 0 || UnloadedAfter < 0) throw broken(QStringLiteral("negative unloaded count"));
    if (static_cast<long long>(LoadedCount()) + UnloadedBefore + UnloadedAfter > INT_MAX)
        throw broken(QStringLiteral("count overflows"));
    if (LoadedItems.empty() && UnloadedBefore != 0)
        throw broken(QStringLiteral("empty window after unloaded entities"));
    if (LowestStaleIndex < 0) throw broken(QStringLiteral("negative stale index"));
    // An entity twice in the window holds one index: the up-to-date indexes show it.
    for (size_t p = 0; p < LoadedItems.size(); ++p) {
        const TqvDataEntity* e = LoadedItems[p];
        if (e == nullptr) throw broken(QStringLiteral("no entity at window position %1").arg(p));
        if (e->FDataList != this || !e->FInWindow)
            throw broken(QStringLiteral("entity at window position %1 does not know it is there").arg(p));
        const int index = static_cast<int>(p) + UnloadedBefore;
        const bool fresh = !IndexesOutOfDate || index < LowestStaleIndex;
        if (fresh && e->FListIndex != index)
            throw broken(
                QStringLiteral("entity at list index %1 holds index %2").arg(index).arg(e->FListIndex));
    }
}

void TqvDataList::AssertInvariants() const
{
#ifndef NDEBUG
    // The counters after every operation; the whole window where that stays cheap
    // (randomized tests call CheckInvariants for any size).
    if (LoadedItems.size() <= 64) {
        CheckInvariants();
    } else if (UnloadedBefore < 0 || UnloadedAfter < 0) {
        throw Exception(QStringLiteral("Data list invariant broken: negative unloaded count"));
    }
#endif
}

void TqvDataList::FreeDataEntity(TqvDataEntity* theEntity)
{
    if (theEntity) theEntity->FreeWheneverPossible();
}

void TqvDataList::AddUnloaded(int aCount)
{
    CheckNotSorting();
    if (aCount < 0)
        throw Exception(QStringLiteral("Cannot add a negative number (%1) of unloaded entities").arg(aCount));
    if (aCount > INT_MAX - Count()) throw Exception(QStringLiteral("Too many entities for one data list"));
    TKeepAlive keep(this);
    UnloadedAfter += aCount;
    AssertInvariants();
    if (Controller) Controller->OnContentChanged(this);
    if (Controller) Controller->OnUnLoadedContentChanged(this);
}

TqvDataEntity* TqvDataList::GetLoaded(int p) const
{
    if (p < 0 || p >= LoadedCount()) throw EListError::IndexOutOfBounds(p);
    return LoadedItems[static_cast<size_t>(p)];
}

TqvDataEntity* TqvDataList::GetItems(int i)
{
    if (i < 0 || i >= Count()) return nullptr;
    return EnsureLoadedItem(i);
}

TqvDataEntity* TqvDataList::EnsureLoadedItem(int i)
{
    if (i >= 0 && i < Count() && IsLoaded(i)) return LoadedItems[static_cast<size_t>(i - UnloadedBefore)];
    TKeepAlive keep(this);
    bool purged = false;
    // Handlers run while loading and may change the list; a few rounds settle
    // it, after which an entity that keeps disappearing is answered as none.
    for (int round = 0; round < 6; ++round) {
        if (i < 0 || i >= Count()) return nullptr;
        if (IsLoaded(i)) return LoadedItems[static_cast<size_t>(i - UnloadedBefore)];
        const int loaded = LoadedCount();
        int first = i;
        int last = i;
        bool atFront = false;
        if (i < UnloadedBefore) {
            last = UnloadedBefore - 1;
            atFront = true;
        } else if (loaded > 0 && i > UnloadedBefore + loaded) {
            first = UnloadedBefore + loaded; // the whole gap, so the window stays contiguous
        }
        if (!purged && (last - first) + loaded > MaxLoadSpan) {
            purged = true;
            UnloadAll();
            if (LoadedItems.empty() && i < Count()) {
                const int total = Count();
                UnloadedBefore = i;
                UnloadedAfter = total - i;
            }
            // The purge may have moved the window's edges: choose the range again.
            continue;
        }
        LoadItems(first, last, atFront);
    }
    return IsLoaded(i) ? LoadedItems[static_cast<size_t>(i - UnloadedBefore)] : nullptr;
}

void TqvDataList::LoadItems(int aFrom, int aTo, bool aAtFront)
{
    CheckNotSorting();
    if (aFrom > aTo) return;
    TKeepAlive keep(this);
    if (LoadedItems.empty() && UnloadedBefore == 0) {
        if (aFrom < 0 || aFrom >= Count()) return;
        const int total = Count();
        UnloadedBefore = aFrom;
        UnloadedAfter = total - aFrom;
    }
    if (aAtFront) {
        if (aTo != UnloadedBefore - 1)
            throw Exception(QStringLiteral("Entities %1 to %2 do not border the loaded entities at the front")
                                .arg(aFrom)
                                .arg(aTo));
        aFrom = std::max(aFrom, 0);
    } else {
        if (aFrom != UnloadedBefore + LoadedCount())
            throw Exception(QStringLiteral("Entities %1 to %2 do not border the loaded entities at the back")
                                .arg(aFrom)
                                .arg(aTo));
        aTo = std::min(aTo, Count() - 1);
    }
    if (aFrom > aTo) return;
    const int n = aTo - aFrom + 1;

    std::vector<TqvDataEntity*> created;
    created.reserve(static_cast<size_t>(n));
    // Entities created but not placed (a failure, or a handler that shrank the
    // list meanwhile) were never announced as loaded: they go silently.
    auto dropUnplaced = [&]() {
        for (TqvDataEntity*& e : created) {
            if (e && !e->FInWindow && e->FDataList == this) {
                e->FDataList = nullptr;
                FreeCall(e);
                e = nullptr;
            }
        }
    };
    try {
        for (int k = 0; k < n; ++k)
            created.push_back(CreateItem());
    } catch (...) {
        dropUnplaced();
        throw;
    }

    // Place them now; the counts are re-read because creation runs handlers.
    if (aAtFront) {
        const int take = std::min(n, UnloadedBefore);
        const auto from = created.end() - take;
        LoadedItems.insert(LoadedItems.begin(), from, created.end());
        UnloadedBefore -= take;
        int index = UnloadedBefore;
        for (auto it = from; it != created.end(); ++it) {
            (*it)->FInWindow = true;
            (*it)->FListIndex = index++;
        }
    } else {
        const int take = std::min(n, UnloadedAfter);
        int index = UnloadedBefore + LoadedCount();
        LoadedItems.insert(LoadedItems.end(), created.begin(), created.begin() + take);
        UnloadedAfter -= take;
        for (auto it = created.begin(); it != created.begin() + take; ++it) {
            (*it)->FInWindow = true;
            (*it)->FListIndex = index++;
        }
    }
    dropUnplaced();
    created.erase(std::remove(created.begin(), created.end(), nullptr), created.end());
    AssertInvariants();

    if (Controller && Controller->OnLoadItem) {
        TKeepBatch batch(created);
        // Nearest to the window first.
        if (aAtFront) std::reverse(created.begin(), created.end());
        for (TqvDataEntity* e : created)
            if (e->FDataList == this && e->FInWindow && Controller) Controller->OnLoadItem(e);
    }
}

TqvDataEntity* TqvDataList::Add()
{
    return Insert(Count());
}

TqvDataEntity* TqvDataList::Insert(int i)
{
    if (i < 0 || i > Count()) throw EListError::IndexOutOfBounds(i);
    CheckNotSorting();
    TKeepAlive keep(this);
    if (i < Count())
        EnsureLoadedItem(i);
    else if (i > 0)
        EnsureLoadedItem(i - 1); // so that the window reaches the end
    return InsertItem(i - UnloadedBefore);
}

TqvDataEntity* TqvDataList::InsertItem(int p)
{
    CheckNotSorting();
    TKeepAlive keep(this);
    TqvDataEntity* e = CreateItem();
    TKeepAlive keepEntity(e);
    const bool wasSelected = e->FSelected;
    e->FSelected = false;
    p = std::clamp(p, 0, LoadedCount());
    PutIn(p, e);
    e->FListIndex = p + UnloadedBefore;
    ListIndexesOutOfDate(p + UnloadedBefore);
    AssertInvariants();
    if (Controller) Controller->OnInsertItem(e);
    if (Controller) Controller->OnContentChanged(this);
    if (wasSelected && e->FDataList == this && e->FInWindow) e->SetSelected(true);
    // A handler may have deleted it; it is freed when keepEntity goes.
    return e->IsFreePending() ? nullptr : e;
}

TqvDataEntity* TqvDataList::CreateItem()
{
    TqvDataEntity* e = ItemClass.Create();
    try {
        e->AfterCreate(this);
    } catch (...) {
        e->FDataList = nullptr;
        FreeCall(e);
        throw;
    }
    e->FDataList = this;
    return e;
}

void TqvDataList::Delete(int i)
{
    if (i < 0 || i >= Count()) return;
    CheckNotSorting();
    TKeepAlive keep(this);
    if (IsLoaded(i)) {
        const int p = i - UnloadedBefore;
        TqvDataEntity* e = TakeOut(p);
        ListIndexesOutOfDate(i);
        FreeTakenOut(e, p);
    } else {
        if (i < UnloadedBefore)
            --UnloadedBefore;
        else
            --UnloadedAfter;
        ListIndexesOutOfDate(i); // everything after it moved down by one
    }
    AssertInvariants();
}

void TqvDataList::Remove(TqvDataEntity* theEntity)
{
    const int p = WindowPosOf(theEntity);
    if (p >= 0) Delete(p + UnloadedBefore);
}

int TqvDataList::IndexOf(TqvDataEntity* theEntity)
{
    const int p = WindowPosOf(theEntity);
    return p >= 0 ? p + UnloadedBefore : -1;
}

void TqvDataList::Clear()
{
    CheckNotSorting();
    TKeepAlive keep(this);
    while (!LoadedItems.empty()) {
        const int p = LoadedCount() - 1;
        const int i = p + UnloadedBefore;
        TqvDataEntity* e = TakeOut(p);
        ListIndexesOutOfDate(i);
        FreeTakenOut(e, p);
    }
    UnloadedBefore = 0;
    UnloadedAfter = 0;
    ListIndexesOutOfDate(0);
    if (Controller) Controller->OnUnLoadedContentChanged(this);
    AssertInvariants();
}

void TqvDataList::ClearSelections()
{
    TKeepAlive keep(this);
    for (size_t p = 0; p < LoadedItems.size(); ++p)
        LoadedItems[p]->SetSelected(false);
}

void TqvDataList::SelectionChanged(TqvDataList* aList, TqvDataEntity* aEntity)
{
    if (Controller) Controller->OnSelectionChanged(aList, aEntity);
}

int TqvDataList::VisibleCount() const
{
    int n = 0;
    for (const TqvDataEntity* e : LoadedItems)
        if (e->GetVisible()) ++n;
    return n;
}

bool TqvDataList::VisibleIndexDataEntity(int i)
{
    if (!ValidIndexDataEntity(i)) return false;
    TqvDataEntity* e = GetItems(i);
    return e != nullptr && e->GetVisible();
}

int TqvDataList::ListIndexToVisibleIndex(int i)
{
    if (i < 0) return -1;
    TKeepAlive keep(this);
    int n = 0;
    for (int k = 0; k <= i && k < Count(); ++k) {
        TqvDataEntity* e = GetItems(k);
        if (e && e->GetVisible()) ++n;
    }
    return n - 1;
}

int TqvDataList::VisibleIndexToListIndex(int v)
{
    if (v < 0) return -1;
    TKeepAlive keep(this);
    int n = 0;
    for (int k = 0; k < Count(); ++k) {
        TqvDataEntity* e = GetItems(k);
        if (e && e->GetVisible()) {
            if (n == v) return k;
            ++n;
        }
    }
    return -1;
}

void TqvDataList::IteratorOfSelectedDataEntities(TSelectedDataEntityEvent aCallback)
{
    if (!aCallback) return;
    TKeepAlive keep(this);
    std::vector<TqvDataEntity*> selected;
    for (TqvDataEntity* e : LoadedItems)
        if (e->FSelected) selected.push_back(e);
    TKeepBatch batch(selected);
    for (TqvDataEntity* e : selected)
        if (e->FDataList == this && e->FInWindow && e->FSelected) aCallback(this, e);
}

TqvDataEntity* TqvDataList::FindDataEntity(TFindFunc aFunc)
{
    if (!aFunc) return nullptr;
    TKeepAlive keep(this);
    for (size_t p = 0; p < LoadedItems.size(); ++p) {
        TqvDataEntity* e = LoadedItems[p];
        TKeepAlive keepEntity(e);
        if (aFunc(e) && e->FDataList == this && !e->IsFreePending()) return e;
    }
    return nullptr;
}

void TqvDataList::Sort(bool aReverse)
{
    if (Controller == nullptr || !Controller->OnSortCompare) return;
    CheckNotSorting();
    // Sorting writes window positions 0..Count-1 back, which needs every entity
    // loaded; loading them here could purge the ones already collected.
    if (LoadedCount() != Count())
        throw Exception(QStringLiteral("Cannot sort a data list with unloaded entities (%1 of %2 loaded)")
                            .arg(LoadedCount())
                            .arg(Count()));
    TKeepAlive keep(this);
    const TOnEntityCompare compare = Controller->OnSortCompare;
    std::vector<TqvDataEntity*> items = LoadedItems;
    {
        const QScopedValueRollback sorting(FSorting, true);
        std::stable_sort(items.begin(), items.end(),
                         [&](TqvDataEntity* a, TqvDataEntity* b) { return compare(a, b) < 0; });
    }
    if (aReverse) std::reverse(items.begin(), items.end());
    LoadedItems = std::move(items);
    ListIndexesOutOfDate(0);
    AssertInvariants();
    if (Controller) Controller->OnContentChanged(this);
}

bool TqvDataList::CanUnload(TqvDataEntity* theEntity)
{
    bool result = false;
    if (Controller && Controller->OnUnloadItem) Controller->OnUnloadItem(theEntity, result);
    return result;
}

bool TqvDataList::Unload(int i, bool aFromFront)
{
    CheckNotSorting();
    if (!IsLoaded(i)) return false;
    const int p = i - UnloadedBefore;
    const int last = LoadedCount() - 1;
    if (last > 0 && !((p == 0 && aFromFront) || (p == last && !aFromFront)))
        throw Exception(QStringLiteral("Entity %1 is not the %2 loaded entity and cannot be unloaded")
                            .arg(i)
                            .arg(aFromFront ? QStringLiteral("first") : QStringLiteral("last")));
    TKeepAlive keep(this);
    TqvDataEntity* e = LoadedItems[static_cast<size_t>(p)];
    // Only the controller knows whether the entity can be made again from
    // its record: one it refuses (or one in the middle of an operation) stays.
    if (e->IsBusy()) return false;
    TKeepAlive keepEntity(e);
    if (!CanUnload(e)) return false;
    // The handler may have changed the window: the entity must still be at the edge.
    if (LoadedItems.empty() || (aFromFront ? LoadedItems.front() : LoadedItems.back()) != e) return false;
    UnloadEdge(aFromFront);
    return true;
}

void TqvDataList::UnloadEdge(bool aFromFront)
{
    const bool front = aFromFront;
    TKeepAlive keep(this);
    TqvDataEntity* e = TakeOut(front ? 0 : LoadedCount() - 1);
    TKeepAlive keepEntity(e);
    // Counted as unloaded before anything is told, so that the handlers see a
    // list of the same size with this entity unloaded.
    if (front)
        ++UnloadedBefore;
    else
        ++UnloadedAfter;
    FoldIfEmpty();
    try {
        e->FreeWheneverPossible();
    } catch (...) {
        // Its release failed: it is loaded again where it was.
        if (e->FDataList == this && !e->FInWindow && !e->IsFreePending()) {
            int& counter = front && UnloadedBefore > 0 ? UnloadedBefore : UnloadedAfter;
            if (counter > 0) --counter;
            TakeBack(e, front ? 0 : LoadedCount());
        }
        throw;
    }
    AssertInvariants();
}

void TqvDataList::Purge()
{
    TKeepAlive keep(this);
    for (int side = 0; side < 2; ++side) {
        const bool front = side == 0;
        while (!LoadedItems.empty()) {
            TqvDataEntity* e = front ? LoadedItems.front() : LoadedItems.back();
            if (e->IsBusy()) break; // in the middle of an operation: it stays
            TKeepAlive keepEntity(e);
            if (!CanUnload(e)) break;
            if (LoadedItems.empty()) break;
            if ((front ? LoadedItems.front() : LoadedItems.back()) != e)
                continue;      // a handler changed the edge
            UnloadEdge(front); // asked already
        }
    }
}

void TqvDataList::UnloadAll()
{
    TKeepAlive keep(this);
    ClearSelections();
    Purge();
}

void TqvDataList::EnsureListIndexes()
{
    if (IndexesOutOfDate) UpdateListIndexesFrom(LowestStaleIndex);
    IndexesOutOfDate = false;
    LowestStaleIndex = Count();
}

void TqvDataList::ListIndexesOutOfDate(int i)
{
    if (i < 0) i = 0;
    if (i < LowestStaleIndex) LowestStaleIndex = i;
    IndexesOutOfDate = true;
}

void TqvDataList::UpdateListIndexesFrom(int i)
{
    const int n = LoadedCount();
    for (int p = std::max(i - UnloadedBefore, 0); p < n; ++p)
        LoadedItems[static_cast<size_t>(p)]->FListIndex = p + UnloadedBefore;
}

} // namespace skedra
