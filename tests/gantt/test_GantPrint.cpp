// Printing the Gantt chart: rows once each and in order across pages (read
// from the PDF's text), page counts, the printed picture against the screen,
// and the chart left as it was, also when a handler raises.
#include <gtest/gtest.h>

#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTest>

#include <set>
#include <vector>

#include "skedra/foundation/DoLater.h"
#include "skedra/gantt/GantPrint.h"
#include "skedra/platform/Threads.h"
#include "tests/common/PdfText.h"
#include "tests/gantt/GantTestSupport.h"

using namespace skedra;
using namespace skedra::test;

namespace
{

constexpr TColor kRed = 0x0000E0;
constexpr TColor kBlue = 0xE00000;

class GeometryWatch : public QObject
{
public:
    int Events = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Resize || e->type() == QEvent::Move) ++Events;
        return false;
    }
};

struct ChartState {
    TDateTime Start, Stop;
    bool Grid;
    TqvDataEntity_Tree* Top;
    std::vector<bool> Expanded;
    std::vector<int> SubCols, UseSubCols;
    std::vector<QRect> Geometry;
    std::vector<int> Logical;
    int Offset;
    bool operator==(const ChartState&) const = default;
};

class GantPrint : public GantFixture
{
protected:
    std::vector<TqvDataEntity_Tree*> nodes;

    void SetUp() override
    {
        GantFixture::SetUp();
        Tree()->GetFont()->SetName(QString::fromLatin1(FontFamily()));
        Tree()->GetFont()->SetSize(8);
    }
    void MakeRows(int n)
    {
        for (int i = 0; i < n; ++i) {
            TqvDataEntity_Tree* node = AddNode();
            node->SetText(QStringLiteral("Row%1").arg(i, 3, 10, QLatin1Char('0')));
            nodes.push_back(node);
        }
        Paint();
    }
    ChartState State()
    {
        ChartState s;
        s.Start = Scaler()->GetStart();
        s.Stop = Scaler()->GetStop();
        s.Grid = gant->GetUseGridNotTree();
        s.Top = Tree()->GetTopItem();
        s.Offset = gant->GetPrintPageOffset();
        for (TqvDataEntity_Tree* n : nodes)
            s.Expanded.push_back(n->GetExpanded());
        for (TGantRow* row : gant->GetRowList()->GetRows()) {
            s.UseSubCols.push_back(row->GetUseSubCols());
            for (int li = 0; li < row->LayerCount(); ++li)
                for (int i = 0; i < row->GetDataLists()->GetDataList(li)->Count(); ++i)
                    s.SubCols.push_back(static_cast<TqvDataEntity_GantTime*>(
                                            row->GetDataLists()->GetDataList(li)->GetItems(i))
                                            ->GetSubCol());
        }
        for (QWidget* w : std::initializer_list<QWidget*>{Scaler(), GA(), Tree()})
            s.Geometry.push_back(w->geometry());
        s.Logical = {Scaler()->GetWidth(), Scaler()->GetHeight(), GA()->GetWidth(), GA()->GetHeight()};
        return s;
    }
    // The words of each page that name rows.
    static std::vector<QStringList> RowWords(const QString& aFile)
    {
        QString error;
        const std::vector<PdfPage> pages = ReadPdf(aFile, &error);
        EXPECT_FALSE(pages.empty()) << error.toStdString();
        std::vector<QStringList> result;
        for (const PdfPage& p : pages) {
            result.emplace_back();
            for (const QString& t : p.Texts())
                if (t.startsWith(QLatin1String("Row"))) result.back() << t;
        }
        return result;
    }
    QStringList AllRowTexts() const
    {
        QStringList all;
        for (TqvDataEntity_Tree* n : nodes)
            all << n->GetText();
        return all;
    }
    void PrintTree(TDeviceContext* aDC, double aScale, int& w, int& h, TqvDataEntity_Tree* aStart = nullptr,
                   int aMaxRows = -1, bool aExpandAll = false)
    {
        TqvPrintGantt::Print(gant.get(), aDC, 0, 0, aScale, aScale, 150, aStart, aMaxRows, aExpandAll,
                             kChartDay, kChartDay + 2, 480, 40, w, h, -1, -1, {});
    }
    // Pages from the handler, each the device's full height.
    void PageByPage(TDeviceContext* aDC, std::vector<int>* aPages, int aHeight = 0)
    {
        gant->OnPrintToHdcNewPage = TOnPrintToHdcNewPage(
            [aDC, aPages, aHeight](TObject*, int aPageNo, int& pageHeight, int&, bool&, bool&) {
                if (aPages) aPages->push_back(aPageNo);
                if (aPageNo > 1) aDC->NewPage();
                pageHeight = aHeight > 0 ? aHeight : aDC->GetDeviceHeight();
            });
    }
};

TEST_F(GantPrint, OneBandHoldsEveryRowOnceInOrder)
{
    MakeRows(12);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("band.pdf"));
    std::vector<int> pages;
    int w = 0, h = 0;
    {
        QPdfWriter pdf(file);
        pdf.setResolution(96);
        TDeviceContext dc(&pdf);
        PageByPage(&dc, &pages);
        PrintTree(&dc, 1, w, h);
    }
    EXPECT_EQ(pages, std::vector<int>{1});
    const auto words = RowWords(file);
    ASSERT_EQ(words.size(), 1u);
    EXPECT_EQ(words[0], AllRowTexts());
    EXPECT_EQ(w, 150 + 480);
    EXPECT_EQ(h, 40 + 12 * 20);
}

TEST_F(GantPrint, AChartSizedForThreeA4PagesAt600DpiGivesThree)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("a4.pdf"));
    std::vector<int> pages;
    {
        QPdfWriter pdf(file);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setResolution(600);
        TDeviceContext dc(&pdf);
        const double scale = 600.0 / 96;
        // Rows of 20 screen pixels below a scaler of 40: this many fit a page.
        const int fit = static_cast<int>((dc.GetDeviceHeight() - std::round(40 * scale)) / (20 * scale));
        MakeRows(2 * fit + 1);
        PageByPage(&dc, &pages);
        int w = 0, h = 0;
        PrintTree(&dc, scale, w, h);
    }
    EXPECT_EQ(pages, (std::vector<int>{1, 2, 3}));
    const auto words = RowWords(file);
    ASSERT_EQ(words.size(), 3u);
    QStringList joined;
    for (const QStringList& p : words)
        joined << p;
    EXPECT_EQ(joined, AllRowTexts());
    EXPECT_EQ(words[2].size(), 1);
}

TEST_F(GantPrint, ARowTallerThanThePageIsPrintedClippedAndThePrintGoesOn)
{
    MakeRows(4);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("tall.pdf"));
    std::vector<int> pages;
    {
        QPdfWriter pdf(file);
        pdf.setResolution(96);
        TDeviceContext dc(&pdf);
        // The page ends inside the first row.
        PageByPage(&dc, &pages, 50);
        int w = 0, h = 0;
        PrintTree(&dc, 1, w, h);
    }
    EXPECT_EQ(pages, (std::vector<int>{1, 2, 3, 4}));
    const auto words = RowWords(file);
    ASSERT_EQ(words.size(), 4u);
    for (size_t i = 0; i < words.size(); ++i)
        EXPECT_EQ(words[i], QStringList{nodes[i]->GetText()});
}

TEST_F(GantPrint, RowLimitsAndMeasuredPages)
{
    MakeRows(10);
    QImage img(700, 400, QImage::Format_RGB32);
    TDeviceContext dc(&img);
    int calls = 0;
    // No rows asked: one page with the start row, and the count never goes below 0.
    gant->OnPrintToHdcNewPage = TOnPrintToHdcNewPage([&](TObject*, int, int& pageHeight, int&, bool&, bool&) {
        ++calls;
        pageHeight = 40 + 3 * 20;
    });
    int w = 0, h = 0, rows = 0;
    TqvPrintGantt::InternalPrint(gant.get(), &dc, 0, 0, 1, 1, false, 150, nodes[4], nullptr, 0, false,
                                 kChartDay, kChartDay + 2, 480, 40, w, h, -1, -1, {}, rows);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(rows, 1);
    // Seven rows at three a page: 3 + 3 + 1.
    calls = 0;
    TqvPrintGantt::InternalPrint(gant.get(), &dc, 0, 0, 1, 1, false, 150, nullptr, nullptr, 7, false,
                                 kChartDay, kChartDay + 2, 480, 40, w, h, -1, -1, {}, rows);
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(rows, 7);
    // Measured pages do not count against the rows asked for, and draw nothing.
    img.fill(Qt::white);
    const QImage white = img.copy();
    calls = 0;
    gant->OnPrintToHdcNewPage =
        TOnPrintToHdcNewPage([&](TObject*, int, int& pageHeight, int&, bool&, bool& render) {
            ++calls;
            pageHeight = 40 + 3 * 20;
            render = false;
        });
    TqvPrintGantt::InternalPrint(gant.get(), &dc, 0, 0, 1, 1, false, 150, nullptr, nullptr, 7, false,
                                 kChartDay, kChartDay + 2, 480, 40, w, h, -1, -1, {}, rows);
    EXPECT_EQ(calls, 4) << "ten rows at three a page, the limit unchanged";
    EXPECT_EQ(img, white);
    // goahead false ends the print at once.
    calls = 0;
    gant->OnPrintToHdcNewPage = TOnPrintToHdcNewPage([&](TObject*, int, int&, int&, bool& goahead, bool&) {
        ++calls;
        goahead = false;
    });
    TqvPrintGantt::InternalPrint(gant.get(), &dc, 0, 0, 1, 1, false, 150, nullptr, nullptr, -1, false,
                                 kChartDay, kChartDay + 2, 480, 40, w, h, -1, -1, {}, rows);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(img, white);
}

TEST_F(GantPrint, OverlappingItemsArePlacedForThePrintAndTheRowsComputeLater)
{
    MakeRows(2);
    TGantRow* row = gant->GetGantRow(nodes[0]);
    row->SetCollisionDetection(true);
    TqvDataEntity_GantTime* a = AddTime(nodes[0], 0, kChartDay + 0.25, kChartDay + 0.75);
    TqvDataEntity_GantTime* b = AddTime(nodes[0], 0, kChartDay + 0.5, kChartDay + 1);
    a->SetColor(kRed);
    b->SetColor(kBlue);
    // The computation is only requested: nothing is placed yet.
    ASSERT_EQ(row->GetUseSubCols(), 0);
    const ChartState before = State();
    QImage img(700, 400, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        TDeviceContext dc(&img);
        int w = 0, h = 0;
        PrintTree(&dc, 1, w, h);
    }
    // At 15:00 both items run: one in the upper half of the row's band, one in the lower.
    // The printed window of two days spans 480 pixels.
    const int x = 150 + 480 * 0.625 / 2;
    const std::set<TColor> halves{FromQColor(img.pixelColor(x, 40 + 5)),
                                  FromQColor(img.pixelColor(x, 40 + 15))};
    EXPECT_EQ(halves, (std::set<TColor>{kRed, kBlue}));
    EXPECT_EQ(State(), before);
    // The requested computation still runs and reports its result.
    int events = 0;
    gant->OnCollisionDetected =
        TOnCollisionDetected([&](TqvGant_ComBasic*, TqvDataEntity_GantTime*, int) { ++events; });
    for (int i = 0; i < 200 && row->GetUseSubCols() == 0; ++i) {
        Flush();
        TDoLater::DoAllNow();
        CheckSynchronize();
        QTest::qWait(2);
    }
    EXPECT_EQ(row->GetUseSubCols(), 2);
    EXPECT_EQ(events, 2);
}

TEST_F(GantPrint, ScaleTwoIsTheScreenPictureScaled)
{
    MakeRows(5);
    TqvDataEntity_GantTime* t = AddTime(nodes[2], 0, kChartDay + 0.3, kChartDay + 0.6);
    t->SetColor(kRed);
    Paint();
    const QImage screen = GA()->GetOffscreenBitmap()->Image().copy();
    TRect r;
    ASSERT_TRUE(gant->RectFromDataEntity(t, r));
    QImage img(2000, 800, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        TDeviceContext dc(&img);
        int w = 0, h = 0;
        TqvPrintGantt::Print(gant.get(), &dc, 0, 0, 2, 2, 150, nullptr, -1, false, Scaler()->GetStart(),
                             Scaler()->GetStop(), GA()->GetWidth(), 40, w, h, -1, -1, {});
        EXPECT_EQ(w, 2 * (150 + GA()->GetWidth()));
        EXPECT_EQ(h, 2 * (40 + 5 * 20));
    }
    const int ox = 300, oy = 80;
    const int cx = (r.Left + r.Right) / 2, cy = (r.Top + r.Bottom) / 2;
    EXPECT_EQ(FromQColor(screen.pixelColor(cx, cy)), kRed);
    EXPECT_EQ(FromQColor(img.pixelColor(ox + 2 * cx, oy + 2 * cy)), kRed);
    // The item's left and top edges at twice their place.
    EXPECT_EQ(FromQColor(img.pixelColor(ox + 2 * r.Left + 3, oy + 2 * cy)), kRed);
    EXPECT_NE(FromQColor(img.pixelColor(ox + 2 * r.Left - 3, oy + 2 * cy)), kRed);
    EXPECT_EQ(FromQColor(img.pixelColor(ox + 2 * cx, oy + 2 * r.Top + 3)), kRed);
    EXPECT_NE(FromQColor(img.pixelColor(ox + 2 * cx, oy + 2 * r.Top - 3)), kRed);
}

TEST_F(GantPrint, TheChartIsRestoredAlsoWhenAHandlerRaises)
{
    MakeRows(30);
    nodes.push_back(AddNode(nodes[3]));
    nodes.back()->SetText(QStringLiteral("Row999"));
    Tree()->SetTopItem(nodes[10]);
    Paint();
    GeometryWatch watch;
    for (QWidget* w : std::initializer_list<QWidget*>{Scaler(), GA(), Tree()})
        w->installEventFilter(&watch);
    const ChartState before = State();
    QImage img(1400, 1200, QImage::Format_RGB32);
    TDeviceContext dc(&img);
    int w = 0, h = 0;
    // Expanding every node for the print, from a start row in the middle, in another time window.
    TqvPrintGantt::Print(gant.get(), &dc, 0, 0, 1.5, 1.5, 150, nodes[2], 5, true, kChartDay + 10,
                         kChartDay + 11, 480, 40, w, h, -1, -1, {});
    EXPECT_EQ(State(), before);
    // A drawing handler raises while the area prints.
    AddTime(nodes[3], 0, kChartDay + 10.2, kChartDay + 10.4)->SetStyle(gtsUser);
    const ChartState withItem = State();
    gant->OnUserDrawTime =
        TOnUserDrawTime([](TqvGant_ComBasic*, TqvDataEntity_GantTime*, TCanvas*, const TRect&) {
            throw Exception(QStringLiteral("draw failed"));
        });
    EXPECT_THROW(TqvPrintGantt::Print(gant.get(), &dc, 0, 0, 1, 1, 150, nodes[2], 5, true, kChartDay + 10,
                                      kChartDay + 11, 480, 40, w, h, -1, -1, {}),
                 Exception);
    EXPECT_EQ(State(), withItem);
    gant->OnUserDrawTime = {};
    // The page handler raises on page 2.
    gant->OnPrintToHdcNewPage =
        TOnPrintToHdcNewPage([](TObject*, int aPageNo, int& pageHeight, int&, bool&, bool&) {
            if (aPageNo == 2) throw Exception(QStringLiteral("no paper"));
            pageHeight = 200;
        });
    EXPECT_THROW(TqvPrintGantt::Print(gant.get(), &dc, 0, 0, 1, 1, 150, nullptr, -1, true, kChartDay,
                                      kChartDay + 2, 480, 40, w, h, -1, -1, {}),
                 Exception);
    EXPECT_EQ(State(), withItem);
    EXPECT_FALSE(TqvPrintGantt::HeightCut);
    EXPECT_EQ(watch.Events, 0) << "printing moved or resized a sub-control";
    EXPECT_EQ(dc.GetViewportOrg(), Point(0, 0));
    TRect clip;
    EXPECT_FALSE(dc.GetClipRect(clip));
    gant->OnPrintToHdcNewPage = {};
    Paint();
    EXPECT_EQ(State(), withItem);
}

} // namespace
