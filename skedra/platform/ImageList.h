#pragma once
// Image lists: images of one size, drawn by number; each image keeps its
// transparency (from a mask or a mask colour).

#include <QImage>
#include <vector>

#include "skedra/platform/Bitmap.h"
#include "skedra/platform/Canvas.h"

namespace skedra
{

class TCustomImageList : public TObject
{
public:
    explicit TCustomImageList(int aWidth = 16, int aHeight = 16);

    int GetWidth() const { return FWidth; }
    int GetHeight() const { return FHeight; }
    // Changing the size removes every image.
    void SetWidth(int value) { SetSize(value, FHeight); }
    void SetHeight(int value) { SetSize(FWidth, value); }
    void SetSize(int aWidth, int aHeight);

    int Count() const { return static_cast<int>(FImages.size()); }
    int GetCount() const { return Count(); }

    // Adds the image (a strip wider than the list's width adds one image per
    // width); mask pixels that are white are transparent. Answers the index of
    // the first image added, or -1 for none.
    int Add(const TBitmap* image, const TBitmap* mask = nullptr);
    // Pixels of maskColor are transparent.
    int AddMasked(const TBitmap* image, TColor maskColor);
    // Adds an image with its own alpha channel, scaled to the list's size if needed.
    int AddImage(const QImage& image);
    void Replace(int index, const QImage& image);
    void Delete(int index);
    void Clear();

    // Draws image `index` with its top-left at (x, y); out-of-range indexes draw nothing.
    // A disabled image is drawn greyed.
    void Draw(TCanvas* canvas, int x, int y, int index, bool enabled = true) const;
    // Copies image `index` into the bitmap on the list's background colour
    // (white by default); false for an out-of-range index.
    bool GetBitmap(int index, TBitmap* image) const;
    // The image with its transparency; a null image for an out-of-range index.
    QImage GetImage(int index) const;

    TColor BkColor = clWhite;
    TNotifyEvent OnChange;

private:
    void Changed() { OnChange(this); }
    int FWidth;
    int FHeight;
    std::vector<QImage> FImages;
};

class TImageList : public TCustomImageList
{
public:
    using TCustomImageList::TCustomImageList;
};

} // namespace skedra
