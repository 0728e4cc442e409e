#pragma once
// Bitmaps with their own canvas, used as off-screen surfaces. The pixels are a
// QImage (32-bit, opaque), so every raster operation of the canvas works on them.

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

    int GetWidth() const { return FImage.width(); }
    int GetHeight() const { return FImage.height(); }
    void SetWidth(int value) { SetSize(value, GetHeight()); }
    void SetHeight(int value) { SetSize(GetWidth(), value); }
    // Keeps the pixels that stay inside; new pixels are white. Negative sizes count as 0.
    void SetSize(int width, int height);
    bool Empty() const { return FImage.isNull(); }

    // The canvas drawing on the pixels; the same object for the bitmap's life,
    // it stays valid across SetSize.
    TCanvas* GetCanvas();
    TCanvas* Canvas() { return GetCanvas(); }

    // The pixels as they are now (drawing goes straight into them).
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
    QPainter FPainter;
    std::unique_ptr<TCanvas> FCanvas;
};

} // namespace skedra
