// The data-bound tree view: lazy display, the native tree against the data,
// geometry, and selection and editing through real mouse and key events.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QTest>
#include <QScopeGuard>
#include <QTreeWidget>

#include <algorithm>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "skedra/tree/qvTree.h"
#include "tests/common/TestSupport.h"

using namespace skedra;

namespace
{

void Flush()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QApplication::processEvents();
    }
}

// The tree with a clock the test sets and a record of the native notifications.
class TTestTree : public TqvTree
{
public:
    TDateTime Clock = 45000.0;
    std::vector<TTreeNotifyCode> Notified;

protected:
    TDateTime CurrentTime() const override { return Clock; }
    void TreeNotify(TTreeNotifyCode aCode, TTreeNode* aNode) override
    {
        Notified.push_back(aCode);
        TqvTree::TreeNotify(aCode, aNode);
    }
};

constexpr double kSecond = 1.0 / 86400.0;

class TreeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        test::ClearShownMessages();
        tree = std::make_unique<TTestTree>();
        tree->SetBounds(0, 0, 300, 400);
        tree->show();
        Flush();
    }
    void TearDown() override
    {
        tree.reset();
        EXPECT_TRUE(test::ShownMessages().isEmpty()) << test::ShownMessages().join("\n").toStdString();
    }

    TqvDataEntity_Tree* Add(TqvDataEntity_Tree* parent, const QString& text)
    {
        TqvDataEntity_Tree* e = tree->AddDataEntity(parent);
        e->SetText(text);
        return e;
    }
    void Paint()
    {
        tree->Viewport()->repaint();
        Flush();
    }
    QTreeWidget* Native() const { return static_cast<QTreeWidget*>(tree->NativeWidget()); }
    // A point inside the entity's label.
    QPoint At(TqvDataEntity_Tree* e) const
    {
        const TRect r = tree->GetRect(e);
        return QPoint(r.Left + 3, r.Top + r.Height() / 2);
    }
    void Click(TqvDataEntity_Tree* e, Qt::KeyboardModifiers mods = Qt::NoModifier,
               Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(tree->Viewport(), button, mods, At(e));
        Flush();
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::keyClick(tree->NativeWidget(), static_cast<Qt::Key>(key), mods);
        Flush();
    }
    std::vector<TqvDataEntity_Tree*> Selected()
    {
        std::vector<TqvDataEntity_Tree*> out;
        Walk([&](TqvDataEntity_Tree* e) {
            if (e->GetSelected()) out.push_back(e);
        });
        return out;
    }
    void Walk(const std::function<void(TqvDataEntity_Tree*)>& f, TqvDataList_Tree* list = nullptr)
    {
        if (list == nullptr) list = tree->GetRootDataList();
        for (int i = 0; i < list->Count(); ++i) {
            auto* e = list->GetTreeItem(i);
            f(e);
            Walk(f, e->GetSubDataList());
        }
    }

    std::unique_ptr<TTestTree> tree;
};

// The native nodes under parentNode (roots when null) against the entities of list.
::testing::AssertionResult SameAsData(TqvTree* tree, TqvDataList_Tree* list, TTreeNode* parentNode,
                                      int maxLevels)
{
    std::vector<TTreeNode*> nodes;
    const int n = parentNode ? parentNode->GetCount() : tree->GetItems()->GetRootCount();
    for (int i = 0; i < n; ++i)
        nodes.push_back(parentNode ? parentNode->GetItem(i) : tree->GetItems()->GetRoot(i));
    std::vector<TqvDataEntity_Tree*> shown;
    for (int i = 0; i < list->Count(); ++i) {
        TqvDataEntity_Tree* e = list->GetTreeItem(i);
        if (e->Get_HideNode()) {
            bool anyNode = false;
            std::function<void(TqvDataEntity_Tree*)> check = [&](TqvDataEntity_Tree* x) {
                if (x->GetNode() || x->GetDummyNode()) anyNode = true;
                for (int k = 0; k < x->GetSubDataList()->Count(); ++k)
                    check(x->GetSubDataList()->GetTreeItem(k));
            };
            check(e);
            if (anyNode)
                return ::testing::AssertionFailure()
                       << "hidden entity with a node: " << e->GetText().toStdString();
            continue;
        }
        shown.push_back(e);
    }
    if (shown.size() != nodes.size())
        return ::testing::AssertionFailure()
               << "under " << (parentNode ? parentNode->GetText().toStdString() : "root") << ": "
               << nodes.size() << " nodes for " << shown.size() << " entities";
    for (std::size_t i = 0; i < shown.size(); ++i) {
        TqvDataEntity_Tree* e = shown[i];
        TTreeNode* node = nodes[i];
        if (e->GetNode() != node || node->GetData() != e)
            return ::testing::AssertionFailure() << "order or link differs at " << e->GetText().toStdString();
        if (node->GetText() != e->GetText())
            return ::testing::AssertionFailure()
                   << "text " << node->GetText().toStdString() << " vs " << e->GetText().toStdString();
        if (node->HasChildren() && node->GetExpanded() != e->GetExpanded())
            return ::testing::AssertionFailure() << "expansion differs at " << e->GetText().toStdString();
        if (TTreeNode* dummy = e->GetDummyNode()) {
            if (node->GetCount() != 1 || node->GetItem(0) != dummy || dummy->GetData() != nullptr ||
                dummy->GetText() != "Not initiated")
                return ::testing::AssertionFailure() << "placeholder of " << e->GetText().toStdString();
            // Children of a collapsed entity wait behind the placeholder.
            if (e->GetExpanded())
                return ::testing::AssertionFailure()
                       << "placeholder under an expanded entity: " << e->GetText().toStdString();
            continue;
        }
        if (e->GetSubDataList()->Count() == 0 && node->HasChildren())
            return ::testing::AssertionFailure() << "stray child nodes under " << e->GetText().toStdString();
        auto sub = SameAsData(tree, e->GetSubDataList(), node, maxLevels);
        if (!sub) return sub;
    }
    return ::testing::AssertionSuccess();
}

// Every visible entity's rectangle against Qt's own row geometry.
::testing::AssertionResult GeometryMatches(TqvTree* tree)
{
    auto* native = static_cast<QTreeWidget*>(tree->NativeWidget());
    for (int row = 0;; ++row) {
        TTreeNode* node = tree->GetNodeFromRow(row);
        if (node == nullptr) break;
        const QRect q = native->visualItemRect(tree->NativeItem(node));
        const TRect r = node->DisplayRect(true);
        if (r.Top != q.top() || r.Bottom != q.bottom() + 1 || r.Left != q.left())
            return ::testing::AssertionFailure()
                   << "row " << row << " (" << node->GetText().toStdString() << "): " << r.Left << ","
                   << r.Top << "," << r.Bottom << " vs " << q.left() << "," << q.top() << ","
                   << q.bottom() + 1;
        if (auto* e = tree->GetDataEntityFromNode(node)) {
            if (tree->GetRect(e) != r)
                return ::testing::AssertionFailure() << "GetRect differs at row " << row;
        }
    }
    return ::testing::AssertionSuccess();
}

TEST_F(TreeTest, BurstOfChangesCostsOneUpdateAndAnIdlePassNeverBrackets)
{
    std::vector<TqvDataEntity_Tree*> roots;
    for (int i = 0; i < 20; ++i)
        roots.push_back(Add(nullptr, QString("R%1").arg(i)));
    Paint();
    const int updates = tree->UpdateDisplayCount();
    for (int i = 0; i < 20; ++i) {
        Add(roots[i], "child");
        roots[i]->SetText(QString("Root %1").arg(i));
        roots[(i * 7) % 20]->Move(i);
    }
    tree->RemoveDataEntity(roots[3]);
    EXPECT_EQ(tree->UpdateDisplayCount(), updates);
    Paint();
    EXPECT_EQ(tree->UpdateDisplayCount(), updates + 1);
    EXPECT_TRUE(SameAsData(tree.get(), tree->GetRootDataList(), nullptr, -1));

    // Nothing changed: a forced pass runs but never brackets the native tree.
    const int brackets = tree->GetItems()->BracketCount();
    tree->DisplayOutOfDate();
    Paint();
    EXPECT_EQ(tree->UpdateDisplayCount(), updates + 2);
    EXPECT_EQ(tree->GetItems()->BracketCount(), brackets);
    Paint();
    EXPECT_EQ(tree->UpdateDisplayCount(), updates + 2);
}

TEST_F(TreeTest, RandomEditsLeaveTheNativeTreeEqualToTheDataAfterOnePaint)
{
    std::mt19937 rng(12345);
    std::vector<TqvDataEntity_Tree*> all;
    auto refresh = [&] {
        all.clear();
        Walk([&](TqvDataEntity_Tree* e) { all.push_back(e); });
    };
    auto pick = [&]() -> TqvDataEntity_Tree* {
        if (all.empty()) return nullptr;
        return all[std::uniform_int_distribution<std::size_t>(0, all.size() - 1)(rng)];
    };
    auto isUnder = [](TqvDataEntity_Tree* e, TqvDataEntity_Tree* ancestor) {
        for (auto* p = e; p != nullptr; p = p->ParentNode())
            if (p == ancestor) return true;
        return false;
    };
    int counter = 0;
    for (int step = 0; step < 400; ++step) {
        refresh();
        const int op = std::uniform_int_distribution<int>(0, 9)(rng);
        TqvDataEntity_Tree* e = pick();
        if (op <= 3 || e == nullptr) {
            TqvDataEntity_Tree* parent = std::uniform_int_distribution<int>(0, 3)(rng) == 0 ? nullptr : e;
            TqvDataList_Tree* list = parent ? parent->GetSubDataList() : tree->GetRootDataList();
            const int at = std::uniform_int_distribution<int>(0, list->Count())(rng);
            tree->InsertDataEntity(parent, at)->SetText(QString("N%1").arg(++counter));
        } else if (op == 4) {
            tree->RemoveDataEntity(e);
        } else if (op == 5) {
            e->Move(std::uniform_int_distribution<int>(0, e->GetDataList()->Count() - 1)(rng));
        } else if (op == 6) {
            TqvDataEntity_Tree* target = pick();
            if (target && !isUnder(target, e)) tree->ChangeOwner(e, target);
        } else if (op == 7) {
            e->SetExpanded(!e->GetExpanded());
        } else if (op == 8) {
            e->Set_HideNode(std::uniform_int_distribution<int>(0, 4)(rng) == 0);
        } else {
            e->SetText(QString("T%1").arg(++counter));
        }
        if (step % 25 == 24) {
            Paint();
            ASSERT_TRUE(SameAsData(tree.get(), tree->GetRootDataList(), nullptr, -1))
                << "after step " << step;
            ASSERT_TRUE(GeometryMatches(tree.get())) << "after step " << step;
        }
    }
    Paint();
    EXPECT_TRUE(SameAsData(tree.get(), tree->GetRootDataList(), nullptr, -1));
    EXPECT_TRUE(GeometryMatches(tree.get()));
}

TEST_F(TreeTest, MaxLevelsLimitsPlaceholders)
{
    struct Case {
        int maxLevels;
        bool rootButton;
        bool childButton;
    };
    for (const Case c : {Case{1, false, false}, Case{2, true, false}, Case{-1, true, true}}) {
        tree = std::make_unique<TTestTree>();
        tree->SetBounds(0, 0, 300, 400);
        tree->show();
        tree->SetMaxLevels(c.maxLevels);
        TqvDataEntity_Tree* lonely = Add(nullptr, "lonely");
        TqvDataEntity_Tree* parent = Add(nullptr, "parent");
        TqvDataEntity_Tree* child = Add(parent, "child");
        parent->SetExpanded(true);
        Paint();
        EXPECT_EQ(lonely->GetNode()->HasChildren(), c.rootButton) << c.maxLevels;
        EXPECT_EQ(lonely->GetDummyNode() != nullptr, c.rootButton) << c.maxLevels;
        ASSERT_NE(child->GetNode(), nullptr);
        EXPECT_EQ(child->GetNode()->HasChildren(), c.childButton) << c.maxLevels;
        if (c.rootButton) {
            EXPECT_EQ(lonely->GetDummyNode()->GetText(), "Not initiated");
        }
    }
}

TEST_F(TreeTest, HiddenEntitiesAndTheirSubtreesHaveNoNodesUntilShownAgain)
{
    TqvDataEntity_Tree* a = Add(nullptr, "A");
    TqvDataEntity_Tree* b = Add(nullptr, "B");
    TqvDataEntity_Tree* b1 = Add(b, "B1");
    TqvDataEntity_Tree* b11 = Add(b1, "B11");
    b->SetExpanded(true);
    b1->SetExpanded(true);
    Paint();
    ASSERT_NE(b11->GetNode(), nullptr);
    b->Set_HideNode(true);
    Paint();
    EXPECT_EQ(b->GetNode(), nullptr);
    EXPECT_EQ(b1->GetNode(), nullptr);
    EXPECT_EQ(b11->GetNode(), nullptr);
    EXPECT_EQ(tree->GetItems()->GetRootCount(), 1);
    EXPECT_EQ(tree->GetRect(b1), TRect(-1, -1, -1, -1));
    EXPECT_FALSE(b1->GetVisible());
    b->Set_HideNode(false);
    Paint();
    ASSERT_NE(b11->GetNode(), nullptr);
    EXPECT_TRUE(b11->GetVisible());
    EXPECT_EQ(tree->GetDataEntityFromRow(3), b11);
    EXPECT_TRUE(SameAsData(tree.get(), tree->GetRootDataList(), nullptr, -1));
    EXPECT_EQ(a->GetNode()->GetIndex(), 0);
}

TEST_F(TreeTest, AutoExpandLevelsTwoOpensRootsAndTheirChildrenOnly)
{
    std::vector<TqvDataEntity_Tree*> level1;
    std::vector<TqvDataEntity_Tree*> level2;
    for (int i = 0; i < 3; ++i) {
        TqvDataEntity_Tree* r = Add(nullptr, QString("R%1").arg(i));
        for (int j = 0; j < 2; ++j) {
            TqvDataEntity_Tree* c = Add(r, QString("C%1%2").arg(i).arg(j));
            level1.push_back(c);
            level2.push_back(Add(Add(c, "G"), "GG"));
        }
    }
    tree->SetAutoExpandLevels(2);
    Paint();
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(tree->GetRootDataList()->GetTreeItem(i)->GetExpanded());
    for (auto* c : level1)
        EXPECT_TRUE(c->GetExpanded());
    for (auto* g : level2) {
        EXPECT_FALSE(g->ParentNode()->GetExpanded());
        EXPECT_FALSE(g->GetVisible());
    }
    EXPECT_TRUE(level1[0]->GetSubDataList()->GetTreeItem(0)->GetVisible());
}

// A handler of the automatic opening deletes another root with its children
// (and their list) while the opening runs: the others still open.
TEST_F(TreeTest, AutoExpandSurvivesAHandlerDeletingEntitiesItWasAboutToVisit)
{
    TqvDataEntity_Tree* a = Add(nullptr, "A");
    Add(a, "A1");
    TqvDataEntity_Tree* b = Add(nullptr, "B");
    Add(Add(b, "B1"), "B11");
    TqvDataEntity_Tree* c = Add(nullptr, "C");
    Add(c, "C1");
    bool deleted = false;
    tree->OnExpanding = [&](TObject*, TTreeNode*, bool&) {
        if (deleted) return;
        deleted = true;
        tree->RemoveDataEntity(b);
    };
    tree->SetAutoExpandLevels(1);
    Paint();
    EXPECT_TRUE(deleted);
    ASSERT_EQ(tree->GetRootDataList()->Count(), 2);
    EXPECT_TRUE(a->GetExpanded());
    EXPECT_TRUE(c->GetExpanded());
    QString why;
    EXPECT_TRUE(tree->CheckInvariants(&why)) << why.toStdString();
}

TEST_F(TreeTest, AHandlerAskingForTheDisplayWhileTheTreeIsClearedSeesAConsistentTree)
{
    for (const char* root : {"A", "B", "C"}) {
        TqvDataEntity_Tree* e = Add(nullptr, root);
        Add(Add(e, QStringLiteral("%1 1").arg(root)), QStringLiteral("%1 11").arg(root));
    }
    Paint();
    // Each deletion asks for the display (as a chart reading its rows does),
    // while the entities not yet deleted still hang in the tree.
    int asked = 0;
    tree->OnDeleteItem = [&](TObject*, TqvDataEntity*) {
        ++asked;
        tree->EnsureDisplayUpToDate();
    };
    tree->Clear();
    EXPECT_EQ(asked, 9);
    tree->OnDeleteItem = nullptr;
    Paint();
    EXPECT_EQ(tree->GetItems()->GetRootCount(), 0);
    QString why;
    EXPECT_TRUE(tree->CheckInvariants(&why)) << why.toStdString();
    // The tree fills again as before.
    TqvDataEntity_Tree* d = Add(nullptr, "D");
    Add(d, "D1");
    Paint();
    EXPECT_EQ(tree->GetItems()->GetRootCount(), 1);
    EXPECT_TRUE(tree->CheckInvariants(&why)) << why.toStdString();
}

TEST_F(TreeTest, AnEntityMovedByAHandlerDuringTheDisplayUpdateGetsItsNodeBack)
{
    TqvDataEntity_Tree* a = Add(nullptr, "A");
    Add(a, "A1");
    TqvDataEntity_Tree* b = Add(nullptr, "B");
    TqvDataEntity_Tree* c = Add(b, "C");
    TqvDataEntity_Tree* d = Add(nullptr, "D");
    a->SetExpanded(true);
    b->SetExpanded(true);
    Paint();
    // The next update frees D's node; the deletion handler raised inside that
    // update moves B to the front, and a moved entity's nodes are made anew.
    int moved = 0;
    tree->OnDeletion = [&](TObject*, TTreeNode*) {
        if (moved++ == 0) b->Move(0);
    };
    tree->RemoveDataEntity(d);
    Paint();
    tree->OnDeletion = nullptr;
    EXPECT_GE(moved, 1);
    EXPECT_EQ(tree->GetRootDataList()->GetTreeItem(0), b);
    EXPECT_NE(b->GetNode(), nullptr);
    EXPECT_NE(c->GetNode(), nullptr);
    EXPECT_TRUE(SameAsData(tree.get(), tree->GetRootDataList(), nullptr, -1));
    QString why;
    EXPECT_TRUE(tree->CheckInvariants(&why)) << why.toStdString();
}

TEST_F(TreeTest, AParentMovedByAHandlerWhileItsChildrenGetNodesKeepsThemUnderIt)
{
    TqvDataEntity_Tree* r = Add(nullptr, "R");
    TqvDataEntity_Tree* a = Add(r, "A");
    TqvDataEntity_Tree* b = Add(r, "B");
    Add(nullptr, "S");
    // Opening R's node for its first child raises a handler that moves R: its
    // nodes are made anew, and B's must not be made at the top level meanwhile.
    int moved = 0;
    tree->OnExpanding = [&](TObject*, TTreeNode*, bool&) {
        if (moved++ == 0) r->Move(1);
    };
    r->SetExpanded(true);
    Paint();
    tree->OnExpanding = nullptr;
    EXPECT_GE(moved, 1);
    ASSERT_NE(r->GetNode(), nullptr);
    ASSERT_NE(a->GetNode(), nullptr);
    ASSERT_NE(b->GetNode(), nullptr);
    EXPECT_EQ(a->GetNode()->GetParent(), r->GetNode());
    EXPECT_EQ(b->GetNode()->GetParent(), r->GetNode());
    EXPECT_EQ(tree->GetItems()->GetRootCount(), 2);
    EXPECT_TRUE(SameAsData(tree.get(), tree->GetRootDataList(), nullptr, -1));
    QString why;
    EXPECT_TRUE(tree->CheckInvariants(&why)) << why.toStdString();
}

TEST_F(TreeTest, AnExpansionHandlerThatClearsTheTreeDuringTheDisplayUpdateEndsItQuietly)
{
    Add(nullptr, "A");
    Paint();
    // X's node is made expanded by the update that its expansion brings about;
    // the handler of that expansion clears the tree under the update.
    TqvDataEntity_Tree* x = Add(nullptr, "X");
    Add(Add(x, "X1"), "X11");
    int cleared = 0;
    tree->OnExpanding = [&](TObject*, TTreeNode*, bool&) {
        if (cleared++ == 0) tree->Clear();
    };
    x->SetExpanded(true);
    Paint();
    tree->OnExpanding = nullptr;
    EXPECT_EQ(cleared, 1);
    EXPECT_EQ(tree->GetRootDataList()->Count(), 0);
    EXPECT_EQ(tree->GetItems()->GetCount(), 0);
    QString why;
    EXPECT_TRUE(tree->CheckInvariants(&why)) << why.toStdString();
    // The tree fills again as before.
    TqvDataEntity_Tree* b = Add(nullptr, "B");
    Add(b, "B1");
    b->SetExpanded(true);
    Paint();
    EXPECT_TRUE(SameAsData(tree.get(), tree->GetRootDataList(), nullptr, -1));
}

TEST_F(TreeTest, DeletingThePendingCurrentEntityCancelsTheSelection)
{
    TqvDataEntity_Tree* a = Add(nullptr, "A");
    TqvDataEntity_Tree* b = Add(nullptr, "B");
    Paint();
    tree->SetCurrentDataEntity(a);
    Flush();
    EXPECT_EQ(tree->GetCurrentDataEntity(), a);
    tree->SetCurrentDataEntity(b);
    tree->RemoveDataEntity(b);
    EXPECT_EQ(tree->GetPendingCurrent(), nullptr);
    Flush();
    Paint();
    EXPECT_EQ(tree->GetSelected(), nullptr);
    EXPECT_EQ(tree->GetCurrentDataEntity(), nullptr);
}

TEST_F(TreeTest, RemovingTheSelectedEntityWhoseChangeHandlerRemovesItFirst)
{
    TqvDataEntity_Tree* a = Add(nullptr, "a");
    TqvDataEntity_Tree* b = Add(nullptr, "b");
    Add(b, "b1");
    Paint();
    tree->SetCurrentDataEntity(b);
    Flush();
    ASSERT_EQ(tree->GetCurrentDataEntity(), b);
    int changes = 0;
    tree->OnChange = [&](TObject*, TTreeNode*) {
        if (changes++ == 0) tree->RemoveDataEntity(b);
    };
    tree->RemoveDataEntity(b);
    EXPECT_GT(changes, 0);
    tree->OnChange = nullptr;
    Flush();
    Paint();
    ASSERT_EQ(tree->GetRootDataList()->Count(), 1);
    EXPECT_EQ(tree->GetRootDataList()->GetTreeItem(0), a);
    EXPECT_EQ(tree->GetItems()->GetRootCount(), 1);
}

TEST_F(TreeTest, TextsUpTo255CharactersAreAccepted)
{
    TqvDataEntity_Tree* e = Add(nullptr, "before");
    Paint();
    const QString ok(255, QChar('x'));
    e->SetText(ok);
    EXPECT_EQ(e->GetText(), ok);
    EXPECT_EQ(e->GetNode()->GetText(), ok);
    try {
        e->SetText(QString(256, QChar('y')));
        FAIL() << "no exception";
    } catch (const Exception& ex) {
        EXPECT_EQ(ex.Message(), "Treenodes only allow strings smaller than 255 chars");
    }
    EXPECT_EQ(e->GetText(), ok);
    EXPECT_EQ(e->GetNode()->GetText(), ok);
}

TEST_F(TreeTest, F2EditsTheLabelAndTheEditorStopsAt255Characters)
{
    TqvDataEntity_Tree* e = Add(nullptr, "old");
    Add(nullptr, "other");
    tree->OnBeforeCanEditItem = [](TObject*, TqvDataEntity* d) { d->CanEdit = true; };
    std::vector<TqvDataEntity*> pushed;
    tree->OnValueChanged = [&](TObject* caller, TqvDataEntity* d) {
        EXPECT_EQ(caller, tree.get());
        pushed.push_back(d);
    };
    Paint();
    tree->SetCurrentDataEntity(e);
    Flush();
    ASSERT_EQ(tree->GetSelected(), e->GetNode());
    Key(Qt::Key_F2);
    QLineEdit* editor = tree->InPlaceEditor();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, QString(300, QChar('a')));
    EXPECT_EQ(editor->text().length(), 255);
    QTest::keyClick(editor, Qt::Key_Return);
    Flush();
    EXPECT_EQ(tree->InPlaceEditor(), nullptr);
    EXPECT_EQ(e->GetText(), QString(255, QChar('a')));
    EXPECT_EQ(e->GetNode()->GetText(), e->GetText());
    ASSERT_EQ(pushed.size(), 1u);
    EXPECT_EQ(pushed[0], e);
}

TEST_F(TreeTest, EditorDoesNotOpenWithinASecondOfTheClickThatMadeTheNodeCurrent)
{
    const int interval = QApplication::doubleClickInterval();
    QApplication::setDoubleClickInterval(60);
    const auto restore = qScopeGuard([interval] { QApplication::setDoubleClickInterval(interval); });
    TqvDataEntity_Tree* a = Add(nullptr, "A");
    TqvDataEntity_Tree* b = Add(nullptr, "B");
    tree->OnBeforeCanEditItem = [](TObject*, TqvDataEntity* d) { d->CanEdit = true; };
    Paint();
    tree->SetCurrentDataEntity(a);
    Flush();
    auto slowClick = [&] {
        QTest::qWait(100); // past the double-click time: a slow second click
        Click(b);
        QTest::qWait(100); // the platform's slow-click timer opens the editor
        Flush();
    };
    Click(b); // b becomes current at the tree's clock
    EXPECT_EQ(tree->GetCurrentDataEntity(), b);
    tree->Clock += 0.9 * kSecond;
    slowClick();
    EXPECT_EQ(tree->InPlaceEditor(), nullptr);
    tree->Clock += 0.2 * kSecond; // 1.1 s after b became current
    slowClick();
    ASSERT_NE(tree->InPlaceEditor(), nullptr);
    QTest::keyClick(tree->InPlaceEditor(), Qt::Key_Escape);
    Flush();
    EXPECT_EQ(b->GetText(), "B");
}

class SelectionTest : public TreeTest
{
protected:
    void SetUp() override
    {
        TreeTest::SetUp();
        tree->SetMultiSelect(true);
        for (int i = 0; i < 6; ++i)
            r.push_back(Add(nullptr, QString("R%1").arg(i)));
        r1a = Add(r[1], "R1a");
        r1b = Add(r[1], "R1b");
        Paint();
        // The children of a collapsed entity get nodes when it is expanded.
        ASSERT_EQ(r1a->GetNode(), nullptr);
        ASSERT_FALSE(r1a->GetVisible());
    }
    std::vector<TqvDataEntity_Tree*> r;
    TqvDataEntity_Tree* r1a = nullptr;
    TqvDataEntity_Tree* r1b = nullptr;
};

TEST_F(SelectionTest, ClickShiftClickAndCtrlShiftClickSelectRangesInNativeOrder)
{
    Click(r[0]);
    EXPECT_EQ(tree->GetCurrentDataEntity(), r[0]);
    EXPECT_EQ(Selected(), (std::vector<TqvDataEntity_Tree*>{r[0]}));
    Click(r[2], Qt::ShiftModifier);
    EXPECT_EQ(Selected(), (std::vector<TqvDataEntity_Tree*>{r[0], r[1], r1a, r1b, r[2]}));
    Click(r[4], Qt::ControlModifier);
    EXPECT_EQ(Selected(), (std::vector<TqvDataEntity_Tree*>{r[0], r[1], r1a, r1b, r[2], r[4]}));
    Click(r[5], Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Selected(), (std::vector<TqvDataEntity_Tree*>{r[0], r[1], r1a, r1b, r[2], r[4], r[5]}));
    Click(r[4], Qt::ControlModifier); // Ctrl toggles off again
    EXPECT_FALSE(r[4]->GetSelected());
    EXPECT_TRUE(r[5]->GetSelected());
    Click(r[3], Qt::ShiftModifier); // a plain Shift range replaces the selection
    EXPECT_EQ(Selected(), (std::vector<TqvDataEntity_Tree*>{r[3], r[4]}));
}

TEST_F(SelectionTest, PressOnASelectedEntityKeepsTheSelectionForDraggingAndAPlainClickReducesIt)
{
    Click(r[0]);
    Click(r[2], Qt::ShiftModifier);
    ASSERT_EQ(Selected().size(), 5u);
    int drags = 0;
    tree->OnStartDrag = [&](TObject*, TObject*&) { ++drags; };
    QTest::mousePress(tree->Viewport(), Qt::LeftButton, Qt::NoModifier, At(r[1]));
    QTest::mouseMove(tree->Viewport(), At(r[1]) + QPoint(0, 30));
    QTest::mouseRelease(tree->Viewport(), Qt::LeftButton, Qt::NoModifier, At(r[1]) + QPoint(0, 30));
    Flush();
    EXPECT_EQ(Selected().size(), 5u);
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    Click(r[1]);
    EXPECT_EQ(Selected(), (std::vector<TqvDataEntity_Tree*>{r[1]}));
    EXPECT_EQ(tree->GetCurrentDataEntity(), r[1]);
}

TEST_F(SelectionTest, ArrowKeysMoveTheSelectionAndShiftExtendsIt)
{
    Click(r[2]);
    Key(Qt::Key_Down);
    EXPECT_EQ(tree->GetCurrentDataEntity(), r[3]);
    EXPECT_EQ(Selected(), (std::vector<TqvDataEntity_Tree*>{r[3]}));
    Key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(tree->GetCurrentDataEntity(), r[4]);
    EXPECT_EQ(Selected(), (std::vector<TqvDataEntity_Tree*>{r[3], r[4]}));
    Key(Qt::Key_Up);
    Key(Qt::Key_Up);
    EXPECT_EQ(tree->GetCurrentDataEntity(), r[2]);
    EXPECT_EQ(Selected(), (std::vector<TqvDataEntity_Tree*>{r[2]}));
    Key(Qt::Key_Right); // expands R1? no: R2 has no children
    Key(Qt::Key_Up);
    Key(Qt::Key_Right);
    EXPECT_TRUE(r[1]->GetExpanded());
    Key(Qt::Key_Down);
    EXPECT_EQ(tree->GetCurrentDataEntity(), r1a);
}

TEST_F(SelectionTest, RightClickSelectMakesTheEntityUnderTheMouseCurrent)
{
    std::vector<TqvDataEntity_Tree*> rightClicked;
    tree->OnRightClick = [&](TqvTree_ComBasic* t, TqvDataEntity_Tree* e) {
        EXPECT_EQ(t, tree.get());
        rightClicked.push_back(e);
    };
    Click(r[0]);
    Click(r[3], Qt::NoModifier, Qt::RightButton);
    EXPECT_EQ(tree->GetCurrentDataEntity(), r[0]); // RightClickSelect is off
    tree->SetRightClickSelect(true);
    Click(r[3], Qt::NoModifier, Qt::RightButton);
    EXPECT_EQ(tree->GetCurrentDataEntity(), r[3]);
    EXPECT_EQ(rightClicked, (std::vector<TqvDataEntity_Tree*>{r[3], r[3]}));
}

TEST_F(SelectionTest, SelectionIsDrawnFromTheEntitiesNotTheNativeSelection)
{
    r[0]->SetSelected(true);
    r[4]->SetSelected(true);
    Paint();
    const QImage image = tree->Viewport()->grab().toImage();
    auto pixel = [&](TqvDataEntity_Tree* e) {
        const TRect rect = tree->GetRect(e);
        return image.pixelColor(rect.Left + 1, rect.Top + 1);
    };
    const QColor selected = ToQColor(tree->Focused() ? clHighlight : clBtnFace);
    EXPECT_EQ(pixel(r[0]), selected);
    EXPECT_EQ(pixel(r[4]), selected);
    EXPECT_EQ(pixel(r[2]), ToQColor(clWindow));
    // Without the focus, selected entities are drawn in the button face colour.
    tree->Viewport()->clearFocus();
    tree->NativeWidget()->clearFocus();
    Paint();
    ASSERT_FALSE(tree->Focused());
    const QImage unfocused = tree->Viewport()->grab().toImage();
    const TRect rect = tree->GetRect(r[4]);
    EXPECT_EQ(unfocused.pixelColor(rect.Left + 1, rect.Top + 1), ToQColor(clBtnFace));
    EXPECT_EQ(unfocused.pixelColor(rect.Left + 1, tree->GetRect(r[3]).Top + 1), ToQColor(clWindow));
}

TEST_F(TreeTest, GeometryMatchesTheRowsOnScreen)
{
    std::vector<TqvDataEntity_Tree*> all;
    for (int i = 0; i < 40; ++i) {
        TqvDataEntity_Tree* root = Add(nullptr, QString("Root %1").arg(i));
        all.push_back(root);
        if (i % 3 == 0) {
            for (int j = 0; j < 3; ++j)
                all.push_back(Add(root, QString("Child %1.%2").arg(i).arg(j)));
            root->SetExpanded(true);
        }
    }
    Paint();
    ASSERT_TRUE(GeometryMatches(tree.get()));
    // Rows counted over visible entities, in pre-order.
    int row = 0;
    for (auto* e : all)
        EXPECT_EQ(tree->GetDataEntityFromRow(row++), e);
    EXPECT_EQ(tree->GetDataEntityFromRow(row), nullptr);

    TqvDataEntity_Tree* target = all[20];
    int changes = 0;
    tree->OnTopItemChanged = [&](TObject*) { ++changes; };
    tree->SetTopItem(target);
    Flush();
    EXPECT_EQ(tree->GetTopItem(), target);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(tree->GetRect(target).Top, 0);
    EXPECT_EQ(Native()->itemAt(5, 1), tree->NativeItem(target->GetNode()));
    EXPECT_EQ(tree->GetDataEntityAt(5, tree->GetRect(all[22]).Top + 2), all[22]);
    EXPECT_EQ(tree->GetNextVisible(target), all[21]);
    EXPECT_EQ(tree->GetPrevVisible(target), all[19]);
    ASSERT_TRUE(GeometryMatches(tree.get()));

    // A collapsed child has a node but no row, and an entity without a node
    // has neither: both answer (-1, -1, -1, -1).
    all[0]->SetExpanded(false);
    Paint();
    ASSERT_NE(all[1]->GetNode(), nullptr);
    EXPECT_EQ(tree->GetRect(all[1]), TRect(-1, -1, -1, -1));
    // Geometry answers for the data as it is now, without waiting for a paint.
    TqvDataEntity_Tree* fresh = tree->InsertDataEntity(nullptr, 0);
    fresh->SetText("fresh");
    EXPECT_NE(tree->GetRect(fresh), TRect(-1, -1, -1, -1));
    EXPECT_EQ(tree->GetDataEntityFromRow(0), fresh);
    fresh->Set_HideNode(true);
    EXPECT_EQ(tree->GetRect(fresh), TRect(-1, -1, -1, -1));
    EXPECT_EQ(tree->GetDataEntityFromRow(0), all[0]);
}

TEST_F(TreeTest, ReorderingAListReordersTheNodesAtTheNextPaint)
{
    std::vector<TqvDataEntity_Tree*> e;
    for (int i = 0; i < 5; ++i)
        e.push_back(tree->InsertDataEntity(nullptr, 0));
    for (int i = 0; i < 5; ++i)
        e[i]->SetText(QString::number(i));
    Paint();
    EXPECT_EQ(tree->GetItems()->GetRoot(0)->GetText(), "4");
    e[0]->Move(0);
    e[4]->Move(4);
    Paint();
    EXPECT_TRUE(SameAsData(tree.get(), tree->GetRootDataList(), nullptr, -1));
    EXPECT_EQ(tree->GetItems()->GetRoot(0)->GetText(), "0");
    EXPECT_EQ(tree->GetItems()->GetRoot(4)->GetText(), "4");
    int calls = 0;
    tree->OnSortCompare = [&](TqvDataEntity* a, TqvDataEntity* b) {
        ++calls;
        return static_cast<TqvDataEntity_Tree*>(b)->GetText().compare(
            static_cast<TqvDataEntity_Tree*>(a)->GetText());
    };
    tree->GetRootDataList()->Sort();
    EXPECT_GT(calls, 0);
    Paint();
    EXPECT_EQ(tree->GetItems()->GetRoot(0)->GetText(), "4");
    EXPECT_TRUE(SameAsData(tree.get(), tree->GetRootDataList(), nullptr, -1));
}

TEST_F(TreeTest, ExpandingAPlaceholderLetsTheApplicationFillChildren)
{
    TqvDataEntity_Tree* lazy = Add(nullptr, "lazy");
    std::vector<TqvDataEntity_Tree*> seen;
    tree->OnExpanding = [&](TObject*, TTreeNode* node, bool&) {
        auto* e = tree->GetDataEntityFromNode(node);
        seen.push_back(e);
        if (e->GetSubDataList()->Count() == 0)
            for (int i = 0; i < 3; ++i)
                Add(e, QString("kid %1").arg(i));
    };
    Paint();
    ASSERT_NE(lazy->GetDummyNode(), nullptr);
    // Click the expand button in front of the label.
    const TRect r = tree->GetRect(lazy);
    QTest::mouseClick(tree->Viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(r.Left - tree->GetIndent() / 2, r.Top + 5));
    Flush();
    Paint();
    EXPECT_EQ(seen, (std::vector<TqvDataEntity_Tree*>{lazy}));
    EXPECT_TRUE(lazy->GetExpanded());
    EXPECT_EQ(lazy->GetDummyNode(), nullptr);
    EXPECT_EQ(tree->GetDataEntityFromRow(3), lazy->GetSubDataList()->GetTreeItem(2));
    EXPECT_TRUE(SameAsData(tree.get(), tree->GetRootDataList(), nullptr, -1));
}

TEST_F(TreeTest, ChangeOwnerRefusesAMoveUnderItsOwnDescendant)
{
    TqvDataEntity_Tree* a = Add(nullptr, "A");
    TqvDataEntity_Tree* a1 = Add(a, "A1");
    TqvDataEntity_Tree* b = Add(nullptr, "B");
    Paint();
    tree->ChangeOwner(a, a1);
    EXPECT_EQ(a->ParentNode(), nullptr);
    tree->ChangeOwner(a1, b);
    EXPECT_EQ(a1->ParentNode(), b);
    tree->ChangeOwner(nullptr, b);
    tree->ChangeOwner(b, nullptr);
    Paint();
    EXPECT_TRUE(SameAsData(tree.get(), tree->GetRootDataList(), nullptr, -1));
}

TEST_F(TreeTest, EventsCarryTheTreeAsCaller)
{
    std::vector<QString> log;
    tree->OnInsertItem = [&](TObject* c, TqvDataEntity*) { log.push_back(c == tree.get() ? "insert" : "?"); };
    tree->OnDataEntityDelete = [&](TqvTree_ComBasic* t, TqvDataEntity_Tree*) {
        log.push_back(t == tree.get() ? "entity-delete" : "?");
    };
    tree->OnDeleteItem = [&](TObject* c, TqvDataEntity*) { log.push_back(c == tree.get() ? "delete" : "?"); };
    tree->OnSelectionChanged = [&](TObject* c, TqvDataList*, TqvDataEntity*) {
        log.push_back(c == tree.get() ? "selection" : "?");
    };
    TqvDataEntity_Tree* e = Add(nullptr, "A");
    e->SetSelected(true);
    tree->RemoveDataEntity(e);
    EXPECT_EQ(log, (std::vector<QString>{"insert", "selection", "entity-delete", "delete"}));
}

TEST_F(TreeTest, AFailingHandlerDuringAnUpdateLeavesTheTreeUpdatingAgain)
{
    TqvDataEntity_Tree* a = Add(nullptr, "A");
    Add(a, "A1");
    int raised = 0;
    tree->OnExpanding = [&](TObject*, TTreeNode*, bool&) {
        if (raised++ == 0) throw Exception("refused");
    };
    // Expanding an entity without a node brings the display up to date at
    // once; the handler raises in the middle of that update.
    EXPECT_THROW(a->SetExpanded(true), Exception);
    EXPECT_FALSE(tree->IsUpdating());
    // The tree keeps updating: a new entity gets its node at the next paint.
    TqvDataEntity_Tree* b = Add(nullptr, "B");
    Paint();
    EXPECT_NE(b->GetNode(), nullptr);
    EXPECT_TRUE(a->GetExpanded());
    EXPECT_TRUE(SameAsData(tree.get(), tree->GetRootDataList(), nullptr, -1));
    QString why;
    EXPECT_TRUE(tree->CheckInvariants(&why)) << why.toStdString();
}

TEST_F(TreeTest, TheNativeTreeRaisesEveryNotificationTheTreeActsOn)
{
    TqvDataEntity_Tree* a = Add(nullptr, "A");
    TqvDataEntity_Tree* b = Add(nullptr, "B");
    Add(b, "B1");
    tree->OnBeforeCanEditItem = [](TObject*, TqvDataEntity* d) { d->CanEdit = true; };
    tree->SetDragMode(dmManual);
    Paint();
    Click(a);
    const TRect r = tree->GetRect(b);
    QTest::mouseClick(tree->Viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(r.Left - tree->GetIndent() / 2, r.Top + 5));
    Flush();
    tree->Clock += 5 * kSecond;
    Key(Qt::Key_F2);
    ASSERT_NE(tree->InPlaceEditor(), nullptr);
    QTest::keyClick(tree->InPlaceEditor(), Qt::Key_Return);
    Flush();
    Click(a, Qt::NoModifier, Qt::RightButton);
    QTest::mousePress(tree->Viewport(), Qt::LeftButton, Qt::NoModifier, At(a));
    QTest::mouseMove(tree->Viewport(), At(a) + QPoint(0, 30));
    QTest::mouseRelease(tree->Viewport(), Qt::LeftButton, Qt::NoModifier, At(a) + QPoint(0, 30));
    tree->RemoveDataEntity(a);
    Paint();
    for (TTreeNotifyCode code :
         {tncSelChanging, tncSelChanged, tncBeginLabelEdit, tncEndLabelEdit, tncDeleteItem, tncItemExpanding,
          tncItemExpanded, tncGetDispInfo, tncSetDispInfo, tncCustomDraw, tncRightClick, tncBeginDrag})
        EXPECT_NE(std::find(tree->Notified.begin(), tree->Notified.end(), code), tree->Notified.end())
            << "notification " << code;
}

TEST_F(TreeTest, AutoExpandOpensTheSelectedNodeAndClosesThePreviousOne)
{
    TqvDataEntity_Tree* a = Add(nullptr, "A");
    Add(a, "A1");
    TqvDataEntity_Tree* b = Add(nullptr, "B");
    Add(b, "B1");
    tree->SetAutoExpand(true);
    Paint();
    Click(a);
    EXPECT_TRUE(a->GetExpanded());
    Paint();
    Click(b);
    EXPECT_FALSE(a->GetExpanded());
    EXPECT_TRUE(b->GetExpanded());
    Paint();
    // A child of the open node keeps its parent open.
    Click(b->GetSubDataList()->GetTreeItem(0));
    EXPECT_TRUE(b->GetExpanded());
    EXPECT_TRUE(SameAsData(tree.get(), tree->GetRootDataList(), nullptr, -1));
}

TEST_F(TreeTest, GridLinesAreDrawnOverTheRows)
{
    Add(nullptr, "First");
    TqvDataEntity_Tree* second = Add(nullptr, "Second");
    tree->SetDrawGridLines(true);
    Paint();
    const QImage image = tree->Viewport()->grab().toImage();
    const TRect t = tree->GetRect(second);
    // Inside the label, where the row's fill used to cover the line.
    EXPECT_EQ(image.pixelColor(t.Left + 3, t.Top), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(t.Left + 3, t.Top + 2), ToQColor(clWindow));
}

TEST_F(TreeTest, AnEditedHandlerThatLengthensTheTextIsCutToTheLongestCaption)
{
    TqvDataEntity_Tree* e = Add(nullptr, "old");
    tree->OnBeforeCanEditItem = [](TObject*, TqvDataEntity* d) { d->CanEdit = true; };
    tree->OnEdited = [](TObject*, TTreeNode*, QString& S) { S = S + QString(300, QChar('z')); };
    Paint();
    tree->SetCurrentDataEntity(e);
    Flush();
    Key(Qt::Key_F2);
    ASSERT_NE(tree->InPlaceEditor(), nullptr);
    QTest::keyClick(tree->InPlaceEditor(), Qt::Key_Return);
    Flush();
    EXPECT_EQ(e->GetText().length(), 255);
    EXPECT_TRUE(e->GetText().startsWith("oldzzz"));
    EXPECT_EQ(e->GetNode()->GetText(), e->GetText());
}

TEST_F(TreeTest, ClickingWhereAFreedSelectedNodeWasReadsNoFreedMemory)
{
    Add(nullptr, "A");
    TqvDataEntity_Tree* b = Add(nullptr, "B");
    Paint();
    const QPoint where = At(b);
    Click(b);
    ASSERT_EQ(tree->GetCurrentDataEntity(), b);
    b->GetDataList()->Remove(b);
    Paint();
    QTest::mouseClick(tree->Viewport(), Qt::LeftButton, Qt::NoModifier, where);
    Flush();
    Paint();
    EXPECT_EQ(tree->GetItems()->GetCount(), 2); // A and its placeholder
    QString why;
    EXPECT_TRUE(tree->CheckInvariants(&why)) << why.toStdString();
}

TEST(TreeOnAShownForm, ATreeCreatedAtRunTimeShowsItsRows)
{
    QWidget form;
    form.resize(300, 300);
    form.show();
    Flush();
    auto* tree = new TqvTree(&form);
    tree->SetBounds(0, 0, 200, 200);
    tree->show();
    TqvDataEntity_Tree* e = tree->AddDataEntity(nullptr);
    e->SetText("Visible");
    Flush();
    EXPECT_TRUE(tree->NativeWidget()->isVisible());
    EXPECT_NE(e->GetNode(), nullptr);
    EXPECT_GT(tree->UpdateDisplayCount(), 0);
}

TEST_F(TreeTest, ChildrenUnderACollapsedSubtreeAppearAfterProgrammaticExpansion)
{
    TqvDataEntity_Tree* a = Add(nullptr, "A");
    TqvDataEntity_Tree* a1 = Add(a, "A1");
    Paint();
    TqvDataEntity_Tree* a11 = Add(a1, "A11");
    Add(a1, "A12");
    a->SetExpanded(true);
    a1->SetExpanded(true);
    Paint();
    ASSERT_NE(a11->GetNode(), nullptr);
    EXPECT_TRUE(a11->GetVisible());
    EXPECT_TRUE(SameAsData(tree.get(), tree->GetRootDataList(), nullptr, -1));
    // MakeVisible on a node expands its ancestors the same way.
    TqvDataEntity_Tree* b = Add(nullptr, "B");
    TqvDataEntity_Tree* b1 = Add(b, "B1");
    Paint();
    TqvDataEntity_Tree* b2 = Add(b, "B2");
    b->GetNode()->GetItem(0)->MakeVisible();
    Paint();
    ASSERT_NE(b2->GetNode(), nullptr);
    EXPECT_TRUE(b1->GetVisible());
    EXPECT_TRUE(SameAsData(tree.get(), tree->GetRootDataList(), nullptr, -1));
}

TEST_F(TreeTest, ClearingHideNodePutsTheNodeBackInItsPlace)
{
    TqvDataEntity_Tree* a = Add(nullptr, "A");
    Add(nullptr, "B");
    Add(nullptr, "C");
    Paint();
    a->Set_HideNode(true);
    Paint();
    a->Set_HideNode(false);
    Paint();
    ASSERT_EQ(tree->GetItems()->GetRootCount(), 3);
    EXPECT_EQ(tree->GetItems()->GetRoot(0)->GetText(), "A");
    EXPECT_EQ(tree->GetItems()->GetRoot(1)->GetText(), "B");
    EXPECT_EQ(tree->GetItems()->GetRoot(2)->GetText(), "C");
}

// Data changes interleaved with real clicks, keys and paints: after every step
// the native tree equals the data and the row cache is right.
class TreeRandomTest : public TreeTest
{
protected:
    std::mt19937 rng;
    int counter = 0;
    int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
    std::vector<TqvDataEntity_Tree*> All()
    {
        std::vector<TqvDataEntity_Tree*> all;
        Walk([&](TqvDataEntity_Tree* e) { all.push_back(e); });
        return all;
    }
    TqvDataEntity_Tree* Pick(const std::vector<TqvDataEntity_Tree*>& v)
    {
        return v.empty() ? nullptr : v[static_cast<std::size_t>(Uniform(0, static_cast<int>(v.size()) - 1))];
    }
    static bool IsUnder(TqvDataEntity_Tree* e, TqvDataEntity_Tree* ancestor)
    {
        for (auto* p = e; p != nullptr; p = p->ParentNode())
            if (p == ancestor) return true;
        return false;
    }
    std::vector<TqvDataEntity_Tree*> Shown()
    {
        std::vector<TqvDataEntity_Tree*> shown;
        for (int row = 0; auto* e = tree->GetDataEntityFromRow(row); ++row)
            shown.push_back(e);
        return shown;
    }

    void Step()
    {
        std::vector<TqvDataEntity_Tree*> all = All();
        TqvDataEntity_Tree* e = Pick(all);
        const int op = Uniform(0, 19);
        if (op <= 2 || e == nullptr) { // insert, often under a collapsed entity
            TqvDataEntity_Tree* parent = Uniform(0, 3) == 0 ? nullptr : e;
            TqvDataList_Tree* list = parent ? parent->GetSubDataList() : tree->GetRootDataList();
            tree->InsertDataEntity(parent, Uniform(0, list->Count()))->SetText(QString("N%1").arg(++counter));
        } else if (op == 3) { // delete, the current entity half of the time
            TqvDataEntity_Tree* current = tree->GetCurrentDataEntity();
            tree->RemoveDataEntity(current != nullptr && Uniform(0, 1) == 0 ? current : e);
        } else if (op == 4) {
            e->Move(Uniform(0, e->GetDataList()->Count() - 1));
        } else if (op == 5) {
            TqvDataEntity_Tree* target = Pick(all);
            if (target && !IsUnder(target, e)) tree->ChangeOwner(e, target);
        } else if (op == 6) { // programmatic expansion
            e->SetExpanded(!e->GetExpanded());
        } else if (op == 7) {
            if (e->GetNode() != nullptr) e->GetNode()->MakeVisible();
        } else if (op == 8) {
            e->Set_HideNode(!e->Get_HideNode());
        } else if (op == 9) {
            e->SetText(QString("T%1").arg(++counter));
        } else if (op == 10) {
            tree->SetCurrentDataEntity(e);
        } else if (op <= 13) { // a click on a shown row, with or without modifiers
            std::vector<TqvDataEntity_Tree*> shown = Shown();
            if (TqvDataEntity_Tree* target = Pick(shown)) {
                const int m = Uniform(0, 3);
                const Qt::KeyboardModifiers mods = m == 0   ? Qt::ControlModifier
                                                   : m == 1 ? Qt::ShiftModifier
                                                            : Qt::NoModifier;
                const TRect r = tree->GetRect(target);
                if (r.Top >= 0 && r.Bottom <= tree->Viewport()->height())
                    QTest::mouseClick(tree->Viewport(), Uniform(0, 5) == 0 ? Qt::RightButton : Qt::LeftButton,
                                      mods, QPoint(r.Left + 3, r.Top + 2));
            }
        } else if (op == 14) { // a click on an expand button
            std::vector<TqvDataEntity_Tree*> shown = Shown();
            if (TqvDataEntity_Tree* target = Pick(shown)) {
                const TRect r = tree->GetRect(target);
                if (r.Top >= 0 && r.Bottom <= tree->Viewport()->height())
                    QTest::mouseClick(tree->Viewport(), Qt::LeftButton, Qt::NoModifier,
                                      QPoint(r.Left - tree->GetIndent() / 2, r.Top + r.Height() / 2));
            }
        } else if (op <= 16) {
            static const Qt::Key keys[] = {Qt::Key_Up,   Qt::Key_Down, Qt::Key_Left,    Qt::Key_Right,
                                           Qt::Key_Home, Qt::Key_End,  Qt::Key_PageDown};
            QTest::keyClick(tree->NativeWidget(), keys[Uniform(0, 6)],
                            Uniform(0, 3) == 0 ? Qt::ShiftModifier : Qt::NoModifier);
        } else if (op == 17) {
            tree->SetTopItem(Pick(Shown()));
        } else {
            tree->Viewport()->repaint();
        }
        QCoreApplication::sendPostedEvents();
    }

    void Check(int step)
    {
        tree->GetCurrentDataEntity(); // brings the display up to date
        ASSERT_TRUE(SameAsData(tree.get(), tree->GetRootDataList(), nullptr, -1)) << "after step " << step;
        QString why;
        ASSERT_TRUE(tree->CheckInvariants(&why)) << why.toStdString() << " after step " << step;
        if (step % 20 == 0) {
            ASSERT_TRUE(GeometryMatches(tree.get())) << "after step " << step;
        }
        for (TqvDataEntity_Tree* x : Shown())
            ASSERT_TRUE(x->GetVisible()) << "after step " << step;
    }
};

TEST_F(TreeRandomTest, DataChangesInterleavedWithInputKeepTheNativeTreeEqualToTheData)
{
    tree->SetMultiSelect(true);
    for (unsigned seed : {1u, 2u, 3u}) {
        rng.seed(seed);
        tree->Clear();
        for (int i = 0; i < 8; ++i)
            Add(nullptr, QString("R%1").arg(i));
        for (int step = 0; step < 450; ++step) {
            Step();
            Check(step);
            if (HasFatalFailure()) {
                ADD_FAILURE() << "seed " << seed;
                return;
            }
        }
    }
}

// A derived tree substitutes every class the tree creates: its factories run
// after construction, where the derived overrides are reached.
class TMyTreeEntity : public TqvDataEntity_Tree
{
};
class TMyTreeList : public TqvDataList_Tree
{
};
class TMyTreeLists : public TqvDataList2lev
{
};
class TMyTreeController : public TqvListController_Tree
{
};

class TMyTree : public TqvTree_ComBasic
{
public:
    TMyTree() { DataEntityClass = ClassOf<TMyTreeEntity>(); }
    int ListsMade = 0;

protected:
    TqvDataList2lev* CreateDataList2Lev() override
    {
        auto* lists = new TMyTreeLists();
        lists->AfterCreate();
        return lists;
    }
    TqvDataList_Tree* CreateDataList() override
    {
        ++ListsMade;
        return new TMyTreeList();
    }
    TqvListController_Tree* CreateListController() override { return new TMyTreeController(); }
};

TEST(TreeFactories, ADerivedTreeSubstitutesItsListsEntitiesAndController)
{
    auto tree = std::make_unique<TMyTree>();
    tree->SetBounds(0, 0, 200, 200);
    tree->show();
    EXPECT_NE(dynamic_cast<TMyTreeLists*>(tree->GetDataLists()), nullptr);
    EXPECT_NE(dynamic_cast<TMyTreeList*>(tree->GetRootDataList()), nullptr);
    EXPECT_NE(dynamic_cast<TMyTreeController*>(tree->GetController()), nullptr);
    TqvDataEntity_Tree* root = tree->AddDataEntity(nullptr);
    TqvDataEntity_Tree* child = tree->AddDataEntity(root);
    EXPECT_NE(dynamic_cast<TMyTreeEntity*>(root), nullptr);
    EXPECT_NE(dynamic_cast<TMyTreeEntity*>(child), nullptr);
    EXPECT_NE(dynamic_cast<TMyTreeList*>(root->GetSubDataList()), nullptr);
    EXPECT_EQ(tree->ListsMade, 3); // the root list and one sub-list per entity
    EXPECT_EQ(root->Tree(), tree.get());
    tree->RemoveDataEntity(root);
    EXPECT_EQ(tree->GetRootDataList()->Count(), 0);
}

} // namespace
