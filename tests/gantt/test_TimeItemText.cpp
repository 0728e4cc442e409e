#include <gtest/gtest.h>

#include <vector>

#include "skedra/gantt/TimeItemText.h"
#include "skedra/platform/TextLayoutCache.h"
#include "tests/common/PaintSurface.h"

using namespace skedra;
using skedra::test::Surface;

namespace
{

// The item drawn at (100, 40)-(160, 60) on a 260 x 100 surface.
const TRect kItem(100, 40, 160, 60);

TRect DrawOne(Surface& s, TTextRectPlace horz, TTextRectPlace vert, int x, int y, const QString& text,
              TTextLayoutCache* cache = nullptr, double sx = 1, double sy = 1)
{
    TqvTimeItemTextCollection texts;
    texts.AddTextEx(text, x, y, 0, horz, vert);
    texts.DrawToCanvasInsideRect(kItem, &s.canvas, sx, sy, cache);
    return s.Ink();
}

} // namespace

TEST(TimeItemTextCollection, AddDropAndLookUp)
{
    TqvTimeItemTextCollection c;
    EXPECT_EQ(c.GetCount(), 0);
    TqvTimeItemText* a = c.AddText(QStringLiteral("a"), 1, 2, 3);
    TqvTimeItemText* b = c.AddTextEx(QStringLiteral("b"), 4, 5, 6, trpOutsideNear, trpOutsideFar);
    ASSERT_EQ(c.GetCount(), 2);
    EXPECT_EQ(c.GetTimeItemText(0), a);
    EXPECT_EQ(a->GetPos(), TPoint(1, 2));
    EXPECT_EQ(a->GetStyle(), 3);
    EXPECT_EQ(a->GetHorzPlace(), trpInside);
    EXPECT_EQ(a->GetVertPlace(), trpInside);
    EXPECT_EQ(b->GetHorzPlace(), trpOutsideNear);
    EXPECT_EQ(b->GetVertPlace(), trpOutsideFar);
    EXPECT_EQ(c.GetTimeItemText(2), nullptr);
    EXPECT_EQ(c.GetTimeItemText(-1), nullptr);
    c.DropText(5);
    c.DropText(-1);
    EXPECT_EQ(c.GetCount(), 2);
    c.DropText(0);
    ASSERT_EQ(c.GetCount(), 1);
    EXPECT_EQ(c.GetTimeItemText(0), b);
}

TEST(TimeItemTextDraw, InsideStartsAtTheOffsetAndIsClippedToTheItem)
{
    Surface s(260, 100);
    const TRect ink = DrawOne(s, trpInside, trpInside, 4, 2, QStringLiteral("Wide text well past the item"));
    EXPECT_GE(ink.Left, kItem.Left + 4);
    EXPECT_LE(ink.Left, kItem.Left + 6);
    EXPECT_GE(ink.Top, kItem.Top + 2);
    // Clipped to the text box, which ends one pixel inside the item.
    EXPECT_LE(ink.Right, kItem.Right - 1);
    EXPECT_GE(ink.Right, kItem.Right - 8);
    EXPECT_LE(ink.Bottom, kItem.Bottom - 1);
}

TEST(TimeItemTextDraw, OutsideNearEndsTheOffsetLeftOfTheItemUnclipped)
{
    Surface s(260, 100);
    // Far wider than the item: the text still shows whole, to the left.
    const QString text = QStringLiteral("Longer than it");
    const TRect ink = DrawOne(s, trpOutsideNear, trpInside, 4, 0, text);
    const int width = s.canvas.TextWidth(text);
    ASSERT_GT(width, kItem.Width());
    ASSERT_LT(width, kItem.Left - 8);
    EXPECT_LE(ink.Right, kItem.Left - 4);
    EXPECT_GE(ink.Right, kItem.Left - 4 - 2);
    EXPECT_LE(ink.Left, kItem.Left - 4 - width + 2);
    EXPECT_LT(ink.Left, kItem.Left - kItem.Width());
}

TEST(TimeItemTextDraw, OutsideFarStartsTheOffsetRightOfTheItem)
{
    Surface s(260, 100);
    const TRect ink =
        DrawOne(s, trpOutsideFar, trpInside, 3, 0, QStringLiteral("After the item, longer than it"));
    EXPECT_GE(ink.Left, kItem.Right + 3);
    EXPECT_LE(ink.Left, kItem.Right + 5);
    EXPECT_GT(ink.Right, kItem.Right + kItem.Width()); // not clipped
}

TEST(TimeItemTextDraw, VerticalPlacementsAboveAndBelow)
{
    const int h = [] {
        Surface s(1, 1);
        return s.canvas.TextHeight(QStringLiteral("X"));
    }();
    {
        Surface s(260, 100);
        const TRect ink = DrawOne(s, trpInside, trpOutsideNear, 0, 2, QStringLiteral("Above"));
        EXPECT_LE(ink.Bottom, kItem.Top - 2);
        EXPECT_GE(ink.Top, kItem.Top - 2 - h);
        EXPECT_GE(ink.Left, kItem.Left);
    }
    {
        Surface s(260, 100);
        const TRect ink = DrawOne(s, trpInside, trpOutsideFar, 0, 2, QStringLiteral("Below"));
        EXPECT_GE(ink.Top, kItem.Bottom + 2);
        EXPECT_LE(ink.Bottom, kItem.Bottom + 2 + h);
    }
    {
        // Both axes outside: the corner beyond the item's bottom-right.
        Surface s(260, 100);
        const TRect ink = DrawOne(s, trpOutsideFar, trpOutsideFar, 1, 1, QStringLiteral("Corner"));
        EXPECT_GE(ink.Left, kItem.Right + 1);
        EXPECT_GE(ink.Top, kItem.Bottom + 1);
    }
}

TEST(TimeItemTextDraw, OffsetsScaleWithThePrintScales)
{
    Surface a(260, 100), b(260, 100);
    DrawOne(a, trpInside, trpInside, 10, 3, QStringLiteral("Scaled"), nullptr, 2.0, 2.0);
    DrawOne(b, trpInside, trpInside, 20, 6, QStringLiteral("Scaled"));
    EXPECT_TRUE(a.image == b.image);
}

TEST(TimeItemTextDraw, EmptyTextsAndEmptyBoxesAreSkipped)
{
    Surface s(260, 100);
    std::vector<int> styles;
    TqvTimeItemTextCollection texts(
        [&](TqvTimeItemTextCollection*, TCanvas*, int style) { styles.push_back(style); });
    texts.AddText(QString(), 0, 0, 7);
    texts.AddText(QStringLiteral("Off the bottom"), 0, kItem.Height(), 8);
    texts.AddText(QStringLiteral("Off the right"), kItem.Width(), 0, 9);
    texts.DrawToCanvasInsideRect(kItem, &s.canvas, 1, 1);
    // The empty text never asks for its font; the others do but show nothing.
    EXPECT_EQ(styles, (std::vector<int>{8, 9}));
    EXPECT_EQ(s.Ink(), TRect());
}

TEST(TimeItemTextDraw, StyleCallbackSetsTheFontOfEachText)
{
    Surface s(260, 100);
    TqvTimeItemTextCollection texts(
        [](TqvTimeItemTextCollection*, TCanvas* c, int style) { c->Font.SetSize(style == 2 ? 20 : 8); });
    texts.AddText(QStringLiteral("Big"), 0, 0, 2);
    texts.DrawToCanvasInsideRect(TRect(0, 0, 120, 40), &s.canvas, 1, 1);
    texts.AddText(QStringLiteral("Big"), 0, 0, 1);
    Surface t(260, 100);
    TqvTimeItemTextCollection small([](TqvTimeItemTextCollection*, TCanvas* c, int) { c->Font.SetSize(8); });
    small.AddText(QStringLiteral("Big"), 0, 0, 1);
    small.DrawToCanvasInsideRect(TRect(0, 0, 120, 40), &t.canvas, 1, 1);
    EXPECT_GT(s.Ink().Height(), t.Ink().Height() + 5);
}

TEST(TimeItemTextDraw, KeepsTheBrushStyle)
{
    Surface s(260, 100);
    s.canvas.Brush.SetColor(RGB(1, 2, 3));
    TqvTimeItemTextCollection texts;
    texts.AddText(QStringLiteral("Text"), 0, 0, 0);
    texts.DrawToCanvasInsideRect(kItem, &s.canvas, 1, 1);
    EXPECT_EQ(s.canvas.Brush.GetStyle(), bsSolid);
    EXPECT_EQ(s.canvas.Brush.GetColor(), RGB(1, 2, 3));
    // The text was drawn on the item without painting a background.
    EXPECT_EQ(s.At(kItem.Right - 3, kItem.Bottom - 3), clWhite);
}

TEST(TimeItemTextDraw, LayoutCacheDrawsTheSamePixelsInEveryPlacement)
{
    TTextLayoutCache cache;
    const TTextRectPlace places[] = {trpInside, trpOutsideNear, trpOutsideFar};
    for (TTextRectPlace h : places)
        for (TTextRectPlace v : places)
            for (const QString& text :
                 {QStringLiteral("Task 12"), QStringLiteral("Gjy|Wide clipped text beyond")}) {
                Surface plain(260, 100), cached(260, 100);
                DrawOne(plain, h, v, 2, 1, text);
                DrawOne(cached, h, v, 2, 1, text, &cache);
                EXPECT_TRUE(plain.image == cached.image)
                    << int(h) << "," << int(v) << " " << text.toStdString();
                // Drawn again from the cache: still the same.
                Surface again(260, 100);
                DrawOne(again, h, v, 2, 1, text, &cache);
                EXPECT_TRUE(plain.image == again.image);
            }
    EXPECT_EQ(cache.Count(), 2);
}
