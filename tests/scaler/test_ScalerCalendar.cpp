// Calendar units of the scaler: weeks and week numbers, quarters, snapping
// dates to the unit of a step, and the calendar-aware distance to the next tick.
#include <gtest/gtest.h>

#include <QDate>
#include <vector>

#include "skedra/platform/Exceptions.h"
#include "tests/scaler/ScalerTestSupport.h"

using namespace skedra;
using namespace skedra::test;

namespace
{

QDate ToQDate(TDateTime d)
{
    int y = 0, m = 0, dd = 0;
    DecodeDate(d, y, m, dd);
    return QDate(y, m, dd);
}

} // namespace

// Week numbers with Monday first equal ISO 8601, except the days of January
// before the first week (1 to 3 January when the year starts on a Friday,
// Saturday or Sunday): they count as week 1 here, where ISO puts them in the
// last week of the year before.
TEST(ScalerCalendar, WeekNumbersWithMondayFirstAreIsoWeeks)
{
    TestScalerModel m;
    ASSERT_EQ(m.GetFirstDayOfWeek(), 2);
    std::vector<QDate> differences;
    for (TDateTime d = D(1990, 1, 1); d <= D(2040, 12, 31); d += 1) {
        bool nextYear = false;
        const int week = m.GetWeekNum(d, nextYear);
        const QDate q = ToQDate(d);
        int isoYear = 0;
        const int iso = q.weekNumber(&isoYear);
        if (isoYear < q.year()) {
            differences.push_back(q);
            EXPECT_EQ(week, 1) << q.toString(Qt::ISODate).toStdString();
            EXPECT_FALSE(nextYear);
            continue;
        }
        ASSERT_EQ(week, iso) << q.toString(Qt::ISODate).toStdString();
        ASSERT_EQ(nextYear, isoYear > q.year()) << q.toString(Qt::ISODate).toStdString();
    }
    // The documented difference: exactly these early-January days.
    for (const QDate& q : differences) {
        EXPECT_EQ(q.month(), 1);
        EXPECT_LE(q.day(), 3);
        EXPECT_GE(QDate(q.year(), 1, 1).dayOfWeek(), 5); // Friday, Saturday or Sunday
    }
    const std::vector<QDate> some = {QDate(1993, 1, 1), QDate(1993, 1, 2), QDate(1993, 1, 3),
                                     QDate(2010, 1, 1), QDate(2010, 1, 2), QDate(2010, 1, 3),
                                     QDate(2016, 1, 1), QDate(2021, 1, 3), QDate(2022, 1, 1),
                                     QDate(2022, 1, 2), QDate(2033, 1, 2), QDate(2039, 1, 1)};
    for (const QDate& q : some)
        EXPECT_NE(std::find(differences.begin(), differences.end(), q), differences.end());
    EXPECT_EQ(differences.size(), 44u);
}

TEST(ScalerCalendar, WeekNumberExamples)
{
    TestScalerModel m;
    bool next = true;
    EXPECT_EQ(m.GetWeekNum(D(2004, 1, 1), next), 1);
    EXPECT_FALSE(next);
    EXPECT_EQ(m.GetWeekNum(D(2008, 12, 31), next), 1);
    EXPECT_TRUE(next);
    EXPECT_EQ(m.GetWeekNum(D(2010, 1, 1), next), 1);
    EXPECT_EQ(m.GetWeekNum(D(2009, 12, 31, 15), next), 53);
    EXPECT_FALSE(next);
}

// Every first day of the week: week 1 starts on that weekday between
// 29 December and 4 January, and numbers run on by one each week.
TEST(ScalerCalendar, WeeksForEveryFirstDayOfWeek)
{
    for (int first = 1; first <= 7; ++first) {
        TestScalerModel m;
        m.SetFirstDayOfWeek(first);
        for (int y = 1990; y <= 2040; ++y) {
            bool fromJan1 = false;
            const TDateTime week1 = m.FirstWeekOfYear(D(y, 6, 1), fromJan1);
            EXPECT_GE(week1, D(y - 1, 12, 29)) << first << " " << y;
            EXPECT_LE(week1, D(y, 1, 4)) << first << " " << y;
            EXPECT_EQ(DayOfWeek(week1), first);
            EXPECT_EQ(fromJan1, week1 <= D(y, 1, 1));
            EXPECT_EQ(m.TruncToFirstDayOfWeek(D(y, 7, 9, 15)), m.TruncToFirstDayOfWeek(D(y, 7, 9)));
        }
        int previous = 0;
        for (TDateTime d = m.TruncToFirstDayOfWeek(D(1990, 3, 1)); d < D(2040, 1, 1); d += 7) {
            bool next = false;
            const int week = m.GetWeekNum(d, next);
            ASSERT_GE(week, 1);
            ASSERT_LE(week, 53);
            if (week != 1 && previous != 0) {
                ASSERT_EQ(week, previous + 1) << "first day " << first << " at " << d;
            }
            for (int i = 1; i < 7; ++i) {
                bool n2 = false;
                const int w2 = m.GetWeekNum(d + i, n2);
                if (ToQDate(d + i).year() == ToQDate(d).year()) {
                    ASSERT_EQ(w2, week) << "first day " << first << " at " << d + i;
                }
            }
            previous = week;
        }
    }
}

TEST(ScalerCalendar, FirstDayOfWeekOutsideTheWeekIsRefused)
{
    TestScalerModel m;
    EXPECT_THROW(m.SetFirstDayOfWeek(0), Exception);
    EXPECT_THROW(m.SetFirstDayOfWeek(8), Exception);
    EXPECT_EQ(m.GetFirstDayOfWeek(), 2);
}

TEST(ScalerCalendar, Quarters)
{
    EXPECT_EQ(TqvDateScalerModel::DateToQuarter(D(2024, 3, 20)), 2);
    EXPECT_EQ(TqvDateScalerModel::DateToQuarter(D(2024, 3, 10)), 1);
    EXPECT_EQ(TqvDateScalerModel::DateToQuarter(D(2024, 12, 20)), 1);
}

TEST(ScalerCalendar, SnapToCalendarUnits)
{
    TestScalerModel m;
    EXPECT_EQ(m.Snap(kScale10Year, D(1987, 6, 5)), D(1980, 1, 1));
    EXPECT_EQ(m.Snap(kScale20Year, D(1987, 6, 5)), D(1980, 1, 1));
    EXPECT_EQ(m.Snap(kScale100Year, D(1987, 6, 5)), D(1900, 1, 1));
    EXPECT_EQ(m.Snap(kScale1Year, D(1987, 6, 5, 13)), D(1987, 1, 1));
    EXPECT_EQ(m.Snap(kScale3Month, D(1987, 6, 5)), D(1987, 4, 1));
    EXPECT_EQ(m.Snap(kScale3Month, D(1987, 12, 31)), D(1987, 10, 1));
    EXPECT_EQ(m.Snap(kScale1Month, D(1987, 6, 5)), D(1987, 6, 1));
    EXPECT_EQ(m.Snap(kScale1Week, D(2024, 3, 7, 11)), D(2024, 3, 4)); // Monday
    EXPECT_NEAR(m.Snap(kScale1Hour, D(2024, 3, 7, 10, 29)), D(2024, 3, 7, 10), 1e-9);
    EXPECT_NEAR(m.Snap(kScale1Hour, D(2024, 3, 7, 10, 31)), D(2024, 3, 7, 11), 1e-9);
    EXPECT_EQ(m.Snap(kScale1Sec, D(2024, 3, 7, 10, 31, 5, 400)), D(2024, 3, 7, 10, 31, 5, 400));
    EXPECT_EQ(m.Snap(kScale10Hun, 1234.5678), 1234.5678);
}

TEST(ScalerCalendar, SnapThatCannotBeComputedReportsTooSmallSpan)
{
    TestScalerModel m;
    m.SetStart(D(2024, 1, 1));
    m.SetStop(D(2024, 1, 20));
    try {
        m.Snap(kScale10Sec, 1e300);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("To small span"));
    }
    EXPECT_EQ(m.GetStop(), D(2024, 1, 2));
    EXPECT_EQ(m.mouseEnds, 1);
}

TEST(ScalerCalendar, AdaptiveSteps)
{
    EXPECT_EQ(TqvDateScalerModel::GetAdaptiveStep(kScale1Month, D(2024, 3, 15)),
              D(2024, 4, 1) - D(2024, 3, 15));
    EXPECT_EQ(TqvDateScalerModel::GetAdaptiveStep(kScale1Month, D(2024, 12, 1)), 31);
    EXPECT_EQ(TqvDateScalerModel::GetAdaptiveStep(kScale3Month, D(2024, 11, 20)),
              D(2025, 1, 1) - D(2024, 11, 20));
    EXPECT_EQ(TqvDateScalerModel::GetAdaptiveStep(kScale1Year, D(2024, 1, 1)), 366);
    EXPECT_EQ(TqvDateScalerModel::GetAdaptiveStep(kScale10Year, D(1990, 1, 1)),
              D(2000, 1, 1) - D(1990, 1, 1));
    EXPECT_EQ(TqvDateScalerModel::GetAdaptiveStep(kScale1Hour, D(2024, 1, 1)), kScale1Hour);
    EXPECT_EQ(TqvDateScalerModel::GetAdaptiveStep(kScale1Week, D(2024, 1, 1)), 7);
}

// Before 30 December 1899 a date's day is its truncation toward zero and its
// time counts forward from that day's midnight.
TEST(ScalerCalendar, WeeksBeforeDayZeroWithATimeOfDay)
{
    TestScalerModel m;
    for (int first = 1; first <= 7; ++first) {
        m.SetFirstDayOfWeek(first);
        for (int dd = 1; dd <= 28; ++dd) {
            const TDateTime day = EncodeDate(1899, 11, dd);
            const TDateTime noon = EncodeDateTime(1899, 11, dd, 12, 0, 0, 0);
            ASSERT_EQ(DateOf(noon), day);
            const TDateTime expected = m.TruncToFirstDayOfWeek(day);
            EXPECT_EQ(m.TruncToFirstDayOfWeek(noon), expected) << "first " << first << ", day " << dd;
            EXPECT_EQ(m.Snap(kScale1Week, noon), expected) << "first " << first << ", day " << dd;
            EXPECT_EQ(DayOfWeek(expected), first);
            EXPECT_LE(day - expected, 6);
            EXPECT_GE(day - expected, 0);
        }
    }
}
