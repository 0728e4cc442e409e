#pragma once
// Texts laid out once per font and reused: drawing a text that was drawn
// before with an equal font replays its shaped glyphs instead of shaping it
// again, which is most of the cost of a text on a repaint. The drawn pixels
// are those of TCanvas::TextOut and TCanvas::TextRect with a clear brush.
//
// A cache belongs to one user-interface object (a chart) and is used on the
// user-interface thread only. It holds at most its capacity of texts; when
// full it starts afresh, so memory stays bounded however many texts pass.

#include <QFont>
#include <QHash>
#include <QRect>
#include <QStaticText>
#include <QString>
#include <vector>

#include "skedra/platform/Geometry.h"

namespace skedra
{

class TCanvas;
class TFont;

class TTextLayoutCache
{
public:
    explicit TTextLayoutCache(int aCapacity = 8192);

    // The text's advance in the canvas font (as TCanvas::TextWidth).
    int TextWidth(TCanvas* aCanvas, const QString& aText);
    // The canvas font's line height (as TCanvas::TextHeight).
    static int TextHeight(TCanvas* aCanvas);
    // As TCanvas::TextOut; the cached path when the brush is clear and the
    // font upright, else the canvas draws it.
    void TextOut(TCanvas* aCanvas, int x, int y, const QString& aText);
    // As TCanvas::TextRect (the text clipped to aClip).
    void TextRect(TCanvas* aCanvas, const TRect& aClip, int x, int y, const QString& aText);

    int Count() const { return FCount; }
    int Capacity() const { return FCapacity; }
    void Clear();

private:
    struct TEntry {
        QStaticText Layout;
        int Width = 0;
        // Where ink can fall, relative to the text's top-left corner.
        QRect Ink;
    };
    struct TFontTexts {
        QFont Font;
        QHash<QString, TEntry> Texts;
    };
    const TEntry& Entry(const TFont& aFont, const QString& aText);
    // Draws a cached text; aClip null means unclipped.
    void Paint(TCanvas* aCanvas, int x, int y, const QString& aText, const TRect* aClip);

    int FCapacity;
    int FCount = 0;
    std::vector<TFontTexts> FFonts;
    int FLastFont = -1;
};

} // namespace skedra
