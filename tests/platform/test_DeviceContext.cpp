#include <gtest/gtest.h>

#include <QImage>
#include <QPdfWriter>
#include <QTemporaryDir>

#include "skedra/platform/Bitmap.h"
#include "skedra/platform/DeviceContext.h"
#include "skedra/platform/Exceptions.h"
#include "skedra/platform/ImageList.h"
#include "tests/common/PdfText.h"

using namespace skedra;

namespace
{

TColor At(const QImage& img, int x, int y)
{
    return FromQColor(QColor::fromRgb(img.pixel(x, y)));
}

int Count(const QImage& img, TColor c)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (At(img, x, y) == c) ++n;
    return n;
}

} // namespace

TEST(DeviceContext, OriginMovesDrawingAndClipStaysInDevicePixels)
{
    QImage img(200, 100, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        TDeviceContext dc(&img);
        TCanvas c(dc.Painter());
        EXPECT_EQ(dc.SetViewportOrg(100, 50), Point(0, 0));
        EXPECT_EQ(dc.GetViewportOrg(), Point(100, 50));
        c.Brush.SetColor(clRed);
        c.FillRect(Rect(0, 0, 10, 10));
        // The canvas reports its clip in its own (logical) coordinates.
        EXPECT_EQ(c.GetClipRect(), Rect(-100, -50, 100, 50));

        TRect clip;
        EXPECT_FALSE(dc.GetClipRect(clip));
        EXPECT_EQ(clip, Rect(0, 0, 200, 100));
        dc.SelectClipRect(Rect(150, 60, 170, 70));
        EXPECT_TRUE(dc.GetClipRect(clip));
        EXPECT_EQ(clip, Rect(150, 60, 170, 70));
        // Moving the origin does not move the clip.
        EXPECT_EQ(dc.OffsetViewportOrg(-100, -50), Point(100, 50));
        EXPECT_TRUE(dc.GetClipRect(clip));
        EXPECT_EQ(clip, Rect(150, 60, 170, 70));
        EXPECT_EQ(c.GetClipRect(), Rect(150, 60, 170, 70));

        const TClipState saved = dc.SaveClip();
        dc.IntersectClipRect(Rect(160, 0, 200, 100));
        EXPECT_TRUE(dc.GetClipRect(clip));
        EXPECT_EQ(clip, Rect(160, 60, 170, 70));
        c.Brush.SetColor(clBlue);
        c.FillRect(Rect(0, 0, 200, 100));
        dc.RestoreClip(saved);
        EXPECT_TRUE(dc.GetClipRect(clip));
        EXPECT_EQ(clip, Rect(150, 60, 170, 70));
        dc.RestoreClip(TClipState());
        EXPECT_FALSE(dc.GetClipRect(clip));
        EXPECT_FALSE(dc.NewPage());
    }
    EXPECT_EQ(Count(img, clRed), 100);
    EXPECT_EQ(At(img, 100, 50), clRed);
    EXPECT_EQ(At(img, 109, 59), clRed);
    EXPECT_EQ(Count(img, clBlue), 100);
    EXPECT_EQ(At(img, 160, 60), clBlue);
    EXPECT_EQ(At(img, 159, 60), clWhite);
}

TEST(DeviceContext, StretchedBitmapBitsLandOnTheTargetRectangle)
{
    TBitmap bmp(2, 2);
    TCanvas* bc = bmp.GetCanvas();
    bc->SetPixel(0, 0, clRed);
    bc->SetPixel(1, 1, clBlue);
    QImage img(100, 100, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        TDeviceContext dc(&img);
        dc.SetViewportOrg(10, 20);
        StretchDIBits(&dc, Rect(0, 0, 20, 20), &bmp);
    }
    EXPECT_EQ(Count(img, clRed), 100);
    EXPECT_EQ(Count(img, clBlue), 100);
    EXPECT_EQ(At(img, 10, 20), clRed);
    EXPECT_EQ(At(img, 19, 29), clRed);
    EXPECT_EQ(At(img, 20, 30), clBlue);
    EXPECT_EQ(At(img, 29, 39), clBlue);
    EXPECT_EQ(At(img, 30, 40), clWhite);
}

TEST(DeviceContext, PdfPagesAndBadDevices)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("out.pdf"));
    {
        QPdfWriter pdf(file);
        TDeviceContext dc(&pdf);
        TCanvas c(dc.Painter());
        c.Brush.SetColor(clRed);
        c.FillRect(Rect(0, 0, 100, 100));
        // Inverting drawing means nothing on paper and must not fail.
        c.DrawFocusRect(Rect(0, 0, 50, 50));
        c.Pen.SetMode(pmNot);
        c.Rectangle(0, 0, 20, 20);
        EXPECT_TRUE(dc.NewPage());
        c.TextOut(10, 10, QStringLiteral("Page 2"));
        EXPECT_GT(dc.GetLogPixelsX(), 96);
    }
    // Two pages; the text on the second, at its place from the printable area's corner.
    QString error;
    const std::vector<test::PdfPage> pages = test::ReadPdf(file, &error);
    ASSERT_EQ(pages.size(), 2u) << error.toStdString();
    EXPECT_TRUE(pages[0].Words.empty());
    EXPECT_EQ(pages[1].Texts(), (QStringList{"Page", "2"}));
    const test::PdfWord* word = pages[1].Find(QStringLiteral("Page"));
    ASSERT_NE(word, nullptr);
    QPdfWriter probe(dir.filePath(QStringLiteral("probe.pdf")));
    const QRectF paper = probe.pageLayout().paintRectPoints();
    const double pointsPerPixel = 72.0 / probe.resolution();
    EXPECT_NEAR(word->Left, paper.left() + 10 * pointsPerPixel, 2);
    EXPECT_NEAR(word->Top, paper.top() + 10 * pointsPerPixel, 3);

    EXPECT_THROW(TDeviceContext(static_cast<QPaintDevice*>(nullptr)), Exception);
    QImage null;
    EXPECT_THROW({ TDeviceContext dc(&null); }, Exception);
}

TEST(ImageList, AddDrawAndGetBitmap)
{
    TImageList list(4, 4);
    // A strip of two images: red with a white (masked) corner, and blue.
    TBitmap strip(8, 4);
    TCanvas* sc = strip.GetCanvas();
    sc->Brush.SetColor(clRed);
    sc->FillRect(Rect(0, 0, 4, 4));
    sc->Brush.SetColor(clBlue);
    sc->FillRect(Rect(4, 0, 8, 4));
    sc->SetPixel(0, 0, clFuchsia);
    int changes = 0;
    list.OnChange = [&](TObject*) { ++changes; };
    EXPECT_EQ(list.AddMasked(&strip, clFuchsia), 0);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(changes, 1);

    TBitmap target(20, 10);
    TCanvas* tc = target.GetCanvas();
    tc->Brush.SetColor(clLime);
    tc->FillRect(Rect(0, 0, 20, 10));
    list.Draw(tc, 2, 3, 0);
    list.Draw(tc, 10, 3, 1);
    list.Draw(tc, 15, 3, 7); // out of range: nothing
    const QImage& img = target.Image();
    EXPECT_EQ(At(img, 2, 3), clLime); // transparent corner
    EXPECT_EQ(At(img, 3, 3), clRed);
    EXPECT_EQ(At(img, 5, 6), clRed);
    EXPECT_EQ(At(img, 6, 6), clLime);
    EXPECT_EQ(At(img, 10, 3), clBlue);
    EXPECT_EQ(Count(img, clRed) + Count(img, clBlue), 15 + 16);

    TBitmap one;
    EXPECT_TRUE(list.GetBitmap(1, &one));
    EXPECT_EQ(one.GetWidth(), 4);
    EXPECT_EQ(At(one.Image(), 3, 3), clBlue);
    EXPECT_FALSE(list.GetBitmap(2, &one));
    EXPECT_FALSE(list.GetBitmap(-1, &one));

    // A mask bitmap: white is transparent.
    TBitmap mask(4, 4);
    mask.GetCanvas()->Brush.SetColor(clBlack);
    mask.GetCanvas()->FillRect(Rect(0, 0, 4, 4));
    mask.GetCanvas()->SetPixel(3, 3, clWhite);
    TBitmap img3(4, 4);
    img3.GetCanvas()->Brush.SetColor(clNavy);
    img3.GetCanvas()->FillRect(Rect(0, 0, 4, 4));
    EXPECT_EQ(list.Add(&img3, &mask), 2);
    EXPECT_EQ(qAlpha(list.GetImage(2).pixel(3, 3)), 0);
    EXPECT_EQ(qAlpha(list.GetImage(2).pixel(2, 3)), 255);
    list.Delete(0);
    EXPECT_EQ(list.Count(), 2);
    list.SetSize(8, 8);
    EXPECT_EQ(list.Count(), 0);
}
