// Printing page by page: a grid, a tree, the Gantt chart in tree and grid
// mode and the schedule view in both orientations are built off screen and printed to multi-page A4
// PDFs, each page started by the component's new-page handler (the grid's
// pages by the band it reports cut).
#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPageSize>
#include <QPdfWriter>

#include <cstdio>
#include <functional>
#include <memory>

#include "examples/demo/PrintDemo.h"
#include "skedra/gantt/GantPrint.h"
#include "skedra/gantt/qvGant.h"
#include "skedra/grid/GridPrinting.h"
#include "skedra/grid/qvGrid.h"
#include "skedra/platform/DateTime.h"
#include "skedra/schema/SchemaPrint.h"
#include "skedra/schema/qvSchema.h"
#include "skedra/tree/qvPrintTree.h"
#include "skedra/tree/qvTree.h"

using namespace skedra;

namespace
{

constexpr TDateTime kPlanStart = 45355.0; // Monday 4 March 2024

// An A4 PDF at 150 dots per inch, drawn through aDraw; false when it cannot be written.
bool WritePdf(const QString& aFile, const std::function<void(TDeviceContext&)>& aDraw)
{
    QPdfWriter pdf(aFile);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setResolution(150);
    TDeviceContext dc(&pdf);
    aDraw(dc);
    dc.End();
    std::printf("wrote %s\n", qPrintable(aFile));
    return true;
}

constexpr double kScale = 150.0 / 96; // screen pixels to PDF device pixels

void PrintTree(QWidget* aHost, const QString& aFile)
{
    auto* tree = new TqvTree(aHost);
    tree->SetBounds(0, 0, 300, 400);
    for (int p = 0; p < 12; ++p) {
        TqvDataEntity_Tree* phase = tree->AddDataEntity(nullptr);
        phase->SetText(QStringLiteral("Phase %1").arg(p + 1));
        for (int t = 0; t < 10; ++t)
            tree->AddDataEntity(phase)->SetText(QStringLiteral("Task %1.%2").arg(p + 1).arg(t + 1));
    }
    WritePdf(aFile, [&](TDeviceContext& dc) {
        // Rows per page, every entity printed with its children.
        const int perPage = static_cast<int>(dc.GetDeviceHeight() / (18 * kScale));
        TqvDataEntity_Tree* start = tree->GetRootDataList()->GetTreeItem(0);
        for (int page = 0; start != nullptr; ++page) {
            if (page > 0) dc.NewPage();
            int rows = perPage, w = 0, h = 0;
            TqvPrintTree::Print(tree, &dc, 0, 0, 0, kScale, kScale, 300, start, rows, true, w, h);
            for (int k = 0; k < rows && start != nullptr; ++k)
                start = TqvPrintGantt::NextTreeRow(start, true);
        }
    });
    delete tree;
}

// A project list of 300 rows: each page holds the header and the rows that
// fit; the next page goes on after the last row the page reported.
void PrintGrid(QWidget* aHost, const QString& aFile)
{
    auto* grid = new TqvGrid(aHost);
    grid->SetBounds(0, 0, 700, 400);
    const struct {
        const char* Header;
        TColumnKind Kind;
        int Width;
    } columns[] = {{"Project", tckSimpleEdit, 180}, {"Budget", tckSimpleEdit, 90}, {"Start", tckDate, 90},
                   {"Done", tckBool, 50},           {"Owner", tckCombo, 110},      {"Note", tckMemo, 160}};
    for (const auto& c : columns) {
        TqvGrid_Column* column = grid->AddColumn();
        column->SetHeaderText(QString::fromLatin1(c.Header));
        column->SetKind(c.Kind);
        column->SetWidth(c.Width);
    }
    const QStringList owners{QStringLiteral("Ann"), QStringLiteral("Bo"), QStringLiteral("Cy")};
    for (int r = 0; r < 300; ++r) {
        const int row = grid->AddRow()->ListIndex();
        const QStringList texts{QStringLiteral("Project %1").arg(r + 1),
                                QString::number(1000 + (r * 7919) % 90000),
                                DateToStr(kPlanStart + (r * 5) % 120),
                                r % 3 == 0 ? QStringLiteral("TRUE") : QStringLiteral("FALSE"),
                                owners[r % owners.size()],
                                QStringLiteral("Phase %1").arg(r % 4 + 1)};
        for (int c = 0; c < texts.size(); ++c)
            grid->SetText(grid->GetCell(grid->GetRootCell()->GetFixedCols() + c, row), texts[c]);
    }
    WritePdf(aFile, [&](TDeviceContext& dc) {
        TMoxCell* start = nullptr;
        for (int page = 1;; ++page) {
            if (page > 1) dc.NewPage();
            TObject* lastRow = nullptr;
            int w = 0, h = 0, rows = 0;
            TqvGridPrinting::Print(grid, &dc, 0, 0, kScale, kScale, start, -1, 700, w, h, -1,
                                   dc.GetDeviceHeight(),
                                   TOnSizeCallBack([&](bool, int, TObject* aRow) { lastRow = aRow; }), rows);
            if (lastRow == nullptr) break;
            start = grid->GetCell(grid->GetRootCell()->GetFixedCols(),
                                  static_cast<TAxisContentItem*>(lastRow)->ListIndex() + 1);
            if (start == nullptr) break;
        }
    });
    delete grid;
}

void PrintGantt(QWidget* aHost, const QString& aFile)
{
    auto* gant = new TqvGant(aHost);
    gant->SetBounds(0, 0, 1000, 600);
    gant->GetTreeView()->SetItemHeight(20);
    gant->GetDateScaler()->SetStart(kPlanStart);
    gant->GetDateScaler()->SetStop(kPlanStart + 28);
    for (int r = 0; r < 300; ++r) {
        TqvDataEntity_Tree* node = gant->AddRootDataEntityTree();
        node->SetText(QStringLiteral("Work package %1").arg(r + 1));
        TqvDataEntity_GantTime* t = gant->AddGantTime(node, 0);
        t->SetStartDateTime(kPlanStart + (r * 3) % 21 + 0.25);
        t->SetStopDateTime(t->GetStartDateTime() + 2 + r % 5);
        t->SetColor(r % 2 == 0 ? 0xE0B070 : 0x70B0E0);
        t->GetTexts()->AddText(QStringLiteral("WP %1").arg(r + 1), 2, 1, 1);
    }
    WritePdf(aFile, [&](TDeviceContext& dc) {
        gant->OnPrintToHdcNewPage =
            TOnPrintToHdcNewPage([&dc](TObject*, int aPageNo, int& pageHeight, int&, bool&, bool&) {
                if (aPageNo > 1) dc.NewPage();
                pageHeight = dc.GetDeviceHeight();
            });
        int w = 0, h = 0;
        TqvPrintGantt::Print(gant, &dc, 0, 0, kScale, kScale, 160, nullptr, -1, false, kPlanStart,
                             kPlanStart + 28, static_cast<int>(dc.GetDeviceWidth() / kScale) - 160, 40, w, h,
                             -1, -1, {});
    });
    delete gant;
}

// Grid mode: 30 phases of 9 tasks, two columns beside the bars; the pages
// hold the header row and the rows that fit, the next page going on after
// the last row the previous one held.
void PrintGanttGrid(QWidget* aHost, const QString& aFile)
{
    auto* gant = new TqvGant(aHost);
    gant->SetBounds(0, 0, 1000, 600);
    gant->SetUseGridNotTree(true);
    gant->GetDateScaler()->SetStart(kPlanStart);
    gant->GetDateScaler()->SetStop(kPlanStart + 28);
    TqvGrid* grid = gant->GetGrid();
    TqvGrid_Column* task = grid->GetColumns()->GetColumn(0);
    task->SetHeaderText(QStringLiteral("Task"));
    task->SetWidth(150);
    TqvGrid_Column* days = grid->AddColumn();
    days->SetHeaderText(QStringLiteral("Days"));
    days->SetWidth(50);
    gant->SetGrid_HasHeaders(true);
    const int firstColumn = grid->GetRootCell()->GetFixedCols();
    auto addRow = [&](TqvDataEntity_GridTreeNode* aParent, const QString& aName, TDateTime aStart,
                      double aDays, TColor aColor) {
        TqvDataEntity_GridTreeNode* node = grid->GetTree()->AddDataEntity(aParent);
        const int row = node->Row->ListIndex();
        grid->SetText(grid->GetCell(firstColumn, row), aName);
        grid->SetText(grid->GetCell(firstColumn + 1, row), QString::number(aDays));
        TqvDataEntity_GantTime* t = gant->GridNode_AddGantTime(node, 0);
        t->SetStartDateTime(aStart);
        t->SetStopDateTime(aStart + aDays);
        t->SetColor(aColor);
        t->GetTexts()->AddText(aName, 2, 1, 1);
        return node;
    };
    for (int p = 0; p < 30; ++p) {
        const TDateTime phaseStart = kPlanStart + (p * 2) % 14;
        TqvDataEntity_GridTreeNode* phase =
            addRow(nullptr, QStringLiteral("Phase %1").arg(p + 1), phaseStart, 12, 0x909090);
        // Expanded before its tasks are added, so that every task has its row.
        phase->SetExpanded(true);
        for (int t = 0; t < 9; ++t)
            addRow(phase, QStringLiteral("Task %1.%2").arg(p + 1).arg(t + 1), phaseStart + t + 0.25,
                   1 + (p + t) % 4, t % 2 == 0 ? 0xE0B070 : 0x70B0E0);
    }
    WritePdf(aFile, [&](TDeviceContext& dc) {
        gant->OnPrintToHdcNewPage =
            TOnPrintToHdcNewPage([&dc](TObject*, int aPageNo, int& pageHeight, int&, bool&, bool&) {
                if (aPageNo > 1) dc.NewPage();
                pageHeight = dc.GetDeviceHeight();
            });
        int w = 0, h = 0;
        TqvPrintGantt::PrintWithGrid(gant, &dc, 0, 0, kScale, kScale, 200, nullptr, -1, false, kPlanStart,
                                     kPlanStart + 28, static_cast<int>(dc.GetDeviceWidth() / kScale) - 200,
                                     40, w, h, -1, -1, {});
    });
    delete gant;
}

void PrintSchema(QWidget* aHost, const QString& aFile, bool aFlipped)
{
    auto* schema = new TqvSchema(aHost);
    schema->SetBounds(0, 0, 900, 600);
    for (int day = 0; day < 14; ++day) {
        TqvDataEntity_SchemaColumn* c = schema->AddColumn();
        c->SetText(QStringLiteral("Day %1").arg(day + 1));
        c->SetDateOffset(day);
        c->SetWidth(aFlipped ? 40 : 110);
    }
    for (int i = 0; i < 200; ++i) {
        TqvDataEntity_SchemaTime* t = schema->AddSchemaTime(0);
        const int col = i % 14;
        t->SetCol(col);
        t->SetStartDateTime(kPlanStart + col + (8 + (i * 7) % 9) / 24.0);
        t->SetStopDateTime(t->GetStartDateTime() + (1 + i % 3) / 24.0);
        t->SetColor(0xC0E0FF);
        t->AddText(QStringLiteral("Visit %1").arg(i + 1), 2, 1, 0);
    }
    WritePdf(aFile, [&](TDeviceContext& dc) {
        schema->OnPrintToHdcNewPage =
            TOnPrintToHdcNewPage([&dc](TObject*, int aPageNo, int& pageHeight, int& pageWidht, bool&, bool&) {
                if (aPageNo > 1) dc.NewPage();
                pageHeight = dc.GetDeviceHeight();
                pageWidht = dc.GetDeviceWidth();
            });
        int w = 0, h = 0;
        TqvPrintSchema::Print(schema, &dc, 0, 0, 0, aFlipped ? 440 : 600, aFlipped ? 40 : 50, kScale, kScale,
                              0, 13, kPlanStart + 7 / 24.0, kPlanStart + 19 / 24.0, aFlipped, w, h, 0, 0, {});
    });
    delete schema;
}

} // namespace

int WritePrintedPdfs(const QString& aDir)
{
    if (!QDir().mkpath(aDir)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(aDir));
        return 1;
    }
    const QDir dir(aDir);
    // The components are built on a hidden host: printing needs no window on screen.
    QWidget host;
    host.resize(1200, 800);
    PrintGrid(&host, dir.filePath(QStringLiteral("print-grid.pdf")));
    PrintTree(&host, dir.filePath(QStringLiteral("print-tree.pdf")));
    PrintGantt(&host, dir.filePath(QStringLiteral("print-gantt-tree.pdf")));
    PrintGanttGrid(&host, dir.filePath(QStringLiteral("print-gantt-grid.pdf")));
    PrintSchema(&host, dir.filePath(QStringLiteral("print-schema.pdf")), false);
    PrintSchema(&host, dir.filePath(QStringLiteral("print-schema-flipped.pdf")), true);
    return 0;
}

void AddPrintToPdfAction(QMainWindow* aWindow)
{
    QAction* action =
        aWindow->menuBar()->addMenu(QStringLiteral("&File"))->addAction(QStringLiteral("Print to PDF"));
    QObject::connect(action, &QAction::triggered, aWindow, [aWindow] {
        const QString dir = QFileDialog::getExistingDirectory(aWindow, QStringLiteral("Print to PDF"));
        if (dir.isEmpty()) return;
        if (WritePrintedPdfs(dir) == 0)
            QMessageBox::information(aWindow, QStringLiteral("Print to PDF"),
                                     QStringLiteral("The PDFs were written to %1.").arg(dir));
    });
}
