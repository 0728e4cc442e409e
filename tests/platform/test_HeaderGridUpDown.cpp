// The header control, the draw grid and the up-down control.

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QTest>

#include "skedra/platform/ExtCtrls.h"
#include "skedra/platform/Grids.h"
#include "skedra/platform/HeaderControl.h"
#include "skedra/platform/UpDown.h"

using namespace skedra;

namespace
{

class TTestHeader : public THeaderControl
{
public:
    using THeaderControl::THeaderControl;
    std::vector<TPoint> presses;
    bool dragOnPress = false;

protected:
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override
    {
        presses.emplace_back(X, Y);
        if (dragOnPress) BeginDrag(true);
        THeaderControl::MouseDown(Button, Shift, X, Y);
    }
};

struct Form : ::testing::Test {
    QWidget form;
    void SetUp() override
    {
        form.resize(500, 300);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    }
};

using HeaderControl = Form;

std::vector<int> Widths(const THeaderControl& h)
{
    std::vector<int> w;
    for (int i = 0; i < h.GetSections()->Count(); ++i)
        w.push_back(h.GetSections()->Items(i)->GetWidth());
    return w;
}

TEST_F(HeaderControl, SectionsKeepTheirWidthsAcrossInsertAndDelete)
{
    auto* h = new TTestHeader(&form);
    h->SetBounds(0, 0, 400, 20);
    THeaderSections* s = h->GetSections();
    for (int w : {40, 0, 60, 70})
        s->Add()->SetWidth(w);
    s->Items(2)->SetText(QStringLiteral("two"));
    EXPECT_EQ(Widths(*h), (std::vector<int>{40, 0, 60, 70}));
    EXPECT_EQ(s->Items(2)->GetLeft(), 40) << "a 0-wide section takes no room";
    EXPECT_EQ(h->SectionAt(45), 2);
    EXPECT_EQ(h->SectionAt(399), -1);
    s->Delete(1);
    EXPECT_EQ(Widths(*h), (std::vector<int>{40, 60, 70}));
    EXPECT_EQ(s->Items(1)->GetText(), QStringLiteral("two"));
    s->Insert(1)->SetWidth(15);
    EXPECT_EQ(Widths(*h), (std::vector<int>{40, 15, 60, 70}));
    EXPECT_EQ(h->NativeHeader()->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("two"));
    EXPECT_THROW(s->Delete(4), EListError);
    EXPECT_THROW(s->Insert(9), EListError);
    s->Clear();
    EXPECT_EQ(s->Count(), 0);
}

TEST_F(HeaderControl, AUserResizeIsReportedAndAProgramResizeIsNot)
{
    auto* h = new TTestHeader(&form);
    h->SetBounds(0, 0, 400, 20);
    h->GetSections()->Add()->SetWidth(80);
    h->GetSections()->Add()->SetWidth(80);
    std::vector<int> reported;
    h->OnSectionResize = TSectionNotifyEvent([&](THeaderControl* c, THeaderSection* sec) {
        EXPECT_EQ(c, h);
        reported.push_back(sec->GetWidth());
    });
    h->GetSections()->Items(0)->SetWidth(50);
    EXPECT_TRUE(reported.empty());
    // Drag the border between the sections 20 pixels right.
    QWidget* vp = h->NativeHeader()->viewport();
    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, QPoint(49, 10));
    QTest::mouseMove(vp, QPoint(69, 10));
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, QPoint(69, 10));
    ASSERT_FALSE(reported.empty());
    EXPECT_EQ(reported.back(), 70);
    EXPECT_EQ(h->presses.front(), TPoint(49, 10)) << "the press reaches MouseDown in client coordinates";
}

TEST_F(HeaderControl, ADragStartedAtThePressNeverResizes)
{
    auto* h = new TTestHeader(&form);
    h->SetBounds(0, 0, 400, 20);
    h->GetSections()->Add()->SetWidth(50);
    h->GetSections()->Add()->SetWidth(50);
    h->dragOnPress = true;
    int started = 0, ended = 0;
    h->OnStartDrag = TStartDragEvent([&](TObject*, TObject*&) { ++started; });
    h->OnEndDrag = TEndDragEvent([&](TObject*, TObject*, int, int) { ++ended; });
    QWidget* vp = h->NativeHeader()->viewport();
    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, QPoint(49, 10));
    QTest::mouseMove(vp, QPoint(90, 10));
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, QPoint(90, 10));
    EXPECT_EQ(started, 1);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(Widths(*h), (std::vector<int>{50, 50}));
}

using DrawGrid = Form;

TEST_F(DrawGrid, RowsHaveTheirOwnHeightsAndOneLineEach)
{
    auto* g = new TDrawGrid(&form);
    g->SetBounds(0, 0, 200, 200);
    g->SetFixedRows(0);
    g->SetColCount(2);
    g->SetFixedCols(1);
    g->SetColWidths(0, 60);
    g->SetRowCount(5);
    g->SetRowHeights(1, 30);
    g->SetRowHeights(2, 0);
    g->SetTopRow(0);
    EXPECT_EQ(g->CellRect(0, 0), TRect(0, 0, 60, g->GetDefaultRowHeight()));
    const int h0 = g->GetDefaultRowHeight();
    EXPECT_EQ(g->CellRect(0, 1), TRect(0, h0 + 1, 60, h0 + 1 + 30));
    EXPECT_EQ(g->CellRect(0, 3).Top, h0 + 1 + 31 + 1) << "a 0-high row keeps its line";
    g->SetTopRow(2);
    EXPECT_EQ(g->CellRect(0, 3).Top, 1);
    EXPECT_TRUE(g->CellRect(0, 1).IsEmpty()) << "rows before the top row are not shown";
    int col, row;
    g->MouseToCell(10, 5, col, row);
    EXPECT_EQ(row, 3);
    EXPECT_EQ(col, 0);
    // Insert and delete keep the other rows' heights.
    g->SetTopRow(0);
    g->DeleteRow(0);
    EXPECT_EQ(g->GetRowHeights(0), 30);
    g->InsertRow(1);
    EXPECT_EQ(g->GetRowHeights(0), 30);
    EXPECT_EQ(g->GetRowHeights(1), g->GetDefaultRowHeight());
    EXPECT_EQ(g->GetRowHeights(2), 0);
    EXPECT_THROW(g->SetFixedCols(2), EInvalidOperation);
}

class TCountingGrid : public TDrawGrid
{
public:
    using TDrawGrid::TDrawGrid;
    int rowChanges = 0;

protected:
    void RowHeightsChanged() override { ++rowChanges; }
};

TEST_F(DrawGrid, OwnerDrawingLinesAndRowSizingWithTheMouse)
{
    auto* g = new TCountingGrid(&form);
    g->SetBounds(0, 0, 200, 120);
    g->SetFixedRows(0);
    g->SetColCount(2);
    g->SetFixedCols(1);
    g->SetColWidths(0, 60);
    g->SetRowCount(3);
    g->SetDefaultRowHeight(20);
    g->SetTopRow(0);
    g->SetOptions(g->GetOptions() + goRowSizing);
    std::vector<std::pair<int, int>> drawn;
    g->OnDrawCell = TDrawCellEvent([&](TObject*, int c, int r, TRect rect, TGridDrawState state) {
        drawn.emplace_back(c, r);
        EXPECT_EQ(state.Contains(gdFixed), c == 0);
        g->GetCanvas()->Brush.SetColor(clRed);
        g->GetCanvas()->FillRect(TRect(rect.Left, rect.Top, rect.Left + 4, rect.Top + 4));
    });
    const QImage img = g->grab().toImage();
    EXPECT_EQ(drawn.size(), 6u);
    EXPECT_EQ(img.pixelColor(1, 1), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(30, 20), QColor(Qt::black)) << "the fixed cells' line";
    EXPECT_EQ(img.pixelColor(30, 19), ToQColor(clBtnFace));
    EXPECT_EQ(img.pixelColor(100, 20), QColor(0xC0, 0xC0, 0xC0)) << "1-pixel line of the cells";
    EXPECT_EQ(img.pixelColor(100, 21), ToQColor(clWindow));
    const int before = g->rowChanges;
    QTest::mousePress(g, Qt::LeftButton, Qt::NoModifier, QPoint(10, 41));
    EXPECT_EQ(g->GetSizingRow(), 1);
    QTest::mouseMove(g, QPoint(10, 60));
    QTest::mouseRelease(g, Qt::LeftButton, Qt::NoModifier, QPoint(10, 60));
    EXPECT_EQ(g->GetRowHeights(1), 60 - 21);
    EXPECT_GT(g->rowChanges, before);
}

using UpDown = Form;

TEST_F(UpDown, ButtonsStepThePositionWithinTheRange)
{
    auto* u = new TUpDown(&form);
    u->SetOrientation(udHorizontal);
    u->SetBounds(10, 10, 24, 16);
    u->SetMax(2);
    std::vector<TUDBtnType> clicks;
    u->OnClick = TUDClickEvent([&](TObject*, TUDBtnType b) { clicks.push_back(b); });
    QTest::mouseClick(u, Qt::LeftButton, Qt::NoModifier, QPoint(20, 8));
    QTest::mouseClick(u, Qt::LeftButton, Qt::NoModifier, QPoint(20, 8));
    QTest::mouseClick(u, Qt::LeftButton, Qt::NoModifier, QPoint(20, 8));
    EXPECT_EQ(u->GetPosition(), 2) << "stops at Max";
    QTest::mouseClick(u, Qt::LeftButton, Qt::NoModifier, QPoint(3, 8));
    EXPECT_EQ(u->GetPosition(), 1);
    EXPECT_EQ(clicks, (std::vector<TUDBtnType>{btNext, btNext, btNext, btPrev}));
    // Vertical with increment -1: the upper button goes back.
    u->SetOrientation(udVertical);
    EXPECT_EQ(u->GetWidth(), 16);
    u->SetIncrement(-1);
    QTest::mouseClick(u, Qt::LeftButton, Qt::NoModifier, QPoint(8, 3));
    EXPECT_EQ(u->GetPosition(), 0);
    EXPECT_EQ(clicks.back(), btNext);
    // A held button repeats.
    u->SetIncrement(1);
    QTest::mousePress(u, Qt::LeftButton, Qt::NoModifier, QPoint(8, 3));
    u->GetRepeatTimer()->Timer();
    u->GetRepeatTimer()->Timer();
    QTest::mouseRelease(u, Qt::LeftButton, Qt::NoModifier, QPoint(8, 3));
    EXPECT_EQ(u->GetPosition(), 2);
    EXPECT_FALSE(u->GetRepeatTimer()->GetEnabled());
}

} // namespace
