#include "skedra/platform/Bitmap.h"

#include <cmath>

namespace skedra
{

// A bitmap's canvas begins its painter on the pixels when drawing needs it;
// an empty bitmap draws nothing.
class TBitmapCanvas : public TCanvas
{
public:
    explicit TBitmapCanvas(TBitmap* owner) : FOwner(owner) { DrawsNothingWithoutPainter = true; }

protected:
    void CreateHandle() override { FOwner->BeginPainting(); }

private:
    TBitmap* FOwner;
};

TBitmap::TBitmap() : FCanvas(std::make_unique<TBitmapCanvas>(this)) {}

TBitmap::TBitmap(int width, int height) : TBitmap()
{
    SetSize(width, height);
}

TBitmap::~TBitmap()
{
    EndPainting();
    FCanvas.reset();
}

void TBitmap::BeginPainting()
{
    if (FPainter.isActive() || FImage.isNull()) return;
    FPainter.begin(&FImage);
    FPainter.setRenderHint(QPainter::Antialiasing, false);
    FCanvas->SetPainter(&FPainter);
}

void TBitmap::EndPainting()
{
    if (FCanvas) FCanvas->SetPainter(nullptr);
    if (FPainter.isActive()) FPainter.end();
}

TCanvas* TBitmap::GetCanvas()
{
    BeginPainting();
    return FCanvas.get();
}

namespace
{

// Device pixels for a logical length: every logical pixel fully covered.
int DeviceLength(int logical, qreal ratio)
{
    return static_cast<int>(std::ceil(logical * ratio - 1e-9));
}

} // namespace

void TBitmap::SetSize(int width, int height)
{
    width = std::max(0, width);
    height = std::max(0, height);
    if (width == GetWidth() && height == GetHeight()) return;
    EndPainting();
    FWidth = width;
    FHeight = height;
    if (width == 0 || height == 0) {
        FImage = QImage();
    } else {
        QImage next(DeviceLength(width, FRatio), DeviceLength(height, FRatio), QImage::Format_RGB32);
        next.setDevicePixelRatio(FRatio);
        next.fill(Qt::white);
        if (!FImage.isNull()) {
            QPainter p(&next);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.drawImage(0, 0, FImage);
        }
        FImage = std::move(next);
    }
    OnChange(this);
}

void TBitmap::SetDevicePixelRatio(qreal value)
{
    if (!(value >= 1) || !std::isfinite(value)) value = 1;
    if (value == FRatio) return;
    EndPainting();
    FRatio = value;
    if (!FImage.isNull()) {
        // Stretching the old pixels would blur them; the owner redraws.
        FImage = QImage(DeviceLength(FWidth, FRatio), DeviceLength(FHeight, FRatio), QImage::Format_RGB32);
        FImage.setDevicePixelRatio(FRatio);
        FImage.fill(Qt::white);
    }
    OnChange(this);
}

void TBitmap::Assign(const TBitmap* source)
{
    if (source == nullptr) {
        SetSize(0, 0);
        return;
    }
    if (source == this) return;
    LoadFromImage(source->Image());
}

void TBitmap::LoadFromImage(const QImage& image)
{
    EndPainting();
    FImage = image.isNull() ? QImage() : image.convertToFormat(QImage::Format_RGB32);
    if (!FImage.isNull() && FImage.constBits() == image.constBits()) FImage.detach();
    FRatio = FImage.isNull() ? FRatio : std::max<qreal>(1, FImage.devicePixelRatio());
    FImage.setDevicePixelRatio(FRatio);
    const QSizeF logical = FImage.isNull() ? QSizeF(0, 0) : FImage.deviceIndependentSize();
    FWidth = static_cast<int>(std::floor(logical.width() + 1e-9));
    FHeight = static_cast<int>(std::floor(logical.height() + 1e-9));
    OnChange(this);
}

bool TBitmap::LoadFromFile(const QString& fileName)
{
    QImage image;
    if (!image.load(fileName)) return false;
    LoadFromImage(image);
    return true;
}

} // namespace skedra
