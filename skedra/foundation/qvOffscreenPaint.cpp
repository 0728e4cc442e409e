#include "skedra/foundation/qvOffscreenPaint.h"

#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QKeyEvent>
#include <QPainter>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

#include "skedra/platform/Messages.h"

namespace skedra
{

namespace
{

// Half to even, with the range checked before the conversion.
int RoundToInt(double v)
{
    const double r = std::nearbyint(v);
    if (!(r >= std::numeric_limits<int>::min() && r <= std::numeric_limits<int>::max()))
        throw Exception(QStringLiteral("Value out of range: %1").arg(v));
    return static_cast<int>(r);
}

} // namespace

TqvOffscreenPaint::TqvOffscreenPaint(QWidget* aOwner) : TCustomPanel(aOwner)
{
    TControlStyle style = GetControlStyle();
    style += csOpaque;
    SetControlStyle(style);
    setAttribute(Qt::WA_OpaquePaintEvent);
    SetFullRepaint(true);
    SetCaption(QString());
}

TqvOffscreenPaint::~TqvOffscreenPaint()
{
    FActiveXInterface = nullptr;
    FActiveXControl = nullptr;
}

// ---------------------------------------------------------------------------
// Painting

void TqvOffscreenPaint::Invalidate()
{
    ++FInvalidateCount;
    if (FInvalidateCount == 1) {
        FNeedsPaint = true;
        ++FWindowInvalidates;
        TCustomPanel::Invalidate();
    }
}

void TqvOffscreenPaint::InvalidateRect(const TRect& aRect)
{
    const TRect client = GetClientRect();
    TRect r;
    if (!IntersectRect(r, aRect, TRect(0, 0, client.Width(), client.Height()))) return;
    // A whole paint is owed already: it covers the rectangle.
    if (FNeedsPaint && FInvalidateCount > 0) return;
    if (FPartial.IsEmpty() && !FNeedsPaint) ++FWindowInvalidates;
    FPartial = UnionRect(FPartial, r);
    // While the window shows pixels drawn straight onto it (outlines), all of
    // it is brought back to the bitmap; otherwise only the rectangle.
    if (FShowsBitmap)
        update(r.ToQRect());
    else
        update();
}

TRect TqvOffscreenPaint::GetPaintRect() const
{
    if (!FPaintRect.IsEmpty()) return FPaintRect;
    const TRect client = GetClientRect();
    return TRect(0, 0, client.Width(), client.Height());
}

void TqvOffscreenPaint::WidenPaintToClient()
{
    const TRect client = GetClientRect();
    const TRect whole(0, 0, client.Width(), client.Height());
    if (FPaintRect.IsEmpty() || FPaintRect == whole) return;
    FPaintRect = whole;
    TCanvas* c = FBitmap.GetCanvas();
    if (FPaintClipped) c->Handle()->setClipping(false);
    FPaintClipped = false;
    if (PaintCoversClient()) return;
    const TColor color = c->Brush.GetColor();
    const TBrushStyle style = c->Brush.GetStyle();
    c->Brush.SetColor(GetColor());
    c->Brush.SetStyle(bsSolid);
    c->FillRect(whole);
    c->Brush.SetColor(color);
    c->Brush.SetStyle(style);
}

void TqvOffscreenPaint::Repaint()
{
    if (FUpdateCount > 0) return;
    if (FInPaintWindow) {
        // Qt cannot paint recursively; the drawing asked for another paint.
        Invalidate();
        return;
    }
    FNeedsPaint = true;
    TCustomPanel::Repaint();
}

bool TqvOffscreenPaint::PaintOwed()
{
    if (FUpdateCount > 0 || FInPaintWindow || (!FNeedsPaint && FPartial.IsEmpty())) return false;
    TCustomPanel::Repaint();
    return true;
}

void TqvOffscreenPaint::BeginUpdate()
{
    ++FUpdateCount;
}

void TqvOffscreenPaint::EndUpdate()
{
    // An unmatched EndUpdate must not leave the count below 0, where the next
    // bracket would no longer suppress repaints.
    if (FUpdateCount > 0) --FUpdateCount;
    Invalidate();
}

qreal TqvOffscreenPaint::ScreenRatio() const
{
    return devicePixelRatio();
}

void TqvOffscreenPaint::UpdateOffscreenCanvas()
{
    PrepareBitmap(true);
}

void TqvOffscreenPaint::PrepareBitmap(bool aFill)
{
    const TRect client = GetClientRect();
    // Device pixels of the screen, so that nothing is upscaled (blurred) on the way to it.
    FBitmap.SetDevicePixelRatio(ScreenRatio());
    FBitmap.SetSize(client.Width(), client.Height());
    TCanvas* c = FBitmap.GetCanvas();
    c->Font.Assign(*GetFont());
    c->Brush.SetColor(GetColor());
    c->Brush.SetStyle(bsSolid);
    if (aFill) c->FillRect(GetPaintRect());
}

TCanvas* TqvOffscreenPaint::GetOffscreenCanvas()
{
    if (GetIsPrinting() && FPrintingCanvas) return FPrintingCanvas.get();
    return FBitmap.GetCanvas();
}

bool TqvOffscreenPaint::SizeSurface()
{
    const TRect client = GetClientRect();
    const bool sameRatio = FSurface.GetDevicePixelRatio() == ScreenRatio();
    FSurface.SetDevicePixelRatio(ScreenRatio());
    FSurface.SetSize(client.Width(), client.Height());
    return sameRatio;
}

TCanvas* TqvOffscreenPaint::GetDirectCanvas()
{
    if (!FInPaintWindow) {
        // A surface remade for another screen has lost its picture: owe a paint.
        if (!GetIsPrinting() && !SizeSurface()) FNeedsPaint = true;
        // Show what is drawn next; a copy of the surface, not a new paint.
        update();
    }
    MakeSurface();
    return FSurface.GetCanvas();
}

void TqvOffscreenPaint::Paint()
{
    // Reset on every paint, also while printing: otherwise no later
    // invalidation would reach the window again.
    FInvalidateCount = 0;
    if (GetIsPrinting()) return;
    const TRect client = GetClientRect();
    // Partial only when the bitmap still holds the last picture at this size.
    TRect part;
    IntersectRect(part, std::exchange(FPartial, TRect()), TRect(0, 0, client.Width(), client.Height()));
    const bool whole = FNeedsPaint || part.IsEmpty() || FBitmap.GetWidth() != client.Width() ||
                       FBitmap.GetHeight() != client.Height() ||
                       FBitmap.GetDevicePixelRatio() != ScreenRatio();
    FNeedsPaint = false;
    ++FPaints;
    FPaintRect = whole ? TRect(0, 0, client.Width(), client.Height()) : part;
    const auto done = qScopeGuard([this] {
        // The bitmap's painter lives on: the next paint must not inherit the clip.
        if (FPaintClipped) FBitmap.GetCanvas()->Handle()->setClipping(false);
        FPaintClipped = false;
        FPaintRect = TRect();
    });
    FPaintClipped = !whole;
    if (!whole) FBitmap.GetCanvas()->IntersectClipRect(part);
    // A paint that sets every pixel itself spares filling the bitmap first.
    PrepareBitmap(!PaintCoversClient());
    OffscreenPaint();
    SmashPaint();
}

void TqvOffscreenPaint::OffscreenPaint()
{
    OnPaint(this);
}

void TqvOffscreenPaint::SmashPaint()
{
    SizeSurface();
    // Most paints are followed by nothing drawn straight onto the window: the
    // window then shows the bitmap, sparing a copy of the whole picture. The
    // reserved strips keep the surface's older pixels, so they need the copy.
    FShowsBitmap = true;
    if (FReservedRight > 0 || FReservedBottom > 0) MakeSurface();
}

void TqvOffscreenPaint::MakeSurface()
{
    if (!FShowsBitmap) return;
    FShowsBitmap = false;
    SizeSurface();
    TCanvas* window = FSurface.GetCanvas();
    const int w = FBitmap.GetWidth();
    const int h = FBitmap.GetHeight();
    const TRect r(0, 0, w - FReservedRight, h - FReservedBottom);
    window->CopyMode = cmSrcCopy;
    window->CopyRect(r, FBitmap.GetCanvas(), r);
    if (FReservedRight > 0 && FReservedBottom > 0) {
        const TColor saved = window->Brush.GetColor();
        const TBrushStyle savedStyle = window->Brush.GetStyle();
        window->Brush.SetColor(clBtnFace);
        window->FillRect(Rect(w - FReservedRight, h - FReservedBottom, w, h));
        window->Brush.SetColor(saved);
        window->Brush.SetStyle(savedStyle);
    }
}

const TBitmap* TqvOffscreenPaint::GetWindowSurface() const
{
    // The surface is a cache of the window's picture: making it changes nothing seen.
    const_cast<TqvOffscreenPaint*>(this)->MakeSurface();
    return &FSurface;
}

void TqvOffscreenPaint::PaintWindow(QPainter* aPainter)
{
    const QScopedValueRollback inPaint(FInPaintWindow, true);
    const TRect client = GetClientRect();
    if (!GetIsPrinting() &&
        (FSurface.GetWidth() != client.Width() || FSurface.GetHeight() != client.Height() ||
         FSurface.GetDevicePixelRatio() != ScreenRatio()))
        FNeedsPaint = true;
    if (FNeedsPaint || !FPartial.IsEmpty()) {
        // The toolkit's canvas of the control is bound for the duration of Paint.
        TCustomPanel::PaintWindow(aPainter);
    }
    const TBitmap& picture = FShowsBitmap ? FBitmap : FSurface;
    if (picture.Empty()) return;
    const QPainter::CompositionMode saved = aPainter->compositionMode();
    aPainter->setCompositionMode(QPainter::CompositionMode_Source);
    aPainter->drawImage(QPoint(0, 0), picture.Image());
    aPainter->setCompositionMode(saved);
}

// ---------------------------------------------------------------------------
// Printing

void TqvOffscreenPaint::BeginPrint()
{
    ++FPrintingCount;
}

void TqvOffscreenPaint::EndPrint()
{
    if (FPrintingCount == 0) return;
    --FPrintingCount;
    if (FPrintingCount == 0) {
        // The bitmap is wiped below: the window keeps the last picture meanwhile.
        MakeSurface();
        UpdateOffscreenCanvas();
        // Paints skipped while printing are owed; make sure one reaches the window.
        FInvalidateCount = 0;
        Invalidate();
    }
}

double TqvOffscreenPaint::GetFontScale(TCanvas* aCanvas)
{
    if (aCanvas == nullptr) return 1.0;
    aCanvas->Font.SetSize(8);
    const int h = aCanvas->TextHeight(QStringLiteral("X"));
    return h == 0 ? 1.0 : 13.0 / h;
}

void TqvOffscreenPaint::CalculateFontScale()
{
    FFontScale = GetFontScale(GetOffscreenCanvas());
}

void TqvOffscreenPaint::PrintResizeFont()
{
    if (!GetIsPrinting()) return;
    TCanvas* c = GetOffscreenCanvas();
    int size = c->Font.GetSize();
    bool defaultResize = true;
    OnPrintResizeFont(this, size, defaultResize);
    if (!defaultResize) {
        c->Font.SetSize(size);
        return;
    }
    c->Font.SetSize(RoundToInt(GetPrintScaley() * size * FFontScale));
}

void TqvOffscreenPaint::Print(TDeviceContext* aDC, int x, int y, double aScaleX, double aScaleY,
                              bool aScaleSize)
{
    if (aDC == nullptr || aDC->Painter() == nullptr)
        throw Exception(QStringLiteral("No device context to print on"));
    if (!(aScaleX > 0) || !(aScaleY > 0) || !std::isfinite(aScaleX) || !std::isfinite(aScaleY))
        throw Exception(QStringLiteral("Invalid print scale"));

    const int w = GetWidth();
    const int h = GetHeight();
    const bool hadLogicalSize = FHasLogicalSize;
    const int left = GetLeft();
    const int top = GetTop();
    const int printW = aScaleSize ? RoundToInt(aScaleX * w) : w;
    const int printH = aScaleSize ? RoundToInt(aScaleY * h) : h;

    const TPoint savedPrintOrigin = FPrintOrigin;
    FPrintOrigin = TPoint(x, y);
    InternalSetPrintScalex(aScaleX);
    InternalSetPrintScaley(aScaleY);
    const int clipW = aScaleSize ? printW : w;
    const int clipH = aScaleSize ? printH : h;

    std::unique_ptr<TCanvas> previousCanvas;
    bool printing = false;
    std::optional<TPoint> origin;
    std::optional<TClipState> clip;
    // Everything below is undone in reverse order, also on an exception.
    const auto restore = qScopeGuard([&] {
        if (clip) aDC->RestoreClip(*clip);
        // A nested print gives the outer one its origin back; the last origin stays stored.
        if (previousCanvas) FPrintOrigin = savedPrintOrigin;
        FPrintingCanvas = std::move(previousCanvas);
        if (origin) aDC->SetViewportOrg(origin->X, origin->Y);
        if (hadLogicalSize) {
            FLogicalWidth = w;
            FLogicalHeight = h;
        } else {
            FHasLogicalSize = false;
        }
        if (printing) EndPrint();
    });

    SetSizeDontTell(TRect(left, top, left + printW, top + printH));
    previousCanvas = std::move(FPrintingCanvas);
    FPrintingCanvas = std::make_unique<TCanvas>();
    FPrintingCanvas->Font.Assign(*GetFont());
    BeginPrint();
    printing = true;

    origin = aDC->GetViewportOrg();
    aDC->SetViewportOrg(x, y);

    FPrintingCanvas->SetPainter(aDC->Painter());
    clip = aDC->SaveClip();
    aDC->IntersectClipRect(TRect(x, y, x + clipW, y + clipH));

    CalculateFontScale();
    OffscreenPaint();
}

// ---------------------------------------------------------------------------
// Size

void TqvOffscreenPaint::SetSizeDontTell(const TRect& aRect)
{
    FHasLogicalSize = true;
    FLogicalWidth = std::max(0, aRect.Width());
    FLogicalHeight = std::max(0, aRect.Height());
}

int TqvOffscreenPaint::GetWidth() const
{
    return FHasLogicalSize ? FLogicalWidth : width();
}

int TqvOffscreenPaint::GetHeight() const
{
    return FHasLogicalSize ? FLogicalHeight : height();
}

TRect TqvOffscreenPaint::GetClientRect() const
{
    TRect r = TCustomPanel::GetClientRect();
    if (FHasLogicalSize) {
        r.Right = std::max(r.Left, r.Right + FLogicalWidth - width());
        r.Bottom = std::max(r.Top, r.Bottom + FLogicalHeight - height());
    }
    return r;
}

void TqvOffscreenPaint::BoundsChanged(bool aSizeChanged)
{
    if (aSizeChanged && !GetIsPrinting()) FHasLogicalSize = false;
    TCustomPanel::BoundsChanged(aSizeChanged);
}

// ---------------------------------------------------------------------------
// Input

void TqvOffscreenPaint::PossibleScroll(TScrollDirection /*aDirection*/) {}

void TqvOffscreenPaint::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept)
{
    const int w = GetClientWidth();
    const int h = GetClientHeight();
    if (Y < 5)
        PossibleScroll(tsdUp);
    else if (Y > h - FReservedBottom - 5)
        PossibleScroll(tsdDown);
    else if (X < 5)
        PossibleScroll(tsdLeft);
    else if (X > w - FReservedRight - 5)
        PossibleScroll(tsdRight);
    TCustomPanel::DragOver(Source, X, Y, State, Accept);
}

bool TqvOffscreenPaint::WantSpecialKey(Word aKey)
{
    if (aKey < 256 && WantedKeys.Contains(static_cast<unsigned char>(aKey))) return true;
    return aKey == VK_TAB && OnTab.Assigned() && OnTab(false);
}

void TqvOffscreenPaint::SetActiveXOwner(TObject* anInterface, TWinControl* aControl, TOnTab aOnTab)
{
    FActiveXInterface = anInterface;
    FActiveXControl = aControl;
    OnTab = aOnTab;
}

bool TqvOffscreenPaint::event(QEvent* e)
{
    if (e->type() == QEvent::KeyPress && FActiveXControl != nullptr && OnTab.Assigned()) {
        const auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) {
            GuardedCall([&] { OnTab(true); });
            return true;
        }
    }
    return TCustomPanel::event(e);
}

void TqvOffscreenPaint::WMSetFocus()
{
    TCustomPanel::WMSetFocus();
    Invalidate();
}

void TqvOffscreenPaint::WMKillFocus()
{
    TCustomPanel::WMKillFocus();
    Invalidate();
}

void TqvOffscreenPaint::FocusChanged(TWinControl* aFocused)
{
    TCustomPanel::FocusChanged(aFocused);
    Invalidate();
}

void TqvOffscreenPaint::WMMouseWheel(TWMMouseWheel& Msg)
{
    TCustomPanel::WMMouseWheel(Msg);
    OnWheelMessage(Msg);
}

} // namespace skedra
