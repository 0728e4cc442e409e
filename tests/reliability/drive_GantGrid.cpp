// The Gantt chart in grid mode under random clicks, drags of items past the
// edges, double clicks, keys, wheel turns, sizes down to 0, changes of grid
// rows (also rows loaded and unloaded on demand), items and links from
// outside and from inside its own events, bad times and layers, the time
// window and its hidden days and hours, properties, mode switches, and
// printing.
#include <gtest/gtest.h>

#include <QImage>
#include <QScopeGuard>
#include <QScrollBar>

#include <set>
#include <stdexcept>

#include "skedra/gantt/GantPrint.h"
#include "skedra/gantt/GantRow.h"
#include "skedra/gantt/qvGant.h"
#include "skedra/grid/qvGrid.h"
#include "skedra/platform/DeviceContext.h"
#include "skedra/platform/StdCtrls.h"
#include "skedra/tree/GridTree.h"
#include "tests/reliability/TimeSteps.h"

using namespace skedra;
using namespace skedra::reliability;

namespace
{

using TNode = TqvDataEntity_GridTreeNode;

constexpr TDateTime kChartDay = 47484.0; // 1 January 2030

class TGantGridDriver : public TDriver
{
public:
    TGantGridDriver()
    {
        FGant = std::make_unique<TqvGant>();
        FGant->SetBounds(0, 0, 900, 500);
        FGant->SetUseGridNotTree(true);
        FGant->show();
        input::Settle();
        FGant->GetDateScaler()->SetStart(kChartDay);
        FGant->GetDateScaler()->SetStop(kChartDay + 2);
        for (int i = 0; i < 20; ++i) {
            TNode* node = Tree()->AddDataEntity(i < 6 ? nullptr : Nodes()[static_cast<size_t>(i % 6)]);
            for (int k = 0; k < 3; ++k)
                AddTime(nullptr, node);
        }
        // Rows loaded on demand get items; rows out of view may go.
        FGant->SetOnVirtualLoad_Grid([this](TMoxGridCell*, TAxisContentItem* anItem, bool aRowNotColumn) {
            if (!aRowNotColumn) return;
            if (TNode* node = TqvGridTree::NodeOfRow(anItem))
                for (int k = FCounter % 3; k > 0; --k)
                    AddTime(Rng(), node);
        });
        FGant->SetOnVirtualUnLoad_Grid(
            [this](TMoxGridCell*, TAxisContentItem*, bool, bool, bool& aCanUnload) {
                aCanUnload = Rng() == nullptr || Rng()->Chance(80);
            });
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
        switch (r.Below(16)) {
        case 0:
        case 1:
        case 2:
            input::Mouse(r, FGant->GetGA());
            break;
        case 3:
            input::Mouse(r, r.Chance(60) ? static_cast<QWidget*>(Grid()) : FGant.get());
            break;
        case 4:
            input::Key(r, r.Chance(50) ? static_cast<QWidget*>(FGant->GetGA()) : Grid());
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
            FGant->SetLinkShow(static_cast<TLinkShow>(r.Below(3)));
            if (r.Chance(30)) FGant->SetGridVerticalScrollOutOfGrid(!FGant->GetGridVerticalScrollOutOfGrid());
            if (r.Chance(30)) Tolerate([&] { FGant->SetScalerHeight(r.Between(-5, 120)); });
            if (r.Chance(10)) { // to tree mode and back
                FGant->SetUseGridNotTree(false);
                if (r.Chance(50)) input::Settle();
                FGant->SetUseGridNotTree(true);
            }
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
            LoadStep(r);
            break;
        case 14:
            Grid()->Repaint();
            FGant->GetGA()->Repaint();
            break;
        default: {
            QImage image(700, 500, QImage::Format_RGB32);
            image.fill(Qt::white);
            TDeviceContext dc(&image);
            int w = 0, h = 0;
            Tolerate([&] {
                TqvPrintGantt::Print(FGant.get(), &dc, r.Between(-10, 50), r.Between(-10, 50),
                                     input::Scale(r), input::Scale(r), r.Between(-5, 300), nullptr,
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
        QString why;
        if (!Grid()->CheckInvariants(&why)) throw std::runtime_error("grid: " + why.toStdString());
        if (!Tree()->CheckInvariants(&why)) throw std::runtime_error("grid tree: " + why.toStdString());
        // Every loaded node of the grid's tree has its row, and every row a loaded node.
        std::set<const TNode*> nodes;
        for (TNode* node : Nodes()) {
            nodes.insert(node);
            TGantRow* row = FGant->GetRowList()->FindRowFromGridNode(node);
            if (row == nullptr || row->GetGridNode() != node)
                throw std::runtime_error("a loaded grid row has no chart row");
        }
        for (TGantRow* row : FGant->GetRowList()->GetRows())
            if (row->GetGridNode() == nullptr || nodes.count(row->GetGridNode()) == 0)
                throw std::runtime_error("a chart row has no loaded grid row");
        const auto times = Times();
        if (TqvDataEntity_GantTime* active = FGant->GetActiveDataEntity())
            if (std::find(times.begin(), times.end(), active) == times.end())
                throw std::runtime_error("the active item is not in the chart");
        if (const TScrollBar* bar = Grid()->GetVertScrollBar())
            if (bar->GetPosition() < bar->GetMin() || bar->GetPosition() > bar->MaxPosition())
                throw std::runtime_error("the grid's scroll position is out of its range");
    }

private:
    TqvGrid* Grid() const { return FGant->GetGrid(); }
    TqvGridTree* Tree() const { return Grid()->GetTree(); }

    // The loaded nodes of the grid's tree, depth first.
    std::vector<TNode*> Nodes() const
    {
        std::vector<TNode*> out;
        Walk(Tree()->GetRootDataList(), out);
        return out;
    }
    static void Walk(TqvDataList* aList, std::vector<TNode*>& anOut)
    {
        if (aList == nullptr) return;
        for (int i = 0; i < aList->LoadedCount(); ++i) {
            auto* node = static_cast<TNode*>(aList->GetLoaded(i));
            anOut.push_back(node);
            Walk(node->SubDataList, anOut);
        }
    }
    TNode* AnyNode(TStepRng& r) const
    {
        const auto all = Nodes();
        if (all.empty() || r.Chance(10)) return nullptr;
        return all[static_cast<size_t>(r.Below(static_cast<int>(all.size())))];
    }

    std::vector<TqvDataEntity_GantTime*> Times() const
    {
        std::vector<TqvDataEntity_GantTime*> out;
        for (TGantRow* row : FGant->GetRowList()->GetRows())
            for (int l = 0; l < row->LayerCount(); ++l) {
                TqvDataList* list = row->GetDataLists()->GetDataList(l);
                for (int i = 0; i < list->LoadedCount(); ++i)
                    out.push_back(static_cast<TqvDataEntity_GantTime*>(list->GetLoaded(i)));
            }
        return out;
    }
    TqvDataEntity_GantTime* AnyTime(TStepRng& r) const
    {
        const auto times = Times();
        if (times.empty() || r.Chance(10)) return nullptr;
        return times[static_cast<size_t>(r.Below(static_cast<int>(times.size())))];
    }
    void AddTime(TStepRng* r, TNode* aNode)
    {
        if (aNode == nullptr) return;
        const int layer = r ? r->Between(-1, 3) : FCounter % 2;
        TqvDataEntity_GantTime* t = nullptr;
        Tolerate([&] { t = FGant->GridNode_AddGantTime(aNode, layer); });
        if (t == nullptr) return;
        const int n = FCounter++;
        const TDateTime start = r ? input::Date(*r, kChartDay + 1, 1.5) : kChartDay + (n % 40) / 24.0;
        Tolerate([&] { t->SetStartDateTime(start); });
        Tolerate([&] { t->SetStopDateTime(r ? input::Date(*r, start, 0.3) : start + 3 / 24.0); });
    }

    // Rows that exist only as a count until they come into view, scrolling to
    // them, and roots unloaded from the tree's list (which asks the tree first).
    void LoadStep(TStepRng& r)
    {
        TqvDataList* root = Tree()->GetRootDataList();
        switch (r.Below(5)) {
        case 0:
            // Past the 500-entity loading rule, but small enough that a load
            // the rows on screen keep from purging (it loads the whole gap)
            // leaves every step's full check cheap.
            if (root->Count() < 4000)
                Tolerate([&] { root->AddUnloaded(r.Pick(std::vector<int>{1, 10, 800})); });
            break;
        case 1:
            if (TScrollBar* bar = Grid()->GetVertScrollBar())
                Tolerate([&] { bar->SetPosition(r.Between(bar->GetMin() - 5, bar->GetMax() + 5)); });
            break;
        case 2: // the user drags the thumb
            if (TScrollBar* bar = Grid()->GetVertScrollBar())
                bar->Bar()->setSliderPosition(r.Between(bar->GetMin(), bar->GetMax()));
            break;
        case 3:
            if (root->Count() > 0) Tolerate([&] { root->EnsureLoadedItem(r.Below(root->Count())); });
            break;
        default:
            if (root->LoadedCount() > 0) {
                const bool front = r.Chance(50);
                const int i =
                    front ? root->GetUnloadedBefore() : root->GetUnloadedBefore() + root->LoadedCount() - 1;
                Tolerate([&] { root->Unload(i, front); });
            }
            break;
        }
    }

    void DataStep(TStepRng& r)
    {
        TNode* e = AnyNode(r);
        switch (r.Below(14)) {
        case 0:
        case 1:
            if (Nodes().size() < 150) Tree()->AddDataEntity(r.Chance(40) ? nullptr : e);
            break;
        case 2:
            if (Nodes().size() < 150) Tolerate([&] { Tree()->InsertDataEntity(e, r.Between(-2, 10)); });
            break;
        case 3:
            if (e) Tree()->RemoveDataEntity(e);
            break;
        case 4:
            if (e) Tolerate([&] { e->Move(r.Between(-1, 12)); });
            break;
        case 5:
            if (e)
                e->SetExpanded(!e->Expanded);
            else if (r.Chance(15))
                Tree()->GetRootDataList()->Clear();
            break;
        case 6:
            if (e)
                e->Set_HideNode(r.Chance(30));
            else
                Tolerate(
                    [&] { Tree()->GetRootDataList()->Sort(r.Chance(50)); }); // refused while partly loaded
            break;
        case 7:
        case 8:
            if (Times().size() < 400)
                for (int i = r.Between(1, 8); i > 0; --i)
                    AddTime(&r, AnyNode(r));
            break;
        case 9:
            if (TqvDataEntity_GantTime* t = AnyTime(r)) FGant->RemoveGantTime(t);
            break;
        case 10:
            if (TqvDataEntity_GantTime* t = AnyTime(r)) {
                Tolerate([&] { t->SetStartDateTime(input::Date(r, kChartDay + 1, 1.5)); });
                Tolerate([&] { t->SetStopDateTime(input::Date(r, kChartDay + 1, 1.5)); });
            }
            break;
        case 11: {
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
        case 12:
            if (TqvDataEntity_GantTime* t = AnyTime(r)) FGant->DropAllLinks(t);
            break;
        default:
            if (TGantRow* row = e ? FGant->GetRowList()->FindRowFromGridNode(e) : nullptr)
                row->SetCollisionDetection(r.Chance(60));
            break;
        }
    }

    std::unique_ptr<TqvGant> FGant;
    bool FInside = false;
    int FCounter = 0;
};

} // namespace

TEST(Drive, GantGrid)
{
    RunDriver([] { return std::make_unique<TGantGridDriver>(); }, 150);
}
