#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTest>
#include <memory>

#include "skedra/foundation/qvSplitter.h"

using namespace skedra;

namespace
{

// A 600 x 400 parent holding an aligned panel, a splitter beside it and a
// client-aligned panel filling the rest.
struct Form {
    std::unique_ptr<TPanel> parent;
    TPanel* sized = nullptr;
    TqvSplitter* splitter = nullptr;
    TPanel* rest = nullptr;
    int moved = 0;

    explicit Form(TAlign anAlign, int aSize = 200)
    {
        parent = std::make_unique<TPanel>();
        parent->SetBevelOuter(bvNone);
        parent->SetColor(clWhite);
        parent->SetBounds(0, 0, 600, 400);
        sized = new TPanel(parent.get());
        sized->SetColor(clSilver);
        const bool horizontal = anAlign == alLeft || anAlign == alRight;
        if (horizontal)
            sized->SetBounds(anAlign == alLeft ? 0 : 600 - aSize, 0, aSize, 400);
        else
            sized->SetBounds(0, anAlign == alTop ? 0 : 400 - aSize, 600, aSize);
        sized->SetAlign(anAlign);
        splitter = new TqvSplitter(parent.get());
        splitter->SetAlign(anAlign);
        // Place the bar at the panel's free side so that it lines up next to it.
        if (anAlign == alLeft) splitter->SetBounds(aSize, 0, 3, 400);
        if (anAlign == alRight) splitter->SetBounds(600 - aSize - 3, 0, 3, 400);
        if (anAlign == alTop) splitter->SetBounds(0, aSize, 600, 3);
        if (anAlign == alBottom) splitter->SetBounds(0, 400 - aSize - 3, 600, 3);
        rest = new TPanel(parent.get());
        rest->SetBevelOuter(bvNone);
        rest->SetColor(clWhite);
        rest->SetAlign(alClient);
        splitter->OnMoved = [this](TObject*) { ++moved; };
        parent->show();
        QApplication::processEvents();
    }

    // Drags the bar from a point near its top-left corner by (dx, dy) in
    // steps; positions are fixed in the parent, as a real pointer's are,
    // however the bar moves meanwhile.
    void Drag(int dx, int dy, bool release = true)
    {
        start = QPoint(splitter->GetLeft() + 1, splitter->GetTop() + 1);
        QTest::mousePress(splitter, Qt::LeftButton, Qt::NoModifier, Local(start));
        QTest::mouseMove(splitter, Local(start + QPoint(dx / 2, dy / 2)));
        QTest::mouseMove(splitter, Local(start + QPoint(dx, dy)));
        end = start + QPoint(dx, dy);
        if (release) Release();
    }
    void Release() { QTest::mouseRelease(splitter, Qt::LeftButton, Qt::NoModifier, Local(end)); }
    QPoint Local(QPoint inParent) const { return inParent - QPoint(splitter->GetLeft(), splitter->GetTop()); }
    QPoint start, end;

    TColor ParentPixel(int x, int y) const
    {
        const QImage image = parent->grab().toImage();
        return FromQColor(image.pixelColor(x, y));
    }
};

} // namespace

TEST(Splitter, NewSplitterIsAThinLeftAlignedBar)
{
    TqvSplitter splitter;
    EXPECT_EQ(splitter.GetWidth(), 3);
    EXPECT_EQ(splitter.GetAlign(), alLeft);
    EXPECT_EQ(splitter.GetCursor(), crHSplit);
    EXPECT_EQ(splitter.GetMinSize(), 30);
    EXPECT_EQ(splitter.GetResizeStyle(), rsPattern);
    EXPECT_FALSE(splitter.GetBeveled());
    EXPECT_TRUE(splitter.GetParentColor());

    // Without a parent to lay it out, the cursor follows the alignment when the pointer comes.
    splitter.SetAlign(alBottom);
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(&splitter, &enter);
    EXPECT_EQ(splitter.GetCursor(), crVSplit);
    splitter.SetCursor(crHandPoint);
    splitter.SetAlign(alRight);
    QApplication::sendEvent(&splitter, &enter);
    EXPECT_EQ(splitter.GetCursor(), crHandPoint); // a cursor of the application's own stays
}

TEST(Splitter, DraggingRightWidensALeftPanelAndReportsTwice)
{
    Form f(alLeft);
    ASSERT_EQ(f.splitter->GetLeft(), 200);
    ASSERT_EQ(f.splitter->FindControl(), f.sized);
    f.Drag(50, 0, false);
    // The pattern style shows a line and leaves the panel alone until the release.
    EXPECT_EQ(f.sized->GetWidth(), 200);
    EXPECT_EQ(f.moved, 0);
    const TColor a = f.ParentPixel(251, 100), b = f.ParentPixel(251, 101);
    EXPECT_TRUE((a == clBlack) != (b == clBlack)) << "checkered inverted line over the white panel";
    f.Release();
    EXPECT_EQ(f.sized->GetWidth(), 250);
    EXPECT_EQ(f.splitter->GetLeft(), 250);
    EXPECT_EQ(f.rest->GetLeft(), 253);
    EXPECT_EQ(f.moved, 2);
    QApplication::processEvents();
    // The line is gone: the white panel shows white again right of the bar.
    EXPECT_EQ(f.ParentPixel(300, 100), clWhite);
    EXPECT_EQ(f.ParentPixel(300, 101), clWhite);
}

TEST(Splitter, LineStyleInvertsEveryPixelAndUpdateStyleResizesLive)
{
    Form f(alLeft);
    f.splitter->SetResizeStyle(rsLine);
    f.Drag(40, 0, false);
    EXPECT_EQ(f.ParentPixel(241, 100), clBlack);
    EXPECT_EQ(f.ParentPixel(241, 101), clBlack);
    f.Release();
    EXPECT_EQ(f.sized->GetWidth(), 240);

    Form g(alLeft);
    g.splitter->SetResizeStyle(rsUpdate);
    g.Drag(30, 0, false);
    EXPECT_EQ(g.sized->GetWidth(), 230); // applied at each move
    EXPECT_EQ(g.moved, 2);               // two moves, each applied
    g.Release();
    EXPECT_EQ(g.sized->GetWidth(), 230);
    EXPECT_EQ(g.moved, 3); // nothing new to apply; sizing stopped

    Form h(alLeft);
    h.splitter->SetResizeStyle(rsNone);
    h.Drag(30, 0, false);
    EXPECT_EQ(h.sized->GetWidth(), 200);
    EXPECT_EQ(h.ParentPixel(231, 100), clWhite);
    EXPECT_EQ(h.ParentPixel(231, 101), clWhite);
    h.Release();
    EXPECT_EQ(h.sized->GetWidth(), 230);
}

TEST(Splitter, BelowMinSizeClosesThePanelAndItCanBeOpenedAgain)
{
    Form f(alLeft);
    f.Drag(-175, 0); // 25 < 30
    EXPECT_EQ(f.sized->GetWidth(), 0);
    EXPECT_EQ(f.splitter->GetLeft(), 0);
    // The closed panel is still found next to the bar, also after the parent
    // laid its children out again (which may put the closed panel after the bar).
    EXPECT_EQ(f.splitter->FindControl(), f.sized);
    f.parent->SetBounds(0, 0, 640, 400);
    QApplication::processEvents();
    EXPECT_EQ(f.splitter->FindControl(), f.sized);
    f.Drag(100, 0);
    EXPECT_EQ(f.sized->GetWidth(), 100);
    EXPECT_EQ(f.sized->GetLeft(), 0);
    EXPECT_EQ(f.splitter->GetLeft(), 100);
    EXPECT_EQ(f.rest->GetLeft(), 103);
}

TEST(Splitter, RefusingCanResizeLeavesTheSizeAndTheLine)
{
    Form f(alLeft);
    int asked = 0;
    f.splitter->OnCanResize = [&](TObject* sender, int& newSize, bool& accept) {
        EXPECT_EQ(sender, f.splitter);
        EXPECT_EQ(newSize, asked == 0 ? 225 : 250);
        ++asked;
        accept = false;
    };
    f.Drag(50, 0, false);
    EXPECT_EQ(asked, 2);
    // The line stays where the press put it.
    EXPECT_NE(f.ParentPixel(201, 100) == clBlack, f.ParentPixel(201, 101) == clBlack);
    EXPECT_EQ(f.ParentPixel(251, 100), clWhite);
    EXPECT_EQ(f.ParentPixel(251, 101), clWhite);
    f.Release();
    EXPECT_EQ(f.sized->GetWidth(), 200);
    EXPECT_EQ(f.moved, 1); // only the end of sizing
}

TEST(Splitter, CanResizeMayChangeTheSize)
{
    Form f(alLeft);
    f.splitter->OnCanResize = [](TObject*, int& newSize, bool&) { newSize = newSize / 10 * 10; };
    f.Drag(47, 0);
    EXPECT_EQ(f.sized->GetWidth(), 240);
}

TEST(Splitter, SizeIsLimitedSoTheOthersKeepMinSize)
{
    Form f(alLeft);
    f.Drag(1000, 0);
    // 600 - 30 - (200 + 3) + 200
    EXPECT_EQ(f.sized->GetWidth(), 567);
}

TEST(Splitter, TheControlsConstraintsBoundTheDrag)
{
    Form f(alLeft);
    f.sized->GetConstraints()->SetMinWidth(120);
    f.sized->GetConstraints()->SetMaxWidth(260);
    f.Drag(150, 0);
    EXPECT_EQ(f.sized->GetWidth(), 260);
    EXPECT_EQ(f.splitter->GetLeft(), 260);
    EXPECT_EQ(f.rest->GetLeft(), 263);
    // Far below the splitter's MinSize: a control with a minimum does not close.
    f.Drag(-250, 0);
    EXPECT_EQ(f.sized->GetWidth(), 120);
    EXPECT_EQ(f.splitter->GetLeft(), 120);
    // The parent's layout holds the limits too.
    f.parent->SetBounds(0, 0, 800, 400);
    EXPECT_EQ(f.sized->GetWidth(), 120);
}

TEST(Splitter, ADragBackToAnEarlierSizeStillApplies)
{
    Form f(alLeft);
    f.Drag(50, 0);
    ASSERT_EQ(f.sized->GetWidth(), 250);
    f.sized->SetWidth(200);
    ASSERT_EQ(f.splitter->GetLeft(), 200);
    f.moved = 0;
    f.Drag(50, 0);
    EXPECT_EQ(f.sized->GetWidth(), 250);
    EXPECT_EQ(f.moved, 2);
    // A click without a move changes nothing and only reports the end.
    f.moved = 0;
    f.Drag(0, 0);
    EXPECT_EQ(f.sized->GetWidth(), 250);
    EXPECT_EQ(f.moved, 1);
}

TEST(Splitter, TopBottomAndRightAlignment)
{
    {
        Form f(alTop, 100);
        EXPECT_EQ(f.splitter->GetCursor(), crVSplit);
        f.Drag(0, 30);
        EXPECT_EQ(f.sized->GetHeight(), 130);
        EXPECT_EQ(f.sized->GetTop(), 0);
        EXPECT_EQ(f.splitter->GetTop(), 130);
        EXPECT_EQ(f.moved, 2);
        f.Drag(0, -120); // closed, then opened again after a new layout
        EXPECT_EQ(f.sized->GetHeight(), 0);
        f.parent->SetBounds(0, 0, 600, 420);
        f.Drag(0, 80);
        EXPECT_EQ(f.sized->GetHeight(), 80);
        EXPECT_EQ(f.sized->GetTop(), 0);
        EXPECT_EQ(f.splitter->GetTop(), 80);
    }
    {
        Form f(alBottom, 100);
        EXPECT_EQ(f.splitter->GetCursor(), crVSplit);
        ASSERT_EQ(f.splitter->FindControl(), f.sized);
        f.Drag(0, -30);
        EXPECT_EQ(f.sized->GetHeight(), 130);
        EXPECT_EQ(f.sized->GetTop(), 270); // the bottom edge stays
        EXPECT_EQ(f.splitter->GetTop(), 267);
        f.Drag(0, 120); // 10 < 30: closed
        EXPECT_EQ(f.sized->GetHeight(), 0);
        EXPECT_EQ(f.splitter->GetTop(), 397);
        f.parent->SetBounds(0, 0, 600, 420);
        f.Drag(0, -60);
        EXPECT_EQ(f.sized->GetHeight(), 60);
        EXPECT_EQ(f.sized->GetTop(), 360);
        EXPECT_EQ(f.splitter->GetTop(), 357);
    }
    {
        Form f(alRight, 150);
        EXPECT_EQ(f.splitter->GetCursor(), crHSplit);
        ASSERT_EQ(f.splitter->FindControl(), f.sized);
        f.Drag(-40, 0);
        EXPECT_EQ(f.sized->GetWidth(), 190);
        EXPECT_EQ(f.sized->GetLeft(), 410); // the right edge stays
        EXPECT_EQ(f.splitter->GetLeft(), 407);
        EXPECT_EQ(f.moved, 2);
        f.Drag(200, 0);
        EXPECT_EQ(f.sized->GetWidth(), 0);
        f.parent->SetBounds(0, 0, 640, 400);
        f.Drag(-50, 0);
        EXPECT_EQ(f.sized->GetWidth(), 50);
        EXPECT_EQ(f.sized->GetLeft(), 590);
        EXPECT_EQ(f.splitter->GetLeft(), 587);
    }
}

TEST(Splitter, PaintsParentColourBevelAndDesignOutline)
{
    Form f(alLeft);
    f.parent->SetColor(clYellow);
    QApplication::processEvents();
    QImage bar = f.splitter->grab().toImage();
    EXPECT_EQ(FromQColor(bar.pixelColor(1, 100)), clYellow);

    f.splitter->SetColor(clRed);
    EXPECT_FALSE(f.splitter->GetParentColor());
    f.splitter->SetBeveled(true);
    QApplication::processEvents();
    bar = f.splitter->grab().toImage();
    EXPECT_EQ(FromQColor(bar.pixelColor(0, 100)), ColorToRGB(clBtnShadow));
    EXPECT_EQ(FromQColor(bar.pixelColor(1, 100)), clRed);
    EXPECT_EQ(FromQColor(bar.pixelColor(2, 100)), ColorToRGB(clBtnHighlight));

    f.splitter->SetBeveled(false);
    f.splitter->SetDesigning(true);
    QApplication::processEvents();
    bar = f.splitter->grab().toImage();
    bool outlined = false;
    for (int y = 0; y < 4; ++y)
        outlined |= FromQColor(bar.pixelColor(1, y)) != clRed;
    EXPECT_TRUE(outlined);
    EXPECT_EQ(FromQColor(bar.pixelColor(1, 100)), clRed);
}

TEST(Splitter, OnlyTheLeftButtonDrags)
{
    Form f(alLeft);
    QTest::mousePress(f.splitter, Qt::RightButton, Qt::NoModifier, QPoint(1, 1));
    QTest::mouseMove(f.splitter, QPoint(51, 1));
    QTest::mouseRelease(f.splitter, Qt::RightButton, Qt::NoModifier, QPoint(51, 1));
    EXPECT_EQ(f.sized->GetWidth(), 200);
    EXPECT_EQ(f.moved, 0);
}

namespace
{

// The drag lines that exist under the form's parent.
int DragLines(const Form& f)
{
    return static_cast<int>(f.parent->findChildren<QWidget*>(QStringLiteral("qvSplitterLine")).size());
}

// Counts Qt's warnings while alive.
struct WarningCounter {
    static inline int count = 0;
    QtMessageHandler previous;
    WarningCounter()
    {
        count = 0;
        previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString&) {
            if (type != QtDebugMsg && type != QtInfoMsg) ++count;
        });
    }
    ~WarningCounter() { qInstallMessageHandler(previous); }
};

} // namespace

TEST(Splitter, ControlFreedDuringADragTakesTheLineWithIt)
{
    Form f(alLeft);
    f.Drag(50, 0, false);
    ASSERT_EQ(DragLines(f), 1);
    delete f.sized;
    f.sized = nullptr;
    QTest::mouseMove(f.splitter, f.Local(f.end + QPoint(10, 0)));
    EXPECT_EQ(DragLines(f), 0);
    f.Release();
    EXPECT_EQ(DragLines(f), 0);
    QApplication::processEvents();
    EXPECT_EQ(f.ParentPixel(251, 100), clWhite);
    EXPECT_EQ(f.ParentPixel(251, 101), clWhite);

    // Freed between the last move and the release.
    Form g(alLeft);
    g.Drag(50, 0, false);
    delete g.sized;
    g.Release();
    EXPECT_EQ(DragLines(g), 0);

    // The form closed while a drag is in progress.
    Form h(alLeft);
    h.Drag(50, 0, false);
    h.parent.reset(); // AddressSanitizer reports a read of the freed line otherwise
}

TEST(Splitter, PressWithoutTheReleaseBeforeEndsThatDrag)
{
    Form f(alLeft);
    f.Drag(50, 0, false); // the release never comes
    const QPoint again = f.start;
    QTest::mousePress(f.splitter, Qt::LeftButton, Qt::NoModifier, f.Local(again));
    EXPECT_EQ(DragLines(f), 1);
    QTest::mouseMove(f.splitter, f.Local(again + QPoint(20, 0)));
    QTest::mouseRelease(f.splitter, Qt::LeftButton, Qt::NoModifier, f.Local(again + QPoint(20, 0)));
    EXPECT_EQ(f.sized->GetWidth(), 220); // only the second drag applies
    EXPECT_EQ(DragLines(f), 0);
    QApplication::processEvents();
    for (int x : {251, 221, 300}) {
        EXPECT_EQ(f.ParentPixel(x + 3, 100), clWhite) << x;
        EXPECT_EQ(f.ParentPixel(x + 3, 101), clWhite) << x;
    }
}

TEST(Splitter, BarOfNoLengthGrabsNothing)
{
    Form f(alLeft);
    f.parent->SetBounds(0, 0, 600, 0); // the bar keeps its width and has no height
    QApplication::processEvents();
    ASSERT_EQ(f.splitter->GetHeight(), 0);
    WarningCounter warnings;
    QTest::mousePress(f.splitter, Qt::LeftButton, Qt::NoModifier, QPoint(1, 0));
    for (int x = 2; x < 40; ++x)
        QTest::mouseMove(f.splitter, QPoint(x, 0));
    QTest::mouseRelease(f.splitter, Qt::LeftButton, Qt::NoModifier, QPoint(40, 0));
    EXPECT_EQ(warnings.count, 0);
    EXPECT_EQ(DragLines(f), 0);
}
