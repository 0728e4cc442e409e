#pragma once
// A Gantt chart in grid mode over a plan database: the grid announces every
// task as an unloaded row; a row scrolled into view is read from the
// database (a window of rows at a time) with its task as a time item, a row
// scrolled far away goes again with its item, and a task the user moves or
// resizes is written back at once.

#include <vector>

#include "examples/demo/PlanDatabase.h"
#include "skedra/gantt/qvGant.h"

class PlanChart
{
public:
    PlanChart(skedra::TqvGant* aGant, PlanDatabase* aDatabase);
    ~PlanChart();
    PlanChart(const PlanChart&) = delete;
    PlanChart& operator=(const PlanChart&) = delete;

    // The plan row of a time item of the chart, or -1.
    static int RowOfItem(const skedra::TqvDataEntity* anItem);
    int Writes() const { return FWrites; }
    int WindowReads() const { return FWindowReads; }

private:
    void OnRowLoaded(skedra::TMoxGridCell* aCaller, skedra::TAxisContentItem* aItem, bool aRowNotColumn);
    void OnItemChanged(skedra::TObject* aCaller, skedra::TqvDataEntity* anEntity);
    const PlanTask* Task(int aRow);

    skedra::TqvGant* FGant;
    PlanDatabase* FDatabase;
    // The rows read last, from FWindowFirst on.
    std::vector<PlanTask> FWindow;
    int FWindowFirst = 0;
    bool FLoading = false;
    int FWrites = 0;
    int FWindowReads = 0;
};
