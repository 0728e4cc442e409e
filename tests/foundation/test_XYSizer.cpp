#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <memory>

#include "skedra/foundation/qvXYSizer.h"

using namespace skedra;

namespace
{

struct Form {
    std::unique_ptr<TPanel> parent;
    TXYSizer* grip = nullptr;
    std::vector<TPoint> reports;

    Form()
    {
        parent = std::make_unique<TPanel>();
        parent->SetBevelOuter(bvNone);
        parent->SetColor(clWhite);
        parent->SetBounds(0, 0, 300, 200);
        grip = new TXYSizer(parent.get());
        grip->SetBounds(100, 100, 5, 5);
        grip->OnResize = [this](TXYSizer* sender, TPoint p) {
            EXPECT_EQ(sender, grip);
            reports.push_back(p);
        };
        parent->show();
        QApplication::processEvents();
    }
    // A point of the parent in the grip's present coordinates.
    QPoint InGrip(int x, int y) const { return QPoint(x - grip->GetLeft(), y - grip->GetTop()); }
};

} // namespace

TEST(XYSizer, NewGripIsASmallBlackSquare)
{
    Form f;
    EXPECT_EQ(f.grip->GetWidth(), 5);
    EXPECT_EQ(f.grip->GetHeight(), 5);
    const QImage image = f.parent->grab().toImage();
    EXPECT_EQ(FromQColor(image.pixelColor(100, 100)), clBlack);
    EXPECT_EQ(FromQColor(image.pixelColor(104, 104)), clBlack);
    EXPECT_EQ(FromQColor(image.pixelColor(105, 105)), clWhite);
}

TEST(XYSizer, FollowsThePointerWithGuidesAndReportsTheMovement)
{
    Form f;
    QTest::mousePress(f.grip, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    QTest::mouseMove(f.grip, f.InGrip(112, 107));
    EXPECT_EQ(f.grip->GetLeft(), 110);
    EXPECT_EQ(f.grip->GetTop(), 105);
    TPanel* h = f.grip->GetHorizontalGuide();
    TPanel* v = f.grip->GetVerticalGuide();
    ASSERT_TRUE(h && v);
    EXPECT_TRUE(h->isVisible());
    EXPECT_TRUE(v->isVisible());
    EXPECT_EQ(h->GetBoundsRect(), Bounds(5, 107, 290, 2));
    EXPECT_EQ(v->GetBoundsRect(), Bounds(112, 5, 2, 190));
    EXPECT_TRUE(f.reports.empty());

    QTest::mouseMove(f.grip, f.InGrip(80, 150));
    EXPECT_EQ(f.grip->GetLeft(), 78);
    EXPECT_EQ(f.grip->GetTop(), 148);
    EXPECT_EQ(h->GetTop(), 150);
    EXPECT_EQ(v->GetLeft(), 80);

    QTest::mouseRelease(f.grip, Qt::LeftButton, Qt::NoModifier, f.InGrip(80, 150));
    ASSERT_EQ(f.reports.size(), 1u);
    EXPECT_EQ(f.reports[0], TPoint(-22, 48));
    EXPECT_FALSE(h->isVisible());
    EXPECT_FALSE(v->isVisible());
}

TEST(XYSizer, StopsWithinTheMarginsAndStillReportsTheMovementBefore)
{
    Form f;
    QTest::mousePress(f.grip, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    QTest::mouseMove(f.grip, f.InGrip(200, 120));
    ASSERT_EQ(f.grip->GetLeft(), 198);
    // Within 5 pixels of the right, bottom, left and top edges: no move.
    for (QPoint p : {QPoint(296, 120), QPoint(295, 120), QPoint(200, 196), QPoint(4, 120), QPoint(200, 3)}) {
        QTest::mouseMove(f.grip, f.InGrip(p.x(), p.y()));
        EXPECT_EQ(f.grip->GetLeft(), 198) << p.x() << "," << p.y();
        EXPECT_EQ(f.grip->GetTop(), 118) << p.x() << "," << p.y();
    }
    // Just inside the margin it follows again.
    QTest::mouseMove(f.grip, f.InGrip(294, 120));
    EXPECT_EQ(f.grip->GetLeft(), 292);
    QTest::mouseMove(f.grip, f.InGrip(298, 120));
    QTest::mouseRelease(f.grip, Qt::LeftButton, Qt::NoModifier, f.InGrip(298, 120));
    ASSERT_EQ(f.reports.size(), 1u);
    EXPECT_EQ(f.reports[0], TPoint(192, 18));
}

TEST(XYSizer, MovingWithoutTheButtonDoesNothing)
{
    Form f;
    QTest::mouseMove(f.grip, f.InGrip(150, 150));
    EXPECT_EQ(f.grip->GetLeft(), 100);
    EXPECT_EQ(f.grip->GetHorizontalGuide(), nullptr);
    EXPECT_TRUE(f.reports.empty());
}

// The guides stay in the parent they were made in; a grip moved into a panel of
// that parent frees them from its destructor while the parent frees its children.
TEST(XYSizer, GripMovedToAnotherParentAfterItsGuidesWereMade)
{
    Form f;
    QTest::mousePress(f.grip, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    QTest::mouseMove(f.grip, f.InGrip(112, 107));
    QTest::mouseRelease(f.grip, Qt::LeftButton, Qt::NoModifier, f.InGrip(112, 107));
    ASSERT_TRUE(f.grip->GetHorizontalGuide() && f.grip->GetVerticalGuide());
    auto* panel = new TPanel(f.parent.get());
    f.grip->SetParent(panel);
    QPointer<QWidget> guide(f.grip->GetHorizontalGuide());
    f.parent.reset(); // AddressSanitizer reports a read of a freed guide otherwise
    EXPECT_TRUE(guide.isNull());
}

TEST(XYSizer, AGripMovedToAnotherParentDuringADragEndsTheDrag)
{
    Form f;
    QTest::mousePress(f.grip, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    QTest::mouseMove(f.grip, f.InGrip(112, 107));
    TPanel* h = f.grip->GetHorizontalGuide();
    TPanel* v = f.grip->GetVerticalGuide();
    ASSERT_TRUE(h && v && h->isVisible() && v->isVisible());
    auto* panel = new TPanel(f.parent.get());
    panel->SetBounds(0, 0, 200, 150);
    f.grip->SetParent(panel);
    EXPECT_FALSE(h->isVisible());
    EXPECT_FALSE(v->isVisible());
    QTest::mouseRelease(f.grip, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    EXPECT_TRUE(f.reports.empty());
}

// The application may free the grip from its own report; the guides are
// already hidden and nothing touches the grip afterwards.
TEST(XYSizer, GripFreedByItsOwnResizeReport)
{
    Form f;
    QPointer<TXYSizer> grip(f.grip);
    f.grip->OnResize = [](TXYSizer* sender, TPoint) { delete sender; };
    QTest::mousePress(f.grip, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    QTest::mouseMove(f.grip, f.InGrip(120, 110));
    QPointer<TPanel> guide(f.grip->GetHorizontalGuide());
    ASSERT_TRUE(guide && guide->isVisible());
    QTest::mouseRelease(f.grip, Qt::LeftButton, Qt::NoModifier, f.InGrip(120, 110));
    EXPECT_TRUE(grip.isNull());
    EXPECT_TRUE(guide.isNull() || !guide->isVisible());
}
