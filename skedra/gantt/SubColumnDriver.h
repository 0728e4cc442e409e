#pragma once
// What every user of the sub-column engine shares, whatever it places (Gantt
// rows, schedule views): the cap on live computations, and the resumption of
// work that was paused because the cap was reached.
//
// A client that pauses work (because StartAllowed answered false) registers
// with ClientPaused. Whenever the number of live computations falls below
// ResumeBelow, on whatever thread the last one ends, a deferred call on the
// user-interface thread resumes every registered client, in order of
// registration. A client that registers while the count is already low is
// resumed just the same, so no work stays paused for good.

#include "skedra/platform/Object.h"

namespace skedra
{

class TSubColumnClient
{
public:
    // Runs on the user-interface thread, after the client was unregistered.
    virtual void ResumePausedSubColumns() = 0;

protected:
    ~TSubColumnClient() = default;
};

class TSubColumnDriver
{
public:
    TSubColumnDriver() = delete;

    // Paused work resumes when fewer than this many computations are alive.
    static constexpr int ResumeBelow = 5;

    // A new computation may start (fewer than MaxThreads are alive).
    static bool StartAllowed();
    // Registers a client with paused work (once; later calls are merged).
    static void ClientPaused(TSubColumnClient* aClient);
    // Withdraws a client (it resumed on its own, or it is being destroyed).
    static void ClientGone(TSubColumnClient* aClient);
    static bool IsPaused(const TSubColumnClient* aClient);
    // Told by the engine's thread whenever a computation ends, on any thread,
    // with the number still alive.
    static void ComputationEnded(int aRemaining);
    // Resumes the registered clients now (the deferred call's body).
    static void ResumeAll();
    // Whether a resumption is queued.
    static bool ResumeQueued();
};

} // namespace skedra
