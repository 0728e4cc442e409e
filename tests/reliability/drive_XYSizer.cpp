// The grip under random presses, drags far outside its parent, margins,
// parents of every size, a change of parent and a delete from its own event.
#include <gtest/gtest.h>

#include <stdexcept>

#include "skedra/foundation/qvXYSizer.h"
#include "skedra/platform/ExtCtrls.h"
#include "tests/reliability/Driver.h"

using namespace skedra;
using namespace skedra::reliability;

namespace
{

class TXYSizerDriver : public TDriver
{
public:
    TXYSizerDriver()
    {
        for (auto& p : FParents) {
            p = std::make_unique<TPanel>();
            p->SetBounds(0, 0, 300, 200);
            p->show();
        }
        Make();
    }

    void Step(TStepRng& r) override
    {
        if (!FGrip) Make();
        switch (r.Below(10)) {
        case 0:
        case 1:
        case 2:
        case 3:
            input::Mouse(r, FGrip);
            break;
        case 4:
            input::Mouse(r, FGrip->parentWidget());
            break;
        case 5:
            input::Resize(r, FParents[r.Below(2)].get(), 600, 400);
            break;
        case 6:
            FGrip->TopMargin = r.Between(-20, 300);
            FGrip->LeftMargin = r.Between(-20, 300);
            FGrip->RightMargin = r.Between(-20, 300);
            FGrip->BottomMargin = r.Between(-20, 300);
            break;
        case 7:
            FGrip->SetParent(FParents[r.Below(2)].get());
            FGrip->show();
            break;
        case 8:
            FGrip->SetBounds(r.Between(-20, 400), r.Between(-20, 300), 5, 5);
            break;
        default:
            FParents[r.Below(2)]->grab();
            break;
        }
    }

    void CheckInvariants() override
    {
        if (!FGrip) return;
        if (FGrip->GetWidth() != 5 || FGrip->GetHeight() != 5)
            throw std::runtime_error("the grip changed its size");
        for (TPanel* guide : {FGrip->GetHorizontalGuide(), FGrip->GetVerticalGuide()}) {
            // Guides follow the grip to a new parent at the next drag; shown, they are in its parent.
            if (guide == nullptr || !guide->isVisible()) continue;
            if (guide->parentWidget() != FGrip->parentWidget())
                throw std::runtime_error("a shown guide is not in the grip's parent");
        }
    }

private:
    void Make()
    {
        FGrip = new TXYSizer(FParents[0].get());
        FGrip->SetBounds(100, 100, 5, 5);
        FGrip->show();
        FGrip->OnResize = [this](TXYSizer* aSender, TPoint) {
            TStepRng* r = Rng();
            if (r == nullptr) return;
            if (r->Chance(10))
                delete aSender; // from inside its own release
            else if (r->Chance(10))
                aSender->parentWidget()->resize(r->Between(0, 400), r->Between(0, 300));
        };
    }

    std::unique_ptr<TPanel> FParents[2];
    QPointer<TXYSizer> FGrip;
};

} // namespace

TEST(Drive, XYSizer)
{
    RunDriver([] { return std::make_unique<TXYSizerDriver>(); }, 400);
}
