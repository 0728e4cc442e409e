#include "skedra/scaler/qvScalerModel.h"
#include "skedra/scaler/qvScalerModel_p.h"

#include <QScopedValueRollback>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

namespace skedra
{

using namespace scaler_detail;

TDateTime ScalerEndOfTime()
{
    static const TDateTime end = EncodeDate(4000, 1, 1);
    return end;
}

namespace
{

const QString& NoVisibleTimeText()
{
    static const QString text = QStringLiteral("No visible time between MinStart and MaxStop");
    return text;
}

} // namespace

void scaler_detail::ReachVisibleTime(const TqvDateScalerModel& aModel, TDateTime aLower, TDateTime aUpper,
                                     TDateTime& aStart, TDateTime& aStop)
{
    if (aModel.DateDiffToVisibleTime(aStart, aStop) > 0) return;
    const TDateTime span = std::max(aStop - aStart, kScale10Sec);
    aStop = std::min(aUpper, aModel.VisibleTimeDiffToTrueTime(aStart, span));
    if (aModel.DateDiffToVisibleTime(aStart, aStop) > 0) return;
    aStart = std::max(aLower, aModel.VisibleTimeDiffToTrueTime(aStop, -span));
}

TqvDateScalerModel::TqvDateScalerModel() : FMaxStop(ScalerEndOfTime()), FStopAtLastPaint(std::nan(""))
{
    FStart = Date();
    FStop = FStart + 7;
    RecountHidden();
    BuildMarks();
}

// ---------------------------------------------------------------- range and scale

TDateTime TqvDateScalerModel::LowerLimit() const
{
    return std::max(0.0, FMinStart);
}

TDateTime TqvDateScalerModel::UpperLimit() const
{
    return std::min(FMaxStop, ScalerEndOfTime());
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
    if (!(FStart < FStop) || !std::isfinite(FStart) || !std::isfinite(FStop))
        throw Exception(QStringLiteral("Scaler range is broken: Start %1, Stop %2").arg(FStart).arg(FStop));
    if (FStart < 0)
        throw Exception(QStringLiteral("Scaler range is broken: Start %1 before day 0").arg(FStart));
    if (!(VisibleTimeAmount() > 0))
        throw Exception(
            QStringLiteral("Scaler range is broken: no visible time from %1 to %2").arg(FStart).arg(FStop));
}

void TqvDateScalerModel::RangeChanged()
{
    ReachVisibleTime(*this, LowerLimit(), UpperLimit(), FStart, FStop);
    CalcDrawMode();
    FChanged = true;
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
    if (d == FStart) return;
    const TDateTime amount = VisibleTimeAmount();
    const TDateTime lower = LowerLimit(), upper = UpperLimit();
    d = std::clamp(d, lower, std::max(lower, upper - kScale10Sec));
    TDateTime stop = VisibleTimeDiffToTrueTime(d, amount);
    if (stop > upper) {
        // Hold the range within the limits, keeping its visible amount where it fits.
        stop = upper;
        d = std::max(lower, VisibleTimeDiffToTrueTime(upper, -amount));
    }
    FStart = d;
    FStop = StopAfter(d, stop);
    RangeChanged();
}

void TqvDateScalerModel::SetStop(TDateTime d)
{
    CheckDate(d);
    if (d == FStop) return;
    d = std::min(d, UpperLimit());
    // An empty or mirrored axis is refused, and so is one without visible time.
    if (d <= FStart || !(DateDiffToVisibleTime(FStart, d) > 0)) return;
    FStop = d;
    CalcDrawMode();
    FChanged = true;
    FRememberedScale = GetScale();
    AssertInvariants();
    ScalerInvalidate();
}

void TqvDateScalerModel::SetMinStart(TDateTime d)
{
    CheckDate(d);
    if (d >= FMaxStop) throw Exception(QStringLiteral("MinStart must lie before MaxStop"));
    QScopedValueRollback former(FMinStart, d);
    if (!(DateDiffToVisibleTime(LowerLimit(), UpperLimit()) > 0)) throw Exception(NoVisibleTimeText());
    former.commit();
}

void TqvDateScalerModel::SetMaxStop(TDateTime d)
{
    CheckDate(d);
    d = std::min(d, ScalerEndOfTime());
    if (d <= FMinStart) throw Exception(QStringLiteral("MaxStop must lie after MinStart"));
    QScopedValueRollback former(FMaxStop, d);
    if (!(DateDiffToVisibleTime(LowerLimit(), UpperLimit()) > 0)) throw Exception(NoVisibleTimeText());
    former.commit();
}

void TqvDateScalerModel::SetHorizontal(bool v)
{
    if (v == FHorizontal) return;
    FHorizontal = v;
    FResized = true; // the axis length changes: the next paint adapts the range
    FAmountValid = false;
    CalcDrawMode();
}

void TqvDateScalerModel::SetModelLength(int n)
{
    FModelLength = std::max(0, n);
    FAmountValid = false;
    CalcDrawMode();
}

TDateTime TqvDateScalerModel::VisibleTimeAmount() const
{
    if (!FAmountValid || FAmountStart != FStart || FAmountStop != FStop) {
        FAmount = DateDiffToVisibleTime(FStart, FStop);
        FAmountStart = FStart;
        FAmountStop = FStop;
        FAmountValid = true;
    }
    return FAmount;
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
    const TDateTime oldStart = FStart, oldStop = FStop;
    const double oldRemembered = FRememberedScale;
    const double visible = std::min(static_cast<double>(GetScaleLen()) * s, kHighestDay);
    SetStop(VisibleTimeDiffToTrueTime(FStart, visible));
    if (VisibleTimeAmount() < kScale10Sec) {
        // Refused: the scale kept for resizing stays the former one too.
        FStart = oldStart;
        FStop = oldStop;
        FRememberedScale = oldRemembered;
    }
    RangeChanged();
}

void TqvDateScalerModel::SetCenterScale(double aScale, TDateTime aDate, int aPixel)
{
    CheckDate(aDate);
    if (std::isnan(aScale)) throw Exception(QStringLiteral("Invalid scale: not a number"));
    ScalerBeginUpdate();
    try {
        const TDateTime oldStart = FStart, oldStop = FStop;
        const double oldRemembered = FRememberedScale;
        const double back = std::clamp(-static_cast<double>(aPixel) * aScale, -kHighestDay, kHighestDay);
        SetStart(VisibleTimeToTrueTime_High(VisibleTimeDiffToTrueTime(aDate, back)));
        SetScale(aScale);
        bool refused = false;
        if (OnLimitScaling.Assigned()) refused = OnLimitScaling(ScalerCaller(), FStart, FStop, GetScale());
        // A span under ten seconds is refused here too (SetScale alone would keep the moved start).
        if (refused || VisibleTimeAmount() < kScale10Sec || GetScaleLen() * aScale < kScale10Sec) {
            // Restore the former range, limited to MinStart and MaxStop where
            // that leaves a range; limits that exclude it leave it as it was.
            FStart = std::max(LowerLimit(), oldStart);
            FStop = std::min(UpperLimit(), oldStop);
            if (FStop <= FStart) {
                FStart = oldStart;
                FStop = oldStop;
            }
            FRememberedScale = oldRemembered;
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
    if (FModelUpdateCount > 0) --FModelUpdateCount;
    CalcDrawMode();
    ScalerInvalidate();
}

void TqvDateScalerModel::ScalerPause()
{
    QThread::msleep(10);
}

bool TqvDateScalerModel::CheckIfOkStartStop(TDateTime aStart, TDateTime aStop) const
{
    return aStart >= FMinStart && aStop <= FMaxStop;
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
    TDateTime baseDate = FStart;
    double basePixel = 0;
    // The nearest minor mark at or before d keeps the summation to one tick interval.
    auto it = std::upper_bound(FMinorMarks.begin(), FMinorMarks.end(), d,
                               [](TDateTime v, const TScaleMark& m) { return v < m.Date; });
    if (it != FMinorMarks.begin()) {
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
    if (std::isnan(p) || amount <= 0 || pixels <= 0) return FStart;
    p = std::clamp(p, -kPixelLimit, kPixelLimit);
    TDateTime baseDate = FStart;
    double basePixel = 0;
    // The last mark at or before p: a pixel exactly on a mark answers the mark's date.
    // A mark before Start (the first one usually is) never serves: measuring from
    // it would answer dates before Start for pixels at and left of 0.
    auto it = std::upper_bound(FMinorMarks.begin(), FMinorMarks.end(), p,
                               [](double v, const TScaleMark& m) { return v < m.Pixel; });
    if (it != FMinorMarks.begin()) {
        --it;
        if (it->Date >= FStart) {
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
    const double timeOfD = MsToDays(Split(d).ms), timeOfStart = MsToDays(Split(FStart).ms);
    const double v = (timeOfD - timeOfStart) * GetScaleLen() / amount;
    return static_cast<int>(std::nearbyint(std::clamp(v, -kPixelLimit, kPixelLimit)));
}

int TqvDateScalerModel::GetPixelFromScaleMark(const TScaleMark& m) const
{
    const TDateTime amount = VisibleTimeAmount();
    if (amount == 0) return 0;
    const double v = GetScaleLen() * (m.Date - FStart) / amount;
    return static_cast<int>(std::nearbyint(std::clamp(v, -kPixelLimit, kPixelLimit)));
}

// ---------------------------------------------------------------- properties

void TqvDateScalerModel::SetPixelsForModeSwitch(int v)
{
    if (v == FPixelsForModeSwitch) return;
    FPixelsForModeSwitch = v;
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
SKEDRA_TEXT_SETTER(DateFormat, FDateFormat)
SKEDRA_TEXT_SETTER(TimeFormat, FTimeFormat)
SKEDRA_TEXT_SETTER(WeekPrefix, FWeekPrefix)
SKEDRA_TEXT_SETTER(WeekYearFormat, FWeekYearFormat)
SKEDRA_TEXT_SETTER(QuarterPrefix, FQuarterPrefix)
#undef SKEDRA_TEXT_SETTER

void TqvDateScalerModel::SetWeekNumbers(bool v)
{
    if (v == FWeekNumbers) return;
    FWeekNumbers = v;
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
        FChanged = true;
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
    while (aSteps > 1 && std::fabs((aStart - FStart) / aSteps) < kMinute)
        aSteps /= 2;
    const double dStart = (aStart - FStart) / aSteps, dStop = (aStop - FStop) / aSteps;
    for (int i = 0; i < aSteps; ++i) {
        const TDateTime newStart = FStart + dStart, newStop = FStop + dStop;
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
        FChanged = true;
        ScalerRepaintNow();
        ScalerPause();
    }
}

// ---------------------------------------------------------------- resizing

void TqvDateScalerModel::HandleFixedScaleResizing()
{
    if (!FResized) return;
    FResized = false;
    FAmountValid = false;
    if (FStop == FStopAtLastPaint && FRememberedScale > 0 && GetScaleLen() > 0 &&
        !std::isnan(FStopAtLastPaint)) {
        // A wider control shows more time at the same scale.
        const TDateTime stop =
            std::min(UpperLimit(), VisibleTimeDiffToTrueTime(FStart, GetScaleLen() * FRememberedScale));
        if (stop > FStart) FStop = stop;
    }
    ReachVisibleTime(*this, LowerLimit(), UpperLimit(), FStart, FStop);
    CalcDrawMode();
    FRememberedLength = GetScaleLen();
    FRememberedScale = GetScale();
    AssertInvariants();
}

} // namespace skedra
