#include "skedra/schema/SchemaEntities.h"

#include <QScopeGuard>
#include <QFontMetrics>
#include <QScopedValueRollback>

#include <algorithm>
#include <cmath>

#include "skedra/schema/qvSchema.h"
#include "skedra/schema/qvSchema_p.h"

namespace skedra
{

namespace
{
// Debug builds check the column list after every structural operation.
void DebugCheck(TDataListColumns* aList)
{
#ifndef NDEBUG
    aList->CheckInvariants();
#else
    Q_UNUSED(aList);
#endif
}
} // namespace

// ---------------------------------------------------------------------------
// TqvDataEntity_SchemaColumn

void TqvDataEntity_SchemaColumn::AfterCreate(TqvDataList* theList)
{
    TqvDataEntity::AfterCreate(theList);
    FSubColCount = 1;
}

TqvDataEntity_SchemaColumn::~TqvDataEntity_SchemaColumn()
{
    SetDataObject(nullptr);
}

TDataListColumns* TqvDataEntity_SchemaColumn::Columns() const
{
    return dynamic_cast<TDataListColumns*>(GetDataList());
}

void TqvDataEntity_SchemaColumn::SetDateOffset(TDateTime aValue)
{
    if (aValue == FDateOffset) return;
    FDateOffset = aValue;
    DoInfoPush();
}

void TqvDataEntity_SchemaColumn::SetDataObject(TObject* anObject)
{
    TObject* old = FDataObject;
    FDataObject = anObject;
    if (old == nullptr || old == anObject) return;
    // Data objects of the package go through their freeing protocol.
    if (auto* exposable = dynamic_cast<TqvExposable*>(old))
        exposable->FreeWheneverPossible();
    else
        delete old;
}

void TqvDataEntity_SchemaColumn::SetText(const QString& aValue)
{
    FText = aValue;
    TDataListColumns* list = Columns();
    if (list == nullptr || list->Header == nullptr) return;
    const int i = ListIndex();
    THeaderSections* sections = list->Header->GetSections();
    if (i >= 0 && i < sections->Count() && list->SectionOwner(i) == this &&
        sections->Items(i)->GetText() != aValue)
        sections->Items(i)->SetText(aValue);
}

int TqvDataEntity_SchemaColumn::GetWidth() const
{
    const TDataListColumns* list = Columns();
    return list != nullptr && list->Schema != nullptr ? GetWidth_FW(list->Schema->GetFlipView()) : 0;
}

void TqvDataEntity_SchemaColumn::SetWidth(int aValue)
{
    TDataListColumns* list = Columns();
    if (list == nullptr || list->Schema == nullptr) return;
    aValue = std::max(0, aValue);
    const bool flipped = list->Schema->GetFlipView();
    if (flipped)
        FHeight = aValue;
    else
        FWidth = aValue;
    // A column scrolled out stays collapsed until it is scrolled in.
    if (ListIndex() >= list->GetTopLeftCol()) SetWidth_FW(flipped, aValue);
    list->Schema->GetSchemaArea()->Invalidate();
}

int TqvDataEntity_SchemaColumn::GetWidth_FW(bool theFlipped) const
{
    const TDataListColumns* list = Columns();
    if (list == nullptr || list->Schema == nullptr) return 0;
    return list->Schema->ColumnSize(theFlipped, const_cast<TqvDataEntity_SchemaColumn*>(this)->ListIndex());
}

void TqvDataEntity_SchemaColumn::SetWidth_FW(bool theFlipped, int theValue)
{
    TDataListColumns* list = Columns();
    if (list == nullptr || list->Header == nullptr) return;
    const int i = ListIndex();
    if (i < 0 || i >= list->SectionCount()) return;
    QScopedValueRollback guard(list->Resizing, true);
    if (theFlipped)
        list->FlippedHeader->SetRowHeights(i, theValue);
    else
        list->Header->GetSections()->Items(i)->SetWidth(theValue);
}

// ---------------------------------------------------------------------------
// TqvDataEntity_SchemaTime

void TqvDataEntity_SchemaTime::AfterCreate(TqvDataList* theList)
{
    TqvDataEntity::AfterCreate(theList);
    FTimeStyle = tssNormal;
    FSubCol = -1;
    FColor = clWhite;
    FFrameColor = clBlack;
    FTexts.clear();
}

namespace
{
// A time that is not a number, or infinite, has no place on the axis and would
// break the view's item index (its order, and the length of an item from
// infinity to infinity).
void RequireDate(TDateTime aValue)
{
    if (std::isnan(aValue)) throw Exception(QStringLiteral("Invalid date: not a number"));
    if (std::isinf(aValue)) throw Exception(QStringLiteral("Invalid date: infinite"));
}
} // namespace

void TqvDataEntity_SchemaTime::SetStartDateTime(TDateTime aValue)
{
    RequireDate(aValue);
    if (aValue == FStartDateTime) return;
    FStartDateTime = aValue;
    DoInfoPush();
}

void TqvDataEntity_SchemaTime::SetStopDateTime(TDateTime aValue)
{
    RequireDate(aValue);
    if (aValue == FStopDateTime) return;
    FStopDateTime = aValue;
    DoInfoPush();
}

void TqvDataEntity_SchemaTime::SetCol(int theCol)
{
    if (theCol == FCol) return;
    FCol = theCol;
    FUseSubCol = false;
    DoInfoPush();
}

const TqvSchemaText* TqvDataEntity_SchemaTime::Texts(int theIndex) const
{
    return theIndex >= 0 && theIndex < TextCount() ? FTexts[static_cast<size_t>(theIndex)].get() : nullptr;
}

void TqvDataEntity_SchemaTime::AddText(const QString& theText, int theX, int theY, int theStyle)
{
    auto t = std::make_unique<TqvSchemaText>();
    t->SetText(theText);
    t->SetPos(TPoint(theX, theY));
    t->SetStyle(theStyle);
    FTexts.push_back(std::move(t));
}

void TqvDataEntity_SchemaTime::AlterText(int theIndex, const QString& theText, int theX, int theY,
                                         int theStyle)
{
    if (theIndex < 0 || theIndex >= TextCount()) return;
    TqvSchemaText* t = FTexts[static_cast<size_t>(theIndex)].get();
    t->SetText(theText);
    t->SetPos(TPoint(theX, theY));
    t->SetStyle(theStyle);
}

void TqvDataEntity_SchemaTime::GetText(int theIndex, QString& theText, int& theX, int& theY,
                                       int& theStyle) const
{
    const TqvSchemaText* t = Texts(theIndex);
    if (t == nullptr) return;
    theText = t->GetText();
    theX = t->GetPos().X;
    theY = t->GetPos().Y;
    theStyle = t->GetStyle();
}

// ---------------------------------------------------------------------------
// TDataListColumns

TqvDataEntity_SchemaColumn* TDataListColumns::Column(int anIndex)
{
    return dynamic_cast<TqvDataEntity_SchemaColumn*>(GetItems(anIndex));
}

TqvDataEntity_SchemaColumn* TDataListColumns::SectionOwner(int anIndex) const
{
    return anIndex >= 0 && anIndex < SectionCount() ? FSectionOwners[static_cast<size_t>(anIndex)] : nullptr;
}

int TDataListColumns::GetTopLeftCol() const
{
    // While a print lays the view out, its first column.
    if (const TSchemaPrivate* p = Schema != nullptr ? Schema->GetPrivate() : nullptr;
        p && p->PrintLayout.Active)
        return p->PrintLayout.First;
    return FlippedHeader != nullptr ? FlippedHeader->GetTopRow() : 0;
}

void TDataListColumns::ApplyColumnSizes(int theFirst)
{
    if (Header == nullptr) return;
    QScopedValueRollback guard(Resizing, true);
    THeaderSections* sections = Header->GetSections();
    sections->BeginUpdate();
    const auto end = qScopeGuard([&] { sections->EndUpdate(); });
    for (int i = 0; i < SectionCount(); ++i) {
        const TqvDataEntity_SchemaColumn* c = SectionOwner(i);
        sections->Items(i)->SetWidth(i < theFirst ? 0 : c->GetStoredWidth());
        FlippedHeader->SetRowHeights(i, i < theFirst ? 0 : c->GetStoredHeight());
    }
}

void TDataListColumns::SetTopLeftCol(int theIndex)
{
    if (Schema == nullptr || SectionCount() == 0) return;
    theIndex = std::clamp(theIndex, 0, SectionCount() - 1);
    {
        QScopedValueRollback guard(Resizing, true);
        ApplyColumnSizes(theIndex);
        FlippedHeader->SetTopRow(theIndex);
        Schema->GetColumnScroller()->SetPosition(theIndex);
        ResizeCol = theIndex;
    }
    DebugCheck(this);
    Schema->OnTopLeftColumnChange(Schema);
    Schema->GetSchemaArea()->Invalidate();
}

bool TDataListColumns::WillFit(const QString& theText, int theIndex)
{
    if (Schema == nullptr || Header == nullptr) return false;
    const QFontMetrics fm(Header->GetFont()->Handle());
    const int w = fm.horizontalAdvance(theText);
    if (Schema->GetFlipView()) return w < FlippedHeader->GetColWidths(0) - 4;
    if (theIndex < 0 || theIndex >= SectionCount()) return false;
    return w < Header->GetSections()->Items(theIndex)->GetWidth() - 4;
}

void TDataListColumns::SetColumnSize(TqvDataEntity_SchemaColumn* theInitiating,
                                     TqvDataEntity_SchemaColumn* theColumn, int theSize)
{
    const bool flipped = Schema->GetFlipView();
    int value = theSize;
    Schema->OnUserDecideColSize(Schema, theInitiating, theColumn,
                                flipped ? theColumn->GetStoredHeight() : theColumn->GetStoredWidth(), value);
    value = std::max(value, 7);
    const int i = theColumn->ListIndex();
    if (flipped) {
        theColumn->SetStoredHeight(value);
        FlippedHeader->SetRowHeights(i, value);
        DefaultHeight = value;
    } else {
        theColumn->SetStoredWidth(value);
        if (i >= 0 && i < SectionCount()) Header->GetSections()->Items(i)->SetWidth(value);
        DefaultWidth = value;
    }
}

void TDataListColumns::HeaderCellReSize(int theSize)
{
    if (Schema == nullptr || Header == nullptr) return;
    THeaderSections* sections = Header->GetSections();
    sections->BeginUpdate();
    const auto end = qScopeGuard([&] { sections->EndUpdate(); });
    if (Resizing) return;
    const int count = Count();
    if (count == 0) return;
    if (ResizeCol >= count) ResizeCol = count - 1;
    if (ResizeCol < 0) return;
    TqvDataEntity_SchemaColumn* initiating = Column(ResizeCol);
    if (Schema->GetResizeAllCol()) {
        {
            QScopedValueRollback guard(Resizing, true);
            for (int i = 0; i < count; ++i) {
                TqvDataEntity_SchemaColumn* c = Column(i);
                c->SetText(Schema->HeaderFromColumn(i));
                SetColumnSize(initiating, c, theSize);
            }
        }
        Schema->ColumnUpDownOnClick(Schema->GetColumnScroller(), btNext);
    } else {
        QScopedValueRollback guard(Resizing, true);
        initiating->SetText(Schema->HeaderFromColumn(ResizeCol));
        SetColumnSize(initiating, initiating, theSize);
    }
    Schema->GetSchemaArea()->Invalidate();
    Schema->RequestUpdateColumnScroller();
}

void TDataListColumns::FlippedHeaderResize()
{
    if (FlippedHeader == nullptr || Resizing) return;
    const int row = ResizeCol < FlippedHeader->GetRowCount() ? ResizeCol : FlippedHeader->GetTopRow();
    HeaderCellReSize(FlippedHeader->GetRowHeights(row));
}

void TDataListColumns::HeaderControlSectionResize(THeaderControl* /*HeaderControl*/, THeaderSection* Section)
{
    if (Resizing || Section == nullptr) return;
    ResizeCol = Section->GetIndex();
    PressNearEdge = true;
    HeaderCellReSize(Section->GetWidth());
}

void TDataListColumns::_OnInsertItem(TqvDataEntity* theDataEntity)
{
    auto* column = dynamic_cast<TqvDataEntity_SchemaColumn*>(theDataEntity);
    if (column == nullptr || Schema == nullptr || Schema->BeingDestroyed()) return;
    if (Schema->OnInitColumnDataObject.Assigned())
        column->SetDataObject(Schema->OnInitColumnDataObject(Schema, column));
    // Only a column just inserted takes the default sizes.
    column->SetStoredWidth(DefaultWidth);
    column->SetStoredHeight(DefaultHeight);
    const int first = GetTopLeftCol();
    const bool hadColumns = SectionCount() > 0;
    const int i = std::clamp(column->ListIndex(), 0, SectionCount());
    const bool collapsed = hadColumns && i < first;
    {
        QScopedValueRollback guard(Resizing, true);
        FSectionOwners.insert(FSectionOwners.begin() + i, column);
        THeaderSection* section = Header->GetSections()->Insert(i);
        section->SetText(column->GetText());
        section->SetWidth(collapsed ? 0 : DefaultWidth);
        if (hadColumns) FlippedHeader->InsertRow(i);
        FlippedHeader->SetRowHeights(i, collapsed ? 0 : DefaultHeight);
        // The first visible column stays the same column.
        if (collapsed) FlippedHeader->SetTopRow(first + 1);
    }
    DebugCheck(this);
    Schema->ItemsChanged();
    Schema->OnInsertItem_Column(Schema, column);
    Schema->RequestUpdateColumnScroller();
}

void TDataListColumns::_OnDeleteItem(TqvDataEntity* theDataEntity)
{
    auto* column = dynamic_cast<TqvDataEntity_SchemaColumn*>(theDataEntity);
    const auto it = std::find(FSectionOwners.begin(), FSectionOwners.end(), column);
    if (column == nullptr || it == FSectionOwners.end()) return;
    const int i = static_cast<int>(it - FSectionOwners.begin());
    FSectionOwners.erase(it);
    if (Schema == nullptr || Schema->BeingDestroyed()) return;
    const int first = GetTopLeftCol();
    {
        // The column's own section and row go; every other keeps its size.
        QScopedValueRollback guard(Resizing, true);
        Header->GetSections()->Delete(i);
        FlippedHeader->DeleteRow(i);
        if (i < first) FlippedHeader->SetTopRow(first - 1);
    }
    if (i == first && SectionCount() > 0) SetTopLeftCol(std::min(first, SectionCount() - 1));
    DebugCheck(this);
    if (Schema->PressColumn == column) Schema->PressColumn = nullptr;
    Schema->ItemsChanged();
    Schema->OnDeleteItem_Column(Schema, column);
    Schema->RequestUpdateColumnScroller();
}

void TDataListColumns::_OnContentChanged(TqvDataList* theqvDataList)
{
    if (Schema == nullptr || Schema->BeingDestroyed()) return;
    THeaderSections* sections = Header->GetSections();
    {
        sections->BeginUpdate();
        const auto end = qScopeGuard([&] { sections->EndUpdate(); });
        for (int i = 0; i < SectionCount(); ++i) {
            const QString text = SectionOwner(i)->GetText();
            if (sections->Items(i)->GetText() != text) sections->Items(i)->SetText(text);
        }
    }
    FlippedHeader->Invalidate();
    Schema->Invalidate();
    Schema->GetSchemaArea()->Invalidate();
    Schema->ItemsChanged();
    Schema->OnContentChanged_Column(Schema, theqvDataList);
}

void TDataListColumns::_OnSelectionChanged(TqvDataList* theqvDataList, TqvDataEntity* theDataEntity)
{
    if (Schema == nullptr || Schema->BeingDestroyed()) return;
    Schema->OnSelectionChanged_Column(Schema, theqvDataList, theDataEntity);
}

void TDataListColumns::_OnInfoPush(TqvDataEntity* theDataEntity)
{
    if (Schema == nullptr || Schema->BeingDestroyed()) return;
    // A new date offset moves every item of the column.
    Schema->ItemsChanged();
    Schema->UpdateSubColumns();
    Schema->GetSchemaArea()->Invalidate();
    Schema->OnValueChanged_Column(Schema, theDataEntity);
}

void TDataListColumns::_OnHandlePerformedMove(TqvDataEntity* theqvDataEntity, int theOldIndex,
                                              int theNewIndex)
{
    if (Schema == nullptr || Schema->BeingDestroyed()) return;
    auto* column = dynamic_cast<TqvDataEntity_SchemaColumn*>(theqvDataEntity);
    const auto it = std::find(FSectionOwners.begin(), FSectionOwners.end(), column);
    if (it != FSectionOwners.end() && theNewIndex >= 0 && theNewIndex < SectionCount()) {
        // The sections follow their columns.
        FSectionOwners.erase(it);
        FSectionOwners.insert(FSectionOwners.begin() + theNewIndex, column);
        ApplyColumnSizes(GetTopLeftCol());
    }
    Q_UNUSED(theOldIndex);
    for (int i = 0; i < Count(); ++i)
        if (TqvDataEntity_SchemaColumn* c = Column(i)) c->SetText(Schema->HeaderFromColumn(i));
    FlippedHeader->Invalidate();
    Schema->ItemsChanged();
    Schema->GetSchemaArea()->Invalidate();
}

void TDataListColumns::CheckInvariants()
{
    if (Header == nullptr) return;
    auto require = [](bool aCondition, const char* aText) {
        if (!aCondition)
            throw Exception(QStringLiteral("Column list invariant broken: ") + QLatin1String(aText));
    };
    require(SectionCount() == Count(), "one section owner per column");
    require(Header->GetSections()->Count() == SectionCount(), "one header section per column");
    require(FlippedHeader->GetRowCount() == std::max(1, SectionCount()), "one flipped row per column");
    for (int i = 0; i < SectionCount(); ++i)
        require(SectionOwner(i) == Column(i), "sections in column order");
    const int first = GetTopLeftCol();
    for (int i = 0; i < std::min(first, SectionCount()); ++i)
        require(Header->GetSections()->Items(i)->GetWidth() == 0 && FlippedHeader->GetRowHeights(i) == 0,
                "columns before the first visible one collapsed");
}

} // namespace skedra
