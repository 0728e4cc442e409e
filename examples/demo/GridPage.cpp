// The grid component: a project list as a tree (projects with sub-projects
// made when first expanded), a column of each kind, a sub-grid of tasks in
// the rows of projects that have some, named layouts, and sorting by a click
// on a header.
#include <QLabel>
#include <QVBoxLayout>

#include "examples/demo/DemoPage.h"
#include "skedra/grid/qvGrid.h"
#include "skedra/platform/DateTime.h"

namespace
{

using namespace skedra;

class GridPage : public QWidget
{
public:
    explicit GridPage(QWidget* parent) : QWidget(parent)
    {
        auto* layout = new QVBoxLayout(this);
        auto* hint =
            new QLabel(QStringLiteral("Projects as a tree; click a header to sort, F2 or a double click "
                                      "to edit, the button or Enter to expand."),
                       this);
        grid = new TqvGrid(this);
        layout->addWidget(hint);
        layout->addWidget(grid, 1);

        TqvCellLayout* money = grid->GetCellLayouts()->Add();
        money->SetName(QStringLiteral("Money"));
        money->SetHorzAlignRight(true);
        TqvCellLayout* notes = grid->GetCellLayouts()->Add();
        notes->SetName(QStringLiteral("Notes"));
        notes->SetEndEllipsis(true);
        notes->SetBackColor(0xF0FAFF);
        notes->SetFrameOptionsUse(true);
        notes->SetFrameOptions(TFrameOptions{foRight, foBottom});
        notes->SetFrameColor(clSilver);

        TqvGrid_SubGrid* tasks = grid->GetSubGrids()->Add();
        tasks->SetName(QStringLiteral("Tasks"));
        tasks->SetHasInfoCol(false);
        tasks->SetExtendLastColumnToWidth(true);
        for (const char* header : {"Task", "Owner"}) {
            TqvGrid_Column* column = tasks->GetColumns()->Add();
            column->SetHeaderText(QString::fromLatin1(header));
            column->SetWidth(80);
        }

        auto add = [this](const char* header, TColumnKind kind, int width) {
            TqvGrid_Column* column = grid->AddColumn();
            column->SetHeaderText(QString::fromLatin1(header));
            column->SetKind(kind);
            column->SetWidth(width);
            column->SetSortEnable(kind != tckSubGrid);
            return column;
        };
        add("Project", tckSimpleEdit, 170)->SetTreeButton(true);
        add("Status", tckCombo, 80);
        add("Done", tckBool, 45);
        add("Start", tckDate, 85);
        add("Daily at", tckTime, 70);
        TqvGrid_Column* budget = add("Budget", tckSimpleEdit, 80);
        budget->SetNumericSort(true);
        budget->SetLayoutName(QStringLiteral("money"));
        TqvGrid_Column* parts = add("Tasks", tckSubGrid, 170);
        parts->SetSubGridName(QStringLiteral("Tasks"));
        // Only projects with tasks show the sub-grid.
        parts->OnContextSensitiveSubGrid = [this](TqvGrid*, TAxisContentItem* row, TqvGrid_Column*,
                                                  QString& name) {
            if (TqvDataEntity_GridTreeNode* node = TqvGrid::AxisContentItemToGridTreeNode(row))
                if (Seed(node) % 3 != 0) name.clear();
        };
        add("Notes", tckMemo, 200)->SetLayoutName(QStringLiteral("Notes"));
        grid->SetExtendLastColumnToWidth(true);

        grid->OnBeforeEditWithCombo = [](TqvGrid* g, TqvGrid_Column*, TMoxCell* cell) {
            const QStringList states{QStringLiteral("Planned"), QStringLiteral("Running"),
                                     QStringLiteral("Late"), QStringLiteral("Closed")};
            g->InitEditCombo(states, static_cast<int>(states.indexOf(g->GetText(cell))));
        };
        grid->OnInitTreeSubDataList = [this](TqvGrid*, TqvGridTree* tree, TqvDataEntity_GridTreeNode* node) {
            if (node->GetLevel() >= 2) return;
            const int count = 2 + Seed(node) % 3;
            for (int i = 0; i < count; ++i)
                AddProject(tree, node, i);
        };
        grid->SetUseTree(true);
        for (int i = 0; i < 40; ++i)
            AddProject(grid->GetTree(), nullptr, i);
        if (auto* first =
                dynamic_cast<TqvDataEntity_GridTreeNode*>(grid->GetTree()->GetRootDataList()->GetItems(0)))
            first->SetExpanded(true);
        grid->SortColumn(0, false);
    }

private:
    // A number that stays with a node through sorting: taken from its name.
    static int Seed(TqvDataEntity_GridTreeNode* node)
    {
        return static_cast<int>(reinterpret_cast<quintptr>(node->GetUserReference()));
    }

    void AddProject(TqvGridTree* tree, TqvDataEntity_GridTreeNode* parent, int i)
    {
        const int seed = (parent ? Seed(parent) * 7 : 0) + i * 13 + 5;
        TqvDataEntity_GridTreeNode* node = tree->AddDataEntity(parent);
        node->SetUserReference(reinterpret_cast<void*>(static_cast<quintptr>(seed)));
        const int row = node->Row->ListIndex();
        static const char* const names[] = {"Bridge",  "Harbour", "School", "Library",
                                            "Station", "Park",    "Tower"};
        static const char* const states[] = {"Planned", "Running", "Late", "Closed"};
        const QString name =
            parent ? grid->GetText(grid->GetCell(1, parent->Row->ListIndex())) +
                         QStringLiteral(" / part %1").arg(i + 1)
                   : QStringLiteral("%1 %2").arg(QString::fromLatin1(names[seed % 7])).arg(i + 1);
        grid->SetText(grid->GetCell(1, row), name);
        grid->SetText(grid->GetCell(2, row), QString::fromLatin1(states[seed % 4]));
        grid->SetText(grid->GetCell(3, row),
                      seed % 4 == 3 ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
        grid->SetText(grid->GetCell(4, row), DateToStr(EncodeDate(2026, 1, 1) + seed % 300));
        grid->SetText(grid->GetCell(5, row), TimeToStr(EncodeTime(8 + seed % 4, (seed % 4) * 15, 0, 0)));
        grid->SetText(grid->GetCell(6, row), QString::number((seed * 7919) % 100000 / 4.0 - 500, 'f', 2));
        grid->SetText(grid->GetCell(8, row), QStringLiteral("Notes on %1").arg(name));
        if (auto* tasks = dynamic_cast<TMoxGridCell*>(grid->GetCell(7, row));
            tasks && tasks->ColumnList->Count() > 0)
            for (int t = 0; t < 2; ++t) {
                TAxisContentItem* taskRow = grid->AddRowInSubGrid(tasks);
                grid->SetText(tasks->getCell(0, taskRow->ListIndex()), QStringLiteral("Task %1").arg(t + 1));
                grid->SetText(tasks->getCell(1, taskRow->ListIndex()),
                              t == 0 ? QStringLiteral("Ann") : QStringLiteral("Bo"));
            }
    }

    TqvGrid* grid = nullptr;
};

DemoPageRegistration gridPage(DemoPage{
    75, QStringLiteral("Grid"), [](QWidget* parent) -> QWidget* { return new GridPage(parent); }, {}});

} // namespace
