#pragma once
// Popup menus over QMenu. A TPopupMenu holds a tree of TMenuItem; Popup(x, y)
// builds a fresh QMenu from it, shows it at a screen point and waits until it
// closes. Opening a submenu first clicks its item (when it has a click
// handler), which may fill the submenu lazily; the chosen item's click is then posted
// and runs when the application processes its pending messages (so a caller
// that wants the click before it goes on calls ProcessMessages).
//
// Nothing may block a test: tests install a popup handler that chooses an
// action (or none) instead of running the menu.

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "skedra/platform/Method.h"
#include "skedra/platform/Object.h"

class QAction;
class QIcon;
class QMenu;

namespace skedra
{

class TControl;
class TCustomImageList;
class TPopupMenu;

enum TMenuBreak { mbNone, mbBreak, mbBarBreak };

// The caption that makes an item a separator line.
inline const QString cLineCaption = QStringLiteral("-");

class TMenuItem : public TObject
{
public:
    TMenuItem();
    // Frees the sub-items and leaves the parent item.
    ~TMenuItem() override;

    QString GetCaption() const { return FCaption; }
    void SetCaption(const QString& aValue) { FCaption = aValue; }
    bool IsLine() const { return FCaption == cLineCaption; }
    QString GetName() const { return FName; }
    void SetName(const QString& aValue) { FName = aValue; }
    QString GetHint() const { return FHint; }
    void SetHint(const QString& aValue) { FHint = aValue; }
    bool GetEnabled() const { return FEnabled; }
    void SetEnabled(bool aValue) { FEnabled = aValue; }
    bool GetVisible() const { return FVisible; }
    void SetVisible(bool aValue) { FVisible = aValue; }
    bool GetChecked() const { return FChecked; }
    void SetChecked(bool aValue) { FChecked = aValue; }
    // The default item is shown bold; at most one per menu level.
    bool GetDefault() const { return FDefault; }
    void SetDefault(bool aValue);
    // Kept for the caller; QMenu has no columns, so a break shows as a separator.
    TMenuBreak GetBreak() const { return FBreak; }
    void SetBreak(TMenuBreak aValue) { FBreak = aValue; }
    int GetImageIndex() const { return FImageIndex; }
    void SetImageIndex(int aValue) { FImageIndex = aValue; }
    int GetTag() const { return FTag; }
    void SetTag(int aValue) { FTag = aValue; }

    TNotifyEvent OnClick;

    // Sub-items. Add and Insert take ownership; Delete and Remove give it
    // back to the caller; Clear frees them all.
    void Add(TMenuItem* anItem);
    // Convenience: a new item with a caption and a click handler.
    TMenuItem* Add(const QString& aCaption, TNotifyEvent aOnClick = {});
    void Insert(int anIndex, TMenuItem* anItem);
    void Delete(int anIndex);
    void Remove(TMenuItem* anItem);
    void Clear();
    int Count() const { return static_cast<int>(FItems.size()); }
    // Raises EListError for an index out of range.
    TMenuItem* Items(int anIndex) const;
    int IndexOf(const TMenuItem* anItem) const;
    TMenuItem* GetParent() const { return FParent; }
    int GetMenuIndex() const { return FParent ? FParent->IndexOf(this) : -1; }
    // The popup menu whose tree holds this item, if any.
    TPopupMenu* GetPopupMenu() const;

    // Raises OnClick (when enabled).
    virtual void Click();

    // A number that identifies the item while it lives (never reused).
    std::uint64_t Serial() const { return FSerial; }
    // The live item with that number, or null.
    static TMenuItem* FindBySerial(std::uint64_t aSerial);

private:
    friend class TPopupMenu;
    QString FCaption;
    QString FName;
    QString FHint;
    bool FEnabled = true;
    bool FVisible = true;
    bool FChecked = false;
    bool FDefault = false;
    TMenuBreak FBreak = mbNone;
    int FImageIndex = -1;
    int FTag = 0;
    TMenuItem* FParent = nullptr;
    TPopupMenu* FOwnerMenu = nullptr; // set on the root item only
    std::vector<TMenuItem*> FItems;
    std::uint64_t FSerial;
};

// Chooses an action of a built menu instead of running it (tests).
using TPopupHandler = std::function<QAction*(QMenu& aMenu, QPoint aScreenPoint)>;

class TPopupMenu : public QObject, public TObject
{
public:
    explicit TPopupMenu(QObject* anOwner = nullptr);
    ~TPopupMenu() override;

    // The root item; the menu's items are its sub-items.
    TMenuItem* GetItems() const { return FItems.get(); }
    TMenuItem* Items(int anIndex) const { return FItems->Items(anIndex); }

    bool GetAutoPopup() const { return FAutoPopup; }
    void SetAutoPopup(bool aValue) { FAutoPopup = aValue; }
    // The control whose context menu request showed the menu last.
    TControl* GetPopupComponent() const;
    void SetPopupComponent(TControl* aControl);
    // Supplies the icon of an image index (e.g. from an image list); items
    // with an index of -1 or without a provider show no icon.
    void SetImageProvider(std::function<QIcon(int anImageIndex)> aProvider);
    // The image list the items' image indexes refer to (not owned; null for none).
    TCustomImageList* GetImages() const { return FImages; }
    void SetImages(TCustomImageList* anImages) { FImages = anImages; }

    TNotifyEvent OnPopup;

    // Raises OnPopup, builds the menu and shows it at the screen point until it closes.
    virtual void Popup(int X, int Y);

    // The QMenu built by the last Popup (null before).
    QMenu* GetMenu() const { return FMenu.get(); }
    // The item an action of the built menu stands for (null for separators or stale actions).
    static TMenuItem* ItemOfAction(const QAction* anAction);

    static TPopupHandler SetPopupHandler(TPopupHandler aHandler);

protected:
    virtual void DoPopup() { OnPopup(this); }

private:
    void Build(QMenu* aMenu, TMenuItem* aParent);
    // The submenu of the item with that serial is about to show.
    void OpenSubmenu(QMenu* aMenu, std::uint64_t aSerial);

    std::unique_ptr<TMenuItem> FItems;
    std::unique_ptr<QMenu> FMenu;
    bool FAutoPopup = true;
    QPointer<QWidget> FPopupComponent;
    std::function<QIcon(int)> FImageProvider;
    TCustomImageList* FImages = nullptr;
};

} // namespace skedra
