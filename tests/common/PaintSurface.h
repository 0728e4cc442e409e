#pragma once
// A white image with a canvas painting on it (DejaVu Sans 8, black text), and
// pixel queries, for drawing tests.
#include <QImage>
#include <QPainter>

#include "skedra/platform/Canvas.h"
#include "skedra/platform/Color.h"
#include "skedra/platform/Geometry.h"

namespace skedra::test
{

struct Surface {
    QImage image;
    QPainter painter;
    TCanvas canvas;
    Surface(int w, int h) : image(w, h, QImage::Format_RGB32), canvas(nullptr)
    {
        image.fill(Qt::white);
        painter.begin(&image);
        canvas.SetPainter(&painter);
        canvas.Font.SetName(QStringLiteral("DejaVu Sans"));
        canvas.Font.SetSize(8);
        canvas.Font.SetColor(clBlack);
    }
    ~Surface()
    {
        canvas.SetPainter(nullptr);
        painter.end();
    }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;
    TColor At(int x, int y) const { return FromQColor(image.pixelColor(x, y)); }
    // The smallest rectangle holding every pixel that is not white (right and
    // bottom exclusive); empty when the surface is all white.
    TRect Ink() const { return InkIn(TRect(0, 0, image.width(), image.height())); }
    TRect InkIn(const TRect& area) const
    {
        TRect r(area.Right, area.Bottom, area.Left, area.Top);
        for (int y = area.Top; y < area.Bottom; ++y)
            for (int x = area.Left; x < area.Right; ++x)
                if (image.pixel(x, y) != qRgb(255, 255, 255)) {
                    r.Left = std::min(r.Left, x);
                    r.Top = std::min(r.Top, y);
                    r.Right = std::max(r.Right, x + 1);
                    r.Bottom = std::max(r.Bottom, y + 1);
                }
        return r.IsEmpty() ? TRect() : r;
    }
    int CountOf(TColor c) const
    {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (At(x, y) == c) ++n;
        return n;
    }
};

} // namespace skedra::test
