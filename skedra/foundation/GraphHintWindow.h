#pragma once
// The hint window the drawn components show while the user moves or resizes
// an item (at once) and when the pointer rests on one (after the show timer).
// Timers only queue the showing and hiding as deferred calls, so neither ever
// happens inside a mouse handler.

#include <QString>
#include <QPointer>

#include "skedra/platform/Controls.h"
#include "skedra/platform/ExtCtrls.h"
#include "skedra/platform/HintWindow.h"

namespace skedra
{

class TGraphHintWindow;

using TOnUpdateTextEvent = TMethod<void(TGraphHintWindow* theGraphHintWindow, TObject* theObject)>;

class TGraphHintWindow : public THintWindow
{
public:
    // Hidden, 120 x 30, positioned relative to anOwner's client area.
    explicit TGraphHintWindow(TWinControl* anOwner);
    ~TGraphHintWindow() override;

    // The three lines (joined by carriage returns), shown at once.
    void ShowMoveInfo(const QString& aLine1, const QString& aLine2, const QString& aLine3, int x, int y);
    // Positions the window, shows it at once and stops both timers.
    void ShowDirect(int x, int y);
    // Left: the owner's client origin + x; top: below the owner (4 pixels
    // under it) or the owner's client origin + y.
    void SetPos(int x, int y);
    // Places the window at the static rectangle of the owner's client area.
    void UpdateStaticPos();
    // A new object: asks the owner for its text and (re)starts the show
    // timer; none: hides at once. The window shows when the show timer fires.
    void ShowSlowHintFor(TObject* anObject, int x, int y);

    // The first form among the owner's parents (its top-level window), or none.
    QWidget* ParentForm() const;
    // True without a form; otherwise whether the form is the active window.
    bool ParentFormActive() const;

    QString GetText() const { return GetCaption(); }
    void SetText(const QString& aText) { SetCaption(aText); }

    bool GetStatic() const { return FStatic; }
    void SetStatic(bool aValue) { FStatic = aValue; }
    // The static rectangle in the owner's client coordinates.
    void SetStaticRect(int aLeft, int aTop, int aWidth, int aHeight);
    TRect GetStaticRect() const { return Bounds(FStaticLeft, FStaticTop, FStaticWidth, FStaticHeight); }
    bool GetBelowOwner() const { return FBelowOwner; }
    void SetBelowOwner(bool aValue) { FBelowOwner = aValue; }
    TObject* GetLastObject() const { return FLastObject; }
    TWinControl* GetOwner() const { return FOwner; }

    TTimer* GetShowTimer() const { return FShowTimer; }
    TTimer* GetHideTimer() const { return FHideTimer; }

    TOnUpdateTextEvent OnUpdateText;

protected:
    void DoShow(TObject* Sender);
    void DoHide(TObject* Sender);
    void DoShowAsync(TObject* theData);
    void DoHideAsync(TObject* theData);
    void Paint() override;

private:
    void Position(int x, int y);
    // Grows the window so that every line of the text shows (never below 120 x 30).
    void FitText();
    static void Restart(TTimer* aTimer);

    QPointer<TWinControl> FOwner;
    TTimer* FShowTimer;
    TTimer* FHideTimer;
    TObject* FLastObject = nullptr;
    bool FStatic = false;
    int FStaticLeft = 0;
    int FStaticTop = 0;
    int FStaticWidth = 120;
    int FStaticHeight = 30;
    bool FBelowOwner = true;
};

} // namespace skedra
