#include "skedra/platform/UpDown.h"

#include <algorithm>

#include "skedra/platform/ExtCtrls.h"

namespace skedra
{

namespace
{
constexpr int kFirstRepeatMs = 400;
constexpr int kRepeatMs = 100;
} // namespace

TUpDown::TUpDown(QWidget* aParent) : TCustomControl(aParent), FRepeat(std::make_unique<TTimer>())
{
    FRepeat->SetEnabled(false);
    FRepeat->OnTimer = MakeMethod<&TUpDown::RepeatTick>(this);
    SetColor(clBtnFace);
    SetBounds(GetLeft(), GetTop(), 16, 24);
}

TUpDown::~TUpDown()
{
    MarkDestroying();
}

void TUpDown::SetOrientation(TUDOrientation aValue)
{
    if (aValue == FOrientation) return;
    FOrientation = aValue;
    SetBounds(GetLeft(), GetTop(), GetHeight(), GetWidth());
    Invalidate();
}

void TUpDown::SetMin(int aValue)
{
    FMin = aValue;
    if (FMax < FMin) FMax = FMin;
    SetPosition(FPosition);
}

void TUpDown::SetMax(int aValue)
{
    FMax = aValue;
    if (FMin > FMax) FMin = FMax;
    SetPosition(FPosition);
}

void TUpDown::SetPosition(int aValue)
{
    FPosition = std::clamp(aValue, FMin, FMax);
}

TRect TUpDown::ButtonRect(TUDBtnType aButton) const
{
    const int w = GetClientWidth(), h = GetClientHeight();
    if (FOrientation == udHorizontal)
        return aButton == btPrev ? TRect(0, 0, w / 2, h) : TRect(w / 2, 0, w, h);
    return aButton == btNext ? TRect(0, 0, w, h / 2) : TRect(0, h / 2, w, h);
}

bool TUpDown::ButtonAt(int X, int Y, TUDBtnType& aButton) const
{
    for (TUDBtnType b : {btNext, btPrev})
        if (ButtonRect(b).Contains(TPoint(X, Y))) {
            aButton = b;
            return true;
        }
    return false;
}

void TUpDown::Click(TUDBtnType aButton)
{
    const long long step = aButton == btNext ? FIncrement : -static_cast<long long>(FIncrement);
    long long p = static_cast<long long>(FPosition) + step;
    if (p > FMax)
        p = FWrap ? FMin : FMax;
    else if (p < FMin)
        p = FWrap ? FMax : FMin;
    const bool changed = p != FPosition;
    FPosition = static_cast<int>(p);
    if (changed) OnChanging(this);
    OnClick(this, aButton);
}

void TUpDown::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TUDBtnType b;
    if (Button == mbLeft && GetEnabled() && ButtonAt(X, Y, b)) {
        FPressed = true;
        FPressedButton = b;
        Invalidate();
        FRepeat->SetInterval(kFirstRepeatMs);
        FRepeat->SetEnabled(true);
        Click(b);
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TUpDown::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft && FPressed) {
        FPressed = false;
        FRepeat->SetEnabled(false);
        Invalidate();
    }
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TUpDown::RepeatTick(TObject*)
{
    if (!FPressed) {
        FRepeat->SetEnabled(false);
        return;
    }
    if (FRepeat->GetInterval() != kRepeatMs) FRepeat->SetInterval(kRepeatMs);
    Click(FPressedButton);
}

void TUpDown::Paint()
{
    TCanvas* canvas = GetCanvas();
    for (TUDBtnType b : {btNext, btPrev}) {
        TRect r = ButtonRect(b);
        const bool down = FPressed && FPressedButton == b;
        canvas->Brush.SetStyle(bsSolid);
        canvas->Brush.SetColor(clBtnFace);
        canvas->FillRect(r);
        TRect frame = r;
        Frame3D(canvas, frame, down ? clBtnShadow : clBtnHighlight, down ? clBtnHighlight : clBtnShadow, 1);
        // A small filled triangle pointing the button's way.
        const int cx = (r.Left + r.Right) / 2 + (down ? 1 : 0), cy = (r.Top + r.Bottom) / 2 + (down ? 1 : 0);
        canvas->Brush.SetColor(GetEnabled() ? clBlack : clBtnShadow);
        canvas->Pen.SetColor(GetEnabled() ? clBlack : clBtnShadow);
        if (FOrientation == udHorizontal) {
            const int d = b == btNext ? 1 : -1;
            canvas->Polygon({TPoint(cx - d * 2, cy - 3), TPoint(cx - d * 2, cy + 3), TPoint(cx + d, cy)});
        } else {
            const int d = b == btNext ? -1 : 1;
            canvas->Polygon({TPoint(cx - 3, cy - d * 2), TPoint(cx + 3, cy - d * 2), TPoint(cx, cy + d)});
        }
    }
}

} // namespace skedra
