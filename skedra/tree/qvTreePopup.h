#pragma once
// A popup menu built from a data-bound tree each time it pops up: one item per
// root entity, a submenu for every entity that may have children, filled only
// when the user opens it. Picking an item reports its entity.

#include <QMetaObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "skedra/foundation/EventHandling.h"
#include "skedra/platform/Menus.h"
#include "skedra/tree/qvTree.h"

namespace skedra
{

class TqvTreePopup;

// A menu item that stands for a tree entity.
class TqvMenuItem : public TMenuItem
{
public:
    explicit TqvMenuItem(TqvTreePopup* aPopup = nullptr);
    ~TqvMenuItem() override;

    // The entity the item stands for; none for a submenu item, and none once
    // the entity is deleted.
    TqvDataEntity_Tree* GetDataEntity() const { return DataEntity; }
    void SetDataEntity(TqvDataEntity_Tree* theEntity);

private:
    friend class TqvTreePopup;
    TqvDataEntity_Tree* DataEntity = nullptr;
    QPointer<TqvTreePopup> FPopup; // tracks DataEntity for the popup while both live
};

using TOnUserPickDataEntity = TMethod<void(TqvTreePopup* theSender, TqvDataEntity_Tree* theDataEntity)>;
using TOnCheckUserPickEnable = TMethod<bool(TqvTreePopup* theSender, TqvDataEntity_Tree* theDataEntity)>;

// A popup menu that mirrors a data-bound tree: rebuilt from it at every popup,
// submenus filled when opened, a pick reported through OnUserPickDataEntity.
class TqvTreePopup : public TPopupMenu
{
    Q_OBJECT
public:
    // A level gets a column break with a bar at its 30th, 60th ... item.
    static constexpr int kItemsPerColumn = 30;

    explicit TqvTreePopup(QObject* anOwner = nullptr);
    // Frees the items it made, in its own menu and under AddToMenuItem.
    ~TqvTreePopup() override;

    // The tree to mirror; forgotten when the tree is destroyed.
    TqvTree_ComBasic* GetTree() const { return Tree.data(); }
    void SetTree(TqvTree_ComBasic* theTree);
    // When set, the entities go under this item (of another menu) instead of
    // this popup's own items; forgotten when the item is destroyed.
    TMenuItem* GetMenuToAddTo() const;
    void SetMenuToAddTo(TMenuItem* theItem);
    void SetOnUserPickDataEntity(TOnUserPickDataEntity theValue)
    {
        OnUserPickDataEntity = std::move(theValue);
    }
    void SetOnCheckUserPickEnable(TOnCheckUserPickEnable theValue)
    {
        OnCheckUserPickEnable = std::move(theValue);
    }

    // An entity was picked.
    TOnUserPickDataEntity OnUserPickDataEntity;
    // Whether an entity's item is enabled (all are, when unassigned).
    TOnCheckUserPickEnable OnCheckUserPickEnable;

    // Rebuilds the entity items from the tree (runs before every popup).
    void InitRootLevel();
    // Adds the item for theEntity under theParentItem.
    void DoTreeToMenu(TqvDataEntity_Tree* theEntity, TMenuItem* theParentItem);
    // Frees every TqvMenuItem among theItem's direct sub-items, last to
    // first; other items stay. Nothing for none.
    void CleanUp(TMenuItem* theItem);

    // Click handlers: the first opening of a submenu, and a pick.
    void OnInitSubMenu(TObject* Sender);
    void OnPerformDataEntityAction(TObject* Sender);

    // Items standing for theEntity (tests and diagnostics).
    int ItemCountOf(const TqvDataEntity_Tree* theEntity) const;

protected:
    void DoPopup() override;

private:
    friend class TqvMenuItem;
    void Track(TqvMenuItem* anItem, TqvDataEntity_Tree* theEntity);
    void Untrack(TqvMenuItem* anItem);
    void _EntityDeleted(TSingleEventListener* theListener);
    void ForgetTree();
    // The new item for theEntity with its caption and image.
    TqvMenuItem* NewEntityItem(TqvDataEntity_Tree* theEntity, TMenuItem* theParentItem);
    void BindPick(TqvMenuItem* anItem, TqvDataEntity_Tree* theEntity);

    QPointer<TqvTree_ComBasic> Tree;
    std::uint64_t AddToMenuItem = 0; // serial of the item, 0 for none
    std::unique_ptr<TSingleEventListener> FTreeListener;
    QMetaObject::Connection FTreeDestroyed;
    // The items that stand for each entity, so a deleted entity is forgotten at once.
    std::unordered_map<const TqvDataEntity_Tree*, std::vector<TqvMenuItem*>> FItemsOfEntity;
};

// A TqvTreePopup placed on a form: a form designer places widgets only, so
// this widget owns the popup and names the tree of its window to mirror.
// When the form is polished the popup takes that tree and becomes the tree's
// context menu (unless the tree has one). Hidden outside design time.
class TqvTreePopupHolder : public QWidget
{
    Q_OBJECT
    // The object name of the tree in the same window to mirror (default none).
    Q_PROPERTY(QString Tree READ GetTreeName WRITE SetTreeName)
    // The menu pops up on a right click of the tree (default true).
    Q_PROPERTY(bool AutoPopup READ GetAutoPopup WRITE SetAutoPopup)
public:
    explicit TqvTreePopupHolder(QWidget* aParent = nullptr);
    // The tree it served as context menu forgets it.
    ~TqvTreePopupHolder() override;

    // The popup, with the named tree resolved when it is there.
    TqvTreePopup* GetPopupMenu();
    // The object name of a tree in the same window.
    QString GetTreeName() const { return FTreeName; }
    void SetTreeName(const QString& aName);
    bool GetAutoPopup() const { return FPopup->GetAutoPopup(); }
    void SetAutoPopup(bool aValue) { FPopup->SetAutoPopup(aValue); }
    // Shown in a form designer: visible, drawn as a labelled box.
    bool GetDesigning() const { return FDesigning; }
    void SetDesigning(bool aValue);

protected:
    bool event(QEvent* anEvent) override;
    void paintEvent(QPaintEvent* anEvent) override;

private:
    void ResolveTree();

    TqvTreePopup* FPopup; // owned as a child object
    QString FTreeName;
    bool FDesigning = false;
};

} // namespace skedra
