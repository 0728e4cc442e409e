#pragma once
// Helpers shared by the scaler tests: a scaler model with a fixed axis length
// that never sleeps, and dates written the way people read them.
#include "skedra/scaler/qvScalerModel.h"

namespace skedra::test
{

class TestScalerModel : public TqvDateScalerModel
{
public:
    explicit TestScalerModel(int length = 1000) { SetModelLength(length); }
    int invalidations = 0;
    int repaints = 0;
    int mouseEnds = 0;

protected:
    void ScalerInvalidate() override { ++invalidations; }
    void ScalerRepaintNow() override { ++repaints; }
    void ScalerPause() override {}
    void EndMouseOperation() override { ++mouseEnds; }
};

inline TDateTime D(int y, int m, int d, int h = 0, int mi = 0, int s = 0, int ms = 0)
{
    return EncodeDate(y, m, d) + EncodeTime(h, mi, s, ms);
}

inline TqvHiddenDays Weekend()
{
    return TqvHiddenDays{thdSAT, thdSUN};
}

// Hours 0-7 and 18-23: ten visible hours a day.
inline TqvHiddenHours Night()
{
    TqvHiddenHours s;
    for (int h = 0; h < 24; ++h)
        if (h < 8 || h >= 18) s.Include(static_cast<TqvHiddenHoursEnum>(h));
    return s;
}

} // namespace skedra::test
