#include "examples/demo/PlanDatabase.h"

#include <QDate>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <atomic>

namespace
{

QSqlDatabase Db(const QString& aConnection)
{
    return QSqlDatabase::database(aConnection, false);
}

// 2024-01-01 08:00 as days since 30 December 1899.
double PlanBase()
{
    return static_cast<double>(QDate(1899, 12, 30).daysTo(QDate(2024, 1, 1))) + 8.0 / 24;
}

} // namespace

TPlanDatabase::TPlanDatabase()
{
    static std::atomic<int> counter{0};
    FConnection = QStringLiteral("skedra-plan-%1").arg(++counter);
}

TPlanDatabase::~TPlanDatabase()
{
    {
        QSqlDatabase db = Db(FConnection);
        if (db.isValid()) db.close();
    }
    QSqlDatabase::removeDatabase(FConnection);
}

bool TPlanDatabase::Open(const QString& aFileName, QString* anError)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), FConnection);
    db.setDatabaseName(aFileName);
    if (!db.open()) {
        if (anError) *anError = db.lastError().text();
        return false;
    }
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS tasks (id INTEGER PRIMARY KEY, name TEXT NOT NULL, "
                               "start REAL NOT NULL, stop REAL NOT NULL)"))) {
        if (anError) *anError = q.lastError().text();
        return false;
    }
    return true;
}

bool TPlanDatabase::IsOpen() const
{
    return Db(FConnection).isOpen();
}

int TPlanDatabase::TaskCount()
{
    QSqlQuery q(Db(FConnection));
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM tasks")) || !q.next()) return 0;
    return q.value(0).toInt();
}

void TPlanDatabase::GeneratedTimes(qint64 r, double& aStart, double& aStop)
{
    aStart = PlanBase() + static_cast<double>((7 * r) % 21) + static_cast<double>(r % 4) * 0.25;
    aStop = aStart + 1 + static_cast<double>((5 * r) % 7);
}

bool TPlanDatabase::Generate(int aCount, const std::function<bool(int)>& aProgress)
{
    QSqlDatabase db = Db(FConnection);
    if (!db.isOpen() || !db.transaction()) return false;
    const int first = TaskCount();
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO tasks (id, name, start, stop) VALUES (?, ?, ?, ?)"));
    for (int i = 0; i < aCount; ++i) {
        const qint64 r = first + i;
        double start = 0, stop = 0;
        GeneratedTimes(r, start, stop);
        q.bindValue(0, r + 1);
        q.bindValue(1, QStringLiteral("Task %1").arg(r + 1));
        q.bindValue(2, start);
        q.bindValue(3, stop);
        if (!q.exec()) {
            db.rollback();
            return false;
        }
        if (aProgress && i % 5000 == 0 && !aProgress(i)) {
            db.rollback();
            return false;
        }
    }
    if (aProgress) aProgress(aCount);
    return db.commit();
}

std::vector<TPlanDatabase::TTask> TPlanDatabase::Load(int aFirst, int aCount)
{
    std::vector<TTask> tasks;
    if (aCount <= 0) return tasks;
    QSqlQuery q(Db(FConnection));
    q.prepare(QStringLiteral("SELECT id, name, start, stop FROM tasks WHERE id >= ? AND id < ? ORDER BY id"));
    q.bindValue(0, static_cast<qint64>(aFirst) + 1);
    q.bindValue(1, static_cast<qint64>(aFirst) + 1 + aCount);
    if (!q.exec()) return tasks;
    tasks.reserve(static_cast<size_t>(aCount));
    while (q.next())
        tasks.push_back({q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toDouble(), q.value(3).toDouble()});
    return tasks;
}

bool TPlanDatabase::UpdateTimes(qint64 anId, double aStart, double aStop)
{
    QSqlQuery q(Db(FConnection));
    q.prepare(QStringLiteral("UPDATE tasks SET start = ?, stop = ? WHERE id = ?"));
    q.bindValue(0, aStart);
    q.bindValue(1, aStop);
    q.bindValue(2, anId);
    return q.exec() && q.numRowsAffected() == 1;
}
