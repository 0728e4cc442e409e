// The chart in grid mode when rows come and go: a row added below the view
// repaints neither the grid nor the area (only the bar's range grows), a row
// added in view repaints from its band down, and what the partial
// paint leaves on screen is what a whole repaint (the slow reference) draws.
#include <gtest/gtest.h>

#include <QScrollBar>

#include "tests/gantt/GantTestSupport.h"

using namespace skedra;
using namespace skedra::test;

namespace
{

using TNode = TqvDataEntity_GridTreeNode;

constexpr TColor kItemColor = 0x0000FF; // red

class GantGridAppend : public GantFixture
{
protected:
    void SetUp() override
    {
        GantFixture::SetUp();
        gant->SetUseGridNotTree(true);
        // The clip each area paint runs with: the part it redraws.
        gant->OnUserDrawForeground = [this](TObject*, const TRect&, TCanvas* aCanvas) {
            clips.push_back(aCanvas->GetClipRect());
        };
        Flush();
    }

    TqvGrid* Grid() const { return gant->GetGrid(); }
    TMoxGridCellForViewer* Root() const { return Grid()->GetRootCell(); }
    TNode* AddRow(int r)
    {
        TNode* node = Grid()->GetTree()->AddDataEntity(nullptr);
        AddItem(node, r);
        return node;
    }
    TNode* InsertRow(int anIndex, int r)
    {
        TNode* node = Grid()->GetTree()->InsertDataEntity(nullptr, anIndex);
        AddItem(node, r);
        return node;
    }
    // One item per row, shifted by row so that each row looks different.
    void AddItem(TNode* aNode, int r)
    {
        TqvDataEntity_GantTime* t = gant->GridNode_AddGantTime(aNode, 0);
        t->SetStartDateTime(kChartDay + 0.1 + (r % 7) * 0.15);
        t->SetStopDateTime(kChartDay + 0.5 + (r % 7) * 0.15);
        t->SetColor(kItemColor);
    }
    // The slow reference: the grid and the area drawn whole.
    void RepaintWhole()
    {
        for (int i = 0; i < 2; ++i) {
            Grid()->Repaint();
            Flush();
            GA()->Repaint();
            Flush();
        }
    }
    QImage AreaPicture() const { return GA()->GetWindowSurface()->Image(); }
    QImage GridPicture() const { return Grid()->GetWindowSurface()->Image(); }
    int ItemX(int r) const { return Scaler()->DateToPixel(kChartDay + 0.3 + (r % 7) * 0.15); }
    bool IsItem(const QImage& img, int x, int y) const
    {
        return img.pixel(x, y) == ToQColor(kItemColor).rgb();
    }
    // The band the area draws for a node, from the grid's placed row.
    TRect BandOf(TNode* aNode) const { return gant->GetRowList()->FindRowFromGridNode(aNode)->GetRect(); }

    std::vector<TRect> clips;
};

TEST_F(GantGridAppend, ARowAddedBelowTheViewRepaintsNothingButTheBar)
{
    for (int r = 0; r < 60; ++r)
        AddRow(r);
    RepaintWhole();
    ASSERT_FALSE(Root()->AllRowsFit);
    const QImage area = AreaPicture();
    const QImage grid = GridPicture();
    const int areaPaints = GA()->GetPaintCount();
    const int gridPaints = Grid()->GetPaintCount();
    const int max = Grid()->GetVertScrollBar()->GetMax();

    // What a user gets: the events run, whatever paints they bring.
    for (int r = 60; r < 65; ++r)
        AddRow(r);
    Flush();
    EXPECT_EQ(GA()->GetPaintCount(), areaPaints);
    EXPECT_EQ(Grid()->GetPaintCount(), gridPaints);
    EXPECT_EQ(AreaPicture(), area);
    EXPECT_EQ(GridPicture(), grid);
    EXPECT_EQ(Grid()->GetVertScrollBar()->GetMax(), max + 5);

    // The whole repaint draws the same, and the new rows are there to scroll to.
    RepaintWhole();
    EXPECT_EQ(AreaPicture(), area);
    EXPECT_EQ(GridPicture(), grid);
    Grid()->GetVertScrollBar()->Bar()->setSliderPosition(Grid()->GetVertScrollBar()->GetMax());
    Flush();
    RepaintWhole();
    TAxisContentItem* last = Root()->RowList->VisibleItems.back();
    EXPECT_EQ(last->ListIndex(), 64);
    gant->CheckInvariants();
}

TEST_F(GantGridAppend, ARowAddedInViewRepaintsFromItsBandDownAsAWholeRepaintWould)
{
    // Rows that leave room below them: the next row shows up in view.
    for (int r = 0; r < 6; ++r)
        AddRow(r);
    RepaintWhole();
    ASSERT_TRUE(Root()->AllRowsFit);
    const int areaPaints = GA()->GetPaintCount();
    const int bottom = BandOf(TqvGridTree::NodeOfRow(Root()->RowList->VisibleItems.back())).Bottom;
    clips.clear();

    TNode* added = AddRow(6);
    Flush();
    EXPECT_EQ(GA()->GetPaintCount(), areaPaints + 1);
    ASSERT_EQ(clips.size(), 1u);
    // From the new band down, all the area's width.
    EXPECT_EQ(clips[0], TRect(0, bottom, GA()->GetWidth(), GA()->GetHeight()));
    const TRect band = BandOf(added);
    EXPECT_EQ(band.Top, bottom);
    const QImage partial = AreaPicture();
    EXPECT_TRUE(IsItem(partial, ItemX(6), (band.Top + band.Bottom) / 2));
    const QImage partialGrid = GridPicture();

    RepaintWhole();
    EXPECT_EQ(partial, AreaPicture());
    EXPECT_EQ(partialGrid, GridPicture());
}

TEST_F(GantGridAppend, RowsInsertedAndRemovedInViewMoveTheRowsBelowAsAWholeRepaintWould)
{
    std::vector<TNode*> nodes;
    for (int r = 0; r < 40; ++r)
        nodes.push_back(AddRow(r));
    RepaintWhole();
    const TRect third = BandOf(nodes[3]);
    const TRect fourth = BandOf(nodes[4]);
    const int x4 = ItemX(4);
    clips.clear();

    // Inserted as the fourth row: it takes that band, the old fourth row moves down one band.
    TNode* inserted = InsertRow(3, 100);
    Flush();
    ASSERT_FALSE(clips.empty());
    EXPECT_EQ(clips.back().Top, third.Top);
    EXPECT_EQ(clips.back().Bottom, GA()->GetHeight());
    EXPECT_EQ(BandOf(inserted), third);
    EXPECT_EQ(BandOf(nodes[3]), fourth);
    QImage partial = AreaPicture();
    EXPECT_TRUE(IsItem(partial, ItemX(100), (third.Top + third.Bottom) / 2));
    EXPECT_TRUE(IsItem(partial, x4, BandOf(nodes[4]).Top + 9));
    QImage partialGrid = GridPicture();
    RepaintWhole();
    EXPECT_EQ(partial, AreaPicture());
    EXPECT_EQ(partialGrid, GridPicture());

    // Removed again: the rows below move back up.
    Grid()->GetTree()->RemoveDataEntity(inserted);
    Flush();
    EXPECT_EQ(BandOf(nodes[3]), third);
    partial = AreaPicture();
    partialGrid = GridPicture();
    RepaintWhole();
    EXPECT_EQ(partial, AreaPicture());
    EXPECT_EQ(partialGrid, GridPicture());
    gant->CheckInvariants();
}

TEST_F(GantGridAppend, ItemsOfRowsOutOfViewRepaintNothingItemsInViewTheirBand)
{
    std::vector<TNode*> nodes;
    for (int r = 0; r < 60; ++r)
        nodes.push_back(AddRow(r));
    RepaintWhole();
    const QImage area = AreaPicture();
    const int areaPaints = GA()->GetPaintCount();

    // An item added to, and moved in, a row far below.
    AddItem(nodes[55], 3);
    Flush();
    EXPECT_EQ(GA()->GetPaintCount(), areaPaints);
    EXPECT_EQ(AreaPicture(), area);

    // An item added in view: its band is drawn anew, nothing else.
    clips.clear();
    AddItem(nodes[2], 5);
    Flush();
    ASSERT_EQ(clips.size(), 1u);
    const TRect band = BandOf(nodes[2]);
    EXPECT_EQ(clips[0], TRect(0, band.Top, GA()->GetWidth(), band.Bottom));
    const QImage partial = AreaPicture();
    EXPECT_TRUE(IsItem(partial, ItemX(5), (band.Top + band.Bottom) / 2));
    RepaintWhole();
    EXPECT_EQ(partial, AreaPicture());
}

TEST_F(GantGridAppend, WithLinksEveryItemChangeRepaintsTheWholeArea)
{
    std::vector<TNode*> nodes;
    for (int r = 0; r < 60; ++r)
        nodes.push_back(AddRow(r));
    auto item = [&](int r) {
        return static_cast<TqvDataEntity_GantTime*>(
            gant->GetRowList()->FindRowFromGridNode(nodes[r])->GetDataLists()->GetDataList(0)->GetItems(0));
    };
    TqvDataEntity_Link* link = gant->AddLink();
    link->First = item(1);
    link->Second = item(50);
    RepaintWhole();
    const int areaPaints = GA()->GetPaintCount();
    // The far end of the link moves: the link's line in view follows.
    item(50)->SetStartDateTime(item(50)->GetStartDateTime() + 0.2);
    item(50)->SetStopDateTime(item(50)->GetStopDateTime() + 0.2);
    item(50)->DoInfoPush();
    clips.clear();
    Flush();
    EXPECT_EQ(GA()->GetPaintCount(), areaPaints + 1);
    ASSERT_EQ(clips.size(), 1u);
    EXPECT_EQ(clips[0], TRect(0, 0, GA()->GetWidth(), GA()->GetHeight()));
    const QImage partial = AreaPicture();
    RepaintWhole();
    EXPECT_EQ(partial, AreaPicture());
}

} // namespace
