// The owning collection behind the grid's columns, sub-grid definitions and
// cell layouts.

#include "skedra/grid/GridCollection.h"

#include <algorithm>

namespace skedra
{

int TqvCollectionItem::GetIndex() const
{
    return FCollection ? FIndex : -1;
}

void TqvCollectionItem::SetIndex(int aIndex)
{
    if (FCollection) FCollection->Move(FIndex, aIndex);
}

QString TqvCollectionItem::GetDisplayName() const
{
    return ClassName();
}

TqvCollection::~TqvCollection()
{
    FTearingDown = true;
    while (!FItems.empty()) {
        std::unique_ptr<TqvCollectionItem> item = std::move(FItems.back());
        FItems.pop_back();
        item->FCollection = nullptr;
        item.reset();
    }
}

TqvCollectionItem* TqvCollection::GetItem(int aIndex) const
{
    if (aIndex < 0 || aIndex >= Count()) return nullptr;
    return FItems[static_cast<size_t>(aIndex)].get();
}

int TqvCollection::IndexOf(const TqvCollectionItem* anItem) const
{
    if (!anItem || anItem->FCollection != this) return -1;
    return anItem->FIndex;
}

TqvCollectionItem* TqvCollection::AddItem(std::unique_ptr<TqvCollectionItem> anItem)
{
    TqvCollectionItem* raw = anItem.get();
    raw->FCollection = this;
    raw->FIndex = Count();
    FItems.push_back(std::move(anItem));
    ItemAdded(raw);
    return raw;
}

void TqvCollection::Delete(int aIndex)
{
    TqvCollectionItem* item = GetItem(aIndex);
    if (!item) return;
    ItemRemoving(item);
    // The hook may have changed the collection: find the item again.
    const int at = IndexOf(item);
    if (at < 0) return;
    std::unique_ptr<TqvCollectionItem> owned = std::move(FItems[static_cast<size_t>(at)]);
    FItems.erase(FItems.begin() + at);
    Renumber(at);
    owned->FCollection = nullptr;
    owned->FIndex = -1;
}

void TqvCollection::Clear()
{
    while (Count() > 0)
        Delete(Count() - 1);
}

void TqvCollection::Move(int aFrom, int aTo)
{
    if (aFrom < 0 || aFrom >= Count()) return;
    aTo = std::clamp(aTo, 0, Count() - 1);
    if (aFrom == aTo) return;
    ItemMoving(FItems[static_cast<size_t>(aFrom)].get(), aFrom, aTo);
    if (aFrom < aTo)
        std::rotate(FItems.begin() + aFrom, FItems.begin() + aFrom + 1, FItems.begin() + aTo + 1);
    else
        std::rotate(FItems.begin() + aTo, FItems.begin() + aFrom, FItems.begin() + aFrom + 1);
    Renumber(std::min(aFrom, aTo));
    ItemMoved(FItems[static_cast<size_t>(aTo)].get(), aFrom, aTo);
}

void TqvCollection::Renumber(int aFrom)
{
    for (int i = std::max(aFrom, 0); i < Count(); ++i)
        FItems[static_cast<size_t>(i)]->FIndex = i;
}

} // namespace skedra
