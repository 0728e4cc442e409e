// Sub-columns of Gantt rows: the placement applied to the items and bands,
// OnCollisionDetected, the cap on computations with pausing and resuming,
// switching detection off, many rows at once, and destruction while workers run.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include "skedra/foundation/DoLater.h"
#include "skedra/gantt/TimeDistinctThread.h"
#include "tests/gantt/GantTestSupport.h"

using namespace skedra;
using namespace skedra::test;

namespace
{

bool Busy(TqvGant_ComBasic* g)
{
    // A worker counts until it is gone: its end may still resume paused rows.
    if (TDoLater::PendingCount() > 0 || TTimeDistinctGenericThread::ThreadCount() > 0 ||
        g->GetSomeRowPaused())
        return true;
    for (TGantRow* row : g->GetRowList()->GetRows())
        if (row->GetThread() != nullptr) return true;
    return false;
}

// Runs the event loop until no computation is queued or running.
void WaitForSubColumns(TqvGant_ComBasic* g, int aTimeoutMs = 60000)
{
    QElapsedTimer clock;
    clock.start();
    while (Busy(g) && clock.elapsed() < aTimeoutMs)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    ASSERT_FALSE(Busy(g)) << "sub-columns still computing";
}

class GantSubColumns : public GantFixture
{
protected:
    TRect RectOf(const TqvDataEntity_GantTime* t)
    {
        TRect r;
        gant->RectFromDataEntity(t, r);
        return r;
    }
};

TEST_F(GantSubColumns, TwoOverlappingItemsHalveTheBand)
{
    TqvDataEntity_Tree* n = AddNode();
    TGantRow* row = gant->GetGantRow(n);
    TqvDataEntity_GantTime* first = AddTime(n, 0, kChartDay + 8 * kHour, kChartDay + 10 * kHour);
    TqvDataEntity_GantTime* second = AddTime(n, 0, kChartDay + 9 * kHour, kChartDay + 11 * kHour);
    TqvDataEntity_GantTime* alone = AddTime(n, 0, kChartDay + 12 * kHour, kChartDay + 13 * kHour);
    TqvDataEntity_GantTime* otherLayer = AddTime(n, 1, kChartDay + 8 * kHour, kChartDay + 11 * kHour);
    row->SetCollisionDetection(true);
    WaitForSubColumns(gant.get());
    EXPECT_EQ(row->GetUseSubCols(), 2);
    EXPECT_EQ(second->GetSubCol(), 1);
    EXPECT_EQ(first->GetSubCol(), 2);
    EXPECT_EQ(alone->GetSubCol(), 0);
    EXPECT_EQ(otherLayer->GetSubCol(), 0);
    // Band 0..20: y1 1, y2 19, strips of 9.
    EXPECT_EQ(RectOf(second).Top, 1);
    EXPECT_EQ(RectOf(second).Bottom, 10);
    EXPECT_EQ(RectOf(first).Top, 10);
    EXPECT_EQ(RectOf(first).Bottom, 19);
    EXPECT_EQ(RectOf(alone).Bottom, 19);

    // All layers conflict when asked to.
    row->CollisionAllLayers = true;
    row->UpdateSubColumns();
    WaitForSubColumns(gant.get());
    EXPECT_EQ(row->GetUseSubCols(), 3);
    EXPECT_NE(otherLayer->GetSubCol(), 0);

    // A change of an item requests a new placement.
    row->CollisionAllLayers = false;
    second->SetStartDateTime(kChartDay + 10 * kHour);
    second->DoInfoPush();
    WaitForSubColumns(gant.get());
    EXPECT_EQ(row->GetUseSubCols(), 0);
    EXPECT_EQ(first->GetSubCol(), 0);
}

TEST_F(GantSubColumns, HandlerCanOverrideTheSubColumn)
{
    TqvDataEntity_Tree* n = AddNode();
    TGantRow* row = gant->GetGantRow(n);
    TqvDataEntity_GantTime* a = AddTime(n, 0, kChartDay + 8 * kHour, kChartDay + 10 * kHour);
    TqvDataEntity_GantTime* b = AddTime(n, 0, kChartDay + 9 * kHour, kChartDay + 11 * kHour);
    QStringList log;
    gant->OnCollisionDetected = [&](TqvGant_ComBasic* g, TqvDataEntity_GantTime* t, int pos) {
        log << QString("%1:%2:%3").arg(t == a ? "a" : "b").arg(pos).arg(t->GetSubCol());
        EXPECT_EQ(g, gant.get());
        if (t == a) t->SetSubCol(3);
    };
    row->SetCollisionDetection(true);
    WaitForSubColumns(gant.get());
    // Told in item order, with -1 in the item while the handler runs.
    EXPECT_EQ(log.join(","), "a:2:-1,b:1:-1");
    EXPECT_EQ(a->GetSubCol(), 3);
    EXPECT_EQ(b->GetSubCol(), 1);
    EXPECT_EQ(row->GetUseSubCols(), 3);
    // An unchanged result tells nothing.
    log.clear();
    row->UpdateSubColumns();
    WaitForSubColumns(gant.get());
    EXPECT_EQ(log.join(","), "a:2:-1");
}

TEST_F(GantSubColumns, HandlerMayDeleteItemsWhileTheResultIsApplied)
{
    TqvDataEntity_Tree* n = AddNode();
    TGantRow* row = gant->GetGantRow(n);
    TqvDataEntity_GantTime* a = AddTime(n, 0, kChartDay + 8 * kHour, kChartDay + 10 * kHour);
    TqvDataEntity_GantTime* b = AddTime(n, 0, kChartDay + 9 * kHour, kChartDay + 11 * kHour);
    TqvDataEntity_GantTime* c = AddTime(n, 0, kChartDay + 9 * kHour, kChartDay + 12 * kHour);
    QStringList log;
    gant->OnCollisionDetected = [&](TqvGant_ComBasic*, TqvDataEntity_GantTime* t, int pos) {
        log << QString("%1:%2").arg(t == a ? "a" : "other").arg(pos);
        if (t == a && b != nullptr) {
            // Items the result still lists go.
            gant->RemoveGantTime(std::exchange(b, nullptr));
            gant->RemoveGantTime(std::exchange(c, nullptr));
        }
    };
    row->SetCollisionDetection(true);
    WaitForSubColumns(gant.get());
    // The deleted items were skipped; the placement after the deletion leaves a alone.
    EXPECT_EQ(log.join(","), "a:3,a:0");
    EXPECT_EQ(row->TimeItemCount(), 1);
    EXPECT_EQ(a->GetSubCol(), 0);
    EXPECT_EQ(row->GetUseSubCols(), 0);
}

TEST_F(GantSubColumns, HandlerMayDeleteTheRow)
{
    TqvDataEntity_Tree* n = AddNode();
    TGantRow* row = gant->GetGantRow(n);
    AddTime(n, 0, kChartDay + 8 * kHour, kChartDay + 10 * kHour);
    AddTime(n, 0, kChartDay + 9 * kHour, kChartDay + 11 * kHour);
    int calls = 0;
    gant->OnCollisionDetected = [&](TqvGant_ComBasic*, TqvDataEntity_GantTime*, int) {
        ++calls;
        Tree()->RemoveDataEntity(n);
    };
    row->SetCollisionDetection(true);
    WaitForSubColumns(gant.get());
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(gant->GetRowList()->Count(), 0);
    Paint();
}

TEST_F(GantSubColumns, SwitchingOffCancelsQueuedAndRunningWork)
{
    TqvDataEntity_Tree* n = AddNode();
    TGantRow* row = gant->GetGantRow(n);
    // Many overlapping items: a computation that takes a while.
    for (int i = 0; i < 2500; ++i)
        AddTime(n, 0, kChartDay + i * 1e-5, kChartDay + 0.5 + i * 1e-5);
    TqvDataEntity_GantTime* probe = AddTime(n, 0, kChartDay + 8 * kHour, kChartDay + 10 * kHour);

    row->SetCollisionDetection(true);
    row->SetCollisionDetection(false); // while queued
    TDoLater::DoAllNow();
    EXPECT_EQ(row->GetThread(), nullptr);

    row->SetCollisionDetection(true);
    TDoLater::DoAllNow(); // the worker starts
    ASSERT_NE(row->GetThread(), nullptr);
    row->SetCollisionDetection(false); // while running
    EXPECT_EQ(row->GetThread(), nullptr);
    WaitForSubColumns(gant.get());
    EXPECT_EQ(row->GetUseSubCols(), 0);
    EXPECT_EQ(probe->GetSubCol(), 0);
    // Without detection a request does nothing.
    row->UpdateSubColumnsAsync(nullptr);
    EXPECT_EQ(row->GetThread(), nullptr);
}

TEST_F(GantSubColumns, CapPausesRowsAndTheCountFallingResumesEveryChart)
{
    TqvDataEntity_Tree* n = AddNode();
    TGantRow* row = gant->GetGantRow(n);
    AddTime(n, 0, kChartDay + 8 * kHour, kChartDay + 10 * kHour);
    AddTime(n, 0, kChartDay + 9 * kHour, kChartDay + 11 * kHour);
    TqvGant other;
    other.GetDateScaler()->SetStart(kChartDay);
    TqvDataEntity_Tree* m = other.AddDataEntityTree(nullptr);
    other.AddGantTime(m, 0)->SetStopDateTime(kChartDay + 1);
    other.AddGantTime(m, 0)->SetStopDateTime(kChartDay + 1);
    TGantRow* otherRow = other.GetGantRow(m);

    // Computations that hold the cap (suspended workers count as alive).
    std::vector<TTimeDistinctGenericThread*> held;
    while (TTimeDistinctGenericThread::ThreadCount() < TTimeDistinctGenericThread::MaxThreads())
        held.push_back(new TTimeDistinctGenericThread());
    row->SetCollisionDetection(true);
    otherRow->SetCollisionDetection(true);
    TDoLater::DoAllNow();
    EXPECT_TRUE(row->GetCollisionDetectionPaused());
    EXPECT_FALSE(row->GetCollisionDetection());
    EXPECT_TRUE(gant->GetSomeRowPaused());
    EXPECT_TRUE(other.GetSomeRowPaused());
    gant->CheckInvariants();
    other.CheckInvariants();

    // Down to 5 alive: still paused.
    while (TTimeDistinctGenericThread::ThreadCount() > 5) {
        TTimeDistinctGenericThread* t = held.back();
        held.pop_back();
        TTimeDistinctGenericThread::FreeAndCleanUp(t);
    }
    TDoLater::DoAllNow();
    EXPECT_TRUE(row->GetCollisionDetectionPaused());
    // Below 5: every chart's paused rows resume, and compute.
    TTimeDistinctGenericThread::FreeAndCleanUp(held.back());
    held.pop_back();
    TDoLater::DoAllNow();
    EXPECT_FALSE(row->GetCollisionDetectionPaused());
    EXPECT_FALSE(otherRow->GetCollisionDetectionPaused());
    for (TTimeDistinctGenericThread* t : held)
        TTimeDistinctGenericThread::FreeAndCleanUp(t);
    held.clear();
    WaitForSubColumns(gant.get());
    WaitForSubColumns(&other);
    EXPECT_FALSE(row->GetCollisionDetectionPaused());
    EXPECT_TRUE(row->GetCollisionDetection());
    EXPECT_EQ(row->GetUseSubCols(), 2);
    EXPECT_EQ(otherRow->GetUseSubCols(), 2);
    EXPECT_FALSE(gant->GetSomeRowPaused());
    EXPECT_FALSE(other.GetSomeRowPaused());
}

TEST_F(GantSubColumns, FiveThousandRowsAtOnceKeepTheLoopResponsive)
{
    const int rows = 5000;
    for (int i = 0; i < rows; ++i) {
        TqvDataEntity_Tree* n = AddNode();
        AddTime(n, 0, kChartDay + 8 * kHour, kChartDay + 10 * kHour);
        AddTime(n, 0, kChartDay + 9 * kHour, kChartDay + 11 * kHour);
        AddTime(n, 1, kChartDay + 12 * kHour, kChartDay + 13 * kHour);
    }
    Paint();
    // A timer that fires whenever the loop is free records the longest gap.
    QElapsedTimer clock;
    qint64 last = 0, longest = 0;
    QTimer ticker;
    ticker.setInterval(0);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    clock.start();
    ticker.start();
    for (TGantRow* row : gant->GetRowList()->GetRows())
        row->SetCollisionDetection(true);
    last = clock.nsecsElapsed();
    WaitForSubColumns(gant.get(), 300000);
    ticker.stop();
    const double total = clock.nsecsElapsed() / 1e6;
    std::printf("[ measured ] 5000 rows: %.0f ms in all, longest gap between events %.1f ms\n", total,
                longest / 1e6);
    RecordProperty("longest_gap_ms", static_cast<int>(longest / 1000000));
    int paused = 0, wrong = 0;
    for (TGantRow* row : gant->GetRowList()->GetRows()) {
        paused += row->GetCollisionDetectionPaused() || !row->GetCollisionDetection();
        wrong += row->GetUseSubCols() != 2;
    }
    EXPECT_EQ(paused, 0);
    EXPECT_EQ(wrong, 0);
    EXPECT_FALSE(gant->GetSomeRowPaused());
}

TEST_F(GantSubColumns, DestroyingTheChartWhileWorkersRunIsClean)
{
    for (int r = 0; r < 60; ++r) {
        TqvDataEntity_Tree* n = AddNode();
        for (int i = 0; i < 300; ++i)
            AddTime(n, 0, kChartDay + i * 1e-4, kChartDay + 0.5 + i * 1e-4);
        gant->GetGantRow(n)->SetCollisionDetection(true);
    }
    TDoLater::DoAllNow(); // 50 start, the rest pause
    EXPECT_GT(TTimeDistinctGenericThread::ThreadCount(), 0);
    gant.reset();
    QElapsedTimer clock;
    clock.start();
    while (TTimeDistinctGenericThread::ThreadCount() > 0 && clock.elapsed() < 60000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_EQ(TTimeDistinctGenericThread::ThreadCount(), 0);
    TDoLater::DoAllNow();
}

// A chart in grid mode whose grid rows are recorded, not drawn.
class GridRecordingGant : public TqvGant
{
public:
    std::vector<std::pair<TqvDataEntity_GridTreeNode*, int>> Heights;

protected:
    void SetGridNodeRowHeight(TqvDataEntity_GridTreeNode* aNode, int aHeight) override
    {
        Heights.emplace_back(aNode, aHeight);
    }
};

TEST(GantSubColumnsGrid, GrowingGridRowsKeepsAtLeastOneSubColumn)
{
    GridRecordingGant g;
    TqvGridTree grid;
    grid.IntegrationEvents = MakeMethod<&TqvGant_ComBasic::GridTreeIntegrationEvents>(&g);
    g.SetUseGridNotTree(true);
    TqvDataEntity_GridTreeNode* lonely = grid.AddDataEntity(nullptr);
    TqvDataEntity_GridTreeNode* crowded = grid.AddDataEntity(nullptr);
    ASSERT_NE(g.GetRowList()->FindRowFromGridNode(lonely), nullptr);
    EXPECT_EQ(lonely->IntegrationData, g.GetRowList()->FindRowFromGridNode(lonely));
    g.GridNode_AddGantTime(lonely, 0)->SetStopDateTime(kChartDay);
    TqvDataEntity_GantTime* a = g.GridNode_AddGantTime(crowded, 0);
    TqvDataEntity_GantTime* b = g.GridNode_AddGantTime(crowded, 0);
    a->SetStopDateTime(kChartDay);
    b->SetStopDateTime(kChartDay);
    for (auto* node : {lonely, crowded}) {
        TGantRow* row = g.GetRowList()->FindRowFromGridNode(node);
        row->GrowGridRowWithSubCols = true;
        row->SubColRowHeight = 16;
        row->SetCollisionDetection(true);
    }
    WaitForSubColumns(&g);
    ASSERT_EQ(g.Heights.size(), 2u);
    for (const auto& [node, height] : g.Heights)
        EXPECT_EQ(height, node == lonely ? 16 : 32);
    // Rows follow the grid tree's nodes away.
    grid.RemoveDataEntity(lonely);
    EXPECT_EQ(g.GetRowList()->Count(), 1);
    g.CheckInvariants();
}

} // namespace
