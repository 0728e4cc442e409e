#pragma once
// A grid on a shown form, with cell texts set from a table, painting to an
// image, and pixel helpers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QtTest/QTest>

#include <functional>

#include "skedra/grid/qvGrid_p.h"
#include "skedra/platform/Messages.h"

namespace skedra::test
{

inline TColor PixelAt(const QImage& img, int x, int y)
{
    return FromQColor(QColor::fromRgb(img.pixel(x, y)));
}
inline bool IsInk(TColor c)
{
    return (c & 0xFF) < 110 && ((c >> 8) & 0xFF) < 110 && ((c >> 16) & 0xFF) < 110;
}
// Dark pixels of the rectangle.
inline int InkIn(const QImage& img, const TRect& r)
{
    int n = 0;
    for (int y = std::max(r.Top, 0); y < std::min(r.Bottom, img.height()); ++y)
        for (int x = std::max(r.Left, 0); x < std::min(r.Right, img.width()); ++x)
            n += IsInk(PixelAt(img, x, y)) ? 1 : 0;
    return n;
}

struct GridFixture : ::testing::Test {
    QWidget form;
    TqvGrid* grid = nullptr;
    QStringList messages;
    TMessageSink previous;

    void SetUp() override
    {
        previous = SetMessageSink([this](const QString& t) { messages.push_back(t); });
        form.resize(700, 500);
        grid = new TqvGrid(&form);
        grid->SetBounds(0, 0, 504, 354);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    }
    void TearDown() override
    {
        QString why;
        EXPECT_TRUE(grid->CheckInvariants(&why)) << why.toStdString();
        SetMessageSink(previous);
        EXPECT_TRUE(messages.empty()) << (messages.empty() ? "" : messages.front().toStdString());
    }
    QImage Paint()
    {
        grid->Repaint();
        return grid->GetOffscreenBitmap()->Image().convertToFormat(QImage::Format_RGB32);
    }
    void FocusGrid()
    {
        form.activateWindow();
        grid->SetFocus();
        QApplication::processEvents();
    }
    TqvGrid_Column* AddColumn(const QString& header, TColumnKind kind = tckSimpleEdit, int width = 80)
    {
        TqvGrid_Column* c = grid->AddColumn();
        c->SetHeaderText(header);
        c->SetKind(kind);
        c->SetWidth(width);
        return c;
    }
    // Adds a row and sets the texts of its cells, from the first column on.
    TAxisContentItem* AddRow(const QStringList& texts)
    {
        TAxisContentItem* row = grid->AddRow();
        const int fixed = grid->GetRootCell()->GetFixedCols();
        for (int i = 0; i < texts.size(); ++i)
            grid->SetText(grid->GetCell(fixed + i, row->ListIndex()), texts[i]);
        return row;
    }
    QString Text(int col, int row) { return grid->GetText(grid->GetCell(col, row)); }
    // The texts of one column from the first non-fixed row down.
    QStringList Column(int col)
    {
        QStringList out;
        TMoxGridCellForViewer* root = grid->GetRootCell();
        for (int r = root->GetFixedRows(); r < grid->GetCellCountY(); ++r)
            out << Text(col, r);
        return out;
    }
};

} // namespace skedra::test
