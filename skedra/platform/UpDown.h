#pragma once
// The up-down control: two arrow buttons that step a position between Min and
// Max by Increment. Horizontal: the left button is btPrev (position -
// Increment), the right one btNext. Vertical: the upper button is btNext, the
// lower one btPrev. A held button repeats (first after 400 ms, then every
// 100 ms). Without Wrap the position stops at the ends; OnClick is raised
// for every step with the button that made it, also at an end.

#include <memory>

#include "skedra/platform/Controls.h"

namespace skedra
{

class TTimer;

enum TUDOrientation { udHorizontal, udVertical };
enum TUDBtnType { btNext, btPrev };

using TUDClickEvent = TMethod<void(TObject* Sender, TUDBtnType Button)>;

class TUpDown : public TCustomControl
{
public:
    explicit TUpDown(QWidget* aParent = nullptr);
    ~TUpDown() override;

    TUDOrientation GetOrientation() const { return FOrientation; }
    // Changing the orientation swaps width and height.
    void SetOrientation(TUDOrientation aValue);
    int GetMin() const { return FMin; }
    void SetMin(int aValue);
    int GetMax() const { return FMax; }
    void SetMax(int aValue);
    // Clamped to Min..Max.
    int GetPosition() const { return FPosition; }
    void SetPosition(int aValue);
    int GetIncrement() const { return FIncrement; }
    void SetIncrement(int aValue) { FIncrement = aValue; }
    bool GetWrap() const { return FWrap; }
    void SetWrap(bool aValue) { FWrap = aValue; }

    // The button under a client point (false when the point is on neither).
    bool ButtonAt(int X, int Y, TUDBtnType& aButton) const;
    // Steps as a press of aButton does, and raises OnClick.
    void Click(TUDBtnType aButton);
    // The repeat timer (tests drive it).
    TTimer* GetRepeatTimer() const { return FRepeat.get(); }

    TUDClickEvent OnClick;
    // Raised after every change of the position by a button.
    TNotifyEvent OnChanging;

protected:
    using TCustomControl::Click;
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    void RepeatTick(TObject*);
    TRect ButtonRect(TUDBtnType aButton) const;

    TUDOrientation FOrientation = udVertical;
    int FMin = 0;
    int FMax = 100;
    int FPosition = 0;
    int FIncrement = 1;
    bool FWrap = false;
    bool FPressed = false;
    TUDBtnType FPressedButton = btNext;
    std::unique_ptr<TTimer> FRepeat;
};

} // namespace skedra
