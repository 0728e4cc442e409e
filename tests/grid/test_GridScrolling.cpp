// Scrolling a grid whose scroll handler removes the rows: moving the top-left
// cell and bringing the focused cell into view stop on the grid as the
// handler left it instead of touching the removed cells.
#include <utility>

#include "tests/grid/GridTestSupport.h"

using namespace skedra;
using namespace skedra::test;

namespace
{

struct GridScrolling : GridFixture {
    // Eight columns wider than the grid, 60 rows: both bars show.
    void Build()
    {
        for (int c = 0; c < 8; ++c)
            AddColumn(QStringLiteral("C%1").arg(c));
        for (int r = 0; r < 60; ++r)
            AddRow({QStringLiteral("r%1").arg(r)});
        Paint();
    }
    bool Armed = false;
    // The next change of the top-left cell removes every row.
    void ArmRemoval()
    {
        Armed = true;
        grid->OnTopLeftChanged = [this](TObject*) {
            if (std::exchange(Armed, false)) grid->GetRootCell()->RowList->ClearKeepFixedItems();
        };
    }
};

TEST_F(GridScrolling, AHandlerRemovingTheRowsWhileTheTopLeftCellMovesLeavesAnEmptyGrid)
{
    Build();
    TMoxGridCellForViewer* root = grid->GetRootCell();
    ArmRemoval();
    grid->SetTopLeftCell(grid->GetCell(6, 40));
    EXPECT_FALSE(Armed) << "the handler ran";
    EXPECT_EQ(root->RowList->Count(), root->GetFixedRows());
    Paint();
    // Rows added afterwards scroll as before.
    for (int r = 0; r < 60; ++r)
        AddRow({QStringLiteral("n%1").arg(r)});
    grid->SetTopLeftCell(grid->GetCell(2, 30));
    EXPECT_EQ(root->Top, 30);
}

TEST_F(GridScrolling, AHandlerRemovingTheRowsWhileTheFocusComesIntoViewLeavesAnEmptyGrid)
{
    Build();
    TMoxGridCellForViewer* root = grid->GetRootCell();
    root->SetFocusedCell(grid->GetCell(7, 50));
    ArmRemoval();
    grid->MakeSureFocusedIsVisible();
    QApplication::processEvents();
    EXPECT_FALSE(Armed) << "the handler ran";
    EXPECT_EQ(root->RowList->Count(), root->GetFixedRows());
    EXPECT_EQ(root->FocusedCell, nullptr);
    Paint();
}

} // namespace
