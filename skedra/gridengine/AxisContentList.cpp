// Axes of the grid content model: index spaces, loading on demand, unloading
// after layout, and the bookkeeping of hidden and visible items.

#include "skedra/gridengine/GridContentModel.h"

#include <QScopedValueRollback>

#include <algorithm>
#include <vector>

namespace skedra
{

namespace
{
// A request that would hold more items than this purges the axis first.
constexpr int kMaxLoadGrowth = 500;
// Debug builds check the invariants after each operation up to this many
// loaded items (the check walks them all); randomized tests check always.
constexpr int kDebugCheckLimit = 128;
} // namespace

#ifndef QT_NO_DEBUG
#define SKEDRA_AXIS_CHECK()                                                                                  \
    do {                                                                                                     \
        QString why;                                                                                         \
        Q_ASSERT_X(LoadedCount() > kDebugCheckLimit || CheckInvariants(&why), "TAxisContentList",            \
                   qPrintable(why));                                                                         \
    } while (false)
#else
#define SKEDRA_AXIS_CHECK() (void)0
#endif

// ---------------------------------------------------------------------------
// TAxisContentItem

TAxisContentItem::~TAxisContentItem()
{
    if (auto* referrer = dynamic_cast<TAxisItemReferrer*>(Value2)) referrer->AxisContentItemFreed(this);
}

int TAxisContentItem::ListIndex()
{
    if (List) List->EnsureListIndexes();
    return CachedIndex;
}

int TAxisContentItem::LoadedListIndex()
{
    if (!List) return -1;
    return List->IndexConvert_RealToLoaded(ListIndex());
}

void TAxisContentItem::SetHide(bool aHidden)
{
    if (Hidden == aHidden) return;
    Hidden = aHidden;
    if (List) {
        List->UpdateHiddenItemsList(this, aHidden);
        if (List->OwnerCell) List->OwnerCell->ChangeInUnloaded(List);
    }
}

int TAxisContentItem::GetUserSize() const
{
    return UserSizeItem ? UserSizeItem->Size : UserSize;
}

void TAxisContentItem::SetUserSize(int aSize)
{
    UserSize = aSize;
    if (UserSizeItem) UserSizeItem->Size = aSize;
    if (List && List->OwnerCell) {
        if (auto* viewer = List->OwnerCell->GetViewer()) viewer->UserSizeChangedEvent->TriggerEvent(this);
    }
}

bool TAxisContentItem::GetUserSizeActive() const
{
    return UserSizeItem ? UserSizeItem->Active : UserSizeActive;
}

void TAxisContentItem::SetUserSizeActive(bool aActive)
{
    UserSizeActive = aActive;
    if (UserSizeItem) UserSizeItem->Active = aActive;
}

void TAxisContentItem::SetValue2(TObject* aValue)
{
    Value2 = aValue;
}

// ---------------------------------------------------------------------------
// TAxisContentList

TAxisContentList::TAxisContentList(TMoxGridCell* aOwnerCell) : OwnerCell(aOwnerCell) {}

TAxisContentList::~TAxisContentList()
{
    // The owner is going away: free the items last to first without notifying
    // it; items without a list tell their referrers only that they are gone.
    VisibleItems.clear();
    HiddenItems.clear();
    for (auto& item : LoadedItems)
        item->List = nullptr;
    while (!LoadedItems.empty())
        LoadedItems.pop_back();
}

bool TAxisContentList::IsRowAxis() const
{
    return OwnerCell && OwnerCell->RowList.get() == this;
}

TMoxGridCellForViewer* TAxisContentList::Viewer() const
{
    return OwnerCell ? OwnerCell->GetViewer() : nullptr;
}

int TAxisContentList::IndexConvert_RealToLoaded(int aIndex) const
{
    if (aIndex < FixedCount) return aIndex;
    if (TailCount > 0) {
        const int tailStart = UnloadedBefore + BlockEnd() + UnloadedBetween;
        if (aIndex >= tailStart)
            return aIndex < tailStart + TailCount ? aIndex - UnloadedBefore - UnloadedBetween : -1;
        if (aIndex >= UnloadedBefore + BlockEnd()) return -1; // between the block and the tail
    }
    return aIndex - UnloadedBefore;
}

int TAxisContentList::IndexConvert_LoadedToReal(int aLoadedIndex) const
{
    if (aLoadedIndex < FixedCount) return aLoadedIndex;
    return aLoadedIndex < BlockEnd() ? aLoadedIndex + UnloadedBefore
                                     : aLoadedIndex + UnloadedBefore + UnloadedBetween;
}

bool TAxisContentList::IsLoaded(int aIndex) const
{
    if (aIndex < 0) return false;
    if (aIndex < FixedCount) return aIndex < LoadedCount();
    if (aIndex < FixedCount + UnloadedBefore) return false;
    const int p = IndexConvert_RealToLoaded(aIndex);
    return p >= FixedCount && p < LoadedCount();
}

int TAxisContentList::FirstLoadedIndex() const
{
    return LoadedCount() > FixedCount ? FixedCount + UnloadedBefore : -1;
}

int TAxisContentList::LastLoadedIndex() const
{
    return LoadedCount() > FixedCount ? IndexConvert_LoadedToReal(LoadedCount() - 1) : -1;
}

void TAxisContentList::NormalizeRuns()
{
    if (TailCount > 0 && UnloadedBetween == 0) TailCount = 0; // the tail touches the block: one run
    if (TailCount > 0 && BlockEnd() <= FixedCount) {
        UnloadedBefore += UnloadedBetween;
        UnloadedBetween = 0;
        TailCount = 0;
    }
    if (TailCount == 0 && UnloadedBetween != 0) {
        UnloadedAfter += UnloadedBetween;
        UnloadedBetween = 0;
    }
}

TAxisContentItem* TAxisContentList::getLoadedAxisContentItem(int aLoadedIndex) const
{
    if (aLoadedIndex < 0 || aLoadedIndex >= LoadedCount()) return nullptr;
    return LoadedItems[static_cast<size_t>(aLoadedIndex)].get();
}

TAxisContentItem* TAxisContentList::getAxisContentItem(int aIndex)
{
    if (aIndex < 0 || aIndex >= Count()) return nullptr;
    EnsureLoadedItem(aIndex);
    if (!IsLoaded(aIndex)) return nullptr;
    return getLoadedAxisContentItem(IndexConvert_RealToLoaded(aIndex));
}

TAxisContentItem* TAxisContentList::getVisibleAxisContentItem(int i) const
{
    if (i < 0 || i >= VisibleCount()) return nullptr;
    return VisibleItems[static_cast<size_t>(i)];
}

void TAxisContentList::AddToVisible(TAxisContentItem* aItem)
{
    if (!aItem) return;
    aItem->InVisibleList = true;
    VisibleItems.push_back(aItem);
}

void TAxisContentList::ClearVisibles()
{
    for (TAxisContentItem* item : VisibleItems)
        item->InVisibleList = false;
    VisibleItems.clear();
    KeepFrom = -1;
    KeepTo = -1;
}

// --- lazy indexes ---------------------------------------------------------

void TAxisContentList::ListIndexesOutOfDate(int aFrom)
{
    if (!IndexesOutOfDate || aFrom < IndexesValidBelow) IndexesValidBelow = aFrom;
    IndexesOutOfDate = true;
}

void TAxisContentList::UpdateListIndexesFrom(int aFrom)
{
    int p = std::max(aFrom, 0);
    if (p >= FixedCount) p = std::max(p - UnloadedBefore, FixedCount);
    if (p > BlockEnd()) p = BlockEnd() + std::max(aFrom - (UnloadedBefore + BlockEnd() + UnloadedBetween), 0);
    for (int n = LoadedCount(); p < n; ++p)
        LoadedItems[static_cast<size_t>(p)]->CachedIndex = IndexConvert_LoadedToReal(p);
}

void TAxisContentList::EnsureListIndexes()
{
    if (!IndexesOutOfDate) return;
    UpdateListIndexesFrom(IndexesValidBelow);
    IndexesOutOfDate = false;
    IndexesValidBelow = Count();
}

void TAxisContentList::UpdateHiddenItemsList(TAxisContentItem* aItem, bool aHidden)
{
    if (aHidden) {
        if (aItem->HiddenSlot >= 0) return;
        aItem->HiddenSlot = static_cast<int>(HiddenItems.size());
        HiddenItems.push_back(aItem);
    } else {
        const int slot = aItem->HiddenSlot;
        if (slot < 0 || slot >= static_cast<int>(HiddenItems.size()) ||
            HiddenItems[static_cast<size_t>(slot)] != aItem)
            return;
        TAxisContentItem* last = HiddenItems.back();
        HiddenItems[static_cast<size_t>(slot)] = last;
        last->HiddenSlot = slot;
        HiddenItems.pop_back();
        aItem->HiddenSlot = -1;
    }
}

// --- adding, moving, dropping ---------------------------------------------

TAxisContentItem* TAxisContentList::AddNew(TObject* aData)
{
    if (LoadNesting > 0) throw Exception(QStringLiteral("Not allowed to add items during load"));
    return InsertNew(Count(), aData);
}

TAxisContentItem* TAxisContentList::InsertNew(int aIndex, TObject* aData)
{
    if (LoadNesting > 0) throw Exception(QStringLiteral("Not allowed to add items during load"));
    aIndex = std::clamp(aIndex, 0, Count());
    const int blockEnd = UnloadedBefore + BlockEnd(); // real index after the block
    const int tailStart = blockEnd + UnloadedBetween;
    bool intoTail = false;
    int pos = -1;
    if (aIndex < FixedCount) {
        if (PendingFixed > 0) {
            // Fills a fixed slot opened by raising the fixed count: every
            // other item keeps its place, nothing is loaded.
            --PendingFixed;
        } else if (UnloadedBefore > 0 && LoadedCount() >= FixedCount) {
            // The last fixed item moves into the scrolled part, where it must
            // join the loaded block: the items between load under the rule.
            EnsureLoadedItem(FixedCount);
        }
        pos = aIndex;
    } else if (aIndex >= FixedCount + UnloadedBefore && aIndex <= blockEnd) {
        // Inside the loaded block or right at one of its ends: the new item
        // joins the block without loading its neighbours.
        pos = aIndex - UnloadedBefore;
    } else if (TailCount > 0 && aIndex >= tailStart && aIndex <= tailStart + TailCount) {
        pos = BlockEnd() + (aIndex - tailStart); // likewise the tail
        intoTail = true;
    } else if (aIndex == Count() && TailCount == 0) {
        if (LoadedCount() <= FixedCount) {
            // Nothing but fixed items is loaded: the block starts at the end.
            UnloadedBefore += UnloadedAfter;
            ListIndexesOutOfDate(FixedCount);
        } else {
            // Appending while the block does not reach the end: the new item
            // starts the tail, nothing in between is loaded.
            UnloadedBetween = UnloadedAfter;
            intoTail = true;
        }
        UnloadedAfter = 0;
        pos = LoadedCount();
    } else {
        // Elsewhere the place is loaded first; the tail grows to the end so.
        const int target = aIndex == Count() ? aIndex - 1 : aIndex;
        EnsureLoadedItem(target);
        if (!IsLoaded(target)) EnsureLoadedRange(target, target);
        pos = aIndex == Count() ? LoadedCount() : IndexConvert_RealToLoaded(aIndex);
        if (pos < 0) pos = LoadedCount();
        intoTail = TailCount > 0 && (aIndex == Count() ? true : pos >= BlockEnd());
    }
    if (intoTail) ++TailCount;
    auto item = std::make_unique<TAxisContentItem>();
    item->List = this;
    item->Data = aData;
    item->CachedIndex = aIndex;
    TAxisContentItem* raw = item.get();
    LoadedItems.insert(LoadedItems.begin() + pos, std::move(item));
    NormalizeRuns();
    ListIndexesOutOfDate(aIndex);
    if (OwnerCell) OwnerCell->InsertingAxisItem(this, raw, pos);
    SKEDRA_AXIS_CHECK();
    return raw;
}

void TAxisContentList::SetFixedCount(int aValue)
{
    aValue = std::max(aValue, 0);
    // Raising the count while items before the block are unloaded opens
    // fixed slots that the next inserts below the fixed count fill; until
    // then the block's first items would pass for fixed ones.
    // Lowering it likewise leaves former fixed items in front of the unloaded
    // items until a drop below the old count removes them.
    PendingFixed = PendingUnfixed = 0;
    if (UnloadedBefore > 0 && LoadedCount() > std::min(aValue, FixedCount)) {
        if (aValue > FixedCount)
            PendingFixed = aValue - FixedCount;
        else
            PendingUnfixed = std::min(FixedCount, LoadedCount()) - aValue;
    }
    FixedCount = aValue;
    NormalizeRuns();
    ListIndexesOutOfDate(0);
}

bool TAxisContentList::CheckInvariants(QString* theWhy) const
{
    auto fail = [&](const QString& why) {
        if (theWhy != nullptr) *theWhy = why;
        return false;
    };
    if (UnloadedBefore < 0 || UnloadedAfter < 0 || UnloadedBetween < 0 || TailCount < 0 || LoadNesting < 0 ||
        PendingFixed < 0 || PendingUnfixed < 0)
        return fail(QStringLiteral("a negative counter"));
    // A tail stands apart from a non-empty block, and only a tail does.
    if ((TailCount > 0) != (UnloadedBetween > 0))
        return fail(QStringLiteral("a tail without a gap or a gap without a tail"));
    if (TailCount > 0 && BlockEnd() <= FixedCount) return fail(QStringLiteral("a tail without a block"));
    if ((KeepFrom < 0) != (KeepTo < 0)) return fail(QStringLiteral("half a keep interval"));
    int hidden = 0;
    int visible = 0;
    for (int p = 0; p < LoadedCount(); ++p) {
        const TAxisContentItem* item = LoadedItems[static_cast<size_t>(p)].get();
        if (item == nullptr || item->List != this)
            return fail(QStringLiteral("item %1 is not this axis's").arg(p));
        if (item->Hidden) {
            ++hidden;
            if (item->HiddenSlot < 0 || item->HiddenSlot >= GetHiddenRowCount() ||
                HiddenItems[static_cast<size_t>(item->HiddenSlot)] != item)
                return fail(QStringLiteral("hidden item %1 is not in the hidden list").arg(p));
        }
        if (item->InVisibleList) ++visible;
        const int real = IndexConvert_LoadedToReal(p);
        if ((!IndexesOutOfDate || real < IndexesValidBelow) && item->CachedIndex != real)
            return fail(
                QStringLiteral("item %1 caches index %2 for %3").arg(p).arg(item->CachedIndex).arg(real));
    }
    if (hidden != GetHiddenRowCount())
        return fail(QStringLiteral("the hidden list holds items that are not hidden"));
    for (const TAxisContentItem* item : VisibleItems)
        if (!item->InVisibleList || item->List != this)
            return fail(QStringLiteral("a placed item is not marked"));
    if (visible != VisibleCount()) return fail(QStringLiteral("the placed items and their marks disagree"));
    if (OwnerCell != nullptr && OwnerCell->Matrix) {
        const auto& columns = OwnerCell->Matrix->Columns;
        if (IsRowAxis()) {
            for (const auto& column : columns)
                if (static_cast<int>(column.size()) != LoadedCount())
                    return fail(QStringLiteral("a matrix column does not have a cell per loaded row"));
        } else if (OwnerCell->ColumnList.get() == this && static_cast<int>(columns.size()) != LoadedCount()) {
            return fail(QStringLiteral("the matrix does not have a column per loaded column"));
        }
    }
    return true;
}

void TAxisContentList::AddUnloaded(int aCount)
{
    if (aCount <= 0) return;
    UnloadedAfter += aCount;
    if (OwnerCell) OwnerCell->ChangeInUnloaded(this);
}

void TAxisContentList::AddUnloadedBefore(int aCount)
{
    if (aCount <= 0) return;
    if (LoadedCount() <= FixedCount) {
        UnloadedAfter += aCount;
    } else {
        UnloadedBefore += aCount;
        ListIndexesOutOfDate(FixedCount);
    }
    if (OwnerCell) OwnerCell->ChangeInUnloaded(this);
}

void TAxisContentList::EnsureLoadedRange(int aLow, int aHigh)
{
    aLow = std::max(aLow, FixedCount);
    aHigh = std::min(aHigh, Count() - 1);
    if (aLow > aHigh) return;
    if (LoadedCount() <= FixedCount) {
        // Empty block: place it at aLow.
        const int unloaded = UnloadedBefore + UnloadedAfter;
        UnloadedBefore = aLow - FixedCount;
        UnloadedAfter = unloaded - UnloadedBefore;
        ListIndexesOutOfDate(FixedCount);
    }
    // Whatever the loading rule says: each unloaded index joins the nearer
    // run (the ends first, which loads everything between them but a gap).
    auto load = [this](int i) {
        int first = 0;
        int last = -1;
        bool backwards = false;
        int run = 0;
        if (ChooseRange(i, first, last, backwards, run)) LoadItems(first, last, backwards);
    };
    load(aLow);
    load(aHigh);
    for (int i = aLow; i <= aHigh; ++i)
        if (!IsLoaded(i)) load(i);
}

void TAxisContentList::Move(int aFrom, int aTo)
{
    const int n = Count();
    if (aFrom < 0 || aFrom >= n || aTo < 0 || aTo >= n || aFrom == aTo) return;
    EnsureLoadedItem(aFrom);
    EnsureLoadedItem(aTo);
    if (!IsLoaded(aFrom) || !IsLoaded(aTo)) EnsureLoadedRange(std::min(aFrom, aTo), std::max(aFrom, aTo));
    if (!IsLoaded(aFrom) || !IsLoaded(aTo)) return; // a fixed index beyond the loaded fixed items
    const int fromPos = IndexConvert_RealToLoaded(aFrom);
    const int toPos = IndexConvert_RealToLoaded(aTo);
    // The item joins the run of the one at the target, next to it.
    const bool fromTail = fromPos >= BlockEnd();
    const bool toTail = toPos >= BlockEnd();
    auto item = std::move(LoadedItems[static_cast<size_t>(fromPos)]);
    LoadedItems.erase(LoadedItems.begin() + fromPos);
    LoadedItems.insert(LoadedItems.begin() + toPos, std::move(item));
    TailCount += (toTail ? 1 : 0) - (fromTail ? 1 : 0);
    NormalizeRuns();
    ListIndexesOutOfDate(std::min(aFrom, aTo));
    if (OwnerCell) OwnerCell->MowingAxisItem(this, fromPos, toPos);
    SKEDRA_AXIS_CHECK();
}

void TAxisContentList::Reorder(const std::vector<TAxisContentItem*>& aOrder)
{
    const int first = std::min(FixedCount, LoadedCount());
    const int n = LoadedCount() - first;
    auto refuse = [] { throw Exception(QStringLiteral("Reorder: not an order of the loaded items")); };
    if (static_cast<int>(aOrder.size()) != n) refuse();
    std::vector<int> from(static_cast<size_t>(n));
    std::vector<char> taken(static_cast<size_t>(n), 0);
    for (int i = 0; i < n; ++i) {
        TAxisContentItem* item = aOrder[static_cast<size_t>(i)];
        if (!item || item->List != this) refuse();
        const int p = item->LoadedListIndex() - first;
        if (p < 0 || p >= n || taken[static_cast<size_t>(p)] ||
            LoadedItems[static_cast<size_t>(first + p)].get() != item)
            refuse();
        taken[static_cast<size_t>(p)] = 1;
        from[static_cast<size_t>(i)] = p;
    }
    std::vector<std::unique_ptr<TAxisContentItem>> reordered(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        reordered[static_cast<size_t>(i)] =
            std::move(LoadedItems[static_cast<size_t>(first + from[static_cast<size_t>(i)])]);
    std::move(reordered.begin(), reordered.end(), LoadedItems.begin() + first);
    ListIndexesOutOfDate(IndexConvert_LoadedToReal(first));
    if (OwnerCell) OwnerCell->ReorderedAxisItems(this, first, from);
    SKEDRA_AXIS_CHECK();
}

void TAxisContentList::RemoveLoaded(int aLoadedIndex)
{
    DetachLoaded(aLoadedIndex).reset();
}

std::unique_ptr<TAxisContentItem> TAxisContentList::DetachLoaded(int aLoadedIndex)
{
    TAxisContentItem* item = LoadedItems[static_cast<size_t>(aLoadedIndex)].get();
    if (item->Hidden) UpdateHiddenItemsList(item, false);
    if (item->InVisibleList) {
        auto it = std::find(VisibleItems.begin(), VisibleItems.end(), item);
        if (it != VisibleItems.end()) VisibleItems.erase(it);
        item->InVisibleList = false;
    }
    if (OwnerCell) OwnerCell->DroppingAxisItem(this, item, aLoadedIndex);
    std::unique_ptr<TAxisContentItem> owned = std::move(LoadedItems[static_cast<size_t>(aLoadedIndex)]);
    if (aLoadedIndex >= BlockEnd()) --TailCount;
    LoadedItems.erase(LoadedItems.begin() + aLoadedIndex);
    return owned;
}

void TAxisContentList::Drop(int aIndex)
{
    if (aIndex < 0 || aIndex >= Count()) return;
    if (PendingUnfixed > 0 && aIndex >= FixedCount && aIndex < FixedCount + PendingUnfixed) {
        // A former fixed item, still in front of the unloaded items.
        --PendingUnfixed;
        RemoveLoaded(aIndex);
        NormalizeRuns();
        ListIndexesOutOfDate(0);
        if (OwnerCell) OwnerCell->DroppedAxisItem(this);
        SKEDRA_AXIS_CHECK();
        return;
    }
    if (IsLoaded(aIndex)) {
        RemoveLoaded(IndexConvert_RealToLoaded(aIndex));
        NormalizeRuns();
        ListIndexesOutOfDate(aIndex);
        if (OwnerCell) OwnerCell->DroppedAxisItem(this);
    } else if (aIndex < FixedCount) {
        return; // a fixed index that has no item
    } else if (aIndex < FixedCount + UnloadedBefore) {
        --UnloadedBefore;
        ListIndexesOutOfDate(aIndex);
        if (OwnerCell) OwnerCell->DroppedAxisItem(this);
    } else if (TailCount > 0 && aIndex < UnloadedBefore + BlockEnd() + UnloadedBetween) {
        --UnloadedBetween; // between the block and the tail: the tail moves down
        NormalizeRuns();
        ListIndexesOutOfDate(aIndex);
        if (OwnerCell) OwnerCell->DroppedAxisItem(this);
    } else {
        UnloadedAfter = std::max(UnloadedAfter - 1, 0);
        if (OwnerCell) OwnerCell->DroppedAxisItem(this);
    }
    SKEDRA_AXIS_CHECK();
}

void TAxisContentList::CommonClear(int aKeep)
{
    aKeep = std::max(aKeep, 0);
    while (LoadedCount() > aKeep) {
        const int p = LoadedCount() - 1;
        RemoveLoaded(p);
        NormalizeRuns();
        ListIndexesOutOfDate(std::min(IndexConvert_LoadedToReal(p), p));
        if (OwnerCell) OwnerCell->DroppedAxisItem(this);
    }
    // Report the unloaded blocks with their real indexes: the block after the
    // loaded items first, then the block between the fixed items and them.
    const int before = std::min(FixedCount, LoadedCount());
    if (UnloadedAfter > 0) DeleteOfUnloaded(UnloadedBefore + LoadedCount(), Count() - 1);
    if (UnloadedBefore > 0) DeleteOfUnloaded(before, before + UnloadedBefore - 1);
    UnloadedBefore = 0;
    UnloadedBetween = 0;
    UnloadedAfter = 0;
    TailCount = 0;
    ListIndexesOutOfDate(0);
    KeepFrom = KeepTo = -1;
    if (OwnerCell) OwnerCell->ChangeInUnloaded(this);
}

void TAxisContentList::DeleteOfUnloaded(int aStart, int aStop)
{
    if (aStop < aStart) return;
    if (auto* viewer = Viewer(); viewer && viewer->OnDeleteOfUnloaded)
        viewer->OnDeleteOfUnloaded(OwnerCell, IsRowAxis(), aStart, aStop);
    if (aStop < aStart) return;
    const int amount = aStop - aStart + 1;
    const int before = std::min(FixedCount, LoadedCount());
    const int blockEnd = UnloadedBefore + BlockEnd();
    if (aStart >= before && aStop < before + UnloadedBefore) {
        UnloadedBefore = std::max(UnloadedBefore - amount, 0);
        ListIndexesOutOfDate(before);
    } else if (TailCount > 0 && aStart >= blockEnd && aStop < blockEnd + UnloadedBetween) {
        UnloadedBetween = std::max(UnloadedBetween - amount, 0);
        NormalizeRuns();
        ListIndexesOutOfDate(aStart);
    } else if (aStart >= UnloadedBefore + UnloadedBetween + LoadedCount()) {
        UnloadedAfter = std::max(UnloadedAfter - amount, 0);
    }
    SKEDRA_AXIS_CHECK();
}

// --- loading ----------------------------------------------------------------

bool TAxisContentList::ChooseRange(int aIndex, int& theFirst, int& theLast, bool& theBackwards,
                                   int& theRun) const
{
    const int blockEnd = UnloadedBefore + BlockEnd();
    const int tailStart = blockEnd + UnloadedBetween;
    theFirst = theLast = aIndex;
    theBackwards = false;
    theRun = BlockEnd();
    if (aIndex < FixedCount + UnloadedBefore) {
        theLast = FixedCount + UnloadedBefore - 1;
        theBackwards = true;
    } else if (aIndex < blockEnd) {
        return false;
    } else if (TailCount > 0 && aIndex < tailStart) {
        // Between the runs: from the nearer one; they join when the gap closes.
        if (aIndex - blockEnd < tailStart - aIndex) {
            theFirst = blockEnd;
        } else {
            theLast = tailStart - 1;
            theBackwards = true;
            theRun = FixedCount + TailCount;
        }
    } else if (TailCount > 0) {
        if (aIndex < tailStart + TailCount) return false;
        theFirst = tailStart + TailCount;
        theRun = FixedCount + TailCount;
    } else {
        theFirst = blockEnd;
    }
    return true;
}

TAxisContentItem* TAxisContentList::EnsureLoadedItem(int aIndex)
{
    if (aIndex < FixedCount || aIndex >= Count()) return nullptr;
    int first = 0;
    int last = -1;
    bool backwards = false;
    int run = 0;
    if (!ChooseRange(aIndex, first, last, backwards, run))
        return getLoadedAxisContentItem(IndexConvert_RealToLoaded(aIndex));
    if (last - first + run > kMaxLoadGrowth) {
        if (PinFrom >= 0)
            Purge(); // a layout pass is walking: it keeps its items and the selection
        else
            UnloadAll();
        // Items the application declined to keep are gone, so the count may have shrunk.
        aIndex = std::min(aIndex, Count() - 1);
        if (aIndex < FixedCount) return nullptr;
        if (LoadedCount() <= FixedCount) {
            // Only the fixed items are left: the block restarts at the request.
            const int unloaded = UnloadedBefore + UnloadedAfter;
            UnloadedBefore = aIndex - FixedCount;
            UnloadedAfter = unloaded - UnloadedBefore;
            ListIndexesOutOfDate(FixedCount);
        }
        // Otherwise the runs may have shrunk on either side: choose the range
        // again so that they stay contiguous.
        if (!ChooseRange(aIndex, first, last, backwards, run))
            return getLoadedAxisContentItem(IndexConvert_RealToLoaded(aIndex));
    }
    LoadItems(first, last, backwards);
    return IsLoaded(aIndex) ? getLoadedAxisContentItem(IndexConvert_RealToLoaded(aIndex)) : nullptr;
}

TAxisContentItem* TAxisContentList::LoadWithinRule(int aIndex)
{
    if (aIndex < 0 || aIndex >= Count()) return nullptr;
    if (IsLoaded(aIndex)) return getLoadedAxisContentItem(IndexConvert_RealToLoaded(aIndex));
    if (aIndex < FixedCount) return nullptr;
    int first = aIndex;
    int last = aIndex;
    bool backwards = false;
    int run = 0;
    if (LoadedCount() > FixedCount) {
        ChooseRange(aIndex, first, last, backwards, run);
        if (last - first + run > kMaxLoadGrowth) return nullptr;
        LoadItems(first, last, backwards);
    } else {
        EnsureLoadedRange(first, last);
    }
    return IsLoaded(aIndex) ? getLoadedAxisContentItem(IndexConvert_RealToLoaded(aIndex)) : nullptr;
}

void TAxisContentList::LoadItems(int aFrom, int aTo, bool aBackwards)
{
    const QScopedValueRollback nesting(LoadNesting, LoadNesting + 1);
    KeepFrom = aFrom;
    KeepTo = aTo;
    if (aTo < aFrom) return;
    // The run the items join: the block, or the tail when they border it.
    const int tailStart = UnloadedBefore + BlockEnd() + UnloadedBetween;
    const bool tail = TailCount > 0 && (aBackwards ? aTo == tailStart - 1 : aFrom == tailStart + TailCount);
    std::vector<TAxisContentItem*> created;
    created.reserve(static_cast<size_t>(aTo - aFrom + 1));
    for (int d = aFrom; d <= aTo; ++d) {
        auto item = std::make_unique<TAxisContentItem>();
        item->List = this;
        TAxisContentItem* raw = item.get();
        int pos;
        if (aBackwards) {
            raw->CachedIndex = aTo + aFrom - d;
            pos = tail ? BlockEnd() : FixedCount;
            int& counter = tail ? UnloadedBetween : UnloadedBefore;
            counter = std::max(counter - 1, 0);
        } else {
            raw->CachedIndex = d;
            pos = tail ? LoadedCount() : BlockEnd();
            int& counter = !tail && TailCount > 0 ? UnloadedBetween : UnloadedAfter;
            counter = std::max(counter - 1, 0);
        }
        LoadedItems.insert(LoadedItems.begin() + pos, std::move(item));
        if (tail) ++TailCount;
        NormalizeRuns();
        created.push_back(raw);
        if (OwnerCell) OwnerCell->InsertingAxisItem(this, raw, pos);
    }
    if (auto* viewer = Viewer(); viewer && viewer->OnVirtualLoad) {
        LoadingBackwards = aBackwards;
        // Created nearest to the block first, which is already the hook's order.
        for (TAxisContentItem* item : created)
            viewer->OnVirtualLoad(OwnerCell, item, IsRowAxis());
    }
    if (OwnerCell) OwnerCell->ChangeInUnloaded(this);
    SKEDRA_AXIS_CHECK();
}

// --- unloading ----------------------------------------------------------------

void TAxisContentList::UnloadIntervall(TAxisContentItem* aItem, int& aStart, int& aStop)
{
    aStart = aStop = aItem->ListIndex();
    if (auto* viewer = Viewer(); viewer && viewer->OnUnloadIntervall)
        viewer->OnUnloadIntervall(OwnerCell, aItem, IsRowAxis(), aStart, aStop);
    if (aStop < aStart) throw Exception(QStringLiteral("Incorrect intervall"));
}

bool TAxisContentList::CanUnload(TAxisContentItem* aItem)
{
    const int index = aItem->ListIndex();
    if (!IsLoaded(index) || getLoadedAxisContentItem(IndexConvert_RealToLoaded(index)) != aItem)
        throw Exception(QStringLiteral("Index fu"));
    if (aItem->InVisibleList) return false;
    if (PinFrom >= 0 && index >= PinFrom && index <= PinTo) return false;
    if (OwnerCell) {
        if (IsRowAxis() ? OwnerCell->Matrix->HasRowSelections(index)
                        : OwnerCell->Matrix->HasColumnSelections(index))
            return false;
    }
    bool canUnload = false;
    if (auto* viewer = Viewer(); viewer && viewer->OnVirtualUnLoad)
        viewer->OnVirtualUnLoad(OwnerCell, aItem, IsRowAxis(), false, canUnload);
    return canUnload;
}

bool TAxisContentList::Unload(int aIndex, bool aFromFront)
{
    const int tailFirst = TailCount > 0 ? IndexConvert_LoadedToReal(BlockEnd()) : -1;
    const int blockLast = TailCount > 0 ? IndexConvert_LoadedToReal(BlockEnd() - 1) : -1;
    const bool inTail = TailCount > 0 && aIndex >= tailFirst;
    const int expected = aFromFront ? (inTail ? tailFirst : FirstLoadedIndex())
                                    : (TailCount > 0 && !inTail ? blockLast : LastLoadedIndex());
    if (expected < 0 || aIndex != expected) throw Exception(QStringLiteral("Index fu"));
    const int pos = IndexConvert_RealToLoaded(aIndex);
    TAxisContentItem* item = getLoadedAxisContentItem(pos);
    bool keep = true;
    auto* viewer = Viewer();
    if (viewer && viewer->OnKeepAfterUnloadCheck)
        viewer->OnKeepAfterUnloadCheck(OwnerCell, item, IsRowAxis(), keep);
    bool canUnload = true;
    if (viewer && viewer->OnVirtualUnLoad)
        viewer->OnVirtualUnLoad(OwnerCell, item, IsRowAxis(), true, canUnload);
    // A handler may have changed the list: the item goes only from where it was
    // asked for. Otherwise it stays loaded and whole (it was only told so far),
    // or it is gone already.
    if (static_cast<size_t>(pos) >= LoadedItems.size() ||
        LoadedItems[static_cast<size_t>(pos)].get() != item || IndexConvert_LoadedToReal(pos) != aIndex ||
        (TailCount > 0 && aIndex >= IndexConvert_LoadedToReal(BlockEnd())) != inTail)
        return false;
    const bool hadTail = TailCount > 0;
    // Freed last, after the hook below, and on every exit.
    const std::unique_ptr<TAxisContentItem> detached = DetachLoaded(pos);
    if (keep) {
        // Counted where it stood: before the block, between the runs, or after.
        if (aFromFront && !inTail)
            ++UnloadedBefore;
        else if (hadTail && inTail == aFromFront)
            ++UnloadedBetween;
        else
            ++UnloadedAfter;
    } else {
        ListIndexesOutOfDate(aFromFront && !inTail ? UnloadedBefore : aIndex);
    }
    NormalizeRuns();
    if (LoadedCount() <= FixedCount) {
        // An empty block sits after the fixed items.
        UnloadedAfter += UnloadedBefore;
        UnloadedBefore = 0;
        ListIndexesOutOfDate(FixedCount);
    }
    if (OwnerCell) OwnerCell->DroppedAxisItem(this);
    SKEDRA_AXIS_CHECK();
    if (viewer && viewer->OnUnloaded) viewer->OnUnloaded(OwnerCell, detached.get(), IsRowAxis());
    return true;
}

bool TAxisContentList::PurgeFront(bool aTail)
{
    if (aTail && TailCount == 0) return false;
    const int index = aTail ? IndexConvert_LoadedToReal(BlockEnd()) : FirstLoadedIndex();
    if (index < 0) return false;
    if (index >= KeepFrom && index <= KeepTo) return false;
    TAxisContentItem* item = getLoadedAxisContentItem(IndexConvert_RealToLoaded(index));
    int s = 0;
    int e = 0;
    UnloadIntervall(item, s, e);
    s = index;
    // The interval ends with its run.
    const int runLast =
        aTail || TailCount == 0 ? LastLoadedIndex() : IndexConvert_LoadedToReal(BlockEnd() - 1);
    e = std::min(e, runLast);
    if (e < s) return false;
    // The interval goes together or not at all; nothing loaded last may go.
    if (KeepFrom >= 0 && s <= KeepTo && e >= KeepFrom) return false;
    std::vector<TAxisContentItem*> asked;
    for (int i = s; i <= e; ++i) {
        // A handler asked may have removed rows: what is missing cannot go.
        asked.push_back(getLoadedAxisContentItem(IndexConvert_RealToLoaded(i)));
        if (asked.back() == nullptr || !CanUnload(asked.back())) return false;
    }
    // Handlers of each unload may change the rows (even purge or show them):
    // only the rows asked go, each while it still stands at the front unshown.
    for (TAxisContentItem* item : asked) {
        const int first =
            aTail ? (TailCount > 0 ? IndexConvert_LoadedToReal(BlockEnd()) : -1) : FirstLoadedIndex();
        if (first < 0 || getLoadedAxisContentItem(IndexConvert_RealToLoaded(first)) != item ||
            item->InVisibleList || !Unload(first, true))
            return false;
    }
    return true;
}

bool TAxisContentList::PurgeBack(bool aBlock)
{
    if (aBlock && TailCount == 0) return false;
    const int index = aBlock ? IndexConvert_LoadedToReal(BlockEnd() - 1) : LastLoadedIndex();
    if (index < 0) return false;
    if (index >= KeepFrom && index <= KeepTo) return false;
    TAxisContentItem* item = getLoadedAxisContentItem(IndexConvert_RealToLoaded(index));
    int s = 0;
    int e = 0;
    UnloadIntervall(item, s, e);
    e = index;
    // The interval starts with its run.
    const int runFirst =
        !aBlock && TailCount > 0 ? IndexConvert_LoadedToReal(BlockEnd()) : FirstLoadedIndex();
    s = std::max(s, runFirst);
    if (e < s) return false;
    if (KeepFrom >= 0 && s <= KeepTo && e >= KeepFrom) return false;
    std::vector<TAxisContentItem*> asked;
    for (int i = e; i >= s; --i) {
        asked.push_back(getLoadedAxisContentItem(IndexConvert_RealToLoaded(i)));
        if (asked.back() == nullptr || !CanUnload(asked.back())) return false;
    }
    for (TAxisContentItem* item : asked) {
        const int last =
            aBlock ? (TailCount > 0 ? IndexConvert_LoadedToReal(BlockEnd() - 1) : -1) : LastLoadedIndex();
        if (last < 0 || getLoadedAxisContentItem(IndexConvert_RealToLoaded(last)) != item ||
            item->InVisibleList || !Unload(last, false))
            return false;
    }
    return true;
}

void TAxisContentList::Purge()
{
    while (PurgeFront(false)) {
    }
    while (PurgeBack(false)) {
    }
    // Then both edges of the gap between the block and the tail.
    while (PurgeFront(true)) {
    }
    while (PurgeBack(true)) {
    }
}

void TAxisContentList::UnloadAll()
{
    if (OwnerCell) {
        OwnerCell->SetSelected(false);
        OwnerCell->ColumnList->ClearVisibles();
        OwnerCell->RowList->ClearVisibles();
    } else {
        ClearVisibles();
    }
    KeepFrom = KeepTo = -1;
    Purge();
}

} // namespace skedra
