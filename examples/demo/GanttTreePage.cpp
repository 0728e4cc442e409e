// The Gantt chart in tree mode: a plan of a few hundred tasks in phases, with
// links between consecutive tasks, every item style, milestones, the today
// line, short lines and the chart's own scroll bar.
#include <QLabel>
#include <QVBoxLayout>

#include <random>

#include "examples/demo/DemoPage.h"
#include "skedra/gantt/qvGant.h"

using namespace skedra;

namespace
{

// A fixed Monday, so that screenshots are the same every day.
const TDateTime kStart = EncodeDate(2024, 3, 4) + 8.0 / 24;

class GanttTreePage : public QWidget
{
public:
    explicit GanttTreePage(QWidget* parent) : QWidget(parent)
    {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(10, 10, 10, 10);
        layout->addWidget(new QLabel(
            QStringLiteral("Tree mode: 24 phases of 12 tasks, each task linked to the next; every item "
                           "style; milestones as fixed-width markers. The wheel moves one row per step, "
                           "the bar at the right mirrors the tree."),
            this));
        gant = new TqvGant(this);
        gant->SetTreeWidth(240);
        gant->GetTreeView()->SetItemHeight(20);
        gant->SetDrawShortLines(true);
        gant->SetTodayLineColor(clRed);
        gant->SetTodayLineOnOff(true);
        layout->addWidget(gant, 1);
        Fill();
        gant->SetStart(kStart - 1);
        gant->SetStop(kStart + 27);
    }

private:
    void Fill()
    {
        std::mt19937 rng(2024);
        const TColor colours[] = {RGB(120, 170, 230), RGB(240, 160, 60), RGB(160, 220, 140),
                                  RGB(230, 120, 120), RGB(90, 170, 200)};
        TDateTime at = kStart;
        TqvDataEntity_GantTime* previous = nullptr;
        gant->BeginUpdate();
        for (int p = 0; p < 24; ++p) {
            TqvDataEntity_Tree* phase = gant->AddRootDataEntityTree();
            phase->SetText(QStringLiteral("Phase %1").arg(p + 1));
            TqvDataEntity_GantTime* span = gant->AddGantTime(phase, 0);
            span->SetStyle(gtsSpan);
            span->SetColor(clBlack);
            const TDateTime phaseStart = at;
            for (int t = 0; t < 12; ++t) {
                TqvDataEntity_Tree* node = gant->AddDataEntityTree(phase);
                node->SetText(QStringLiteral("Task %1.%2").arg(p + 1).arg(t + 1));
                TqvDataEntity_GantTime* item = gant->AddGantTime(node, 0);
                const double length = 0.5 + std::uniform_int_distribution<int>(1, 8)(rng) / 4.0;
                item->SetStartDateTime(at);
                item->SetStopDateTime(at + length);
                // Every style in turn (user-drawn items are the drawing page's).
                const int styles[] = {gtsSquare, gtsPipe, gtsLine, gtsLineWEnd, gtsWave, gtsRomb, gtsSquare};
                item->SetStyle(static_cast<std::uint8_t>(styles[t % 7]));
                item->SetColor(colours[(p + t) % 5]);
                item->TopInset = item->GetStyle() == gtsSquare || item->GetStyle() == gtsPipe ? 3 : 0;
                item->BottomInset = item->TopInset;
                if (t == 11) {
                    // The phase's milestone: a marker after its last task.
                    TqvDataEntity_GantTime* m = gant->AddGantTime(node, 1);
                    m->SetStartDateTime(at + length);
                    m->SetStopDateTime(at + length);
                    m->FixedWidth = 9;
                    m->SetStyle(gtsRomb);
                    m->SetColor(RGB(200, 0, 0));
                }
                if (previous != nullptr) {
                    TqvDataEntity_Link* link = gant->AddLink();
                    link->First = previous;
                    link->Second = item;
                    link->LinkStyle = p % 2 == 0 ? tlsDefault : tlsMSProject;
                }
                previous = item;
                at += length * 0.6;
            }
            span->SetStartDateTime(phaseStart);
            span->SetStopDateTime(at);
            phase->SetExpanded(p < 6);
        }
        gant->EndUpdate();
    }

    TqvGant* gant = nullptr;
};

DemoPageRegistration ganttTreePage(DemoPage{
    46,
    QStringLiteral("Gantt tree"),
    [](QWidget* parent) -> QWidget* { return new GanttTreePage(parent); },
    {}});

} // namespace
