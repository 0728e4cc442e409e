#pragma once
// A device context: a QPainter on any QPaintDevice (a QImage in tests, a
// QPdfWriter or QPrinter when printing) with a viewport origin and a clip
// rectangle in device pixels. A canvas bound to Painter() draws in logical
// coordinates, which the origin moves; the clip stays where it was put in
// device pixels when the origin moves, as on the platform.

#include <QPainter>
#include <QRegion>
#include <memory>

#include "skedra/platform/Canvas.h"

class QPaintDevice;

namespace skedra
{

class TBitmap;

// A saved clip: none, or a region in device pixels.
struct TClipState {
    bool Clipped = false;
    QRegion Region;
};

class TDeviceContext : public TObject
{
public:
    // Begins (and owns) a painter on the device; raises when the device cannot be painted on.
    explicit TDeviceContext(QPaintDevice* aDevice);
    // Works on a painter someone else began and ends.
    explicit TDeviceContext(QPainter* aPainter);
    ~TDeviceContext() override;

    QPainter* Painter() const { return FPainter; }
    QPaintDevice* Device() const { return FPainter != nullptr ? FPainter->device() : nullptr; }

    // Viewport origin in device pixels: the device point where logical (0, 0) lands.
    TPoint GetViewportOrg() const;
    // Both answer the previous origin.
    TPoint SetViewportOrg(int x, int y);
    TPoint OffsetViewportOrg(int dx, int dy);

    // Clip rectangle in device pixels.
    void SelectClipRect(const TRect& r);
    void IntersectClipRect(const TRect& r);
    void SelectNoClip();
    // The bounding rectangle of the clip in device pixels; false (and the
    // device's rectangle) when there is no clip.
    bool GetClipRect(TRect& r) const;
    TClipState SaveClip() const;
    void RestoreClip(const TClipState& aState);

    // Device size and resolution.
    int GetDeviceWidth() const;
    int GetDeviceHeight() const;
    int GetLogPixelsX() const;
    int GetLogPixelsY() const;

    // Starts a new page on a paged device (PDF writer, printer); false on others.
    bool NewPage();
    // Ends the owned painter (a PDF is written then); the context draws nothing afterwards.
    void End();

private:
    std::unique_ptr<QPainter> FOwned;
    QPainter* FPainter = nullptr;
};

// Prints a bitmap's pixels stretched to the target rectangle (logical
// coordinates of the context, so the viewport origin applies).
void StretchDIBits(TDeviceContext* aDC, const TRect& aTarget, const TBitmap* aBitmap);
// The same onto any canvas.
void StretchDIBits(TCanvas* aCanvas, const TRect& aTarget, const TBitmap* aBitmap);

} // namespace skedra
