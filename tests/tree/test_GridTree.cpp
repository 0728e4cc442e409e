#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "skedra/tree/GridTree.h"

using namespace skedra;

namespace
{

using TNode = TqvDataEntity_GridTreeNode;

class TCellData : public TMoxSimpleCellData
{
};
class TGridData : public TMoxGridCellData
{
};

// A grid whose rows a grid tree fills, with the grid's virtual-loading hooks
// forwarded to the tree as the grid component does.
struct TTreeGrid {
    TMoxGridCellForViewer Root{nullptr, MoxCellDataClassOf<TGridData>(), MoxCellDataClassOf<TCellData>()};
    TAxisContentList& Rows = *Root.RowList;
    std::function<void(TNode*)> InitChildren;
    int InitCalls = 0;
    std::unique_ptr<TqvGridTree> Tree;
    bool AllowUnload = true;

    explicit TTreeGrid(int fixedRows)
    {
        Tree = std::make_unique<TqvGridTree>([this](TqvGridTree*, TNode* node) {
            ++InitCalls;
            if (InitChildren) InitChildren(node);
        });
        Tree->GridCell = &Root;
        Root.ColumnList->AddNew(nullptr);
        Root.SetFixedRows(fixedRows);
        for (int i = 0; i < fixedRows; ++i)
            Rows.InsertNew(i, nullptr);
        Root.OnVirtualLoad = [this](TMoxGridCell*, TAxisContentItem* item, bool row) {
            if (row) Tree->_OnGridRowReload(item);
        };
        Root.OnVirtualUnLoad = [this](TMoxGridCell*, TAxisContentItem*, bool, bool perform, bool& can) {
            if (!perform) can = AllowUnload;
        };
        Root.OnUnloaded = [this](TMoxGridCell*, TAxisContentItem* item, bool row) {
            if (row) Tree->_OnGridRowUnloaded(item);
        };
        Root.OnKeepAfterUnloadCheck = [this](TMoxGridCell*, TAxisContentItem* item, bool row, bool& keep) {
            if (row) Tree->_OnKeepGridRowAfterUnload(item, keep);
        };
        Root.OnUnloadIntervall = [this](TMoxGridCell*, TAxisContentItem* item, bool row, int& s, int& e) {
            if (row) Tree->_OnUnloadIntervall(item, s, e);
        };
        Root.OnDeleteOfUnloaded = [this](TMoxGridCell*, bool row, int& s, int& e) {
            if (row) Tree->_OnDeleteOfUnloaded(&Rows, s, e);
        };
    }
    ~TTreeGrid() { Tree.reset(); }

    TNode* RowNode(int r)
    {
        return Rows.IsLoaded(r)
                   ? TqvGridTree::NodeOfRow(Rows.getLoadedAxisContentItem(Rows.IndexConvert_RealToLoaded(r)))
                   : nullptr;
    }
    int RowOf(TNode* n) { return n->Row ? n->Row->ListIndex() : -1; }

    // What a layout pass does with the rows.
    void Layout(int top, int count)
    {
        Rows.ClearVisibles();
        for (int r = top; r < top + count && r < Rows.Count(); ++r)
            if (TAxisContentItem* item = Rows.getAxisContentItem(r)) Rows.AddToVisible(item);
        Rows.Purge();
    }
};

TEST(GridTree, RowsFollowTheTreeInDepthFirstOrder)
{
    TTreeGrid g(1);
    TNode* a = g.Tree->AddDataEntity(nullptr);
    TNode* b = g.Tree->AddDataEntity(nullptr);
    EXPECT_EQ(g.RowOf(a), 1);
    EXPECT_EQ(g.RowOf(b), 2);
    TNode* a1 = g.Tree->AddDataEntity(a);
    TNode* a2 = g.Tree->AddDataEntity(a);
    TNode* a11 = g.Tree->AddDataEntity(a1);
    TNode* a0 = g.Tree->InsertDataEntity(a, 0);
    // a, a0, a1, a11, a2, b
    EXPECT_EQ(g.RowOf(a0), 2);
    EXPECT_EQ(g.RowOf(a1), 3);
    EXPECT_EQ(g.RowOf(a11), 4);
    EXPECT_EQ(g.RowOf(a2), 5);
    EXPECT_EQ(g.RowOf(b), 6);
    EXPECT_EQ(g.Rows.Count(), 7);
    for (int r = 1; r < 7; ++r) {
        TNode* n = g.RowNode(r);
        ASSERT_NE(n, nullptr);
        EXPECT_EQ(n->Row->Data, n);
    }
    EXPECT_EQ(a11->GetLevel(), 2);
    EXPECT_EQ(a11->GetNext(), a2);
    EXPECT_EQ(a2->GetPrev(), a11);
    EXPECT_EQ(a0->GetPrev(), a);
    EXPECT_EQ(b->GetPrev(), a2);
    EXPECT_EQ(a11->RootNode(), a);
    // Children of a collapsed node have hidden rows.
    EXPECT_TRUE(a0->Row->Hidden);
    EXPECT_FALSE(b->Row->Hidden);
    EXPECT_TRUE(a11->CanEdit);
}

TEST(GridTree, ExpandAndCollapseFlipHiddenRows)
{
    TTreeGrid g(0);
    TNode* a = g.Tree->AddDataEntity(nullptr);
    TNode* a1 = g.Tree->AddDataEntity(a);
    TNode* a2 = g.Tree->AddDataEntity(a);
    TNode* a11 = g.Tree->AddDataEntity(a1);
    std::vector<TIntegrationEventKind> kinds;
    g.Tree->IntegrationEvents = [&](TIntegrationEventKind k, TqvDataEntity*) { kinds.push_back(k); };
    a->SetExpanded(true);
    EXPECT_FALSE(a1->Row->Hidden);
    EXPECT_FALSE(a2->Row->Hidden);
    EXPECT_TRUE(a11->Row->Hidden); // a1 itself is collapsed
    EXPECT_TRUE(a1->GetVisible());
    EXPECT_FALSE(a11->GetVisible());
    EXPECT_NE(std::find(kinds.begin(), kinds.end(), ieVisibleChanged), kinds.end());
    a1->SetExpanded(true);
    EXPECT_FALSE(a11->Row->Hidden);
    a2->Set_HideNode(true);
    EXPECT_TRUE(a2->Row->Hidden);
    a->SetExpanded(false);
    EXPECT_TRUE(a1->Row->Hidden);
    EXPECT_TRUE(a11->Row->Hidden);
    EXPECT_EQ(g.Rows.GetHiddenRowCount(), 3);
    a->SetExpanded(true);
    EXPECT_FALSE(a1->Row->Hidden);
    EXPECT_FALSE(a11->Row->Hidden); // its own parent is still expanded
    EXPECT_TRUE(a2->Row->Hidden);   // HideNode
    EXPECT_EQ(a->GetNextVisible(), a1);
    EXPECT_EQ(a1->GetNextVisible(), a11);
    EXPECT_EQ(a11->GetNextVisible(), nullptr);
    EXPECT_EQ(a11->GetPrevVisible(), a1);
}

TEST(GridTree, ChildrenAreAskedForOnceAndExpansionCanBeRefused)
{
    TTreeGrid g(0);
    g.InitChildren = [&](TNode* n) {
        for (int i = 0; i < 3; ++i)
            g.Tree->AddDataEntity(n);
    };
    TNode* a = g.Tree->AddDataEntity(nullptr);
    a->SetExpanded(true);
    a->SetExpanded(false);
    a->SetExpanded(true);
    EXPECT_EQ(g.InitCalls, 1);
    EXPECT_EQ(a->GetSubDataListCount(), 3);
    EXPECT_EQ(g.Rows.Count(), 4);

    TNode* b = g.Tree->AddDataEntity(nullptr);
    g.Tree->OnExpand = [](TqvGridTree*, TNode*, bool& allow) { allow = false; };
    b->SetExpanded(true);
    EXPECT_FALSE(b->Expanded);
    EXPECT_FALSE(b->SubListInitialised);
    EXPECT_EQ(g.InitCalls, 1);
    int collapses = 0;
    g.Tree->OnCollapse = [&](TqvGridTree*, TNode*, bool&) { ++collapses; };
    a->SetExpanded(false);
    a->SetExpanded(false);
    EXPECT_EQ(collapses, 1);
}

TEST(GridTree, ExpandAllCreatesSubListsAndAsksEveryNode)
{
    TTreeGrid g(0);
    TNode* a = g.Tree->AddDataEntity(nullptr);
    TNode* b = g.Tree->AddDataEntity(nullptr);
    TNode* a1 = g.Tree->AddDataEntity(a);
    g.Tree->ExpandAll();
    EXPECT_EQ(g.InitCalls, 3);
    for (TNode* n : {a, b, a1}) {
        EXPECT_NE(n->SubDataList, nullptr);
        EXPECT_TRUE(n->Expanded);
        EXPECT_TRUE(n->SubListInitialised);
    }
    EXPECT_EQ(g.Tree->GetDataLists()->Count(), 4);
    g.Tree->CollapseAll();
    EXPECT_TRUE(a1->Row->Hidden);
    EXPECT_FALSE(a->Expanded);
}

TEST(GridTree, DeletingANodeRemovesItsSubtreeAndRows)
{
    TTreeGrid g(1);
    TNode* a = g.Tree->AddDataEntity(nullptr);
    TNode* a1 = g.Tree->AddDataEntity(a);
    g.Tree->AddDataEntity(a1);
    g.Tree->AddDataEntity(a);
    TNode* b = g.Tree->AddDataEntity(nullptr);
    std::vector<TqvDataEntity*> deleted;
    g.Tree->OnDeleteNode = [&](TqvGridTree*, TNode* n) { deleted.push_back(n); };
    ASSERT_EQ(g.Tree->GetDataLists()->Count(), 3);
    g.Tree->RemoveDataEntity(a);
    EXPECT_EQ(deleted.size(), 4u);
    EXPECT_EQ(g.Rows.Count(), 2);
    EXPECT_EQ(g.RowOf(b), 1);
    EXPECT_EQ(g.Tree->GetDataLists()->Count(), 1);
    EXPECT_EQ(g.Tree->GetRootDataList()->Count(), 1);
}

TEST(GridTree, MovesCarryTheSubtreeRows)
{
    TTreeGrid g(1);
    TNode* a = g.Tree->AddDataEntity(nullptr);
    TNode* a1 = g.Tree->AddDataEntity(a);
    TNode* a2 = g.Tree->AddDataEntity(a);
    TNode* b = g.Tree->AddDataEntity(nullptr);
    TNode* b1 = g.Tree->AddDataEntity(b);
    a->Move(1); // b, b1, a, a1, a2
    EXPECT_EQ(g.RowOf(b), 1);
    EXPECT_EQ(g.RowOf(b1), 2);
    EXPECT_EQ(g.RowOf(a), 3);
    EXPECT_EQ(g.RowOf(a1), 4);
    EXPECT_EQ(g.RowOf(a2), 5);
    a2->Move(0);
    EXPECT_EQ(g.RowOf(a2), 4);
    EXPECT_EQ(g.RowOf(a1), 5);
    // Into another parent.
    a1->ChangeOwner(b->GetSubDataList(), 0);
    EXPECT_EQ(g.RowOf(a1), 2);
    EXPECT_EQ(g.RowOf(b1), 3);
    EXPECT_EQ(a1->ParentNode(), b);
}

TEST(GridTree, SortingKeepsTheOrder)
{
    TTreeGrid g(0);
    std::vector<TNode*> nodes;
    for (int i = 0; i < 40; ++i)
        nodes.push_back(g.Tree->AddDataEntity(nullptr));
    // Reversed too: the rows mirror the lists, so no sort moves anything.
    for (const bool reverse : {false, true}) {
        g.Tree->GetRootDataList()->Sort(reverse);
        for (int i = 0; i < 40; ++i)
            EXPECT_EQ(g.Tree->GetRootDataList()->GetLoaded(i), nodes[static_cast<size_t>(i)]);
        QString why;
        EXPECT_TRUE(g.Tree->CheckInvariants(&why)) << why.toStdString();
    }
    EXPECT_EQ(g.Tree->_SortCompare(nodes[3], nodes[7]), -1);
    EXPECT_EQ(g.Tree->_SortCompare(nodes[7], nodes[3]), 1);
    EXPECT_EQ(g.Tree->_SortCompare(nodes[7], nodes[7]), 0);
}

TEST(GridTree, VirtualRootsLoadAndUnloadWithTheirRows)
{
    TTreeGrid g(1);
    g.InitChildren = [&](TNode* n) {
        for (int i = 0; i < 4; ++i)
            g.Tree->AddDataEntity(n);
    };
    std::vector<TIntegrationEventKind> kinds;
    g.Tree->IntegrationEvents = [&](TIntegrationEventKind k, TqvDataEntity*) { kinds.push_back(k); };
    g.Tree->GetRootDataList()->AddUnloaded(1000);
    EXPECT_EQ(g.Rows.Count(), 1001);
    g.Layout(1, 10);
    TNode* n3 = g.RowNode(4);
    ASSERT_NE(n3, nullptr);
    EXPECT_EQ(n3->ListIndex(), 3);
    n3->SetExpanded(true);
    EXPECT_EQ(g.Rows.Count(), 1005);
    EXPECT_EQ(g.RowNode(5)->ParentNode(), n3);
    // Far away: the rows go, and the root entities the list loaded, except
    // root 3, which holds the children the application added.
    g.Layout(800, 10);
    EXPECT_EQ(g.Rows.LoadedCount(), 11);
    EXPECT_EQ(g.Rows.Count(), 1005); // every node keeps its row, unloaded
    EXPECT_EQ(n3->Row, nullptr);
    EXPECT_EQ(n3->GetSubDataListCount(), 4);
    EXPECT_NE(std::find(kinds.begin(), kinds.end(), ieUnload), kinds.end());
    EXPECT_NE(std::find(kinds.begin(), kinds.end(), ieLoad), kinds.end());
    for (int r = 800; r < 810; ++r) {
        TNode* n = g.RowNode(r);
        ASSERT_NE(n, nullptr);
        EXPECT_EQ(n->ListIndex(), r - 5);
    }
    QString why;
    EXPECT_TRUE(g.Tree->CheckInvariants(&why)) << why.toStdString();
    // Back up again: root 3 comes back as it was, expanded, with its children.
    g.Layout(1, 10);
    EXPECT_EQ(g.RowNode(4), n3);
    EXPECT_TRUE(n3->Expanded);
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(g.RowNode(5 + c)->ParentNode(), n3);
    EXPECT_EQ(g.InitCalls, 1);
    // Scrolling backwards matches each row to the node before its neighbour.
    g.Layout(400, 10);
    g.Layout(395, 10);
    for (int r = 395; r < 405; ++r)
        EXPECT_EQ(g.RowNode(r)->ListIndex(), r - 5);
    EXPECT_TRUE(g.Tree->CheckInvariants(&why)) << why.toStdString();
}

TEST(GridTree, ClearingRowsRemovesExactlyTheirNodes)
{
    TTreeGrid g(1);
    g.Tree->GetRootDataList()->AddUnloaded(20);
    g.Layout(5, 3); // rows 1..4 unloaded before the block, 5..7 loaded, 8..20 after
    ASSERT_EQ(g.Rows.FirstLoadedIndex(), 5);
    ASSERT_EQ(g.Rows.LastLoadedIndex(), 7);
    TNode* loaded = g.RowNode(6);
    g.Tree->AddDataEntity(loaded); // a child row, hidden
    ASSERT_EQ(g.Rows.Count(), 22);
    int deletes = 0;
    g.Tree->OnDeleteNode = [&](TqvGridTree*, TNode*) { ++deletes; };
    g.Rows.ClearKeepFixedItems();
    EXPECT_EQ(g.Rows.Count(), 1);
    EXPECT_EQ(g.Tree->GetRootDataList()->Count(), 0);
    EXPECT_EQ(deletes, 4); // the loaded roots and the child; unloaded ones raise nothing
    // Rows and nodes stay one to one afterwards.
    TNode* fresh = g.Tree->AddDataEntity(nullptr);
    EXPECT_EQ(g.RowOf(fresh), 1);
}

TEST(GridTree, ClearingTheUnloadedBlockBeforeTheRowsWithFixedRows)
{
    // The rows before the loaded block stand for roots 0..3 and the rows after
    // it for the roots after the last loaded root: deleting only the unloaded
    // rows keeps exactly the loaded ones.
    TTreeGrid g(2);
    g.Tree->GetRootDataList()->AddUnloaded(12);
    g.Layout(6, 3);
    ASSERT_EQ(g.Rows.FirstLoadedIndex(), 6);
    std::vector<TNode*> kept = {g.RowNode(6), g.RowNode(7), g.RowNode(8)};
    TNode* child = g.Tree->AddDataEntity(kept[1]);
    kept[1]->SetExpanded(true);
    ASSERT_EQ(g.Rows.Count(), 15);
    g.Rows.DeleteOfUnloaded(2, 5);  // the block before
    g.Rows.DeleteOfUnloaded(6, 10); // the block after: rows 6..10 once the four are gone
    EXPECT_EQ(g.Tree->GetRootDataList()->Count(), 3);
    EXPECT_EQ(g.Rows.Count(), 6);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(g.Tree->GetRootDataList()->Items(i), kept[static_cast<size_t>(i)]);
    EXPECT_EQ(g.RowOf(kept[0]), 2);
    EXPECT_EQ(g.RowOf(child), 4);
}

TEST(GridTree, ReloadFailures)
{
    TTreeGrid g(1);
    TNode* a = g.Tree->AddDataEntity(nullptr);
    try {
        g.Tree->_OnGridRowReload(a->Row);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Unloaded or loaded?");
    }
    g.Tree->RemoveDataEntity(a);
    g.Rows.AddUnloaded(3); // rows that no node stands for
    try {
        g.Rows.getAxisContentItem(2);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "No loadeditem found");
    }
}

TEST(GridTree, ChildrenAddedToARootWhoseRowIsUnloadedSurviveScrolling)
{
    TTreeGrid g(1);
    for (int i = 0; i < 30; ++i)
        g.Tree->AddDataEntity(nullptr);
    g.Layout(1, 5); // the tail's rows are unloaded
    ASSERT_LT(g.Rows.LastLoadedIndex(), 20);
    TNode* tail = g.Tree->AddDataEntity(nullptr); // appended: its row is unloaded
    EXPECT_EQ(tail->Row, nullptr);
    TNode* c1 = g.Tree->AddDataEntity(tail);
    TNode* c2 = g.Tree->AddDataEntity(tail);
    tail->SetExpanded(true);
    QString why;
    ASSERT_TRUE(g.Tree->CheckInvariants(&why)) << why.toStdString();
    int deletes = 0;
    g.Tree->OnDeleteNode = [&](TqvGridTree*, TNode*) { ++deletes; };
    g.Layout(g.Rows.Count() - 5, 5);
    EXPECT_EQ(g.RowNode(31), tail);
    EXPECT_EQ(g.RowNode(32), c1);
    EXPECT_EQ(g.RowNode(33), c2);
    g.Layout(1, 5);
    g.Layout(g.Rows.Count() - 3, 3);
    EXPECT_EQ(deletes, 0);
    EXPECT_EQ(tail->GetSubDataListCount(), 2);
    EXPECT_TRUE(tail->Expanded);
    EXPECT_EQ(g.RowNode(33), c2);
    EXPECT_FALSE(c2->Row->Hidden);
    EXPECT_TRUE(g.Tree->CheckInvariants(&why)) << why.toStdString();
}

TEST(GridTree, MovingALoadedRootInFrontOfTheUnloadedRowsLoadsNothing)
{
    TTreeGrid g(1);
    g.Tree->GetRootDataList()->AddUnloaded(1200);
    g.Layout(900, 10);
    const int loaded = g.Rows.LoadedCount();
    TNode* first = g.RowNode(900); // the first loaded row
    ASSERT_NE(first, nullptr);
    g.Tree->AddDataEntity(first);
    first->Move(0);
    EXPECT_LE(g.Rows.LoadedCount(), loaded + 1);
    QString why;
    ASSERT_TRUE(g.Tree->CheckInvariants(&why)) << why.toStdString();
    g.Layout(1, 10);
    EXPECT_EQ(g.RowNode(1), first);
    EXPECT_EQ(g.RowNode(2)->ParentNode(), first);
    EXPECT_TRUE(g.Tree->CheckInvariants(&why)) << why.toStdString();
    // And back next to an unloaded block at the far end.
    first->Move(1100);
    EXPECT_TRUE(g.Tree->CheckInvariants(&why)) << why.toStdString();
    g.Layout(1100, 5);
    EXPECT_EQ(g.RowNode(1101), first);
}

TEST(GridTree, InsertingARootAtZeroWhileTheFirstRootsRowIsUnloaded)
{
    TTreeGrid g(1);
    std::vector<TNode*> roots;
    for (int i = 0; i < 30; ++i)
        roots.push_back(g.Tree->AddDataEntity(nullptr));
    g.Layout(10, 5);
    ASSERT_EQ(roots[0]->Row, nullptr);
    TNode* fresh = g.Tree->InsertDataEntity(nullptr, 0);
    QString why;
    ASSERT_TRUE(g.Tree->CheckInvariants(&why)) << why.toStdString();
    g.Layout(1, 5);
    EXPECT_EQ(g.RowNode(1), fresh);
    EXPECT_EQ(g.RowNode(2), roots[0]);
    g.Tree->RemoveDataEntity(fresh);
    EXPECT_EQ(g.RowNode(1), roots[0]);
    EXPECT_TRUE(g.Tree->CheckInvariants(&why)) << why.toStdString();
}

TEST(GridTree, RemovingARootWithAnUnloadedRowTakesTheRowOff)
{
    TTreeGrid g(1);
    for (int i = 0; i < 30; ++i)
        g.Tree->AddDataEntity(nullptr);
    g.Layout(1, 5);
    TNode* tail = g.Tree->AddDataEntity(nullptr);
    ASSERT_EQ(tail->Row, nullptr);
    ASSERT_EQ(g.Rows.Count(), 32);
    g.Tree->RemoveDataEntity(tail);
    EXPECT_EQ(g.Rows.Count(), 31);
    g.Layout(25, 6);
    EXPECT_EQ(g.RowNode(30)->ListIndex(), 29);
    QString why;
    EXPECT_TRUE(g.Tree->CheckInvariants(&why)) << why.toStdString();
}

TEST(GridTree, UnloadingRootsTheApplicationAddedKeepsThemAndTheirRows)
{
    TTreeGrid g(1);
    TNode* a = g.Tree->AddDataEntity(nullptr);
    TNode* b = g.Tree->AddDataEntity(nullptr);
    TNode* c = g.Tree->AddDataEntity(nullptr);
    g.Tree->AddDataEntity(b);
    TqvDataList* roots = g.Tree->GetRootDataList();
    // Nothing could make them again from a record: the tree refuses, and
    // the roots stay loaded with their rows.
    EXPECT_FALSE(roots->Unload(0, true));
    EXPECT_FALSE(roots->Unload(2, false));
    EXPECT_EQ(roots->LoadedCount(), 3);
    EXPECT_EQ(roots->Count(), 3);
    EXPECT_EQ(g.Rows.Count(), 5);
    EXPECT_EQ(g.RowNode(1), a);
    EXPECT_EQ(g.RowNode(2), b);
    EXPECT_EQ(g.RowNode(4), c);
    QString why;
    EXPECT_TRUE(g.Tree->CheckInvariants(&why)) << why.toStdString();
}

TEST(GridTree, FreeingTheGridBeforeItsTreeOrAfterIsSilent)
{
    for (bool gridFirst : {true, false}) {
        auto root = std::make_unique<TMoxGridCellForViewer>(nullptr, MoxCellDataClassOf<TGridData>(),
                                                            MoxCellDataClassOf<TCellData>());
        root->ColumnList->AddNew(nullptr);
        auto tree = std::make_unique<TqvGridTree>();
        tree->GridCell = root.get();
        TNode* a = tree->AddDataEntity(nullptr);
        tree->AddDataEntity(a);
        tree->AddDataEntity(nullptr);
        int events = 0;
        tree->OnDeleteNode = [&](TqvGridTree*, TNode*) { ++events; };
        tree->IntegrationEvents = [&](TIntegrationEventKind, TqvDataEntity*) { ++events; };
        if (gridFirst) {
            root.reset();
            tree.reset();
        } else {
            tree.reset();
            root.reset();
        }
        EXPECT_EQ(events, 0) << (gridFirst ? "grid first" : "tree first");
    }
}

// ---------------------------------------------------------------------------
// Randomized comparison with an independent reference: the tree as the
// application built it. Nothing it added may be lost however rows are
// unloaded and reloaded; roots announced unloaded are filled when loaded.

struct TRef {
    int Id = 0;
    bool Virtual = false; // announced with AddUnloaded; the application fills it on load
    bool Expanded = false;
    bool Hide = false;
    bool Initialised = false;
    std::vector<TRef*> Children;
    TRef* Parent = nullptr;
};

class TRandomTreeCheck
{
public:
    explicit TRandomTreeCheck(unsigned seed) : FRng(seed), FGrid(1)
    {
        FGrid.InitChildren = [this](TNode* n) {
            TRef* ref = RefOf(n);
            ref->Initialised = true;
            const int k = Uniform(0, 3);
            for (int i = 0; i < k; ++i) {
                TRef* child = New(ref);
                ref->Children.push_back(child);
                FGrid.Tree->AddDataEntity(n)->SetUserReference(child);
            }
        };
        FGrid.Tree->IntegrationEvents = [this](TIntegrationEventKind kind, TqvDataEntity* e) {
            auto* n = dynamic_cast<TNode*>(e);
            if (kind != ieLoad || !n || n->ParentNode()) return;
            // The application fills a root the list loads from its own records.
            TRef* ref = FRoots.at(static_cast<size_t>(n->ListIndex()));
            ASSERT_TRUE(ref->Virtual) << "a root the application added was loaded again";
            n->SetUserReference(ref);
            n->HideNode = ref->Hide;
            n->Expanded = ref->Expanded;
            n->SubListInitialised = ref->Initialised;
        };
        for (int i = 0; i < 20; ++i) {
            TRef* r = New(nullptr);
            FRoots.push_back(r);
            FGrid.Tree->AddDataEntity(nullptr)->SetUserReference(r);
        }
        for (int i = 0; i < 150; ++i) {
            FRoots.push_back(New(nullptr));
            FRoots.back()->Virtual = true;
        }
        FGrid.Tree->GetRootDataList()->AddUnloaded(150);
    }

    int Scrolls = 0;
    int Moves = 0;

    void Run(int steps)
    {
        for (int step = 0; step < steps; ++step) {
            Step();
            Check();
            if (::testing::Test::HasFailure()) {
                ADD_FAILURE() << "step " << step;
                return;
            }
        }
    }

private:
    int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(FRng); }
    static TRef* RefOf(TNode* n) { return static_cast<TRef*>(n->GetUserReference()); }
    TRef* New(TRef* parent)
    {
        FPool.emplace_back();
        TRef* r = &FPool.back();
        r->Id = static_cast<int>(FPool.size());
        r->Parent = parent;
        return r;
    }
    std::vector<TRef*>& SiblingsOf(TRef* r) { return r->Parent ? r->Parent->Children : FRoots; }
    static bool IsUnder(TRef* r, TRef* ancestor)
    {
        for (; r; r = r->Parent)
            if (r == ancestor) return true;
        return false;
    }
    static bool ExpectHidden(TRef* r)
    {
        if (r->Hide) return true;
        for (TRef* p = r->Parent; p; p = p->Parent)
            if (!p->Expanded || p->Hide) return true;
        return false;
    }

    void LoadedNodes(TqvDataList_GridTree* list, std::vector<TNode*>& out)
    {
        for (int p = 0; p < list->LoadedCount(); ++p) {
            auto* n = dynamic_cast<TNode*>(list->GetLoaded(p));
            out.push_back(n);
            if (n->SubDataList) LoadedNodes(n->SubDataList, out);
        }
    }

    void Step()
    {
        std::vector<TNode*> nodes;
        LoadedNodes(FGrid.Tree->GetRootDataList(), nodes);
        const int op = Uniform(0, 11);
        if (nodes.empty() || op >= 9) {
            // Scroll: mostly a little, sometimes to either end or anywhere.
            const int count = FGrid.Rows.Count();
            const int pick = Uniform(0, 9);
            int top = pick == 0   ? 1
                      : pick == 1 ? count - 8
                      : pick == 2 ? Uniform(1, count - 1)
                                  : FTop + Uniform(-12, 12);
            top = std::clamp(top, 1, std::max(1, count - 1));
            FTop = top;
            FGrid.Layout(top, Uniform(3, 12));
            ++Scrolls;
            return;
        }
        TNode* n = nodes[static_cast<size_t>(Uniform(0, static_cast<int>(nodes.size()) - 1))];
        TRef* r = RefOf(n);
        ASSERT_NE(r, nullptr);
        switch (op) {
        case 0: { // insert a child
            const int at = Uniform(0, n->GetSubDataListCount());
            TRef* c = New(r);
            r->Children.insert(r->Children.begin() + at, c);
            FGrid.Tree->InsertDataEntity(n, at)->SetUserReference(c);
            break;
        }
        case 1: { // insert a root anywhere, index 0 and the ends included
            const int count = FGrid.Tree->GetRootDataList()->Count();
            const int pick = Uniform(0, 2);
            const int at = pick == 0 ? 0 : pick == 1 ? count : Uniform(0, count);
            TRef* c = New(nullptr);
            // The list may load roots while it inserts: the records change after.
            TNode* fresh = FGrid.Tree->InsertDataEntity(nullptr, at);
            FRoots.insert(FRoots.begin() + at, c);
            fresh->SetUserReference(c);
            break;
        }
        case 2: { // delete
            auto& siblings = SiblingsOf(r);
            siblings.erase(std::find(siblings.begin(), siblings.end(), r));
            FGrid.Tree->RemoveDataEntity(n);
            break;
        }
        case 3:
        case 4: // expand or collapse
            n->SetExpanded(!n->Expanded);
            r->Expanded = n->Expanded;
            break;
        case 5: // hide
            n->Set_HideNode(!n->HideNode);
            r->Hide = n->HideNode;
            break;
        case 6:
        case 7: { // move anywhere in its list, into unloaded blocks too
            TqvDataList* list = n->GetDataList();
            const int pick = Uniform(0, 2);
            const int to = pick == 0 ? 0 : pick == 1 ? list->Count() - 1 : Uniform(0, list->Count() - 1);
            n->Move(to);
            auto& siblings = SiblingsOf(r);
            siblings.erase(std::find(siblings.begin(), siblings.end(), r));
            siblings.insert(siblings.begin() + to, r);
            ++Moves;
            break;
        }
        case 8: { // to another parent
            TNode* target = nodes[static_cast<size_t>(Uniform(0, static_cast<int>(nodes.size()) - 1))];
            TRef* t = RefOf(target);
            if (IsUnder(t, r)) break;
            auto& siblings = SiblingsOf(r);
            siblings.erase(std::find(siblings.begin(), siblings.end(), r));
            t->Children.push_back(r);
            r->Parent = t;
            TqvDataList* list = target->GetSubDataList();
            n->ChangeOwner(list, list->Count());
            break;
        }
        default:
            break;
        }
    }

    // The lists hold exactly what the application built; the rows follow it.
    void CheckList(TqvDataList_GridTree* list, const std::vector<TRef*>& refs, int& row)
    {
        ASSERT_EQ(list->Count(), static_cast<int>(refs.size()));
        for (int i = 0; i < list->Count(); ++i) {
            TRef* ref = refs[static_cast<size_t>(i)];
            if (!list->IsLoaded(i)) {
                ASSERT_TRUE(ref->Virtual && ref->Children.empty()) << "an added node is gone: " << ref->Id;
                ++row;
                continue;
            }
            auto* n = dynamic_cast<TNode*>(list->LoadedItemAt(i));
            ASSERT_EQ(RefOf(n), ref) << "index " << i;
            if (n->Row) {
                ASSERT_EQ(n->Row->ListIndex(), row) << "node " << ref->Id;
                ASSERT_EQ(n->Row->Hidden, ExpectHidden(ref)) << "node " << ref->Id;
            }
            ++row;
            if (!ref->Children.empty() || n->SubDataList) {
                ASSERT_NE(n->SubDataList, nullptr);
                CheckList(n->SubDataList, ref->Children, row);
                if (::testing::Test::HasFatalFailure()) return;
            }
        }
    }

    void Check()
    {
        QString why;
        ASSERT_TRUE(FGrid.Tree->CheckInvariants(&why)) << why.toStdString();
        int row = FGrid.Rows.FixedCount;
        CheckList(FGrid.Tree->GetRootDataList(), FRoots, row);
        if (::testing::Test::HasFatalFailure()) return;
        ASSERT_EQ(row, FGrid.Rows.Count());
    }

    std::mt19937 FRng;
    int FTop = 1;
    std::deque<TRef> FPool;
    std::vector<TRef*> FRoots;
    TTreeGrid FGrid;
};

TEST(GridTree, RootsAppendedAwayFromTheShownRowsLoadNothing)
{
    TTreeGrid g(1);
    TqvDataList_GridTree* roots = g.Tree->GetRootDataList();
    roots->AddUnloaded(10000);
    g.Layout(1, 10);
    int loads = 0;
    g.Tree->IntegrationEvents = [&](TIntegrationEventKind k, TqvDataEntity*) {
        if (k == ieLoad) ++loads;
    };
    QString why;
    std::vector<TNode*> added;
    for (int k = 0; k < 50; ++k) {
        added.push_back(g.Tree->AddDataEntity(nullptr));
        g.Layout(1, 10);
        ASSERT_TRUE(g.Tree->CheckInvariants(&why)) << why.toStdString();
    }
    EXPECT_EQ(loads, 0);
    EXPECT_EQ(roots->GetTailCount(), 50);
    EXPECT_EQ(roots->LoadedCount(), 60);
    EXPECT_EQ(g.Rows.Count(), 1 + 10050);
    for (int k = 0; k < 50; ++k) {
        EXPECT_EQ(added[static_cast<size_t>(k)]->ListIndex(), 10000 + k);
        EXPECT_EQ(g.RowOf(added[static_cast<size_t>(k)]), -1); // their rows wait unloaded
    }
    // At the end the appended nodes get their rows.
    g.Layout(g.Rows.Count() - 10, 10);
    ASSERT_TRUE(g.Tree->CheckInvariants(&why)) << why.toStdString();
    for (int j = 0; j < 10; ++j)
        EXPECT_EQ(g.RowNode(10041 + j), added[static_cast<size_t>(40 + j)]);
    // Just before them: the roots of the gap load next to the tail.
    loads = 0;
    g.Layout(g.Rows.Count() - 60, 10);
    ASSERT_TRUE(g.Tree->CheckInvariants(&why)) << why.toStdString();
    EXPECT_EQ(loads, 10);
    for (int r = g.Rows.Count() - 60; r < g.Rows.Count() - 50; ++r) {
        ASSERT_NE(g.RowNode(r), nullptr);
        EXPECT_EQ(g.RowNode(r)->ListIndex(), r - 1);
    }
    // Back at the top; the appended nodes stay where they are.
    g.Layout(1, 10);
    ASSERT_TRUE(g.Tree->CheckInvariants(&why)) << why.toStdString();
    EXPECT_EQ(added[49]->ListIndex(), 10049);
    EXPECT_EQ(roots->Count(), 10050);
}

TEST(GridTree, RandomOperationsAroundUnloadedRowsLoseNothing)
{
    for (unsigned seed : {20261208u, 7u, 4242u}) {
        TRandomTreeCheck check(seed);
        check.Run(800);
        EXPECT_GT(check.Scrolls, 100) << "seed " << seed;
        EXPECT_GT(check.Moves, 50) << "seed " << seed;
        if (::testing::Test::HasFailure()) {
            ADD_FAILURE() << "seed " << seed;
            return;
        }
    }
}

// A derived grid tree substitutes its list, list group and node classes: the
// factories run after construction, where the overrides are reached.
class TMyNode : public TqvDataEntity_GridTreeNode
{
};
class TMyGridTreeList : public TqvDataList_GridTree
{
};
class TMyGridTreeLists : public TqvDataList2lev
{
};

class TMyGridTree : public TqvGridTree
{
public:
    using TqvGridTree::TqvGridTree;
    TqvDataList_GridTree* CreateDataList_GridTree() override
    {
        auto* list = new TMyGridTreeList();
        list->GridTree = this;
        return list;
    }
    TqvDataList2lev* CreateDataList2Lev() override
    {
        auto* lists = new TMyGridTreeLists();
        lists->AfterCreate();
        return lists;
    }
    TqvDataEntityClass GetClassOfDataEntity_GridTreeNode() override { return ClassOf<TMyNode>(); }
};

TEST(GridTree, ADerivedTreeSubstitutesItsListsAndNodes)
{
    TTreeGrid g(1);
    g.Tree = std::make_unique<TMyGridTree>();
    g.Tree->GridCell = &g.Root;
    EXPECT_NE(dynamic_cast<TMyGridTreeLists*>(g.Tree->GetDataLists()), nullptr);
    EXPECT_NE(dynamic_cast<TMyGridTreeList*>(g.Tree->GetRootDataList()), nullptr);
    TNode* root = g.Tree->AddDataEntity(nullptr);
    TNode* child = g.Tree->AddDataEntity(root);
    EXPECT_NE(dynamic_cast<TMyNode*>(root), nullptr);
    EXPECT_NE(dynamic_cast<TMyNode*>(child), nullptr);
    EXPECT_NE(dynamic_cast<TMyGridTreeList*>(root->SubDataList), nullptr);
    EXPECT_EQ(g.RowOf(child), 2);
}

} // namespace
