// Columns, sub-grid definitions and cell layouts copied from another grid:
// every copied property arrives, the copies are independent of their source,
// and the copied grid builds and paints from them (nested grids of the copied
// definitions, cells in the copied layouts' colours and alignment).
#include "tests/grid/GridTestSupport.h"

using namespace skedra;
using namespace skedra::test;

namespace
{

using GridCopy = GridFixture;

// The x of every pixel column holding red ink (anti-aliased text included)
// in the rectangle x0..x1, y0..y1, left to right.
std::vector<int> RedColumns(const QImage& img, int x0, int x1, int y0, int y1)
{
    std::vector<int> xs;
    for (int x = x0; x < x1; ++x)
        for (int y = y0; y < y1; ++y)
            if (const QColor c = QColor::fromRgb(img.pixel(x, y));
                c.red() > 150 && c.green() < 90 && c.blue() < 90) {
                xs.push_back(x);
                break;
            }
    return xs;
}

void FillSource(TqvGrid& source)
{
    TqvCellLayout* warm = source.GetCellLayouts()->Add();
    warm->SetName(QStringLiteral("Warm"));
    warm->SetBackColor(clYellow);
    warm->SetFrontColor(clMaroon);
    warm->SetMinWidth(25);
    warm->SetMinHeight(30);
    warm->SetHorzAlignRight(true);
    warm->SetVertAlignCenter(true);
    warm->SetEndEllipsis(true);
    warm->SetWrapTextAndFit(true);
    warm->SetFrameOptionsUse(true);
    warm->SetFrameOptions(TFrameOptions{foRight, foBottom});
    warm->SetFrameKind(fkNormal);
    warm->SetFrameColor(clBlue);
    warm->SetWindowsFlagDraw(true);
    warm->SetWindowsFlags(0x24);
    TFont font;
    font.SetSize(13);
    font.SetColor(clRed);
    warm->SetFont(font);
    warm->SetUseFontInfo(true);

    TqvGrid_SubGrid* parts = source.GetSubGrids()->Add();
    parts->SetName(QStringLiteral("Parts"));
    parts->SetHasInfoCol(false);
    parts->SetHasHeaders(false);
    parts->SetExtendLastColumnToWidth(true);
    parts->GetColumns()->Add()->SetWidth(30);
    parts->GetColumns()->Add()->SetWidth(40);

    TqvGrid_Columns* columns = source.GetColumns();
    TqvGrid_Column* name = columns->Add();
    name->SetHeaderText(QStringLiteral("Name"));
    name->SetWidth(90);
    name->SetSortEnable(true);
    name->SetTreeButton(true);
    TqvGrid_Column* done = columns->Add();
    done->SetHeaderText(QStringLiteral("Done"));
    done->SetKind(tckBool);
    done->SetReadOnly(true);
    done->SetHasIcon(true);
    done->OnGetIconIndex = [](TqvGrid*, TqvGrid_Column*, TMoxCell*) { return 3; };
    TqvGrid_Column* sub = columns->Add();
    sub->SetHeaderText(QStringLiteral("Sub"));
    sub->SetKind(tckSubGrid);
    sub->SetWidth(100);
    sub->SetSubGridName(QStringLiteral("parts"));
    TqvGrid_Column* secret = columns->Add();
    secret->SetHeaderText(QStringLiteral("Secret"));
    secret->SetHidden(true);
}

TEST_F(GridCopy, EveryPropertyArrivesAndTheCopiesAreIndependent)
{
    TqvGrid source(&form);
    FillSource(source);
    grid->SetCellLayouts(*source.GetCellLayouts());
    grid->SetSubGrids(*source.GetSubGrids());
    grid->SetColumns(*source.GetColumns());

    ASSERT_EQ(grid->GetCellLayouts()->Count(), 1);
    const TqvCellLayout* warm = grid->GetCellLayouts()->GetCellLayout(0);
    const TqvCellLayout* from = source.GetCellLayouts()->GetCellLayout(0);
    EXPECT_NE(warm, from);
    EXPECT_EQ(warm->GetName(), QStringLiteral("Warm"));
    EXPECT_EQ(warm->GetBackColor(), clYellow);
    EXPECT_EQ(warm->GetFrontColor(), clMaroon);
    EXPECT_EQ(warm->GetMinWidth(), 25);
    EXPECT_EQ(warm->GetMinHeight(), 30);
    EXPECT_TRUE(warm->GetHorzAlignRight());
    EXPECT_FALSE(warm->GetHorzAlignCenter());
    EXPECT_TRUE(warm->GetVertAlignCenter());
    EXPECT_TRUE(warm->GetEndEllipsis());
    EXPECT_TRUE(warm->GetWrapTextAndFit());
    EXPECT_TRUE(warm->GetFrameOptionsUse());
    EXPECT_EQ(warm->GetFrameOptions(), (TFrameOptions{foRight, foBottom}));
    EXPECT_EQ(warm->GetFrameColor(), clBlue);
    EXPECT_TRUE(warm->GetWindowsFlagDraw());
    EXPECT_EQ(warm->GetWindowsFlags(), 0x24u);
    EXPECT_TRUE(warm->GetUseFontInfo());
    EXPECT_EQ(warm->GetFont()->GetSize(), 13);
    // The drawing properties the cells use follow the copy.
    EXPECT_EQ(warm->GetLayout()->BackColor, clYellow);
    EXPECT_EQ(warm->GetLayout()->FontSize, 13);
    EXPECT_EQ(warm->GetLayout()->FontColor, clRed);
    EXPECT_EQ(warm->GetLayout()->FrontColor, clMaroon);
    EXPECT_EQ(warm->GetLayout()->Name, QStringLiteral("Warm"));

    ASSERT_EQ(grid->GetSubGrids()->Count(), 1);
    const TqvGrid_SubGrid* parts = grid->GetSubGrids()->GetSubGrid(0);
    EXPECT_EQ(parts->GetDisplayName(), QStringLiteral("Parts"));
    EXPECT_FALSE(parts->GetHasInfoCol());
    EXPECT_FALSE(parts->GetHasHeaders());
    EXPECT_TRUE(parts->GetExtendLastColumnToWidth());
    ASSERT_EQ(parts->GetColumns()->Count(), 2);
    EXPECT_EQ(parts->GetColumns()->GetColumn(1)->GetWidth(), 40);
    EXPECT_EQ(parts->GetColumns()->GetColumn(1)->GetSubGrid(), parts);
    EXPECT_EQ(parts->GetColumns()->GetColumn(1)->GetGrid(), grid);

    TqvGrid_Columns* columns = grid->GetColumns();
    ASSERT_EQ(columns->Count(), 4);
    EXPECT_EQ(columns->GetColumn(0)->GetDisplayName(), QStringLiteral("Name"));
    EXPECT_EQ(columns->GetColumn(0)->GetWidth(), 90);
    EXPECT_TRUE(columns->GetColumn(0)->GetSortEnable());
    EXPECT_TRUE(columns->GetColumn(0)->GetTreeButton());
    EXPECT_EQ(columns->GetColumn(1)->GetKind(), tckBool);
    EXPECT_TRUE(columns->GetColumn(1)->GetReadOnly());
    EXPECT_TRUE(columns->GetColumn(1)->GetHasIcon());
    EXPECT_EQ(columns->GetColumn(1)->OnGetIconIndex(grid, columns->GetColumn(1), nullptr), 3);
    EXPECT_EQ(columns->GetColumn(2)->GetSubGridName(), QStringLiteral("parts"));
    EXPECT_TRUE(columns->GetColumn(3)->GetHidden());
    EXPECT_EQ(columns->GetColumn(3)->GetGrid(), grid);
    EXPECT_EQ(columns->GetColumn(3)->GetSubGrid(), nullptr);
    // The grid built its items from the copies: info column and four columns,
    // one hidden once painted.
    EXPECT_EQ(grid->GetCellCountX(), 5);
    Paint();
    EXPECT_TRUE(grid->ColumnToAxisContentItem(columns->GetColumn(3))->Hidden);
    EXPECT_FALSE(grid->ColumnToAxisContentItem(columns->GetColumn(2))->Hidden);

    // Later changes of the source leave the copies alone, and the other way round.
    source.GetCellLayouts()->GetCellLayout(0)->SetBackColor(clLime);
    source.GetColumns()->GetColumn(0)->SetWidth(11);
    source.GetSubGrids()->GetSubGrid(0)->SetName(QStringLiteral("Other"));
    EXPECT_EQ(warm->GetBackColor(), clYellow);
    EXPECT_EQ(columns->GetColumn(0)->GetWidth(), 90);
    EXPECT_EQ(parts->GetName(), QStringLiteral("Parts"));
    grid->GetColumns()->GetColumn(1)->SetHeaderText(QStringLiteral("Finished"));
    EXPECT_EQ(source.GetColumns()->GetColumn(1)->GetHeaderText(), QStringLiteral("Done"));

    // Copying again replaces rather than appends; copying a collection onto itself keeps it.
    grid->SetColumns(*source.GetColumns());
    EXPECT_EQ(columns->Count(), 4);
    EXPECT_EQ(columns->GetColumn(0)->GetWidth(), 11);
    EXPECT_EQ(columns->GetColumn(1)->GetHeaderText(), QStringLiteral("Done"));
    grid->SetColumns(*grid->GetColumns());
    grid->SetSubGrids(*grid->GetSubGrids());
    grid->SetCellLayouts(*grid->GetCellLayouts());
    EXPECT_EQ(columns->Count(), 4);
    EXPECT_EQ(grid->GetSubGrids()->Count(), 1);
    EXPECT_EQ(grid->GetCellLayouts()->Count(), 1);
    columns->GetColumn(0)->Assign(*columns->GetColumn(0));
    EXPECT_EQ(columns->GetColumn(0)->GetWidth(), 11);
}

TEST_F(GridCopy, TheCopiedGridBuildsNestedGridsAndPaintsInTheCopiedLayouts)
{
    TqvGrid source(&form);
    FillSource(source);
    grid->SetCellLayouts(*source.GetCellLayouts());
    grid->SetSubGrids(*source.GetSubGrids());
    grid->SetColumns(*source.GetColumns());
    TqvGrid_Column* name = grid->GetColumns()->GetColumn(0);
    name->SetLayoutName(QStringLiteral("WARM"));
    EXPECT_EQ(name->GetLayoutProp(), grid->GetCellLayouts()->GetCellLayout(0)->GetLayout());
    AddRow({QStringLiteral("ab")});
    AddRow({QStringLiteral("cd")});

    // The nested grids are built from the copied definition: two columns, no info column.
    const TqvGrid_SubGrid* parts = grid->GetSubGrids()->GetSubGrid(0);
    ASSERT_EQ(parts->GetCells().size(), 2u);
    auto* nested = dynamic_cast<TMoxGridCell*>(grid->GetCell(3, 1));
    ASSERT_NE(nested, nullptr);
    EXPECT_EQ(parts->GetCells().front(), nested);
    EXPECT_EQ(nested->ColumnList->Count(), 2);
    EXPECT_EQ(nested->GetFixedCols(), 0);
    EXPECT_EQ(nested->GetFixedRows(), 0);

    // The Name cells take the layout's minimum height and are painted yellow
    // with the font's red text on the right of the cell.
    const QImage img = Paint();
    const TAxisContentItem* row = grid->GetRootCell()->RowList->getAxisContentItem(1);
    const int rowHeight = row->Size;
    EXPECT_GE(rowHeight, 30);
    const int rowTop = row->Position;
    const int y = rowTop + rowHeight / 2;
    EXPECT_EQ(PixelAt(img, 20 + 5, y) & 0xFFFFFF, ColorToRGB(clYellow) & 0xFFFFFF);
    const std::vector<int> red = RedColumns(img, 20, 20 + 90, rowTop, rowTop + rowHeight);
    ASSERT_FALSE(red.empty());
    EXPECT_GT(red.front(), 20 + 45) << "right-aligned text starts in the right half";
    // The other columns keep the default look.
    EXPECT_NE(PixelAt(img, 20 + 90 + 10, y) & 0xFFFFFF, ColorToRGB(clYellow) & 0xFFFFFF);

    // A change of the copied layout shows at the next paint; the source's does not.
    source.GetCellLayouts()->GetCellLayout(0)->SetBackColor(clBlue);
    grid->GetCellLayouts()->GetCellLayout(0)->SetBackColor(clLime);
    const QImage again = Paint();
    EXPECT_EQ(PixelAt(again, 20 + 5, y) & 0xFFFFFF, ColorToRGB(clLime) & 0xFFFFFF);
}

} // namespace
