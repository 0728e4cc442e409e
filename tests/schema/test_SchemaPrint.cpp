// Printing the schedule view: the columns and pages printed, read back from
// the text of the PDF and from printed pixels, and the view left exactly as
// it was, also when a handler raises.

#include <QPdfWriter>
#include <QTemporaryDir>

#include <set>

#include "skedra/schema/SchemaPrint.h"
#include "tests/common/PaintSurface.h"
#include "tests/common/PdfText.h"
#include "tests/schema/SchemaTestSupport.h"

using namespace skedra;
using namespace skedra::test;

namespace
{

constexpr TColor kRed = 0x0000FF;
constexpr TColor kBlue = 0xFF0000;

// Counts resize and move events of a widget.
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

// What the view shows and holds, to compare before and after a print.
struct ViewState {
    bool Flip;
    TDateTime Start, Stop;
    int TopLeft;
    std::vector<int> Sections, Rows, SubCols;
    std::vector<QRect> Geometry;
    std::vector<int> Logical;
    bool operator==(const ViewState&) const = default;
};

class SchemaPrint : public SchemaFixture
{
protected:
    void MakeColumns(int aCount, int aWidth)
    {
        for (int i = 0; i < aCount; ++i)
            AddColumn(QStringLiteral("Col%1").arg(i))->SetWidth(aWidth);
        Settle();
    }
    ViewState State()
    {
        ViewState s;
        s.Flip = schema->GetFlipView();
        s.Start = schema->GetScalerStart();
        s.Stop = schema->GetScalerStop();
        s.TopLeft = schema->GetColumns()->GetTopLeftCol();
        for (int c = 0; c < schema->ColumnCount(); ++c) {
            s.Sections.push_back(schema->ColumnSize(false, c));
            s.Rows.push_back(schema->ColumnSize(true, c));
            s.SubCols.push_back(schema->GetColumns()->Column(c)->GetSubColCount());
        }
        for (QWidget* w : std::initializer_list<QWidget*>{schema->GetScaler(), schema->GetSchemaArea(),
                                                          schema->GetHeader(), schema->GetFlippedHeader()})
            s.Geometry.push_back(w->geometry());
        s.Logical = {schema->GetScaler()->GetWidth(), schema->GetScaler()->GetHeight(),
                     schema->GetSchemaArea()->GetWidth(), schema->GetSchemaArea()->GetHeight()};
        return s;
    }
    // Prints to a PDF and answers its pages' words that name columns.
    std::vector<QStringList> PrintPdf(int aFirst, int aLast, bool aFlip, int aPageWidth, int aPageHeight,
                                      double aScale = 1)
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("schema.pdf"));
        {
            QPdfWriter pdf(file);
            pdf.setResolution(96);
            TDeviceContext dc(&pdf);
            int w = 0, h = 0;
            TqvPrintSchema::Print(schema, &dc, 0, 0, 0, 240, 50, aScale, aScale, aFirst, aLast, Monday(),
                                  Monday() + 1, aFlip, w, h, aPageWidth, aPageHeight, {});
        }
        QString error;
        const std::vector<PdfPage> pages = ReadPdf(file, &error);
        EXPECT_FALSE(pages.empty()) << error.toStdString();
        std::vector<QStringList> result;
        for (const PdfPage& p : pages) {
            QStringList cols;
            for (const QString& t : p.Texts())
                if (t.startsWith(QLatin1String("Col"))) cols << t;
            result.push_back(cols);
        }
        return result;
    }
    // A handler that starts a new page from page 2 on and sets the page limits.
    void PageHandler(TDeviceContext*& aDC, int aWidth, int aHeight, std::vector<int>* aPages = nullptr)
    {
        schema->OnPrintToHdcNewPage =
            TOnPrintToHdcNewPage([&aDC, aWidth, aHeight, aPages](TObject*, int aPageNo, int& pageHeight,
                                                                 int& pageWidht, bool&, bool&) {
                if (aPages) aPages->push_back(aPageNo);
                if (aPageNo > 1) aDC->NewPage();
                pageWidht = aWidth;
                pageHeight = aHeight;
            });
    }
};

TEST_F(SchemaPrint, OneBlockWithoutPagesHoldsEveryColumnOnceInOrder)
{
    MakeColumns(6, 100);
    const auto pages = PrintPdf(1, 4, false, 0, 0);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0], (QStringList{"Col1", "Col2", "Col3", "Col4"}));
    // theLastCol beyond the columns is clamped; a negative first column is taken as 0.
    EXPECT_EQ(PrintPdf(-3, 99, true, 0, 0)[0], (QStringList{"Col0", "Col1", "Col2", "Col3", "Col4", "Col5"}));
}

TEST_F(SchemaPrint, AColumnPastThePageWidthIsReportedAndStartsTheNextPage)
{
    MakeColumns(6, 100);
    QImage img(800, 400, QImage::Format_RGB32);
    img.fill(Qt::white);
    TDeviceContext dc(&img);
    std::vector<std::tuple<bool, int, TObject*>> reported;
    int w = 0, h = 0;
    TqvPrintSchema::Print(schema, &dc, 0, 0, 0, 240, 50, 1, 1, 0, 5, Monday(), Monday() + 1, false, w, h, 500,
                          0, TOnSizeCallBack([&](bool aWidth, int aValue, TObject* aColumn) {
                              reported.emplace_back(aWidth, aValue, aColumn);
                          }));
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0],
              std::make_tuple(true, 450, static_cast<TObject*>(schema->GetColumns()->Column(4))));
    // Scaler 50 plus the four columns that fit.
    EXPECT_EQ(w, 450);
    EXPECT_EQ(h, schema->GetQuadPoint().Y + 240);

    // Paged: the handler's pages continue with the column that did not fit.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("pages.pdf"));
    std::vector<int> pageNumbers;
    {
        QPdfWriter pdf(file);
        pdf.setResolution(96);
        TDeviceContext pdc(&pdf);
        TDeviceContext* current = &pdc;
        PageHandler(current, 500, -1, &pageNumbers);
        TqvPrintSchema::Print(schema, &pdc, 0, 0, 0, 240, 50, 1, 1, 0, 5, Monday(), Monday() + 1, false, w, h,
                              0, 0, {});
    }
    EXPECT_EQ(pageNumbers, (std::vector<int>{1, 2}));
    const std::vector<PdfPage> pages = ReadPdf(file);
    ASSERT_EQ(pages.size(), 2u);
    QStringList cols;
    for (const PdfPage& p : pages)
        for (const QString& t : p.Texts())
            if (t.startsWith(QLatin1String("Col"))) cols << t;
    EXPECT_EQ(cols, (QStringList{"Col0", "Col1", "Col2", "Col3", "Col4", "Col5"}));
}

TEST_F(SchemaPrint, ColumnsWiderThanThePageTakeAPageEachAndThePrintEnds)
{
    MakeColumns(3, 700);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("wide.pdf"));
    std::vector<int> pageNumbers;
    {
        QPdfWriter pdf(file);
        pdf.setResolution(96);
        TDeviceContext pdc(&pdf);
        TDeviceContext* current = &pdc;
        // Also the scaler alone is wider than this page.
        PageHandler(current, 40, -1, &pageNumbers);
        int w = 0, h = 0;
        TqvPrintSchema::Print(schema, &pdc, 0, 0, 0, 240, 50, 1, 1, 0, 2, Monday(), Monday() + 1, false, w, h,
                              0, 0, {});
    }
    EXPECT_EQ(pageNumbers, (std::vector<int>{1, 2, 3}));
    const std::vector<PdfPage> pages = ReadPdf(file);
    ASSERT_EQ(pages.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        QStringList cols;
        for (const QString& t : pages[static_cast<size_t>(i)].Texts())
            if (t.startsWith(QLatin1String("Col"))) cols << t;
        EXPECT_EQ(cols, QStringList{QStringLiteral("Col%1").arg(i)});
    }
}

TEST_F(SchemaPrint, FlippedPagesAreCutAtThePageHeight)
{
    MakeColumns(5, 100);
    schema->SetFlipView(true);
    for (int c = 0; c < 5; ++c)
        schema->GetColumns()->Column(c)->SetWidth(40);
    schema->SetFlipView(false);
    Settle();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("flip.pdf"));
    {
        QPdfWriter pdf(file);
        pdf.setResolution(96);
        TDeviceContext pdc(&pdf);
        TDeviceContext* current = &pdc;
        // Scaler 50 high, rows of 41: two rows end at 132, a third would end at 173.
        PageHandler(current, -1, 140);
        int w = 0, h = 0;
        TqvPrintSchema::Print(schema, &pdc, 0, 0, 0, 240, 50, 1, 1, 0, 4, Monday(), Monday() + 1, true, w, h,
                              0, 0, {});
    }
    const std::vector<PdfPage> pages = ReadPdf(file);
    ASSERT_EQ(pages.size(), 3u);
    std::vector<QStringList> cols;
    for (const PdfPage& p : pages) {
        cols.emplace_back();
        for (const QString& t : p.Texts())
            if (t.startsWith(QLatin1String("Col"))) cols.back() << t;
    }
    EXPECT_EQ(cols, (std::vector<QStringList>{{"Col0", "Col1"}, {"Col2", "Col3"}, {"Col4"}}));
    EXPECT_FALSE(schema->GetFlipView());
}

TEST_F(SchemaPrint, APageThatIsOnlyMeasuredDrawsNothing)
{
    MakeColumns(3, 100);
    QImage img(600, 400, QImage::Format_RGB32);
    img.fill(Qt::white);
    TDeviceContext dc(&img);
    int pages = 0;
    schema->OnPrintToHdcNewPage = TOnPrintToHdcNewPage(
        [&](TObject*, int, int&, int&, bool&, bool& render) { ++pages, render = false; });
    int w = 0, h = 0;
    TqvPrintSchema::Print(schema, &dc, 0, 0, 0, 240, 50, 1, 1, 0, 2, Monday(), Monday() + 1, false, w, h, 0,
                          0, {});
    EXPECT_EQ(pages, 1);
    EXPECT_EQ(w, 350);
    EXPECT_EQ(img.pixel(100, 100), qRgb(255, 255, 255));
    EXPECT_EQ(img, [] {
        QImage white(600, 400, QImage::Format_RGB32);
        white.fill(Qt::white);
        return white;
    }());
}

TEST_F(SchemaPrint, OverlappingItemsOutsideTheScreenWindowArePlacedForThePrint)
{
    MakeColumns(2, 100);
    // On screen: day 0. The print shows day 2, whose items were never placed.
    TqvDataEntity_SchemaTime* a = AddItem(0, 0, At(2, 8), At(2, 14), kRed);
    TqvDataEntity_SchemaTime* b = AddItem(0, 0, At(2, 10), At(2, 16), kBlue);
    Settle();
    ASSERT_FALSE(a->GetUseSubCol());
    ASSERT_FALSE(b->GetUseSubCol());
    const ViewState before = State();
    QImage img(600, 400, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        TDeviceContext dc(&img);
        int w = 0, h = 0;
        TqvPrintSchema::Print(schema, &dc, 0, 0, 0, 240, 50, 1, 1, 0, 1, Monday() + 2, Monday() + 3, false, w,
                              h, 0, 0, {});
    }
    // At 11:00 both items cover the column: each takes its half.
    const int y = schema->GetQuadPoint().Y + 11 * 10;
    const std::set<TColor> halves{PixelAt(img, 50 + 25, y), PixelAt(img, 50 + 75, y)};
    EXPECT_EQ(halves, (std::set<TColor>{kRed, kBlue}));
    // The items' and columns' sub-columns on screen are as they were.
    EXPECT_FALSE(a->GetUseSubCol());
    EXPECT_FALSE(b->GetUseSubCol());
    EXPECT_EQ(State(), before);
}

TEST_F(SchemaPrint, ScaleTwoIsTheScreenPictureScaled)
{
    MakeColumns(2, 100);
    TqvDataEntity_SchemaTime* item = AddItem(0, 1, At(0, 6), At(0, 12), kRed);
    schema->SetCollisionDetect(false);
    // The screen shows exactly the printed window with the printed sizes.
    schema->SetScalerWidth(50);
    Settle();
    const QImage screen = Paint();
    const int extent = schema->GetSchemaArea()->GetHeight();
    const TRect r = RectOf(item);
    QImage img(1000, 1400, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        TDeviceContext dc(&img);
        int w = 0, h = 0;
        TqvPrintSchema::Print(schema, &dc, 0, 0, 0, extent, 50, 2, 2, 0, 1, schema->GetScalerStart(),
                              schema->GetScalerStop(), false, w, h, 0, 0, {});
        EXPECT_EQ(w, 2 * (50 + 200));
    }
    const int ox = 100, oy = 2 * schema->GetQuadPoint().Y;
    // The item's inside at twice its place, and its edges within a pixel of
    // twice theirs (the paper shows no background fill, only the items and lines).
    const int cx = (r.Left + r.Right) / 2, cy = (r.Top + r.Bottom) / 2;
    EXPECT_EQ(PixelAt(screen, cx, cy), kRed);
    auto printed = [&](int x, int y) { return PixelAt(img, ox + x, oy + y); };
    EXPECT_EQ(printed(2 * cx, 2 * cy), kRed);
    EXPECT_EQ(printed(2 * r.Left + 2, 2 * cy), kRed);
    EXPECT_NE(printed(2 * r.Left - 3, 2 * cy), kRed);
    EXPECT_EQ(printed(2 * r.Right - 3, 2 * cy), kRed);
    EXPECT_NE(printed(2 * r.Right + 2, 2 * cy), kRed);
    EXPECT_EQ(printed(2 * cx, 2 * r.Top + 2), kRed);
    EXPECT_NE(printed(2 * cx, 2 * r.Top - 3), kRed);
    EXPECT_EQ(printed(2 * cx, 2 * r.Bottom - 3), kRed);
    EXPECT_NE(printed(2 * cx, 2 * r.Bottom + 2), kRed);
}

TEST_F(SchemaPrint, ATinyScalePrintsInBoundedTimeAndLeavesTheView)
{
    // At a billionth of the size every stripe past the columns is far under a
    // pixel: the background stops there instead of counting them into the
    // billions (and past the range of an int).
    MakeColumns(2, 100);
    AddItem(0, 1, At(0, 6), At(0, 12), kRed);
    for (const bool flip : {false, true}) {
        schema->SetFlipView(flip);
        Settle();
        const ViewState before = State();
        QImage img(400, 300, QImage::Format_RGB32);
        img.fill(Qt::white);
        TDeviceContext dc(&img);
        int w = -1, h = -1;
        TqvPrintSchema::Print(schema, &dc, 0, 0, 0, 800, 50, 1e-9, 1e-9, 0, 1, Monday(), Monday() + 1, flip,
                              w, h, 0, 0, {});
        EXPECT_GE(w, 0);
        EXPECT_GE(h, 0);
        EXPECT_EQ(State(), before);
    }
}

TEST_F(SchemaPrint, TheViewIsRestoredAlsoWhenAHandlerRaises)
{
    MakeColumns(5, 100);
    AddItem(0, 3, At(0, 6), At(0, 9));
    schema->GetColumns()->SetTopLeftCol(2);
    Settle();
    GeometryWatch watch;
    for (QWidget* w : std::initializer_list<QWidget*>{schema->GetScaler(), schema->GetSchemaArea(),
                                                      schema->GetHeader(), schema->GetFlippedHeader()})
        w->installEventFilter(&watch);
    const ViewState before = State();

    QImage img(800, 800, QImage::Format_RGB32);
    TDeviceContext dc(&img);
    int w = 0, h = 0;
    // A clean print in the other orientation from column 0.
    TqvPrintSchema::Print(schema, &dc, 0, 0, 0, 300, 60, 1.5, 1.5, 0, 4, Monday() + 3, Monday() + 5, true, w,
                          h, 0, 0, {});
    EXPECT_EQ(State(), before);
    // A drawing handler raises while the area prints.
    schema->OnDrawForeground = TOnSchemaDraw(
        [](TqvSchema_ComBasic*, TRect, TCanvas*) { throw Exception(QStringLiteral("draw failed")); });
    EXPECT_THROW(TqvPrintSchema::Print(schema, &dc, 0, 0, 0, 300, 60, 1, 1, 0, 4, Monday() + 3, Monday() + 5,
                                       true, w, h, 0, 0, {}),
                 Exception);
    EXPECT_EQ(State(), before);
    schema->OnDrawForeground = {};
    // The page handler raises on page 2.
    TDeviceContext* current = &dc;
    schema->OnPrintToHdcNewPage =
        TOnPrintToHdcNewPage([&](TObject*, int aPageNo, int&, int& pageWidht, bool&, bool&) {
            if (aPageNo == 2) throw Exception(QStringLiteral("no paper"));
            pageWidht = 300;
        });
    EXPECT_THROW(TqvPrintSchema::Print(schema, current, 0, 0, 0, 300, 60, 1, 1, 0, 4, Monday(), Monday() + 1,
                                       false, w, h, 0, 0, {}),
                 Exception);
    EXPECT_EQ(State(), before);
    EXPECT_FALSE(TqvPrintSchema::ColumnOverflow);
    EXPECT_EQ(watch.Events, 0) << "printing moved or resized a sub-control";
    EXPECT_EQ(dc.GetViewportOrg(), Point(0, 0));
    TRect clip;
    EXPECT_FALSE(dc.GetClipRect(clip));
    schema->OnPrintToHdcNewPage = {};
    // And the screen paints as before.
    Paint();
    EXPECT_EQ(State(), before);
}

} // namespace
