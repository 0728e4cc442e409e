#include "examples/demo/PlanChart.h"

#include <QScopedValueRollback>

#include <algorithm>

using namespace skedra;

namespace
{

// Rows read from the database in one query: a few screens around the row asked for.
constexpr int kWindowRows = 1024;
constexpr int kWindowBefore = 256;

} // namespace

PlanChart::PlanChart(TqvGant* aGant, PlanDatabase* aDatabase) : FGant(aGant), FDatabase(aDatabase)
{
    FGant->SetUseGridNotTree(true);
    TqvGrid* grid = FGant->GetGrid();
    TqvGrid_Column* task = grid->GetColumns()->GetColumn(0);
    task->SetHeaderText(QStringLiteral("Task"));
    task->SetWidth(120);
    TqvGrid_Column* days = grid->AddColumn();
    days->SetHeaderText(QStringLiteral("Days"));
    days->SetWidth(50);
    FGant->SetGrid_HasHeaders(true);
    FGant->SetOnVirtualLoad_Grid(MakeMethod<&PlanChart::OnRowLoaded>(this));
    // Rows far from the view go again, with their items: they are in the file.
    FGant->SetOnVirtualUnLoad_Grid(
        [](TMoxGridCell*, TAxisContentItem*, bool, bool, bool& aCanUnload) { aCanUnload = true; });
    FGant->OnValueChanged_GantTime = MakeMethod<&PlanChart::OnItemChanged>(this);
    grid->GetTree()->GetRootDataList()->AddUnloaded(FDatabase->TaskCount());
}

PlanChart::~PlanChart()
{
    FGant->SetOnVirtualLoad_Grid(nullptr);
    FGant->SetOnVirtualUnLoad_Grid(nullptr);
    FGant->OnValueChanged_GantTime.Clear();
}

int PlanChart::RowOfItem(const TqvDataEntity* anItem)
{
    return anItem != nullptr ? static_cast<int>(reinterpret_cast<quintptr>(anItem->GetUserReference())) - 1
                             : -1;
}

const PlanTask* PlanChart::Task(int aRow)
{
    const int at = aRow - FWindowFirst;
    if (at < 0 || at >= static_cast<int>(FWindow.size())) {
        FWindowFirst = std::max(0, aRow - kWindowBefore);
        FWindow = FDatabase->LoadWindow(FWindowFirst, kWindowRows);
        ++FWindowReads;
    }
    const int i = aRow - FWindowFirst;
    return i >= 0 && i < static_cast<int>(FWindow.size()) && FWindow[static_cast<size_t>(i)].Row == aRow
               ? &FWindow[static_cast<size_t>(i)]
               : nullptr;
}

void PlanChart::OnRowLoaded(TMoxGridCell*, TAxisContentItem* aItem, bool aRowNotColumn)
{
    if (!aRowNotColumn) return;
    TqvDataEntity_GridTreeNode* node = TqvGridTree::NodeOfRow(aItem);
    if (node == nullptr || node->ParentNode() != nullptr) return;
    const int row = node->ListIndex();
    const PlanTask* task = Task(row);
    if (task == nullptr) return;
    const QScopedValueRollback loading(FLoading, true);
    TqvGrid* grid = FGant->GetGrid();
    const int gridRow = aItem->ListIndex();
    grid->SetText(grid->GetCell(0, gridRow), task->Name);
    grid->SetText(grid->GetCell(1, gridRow), QString::number(task->Stop - task->Start, 'f', 1));
    TqvDataEntity_GantTime* item = FGant->GridNode_AddGantTime(node, 0);
    if (item == nullptr) return;
    item->SetUserReference(reinterpret_cast<void*>(static_cast<quintptr>(row) + 1));
    item->SetColor(row % 7 == 0 ? 0x80C0FF : 0xFFD0A0);
    item->SetStartDateTime(task->Start);
    item->SetStopDateTime(task->Stop);
}

void PlanChart::OnItemChanged(TObject*, TqvDataEntity* anEntity)
{
    auto* item = dynamic_cast<TqvDataEntity_GantTime*>(anEntity);
    const int row = RowOfItem(item);
    if (FLoading || row < 0) return;
    if (!FDatabase->WriteTimes(row, item->GetStartDateTime(), item->GetStopDateTime())) return;
    ++FWrites;
    // The window read before holds the old times.
    const int i = row - FWindowFirst;
    if (i >= 0 && i < static_cast<int>(FWindow.size()) && FWindow[static_cast<size_t>(i)].Row == row) {
        FWindow[static_cast<size_t>(i)].Start = item->GetStartDateTime();
        FWindow[static_cast<size_t>(i)].Stop = item->GetStopDateTime();
    }
}
