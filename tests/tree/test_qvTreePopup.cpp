// The tree popup menu: built from the tree on every popup, submenus filled
// when opened, picks reported, entities that go away never reported. The
// menus really run; the tests act on them with mouse and key events.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

#include "skedra/platform/ImageList.h"
#include "skedra/platform/System.h"
#include "skedra/tree/qvTree.h"
#include "skedra/tree/qvTreePopup.h"
#include "tests/common/TestSupport.h"

using namespace skedra;

namespace
{

// Lets the menus really run (the test main closes every menu at once).
struct RealMenus {
    TPopupHandler previous = TPopupMenu::SetPopupHandler({});
    ~RealMenus() { TPopupMenu::SetPopupHandler(previous); }
};

// Runs the steps one after the other, each once the event loop has shown
// what the step before opened; the menu that is open is handed to each.
// After the last step every menu must be closed; one left open fails the
// test and is closed, so a test never hangs.
void WhenMenusOpen(std::vector<std::function<void(QMenu*)>> steps)
{
    QTimer::singleShot(0, [steps = std::move(steps)]() mutable {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (steps.empty() || menu == nullptr || ::testing::Test::HasFatalFailure()) {
            if (!steps.empty()) ADD_FAILURE() << "no menu is open";
            if (menu != nullptr) ADD_FAILURE() << "a menu is still open";
            while (QWidget* popup = QApplication::activePopupWidget())
                popup->close();
            return;
        }
        auto step = std::move(steps.front());
        steps.erase(steps.begin());
        step(menu);
        WhenMenusOpen(std::move(steps));
    });
}

QAction* ActionNamed(QMenu* aMenu, const QString& aText)
{
    for (QAction* a : aMenu->actions())
        if (a->text() == aText && a->isVisible()) return a;
    return nullptr;
}

void Click(QMenu* aMenu, const QString& aText)
{
    QAction* action = ActionNamed(aMenu, aText);
    ASSERT_NE(action, nullptr) << aText.toStdString();
    QTest::mouseClick(aMenu, Qt::LeftButton, Qt::NoModifier, aMenu->actionGeometry(action).center());
}

// Opens the submenu of an item with the keyboard, as a user does.
void OpenSubmenu(QMenu* aMenu, const QString& aText)
{
    QAction* action = ActionNamed(aMenu, aText);
    ASSERT_NE(action, nullptr) << aText.toStdString();
    ASSERT_NE(action->menu(), nullptr) << aText.toStdString() << " has no submenu";
    aMenu->setActiveAction(action);
    QTest::keyClick(aMenu, Qt::Key_Right);
}

// What a menu shows: captions, "-" for separators, "name>" for submenus.
QStringList Shown(const QMenu* aMenu)
{
    QStringList shown;
    for (const QAction* a : aMenu->actions()) {
        if (!a->isVisible()) continue;
        if (a->isSeparator())
            shown << QStringLiteral("-");
        else
            shown << (a->menu() != nullptr ? a->text() + QLatin1Char('>') : a->text());
    }
    return shown;
}

void CloseAll(QMenu*)
{
    while (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
}

class TreePopupTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        test::ClearShownMessages();
        tree = std::make_unique<TqvTree>();
        tree->SetBounds(0, 0, 300, 400);
        tree->show();
        popup = std::make_unique<TqvTreePopup>();
        popup->SetTree(tree.get());
        popup->OnUserPickDataEntity = [this](TqvTreePopup* sender, TqvDataEntity_Tree* entity) {
            EXPECT_EQ(sender, popup.get());
            picked.push_back(entity);
        };
    }
    void TearDown() override
    {
        popup.reset();
        tree.reset();
        EXPECT_TRUE(test::ShownMessages().isEmpty()) << test::ShownMessages().join("\n").toStdString();
    }

    TqvDataEntity_Tree* Add(TqvDataEntity_Tree* parent, const QString& text)
    {
        TqvDataEntity_Tree* e = tree->AddDataEntity(parent);
        e->SetText(text);
        return e;
    }
    // Pops the menu up and lets the posted click of the pick arrive.
    void Run(std::vector<std::function<void(QMenu*)>> steps)
    {
        WhenMenusOpen(std::move(steps));
        popup->Popup(40, 40);
        ProcessMessages();
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    }

    RealMenus realMenus;
    std::unique_ptr<TqvTree> tree;
    std::unique_ptr<TqvTreePopup> popup;
    std::vector<TqvDataEntity_Tree*> picked;
};

} // namespace

TEST_F(TreePopupTest, SixtyFiveRootsBreakIntoColumnsAtTheThirtiethAndSixtiethItem)
{
    for (int i = 1; i <= 65; ++i)
        Add(nullptr, QString("Root %1").arg(i));
    QStringList shown;
    Run({[&](QMenu* menu) {
        shown = Shown(menu);
        CloseAll(menu);
    }});
    ASSERT_EQ(popup->GetItems()->Count(), 65);
    for (int i = 0; i < 65; ++i)
        EXPECT_EQ(popup->Items(i)->GetBreak(), (i == 29 || i == 59) ? mbBarBreak : mbNone)
            << "item " << i + 1;
    // Every root is a submenu; a bar goes before the 30th and the 60th.
    ASSERT_EQ(shown.size(), 67);
    EXPECT_EQ(shown[28], "Root 29>");
    EXPECT_EQ(shown[29], "-");
    EXPECT_EQ(shown[30], "Root 30>");
    EXPECT_EQ(shown[59], "Root 59>");
    EXPECT_EQ(shown[60], "-");
    EXPECT_EQ(shown[61], "Root 60>");
    EXPECT_EQ(shown.count("-"), 2);
    EXPECT_TRUE(picked.empty());
}

TEST_F(TreePopupTest, ChildlessEntityShowsItselfInItsSubmenuAndIsReportedWhenPicked)
{
    TqvDataEntity_Tree* alone = Add(nullptr, "Alone");
    Add(nullptr, "Other");
    QStringList top, sub;
    Run({[&](QMenu* menu) {
             top = Shown(menu);
             OpenSubmenu(menu, "Alone");
         },
         [&](QMenu* submenu) {
             sub = Shown(submenu);
             Click(submenu, "Alone");
         }});
    EXPECT_EQ(top, (QStringList{"Alone>", "Other>"}));
    EXPECT_EQ(sub, QStringList{"Alone"});
    EXPECT_EQ(picked, std::vector<TqvDataEntity_Tree*>{alone});
    EXPECT_TRUE(alone->GetExpanded());
}

TEST_F(TreePopupTest, SubmenuIsFilledWhenOpenedWithTheChildrenTheApplicationAdds)
{
    TqvDataEntity_Tree* project = Add(nullptr, "Project");
    int expansions = 0;
    std::vector<TqvDataEntity_Tree*> kids;
    tree->OnExpanding = [&](TObject*, TTreeNode* node, bool&) {
        TqvDataEntity_Tree* e = tree->GetDataEntityFromNode(node);
        ++expansions;
        if (e == project && e->GetSubDataList()->Count() == 0)
            for (int i = 0; i < 3; ++i)
                kids.push_back(Add(e, QString("Task %1").arg(i)));
    };
    QStringList before, sub;
    Run({[&](QMenu* menu) {
             // Nothing is filled before the submenu opens.
             before = Shown(menu);
             EXPECT_EQ(expansions, 0);
             OpenSubmenu(menu, "Project");
         },
         [&](QMenu* submenu) {
             sub = Shown(submenu);
             OpenSubmenu(submenu, "Task 1");
         },
         [&](QMenu* taskMenu) { Click(taskMenu, "Task 1"); }});
    EXPECT_EQ(before, QStringList{"Project>"});
    EXPECT_EQ(expansions, 2); // the project, then the task opened
    // The children replace the entity itself.
    EXPECT_EQ(sub, (QStringList{"Task 0>", "Task 1>", "Task 2>"}));
    ASSERT_EQ(kids.size(), 3u);
    EXPECT_EQ(picked, std::vector<TqvDataEntity_Tree*>{kids[1]});
    EXPECT_EQ(popup->Items(0)->Count(), 5); // itself and the separator stay, hidden
    EXPECT_FALSE(popup->Items(0)->Items(0)->GetVisible());
    EXPECT_TRUE(popup->Items(0)->Items(1)->IsLine());
}

TEST_F(TreePopupTest, SecondPopupRebuildsWithoutDuplicatesAndKeepsForeignItems)
{
    TqvDataEntity_Tree* a = Add(nullptr, "A");
    TqvDataEntity_Tree* b = Add(nullptr, "B");
    Add(b, "B1");
    popup->GetItems()->Add(QStringLiteral("Settings..."));
    Run({[&](QMenu* menu) { OpenSubmenu(menu, "B"); }, [&](QMenu* submenu) { CloseAll(submenu); }});
    Add(nullptr, "C");
    QStringList shown;
    Run({[&](QMenu* menu) {
        shown = Shown(menu);
        CloseAll(menu);
    }});
    EXPECT_EQ(shown, (QStringList{"Settings...", "A>", "B>", "C>"}));
    EXPECT_EQ(popup->GetItems()->Count(), 4);
    EXPECT_EQ(popup->ItemCountOf(a), 1);
    EXPECT_EQ(popup->ItemCountOf(b), 1);
    EXPECT_EQ(popup->Items(2)->Count(), 1); // B's submenu waits to be filled again
}

TEST_F(TreePopupTest, EntityFreedWhileTheMenuIsOpenIsNeverReported)
{
    // Its action is on screen, built before the entity went, and is clicked.
    TqvDataEntity_Tree* doomed = Add(nullptr, "Doomed");
    Run({[&](QMenu* menu) { OpenSubmenu(menu, "Doomed"); },
         [&](QMenu* submenu) {
             tree->RemoveDataEntity(doomed);
             EXPECT_EQ(popup->ItemCountOf(doomed), 0);
             Click(submenu, "Doomed");
         }});
    EXPECT_TRUE(picked.empty());

    // A child freed with its parent; its submenu opened afterwards offers nothing to pick.
    TqvDataEntity_Tree* parent = Add(nullptr, "Parent");
    TqvDataEntity_Tree* child = Add(parent, "Child");
    bool childEnabled = true;
    Run({[&](QMenu* menu) { OpenSubmenu(menu, "Parent"); },
         [&](QMenu* submenu) {
             EXPECT_EQ(popup->ItemCountOf(child), 1);
             tree->RemoveDataEntity(parent);
             EXPECT_EQ(popup->ItemCountOf(child), 0);
             OpenSubmenu(submenu, "Child");
         },
         [&](QMenu* childMenu) {
             childEnabled = ActionNamed(childMenu, "Child")->isEnabled();
             Click(childMenu, "Child");
             CloseAll(childMenu);
         }});
    EXPECT_FALSE(childEnabled);
    EXPECT_TRUE(picked.empty());

    // Picked, then freed before the posted click arrives.
    TqvDataEntity_Tree* late = Add(nullptr, "Late");
    WhenMenusOpen(
        {[&](QMenu* menu) { OpenSubmenu(menu, "Late"); }, [&](QMenu* submenu) { Click(submenu, "Late"); }});
    popup->Popup(40, 40);
    tree->RemoveDataEntity(late);
    ProcessMessages();
    EXPECT_TRUE(picked.empty());
}

TEST_F(TreePopupTest, PickEnableIsAskedPerEntity)
{
    Add(nullptr, "Open");
    TqvDataEntity_Tree* locked = Add(nullptr, "Locked");
    popup->OnCheckUserPickEnable = [&](TqvTreePopup*, TqvDataEntity_Tree* e) { return e != locked; };
    bool lockedEnabled = true;
    Run({[&](QMenu* menu) { OpenSubmenu(menu, "Locked"); },
         [&](QMenu* submenu) {
             lockedEnabled = ActionNamed(submenu, "Locked")->isEnabled();
             Click(submenu, "Locked");
             CloseAll(submenu);
         }});
    EXPECT_FALSE(lockedEnabled);
    EXPECT_TRUE(picked.empty());
}

TEST_F(TreePopupTest, AddToMenuItemReceivesTheEntitiesAndIsForgottenWhenFreed)
{
    Add(nullptr, "A");
    Add(nullptr, "B");
    TPopupMenu host;
    host.GetItems()->Add(QStringLiteral("Open"));
    TMenuItem* projects = host.GetItems()->Add(QStringLiteral("Projects"));
    projects->Add(QStringLiteral("Recent"));
    popup->SetMenuToAddTo(projects);
    EXPECT_EQ(popup->GetMenuToAddTo(), projects);
    popup->InitRootLevel();
    popup->InitRootLevel();
    EXPECT_EQ(popup->GetItems()->Count(), 0);
    ASSERT_EQ(projects->Count(), 3);
    EXPECT_EQ(projects->Items(0)->GetCaption(), "Recent");
    EXPECT_EQ(projects->Items(2)->GetCaption(), "B");

    // The host menu shows them, and opening one fills it lazily there too.
    QStringList sub;
    WhenMenusOpen({[&](QMenu* menu) { OpenSubmenu(menu, "Projects"); },
                   [&](QMenu* submenu) { OpenSubmenu(submenu, "A"); },
                   [&](QMenu* aMenu) {
                       sub = Shown(aMenu);
                       Click(aMenu, "A");
                   }});
    host.Popup(10, 10);
    ProcessMessages();
    EXPECT_EQ(sub, QStringList{"A"});
    ASSERT_EQ(picked.size(), 1u);
    EXPECT_EQ(picked[0]->GetText(), "A");

    delete projects;
    EXPECT_EQ(popup->GetMenuToAddTo(), nullptr);
    popup->InitRootLevel();
    EXPECT_EQ(popup->GetItems()->Count(), 2);
}

TEST_F(TreePopupTest, CleanUpOfAnAbsentItemDoesNothingAndLeavesPlainItems)
{
    popup->CleanUp(nullptr);
    popup->SetMenuToAddTo(nullptr);
    popup->InitRootLevel();
    EXPECT_EQ(popup->GetItems()->Count(), 0);

    Add(nullptr, "A");
    popup->InitRootLevel();
    popup->GetItems()->Add(QStringLiteral("Plain"));
    popup->CleanUp(popup->GetItems());
    ASSERT_EQ(popup->GetItems()->Count(), 1);
    EXPECT_EQ(popup->Items(0)->GetCaption(), "Plain");
}

TEST_F(TreePopupTest, TreeDestroyedIsForgottenAndItsItemsPickNothing)
{
    Add(nullptr, "Gone");
    popup->InitRootLevel();
    auto* self = dynamic_cast<TqvMenuItem*>(popup->Items(0)->Items(0));
    ASSERT_NE(self, nullptr);
    ASSERT_NE(self->GetDataEntity(), nullptr);
    tree.reset();
    EXPECT_EQ(popup->GetTree(), nullptr);
    EXPECT_EQ(self->GetDataEntity(), nullptr);
    self->Click();
    EXPECT_TRUE(picked.empty());
    popup->InitRootLevel();
    EXPECT_EQ(popup->GetItems()->Count(), 0);
}

TEST_F(TreePopupTest, ItemsShowTheEntityImageAndAmpersandsLiterally)
{
    TImageList images(8, 8);
    QImage red(8, 8, QImage::Format_ARGB32);
    red.fill(Qt::red);
    images.AddImage(red);
    tree->SetImages(&images);
    TqvDataEntity_Tree* e = Add(nullptr, "R&D");
    e->SetImageIndex(0);
    QAction* shownAction = nullptr;
    QString text;
    bool hasIcon = false;
    Run({[&](QMenu* menu) {
        shownAction = menu->actions().value(0);
        ASSERT_NE(shownAction, nullptr);
        text = shownAction->iconText();
        hasIcon = !shownAction->icon().isNull();
        CloseAll(menu);
    }});
    EXPECT_EQ(text, "R&D");
    EXPECT_TRUE(hasIcon);
    EXPECT_EQ(popup->GetImages(), &images);
    tree->SetImages(nullptr);
}
