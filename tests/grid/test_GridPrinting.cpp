// Grid printing: band sizes and rows counted, pages read back from a PDF (each
// row once, in order, the header on every page) and as pixels, fonts sized by
// the print font event, odd scales and empty grids, and the grid as it was
// afterwards, also after an exception.
#include <QPdfWriter>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>
#include <vector>

#include "skedra/grid/GridPrinting.h"
#include "skedra/platform/Exceptions.h"
#include "tests/common/PdfText.h"
#include "tests/grid/GridTestSupport.h"

using namespace skedra;
using namespace skedra::test;

namespace
{

constexpr QRgb kUnprinted = 0xFFFF00FF; // what a page holds where nothing printed

struct GridPrinting : GridFixture {
    void MakeRows(int n, bool headers)
    {
        grid->SetHasHeaders(headers);
        grid->SetHasInfoCol(false);
        AddColumn(QStringLiteral("Name"), tckSimpleEdit, 120);
        for (int i = 0; i < n; ++i)
            AddRow({QStringLiteral("R%1").arg(i, 4, 10, QLatin1Char('0'))});
        Paint();
    }
    int RowHeight() { return grid->GetRowHeight(grid->GetRootCell()->GetFixedRows()); }
    int HeaderHeight() { return grid->GetRowHeight(0); }
    TAxisContentItem* Row(int r) { return grid->GetRootCell()->RowList->getAxisContentItem(r); }
    // Width, height and rows of one band printed at (0, 0), 200 screen pixels wide.
    std::tuple<int, int, int> PrintOn(TDeviceContext* aDC, int aMaxRows, double aScale = 1,
                                      int aPageBottom = -1, TOnSizeCallBack aOnSize = {},
                                      TMoxCell* aStart = nullptr)
    {
        int w = 0, h = 0, rows = 0;
        TqvGridPrinting::Print(grid, aDC, 0, 0, aScale, aScale, aStart, aMaxRows, 200, w, h, -1, aPageBottom,
                               aOnSize, rows);
        return {w, h, rows};
    }
    // Prints page after page onto images of aPageHeight device pixels, each
    // band going on after the row the previous page reported.
    std::vector<QImage> PrintPages(double aScale, int aPageHeight)
    {
        std::vector<QImage> pages;
        TMoxCell* start = nullptr;
        for (int guard = 0; guard < 1000; ++guard) {
            QImage page(RoundPixel(200 * aScale) + 10, aPageHeight, QImage::Format_RGB32);
            page.fill(kUnprinted);
            TObject* lastRow = nullptr;
            {
                TDeviceContext dc(&page);
                PrintOn(&dc, -1, aScale, aPageHeight,
                        TOnSizeCallBack([&](bool, int, TObject* c) { lastRow = c; }), start);
            }
            pages.push_back(page);
            if (lastRow == nullptr) break;
            start = grid->GetCell(0, static_cast<TAxisContentItem*>(lastRow)->ListIndex() + 1);
            if (start == nullptr) break;
        }
        return pages;
    }
    // What must equal before and after a print.
    struct TView {
        int Top, Left, Width, Height;
        QRect Geometry;
        TMoxCell* Focused;
        bool Printing;
        bool operator==(const TView&) const = default;
    };
    TView View()
    {
        TMoxGridCellForViewer* root = grid->GetRootCell();
        return {root->Top,
                root->Left,
                grid->GetWidth(),
                grid->GetHeight(),
                grid->geometry(),
                grid->GetFocusedCell(),
                grid->GetIsPrinting()};
    }
};

TEST_F(GridPrinting, BandHeightsRowCountsEmptyRowsAndThePageCut)
{
    MakeRows(3, false);
    const int rh = RowHeight();
    ASSERT_GT(rh, 0);
    QImage img(400, 400, QImage::Format_RGB32);
    TDeviceContext dc(&img);
    EXPECT_EQ(PrintOn(&dc, -1), std::make_tuple(200, 3 * rh + 1, 3));
    // Rows asked for beyond the last one print empty, 20 pixels each.
    EXPECT_EQ(PrintOn(&dc, 5), std::make_tuple(200, 3 * rh + 40 + 1, 5));
    EXPECT_EQ(PrintOn(&dc, 2), std::make_tuple(200, 2 * rh + 1, 2));
    // A page bottom with room for two rows: told once, with the bottom of the third and the second row.
    std::vector<std::tuple<bool, int, TObject*>> told;
    const TOnSizeCallBack record([&](bool a, int b, TObject* c) { told.emplace_back(a, b, c); });
    EXPECT_EQ(PrintOn(&dc, -1, 1, 2 * rh + 5, record), std::make_tuple(200, 2 * rh + 1, 2));
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], std::make_tuple(false, 3 * rh, static_cast<TObject*>(Row(1))));
    // Rows that fit exactly are not cut.
    told.clear();
    EXPECT_EQ(PrintOn(&dc, -1, 1, 3 * rh, record), std::make_tuple(200, 3 * rh + 1, 3));
    EXPECT_TRUE(told.empty());
    // A hidden start row counts without height.
    Row(0)->SetHide(true);
    EXPECT_EQ(PrintOn(&dc, -1, 1, -1, {}, grid->GetCell(0, 0)), std::make_tuple(200, 2 * rh + 1, 3));
    Row(0)->SetHide(false);
    // Scales of 0 or less, or no number, are taken as 1; one far too large is refused.
    for (double scale : {0.0, -2.0, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(PrintOn(&dc, -1, scale), std::make_tuple(200, 3 * rh + 1, 3)) << scale;
    const TView before = View();
    EXPECT_THROW(PrintOn(&dc, -1, 1e6), Exception);
    EXPECT_EQ(View(), before);
}

TEST_F(GridPrinting, ManyRowsAtPrinterResolutionAreAllMeasured)
{
    // 300 rows at 600 dots per inch are far more than 10,000 device pixels high.
    MakeRows(300, true);
    QImage img(10, 10, QImage::Format_RGB32);
    TDeviceContext dc(&img);
    const double scale = 600.0 / 96;
    const auto [w, h, rows] = PrintOn(&dc, -1, scale);
    EXPECT_EQ(rows, 300);
    EXPECT_EQ(h, RoundPixel((HeaderHeight() + 300 * RowHeight()) * scale) + 1);
    EXPECT_EQ(w, 1250);
}

TEST_F(GridPrinting, PdfPagesHoldEveryRowOnceInOrderUnderTheHeaderAndTheGridIsAsBefore)
{
    MakeRows(120, true);
    TMoxGridCellForViewer* root = grid->GetRootCell();
    root->SetTop(root->GetFixedRows() + 7);
    grid->SetFocusedCell(grid->GetCell(0, 9));
    const QImage screen = Paint();
    const TView before = View();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("grid.pdf"));
    int pages = 0;
    {
        QPdfWriter pdf(file);
        pdf.setResolution(96);
        TDeviceContext dc(&pdf);
        TMoxCell* start = nullptr;
        for (;;) {
            TObject* lastRow = nullptr;
            const auto [w, h, rows] =
                PrintOn(&dc, -1, 1, dc.GetDeviceHeight(),
                        TOnSizeCallBack([&](bool, int, TObject* c) { lastRow = c; }), start);
            ++pages;
            ASSERT_GT(rows, 0);
            ASSERT_LE(h, dc.GetDeviceHeight() + 1);
            if (lastRow == nullptr) break;
            start = grid->GetCell(0, static_cast<TAxisContentItem*>(lastRow)->ListIndex() + 1);
            ASSERT_NE(start, nullptr);
            dc.NewPage();
        }
    }
    EXPECT_GE(pages, 2);
    QString error;
    const std::vector<PdfPage> read = ReadPdf(file, &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    ASSERT_EQ(static_cast<int>(read.size()), pages);
    QStringList printed;
    for (const PdfPage& p : read) {
        // The header tops every page.
        const PdfWord* header = p.Find(QStringLiteral("Name"));
        ASSERT_NE(header, nullptr);
        for (const PdfWord& word : p.Words)
            if (word.Text.startsWith(QLatin1Char('R'))) {
                EXPECT_GT(word.Top, header->Top);
                printed << word.Text;
            }
    }
    EXPECT_EQ(printed, Column(0));
    EXPECT_EQ(View(), before);
    EXPECT_EQ(Paint(), screen);
}

TEST_F(GridPrinting, PagesAtScaleTwoAreTheScreenPictureScaledWithTheHeaderOnEach)
{
    MakeRows(25, true);
    const int rh = RowHeight(), hh = HeaderHeight();
    const QImage screen = Paint();
    // Room for the header and five rows at scale 2, and a bit.
    const int band = 2 * (hh + 5 * rh);
    const int pageHeight = band + 7;
    const std::vector<QImage> pages = PrintPages(2, pageHeight);
    ASSERT_EQ(pages.size(), 5u);
    for (size_t p = 0; p < pages.size(); ++p) {
        const QImage& page = pages[p];
        // Header band and five rows, then nothing: the band ends one pixel below the last row.
        EXPECT_EQ(PixelAt(page, 200, 10), ColorToRGB(clBtnFace)) << p;
        EXPECT_EQ(PixelAt(page, 200, 2 * hh + 10), clWhite) << p;
        EXPECT_NE(page.pixel(200, band - 4), kUnprinted) << p;
        EXPECT_EQ(page.pixel(200, band + 3), kUnprinted) << p;
        // Nothing right of the band's width.
        EXPECT_EQ(page.pixel(403, 10), kUnprinted) << p;
    }
    // The first page, away from the texts and lines, is the screen picture at twice the size.
    int compared = 0;
    for (int y = 1; y < hh + 5 * rh - 1; ++y)
        for (int x : {70, 90, 110}) {
            const TColor c = PixelAt(screen, x, y);
            if (PixelAt(screen, x, y - 1) != c || PixelAt(screen, x, y + 1) != c) continue;
            EXPECT_EQ(PixelAt(pages[0], 2 * x, 2 * y), c) << x << "," << y;
            ++compared;
        }
    EXPECT_GT(compared, 200);
    // Each row's text prints on its page: ink in the text part of every row.
    for (const QImage& page : pages)
        for (int r = 0; r < 5; ++r)
            EXPECT_GT(InkIn(page, TRect(4, 2 * (hh + r * rh) + 4, 2 * 60, 2 * (hh + (r + 1) * rh) - 4)), 10)
                << r;
}

TEST_F(GridPrinting, EmptyGridsTinyAndHugeScalesEndWithADefinedBand)
{
    MakeRows(0, true);
    QImage img(400, 400, QImage::Format_RGB32);
    img.fill(kUnprinted);
    {
        TDeviceContext dc(&img);
        int told = 0;
        const TOnSizeCallBack count([&](bool, int, TObject*) { ++told; });
        // No rows: nothing prints, and nothing is told.
        EXPECT_EQ(PrintOn(&dc, -1, 1, 300, count), std::make_tuple(200, 0, 0));
        EXPECT_EQ(told, 0);
    }
    EXPECT_EQ(img.pixel(10, 5), kUnprinted);
    {
        TDeviceContext dc(&img);
        // Empty rows asked for still print (the header over them).
        EXPECT_EQ(PrintOn(&dc, 2), std::make_tuple(200, 41, 2));
    }
    EXPECT_EQ(PixelAt(img, 100, 5), ColorToRGB(clBtnFace));

    for (int i = 0; i < 40; ++i)
        AddRow({QStringLiteral("T%1").arg(i)});
    Paint();
    const TView before = View();
    QImage small(50, 50, QImage::Format_RGB32);
    TDeviceContext dc(&small);
    // So small that the first rows have no height: they do not count.
    const int hh = HeaderHeight(), rh = RowHeight();
    int counted = 0;
    for (int r = 1; r <= 40; ++r)
        counted += RoundPixel((hh + r * rh) * 0.01) > 0 ? 1 : 0;
    ASSERT_LT(counted, 40);
    EXPECT_EQ(PrintOn(&dc, -1, 0.01), std::make_tuple(2, RoundPixel((hh + 40 * rh) * 0.01) + 1, counted));
    // So large that one row overflows the page: it prints clipped, alone, and is reported.
    std::vector<TObject*> told;
    const TOnSizeCallBack record([&](bool, int, TObject* c) { told.push_back(c); });
    const auto [w, h, rows] = PrintOn(&dc, -1, 90, 500, record, grid->GetCell(0, 3));
    EXPECT_EQ(w, 18000);
    EXPECT_EQ(h, 501);
    EXPECT_EQ(rows, 1);
    EXPECT_EQ(told, std::vector<TObject*>{Row(3)});
    EXPECT_EQ(View(), before);
}

TEST_F(GridPrinting, FontsAreSizedByThePrintFontEventAndItsFailureLeavesTheGridAsBefore)
{
    MakeRows(3, true);
    const int rh = RowHeight(), hh = HeaderHeight();
    auto inkWidth = [&](const QImage& img) {
        int right = 0;
        for (int y = hh + 2; y < hh + rh - 2; ++y)
            for (int x = 0; x < 115; ++x)
                if (IsInk(PixelAt(img, x, y))) right = std::max(right, x);
        return right;
    };
    QImage normal(300, 200, QImage::Format_RGB32);
    normal.fill(Qt::white);
    {
        TDeviceContext dc(&normal);
        PrintOn(&dc, -1);
    }
    const int fontSize = grid->GetFont()->GetSize();
    std::vector<int> asked;
    grid->OnPrintResizeFont = [&](TqvOffscreenPaint* caller, int& size, bool& defaultResize) {
        EXPECT_EQ(caller, grid);
        asked.push_back(size);
        size = 3 * size;
        defaultResize = false;
    };
    QImage large(300, 200, QImage::Format_RGB32);
    large.fill(Qt::white);
    {
        TDeviceContext dc(&large);
        PrintOn(&dc, -1);
    }
    // Each cell's font is asked for; the grid's own font stays.
    EXPECT_NE(std::find(asked.begin(), asked.end(), fontSize), asked.end());
    EXPECT_GT(inkWidth(large), 2 * inkWidth(normal));
    EXPECT_EQ(grid->GetFont()->GetSize(), fontSize);

    const TView before = View();
    grid->OnPrintResizeFont = [](TqvOffscreenPaint*, int&, bool&) {
        throw Exception(QStringLiteral("no fonts"));
    };
    QImage img(300, 200, QImage::Format_RGB32);
    TDeviceContext dc(&img);
    EXPECT_THROW(PrintOn(&dc, -1, 1, -1, {}, grid->GetCell(0, 2)), Exception);
    grid->OnPrintResizeFont = {};
    EXPECT_EQ(View(), before);
    // The next print starts afresh.
    EXPECT_EQ(std::get<2>(PrintOn(&dc, -1)), 3);
}

TEST_F(GridPrinting, EveryHeaderPrintsInTheGridsFont)
{
    // The info column and the headers have no font of their own.
    for (const char* header : {"HHHH", "HHHH", "HHHH"})
        AddColumn(QString::fromLatin1(header), tckSimpleEdit, 80);
    AddRow({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    Paint();
    QImage img(700, 200, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        TDeviceContext dc(&img);
        int w = 0, h = 0, rows = 0;
        TqvGridPrinting::Print(grid, &dc, 0, 0, 2, 2, nullptr, -1, 300, w, h, -1, -1, {}, rows);
    }
    // The height of the ink of each header text, at twice the screen's size.
    std::vector<int> heights;
    for (int c = 1; c <= 3; ++c) {
        const int left = 2 * (20 + 80 * (c - 1)) + 4, right = left + 2 * 80 - 8;
        int top = 1000, bottom = -1;
        for (int y = 2; y < 2 * HeaderHeight() - 3; ++y)
            for (int x = left; x < right; ++x)
                if (IsInk(PixelAt(img, x, y))) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        heights.push_back(bottom - top);
    }
    EXPECT_GT(heights[0], 10);
    EXPECT_EQ(heights, std::vector<int>(3, heights[0]));
}

TEST_F(GridPrinting, OneGridPrintsAtATime)
{
    MakeRows(4, true);
    TqvGrid other(&form);
    other.SetBounds(0, 360, 300, 100);
    other.AddColumn()->SetHeaderText(QStringLiteral("Other"));
    other.AddRow();
    QImage img(300, 300, QImage::Format_RGB32);
    TDeviceContext dc(&img);
    int w = 0, h = 0, rows = 0;
    TqvGridPrinting::BeforePrintAndPrint(grid, &dc, 0, 0, 1, 1, nullptr, -1, 200, w, h, -1, -1, {}, rows);
    EXPECT_TRUE(grid->GetIsPrinting());
    EXPECT_THROW(TqvGridPrinting::Print(&other, &dc, 0, 0, 1, 1, nullptr, -1, 200, w, h, -1, -1, {}, rows),
                 Exception);
    EXPECT_TRUE(grid->GetIsPrinting());
    EXPECT_FALSE(other.GetIsPrinting());
    TqvGridPrinting::ResetAfterPrint(grid);
    EXPECT_FALSE(grid->GetIsPrinting());
    TqvGridPrinting::Print(&other, &dc, 0, 0, 1, 1, nullptr, -1, 200, w, h, -1, -1, {}, rows);
    EXPECT_EQ(rows, 1);
    // Resetting a grid that is not printed changes nothing.
    TqvGridPrinting::ResetAfterPrint(grid);
    EXPECT_FALSE(grid->GetIsPrinting());
}

} // namespace
