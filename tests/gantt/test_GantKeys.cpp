// Keyboard navigation in the Gantt area through real Qt key events: between
// neighbouring items of a row, between rows (over collapsed children, hidden
// rows and empty rows), selection with Space, and the time window following
// the active item.
#include <gtest/gtest.h>

#include <QTest>

#include <cmath>
#include <limits>

#include "tests/gantt/GantTestSupport.h"

using namespace skedra;
using namespace skedra::test;

namespace
{

// Rows A, B (with a collapsed child B1), C (hidden), D (empty) and E, in a
// one-day window.
class GantKeys : public GantFixture
{
protected:
    void SetUp() override
    {
        GantFixture::SetUp();
        Scaler()->SetStop(kChartDay + 1);
        A = AddNode();
        B = AddNode();
        B1 = AddNode(B);
        C = AddNode();
        D = AddNode();
        E = AddNode();
        a1 = Item(A, 8, 10);
        a2 = Item(A, 12, 14);
        a3 = Item(A, 16, 18);
        ax = Item(A, 13, 15); // overlaps a2
        b1 = Item(B, 11, 12.5);
        Item(B1, 11, 12);
        Item(C, 11, 12);
        e1 = Item(E, 6, 7);
        e2 = Item(E, 11, 12);
        C->Set_HideNode(true);
        gant->GetRowList()->FindRowFromTreeNode(D)->GetLayer(0); // an empty layer
        Paint();
    }
    TqvDataEntity_GantTime* Item(TqvDataEntity_Tree* node, double a, double b)
    {
        return AddTime(node, 0, kChartDay + a / 24, kChartDay + b / 24);
    }
    void Key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        QTest::keyClick(GA(), k, m);
        Flush();
    }
    TqvDataEntity_GantTime* Active() const { return gant->GetActiveDataEntity(); }
    int SelectedCount()
    {
        int n = 0;
        for (TGantRow* row : gant->GetRowList()->GetRows())
            for (int li = 0; li < row->LayerCount(); ++li)
                for (int i = 0; i < row->GetDataLists()->GetDataList(li)->Count(); ++i)
                    n += row->GetDataLists()->GetDataList(li)->GetItems(i)->GetSelected();
        return n;
    }

    TqvDataEntity_Tree *A = nullptr, *B = nullptr, *B1 = nullptr, *C = nullptr, *D = nullptr, *E = nullptr;
    TqvDataEntity_GantTime *a1 = nullptr, *a2 = nullptr, *a3 = nullptr, *ax = nullptr, *b1 = nullptr,
                           *e1 = nullptr, *e2 = nullptr;
};

} // namespace

TEST_F(GantKeys, TheAreaTakesTheNavigationKeysAsItsOwn)
{
    for (Word k : {13, 18, 32, 33, 34, 35, 36, 37, 38, 39, 40, 93})
        EXPECT_TRUE(GA()->WantedKeys.Contains(static_cast<unsigned char>(k))) << k;
    EXPECT_FALSE(GA()->WantedKeys.Contains(static_cast<unsigned char>(VK_TAB)));
}

TEST_F(GantKeys, LeftRightHomeAndEndStepBetweenItemsThatDoNotOverlapTheActiveOne)
{
    gant->SetActiveDataEntity(a1);
    Key(Qt::Key_Right);
    EXPECT_EQ(Active(), a2);
    EXPECT_TRUE(a2->GetSelected());
    EXPECT_EQ(SelectedCount(), 1);
    // ax starts before a2 stops: a3 is next.
    Key(Qt::Key_Right);
    EXPECT_EQ(Active(), a3);
    // Nothing right of the last item: active item and selection stay.
    Key(Qt::Key_Right);
    EXPECT_EQ(Active(), a3);
    EXPECT_TRUE(a3->GetSelected());
    EXPECT_EQ(SelectedCount(), 1);
    Key(Qt::Key_Left);
    EXPECT_EQ(Active(), a2);
    Key(Qt::Key_End);
    EXPECT_EQ(Active(), a3);
    // Shift keeps the selection.
    Key(Qt::Key_Home, Qt::ShiftModifier);
    EXPECT_EQ(Active(), a1);
    EXPECT_TRUE(a3->GetSelected());
    EXPECT_EQ(SelectedCount(), 2);
    EXPECT_EQ(gant->FindNeighbourToRightLeft(nullptr, a1, true), nullptr);
}

TEST_F(GantKeys, UpAndDownFollowVisibleRowsOverCollapsedChildrenHiddenAndEmptyRows)
{
    gant->SetActiveDataEntity(a2);
    Key(Qt::Key_Down);
    // B's children are collapsed: B itself, its item nearest a2's middle.
    EXPECT_EQ(Active(), b1);
    EXPECT_EQ(Tree()->GetCurrentDataEntity(), B);
    EXPECT_TRUE(B->GetSelected());
    // C is hidden; D has no item: D becomes current and no item is active.
    Key(Qt::Key_Down);
    EXPECT_EQ(Active(), nullptr);
    EXPECT_EQ(Tree()->GetCurrentDataEntity(), D);
    // From the current row without an active item: E's item nearest the window's middle.
    Key(Qt::Key_Down);
    EXPECT_EQ(Active(), e2);
    EXPECT_EQ(Tree()->GetCurrentDataEntity(), E);
    // Down from the last row finds no row.
    Key(Qt::Key_Down);
    EXPECT_EQ(Active(), nullptr);
    EXPECT_EQ(Tree()->GetCurrentDataEntity(), E);
    Key(Qt::Key_Up);
    EXPECT_EQ(Tree()->GetCurrentDataEntity(), D);
    Key(Qt::Key_Up);
    EXPECT_EQ(Active(), b1);
    Key(Qt::Key_Up);
    EXPECT_EQ(Active(), a2); // nearest b1's middle
    Key(Qt::Key_Up);
    EXPECT_EQ(Active(), nullptr);

    // Expanded, B's child is the next row.
    B->SetExpanded(true);
    Paint();
    gant->SetActiveDataEntity(b1);
    Key(Qt::Key_Down);
    EXPECT_EQ(Active()->GetRow(), gant->GetGantRow(B1));
    gant->CheckInvariants();
}

TEST_F(GantKeys, SpaceTogglesTheActiveItemAndCtrlKeepsTheOthersSelected)
{
    a1->SetSelected(true);
    a3->SetSelected(true);
    gant->SetActiveDataEntity(a1);
    Key(Qt::Key_Space, Qt::ControlModifier);
    EXPECT_FALSE(a1->GetSelected());
    EXPECT_TRUE(a3->GetSelected());
    EXPECT_EQ(Active(), a1);
    Key(Qt::Key_Space, Qt::ControlModifier);
    EXPECT_TRUE(a1->GetSelected());
    Key(Qt::Key_Space);
    EXPECT_TRUE(a1->GetSelected());
    EXPECT_EQ(SelectedCount(), 1);
}

TEST_F(GantKeys, WithoutAnActiveItemLeftSelectsTheItemNearestTheMiddleOfTheWindow)
{
    Tree()->SetCurrentDataEntity(A);
    Flush();
    Key(Qt::Key_Left);
    EXPECT_EQ(Active(), a2); // middle 13:00, an hour from noon
    gant->SetActiveDataEntity(nullptr);
    Key(Qt::Key_End);
    EXPECT_EQ(Active(), a3);
    // Space without an active item does nothing.
    gant->SetActiveDataEntity(nullptr);
    Key(Qt::Key_Space);
    EXPECT_EQ(Active(), nullptr);
}

TEST_F(GantKeys, TheWindowFollowsTheActiveItem)
{
    TqvDataEntity_GantTime* later = Item(A, 3 * 24 + 8, 3 * 24 + 10);
    gant->SetActiveDataEntity(a3);
    Key(Qt::Key_Right);
    ASSERT_EQ(Active(), later);
    EXPECT_NEAR(Scaler()->GetStop(), later->GetStopDateTime(), 1e-9);
    EXPECT_NEAR(Scaler()->GetStart(), later->GetStopDateTime() - 1, 1e-9);
    Key(Qt::Key_Home);
    EXPECT_EQ(Active(), a1);
    EXPECT_NEAR(Scaler()->GetStart(), a1->GetStartDateTime(), 1e-9);
    // A window inside the item becomes the item.
    Scaler()->SetStart(kChartDay + 8.5 / 24);
    Scaler()->SetStop(kChartDay + 9.5 / 24);
    gant->MakeSureActiveInView();
    EXPECT_NEAR(Scaler()->GetStart(), a1->GetStartDateTime(), 1e-9);
    EXPECT_NEAR(Scaler()->GetStop(), a1->GetStopDateTime(), 1e-9);

    gant->MakeSureRowInView(gant->GetGantRow(A));
    EXPECT_NEAR(Scaler()->GetStart(), a1->GetStartDateTime(), 1e-9);
    EXPECT_NEAR(Scaler()->GetStop(), later->GetStopDateTime(), 1e-9);

    // Driven by the application, the active item is cleared afterwards.
    gant->PerformGantAreaKeyfunction(VK_RIGHT, TShiftState());
    EXPECT_EQ(Active(), nullptr);
    EXPECT_TRUE(a2->GetSelected());
}

TEST_F(GantKeys, TheNavigationLayerComesFromTheApplication)
{
    TqvDataEntity_GantTime* top = AddTime(A, 1, kChartDay + 20.0 / 24, kChartDay + 21.0 / 24);
    gant->OnKeyNavigateDataList = [](TqvGant_ComBasic*, TGantRow*) { return 1; };
    gant->SetActiveDataEntity(a1);
    Key(Qt::Key_Right);
    EXPECT_EQ(Active(), top);
    // B has no layer 1: Down makes B current and clears the active item.
    Key(Qt::Key_Down);
    EXPECT_EQ(Active(), nullptr);
    EXPECT_EQ(Tree()->GetCurrentDataEntity(), B);
}

TEST_F(GantKeys, AnItemRefusesATimeThatIsNotANumberSoTheKeysNeverMoveTheWindowToOne)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_THROW(a2->SetStartDateTime(nan), Exception);
    EXPECT_THROW(a2->SetStopDateTime(nan), Exception);
    EXPECT_DOUBLE_EQ(a2->GetStartDateTime(), kChartDay + 12.0 / 24);
    EXPECT_DOUBLE_EQ(a2->GetStopDateTime(), kChartDay + 14.0 / 24);
    gant->SetActiveDataEntity(a1);
    Key(Qt::Key_Right);
    EXPECT_EQ(Active(), a2);
    EXPECT_FALSE(std::isnan(Scaler()->GetStart()));
    EXPECT_FALSE(std::isnan(Scaler()->GetStop()));
}
