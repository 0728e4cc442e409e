#pragma once
// Random-input drivers: a component under a long sequence of random steps
// (real mouse, key, wheel and resize events, data and property changes,
// printing), its invariants checked after every step. A failure names the
// seed and the step; every step draws from its own random source (seeded by
// the seed and the step's index), so any subset of a run's steps replays on
// its own, which is what shrinking a failing run relies on.
#include <QPoint>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "skedra/platform/DateTime.h"
#include "skedra/platform/Exceptions.h"

namespace skedra::reliability
{

// The random source of one step.
class TStepRng
{
public:
    TStepRng(std::uint64_t aSeed, int aStep);

    int Below(int n);                 // 0 .. n - 1; 0 when n <= 0
    int Between(int aLow, int aHigh); // both included
    bool Chance(int aPercent);
    double Real(double aLow, double aHigh);
    template <typename T> T Pick(const std::vector<T>& aValues)
    {
        return aValues[static_cast<size_t>(Below(static_cast<int>(aValues.size())))];
    }

private:
    std::mt19937_64 FEngine;
};

// One component under random input. Step runs one random action; the rng is
// also valid inside the event handlers the driver installed while Step runs
// (Rng()), so that handlers change data from inside events too.
class TDriver
{
public:
    virtual ~TDriver() = default;
    virtual void Step(TStepRng& aRng) = 0;
    // Throws (any std::exception) with a text when the component's state is broken.
    virtual void CheckInvariants() = 0;
    // True for a message the component shows on purpose as its answer to
    // input the driver gave (an editor's validation message): counted, not a
    // failure. Every other shown message fails the run.
    virtual bool ExpectedMessage(const QString& /*aText*/) const { return false; }

    // The rng of the running step, null between steps.
    TStepRng* Rng() const { return FRng; }

private:
    TStepRng* FRng = nullptr;
    friend class TDriverRun;
};

// Real input through Qt events.
namespace input
{
// A point in aWidget, sometimes on its edges, sometimes far outside it.
QPoint Point(TStepRng& aRng, const QWidget* aWidget, bool anOutside = true);
// A press, a release, a move with or without a held button, a click, a
// double click, a drag (ending anywhere, also far outside), a wheel turn,
// or a button held across timer ticks.
void Mouse(TStepRng& aRng, QWidget* aWidget);
// A key press and release of navigation, editing or printable keys, with
// random modifiers.
void Key(TStepRng& aRng, QWidget* aWidget);
// A resize to a random size including 0 and 1 in each direction.
void Resize(TStepRng& aRng, QWidget* aWidget, int aMaxWidth, int aMaxHeight);
// Posted events, deferred calls and what worker threads hand back.
void Settle();
// A random text: empty, 256 characters, or a few words.
QString Text(TStepRng& aRng);
// A date near aCentre (within aSpread days) most of the time, otherwise a
// bad one: NaN, infinite, year 0, year 10,000, negative, huge.
TDateTime Date(TStepRng& aRng, TDateTime aCentre, double aSpread);
// A print scale: mostly ordinary, sometimes 0, negative, tiny or huge.
double Scale(TStepRng& aRng);
} // namespace input

// Counts a refusal by its text (the run lists them at its end).
void NoteRefusal(const Exception& anException);
void NoteRefusal(const QString& aText);

// Runs aCall; an Exception (a clear refusal of bad input) is an accepted answer.
template <typename F> void Tolerate(F&& aCall)
{
    try {
        aCall();
    } catch (const Exception& e) {
        NoteRefusal(e);
    }
}

// Runs drivers made by aMake for aSteps steps from the environment's settings:
// SKEDRA_DRIVER_SEED (default 1), SKEDRA_DRIVER_STEPS (overrides aSteps),
// SKEDRA_DRIVER_ONLY (comma-separated step indexes to run instead of
// 0 .. steps - 1), SKEDRA_DRIVER_SHRINK=1 (on a failure, runs subsets of the
// steps in child processes and prints the shortest failing list found;
// with SKEDRA_DRIVER_FAILS_AT=N it shrinks steps 0 .. N of a run that died at
// step N without running them first).
// Records a test failure naming the seed and step on a broken invariant, a
// thrown exception or a shown error message; a crash or hang names them
// on stderr.
void RunDriver(const std::function<std::unique_ptr<TDriver>()>& aMake, int aSteps);

} // namespace skedra::reliability
