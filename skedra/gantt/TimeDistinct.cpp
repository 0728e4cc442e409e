#include "skedra/gantt/TimeDistinct.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <unordered_set>

#include "skedra/platform/Exceptions.h"

namespace skedra
{

namespace
{

constexpr double kInf = std::numeric_limits<double>::infinity();
// Maximum tree over a fixed number of positions; Visit reports, in increasing
// position, every position of a range whose value exceeds a threshold, in
// O((k + 1) log n) for k positions reported.
class TMaxTree
{
public:
    // leaf(pos) gives the value at each position; tick() runs once per step so
    // that a long build can be interrupted. Memory is written as it is filled.
    template <class Leaf, class Tick> void Init(int count, Leaf&& leaf, Tick&& tick)
    {
        FCount = count;
        FSize = 1;
        while (FSize < FCount)
            FSize *= 2;
        FMax.clear();
        FMax.reserve(2 * static_cast<size_t>(FSize));
        for (int i = 0; i < FSize; ++i, tick())
            FMax.push_back(-kInf);
        for (int i = 0; i < FSize; ++i, tick())
            FMax.push_back(i < FCount ? leaf(i) : -kInf);
        for (int node = FSize - 1; node >= 1; --node, tick())
            FMax[node] = std::max(FMax[2 * node], FMax[2 * node + 1]);
    }

    void Set(int pos, double value)
    {
        int node = FSize + pos;
        FMax[node] = value;
        for (node /= 2; node >= 1; node /= 2) {
            const double m = std::max(FMax[2 * node], FMax[2 * node + 1]);
            if (FMax[node] == m) break;
            FMax[node] = m;
        }
    }

    // f(pos) answers false to stop; Visit then answers false.
    template <class F> bool Visit(int lo, int hi, double threshold, F& f) const
    {
        if (FCount == 0 || lo >= hi) return true;
        return VisitNode(1, 0, FSize, lo, hi, threshold, f);
    }

private:
    template <class F>
    bool VisitNode(int node, int nodeLo, int nodeHi, int lo, int hi, double threshold, F& f) const
    {
        if (nodeHi <= lo || hi <= nodeLo || !(FMax[node] > threshold)) return true;
        if (nodeHi - nodeLo == 1) return f(nodeLo);
        const int mid = nodeLo + (nodeHi - nodeLo) / 2;
        return VisitNode(2 * node, nodeLo, mid, lo, hi, threshold, f) &&
               VisitNode(2 * node + 1, mid, nodeHi, lo, hi, threshold, f);
    }

    int FCount = 0;
    int FSize = 1;
    std::vector<double> FMax;
};

// One value per holder, sorted by (key group, value); a group occupies a
// contiguous range.
struct TSortedAxis {
    std::vector<int> holder;     // holder index at each position
    std::vector<double> value;   // the sorted values
    std::vector<int> groupBegin; // group g occupies [groupBegin[g], groupBegin[g + 1])

    int Begin(int g) const { return groupBegin[g]; }
    int End(int g) const { return groupBegin[g + 1]; }
    // First position of group g with a value >= v (> v when strict).
    int Bound(int g, double v, bool strict) const
    {
        const auto first = value.begin() + Begin(g);
        const auto last = value.begin() + End(g);
        const auto it = strict ? std::upper_bound(first, last, v) : std::lower_bound(first, last, v);
        return static_cast<int>(it - value.begin());
    }
};

} // namespace

TDateTime RoundToSecond(TDateTime t)
{
    if (!std::isfinite(t)) return t;
    const double day = std::trunc(t);
    const double seconds = std::nearbyint((t - day) * SecsPerDay);
    return day + seconds / SecsPerDay;
}

// ---------------------------------------------------------------------------
// TDistinctTimeHolderList

TDistinctTimeHolderList::~TDistinctTimeHolderList()
{
    Clear();
}

TDistinctTimeHolder* TDistinctTimeHolderList::Add(TDateTime aStart, TDateTime aStop, const QString& aKey,
                                                  TObject* aReference)
{
    FOwnsItems = true;
    auto holder = std::make_unique<TDistinctTimeHolder>();
    holder->Start = aStart;
    holder->Stop = aStart == aStop ? aStop + OneSecond : aStop;
    holder->Key = aKey;
    holder->SubCol = 0;
    holder->Reference = aReference;
    TDistinctTimeHolder* result = holder.get();
    FOwned.push_back(std::move(holder));
    Append(result);
    return result;
}

void TDistinctTimeHolderList::Append(TDistinctTimeHolder* aHolder)
{
    FItems.push_back(aHolder);
    if (FIndexed && aHolder) FByReference.emplace(aHolder->Reference, aHolder);
}

TDistinctTimeHolder* TDistinctTimeHolderList::Get(int index) const
{
    if (index < 0 || index >= Count()) return nullptr;
    return FItems[static_cast<size_t>(index)];
}

TDistinctTimeHolder* TDistinctTimeHolderList::FindFromReference(const TObject* aReference) const
{
    if (!FIndexed) {
        FByReference.clear();
        FByReference.reserve(FItems.size());
        for (TDistinctTimeHolder* h : FItems)
            if (h) FByReference.emplace(h->Reference, h);
        FIndexed = true;
    }
    const auto it = FByReference.find(aReference);
    return it == FByReference.end() ? nullptr : it->second;
}

void TDistinctTimeHolderList::Clear()
{
    FItems.clear();
    FOwned.clear();
    FByReference.clear();
    FIndexed = false;
}

// ---------------------------------------------------------------------------
// TTimeDistinctGeneric::TPlacement
//
// The reverse scan, without comparing every pair. For holder a (last to
// first): a is placed when it is not yet placed and conflicts with any holder
// at all; then every not yet placed holder that conflicts with a is placed in
// decreasing index order, which is the order in which the scan meets them.
// First fit is the smallest sub-column that holds no placed holder conflicting
// with the one being placed. Keys never conflict with each other, and a
// sub-column free for one key is free whatever other keys hold, so the keys
// share the column numbers without influencing each other's placement.
//
// Conflicts: two proper intervals (Start < Stop) conflict when they overlap by
// more than a touch. An improper one (Start >= Stop, or a NaN end) conflicts
// only with proper ones, when its Start lies in [b.Start, b.Stop) or its Stop
// in (b.Start, b.Stop); two improper ones never conflict. This is exactly
// InConflict, case by case.
class TTimeDistinctGeneric::TPlacement
{
public:
    explicit TPlacement(TTimeDistinctGeneric& engine)
        : FEngine(engine), FItems(engine.FHolders ? engine.FHolders->Items() : kEmpty)
    {
    }

    bool AnyConflict()
    {
        Build();
        for (int i = FN - 1; i >= 0; --i) {
            Tick();
            if (HasAnyConflict(i)) return true;
        }
        return false;
    }

    bool Resolve(long long maxListedPairs)
    {
        Build();
        const size_t n = static_cast<size_t>(FN);
        FState.clear();
        FState.reserve(n);
        for (int i = 0; i < FN; ++i, Tick())
            FState.push_back(H(i).SubCol == 0 ? kUnplaced : kPreset);
        Fill(FColumn, n, 0);
        const long long limit = maxListedPairs >= 0 ? maxListedPairs : 8LL * FN + 4096;
        if (CountPairsAtMost() <= limit) return ResolveListed();
        BuildTrees();
        return ResolveQueried();
    }

private:
    // With the conflicting pairs listed up front (when they are few enough):
    // O(n log n + p) for p pairs, and each placement looks only at its own
    // conflicts.
    bool ResolveListed()
    {
        ListPairs();
        for (int i = FN - 1; i >= 0; --i) {
            Tick();
            const long long begin = FPairBegin[static_cast<size_t>(i)];
            const long long end = FPairBegin[static_cast<size_t>(i) + 1];
            if (begin == end) continue;
            if (FState[static_cast<size_t>(i)] == kUnplaced) PlaceListed(i);
            for (long long k = begin; k < end; ++k) {
                Tick();
                const int j = FPairs[static_cast<size_t>(k)];
                if (FState[static_cast<size_t>(j)] == kUnplaced) PlaceListed(j);
            }
        }
        return false;
    }

    void PlaceListed(int i)
    {
        FBlocked.clear();
        for (long long k = FPairBegin[static_cast<size_t>(i)]; k < FPairBegin[static_cast<size_t>(i) + 1];
             ++k) {
            const int j = FPairs[static_cast<size_t>(k)];
            if (FState[static_cast<size_t>(j)] == kPlaced)
                FBlocked.push_back(FColumn[static_cast<size_t>(j)]);
        }
        Assign(i, FirstFree());
    }

    // An upper bound of the number of conflicting pairs, in O(n log n).
    long long CountPairsAtMost()
    {
        long long count = 0;
        for (int g = 0; g < FGroupCount; ++g) {
            for (int p = FProper.Begin(g); p < FProper.End(g); ++p) {
                Tick();
                const TSpan& b = Span(FProper.holder[static_cast<size_t>(p)]);
                count += FProper.Bound(g, b.Stop, false) - p - 1;
                count += FImproperStart.Bound(g, b.Stop, false) - FImproperStart.Bound(g, b.Start, false);
                count += FImproperStop.Bound(g, b.Stop, false) - FImproperStop.Bound(g, b.Start, true);
            }
        }
        return count;
    }

    // Calls f(a, b) once for every conflicting pair.
    template <class F> void ForEachPair(F&& f)
    {
        for (int g = 0; g < FGroupCount; ++g) {
            for (int p = FProper.Begin(g); p < FProper.End(g); ++p) {
                Tick();
                const int a = FProper.holder[static_cast<size_t>(p)];
                const TSpan& b = Span(a);
                // Proper ones sorted after it start no earlier; they conflict while they start before it
                // ends.
                for (int q = p + 1; q < FProper.End(g) && FProper.value[static_cast<size_t>(q)] < b.Stop;
                     ++q, Tick())
                    f(a, FProper.holder[static_cast<size_t>(q)]);
                // Improper ones starting in [Start, Stop) or stopping in (Start, Stop).
                for (int q = FImproperStart.Bound(g, b.Start, false),
                         last = FImproperStart.Bound(g, b.Stop, false);
                     q < last; ++q, Tick())
                    f(a, FImproperStart.holder[static_cast<size_t>(q)]);
                for (int q = FImproperStop.Bound(g, b.Start, true),
                         last = FImproperStop.Bound(g, b.Stop, false);
                     q < last; ++q, Tick()) {
                    const int x = FImproperStop.holder[static_cast<size_t>(q)];
                    const double start = Span(x).Start;
                    if (!(b.Start <= start && start < b.Stop)) f(a, x); // not met by its start already
                }
            }
        }
    }

    // Each holder's conflicting holders, in decreasing index order.
    void ListPairs()
    {
        const size_t n = static_cast<size_t>(FN);
        Fill(FPairBegin, n + 1, 0LL);
        ForEachPair([&](int a, int b) {
            ++FPairBegin[static_cast<size_t>(a) + 1];
            ++FPairBegin[static_cast<size_t>(b) + 1];
        });
        for (size_t i = 0; i < n; ++i, Tick())
            FPairBegin[i + 1] += FPairBegin[i];
        FPairs.clear();
        FPairs.reserve(static_cast<size_t>(FPairBegin[n]));
        for (long long k = 0; k < FPairBegin[n]; ++k, Tick())
            FPairs.push_back(0);
        std::vector<long long> next;
        next.reserve(n);
        for (size_t i = 0; i < n; ++i, Tick())
            next.push_back(FPairBegin[i]);
        ForEachPair([&](int a, int b) {
            FPairs[static_cast<size_t>(next[static_cast<size_t>(a)]++)] = b;
            FPairs[static_cast<size_t>(next[static_cast<size_t>(b)]++)] = a;
        });
        for (size_t i = 0; i < n; ++i) {
            Tick();
            std::sort(FPairs.begin() + FPairBegin[i], FPairs.begin() + FPairBegin[i + 1], [&](int x, int y) {
                Tick();
                return x > y;
            });
        }
    }

    // Without a list of pairs: each step asks trees of the not yet placed and
    // of the placed holders for the conflicts of one holder, in
    // O((k + 1) log n) for k conflicts found, with O(n) memory.
    bool ResolveQueried()
    {
        std::vector<int> found;
        for (int i = FN - 1; i >= 0; --i) {
            Tick();
            if (FState[static_cast<size_t>(i)] == kUnplaced) {
                SetUnplaced(i, false);
                if (!HasAnyConflict(i)) continue;
                Place(i);
            }
            found.clear();
            Enumerate(i, kUnplacedSet, [&](int j) {
                found.push_back(j);
                return true;
            });
            if (found.empty()) continue;
            for (int j : found)
                SetUnplaced(j, false);
            std::sort(found.begin(), found.end(), std::greater<int>());
            for (int j : found)
                Place(j);
        }
        return false;
    }

    enum : char { kUnplaced, kPlaced, kPreset };
    enum { kUnplacedSet = 0, kPlacedSet = 1 };

    struct TSortEntry {
        int group;
        double value;
        int holder;
        bool operator<(const TSortEntry& o) const
        {
            if (group != o.group) return group < o.group;
            if (value != o.value) return value < o.value;
            return holder < o.holder;
        }
    };

    void Tick() { FEngine.CheckTerminate(); }

    // The times of every holder side by side: the holders themselves lie scattered in memory.
    struct TSpan {
        double Start, Stop;
    };

    const TDistinctTimeHolder& H(int i) const { return *FItems[static_cast<size_t>(i)]; }
    const TSpan& Span(int i) const { return FSpan[static_cast<size_t>(i)]; }
    template <class T> static bool Proper(const T& h) { return h.Start < h.Stop; }

    // Fills v with n copies of value, writing memory step by step so that
    // even the first touch of a large block can be interrupted.
    template <class T> void Fill(std::vector<T>& v, size_t n, T value)
    {
        v.clear();
        v.reserve(n);
        for (size_t i = 0; i < n; ++i, Tick())
            v.push_back(value);
    }

    // Key groups and the holders sorted by start (proper ones) and by each end (improper ones).
    void Build()
    {
        FN = static_cast<int>(FItems.size());
        const size_t n = static_cast<size_t>(FN);
        FGroup.clear();
        FGroup.reserve(n);
        FSpan.clear();
        FSpan.reserve(n);
        QHash<QString, int> groups;
        const QString* lastKey = nullptr;
        int lastGroup = -1;
        for (int i = 0; i < FN; ++i) {
            Tick();
            const TDistinctTimeHolder& holder = H(i);
            FSpan.push_back({holder.Start, holder.Stop});
            const QString& key = holder.Key;
            if (!lastKey || key != *lastKey) {
                auto it = groups.constFind(key);
                if (it == groups.constEnd()) it = groups.insert(key, static_cast<int>(groups.size()));
                lastGroup = it.value();
                lastKey = &key;
            }
            FGroup.push_back(lastGroup);
        }
        FGroupCount = static_cast<int>(groups.size());

        std::vector<TSortEntry> proper, byStart, byStop;
        proper.reserve(n);
        for (int i = 0; i < FN; ++i) {
            Tick();
            const TSpan& h = Span(i);
            const int g = FGroup[static_cast<size_t>(i)];
            if (Proper(h)) {
                proper.push_back({g, h.Start, i});
            } else {
                if (!std::isnan(h.Start)) byStart.push_back({g, h.Start, i});
                if (!std::isnan(h.Stop)) byStop.push_back({g, h.Stop, i});
            }
        }
        Sort(proper, FProper, FProperPos);
        Sort(byStart, FImproperStart, FStartPos);
        Sort(byStop, FImproperStop, FStopPos);

        // Highest Stop of the proper intervals from the group's first position to each position.
        FPrefixMaxStop.clear();
        FPrefixMaxStop.reserve(FProper.holder.size());
        for (int g = 0; g < FGroupCount; ++g) {
            double m = -kInf;
            for (int p = FProper.Begin(g); p < FProper.End(g); ++p) {
                Tick();
                m = std::max(m, Span(FProper.holder[static_cast<size_t>(p)]).Stop);
                FPrefixMaxStop.push_back(m);
            }
        }
    }

    void BuildTrees()
    {
        const size_t n = static_cast<size_t>(FN);
        auto tick = [this] { Tick(); };
        auto none = [](int) { return -kInf; };
        FProperTree[kUnplacedSet].Init(
            static_cast<int>(FProper.holder.size()),
            [this](int p) {
                const int h = FProper.holder[static_cast<size_t>(p)];
                return FState[static_cast<size_t>(h)] == kUnplaced ? Span(h).Stop : -kInf;
            },
            tick);
        FProperTree[kPlacedSet].Init(static_cast<int>(FProper.holder.size()), none, tick);
        for (auto [axis, trees] :
             {std::pair{&FImproperStart, FStartTree}, std::pair{&FImproperStop, FStopTree}}) {
            // A lambda captures a plain variable, not the structured binding (clang 14 cannot).
            const auto* list = axis;
            trees[kUnplacedSet].Init(
                static_cast<int>(list->holder.size()),
                [&](int p) {
                    return FState[static_cast<size_t>(list->holder[static_cast<size_t>(p)])] == kUnplaced
                               ? kInf
                               : -kInf;
                },
                tick);
            trees[kPlacedSet].Init(static_cast<int>(axis->holder.size()), none, tick);
        }
        Fill(FSeen, n, 0u);
        FTreesBuilt = true;
    }

    void Sort(std::vector<TSortEntry>& entries, TSortedAxis& axis, std::vector<int>& pos)
    {
        std::sort(entries.begin(), entries.end(), [&](const TSortEntry& a, const TSortEntry& b) {
            Tick();
            return a < b;
        });
        axis.holder.clear();
        axis.value.clear();
        axis.holder.reserve(entries.size());
        axis.value.reserve(entries.size());
        Fill(axis.groupBegin, static_cast<size_t>(FGroupCount) + 1, 0);
        Fill(pos, static_cast<size_t>(FN), -1);
        for (size_t p = 0; p < entries.size(); ++p) {
            Tick();
            axis.holder.push_back(entries[p].holder);
            axis.value.push_back(entries[p].value);
            pos[static_cast<size_t>(entries[p].holder)] = static_cast<int>(p);
            ++axis.groupBegin[static_cast<size_t>(entries[p].group) + 1];
        }
        for (int g = 0; g < FGroupCount; ++g, Tick())
            axis.groupBegin[static_cast<size_t>(g) + 1] += axis.groupBegin[static_cast<size_t>(g)];
    }

    // Whether holder i conflicts with any other holder, placed or not.
    bool HasAnyConflict(int i) const
    {
        const TSpan& x = Span(i);
        const int g = FGroup[static_cast<size_t>(i)];
        const int begin = FProper.Begin(g);
        auto maxStopBefore = [&](int end) {
            return end > begin ? FPrefixMaxStop[static_cast<size_t>(end) - 1] : -kInf;
        };
        if (Proper(x)) {
            const int p = FProperPos[static_cast<size_t>(i)];
            // A proper interval sorted before x starts no later than x and conflicts when it ends after x
            // starts; one sorted after x starts no earlier and conflicts when it starts before x ends.
            if (maxStopBefore(p) > x.Start) return true;
            if (p + 1 < FProper.End(g) && FProper.value[static_cast<size_t>(p) + 1] < x.Stop) return true;
            if (FImproperStart.Bound(g, x.Start, false) < FImproperStart.Bound(g, x.Stop, false)) return true;
            if (FImproperStop.Bound(g, x.Start, true) < FImproperStop.Bound(g, x.Stop, false)) return true;
            return false;
        }
        if (!std::isnan(x.Start) && maxStopBefore(FProper.Bound(g, x.Start, true)) > x.Start) return true;
        if (!std::isnan(x.Stop) && maxStopBefore(FProper.Bound(g, x.Stop, false)) > x.Stop) return true;
        return false;
    }

    // Calls f(j) once for every holder j of the set that conflicts with holder i.
    template <class F> void Enumerate(int i, int set, F&& f)
    {
        const TSpan& x = Span(i);
        const int g = FGroup[static_cast<size_t>(i)];
        ++FStamp;
        auto once = [&](int j) {
            Tick();
            unsigned& s = FSeen[static_cast<size_t>(j)];
            if (s == FStamp) return true;
            s = FStamp;
            return f(j);
        };
        auto properAt = [&](int p) { return once(FProper.holder[static_cast<size_t>(p)]); };
        if (Proper(x)) {
            // Proper ones starting before x ends and ending after x starts.
            FProperTree[set].Visit(FProper.Begin(g), FProper.Bound(g, x.Stop, false), x.Start, properAt);
            auto startAt = [&](int p) { return once(FImproperStart.holder[static_cast<size_t>(p)]); };
            FStartTree[set].Visit(FImproperStart.Bound(g, x.Start, false),
                                  FImproperStart.Bound(g, x.Stop, false), -kInf, startAt);
            auto stopAt = [&](int p) { return once(FImproperStop.holder[static_cast<size_t>(p)]); };
            FStopTree[set].Visit(FImproperStop.Bound(g, x.Start, true), FImproperStop.Bound(g, x.Stop, false),
                                 -kInf, stopAt);
            return;
        }
        // Proper ones containing x.Start (start included) or x.Stop (strictly inside).
        if (!std::isnan(x.Start))
            FProperTree[set].Visit(FProper.Begin(g), FProper.Bound(g, x.Start, true), x.Start, properAt);
        if (!std::isnan(x.Stop))
            FProperTree[set].Visit(FProper.Begin(g), FProper.Bound(g, x.Stop, false), x.Stop, properAt);
    }

    void SetUnplaced(int i, bool on) { SetMember(i, kUnplacedSet, on); }

    void SetMember(int i, int set, bool on)
    {
        const size_t k = static_cast<size_t>(i);
        if (FProperPos[k] >= 0) FProperTree[set].Set(FProperPos[k], on ? Span(i).Stop : -kInf);
        if (FStartPos[k] >= 0) FStartTree[set].Set(FStartPos[k], on ? kInf : -kInf);
        if (FStopPos[k] >= 0) FStopTree[set].Set(FStopPos[k], on ? kInf : -kInf);
    }

    // First fit: the smallest sub-column holding no placed holder that conflicts with holder i.
    void Place(int i)
    {
        FBlocked.clear();
        Enumerate(i, kPlacedSet, [&](int j) {
            FBlocked.push_back(FColumn[static_cast<size_t>(j)]);
            return true;
        });
        Assign(i, FirstFree());
    }

    // The smallest sub-column (from 1) not in FBlocked.
    int FirstFree()
    {
        FTaken.assign(FBlocked.size() + 2, 0);
        for (int c : FBlocked)
            if (c >= 1 && static_cast<size_t>(c) < FTaken.size()) FTaken[static_cast<size_t>(c)] = 1;
        int column = 1;
        while (FTaken[static_cast<size_t>(column)])
            ++column;
        return column;
    }

    void Assign(int i, int column)
    {
        TDistinctTimeHolder* h = FItems[static_cast<size_t>(i)];
        h->SubCol = column;
        FColumn[static_cast<size_t>(i)] = column;
        FState[static_cast<size_t>(i)] = kPlaced;
        if (FTreesBuilt) SetMember(i, kPlacedSet, true);
        auto& columns = FEngine.FColumns;
        while (static_cast<int>(columns.size()) < column)
            columns.push_back(std::make_unique<TDistinctTimeHolderList>());
        columns[static_cast<size_t>(column) - 1]->Append(h);
    }

    TTimeDistinctGeneric& FEngine;
    static inline const std::vector<TDistinctTimeHolder*> kEmpty{};
    const std::vector<TDistinctTimeHolder*>& FItems;
    int FN = 0;
    int FGroupCount = 0;
    std::vector<int> FGroup;
    std::vector<TSpan> FSpan;
    std::vector<int> FColumn; // the sub-column given in this run, per holder
    TSortedAxis FProper, FImproperStart, FImproperStop;
    std::vector<int> FProperPos, FStartPos, FStopPos;
    std::vector<double> FPrefixMaxStop;
    std::vector<char> FState;
    TMaxTree FProperTree[2], FStartTree[2], FStopTree[2];
    std::vector<unsigned> FSeen;
    unsigned FStamp = 0;
    std::vector<int> FBlocked;
    std::vector<char> FTaken;
    bool FTreesBuilt = false;
    std::vector<long long> FPairBegin; // holder i's conflicts are FPairs[FPairBegin[i] .. FPairBegin[i + 1])
    std::vector<int> FPairs;
};

// ---------------------------------------------------------------------------
// TTimeDistinctGeneric

TTimeDistinctGeneric::TTimeDistinctGeneric(TDistinctTimeHolderList* aHolders,
                                           TTimeDistinctGenericThread* aThread)
    : FHolders(aHolders), FThread(aThread)
{
}

TTimeDistinctGeneric::~TTimeDistinctGeneric() = default;

TDistinctTimeHolderList* TTimeDistinctGeneric::Column(int index) const
{
    if (index < 0 || index >= ColumnCount()) return nullptr;
    return FColumns[static_cast<size_t>(index)].get();
}

bool TTimeDistinctGeneric::Terminated() const
{
    return FTerminateRequest && FTerminateRequest();
}

void TTimeDistinctGeneric::CheckTerminate()
{
    // Every step of the placement is bounded by O(log n) work, so asking every
    // 256 steps keeps the answer to a cancel well under a millisecond.
    if ((++FTicks & 255u) == 0 && Terminated()) throw TCancelled{};
}

bool TTimeDistinctGeneric::HasConflicts()
{
    return ConflictLoop(false);
}

bool TTimeDistinctGeneric::ResolveConflicts()
{
    return ConflictLoop(true);
}

bool TTimeDistinctGeneric::InConflict(const TDistinctTimeHolder* a, const TDistinctTimeHolder* b)
{
    if (a == b || !a || !b || a->Key != b->Key) return false;
    return (b->Start <= a->Start && a->Start < b->Stop) || (b->Start < a->Stop && a->Stop < b->Stop) ||
           (a->Start <= b->Start && b->Start < a->Stop) || (a->Start < b->Stop && b->Stop < a->Stop);
}

void TTimeDistinctGeneric::MoveToConflictFreePosition(TDistinctTimeHolder* h)
{
    for (size_t c = 0; c < FColumns.size(); ++c) {
        const auto& members = FColumns[c]->Items();
        const bool fits = std::none_of(members.begin(), members.end(), [&](const TDistinctTimeHolder* other) {
            return InConflict(h, other);
        });
        if (fits) {
            h->SubCol = static_cast<int>(c) + 1;
            FColumns[c]->Append(h);
            return;
        }
    }
    FColumns.push_back(std::make_unique<TDistinctTimeHolderList>());
    FColumns.back()->Append(h);
    h->SubCol = static_cast<int>(FColumns.size());
}

bool TTimeDistinctGeneric::ConflictLoop(bool resolve)
{
    try {
        FTicks = 0;
        if (Terminated()) return false;
        if (resolve) FColumns.clear();
        TPlacement placement(*this);
        if (!resolve) return placement.AnyConflict();
        const bool result = placement.Resolve(FMaxListedPairs);
#ifndef NDEBUG
        // Up to a size, so that large placements keep answering cancels promptly.
        if (FHolders == nullptr || FHolders->Count() <= 4096) CheckInvariants();
#endif
        return result;
    } catch (const TCancelled&) {
        return false;
    } catch (const Exception& e) {
        throw Exception(QStringLiteral("ConflictLoop:") + e.Message());
    } catch (const std::exception& e) {
        throw Exception(QStringLiteral("ConflictLoop:") + QString::fromLocal8Bit(e.what()));
    }
}

void TTimeDistinctGeneric::CheckInvariants() const
{
    std::unordered_set<const TDistinctTimeHolder*> listed;
    if (FHolders != nullptr) listed.insert(FHolders->Items().begin(), FHolders->Items().end());
    std::unordered_set<const TDistinctTimeHolder*> placed;
    for (size_t c = 0; c < FColumns.size(); ++c) {
        const auto& members = FColumns[c]->Items();
        if (FColumns[c]->OwnsItems()) throw Exception(QStringLiteral("A sub-column owns its holders"));
        for (size_t m = 0; m < members.size(); ++m) {
            const TDistinctTimeHolder* h = members[m];
            if (!listed.contains(h))
                throw Exception(QStringLiteral("A sub-column holds a holder of no list"));
            if (!placed.insert(h).second)
                throw Exception(QStringLiteral("A holder is placed in two sub-columns"));
            if (h->SubCol != static_cast<int>(c) + 1)
                throw Exception(QStringLiteral("A holder's SubCol differs from its sub-column"));
            if (members.size() > 256) continue;
            for (size_t o = 0; o < m; ++o)
                if (InConflict(h, members[o]))
                    throw Exception(QStringLiteral("Two holders of one sub-column conflict"));
        }
    }
}

} // namespace skedra
