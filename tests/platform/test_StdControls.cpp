#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QImage>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QSpontaneKeyEvent>
#include <QWheelEvent>

#include "skedra/platform/Controls.h"
#include "skedra/platform/ExtCtrls.h"
#include "skedra/platform/HintWindow.h"
#include "skedra/platform/ImageList.h"
#include "skedra/platform/Menus.h"
#include "skedra/platform/Messages.h"
#include "skedra/platform/StdCtrls.h"
#include "skedra/platform/System.h"
#include "tests/common/TestSupport.h"

using namespace skedra;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

// ---------------------------------------------------------------------------
// Scroll bar

TEST(ScrollBar, PositionIsClampedToMaxMinusPagePlusOne)
{
    TScrollBar bar;
    EXPECT_EQ(bar.GetMin(), 0);
    EXPECT_EQ(bar.GetMax(), 100);
    int changes = 0;
    bar.OnChange = [&](TObject*) { ++changes; };
    bar.SetPageSize(10);
    EXPECT_EQ(bar.MaxPosition(), 91);
    bar.SetPosition(200);
    EXPECT_EQ(bar.GetPosition(), 91);
    EXPECT_EQ(bar.Bar()->maximum(), 91);
    EXPECT_EQ(bar.Bar()->value(), 91);
    bar.SetPosition(-5);
    EXPECT_EQ(bar.GetPosition(), 0);
    EXPECT_EQ(changes, 2);
    // A larger page pulls the position in.
    bar.SetPosition(91);
    bar.SetPageSize(51);
    EXPECT_EQ(bar.GetPosition(), 50);
    // Out-of-range settings.
    EXPECT_THROW(bar.SetParams(0, 10, 5), EInvalidOperation);
    EXPECT_THROW(bar.SetMax(40), EInvalidOperation); // below the page
    try {
        bar.SetParams(0, 10, 5);
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Scrollbar property out of range");
    }
    bar.SetPageSize(500); // larger than the range: ignored
    EXPECT_EQ(bar.GetPageSize(), 51);
    EXPECT_EQ(bar.GetMax(), 100);
}

TEST(ScrollBar, APageOfTheWholeRangeFromZeroIsIgnoredNotRaised)
{
    // Six rows 0..5 all in view: the page of six is above Max, which the
    // range rule refuses; the bar keeps its page instead of raising.
    TScrollBar bar;
    bar.SetPageSize(4);
    bar.SetParams(2, 0, 5);
    EXPECT_NO_THROW(bar.SetPageSize(6));
    EXPECT_EQ(bar.GetPageSize(), 4);
    EXPECT_EQ(bar.GetMax(), 5);
    EXPECT_EQ(bar.GetPosition(), 2);
    EXPECT_NO_THROW(bar.SetParams(2, 0, 5));
    // Within the rule it is taken.
    bar.SetPageSize(5);
    EXPECT_EQ(bar.GetPageSize(), 5);
    EXPECT_EQ(bar.GetPosition(), 1);
}

TEST(ScrollBar, UserActionsRaiseOnScrollWhichMayChangeThePosition)
{
    TScrollBar bar;
    bar.SetKind(sbVertical);
    EXPECT_EQ(bar.GetWidth(), 17);
    EXPECT_EQ(bar.GetHeight(), 121);
    bar.SetPageSize(20);
    bar.SetLargeChange(15);
    bar.SetSmallChange(2);
    QStringList log;
    bar.OnScroll = [&](TObject*, TScrollCode code, int& pos) {
        log << QStringLiteral("%1:%2").arg(code).arg(pos);
        if (code == scBottom) pos = 70; // the handler overrides
    };
    bar.Bar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(bar.GetPosition(), 15);
    bar.Bar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(bar.GetPosition(), 13);
    bar.Bar()->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(bar.GetPosition(), 70);
    EXPECT_EQ(bar.Bar()->value(), 70);
    bar.Bar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(bar.GetPosition(), 81); // 85 clamped to 100 - 20 + 1
    const QStringList expected = {QString("%1:15").arg(scPageDown), QString("%1:13").arg(scLineUp),
                                  QString("%1:81").arg(scBottom), QString("%1:81").arg(scPageDown)};
    EXPECT_EQ(log, expected);

    // A real click on the track below the thumb pages down and ends the scroll.
    log.clear();
    bar.SetPosition(0);
    bar.show();
    QTest::mouseClick(bar.Bar(), Qt::LeftButton, Qt::NoModifier, QPoint(8, 80));
    ASSERT_GE(log.size(), 2);
    EXPECT_EQ(log.first(), QString("%1:15").arg(scPageDown));
    EXPECT_EQ(log.last(), QString("%1:15").arg(scEndScroll));
    EXPECT_EQ(bar.GetPosition(), 15);
}

// ---------------------------------------------------------------------------
// Timer

TEST(Timer, EnabledIntervalAndDrivenWithoutSleeping)
{
    TTimer timer;
    EXPECT_EQ(timer.GetInterval(), 1000);
    EXPECT_TRUE(timer.GetEnabled());
    EXPECT_TRUE(timer.IsActive());
    int ticks = 0;
    timer.OnTimer = [&](TObject* sender) {
        EXPECT_EQ(sender, &timer);
        ++ticks;
    };
    timer.Timer();
    EXPECT_EQ(ticks, 1);
    timer.SetEnabled(false);
    EXPECT_FALSE(timer.IsActive());
    timer.Timer();
    EXPECT_EQ(ticks, 1);
    timer.SetEnabled(true);
    timer.SetInterval(0);
    EXPECT_FALSE(timer.IsActive());
}

TEST(Timer, ExceptionInOnTimerIsReportedAndTheTimerGoesOn)
{
    test::ClearShownMessages();
    TTimer timer;
    int ticks = 0;
    timer.OnTimer = [&](TObject*) {
        ++ticks;
        throw Exception(QStringLiteral("tick failed"));
    };
    timer.SetInterval(1);
    QElapsedTimer clock;
    clock.start();
    while (ticks < 2 && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    EXPECT_GE(ticks, 2);
    EXPECT_TRUE(test::ShownMessages().contains("tick failed"));
}

// ---------------------------------------------------------------------------
// Popup menus

namespace
{

// Chooses the action with the given text while installed.
struct ChooseAction {
    QString text;
    QStringList shown;
    TPopupHandler previous;
    explicit ChooseAction(QString t) : text(std::move(t))
    {
        previous = TPopupMenu::SetPopupHandler([this](QMenu& menu, QPoint) -> QAction* {
            QAction* chosen = nullptr;
            std::function<void(QMenu&)> walk = [&](QMenu& m) {
                for (QAction* a : m.actions()) {
                    shown << (a->isSeparator() ? QStringLiteral("-") : a->text());
                    if (a->menu() != nullptr) walk(*a->menu());
                    if (a->text() == text) chosen = a;
                }
            };
            walk(menu);
            return chosen;
        });
    }
    ~ChooseAction() { TPopupMenu::SetPopupHandler(previous); }
};

} // namespace

TEST(PopupMenu, BuildsItemsAndDeliversTheClickAfterTheMenuClosed)
{
    TPopupMenu menu;
    QStringList clicks;
    auto onClick = [&](TObject* sender) { clicks << static_cast<TMenuItem*>(sender)->GetCaption(); };
    TMenuItem* open = menu.GetItems()->Add(QStringLiteral("Open"), onClick);
    menu.GetItems()->Add(QStringLiteral("-"));
    TMenuItem* hidden = menu.GetItems()->Add(QStringLiteral("Hidden"), onClick);
    hidden->SetVisible(false);
    TMenuItem* disabled = menu.GetItems()->Add(QStringLiteral("Disabled"), onClick);
    disabled->SetEnabled(false);
    TMenuItem* more = menu.GetItems()->Add(QStringLiteral("More"));
    more->Add(QStringLiteral("Deep"), onClick);
    open->SetDefault(true);
    menu.OnPopup = [&](TObject*) { menu.GetItems()->Add(QStringLiteral("Late"), onClick); };

    ChooseAction choose(QStringLiteral("Deep"));
    menu.Popup(10, 20);
    EXPECT_EQ(choose.shown, (QStringList{"Open", "-", "Disabled", "More", "Deep", "Late"}));
    EXPECT_EQ(menu.GetMenu()->defaultAction()->text(), "Open");
    EXPECT_TRUE(clicks.isEmpty()); // posted, not yet delivered
    ProcessMessages();
    EXPECT_EQ(clicks, QStringList{"Deep"});
    EXPECT_EQ(menu.GetItems()->Count(), 6);
    EXPECT_EQ(more->Items(0)->GetPopupMenu(), &menu);
}

TEST(PopupMenu, ItemsShowTheirImageFromTheImageList)
{
    TImageList images(8, 8);
    QImage red(8, 8, QImage::Format_ARGB32);
    red.fill(Qt::red);
    images.AddImage(red);
    TPopupMenu menu;
    menu.SetImages(&images);
    TMenuItem* with = menu.GetItems()->Add(QStringLiteral("With"));
    with->SetImageIndex(0);
    TMenuItem* beyond = menu.GetItems()->Add(QStringLiteral("Beyond"));
    beyond->SetImageIndex(5); // no such image: no icon, no failure
    menu.GetItems()->Add(QStringLiteral("Without"));
    ChooseAction choose(QStringLiteral("none"));
    menu.Popup(0, 0);
    const QList<QAction*> actions = menu.GetMenu()->actions();
    ASSERT_EQ(actions.size(), 3);
    ASSERT_FALSE(actions[0]->icon().isNull());
    EXPECT_EQ(actions[0]->icon().pixmap(8, 8).toImage().pixelColor(4, 4), QColor(Qt::red));
    EXPECT_TRUE(actions[1]->icon().isNull());
    EXPECT_TRUE(actions[2]->icon().isNull());
}

TEST(PopupMenu, ItemFreedBeforeItsClickArrivesIsNotClicked)
{
    TPopupMenu menu;
    int clicks = 0;
    TMenuItem* item = menu.GetItems()->Add(QStringLiteral("Go"), [&](TObject*) { ++clicks; });
    ChooseAction choose(QStringLiteral("Go"));
    menu.Popup(0, 0);
    delete item;
    EXPECT_EQ(menu.GetItems()->Count(), 0);
    ProcessMessages();
    EXPECT_EQ(clicks, 0);
}

TEST(PopupMenu, ContextMenuOfAControlShowsItsPopupMenu)
{
    TPanel panel;
    TPopupMenu menu(&panel);
    menu.GetItems()->Add(QStringLiteral("Item"));
    panel.SetPopupMenu(&menu);
    ChooseAction choose(QStringLiteral("none"));
    bool asked = false;
    panel.OnContextPopup = [&](TObject*, TPoint pos, bool& handled) {
        asked = pos == TPoint(5, 6);
        handled = false;
    };
    QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(5, 6), panel.mapToGlobal(QPoint(5, 6)));
    QApplication::sendEvent(&panel, &e);
    EXPECT_TRUE(asked);
    EXPECT_EQ(menu.GetPopupComponent(), &panel);
    EXPECT_EQ(choose.shown, QStringList{"Item"});
}

// ---------------------------------------------------------------------------
// Hint window, focus, wheel, clipboard

TEST(HintWindow, ShowsTextInInfoColoursWithoutTakingFocus)
{
    THintWindow hint;
    EXPECT_TRUE(hint.isWindow());
    EXPECT_TRUE(hint.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    const TRect r = hint.CalcHintRect(200, QStringLiteral("Some hint text"), nullptr);
    EXPECT_GT(r.Width(), 6);
    EXPECT_GT(r.Height(), 2);
    hint.ActivateHint(r.Offset(50, 60), QStringLiteral("Some hint text"));
    EXPECT_TRUE(hint.IsShowing());
    EXPECT_EQ(hint.GetLeft(), 50);
    EXPECT_EQ(hint.GetHeight(), r.Height() + 4);
    EXPECT_FALSE(hint.hasFocus());
    QImage image(hint.size(), QImage::Format_RGB32);
    hint.render(&image);
    EXPECT_EQ(FromQColor(image.pixelColor(0, 0)), ColorToRGB(clWindowFrame));
    EXPECT_EQ(FromQColor(image.pixelColor(1, image.height() - 2)), ColorToRGB(clInfoBk));
    bool textDrawn = false;
    for (int x = 3; x < image.width() - 3 && !textDrawn; ++x)
        for (int y = 3; y < image.height() - 3 && !textDrawn; ++y)
            textDrawn = FromQColor(image.pixelColor(x, y)) != ColorToRGB(clInfoBk);
    EXPECT_TRUE(textDrawn);
    hint.ReleaseHandle();
    EXPECT_FALSE(hint.IsShowing());
}

TEST(Focus, EnterAndExitFollowTheFocusedControl)
{
    TPanel host;
    auto* a = new TPanel(&host);
    auto* b = new TPanel(&host);
    a->SetTabStop(true);
    b->SetTabStop(true);
    QStringList log;
    a->OnEnter = [&](TObject*) { log << "enter a"; };
    a->OnExit = [&](TObject*) { log << "exit a"; };
    b->OnEnter = [&](TObject*) { log << "enter b"; };
    host.show();
    QApplication::setActiveWindow(&host);
    a->SetFocus();
    b->SetFocus();
    EXPECT_EQ(log, (QStringList{"enter a", "exit a", "enter b"}));
    EXPECT_TRUE(b->Focused());
    b->SetVisible(false);
    EXPECT_FALSE(b->CanFocus());
    EXPECT_THROW(b->SetFocus(), EInvalidOperation);
    EXPECT_EQ(a->GetTabOrder(), 0);
    b->SetTabOrder(0);
    EXPECT_EQ(b->GetTabOrder(), 0);
    EXPECT_EQ(a->GetTabOrder(), 1);
}

TEST(Wheel, NotchesReachDoMouseWheelAndUnhandledGoToTheParent)
{
    TPanel host;
    host.SetBounds(0, 0, 100, 100);
    auto* child = new TPanel(&host);
    child->SetBounds(10, 10, 50, 50);
    host.show();
    QStringList log;
    child->OnMouseWheel = [&](TObject*, TShiftState s, int delta, TPoint pos, bool& handled) {
        log << QStringLiteral("child %1 %2 %3")
                   .arg(delta)
                   .arg(s.Contains(ssCtrl))
                   .arg(pos == child->ClientToScreen(TPoint(5, 5)));
        handled = false;
    };
    child->OnMouseWheelDown = [&](TObject*, TShiftState, TPoint, bool& handled) {
        log << "child down";
        handled = false;
    };
    host.OnMouseWheelDown = [&](TObject*, TShiftState, TPoint, bool& handled) {
        log << "host down";
        handled = true;
    };
    const QPoint local(5, 5);
    QWheelEvent e(QPointF(local), QPointF(child->mapToGlobal(local)), QPoint(), QPoint(0, -120), Qt::NoButton,
                  Qt::ControlModifier, Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&e); // as from the window system: propagates when ignored
    qApp->notify(child, &e);
    EXPECT_EQ(log, (QStringList{"child -120 1 1", "child down", "host down"}));
}

TEST(Clipboard, SetTextIsReadBack)
{
    Clipboard().SetAsText(QStringLiteral("copied cells"));
    EXPECT_EQ(Clipboard().GetAsText(), "copied cells");
}

TEST(PaintBox, PaintsThroughOnPaintAndMeasuresOutsideAPaint)
{
    TPanel host;
    host.SetBevelOuter(bvNone);
    host.SetColor(clWhite);
    host.SetBounds(0, 0, 40, 40);
    auto* box = new TPaintBox(&host);
    box->SetBounds(10, 10, 20, 20);
    box->OnPaint = [&](TObject*) {
        box->GetCanvas()->Brush.SetColor(clNavy);
        box->GetCanvas()->FillRect(Rect(0, 0, 5, 5));
    };
    EXPECT_GT(box->GetCanvas()->TextWidth(QStringLiteral("Measure")), 20);
    box->GetCanvas()->FillRect(Rect(0, 0, 5, 5)); // outside a paint: draws nothing, raises nothing
    host.show();
    QImage image(40, 40, QImage::Format_RGB32);
    host.render(&image);
    EXPECT_EQ(FromQColor(image.pixelColor(12, 12)), clNavy);
    EXPECT_EQ(FromQColor(image.pixelColor(16, 16)), clWhite);
}
