#pragma once
// Shared by the data tests: an entity class with an identity, a controller
// that records every notification, list factories and an invariant check.

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "skedra/data/DataList.h"
#include "skedra/data/DataListGroups.h"
#include "skedra/platform/Exceptions.h"

namespace skedra::test
{

// Each entity gets a serial number at creation; Key is what the test stores.
class TTestEntity : public TqvDataEntity
{
public:
    void AfterCreate(TqvDataList* theList) override
    {
        Id = ++NextId(); // before the inherited call, which already notifies
        TqvDataEntity::AfterCreate(theList);
        if (SelectOnCreate()) FSelected = true;
    }
    static int& NextId()
    {
        static int id = 0;
        return id;
    }
    static bool& SelectOnCreate()
    {
        static bool on = false;
        return on;
    }
    int Id = 0;
    int Key = -1;
};

inline TTestEntity* T(TqvDataEntity* e)
{
    return static_cast<TTestEntity*>(e);
}

// Records notifications as short texts; entities by Id, lists by name.
class TRecorder : public TObject
{
public:
    TRecorder()
    {
        auto id = [](TqvDataEntity* e) { return e ? std::to_string(T(e)->Id) : std::string("none"); };
        C.OnDeleteItem = [this, id](TqvDataEntity* e) { Add("delete " + id(e)); };
        C.OnInsertItem = [this, id](TqvDataEntity* e) { Add("insert " + id(e)); };
        C.OnEnterOwnerAfterChange = [this, id](TqvDataEntity* e) { Add("enter " + id(e)); };
        C.OnLeaveOwnerBeforeChange = [this, id](TqvDataEntity* e) { Add("leave " + id(e)); };
        C.OnHandlePerformedMove = [this, id](TqvDataEntity* e, int o, int n) {
            Add("move " + id(e) + " " + std::to_string(o) + "->" + std::to_string(n));
        };
        C.OnSelectionChanged = [this, id](TqvDataList* l, TqvDataEntity* e) {
            Add("select " + Name(l) + " " + id(e) + (e && e->GetSelected() ? " on" : " off"));
        };
        C.OnContentChanged = [this](TqvDataList* l) { Add("content " + Name(l)); };
        C.OnVisibleChanged = [this, id](TqvDataEntity* e) { Add("visible " + id(e)); };
        C.OnBeforeCanEditItem = [this, id](TqvDataEntity* e) { Add("canedit " + id(e)); };
        C.OnInfoPush = [this, id](TqvDataEntity* e) { Add("infopush " + id(e)); };
        C.OnLoadItem = [this](TqvDataEntity* e) {
            const int i = e->ListIndex();
            Add("load " + std::to_string(i));
            T(e)->Key = i;
            if (AfterLoad) AfterLoad(e);
        };
        C.OnUnLoadedContentChanged = [this](TqvDataList* l) { Add("unloadedcontent " + Name(l)); };
    }
    void Add(std::string s)
    {
        if (Recording) Log.push_back(std::move(s));
    }
    std::string Name(TqvDataList* l) const
    {
        const auto it = Names.find(l);
        return it == Names.end() ? std::string("?") : it->second;
    }
    // Lets every entity go when unloading is asked.
    void AllowUnload(std::function<bool(TqvDataEntity*)> allow)
    {
        C.OnUnloadItem = [allow](TqvDataEntity* e, bool& can) { can = allow(e); };
    }
    std::vector<std::string> Take()
    {
        std::vector<std::string> r;
        r.swap(Log);
        return r;
    }

    TqvListController C;
    std::vector<std::string> Log;
    std::map<const TqvDataList*, std::string> Names;
    bool Recording = true;
    std::function<void(TqvDataEntity*)> AfterLoad;
};

inline TqvOwned<TqvDataList> MakeList(TRecorder& r, const std::string& name = "L")
{
    auto* l = new TqvDataList();
    l->AfterCreate(&r.C, ClassOf<TTestEntity>());
    r.Names[l] = name;
    return TqvOwned<TqvDataList>(l);
}

inline TqvOwned<TqvDataList> MakeQuietList(TqvListController* c = nullptr)
{
    auto* l = new TqvDataList();
    l->AfterCreate(c, ClassOf<TTestEntity>());
    return TqvOwned<TqvDataList>(l);
}

// Counts, window placement and every cached index.
inline ::testing::AssertionResult Consistent(TqvDataList& l)
{
    try {
        l.CheckInvariants();
    } catch (const Exception& e) {
        return ::testing::AssertionFailure() << e.Message().toStdString();
    }
    const int loaded = l.LoadedCount();
    if (l.Count() != loaded + l.GetUnloadedBefore() + l.GetUnloadedBetween() + l.GetUnloadedAfter())
        return ::testing::AssertionFailure() << "Count differs from its parts";
    if (l.GetUnloadedBefore() < 0 || l.GetUnloadedAfter() < 0 || l.GetUnloadedBetween() < 0)
        return ::testing::AssertionFailure() << "negative unloaded count";
    if (loaded == 0 && l.GetUnloadedBefore() != 0)
        return ::testing::AssertionFailure() << "empty window with " << l.GetUnloadedBefore() << " before it";
    if ((l.GetTailCount() > 0) != (l.GetUnloadedBetween() > 0))
        return ::testing::AssertionFailure()
               << "a tail of " << l.GetTailCount() << " with " << l.GetUnloadedBetween() << " between";
    // Loaded positions run through the window, then the tail.
    for (int p = 0; p < loaded; ++p) {
        TqvDataEntity* e = l.GetLoaded(p);
        const int expected = p < l.WindowCount() ? p + l.GetUnloadedBefore()
                                                 : p + l.GetUnloadedBefore() + l.GetUnloadedBetween();
        if (e->GetDataList() != &l)
            return ::testing::AssertionFailure() << "entity " << p << " in another list";
        if (e->ListIndex() != expected || l.LoadedToListIndex(p) != expected ||
            l.ListToLoadedPos(expected) != p)
            return ::testing::AssertionFailure()
                   << "loaded position " << p << " has index " << e->ListIndex() << ", expected " << expected;
        if (l.LoadedItemAt(expected) != e || l.Items(expected) != e)
            return ::testing::AssertionFailure() << "Items disagrees with the loaded entities at " << p;
    }
    // The indexes right outside each run are unloaded.
    const int windowEnd = l.GetUnloadedBefore() + l.WindowCount();
    const int tailStart = windowEnd + l.GetUnloadedBetween();
    for (int i : {l.GetUnloadedBefore() - 1, windowEnd, tailStart - 1, tailStart + l.GetTailCount()})
        if (i >= 0 && i < l.Count() &&
            (i < l.GetUnloadedBefore() || i == windowEnd || l.GetTailCount() > 0) && l.IsLoaded(i) &&
            (i < l.GetUnloadedBefore() || (i >= windowEnd && i < tailStart) ||
             i >= tailStart + l.GetTailCount()))
            return ::testing::AssertionFailure() << "index " << i << " outside the runs is loaded";
    return ::testing::AssertionSuccess();
}

using Strings = std::vector<std::string>;

} // namespace skedra::test
