#include "skedra/gantt/GantData.h"

#include <cmath>

#include "skedra/gantt/GantRow.h"
#include "skedra/gantt/qvGant.h"

namespace skedra
{

namespace
{
void RequireNumber(TDateTime aValue)
{
    if (std::isnan(aValue)) throw Exception(QStringLiteral("Invalid date: not a number"));
}
} // namespace

// ===========================================================================
// TqvDataEntity_GantTime

void TqvDataEntity_GantTime::SetStartDateTime(TDateTime aValue)
{
    RequireNumber(aValue);
    StartDateTime = aValue;
}

void TqvDataEntity_GantTime::SetStopDateTime(TDateTime aValue)
{
    RequireNumber(aValue);
    StopDateTime = aValue;
}

void TqvDataEntity_GantTime::AfterCreate(TqvDataList* theList)
{
    TqvDataEntity::AfterCreate(theList);
    StartDateTime = 0;
    StopDateTime = 0;
    Style = 0;
    Color = 0;
    TopInset = 0;
    BottomInset = 0;
    FixedWidth = 0;
    ImageIndex = 0;
    SubCol = 0;
}

TqvDataList_GantRow* TqvDataEntity_GantTime::GetLayer() const
{
    return dynamic_cast<TqvDataList_GantRow*>(GetDataList());
}

TqvTimeItemTextCollection* TqvDataEntity_GantTime::GetTexts()
{
    if (!Texts) {
        Texts = std::make_unique<TqvTimeItemTextCollection>();
        if (TGantRow* row = GetRow())
            if (TqvGant_ComBasic* gant = row->GetGant()) Texts->OnStyleSet = gant->TimeItemStyleSetter();
    }
    return Texts.get();
}

TGantRow* TqvDataEntity_GantTime::GetRow() const
{
    const TqvDataList_GantRow* layer = GetLayer();
    return layer ? layer->Row : nullptr;
}

// ===========================================================================
// TqvDataList_GantRow

void TqvDataList_GantRow::CleanForFree()
{
    Row = nullptr;
    TqvDataList::CleanForFree();
}

// ===========================================================================
// TqvDataEntity_Link

void TqvDataEntity_Link::AfterCreate(TqvDataList* theList)
{
    TqvDataEntity::AfterCreate(theList);
    StartFinishOption = tlsfNormal;
    First = nullptr;
    Second = nullptr;
    LinkStyle = tlsDefault;
    Color = 0;
    PenWidth = 0;
}

void TqvDataEntity_Link::SetStartFinishOption(TLinkStartFinishOption anOption)
{
    StartFinishOption = anOption;
    if (First == nullptr) return;
    if (TGantRow* row = First->GetRow())
        if (TqvGant_ComBasic* gant = row->GetGant()) gant->InvalidateGA();
}

} // namespace skedra
