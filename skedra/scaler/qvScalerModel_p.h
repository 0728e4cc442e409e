#pragma once
// Day and millisecond arithmetic shared by the scaler model files (not installed).

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "skedra/platform/DateTime.h"
#include "skedra/platform/Exceptions.h"

namespace skedra
{
class TqvDateScalerModel;
}

namespace skedra::scaler_detail
{

constexpr int64_t kMsPerHour = MSecsPerHour;
constexpr int64_t kMsPerDay = MSecsPerDayInt;
// Dates are handled within these days (roughly years -800 to 10100), so that
// no day or millisecond count can overflow whatever a caller passes in.
constexpr double kLowestDay = -1.0e6;
constexpr double kHighestDay = 3.0e6;
// Pixels are kept within this range: far beyond any screen or printed page,
// yet safe for integer and fixed-point painting arithmetic.
constexpr double kPixelLimit = 10000000.0;
// No rebuild makes more marks than this: a guard against runaway parameters.
constexpr size_t kMaxMarks = 200000;

struct DayMs {
    int64_t day;
    int64_t ms;
};

inline DayMs Split(double d)
{
    d = std::clamp(d, kLowestDay, kHighestDay);
    const double f = std::floor(d);
    DayMs r{static_cast<int64_t>(f),
            static_cast<int64_t>(std::llround((d - f) * static_cast<double>(kMsPerDay)))};
    if (r.ms >= kMsPerDay) {
        ++r.day;
        r.ms -= kMsPerDay;
    }
    return r;
}

// A date as its day and its millisecond rounded to the nearest (as Split
// gives), with the rest: how far the date lies from that millisecond.
struct FineDayMs {
    int64_t day;
    int64_t ms;
    double rest; // -0.5 <= rest <= 0.5, in milliseconds
};

inline FineDayMs SplitFine(double d)
{
    d = std::clamp(d, kLowestDay, kHighestDay);
    const double f = std::floor(d);
    const double msd = (d - f) * static_cast<double>(kMsPerDay);
    const double whole = std::nearbyint(msd);
    FineDayMs r{static_cast<int64_t>(f), static_cast<int64_t>(whole), msd - whole};
    if (r.ms >= kMsPerDay) {
        ++r.day;
        r.ms -= kMsPerDay;
    }
    return r;
}

inline double Join(int64_t day, int64_t ms)
{
    return static_cast<double>(day) + static_cast<double>(ms) / static_cast<double>(kMsPerDay);
}

inline double MsToDays(int64_t ms)
{
    return static_cast<double>(ms) / static_cast<double>(kMsPerDay);
}

// Weekday of a day number, 0 = Sunday (day 0 is a Saturday).
inline int WeekdayIndex(int64_t day)
{
    return static_cast<int>(((day % 7) + 7 + 6) % 7);
}

// Day of the week of a date, 1 = Sunday .. 7 = Saturday, for any finite date.
inline int Dow(TDateTime d)
{
    return WeekdayIndex(Split(d).day) + 1;
}

inline void CheckDate(TDateTime d)
{
    if (std::isnan(d)) throw Exception(QStringLiteral("Invalid date: not a number"));
}

inline int YearOf(TDateTime d)
{
    int y = 0, m = 0, dd = 0;
    DecodeDate(d, y, m, dd);
    return y;
}

// A range wholly inside hidden time (a weekend with the weekend hidden) draws
// nothing and has a scale of 0 that no zoom or resize gets out of: such a
// range reaches on into the next visible time by as much as it spans, and
// where aUpper cuts that, back before its start instead. The limits hold
// visible time (the setters refuse limits and hidden sets that leave none).
void ReachVisibleTime(const TqvDateScalerModel& aModel, TDateTime aLower, TDateTime aUpper, TDateTime& aStart,
                      TDateTime& aStop);

} // namespace skedra::scaler_detail
