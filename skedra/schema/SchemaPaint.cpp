// Painting of the schema area, the hit test, the index of drawn items and
// the sub-column computation of the schedule view.

#include <QScopeGuard>
#include <QThread>

#include <algorithm>

#include "skedra/foundation/DoLater.h"
#include "skedra/foundation/GStuff.h"
#include "skedra/platform/Messages.h"
#include "skedra/schema/qvSchema.h"
#include "skedra/schema/qvSchema_p.h"

namespace skedra
{

namespace
{

// DrawLayers with the entries that name no list, and repeated entries, left out:
// the list indexes in drawing rank order.
std::vector<int> LayerLists(const TDrawLayerArray& aLayers, int aListCount)
{
    std::vector<int> lists;
    for (int l : aLayers)
        if (l >= 0 && l < aListCount && std::find(lists.begin(), lists.end(), l) == lists.end())
            lists.push_back(l);
    return lists;
}

// A solid one-pixel line across the area in the pen's colour, from (x, y)
// over aLength pixels, filled as a rectangle (a line drawn pixel by pixel
// costs a call per pixel, and the area draws hundreds of long lines).
void AxisLine(TCanvas* aCanvas, int x, int y, int aLength, bool aVertical)
{
    const TColor saved = aCanvas->Brush.GetColor();
    const TBrushStyle savedStyle = aCanvas->Brush.GetStyle();
    aCanvas->Brush.SetColor(aCanvas->Pen.GetColor());
    aCanvas->FillRect(aVertical ? TRect(x, y, x + 1, y + aLength) : TRect(x, y, x + aLength, y + 1));
    aCanvas->Brush.SetColor(saved);
    aCanvas->Brush.SetStyle(savedStyle);
}

bool DrawsBefore(const TSchemaItemIndex::TEntry& a, const TSchemaItemIndex::TEntry& b)
{
    return a.Rank != b.Rank ? a.Rank < b.Rank : a.Index < b.Index;
}

} // namespace

// ---------------------------------------------------------------------------
// The index of drawn items

void TSchemaItemIndex::Build(TqvSchema_ComBasic* aSchema)
{
    TDataListColumns* columns = aSchema->GetColumns();
    TqvDataList2lev* lists = aSchema->GetDataLists();
    FColumns.assign(static_cast<size_t>(columns->SectionCount()), TColumnItems());
    const std::vector<int> layers = LayerLists(aSchema->GetDrawLayers(), lists->Count());
    for (size_t rank = 0; rank < layers.size(); ++rank) {
        TqvDataList* list = lists->GetDataList(layers[rank]);
        if (list == nullptr) continue;
        for (int i = 0; i < list->Count(); ++i) {
            auto* item = TqvSchema_ComBasic::DataEntity_Schema(list->Items(i));
            if (item == nullptr) continue;
            const TqvDataEntity_SchemaColumn* column = columns->SectionOwner(item->GetCol());
            if (column == nullptr) continue;
            TEntry e;
            e.Item = item;
            e.RelStart = item->GetStartDateTime() - column->GetDateOffset();
            e.RelStop = item->GetStopDateTime() - column->GetDateOffset();
            e.Rank = static_cast<int>(rank);
            e.Index = i;
            TColumnItems& c = FColumns[static_cast<size_t>(item->GetCol())];
            c.Entries.push_back(e);
            c.MaxLength = std::max(c.MaxLength, e.RelStop - e.RelStart);
        }
    }
    for (TColumnItems& c : FColumns)
        std::stable_sort(c.Entries.begin(), c.Entries.end(),
                         [](const TEntry& a, const TEntry& b) { return a.RelStart < b.RelStart; });
    FValid = true;
    ++FBuilds;
}

const TSchemaItemIndex::TColumnItems* TSchemaItemIndex::ColumnItems(int aCol) const
{
    return aCol >= 0 && aCol < static_cast<int>(FColumns.size()) ? &FColumns[static_cast<size_t>(aCol)]
                                                                 : nullptr;
}

void TSchemaItemIndex::Collect(int aCol, TDateTime aFrom, TDateTime aTo, std::vector<TEntry>& anOut) const
{
    const TColumnItems* c = ColumnItems(aCol);
    if (c == nullptr) return;
    // An item overlapping [aFrom, aTo] starts at most MaxLength before aFrom.
    const auto first = std::lower_bound(c->Entries.begin(), c->Entries.end(), aFrom - c->MaxLength,
                                        [](const TEntry& e, TDateTime t) { return e.RelStart < t; });
    for (auto it = first; it != c->Entries.end() && !(it->RelStart > aTo); ++it)
        if (!(it->RelStop < aFrom)) anOut.push_back(*it);
}

void TSchemaItemIndex::CheckInvariants(TqvSchema_ComBasic* aSchema) const
{
    auto require = [](bool aCondition, const char* aText) {
        if (!aCondition)
            throw Exception(QStringLiteral("Item index invariant broken: ") + QLatin1String(aText));
    };
    TDataListColumns* columns = aSchema->GetColumns();
    require(static_cast<int>(FColumns.size()) == columns->SectionCount(), "one entry list per column");
    for (size_t c = 0; c < FColumns.size(); ++c) {
        const TColumnItems& items = FColumns[c];
        for (size_t k = 0; k < items.Entries.size(); ++k) {
            const TEntry& e = items.Entries[k];
            require(e.Item->GetCol() == static_cast<int>(c), "entry in its item's column");
            const TDateTime offset = columns->SectionOwner(static_cast<int>(c))->GetDateOffset();
            require(e.RelStart == e.Item->GetStartDateTime() - offset, "entry start current");
            require(e.RelStop - e.RelStart <= items.MaxLength, "longest entry known");
            require(k == 0 || !(e.RelStart < items.Entries[k - 1].RelStart), "entries by start");
        }
    }
}

const QImage& TSchemaPrivate::CheckerFor(int aWidth, int aHeight, TColor anA, TColor aB)
{
    if (Checker.width() < aWidth || Checker.height() < aHeight || CheckerA != anA || CheckerB != aB) {
        Checker = QImage(std::max(aWidth, Checker.width()), std::max(aHeight, Checker.height()),
                         QImage::Format_RGB32);
        const QRgb a = ToQColor(anA).rgb(), b = ToQColor(aB).rgb();
        for (int y = 0; y < Checker.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(Checker.scanLine(y));
            for (int x = 0; x < Checker.width(); ++x)
                line[x] = (x + y) % 2 == 0 ? a : b;
        }
        CheckerA = anA;
        CheckerB = aB;
    }
    return Checker;
}

// ---------------------------------------------------------------------------
// Painting

void TqvSchema_ComBasic::SchemaPaint(TObject*)
{
    TCanvas* canvas = SchemaArea->GetOffscreenCanvas();
    const int W = SchemaArea->GetWidth(), H = SchemaArea->GetHeight();
    // Column spans stay fixed while the paint runs (handlers that resize
    // columns take effect at the next paint).
    d->Axis = TColumnAxisCache{true, FlipView, Columns->GetTopLeftCol(), {}, {}};
    const auto endCache = qScopeGuard([this] { d->Axis.Active = false; });
    const TRect all(0, 0, W, H);
    DoBackground(canvas, 0, 0, W, H);
    DoTodayLine(canvas);
    OnDrawBackground(this, all, canvas);
    DoForeGround(canvas);
    OnDrawForeground(this, all, canvas);
}

int TqvSchema_ComBasic::ColumnAxisExtent() const
{
    return FlipView ? SchemaArea->GetHeight() : SchemaArea->GetWidth();
}

void TqvSchema_ComBasic::DoBackground(TCanvas* theCanvas, int theX, int theY, int theWidth, int theHeight)
{
    const bool printing = SchemaArea->GetIsPrinting();
    const double columnScale = FlipView ? SchemaArea->GetScaley() : SchemaArea->GetScalex();
    const double timeScale = FlipView ? SchemaArea->GetScalex() : SchemaArea->GetScaley();
    theCanvas->Pen.SetMode(pmCopy);
    theCanvas->Pen.SetStyle(psSolid);
    theCanvas->Pen.SetWidth(1);
    if (!printing) {
        theCanvas->Brush.SetBitmap(nullptr);
        theCanvas->Brush.SetStyle(bsSolid);
        theCanvas->Brush.SetColor(SchemaColor);
        theCanvas->FillRect(TRect(theX, theY, theX + theWidth, theY + theHeight));
        if (theX != 0 || theY != 0) theCanvas->FillRect(TRect(0, 0, theWidth, theHeight));
    }
    theCanvas->Pen.SetColor(clBtnShadow);

    // Stripes: every second span along the column axis, counted from the
    // first visible column; past the last column in default-size steps.
    const int extent = FlipView ? theHeight : theWidth;
    const int count = ColumnCount();
    const int step = FlipView ? Columns->DefaultHeight : Columns->DefaultWidth;
    const bool pattern = IsWinnt() && !printing;
    theCanvas->Brush.SetStyle(bsSolid);
    theCanvas->Brush.SetColor(SchemaPyjamasColor);
    const QImage* checker =
        pattern ? &d->CheckerFor(theX + theWidth, theY + theHeight, SchemaColor, SchemaPyjamasColor)
                : nullptr;
    auto stripe = [&](const TRect& r) {
        if (checker == nullptr) return theCanvas->FillRect(r);
        const TRect inside(std::max(r.Left, 0), std::max(r.Top, 0), std::min(r.Right, checker->width()),
                           std::min(r.Bottom, checker->height()));
        if (!inside.IsEmpty())
            theCanvas->Handle()->drawImage(QPoint(inside.Left, inside.Top), *checker, inside.ToQRect());
    };
    // Walked once from the first visible column, so the cost follows what is visible.
    const int line = FlipView ? 1 : 0;
    int c = Columns->GetTopLeftCol();
    long long pos = 0;
    for (int k = 0; pos * columnScale < extent; ++k, ++c) {
        long long nearPx, farPx;
        if (c < count) {
            const int size = ColumnSize(FlipView, c);
            farPx = pos + size + line;
            nearPx = farPx - size;
        } else {
            // Stripes under half a pixel would not show; at a tiny print
            // scale they would also be counted without end.
            if (step <= 0 || !(step * columnScale >= 0.5)) break;
            nearPx = pos;
            farPx = pos + step;
        }
        pos = farPx;
        if (k % 2 == 0) continue;
        const int a = RoundToInt(nearPx * columnScale), b = RoundToInt(farPx * columnScale);
        if (FlipView)
            stripe(TRect(theX, theY + a, theX + theWidth, theY + b));
        else
            stripe(TRect(theX + a, theY, theX + b, theY + theHeight));
    }
    theCanvas->Brush.SetBitmap(nullptr);
    theCanvas->Brush.SetStyle(bsSolid);
    theCanvas->Pen.SetMode(pmCopy);

    auto lineAcross = [&](int tick) {
        if (FlipView)
            AxisLine(theCanvas, theX + tick, theY, theHeight, true);
        else
            AxisLine(theCanvas, theX, theY + tick, theWidth, false);
    };
    if (DrawShortLines) {
        theCanvas->Pen.SetColor(0xC0C0C0);
        const std::vector<TScaleMark>& minor = Scaler->GetMinorMarks();
        const bool everySecond =
            minor.size() >= 2 &&
            Scaler->GetPixelFromScaleMark(minor[1]) - Scaler->GetPixelFromScaleMark(minor[0]) < 30;
        for (size_t i = 0; i < minor.size(); i += everySecond ? 2 : 1)
            lineAcross(RoundToInt(Scaler->GetPixelFromScaleMark(minor[i]) * timeScale));
    }
    theCanvas->Pen.SetColor(clBackground);
    for (const TScaleMark& m : Scaler->GetMajorMarks())
        lineAcross(RoundToInt(Scaler->GetPixelFromScaleMark(m) * timeScale));

    // A line at every column's far side; the collapsed columns' far side is 0.
    theCanvas->Pen.SetColor(clBtnShadow);
    auto columnLine = [&](int offset) {
        const int p = RoundToInt(offset * columnScale);
        if (FlipView)
            AxisLine(theCanvas, theX, theY + p, theWidth, false);
        else
            AxisLine(theCanvas, theX + p, theY, theHeight, true);
        return p;
    };
    const int first = Columns->GetTopLeftCol();
    if (first > 0 && count > 0) columnLine(0);
    int far = 0;
    for (int col = first; col < count; ++col) {
        far += ColumnSize(FlipView, col) + (FlipView ? 1 : 0);
        if (columnLine(far) >= extent) break;
    }

    if (!printing && SchemaArea->Focused()) {
        theCanvas->Brush.SetColor(clWhite);
        theCanvas->DrawFocusRect(TRect(2, 2, theWidth - 2, theHeight - 2));
    }
}

void TqvSchema_ComBasic::DoTodayLine(TCanvas* theCanvas)
{
    if (!TodayLineOnOff) return;
    const int p = Scaler->DateToPixel(Date() + 0.5);
    theCanvas->Pen.SetColor(TodayLineColor);
    theCanvas->Pen.SetMode(pmCopy);
    theCanvas->Pen.SetStyle(psSolid);
    const int W = SchemaArea->GetWidth(), H = SchemaArea->GetHeight();
    if (!FlipView) {
        if (p <= 0 || p >= Scaler->GetHeight()) return;
        AxisLine(theCanvas, 0, RoundToInt(p * SchemaArea->GetScaley()), W, false);
    } else {
        if (p <= 0 || p >= Scaler->GetWidth()) return;
        AxisLine(theCanvas, RoundToInt(p * SchemaArea->GetScalex()), 0, H, true);
    }
}

void TqvSchema_ComBasic::DoForeGround(TCanvas* theCanvas)
{
    int drawn = 0;
    auto draw = [&](TqvDataEntity_SchemaTime* item) {
        int nearPx, farPx;
        ColumnToPixels(item->GetCol(), nearPx, farPx);
        if (farPx - nearPx <= 0) return;
        TRect r;
        if (!RectFromDataEntity(FlipView, item, r)) return;
        DrawContent(item, r, theCanvas);
        ++drawn;
    };
    if (d->UseIndex(this)) {
        if (!d->Index.Valid()) d->Index.Build(this);
        // The columns that reach into the area, and their items in the visible time.
        std::vector<TSchemaItemIndex::TEntry> entries;
        const double columnScale = FlipView ? SchemaArea->GetScaley() : SchemaArea->GetScalex();
        const int extent = ColumnAxisExtent();
        int nearPx = 0;
        for (int c = Columns->GetTopLeftCol(); c < ColumnCount(); ++c) {
            if (RoundToInt(nearPx * columnScale) >= extent) break;
            d->Index.Collect(c, Scaler->GetStart(), Scaler->GetStop(), entries);
            nearPx += ColumnSize(FlipView, c) + (FlipView ? 1 : 0);
        }
        std::sort(entries.begin(), entries.end(),
                  [](const auto& a, const auto& b) { return DrawsBefore(b, a); });
        for (const TSchemaItemIndex::TEntry& e : entries)
            draw(e.Item);
    } else {
        const std::vector<int> layers = LayerLists(DrawLayers, DataLists->Count());
        for (auto l = layers.rbegin(); l != layers.rend(); ++l) {
            TqvDataList* list = DataLists->GetDataList(*l);
            if (list == nullptr) continue;
            for (int i = list->Count() - 1; i >= 0; --i) {
                auto* item = DataEntity_Schema(list->Items(i));
                if (item == nullptr || !IsVisible(item) || Columns->SectionOwner(item->GetCol()) == nullptr)
                    continue;
                draw(item);
            }
        }
    }
    d->LastDrawnCount = drawn;
}

TqvDataEntity_SchemaTime* TqvSchema_ComBasic::GetDataEntityFromXY(int X, int Y)
{
    const TPoint p(X, Y);
    auto hit = [&](TqvDataEntity_SchemaTime* item) {
        TRect r;
        return IsVisible(item) && RectFromDataEntity(FlipView, item, r) && r.Contains(p);
    };
    if (d->UseIndex(this)) {
        if (!d->Index.Valid()) d->Index.Build(this);
        const int c = PixelToColumn(FlipView ? Y : X);
        if (c < 0) return nullptr;
        // An item stays inside its column; its neighbours are asked for safety.
        std::vector<TSchemaItemIndex::TEntry> entries;
        for (int k = std::max(0, c - 1); k <= std::min(ColumnCount() - 1, c + 1); ++k)
            d->Index.Collect(k, Scaler->GetStart(), Scaler->GetStop(), entries);
        std::sort(entries.begin(), entries.end(), DrawsBefore);
        for (const TSchemaItemIndex::TEntry& e : entries)
            if (hit(e.Item)) return e.Item;
        return nullptr;
    }
    for (int l : LayerLists(DrawLayers, DataLists->Count())) {
        TqvDataList* list = DataLists->GetDataList(l);
        if (list == nullptr) continue;
        for (int i = 0; i < list->Count(); ++i) {
            auto* item = DataEntity_Schema(list->Items(i));
            if (item != nullptr && hit(item)) return item;
        }
    }
    return nullptr;
}

void TqvSchema_ComBasic::DrawContent(TqvDataEntity_SchemaTime* theItem, const TRect& theRect,
                                     TCanvas* theCanvas)
{
    if (OnDrawUserContent.Assigned() && theItem->GetTimeStyle() == tssUser)
        OnDrawUserContent(this, theItem, theRect, theCanvas);
    else
        DefaultDrawContent(theItem, theRect, theCanvas);
    if (theItem->GetSelected()) GStuff::DoSelectContent(theCanvas, theRect);
    if (theItem == ActiveDataEntity) {
        theCanvas->Brush.SetStyle(bsSolid);
        theCanvas->Brush.SetColor(0x808080);
        theCanvas->DrawFocusRect(
            TRect(theRect.Left + 2, theRect.Top + 2, theRect.Right - 2, theRect.Bottom - 2));
    }
}

void TqvSchema_ComBasic::DefaultDrawContent(TqvDataEntity_SchemaTime* theItem, const TRect& theRect,
                                            TCanvas* theCanvas)
{
    theCanvas->Brush.SetStyle(bsSolid);
    theCanvas->Brush.SetColor(theItem->GetColor());
    theCanvas->FillRect(theRect);
    for (int i = 0; i < theItem->TextCount(); ++i) {
        const TqvSchemaText* text = theItem->Texts(i);
        if (text->GetText().isEmpty()) continue;
        EnterTextStyle(theCanvas, text->GetStyle());
        const int x = theRect.Left + text->GetPos().X, y = theRect.Top + text->GetPos().Y;
        const TRect clip(x, y, theRect.Right - 1, theRect.Bottom - 1);
        if (clip.IsEmpty()) continue;
        theCanvas->Brush.SetStyle(bsClear);
        theCanvas->TextRect(clip, x, y, text->GetText());
    }
    theCanvas->Brush.SetStyle(bsSolid);
    theCanvas->Brush.SetColor(theItem->GetFrameColor());
    theCanvas->FrameRect(theRect);
}

// ---------------------------------------------------------------------------
// Sub-columns

void TqvSchema_ComBasic::UpdateSubColumns()
{
    if (CollisionDetect && !FBeingDestroyed)
        TDoLater::DoLater(MakeMethod<&TqvSchema_ComBasic::UpdateSubColumns_DoLater>(this));
}

void TqvSchema_ComBasic::UpdateSubColumns_DoLater(TObject*)
{
    UpdateSubColumns_Perform();
}

void TqvSchema_ComBasic::UpdateSubColumns_Perform()
{
    try {
        d->Job.Begin();
        for (int l = 0; l < DataLists->Count(); ++l) {
            TqvDataList* list = DataLists->GetDataList(l);
            if (list == nullptr) continue;
            // Items collide only within their column; lists apart unless
            // CollisionDetectBetweenDataList puts all lists of a column together.
            const QString listKey = CollisionDetectBetweenDataList ? QString() : QString::number(l);
            for (int i = 0; i < list->Count(); ++i) {
                auto* item = DataEntity_Schema(list->Items(i));
                if (item == nullptr || !IsVisible(item)) continue;
                d->Job.Add(item->GetStartDateTime(), item->GetStopDateTime(),
                           listKey + QLatin1Char('*') + QString::number(item->GetCol()), item);
            }
        }
        d->Job.Start();
    } catch (...) {
        CleanUpThread(); // the previous layout stays
        ShowMessage(QStringLiteral("UpdateSubColumns exception:") + ExceptionText(std::current_exception()));
    }
}

void TqvSchema_ComBasic::SubColThreadDone(TObject*)
{
    const auto finish = qScopeGuard([this] {
        SchemaArea->Invalidate();
        CleanUpThread();
    });
    try {
        for (int c = 0; c < ColumnCount(); ++c)
            Columns->SectionOwner(c)->SetSubColCount(1);
        for (int l = 0; l < DataLists->Count() && d->Job.Exists(); ++l) {
            TqvDataList* list = DataLists->GetDataList(l);
            if (list == nullptr) continue;
            for (int i = 0; i < list->Count() && d->Job.Exists(); ++i) {
                auto* item = DataEntity_Schema(list->Items(i));
                int n = 0;
                if (item == nullptr || !IsVisible(item) || !d->Job.FindSubCol(item, n)) continue;
                // The handler may delete the item (which also drops the computation).
                TqvExposable::TKeepAlive keep(item);
                if (item->GetSubCol() != n - 1) OnCollisionDetected(this, item, n);
                if (item->GetDataList() != list) continue;
                item->SetUseSubCol(n != 0);
                item->SetSubCol(n - 1);
                TqvDataEntity_SchemaColumn* column = Columns->SectionOwner(item->GetCol());
                if (column != nullptr && item->GetSubCol() + 1 > column->GetSubColCount())
                    column->SetSubColCount(item->GetSubCol() + 1);
            }
        }
    } catch (...) {
        ShowMessage(QStringLiteral("SubColThreadDone:") + ExceptionText(std::current_exception()));
    }
}

void TqvSchema_ComBasic::CleanUpThread()
{
    d->Job.Drop();
}

TTimeDistinctGenericThread* TqvSchema_ComBasic::SubColThread() const
{
    return d->Job.Thread();
}

} // namespace skedra
