#pragma once
// Which links a paint of the Gantt area must look at. Each link spans the
// rows between its two items' rows (as row positions: the tree's visible row
// index, or the grid's row index); a paint looks only at the links whose span
// meets the rows in view, found in time proportional to their number (a
// stabbing query over spans sorted by their first row, with the largest last
// row of every subtree kept beside it).
//
// The index is rebuilt when its stamp changes: the link list, the items'
// rows, or the row order (expansion, insertion, mode) changed.

#include <cstdint>
#include <vector>

namespace skedra
{

class TqvDataEntity_Link;

class TGantLinkIndex
{
public:
    struct TSpan {
        int Lo = 0;
        int Hi = 0;
        int Order = 0; // position in the link list
        TqvDataEntity_Link* Link = nullptr;
    };

    // Replaces the spans (any order).
    void Build(std::vector<TSpan> aSpans);
    // Appends the links whose span meets aFirst..aLast, in link list order.
    void Query(int aFirst, int aLast, std::vector<TqvDataEntity_Link*>& aOut) const;
    int Count() const { return static_cast<int>(FSpans.size()); }

    // The state the index was built for.
    std::uint64_t Stamp = 0;
    bool Built = false;

private:
    void Collect(int aNode, int aFrom, int aTo, int aEnd, int aFirst, std::vector<const TSpan*>& aOut) const;

    std::vector<TSpan> FSpans; // sorted by Lo
    std::vector<int> FMaxHi;   // segment tree over FSpans: the largest Hi of each node's range
    int FLeaves = 0;
};

} // namespace skedra
