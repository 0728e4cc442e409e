#include "skedra/platform/ImageList.h"

#include <QPainter>

namespace skedra
{

TCustomImageList::TCustomImageList(int aWidth, int aHeight)
    : FWidth(std::max(1, aWidth)), FHeight(std::max(1, aHeight))
{
}

void TCustomImageList::SetSize(int aWidth, int aHeight)
{
    aWidth = std::max(1, aWidth);
    aHeight = std::max(1, aHeight);
    if (aWidth == FWidth && aHeight == FHeight) return;
    FWidth = aWidth;
    FHeight = aHeight;
    FImages.clear();
    Changed();
}

namespace
{

// Cuts a strip into images of the list's width (the last partial one padded).
std::vector<QImage> Cut(const QImage& strip, int w, int h)
{
    std::vector<QImage> out;
    if (strip.isNull()) return out;
    const int n = std::max(1, (strip.width() + w - 1) / w);
    for (int i = 0; i < n; ++i) {
        QImage part(w, h, QImage::Format_ARGB32_Premultiplied);
        part.fill(Qt::transparent);
        QPainter p(&part);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(QPoint(0, 0), strip, QRect(i * w, 0, w, h));
        p.end();
        out.push_back(std::move(part));
    }
    return out;
}

} // namespace

int TCustomImageList::Add(const TBitmap* image, const TBitmap* mask)
{
    if (image == nullptr || image->Empty()) return -1;
    QImage img = image->Image().convertToFormat(QImage::Format_ARGB32);
    if (mask != nullptr && !mask->Empty()) {
        const QImage& m = mask->Image();
        for (int y = 0; y < img.height() && y < m.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < img.width() && x < m.width(); ++x)
                if (qGray(m.pixel(x, y)) > 127) line[x] = qRgba(0, 0, 0, 0);
        }
    }
    const int first = Count();
    for (QImage& part : Cut(img, FWidth, FHeight))
        FImages.push_back(std::move(part));
    Changed();
    return first;
}

int TCustomImageList::AddMasked(const TBitmap* image, TColor maskColor)
{
    if (image == nullptr || image->Empty()) return -1;
    QImage img = image->Image().convertToFormat(QImage::Format_ARGB32);
    const QRgb key = ToQColor(maskColor).rgb() & 0xFFFFFF;
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if ((line[x] & 0xFFFFFF) == key) line[x] = qRgba(0, 0, 0, 0);
    }
    const int first = Count();
    for (QImage& part : Cut(img, FWidth, FHeight))
        FImages.push_back(std::move(part));
    Changed();
    return first;
}

int TCustomImageList::AddImage(const QImage& image)
{
    if (image.isNull()) return -1;
    QImage img = image.size() == QSize(FWidth, FHeight)
                     ? image
                     : image.scaled(FWidth, FHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    FImages.push_back(img.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    Changed();
    return Count() - 1;
}

void TCustomImageList::Replace(int index, const QImage& image)
{
    if (index < 0 || index >= Count() || image.isNull()) return;
    FImages[static_cast<size_t>(index)] =
        image.scaled(FWidth, FHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    Changed();
}

void TCustomImageList::Delete(int index)
{
    if (index < 0 || index >= Count()) return;
    FImages.erase(FImages.begin() + index);
    Changed();
}

void TCustomImageList::Clear()
{
    if (FImages.empty()) return;
    FImages.clear();
    Changed();
}

QImage TCustomImageList::GetImage(int index) const
{
    if (index < 0 || index >= Count()) return QImage();
    return FImages[static_cast<size_t>(index)];
}

void TCustomImageList::Draw(TCanvas* canvas, int x, int y, int index, bool enabled) const
{
    if (canvas == nullptr || index < 0 || index >= Count()) return;
    QPainter* p = canvas->Handle();
    if (p == nullptr) return;
    QImage img = FImages[static_cast<size_t>(index)];
    if (!enabled) {
        // Greyed: the luminance, lightened, with the image's own transparency.
        QImage grey = img.convertToFormat(QImage::Format_ARGB32);
        for (int yy = 0; yy < grey.height(); ++yy) {
            auto* line = reinterpret_cast<QRgb*>(grey.scanLine(yy));
            for (int xx = 0; xx < grey.width(); ++xx) {
                const int g = 128 + qGray(line[xx]) / 2;
                line[xx] = qRgba(g, g, g, qAlpha(line[xx]));
            }
        }
        img = grey;
    }
    const QPainter::CompositionMode saved = p->compositionMode();
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->drawImage(QPoint(x, y), img);
    p->setCompositionMode(saved);
}

bool TCustomImageList::GetBitmap(int index, TBitmap* image) const
{
    if (image == nullptr || index < 0 || index >= Count()) return false;
    image->SetSize(FWidth, FHeight);
    TCanvas* c = image->GetCanvas();
    c->Brush.SetColor(BkColor);
    c->Brush.SetStyle(bsSolid);
    c->FillRect(Rect(0, 0, FWidth, FHeight));
    Draw(c, 0, 0, index);
    return true;
}

} // namespace skedra
