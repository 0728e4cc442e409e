// Tick levels and labels: the steps chosen for every row of the step table,
// marks on calendar units, collapsed marks over hidden time, label texts, the
// user-string events, the failure texts and the odd-or-even start.
#include <gtest/gtest.h>

#include <cmath>

#include "skedra/platform/Exceptions.h"
#include "tests/scaler/ScalerTestSupport.h"

using namespace skedra;
using namespace skedra::test;

namespace
{

const TDateTime kSteps[] = {kScale10Hun, kScale1Sec,   kScale10Sec,  kScale1Min,   kScale10Min,
                            kScale1Hour, kScale1Day,   kScale1Week,  kScale1Month, kScale3Month,
                            kScale1Year, kScale10Year, kScale20Year, kScale100Year};

void ExpectOnCalendarUnit(const TqvDateScalerModel& m, TDateTime step, TDateTime d)
{
    int y = 0, mo = 0, da = 0, h = 0, mi = 0, s = 0, ms = 0;
    DecodeDateTime(d, y, mo, da, h, mi, s, ms);
    const bool midnight = h == 0 && mi == 0 && s == 0 && ms == 0;
    if (step == kScale1Month) {
        EXPECT_TRUE(da == 1 && midnight) << d;
    } else if (step == kScale3Month) {
        EXPECT_TRUE(da == 1 && (mo - 1) % 3 == 0 && midnight) << d;
    } else if (step == kScale1Year) {
        EXPECT_TRUE(mo == 1 && da == 1 && midnight) << d;
    } else if (step == kScale10Year || step == kScale20Year || step == kScale100Year) {
        const int n = step == kScale10Year ? 10 : step == kScale20Year ? 20 : 100;
        EXPECT_TRUE(mo == 1 && da == 1 && midnight && y % n == 0) << d;
    } else if (step == kScale1Week) {
        EXPECT_TRUE(midnight && DayOfWeek(d) == m.GetFirstDayOfWeek()) << d;
    } else if (step == kScale1Day) {
        EXPECT_TRUE(midnight) << d;
    } else if (step == kScale1Hour) {
        EXPECT_TRUE(mi == 0 && s == 0 && ms == 0) << d;
    } else if (step == kScale10Min) {
        EXPECT_TRUE(mi % 10 == 0 && s == 0 && ms == 0) << d;
    } else if (step == kScale1Min) {
        EXPECT_TRUE(s == 0 && ms == 0) << d;
    } else if (step == kScale10Sec) {
        EXPECT_TRUE(s % 10 == 0 && ms == 0) << d;
    }
}

} // namespace

TEST(ScalerMarks, StepForkTable)
{
    QString name;
    EXPECT_EQ(TqvDateScalerModel::StepFork(0, name), kScale10Hun);
    EXPECT_EQ(name, QStringLiteral("1 tiondel"));
    EXPECT_EQ(TqvDateScalerModel::StepFork(kScale1Sec, name), kScale10Sec);
    EXPECT_EQ(name, QStringLiteral("10 sek"));
    EXPECT_EQ(TqvDateScalerModel::StepFork(kScale1Hour, name), kScale1Day);
    EXPECT_EQ(name, QStringLiteral("1 dag"));
    EXPECT_EQ(TqvDateScalerModel::StepFork(kScale1Week, name), kScale1Month);
    EXPECT_EQ(name, QString::fromUtf8("1 m\u00e5nad"));
    EXPECT_EQ(TqvDateScalerModel::StepFork(kScale1Month, name), kScale3Month);
    EXPECT_EQ(name, QString::fromUtf8("3 m\u00e5nader"));
    EXPECT_EQ(TqvDateScalerModel::StepFork(kScale20Year, name), kScale100Year);
    EXPECT_EQ(TqvDateScalerModel::StepFork(1e6, name), kScale100Year);
    EXPECT_EQ(name, QString::fromUtf8("100 \u00e5r"));
    const char* names[] = {"1 tiondel", "1 sek", "10 sek", "1 min", "10 min", "1 timme", "1 dag", "1 vecka"};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(TqvDateScalerModel::StepFork(kSteps[i] * 0.99, name), kSteps[i]);
        EXPECT_EQ(name, QString::fromUtf8(names[i]));
    }
}

// For every row of the table: a range whose 15 pixels fall just under the
// row's step at 1000 pixels gives that row as minor step and the next as
// major; the marks cover the axis and lie on calendar units.
TEST(ScalerMarks, EveryRowOfTheStepTable)
{
    for (int i = 0; i < 14; ++i) {
        TestScalerModel m(1000);
        const TDateTime step = kSteps[i];
        const TDateTime L = i == 0 ? step / 2 : i == 13 ? kScale20Year * 1.05 : (kSteps[i - 1] + step) / 2;
        const TDateTime start = i >= 11 ? D(1901, 3, 15, 10, 17, 23, 450) : D(2004, 3, 15, 10, 17, 23, 450);
        m.SetStart(start);
        m.SetStop(start + L * 1000 / 15);
        ASSERT_EQ(m.GetMinorStep(), step) << "row " << i;
        QString name;
        EXPECT_EQ(m.GetMajorStep(), TqvDateScalerModel::StepFork(step, name)) << "row " << i;
        EXPECT_EQ(m.GetMajorStepName(), name);
        EXPECT_DOUBLE_EQ(m.GetTenPixelTime(), m.PixelLenToDate(10));
        for (const auto* marks : {&m.GetMinorMarks(), &m.GetMajorMarks()}) {
            ASSERT_GE(marks->size(), 1u) << "row " << i;
            const TDateTime s = marks == &m.GetMinorMarks() ? m.GetMinorStep() : m.GetMajorStep();
            // The first mark is the start snapped to the step; the last one reaches the end.
            EXPECT_EQ(marks->front().Date, m.Snap(s, start)) << "row " << i;
            EXPECT_GE(marks->back().Pixel, 1000 - 1e-6) << "row " << i;
            if (marks->size() > 1) {
                EXPECT_LT((*marks)[marks->size() - 2].Pixel, 1000) << "row " << i;
            }
            for (size_t k = 0; k < marks->size(); ++k) {
                const TScaleMark& mk = (*marks)[k];
                EXPECT_EQ(mk.IsMajor, marks == &m.GetMajorMarks());
                EXPECT_NEAR(mk.Pixel, m.DateDiffToPixelLength(start, mk.Date), 1e-4);
                if (k > 0) {
                    EXPECT_GT(mk.Date, (*marks)[k - 1].Date);
                }
                if (s >= kScale10Sec) ExpectOnCalendarUnit(m, s, mk.Date);
                EXPECT_FALSE(mk.Text.isEmpty());
            }
            if (marks == &m.GetMinorMarks() && s >= kScale1Min) {
                // Minor ticks are at least PixelsForModeSwitch apart (calendar months of 28+ days).
                for (size_t k = 1; k + 1 < marks->size(); ++k)
                    EXPECT_GE((*marks)[k].Pixel - (*marks)[k - 1].Pixel, 15 * 0.95) << "row " << i;
            }
        }
    }
}

TEST(ScalerMarks, HoursUnderDays)
{
    TestScalerModel m(1500);
    m.SetStart(D(2024, 3, 4));
    m.SetStop(D(2024, 3, 4) + 1500 * (40 * kMinute) / 15);
    EXPECT_EQ(m.GetMinorStep(), kScale1Hour);
    EXPECT_EQ(m.GetMinorStepName(), QStringLiteral("1 timme"));
    EXPECT_EQ(m.GetMajorStep(), kScale1Day);
    EXPECT_EQ(m.GetMajorStepName(), QStringLiteral("1 dag"));
    EXPECT_EQ(m.GetMinorMarks()[0].Text, QStringLiteral("00"));
    EXPECT_EQ(m.GetMinorMarks()[13].Text, QStringLiteral("13"));
    EXPECT_NEAR(m.GetMinorMarks()[13].Pixel, 13 * 15 * 1.5, 1e-6);
    EXPECT_EQ(m.GetMajorMarks()[0].Text, QStringLiteral("Mon"));
    EXPECT_EQ(m.GetMajorMarks()[1].Text, QStringLiteral("Tue"));
    EXPECT_EQ(m.GetOddOrEventStartForVerticalBack(), 63); // 4 March is 63 days after 1 January
}

TEST(ScalerMarks, MonthsFallOnTheFirstUnderQuarters)
{
    TestScalerModel m(1000);
    m.SetStart(D(2004, 2, 10));
    m.SetStop(D(2004, 2, 10) + 1000 * 20.0 / 15);
    EXPECT_EQ(m.GetMinorStep(), kScale1Month);
    EXPECT_EQ(m.GetMajorStep(), kScale3Month);
    EXPECT_EQ(m.GetMinorMarks()[0].Date, D(2004, 2, 1));
    EXPECT_EQ(m.GetMinorMarks()[1].Date, D(2004, 3, 1));
    EXPECT_EQ(m.GetMinorMarks()[1].Text, QStringLiteral("Mar"));
    EXPECT_EQ(m.GetMajorMarks()[0].Date, D(2004, 1, 1));
    EXPECT_EQ(m.GetMajorMarks()[1].Text, QStringLiteral("2004 Q2"));
    EXPECT_EQ(m.GetOddOrEventStartForVerticalBack(), 1);
}

TEST(ScalerMarks, QuartersYearsAndDecadesTexts)
{
    TestScalerModel m(1000);
    m.SetStart(D(2004, 2, 10));
    m.SetStop(D(2004, 2, 10) + 1000 * 60.0 / 15);
    ASSERT_EQ(m.GetMinorStep(), kScale3Month);
    EXPECT_EQ(m.GetMinorMarks()[1].Text, QStringLiteral(" Q2"));
    EXPECT_EQ(m.GetMajorMarks()[0].Text, QStringLiteral("2004"));
    m.SetStop(D(2004, 2, 10) + 1000 * 400.0 / 15);
    ASSERT_EQ(m.GetMinorStep(), kScale10Year);
    EXPECT_EQ(m.GetMinorMarks()[0].Text, QStringLiteral("00"));
    EXPECT_EQ(m.GetMajorMarks()[0].Text, QStringLiteral("2000 - 2020"));
    m.SetStart(D(1991, 1, 1));
    m.SetStop(D(1991, 1, 1) + 1000 * 400.0 / 15);
    EXPECT_EQ(m.GetMinorMarks()[0].Text, QStringLiteral("90"));
    EXPECT_EQ(m.GetOddOrEventStartForVerticalBack(), 1980 / 20);
}

TEST(ScalerMarks, WeekLabels)
{
    TestScalerModel m(1000);
    m.SetStart(D(2004, 5, 31));
    m.SetStop(D(2004, 5, 31) + 1000 * 3.0 / 15);
    ASSERT_EQ(m.GetMinorStep(), kScale1Week);
    EXPECT_EQ(m.GetMinorMarks()[0].Text, QStringLiteral("2004-05-31")); // DateFormat empty: the short date
    m.SetWeekNumbers(true);
    EXPECT_EQ(m.GetMinorMarks()[0].Text, QStringLiteral(" w 23"));
    m.SetDateFormat(QStringLiteral("d.m"));
    EXPECT_EQ(m.GetWeekString(QStringLiteral("d.m"), D(2004, 5, 31), false, 1000),
              QStringLiteral("2004 w 23"));
    EXPECT_EQ(m.GetWeekString(QString(), D(2008, 12, 29), false, 1000), QStringLiteral("2009 w 1"));
    m.SetWeekNumbers(false);
    EXPECT_EQ(m.GetMinorMarks()[0].Text, QStringLiteral("31.5"));
    // Weeks under months.
    EXPECT_EQ(m.GetMajorStep(), kScale1Month);
    EXPECT_EQ(m.GetMajorMarks()[0].Text, QStringLiteral("2004 May"));
    m.SetStart(D(2004, 5, 31));
    m.SetStop(D(2004, 5, 31) + 1000 * 0.5 / 15);
    ASSERT_EQ(m.GetMajorStep(), kScale1Week);
    m.SetWeekNumbers(true);
    EXPECT_EQ(m.GetMajorMarks()[0].Text, QStringLiteral("2004 w 23"));
    EXPECT_EQ(m.GetOddOrEventStartForVerticalBack(), 23);
}

TEST(ScalerMarks, SecondsMinutesAndTimeLabels)
{
    TestScalerModel m(1000);
    m.SetStart(D(2024, 3, 4, 10, 17, 23));
    m.SetStop(m.GetStart() + 1000 * 0.5 * kScale1Sec / 15);
    ASSERT_EQ(m.GetMinorStep(), kScale1Sec);
    EXPECT_EQ(m.GetMinorMarks()[0].Text, QStringLiteral("23"));
    EXPECT_EQ(m.GetMajorMarks()[0].Text, QStringLiteral("10:17:20"));
    EXPECT_EQ(m.GetOddOrEventStartForVerticalBack(), 2);
    m.SetTimeFormat(QStringLiteral("hh:nn"));
    EXPECT_EQ(m.GetMajorMarks()[0].Text, QStringLiteral("10:17"));
    m.SetStop(m.GetStart() + 1000 * 5 * kScale1Min / 15);
    ASSERT_EQ(m.GetMinorStep(), kScale10Min);
    EXPECT_EQ(m.GetMinorMarks()[0].Text, QStringLiteral("20"));
    // The finest step shows date and time.
    m.SetStop(m.GetStart() + 1000 * 0.004 * kScale1Sec / 15);
    ASSERT_EQ(m.GetMinorStep(), kScale10Hun);
    m.SetDateFormat(QStringLiteral("d.m"));
    m.SetTimeFormat(QStringLiteral("hh:nn:ss.zzz"));
    EXPECT_EQ(m.GetMinorMarks()[0].Text, QStringLiteral("4.3 10:17:23.000"));
    EXPECT_EQ(m.GetMinorMarks()[1].Text, QStringLiteral("4.3 10:17:23.010"));
}

TEST(ScalerMarks, HiddenWeekendCollapsesOntoMonday)
{
    TestScalerModel m(1000);
    m.SetHiddenDays(Weekend());
    m.SetStart(D(2024, 2, 26));
    m.SetStop(D(2024, 2, 26) + 1000 * 0.6 / 15);
    ASSERT_EQ(m.GetMinorStep(), kScale1Day);
    int collapsed = 0;
    for (size_t i = 0; i < m.GetMinorMarks().size(); ++i) {
        const TScaleMark& mk = m.GetMinorMarks()[i];
        const int dow = DayOfWeek(mk.Date);
        if (dow == 7 || dow == 1) {
            EXPECT_TRUE(mk.Collapsed);
            ++collapsed;
            if (i + 1 < m.GetMinorMarks().size() || dow == 1) {
                // Saturday and Sunday lie on Monday's pixel.
                TDateTime monday = std::floor(mk.Date) + (dow == 7 ? 2 : 1);
                EXPECT_EQ(m.DateToPixel(mk.Date), m.DateToPixel(monday));
            }
        } else {
            EXPECT_FALSE(mk.Collapsed) << mk.Date;
        }
    }
    EXPECT_GE(collapsed, 4);
    // The gantt's line pixels keep every mark, collapsed ones too.
    m.FillLinePixels();
    EXPECT_EQ(m.MinorLinePixels.size(), m.GetMinorMarks().size());
    EXPECT_EQ(m.MajorLinePixels.size(), m.GetMajorMarks().size());
}

TEST(ScalerMarks, LongHiddenStretchesAreSkippedInWholeSteps)
{
    TestScalerModel m(1000);
    m.SetHiddenHours(Night());
    m.SetHiddenDays(Weekend());
    m.SetStart(D(2024, 2, 26, 8));
    m.SetStop(m.VisibleTimeDiffToTrueTime(m.GetStart(), 1000 * 40 * kMinute / 15));
    ASSERT_EQ(m.GetMinorStep(), kScale1Hour);
    // About ten visible hours a day plus at most a few collapsed marks per night.
    const size_t visibleHours = static_cast<size_t>(std::ceil(m.VisibleTimeAmount() / kHour));
    EXPECT_LE(m.GetMinorMarks().size(), visibleHours + 6 * 8);
    for (const TScaleMark& mk : m.GetMinorMarks()) {
        if (mk.Collapsed) continue;
        EXPECT_FALSE(m.IsHiddenDay(mk.Date));
    }
}

TEST(ScalerMarks, UserStringEvents)
{
    TestScalerModel m(1000);
    m.OnUserStringShort = [](TDateTime, TDateTime step, QString& text, TScalerFont& font) {
        if (step == kScale1Hour) {
            text = QStringLiteral("h") + text;
            font = sTextFont3;
        }
    };
    m.OnUserStringShortSub = [](TDateTime, TDateTime, QString& text, TScalerFont& font) {
        text = QStringLiteral("sub");
        font = sTextFont2;
    };
    m.OnUserStringLong = [](TDateTime, TDateTime, QString& text, TScalerFont&) {
        text += QStringLiteral("!");
    };
    m.SetStart(D(2024, 3, 4));
    m.SetStop(D(2024, 3, 4) + 1000 * (40 * kMinute) / 15);
    const TScaleMark& mk = m.GetMinorMarks()[5];
    EXPECT_EQ(mk.Text, QStringLiteral("h05"));
    EXPECT_EQ(mk.Font, sTextFont3);
    EXPECT_EQ(mk.SubText, QStringLiteral("sub"));
    EXPECT_EQ(mk.SubFont, sTextFont2);
    EXPECT_EQ(m.GetMajorMarks()[0].Text, QStringLiteral("Mon!"));
}

TEST(ScalerMarks, FailuresWhileRebuildingReportScaleError)
{
    TestScalerModel m(1000);
    m.SetStart(D(2024, 3, 4));
    m.SetStop(D(2024, 3, 20));
    bool fail = true;
    m.OnUserStringShort = [&](TDateTime, TDateTime, QString&, TScalerFont&) {
        if (fail) throw Exception(QStringLiteral("boom"));
    };
    try {
        m.SetStop(D(2024, 3, 30));
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Scale error:Middle:"))) << e.what();
        const double L = e.Message().mid(QStringLiteral("Scale error:Middle:").size()).toDouble();
        EXPECT_NEAR(L, 26.0 * 15 / 1000, 1e-9);
    }
    EXPECT_EQ(m.GetStop(), D(2024, 3, 5));
    EXPECT_GE(m.mouseEnds, 1);
    fail = false;
    m.SetStop(D(2024, 3, 10));
    EXPECT_FALSE(m.GetMinorMarks().empty());

    class FailingLength : public TestScalerModel
    {
    public:
        bool fail = false;
        TDateTime PixelLenToDate(double n) const override
        {
            if (fail) throw Exception(QStringLiteral("no length"));
            return TestScalerModel::PixelLenToDate(n);
        }
    } f;
    f.fail = true;
    try {
        f.CalcDrawMode();
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Scale error:Init"));
    }
}

TEST(ScalerMarks, MarksFollowPixelsForModeSwitch)
{
    TestScalerModel m(1000);
    m.SetStart(D(2024, 3, 4));
    m.SetStop(D(2024, 3, 4) + 1000 * (40 * kMinute) / 15);
    m.SetPixelsForModeSwitch(40);
    EXPECT_EQ(m.GetMinorStep(), kScale1Day);
    m.SetPixelsForModeSwitch(0);
    EXPECT_TRUE(m.GetMinorMarks().empty());
    m.SetPixelsForModeSwitch(15);
    EXPECT_EQ(m.GetMinorStep(), kScale1Hour);
}
