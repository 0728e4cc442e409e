#include "skedra/gantt/GantLinkIndex_p.h"

#include <algorithm>
#include <climits>

namespace skedra
{

void TGantLinkIndex::Build(std::vector<TSpan> aSpans)
{
    FSpans = std::move(aSpans);
    std::sort(FSpans.begin(), FSpans.end(),
              [](const TSpan& a, const TSpan& b) { return a.Lo != b.Lo ? a.Lo < b.Lo : a.Order < b.Order; });
    FLeaves = 1;
    while (FLeaves < static_cast<int>(FSpans.size()))
        FLeaves *= 2;
    FMaxHi.assign(static_cast<size_t>(2 * FLeaves), INT_MIN);
    for (size_t i = 0; i < FSpans.size(); ++i)
        FMaxHi[static_cast<size_t>(FLeaves) + i] = FSpans[i].Hi;
    for (int n = FLeaves - 1; n >= 1; --n)
        FMaxHi[static_cast<size_t>(n)] =
            std::max(FMaxHi[static_cast<size_t>(2 * n)], FMaxHi[static_cast<size_t>(2 * n + 1)]);
    Built = true;
}

void TGantLinkIndex::Collect(int aNode, int aFrom, int aTo, int aEnd, int aFirst,
                             std::vector<const TSpan*>& aOut) const
{
    // Node aNode covers spans aFrom..aTo-1; only spans before aEnd qualify.
    if (aFrom >= aEnd || FMaxHi[static_cast<size_t>(aNode)] < aFirst) return;
    if (aTo - aFrom == 1) {
        aOut.push_back(&FSpans[static_cast<size_t>(aFrom)]);
        return;
    }
    const int mid = (aFrom + aTo) / 2;
    Collect(2 * aNode, aFrom, mid, aEnd, aFirst, aOut);
    Collect(2 * aNode + 1, mid, aTo, aEnd, aFirst, aOut);
}

void TGantLinkIndex::Query(int aFirst, int aLast, std::vector<TqvDataEntity_Link*>& aOut) const
{
    if (FSpans.empty() || aLast < aFirst) return;
    // Spans starting at or before aLast ...
    const auto end =
        std::upper_bound(FSpans.begin(), FSpans.end(), aLast, [](int v, const TSpan& s) { return v < s.Lo; });
    // ... and ending at or after aFirst.
    std::vector<const TSpan*> found;
    Collect(1, 0, FLeaves, static_cast<int>(end - FSpans.begin()), aFirst, found);
    std::sort(found.begin(), found.end(), [](const TSpan* a, const TSpan* b) { return a->Order < b->Order; });
    for (const TSpan* s : found)
        aOut.push_back(s->Link);
}

} // namespace skedra
