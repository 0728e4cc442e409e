// Calendar edges of TDateTime and FormatDateTime: leap years, day 0, dates
// before it, and the first and last days the calendar accepts.

#include <gtest/gtest.h>

#include "skedra/platform/DateTime.h"
#include "skedra/platform/Exceptions.h"

using namespace skedra;

namespace
{

QString F(const char* pattern, TDateTime v)
{
    return FormatDateTime(QString::fromLatin1(pattern), v, TFormatSettings::Invariant());
}

} // namespace

TEST(DateTimeEdges, LeapYearsFollowTheGregorianRules)
{
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_TRUE(IsLeapYear(1600));
    EXPECT_TRUE(IsLeapYear(2024));
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_FALSE(IsLeapYear(2100));
    EXPECT_FALSE(IsLeapYear(2023));
    EXPECT_EQ(DaysInAMonth(2000, 2), 29);
    EXPECT_EQ(DaysInAMonth(1900, 2), 28);
    EXPECT_EQ(DaysInAMonth(2023, 13), 0);
    EXPECT_THROW(EncodeDate(1900, 2, 29), EConvertError);
    EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
    const TDateTime feb29 = EncodeDate(2000, 2, 29);
    EXPECT_EQ(feb29 + 1, EncodeDate(2000, 3, 1));
    EXPECT_EQ(EncodeDate(1900, 3, 1) - EncodeDate(1900, 2, 28), 1);
    EXPECT_EQ(F("yyyy-mm-dd dddd", feb29), "2000-02-29 Tuesday");
    EXPECT_EQ(F("yyyy-mm-dd", IncMonth(EncodeDate(2000, 1, 31))), "2000-02-29");
    EXPECT_EQ(F("yyyy-mm-dd", IncMonth(EncodeDate(2001, 1, 31))), "2001-02-28");
    EXPECT_EQ(F("yyyy-mm-dd", IncMonth(feb29, 12)), "2001-02-28");
    EXPECT_EQ(F("yyyy-mm-dd", IncMonth(feb29, 48)), "2004-02-29");
    // 400 years have the same number of days in every cycle.
    EXPECT_EQ(EncodeDate(2400, 1, 1) - EncodeDate(2000, 1, 1), 146097);
}

TEST(DateTimeEdges, DayZeroIsSaturday30December1899)
{
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
    EXPECT_EQ(DayOfWeek(0), 7);
    EXPECT_EQ(DayOfWeek(1), 1);
    EXPECT_EQ(F("dddd d mmmm yyyy hh:nn:ss", 0), "Saturday 30 December 1899 00:00:00");
    EXPECT_EQ(F("yymmdd", 0), "991230");
    EXPECT_EQ(F("yyyy-mm-dd hh:nn", 0.75), "1899-12-30 18:00");
    EXPECT_EQ(F("HH:MM:SS", 0.5 + 1.0 / 24 / 60), "12:01:00");
    EXPECT_EQ(F("ddd mmm", 2), "Mon Jan");
}

TEST(DateTimeEdges, NegativeDatesCountTheTimeForwardFromTheDay)
{
    int y = 0, m = 0, d = 0;
    DecodeDate(-1, y, m, d);
    EXPECT_EQ(y, 1899);
    EXPECT_EQ(m, 12);
    EXPECT_EQ(d, 29);
    EXPECT_EQ(DayOfWeek(-1), 6);
    EXPECT_EQ(DayOfWeek(-7), 7);
    EXPECT_EQ(DayOfWeek(-8), 6);
    EXPECT_EQ(F("yyyy-mm-dd hh:nn", -1.25), "1899-12-29 06:00");
    EXPECT_EQ(F("yyyy-mm-dd hh:nn", -0.5), "1899-12-30 12:00");
    EXPECT_EQ(EncodeDate(1899, 12, 1), -29);
    EXPECT_EQ(F("yyyy-mm-dd", EncodeDate(1600, 2, 29)), "1600-02-29");
    EXPECT_EQ(F("yyyy-mm-dd", EncodeDate(1, 1, 1)), "0001-01-01");
    EXPECT_EQ(EncodeDate(1, 1, 1), MinDateTime);
    EXPECT_EQ(DayOfWeek(EncodeDate(1, 1, 1)), 2); // a Monday, proleptic Gregorian
    EXPECT_EQ(F("yyyy-mm-dd hh:nn", MinDateTime - 0.5), "0001-01-01 12:00");
    // Encoding a time of day on such a date keeps the day.
    EXPECT_EQ(EncodeDateTime(1899, 12, 1, 6, 0, 0, 0), -29.25);
    EXPECT_EQ(F("yyyy-mm-dd hh:nn", EncodeDateTime(1899, 12, 1, 18, 30, 0, 0)), "1899-12-01 18:30");
    EXPECT_EQ(F("yyyy-mm-dd hh:nn", EncodeDateTime(1899, 12, 30, 18, 30, 0, 0)), "1899-12-30 18:30");
}

TEST(DateTimeEdges, Year9999IsTheLastYear)
{
    const TDateTime last = EncodeDate(9999, 12, 31);
    EXPECT_EQ(last, 2958465);
    EXPECT_EQ(F("yyyy-mm-dd dddd", last), "9999-12-31 Friday");
    EXPECT_EQ(F("yy", last), "99");
    EXPECT_EQ(F("yyyy-mm-dd hh:nn:ss.zzz", EncodeDateTime(9999, 12, 31, 23, 59, 59, 999)),
              "9999-12-31 23:59:59.999");
    // The largest value stays on the last day even though it rounds up to the next millisecond.
    EXPECT_EQ(F("yyyy-mm-dd hh:nn:ss", MaxDateTime), "9999-12-31 23:59:59");
    EXPECT_THROW(EncodeDate(10000, 1, 1), EConvertError);
    EXPECT_THROW(EncodeDate(0, 12, 31), EConvertError);
    int y = 0, m = 0, d = 0;
    EXPECT_THROW(DecodeDate(last + 1, y, m, d), EConvertError);
    EXPECT_THROW(DecodeDate(MinDateTime - 1, y, m, d), EConvertError);
    EXPECT_THROW(DecodeDate(std::numeric_limits<double>::quiet_NaN(), y, m, d), EConvertError);
    EXPECT_THROW(IncMonth(last, 1), EConvertError);
}

TEST(DateTimeEdges, TimeRoundsToTheMillisecondAcrossMidnight)
{
    // A hair before midnight is midnight of the next day, not 24:00.
    const TDateTime almost = 1.0 - 1e-10;
    EXPECT_EQ(F("yyyy-mm-dd hh:nn:ss.zzz", almost), "1899-12-31 00:00:00.000");
    EXPECT_EQ(F("hh:nn:ss.zzz", EncodeTime(23, 59, 59, 999)), "23:59:59.999");
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
}

TEST(DateTimeEdges, PatternsWithLiteralsAndTwelveHourClock)
{
    const TDateTime v = EncodeDateTime(2005, 3, 7, 15, 4, 9, 0);
    EXPECT_EQ(F("\"Week of\" d mmm yyyy", v), "Week of 7 Mar 2005");
    EXPECT_EQ(F("'yyyy' yy", v), "yyyy 05");
    EXPECT_EQ(F("h:nn am/pm", v), "3:04 pm");
    EXPECT_EQ(F("hh:nn AMPM", v), "03:04 PM");
    EXPECT_EQ(F("h a/p", EncodeTime(0, 30, 0, 0)), "12 a");
    EXPECT_EQ(F("ddddd", v), "2005-03-07");
    EXPECT_EQ(F("dddddd", v), "Monday 7 March 2005");
    EXPECT_EQ(F("c", EncodeDate(2005, 3, 7)), "2005-03-07");
    EXPECT_EQ(F("c", v), "2005-03-07 15:04:09");
    EXPECT_EQ(F("mmmm", v), "March");
    EXPECT_EQ(F("d/m/yy", v), "7-3-05");
}
