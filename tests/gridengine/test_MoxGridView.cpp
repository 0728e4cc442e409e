// The grid view as users see it: pixels of the painted cells (header look,
// lines, text alignment and clipping, check boxes, icons, tree buttons and
// lines, frames, focus rectangles, the sort symbol, selection colours), scroll
// bars, scrolling compared with a fresh paint, virtual rows, and events.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QtTest/QTest>
#include <array>
#include <random>

#include "skedra/gridengine/qvMoxGridView.h"
#include "skedra/gridengine/qvMoxGridViewInput_p.h"
#include "skedra/platform/DeviceContext.h"
#include "skedra/platform/Messages.h"

using namespace skedra;

namespace
{

TColor At(const QImage& img, int x, int y)
{
    return FromQColor(QColor::fromRgb(img.pixel(x, y)));
}
bool IsInk(TColor c)
{
    return (c & 0xFF) < 110 && ((c >> 8) & 0xFF) < 110 && ((c >> 16) & 0xFF) < 110;
}
TColor Rgb(TColor c)
{
    return ColorToRGB(c) & 0xFFFFFF;
}

// Dark pixels of the rectangle.
int InkIn(const QImage& img, const TRect& r)
{
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x)
            n += IsInk(At(img, x, y)) ? 1 : 0;
    return n;
}

// A view whose icon and grouping answers a test can set.
class TTestView : public TMoxGridView
{
public:
    using TMoxGridView::TMoxGridView;
    std::function<bool(TMoxCell*)> HasIcon;
    using TMoxGridView_Custom::OnDrawMoxCell;

protected:
    bool CellHasIcon(TMoxCell* aCell) override { return HasIcon && HasIcon(aCell); }
};

struct ViewFixture : ::testing::Test {
    QWidget form;
    TTestView* view = nullptr;
    QLineEdit* other = nullptr;
    QStringList messages;
    TMessageSink previous;
    // Fills each new simple cell; the default writes "column:row".
    std::function<void(TMoxSimpleCellStringData*)> Fill;

    void SetUp() override
    {
        previous = SetMessageSink([this](const QString& t) { messages.push_back(t); });
        form.resize(900, 700);
        view = NewView();
        other = new QLineEdit(&form);
        other->move(0, 650);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        other->setFocus();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        SetMessageSink(previous);
        EXPECT_TRUE(messages.empty()) << (messages.empty() ? "" : messages.front().toStdString());
    }
    // A view with a 400 x 300 client area inside its border; views side by
    // side, so that none hides another (a hidden widget does not paint).
    TTestView* NewView(int aLeft = 0)
    {
        auto* v = new TTestView(&form);
        v->SetBounds(aLeft, 0, 404, 304);
        v->Show();
        v->OnInitContent = [this](TMoxGridView_Custom*, TMoxSimpleCellStringData* d) {
            if (Fill)
                Fill(d);
            else
                d->Text = QStringLiteral("%1:%2")
                              .arg(d->Cell->ColumnItem->ListIndex())
                              .arg(d->Cell->RowItem->ListIndex());
        };
        return v;
    }
    // Columns 60 pixels wide; one fixed header row.
    static void Build(TMoxGridView_Custom* v, int cols, int rows, int width = 60, int fixedRows = 1)
    {
        TMoxGridCellForViewer* root = v->GetRootCell();
        root->SetFixedRows(fixedRows);
        for (int c = 0; c < cols; ++c) {
            TAxisContentItem* item = root->ColumnList->AddNew(nullptr);
            item->SetUserSizeActive(true);
            item->SetUserSize(width);
        }
        for (int r = 0; r < rows; ++r)
            root->RowList->AddNew(nullptr);
    }
    void Build(int cols, int rows, int width = 60) { Build(view, cols, rows, width); }
    static QImage Paint(TMoxGridView_Custom* v)
    {
        v->Repaint();
        return v->GetOffscreenBitmap()->Image().convertToFormat(QImage::Format_RGB32);
    }
    QImage Paint() { return Paint(view); }
    TMoxCell* Cell(int c, int r) { return view->GetRootCell()->getCell(c, r); }
    void FocusView()
    {
        form.activateWindow();
        view->SetFocus();
        QApplication::processEvents();
        ASSERT_TRUE(view->hasFocus());
    }
};

TEST_F(ViewFixture, HeaderCellsAreRaisedAndBodyCellsHaveOnlyRightLines)
{
    Build(3, 4);
    const QImage img = Paint();
    // Header cell (1, 0) at x 60..119, y 0..19.
    EXPECT_EQ(At(img, 90, 1), Rgb(clBtnHighlight));
    EXPECT_EQ(At(img, 61, 10), Rgb(clBtnHighlight));
    EXPECT_EQ(At(img, 90, 19), Rgb(clBtnShadow));
    EXPECT_EQ(At(img, 119, 10), Rgb(clBtnShadow));
    EXPECT_EQ(At(img, 117, 4), Rgb(clBtnFace));
    // Body: the right edge of each cell carries a button-face line; rows are not separated.
    EXPECT_EQ(At(img, 60, 30), Rgb(clBtnFace));
    EXPECT_EQ(At(img, 120, 50), Rgb(clBtnFace));
    EXPECT_EQ(At(img, 50, 40), Rgb(clWindow));
    EXPECT_EQ(At(img, 50, 60), Rgb(clWindow));
    // Texts are drawn in their cells, the header's too.
    EXPECT_GT(InkIn(img, TRect(62, 2, 118, 18)), 5);
    EXPECT_GT(InkIn(img, TRect(62, 42, 118, 58)), 5);
    // Below the last row the view's colour shows.
    EXPECT_EQ(At(img, 50, 150), Rgb(clWindow));
}

TEST_F(ViewFixture, TextAlignmentAndClipping)
{
    TLayoutProp right;
    right.HorzAlignRight = true;
    TLayoutProp center;
    center.HorzAlignCenter = true;
    Fill = [&](TMoxSimpleCellStringData* d) {
        const int c = d->Cell->ColumnItem->ListIndex();
        if (d->Cell->GetIsFixed()) return;
        d->Text = c == 3 ? QStringLiteral("WWWWWWWWWWWW") : QStringLiteral("II");
        if (c == 1) d->Cell->Layout = &right;
        if (c == 2) d->Cell->Layout = &center;
    };
    Build(4, 3, 80);
    const QImage img = Paint();
    const int y0 = 22;
    const int y1 = 38;
    // Left: ink at the left of the text rectangle only.
    EXPECT_GT(InkIn(img, TRect(2, y0, 20, y1)), 0);
    EXPECT_EQ(InkIn(img, TRect(40, y0, 78, y1)), 0);
    // Right: ink near the right edge only.
    EXPECT_GT(InkIn(img, TRect(140, y0, 158, y1)), 0);
    EXPECT_EQ(InkIn(img, TRect(82, y0, 130, y1)), 0);
    // Centred: ink around the middle only.
    EXPECT_GT(InkIn(img, TRect(190, y0, 210, y1)), 0);
    EXPECT_EQ(InkIn(img, TRect(162, y0, 180, y1)), 0);
    EXPECT_EQ(InkIn(img, TRect(222, y0, 238, y1)), 0);
    // A text wider than its cell is cut at the text rectangle (right edge 318).
    EXPECT_GT(InkIn(img, TRect(300, y0, 318, y1)), 0);
    EXPECT_EQ(InkIn(img, TRect(318, y0, 400, y1)), 0);
}

TEST_F(ViewFixture, BooleanCellsShowCheckBoxes)
{
    Fill = [&](TMoxSimpleCellStringData* d) {
        if (d->Cell->GetIsFixed()) return;
        d->IsBoolean = true;
        d->Text = d->Cell->RowItem->ListIndex() == 1 ? QStringLiteral("true") : QStringLiteral("FALSE");
    };
    Build(1, 3);
    const QImage img = Paint();
    // Text rectangle of (0, 1) starts at (2, 22); the box at (3, 25) .. (13, 35).
    auto box = [&](int top) {
        const int x = 2;
        const int y = top + 2;
        return std::array<TColor, 3>{At(img, x + 1, y + 3), At(img, x + 4, y + 8), At(img, x + 10, y + 6)};
    };
    const auto checked = box(20);
    EXPECT_EQ(checked[0], Rgb(cl3DDkShadow)); // the box's top-left corner
    EXPECT_EQ(checked[1], Rgb(clBlack));      // the tick
    EXPECT_EQ(checked[2], Rgb(clBlack));
    const auto unchecked = box(40);
    EXPECT_EQ(unchecked[0], Rgb(cl3DDkShadow));
    EXPECT_EQ(unchecked[1], Rgb(clWindow));
    EXPECT_EQ(unchecked[2], Rgb(clWindow));
    // No text is drawn for a Boolean cell.
    EXPECT_EQ(InkIn(img, TRect(16, 22, 58, 38)), 0);
}

TEST_F(ViewFixture, IconsTakeTheirSectionAndMoveTheText)
{
    TImageList images(16, 16);
    QImage red(16, 16, QImage::Format_ARGB32);
    red.fill(QColor(255, 0, 0));
    images.AddImage(red);
    view->HasIcon = [](TMoxCell* cell) { return cell->RowItem->ListIndex() == 1; };
    view->SetImageList(&images);
    Build(1, 3, 80);
    const QImage img = Paint();
    // (0, 1): R starts at (1, 21); the icon at R's top-left, the text 17 pixels further.
    EXPECT_EQ(At(img, 1, 21), 0x0000FFu);
    EXPECT_EQ(At(img, 16, 36), 0x0000FFu);
    EXPECT_EQ(At(img, 17, 30), Rgb(clWindow));
    EXPECT_EQ(InkIn(img, TRect(1, 21, 17, 37)), 0);
    EXPECT_GT(InkIn(img, TRect(19, 22, 40, 38)), 0);
    // A row without an icon keeps its text at the left.
    EXPECT_GT(InkIn(img, TRect(2, 42, 12, 58)), 0);
}

TEST_F(ViewFixture, TreeButtonsIndentationAndLines)
{
    // Column 0 of rows 1..3 is a tree: levels 0, 1, 2; rows 1 and 2 have children.
    view->OnCellHasButton = [](TMoxGridView_Custom*, TMoxCell* cell) {
        return cell->ColumnItem->ListIndex() == 0 && !cell->GetIsFixed();
    };
    view->OnCellInset = [](TMoxGridView_Custom*, TMoxCell* cell) { return cell->RowItem->ListIndex() - 1; };
    view->OnIsButtonTerminal = [](TMoxGridView_Custom*, TMoxCell* cell) {
        return cell->RowItem->ListIndex() == 3;
    };
    view->OnIsButtonExpanded = [](TMoxGridView_Custom*, TMoxCell* cell) {
        return cell->RowItem->ListIndex() == 1;
    };
    view->OnGetParentButtonCell = [this](TMoxGridView_Custom*, TMoxCell* cell) -> TMoxCell* {
        const int r = cell->RowItem->ListIndex();
        return r > 1 ? Cell(0, r - 1) : nullptr;
    };
    Fill = [](TMoxSimpleCellStringData* d) { d->Text = QString(); };
    Build(2, 4, 100);
    const QImage img = Paint();
    ASSERT_EQ(view->GetButtonCells().size(), 3u);
    // Level 2 is indented by 30 pixels; its button box would start 2 pixels right of R.
    EXPECT_EQ(Cell(0, 3)->getVisibleRect().Left, 30);
    EXPECT_EQ(view->GetEditRect(Cell(0, 3)).Left, 30 + 1 + 15 + 1);
    // Row 1 (level 0, expanded): box (3, 25)..(11, 33), frame grey, white inside, a minus only.
    auto boxAt = [&](int left, int top) {
        const int L = left + 1;
        const int T = top + 1;
        EXPECT_EQ(At(img, L + 2, T + 4), Rgb(clGray));
        EXPECT_EQ(At(img, L + 10, T + 12), Rgb(clGray));
        EXPECT_EQ(At(img, L + 3, T + 5), Rgb(clWhite));
        EXPECT_EQ(At(img, L + 4, T + 8), Rgb(clBlack));
        EXPECT_EQ(At(img, L + 8, T + 8), Rgb(clBlack));
        return At(img, L + 6, T + 6);
    };
    EXPECT_EQ(boxAt(0, 20), Rgb(clWhite));  // expanded: no vertical bar
    EXPECT_EQ(boxAt(15, 40), Rgb(clBlack)); // collapsed: a plus
    // Row 3 is terminal: no box.
    EXPECT_NE(At(img, 30 + 1 + 2, 60 + 1 + 4), Rgb(clGray));
    // Lines: from row 1's button down at its middle x (7), then right to row 2's box.
    EXPECT_EQ(At(img, 7, 46), Rgb(clSilver));
    EXPECT_EQ(At(img, 10, 49), Rgb(clSilver));
    // Without lines only the buttons remain.
    view->SetShowLinesTree(false);
    const QImage plain = Paint();
    EXPECT_EQ(At(plain, 7, 46), Rgb(clWindow));
    EXPECT_EQ(At(plain, 1 + 2, 21 + 4), Rgb(clGray));
}

TEST_F(ViewFixture, LayoutFramesThreeDimensionalAndTheLineHook)
{
    TLayoutProp framed;
    framed.FrameOptionsUse = true;
    framed.FrameOptions = TFrameOptions{foTop, foBottom};
    framed.FrameColor = clRed;
    Fill = [&](TMoxSimpleCellStringData* d) {
        if (!d->Cell->GetIsFixed()) d->Cell->Layout = &framed;
        d->Text = QString();
    };
    Build(2, 3);
    QImage img = Paint();
    // (0, 1): R0 (0, 20, 60, 40), whose text section grown back by 1 is R0
    // again: lines at y 20 and 40 (the next row's top line falls on the latter).
    auto redRows = [&](const QImage& im) {
        std::vector<int> ys;
        for (int y = 20; y <= 40; ++y)
            if (At(im, 30, y) == 0x0000FFu) ys.push_back(y);
        return ys;
    };
    EXPECT_EQ(redRows(img), (std::vector<int>{20, 40}));
    // No default vertical line.
    EXPECT_NE(At(img, 60, 30), Rgb(clBtnFace));
    // 3-D: each line doubled one pixel up in the colour plus a quarter of it.
    framed.FrameKind = fk3d;
    img = Paint();
    EXPECT_EQ(At(img, 30, 19), 0x00013Fu);
    EXPECT_EQ(At(img, 30, 39), 0x00013Fu);
    EXPECT_EQ(At(img, 30, 20), 0x0000FFu);
    // The hook suppresses one line only.
    framed.FrameKind = fkNormal;
    framed.OnFrameLineDraw = [](TLayoutProp*, TFrameOption option, TMoxCell*, TRect, TPoint, TPoint,
                                bool& doDefault, TCanvas*) { doDefault = option != foTop; };
    img = Paint();
    EXPECT_EQ(redRows(img), (std::vector<int>{40}));
}

TEST_F(ViewFixture, UserRenderHandlerCanSkipTheText)
{
    Build(2, 3);
    int calls = 0;
    view->OnUserRenderCell = [&](TMoxGridView_Custom*, TCanvas*, TMoxCell* cell, const QString& text, bool,
                                 bool isString, TMoxDrawStateSet, TRect, bool& defaultDraw) {
        ++calls;
        EXPECT_TRUE(isString);
        EXPECT_EQ(text, view->GetText(cell));
        defaultDraw = false;
    };
    const QImage img = Paint();
    EXPECT_EQ(calls, 6);
    EXPECT_EQ(InkIn(img, TRect(0, 0, 120, 60)), 0);
    EXPECT_EQ(At(img, 60, 30), Rgb(clBtnFace)); // lines stay
    EXPECT_EQ(At(img, 90, 1), Rgb(clBtnHighlight));
}

TEST_F(ViewFixture, SelectionColoursFollowTheFocus)
{
    Build(3, 4);
    view->GetRootCell()->UpdateMultiSelect(Cell(1, 2), {});
    QImage img = Paint();
    EXPECT_EQ(At(img, 115, 50), Rgb(clBtnFace)); // not focused: grey
    EXPECT_EQ(At(img, 55, 50), Rgb(clWindow));
    FocusView();
    img = Paint();
    EXPECT_EQ(At(img, 115, 50), Rgb(clHighlight));
    // The highlighted text is drawn in the highlight text colour.
    bool lightInk = false;
    for (int y = 42; y < 58; ++y)
        for (int x = 62; x < 100; ++x)
            lightInk |= At(img, x, y) == Rgb(clHighlightText);
    EXPECT_TRUE(lightInk);
}

TEST_F(ViewFixture, PrintingScalesCellsAndLeavesSelectionAndFocusOut)
{
    view->GetDefaultLayout()->BackColor = clYellow;
    Build(3, 4);
    view->GetRootCell()->UpdateMultiSelect(Cell(1, 2), {});
    FocusView();
    const QImage screen = Paint();
    EXPECT_EQ(At(screen, 115, 50), Rgb(clHighlight));
    EXPECT_EQ(At(screen, 55, 50), Rgb(clYellow));
    QImage print(900, 700, QImage::Format_RGB32);
    print.fill(Qt::black);
    {
        TDeviceContext dc(&print);
        view->Print(&dc, 0, 0, 2, 2, true);
    }
    // Cell (1, 2) spans x 120..240 and y 80..120 at scale 2. On paper a
    // selected simple cell keeps its background.
    EXPECT_EQ(At(print, 230, 100), Rgb(clYellow));
    EXPECT_EQ(At(print, 110, 100), Rgb(clYellow));
    EXPECT_EQ(At(print, 120, 60), Rgb(clBtnFace));   // column 0's right line
    EXPECT_EQ(At(print, 200, 39), Rgb(clBtnShadow)); // the header's bottom edge
    // No focus rectangles on paper: the grid's outline pixels are the cells'.
    EXPECT_EQ(At(print, 2, 60), Rgb(clYellow));
}

TEST_F(ViewFixture, FocusRectanglesOfCellAndGrid)
{
    Build(3, 4);
    view->GetRootCell()->SetFocusedCell(Cell(1, 2));
    const QImage unfocused = Paint();
    FocusView();
    const QImage focused = Paint();
    // Every changed pixel lies on the cell's text rectangle grown by 2, or on
    // the grid's rectangle shrunk by 1.
    const TRect cellRect = TRect(62, 42, 118, 58).Inflate(2, 2);
    const TRect gridRect(1, 1, 399, 299);
    auto onOutline = [](const TRect& r, int x, int y) {
        return ((x == r.Left || x == r.Right - 1) && y >= r.Top && y < r.Bottom) ||
               ((y == r.Top || y == r.Bottom - 1) && x >= r.Left && x < r.Right);
    };
    int onCell = 0;
    int onGrid = 0;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x) {
            if (At(unfocused, x, y) == At(focused, x, y)) continue;
            const bool c = onOutline(cellRect, x, y);
            const bool g = onOutline(gridRect, x, y);
            ASSERT_TRUE(c || g) << x << "," << y;
            onCell += c ? 1 : 0;
            onGrid += g ? 1 : 0;
        }
    EXPECT_GT(onCell, 40);
    EXPECT_GT(onGrid, 400);
    view->SetFocusRect_Cell(false);
    view->SetFocusRect_Grid(false);
    const QImage none = Paint();
    EXPECT_EQ(none, unfocused);
}

TEST_F(ViewFixture, SortSymbolPointsUpOrDown)
{
    Build(3, 2);
    view->SetSortCell(Cell(1, 0), false);
    QImage img = Paint();
    // Header (1, 0): r = 120, m = 10. Ascending: white base at y 13, dark left side.
    EXPECT_EQ(At(img, 114, 13), Rgb(clWhite));
    EXPECT_EQ(At(img, 113, 7), Rgb(cl3DDkShadow));
    view->SetSortCell(Cell(1, 0), true);
    img = Paint();
    // Descending: dark top at y 7, white right side.
    EXPECT_EQ(At(img, 114, 7), Rgb(cl3DDkShadow));
    EXPECT_EQ(At(img, 115, 11), Rgb(clWhite));
}

TEST_F(ViewFixture, ScrollBarsFollowTheLayout)
{
    Build(5, 3);
    Paint();
    EXPECT_FALSE(view->GridScrollVisibleHorizontal());
    EXPECT_FALSE(view->GridScrollVisibleVertical());
    EXPECT_EQ(view->GetDrawRect(), TRect(0, 0, 400, 300));
    // Scrolling right by one column shows the bar.
    view->GetRootCell()->SetLeft(1);
    Paint();
    EXPECT_TRUE(view->GridScrollVisibleHorizontal());
    EXPECT_EQ(view->GetDrawRect(), TRect(0, 0, 400, 300 - view->GetHorzScrollBar()->GetHeight()));
    EXPECT_EQ(view->GetReservedBottomStrip(), view->GetHorzScrollBar()->GetHeight());

    // Ten columns, one hidden: the maximum is 8.
    TTestView* wide = NewView(450);
    Build(wide, 10, 40);
    wide->GetRootCell()->ColumnList->getAxisContentItem(4)->SetHide(true);
    Paint(wide);
    EXPECT_TRUE(wide->GridScrollVisibleHorizontal());
    EXPECT_EQ(wide->GetHorzScrollBar()->GetMax(), 8);
    // Vertical: fixed rows are the minimum, the page is the whole scrolled rows.
    ASSERT_TRUE(wide->GridScrollVisibleVertical());
    TScrollbar_qv* vbar = wide->GetVertScrollBar();
    EXPECT_EQ(vbar->GetMin(), 1);
    EXPECT_EQ(vbar->GetMax(), 39); // 40 rows, the header included
    EXPECT_EQ(vbar->GetPageSize(), wide->GetRootCell()->VisibleRowCount - 1);
    EXPECT_EQ(wide->GetDrawRect().Right, 400 - vbar->GetWidth());
    // The bar scrolls the grid: the user drags to row 20.
    int pos = 20;
    vbar->OnScroll(vbar, scTrack, pos);
    EXPECT_EQ(wide->GetRootCell()->Top, 20);
    // A hijacked bar is placed elsewhere and leaves the drawing rectangle whole.
    TScrollbar_qv* taken = wide->HijackVerticalScroll(true);
    EXPECT_EQ(taken, vbar);
    taken->SetParent(&form);
    taken->SetBounds(600, 0, 17, 200);
    Paint(wide);
    EXPECT_EQ(wide->GetDrawRect().Right, 400);
    EXPECT_EQ(taken->GetLeft(), 600);
    EXPECT_EQ(wide->GetReservedRightStrip(), 0);
    wide->HijackVerticalScroll(false);
    EXPECT_EQ(taken->parentWidget(), wide);
    Paint(wide);
    EXPECT_EQ(wide->GetDrawRect().Right, 400 - vbar->GetWidth());
}

TEST_F(ViewFixture, AScrollBarThatRefusesItsParametersIsReportedNotThrownOutOfThePaint)
{
    Build(2, 100);
    Paint();
    TScrollbar_qv* bar = view->GetVertScrollBar();
    bar->OnChange = [bar](TObject*) { bar->SetMax(bar->GetMax() + 5); };
    view->GetRootCell()->SetTop(30);
    const QImage img = Paint();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages.front(), QStringLiteral("99104")); // 100 rows: the maximum asked was 99
    messages.clear();
    // The paint went on: the cells are there.
    EXPECT_EQ(At(img, 60, 30), Rgb(clBtnFace));
}

TEST_F(ViewFixture, ScrollingByOneRowPaintsWhatAFreshPaintShows)
{
    Build(6, 200, 70);
    Paint();
    TTestView* fresh = NewView(450);
    Build(fresh, 6, 200, 70);
    for (int step = 0; step < 4; ++step) {
        view->PublicScroll(tsdDown); // one row further
        const QImage scrolled = Paint();
        fresh->GetRootCell()->SetTop(view->GetRootCell()->Top);
        const QImage expected = Paint(fresh);
        ASSERT_EQ(view->GetRootCell()->Top, 2 + step);
        ASSERT_TRUE(scrolled == expected) << "step " << step;
    }
    view->PublicScroll(tsdUp);
    fresh->GetRootCell()->SetTop(view->GetRootCell()->Top);
    EXPECT_TRUE(Paint() == Paint(fresh));
}

TEST_F(ViewFixture, TenMillionVirtualRowsKeepFewLoadedAndPaintTheRightRows)
{
    TMoxGridCellForViewer* root = view->GetRootCell();
    Fill = [](TMoxSimpleCellStringData* d) {
        d->Text = QStringLiteral("R%1").arg(d->Cell->RowItem->ListIndex());
    };
    root->SetFixedRows(1);
    for (int c = 0; c < 3; ++c)
        root->ColumnList->AddNew(nullptr)->SetUserSize(60);
    root->RowList->AddNew(nullptr);
    root->RowList->AddUnloaded(10000000);
    view->OnVirtualUnLoad = [](TMoxGridCell*, TAxisContentItem*, bool, bool perform, bool& can) {
        if (!perform) can = true;
    };
    std::vector<TMoxCell*> painted;
    view->OnBeforeRenderCell = [&](TMoxGridView_Custom*, TMoxCell* cell) {
        if (cell->ColumnItem->ListIndex() == 0 && !cell->GetIsFixed()) painted.push_back(cell);
    };
    Paint();
    TScrollbar_qv* bar = view->GetVertScrollBar();
    ASSERT_TRUE(bar->GetVisible());
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> pick(1, 10000000);
    for (int step = 0; step < 40; ++step) {
        int pos = step % 8 == 7 ? bar->GetPosition() + 1 : pick(rng);
        bar->OnScroll(bar, scTrack, pos);
        bar->SetPosition(pos);
        painted.clear();
        Paint();
        EXPECT_LT(root->RowList->LoadedCount(), 1000);
        QString why;
        ASSERT_TRUE(root->RowList->CheckInvariants(&why)) << why.toStdString() << " step " << step;
        ASSERT_TRUE(view->GetInput()->CheckInvariants(&why)) << why.toStdString() << " step " << step;
        ASSERT_GE(painted.size(), 10u);
        const int top = root->Top;
        for (size_t i = 0; i < painted.size(); ++i) {
            ASSERT_EQ(painted[i]->RowItem->ListIndex(), top + static_cast<int>(i));
            ASSERT_EQ(view->GetText(painted[i]), QStringLiteral("R%1").arg(top + static_cast<int>(i)));
        }
        EXPECT_EQ(top, pos);
    }
}

TEST_F(ViewFixture, EventsOfSelectionScrollingAndAxisChanges)
{
    Build(3, 30);
    Paint();
    std::vector<QString> log;
    view->OnCellSelectionChanged = [&](TMoxGridView_Custom*, TMoxCell*) { log.push_back("cell"); };
    view->OnSelectionChanged = [&](TObject*) { log.push_back("selection"); };
    view->OnTopLeftChanged = [&](TObject*) { log.push_back("topleft"); };
    view->OnAxisChanged = [&](TObject*) { log.push_back("axis"); };
    Cell(1, 3)->SetSelected(true);
    EXPECT_EQ(log, (std::vector<QString>{"cell", "selection"}));
    log.clear();
    view->GetRootCell()->SetTop(5);
    EXPECT_EQ(log, (std::vector<QString>{"topleft"}));
    EXPECT_TRUE(view->GetSoftUpdatePending());
    log.clear();
    view->GetRootCell()->RowList->getAxisContentItem(7)->SetHide(true);
    EXPECT_EQ(log.front(), QStringLiteral("axis"));
    EXPECT_TRUE(view->GetHardUpdatePending());
    Paint();
    EXPECT_FALSE(view->GetHardUpdatePending());
    EXPECT_FALSE(view->GetSoftUpdatePending());
    // Texts through the view.
    view->SetText(Cell(2, 2), QStringLiteral("changed"));
    EXPECT_EQ(view->GetText(Cell(2, 2)), QStringLiteral("changed"));
    EXPECT_EQ(view->GetClosestUnHiddenLeftColumn(1), 1);
}

TEST_F(ViewFixture, AFocusChangeScrollsTheFocusedCellIntoView)
{
    Build(12, 100);
    int barShown = 0;
    view->OnVertScrollVisibleChanged = [&](TObject*) { ++barShown; };
    Paint();
    EXPECT_EQ(barShown, 1);
    TMoxGridCellForViewer* root = view->GetRootCell();
    root->SetFocusedCell(Cell(10, 60));
    QApplication::processEvents(); // the deferred scroll into view
    Paint();
    const int top = root->Top;
    EXPECT_GT(top, 1);
    EXPECT_LE(top, 60);
    EXPECT_GE(top + root->VisibleRowCount - 1, 60);
    EXPECT_GE(root->Left, 4); // column 10 needs the grid scrolled right
    EXPECT_NE(Cell(10, 60)->VisibleRect.Left, -1);
    // Back up: the least scrolling shows row 5 at the top.
    root->SetFocusedCell(Cell(1, 5));
    QApplication::processEvents();
    Paint();
    EXPECT_EQ(root->Top, 5);
}

TEST_F(ViewFixture, InitHandsTheRootContentToTheApplication)
{
    TMoxSubGridCellData* seen = nullptr;
    view->OninitSubGridContent = [&](TMoxGridView_Custom*, TMoxSubGridCellData* data) { seen = data; };
    view->Init();
    Paint();
    ASSERT_NE(seen, nullptr);
    EXPECT_EQ(seen->Cell, view->GetRootCell());
    seen = nullptr;
    Paint();
    EXPECT_EQ(seen, nullptr); // once per Init
}

} // namespace
