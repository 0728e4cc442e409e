#include <gtest/gtest.h>

#include "skedra/platform/Types.h"

using namespace skedra;

namespace
{

struct Counter : TObject {
    int calls = 0;
    int Add(int v)
    {
        calls += v;
        return calls;
    }
    int Other(int v) { return v; }
};

} // namespace

TEST(Method, BoundHandlersCompareByCodeAndObject)
{
    Counter a, b;
    auto m1 = MakeMethod<&Counter::Add>(&a);
    auto m2 = MakeMethod<&Counter::Add>(&a);
    EXPECT_TRUE(m1 == m2);
    EXPECT_FALSE(m1 == MakeMethod<&Counter::Add>(&b));
    EXPECT_FALSE(m1 == MakeMethod<&Counter::Other>(&a));
    EXPECT_EQ(m1(5), 5);
    EXPECT_EQ(a.calls, 5);
    EXPECT_EQ(m1.Data(), &a);
}

TEST(Method, PlainCallablesEqualOnlyThemselvesAndEmptyIsSkipped)
{
    int hits = 0;
    TMethod<void(int)> f = [&](int v) { hits += v; };
    TMethod<void(int)> g = [&](int v) { hits += v; };
    TMethod<void(int)> copy = f;
    EXPECT_TRUE(f == copy);
    EXPECT_FALSE(f == g);
    f(2);
    EXPECT_EQ(hits, 2);
    TMethod<int(int)> empty;
    EXPECT_FALSE(empty);
    EXPECT_EQ(empty(3), 0);
}

TEST(Set, IncludeExcludeAndAlgebra)
{
    enum E { e0, e1, e2, e30 = 30 };
    TSet<E> s{e0, e30};
    EXPECT_TRUE(s.Contains(e30));
    EXPECT_FALSE(s.Contains(e1));
    s += e1;
    s -= e0;
    EXPECT_EQ(s, (TSet<E>{e1, e30}));
    EXPECT_EQ((s * TSet<E>{e1, e2}), TSet<E>{e1});
    EXPECT_TRUE(TSet<E>{e1}.SubsetOf(s));
}

TEST(DateTime, EncodeDecodeRoundTripsAndDayOfWeek)
{
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(DayOfWeek(0), 7); // a Saturday
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
    EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 8)), 3); // a Tuesday
    for (int day = -693593; day < 2958465; day += 997) {
        int y, m, d;
        DecodeDate(day, y, m, d);
        EXPECT_EQ(EncodeDate(y, m, d), day);
    }
    int h, n, s, ms;
    DecodeTime(EncodeTime(23, 59, 59, 999), h, n, s, ms);
    EXPECT_EQ((std::array{h, n, s, ms}), (std::array{23, 59, 59, 999}));
    // Negative values count the fraction forward from their day.
    int y, m, d;
    DecodeDateTime(-1.25, y, m, d, h, n, s, ms);
    EXPECT_EQ((std::array{y, m, d, h}), (std::array{1899, 12, 29, 6}));
    EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
    EXPECT_THROW(DecodeDate(std::nan(""), y, m, d), EConvertError);
    EXPECT_THROW(DecodeDate(1e300, y, m, d), EConvertError);
}

TEST(DateTime, FormatPatternLanguage)
{
    const TFormatSettings fs = TFormatSettings::Invariant();
    const TDateTime t = EncodeDateTime(2024, 3, 5, 14, 7, 9, 0);
    EXPECT_EQ(FormatDateTime("YYYY", t, fs), "2024");
    EXPECT_EQ(FormatDateTime("yy", t, fs), "24");
    EXPECT_EQ(FormatDateTime("mmm mmmm", t, fs), "Mar March");
    EXPECT_EQ(FormatDateTime("ddd dddd", t, fs), "Tue Tuesday");
    EXPECT_EQ(FormatDateTime("ddddd", t, fs), "2024-03-05");
    EXPECT_EQ(FormatDateTime("dddddd", t, fs), "Tuesday 5 March 2024");
    EXPECT_EQ(FormatDateTime("HH:MM:SS", t, fs), "14:07:09");
    EXPECT_EQ(FormatDateTime("HH NN", t, fs), "14 07");
    EXPECT_EQ(FormatDateTime("YYMMDD", t, fs), "240305");
    EXPECT_EQ(FormatDateTime("'week' d \"of\" m", t, fs), "week 5 of 3");
    EXPECT_EQ(FormatDateTime("h:nn am/pm", t, fs), "2:07 pm");
    EXPECT_EQ(FormatDateTime("d/m", t, fs), "5-3");
}

TEST(DateTime, LocaleFormatsBecomePatterns)
{
    EXPECT_EQ(FromQtDateTimePattern("M/d/yy"), "m/d/yy");
    EXPECT_EQ(FromQtDateTimePattern("HH:mm:ss"), "hh:nn:ss");
    EXPECT_EQ(FromQtDateTimePattern("h:mm AP"), "h:nn AMPM");
    const TFormatSettings us = TFormatSettings::FromLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(us.LongDayNames[0], "Sunday");
    EXPECT_EQ(us.ShortMonthNames[11], "Dec");
}

TEST(Color, SystemColorsResolveThroughTheFixedTable)
{
    EXPECT_EQ(ColorToRGB(clBtnFace), RGB(212, 208, 200));
    EXPECT_EQ(ColorToRGB(clWindow), clWhite);
    EXPECT_EQ(ColorToRGB(clRed), 0x0000FFu);
    EXPECT_EQ(ToQColor(clBlue), QColor(0, 0, 255));
}
