#pragma once
// Steps shared by the drivers of the views on a time axis: the date scaler,
// the Gantt chart in both modes and the schedule view.
#include "skedra/scaler/qvScalerModel.h"
#include "tests/reliability/Driver.h"

namespace skedra::reliability::input
{

// Random hidden days (each with aDayChance percent) and hours (each with 15),
// set on aView; a refusal of a set that hides everything is an answer.
template <typename V> void HiddenTime(TStepRng& aRng, V* aView, int aDayChance = 15)
{
    TqvHiddenDays days;
    TqvHiddenHours hours;
    for (int d = 0; d < 7; ++d)
        if (aRng.Chance(aDayChance)) days.Include(static_cast<TqvHiddenDaysEnum>(d));
    for (int h = 0; h < 24; ++h)
        if (aRng.Chance(15)) hours.Include(static_cast<TqvHiddenHoursEnum>(h));
    Tolerate([&] {
        aView->SetHiddenDays(days);
        aView->SetHiddenHours(hours);
    });
}

// A random start and stop of aScaler's window near aCentre, sometimes bad ones.
template <typename S> void TimeWindow(TStepRng& aRng, S* aScaler, TDateTime aCentre, double aSpread)
{
    Tolerate([&] { aScaler->SetStart(Date(aRng, aCentre, aSpread)); });
    Tolerate([&] { aScaler->SetStop(Date(aRng, aCentre, aSpread)); });
}

} // namespace skedra::reliability::input
