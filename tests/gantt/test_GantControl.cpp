// The Gantt chart as a composite control: the rows of the tree and the bands
// of the area stay level through scrolling, scaler heights, tab sheets,
// splitter drags and mode switches; the external scroll bar and the wheel;
// the background (shading, lines, today line); the hint text; tab sheet
// events; and the faults of printing at tiny scales and with the focus.
#include <gtest/gtest.h>

#include <QAbstractSlider>
#include <QScrollBar>
#include <QImage>
#include <QTabBar>
#include <QTest>
#include <QWheelEvent>

#include <cmath>

#include "skedra/foundation/GraphHintWindow.h"
#include "skedra/foundation/qvSplitter.h"
#include "skedra/platform/DeviceContext.h"
#include "tests/gantt/GantTestSupport.h"

using namespace skedra;
using namespace skedra::test;

namespace
{

class GantControl : public GantFixture
{
protected:
    QImage Surface() const { return GA()->GetWindowSurface()->Image(); }
    static QRgb Rgb(TColor c) { return ToQColor(c).rgb(); }

    // A column of the area no scaler line or today line crosses.
    int QuietColumn() const
    {
        const auto& major = Scaler()->MajorLinePixels;
        for (int x = 40; x < GA()->GetWidth(); ++x)
            if (std::find(major.begin(), major.end(), x) == major.end() &&
                std::find(major.begin(), major.end(), x + 1) == major.end())
                return x;
        return 40;
    }
    // Whether the area is shaded at y (the checker has the shading colour in
    // one of two neighbouring pixels).
    bool Shaded(const QImage& img, int x, int y) const
    {
        const QRgb back = Rgb(gant->GetGantBackColor());
        return img.pixel(x, y) != back || img.pixel(x + 1, y) != back;
    }
    void AddRows(int n)
    {
        for (int i = 0; i < n; ++i)
            nodes.push_back(AddNode());
    }
    int TopRow() const { return Tree()->GetRowOfNode(Tree()->TCustomTreeView::GetTopItem()); }

    // Every row in view: its band starts at the screen height of its tree
    // row, and the shading changes exactly there.
    void ExpectRowsLevelWithBands(const char* aWhere)
    {
        SCOPED_TRACE(aWhere);
        Paint();
        Flush();
        Paint();
        const QImage img = Surface();
        const int x = QuietColumn();
        const int top = std::max(0, TopRow());
        int checked = 0;
        for (int k = 0; k < 12; ++k) {
            TqvDataEntity_Tree* node = Tree()->GetDataEntityFromRow(top + k);
            if (node == nullptr) break;
            const TRect row = Tree()->GetRect(node);
            const TRect band = gant->GetGantRow(node)->GetRect();
            const int rowY = Tree()->Viewport()->mapToGlobal(QPoint(0, row.Top)).y();
            const int bandY = GA()->mapToGlobal(QPoint(0, band.Top)).y();
            ASSERT_EQ(rowY, bandY) << "row " << top + k;
            ASSERT_EQ(band.Bottom - band.Top, row.Bottom - row.Top);
            if (band.Top > 0 && band.Top < img.height()) {
                EXPECT_NE(Shaded(img, x, band.Top), Shaded(img, x, band.Top - 1)) << "row " << top + k;
            }
            ++checked;
        }
        EXPECT_GT(checked, 3);
    }

    std::vector<TqvDataEntity_Tree*> nodes;
};

TEST_F(GantControl, ANewChartShowsTheMonthAroundTodayWithShadedBands)
{
    TqvGant fresh;
    const TDateTime today = std::trunc(Now());
    EXPECT_DOUBLE_EQ(fresh.GetStart(), today - 15);
    EXPECT_DOUBLE_EQ(fresh.GetStop(), today + 15);
    EXPECT_FALSE(fresh.GetUseGridNotTree());
    EXPECT_EQ(fresh.GetWidth(), 350);
    EXPECT_EQ(fresh.GetHeight(), 250);
    EXPECT_EQ(fresh.GetTreeWidth(), 100);
    EXPECT_EQ(fresh.GetScalerHeight(), 45);
    EXPECT_EQ(fresh.GetTreeHeaderBox()->GetHeight(), 45);
    EXPECT_EQ(fresh.GetGantBackColor(), 0xC0C0C0u);
    EXPECT_EQ(fresh.GetGantPyjamasColor(), 0x808080u);
    EXPECT_TRUE(fresh.GetDrawLongLines());
    EXPECT_FALSE(fresh.GetDrawShortLines());
    EXPECT_FALSE(fresh.GetTodayLineOnOff());
    EXPECT_EQ(fresh.GetLastRowHeight(), 18);
    EXPECT_EQ(fresh.GetDateFormat(), QStringLiteral("YYMMDD"));
    EXPECT_EQ(fresh.GetTimeFormat(), QStringLiteral("HH:MM:SS"));
    EXPECT_EQ(fresh.findChild<QWidget*>(QStringLiteral("Treeview")), fresh.GetTreeView());
    EXPECT_EQ(fresh.findChild<QWidget*>(QStringLiteral("DateScaler")), fresh.GetDateScaler());
    EXPECT_EQ(fresh.findChild<QWidget*>(QStringLiteral("GanttArea")), fresh.GetGA());
    EXPECT_EQ(fresh.GetPanelScaleAndGantHolder()->GetCaption(), QStringLiteral("PanelScaleAndGantHolder"));
    EXPECT_EQ(fresh.GetGantSheet()->GetCaption(), QStringLiteral("Gant"));
    EXPECT_FALSE(fresh.GetPageControl()->GetVisible());
    EXPECT_EQ(fresh.GetTreePanel()->GetAlign(), alLeft);
    EXPECT_EQ(fresh.GetScrollPanel()->GetAlign(), alRight);
    EXPECT_EQ(fresh.GetSplitter()->GetCursor(), crHSplit);
    EXPECT_EQ(fresh.GetTreeView()->GetTabOrder(), 0);
    EXPECT_LT(fresh.GetGA()->GetTabOrder(), fresh.GetDateScaler()->GetTabOrder());
    EXPECT_EQ(fresh.GetPyjamasBitmap()->Image().pixel(0, 0), Rgb(clSilver));
    EXPECT_EQ(fresh.GetPyjamasBitmap()->Image().pixel(1, 0), Rgb(clGray));

    // Bands of 18 pixels, the first shaded with the checker of silver and grey.
    fresh.show();
    Flush();
    fresh.GetGA()->Repaint();
    const QImage img = fresh.GetGA()->GetWindowSurface()->Image();
    const auto& major = fresh.GetDateScaler()->MajorLinePixels;
    int x = 10;
    while (std::find(major.begin(), major.end(), x) != major.end() ||
           std::find(major.begin(), major.end(), x + 1) != major.end())
        ++x;
    for (int y = 4; y < 100; ++y) {
        const bool shadedBand = (y / 18) % 2 == 0;
        const QRgb expected = shadedBand && (x + y) % 2 != 0 ? Rgb(clGray) : Rgb(clSilver);
        ASSERT_EQ(img.pixel(x, y), expected) << y;
    }
}

TEST_F(GantControl, ANewBackColourGivesANewChecker)
{
    AddRows(3);
    gant->SetDrawLongLines(false);
    gant->SetGantBackColor(RGB(255, 255, 255));
    Paint();
    const QImage img = Surface();
    EXPECT_EQ(gant->GetPyjamasBitmap()->Image().pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(10, 10), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(11, 10), Rgb(clGray));
    EXPECT_EQ(img.pixel(11, 30), qRgb(255, 255, 255)); // the second band is not shaded
}

TEST_F(GantControl, RowsStayLevelWithTheBandsInEveryLayout)
{
    AddRows(80);
    ExpectRowsLevelWithBands("at the top");
    Tree()->SetTopItem(Tree()->GetDataEntityFromRow(7));
    ExpectRowsLevelWithBands("scrolled");
    gant->SetScalerHeight(60);
    ExpectRowsLevelWithBands("scaler 60 high");
    gant->SetScalerHeight(31);
    ExpectRowsLevelWithBands("scaler 31 high");
    gant->SetUseTabSheets(true);
    EXPECT_TRUE(gant->GetPageControl()->GetVisible());
    EXPECT_EQ(gant->GetPanelScaleAndGantHolder()->parentWidget(), gant->GetGantSheet());
    ExpectRowsLevelWithBands("on a tab sheet");
    gant->SetScalerHeight(50);
    ExpectRowsLevelWithBands("on a tab sheet, scaler 50 high");
    gant->SetUseTabSheets(false);
    EXPECT_FALSE(gant->GetPageControl()->GetVisible());
    EXPECT_EQ(gant->GetPanelScaleAndGantHolder()->parentWidget(), gant.get());
    ExpectRowsLevelWithBands("tab sheets off");
    gant->SetUseGridNotTree(true);
    gant->SetUseGridNotTree(false);
    ExpectRowsLevelWithBands("back from grid mode");

    // A drag of the splitter widens the tree; the rows stay where they are.
    TqvSplitter* splitter = gant->GetSplitter();
    const int before = gant->GetTreeWidth();
    const QPoint at(splitter->GetWidth() / 2, splitter->GetHeight() / 2);
    QTest::mousePress(splitter, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseMove(splitter, at + QPoint(60, 0));
    QTest::mouseRelease(splitter, Qt::LeftButton, Qt::NoModifier, at + QPoint(60, 0));
    Flush();
    EXPECT_EQ(gant->GetTreeWidth(), before + 60);
    ExpectRowsLevelWithBands("after a splitter drag");
}

TEST_F(GantControl, TheExternalScrollBarMirrorsTheTreeAndScrollsIt)
{
    AddRows(4);
    Paint();
    Flush();
    EXPECT_FALSE(gant->GetScrollBar()->GetEnabled());
    EXPECT_FALSE(gant->GetScrollPanel()->GetVisible());

    int realigned = 0;
    gant->OnRealignScrollbar = [&](TqvGant_ComBasic*, int, int, int, int, bool) { ++realigned; };
    AddRows(96);
    Paint();
    Flush();
    TScrollBar* bar = gant->GetScrollBar();
    ASSERT_TRUE(bar->GetEnabled());
    EXPECT_TRUE(gant->GetScrollPanel()->GetVisible());
    EXPECT_GT(realigned, 0);
    const int inView = Tree()->GetVisibleRowsInView();
    EXPECT_EQ(bar->GetMax(), 99);
    EXPECT_EQ(bar->GetPageSize(), inView);
    EXPECT_EQ(bar->GetPosition(), 0);

    // One step down, then a drag of the thumb to row 40: that row goes on top.
    bar->Bar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    Flush();
    EXPECT_EQ(TopRow(), 1);
    bar->Bar()->setSliderPosition(40);
    Flush();
    EXPECT_EQ(TopRow(), 40);
    Paint();
    EXPECT_EQ(gant->GetGantRow(nodes[40])->GetRect().Top, 0);
    EXPECT_EQ(gant->GetRowList()->FindRowFromY(10), gant->GetGantRow(nodes[40]));

    // Scrolling the tree by itself moves the bar.
    Tree()->SetTopItem(nodes[20]);
    Paint();
    Flush();
    EXPECT_EQ(bar->GetPosition(), 20);
}

TEST_F(GantControl, TheExternalBarFollowsTheLastRowGoingFromAViewScrolledDown)
{
    // A view one row short of its rows, scrolled to the end; the last row
    // goes and the rows left fill the view while it stays scrolled: the
    // bar's page would be its whole range from 0, which the bar refuses. No
    // message reaches the user, and the bar still mirrors the tree.
    TScrollBar* bar = gant->GetScrollBar();
    for (int rows = 6; rows <= 9; ++rows) {
        SCOPED_TRACE(rows);
        for (TqvDataEntity_Tree* n : nodes)
            Tree()->RemoveDataEntity(n);
        nodes.clear();
        AddRows(rows);
        gant->SetBounds(0, 0, 900, gant->GetScalerHeight() + (rows - 1) * 20 + 8);
        Paint();
        Flush();
        Tree()->SetTopItem(nodes.back());
        Paint();
        Flush();
        ASSERT_GT(TopRow(), 0);
        Tree()->RemoveDataEntity(nodes.back());
        nodes.pop_back();
        Paint();
        Flush();
        EXPECT_TRUE(ShownMessages().isEmpty()) << ShownMessages().join("|").toStdString();
        ClearShownMessages();
        if (bar->GetEnabled()) {
            EXPECT_EQ(bar->GetMax(), rows - 2);
            EXPECT_EQ(bar->GetPosition(), TopRow());
        }
    }
}

TEST_F(GantControl, TheWheelMovesOneRowPerStep)
{
    AddRows(100);
    Paint();
    Flush();
    auto wheel = [&](QWidget* target, int delta) {
        QWheelEvent e(QPointF(20, 20), target->mapToGlobal(QPointF(20, 20)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &e);
        Flush();
    };
    auto currentRow = [&] { return Tree()->GetRowOfNode(Tree()->GetSelected()); };
    // No current row: the top one becomes current, then the next.
    wheel(GA(), -120);
    EXPECT_EQ(currentRow(), 1);
    const int inView = Tree()->GetVisibleRowsInView();
    for (int i = 2; i < inView; ++i)
        wheel(GA(), -120);
    EXPECT_EQ(currentRow(), inView - 1);
    EXPECT_EQ(TopRow(), 0);
    // From the last row in view on, every step scrolls by one row.
    wheel(GA(), -120);
    EXPECT_EQ(currentRow(), inView);
    EXPECT_EQ(TopRow(), 1);
    wheel(Tree()->Viewport(), -120);
    EXPECT_EQ(currentRow(), inView + 1);
    EXPECT_EQ(TopRow(), 2);
    wheel(Tree()->Viewport(), 120);
    wheel(GA(), 120);
    EXPECT_EQ(currentRow(), inView - 1);
    EXPECT_EQ(TopRow(), 2);
}

TEST_F(GantControl, TheHintShowsStartStopAndALengthInDays)
{
    AddRows(1);
    TqvDataEntity_GantTime* t = AddTime(nodes[0], 0, kChartDay + 0.25, kChartDay + 2.25);
    TGraphHintWindow* hint = gant->GetHintWindow();
    ASSERT_NE(hint, nullptr);
    gant->HintWantsNewText(hint, t);
    const QStringList lines = hint->GetText().split(QLatin1Char('\r'));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("300101 06:00:00"));
    EXPECT_EQ(lines[1], QStringLiteral("300103 06:00:00"));
    // Two days, never a date of the year 1900.
    EXPECT_EQ(lines[2], QStringLiteral("2d 00:00:00"));
    t->SetStopDateTime(kChartDay + 0.25 + 1.5 / 24);
    gant->HintWantsNewText(hint, t);
    EXPECT_EQ(hint->GetText().split(QLatin1Char('\r')).value(2), QStringLiteral("0d 01:30:00"));
    gant->HintWantsNewText(hint, nodes[0]);
    EXPECT_TRUE(hint->GetText().isEmpty());
}

TEST_F(GantControl, PrintingAtATinyScaleEndsAndPrintsNoFocusRectangle)
{
    AddRows(3);
    gant->SetDrawLongLines(false);
    gant->SetVerticalPyjamas(false);
    // The band height rounds to 0 at this scale; the bands still advance.
    QImage tiny(40, 40, QImage::Format_RGB32);
    tiny.fill(Qt::white);
    {
        TDeviceContext dc(&tiny);
        GA()->Print(&dc, 0, 0, 0.01, 0.01, false);
    }
    EXPECT_EQ(GA()->GetIsPrinting(), false);

    // The focus rectangle is a screen matter: printing with the focus
    // prints the same as printing without it.
    auto print = [&] {
        QImage img(GA()->GetWidth(), GA()->GetHeight(), QImage::Format_RGB32);
        img.fill(Qt::white);
        TDeviceContext dc(&img);
        GA()->Print(&dc, 0, 0, 1.0, 1.0, false);
        return img;
    };
    const QImage unfocused = print();
    GA()->activateWindow();
    GA()->SetFocus();
    Flush();
    ASSERT_TRUE(GA()->Focused());
    Paint();
    // On screen the rectangle is there (dotted, from (2, 2)).
    const QImage screen = Surface();
    bool dotted = false;
    for (int x = 2; x < 12; ++x)
        dotted |= screen.pixel(x, 2) != Surface().pixel(x, 5);
    EXPECT_TRUE(dotted);
    EXPECT_EQ(print(), unfocused);
}

TEST_F(GantControl, ShortLinesEverySecondTickWhenTicksAreClose)
{
    AddRows(2);
    gant->SetDrawLongLines(false);
    gant->SetGantPyjamasColor(gant->GetGantBackColor());
    gant->SetDrawShortLines(true);
    for (int round = 0; round < 2; ++round) {
        // Two zooms: ticks closer than 30 pixels, and farther apart.
        Scaler()->SetStop(kChartDay + (round == 0 ? 6 : 1));
        Paint();
        const std::vector<int> p = Scaler()->MinorLinePixels;
        ASSERT_GE(p.size(), 3u);
        const size_t k = p[1] - p[0] > 29 ? 1 : 2;
        SCOPED_TRACE(testing::Message() << "tick distance " << p[1] - p[0]);
        const QImage img = Surface();
        for (size_t i = 0; i + 1 < p.size(); ++i) {
            if (p[i] <= 0 || p[i] >= img.width()) continue;
            EXPECT_EQ(img.pixel(p[i], 100) == Rgb(clGray), i % k == 0) << i;
        }
    }
}

TEST_F(GantControl, TheTodayLineMarksTheMiddleOfTodayInsideTheWindow)
{
    AddRows(2);
    gant->SetDrawLongLines(false);
    gant->SetTodayLineColor(clRed);
    gant->SetTodayLineOnOff(true);
    const TDateTime today = std::trunc(Now());
    Scaler()->SetStart(today - 1);
    Scaler()->SetStop(today + 2);
    Paint();
    const int x = Scaler()->DateToPixel(today + 0.5);
    EXPECT_EQ(Surface().pixel(x, 50), Rgb(clRed));
    EXPECT_NE(Surface().pixel(x + 1, 50), Rgb(clRed));
    // The middle of today left of the window: no line anywhere.
    Scaler()->SetStart(today + 0.6);
    Scaler()->SetStop(today + 3);
    Paint();
    const QImage img = Surface();
    for (int c = 0; c < img.width(); ++c)
        ASSERT_NE(img.pixel(c, 50), Rgb(clRed)) << c;
}

TEST_F(GantControl, TabSheetsAskBeforeChangingAndReportTheCurrentRow)
{
    AddRows(5);
    gant->SetUseTabSheets(true);
    auto* sheet = new TTabSheet(gant->GetPageControl());
    sheet->SetCaption(QStringLiteral("Notes"));
    QStringList log;
    bool allow = true;
    TGantRow* reported = nullptr;
    gant->AddTabSheet(
        sheet, [&](TGantRow* row) { reported = row; },
        [&](TObject*, bool& a) {
            log << QStringLiteral("changing");
            a = allow;
        },
        [&](TObject*) { log << QStringLiteral("notify1"); },
        [&](TObject*) { log << QStringLiteral("notify2"); });
    EXPECT_EQ(gant->TabSheetCount(), 1);
    QTabBar* tabs = gant->GetPageControl()->TabBar();
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Gant"));

    // Entering the sheet: its second handler, then the current row.
    Tree()->SetCurrentDataEntity(nodes[2]);
    Flush();
    QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(1).center());
    Flush();
    EXPECT_EQ(gant->GetPageControl()->GetActivePage(), sheet);
    EXPECT_EQ(log, QStringList{QStringLiteral("notify2")});
    EXPECT_EQ(reported, gant->GetGantRow(nodes[2]));

    // Leaving it can be refused.
    log.clear();
    allow = false;
    QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(0).center());
    EXPECT_EQ(gant->GetPageControl()->GetActivePage(), sheet);
    EXPECT_EQ(log, (QStringList{QStringLiteral("changing"), QStringLiteral("notify2")}));
    allow = true;
    log.clear();
    QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(0).center());
    EXPECT_EQ(gant->GetPageControl()->GetActivePage(), gant->GetGantSheet());
    EXPECT_EQ(log, (QStringList{QStringLiteral("changing"), QStringLiteral("notify2")}));

    // A sheet out of view hears nothing of the tree.
    reported = nullptr;
    Tree()->Scroll(1);
    EXPECT_EQ(reported, nullptr);
    gant->SetUseTabSheets(false);
}

} // namespace
