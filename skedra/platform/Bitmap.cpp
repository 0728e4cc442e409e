#include "skedra/platform/Bitmap.h"

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

void TBitmap::SetSize(int width, int height)
{
    width = std::max(0, width);
    height = std::max(0, height);
    if (width == GetWidth() && height == GetHeight()) return;
    EndPainting();
    if (width == 0 || height == 0) {
        FImage = QImage();
    } else {
        QImage next(width, height, QImage::Format_RGB32);
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
