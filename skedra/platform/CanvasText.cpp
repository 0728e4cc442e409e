#include "skedra/platform/Canvas.h"
#include "skedra/platform/Canvas_p.h"

#include <QFontMetrics>
#include <QPainter>
#include <cmath>
#include <vector>

namespace skedra
{

using detail::ModeScope;

// ---------------------------------------------------------------------------
// Text

namespace
{

// Draws one line of text with its top-left at (x, y), rotated by the font's
// orientation around that point; the background is filled when opaque.
// `width` is the text's advance when the caller knows it, else -1.
void PaintTextLine(QPainter* p, const TFont& font, int x, int y, const QString& text,
                   const QBrush* background, int width = -1)
{
    const QFontMetrics& fm = font.Metrics();
    ModeScope mode(p, QPainter::CompositionMode_SourceOver);
    const int orientation = font.GetOrientation();
    if (orientation != 0) {
        p->save();
        p->translate(x, y);
        p->rotate(-orientation / 10.0);
        x = 0;
        y = 0;
    }
    if (background != nullptr)
        p->fillRect(QRect(x, y, width >= 0 ? width : fm.horizontalAdvance(text), fm.height()), *background);
    p->setFont(font.Handle());
    p->setPen(ToQColor(font.GetColor()));
    p->drawText(QPoint(x, y + fm.ascent()), text);
    if (orientation != 0) p->restore();
}

} // namespace

void TCanvas::TextOut(int x, int y, const QString& text)
{
    QPainter* p = RequirePainter();
    if (p == nullptr) return;
    const int w = TextWidth(text);
    if (Brush.GetStyle() == bsClear) {
        PaintTextLine(p, Font, x, y, text, nullptr);
    } else {
        const QBrush bg(ToQColor(Brush.GetColor()));
        PaintTextLine(p, Font, x, y, text, &bg, w);
    }
    FPenPos = TPoint(x + w, y);
}

void TCanvas::TextRect(const TRect& r, int x, int y, const QString& text)
{
    QPainter* p = RequirePainter();
    if (p == nullptr) return;
    if (Brush.GetStyle() != bsClear) {
        ModeScope mode(p, QPainter::CompositionMode_SourceOver);
        p->fillRect(r.ToQRect(), ToQColor(Brush.GetColor()));
    }
    p->save();
    p->setClipRect(r.ToQRect(), Qt::IntersectClip);
    PaintTextLine(p, Font, x, y, text, nullptr);
    p->restore();
}

int TCanvas::TextWidth(const QString& text) const
{
    return Font.Metrics().horizontalAdvance(text);
}

int TCanvas::TextHeight(const QString& /*text*/) const
{
    return Font.Metrics().height();
}

TSize TCanvas::TextExtent(const QString& text) const
{
    return TSize(TextWidth(text), TextHeight(text));
}

// ---------------------------------------------------------------------------
// Draw-text

namespace
{

QString StripPrefixes(const QString& s)
{
    QString out;
    out.reserve(s.size());
    for (int i = 0; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('&')) {
            if (i + 1 < s.size()) out += s[++i];
            continue;
        }
        out += s[i];
    }
    return out;
}

QString ExpandTabs(const QString& s)
{
    QString out;
    for (QChar c : s) {
        if (c == QLatin1Char('\t')) {
            const int n = 8 - (out.size() % 8);
            out += QString(n, QLatin1Char(' '));
        } else {
            out += c;
        }
    }
    return out;
}

// Greedy breaking at spaces; a word wider than the width keeps a line of its own.
void BreakWords(const QString& paragraph, int width, const QFontMetrics& fm, std::vector<QString>& lines)
{
    if (paragraph.isEmpty()) {
        lines.emplace_back();
        return;
    }
    QString line;
    int i = 0;
    const int n = static_cast<int>(paragraph.size());
    while (i < n) {
        int j = i;
        while (j < n && paragraph[j] == QLatin1Char(' '))
            ++j;
        int k = j;
        while (k < n && paragraph[k] != QLatin1Char(' '))
            ++k;
        const QString candidate = line + paragraph.mid(i, k - i);
        if (!line.isEmpty() && fm.horizontalAdvance(candidate) > width) {
            lines.push_back(line);
            line = paragraph.mid(j, k - j);
        } else {
            line = candidate;
        }
        i = k;
    }
    lines.push_back(line);
}

} // namespace

int DrawText(TCanvas* canvas, const QString& text, TRect& rect, unsigned flags)
{
    if (canvas == nullptr) return 0;
    const QFontMetrics& fm = canvas->Font.Metrics();
    QString s = (flags & DT_NOPREFIX) ? text : StripPrefixes(text);
    if (flags & DT_EXPANDTABS) s = ExpandTabs(s);
    const int width = rect.Width();

    std::vector<QString> lines;
    if (flags & DT_SINGLELINE) {
        s.replace(QLatin1String("\r\n"), QLatin1String(" "));
        s.replace(QLatin1Char('\n'), QLatin1Char(' '));
        s.replace(QLatin1Char('\r'), QLatin1Char(' '));
        lines.push_back(s);
    } else {
        s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        const QStringList paragraphs = s.split(QLatin1Char('\n'));
        for (const QString& para : paragraphs) {
            if (flags & DT_WORDBREAK)
                BreakWords(para, width, fm, lines);
            else
                lines.push_back(para);
        }
    }
    if (flags & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS)) {
        const Qt::TextElideMode mode = (flags & DT_PATH_ELLIPSIS) ? Qt::ElideMiddle : Qt::ElideRight;
        for (QString& line : lines)
            if (fm.horizontalAdvance(line) > width) line = fm.elidedText(line, mode, std::max(0, width));
    }

    const int lineHeight = fm.height() + ((flags & DT_EXTERNALLEADING) ? fm.leading() : 0);
    const int total = lineHeight * static_cast<int>(lines.size());
    if (flags & DT_CALCRECT) {
        int widest = 0;
        for (const QString& line : lines)
            widest = std::max(widest, fm.horizontalAdvance(line));
        rect.Right = rect.Left + widest;
        rect.Bottom = rect.Top + total;
        return total;
    }

    int y = rect.Top;
    if (flags & DT_SINGLELINE) {
        if (flags & DT_VCENTER)
            y = rect.Top + (rect.Height() - total) / 2;
        else if (flags & DT_BOTTOM)
            y = rect.Bottom - total;
    }
    QPainter* p = canvas->Handle();
    if (p == nullptr) return total;
    const bool clip = !(flags & DT_NOCLIP);
    if (clip) {
        p->save();
        p->setClipRect(rect.ToQRect(), p->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    }
    const bool opaque = canvas->Brush.GetStyle() != bsClear;
    const QBrush bg(ToQColor(canvas->Brush.GetColor()));
    // Draw-text lays out horizontally whatever the font's orientation.
    const TFont* font = &canvas->Font;
    std::optional<TFont> upright;
    if (font->GetOrientation() != 0) {
        upright.emplace();
        upright->Assign(canvas->Font);
        upright->SetOrientation(0);
        font = &*upright;
    }
    int lineTop = y;
    for (const QString& line : lines) {
        const int w = fm.horizontalAdvance(line);
        int x = rect.Left;
        if (flags & DT_CENTER)
            x = rect.Left + (width - w) / 2;
        else if (flags & DT_RIGHT)
            x = rect.Right - w;
        if (!line.isEmpty()) PaintTextLine(p, *font, x, lineTop, line, opaque ? &bg : nullptr, w);
        lineTop += lineHeight;
    }
    if (clip) p->restore();
    if (flags & (DT_VCENTER | DT_BOTTOM)) return y - rect.Top + total;
    return total;
}

int DrawText(TCanvas* canvas, const QString& text, const TRect& rect, unsigned flags)
{
    TRect r = rect;
    return DrawText(canvas, text, r, flags);
}

void SetRotatedFont(TCanvas* canvas, int tenthsOfDegree)
{
    if (canvas != nullptr) canvas->Font.SetOrientation(tenthsOfDegree);
}

} // namespace skedra
