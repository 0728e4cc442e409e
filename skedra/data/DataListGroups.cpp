#include "skedra/data/DataListGroups.h"

#include <algorithm>

#include "skedra/platform/Exceptions.h"

namespace skedra
{

// ================================================================ TqvDataList2lev

void TqvDataList2lev::AfterCreate()
{
    Clear();
}

int TqvDataList2lev::Add(TqvDataList* aList)
{
    if (aList == nullptr) return -1;
    if (Contains(aList)) return IndexOf(aList);
    FLists.push_back(aList);
    Note(aList);
    return Count() - 1;
}

bool TqvDataList2lev::Contains(const TqvDataList* aList) const
{
    if (FIndexed) return FMembers.count(aList) != 0;
    return std::find(FLists.begin(), FLists.end(), aList) != FLists.end();
}

void TqvDataList2lev::Note(const TqvDataList* aList)
{
    if (FIndexed) {
        ++FMembers[aList];
    } else if (FLists.size() > IndexFrom) {
        for (const TqvDataList* list : FLists)
            if (list != nullptr) ++FMembers[list];
        FIndexed = true;
    }
}

void TqvDataList2lev::Forget(TqvDataList* aList)
{
    if (!FIndexed) return;
    const auto it = FMembers.find(aList);
    if (it != FMembers.end() && --it->second == 0) FMembers.erase(it);
}

void TqvDataList2lev::Delete(int i)
{
    if (i < 0 || i >= Count()) throw EListError::IndexOutOfBounds(i);
    Forget(FLists[static_cast<size_t>(i)]);
    FLists.erase(FLists.begin() + i);
}

int TqvDataList2lev::Remove(TqvDataList* aList)
{
    const int i = IndexOf(aList);
    if (i >= 0) {
        Forget(aList);
        FLists.erase(FLists.begin() + i);
    }
    return i;
}

int TqvDataList2lev::IndexOf(const TqvDataList* aList) const
{
    const auto it = std::find(FLists.begin(), FLists.end(), aList);
    return it == FLists.end() ? -1 : static_cast<int>(it - FLists.begin());
}

void TqvDataList2lev::SetDataList(int i, TqvDataList* aList)
{
    if (i < 0 || i >= Count()) throw EListError::IndexOutOfBounds(i);
    Forget(FLists[static_cast<size_t>(i)]);
    FLists[static_cast<size_t>(i)] = aList;
    if (aList != nullptr) Note(aList);
}

TqvDataList* TqvDataList2lev::GetDataList(int i)
{
    if (i < 0 || (i >= Count() && !OnMissingIndex)) throw EListError::IndexOutOfBounds(i);
    // A handler that says it fixed the index but added nothing gets one more
    // chance, then the answer is none.
    for (int attempt = 0; attempt < 2 && i >= Count(); ++attempt) {
        bool fixable = false;
        OnMissingIndex(this, i, fixable);
        if (!fixable) return nullptr;
    }
    return i < Count() ? FLists[static_cast<size_t>(i)] : nullptr;
}

void TqvDataList2lev::ClearSelections()
{
    TKeepAlive keep(this);
    for (int k = 0; k < Count(); ++k) {
        TqvDataList* list = FLists[static_cast<size_t>(k)];
        if (list == nullptr) continue;
        TKeepAlive keepList(list);
        for (int i = 0; i < list->Count(); ++i)
            if (TqvDataEntity* e = list->GetItems(i)) e->SetSelected(false);
    }
}

TqvDataEntity* TqvDataList2lev::FindSelected()
{
    for (int k = 0; k < Count(); ++k) {
        TqvDataList* list = FLists[static_cast<size_t>(k)];
        if (list == nullptr) continue;
        for (int i = 0; i < list->Count(); ++i) {
            TqvDataEntity* e = list->GetItems(i);
            if (e && e->GetSelected()) return e;
        }
    }
    return nullptr;
}

void TqvDataList2lev::SelectDataEntity(TqvDataEntity* aEntity)
{
    if (aEntity) aEntity->SetSelected(true);
}

void TqvDataList2lev::SelectNext()
{
    Step(true);
}

void TqvDataList2lev::SelectPrev()
{
    Step(false);
}

void TqvDataList2lev::Step(bool aForward)
{
    TKeepAlive keep(this);
    TDataListTrav trav(this);
    trav.First();
    bool found = false;
    while (!trav.Eof()) {
        TqvDataEntity* e = trav.DataEntity();
        if (e && e->GetSelected()) {
            found = true;
            break;
        }
        trav.Next();
    }
    if (found) {
        const int listPos = trav.GetListPos();
        const int obIndex = trav.GetObIndex();
        ClearSelections();
        trav.SetPosition(listPos, obIndex);
        if (aForward) {
            trav.Next();
            if (trav.Eof()) trav.First();
        } else {
            trav.Prev();
            if (trav.BOF()) trav.Last();
        }
    } else if (aForward) {
        trav.First();
    } else {
        trav.Last();
    }
    if (!trav.Eof() && !trav.BOF())
        if (TqvDataEntity* e = trav.DataEntity()) e->SetSelected(true);
}

// ================================================================ TqvDataList3lev

void TqvDataList3lev::AfterCreate()
{
    Clear();
}

int TqvDataList3lev::Add(TqvDataList2lev* a2lev)
{
    if (a2lev == nullptr) return -1;
    if (FMembers.count(a2lev) != 0) return IndexOf(a2lev);
    FLists.push_back(a2lev);
    ++FMembers[a2lev];
    return Count() - 1;
}

void TqvDataList3lev::Forget(const TqvDataList2lev* a2lev)
{
    const auto it = FMembers.find(a2lev);
    if (it != FMembers.end() && --it->second == 0) FMembers.erase(it);
}

void TqvDataList3lev::Delete(int i)
{
    if (i < 0 || i >= Count()) throw EListError::IndexOutOfBounds(i);
    Forget(FLists[static_cast<size_t>(i)]);
    FLists.erase(FLists.begin() + i);
}

int TqvDataList3lev::IndexOf(const TqvDataList2lev* a2lev) const
{
    const auto member = FMembers.find(a2lev);
    if (member == FMembers.end()) return -1;
    if (member->second > 1) { // set twice: the first one
        const auto it = std::find(FLists.begin(), FLists.end(), a2lev);
        return it == FLists.end() ? -1 : static_cast<int>(it - FLists.begin());
    }
    // Outward from where the last search ended: groups go one after the other
    // from the same place (a block of rows unloaded from its front or back),
    // so a run of removals costs no scan each.
    const int n = Count();
    const int hint = std::clamp(FHint, 0, n - 1);
    for (int d = 0; d < n; ++d) {
        for (const int i : {hint - d, hint + d + 1}) {
            if (i >= 0 && i < n && FLists[static_cast<size_t>(i)] == a2lev) {
                FHint = i;
                return i;
            }
        }
        if (hint - d < 0 && hint + d + 1 >= n) break;
    }
    return -1;
}

int TqvDataList3lev::Remove(TqvDataList2lev* a2lev)
{
    const int i = IndexOf(a2lev);
    if (i >= 0) Delete(i);
    return i;
}

TqvDataList2lev* TqvDataList3lev::GetDataListList(int i) const
{
    if (i < 0 || i >= Count()) throw EListError::IndexOutOfBounds(i);
    return FLists[static_cast<size_t>(i)];
}

void TqvDataList3lev::SetDataListList(int i, TqvDataList2lev* a2lev)
{
    if (i < 0 || i >= Count()) throw EListError::IndexOutOfBounds(i);
    Forget(FLists[static_cast<size_t>(i)]);
    FLists[static_cast<size_t>(i)] = a2lev;
    if (a2lev != nullptr) ++FMembers[a2lev];
}

// ================================================================ TDataListTrav

TDataListTrav::TDataListTrav(TqvDataList* aList) : Mode(trmSingle), FList(aList) {}

TDataListTrav::TDataListTrav(TqvDataList2lev* a2lev, int aStartIndex)
    : Mode(trmMulti), StartIndex(aStartIndex), F2lev(a2lev)
{
}

TDataListTrav::TDataListTrav(TqvDataList2lev* a2lev, std::initializer_list<int> aIndexes)
    : TDataListTrav(a2lev, std::vector<int>(aIndexes))
{
}

TDataListTrav::TDataListTrav(TqvDataList2lev* a2lev, const std::vector<int>& aIndexes)
    : Mode(trmMulti), F2lev(a2lev)
{
    const int n = static_cast<int>(aIndexes.size());
    if (n > MaxIndexes)
        throw Exception(
            QStringLiteral("A list walk takes at most %1 list indexes, not %2").arg(MaxIndexes).arg(n));
    IndexCount = std::min(n, a2lev ? a2lev->Count() : 0);
    std::copy_n(aIndexes.begin(), IndexCount, Indexes.begin());
    UseIndexes = true;
}

TDataListTrav::TDataListTrav(TqvDataList3lev* a3lev) : Mode(trmMultiList), F3lev(a3lev) {}

void TDataListTrav::AddIfNotEmpty(TqvDataList* aList)
{
    if (aList && aList->Count() > 0) Lists.push_back(aList);
}

void TDataListTrav::InitTravList()
{
    Lists.clear();
    switch (Mode) {
    case trmSingle:
        AddIfNotEmpty(FList);
        break;
    case trmMultiList:
        if (F3lev == nullptr) break;
        for (int k = 0; k < F3lev->Count(); ++k) {
            TqvDataList2lev* group = F3lev->GetDataListList(k);
            if (group == nullptr) continue;
            for (int i = 0; i < group->Count(); ++i)
                AddIfNotEmpty(group->GetDataList(i));
        }
        break;
    case trmMulti: {
        if (F2lev == nullptr) break;
        if (UseIndexes) {
            for (int k = 0; k < IndexCount; ++k) {
                const int index = Indexes[static_cast<size_t>(k)];
                if (index < 0) continue;
                if (index >= F2lev->Count() && !F2lev->OnMissingIndex) continue;
                AddIfNotEmpty(F2lev->GetDataList(index));
            }
        } else {
            const int n = F2lev->Count();
            if (n == 0) break;
            const int start = ((StartIndex % n) + n) % n;
            for (int k = 0; k < n; ++k)
                AddIfNotEmpty(F2lev->GetDataList((start + k) % n));
        }
        break;
    }
    }
}

void TDataListTrav::First()
{
    InitTravList();
    ListPos = 0;
    ObIndex = 0;
}

void TDataListTrav::Last()
{
    InitTravList();
    ListPos = ListCount() - 1;
    ObIndex = ListPos >= 0 ? Lists[static_cast<size_t>(ListPos)]->Count() - 1 : -1;
}

void TDataListTrav::Next()
{
    if (ListPos < 0 || ListPos >= ListCount()) return;
    ++ObIndex;
    if (ObIndex >= GetObsCountInList(ListPos)) {
        ++ListPos;
        if (ListPos < ListCount()) ObIndex = 0;
    }
}

void TDataListTrav::Prev()
{
    if (ListPos < 0 || ListPos >= ListCount()) return;
    --ObIndex;
    if (ObIndex < 0) {
        --ListPos;
        if (ListPos >= 0) ObIndex = GetObsCountInList(ListPos) - 1;
    }
}

bool TDataListTrav::Eof() const
{
    return ListPos < 0 || ListPos >= ListCount() || ObIndex >= GetObsCountInList(ListPos);
}

bool TDataListTrav::BOF() const
{
    return ListPos < 0 || ObIndex < 0;
}

TqvDataEntity* TDataListTrav::DataEntity() const
{
    if (Eof() || BOF()) return nullptr;
    return Lists[static_cast<size_t>(ListPos)]->GetItems(ObIndex);
}

int TDataListTrav::GetObsCountInList(int k) const
{
    if (k < 0 || k >= ListCount()) return 0;
    return Lists[static_cast<size_t>(k)]->Count();
}

TqvDataList* TDataListTrav::GetList(int k) const
{
    if (k < 0 || k >= ListCount()) throw EListError::IndexOutOfBounds(k);
    return Lists[static_cast<size_t>(k)];
}

} // namespace skedra
