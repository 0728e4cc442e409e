#pragma once
// Helpers of the high-DPI tests. The programs run at device pixel ratio
// SKEDRA_TEST_RATIO (the test main sets Qt's scale factor to match) and check
// the same things at every ratio: surfaces hold ratio device pixels per logical
// pixel, one-pixel lines are one logical pixel wide, text is rendered at device
// resolution exactly as when drawn directly there, inverting outlines drawn
// twice leave the surface as it was, and clicks land on the same items.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>

#include <algorithm>
#include <vector>

#include "skedra/foundation/DoLater.h"
#include "skedra/foundation/qvOffscreenPaint.h"
#include "skedra/gantt/TimeDistinctThread.h"
#include "skedra/platform/Bitmap.h"
#include "skedra/platform/Threads.h"
#include "tests/common/TestSupport.h"

#ifndef SKEDRA_TEST_RATIO
#define SKEDRA_TEST_RATIO 1
#endif

namespace skedra::test
{

constexpr int kRatio = SKEDRA_TEST_RATIO;

inline void Settle()
{
    for (int round = 0; round < 100; ++round) {
        QApplication::processEvents();
        TDoLater::DoAllNow();
        CheckSynchronize();
        if (TDoLater::PendingCount() == 0 && TTimeDistinctGenericThread::ThreadCount() == 0) break;
        QTest::qWait(2);
    }
    QApplication::processEvents();
}

inline QImage Rgb(const QImage& anImage)
{
    return anImage.convertToFormat(QImage::Format_RGB32);
}

// The window surface of a drawn control, in device pixels.
inline QImage SurfaceOf(const TqvOffscreenPaint* aControl)
{
    return Rgb(aControl->GetWindowSurface()->Image());
}

// The surface of a drawn control covers its client area, ratio device pixels per logical pixel.
inline ::testing::AssertionResult DeviceSized(const QImage& anImage, const TqvOffscreenPaint* aControl)
{
    const QSize expected = QSize(aControl->GetClientWidth(), aControl->GetClientHeight()) * kRatio;
    if (anImage.size() == expected && anImage.devicePixelRatio() == kRatio)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "image " << anImage.width() << "x" << anImage.height() << " at ratio "
           << anImage.devicePixelRatio() << ", expected " << expected.width() << "x" << expected.height()
           << " at ratio " << kRatio;
}

// A straight line found in an image: where it starts across its length and how wide it is.
struct TLine {
    bool Vertical;
    int Pos;
    int Width;
};

// The thin straight lines of an image: runs of one colour at least aLength
// device pixels long whose neighbours before them differ over the whole run,
// at most 2 x ratio + 1 pixels wide. Long runs leave text glyphs out.
inline std::vector<TLine> ThinLines(const QImage& anImage, int aLength)
{
    std::vector<TLine> lines;
    const int maxWidth = 2 * kRatio + 1;
    for (int pass = 0; pass < 2; ++pass) {
        const bool vertical = pass == 0;
        const int across = vertical ? anImage.width() : anImage.height();
        const int along = vertical ? anImage.height() : anImage.width();
        auto at = [&](int a, int l) { return vertical ? anImage.pixel(a, l) : anImage.pixel(l, a); };
        for (int a = 1; a < across; ++a) {
            int l = 0;
            while (l < along) {
                const QRgb c = at(a, l);
                int end = l;
                while (end < along && at(a, end) == c && at(a - 1, end) != c)
                    ++end;
                if (end - l >= aLength) {
                    int width = 1;
                    while (a + width < across && width <= maxWidth) {
                        bool same = true;
                        for (int k = l; k < end && same; ++k)
                            same = at(a + width, k) == c;
                        if (!same) break;
                        ++width;
                    }
                    // A line ends where the next pixels across differ along its whole
                    // length (a filled area cut by text is no line).
                    bool bounded = true;
                    for (int k = l; k < end && bounded && a + width < across; ++k)
                        bounded = at(a + width, k) != c;
                    if (width <= maxWidth && bounded) lines.push_back({vertical, a, width});
                }
                l = std::max(end, l + 1);
            }
        }
    }
    return lines;
}

// Every thin line at least aLength logical pixels long (in anArea, logical,
// when given) starts on a logical pixel and covers whole logical pixels, and
// some are exactly one logical pixel wide.
inline void ExpectLinesOnLogicalPixels(const QImage& anImage, int aLength = 20, const QRect& anArea = QRect())
{
    const QImage part =
        anArea.isValid() ? anImage.copy(QRect(anArea.topLeft() * kRatio, anArea.size() * kRatio)) : anImage;
    const std::vector<TLine> lines = ThinLines(part, aLength * kRatio);
    int single = 0;
    for (const TLine& l : lines) {
        EXPECT_EQ(l.Pos % kRatio, 0) << (l.Vertical ? "vertical" : "horizontal") << " line at " << l.Pos;
        EXPECT_EQ(l.Width % kRatio, 0) << (l.Vertical ? "vertical" : "horizontal") << " line at " << l.Pos
                                       << " is " << l.Width << " device pixels wide";
        if (l.Width == kRatio) ++single;
    }
    EXPECT_GT(single, 0) << "no one-pixel line found among " << lines.size();
}

// The part of anImage inside aDeviceRect that differs from aBackground,
// cropped to its bounding box.
inline QImage Ink(const QImage& anImage, QRect aDeviceRect, QRgb aBackground)
{
    aDeviceRect &= anImage.rect();
    QRect box;
    for (int y = aDeviceRect.top(); y <= aDeviceRect.bottom(); ++y)
        for (int x = aDeviceRect.left(); x <= aDeviceRect.right(); ++x)
            if ((anImage.pixel(x, y) & 0xFFFFFF) != (aBackground & 0xFFFFFF)) box |= QRect(x, y, 1, 1);
    return box.isEmpty() ? QImage() : anImage.copy(box);
}

// aText drawn directly on an image of the test's ratio with aFont, on aBackground.
inline QImage DirectText(const QString& aText, const TFont& aFont, TColor aColor, QRgb aBackground)
{
    TBitmap bitmap;
    bitmap.SetDevicePixelRatio(kRatio);
    TCanvas* probe = bitmap.GetCanvas();
    probe->Font.Assign(aFont);
    bitmap.SetSize(probe->TextWidth(aText) + 20, probe->TextHeight(aText) + 20);
    TCanvas* c = bitmap.GetCanvas();
    c->Font.Assign(aFont);
    c->Font.SetColor(aColor);
    c->Brush.SetColor(FromQColor(QColor::fromRgb(aBackground)));
    c->FillRect(TRect(0, 0, bitmap.GetWidth(), bitmap.GetHeight()));
    c->Brush.SetStyle(bsClear);
    c->TextOut(10, 10, aText);
    return Ink(Rgb(bitmap.Image()), QRect(QPoint(0, 0), bitmap.Image().size()), aBackground);
}

// The text shown in aLogicalRect of a surface is the same as aText drawn
// directly at the surface's ratio: the same glyph pixels at device resolution.
inline void ExpectTextAsDrawnDirectly(const QImage& aSurface, const TRect& aLogicalRect, const QString& aText,
                                      const TFont& aFont, TColor aColor, QRgb aBackground)
{
    const QRect device(aLogicalRect.Left * kRatio, aLogicalRect.Top * kRatio, aLogicalRect.Width() * kRatio,
                       aLogicalRect.Height() * kRatio);
    const QImage shown = Ink(aSurface, device, aBackground);
    const QImage direct = DirectText(aText, aFont, aColor, aBackground);
    ASSERT_FALSE(direct.isNull());
    ASSERT_EQ(shown.size(), direct.size()) << aText.toStdString();
    int differing = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (shown.pixel(x, y) != direct.pixel(x, y)) ++differing;
    EXPECT_EQ(differing, 0) << aText.toStdString();
    if (kRatio > 1) {
        // Rendered at device resolution, not a logical rendering enlarged:
        // some ratio x ratio blocks hold more than one colour.
        int mixed = 0;
        for (int y = 0; y + kRatio <= shown.height(); y += kRatio)
            for (int x = 0; x + kRatio <= shown.width(); x += kRatio)
                for (int k = 1; k < kRatio * kRatio; ++k)
                    if (shown.pixel(x + k % kRatio, y + k / kRatio) != shown.pixel(x, y)) {
                        ++mixed;
                        break;
                    }
        EXPECT_GT(mixed, 4);
    }
}

inline void SendMouse(QWidget* aWidget, QEvent::Type aType, QPoint p, Qt::MouseButton aButton,
                      Qt::MouseButtons aButtons)
{
    QMouseEvent e(aType, QPointF(p), QPointF(aWidget->mapToGlobal(p)), aButton, aButtons, Qt::NoModifier);
    QApplication::sendEvent(aWidget, &e);
}
inline void Press(QWidget* w, QPoint p)
{
    SendMouse(w, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
}
inline void MoveTo(QWidget* w, QPoint p)
{
    SendMouse(w, QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton);
}
inline void Release(QWidget* w, QPoint p)
{
    SendMouse(w, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
}

inline QPoint Middle(const TRect& r)
{
    return QPoint(r.Left + r.Width() / 2, r.Top + r.Height() / 2);
}

class HighDpi : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ClearShownMessages();
        form.resize(1000, 600);
        other = new QLineEdit(&form);
        other->setGeometry(0, 580, 50, 20);
    }
    void Show()
    {
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        // Another widget holds the focus: no focus rectangle over the pixels looked at.
        other->setFocus();
        Settle();
        ASSERT_EQ(form.devicePixelRatio(), kRatio);
    }
    void TearDown() override
    {
        Settle();
        EXPECT_TRUE(ShownMessages().isEmpty()) << ShownMessages().join("\n").toStdString();
    }

    QWidget form;
    QLineEdit* other = nullptr;
};

} // namespace skedra::test
