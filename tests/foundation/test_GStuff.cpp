#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QPainter>
#include <vector>

#include "skedra/foundation/GStuff.h"
#include "skedra/platform/Bitmap.h"
#include "skedra/platform/Canvas.h"
#include "skedra/platform/Controls.h"
#include "skedra/platform/DeviceContext.h"
#include "skedra/platform/ImageList.h"
#include "skedra/platform/Menus.h"

using namespace skedra;

namespace
{

// A white image with a canvas painting on it.
struct Surface {
    QImage image;
    QPainter painter;
    TCanvas canvas;
    Surface(int w, int h) : image(w, h, QImage::Format_RGB32), canvas(nullptr)
    {
        image.fill(Qt::white);
        painter.begin(&image);
        canvas.SetPainter(&painter);
    }
    ~Surface()
    {
        canvas.SetPainter(nullptr);
        painter.end();
    }
    TColor At(int x, int y) const { return FromQColor(image.pixelColor(x, y)); }
};

} // namespace

TEST(GStuffTint, ScalesEachChannelAndRounds)
{
    EXPECT_EQ(GStuff::TintColor(RGB(100, 200, 60), 0.97), RGB(97, 194, 58));
    EXPECT_EQ(GStuff::TintColor(RGB(97, 194, 58), 1.031), RGB(100, 200, 60));
    EXPECT_EQ(GStuff::TintColor(clBlack, 1.031), clBlack);
}

TEST(GStuffTint, ClampsEachChannelInsteadOfCarryingIntoTheNext)
{
    // 250 * 1.031 = 257.75: without clamping the overflow would turn green up by one.
    EXPECT_EQ(GStuff::TintColor(RGB(250, 100, 10), 1.031), RGB(255, 103, 10));
    EXPECT_EQ(GStuff::TintColor(RGB(10, 250, 255), 1.031), RGB(10, 255, 255));
    EXPECT_EQ(GStuff::TintColor(RGB(100, 200, 60), -1.0), clBlack);
}

TEST(GStuffTint, ResolvesSystemColoursFirst)
{
    const TColor face = ColorToRGB(clBtnFace);
    ASSERT_FALSE(IsSystemColor(face));
    const TColor expected = RGB(static_cast<int>(std::nearbyint(GetRValue(face) * 0.97)),
                                static_cast<int>(std::nearbyint(GetGValue(face) * 0.97)),
                                static_cast<int>(std::nearbyint(GetBValue(face) * 0.97)));
    EXPECT_EQ(GStuff::TintColor(clBtnFace, 0.97), expected);
    EXPECT_FALSE(IsSystemColor(GStuff::TintColor(clWindow, 1.0)));
    EXPECT_EQ(GStuff::TintColor(clWindow, 1.0), ColorToRGB(clWindow));
}

TEST(GStuffFillRadiated, SmallRectanglesAreFilledFlat)
{
    Surface s(40, 40);
    GStuff::FillRadiated(&s.canvas, TRect(5, 5, 15, 15), RGB(100, 200, 60));
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            const bool inside = x >= 5 && x < 15 && y >= 5 && y < 15;
            ASSERT_EQ(s.At(x, y), inside ? RGB(100, 200, 60) : clWhite) << x << "," << y;
        }
}

TEST(GStuffFillRadiated, WideRectangleDrawsOneLinePerRowDarkeningThenLightening)
{
    // 100 x 10: step 1, split Round(6.6) = 7: rows 0..7 darken, rows 8..9 lighten.
    Surface s(120, 30);
    const TColor base = RGB(100, 200, 60);
    GStuff::FillRadiated(&s.canvas, TRect(10, 10, 110, 20), base);
    EXPECT_EQ(s.At(10, 10), base);
    EXPECT_EQ(s.At(109, 11), RGB(97, 194, 58));
    EXPECT_EQ(s.At(50, 12), RGB(94, 188, 56));
    TColor c = base;
    for (int y = 0; y < 10; ++y) {
        for (int x = 10; x < 110; ++x)
            ASSERT_EQ(s.At(x, 10 + y), c) << "row " << y;
        c = GStuff::TintColor(c, y <= 7 ? 0.97 : 1.031);
    }
    // The pen is left in the colour after the last line; nothing outside.
    EXPECT_EQ(ColorToRGB(s.canvas.Pen.GetColor()), c);
    for (int x = 0; x < 120; ++x) {
        EXPECT_EQ(s.At(x, 9), clWhite);
        EXPECT_EQ(s.At(x, 20), clWhite);
    }
    EXPECT_EQ(s.At(9, 15), clWhite);
    EXPECT_EQ(s.At(110, 15), clWhite);
}

TEST(GStuffFillRadiated, TallRectangleChangesColourOncePerStep)
{
    // 100 high: step 3, split 66.
    Surface s(30, 110);
    const TColor base = RGB(90, 150, 240);
    GStuff::FillRadiated(&s.canvas, TRect(0, 0, 20, 100), base);
    TColor c = base;
    std::vector<TColor> expected;
    for (int y = 0; y < 100; ++y) {
        expected.push_back(c);
        if (y % 3 == 0) c = GStuff::TintColor(c, y <= 66 ? 0.97 : 1.031);
    }
    for (int y = 0; y < 100; ++y)
        ASSERT_EQ(s.At(7, y), expected[y]) << "row " << y;
    EXPECT_EQ(s.At(1, 1), s.At(1, 2));
    EXPECT_EQ(s.At(1, 2), s.At(1, 3));
    EXPECT_NE(s.At(1, 3), s.At(1, 4));
    EXPECT_EQ(s.At(7, 100), clWhite);
    EXPECT_EQ(s.At(20, 50), clWhite);
}

TEST(GStuffFillRadiated, OnePixelHighStripStaysInside)
{
    Surface s(60, 10);
    GStuff::FillRadiated(&s.canvas, TRect(0, 3, 50, 4), RGB(10, 20, 30));
    EXPECT_EQ(s.At(0, 3), RGB(10, 20, 30));
    EXPECT_EQ(s.At(0, 4), clWhite);
    EXPECT_EQ(s.At(0, 2), clWhite);
}

TEST(GStuffDrawing, SelectionHandlesAreBlackCornerSquaresInside)
{
    Surface s(60, 60);
    s.canvas.Brush.SetColor(clRed);
    GStuff::DoSelectContent(&s.canvas, TRect(10, 10, 50, 40));
    for (TPoint p : {TPoint(10, 10), TPoint(14, 14), TPoint(45, 10), TPoint(49, 14), TPoint(10, 35),
                     TPoint(14, 39), TPoint(45, 35), TPoint(49, 39)})
        EXPECT_EQ(s.At(p.X, p.Y), clBlack) << p.X << "," << p.Y;
    for (TPoint p : {TPoint(15, 10), TPoint(10, 15), TPoint(44, 14), TPoint(50, 10), TPoint(49, 40),
                     TPoint(30, 25), TPoint(9, 9)})
        EXPECT_EQ(s.At(p.X, p.Y), clWhite) << p.X << "," << p.Y;
    EXPECT_EQ(s.canvas.Brush.GetColor(), clRed);
}

TEST(GStuffDrawing, BevelRectRaisedAndSunken)
{
    const TColor light = ColorToRGB(clBtnHighlight), dark = ColorToRGB(clBtnShadow);
    ASSERT_NE(light, dark);
    for (bool raised : {true, false}) {
        Surface s(40, 40);
        s.canvas.Pen.SetColor(clRed);
        GStuff::BevelRect(&s.canvas, TRect(5, 5, 25, 20), raised);
        const TColor first = raised ? light : dark, second = raised ? dark : light;
        EXPECT_EQ(s.At(5, 5), first);
        EXPECT_EQ(s.At(5, 19), first);  // left edge down to the bottom-left corner
        EXPECT_EQ(s.At(23, 5), first);  // top edge
        EXPECT_EQ(s.At(24, 5), second); // right edge from the top-right corner
        EXPECT_EQ(s.At(24, 19), second);
        EXPECT_EQ(s.At(6, 19), second); // bottom edge
        EXPECT_EQ(s.At(15, 12), clWhite);
        EXPECT_EQ(s.At(25, 12), clWhite);
        EXPECT_EQ(s.At(15, 20), clWhite);
        EXPECT_EQ(s.canvas.Pen.GetColor(), clRed);
    }
}

TEST(GStuffDrawing, RectangleHelpers)
{
    EXPECT_TRUE(GStuff::BigEnough(TRect(0, 0, 20, 10), 20, 10));
    EXPECT_FALSE(GStuff::BigEnough(TRect(0, 0, 19, 10), 20, 10));
    EXPECT_FALSE(GStuff::BigEnough(TRect(0, 0, 20, 9), 20, 10));
    EXPECT_EQ(GStuff::Fixrect(TRect(10, 20, 30, 40), 1, -2, 3, -4), TRect(11, 18, 33, 36));
}

TEST(GStuffDrawing, RotateFontKeepsFaceAndHeight)
{
    TFont font;
    font.SetName("DejaVu Sans");
    font.SetSize(12);
    font.SetStyle({fsBold, fsItalic});
    const int height = font.GetHeight();
    GStuff::RotateFont(&font, 90);
    EXPECT_EQ(font.GetEscapement(), 900);
    EXPECT_EQ(font.GetName(), "DejaVu Sans");
    EXPECT_EQ(font.GetHeight(), height);
    EXPECT_TRUE(font.GetStyle().Empty());
}

TEST(GStuffPlatform, PatternBrushesAreAvailable)
{
    EXPECT_TRUE(IsWinnt());
}

TEST(GStuffPrint, BitmapIsStretchedOntoTheRectangleWithAPlainCopy)
{
    TBitmap bitmap(2, 2);
    bitmap.GetCanvas()->SetPixel(0, 0, clRed);
    bitmap.GetCanvas()->SetPixel(1, 0, clLime);
    bitmap.GetCanvas()->SetPixel(0, 1, clBlue);
    bitmap.GetCanvas()->SetPixel(1, 1, clBlack);
    Surface s(40, 40);
    s.canvas.CopyMode = cmSrcInvert;
    PrintBitmap(&s.canvas, TRect(10, 10, 30, 30), &bitmap);
    EXPECT_EQ(s.At(10, 10), clRed);
    EXPECT_EQ(s.At(19, 19), clRed);
    EXPECT_EQ(s.At(29, 10), clLime);
    EXPECT_EQ(s.At(10, 29), clBlue);
    EXPECT_EQ(s.At(29, 29), clBlack);
    EXPECT_EQ(s.At(30, 30), clWhite);
    EXPECT_EQ(s.At(9, 9), clWhite);
    EXPECT_EQ(s.canvas.CopyMode, cmSrcInvert);
    PrintBitmap(&s.canvas, TRect(0, 0, 5, 5), nullptr); // nothing to print: nothing happens
    EXPECT_EQ(s.At(0, 0), clWhite);
}

TEST(GStuffPrint, PrintsAtTheDeviceContextsOrigin)
{
    QImage page(100, 100, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        TDeviceContext dc(&page);
        dc.SetViewportOrg(50, 40);
        TCanvas canvas(dc.Painter());
        TBitmap bitmap(1, 1);
        bitmap.GetCanvas()->SetPixel(0, 0, clGreen);
        PrintBitmap(&canvas, TRect(0, 0, 10, 10), &bitmap);
        canvas.SetPainter(nullptr);
    }
    EXPECT_EQ(FromQColor(page.pixelColor(50, 40)), clGreen);
    EXPECT_EQ(FromQColor(page.pixelColor(59, 49)), clGreen);
    EXPECT_EQ(FromQColor(page.pixelColor(49, 40)), clWhite);
    EXPECT_EQ(FromQColor(page.pixelColor(60, 50)), clWhite);
}

TEST(GStuffPrint, ImageListImageIsPrintedStretched)
{
    TImageList images(4, 4);
    QImage red(4, 4, QImage::Format_RGB32);
    red.fill(Qt::red);
    QImage blue(4, 4, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    images.AddImage(red);
    images.AddImage(blue);
    Surface s(40, 40);
    PrintBitmap_ImageList(&s.canvas, TRect(0, 0, 16, 8), &images, 1);
    EXPECT_EQ(s.At(0, 0), clBlue);
    EXPECT_EQ(s.At(15, 7), clBlue);
    EXPECT_EQ(s.At(16, 8), clWhite);
    PrintBitmap_ImageList(&s.canvas, TRect(20, 20, 30, 30), &images, 5); // no such image
    EXPECT_EQ(s.At(25, 25), clWhite);
}

namespace
{

// Runs once the option menu is open: acts on it with real input.
void WhenMenuOpens(std::function<void(QMenu*)> anAction)
{
    QTimer::singleShot(0, [anAction] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr) << "the option menu is not open";
        anAction(menu);
    });
}

// Lets the menu really run (the test main closes every menu at once).
struct RealMenus {
    TPopupHandler previous = TPopupMenu::SetPopupHandler({});
    ~RealMenus() { TPopupMenu::SetPopupHandler(previous); }
};

QAction* ActionNamed(QMenu* aMenu, const QString& aText)
{
    for (QAction* a : aMenu->actions())
        if (a->text() == aText) return a;
    return nullptr;
}

} // namespace

TEST(GStuffOptionMenu, MenuHoldsTheOptionsAndACancelItem)
{
    TPopupMenu menu;
    int clicks = 0;
    GStuff::CreateMenuOptions(
        &menu, {"One", "Two", "Three"}, [&](TObject*) { ++clicks; }, 1, true);
    ASSERT_EQ(menu.GetItems()->Count(), 5);
    EXPECT_EQ(menu.Items(0)->GetCaption(), "One");
    EXPECT_EQ(menu.Items(2)->GetCaption(), "Three");
    EXPECT_TRUE(menu.Items(1)->GetDefault());
    EXPECT_FALSE(menu.Items(0)->GetDefault());
    EXPECT_TRUE(menu.Items(3)->IsLine());
    EXPECT_EQ(menu.Items(4)->GetCaption(), "Avbryt");
    EXPECT_TRUE(menu.Items(2)->OnClick.Assigned());
    EXPECT_FALSE(menu.Items(4)->OnClick.Assigned());

    TPopupMenu plain;
    GStuff::CreateMenuOptions(&plain, {"A", "B"}, {}, -1, false);
    EXPECT_EQ(plain.GetItems()->Count(), 2);
}

TEST(GStuffOptionMenu, ClosedWithoutAPickAnswersMinusOne)
{
    RealMenus realMenus;
    TPanel owner;
    owner.SetBounds(50, 50, 200, 100);
    owner.show();
    WhenMenuOpens([](QMenu* menu) { QTest::keyClick(menu, Qt::Key_Escape); });
    EXPECT_EQ(GStuff::UserOption(&owner, 10, 10, {"Copy", "Move"}, 0), -1);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST(GStuffOptionMenu, ClickedOptionAnswersItsIndexAndCancelAnswersMinusOne)
{
    RealMenus realMenus;
    TPanel owner;
    owner.SetBounds(50, 50, 200, 100);
    owner.show();
    WhenMenuOpens([](QMenu* menu) {
        QAction* move = ActionNamed(menu, "Move");
        ASSERT_NE(move, nullptr);
        QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(move).center());
    });
    EXPECT_EQ(GStuff::UserOption(&owner, 10, 10, {"Copy", "Move", "Link"}, 0), 1);

    WhenMenuOpens([](QMenu* menu) {
        QAction* cancel = ActionNamed(menu, "Avbryt");
        ASSERT_NE(cancel, nullptr);
        QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(cancel).center());
    });
    EXPECT_EQ(GStuff::UserOptionStrings(&owner, 10, 10, {"Copy", "Move", "Link"}, 0), -1);

    // The keyboard works too: the first option by Down and Return.
    WhenMenuOpens([](QMenu* menu) {
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    EXPECT_EQ(GStuff::UserOption(&owner, 10, 10, {"Copy", "Move"}, 1), 0);
}
