#pragma once
// Shared by every test program: the QApplication is created by the shared
// test main on Qt's offscreen platform with a fixed locale, fixed date and
// time format settings and a fixed font family, so that pixels and texts are
// the same on every machine. Message boxes go to a recorder and popup menus
// choose nothing, so nothing ever blocks a test.
#include <QString>
#include <QStringList>

namespace skedra::test
{

// The font family every test paints with.
inline const char* FontFamily()
{
    return "DejaVu Sans";
}

// The texts shown through the message sink (ShowMessage, HandleException),
// oldest first, since the last ClearShownMessages. Thread-safe.
QStringList ShownMessages();
void ClearShownMessages();

} // namespace skedra::test
