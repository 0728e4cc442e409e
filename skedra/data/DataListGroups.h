#pragma once
// Groups of data lists (two and three levels) and a cursor that walks the
// entities of a list or a group as one sequence, skipping empty lists.

#include <array>
#include <initializer_list>
#include <unordered_map>
#include <vector>

#include "skedra/data/DataList.h"

namespace skedra
{

// The handler sets theFixable after adding the lists that were missing.
using TOnMissingIndex = TMethod<void(TqvExposable* theCaller, int theIndex, bool& theFixable)>;

// An ordered group of data lists; never owns them.
class TqvDataList2lev : public TqvExposable
{
public:
    TqvDataList2lev() = default;

    // One group per chart row: in the shared slot pools.
    static void* operator new(std::size_t aSize) { return TSlotPools::Allocate(aSize); }
    static void operator delete(void* aPointer, std::size_t aSize) { TSlotPools::Free(aPointer, aSize); }

    void CleanForFree() override { Clear(); }
    virtual void AfterCreate();

    // Appends unless already present; answers the list's index.
    int Add(TqvDataList* aList);
    void Delete(int i);
    int Remove(TqvDataList* aList);
    int IndexOf(const TqvDataList* aList) const;
    int Count() const { return static_cast<int>(FLists.size()); }
    void Clear()
    {
        FLists.clear();
        FMembers.clear();
        FIndexed = false;
    }
    void SetDataList(int i, TqvDataList* aList);
    // The entry at i; for i >= Count with OnMissingIndex assigned, asks the
    // handler and retries once when it says it fixed the index, else none.
    TqvDataList* GetDataList(int i);

    void ClearSelections();
    TqvDataEntity* FindSelected();
    void SelectDataEntity(TqvDataEntity* aEntity);
    // Single selection stepping over all entities of all lists, wrapping around.
    void SelectNext();
    void SelectPrev();

    TOnMissingIndex OnMissingIndex;

protected:
    ~TqvDataList2lev() override = default;

private:
    // Groups up to this size find a member by scanning (most groups are a
    // row's few layers); larger ones keep FMembers.
    static constexpr std::size_t IndexFrom = 16;

    void Step(bool aForward);
    bool Contains(const TqvDataList* aList) const;
    void Note(const TqvDataList* aList);
    void Forget(TqvDataList* aList);
    std::vector<TqvDataList*> FLists;
    // Once the group has grown past IndexFrom: how often each list stands in
    // FLists, so that Add's duplicate check costs no scan in groups of many
    // lists (one per tree node).
    std::unordered_map<const TqvDataList*, int> FMembers;
    bool FIndexed = false;
};

// An ordered group of two-level lists; never owns them.
class TqvDataList3lev : public TqvExposable
{
public:
    TqvDataList3lev() = default;

    void CleanForFree() override { Clear(); }
    virtual void AfterCreate();

    int Add(TqvDataList2lev* a2lev);
    void Clear()
    {
        FLists.clear();
        FMembers.clear();
    }
    int Count() const { return static_cast<int>(FLists.size()); }
    void Delete(int i);
    int IndexOf(const TqvDataList2lev* a2lev) const;
    int Remove(TqvDataList2lev* a2lev);
    TqvDataList2lev* GetDataListList(int i) const;
    void SetDataListList(int i, TqvDataList2lev* a2lev);

protected:
    ~TqvDataList3lev() override = default;

private:
    void Forget(const TqvDataList2lev* a2lev);
    std::vector<TqvDataList2lev*> FLists;
    // How often each group stands in FLists: Add's duplicate check and the
    // look-up of a group that is not there cost no scan (a chart has one
    // group per row).
    std::unordered_map<const TqvDataList2lev*, int> FMembers;
    // Where the last look-up found its group.
    mutable int FHint = 0;
};

enum TTravMode { trmMultiList, trmMulti, trmSingle };

// A cursor over the entities of one list, a two-level or a three-level list.
// Lists are re-read at First and Last only.
class TDataListTrav : public TObject
{
public:
    static constexpr int MaxIndexes = 11;

    explicit TDataListTrav(TqvDataList* aList);
    explicit TDataListTrav(TqvDataList2lev* a2lev, int aStartIndex = 0);
    // Walks the lists at the given indexes in that order (-1 is skipped); at
    // most MaxIndexes, more raise an Exception.
    TDataListTrav(TqvDataList2lev* a2lev, std::initializer_list<int> aIndexes);
    TDataListTrav(TqvDataList2lev* a2lev, const std::vector<int>& aIndexes);
    explicit TDataListTrav(TqvDataList3lev* a3lev);

    void InitTravList();
    void First();
    void Last();
    void Next();
    void Prev();
    bool Eof() const;
    bool BOF() const;
    // The current entity (loading it if needed); none outside the walk.
    TqvDataEntity* DataEntity() const;
    int GetObsCountInList(int k) const;

    TTravMode GetMode() const { return Mode; }
    int ListCount() const { return static_cast<int>(Lists.size()); }
    TqvDataList* GetList(int k) const;
    int GetListPos() const { return ListPos; }
    int GetObIndex() const { return ObIndex; }
    // Places the cursor; used to resume a walk at a known entity.
    void SetPosition(int aListPos, int aObIndex)
    {
        ListPos = aListPos;
        ObIndex = aObIndex;
    }

    TTravMode Mode;
    std::vector<TqvDataList*> Lists;
    int ListPos = 0;
    int ObIndex = 0;
    int StartIndex = 0;
    std::array<int, MaxIndexes> Indexes{};
    int IndexCount = 0;
    bool UseIndexes = false;

private:
    void AddIfNotEmpty(TqvDataList* aList);

    TqvDataList* FList = nullptr;
    TqvDataList2lev* F2lev = nullptr;
    TqvDataList3lev* F3lev = nullptr;
};

} // namespace skedra
