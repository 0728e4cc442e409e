// Items appended while an axis's loaded block does not reach the end form a
// tail: nothing in between is loaded, and the axis stays right around it.

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <random>
#include <utility>
#include <vector>

#include "skedra/gridengine/GridContentModel.h"

using namespace skedra;

namespace
{

class TTestCellData : public TMoxSimpleCellData
{
};
class TTestGridData : public TMoxGridCellData
{
};

// A grid with one column whose rows stand for the records of Model: a loaded
// row takes the record of its index.
struct TGrid {
    TMoxGridCellForViewer Root{nullptr, MoxCellDataClassOf<TTestGridData>(),
                               MoxCellDataClassOf<TTestCellData>()};
    TAxisContentList& Rows = *Root.RowList;
    std::deque<TObject> Pool;
    std::vector<TObject*> Model;
    int Loads = 0;
    bool AllowUnload = true;

    TGrid()
    {
        Root.OnVirtualLoad = [this](TMoxGridCell*, TAxisContentItem* item, bool) {
            ASSERT_LT(item->CachedIndex, static_cast<int>(Model.size()));
            item->Data = Model[static_cast<size_t>(item->CachedIndex)];
            ++Loads;
        };
        Root.OnVirtualUnLoad = [this](TMoxGridCell*, TAxisContentItem*, bool, bool perform, bool& can) {
            if (!perform) can = AllowUnload;
        };
        Root.ColumnList->AddNew(nullptr);
    }
    TObject* NewRecord() { return &Pool.emplace_back(); }
    void AddUnloaded(int n)
    {
        for (int k = 0; k < n; ++k)
            Model.push_back(NewRecord());
        Rows.AddUnloaded(n);
    }
    TAxisContentItem* Append()
    {
        TObject* r = NewRecord();
        Model.push_back(r);
        return Rows.AddNew(r);
    }
    void Layout(int top, int count)
    {
        Rows.ClearVisibles();
        for (int r = top; r < top + count && r < Rows.Count(); ++r) {
            TAxisContentItem* item = Rows.getAxisContentItem(r);
            ASSERT_NE(item, nullptr) << r;
            Root.getCell(0, r);
            Rows.AddToVisible(item);
        }
        Rows.Purge();
    }
    // Counts, runs, the records of the loaded rows and their cells.
    ::testing::AssertionResult Check()
    {
        QString why;
        if (!Rows.CheckInvariants(&why)) return ::testing::AssertionFailure() << why.toStdString();
        if (Rows.Count() != static_cast<int>(Model.size()))
            return ::testing::AssertionFailure() << "Count " << Rows.Count() << ", records " << Model.size();
        int loaded = 0;
        for (int i = 0; i < Rows.Count(); ++i) {
            if (!Rows.IsLoaded(i)) continue;
            ++loaded;
            const int p = Rows.IndexConvert_RealToLoaded(i);
            TAxisContentItem* item = Rows.getLoadedAxisContentItem(p);
            if (Rows.IndexConvert_LoadedToReal(p) != i || item->ListIndex() != i)
                return ::testing::AssertionFailure() << "row " << i << " at loaded " << p;
            if (item->Data != Model[static_cast<size_t>(i)])
                return ::testing::AssertionFailure() << "row " << i << " shows another record";
            TMoxCell* cell = Root.Matrix->PeekLoadedCell(0, p);
            if (cell != nullptr && cell->RowItem != item)
                return ::testing::AssertionFailure() << "the cell of row " << i << " is another row's";
        }
        if (loaded != Rows.LoadedCount())
            return ::testing::AssertionFailure() << loaded << " rows loaded of " << Rows.LoadedCount();
        return ::testing::AssertionSuccess();
    }
};

} // namespace

TEST(AxisTail, AppendAwayFromTheBlockLoadsNothingInBetween)
{
    TGrid g;
    g.AddUnloaded(10000);
    g.Layout(0, 10);
    const int loads = g.Loads;
    g.AllowUnload = false; // the appended rows stay loaded
    std::vector<TAxisContentItem*> added;
    for (int k = 0; k < 5; ++k) {
        added.push_back(g.Append());
        g.Layout(0, 10);
        ASSERT_TRUE(g.Check());
    }
    EXPECT_EQ(g.Loads, loads);
    EXPECT_EQ(g.Rows.Count(), 10005);
    EXPECT_EQ(g.Rows.LoadedCount(), 15);
    EXPECT_EQ(g.Rows.TailCount, 5);
    EXPECT_EQ(g.Rows.UnloadedBetween, 9990);
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(added[static_cast<size_t>(k)]->ListIndex(), 10000 + k);
    EXPECT_EQ(g.Rows.LastLoadedIndex(), 10004);
    EXPECT_FALSE(g.Rows.IsLoaded(5000));
    EXPECT_EQ(g.Rows.IndexConvert_RealToLoaded(5000), -1);
    // The tail's rows have cells like any other row.
    EXPECT_EQ(g.Root.getCell(0, 10002)->RowItem, added[2]);
    // Inserting right after the block or into the tail joins that run.
    g.Model.insert(g.Model.begin() + 10, g.NewRecord());
    g.Rows.InsertNew(10, g.Model[10]);
    g.Model.insert(g.Model.begin() + 10003, g.NewRecord());
    g.Rows.InsertNew(10003, g.Model[10003]);
    EXPECT_EQ(g.Loads, loads);
    EXPECT_EQ(g.Rows.TailCount, 6);
    EXPECT_TRUE(g.Check());
}

TEST(AxisTail, LoadingBetweenTheRunsFromBothSidesJoinsThem)
{
    TGrid g;
    g.AddUnloaded(1000);
    g.Layout(0, 10);
    for (int k = 0; k < 3; ++k)
        g.Append();
    g.AllowUnload = false;
    // Near the tail: loaded at its front, backwards.
    g.Loads = 0;
    g.Rows.getAxisContentItem(995);
    EXPECT_EQ(g.Loads, 5);
    EXPECT_TRUE(g.Rows.LoadingBackwards);
    EXPECT_EQ(g.Rows.TailCount, 8);
    // Near the block: loaded after it.
    g.Rows.getAxisContentItem(14);
    EXPECT_EQ(g.Loads, 10);
    ASSERT_TRUE(g.Check());
    for (int i = 15; i < 995; i += 7) {
        g.Rows.getAxisContentItem(i);
        ASSERT_TRUE(g.Check()) << i;
    }
    for (int i = 15; i < 995; ++i)
        g.Rows.getAxisContentItem(i);
    EXPECT_EQ(g.Rows.TailCount, 0);
    EXPECT_EQ(g.Rows.UnloadedBetween, 0);
    EXPECT_EQ(g.Rows.LoadedCount(), 1003);
    EXPECT_TRUE(g.Check());
}

TEST(AxisTail, DropsMovesAndUnloadsAroundTheTail)
{
    TGrid g;
    g.AddUnloaded(1000);
    g.Layout(0, 10);
    for (int k = 0; k < 4; ++k)
        g.Append();
    // An unloaded row between the runs: the tail moves down.
    g.Rows.Drop(500);
    g.Model.erase(g.Model.begin() + 500);
    EXPECT_EQ(g.Rows.UnloadedBetween, 989);
    ASSERT_TRUE(g.Check());
    // A tail row.
    g.Rows.Drop(1000);
    g.Model.erase(g.Model.begin() + 1000);
    EXPECT_EQ(g.Rows.TailCount, 3);
    ASSERT_TRUE(g.Check());
    // Moves between the block and the tail.
    g.Rows.Move(2, 1001);
    TObject* moved = g.Model[2];
    g.Model.erase(g.Model.begin() + 2);
    g.Model.insert(g.Model.begin() + 1001, moved);
    ASSERT_TRUE(g.Check());
    g.Rows.Move(1000, 0);
    moved = g.Model[1000];
    g.Model.erase(g.Model.begin() + 1000);
    g.Model.insert(g.Model.begin(), moved);
    ASSERT_TRUE(g.Check());
    // A purge unloads what is not shown, the tail too; with its last row gone
    // the rows between count after the block again.
    g.Layout(0, 5);
    EXPECT_EQ(g.Rows.TailCount, 0);
    EXPECT_EQ(g.Rows.UnloadedBetween, 0);
    EXPECT_EQ(g.Rows.LoadedCount(), 5);
    ASSERT_TRUE(g.Check());
    // Appending again restarts the tail; a jump to it loads from its front.
    g.Append();
    g.Layout(g.Rows.Count() - 5, 5);
    ASSERT_TRUE(g.Check());
    EXPECT_EQ(g.Rows.LastLoadedIndex(), g.Rows.Count() - 1);
    // Clearing reports the unloaded rows and empties the axis.
    g.Rows.ClearKeepFixedItems();
    g.Model.clear();
    EXPECT_EQ(g.Rows.Count(), 0);
    EXPECT_TRUE(g.Check());
}

TEST(AxisTail, ScrollPositionsCountTheRowsBetweenTheRunsAsShown)
{
    TGrid g;
    g.AddUnloaded(1000);
    g.Layout(0, 10);
    for (int k = 0; k < 3; ++k)
        g.Append();
    g.Rows.getAxisContentItem(3)->SetHide(true);
    g.Rows.getAxisContentItem(1001)->SetHide(true);
    // Visible positions: rows 0..2, 4.., with 3 and 1001 hidden.
    EXPECT_EQ(TMoxGridCell::Convert_VisibleIndexToTrue(&g.Rows, 2), 2);
    EXPECT_EQ(TMoxGridCell::Convert_VisibleIndexToTrue(&g.Rows, 3), 4);
    EXPECT_EQ(TMoxGridCell::Convert_VisibleIndexToTrue(&g.Rows, 500), 501);
    EXPECT_EQ(TMoxGridCell::Convert_VisibleIndexToTrue(&g.Rows, 999), 1000);
    EXPECT_EQ(TMoxGridCell::Convert_VisibleIndexToTrue(&g.Rows, 1000), 1002);
}

TEST(AxisTail, RandomOperationsMatchThePlainRecordList)
{
    for (unsigned seed : {3u, 11u, 2026u}) {
        TGrid g;
        std::mt19937 rng(seed);
        auto rand = [&](int n) { return n <= 0 ? 0 : static_cast<int>(rng() % static_cast<unsigned>(n)); };
        g.AddUnloaded(800);
        int tails = 0;
        for (int step = 0; step < 800; ++step) {
            const int count = g.Rows.Count();
            g.AllowUnload = rand(100) < 90;
            const int op = rand(8);
            switch (op) {
            case 0:
            case 1:
                g.Append();
                break;
            case 2: { // insert anywhere
                // The rows loaded for it show the records as they were.
                const int i = rand(count + 1);
                TObject* r = g.NewRecord();
                g.Rows.InsertNew(i, r);
                g.Model.insert(g.Model.begin() + i, r);
                break;
            }
            case 3: // drop, loaded or not
                if (count > 0) {
                    const int i = rand(count);
                    g.Rows.Drop(i);
                    g.Model.erase(g.Model.begin() + i);
                }
                break;
            case 4: { // scroll, near the tail or anywhere
                const int top = rand(2) == 0 ? rand(count) : std::max(0, g.Rows.LastLoadedIndex() - rand(40));
                g.Layout(top, 1 + rand(12));
                break;
            }
            case 5: // read near either edge of the gap
                if (count > 0) {
                    const int near =
                        g.Rows.UnloadedBefore + g.Rows.BlockEnd() + (rand(2) ? 0 : g.Rows.UnloadedBetween);
                    const int i = std::clamp(near + rand(30) - 15, 0, count - 1);
                    ASSERT_NE(g.Rows.getAxisContentItem(i), nullptr);
                }
                break;
            case 6: // move a loaded row near by or to another loaded row, across the gap too
                if (g.Rows.LoadedCount() > 1) {
                    const int from = g.Rows.IndexConvert_LoadedToReal(rand(g.Rows.LoadedCount()));
                    const int to = rand(2) == 0 ? g.Rows.IndexConvert_LoadedToReal(rand(g.Rows.LoadedCount()))
                                                : std::clamp(from + rand(30) - 15, 0, count - 1);
                    TObject* r = g.Model[static_cast<size_t>(from)];
                    g.Rows.Move(from, to);
                    if (from != to) {
                        g.Model.erase(g.Model.begin() + from);
                        g.Model.insert(g.Model.begin() + to, r);
                    }
                }
                break;
            default:
                g.AddUnloaded(rand(20));
                break;
            }
            if (g.Rows.TailCount > 0) ++tails;
            ASSERT_TRUE(g.Check()) << "seed " << seed << " step " << step;
        }
        EXPECT_GT(tails, 100) << "seed " << seed;
    }
}

// Handlers told of an unload may change the rows: a row moved or removed by
// them stays where it now is and whole, and a row that went is reported once
// the counts hold, so that changes made then land where they are meant to.
TEST(AxisUnload, HandlersThatChangeTheRowsDuringAnUnloadLeaveThemWhole)
{
    TGrid g;
    g.AddUnloaded(1000);
    g.Layout(0, 20);
    int told = 0;
    std::function<void(TAxisContentItem*)> onTold;
    g.Root.OnVirtualUnLoad = [&](TMoxGridCell*, TAxisContentItem* item, bool, bool perform, bool& can) {
        if (!perform) {
            can = true;
        } else if (++told == 1 && onTold) {
            onTold(item);
        }
    };
    std::vector<TObject*> gone;
    g.Root.OnUnloaded = [&](TMoxGridCell*, TAxisContentItem* item, bool) {
        EXPECT_TRUE(g.Check());
        gone.push_back(item->Data);
    };

    // A record added above the first row as it goes: the purge stops there.
    TObject* first = g.Model[0];
    onTold = [&](TAxisContentItem*) {
        TObject* r = g.NewRecord();
        g.Model.insert(g.Model.begin(), r);
        g.Rows.InsertNew(0, r);
    };
    g.Layout(10, 10);
    ASSERT_TRUE(g.Check());
    EXPECT_TRUE(gone.empty());
    EXPECT_TRUE(g.Rows.IsLoaded(1));
    EXPECT_EQ(g.Rows.getAxisContentItem(1)->Data, first);
    // Asked again without the handler's change, every row above the view goes.
    told = 0;
    onTold = nullptr;
    g.Layout(11, 10);
    ASSERT_TRUE(g.Check());
    EXPECT_EQ(g.Rows.FirstLoadedIndex(), 11);
    EXPECT_EQ(gone.size(), 11u);

    // The row that goes deleted by the handler: nothing else goes with it.
    told = 0;
    gone.clear();
    onTold = [&](TAxisContentItem* item) {
        const int i = item->ListIndex();
        g.Model.erase(g.Model.begin() + i);
        g.Rows.Drop(i);
    };
    TObject* next = g.Model[12];
    g.Layout(15, 6);
    ASSERT_TRUE(g.Check());
    EXPECT_TRUE(gone.empty());
    EXPECT_EQ(g.Rows.FirstLoadedIndex(), 11);
    EXPECT_EQ(g.Rows.getAxisContentItem(11)->Data, next);

    // Rows added when one went: they are loaded where they stand.
    told = 0;
    onTold = nullptr;
    bool added = false;
    g.Root.OnUnloaded = [&](TMoxGridCell*, TAxisContentItem*, bool) {
        EXPECT_TRUE(g.Check());
        if (added) return;
        added = true;
        TObject* r = g.NewRecord();
        g.Rows.InsertNew(5, r); // loads the rows up to it with the records as they were
        g.Model.insert(g.Model.begin() + 5, r);
    };
    g.Layout(15, 5);
    ASSERT_TRUE(g.Check());
    EXPECT_TRUE(added);
}

TEST(AxisUnload, RowsShownAgainByAHandlerWhileTheirRunGoesStayLoaded)
{
    TGrid g;
    g.AddUnloaded(100);
    g.Layout(0, 20);
    // Rows go five at a time; the first one's handler scrolls back up.
    g.Root.OnUnloadIntervall = [](TMoxGridCell*, TAxisContentItem* item, bool, int& s, int& e) {
        s = item->ListIndex();
        e = s + 4;
    };
    bool scrolled = false;
    g.Root.OnUnloaded = [&](TMoxGridCell*, TAxisContentItem*, bool) {
        if (std::exchange(scrolled, true)) return;
        g.Layout(1, 5);
    };
    g.Layout(10, 5);
    ASSERT_TRUE(scrolled);
    ASSERT_TRUE(g.Check());
    ASSERT_EQ(g.Rows.VisibleItems.size(), 5u);
    for (TAxisContentItem* item : g.Rows.VisibleItems)
        EXPECT_TRUE(g.Rows.IsLoaded(item->ListIndex())) << item->ListIndex();
    EXPECT_EQ(g.Rows.FirstLoadedIndex(), 1);
}
