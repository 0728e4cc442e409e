// The grid's columns as text: what a form stores and reads back, and bad
// texts that change nothing.
#include <gtest/gtest.h>

#include <stdexcept>

#include "skedra/grid/GridColumnsText.h"
#include "skedra/grid/qvGrid.h"
#include "tests/common/TestSupport.h"

using namespace skedra;

TEST(GridColumnsText, EveryStoredPropertyRoundTrips)
{
    TqvGrid grid;
    TqvGrid_Column* a = grid.AddColumn();
    a->SetHeaderText(QString::fromUtf8("Näme \"quoted\""));
    a->SetWidth(150);
    a->SetKind(tckCombo);
    a->SetSortEnable(true);
    a->SetNumericSort(true);
    a->SetLayoutName("bold");
    TqvGrid_Column* b = grid.AddColumn();
    b->SetKind(tckDate);
    b->SetCheckBoxOnDateTime(true);
    b->SetReadOnly(true);
    b->SetHidden(true);
    b->SetGroupcells(true);

    TqvGrid copy;
    copy.SetColumnsText(grid.GetColumnsText());
    ASSERT_EQ(copy.GetColumns()->Count(), 2);
    EXPECT_EQ(copy.GetColumnsText(), grid.GetColumnsText());
    EXPECT_EQ(copy.GetColumns()->GetColumn(0)->GetHeaderText(), a->GetHeaderText());
    EXPECT_EQ(copy.GetColumns()->GetColumn(0)->GetKind(), tckCombo);
    EXPECT_TRUE(copy.GetColumns()->GetColumn(1)->GetHidden());
    EXPECT_TRUE(copy.GetColumns()->GetColumn(1)->GetCheckBoxOnDateTime());

    copy.SetColumnsText(""); // no columns
    EXPECT_EQ(copy.GetColumns()->Count(), 0);
    copy.SetColumnsText("[{\"HeaderText\":\"Only\"}]"); // missing properties take their defaults
    ASSERT_EQ(copy.GetColumns()->Count(), 1);
    EXPECT_EQ(copy.GetColumns()->GetColumn(0)->GetWidth(), 64);
}

TEST(GridColumnsText, BadTextsRaiseAndChangeNothing)
{
    TqvGrid grid;
    grid.AddColumn()->SetHeaderText("Kept");
    const QString before = grid.GetColumnsText();
    for (const char* bad : {"{", "{}", "[1]", "[{\"Kind\":\"tckNope\"}]", "[{\"Width\":-1}]",
                            "[{\"Colour\":1}]", "[{\"ReadOnly\":\"yes\"}]", "[{\"HeaderText\":3}]"}) {
        EXPECT_THROW(ColumnsFromText(*grid.GetColumns(), QString::fromLatin1(bad)), std::invalid_argument)
            << bad;
        grid.SetColumnsText(QString::fromLatin1(bad)); // the property warns and keeps the columns
        EXPECT_EQ(grid.GetColumnsText(), before) << bad;
    }
    EXPECT_EQ(ColumnKindNames().size(), 8);
}
