#include "skedra/platform/ComCtrls.h"

#include <QEvent>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QTabBar>

#include <algorithm>

#include "skedra/platform/Messages.h"

namespace skedra
{

// ===========================================================================
// TTabSheet

TTabSheet::TTabSheet(QWidget* aParent) : TWinControl(aParent)
{
    SetAlign(alClient);
}

TTabSheet::~TTabSheet()
{
    if (FPageControl != nullptr) FPageControl->RemovePage(this);
}

void TTabSheet::SetPageControl(TPageControl* aPageControl)
{
    if (aPageControl == FPageControl) return;
    if (FPageControl != nullptr) FPageControl->RemovePage(this);
    if (aPageControl != nullptr) aPageControl->InsertPage(this);
}

int TTabSheet::GetPageIndex() const
{
    if (FPageControl == nullptr) return -1;
    const auto& pages = FPageControl->FPages;
    const auto it = std::find(pages.begin(), pages.end(), this);
    return it == pages.end() ? -1 : static_cast<int>(it - pages.begin());
}

void TTabSheet::SetTabVisible(bool aValue)
{
    FTabVisible = aValue;
    if (FPageControl != nullptr) FPageControl->UpdateTabs();
}

void TTabSheet::TextChanged()
{
    TWinControl::TextChanged();
    if (FPageControl != nullptr) FPageControl->UpdateTabs();
}

// ===========================================================================
// TPageControl

TPageControl::TPageControl(QWidget* aParent) : TWinControl(aParent), FTabs(new QTabBar(this))
{
    // Every change of page goes through SelectPageByUser, so that it can be refused.
    FTabs->setFocusPolicy(Qt::NoFocus);
    FTabs->setDrawBase(true);
    FTabs->installEventFilter(this);
    FTabs->show();
    SetTabStop(true);
}

TPageControl::~TPageControl()
{
    MarkDestroying();
    // Sheets still inside are Qt children and go with the widget; they must
    // not call back into a half-destroyed control.
    for (TTabSheet* page : FPages)
        page->FPageControl = nullptr;
    FPages.clear();
    FActivePage = nullptr;
}

TTabSheet* TPageControl::GetPage(int anIndex) const
{
    return anIndex >= 0 && anIndex < GetPageCount() ? FPages[static_cast<size_t>(anIndex)] : nullptr;
}

int TPageControl::GetActivePageIndex() const
{
    return FActivePage ? FActivePage->GetPageIndex() : -1;
}

void TPageControl::SetActivePageIndex(int anIndex)
{
    SetActivePage(GetPage(anIndex));
}

void TPageControl::SetActivePage(TTabSheet* aPage)
{
    if (aPage != nullptr && aPage->FPageControl != this) return;
    if (aPage == FActivePage) return;
    FActivePage = aPage;
    ShowOnly(aPage);
    UpdateTabs();
}

bool TPageControl::SelectPageByUser(int anIndex)
{
    TTabSheet* page = GetPage(anIndex);
    if (page == nullptr || page == FActivePage || !page->GetTabVisible()) return false;
    if (!CanChange()) return false;
    SetActivePage(page);
    Change();
    return true;
}

bool TPageControl::CanChange()
{
    bool allow = true;
    OnChanging(this, allow);
    return allow;
}

void TPageControl::Change()
{
    OnChange(this);
}

int TPageControl::TabHeight() const
{
    return FTabs->sizeHint().height();
}

void TPageControl::AdjustClientRect(TRect& aRect) const
{
    aRect.Top = std::min(aRect.Bottom, aRect.Top + TabHeight());
}

void TPageControl::BoundsChanged(bool aSizeChanged)
{
    FTabs->setGeometry(0, 0, width(), TabHeight());
    TWinControl::BoundsChanged(aSizeChanged);
}

bool TPageControl::eventFilter(QObject* aWatched, QEvent* anEvent)
{
    if (aWatched != FTabs) return TWinControl::eventFilter(aWatched, anEvent);
    switch (anEvent->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const auto* e = static_cast<QMouseEvent*>(anEvent);
        if (e->button() == Qt::LeftButton)
            GuardedCall([&] { SelectPageByUser(FTabs->tabAt(e->position().toPoint())); });
        return true;
    }
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
        // The tab bar would change the page by itself, unasked.
        return true;
    default:
        return false;
    }
}

void TPageControl::InsertPage(TTabSheet* aPage)
{
    aPage->FPageControl = this;
    FPages.push_back(aPage);
    aPage->SetParent(this);
    aPage->SetAlign(alClient);
    if (FActivePage == nullptr)
        SetActivePage(aPage);
    else
        aPage->SetVisible(false);
    UpdateTabs();
    Realign();
}

void TPageControl::RemovePage(TTabSheet* aPage)
{
    const auto it = std::find(FPages.begin(), FPages.end(), aPage);
    if (it == FPages.end()) return;
    const int index = static_cast<int>(it - FPages.begin());
    FPages.erase(it);
    aPage->FPageControl = nullptr;
    if (IsDestroying()) return;
    if (FActivePage == aPage) {
        FActivePage = nullptr;
        SetActivePage(GetPage(std::min(index, GetPageCount() - 1)));
    }
    UpdateTabs();
}

void TPageControl::ShowOnly(TTabSheet* aPage)
{
    for (TTabSheet* page : FPages)
        if (page != aPage) page->SetVisible(false);
    if (aPage != nullptr) {
        aPage->SetVisible(true);
        aPage->BringToFront();
    }
    Realign();
}

void TPageControl::UpdateTabs()
{
    if (FUpdatingTabs) return;
    const QScopedValueRollback guard(FUpdatingTabs, true);
    while (FTabs->count() > GetPageCount())
        FTabs->removeTab(FTabs->count() - 1);
    while (FTabs->count() < GetPageCount())
        FTabs->addTab(QString());
    for (int i = 0; i < GetPageCount(); ++i) {
        FTabs->setTabText(i, FPages[static_cast<size_t>(i)]->GetCaption());
        FTabs->setTabVisible(i, FPages[static_cast<size_t>(i)]->GetTabVisible());
    }
    const int active = GetActivePageIndex();
    if (active >= 0) FTabs->setCurrentIndex(active);
    FTabs->setGeometry(0, 0, width(), TabHeight());
}

} // namespace skedra
