// The scaler's mapping: hidden time, visible time between instants, dates to
// pixels and back, limits and bad input. The oracle tests compare the
// conversions with a brute-force count of visible minutes (or seconds).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "skedra/platform/Exceptions.h"
#include "tests/scaler/ScalerTestSupport.h"

using namespace skedra;
using namespace skedra::test;

namespace
{

// Which minutes of a week (from Sunday 00:00) are visible, built straight from the sets.
struct Oracle {
    std::vector<char> minute; // 7 * 1440
    Oracle(const TqvHiddenHours& hours, const TqvHiddenDays& days) : minute(7 * 1440)
    {
        for (int w = 0; w < 7; ++w)
            for (int m = 0; m < 1440; ++m)
                minute[w * 1440 + m] = !days.Contains(static_cast<TqvHiddenDaysEnum>(w)) &&
                                       !hours.Contains(static_cast<TqvHiddenHoursEnum>(m / 60));
    }
    // Minute index within the week of an absolute minute (minute 0 is Saturday 00:00 of day 0).
    static int WeekIndex(int64_t absMinute) { return static_cast<int>((absMinute + 6 * 1440) % (7 * 1440)); }
    bool Visible(int64_t absMinute) const { return minute[WeekIndex(absMinute)]; }
    int64_t Count(int64_t lo, int64_t hi) const
    {
        int64_t n = 0;
        int idx = WeekIndex(lo);
        for (int64_t m = lo; m < hi; ++m) {
            n += minute[idx];
            if (++idx == 7 * 1440) idx = 0;
        }
        return n;
    }
    int64_t CountSeconds(int64_t lo, int64_t hi) const
    {
        int64_t n = 0;
        for (int64_t s = lo; s < hi; ++s)
            n += Visible(s / 60);
        return n;
    }
};

struct HiddenConfig {
    TqvHiddenHours hours;
    TqvHiddenDays days;
};

HiddenConfig RandomConfig(std::mt19937& rng)
{
    std::bernoulli_distribution hourHidden(0.35), dayHidden(0.3);
    HiddenConfig c;
    for (int h = 0; h < 24; ++h)
        if (hourHidden(rng)) c.hours.Include(static_cast<TqvHiddenHoursEnum>(h));
    for (int w = 0; w < 7; ++w)
        if (dayHidden(rng)) c.days.Include(static_cast<TqvHiddenDaysEnum>(w));
    if (c.hours.Count() == 24) c.hours.Exclude(thh12);
    if (c.days.Count() == 7) c.days.Exclude(thdWED);
    return c;
}

constexpr double kMinuteEps = 1e-6; // in minutes

} // namespace

TEST(ScalerOracle, VisibleTimeBetweenRandomInstantsMatchesMinuteCount)
{
    std::mt19937 rng(20261208);
    std::uniform_int_distribution<int64_t> startMinute(int64_t(33000) * 1440, int64_t(52000) * 1440);
    std::uniform_real_distribution<double> logSpan(0.0, std::log(3.0 * 366 * 1440));
    int checked = 0;
    for (int config = 0; config < 30; ++config) {
        const HiddenConfig c = config == 0 ? HiddenConfig{} : RandomConfig(rng);
        TestScalerModel m;
        m.SetHiddenHours(c.hours);
        m.SetHiddenDays(c.days);
        const Oracle oracle(m.GetHiddenHours(), m.GetHiddenDays());
        for (int i = 0; i < 100; ++i) {
            const int64_t lo = startMinute(rng);
            const int64_t hi = lo + static_cast<int64_t>(std::exp(logSpan(rng)));
            const double a = lo / 1440.0, b = hi / 1440.0;
            const int64_t expected = oracle.Count(lo, hi);
            ASSERT_NEAR(m.DateDiffToVisibleTime(a, b) * 1440.0, double(expected), kMinuteEps)
                << "config " << config << " from " << lo << " to " << hi;
            ASSERT_NEAR(m.DateDiffToVisibleTime(b, a) * 1440.0, -double(expected), kMinuteEps);
            ++checked;
        }
    }
    EXPECT_EQ(checked, 3000);
}

TEST(ScalerOracle, VisibleTimeOfShortSpansMatchesSecondCount)
{
    std::mt19937 rng(77);
    std::uniform_int_distribution<int64_t> startSecond(int64_t(40000) * 86400, int64_t(46000) * 86400);
    std::uniform_int_distribution<int64_t> span(0, 2 * 86400);
    for (int config = 0; config < 10; ++config) {
        const HiddenConfig c = RandomConfig(rng);
        TestScalerModel m;
        m.SetHiddenHours(c.hours);
        m.SetHiddenDays(c.days);
        const Oracle oracle(m.GetHiddenHours(), m.GetHiddenDays());
        for (int i = 0; i < 100; ++i) {
            const int64_t lo = startSecond(rng), hi = lo + span(rng);
            const int64_t expected = oracle.CountSeconds(lo, hi);
            ASSERT_NEAR(m.DateDiffToVisibleTime(lo / 86400.0, hi / 86400.0) * 86400.0, double(expected),
                        1e-3);
            ASSERT_NEAR(m.DateDiffToVisibleTime(hi / 86400.0, lo / 86400.0) * 86400.0, -double(expected),
                        1e-3);
        }
    }
}

TEST(ScalerOracle, TrueTimeAtVisibleDistanceIsTheNearestSuchInstant)
{
    std::mt19937 rng(4242);
    std::uniform_int_distribution<int64_t> startMinute(int64_t(36000) * 1440, int64_t(50000) * 1440);
    std::uniform_real_distribution<double> logVisible(0.0, std::log(400.0 * 1440));
    for (int config = 0; config < 20; ++config) {
        const HiddenConfig c = RandomConfig(rng);
        TestScalerModel m;
        m.SetHiddenHours(c.hours);
        m.SetHiddenDays(c.days);
        const Oracle oracle(m.GetHiddenHours(), m.GetHiddenDays());
        for (int i = 0; i < 50; ++i) {
            const int64_t from = startMinute(rng);
            const int64_t visible = 1 + static_cast<int64_t>(std::exp(logVisible(rng)));
            // Forward: the earliest instant after which `visible` minutes have passed.
            const double t = m.VisibleTimeDiffToTrueTime(from / 1440.0, visible / 1440.0);
            const int64_t tm = std::llround(t * 1440.0);
            ASSERT_NEAR(t * 1440.0, double(tm), 1e-6);
            ASSERT_EQ(oracle.Count(from, tm), visible) << "config " << config;
            ASSERT_TRUE(oracle.Visible(tm - 1));
            // Backward: the latest instant `visible` minutes before.
            const double u = m.VisibleTimeDiffToTrueTime(from / 1440.0, -visible / 1440.0);
            const int64_t um = std::llround(u * 1440.0);
            ASSERT_EQ(oracle.Count(um, from), visible);
            ASSERT_TRUE(oracle.Visible(um));
        }
    }
}

// Pixels to dates and back, everywhere on a 1920-pixel axis, for spans from
// minutes to a century, with and without hidden time.
TEST(ScalerOracle, PixelRoundTripsStayWithinOnePixel)
{
    std::mt19937 rng(9);
    const double spans[] = {20 * kScale1Sec, 3 * kHour, 1, 14, 92, 366, 3653, 36524};
    std::vector<HiddenConfig> configs = {{}, {{}, Weekend()}, {Night(), Weekend()}};
    for (int i = 0; i < 3; ++i)
        configs.push_back(RandomConfig(rng));
    for (const HiddenConfig& c : configs) {
        for (double span : spans) {
            TestScalerModel m(1920);
            m.SetHiddenHours(c.hours);
            m.SetHiddenDays(c.days);
            const TDateTime start = span > 1000 ? D(1950, 2, 3, 9, 30) : D(2024, 2, 26, 9, 30);
            m.SetStart(start);
            m.SetStop(m.VisibleTimeDiffToTrueTime(m.GetStart(), span * (m.VisibleTimeForWeek() / 7)));
            ASSERT_GT(m.GetScale(), 0);
            ASSERT_FALSE(m.GetMinorMarks().empty());
            for (int p = 0; p <= 1920; ++p) {
                const TDateTime d = m.PixelToDate(p);
                ASSERT_EQ(m.DateToPixel(d), p) << "span " << span << " pixel " << p;
            }
            std::uniform_real_distribution<double> when(m.GetStart(), m.GetStop());
            for (int i = 0; i < 2000; ++i) {
                const TDateTime d = when(rng);
                const TDateTime back = m.PixelToDate(m.DateToPixel(d));
                ASSERT_LE(std::fabs(m.DateDiffToVisibleTime(d, back)), m.GetScale() + 1e-9)
                    << "span " << span << " date " << d;
            }
            // Measuring from the nearest mark is the same as measuring from Start.
            for (int i = 0; i < 200; ++i) {
                const TDateTime d = when(rng);
                const double direct = m.DateDiffToPixelLength(m.GetStart(), d);
                ASSERT_LE(std::fabs(m.DateToPixel(d) - direct), 0.5 + 1e-6);
            }
        }
    }
}

TEST(ScalerMapping, WithoutHiddenTimeThePixelIsLinear)
{
    TestScalerModel m(800);
    m.SetStart(D(2024, 5, 1));
    m.SetStop(D(2024, 5, 9));
    for (double d = m.GetStart(); d <= m.GetStop(); d += 0.013713)
        EXPECT_EQ(m.DateToPixel(d), std::nearbyint((d - m.GetStart()) * 800 / 8.0));
    EXPECT_NEAR(m.DateDiffToVisibleTime(D(2024, 5, 1, 3), D(2024, 6, 7, 14)),
                D(2024, 6, 7, 14) - D(2024, 5, 1, 3), 1e-9);
}

TEST(ScalerMapping, HiddenWeekendAndNights)
{
    TestScalerModel m;
    m.SetHiddenDays(Weekend());
    // 2024-03-01 is a Friday.
    // Within the resolution of a date (about a microsecond so far from day 0).
    EXPECT_NEAR(m.DateDiffToVisibleTime(D(2024, 3, 1, 23), D(2024, 3, 4)), kHour, 1e-10);
    m.SetStart(D(2024, 2, 26));
    m.SetStop(D(2024, 3, 9));
    const int monday = m.DateToPixel(D(2024, 3, 4));
    for (double h = 0; h < 48; h += 0.5)
        EXPECT_EQ(m.DateToPixel(D(2024, 3, 2) + h / 24), monday);
    EXPECT_EQ(m.DateToPixel(D(2024, 3, 2)), m.DateToPixel(D(2024, 3, 1, 23, 59, 59, 999)));

    TestScalerModel n;
    n.SetHiddenHours(Night());
    EXPECT_DOUBLE_EQ(n.VisibleTimeForDay(D(2024, 3, 2)), 10.0 / 24);
    n.SetHiddenDays(Weekend());
    EXPECT_DOUBLE_EQ(n.VisibleTimeForWeek(), 50.0 / 24);
    EXPECT_EQ(n.VisibleTimeForDay(D(2024, 3, 2)), 0);
    EXPECT_TRUE(n.IsHiddenHour(7));
    EXPECT_FALSE(n.IsHiddenHour(8));
    EXPECT_FALSE(n.IsHiddenHour(24));
    EXPECT_FALSE(n.IsHiddenHour(-1));
    EXPECT_EQ(n.GetHiddenHourCount(), 14);
    EXPECT_EQ(n.GetHiddenDayCount(), 2);
}

TEST(ScalerMapping, VisibleTimeForPartOfDay)
{
    TestScalerModel m;
    const TDateTime day = D(2024, 3, 5);
    EXPECT_DOUBLE_EQ(m.VisibleTimeForPartOfDay(day, 0.5, day), 0.5);
    EXPECT_EQ(m.VisibleTimeForPartOfDay(day, 1.0, day), 0);
    EXPECT_EQ(m.VisibleTimeForPartOfDay(day, -0.25, day), -0.25);
    m.SetHiddenHours(TqvHiddenHours{thh07});
    EXPECT_NEAR(m.VisibleTimeForPartOfDay(day, kHour, day + 7.5 * kHour), 30 * kMinute, 1e-12);
    // Start and end within one visible hour.
    EXPECT_NEAR(m.VisibleTimeForPartOfDay(day, 20 * kMinute, day + 9.25 * kHour), 20 * kMinute, 1e-12);
    // Past midnight only the rest of the day counts.
    EXPECT_NEAR(m.VisibleTimeForPartOfDay(day, 0.5, day + 22 * kHour), 2 * kHour, 1e-12);
    m.SetHiddenDays(TqvHiddenDays{thdTUE});
    EXPECT_EQ(m.VisibleTimeForPartOfDay(day, 0.5, day), 0); // 5 March 2024 is a Tuesday
}

TEST(ScalerMapping, TrueTimeAfterTwoVisibleHoursFromFridayAfternoon)
{
    TestScalerModel m;
    m.SetHiddenHours(Night());
    EXPECT_NEAR(m.VisibleTimeDiffToTrueTime(D(2024, 3, 1, 17), 2 * kHour), D(2024, 3, 2, 9), 1e-9);
    m.SetHiddenDays(Weekend());
    EXPECT_NEAR(m.VisibleTimeDiffToTrueTime(D(2024, 3, 1, 17), 2 * kHour), D(2024, 3, 4, 9), 1e-9);
    EXPECT_NEAR(m.VisibleTimeDiffToTrueTime(D(2024, 3, 4, 9), -2 * kHour), D(2024, 3, 1, 17), 1e-9);
    EXPECT_EQ(m.VisibleTimeDiffToTrueTime(D(2024, 3, 4, 9), 0), D(2024, 3, 4, 9));
    EXPECT_EQ(m.VisibleTimeDiffToTrueTime(0.5, -30), 0); // nothing before day 0
}

TEST(ScalerMapping, LeavingHiddenTime)
{
    TestScalerModel m;
    m.SetHiddenHours(Night());
    m.SetHiddenDays(Weekend());
    EXPECT_NEAR(m.VisibleTimeToTrueTime_High(D(2024, 3, 2, 11)), D(2024, 3, 4, 8), 1e-9);
    EXPECT_NEAR(m.VisibleTimeToTrueTime_High(D(2024, 3, 5, 19, 30)), D(2024, 3, 6, 8), 1e-9);
    EXPECT_EQ(m.VisibleTimeToTrueTime_High(D(2024, 3, 5, 9, 30)), D(2024, 3, 5, 9, 30));
    EXPECT_NEAR(m.VisibleTimeToTrueTime_Low(D(2024, 3, 3, 11)), D(2024, 3, 1, 17, 59, 59, 999), 1e-9);
    EXPECT_NEAR(m.VisibleTimeToTrueTime_Low(D(2024, 3, 5, 3)), D(2024, 3, 4, 17, 59, 59, 999), 1e-9);
    EXPECT_EQ(m.VisibleTimeToTrueTime_Low(-3), 0);
}

TEST(ScalerMapping, HiddenSetsKeepTheScaleAndRefreshTheCachedAmount)
{
    TestScalerModel m(700);
    m.SetStart(D(2024, 3, 4));
    m.SetStop(D(2024, 3, 18));
    const double scale = m.GetScale();
    const TDateTime stop = m.GetStop();
    m.SetHiddenDays(Weekend());
    EXPECT_NEAR(m.GetScale(), scale, scale * 1e-6);
    EXPECT_GT(m.GetStop(), stop);
    EXPECT_DOUBLE_EQ(m.VisibleTimeAmount(), m.DateDiffToVisibleTime(m.GetStart(), m.GetStop()));
    m.SetHiddenHours(Night());
    EXPECT_NEAR(m.GetScale(), scale, scale * 1e-6);
    EXPECT_DOUBLE_EQ(m.VisibleTimeAmount(), m.DateDiffToVisibleTime(m.GetStart(), m.GetStop()));
    // All 24 hours or all 7 days hidden clears the set.
    TqvHiddenHours all;
    for (int h = 0; h < 24; ++h)
        all.Include(static_cast<TqvHiddenHoursEnum>(h));
    m.SetHiddenHours(all);
    EXPECT_TRUE(m.GetHiddenHours().Empty());
    m.SetHiddenDays(TqvHiddenDays{thdSUN, thdMON, thdTUE, thdWED, thdTHU, thdFRI, thdSAT});
    EXPECT_TRUE(m.GetHiddenDays().Empty());
}

TEST(ScalerMapping, PixelOnAMarkAnswersTheMarksDate)
{
    TestScalerModel m(1000);
    m.SetHiddenHours(Night());
    m.SetHiddenDays(Weekend());
    m.SetStart(D(2024, 2, 26));
    m.SetStop(D(2024, 4, 26));
    ASSERT_GT(m.GetMinorMarks().size(), 3u);
    for (size_t i = 0; i + 1 < m.GetMinorMarks().size(); ++i) {
        const TScaleMark& mark = m.GetMinorMarks()[i];
        const TScaleMark& next = m.GetMinorMarks()[i + 1];
        if (mark.Pixel < 0 || next.Pixel == mark.Pixel) continue; // collapsed ones answer the last mark
        EXPECT_DOUBLE_EQ(m.PixelToDate(mark.Pixel), mark.Date);
    }
}

TEST(ScalerMapping, StartStopAndScaleLimits)
{
    TestScalerModel m(1000);
    m.SetStart(D(2024, 1, 1));
    m.SetStop(D(2024, 1, 8));
    // Stop at or before Start is refused.
    m.SetStop(D(2023, 12, 1));
    EXPECT_EQ(m.GetStop(), D(2024, 1, 8));
    m.SetStop(m.GetStart());
    EXPECT_EQ(m.GetStop(), D(2024, 1, 8));
    // Setting Start scrolls and keeps the visible amount.
    m.SetStart(D(2024, 2, 1));
    EXPECT_DOUBLE_EQ(m.GetStop(), D(2024, 2, 8));
    // A span under ten seconds is refused.
    m.SetScale(5 * kScale1Sec / 1000);
    EXPECT_DOUBLE_EQ(m.GetStop(), D(2024, 2, 8));
    m.SetScale(2.0 / 1000);
    EXPECT_NEAR(m.GetStop(), D(2024, 2, 3), 1e-9);
    // Below 0 is 0; past 1 January 4000 is 1 January 4000.
    m.SetStart(-5);
    EXPECT_EQ(m.GetStart(), 0);
    EXPECT_NEAR(m.GetStop(), 2, 1e-9);
    m.SetStop(EncodeDate(5000, 1, 1));
    EXPECT_EQ(m.GetStop(), EncodeDate(4000, 1, 1));
    m.SetStop(3);
    m.SetStart(EncodeDate(4000, 1, 1));
    EXPECT_LE(m.GetStop(), EncodeDate(4000, 1, 1));
    EXPECT_LT(m.GetStart(), m.GetStop());
    EXPECT_NEAR(m.VisibleTimeAmount(), 3, 1e-6);
    EXPECT_FALSE(m.GetMinorMarks().empty());
    m.SetMinStart(D(2020, 1, 1));
    m.SetStart(D(2019, 1, 1));
    EXPECT_EQ(m.GetStart(), D(2020, 1, 1));
    EXPECT_TRUE(m.CheckIfOkStartStop(D(2020, 1, 1), D(2021, 1, 1)));
    EXPECT_FALSE(m.CheckIfOkStartStop(D(2019, 1, 1), D(2021, 1, 1)));
    EXPECT_THROW(m.SetMaxStop(D(2019, 1, 1)), Exception);
}

TEST(ScalerMapping, BadInputGetsADefinedAnswerOrAClearException)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    TestScalerModel m(500);
    m.SetStart(D(2024, 1, 1));
    m.SetStop(D(2024, 1, 2));
    EXPECT_THROW(m.SetStart(nan), Exception);
    EXPECT_THROW(m.SetStop(nan), Exception);
    EXPECT_THROW(m.SetScale(nan), Exception);
    EXPECT_THROW(m.SetCenterScale(nan, D(2024, 1, 1), 3), Exception);
    EXPECT_THROW(m.VisibleTimeDiffToTrueTime(nan, 1), Exception);
    EXPECT_EQ(m.GetStart(), D(2024, 1, 1));
    EXPECT_EQ(m.DateToPixel(nan), 0);
    EXPECT_EQ(m.DateDiffToVisibleTime(nan, 3), 0);
    EXPECT_EQ(m.PixelToDate(nan), m.GetStart());
    // Far outside the range the pixel is clamped, never overflowing.
    EXPECT_EQ(m.DateToPixel(1e12), 10000000);
    EXPECT_EQ(m.DateToPixel(-1e12), -10000000);
    EXPECT_EQ(m.DateToPixel(inf), 10000000);
    EXPECT_EQ(m.DateToPixel(D(3900, 1, 1)), 10000000);
    EXPECT_TRUE(std::isfinite(m.PixelToDate(inf)));
    EXPECT_TRUE(std::isfinite(m.PixelToDate(-1e300)));
    EXPECT_GE(m.PixelToDate(-1e9), 0);
    EXPECT_TRUE(std::isfinite(m.VisibleTimeDiffToTrueTime(D(2024, 1, 1), inf)));
    EXPECT_NEAR(m.DateDiffToVisibleTime(-inf, inf), 4.0e6, 1);
    m.SetScale(inf);
    EXPECT_EQ(m.GetStop(), EncodeDate(4000, 1, 1));
    EXPECT_LT(m.GetMinorMarks().size(), 500u);
}

TEST(ScalerMapping, ZeroLengthAxisHasNoMarksAndMapsToZero)
{
    TestScalerModel m(0);
    EXPECT_EQ(m.GetScale(), 0);
    EXPECT_TRUE(m.GetMinorMarks().empty());
    EXPECT_TRUE(m.GetMajorMarks().empty());
    EXPECT_EQ(m.DateToPixel(m.GetStart() + 1), 0);
    EXPECT_EQ(m.PixelToDate(40), m.GetStart());
    EXPECT_EQ(m.DateDiffToPixelLength(m.GetStart(), m.GetStop()), 0);
    m.SetScale(0.01); // nothing to scale
    EXPECT_LT(m.GetStart(), m.GetStop());
}

TEST(ScalerMapping, CenterScaleKeepsTheDateUnderThePixelOrRestores)
{
    TestScalerModel m(1000);
    m.SetStart(D(2024, 1, 1));
    m.SetStop(D(2024, 1, 11));
    const TDateTime at = D(2024, 1, 5, 12);
    m.SetCenterScale(0.02, at, 400);
    EXPECT_NEAR(m.GetScale(), 0.02, 1e-9);
    EXPECT_EQ(m.DateToPixel(at), 400);
    const TDateTime start = m.GetStart(), stop = m.GetStop();
    int asked = 0;
    m.OnLimitScaling = [&](TqvDateScaler*, TDateTime, TDateTime, double) {
        ++asked;
        return true;
    };
    m.SetCenterScale(0.05, at, 400);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(m.GetStart(), start);
    EXPECT_EQ(m.GetStop(), stop);
    m.OnLimitScaling.Clear();
    m.SetCenterScale(1e-9, at, 400); // under ten seconds in all
    EXPECT_EQ(m.GetStart(), start);
    EXPECT_EQ(m.GetStop(), stop);
}

TEST(ScalerMapping, AnimationsReachTheirTarget)
{
    TestScalerModel m(1000);
    m.SetStart(D(2024, 1, 1));
    m.SetStop(D(2024, 1, 11));
    int steps = 0;
    m.OnAnimateChange = [&](TObject*) { ++steps; };
    m.AnimateScaleTransition(0.02, 5);
    EXPECT_NEAR(m.GetScale(), 0.02, 1e-8);
    EXPECT_EQ(steps, 4); // the last step reaches the target and stops
    steps = 0;
    m.AnimateScaleTransition(D(2024, 2, 1), D(2024, 2, 3), 4);
    EXPECT_NEAR(m.GetStart(), D(2024, 2, 1), 1e-9);
    EXPECT_NEAR(m.GetStop(), D(2024, 2, 3), 1e-9);
    EXPECT_EQ(steps, 4);
    m.AnimateScaleTransition(-1.0, 5);
    m.AnimateScaleTransition(0.5, 0);
    EXPECT_NEAR(m.GetStop(), D(2024, 2, 3), 1e-9);
}

TEST(ScalerMapping, ResizeKeepsTheScaleUnlessTheRangeWasSet)
{
    TestScalerModel m(1000);
    m.SetStart(D(2024, 1, 1));
    m.SetStop(D(2024, 1, 11));
    m.NotifyResized();
    m.HandleFixedScaleResizing(); // first paint: the range stays
    m.RememberStopAfterPaint();
    EXPECT_EQ(m.GetStop(), D(2024, 1, 11));
    m.SetModelLength(1500);
    m.NotifyResized();
    m.HandleFixedScaleResizing();
    m.RememberStopAfterPaint();
    EXPECT_NEAR(m.GetStop(), D(2024, 1, 16), 1e-9);
    m.SetStop(D(2024, 1, 5));
    m.SetModelLength(500);
    m.NotifyResized();
    m.HandleFixedScaleResizing();
    EXPECT_EQ(m.GetStop(), D(2024, 1, 5));
}

TEST(ScalerMapping, TimeToPixelPlacesOnlyTheTimeOfDay)
{
    TestScalerModel m(480);
    m.SetStart(D(2024, 1, 1));
    m.SetStop(D(2024, 1, 2));
    EXPECT_EQ(m.TimeToPixel(D(2024, 5, 7, 12)), 240);
    EXPECT_EQ(m.TimeToPixel(D(1999, 5, 7, 6)), 120);
}

TEST(ScalerMapping, RefusedZoomKeepsTheScaleRememberedForResizing)
{
    TestScalerModel m(1000);
    m.SetStart(D(2024, 1, 1));
    m.SetStop(D(2024, 1, 11));
    m.RememberStopAfterPaint();
    m.SetScale(5 * kScale1Sec / 1000); // refused: under ten seconds
    m.SetModelLength(1500);
    m.NotifyResized();
    m.HandleFixedScaleResizing();
    EXPECT_NEAR(m.GetStop(), D(2024, 1, 16), 1e-9);

    m.SetStart(D(2024, 1, 1));
    m.SetStop(D(2024, 1, 11));
    m.RememberStopAfterPaint();
    m.OnLimitScaling = [](TqvDateScaler*, TDateTime, TDateTime, double) { return true; };
    m.SetCenterScale(0.5, D(2024, 1, 5), 300); // vetoed
    EXPECT_EQ(m.GetStop(), D(2024, 1, 11));
    m.SetModelLength(3000);
    m.NotifyResized();
    m.HandleFixedScaleResizing();
    EXPECT_NEAR(m.GetStop(), D(2024, 1, 21), 1e-9);
}

TEST(ScalerMapping, RefusedZoomWithMaxStopBeforeStartKeepsARange)
{
    TestScalerModel m(1000);
    m.SetStart(D(2024, 1, 10));
    m.SetStop(D(2024, 1, 20));
    m.SetMaxStop(D(2024, 1, 5)); // the visible range lies beyond it
    m.OnLimitScaling = [](TqvDateScaler*, TDateTime, TDateTime, double) { return true; };
    m.SetCenterScale(0.02, D(2024, 1, 15), 500);
    EXPECT_NO_THROW(m.CheckInvariants());
    EXPECT_EQ(m.GetStart(), D(2024, 1, 10));
    EXPECT_EQ(m.GetStop(), D(2024, 1, 20));
    EXPECT_GT(m.GetScale(), 0);
    EXPECT_FALSE(m.GetMinorMarks().empty());
    m.OnLimitScaling.Clear();
    m.SetCenterScale(1e-9, D(2024, 1, 15), 500); // refused for its span
    EXPECT_NO_THROW(m.CheckInvariants());
    m.SetStart(D(2024, 2, 1));
    EXPECT_NO_THROW(m.CheckInvariants());
    EXPECT_LE(m.GetStart(), D(2024, 1, 5));
}

TEST(ScalerMapping, AnAxisAlwaysShowsSomeVisibleTime)
{
    // 6 and 7 January 2024 are a Saturday and a Sunday.
    TestScalerModel m(1000);
    m.SetHiddenDays(Weekend());
    m.SetStart(D(2024, 1, 5));
    m.SetStop(D(2024, 1, 9));
    // A range wholly inside the hidden weekend is refused like an empty one.
    m.SetStart(D(2024, 1, 6, 2));
    const TDateTime stop = m.GetStop();
    m.SetStop(D(2024, 1, 6, 20));
    EXPECT_EQ(m.GetStop(), stop);
    EXPECT_GT(m.GetScale(), 0);
    // Limits around nothing but hidden time are refused, whichever comes last.
    m.SetMinStart(D(2024, 1, 6));
    try {
        m.SetMaxStop(D(2024, 1, 8));
        ADD_FAILURE() << "a window of hidden days was taken";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "No visible time between MinStart and MaxStop");
    }
    EXPECT_EQ(m.GetMaxStop(), EncodeDate(4000, 1, 1));
    m.SetHiddenDays({});
    m.SetMaxStop(D(2024, 1, 8));
    try {
        m.SetHiddenDays(Weekend());
        ADD_FAILURE() << "hidden days covering the window were taken";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(),
                  "The hidden days and hours leave no visible time between MinStart and MaxStop");
    }
    EXPECT_TRUE(m.GetHiddenDays().Empty());
    EXPECT_NO_THROW(m.CheckInvariants());
    // A window of a Friday afternoon and a weekend: a start late in the
    // weekend shows the afternoon.
    m.SetMinStart(D(2024, 1, 5, 12));
    m.SetStart(D(2024, 1, 6, 10));
    m.SetStop(D(2024, 1, 6, 12));
    m.SetHiddenDays(Weekend());
    EXPECT_GT(m.GetScale(), 0);
    EXPECT_GE(m.GetStart(), D(2024, 1, 5, 12));
    EXPECT_LE(m.GetStop(), D(2024, 1, 8));
    EXPECT_NO_THROW(m.CheckInvariants());
    m.SetStart(D(2024, 1, 7, 22));
    EXPECT_GT(m.GetScale(), 0);
    EXPECT_LT(m.GetStart(), D(2024, 1, 6));
    // Without limits, a weekend range newly hidden reaches on into Monday.
    TestScalerModel w(1000);
    w.SetStart(D(2024, 1, 6, 10));
    w.SetStop(D(2024, 1, 6, 20));
    w.SetModelLength(0);
    w.SetHiddenDays(Weekend());
    w.SetModelLength(1000);
    w.NotifyResized();
    w.HandleFixedScaleResizing();
    EXPECT_GT(w.GetScale(), 0);
    EXPECT_GT(w.GetStop(), D(2024, 1, 8));
    EXPECT_NO_THROW(w.CheckInvariants());
}

// Every operation, with any limits and veto, leaves Start before Stop.
TEST(ScalerMapping, RandomOperationsKeepStartBeforeStop)
{
    for (unsigned seed = 1; seed <= 6; ++seed) {
        std::mt19937 rng(seed);
        TestScalerModel m(800);
        const TDateTime base = D(2024, 1, 1);
        std::uniform_real_distribution<double> day(-40, 40), unit(0, 1);
        bool veto = false;
        m.OnLimitScaling = [&](TqvDateScaler*, TDateTime, TDateTime, double) { return veto; };
        for (int step = 0; step < 600; ++step) {
            const int op = static_cast<int>(rng() % 10);
            try {
                switch (op) {
                case 0:
                    m.SetStart(base + day(rng));
                    break;
                case 1:
                    m.SetStop(base + day(rng));
                    break;
                case 2:
                    m.SetScale(std::pow(10.0, -9 + 9 * unit(rng)));
                    break;
                case 3:
                    m.SetCenterScale(std::pow(10.0, -9 + 9 * unit(rng)), base + day(rng),
                                     int(rng() % 1600) - 400);
                    break;
                case 4:
                    m.SetMinStart(base + day(rng) - 60);
                    break;
                case 5:
                    m.SetMaxStop(base + day(rng));
                    break;
                case 6:
                    veto = !veto;
                    break;
                case 7:
                    m.SetHiddenDays(rng() % 2 ? Weekend() : TqvHiddenDays{});
                    break;
                case 8:
                    m.SetHiddenHours(rng() % 2 ? Night() : TqvHiddenHours{});
                    break;
                default:
                    m.SetModelLength(int(rng() % 1200));
                    m.NotifyResized();
                    m.HandleFixedScaleResizing();
                    m.RememberStopAfterPaint();
                    break;
                }
            } catch (const Exception&) {
                // Limits refused with a clear exception are fine; the range must still hold.
            }
            ASSERT_NO_THROW(m.CheckInvariants()) << "seed " << seed << " step " << step << " op " << op;
        }
    }
}

TEST(ScalerMapping, PixelToDateAtAndLeftOfZeroIsMonotonicFromStart)
{
    // Century steps near day 0: the first mark lies decades before Start.
    TestScalerModel m(1000);
    m.SetStart(0);
    m.SetStop(EncodeDate(2200, 1, 1));
    ASSERT_FALSE(m.GetMinorMarks().empty());
    ASSERT_LT(m.GetMinorMarks().front().Date, m.GetStart());
    EXPECT_EQ(m.PixelToDate(0), m.GetStart());
    TDateTime previous = -1;
    for (int p = -20; p <= 1020; ++p) {
        const TDateTime d = m.PixelToDate(p);
        EXPECT_GE(d, previous) << "pixel " << p;
        EXPECT_GE(d, 0) << "pixel " << p;
        if (p <= 0) {
            EXPECT_LE(d, m.GetStart()) << "pixel " << p;
        }
        previous = d;
    }
    // The same with hidden time and a start inside the range of the calendar.
    TestScalerModel h(700);
    h.SetHiddenDays(Weekend());
    h.SetHiddenHours(Night());
    h.SetStart(D(2024, 3, 6, 13));
    h.SetStop(D(2024, 6, 1));
    EXPECT_EQ(h.PixelToDate(0), h.GetStart());
    previous = 0;
    for (int p = -30; p <= 730; ++p) {
        const TDateTime d = h.PixelToDate(p);
        EXPECT_GE(d, previous) << "pixel " << p;
        if (p < 0) {
            EXPECT_LT(d, h.GetStart()) << "pixel " << p;
        }
        previous = d;
    }
    EXPECT_EQ(h.PixelToDate(-1e9), 0);
    EXPECT_EQ(h.PixelToDate(1e9), ScalerEndOfTime());
}

TEST(ScalerMapping, DateToPixelIsExactOnSpansUnderTenSeconds)
{
    TestScalerModel m(1000);
    const TDateTime start = D(2024, 5, 7, 9, 30, 12, 345);
    m.SetStart(start);
    for (double seconds : {0.5, 1.0, 2.0, 7.5}) {
        m.SetStop(start + seconds / SecsPerDay);
        const double span = m.GetStop() - m.GetStart();
        for (double px = 0.25; px < 1000; px += 37.0) {
            const TDateTime d = start + px * span / 1000;
            EXPECT_EQ(m.DateToPixel(d), static_cast<int>(std::nearbyint(px)))
                << seconds << " s, pixel " << px;
            EXPECT_NEAR(m.PixelToDate(px), d, span / 1000 / 100) << seconds << " s, pixel " << px;
        }
    }
}

// Exactly whole weeks of visible time from the end (forward) or the start
// (backward) of a visible stretch land on the same edge whole weeks away,
// never on the neighbouring edge across the hidden night and weekend.
TEST(ScalerMapping, MoveOfExactlyWholeWeeksOfVisibleTimeWithHiddenDaysAndHours)
{
    TestScalerModel m;
    m.SetHiddenHours(Night());
    m.SetHiddenDays(Weekend());
    const TDateTime week = m.VisibleTimeForWeek();
    ASSERT_NEAR(week, 50.0 / 24, 1e-12);
    const TDateTime fridayEnd = D(2024, 3, 8, 18);
    const TDateTime mondayStart = D(2024, 3, 4, 8);
    for (int k : {1, 2, 5}) {
        EXPECT_NEAR(m.VisibleTimeDiffToTrueTime(fridayEnd, k * week), fridayEnd + 7 * k, OneMillisecond) << k;
        EXPECT_NEAR(m.VisibleTimeDiffToTrueTime(mondayStart, -k * week), mondayStart - 7 * k, OneMillisecond)
            << k;
        // From inside the day the whole weeks are exact too.
        const TDateTime wednesday = D(2024, 3, 6, 11, 30);
        EXPECT_NEAR(m.VisibleTimeDiffToTrueTime(wednesday, k * week), wednesday + 7 * k, OneMillisecond) << k;
        EXPECT_NEAR(m.VisibleTimeDiffToTrueTime(wednesday, -k * week), wednesday - 7 * k, OneMillisecond)
            << k;
    }
}
