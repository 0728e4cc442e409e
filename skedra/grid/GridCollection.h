#pragma once
// An owning, ordered collection of items that know their collection: the base
// of the grid's design-time collections (columns, sub-grid definitions, cell
// layouts). Items are made by the concrete collection's Add and freed by
// Delete, Clear or the collection's destruction; the collection hears of each
// item that comes, goes or moves.

#include <QString>

#include <memory>
#include <vector>

#include "skedra/platform/Object.h"

namespace skedra
{

class TqvCollection;

class TqvCollectionItem : public TObject
{
public:
    explicit TqvCollectionItem(TqvCollection* aCollection) : FCollection(aCollection) {}

    TqvCollection* GetCollection() const { return FCollection; }
    // Position in the collection; -1 while the item is not in one.
    int GetIndex() const;
    // Moves the item to aIndex (clamped to the collection).
    virtual void SetIndex(int aIndex);
    // The name a designer shows for the item: the class name unless the item has a better one.
    virtual QString GetDisplayName() const;
    virtual QString ClassName() const { return QStringLiteral("TqvCollectionItem"); }

private:
    friend class TqvCollection;
    TqvCollection* FCollection;
    int FIndex = -1;
};

class TqvCollection : public TObject
{
public:
    TqvCollection() = default;
    // Frees the items from the last to the first; the ItemRemoving hook is
    // not called any more then (the owner is being taken down).
    ~TqvCollection() override;

    int Count() const { return static_cast<int>(FItems.size()); }
    // None outside 0 .. Count-1.
    TqvCollectionItem* GetItem(int aIndex) const;
    int IndexOf(const TqvCollectionItem* anItem) const;
    // Frees the item at aIndex (nothing outside the collection).
    void Delete(int aIndex);
    void Clear();
    // Moves an item from one position to another (clamped; nothing when equal).
    void Move(int aFrom, int aTo);

protected:
    // Takes a new item and appends it, then calls ItemAdded.
    TqvCollectionItem* AddItem(std::unique_ptr<TqvCollectionItem> anItem);
    virtual void ItemAdded(TqvCollectionItem* /*anItem*/) {}
    // Called while the item is still in the collection, before it is freed.
    virtual void ItemRemoving(TqvCollectionItem* /*anItem*/) {}
    // Called before an item moves.
    virtual void ItemMoving(TqvCollectionItem* /*anItem*/, int /*aFrom*/, int /*aTo*/) {}
    virtual void ItemMoved(TqvCollectionItem* /*anItem*/, int /*aFrom*/, int /*aTo*/) {}
    bool IsTearingDown() const { return FTearingDown; }

private:
    void Renumber(int aFrom);
    std::vector<std::unique_ptr<TqvCollectionItem>> FItems;
    bool FTearingDown = false;
};

} // namespace skedra
