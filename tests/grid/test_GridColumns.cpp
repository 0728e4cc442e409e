// Columns, fixed items, layouts and sub-grids of the grid component: the
// items the collections build, a grid without headers keeping its rows
// through column changes, layouts shared and renamed, sub-grids chosen per
// row, hidden and moved columns, and the last column filling the width.
#include <memory>
#include <random>

#include "tests/grid/GridTestSupport.h"

using namespace skedra;
using namespace skedra::test;

namespace
{

using GridColumns = GridFixture;

TEST_F(GridColumns, FixedItemsFollowTheColumnsAndSwitches)
{
    AddColumn(QStringLiteral("A"));
    AddColumn(QStringLiteral("B"), tckSimpleEdit, 120);
    TMoxGridCellForViewer* root = grid->GetRootCell();
    EXPECT_EQ(grid->GetCellCountX(), 3);
    EXPECT_EQ(grid->GetCellCountY(), 1);
    EXPECT_EQ(root->ColumnList->getAxisContentItem(0)->GetUserSize(), 20);
    EXPECT_EQ(root->ColumnList->getAxisContentItem(2)->GetUserSize(), 120);
    EXPECT_EQ(grid->GetColumns()->GetColumn(1)->GetRunTimeWidth(), 120);
    grid->SetHasInfoCol(false);
    EXPECT_EQ(grid->GetCellCountX(), 2);
    EXPECT_EQ(root->GetFixedCols(), 0);
    grid->SetHasHeaders(false);
    EXPECT_EQ(grid->GetCellCountY(), 0);
    EXPECT_EQ(grid->GetColumns()->GetColumn(0)->GetDisplayName(), QStringLiteral("A"));
    grid->GetColumns()->GetColumn(0)->SetHeaderText(QString());
    EXPECT_EQ(grid->GetColumns()->GetColumn(0)->GetDisplayName(), QStringLiteral("Column0"));
}

TEST_F(GridColumns, AGridWithoutHeadersKeepsEveryRowThroughColumnChanges)
{
    grid->SetHasHeaders(false);
    grid->SetHasInfoCol(false);
    TqvGrid_Column* a = AddColumn(QStringLiteral("A"));
    AddRow({QStringLiteral("r0")});
    AddRow({QStringLiteral("r1")});
    AddRow({QStringLiteral("r2")});
    const QStringList rows{QStringLiteral("r0"), QStringLiteral("r1"), QStringLiteral("r2")};
    ASSERT_EQ(Column(0), rows);
    TqvGrid_Column* b = AddColumn(QStringLiteral("B"));
    EXPECT_EQ(Column(0), rows);
    a->SetHeaderText(QStringLiteral("A2"));
    EXPECT_EQ(Column(0), rows);
    a->SetWidth(150);
    EXPECT_EQ(Column(0), rows);
    grid->GetColumns()->Delete(b->GetIndex());
    EXPECT_EQ(Column(0), rows);
    Paint();
    EXPECT_EQ(Column(0), rows);
    EXPECT_EQ(grid->GetRootCell()->GetFixedRows(), 0);
    // A header row switched on and off again is the only row that goes.
    grid->SetHasHeaders(true);
    EXPECT_EQ(grid->GetCellCountY(), 4);
    grid->SetHasHeaders(false);
    EXPECT_EQ(Column(0), rows);
}

TEST_F(GridColumns, AColumnIndexOutsideTheCollectionIsNoColumn)
{
    AddColumn(QStringLiteral("A"));
    AddRow({QStringLiteral("x")});
    TMoxGridCellForViewer* root = grid->GetRootCell();
    // An item without a column beyond the collection.
    TAxisContentItem* extra = root->ColumnList->AddNew(nullptr);
    EXPECT_EQ(grid->AxisContentItemToColumn(extra), nullptr);
    EXPECT_EQ(grid->CellToColumn(grid->GetRootCell()->getCell(2, 1)), nullptr);
    // The info column has none either.
    EXPECT_EQ(grid->CellToColumn(grid->GetCell(0, 1)), nullptr);
    EXPECT_EQ(grid->CellToColumn(grid->GetCell(1, 1)), grid->GetColumns()->GetColumn(0));
    EXPECT_EQ(grid->GetColumns()->GetColumn(-1), nullptr);
    EXPECT_EQ(grid->GetColumns()->GetColumn(5), nullptr);
    root->ColumnList->Drop(2);
}

TEST_F(GridColumns, HeaderCellsShowTheHeaderTextAlsoOverBooleanColumns)
{
    AddColumn(QStringLiteral("Name"), tckSimpleEdit, 100);
    AddColumn(QStringLiteral("Done"), tckBool, 100);
    AddRow({QStringLiteral("x"), QStringLiteral("TRUE")});
    grid->SetText(grid->GetCell(1, 0), QStringLiteral("raw"));
    const QImage img = Paint();
    // Header of the Boolean column: text, no check box (a box would be white inside).
    const TRect header(121, 1, 219, 19);
    EXPECT_GT(InkIn(img, header), 10);
    EXPECT_EQ(PixelAt(img, 126, 10) & 0xFFFFFF, ColorToRGB(clBtnFace) & 0xFFFFFF);
    // The data cell of the Boolean column shows a checked box.
    EXPECT_TRUE(dynamic_cast<TMoxSimpleCellStringData*>(grid->GetCell(2, 1)->CellData.get())->IsBoolean);
}

TEST_F(GridColumns, ThreeLayoutsOneRenamedAndShared)
{
    TqvCellLayout* red = grid->GetCellLayouts()->Add();
    red->SetName(QStringLiteral("Red"));
    red->SetBackColor(clRed);
    TqvCellLayout* blue = grid->GetCellLayouts()->Add();
    blue->SetName(QStringLiteral("Blue"));
    blue->SetBackColor(clBlue);
    TqvCellLayout* green = grid->GetCellLayouts()->Add();
    green->SetName(QStringLiteral("Green"));
    green->SetBackColor(clLime);
    EXPECT_EQ(green->GetDisplayName(), QStringLiteral("Green"));
    TqvGrid_Column* a = AddColumn(QStringLiteral("A"));
    TqvGrid_Column* b = AddColumn(QStringLiteral("B"));
    TqvGrid_Column* c = AddColumn(QStringLiteral("C"));
    a->SetLayoutName(QStringLiteral("red"));
    b->SetLayoutName(QStringLiteral("BLUE"));
    c->SetLayoutName(QStringLiteral("Shared"));
    EXPECT_EQ(a->GetLayoutProp(), red->GetLayout());
    EXPECT_EQ(b->GetLayoutProp(), blue->GetLayout());
    EXPECT_EQ(c->GetLayoutProp(), nullptr);
    // Renamed: found again under its new name, in any letter case, by two columns.
    green->SetName(QStringLiteral("Shared"));
    b->SetLayoutName(QStringLiteral("sHaReD"));
    EXPECT_EQ(c->GetLayoutProp(), green->GetLayout());
    EXPECT_EQ(b->GetLayoutProp(), green->GetLayout());
    AddRow({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")});
    AddRow({QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6")});
    EXPECT_EQ(grid->GetCell(1, 1)->Layout, red->GetLayout());
    EXPECT_EQ(grid->GetCell(2, 2)->Layout, green->GetLayout());
    EXPECT_EQ(grid->GetCell(3, 1)->Layout, green->GetLayout());
    // A change of the shared layout shows in every cell of both columns.
    green->SetBackColor(clYellow);
    const QImage img = Paint();
    EXPECT_EQ(PixelAt(img, 20 + 80 + 40, 30) & 0xFFFFFF, ColorToRGB(clYellow) & 0xFFFFFF);
    EXPECT_EQ(PixelAt(img, 20 + 160 + 40, 50) & 0xFFFFFF, ColorToRGB(clYellow) & 0xFFFFFF);
    EXPECT_EQ(PixelAt(img, 20 + 40, 30) & 0xFFFFFF, ColorToRGB(clRed) & 0xFFFFFF);
    // A layout that goes leaves no cell pointing at it.
    grid->GetCellLayouts()->Delete(green->GetIndex());
    EXPECT_EQ(grid->GetCell(2, 1)->Layout, grid->GetDefaultLayout());
    EXPECT_EQ(c->GetLayoutProp(), nullptr);
    Paint();
    // Assigning copies the font only.
    TqvCellLayout* copy = grid->GetCellLayouts()->Add();
    red->GetFont()->SetSize(14);
    copy->Assign(*red);
    EXPECT_EQ(copy->GetLayout()->FontSize, 14);
    EXPECT_EQ(copy->GetBackColor(), clWindow);
    EXPECT_TRUE(copy->GetName().isEmpty());
    EXPECT_EQ(copy->GetDisplayName(), QStringLiteral("TqvCellLayout"));
}

TEST_F(GridColumns, TwoSubGridsChosenPerRow)
{
    TqvGrid_SubGrid* small = grid->GetSubGrids()->Add();
    small->SetName(QStringLiteral("Small"));
    small->GetColumns()->Add()->SetHeaderText(QStringLiteral("s1"));
    TqvGrid_SubGrid* wide = grid->GetSubGrids()->Add();
    wide->SetName(QStringLiteral("Wide"));
    wide->SetHasInfoCol(false);
    for (int i = 0; i < 3; ++i)
        wide->GetColumns()->Add()->SetWidth(40);
    EXPECT_EQ(grid->GetSubGrids()->Add()->GetDisplayName(), QStringLiteral("SubGrid2"));
    AddColumn(QStringLiteral("Name"));
    TqvGrid_Column* nested = AddColumn(QStringLiteral("Parts"), tckSubGrid, 150);
    nested->SetSubGridName(QStringLiteral("small"));
    nested->OnContextSensitiveSubGrid = [](TqvGrid*, TAxisContentItem* row, TqvGrid_Column*, QString& name) {
        if (row->ListIndex() % 2 == 0) name = QStringLiteral("WIDE");
        if (row->ListIndex() == 3) name = QStringLiteral("missing");
    };
    for (int r = 0; r < 3; ++r)
        AddRow({QStringLiteral("row%1").arg(r)});
    auto* odd = dynamic_cast<TMoxGridCell*>(grid->GetCell(2, 1));
    auto* even = dynamic_cast<TMoxGridCell*>(grid->GetCell(2, 2));
    auto* none = dynamic_cast<TMoxGridCell*>(grid->GetCell(2, 3));
    ASSERT_TRUE(odd && even && none);
    EXPECT_EQ(odd->ColumnList->Count(), 2); // info column and s1
    EXPECT_EQ(odd->GetFixedRows(), 1);
    EXPECT_EQ(even->ColumnList->Count(), 3); // three columns, no info column
    EXPECT_EQ(none->ColumnList->Count(), 0); // no definition of that name
    EXPECT_EQ(small->GetCells(), std::vector<TMoxGridCell*>{odd});
    EXPECT_EQ(wide->GetCells(), std::vector<TMoxGridCell*>{even});
    EXPECT_EQ(grid->GetSubGrids()->SubGridByName(QStringLiteral("WIDE")), wide);
    // Rows in a nested grid.
    EXPECT_NE(grid->AddRowInSubGrid(even, nullptr), nullptr);
    EXPECT_EQ(grid->AddRowInSubGrid(grid->GetCell(1, 1), nullptr), nullptr);
    EXPECT_EQ(even->RowList->Count(), 2);
    Paint();
    // A row that goes takes its nested grid out of its definition.
    grid->GetRootCell()->RowList->Drop(2);
    EXPECT_TRUE(wide->GetCells().empty());
    // A definition that goes leaves its nested grids empty of columns, not dangling.
    grid->GetSubGrids()->Delete(small->GetIndex());
    EXPECT_EQ(grid->CellToColumn(odd->getCell(1, 0)), nullptr);
    Paint();
}

TEST_F(GridColumns, HiddenAndMovedColumnsTakeTheirCellsAlong)
{
    AddColumn(QStringLiteral("A"));
    TqvGrid_Column* b = AddColumn(QStringLiteral("B"));
    AddColumn(QStringLiteral("C"));
    AddRow({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    TqvGrid_Column* a = grid->GetColumns()->GetColumn(0);
    a->SetIndex(2);
    EXPECT_EQ(Text(1, 1), QStringLiteral("b"));
    EXPECT_EQ(Text(3, 1), QStringLiteral("a"));
    EXPECT_EQ(grid->CellToColumn(grid->GetCell(3, 0)), a);
    EXPECT_EQ(grid->ColumnToAxisContentItem(a)->ListIndex(), 3);
    b->SetHidden(true);
    Paint();
    EXPECT_TRUE(grid->ColumnToAxisContentItem(b)->Hidden);
    EXPECT_EQ(grid->GetRootCell()->ColumnList->GetHiddenRowCount(), 1);
    // The first shown column after Left.
    EXPECT_EQ(grid->GetTopLeftCell()->ColumnItem->ListIndex(), 2);
    b->SetHidden(false);
    Paint();
    EXPECT_FALSE(grid->ColumnToAxisContentItem(b)->Hidden);
    // A column removed takes its cells.
    grid->GetColumns()->Delete(1);
    EXPECT_EQ(grid->GetCellCountX(), 3);
    EXPECT_EQ(Text(1, 1), QStringLiteral("b"));
    EXPECT_EQ(Text(2, 1), QStringLiteral("a"));
}

TEST_F(GridColumns, LastColumnFillsTheWidthAndAUserWidthOf1000IsAWidth)
{
    AddColumn(QStringLiteral("A"), tckSimpleEdit, 100);
    TqvGrid_Column* last = AddColumn(QStringLiteral("B"), tckSimpleEdit, 100);
    AddRow({QStringLiteral("x"), QStringLiteral("y")});
    grid->SetExtendLastColumnToWidth(true);
    Paint();
    QApplication::processEvents(); // the deferred extension
    Paint();
    EXPECT_EQ(last->GetRunTimeWidth(), 1000);
    EXPECT_FALSE(grid->GridScrollVisibleHorizontal());
    // The width text measuring uses: what is left of the control.
    TqvGridTestAccess access{grid};
    TAxisContentItem* item = grid->ColumnToAxisContentItem(last);
    EXPECT_EQ(access.MeasureWidth(item), grid->GetWidth() - 5 - 20 - 100);
    // Columns wider than the view leave the last one its minimum width.
    grid->GetColumns()->GetColumn(0)->SetRunTimeWidth(900);
    Paint();
    EXPECT_EQ(access.MeasureWidth(item), 20);
    // The user drags the last column to exactly 1000 pixels: a real width now.
    last->SetRunTimeWidth(1000);
    EXPECT_EQ(access.MeasureWidth(item), 1000);
}

// Random column changes, header and info column switches, rows added and
// repaints: the rows always stay (in their order) and the items always match
// the columns.
TEST_F(GridColumns, RandomColumnChangesKeepRowsAndItemsInStep)
{
    std::mt19937 random(2024);
    std::vector<std::unique_ptr<TObject>> rows;
    auto addRow = [&] {
        rows.push_back(std::make_unique<TObject>());
        grid->AddRow(rows.back().get());
    };
    for (int i = 0; i < 4; ++i)
        addRow();
    for (int step = 0; step < 400; ++step) {
        TqvGrid_Columns* columns = grid->GetColumns();
        const int n = columns->Count();
        switch (random() % 10) {
        case 0:
        case 1:
            AddColumn(QStringLiteral("c%1").arg(step), random() % 2 ? tckSimpleEdit : tckBool,
                      20 + static_cast<int>(random() % 100));
            break;
        case 2:
            if (n > 0) columns->Delete(static_cast<int>(random() % n));
            break;
        case 3:
            if (n > 1)
                columns->GetColumn(static_cast<int>(random() % n))->SetIndex(static_cast<int>(random() % n));
            break;
        case 4:
            if (n > 0) columns->GetColumn(static_cast<int>(random() % n))->SetHidden(random() % 2 == 0);
            break;
        case 5:
            if (n > 0)
                columns->GetColumn(static_cast<int>(random() % n))->SetHeaderText(QString::number(step));
            break;
        case 6:
            if (n > 0) columns->GetColumn(static_cast<int>(random() % n))->SetWidth(30 + step % 50);
            break;
        case 7:
            grid->SetHasHeaders(!grid->GetHasHeaders());
            break;
        case 8:
            grid->SetHasInfoCol(!grid->GetHasInfoCol());
            break;
        default:
            if (random() % 2)
                addRow();
            else
                Paint();
            break;
        }
        TMoxGridCellForViewer* root = grid->GetRootCell();
        ASSERT_EQ(grid->GetCellCountY(), root->GetFixedRows() + static_cast<int>(rows.size()))
            << "step " << step;
        for (size_t i = 0; i < rows.size(); ++i)
            ASSERT_EQ(root->RowList->getAxisContentItem(root->GetFixedRows() + static_cast<int>(i))->Data,
                      rows[i].get())
                << "step " << step;
        QString why;
        ASSERT_TRUE(grid->CheckInvariants(&why)) << "step " << step << ": " << why.toStdString();
    }
}

} // namespace
