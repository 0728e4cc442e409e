// The grid under random clicks, drags (column sizing, sorting), keys and
// in-place editing, wheel turns, sizes down to 0, row and column changes
// from outside and from inside its own events, sorting, printing; plain
// rows and the data-bound tree mode.
#include <gtest/gtest.h>

#include <QImage>
#include <QRegularExpression>
#include <QScopeGuard>

#include <stdexcept>

#include "skedra/grid/qvGrid_p.h"
#include "skedra/platform/DateTime.h"
#include "skedra/platform/StdCtrls.h"
#include "skedra/platform/DeviceContext.h"
#include "skedra/tree/GridTree.h"
#include "tests/reliability/Driver.h"

using namespace skedra;
using namespace skedra::reliability;

namespace
{

class TGridDriver : public TDriver
{
public:
    explicit TGridDriver(bool aTree) : FTreeMode(aTree)
    {
        FForm.resize(700, 500);
        FGrid = new TqvGrid(&FForm);
        FGrid->SetBounds(0, 0, 500, 350);
        for (int c = 0; c < 4; ++c)
            AddColumn(c);
        if (FTreeMode) {
            FGrid->GetColumns()->GetColumn(0)->SetTreeButton(true);
            FGrid->SetUseTree(true);
        }
        for (int i = 0; i < 30; ++i)
            AddRow();
        FForm.show();
        // Changes from inside the grid's own events.
        auto inside = [this](auto&&...) {
            if (TStepRng* r = Rng(); r != nullptr && r->Chance(5) && !FInside) {
                FInside = true;
                auto reset = qScopeGuard([this] { FInside = false; });
                DataStep(*r);
            }
        };
        FGrid->OnSelectionChanged = [inside](TObject* s) { inside(s); };
        FGrid->OnTopLeftChanged = [inside](TObject* s) { inside(s); };
        FGrid->OnButtonClick = [inside](TMoxGridView_Custom* v, TMoxCell* c) { inside(v, c); };
    }

    void Step(TStepRng& r) override
    {
        switch (r.Below(14)) {
        case 0:
        case 1:
        case 2:
        case 3:
            input::Mouse(r, FGrid);
            break;
        case 4:
        case 5:
            input::Key(r, QApplication::focusWidget() ? QApplication::focusWidget()
                                                      : static_cast<QWidget*>(FGrid));
            break;
        case 6:
            input::Resize(r, FGrid, 800, 600);
            break;
        case 7:
        case 8:
        case 9:
            DataStep(r);
            break;
        case 10:
            ColumnStep(r);
            break;
        case 11:
            Tolerate([&] { FGrid->SortColumn(r.Between(-1, FGrid->GetColumns()->Count()), r.Chance(50)); });
            break;
        case 12:
            if (r.Chance(50)) FGrid->SetFocus();
            Tolerate([&] { FGrid->SetFocusedCell(FGrid->GetCell(r.Between(-1, 5), r.Between(-1, 40))); });
            Tolerate([&] { FGrid->SetTopLeftCell(FGrid->GetCell(r.Between(0, 4), r.Between(0, 40))); });
            break;
        default: {
            QImage image(500, 400, QImage::Format_RGB32);
            image.fill(Qt::white);
            TDeviceContext dc(&image);
            Tolerate([&] {
                FGrid->Print(&dc, r.Between(-20, 100), r.Between(-20, 100), input::Scale(r), input::Scale(r),
                             r.Chance(50));
            });
            break;
        }
        }
        if (r.Chance(30)) FGrid->Repaint();
    }

    void CheckInvariants() override
    {
        QString why;
        if (!FGrid->CheckInvariants(&why)) throw std::runtime_error("grid: " + why.toStdString());
        for (TScrollbar_qv* bar : {FGrid->GetVertScrollBar(), FGrid->GetHorzScrollBar()}) {
            if (bar == nullptr || !bar->GetVisible()) continue;
            if (bar->GetPosition() < bar->GetMin() || bar->GetPosition() > bar->GetMax())
                throw std::runtime_error("a scroll position is out of its range");
        }
    }

    // The editors' answer to a text that is not a date or a time.
    bool ExpectedMessage(const QString& aText) const override
    {
        static const QRegularExpression validation(QStringLiteral("^'.*' is not a valid (date|time)$"),
                                                   QRegularExpression::DotMatchesEverythingOption);
        return validation.match(aText).hasMatch();
    }

private:
    void AddColumn(int anIndex)
    {
        TqvGrid_Column* c = FGrid->AddColumn();
        c->SetHeaderText(QStringLiteral("C%1").arg(anIndex));
        c->SetWidth(60 + 10 * (anIndex % 4));
        c->SetSortEnable(true);
        static const TColumnKind kinds[] = {tckSimpleEdit, tckSimpleEdit, tckMemo, tckBool,
                                            tckCombo,      tckDate,       tckTime};
        if (anIndex > 0) c->SetKind(kinds[(anIndex * 5) % 7]);
    }
    void AddRow()
    {
        TAxisContentItem* row = nullptr;
        if (FTreeMode) {
            TqvGridTree* tree = FGrid->GetTree();
            TqvDataEntity_GridTreeNode* parent = nullptr;
            if (FRng && tree->GetRootDataList()->Count() > 0 && FRng->Chance(60)) {
                auto* list = tree->GetRootDataList();
                parent = static_cast<TqvDataEntity_GridTreeNode*>(list->GetItems(FRng->Below(list->Count())));
            }
            row = tree->AddDataEntity(parent)->Row;
        } else {
            row = FGrid->AddRow();
        }
        if (row == nullptr) return;
        const int fixed = FGrid->GetRootCell()->GetFixedCols();
        for (int c = fixed; c < FGrid->GetCellCountX(); ++c)
            if (TMoxCell* cell = FGrid->GetCell(c, row->ListIndex()))
                FGrid->SetText(cell, TextFor(cell, (FCounter++ * 7919) % 1000));
    }
    // A text right for the cell's column: a date, a time, a truth value or a number.
    QString TextFor(TMoxCell* aCell, int aNumber)
    {
        TqvGrid_Column* column = FGrid->CellToColumn(aCell);
        switch (column ? column->GetKind() : tckSimpleEdit) {
        case tckDate:
            return DateToStr(47484.0 + aNumber);
        case tckTime:
            return TimeToStr((aNumber % 96) / 96.0);
        case tckBool:
            return aNumber % 2 ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
        default:
            return QString::number(aNumber);
        }
    }
    TAxisContentList* Rows() const { return FGrid->GetRootCell()->RowList.get(); }

    void DataStep(TStepRng& r)
    {
        TStepRng* previous = FRng;
        FRng = &r;
        auto reset = qScopeGuard([&] { FRng = previous; });
        TAxisContentList* rows = Rows();
        const int count = rows->Count();
        switch (r.Below(9)) {
        case 0:
        case 1:
            if (count < 300) AddRow();
            break;
        case 2:
            if (!FTreeMode) Tolerate([&] { FGrid->InsertRow(r.Between(-1, count + 1)); });
            break;
        case 3:
        case 4:
            if (FTreeMode) {
                TMoxCell* cell = FGrid->GetCell(1, r.Between(0, count - 1));
                if (TqvDataEntity_GridTreeNode* node = cell ? FGrid->CellToNode(cell) : nullptr)
                    FGrid->GetTree()->RemoveDataEntity(node);
            } else {
                Tolerate([&] { rows->Drop(r.Between(-1, count)); });
            }
            break;
        case 5:
            if (!FTreeMode)
                Tolerate([&] { rows->Move(r.Between(-1, count), r.Between(-1, count)); });
            else if (TMoxCell* cell = FGrid->GetCell(1, r.Between(0, count - 1)))
                if (TqvDataEntity_GridTreeNode* node = FGrid->CellToNode(cell))
                    node->SetExpanded(!node->Expanded);
            break;
        case 6:
            if (r.Chance(20)) {
                if (FTreeMode)
                    FGrid->GetTree()->GetRootDataList()->Clear();
                else
                    rows->ClearKeepFixedItems();
            }
            break;
        case 7:
            // Mostly a text right for the column; otherwise any text (a date
            // column then answers with its validation message when edited).
            if (TMoxCell* cell = FGrid->GetCell(r.Between(0, 4), r.Between(0, count - 1)))
                FGrid->SetText(cell, r.Chance(70) ? TextFor(cell, r.Below(1000)) : input::Text(r));
            break;
        default:
            Tolerate([&] { FGrid->SetRowHeight(r.Between(-1, count), r.Between(-5, 80)); });
            break;
        }
    }

    void ColumnStep(TStepRng& r)
    {
        TqvGrid_Columns* columns = FGrid->GetColumns();
        switch (r.Below(5)) {
        case 0:
            if (columns->Count() < 10) AddColumn(columns->Count());
            break;
        case 1:
            if (columns->Count() > 1) Tolerate([&] { columns->Delete(r.Between(1, columns->Count() - 1)); });
            break;
        case 2:
            if (columns->Count() > 0)
                Tolerate(
                    [&] { columns->GetColumn(r.Below(columns->Count()))->SetWidth(r.Between(-5, 300)); });
            break;
        case 3:
            if (columns->Count() > 0)
                columns->GetColumn(r.Below(columns->Count()))->SetHeaderText(input::Text(r));
            break;
        default:
            FGrid->SetUserSortEnable(r.Chance(70));
            FGrid->SetHasInfoCol(r.Chance(50));
            break;
        }
    }

    QWidget FForm;
    TqvGrid* FGrid = nullptr;
    bool FTreeMode;
    bool FInside = false;
    TStepRng* FRng = nullptr;
    int FCounter = 0;
};

} // namespace

TEST(Drive, Grid)
{
    RunDriver([] { return std::make_unique<TGridDriver>(false); }, 300);
}

TEST(Drive, GridTree)
{
    RunDriver([] { return std::make_unique<TGridDriver>(true); }, 300);
}
