#pragma once
// The page control and its tab sheets: a row of tabs over a stack of sheets,
// one sheet shown at a time. A change of page made by the user is asked first
// (OnChanging may refuse it) and announced after (OnChange); a page set from
// code is neither asked nor announced: the code already knows.
//
// The tabs are a QTabBar across the top of the control; the sheets are
// children aligned to fill the rest, the inactive ones hidden.

#include <QString>

#include <vector>

#include "skedra/platform/Controls.h"

class QTabBar;

namespace skedra
{

class TPageControl;

using TTabChangingEvent = TMethod<void(TObject* Sender, bool& AllowChange)>;

class TTabSheet : public TWinControl
{
public:
    explicit TTabSheet(QWidget* aParent = nullptr);
    ~TTabSheet() override;

    TPageControl* GetPageControl() const { return FPageControl; }
    // Moves the sheet into aPageControl (none takes it out), as its last page.
    void SetPageControl(TPageControl* aPageControl);
    // Position among the page control's sheets; -1 without one.
    int GetPageIndex() const;
    // Whether the sheet has a tab (a sheet without one cannot be shown by the user).
    bool GetTabVisible() const { return FTabVisible; }
    void SetTabVisible(bool aValue);

protected:
    void TextChanged() override;

private:
    friend class TPageControl;
    TPageControl* FPageControl = nullptr;
    bool FTabVisible = true;
};

class TPageControl : public TWinControl
{
public:
    explicit TPageControl(QWidget* aParent = nullptr);
    ~TPageControl() override;

    int GetPageCount() const { return static_cast<int>(FPages.size()); }
    // The sheet at anIndex, or none outside 0..PageCount-1.
    TTabSheet* GetPage(int anIndex) const;
    TTabSheet* GetActivePage() const { return FActivePage; }
    // Shows the sheet (none or a sheet of another control shows nothing new);
    // no events.
    void SetActivePage(TTabSheet* aPage);
    int GetActivePageIndex() const;
    void SetActivePageIndex(int anIndex);
    // Changes the page as a click on its tab does: OnChanging may refuse,
    // OnChange follows a change. Answers whether the page changed.
    bool SelectPageByUser(int anIndex);

    // The tab bar's height (the sheets start below it).
    int TabHeight() const;
    QTabBar* TabBar() const { return FTabs; }

    TTabChangingEvent OnChanging;
    TNotifyEvent OnChange;

protected:
    // Asks OnChanging; the default answer is yes.
    virtual bool CanChange();
    virtual void Change();
    void AdjustClientRect(TRect& aRect) const override;
    void BoundsChanged(bool aSizeChanged) override;
    bool eventFilter(QObject* aWatched, QEvent* anEvent) override;

private:
    friend class TTabSheet;
    void InsertPage(TTabSheet* aPage);
    void RemovePage(TTabSheet* aPage);
    void UpdateTabs();
    void ShowOnly(TTabSheet* aPage);

    QTabBar* FTabs;
    std::vector<TTabSheet*> FPages;
    TTabSheet* FActivePage = nullptr;
    bool FUpdatingTabs = false;
};

} // namespace skedra
