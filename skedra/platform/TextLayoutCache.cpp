#include "skedra/platform/TextLayoutCache.h"

#include <QPainter>
#include <algorithm>

#include "skedra/platform/Canvas.h"
#include "skedra/platform/Color.h"

namespace skedra
{

TTextLayoutCache::TTextLayoutCache(int aCapacity) : FCapacity(std::max(1, aCapacity)) {}

void TTextLayoutCache::Clear()
{
    FFonts.clear();
    FCount = 0;
    FLastFont = -1;
}

const TTextLayoutCache::TEntry& TTextLayoutCache::Entry(const TFont& aFont, const QString& aText)
{
    const QFont& font = aFont.Handle();
    // Charts draw with two or three fonts, often the same one many times in a row.
    if (FLastFont < 0 || !(FFonts[FLastFont].Font == font)) {
        const auto it =
            std::find_if(FFonts.begin(), FFonts.end(), [&](const TFontTexts& f) { return f.Font == font; });
        if (it != FFonts.end()) {
            FLastFont = static_cast<int>(it - FFonts.begin());
        } else {
            FFonts.push_back(TFontTexts{font, {}});
            FLastFont = static_cast<int>(FFonts.size()) - 1;
        }
    }
    QHash<QString, TEntry>& texts = FFonts[FLastFont].Texts;
    const auto found = texts.constFind(aText);
    if (found != texts.constEnd()) return *found;
    if (FCount >= FCapacity) {
        // Start afresh, keeping only the font slot in use.
        TFontTexts keep{font, {}};
        FFonts.clear();
        FFonts.push_back(std::move(keep));
        FLastFont = 0;
        FCount = 0;
    }
    TEntry e;
    e.Layout.setTextFormat(Qt::PlainText);
    e.Layout.setText(aText);
    e.Layout.prepare(QTransform(), font);
    const QFontMetrics& fm = aFont.Metrics();
    e.Width = fm.horizontalAdvance(aText);
    // Glyph extents around the baseline, widened for anti-aliased edges: a
    // text whose glyphs stay inside its clip box needs no clipping (most
    // texts in a bar are shorter than the bar and lower than the line).
    e.Ink = fm.boundingRect(aText).translated(0, fm.ascent()).adjusted(-2, -2, 2, 2);
    ++FCount;
    return *FFonts[FLastFont].Texts.insert(aText, std::move(e));
}

int TTextLayoutCache::TextWidth(TCanvas* aCanvas, const QString& aText)
{
    if (aText.isEmpty()) return 0;
    return Entry(aCanvas->Font, aText).Width;
}

int TTextLayoutCache::TextHeight(TCanvas* aCanvas)
{
    return aCanvas->Font.Metrics().height();
}

void TTextLayoutCache::Paint(TCanvas* aCanvas, int x, int y, const QString& aText, const TRect* aClip)
{
    QPainter* p = aCanvas->Handle();
    const TEntry& e = Entry(aCanvas->Font, aText);
    const QRect ink = e.Ink.translated(x, y);
    const bool clip = aClip != nullptr && !aClip->ToQRect().contains(ink);
    if (clip && !aClip->ToQRect().intersects(ink)) return;
    if (clip) {
        p->save();
        p->setClipRect(aClip->ToQRect(), Qt::IntersectClip);
    }
    const QPainter::CompositionMode mode = p->compositionMode();
    if (mode != QPainter::CompositionMode_SourceOver)
        p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    // Texts in a row mostly share font and colour: setting them again costs a font and a pen each.
    if (p->font() != aCanvas->Font.Handle()) p->setFont(aCanvas->Font.Handle());
    const QColor color = ToQColor(aCanvas->Font.GetColor());
    const QPen& pen = p->pen();
    if (pen.style() != Qt::SolidLine || pen.color() != color || pen.brush().style() != Qt::SolidPattern)
        p->setPen(color);
    p->drawStaticText(QPoint(x, y), e.Layout);
    if (mode != QPainter::CompositionMode_SourceOver) p->setCompositionMode(mode);
    if (clip) p->restore();
}

void TTextLayoutCache::TextOut(TCanvas* aCanvas, int x, int y, const QString& aText)
{
    if (aCanvas->Brush.GetStyle() != bsClear || aCanvas->Font.GetOrientation() != 0) {
        aCanvas->TextOut(x, y, aText);
        return;
    }
    if (aText.isEmpty()) return;
    Paint(aCanvas, x, y, aText, nullptr);
    aCanvas->SetPenPos(TPoint(x + Entry(aCanvas->Font, aText).Width, y));
}

void TTextLayoutCache::TextRect(TCanvas* aCanvas, const TRect& aClip, int x, int y, const QString& aText)
{
    if (aCanvas->Brush.GetStyle() != bsClear || aCanvas->Font.GetOrientation() != 0) {
        aCanvas->TextRect(aClip, x, y, aText);
        return;
    }
    if (aText.isEmpty() || aClip.IsEmpty()) return;
    Paint(aCanvas, x, y, aText, &aClip);
}

} // namespace skedra
