// The date/time axis under random drags (pan and zoom), scroll buttons held
// across repeat ticks, wheel turns, sizes down to 0, bad ranges and scales,
// hidden days and hours, and printing.
#include <gtest/gtest.h>

#include <QImage>
#include <QTest>

#include <cmath>
#include <stdexcept>

#include "skedra/platform/DeviceContext.h"
#include "skedra/scaler/qvScaler.h"
#include "tests/reliability/TimeSteps.h"

using namespace skedra;
using namespace skedra::reliability;

namespace
{

constexpr TDateTime kDay = 47484.0; // 1 January 2030

class TScalerDriver : public TDriver
{
public:
    TScalerDriver()
    {
        FScaler = std::make_unique<TqvDateScaler>();
        FScaler->SetBounds(0, 0, 600, 60);
        FScaler->show();
        FScaler->SetStart(kDay);
        FScaler->SetStop(kDay + 2);
        FScaler->OnInfoStringEvent = [this](QString&, TScalerFont&) {
            // Changes from inside the scaler's own events.
            if (TStepRng* r = Rng(); r != nullptr && r->Chance(3))
                FScaler->SetHorizontal(!FScaler->GetHorizontal());
        };
    }

    void Step(TStepRng& r) override
    {
        TqvDateScaler* s = FScaler.get();
        switch (r.Below(14)) {
        case 0:
        case 1:
        case 2:
        case 3:
            input::Mouse(r, s);
            break;
        case 4:
            input::Key(r, s);
            break;
        case 5:
            input::Resize(r, s, 1200, 200);
            break;
        case 6:
            Tolerate([&] { s->SetStart(input::Date(r, kDay, 400)); });
            break;
        case 7:
            Tolerate([&] { s->SetStop(input::Date(r, kDay, 400)); });
            break;
        case 8:
            Tolerate([&] {
                static const std::vector<double> scales = {
                    1e-6, 1e-3, 0.01, 1, 60, 1e4, 0, -1, 1e300, std::numeric_limits<double>::quiet_NaN()};
                s->SetScale(r.Pick(scales));
            });
            break;
        case 9:
            input::HiddenTime(r, s, 20);
            break;
        case 10:
            Tolerate([&] { s->SetMinStart(r.Chance(50) ? 0 : input::Date(r, kDay, 400)); });
            Tolerate([&] { s->SetMaxStop(r.Chance(50) ? 0 : input::Date(r, kDay, 400)); });
            break;
        case 11:
            s->SetIndicatorOn(r.Chance(50));
            s->SetIndicatorStyle(static_cast<TqvDateScaler::TIndicatorStyle>(r.Below(4)));
            s->SetLookAndFeel(static_cast<TqvDateScaler::TLookAndFeel>(r.Below(2)));
            s->SetScrollButtons(static_cast<TqvDateScaler::TScrollButtons>(r.Below(3)));
            s->SetVerticalText(r.Chance(20));
            Tolerate([&] { s->SetFirstDayOfWeek(r.Between(-2, 9)); });
            Tolerate([&] { s->SetPixelsForModeSwitch(r.Between(-5, 400)); });
            s->SetWeekNumbers(r.Chance(50));
            s->SetWeekPrefix(input::Text(r));
            if (r.Chance(20)) s->SetHorizontal(!s->GetHorizontal());
            break;
        case 12:
            if (r.Chance(50))
                r.Chance(50) ? s->StartStepUp() : s->StartStepDown();
            else
                s->StopStep();
            if (r.Chance(20)) QTest::qWait(r.Between(10, 120));
            break;
        default: {
            QImage image(500, 200, QImage::Format_RGB32);
            image.fill(Qt::white);
            TDeviceContext dc(&image);
            Tolerate([&] {
                s->Print(&dc, r.Between(-50, 300), r.Between(-50, 100), input::Scale(r), input::Scale(r),
                         r.Chance(50));
            });
            break;
        }
        }
        if (r.Chance(30)) s->Repaint();
    }

    void CheckInvariants() override
    {
        FScaler->CheckInvariants();
        // Visible time per pixel: positive, or 0 exactly when there is no axis length.
        const double scale = FScaler->GetScale();
        if (!std::isfinite(scale) || scale < 0 || (scale == 0) != (FScaler->GetScaleLen() < 1))
            throw std::runtime_error("the scale is not visible time per pixel");
    }

private:
    std::unique_ptr<TqvDateScaler> FScaler;
};

} // namespace

TEST(Drive, DateScaler)
{
    RunDriver([] { return std::make_unique<TScalerDriver>(); }, 400);
}
