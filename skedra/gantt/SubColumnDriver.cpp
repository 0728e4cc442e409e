#include "skedra/gantt/SubColumnDriver.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "skedra/foundation/DoLater.h"
#include "skedra/gantt/TimeDistinctThread.h"

namespace skedra
{

namespace
{

// The registered clients, in order of registration. Computations end on any
// thread, so the list is guarded; clients are called only on the
// user-interface thread and never under the lock.
struct TPausedClients {
    std::mutex Lock;
    std::vector<TSubColumnClient*> Clients;
    // The clients a running ResumeAll has yet to resume.
    std::vector<TSubColumnClient*> Resuming;
};

TPausedClients& Paused()
{
    static TPausedClients paused;
    return paused;
}

// The object the deferred resumption is queued for (one request at a time).
class TResumer : public TObject
{
public:
    void Run(TObject*) { TSubColumnDriver::ResumeAll(); }
};

TResumer& Resumer()
{
    static TResumer resumer;
    return resumer;
}

TDoLaterCall ResumeCall()
{
    return MakeMethod<&TResumer::Run>(&Resumer());
}

bool AnyPaused()
{
    std::lock_guard lock(Paused().Lock);
    return !Paused().Clients.empty();
}

} // namespace

bool TSubColumnDriver::StartAllowed()
{
    return TTimeDistinctGenericThread::ThreadCount() < TTimeDistinctGenericThread::MaxThreads();
}

void TSubColumnDriver::ClientPaused(TSubColumnClient* aClient)
{
    if (aClient == nullptr) return;
    {
        std::lock_guard lock(Paused().Lock);
        auto& clients = Paused().Clients;
        if (std::find(clients.begin(), clients.end(), aClient) == clients.end()) clients.push_back(aClient);
    }
    // The computations may all have ended before the client registered: then
    // nothing else would ever resume it.
    if (TTimeDistinctGenericThread::ThreadCount() < ResumeBelow) TDoLater::DoLater(ResumeCall());
}

void TSubColumnDriver::ClientGone(TSubColumnClient* aClient)
{
    std::lock_guard lock(Paused().Lock);
    for (auto* clients : {&Paused().Clients, &Paused().Resuming})
        clients->erase(std::remove(clients->begin(), clients->end(), aClient), clients->end());
}

bool TSubColumnDriver::IsPaused(const TSubColumnClient* aClient)
{
    std::lock_guard lock(Paused().Lock);
    const auto& clients = Paused().Clients;
    return std::find(clients.begin(), clients.end(), aClient) != clients.end();
}

void TSubColumnDriver::ComputationEnded(int aRemaining)
{
    if (aRemaining < ResumeBelow && AnyPaused()) TDoLater::DoLater(ResumeCall());
}

void TSubColumnDriver::ResumeAll()
{
    // The clients registered now, one at a time, each taken out before it
    // runs: a client that pauses again while it resumes waits for the next
    // round, and a client destroyed meanwhile is skipped.
    {
        std::lock_guard lock(Paused().Lock);
        auto& p = Paused();
        p.Resuming.insert(p.Resuming.end(), p.Clients.begin(), p.Clients.end());
        p.Clients.clear();
    }
    for (;;) {
        TSubColumnClient* client = nullptr;
        {
            std::lock_guard lock(Paused().Lock);
            auto& resuming = Paused().Resuming;
            if (resuming.empty()) return;
            client = resuming.front();
            resuming.erase(resuming.begin());
        }
        client->ResumePausedSubColumns();
    }
}

bool TSubColumnDriver::ResumeQueued()
{
    return TDoLater::AlreadyInList(ResumeCall(), nullptr);
}

} // namespace skedra
