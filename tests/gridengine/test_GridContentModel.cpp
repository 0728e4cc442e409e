#include <gtest/gtest.h>

#include <random>
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

// A root grid with one column and a hook log.
struct TGrid {
    TMoxGridCellForViewer Root{nullptr, MoxCellDataClassOf<TTestGridData>(),
                               MoxCellDataClassOf<TTestCellData>()};
    TAxisContentList& Rows = *Root.RowList;
    TAxisContentList& Cols = *Root.ColumnList;
    std::vector<int> Loaded; // real indexes given to OnVirtualLoad, in call order
    std::vector<bool> LoadedBackwards;
    int Unloaded = 0; // unloads performed
    bool AllowUnload = true;
    bool Keep = true;

    explicit TGrid(bool withUnloadHandler)
    {
        Root.OnVirtualLoad = [this](TMoxGridCell*, TAxisContentItem* item, bool) {
            Loaded.push_back(item->CachedIndex);
            LoadedBackwards.push_back(item->List->LoadingBackwards);
        };
        if (withUnloadHandler)
            Root.OnVirtualUnLoad = [this](TMoxGridCell*, TAxisContentItem*, bool, bool perform, bool& can) {
                if (perform)
                    ++Unloaded;
                else
                    can = AllowUnload;
            };
        Root.OnKeepAfterUnloadCheck = [this](TMoxGridCell*, TAxisContentItem*, bool, bool& keep) {
            keep = Keep;
        };
        Cols.AddNew(nullptr);
    }

    // What a layout pass does with the rows: load and place a window, then purge.
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

    // Every loaded item sits at its real index and has its cell.
    void CheckConsistent()
    {
        ASSERT_EQ(static_cast<int>(Root.Matrix->Columns.size()), Cols.LoadedCount());
        for (int p = 0; p < Rows.LoadedCount(); ++p) {
            TAxisContentItem* item = Rows.getLoadedAxisContentItem(p);
            ASSERT_EQ(item->ListIndex(), Rows.IndexConvert_LoadedToReal(p));
            ASSERT_EQ(item->LoadedListIndex(), p);
            ASSERT_EQ(Root.Matrix->PeekLoadedCell(0, p)->RowItem, item);
        }
    }
};

TEST(AxisContentList, IndexSpacesWithFixedItems)
{
    TGrid g(true);
    g.Root.SetFixedRows(1);
    g.Rows.InsertNew(0, nullptr);
    g.Rows.AddUnloaded(100);
    EXPECT_EQ(g.Rows.Count(), 101);
    EXPECT_EQ(g.Rows.LoadedCount(), 1);
    // A first request within reach loads the whole gap forwards.
    g.Rows.getAxisContentItem(10);
    EXPECT_EQ(g.Rows.LoadedCount(), 11);
    EXPECT_EQ(g.Loaded, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    g.CheckConsistent();
    EXPECT_TRUE(g.Rows.IsLoaded(0));
    EXPECT_FALSE(g.Rows.IsLoaded(11));
    EXPECT_EQ(g.Rows.getLoadedAxisContentItem(11), nullptr);
    EXPECT_EQ(g.Rows.getAxisContentItem(101), nullptr);
    EXPECT_EQ(g.Rows.getAxisContentItem(-1), nullptr);
}

TEST(AxisContentList, WithoutUnloadHandlerEverythingStaysLoaded)
{
    TGrid g(false);
    g.Rows.AddUnloaded(10000);
    for (int top = 0; top < 10000; top += 50)
        g.Layout(top, 50);
    EXPECT_EQ(g.Rows.LoadedCount(), 10000);
    EXPECT_EQ(g.Rows.Count(), 10000);
    g.CheckConsistent();
}

TEST(AxisContentList, PurgeStopsAtVisibleSelectedAndLastLoaded)
{
    TGrid g(true);
    g.Root.SetFixedRows(1);
    g.Rows.InsertNew(0, nullptr);
    g.Rows.AddUnloaded(1000);
    g.Layout(100, 50); // loads 1..149 in one go, places 100..149
    EXPECT_EQ(g.Rows.UnloadedBefore, 99);
    EXPECT_EQ(g.Rows.FirstLoadedIndex(), 100);
    EXPECT_EQ(g.Rows.LastLoadedIndex(), 149);
    EXPECT_EQ(g.Rows.Count(), 1001);
    EXPECT_EQ(g.Unloaded, 99);
    g.CheckConsistent();

    // A selected cell keeps its row (and so everything after it) loaded.
    g.Root.getCell(0, 120)->SetSelected(true);
    g.Layout(130, 10);
    EXPECT_EQ(g.Rows.FirstLoadedIndex(), 120);
    EXPECT_EQ(g.Rows.LastLoadedIndex(), 139); // nothing loaded in this pass: 140..149 go
    g.Rows.ClearVisibles();
    g.Rows.AddToVisible(g.Rows.getAxisContentItem(135));
    g.Rows.Purge();
    EXPECT_EQ(g.Rows.FirstLoadedIndex(), 120);
    EXPECT_EQ(g.Rows.LastLoadedIndex(), 135);

    // Items of the interval loaded last stay, even when not placed.
    g.Root.getCell(0, 120)->SetSelected(false);
    g.Rows.ClearVisibles();
    g.Rows.getAxisContentItem(140); // loads 136..140
    EXPECT_EQ(g.Rows.KeepFrom, 136);
    EXPECT_EQ(g.Rows.KeepTo, 140);
    g.Rows.Purge();
    EXPECT_EQ(g.Rows.FirstLoadedIndex(), 136);
    EXPECT_EQ(g.Rows.LastLoadedIndex(), 140);
    EXPECT_EQ(g.Rows.Count(), 1001);
    g.CheckConsistent();

    // A refusing handler keeps everything.
    g.AllowUnload = false;
    g.Layout(300, 5);
    EXPECT_EQ(g.Rows.FirstLoadedIndex(), 136);
    EXPECT_EQ(g.Rows.LastLoadedIndex(), 304);
}

TEST(AxisContentList, FiveHundredItemRule)
{
    for (bool handler : {false, true}) {
        TGrid g(handler);
        g.Root.SetFixedRows(1);
        g.Rows.InsertNew(0, nullptr);
        g.Rows.AddUnloaded(2000);
        g.Rows.getAxisContentItem(10); // rows 1..10 loaded: 11 items with the fixed one
        ASSERT_EQ(g.Rows.LoadedCount(), 11);
        g.Root.getCell(0, 5)->SetSelected(true);
        int selectionEvents = 0;
        TSingleEventListener listener(g.Root.SelectionChangedEvent.get(),
                                      [&](TSingleEventListener*) { ++selectionEvents; });
        // (500 - 11) + 11 = 500 new-plus-loaded: everything in between is loaded.
        g.Rows.getAxisContentItem(500);
        EXPECT_EQ(g.Rows.LoadedCount(), 501);
        EXPECT_EQ(selectionEvents, 0);
        // 501 would exceed it: purge first (deselecting), then load from the request on.
        g.Rows.getAxisContentItem(1100);
        if (handler) {
            EXPECT_EQ(selectionEvents, 1);
            EXPECT_EQ(g.Rows.LoadedCount(), 2);
            EXPECT_EQ(g.Rows.FirstLoadedIndex(), 1100);
            EXPECT_EQ(g.Rows.UnloadedBefore, 1099);
            EXPECT_EQ(g.Rows.UnloadedAfter, 900);
            EXPECT_FALSE(g.Rows.LoadingBackwards);
        } else {
            EXPECT_EQ(g.Rows.LoadedCount(), 1101);
        }
        EXPECT_EQ(g.Rows.Count(), 2001);
        g.CheckConsistent();
    }
}

TEST(AxisContentList, PartialPurgeKeepsTheBlockContiguous)
{
    // Rows 1..10 cannot go: a jump past 500 purges what it can and then loads
    // the whole gap, never leaving a hole in the block.
    TGrid g(true);
    g.Rows.AddUnloaded(3000);
    g.Rows.getAxisContentItem(400);
    g.Root.getCell(0, 5)->SetSelected(true);
    g.Root.OnVirtualUnLoad = [&](TMoxGridCell*, TAxisContentItem* item, bool, bool perform, bool& can) {
        if (!perform) can = item->ListIndex() != 7;
    };
    g.Rows.getAxisContentItem(1200);
    // Everything but the refused row went (row 5 was deselected first).
    EXPECT_EQ(g.Rows.FirstLoadedIndex(), 7);
    EXPECT_EQ(g.Rows.LastLoadedIndex(), 1200);
    EXPECT_EQ(g.Rows.Count(), 3000);
    g.CheckConsistent();
}

TEST(AxisContentList, LoadingBackwardsCallsHookFromHighestIndex)
{
    TGrid g(true);
    g.Rows.AddUnloaded(5000);
    g.Rows.getAxisContentItem(3000);
    ASSERT_EQ(g.Rows.FirstLoadedIndex(), 3000);
    g.Loaded.clear();
    g.LoadedBackwards.clear();
    g.Rows.getAxisContentItem(2995);
    EXPECT_EQ(g.Loaded, (std::vector<int>{2999, 2998, 2997, 2996, 2995}));
    EXPECT_EQ(g.LoadedBackwards, std::vector<bool>(5, true));
    EXPECT_TRUE(g.Rows.LoadingBackwards);
    g.CheckConsistent();
    g.Loaded.clear();
    g.LoadedBackwards.clear();
    g.Rows.getAxisContentItem(3002);
    EXPECT_EQ(g.Loaded, (std::vector<int>{3001, 3002}));
    EXPECT_EQ(g.LoadedBackwards, std::vector<bool>(2, false));
}

TEST(AxisContentList, NotKeptItemsDisappear)
{
    TGrid g(true);
    g.Keep = false;
    g.Rows.AddUnloaded(1000);
    g.Layout(100, 20); // 0..119 loaded, 0..99 unloaded and not kept
    EXPECT_EQ(g.Rows.Count(), 900);
    EXPECT_EQ(g.Rows.UnloadedBefore, 0);
    EXPECT_EQ(g.Rows.FirstLoadedIndex(), 0);
    EXPECT_EQ(g.Rows.LoadedCount(), 20);
    g.CheckConsistent();
    g.Rows.ClearVisibles();
    g.Rows.Purge();
    EXPECT_EQ(g.Rows.Count(), 880);
    EXPECT_EQ(g.Rows.LoadedCount(), 0);
    EXPECT_EQ(g.Rows.UnloadedAfter, 880);
}

TEST(AxisContentList, FailureTexts)
{
    TGrid g(true);
    g.Rows.AddUnloaded(100);
    g.Root.OnVirtualLoad = [&](TMoxGridCell*, TAxisContentItem*, bool) { g.Rows.InsertNew(0, nullptr); };
    try {
        g.Rows.getAxisContentItem(3);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Not allowed to add items during load");
    }
    EXPECT_EQ(g.Rows.LoadNesting, 0);
    EXPECT_EQ(g.Rows.Count(), 100);
    g.Root.OnVirtualLoad = nullptr;
    g.CheckConsistent();

    g.Root.OnUnloadIntervall = [](TMoxGridCell*, TAxisContentItem*, bool, int& s, int& e) { e = s - 1; };
    g.Rows.ClearVisibles();
    try {
        g.Rows.Purge();
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Incorrect intervall");
    }
    try {
        g.Rows.CanUnload(g.Cols.getAxisContentItem(0)); // an item of the other axis
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Index fu");
    }

    TMoxGridCellForViewer bare(nullptr, nullptr, nullptr);
    bare.ColumnList->AddNew(nullptr);
    try {
        bare.RowList->AddNew(nullptr);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "CreateMoxCellData");
    }
    // The row is there; its cell is made once a content class exists.
    EXPECT_EQ(bare.Matrix->PeekLoadedCell(0, 0), nullptr);
    bare.SimpleCellDataClass = MoxCellDataClassOf<TTestCellData>();
    EXPECT_NE(bare.getCell(0, 0), nullptr);
}

TEST(AxisContentList, UnloadIntervalGoesTogether)
{
    TGrid g(true);
    g.Rows.AddUnloaded(100);
    // Blocks of ten rows unload together.
    g.Root.OnUnloadIntervall = [](TMoxGridCell*, TAxisContentItem* item, bool, int& s, int& e) {
        s = item->ListIndex() / 10 * 10;
        e = s + 9;
    };
    g.Layout(25, 10); // 0..34 loaded, 25..34 placed
    // 0..19 go; 20..29 holds placed rows.
    EXPECT_EQ(g.Rows.FirstLoadedIndex(), 20);
    EXPECT_EQ(g.Rows.LastLoadedIndex(), 34);
    g.Rows.ClearVisibles();
    g.Rows.getAxisContentItem(45);
    g.Rows.AddToVisible(g.Rows.getAxisContentItem(45));
    g.Rows.Purge();
    // 20..29 goes; 30..39 reaches into the rows loaded last (35..45) and stays.
    EXPECT_EQ(g.Rows.FirstLoadedIndex(), 30);
    EXPECT_EQ(g.Rows.LastLoadedIndex(), 45);
    g.CheckConsistent();
}

TEST(AxisContentList, ClearReportsRealIndexesOfUnloadedBlocks)
{
    TGrid g(true);
    g.Root.SetFixedRows(1);
    g.Rows.InsertNew(0, nullptr);
    g.Rows.AddUnloaded(20);
    g.Rows.getAxisContentItem(700 % 20 + 3); // loads 1..5
    g.Layout(5, 3);                          // keeps 5..7
    ASSERT_EQ(g.Rows.FirstLoadedIndex(), 5);
    ASSERT_EQ(g.Rows.LastLoadedIndex(), 7);
    std::vector<std::pair<int, int>> reported;
    g.Root.OnDeleteOfUnloaded = [&](TMoxGridCell*, bool row, int& s, int& e) {
        EXPECT_TRUE(row);
        reported.emplace_back(s, e);
    };
    g.Rows.ClearKeepFixedItems();
    // Rows 5..7 were dropped for good, so the block after them now starts at 5;
    // the block before them starts after the fixed row.
    EXPECT_EQ(reported, (std::vector<std::pair<int, int>>{{5, 17}, {1, 4}}));
    EXPECT_EQ(g.Rows.Count(), 1);
    EXPECT_EQ(g.Rows.LoadedCount(), 1);
    g.CheckConsistent();
}

TEST(AxisContentList, DropMoveHideAndEvents)
{
    TGrid g(true);
    int axisEvents = 0;
    TSingleEventListener axis(g.Root.AxisChangedEvent.get(), [&](TSingleEventListener*) { ++axisEvents; });
    int topLeft = 0;
    TSingleEventListener tl(g.Root.TopLeftChangedEvent.get(), [&](TSingleEventListener*) { ++topLeft; });
    TObject a, b, c;
    g.Rows.AddNew(&a);
    g.Rows.AddNew(&b);
    g.Rows.AddNew(&c);
    EXPECT_GT(axisEvents, 0);
    g.Rows.Move(0, 2);
    EXPECT_EQ(g.Rows.getAxisContentItem(0)->Data, &b);
    EXPECT_EQ(g.Rows.getAxisContentItem(2)->Data, &a);
    g.CheckConsistent();

    TAxisContentItem* item = g.Rows.getAxisContentItem(1);
    axisEvents = 0;
    item->SetHide(true);
    item->SetHide(true);
    EXPECT_EQ(axisEvents, 1);
    EXPECT_EQ(g.Rows.GetHiddenRowCount(), 1);

    TUserSizeItem shared;
    item->UserSizeItem = &shared;
    TObject* sized = nullptr;
    TSingleEventListener us(g.Root.UserSizeChangedEvent.get(),
                            [&](TSingleEventListener* l) { sized = l->Info; });
    item->SetUserSize(33);
    item->SetUserSizeActive(true);
    EXPECT_EQ(shared.Size, 33);
    EXPECT_TRUE(shared.Active);
    EXPECT_EQ(sized, item);

    g.Root.SetTop(2);
    EXPECT_EQ(topLeft, 1);
    g.Rows.Drop(1);
    EXPECT_EQ(g.Rows.GetHiddenRowCount(), 0);
    EXPECT_EQ(g.Rows.Count(), 2);
    EXPECT_EQ(g.Root.Top, 0); // at or beyond the count: back to the first scrollable row
    EXPECT_EQ(topLeft, 2);
    EXPECT_EQ(g.Rows.getAxisContentItem(1)->Data, &a);
    g.CheckConsistent();

    // Dropping an unloaded index only counts it down.
    g.Rows.AddUnloaded(5);
    g.Rows.Drop(4);
    EXPECT_EQ(g.Rows.Count(), 6);
    EXPECT_EQ(g.Rows.UnloadedAfter, 4);
}

// A grid whose cell (0,0) is a grid again, down to the given depth; each grid
// gets two columns and two rows when its content is initialised.
struct TNested {
    TMoxGridCellForViewer Root{nullptr, MoxCellDataClassOf<TTestGridData>(),
                               MoxCellDataClassOf<TTestCellData>()};
    int DeInits = 0;
    int Depth;

    static int Level(TMoxCell* cell)
    {
        int level = 0;
        for (; cell->ParentCell; cell = cell->ParentCell)
            ++level;
        return level;
    }

    explicit TNested(int depth) : Depth(depth)
    {
        Root.OnCreateCell = [this](TMoxGridCell* caller, TAxisContentItem* x, TAxisContentItem* y) {
            const bool first = x->ListIndex() == 0 && y->ListIndex() == 0;
            return first && Level(caller) < Depth - 1 ? moxCellTypeGrid : moxCellTypeSimple;
        };
        Root.OnInitCellData = [](TMoxGridCell*, TMoxCellData* data) {
            if (auto* grid = dynamic_cast<TMoxGridCell*>(data->Cell)) {
                grid->ColumnList->AddNew(nullptr);
                grid->ColumnList->AddNew(nullptr);
                grid->RowList->AddNew(nullptr);
                grid->RowList->AddNew(nullptr);
            }
        };
        Root.OnDeInitCell = [this](TMoxCell*) { ++DeInits; };
        Root.ColumnList->AddNew(nullptr);
        Root.ColumnList->AddNew(nullptr);
        Root.RowList->AddNew(nullptr);
        Root.RowList->AddNew(nullptr);
    }
};

TEST(MoxGridCell, NestsThreeLevels)
{
    {
        TNested n(3);
        auto* level1 = dynamic_cast<TMoxGridCell*>(n.Root.getCell(0, 0));
        ASSERT_NE(level1, nullptr);
        auto* level2 = dynamic_cast<TMoxGridCell*>(level1->getCell(0, 0));
        ASSERT_NE(level2, nullptr);
        TMoxCell* leaf = level2->getCell(1, 1);
        ASSERT_NE(leaf, nullptr);
        EXPECT_EQ(leaf->CellType(), moxCellTypeSimple);
        EXPECT_EQ(leaf->GetViewerGridCell(), &n.Root);
        EXPECT_EQ(leaf->getGridCell(), level2);
        EXPECT_NE(dynamic_cast<TTestCellData*>(leaf->CellData.get()), nullptr);
        EXPECT_NE(dynamic_cast<TTestGridData*>(level2->CellData.get()), nullptr);
        EXPECT_EQ(level2->CellData->GetMoxCellType(), moxCellTypeGrid);
        EXPECT_EQ(leaf->CellData->GetAxisContentItemX(), level2->ColumnList->getAxisContentItem(1));

        // A focus change deep inside reaches the root.
        int focus = 0;
        TSingleEventListener l(n.Root.FocusChangedEvent.get(), [&](TSingleEventListener*) { ++focus; });
        level2->FocusChangedEvent->TriggerEvent();
        EXPECT_EQ(focus, 1);

        // Sizes: a grid cell is at least the sum of its items.
        for (auto& item : level2->ColumnList->LoadedItems)
            item->Size = 30;
        EXPECT_EQ(level2->GetCalculatedWidth(), 60);
        EXPECT_EQ(level2->GetCalculatedHeight(), 20);

        // Deselecting the root reaches the innermost cells.
        leaf->SetSelected(true);
        level1->getCell(1, 0)->SetSelected(true);
        n.Root.SetSelected(false);
        EXPECT_FALSE(leaf->GetSelected());
        EXPECT_FALSE(level1->getCell(1, 0)->GetSelected());

        // Fixed in the parent makes every inner cell fixed.
        EXPECT_FALSE(leaf->GetIsFixed());
        n.Root.SetFixedRows(1);
        EXPECT_TRUE(leaf->GetIsFixed());
        level2->FocusedCell = leaf;
        level2->RowList->Drop(1);
        EXPECT_EQ(level2->FocusedCell, nullptr);
        EXPECT_EQ(n.DeInits, 2);
    }
}

TEST(MoxGridCell, DestroyingTheRootDeInitsEveryCell)
{
    int deInits = 0;
    {
        TNested n(3);
        n.Root.getCell(0, 0);
        // 4 root cells + 4 in level 1 + 4 in level 2 + the root itself
        n.Root.OnDeInitCell = [&deInits](TMoxCell*) { ++deInits; };
    }
    EXPECT_EQ(deInits, 13);
}

TEST(MoxCell, MinimumSizesAndMeasuring)
{
    TGrid g(false);
    g.Rows.AddNew(nullptr);
    TMoxCell* cell = g.Root.getCell(0, 0);
    EXPECT_EQ(cell->GetMinHeight(), 20);
    cell->SetMinHeight(50); // no layout: nothing
    EXPECT_EQ(cell->GetMinHeight(), 20);
    TLayoutProp layout;
    layout.MinHeight = 25;
    layout.MinWidth = 40;
    cell->Layout = &layout;
    cell->CalculateSizes();
    EXPECT_EQ(cell->CalculatedHeight, 25);
    EXPECT_EQ(cell->CalculatedWidth, 40);

    int measures = 0;
    g.Root.OnMeasureHeight = [&](TMoxGridCell* caller, TMoxCell*, int& h) {
        EXPECT_EQ(caller, &g.Root);
        ++measures;
        h = 70;
    };
    layout.WrapTextAndFit = true;
    cell->CalculateSizes();
    EXPECT_EQ(cell->CalculatedHeight, 70);
    EXPECT_EQ(cell->GetMinHeight(), 70); // no new measuring without CalculateSizes
    EXPECT_EQ(measures, 1);

    TRect tampered;
    g.Root.OnCellRectTampering = [](TMoxGridCell*, TMoxCell*, TRect& r) { r.Left += 15; };
    cell->VisibleRect = TRect(0, 0, 30, 20);
    tampered = cell->getVisibleRect();
    EXPECT_EQ(tampered, TRect(15, 0, 30, 20));

    EXPECT_EQ(FrameOptionsToByte(TFrameOptions{foLeft, foBottom}), 0x9);
    EXPECT_EQ(FrameOptionsFromByte(0x6), (TFrameOptions{foRight, foTop}));
}

TEST(MoxCell, RowSelectSelectsTheRow)
{
    TGrid g(false);
    g.Cols.AddNew(nullptr);
    g.Cols.AddNew(nullptr);
    g.Root.SetFixedCols(1);
    g.Rows.AddNew(nullptr);
    g.Rows.AddNew(nullptr);
    g.Root.RowSelect = true;
    std::vector<TObject*> changed;
    TSingleEventListener l(g.Root.SelectionChangedEvent.get(),
                           [&](TSingleEventListener* e) { changed.push_back(e->Info); });
    g.Root.getCell(1, 1)->SetSelected(true);
    EXPECT_FALSE(g.Root.getCell(0, 1)->GetSelected());
    EXPECT_TRUE(g.Root.getCell(2, 1)->GetSelected());
    EXPECT_FALSE(g.Root.getCell(2, 0)->GetSelected());
    EXPECT_EQ(changed.size(), 2u);
    EXPECT_TRUE(g.Root.Matrix->HasRowSelections(1));
    EXPECT_FALSE(g.Root.Matrix->HasRowSelections(0));
    EXPECT_TRUE(g.Root.Matrix->HasColumnSelections(2));
    EXPECT_FALSE(g.Root.Matrix->HasColumnSelections(7));
}

TEST(AxisContentList, TenMillionRowsWalkedInWindowsStayBounded)
{
    TGrid g(true);
    g.Root.SetFixedRows(1);
    g.Rows.InsertNew(0, nullptr);
    const int total = 10'000'000;
    g.Rows.AddUnloaded(total);
    int maxLoaded = 0;
    auto window = [&](int top) {
        g.Layout(top, 50);
        maxLoaded = std::max(maxLoaded, g.Rows.LoadedCount());
    };
    for (int top = 1; top < 30'000; top += 50)
        window(top);
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> pos(1, total - 50);
    for (int i = 0; i < 300; ++i)
        window(pos(rng));
    for (int top = total - 2000; top <= total; top += 50)
        window(top);
    for (int top = total - 50; top > total - 3000; top -= 50)
        window(top);
    EXPECT_LT(maxLoaded, 1000);
    EXPECT_EQ(g.Rows.Count(), total + 1);
    g.CheckConsistent();
}

TEST(AxisContentList, AHeaderRowInsertedWhileRowsBeforeTheBlockAreUnloadedKeepsTheOrder)
{
    TGrid g(true);
    std::vector<TObject> data(1000);
    for (auto& d : data)
        g.Rows.AddNew(&d);
    // Reloaded rows get their data back from their place after the fixed rows.
    g.Root.OnVirtualLoad = [&](TMoxGridCell*, TAxisContentItem* item, bool) {
        item->Data = &data[static_cast<size_t>(item->CachedIndex - g.Rows.FixedCount)];
    };
    g.Layout(700, 10); // far from the start: the rows before the block are unloaded
    ASSERT_GT(g.Rows.UnloadedBefore, 500);
    const int loaded = g.Rows.LoadedCount();
    TObject header;
    // How a grid adds its header row: the fixed count first, then the item at 0.
    g.Root.SetFixedRows(1);
    g.Rows.InsertNew(0, &header);
    QString why;
    ASSERT_TRUE(g.Rows.CheckInvariants(&why)) << why.toStdString();
    EXPECT_EQ(g.Rows.LoadedCount(), loaded + 1); // nothing else was loaded
    EXPECT_EQ(g.Rows.Count(), 1001);
    EXPECT_EQ(g.Rows.getAxisContentItem(0)->Data, &header);
    for (int r = 701; r < 711; ++r)
        EXPECT_EQ(g.Rows.getAxisContentItem(r)->Data, &data[static_cast<size_t>(r - 1)]);
    g.Layout(1, 5);
    EXPECT_EQ(g.Rows.getAxisContentItem(1)->Data, &data[0]);
    // And taken away again: the fixed count first, then the item at 0.
    g.Layout(700, 10);
    g.Root.SetFixedRows(0);
    g.Rows.Drop(0);
    EXPECT_EQ(g.Rows.Count(), 1000);
    EXPECT_EQ(g.Rows.getAxisContentItem(700)->Data, &data[700]);
    EXPECT_TRUE(g.Rows.CheckInvariants(&why)) << why.toStdString();
}

TEST(AxisContentList, ReadingACellNeverUnloadsOrDeselects)
{
    TGrid g(true);
    std::vector<TObject> data(2000);
    for (auto& d : data)
        g.Rows.AddNew(&d);
    g.Layout(10, 10);
    g.Unloaded = 0;
    TMoxCell* selected = g.Root.getCell(0, 12);
    ASSERT_NE(selected, nullptr);
    selected->SetSelected(true);
    const int first = g.Rows.FirstLoadedIndex();
    // Far away: the answer is nil instead of a purge.
    EXPECT_EQ(g.Root.getCell(0, 1500), nullptr);
    EXPECT_TRUE(selected->GetSelected());
    EXPECT_EQ(g.Rows.FirstLoadedIndex(), first);
    EXPECT_EQ(g.Unloaded, 0);
    // Near the block it loads as before.
    EXPECT_NE(g.Root.getCell(0, first + g.Rows.LoadedCount() + 5), nullptr);
    QString why;
    EXPECT_TRUE(g.Rows.CheckInvariants(&why)) << why.toStdString();
}

} // namespace
