// A minimal Gantt chart: three tasks in a tree, each with one time item.
#include <QApplication>
#include <QTimer>

#include "skedra/gantt/qvGant.h"

using namespace skedra;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TqvGant gant;
    gant.resize(800, 240);
    const TDateTime monday = EncodeDate(2024, 3, 4);
    const QString tasks[] = {QStringLiteral("Design"), QStringLiteral("Build"), QStringLiteral("Test")};
    gant.BeginUpdate(); // one paint for all the changes
    for (int i = 0; i < 3; ++i) {
        TqvDataEntity_Tree* row = gant.AddRootDataEntityTree(); // a row: a node of the tree
        row->SetText(tasks[i]);
        TqvDataEntity_GantTime* item = gant.AddGantTime(row, 0); // a time item on the row's layer 0
        item->SetStartDateTime(monday + 2 * i);
        item->SetStopDateTime(monday + 2 * i + 3);
        item->SetColor(RGB(120, 170, 230));
    }
    gant.EndUpdate();
    gant.SetStart(monday - 1); // the visible time window
    gant.SetStop(monday + 10);
    gant.show();
    // The chart owns its data objects and frees them with itself.
    if (app.arguments().contains(QStringLiteral("--smoke"))) QTimer::singleShot(0, &app, &QApplication::quit);
    return app.exec();
}
