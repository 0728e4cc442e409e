#pragma once
// Data entities, data lists with virtual loading of a window of entities, and
// the list controller through which a list notifies its component.

#include <cstdint>
#include <vector>

#include "skedra/foundation/EventHandling.h"
#include "skedra/platform/Method.h"
#include "skedra/platform/Object.h"
#include "skedra/platform/SlotPool.h"

namespace skedra
{

class TqvDataEntity;
class TqvDataList;

// Handlers of the controller's slots.
using TOnDataEntityNotify = TMethod<void(TqvDataEntity* theDataEntity)>;
using TOnDataListNotify = TMethod<void(TqvDataList* theqvDataList)>;
using TOnDataListDataEntityNotify = TMethod<void(TqvDataList* theqvDataList, TqvDataEntity* theDataEntity)>;
using TOnDataEntityUnloadNotify = TMethod<void(TqvDataEntity* theDataEntity, bool& CanUnload)>;
using TOnHandlePerformedMove =
    TMethod<void(TqvDataEntity* theqvDataEntity, int theOldIndex, int theNewIndex)>;
// Negative, zero or positive as the1 sorts before, with or after the2.
using TOnEntityCompare = TMethod<int(TqvDataEntity* the1, TqvDataEntity* the2)>;
using TFindFunc = TMethod<bool(TqvDataEntity* theqvDataEntity)>;
using TSelectedDataEntityEvent = TMethod<void(TqvDataList* theDataList, TqvDataEntity* theDataEntity)>;

// Published events of the components; Caller is the component.
using TOnContentChanged = TMethod<void(TObject* Caller, TqvDataList* theqvDataList)>;
using TOnSelectionChanged =
    TMethod<void(TObject* Caller, TqvDataList* theqvDataList, TqvDataEntity* theDataEntity)>;
using TOnDeleteItem = TMethod<void(TObject* Caller, TqvDataEntity* theDataEntity)>;
using TOnInsertItem = TMethod<void(TObject* Caller, TqvDataEntity* theDataEntity)>;
using TOnInfoPush = TMethod<void(TObject* Caller, TqvDataEntity* theDataEntity)>;
using TOnBeforeCanEditItem = TMethod<void(TObject* Caller, TqvDataEntity* theDataEntity)>;

// "Class of TqvDataEntity": creates entities of one class and tells whether an
// entity is of that class (or a descendant). Entities initialise themselves in
// AfterCreate, never in their constructors.
class TqvDataEntityClass
{
public:
    using TCreate = TqvDataEntity* (*)();
    using TIsInstance = bool (*)(const TqvDataEntity*);

    TqvDataEntityClass() = default;
    TqvDataEntityClass(TCreate aCreate, TIsInstance aIsInstance) : FCreate(aCreate), FIsInstance(aIsInstance)
    {
    }

    template <class T> static TqvDataEntityClass Of()
    {
        return TqvDataEntityClass(
            []() -> TqvDataEntity* { return new T(); },
            [](const TqvDataEntity* e) { return dynamic_cast<const T*>(e) != nullptr; });
    }

    bool Assigned() const { return FCreate != nullptr; }
    explicit operator bool() const { return Assigned(); }
    // A new entity with the plain constructor only; the list calls AfterCreate.
    TqvDataEntity* Create() const;
    bool IsInstance(const TqvDataEntity* anEntity) const
    {
        return anEntity != nullptr && FIsInstance != nullptr && FIsInstance(anEntity);
    }
    friend bool operator==(const TqvDataEntityClass& a, const TqvDataEntityClass& b)
    {
        return a.FCreate == b.FCreate && a.FIsInstance == b.FIsInstance;
    }

private:
    TCreate FCreate = nullptr;
    TIsInstance FIsInstance = nullptr;
};

template <class T> TqvDataEntityClass ClassOf()
{
    return TqvDataEntityClass::Of<T>();
}

// One per component and kind of data, shared by all lists of that kind; not
// owned by the lists. An unassigned slot is skipped.
class TqvListController : public TObject
{
public:
    TOnDataEntityNotify OnDeleteItem;
    TOnDataEntityNotify OnInsertItem;
    TOnDataEntityNotify OnEnterOwnerAfterChange;
    TOnDataEntityNotify OnLeaveOwnerBeforeChange;
    TOnEntityCompare OnSortCompare;
    TOnHandlePerformedMove OnHandlePerformedMove;
    TOnDataListDataEntityNotify OnSelectionChanged;
    TOnDataListNotify OnContentChanged;
    TOnDataEntityNotify OnVisibleChanged;
    TOnDataEntityNotify OnBeforeCanEditItem;
    TOnDataEntityNotify OnInfoPush;
    TOnDataEntityNotify OnLoadItem;
    TOnDataEntityUnloadNotify OnUnloadItem;
    TOnDataListNotify OnUnLoadedContentChanged;
};

class TqvDataEntity : public TqvExposable
{
public:
    TqvDataEntity() = default;

    // Entities come and go by the hundred thousand: they live in the shared
    // slot pools (each class in the pool of its own size).
    static void* operator new(std::size_t aSize) { return TSlotPools::Allocate(aSize); }
    static void operator delete(void* aPointer, std::size_t aSize) { TSlotPools::Free(aPointer, aSize); }

    // Raises OnDeleteItem and OnContentChanged if the entity has a list, then
    // clears DataList. An entity still in its list's window is taken out first.
    void CleanForFree() override;
    virtual void SetVisible(bool b);
    virtual bool GetVisible() const;
    // Called by the list right after creation; descendants call the inherited
    // one first. Stores the list and makes the entity visible.
    virtual void AfterCreate(TqvDataList* theList);

    bool GetSelected() const { return FSelected; }
    void SetSelected(bool b);
    // Raises OnBeforeCanEditItem, whose handler decides by writing CanEdit.
    bool GetCanEdit();
    // Tells the controller that a value of the entity changed.
    void DoInfoPush();

    TqvDataList* GetDataList() const { return FDataList; }
    void* GetUserReference() const { return FUserReference; }
    void SetUserReference(void* p) { FUserReference = p; }

    // Position in the list, unloaded entities before it included; -1 without a list.
    int ListIndex();
    int GetListIndex() { return ListIndex(); }

    // Moves the entity to list index aNewIndex of its list (nothing for an
    // index outside the list).
    void Move(int aNewIndex);
    // Moves the entity into aNewList at list index aPosition (clamped to
    // 0..Count; append with aNewList->Count()). Ignored for no list, the same
    // list, or a list whose ItemClass does not accept the entity.
    void ChangeOwner(TqvDataList* aNewList, int aPosition);

    // Edit permission, written directly by OnBeforeCanEditItem handlers.
    bool CanEdit = false;

protected:
    ~TqvDataEntity() override = default;

    bool FSelected = false;
    bool FVisible = false;
    TqvDataList* FDataList = nullptr;
    void* FUserReference = nullptr;

private:
    friend class TqvDataList;
    int FListIndex = -1;
    bool FInWindow = false; // in its list's loaded window
    bool FCleaning = false;
};

class TqvDataList : public TqvExposable
{
public:
    // Reached without loading more than this many entities in one read; a
    // farther jump purges the window first.
    static constexpr int MaxLoadSpan = 500;

    TqvDataList() = default;

    // A list per tree node or chart row: in the shared slot pools too.
    static void* operator new(std::size_t aSize) { return TSlotPools::Allocate(aSize); }
    static void operator delete(void* aPointer, std::size_t aSize) { TSlotPools::Free(aPointer, aSize); }

    // Frees every loaded entity (first to last) and empties the list.
    void CleanForFree() override;
    // Frees one entity that is already out of the window.
    virtual void FreeDataEntity(TqvDataEntity* theEntity);
    virtual void AfterCreate(TqvListController* aController, TqvDataEntityClass aItemClass);
    // Announces aCount unloaded entities after the window.
    virtual void AddUnloaded(int aCount);

    // The loaded entities stand in at most two runs: the window, and a tail
    // of entities appended while the window did not reach the end, separated
    // from the window by UnloadedBetween unloaded entities. Index order:
    // UnloadedBefore, window, UnloadedBetween, tail, UnloadedAfter.
    int Count() const { return LoadedCount() + UnloadedBefore + UnloadedBetween + UnloadedAfter; }
    // Loaded entities of both runs.
    int LoadedCount() const { return static_cast<int>(LoadedItems.size()); }
    int WindowCount() const { return LoadedCount() - TailCount; }
    int GetTailCount() const { return TailCount; }
    // The entity at loaded position p (window positions first, then the
    // tail's), without loading; EListError outside 0..LoadedCount-1.
    TqvDataEntity* GetLoaded(int p) const;
    // List index of the entity at loaded position p.
    int LoadedToListIndex(int p) const
    {
        return p < WindowCount() ? p + UnloadedBefore : p + UnloadedBefore + UnloadedBetween;
    }
    // Loaded position of list index i; -1 when it is not loaded.
    int ListToLoadedPos(int i) const;
    // Unloaded entities right before loaded position p (after the last one for p = LoadedCount).
    int UnloadedBeforeLoaded(int p) const;
    bool IsLoaded(int i) const { return ListToLoadedPos(i) >= 0; }
    // The entity at list index i when it is loaded, else none; never loads.
    TqvDataEntity* LoadedItemAt(int i) const;

    // None outside 0..Count-1; otherwise loads the entity if needed.
    TqvDataEntity* GetItems(int i);
    TqvDataEntity* Items(int i) { return GetItems(i); }
    TqvDataEntity* EnsureLoadedItem(int i);

    TqvDataEntity* Add();
    // Inserts a new entity at list index i (0..Count; EListError otherwise).
    // Appending loads nothing: an entity appended while the window does not
    // reach the end starts or extends the tail.
    TqvDataEntity* Insert(int i);
    // Inserts a new entity at loaded position p (clamped to 0..LoadedCount);
    // p = WindowCount ends the window.
    TqvDataEntity* InsertItem(int p);
    // A new entity of ItemClass belonging to this list, not yet in the window.
    TqvDataEntity* CreateItem();

    void Delete(int i);
    void Remove(TqvDataEntity* theEntity);
    int IndexOf(TqvDataEntity* theEntity);
    void Clear();
    void ClearSelections();
    void SelectionChanged(TqvDataList* aList, TqvDataEntity* aEntity);
    int VisibleCount() const;
    bool ValidIndexDataEntity(int i) const { return i >= 0 && i < Count(); }
    bool VisibleIndexDataEntity(int i);
    int ListIndexToVisibleIndex(int i);
    int VisibleIndexToListIndex(int v);
    void IteratorOfSelectedDataEntities(TSelectedDataEntityEvent aCallback);
    TqvDataEntity* FindDataEntity(TFindFunc aFunc);
    // Sorts with the controller's OnSortCompare (nothing when unassigned). A
    // list that is not fully loaded is refused with an Exception. Lists whose
    // order something else mirrors (a grid tree's rows) keep it.
    virtual void Sort(bool aReverse = false);

    bool CanUnload(TqvDataEntity* theEntity);
    // Unloads the entity at list index i, the first (aFromFront) or the last
    // entity of its run (the window or the tail), when the controller lets
    // it go (CanUnload); true when it went. An index that is not loaded
    // answers false; a loaded entity that is not at that edge is refused
    // with an Exception.
    bool Unload(int i, bool aFromFront);
    void Purge();
    void UnloadAll();
    // Loads list indexes aFrom..aTo right after (or, aAtFront, right before)
    // the window or the tail, whichever they border.
    void LoadItems(int aFrom, int aTo, bool aAtFront);

    void EnsureListIndexes();
    void ListIndexesOutOfDate(int i);
    void UpdateListIndexesFrom(int i);

    TqvListController* GetController() const { return Controller; }
    void SetController(TqvListController* aController) { Controller = aController; }
    TqvDataEntityClass GetItemClass() const { return ItemClass; }
    bool GetIndexesOutOfDate() const { return IndexesOutOfDate; }
    int GetLowestStaleIndex() const { return LowestStaleIndex; }
    int GetUnloadedBefore() const { return UnloadedBefore; }
    int GetUnloadedAfter() const { return UnloadedAfter; }
    int GetUnloadedBetween() const { return UnloadedBetween; }

    // Throws when the runs and their counters disagree: counts not negative
    // and summing within int, an empty window has nothing unloaded before it
    // and no tail, a tail is separated from the window by unloaded entities
    // (else they are one run), every loaded entity knows it is there, and
    // list indexes below the lowest stale one are right (which also shows an
    // entity there twice).
    // Debug builds check after each operation.
    void CheckInvariants() const;

protected:
    ~TqvDataList() override;

    std::vector<TqvDataEntity*> LoadedItems;
    TqvListController* Controller = nullptr;
    TqvDataEntityClass ItemClass;
    bool IndexesOutOfDate = true;
    int LowestStaleIndex = 0;
    int UnloadedBefore = 0;
    int UnloadedAfter = 0;
    int UnloadedBetween = 0; // between the window and the tail
    int TailCount = 0;       // loaded entities after the window's, in LoadedItems

private:
    friend class TqvDataEntity;
    void CheckNotSorting() const;
    void AssertInvariants() const;
    // Puts an entity whose freeing failed back at loaded position p (clamped).
    void TakeBack(TqvDataEntity* theEntity, int p);
    // Frees an entity taken out from loaded position p; put back when that fails.
    void FreeTakenOut(TqvDataEntity* theEntity, int p);
    // Takes the entity at loaded position p out of its run, then normalises.
    TqvDataEntity* TakeOut(int p);
    // Puts an entity at loaded position p, into the tail or the window.
    void PutIn(int p, TqvDataEntity* theEntity, bool aIntoTail);
    // Removes from loaded position p without normalising.
    TqvDataEntity* EraseLoaded(int p);
    // Joins a tail that touches the window, makes a tail without window the
    // window, and gives an empty window nothing before it; no index moves.
    void NormalizeRuns();
    // Loads what a new entity at list index i needs: the entity there, and
    // nothing for an append unless the tail does not reach the end.
    void LoadForInsert(int i);
    // Without running handlers: the loaded position and run a new entity at
    // list index i takes (starting the tail for an append away from the
    // window); false when it cannot stand there.
    bool PlaceFor(int i, int& thePos, bool& theIntoTail);
    // Puts a new entity in and notifies; none when a handler deleted it.
    TqvDataEntity* Place(TqvDataEntity* theEntity, int p, bool aIntoTail);
    int LoadedPosOf(const TqvDataEntity* theEntity) const;
    // Unloads the entity at loaded position p, the first (aFromFront) or
    // the last of its run, not asking.
    void UnloadAt(int p, bool aFromFront);

    bool FSorting = false;
};

} // namespace skedra
