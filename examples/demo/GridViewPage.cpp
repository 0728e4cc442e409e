// The grid view: 100,000 virtual rows (only the rows on screen and a few more
// exist at any time), a fixed header row and info column, wrapped texts,
// Boolean cells and a nested 3 x 2 grid in every 25th row.
#include <QLabel>
#include <QVBoxLayout>

#include "examples/demo/DemoPage.h"
#include "skedra/gridengine/qvMoxGridView.h"

namespace
{

using namespace skedra;

constexpr int kRows = 100000;
constexpr int kColumns = 6;

class GridViewPage : public QWidget
{
public:
    explicit GridViewPage(QWidget* parent) : QWidget(parent)
    {
        auto* layout = new QVBoxLayout(this);
        auto* hint = new QLabel(
            QStringLiteral(
                "100,000 rows loaded on demand; every 25th row holds a nested grid. Scroll with the bars."),
            this);
        status = new QLabel(this);
        grid = new TMoxGridView(this);
        layout->addWidget(hint);
        layout->addWidget(grid, 1);
        layout->addWidget(status);

        done.BackColor = 0xE8F4E8;
        done.FontColor = clGreen;
        note.WrapTextAndFit = false;
        note.EndEllipsis = true;
        note.FrameOptionsUse = true;
        note.FrameOptions = TFrameOptions{foBottom, foRight};
        note.FrameColor = clSilver;

        grid->OnCreateCell = [](TMoxGridCell* caller, TAxisContentItem* col, TAxisContentItem* row) {
            const bool root = caller->ParentCell == nullptr;
            const int r = row->ListIndex();
            return root && col->ListIndex() == 3 && r > 0 && r % 25 == 0 ? moxCellTypeGrid
                                                                         : moxCellTypeSimple;
        };
        grid->OninitSubGridContent = [](TMoxGridView_Custom*, TMoxSubGridCellData* data) {
            auto* sub = dynamic_cast<TMoxGridCell*>(data->Cell);
            if (sub == nullptr || sub->ParentCell == nullptr) return;
            for (int c = 0; c < 3; ++c) {
                TAxisContentItem* item = sub->ColumnList->AddNew(nullptr);
                item->SetUserSizeActive(true);
                item->SetUserSize(60);
            }
            for (int r = 0; r < 2; ++r)
                sub->RowList->AddNew(nullptr);
        };
        grid->OnInitContent = [this](TMoxGridView_Custom*, TMoxSimpleCellStringData* d) { Fill(d); };
        grid->OnVirtualUnLoad = [](TMoxGridCell*, TAxisContentItem*, bool, bool perform, bool& can) {
            if (!perform) can = true;
        };
        grid->OnSelectionChanged = [this](TObject*) { ShowStatus(); };
        grid->OnTopLeftChanged = [this](TObject*) { ShowStatus(); };

        TMoxGridCellForViewer* root = grid->GetRootCell();
        root->SetFixedRows(1);
        root->SetFixedCols(1);
        const int widths[kColumns] = {70, 110, 80, 200, 90, 260};
        for (int c = 0; c < kColumns; ++c) {
            TAxisContentItem* item = root->ColumnList->AddNew(nullptr);
            item->SetUserSizeActive(true);
            item->SetUserSize(widths[c]);
        }
        root->RowList->AddNew(nullptr);
        root->RowList->AddUnloaded(kRows);
        root->UpdateMultiSelect(root->getCell(1, 3), {});
        root->SetFocusedCell(root->getCell(1, 3));
        grid->SetSortCell(root->getCell(1, 0), false);
        ShowStatus();
    }

    // The grid goes first: its cells point to the layouts below.
    ~GridViewPage() override { delete grid; }

private:
    void Fill(TMoxSimpleCellStringData* d)
    {
        TMoxCell* cell = d->Cell;
        const int c = cell->ColumnItem->ListIndex();
        const int r = cell->RowItem->ListIndex();
        if (cell->ParentCell != grid->GetRootCell()) {
            d->Text = QStringLiteral("%1.%2").arg(r + 1).arg(c + 1);
            return;
        }
        static const char* const headers[kColumns] = {"#", "Task", "Done", "Sub-tasks", "Hours", "Note"};
        if (r == 0) {
            d->Text = QString::fromLatin1(headers[c]);
            return;
        }
        switch (c) {
        case 0:
            d->Text = QString::number(r);
            break;
        case 1:
            d->Text = QStringLiteral("Task %1").arg(r);
            break;
        case 2:
            d->IsBoolean = true;
            d->Text = r % 3 == 0 ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
            if (r % 3 == 0) cell->Layout = &done;
            break;
        case 3:
            d->Text = QStringLiteral("none");
            break;
        case 4:
            d->Text = QString::number((r * 37) % 120 / 4.0, 'f', 2);
            break;
        default:
            d->Text = QStringLiteral("A note on task %1 that is longer than its column").arg(r);
            cell->Layout = &note;
            break;
        }
    }

    void ShowStatus()
    {
        TMoxGridCellForViewer* root = grid->GetRootCell();
        status->setText(QStringLiteral("Top row %1 of %2; %3 rows loaded")
                            .arg(root->Top)
                            .arg(root->RowList->Count() - 1)
                            .arg(root->RowList->LoadedCount()));
    }

    TMoxGridView* grid = nullptr;
    QLabel* status = nullptr;
    TLayoutProp done;
    TLayoutProp note;
};

DemoPageRegistration gridViewPage(DemoPage{
    70,
    QStringLiteral("Grid view"),
    [](QWidget* parent) -> QWidget* { return new GridViewPage(parent); },
    {}});

} // namespace
