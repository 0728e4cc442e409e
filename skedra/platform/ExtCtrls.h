#pragma once
// TPaintBox: a graphic control that the application paints in OnPaint; its
// canvas also measures text outside a paint (a hidden measuring context).
//
// The timer over QTimer: OnTimer every Interval milliseconds while Enabled,
// on the thread that owns the timer (the user-interface thread).

#include <QObject>

#include "skedra/platform/Controls.h"
#include "skedra/platform/Method.h"
#include "skedra/platform/Object.h"

class QTimer;

namespace skedra
{

class TTimer : public QObject, public TObject
{
public:
    // anOwner (optional) frees the timer with itself.
    explicit TTimer(QObject* anOwner = nullptr);
    ~TTimer() override;

    bool GetEnabled() const { return FEnabled; }
    // Enabling (again) starts a new interval.
    void SetEnabled(bool aValue);
    int GetInterval() const { return FInterval; }
    // A new interval starts counting anew; 0 stops the timer.
    void SetInterval(int aValue);

    TNotifyEvent OnTimer;

    // Whether the platform timer is counting (Enabled and Interval > 0).
    bool IsActive() const;
    // Raises OnTimer now, as an elapsed interval would; tests drive timers
    // with it instead of sleeping. Does nothing while disabled.
    virtual void Timer();

private:
    void UpdateTimer();

    QTimer* FTimer;
    bool FEnabled = true;
    int FInterval = 1000;
};

class TPaintBox : public TGraphicControl
{
public:
    explicit TPaintBox(QWidget* aParent = nullptr);

    // Raised by Paint: draw on GetCanvas().
    TNotifyEvent OnPaint;

protected:
    void Paint() override { OnPaint(this); }
};

} // namespace skedra
