#pragma once
// The data objects of the Gantt chart: a time item (TqvDataEntity_GantTime),
// one layer of a row's time items (TqvDataList_GantRow) and a link between two
// time items (TqvDataEntity_Link). The rows themselves are in GantRow.h.
//
// The setters of the time item write the fields without any notification:
// whoever changes an item announces it with DoInfoPush.

#include <cstdint>
#include <memory>

#include "skedra/data/DataList.h"
#include "skedra/gantt/GantTypes.h"
#include "skedra/gantt/TimeItemText.h"
#include "skedra/platform/Color.h"
#include "skedra/platform/DateTime.h"

namespace skedra
{

class TGantRow;
class TqvGant_ComBasic;

class TqvDataEntity_GantTime : public TqvDataEntity
{
    // Declared first, so that the byte fills the padding at the end of the
    // base class: a chart holds a million items.
    std::uint8_t Style = 0;

public:
    TqvDataEntity_GantTime() = default;

    void AfterCreate(TqvDataList* theList) override;

    TDateTime GetStartDateTime() const { return StartDateTime; }
    // A time that is not a number has no place on the axis: refused with an
    // Exception, the item keeps its time.
    void SetStartDateTime(TDateTime aValue);
    TDateTime GetStopDateTime() const { return StopDateTime; }
    void SetStopDateTime(TDateTime aValue);
    // The whole style byte (a TGantTimeStyle in the low seven bits).
    std::uint8_t GetStyle() const { return Style; }
    void SetStyle(std::uint8_t aValue) { Style = aValue; }
    TColor GetColor() const { return Color; }
    void SetColor(TColor aValue) { Color = aValue; }
    // 0 = not placed (the item uses its row's whole band), 1.. = the
    // sub-column it was placed in, -1 only while OnCollisionDetected runs.
    int GetSubCol() const { return SubCol; }
    void SetSubCol(int aValue) { SubCol = aValue; }

    // Fixed-width items (markers) cannot be resized.
    bool IsResizable() const { return FixedWidth < 1; }
    // The row of the layer that holds the item, or none.
    TGantRow* GetRow() const;
    // The layer that holds the item, or none.
    class TqvDataList_GantRow* GetLayer() const;

    // Pixels left free between the top of the item's band and the item.
    int TopInset = 0;
    // Pixels left free between the item and the bottom of its band.
    int BottomInset = 0;
    // Below 1 the item spans its start and stop dates; 1 or more makes it a
    // marker of exactly that width centred on its start date.
    int FixedWidth = 0;
    // Image number in the chart's image list, for gtsImage.
    int ImageIndex = 0;

    // The texts drawn inside or beside the item, made on first use; an item
    // in a chart's list gets the chart's font choice for them.
    TqvTimeItemTextCollection* GetTexts();
    // The texts when the item has any collection, else none (drawing asks this).
    TqvTimeItemTextCollection* FindTexts() const { return Texts.get(); }

protected:
    ~TqvDataEntity_GantTime() override = default;

private:
    std::unique_ptr<TqvTimeItemTextCollection> Texts;
    TDateTime StartDateTime = 0;
    TDateTime StopDateTime = 0;
    TColor Color = 0;
    int SubCol = 0;
};

// One layer of a row: the list of its time items.
class TqvDataList_GantRow : public TqvDataList
{
public:
    TqvDataList_GantRow() = default;

    // Forgets the row, then frees the items.
    void CleanForFree() override;

    TGantRow* GetRow() const { return Row; }
    TqvDataEntity_GantTime* GetTimeItem(int i) { return static_cast<TqvDataEntity_GantTime*>(GetItems(i)); }

    TGantRow* Row = nullptr;

protected:
    ~TqvDataList_GantRow() override = default;
};

// A dependency between two time items.
class TqvDataEntity_Link : public TqvDataEntity
{
public:
    TqvDataEntity_Link() = default;

    void AfterCreate(TqvDataList* theList) override;

    TLinkStartFinishOption GetStartFinishOption() const { return StartFinishOption; }
    // Stores the option and repaints the chart of First's row.
    void SetStartFinishOption(TLinkStartFinishOption anOption);

    TLinkStartFinishOption StartFinishOption = tlsfNormal;
    TqvDataEntity_GantTime* First = nullptr;
    TqvDataEntity_GantTime* Second = nullptr;
    TLinkStyle LinkStyle = tlsDefault;
    TColor Color = 0;
    int PenWidth = 0;

protected:
    ~TqvDataEntity_Link() override = default;
};

} // namespace skedra
