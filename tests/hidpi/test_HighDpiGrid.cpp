// The grid on a high-DPI screen (see HighDpiSupport.h for what is checked).
#include "skedra/grid/qvGrid.h"
#include "tests/hidpi/HighDpiSupport.h"

using namespace skedra;
using namespace skedra::test;

// ---------------------------------------------------------------------------
// Grid

TEST_F(HighDpi, GridLinesTextTrackingLineAndClicks)
{
    auto* grid = new TqvGrid(&form);
    grid->SetBounds(0, 0, 504, 354);
    for (int c = 0; c < 3; ++c) {
        TqvGrid_Column* column = grid->AddColumn();
        column->SetHeaderText(QStringLiteral("Column %1").arg(c));
        column->SetWidth(100);
    }
    const int fixed = grid->GetRootCell()->GetFixedCols();
    for (int r = 0; r < 8; ++r) {
        TAxisContentItem* row = grid->AddRow();
        for (int c = 0; c < 3; ++c)
            grid->SetText(grid->GetCell(fixed + c, row->ListIndex()), QStringLiteral("Hq%1g").arg(r * 3 + c));
    }
    Show();
    grid->Repaint();
    const QImage surface = SurfaceOf(grid);
    EXPECT_TRUE(DeviceSized(surface, grid));
    ExpectLinesOnLogicalPixels(surface);

    const int firstRow = grid->GetRootCell()->GetFixedRows();
    TMoxCell* cell = grid->GetCell(fixed + 1, firstRow + 2);
    const TRect rect = cell->VisibleRect;
    ASSERT_FALSE(rect.IsEmpty());
    TFont font;
    font.Assign(*grid->GetFont());
    ExpectTextAsDrawnDirectly(surface, rect.Inflate(-2, -2), QStringLiteral("Hq7g"), font, clBlack,
                              surface.pixel((rect.Left + 2) * kRatio, (rect.Top + 2) * kRatio));

    // A click on the cell's middle focuses that cell.
    const TPoint client =
        grid->ClientToScreen(TPoint(rect.Left + rect.Width() / 2, rect.Top + rect.Height() / 2));
    const QPoint at = grid->mapFromGlobal(QPoint(client.X, client.Y));
    Press(grid, at);
    Release(grid, at);
    Settle();
    EXPECT_EQ(grid->GetRootCell()->GetFocusedCellDownTrack(), cell);

    // The column sizing line: drawn at 120, moved away and back, the surface is as before.
    grid->Repaint();
    const TRect header = grid->GetCell(fixed, 0)->VisibleRect;
    const TPoint border = grid->ClientToScreen(TPoint(header.Right, header.Top + header.Height() / 2));
    const QPoint b = grid->mapFromGlobal(QPoint(border.X, border.Y));
    const QImage before = SurfaceOf(grid);
    Press(grid, b);
    MoveTo(grid, b + QPoint(20, 0));
    const QImage at20 = SurfaceOf(grid);
    EXPECT_NE(at20, before);
    MoveTo(grid, b + QPoint(40, 0));
    MoveTo(grid, b + QPoint(20, 0));
    EXPECT_EQ(SurfaceOf(grid), at20);
    Release(grid, b + QPoint(20, 0));
    EXPECT_EQ(SurfaceOf(grid), Rgb(grid->GetOffscreenBitmap()->Image()));
}
