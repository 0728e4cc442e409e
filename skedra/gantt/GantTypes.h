#pragma once
// The kinds the Gantt chart's items and links are drawn by.

#include <cstdint>

namespace skedra
{

// The shape of a time item. An item's style byte selects it with its low seven
// bits; a value beyond gtsPipe draws no shape.
enum TGantTimeStyle : std::uint8_t {
    gtsSquare,   // filled rectangle with a black frame
    gtsSpan,     // thin bar along the top with a triangular foot under each end
    gtsUser,     // drawn by the chart's user-draw event
    gtsLine,     // 3-pixel line through the middle inside a 4-pixel-high black frame
    gtsLineWEnd, // as gtsLine, with a 2-pixel black bar at each end
    gtsWave,     // one period of a sine wave
    gtsRomb,     // outline of a rhombus
    gtsImage,    // an image of the chart's image list
    gtsPipe      // rectangle with a shaded fill
};

// The bits of a style byte that select the shape.
constexpr int kGantTimeStyleMask = 0x7F;

// A three-segment line through the items' horizontal middles with an open
// head; a right-angled line entering the second item from above or below with
// a filled head; drawn by the application.
enum TLinkStyle { tlsDefault, tlsMSProject, tlsUserDraw };
// Which edges a link joins: automatic; start to start; start to finish;
// finish to start; finish to finish (start is an item's left edge).
enum TLinkStartFinishOption { tlsfNormal, tlsfSS, tlsfSF, tlsfFS, tlsfFF };
// Draw a link when at least one of its items is visible; only when both are;
// whenever at least one of them has a position.
enum TLinkShow { lsOneEndVisible, lsBothEndsVisible, lsAlways };

} // namespace skedra
