// The schedule view while the user drags: one mouse move of a move drag of
// one selected item among anItems (100 columns, about 15 in view), which
// erases and redraws the inverted outline on the window surface and updates
// the time hint; and the same with the window showing the surface.
#include <benchmark/benchmark.h>

#include <QApplication>

#include <memory>

#include "bench/BenchSupport.h"
#include "skedra/foundation/DoLater.h"
#include "skedra/schema/qvSchema.h"
#include "skedra/schema/qvSchema_p.h"

using namespace skedra;

namespace
{

constexpr int kColumns = 100;

std::unique_ptr<TqvSchema> MakeSchema(int anItems)
{
    auto schema = std::make_unique<TqvSchema>();
    schema->SetBounds(0, 0, 1920, 1080);
    schema->show();
    const TDateTime monday = EncodeDate(2024, 3, 4);
    schema->BeginUpdate();
    for (int c = 0; c < kColumns; ++c) {
        TqvDataEntity_SchemaColumn* column = schema->AddColumn();
        column->SetText(QStringLiteral("Column %1").arg(c));
        column->SetWidth(120);
    }
    for (int i = 0; i < anItems; ++i) {
        const int col = i % kColumns;
        const int k = i / kColumns;
        const TDateTime start = monday + (7 + k % 12) * kHour;
        TqvDataEntity_SchemaTime* t = schema->AddSchemaTime(0);
        t->SetCol(col);
        t->SetStartDateTime(start);
        t->SetStopDateTime(start + 50 * kMinute);
        t->AddText(QStringLiteral("Item %1").arg(i), 2, 1, 0);
    }
    schema->SetScalerStart(monday + 6 * kHour);
    schema->SetScalerStop(monday + 20 * kHour);
    schema->EndUpdate();
    do {
        TDoLater::DoAllNow();
        CheckSynchronize(1);
        QApplication::processEvents();
    } while (schema->SubColThread() != nullptr || TDoLater::PendingCount() > 0);
    schema->GetSchemaArea()->Repaint();
    return schema;
}

// Presses on the item of column 3 that starts at 10:00; answers the press point.
TPoint StartMove(TqvSchema* aSchema)
{
    TqvDataEntity_SchemaTime* item = nullptr;
    TqvDataList* list = aSchema->GetDataLists()->GetDataList(0);
    for (int i = 0; i < list->Count() && item == nullptr; ++i) {
        auto* t = TqvSchema_ComBasic::DataEntity_Schema(list->Items(i));
        if (t->GetCol() == 3 && TimeOf(t->GetStartDateTime()) > 9.9 * kHour &&
            TimeOf(t->GetStartDateTime()) < 10.1 * kHour)
            item = t;
    }
    TRect r;
    aSchema->RectFromDataEntity(false, item, r);
    const TPoint p((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    aSchema->SchemaMouseDown(aSchema->GetSchemaArea(), mbLeft, TShiftState{ssLeft}, p.X, p.Y);
    return p;
}

void DragMove(benchmark::State& state, bool aShow)
{
    auto schema = MakeSchema(static_cast<int>(state.range(0)));
    const TPoint p = StartMove(schema.get());
    int step = 0;
    for (auto _ : state) {
        step = (step + 7) % 200;
        schema->SchemaMouseMove(schema->GetSchemaArea(), TShiftState{ssLeft}, p.X + step / 3, p.Y + step);
        if (aShow) QApplication::processEvents();
    }
    schema->SchemaMouseUp(schema->GetSchemaArea(), mbLeft, TShiftState{}, p.X, p.Y);
    state.counters["paints"] = schema->GetSchemaArea()->GetPaintCount();
}

void BM_DragMouseMove(benchmark::State& state)
{
    DragMove(state, false);
}
BENCHMARK(BM_DragMouseMove)->Apply([](auto* b) {
                               bench::Sizes(b, {200, 2000});
                           }) -> Unit(benchmark::kMicrosecond);

// With the Qt paint that copies the window surface to the screen.
void BM_DragMouseMoveShown(benchmark::State& state)
{
    DragMove(state, true);
}
BENCHMARK(BM_DragMouseMoveShown)->Apply([](auto* b) {
                                    bench::Sizes(b, {200, 2000});
                                }) -> Unit(benchmark::kMicrosecond);

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
