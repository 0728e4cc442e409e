#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <cmath>
#include <functional>
#include <vector>

#include "skedra/foundation/qvOffscreenPaint.h"
#include "skedra/platform/Messages.h"
#include "tests/common/PdfText.h"

using namespace skedra;

namespace
{

// Draws a fixed picture in screen pixels times the print scale.
class TTestArea : public TqvOffscreenPaint
{
public:
    using TqvOffscreenPaint::TqvOffscreenPaint;

    int paints = 0;
    bool fillAll = false;
    bool raise = false;
    std::function<void()> duringPaint;
    std::vector<TScrollDirection> scrolls;
    std::vector<Word> keys;

    bool Wants(Word k) { return WantSpecialKey(k); }
    // A partial paint found more changed before it drew anything.
    bool widenFirst = false;

    void OffscreenPaint() override
    {
        ++paints;
        if (widenFirst && GetPartialPaintRunning()) WidenPaintToClient();
        TCanvas* c = GetOffscreenCanvas();
        const double sx = GetScalex();
        const double sy = GetScaley();
        auto S = [&](int l, int t, int r, int b) {
            return Rect(int(std::lround(l * sx)), int(std::lround(t * sy)), int(std::lround(r * sx)),
                        int(std::lround(b * sy)));
        };
        c->Brush.SetStyle(bsSolid);
        c->Brush.SetColor(fillAll ? clRed : clWhite);
        c->FillRect(GetClientRect());
        if (!fillAll) {
            c->Brush.SetColor(clRed);
            c->FillRect(S(10, 10, 50, 30));
            c->Brush.SetColor(clBlue);
            c->FillRect(S(0, 0, 5, 5));
            c->Brush.SetColor(clYellow);
            c->FillRect(S(60, 40, 200, 200)); // beyond the control: clipped
            c->Brush.SetColor(clGreen);
            c->FillRect(S(-20, 55, 3, 58));
        }
        if (duringPaint) duringPaint();
        if (raise) throw Exception(QStringLiteral("drawing failed"));
    }
    void PossibleScroll(TScrollDirection d) override { scrolls.push_back(d); }

protected:
    void KeyDown(Word& Key, TShiftState Shift) override
    {
        keys.push_back(Key);
        TqvOffscreenPaint::KeyDown(Key, Shift);
    }
};

TColor At(const QImage& img, int x, int y)
{
    return FromQColor(QColor::fromRgb(img.pixel(x, y)));
}

QImage Screen(TqvOffscreenPaint& area)
{
    return area.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

struct Fixture : ::testing::Test {
    QWidget form;
    TTestArea* area = nullptr;
    std::vector<QString> messages;
    TMessageSink previous;
    void SetUp() override
    {
        previous = SetMessageSink([this](const QString& t) { messages.push_back(t); });
        form.resize(200, 150);
        area = new TTestArea(&form);
        area->SetBounds(0, 0, 80, 60);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        QApplication::processEvents();
    }
    void TearDown() override { SetMessageSink(previous); }
};

} // namespace

TEST_F(Fixture, InvalidationsBetweenTwoPaintsCostOne)
{
    const int paints = area->paints;
    const int before = area->GetWindowInvalidateCount();
    for (int i = 0; i < 10; ++i)
        area->Invalidate();
    EXPECT_EQ(area->GetWindowInvalidateCount(), before + 1);
    EXPECT_EQ(area->GetInvalidateCount(), 10);
    QApplication::processEvents();
    EXPECT_EQ(area->paints, paints + 1);
    EXPECT_EQ(area->GetInvalidateCount(), 0);
    area->Invalidate();
    EXPECT_EQ(area->GetWindowInvalidateCount(), before + 2);
    QApplication::processEvents();
    EXPECT_EQ(area->paints, paints + 2);
}

TEST_F(Fixture, PartialInvalidationsRedrawTheirPartAndKeepTheRest)
{
    std::vector<TRect> parts;
    area->duringPaint = [&] { parts.push_back(area->GetPaintRect()); };
    // From now on a paint turns everything it reaches red.
    area->fillAll = true;
    const int paints = area->paints;
    area->InvalidateRect(TRect(0, 20, 80, 40));
    area->InvalidateRect(TRect(70, 30, 200, 45)); // beyond the control: cut
    QApplication::processEvents();
    EXPECT_EQ(area->paints, paints + 1);
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0], TRect(0, 20, 80, 45));
    QImage s = Screen(*area);
    EXPECT_EQ(At(s, 60, 25), clRed);
    EXPECT_EQ(At(s, 0, 44), clRed);
    EXPECT_EQ(At(s, 0, 0), clBlue);     // above the part: the old picture
    EXPECT_EQ(At(s, 79, 59), clYellow); // below it too
    EXPECT_EQ(At(s, 0, 46), clWhite);

    // A whole invalidation makes the next paint whole, partial ones or not.
    area->InvalidateRect(TRect(0, 0, 5, 5));
    area->Invalidate();
    area->InvalidateRect(TRect(0, 50, 5, 55));
    QApplication::processEvents();
    EXPECT_EQ(parts.back(), TRect(0, 0, 80, 60));
    s = Screen(*area);
    EXPECT_EQ(At(s, 79, 59), clRed);

    // A drawing that finds more changed widens its paint to the whole client.
    area->fillAll = false;
    area->widenFirst = true;
    area->InvalidateRect(TRect(0, 0, 80, 2));
    QApplication::processEvents();
    area->widenFirst = false;
    EXPECT_EQ(parts.back(), TRect(0, 0, 80, 60));
    s = Screen(*area);
    EXPECT_EQ(At(s, 79, 59), clYellow);
    EXPECT_EQ(At(s, 0, 45), clWhite);

    // A new size paints whole; nothing owed, nothing painted.
    area->InvalidateRect(TRect(0, 0, 10, 10));
    area->SetBounds(0, 0, 90, 60);
    QApplication::processEvents();
    EXPECT_EQ(parts.back(), TRect(0, 0, 90, 60));
    const int p = area->paints;
    EXPECT_FALSE(area->PaintOwed());
    EXPECT_EQ(area->paints, p);
    area->InvalidateRect(TRect(0, 0, 10, 10));
    EXPECT_TRUE(area->PaintOwed());
    EXPECT_EQ(area->paints, p + 1);
    EXPECT_EQ(parts.back(), TRect(0, 0, 10, 10));
}

TEST_F(Fixture, RepaintInsideAnUpdateBracketDoesNothing)
{
    const int paints = area->paints;
    area->Repaint();
    EXPECT_EQ(area->paints, paints + 1);
    area->BeginUpdate();
    area->BeginUpdate();
    area->Repaint();
    EXPECT_EQ(area->paints, paints + 1);
    const int invalidations = area->GetWindowInvalidateCount();
    area->EndUpdate();
    area->Repaint();
    EXPECT_EQ(area->paints, paints + 1);
    area->EndUpdate();
    EXPECT_EQ(area->GetWindowInvalidateCount(), invalidations + 1);
    QApplication::processEvents();
    EXPECT_EQ(area->paints, paints + 2);
    // An unmatched EndUpdate does not disable the next bracket.
    area->EndUpdate();
    QApplication::processEvents();
    area->BeginUpdate();
    const int p = area->paints;
    area->Repaint();
    EXPECT_EQ(area->paints, p);
    area->EndUpdate();
}

TEST_F(Fixture, ScreenShowsTheOffscreenPicture)
{
    const QImage s = Screen(*area);
    ASSERT_EQ(s.size(), QSize(80, 60));
    EXPECT_EQ(At(s, 0, 0), clBlue);
    EXPECT_EQ(At(s, 10, 10), clRed);
    EXPECT_EQ(At(s, 49, 29), clRed);
    EXPECT_EQ(At(s, 50, 29), clWhite);
    EXPECT_EQ(At(s, 79, 59), clYellow);
    EXPECT_EQ(At(s, 0, 56), clGreen);
}

TEST_F(Fixture, InvertingOutlinesOnTheWindowVanishWhenDrawnTwiceOrRepainted)
{
    const QImage clean = Screen(*area);
    auto outline = [&] {
        TCanvas* c = area->GetDirectCanvas();
        c->DrawFocusRect(Rect(5, 5, 70, 50));
        c->Pen.SetMode(pmNot);
        c->Pen.SetStyle(psDot);
        c->Brush.SetStyle(bsClear);
        c->Rectangle(2, 8, 60, 40);
        c->Pen.SetMode(pmCopy);
        c->Pen.SetStyle(psSolid);
    };
    const int paints = area->paints;
    outline();
    QApplication::processEvents();
    const QImage marked = Screen(*area);
    EXPECT_NE(marked, clean);
    EXPECT_NE(At(marked, 2, 8), At(clean, 2, 8));
    outline();
    QApplication::processEvents();
    EXPECT_EQ(Screen(*area), clean);
    EXPECT_EQ(area->paints, paints); // direct drawing never runs the drawing routine

    outline();
    area->Invalidate();
    QApplication::processEvents();
    EXPECT_EQ(area->paints, paints + 1);
    EXPECT_EQ(Screen(*area), clean);
}

TEST_F(Fixture, TheWindowShowsEachPaintAndWhatIsDrawnOntoItBetweenPaints)
{
    auto bitmap = [&] { return area->GetOffscreenBitmap()->Image().convertToFormat(QImage::Format_RGB32); };
    area->Repaint();
    EXPECT_EQ(Screen(*area), bitmap());
    EXPECT_EQ(area->GetWindowSurface()->Image(), area->GetOffscreenBitmap()->Image());
    // Drawn onto the window: on top of the last paint's picture, not in the bitmap.
    area->GetDirectCanvas()->InvertRect(Rect(0, 0, 20, 20));
    QApplication::processEvents();
    const QImage marked = Screen(*area);
    EXPECT_EQ(At(marked, 12, 12), ColorToRGB(clRed) ^ 0xFFFFFF);
    EXPECT_EQ(At(bitmap(), 12, 12), clRed);
    // The next paint replaces it, for the window and its surface alike.
    area->Repaint();
    EXPECT_EQ(Screen(*area), bitmap());
    EXPECT_EQ(area->GetWindowSurface()->Image(), area->GetOffscreenBitmap()->Image());
    area->GetDirectCanvas()->InvertRect(Rect(0, 0, 20, 20));
    QApplication::processEvents();
    EXPECT_EQ(Screen(*area), marked);
}

TEST_F(Fixture, ReservedStripsAndTheButtonFaceCorner)
{
    area->fillAll = true;
    area->SetReservedRightStrip(17);
    area->SetReservedBottomStrip(17);
    area->Repaint();
    const QImage& surface = area->GetWindowSurface()->Image();
    EXPECT_EQ(At(surface, 80 - 18, 60 - 18), clRed);
    EXPECT_EQ(At(surface, 80 - 17, 60 - 17), ColorToRGB(clBtnFace));
    EXPECT_EQ(At(surface, 79, 59), ColorToRGB(clBtnFace));
    // The strips themselves are not covered by the bitmap.
    EXPECT_NE(At(surface, 70, 20), clRed);
    EXPECT_NE(At(surface, 20, 50), clRed);
    EXPECT_EQ(At(surface, 62, 20), clRed);
    // The window canvas keeps its brush colour.
    EXPECT_EQ(area->GetDirectCanvas()->Brush.GetColor(), clWhite);

    TTestArea only(&form);
    only.fillAll = true;
    only.SetBounds(90, 0, 80, 60);
    only.SetReservedRightStrip(17);
    only.show();
    only.Repaint();
    const QImage& s2 = only.GetWindowSurface()->Image();
    EXPECT_EQ(At(s2, 62, 59), clRed);
    EXPECT_NE(At(s2, 79, 59), ColorToRGB(clBtnFace));
}

TEST_F(Fixture, PrintDrawsTheScreenPictureScaledOffsetAndClipped)
{
    const QImage screen = Screen(*area);
    QImage page(400, 300, QImage::Format_RGB32);
    page.fill(Qt::gray);
    {
        TDeviceContext dc(&page);
        dc.SetViewportOrg(7, 8);
        EXPECT_EQ(area->GetPrintScalex(), 1.0);
        area->Print(&dc, 100, 50, 2.0, 2.0, true);
        EXPECT_EQ(dc.GetViewportOrg(), Point(7, 8));
        TRect clip;
        EXPECT_FALSE(dc.GetClipRect(clip));
    }
    int mismatches = 0;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x) {
            const bool inside = x >= 100 && x < 260 && y >= 50 && y < 170;
            const TColor expected = inside ? At(screen, (x - 100) / 2, (y - 50) / 2) : ColorToRGB(clGray) | 0;
            const QColor got = QColor::fromRgb(page.pixel(x, y));
            const bool ok = inside ? At(page, x, y) == expected : got == QColor(Qt::gray);
            if (!ok) ++mismatches;
        }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(area->GetWidth(), 80);
    EXPECT_EQ(area->GetHeight(), 60);
    EXPECT_FALSE(area->GetIsPrinting());
    EXPECT_FALSE(area->GetAssignedPrintingCanvas());
    EXPECT_EQ(area->GetPrintScalex(), 2.0);
    EXPECT_EQ(area->GetScalex(), 1.0);
    EXPECT_EQ(area->GetPrintOrigin(), Point(100, 50));

    // Without scaling the size, the clip is the control's own size.
    page.fill(Qt::gray);
    {
        TDeviceContext dc(&page);
        area->Print(&dc, 10, 10, 2.0, 2.0, false);
    }
    EXPECT_EQ(At(page, 10, 10), clBlue);
    EXPECT_EQ(At(page, 89, 69), clRed); // scaled picture, unscaled clip
    EXPECT_EQ(QColor::fromRgb(page.pixel(90, 69)), QColor(Qt::gray));
}

TEST_F(Fixture, AnExceptionWhilePrintingRestoresEverything)
{
    QImage page(300, 200, QImage::Format_RGB32);
    page.fill(Qt::gray);
    TDeviceContext dc(&page);
    dc.SetViewportOrg(3, 4);
    dc.SelectClipRect(Rect(0, 0, 250, 150));
    area->raise = true;
    int resized = 0;
    area->OnResize = [&](TObject*) { ++resized; };
    EXPECT_THROW(area->Print(&dc, 100, 50, 2.0, 2.0, true), Exception);
    EXPECT_EQ(dc.GetViewportOrg(), Point(3, 4));
    TRect clip;
    EXPECT_TRUE(dc.GetClipRect(clip));
    EXPECT_EQ(clip, Rect(0, 0, 250, 150));
    EXPECT_EQ(area->GetWidth(), 80);
    EXPECT_EQ(area->GetClientRect(), Rect(0, 0, 80, 60));
    EXPECT_EQ(area->width(), 80);
    EXPECT_FALSE(area->GetIsPrinting());
    EXPECT_FALSE(area->GetAssignedPrintingCanvas());
    EXPECT_EQ(resized, 0);
    // The screen still paints afterwards.
    area->raise = false;
    const int paints = area->paints;
    QApplication::processEvents();
    EXPECT_EQ(area->paints, paints + 1);
    EXPECT_THROW(area->Print(nullptr, 0, 0, 1, 1, false), Exception);
    EXPECT_THROW(area->Print(&dc, 0, 0, 0, 1, false), Exception);
    EXPECT_FALSE(area->GetIsPrinting());
}

TEST_F(Fixture, APaintDuringPrintingDoesNotBlockLaterInvalidations)
{
    QImage page(200, 200, QImage::Format_RGB32);
    TDeviceContext dc(&page);
    bool printingPaintSeen = false;
    area->duringPaint = [&] {
        if (!area->GetIsPrinting()) return;
        area->duringPaint = nullptr;
        area->Invalidate();
        const int before = area->paints;
        area->repaint(); // the platform paints while the print runs
        printingPaintSeen = area->paints == before;
    };
    area->Print(&dc, 0, 0, 1, 1, false);
    EXPECT_TRUE(printingPaintSeen);
    // The end of printing asked for a paint.
    const int paints = area->paints;
    QApplication::processEvents();
    EXPECT_EQ(area->paints, paints + 1);
    // And invalidations reach the window again.
    const int windowInvalidations = area->GetWindowInvalidateCount();
    area->Invalidate();
    EXPECT_EQ(area->GetWindowInvalidateCount(), windowInvalidations + 1);
    QApplication::processEvents();
    EXPECT_EQ(area->paints, paints + 2);
}

TEST_F(Fixture, PrintResizeFontAndFontScale)
{
    QImage page(200, 200, QImage::Format_RGB32);
    TDeviceContext dc(&page);
    int defaultSize = 0;
    int chosenSize = 0;
    double fontScale = 0;
    bool handler = false;
    area->OnPrintResizeFont = [&](TqvOffscreenPaint* caller, int& size, bool& defaultResize) {
        EXPECT_EQ(caller, area);
        if (handler) {
            size = 11;
            defaultResize = false;
        }
    };
    area->duringPaint = [&] {
        if (!area->GetIsPrinting()) return;
        TCanvas* c = area->GetOffscreenCanvas();
        fontScale = area->GetFontScaleValue();
        c->Font.SetSize(9);
        area->PrintResizeFont();
        (handler ? chosenSize : defaultSize) = c->Font.GetSize();
    };
    area->Print(&dc, 0, 0, 2.0, 3.0, false);
    TCanvas probe;
    EXPECT_DOUBLE_EQ(fontScale, TqvOffscreenPaint::GetFontScale(&probe));
    EXPECT_EQ(probe.Font.GetSize(), 8);
    EXPECT_EQ(defaultSize, int(std::nearbyint(3.0 * 9 * fontScale)));
    handler = true;
    area->Print(&dc, 0, 0, 2.0, 3.0, false);
    EXPECT_EQ(chosenSize, 11);
    // Outside printing it changes nothing.
    TCanvas* c = area->GetOffscreenCanvas();
    c->Font.SetSize(9);
    area->PrintResizeFont();
    EXPECT_EQ(c->Font.GetSize(), 9);
}

TEST_F(Fixture, SetSizeDontTellChangesOnlyWhatDrawingReads)
{
    int resized = 0;
    area->OnResize = [&](TObject*) { ++resized; };
    area->SetSizeDontTell(Rect(0, 0, 300, 200));
    EXPECT_EQ(area->GetWidth(), 300);
    EXPECT_EQ(area->GetClientHeight(), 200);
    EXPECT_EQ(area->width(), 80);
    EXPECT_EQ(resized, 0);
    area->SetBounds(0, 0, 90, 70);
    EXPECT_EQ(resized, 1);
    EXPECT_EQ(area->GetWidth(), 90);
    EXPECT_EQ(area->GetClientHeight(), 70);
}

TEST_F(Fixture, DraggingNearAnEdgeAsksToScroll)
{
    area->SetReservedBottomStrip(10);
    area->SetReservedRightStrip(10);
    bool accept = false;
    area->DragOver(nullptr, 40, 3, dsDragMove, accept);
    area->DragOver(nullptr, 40, 30, dsDragMove, accept);
    area->DragOver(nullptr, 40, 60 - 10 - 4, dsDragMove, accept);
    area->DragOver(nullptr, 2, 30, dsDragMove, accept);
    area->DragOver(nullptr, 80 - 10 - 4, 30, dsDragMove, accept);
    area->DragOver(nullptr, 80 - 10 - 5, 60 - 10 - 5, dsDragMove, accept);
    EXPECT_EQ(area->scrolls, (std::vector<TScrollDirection>{tsdUp, tsdDown, tsdLeft, tsdRight}));
    // The toolkit's drag-over still runs.
    int overs = 0;
    area->OnDragOver = [&](TObject*, TObject*, int, int, TDragState, bool& a) {
        ++overs;
        a = true;
    };
    area->DragOver(nullptr, 40, 3, dsDragMove, accept);
    EXPECT_EQ(overs, 1);
    EXPECT_TRUE(accept);
}

TEST_F(Fixture, WantedKeysAndTab)
{
    area->WantedKeys += static_cast<unsigned char>(VK_LEFT);
    EXPECT_TRUE(area->Wants(VK_LEFT));
    EXPECT_FALSE(area->Wants(VK_RIGHT));
    EXPECT_FALSE(area->Wants(VK_TAB));
    bool answer = false;
    std::vector<bool> calls;
    area->OnTab = [&](bool perform) {
        calls.push_back(perform);
        return answer;
    };
    EXPECT_FALSE(area->Wants(VK_TAB));
    answer = true;
    EXPECT_TRUE(area->Wants(VK_TAB));
    EXPECT_EQ(calls, (std::vector<bool>{false, false}));

    // A real Tab reaches KeyDown when wanted.
    area->SetTabStop(true);
    area->SetFocus();
    QApplication::processEvents();
    QTest::keyClick(area, Qt::Key_Tab);
    EXPECT_EQ(area->keys, (std::vector<Word>{VK_TAB}));

    // Embedded: Tab goes to OnTab(true) and not to the control.
    calls.clear();
    TPanel owner(&form);
    area->SetActiveXOwner(nullptr, &owner, area->OnTab);
    QTest::keyClick(area, Qt::Key_Tab);
    EXPECT_EQ(calls, (std::vector<bool>{true}));
    EXPECT_EQ(area->keys.size(), 1u);
}

TEST_F(Fixture, WheelMessagesReachTheHandler)
{
    std::vector<int> deltas;
    area->OnWheelMessage = [&](TWMMouseWheel& msg) { deltas.push_back(msg.WheelDelta); };
    const QPointF local(20, 20);
    QWheelEvent wheel(local, area->mapToGlobal(local), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(area, &wheel);
    EXPECT_EQ(deltas, (std::vector<int>{-120}));
}

TEST_F(Fixture, AnExceptionInThePaintReachesTheMessageSink)
{
    area->raise = true;
    area->Invalidate();
    QApplication::processEvents();
    area->raise = false;
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back(), QStringLiteral("drawing failed"));
    // The next invalidation still paints.
    const int paints = area->paints;
    area->Invalidate();
    QApplication::processEvents();
    EXPECT_EQ(area->paints, paints + 1);
}

TEST_F(Fixture, PrintsOntoAPdfPage)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("area.pdf"));
    area->duringPaint = [&] {
        if (!area->GetIsPrinting()) return;
        TCanvas* c = area->GetOffscreenCanvas();
        c->Font.SetSize(9);
        area->PrintResizeFont();
        c->Brush.SetStyle(bsClear);
        c->TextOut(int(10 * area->GetScalex()), int(40 * area->GetScaley()), QStringLiteral("Printed"));
        c->DrawFocusRect(Rect(0, 0, 50, 50)); // inverting marks do nothing on paper
    };
    {
        QPdfWriter pdf(file);
        TDeviceContext dc(&pdf);
        const double scale = dc.GetLogPixelsX() / 96.0;
        area->Print(&dc, 200, 300, scale, scale, true);
        EXPECT_TRUE(dc.NewPage());
        area->Print(&dc, 0, 0, scale, scale, true);
    }
    // Each page shows the text; the first at the origin (200, 300) device pixels further in.
    QString error;
    const std::vector<test::PdfPage> pages = test::ReadPdf(file, &error);
    ASSERT_EQ(pages.size(), 2u) << error.toStdString();
    const test::PdfWord* first = pages[0].Find(QStringLiteral("Printed"));
    const test::PdfWord* second = pages[1].Find(QStringLiteral("Printed"));
    ASSERT_TRUE(first && second);
    EXPECT_EQ(pages[0].Words.size(), 1u);
    EXPECT_EQ(pages[1].Words.size(), 1u);
    QPdfWriter probe(dir.filePath(QStringLiteral("probe.pdf")));
    const double pointsPerPixel = 72.0 / probe.resolution();
    EXPECT_NEAR(first->Left - second->Left, 200 * pointsPerPixel, 0.5);
    EXPECT_NEAR(first->Top - second->Top, 300 * pointsPerPixel, 0.5);
    // The text is 9 points high whatever the resolution: the font follows the print scale.
    EXPECT_GT(second->Bottom - second->Top, 6);
    EXPECT_LT(second->Bottom - second->Top, 14);
    EXPECT_FALSE(area->GetIsPrinting());
    EXPECT_EQ(area->GetWidth(), 80);
}

// Invalidations still pending when a print starts: the end of printing asks
// the window for one paint of its own, the paint arrives once, and later
// invalidations reach the window again.
TEST_F(Fixture, PaintOwedAfterPrintingWithInvalidationsPending)
{
    const int windowBefore = area->GetWindowInvalidateCount();
    for (int i = 0; i < 3; ++i)
        area->Invalidate();
    ASSERT_EQ(area->GetWindowInvalidateCount(), windowBefore + 1);
    ASSERT_EQ(area->GetInvalidateCount(), 3);
    const int paints = area->paints;
    {
        QImage page(200, 200, QImage::Format_RGB32);
        TDeviceContext dc(&page);
        area->Print(&dc, 0, 0, 1, 1, false);
    }
    EXPECT_EQ(area->paints, paints + 1); // the print itself
    EXPECT_EQ(area->GetWindowInvalidateCount(), windowBefore + 2);
    EXPECT_EQ(area->GetInvalidateCount(), 1);
    QApplication::processEvents();
    EXPECT_EQ(area->paints, paints + 2);
    EXPECT_EQ(area->GetInvalidateCount(), 0);
    EXPECT_EQ(At(Screen(*area), 20, 20), clRed);
    area->Invalidate();
    EXPECT_EQ(area->GetWindowInvalidateCount(), windowBefore + 3);
}
