// Printing the chart in grid mode: every grid row and its band once, in
// order and side by side across pages (read from the PDF's text), page
// counts, the last row kept below a header row, rows taller than the page,
// sub-columns placed for the print, the printed picture against the screen,
// and the chart and its grid left as they were, also when a handler raises.
#include <gtest/gtest.h>

#include <QPdfWriter>
#include <QTemporaryDir>

#include <cmath>
#include <set>
#include <vector>

#include "skedra/gantt/GantPrint.h"
#include "skedra/grid/GridPrinting.h"
#include "tests/common/PdfText.h"
#include "tests/gantt/GantTestSupport.h"

using namespace skedra;
using namespace skedra::test;

namespace
{

using TNode = TqvDataEntity_GridTreeNode;

constexpr TColor kRed = 0x0000E0;
constexpr TColor kBlue = 0xE00000;
constexpr int kRowHeight = 20;
constexpr int kScalerHeight = 40;
constexpr int kGridWidth = 150;

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

// What printing must leave as it was.
struct GridChartState {
    TDateTime Start, Stop;
    bool GridMode;
    int Top, Left;
    TMoxCell* Focused;
    std::vector<bool> Expanded;
    std::vector<int> SubCols, UseSubCols;
    std::vector<QRect> Geometry;
    std::vector<int> Logical;
    int Offset, LastRow;
    bool Printing;
    bool operator==(const GridChartState&) const = default;
};

// One page's row names and bar names, with their heights on the page.
struct PageWords {
    QStringList Rows, Bars;
    std::vector<double> RowTops, BarTops;
    bool Header = false;
};

class GantPrintGrid : public GantFixture
{
protected:
    std::vector<TNode*> nodes;
    std::vector<TqvDataEntity_GantTime*> bars;

    void SetUp() override
    {
        GantFixture::SetUp();
        gant->SetUseGridNotTree(true);
        Grid()->GetFont()->SetName(QString::fromLatin1(FontFamily()));
        Grid()->GetFont()->SetSize(8);
        Grid()->GetColumns()->GetColumn(0)->SetHeaderText(QStringLiteral("Name"));
        Flush();
    }
    TqvGrid* Grid() const { return gant->GetGrid(); }
    TMoxGridCellForViewer* Root() const { return Grid()->GetRootCell(); }
    TNode* AddGridNode(TNode* parent = nullptr) { return Grid()->GetTree()->AddDataEntity(parent); }

    // Rows "Row000".. with one item "Bar000".. each, every row kRowHeight high.
    void MakeRows(int n, bool aHeaders, TNode* aParent = nullptr)
    {
        gant->SetGrid_HasHeaders(aHeaders);
        for (int i = 0; i < n; ++i) {
            TNode* node = AddGridNode(aParent);
            const int k = static_cast<int>(nodes.size());
            nodes.push_back(node);
            // A child of a collapsed node has no row yet.
            if (node->Row != nullptr) {
                Grid()->SetText(Grid()->GetCell(Root()->GetFixedCols(), node->Row->ListIndex()),
                                QStringLiteral("Row%1").arg(k, 3, 10, QLatin1Char('0')));
                Grid()->SetRowHeight(node->Row->ListIndex(), kRowHeight);
            }
            TqvDataEntity_GantTime* t = gant->GridNode_AddGantTime(node, 0);
            t->SetStartDateTime(kChartDay + 0.1);
            t->SetStopDateTime(kChartDay + 1.6);
            t->GetTexts()->AddText(QStringLiteral("Bar%1").arg(k, 3, 10, QLatin1Char('0')), 2, 1, 0);
            bars.push_back(t);
        }
        PaintBoth();
    }
    void PaintBoth()
    {
        for (int i = 0; i < 2; ++i) {
            Grid()->Repaint();
            Flush();
            GA()->Repaint();
            Flush();
        }
    }
    int HeaderHeight() const { return Grid()->GetHasHeaders() ? Grid()->GetRowHeight(0) : 0; }
    QStringList Names(const char* aPrefix, int aFrom, int aTo) const
    {
        QStringList out;
        for (int k = aFrom; k < aTo; ++k)
            out << QStringLiteral("%1%2").arg(QLatin1String(aPrefix)).arg(k, 3, 10, QLatin1Char('0'));
        return out;
    }
    GridChartState State()
    {
        GridChartState s;
        s.Start = Scaler()->GetStart();
        s.Stop = Scaler()->GetStop();
        s.GridMode = gant->GetUseGridNotTree();
        s.Top = Root()->Top;
        s.Left = Root()->Left;
        s.Focused = Root()->FocusedCell;
        s.Offset = gant->GetPrintPageOffset();
        s.LastRow = gant->GetPrintLastGridRow();
        s.Printing = Grid()->GetIsPrinting() || GA()->GetIsPrinting();
        for (TNode* n : nodes)
            s.Expanded.push_back(n->Expanded);
        for (TGantRow* row : gant->GetRowList()->GetRows()) {
            s.UseSubCols.push_back(row->GetUseSubCols());
            for (int li = 0; li < row->LayerCount(); ++li)
                for (int i = 0; i < row->GetDataLists()->GetDataList(li)->Count(); ++i)
                    s.SubCols.push_back(static_cast<TqvDataEntity_GantTime*>(
                                            row->GetDataLists()->GetDataList(li)->GetItems(i))
                                            ->GetSubCol());
        }
        for (QWidget* w : std::initializer_list<QWidget*>{Scaler(), GA(), Grid()})
            s.Geometry.push_back(w->geometry());
        s.Logical = {Scaler()->GetWidth(), Scaler()->GetHeight(), GA()->GetWidth(),
                     GA()->GetHeight(),    Grid()->GetWidth(),    Grid()->GetHeight()};
        return s;
    }
    // Pages from the handler, each aHeight device pixels (0: the device's height).
    void PageByPage(TDeviceContext* aDC, std::vector<int>* aPages, int aHeight = 0)
    {
        gant->OnPrintToHdcNewPage = TOnPrintToHdcNewPage(
            [aDC, aPages, aHeight](TObject*, int aPageNo, int& pageHeight, int&, bool&, bool&) {
                if (aPages) aPages->push_back(aPageNo);
                if (aPageNo > 1) aDC->NewPage();
                pageHeight = aHeight > 0 ? aHeight : aDC->GetDeviceHeight();
            });
    }
    void Print(TDeviceContext* aDC, double aScale, int& w, int& h, TNode* aStart = nullptr, int aMaxRows = -1,
               bool aExpandAll = false, TDateTime aFrom = kChartDay, TDateTime aTo = kChartDay + 2)
    {
        TqvPrintGantt::PrintWithGrid(gant.get(), aDC, 0, 0, aScale, aScale, kGridWidth, aStart, aMaxRows,
                                     aExpandAll, aFrom, aTo, 480, kScalerHeight, w, h, -1, -1, {});
    }
    static std::vector<PageWords> Read(const QString& aFile)
    {
        QString error;
        const std::vector<PdfPage> pages = ReadPdf(aFile, &error);
        EXPECT_FALSE(pages.empty()) << error.toStdString();
        std::vector<PageWords> result;
        for (const PdfPage& p : pages) {
            PageWords& page = result.emplace_back();
            for (const PdfWord& w : p.Words) {
                if (w.Text.startsWith(QLatin1String("Row"))) {
                    page.Rows << w.Text;
                    page.RowTops.push_back(w.Top);
                } else if (w.Text.startsWith(QLatin1String("Bar"))) {
                    page.Bars << w.Text;
                    page.BarTops.push_back(w.Top);
                } else if (w.Text == QLatin1String("Name")) {
                    page.Header = true;
                }
            }
        }
        return result;
    }
    // Every page: its rows and bars name the same rows, each bar level with its row.
    static void ExpectRowsBesideBars(const std::vector<PageWords>& aPages, double aRowPoints)
    {
        for (size_t p = 0; p < aPages.size(); ++p) {
            SCOPED_TRACE(testing::Message() << "page " << p + 1);
            const PageWords& page = aPages[p];
            QStringList bars = page.Bars;
            bars.replaceInStrings(QStringLiteral("Bar"), QStringLiteral("Row"));
            ASSERT_EQ(bars, page.Rows);
            for (int i = 0; i < page.Rows.size(); ++i)
                EXPECT_LT(std::abs(page.RowTops[i] - page.BarTops[i]), aRowPoints / 2)
                    << page.Rows[i].toStdString();
        }
    }
};

TEST_F(GantPrintGrid, PagesHoldEveryRowBesideItsBandOnceInOrder)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("a4.pdf"));
    std::vector<int> pages;
    int rowsOnFirstPages = 0;
    {
        QPdfWriter pdf(file);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setResolution(600);
        TDeviceContext dc(&pdf);
        const double scale = 600.0 / 96;
        gant->SetGrid_HasHeaders(true);
        PaintBoth();
        const int header = HeaderHeight();
        ASSERT_GT(header, 0);
        // The rows below the header start level with the scaler's bottom and
        // fit while their bottom stays on the page.
        const int rowsTop = static_cast<int>(std::lround(kScalerHeight * scale));
        const int gridTop = rowsTop - static_cast<int>(std::lround(header * scale));
        while (gridTop + std::lround((header + (rowsOnFirstPages + 1) * kRowHeight) * scale) <=
               dc.GetDeviceHeight())
            ++rowsOnFirstPages;
        MakeRows(2 * rowsOnFirstPages + 1, true);
        PageByPage(&dc, &pages);
        int w = 0, h = 0;
        Print(&dc, scale, w, h);
        EXPECT_EQ(w, std::lround((kGridWidth + 480) * scale));
    }
    EXPECT_EQ(pages, (std::vector<int>{1, 2, 3}));
    const auto words = Read(file);
    ASSERT_EQ(words.size(), 3u);
    QStringList joined;
    for (const PageWords& p : words) {
        EXPECT_TRUE(p.Header);
        joined << p.Rows;
    }
    EXPECT_EQ(joined, Names("Row", 0, static_cast<int>(nodes.size())));
    EXPECT_EQ(words[0].Rows.size(), rowsOnFirstPages);
    EXPECT_EQ(words[2].Rows.size(), 1) << "the last row is kept below the header row";
    ExpectRowsBesideBars(words, kRowHeight * 72.0 / 96);
}

TEST_F(GantPrintGrid, OneBandBelowAHeaderHoldsTheLastRow)
{
    MakeRows(12, true);
    QImage img(900, 600, QImage::Format_RGB32);
    TDeviceContext dc(&img);
    int w = 0, h = 0, rows = 0;
    TqvPrintGantt::InternalPrint(gant.get(), &dc, 0, 0, 1, 1, true, kGridWidth, nullptr, nodes[4], -1, false,
                                 kChartDay, kChartDay + 2, 480, kScalerHeight, w, h, -1, -1, {}, rows);
    EXPECT_EQ(rows, 8);
    EXPECT_EQ(h, kScalerHeight + 8 * kRowHeight + 1);
    // As many as asked for, and a band without a page limit told nothing.
    int told = 0;
    const TOnSizeCallBack count([&](bool, int, TObject*) { ++told; });
    TqvPrintGantt::PrintWithGrid(gant.get(), &dc, 0, 0, 1, 1, kGridWidth, nullptr, 3, false, kChartDay,
                                 kChartDay + 2, 480, kScalerHeight, w, h, -1, -1, count);
    EXPECT_EQ(h, kScalerHeight + 3 * kRowHeight + 1);
    EXPECT_EQ(told, 0);
    // A page bottom two rows down cuts after the second row and names it.
    TObject* last = nullptr;
    TqvPrintGantt::PrintWithGrid(gant.get(), &dc, 0, 0, 1, 1, kGridWidth, nodes[5], -1, false, kChartDay,
                                 kChartDay + 2, 480, kScalerHeight, w, h, -1,
                                 kScalerHeight + 2 * kRowHeight + 5,
                                 TOnSizeCallBack([&](bool aWidth, int, TObject* aRow) {
                                     EXPECT_FALSE(aWidth);
                                     last = aRow;
                                 }));
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(TqvGridTree::NodeOfRow(static_cast<TAxisContentItem*>(last)), nodes[6]);
    EXPECT_EQ(h, kScalerHeight + 2 * kRowHeight + 1);
}

TEST_F(GantPrintGrid, ARowTallerThanThePageIsPrintedClippedAndThePrintGoesOn)
{
    MakeRows(4, true);
    Grid()->SetRowHeight(nodes[1]->Row->ListIndex(), 60);
    PaintBoth();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("tall.pdf"));
    std::vector<int> pages;
    {
        QPdfWriter pdf(file);
        pdf.setResolution(96);
        TDeviceContext dc(&pdf);
        // Room for two ordinary rows below the scaler.
        PageByPage(&dc, &pages, kScalerHeight + 2 * kRowHeight + 5);
        int w = 0, h = 0;
        Print(&dc, 1, w, h);
    }
    EXPECT_EQ(pages, (std::vector<int>{1, 2, 3}));
    const auto words = Read(file);
    ASSERT_EQ(words.size(), 3u);
    EXPECT_EQ(words[0].Rows, QStringList{QStringLiteral("Row000")});
    EXPECT_EQ(words[1].Rows, QStringList{QStringLiteral("Row001")});
    EXPECT_EQ(words[2].Rows, (QStringList{QStringLiteral("Row002"), QStringLiteral("Row003")}));
    for (const PageWords& p : words)
        EXPECT_TRUE(p.Header);
}

TEST_F(GantPrintGrid, OverlappingItemsArePlacedForThePrint)
{
    MakeRows(2, false);
    TGantRow* row = gant->GetRowList()->FindRowFromGridNode(nodes[0]);
    row->SetCollisionDetection(true);
    bars[0]->SetStartDateTime(kChartDay + 0.25);
    bars[0]->SetStopDateTime(kChartDay + 0.75);
    bars[0]->GetTexts()->DropText(0);
    TqvDataEntity_GantTime* b = gant->GridNode_AddGantTime(nodes[0], 0);
    b->SetStartDateTime(kChartDay + 0.5);
    b->SetStopDateTime(kChartDay + 1);
    bars[0]->SetColor(kRed);
    b->SetColor(kBlue);
    ASSERT_EQ(row->GetUseSubCols(), 0) << "the computation is only requested";
    const GridChartState before = State();
    QImage img(700, 400, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        TDeviceContext dc(&img);
        int w = 0, h = 0;
        Print(&dc, 1, w, h);
    }
    // At 15:00 both run: one in each half of the row's band.
    const int x = kGridWidth + 480 * 0.625 / 2;
    const std::set<TColor> halves{FromQColor(img.pixelColor(x, kScalerHeight + 5)),
                                  FromQColor(img.pixelColor(x, kScalerHeight + 15))};
    EXPECT_EQ(halves, (std::set<TColor>{kRed, kBlue}));
    EXPECT_EQ(State(), before);
}

TEST_F(GantPrintGrid, ScaleTwoIsTheScreenPictureScaled)
{
    MakeRows(6, true);
    bars[3]->SetColor(kRed);
    bars[3]->GetTexts()->DropText(0);
    PaintBoth();
    TRect r;
    ASSERT_TRUE(gant->RectFromDataEntity(bars[3], r));
    const QImage screen = GA()->GetOffscreenBitmap()->Image().copy();
    const int cx = (r.Left + r.Right) / 2, cy = (r.Top + r.Bottom) / 2;
    ASSERT_EQ(FromQColor(screen.pixelColor(cx, cy)), kRed);
    QImage img(2000, 800, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        TDeviceContext dc(&img);
        int w = 0, h = 0;
        TqvPrintGantt::PrintWithGrid(gant.get(), &dc, 0, 0, 2, 2, kGridWidth, nullptr, -1, false,
                                     Scaler()->GetStart(), Scaler()->GetStop(), GA()->GetWidth(),
                                     kScalerHeight, w, h, -1, -1, {});
        EXPECT_EQ(w, 2 * (kGridWidth + GA()->GetWidth()));
        EXPECT_EQ(h, 2 * (kScalerHeight + 6 * kRowHeight) + 1);
    }
    const int ox = 2 * kGridWidth, oy = 2 * kScalerHeight;
    EXPECT_EQ(FromQColor(img.pixelColor(ox + 2 * cx, oy + 2 * cy)), kRed);
    EXPECT_EQ(FromQColor(img.pixelColor(ox + 2 * r.Left + 3, oy + 2 * cy)), kRed);
    EXPECT_NE(FromQColor(img.pixelColor(ox + 2 * r.Left - 3, oy + 2 * cy)), kRed);
    EXPECT_EQ(FromQColor(img.pixelColor(ox + 2 * cx, oy + 2 * r.Top + 3)), kRed);
    EXPECT_NE(FromQColor(img.pixelColor(ox + 2 * cx, oy + 2 * r.Top - 3)), kRed);
    EXPECT_EQ(FromQColor(img.pixelColor(ox + 2 * cx, oy + 2 * r.Bottom - 3)), kRed);
    EXPECT_NE(FromQColor(img.pixelColor(ox + 2 * cx, oy + 2 * r.Bottom + 3)), kRed);
}

TEST_F(GantPrintGrid, TheChartIsRestoredAlsoWhenAHandlerRaises)
{
    MakeRows(30, true);
    TNode* parent = nodes[3];
    MakeRows(2, true, parent);
    Grid()->SetTopLeftCell(Grid()->GetCell(Root()->GetFixedCols(), 12));
    Grid()->SetFocusedCell(Grid()->GetCell(Root()->GetFixedCols(), nodes[14]->Row->ListIndex()));
    PaintBoth();
    GeometryWatch watch;
    for (QWidget* w : std::initializer_list<QWidget*>{Scaler(), GA(), Grid()})
        w->installEventFilter(&watch);
    const GridChartState before = State();
    ASSERT_FALSE(before.Expanded[3]);
    QImage img(1400, 1200, QImage::Format_RGB32);
    TDeviceContext dc(&img);
    int w = 0, h = 0;
    // Every node expanded for the print, from a row in the middle, in another time window.
    Print(&dc, 1.5, w, h, nodes[2], 5, true, kChartDay + 10, kChartDay + 11);
    EXPECT_EQ(State(), before);
    // A drawing handler raises while the area prints.
    bars[3]->SetStyle(gtsUser);
    gant->OnUserDrawTime =
        TOnUserDrawTime([](TqvGant_ComBasic*, TqvDataEntity_GantTime*, TCanvas*, const TRect&) {
            throw Exception(QStringLiteral("draw failed"));
        });
    EXPECT_THROW(Print(&dc, 1, w, h, nodes[2], 5, true), Exception);
    EXPECT_EQ(State(), before);
    gant->OnUserDrawTime = {};
    // The page handler raises on page 2.
    gant->OnPrintToHdcNewPage =
        TOnPrintToHdcNewPage([](TObject*, int aPageNo, int& pageHeight, int&, bool&, bool&) {
            if (aPageNo == 2) throw Exception(QStringLiteral("no paper"));
            pageHeight = 200;
        });
    EXPECT_THROW(Print(&dc, 1, w, h, nullptr, -1, true), Exception);
    EXPECT_EQ(State(), before);
    EXPECT_FALSE(TqvPrintGantt::HeightCut);
    EXPECT_EQ(watch.Events, 0) << "printing moved or resized a sub-control";
    EXPECT_EQ(dc.GetViewportOrg(), Point(0, 0));
    TRect clip;
    EXPECT_FALSE(dc.GetClipRect(clip));
    gant->OnPrintToHdcNewPage = {};
    // Another grid can be printed afterwards: the grid printing was reset.
    TqvGrid other;
    int rows = 0;
    TqvGridPrinting::Print(&other, &dc, 0, 0, 1, 1, nullptr, -1, 100, w, h, -1, -1, {}, rows);
    PaintBoth();
    EXPECT_EQ(State(), before);
}

TEST_F(GantPrintGrid, ATreeModeChartPrintsItsGridAndStaysInTreeMode)
{
    MakeRows(5, true);
    gant->SetUseGridNotTree(false);
    Flush();
    const GridChartState before = State();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("mode.pdf"));
    {
        QPdfWriter pdf(file);
        pdf.setResolution(96);
        TDeviceContext dc(&pdf);
        int w = 0, h = 0;
        Print(&dc, 1, w, h);
    }
    EXPECT_EQ(State(), before);
    const auto words = Read(file);
    ASSERT_EQ(words.size(), 1u);
    EXPECT_EQ(words[0].Rows, Names("Row", 0, 5));
    ExpectRowsBesideBars(words, kRowHeight * 0.75);
}

} // namespace
