#include "skedra/platform/Menus.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QMetaObject>
#include <QPixmap>

#include <algorithm>
#include <atomic>
#include <unordered_map>

#include "skedra/platform/Controls.h"
#include "skedra/platform/Exceptions.h"
#include "skedra/platform/ImageList.h"
#include "skedra/platform/Messages.h"

namespace skedra
{

namespace
{

std::atomic<std::uint64_t> gNextSerial{1};

// Live items by serial number (user-interface thread only).
std::unordered_map<std::uint64_t, TMenuItem*>& LiveItems()
{
    static std::unordered_map<std::uint64_t, TMenuItem*> items;
    return items;
}

TPopupHandler& PopupHandler()
{
    static TPopupHandler handler;
    return handler;
}

} // namespace

TMenuItem::TMenuItem() : FSerial(gNextSerial++)
{
    LiveItems()[FSerial] = this;
}

TMenuItem::~TMenuItem()
{
    LiveItems().erase(FSerial);
    Clear();
    if (FParent != nullptr) FParent->Remove(this);
}

TMenuItem* TMenuItem::FindBySerial(std::uint64_t aSerial)
{
    auto it = LiveItems().find(aSerial);
    return it == LiveItems().end() ? nullptr : it->second;
}

void TMenuItem::SetDefault(bool aValue)
{
    if (aValue && FParent != nullptr)
        for (TMenuItem* sibling : FParent->FItems)
            sibling->FDefault = false;
    FDefault = aValue;
}

void TMenuItem::Add(TMenuItem* anItem)
{
    Insert(Count(), anItem);
}

TMenuItem* TMenuItem::Add(const QString& aCaption, TNotifyEvent aOnClick)
{
    auto* item = new TMenuItem();
    item->SetCaption(aCaption);
    item->OnClick = std::move(aOnClick);
    Add(item);
    return item;
}

void TMenuItem::Insert(int anIndex, TMenuItem* anItem)
{
    if (anItem == nullptr) return;
    if (anItem->FParent != nullptr) throw EInvalidOperation(QStringLiteral("Menu inserted twice"));
    if (anIndex < 0 || anIndex > Count()) throw EListError::IndexOutOfBounds(anIndex);
    FItems.insert(FItems.begin() + anIndex, anItem);
    anItem->FParent = this;
    if (anItem->FDefault) anItem->SetDefault(true);
}

void TMenuItem::Delete(int anIndex)
{
    if (anIndex < 0 || anIndex >= Count()) throw EListError::IndexOutOfBounds(anIndex);
    FItems[static_cast<std::size_t>(anIndex)]->FParent = nullptr;
    FItems.erase(FItems.begin() + anIndex);
}

void TMenuItem::Remove(TMenuItem* anItem)
{
    const int i = IndexOf(anItem);
    if (i >= 0) Delete(i);
}

void TMenuItem::Clear()
{
    while (!FItems.empty())
        delete FItems.back(); // each removes itself
}

TMenuItem* TMenuItem::Items(int anIndex) const
{
    if (anIndex < 0 || anIndex >= Count()) throw EListError::IndexOutOfBounds(anIndex);
    return FItems[static_cast<std::size_t>(anIndex)];
}

int TMenuItem::IndexOf(const TMenuItem* anItem) const
{
    auto it = std::find(FItems.begin(), FItems.end(), anItem);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

TPopupMenu* TMenuItem::GetPopupMenu() const
{
    const TMenuItem* root = this;
    while (root->FParent != nullptr)
        root = root->FParent;
    return root->FOwnerMenu;
}

void TMenuItem::Click()
{
    if (FEnabled) OnClick(this);
}

TPopupMenu::TPopupMenu(QObject* anOwner) : QObject(anOwner), FItems(std::make_unique<TMenuItem>())
{
    FItems->FOwnerMenu = this;
}

TPopupMenu::~TPopupMenu() = default;

TControl* TPopupMenu::GetPopupComponent() const
{
    return dynamic_cast<TControl*>(FPopupComponent.data());
}

void TPopupMenu::SetPopupComponent(TControl* aControl)
{
    FPopupComponent = aControl;
}

void TPopupMenu::SetImageProvider(std::function<QIcon(int)> aProvider)
{
    FImageProvider = std::move(aProvider);
}

TPopupHandler TPopupMenu::SetPopupHandler(TPopupHandler aHandler)
{
    TPopupHandler previous = std::move(PopupHandler());
    PopupHandler() = std::move(aHandler);
    return previous;
}

TMenuItem* TPopupMenu::ItemOfAction(const QAction* anAction)
{
    if (anAction == nullptr) return nullptr;
    bool ok = false;
    const std::uint64_t serial = anAction->data().toULongLong(&ok);
    return ok ? TMenuItem::FindBySerial(serial) : nullptr;
}

void TPopupMenu::Build(QMenu* aMenu, TMenuItem* aParent)
{
    for (TMenuItem* item : aParent->FItems) {
        if (!item->FVisible) continue;
        if (item->FBreak != mbNone && !aMenu->actions().isEmpty()) aMenu->addSeparator();
        if (item->IsLine()) {
            aMenu->addSeparator();
            continue;
        }
        QAction* action = nullptr;
        if (item->Count() > 0) {
            QMenu* sub = aMenu->addMenu(item->FCaption);
            Build(sub, item);
            action = sub->menuAction();
            const std::uint64_t serial = item->FSerial;
            connect(sub, &QMenu::aboutToShow, sub, [this, sub, serial] { OpenSubmenu(sub, serial); });
        } else {
            action = aMenu->addAction(item->FCaption);
            action->setData(QVariant::fromValue<qulonglong>(item->FSerial));
            if (item->FChecked) {
                action->setCheckable(true);
                action->setChecked(true);
            }
        }
        action->setEnabled(item->FEnabled);
        if (!item->FHint.isEmpty()) action->setStatusTip(item->FHint);
        if (item->FImageIndex >= 0) {
            if (FImageProvider)
                action->setIcon(FImageProvider(item->FImageIndex));
            else if (FImages != nullptr && item->FImageIndex < FImages->Count())
                action->setIcon(QIcon(QPixmap::fromImage(FImages->GetImage(item->FImageIndex))));
        }
        if (item->FDefault) {
            QFont f = action->font();
            f.setBold(true);
            action->setFont(f);
            aMenu->setDefaultAction(action);
        }
    }
}

void TPopupMenu::OpenSubmenu(QMenu* aMenu, std::uint64_t aSerial)
{
    TMenuItem* item = TMenuItem::FindBySerial(aSerial);
    if (item == nullptr || !item->OnClick.Assigned()) return;
    GuardedCall([item] { item->Click(); });
    // The handler may have changed the sub-items (or freed the item): show what it holds now.
    item = TMenuItem::FindBySerial(aSerial);
    for (QMenu* child : aMenu->findChildren<QMenu*>(Qt::FindDirectChildrenOnly))
        delete child;
    aMenu->clear();
    if (item != nullptr) Build(aMenu, item);
}

void TPopupMenu::Popup(int X, int Y)
{
    DoPopup();
    FMenu = std::make_unique<QMenu>();
    Build(FMenu.get(), FItems.get());
    const QPoint at(X, Y);
    QAction* chosen = nullptr;
    if (PopupHandler())
        chosen = PopupHandler()(*FMenu, at);
    else
        chosen = FMenu->exec(at);
    TMenuItem* item = ItemOfAction(chosen);
    if (item == nullptr) return;
    // The click arrives as a posted message, after the menu has closed.
    const std::uint64_t serial = item->Serial();
    QMetaObject::invokeMethod(
        this,
        [serial] {
            GuardedCall([serial] {
                if (TMenuItem* live = TMenuItem::FindBySerial(serial)) live->Click();
            });
        },
        Qt::QueuedConnection);
}

} // namespace skedra
