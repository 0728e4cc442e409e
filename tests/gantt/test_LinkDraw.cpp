#include <gtest/gtest.h>

#include "skedra/gantt/LinkDraw.h"
#include "tests/common/PaintSurface.h"

using namespace skedra;
using skedra::test::Surface;

namespace
{

constexpr TColor kBlue = clBlue;
const TRect kLeftHigh(10, 10, 50, 20);
const TRect kRightLow(100, 30, 140, 40);
const TRect kNone(-1, -1, -1, -1);

void ExpectEnds(const TLinkEnds& e, TPoint start, TPoint stop, TLinkStyle style)
{
    EXPECT_EQ(e.Start, start);
    EXPECT_EQ(e.Stop, stop);
    EXPECT_EQ(e.Style, style);
}

} // namespace

TEST(LinkEnds, DefaultStyleJoinsTheEdgesAtTheVerticalMiddles)
{
    ExpectEnds(TqvLinkDraw::Ends(kLeftHigh, kRightLow, false, tlsDefault, tlsfNormal), {50, 15}, {100, 35},
               tlsDefault);
    // Second item to the left: from the first's start to the second's finish.
    ExpectEnds(TqvLinkDraw::Ends(kRightLow, kLeftHigh, false, tlsDefault, tlsfNormal), {100, 35}, {50, 15},
               tlsDefault);
    ExpectEnds(TqvLinkDraw::Ends(kLeftHigh, kRightLow, false, tlsDefault, tlsfSS), {10, 15}, {100, 35},
               tlsDefault);
    ExpectEnds(TqvLinkDraw::Ends(kLeftHigh, kRightLow, false, tlsDefault, tlsfSF), {10, 15}, {140, 35},
               tlsDefault);
    ExpectEnds(TqvLinkDraw::Ends(kLeftHigh, kRightLow, false, tlsDefault, tlsfFS), {50, 15}, {100, 35},
               tlsDefault);
    ExpectEnds(TqvLinkDraw::Ends(kLeftHigh, kRightLow, false, tlsDefault, tlsfFF), {50, 15}, {140, 35},
               tlsDefault);
}

TEST(LinkEnds, RightAngledStyleEntersThreePixelsInsideFromAboveOrBelow)
{
    // Lower second item: enters its top.
    ExpectEnds(TqvLinkDraw::Ends(kLeftHigh, kRightLow, false, tlsMSProject, tlsfNormal), {50, 15}, {103, 30},
               tlsMSProject);
    ExpectEnds(TqvLinkDraw::Ends(kLeftHigh, kRightLow, false, tlsMSProject, tlsfSF), {10, 15}, {137, 30},
               tlsMSProject);
    ExpectEnds(TqvLinkDraw::Ends(kLeftHigh, kRightLow, false, tlsMSProject, tlsfFS), {50, 15}, {103, 30},
               tlsMSProject);
    ExpectEnds(TqvLinkDraw::Ends(kLeftHigh, kRightLow, false, tlsMSProject, tlsfFF), {50, 15}, {137, 30},
               tlsMSProject);
    // Start to start joins the middle of the second item's start, without the inset.
    ExpectEnds(TqvLinkDraw::Ends(kLeftHigh, kRightLow, false, tlsMSProject, tlsfSS), {10, 15}, {100, 35},
               tlsMSProject);
    // Higher second item to the left: enters its bottom, three pixels inside its finish.
    ExpectEnds(TqvLinkDraw::Ends(kRightLow, kLeftHigh, false, tlsMSProject, tlsfNormal), {100, 35}, {47, 20},
               tlsMSProject);
}

TEST(LinkEnds, ItemsOnOneRowAreAlwaysJoinedInTheDefaultStyle)
{
    const TRect b(100, 10, 140, 20);
    ExpectEnds(TqvLinkDraw::Ends(kLeftHigh, b, true, tlsMSProject, tlsfNormal), {50, 15}, {100, 15},
               tlsDefault);
    EXPECT_EQ(TqvLinkDraw::Ends(kLeftHigh, b, false, tlsUserDraw, tlsfNormal).Style, tlsUserDraw);
}

TEST(LinkPlaceEnds, MissingEndsStandBesideTheOtherItem)
{
    TRect a = kNone, b = kRightLow;
    EXPECT_TRUE(TqvLinkDraw::PlaceEnds(a, b, false, true, lsOneEndVisible));
    EXPECT_EQ(a, TRect(150, 30, 190, 40));
    EXPECT_EQ(b, kRightLow);

    a = kLeftHigh;
    b = kNone;
    EXPECT_FALSE(TqvLinkDraw::PlaceEnds(a, b, true, false, lsBothEndsVisible));
    EXPECT_EQ(b, TRect(-40, 10, 0, 20));
}

TEST(LinkPlaceEnds, ShowModes)
{
    auto shown = [](TRect a, TRect b, bool va, bool vb, TLinkShow show) {
        return TqvLinkDraw::PlaceEnds(a, b, va, vb, show);
    };
    EXPECT_TRUE(shown(kLeftHigh, kRightLow, true, false, lsOneEndVisible));
    EXPECT_FALSE(shown(kLeftHigh, kRightLow, false, false, lsOneEndVisible));
    EXPECT_FALSE(shown(kLeftHigh, kRightLow, true, false, lsBothEndsVisible));
    EXPECT_TRUE(shown(kLeftHigh, kRightLow, true, true, lsBothEndsVisible));
    // Always: whenever one of them has a position, even when neither is visible.
    EXPECT_TRUE(shown(kLeftHigh, kNone, false, false, lsAlways));
    EXPECT_TRUE(shown(kNone, kRightLow, false, false, lsAlways));
    EXPECT_FALSE(shown(kNone, kNone, true, true, lsAlways));
}

TEST(LinkDrawDefault, ThreeSegmentsAndAnOpenHeadOnePixelShortOfTheEdge)
{
    Surface s(120, 60);
    TqvLinkDraw::Draw({20, 20}, {80, 40}, &s.canvas, tlsDefault, tlsfNormal, kBlue, 1);
    // Across at y 20 to the middle x 49, down to y 40, across to 79.
    EXPECT_EQ(s.At(20, 20), kBlue);
    EXPECT_EQ(s.At(48, 20), kBlue);
    EXPECT_EQ(s.At(49, 30), kBlue);
    EXPECT_EQ(s.At(60, 40), kBlue);
    EXPECT_EQ(s.At(50, 30), clWhite);
    // The head: tip at 79, its back at 76 from y 37 to 43.
    EXPECT_EQ(s.At(79, 40), kBlue);
    EXPECT_EQ(s.At(77, 38), kBlue);
    EXPECT_EQ(s.At(76, 37), kBlue);
    EXPECT_EQ(s.At(76, 42), kBlue);
    EXPECT_EQ(s.At(80, 40), clWhite);
    EXPECT_EQ(s.Ink(), TRect(20, 20, 80, 44));
}

TEST(LinkDrawDefault, PointingLeftWhenTheSecondItemIsLeft)
{
    Surface s(120, 60);
    TqvLinkDraw::Draw({80, 20}, {20, 40}, &s.canvas, tlsDefault, tlsfNormal, kBlue, 1);
    EXPECT_EQ(s.At(51, 30), kBlue); // m = 80 + (21 - 80) div 2
    EXPECT_EQ(s.At(21, 40), kBlue);
    EXPECT_EQ(s.At(24, 37), kBlue);
    EXPECT_EQ(s.At(24, 42), kBlue);
    EXPECT_EQ(s.At(20, 40), clWhite);
}

TEST(LinkDrawDefault, HeadOnlyWhenItsTipIsWithinTheClip)
{
    Surface edge(120, 60);
    edge.canvas.IntersectClipRect(TRect(0, 0, 79, 60)); // the clip's right edge is x 79: still included
    TqvLinkDraw::Draw({20, 20}, {80, 40}, &edge.canvas, tlsDefault, tlsfNormal, kBlue, 1);
    EXPECT_EQ(edge.At(76, 42), kBlue);

    Surface cut(120, 60);
    cut.canvas.IntersectClipRect(TRect(0, 0, 78, 60));
    TqvLinkDraw::Draw({20, 20}, {80, 40}, &cut.canvas, tlsDefault, tlsfNormal, kBlue, 1);
    EXPECT_EQ(cut.At(76, 42), clWhite);
    EXPECT_EQ(cut.At(76, 37), clWhite);
    EXPECT_EQ(cut.At(70, 40), kBlue); // the line is drawn
}

TEST(LinkDrawMSProject, DownOntoTheTopOfALowerItemWithAFilledHead)
{
    Surface s(120, 70);
    TqvLinkDraw::Draw({20, 20}, {80, 50}, &s.canvas, tlsMSProject, tlsfNormal, kBlue, 1);
    EXPECT_EQ(s.At(50, 20), kBlue);
    EXPECT_EQ(s.At(83, 30), kBlue); // T.X = 80 + 3
    EXPECT_EQ(s.At(83, 48), kBlue); // inside the head
    EXPECT_EQ(s.At(81, 46), kBlue);
    EXPECT_EQ(s.At(83, 49), kBlue); // its tip at 49, just above the item
    EXPECT_EQ(s.At(83, 50), clWhite);
    EXPECT_EQ(s.At(87, 46), clWhite);
}

TEST(LinkDrawMSProject, UpOntoTheBottomOfAHigherItem)
{
    Surface s(120, 70);
    TqvLinkDraw::Draw({20, 50}, {80, 20}, &s.canvas, tlsMSProject, tlsfNormal, kBlue, 1);
    EXPECT_EQ(s.At(50, 50), kBlue);
    EXPECT_EQ(s.At(83, 35), kBlue);
    EXPECT_EQ(s.At(83, 21), kBlue);
    EXPECT_EQ(s.At(83, 20), clWhite);
    EXPECT_EQ(s.At(81, 24), kBlue);
}

TEST(LinkDrawStartToStart, RunsSevenPixelsLeftOfTheLeftmostStart)
{
    for (TLinkStyle style : {tlsDefault, tlsMSProject, tlsUserDraw}) {
        Surface s(120, 60);
        TqvLinkDraw::Draw({40, 20}, {60, 40}, &s.canvas, style, tlsfSS, kBlue, 1);
        EXPECT_EQ(s.At(33, 30), kBlue) << style;
        EXPECT_EQ(s.At(32, 30), clWhite);
        EXPECT_EQ(s.At(50, 40), kBlue);
        // An open head pointing right, its tip on the second item's start.
        EXPECT_EQ(s.At(60, 40), kBlue);
        EXPECT_EQ(s.At(57, 37), kBlue);
        EXPECT_EQ(s.At(57, 43), kBlue);
        EXPECT_EQ(s.At(61, 40), clWhite);
    }
    // Printing scales the offset.
    Surface p(120, 60);
    TqvLinkDraw::Draw({40, 20}, {60, 40}, &p.canvas, tlsDefault, tlsfSS, kBlue, 1, 2.0, 2.0);
    EXPECT_EQ(p.At(26, 30), kBlue);
    EXPECT_EQ(p.At(54, 34), kBlue);
}

TEST(LinkDrawUser, DrawsNothingAndKeepsThePenWidth)
{
    Surface s(120, 60);
    s.canvas.Pen.SetWidth(4);
    TqvLinkDraw::Draw({20, 20}, {80, 40}, &s.canvas, tlsUserDraw, tlsfNormal, kBlue, 1);
    EXPECT_EQ(s.Ink(), TRect());
    EXPECT_EQ(s.canvas.Pen.GetWidth(), 4);
    TqvLinkDraw::Draw({20, 20}, {80, 40}, &s.canvas, tlsDefault, tlsfNormal, kBlue, 2);
    EXPECT_EQ(s.canvas.Pen.GetWidth(), 4);
    EXPECT_NE(s.Ink(), TRect());
}
