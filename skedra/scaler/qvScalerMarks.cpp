#include "skedra/scaler/qvScalerModel.h"
#include "skedra/scaler/qvScalerModel_p.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

namespace skedra
{

using namespace scaler_detail;

// ---------------------------------------------------------------- calendar units

void TqvDateScalerModel::SetFirstDayOfWeek(int v)
{
    if (v < 1 || v > 7)
        throw Exception(
            QStringLiteral("FirstDayOfWeek must lie between 1 (Sunday) and 7 (Saturday), not %1").arg(v));
    if (v == FFirstDayOfWeek) return;
    FFirstDayOfWeek = v;
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
    const int back = (WeekdayIndex(day) + 1 - FFirstDayOfWeek + 7) % 7;
    return static_cast<double>(day - back);
}

TDateTime TqvDateScalerModel::FirstWeekOfYear(TDateTime d, bool& aFromJan1) const
{
    const TDateTime jan1 = EncodeDate(YearOf(d), 1, 1);
    const int k = ((Dow(jan1) - FFirstDayOfWeek) % 7 + 7) % 7;
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
    FStop = StopAfter(FStart, FStart);
    ReachVisibleTime(*this, LowerLimit(), UpperLimit(), FStart, FStop);
    FAmountValid = false;
    EndMouseOperation();
    throw Exception(QStringLiteral("To small span"));
}

namespace
{

constexpr TDateTime kStepLengths[] = {kScale10Hun, kScale1Sec,   kScale10Sec,  kScale1Min,   kScale10Min,
                                      kScale1Hour, kScale1Day,   kScale1Week,  kScale1Month, kScale3Month,
                                      kScale1Year, kScale10Year, kScale20Year, kScale100Year};
static_assert(std::size(kStepLengths) == ssOther);

// The years a step of a year or more spans (0 for the others).
int StepYears(TScaleStep aStep)
{
    switch (aStep) {
    case ss1Year:
        return 1;
    case ss10Year:
        return 10;
    case ss20Year:
        return 20;
    case ss100Year:
        return 100;
    default:
        return 0;
    }
}

} // namespace

TDateTime ScaleStepLength(TScaleStep aStep)
{
    return aStep >= ss10Hun && aStep < ssOther ? kStepLengths[aStep] : 0.0;
}

TScaleStep ScaleStepOf(TDateTime aLength)
{
    // Exact comparison: a step is one of the constants, passed around unchanged.
    for (int i = 0; i < ssOther; ++i)
        if (kStepLengths[i] == aLength) return static_cast<TScaleStep>(i);
    return ssOther;
}

TDateTime TqvDateScalerModel::Snap(TDateTime aStep, TDateTime d)
{
    CheckDate(d);
    const TScaleStep step = ScaleStepOf(aStep);
    int y = 0, m = 0, dd = 0;
    switch (step) {
    case ss3Month:
        DecodeDate(d, y, m, dd);
        return EncodeDate(y, ((m - 1) / 3) * 3 + 1, 1);
    case ss1Month:
        DecodeDate(d, y, m, dd);
        return EncodeDate(y, m, 1);
    case ss1Year:
    case ss10Year:
    case ss20Year:
    case ss100Year: {
        const int n = StepYears(step);
        return EncodeDate(std::max(1, (YearOf(d) / n) * n), 1, 1);
    }
    case ss1Week:
        return TruncToFirstDayOfWeek(d);
    default:
        break;
    }
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
    const TScaleStep step = ScaleStepOf(aStep);
    switch (step) {
    case ss1Month:
    case ss3Month: {
        DecodeDate(d, y, m, dd);
        int next = step == ss1Month ? m + 1 : ((m - 1) / 3) * 3 + 4;
        if (next >= 13) {
            next -= 12;
            ++y;
        }
        return EncodeDate(y, next, 1) - d;
    }
    case ss1Year:
    case ss10Year:
    case ss20Year:
    case ss100Year:
        DecodeDate(d, y, m, dd);
        return EncodeDate(y + StepYears(step), 1, 1) - d;
    default:
        return aStep;
    }
}

// ---------------------------------------------------------------- tick levels

TDateTime TqvDateScalerModel::StepFork(TDateTime aLength, QString& aName)
{
    // The names of the steps, in TScaleStep order.
    static const char* const names[] = {"1 tiondel",    "1 sek",          "10 sek",    "1 min",
                                        "10 min",       "1 timme",        "1 dag",     "1 vecka",
                                        "1 m\u00e5nad", "3 m\u00e5nader", "1 \u00e5r", "10 \u00e5r",
                                        "20 \u00e5r",   "100 \u00e5r"};
    static_assert(std::size(names) == ssOther);
    int i = 0;
    while (i + 1 < ssOther && ScaleStepLength(static_cast<TScaleStep>(i)) <= aLength)
        ++i;
    aName = QString::fromUtf8(names[i]);
    return ScaleStepLength(static_cast<TScaleStep>(i));
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
    FStop = StopAfter(FStart, FStart);
    ReachVisibleTime(*this, LowerLimit(), UpperLimit(), FStart, FStop);
    FAmountValid = false;
    EndMouseOperation();
    if (FInScaleError) return;
    // Try once to show the one-day range; a second failure leaves no marks.
    FInScaleError = true;
    try {
        BuildMarks();
    } catch (...) {
        FMinorMarks.clear();
        FMajorMarks.clear();
    }
    FInScaleError = false;
    FChanged = true;
    ScalerInvalidate();
}

void TqvDateScalerModel::BuildMarks()
{
    FMinorMarks.clear();
    FMajorMarks.clear();
    FOddOrEvenStart = 0;
    double L = 0;
    try {
        L = PixelLenToDate(FPixelsForModeSwitch);
        if (!(L > 1e-50)) return;
        FMinorStep = StepFork(L, FMinorStepName);
        FMajorStep = StepFork(FMinorStep, FMajorStepName);
        FTenPixelTime = PixelLenToDate(10);
    } catch (const std::exception&) {
        throw Exception(QStringLiteral("Init"));
    }
    try {
        PlaceLevel(false, FMinorStep, FMinorMarks);
    } catch (const std::exception&) {
        FMinorMarks.clear();
        throw Exception(QStringLiteral("Middle:") + QString::number(L, 'g', 15));
    }
    PlaceLevel(true, FMajorStep, FMajorMarks);
    CalcOddOrEventStartForVerticalBack();
}

void TqvDateScalerModel::PlaceLevel(bool aMajor, TDateTime aStep, std::vector<TScaleMark>& aMarks)
{
    double p = 0;
    TDateTime previous = FStart;
    TDateTime date = Snap(aStep, FStart);
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
    return FDateFormat.isEmpty() ? FormatSettings().ShortDateFormat : FDateFormat;
}

QString TqvDateScalerModel::TimeFormatOrDefault() const
{
    return FTimeFormat.isEmpty() ? FormatSettings().LongTimeFormat : FTimeFormat;
}

QString TqvDateScalerModel::GetApprioateStringShort(TDateTime aDate, TDateTime aStep, TScalerFont& aFont,
                                                    int /*aPixWidth*/, QString& aSubText,
                                                    TScalerFont& aSubFont) const
{
    aFont = sTextFont1;
    QString text;
    switch (ScaleStepOf(aStep)) {
    case ss1Sec:
    case ss10Sec:
        text = FormatDateTime(QStringLiteral("SS"), aDate);
        break;
    case ss1Min:
    case ss10Min:
        text = FormatDateTime(QStringLiteral("NN"), aDate);
        break;
    case ss1Hour:
        text = FormatDateTime(QStringLiteral("HH"), aDate);
        break;
    case ss1Day:
        text = FormatDateTime(QStringLiteral("ddd"), aDate);
        break;
    case ss1Week:
        text = GetWeekString(FDateFormat, aDate, true, 0);
        break;
    case ss1Month:
        text = FormatDateTime(QStringLiteral("mmm"), aDate);
        break;
    case ss3Month:
        text = FQuarterPrefix + QString::number(DateToQuarter(aDate));
        break;
    case ss1Year:
    case ss10Year:
    case ss20Year:
    case ss100Year:
        text = FormatDateTime(QStringLiteral("yy"), aDate);
        break;
    case ss10Hun:
    case ssOther:
        text = FormatDateTime(DateFormatOrDefault(), aDate) + QLatin1Char(' ') +
               FormatDateTime(TimeFormatOrDefault(), aDate);
        break;
    }
    OnUserStringShort(aDate, aStep, text, aFont);
    OnUserStringShortSub(aDate, aStep, aSubText, aSubFont);
    return text;
}

QString TqvDateScalerModel::GetApprioateStringLong(TDateTime aDate, TDateTime aStep, TScalerFont& aFont) const
{
    aFont = sTextFont1;
    QString text;
    switch (ScaleStepOf(aStep)) {
    case ss1Sec:
    case ss10Sec:
    case ss1Min:
    case ss10Min:
    case ss1Hour:
        text = FormatDateTime(TimeFormatOrDefault(), aDate);
        break;
    case ss1Day:
        text = FormatDateTime(QStringLiteral("ddd"), aDate);
        break;
    case ss1Week:
        text = GetWeekString(FDateFormat, aDate, false, 1000);
        break;
    case ss1Month:
        text = FormatDateTime(QStringLiteral("yyyy mmm"), aDate);
        break;
    case ss3Month:
        text = FormatDateTime(QStringLiteral("yyyy"), aDate) + FQuarterPrefix +
               QString::number(DateToQuarter(aDate));
        break;
    case ss1Year:
        text = FormatDateTime(QStringLiteral("yyyy"), aDate);
        break;
    case ss10Year:
    case ss20Year:
    case ss100Year:
        text = QStringLiteral("%1 - %2").arg(YearOf(aDate)).arg(YearOf(aDate + aStep));
        break;
    case ss10Hun:
    case ssOther:
        text = FormatDateTime(DateFormatOrDefault(), aDate) + QLatin1Char(' ') +
               FormatDateTime(TimeFormatOrDefault(), aDate);
        break;
    }
    OnUserStringLong(aDate, aStep, text, aFont);
    return text;
}

QString TqvDateScalerModel::GetWeekString(const QString& aFormat, TDateTime aDate, bool aShort,
                                          int /*aPixWidth*/) const
{
    if (!FWeekNumbers) return FormatDateTime(aFormat.isEmpty() ? DateFormatOrDefault() : aFormat, aDate);
    bool nextYear = false;
    const int n = GetWeekNum(aDate, nextYear);
    QString text;
    if (!aShort && !FWeekYearFormat.isEmpty())
        text = FormatDateTime(FWeekYearFormat, nextYear ? aDate + kYear : aDate);
    return text + FWeekPrefix + QString::number(n);
}

void TqvDateScalerModel::CalcOddOrEventStartForVerticalBack()
{
    FOddOrEvenStart = 0;
    if (FMajorMarks.empty()) return;
    const TDateTime d = FMajorMarks.front().Date;
    const TScaleStep step = ScaleStepOf(FMajorStep);
    int y = 0, mo = 0, da = 0, h = 0, mi = 0, s = 0, ms = 0;
    DecodeDateTime(d, y, mo, da, h, mi, s, ms);
    bool next = false;
    switch (step) {
    case ss1Sec:
        FOddOrEvenStart = s;
        break;
    case ss10Sec:
        FOddOrEvenStart = s / 10;
        break;
    case ss1Min:
        FOddOrEvenStart = mi;
        break;
    case ss10Min:
        FOddOrEvenStart = mi / 10;
        break;
    case ss1Hour:
        FOddOrEvenStart = h;
        break;
    case ss1Day:
        FOddOrEvenStart = static_cast<int>(std::nearbyint(d - EncodeDate(y, 1, 1)));
        break;
    case ss1Week:
        FOddOrEvenStart = GetWeekNum(d, next);
        break;
    case ss1Month:
        FOddOrEvenStart = mo;
        break;
    case ss3Month:
        FOddOrEvenStart = DateToQuarter(d);
        break;
    case ss1Year:
    case ss10Year:
    case ss20Year:
    case ss100Year:
        FOddOrEvenStart = y / StepYears(step);
        break;
    case ss10Hun:
    case ssOther:
        break;
    }
}

void TqvDateScalerModel::FillLinePixels()
{
    MinorLinePixels.clear();
    MajorLinePixels.clear();
    MinorLinePixels.reserve(FMinorMarks.size());
    MajorLinePixels.reserve(FMajorMarks.size());
    auto px = [](double p) {
        return static_cast<int>(std::nearbyint(std::clamp(p, -kPixelLimit, kPixelLimit)));
    };
    for (const TScaleMark& m : FMinorMarks)
        MinorLinePixels.push_back(px(m.Pixel));
    for (const TScaleMark& m : FMajorMarks)
        MajorLinePixels.push_back(px(m.Pixel));
}

} // namespace skedra
