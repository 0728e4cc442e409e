// The native tree view: structure, rows and their rectangles, expansion with
// its vetoes, sorting, moving, and the in-place editor.
#include <gtest/gtest.h>

#include <QApplication>
#include <QScopeGuard>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "skedra/platform/TreeView.h"
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

class TreeViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        tv = std::make_unique<TCustomTreeView>();
        tv->SetBounds(0, 0, 240, 200);
        tv->show();
        Flush();
    }
    QTreeWidget* Native() const { return static_cast<QTreeWidget*>(tv->NativeWidget()); }
    std::unique_ptr<TCustomTreeView> tv;
};

TEST_F(TreeViewTest, RowsRectanglesAndVisibilityFollowExpansion)
{
    TTreeNodes* items = tv->GetItems();
    TTreeNode* a = items->AddChild(nullptr, "A");
    TTreeNode* a1 = items->AddChild(a, "A1");
    TTreeNode* a2 = items->AddChild(a, "A2");
    TTreeNode* b = items->AddChild(nullptr, "B");
    EXPECT_EQ(items->GetCount(), 4);
    EXPECT_EQ(a2->GetAbsoluteIndex(), 2);
    EXPECT_EQ(b->GetAbsoluteIndex(), 3);
    EXPECT_EQ(a1->GetLevel(), 1);
    EXPECT_EQ(a->GetNextVisible(), b);
    EXPECT_FALSE(a1->IsVisible());
    EXPECT_EQ(a1->DisplayRect(true), TRect());
    a->SetExpanded(true);
    EXPECT_TRUE(a->GetExpanded());
    EXPECT_EQ(a->GetNextVisible(), a1);
    EXPECT_EQ(b->GetPrevVisible(), a2);
    const int h = tv->GetItemHeight();
    for (TTreeNode* n : {a, a1, a2, b}) {
        const QRect q = Native()->visualItemRect(tv->NativeItem(n));
        const TRect r = n->DisplayRect(true);
        EXPECT_EQ(r.Top, q.top()) << n->GetText().toStdString();
        EXPECT_EQ(r.Bottom, q.bottom() + 1);
        EXPECT_EQ(r.Left, q.left());
        EXPECT_EQ(r.Height(), h);
        EXPECT_EQ(n->DisplayRect(false), TRect(0, r.Top, tv->GetClientWidth(), r.Bottom));
    }
    EXPECT_EQ(tv->GetNodeAt(3, h * 2 + 1), a2);
    EXPECT_EQ(tv->GetNodeAt(3, h * 4 + 1), nullptr);
    // A childless node does not expand.
    b->SetExpanded(true);
    EXPECT_FALSE(b->GetExpanded());
}

TEST_F(TreeViewTest, ScrollingIsPerRowSoTheTopRowStartsAtZero)
{
    TTreeNodes* items = tv->GetItems();
    std::vector<TTreeNode*> nodes;
    for (int i = 0; i < 60; ++i)
        nodes.push_back(items->AddChild(nullptr, QString("Node %1").arg(i)));
    tv->SetTopItem(nodes[17]);
    EXPECT_EQ(tv->GetTopItem(), nodes[17]);
    EXPECT_EQ(nodes[17]->DisplayRect(true).Top, 0);
    EXPECT_EQ(nodes[18]->DisplayRect(true).Top, tv->GetItemHeight());
    EXPECT_EQ(nodes[16]->DisplayRect(true).Bottom, 0);
    EXPECT_EQ(Native()->itemAt(4, 2), tv->NativeItem(nodes[17]));
    const TScrollInfo info = tv->GetScrollInfo(true);
    EXPECT_EQ(info.Pos, 17);
    EXPECT_EQ(info.Max, 59);
    EXPECT_EQ(info.Page, tv->GetClientHeight() / tv->GetItemHeight());
}

TEST_F(TreeViewTest, ExpandingAndCollapsingCanBeVetoedAndRaiseTheirEvents)
{
    TTreeNodes* items = tv->GetItems();
    TTreeNode* a = items->AddChild(nullptr, "A");
    items->AddChild(a, "A1");
    std::vector<QString> log;
    bool allow = false;
    tv->OnExpanding = [&](TObject*, TTreeNode* n, bool& ok) {
        log.push_back("expanding " + n->GetText());
        ok = allow;
    };
    tv->OnExpanded = [&](TObject*, TTreeNode* n) { log.push_back("expanded " + n->GetText()); };
    tv->OnCollapsed = [&](TObject*, TTreeNode* n) { log.push_back("collapsed " + n->GetText()); };
    const TRect r = a->DisplayRect(true);
    const QPoint button(r.Left - tv->GetIndent() / 2, r.Top + r.Height() / 2);
    QTest::mouseClick(tv->Viewport(), Qt::LeftButton, Qt::NoModifier, button);
    EXPECT_FALSE(a->GetExpanded());
    allow = true;
    QTest::mouseClick(tv->Viewport(), Qt::LeftButton, Qt::NoModifier, button);
    EXPECT_TRUE(a->GetExpanded());
    EXPECT_TRUE(tv->NativeItem(a)->isExpanded());
    QTest::mouseClick(tv->Viewport(), Qt::LeftButton, Qt::NoModifier, button);
    EXPECT_FALSE(a->GetExpanded());
    EXPECT_EQ(log, (std::vector<QString>{"expanding A", "expanding A", "expanded A", "collapsed A"}));
    EXPECT_EQ(tv->GetSelected(), nullptr); // the button does not select
}

TEST_F(TreeViewTest, CustomSortAndMoveKeepExpansionAndSelection)
{
    TTreeNodes* items = tv->GetItems();
    TTreeNode* c = items->AddChild(nullptr, "C");
    TTreeNode* a = items->AddChild(nullptr, "A");
    TTreeNode* b = items->AddChild(nullptr, "B");
    TTreeNode* b2 = items->AddChild(b, "B2");
    TTreeNode* b1 = items->AddChild(b, "B1");
    b->SetExpanded(true);
    tv->SetSelected(b1);
    int changes = 0;
    tv->OnChange = [&](TObject*, TTreeNode*) { ++changes; };
    auto byText = [](TTreeNode* x, TTreeNode* y, std::intptr_t) {
        return x->GetText().compare(y->GetText());
    };
    EXPECT_TRUE(tv->CustomSort(byText, 0, true));
    EXPECT_EQ(items->GetRoot(0), a);
    EXPECT_EQ(items->GetRoot(1), b);
    EXPECT_EQ(b->GetItem(0), b1);
    EXPECT_TRUE(b->GetExpanded());
    EXPECT_TRUE(tv->NativeItem(b)->isExpanded());
    EXPECT_EQ(tv->GetSelected(), b1);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(tv->GetNodeFromRow(3), b2);
    b->MoveTo(a, naAddChild);
    EXPECT_EQ(b->GetParent(), a);
    EXPECT_TRUE(b->GetExpanded());
    EXPECT_EQ(b1->GetLevel(), 2);
    EXPECT_THROW(a->MoveTo(b1, naAddChild), Exception);
    c->MoveTo(a, naInsert);
    EXPECT_EQ(items->GetRoot(0), c);
    EXPECT_EQ(tv->GetSelected(), b1);
}

TEST_F(TreeViewTest, DeletingTheSelectedNodeClearsTheSelection)
{
    TTreeNodes* items = tv->GetItems();
    TTreeNode* a = items->AddChild(nullptr, "A");
    TTreeNode* b = items->AddChild(nullptr, "B");
    std::vector<QString> deleted;
    tv->OnDeletion = [&](TObject*, TTreeNode* n) { deleted.push_back(n->GetText()); };
    tv->SetSelected(b);
    items->AddChild(b, "B1");
    b->Delete();
    EXPECT_EQ(tv->GetSelected(), nullptr);
    EXPECT_EQ(deleted, (std::vector<QString>{"B1", "B"}));
    EXPECT_EQ(items->GetCount(), 1);
    EXPECT_EQ(tv->GetNodeFromRow(0), a);
    EXPECT_EQ(tv->GetNodeFromRow(1), nullptr);
}

TEST_F(TreeViewTest, SelectingANodeThatAHandlerFreesStopsThereAndLeavesAWorkingTree)
{
    TTreeNodes* items = tv->GetItems();
    TTreeNode* a = items->AddChild(nullptr, "A");
    TTreeNode* a1 = items->AddChild(a, "A1");
    TTreeNode* b = items->AddChild(nullptr, "B");
    // The change handler frees the node just selected.
    tv->OnChange = [&](TObject*, TTreeNode* n) {
        if (n == b) b->Delete();
    };
    tv->SetSelected(b);
    EXPECT_EQ(tv->GetSelected(), nullptr);
    EXPECT_EQ(items->GetCount(), 2);
    tv->OnChange = nullptr;
    // Selecting a hidden child opens its parent, whose expansion handler frees
    // the child: the selection stops there, with no scrolling to a freed row.
    tv->OnExpanding = [&](TObject*, TTreeNode* n, bool&) {
        if (n == a) a1->Delete();
    };
    tv->SetSelected(a1);
    EXPECT_EQ(items->GetCount(), 1);
    EXPECT_NE(tv->GetSelected(), a);
    tv->OnExpanding = nullptr;
    tv->SetSelected(a);
    EXPECT_EQ(tv->GetSelected(), a);
    EXPECT_EQ(tv->GetNodeFromRow(0), a);
    QString why;
    EXPECT_TRUE(tv->CheckInvariants(&why)) << why.toStdString();
}

// Handlers of a deletion may select the node that goes, and handlers of the
// selection change may delete others: the control's model must not be
// changed while it removes a row.
TEST_F(TreeViewTest, HandlersThatSelectTheNodeBeingDeletedAndDeleteOthersLeaveAWorkingTree)
{
    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type != QtDebugMsg && type != QtInfoMsg) warnings << text;
        });
    const auto restore = qScopeGuard([previous] { qInstallMessageHandler(previous); });
    TTreeNodes* items = tv->GetItems();
    TTreeNode* a = items->AddChild(nullptr, "A");
    TTreeNode* b = items->AddChild(nullptr, "B");
    TTreeNode* c = items->AddChild(nullptr, "C");
    items->AddChild(c, "C1");
    tv->SetSelected(b);
    // Cleared as B goes, the selection handler selects B again, and deletes C
    // when the selection leaves B once more.
    bool reselected = false;
    tv->OnChange = [&](TObject*, TTreeNode* n) {
        if (n == nullptr && !std::exchange(reselected, true)) {
            tv->SetSelected(b);
        } else if (n != b && c != nullptr) {
            TTreeNode* gone = std::exchange(c, nullptr);
            gone->Delete();
        }
    };
    b->Delete();
    tv->OnChange = nullptr;
    EXPECT_TRUE(reselected);
    EXPECT_EQ(c, nullptr);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join("\n").toStdString();
    EXPECT_NE(tv->GetSelected(), b);
    EXPECT_EQ(tv->GetNodeFromRow(0), a);
    QString why;
    EXPECT_TRUE(tv->CheckInvariants(&why)) << why.toStdString();
    tv->SetSelected(a);
    EXPECT_EQ(tv->GetSelected(), a);
    Flush();
    EXPECT_TRUE(tv->CheckInvariants(&why)) << why.toStdString();
}

// Collapsing a node scrolled to the bottom shrinks the scroll range, and the
// control reports the new position from inside the collapse: handlers of the
// scrolling see the rows as they are, and may free the node.
class TScrollWatchingTree : public TCustomTreeView
{
public:
    std::function<void()> OnScrolled;

protected:
    void WMVScroll() override
    {
        if (OnScrolled) OnScrolled();
    }
};

TEST(TreeViewScrolling, CollapsingWhileScrolledShowsHandlersTheRowsAsTheyAreAndMayFreeTheNode)
{
    auto tv = std::make_unique<TScrollWatchingTree>();
    tv->SetBounds(0, 0, 240, 200);
    tv->show();
    Flush();
    TTreeNodes* items = tv->GetItems();
    auto fill = [&] {
        TTreeNode* a = items->AddChild(nullptr, "A");
        for (int i = 0; i < 40; ++i)
            items->AddChild(a, QStringLiteral("A%1").arg(i));
        for (int i = 0; i < 5; ++i)
            items->AddChild(nullptr, QStringLiteral("R%1").arg(i));
        a->SetExpanded(true);
        Flush();
        tv->SetTopItem(items->GetRoot(items->GetRootCount() - 1));
        Flush();
        return a;
    };
    TTreeNode* a = fill();
    int scrolled = 0;
    QString why;
    tv->OnScrolled = [&] {
        ++scrolled;
        EXPECT_TRUE(tv->CheckInvariants(&why)) << why.toStdString();
        EXPECT_EQ(tv->GetNodeFromRow(1), items->GetRoot(1));
    };
    a->SetExpanded(false);
    EXPECT_GT(scrolled, 0);
    EXPECT_TRUE(tv->CheckInvariants(&why)) << why.toStdString();

    // The scroll handler deletes the node being collapsed.
    tv->OnScrolled = nullptr;
    items->Clear();
    a = fill();
    scrolled = 0;
    tv->OnScrolled = [&] {
        if (scrolled++ == 0) a->Delete();
    };
    a->SetExpanded(false);
    EXPECT_GT(scrolled, 0);
    EXPECT_EQ(items->GetRootCount(), 5);
    EXPECT_EQ(tv->GetNodeFromRow(0), items->GetRoot(0));
    EXPECT_TRUE(tv->CheckInvariants(&why)) << why.toStdString();
}

TEST_F(TreeViewTest, InPlaceEditorTakesAtMost255Characters)
{
    TTreeNode* a = tv->GetItems()->AddChild(nullptr, "A");
    std::vector<QString> edited;
    tv->OnEdited = [&](TObject*, TTreeNode*, QString& s) { edited.push_back(s); };
    ASSERT_TRUE(a->EditText());
    QLineEdit* editor = tv->InPlaceEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->maxLength(), 255);
    editor->selectAll();
    QTest::keyClicks(editor, QString(260, QChar('z')));
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_EQ(edited.size(), 1u);
    EXPECT_EQ(edited[0].length(), 255);
    EXPECT_EQ(a->GetText(), QString(255, QChar('z')));
    // Escape cancels.
    ASSERT_TRUE(a->EditText());
    QTest::keyClicks(tv->InPlaceEditor(), "x");
    QTest::keyClick(tv->InPlaceEditor(), Qt::Key_Escape);
    EXPECT_EQ(edited.size(), 1u);
    EXPECT_EQ(a->GetText(), QString(255, QChar('z')));
    // A veto keeps the editor closed.
    tv->OnEditing = [](TObject*, TTreeNode*, bool& allow) { allow = false; };
    EXPECT_FALSE(a->EditText());
    EXPECT_EQ(tv->InPlaceEditor(), nullptr);
}

TEST_F(TreeViewTest, KeysMoveTheSelectionAndExpand)
{
    TTreeNodes* items = tv->GetItems();
    TTreeNode* a = items->AddChild(nullptr, "A");
    TTreeNode* a1 = items->AddChild(a, "A1");
    TTreeNode* b = items->AddChild(nullptr, "B");
    tv->SetSelected(a);
    QWidget* w = tv->NativeWidget();
    QTest::keyClick(w, Qt::Key_Down);
    EXPECT_EQ(tv->GetSelected(), b);
    QTest::keyClick(w, Qt::Key_Up);
    QTest::keyClick(w, Qt::Key_Right);
    EXPECT_TRUE(a->GetExpanded());
    QTest::keyClick(w, Qt::Key_Right);
    EXPECT_EQ(tv->GetSelected(), a1);
    QTest::keyClick(w, Qt::Key_Left);
    EXPECT_EQ(tv->GetSelected(), a);
    QTest::keyClick(w, Qt::Key_Left);
    EXPECT_FALSE(a->GetExpanded());
    bool allow = false;
    tv->OnChanging = [&](TObject*, TTreeNode*, bool& ok) { ok = allow; };
    QTest::keyClick(w, Qt::Key_Down);
    EXPECT_EQ(tv->GetSelected(), a);
}

} // namespace
