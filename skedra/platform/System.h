#pragma once
// Window-level and system services: processing pending messages, the
// clipboard, the pointer position, the active window, the screen cursor, a
// beep and the operating system's version.

#include <QString>

#include "skedra/platform/Geometry.h"

class QWidget;

namespace skedra
{

// Processes the pending events (input, paints, posted calls, the calls that
// workers handed over) and returns; for use inside a long operation.
void ProcessMessages();

// The clipboard's text.
class TClipboard
{
public:
    void SetAsText(const QString& aText);
    QString GetAsText() const;
    void SetTextBuf(const QString& aText) { SetAsText(aText); }
    void Clear();
};
TClipboard& Clipboard();

// The mouse pointer's position on the screen.
TPoint GetCursorPos();
// Moves the pointer (where the platform allows it).
void SetCursorPos(int X, int Y);

// The active top-level window, or null.
QWidget* GetActiveWindow();

// The cursor shown over every window while it is not crDefault (the
// toolkit's Screen.Cursor), e.g. an hourglass during a long operation.
int GetScreenCursor();
void SetScreenCursor(int aCursor);

// A short system beep.
void Beep();
void MessageBeep(unsigned aType = 0);

// The operating system's platform as the version query reports it: the NT
// family (2) everywhere this package runs.
constexpr int VER_PLATFORM_WIN32s = 0;
constexpr int VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr int VER_PLATFORM_WIN32_NT = 2;
int Win32Platform();
bool IsNTFamily();

} // namespace skedra
