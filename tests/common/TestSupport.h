#pragma once
// Shared by every test program: the QApplication is created by the shared
// test main on Qt's offscreen platform with a fixed locale, fixed date and
// time format settings and a fixed font family, so that pixels and texts are
// the same on every machine.
#include <QString>

namespace skedra::test {

// The font family every test paints with.
inline const char* FontFamily() { return "DejaVu Sans"; }

} // namespace skedra::test
