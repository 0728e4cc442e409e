#pragma once
// The scroll bar control over QScrollBar, with the toolkit's range rule: the
// position runs from Min to Max - PageSize + 1 (to Max when PageSize is 0).

#include "skedra/platform/Controls.h"

class QScrollBar;

namespace skedra
{

enum TScrollBarKind { sbHorizontal, sbVertical };

enum TScrollCode {
    scLineUp,
    scLineDown,
    scPageUp,
    scPageDown,
    scPosition,
    scTrack,
    scTop,
    scBottom,
    scEndScroll
};

using TScrollEvent = TMethod<void(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos)>;

class TScrollBar : public TWinControl
{
public:
    explicit TScrollBar(QWidget* aParent = nullptr);

    TScrollBarKind GetKind() const { return FKind; }
    // Changing the kind swaps width and height.
    void SetKind(TScrollBarKind aValue);
    int GetMin() const { return FMin; }
    void SetMin(int aValue) { SetParams(FPosition, aValue, FMax); }
    int GetMax() const { return FMax; }
    void SetMax(int aValue) { SetParams(FPosition, FMin, aValue); }
    int GetPosition() const { return FPosition; }
    void SetPosition(int aValue) { SetParams(aValue, FMin, FMax); }
    // Ignored when negative or larger than the range (Max - Min + 1).
    int GetPageSize() const { return FPageSize; }
    void SetPageSize(int aValue);
    int GetLargeChange() const { return FLargeChange; }
    void SetLargeChange(int aValue);
    int GetSmallChange() const { return FSmallChange; }
    void SetSmallChange(int aValue);
    // Raises EInvalidOperation "Scrollbar property out of range" when Max is
    // below Min or below PageSize; the position is clamped into the range.
    void SetParams(int aPosition, int aMin, int aMax);
    // The largest position the range rule allows.
    int MaxPosition() const;

    // Raised for every user action with the proposed position, which the
    // handler may change; then the position is set.
    TScrollEvent OnScroll;
    // Raised after every change of the position.
    TNotifyEvent OnChange;

    // The Qt scroll bar inside (for tests and styling).
    QScrollBar* Bar() const { return FBar; }

protected:
    virtual void Scroll(TScrollCode ScrollCode, int& ScrollPos);
    virtual void Change();
    void BoundsChanged(bool aSizeChanged) override;
    bool eventFilter(QObject* aWatched, QEvent* anEvent) override;

private:
    void ActionTriggered(int anAction);
    void DoScroll(TScrollCode aCode, int aNewPos);
    void UpdateBar();
    void SetPositionFromBar(int aValue);

    QScrollBar* FBar;
    TScrollBarKind FKind = sbHorizontal;
    int FMin = 0;
    int FMax = 100;
    int FPosition = 0;
    int FPageSize = 0;
    int FLargeChange = 1;
    int FSmallChange = 1;
    bool FUpdating = false;
};

// The scroll bar the grid view owns: a plain scroll bar that never takes the
// focus, so keys stay with the view.
class TScrollbar_qv : public TScrollBar
{
public:
    explicit TScrollbar_qv(QWidget* aParent = nullptr) : TScrollBar(aParent) { SetTabStop(false); }
};

} // namespace skedra
