#pragma once
// Interval placement engine: intervals with keys are placed in sub-columns so
// that no two intervals of one key that overlap share a sub-column. Only
// intervals that overlap another interval of their key are placed; the others
// keep sub-column 0. The engine knows nothing of Gantt rows or schedule
// columns; they hand it holders and read the holders' SubCol back.

#include <QString>

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "skedra/platform/DateTime.h"
#include "skedra/platform/Object.h"

namespace skedra
{

class TTimeDistinctGenericThread;

// t rounded to the nearest second (halves to even) within its own day.
// Non-finite values are answered unchanged.
TDateTime RoundToSecond(TDateTime t);

// One interval to place.
class TDistinctTimeHolder
{
public:
    TDateTime Start = 0;
    TDateTime Stop = 0;
    QString Key;                  // only intervals with equal keys can conflict
    int SubCol = 0;               // 0 = not placed, 1.. = the sub-column it was placed in
    TObject* Reference = nullptr; // what the interval stands for, not owned
};

// Holders in insertion order. Holders made by Add belong to the list; holders
// joined with Append (a sub-column's view of holders owned elsewhere) do not.
class TDistinctTimeHolderList
{
public:
    TDistinctTimeHolderList() = default;
    TDistinctTimeHolderList(const TDistinctTimeHolderList&) = delete;
    TDistinctTimeHolderList& operator=(const TDistinctTimeHolderList&) = delete;
    ~TDistinctTimeHolderList();

    // A start equal to its stop counts as one second.
    TDistinctTimeHolder* Add(TDateTime aStart, TDateTime aStop, const QString& aKey, TObject* aReference);
    void Append(TDistinctTimeHolder* aHolder);

    int Count() const { return static_cast<int>(FItems.size()); }
    // The holder at index, or null when out of range.
    TDistinctTimeHolder* Get(int index) const;
    // The first holder with that reference, or null.
    TDistinctTimeHolder* FindFromReference(const TObject* aReference) const;
    void Clear();

    bool OwnsItems() const { return FOwnsItems; }
    const std::vector<TDistinctTimeHolder*>& Items() const { return FItems; }

private:
    std::vector<TDistinctTimeHolder*> FItems;
    std::vector<std::unique_ptr<TDistinctTimeHolder>> FOwned;
    bool FOwnsItems = false;
    // First holder per reference, built on the first look-up and kept up to date.
    mutable std::unordered_map<const TObject*, TDistinctTimeHolder*> FByReference;
    mutable bool FIndexed = false;
};

// Places the holders of a list. The result is defined by a reverse scan over
// all pairs: for each holder a from the last to the first, and for each other
// holder b from the last to the first that conflicts with a, a is placed (when
// not yet placed) and then b (when not yet placed), each in the first
// sub-column where it conflicts with nothing. ResolveConflicts computes that
// same result in O(n log n + p) for p conflicting pairs (O((n + p) log n)
// with memory in proportion to n when the pairs are many), instead of
// comparing every pair.
class TTimeDistinctGeneric
{
public:
    explicit TTimeDistinctGeneric(TDistinctTimeHolderList* aHolders,
                                  TTimeDistinctGenericThread* aThread = nullptr);
    TTimeDistinctGeneric(const TTimeDistinctGeneric&) = delete;
    TTimeDistinctGeneric& operator=(const TTimeDistinctGeneric&) = delete;
    ~TTimeDistinctGeneric();

    TDistinctTimeHolderList* Holders() const { return FHolders; }
    TTimeDistinctGenericThread* Thread() const { return FThread; }
    // The sub-columns, column 1 first; each lists its holders in order of placement.
    int ColumnCount() const { return static_cast<int>(FColumns.size()); }
    TDistinctTimeHolderList* Column(int index) const; // 0-based; null when out of range

    // Asked often during a computation; when it answers true the computation
    // stops at once and answers false. The thread installs its terminate request.
    void SetTerminateRequest(std::function<bool()> aRequest) { FTerminateRequest = std::move(aRequest); }

    // The placement lists the conflicting pairs up front when there are at
    // most this many (fastest), otherwise it looks them up as it goes (memory
    // in proportion to the holders only). Negative: 8 per holder, the default.
    void SetMaxListedPairs(long long aLimit) { FMaxListedPairs = aLimit; }

    bool HasConflicts();     // any two holders in conflict
    bool ResolveConflicts(); // places the holders; false when cancelled

    // Same key, not the same holder, and overlapping by more than a touch.
    static bool InConflict(const TDistinctTimeHolder* a, const TDistinctTimeHolder* b);
    // First fit over the current columns; appends a column when none fits.
    void MoveToConflictFreePosition(TDistinctTimeHolder* h);
    // Resolving: places the holders (starting from empty columns). Not
    // resolving: answers whether any two holders conflict. False when
    // cancelled. A failure is raised as "ConflictLoop:" + its message.
    bool ConflictLoop(bool resolve);

    // The columns hold holders of the list, each at most once, each with the
    // SubCol of its column, and no two members of a column conflict (checked
    // pairwise for columns of up to 256 members). Valid while the holders
    // are unchanged since the last placement; throws Exception otherwise.
    // Debug builds check it after every placement of up to 4096 holders.
    void CheckInvariants() const;

private:
    struct TCancelled {
    };
    class TPlacement;

    void CheckTerminate();
    bool Terminated() const;

    TDistinctTimeHolderList* FHolders;
    TTimeDistinctGenericThread* FThread;
    std::vector<std::unique_ptr<TDistinctTimeHolderList>> FColumns;
    std::function<bool()> FTerminateRequest;
    unsigned FTicks = 0;
    long long FMaxListedPairs = -1;

    friend class TPlacement;
};

} // namespace skedra
