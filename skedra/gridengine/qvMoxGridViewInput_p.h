#pragma once
// Mouse and keyboard state of a grid view (not installed): the delayed edit,
// the selection a press on a selected cell defers to the release, border
// sizing with its tracking line, and the type-ahead text. Tests reach it
// through TMoxGridView_Custom::GetInput.

#include <functional>

#include "skedra/gridengine/qvMoxGridView.h"
#include "skedra/platform/DateTime.h"
#include "skedra/platform/ExtCtrls.h"

namespace skedra
{

struct TMoxGridViewInput {
    // A press held this long without moving starts editing (AutoEditMode).
    static constexpr int kDelayedEditMs = 750;
    // How far the mouse may move from the press before the delayed edit is off.
    static constexpr int kDelayedEditSlack = 3;
    // Characters typed further apart than this start a new search text.
    static constexpr TDateTime kTypeAheadPause = 1.0 / SecsPerDay;
    // Half the width of the probes that find a border between header cells.
    static constexpr int kResizeProbe = 2;

    TPoint DelayedEditPos;
    // One-shot; owned by the view (its QObject parent).
    TTimer* DelayedEditTimer = nullptr;
    TPoint LastMousePos;
    bool SelectOnMouseUp = false;
    TMoxCell* PendingCell = nullptr;
    TShiftState PendingShift;
    TMMode SizingMode = TMMode::mmNone;
    TPoint DownPos;
    TMoxCell* SizingCell = nullptr;
    // The line drawn last, erased by drawing it again; the paint count when it
    // was drawn tells whether a repaint has wiped it already.
    TPoint TrackLine[2];
    int TrackLinePaint = -1;
    // The key down before the next character was a Ctrl chord.
    bool CtrlChord = false;
    QString TypeAheadText;
    TDateTime TypeAheadTime = 0;
    // The clock of the type-ahead pause; tests replace it.
    std::function<TDateTime()> Clock = [] { return Now(); };

    // Cell pointers refer to live cells, and a sizing mode has its cell.
    bool CheckInvariants(QString* theWhy = nullptr) const
    {
        auto fail = [theWhy](const char* aWhy) {
            if (theWhy) *theWhy = QString::fromLatin1(aWhy);
            return false;
        };
        if (SelectOnMouseUp && !PendingCell) return fail("a deferred selection without its cell");
        if (SizingMode != TMMode::mmNone && !SizingCell) return fail("sizing without a cell");
        return true;
    }
};

} // namespace skedra
