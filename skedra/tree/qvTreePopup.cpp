#include "skedra/tree/qvTreePopup.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>

#include "skedra/tree/qvTree.h"

namespace skedra
{

// ===========================================================================
// TqvMenuItem

TqvMenuItem::TqvMenuItem(TqvTreePopup* aPopup) : FPopup(aPopup) {}

TqvMenuItem::~TqvMenuItem()
{
    if (FPopup) FPopup->Untrack(this);
}

void TqvMenuItem::SetDataEntity(TqvDataEntity_Tree* theEntity)
{
    if (FPopup) {
        FPopup->Untrack(this);
        FPopup->Track(this, theEntity);
    }
    DataEntity = theEntity;
}

// ===========================================================================
// TqvTreePopup

TqvTreePopup::TqvTreePopup(QObject* anOwner) : TPopupMenu(anOwner) {}

TqvTreePopup::~TqvTreePopup()
{
    ForgetTree();
    // Items under another menu's item would otherwise outlive their handlers' object.
    CleanUp(GetMenuToAddTo());
    CleanUp(GetItems());
}

void TqvTreePopup::SetTree(TqvTree_ComBasic* theTree)
{
    if (theTree == Tree) return;
    ForgetTree();
    Tree = theTree;
    if (theTree == nullptr) return;
    FTreeListener = std::make_unique<TSingleEventListener>(theTree->GetEntityDeleteEvent(),
                                                           MakeMethod<&TqvTreePopup::_EntityDeleted>(this));
    // The tree's entities go with it, whether or not each is reported.
    FTreeDestroyed = connect(theTree, &QObject::destroyed, this, [this] { ForgetTree(); });
}

void TqvTreePopup::ForgetTree()
{
    disconnect(FTreeDestroyed);
    FTreeListener.reset();
    Tree = nullptr;
    for (auto& [entity, items] : FItemsOfEntity)
        for (TqvMenuItem* item : items)
            item->DataEntity = nullptr;
    FItemsOfEntity.clear();
}

TMenuItem* TqvTreePopup::GetMenuToAddTo() const
{
    return AddToMenuItem != 0 ? TMenuItem::FindBySerial(AddToMenuItem) : nullptr;
}

void TqvTreePopup::SetMenuToAddTo(TMenuItem* theItem)
{
    AddToMenuItem = theItem ? theItem->Serial() : 0;
}

void TqvTreePopup::Track(TqvMenuItem* anItem, TqvDataEntity_Tree* theEntity)
{
    if (theEntity != nullptr) FItemsOfEntity[theEntity].push_back(anItem);
}

void TqvTreePopup::Untrack(TqvMenuItem* anItem)
{
    if (anItem->DataEntity == nullptr) return;
    auto it = FItemsOfEntity.find(anItem->DataEntity);
    if (it == FItemsOfEntity.end()) return;
    std::erase(it->second, anItem);
    if (it->second.empty()) FItemsOfEntity.erase(it);
}

void TqvTreePopup::_EntityDeleted(TSingleEventListener* theListener)
{
    auto it = FItemsOfEntity.find(static_cast<const TqvDataEntity_Tree*>(theListener->Info));
    if (it == FItemsOfEntity.end()) return;
    // The items stay (the menu may be open) but stand for nothing and pick nothing.
    for (TqvMenuItem* item : it->second) {
        item->DataEntity = nullptr;
        item->SetEnabled(false);
    }
    FItemsOfEntity.erase(it);
}

int TqvTreePopup::ItemCountOf(const TqvDataEntity_Tree* theEntity) const
{
    auto it = FItemsOfEntity.find(theEntity);
    return it == FItemsOfEntity.end() ? 0 : static_cast<int>(it->second.size());
}

void TqvTreePopup::DoPopup()
{
    InitRootLevel();
    TPopupMenu::DoPopup();
}

void TqvTreePopup::CleanUp(TMenuItem* theItem)
{
    if (theItem == nullptr) return;
    for (int i = theItem->Count() - 1; i >= 0; --i)
        if (auto* item = dynamic_cast<TqvMenuItem*>(theItem->Items(i))) delete item; // leaves its parent
}

void TqvTreePopup::InitRootLevel()
{
    TMenuItem* addTo = GetMenuToAddTo();
    CleanUp(addTo);
    CleanUp(GetItems());
    TMenuItem* target = addTo ? addTo : GetItems();
    if (!Tree) return;
    Tree->GetCurrentDataEntity(); // brings the display up to date
    SetImages(Tree->GetImages());
    TqvDataList_Tree* roots = Tree->GetRootDataList();
    for (int i = 0; i < roots->Count(); ++i)
        if (TqvDataEntity_Tree* entity = roots->GetTreeItem(i)) DoTreeToMenu(entity, target);
}

TqvMenuItem* TqvTreePopup::NewEntityItem(TqvDataEntity_Tree* theEntity, TMenuItem* theParentItem)
{
    auto* item = new TqvMenuItem(this);
    theParentItem->Add(item);
    // Entity texts are data: an ampersand is shown, never taken for a shortcut mark.
    item->SetCaption(QString(theEntity->GetText()).replace(QLatin1Char('&'), QStringLiteral("&&")));
    item->SetImageIndex(theEntity->GetImageIndex());
    return item;
}

void TqvTreePopup::BindPick(TqvMenuItem* anItem, TqvDataEntity_Tree* theEntity)
{
    anItem->SetDataEntity(theEntity);
    anItem->OnClick = MakeMethod<&TqvTreePopup::OnPerformDataEntityAction>(this);
    if (OnCheckUserPickEnable.Assigned()) anItem->SetEnabled(OnCheckUserPickEnable(this, theEntity));
}

void TqvTreePopup::DoTreeToMenu(TqvDataEntity_Tree* theEntity, TMenuItem* theParentItem)
{
    if (theEntity == nullptr || theParentItem == nullptr) return;
    TqvMenuItem* item = NewEntityItem(theEntity, theParentItem);
    if (Tree && Tree->NeedsDummyNode(theEntity)) {
        // A submenu whose only item is the entity itself until it is opened.
        BindPick(NewEntityItem(theEntity, item), theEntity);
        item->OnClick = MakeMethod<&TqvTreePopup::OnInitSubMenu>(this);
    } else {
        BindPick(item, theEntity);
    }
    if (theParentItem->Count() % kItemsPerColumn == 0) item->SetBreak(mbBarBreak);
}

void TqvTreePopup::OnInitSubMenu(TObject* Sender)
{
    auto* submenu = dynamic_cast<TMenuItem*>(Sender);
    if (submenu == nullptr) return;
    submenu->OnClick = {}; // filled once
    if (submenu->Count() != 1 || !Tree) return;
    auto* self = dynamic_cast<TqvMenuItem*>(submenu->Items(0));
    TqvDataEntity_Tree* entity = self ? self->DataEntity : nullptr;
    if (entity == nullptr) return;
    // Expanding lets the application fill the children; its handlers may free
    // anything, so the items are looked up again afterwards.
    const std::uint64_t submenuSerial = submenu->Serial();
    const std::uint64_t selfSerial = self->Serial();
    entity->SetExpanded(true);
    if (Tree) Tree->GetCurrentDataEntity();
    if (TMenuItem::FindBySerial(submenuSerial) != submenu || TMenuItem::FindBySerial(selfSerial) != self ||
        self->DataEntity != entity || submenu->Count() != 1 || !Tree)
        return;
    TqvDataList_Tree* children = entity->GetSubDataList();
    if (children == nullptr || children->Count() == 0) return; // the entity itself stays pickable
    TMenuItem* separator = submenu->Add(cLineCaption);
    for (int i = 0; i < children->Count(); ++i)
        if (TqvDataEntity_Tree* child = children->GetTreeItem(i)) DoTreeToMenu(child, submenu);
    self->SetVisible(false);
    separator->SetVisible(false);
}

void TqvTreePopup::OnPerformDataEntityAction(TObject* Sender)
{
    auto* item = dynamic_cast<TqvMenuItem*>(Sender);
    if (item != nullptr && item->DataEntity != nullptr) OnUserPickDataEntity(this, item->DataEntity);
}

// ===========================================================================
// TqvTreePopupHolder

TqvTreePopupHolder::TqvTreePopupHolder(QWidget* aParent) : QWidget(aParent), FPopup(new TqvTreePopup(this))
{
    resize(100, 24);
    setVisible(false); // stays hidden when its form is shown
}

TqvTreePopupHolder::~TqvTreePopupHolder()
{
    TqvTree_ComBasic* tree = FPopup->GetTree();
    if (tree != nullptr && tree->GetPopupMenu() == FPopup) tree->SetPopupMenu(nullptr);
}

TqvTreePopup* TqvTreePopupHolder::GetPopupMenu()
{
    ResolveTree();
    return FPopup;
}

void TqvTreePopupHolder::SetTreeName(const QString& aName)
{
    FTreeName = aName;
    FPopup->SetTree(nullptr);
    ResolveTree();
    update();
}

void TqvTreePopupHolder::SetDesigning(bool aValue)
{
    FDesigning = aValue;
    setVisible(aValue);
}

void TqvTreePopupHolder::ResolveTree()
{
    if (FTreeName.isEmpty() || FPopup->GetTree() != nullptr) return;
    for (QWidget* candidate : window()->findChildren<QWidget*>(FTreeName)) {
        auto* tree = dynamic_cast<TqvTree_ComBasic*>(candidate);
        if (tree == nullptr) continue;
        FPopup->SetTree(tree);
        if (!FDesigning && tree->GetPopupMenu() == nullptr) tree->SetPopupMenu(FPopup);
        return;
    }
}

bool TqvTreePopupHolder::event(QEvent* anEvent)
{
    // A loaded form creates its widgets in any order: the tree is looked for
    // once the form is complete.
    if (anEvent->type() == QEvent::Polish || anEvent->type() == QEvent::ParentChange) ResolveTree();
    return QWidget::event(anEvent);
}

void TqvTreePopupHolder::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DashLine));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    const QString name =
        FTreeName.isEmpty() ? QStringLiteral("TqvTreePopup") : QStringLiteral("TqvTreePopup: ") + FTreeName;
    painter.drawText(rect(), Qt::AlignCenter, name);
}

} // namespace skedra
