// The schedule view's painting and its sub-column computation.

#include <QThread>

#include <random>

#include "tests/schema/SchemaTestSupport.h"

using namespace skedra;
using namespace skedra::test;

namespace
{

constexpr TColor kBack = 0x00FF00;   // background
constexpr TColor kStripe = 0xFF0000; // stripes
constexpr TColor kItem = 0x00FFFF;   // item fill
constexpr TColor kToday = 0x0000FF;  // today line

class SchemaPaint : public SchemaFixture
{
protected:
    void SetUp() override
    {
        SchemaFixture::SetUp();
        schema->SetSchemaColor(kBack);
        schema->SetSchemaPyjamasColor(kStripe);
    }
    void MakeColumns(int aCount, int aSize)
    {
        for (int i = 0; i < aCount; ++i)
            AddColumn(QStringLiteral("C%1").arg(i))->SetWidth(aSize);
        Settle();
    }
    // Items in columns whose sub-columns are computed now.
    void Compute() { Settle(); }
    // The first time-axis pixel from aFrom on (10 or more pixels before any
    // tick line and clear of the focus frame) where the background shows.
    int FreeOfTicks(int aFrom)
    {
        std::vector<int> ticks;
        for (const TScaleMark& m : schema->GetScaler()->GetMajorMarks())
            ticks.push_back(schema->GetScaler()->GetPixelFromScaleMark(m));
        for (const TScaleMark& m : schema->GetScaler()->GetMinorMarks())
            ticks.push_back(schema->GetScaler()->GetPixelFromScaleMark(m));
        for (int p = aFrom;; ++p) {
            bool clear = true;
            for (int t : ticks)
                clear = clear && (t < p || t > p + 10);
            if (clear) return p;
        }
    }
};

TEST_F(SchemaPaint, BackgroundStripesAndColumnLinesInBothOrientations)
{
    MakeColumns(3, 60);
    for (bool flipped : {false, true}) {
        schema->SetFlipView(flipped);
        if (flipped)
            for (int c = 0; c < 3; ++c)
                schema->GetColumns()->Column(c)->SetWidth(40);
        schema->GetColumns()->SetTopLeftCol(0);
        const QImage img = Paint();
        const int extent = flipped ? img.height() : img.width();
        const int size = flipped ? 40 : 60;
        const int line = flipped ? 1 : 0;
        // Pixel (along, across) in the area.
        auto px = [&](int along, int across) {
            return flipped ? PixelAt(img, across, along) : PixelAt(img, along, across);
        };
        const int across = FreeOfTicks(7); // a place across the columns where no tick line runs
        // Column 0: background; column 1: the checker of both colours; column 2: background.
        EXPECT_EQ(px(size / 2, across + 5), kBack) << flipped;
        const int mid = size + line + size / 2;
        EXPECT_NE(px(mid, across + 5), px(mid + 1, across + 5)) << "checker";
        for (int k : {0, 1}) {
            const TColor c = px(mid + k, across + 5);
            EXPECT_TRUE(c == kBack || c == kStripe) << std::hex << c;
        }
        EXPECT_EQ(px(2 * (size + line) + size / 2, across + 5), kBack);
        // Past the last column, spans of the default size go on: the 4th span is striped.
        const int step = flipped ? schema->GetColumns()->DefaultHeight : schema->GetColumns()->DefaultWidth;
        const int fourth = 3 * (size + line) + step / 2;
        if (fourth + 1 < extent) {
            bool stripe = false;
            for (int k : {0, 1})
                stripe = stripe || px(fourth + k, across + 5) == kStripe;
            EXPECT_TRUE(stripe) << "stripes continue past the columns";
        }
        // A line at every column's far side, in the button shadow colour.
        const TColor shadow = 0x808080;
        for (int c = 0; c < 3; ++c) {
            int n, f;
            schema->ColumnToPixels(c, n, f);
            EXPECT_EQ(px(f, across + 5), shadow) << "column " << c << " flipped " << flipped;
        }
    }
}

TEST_F(SchemaPaint, ItemsAreFilledAndFramedInBothOrientations)
{
    MakeColumns(2, 100);
    TqvDataEntity_SchemaTime* item = AddItem(0, 1, At(0, 6), At(0, 12), kItem);
    item->SetFrameColor(0x000080);
    for (bool flipped : {false, true}) {
        schema->SetFlipView(flipped);
        if (flipped)
            for (int c = 0; c < 2; ++c)
                schema->GetColumns()->Column(c)->SetWidth(50);
        const QImage img = Paint();
        const TRect r = RectOf(item);
        EXPECT_EQ(PixelAt(img, (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2), kItem) << flipped;
        EXPECT_EQ(PixelAt(img, r.Left, (r.Top + r.Bottom) / 2), 0x000080u);
        EXPECT_EQ(PixelAt(img, r.Right - 1, (r.Top + r.Bottom) / 2), 0x000080u);
        EXPECT_NE(PixelAt(img, r.Right, (r.Top + r.Bottom) / 2), kItem);
        EXPECT_EQ(schema->GetPrivate()->LastDrawnCount, 1);
    }
}

TEST_F(SchemaPaint, TheTodayLineStandsAtNoonAndNotOutsideTheScaler)
{
    MakeColumns(2, 100);
    schema->SetTodayLineOnOff(true);
    schema->SetTodayLineColor(kToday);
    schema->SetScalerStart(Date());
    schema->SetScalerStop(Date() + 1);
    for (bool flipped : {false, true}) {
        schema->SetFlipView(flipped);
        const QImage img = Paint();
        const int p = ScalerPixel(Date() + 0.5);
        if (flipped) {
            EXPECT_EQ(PixelAt(img, p, 5), kToday);
            EXPECT_NE(PixelAt(img, p + 1, 5), kToday);
        } else {
            EXPECT_EQ(PixelAt(img, 30, p), kToday);
            EXPECT_EQ(PixelAt(img, 150, p), kToday);
            EXPECT_NE(PixelAt(img, 30, p + 1), kToday);
        }
    }
    // Noon outside the axis: no line.
    schema->SetFlipView(false);
    schema->SetScalerStart(Date() + 0.6);
    schema->SetScalerStop(Date() + 1.6);
    const QImage img = Paint();
    for (int y = 0; y < img.height(); ++y)
        ASSERT_NE(PixelAt(img, 30, y), kToday) << y;
}

TEST_F(SchemaPaint, LaterLayersAreDrawnUnderEarlierOnes)
{
    MakeColumns(1, 100);
    AddItem(1, 0, At(0, 8), At(0, 12), 0x111111);
    AddItem(0, 0, At(0, 9), At(0, 10), 0x222222);
    schema->SetCollisionDetect(false);
    const QImage img = Paint();
    EXPECT_EQ(PixelAt(img, 50, ScalerPixel(At(0, 9, 30))), 0x222222u);
    EXPECT_EQ(PixelAt(img, 50, ScalerPixel(At(0, 11))), 0x111111u);
}

TEST_F(SchemaPaint, DrawLayersEntriesThatNameNoListAreSkipped)
{
    MakeColumns(2, 100);
    AddItem(0, 0, At(0, 8), At(0, 12), 0x111111);
    AddItem(1, 1, At(0, 8), At(0, 12), 0x222222);
    TqvDataEntity_SchemaTime* twelfth = AddItem(11, 0, At(0, 8), At(0, 12), 0x333333);
    AddItem(11, 0, At(0, 9), At(0, 11), 0x333333);
    // Only lists 0, 1 and 11 exist; the default layers name 0 to 10.
    QImage img = Paint();
    EXPECT_EQ(PixelAt(img, 50, ScalerPixel(At(0, 10))), 0x111111u) << "the twelfth list is never drawn";
    EXPECT_EQ(schema->GetPrivate()->LastDrawnCount, 2);
    // ... but it takes part in the sub-columns.
    EXPECT_TRUE(twelfth->GetUseSubCol());
    schema->SetDrawLayers({42, 1, -1, 7});
    img = Paint();
    EXPECT_EQ(PixelAt(img, 150, ScalerPixel(At(0, 10))), 0x222222u);
    EXPECT_EQ(PixelAt(img, 50, FreeOfTicks(ScalerPixel(At(0, 9)))), kBack);
    EXPECT_EQ(schema->GetPrivate()->LastDrawnCount, 1);
}

TEST_F(SchemaPaint, ThreeOverlappingItemsTakeAThirdEachOnTheUserInterfaceThread)
{
    MakeColumns(2, 120);
    std::vector<TqvDataEntity_SchemaTime*> items{AddItem(0, 0, At(0, 8), At(0, 11)),
                                                 AddItem(0, 0, At(0, 9), At(0, 12)),
                                                 AddItem(0, 0, At(0, 10), At(0, 13))};
    TqvDataEntity_SchemaTime* alone = AddItem(0, 1, At(0, 9), At(0, 10));
    bool allOnUiThread = true;
    std::vector<int> positions;
    schema->OnCollisionDetected =
        TOnSchemaCollisionDetected([&](TqvSchema_ComBasic* s, TqvDataEntity_SchemaTime*, int n) {
            EXPECT_EQ(s, schema);
            allOnUiThread = allOnUiThread && QThread::currentThread() == qApp->thread();
            positions.push_back(n);
        });
    EXPECT_FALSE(items[0]->GetUseSubCol()) << "the result is never synchronous";
    Compute();
    EXPECT_TRUE(allOnUiThread);
    EXPECT_EQ(positions.size(), 3u) << "the lone item keeps -1 and raises nothing";
    EXPECT_EQ(schema->GetColumns()->Column(0)->GetSubColCount(), 3);
    EXPECT_EQ(schema->GetColumns()->Column(1)->GetSubColCount(), 1);
    EXPECT_EQ(schema->SubColThread(), nullptr);
    std::vector<int> lefts;
    for (auto* t : items) {
        ASSERT_TRUE(t->GetUseSubCol());
        const TRect r = RectOf(t);
        EXPECT_EQ(r.Width(), 39);
        lefts.push_back(r.Left);
    }
    std::sort(lefts.begin(), lefts.end());
    EXPECT_EQ(lefts, (std::vector<int>{1, 41, 81}));
    EXPECT_FALSE(alone->GetUseSubCol());
    EXPECT_EQ(RectOf(alone).Width(), 119);
    // Pixels: the three thirds in the column at 10:30.
    const QImage img = Paint();
    const int y = ScalerPixel(At(0, 10, 30));
    for (int x : {20, 60, 100})
        EXPECT_EQ(PixelAt(img, x, y), clWhite) << x;
}

TEST_F(SchemaPaint, ListsCollideWithinAColumnButColumnsNever)
{
    MakeColumns(2, 120);
    schema->SetCollisionDetectBetweenDataList(true);
    TqvDataEntity_SchemaTime* a = AddItem(0, 0, At(0, 8), At(0, 10));
    TqvDataEntity_SchemaTime* b = AddItem(1, 1, At(0, 9), At(0, 11));
    Compute();
    // Alone in its column: whole width, whatever the other column holds.
    EXPECT_FALSE(a->GetUseSubCol());
    EXPECT_FALSE(b->GetUseSubCol());
    EXPECT_EQ(RectOf(b).Width(), 119);
    // A second list in the same column collides with the first.
    TqvDataEntity_SchemaTime* c = AddItem(1, 0, At(0, 9), At(0, 10));
    Compute();
    EXPECT_TRUE(a->GetUseSubCol());
    EXPECT_TRUE(c->GetUseSubCol());
    EXPECT_FALSE(b->GetUseSubCol());
    // Without the flag, lists are kept apart.
    schema->SetCollisionDetectBetweenDataList(false);
    Compute();
    EXPECT_FALSE(a->GetUseSubCol());
    EXPECT_FALSE(c->GetUseSubCol());
}

TEST_F(SchemaPaint, TouchingItemsKeepTheWholeColumn)
{
    MakeColumns(1, 100);
    TqvDataEntity_SchemaTime* a = AddItem(0, 0, At(0, 8), At(0, 9));
    TqvDataEntity_SchemaTime* b = AddItem(0, 0, At(0, 9), At(0, 10));
    Compute();
    EXPECT_FALSE(a->GetUseSubCol());
    EXPECT_FALSE(b->GetUseSubCol());
    EXPECT_EQ(schema->GetColumns()->Column(0)->GetSubColCount(), 1);
    // Moving b into a computes again.
    b->SetStartDateTime(At(0, 8, 30));
    Compute();
    EXPECT_TRUE(a->GetUseSubCol());
    EXPECT_EQ(schema->GetColumns()->Column(0)->GetSubColCount(), 2);
}

TEST_F(SchemaPaint, FailuresAreShownAndTheLayoutStays)
{
    MakeColumns(1, 100);
    AddItem(0, 0, At(0, 8), At(0, 10));
    AddItem(0, 0, At(0, 9), At(0, 11));
    schema->OnCollisionDetected = TOnSchemaCollisionDetected(
        [](TqvSchema_ComBasic*, TqvDataEntity_SchemaTime*, int) { throw Exception(QStringLiteral("boom")); });
    schema->GetSchemaArea()->Repaint();
    const int paints = schema->GetSchemaArea()->GetPaintCount();
    Compute();
    EXPECT_EQ(ShownMessages(), QStringList{QStringLiteral("SubColThreadDone:boom")});
    EXPECT_EQ(schema->SubColThread(), nullptr) << "the computation is released";
    EXPECT_GT(schema->GetSchemaArea()->GetPaintCount(), paints) << "the area is still repainted";
    ClearShownMessages();
    schema->OnCollisionDetected.Clear();
    schema->OnIsVisible = TOnIsVisible([](TqvSchema_ComBasic*, TqvDataEntity_SchemaTime*, bool&) -> bool {
        throw Exception(QStringLiteral("bad filter"));
    });
    schema->UpdateSubColumns();
    Settle();
    EXPECT_EQ(ShownMessages(), QStringList{QStringLiteral("UpdateSubColumns exception:bad filter")});
    schema->OnIsVisible.Clear();
    ClearShownMessages();
}

TEST_F(SchemaPaint, AHandlerThatDeletesTheItemEndsTheApplication)
{
    MakeColumns(1, 100);
    AddItem(0, 0, At(0, 8), At(0, 10));
    AddItem(0, 0, At(0, 9), At(0, 11));
    int calls = 0;
    schema->OnCollisionDetected =
        TOnSchemaCollisionDetected([&](TqvSchema_ComBasic* s, TqvDataEntity_SchemaTime* t, int) {
            if (++calls == 1) s->RemoveSchemaTime(t);
        });
    Compute();
    EXPECT_EQ(schema->GetDataLists()->GetDataList(0)->Count(), 1);
    EXPECT_EQ(schema->SubColThread(), nullptr);
    schema->OnCollisionDetected.Clear();
}

TEST_F(SchemaPaint, DeletingAnItemWhileComputingNeverUsesItAgain)
{
    MakeColumns(1, 100);
    for (int i = 0; i < 50; ++i)
        AddItem(0, 0, At(0, 8) + i * kMinute, At(0, 10));
    TDoLater::DoAllNow(); // the computation starts
    schema->RemoveSchemaTime(
        TqvSchema_ComBasic::DataEntity_Schema(schema->GetDataLists()->GetDataList(0)->Items(0)));
    Compute();
    EXPECT_EQ(schema->GetColumns()->Column(0)->GetSubColCount(), 49);
}

TEST_F(SchemaPaint, TheIndexedPaintAndHitTestEqualTheFullWalk)
{
    std::mt19937 rng(7);
    for (int i = 0; i < 9; ++i)
        AddColumn(QStringLiteral("C%1").arg(i), i % 3)->SetWidth(30 + 17 * i);
    for (int i = 0; i < 300; ++i) {
        const int layer = static_cast<int>(rng() % 4);
        const int col = static_cast<int>(rng() % 10); // 9 is out of range
        const TDateTime start = Monday() + (rng() % 3) + (rng() % 1440) * kMinute - 0.2;
        auto* t = AddItem(layer, col, start, start + (1 + rng() % 300) * kMinute, 0x010101u * (rng() % 200));
        if (rng() % 5 == 0) t->SetSelected(true);
    }
    schema->SetDrawLayers({2, 0, 3, 0});
    Settle();
    for (bool flipped : {false, true}) {
        schema->SetFlipView(flipped);
        for (int first : {0, 3}) {
            schema->GetColumns()->SetTopLeftCol(first);
            schema->GetPrivate()->ForceFullWalk = true;
            const QImage reference = Paint();
            const int referenceCount = schema->GetPrivate()->LastDrawnCount;
            std::vector<TPoint> points;
            std::vector<TqvDataEntity_SchemaTime*> hits;
            for (int k = 0; k < 400; ++k) {
                points.emplace_back(static_cast<int>(rng() % reference.width()),
                                    static_cast<int>(rng() % reference.height()));
                hits.push_back(schema->GetDataEntityFromXY(points.back().X, points.back().Y));
            }
            schema->GetPrivate()->ForceFullWalk = false;
            const QImage indexed = Paint();
            ASSERT_NO_THROW(schema->CheckInvariants());
            // The full walk also draws items of columns beyond the area (clipped away).
            EXPECT_LE(schema->GetPrivate()->LastDrawnCount, referenceCount);
            EXPECT_GT(schema->GetPrivate()->LastDrawnCount, 10);
            EXPECT_TRUE(indexed == reference) << "flipped " << flipped << " first " << first;
            int found = 0;
            for (size_t k = 0; k < points.size(); ++k) {
                EXPECT_EQ(schema->GetDataEntityFromXY(points[k].X, points[k].Y), hits[k]) << k;
                found += hits[k] != nullptr;
            }
            EXPECT_GT(found, 20);
        }
    }
}

} // namespace
