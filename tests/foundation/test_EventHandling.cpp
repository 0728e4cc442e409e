#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "skedra/foundation/EventHandling.h"
#include "skedra/platform/Exceptions.h"

using namespace skedra;

namespace
{

// A listener that counts its own destruction.
class TCountedListener : public TSingleEventListener
{
public:
    TCountedListener(TEvent* e, TOnEvent h, bool freeWithEvent, int& destroyed)
        : TSingleEventListener(e, std::move(h), freeWithEvent), FDestroyed(destroyed)
    {
    }
    ~TCountedListener() override { ++FDestroyed; }

private:
    int& FDestroyed;
};

TOnEvent Log(std::vector<std::string>& log, std::string name)
{
    return [&log, name](TSingleEventListener*) { log.push_back(name); };
}

} // namespace

TEST(Event, CallsListenersInRegistrationOrderWithTheTriggerValues)
{
    TObject owner, info;
    TEvent ev(&owner);
    std::vector<std::string> log;
    TSingleEventListener a(&ev, Log(log, "A")), b(&ev, Log(log, "B")), c(&ev, Log(log, "C"));
    ev.AddListener(&b); // already registered: stays once
    ev.TriggerEvent(&info);
    EXPECT_EQ(log, (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(b.Sender, &owner);
    EXPECT_EQ(b.SourceEvent, &ev);
    EXPECT_EQ(b.Info, &info);

    ev.RemoveListener(&b);
    EXPECT_EQ(b.Event, nullptr);
    log.clear();
    ev.TriggerEvent();
    EXPECT_EQ(log, (std::vector<std::string>{"A", "C"}));

    // Removing a listener that is not registered clears its Event and nothing else.
    TEvent other;
    TSingleEventListener stray(&other, nullptr);
    ev.RemoveListener(&stray);
    EXPECT_EQ(stray.Event, nullptr);
    EXPECT_EQ(ev.ListenerCount(), 2);
    EXPECT_EQ(other.ListenerCount(), 1); // the listener's own event still lists it
    other.RemoveListener(&stray);
}

TEST(Event, ListenerWithoutHandlerOnlyRecords)
{
    TObject owner;
    TEvent ev(&owner);
    TSingleEventListener quiet(&ev, nullptr);
    ev.TriggerEvent();
    EXPECT_EQ(quiet.Sender, &owner);
    EXPECT_EQ(quiet.SourceEvent, &ev);
}

TEST(Event, DestructionFreesExactlyTheOwnedListeners)
{
    int destroyed = 0;
    auto* kept = new TCountedListener(nullptr, nullptr, false, destroyed);
    {
        TEvent ev;
        ev.AddListener(kept);
        new TCountedListener(&ev, nullptr, true, destroyed);
        new TCountedListener(&ev, nullptr, true, destroyed);
    }
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(kept->Event, nullptr);
    delete kept; // must not touch the dead event
    EXPECT_EQ(destroyed, 3);
}

TEST(Event, HandlerRemovingOrFreeingOtherListenersDuringTrigger)
{
    TEvent ev;
    std::vector<std::string> log;
    int destroyed = 0;
    auto* c = new TCountedListener(&ev, Log(log, "C"), false, destroyed);
    TSingleEventListener d(&ev, Log(log, "D"));
    // A (first) frees C and removes D; neither may be called afterwards.
    TSingleEventListener a(&ev, [&](TSingleEventListener*) {
        log.push_back("A");
        delete c;
        c = nullptr;
        ev.RemoveListener(&d);
    });
    // Re-order so A runs first.
    ev.RemoveListener(c);
    ev.RemoveListener(&d);
    ev.AddListener(c);
    ev.AddListener(&d);
    TSingleEventListener late(nullptr, Log(log, "late"));
    TSingleEventListener e(&ev, [&](TSingleEventListener*) {
        log.push_back("E");
        ev.AddListener(&late); // waits for the next trigger
    });
    ev.TriggerEvent();
    EXPECT_EQ(log, (std::vector<std::string>{"A", "E"}));
    EXPECT_EQ(destroyed, 1);
    log.clear();
    ev.TriggerEvent();
    EXPECT_EQ(log, (std::vector<std::string>{"A", "E", "late"}));
}

TEST(Event, HandlerFreeingItselfOrTheEvent)
{
    std::vector<std::string> log;
    auto* ev = new TEvent;
    TSingleEventListener* self = nullptr;
    self = new TSingleEventListener(ev, [&](TSingleEventListener* l) {
        log.push_back("self");
        EXPECT_EQ(l, self);
        delete l;
    });
    TSingleEventListener killer(ev, [&](TSingleEventListener*) {
        log.push_back("killer");
        delete ev;
        ev = nullptr;
    });
    TSingleEventListener after(ev, Log(log, "after"));
    ev->TriggerEvent();
    EXPECT_EQ(log, (std::vector<std::string>{"self", "killer"}));
    EXPECT_EQ(ev, nullptr);
    EXPECT_EQ(after.Event, nullptr);
    EXPECT_EQ(killer.Event, nullptr);
}

namespace
{

class TProbe : public TqvExposable
{
public:
    explicit TProbe(std::vector<std::string>& log) : FLog(log) {}
    void CleanForFree() override { FLog.push_back("clean"); }

protected:
    ~TProbe() override { FLog.push_back("freed"); }

private:
    std::vector<std::string>& FLog;
};

class TKeeper : public TProbe
{
public:
    using TProbe::TProbe;
    bool CanDelete() const override { return Deletable; }
    bool Deletable = false;
};

} // namespace

TEST(Exposable, FreeWheneverPossibleCleansThenFrees)
{
    std::vector<std::string> log;
    (new TProbe(log))->FreeWheneverPossible();
    EXPECT_EQ(log, (std::vector<std::string>{"clean", "freed"}));

    log.clear();
    auto* keeper = new TKeeper(log);
    keeper->FreeWheneverPossible(); // CanDelete false: cleaned, not freed
    EXPECT_EQ(log, (std::vector<std::string>{"clean"}));
    EXPECT_EQ(keeper->GetObjectFromInterface(), keeper);
    keeper->Deletable = true;
    TqvExposable::FreeCall(keeper);
    EXPECT_EQ(log, (std::vector<std::string>{"clean", "freed"}));

    TObject plain;
    EXPECT_THROW(TqvExposable::FreeCall(&plain), EInvalidCast);
    TqvExposable::FreeCall(nullptr);
}

// A cleaning that fails may have left holders that were never told: the
// object stays alive, and freeing it again retries the cleaning.
TEST(Exposable, ObjectWhoseCleaningFailsIsNotFreed)
{
    class TFailing : public TProbe
    {
    public:
        using TProbe::TProbe;
        int Failures = 1;
        void CleanForFree() override
        {
            TProbe::CleanForFree();
            if (Failures-- > 0) throw Exception(QStringLiteral("holder refused"));
        }
    };
    std::vector<std::string> log;
    auto* object = new TFailing(log);
    EXPECT_THROW(object->FreeWheneverPossible(), Exception);
    EXPECT_EQ(log, (std::vector<std::string>{"clean"}));
    EXPECT_FALSE(object->IsFreePending());
    object->FreeWheneverPossible();
    EXPECT_EQ(log, (std::vector<std::string>{"clean", "clean", "freed"}));
}

TEST(Exposable, FreeingABusyObjectWaitsForTheOperationToEnd)
{
    std::vector<std::string> log;
    auto* probe = new TProbe(log);
    {
        TqvExposable::TKeepAlive keep(probe);
        probe->FreeWheneverPossible();
        EXPECT_TRUE(probe->IsFreePending());
        EXPECT_EQ(log, (std::vector<std::string>{"clean"}));
    }
    EXPECT_EQ(log, (std::vector<std::string>{"clean", "freed"}));
}

TEST(BeginUpdate, OpensLazilyAndBalances)
{
    int begins = 0, ends = 0;
    {
        TqvBeginUpdate never([&] { ++begins; }, [&] { ++ends; });
    }
    EXPECT_EQ(begins, 0);
    EXPECT_EQ(ends, 0);
    {
        TqvBeginUpdate u([&] { ++begins; }, [&] { ++ends; });
        u.Mark();
        u.Mark();
        u.Mark();
        EXPECT_TRUE(u.Marked);
        EXPECT_EQ(ends, 0);
    }
    EXPECT_EQ(begins, 1);
    EXPECT_EQ(ends, 1);
    // The bracket also closes when an exception passes.
    try {
        TqvBeginUpdate u([&] { ++begins; }, [&] { ++ends; });
        u.Mark();
        throw Exception("boom");
    } catch (const Exception&) {
    }
    EXPECT_EQ(begins, 2);
    EXPECT_EQ(ends, 2);
    // A begin that failed is not closed.
    try {
        TqvBeginUpdate u([&] { throw Exception("no"); }, [&] { ++ends; });
        u.Mark();
    } catch (const Exception&) {
    }
    EXPECT_EQ(ends, 2);
}
