#pragma once
// The "Project plan" page's store: an SQLite file of tasks (id, name, start,
// stop) read a window at a time and written back when a task is moved. Ids
// run 1..N without gaps, so the task on row r is the one with id r + 1.

#include <QString>

#include <functional>
#include <vector>

class TPlanDatabase
{
public:
    struct TTask {
        qint64 Id = 0;
        QString Name;
        double Start = 0; // days since 30 December 1899
        double Stop = 0;
    };

    TPlanDatabase();
    ~TPlanDatabase();
    TPlanDatabase(const TPlanDatabase&) = delete;
    TPlanDatabase& operator=(const TPlanDatabase&) = delete;

    // Opens (creating when missing) the file and its table; false with the
    // reason in anError when that fails.
    bool Open(const QString& aFileName, QString* anError = nullptr);
    bool IsOpen() const;
    int TaskCount();
    // Appends aCount generated tasks; aProgress(done) is asked every few
    // thousand and may stop the generation by answering false (what was
    // written so far is kept only when the whole plan was written).
    bool Generate(int aCount, const std::function<bool(int)>& aProgress = {});
    // The tasks on rows aFirst..aFirst+aCount-1, in row order.
    std::vector<TTask> Load(int aFirst, int aCount);
    bool UpdateTimes(qint64 anId, double aStart, double aStop);

    // The generated plan's times of row r (the same as the benchmark's "flat" workload).
    static void GeneratedTimes(qint64 r, double& aStart, double& aStop);

private:
    QString FConnection;
};
