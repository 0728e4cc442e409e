// The Gantt chart (tree mode) under random clicks, drags of items past the
// edges, double clicks, keys, wheel turns, sizes down to 0, changes of rows,
// items and links from outside and from inside its own events, bad times and
// layers, the time window and its hidden days and hours, properties, and
// printing.
#include <gtest/gtest.h>

#include <QImage>
#include <QScopeGuard>

#include <stdexcept>

#include "skedra/gantt/GantPrint.h"
#include "skedra/gantt/GantRow.h"
#include "skedra/gantt/qvGant.h"
#include "skedra/platform/DeviceContext.h"
#include "tests/reliability/TimeSteps.h"
#include "tests/reliability/TreeData.h"

using namespace skedra;
using namespace skedra::reliability;

namespace
{

constexpr TDateTime kChartDay = 47484.0; // 1 January 2030

class TGantDriver : public TDriver
{
public:
    TGantDriver()
    {
        FGant = std::make_unique<TqvGant>();
        FGant->SetBounds(0, 0, 900, 500);
        FGant->GetTreeView()->SetItemHeight(20);
        FGant->show();
        input::Settle();
        FGant->GetDateScaler()->SetStart(kChartDay);
        FGant->GetDateScaler()->SetStop(kChartDay + 2);
        FEdits = std::make_unique<TTreeEdits>(FGant->GetTreeView());
        FEdits->Add = [this](TqvDataEntity_Tree* aParent) { return FGant->AddDataEntityTree(aParent); };
        FEdits->Limit = 150;
        for (int i = 0; i < 20; ++i) {
            TqvDataEntity_Tree* node =
                FEdits->Add(i < 6 ? nullptr : FEdits->All()[static_cast<size_t>(i % 6)]);
            node->SetText(QStringLiteral("Row %1").arg(i));
            for (int k = 0; k < 3; ++k)
                AddTime(nullptr, node);
        }
        auto inside = [this] {
            if (TStepRng* r = Rng(); r != nullptr && r->Chance(5) && !FInside) {
                FInside = true;
                auto reset = qScopeGuard([this] { FInside = false; });
                DataStep(*r);
            }
        };
        FGant->OnClickGantArea = [inside](TqvGant_ComBasic*, TqvDataEntity_GantTime*) { inside(); };
        FGant->OnRightClickGantArea = [inside](TqvGant_ComBasic*, TqvDataEntity_GantTime*) { inside(); };
        FGant->OnDeleteItem_GantTime = [inside](TObject*, TqvDataEntity*) { inside(); };
        FGant->OnGridTopLeftChanged = [inside](TObject*) { inside(); };
    }

    void Step(TStepRng& r) override
    {
        switch (r.Below(15)) {
        case 0:
        case 1:
        case 2:
            input::Mouse(r, FGant->GetGA());
            break;
        case 3:
            input::Mouse(r, r.Chance(50) ? static_cast<QWidget*>(FGant->GetTreeView()) : FGant.get());
            break;
        case 4:
            input::Key(r, r.Chance(50) ? static_cast<QWidget*>(FGant->GetGA()) : FGant->GetTreeView());
            break;
        case 5:
            input::Resize(r, FGant.get(), 1200, 800);
            break;
        case 6:
        case 7:
        case 8:
            DataStep(r);
            break;
        case 9:
            input::TimeWindow(r, FGant->GetDateScaler(), kChartDay, 30);
            break;
        case 10:
            input::HiddenTime(r, FGant.get());
            break;
        case 11:
            Tolerate([&] { FGant->SetTreeWidth(r.Between(-10, 1000)); });
            FGant->SetTodayLineOnOff(r.Chance(50));
            FGant->SetVerticalPyjamas(r.Chance(50));
            FGant->SetDrawLongLines(r.Chance(50));
            FGant->SetLinkShow(static_cast<TLinkShow>(r.Below(3)));
            FGant->SetMultiSelectTree(r.Chance(30));
            if (r.Chance(30)) Tolerate([&] { FGant->SetScalerHeight(r.Between(-5, 120)); });
            break;
        case 12:
            if (r.Chance(50)) {
                FGant->BeginUpdate();
                DataStep(r);
                FGant->EndUpdate();
            } else {
                FGant->SetActiveDataEntity(AnyTime(r));
            }
            break;
        case 13:
            FGant->GetGA()->Repaint();
            break;
        default: {
            QImage image(700, 500, QImage::Format_RGB32);
            image.fill(Qt::white);
            TDeviceContext dc(&image);
            int w = 0, h = 0;
            Tolerate([&] {
                TqvPrintGantt::Print(FGant.get(), &dc, r.Between(-10, 50), r.Between(-10, 50),
                                     input::Scale(r), input::Scale(r), r.Between(-5, 300), FEdits->Any(r),
                                     r.Between(-1, 40), r.Chance(50), input::Date(r, kChartDay, 3),
                                     input::Date(r, kChartDay, 3), r.Between(-5, 800), r.Between(-5, 60), w,
                                     h, r.Between(-1, 700), r.Between(-1, 700), {});
            });
            break;
        }
        }
    }

    void CheckInvariants() override
    {
        FGant->CheckInvariants();
        FEdits->Check();
        const auto times = Times();
        if (TqvDataEntity_GantTime* active = FGant->GetActiveDataEntity())
            if (std::find(times.begin(), times.end(), active) == times.end())
                throw std::runtime_error("the active item is not in the chart");
    }

private:
    std::vector<TqvDataEntity_GantTime*> Times() const
    {
        std::vector<TqvDataEntity_GantTime*> out;
        for (TqvDataEntity_Tree* node : FEdits->All()) {
            TGantRow* row = FGant->GetGantRow(node);
            if (row == nullptr) continue;
            for (int l = 0; l < row->LayerCount(); ++l) {
                TqvDataList* list = row->GetDataLists()->GetDataList(l);
                for (int i = 0; i < list->LoadedCount(); ++i)
                    out.push_back(static_cast<TqvDataEntity_GantTime*>(list->GetLoaded(i)));
            }
        }
        return out;
    }
    TqvDataEntity_GantTime* AnyTime(TStepRng& r) const
    {
        const auto times = Times();
        if (times.empty() || r.Chance(10)) return nullptr;
        return times[static_cast<size_t>(r.Below(static_cast<int>(times.size())))];
    }
    void AddTime(TStepRng* r, TqvDataEntity_Tree* aNode)
    {
        if (aNode == nullptr) return;
        const int layer = r ? r->Between(-1, 3) : FCounter % 2;
        TqvDataEntity_GantTime* t = nullptr;
        Tolerate([&] { t = FGant->AddGantTime(aNode, layer); });
        if (t == nullptr) return;
        const int n = FCounter++;
        const TDateTime start = r ? input::Date(*r, kChartDay + 1, 1.5) : kChartDay + (n % 40) / 24.0;
        Tolerate([&] { t->SetStartDateTime(start); });
        Tolerate([&] { t->SetStopDateTime(r ? input::Date(*r, start, 0.3) : start + 3 / 24.0); });
    }

    void DataStep(TStepRng& r)
    {
        switch (r.Below(10)) {
        case 0:
        case 1:
        case 2:
            FEdits->Step(r);
            break;
        case 3:
        case 4:
            if (Times().size() < 400)
                for (int i = r.Between(1, 8); i > 0; --i)
                    AddTime(&r, FEdits->Any(r));
            break;
        case 5:
            if (TqvDataEntity_GantTime* t = AnyTime(r)) FGant->RemoveGantTime(t);
            break;
        case 6:
            if (TqvDataEntity_GantTime* t = AnyTime(r)) {
                Tolerate([&] { t->SetStartDateTime(input::Date(r, kChartDay + 1, 1.5)); });
                Tolerate([&] { t->SetStopDateTime(input::Date(r, kChartDay + 1, 1.5)); });
            }
            break;
        case 7: {
            TqvDataEntity_GantTime* a = AnyTime(r);
            TqvDataEntity_GantTime* b = AnyTime(r);
            if (a != nullptr && b != nullptr) {
                TqvDataEntity_Link* link = FGant->AddLink();
                link->First = a;
                link->Second = b;
                link->LinkStyle = static_cast<TLinkStyle>(r.Below(2));
            }
            break;
        }
        case 8:
            if (TqvDataEntity_GantTime* t = AnyTime(r)) FGant->DropAllLinks(t);
            break;
        default:
            if (TqvDataEntity_Tree* node = FEdits->Any(r))
                if (TGantRow* row = FGant->GetGantRow(node)) row->SetCollisionDetection(r.Chance(60));
            break;
        }
    }

    std::unique_ptr<TqvGant> FGant;
    std::unique_ptr<TTreeEdits> FEdits;
    bool FInside = false;
    int FCounter = 0;
};

} // namespace

TEST(Drive, Gant)
{
    RunDriver([] { return std::make_unique<TGantDriver>(); }, 250);
}
