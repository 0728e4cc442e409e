// The Gantt chart as a composite: keeping the row control's rows level with
// the area's bands (tree header box, scaler height, grid header, tab sheets),
// the external scroll bar, the refresh of the parts, the hint text and the
// tab sheets beside the Gantt area.
#include <QScopedValueRollback>

#include <algorithm>
#include <cmath>

#include "skedra/foundation/DoLater.h"
#include "skedra/foundation/GraphHintWindow.h"
#include "skedra/gantt/qvGant.h"

namespace skedra
{

// ===========================================================================
// Refreshing the parts

void TqvGant_ComBasic::Repaint()
{
    TCustomPanel::Repaint();
    if (DateScaler) DateScaler->Repaint();
    if (Treeview) Treeview->Repaint();
    if (GA) GA->Repaint();
}

void TqvGant_ComBasic::RefreshOthers(TObject* Sender)
{
    if (FDestroying) return;
    if (DateScaler && Sender != DateScaler) DateScaler->Refresh();
    if (Treeview && Sender != Treeview) Treeview->Refresh();
    if (GA && Sender != GA) InvalidateGA();
}

void TqvGant_ComBasic::ScaleChanged(TObject*)
{
    if (FDestroying || DateScaler == nullptr) return;
    if (OnAlignNeed.Assigned() && !FInSetScaleAndTree)
        OnAlignNeed(this, DateScaler->GetStart(), DateScaler->GetStop(), GetTreeWidth());
    if (OnScalerChange.Assigned()) {
        const TDateTime before = DateScaler->GetStart();
        OnScalerChange(this, DateScaler->GetStart(), DateScaler->GetStop());
        // The handler moved the window: a stepping scaler would fight it.
        if (DateScaler->GetStart() != before) DateScaler->StopStep();
    }
    InvalidateGA();
}

void TqvGant_ComBasic::SetScaleAndTree(int aTreeWidth, TDateTime aStart, TDateTime aStop)
{
    BeginUpdate();
    const auto end = qScopeGuard([this] { EndUpdate(); });
    const QScopedValueRollback noAlignNeed(FInSetScaleAndTree, true);
    SetTreeWidth(aTreeWidth);
    DateScaler->SetStart(aStart);
    DateScaler->SetStop(aStop);
}

// ===========================================================================
// Rows level with the bands

void TqvGant_ComBasic::HandleTreeAlign(TObject*)
{
    if (FDestroying || DateScaler == nullptr || GA == nullptr || TreePanel == nullptr || Treeview == nullptr)
        return;
    DateScaler->BeginUpdate();
    GA->BeginUpdate();
    const auto end = qScopeGuard([this] {
        GA->EndUpdate();
        DateScaler->EndUpdate();
    });
    Treeview->SetAlign(alClient);
    if (OnAlignNeed.Assigned() && !FInSetScaleAndTree)
        OnAlignNeed(this, DateScaler->GetStart(), DateScaler->GetStop(), GetTreeWidth());
    if (HintWindow != nullptr && TreeHeaderBox != nullptr)
        HintWindow->SetStaticRect(1, 1, TreeHeaderBox->GetWidth(), TreeHeaderBox->GetHeight());
    Treeview->ExternalScrollOutOfDate();
}

int TqvGant_ComBasic::GridHeaderHeight() const
{
    if (!UseGridNotTree) return 0;
    const int h = GridHeaderRowHeight();
    if (h <= 0) return 0;
    if (GA != nullptr && GA->GetIsPrinting()) return RoundPixel(GA->GetPrintScaley() * h);
    return h;
}

int TqvGant_ComBasic::GetScalerHeight() const
{
    return DateScaler ? DateScaler->GetHeight() : 0;
}

void TqvGant_ComBasic::SetScalerHeight(int aHeight)
{
    if (DateScaler == nullptr || TreeHeaderBox == nullptr || ScrollBox == nullptr) return;
    aHeight = std::max(0, aHeight);
    ScrollBox->SetHeight(aHeight);
    DateScaler->SetHeight(aHeight);
    AlignTreeHeaderToArea();
    HandleTreeAlign(this);
}

void TqvGant_ComBasic::AlignTreeHeaderToArea()
{
    if (TreeHeaderBox == nullptr || GA == nullptr) return;
    // The box fills the height between the tree panel's top and the area's
    // top, less the grid's header row, which then stands beside the scaler.
    const int areaTop = GA->ClientOrigin().Y;
    const int boxTop = TreeHeaderBox->ClientOrigin().Y;
    TreeHeaderBox->SetHeight(std::max(0, areaTop - boxTop - GridHeaderHeight()));
    FLastGridHeaderHeight = GridHeaderHeight();
}

void TqvGant_ComBasic::UpdateGridAlign()
{
    SetScalerHeight(GetScalerHeight());
}

void TqvGant_ComBasic::UpdateGridAlignLater(TObject*)
{
    if (!FDestroying) UpdateGridAlign();
}

void TqvGant_ComBasic::RealignScrollbar()
{
    if (FDestroying || ScrollBar == nullptr || ScrollPanel == nullptr || ScrollBox == nullptr) return;
    if (UseGridNotTree) {
        ScrollBar->SetVisible(false);
        TScrollBar* gridBar = HijackedGridScrollBar();
        if (GridVerticalScrollOutOfGrid && gridBar != nullptr) {
            const bool shown = gridBar->GetVisible();
            ScrollPanel->SetVisible(shown);
            ScrollBox->SetVisible(shown);
            // The bar starts level with the grid's first row below its header.
            const int top = GridHeaderHeight() + (TreeHeaderBox != nullptr ? TreeHeaderBox->GetHeight() : 0);
            gridBar->SetBounds(0, top, ScrollPanel->GetClientWidth(),
                               std::max(0, ScrollPanel->GetClientHeight() - top));
        } else {
            ScrollPanel->SetVisible(false);
            ScrollBox->SetVisible(false);
        }
        return;
    }
    const bool enabled = ScrollBar->GetEnabled();
    ScrollBar->SetVisible(enabled);
    ScrollPanel->SetVisible(enabled);
    ScrollBox->SetVisible(enabled);
    OnRealignScrollbar(this, ScrollBar->GetPosition(), ScrollBar->GetMin(), ScrollBar->GetMax(),
                       ScrollBar->GetPageSize(), enabled);
}

void TqvGant_ComBasic::SetUseGridNotTree(bool aValue)
{
    UseGridNotTree = aValue;
    if (Treeview) Treeview->SetVisible(!aValue);
    ShowGridControl(aValue);
    FLinkStamp++;
    if (TreeHeaderBox != nullptr) AlignTreeHeaderToArea();
    RealignScrollbar();
    InvalidateGA();
}

void TqvGant_ComBasic::GantAreaWheelScroll(TWMMouseWheel& Msg)
{
    if (FDestroying || Msg.WheelDelta == 0) return;
    if (!UseGridNotTree && Treeview != nullptr) {
        Treeview->Scroll(-Msg.WheelDelta);
        Msg.Handled = true;
    } else {
        GridWheelScroll(Msg);
    }
}

void TqvGant_ComBasic::OnRowResized(TObject*, bool aFlag)
{
    if (!aFlag) UpdateGridAlign();
    InvalidateGA();
}

namespace
{

int CountVisibleTreeNode(TTreeNode* aNode)
{
    int n = 1;
    if (!aNode->GetExpanded()) return n;
    for (int i = 0; i < aNode->GetCount(); ++i)
        n += CountVisibleTreeNode(aNode->GetItem(i));
    return n;
}

} // namespace

int TqvGant_ComBasic::CountVisibleTreeViewItems(TCustomTreeView* aTreeView)
{
    if (aTreeView == nullptr) return 0;
    int n = 0;
    TTreeNodes* nodes = aTreeView->GetItems();
    for (int i = 0; i < nodes->GetRootCount(); ++i)
        n += CountVisibleTreeNode(nodes->GetRoot(i));
    return n;
}

// ===========================================================================
// Hint text

QString TqvGant_ComBasic::FormatLength(TDateTime aLength) const
{
    // A length is a number of days, never a date: whole days, then the time of day.
    const bool negative = aLength < 0;
    double rest = std::abs(aLength);
    // Rounded to the second first, so that 23:59:59.9996 reads as the next day.
    rest = std::nearbyint(rest * SecsPerDay) / SecsPerDay;
    const double days = std::floor(rest);
    const QString time =
        FormatDateTime(DateScaler ? DateScaler->GetTimeFormat() : QStringLiteral("hh:nn:ss"), rest - days);
    return QStringLiteral("%1%2d %3")
        .arg(negative ? QStringLiteral("-") : QString())
        .arg(days, 0, 'f', 0)
        .arg(time);
}

void TqvGant_ComBasic::HintWantsNewText(TGraphHintWindow* aWindow, TObject* anObject)
{
    if (aWindow == nullptr) return;
    auto* item = dynamic_cast<TqvDataEntity_GantTime*>(anObject);
    if (item == nullptr || DateScaler == nullptr) {
        aWindow->SetText(QString());
        return;
    }
    const QString format = DateScaler->GetDateFormat() + QLatin1Char(' ') + DateScaler->GetTimeFormat();
    const TDateTime start = item->GetStartDateTime();
    const TDateTime stop = item->GetStopDateTime();
    aWindow->SetText(FormatDateTime(format, start) + QLatin1Char('\r') + FormatDateTime(format, stop) +
                     QLatin1Char('\r') + FormatLength(stop - start));
}

// ===========================================================================
// Tab sheets

void TqvGant_ComBasic::SetTabSheetsONOFF(bool aValue)
{
    if (PageControl == nullptr || PanelScaleAndGantHolder == nullptr || ScrollPanel == nullptr) return;
    UseTabSheets = aValue;
    DisableAlign();
    {
        const auto enable = qScopeGuard([this] { EnableAlign(); });
        if (aValue) {
            PanelScaleAndGantHolder->SetParent(GantSheet);
            ScrollPanel->SetParent(GantSheet);
            PageControl->SetVisible(true);
        } else {
            PanelScaleAndGantHolder->SetParent(this);
            ScrollPanel->SetParent(this);
            PageControl->SetVisible(false);
        }
    }
    Realign();
    if (GantSheet != nullptr) GantSheet->Realign();
    AlignTreeHeaderToArea();
    HandleTreeAlign(this);
    InvalidateGA();
}

void TqvGant_ComBasic::AddTabSheet(TTabSheet* aSheet, TChangeInTreeNotify aOnTreeChange,
                                   TTabChangingEvent aOnChanging, TNotifyEvent aNotify1,
                                   TNotifyEvent aNotify2)
{
    if (aSheet == nullptr || PageControl == nullptr) return;
    aSheet->SetPageControl(PageControl);
    auto entry = std::make_unique<TMyContainer>();
    entry->OnTreeChange = aOnTreeChange;
    entry->OnChanging = aOnChanging;
    entry->Sheet = aSheet;
    entry->Notify1 = aNotify1;
    entry->Notify2 = aNotify2;
    TabSheets.push_back(std::move(entry));
}

const TMyContainer* TqvGant_ComBasic::GetTabSheetEntry(int anIndex) const
{
    return anIndex >= 0 && anIndex < TabSheetCount() ? TabSheets[static_cast<size_t>(anIndex)].get()
                                                     : nullptr;
}

void TqvGant_ComBasic::PageChanging(TObject* Sender, bool& AllowChange)
{
    AllowChange = true;
    if (PageControl == nullptr) return;
    TTabSheet* leaving = PageControl->GetActivePage();
    for (const auto& entry : TabSheets) {
        if (entry->Sheet != leaving) continue;
        entry->OnChanging(Sender, AllowChange);
        entry->Notify2(Sender);
    }
}

void TqvGant_ComBasic::PageChange(TObject* Sender)
{
    if (PageControl == nullptr) return;
    TTabSheet* entered = PageControl->GetActivePage();
    for (const auto& entry : TabSheets)
        if (entry->Sheet == entered) entry->Notify2(Sender);
    ChangeInTree();
}

void TqvGant_ComBasic::ChangeInTree()
{
    if (FDestroying || Treeview == nullptr) return;
    TGantRow* row = GetGantRow(Treeview->GetDataEntityFromNode(Treeview->GetSelected()));
    // Handlers may add or remove sheets: walk a copy of the entries.
    std::vector<TChangeInTreeNotify> handlers;
    for (const auto& entry : TabSheets)
        if (entry->Sheet != nullptr && entry->Sheet->GetVisible()) handlers.push_back(entry->OnTreeChange);
    for (const auto& handler : handlers)
        handler(row);
}

// ===========================================================================
// Printing hook

void TqvGant_ComBasic::_OnPrintResizeFont(TqvOffscreenPaint* caller, int& FontSize, bool& DefaultResize)
{
    DefaultResize = true;
    OnPrintResizeFont(caller, FontSize, DefaultResize);
}

} // namespace skedra
