#pragma once
// The Gantt area: the double-buffered surface on which the chart draws its
// rows' time items. It routes its paint to the chart (through OnPaint,
// installed by the chart) and keeps a pointer back to the chart for the input
// routing that builds on it.

#include "skedra/foundation/qvOffscreenPaint.h"

namespace skedra
{

class TqvGant_ComBasic;

class TqvOffscreenPaint_GA : public TqvOffscreenPaint
{
public:
    explicit TqvOffscreenPaint_GA(QWidget* aOwner = nullptr);

    TqvGant_ComBasic* GetGant() const { return Gant; }
    void SetGant(TqvGant_ComBasic* aGant) { Gant = aGant; }

private:
    TqvGant_ComBasic* Gant = nullptr;
};

} // namespace skedra
