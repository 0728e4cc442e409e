// The tree popup menu really running: random keys and clicks in the open
// menus, submenus opened, picks, entities changed and deleted while the menu
// is open and from inside the pick, the tree freed and replaced.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include "skedra/tree/qvTreePopup.h"
#include "tests/reliability/TreeData.h"

using namespace skedra;
using namespace skedra::reliability;

namespace
{

void CloseMenus()
{
    while (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
}

class TTreePopupDriver : public TDriver
{
public:
    TTreePopupDriver() : FPrevious(TPopupMenu::SetPopupHandler({}))
    {
        FPopup = std::make_unique<TqvTreePopup>();
        MakeTree();
        FPopup->OnUserPickDataEntity = [this](TqvTreePopup*, TqvDataEntity_Tree* e) {
            ++FPicks;
            TStepRng* r = Rng();
            if (r == nullptr || !FTree) return;
            if (r->Chance(30))
                FTree->RemoveDataEntity(e); // the picked entity goes at once
            else if (r->Chance(30))
                FEdits->Step(*r);
        };
        FPopup->OnCheckUserPickEnable = [this](TqvTreePopup*, TqvDataEntity_Tree*) {
            return Rng() == nullptr || Rng()->Chance(80);
        };
    }
    ~TTreePopupDriver() override
    {
        CloseMenus();
        FPopup.reset();
        FTree.reset();
        TPopupMenu::SetPopupHandler(FPrevious);
    }

    void Step(TStepRng& r) override
    {
        switch (r.Below(8)) {
        case 0:
        case 1:
        case 2:
            if (FTree) FEdits->Step(r);
            break;
        case 3:
        case 4:
        case 5:
            Session(r);
            break;
        case 6:
            if (r.Chance(30)) {
                FTree.reset(); // the popup forgets it
                if (r.Chance(50)) MakeTree();
            } else if (!FTree) {
                MakeTree();
            }
            break;
        default:
            if (r.Chance(50)) {
                FOther = std::make_unique<TPopupMenu>();
                TMenuItem* item = FOther->GetItems()->Add(QStringLiteral("Other"));
                FPopup->SetMenuToAddTo(item);
            } else {
                FPopup->SetMenuToAddTo(nullptr);
                if (r.Chance(50)) FOther.reset();
            }
            break;
        }
    }

    void CheckInvariants() override
    {
        if (QApplication::activePopupWidget() != nullptr) throw std::runtime_error("a menu stayed open");
        if (!FTree) {
            if (FPopup->GetTree() != nullptr) throw std::runtime_error("the popup holds a freed tree");
            return;
        }
        FEdits->Check();
        // Every entity item stands for a live entity of the tree.
        const auto all = FEdits->All();
        std::function<void(TMenuItem*)> walk = [&](TMenuItem* item) {
            for (int i = 0; i < item->Count(); ++i) {
                TMenuItem* sub = item->Items(i);
                if (auto* q = dynamic_cast<TqvMenuItem*>(sub); q != nullptr && q->GetDataEntity() != nullptr)
                    if (std::find(all.begin(), all.end(), q->GetDataEntity()) == all.end())
                        throw std::runtime_error("a menu item stands for an entity that is gone");
                walk(sub);
            }
        };
        walk(FPopup->GetItems());
        if (FOther) walk(FOther->GetItems());
    }

private:
    void MakeTree()
    {
        FTree = std::make_unique<TqvTree>();
        FTree->SetBounds(0, 0, 200, 300);
        FTree->show();
        FEdits = std::make_unique<TTreeEdits>(FTree.get());
        FEdits->Limit = 120;
        for (int i = 0; i < 12; ++i)
            FEdits->Add(i < 4 ? nullptr : FEdits->All()[static_cast<size_t>(i % 4)])
                ->SetText(QStringLiteral("&M%1").arg(i));
        FPopup->SetTree(FTree.get());
    }

    // Pops the menu up and acts in it: a few random keys, clicks and data
    // changes, then every menu is closed.
    void Session(TStepRng& r)
    {
        const int actions = r.Between(0, 6);
        auto act = std::make_shared<std::function<void(int)>>();
        *act = [this, &r, actions, act](int done) {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr) return;
            if (done >= actions) {
                CloseMenus();
                return;
            }
            switch (r.Below(6)) {
            case 0:
            case 1:
                QTest::keyClick(
                    menu, r.Pick(std::vector<Qt::Key>{Qt::Key_Down, Qt::Key_Down, Qt::Key_Up, Qt::Key_Right,
                                                      Qt::Key_Left, Qt::Key_Return, Qt::Key_Escape}));
                break;
            case 2: {
                const auto actionsOfMenu = menu->actions();
                if (!actionsOfMenu.isEmpty()) {
                    QAction* a = actionsOfMenu[r.Below(static_cast<int>(actionsOfMenu.size()))];
                    if (a->menu() != nullptr) {
                        menu->setActiveAction(a);
                        QTest::keyClick(menu, Qt::Key_Right);
                    } else {
                        QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier,
                                          menu->actionGeometry(a).center());
                    }
                }
                break;
            }
            case 3:
                if (FTree) FEdits->Step(r); // the data changes under the open menu
                break;
            case 4:
                QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, input::Point(r, menu, true));
                break;
            default:
                break;
            }
            QTimer::singleShot(0, [act, done] { (*act)(done + 1); });
        };
        QTimer::singleShot(0, [act] { (*act)(0); });
        FPopup->Popup(r.Between(-50, 500), r.Between(-50, 500));
        QApplication::processEvents();
        CloseMenus();
        // The chain ends when no menu is open; drop it so it holds nothing.
        *act = [](int) {};
    }

    TPopupHandler FPrevious;
    std::unique_ptr<TqvTreePopup> FPopup;
    std::unique_ptr<TqvTree> FTree;
    std::unique_ptr<TTreeEdits> FEdits;
    std::unique_ptr<TPopupMenu> FOther;
    int FPicks = 0;
};

} // namespace

TEST(Drive, TreePopup)
{
    RunDriver([] { return std::make_unique<TTreePopupDriver>(); }, 200);
}
