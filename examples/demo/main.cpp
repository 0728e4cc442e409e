// The Skedra demo: one tab per component. Under a display it is a normal
// window; with --screenshot DIR it renders every page to DIR/<n>-<title>.png,
// prints every printable page into DIR/skedra-demo.pdf, prints each component
// page by page into DIR/print-*.pdf and exits. --scale F runs at device pixel
// ratio F (a high-DPI screen); the screenshots are then named <n>-<title>@Fx.png.

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QImage>
#include <QMainWindow>
#include <QPageSize>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTabWidget>
#include <algorithm>
#include <cstdio>

#include "examples/demo/DemoPage.h"
#include "examples/demo/PrintDemo.h"

std::vector<DemoPage>& DemoPages()
{
    static std::vector<DemoPage> pages;
    return pages;
}

namespace
{

QString FileNameFor(int index, const QString& title, const QString& scale)
{
    QString name = title.toLower();
    name.replace(QRegularExpression(QStringLiteral("[^a-z0-9]+")), QStringLiteral("-"));
    const QString suffix = scale.isEmpty() ? QString() : QStringLiteral("@%1x").arg(scale);
    return QStringLiteral("%1-%2%3").arg(index + 1, 2, 10, QLatin1Char('0')).arg(name, suffix);
}

// The value of --scale F or --scale=F, empty when not given. Read before the
// application exists: Qt takes the scale factor from the environment then.
QString ScaleArgument(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if (a == "--scale" && i + 1 < argc) return QString::fromLocal8Bit(argv[i + 1]);
        if (a.startsWith("--scale=")) return QString::fromLocal8Bit(a.mid(8));
    }
    return QString();
}

int WriteScreenshots(QMainWindow& window, QTabWidget& tabs, const QString& dir, const QString& scale)
{
    if (!QDir().mkpath(dir)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(dir));
        return 1;
    }
    QPdfWriter pdf(QDir(dir).filePath(QStringLiteral("skedra-demo.pdf")));
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageOrientation(QPageLayout::Landscape);
    pdf.setResolution(150);
    QPainter pdfPainter;
    bool firstPdfPage = true;
    const auto& pages = DemoPages();
    for (int i = 0; i < tabs.count(); ++i) {
        tabs.setCurrentIndex(i);
        QApplication::processEvents();
        QWidget* page = tabs.widget(i);
        const QString base = QDir(dir).filePath(FileNameFor(i, tabs.tabText(i), scale));
        if (!window.grab().save(base + QStringLiteral(".png"))) {
            std::fprintf(stderr, "cannot write %s.png\n", qPrintable(base));
            return 1;
        }
        std::printf("wrote %s.png\n", qPrintable(base));
        // The printed pages do not depend on the screen: one set, from the run at ratio 1.
        if (pages[i].print && scale.isEmpty()) {
            if (firstPdfPage) {
                if (!pdfPainter.begin(&pdf)) {
                    std::fprintf(stderr, "cannot write the PDF\n");
                    return 1;
                }
                firstPdfPage = false;
            } else {
                pdf.newPage();
            }
            const QRect pageRect(0, 0, pdf.width(), pdf.height());
            pages[i].print(page, pdfPainter, pageRect);
        }
    }
    if (!firstPdfPage) {
        pdfPainter.end();
        std::printf("wrote %s\n", qPrintable(QDir(dir).filePath(QStringLiteral("skedra-demo.pdf"))));
    }
    return scale.isEmpty() ? WritePrintedPdfs(dir) : 0;
}

} // namespace

int main(int argc, char** argv)
{
    // Screenshots need no display: use the offscreen platform when there is none.
    const bool wantsScreenshots = std::any_of(
        argv, argv + argc, [](const char* a) { return QByteArray(a).startsWith("--screenshot"); });
    if (wantsScreenshots && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QString scale = ScaleArgument(argc, argv);
    bool scaleOk = scale.isEmpty();
    const double scaleValue = scale.toDouble(&scaleOk);
    if (!scale.isEmpty() && (!scaleOk || !(scaleValue >= 1) || scaleValue > 8)) {
        std::fprintf(stderr, "--scale wants a number from 1 to 8\n");
        return 2;
    }
    if (!scale.isEmpty() && scaleValue == 1) scale.clear();
    if (!scale.isEmpty()) qputenv("QT_SCALE_FACTOR", scale.toLatin1());
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Skedra demo"));
    QCommandLineParser parser;
    parser.addHelpOption();
    QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                  QStringLiteral("Render every page to PNG and PDF in <dir> and exit."),
                                  QStringLiteral("dir"));
    parser.addOption(screenshot);
    const QCommandLineOption scaleOption(QStringLiteral("scale"),
                                         QStringLiteral("Run at device pixel ratio <f> (1 to 8)."),
                                         QStringLiteral("f"));
    parser.addOption(scaleOption);
    parser.process(app);

    // A screenshot run brings its own small plan, made in its output directory.
    if (parser.isSet(screenshot)) {
        QDir().mkpath(parser.value(screenshot));
        if (qEnvironmentVariableIsEmpty("SKEDRA_DEMO_PLAN"))
            qputenv(
                "SKEDRA_DEMO_PLAN",
                QDir(parser.value(screenshot)).filePath(QStringLiteral("project-plan.sqlite")).toLocal8Bit());
        if (qEnvironmentVariableIsEmpty("SKEDRA_DEMO_PLAN_TASKS")) qputenv("SKEDRA_DEMO_PLAN_TASKS", "5000");
    }

    auto& pages = DemoPages();
    std::stable_sort(pages.begin(), pages.end(),
                     [](const DemoPage& a, const DemoPage& b) { return a.order < b.order; });

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Skedra demo"));
    auto* tabs = new QTabWidget(&window);
    for (const DemoPage& page : pages)
        tabs->addTab(page.create(tabs), page.title);
    window.setCentralWidget(tabs);
    AddPrintToPdfAction(&window);
    window.resize(1200, 760);
    window.show();

    if (parser.isSet(screenshot)) return WriteScreenshots(window, *tabs, parser.value(screenshot), scale);
    return app.exec();
}
