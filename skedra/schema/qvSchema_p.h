#pragma once
// Implementation state of the schedule view (not installed): the background
// sub-column computation and the index of drawn items by column, which keeps
// painting and hit testing in proportion to what is visible.

#include <algorithm>
#include <cmath>
#include <vector>

#include "skedra/gantt/SubColumnJob.h"
#include "skedra/schema/SchemaInput_p.h"
#include "skedra/schema/qvSchema.h"

namespace skedra
{

// Rounds half to even, clamped to a safe integer range.
inline int RoundToInt(double v)
{
    return static_cast<int>(std::nearbyint(std::clamp(v, -1e9, 1e9)));
}

// The items of the DrawLayers lists, per column, sorted by start relative to
// the column. Rebuilt on the first use after any change of items, columns or
// DrawLayers.
class TSchemaItemIndex
{
public:
    struct TEntry {
        TqvDataEntity_SchemaTime* Item = nullptr;
        TDateTime RelStart = 0;
        TDateTime RelStop = 0;
        int Rank = 0;  // position of the item's list in DrawLayers
        int Index = 0; // position of the item in its list
    };
    struct TColumnItems {
        std::vector<TEntry> Entries; // by RelStart
        TDateTime MaxLength = 0;     // the longest RelStop - RelStart
    };

    void Invalidate() { FValid = false; }
    bool Valid() const { return FValid; }
    void Build(TqvSchema_ComBasic* aSchema);
    const TColumnItems* ColumnItems(int aCol) const;
    // Appends the entries of column aCol that overlap [aFrom, aTo].
    void Collect(int aCol, TDateTime aFrom, TDateTime aTo, std::vector<TEntry>& anOut) const;
    int BuildCount() const { return FBuilds; }
    // Every entry matches its item and lies in its column's order.
    void CheckInvariants(TqvSchema_ComBasic* aSchema) const;

private:
    std::vector<TColumnItems> FColumns;
    bool FValid = false;
    int FBuilds = 0;
};

// Column offsets along the column axis while a paint runs: every item asks
// for its column's span, and the header answers a section's width slowly.
// Filled on demand from the first visible column, so it costs what is asked.
struct TColumnAxisCache {
    bool Active = false;
    bool Flipped = false;
    int First = 0;
    std::vector<int> Far; // far-side offsets of First, First + 1, ...
    std::vector<int> Size;
};

struct TSchemaPrivate {
    TColumnAxisCache Axis;
    TSubColumnJob Job;
    TSchemaItemIndex Index;
    TSchemaInputState Input;
    // Tests compare the indexed paint and hit test with this full walk.
    bool ForceFullWalk = false;
    // The number of items drawn by the last paint (tests and benchmarks).
    int LastDrawnCount = 0;
    // The stripes' checker of the two colours over the whole area, aligned
    // to the area's origin as a pattern brush is: striped spans are copied
    // from it, which is far cheaper than filling with a 2 x 2 pattern.
    QImage Checker;
    TColor CheckerA = 0, CheckerB = 0;
    const QImage& CheckerFor(int aWidth, int aHeight, TColor anA, TColor aB);

    // A print lays the view out in its own orientation from its own first
    // column: ColumnSize and GetTopLeftCol answer from the columns'
    // remembered sizes, so the header controls on screen keep their sections,
    // rows and scroll position.
    struct TPrintLayout {
        bool Active = false;
        int First = 0;
    };
    TPrintLayout PrintLayout;
    int PrintColumnSize(const TqvSchema_ComBasic* aSchema, bool aFlipped, int aCol) const
    {
        const TqvDataEntity_SchemaColumn* c = aSchema->GetColumns()->SectionOwner(aCol);
        if (c == nullptr || aCol < PrintLayout.First) return 0;
        return aFlipped ? c->GetStoredHeight() : c->GetStoredWidth();
    }
    // The orientation the drawing reads, switched for a print without laying
    // out the sub-controls.
    static void SetDrawingFlipView(TqvSchema_ComBasic* aSchema, bool aFlipped)
    {
        aSchema->FlipView = aFlipped;
    }

    // Whether painting and hit testing may use the index: no application
    // handler decides visibility or rectangles.
    bool UseIndex(const TqvSchema_ComBasic* aSchema) const
    {
        return !ForceFullWalk && !aSchema->OnIsVisible.Assigned() && !aSchema->OnGetDrawingRect.Assigned();
    }
};

} // namespace skedra
