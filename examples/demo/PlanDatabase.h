#pragma once
// A project plan in an SQLite file: one table of tasks (name, start, stop),
// a task's row in the chart being its id - 1. The plan is generated once with
// a progress report, read a window of rows at a time while the chart
// scrolls, and a task's times are written back when the user moves it.

#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <vector>

#include "skedra/platform/DateTime.h"

struct PlanTask {
    int Row = -1;
    QString Name;
    skedra::TDateTime Start = 0;
    skedra::TDateTime Stop = 0;
};

class PlanDatabase
{
public:
    // Opens (creating when missing) the file; IsOpen tells whether that worked.
    explicit PlanDatabase(const QString& aFileName);
    ~PlanDatabase();
    PlanDatabase(const PlanDatabase&) = delete;
    PlanDatabase& operator=(const PlanDatabase&) = delete;

    bool IsOpen() const { return FOpen; }
    QString LastError() const { return FLastError; }
    int TaskCount() const;

    // Replaces the plan by aCount generated tasks in one transaction;
    // aProgress(done, total) is called every few thousand tasks and may stop
    // the generation by answering false (the plan is then left empty).
    bool Generate(int aCount, const std::function<bool(int, int)>& aProgress = nullptr);
    // The times of generated task r: the day of the "flat" workload.
    static PlanTask GeneratedTask(int r);

    // The tasks of rows aFirst .. aFirst + aCount - 1 that exist, in row order.
    std::vector<PlanTask> LoadWindow(int aFirst, int aCount) const;
    // Writes a task's new times; false when the row does not exist.
    bool WriteTimes(int aRow, skedra::TDateTime aStart, skedra::TDateTime aStop);

private:
    QString FConnection;
    QString FLastError;
    bool FOpen = false;
};
