// Tree printing: which entities print, in which order and where, read back
// from the printed pixels and from the text of a printed PDF.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <memory>
#include <vector>

#include "skedra/platform/ImageList.h"
#include "skedra/tree/qvPrintTree.h"
#include "skedra/tree/qvTree.h"
#include "tests/common/PaintSurface.h"
#include "tests/common/PdfText.h"
#include "tests/common/TestSupport.h"

using namespace skedra;

namespace
{

class PrintTreeTest : public ::testing::Test
{
protected:
    std::unique_ptr<TqvTree> tree;
    TqvDataEntity_Tree *alpha = nullptr, *alpha1 = nullptr, *alpha2 = nullptr, *alpha2x = nullptr,
                       *beta = nullptr;

    void SetUp() override
    {
        tree = std::make_unique<TqvTree>();
        tree->SetBounds(0, 0, 200, 200);
        tree->GetFont()->SetName(QString::fromLatin1(test::FontFamily()));
        tree->GetFont()->SetSize(8);
        // alpha (expanded) > alpha1, alpha2 (collapsed) > alpha2x; beta.
        alpha = Add(nullptr, "Alpha");
        alpha1 = Add(alpha, "AlphaOne");
        alpha2 = Add(alpha, "AlphaTwo");
        alpha2x = Add(alpha2, "AlphaTwoX");
        beta = Add(nullptr, "Beta");
        alpha->SetExpanded(true);
    }
    TqvDataEntity_Tree* Add(TqvDataEntity_Tree* aParent, const char* aText)
    {
        TqvDataEntity_Tree* e = tree->AddDataEntity(aParent);
        e->SetText(QString::fromLatin1(aText));
        return e;
    }
    // The words printed, page by page.
    struct Printed {
        int Rows, Width, Height;
    };
    Printed PrintOn(TDeviceContext* aDC, int x, int y, double sx, double sy, TqvDataEntity_Tree* aStart,
                    int aMaxRows, bool aPrintAll)
    {
        Printed p{aMaxRows, 0, 0};
        TqvPrintTree::Print(tree.get(), aDC, 0, x, y, sx, sy, 150, aStart, p.Rows, aPrintAll, p.Width,
                            p.Height);
        return p;
    }
    QStringList PrintedTexts(TqvDataEntity_Tree* aStart, int aMaxRows, bool aPrintAll,
                             Printed* aResult = nullptr)
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("tree.pdf"));
        {
            QPdfWriter pdf(file);
            TDeviceContext dc(&pdf);
            const Printed p = PrintOn(&dc, 0, 0, 1, 1, aStart, aMaxRows, aPrintAll);
            if (aResult) *aResult = p;
        }
        QString error;
        const std::vector<test::PdfPage> pages = test::ReadPdf(file, &error);
        EXPECT_EQ(pages.size(), 1u) << error.toStdString();
        return pages.empty() ? QStringList() : pages[0].Texts();
    }
};

TEST_F(PrintTreeTest, StartEntityRowLimitAndCollapsedChildren)
{
    Printed p{};
    // Everything before the start entity is skipped; collapsed children only with PrintAll.
    EXPECT_EQ(PrintedTexts(alpha1, -1, false, &p), (QStringList{"AlphaOne", "AlphaTwo", "Beta"}));
    EXPECT_EQ(p.Rows, 3);
    // The printed height follows the rows that print, not the whole tree.
    EXPECT_EQ(p.Height, 3 * 18);
    EXPECT_EQ(p.Width, 150);
    EXPECT_EQ(PrintedTexts(alpha1, -1, true), (QStringList{"AlphaOne", "AlphaTwo", "AlphaTwoX", "Beta"}));
    EXPECT_EQ(PrintedTexts(nullptr, -1, false), (QStringList{"Alpha", "AlphaOne", "AlphaTwo", "Beta"}));
    EXPECT_EQ(PrintedTexts(nullptr, 2, false, &p), (QStringList{"Alpha", "AlphaOne"}));
    EXPECT_EQ(p.Rows, 2);
    EXPECT_EQ(p.Height, 2 * 18);
    // A start entity under a collapsed entity is only reached with PrintAll.
    EXPECT_EQ(PrintedTexts(alpha2x, -1, true), (QStringList{"AlphaTwoX", "Beta"}));
    EXPECT_TRUE(PrintedTexts(alpha2x, -1, false).isEmpty());
    // Printing reads the entities and changes none of them.
    EXPECT_TRUE(alpha->GetExpanded());
    EXPECT_FALSE(alpha2->GetExpanded());
}

TEST_F(PrintTreeTest, NoRowsAskedStillPrintsTheStartEntityVisibly)
{
    test::Surface s(300, 200);
    TDeviceContext dc(&s.painter);
    const Printed p = PrintOn(&dc, 10, 20, 1, 1, alpha2, 0, false);
    EXPECT_EQ(p.Rows, 1);
    EXPECT_EQ(p.Height, 18);
    // The start entity's text shows inside its row (a zero-height clip would hide it).
    const TRect ink = s.Ink();
    ASSERT_FALSE(ink.IsEmpty());
    EXPECT_GE(ink.Top, 20);
    EXPECT_LE(ink.Bottom, 20 + 18);
    EXPECT_GE(ink.Left, 10 + 19);
    // Origin and clip of the device context are given back.
    EXPECT_EQ(dc.GetViewportOrg(), Point(0, 0));
    TRect clip;
    EXPECT_FALSE(dc.GetClipRect(clip));
}

TEST_F(PrintTreeTest, ScaledIndentAndFont)
{
    TqvDataEntity_Tree* deep = Add(alpha1, "Deep");
    alpha1->SetExpanded(true);
    ASSERT_EQ(deep->GetLevel(), 2);
    ASSERT_EQ(tree->GetIndent(), 19);
    auto inkOf = [&](double sx, double sy) {
        test::Surface s(400, 300);
        TDeviceContext dc(&s.painter);
        PrintOn(&dc, 0, 0, sx, sy, deep, 0, false);
        return s.Ink();
    };
    const TRect one = inkOf(1, 1), scaled = inkOf(2, 3);
    // x = level 2 * indent 19 * 2 = 76; glyphs start at most a pixel or two after their origin.
    EXPECT_GE(scaled.Left, 76);
    EXPECT_LE(scaled.Left, 76 + 3);
    EXPECT_GE(one.Left, 38);
    EXPECT_LE(one.Left, 38 + 2);
    // The font is three times the size: the text is about three times as high.
    EXPECT_NEAR(static_cast<double>(scaled.Height()) / one.Height(), 3.0, 0.5);
}

TEST_F(PrintTreeTest, ImagesInsideTheListPrintAndOthersAreSkipped)
{
    TImageList images(16, 16);
    QImage red(16, 16, QImage::Format_ARGB32);
    red.fill(Qt::red);
    images.AddImage(red);
    tree->SetImages(&images);
    alpha->SetImageIndex(0);
    alpha1->SetImageIndex(99);
    alpha2->SetImageIndex(-5);
    test::Surface s(300, 200);
    TDeviceContext dc(&s.painter);
    const Printed p = PrintOn(&dc, 0, 0, 1, 1, nullptr, 3, false);
    EXPECT_EQ(p.Rows, 3);
    // Rows are image height + 2 = 18 high; the image shows only in the first row.
    EXPECT_EQ(p.Height, 3 * 18);
    EXPECT_EQ(s.At(8, 8), clRed);
    EXPECT_EQ(s.InkIn(TRect(0, 0, 300, 18)).Left, 0);
    EXPECT_EQ(s.CountOf(clRed), 16 * 16);
    // The text of an entity with an unknown image keeps the column after the images.
    EXPECT_GE(s.InkIn(TRect(0, 18, 300, 36)).Left, 19 + 16 + 3);
    tree->SetImages(nullptr);
}

TEST_F(PrintTreeTest, PagesOfRowsPrintEveryEntityOnceInOrder)
{
    for (int i = 0; i < 9; ++i)
        Add(beta, QStringLiteral("Child%1").arg(i).toLatin1().constData());
    beta->SetExpanded(true);
    // The order a full print gives.
    const QStringList all = PrintedTexts(nullptr, -1, true);
    ASSERT_EQ(all.size(), 14);
    std::vector<TqvDataEntity_Tree*> order{alpha, alpha1, alpha2, alpha2x, beta};
    for (int i = 0; i < beta->GetSubDataList()->Count(); ++i)
        order.push_back(beta->GetSubDataList()->GetTreeItem(i));

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("pages.pdf"));
    {
        QPdfWriter pdf(file);
        TDeviceContext dc(&pdf);
        for (size_t next = 0; next < order.size();) {
            if (next > 0) {
                ASSERT_TRUE(dc.NewPage());
            }
            const Printed p = PrintOn(&dc, 0, 0, 1, 1, order[next], 4, true);
            ASSERT_GT(p.Rows, 0);
            next += static_cast<size_t>(p.Rows);
        }
    }
    QString error;
    const std::vector<test::PdfPage> pages = test::ReadPdf(file, &error);
    ASSERT_EQ(pages.size(), 4u) << error.toStdString();
    QStringList joined;
    for (const test::PdfPage& page : pages) {
        EXPECT_LE(page.Words.size(), 4u);
        joined << page.Texts();
    }
    EXPECT_EQ(joined, all);
}

TEST_F(PrintTreeTest, BadArgumentsRaise)
{
    test::Surface s(10, 10);
    TDeviceContext dc(&s.painter);
    int rows = -1, w = 0, h = 0;
    EXPECT_THROW(TqvPrintTree::Print(nullptr, &dc, 0, 0, 0, 1, 1, 10, nullptr, rows, false, w, h), Exception);
    EXPECT_THROW(TqvPrintTree::Print(tree.get(), nullptr, 0, 0, 0, 1, 1, 10, nullptr, rows, false, w, h),
                 Exception);
    EXPECT_THROW(TqvPrintTree::Print(tree.get(), &dc, 0, 0, 0, 0, 1, 10, nullptr, rows, false, w, h),
                 Exception);
}

} // namespace
