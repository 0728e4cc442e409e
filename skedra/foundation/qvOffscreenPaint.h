#pragma once
// The double-buffered panel every drawn control of the package builds on.
//
// Two images: the off-screen bitmap that OffscreenPaint draws into, and the
// window surface that holds what the window shows. A paint runs OffscreenPaint
// and copies the bitmap onto the surface (SmashPaint); Qt's paint event only
// copies the surface to the screen. GetDirectCanvas draws on the surface and
// asks Qt to show it, so an inverting outline drawn twice is gone, and the
// next real paint removes any outline.
//
// Both images have the device pixel ratio of the control's screen: drawing is
// in logical pixels, rendered at device resolution (sharp on high-DPI
// screens); mouse positions and hit tests stay logical.
//
// Print runs the same OffscreenPaint on a device context with an origin, a
// clip and a scale; descendants multiply their pixel measures by
// GetScalex/GetScaley and size their fonts with PrintResizeFont.

#include <memory>

#include "skedra/platform/Bitmap.h"
#include "skedra/platform/Controls.h"
#include "skedra/platform/DeviceContext.h"

namespace skedra
{

enum TScrollDirection { tsdUp, tsdDown, tsdLeft, tsdRight };

class TqvOffscreenPaint;

using TOnTab = TMethod<bool(bool perform)>;
using TWheelMessageEvent = TMethod<void(TWMMouseWheel& Msg)>;
using TOnPrintResizeFont = TMethod<void(TqvOffscreenPaint* caller, int& FontSize, bool& DefaultResize)>;
using TSetOfChar = TSet<unsigned char>;

class TqvOffscreenPaint : public TCustomPanel
{
public:
    explicit TqvOffscreenPaint(QWidget* aOwner = nullptr);
    ~TqvOffscreenPaint() override;

    // The drawing routine: descendants override it and draw on
    // GetOffscreenCanvas(). The base raises OnPaint.
    virtual void OffscreenPaint();
    // Makes the bitmap the window's picture, leaving out the reserved strips
    // and the corner between two strips in the button face. The window shows
    // the bitmap itself until something draws straight onto the window: only
    // then is the picture copied onto the window surface.
    virtual void SmashPaint();
    // Called while something is dragged near an edge; scrolling descendants override it.
    virtual void PossibleScroll(TScrollDirection aDirection);
    virtual void BeginUpdate();
    // Ends one bracket and invalidates (every time, also when still nested).
    virtual void EndUpdate();
    // Draws the control onto aDC with its top-left corner at device (x, y),
    // clipped to its (scaled) rectangle. With aScaleSize the control lays
    // itself out for the scaled size. Origin, clip, bounds and the printing
    // count are restored also when the drawing raises; the exception then
    // reaches the caller.
    virtual void Print(TDeviceContext* aDC, int x, int y, double aScaleX, double aScaleY, bool aScaleSize);

    // Only the first invalidation between two paints reaches the window.
    void Invalidate() override;
    // Asks for a paint of aRect only: the next paint draws clipped to the
    // union of such rectangles and keeps the rest of the picture. A whole
    // invalidation (or a resize) before the paint makes it a whole paint.
    void InvalidateRect(const TRect& aRect);
    // The part the paint running now redraws: the client rectangle for a
    // whole paint. Drawing may skip what lies outside it.
    TRect GetPaintRect() const;
    // Whether the paint running now redraws a part only.
    bool GetPartialPaintRunning() const { return FPaintClipped; }
    // Paints now, unless inside an update bracket.
    void Repaint() override;
    // Paints now what the invalidations since the last paint asked for (a
    // partial paint for partial ones); false when nothing was owed or a
    // bracket or a running paint holds it back.
    bool PaintOwed();

    // Sizes the bitmap to the control and fills it with Color; the bitmap's
    // canvas gets the control's font.
    void UpdateOffscreenCanvas();
    // The printing canvas while printing, else the bitmap's canvas.
    TCanvas* GetOffscreenCanvas();
    // The window surface's canvas, for outlines drawn straight onto the window.
    TCanvas* GetDirectCanvas();
    bool GetAssignedPrintingCanvas() const { return FPrintingCanvas != nullptr; }

    bool GetIsPrinting() const { return FPrintingCount > 0; }
    void BeginPrint();
    // The last EndPrint rebuilds the bitmap and asks for a paint.
    void EndPrint();

    double GetPrintScalex() const { return FPrintScaleX == 0 ? 1.0 : FPrintScaleX; }
    double GetPrintScaley() const { return FPrintScaleY == 0 ? 1.0 : FPrintScaleY; }
    void InternalSetPrintScalex(double aValue) { FPrintScaleX = aValue; }
    void InternalSetPrintScaley(double aValue) { FPrintScaleY = aValue; }
    // The print scale while printing, else 1.
    double GetScalex() const { return GetIsPrinting() ? GetPrintScalex() : 1.0; }
    double GetScaley() const { return GetIsPrinting() ? GetPrintScaley() : 1.0; }
    // Device x and y of the control's top-left corner during Print.
    TPoint GetPrintOrigin() const { return FPrintOrigin; }

    // 13 / the height of "X" in an 8-point font on aCanvas (1 when that is 0);
    // leaves the canvas font at 8 points.
    static double GetFontScale(TCanvas* aCanvas);
    void CalculateFontScale();
    double GetFontScaleValue() const { return FFontScale; }
    // While printing: resizes the offscreen canvas' font for the print, by
    // OnPrintResizeFont or by print scale y x size x font scale.
    void PrintResizeFont();

    // Changes the size drawing reads (GetWidth, GetHeight, GetClientRect)
    // without resizing the widget or raising resize notifications. Print uses
    // it and restores the real size; a real resize also ends it.
    void SetSizeDontTell(const TRect& aRect);
    int GetWidth() const;
    int GetHeight() const;
    TRect GetClientRect() const override;
    int GetClientWidth() const { return GetClientRect().Width(); }
    int GetClientHeight() const { return GetClientRect().Height(); }

    int GetReservedRightStrip() const { return FReservedRight; }
    void SetReservedRightStrip(int aValue) { FReservedRight = std::max(0, aValue); }
    int GetReservedBottomStrip() const { return FReservedBottom; }
    void SetReservedBottomStrip(int aValue) { FReservedBottom = std::max(0, aValue); }

    int GetUpdateCount() const { return FUpdateCount; }
    int GetInvalidateCount() const { return FInvalidateCount; }
    // How many invalidations reached Qt, and how many paints ran, since creation.
    int GetWindowInvalidateCount() const { return FWindowInvalidates; }
    int GetPaintCount() const { return FPaints; }

    // The embedding container's Tab handling.
    void SetActiveXOwner(TObject* anInterface, TWinControl* aControl, TOnTab aOnTab);

    // The images (for tests and for descendants that copy parts of them);
    // their Image() is in device pixels. The window surface is the picture the
    // window shows, made from the bitmap when it was not made yet.
    const TBitmap* GetOffscreenBitmap() const { return &FBitmap; }
    const TBitmap* GetWindowSurface() const;

    // Drag-over near an edge calls PossibleScroll; the toolkit's handling follows.
    void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) override;

    TSetOfChar WantedKeys;
    TOnTab OnTab;
    TWheelMessageEvent OnWheelMessage;
    TNotifyEvent OnPaint;
    TOnPrintResizeFont OnPrintResizeFont;

protected:
    // Screen paint: resets the invalidate count; unless printing, draws into
    // the bitmap and copies it onto the window surface.
    void Paint() override;
    // Paints if something asked for it (or the size changed), then shows the surface.
    void PaintWindow(QPainter* aPainter) override;
    // Whether OffscreenPaint sets every pixel of the client area on screen: a
    // screen paint then does not fill the bitmap with Color first.
    virtual bool PaintCoversClient() const { return false; }
    // Turns a partial paint that is running into a whole one (its drawing
    // found that more changed than was invalidated): no clip, and the bitmap
    // filled as a whole paint fills it.
    void WidenPaintToClient();
    bool EraseBackground() const override { return false; }
    bool WantSpecialKey(Word aKey) override;
    void WMSetFocus() override;
    void WMKillFocus() override;
    void FocusChanged(TWinControl* aFocused) override;
    void WMMouseWheel(TWMMouseWheel& Msg) override;
    void BoundsChanged(bool aSizeChanged) override;
    bool event(QEvent* e) override;

private:
    // The surface sized to the control (its pixels kept where they stay inside)
    // at the screen's pixel ratio; false when the ratio changed (pixels lost).
    bool SizeSurface();
    // Device pixels per logical pixel of the screen the control is on.
    qreal ScreenRatio() const;
    // UpdateOffscreenCanvas, filling the bitmap only when aFill is set.
    void PrepareBitmap(bool aFill);
    // Copies the last painted picture onto the surface when the window still shows the bitmap.
    void MakeSurface();

    TBitmap FBitmap;
    TBitmap FSurface;
    // The window shows the bitmap; the surface's pixels are older (see SmashPaint).
    bool FShowsBitmap = false;
    std::unique_ptr<TCanvas> FPrintingCanvas;
    int FUpdateCount = 0;
    int FInvalidateCount = 0;
    int FPrintingCount = 0;
    TPoint FPrintOrigin;
    double FPrintScaleX = 0;
    double FPrintScaleY = 0;
    double FFontScale = 1;
    int FReservedRight = 0;
    int FReservedBottom = 0;
    bool FHasLogicalSize = false;
    int FLogicalWidth = 0;
    int FLogicalHeight = 0;
    bool FNeedsPaint = true;
    // The union of partial invalidations since the last paint (empty: none).
    TRect FPartial;
    // The rectangle the running paint redraws (empty outside a paint).
    TRect FPaintRect;
    bool FPaintClipped = false;
    bool FInPaintWindow = false;
    int FWindowInvalidates = 0;
    int FPaints = 0;
    TObject* FActiveXInterface = nullptr;
    TWinControl* FActiveXControl = nullptr;
};

} // namespace skedra
