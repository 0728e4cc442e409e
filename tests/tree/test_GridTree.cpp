#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "skedra/tree/GridTree.h"

using namespace skedra;

namespace {

using TNode = TqvDataEntity_GridTreeNode;

class TCellData : public TMoxSimpleCellData {};
class TGridData : public TMoxGridCellData {};

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
        for (int i = 0; i < fixedRows; ++i) Rows.InsertNew(i, nullptr);
        Root.OnVirtualLoad = [this](TMoxGridCell*, TAxisContentItem* item, bool row) {
            if (row) Tree->_OnGridRowReload(item);
        };
        Root.OnVirtualUnLoad = [this](TMoxGridCell*, TAxisContentItem* item, bool row, bool perform, bool& can) {
            if (!perform)
                can = AllowUnload;
            else if (row)
                Tree->_OnGridRowUnload(item, true, can);
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
        return Rows.IsLoaded(r) ? TqvGridTree::NodeOfRow(Rows.getLoadedAxisContentItem(Rows.IndexConvert_RealToLoaded(r)))
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
        for (int i = 0; i < 3; ++i) g.Tree->AddDataEntity(n);
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
    EXPECT_EQ(g.Tree->DataLists->Count(), 4);
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
    ASSERT_EQ(g.Tree->DataLists->Count(), 3);
    g.Tree->RemoveDataEntity(a);
    EXPECT_EQ(deleted.size(), 4u);
    EXPECT_EQ(g.Rows.Count(), 2);
    EXPECT_EQ(g.RowOf(b), 1);
    EXPECT_EQ(g.Tree->DataLists->Count(), 1);
    EXPECT_EQ(g.Tree->RootDataList->Count(), 1);
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
    for (int i = 0; i < 40; ++i) nodes.push_back(g.Tree->AddDataEntity(nullptr));
    g.Tree->RootDataList->Sort();
    for (int i = 0; i < 40; ++i) EXPECT_EQ(g.Tree->RootDataList->GetLoaded(i), nodes[static_cast<size_t>(i)]);
    EXPECT_EQ(g.Tree->_SortCompare(nodes[3], nodes[7]), -1);
    EXPECT_EQ(g.Tree->_SortCompare(nodes[7], nodes[3]), 1);
    EXPECT_EQ(g.Tree->_SortCompare(nodes[7], nodes[7]), 0);
}

TEST(GridTree, VirtualRootsLoadAndUnloadWithTheirRows)
{
    TTreeGrid g(1);
    g.InitChildren = [&](TNode* n) {
        for (int i = 0; i < 4; ++i) g.Tree->AddDataEntity(n);
    };
    std::vector<TIntegrationEventKind> kinds;
    g.Tree->IntegrationEvents = [&](TIntegrationEventKind k, TqvDataEntity*) { kinds.push_back(k); };
    g.Tree->RootDataList->AddUnloaded(1000);
    EXPECT_EQ(g.Rows.Count(), 1001);
    g.Layout(1, 10);
    TNode* n3 = g.RowNode(4);
    ASSERT_NE(n3, nullptr);
    EXPECT_EQ(n3->ListIndex(), 3);
    n3->SetExpanded(true);
    EXPECT_EQ(g.Rows.Count(), 1005);
    EXPECT_EQ(g.RowNode(5)->ParentNode(), n3);
    // Far away: the rows and the root entities go together, children included.
    g.Layout(800, 10);
    EXPECT_EQ(g.Rows.LoadedCount(), 11);
    EXPECT_EQ(g.Rows.Count(), 1001); // the four child rows are not kept
    EXPECT_LE(g.Tree->RootDataList->LoadedCount(), 11);
    EXPECT_NE(std::find(kinds.begin(), kinds.end(), ieUnload), kinds.end());
    EXPECT_NE(std::find(kinds.begin(), kinds.end(), ieLoad), kinds.end());
    for (int r = 800; r < 810; ++r) {
        TNode* n = g.RowNode(r);
        ASSERT_NE(n, nullptr);
        EXPECT_EQ(n->ListIndex(), r - 1);
    }
    // Back up again: root 3 comes back collapsed, without children.
    g.Layout(1, 10);
    TNode* again = g.RowNode(4);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->ListIndex(), 3);
    EXPECT_FALSE(again->Expanded);
    EXPECT_EQ(again->GetSubDataListCount(), 0);
    // Scrolling backwards matches each row to the root before its neighbour.
    g.Layout(400, 10);
    g.Layout(395, 10);
    for (int r = 395; r < 405; ++r) EXPECT_EQ(g.RowNode(r)->ListIndex(), r - 1);
}

TEST(GridTree, ClearingRowsRemovesExactlyTheirNodes)
{
    TTreeGrid g(1);
    g.Tree->RootDataList->AddUnloaded(20);
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
    EXPECT_EQ(g.Tree->RootDataList->Count(), 0);
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
    g.Tree->RootDataList->AddUnloaded(12);
    g.Layout(6, 3);
    ASSERT_EQ(g.Rows.FirstLoadedIndex(), 6);
    std::vector<TNode*> kept = {g.RowNode(6), g.RowNode(7), g.RowNode(8)};
    TNode* child = g.Tree->AddDataEntity(kept[1]);
    kept[1]->SetExpanded(true);
    ASSERT_EQ(g.Rows.Count(), 15);
    g.Rows.DeleteOfUnloaded(2, 5);  // the block before
    g.Rows.DeleteOfUnloaded(6, 10); // the block after: rows 6..10 once the four are gone
    EXPECT_EQ(g.Tree->RootDataList->Count(), 3);
    EXPECT_EQ(g.Rows.Count(), 6);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(g.Tree->RootDataList->Items(i), kept[static_cast<size_t>(i)]);
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

// ---------------------------------------------------------------------------
// Randomized comparison with a reference tree.

struct TRef {
    int Id = 0;
    bool Expanded = false;
    bool Hide = false;
    bool Initialised = false;
    bool Discarded = false; // an unloaded root: its subtree is gone
    std::vector<TRef*> Children;
    TRef* Parent = nullptr;
};

struct TReference {
    std::deque<TRef> Pool;
    std::vector<TRef*> Roots;
    TRef* New(TRef* parent)
    {
        Pool.emplace_back();
        TRef* r = &Pool.back();
        r->Id = static_cast<int>(Pool.size());
        r->Parent = parent;
        return r;
    }
    std::vector<TRef*>& SiblingsOf(TRef* r) { return r->Parent ? r->Parent->Children : Roots; }
    static bool ExpectHidden(TRef* r)
    {
        if (r->Hide) return true;
        for (TRef* p = r->Parent; p; p = p->Parent)
            if (!p->Expanded || p->Hide) return true;
        return false;
    }
};

class TRandomTreeCheck {
public:
    explicit TRandomTreeCheck(unsigned seed) : rng_(seed), g_(1)
    {
        g_.InitChildren = [this](TNode* n) {
            TRef* ref = RefOf(n);
            const int k = Uniform(0, 3);
            for (int i = 0; i < k; ++i) {
                TRef* child = ref_.New(ref);
                ref->Children.push_back(child);
                TNode* c = g_.Tree->AddDataEntity(n);
                c->SetUserReference(child);
            }
        };
        for (int i = 0; i < 30; ++i) {
            TRef* r = ref_.New(nullptr);
            ref_.Roots.push_back(r);
            g_.Tree->AddDataEntity(nullptr)->SetUserReference(r);
        }
        g_.Tree->RootDataList->AddUnloaded(300);
        for (int i = 0; i < 300; ++i) {
            TRef* r = ref_.New(nullptr);
            r->Discarded = true;
            ref_.Roots.push_back(r);
        }
    }

    int Reloaded = 0;   // roots whose rows came back
    int Discarded = 0;  // roots whose rows went
    int MaxRows = 0;

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
    int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    static TRef* RefOf(TNode* n) { return static_cast<TRef*>(n->GetUserReference()); }

    std::vector<TNode*> NodesWithRows()
    {
        std::vector<TNode*> result;
        for (int p = g_.Rows.FixedCount; p < g_.Rows.LoadedCount(); ++p)
            if (TNode* n = TqvGridTree::NodeOfRow(g_.Rows.getLoadedAxisContentItem(p))) result.push_back(n);
        return result;
    }

    void Step()
    {
        std::vector<TNode*> nodes = NodesWithRows();
        const int op = Uniform(0, 9);
        if (nodes.empty() || op >= 8) {
            // Scroll: lay out a window somewhere, which unloads and reloads.
            const int count = g_.Rows.Count();
            const int top = Uniform(1, std::max(1, count - 1));
            g_.Layout(top, Uniform(3, 15));
            return;
        }
        TNode* n = nodes[static_cast<size_t>(Uniform(0, static_cast<int>(nodes.size()) - 1))];
        TRef* r = RefOf(n);
        switch (op) {
        case 0: { // insert a child
            const int at = Uniform(0, n->GetSubDataListCount());
            TRef* c = ref_.New(r);
            r->Children.insert(r->Children.begin() + at, c);
            g_.Tree->InsertDataEntity(n, at)->SetUserReference(c);
            break;
        }
        case 1: { // insert a sibling root next to a root with a row
            TNode* root = n->RootNode();
            const int at = root->ListIndex() + Uniform(0, 1);
            TRef* c = ref_.New(nullptr);
            ref_.Roots.insert(ref_.Roots.begin() + at, c);
            g_.Tree->InsertDataEntity(nullptr, at)->SetUserReference(c);
            break;
        }
        case 2: { // delete
            auto& siblings = ref_.SiblingsOf(r);
            siblings.erase(std::find(siblings.begin(), siblings.end(), r));
            g_.Tree->RemoveDataEntity(n);
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
        case 7: { // move within the list, among nodes that have rows
            TqvDataList* list = n->GetDataList();
            const int to = Uniform(0, list->Count() - 1);
            if (!list->IsLoaded(to)) break;
            auto* target = dynamic_cast<TNode*>(list->GetLoaded(to - list->GetUnloadedBefore()));
            if (!target->Row) break;
            auto& siblings = ref_.SiblingsOf(r);
            siblings.erase(std::find(siblings.begin(), siblings.end(), r));
            siblings.insert(siblings.begin() + to, r);
            n->Move(to);
            break;
        }
        default:
            break;
        }
    }

    void CheckSubtree(TRef* ref, int& row)
    {
        TNode* n = g_.RowNode(row);
        ASSERT_NE(n, nullptr) << "row " << row << " of node " << ref->Id << " is not loaded";
        ASSERT_EQ(RefOf(n), ref) << "row " << row;
        ASSERT_EQ(n->Row->Data, n);
        ASSERT_EQ(n->Row->Hidden, TReference::ExpectHidden(ref)) << "row " << row;
        ++row;
        for (TRef* c : ref->Children) {
            CheckSubtree(c, row);
            if (::testing::Test::HasFatalFailure()) return;
        }
    }

    void Check()
    {
        ASSERT_EQ(g_.Tree->RootDataList->Count(), static_cast<int>(ref_.Roots.size()));
        int row = g_.Rows.FixedCount;
        for (TRef* root : ref_.Roots) {
            if (g_.Rows.IsLoaded(row)) {
                TNode* n = g_.RowNode(row);
                ASSERT_NE(n, nullptr) << "row " << row;
                if (root->Discarded) {
                    // Reloaded: a root without children, collapsed.
                    ASSERT_TRUE(n->GetUserReference() == nullptr || RefOf(n) == root)
                        << "row " << row << " ref " << RefOf(n)->Id << " expected " << root->Id << " node index " << n->ListIndex();
                    ASSERT_FALSE(n->Expanded);
                    ASSERT_EQ(n->GetSubDataListCount(), 0);
                    n->SetUserReference(root);
                    root->Discarded = false;
                    ++Reloaded;
                    root->Hide = n->HideNode;
                }
                CheckSubtree(root, row);
                if (::testing::Test::HasFatalFailure()) return;
            } else {
                // An unloaded row stands for exactly one root; whatever was below it is gone.
                if (!root->Discarded) ++Discarded;
                root->Discarded = true;
                root->Expanded = false;
                root->Children.clear();
                ++row;
            }
        }
        ASSERT_EQ(row, g_.Rows.Count());
        MaxRows = std::max(MaxRows, g_.Rows.LoadedCount());
    }

    std::mt19937 rng_;
    TReference ref_;
    TTreeGrid g_;
};

TEST(GridTree, RandomOperationsMatchAReferenceTree)
{
    TRandomTreeCheck check(20261208);
    check.Run(4000);
    // The walk really went through virtual unloading and reloading.
    EXPECT_GT(check.Reloaded, 100);
    EXPECT_GT(check.Discarded, 100);
}

} // namespace
