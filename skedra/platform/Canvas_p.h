#pragma once
// Implementation state shared by the canvas files (not installed).

#include <QPainter>

#include "skedra/platform/Canvas.h"

namespace skedra::detail
{

// The painter's composition for a pen mode (or a given composition), restored
// when the scope ends.
class ModeScope
{
public:
    // A pen mode other than pmCopy changes the composition on raster devices only.
    ModeScope(QPainter* p, TPenMode mode, bool raster);
    ModeScope(QPainter* p, QPainter::CompositionMode m);
    ~ModeScope()
    {
        if (FChanged) FPainter->setCompositionMode(FSaved);
    }
    ModeScope(const ModeScope&) = delete;
    ModeScope& operator=(const ModeScope&) = delete;

private:
    QPainter* FPainter;
    QPainter::CompositionMode FSaved = QPainter::CompositionMode_SourceOver;
    bool FChanged = false;
};

// Strokes the open or closed line through pts with a solid pen of aWidth
// (round caps and joins) by filling its cached pixel runs, the same pixels as
// the path stroker's. False, drawing nothing, when the painter cannot take
// them (anti-aliased, or not a whole-pixel shift from the device).
bool StrokeFromRuns(QPainter* p, const QPoint* pts, int n, bool closed, const QColor& aColor, int aWidth);
// The number of shapes whose runs the calling thread keeps.
int StrokeRunShapes();

} // namespace skedra::detail
