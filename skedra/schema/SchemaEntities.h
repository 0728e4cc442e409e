#pragma once
// The schedule view's data: its columns (TqvDataEntity_SchemaColumn in the
// column list TDataListColumns, which keeps the header sections and the
// flipped header's rows in step with the columns) and its time items
// (TqvDataEntity_SchemaTime with their texts).

#include <QString>

#include <memory>
#include <vector>

#include "skedra/data/DataList.h"
#include "skedra/platform/Color.h"
#include "skedra/platform/DateTime.h"
#include "skedra/platform/Geometry.h"

namespace skedra
{

class TqvSchema_ComBasic;
class THeaderControl_MouseControl;
class TDrawGrid_Schema;
class THeaderControl;
class THeaderSection;
class TDataListColumns;

enum TScrollVisibility { svAlways, svWhenNeeded, svNever };
enum TTimeStyle_Schema { tssNormal, tssUser };

// The indexes of the time item lists that are drawn and hit-tested, in order.
using TDrawLayerArray = std::vector<int>;

// A text drawn in a time item, at Pos from the item rectangle's top-left
// corner. Style 1, 2 or 3 selects the schema's TextFont1..TextFont3, anything
// else the schema's own font.
class TqvSchemaText
{
public:
    int GetStyle() const { return FStyle; }
    void SetStyle(int aValue) { FStyle = aValue; }
    QString GetText() const { return FText; }
    void SetText(const QString& aValue) { FText = aValue; }
    TPoint GetPos() const { return FPos; }
    void SetPos(TPoint aValue) { FPos = aValue; }

private:
    int FStyle = 0;
    QString FText;
    TPoint FPos;
};

class TqvDataEntity_SchemaColumn : public TqvDataEntity
{
public:
    void AfterCreate(TqvDataList* theList) override;

    TDataListColumns* Columns() const;

    // Subtracted from an item's start and stop to place it on the time axis;
    // a change is pushed (DoInfoPush).
    TDateTime GetDateOffset() const { return FDateOffset; }
    void SetDateOffset(TDateTime aValue);
    // Created by OnInitColumnDataObject when the column is inserted; owned.
    TObject* GetDataObject() const { return FDataObject; }
    // Takes ownership; a former object is freed.
    void SetDataObject(TObject* anObject);
    // Sub-columns the column is divided into (at least 1).
    int GetSubColCount() const { return FSubColCount; }
    void SetSubColCount(int aValue) { FSubColCount = aValue < 1 ? 1 : aValue; }

    // The header text (may hold line breaks); the header section follows.
    QString GetText() const { return FText; }
    void SetText(const QString& aValue);

    // The size in the current orientation. Setting it also remembers it, so
    // that scrolling the columns keeps it.
    int GetWidth() const;
    void SetWidth(int aValue);
    // The header section's width (not flipped) or the flipped header's row
    // height (flipped) of the column's list index; 0 without one.
    int GetWidth_FW(bool theFlipped) const;
    void SetWidth_FW(bool theFlipped, int theValue);
    // The remembered sizes of the two orientations.
    int GetStoredWidth() const { return FWidth; }
    int GetStoredHeight() const { return FHeight; }
    void SetStoredWidth(int aValue) { FWidth = aValue; }
    void SetStoredHeight(int aValue) { FHeight = aValue; }

protected:
    ~TqvDataEntity_SchemaColumn() override;

private:
    TDateTime FDateOffset = 0;
    TObject* FDataObject = nullptr;
    int FSubColCount = 1;
    int FWidth = 0;
    int FHeight = 0;
    QString FText;
};

class TqvDataEntity_SchemaTime : public TqvDataEntity
{
public:
    void AfterCreate(TqvDataList* theList) override;

    TTimeStyle_Schema GetTimeStyle() const { return FTimeStyle; }
    void SetTimeStyle(TTimeStyle_Schema aValue) { FTimeStyle = aValue; }
    // 0-based sub-column within the column; -1 when not placed.
    int GetSubCol() const { return FSubCol; }
    void SetSubCol(int aValue) { FSubCol = aValue; }
    // The item occupies one sub-column rather than the whole column.
    bool GetUseSubCol() const { return FUseSubCol; }
    void SetUseSubCol(bool aValue) { FUseSubCol = aValue; }
    TDateTime GetStartDateTime() const { return FStartDateTime; }
    TDateTime GetStopDateTime() const { return FStopDateTime; }
    // When different: store and push a value change.
    void SetStartDateTime(TDateTime aValue);
    void SetStopDateTime(TDateTime aValue);
    int GetCol() const { return FCol; }
    // When different: store, leave the sub-column, push a value change.
    void SetCol(int theCol);
    // Pixels left free at the near (left, or top when flipped) and far side
    // across the column; insets, expected to be 0 or more.
    int GetNearMargin() const { return FNearMargin; }
    void SetNearMargin(int aValue) { FNearMargin = aValue; }
    int GetFarMargin() const { return FFarMargin; }
    void SetFarMargin(int aValue) { FFarMargin = aValue; }
    TColor GetColor() const { return FColor; }
    void SetColor(TColor aValue) { FColor = aValue; }
    TColor GetFrameColor() const { return FFrameColor; }
    void SetFrameColor(TColor aValue) { FFrameColor = aValue; }

    int TextCount() const { return static_cast<int>(FTexts.size()); }
    // The text at theIndex, or null.
    const TqvSchemaText* Texts(int theIndex) const;
    void AddText(const QString& theText, int theX, int theY, int theStyle);
    // Change an existing text; an index out of range does nothing.
    void AlterText(int theIndex, const QString& theText, int theX, int theY, int theStyle);
    void SetText(int theIndex, const QString& theText, int theX, int theY, int theStyle)
    {
        AlterText(theIndex, theText, theX, theY, theStyle);
    }
    // Nothing for an index out of range.
    void GetText(int theIndex, QString& theText, int& theX, int& theY, int& theStyle) const;

protected:
    ~TqvDataEntity_SchemaTime() override = default;

private:
    TTimeStyle_Schema FTimeStyle = tssNormal;
    int FSubCol = -1;
    bool FUseSubCol = false;
    TDateTime FStartDateTime = 0;
    TDateTime FStopDateTime = 0;
    int FCol = 0;
    int FNearMargin = 0;
    int FFarMargin = 0;
    TColor FColor = clWhite;
    TColor FFrameColor = clBlack;
    std::vector<std::unique_ptr<TqvSchemaText>> FTexts;
};

// The time item lists; no behaviour of their own.
class TqvDataList_Schema : public TqvDataList
{
protected:
    ~TqvDataList_Schema() override = default;
};

// The column list. Every column has its own header section and flipped
// header row, inserted and deleted with it, so the other columns keep their
// sizes.
class TDataListColumns : public TqvDataList
{
public:
    THeaderControl_MouseControl* Header = nullptr;
    TDrawGrid_Schema* FlippedHeader = nullptr;
    TqvSchema_ComBasic* Schema = nullptr;
    int PressCol = -1;
    TPoint PressPoint;
    int ResizeCol = 0;
    bool PressNearEdge = false;
    bool Resizing = false;
    int DefaultWidth = 120;
    int DefaultHeight = 18;

    TqvDataEntity_SchemaColumn* Column(int anIndex);

    // The first visible column: the flipped header grid's top row.
    int GetTopLeftCol() const;
    // Collapses the columns before theIndex (clamped to the columns) to 0 and
    // gives the others their remembered sizes; raises OnTopLeftColumnChange.
    void SetTopLeftCol(int theIndex);
    // Whether theText fits the column's header (width less 4).
    bool WillFit(const QString& theText, int theIndex);

    // A user resize of a column to theSize (see ResizeCol and ResizeAllCol).
    void HeaderCellReSize(int theSize);
    // The flipped header's row heights changed.
    void FlippedHeaderResize();
    // A header section was resized by the user.
    void HeaderControlSectionResize(THeaderControl* HeaderControl, THeaderSection* Section);

    // Controller slots of the column list.
    void _OnInsertItem(TqvDataEntity* theDataEntity);
    void _OnDeleteItem(TqvDataEntity* theDataEntity);
    void _OnContentChanged(TqvDataList* theqvDataList);
    void _OnSelectionChanged(TqvDataList* theqvDataList, TqvDataEntity* theDataEntity);
    void _OnInfoPush(TqvDataEntity* theDataEntity);
    void _OnHandlePerformedMove(TqvDataEntity* theqvDataEntity, int theOldIndex, int theNewIndex);

    // The column whose header section / flipped row is at anIndex (null when
    // none): the sections follow the columns, also while a column is leaving.
    TqvDataEntity_SchemaColumn* SectionOwner(int anIndex) const;
    int SectionCount() const { return static_cast<int>(FSectionOwners.size()); }
    // Every section's width and row height from the columns' remembered
    // sizes, 0 before the first visible column.
    void ApplyColumnSizes(int theFirst);
    // Asserts that sections, rows and columns are in step.
    void CheckInvariants();

protected:
    ~TDataListColumns() override = default;

private:
    void SetColumnSize(TqvDataEntity_SchemaColumn* theInitiating, TqvDataEntity_SchemaColumn* theColumn,
                       int theSize);

    std::vector<TqvDataEntity_SchemaColumn*> FSectionOwners;
};

} // namespace skedra
