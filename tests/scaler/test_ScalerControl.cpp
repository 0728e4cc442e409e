// The date scaler control as users see it: pixels of the painted scaler
// (ticks, labels, boxes, scroll buttons, indicators, vertical scalers),
// panning and zooming with real mouse events, the repeating scroll buttons,
// printing to an image and to a PDF, and the published defaults.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <cmath>

#include "skedra/platform/DeviceContext.h"
#include "skedra/platform/Messages.h"
#include "skedra/scaler/qvScaler.h"
#include "tests/common/PdfText.h"
#include "tests/scaler/ScalerTestSupport.h"

using namespace skedra;
using namespace skedra::test;

namespace
{

class TestScaler : public TqvDateScaler
{
public:
    using TqvDateScaler::TqvDateScaler;
    TDateTime clock = D(2024, 1, 1, 12);

protected:
    TDateTime CurrentTime() const override { return clock; }
};

TColor At(const QImage& img, int x, int y)
{
    return FromQColor(QColor::fromRgb(img.pixel(x, y)));
}

bool IsInk(TColor c)
{
    return (c & 0xFF) < 100 && ((c >> 8) & 0xFF) < 100 && ((c >> 16) & 0xFF) < 100;
}

struct Fixture : ::testing::Test {
    QWidget form;
    TestScaler* scaler = nullptr;
    QLineEdit* other = nullptr;
    std::vector<QString> messages;
    TMessageSink previous;
    void SetUp() override
    {
        previous = SetMessageSink([this](const QString& t) { messages.push_back(t); });
        form.resize(900, 500);
        scaler = new TestScaler(&form);
        scaler->SetHorizontal(true);
        scaler->SetColor(clWhite);
        scaler->SetIndicatorOn(false);
        scaler->SetBounds(0, 0, 400, 60);
        other = new QLineEdit(&form);
        other->move(0, 450);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        // Another widget holds the focus, so no focus rectangle covers the pixels looked at.
        other->setFocus();
        QApplication::processEvents();
        HourView();
    }
    void TearDown() override
    {
        SetMessageSink(previous);
        EXPECT_TRUE(messages.empty()) << (messages.empty() ? "" : messages.front().toStdString());
    }
    // 15 pixels stand for 40 minutes: hour ticks 22.5 pixels apart under day ticks.
    void HourView()
    {
        scaler->SetStart(D(2024, 3, 4));
        scaler->SetStop(D(2024, 3, 4) + scaler->GetScaleLen() * (40 * kMinute) / 15);
    }
    QImage Paint()
    {
        scaler->Repaint();
        return scaler->GetOffscreenBitmap()->Image().convertToFormat(QImage::Format_RGB32);
    }
};

} // namespace

TEST_F(Fixture, TicksStandAtTheMarksPixelsWithTheirLengths)
{
    const QImage img = Paint();
    const int h = 60;
    ASSERT_EQ(scaler->GetMinorStep(), kScale1Hour);
    ASSERT_EQ(scaler->MinorLinePixels.size(), scaler->GetMinorMarks().size());
    ASSERT_EQ(scaler->MajorLinePixels.size(), scaler->GetMajorMarks().size());
    int checked = 0;
    for (size_t i = 0; i < scaler->GetMinorMarks().size(); ++i) {
        const int x = scaler->MinorLinePixels[i];
        EXPECT_EQ(x, static_cast<int>(std::nearbyint(scaler->GetMinorMarks()[i].Pixel)));
        if (x < 0 || x >= 400) continue;
        const bool major = std::find(scaler->MajorLinePixels.begin(), scaler->MajorLinePixels.end(), x) !=
                           scaler->MajorLinePixels.end();
        const int len = major ? 15 : 5;
        for (int y = h - len; y < h; ++y)
            EXPECT_EQ(At(img, x, y), clBlack) << x << "," << y;
        EXPECT_NE(At(img, x, h - len - 1), clBlack) << x;
        ++checked;
    }
    EXPECT_GE(checked, 15);
}

TEST_F(Fixture, LabelsThatWouldCrowdAreDropped)
{
    // Hour ticks 15 pixels apart, labels between 9 and 23 pixels wide: every second label is drawn.
    scaler->SetStart(D(2024, 3, 4));
    scaler->SetStop(D(2024, 3, 4) + 400 * kHour / 15);
    scaler->OnUserStringShort = [](TDateTime, TDateTime, QString& text, TScalerFont&) {
        text = QStringLiteral("888");
    };
    scaler->CalcDrawMode();
    ASSERT_EQ(scaler->GetMinorStep(), kScale1Hour);
    TCanvas probe;
    QImage tmp(10, 10, QImage::Format_RGB32);
    QPainter painter(&tmp);
    probe.SetPainter(&painter);
    probe.Font.Assign(*scaler->GetTextFont1());
    const int w = probe.TextWidth(QStringLiteral("888"));
    probe.SetPainter(nullptr);
    painter.end();
    ASSERT_GE(w, 9);
    ASSERT_LE(w, 23);
    const QImage img = Paint();
    auto drawnAt = [&](int x) {
        for (int y = 30; y < 45; ++y)
            for (int dx = -1; dx <= 1; ++dx)
                if (IsInk(At(img, x + dx, y))) return true;
        return false;
    };
    std::vector<bool> drawn;
    for (int i = 1; 15 * i + w / 2 < 400; ++i)
        drawn.push_back(drawnAt(15 * i));
    ASSERT_GE(drawn.size(), 20u);
    EXPECT_TRUE(drawn[0]); // the first label whose left edge is inside the axis
    for (size_t i = 1; i < drawn.size(); ++i)
        EXPECT_NE(drawn[i], drawn[i - 1]) << i << " width " << w;
}

TEST_F(Fixture, BoxedLookDrawsBoxesAndNoTicks)
{
    scaler->SetLookAndFeel(tlfBoxed);
    const QImage img = Paint();
    const TColor grey = RGB(128, 128, 128);
    EXPECT_EQ(scaler->MinorLinePixels.size(), scaler->GetMinorMarks().size());
    EXPECT_EQ(scaler->MajorLinePixels.size(), scaler->GetMajorMarks().size());
    for (int x = 25; x < 395; x += 10) {
        EXPECT_EQ(At(img, x, 15), grey) << x;
        EXPECT_EQ(At(img, x, 30), grey) << x;
    }
    const auto& minor = scaler->GetMinorMarks();
    for (size_t i = 0; i + 1 < minor.size(); ++i) {
        const int tick = static_cast<int>(std::nearbyint(minor[i].Pixel));
        const int box = static_cast<int>(std::nearbyint((minor[i].Pixel + minor[i + 1].Pixel) / 2));
        if (tick > 0 && tick < 400) {
            EXPECT_NE(At(img, tick, 57), clBlack);
        }
        if (box > 0 && box < 400 && tick != box) {
            EXPECT_EQ(At(img, box, 57), grey) << box;
        }
    }
}

TEST_F(Fixture, ScrollButtonsShowTrianglesAndTheirPressedLook)
{
    const TColor white = RGB(255, 255, 255), grey = RGB(128, 128, 128);
    QImage img = Paint();
    EXPECT_EQ(scaler->GetBackwardButtonRect(), TRect(1, 1, 20, 20));
    EXPECT_EQ(scaler->GetForwardButtonRect(), TRect(381, 1, 400, 20));
    // Backward: base on the right in grey, the edge back from the apex in white.
    EXPECT_EQ(At(img, 20, 8), grey);
    EXPECT_TRUE(At(img, 11, 15) == grey || At(img, 11, 16) == grey);
    EXPECT_TRUE(At(img, 11, 5) == white || At(img, 11, 6) == white);
    // Forward: base on the left in white, the edges in grey.
    EXPECT_EQ(At(img, 381, 8), white);
    EXPECT_EQ(At(img, 399, 10), grey);
    QTest::mousePress(scaler, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_TRUE(scaler->GetBackwardPressed());
    img = Paint();
    EXPECT_EQ(At(img, 20, 8), white);
    EXPECT_TRUE(At(img, 11, 5) == grey || At(img, 11, 6) == grey);
    QTest::mouseRelease(scaler, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    scaler->SetScrollButtons(tsbSmall);
    img = Paint();
    EXPECT_EQ(scaler->GetBackwardButtonRect(), TRect(1, 1, 12, 12));
    EXPECT_EQ(At(img, 12, 6), grey);
    scaler->SetScrollButtons(tsbOff);
    img = Paint();
    EXPECT_EQ(scaler->GetBackwardButtonRect(), TRect(-1, -1, -1, -1));
    EXPECT_EQ(At(img, 20, 8), clWhite);
}

TEST_F(Fixture, ColourfulIndicatorBarsForThreeDays)
{
    scaler->SetIndicatorOn(true);
    scaler->SetIndicatorStyle(isColorfull);
    scaler->SetStart(D(2024, 3, 4));
    scaler->SetStop(D(2024, 3, 7));
    const QImage img = Paint();
    const int mid = 200;
    // Day bar 100 pixels to each side, week 43, month 10, year 1.
    EXPECT_EQ(At(img, mid - 100, 6), RGB(0, 128, 0));
    EXPECT_EQ(At(img, mid + 99, 6), RGB(0, 128, 0));
    EXPECT_EQ(At(img, mid - 44, 6), RGB(0, 128, 0));
    EXPECT_EQ(At(img, mid - 43, 6), RGB(255, 255, 0));
    EXPECT_EQ(At(img, mid + 42, 6), RGB(255, 255, 0));
    EXPECT_EQ(At(img, mid - 11, 6), RGB(255, 255, 0));
    EXPECT_EQ(At(img, mid - 10, 6), RGB(255, 0, 0));
    EXPECT_EQ(At(img, mid + 9, 6), RGB(255, 0, 0));
    EXPECT_EQ(At(img, mid - 1, 6), RGB(0, 0, 255));
    EXPECT_EQ(At(img, mid, 6), RGB(0, 0, 255));
    EXPECT_EQ(At(img, mid - 2, 6), RGB(255, 0, 0));
    for (int y = 5; y < 9; ++y)
        EXPECT_EQ(At(img, mid - 50, y), RGB(0, 128, 0));
    // The black frame around the full 200-pixel scale.
    EXPECT_EQ(At(img, mid - 101, 6), clBlack);
    EXPECT_EQ(At(img, mid + 100, 6), clBlack);
    EXPECT_EQ(At(img, mid, 4), clBlack);
    EXPECT_EQ(At(img, mid, 9), clBlack);
}

TEST_F(Fixture, NormalAndSoberIndicatorsWriteTheRange)
{
    scaler->SetIndicatorOn(true);
    QString seen;
    scaler->OnInfoStringEvent = [&](QString& text, TScalerFont&) { seen = text; };
    QImage img = Paint();
    EXPECT_EQ(seen, QStringLiteral("2024 Mar-Apr"));
    auto inkIn = [&](const QImage& im, int x0, int x1, int y0, int y1) {
        int n = 0;
        for (int x = x0; x < x1; ++x)
            for (int y = y0; y < y1; ++y)
                if (At(im, x, y) != clWhite) ++n;
        return n;
    };
    EXPECT_GT(inkIn(img, 33, 100, 2, 14), 10);
    // The green marker of the range on the bar.
    int green = 0;
    for (int x = 100; x < 367; ++x)
        green += At(img, x, 5) == RGB(0, 128, 0);
    EXPECT_GT(green, 0);
    EXPECT_LT(green, 30);
    scaler->SetStop(D(2025, 6, 1));
    Paint();
    EXPECT_EQ(seen, QStringLiteral("2024-2026"));
    scaler->SetIndicatorStyle(isSober);
    img = Paint();
    EXPECT_EQ(seen, QStringLiteral("2024 - 2025"));
    EXPECT_GT(inkIn(img, 33, 100, 2, 14), 10);
    HourView();
    Paint();
    // The long date format of the test settings names the weekday already: it is not repeated.
    EXPECT_EQ(seen, QStringLiteral("Monday 4 March 2024"));
    const QString longDate = FormatSettings().LongDateFormat;
    FormatSettings().LongDateFormat = QStringLiteral("d mmmm yyyy");
    Paint();
    FormatSettings().LongDateFormat = longDate;
    EXPECT_EQ(seen, QStringLiteral("Monday 4 March 2024"));
    scaler->SetIndicatorStyle(isNone);
    img = Paint();
    EXPECT_EQ(inkIn(img, 33, 370, 0, 14), 0);
}

TEST_F(Fixture, VerticalScalerTicksAndLabelOrientation)
{
    scaler->SetHorizontal(false);
    scaler->SetBounds(0, 0, 70, 400);
    QApplication::processEvents();
    HourView();
    scaler->OnUserStringShort = [](TDateTime, TDateTime, QString& text, TScalerFont&) { text.clear(); };
    scaler->OnUserStringLong = [](TDateTime d, TDateTime, QString& text, TScalerFont&) {
        text = std::floor(d) == D(2024, 3, 4) ? QStringLiteral("WWWWWW") : QString();
    };
    scaler->CalcDrawMode();
    QImage img = Paint();
    for (size_t i = 0; i < scaler->MinorLinePixels.size(); ++i) {
        const int y = scaler->MinorLinePixels[i];
        if (y <= 0 || y >= 400) continue;
        for (int x = 65; x < 70; ++x)
            EXPECT_EQ(At(img, x, y), clBlack) << x << "," << y;
    }
    auto box = [&](const QImage& im) {
        int x0 = 1000, x1 = -1, y0 = 1000, y1 = -1;
        for (int x = 20; x < 50; ++x)
            for (int y = 25; y < 380; ++y)
                if (IsInk(At(im, x, y))) {
                    x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
                }
        return TRect(x0, y0, x1 + 1, y1 + 1);
    };
    const TRect flat = box(img);
    ASSERT_GT(flat.Width(), 0);
    EXPECT_GT(flat.Width(), flat.Height());
    scaler->SetVerticalText(true);
    img = Paint();
    const TRect upright = box(img);
    ASSERT_GT(upright.Height(), 0);
    EXPECT_GT(upright.Height(), upright.Width());
    EXPECT_EQ(scaler->GetForwardButtonRect(), TRect(1, 380, 20, 400));
}

TEST_F(Fixture, ZoomDragKeepsThePressDateUnderThePointer)
{
    int changes = 0;
    scaler->OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, static_cast<TObject*>(scaler));
        ++changes;
    };
    Paint();
    QApplication::processEvents();
    changes = 0;
    const double s0 = scaler->GetScale();
    QTest::mousePress(scaler, Qt::LeftButton, Qt::NoModifier, QPoint(200, 40));
    const TDateTime pressDate = scaler->GetPressDate();
    QTest::mouseMove(scaler, QPoint(250, 40));
    EXPECT_TRUE(scaler->GetDragging());
    EXPECT_NEAR(scaler->GetScale(), 1.5 * s0, s0 * 1e-6);
    EXPECT_NEAR(scaler->DateToPixel(pressDate), 200, 1);
    Paint();
    QApplication::processEvents();
    EXPECT_EQ(changes, 0); // never in the middle of a drag
    // 100 pixels to the left would be scale 0: ignored.
    QTest::mouseMove(scaler, QPoint(100, 40));
    EXPECT_NEAR(scaler->GetScale(), 1.5 * s0, s0 * 1e-6);
    QTest::mouseRelease(scaler, Qt::LeftButton, Qt::NoModifier, QPoint(100, 40));
    EXPECT_FALSE(scaler->GetDragging());
    EXPECT_EQ(changes, 0); // asynchronous
    QApplication::processEvents();
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(scaler->hasFocus());
}

TEST_F(Fixture, PanningWithCtrlKeepsTheVisibleAmount)
{
    scaler->SetHiddenDays(Weekend());
    scaler->SetStart(D(2024, 3, 6));
    const TDateTime amount = scaler->VisibleTimeAmount();
    const TDateTime start = scaler->GetStart();
    QTest::mousePress(scaler, Qt::LeftButton, Qt::ControlModifier, QPoint(200, 40));
    QTest::mouseMove(scaler, QPoint(230, 40));
    EXPECT_FALSE(scaler->GetDragging());
    EXPECT_LT(scaler->GetStart(), start);
    EXPECT_NEAR(scaler->VisibleTimeAmount(), amount, 1e-6);
    QTest::mouseMove(scaler, QPoint(150, 40));
    EXPECT_GT(scaler->GetStart(), start);
    EXPECT_NEAR(scaler->VisibleTimeAmount(), amount, 1e-6);
    QTest::mouseRelease(scaler, Qt::LeftButton, Qt::ControlModifier, QPoint(150, 40));
    // With RescaleWithCtrl the roles swap: a plain drag pans.
    scaler->SetRescaleWithCtrl(true);
    const double scale = scaler->GetScale();
    QTest::mousePress(scaler, Qt::LeftButton, Qt::NoModifier, QPoint(200, 40));
    QTest::mouseMove(scaler, QPoint(260, 40));
    EXPECT_NEAR(scaler->GetScale(), scale, scale * 1e-6);
    QTest::mouseRelease(scaler, Qt::LeftButton, Qt::NoModifier, QPoint(260, 40));
}

TEST_F(Fixture, ScrollButtonRepeatsAndAccelerates)
{
    scaler->SetHiddenDays(Weekend());
    Paint();
    const TDateTime step = scaler->GetScrollStep();
    EXPECT_NEAR(step, scaler->PixelLenToDate(15), 1e-15);
    scaler->clock = D(2024, 1, 1, 12);
    QTest::mousePress(scaler, Qt::LeftButton, Qt::NoModifier, QPoint(390, 5));
    ASSERT_TRUE(scaler->GetForwardPressed());
    ASSERT_TRUE(scaler->GetRepeatTimer()->isActive());
    EXPECT_EQ(scaler->GetRepeatTimer()->interval(), 50);
    auto tick = [&] {
        const TDateTime before = scaler->GetStart();
        scaler->RepeatTimerTick();
        return scaler->DateDiffToVisibleTime(before, scaler->GetStart());
    };
    EXPECT_NEAR(tick(), step, 1e-7);
    scaler->clock += 2.5 / SecsPerDay;
    EXPECT_NEAR(tick(), 3 * step, 1e-7);
    scaler->clock += 3.5 / SecsPerDay;
    EXPECT_NEAR(tick(), 21 * step, 1e-7);
    QTest::mouseRelease(scaler, Qt::LeftButton, Qt::NoModifier, QPoint(390, 5));
    EXPECT_FALSE(scaler->GetRepeatTimer()->isActive());
    // Backward; moving off the button stops the repeat at the next tick.
    QTest::mousePress(scaler, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_NEAR(tick(), -step, 1e-7);
    QTest::mouseMove(scaler, QPoint(200, 40));
    EXPECT_EQ(tick(), 0);
    EXPECT_FALSE(scaler->GetRepeatTimer()->isActive());
    QTest::mouseRelease(scaler, Qt::LeftButton, Qt::NoModifier, QPoint(200, 40));
    // Programmatic stepping always uses the plain step, wherever the pointer is.
    scaler->StartStepUp();
    EXPECT_EQ(scaler->GetRepeatTimer()->interval(), 150);
    scaler->clock += 10.0 / SecsPerDay;
    EXPECT_NEAR(tick(), step, 1e-7);
    scaler->StopStep();
    EXPECT_FALSE(scaler->GetRepeatTimer()->isActive());
    EXPECT_EQ(scaler->GetRepeatTimer()->interval(), 50);
    scaler->StartStepDown();
    EXPECT_NEAR(tick(), -step, 1e-7);
    scaler->StopStep();
    // The real timer drives it too.
    QTest::mousePress(scaler, Qt::LeftButton, Qt::NoModifier, QPoint(390, 5));
    const TDateTime before = scaler->GetStart();
    QTest::qWait(180);
    EXPECT_GT(scaler->GetStart(), before);
    QTest::mouseRelease(scaler, Qt::LeftButton, Qt::NoModifier, QPoint(390, 5));
}

TEST_F(Fixture, WithoutButtonsAPressStartsNothing)
{
    scaler->SetScrollButtons(tsbOff);
    Paint();
    const TDateTime start = scaler->GetStart();
    QTest::mousePress(scaler, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_FALSE(scaler->GetRepeatTimer()->isActive());
    EXPECT_FALSE(scaler->GetBackwardPressed());
    QTest::mouseRelease(scaler, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(scaler->GetStart(), start);
}

TEST_F(Fixture, PrintingAtScaleTwoMatchesTheScreenScaled)
{
    scaler->SetFocus();
    const QImage screen = Paint();
    QImage print(800, 120, QImage::Format_RGB32);
    print.fill(Qt::white);
    {
        TDeviceContext dc(&print);
        scaler->Print(&dc, 0, 0, 2, 2, true);
    }
    // Every minor tick of the screen stands at twice its x, twice as long.
    int ticks = 0;
    for (int x = 1; x < 399; ++x) {
        if (At(screen, x, 57) != clBlack) continue;
        const bool major = At(screen, x, 50) == clBlack;
        bool found = false;
        for (int px = 2 * x - 1; px <= 2 * x + 1; ++px)
            if (At(print, px, 119) == clBlack && At(print, px, 119 - (major ? 29 : 9)) == clBlack)
                found = true;
        EXPECT_TRUE(found) << x;
        ++ticks;
    }
    EXPECT_GT(ticks, 15);
    // No scroll buttons and no focus rectangle on paper.
    for (int x = 0; x < 44; ++x)
        for (int y = 0; y < 44; ++y)
            EXPECT_EQ(At(print, x, y), clWhite) << x << "," << y;
    // Labels on both rows.
    int inkMajor = 0, inkMinor = 0;
    for (int x = 0; x < 800; ++x) {
        for (int y = 30; y < 56; ++y)
            inkMajor += IsInk(At(print, x, y));
        for (int y = 60; y < 84; ++y)
            inkMinor += IsInk(At(print, x, y));
    }
    EXPECT_GT(inkMajor, 20);
    EXPECT_GT(inkMinor, 100);
    // The screen marks are back.
    EXPECT_NEAR(scaler->GetMinorMarks().back().Pixel, screen.width(), 30);
}

TEST_F(Fixture, PrintingToAPdf)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("scaler.pdf"));
    {
        QPdfWriter pdf(file);
        pdf.setResolution(150);
        QPainter painter(&pdf);
        TDeviceContext dc(&painter);
        scaler->Print(&dc, 100, 100, 1.5, 1.5, true);
        painter.end();
    }
    // One page; the day label, and each hour label centred on its tick: 22.5
    // pixels an hour from the origin (100, 100), times the print scale 1.5.
    QString error;
    const std::vector<test::PdfPage> pages = test::ReadPdf(file, &error);
    ASSERT_EQ(pages.size(), 1u) << error.toStdString();
    const test::PdfPage& page = pages[0];
    EXPECT_NE(page.Find(QStringLiteral("Mon")), nullptr) << page.Texts().join(' ').toStdString();
    QPdfWriter probe(dir.filePath(QStringLiteral("probe.pdf")));
    probe.setResolution(150);
    const QRectF paper = probe.pageLayout().paintRectPoints();
    const double pointsPerPixel = 72.0 / 150;
    int hours = 0;
    for (int h = 1; h < 18; ++h) {
        const test::PdfWord* w = page.Find(QStringLiteral("%1").arg(h, 2, 10, QLatin1Char('0')));
        if (w == nullptr) continue;
        ++hours;
        const double centre = (w->Left + w->Right) / 2;
        EXPECT_NEAR(centre, paper.left() + (100 + 1.5 * 22.5 * h) * pointsPerPixel, 2.5) << "hour " << h;
        EXPECT_GT(w->Top, paper.top() + 100 * pointsPerPixel) << "hour " << h;
    }
    EXPECT_GE(hours, 8) << page.Texts().join(' ').toStdString();
}

TEST_F(Fixture, UserDrawingAndTheFocusRectangle)
{
    std::vector<std::string> order;
    scaler->OnUserDrawBackground = [&](TqvDateScaler* s, TCanvas* c, const TRect& r) {
        EXPECT_EQ(s, scaler);
        EXPECT_EQ(r, TRect(0, 0, 400, 60));
        c->Brush.SetColor(clRed);
        c->FillRect(TRect(100, 0, 110, 60));
        order.push_back("background");
    };
    scaler->OnUserDrawForeground = [&](TqvDateScaler*, TCanvas*, const TRect&) {
        order.push_back("foreground");
    };
    QImage img = Paint();
    EXPECT_EQ(order, (std::vector<std::string>{"background", "foreground"}));
    EXPECT_EQ(At(img, 105, 5), clRed);
    // The ticks are drawn first, under the user's background.
    scaler->SetFocus();
    QApplication::processEvents();
    img = Paint();
    EXPECT_NE(At(img, 0, 30), clWhite); // the focus rectangle's dots on the left edge
}

TEST(ScalerControl, PublishedDefaults)
{
    TqvDateScaler s;
    EXPECT_TRUE(s.GetIndicatorOn());
    EXPECT_EQ(s.GetIndicatorStyle(), isNormal);
    EXPECT_FALSE(s.GetHorizontal());
    EXPECT_FALSE(s.GetRescaleWithCtrl());
    EXPECT_EQ(s.GetLookAndFeel(), tlfClassic);
    EXPECT_EQ(s.GetScrollButtons(), tsbClassic);
    EXPECT_FALSE(s.GetVerticalText());
    EXPECT_DOUBLE_EQ(s.GetZoomFactor(), 0.9);
    EXPECT_EQ(s.GetPixelsForModeSwitch(), 15);
    EXPECT_EQ(s.GetFirstDayOfWeek(), 2);
    EXPECT_EQ(s.GetWeekPrefix(), QStringLiteral(" w "));
    EXPECT_EQ(s.GetWeekYearFormat(), QStringLiteral("YYYY"));
    EXPECT_EQ(s.GetQuarterPrefix(), QStringLiteral(" Q"));
    EXPECT_TRUE(s.GetDateFormat().isEmpty());
    EXPECT_TRUE(s.GetTimeFormat().isEmpty());
    EXPECT_FALSE(s.GetWeekNumbers());
    EXPECT_EQ(s.GetStart(), Date());
    EXPECT_EQ(s.GetStop(), Date() + 7);
    EXPECT_EQ(s.GetMinStart(), 0);
    EXPECT_EQ(s.GetMaxStop(), EncodeDate(4000, 1, 1));
    EXPECT_TRUE(s.GetHiddenHours().Empty());
    EXPECT_TRUE(s.GetHiddenDays().Empty());
    for (TFont* f : {s.GetTextFont1(), s.GetTextFont2(), s.GetTextFont3()}) {
        EXPECT_EQ(f->GetName(), QStringLiteral("Arial"));
        EXPECT_EQ(f->GetSize(), 7);
    }
    TFont big;
    big.SetSize(12);
    s.SetTextFont2(big);
    EXPECT_EQ(s.GetTextFont2()->GetSize(), 12);
    EXPECT_NE(s.GetTextFont2(), &big);
}

TEST(ScalerControl, ZeroSizeDrawsNothingAndHasNoMarks)
{
    QWidget form;
    auto* s = new TqvDateScaler(&form);
    s->SetHorizontal(true);
    s->SetBounds(0, 0, 0, 40);
    form.show();
    s->Repaint();
    EXPECT_TRUE(s->GetMinorMarks().empty());
    EXPECT_TRUE(s->MinorLinePixels.empty());
}

TEST_F(Fixture, PressFarOutsideClampsAndRefusedZoomKeepsTheRange)
{
    scaler->SetStart(D(2024, 1, 10));
    scaler->SetStop(D(2024, 1, 20));
    Paint();
    for (const QPoint at : {QPoint(3000000, 40), QPoint(-3000000, 40), QPoint(200, 3000000)}) {
        QTest::mousePress(scaler, Qt::LeftButton, Qt::NoModifier, at);
        EXPECT_GE(scaler->GetPressDate(), 0);
        EXPECT_LE(scaler->GetPressDate(), ScalerEndOfTime());
        QTest::mouseRelease(scaler, Qt::LeftButton, Qt::NoModifier, at);
    }
    // A zoom drag the application vetoes, with MaxStop before the visible Start.
    scaler->SetStart(D(2024, 1, 10));
    scaler->SetStop(D(2024, 1, 20));
    scaler->SetMaxStop(D(2024, 1, 5));
    scaler->OnLimitScaling = [](TqvDateScaler*, TDateTime, TDateTime, double) { return true; };
    QTest::mousePress(scaler, Qt::LeftButton, Qt::NoModifier, QPoint(200, 40));
    for (int x : {230, 150, 260}) {
        QTest::mouseMove(scaler, QPoint(x, 40));
        EXPECT_NO_THROW(scaler->CheckInvariants());
        EXPECT_GT(scaler->GetScale(), 0);
    }
    QTest::mouseRelease(scaler, Qt::LeftButton, Qt::NoModifier, QPoint(260, 40));
    EXPECT_EQ(scaler->GetStart(), D(2024, 1, 10));
    EXPECT_EQ(scaler->GetStop(), D(2024, 1, 20));
    const QImage img = Paint();
    EXPECT_FALSE(scaler->GetMinorMarks().empty());
}
