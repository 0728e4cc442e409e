// The schedule view: a full paint of the schema area with 100 columns and
// 2,000 items (10 overlapping per column, each with a text), and the
// sub-column computation of that set from the request to the result applied
// on the user-interface thread.
#include <benchmark/benchmark.h>

#include <QApplication>

#include <memory>

#include "bench/BenchSupport.h"
#include "skedra/foundation/DoLater.h"
#include "skedra/gantt/TimeDistinct.h"
#include "skedra/schema/qvSchema.h"
#include "skedra/schema/qvSchema_p.h"

using namespace skedra;

namespace
{

constexpr int kColumns = 100;

// A 1920 x 1080 view; anItems items over kColumns columns of aColumnWidth
// pixels, in groups of 10 that overlap each other.
std::unique_ptr<TqvSchema> MakeSchema(int anItems, int aColumnWidth)
{
    auto schema = std::make_unique<TqvSchema>();
    schema->SetBounds(0, 0, 1920, 1080);
    schema->show();
    const TDateTime monday = EncodeDate(2024, 3, 4);
    schema->BeginUpdate();
    for (int c = 0; c < kColumns; ++c) {
        TqvDataEntity_SchemaColumn* column = schema->AddColumn();
        column->SetText(QStringLiteral("Column %1").arg(c));
        column->SetWidth(aColumnWidth);
    }
    for (int i = 0; i < anItems; ++i) {
        const int col = i % kColumns;
        const int k = i / kColumns; // 0 .. items per column - 1
        const int group = k / 10, inGroup = k % 10;
        const TDateTime start = monday + (7 + 2 * group) * kHour + inGroup * 5 * kMinute;
        TqvDataEntity_SchemaTime* t = schema->AddSchemaTime(0);
        t->SetCol(col);
        t->SetStartDateTime(start);
        t->SetStopDateTime(start + 90 * kMinute);
        t->SetColor(0xC0E0FF);
        t->AddText(QStringLiteral("Item %1").arg(i), 2, 1, 0);
    }
    schema->SetScalerStart(monday + 6 * kHour);
    schema->SetScalerStop(monday + 20 * kHour);
    schema->EndUpdate();
    return schema;
}

// Runs the deferred calls until the sub-columns are in place.
void Settle(TqvSchema* aSchema)
{
    do {
        TDoLater::DoAllNow();
        CheckSynchronize(1);
        QApplication::processEvents();
    } while (aSchema->SubColThread() != nullptr || TDoLater::PendingCount() > 0);
}

int Items(benchmark::State& state)
{
    return static_cast<int>(state.range(0));
}

// Repaints the area (drawing and the copy to the window surface) with anItems
// items in columns of aColumnWidth pixels.
void FullPaint(benchmark::State& state, int aColumnWidth)
{
    auto schema = MakeSchema(Items(state), aColumnWidth);
    Settle(schema.get());
    schema->GetSchemaArea()->Repaint();
    for (auto _ : state) {
        schema->GetSchemaArea()->Repaint();
        benchmark::DoNotOptimize(schema->GetSchemaArea()->GetWindowSurface()->Image().constBits());
    }
    state.counters["drawn"] = schema->GetPrivate()->LastDrawnCount;
}

// 100 x 18 pixels: every column and item in view.
void BM_FullPaint_AllColumnsVisible(benchmark::State& state)
{
    FullPaint(state, 18);
}
BENCHMARK(BM_FullPaint_AllColumnsVisible)->Apply([](auto* b) {
                                             bench::Sizes(b, {200, 2000});
                                         }) -> Unit(benchmark::kMillisecond);

// About 15 of the 100 columns in view.
void BM_FullPaint_WideColumns(benchmark::State& state)
{
    FullPaint(state, 120);
}
BENCHMARK(BM_FullPaint_WideColumns)->Apply([](auto* b) {
                                       bench::Sizes(b, {200, 2000});
                                   }) -> Unit(benchmark::kMillisecond);

void BM_SubColumns(benchmark::State& state)
{
    auto schema = MakeSchema(Items(state), 18);
    Settle(schema.get());
    for (auto _ : state) {
        schema->UpdateSubColumns_Perform();
        Settle(schema.get());
    }
    state.counters["subcols"] = schema->GetColumns()->Column(0)->GetSubColCount();
}
BENCHMARK(BM_SubColumns)->Apply([](auto* b) {
                            bench::Sizes(b, {200, 2000});
                        }) -> Unit(benchmark::kMillisecond) -> UseRealTime();

// The placement alone (no thread, no user-interface work), on the holders the
// view hands the engine: keys by list and column.
void BM_SubColumnsEngineOnly(benchmark::State& state)
{
    auto schema = MakeSchema(Items(state), 18);
    Settle(schema.get());
    TqvDataList* list = schema->GetDataLists()->GetDataList(0);
    for (auto _ : state) {
        TDistinctTimeHolderList holders;
        for (int i = 0; i < list->Count(); ++i) {
            auto* t = TqvSchema_ComBasic::DataEntity_Schema(list->Items(i));
            holders.Add(RoundToSecond(t->GetStartDateTime()), RoundToSecond(t->GetStopDateTime()),
                        QStringLiteral("0*") + QString::number(t->GetCol()), t);
        }
        TTimeDistinctGeneric engine(&holders);
        engine.ResolveConflicts();
        benchmark::DoNotOptimize(engine.ColumnCount());
    }
}
BENCHMARK(BM_SubColumnsEngineOnly)->Apply([](auto* b) {
                                      bench::Sizes(b, {200, 2000});
                                  }) -> Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
