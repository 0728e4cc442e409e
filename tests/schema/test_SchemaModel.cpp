// The schedule view's columns, layout and item geometry.

#include <QFontMetrics>
#include <QHeaderView>

#include <cmath>
#include <limits>
#include <random>

#include "tests/schema/SchemaTestSupport.h"

using namespace skedra;
using namespace skedra::test;

namespace
{

class SchemaModel : public SchemaFixture
{
protected:
    std::vector<TqvDataEntity_SchemaColumn*> MakeColumns(const std::vector<int>& aSizes)
    {
        std::vector<TqvDataEntity_SchemaColumn*> result;
        for (size_t i = 0; i < aSizes.size(); ++i) {
            result.push_back(AddColumn(QStringLiteral("C%1").arg(i)));
            result.back()->SetWidth(aSizes[i]);
        }
        Settle();
        return result;
    }
    std::vector<int> Sizes()
    {
        std::vector<int> s;
        for (int c = 0; c < schema->ColumnCount(); ++c)
            s.push_back(schema->ColumnSize(schema->GetFlipView(), c));
        return s;
    }
};

TEST_F(SchemaModel, BuildsItsSubControlsAndDefaults)
{
    EXPECT_EQ(schema->GetScaler()->GetName(), QStringLiteral("Scaler"));
    EXPECT_EQ(schema->GetSchemaArea()->GetName(), QStringLiteral("SchemaArea"));
    EXPECT_EQ(schema->GetHeader()->GetName(), QStringLiteral("Header"));
    EXPECT_EQ(schema->GetFlippedHeader()->GetName(), QStringLiteral("FlippedHeader"));
    EXPECT_EQ(schema->GetXYSizer()->GetName(), QStringLiteral("itsXYSizer"));
    EXPECT_EQ(schema->GetScalerWidth(), 50);
    EXPECT_EQ(schema->GetSchemaColor(), 0x008000u);
    EXPECT_EQ(schema->GetSchemaPyjamasColor(), 0x008080u);
    EXPECT_EQ(schema->GetDrawLayers(), (TDrawLayerArray{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_TRUE(schema->GetCollisionDetect());
    EXPECT_FALSE(schema->GetCollisionDetectBetweenDataList());
    EXPECT_TRUE(schema->GetResizeAllCol());
    EXPECT_DOUBLE_EQ(schema->GetStartSnap(), 5 * kMinute);
    EXPECT_DOUBLE_EQ(schema->GetLengthSnap(), kMinute);
    EXPECT_EQ(schema->GetColumns()->DefaultWidth, 120);
    EXPECT_EQ(schema->GetColumns()->DefaultHeight, 18);
    EXPECT_EQ(schema->GetFlippedQuadPoint(), TPoint(70, 50));
    EXPECT_EQ(schema->GetCaption(), QStringLiteral(" "));
    // Normal layout: scaler left of the area, header above it.
    const TPoint q = schema->GetQuadPoint();
    EXPECT_EQ(schema->GetSchemaArea()->GetBoundsRect(), TRect(q.X, q.Y, 600, 420));
    EXPECT_EQ(schema->GetScaler()->GetBoundsRect(), TRect(0, q.Y, q.X, 420));
    EXPECT_EQ(schema->GetHeader()->GetBoundsRect(), TRect(q.X, 0, 600, q.Y));
    EXPECT_EQ(schema->GetXYSizer()->GetBoundsRect(), TRect(q.X - 3, q.Y - 3, q.X + 2, q.Y + 2));
    EXPECT_FALSE(schema->GetFlippedHeader()->isVisible());
}

TEST_F(SchemaModel, FlippedLayoutPutsTheScalerOnTopAndTheGridLeft)
{
    schema->SetFlipView(true);
    Settle();
    const TPoint q = schema->GetFlippedQuadPoint();
    EXPECT_TRUE(schema->GetScaler()->GetHorizontal());
    EXPECT_TRUE(schema->GetFlippedHeader()->isVisible());
    EXPECT_FALSE(schema->GetHeader()->isVisible());
    EXPECT_EQ(schema->GetScaler()->GetBoundsRect(), TRect(q.X, 0, 600, q.Y));
    EXPECT_EQ(schema->GetFlippedHeader()->GetBoundsRect(), TRect(0, q.Y, q.X, 420));
    EXPECT_EQ(schema->GetSchemaArea()->GetBoundsRect(), TRect(q.X, q.Y, 600, 420));
    EXPECT_EQ(schema->GetScalerHeight(), 50);
    EXPECT_EQ(schema->GetScalerWidth(), 600 - 70);
    schema->SetScalerHeight(80);
    Settle();
    EXPECT_EQ(schema->GetFlippedQuadPoint(), TPoint(70, 80));
}

TEST_F(SchemaModel, PixelToColumnAgreesWithColumnToPixelsAtEveryPixel)
{
    MakeColumns({30, 55, 7, 80, 41, 12});
    for (bool flipped : {false, true}) {
        schema->SetFlipView(flipped);
        if (flipped)
            for (int c = 0; c < schema->ColumnCount(); ++c)
                schema->GetColumns()->Column(c)->SetWidth(9 + 13 * c);
        for (int first : {0, 2, 5}) {
            schema->GetColumns()->SetTopLeftCol(first);
            schema->CheckInvariants();
            int previousFar = 0;
            for (int c = 0; c < schema->ColumnCount(); ++c) {
                int n, f;
                schema->ColumnToPixels(c, n, f);
                const int size = schema->ColumnSize(flipped, c);
                EXPECT_EQ(f - n, size);
                if (c < first) {
                    EXPECT_EQ(size, 0) << "collapsed before the first visible column";
                    EXPECT_EQ(f, 0);
                    continue;
                }
                EXPECT_EQ(n, previousFar + (flipped ? 1 : 0)) << "column " << c;
                // Every pixel from the previous far side up to this far side is this column's.
                for (int p = previousFar; p < f; ++p)
                    ASSERT_EQ(schema->PixelToColumn(p), c) << "pixel " << p << " flipped " << flipped;
                previousFar = f;
            }
            for (int p = previousFar; p < previousFar + 50; ++p)
                EXPECT_EQ(schema->PixelToColumn(p), schema->ColumnCount() - 1);
            EXPECT_EQ(schema->PixelToColumn(-4), 0);
        }
    }
    int n, f;
    schema->ColumnToPixels(-1, n, f);
    EXPECT_EQ(n, -1);
    EXPECT_EQ(f, -1);
    schema->ColumnToPixels(schema->ColumnCount(), n, f);
    EXPECT_EQ(f, -1);
}

TEST_F(SchemaModel, ThreeColumnsOf100WithTheSecondFirstVisible)
{
    MakeColumns({100, 100, 100});
    schema->GetColumns()->SetTopLeftCol(1);
    EXPECT_EQ(schema->PixelToColumn(150), 2);
    EXPECT_EQ(schema->PixelToColumn(500), 2);
    EXPECT_EQ(schema->ColumnFromXY(TPoint(150, 10)), schema->GetColumns()->Column(2));
    TqvDataList* empty = nullptr;
    Q_UNUSED(empty);
    schema->ClearColumns();
    EXPECT_EQ(schema->PixelToColumn(10), -1);
    EXPECT_EQ(schema->ColumnFromXY(TPoint(10, 10)), nullptr);
}

TEST_F(SchemaModel, DeletingOrInsertingAColumnKeepsEveryOtherColumnsSize)
{
    for (bool flipped : {false, true}) {
        schema->SetFlipView(flipped);
        schema->ClearColumns();
        auto cols = MakeColumns({50, 60, 70, 80});
        schema->RemoveColumn(cols[1]);
        Settle();
        EXPECT_EQ(Sizes(), (std::vector<int>{50, 70, 80})) << "flipped " << flipped;
        schema->CheckInvariants();
        // An item of the third column is drawn in the third column's span.
        TqvDataEntity_SchemaTime* item = AddItem(0, 2, At(0, 8), At(0, 9));
        int n, f;
        schema->ColumnToPixels(2, n, f);
        const TRect r = RectOf(item);
        EXPECT_EQ(flipped ? r.Top : r.Left - 1, n);
        EXPECT_EQ(flipped ? r.Bottom : r.Right, f);
        schema->RemoveSchemaTime(item);
        // Inserting in the middle gives the new column the default and moves nothing else.
        schema->GetColumns()->Insert(1);
        Settle();
        EXPECT_EQ(Sizes(), (std::vector<int>{50, flipped ? 18 : 120, 70, 80}));
        schema->CheckInvariants();
        // Scrolling and back restores the remembered sizes of the right columns.
        schema->GetColumns()->SetTopLeftCol(2);
        schema->GetColumns()->SetTopLeftCol(0);
        EXPECT_EQ(Sizes(), (std::vector<int>{50, flipped ? 18 : 120, 70, 80}));
    }
}

TEST_F(SchemaModel, DeletingAColumnLeavesTheNewLastColumnsWidth)
{
    auto cols = MakeColumns({50, 60, 90});
    schema->RemoveColumn(cols[0]);
    Settle();
    EXPECT_EQ(Sizes(), (std::vector<int>{60, 90}));
    EXPECT_EQ(schema->GetColumns()->Column(1)->GetStoredWidth(), 90);
    schema->GetColumns()->SetTopLeftCol(0);
    EXPECT_EQ(Sizes(), (std::vector<int>{60, 90}));
}

TEST_F(SchemaModel, DeletingTheFirstVisibleColumnShowsTheNextOne)
{
    auto cols = MakeColumns({50, 60, 70, 80});
    schema->GetColumns()->SetTopLeftCol(3);
    schema->RemoveColumn(cols[3]);
    Settle();
    schema->CheckInvariants();
    EXPECT_EQ(schema->GetColumns()->GetTopLeftCol(), 2);
    EXPECT_EQ(Sizes(), (std::vector<int>{0, 0, 70}));
    // A column deleted before the first visible one keeps that column first.
    schema->RemoveColumn(cols[0]);
    Settle();
    schema->CheckInvariants();
    EXPECT_EQ(schema->GetColumns()->GetTopLeftCol(), 1);
    EXPECT_EQ(schema->GetColumns()->Column(1), cols[2]);
    EXPECT_EQ(Sizes(), (std::vector<int>{0, 70}));
}

TEST_F(SchemaModel, HeaderTextsAndTheFailureText)
{
    MakeColumns({50, 50});
    schema->GetColumns()->Column(1)->SetText(QStringLiteral("Anna\nRoom 2"));
    EXPECT_EQ(schema->GetHeader()->GetSections()->Items(1)->GetText(), QStringLiteral("Anna\nRoom 2"));
    EXPECT_EQ(schema->HeaderFromColumn(-1), QStringLiteral("???"));
    EXPECT_EQ(schema->HeaderFromColumn(2), QStringLiteral("???"));
    EXPECT_EQ(schema->HeaderFromColumn(1), QStringLiteral("Anna\nRoom 2"));
    schema->OnHeaderFromColumn =
        THeaderFromColumn([](int i, QString& t) { t = QStringLiteral("#%1").arg(i); });
    EXPECT_EQ(schema->HeaderFromColumn(0), QStringLiteral("#0"));
    EXPECT_EQ(schema->HeaderFromColumn(5), QStringLiteral("???"));
}

TEST_F(SchemaModel, AUserResizeSetsAtLeastSevenPixelsToAllColumnsAndNewOnes)
{
    MakeColumns({50, 60, 70});
    std::vector<int> asked;
    schema->OnUserDecideColSize = TOnUserDecideColSize([&](TqvSchema_ComBasic*, TqvDataEntity_SchemaColumn*,
                                                           TqvDataEntity_SchemaColumn*, int cur, int& set) {
        asked.push_back(cur);
        EXPECT_EQ(set, 3);
    });
    schema->GetHeader()->NativeHeader()->resizeSection(1, 3); // as the user's drag does
    Settle();
    EXPECT_EQ(asked, (std::vector<int>{50, 60, 70}));
    EXPECT_EQ(Sizes(), (std::vector<int>{7, 7, 7}));
    EXPECT_EQ(schema->GetColumns()->DefaultWidth, 7);
    AddColumn(QStringLiteral("new"));
    Settle();
    EXPECT_EQ(Sizes().back(), 7);
    // Without ResizeAllCol only the resized column changes.
    schema->SetResizeAllCol(false);
    schema->OnUserDecideColSize.Clear();
    schema->GetHeader()->NativeHeader()->resizeSection(0, 44);
    Settle();
    EXPECT_EQ(Sizes(), (std::vector<int>{44, 7, 7, 7}));
    schema->CheckInvariants();
}

TEST_F(SchemaModel, AFlippedRowResizeResizesTheColumn)
{
    schema->SetFlipView(true);
    schema->SetResizeAllCol(false);
    MakeColumns({20, 20, 20});
    Settle();
    TDrawGrid_Schema* grid = schema->GetFlippedHeader();
    // Drag the border under row 1 (rows 18 + 1 line each, the grid starts at the top row).
    const TRect row1 = grid->CellRect(0, 1);
    QTest::mousePress(grid, Qt::LeftButton, Qt::NoModifier, QPoint(10, row1.Bottom));
    QTest::mouseMove(grid, QPoint(10, row1.Bottom + 12));
    QTest::mouseRelease(grid, Qt::LeftButton, Qt::NoModifier, QPoint(10, row1.Bottom + 12));
    Settle();
    EXPECT_EQ(Sizes(), (std::vector<int>{20, 32, 20}));
    EXPECT_EQ(schema->GetColumns()->Column(1)->GetStoredHeight(), 32);
}

TEST_F(SchemaModel, TheScrollerStepsTheFirstVisibleColumn)
{
    MakeColumns({200, 200, 200, 200});
    Settle();
    TUpDown* scroller = schema->GetColumnScroller();
    EXPECT_TRUE(scroller->isVisible()) << "columns wider than the room";
    EXPECT_EQ(scroller->GetMax(), 3);
    int changes = 0;
    schema->OnTopLeftColumnChange = TNotifyEvent([&](TObject*) { ++changes; });
    TUDBtnType next = btNext;
    const TRect r = scroller->GetClientRect();
    QTest::mouseClick(scroller, Qt::LeftButton, Qt::NoModifier, QPoint(r.Right - 3, r.Height() / 2));
    Settle();
    ASSERT_TRUE(scroller->ButtonAt(r.Right - 3, r.Height() / 2, next));
    EXPECT_EQ(next, btNext);
    EXPECT_EQ(schema->GetColumns()->GetTopLeftCol(), 1);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(Sizes(), (std::vector<int>{0, 200, 200, 200}));
    EXPECT_EQ(schema->GetHeader()->GetSections()->Items(1)->GetLeft(), 0);
    schema->SetScrollVisibility(svNever);
    scroller->SetPosition(0);
    schema->ColumnUpDownOnClick(scroller, btPrev);
    schema->UpdateColumnScroller();
    EXPECT_FALSE(scroller->isVisible());
}

TEST_F(SchemaModel, ItemRectangleFollowsTheColumnsDateOffset)
{
    MakeColumns({100, 100});
    // Monday's column and Tuesday's column on the Monday axis.
    schema->GetColumns()->Column(1)->SetDateOffset(1);
    Settle();
    TqvDataEntity_SchemaTime* item = AddItem(0, 1, At(1, 10), At(1, 11)); // Tuesday 10-11 in Tuesday's column
    const TRect r = RectOf(item);
    EXPECT_EQ(r, TRect(101, ScalerPixel(At(0, 10)), 200, ScalerPixel(At(0, 11))));
    TDateTime s, e;
    int c;
    schema->GetStartStopDateAndCol(item, s, c, e);
    EXPECT_EQ(c, 1);
    EXPECT_NEAR(s, At(0, 10), 1e-9);
    EXPECT_EQ(schema->GetDataEntityFromXY(150, (r.Top + r.Bottom) / 2), item);
    EXPECT_EQ(schema->GetDataEntityFromXY(50, (r.Top + r.Bottom) / 2), nullptr);
    // In Monday's column the same times are a day later: beyond the axis, not visible, not hit.
    item->SetCol(0);
    Settle();
    EXPECT_FALSE(schema->IsVisible(item));
    EXPECT_EQ(schema->GetDataEntityFromXY(50, (r.Top + r.Bottom) / 2), nullptr);
    // An item shorter than 5 pixels is 5 pixels long.
    TqvDataEntity_SchemaTime* shortItem = AddItem(0, 1, At(1, 3), At(1, 3, 1));
    const TRect rs = RectOf(shortItem);
    EXPECT_EQ(rs.Height(), 5);
    // A column out of range: no place, relative times 0.
    shortItem->SetCol(7);
    TRect none;
    EXPECT_FALSE(schema->RectFromDataEntity(false, shortItem, none));
    schema->GetStartStopDateAndCol(shortItem, s, c, e);
    EXPECT_EQ(s, 0);
    EXPECT_EQ(e, 0);
}

TEST_F(SchemaModel, SubColumnsAndMarginsDivideTheColumn)
{
    MakeColumns({120});
    TqvDataEntity_SchemaTime* item = AddItem(0, 0, At(0, 8), At(0, 9));
    schema->SetCollisionDetect(false); // the sub-columns are set by hand here
    schema->GetColumns()->Column(0)->SetSubColCount(3);
    item->SetUseSubCol(true);
    item->SetSubCol(1);
    EXPECT_EQ(RectOf(item).Left, 41);
    EXPECT_EQ(RectOf(item).Right, 80);
    item->SetNearMargin(2);
    item->SetFarMargin(3);
    EXPECT_EQ(RectOf(item).Left, 43);
    EXPECT_EQ(RectOf(item).Right, 77);
    item->SetNearMargin(0);
    item->SetFarMargin(0);
    // A sub-column outside 0 .. SubColCount - 1 (stale after a recount) takes the whole column.
    for (int stale : {3, 7, -1}) {
        item->SetSubCol(stale);
        EXPECT_EQ(RectOf(item).Left, 1) << stale;
        EXPECT_EQ(RectOf(item).Right, 120) << stale;
    }
    // Flipped: the column axis is y, and the gap of one pixel stays on x.
    schema->SetFlipView(true);
    item->SetSubCol(2);
    schema->GetColumns()->Column(0)->SetWidth(60);
    const TRect f = RectOf(item);
    EXPECT_EQ(f.Top, 1 + 40);
    EXPECT_EQ(f.Bottom, 61);
    EXPECT_EQ(f.Left, ScalerPixel(At(0, 8)) + 1);
}

TEST_F(SchemaModel, AColumnOfNoWidthOrMarginsWiderThanItGiveAnEmptyRectangleNeverAnInvertedOne)
{
    MakeColumns({0, 10});
    TqvDataEntity_SchemaTime* narrow = AddItem(0, 0, At(0, 8), At(0, 9));
    TqvDataEntity_SchemaTime* margins = AddItem(0, 1, At(0, 8), At(0, 9));
    margins->SetNearMargin(8);
    margins->SetFarMargin(7);
    for (bool flipped : {false, true}) {
        schema->SetFlipView(flipped);
        schema->GetColumns()->Column(0)->SetWidth(0); // each orientation has its own sizes
        schema->GetColumns()->Column(1)->SetWidth(10);
        Settle();
        for (TqvDataEntity_SchemaTime* item : {narrow, margins}) {
            TRect r;
            if (!schema->RectFromDataEntity(flipped, item, r)) continue;
            EXPECT_LE(r.Left, r.Right) << flipped;
            EXPECT_LE(r.Top, r.Bottom) << flipped;
            EXPECT_EQ(flipped ? r.Height() : r.Width(), 0) << flipped;
        }
    }
}

TEST_F(SchemaModel, HitTestFollowsTheDrawLayers)
{
    MakeColumns({100, 100});
    TqvDataEntity_SchemaTime* low = AddItem(1, 0, At(0, 8), At(0, 12));
    TqvDataEntity_SchemaTime* top = AddItem(0, 0, At(0, 9), At(0, 10));
    const int y = ScalerPixel(At(0, 9, 30));
    EXPECT_EQ(schema->GetDataEntityFromXY(50, y), top);
    EXPECT_EQ(schema->GetDataEntityFromXY(50, ScalerPixel(At(0, 11))), low);
    schema->SetDrawLayers({1, 0});
    EXPECT_EQ(schema->GetDataEntityFromXY(50, y), low);
    // Entries that name no list are skipped; lists not named are never hit.
    schema->SetDrawLayers({9, 0, -2});
    EXPECT_EQ(schema->GetDataEntityFromXY(50, ScalerPixel(At(0, 11))), nullptr);
    EXPECT_EQ(schema->GetDataEntityFromXY(50, y), top);
    // The twelfth list is never hit with the default layers.
    schema->SetDrawLayers({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    TqvDataEntity_SchemaTime* twelfth = AddItem(11, 1, At(0, 8), At(0, 12));
    EXPECT_EQ(schema->GetDataLists()->Count(), 12);
    EXPECT_EQ(schema->GetDataEntityFromXY(150, y), nullptr);
    Q_UNUSED(twelfth);
}

TEST_F(SchemaModel, AddSchemaTimeWithANegativeLayerAnswersNone)
{
    EXPECT_EQ(schema->AddSchemaTime(-1), nullptr);
    EXPECT_EQ(schema->GetDataLists()->Count(), 0);
    EXPECT_NE(schema->AddSchemaTime(2), nullptr);
    EXPECT_EQ(schema->GetDataLists()->Count(), 3);
}

TEST_F(SchemaModel, ListEventsReachTheApplicationWithTheSchemaAsCaller)
{
    MakeColumns({100});
    std::vector<QString> log;
    schema->OnInsertItem_SchemaTime = TOnInsertItem([&](TObject* c, TqvDataEntity*) {
        EXPECT_EQ(c, schema);
        log.push_back(QStringLiteral("insert"));
    });
    schema->OnChangeDataEntity_SchemaTime = TOnChangeDataEntity_SchemaTime(
        [&](TqvSchema_ComBasic*, TqvDataEntity_SchemaTime*) { log.push_back(QStringLiteral("change")); });
    schema->OnValueChanged_SchemaTime =
        TOnInfoPush([&](TObject*, TqvDataEntity*) { log.push_back(QStringLiteral("value")); });
    schema->OnDeleteItem_SchemaTime =
        TOnDeleteItem([&](TObject*, TqvDataEntity*) { log.push_back(QStringLiteral("delete")); });
    schema->OnInsertItem_Column =
        TOnInsertItem([&](TObject*, TqvDataEntity*) { log.push_back(QStringLiteral("column")); });
    int objects = 0;
    schema->OnInitColumnDataObject =
        TOnInitColumnDataObject([&](TqvSchema_ComBasic*, TqvDataEntity_SchemaColumn*) {
            ++objects;
            return new TObject();
        });
    TqvDataEntity_SchemaTime* t = schema->AddSchemaTime(0);
    t->SetStartDateTime(At(0, 1));
    schema->SetActiveDataEntity(t);
    schema->RemoveSchemaTime(t);
    AddColumn(QStringLiteral("x"));
    EXPECT_EQ(log, (std::vector<QString>{QStringLiteral("insert"), QStringLiteral("change"),
                                         QStringLiteral("value"), QStringLiteral("delete"),
                                         QStringLiteral("column")}));
    EXPECT_EQ(schema->GetActiveDataEntity(), nullptr);
    EXPECT_EQ(objects, 1);
    EXPECT_NE(schema->GetColumns()->Column(1)->GetDataObject(), nullptr);
    // The column's data object goes with the column (the sanitizer checks it is freed).
}

TEST_F(SchemaModel, FindsItemsByUserReferenceInTheLastListThatHasOne)
{
    int a = 0, b = 0;
    AddItem(0, 0, 0, 1)->SetUserReference(&a);
    TqvDataEntity_SchemaTime* second = AddItem(2, 0, 0, 1);
    second->SetUserReference(&a);
    AddItem(1, 0, 0, 1)->SetUserReference(&b);
    EXPECT_EQ(schema->FindSchemaTimeObjectFromUserReference(&a), second);
    EXPECT_EQ(schema->FindSchemaTimeObjectFromUserReference(nullptr), nullptr);
}

TEST_F(SchemaModel, RandomColumnChangesKeepSectionsRowsAndColumnsInStep)
{
    std::mt19937 rng(21);
    std::vector<int> expected; // remembered widths in column order
    for (int step = 0; step < 300; ++step) {
        const int count = schema->ColumnCount();
        const int action = static_cast<int>(rng() % 4);
        if (action == 0 || count < 2) {
            const int at = count == 0 ? 0 : static_cast<int>(rng() % (count + 1));
            schema->GetColumns()->Insert(at);
            expected.insert(expected.begin() + at, schema->GetColumns()->DefaultWidth);
        } else if (action == 1) {
            const int at = static_cast<int>(rng() % count);
            schema->GetColumns()->Delete(at);
            expected.erase(expected.begin() + at);
        } else if (action == 2) {
            const int at = static_cast<int>(rng() % count);
            const int w = 7 + static_cast<int>(rng() % 90);
            schema->GetColumns()->SetTopLeftCol(0);
            schema->GetColumns()->Column(at)->SetWidth(w);
            expected[static_cast<size_t>(at)] = w;
        } else {
            schema->GetColumns()->SetTopLeftCol(static_cast<int>(rng() % count));
        }
        ASSERT_NO_THROW(schema->CheckInvariants()) << "step " << step;
        const int first = schema->GetColumns()->GetTopLeftCol();
        for (int c = 0; c < schema->ColumnCount(); ++c)
            ASSERT_EQ(schema->ColumnSize(false, c), c < first ? 0 : expected[static_cast<size_t>(c)])
                << "step " << step << " column " << c;
    }
    Settle();
}

} // namespace

namespace
{

TEST_F(SchemaModel, FlippedHeaderCellsShowEveryLineOfTheText)
{
    schema->SetFlipView(true);
    MakeColumns({40});
    schema->GetColumns()->Column(0)->SetText(QStringLiteral("Monday\nRoom A"));
    Settle();
    TDrawGrid_Schema* grid = schema->GetFlippedHeader();
    const QImage img = grid->grab().toImage();
    const TRect cell = grid->CellRect(0, 0);
    const int h = QFontMetrics(grid->GetFont()->Handle()).height();
    auto darkIn = [&](int top, int bottom) {
        int dark = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = cell.Left + 2; x < cell.Right; ++x)
                dark += qGray(img.pixel(x, y)) < 100;
        return dark;
    };
    EXPECT_GT(darkIn(cell.Top + 2, cell.Top + 2 + h), 10) << "first line";
    EXPECT_GT(darkIn(cell.Top + 4 + h, cell.Bottom), 10) << "second line";
}

} // namespace

TEST_F(SchemaModel, AnItemRefusesATimeThatIsNotANumberOrInfiniteAndKeepsItsTimes)
{
    MakeColumns({100, 100});
    TqvDataEntity_SchemaTime* item = AddItem(0, 1, At(1, 10), At(1, 11));
    EXPECT_THROW(item->SetStartDateTime(std::nan("")), Exception);
    EXPECT_THROW(item->SetStopDateTime(std::nan("")), Exception);
    // Infinite times too: an item from infinity to infinity has no length.
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_THROW(item->SetStopDateTime(inf), Exception);
    EXPECT_THROW(item->SetStartDateTime(inf), Exception);
    EXPECT_THROW(item->SetStartDateTime(-inf), Exception);
    EXPECT_EQ(item->GetStartDateTime(), At(1, 10));
    EXPECT_EQ(item->GetStopDateTime(), At(1, 11));
    Settle();
    schema->CheckInvariants();
}
