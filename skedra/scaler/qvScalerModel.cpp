#include "skedra/scaler/qvScalerModel.h"

#include <QThread>
#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

#include "skedra/platform/Exceptions.h"

namespace skedra
{

namespace
{

constexpr int64_t kMsPerHour = 3600000;
constexpr int64_t kMsPerDay = 86400000;
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

DayMs Split(double d)
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

FineDayMs SplitFine(double d)
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

double Join(int64_t day, int64_t ms)
{
    return static_cast<double>(day) + static_cast<double>(ms) / static_cast<double>(kMsPerDay);
}

double MsToDays(int64_t ms)
{
    return static_cast<double>(ms) / static_cast<double>(kMsPerDay);
}

// Weekday of a day number, 0 = Sunday (day 0 is a Saturday).
int WeekdayIndex(int64_t day)
{
    return static_cast<int>(((day % 7) + 7 + 6) % 7);
}

// Day of the week of a date, 1 = Sunday .. 7 = Saturday, for any finite date.
int Dow(TDateTime d)
{
    return WeekdayIndex(Split(d).day) + 1;
}

void CheckDate(TDateTime d)
{
    if (std::isnan(d)) throw Exception(QStringLiteral("Invalid date: not a number"));
}

int YearOf(TDateTime d)
{
    int y = 0, m = 0, dd = 0;
    DecodeDate(d, y, m, dd);
    return y;
}

} // namespace

TDateTime ScalerEndOfTime()
{
    static const TDateTime end = EncodeDate(4000, 1, 1);
    return end;
}

TqvDateScalerModel::TqvDateScalerModel() : fMaxStop(ScalerEndOfTime()), fStopAtLastPaint(std::nan(""))
{
    fStart = Date();
    fStop = fStart + 7;
    RecountHidden();
    BuildMarks();
}

// ---------------------------------------------------------------- hidden time

void TqvDateScalerModel::RecountHidden()
{
    fHourMask = 0;
    fDayMask = 0;
    for (int h = 0; h < 24; ++h)
        if (fHiddenHours.Contains(static_cast<TqvHiddenHoursEnum>(h))) fHourMask |= 1u << h;
    for (int w = 0; w < 7; ++w)
        if (fHiddenDays.Contains(static_cast<TqvHiddenDaysEnum>(w))) fDayMask |= 1u << w;
    fHiddenHourCount = fHiddenHours.Count();
    fHiddenDayCount = fHiddenDays.Count();
    fHourPrefix[0] = 0;
    for (int h = 0; h < 24; ++h)
        fHourPrefix[h + 1] = fHourPrefix[h] + ((fHourMask >> h) & 1u ? 0 : kMsPerHour);
    fDayVisibleMs = fHourPrefix[24];
    fWeekVisibleMs = fDayVisibleMs * (7 - fHiddenDayCount);
    // Both caches depend on the hidden sets.
    fAmountValid = false;
}

bool TqvDateScalerModel::IsHiddenHour(int h) const
{
    return h >= 0 && h < 24 && ((fHourMask >> h) & 1u);
}

bool TqvDateScalerModel::DayHidden(int64_t day) const
{
    return (fDayMask >> WeekdayIndex(day)) & 1u;
}

bool TqvDateScalerModel::IsHiddenDay(TDateTime aDay) const
{
    if (std::isnan(aDay)) return false;
    return DayHidden(Split(aDay).day);
}

int64_t TqvDateScalerModel::VisibleMsOfDay(int64_t ms) const
{
    if (ms >= kMsPerDay) return fDayVisibleMs;
    if (ms <= 0) return 0;
    const int h = static_cast<int>(ms / kMsPerHour);
    return fHourPrefix[h] + (((fHourMask >> h) & 1u) ? 0 : ms - h * kMsPerHour);
}

int64_t TqvDateScalerModel::VisibleMsBetween(int64_t loDay, int64_t loMs, int64_t hiDay, int64_t hiMs) const
{
    if (loDay == hiDay) return DayHidden(loDay) ? 0 : VisibleMsOfDay(hiMs) - VisibleMsOfDay(loMs);
    int64_t total = DayHidden(loDay) ? 0 : fDayVisibleMs - VisibleMsOfDay(loMs);
    int64_t day = loDay + 1;
    const int64_t wholeDays = hiDay - day;
    // Any seven consecutive days hold one week's visible time.
    const int64_t weeks = wholeDays / 7;
    total += weeks * fWeekVisibleMs;
    day += weeks * 7;
    for (; day < hiDay; ++day)
        if (!DayHidden(day)) total += fDayVisibleMs;
    if (!DayHidden(hiDay)) total += VisibleMsOfDay(hiMs);
    return total;
}

TDateTime TqvDateScalerModel::VisibleTimeForDay(TDateTime aDay) const
{
    if (IsHiddenDay(aDay)) return 0;
    return (24.0 - fHiddenHourCount) / 24.0;
}

TDateTime TqvDateScalerModel::VisibleTimeForWeek() const
{
    return MsToDays(fWeekVisibleMs);
}

TDateTime TqvDateScalerModel::VisibleTimeForPartOfDay(TDateTime aDay, TDateTime aLength,
                                                      TDateTime aStartInDay) const
{
    if (std::isnan(aDay) || std::isnan(aLength) || std::isnan(aStartInDay)) return 0;
    if (IsHiddenDay(aDay)) return 0;
    if (aLength <= 0) return aLength;
    const double len = aLength - std::floor(aLength);
    const int64_t from = Split(aStartInDay).ms;
    const int64_t to =
        std::min<int64_t>(from + std::llround(len * static_cast<double>(kMsPerDay)), kMsPerDay);
    return MsToDays(VisibleMsOfDay(to) - VisibleMsOfDay(from));
}

TDateTime TqvDateScalerModel::DateDiffToVisibleTime(TDateTime aFrom, TDateTime aTo) const
{
    if (std::isnan(aFrom) || std::isnan(aTo)) return 0;
    double lo = aFrom, hi = aTo, sign = 1;
    if (hi < lo) {
        std::swap(lo, hi);
        sign = -1;
    }
    const FineDayMs a = SplitFine(lo), b = SplitFine(hi);
    // Whole milliseconds are counted; each end's rest counts where its millisecond is
    // visible. Every date is treated the same in every span, so spans add up exactly.
    auto rest = [this](const FineDayMs& t) {
        return DayHidden(t.day) || IsHiddenHour(static_cast<int>(t.ms / kMsPerHour)) ? 0.0 : t.rest;
    };
    const double ms = static_cast<double>(VisibleMsBetween(a.day, a.ms, b.day, b.ms)) + rest(b) - rest(a);
    double v = std::max(0.0, ms) / static_cast<double>(kMsPerDay);
    const double span = std::clamp(hi, kLowestDay, kHighestDay) - std::clamp(lo, kLowestDay, kHighestDay);
    if (v > span) v = span; // the millisecond rounding must never add time
    return sign * v;
}

int64_t TqvDateScalerModel::InDayForward(int64_t ms, int64_t v) const
{
    const int64_t target = VisibleMsOfDay(ms) + v;
    for (int h = static_cast<int>(ms / kMsPerHour); h < 24; ++h) {
        if ((fHourMask >> h) & 1u) continue;
        if (target <= fHourPrefix[h + 1]) return std::max(ms, h * kMsPerHour + (target - fHourPrefix[h]));
    }
    return kMsPerDay;
}

int64_t TqvDateScalerModel::InDayBackward(int64_t ms, int64_t v) const
{
    const int64_t target = VisibleMsOfDay(ms) - v;
    const int top = static_cast<int>(std::min<int64_t>(23, (ms - 1) / kMsPerHour));
    for (int h = top; h >= 0; --h) {
        if ((fHourMask >> h) & 1u) continue;
        if (fHourPrefix[h] <= target) return std::min(ms, h * kMsPerHour + (target - fHourPrefix[h]));
    }
    return 0;
}

TDateTime TqvDateScalerModel::VisibleTimeDiffToTrueTime(TDateTime aFrom, TDateTime aVisible) const
{
    const TDateTime r = VisibleTimeDiffToTrueTimeMs(aFrom, aVisible);
    if (!std::isfinite(aVisible) || r <= 0 || r >= kHighestDay) return r;
    // The walk lands on whole milliseconds: correct the rest where it lies in visible time.
    const TDateTime rest = aVisible - DateDiffToVisibleTime(aFrom, r);
    if (rest == 0 || std::fabs(rest) * static_cast<double>(kMsPerDay) >= 1) return r;
    const TDateTime refined = std::max(0.0, r + rest);
    const double before = std::fabs(rest),
                 after = std::fabs(aVisible - DateDiffToVisibleTime(aFrom, refined));
    return after < before ? refined : r;
}

TDateTime TqvDateScalerModel::VisibleTimeDiffToTrueTimeMs(TDateTime aFrom, TDateTime aVisible) const
{
    CheckDate(aFrom);
    if (std::isnan(aVisible) || aVisible == 0) return std::max(aFrom, 0.0);
    const double maxVisible = kHighestDay - kLowestDay;
    const int64_t v0 =
        std::llround(std::clamp(std::fabs(aVisible), 0.0, maxVisible) * static_cast<double>(kMsPerDay));
    if (v0 == 0) return std::max(aFrom, 0.0);
    DayMs t = Split(aFrom);
    int64_t v = v0;
    if (fDayVisibleMs == 0 || fWeekVisibleMs == 0)
        return std::max(aFrom, 0.0); // nothing visible: no movement
    if (aVisible > 0) {
        if (!DayHidden(t.day)) {
            const int64_t rest = fDayVisibleMs - VisibleMsOfDay(t.ms);
            if (v <= rest) return Join(t.day, InDayForward(t.ms, v));
            v -= rest;
        }
        ++t.day;
        if (v > fWeekVisibleMs) {
            const int64_t k = (v - 1) / fWeekVisibleMs;
            t.day += 7 * k;
            v -= k * fWeekVisibleMs;
        }
        for (;; ++t.day) {
            if (t.day > static_cast<int64_t>(kHighestDay)) return kHighestDay;
            if (DayHidden(t.day)) continue;
            if (v <= fDayVisibleMs) return Join(t.day, InDayForward(0, v));
            v -= fDayVisibleMs;
        }
    }
    if (!DayHidden(t.day)) {
        const int64_t before = VisibleMsOfDay(t.ms);
        if (v <= before) return std::max(0.0, Join(t.day, InDayBackward(t.ms, v)));
        v -= before;
    }
    if (v > fWeekVisibleMs) {
        const int64_t k = (v - 1) / fWeekVisibleMs;
        t.day -= 7 * k;
        v -= k * fWeekVisibleMs;
    }
    for (;;) {
        --t.day;
        if (t.day < 0) return 0; // nothing lies before day 0
        if (DayHidden(t.day)) continue;
        if (v <= fDayVisibleMs) return std::max(0.0, Join(t.day, InDayBackward(kMsPerDay, v)));
        v -= fDayVisibleMs;
    }
}

TDateTime TqvDateScalerModel::VisibleTimeToTrueTime_High(TDateTime d) const
{
    CheckDate(d);
    if (fDayVisibleMs == 0 || fWeekVisibleMs == 0) return d;
    DayMs t = Split(d);
    bool moved = false;
    for (int guard = 0; guard < 8 * 25; ++guard) {
        if (DayHidden(t.day)) {
            ++t.day;
            t.ms = 0;
        } else if (IsHiddenHour(static_cast<int>(t.ms / kMsPerHour))) {
            t.ms = (t.ms / kMsPerHour + 1) * kMsPerHour;
            if (t.ms >= kMsPerDay) {
                ++t.day;
                t.ms = 0;
            }
        } else {
            return moved ? Join(t.day, t.ms) : d;
        }
        moved = true;
    }
    return Join(t.day, t.ms);
}

TDateTime TqvDateScalerModel::VisibleTimeToTrueTime_Low(TDateTime d) const
{
    CheckDate(d);
    if (d < 0) return 0;
    if (fDayVisibleMs == 0 || fWeekVisibleMs == 0) return d;
    DayMs t = Split(d);
    bool moved = false;
    for (int guard = 0; guard < 8 * 25; ++guard) {
        if (t.day < 0) return 0;
        if (DayHidden(t.day)) {
            if (t.ms > 0) {
                t.ms = 0;
            } else {
                --t.day;
                t.ms = kMsPerDay - 1;
            }
        } else if (IsHiddenHour(static_cast<int>(t.ms / kMsPerHour))) {
            const int64_t hourStart = (t.ms / kMsPerHour) * kMsPerHour;
            if (hourStart == 0) {
                --t.day;
                t.ms = kMsPerDay - 1;
            } else {
                t.ms = hourStart - 1;
            }
        } else {
            return moved ? std::max(0.0, Join(t.day, t.ms)) : d;
        }
        moved = true;
    }
    return std::max(0.0, Join(t.day, t.ms));
}

void TqvDateScalerModel::SetHiddenHours(const TqvHiddenHours& s)
{
    const double formerScale = GetScale();
    TqvHiddenHours set;
    for (int h = 0; h < 24; ++h)
        if (s.Contains(static_cast<TqvHiddenHoursEnum>(h))) set.Include(static_cast<TqvHiddenHoursEnum>(h));
    if (set.Count() == 24) set.Clear();
    fHiddenHours = set;
    HiddenSetsChanged(formerScale);
}

void TqvDateScalerModel::SetHiddenDays(const TqvHiddenDays& s)
{
    const double formerScale = GetScale();
    TqvHiddenDays set;
    for (int w = 0; w < 7; ++w)
        if (s.Contains(static_cast<TqvHiddenDaysEnum>(w))) set.Include(static_cast<TqvHiddenDaysEnum>(w));
    if (set.Count() == 7) set.Clear();
    fHiddenDays = set;
    HiddenSetsChanged(formerScale);
}

void TqvDateScalerModel::HiddenSetsChanged(double formerScale)
{
    RecountHidden();
    // Keep the scale per pixel: the range adapts to the new visible time.
    if (formerScale > 0 && GetScaleLen() > 0) {
        const TDateTime stop =
            std::min(UpperLimit(), VisibleTimeDiffToTrueTime(fStart, GetScaleLen() * formerScale));
        if (stop > fStart) fStop = stop;
        fAmountValid = false;
        fRememberedScale = GetScale();
    }
    RangeChanged();
}

// ---------------------------------------------------------------- range and scale

TDateTime TqvDateScalerModel::LowerLimit() const
{
    return std::max(0.0, fMinStart);
}

TDateTime TqvDateScalerModel::UpperLimit() const
{
    return std::min(fMaxStop, ScalerEndOfTime());
}

TDateTime TqvDateScalerModel::StopAfter(TDateTime aStart, TDateTime aStop) const
{
    if (aStop > aStart) return aStop;
    // One day within the limits; a MaxStop at or before the start cannot be
    // kept, and an empty or mirrored axis is worse than passing it.
    const TDateTime day = std::min(UpperLimit(), aStart + 1);
    return day > aStart ? day : aStart + 1;
}

void TqvDateScalerModel::CheckInvariants() const
{
    if (!(fStart < fStop) || !std::isfinite(fStart) || !std::isfinite(fStop))
        throw Exception(QStringLiteral("Scaler range is broken: Start %1, Stop %2").arg(fStart).arg(fStop));
    if (fStart < 0)
        throw Exception(QStringLiteral("Scaler range is broken: Start %1 before day 0").arg(fStart));
}

void TqvDateScalerModel::RangeChanged()
{
    CalcDrawMode();
    fChanged = true;
    AssertInvariants();
    ScalerInvalidate();
}

void TqvDateScalerModel::AssertInvariants() const
{
#ifndef NDEBUG
    CheckInvariants();
#endif
}

void TqvDateScalerModel::SetStart(TDateTime d)
{
    CheckDate(d);
    if (d == fStart) return;
    const TDateTime amount = VisibleTimeAmount();
    const TDateTime lower = LowerLimit(), upper = UpperLimit();
    d = std::clamp(d, lower, std::max(lower, upper - kScale10Sec));
    TDateTime stop = VisibleTimeDiffToTrueTime(d, amount);
    if (stop > upper) {
        // Hold the range within the limits, keeping its visible amount where it fits.
        stop = upper;
        d = std::max(lower, VisibleTimeDiffToTrueTime(upper, -amount));
    }
    fStart = d;
    fStop = StopAfter(d, stop);
    RangeChanged();
}

void TqvDateScalerModel::SetStop(TDateTime d)
{
    CheckDate(d);
    if (d == fStop) return;
    d = std::min(d, UpperLimit());
    if (d <= fStart) return; // an empty or mirrored axis is refused
    fStop = d;
    CalcDrawMode();
    fChanged = true;
    fRememberedScale = GetScale();
    AssertInvariants();
    ScalerInvalidate();
}

void TqvDateScalerModel::SetMinStart(TDateTime d)
{
    CheckDate(d);
    if (d >= fMaxStop) throw Exception(QStringLiteral("MinStart must lie before MaxStop"));
    fMinStart = d;
}

void TqvDateScalerModel::SetMaxStop(TDateTime d)
{
    CheckDate(d);
    d = std::min(d, ScalerEndOfTime());
    if (d <= fMinStart) throw Exception(QStringLiteral("MaxStop must lie after MinStart"));
    fMaxStop = d;
}

void TqvDateScalerModel::SetHorizontal(bool v)
{
    if (v == fHorizontal) return;
    fHorizontal = v;
    fResized = true; // the axis length changes: the next paint adapts the range
    fAmountValid = false;
    CalcDrawMode();
}

void TqvDateScalerModel::SetModelLength(int n)
{
    fModelLength = std::max(0, n);
    fAmountValid = false;
    CalcDrawMode();
}

TDateTime TqvDateScalerModel::VisibleTimeAmount() const
{
    if (!fAmountValid || fAmountStart != fStart || fAmountStop != fStop) {
        fAmount = DateDiffToVisibleTime(fStart, fStop);
        fAmountStart = fStart;
        fAmountStop = fStop;
        fAmountValid = true;
    }
    return fAmount;
}

double TqvDateScalerModel::GetScale() const
{
    const int len = GetScaleLen();
    if (len < 1) return 0;
    return std::max(VisibleTimeAmount() / len, 0.0);
}

void TqvDateScalerModel::SetScale(double s)
{
    if (std::isnan(s)) throw Exception(QStringLiteral("Invalid scale: not a number"));
    const TDateTime oldStart = fStart, oldStop = fStop;
    const double oldRemembered = fRememberedScale;
    const double visible = std::min(static_cast<double>(GetScaleLen()) * s, kHighestDay);
    SetStop(VisibleTimeDiffToTrueTime(fStart, visible));
    if (VisibleTimeAmount() < kScale10Sec) {
        // Refused: the scale kept for resizing stays the former one too.
        fStart = oldStart;
        fStop = oldStop;
        fRememberedScale = oldRemembered;
    }
    RangeChanged();
}

void TqvDateScalerModel::SetCenterScale(double aScale, TDateTime aDate, int aPixel)
{
    CheckDate(aDate);
    if (std::isnan(aScale)) throw Exception(QStringLiteral("Invalid scale: not a number"));
    ScalerBeginUpdate();
    try {
        const TDateTime oldStart = fStart, oldStop = fStop;
        const double oldRemembered = fRememberedScale;
        const double back = std::clamp(-static_cast<double>(aPixel) * aScale, -kHighestDay, kHighestDay);
        SetStart(VisibleTimeToTrueTime_High(VisibleTimeDiffToTrueTime(aDate, back)));
        SetScale(aScale);
        bool refused = false;
        if (OnLimitScaling.Assigned()) refused = OnLimitScaling(ScalerCaller(), fStart, fStop, GetScale());
        // A span under ten seconds is refused here too (SetScale alone would keep the moved start).
        if (refused || VisibleTimeAmount() < kScale10Sec || GetScaleLen() * aScale < kScale10Sec) {
            // Restore the former range, limited to MinStart and MaxStop where
            // that leaves a range; limits that exclude it leave it as it was.
            fStart = std::max(LowerLimit(), oldStart);
            fStop = std::min(UpperLimit(), oldStop);
            if (fStop <= fStart) {
                fStart = oldStart;
                fStop = oldStop;
            }
            fRememberedScale = oldRemembered;
            RangeChanged();
        }
    } catch (...) {
        ScalerEndUpdate();
        throw;
    }
    ScalerEndUpdate();
}

void TqvDateScalerModel::ScalerEndUpdate()
{
    if (fModelUpdateCount > 0) --fModelUpdateCount;
    CalcDrawMode();
    ScalerInvalidate();
}

void TqvDateScalerModel::ScalerPause()
{
    QThread::msleep(10);
}

bool TqvDateScalerModel::CheckIfOkStartStop(TDateTime aStart, TDateTime aStop) const
{
    return aStart >= fMinStart && aStop <= fMaxStop;
}

// ---------------------------------------------------------------- pixels

double TqvDateScalerModel::DateDiffToPixelLength(TDateTime aFrom, TDateTime aTo) const
{
    const TDateTime amount = VisibleTimeAmount();
    if (amount == 0) return 0;
    return ScalePixel(GetScaleLen() * DateDiffToVisibleTime(aFrom, aTo) / amount);
}

int TqvDateScalerModel::DateToPixel(TDateTime d) const
{
    if (std::isnan(d) || VisibleTimeAmount() == 0) return 0;
    TDateTime baseDate = fStart;
    double basePixel = 0;
    // The nearest minor mark at or before d keeps the summation to one tick interval.
    auto it = std::upper_bound(fMinorMarks.begin(), fMinorMarks.end(), d,
                               [](TDateTime v, const TScaleMark& m) { return v < m.Date; });
    if (it != fMinorMarks.begin()) {
        --it;
        baseDate = it->Date;
        basePixel = it->Pixel;
    }
    const double p = std::clamp(basePixel + DateDiffToPixelLength(baseDate, d), -kPixelLimit, kPixelLimit);
    return static_cast<int>(std::nearbyint(p));
}

TDateTime TqvDateScalerModel::PixelToDate(double p) const
{
    const TDateTime amount = VisibleTimeAmount();
    const double pixels = ScalePixel(GetScaleLen());
    if (std::isnan(p) || amount <= 0 || pixels <= 0) return fStart;
    p = std::clamp(p, -kPixelLimit, kPixelLimit);
    TDateTime baseDate = fStart;
    double basePixel = 0;
    // The last mark at or before p: a pixel exactly on a mark answers the mark's date.
    // A mark before Start (the first one usually is) never serves: measuring from
    // it would answer dates before Start for pixels at and left of 0.
    auto it = std::upper_bound(fMinorMarks.begin(), fMinorMarks.end(), p,
                               [](double v, const TScaleMark& m) { return v < m.Pixel; });
    if (it != fMinorMarks.begin()) {
        --it;
        if (it->Date >= fStart) {
            baseDate = it->Date;
            basePixel = it->Pixel;
        }
    }
    // Nothing lies before day 0 or after the end of time: a pixel far outside clamps.
    return std::clamp(VisibleTimeDiffToTrueTime(baseDate, (p - basePixel) * amount / pixels), 0.0,
                      ScalerEndOfTime());
}

int TqvDateScalerModel::TimeToPixel(TDateTime d) const
{
    const TDateTime amount = VisibleTimeAmount();
    if (std::isnan(d) || amount == 0) return 0;
    const double timeOfD = MsToDays(Split(d).ms), timeOfStart = MsToDays(Split(fStart).ms);
    const double v = (timeOfD - timeOfStart) * GetScaleLen() / amount;
    return static_cast<int>(std::nearbyint(std::clamp(v, -kPixelLimit, kPixelLimit)));
}

int TqvDateScalerModel::GetPixelFromScaleMark(const TScaleMark& m) const
{
    const TDateTime amount = VisibleTimeAmount();
    if (amount == 0) return 0;
    const double v = GetScaleLen() * (m.Date - fStart) / amount;
    return static_cast<int>(std::nearbyint(std::clamp(v, -kPixelLimit, kPixelLimit)));
}

// ---------------------------------------------------------------- calendar units

void TqvDateScalerModel::SetFirstDayOfWeek(int v)
{
    if (v < 1 || v > 7)
        throw Exception(
            QStringLiteral("FirstDayOfWeek must lie between 1 (Sunday) and 7 (Saturday), not %1").arg(v));
    if (v == fFirstDayOfWeek) return;
    fFirstDayOfWeek = v;
    CalcDrawMode();
    ScalerInvalidate();
}

TDateTime TqvDateScalerModel::TruncToFirstDayOfWeek(TDateTime d) const
{
    CheckDate(d);
    // The day of a date before day 0 is its truncation toward zero (its time of
    // day counts forward from that day's midnight), as the calendar reads it.
    const int64_t total =
        std::llround(std::clamp(d, kLowestDay, kHighestDay) * static_cast<double>(kMsPerDay));
    const int64_t day = total / kMsPerDay;
    const int back = (WeekdayIndex(day) + 1 - fFirstDayOfWeek + 7) % 7;
    return static_cast<double>(day - back);
}

TDateTime TqvDateScalerModel::FirstWeekOfYear(TDateTime d, bool& aFromJan1) const
{
    const TDateTime jan1 = EncodeDate(YearOf(d), 1, 1);
    const int k = ((Dow(jan1) - fFirstDayOfWeek) % 7 + 7) % 7;
    aFromJan1 = k <= 3;
    return aFromJan1 ? TruncToFirstDayOfWeek(jan1) : TruncToFirstDayOfWeek(jan1 + 7);
}

int TqvDateScalerModel::GetWeekNum(TDateTime d, bool& aNextYear) const
{
    bool fromJan1 = false;
    const TDateTime week1 = FirstWeekOfYear(d, fromJan1);
    const int n = static_cast<int>(std::trunc((d - week1) / 7));
    aNextYear = false;
    if (n != 52) return n + 1;
    bool nextFromJan1 = false;
    FirstWeekOfYear(d + kYear, nextFromJan1);
    if (nextFromJan1) {
        aNextYear = true;
        return 1;
    }
    return 53;
}

int TqvDateScalerModel::DateToQuarter(TDateTime d)
{
    int y = 0, m = 0, dd = 0;
    DecodeDate(d + 15, y, m, dd);
    return (m - 1) / 3 + 1;
}

void TqvDateScalerModel::SnapFailed()
{
    fStop = StopAfter(fStart, fStart);
    fAmountValid = false;
    EndMouseOperation();
    throw Exception(QStringLiteral("To small span"));
}

TDateTime TqvDateScalerModel::Snap(TDateTime aStep, TDateTime d)
{
    CheckDate(d);
    auto yearStart = [](TDateTime v, int n) {
        const int y = YearOf(v);
        return EncodeDate(std::max(1, (y / n) * n), 1, 1);
    };
    if (aStep == kScale3Month) {
        int y = 0, m = 0, dd = 0;
        DecodeDate(d, y, m, dd);
        return EncodeDate(y, ((m - 1) / 3) * 3 + 1, 1);
    }
    if (aStep == kScale1Month) {
        int y = 0, m = 0, dd = 0;
        DecodeDate(d, y, m, dd);
        return EncodeDate(y, m, 1);
    }
    if (aStep == kScale1Year) return yearStart(d, 1);
    if (aStep == kScale10Year) return yearStart(d, 10);
    if (aStep == kScale20Year) return yearStart(d, 20);
    if (aStep == kScale100Year) return yearStart(d, 100);
    if (aStep == kScale1Week) return TruncToFirstDayOfWeek(d);
    if (aStep > kScale1Sec) {
        const double q = d / aStep + 0.5;
        if (!std::isfinite(q) || std::fabs(q) > 9.0e15) SnapFailed();
        return std::trunc(q) * aStep;
    }
    return d;
}

TDateTime TqvDateScalerModel::GetAdaptiveStep(TDateTime aStep, TDateTime d)
{
    int y = 0, m = 0, dd = 0;
    auto nextYears = [&](int n) {
        DecodeDate(d, y, m, dd);
        return EncodeDate(y + n, 1, 1) - d;
    };
    if (aStep == kScale1Month || aStep == kScale3Month) {
        DecodeDate(d, y, m, dd);
        int next = aStep == kScale1Month ? m + 1 : ((m - 1) / 3) * 3 + 4;
        if (next >= 13) {
            next -= 12;
            ++y;
        }
        return EncodeDate(y, next, 1) - d;
    }
    if (aStep == kScale1Year) return nextYears(1);
    if (aStep == kScale10Year) return nextYears(10);
    if (aStep == kScale20Year) return nextYears(20);
    if (aStep == kScale100Year) return nextYears(100);
    return aStep;
}

// ---------------------------------------------------------------- tick levels

TDateTime TqvDateScalerModel::StepFork(TDateTime aLength, QString& aName)
{
    struct Row {
        TDateTime step;
        const char* name;
    };
    static const Row rows[] = {
        {kScale10Hun, "1 tiondel"},     {kScale1Sec, "1 sek"},
        {kScale10Sec, "10 sek"},        {kScale1Min, "1 min"},
        {kScale10Min, "10 min"},        {kScale1Hour, "1 timme"},
        {kScale1Day, "1 dag"},          {kScale1Week, "1 vecka"},
        {kScale1Month, "1 m\u00e5nad"}, {kScale3Month, "3 m\u00e5nader"},
        {kScale1Year, "1 \u00e5r"},     {kScale10Year, "10 \u00e5r"},
        {kScale20Year, "20 \u00e5r"},   {kScale100Year, "100 \u00e5r"},
    };
    for (const Row& r : rows) {
        if (r.step > aLength) {
            aName = QString::fromUtf8(r.name);
            return r.step;
        }
    }
    aName = QString::fromUtf8(rows[std::size(rows) - 1].name);
    return rows[std::size(rows) - 1].step;
}

void TqvDateScalerModel::CalcDrawMode()
{
    try {
        BuildMarks();
    } catch (const std::exception& e) {
        const auto* ex = dynamic_cast<const Exception*>(&e);
        const QString message = ex ? ex->Message() : QString::fromUtf8(e.what());
        RecoverFromScaleError();
        throw Exception(QStringLiteral("Scale error:") + message);
    }
}

void TqvDateScalerModel::RecoverFromScaleError()
{
    fStop = StopAfter(fStart, fStart);
    fAmountValid = false;
    EndMouseOperation();
    if (fInScaleError) return;
    // Try once to show the one-day range; a second failure leaves no marks.
    fInScaleError = true;
    try {
        BuildMarks();
    } catch (...) {
        fMinorMarks.clear();
        fMajorMarks.clear();
    }
    fInScaleError = false;
    fChanged = true;
    ScalerInvalidate();
}

void TqvDateScalerModel::BuildMarks()
{
    fMinorMarks.clear();
    fMajorMarks.clear();
    fOddOrEvenStart = 0;
    double L = 0;
    try {
        L = PixelLenToDate(fPixelsForModeSwitch);
        if (!(L > 1e-50)) return;
        fMinorStep = StepFork(L, fMinorStepName);
        fMajorStep = StepFork(fMinorStep, fMajorStepName);
        fTenPixelTime = PixelLenToDate(10);
    } catch (const std::exception&) {
        throw Exception(QStringLiteral("Init"));
    }
    try {
        PlaceLevel(false, fMinorStep, fMinorMarks);
    } catch (const std::exception&) {
        fMinorMarks.clear();
        throw Exception(QStringLiteral("Middle:") + QString::number(L, 'g', 15));
    }
    PlaceLevel(true, fMajorStep, fMajorMarks);
    CalcOddOrEventStartForVerticalBack();
}

void TqvDateScalerModel::PlaceLevel(bool aMajor, TDateTime aStep, std::vector<TScaleMark>& aMarks)
{
    double p = 0;
    TDateTime previous = fStart;
    TDateTime date = Snap(aStep, fStart);
    const double limit = ScalePixel(GetScaleLen());
    while (p < limit) {
        if (aMarks.size() >= kMaxMarks) throw Exception(QStringLiteral("Too many scale marks"));
        TScaleMark m;
        m.IsMajor = aMajor;
        m.Date = date;
        m.Pixel = p + DateDiffToPixelLength(previous, date);
        if (aMajor)
            m.Text = GetApprioateStringLong(date, aStep, m.Font);
        else
            m.Text = GetApprioateStringShort(
                date, aStep, m.Font, static_cast<int>(std::nearbyint(m.Pixel - p)), m.SubText, m.SubFont);
        p = m.Pixel;
        previous = date;
        TDateTime next = Snap(aStep, date + GetAdaptiveStep(aStep, date));
        m.Collapsed = DateDiffToVisibleTime(date, next) == 0;
        if (m.Collapsed) {
            // Skip a long hidden stretch in whole steps, holding back three so
            // that the tick at its end is not jumped over.
            const double k = std::trunc((VisibleTimeToTrueTime_High(next) - next) / aStep) - 3;
            if (k > 1) next += k * aStep;
        }
        if (!(next > date)) throw Exception(QStringLiteral("Scale marks do not advance"));
        aMarks.push_back(std::move(m));
        date = next;
    }
}

QString TqvDateScalerModel::DateFormatOrDefault() const
{
    return fDateFormat.isEmpty() ? FormatSettings().ShortDateFormat : fDateFormat;
}

QString TqvDateScalerModel::TimeFormatOrDefault() const
{
    return fTimeFormat.isEmpty() ? FormatSettings().LongTimeFormat : fTimeFormat;
}

QString TqvDateScalerModel::GetApprioateStringShort(TDateTime aDate, TDateTime aStep, TScalerFont& aFont,
                                                    int /*aPixWidth*/, QString& aSubText,
                                                    TScalerFont& aSubFont) const
{
    aFont = sTextFont1;
    QString text;
    if (aStep == kScale1Sec || aStep == kScale10Sec)
        text = FormatDateTime(QStringLiteral("SS"), aDate);
    else if (aStep == kScale1Min || aStep == kScale10Min)
        text = FormatDateTime(QStringLiteral("NN"), aDate);
    else if (aStep == kScale1Hour)
        text = FormatDateTime(QStringLiteral("HH"), aDate);
    else if (aStep == kScale1Day)
        text = FormatDateTime(QStringLiteral("ddd"), aDate);
    else if (aStep == kScale1Week)
        text = GetWeekString(fDateFormat, aDate, true, 0);
    else if (aStep == kScale1Month)
        text = FormatDateTime(QStringLiteral("mmm"), aDate);
    else if (aStep == kScale3Month)
        text = fQuarterPrefix + QString::number(DateToQuarter(aDate));
    else if (aStep == kScale1Year || aStep == kScale10Year || aStep == kScale20Year || aStep == kScale100Year)
        text = FormatDateTime(QStringLiteral("yy"), aDate);
    else
        text = FormatDateTime(DateFormatOrDefault(), aDate) + QLatin1Char(' ') +
               FormatDateTime(TimeFormatOrDefault(), aDate);
    OnUserStringShort(aDate, aStep, text, aFont);
    OnUserStringShortSub(aDate, aStep, aSubText, aSubFont);
    return text;
}

QString TqvDateScalerModel::GetApprioateStringLong(TDateTime aDate, TDateTime aStep, TScalerFont& aFont) const
{
    aFont = sTextFont1;
    QString text;
    if (aStep == kScale1Sec || aStep == kScale10Sec || aStep == kScale1Min || aStep == kScale10Min ||
        aStep == kScale1Hour)
        text = FormatDateTime(TimeFormatOrDefault(), aDate);
    else if (aStep == kScale1Day)
        text = FormatDateTime(QStringLiteral("ddd"), aDate);
    else if (aStep == kScale1Week)
        text = GetWeekString(fDateFormat, aDate, false, 1000);
    else if (aStep == kScale1Month)
        text = FormatDateTime(QStringLiteral("yyyy mmm"), aDate);
    else if (aStep == kScale3Month)
        text = FormatDateTime(QStringLiteral("yyyy"), aDate) + fQuarterPrefix +
               QString::number(DateToQuarter(aDate));
    else if (aStep == kScale1Year)
        text = FormatDateTime(QStringLiteral("yyyy"), aDate);
    else if (aStep == kScale10Year || aStep == kScale20Year || aStep == kScale100Year)
        text = QStringLiteral("%1 - %2").arg(YearOf(aDate)).arg(YearOf(aDate + aStep));
    else
        text = FormatDateTime(DateFormatOrDefault(), aDate) + QLatin1Char(' ') +
               FormatDateTime(TimeFormatOrDefault(), aDate);
    OnUserStringLong(aDate, aStep, text, aFont);
    return text;
}

QString TqvDateScalerModel::GetWeekString(const QString& aFormat, TDateTime aDate, bool aShort,
                                          int /*aPixWidth*/) const
{
    if (!fWeekNumbers) return FormatDateTime(aFormat.isEmpty() ? DateFormatOrDefault() : aFormat, aDate);
    bool nextYear = false;
    const int n = GetWeekNum(aDate, nextYear);
    QString text;
    if (!aShort && !fWeekYearFormat.isEmpty())
        text = FormatDateTime(fWeekYearFormat, nextYear ? aDate + kYear : aDate);
    return text + fWeekPrefix + QString::number(n);
}

void TqvDateScalerModel::CalcOddOrEventStartForVerticalBack()
{
    fOddOrEvenStart = 0;
    if (fMajorMarks.empty()) return;
    const TDateTime d = fMajorMarks.front().Date;
    const TDateTime S = fMajorStep;
    int y = 0, mo = 0, da = 0, h = 0, mi = 0, s = 0, ms = 0;
    DecodeDateTime(d, y, mo, da, h, mi, s, ms);
    if (S == kScale1Sec)
        fOddOrEvenStart = s;
    else if (S == kScale10Sec)
        fOddOrEvenStart = s / 10;
    else if (S == kScale1Min)
        fOddOrEvenStart = mi;
    else if (S == kScale10Min)
        fOddOrEvenStart = mi / 10;
    else if (S == kScale1Hour)
        fOddOrEvenStart = h;
    else if (S == kScale1Day)
        fOddOrEvenStart = static_cast<int>(std::nearbyint(d - EncodeDate(y, 1, 1)));
    else if (S == kScale1Week) {
        bool next = false;
        fOddOrEvenStart = GetWeekNum(d, next);
    } else if (S == kScale1Month)
        fOddOrEvenStart = mo;
    else if (S == kScale3Month)
        fOddOrEvenStart = DateToQuarter(d);
    else if (S == kScale1Year)
        fOddOrEvenStart = y;
    else if (S == kScale10Year)
        fOddOrEvenStart = y / 10;
    else if (S == kScale20Year)
        fOddOrEvenStart = y / 20;
    else if (S == kScale100Year)
        fOddOrEvenStart = y / 100;
}

void TqvDateScalerModel::FillLinePixels()
{
    MinorLinePixels.clear();
    MajorLinePixels.clear();
    MinorLinePixels.reserve(fMinorMarks.size());
    MajorLinePixels.reserve(fMajorMarks.size());
    auto px = [](double p) {
        return static_cast<int>(std::nearbyint(std::clamp(p, -kPixelLimit, kPixelLimit)));
    };
    for (const TScaleMark& m : fMinorMarks)
        MinorLinePixels.push_back(px(m.Pixel));
    for (const TScaleMark& m : fMajorMarks)
        MajorLinePixels.push_back(px(m.Pixel));
}

// ---------------------------------------------------------------- properties

void TqvDateScalerModel::SetPixelsForModeSwitch(int v)
{
    if (v == fPixelsForModeSwitch) return;
    fPixelsForModeSwitch = v;
    CalcDrawMode();
    ScalerInvalidate();
}

#define SKEDRA_TEXT_SETTER(Name, field)                                                                      \
    void TqvDateScalerModel::Set##Name(const QString& v)                                                     \
    {                                                                                                        \
        if (v == field) return;                                                                              \
        field = v;                                                                                           \
        CalcDrawMode();                                                                                      \
        ScalerInvalidate();                                                                                  \
    }
SKEDRA_TEXT_SETTER(DateFormat, fDateFormat)
SKEDRA_TEXT_SETTER(TimeFormat, fTimeFormat)
SKEDRA_TEXT_SETTER(WeekPrefix, fWeekPrefix)
SKEDRA_TEXT_SETTER(WeekYearFormat, fWeekYearFormat)
SKEDRA_TEXT_SETTER(QuarterPrefix, fQuarterPrefix)
#undef SKEDRA_TEXT_SETTER

void TqvDateScalerModel::SetWeekNumbers(bool v)
{
    if (v == fWeekNumbers) return;
    fWeekNumbers = v;
    CalcDrawMode();
    ScalerInvalidate();
}

// ---------------------------------------------------------------- animations

void TqvDateScalerModel::AnimateScaleTransition(double aScale, int aSteps)
{
    if (!(aScale > 0) || aSteps <= 0) return;
    const double s0 = GetScale();
    double previous = s0;
    for (int i = 0; i < aSteps; ++i) {
        ScalerBeginUpdate();
        try {
            SetScale(GetScale() + (aScale - s0) / aSteps);
        } catch (...) {
            ScalerEndUpdate();
            throw;
        }
        ScalerEndUpdate();
        const double now = GetScale();
        if (std::fabs(now - aScale) < 1e-8 || std::fabs(now - previous) < 1e-8) break;
        previous = now;
        OnAnimateChange(ScalerSender());
        fChanged = true;
        ScalerRepaintNow();
        ScalerPause();
    }
}

void TqvDateScalerModel::AnimateScaleTransition(TDateTime aStart, TDateTime aStop, int aSteps)
{
    CheckDate(aStart);
    CheckDate(aStop);
    if (aStart >= aStop) aStop = aStart + 1;
    if (aSteps <= 0) return;
    while (aSteps > 1 && std::fabs((aStart - fStart) / aSteps) < kMinute)
        aSteps /= 2;
    const double dStart = (aStart - fStart) / aSteps, dStop = (aStop - fStop) / aSteps;
    for (int i = 0; i < aSteps; ++i) {
        const TDateTime newStart = fStart + dStart, newStop = fStop + dStop;
        if (!CheckIfOkStartStop(newStart, newStop)) break;
        ScalerBeginUpdate();
        try {
            SetStart(newStart);
            SetStop(newStop);
        } catch (...) {
            ScalerEndUpdate();
            throw;
        }
        ScalerEndUpdate();
        OnAnimateChange(ScalerSender());
        fChanged = true;
        ScalerRepaintNow();
        ScalerPause();
    }
}

// ---------------------------------------------------------------- resizing

void TqvDateScalerModel::HandleFixedScaleResizing()
{
    if (!fResized) return;
    fResized = false;
    fAmountValid = false;
    if (fStop != fStopAtLastPaint && !std::isnan(fStopAtLastPaint)) {
        CalcDrawMode();
    } else if (fRememberedScale > 0 && GetScaleLen() > 0 && !std::isnan(fStopAtLastPaint)) {
        // A wider control shows more time at the same scale.
        const TDateTime stop =
            std::min(UpperLimit(), VisibleTimeDiffToTrueTime(fStart, GetScaleLen() * fRememberedScale));
        if (stop > fStart) fStop = stop;
        CalcDrawMode();
    } else {
        CalcDrawMode();
    }
    fRememberedLength = GetScaleLen();
    fRememberedScale = GetScale();
    AssertInvariants();
}

} // namespace skedra
