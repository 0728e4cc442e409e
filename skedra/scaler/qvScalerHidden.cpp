#include "skedra/scaler/qvScalerModel.h"
#include "skedra/scaler/qvScalerModel_p.h"

#include <algorithm>
#include <cmath>

namespace skedra
{

using namespace scaler_detail;

namespace
{

// The limits must keep some time to show.
const QString& NoVisibleTimeText()
{
    static const QString text =
        QStringLiteral("The hidden days and hours leave no visible time between MinStart and MaxStop");
    return text;
}

} // namespace

// ---------------------------------------------------------------- hidden time

void TqvDateScalerModel::RecountHidden()
{
    FHourMask = 0;
    FDayMask = 0;
    for (int h = 0; h < 24; ++h)
        if (FHiddenHours.Contains(static_cast<TqvHiddenHoursEnum>(h))) FHourMask |= 1u << h;
    for (int w = 0; w < 7; ++w)
        if (FHiddenDays.Contains(static_cast<TqvHiddenDaysEnum>(w))) FDayMask |= 1u << w;
    FHiddenHourCount = FHiddenHours.Count();
    FHiddenDayCount = FHiddenDays.Count();
    FHourPrefix[0] = 0;
    for (int h = 0; h < 24; ++h)
        FHourPrefix[h + 1] = FHourPrefix[h] + ((FHourMask >> h) & 1u ? 0 : kMsPerHour);
    FDayVisibleMs = FHourPrefix[24];
    FWeekVisibleMs = FDayVisibleMs * (7 - FHiddenDayCount);
    // Both caches depend on the hidden sets.
    FAmountValid = false;
}

bool TqvDateScalerModel::IsHiddenHour(int h) const
{
    return h >= 0 && h < 24 && ((FHourMask >> h) & 1u);
}

bool TqvDateScalerModel::DayHidden(int64_t day) const
{
    return (FDayMask >> WeekdayIndex(day)) & 1u;
}

bool TqvDateScalerModel::IsHiddenDay(TDateTime aDay) const
{
    if (std::isnan(aDay)) return false;
    return DayHidden(Split(aDay).day);
}

int64_t TqvDateScalerModel::VisibleMsOfDay(int64_t ms) const
{
    if (ms >= kMsPerDay) return FDayVisibleMs;
    if (ms <= 0) return 0;
    const int h = static_cast<int>(ms / kMsPerHour);
    return FHourPrefix[h] + (((FHourMask >> h) & 1u) ? 0 : ms - h * kMsPerHour);
}

int64_t TqvDateScalerModel::VisibleMsBetween(int64_t loDay, int64_t loMs, int64_t hiDay, int64_t hiMs) const
{
    if (loDay == hiDay) return DayHidden(loDay) ? 0 : VisibleMsOfDay(hiMs) - VisibleMsOfDay(loMs);
    int64_t total = DayHidden(loDay) ? 0 : FDayVisibleMs - VisibleMsOfDay(loMs);
    int64_t day = loDay + 1;
    const int64_t wholeDays = hiDay - day;
    // Any seven consecutive days hold one week's visible time.
    const int64_t weeks = wholeDays / 7;
    total += weeks * FWeekVisibleMs;
    day += weeks * 7;
    for (; day < hiDay; ++day)
        if (!DayHidden(day)) total += FDayVisibleMs;
    if (!DayHidden(hiDay)) total += VisibleMsOfDay(hiMs);
    return total;
}

TDateTime TqvDateScalerModel::VisibleTimeForDay(TDateTime aDay) const
{
    if (IsHiddenDay(aDay)) return 0;
    return (24.0 - FHiddenHourCount) / 24.0;
}

TDateTime TqvDateScalerModel::VisibleTimeForWeek() const
{
    return MsToDays(FWeekVisibleMs);
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
        if ((FHourMask >> h) & 1u) continue;
        if (target <= FHourPrefix[h + 1]) return std::max(ms, h * kMsPerHour + (target - FHourPrefix[h]));
    }
    return kMsPerDay;
}

int64_t TqvDateScalerModel::InDayBackward(int64_t ms, int64_t v) const
{
    const int64_t target = VisibleMsOfDay(ms) - v;
    const int top = static_cast<int>(std::min<int64_t>(23, (ms - 1) / kMsPerHour));
    for (int h = top; h >= 0; --h) {
        if ((FHourMask >> h) & 1u) continue;
        if (FHourPrefix[h] <= target) return std::min(ms, h * kMsPerHour + (target - FHourPrefix[h]));
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
    if (FDayVisibleMs == 0 || FWeekVisibleMs == 0)
        return std::max(aFrom, 0.0); // nothing visible: no movement
    if (aVisible > 0) {
        if (!DayHidden(t.day)) {
            const int64_t rest = FDayVisibleMs - VisibleMsOfDay(t.ms);
            if (v <= rest) return Join(t.day, InDayForward(t.ms, v));
            v -= rest;
        }
        ++t.day;
        if (v > FWeekVisibleMs) {
            const int64_t k = (v - 1) / FWeekVisibleMs;
            t.day += 7 * k;
            v -= k * FWeekVisibleMs;
        }
        for (;; ++t.day) {
            if (t.day > static_cast<int64_t>(kHighestDay)) return kHighestDay;
            if (DayHidden(t.day)) continue;
            if (v <= FDayVisibleMs) return Join(t.day, InDayForward(0, v));
            v -= FDayVisibleMs;
        }
    }
    if (!DayHidden(t.day)) {
        const int64_t before = VisibleMsOfDay(t.ms);
        if (v <= before) return std::max(0.0, Join(t.day, InDayBackward(t.ms, v)));
        v -= before;
    }
    if (v > FWeekVisibleMs) {
        const int64_t k = (v - 1) / FWeekVisibleMs;
        t.day -= 7 * k;
        v -= k * FWeekVisibleMs;
    }
    for (;;) {
        --t.day;
        if (t.day < 0) return 0; // nothing lies before day 0
        if (DayHidden(t.day)) continue;
        if (v <= FDayVisibleMs) return std::max(0.0, Join(t.day, InDayBackward(kMsPerDay, v)));
        v -= FDayVisibleMs;
    }
}

TDateTime TqvDateScalerModel::VisibleTimeToTrueTime_High(TDateTime d) const
{
    CheckDate(d);
    if (FDayVisibleMs == 0 || FWeekVisibleMs == 0) return d;
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
    if (FDayVisibleMs == 0 || FWeekVisibleMs == 0) return d;
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
    const TqvHiddenHours former = FHiddenHours;
    FHiddenHours = set;
    RecountHidden();
    if (!(DateDiffToVisibleTime(LowerLimit(), UpperLimit()) > 0)) {
        FHiddenHours = former;
        RecountHidden();
        throw Exception(NoVisibleTimeText());
    }
    HiddenSetsChanged(formerScale);
}

void TqvDateScalerModel::SetHiddenDays(const TqvHiddenDays& s)
{
    const double formerScale = GetScale();
    TqvHiddenDays set;
    for (int w = 0; w < 7; ++w)
        if (s.Contains(static_cast<TqvHiddenDaysEnum>(w))) set.Include(static_cast<TqvHiddenDaysEnum>(w));
    if (set.Count() == 7) set.Clear();
    const TqvHiddenDays former = FHiddenDays;
    FHiddenDays = set;
    RecountHidden();
    if (!(DateDiffToVisibleTime(LowerLimit(), UpperLimit()) > 0)) {
        FHiddenDays = former;
        RecountHidden();
        throw Exception(NoVisibleTimeText());
    }
    HiddenSetsChanged(formerScale);
}

void TqvDateScalerModel::HiddenSetsChanged(double formerScale)
{
    RecountHidden();
    // Keep the scale per pixel: the range adapts to the new visible time.
    if (formerScale > 0 && GetScaleLen() > 0) {
        const TDateTime stop =
            std::min(UpperLimit(), VisibleTimeDiffToTrueTime(FStart, GetScaleLen() * formerScale));
        if (stop > FStart) FStop = stop;
        FAmountValid = false;
        FRememberedScale = GetScale();
    }
    RangeChanged();
}

} // namespace skedra
