#include "skedra/gantt/TimeDistinct.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>

#include "skedra/platform/Exceptions.h"

namespace skedra
{

namespace
{

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kOneSecond = 1.0 / SecsPerDay;

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
        count_ = count;
        size_ = 1;
        while (size_ < count_)
            size_ *= 2;
        max_.clear();
        max_.reserve(2 * static_cast<size_t>(size_));
        for (int i = 0; i < size_; ++i, tick())
            max_.push_back(-kInf);
        for (int i = 0; i < size_; ++i, tick())
            max_.push_back(i < count_ ? leaf(i) : -kInf);
        for (int node = size_ - 1; node >= 1; --node, tick())
            max_[node] = std::max(max_[2 * node], max_[2 * node + 1]);
    }

    void Set(int pos, double value)
    {
        int node = size_ + pos;
        max_[node] = value;
        for (node /= 2; node >= 1; node /= 2) {
            const double m = std::max(max_[2 * node], max_[2 * node + 1]);
            if (max_[node] == m) break;
            max_[node] = m;
        }
    }

    // f(pos) answers false to stop; Visit then answers false.
    template <class F> bool Visit(int lo, int hi, double threshold, F& f) const
    {
        if (count_ == 0 || lo >= hi) return true;
        return VisitNode(1, 0, size_, lo, hi, threshold, f);
    }

private:
    template <class F>
    bool VisitNode(int node, int nodeLo, int nodeHi, int lo, int hi, double threshold, F& f) const
    {
        if (nodeHi <= lo || hi <= nodeLo || !(max_[node] > threshold)) return true;
        if (nodeHi - nodeLo == 1) return f(nodeLo);
        const int mid = nodeLo + (nodeHi - nodeLo) / 2;
        return VisitNode(2 * node, nodeLo, mid, lo, hi, threshold, f) &&
               VisitNode(2 * node + 1, mid, nodeHi, lo, hi, threshold, f);
    }

    int count_ = 0;
    int size_ = 1;
    std::vector<double> max_;
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
    ownsItems_ = true;
    auto holder = std::make_unique<TDistinctTimeHolder>();
    holder->Start = aStart;
    holder->Stop = aStart == aStop ? aStop + kOneSecond : aStop;
    holder->Key = aKey;
    holder->SubCol = 0;
    holder->Reference = aReference;
    TDistinctTimeHolder* result = holder.get();
    owned_.push_back(std::move(holder));
    Append(result);
    return result;
}

void TDistinctTimeHolderList::Append(TDistinctTimeHolder* aHolder)
{
    items_.push_back(aHolder);
    if (indexed_ && aHolder) byReference_.emplace(aHolder->Reference, aHolder);
}

TDistinctTimeHolder* TDistinctTimeHolderList::Get(int index) const
{
    if (index < 0 || index >= Count()) return nullptr;
    return items_[static_cast<size_t>(index)];
}

TDistinctTimeHolder* TDistinctTimeHolderList::FindFromReference(const TObject* aReference) const
{
    if (!indexed_) {
        byReference_.clear();
        byReference_.reserve(items_.size());
        for (TDistinctTimeHolder* h : items_)
            if (h) byReference_.emplace(h->Reference, h);
        indexed_ = true;
    }
    const auto it = byReference_.find(aReference);
    return it == byReference_.end() ? nullptr : it->second;
}

void TDistinctTimeHolderList::Clear()
{
    items_.clear();
    owned_.clear();
    byReference_.clear();
    indexed_ = false;
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
        : engine_(engine), items_(engine.holders_ ? engine.holders_->Items() : empty_)
    {
    }

    bool AnyConflict()
    {
        Build();
        for (int i = n_ - 1; i >= 0; --i) {
            Tick();
            if (HasAnyConflict(i)) return true;
        }
        return false;
    }

    bool Resolve(long long maxListedPairs)
    {
        Build();
        const size_t n = static_cast<size_t>(n_);
        state_.clear();
        state_.reserve(n);
        for (int i = 0; i < n_; ++i, Tick())
            state_.push_back(H(i).SubCol == 0 ? kUnplaced : kPreset);
        Fill(column_, n, 0);
        const long long limit = maxListedPairs >= 0 ? maxListedPairs : 8LL * n_ + 4096;
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
        for (int i = n_ - 1; i >= 0; --i) {
            Tick();
            const long long begin = pairBegin_[static_cast<size_t>(i)];
            const long long end = pairBegin_[static_cast<size_t>(i) + 1];
            if (begin == end) continue;
            if (state_[static_cast<size_t>(i)] == kUnplaced) PlaceListed(i);
            for (long long k = begin; k < end; ++k) {
                Tick();
                const int j = pairs_[static_cast<size_t>(k)];
                if (state_[static_cast<size_t>(j)] == kUnplaced) PlaceListed(j);
            }
        }
        return false;
    }

    void PlaceListed(int i)
    {
        blocked_.clear();
        for (long long k = pairBegin_[static_cast<size_t>(i)]; k < pairBegin_[static_cast<size_t>(i) + 1];
             ++k) {
            const int j = pairs_[static_cast<size_t>(k)];
            if (state_[static_cast<size_t>(j)] == kPlaced)
                blocked_.push_back(column_[static_cast<size_t>(j)]);
        }
        Assign(i, FirstFree());
    }

    // An upper bound of the number of conflicting pairs, in O(n log n).
    long long CountPairsAtMost()
    {
        long long count = 0;
        for (int g = 0; g < groupCount_; ++g) {
            for (int p = proper_.Begin(g); p < proper_.End(g); ++p) {
                Tick();
                const TSpan& b = Span(proper_.holder[static_cast<size_t>(p)]);
                count += proper_.Bound(g, b.Stop, false) - p - 1;
                count += improperStart_.Bound(g, b.Stop, false) - improperStart_.Bound(g, b.Start, false);
                count += improperStop_.Bound(g, b.Stop, false) - improperStop_.Bound(g, b.Start, true);
            }
        }
        return count;
    }

    // Calls f(a, b) once for every conflicting pair.
    template <class F> void ForEachPair(F&& f)
    {
        for (int g = 0; g < groupCount_; ++g) {
            for (int p = proper_.Begin(g); p < proper_.End(g); ++p) {
                Tick();
                const int a = proper_.holder[static_cast<size_t>(p)];
                const TSpan& b = Span(a);
                // Proper ones sorted after it start no earlier; they conflict while they start before it
                // ends.
                for (int q = p + 1; q < proper_.End(g) && proper_.value[static_cast<size_t>(q)] < b.Stop;
                     ++q, Tick())
                    f(a, proper_.holder[static_cast<size_t>(q)]);
                // Improper ones starting in [Start, Stop) or stopping in (Start, Stop).
                for (int q = improperStart_.Bound(g, b.Start, false),
                         last = improperStart_.Bound(g, b.Stop, false);
                     q < last; ++q, Tick())
                    f(a, improperStart_.holder[static_cast<size_t>(q)]);
                for (int q = improperStop_.Bound(g, b.Start, true),
                         last = improperStop_.Bound(g, b.Stop, false);
                     q < last; ++q, Tick()) {
                    const int x = improperStop_.holder[static_cast<size_t>(q)];
                    const double start = Span(x).Start;
                    if (!(b.Start <= start && start < b.Stop)) f(a, x); // not met by its start already
                }
            }
        }
    }

    // Each holder's conflicting holders, in decreasing index order.
    void ListPairs()
    {
        const size_t n = static_cast<size_t>(n_);
        Fill(pairBegin_, n + 1, 0LL);
        ForEachPair([&](int a, int b) {
            ++pairBegin_[static_cast<size_t>(a) + 1];
            ++pairBegin_[static_cast<size_t>(b) + 1];
        });
        for (size_t i = 0; i < n; ++i, Tick())
            pairBegin_[i + 1] += pairBegin_[i];
        pairs_.clear();
        pairs_.reserve(static_cast<size_t>(pairBegin_[n]));
        for (long long k = 0; k < pairBegin_[n]; ++k, Tick())
            pairs_.push_back(0);
        std::vector<long long> next;
        next.reserve(n);
        for (size_t i = 0; i < n; ++i, Tick())
            next.push_back(pairBegin_[i]);
        ForEachPair([&](int a, int b) {
            pairs_[static_cast<size_t>(next[static_cast<size_t>(a)]++)] = b;
            pairs_[static_cast<size_t>(next[static_cast<size_t>(b)]++)] = a;
        });
        for (size_t i = 0; i < n; ++i) {
            Tick();
            std::sort(pairs_.begin() + pairBegin_[i], pairs_.begin() + pairBegin_[i + 1], [&](int x, int y) {
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
        for (int i = n_ - 1; i >= 0; --i) {
            Tick();
            if (state_[static_cast<size_t>(i)] == kUnplaced) {
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

    void Tick() { engine_.CheckTerminate(); }

    // The times of every holder side by side: the holders themselves lie scattered in memory.
    struct TSpan {
        double Start, Stop;
    };

    const TDistinctTimeHolder& H(int i) const { return *items_[static_cast<size_t>(i)]; }
    const TSpan& Span(int i) const { return span_[static_cast<size_t>(i)]; }
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
        n_ = static_cast<int>(items_.size());
        const size_t n = static_cast<size_t>(n_);
        group_.clear();
        group_.reserve(n);
        span_.clear();
        span_.reserve(n);
        QHash<QString, int> groups;
        const QString* lastKey = nullptr;
        int lastGroup = -1;
        for (int i = 0; i < n_; ++i) {
            Tick();
            const TDistinctTimeHolder& holder = H(i);
            span_.push_back({holder.Start, holder.Stop});
            const QString& key = holder.Key;
            if (!lastKey || key != *lastKey) {
                auto it = groups.constFind(key);
                if (it == groups.constEnd()) it = groups.insert(key, static_cast<int>(groups.size()));
                lastGroup = it.value();
                lastKey = &key;
            }
            group_.push_back(lastGroup);
        }
        groupCount_ = static_cast<int>(groups.size());

        std::vector<TSortEntry> proper, byStart, byStop;
        proper.reserve(n);
        for (int i = 0; i < n_; ++i) {
            Tick();
            const TSpan& h = Span(i);
            const int g = group_[static_cast<size_t>(i)];
            if (Proper(h)) {
                proper.push_back({g, h.Start, i});
            } else {
                if (!std::isnan(h.Start)) byStart.push_back({g, h.Start, i});
                if (!std::isnan(h.Stop)) byStop.push_back({g, h.Stop, i});
            }
        }
        Sort(proper, proper_, properPos_);
        Sort(byStart, improperStart_, startPos_);
        Sort(byStop, improperStop_, stopPos_);

        // Highest Stop of the proper intervals from the group's first position to each position.
        prefixMaxStop_.clear();
        prefixMaxStop_.reserve(proper_.holder.size());
        for (int g = 0; g < groupCount_; ++g) {
            double m = -kInf;
            for (int p = proper_.Begin(g); p < proper_.End(g); ++p) {
                Tick();
                m = std::max(m, Span(proper_.holder[static_cast<size_t>(p)]).Stop);
                prefixMaxStop_.push_back(m);
            }
        }
    }

    void BuildTrees()
    {
        const size_t n = static_cast<size_t>(n_);
        auto tick = [this] { Tick(); };
        auto none = [](int) { return -kInf; };
        properTree_[kUnplacedSet].Init(
            static_cast<int>(proper_.holder.size()),
            [this](int p) {
                const int h = proper_.holder[static_cast<size_t>(p)];
                return state_[static_cast<size_t>(h)] == kUnplaced ? Span(h).Stop : -kInf;
            },
            tick);
        properTree_[kPlacedSet].Init(static_cast<int>(proper_.holder.size()), none, tick);
        for (auto [axis, trees] :
             {std::pair{&improperStart_, startTree_}, std::pair{&improperStop_, stopTree_}}) {
            // A lambda captures a plain variable, not the structured binding (clang 14 cannot).
            const auto* list = axis;
            trees[kUnplacedSet].Init(
                static_cast<int>(list->holder.size()),
                [&](int p) {
                    return state_[static_cast<size_t>(list->holder[static_cast<size_t>(p)])] == kUnplaced
                               ? kInf
                               : -kInf;
                },
                tick);
            trees[kPlacedSet].Init(static_cast<int>(axis->holder.size()), none, tick);
        }
        Fill(seen_, n, 0u);
        treesBuilt_ = true;
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
        Fill(axis.groupBegin, static_cast<size_t>(groupCount_) + 1, 0);
        Fill(pos, static_cast<size_t>(n_), -1);
        for (size_t p = 0; p < entries.size(); ++p) {
            Tick();
            axis.holder.push_back(entries[p].holder);
            axis.value.push_back(entries[p].value);
            pos[static_cast<size_t>(entries[p].holder)] = static_cast<int>(p);
            ++axis.groupBegin[static_cast<size_t>(entries[p].group) + 1];
        }
        for (int g = 0; g < groupCount_; ++g, Tick())
            axis.groupBegin[static_cast<size_t>(g) + 1] += axis.groupBegin[static_cast<size_t>(g)];
    }

    // Whether holder i conflicts with any other holder, placed or not.
    bool HasAnyConflict(int i) const
    {
        const TSpan& x = Span(i);
        const int g = group_[static_cast<size_t>(i)];
        const int begin = proper_.Begin(g);
        auto maxStopBefore = [&](int end) {
            return end > begin ? prefixMaxStop_[static_cast<size_t>(end) - 1] : -kInf;
        };
        if (Proper(x)) {
            const int p = properPos_[static_cast<size_t>(i)];
            // A proper interval sorted before x starts no later than x and conflicts when it ends after x
            // starts; one sorted after x starts no earlier and conflicts when it starts before x ends.
            if (maxStopBefore(p) > x.Start) return true;
            if (p + 1 < proper_.End(g) && proper_.value[static_cast<size_t>(p) + 1] < x.Stop) return true;
            if (improperStart_.Bound(g, x.Start, false) < improperStart_.Bound(g, x.Stop, false)) return true;
            if (improperStop_.Bound(g, x.Start, true) < improperStop_.Bound(g, x.Stop, false)) return true;
            return false;
        }
        if (!std::isnan(x.Start) && maxStopBefore(proper_.Bound(g, x.Start, true)) > x.Start) return true;
        if (!std::isnan(x.Stop) && maxStopBefore(proper_.Bound(g, x.Stop, false)) > x.Stop) return true;
        return false;
    }

    // Calls f(j) once for every holder j of the set that conflicts with holder i.
    template <class F> void Enumerate(int i, int set, F&& f)
    {
        const TSpan& x = Span(i);
        const int g = group_[static_cast<size_t>(i)];
        ++stamp_;
        auto once = [&](int j) {
            Tick();
            unsigned& s = seen_[static_cast<size_t>(j)];
            if (s == stamp_) return true;
            s = stamp_;
            return f(j);
        };
        auto properAt = [&](int p) { return once(proper_.holder[static_cast<size_t>(p)]); };
        if (Proper(x)) {
            // Proper ones starting before x ends and ending after x starts.
            properTree_[set].Visit(proper_.Begin(g), proper_.Bound(g, x.Stop, false), x.Start, properAt);
            auto startAt = [&](int p) { return once(improperStart_.holder[static_cast<size_t>(p)]); };
            startTree_[set].Visit(improperStart_.Bound(g, x.Start, false),
                                  improperStart_.Bound(g, x.Stop, false), -kInf, startAt);
            auto stopAt = [&](int p) { return once(improperStop_.holder[static_cast<size_t>(p)]); };
            stopTree_[set].Visit(improperStop_.Bound(g, x.Start, true), improperStop_.Bound(g, x.Stop, false),
                                 -kInf, stopAt);
            return;
        }
        // Proper ones containing x.Start (start included) or x.Stop (strictly inside).
        if (!std::isnan(x.Start))
            properTree_[set].Visit(proper_.Begin(g), proper_.Bound(g, x.Start, true), x.Start, properAt);
        if (!std::isnan(x.Stop))
            properTree_[set].Visit(proper_.Begin(g), proper_.Bound(g, x.Stop, false), x.Stop, properAt);
    }

    void SetUnplaced(int i, bool on) { SetMember(i, kUnplacedSet, on); }

    void SetMember(int i, int set, bool on)
    {
        const size_t k = static_cast<size_t>(i);
        if (properPos_[k] >= 0) properTree_[set].Set(properPos_[k], on ? Span(i).Stop : -kInf);
        if (startPos_[k] >= 0) startTree_[set].Set(startPos_[k], on ? kInf : -kInf);
        if (stopPos_[k] >= 0) stopTree_[set].Set(stopPos_[k], on ? kInf : -kInf);
    }

    // First fit: the smallest sub-column holding no placed holder that conflicts with holder i.
    void Place(int i)
    {
        blocked_.clear();
        Enumerate(i, kPlacedSet, [&](int j) {
            blocked_.push_back(column_[static_cast<size_t>(j)]);
            return true;
        });
        Assign(i, FirstFree());
    }

    // The smallest sub-column (from 1) not in blocked_.
    int FirstFree()
    {
        taken_.assign(blocked_.size() + 2, 0);
        for (int c : blocked_)
            if (c >= 1 && static_cast<size_t>(c) < taken_.size()) taken_[static_cast<size_t>(c)] = 1;
        int column = 1;
        while (taken_[static_cast<size_t>(column)])
            ++column;
        return column;
    }

    void Assign(int i, int column)
    {
        TDistinctTimeHolder* h = items_[static_cast<size_t>(i)];
        h->SubCol = column;
        column_[static_cast<size_t>(i)] = column;
        state_[static_cast<size_t>(i)] = kPlaced;
        if (treesBuilt_) SetMember(i, kPlacedSet, true);
        auto& columns = engine_.columns_;
        while (static_cast<int>(columns.size()) < column)
            columns.push_back(std::make_unique<TDistinctTimeHolderList>());
        columns[static_cast<size_t>(column) - 1]->Append(h);
    }

    TTimeDistinctGeneric& engine_;
    static inline const std::vector<TDistinctTimeHolder*> empty_{};
    const std::vector<TDistinctTimeHolder*>& items_;
    int n_ = 0;
    int groupCount_ = 0;
    std::vector<int> group_;
    std::vector<TSpan> span_;
    std::vector<int> column_; // the sub-column given in this run, per holder
    TSortedAxis proper_, improperStart_, improperStop_;
    std::vector<int> properPos_, startPos_, stopPos_;
    std::vector<double> prefixMaxStop_;
    std::vector<char> state_;
    TMaxTree properTree_[2], startTree_[2], stopTree_[2];
    std::vector<unsigned> seen_;
    unsigned stamp_ = 0;
    std::vector<int> blocked_;
    std::vector<char> taken_;
    bool treesBuilt_ = false;
    std::vector<long long> pairBegin_; // holder i's conflicts are pairs_[pairBegin_[i] .. pairBegin_[i + 1])
    std::vector<int> pairs_;
};

// ---------------------------------------------------------------------------
// TTimeDistinctGeneric

TTimeDistinctGeneric::TTimeDistinctGeneric(TDistinctTimeHolderList* aHolders,
                                           TTimeDistinctGenericThread* aThread)
    : holders_(aHolders), thread_(aThread)
{
}

TTimeDistinctGeneric::~TTimeDistinctGeneric() = default;

TDistinctTimeHolderList* TTimeDistinctGeneric::Column(int index) const
{
    if (index < 0 || index >= ColumnCount()) return nullptr;
    return columns_[static_cast<size_t>(index)].get();
}

bool TTimeDistinctGeneric::Terminated() const
{
    return terminateRequest_ && terminateRequest_();
}

void TTimeDistinctGeneric::CheckTerminate()
{
    // Every step of the placement is bounded by O(log n) work, so asking every
    // 256 steps keeps the answer to a cancel well under a millisecond.
    if ((++ticks_ & 255u) == 0 && Terminated()) throw TCancelled{};
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
    for (size_t c = 0; c < columns_.size(); ++c) {
        const auto& members = columns_[c]->Items();
        const bool fits = std::none_of(members.begin(), members.end(), [&](const TDistinctTimeHolder* other) {
            return InConflict(h, other);
        });
        if (fits) {
            h->SubCol = static_cast<int>(c) + 1;
            columns_[c]->Append(h);
            return;
        }
    }
    columns_.push_back(std::make_unique<TDistinctTimeHolderList>());
    columns_.back()->Append(h);
    h->SubCol = static_cast<int>(columns_.size());
}

bool TTimeDistinctGeneric::ConflictLoop(bool resolve)
{
    try {
        ticks_ = 0;
        if (Terminated()) return false;
        if (resolve) columns_.clear();
        TPlacement placement(*this);
        return resolve ? placement.Resolve(maxListedPairs_) : placement.AnyConflict();
    } catch (const TCancelled&) {
        return false;
    } catch (const Exception& e) {
        throw Exception(QStringLiteral("ConflictLoop:") + e.Message());
    } catch (const std::exception& e) {
        throw Exception(QStringLiteral("ConflictLoop:") + QString::fromLocal8Bit(e.what()));
    }
}

} // namespace skedra
