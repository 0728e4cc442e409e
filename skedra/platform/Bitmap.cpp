#include "skedra/platform/Bitmap.h"

namespace skedra
{

// A bitmap's canvas begins its painter on the pixels when drawing needs it;
// an empty bitmap draws nothing.
class TBitmapCanvas : public TCanvas
{
public:
    explicit TBitmapCanvas(TBitmap* owner) : owner_(owner) { DrawsNothingWithoutPainter = true; }

protected:
    void CreateHandle() override { owner_->BeginPainting(); }

private:
    TBitmap* owner_;
};

TBitmap::TBitmap() : canvas_(std::make_unique<TBitmapCanvas>(this)) {}

TBitmap::TBitmap(int width, int height) : TBitmap()
{
    SetSize(width, height);
}

TBitmap::~TBitmap()
{
    EndPainting();
    canvas_.reset();
}

void TBitmap::BeginPainting()
{
    if (painter_.isActive() || image_.isNull()) return;
    painter_.begin(&image_);
    painter_.setRenderHint(QPainter::Antialiasing, false);
    canvas_->SetPainter(&painter_);
}

void TBitmap::EndPainting()
{
    if (canvas_) canvas_->SetPainter(nullptr);
    if (painter_.isActive()) painter_.end();
}

TCanvas* TBitmap::GetCanvas()
{
    BeginPainting();
    return canvas_.get();
}

void TBitmap::SetSize(int width, int height)
{
    width = std::max(0, width);
    height = std::max(0, height);
    if (width == GetWidth() && height == GetHeight()) return;
    EndPainting();
    if (width == 0 || height == 0) {
        image_ = QImage();
    } else {
        QImage next(width, height, QImage::Format_RGB32);
        next.fill(Qt::white);
        if (!image_.isNull()) {
            QPainter p(&next);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.drawImage(0, 0, image_);
        }
        image_ = std::move(next);
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
    image_ = image.isNull() ? QImage() : image.convertToFormat(QImage::Format_RGB32);
    if (!image_.isNull() && image_.constBits() == image.constBits()) image_.detach();
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
