#pragma once
// One owner's background sub-column computation (a Gantt row's, a schedule
// view's): at most one running placement at a time, a new request drops the
// running one, and the result is handed to the owner on the user-interface
// thread. Both ends of every interval are rounded to the second. The owner
// decides what the keys are and how the result is written into its items.

#include <QString>

#include "skedra/gantt/TimeDistinctThread.h"

namespace skedra
{

class TSubColumnJob
{
public:
    // aOnDone runs on the user-interface thread when a placement is complete;
    // the owner reads the result with SubColOf, then calls Drop.
    explicit TSubColumnJob(TNotifyEvent aOnDone = {}) : FOnDone(std::move(aOnDone)) {}
    TSubColumnJob(const TSubColumnJob&) = delete;
    TSubColumnJob& operator=(const TSubColumnJob&) = delete;
    ~TSubColumnJob() { Drop(); }

    void SetOnDone(TNotifyEvent aOnDone) { FOnDone = std::move(aOnDone); }

    // Drops a running computation and prepares a new, suspended one.
    void Begin();
    // Adds an interval to the prepared computation (nothing without one).
    void Add(TDateTime aStart, TDateTime aStop, const QString& aKey, TObject* aReference);
    // Starts the prepared computation.
    void Start();
    // Asks a running computation to stop and releases it (see FreeAndCleanUp).
    void Drop() { TTimeDistinctGenericThread::FreeAndCleanUp(FThread); }

    bool Exists() const { return FThread != nullptr; }
    TTimeDistinctGenericThread* Thread() const { return FThread; }
    // Whether aReference was handed to the computation; aSubCol is then its
    // placed sub-column (1-based, 0 = not placed).
    bool FindSubCol(const TObject* aReference, int& aSubCol) const;

private:
    void Done(TObject* aSender);

    TNotifyEvent FOnDone;
    TTimeDistinctGenericThread* FThread = nullptr;
};

} // namespace skedra
