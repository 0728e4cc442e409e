// The Gantt chart's model: rows that follow the tree, layers on demand, the
// controllers' events and their order, links, deletion and the searches.
#include <gtest/gtest.h>

#include <QStringList>

#include "skedra/foundation/DoLater.h"
#include "tests/gantt/GantTestSupport.h"

using namespace skedra;
using namespace skedra::test;

namespace
{

class GantRows : public GantFixture
{
};

TEST_F(GantRows, BuildsTheCompositeWithTreeAndAreaOnOneAxis)
{
    EXPECT_EQ(Tree()->GetName(), "Treeview");
    EXPECT_EQ(Scaler()->GetName(), "DateScaler");
    EXPECT_EQ(GA()->GetName(), "GanttArea");
    EXPECT_TRUE(Tree()->isVisible());
    EXPECT_FALSE(gant->GetUseGridNotTree());
    EXPECT_EQ(Scaler()->GetHeight(), 45);
    EXPECT_EQ(gant->GetDefaultLinkColor(), 0xFF0000u);
    EXPECT_EQ(gant->GetDefaultLinkPenWidth(), 1);
    EXPECT_EQ(gant->GetLastRowHeight(), 18);
    // The tree's first row and the area's first band start at the same screen y.
    EXPECT_EQ(Tree()->Viewport()->mapToGlobal(QPoint(0, 0)).y(), GA()->mapToGlobal(QPoint(0, 0)).y());
    EXPECT_GT(GA()->GetWidth(), 500);
}

TEST_F(GantRows, RowsFollowInsertionsDeletionsAndMoves)
{
    TqvDataEntity_Tree* a = AddNode();
    TqvDataEntity_Tree* b = AddNode();
    TqvDataEntity_Tree* a1 = AddNode(a);
    TqvDataEntity_Tree* a2 = AddNode(a);
    ASSERT_EQ(gant->GetRowList()->Count(), 4);
    EXPECT_EQ(gant->GetGantRow(a1)->GetTreeNode(), a1);
    EXPECT_EQ(gant->GetRowList()->GetGantRow(3)->GetTreeNode(), a2);
    EXPECT_EQ(gant->GetRowList()->GetGantRow(4), nullptr);
    EXPECT_EQ(gant->GetRowList()->GetGantRow(-1), nullptr);
    gant->CheckInvariants();

    // A node moved under another keeps its row (and its items).
    TqvDataEntity_GantTime* t = AddTime(a2, 0, kChartDay, kChartDay + 0.2);
    Tree()->ChangeOwner(a2, b);
    EXPECT_EQ(t->GetRow(), gant->GetGantRow(a2));
    EXPECT_EQ(gant->GetRowList()->Count(), 4);

    // Deleting a node removes the rows of its whole subtree.
    Tree()->RemoveDataEntity(a);
    EXPECT_EQ(gant->GetRowList()->Count(), 2);
    EXPECT_EQ(gant->GetGantRow(b)->GetTreeNode(), b);
    EXPECT_NE(gant->GetGantRow(a2), nullptr);
    gant->CheckInvariants();
    Tree()->RemoveDataEntity(b);
    EXPECT_EQ(gant->GetRowList()->Count(), 0);
    EXPECT_EQ(gant->GetDataLists()->Count(), 0);
}

TEST_F(GantRows, RowEventsAndUserCreatedRows)
{
    QStringList log;
    TGantRow* made = nullptr;
    gant->OnUserCreateGantRow = [&](TGantRowList* list, TqvDataEntity_Tree* node, TqvDataEntity_GridTreeNode*,
                                    TGantRow*& result) {
        log << "create";
        made = result = new TGantRow(list, node, nullptr);
        made->CollisionAllLayers = true;
    };
    gant->OnAfterAddGantRow = [&](TGantRowList*, TGantRow* row) {
        log << (row == made ? "after" : "after?");
    };
    gant->OnBeforeFreeGantRow = [&](TGantRowList*, TGantRow* row) {
        log << (row->GetLayer(0) != nullptr ? "before" : "before?");
    };
    TqvDataEntity_Tree* n = AddNode();
    EXPECT_TRUE(gant->GetGantRow(n)->CollisionAllLayers);
    Tree()->RemoveDataEntity(n);
    EXPECT_EQ(log.join(","), "create,after,before");
}

TEST_F(GantRows, LayersAppearOnDemand)
{
    TqvDataEntity_Tree* n = AddNode();
    TGantRow* row = gant->GetGantRow(n);
    EXPECT_EQ(row->LayerCount(), 0);
    TqvDataEntity_GantTime* t = gant->AddGantTime(n, 3);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(row->LayerCount(), 4);
    EXPECT_EQ(t->GetLayer(), row->GetLayer(3));
    EXPECT_EQ(t->GetRow(), row);
    EXPECT_EQ(t->GetColor(), 0xFFFFFFu);
    EXPECT_EQ(t->GetStyle(), gtsSquare);
    EXPECT_TRUE(t->CanEdit);
    EXPECT_TRUE(t->IsResizable());
    // Asked through the group itself, a missing layer is made too.
    EXPECT_NE(row->GetDataLists()->GetDataList(5), nullptr);
    EXPECT_EQ(row->LayerCount(), 6);
    row->CheckInvariants();

    // Nothing is added without a row or with a negative layer.
    EXPECT_EQ(gant->AddGantTime(n, -1), nullptr);
    EXPECT_EQ(gant->AddGantTimeToGantRow(nullptr, 0), nullptr);
    EXPECT_EQ(gant->AddGantTime(nullptr, 0), nullptr);
    EXPECT_EQ(row->GetLayer(-1), nullptr);
    EXPECT_EQ(row->TimeItemCount(), 1);
}

TEST_F(GantRows, TimeItemHandlersRaiseTheirEventsInOrder)
{
    TqvDataEntity_Tree* n = AddNode();
    TGantRow* row = gant->GetGantRow(n);
    row->SetCollisionDetection(true);
    TDoLater::DoAllNow();
    QStringList log;
    // Each event notes whether the row's sub-column request was already queued.
    auto queued = [&] { return gant->SubColumnsRequested(row) ? "+" : "-"; };
    gant->OnInsertItem_GantTime = [&](TObject* c, TqvDataEntity*) {
        log << QString("insert") + queued() + (c == gant.get() ? "" : "?");
    };
    gant->OnContentChanged_GantTime = [&](TObject*, TqvDataList*) { log << QString("content") + queued(); };
    gant->OnChangeDataEntity_GantTime = [&](TqvGant_ComBasic*, TqvDataEntity*) {
        log << QString("change") + queued();
    };
    gant->OnValueChanged_GantTime = [&](TObject*, TqvDataEntity*) { log << "value"; };
    gant->OnSelectionChanged_GantTime = [&](TObject*, TqvDataList*, TqvDataEntity*) { log << "selection"; };
    gant->OnBeforeCanEditItem_GantTime = [&](TObject*, TqvDataEntity* e) {
        log << "canedit";
        e->CanEdit = false;
    };
    int linksAtDelete = -1;
    gant->OnDeleteItem_GantTime = [&](TObject*, TqvDataEntity*) {
        log << QString("delete") + queued();
        linksAtDelete = gant->GetLinks()->Count();
    };

    TqvDataEntity_GantTime* t = gant->AddGantTime(n, 0);
    EXPECT_EQ(log.join(","), "insert+,content+");
    TDoLater::DoAllNow();
    log.clear();

    t->DoInfoPush();
    EXPECT_EQ(log.join(","), "change+,value");
    TDoLater::DoAllNow();
    log.clear();

    t->SetSelected(true);
    EXPECT_EQ(log.join(","), "selection");
    log.clear();
    EXPECT_FALSE(t->GetCanEdit());
    EXPECT_EQ(log.join(","), "canedit");
    log.clear();

    TqvDataEntity_Link* link = gant->AddLink();
    link->First = t;
    gant->RemoveGantTime(t);
    // The links of a deleted item are still there during its event and gone after.
    EXPECT_EQ(log.join(","), "delete+,content+");
    EXPECT_EQ(linksAtDelete, 1);
    EXPECT_EQ(gant->GetLinks()->Count(), 0);
    TDoLater::DoAllNow();
}

TEST_F(GantRows, VirtualLoadAndUnloadReachTheChartsEvents)
{
    TqvDataEntity_Tree* n = AddNode();
    TqvDataList_GantRow* layer = gant->GetGantRow(n)->GetLayer(0);
    int loads = 0;
    gant->OnVirtualLoad_GantTime = [&](TqvGant_ComBasic* g, TqvDataEntity* e) {
        loads += (g == gant.get() && dynamic_cast<TqvDataEntity_GantTime*>(e)) ? 1 : 100;
    };
    gant->OnVirtualUnLoad_GantTime = [&](TqvGant_ComBasic*, TqvDataEntity*, bool& canUnload) {
        canUnload = true;
    };
    layer->AddUnloaded(3);
    EXPECT_NE(layer->GetItems(1), nullptr);
    EXPECT_EQ(loads, 1);
}

TEST_F(GantRows, DeletingItemsAndRowsLeavesNothingDangling)
{
    TqvDataEntity_Tree* a = AddNode();
    TqvDataEntity_Tree* b = AddNode();
    TqvDataEntity_GantTime* t1 = AddTime(a, 0, kChartDay, kChartDay + 0.1);
    TqvDataEntity_GantTime* t2 = AddTime(a, 1, kChartDay, kChartDay + 0.1);
    TqvDataEntity_GantTime* t3 = AddTime(b, 0, kChartDay, kChartDay + 0.1);
    auto link = [&](TqvDataEntity_GantTime* x, TqvDataEntity_GantTime* y) {
        TqvDataEntity_Link* l = gant->AddLink();
        l->First = x;
        l->Second = y;
        EXPECT_EQ(l->LinkStyle, tlsDefault);
        EXPECT_EQ(l->Color, 0xFF0000u);
        return l;
    };
    link(t1, t3);
    link(t3, t2);
    link(t3, t3);
    TqvDataEntity_Link* l12 = link(t1, t2);
    QStringList hints;
    gant->OnHintInfo = [&](TObject* o, TDateTime s, TDateTime e, TDateTime len) {
        hints << QString("%1:%2").arg(o ? "item" : "none").arg(len > 0 && e > s ? "len" : "0");
    };
    gant->SetActiveDataEntity(t3);
    gant->SetPressedTime(t3);
    EXPECT_EQ(hints.join(","), "item:len");

    gant->RemoveGantTime(t3);
    EXPECT_EQ(gant->GetActiveDataEntity(), nullptr);
    EXPECT_EQ(gant->GetPressedTime(), nullptr);
    EXPECT_EQ(hints.join(","), "item:len,none:0");
    ASSERT_EQ(gant->GetLinks()->Count(), 1);
    EXPECT_EQ(gant->GetLinks()->GetItems(0), l12);

    // Deleting a node deletes its row's items, their links and the active item.
    gant->SetActiveDataEntity(t2);
    gant->SetPressedTime(t1);
    Tree()->RemoveDataEntity(a);
    EXPECT_EQ(gant->GetLinks()->Count(), 0);
    EXPECT_EQ(gant->GetActiveDataEntity(), nullptr);
    EXPECT_EQ(gant->GetPressedTime(), nullptr);
    gant->CheckInvariants();
    Paint();
}

TEST_F(GantRows, ARowFreedDirectlyLeavesTheList)
{
    TqvDataEntity_Tree* a = AddNode();
    AddTime(a, 0, kChartDay, kChartDay + 0.1);
    gant->GetGantRow(a)->FreeWheneverPossible();
    EXPECT_EQ(gant->GetRowList()->Count(), 0);
    EXPECT_EQ(gant->GetGantRow(a), nullptr);
    gant->CheckInvariants();
    Tree()->RemoveDataEntity(a);
    Paint();
}

TEST_F(GantRows, LinkOptionRepaintsTheChart)
{
    TqvDataEntity_Tree* a = AddNode();
    TqvDataEntity_GantTime* t = AddTime(a, 0, kChartDay, kChartDay + 0.1);
    Paint();
    TqvDataEntity_Link* l = gant->AddLink();
    l->SetStartFinishOption(tlsfSS); // no First: nothing to repaint
    EXPECT_EQ(l->GetStartFinishOption(), tlsfSS);
    l->First = t;
    const int before = GA()->GetWindowInvalidateCount();
    l->SetStartFinishOption(tlsfFF);
    EXPECT_EQ(GA()->GetWindowInvalidateCount(), before + 1);
}

TEST_F(GantRows, UserReferenceSearchTakesTheLaterMatch)
{
    int refA = 0, refB = 0;
    TqvDataEntity_Tree* r1 = AddNode();
    TqvDataEntity_Tree* r2 = AddNode();
    TqvDataEntity_GantTime* first = AddTime(r1, 0, kChartDay, kChartDay + 0.1);
    TqvDataEntity_GantTime* sameLayer = AddTime(r1, 0, kChartDay, kChartDay + 0.1);
    TqvDataEntity_GantTime* laterLayer = AddTime(r1, 2, kChartDay, kChartDay + 0.1);
    TqvDataEntity_GantTime* laterRow = AddTime(r2, 0, kChartDay, kChartDay + 0.1);
    first->SetUserReference(&refA);
    sameLayer->SetUserReference(&refA);
    EXPECT_EQ(gant->FindGantTimeObjectFromUserReference(&refA), first);
    laterLayer->SetUserReference(&refA);
    EXPECT_EQ(gant->FindGantTimeObjectFromUserReference(&refA), laterLayer);
    laterRow->SetUserReference(&refA);
    EXPECT_EQ(gant->FindGantTimeObjectFromUserReference(&refA), laterRow);
    EXPECT_EQ(gant->FindGantTimeObjectFromUserReference(&refB), nullptr);

    r1->SetUserReference(&refB);
    r2->SetUserReference(&refB);
    EXPECT_EQ(gant->GetRowList()->FindRowFromTreeNodeDataEntityUserReference(&refB), gant->GetGantRow(r2));
    EXPECT_EQ(gant->GetRowList()->FindRowFromUntypedNode(r1), gant->GetGantRow(r1));
}

TEST_F(GantRows, VisibilityOfItemsInTheTimeWindow)
{
    TqvDataEntity_Tree* n = AddNode();
    auto visible = [&](TDateTime s, TDateTime e) { return gant->IsVisible(AddTime(n, 0, s, e)); };
    EXPECT_TRUE(visible(kChartDay + 0.5, kChartDay + 5));
    EXPECT_TRUE(visible(kChartDay - 5, kChartDay + 0.5));
    EXPECT_TRUE(visible(kChartDay - 5, kChartDay + 5)); // covers the whole window
    EXPECT_TRUE(visible(kChartDay, kChartDay));
    EXPECT_FALSE(visible(kChartDay - 5, kChartDay - 1));
    EXPECT_FALSE(visible(kChartDay + 3, kChartDay + 5));
}

TEST_F(GantRows, ActiveRowIsTheTreesCurrentNode)
{
    TqvDataEntity_Tree* a = AddNode();
    TqvDataEntity_Tree* b = AddNode();
    Paint();
    Tree()->SetCurrentDataEntity(b);
    Flush();
    EXPECT_EQ(gant->GetActiveGantRow(), gant->GetGantRow(b));
    Tree()->SetCurrentDataEntity(a);
    Flush();
    EXPECT_EQ(gant->GetActiveGantRow(), gant->GetGantRow(a));
}

TEST_F(GantRows, DestroyingAFullChartIsClean)
{
    for (int i = 0; i < 50; ++i) {
        TqvDataEntity_Tree* n = AddNode();
        for (int k = 0; k < 4; ++k) {
            TqvDataEntity_GantTime* t = AddTime(n, k % 3, kChartDay + k * 0.1, kChartDay + k * 0.1 + 0.3);
            if (k > 0) gant->AddLink()->First = t;
        }
        gant->GetGantRow(n)->SetCollisionDetection(true);
    }
    Paint();
    int deletes = 0;
    gant->OnDeleteItem_GantTime = [&](TObject*, TqvDataEntity*) { ++deletes; };
    gant.reset();
    EXPECT_EQ(deletes, 200);
    Flush();
}

} // namespace
