// The chart in grid mode: the bands of the area follow the grid's row tops
// pixel for pixel (with and without a header row, scrolled, collapsed rows),
// the header row lines up after the paint that noticed it, the keys step over
// hidden and fixed rows, the grid's bar taken out into the chart scrolls the
// grid, the wheel over the area scrolls one row, the modes switch back and
// forth, and grid rows loaded on demand carry their items.
#include <gtest/gtest.h>

#include <QAbstractSlider>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <random>

#include "skedra/gantt/GantTestHooks_p.h"
#include "skedra/platform/Messages.h"
#include "tests/gantt/GantTestSupport.h"

using namespace skedra;
using namespace skedra::test;

namespace
{

using TNode = TqvDataEntity_GridTreeNode;

class GantGridMode : public GantFixture
{
protected:
    void SetUp() override
    {
        GantFixture::SetUp();
        gant->SetUseGridNotTree(true);
        Flush();
    }

    TqvGrid* Grid() const { return gant->GetGrid(); }
    TqvGridTree* GridTree() const { return Grid()->GetTree(); }
    TMoxGridCellForViewer* Root() const { return Grid()->GetRootCell(); }
    TNode* AddGridNode(TNode* parent = nullptr) { return GridTree()->AddDataEntity(parent); }
    TGantRow* RowOf(TNode* n) const { return gant->GetRowList()->FindRowFromGridNode(n); }
    TqvDataEntity_GantTime* AddTime(TNode* n, TDateTime start, TDateTime stop)
    {
        TqvDataEntity_GantTime* t = gant->GridNode_AddGantTime(n, 0);
        t->SetStartDateTime(start);
        t->SetStopDateTime(stop);
        return t;
    }
    void AddRows(int n)
    {
        for (int i = 0; i < n; ++i)
            nodes.push_back(AddGridNode());
    }
    // The grid paints (and lays out), then the area; deferred work runs between.
    void PaintBoth()
    {
        for (int i = 0; i < 2; ++i) {
            Grid()->Repaint();
            Flush();
            GA()->Repaint();
            Flush();
        }
    }
    QImage Surface() const { return GA()->GetWindowSurface()->Image(); }
    bool Shaded(const QImage& img, int x, int y) const
    {
        const QRgb back = ToQColor(gant->GetGantBackColor()).rgb();
        return img.pixel(x, y) != back || img.pixel(x + 1, y) != back;
    }
    int QuietColumn() const
    {
        const auto& major = Scaler()->MajorLinePixels;
        for (int x = 40; x < GA()->GetWidth(); ++x)
            if (std::find(major.begin(), major.end(), x) == major.end() &&
                std::find(major.begin(), major.end(), x + 1) == major.end())
                return x;
        return 40;
    }
    int TopRowIndex() const { return Root()->Top; }

    // Every placed grid row below the header: its band starts at the screen
    // height of the row and is as high, and the shading changes exactly there.
    void ExpectBandsOnGridRows(const char* aWhere)
    {
        SCOPED_TRACE(aWhere);
        PaintBoth();
        const QImage img = Surface();
        const int x = QuietColumn();
        const int fixed = Root()->GetFixedRows();
        int checked = 0;
        // Header rows count in the alternation (their bands lie beside the scaler).
        int shadedIndex = 0;
        for (TAxisContentItem* item : Root()->RowList->VisibleItems)
            shadedIndex += item->ListIndex() < fixed ? 1 : 0;
        for (TAxisContentItem* item : Root()->RowList->VisibleItems) {
            if (item->ListIndex() < fixed) continue;
            TNode* node = TqvGridTree::NodeOfRow(item);
            ASSERT_NE(node, nullptr);
            TGantRow* row = RowOf(node);
            ASSERT_NE(row, nullptr);
            const TRect band = row->GetRect();
            const int rowY = Grid()->mapToGlobal(QPoint(0, Root()->DrawRect.Top + item->Position)).y();
            const int bandY = GA()->mapToGlobal(QPoint(0, band.Top)).y();
            ASSERT_EQ(rowY, bandY) << "grid row " << item->ListIndex();
            ASSERT_EQ(band.Bottom - band.Top, item->Size);
            if (band.Top >= 0 && band.Top + 2 < img.height()) {
                // Every other placed row is shaded, the first placed row included.
                EXPECT_EQ(Shaded(img, x, band.Top + 1), shadedIndex % 2 == 0) << item->ListIndex();
                if (band.Top > 0) {
                    EXPECT_NE(Shaded(img, x, band.Top), Shaded(img, x, band.Top - 1)) << item->ListIndex();
                }
            }
            ++shadedIndex;
            ++checked;
        }
        EXPECT_GT(checked, 5);
        // The first row below the header stands level with the area's top.
        const int first = Root()->DrawRect.Top + gant->GridHeaderHeight();
        EXPECT_EQ(Grid()->mapToGlobal(QPoint(0, first)).y(), GA()->mapToGlobal(QPoint(0, 0)).y());
        gant->CheckInvariants();
    }

    std::vector<TNode*> nodes;
};

TEST_F(GantGridMode, TheGridIsBuiltAsTheChartNeedsIt)
{
    ASSERT_NE(Grid(), nullptr);
    EXPECT_EQ(gant->findChild<QWidget*>(QStringLiteral("Grid")), Grid());
    EXPECT_EQ(Grid()->parentWidget(), gant->GetTreePanel());
    EXPECT_TRUE(Grid()->GetVisible());
    EXPECT_FALSE(Tree()->GetVisible());
    EXPECT_FALSE(Grid()->GetHasHeaders());
    EXPECT_FALSE(Grid()->GetHasInfoCol());
    EXPECT_TRUE(Grid()->GetMultiSelect());
    EXPECT_TRUE(Grid()->GetExtendLastColumnToWidth());
    ASSERT_EQ(Grid()->GetColumns()->Count(), 1);
    EXPECT_TRUE(Grid()->GetColumns()->GetColumn(0)->GetTreeButton());
    EXPECT_TRUE(Grid()->GetUseTree());
    EXPECT_TRUE(gant->GetGridFocusRects());
    EXPECT_TRUE(gant->GetGridStopEditOnFocusChange());
    // A node of the grid's tree gets a row, and loses it again.
    TNode* n = AddGridNode();
    ASSERT_NE(RowOf(n), nullptr);
    EXPECT_EQ(RowOf(n)->GetGridNode(), n);
    GridTree()->RemoveDataEntity(n);
    EXPECT_EQ(gant->GetRowList()->Count(), 0);
}

TEST_F(GantGridMode, BandsFollowTheGridRowsWithAndWithoutHeaders)
{
    AddRows(60);
    // A parent with collapsed children: their rows are hidden and get no band.
    for (int i = 0; i < 3; ++i)
        AddGridNode(nodes[2]);
    for (TNode* n : nodes)
        AddTime(n, kChartDay + 0.25, kChartDay + 0.75);
    ExpectBandsOnGridRows("at the top");
    EXPECT_EQ(RowOf(nodes[0])->GetRect().Top, 0);

    nodes[2]->SetExpanded(true);
    ExpectBandsOnGridRows("a parent expanded");
    Grid()->SetTopLeftCell(Grid()->GetCell(0, 9));
    ExpectBandsOnGridRows("scrolled");
    EXPECT_EQ(RowOf(nodes[9 - 3])->GetRect().Top, 0); // three child rows above

    gant->SetGrid_HasHeaders(true);
    EXPECT_TRUE(Grid()->GetHasHeaders());
    ExpectBandsOnGridRows("with a header row");
    EXPECT_GT(gant->GridHeaderHeight(), 0);
    EXPECT_EQ(gant->GetTreeHeaderBox()->GetHeight(), gant->GetScalerHeight() - gant->GridHeaderHeight());
    gant->SetScalerHeight(70);
    ExpectBandsOnGridRows("with a header row, scaler 70 high");
    gant->SetGrid_HasHeaders(false);
    ExpectBandsOnGridRows("header row off");
    EXPECT_EQ(gant->GetTreeHeaderBox()->GetHeight(), 70);

    // A point in a band finds its row; the item there is hit as by a scan.
    Grid()->SetTopLeftCell(Grid()->GetCell(0, 0));
    PaintBoth();
    for (int y = 1; y < 200; y += 7) {
        const int x = Scaler()->DateToPixel(kChartDay + 0.5);
        EXPECT_EQ(gant->GetDataEntityFromXY(x, y), BruteForceHit(gant.get(), x, y)) << y;
    }
}

TEST_F(GantGridMode, AHeaderRowSwitchedOnInTheGridLinesUpAfterThePaint)
{
    AddRows(20);
    PaintBoth();
    const int box = gant->GetTreeHeaderBox()->GetHeight();
    // Switched on in the grid itself: the chart learns of it at its next paint
    // and lines the rows up once that paint is over, not inside it.
    Grid()->SetHasHeaders(true);
    Grid()->Repaint();
    const int paints = GA()->GetPaintCount();
    GA()->Repaint();
    EXPECT_EQ(GA()->GetPaintCount(), paints + 1);
    EXPECT_EQ(gant->GetTreeHeaderBox()->GetHeight(), box);
    Flush();
    EXPECT_EQ(gant->GetTreeHeaderBox()->GetHeight(), box - gant->GridHeaderHeight());
    ExpectBandsOnGridRows("after the deferred alignment");
}

// The links a paint looks at in grid mode draw exactly what every link draws:
// scrolled, with a header row, long links across the view and collapsed parents.
TEST_F(GantGridMode, LinksInViewDrawWhatEveryLinkDraws)
{
    std::mt19937 rng(7);
    std::vector<TqvDataEntity_GantTime*> items;
    std::vector<TNode*> parents;
    for (int p = 0; p < 50; ++p) {
        TNode* parent = AddGridNode();
        parents.push_back(parent);
        for (int c = 0; c < 3; ++c) {
            TNode* node = c == 0 ? parent : AddGridNode(parent);
            const double s = std::uniform_real_distribution<double>(-0.5, 2.0)(rng);
            items.push_back(AddTime(node, kChartDay + s, kChartDay + s + 0.2));
        }
        parent->SetExpanded(p % 4 != 1);
    }
    for (int i = 0; i < 300; ++i) {
        TqvDataEntity_Link* link = gant->AddLink();
        const size_t a = std::uniform_int_distribution<size_t>(0, items.size() - 1)(rng);
        const long span = i % 10 == 0 ? static_cast<long>(items.size()) : 10;
        const long b =
            std::clamp<long>(static_cast<long>(a) + std::uniform_int_distribution<long>(-span, span)(rng), 0,
                             static_cast<long>(items.size()) - 1);
        link->First = items[a];
        link->Second = items[static_cast<size_t>(b)];
        link->LinkStyle = i % 3 == 0 ? tlsMSProject : tlsDefault;
    }
    gant->SetGrid_HasHeaders(true);
    for (TLinkShow show : {lsOneEndVisible, lsAlways}) {
        gant->SetLinkShow(show);
        for (int top : {0, 11, 40, 77, 110}) {
            Grid()->SetTopLeftCell(Grid()->GetCell(0, Root()->GetFixedRows() + top));
            PaintBoth();
            const QImage fast = Surface().copy();
            std::vector<TqvDataEntity_Link*> inView;
            TGantTestHooks::LinksInView(gant.get(), inView);
            EXPECT_LT(inView.size(), 200u) << top;
            TGantTestHooks::SetLinkIndexEnabled(gant.get(), false);
            PaintBoth();
            const QImage slow = Surface().copy();
            TGantTestHooks::SetLinkIndexEnabled(gant.get(), true);
            EXPECT_EQ(fast, slow) << "top row " << top << " show " << show;
        }
    }
    // Rows appear above the view (a parent expanded): the index follows.
    parents[1]->SetExpanded(true);
    PaintBoth();
    const QImage fast = Surface().copy();
    TGantTestHooks::SetLinkIndexEnabled(gant.get(), false);
    PaintBoth();
    EXPECT_EQ(fast, Surface());
    TGantTestHooks::SetLinkIndexEnabled(gant.get(), true);
}

TEST_F(GantGridMode, UpAndDownStepOverHiddenAndHeaderRows)
{
    gant->SetGrid_HasHeaders(true);
    AddRows(3);
    TNode* child = AddGridNode(nodes[1]); // collapsed: its row is hidden
    std::vector<TqvDataEntity_GantTime*> items;
    for (TNode* n : nodes)
        items.push_back(AddTime(n, kChartDay + 0.25, kChartDay + 0.5));
    AddTime(child, kChartDay + 0.25, kChartDay + 0.5);
    PaintBoth();
    GA()->setFocus();
    gant->SetActiveDataEntity(items[0]);
    QTest::keyClick(GA(), Qt::Key_Down);
    EXPECT_EQ(gant->GetActiveDataEntity(), items[1]);
    EXPECT_EQ(Grid()->CellToNode(Root()->FocusedCell), nodes[1]);
    QTest::keyClick(GA(), Qt::Key_Down);
    EXPECT_EQ(gant->GetActiveDataEntity(), items[2]); // the hidden child is stepped over
    EXPECT_EQ(gant->GetActiveGantRow(), RowOf(nodes[2]));
    QTest::keyClick(GA(), Qt::Key_Up);
    QTest::keyClick(GA(), Qt::Key_Up);
    EXPECT_EQ(gant->GetActiveDataEntity(), items[0]);
    // Above the first row is only the header row: no neighbour.
    QTest::keyClick(GA(), Qt::Key_Up);
    EXPECT_EQ(gant->GetActiveDataEntity(), nullptr);
    // Without an active item the grid's focused row is the start.
    QTest::keyClick(GA(), Qt::Key_Down);
    EXPECT_EQ(gant->GetActiveDataEntity(), items[1]);
}

TEST_F(GantGridMode, TheBarTakenOutOfTheGridScrollsIt)
{
    AddRows(100);
    PaintBoth();
    EXPECT_FALSE(gant->GetScrollPanel()->GetVisible());
    gant->SetGridVerticalScrollOutOfGrid(true);
    PaintBoth();
    TScrollbar_qv* bar = Grid()->GetVertScrollBar();
    EXPECT_EQ(bar->parentWidget(), gant->GetScrollPanel());
    EXPECT_TRUE(gant->GetScrollPanel()->GetVisible());
    EXPECT_FALSE(gant->GetScrollBar()->GetVisible());
    // The bar starts level with the area's top.
    EXPECT_EQ(bar->mapToGlobal(QPoint(0, 0)).y(), GA()->mapToGlobal(QPoint(0, 0)).y());

    bar->Bar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    Flush();
    EXPECT_EQ(TopRowIndex(), 1);
    bar->Bar()->setSliderPosition(40);
    Flush();
    EXPECT_EQ(TopRowIndex(), 40);
    PaintBoth();
    EXPECT_EQ(RowOf(nodes[40])->GetRect().Top, 0);
    EXPECT_EQ(gant->GetRowList()->FindRowFromY(10), RowOf(nodes[40]));

    // Given back: the grid shows its bar itself again.
    gant->SetGridVerticalScrollOutOfGrid(false);
    PaintBoth();
    EXPECT_EQ(bar->parentWidget(), Grid());
    EXPECT_FALSE(gant->GetScrollPanel()->GetVisible());
    // Destroyed with the bar taken out: the grid still frees it.
    gant->SetGridVerticalScrollOutOfGrid(true);
    PaintBoth();
}

TEST_F(GantGridMode, TheWheelOverTheAreaScrollsOneGridRow)
{
    AddRows(100);
    PaintBoth();
    auto wheel = [&](int delta) {
        QWheelEvent e(QPointF(20, 20), GA()->mapToGlobal(QPointF(20, 20)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(GA(), &e);
        Flush();
    };
    wheel(-120);
    EXPECT_EQ(TopRowIndex(), 1);
    wheel(-120);
    wheel(-120);
    EXPECT_EQ(TopRowIndex(), 3);
    wheel(120);
    EXPECT_EQ(TopRowIndex(), 2);
    PaintBoth();
    EXPECT_EQ(RowOf(nodes[2])->GetRect().Top, 0);
    wheel(120);
    wheel(120);
    wheel(120);
    EXPECT_EQ(TopRowIndex(), 0);
}

TEST_F(GantGridMode, ModesSwitchBackAndForthWithTheirOwnRows)
{
    AddRows(30);
    std::vector<TqvDataEntity_Tree*> treeNodes;
    for (int i = 0; i < 10; ++i)
        treeNodes.push_back(gant->AddDataEntityTree(nullptr));
    ExpectBandsOnGridRows("grid mode");
    EXPECT_EQ(gant->GetGantRow(treeNodes[0])->GetRect(), TRect(-1, -1, -1, -1));
    gant->SetUseGridNotTree(false);
    EXPECT_FALSE(Grid()->GetVisible());
    EXPECT_TRUE(Tree()->GetVisible());
    Tree()->Viewport()->repaint();
    GA()->Repaint();
    Flush();
    EXPECT_EQ(gant->GetGantRow(treeNodes[0])->GetRect().Top, 0);
    EXPECT_EQ(RowOf(nodes[0])->GetRect(), TRect(-1, -1, -1, -1));
    gant->SetUseGridNotTree(true);
    ExpectBandsOnGridRows("grid mode again");
}

TEST_F(GantGridMode, RowsLoadedOnDemandCarryTheirItemsAndGoAgain)
{
    int loads = 0;
    gant->SetOnVirtualLoad_Grid([&](TMoxGridCell*, TAxisContentItem* item, bool rowNotColumn) {
        if (!rowNotColumn) return;
        TNode* node = TqvGridTree::NodeOfRow(item);
        ASSERT_NE(node, nullptr);
        ++loads;
        const int r = node->ListIndex();
        AddTime(node, kChartDay + (r % 4) * 0.25, kChartDay + (r % 4) * 0.25 + 0.2);
    });
    // Rows out of view may go (the grid keeps them unless told so).
    gant->SetOnVirtualUnLoad_Grid(
        [](TMoxGridCell*, TAxisContentItem*, bool, bool, bool& canUnload) { canUnload = true; });
    GridTree()->GetRootDataList()->AddUnloaded(100000);
    PaintBoth();
    const int inView = Root()->RowList->VisibleCount();
    EXPECT_GT(loads, 5);
    // Only rows near the view exist.
    EXPECT_LT(gant->GetRowList()->Count(), 1200);
    EXPECT_EQ(gant->GetRowList()->Count(), Root()->RowList->LoadedCount());
    TNode* first = TqvGridTree::NodeOfRow(Root()->RowList->VisibleItems.front());
    ASSERT_NE(RowOf(first), nullptr);
    EXPECT_EQ(RowOf(first)->TimeItemCount(), 1);

    // Far down: the rows there are loaded with their items, the first ones are gone.
    Grid()->GetVertScrollBar()->Bar()->setSliderPosition(90000);
    Flush();
    PaintBoth();
    EXPECT_LT(gant->GetRowList()->Count(), 1200);
    TAxisContentItem* top = Root()->RowList->VisibleItems.front();
    EXPECT_GE(top->ListIndex(), 89000);
    TNode* node = TqvGridTree::NodeOfRow(top);
    ASSERT_NE(node, nullptr);
    TGantRow* row = RowOf(node);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->GetRect().Top, 0);
    const int r = node->ListIndex();
    auto* item = static_cast<TqvDataEntity_GantTime*>(row->GetDataLists()->GetDataList(0)->GetItems(0));
    EXPECT_DOUBLE_EQ(item->GetStartDateTime(), kChartDay + (r % 4) * 0.25);
    // The item is drawn where its times say.
    TRect rect;
    ASSERT_TRUE(gant->RectFromDataEntity(item, rect));
    EXPECT_EQ(gant->GetDataEntityFromXY((rect.Left + rect.Right) / 2, (rect.Top + rect.Bottom) / 2), item);
    EXPECT_GT(Root()->RowList->VisibleCount(), inView / 2);
}

// A row's items go with it when it unloads; a handler told of their deletion
// adds a task above the rows being unloaded. The rows stay whole: each loaded
// grid row has its task and chart row, and nothing reports a failure.
TEST_F(GantGridMode, AHandlerAddingATaskWhileRowsUnloadLeavesEveryRowWhole)
{
    ClearShownMessages();
    gant->SetOnVirtualLoad_Grid([&](TMoxGridCell*, TAxisContentItem* item, bool rowNotColumn) {
        if (TNode* node = rowNotColumn ? TqvGridTree::NodeOfRow(item) : nullptr)
            AddTime(node, kChartDay, kChartDay + 0.5);
    });
    gant->SetOnVirtualUnLoad_Grid(
        [](TMoxGridCell*, TAxisContentItem*, bool, bool, bool& canUnload) { canUnload = true; });
    GridTree()->GetRootDataList()->AddUnloaded(3000);
    PaintBoth();
    int added = 0;
    gant->OnDeleteItem_GantTime = [&](TObject*, TqvDataEntity*) {
        if (added < 3) {
            ++added;
            GridTree()->InsertDataEntity(nullptr, 0);
        }
    };
    Grid()->GetVertScrollBar()->Bar()->setSliderPosition(1500);
    Flush();
    PaintBoth();
    gant->OnDeleteItem_GantTime = nullptr;
    EXPECT_EQ(added, 3);
    QString why;
    EXPECT_TRUE(Grid()->CheckInvariants(&why)) << why.toStdString();
    EXPECT_TRUE(GridTree()->CheckInvariants(&why)) << why.toStdString();
    gant->CheckInvariants();
    TAxisContentList* rows = Root()->RowList.get();
    for (int p = rows->FixedCount; p < rows->LoadedCount(); ++p) {
        TNode* node = TqvGridTree::NodeOfRow(rows->getLoadedAxisContentItem(p));
        ASSERT_NE(node, nullptr) << "loaded row " << p;
        EXPECT_EQ(node->Row, rows->getLoadedAxisContentItem(p));
        EXPECT_NE(RowOf(node), nullptr) << "loaded row " << p;
    }
    EXPECT_GE(rows->VisibleItems.front()->ListIndex(), 1000);
    EXPECT_TRUE(ShownMessages().isEmpty()) << ShownMessages().join("\n").toStdString();
}

// A chart built hidden (a page not yet shown) knows its header row's height
// before any layout: the first picture of it is already the settled one.
TEST(GantGridModeHidden, AChartBuiltHiddenIsAlignedAtItsFirstPaint)
{
    ClearShownMessages();
    auto gant = std::make_unique<TqvGant>();
    gant->SetBounds(0, 0, 700, 400);
    gant->SetUseGridNotTree(true);
    TqvGrid* grid = gant->GetGrid();
    grid->GetColumns()->GetColumn(0)->SetHeaderText(QStringLiteral("Task"));
    gant->SetGrid_HasHeaders(true);
    for (int i = 0; i < 20; ++i) {
        TNode* n = grid->GetTree()->AddDataEntity(nullptr);
        grid->SetText(grid->GetCell(grid->GetRootCell()->GetFixedCols(), n->Row->ListIndex()),
                      QStringLiteral("Task %1").arg(i));
        TqvDataEntity_GantTime* t = gant->GridNode_AddGantTime(n, 0);
        t->SetStartDateTime(gant->GetDateScaler()->GetStart() + 0.5);
        t->SetStopDateTime(gant->GetDateScaler()->GetStart() + 2);
    }
    const int header = gant->GridHeaderHeight();
    EXPECT_GT(header, 10) << "measured without a layout";
    EXPECT_EQ(gant->GetTreeHeaderBox()->GetHeight(), gant->GetScalerHeight() - header);
    // The first grab paints the grid (its first layout) and the area in one go.
    const QImage first = gant->grab().toImage();
    EXPECT_EQ(grid->GetRowHeight(0), header);
    const int rowTop = grid->GetRootCell()->DrawRect.Top + header;
    EXPECT_EQ(grid->mapTo(gant.get(), QPoint(0, rowTop)).y(),
              gant->GetGA()->mapTo(gant.get(), QPoint(0, 0)).y());
    Flush();
    const QImage settled = gant->grab().toImage();
    // The area's bands and the grid's row texts stand where they stay.
    const QRect area(gant->GetGA()->mapTo(gant.get(), QPoint(0, 0)), gant->GetGA()->size());
    EXPECT_EQ(first.copy(area), settled.copy(area)) << "the bands moved after the first paint";
    const QRect texts(grid->mapTo(gant.get(), QPoint(0, 0)), QSize(50, grid->height()));
    EXPECT_EQ(first.copy(texts), settled.copy(texts)) << "the grid rows moved after the first paint";
    gant->CheckInvariants();
    gant.reset();
    Flush();
    EXPECT_TRUE(ShownMessages().isEmpty()) << ShownMessages().join("\n").toStdString();
}

} // namespace
