#include <gtest/gtest.h>

#include "skedra/platform/Canvas.h"
#include "skedra/platform/TextLayoutCache.h"
#include "tests/common/PaintSurface.h"

using namespace skedra;

namespace
{

struct Surface : skedra::test::Surface {
    Surface() : skedra::test::Surface(200, 60) { canvas.Brush.SetStyle(bsClear); }
};

} // namespace

TEST(TextLayoutCache, SamePixelsAsTheCanvasInEveryFont)
{
    TTextLayoutCache cache;
    for (int size : {7, 8, 12})
        for (bool bold : {false, true})
            for (const QString& text : {QStringLiteral("Task 42"), QStringLiteral("gjpqy ÅÄÖ é → x")}) {
                Surface a, b;
                for (Surface* s : {&a, &b}) {
                    s->canvas.Font.SetSize(size);
                    s->canvas.Font.SetStyle(bold ? TFontStyles{fsBold} : TFontStyles{});
                    s->canvas.Font.SetColor(RGB(200, 20, 40));
                }
                a.canvas.TextOut(3, 4, text);
                a.canvas.TextRect(TRect(10, 30, 60, 40), 12, 28, text);
                cache.TextOut(&b.canvas, 3, 4, text);
                cache.TextRect(&b.canvas, TRect(10, 30, 60, 40), 12, 28, text);
                // A box lower than the line: the glyphs may or may not reach past it.
                const int h = a.canvas.TextHeight(text);
                for (int cut : {1, 2, 3}) {
                    const TRect box(70 + 40 * cut, 40, 200, 40 + h - cut);
                    a.canvas.TextRect(box, box.Left, 40 - cut / 2, text);
                    cache.TextRect(&b.canvas, box, box.Left, 40 - cut / 2, text);
                }
                EXPECT_TRUE(a.image == b.image) << size << bold << text.toStdString();
                EXPECT_EQ(cache.TextWidth(&b.canvas, text), a.canvas.TextWidth(text));
                EXPECT_EQ(b.canvas.GetPenPos(), a.canvas.GetPenPos());
            }
}

TEST(TextLayoutCache, OpaqueAndTurnedTextsGoThroughTheCanvas)
{
    TTextLayoutCache cache;
    Surface a, b;
    for (Surface* s : {&a, &b}) {
        s->canvas.Brush.SetColor(RGB(0, 200, 0));
        s->canvas.Font.SetOrientation(0);
    }
    a.canvas.TextOut(3, 4, QStringLiteral("Opaque"));
    cache.TextOut(&b.canvas, 3, 4, QStringLiteral("Opaque"));
    EXPECT_TRUE(a.image == b.image);
    EXPECT_EQ(cache.Count(), 0);
}

TEST(TextLayoutCache, StaysWithinItsCapacity)
{
    TTextLayoutCache cache(3);
    Surface s;
    for (int i = 0; i < 10; ++i) {
        cache.TextOut(&s.canvas, 0, 0, QString::number(i));
        EXPECT_LE(cache.Count(), 3);
    }
    EXPECT_GE(cache.Count(), 1);
    cache.Clear();
    EXPECT_EQ(cache.Count(), 0);
    // Empty texts are neither drawn nor kept.
    cache.TextOut(&s.canvas, 0, 0, QString());
    EXPECT_EQ(cache.Count(), 0);
}
