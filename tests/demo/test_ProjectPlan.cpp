// The project plan of the demo: the plan file is generated with progress
// reports, a window of rows is read back in order, and a task moved with the
// mouse in the chart is in the file at once and shows moved after a fresh start.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTemporaryDir>

#include <memory>

#include "examples/demo/PlanChart.h"
#include "examples/demo/PlanDatabase.h"
#include "tests/common/TestSupport.h"

using namespace skedra;

namespace
{

void Flush()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QApplication::processEvents();
    }
}

struct TChartOverPlan {
    std::unique_ptr<PlanDatabase> Database;
    std::unique_ptr<TqvGant> Gant;
    std::unique_ptr<PlanChart> Binding;

    explicit TChartOverPlan(const QString& aFile)
        : Database(std::make_unique<PlanDatabase>(aFile)), Gant(std::make_unique<TqvGant>())
    {
        Gant->SetBounds(0, 0, 900, 500);
        Gant->show();
        Flush();
        Binding = std::make_unique<PlanChart>(Gant.get(), Database.get());
        const TDateTime day = std::floor(PlanDatabase::GeneratedTask(0).Start);
        Gant->SetStart(day);
        Gant->SetStop(day + 30);
        Paint();
    }
    ~TChartOverPlan()
    {
        Gant->CheckInvariants();
        Binding.reset();
        Gant.reset();
        Flush();
    }
    void Paint()
    {
        for (int i = 0; i < 2; ++i) {
            Gant->GetGrid()->Repaint();
            Flush();
            Gant->GetGA()->Repaint();
            Flush();
        }
    }
    // The time item of plan row r, when its row is loaded.
    TqvDataEntity_GantTime* ItemOfRow(int r) const
    {
        for (TGantRow* row : Gant->GetRowList()->GetRows())
            if (row->LayerCount() > 0 && row->GetDataLists()->GetDataList(0)->Count() > 0) {
                TqvDataEntity* item = row->GetDataLists()->GetDataList(0)->GetItems(0);
                if (PlanChart::RowOfItem(item) == r) return static_cast<TqvDataEntity_GantTime*>(item);
            }
        return nullptr;
    }
    void Mouse(QEvent::Type aType, QPoint p, Qt::MouseButton aButton, Qt::MouseButtons aButtons)
    {
        QWidget* area = Gant->GetGA();
        QMouseEvent e(aType, p, area->mapToGlobal(p), aButton, aButtons, Qt::NoModifier);
        QApplication::sendEvent(area, &e);
    }
};

TEST(ProjectPlan, TheFileIsGeneratedWithProgressAndReadByWindows)
{
    QTemporaryDir dir;
    PlanDatabase db(dir.filePath(QStringLiteral("plan.sqlite")));
    ASSERT_TRUE(db.IsOpen()) << db.LastError().toStdString();
    std::vector<int> reports;
    ASSERT_TRUE(db.Generate(12000, [&](int done, int total) {
        EXPECT_EQ(total, 12000);
        reports.push_back(done);
        return true;
    }));
    EXPECT_EQ(db.TaskCount(), 12000);
    EXPECT_EQ(reports, (std::vector<int>{5000, 10000, 12000}));
    const std::vector<PlanTask> window = db.LoadWindow(11990, 50);
    ASSERT_EQ(window.size(), 10u);
    for (size_t i = 0; i < window.size(); ++i) {
        const PlanTask expected = PlanDatabase::GeneratedTask(11990 + static_cast<int>(i));
        EXPECT_EQ(window[i].Row, expected.Row);
        EXPECT_EQ(window[i].Name, expected.Name);
        EXPECT_DOUBLE_EQ(window[i].Start, expected.Start);
        EXPECT_DOUBLE_EQ(window[i].Stop, expected.Stop);
    }
    // A stopped generation leaves no half plan behind.
    EXPECT_FALSE(db.Generate(20000, [](int done, int) { return done < 10000; }));
    EXPECT_EQ(db.TaskCount(), 0);
    EXPECT_FALSE(db.WriteTimes(5, 1, 2));
}

TEST(ProjectPlan, AMovedTaskIsWrittenBackAndShowsMovedAfterAFreshStart)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("plan.sqlite"));
    ASSERT_TRUE(PlanDatabase(file).Generate(3000));
    const int r = 4;
    TDateTime movedStart = 0;
    TDateTime movedStop = 0;
    {
        TChartOverPlan chart(file);
        // Only rows near the view are read.
        EXPECT_LT(chart.Gant->GetRowList()->Count(), 1100);
        TqvDataEntity_GantTime* item = chart.ItemOfRow(r);
        ASSERT_NE(item, nullptr);
        const PlanTask before = PlanDatabase::GeneratedTask(r);
        ASSERT_DOUBLE_EQ(item->GetStartDateTime(), before.Start);
        TRect rect;
        ASSERT_TRUE(chart.Gant->RectFromDataEntity(item, rect));
        const QPoint a((rect.Left + rect.Right) / 2, (rect.Top + rect.Bottom) / 2);
        const int day = chart.Gant->GetDateScaler()->DateToPixel(before.Start + 2) -
                        chart.Gant->GetDateScaler()->DateToPixel(before.Start);
        const QPoint b = a + QPoint(day, 0);
        chart.Mouse(QEvent::MouseButtonPress, a, Qt::LeftButton, Qt::LeftButton);
        for (int i = 1; i <= 4; ++i)
            chart.Mouse(QEvent::MouseMove, a + (b - a) * i / 4, Qt::NoButton, Qt::LeftButton);
        chart.Mouse(QEvent::MouseButtonRelease, b, Qt::LeftButton, Qt::NoButton);
        Flush();
        movedStart = item->GetStartDateTime();
        movedStop = item->GetStopDateTime();
        // Two days, give or take the pixel the press landed on and the snap.
        EXPECT_NEAR(movedStart - before.Start, 2, 0.05);
        EXPECT_NEAR(movedStop - movedStart, before.Stop - before.Start, 1e-6);
        EXPECT_EQ(chart.Binding->Writes(), 1);
        const std::vector<PlanTask> stored = chart.Database->LoadWindow(r, 1);
        ASSERT_EQ(stored.size(), 1u);
        EXPECT_DOUBLE_EQ(stored[0].Start, movedStart);
        EXPECT_DOUBLE_EQ(stored[0].Stop, movedStop);
    }
    TChartOverPlan again(file);
    TqvDataEntity_GantTime* item = again.ItemOfRow(r);
    ASSERT_NE(item, nullptr);
    EXPECT_DOUBLE_EQ(item->GetStartDateTime(), movedStart);
    EXPECT_DOUBLE_EQ(item->GetStopDateTime(), movedStop);
    EXPECT_EQ(again.Binding->Writes(), 0);
    ASSERT_NE(again.ItemOfRow(r + 1), nullptr);
    EXPECT_DOUBLE_EQ(again.ItemOfRow(r + 1)->GetStartDateTime(), PlanDatabase::GeneratedTask(r + 1).Start);
}

} // namespace
