// The Gantt chart in grid mode over an SQLite plan: on first run the plan
// file is generated (1,000,000 tasks, or the count in SKEDRA_DEMO_PLAN_TASKS)
// with a progress bar; then only the rows near the view are read, and a task
// moved or resized with the mouse is written back to the file at once.
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <memory>

#include "examples/demo/DemoPage.h"
#include "examples/demo/PlanChart.h"
#include "examples/demo/PlanDatabase.h"

using namespace skedra;

namespace
{

QString PlanFileName()
{
    const QString given = qEnvironmentVariable("SKEDRA_DEMO_PLAN");
    if (!given.isEmpty()) return given;
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(dir);
    return QDir(dir).filePath(QStringLiteral("project-plan.sqlite"));
}

int PlanTaskCount()
{
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("SKEDRA_DEMO_PLAN_TASKS", &ok);
    return ok && n > 0 ? n : 1000000;
}

class ProjectPlanPage : public QWidget
{
public:
    explicit ProjectPlanPage(QWidget* parent) : QWidget(parent)
    {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(10, 10, 10, 10);
        status = new QLabel(this);
        layout->addWidget(status);
        progress = new QProgressBar(this);
        layout->addWidget(progress);
        gant = new TqvGant(this);
        gant->SetTreeWidth(220);
        gant->SetDrawShortLines(true);
        layout->addWidget(gant, 1);
        database = std::make_unique<PlanDatabase>(PlanFileName());
        // The plan is made (or opened) once the window is up, so that the
        // progress shows.
        QTimer::singleShot(0, this, [this] { Open(); });
    }

    ~ProjectPlanPage() override
    {
        // The binding goes before the chart and the database it ties together.
        binding.reset();
    }

private:
    void Open()
    {
        if (!database->IsOpen()) {
            status->setText(QStringLiteral("The plan file cannot be opened: %1").arg(database->LastError()));
            progress->hide();
            return;
        }
        const int wanted = PlanTaskCount();
        if (database->TaskCount() != wanted) {
            status->setText(QStringLiteral("Generating a plan of %1 tasks...").arg(wanted));
            progress->setRange(0, wanted);
            const bool done = database->Generate(wanted, [this](int aDone, int) {
                progress->setValue(aDone);
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
                return true;
            });
            if (!done) {
                status->setText(
                    QStringLiteral("The plan could not be generated: %1").arg(database->LastError()));
                return;
            }
        }
        progress->hide();
        binding = std::make_unique<PlanChart>(gant, database.get());
        const PlanTask first = PlanDatabase::GeneratedTask(0);
        gant->SetStart(std::floor(first.Start) - 1);
        gant->SetStop(std::floor(first.Start) + 27);
        status->setText(QStringLiteral("Grid mode over %1 tasks in an SQLite file; rows are read while you "
                                       "scroll, a task you move or resize is written back at once.")
                            .arg(database->TaskCount()));
    }

    QLabel* status = nullptr;
    QProgressBar* progress = nullptr;
    TqvGant* gant = nullptr;
    std::unique_ptr<PlanDatabase> database;
    std::unique_ptr<PlanChart> binding;
};

DemoPageRegistration projectPlanPage(DemoPage{
    47,
    QStringLiteral("Project plan"),
    [](QWidget* parent) -> QWidget* { return new ProjectPlanPage(parent); },
    {}});

} // namespace
