#pragma once
// Bitmaps with their own canvas, used as off-screen surfaces. The pixels are a
// QImage (32-bit, opaque), so every raster operation of the canvas works on them.
//
// Sizes and drawing are in logical pixels. A bitmap with a device pixel ratio
// above 1 (a high-DPI screen) holds ratio x size device pixels, and its canvas
// draws at device resolution: a one-pixel line covers ratio device pixels,
// text is rendered with the finer pixels.

#include <QImage>
#include <QPainter>
#include <memory>

#include "skedra/platform/Canvas.h"

namespace skedra
{

class TBitmap : public TObject
{
public:
    TBitmap();
    TBitmap(int width, int height);
    ~TBitmap() override;

    // Logical size.
    int GetWidth() const { return FWidth; }
    int GetHeight() const { return FHeight; }
    void SetWidth(int value) { SetSize(value, GetHeight()); }
    void SetHeight(int value) { SetSize(GetWidth(), value); }
    // Keeps the pixels that stay inside; new pixels are white. Negative sizes count as 0.
    void SetSize(int width, int height);
    bool Empty() const { return FImage.isNull(); }
    // Device pixels per logical pixel (1 by default). Changing it reallocates
    // the pixels at the new resolution, white; values below 1 count as 1.
    qreal GetDevicePixelRatio() const { return FRatio; }
    void SetDevicePixelRatio(qreal value);

    // The canvas drawing on the pixels; the same object for the bitmap's life,
    // it stays valid across SetSize.
    TCanvas* GetCanvas();
    TCanvas* Canvas() { return GetCanvas(); }

    // The pixels as they are now, in device pixels, carrying the ratio
    // (drawing goes straight into them).
    const QImage& Image() const { return FImage; }
    // A detached copy of the pixels.
    QImage ToImage() const { return FImage.copy(); }
    void Assign(const TBitmap* source);
    void LoadFromImage(const QImage& image);
    bool SaveToFile(const QString& fileName) const { return FImage.save(fileName); }
    bool LoadFromFile(const QString& fileName);

    TNotifyEvent OnChange;

private:
    friend class TBitmapCanvas;
    void BeginPainting();
    void EndPainting();

    QImage FImage;
    int FWidth = 0;
    int FHeight = 0;
    qreal FRatio = 1;
    QPainter FPainter;
    std::unique_ptr<TCanvas> FCanvas;
};

} // namespace skedra
