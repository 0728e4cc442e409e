#pragma once
// The model of the date scaler: the visible range and its scale, hidden hours
// and days cut out of the axis, the conversions between dates, visible time and
// pixels, the calendar units, and the two levels of tick marks with their
// labels. It holds no widget: TqvDateScaler (qvScaler.h) is the control built
// on it, and tests drive the model through a fixed axis length.

#include <QString>
#include <cstdint>
#include <vector>

#include "skedra/platform/DateTime.h"
#include "skedra/platform/Method.h"
#include "skedra/platform/Set.h"

namespace skedra
{

class TObject;
class TqvDateScaler;

// Time constants, in days.
inline constexpr TDateTime kMinute = 1.0 / 1440.0;
inline constexpr TDateTime kHour = 1.0 / 24.0;
inline constexpr TDateTime kDay = 1.0;
inline constexpr TDateTime kWeek = 7.0;
inline constexpr TDateTime kMonth = 30.0;
inline constexpr TDateTime kYear = 365.0;
inline constexpr TDateTime kScale10Hun = 10.0 / MSecsPerDay;
inline constexpr TDateTime kScale1Sec = 1.0 / SecsPerDay;
inline constexpr TDateTime kScale10Sec = 10.0 / SecsPerDay;
inline constexpr TDateTime kScale1Min = 1.0 / MinsPerDay;
inline constexpr TDateTime kScale10Min = 10.0 / MinsPerDay;
inline constexpr TDateTime kScale1Hour = 1.0 / HoursPerDay;
inline constexpr TDateTime kScale1Day = 1.0;
inline constexpr TDateTime kScale1Week = 7.0;
// The month-and-longer steps are tokens compared for equality as much as lengths.
inline constexpr TDateTime kScale1Month = 27.0;
inline constexpr TDateTime kScale3Month = 86.0;
inline constexpr TDateTime kScale1Year = 365.0;
inline constexpr TDateTime kScale10Year = 3652.0;
inline constexpr TDateTime kScale20Year = 7305.0;
inline constexpr TDateTime kScale100Year = 36524.0;

// The steps of the tick levels, shortest first. Steps travel as lengths (the
// kScale constants above, which the month-and-longer ones only stand for);
// code that tells them apart asks ScaleStepOf once and switches on the kind.
enum TScaleStep {
    ss10Hun,
    ss1Sec,
    ss10Sec,
    ss1Min,
    ss10Min,
    ss1Hour,
    ss1Day,
    ss1Week,
    ss1Month,
    ss3Month,
    ss1Year,
    ss10Year,
    ss20Year,
    ss100Year,
    ssOther // a length that is no tick step (a snapping length, say)
};
// The length a step stands for (0 for ssOther).
TDateTime ScaleStepLength(TScaleStep aStep);
// The step of exactly that length, else ssOther.
TScaleStep ScaleStepOf(TDateTime aLength);

// 1 January 4000, the end of every axis.
TDateTime ScalerEndOfTime();

enum TqvHiddenHoursEnum {
    thh00,
    thh01,
    thh02,
    thh03,
    thh04,
    thh05,
    thh06,
    thh07,
    thh08,
    thh09,
    thh10,
    thh11,
    thh12,
    thh13,
    thh14,
    thh15,
    thh16,
    thh17,
    thh18,
    thh19,
    thh20,
    thh21,
    thh22,
    thh23
};
using TqvHiddenHours = TSet<TqvHiddenHoursEnum>;

enum TqvHiddenDaysEnum { thdSUN, thdMON, thdTUE, thdWED, thdTHU, thdFRI, thdSAT };
using TqvHiddenDays = TSet<TqvHiddenDaysEnum>;

enum TScalerFont { sTextFont1, sTextFont2, sTextFont3 };

class TScaleMark
{
public:
    bool IsMajor = false;
    TDateTime Date = 0;
    double Pixel = 0; // from the start of the axis, unrounded, printing scale included
    QString Text;
    TScalerFont Font = sTextFont1;
    bool Collapsed = false; // the interval to the next mark is entirely hidden
    QString SubText;
    TScalerFont SubFont = sTextFont1;
};

using TOnLimitScaling =
    TMethod<bool(TqvDateScaler* caller, TDateTime aStart, TDateTime aStop, double aScale)>;
using TOnUserStringEvent =
    TMethod<void(TDateTime theDate, TDateTime theStep, QString& theResult, TScalerFont& theScalerFont)>;
using TOnInfoStringEvent = TMethod<void(QString& theResult, TScalerFont& theScalerFont)>;
using TScalerNotifyEvent = TMethod<void(TObject* Sender)>;

// The mapping between dates and pixels of a date scaler, with hidden hours
// and days, zoom, scroll and the tick levels and labels.
class TqvDateScalerModel
{
public:
    TqvDateScalerModel();
    virtual ~TqvDateScalerModel() = default;
    TqvDateScalerModel(const TqvDateScalerModel&) = delete;
    TqvDateScalerModel& operator=(const TqvDateScalerModel&) = delete;

    // --- range and scale ---
    TDateTime GetStart() const { return FStart; }
    TDateTime GetStop() const { return FStop; }
    void SetStart(TDateTime d);
    void SetStop(TDateTime d);
    TDateTime GetMinStart() const { return FMinStart; }
    TDateTime GetMaxStop() const { return FMaxStop; }
    void SetMinStart(TDateTime d);
    void SetMaxStop(TDateTime d);
    bool GetHorizontal() const { return FHorizontal; }
    void SetHorizontal(bool v);

    // Pixels along the axis: the control's width or height (the bare model's fixed length).
    virtual int GetScaleLen() const { return FModelLength; }
    // Visible time per pixel, in days.
    double GetScale() const;
    virtual void SetScale(double s);
    virtual void SetCenterScale(double aScale, TDateTime aDate, int aPixel);
    TDateTime VisibleTimeAmount() const;
    virtual TDateTime PixelLenToDate(double n) const { return GetScale() * n; }
    bool CheckIfOkStartStop(TDateTime aStart, TDateTime aStop) const;

    // --- hidden time ---
    TqvHiddenHours GetHiddenHours() const { return FHiddenHours; }
    TqvHiddenDays GetHiddenDays() const { return FHiddenDays; }
    void SetHiddenHours(const TqvHiddenHours& s);
    void SetHiddenDays(const TqvHiddenDays& s);
    int GetHiddenHourCount() const { return FHiddenHourCount; }
    int GetHiddenDayCount() const { return FHiddenDayCount; }
    bool IsHiddenHour(int h) const;
    bool IsHiddenDay(TDateTime aDay) const;

    // --- conversions ---
    TDateTime DateDiffToVisibleTime(TDateTime aFrom, TDateTime aTo) const;
    TDateTime VisibleTimeDiffToTrueTime(TDateTime aFrom, TDateTime aVisible) const;
    TDateTime VisibleTimeToTrueTime_Low(TDateTime d) const;
    TDateTime VisibleTimeToTrueTime_High(TDateTime d) const;
    TDateTime VisibleTimeForDay(TDateTime aDay) const;
    TDateTime VisibleTimeForWeek() const;
    TDateTime VisibleTimeForPartOfDay(TDateTime aDay, TDateTime aLength, TDateTime aStartInDay) const;
    int DateToPixel(TDateTime d) const;
    TDateTime PixelToDate(double p) const;
    double DateDiffToPixelLength(TDateTime aFrom, TDateTime aTo) const;
    double ScalePixel(double v) const { return v * AxisPrintScale(); }
    virtual int TimeToPixel(TDateTime d) const;
    int GetPixelFromScaleMark(const TScaleMark& m) const;

    // --- calendar units ---
    int GetFirstDayOfWeek() const { return FFirstDayOfWeek; }
    void SetFirstDayOfWeek(int v);
    TDateTime TruncToFirstDayOfWeek(TDateTime d) const;
    TDateTime FirstWeekOfYear(TDateTime d, bool& aFromJan1) const;
    int GetWeekNum(TDateTime d, bool& aNextYear) const;
    static int DateToQuarter(TDateTime d);
    TDateTime Snap(TDateTime aStep, TDateTime d);
    static TDateTime GetAdaptiveStep(TDateTime aStep, TDateTime d);

    // --- tick levels and labels ---
    void CalcDrawMode();
    static TDateTime StepFork(TDateTime aLength, QString& aName);
    QString GetApprioateStringShort(TDateTime aDate, TDateTime aStep, TScalerFont& aFont, int aPixWidth,
                                    QString& aSubText, TScalerFont& aSubFont) const;
    QString GetApprioateStringLong(TDateTime aDate, TDateTime aStep, TScalerFont& aFont) const;
    QString GetWeekString(const QString& aFormat, TDateTime aDate, bool aShort, int aPixWidth) const;
    int GetOddOrEventStartForVerticalBack() const { return FOddOrEvenStart; }
    void CalcOddOrEventStartForVerticalBack();

    const std::vector<TScaleMark>& GetMinorMarks() const { return FMinorMarks; }
    const std::vector<TScaleMark>& GetMajorMarks() const { return FMajorMarks; }
    TDateTime GetMinorStep() const { return FMinorStep; }
    TDateTime GetMajorStep() const { return FMajorStep; }
    const QString& GetMinorStepName() const { return FMinorStepName; }
    const QString& GetMajorStepName() const { return FMajorStepName; }
    TDateTime GetTenPixelTime() const { return FTenPixelTime; }
    // Rounded pixels of the marks, refilled at every paint.
    std::vector<int> MinorLinePixels;
    std::vector<int> MajorLinePixels;
    void FillLinePixels();

    int GetPixelsForModeSwitch() const { return FPixelsForModeSwitch; }
    void SetPixelsForModeSwitch(int v);
    const QString& GetDateFormat() const { return FDateFormat; }
    void SetDateFormat(const QString& v);
    const QString& GetTimeFormat() const { return FTimeFormat; }
    void SetTimeFormat(const QString& v);
    bool GetWeekNumbers() const { return FWeekNumbers; }
    void SetWeekNumbers(bool v);
    const QString& GetWeekPrefix() const { return FWeekPrefix; }
    void SetWeekPrefix(const QString& v);
    const QString& GetWeekYearFormat() const { return FWeekYearFormat; }
    void SetWeekYearFormat(const QString& v);
    const QString& GetQuarterPrefix() const { return FQuarterPrefix; }
    void SetQuarterPrefix(const QString& v);

    // --- animations ---
    void AnimateScaleTransition(double aScale, int aSteps);
    void AnimateScaleTransition(TDateTime aStart, TDateTime aStop, int aSteps);

    // --- resizing and change notification ---
    void NotifyResized() { FResized = true; }
    void HandleFixedScaleResizing();
    void RememberStopAfterPaint() { FStopAtLastPaint = FStop; }
    bool GetChanged() const { return FChanged; }
    void SetChanged(bool v) { FChanged = v; }

    // The bare model's axis length (the control answers its own size instead).
    void SetModelLength(int n);

    // Throws when the range is broken: Start < Stop, both finite, Start not before day 0.
    void CheckInvariants() const;

    // A zoom produced a new range: answering true refuses it (the old range stays).
    TOnLimitScaling OnLimitScaling;
    // The range changed while the user is still dragging or stepping.
    TScalerNotifyEvent OnAnimateChange;
    // The range changed, reported once the user let go (after the event loop turns).
    TScalerNotifyEvent OnChange;
    // Text (and font) of a short label; the handler may replace them.
    TOnUserStringEvent OnUserStringShort;
    // Text (and font) of a long label, the upper level; the handler may replace them.
    TOnUserStringEvent OnUserStringLong;
    // Second line (and font) under a short label, empty by default; the handler may set it.
    TOnUserStringEvent OnUserStringShortSub;

protected:
    // Hooks the control fills in.
    virtual double AxisPrintScale() const { return 1.0; }
    virtual void ScalerInvalidate() {}
    virtual void ScalerBeginUpdate() { ++FModelUpdateCount; }
    virtual void ScalerEndUpdate();
    virtual void ScalerRepaintNow() {}
    virtual void ScalerPause();
    virtual void EndMouseOperation() {}
    virtual TqvDateScaler* ScalerCaller() { return nullptr; }
    virtual TObject* ScalerSender() { return nullptr; }

    // Range changed: rebuild the marks, mark changed, invalidate.
    void RangeChanged();
    TDateTime LowerLimit() const;
    TDateTime UpperLimit() const;
    // CheckInvariants in Debug builds.
    void AssertInvariants() const;
    // aStop, or one day after aStart when aStop does not lie after it.
    TDateTime StopAfter(TDateTime aStart, TDateTime aStop) const;

private:
    void HiddenSetsChanged(double formerScale);
    // VisibleTimeDiffToTrueTime to the whole millisecond.
    TDateTime VisibleTimeDiffToTrueTimeMs(TDateTime aFrom, TDateTime aVisible) const;
    void PlaceLevel(bool aMajor, TDateTime aStep, std::vector<TScaleMark>& aMarks);
    void BuildMarks();
    void RecoverFromScaleError();
    QString DateFormatOrDefault() const;
    QString TimeFormatOrDefault() const;
    [[noreturn]] void SnapFailed();

    // Visible milliseconds from midnight to ms on a visible day.
    int64_t VisibleMsOfDay(int64_t ms) const;
    bool DayHidden(int64_t day) const;
    int64_t VisibleMsBetween(int64_t loDay, int64_t loMs, int64_t hiDay, int64_t hiMs) const;
    int64_t InDayForward(int64_t ms, int64_t v) const;
    int64_t InDayBackward(int64_t ms, int64_t v) const;
    void RecountHidden();

    TDateTime FStart = 0;
    TDateTime FStop = 7;
    TDateTime FMinStart = 0;
    TDateTime FMaxStop;
    bool FHorizontal = false;
    TqvHiddenHours FHiddenHours;
    TqvHiddenDays FHiddenDays;
    int FHiddenHourCount = 0;
    int FHiddenDayCount = 0;
    int FFirstDayOfWeek = 2;
    uint32_t FHourMask = 0;       // bit h: hour h hidden
    uint32_t FDayMask = 0;        // bit w: weekday w (0 = Sunday) hidden
    int64_t FHourPrefix[25] = {}; // visible ms from midnight to hour h
    int64_t FDayVisibleMs = 0;
    int64_t FWeekVisibleMs = 0;

    mutable bool FAmountValid = false;
    mutable TDateTime FAmountStart = 0, FAmountStop = 0, FAmount = 0;

    int FModelLength = 0;
    int FModelUpdateCount = 0;
    int FRememberedLength = 0;
    double FRememberedScale = 0;
    bool FResized = false;
    TDateTime FStopAtLastPaint;
    bool FChanged = false;
    bool FInScaleError = false;

    std::vector<TScaleMark> FMinorMarks;
    std::vector<TScaleMark> FMajorMarks;
    TDateTime FMinorStep = 0, FMajorStep = 0;
    QString FMinorStepName, FMajorStepName;
    TDateTime FTenPixelTime = 1;
    int FPixelsForModeSwitch = 15;
    int FOddOrEvenStart = 0;
    QString FDateFormat, FTimeFormat;
    bool FWeekNumbers = false;
    QString FWeekPrefix = QStringLiteral(" w ");
    QString FWeekYearFormat = QStringLiteral("YYYY");
    QString FQuarterPrefix = QStringLiteral(" Q");
};

} // namespace skedra
