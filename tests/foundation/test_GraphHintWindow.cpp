#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTest>
#include <memory>
#include <vector>

#include "skedra/foundation/DoLater.h"
#include "skedra/foundation/GraphHintWindow.h"

using namespace skedra;

namespace
{

// A form holding the owner, the form active and the owner focused.
struct Form {
    std::unique_ptr<TPanel> form;
    TPanel* owner = nullptr;
    TGraphHintWindow* hint = nullptr;
    std::vector<TObject*> asked;

    Form()
    {
        form = std::make_unique<TPanel>();
        form->SetBounds(100, 80, 400, 300);
        owner = new TPanel(form.get());
        owner->SetBevelOuter(bvNone);
        owner->SetBounds(20, 30, 300, 150);
        owner->SetTabStop(true);
        hint = new TGraphHintWindow(owner);
        hint->OnUpdateText = [this](TGraphHintWindow* sender, TObject* object) {
            EXPECT_EQ(sender, hint);
            asked.push_back(object);
            sender->SetText("Item text");
        };
        form->show();
        form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
        owner->SetFocus();
        QApplication::processEvents();
    }

    // Runs the deferred calls, as the next pass of the event loop does.
    static void RunDeferred() { QApplication::processEvents(); }
};

// Horizontal bands of rows that hold dark (text) pixels.
int TextBands(const QImage& image)
{
    int bands = 0;
    bool inBand = false;
    for (int y = 1; y < image.height() - 1; ++y) {
        bool dark = false;
        for (int x = 1; x < image.width() - 1 && !dark; ++x)
            dark = qGray(image.pixel(x, y)) < 128;
        if (dark && !inBand) ++bands;
        inBand = dark;
    }
    return bands;
}

} // namespace

TEST(GraphHintWindow, NewWindowIsHiddenWithItsTimersOff)
{
    Form f;
    EXPECT_FALSE(f.hint->isVisible());
    EXPECT_EQ(f.hint->GetWidth(), 120);
    EXPECT_EQ(f.hint->GetHeight(), 30);
    EXPECT_EQ(f.hint->GetColor(), clInfoBk);
    EXPECT_EQ(f.hint->GetShowTimer()->GetInterval(), 1000);
    EXPECT_EQ(f.hint->GetHideTimer()->GetInterval(), 5000);
    EXPECT_FALSE(f.hint->GetShowTimer()->IsActive());
    EXPECT_FALSE(f.hint->GetHideTimer()->IsActive());
    EXPECT_FALSE(f.hint->GetStatic());
    EXPECT_TRUE(f.hint->GetBelowOwner());
    EXPECT_EQ(f.hint->ParentForm(), f.form.get());
}

TEST(GraphHintWindow, ShowsAfterThePointerRestsAndHidesAfterItsTimer)
{
    Form f;
    TObject item;
    f.hint->ShowSlowHintFor(&item, 10, 20);
    ASSERT_EQ(f.asked.size(), 1u);
    EXPECT_EQ(f.asked[0], &item);
    EXPECT_EQ(f.hint->GetText(), "Item text");
    EXPECT_FALSE(f.hint->isVisible());
    EXPECT_TRUE(f.hint->GetShowTimer()->IsActive());
    // Below the owner, at x of its client area.
    const TPoint origin = f.owner->ClientOrigin();
    EXPECT_EQ(f.hint->geometry().topLeft(), QPoint(origin.X + 10, origin.Y + 150 + 4));

    // The same object again asks nothing more.
    f.hint->ShowSlowHintFor(&item, 12, 20);
    EXPECT_EQ(f.asked.size(), 1u);

    f.hint->GetShowTimer()->Timer();
    EXPECT_FALSE(f.hint->GetShowTimer()->IsActive());
    EXPECT_FALSE(f.hint->isVisible()) << "shown from the deferred call, not in the timer";
    Form::RunDeferred();
    EXPECT_TRUE(f.hint->isVisible());
    EXPECT_TRUE(f.hint->GetHideTimer()->IsActive());
    // It never takes the focus or the activation.
    EXPECT_EQ(QApplication::activeWindow(), f.form.get());
    EXPECT_TRUE(f.owner->hasFocus());

    f.hint->GetHideTimer()->Timer();
    EXPECT_FALSE(f.hint->GetHideTimer()->IsActive());
    EXPECT_TRUE(f.hint->isVisible());
    Form::RunDeferred();
    EXPECT_FALSE(f.hint->isVisible());
    EXPECT_TRUE(f.owner->hasFocus());
}

TEST(GraphHintWindow, NothingUnderThePointerHidesAtOnceAndStopsWaiting)
{
    Form f;
    TObject first, second;
    f.hint->ShowSlowHintFor(&first, 10, 20);
    f.hint->GetShowTimer()->Timer();
    Form::RunDeferred();
    ASSERT_TRUE(f.hint->isVisible());

    f.hint->ShowSlowHintFor(&second, 40, 20);
    EXPECT_EQ(f.asked.size(), 2u);
    EXPECT_TRUE(f.hint->GetShowTimer()->IsActive());

    f.hint->ShowSlowHintFor(nullptr, 40, 20);
    EXPECT_FALSE(f.hint->isVisible());
    EXPECT_FALSE(f.hint->GetShowTimer()->IsActive());
    Form::RunDeferred();
    EXPECT_FALSE(f.hint->isVisible());
    EXPECT_EQ(f.hint->GetLastObject(), nullptr);

    // Coming back to the first object asks for its text again.
    f.hint->ShowSlowHintFor(&first, 10, 20);
    EXPECT_EQ(f.asked.size(), 3u);
}

TEST(GraphHintWindow, ShowMoveInfoShowsThreeLinesAtOnce)
{
    Form f;
    f.hint->ShowMoveInfo("Start 08:05", "Stop 09:08", "Length 1:03", 10, 20);
    EXPECT_EQ(f.hint->GetText(), "Start 08:05\rStop 09:08\rLength 1:03");
    EXPECT_TRUE(f.hint->isVisible());
    EXPECT_FALSE(f.hint->GetShowTimer()->IsActive());
    EXPECT_FALSE(f.hint->GetHideTimer()->IsActive());
    QApplication::processEvents();
    const QImage image = f.hint->grab().toImage();
    EXPECT_EQ(TextBands(image), 3);
    EXPECT_EQ(FromQColor(image.pixelColor(image.width() - 3, 2)), ColorToRGB(clInfoBk));
    EXPECT_TRUE(f.owner->hasFocus());
    EXPECT_EQ(QApplication::activeWindow(), f.form.get());
}

TEST(GraphHintWindow, ShowsOnlyWhileItsFormIsActive)
{
    Form f;
    TPanel other;
    other.SetBounds(600, 500, 100, 100);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_FALSE(f.hint->ParentFormActive());
    TObject item;
    f.hint->ShowSlowHintFor(&item, 10, 20);
    f.hint->GetShowTimer()->Timer();
    Form::RunDeferred();
    EXPECT_FALSE(f.hint->isVisible());

    TGraphHintWindow formless(nullptr);
    EXPECT_EQ(formless.ParentForm(), nullptr);
    EXPECT_TRUE(formless.ParentFormActive());
}

TEST(GraphHintWindow, StaticAndFreePositions)
{
    Form f;
    const TPoint origin = f.owner->ClientOrigin();
    f.hint->SetStatic(true);
    f.hint->SetStaticRect(5, 6, 200, 40);
    f.hint->ShowDirect(70, 80);
    EXPECT_EQ(f.hint->geometry(), QRect(origin.X + 5, origin.Y + 6, 200, 40));

    f.hint->SetStatic(false);
    f.hint->SetBelowOwner(false);
    f.hint->ShowDirect(70, 80);
    EXPECT_EQ(f.hint->geometry().topLeft(), QPoint(origin.X + 70, origin.Y + 80));
}

TEST(GraphHintWindow, DestroyingWithdrawsItsDeferredCalls)
{
    Form f;
    TObject item;
    f.hint->ShowSlowHintFor(&item, 10, 20);
    const int before = TDoLater::PendingCount();
    f.hint->GetShowTimer()->Timer();
    EXPECT_EQ(TDoLater::PendingCount(), before + 1);
    delete f.hint;
    f.hint = nullptr;
    EXPECT_EQ(TDoLater::PendingCount(), before);
    Form::RunDeferred();
}
