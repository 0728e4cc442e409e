// The splitter between an aligned panel and the rest of its parent, under
// random drags, properties, alignments, limits and re-entrant changes.
#include <gtest/gtest.h>

#include <QApplication>

#include <stdexcept>

#include "skedra/foundation/qvSplitter.h"
#include "skedra/platform/ExtCtrls.h"
#include "tests/reliability/Driver.h"

using namespace skedra;
using namespace skedra::reliability;

namespace
{

class TSplitterDriver : public TDriver
{
public:
    TSplitterDriver()
    {
        FParent = std::make_unique<TPanel>();
        FParent->SetBounds(0, 0, 600, 400);
        Build(alLeft);
        FParent->show();
    }

    void Step(TStepRng& r) override
    {
        switch (r.Below(12)) {
        case 0:
        case 1:
        case 2:
        case 3:
            if (FSplitter) input::Mouse(r, FSplitter);
            break;
        case 4:
            input::Mouse(r, FParent.get());
            break;
        case 5:
            input::Resize(r, FParent.get(), 900, 700);
            break;
        case 6:
            if (FSplitter) Tolerate([&] { FSplitter->SetMinSize(r.Between(-5, 500)); });
            break;
        case 7:
            if (FSplitter) {
                FSplitter->SetResizeStyle(static_cast<TResizeStyle>(r.Below(4)));
                FSplitter->SetBeveled(r.Chance(50));
                FSplitter->SetParentColor(r.Chance(50));
            }
            break;
        case 8:
            if (FSized) {
                TSizeConstraints* c = FSized->GetConstraints();
                Tolerate([&] { c->SetMinWidth(r.Chance(50) ? 0 : r.Between(-10, 300)); });
                Tolerate([&] { c->SetMaxWidth(r.Chance(50) ? 0 : r.Between(-10, 600)); });
                Tolerate([&] { c->SetMinHeight(r.Chance(70) ? 0 : r.Between(-10, 300)); });
                Tolerate([&] { c->SetMaxHeight(r.Chance(70) ? 0 : r.Between(-10, 600)); });
            }
            break;
        case 9:
            Build(static_cast<TAlign>(r.Pick(std::vector<int>{alLeft, alRight, alTop, alBottom})));
            break;
        case 10:
            if (FSized) FSized->SetVisible(r.Chance(70));
            break;
        default:
            FParent->grab(); // paints everything
            break;
        }
    }

    void CheckInvariants() override
    {
        for (TControl* c : {static_cast<TControl*>(FSized.data()), static_cast<TControl*>(FSplitter.data()),
                            static_cast<TControl*>(FRest.data())}) {
            if (c == nullptr) continue;
            if (c->GetWidth() < 0 || c->GetHeight() < 0) throw std::runtime_error("negative size");
        }
        if (FSized && FSplitter && FSized->isVisible() && FSplitter->GetWidth() > 0 &&
            FSplitter->GetHeight() > 0) {
            const TSizeConstraints* c = FSized->GetConstraints();
            const bool horizontal = FSized->GetAlign() == alLeft || FSized->GetAlign() == alRight;
            const int size = horizontal ? FSized->GetWidth() : FSized->GetHeight();
            // A minimum above the maximum wins.
            const int max = horizontal ? std::max(c->GetMaxWidth(), c->GetMinWidth())
                                       : std::max(c->GetMaxHeight(), c->GetMinHeight());
            const bool limited = (horizontal ? c->GetMaxWidth() : c->GetMaxHeight()) > 0;
            if (limited && size > max) throw std::runtime_error("the sized panel exceeds its maximum");
        }
    }

private:
    void Build(TAlign anAlign)
    {
        delete FSized.data();
        delete FSplitter.data();
        delete FRest.data();
        const int w = std::max(FParent->GetWidth(), 0);
        const int h = std::max(FParent->GetHeight(), 0);
        const int size = 150;
        FSized = new TPanel(FParent.get());
        const bool horizontal = anAlign == alLeft || anAlign == alRight;
        if (horizontal)
            FSized->SetBounds(anAlign == alLeft ? 0 : w - size, 0, size, h);
        else
            FSized->SetBounds(0, anAlign == alTop ? 0 : h - size, w, size);
        FSized->SetAlign(anAlign);
        FSplitter = new TqvSplitter(FParent.get());
        FSplitter->SetAlign(anAlign);
        if (anAlign == alLeft) FSplitter->SetBounds(size, 0, 3, h);
        if (anAlign == alRight) FSplitter->SetBounds(w - size - 3, 0, 3, h);
        if (anAlign == alTop) FSplitter->SetBounds(0, size, w, 3);
        if (anAlign == alBottom) FSplitter->SetBounds(0, h - size - 3, w, 3);
        FRest = new TPanel(FParent.get());
        FRest->SetAlign(alClient);
        FSplitter->OnCanResize = [this](TObject*, int& aNewSize, bool& anAccept) {
            TStepRng* r = Rng();
            if (r == nullptr) return;
            switch (r->Below(10)) {
            case 0:
                anAccept = false;
                break;
            case 1:
                aNewSize = r->Between(-50, 2000);
                break;
            case 2: // the dragged panel goes away in the middle of the drag
                delete FSized.data();
                break;
            default:
                break;
            }
        };
        FSplitter->OnMoved = [this](TObject*) {
            TStepRng* r = Rng();
            if (r != nullptr && r->Chance(5))
                FParent->SetBounds(0, 0, r->Between(0, 800), r->Between(0, 600));
        };
        for (TControl* c : {static_cast<TControl*>(FSized.data()), static_cast<TControl*>(FSplitter.data()),
                            static_cast<TControl*>(FRest.data())})
            c->show();
    }

    std::unique_ptr<TPanel> FParent;
    QPointer<TPanel> FSized;
    QPointer<TqvSplitter> FSplitter;
    QPointer<TPanel> FRest;
};

} // namespace

TEST(Drive, Splitter)
{
    RunDriver([] { return std::make_unique<TSplitterDriver>(); }, 400);
}
