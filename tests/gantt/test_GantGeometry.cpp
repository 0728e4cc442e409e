// Geometry of the Gantt chart: row bands on the tree's rows, item rectangles
// (widths, insets, sub-columns, printing), and the hit test compared with a
// brute-force scan at many points and scroll positions.
#include <gtest/gtest.h>

#include <QImage>

#include <random>

#include "tests/gantt/GantTestSupport.h"

using namespace skedra;
using namespace skedra::test;

namespace
{

class GantGeometry : public GantFixture
{
protected:
    TRect RectOf(const TqvDataEntity_GantTime* t)
    {
        TRect r;
        gant->RectFromDataEntity(t, r);
        return r;
    }
    QRgb PixelAt(int x, int y) const { return GA()->GetWindowSurface()->Image().pixel(x, y); }
};

TEST_F(GantGeometry, BandsFollowTheTreeRows)
{
    std::vector<TqvDataEntity_Tree*> nodes;
    for (int i = 0; i < 5; ++i)
        nodes.push_back(AddNode());
    const int W = GA()->GetWidth();
    for (int i = 0; i < 5; ++i) {
        const TRect band = gant->GetGantRow(nodes[i])->GetRect();
        EXPECT_EQ(band, TRect(0, 20 * i, W, 20 * i + 20)) << i;
    }
    TGantRowList* rows = gant->GetRowList();
    EXPECT_EQ(rows->FindRowFromY(21), gant->GetGantRow(nodes[1]));
    EXPECT_EQ(rows->FindRowFromY(39), gant->GetGantRow(nodes[1]));
    // A point on an edge belongs to no row.
    EXPECT_EQ(rows->FindRowFromY(20), nullptr);
    EXPECT_EQ(rows->FindRowFromY(0), nullptr);
    EXPECT_EQ(rows->FindRowFromY(-5), nullptr);
    EXPECT_EQ(rows->FindRowFromY(105), nullptr);
    EXPECT_EQ(gant->GetLastRowHeight(), 20);
}

TEST_F(GantGeometry, CollapsedAndHiddenNodesHaveNoBand)
{
    TqvDataEntity_Tree* parent = AddNode();
    TqvDataEntity_Tree* child = AddNode(parent);
    TqvDataEntity_Tree* after = AddNode();
    TqvDataEntity_GantTime* t = AddTime(child, 0, At(50), At(200));
    parent->SetExpanded(true);
    Paint();
    EXPECT_EQ(gant->GetGantRow(child)->GetRect().Top, 20);
    EXPECT_EQ(gant->GetDataEntityFromXY(60, 30), t);

    parent->SetExpanded(false);
    Paint();
    // Under a collapsed parent: no band, never a band at the top edge.
    EXPECT_EQ(gant->GetGantRow(child)->GetRect(), TRect(-1, -1, -1, -1));
    TRect r;
    EXPECT_FALSE(gant->RectFromDataEntity(t, r));
    EXPECT_EQ(r, TRect(-1, -1, -1, -1));
    EXPECT_EQ(gant->GetDataEntityFromXY(60, 10), nullptr);
    EXPECT_EQ(gant->GetRowList()->FindRowFromY(30), gant->GetGantRow(after));

    after->Set_HideNode(true);
    Paint();
    EXPECT_EQ(gant->GetGantRow(after)->GetRect().Top, -1);
}

TEST_F(GantGeometry, ItemWidthsInsetsAndMinimum)
{
    TqvDataEntity_Tree* n = AddNode();
    AddNode();
    TqvDataEntity_Tree* third = AddNode();
    TqvDataEntity_GantTime* span = AddTime(third, 0, At(100), At(300));
    EXPECT_EQ(RectOf(span), TRect(100, 41, 300, 59));

    TqvDataEntity_GantTime* marker = AddTime(n, 0, At(100), At(400));
    marker->FixedWidth = 7;
    EXPECT_FALSE(marker->IsResizable());
    EXPECT_EQ(RectOf(marker), TRect(97, 1, 104, 19));

    // Start equal to stop: 5 pixels wide, and found there.
    TqvDataEntity_GantTime* instant = AddTime(n, 1, At(600), At(600));
    EXPECT_EQ(RectOf(instant), TRect(600, 1, 605, 19));
    EXPECT_EQ(gant->GetDataEntityFromXY(604, 10), instant);
    EXPECT_EQ(gant->GetDataEntityFromXY(605, 10), nullptr);

    span->TopInset = 3;
    span->BottomInset = 4;
    EXPECT_EQ(RectOf(span), TRect(100, 44, 300, 55));
    // Insets larger than the band: zero height at y1 + TopInset, never negative.
    span->TopInset = 30;
    span->BottomInset = 30;
    EXPECT_EQ(RectOf(span), TRect(100, 71, 300, 71));
    EXPECT_EQ(gant->GetDataEntityFromXY(150, 50), nullptr);

    // An invisible item has no rectangle.
    marker->SetVisible(false);
    TRect r;
    EXPECT_FALSE(gant->RectFromDataEntity(marker, r));
}

TEST_F(GantGeometry, SubColumnsDivideTheBand)
{
    Tree()->SetItemHeight(31);
    TqvDataEntity_Tree* n = AddNode();
    TGantRow* row = gant->GetGantRow(n);
    TqvDataEntity_GantTime* a = AddTime(n, 0, At(10), At(50));
    TqvDataEntity_GantTime* b = AddTime(n, 1, At(10), At(50));
    TqvDataEntity_GantTime* deep = AddTime(n, 11, At(10), At(50));

    // Detection off: layers go to the strips of LayerSubCol (band 0..31: y1 1, y2 30, h 9).
    row->SetUseSubCols(3);
    row->DataListOnSubCol(1, 2);
    EXPECT_EQ(RectOf(a).Top, 1);
    EXPECT_EQ(RectOf(a).Bottom, 10);
    EXPECT_EQ(RectOf(b).Top, 19);
    EXPECT_EQ(RectOf(b).Bottom, 28);
    // Layers beyond the table use strip 0; assigning them is ignored.
    row->DataListOnSubCol(11, 2);
    row->DataListOnSubCol(-1, 2);
    EXPECT_EQ(row->GetLayerSubCol(11), 0);
    EXPECT_EQ(RectOf(deep).Top, 1);
    // A strip beyond UseSubCols is clamped to the last one, never the next row's band.
    row->DataListOnSubCol(0, 7);
    EXPECT_EQ(RectOf(a).Top, 19);
    row->SetUseSubCols(1);
    EXPECT_EQ(RectOf(a), TRect(10, 1, 50, 30));
    row->SetUseSubCols(3);

    // Detection on: SubCol decides; 0 keeps the whole band.
    row->SetCollisionDetection(true);
    row->SetUseSubCols(3);
    a->SetSubCol(0);
    EXPECT_EQ(RectOf(a), TRect(10, 1, 50, 30));
    a->SetSubCol(2);
    EXPECT_EQ(RectOf(a).Top, 10);
    a->SetSubCol(9);
    EXPECT_EQ(RectOf(a).Top, 19);
    a->SetSubCol(-1);
    EXPECT_EQ(RectOf(a).Top, 1);
    row->SetCollisionDetection(false);
}

TEST_F(GantGeometry, PrintScalesPositionsBandsAndInsets)
{
    AddNode();
    TqvDataEntity_Tree* n = AddNode();
    TqvDataEntity_GantTime* t = AddTime(n, 0, At(100), At(201));
    t->TopInset = 2;
    t->BottomInset = 3;
    EXPECT_EQ(RectOf(t), TRect(100, 23, 201, 36));
    GA()->InternalSetPrintScalex(2.0);
    GA()->InternalSetPrintScaley(1.5);
    GA()->BeginPrint();
    // x: round(2 * x); y: round(1.5 * y) for y1 21 and y2 39; insets round(1.5 * inset).
    EXPECT_EQ(RectOf(t), TRect(200, 32 + 3, 402, 58 - 4));
    gant->SetPrintPageOffset(20);
    EXPECT_EQ(RectOf(t), TRect(200, 2 + 3, 402, 28 - 4));
    gant->SetPrintPageOffset(0);
    GA()->EndPrint();
    GA()->InternalSetPrintScalex(0);
    GA()->InternalSetPrintScaley(0);
}

TEST_F(GantGeometry, TopmostLayerAndDrawLayerStartDecideTheHit)
{
    TqvDataEntity_Tree* n = AddNode();
    TqvDataEntity_GantTime* low = AddTime(n, 0, At(100), At(300));
    TqvDataEntity_GantTime* high = AddTime(n, 2, At(200), At(400));
    TqvDataEntity_GantTime* later = AddTime(n, 0, At(150), At(250));
    EXPECT_EQ(gant->GetDataEntityFromXY(250, 10), high);
    EXPECT_EQ(gant->GetDataEntityFromXY(160, 10), later);
    EXPECT_EQ(gant->GetDataEntityFromXY(120, 10), low);
    gant->GetGantRow(n)->SetDrawLayerStart(1);
    EXPECT_EQ(gant->GetDataEntityFromXY(120, 10), nullptr);
    EXPECT_EQ(gant->GetGantRow(n)->FindDataEntityFromX(250), high);
}

TEST_F(GantGeometry, AreaPaintedBeforeTheTreeUsesCurrentRows)
{
    // Nodes added and the area painted at once: the tree has not painted yet.
    AddNode();
    TqvDataEntity_Tree* second = AddNode();
    TqvDataEntity_GantTime* t = AddTime(second, 0, At(100), At(200));
    t->SetColor(0x0000FF); // red
    ASSERT_TRUE(Tree()->IsDisplayDirty());
    const int paints = GA()->GetPaintCount();
    GA()->Repaint();
    EXPECT_EQ(GA()->GetPaintCount(), paints + 1);
    EXPECT_EQ(PixelAt(150, 30), qRgb(255, 0, 0));
    EXPECT_EQ(PixelAt(150, 10), qRgb(192, 192, 192));
    EXPECT_EQ(PixelAt(100, 30), qRgb(0, 0, 0)); // the frame
}

TEST_F(GantGeometry, HitTestEqualsBruteForceAtRandomPoints)
{
    std::mt19937 rng(1234);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    std::vector<TqvDataEntity_Tree*> roots;
    for (int i = 0; i < 120; ++i) {
        TqvDataEntity_Tree* r = AddNode();
        roots.push_back(r);
        for (int c = pick(0, 2); c > 0; --c)
            AddNode(r);
    }
    const int W = GA()->GetWidth();
    for (TGantRow* row : gant->GetRowList()->GetRows()) {
        for (int k = pick(0, 6); k > 0; --k) {
            const int x = pick(-60, W + 20);
            TqvDataEntity_GantTime* t = AddTime(row->GetTreeNode(), pick(0, 2), At(x), At(x + pick(-2, 150)));
            if (pick(0, 5) == 0) t->FixedWidth = pick(1, 12);
            t->TopInset = pick(0, 4);
            t->BottomInset = pick(0, 4);
            t->SetSubCol(pick(0, 3));
        }
        if (pick(0, 4) == 0) row->SetDrawLayerStart(1);
        if (pick(0, 3) == 0) {
            row->SetUseSubCols(pick(2, 3));
            row->DataListOnSubCol(1, 1);
            row->DataListOnSubCol(2, 4);
        }
    }
    for (size_t i = 0; i < roots.size(); i += 3)
        roots[i]->SetExpanded(true);
    Paint();
    int found = 0;
    std::vector<TGantRow*> fast, slow;
    for (int place : {0, 7, 60, 133}) {
        Tree()->SetTopItem(Tree()->GetDataEntityFromRow(place));
        Paint();
        gant->CollectRowsInView(fast);
        gant->CollectRowsInViewByScan(slow);
        EXPECT_EQ(fast, slow) << "scrolled to " << place;
        EXPECT_FALSE(fast.empty());
        for (int i = 0; i < 2500; ++i) {
            const int x = pick(-10, W + 10);
            const int y = pick(-10, GA()->GetHeight() + 10);
            TqvDataEntity_GantTime* expected = BruteForceHit(gant.get(), x, y);
            ASSERT_EQ(gant->GetDataEntityFromXY(x, y), expected) << x << "," << y << " at " << place;
            ASSERT_EQ(gant->GetRowList()->FindRowFromY(y), gant->GetRowList()->FindRowFromYByScan(y));
            found += expected != nullptr;
        }
    }
    // The points land on items often enough to mean something.
    EXPECT_GT(found, 500);
}

} // namespace
