#include <gtest/gtest.h>

#include <vector>

#include "skedra/gantt/LinkDraw.h"
#include "skedra/gantt/TimeDraw.h"
#include "skedra/gantt/TimeItemText.h"
#include "skedra/platform/ImageList.h"
#include "tests/gantt/GantTestSupport.h"

using namespace skedra;
using namespace skedra::test;

namespace
{

constexpr TColor kRed = RGB(230, 20, 20);

// Paints the chart and answers a copy of the Gantt area's picture.
class GantDraw : public GantFixture
{
protected:
    QImage Picture()
    {
        Paint();
        return GA()->GetOffscreenBitmap()->Image().copy();
    }
    static TColor At(const QImage& image, int x, int y) { return FromQColor(image.pixelColor(x, y)); }
    TRect RectOf(const TqvDataEntity_GantTime* t)
    {
        TRect r;
        EXPECT_TRUE(gant->RectFromDataEntity(t, r));
        return r;
    }
    // Rows with a node each, painted once.
    std::vector<TqvDataEntity_Tree*> Rows(int n)
    {
        std::vector<TqvDataEntity_Tree*> rows;
        for (int i = 0; i < n; ++i)
            rows.push_back(AddNode());
        Paint();
        return rows;
    }
    // An item from hour a to hour b of the chart's first day.
    TqvDataEntity_GantTime* Item(TqvDataEntity_Tree* node, int layer, double a, double b,
                                 int style = gtsSquare, TColor color = kRed)
    {
        TqvDataEntity_GantTime* t = AddTime(node, layer, kChartDay + a / 24, kChartDay + b / 24);
        t->SetStyle(static_cast<std::uint8_t>(style));
        t->SetColor(color);
        return t;
    }
    // Draws onto a copy of the picture with a canvas.
    template <class F> static QImage DrawnOn(const QImage& picture, F&& draw)
    {
        QImage image = picture.copy();
        QPainter painter(&image);
        TCanvas canvas(&painter);
        draw(canvas);
        canvas.SetPainter(nullptr);
        return image;
    }
    // Pixels that differ between two pictures, within r.
    static int Differences(const QImage& a, const QImage& b, const TRect& r)
    {
        int n = 0;
        for (int y = std::max(0, r.Top); y < std::min(a.height(), r.Bottom); ++y)
            for (int x = std::max(0, r.Left); x < std::min(a.width(), r.Right); ++x)
                if (a.pixel(x, y) != b.pixel(x, y)) ++n;
        return n;
    }
};

} // namespace

TEST_F(GantDraw, EveryStyleDrawsItsShapeIntoTheItemsRectangle)
{
    TImageList images(16, 16);
    QImage green(16, 16, QImage::Format_ARGB32);
    green.fill(QColor(0, 160, 0));
    images.AddImage(green);
    gant->SetImageList(&images);
    const auto rows = Rows(9);
    const QImage empty = Picture();
    std::vector<TqvDataEntity_GantTime*> items;
    for (int style = gtsSquare; style <= gtsPipe; ++style)
        if (style != gtsUser) items.push_back(Item(rows[style], 0, 2 + style, 10 + style, style));
    const QImage drawn = Picture();
    const QImage expected = DrawnOn(empty, [&](TCanvas& c) {
        for (TqvDataEntity_GantTime* t : items)
            TqvTimeDraw::DrawShape(t->GetStyle(), t->GetColor(), RectOf(t), &c, 1.0, false, &images, 0);
    });
    EXPECT_EQ(Differences(drawn, expected, TRect(0, 0, drawn.width(), drawn.height())), 0);
    gant->SetImageList(nullptr);
}

TEST_F(GantDraw, HighBitOfTheStyleIsIgnoredAndValuesBeyondTheTableDrawOnlyTextsAndMarks)
{
    const auto rows = Rows(3);
    TqvDataEntity_GantTime* high = Item(rows[0], 0, 2, 12, 0x80 | gtsSquare);
    TqvDataEntity_GantTime* none = Item(rows[1], 0, 2, 12, 9);
    none->GetTexts()->AddText(QStringLiteral("Nine"), 2, 1, 0);
    none->SetSelected(true);
    gant->GetGantRow(rows[1])->SelectionMarkColor = kRed;
    gant->SetActiveDataEntity(none);
    const QImage picture = Picture();
    const TRect h = RectOf(high), n = RectOf(none);
    EXPECT_EQ(At(picture, h.Left + 3, h.Top + 3), kRed);
    EXPECT_EQ(At(picture, h.Left, h.Top + 3), clBlack);
    // No shape: the background shows in the middle; the marks and the text are there.
    const TColor background = At(picture, n.Left - 3, n.Top + 8);
    EXPECT_EQ(At(picture, (n.Left + n.Right) / 2, n.Bottom - 7), background);
    EXPECT_EQ(At(picture, n.Left, n.Top), kRed);
    EXPECT_EQ(At(picture, n.Right - 1, n.Bottom - 1), kRed);
    int text = 0;
    for (int x = n.Left + 2; x < n.Left + 30; ++x)
        for (int y = n.Top + 6; y < n.Bottom - 3; ++y)
            if (At(picture, x, y) != background) ++text;
    EXPECT_GT(text, 10);
}

TEST_F(GantDraw, SelectionMarksAndFocusFollowTheRowsSwitches)
{
    const auto rows = Rows(2);
    TqvDataEntity_GantTime* t = Item(rows[0], 0, 2, 12, gtsSquare, clWhite);
    TGantRow* row = gant->GetGantRow(rows[0]);
    const QImage plain = Picture();
    const TRect r = RectOf(t);
    t->SetSelected(true);
    row->SelectionMarkColor = kRed;
    const QImage selected = Picture();
    EXPECT_EQ(At(selected, r.Left + 4, r.Top + 4), kRed);
    EXPECT_EQ(At(selected, r.Right - 5, r.Bottom - 5), kRed);
    EXPECT_EQ(At(selected, r.Left + 5, r.Top + 5), clWhite);
    EXPECT_EQ(Differences(plain, selected, r), 4 * 25);
    row->ShowSelection = false;
    EXPECT_EQ(Differences(plain, Picture(), r), 0);

    t->SetSelected(false);
    gant->SetActiveDataEntity(t);
    const QImage focused = Picture();
    // A dotted frame two pixels inside the item.
    const TRect inner(r.Left + 2, r.Top + 2, r.Right - 2, r.Bottom - 2);
    EXPECT_GT(Differences(plain, focused, TRect(inner.Left, inner.Top, inner.Right, inner.Top + 1)), 3);
    EXPECT_EQ(
        Differences(plain, focused, TRect(inner.Left + 1, inner.Top + 1, inner.Right - 1, inner.Bottom - 1)),
        0);
    row->ShowFocus = false;
    EXPECT_EQ(Differences(plain, Picture(), r), 0);
}

TEST_F(GantDraw, AnItemReachingPastTheLeftEdgeShowsItsInsideTextFromTheEdge)
{
    const auto rows = Rows(1);
    TqvDataEntity_GantTime* t = AddTime(rows[0], 0, kChartDay - 300, kChartDay + 0.5);
    t->GetTexts()->AddText(QStringLiteral("Long"), 3, 1, 0);
    const QImage picture = Picture();
    const TRect r = RectOf(t);
    ASSERT_LT(r.Left, -10);
    // The frame's left edge is beyond the area; the text starts 3 pixels into it.
    int first = -1;
    for (int x = 0; x < 40 && first < 0; ++x)
        for (int y = r.Top + 2; y < r.Bottom - 2; ++y)
            if (At(picture, x, y) != clWhite) {
                first = x;
                break;
            }
    EXPECT_GE(first, 3);
    EXPECT_LE(first, 5);
}

TEST_F(GantDraw, TextFontsComeFromTheStyle)
{
    TFont big;
    big.SetName(QStringLiteral("DejaVu Sans"));
    big.SetSize(18);
    gant->SetFontTimeItemStyle2(&big);
    // Each text below its item, over an empty row.
    const auto rows = Rows(4);
    TqvDataEntity_GantTime* a = Item(rows[0], 0, 2, 20, gtsSquare, clWhite);
    TqvDataEntity_GantTime* b = Item(rows[2], 0, 2, 20, gtsSquare, clWhite);
    a->GetTexts()->AddTextEx(QStringLiteral("Text"), 0, 0, 1, trpInside, trpOutsideFar);
    b->GetTexts()->AddTextEx(QStringLiteral("Text"), 0, 0, 2, trpInside, trpOutsideFar);
    const QImage picture = Picture();
    auto inkWidth = [&](const TRect& r) {
        int right = 0;
        for (int y = r.Bottom; y < r.Bottom + 18 && y < picture.height(); ++y)
            for (int x = r.Left; x < r.Left + 100; ++x)
                if (At(picture, x, y) == clBlack) right = std::max(right, x - r.Left);
        return right;
    };
    EXPECT_GT(inkWidth(RectOf(b)), inkWidth(RectOf(a)) + 10);
}

TEST_F(GantDraw, UserStyleDrawsThroughTheEventWithTheClippedRectangle)
{
    const auto rows = Rows(1);
    TqvDataEntity_GantTime* t = AddTime(rows[0], 0, kChartDay - 300, kChartDay + 0.5);
    t->SetStyle(gtsUser);
    std::vector<TRect> seen;
    gant->OnUserDrawTime = [&](TqvGant_ComBasic* g, TqvDataEntity_GantTime* item, TCanvas* canvas,
                               const TRect& r) {
        EXPECT_EQ(g, gant.get());
        EXPECT_EQ(item, t);
        EXPECT_EQ(canvas, GA()->GetOffscreenCanvas());
        seen.push_back(r);
    };
    Picture();
    ASSERT_FALSE(seen.empty());
    for (const TRect& r : seen) {
        EXPECT_EQ(r.Left, -10);
        EXPECT_EQ(r.Right, RectOf(t).Right);
    }
}

TEST_F(GantDraw, AnImageOutsideTheListDrawsNoImage)
{
    TImageList images(16, 16);
    QImage green(16, 16, QImage::Format_ARGB32);
    green.fill(QColor(0, 160, 0));
    images.AddImage(green);
    gant->SetImageList(&images);
    const auto rows = Rows(1);
    const QImage empty = Picture();
    TqvDataEntity_GantTime* t = Item(rows[0], 0, 2, 12, gtsImage);
    t->ImageIndex = 7;
    EXPECT_EQ(Differences(empty, Picture(), TRect(0, 0, empty.width(), empty.height())), 0);
    t->ImageIndex = 0;
    const QImage shown = Picture();
    EXPECT_EQ(At(shown, RectOf(t).Left + 1, RectOf(t).Top + 1), RGB(0, 160, 0));
    gant->SetImageList(nullptr);
}

// ---------------------------------------------------------------------------
// Links

TEST_F(GantDraw, LinksInEveryStyleAndOptionAreDrawnBetweenTheirItems)
{
    const auto rows = Rows(4);
    TqvDataEntity_GantTime* a = Item(rows[0], 0, 4, 10);
    TqvDataEntity_GantTime* b = Item(rows[2], 0, 20, 28);
    const QImage items = Picture();
    TqvDataEntity_Link* link = gant->AddLink();
    link->First = a;
    link->Second = b;
    EXPECT_EQ(link->LinkStyle, tlsDefault);
    EXPECT_EQ(link->Color, clBlue);
    EXPECT_EQ(link->PenWidth, 1);
    for (TLinkStyle style : {tlsDefault, tlsMSProject})
        for (TLinkStartFinishOption option : {tlsfNormal, tlsfSS, tlsfSF, tlsfFS, tlsfFF}) {
            link->LinkStyle = style;
            link->SetStartFinishOption(option);
            const QImage picture = Picture();
            const TLinkEnds ends = TqvLinkDraw::Ends(RectOf(a), RectOf(b), false, style, option);
            const QImage expected = DrawnOn(items, [&](TCanvas& c) {
                TqvLinkDraw::Draw(ends.Start, ends.Stop, &c, style, option, clBlue, 1);
            });
            EXPECT_EQ(Differences(picture, expected, TRect(0, 0, picture.width(), picture.height())), 0)
                << style << " " << option;
            EXPECT_GT(Differences(picture, items, TRect(0, 0, picture.width(), picture.height())), 20);
        }
}

TEST_F(GantDraw, ItemsOnOneRowAreLinkedInTheDefaultStyle)
{
    const auto rows = Rows(1);
    TqvDataEntity_GantTime* a = Item(rows[0], 0, 2, 6);
    TqvDataEntity_GantTime* b = Item(rows[0], 1, 20, 28);
    const QImage items = Picture();
    TqvDataEntity_Link* link = gant->AddLink();
    link->First = a;
    link->Second = b;
    link->LinkStyle = tlsMSProject;
    const TLinkEnds ends = TqvLinkDraw::Ends(RectOf(a), RectOf(b), false, tlsDefault, tlsfNormal);
    const QImage expected = DrawnOn(items, [&](TCanvas& c) {
        TqvLinkDraw::Draw(ends.Start, ends.Stop, &c, tlsDefault, tlsfNormal, clBlue, 1);
    });
    const QImage picture = Picture();
    EXPECT_EQ(Differences(picture, expected, TRect(0, 0, picture.width(), picture.height())), 0);
}

TEST_F(GantDraw, LinkShowDecidesForLinksToItemsOutOfTheWindow)
{
    const auto rows = Rows(3);
    TqvDataEntity_GantTime* a = Item(rows[0], 0, 30, 40);
    // Starts after the window's stop (two days).
    TqvDataEntity_GantTime* b = AddTime(rows[2], 0, kChartDay + 3, kChartDay + 3.5);
    const QImage items = Picture();
    TqvDataEntity_Link* link = gant->AddLink();
    link->First = a;
    link->Second = b;
    const TRect all(0, 0, items.width(), items.height());

    gant->SetLinkShow(lsBothEndsVisible);
    EXPECT_EQ(Differences(Picture(), items, all), 0);
    gant->SetLinkShow(lsOneEndVisible);
    const QImage one = Picture();
    EXPECT_GT(Differences(one, items, all), 20);
    // The line runs off the right edge.
    const int y = RectOf(a).Top + RectOf(a).Height() / 2;
    int right = 0;
    for (int x = 0; x < one.width(); ++x)
        if (At(one, x, y) == clBlue) right = x;
    EXPECT_EQ(right, one.width() - 1);
    gant->SetLinkShow(lsAlways);
    EXPECT_GT(Differences(Picture(), items, all), 20);
}

TEST_F(GantDraw, LinksWhoseItemsEndBeforeTheWindowAreNotDrawn)
{
    const auto rows = Rows(3);
    TqvDataEntity_GantTime* a = AddTime(rows[0], 0, kChartDay - 3, kChartDay - 2.5);
    TqvDataEntity_GantTime* b = AddTime(rows[2], 0, kChartDay - 2, kChartDay - 1.5);
    const QImage items = Picture();
    TqvDataEntity_Link* link = gant->AddLink();
    link->First = a;
    link->Second = b;
    gant->SetLinkShow(lsAlways);
    EXPECT_EQ(Differences(Picture(), items, TRect(0, 0, items.width(), items.height())), 0);
}

TEST_F(GantDraw, UserDrawnLinksGoToTheEventOnly)
{
    const auto rows = Rows(3);
    TqvDataEntity_GantTime* a = Item(rows[0], 0, 4, 10);
    TqvDataEntity_GantTime* b = Item(rows[2], 0, 20, 28);
    const QImage items = Picture();
    TqvDataEntity_Link* link = gant->AddLink();
    link->First = a;
    link->Second = b;
    link->LinkStyle = tlsUserDraw;
    const TRect all(0, 0, items.width(), items.height());
    EXPECT_EQ(Differences(Picture(), items, all), 0); // no handler: nothing
    std::vector<std::pair<TPoint, TPoint>> calls;
    gant->OnUserDrawLinks = [&](TqvGant_ComBasic*, TqvDataEntity_Link* l, TCanvas*, TPoint s, TPoint e) {
        EXPECT_EQ(l, link);
        calls.emplace_back(s, e);
    };
    EXPECT_EQ(Differences(Picture(), items, all), 0);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].first, TPoint(RectOf(a).Right, RectOf(a).Top + RectOf(a).Height() / 2));
    EXPECT_EQ(calls[0].second, TPoint(RectOf(b).Left, RectOf(b).Top + RectOf(b).Height() / 2));
}

TEST_F(GantDraw, LinkDefaultsComeFromTheChart)
{
    EXPECT_EQ(gant->GetDefaultLinkCursor(), -21);
    EXPECT_EQ(gant->GetLinkShow(), lsOneEndVisible);
    gant->SetDefaultLinkStyle(tlsMSProject);
    gant->SetDefaultLinkColor(kRed);
    gant->SetDefaultLinkPenWidth(3);
    TqvDataEntity_Link* link = gant->AddLink();
    EXPECT_EQ(link->LinkStyle, tlsMSProject);
    EXPECT_EQ(link->Color, kRed);
    EXPECT_EQ(link->PenWidth, 3);
}

// ---------------------------------------------------------------------------
// The cost of a paint follows what is in view: the same picture whatever else
// the chart holds.

TEST_F(GantDraw, ThePictureIsTheSameAmongManyHiddenItems)
{
    auto fill = [](GantDraw& f, TqvGant* g, bool hidden) {
        std::vector<TqvDataEntity_Tree*> nodes;
        for (int r = 0; r < 30; ++r)
            nodes.push_back(g->AddRootDataEntityTree());
        std::vector<TqvDataEntity_GantTime*> shown;
        for (int r = 0; r < 30; ++r)
            for (int i = 0; i < 4; ++i) {
                TqvDataEntity_GantTime* t = g->AddGantTime(nodes[r], i % 3);
                t->SetStartDateTime(kChartDay + (r % 7 + i * 9) / 24.0);
                t->SetStopDateTime(kChartDay + (r % 7 + i * 9 + 6) / 24.0);
                t->SetStyle(static_cast<std::uint8_t>((r + i) % 9));
                t->SetColor(RGB(40 * i, 200 - 5 * r, 90));
                t->GetTexts()->AddText(QStringLiteral("T%1.%2").arg(r).arg(i), 2, 1, i);
                if ((r + i) % 5 == 0) t->SetSelected(true);
                shown.push_back(t);
            }
        for (size_t k = 0; k + 5 < shown.size(); k += 3) {
            TqvDataEntity_Link* link = g->AddLink();
            link->First = shown[k];
            link->Second = shown[k + 5];
            link->LinkStyle = static_cast<TLinkStyle>(k % 2);
            link->StartFinishOption = static_cast<TLinkStartFinishOption>(k % 5);
        }
        if (!hidden) return;
        // Far outside the window on the rows in view, and rows below the view.
        for (int r = 0; r < 30; ++r)
            for (int i = 0; i < 20; ++i) {
                TqvDataEntity_GantTime* t = g->AddGantTime(nodes[r], i % 3);
                const double at = i % 2 ? kChartDay + 10 + i : kChartDay - 10 - i;
                t->SetStartDateTime(at);
                t->SetStopDateTime(at + 0.5);
            }
        std::vector<TqvDataEntity_GantTime*> below;
        for (int r = 0; r < 2000; ++r) {
            TqvDataEntity_Tree* n = g->AddRootDataEntityTree();
            for (int i = 0; i < 10; ++i) {
                TqvDataEntity_GantTime* t = g->AddGantTime(n, i % 3);
                t->SetStartDateTime(kChartDay + i / 10.0);
                t->SetStopDateTime(kChartDay + i / 10.0 + 0.05);
                t->GetTexts()->AddText(QStringLiteral("Hidden"), 0, 0, 0);
                if (i == 0) below.push_back(t);
            }
        }
        for (size_t k = 0; k + 1 < below.size(); k += 4) {
            TqvDataEntity_Link* link = g->AddLink();
            link->First = below[k];
            link->Second = below[k + 1];
        }
        (void)f;
    };
    fill(*this, gant.get(), false);
    const QImage few = Picture();

    auto other = std::make_unique<TqvGant>();
    other->SetBounds(0, 0, 900, 500);
    other->GetTreeView()->SetItemHeight(20);
    other->show();
    Flush();
    other->GetDateScaler()->SetStart(kChartDay);
    other->GetDateScaler()->SetStop(kChartDay + 2);
    fill(*this, other.get(), true);
    other->GetTreeView()->Viewport()->repaint();
    other->GetGA()->Repaint();
    Flush();
    const QImage many = other->GetGA()->GetOffscreenBitmap()->Image().copy();
    ASSERT_EQ(few.size(), many.size());
    EXPECT_EQ(Differences(few, many, TRect(0, 0, few.width(), few.height())), 0);
    other.reset();
    Flush();
}
