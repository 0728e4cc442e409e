// The layout pass, drawing traversal, hit testing, scrolling, focus, selection
// and neighbour search of grid cells, without a view.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <random>
#include <vector>

#include "skedra/gridengine/GridContentModel.h"

using namespace skedra;

namespace
{

class TCellData : public TMoxSimpleCellData
{
};
class TGridData : public TMoxGridCellData
{
};

// A root grid of simple cells (20 x 20 by default) with optional nested grids.
struct TTestGrid {
    TMoxGridCellForViewer Root{nullptr, MoxCellDataClassOf<TGridData>(), MoxCellDataClassOf<TCellData>()};
    // Which root cells are grids, and how a new nested grid is filled.
    std::function<bool(int aCol, int aRow)> IsGrid;
    std::function<void(TMoxGridCell*)> FillNested;

    TTestGrid(int aCols, int aRows, int aFixedCols, int aFixedRows)
    {
        Root.OnCreateCell = [this](TMoxGridCell* caller, TAxisContentItem* x, TAxisContentItem* y) {
            return caller == &Root && IsGrid && IsGrid(x->ListIndex(), y->ListIndex()) ? moxCellTypeGrid
                                                                                       : moxCellTypeSimple;
        };
        Root.OnInitCellData = [this](TMoxGridCell*, TMoxCellData* data) {
            if (auto* grid = dynamic_cast<TMoxGridCell*>(data->Cell); grid && FillNested) FillNested(grid);
        };
        Root.SetFixedCols(aFixedCols);
        Root.SetFixedRows(aFixedRows);
        AddItems(aCols, aRows);
    }
    void AddItems(int aCols, int aRows)
    {
        for (int c = 0; c < aCols; ++c)
            Root.ColumnList->AddNew(nullptr);
        for (int r = 0; r < aRows; ++r)
            Root.RowList->AddNew(nullptr);
    }
    static void SetSize(TAxisContentList& aList, int aIndex, int aSize)
    {
        TAxisContentItem* item = aList.getAxisContentItem(aIndex);
        item->SetUserSizeActive(true);
        item->SetUserSize(aSize);
    }
    TMoxCell* Cell(int c, int r) { return Root.getCell(c, r); }
    // Lays out and draws, recording every cell drawn with its state.
    struct TDrawn {
        TMoxCell* Cell;
        TRect Rect;
        TMoxDrawStateSet State;
    };
    std::vector<TDrawn> LayoutAndDraw(const TRect& aRect)
    {
        Root.CalcVisibleArea(aRect);
        Root.CheckLayoutInvariants();
        std::vector<TDrawn> drawn;
        Root.Draw(aRect, [&](TRect r, TMoxCell* cell, TMoxDrawStateSet state) {
            drawn.push_back({cell, r, state});
        });
        return drawn;
    }
};

std::vector<int> Positions(const TAxisContentList& aList)
{
    std::vector<int> result;
    for (TAxisContentItem* item : aList.VisibleItems)
        result.push_back(item->Position);
    return result;
}

std::vector<int> Indexes(const TAxisContentList& aList)
{
    std::vector<int> result;
    for (TAxisContentItem* item : aList.VisibleItems)
        result.push_back(item->ListIndex());
    return result;
}

TEST(GridLayout, FixedUserSizedHiddenAndPartlyVisibleItems)
{
    TTestGrid g(5, 11, 1, 1);
    const int widths[] = {30, 40, 50, 60, 70};
    for (int c = 0; c < 5; ++c)
        TTestGrid::SetSize(*g.Root.ColumnList, c, widths[c]);
    g.Root.ColumnList->getAxisContentItem(2)->SetHide(true);
    TTestGrid::SetSize(*g.Root.RowList, 2, 35);
    g.LayoutAndDraw(TRect(0, 0, 150, 100));

    EXPECT_EQ(Indexes(*g.Root.ColumnList), (std::vector<int>{0, 1, 3, 4}));
    EXPECT_EQ(Positions(*g.Root.ColumnList), (std::vector<int>{0, 30, 70, 130}));
    EXPECT_EQ(g.Root.VisibleColumnCount, 4); // the partly visible last column counts
    EXPECT_FALSE(g.Root.AllColumnsFit);
    EXPECT_EQ(g.Root.LastPlacedColumn, 4);
    EXPECT_EQ(g.Root.ColumnList->getAxisContentItem(2)->Size, 0);

    EXPECT_EQ(Indexes(*g.Root.RowList), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(Positions(*g.Root.RowList), (std::vector<int>{0, 20, 40, 75, 95}));
    EXPECT_EQ(g.Root.VisibleRowCount, 4); // only whole rows
    EXPECT_FALSE(g.Root.AllRowsFit);

    // Scrolled: the fixed items stay, the walk goes on from Left and Top.
    g.Root.SetLeft(3);
    g.Root.SetTop(3);
    g.LayoutAndDraw(TRect(0, 0, 160, 100));
    EXPECT_EQ(Indexes(*g.Root.ColumnList), (std::vector<int>{0, 3, 4}));
    EXPECT_EQ(Positions(*g.Root.ColumnList), (std::vector<int>{0, 30, 90}));
    EXPECT_TRUE(g.Root.AllColumnsFit);
    EXPECT_EQ(g.Root.VisibleColumnCount, 3);
    // 100 pixels hold exactly five rows; the sixth is placed but does not count.
    EXPECT_EQ(Indexes(*g.Root.RowList), (std::vector<int>{0, 3, 4, 5, 6, 7}));
    EXPECT_EQ(g.Root.VisibleRowCount, 5);
    EXPECT_FALSE(g.Root.AllRowsFit);

    // SetLeft below the fixed columns lands on the first scrollable one.
    g.Root.SetLeft(0);
    EXPECT_EQ(g.Root.Left, 1);
}

TEST(GridLayout, AllRowsFitAndMinimumAndMeasuredSizes)
{
    TTestGrid g(2, 3, 0, 0);
    TLayoutProp wide;
    wide.MinWidth = 45;
    wide.MinHeight = 22;
    g.Cell(1, 1)->Layout = &wide;
    TTestGrid::SetSize(*g.Root.ColumnList, 0, 10); // a user size below the minimum gives way
    g.LayoutAndDraw(TRect(0, 0, 200, 200));
    EXPECT_EQ(Positions(*g.Root.ColumnList), (std::vector<int>{0, 20}));
    EXPECT_EQ(g.Root.ColumnList->getAxisContentItem(1)->Size, 45);
    EXPECT_EQ(Positions(*g.Root.RowList), (std::vector<int>{0, 20, 42}));
    EXPECT_TRUE(g.Root.AllRowsFit);
    EXPECT_TRUE(g.Root.AllColumnsFit);
    EXPECT_EQ(g.Root.VisibleRowCount, 3);

    // A wrapping cell takes the height its measurement gives.
    wide.WrapTextAndFit = true;
    int measured = 0;
    g.Root.OnMeasureHeight = [&](TMoxGridCell*, TMoxCell*, int& height) {
        ++measured;
        height = 47;
    };
    g.LayoutAndDraw(TRect(0, 0, 200, 200));
    EXPECT_EQ(g.Root.RowList->getAxisContentItem(1)->Size, 47);
    EXPECT_EQ(Positions(*g.Root.RowList), (std::vector<int>{0, 20, 67}));
    EXPECT_GE(measured, 1);
}

// Root 3 x 3 (one fixed row) whose cell (1, 1) is a 2 x 2 grid with 25-pixel columns.
struct TNestedGrid : TTestGrid {
    TMoxGridCell* Nested = nullptr;
    TNestedGrid() : TTestGrid(0, 0, 0, 1)
    {
        IsGrid = [](int c, int r) { return c == 1 && r == 1; };
        FillNested = [this](TMoxGridCell* grid) {
            Nested = grid;
            for (int c = 0; c < 2; ++c)
                SetSize(*grid->ColumnList, grid->ColumnList->AddNew(nullptr)->ListIndex(), 25);
            for (int r = 0; r < 2; ++r)
                grid->RowList->AddNew(nullptr);
        };
        AddItems(3, 3);
    }
};

TEST(GridLayout, NestedGridIsPlacedInsideItsCell)
{
    TNestedGrid g;
    ASSERT_NE(g.Nested, nullptr);
    auto drawn = g.LayoutAndDraw(TRect(10, 5, 300, 200));
    EXPECT_EQ(g.Root.ColumnList->getAxisContentItem(1)->Size, 50);
    EXPECT_EQ(g.Root.RowList->getAxisContentItem(1)->Size, 40);
    EXPECT_EQ(g.Nested->VisibleRect, TRect(30, 25, 80, 65));
    EXPECT_EQ(g.Nested->DrawRect, g.Nested->VisibleRect);
    EXPECT_EQ(g.Nested->getCell(0, 0)->VisibleRect, TRect(30, 25, 55, 45));
    EXPECT_EQ(g.Nested->getCell(1, 1)->VisibleRect, TRect(55, 45, 80, 65));
    // The nested cells are drawn right after their grid cell.
    int gridAt = -1;
    for (size_t i = 0; i < drawn.size(); ++i)
        if (drawn[i].Cell == g.Nested) gridAt = static_cast<int>(i);
    ASSERT_GE(gridAt, 0);
    EXPECT_EQ(drawn[static_cast<size_t>(gridAt) + 1].Cell, g.Nested->getCell(0, 0));
    // Fixed state: the header row, nothing else.
    for (const auto& d : drawn)
        EXPECT_EQ(d.State.Contains(moxFixed),
                  d.Cell->ParentCell == &g.Root && d.Cell->RowItem->ListIndex() == 0);
}

// The cell a brute-force search over the drawn rectangles finds: the first drawn
// cell of a grid (in drawing order) whose rectangle holds the pixel with both
// ends included, into nested grids, as its group master.
TMoxCell* BruteForceCell(const std::vector<TTestGrid::TDrawn>& aDrawn, TMoxGridCell* aGrid, int x, int y)
{
    for (const auto& d : aDrawn) {
        if (d.Cell->ParentCell != aGrid) continue;
        const TRect& r = d.Cell->VisibleRect;
        if (x < r.Left || x > r.Right || y < r.Top || y > r.Bottom) continue;
        if (auto* grid = dynamic_cast<TMoxGridCell*>(d.Cell))
            if (TMoxCell* inner = BruteForceCell(aDrawn, grid, x, y)) return inner;
        return d.Cell->GetGroupMaster();
    }
    return nullptr;
}

TEST(GridLayout, CellFromPixAtEveryPixelEqualsBruteForce)
{
    TNestedGrid g;
    g.AddItems(2, 6);
    TTestGrid::SetSize(*g.Root.ColumnList, 0, 33);
    TTestGrid::SetSize(*g.Root.ColumnList, 3, 41);
    TTestGrid::SetSize(*g.Root.RowList, 3, 27);
    g.Root.ColumnList->getAxisContentItem(2)->SetHide(true);
    g.Root.RowList->getAxisContentItem(4)->SetHide(true);
    // Column 0 merges rows 5..7: row 7's cell paints them.
    g.Root.OnCheckCellGrouping = [](TMoxCell* prev, TMoxCell* cell) {
        const int r = cell->RowItem->ListIndex();
        return prev->ColumnItem->ListIndex() == 0 && r >= 6 && r <= 7;
    };
    for (int top : {1, 2}) {
        g.Root.SetTop(top);
        const TRect rect(7, 3, 160, 170);
        auto drawn = g.LayoutAndDraw(rect);
        if (top == 1) {
            EXPECT_EQ(g.Cell(0, 7)->GetGroupMaster(), g.Cell(0, 7));
            EXPECT_EQ(g.Cell(0, 5)->GetGroupMaster(), g.Cell(0, 7));
            EXPECT_EQ(g.Cell(0, 7)->VisibleRect.Top, g.Cell(0, 5)->VisibleRect.Top);
        }
        int checked = 0;
        for (int y = rect.Top; y < rect.Bottom; ++y)
            for (int x = rect.Left; x < rect.Right; ++x) {
                TMoxCell* expected = BruteForceCell(drawn, &g.Root, x, y);
                ASSERT_EQ(g.Root.CellFromPix(x, y, true), expected) << x << "," << y << " top " << top;
                checked += expected ? 1 : 0;
            }
        EXPECT_GT(checked, 10000);
    }
    // Outside the placed items there is no cell; without descending the grid cell answers.
    EXPECT_EQ(g.Root.CellFromPix(2, 2, true), nullptr);
    g.Root.SetTop(1);
    g.LayoutAndDraw(TRect(0, 0, 160, 170));
    const TRect nestedRect = g.Nested->VisibleRect;
    EXPECT_EQ(g.Root.CellFromPix(nestedRect.Left + 3, nestedRect.Top + 3, false), g.Nested);
    int col = 0;
    int row = 0;
    g.Root.GridCoordsFromPix(-5, 5, col, row);
    EXPECT_EQ(col, -1);
    EXPECT_EQ(row, 0);
}

TEST(GridLayout, ScrollValuesSkipHiddenItems)
{
    TTestGrid g(1, 20, 0, 1);
    g.Root.RowList->getAxisContentItem(2)->SetHide(true);
    g.Root.RowList->getAxisContentItem(12)->SetHide(true);
    EXPECT_EQ(TMoxGridCell::Convert_TrueIndexToVisible(g.Root.RowList.get(), 10), 9);
    // The conversions are inverse on every shown item.
    std::mt19937 rng(5);
    for (int i = 3; i < 19; ++i)
        if (rng() % 3 == 0) g.Root.RowList->getAxisContentItem(i)->SetHide(true);
    QString why;
    ASSERT_TRUE(g.Root.RowList->CheckInvariants(&why)) << why.toStdString();
    for (int i = 0; i < 20; ++i) {
        if (g.Root.RowList->getAxisContentItem(i)->Hidden) continue;
        const int v = TMoxGridCell::Convert_TrueIndexToVisible(g.Root.RowList.get(), i);
        EXPECT_EQ(TMoxGridCell::Convert_VisibleIndexToTrue(g.Root.RowList.get(), v), i) << i;
    }
    g.Root.SetTop_ScrollVal(9);
    EXPECT_EQ(g.Root.GetTop_ScrollVal(), 9);
    EXPECT_FALSE(g.Root.RowList->getAxisContentItem(g.Root.Top)->Hidden);
}

TEST(GridLayout, VirtualRowsStayFewAndThePlacedRowsAreTheRightOnes)
{
    TTestGrid g(3, 0, 0, 1);
    g.Root.RowList->AddNew(nullptr);
    g.Root.RowList->AddUnloaded(10000000);
    g.Root.OnVirtualUnLoad = [](TMoxGridCell*, TAxisContentItem*, bool, bool perform, bool& can) {
        if (!perform) can = true;
    };
    std::mt19937 rng(17);
    std::uniform_int_distribution<int> pick(1, 10000000);
    for (int step = 0; step < 60; ++step) {
        const int top = step % 10 == 9 ? g.Root.Top + 1 : pick(rng);
        g.Root.SetTop(top);
        g.LayoutAndDraw(TRect(0, 0, 300, 400));
        EXPECT_LT(g.Root.RowList->LoadedCount(), 1000);
        EXPECT_EQ(g.Root.RowList->Count(), 10000001);
        QString why;
        ASSERT_TRUE(g.Root.RowList->CheckInvariants(&why)) << why.toStdString() << " step " << step;
        const std::vector<int> placed = Indexes(*g.Root.RowList);
        ASSERT_FALSE(placed.empty());
        EXPECT_EQ(placed[0], 0);
        for (size_t i = 1; i < placed.size(); ++i)
            ASSERT_EQ(placed[i], std::min(g.Root.Top, 10000000) + static_cast<int>(i) - 1);
    }
    // A move may land anywhere on the axis.
    TMoxCell* from = g.Root.getCell(1, g.Root.Top);
    ASSERT_NE(from, nullptr);
    TMoxCell* last = g.Root.FindNeighbourCell(from, moxdirEndRow, true);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->RowItem->ListIndex(), 10000000);
    EXPECT_EQ(g.Root.FindNeighbourCell(last, moxdirHomeRow, true)->RowItem->ListIndex(), 1);
}

TEST(GridLayout, APassReachingTheLoadingRuleKeepsWhatItMeasuredAndPlaced)
{
    TTestGrid g(3, 0, 0, 1);
    g.Root.RowList->AddNew(nullptr);
    g.Root.RowList->AddUnloaded(2000);
    g.Root.OnVirtualUnLoad = [](TMoxGridCell*, TAxisContentItem*, bool, bool perform, bool& can) {
        if (!perform) can = true;
    };
    TAxisContentList& rows = *g.Root.RowList;
    // A block of 490 loaded rows; the view shows its last ones and the rows
    // after it, so the pass loads past the 500-item rule halfway through.
    for (int r = 1; r <= 490; ++r)
        ASSERT_NE(rows.getAxisContentItem(r), nullptr);
    g.Root.SetTop(485);
    TMoxCell* selected = g.Root.getCell(1, 487);
    ASSERT_NE(selected, nullptr);
    selected->SetSelected(true);
    g.LayoutAndDraw(TRect(0, 0, 300, 400)); // throws on positions not cumulative
    const std::vector<int> placed = Indexes(rows);
    ASSERT_EQ(placed.size(), 21u); // the fixed row, 19 whole rows and a partly visible one
    EXPECT_EQ(placed[0], 0);
    for (size_t i = 1; i < placed.size(); ++i)
        EXPECT_EQ(placed[i], 484 + static_cast<int>(i));
    const std::vector<int> positions = Positions(rows);
    for (size_t i = 0; i < positions.size(); ++i)
        EXPECT_EQ(positions[i], 20 * static_cast<int>(i));
    EXPECT_EQ(Indexes(*g.Root.ColumnList).size(), 3u);
    // The pass deselects nothing, and the block shrinks to what is shown.
    EXPECT_TRUE(selected->GetSelected());
    EXPECT_LT(rows.LoadedCount(), 40);
    QString why;
    EXPECT_TRUE(rows.CheckInvariants(&why)) << why.toStdString();
}

// Rows 0 and columns 0 fixed; columns 3 and 5 hidden (5 is the last); rows 4..6 and 9 hidden.
struct TNavGrid : TTestGrid {
    TNavGrid() : TTestGrid(6, 10, 1, 1)
    {
        Root.ColumnList->getAxisContentItem(3)->SetHide(true);
        Root.ColumnList->getAxisContentItem(5)->SetHide(true);
        for (int r : {4, 5, 6, 9})
            Root.RowList->getAxisContentItem(r)->SetHide(true);
        LayoutAndDraw(TRect(0, 0, 400, 80)); // the fixed row and three rows fit
    }
    TMoxCell* Move(int c, int r, TMoxDirection d) { return Root.FindNeighbourCell(Cell(c, r), d, true); }
};

TEST(GridNavigation, EveryDirectionAcrossHiddenAndFixedItems)
{
    TNavGrid g;
    ASSERT_EQ(g.Root.VisibleRowCount, 4);
    EXPECT_EQ(g.Move(2, 1, moxdirRight), g.Cell(4, 1));
    EXPECT_EQ(g.Move(4, 1, moxdirLeft), g.Cell(2, 1));
    EXPECT_EQ(g.Move(1, 1, moxdirLeft), g.Cell(1, 1)); // never into the fixed column
    EXPECT_EQ(g.Move(1, 1, moxdirUp), g.Cell(1, 1));   // nor the fixed row
    EXPECT_EQ(g.Move(1, 3, moxdirDown), g.Cell(1, 7)); // over three hidden rows
    EXPECT_EQ(g.Move(1, 7, moxdirUp), g.Cell(1, 3));
    EXPECT_EQ(g.Move(1, 8, moxdirDown), g.Cell(1, 8)); // the hidden last row sends it back
    EXPECT_EQ(g.Move(1, 2, moxdirEndRow), g.Cell(1, 8));
    EXPECT_EQ(g.Move(1, 8, moxdirHomeRow), g.Cell(1, 1));
    EXPECT_EQ(g.Move(4, 2, moxdirHomeCell), g.Cell(1, 2));
    EXPECT_EQ(g.Move(1, 1, moxdirPageDown), g.Cell(1, 7)); // page of 3 lands on hidden row 4
    EXPECT_EQ(g.Move(1, 8, moxdirPageUp), g.Cell(1, 3));   // 5 is hidden: on to 3
    EXPECT_EQ(g.Move(2, 2, moxdirNone), g.Cell(2, 2));
    EXPECT_EQ(g.Move(2, 2, moxdirInwards), g.Cell(2, 2));
}

TEST(GridNavigation, RightOrEndTowardTrailingHiddenColumnsStaysOnAShownColumn)
{
    TNavGrid g;
    EXPECT_EQ(g.Move(4, 1, moxdirRight), g.Cell(4, 1));
    EXPECT_EQ(g.Move(1, 2, moxdirEndCell), g.Cell(4, 2));
    EXPECT_FALSE(g.Move(2, 3, moxdirEndCell)->ColumnItem->Hidden);
}

TEST(GridNavigation, PageKeysMoveWhenOneRowIsTallerThanTheView)
{
    TNavGrid g;
    TTestGrid::SetSize(*g.Root.RowList, 2, 500);
    g.Root.SetTop(2);
    g.LayoutAndDraw(TRect(0, 0, 400, 80));
    ASSERT_EQ(g.Root.VisibleRowCount, 1); // the fixed row only
    EXPECT_EQ(g.Move(1, 2, moxdirPageDown), g.Cell(1, 3));
    EXPECT_EQ(g.Move(1, 2, moxdirPageUp), g.Cell(1, 1));
}

TEST(GridNavigation, ALongRunOfHiddenRowsIsWalkedWithoutNesting)
{
    TTestGrid g(1, 100003, 0, 0);
    for (int r = 2; r < 100002; ++r)
        g.Root.RowList->getAxisContentItem(r)->SetHide(true);
    EXPECT_EQ(g.Root.FindNeighbourCell(g.Cell(0, 1), moxdirDown, true), g.Cell(0, 100002));
    EXPECT_EQ(g.Root.FindNeighbourCell(g.Cell(0, 100002), moxdirUp, true), g.Cell(0, 1));
    EXPECT_EQ(g.Root.FindNeighbourCell(g.Cell(0, 0), moxdirEndRow, true), g.Cell(0, 100002));
}

TEST(GridNavigation, MergedCellsAreEnteredAtTheirMaster)
{
    TTestGrid g(2, 8, 0, 1);
    g.Root.OnCheckCellGrouping = [](TMoxCell* prev, TMoxCell* cell) {
        const int r = cell->RowItem->ListIndex();
        return prev->ColumnItem->ListIndex() == 1 && r >= 3 && r <= 4;
    };
    g.LayoutAndDraw(TRect(0, 0, 100, 400));
    EXPECT_TRUE(g.Cell(1, 4)->IsGroupMaster);
    EXPECT_EQ(g.Root.FindNeighbourCell(g.Cell(1, 1), moxdirDown, true), g.Cell(1, 4));
    EXPECT_EQ(g.Root.FindNeighbourCell(g.Cell(1, 5), moxdirUp, true), g.Cell(1, 4));
    EXPECT_EQ(g.Root.FindNeighbourCell(g.Cell(1, 4), moxdirUp, true), g.Cell(1, 1));
    EXPECT_EQ(g.Root.FindNeighbourCell(g.Cell(1, 3), moxdirNone, true), g.Cell(1, 4));
}

TEST(GridNavigation, IntoAndOutOfANestedGrid)
{
    TNestedGrid g;
    g.LayoutAndDraw(TRect(0, 0, 300, 200));
    // Inwards focuses the nested grid's first cell.
    TMoxCell* inner = g.Root.FindNeighbourCell(g.Nested, moxdirInwards, true);
    EXPECT_EQ(inner, g.Nested->getCell(0, 0));
    EXPECT_EQ(g.Nested->FocusedCell, inner);
    g.Root.SetFocusedCell(inner);
    EXPECT_EQ(g.Root.FocusedCell, g.Nested);
    EXPECT_EQ(g.Root.GetFocusedCellDownTrack(), inner);
    // Inside it moves within; at its edge the focus leaves to the parent's neighbour.
    EXPECT_EQ(g.Root.FindNeighbourCell(g.Root.FocusedCell, moxdirRight, true), g.Nested->getCell(1, 0));
    g.Root.SetFocusedCell(g.Nested->getCell(1, 0));
    EXPECT_EQ(g.Root.FindNeighbourCell(g.Root.FocusedCell, moxdirRight, true), g.Cell(2, 1));
    // Up from the nested grid's top row: the grid cell itself cannot move up
    // past the fixed row, so the search ends on it.
    EXPECT_EQ(g.Root.FindNeighbourCell(g.Root.FocusedCell, moxdirUp, true), g.Nested);
    EXPECT_EQ(g.Root.FindNeighbourCell(g.Nested, moxdirDown, false), g.Cell(1, 2));
}

TEST(GridFocus, FocusPathEventsAndFixedCells)
{
    TNestedGrid g;
    int events = 0;
    TSingleEventListener listener(g.Root.FocusChangedEvent.get(), [&](TSingleEventListener*) { ++events; });
    g.Root.SetFocusedCell(g.Cell(2, 2));
    EXPECT_EQ(g.Root.FocusedCell, g.Cell(2, 2));
    EXPECT_EQ(events, 1);
    g.Root.SetFocusedCell(g.Cell(2, 2));
    EXPECT_EQ(events, 1);
    g.Root.SetFocusedCell(g.Nested->getCell(1, 1));
    EXPECT_EQ(g.Root.FocusedCell, g.Nested);
    EXPECT_EQ(g.Nested->FocusedCell, g.Nested->getCell(1, 1));
    EXPECT_GE(events, 2);
    // Leaving the nested grid clears its own focus.
    g.Root.SetFocusedCell(g.Cell(0, 2));
    EXPECT_EQ(g.Nested->FocusedCell, nullptr);
    // A fixed cell clears the focus.
    g.Root.SetFocusedCell(g.Cell(1, 0));
    EXPECT_EQ(g.Root.FocusedCell, nullptr);
}

int SelectedCount(TTestGrid& g, int cols, int rows)
{
    int n = 0;
    for (int c = 0; c < cols; ++c)
        for (int r = 0; r < rows; ++r)
            n += g.Cell(c, r)->GetSelected() ? 1 : 0;
    return n;
}

TEST(GridSelection, ShiftCtrlRangesAndRowSelect)
{
    TTestGrid g(6, 6, 1, 1);
    int events = 0;
    TSingleEventListener listener(g.Root.SelectionChangedEvent.get(),
                                  [&](TSingleEventListener*) { ++events; });
    g.Root.UpdateMultiSelect(g.Cell(5, 5), {});
    EXPECT_EQ(SelectedCount(g, 6, 6), 1);
    g.Root.AnchorCell = nullptr;
    g.Root.UpdateMultiSelect(g.Cell(2, 3), {});
    EXPECT_EQ(g.Root.AnchorCell, g.Cell(2, 3));
    g.Root.UpdateMultiSelect(g.Cell(4, 1), TShiftState{ssShift});
    EXPECT_EQ(SelectedCount(g, 6, 6), 9);
    for (int c = 2; c <= 4; ++c)
        for (int r = 1; r <= 3; ++r)
            EXPECT_TRUE(g.Cell(c, r)->GetSelected()) << c << "," << r;
    EXPECT_GT(events, 9);
    // Shift+Ctrl adds the range to what is selected.
    g.Root.UpdateMultiSelect(g.Cell(5, 5), TShiftState{ssShift, ssCtrl});
    EXPECT_EQ(SelectedCount(g, 6, 6), 18); // columns 2..5 of rows 3..5 join
    EXPECT_TRUE(g.Cell(2, 1)->GetSelected());
    // Ctrl toggles one cell and moves the anchor.
    g.Root.UpdateMultiSelect(g.Cell(1, 5), TShiftState{ssCtrl});
    EXPECT_TRUE(g.Cell(1, 5)->GetSelected());
    EXPECT_EQ(g.Root.AnchorCell, g.Cell(1, 5));
    g.Root.UpdateMultiSelect(g.Cell(3, 4), TShiftState{ssCtrl});
    EXPECT_FALSE(g.Cell(3, 4)->GetSelected());
    EXPECT_EQ(SelectedCount(g, 6, 6), 18);
    // A fixed cell changes nothing.
    const int before = SelectedCount(g, 6, 6);
    g.Root.UpdateMultiSelect(g.Cell(0, 3), {});
    EXPECT_EQ(SelectedCount(g, 6, 6), before);
    // Without MultiSelect, Shift and Ctrl are ignored.
    g.Root.MultiSelect = false;
    g.Root.UpdateMultiSelect(g.Cell(3, 3), TShiftState{ssShift});
    EXPECT_EQ(SelectedCount(g, 6, 6), 1);
    // RowSelect: one cell selects every non-fixed cell of its row.
    g.Root.RowSelect = true;
    g.Root.UpdateMultiSelect(g.Cell(2, 4), {});
    EXPECT_EQ(SelectedCount(g, 6, 6), 5);
    for (int c = 1; c < 6; ++c)
        EXPECT_TRUE(g.Cell(c, 4)->GetSelected());
    EXPECT_FALSE(g.Cell(0, 4)->GetSelected());
}

TEST(GridSelection, ShiftRangeWithinANestedGridAndDeselectReachesIt)
{
    TNestedGrid g;
    g.Root.UpdateMultiSelect(g.Nested->getCell(0, 0), {});
    g.Root.UpdateMultiSelect(g.Nested->getCell(1, 1), TShiftState{ssShift});
    int n = 0;
    for (int c = 0; c < 2; ++c)
        for (int r = 0; r < 2; ++r)
            n += g.Nested->getCell(c, r)->GetSelected() ? 1 : 0;
    EXPECT_EQ(n, 4);
    g.Root.UpdateMultiSelect(g.Cell(2, 2), {});
    EXPECT_FALSE(g.Nested->getCell(1, 1)->GetSelected());
    EXPECT_TRUE(g.Cell(2, 2)->GetSelected());
}

} // namespace
