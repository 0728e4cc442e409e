#pragma once
// TqvDateScaler: the date and time axis control. Its model (range, hidden
// time, conversions, marks and labels) is TqvDateScalerModel; this class
// paints it (ticks, labels, boxes, scroll buttons, range indicator), pans and
// zooms it with the mouse, repeats the scroll buttons and prints it.

#include <QTimer>
#include <memory>

#include "skedra/foundation/qvOffscreenPaint.h"
#include "skedra/scaler/qvScalerModel.h"

namespace skedra
{

using TOnScalerUserDraw = TMethod<void(TqvDateScaler* caller, TCanvas* aCanvas, const TRect& aRect)>;

// The date and time axis control: ticks and labels at up to three levels, a
// range bar, scroll buttons; zoom and pan with the mouse.
class TqvDateScaler : public TqvOffscreenPaint, public TqvDateScalerModel
{
    Q_OBJECT
    // Published properties, as a form designer sets and stores them.
    // Pattern of date labels; empty: the locale's short date.
    Q_PROPERTY(QString DateFormat READ GetDateFormat WRITE SetDateFormat)
    // Pattern of time labels; empty: the locale's short time.
    Q_PROPERTY(QString TimeFormat READ GetTimeFormat WRITE SetTimeFormat)
    // First day of a week, 1 = Sunday (default 2, Monday).
    Q_PROPERTY(int FirstDayOfWeek READ GetFirstDayOfWeek WRITE SetFirstDayOfWeek)
    // Day labels carry the week number (default false).
    Q_PROPERTY(bool WeekNumbers READ GetWeekNumbers WRITE SetWeekNumbers)
    // Text before a week number (default " w ").
    Q_PROPERTY(QString WeekPrefix READ GetWeekPrefix WRITE SetWeekPrefix)
    // Pattern of the year beside a week number (default "YYYY").
    Q_PROPERTY(QString WeekYearFormat READ GetWeekYearFormat WRITE SetWeekYearFormat)
    // Text before a quarter number (default " Q").
    Q_PROPERTY(QString QuarterPrefix READ GetQuarterPrefix WRITE SetQuarterPrefix)
    // The bar that shows the visible range (default true).
    Q_PROPERTY(bool IndicatorOn READ GetIndicatorOn WRITE SetIndicatorOn)
    // The axis runs left to right, else top to bottom (default false).
    Q_PROPERTY(bool Horizontal READ GetHorizontal WRITE SetHorizontal)
    // Fewest pixels between two ticks of a level; closer levels give way (default 15).
    Q_PROPERTY(int PixelsForModeSwitch READ GetPixelsForModeSwitch WRITE SetPixelsForModeSwitch)
    // Pixels per day of visible time (read-only).
    Q_PROPERTY(double Scale READ GetScale STORED false)
    // Earliest date scrolling and zooming reach (default 0).
    Q_PROPERTY(double MinStart READ GetMinStart WRITE SetMinStart)
    // Latest date scrolling and zooming reach (default 1 January 4000).
    Q_PROPERTY(double MaxStop READ GetMaxStop WRITE SetMaxStop)
    // First visible date (default today).
    Q_PROPERTY(double Start READ GetStart WRITE SetStart)
    // Last visible date (default today + 7).
    Q_PROPERTY(double Stop READ GetStop WRITE SetStop)
    // Zoom step kept for hosting components (default 0.9).
    Q_PROPERTY(double ZoomFactor READ GetZoomFactor WRITE SetZoomFactor)
    // Look of the range bar (default isNormal).
    Q_PROPERTY(TIndicatorStyle IndicatorStyle READ GetIndicatorStyle WRITE SetIndicatorStyle)
    // A plain drag pans and a Ctrl-drag zooms, else the other way round (default false).
    Q_PROPERTY(bool RescaleWithCtrl READ GetRescaleWithCtrl WRITE SetRescaleWithCtrl)
    // Ticks (tlfClassic, default) or boxes (tlfBoxed).
    Q_PROPERTY(TLookAndFeel LookAndFeel READ GetLookAndFeel WRITE SetLookAndFeel)
    // Classic (default), small or no scroll buttons.
    Q_PROPERTY(TScrollButtons ScrollButtons READ GetScrollButtons WRITE SetScrollButtons)
    // Labels of a vertical axis run upwards (default false).
    Q_PROPERTY(bool VerticalText READ GetVerticalText WRITE SetVerticalText)
public:
    enum TIndicatorStyle { isNone, isNormal, isColorfull, isSober };
    Q_ENUM(TIndicatorStyle)
    enum TLookAndFeel { tlfClassic, tlfBoxed };
    Q_ENUM(TLookAndFeel)
    enum TScrollButtons { tsbClassic, tsbSmall, tsbOff };
    Q_ENUM(TScrollButtons)

    explicit TqvDateScaler(QWidget* aOwner = nullptr);
    ~TqvDateScaler() override;

    void OffscreenPaint() override;
    void BeginUpdate() override;
    void EndUpdate() override;
    void Print(TDeviceContext* aDC, int x, int y, double aScaleX, double aScaleY, bool aScaleSize) override;
    int GetScaleLen() const override;

    // Published properties (those of the model are inherited from it).
    bool GetIndicatorOn() const { return FIndicatorOn; }
    void SetIndicatorOn(bool v);
    TIndicatorStyle GetIndicatorStyle() const { return FIndicatorStyle; }
    void SetIndicatorStyle(TIndicatorStyle v);
    bool GetRescaleWithCtrl() const { return FRescaleWithCtrl; }
    void SetRescaleWithCtrl(bool v) { FRescaleWithCtrl = v; }
    TFont* GetTextFont1() { return &FTextFont1; }
    TFont* GetTextFont2() { return &FTextFont2; }
    TFont* GetTextFont3() { return &FTextFont3; }
    void SetTextFont1(const TFont& f);
    void SetTextFont2(const TFont& f);
    void SetTextFont3(const TFont& f);
    TLookAndFeel GetLookAndFeel() const { return FLookAndFeel; }
    void SetLookAndFeel(TLookAndFeel v);
    TScrollButtons GetScrollButtons() const { return FScrollButtons; }
    void SetScrollButtons(TScrollButtons v);
    bool GetVerticalText() const { return FVerticalText; }
    void SetVerticalText(bool v) { FVerticalText = v; }
    // Kept for the hosting components; the scaler itself does not read it.
    double GetZoomFactor() const { return FZoomFactor; }
    void SetZoomFactor(double v) { FZoomFactor = v; }

    // The range bar's text is about to be drawn; the handler may replace it.
    TOnInfoStringEvent OnInfoStringEvent;
    // Draws under the ticks and labels, after the background is filled.
    TOnScalerUserDraw OnUserDrawBackground;
    // Draws over everything else.
    TOnScalerUserDraw OnUserDrawForeground;

    // Programmatic repeated scrolling (the Gantt chart's drag past an edge).
    void StartStepUp();
    void StartStepDown();
    void StopStep();
    // 15 pixels of visible time.
    TDateTime GetScrollStep() const { return PixelLenToDate(15); }
    // Whether a drag with the shift state of the press zooms (else it pans).
    bool RescaleNotPan() const;
    // The repeat timer's tick.
    void RepeatTimerTick();

    // Where the scroll buttons were last drawn (all -1 when there are none).
    TRect GetBackwardButtonRect() const { return FBackwardRect; }
    TRect GetForwardButtonRect() const { return FForwardRect; }
    bool GetBackwardPressed() const { return FBackwardPressed; }
    bool GetForwardPressed() const { return FForwardPressed; }
    bool GetMouseIsDown() const { return FMouseDown; }
    bool GetDragging() const { return FDragging; }
    TDateTime GetPressDate() const { return FPressDate; }
    QTimer* GetRepeatTimer() const { return FTimer.get(); }
    TFont* FontOf(TScalerFont f);

protected:
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Resize() override;

    // The clock the repeat acceleration reads; tests replace it.
    virtual TDateTime CurrentTime() const { return Now(); }

    virtual void DoBackground(TCanvas* aCanvas, const TRect& aRect);
    virtual void DoForeground(TCanvas* aCanvas, const TRect& aRect);
    virtual void DoThePaint(TCanvas* aCanvas, const TRect& aRect);
    virtual void DrawScaleIndicator(TCanvas* aCanvas);
    virtual void NormalIndicator(TCanvas* aCanvas);
    virtual void SoberIndicator(TCanvas* aCanvas);
    virtual void ColorFullIndicator(TCanvas* aCanvas);
    virtual void DrawScrollButtons(TCanvas* aCanvas);
    void DrawTriangleButton(TCanvas* aCanvas, const TRect& r, int aDirection, bool aPressed);
    virtual void DrawZoomButtons(TCanvas* /*aCanvas*/) {}
    virtual void DrawBoxes(TCanvas* aCanvas);
    virtual void DrawScaleMarksText(TCanvas* aCanvas, bool aMajor);
    virtual void CalcPixAndDrawScaleMarks(TCanvas* aCanvas, bool aMajor);
    double GetScaleMarkPix(const std::vector<TScaleMark>& aMarks, size_t i) const;
    double GetBoxPix(const std::vector<TScaleMark>& aMarks, size_t i) const;
    void RotateFontIfNeeded(TCanvas* aCanvas) const;

    // Model hooks.
    double AxisPrintScale() const override;
    void ScalerInvalidate() override { Invalidate(); }
    void ScalerBeginUpdate() override { BeginUpdate(); }
    void ScalerEndUpdate() override { EndUpdate(); }
    void ScalerRepaintNow() override { Repaint(); }
    void EndMouseOperation() override;
    TqvDateScaler* ScalerCaller() override { return this; }
    TObject* ScalerSender() override { return this; }

private:
    void SelectLabelFont(TCanvas* aCanvas, TScalerFont aFont);
    void PostChange();
    bool PointerOverButton() const;
    int Scaled(double v, bool alongX) const;

    TFont FTextFont1, FTextFont2, FTextFont3;
    bool FIndicatorOn = true;
    TIndicatorStyle FIndicatorStyle = isNormal;
    bool FRescaleWithCtrl = false;
    TLookAndFeel FLookAndFeel = tlfClassic;
    TScrollButtons FScrollButtons = tsbClassic;
    bool FVerticalText = false;
    double FZoomFactor = 0.9;

    bool FMouseDown = false;
    TDateTime FPressTime = 0;
    int FLastX = 0, FLastY = 0;
    int FPointerX = -1, FPointerY = -1;
    double FScaleAtPress = 0;
    TShiftState FShiftAtPress;
    int FPressPixel = 0;
    TDateTime FPressDate = 0;
    bool FDragging = false;
    TRect FBackwardRect{-1, -1, -1, -1};
    TRect FForwardRect{-1, -1, -1, -1};
    bool FBackwardPressed = false;
    bool FForwardPressed = false;
    bool FStepping = false;
    std::unique_ptr<QTimer> FTimer;
    int FPrintLength = -1; // the screen length of the axis while printing
};

using TIndicatorStyle = TqvDateScaler::TIndicatorStyle;
using TLookAndFeel = TqvDateScaler::TLookAndFeel;
using TScrollButtons = TqvDateScaler::TScrollButtons;
using enum TqvDateScaler::TIndicatorStyle;
using enum TqvDateScaler::TLookAndFeel;
using enum TqvDateScaler::TScrollButtons;

} // namespace skedra
