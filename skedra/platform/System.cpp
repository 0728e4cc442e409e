#include "skedra/platform/System.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QGuiApplication>

#include "skedra/platform/Controls.h"
#include "skedra/platform/Threads.h"

namespace skedra
{

void ProcessMessages()
{
    if (QCoreApplication::instance() == nullptr) return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    CheckSynchronize();
}

void TClipboard::SetAsText(const QString& aText)
{
    if (QGuiApplication::instance() != nullptr) QGuiApplication::clipboard()->setText(aText);
}

QString TClipboard::GetAsText() const
{
    return QGuiApplication::instance() != nullptr ? QGuiApplication::clipboard()->text() : QString();
}

void TClipboard::Clear()
{
    if (QGuiApplication::instance() != nullptr) QGuiApplication::clipboard()->clear();
}

TClipboard& Clipboard()
{
    static TClipboard clipboard;
    return clipboard;
}

TPoint GetCursorPos()
{
    return TPoint::From(QCursor::pos());
}

void SetCursorPos(int X, int Y)
{
    QCursor::setPos(X, Y);
}

QWidget* GetActiveWindow()
{
    return QApplication::activeWindow();
}

namespace
{
int gScreenCursor = crDefault;
}

int GetScreenCursor()
{
    return gScreenCursor;
}

void SetScreenCursor(int aCursor)
{
    if (aCursor == gScreenCursor) return;
    if (gScreenCursor != crDefault) QApplication::restoreOverrideCursor();
    gScreenCursor = aCursor;
    if (aCursor != crDefault) QApplication::setOverrideCursor(QCursor(CursorToQt(aCursor)));
}

void Beep()
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) QApplication::beep();
}

void MessageBeep(unsigned)
{
    Beep();
}

int Win32Platform()
{
    return VER_PLATFORM_WIN32_NT;
}

bool IsNTFamily()
{
    return Win32Platform() == VER_PLATFORM_WIN32_NT;
}

} // namespace skedra
