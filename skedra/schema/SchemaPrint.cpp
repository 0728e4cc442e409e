#include "skedra/schema/SchemaPrint.h"

#include <QImage>
#include <QScopeGuard>

#include <algorithm>
#include <cmath>
#include <vector>

#include "skedra/foundation/DoLater.h"
#include "skedra/gantt/TimeDistinct.h"
#include "skedra/platform/Exceptions.h"
#include "skedra/schema/qvSchema.h"
#include "skedra/schema/qvSchema_p.h"

namespace skedra
{

bool TqvPrintSchema::RowOverflow = false;
TObject* TqvPrintSchema::RowOverflowColumn = nullptr;
bool TqvPrintSchema::ColumnOverflow = false;
TObject* TqvPrintSchema::ColumnOverflowColumn = nullptr;

namespace
{

void CheckPrintArguments(TqvSchema_ComBasic* theSchema, TDeviceContext* theDC, double theScaleX,
                         double theScaleY)
{
    if (theSchema == nullptr) throw Exception(QStringLiteral("No schedule view to print"));
    if (theDC == nullptr || theDC->Painter() == nullptr)
        throw Exception(QStringLiteral("No device context to print on"));
    if (!(theScaleX > 0) || !(theScaleY > 0) || !std::isfinite(theScaleX) || !std::isfinite(theScaleY))
        throw Exception(QStringLiteral("Invalid print scale"));
}

// The sub-column state of the items and columns a print places again.
struct TSubColumnState {
    struct TItem {
        TqvDataEntity_SchemaTime* Item;
        int SubCol;
        bool UseSubCol;
    };
    std::vector<TqvExposable::TKeepAlive> Keep;
    std::vector<TItem> Items;
    std::vector<std::pair<TqvDataEntity_SchemaColumn*, int>> Columns;
};

// Places the items in the printed time window into sub-columns now, as the
// background computation would, which the print cannot wait for (and which
// never places items outside the window on screen). The state before is
// kept in aSaved.
void PlaceSubColumnsNow(TqvSchema_ComBasic* aSchema, TSubColumnState& aSaved)
{
    if (!aSchema->GetCollisionDetect()) return;
    TqvDataList2lev* lists = aSchema->GetDataLists();
    TDataListColumns* columns = aSchema->GetColumns();
    TDistinctTimeHolderList holders;
    for (int l = 0; l < lists->Count(); ++l) {
        TqvDataList* list = lists->GetDataList(l);
        if (list == nullptr) continue;
        // Items collide only within their column; lists apart unless all lists of a column go together.
        const QString listKey = aSchema->GetCollisionDetectBetweenDataList() ? QString() : QString::number(l);
        for (int i = 0; i < list->Count(); ++i) {
            auto* item = TqvSchema_ComBasic::DataEntity_Schema(list->Items(i));
            if (item == nullptr || !aSchema->IsVisible(item)) continue;
            holders.Add(RoundToSecond(item->GetStartDateTime()), RoundToSecond(item->GetStopDateTime()),
                        listKey + QLatin1Char('*') + QString::number(item->GetCol()), item);
        }
    }
    TTimeDistinctGeneric engine(&holders);
    engine.ResolveConflicts();
    for (int c = 0; c < columns->SectionCount(); ++c) {
        TqvDataEntity_SchemaColumn* column = columns->SectionOwner(c);
        aSaved.Columns.emplace_back(column, column->GetSubColCount());
        column->SetSubColCount(1);
    }
    aSaved.Keep.reserve(static_cast<size_t>(holders.Count()));
    for (const TDistinctTimeHolder* h : holders.Items()) {
        auto* item = static_cast<TqvDataEntity_SchemaTime*>(h->Reference);
        aSaved.Keep.emplace_back(item);
        aSaved.Items.push_back({item, item->GetSubCol(), item->GetUseSubCol()});
        item->SetUseSubCol(h->SubCol != 0);
        item->SetSubCol(h->SubCol - 1);
        TqvDataEntity_SchemaColumn* column = columns->SectionOwner(item->GetCol());
        if (column != nullptr && h->SubCol > column->GetSubColCount()) column->SetSubColCount(h->SubCol);
    }
}

void RestoreSubColumns(TSubColumnState& aSaved)
{
    for (const TSubColumnState::TItem& s : aSaved.Items) {
        s.Item->SetSubCol(s.SubCol);
        s.Item->SetUseSubCol(s.UseSubCol);
    }
    for (const auto& [column, count] : aSaved.Columns)
        column->SetSubColCount(count);
    aSaved = TSubColumnState();
}

// The size a drawn control's drawing reads, given back after a print.
struct TLogicalSize {
    int Width, Height;
};

TLogicalSize SaveLogicalSize(const TqvOffscreenPaint* aControl)
{
    return {aControl->GetWidth(), aControl->GetHeight()};
}

void RestoreLogicalSize(TqvOffscreenPaint* aControl, const TLogicalSize& aSize)
{
    // The same size is read as before; the widget's next real resize ends it.
    aControl->SetSizeDontTell(TRect(0, 0, aSize.Width, aSize.Height));
}

} // namespace

void TqvPrintSchema::OnSizeCallbackInit()
{
    RowOverflow = false;
    RowOverflowColumn = nullptr;
    ColumnOverflow = false;
    ColumnOverflowColumn = nullptr;
}

void TqvPrintSchema::OnSizeCallback(bool IsWidthNotHeight, int, TObject* theContextObject)
{
    if (IsWidthNotHeight) {
        ColumnOverflow = true;
        ColumnOverflowColumn = theContextObject;
    } else {
        RowOverflow = true;
        RowOverflowColumn = theContextObject;
    }
}

void TqvPrintSchema::Print(TqvSchema_ComBasic* theSchema, TDeviceContext* theDC, int theReserved, int theX,
                           int theY, int theTimeExtent, int theScalerSize, double theScaleX, double theScaleY,
                           int theFirstCol, int theLastCol, TDateTime theStart, TDateTime theStop,
                           bool theFlipView, int& thePrintedWidth, int& thePrintedHeight, int thePageWidth,
                           int thePageHeight, const TOnSizeCallBack& theOnSize)
{
    CheckPrintArguments(theSchema, theDC, theScaleX, theScaleY);
    if (!theSchema->OnPrintToHdcNewPage.Assigned()) {
        PrintLoop(theSchema, theDC, theReserved, theX, theY, theTimeExtent, theScalerSize, theScaleX,
                  theScaleY, theFirstCol, theLastCol, theStart, theStop, theFlipView, thePrintedWidth,
                  thePrintedHeight, thePageWidth, thePageHeight, theOnSize);
        return;
    }
    // Pages that the handler only measures are drawn here, where nothing shows.
    QImage measureImage(1, 1, QImage::Format_RGB32);
    TDeviceContext measure(&measureImage);
    const TOnSizeCallBack onSize(&TqvPrintSchema::OnSizeCallback);
    int first = std::max(0, theFirstCol);
    int pageHeight = -1, pageWidth = -1;
    bool goahead = true, render = true;
    const auto clear = qScopeGuard([] { OnSizeCallbackInit(); });
    for (int page = 1;; ++page) {
        if (page > 1) {
            TObject* next = RowOverflow ? RowOverflowColumn : ColumnOverflow ? ColumnOverflowColumn : nullptr;
            auto* column = dynamic_cast<TqvDataEntity_SchemaColumn*>(next);
            if (column == nullptr) break;
            // Every page places its first column, so a page always gets further;
            // should one not, the print ends rather than repeat it for ever.
            const int index = column->ListIndex();
            if (index <= first) break;
            first = index;
        }
        OnSizeCallbackInit();
        theSchema->OnPrintToHdcNewPage(theSchema, page, pageHeight, pageWidth, goahead, render);
        if (!goahead) break;
        PrintLoop(theSchema, render ? theDC : &measure, theReserved, theX, theY, theTimeExtent, theScalerSize,
                  theScaleX, theScaleY, first, theLastCol, theStart, theStop, theFlipView, thePrintedWidth,
                  thePrintedHeight, pageWidth, pageHeight, onSize);
    }
}

void TqvPrintSchema::PrintLoop(TqvSchema_ComBasic* theSchema, TDeviceContext* theDC, int, int theX, int theY,
                               int theTimeExtent, int theScalerSize, double theScaleX, double theScaleY,
                               int theFirstCol, int theLastCol, TDateTime theStart, TDateTime theStop,
                               bool theFlipView, int& thePrintedWidth, int& thePrintedHeight,
                               int thePageWidth, int thePageHeight, const TOnSizeCallBack& theOnSize)
{
    CheckPrintArguments(theSchema, theDC, theScaleX, theScaleY);
    if (!(theStop > theStart)) throw Exception(QStringLiteral("The printed time range is empty"));
    TqvDateScaler* scaler = theSchema->GetScaler();
    TqvOffscreenPaint_Schema* area = theSchema->GetSchemaArea();
    TSchemaPrivate* d = theSchema->GetPrivate();
    const int count = theSchema->ColumnCount();
    const int first = std::clamp(theFirstCol, 0, std::max(0, count - 1));
    const int last = std::min(theLastCol, count - 1);
    const int extent = std::max(0, theTimeExtent);
    const int thickness = std::max(0, theScalerSize);

    // Pending layout steps are applied on screen first, in the view's own orientation.
    TDoLater::DoAllNow();
    theSchema->BeginUpdate();
    const bool flipped = theSchema->GetFlipView();
    const bool horizontal = scaler->GetHorizontal();
    const TDateTime start = scaler->GetStart(), stop = scaler->GetStop();
    const bool changed = scaler->GetChanged();
    const TLogicalSize scalerSize = SaveLogicalSize(scaler), areaSize = SaveLogicalSize(area);
    const TSchemaPrivate::TPrintLayout layout = d->PrintLayout;
    TSubColumnState subColumns;
    const auto restore = qScopeGuard([&] {
        RestoreSubColumns(subColumns);
        RestoreLogicalSize(area, areaSize);
        RestoreLogicalSize(scaler, scalerSize);
        d->PrintLayout = layout;
        TSchemaPrivate::SetDrawingFlipView(theSchema, flipped);
        scaler->SetHorizontal(horizontal);
        scaler->SetStart(start);
        scaler->SetStop(stop);
        scaler->SetChanged(changed);
        theSchema->EndUpdate();
        area->Invalidate();
    });

    TSchemaPrivate::SetDrawingFlipView(theSchema, theFlipView);
    scaler->SetHorizontal(theFlipView);
    d->PrintLayout = TSchemaPrivate::TPrintLayout{true, first};
    TPoint q = theFlipView ? theSchema->GetFlippedQuadPoint() : theSchema->GetQuadPoint();
    if (theFlipView)
        q.Y = thickness;
    else
        q.X = thickness;

    const int total = count > 0 ? PrintColumns(theSchema, theDC, theX, theY, theScaleX, theScaleY, first,
                                               last, theFlipView, q, thePageWidth, thePageHeight, theOnSize)
                                : 0;
    scaler->SetSizeDontTell(theFlipView ? TRect(0, 0, extent, thickness) : TRect(0, 0, thickness, extent));
    area->SetSizeDontTell(theFlipView ? TRect(0, 0, extent, total) : TRect(0, 0, total, extent));
    scaler->SetStart(theStart);
    scaler->SetStop(theStop);
    scaler->BeginUpdate();
    scaler->EndUpdate();
    PlaceSubColumnsNow(theSchema, subColumns);

    const int areaX = theX + RoundPixel(theScaleX * q.X), areaY = theY + RoundPixel(theScaleY * q.Y);
    if (theFlipView)
        scaler->Print(theDC, areaX, theY, theScaleX, theScaleY, true);
    else
        scaler->Print(theDC, theX, areaY, theScaleX, theScaleY, true);
    area->Print(theDC, areaX, areaY, theScaleX, theScaleY, true);
    thePrintedWidth = RoundPixel(theScaleX * (q.X + area->GetWidth()));
    thePrintedHeight = RoundPixel(theScaleY * (q.Y + area->GetHeight()));
}

int TqvPrintSchema::PrintColumns(TqvSchema_ComBasic* theSchema, TDeviceContext* theDC, int theX, int theY,
                                 double theScaleX, double theScaleY, int theFirstCol, int theLastCol,
                                 bool theFlipView, TPoint aQuad, int thePageWidth, int thePageHeight,
                                 const TOnSizeCallBack& theOnSize)
{
    CheckPrintArguments(theSchema, theDC, theScaleX, theScaleY);
    TCanvas canvas(theDC->Painter());
    const TPoint origin = theDC->SetViewportOrg(theX, theY);
    const TClipState clip = theDC->SaveClip();
    const auto restore = qScopeGuard([&] {
        theDC->RestoreClip(clip);
        theDC->SetViewportOrg(origin.X, origin.Y);
    });
    const TFont* font = theSchema->GetSchemaArea()->GetFont();
    const double fontScale = TqvOffscreenPaint::GetFontScale(&canvas);
    canvas.Font.Assign(*font);
    canvas.Font.SetSize(std::max(1, RoundPixel(font->GetSize() * fontScale * theScaleY)));
    const int lineHeight = canvas.Font.Metrics().height();

    int x = theFlipView ? 0 : RoundPixel(aQuad.X * theScaleX);
    int y = theFlipView ? RoundPixel(aQuad.Y * theScaleY) : 0;
    int total = 0;
    const int first = std::max(0, theFirstCol);
    for (int c = first; c <= theLastCol && c < theSchema->ColumnCount(); ++c) {
        TqvDataEntity_SchemaColumn* column = theSchema->GetColumns()->SectionOwner(c);
        const int size = theSchema->ColumnSize(theFlipView, c);
        const int w = theFlipView ? RoundPixel(theScaleX * aQuad.X) : RoundPixel(theScaleX * size);
        const int h = theFlipView ? RoundPixel(theScaleY * (size + 1)) : RoundPixel(theScaleY * aQuad.Y);
        // The page's first column is always placed, however wide: reporting it
        // would start every page with it again.
        if (theOnSize.Assigned() && c != first) {
            if (theFlipView && thePageHeight > 0 && thePageHeight < y + h - 1) {
                theOnSize(false, y, column);
                break;
            }
            if (!theFlipView && thePageWidth > 0 && thePageWidth < x + w - 1) {
                theOnSize(true, x, column);
                break;
            }
        }
        theDC->RestoreClip(clip);
        theDC->IntersectClipRect(TRect(theX + x, theY + y, theX + x + w, theY + y + h));
        canvas.Brush.SetStyle(bsClear);
        const QStringList lines = theSchema->HeaderFromColumn(c).split(QLatin1Char('\n'));
        for (int k = 0; k < lines.size(); ++k)
            canvas.TextOut(x + 1, y + 1 + k * lineHeight, lines[k]);
        canvas.Brush.SetStyle(bsSolid);
        canvas.Brush.SetColor(clBlack);
        canvas.FrameRect(TRect(x + 1, y + 1, x + w - 1, y + h - 1));
        total += size + (theFlipView ? 1 : 0);
        if (theFlipView)
            y += h;
        else
            x += w;
    }
    return total;
}

} // namespace skedra
