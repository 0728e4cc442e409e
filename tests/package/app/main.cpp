// Shows a date scaler offscreen and checks that it drew its ticks.
#include <QApplication>
#include <QImage>

#include <cstdio>

#include "skedra/scaler/qvScaler.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    skedra::TqvDateScaler scaler;
    scaler.SetHorizontal(true);
    scaler.SetBounds(0, 0, 400, 40);
    scaler.SetStart(45000.0);
    scaler.SetStop(45007.0);
    scaler.show();
    const QImage image = scaler.grab().toImage();
    const QRgb background = image.pixel(image.width() - 1, image.height() / 2);
    int others = 0;
    for (int x = 0; x < image.width(); ++x)
        if (image.pixel(x, image.height() / 2) != background) ++others;
    const int pixel = scaler.DateToPixel((scaler.GetStart() + scaler.GetStop()) / 2);
    std::printf("%d tick pixels, middle at %d\n", others, pixel);
    return others > 0 && pixel > 150 && pixel < 250 ? 0 : 1;
}
