#include "skedra/scaler/qvScaler.h"

#include <algorithm>
#include <QRegularExpression>
#include <cmath>

#include "skedra/platform/Exceptions.h"
#include "skedra/platform/Messages.h"

namespace skedra
{

namespace
{

int RoundPx(double v)
{
    return static_cast<int>(std::nearbyint(std::clamp(v, -1.0e7, 1.0e7)));
}

enum { kRight, kLeft, kUp, kDown };

const TColor kWhite = RGB(255, 255, 255);
const TColor kGrey = RGB(128, 128, 128);

void Line(TCanvas* c, TColor color, int x1, int y1, int x2, int y2)
{
    c->Pen.SetColor(color);
    c->MoveTo(x1, y1);
    c->LineTo(x2, y2);
}

} // namespace

TqvDateScaler::TqvDateScaler(QWidget* aOwner) : TqvOffscreenPaint(aOwner), FTimer(std::make_unique<QTimer>())
{
    for (TFont* f : {&FTextFont1, &FTextFont2, &FTextFont3}) {
        f->SetName(QStringLiteral("Arial"));
        f->SetSize(7);
    }
    FTimer->setInterval(50);
    QObject::connect(FTimer.get(), &QTimer::timeout, this,
                     [this] { GuardedCall([this] { RepeatTimerTick(); }); });
    SetTabStop(true);
    CalcDrawMode();
}

TqvDateScaler::~TqvDateScaler()
{
    FTimer->stop();
}

// ---------------------------------------------------------------- geometry

int TqvDateScaler::GetScaleLen() const
{
    if (GetIsPrinting() && FPrintLength >= 0) return FPrintLength;
    return GetHorizontal() ? TqvOffscreenPaint::GetWidth() : TqvOffscreenPaint::GetHeight();
}

double TqvDateScaler::AxisPrintScale() const
{
    if (!GetIsPrinting()) return 1.0;
    return GetHorizontal() ? GetPrintScalex() : GetPrintScaley();
}

int TqvDateScaler::Scaled(double v, bool alongX) const
{
    return RoundPx(v * (alongX ? GetScalex() : GetScaley()));
}

TFont* TqvDateScaler::FontOf(TScalerFont f)
{
    switch (f) {
    case sTextFont2:
        return &FTextFont2;
    case sTextFont3:
        return &FTextFont3;
    default:
        return &FTextFont1;
    }
}

// ---------------------------------------------------------------- properties

void TqvDateScaler::SetIndicatorOn(bool v)
{
    if (v == FIndicatorOn) return;
    FIndicatorOn = v;
    Invalidate();
}

void TqvDateScaler::SetIndicatorStyle(TIndicatorStyle v)
{
    if (v == FIndicatorStyle) return;
    FIndicatorStyle = v;
    Invalidate();
}

void TqvDateScaler::SetTextFont1(const TFont& f)
{
    FTextFont1.Assign(f);
    Invalidate();
}

void TqvDateScaler::SetTextFont2(const TFont& f)
{
    FTextFont2.Assign(f);
    Invalidate();
}

void TqvDateScaler::SetTextFont3(const TFont& f)
{
    FTextFont3.Assign(f);
    Invalidate();
}

void TqvDateScaler::SetLookAndFeel(TLookAndFeel v)
{
    FLookAndFeel = v;
    Invalidate();
}

void TqvDateScaler::SetScrollButtons(TScrollButtons v)
{
    FScrollButtons = v;
    Invalidate();
}

// ---------------------------------------------------------------- updates, resizing, printing

void TqvDateScaler::BeginUpdate()
{
    TqvOffscreenPaint::BeginUpdate();
}

void TqvDateScaler::EndUpdate()
{
    TqvOffscreenPaint::EndUpdate();
    CalcDrawMode();
    Invalidate();
}

void TqvDateScaler::Resize()
{
    // The range adapts at the next paint; the marks follow the new length at
    // once, so that conversions made before that paint agree with it.
    NotifyResized();
    CalcDrawMode();
    TqvOffscreenPaint::Resize();
}

void TqvDateScaler::Print(TDeviceContext* aDC, int x, int y, double aScaleX, double aScaleY, bool aScaleSize)
{
    if (!(aScaleX > 0) || !(aScaleY > 0) || !std::isfinite(aScaleX) || !std::isfinite(aScaleY))
        throw Exception(QStringLiteral("Invalid print scale"));
    InternalSetPrintScalex(aScaleX);
    InternalSetPrintScaley(aScaleY);
    // The marks are laid out on the screen length times the print scale,
    // whether or not the base scales the control's size for the print.
    const int screenLength = GetScaleLen();
    BeginPrint();
    FPrintLength = screenLength;
    auto finish = [this] {
        FPrintLength = -1;
        EndPrint();
    };
    try {
        CalcDrawMode();
        TqvOffscreenPaint::Print(aDC, x, y, aScaleX, aScaleY, aScaleSize);
    } catch (...) {
        finish();
        try {
            CalcDrawMode();
        } catch (...) {
        }
        throw;
    }
    finish();
    CalcDrawMode();
}

// ---------------------------------------------------------------- painting

void TqvDateScaler::OffscreenPaint()
{
    const bool printing = GetIsPrinting();
    if (!printing) HandleFixedScaleResizing();
    DoThePaint(GetOffscreenCanvas(),
               TRect(0, 0, TqvOffscreenPaint::GetWidth(), TqvOffscreenPaint::GetHeight()));
    if (!printing) RememberStopAfterPaint();
    TqvOffscreenPaint::OffscreenPaint();
}

void TqvDateScaler::DoThePaint(TCanvas* aCanvas, const TRect& aRect)
{
    aCanvas->Brush.SetColor(GetColor());
    aCanvas->Brush.SetStyle(bsSolid);
    aCanvas->Pen.SetColor(clBlack);
    aCanvas->Pen.SetWidth(1);
    if (aRect.Width() <= 0 || aRect.Height() < 0) return;
    const bool printing = GetIsPrinting();
    MinorLinePixels.clear();
    MajorLinePixels.clear();
    CalcPixAndDrawScaleMarks(aCanvas, false);
    CalcPixAndDrawScaleMarks(aCanvas, true);
    DoBackground(aCanvas, aRect);
    DrawScaleMarksText(aCanvas, false);
    DrawScaleMarksText(aCanvas, true);
    if (FLookAndFeel == tlfBoxed) DrawBoxes(aCanvas);
    if (!printing) DrawScrollButtons(aCanvas);
    if (FIndicatorOn) DrawScaleIndicator(aCanvas);
    if (!printing) PostChange();
    DoForeground(aCanvas, aRect);
    if (!printing && hasFocus()) {
        aCanvas->Brush.SetStyle(bsSolid);
        aCanvas->Brush.SetColor(GetColor());
        aCanvas->DrawFocusRect(aRect);
    }
}

void TqvDateScaler::PostChange()
{
    if (!GetChanged() || !OnChange.Assigned() || FDragging) return;
    SetChanged(false);
    // Raised from the event loop: after the setter has returned and the paint is done.
    QMetaObject::invokeMethod(
        this, [this] { GuardedCall([this] { OnChange(this); }); }, Qt::QueuedConnection);
}

void TqvDateScaler::DoBackground(TCanvas* aCanvas, const TRect& aRect)
{
    OnUserDrawBackground(this, aCanvas, aRect);
}

void TqvDateScaler::DoForeground(TCanvas* aCanvas, const TRect& aRect)
{
    OnUserDrawForeground(this, aCanvas, aRect);
}

void TqvDateScaler::CalcPixAndDrawScaleMarks(TCanvas* aCanvas, bool aMajor)
{
    const std::vector<TScaleMark>& marks = aMajor ? GetMajorMarks() : GetMinorMarks();
    std::vector<int>& pixels = aMajor ? MajorLinePixels : MinorLinePixels;
    pixels.reserve(marks.size());
    const bool horizontal = GetHorizontal();
    const int length = Scaled(aMajor ? 15 : 5, !horizontal);
    const int w = TqvOffscreenPaint::GetWidth(), h = TqvOffscreenPaint::GetHeight();
    aCanvas->Pen.SetColor(clBlack);
    for (const TScaleMark& m : marks) {
        const int p = RoundPx(m.Pixel);
        pixels.push_back(p);
        if (m.Collapsed || FLookAndFeel == tlfBoxed) continue;
        if (horizontal) {
            aCanvas->MoveTo(p, h - 1);
            aCanvas->LineTo(p, h - 1 - length);
        } else {
            aCanvas->MoveTo(w - 1, p);
            aCanvas->LineTo(w - 1 - length, p);
        }
    }
}

double TqvDateScaler::GetScaleMarkPix(const std::vector<TScaleMark>& aMarks, size_t i) const
{
    const TScaleMark& m = aMarks[i];
    const TDateTime step = m.IsMajor ? GetMajorStep() : GetMinorStep();
    if (step < kScale1Day) return m.Pixel;
    const double next = i + 1 < aMarks.size() ? aMarks[i + 1].Pixel : ScalePixel(GetScaleLen());
    return (m.Pixel + next) / 2;
}

double TqvDateScaler::GetBoxPix(const std::vector<TScaleMark>& aMarks, size_t i) const
{
    const TScaleMark& m = aMarks[i];
    const TDateTime step = m.IsMajor ? GetMajorStep() : GetMinorStep();
    if (step >= kScale1Day || i + 1 >= aMarks.size()) return m.Pixel;
    return (m.Pixel + aMarks[i + 1].Pixel) / 2;
}

void TqvDateScaler::RotateFontIfNeeded(TCanvas* aCanvas) const
{
    if (GetHorizontal() || !FVerticalText) return;
    TFont& f = aCanvas->Font;
    f.SetStyle(TFontStyles());
    f.SetOrientation(900);
}

void TqvDateScaler::SelectLabelFont(TCanvas* aCanvas, TScalerFont aFont)
{
    aCanvas->Font.Assign(*FontOf(aFont));
    PrintResizeFont();
    RotateFontIfNeeded(aCanvas);
    aCanvas->Font.SetColor(clBlack);
}

void TqvDateScaler::DrawScaleMarksText(TCanvas* aCanvas, bool aMajor)
{
    const std::vector<TScaleMark>& marks = aMajor ? GetMajorMarks() : GetMinorMarks();
    const bool horizontal = GetHorizontal();
    aCanvas->Brush.SetStyle(bsClear);
    const int row = horizontal ? Scaled(aMajor ? 15 : 30, false) : Scaled(aMajor ? 20 : 40, true);
    const int subRow = horizontal ? Scaled(40, false) : Scaled(50, true);
    double last = -1000;
    // Draws one label unless it crowds the previous one of its row; answers its position.
    auto place = [&](const QString& text, int aRow, double pos, double lastDrawn, double& drawnAt) {
        if (horizontal) {
            const int w = aCanvas->TextWidth(text);
            const int left = RoundPx(pos - w / 2.0);
            if (left > 0 && left > lastDrawn + w + 6) {
                aCanvas->TextOut(left, aRow, text);
                drawnAt = left;
                return true;
            }
        } else if (FVerticalText) {
            const int w = aCanvas->TextWidth(text);
            const int start = RoundPx(pos + w / 2.0);
            if (start - w > 0 && start > lastDrawn + w + 10) {
                aCanvas->TextOut(aRow, start, text);
                drawnAt = start;
                return true;
            }
        } else {
            const int th = aCanvas->TextHeight(text);
            const int top = RoundPx(pos - th / 2.0);
            if (top - th > 0 && top > lastDrawn + th + 10) {
                aCanvas->TextOut(aRow, top, text);
                drawnAt = top;
                return true;
            }
        }
        return false;
    };
    for (size_t i = 0; i < marks.size(); ++i) {
        const TScaleMark& m = marks[i];
        if (m.Collapsed) continue;
        const double pos = GetScaleMarkPix(marks, i);
        if (!aMajor && !m.SubText.isEmpty()) {
            SelectLabelFont(aCanvas, m.SubFont);
            double ignored = 0;
            place(m.SubText, subRow, pos, last, ignored);
        }
        if (m.Text.isEmpty()) continue;
        SelectLabelFont(aCanvas, m.Font);
        QString text = m.Text;
        if (!horizontal && !FVerticalText && aMajor) text += QStringLiteral("  ");
        double drawnAt = last;
        if (place(text, row, pos, last, drawnAt)) last = drawnAt;
    }
    aCanvas->Font.SetOrientation(0);
}

void TqvDateScaler::DrawBoxes(TCanvas* aCanvas)
{
    const bool horizontal = GetHorizontal();
    const int w = TqvOffscreenPaint::GetWidth(), h = TqvOffscreenPaint::GetHeight();
    aCanvas->Pen.SetWidth(1);
    const int a = horizontal ? Scaled(15, false) : Scaled(20, true);
    const int b = horizontal ? Scaled(30, false) : Scaled(40, true);
    if (horizontal) {
        Line(aCanvas, kGrey, 0, a, w, a);
        Line(aCanvas, kGrey, 0, b, w, b);
    } else {
        Line(aCanvas, kGrey, a, 0, a, h);
        Line(aCanvas, kGrey, b, 0, b, h);
    }
    auto separators = [&](const std::vector<TScaleMark>& marks, int from, int to) {
        for (size_t i = 0; i + 1 < marks.size(); ++i) {
            if (marks[i].Collapsed) continue;
            const int p = RoundPx(GetBoxPix(marks, i));
            if (horizontal)
                Line(aCanvas, kGrey, p, from, p, to);
            else
                Line(aCanvas, kGrey, from, p, to, p);
        }
    };
    separators(GetMajorMarks(), a, b);
    separators(GetMinorMarks(), b, horizontal ? h : w);
}

void TqvDateScaler::DrawScrollButtons(TCanvas* aCanvas)
{
    if (FScrollButtons == tsbOff) {
        FBackwardRect = TRect(-1, -1, -1, -1);
        FForwardRect = TRect(-1, -1, -1, -1);
        return;
    }
    const int a = FScrollButtons == tsbClassic ? 20 : 12;
    const int w = TqvOffscreenPaint::GetWidth(), h = TqvOffscreenPaint::GetHeight();
    FBackwardRect = TRect(1, 1, a, a);
    if (GetHorizontal()) {
        FForwardRect = TRect(w - a + 1, 1, w, a);
        DrawTriangleButton(aCanvas, FBackwardRect, kLeft, FBackwardPressed);
        DrawTriangleButton(aCanvas, FForwardRect, kRight, FForwardPressed);
    } else {
        FForwardRect = TRect(1, h - a, a, h);
        DrawTriangleButton(aCanvas, FBackwardRect, kUp, FBackwardPressed);
        DrawTriangleButton(aCanvas, FForwardRect, kDown, FForwardPressed);
    }
}

void TqvDateScaler::DrawTriangleButton(TCanvas* aCanvas, const TRect& r, int aDirection, bool aPressed)
{
    const int L = r.Left, T = r.Top, R = r.Right, B = r.Bottom;
    const int mx = L + (R - L) / 2, my = T + (B - T) / 2;
    TPoint b0, b1, apex;
    TColor c0, c1, c2;
    switch (aDirection) {
    case kRight:
        b0 = TPoint(L, T), b1 = TPoint(L, B), apex = TPoint(R, my);
        c0 = aPressed ? kGrey : kWhite, c1 = c2 = aPressed ? kWhite : kGrey;
        break;
    case kLeft:
        b0 = TPoint(R, T), b1 = TPoint(R, B), apex = TPoint(L, my);
        c0 = aPressed ? kWhite : kGrey, c1 = kGrey, c2 = aPressed ? kGrey : kWhite;
        break;
    case kUp:
        b0 = TPoint(L, B), b1 = TPoint(R, B), apex = TPoint(mx, T);
        c0 = aPressed ? kWhite : kGrey, c1 = c2 = aPressed ? kGrey : kWhite;
        break;
    default:
        b0 = TPoint(L, T), b1 = TPoint(R, T), apex = TPoint(mx, B);
        c0 = aPressed ? kGrey : kWhite, c1 = c2 = aPressed ? kWhite : kGrey;
        break;
    }
    aCanvas->Pen.SetWidth(1);
    Line(aCanvas, c0, b0.X, b0.Y, b1.X, b1.Y);
    Line(aCanvas, c1, b1.X, b1.Y, apex.X, apex.Y);
    Line(aCanvas, c2, apex.X, apex.Y, b0.X, b0.Y);
}

void TqvDateScaler::DrawScaleIndicator(TCanvas* aCanvas)
{
    switch (FIndicatorStyle) {
    case isNormal:
        NormalIndicator(aCanvas);
        break;
    case isSober:
        SoberIndicator(aCanvas);
        break;
    case isColorfull:
        if (!GetIsPrinting()) ColorFullIndicator(aCanvas);
        break;
    case isNone:
        break;
    }
}

void TqvDateScaler::NormalIndicator(TCanvas* aCanvas)
{
    const TDateTime amount = VisibleTimeAmount();
    const TDateTime start = GetStart(), stop = GetStop();
    TDateTime first = 0, last = 0;
    QString text;
    if (amount > kMonth) {
        first = Snap(kScale1Year, start);
        last = Snap(kScale1Year, stop);
        if (last < stop) last += GetAdaptiveStep(kScale1Year, last);
        text = FormatDateTime(QStringLiteral("YYYY"), first) + QLatin1Char('-') +
               FormatDateTime(QStringLiteral("YYYY"), last);
    } else {
        first = Snap(kScale1Month, start);
        last = Snap(kScale1Month, stop);
        if (last < stop) last += GetAdaptiveStep(kScale1Month, last);
        text = FormatDateTime(QStringLiteral("YYYY"), start) + QLatin1Char(' ') +
               FormatDateTime(QStringLiteral("mmm"), first) + QLatin1Char('-') +
               FormatDateTime(QStringLiteral("mmm"), last);
    }
    TScalerFont font = sTextFont1;
    OnInfoStringEvent(text, font);
    aCanvas->Font.Assign(*FontOf(font));
    PrintResizeFont();
    aCanvas->Font.SetColor(clBtnShadow);
    aCanvas->Brush.SetStyle(bsClear);
    const bool horizontal = GetHorizontal();
    const int w = TqvOffscreenPaint::GetWidth(), h = TqvOffscreenPaint::GetHeight();
    int from = 0, to = 0;
    if (horizontal) {
        aCanvas->TextOut(Scaled(33, true), Scaled(2, false), text);
        from = aCanvas->TextWidth(text) + Scaled(43, true);
        to = w - Scaled(33, true);
    } else {
        aCanvas->TextOut(Scaled(2, true), Scaled(33, false), text);
        from = Scaled(55, false);
        to = h - Scaled(33, false);
    }
    if (to <= from) return;
    const int a = horizontal ? Scaled(5, false) : Scaled(5, true);
    auto bar = [&](TColor c, int across, int f, int t) {
        if (horizontal)
            Line(aCanvas, c, f, across, t, across);
        else
            Line(aCanvas, c, across, f, across, t);
    };
    bar(clBtnHighlight, a, from, to);
    bar(clBtnShadow, a + 1, from, to);
    if (last > first) {
        const double k = (to - from) / (last - first);
        bar(RGB(0, 128, 0), a, from + RoundPx((start - first) * k), from + RoundPx((stop - first) * k));
    }
}

void TqvDateScaler::SoberIndicator(TCanvas* aCanvas)
{
    const TDateTime start = GetStart(), stop = GetStop();
    const TDateTime span = stop - start;
    int y1 = 0, m1 = 0, d1 = 0, y2 = 0, m2 = 0, d2 = 0;
    DecodeDate(start, y1, m1, d1);
    DecodeDate(stop, y2, m2, d2);
    // "dddd dddddd": the weekday and the long date, unless the long date format names the weekday itself.
    const bool longDateHasWeekday = FormatSettings().LongDateFormat.contains(
        QRegularExpression(QStringLiteral("(^|[^dD])[dD]{4}($|[^dD])")));
    const QString longStart =
        FormatDateTime(longDateHasWeekday ? QStringLiteral("dddddd") : QStringLiteral("dddd dddddd"), start);
    QString text;
    if (span > 365)
        text = FormatDateTime(QStringLiteral("YYYY"), start) + QStringLiteral(" - ") +
               FormatDateTime(QStringLiteral("YYYY"), stop);
    else if ((m1 != m2 || y1 != y2) && span > 30)
        text = longStart + QStringLiteral(" - ") + FormatDateTime(QStringLiteral("mmmm"), stop);
    else if (span > 6)
        text = longStart;
    else if (span > 3)
        text = longStart + QStringLiteral(" - ") + FormatDateTime(QStringLiteral("dddd"), stop);
    else
        text = longStart;
    TScalerFont font = sTextFont1;
    OnInfoStringEvent(text, font);
    SelectLabelFont(aCanvas, font);
    aCanvas->Brush.SetStyle(bsClear);
    if (GetHorizontal())
        aCanvas->TextOut(Scaled(33, true), Scaled(2, false), text);
    else if (FVerticalText)
        aCanvas->TextOut(Scaled(2, true), TqvOffscreenPaint::GetHeight() - Scaled(33, false), text);
    else
        aCanvas->TextOut(Scaled(2, true), Scaled(33, false), text);
    aCanvas->Font.SetOrientation(0);
}

void TqvDateScaler::ColorFullIndicator(TCanvas* aCanvas)
{
    const TDateTime amount = VisibleTimeAmount();
    const bool horizontal = GetHorizontal();
    const int middle = (horizontal ? TqvOffscreenPaint::GetWidth() : TqvOffscreenPaint::GetHeight()) / 2;
    const struct {
        double unit;
        TColor color;
    } bars[] = {
        {kDay, RGB(0, 128, 0)}, {kWeek, RGB(255, 255, 0)}, {kMonth, RGB(255, 0, 0)}, {kYear, RGB(0, 0, 255)}};
    aCanvas->Brush.SetStyle(bsSolid);
    for (const auto& b : bars) {
        const int v = std::min(100, RoundPx(amount * 100 / b.unit));
        if (v <= 0) continue;
        aCanvas->Brush.SetColor(b.color);
        if (horizontal)
            aCanvas->FillRect(TRect(middle - v, 5, middle + v, 9));
        else
            aCanvas->FillRect(TRect(1, middle - v, 5, middle + v));
    }
    aCanvas->Brush.SetColor(clBlack);
    if (horizontal)
        aCanvas->FrameRect(TRect(middle - 101, 4, middle + 101, 10));
    else
        aCanvas->FrameRect(TRect(0, middle - 101, 6, middle + 101));
    aCanvas->Brush.SetColor(GetColor());
}

// ---------------------------------------------------------------- mouse and buttons

bool TqvDateScaler::RescaleNotPan() const
{
    const bool ctrl = FShiftAtPress.Contains(ssCtrl);
    return FRescaleWithCtrl ? ctrl : !ctrl;
}

void TqvDateScaler::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    const bool primary = Button == mbLeft || Button == mbRight;
    FPointerX = X;
    FPointerY = Y;
    if (primary) {
        if (!FMouseDown) FPressTime = CurrentTime();
        FMouseDown = true;
        FLastX = X;
        FLastY = Y;
        FScaleAtPress = GetScale();
        FShiftAtPress = Shift;
        FPressPixel = GetHorizontal() ? X : Y;
        FPressDate = PixelToDate(FPressPixel);
        if (Button == mbLeft && GetMinorStep() > 0) FPressDate = Snap(GetMinorStep(), FPressDate);
    }
    TqvOffscreenPaint::MouseDown(Button, Shift, X, Y);
    if (primary && FScrollButtons != tsbOff) {
        const TPoint p(X, Y);
        if (FBackwardRect.Contains(p))
            FBackwardPressed = true;
        else if (FForwardRect.Contains(p))
            FForwardPressed = true;
        if (FBackwardPressed || FForwardPressed) {
            FTimer->setInterval(50);
            FTimer->start();
            Invalidate();
        }
    }
    if (CanFocus()) SetFocus();
}

void TqvDateScaler::MouseMove(TShiftState Shift, int X, int Y)
{
    FPointerX = X;
    FPointerY = Y;
    TqvOffscreenPaint::MouseMove(Shift, X, Y);
    if (IsDestroying() || FTimer->isActive() || !FMouseDown) return;
    const bool horizontal = GetHorizontal();
    if (RescaleNotPan()) {
        FDragging = true;
        const int d = (horizontal ? X : Y) - FPressPixel;
        const double scale = FScaleAtPress * (1 + 0.01 * d);
        if (scale > 0) SetCenterScale(scale, FPressDate, FPressPixel);
        return;
    }
    BeginUpdate();
    try {
        const int d = horizontal ? X - FLastX : Y - FLastY;
        const TDateTime t = GetTenPixelTime() / 10;
        const TDateTime amount = VisibleTimeAmount();
        const TDateTime start = GetStart();
        const TDateTime newStart = d < 1
                                       ? VisibleTimeToTrueTime_High(VisibleTimeToTrueTime_High(start) - d * t)
                                       : VisibleTimeToTrueTime_Low(VisibleTimeToTrueTime_Low(start) - d * t);
        if (CheckIfOkStartStop(newStart, newStart + amount)) {
            SetStart(newStart);
            SetStop(VisibleTimeDiffToTrueTime(GetStart(), amount));
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
    FLastX = X;
    FLastY = Y;
}

void TqvDateScaler::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TqvOffscreenPaint::MouseUp(Button, Shift, X, Y);
    FMouseDown = false;
    FBackwardPressed = false;
    FForwardPressed = false;
    FDragging = false;
    FTimer->stop();
    Invalidate();
    Repaint();
}

bool TqvDateScaler::PointerOverButton() const
{
    const TPoint p(FPointerX, FPointerY);
    return FBackwardRect.Contains(p) || FForwardRect.Contains(p);
}

void TqvDateScaler::RepeatTimerTick()
{
    if (!FStepping && !PointerOverButton()) {
        StopStep();
        return;
    }
    if (!FForwardPressed && !FBackwardPressed) return;
    BeginUpdate();
    try {
        TDateTime step = GetScrollStep();
        if (!FStepping) {
            const double held = (CurrentTime() - FPressTime) * SecsPerDay;
            if (held > 2) step *= 3;
            if (held > 5) step *= 7;
        }
        const TDateTime start = GetStart();
        const TDateTime newStart = VisibleTimeDiffToTrueTime(start, FForwardPressed ? step : -step);
        if (newStart != start && CheckIfOkStartStop(newStart, newStart + VisibleTimeAmount()))
            SetStart(newStart);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TqvDateScaler::StartStepUp()
{
    FTimer->setInterval(150);
    FStepping = true;
    FForwardPressed = true;
    FBackwardPressed = false;
    FTimer->start();
}

void TqvDateScaler::StartStepDown()
{
    FTimer->setInterval(150);
    FStepping = true;
    FBackwardPressed = true;
    FForwardPressed = false;
    FTimer->start();
}

void TqvDateScaler::StopStep()
{
    FTimer->setInterval(50);
    FStepping = false;
    FBackwardPressed = false;
    FForwardPressed = false;
    FTimer->stop();
    FMouseDown = false;
    FDragging = false;
    SetChanged(false);
    Invalidate();
}

void TqvDateScaler::EndMouseOperation()
{
    FMouseDown = false;
    FDragging = false;
    FBackwardPressed = false;
    FForwardPressed = false;
    FStepping = false;
    if (FTimer) FTimer->stop();
}

} // namespace skedra
