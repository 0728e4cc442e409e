#include "examples/demo/PlanDatabase.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

#include <cmath>

using skedra::TDateTime;

PlanDatabase::PlanDatabase(const QString& aFileName)
    : FConnection(QStringLiteral("plan-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), FConnection);
    db.setDatabaseName(aFileName);
    if (!db.open()) {
        FLastError = db.lastError().text();
        return;
    }
    QSqlQuery q(db);
    // The plan is the application's data: a crash must not lose a written move,
    // but a journal in memory is enough for the one writer there is.
    q.exec(QStringLiteral("PRAGMA journal_mode=MEMORY"));
    FOpen =
        q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS tasks (id INTEGER PRIMARY KEY, name TEXT NOT NULL, "
                              "start REAL NOT NULL, stop REAL NOT NULL)"));
    if (!FOpen) FLastError = q.lastError().text();
}

PlanDatabase::~PlanDatabase()
{
    {
        QSqlDatabase db = QSqlDatabase::database(FConnection, false);
        if (db.isOpen()) db.close();
    }
    QSqlDatabase::removeDatabase(FConnection);
}

int PlanDatabase::TaskCount() const
{
    if (!FOpen) return 0;
    QSqlQuery q(QSqlDatabase::database(FConnection, false));
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM tasks")) || !q.next()) return 0;
    return q.value(0).toInt();
}

PlanTask PlanDatabase::GeneratedTask(int r)
{
    // 2024-01-01 08:00 + ((7r) mod 21) days + (r mod 4) x 6 hours, lasting 1 + ((5r) mod 7) days.
    const TDateTime base = skedra::EncodeDate(2024, 1, 1) + 8.0 / 24;
    PlanTask t;
    t.Row = r;
    t.Name = QStringLiteral("Task %1").arg(r + 1);
    t.Start = base + (7LL * r) % 21 + (r % 4) * 0.25;
    t.Stop = t.Start + 1 + (5LL * r) % 7;
    return t;
}

bool PlanDatabase::Generate(int aCount, const std::function<bool(int, int)>& aProgress)
{
    if (!FOpen || aCount < 0) return false;
    QSqlDatabase db = QSqlDatabase::database(FConnection, false);
    QSqlQuery q(db);
    if (!db.transaction()) {
        FLastError = db.lastError().text();
        return false;
    }
    bool ok = q.exec(QStringLiteral("DELETE FROM tasks"));
    ok = ok && q.prepare(QStringLiteral("INSERT INTO tasks (id, name, start, stop) VALUES (?, ?, ?, ?)"));
    constexpr int kReportEvery = 5000;
    for (int r = 0; ok && r < aCount; ++r) {
        const PlanTask t = GeneratedTask(r);
        q.bindValue(0, r + 1);
        q.bindValue(1, t.Name);
        q.bindValue(2, t.Start);
        q.bindValue(3, t.Stop);
        ok = q.exec();
        if (ok && aProgress && (r + 1) % kReportEvery == 0 && !aProgress(r + 1, aCount)) {
            db.rollback();
            q.exec(QStringLiteral("DELETE FROM tasks"));
            return false;
        }
    }
    if (!ok) {
        FLastError = q.lastError().text();
        db.rollback();
        return false;
    }
    if (!db.commit()) {
        FLastError = db.lastError().text();
        return false;
    }
    if (aProgress) aProgress(aCount, aCount);
    return true;
}

std::vector<PlanTask> PlanDatabase::LoadWindow(int aFirst, int aCount) const
{
    std::vector<PlanTask> tasks;
    if (!FOpen || aCount <= 0) return tasks;
    QSqlQuery q(QSqlDatabase::database(FConnection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT id, name, start, stop FROM tasks WHERE id >= ? AND id < ? ORDER BY id"));
    q.bindValue(0, static_cast<qlonglong>(aFirst) + 1);
    q.bindValue(1, static_cast<qlonglong>(aFirst) + 1 + aCount);
    if (!q.exec()) return tasks;
    tasks.reserve(static_cast<size_t>(aCount));
    while (q.next()) {
        PlanTask t;
        t.Row = q.value(0).toInt() - 1;
        t.Name = q.value(1).toString();
        t.Start = q.value(2).toDouble();
        t.Stop = q.value(3).toDouble();
        tasks.push_back(std::move(t));
    }
    return tasks;
}

bool PlanDatabase::WriteTimes(int aRow, TDateTime aStart, TDateTime aStop)
{
    if (!FOpen || aRow < 0 || !std::isfinite(aStart) || !std::isfinite(aStop)) return false;
    QSqlQuery q(QSqlDatabase::database(FConnection, false));
    q.prepare(QStringLiteral("UPDATE tasks SET start = ?, stop = ? WHERE id = ?"));
    q.bindValue(0, aStart);
    q.bindValue(1, aStop);
    q.bindValue(2, static_cast<qlonglong>(aRow) + 1);
    if (!q.exec()) {
        FLastError = q.lastError().text();
        return false;
    }
    return q.numRowsAffected() == 1;
}
