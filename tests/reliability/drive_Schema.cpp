// The schedule view in both orientations under random clicks, drags of items
// and column borders, keys, wheel turns, sizes down to 0, item and column
// changes from outside and from inside its own events, bad times and layers,
// properties, and printing.
#include <gtest/gtest.h>

#include <QImage>
#include <QScopeGuard>

#include <stdexcept>

#include "skedra/platform/DeviceContext.h"
#include "skedra/schema/SchemaPrint.h"
#include "skedra/schema/qvSchema.h"
#include "tests/reliability/TimeSteps.h"

using namespace skedra;
using namespace skedra::reliability;

namespace
{

const TDateTime kMonday = 45355.0; // Monday 4 March 2024

class TSchemaDriver : public TDriver
{
public:
    explicit TSchemaDriver(bool aFlipped)
    {
        FForm.resize(700, 500);
        FSchema = new TqvSchema(&FForm);
        FSchema->SetBounds(0, 0, 600, 420);
        FForm.show();
        FSchema->SetScalerStart(kMonday);
        FSchema->SetScalerStop(kMonday + 1);
        FSchema->SetFlipView(aFlipped);
        for (int c = 0; c < 6; ++c)
            FSchema->AddColumn()->SetText(QStringLiteral("Col %1").arg(c));
        for (int i = 0; i < 30; ++i)
            AddItem(nullptr);
        auto inside = [this] {
            if (TStepRng* r = Rng(); r != nullptr && r->Chance(5) && !FInside) {
                FInside = true;
                auto reset = qScopeGuard([this] { FInside = false; });
                DataStep(*r);
            }
        };
        FSchema->OnSelectionNotify = [inside](TqvSchema_ComBasic*) { inside(); };
        FSchema->OnSchemaMouseDown = [inside](TObject*, TMouseButton, TShiftState, int, int) { inside(); };
        FSchema->OnDeleteItem_SchemaTime = [inside](TObject*, TqvDataEntity*) { inside(); };
        FSchema->OnTopLeftColumnChange = [inside](TObject*) { inside(); };
    }

    void Step(TStepRng& r) override
    {
        switch (r.Below(15)) {
        case 0:
        case 1:
        case 2:
            input::Mouse(r, FSchema->GetSchemaArea());
            break;
        case 3:
            input::Mouse(r, r.Chance(50) ? static_cast<QWidget*>(FSchema->GetHeader()) : FSchema);
            break;
        case 4:
            input::Key(r, FSchema->GetSchemaArea());
            break;
        case 5:
            input::Resize(r, FSchema, 900, 700);
            break;
        case 6:
        case 7:
        case 8:
            DataStep(r);
            break;
        case 9:
            Tolerate([&] { FSchema->SetScalerStart(input::Date(r, kMonday, 30)); });
            Tolerate([&] { FSchema->SetScalerStop(input::Date(r, kMonday, 30)); });
            break;
        case 10:
            if (r.Chance(10)) FSchema->SetFlipView(!FSchema->GetFlipView());
            FSchema->SetCollisionDetect(r.Chance(70));
            FSchema->SetCollisionDetectBetweenDataList(r.Chance(30));
            Tolerate([&] { FSchema->SetScalerWidth(r.Between(-5, 200)); });
            Tolerate([&] { FSchema->SetScalerHeight(r.Between(-5, 200)); });
            FSchema->SetTodayLineOnOff(r.Chance(50));
            break;
        case 11:
            input::HiddenTime(r, FSchema);
            break;
        case 12:
            if (r.Chance(50)) {
                FSchema->BeginUpdate();
                DataStep(r);
                FSchema->EndUpdate();
            } else {
                FSchema->SetActiveDataEntity(AnyItem(r));
            }
            break;
        case 13:
            FSchema->GetSchemaArea()->Repaint();
            break;
        default: {
            QImage image(600, 500, QImage::Format_RGB32);
            image.fill(Qt::white);
            TDeviceContext dc(&image);
            int w = 0, h = 0;
            Tolerate([&] {
                TqvPrintSchema::Print(FSchema, &dc, 0, r.Between(-10, 50), r.Between(-10, 50),
                                      r.Between(-5, 800), r.Between(-5, 60), input::Scale(r), input::Scale(r),
                                      r.Between(-2, 8), r.Between(-2, 8), input::Date(r, kMonday, 3),
                                      input::Date(r, kMonday, 3), r.Chance(50), w, h, r.Between(-1, 700),
                                      r.Between(-1, 700), {});
            });
            break;
        }
        }
    }

    void CheckInvariants() override
    {
        FSchema->CheckInvariants();
        for (TqvDataEntity_SchemaTime* item : Items()) {
            TRect rect;
            if (!FSchema->RectFromDataEntity(FSchema->GetFlipView(), item, rect)) continue;
            if (rect.Right < rect.Left || rect.Bottom < rect.Top)
                throw std::runtime_error(
                    QStringLiteral(
                        "an item's rectangle is inverted: (%1, %2, %3, %4) for %5 to %6 in column %7")
                        .arg(rect.Left)
                        .arg(rect.Top)
                        .arg(rect.Right)
                        .arg(rect.Bottom)
                        .arg(item->GetStartDateTime(), 0, 'f', 6)
                        .arg(item->GetStopDateTime(), 0, 'f', 6)
                        .arg(item->GetCol())
                        .toStdString());
        }
    }

private:
    std::vector<TqvDataEntity_SchemaTime*> Items() const
    {
        std::vector<TqvDataEntity_SchemaTime*> out;
        TqvDataList2lev* lists = FSchema->GetDataLists();
        for (int l = 0; lists != nullptr && l < lists->Count(); ++l) {
            TqvDataList* list = lists->GetDataList(l);
            for (int i = 0; i < list->LoadedCount(); ++i)
                out.push_back(static_cast<TqvDataEntity_SchemaTime*>(list->GetLoaded(i)));
        }
        return out;
    }
    TqvDataEntity_SchemaTime* AnyItem(TStepRng& r) const
    {
        const auto items = Items();
        if (items.empty() || r.Chance(10)) return nullptr;
        return items[static_cast<size_t>(r.Below(static_cast<int>(items.size())))];
    }
    void AddItem(TStepRng* r)
    {
        const int layer = r ? r->Between(-1, 3) : FCounter % 2;
        TqvDataEntity_SchemaTime* t = FSchema->AddSchemaTime(layer);
        if (t == nullptr) return;
        const int n = FCounter++;
        t->SetCol(r ? r->Between(-2, FSchema->ColumnCount() + 1) : n % 6);
        const TDateTime start = r ? input::Date(*r, kMonday + 0.5, 0.6) : kMonday + (n % 20) / 24.0;
        Tolerate([&] { t->SetStartDateTime(start); });
        Tolerate([&] { t->SetStopDateTime(r ? input::Date(*r, start, 0.2) : start + 2 / 24.0); });
    }

    void DataStep(TStepRng& r)
    {
        switch (r.Below(10)) {
        case 0:
        case 1:
            if (Items().size() < 300) AddItem(&r);
            break;
        case 2:
            for (int i = r.Between(1, 30); i > 0 && Items().size() < 300; --i)
                AddItem(&r);
            break;
        case 3:
        case 4:
            if (TqvDataEntity_SchemaTime* t = AnyItem(r)) FSchema->RemoveSchemaTime(t);
            break;
        case 5:
            if (TqvDataEntity_SchemaTime* t = AnyItem(r)) {
                t->SetCol(r.Between(-2, FSchema->ColumnCount() + 1));
                Tolerate([&] { t->SetStartDateTime(input::Date(r, kMonday + 0.5, 0.6)); });
                Tolerate([&] { t->SetStopDateTime(input::Date(r, kMonday + 0.5, 0.6)); });
            }
            break;
        case 6:
            if (FSchema->ColumnCount() < 20) FSchema->AddColumn()->SetText(input::Text(r));
            break;
        case 7:
            if (FSchema->ColumnCount() > 0) {
                FSchema->GetColumns()->Sort(r.Chance(50));
                if (r.Chance(50)) {
                    auto* c = static_cast<TqvDataEntity_SchemaColumn*>(
                        FSchema->GetColumns()->GetItems(r.Below(FSchema->ColumnCount())));
                    FSchema->RemoveColumn(c);
                }
            }
            break;
        case 8:
            if (r.Chance(20))
                FSchema->ClearColumns();
            else if (TqvDataList2lev* lists = FSchema->GetDataLists();
                     lists && lists->Count() > 0 && r.Chance(20))
                lists->GetDataList(r.Below(lists->Count()))->Clear();
            break;
        default:
            if (FSchema->ColumnCount() > 0)
                static_cast<TqvDataEntity_SchemaColumn*>(
                    FSchema->GetColumns()->GetItems(r.Below(FSchema->ColumnCount())))
                    ->SetText(input::Text(r));
            break;
        }
    }

    QWidget FForm;
    TqvSchema* FSchema = nullptr;
    bool FInside = false;
    int FCounter = 0;
};

} // namespace

TEST(Drive, Schema)
{
    RunDriver([] { return std::make_unique<TSchemaDriver>(false); }, 250);
}

TEST(Drive, SchemaFlipped)
{
    RunDriver([] { return std::make_unique<TSchemaDriver>(true); }, 250);
}
