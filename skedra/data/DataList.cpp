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
        p = list->LoadedPosOf(this);
        if (p >= 0) {
            const int i = list->LoadedToListIndex(p);
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
    const int oldPos = list->LoadedPosOf(this);
    const int newPos = list->ListToLoadedPos(aNewIndex);
    if (oldPos != newPos) {
        // The entity joins the run of the one now at the target, next to it:
        // after it when moving up, before it when moving down.
        const bool intoTail = newPos >= list->WindowCount();
        list->EraseLoaded(oldPos);
        list->PutIn(newPos, this, intoTail);
        list->NormalizeRuns();
    }
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
    // when the new list holds unloaded entities (appending loads nothing).
    aNewList->LoadForInsert(aPosition);
    if (FDataList != oldList || !FInWindow) return;

    if (oldList->Controller) oldList->Controller->OnLeaveOwnerBeforeChange(this);
    if (FDataList != oldList || !FInWindow || aNewList->IsFreePending()) return;

    aPosition = std::min(aPosition, aNewList->Count());
    int p = 0;
    bool intoTail = false;
    if (!aNewList->PlaceFor(aPosition, p, intoTail)) {
        // Handlers took the place away meanwhile: next to the window.
        p = std::clamp(aPosition - aNewList->UnloadedBefore, 0, aNewList->WindowCount());
        intoTail = false;
    }
    const int oldPos = oldList->LoadedPosOf(this);
    const int oldIndex = oldList->LoadedToListIndex(oldPos);
    oldList->TakeOut(oldPos);
    oldList->ListIndexesOutOfDate(oldIndex);

    FDataList = aNewList;
    aNewList->PutIn(p, this, intoTail);
    aNewList->NormalizeRuns();
    FListIndex = aNewList->LoadedToListIndex(p);
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

TqvDataEntity* TqvDataList::EraseLoaded(int p)
{
    CheckNotSorting();
    TqvDataEntity* e = LoadedItems[static_cast<size_t>(p)];
    if (p >= WindowCount()) --TailCount;
    LoadedItems.erase(LoadedItems.begin() + p);
    e->FInWindow = false;
    return e;
}

TqvDataEntity* TqvDataList::TakeOut(int p)
{
    TqvDataEntity* e = EraseLoaded(p);
    NormalizeRuns();
    return e;
}

void TqvDataList::PutIn(int p, TqvDataEntity* theEntity, bool aIntoTail)
{
    CheckNotSorting();
    // Lists are mostly short (a row's layer, a node's children): one
    // allocation for the first few entities instead of one per doubling.
    if (LoadedItems.capacity() == 0) LoadedItems.reserve(4);
    LoadedItems.insert(LoadedItems.begin() + p, theEntity);
    if (aIntoTail) ++TailCount;
    theEntity->FInWindow = true;
}

void TqvDataList::NormalizeRuns()
{
    if (TailCount > 0 && UnloadedBetween == 0) TailCount = 0; // the tail touches the window: one run
    if (TailCount > 0 && WindowCount() == 0) {
        UnloadedBefore += UnloadedBetween;
        UnloadedBetween = 0;
        TailCount = 0;
    }
    if (TailCount == 0 && UnloadedBetween != 0) {
        UnloadedAfter += UnloadedBetween;
        UnloadedBetween = 0;
    }
    if (LoadedItems.empty() && UnloadedBefore != 0) {
        UnloadedAfter += UnloadedBefore;
        UnloadedBefore = 0;
    }
}

int TqvDataList::ListToLoadedPos(int i) const
{
    const int window = WindowCount();
    if (i >= UnloadedBefore && i < UnloadedBefore + window) return i - UnloadedBefore;
    const int tailStart = UnloadedBefore + window + UnloadedBetween;
    if (TailCount > 0 && i >= tailStart && i < tailStart + TailCount) return window + (i - tailStart);
    return -1;
}

int TqvDataList::UnloadedBeforeLoaded(int p) const
{
    if (p == 0) return LoadedItems.empty() ? UnloadedBefore + UnloadedAfter : UnloadedBefore;
    if (p == LoadedCount()) return UnloadedAfter;
    return TailCount > 0 && p == WindowCount() ? UnloadedBetween : 0;
}

TqvDataEntity* TqvDataList::LoadedItemAt(int i) const
{
    const int p = ListToLoadedPos(i);
    return p >= 0 ? LoadedItems[static_cast<size_t>(p)] : nullptr;
}

int TqvDataList::LoadedPosOf(const TqvDataEntity* theEntity) const
{
    if (theEntity == nullptr || !theEntity->FInWindow || theEntity->FDataList != this) return -1;
    const_cast<TqvDataList*>(this)->EnsureListIndexes();
    const int p = ListToLoadedPos(theEntity->FListIndex);
    if (p >= 0 && LoadedItems[static_cast<size_t>(p)] == theEntity) return p;
    const auto it = std::find(LoadedItems.begin(), LoadedItems.end(), theEntity);
    return it == LoadedItems.end() ? -1 : static_cast<int>(it - LoadedItems.begin());
}

void TqvDataList::CleanForFree()
{
    CheckNotSorting();
    TKeepAlive keep(this);
    // The window is emptied before any handler runs, so handlers see an empty
    // list and never a freed entity; entities they add meanwhile go too.
    while (!LoadedItems.empty() || Count() != 0) {
        std::vector<TqvDataEntity*> items;
        items.swap(LoadedItems);
        UnloadedBefore = 0;
        UnloadedBetween = 0;
        UnloadedAfter = 0;
        TailCount = 0;
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
    PutIn(p, theEntity, TailCount > 0 && p > WindowCount());
    ListIndexesOutOfDate(LoadedToListIndex(p));
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
        return Exception(
            QStringLiteral("Data list invariant broken: %1 (window %2, before %3, between %4, tail "
                           "%5, after %6)")
                .arg(what)
                .arg(WindowCount())
                .arg(UnloadedBefore)
                .arg(UnloadedBetween)
                .arg(TailCount)
                .arg(UnloadedAfter));
    };
    if (UnloadedBefore < 0 || UnloadedAfter < 0 || UnloadedBetween < 0 || TailCount < 0)
        throw broken(QStringLiteral("negative count"));
    if (TailCount > LoadedCount()) throw broken(QStringLiteral("tail longer than the loaded entities"));
    if (static_cast<long long>(LoadedCount()) + UnloadedBefore + UnloadedBetween + UnloadedAfter > INT_MAX)
        throw broken(QStringLiteral("count overflows"));
    if (LoadedItems.empty() && UnloadedBefore != 0)
        throw broken(QStringLiteral("empty window after unloaded entities"));
    if (TailCount > 0 && WindowCount() == 0) throw broken(QStringLiteral("a tail without a window"));
    if ((TailCount > 0) != (UnloadedBetween > 0))
        throw broken(QStringLiteral("a tail must be apart from the window, and only a tail is"));
    if (LowestStaleIndex < 0) throw broken(QStringLiteral("negative stale index"));
    // An entity twice in the runs holds one index: the up-to-date indexes show it.
    for (size_t p = 0; p < LoadedItems.size(); ++p) {
        const TqvDataEntity* e = LoadedItems[p];
        if (e == nullptr) throw broken(QStringLiteral("no entity at loaded position %1").arg(p));
        if (e->FDataList != this || !e->FInWindow)
            throw broken(QStringLiteral("entity at loaded position %1 does not know it is there").arg(p));
        const int index = LoadedToListIndex(static_cast<int>(p));
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
    } else if (UnloadedBefore < 0 || UnloadedAfter < 0 || UnloadedBetween < 0 || TailCount < 0 ||
               (TailCount > 0) != (UnloadedBetween > 0)) {
        throw Exception(QStringLiteral("Data list invariant broken: unloaded counts"));
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
    if (TqvDataEntity* e = i >= 0 && i < Count() ? LoadedItemAt(i) : nullptr) return e;
    TKeepAlive keep(this);
    bool purged = false;
    // Handlers run while loading and may change the list; a few rounds settle
    // it, after which an entity that keeps disappearing is answered as none.
    for (int round = 0; round < 6; ++round) {
        if (i < 0 || i >= Count()) return nullptr;
        if (TqvDataEntity* e = LoadedItemAt(i)) return e;
        const int window = WindowCount();
        const int windowEnd = UnloadedBefore + window;
        const int tailStart = windowEnd + UnloadedBetween;
        int first = i;
        int last = i;
        bool atFront = false;
        int run = window; // loaded entities of the run that grows
        if (i < UnloadedBefore) {
            last = UnloadedBefore - 1;
            atFront = true;
        } else if (TailCount > 0 && i < tailStart) {
            // In the gap: from the nearer run; they join when it closes.
            if (i - windowEnd < tailStart - i) {
                first = windowEnd;
            } else {
                last = tailStart - 1;
                atFront = true;
                run = TailCount;
            }
        } else if (TailCount > 0) {
            first = tailStart + TailCount;
            run = TailCount;
        } else if (window > 0) {
            first = windowEnd; // the whole gap, so the window stays contiguous
        }
        if (!purged && (last - first) + run > MaxLoadSpan) {
            purged = true;
            UnloadAll();
            if (LoadedItems.empty() && i < Count()) {
                const int total = Count();
                UnloadedBefore = i;
                UnloadedAfter = total - i;
            }
            // The purge may have moved the runs' edges: choose the range again.
            continue;
        }
        LoadItems(first, last, atFront);
    }
    return LoadedItemAt(i);
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
    const int window = WindowCount();
    const int windowEnd = UnloadedBefore + window;
    const int tailStart = windowEnd + UnloadedBetween;
    // Which run grows, and at which loaded position the new entities go.
    int* counter = nullptr;
    int pos = 0;
    bool intoTail = false;
    if (aAtFront) {
        if (aTo == UnloadedBefore - 1) {
            aFrom = std::max(aFrom, 0);
            counter = &UnloadedBefore;
        } else if (TailCount > 0 && aTo == tailStart - 1) {
            aFrom = std::max(aFrom, windowEnd);
            counter = &UnloadedBetween;
            pos = window;
            intoTail = true;
        } else {
            throw Exception(QStringLiteral("Entities %1 to %2 do not border the loaded entities at the front")
                                .arg(aFrom)
                                .arg(aTo));
        }
    } else {
        if (aFrom == windowEnd) {
            aTo = std::min(aTo, (TailCount > 0 ? tailStart : Count()) - 1);
            counter = TailCount > 0 ? &UnloadedBetween : &UnloadedAfter;
            pos = window;
        } else if (TailCount > 0 && aFrom == tailStart + TailCount) {
            aTo = std::min(aTo, Count() - 1);
            counter = &UnloadedAfter;
            pos = LoadedCount();
            intoTail = true;
        } else {
            throw Exception(QStringLiteral("Entities %1 to %2 do not border the loaded entities at the back")
                                .arg(aFrom)
                                .arg(aTo));
        }
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

    // Place them now. Creation runs handlers; a list they changed is not
    // loaded into (the entities go unannounced).
    const bool unchanged = WindowCount() == window && UnloadedBefore + window == windowEnd &&
                           windowEnd + UnloadedBetween == tailStart;
    const int take = unchanged ? std::min(n, *counter) : 0;
    if (take > 0) {
        // At the front the entities nearest to the run are the last created.
        const auto from = aAtFront ? created.end() - take : created.begin();
        const auto to = aAtFront ? created.end() : created.begin() + take;
        LoadedItems.insert(LoadedItems.begin() + pos, from, to);
        if (intoTail) TailCount += take;
        *counter -= take;
        for (auto it = from; it != to; ++it)
            (*it)->FInWindow = true;
        for (int p = pos; p < pos + take; ++p)
            LoadedItems[static_cast<size_t>(p)]->FListIndex = LoadedToListIndex(p);
        NormalizeRuns();
    }
    dropUnplaced();
    created.erase(std::remove(created.begin(), created.end(), nullptr), created.end());
    AssertInvariants();

    if (Controller && Controller->OnLoadItem) {
        TKeepBatch batch(created);
        // Nearest to the run first.
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
    LoadForInsert(i);
    TqvDataEntity* e = CreateItem();
    TKeepAlive keepEntity(e);
    int p = 0;
    bool intoTail = false;
    if (!PlaceFor(std::min(i, Count()), p, intoTail)) {
        // Handlers took the place away meanwhile: next to the window.
        p = std::clamp(i - UnloadedBefore, 0, WindowCount());
        intoTail = false;
    }
    return Place(e, p, intoTail);
}

void TqvDataList::LoadForInsert(int i)
{
    if (i < Count())
        EnsureLoadedItem(i);
    else if (TailCount > 0 && UnloadedAfter > 0)
        EnsureLoadedItem(Count() - 1); // two runs at most: the tail grows to the end
}

bool TqvDataList::PlaceFor(int i, int& thePos, bool& theIntoTail)
{
    if (i < Count()) {
        thePos = ListToLoadedPos(i);
        theIntoTail = thePos >= WindowCount();
        return thePos >= 0;
    }
    if (i != Count()) return false;
    if (LoadedItems.empty()) {
        // Everything is unloaded: the window starts at the end.
        UnloadedBefore += UnloadedAfter;
        UnloadedAfter = 0;
    } else if (UnloadedAfter > 0) {
        if (TailCount > 0) return false;
        // The window does not reach the end: the new entity starts the tail.
        UnloadedBetween = UnloadedAfter;
        UnloadedAfter = 0;
        thePos = LoadedCount();
        theIntoTail = true;
        return true;
    }
    thePos = LoadedCount();
    theIntoTail = TailCount > 0;
    return true;
}

TqvDataEntity* TqvDataList::InsertItem(int p)
{
    CheckNotSorting();
    TKeepAlive keep(this);
    TqvDataEntity* e = CreateItem();
    TKeepAlive keepEntity(e);
    p = std::clamp(p, 0, LoadedCount());
    return Place(e, p, TailCount > 0 && p > WindowCount());
}

TqvDataEntity* TqvDataList::Place(TqvDataEntity* e, int p, bool aIntoTail)
{
    const bool wasSelected = e->FSelected;
    e->FSelected = false;
    PutIn(p, e, aIntoTail);
    NormalizeRuns();
    e->FListIndex = LoadedToListIndex(p);
    ListIndexesOutOfDate(e->FListIndex);
    AssertInvariants();
    if (Controller) Controller->OnInsertItem(e);
    if (Controller) Controller->OnContentChanged(this);
    if (wasSelected && e->FDataList == this && e->FInWindow) e->SetSelected(true);
    // A handler may have deleted it; it is freed when the caller's keep goes.
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
    const int p = ListToLoadedPos(i);
    if (p >= 0) {
        TqvDataEntity* e = TakeOut(p);
        ListIndexesOutOfDate(i);
        FreeTakenOut(e, p);
    } else {
        if (i < UnloadedBefore)
            --UnloadedBefore;
        else if (TailCount > 0 && i < UnloadedBefore + WindowCount() + UnloadedBetween)
            --UnloadedBetween;
        else
            --UnloadedAfter;
        NormalizeRuns();
        ListIndexesOutOfDate(i); // everything after it moved down by one
    }
    AssertInvariants();
}

void TqvDataList::Remove(TqvDataEntity* theEntity)
{
    const int p = LoadedPosOf(theEntity);
    if (p >= 0) Delete(LoadedToListIndex(p));
}

int TqvDataList::IndexOf(TqvDataEntity* theEntity)
{
    const int p = LoadedPosOf(theEntity);
    return p >= 0 ? LoadedToListIndex(p) : -1;
}

void TqvDataList::Clear()
{
    CheckNotSorting();
    TKeepAlive keep(this);
    while (!LoadedItems.empty()) {
        const int p = LoadedCount() - 1;
        const int i = LoadedToListIndex(p);
        TqvDataEntity* e = TakeOut(p);
        ListIndexesOutOfDate(i);
        FreeTakenOut(e, p);
    }
    UnloadedBefore = 0;
    UnloadedBetween = 0;
    UnloadedAfter = 0;
    TailCount = 0;
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
    const int p = ListToLoadedPos(i);
    if (p < 0) return false;
    auto atEdge = [this, aFromFront](int q) {
        const int window = WindowCount();
        const bool inTail = q >= window;
        const int runFirst = inTail ? window : 0;
        const int runLast = inTail ? LoadedCount() - 1 : window - 1;
        return runLast == runFirst || q == (aFromFront ? runFirst : runLast);
    };
    if (!atEdge(p))
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
    // The handler may have changed the runs: the entity must still be at the edge.
    const int q = LoadedPosOf(e);
    if (q < 0 || !atEdge(q)) return false;
    UnloadAt(q, aFromFront);
    return true;
}

void TqvDataList::UnloadAt(int p, bool aFromFront)
{
    const int i = LoadedToListIndex(p);
    const bool inTail = p >= WindowCount();
    TKeepAlive keep(this);
    // As they were, to put the entity back exactly when its release fails.
    const int before = UnloadedBefore, between = UnloadedBetween, after = UnloadedAfter, tail = TailCount;
    TqvDataEntity* e = EraseLoaded(p);
    TKeepAlive keepEntity(e);
    // Counted as unloaded before anything is told, so that the handlers see a
    // list of the same size with this entity unloaded.
    if (!inTail && aFromFront)
        ++UnloadedBefore;
    else if (inTail ? aFromFront : TailCount > 0)
        ++UnloadedBetween;
    else
        ++UnloadedAfter;
    NormalizeRuns();
    const int loadedAfter = LoadedCount();
    const int countAfter = Count();
    try {
        e->FreeWheneverPossible();
    } catch (...) {
        // Its release failed: it is loaded again where it was.
        if (e->FDataList == this && !e->FInWindow && !e->IsFreePending()) {
            if (LoadedCount() == loadedAfter && Count() == countAfter) {
                UnloadedBefore = before;
                UnloadedBetween = between;
                UnloadedAfter = after;
                TailCount = tail - (inTail ? 1 : 0);
                PutIn(p, e, inTail);
                ListIndexesOutOfDate(i);
            } else {
                // The handlers changed the list meanwhile: it comes back at the end.
                int& counter = UnloadedAfter > 0 ? UnloadedAfter
                                                 : (UnloadedBetween > 0 ? UnloadedBetween : UnloadedBefore);
                if (counter > 0) --counter;
                NormalizeRuns();
                TakeBack(e, LoadedCount());
                NormalizeRuns();
            }
        }
        throw;
    }
    AssertInvariants();
}

void TqvDataList::Purge()
{
    TKeepAlive keep(this);
    // The window's front, the last run's back, then the two edges of the gap;
    // each side stops at the first entity that may not go.
    enum TEdge { eWindowFront, eLastBack, eTailFront, eWindowBack };
    for (TEdge edge : {eWindowFront, eLastBack, eTailFront, eWindowBack}) {
        const bool front = edge == eWindowFront || edge == eTailFront;
        auto edgePos = [&]() {
            if (LoadedItems.empty()) return -1;
            switch (edge) {
            case eWindowFront:
                return 0;
            case eLastBack:
                return LoadedCount() - 1;
            case eTailFront:
                return TailCount > 0 ? WindowCount() : -1;
            case eWindowBack:
                return TailCount > 0 ? WindowCount() - 1 : -1;
            }
            return -1;
        };
        for (int p = edgePos(); p >= 0; p = edgePos()) {
            TqvDataEntity* e = LoadedItems[static_cast<size_t>(p)];
            if (e->IsBusy()) break; // in the middle of an operation: it stays
            TKeepAlive keepEntity(e);
            if (!CanUnload(e)) break;
            const int q = edgePos();
            if (q < 0) break;
            if (LoadedItems[static_cast<size_t>(q)] != e) continue; // a handler changed the edge
            UnloadAt(q, front);                                     // asked already
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
    const int window = WindowCount();
    int p = std::max(i - UnloadedBefore, 0);
    if (p > window) p = window + std::max(i - (UnloadedBefore + window + UnloadedBetween), 0);
    for (; p < n; ++p)
        LoadedItems[static_cast<size_t>(p)]->FListIndex = LoadedToListIndex(p);
}

} // namespace skedra
