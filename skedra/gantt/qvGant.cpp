#include "skedra/gantt/qvGant.h"

#include <QScopeGuard>
#include <QScopedValueRollback>

#include <algorithm>
#include <cassert>
#include <cmath>
#include <unordered_set>

#include "skedra/foundation/DoLater.h"
#include "skedra/foundation/GraphHintWindow.h"
#include "skedra/gantt/GantLinkIndex_p.h"
#include "skedra/foundation/qvSplitter.h"
#include "skedra/gantt/GantInput_p.h"
#include "skedra/platform/Canvas.h"
#include "skedra/platform/Messages.h"

namespace skedra
{

namespace
{

TqvDataList_GantRow* LayerOf(TqvDataList* aList)
{
    return dynamic_cast<TqvDataList_GantRow*>(aList);
}

TGantRow* RowOfItem(TqvDataEntity* anEntity)
{
    auto* item = dynamic_cast<TqvDataEntity_GantTime*>(anEntity);
    return item ? item->GetRow() : nullptr;
}

} // namespace

// ===========================================================================
// Construction

TqvGant_ComBasic::TqvGant_ComBasic(QWidget* aParent) : TqvGant_ComBasic(aParent, TDeferInitialize{})
{
    InitializeInConstructor();
}

TqvGant_ComBasic::TqvGant_ComBasic(QWidget* aParent, TDeferInitialize)
    : TCustomPanel(aParent), FInput(std::make_unique<TGantInputState>())
{
}

void TqvGant_ComBasic::InitializeInConstructor()
{
    Initialize();
}

void TqvGant_ComBasic::Initialize()
{
    RowList = CreateRowList();
    TabSheets.clear();

    LinkController = new TqvListController();
    LinkController->OnContentChanged = MakeMethod<&TqvGant_ComBasic::_OnContentChanged_Link>(this);
    LinkController->OnSelectionChanged = MakeMethod<&TqvGant_ComBasic::_OnSelectionChanged_Link>(this);
    LinkController->OnDeleteItem = MakeMethod<&TqvGant_ComBasic::_OnDeleteItem_Link>(this);
    LinkController->OnInsertItem = MakeMethod<&TqvGant_ComBasic::_OnInsertItem_Link>(this);
    LinkController->OnInfoPush = MakeMethod<&TqvGant_ComBasic::_OnInfoPush_Link>(this);
    LinkController->OnBeforeCanEditItem = MakeMethod<&TqvGant_ComBasic::_OnBeforeCanEditItem_Link>(this);
    LinkList = CreateLinkList();
    DefaultLinkStyle = tlsDefault;
    DefaultLinkColor = clBlue;
    DefaultLinkPenWidth = 1;
    DefaultLinkCursor = crHandPoint;

    SetBounds(GetLeft(), GetTop(), 350, 250);
    SetCaption(QString());
    DrawShortLines = false;
    DrawLongLines = true;
    BuildControls();

    DataLists = CreateDataList3Lev();
    HintWindow = new TGraphHintWindow(this);
    HintWindow->OnUpdateText = MakeMethod<&TqvGant_ComBasic::HintWantsNewText>(this);
    HintWindow->SetStatic(true);
    SnapHandler = std::make_unique<TSnapHandler>();
    SnapHandler->StartSnapOn = true;
    SnapHandler->StartSnap = 5.0 / MinsPerDay;
    SnapHandler->StopSnapOn = true;
    SnapHandler->StopSnap = 1.0 / MinsPerDay;
    SnapHandler->StopSnapOnMove = false;
    GantBackColor = 0xC0C0C0;
    GantPyjamasColor = 0x808080;
    ReInitBitmap();
    LastRowHeight = 18;

    // Tab orders count within each parent: the area comes before the scaler.
    if (Grid != nullptr) Grid->SetTabOrder(0);
    Treeview->SetTabOrder(0);
    GA->SetTabOrder(1);
    DateScaler->SetTabOrder(2);
    PageControl->SetTabOrder(3);

    TimeItemController = new TqvListController();
    TimeItemController->OnContentChanged = MakeMethod<&TqvGant_ComBasic::_OnContentChanged>(this);
    TimeItemController->OnDeleteItem = MakeMethod<&TqvGant_ComBasic::_OnDeleteItem>(this);
    TimeItemController->OnInsertItem = MakeMethod<&TqvGant_ComBasic::_OnInsertItem>(this);
    TimeItemController->OnInfoPush = MakeMethod<&TqvGant_ComBasic::_OnInfoPush>(this);
    TimeItemController->OnSelectionChanged = MakeMethod<&TqvGant_ComBasic::_OnSelectionChanged>(this);
    TimeItemController->OnBeforeCanEditItem = MakeMethod<&TqvGant_ComBasic::_OnBeforeCanEditItem>(this);
    TimeItemController->OnLoadItem = MakeMethod<&TqvGant_ComBasic::_OnVirtualLoadTimeItem>(this);
    TimeItemController->OnUnloadItem = MakeMethod<&TqvGant_ComBasic::_OnVirtualUnLoadTimeItem>(this);
    TimeItemController->OnEnterOwnerAfterChange = MakeMethod<&TqvGant_ComBasic::_OnItemChangedRow>(this);

    DateScaler->OnPrintResizeFont = MakeMethod<&TqvGant_ComBasic::_OnPrintResizeFont>(this);
    GA->OnPrintResizeFont = MakeMethod<&TqvGant_ComBasic::_OnPrintResizeFont>(this);

    SetUseGridNotTree(false);
    HandleTreeAlign(this);
    InitializeInput();
}

void TqvGant_ComBasic::BuildControls()
{
    TreePanel = new TPanel(this);
    TreePanel->SetBounds(1, 1, 100, GetClientHeight());
    TreePanel->SetAlign(alLeft);
    TreePanel->SetBevelOuter(bvNone);
    TreePanel->SetCaption(QString());
    TreePanel->OnResize = MakeMethod<&TqvGant_ComBasic::HandleTreeAlign>(this);

    Splitter = new TqvSplitter(this);
    Splitter->SetBounds(97, 1, 3, GetClientHeight());
    Splitter->SetCursor(crHSplit);

    PageControl = new TPageControl(this);
    PageControl->SetAlign(alClient);
    PageControl->SetVisible(false);
    PageControl->OnChanging = MakeMethod<&TqvGant_ComBasic::PageChanging>(this);
    PageControl->OnChange = MakeMethod<&TqvGant_ComBasic::PageChange>(this);
    GantSheet = new TTabSheet(PageControl);
    GantSheet->SetCaption(QStringLiteral("Gant"));
    GantSheet->SetPageControl(PageControl);

    PanelScaleAndGantHolder = new TPanel(this);
    PanelScaleAndGantHolder->SetName(QStringLiteral("PanelScaleAndGantHolder"));
    PanelScaleAndGantHolder->SetCaption(QStringLiteral("PanelScaleAndGantHolder"));
    PanelScaleAndGantHolder->SetBounds(100, 1, 200, GetClientHeight());
    PanelScaleAndGantHolder->SetAlign(alClient);
    PanelScaleAndGantHolder->SetBevelOuter(bvNone);

    ScrollPanel = new TPanel(this);
    ScrollPanel->SetBounds(312, 1, 16, GetClientHeight());
    ScrollPanel->SetAlign(alRight);
    ScrollPanel->SetBevelOuter(bvNone);
    ScrollPanel->SetCaption(QString());

    DateScaler = CreateDateScaler();
    DateScaler->SetParent(PanelScaleAndGantHolder);
    DateScaler->SetName(QStringLiteral("DateScaler"));
    DateScaler->SetTabStop(true);
    DateScaler->SetHorizontal(true);
    DateScaler->SetHeight(45);
    DateScaler->SetAlign(alTop);
    DateScaler->SetTimeFormat(QStringLiteral("HH:MM:SS"));
    DateScaler->SetDateFormat(QStringLiteral("YYMMDD"));
    DateScaler->SetShowHint(true);
    {
        const TDateTime today = std::trunc(Now());
        DateScaler->SetStart(today - 15);
        DateScaler->SetStop(today + 15);
    }

    TreeHeaderBox = new TPanel(TreePanel);
    TreeHeaderBox->SetHeight(45);
    TreeHeaderBox->SetAlign(alTop);
    TreeHeaderBox->SetBevelOuter(bvNone);
    TreeHeaderBox->SetCaption(QString());
    TreeHeaderBox->OnResize = MakeMethod<&TqvGant_ComBasic::HandleTreeAlign>(this);

    ScrollBar = new TScrollBar(ScrollPanel);
    ScrollBar->SetKind(sbVertical);
    ScrollBar->SetTop(24);
    ScrollBar->SetAlign(alClient);
    ScrollBar->SetEnabled(false);
    ScrollBar->SetTabStop(false);

    Treeview = CreateTree();
    Treeview->SetParent(TreePanel);
    Treeview->SetName(QStringLiteral("Treeview"));
    Treeview->SetTop(41);
    Treeview->SetBorderStyle(bsNone);
    Treeview->SetAlign(alClient);
    Treeview->SetTabStop(true);
    Treeview->SetMultiSelect(true);
    Treeview->SetGant(this);
    Treeview->SetVertScrollExternal(ScrollBar);
    Treeview->SetVisible(false);

    CreateGridControl();

    ScrollBox = new TPanel(ScrollPanel);
    ScrollBox->SetHeight(45);
    ScrollBox->SetAlign(alTop);
    ScrollBox->SetBevelOuter(bvNone);
    ScrollBox->SetCaption(QString());

    GA = new TqvOffscreenPaint_GA(PanelScaleAndGantHolder);
    GA->SetName(QStringLiteral("GanttArea"));
    GA->SetTabStop(true);
    GA->SetTop(41);
    GA->SetAlign(alClient);
    GA->SetGant(this);
    GA->OnPaint = MakeMethod<&TqvGant_ComBasic::GantAreaPaint>(this);
    GA->OnWheelMessage = MakeMethod<&TqvGant_ComBasic::GantAreaWheelScroll>(this);

    DateScaler->OnChange = MakeMethod<&TqvGant_ComBasic::ScaleChanged>(this);
    OnUserCreateGantRow.Clear();
    OnAfterAddGantRow.Clear();
    OnBeforeFreeGantRow.Clear();
}

TqvGant_ComBasic::~TqvGant_ComBasic()
{
    FDestroying = true;
    TSubColumnDriver::ClientGone(this);
    TDoLater::NeverMind(MakeMethod<&TqvGant_ComBasic::RunRequestedSubColumns>(this));
    TDoLater::NeverMind(MakeMethod<&TqvGant_ComBasic::UpdateGridAlignLater>(this));
    TDoLater::NeverMind(MakeMethod<&TqvGant_ComBasic::GridLayoutLater>(this));
    for (TGantRow* row : FRequestedRows)
        if (row != nullptr) row->FSubColumnsRequested = false;
    FRequestedRows.clear();
    FRequestedHead = 0;
    delete HintWindow;
    HintWindow = nullptr;
    if (GA != nullptr) {
        GA->OnPaint.Clear();
        GA->OnWheelMessage.Clear();
    }
    if (DateScaler != nullptr) DateScaler->OnChange.Clear();
    if (PageControl != nullptr) {
        PageControl->OnChanging.Clear();
        PageControl->OnChange.Clear();
    }
    TabSheets.clear();
    // The rows go first: they point at the nodes of the tree and of the grid,
    // which must still exist while the rows are released.
    if (Treeview != nullptr) Treeview->SetGant(nullptr);
    GuardedCall([&] { ReleaseModel(); });
    DestroyGridControl();
    if (Treeview != nullptr) {
        GuardedCall([&] { delete Treeview; });
        Treeview = nullptr;
    }
    delete TimeItemController;
    TimeItemController = nullptr;
    delete LinkController;
    LinkController = nullptr;
}

void TqvGant_ComBasic::ReleaseModel()
{
    ActiveDataEntity = nullptr;
    PressedTime = nullptr;
    // Links first: every item that goes drops its links, which then costs nothing.
    if (TqvDataList* links = std::exchange(LinkList, nullptr)) links->FreeWheneverPossible();
    // Rows leave the three-level list one by one; emptied first, that costs nothing.
    if (DataLists != nullptr) DataLists->Clear();
    if (TGantRowList* rows = std::exchange(RowList, nullptr)) rows->FreeWheneverPossible();
    if (TqvDataList3lev* lists = std::exchange(DataLists, nullptr)) lists->FreeWheneverPossible();
}

// ===========================================================================
// Creation hooks

TqvDateScaler* TqvGant_ComBasic::CreateDateScaler()
{
    return new TqvDateScaler(this);
}

TGantTree* TqvGant_ComBasic::CreateTree()
{
    return new TGantTree(this);
}

TGantRowList* TqvGant_ComBasic::CreateRowList()
{
    return new TGantRowList(this);
}

TqvDataList* TqvGant_ComBasic::CreateLinkList()
{
    auto* list = new TqvDataList();
    list->AfterCreate(LinkController, ClassOf<TqvDataEntity_Link>());
    return list;
}

TGantRow* TqvGant_ComBasic::CreateRow(TqvDataEntity_Tree* aTreeNode, TqvDataEntity_GridTreeNode* aGridNode)
{
    return new TGantRow(RowList, aTreeNode, aGridNode);
}

TqvDataList_GantRow* TqvGant_ComBasic::CreateDataList_GantRow()
{
    return new TqvDataList_GantRow();
}

TqvDataList2lev* TqvGant_ComBasic::CreateDataList2Lev()
{
    auto* lists = new TqvDataList2lev();
    lists->AfterCreate();
    return lists;
}

TqvDataList3lev* TqvGant_ComBasic::CreateDataList3Lev()
{
    auto* lists = new TqvDataList3lev();
    lists->AfterCreate();
    return lists;
}

void TqvGant_ComBasic::InitTimeItem(TqvDataEntity_GantTime* anItem)
{
    if (TqvTimeItemTextCollection* texts = anItem->FindTexts()) texts->OnStyleSet = TimeItemStyleSetter();
}

// ===========================================================================
// Layout and state

int TqvGant_ComBasic::GetTreeWidth() const
{
    return TreePanel ? TreePanel->GetWidth() : 0;
}

void TqvGant_ComBasic::SetTreeWidth(int aValue)
{
    if (TreePanel) TreePanel->SetWidth(std::max(0, aValue));
}

void TqvGant_ComBasic::InvalidateGA()
{
    if (GA != nullptr && !FDestroying) GA->Invalidate();
}

void TqvGant_ComBasic::InvalidateRowBand(TGantRow* aRow)
{
    if (GA == nullptr || FDestroying) return;
    TqvDataEntity_GridTreeNode* node = aRow != nullptr ? aRow->GetGridNode() : nullptr;
    if (!UseGridNotTree || node == nullptr || GA->GetIsPrinting() ||
        (LinkList != nullptr && LinkList->Count() > 0)) {
        InvalidateGA();
        return;
    }
    InvalidateAreaFrom(GridNodeBand(node), false);
}

void TqvGant_ComBasic::InvalidateAreaFrom(const TRect& aBand, bool aDown)
{
    if (GA == nullptr || FDestroying || FGridLayoutInAreaPaint) return;
    if (aBand == TRect(-1, -1, -1, -1)) return;
    GA->InvalidateRect(TRect(0, aBand.Top, GA->GetWidth(), aDown ? GA->GetHeight() : aBand.Bottom));
}

void TqvGant_ComBasic::BeginUpdate()
{
    if (DateScaler) DateScaler->BeginUpdate();
    if (GA) GA->BeginUpdate();
    if (Treeview) Treeview->BeginUpdate();
}

void TqvGant_ComBasic::EndUpdate()
{
    if (DateScaler) DateScaler->EndUpdate();
    if (GA) GA->EndUpdate();
    if (Treeview) Treeview->EndUpdate();
}

bool TqvGant_ComBasic::RowTypeCheckOK(const TGantRow* aRow) const
{
    if (aRow == nullptr) return false;
    return UseGridNotTree ? aRow->GetGridNode() != nullptr : aRow->GetTreeNode() != nullptr;
}

TGantRow* TqvGant_ComBasic::GetActiveGantRow()
{
    if (RowList == nullptr) return nullptr;
    if (UseGridNotTree) return RowList->FindRowFromGridNode(GridFocusedNode());
    if (Treeview == nullptr) return nullptr;
    return RowList->FindRowFromTreeNode(Treeview->GetCurrentDataEntity());
}

void TqvGant_ComBasic::SetActiveDataEntity(TqvDataEntity_GantTime* anItem)
{
    ActiveDataEntity = anItem;
    InvalidateGA();
    if (!OnHintInfo.Assigned()) return;
    if (anItem != nullptr)
        OnHintInfo(anItem, anItem->GetStartDateTime(), anItem->GetStopDateTime(),
                   anItem->GetStopDateTime() - anItem->GetStartDateTime());
    else
        OnHintInfo(nullptr, 0, 0, 0);
}

// ===========================================================================
// Rows, time items and links

TqvDataEntity_Tree* TqvGant_ComBasic::AddDataEntityTree(TqvDataEntity_Tree* aParent)
{
    return Treeview ? Treeview->AddDataEntity(aParent) : nullptr;
}

TGantRow* TqvGant_ComBasic::GetGantRow(const TqvDataEntity_Tree* aTreeNode) const
{
    return RowList ? RowList->FindRowFromTreeNode(aTreeNode) : nullptr;
}

TqvDataEntity_GantTime* TqvGant_ComBasic::AddGantTime(TqvDataEntity_Tree* aTreeNode, int aLayer)
{
    return AddGantTimeToGantRow(GetGantRow(aTreeNode), aLayer);
}

TqvDataEntity_GantTime* TqvGant_ComBasic::GridNode_AddGantTime(TqvDataEntity_GridTreeNode* aGridNode,
                                                               int aLayer)
{
    return AddGantTimeToGantRow(RowList ? RowList->FindRowFromGridNode(aGridNode) : nullptr, aLayer);
}

TqvDataEntity_GantTime* TqvGant_ComBasic::AddGantTimeToGantRow(TGantRow* aRow, int aLayer)
{
    if (aRow == nullptr || aLayer < 0) return nullptr;
    TqvDataList_GantRow* layer = aRow->GetLayer(aLayer);
    if (layer == nullptr) return nullptr;
    auto* item = static_cast<TqvDataEntity_GantTime*>(layer->Add());
    item->SetColor(clWhite);
    item->SetStyle(gtsSquare);
    item->CanEdit = true;
    return item;
}

void TqvGant_ComBasic::RemoveGantTime(TqvDataEntity_GantTime* anItem)
{
    if (anItem != nullptr && anItem->GetDataList() != nullptr) anItem->GetDataList()->Remove(anItem);
}

TqvDataEntity_Link* TqvGant_ComBasic::AddLink()
{
    if (LinkList == nullptr) return nullptr;
    auto* link = static_cast<TqvDataEntity_Link*>(LinkList->Add());
    link->LinkStyle = DefaultLinkStyle;
    link->Color = DefaultLinkColor;
    link->PenWidth = DefaultLinkPenWidth;
    return link;
}

void TqvGant_ComBasic::DropAllLinks(const TqvDataEntity_GantTime* anItem)
{
    if (LinkList == nullptr || anItem == nullptr) return;
    TqvDataList* links = LinkList;
    TqvExposable::TKeepAlive keep(links);
    for (int i = links->Count() - 1; i >= 0; --i) {
        if (i >= links->Count()) continue;
        auto* link = static_cast<TqvDataEntity_Link*>(links->GetItems(i));
        if (link != nullptr && (link->First == anItem || link->Second == anItem)) links->Delete(i);
    }
}

void TqvGant_ComBasic::CopyDataEntity(const TqvDataEntity_GantTime* aSource, TqvDataEntity_GantTime* aTarget)
{
    if (aSource == nullptr || aTarget == nullptr) return;
    aTarget->SetStartDateTime(aSource->GetStartDateTime());
    aTarget->SetStopDateTime(aSource->GetStopDateTime());
    aTarget->SetSelected(aSource->GetSelected());
}

TqvDataEntity_GantTime* TqvGant_ComBasic::FindGantTimeObjectFromUserReference(const void* aReference) const
{
    if (RowList == nullptr) return nullptr;
    TqvDataEntity_GantTime* found = nullptr;
    for (TGantRow* row : RowList->GetRows()) {
        for (int li = 0; li < row->LayerCount(); ++li) {
            TqvDataList* layer = row->GetDataLists()->GetDataList(li);
            if (layer == nullptr) continue;
            for (int i = 0; i < layer->Count(); ++i) {
                TqvDataEntity* item = layer->GetItems(i);
                if (item != nullptr && item->GetUserReference() == aReference) {
                    found = static_cast<TqvDataEntity_GantTime*>(item);
                    break; // within one layer the first match counts
                }
            }
        }
    }
    return found;
}

// ===========================================================================
// Geometry

void TqvGant_ComBasic::PrepareGeometry()
{
    if (!UseGridNotTree && Treeview != nullptr) Treeview->EnsureDisplayUpToDate();
    // The grid lays its rows out when it paints: a pending layout is done
    // first. Not from inside the area's paint, where Qt cannot paint another
    // widget: that paint asks for the grid and then itself again afterwards.
    // A grid being printed keeps the print's layout until the print is done.
    if (UseGridNotTree && Grid != nullptr && GA != nullptr && !GA->GetIsPrinting() &&
        !Grid->GetIsPrinting() && Grid->isVisible() &&
        (Grid->GetHardUpdatePending() || Grid->GetSoftUpdatePending())) {
        if (FInAreaPaint) {
            // Laid out without painting (the grid paints what it owes
            // later); what the layout reports is drawn by this paint.
            const QScopedValueRollback layout(FGridLayoutInAreaPaint, true);
            Grid->LayoutNow();
        } else {
            Grid->RedrawIfNeeded();
        }
    }
}

TqvDataEntity_Tree* TqvGant_ComBasic::TreeRowEntity(int k) const
{
    if (Treeview == nullptr) return nullptr;
    TTreeNode* top = Treeview->TCustomTreeView::GetTopItem();
    const int base = top ? Treeview->GetRowOfNode(top) : 0;
    return Treeview->GetDataEntityFromNode(Treeview->GetNodeFromRow(std::max(0, base) + k));
}

bool TqvGant_ComBasic::RectFromDataEntity(const TqvDataEntity_GantTime* anItem, TRect& aRect)
{
    TGantRow* row = anItem ? anItem->GetRow() : nullptr;
    if (row != nullptr && row->RectFromDataEntity(anItem, aRect)) return true;
    aRect = TRect(-1, -1, -1, -1);
    return false;
}

TqvDataEntity_GantTime* TqvGant_ComBasic::GetDataEntityFromXY(int x, int y)
{
    TGantRow* row = RowList ? RowList->FindRowFromY(y) : nullptr;
    return row ? row->FindDataEntityFromXY(x, y) : nullptr;
}

bool TqvGant_ComBasic::IsVisible(const TqvDataEntity_GantTime* anItem) const
{
    if (anItem == nullptr || DateScaler == nullptr) return false;
    const TDateTime ws = DateScaler->GetStart();
    const TDateTime we = DateScaler->GetStop();
    const TDateTime s = anItem->GetStartDateTime();
    const TDateTime e = anItem->GetStopDateTime();
    return (ws <= s && s <= we) || (ws <= e && e <= we) || (s < ws && e > we);
}

void TqvGant_ComBasic::GetStartStopLenFromRect(const TRect& aRect, TDateTime& aStart, TDateTime& aLength,
                                               TDateTime& aStop) const
{
    aStart = DateScaler->PixelToDate(aRect.Left);
    aStop = DateScaler->PixelToDate(aRect.Right);
    aLength = aStop - aStart;
}

namespace
{

// A band that meets the Gantt area, or lies within one row height of it.
bool BandInView(const TRect& r, int aHeight, int aRowHeight)
{
    return r.Top != -1 && r.Bottom > -aRowHeight && r.Top < aHeight + aRowHeight;
}

} // namespace

void TqvGant_ComBasic::CollectRowsInViewByScan(std::vector<TGantRow*>& aRows)
{
    aRows.clear();
    if (RowList == nullptr || GA == nullptr) return;
    PrepareGeometry();
    const int h = UseGridNotTree || !Treeview ? LastRowHeight : Treeview->GetItemHeight();
    for (TGantRow* row : RowList->GetRows()) {
        if (!RowTypeCheckOK(row)) continue;
        if (BandInView(row->GetRect(), GA->GetHeight(), h)) aRows.push_back(row);
    }
}

void TqvGant_ComBasic::CollectRowsInView(std::vector<TGantRow*>& aRows)
{
    if (UseGridNotTree && Grid != nullptr) {
        // The grid's placed rows, in display order.
        PrepareGeometry();
        CollectGridRowsInView(aRows);
        return;
    }
    if (UseGridNotTree || Treeview == nullptr || RowList == nullptr || RowList->HasDuplicateNodes()) {
        CollectRowsInViewByScan(aRows);
        return;
    }
    aRows.clear();
    PrepareGeometry();
    const int h = Treeview->GetItemHeight();
    if (h <= 0) return;
    // The tree's rows from one above the area to one below it, by index.
    const int H = GA->GetHeight();
    const int offset = PrintPageOffset;
    const int kFirst = static_cast<int>(std::floor(static_cast<double>(offset - h) / h)) - 1;
    const int kLast = static_cast<int>(std::floor(static_cast<double>(offset + H + h) / h)) + 1;
    for (int k = kFirst; k <= kLast; ++k) {
        TGantRow* row = RowList->FindRowFromTreeNode(TreeRowEntity(k));
        if (row == nullptr || !RowTypeCheckOK(row)) continue;
        if (BandInView(row->GetRect(), H, h)) aRows.push_back(row);
    }
    // Drawn in row list order, as the full scan would.
    std::sort(aRows.begin(), aRows.end(), [](const TGantRow* a, const TGantRow* b) {
        return TGantRowList::OrderOf(a) < TGantRowList::OrderOf(b);
    });
}

// ===========================================================================
// Drawing

// ===========================================================================
// Sub-columns

void TqvGant_ComBasic::RowPaused()
{
    SomeRowPaused = true;
    TSubColumnDriver::ClientPaused(this);
}

void TqvGant_ComBasic::UnPauseCollisionDetectionRows()
{
    SomeRowPaused = false;
    TSubColumnDriver::ClientGone(this);
    if (RowList == nullptr) return;
    TqvExposable::TKeepAlive keep(RowList);
    for (int i = 0; RowList != nullptr && i < RowList->Count(); ++i)
        if (TGantRow* row = RowList->GetGantRow(i)) row->SetCollisionDetectionPause(false);
}

void TqvGant_ComBasic::RequestSubColumns(TGantRow* aRow)
{
    if (aRow == nullptr || aRow->FSubColumnsRequested || FDestroying) return;
    aRow->FSubColumnsRequested = true;
    FRequestedRows.push_back(aRow);
    TDoLater::DoLater(MakeMethod<&TqvGant_ComBasic::RunRequestedSubColumns>(this));
}

void TqvGant_ComBasic::WithdrawSubColumns(TGantRow* aRow)
{
    if (aRow == nullptr || !aRow->FSubColumnsRequested) return;
    aRow->FSubColumnsRequested = false;
    // The entry stays (as none) so that the positions of the others hold.
    const auto it = std::find(FRequestedRows.begin() + static_cast<std::ptrdiff_t>(FRequestedHead),
                              FRequestedRows.end(), aRow);
    if (it != FRequestedRows.end()) *it = nullptr;
}

bool TqvGant_ComBasic::SubColumnsRequested(const TGantRow* aRow) const
{
    return aRow != nullptr && aRow->FSubColumnsRequested;
}

void TqvGant_ComBasic::RunRequestedSubColumns(TObject* Sender)
{
    // Starting a worker costs far more than anything else here: a few start
    // per turn of the event loop and the rest wait for the next turn, so that
    // thousands of requests never hold the loop up. Requests made meanwhile
    // queue behind them.
    constexpr int kStartsPerTurn = 8;
    // A nested run (deferred calls run from inside a worker's start) leaves
    // the queue to the outer one, which requests the next turn.
    if (FRunningRequests) return;
    const QScopedValueRollback running(FRunningRequests, true);
    const size_t end = FRequestedRows.size();
    int started = 0;
    while (FRequestedHead < end && started < kStartsPerTurn && !FDestroying) {
        TGantRow* row = FRequestedRows[FRequestedHead++];
        if (row == nullptr || !row->FSubColumnsRequested) continue;
        row->FSubColumnsRequested = false;
        if (row->GetGant() != this) continue;
        TqvExposable::TKeepAlive keep(row);
        row->UpdateSubColumnsAsync(this);
        started += row->GetThread() != nullptr;
    }
    if (FDestroying) return;
    if (FRequestedHead == FRequestedRows.size()) {
        FRequestedRows.clear();
        FRequestedHead = 0;
        return;
    }
    if (FRequestedHead > FRequestedRows.size() / 2) {
        FRequestedRows.erase(FRequestedRows.begin(),
                             FRequestedRows.begin() + static_cast<std::ptrdiff_t>(FRequestedHead));
        FRequestedHead = 0;
    }
    // A request of the call that is running would be merged into it and lost:
    // the next turn is queued under the other data key.
    TDoLater::DoLater(MakeMethod<&TqvGant_ComBasic::RunRequestedSubColumns>(this),
                      Sender == this ? nullptr : static_cast<TObject*>(this));
}

void TqvGant_ComBasic::ResumePausedSubColumns()
{
    if (!FDestroying) UnPauseCollisionDetectionRows();
}

// ===========================================================================
// Grid mode

void TqvGant_ComBasic::GridTreeIntegrationEvents(TIntegrationEventKind aKind, TqvDataEntity* aDataEntity)
{
    if (FDestroying || RowList == nullptr) return;
    auto* node = dynamic_cast<TqvDataEntity_GridTreeNode*>(aDataEntity);
    // A node's band before the change: a row that comes, goes or loads out
    // of view changes nothing drawn (its grid row's move is the grid's axis change).
    // A relayout of the grid (no node) is drawn by the area paint that asked
    // for it, or follows an axis change that asked for the area's part already.
    if (node == nullptr) {
        if (!FInAreaPaint && (Grid == nullptr || !Grid->GetPartialPaintRunning())) InvalidateGA();
    } else if (!UseGridNotTree || GA == nullptr) {
        InvalidateGA();
    } else {
        InvalidateAreaFrom(GridNodeBand(node), false);
    }
    if (node != nullptr) {
        switch (aKind) {
        case ieInsert:
        case ieLoad:
            if (RowList->FindRowFromGridNode(node) == nullptr)
                node->IntegrationData = RowList->AddRow(nullptr, node);
            break;
        case ieRemove:
        case ieUnload:
            RowList->RemoveRow(nullptr, node);
            node->IntegrationData = nullptr;
            break;
        default:
            break;
        }
    }
}

// ===========================================================================
// Time item controller

void TqvGant_ComBasic::_OnContentChanged(TqvDataList* theList)
{
    TqvDataList_GantRow* layer = LayerOf(theList);
    if (layer != nullptr && layer->Row != nullptr)
        InvalidateRowBand(layer->Row);
    else
        InvalidateGA();
    if (!FDestroying && layer != nullptr && layer->Row != nullptr) layer->Row->UpdateSubColumns();
    OnContentChanged_GantTime(this, theList);
}

void TqvGant_ComBasic::_OnDeleteItem(TqvDataEntity* theEntity)
{
    auto* item = dynamic_cast<TqvDataEntity_GantTime*>(theEntity);
    if (item != nullptr && item == ActiveDataEntity) SetActiveDataEntity(nullptr);
    if (item != nullptr && item == PressedTime) PressedTime = nullptr;
    if (item != nullptr) InputItemDeleted(item);
    InvalidateRowBand(RowOfItem(theEntity));
    if (!FDestroying)
        if (TGantRow* row = RowOfItem(theEntity)) row->UpdateSubColumns();
    OnDeleteItem_GantTime(this, theEntity);
    DropAllLinks(item);
}

void TqvGant_ComBasic::_OnInsertItem(TqvDataEntity* theEntity)
{
    if (auto* item = dynamic_cast<TqvDataEntity_GantTime*>(theEntity)) InitTimeItem(item);
    InvalidateRowBand(RowOfItem(theEntity));
    if (TGantRow* row = RowOfItem(theEntity)) row->UpdateSubColumns();
    OnInsertItem_GantTime(this, theEntity);
}

void TqvGant_ComBasic::_OnInfoPush(TqvDataEntity* theEntity)
{
    // A changed item is drawn anew in its row's band.
    InvalidateRowBand(RowOfItem(theEntity));
    if (TGantRow* row = RowOfItem(theEntity)) row->UpdateSubColumns();
    OnChangeDataEntity_GantTime(this, theEntity);
    OnValueChanged_GantTime(this, theEntity);
}

void TqvGant_ComBasic::_OnSelectionChanged(TqvDataList* theList, TqvDataEntity* theEntity)
{
    InvalidateGA();
    OnSelectionChanged_GantTime(this, theList, theEntity);
}

void TqvGant_ComBasic::_OnBeforeCanEditItem(TqvDataEntity* theEntity)
{
    OnBeforeCanEditItem_GantTime(this, theEntity);
}

void TqvGant_ComBasic::_OnVirtualLoadTimeItem(TqvDataEntity* theEntity)
{
    OnVirtualLoad_GantTime(this, theEntity);
}

void TqvGant_ComBasic::_OnVirtualUnLoadTimeItem(TqvDataEntity* theEntity, bool& CanUnload)
{
    OnVirtualUnLoad_GantTime(this, theEntity, CanUnload);
}

// The link handlers raise nothing of their own; every change of the links
// makes the index of links by rows stale.
void TqvGant_ComBasic::_OnContentChanged_Link(TqvDataList*)
{
    ++FLinkStamp;
}
void TqvGant_ComBasic::_OnSelectionChanged_Link(TqvDataList*, TqvDataEntity*) {}
void TqvGant_ComBasic::_OnDeleteItem_Link(TqvDataEntity*)
{
    ++FLinkStamp;
}
void TqvGant_ComBasic::_OnInsertItem_Link(TqvDataEntity*)
{
    ++FLinkStamp;
}
void TqvGant_ComBasic::_OnInfoPush_Link(TqvDataEntity*)
{
    ++FLinkStamp;
}
void TqvGant_ComBasic::_OnBeforeCanEditItem_Link(TqvDataEntity*) {}

// ===========================================================================
// Invariants

void TqvGant_ComBasic::CheckInvariants() const
{
    if (RowList == nullptr || DataLists == nullptr) return;
    RowList->CheckInvariants();
    if (DataLists->Count() != RowList->Count())
        throw Exception(QStringLiteral("The three-level list does not hold every row's layers"));
    std::unordered_set<const TqvDataList2lev*> groups;
    for (int i = 0; i < DataLists->Count(); ++i)
        groups.insert(DataLists->GetDataListList(i));
    for (const TGantRow* row : RowList->GetRows())
        if (groups.count(row->GetDataLists()) == 0)
            throw Exception(QStringLiteral("A row's layers are missing from the three-level list"));
    if (ActiveDataEntity != nullptr && ActiveDataEntity->GetRow() == nullptr)
        throw Exception(QStringLiteral("The active item has no row"));
    if (PressedTime != nullptr && PressedTime->GetRow() == nullptr)
        throw Exception(QStringLiteral("The pressed item has no row"));
    CheckInputInvariants();
    if (SomeRowPaused != TSubColumnDriver::IsPaused(this) && !TSubColumnDriver::ResumeQueued())
        throw Exception(QStringLiteral("Paused rows are not registered for resumption"));
    size_t requested = 0;
    for (size_t i = FRequestedHead; i < FRequestedRows.size(); ++i)
        requested += FRequestedRows[i] != nullptr && FRequestedRows[i]->FSubColumnsRequested;
    size_t flagged = 0;
    for (const TGantRow* row : RowList->GetRows())
        flagged += row->FSubColumnsRequested;
    if (requested != flagged) throw Exception(QStringLiteral("Requested rows and their marks differ"));
    // The composite.
    if (Treeview != nullptr && Treeview->GetVisible() == UseGridNotTree)
        throw Exception(QStringLiteral("The tree is shown in grid mode or hidden in tree mode"));
    if (Grid != nullptr && Grid->GetVisible() != UseGridNotTree)
        throw Exception(QStringLiteral("The grid is hidden in grid mode or shown in tree mode"));
    if (Grid != nullptr && Grid->GetVertScrollHijacked() != GridVerticalScrollOutOfGrid)
        throw Exception(
            QStringLiteral("The grid's vertical bar is not where GridVerticalScrollOutOfGrid says"));
    if (PageControl != nullptr && PanelScaleAndGantHolder != nullptr &&
        (PageControl->GetVisible() != UseTabSheets ||
         (PanelScaleAndGantHolder->parentWidget() == GantSheet) != UseTabSheets))
        throw Exception(QStringLiteral("The tab sheets are not as UseTabSheets says"));
    for (const auto& entry : TabSheets)
        if (entry->Sheet == nullptr || entry->Sheet->GetPageControl() != PageControl)
            throw Exception(QStringLiteral("A tab sheet entry has lost its sheet"));
    const QImage& checker = PyjamasBitmap.Image();
    if (checker.width() != 2 || checker.height() != 2 ||
        checker.pixel(0, 0) != ToQColor(GantBackColor).rgb() ||
        checker.pixel(1, 0) != ToQColor(GantPyjamasColor).rgb())
        throw Exception(QStringLiteral("The pyjamas bitmap does not show the two colours"));
}

// ===========================================================================
// TqvGant

TqvGant::TqvGant(QWidget* aParent) : TqvGant_ComBasic(aParent) {}

} // namespace skedra
