// The data-bound tree under random clicks, drags, keys (editing too), wheel
// turns, sizes down to 0, data changes from outside and from inside its own
// events, property changes and printing.
#include <gtest/gtest.h>

#include <QImage>

#include "skedra/platform/DeviceContext.h"
#include "skedra/tree/qvPrintTree.h"
#include "tests/reliability/TreeData.h"

using namespace skedra;
using namespace skedra::reliability;

namespace
{

class TTreeDriver : public TDriver
{
public:
    TTreeDriver() : FTree(std::make_unique<TqvTree>()), FEdits(FTree.get())
    {
        FTree->SetBounds(0, 0, 300, 400);
        FTree->show();
        for (int i = 0; i < 20; ++i)
            FEdits.Add(i < 5 ? nullptr : FEdits.All()[static_cast<size_t>(i % 5)])
                ->SetText(QStringLiteral("N%1").arg(i));
        // Changes from inside the tree's own events.
        auto inside = [this] {
            if (TStepRng* r = Rng(); r != nullptr && r->Chance(20) && !FInside) {
                FInside = true;
                FEdits.Step(*r);
                FInside = false;
            }
        };
        FTree->OnChange = [inside](TObject*, TTreeNode*) { inside(); };
        FTree->OnExpanding = [inside](TObject*, TTreeNode*, bool&) { inside(); };
        FTree->OnMouseDown = [inside](TObject*, TMouseButton, TShiftState, int, int) { inside(); };
    }

    void Step(TStepRng& r) override
    {
        TqvTree* t = FTree.get();
        switch (r.Below(12)) {
        case 0:
        case 1:
        case 2:
            input::Mouse(r, t);
            break;
        case 3:
        case 4:
            input::Key(r, t);
            break;
        case 5:
            input::Resize(r, t, 600, 600);
            break;
        case 6:
        case 7:
        case 8:
            FEdits.Step(r);
            break;
        case 9:
            t->SetMultiSelect(r.Chance(50));
            if (r.Chance(30)) Tolerate([&] { t->SetMaxLevels(r.Between(-1, 5)); });
            if (r.Chance(30)) Tolerate([&] { t->SetAutoExpandLevels(r.Between(-1, 4)); });
            t->SetDrawGridLines(r.Chance(50));
            if (r.Chance(20)) Tolerate([&] { t->ExpandLevels(r.Between(-1, 4)); });
            break;
        case 10:
            if (r.Chance(50)) {
                t->BeginUpdate();
                FEdits.Step(r);
                t->EndUpdate();
            } else {
                t->SetTopItem(FEdits.Any(r));
            }
            break;
        default: {
            QImage image(400, 600, QImage::Format_RGB32);
            image.fill(Qt::white);
            TDeviceContext dc(&image);
            int rows = r.Between(-1, 40), width = 0, height = 0;
            Tolerate([&] {
                TqvPrintTree::Print(t, &dc, 0, r.Between(-20, 100), r.Between(-20, 100), input::Scale(r),
                                    input::Scale(r), r.Between(-10, 300), FEdits.Any(r), rows, r.Chance(50),
                                    width, height);
            });
            break;
        }
        }
        if (r.Chance(30)) t->Viewport()->repaint();
    }

    void CheckInvariants() override { FEdits.Check(); }

private:
    std::unique_ptr<TqvTree> FTree;
    TTreeEdits FEdits;
    bool FInside = false;
};

} // namespace

TEST(Drive, Tree)
{
    RunDriver([] { return std::make_unique<TTreeDriver>(); }, 300);
}
