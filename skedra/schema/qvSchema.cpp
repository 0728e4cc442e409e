#include "skedra/schema/qvSchema.h"

#include <QScopeGuard>
#include <QScopedValueRollback>

#include <algorithm>
#include <cmath>

#include "skedra/foundation/DoLater.h"
#include "skedra/platform/Messages.h"
#include "skedra/schema/qvSchema_p.h"

namespace skedra
{

namespace
{
// The keys the schema area takes instead of letting them move the focus.
constexpr Word kWantedKeys[] = {VK_PRIOR, VK_NEXT,  VK_END,  VK_HOME, VK_LEFT,
                                VK_UP,    VK_RIGHT, VK_DOWN, VK_APPS};

} // namespace

// ---------------------------------------------------------------------------
// Construction and destruction

TqvSchema_ComBasic::TqvSchema_ComBasic(QWidget* aParent)
    : TCustomPanel(aParent), d(std::make_unique<TSchemaPrivate>())
{
    InitializeInConstructor();
}

void TqvSchema_ComBasic::InitializeInConstructor()
{
    Initialize();
}

void TqvSchema_ComBasic::Initialize()
{
    SetCaption(QStringLiteral(" "));
    SetBevelOuter(bvNone);
    d->Job.SetOnDone(MakeMethod<&TqvSchema_ComBasic::SubColThreadDone>(this));

    TimeController = new TqvListController();
    TimeController->OnContentChanged = MakeMethod<&TqvSchema_ComBasic::_OnContentChanged>(this);
    TimeController->OnSelectionChanged = MakeMethod<&TqvSchema_ComBasic::_OnSelectionChanged>(this);
    TimeController->OnDeleteItem = MakeMethod<&TqvSchema_ComBasic::_OnDeleteItem>(this);
    TimeController->OnInsertItem = MakeMethod<&TqvSchema_ComBasic::_OnInsertItem>(this);
    TimeController->OnInfoPush = MakeMethod<&TqvSchema_ComBasic::_OnInfoPush>(this);
    TimeController->OnBeforeCanEditItem = MakeMethod<&TqvSchema_ComBasic::_OnBeforeCanEditItem>(this);
    RebuildPyjamasPattern();
    DataLists = Create2LevList();
    TextFont1.Assign(*GetFont());
    TextFont2.Assign(*GetFont());
    TextFont3.Assign(*GetFont());

    ColumnController = new TqvListController();
    Columns = CreateColumnsCollection();
    Columns->AfterCreate(ColumnController, ClassOfDataEntity_SchemaColumn());
    Columns->Schema = this;
    Columns->DefaultWidth = 120;
    Columns->DefaultHeight = 18;
    ColumnController->OnContentChanged = MakeMethod<&TDataListColumns::_OnContentChanged>(Columns);
    ColumnController->OnSelectionChanged = MakeMethod<&TDataListColumns::_OnSelectionChanged>(Columns);
    ColumnController->OnDeleteItem = MakeMethod<&TDataListColumns::_OnDeleteItem>(Columns);
    ColumnController->OnInsertItem = MakeMethod<&TDataListColumns::_OnInsertItem>(Columns);
    ColumnController->OnInfoPush = MakeMethod<&TDataListColumns::_OnInfoPush>(Columns);
    ColumnController->OnHandlePerformedMove = MakeMethod<&TDataListColumns::_OnHandlePerformedMove>(Columns);
    ColumnController->OnBeforeCanEditItem = TOnDataEntityNotify([this](TqvDataEntity* e) {
        if (e == nullptr) return;
        e->CanEdit = true;
        OnBeforeCanEditItem_Column(this, e);
    });

    StartSnapONOFF = true;
    LengthSnapONOFF = true;
    StartSnap = 5 * kMinute;
    LengthSnap = kMinute;

    Scaler = CreateDateScaler();
    Scaler->SetName(QStringLiteral("Scaler"));
    Scaler->SetParent(this);
    Scaler->SetVisible(true);
    SchemaColor = 0x008000;
    SchemaPyjamasColor = 0x008080;
    RebuildPyjamasPattern();

    SchemaArea = new TqvOffscreenPaint_Schema(this, this);
    SchemaArea->SetName(QStringLiteral("SchemaArea"));
    SchemaArea->SetBevelOuter(bvNone);

    Header = new THeaderControl_MouseControl(this);
    Header->SetName(QStringLiteral("Header"));
    Header->Columns = Columns;
    Header->SetHeight(20);
    Header->OnResize = MakeMethod<&TqvSchema_ComBasic::HeaderChanged>(this);
    Header->OnSectionResize = MakeMethod<&TDataListColumns::HeaderControlSectionResize>(Columns);
    Columns->Header = Header;

    FlippedHeader = new TDrawGrid_Schema(this);
    FlippedHeader->SetName(QStringLiteral("FlippedHeader"));
    FlippedHeader->SetVisible(false);
    FlippedHeader->SetScrollBars(ssNone);
    FlippedHeader->SetColCount(2);
    FlippedHeader->SetFixedCols(1);
    FlippedHeader->SetFixedRows(0);
    FlippedHeader->SetRowCount(1);
    FlippedHeader->SetOptions(FlippedHeader->GetOptions() + goRowSizing);
    FlippedHeader->SetDefaultRowHeight(18);
    FlippedHeader->SetColor(clBtnFace);
    FlippedHeader->OnDrawCell = MakeMethod<&TqvSchema_ComBasic::DrawFlippedCell>(this);
    FlippedHeader->SetBounds(-11, -11, 10, 10);
    FlippedHeader->Columns = Columns;
    Columns->FlippedHeader = FlippedHeader;

    Scaler->OnChange = MakeMethod<&TqvSchema_ComBasic::ScaleChanged>(this);
    Scaler->BeginUpdate();
    {
        const auto end = qScopeGuard([this] { Scaler->EndUpdate(); });
        const TDateTime now = Now();
        Scaler->SetStop(now + 31);
        Scaler->SetStart(now);
    }

    XYSizer = new TXYSizer(this);
    XYSizer->SetName(QStringLiteral("itsXYSizer"));
    XYSizer->OnResize = MakeMethod<&TqvSchema_ComBasic::PartResize>(this);
    XYSizer->SetBounds(0, 0, 5, 5);
    XYSizer->BringToFront();

    SchemaArea->OnMouseDown = MakeMethod<&TqvSchema_ComBasic::SchemaMouseDown>(this);
    SchemaArea->OnMouseMove = MakeMethod<&TqvSchema_ComBasic::SchemaMouseMove>(this);
    SchemaArea->OnMouseUp = MakeMethod<&TqvSchema_ComBasic::SchemaMouseUp>(this);
    SchemaArea->OnPaint = MakeMethod<&TqvSchema_ComBasic::SchemaPaint>(this);
    SchemaArea->OnResize = MakeMethod<&TqvSchema_ComBasic::ScaleChanged>(this);
    SchemaArea->SetTabStop(true);
    for (Word key : kWantedKeys)
        SchemaArea->WantedKeys.Include(static_cast<unsigned char>(key));

    QuadPoint = TPoint(70, Header->GetHeight());
    FlippedQuadPoint = TPoint(70, 50);

    ColumnScroller = new TUpDown(this);
    ColumnScroller->SetName(QStringLiteral("ColumnScroller"));
    ColumnScroller->SetOrientation(udHorizontal);
    ColumnScroller->OnClick = MakeMethod<&TqvSchema_ComBasic::ColumnUpDownOnClick>(this);
    ColumnScroller->BringToFront();

    SetScalerWidth(50);
    CollisionDetect = true;
    DrawLayers.clear();
    for (int i = 0; i <= 10; ++i)
        DrawLayers.push_back(i);
    UpdatePartSize();

    InfoHint = new TqvSchema_ComBasicHintWindow(this);
    InfoHint->SetBounds(0, 0, 120, 30);
    BigHint = new TqvSchema_ComBasicHintWindow(this);
    BigHint->SetBounds(0, 0, 120, 230);
    ShowBigTimer = std::make_unique<TTimer>();
    ShowBigTimer->SetEnabled(false);
    HideBigTimer = std::make_unique<TTimer>();
    HideBigTimer->SetEnabled(false);
    HideBigTimer->SetInterval(5000);

    ScrollVisibility = svWhenNeeded;
    RequestUpdateColumnScroller();
    SchemaArea->OnPrintResizeFont = MakeMethod<&TqvSchema_ComBasic::_OnPrintResizeFont>(this);
    InitializeInput();
}

TqvSchema_ComBasic::~TqvSchema_ComBasic()
{
    FBeingDestroyed = true;
    MarkDestroying();
    TDoLater::NeverMind(MakeMethod<&TqvSchema_ComBasic::UpdateSubColumns_DoLater>(this));
    TDoLater::NeverMind(MakeMethod<&TqvSchema_ComBasic::UpdateColumnScroller_DoLater>(this));
    TDoLater::NeverMind(MakeMethod<&TqvSchema_ComBasic::SetScalerWidth_Perform>(this));
    TDoLater::NeverMind(MakeMethod<&TqvSchema_ComBasic::SetScalerHeight_Perform>(this));
    TDoLater::NeverMind(MakeMethod<&TqvSchema_ComBasic::UpdateScrollPos>(this));
    // The sub-controls outlive this body: nothing of theirs may call back.
    Scaler->OnChange.Clear();
    SchemaArea->OnPaint.Clear();
    SchemaArea->OnResize.Clear();
    SchemaArea->OnMouseDown.Clear();
    SchemaArea->OnMouseMove.Clear();
    SchemaArea->OnMouseUp.Clear();
    SchemaArea->OnPrintResizeFont.Clear();
    SchemaArea->OnStartDrag.Clear();
    SchemaArea->OnDragOver.Clear();
    SchemaArea->OnDragDrop.Clear();
    SchemaArea->OnEndDrag.Clear();
    ShowBigTimer->OnTimer.Clear();
    HideBigTimer->OnTimer.Clear();
    Header->OnResize.Clear();
    Header->OnSectionResize.Clear();
    Header->Columns = nullptr;
    FlippedHeader->OnDrawCell.Clear();
    FlippedHeader->Columns = nullptr;
    XYSizer->OnResize.Clear();
    delete ColumnScroller;
    ColumnScroller = nullptr;
    CleanUpThread();
    ActiveDataEntity = nullptr;
    GuardedCall([&] {
        for (int i = DataLists->Count() - 1; i >= 0; --i)
            if (TqvDataList* list = DataLists->GetDataList(i)) list->FreeWheneverPossible();
    });
    DataLists->FreeWheneverPossible();
    DataLists = nullptr;
    GuardedCall([&] { Columns->FreeWheneverPossible(); });
    Columns = nullptr;
    delete TimeController;
    delete ColumnController;
}

TqvDataList* TqvSchema_ComBasic::CreateDataList()
{
    return new TqvDataList_Schema();
}

TqvDateScaler* TqvSchema_ComBasic::CreateDateScaler()
{
    return new TqvDateScaler(this);
}

TDataListColumns* TqvSchema_ComBasic::CreateColumnsCollection()
{
    return new TDataListColumns();
}

TqvDataList2lev* TqvSchema_ComBasic::Create2LevList()
{
    auto* lists = new TqvDataList2lev();
    lists->AfterCreate();
    return lists;
}

TqvDataEntityClass TqvSchema_ComBasic::ClassOfDataEntity_SchemaColumn()
{
    return ClassOf<TqvDataEntity_SchemaColumn>();
}

TqvDataEntityClass TqvSchema_ComBasic::ClassOfDataEntity_SchemaTime()
{
    return ClassOf<TqvDataEntity_SchemaTime>();
}

// ---------------------------------------------------------------------------
// Columns

TqvDataEntity_SchemaColumn* TqvSchema_ComBasic::AddColumn()
{
    auto* column = dynamic_cast<TqvDataEntity_SchemaColumn*>(Columns->Add());
    RequestUpdateColumnScroller();
    return column;
}

void TqvSchema_ComBasic::RemoveColumn(TqvDataEntity_SchemaColumn* theColumn)
{
    if (theColumn == nullptr || theColumn->GetDataList() != Columns) return;
    Columns->Remove(theColumn);
    RequestUpdateColumnScroller();
}

void TqvSchema_ComBasic::ClearColumns()
{
    Columns->Clear();
    Header->GetSections()->Clear();
    RequestUpdateColumnScroller();
}

int TqvSchema_ComBasic::ColumnCount() const
{
    return Columns->SectionCount();
}

QString TqvSchema_ComBasic::HeaderFromColumn(int theIndex)
{
    if (theIndex < 0 || theIndex >= ColumnCount()) return QStringLiteral("???");
    QString text = Columns->SectionOwner(theIndex)->GetText();
    OnHeaderFromColumn(theIndex, text);
    return text;
}

int TqvSchema_ComBasic::ColumnSize(bool theFlipped, int theCol) const
{
    if (theCol < 0 || theCol >= ColumnCount()) return 0;
    if (d->PrintLayout.Active) return d->PrintColumnSize(this, theFlipped, theCol);
    return theFlipped ? FlippedHeader->GetRowHeights(theCol) : Header->SectionWidth(theCol);
}

void TqvSchema_ComBasic::ColumnToPixels(int theCol, int& theNear, int& theFar) const
{
    ColumnToPixels_fw(FlipView, theCol, theNear, theFar);
}

void TqvSchema_ComBasic::ColumnToPixels_fw(bool theFlipped, int theCol, int& theNear, int& theFar) const
{
    if (theCol < 0 || theCol >= ColumnCount()) {
        theNear = theFar = -1;
        return;
    }
    TColumnAxisCache& axis = d->Axis;
    if (axis.Active && axis.Flipped == theFlipped && theCol >= axis.First) {
        for (int c = axis.First + static_cast<int>(axis.Far.size()); c <= theCol; ++c) {
            axis.Size.push_back(ColumnSize(theFlipped, c));
            axis.Far.push_back((axis.Far.empty() ? 0 : axis.Far.back()) + axis.Size.back() +
                               (theFlipped ? 1 : 0));
        }
        theFar = axis.Far[static_cast<size_t>(theCol - axis.First)];
        theNear = theFar - axis.Size[static_cast<size_t>(theCol - axis.First)];
        return;
    }
    const int first = Columns->GetTopLeftCol();
    int far = 0;
    if (theCol >= first)
        for (int c = first; c <= theCol; ++c)
            far += ColumnSize(theFlipped, c) + (theFlipped ? 1 : 0);
    theFar = far;
    theNear = far - ColumnSize(theFlipped, theCol);
}

int TqvSchema_ComBasic::PixelToColumn(int thePixel) const
{
    return PixelToColumn_fw(FlipView, thePixel);
}

int TqvSchema_ComBasic::PixelToColumn_fw(bool theFlipped, int thePixel) const
{
    const int count = ColumnCount();
    if (count == 0) return -1;
    if (thePixel < 0) return 0;
    // Columns before the first visible one are 0 wide: the walk starts there.
    int end = 0;
    for (int c = Columns->GetTopLeftCol(); c < count; ++c) {
        end += ColumnSize(theFlipped, c) + (theFlipped ? 1 : 0);
        if (thePixel < end) return c;
    }
    return count - 1;
}

TqvDataEntity_SchemaColumn* TqvSchema_ComBasic::ColumnFromXY(TPoint thePoint)
{
    const int c = PixelToColumn(FlipView ? thePoint.Y : thePoint.X);
    return c >= 0 ? Columns->SectionOwner(c) : nullptr;
}

int TqvSchema_ComBasic::GetColumnSpace() const
{
    int sum = 0;
    for (int c = 0; c < ColumnCount(); ++c)
        sum += ColumnSize(FlipView, c);
    return sum;
}

// ---------------------------------------------------------------------------
// Time items

TqvDataList* TqvSchema_ComBasic::AddDataList()
{
    TqvDataList* list = CreateDataList();
    list->AfterCreate(TimeController, ClassOfDataEntity_SchemaTime());
    DataLists->Add(list);
    ItemsChanged();
    return list;
}

TqvDataEntity_SchemaTime* TqvSchema_ComBasic::AddSchemaTime(int theLayer)
{
    if (theLayer < 0) return nullptr;
    while (DataLists->Count() <= theLayer)
        AddDataList();
    return dynamic_cast<TqvDataEntity_SchemaTime*>(DataLists->GetDataList(theLayer)->Add());
}

void TqvSchema_ComBasic::RemoveSchemaTime(TqvDataEntity_SchemaTime* theItem)
{
    if (theItem != nullptr && theItem->GetDataList() != nullptr) theItem->GetDataList()->Remove(theItem);
}

TqvDataEntity_SchemaTime* TqvSchema_ComBasic::FindSchemaTimeObjectFromUserReference(void* theReference)
{
    TqvDataEntity_SchemaTime* result = nullptr;
    for (int l = 0; l < DataLists->Count(); ++l) {
        TqvDataList* list = DataLists->GetDataList(l);
        if (list == nullptr) continue;
        for (int i = 0; i < list->Count(); ++i) {
            TqvDataEntity* e = list->Items(i);
            if (e != nullptr && e->GetUserReference() == theReference) {
                result = DataEntity_Schema(e);
                break;
            }
        }
    }
    return result;
}

void TqvSchema_ComBasic::GetStartStopDateAndCol(TqvDataEntity_SchemaTime* theItem, TDateTime& theStart,
                                                int& theCol, TDateTime& theStop) const
{
    theCol = theItem->GetCol();
    const TqvDataEntity_SchemaColumn* column = Columns->SectionOwner(theCol);
    if (column == nullptr) {
        theStart = theStop = 0;
        return;
    }
    theStart = theItem->GetStartDateTime() - column->GetDateOffset();
    theStop = theItem->GetStopDateTime() - column->GetDateOffset();
}

bool TqvSchema_ComBasic::RectFromDataEntity(bool theFlipped, TqvDataEntity_SchemaTime* theItem,
                                            TRect& theRect)
{
    if (theItem == nullptr) return false;
    TDateTime start, stop;
    int c;
    GetStartStopDateAndCol(theItem, start, c, stop);
    const TqvDataEntity_SchemaColumn* column = Columns->SectionOwner(c);
    // An item whose column is out of range has no place.
    if (column == nullptr) return false;
    int t1 = Scaler->DateToPixel(start);
    int t2 = Scaler->DateToPixel(stop);
    if (t2 - t1 < 5) t2 = t1 + 5;
    int n, f;
    ColumnToPixels_fw(theFlipped, c, n, f);
    const int subCols = std::max(column->GetSubColCount(), 1);
    // A sub-column outside the column's count (stale after a recount) takes the whole column.
    if (theItem->GetUseSubCol() && theItem->GetSubCol() >= 0 && theItem->GetSubCol() < subCols) {
        const int colFar = f;
        const int w = RoundToInt(static_cast<double>(f - n) / subCols);
        n += w * theItem->GetSubCol();
        f = std::min(n + w, colFar); // rounding never takes it into the next column
    }
    n += theItem->GetNearMargin();
    f -= theItem->GetFarMargin();
    const double columnScale = theFlipped ? SchemaArea->GetScaley() : SchemaArea->GetScalex();
    const double timeScale = theFlipped ? SchemaArea->GetScalex() : SchemaArea->GetScaley();
    n = RoundToInt(n * columnScale);
    f = RoundToInt(f * columnScale);
    t1 = RoundToInt(t1 * timeScale);
    t2 = RoundToInt(t2 * timeScale);
    // The first pixel is the grid line's; a column of no width or margins wider
    // than the column leave an empty rectangle, never an inverted one.
    f = std::max(f, n);
    if (theFlipped)
        theRect = TRect(std::min(t1 + 1, t2), n, t2, f);
    else
        theRect = TRect(std::min(n + 1, f), t1, f, t2);
    if (OnGetDrawingRect.Assigned()) return OnGetDrawingRect(this, theItem, theRect);
    return true;
}

bool TqvSchema_ComBasic::XStartStopFromDataEntity(TqvDataEntity_SchemaTime* theItem, int& theStart,
                                                  int& theStop)
{
    TRect r;
    if (!RectFromDataEntity(FlipView, theItem, r)) return false;
    theStart = r.Left;
    theStop = r.Right;
    return true;
}

bool TqvSchema_ComBasic::YStartStopFromDataEntity(TqvDataEntity_SchemaTime* theItem, int& theStart,
                                                  int& theStop)
{
    TRect r;
    if (!RectFromDataEntity(FlipView, theItem, r)) return false;
    theStart = r.Top;
    theStop = r.Bottom;
    return true;
}

bool TqvSchema_ComBasic::HeaderPixelsFromStartStopFromDataEntity(TqvDataEntity_SchemaTime* theItem,
                                                                 int& theNear, int& theFar)
{
    return FlipView ? YStartStopFromDataEntity(theItem, theNear, theFar)
                    : XStartStopFromDataEntity(theItem, theNear, theFar);
}

bool TqvSchema_ComBasic::ScalerPixelsFromStartStopFromDataEntity(TqvDataEntity_SchemaTime* theItem,
                                                                 int& theStart, int& theStop)
{
    return FlipView ? XStartStopFromDataEntity(theItem, theStart, theStop)
                    : YStartStopFromDataEntity(theItem, theStart, theStop);
}

bool TqvSchema_ComBasic::IsVisible(TqvDataEntity_SchemaTime* theItem)
{
    if (theItem == nullptr) return false;
    if (OnIsVisible.Assigned()) {
        bool runDefault = true;
        if (!OnIsVisible(this, theItem, runDefault)) return false;
        if (!runDefault) return true;
    }
    TDateTime start, stop;
    int c;
    GetStartStopDateAndCol(theItem, start, c, stop);
    return !(start > Scaler->GetStop()) && !(stop < Scaler->GetStart());
}

void TqvSchema_ComBasic::SetActiveDataEntity(TqvDataEntity_SchemaTime* theItem)
{
    ActiveDataEntity = theItem;
    SchemaArea->Invalidate();
}

TqvDataEntity_SchemaTime* TqvSchema_ComBasic::DataEntity_Schema(TObject* theObject)
{
    return dynamic_cast<TqvDataEntity_SchemaTime*>(theObject);
}

// ---------------------------------------------------------------------------
// Layout

void TqvSchema_ComBasic::SetFlipView(bool theValue)
{
    if (theValue == FlipView) return;
    FlipView = theValue;
    UpdatePartSize();
    RequestUpdateColumnScroller();
    SchemaArea->Invalidate();
}

void TqvSchema_ComBasic::SetQuadPoint(TPoint thePoint)
{
    QuadPoint = thePoint;
    UpdatePartSize();
}

void TqvSchema_ComBasic::SetFlippedQuadPoint(TPoint thePoint)
{
    FlippedQuadPoint = thePoint;
    UpdatePartSize();
}

int TqvSchema_ComBasic::GetScalerWidth() const
{
    return FlipView ? GetClientWidth() - FlippedQuadPoint.X : QuadPoint.X;
}

void TqvSchema_ComBasic::SetScalerWidth(int theValue)
{
    PendingScalerWidth = theValue;
    TDoLater::DoLater(MakeMethod<&TqvSchema_ComBasic::SetScalerWidth_Perform>(this));
}

void TqvSchema_ComBasic::SetScalerWidth_Perform(TObject*)
{
    if (FlipView)
        FlippedQuadPoint.X = GetClientWidth() - PendingScalerWidth;
    else
        QuadPoint.X = PendingScalerWidth;
    UpdatePartSize();
}

int TqvSchema_ComBasic::GetScalerHeight() const
{
    return FlipView ? FlippedQuadPoint.Y : GetClientHeight() - QuadPoint.Y;
}

void TqvSchema_ComBasic::SetScalerHeight(int theValue)
{
    PendingScalerHeight = theValue;
    TDoLater::DoLater(MakeMethod<&TqvSchema_ComBasic::SetScalerHeight_Perform>(this));
}

void TqvSchema_ComBasic::SetScalerHeight_Perform(TObject*)
{
    if (FlipView)
        FlippedQuadPoint.Y = PendingScalerHeight;
    else
        QuadPoint.Y = GetClientHeight() - PendingScalerHeight;
    UpdatePartSize();
}

void TqvSchema_ComBasic::UpdatePartSize()
{
    if (FBeingDestroyed || SchemaArea == nullptr || ColumnScroller == nullptr) return;
    static thread_local int depth = 0;
    if (depth > 0) return; // a sub-control's resize lays out again: once is enough
    QScopedValueRollback guard(depth, depth + 1);
    BeginUpdate();
    const auto end = qScopeGuard([this] { EndUpdate(); });
    const int W = GetClientWidth(), H = GetClientHeight();
    if (!FlipView) {
        const TPoint q = QuadPoint;
        FlippedHeader->SetVisible(false);
        FlippedHeader->SendToBack();
        Header->SetVisible(true);
        Scaler->SetHorizontal(false);
        Header->SetBounds(q.X, 0, W - q.X, q.Y);
        Scaler->SetBounds(0, q.Y, q.X, H - q.Y);
        SchemaArea->SetBounds(q.X, q.Y, W - q.X, H - q.Y);
        XYSizer->SetBounds(q.X - 3, q.Y - 3, 5, 5);
    } else {
        const TPoint q = FlippedQuadPoint;
        Header->SetVisible(false);
        Header->SendToBack();
        Scaler->SetHorizontal(true);
        FlippedHeader->SetVisible(true);
        Scaler->SetBounds(q.X, 0, W - q.X, q.Y);
        FlippedHeader->SetBounds(0, q.Y, q.X, H - q.Y);
        {
            QScopedValueRollback resizing(Columns->Resizing, true);
            FlippedHeader->SetColWidths(0, q.X);
        }
        SchemaArea->SetBounds(q.X, q.Y, W - q.X, H - q.Y);
        XYSizer->SetBounds(q.X - 3, q.Y - 3, 5, 5);
    }
    XYSizer->BringToFront();
    UpdateColumnScroller();
}

void TqvSchema_ComBasic::PartResize(TXYSizer*, TPoint theNewPoint)
{
    TPoint& q = FlipView ? FlippedQuadPoint : QuadPoint;
    q = TPoint(q.X + theNewPoint.X, q.Y + theNewPoint.Y);
    UpdatePartSize();
}

void TqvSchema_ComBasic::Resize()
{
    TCustomPanel::Resize();
    UpdatePartSize();
}

void TqvSchema_ComBasic::HeaderChanged(TObject*)
{
    UpdatePartSize();
}

void TqvSchema_ComBasic::ScaleChanged(TObject*)
{
    if (FBeingDestroyed) return;
    SchemaArea->Invalidate();
    OnScalerChange(this);
    UpdateSubColumns();
}

void TqvSchema_ComBasic::RequestUpdateColumnScroller()
{
    // Deferred, so that a burst of column changes updates the scroller once.
    if (!FBeingDestroyed)
        TDoLater::DoLater(MakeMethod<&TqvSchema_ComBasic::UpdateColumnScroller_DoLater>(this));
}

void TqvSchema_ComBasic::UpdateColumnScroller_DoLater(TObject*)
{
    UpdateColumnScroller();
}

void TqvSchema_ComBasic::UpdateColumnScroller()
{
    if (FBeingDestroyed || ColumnScroller == nullptr) return;
    ColumnScroller->SetOrientation(FlipView ? udVertical : udHorizontal);
    const int room = FlipView ? GetClientHeight() - GetScalerHeight() : GetClientWidth() - GetScalerWidth();
    bool visible =
        ScrollVisibility == svAlways || (ScrollVisibility == svWhenNeeded && room < GetColumnSpace());
    ColumnScroller->SetMin(0);
    ColumnScroller->SetMax(std::max(0, ColumnCount() - 1));
    if (ColumnScroller->GetPosition() > 0) visible = true;
    ColumnScroller->SetVisible(visible);
    TDoLater::DoLater(MakeMethod<&TqvSchema_ComBasic::UpdateScrollPos>(this));
}

void TqvSchema_ComBasic::UpdateScrollPos(TObject*)
{
    if (FBeingDestroyed || ColumnScroller == nullptr) return;
    const int W = GetClientWidth();
    if (!FlipView) {
        ColumnScroller->SetIncrement(1);
        ColumnScroller->SetBounds(W - 24, QuadPoint.Y, 24, 16);
    } else {
        ColumnScroller->SetIncrement(-1);
        ColumnScroller->SetBounds(W - 16, FlippedQuadPoint.Y, 16, 24);
    }
    const int c = PixelToColumn(1);
    if (c >= 0) ColumnScroller->SetPosition(c);
    ColumnScroller->BringToFront();
}

void TqvSchema_ComBasic::ColumnUpDownOnClick(TObject*, TUDBtnType)
{
    if (ColumnCount() == 0) return;
    const int p = std::clamp(ColumnScroller->GetPosition(), 0, ColumnCount() - 1);
    ColumnScroller->SetPosition(p);
    Columns->SetTopLeftCol(p);
}

void TqvSchema_ComBasic::SetScrollVisibility(TScrollVisibility aValue)
{
    ScrollVisibility = aValue;
    UpdateColumnScroller();
}

void TqvSchema_ComBasic::SetDrawLayers(const TDrawLayerArray& aValue)
{
    DrawLayers = aValue;
    ItemsChanged();
    SchemaArea->Invalidate();
}

void TqvSchema_ComBasic::RebuildPyjamasPattern()
{
    PyjamasPattern = QImage(2, 2, QImage::Format_RGB32);
    const QRgb a = ToQColor(SchemaColor).rgb(), b = ToQColor(SchemaPyjamasColor).rgb();
    PyjamasPattern.setPixel(0, 0, a);
    PyjamasPattern.setPixel(1, 1, a);
    PyjamasPattern.setPixel(1, 0, b);
    PyjamasPattern.setPixel(0, 1, b);
}

void TqvSchema_ComBasic::SetBackColor(TColor theValue)
{
    SchemaColor = theValue;
    RebuildPyjamasPattern();
    if (SchemaArea != nullptr) SchemaArea->Invalidate();
}

void TqvSchema_ComBasic::SetPyjamasColor(TColor theValue)
{
    SchemaPyjamasColor = theValue;
    RebuildPyjamasPattern();
    if (SchemaArea != nullptr) SchemaArea->Invalidate();
}

void TqvSchema_ComBasic::EnterTextStyle(TCanvas* theCanvas, int theStyle)
{
    const TFont* font = theStyle == 1   ? &TextFont1
                        : theStyle == 2 ? &TextFont2
                        : theStyle == 3 ? &TextFont3
                                        : GetFont();
    // Items share a few fonts: assigning an equal font again would rebuild it for every text.
    if (!(theCanvas->Font == *font)) theCanvas->Font.Assign(*font);
    if (SchemaArea->GetIsPrinting()) SchemaArea->PrintResizeFont();
}

void TqvSchema_ComBasic::BeginUpdate()
{
    SchemaArea->BeginUpdate();
    Scaler->BeginUpdate();
    Header->GetSections()->BeginUpdate();
}

void TqvSchema_ComBasic::EndUpdate()
{
    Header->GetSections()->EndUpdate();
    Scaler->EndUpdate();
    SchemaArea->EndUpdate();
}

bool TqvSchema_ComBasic::GetHeaderTabStop() const
{
    return FlippedHeader->GetTabStop();
}

void TqvSchema_ComBasic::SetHeaderTabStop(bool aValue)
{
    FlippedHeader->SetTabStop(aValue);
    for (int i = 0; i < FlippedHeader->GetColCount(); ++i)
        FlippedHeader->SetTabStops(i, aValue);
}

bool TqvSchema_ComBasic::GetSchemaTabStop() const
{
    return SchemaArea->GetTabStop();
}

void TqvSchema_ComBasic::SetSchemaTabStop(bool aValue)
{
    SchemaArea->SetTabStop(aValue);
}

TPopupMenu* TqvSchema_ComBasic::GetHeaderPopupmenu() const
{
    return Header->GetPopupMenu();
}

void TqvSchema_ComBasic::SetHeaderPopupmenu(TPopupMenu* aMenu)
{
    Header->SetPopupMenu(aMenu);
    FlippedHeader->SetPopupMenu(aMenu);
}

TStartDragEvent TqvSchema_ComBasic::GetOnHeaderStartDrag() const
{
    return Header->OnStartDrag;
}
void TqvSchema_ComBasic::SetOnHeaderStartDrag(const TStartDragEvent& e)
{
    Header->OnStartDrag = FlippedHeader->OnStartDrag = e;
}
TEndDragEvent TqvSchema_ComBasic::GetOnHeaderEndDrag() const
{
    return Header->OnEndDrag;
}
void TqvSchema_ComBasic::SetOnHeaderEndDrag(const TEndDragEvent& e)
{
    Header->OnEndDrag = FlippedHeader->OnEndDrag = e;
}
TDragOverEvent TqvSchema_ComBasic::GetOnHeaderDragOver() const
{
    return Header->OnDragOver;
}
void TqvSchema_ComBasic::SetOnHeaderDragOver(const TDragOverEvent& e)
{
    Header->OnDragOver = FlippedHeader->OnDragOver = e;
}
TDragDropEvent TqvSchema_ComBasic::GetOnHeaderDragDrop() const
{
    return Header->OnDragDrop;
}
void TqvSchema_ComBasic::SetOnHeaderDragDrop(const TDragDropEvent& e)
{
    Header->OnDragDrop = FlippedHeader->OnDragDrop = e;
}

void TqvSchema_ComBasic::SetTodayLineColor(TColor v)
{
    TodayLineColor = v;
    SchemaArea->Invalidate();
}

void TqvSchema_ComBasic::SetTodayLineOnOff(bool v)
{
    TodayLineOnOff = v;
    SchemaArea->Invalidate();
}

void TqvSchema_ComBasic::SetDrawShortLines(bool v)
{
    DrawShortLines = v;
    SchemaArea->Invalidate();
}

void TqvSchema_ComBasic::SetCollisionDetectBetweenDataList(bool v)
{
    if (v == CollisionDetectBetweenDataList) return;
    CollisionDetectBetweenDataList = v;
    UpdateSubColumns();
}

void TqvSchema_ComBasic::SetCollisionDetect(bool v)
{
    if (v == CollisionDetect) return;
    CollisionDetect = v;
    UpdateSubColumns();
}

void TqvSchema_ComBasic::Repaint()
{
    TCustomPanel::Repaint();
    Scaler->Repaint();
    Header->Repaint();
    SchemaArea->Repaint();
}

void TqvSchema_ComBasic::_RefreshEverything()
{
    SchemaArea->Invalidate();
}

bool TqvSchema_ComBasic::WantSpecialKey(Word aKey)
{
    for (Word key : kWantedKeys)
        if (key == aKey) return true;
    return TCustomPanel::WantSpecialKey(aKey);
}

void TqvSchema_ComBasic::DrawFlippedCell(TObject*, int ACol, int ARow, TRect Rect, TGridDrawState)
{
    if (ACol != 0 || ARow < 0 || ARow >= ColumnCount()) return;
    TCanvas* canvas = FlippedHeader->GetCanvas();
    const QStringList lines = Columns->SectionOwner(ARow)->GetText().split(QLatin1Char('\n'));
    int y = Rect.Top + 2;
    for (const QString& line : lines) {
        // Each line opaque in its own band, so it never covers the line above.
        const int next = y + canvas->TextHeight(line) + 2;
        canvas->TextRect(TRect(Rect.Left, y, Rect.Right, std::min(next, Rect.Bottom)), Rect.Left + 2, y,
                         line);
        y = next;
        if (y >= Rect.Bottom) break;
    }
}

void TqvSchema_ComBasic::_OnPrintResizeFont(TqvOffscreenPaint* caller, int& FontSize, bool& DefaultResize)
{
    DefaultResize = true;
    OnPrintResizeFont(caller, FontSize, DefaultResize);
}

// ---------------------------------------------------------------------------
// Item list notifications

void TqvSchema_ComBasic::ItemsChanged()
{
    d->Index.Invalidate();
}

void TqvSchema_ComBasic::_OnContentChanged(TqvDataList* theqvDataList)
{
    ItemsChanged();
    if (FBeingDestroyed) return;
    UpdateSubColumns();
    SchemaArea->Invalidate();
    OnContentChanged_SchemaTime(this, theqvDataList);
}

void TqvSchema_ComBasic::_OnSelectionChanged(TqvDataList* theqvDataList, TqvDataEntity* theDataEntity)
{
    if (FBeingDestroyed) return;
    SchemaArea->Invalidate();
    OnSelectionNotify(this);
    OnSelectionChanged_SchemaTime(this, theqvDataList, theDataEntity);
}

void TqvSchema_ComBasic::_OnDeleteItem(TqvDataEntity* theDataEntity)
{
    ItemsChanged();
    if (ActiveDataEntity == theDataEntity) ActiveDataEntity = nullptr;
    ForgetInputItem(theDataEntity);
    if (FBeingDestroyed) return;
    // A result computed with the item would name a freed object.
    CleanUpThread();
    UpdateSubColumns();
    SchemaArea->Invalidate();
    OnDeleteItem_SchemaTime(this, theDataEntity);
}

void TqvSchema_ComBasic::_OnInsertItem(TqvDataEntity* theDataEntity)
{
    ItemsChanged();
    if (FBeingDestroyed) return;
    UpdateSubColumns();
    SchemaArea->Invalidate();
    OnInsertItem_SchemaTime(this, theDataEntity);
}

void TqvSchema_ComBasic::_OnInfoPush(TqvDataEntity* theDataEntity)
{
    ItemsChanged();
    if (FBeingDestroyed || InternalChange) return;
    OnChangeDataEntity_SchemaTime(this, DataEntity_Schema(theDataEntity));
    UpdateSubColumns();
    SchemaArea->Invalidate();
    OnValueChanged_SchemaTime(this, theDataEntity);
}

void TqvSchema_ComBasic::_OnBeforeCanEditItem(TqvDataEntity* theDataEntity)
{
    if (theDataEntity == nullptr) return;
    theDataEntity->CanEdit = true;
    OnBeforeCanEditItem_SchemaTime(this, theDataEntity);
}

void TqvSchema_ComBasic::CheckInvariants()
{
    Columns->CheckInvariants();
    if (d->Index.Valid()) d->Index.CheckInvariants(this);
    d->Input.CheckInvariants();
}

TqvSchema::TqvSchema(QWidget* aParent) : TqvSchema_ComBasic(aParent)
{
    SetTabStop(false);
}

} // namespace skedra
