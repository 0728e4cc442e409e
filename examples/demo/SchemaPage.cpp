// The schedule view page: a week of treatment rooms, one column per day and
// room, with a few hundred appointments; overlapping ones share their column
// in sub-columns. The same week is shown in both orientations.
#include <QLabel>
#include <QScopeGuard>
#include <QVBoxLayout>

#include <random>

#include "examples/demo/DemoPage.h"
#include "skedra/schema/qvSchema.h"

using namespace skedra;

namespace
{

// A fixed Monday, so that screenshots are the same every day.
TDateTime DemoMonday()
{
    return EncodeDate(2024, 3, 4);
}

const TColor kKinds[] = {0xC0E0FF, 0xC0FFC0, 0xFFE0C0, 0xE0C0FF, 0xD0F0F0};

void FillWeek(TqvSchema* aSchema)
{
    const QStringList days{QStringLiteral("Mon"), QStringLiteral("Tue"), QStringLiteral("Wed"),
                           QStringLiteral("Thu"), QStringLiteral("Fri"), QStringLiteral("Sat"),
                           QStringLiteral("Sun")};
    const QStringList rooms{QStringLiteral("Room A"), QStringLiteral("Room B")};
    aSchema->BeginUpdate();
    const auto end = qScopeGuard([aSchema] { aSchema->EndUpdate(); });
    for (int day = 0; day < 7; ++day)
        for (const QString& room : rooms) {
            TqvDataEntity_SchemaColumn* c = aSchema->AddColumn();
            c->SetText(days[day] + QLatin1Char(' ') + QString::number(4 + day) + QLatin1Char('\n') + room);
            c->SetDateOffset(day); // every column shows its own day on the Monday axis
        }
    std::mt19937 rng(2024);
    for (int i = 0; i < 320; ++i) {
        const int col = static_cast<int>(rng() % 14);
        const int day = col / 2;
        const TDateTime start = DemoMonday() + day + (7 * 60 + 15 * static_cast<int>(rng() % 44)) * kMinute;
        const TDateTime length = (30 + 15 * static_cast<int>(rng() % 6)) * kMinute;
        TqvDataEntity_SchemaTime* t = aSchema->AddSchemaTime(0);
        t->SetCol(col);
        t->SetStartDateTime(start);
        t->SetStopDateTime(start + length);
        t->SetColor(kKinds[i % 5]);
        t->SetFrameColor(0x404040);
        t->AddText(QStringLiteral("Patient %1").arg(i + 1), 2, 1, 0);
    }
    aSchema->SetScalerStart(DemoMonday() + 7 * kHour);
    aSchema->SetScalerStop(DemoMonday() + 19 * kHour);
}

TqvSchema* MakeSchema(QWidget* parent, bool flipped)
{
    auto* s = new TqvSchema(parent);
    s->SetName(flipped ? QStringLiteral("FlippedSchema") : QStringLiteral("Schema"));
    s->SetSchemaColor(0xF8F8F8);
    s->SetSchemaPyjamasColor(0xE8ECF0);
    s->SetFlipView(flipped);
    s->GetColumns()->DefaultWidth = 90;
    s->GetColumns()->DefaultHeight = 30;
    FillWeek(s);
    if (flipped)
        s->SetFlippedQuadPoint(TPoint(110, 40));
    else
        s->SetQuadPoint(TPoint(50, 34));
    return s;
}

QWidget* CreateSchemaPage(QWidget* parent)
{
    auto* page = new QWidget(parent);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(
        new QLabel(QStringLiteral("A week of two rooms: columns under a header, time running down")));
    layout->addWidget(MakeSchema(page, false), 3);
    layout->addWidget(
        new QLabel(QStringLiteral("The same week flipped: one band per column, time running right")));
    layout->addWidget(MakeSchema(page, true), 2);
    return page;
}

DemoPageRegistration schemaPage(DemoPage{70, QStringLiteral("Schedule view"), CreateSchemaPage, {}});

} // namespace
