#pragma once
// The drawing canvas: pen, brush and font state applied to a QPainter for each
// primitive, with the toolkit's pixel rules: a filled rectangle leaves out its
// right and bottom edge, LineTo leaves out its end pixel, no antialiasing of
// shapes. The inverting pen modes use Qt's raster operations, which only raster
// (QImage) devices support; other devices draw such shapes plainly.
//
// Font sizes are points at 96 dots per inch on every device: printing scales
// explicitly, the painter never carries a scaling transform.

#include <QBrush>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPen>
#include <QString>
#include <initializer_list>
#include <optional>
#include <span>

#include "skedra/platform/Color.h"
#include "skedra/platform/Geometry.h"
#include "skedra/platform/Method.h"
#include "skedra/platform/Object.h"
#include "skedra/platform/Set.h"

class QPainter;
class QPaintDevice;

namespace skedra
{

class TBitmap;
class TCanvas;

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };

// The pen's raster operation (the binary raster ops of the platform).
enum TPenMode {
    pmBlack,
    pmWhite,
    pmNop,
    pmNot,
    pmCopy,
    pmNotCopy,
    pmMergePenNot,
    pmMaskPenNot,
    pmMergeNotPen,
    pmMaskNotPen,
    pmMerge,
    pmNotMerge,
    pmMask,
    pmNotMask,
    pmXor,
    pmNotXor
};

enum TBrushStyle {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};

// Shared by pens, brushes and fonts: OnChange is raised after every change.
class TGraphicsObject : public TObject
{
public:
    TNotifyEvent OnChange;

protected:
    void Changed();
};

class TFont : public TGraphicsObject
{
public:
    TFont();

    QString GetName() const { return FName; }
    void SetName(const QString& value);
    // Points at 96 dots per inch.
    int GetSize() const { return FSize; }
    void SetSize(int value);
    // Pixels; negative is the character height (the em size), as the toolkit
    // stores it: Height = -Size * 96 / 72.
    int GetHeight() const;
    void SetHeight(int value);
    TColor GetColor() const { return FColor; }
    void SetColor(TColor value);
    TFontStyles GetStyle() const { return FStyle; }
    void SetStyle(const TFontStyles& value);
    // Tenths of a degree, counter-clockwise; TextOut rotates around the text origin.
    int GetOrientation() const { return FOrientation; }
    void SetOrientation(int value);
    // The escapement of the font's description; the same as the orientation here.
    int GetEscapement() const { return FOrientation; }
    void SetEscapement(int value) { SetOrientation(value); }

    void Assign(const TFont& source);
    // Takes family, size (point or pixel), weight, italic, underline and strike-out.
    void AssignQFont(const QFont& source);
    // The Qt font (pixel size at 96 dpi) that drawing uses; the font's "handle".
    const QFont& Handle() const { return FQfont; }
    QFont ToQFont() const { return FQfont; }
    // Pixel size at 96 dpi, never below 1.
    int PixelSize() const;
    // The metrics of Handle(), kept with the font.
    const QFontMetrics& Metrics() const;

    friend bool operator==(const TFont& a, const TFont& b);

private:
    void Rebuild();
    QString FName;
    int FSize = 8;
    int FPixelHeight = 0; // set when Height was given in pixels (nonzero)
    TColor FColor = clWindowText;
    TFontStyles FStyle;
    int FOrientation = 0;
    QFont FQfont;
    mutable std::optional<QFontMetrics> FMetrics;
};

class TPen : public TGraphicsObject
{
public:
    TColor GetColor() const { return FColor; }
    void SetColor(TColor value);
    int GetWidth() const { return FWidth; }
    void SetWidth(int value);
    TPenStyle GetStyle() const { return FStyle; }
    void SetStyle(TPenStyle value);
    TPenMode GetMode() const { return FMode; }
    void SetMode(TPenMode value);
    void Assign(const TPen& source);

private:
    TColor FColor = clBlack;
    int FWidth = 1;
    TPenStyle FStyle = psSolid;
    TPenMode FMode = pmCopy;
};

class TBrush : public TGraphicsObject
{
public:
    TColor GetColor() const { return FColor; }
    // As in the toolkit, giving a clear brush a colour makes it solid again.
    void SetColor(TColor value);
    TBrushStyle GetStyle() const { return FStyle; }
    void SetStyle(TBrushStyle value);
    // A pattern bitmap (e.g. 8 x 8) tiled instead of the colour; not owned, its
    // pixels are taken when it is set. Null returns to the colour and style.
    TBitmap* GetBitmap() const { return FBitmap; }
    void SetBitmap(TBitmap* value);
    void SetPattern(const QImage& pattern);
    const QImage& Pattern() const { return FPattern; }
    void Assign(const TBrush& source);
    // The Qt brush this brush fills with (Qt::NoBrush for bsClear).
    QBrush ToQBrush() const;

private:
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
    TBitmap* FBitmap = nullptr;
    QImage FPattern;
};

// Copy modes for CopyRect and Draw.
enum TCopyMode {
    cmSrcCopy,
    cmSrcInvert,
    cmSrcAnd,
    cmSrcPaint,
    cmDstInvert,
    cmPatInvert,
    cmPatCopy,
    cmBlackness,
    cmWhiteness
};

class TCanvas : public TObject
{
public:
    explicit TCanvas(QPainter* painter = nullptr);
    ~TCanvas() override;

    TPen Pen;
    TBrush Brush;
    TFont Font;
    TCopyMode CopyMode = cmSrcCopy;

    // The painter drawn on (not owned); null until bound.
    QPainter* GetPainter() const { return FPainter; }
    void SetPainter(QPainter* painter);
    // The painter for drawing now: a bitmap's canvas makes it on demand;
    // raises "Canvas does not allow drawing" when there is none.
    QPainter* Handle() const { return RequirePainter(); }
    // True when a painter is bound (or can be made, for a bitmap's canvas).
    bool HandleAllocated() const { return FPainter != nullptr; }
    // The device painted on, or null.
    QPaintDevice* Device() const;
    // The QImage painted on, or null when the device is not an image.
    QImage* Image() const;

    // Lines: MoveTo sets the pen position; LineTo draws to (x, y) leaving out
    // the end pixel and moves the pen position there.
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    TPoint GetPenPos() const { return FPenPos; }
    void SetPenPos(TPoint p) { FPenPos = p; }
    // Connected segments; the last point is left out as by LineTo.
    void Polyline(std::span<const TPoint> points);
    void Polyline(std::initializer_list<TPoint> points)
    {
        Polyline(std::span<const TPoint>(points.begin(), points.size()));
    }
    // A closed outline with the pen, filled with the brush (alternate filling).
    void Polygon(std::span<const TPoint> points);
    void Polygon(std::initializer_list<TPoint> points)
    {
        Polygon(std::span<const TPoint>(points.begin(), points.size()));
    }

    // Outline with the pen and interior with the brush, covering x1..x2-1 and y1..y2-1.
    void Rectangle(int x1, int y1, int x2, int y2);
    void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    void Ellipse(int x1, int y1, int x2, int y2);
    void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
    void RoundRect(int x1, int y1, int x2, int y2, int x3, int y3);
    // Fills with the brush (plain copy, whatever the pen mode), right and bottom edge left out.
    void FillRect(const TRect& r);
    // A one-pixel frame in the brush colour, inside the rectangle.
    void FrameRect(const TRect& r);
    // A dotted frame drawn by inverting pixels: drawing it twice removes it.
    void DrawFocusRect(const TRect& r);
    // Inverts every pixel of the rectangle.
    void InvertRect(const TRect& r);
    // Fills the rectangle with the brush (colour or pattern) xor-ed onto the
    // pixels: drawing it twice removes it (the splitter's moving line).
    void PatInvert(const TRect& r);

    // Pixels (reading works on image devices; elsewhere it answers clNone).
    TColor GetPixel(int x, int y) const;
    void SetPixel(int x, int y, TColor color);
    TColor Pixels(int x, int y) const { return GetPixel(x, y); }

    // Text: top-left at (x, y) in the font colour, on the brush colour unless
    // the brush is clear; the pen position moves to the end of the text.
    void TextOut(int x, int y, const QString& text);
    // Text at (x, y) clipped to r; r is filled with the brush unless it is clear.
    void TextRect(const TRect& r, int x, int y, const QString& text);
    int TextWidth(const QString& text) const;
    int TextHeight(const QString& text) const;
    TSize TextExtent(const QString& text) const;

    // Copies (stretching if the sizes differ) a rectangle of another canvas,
    // which must paint on an image, by CopyMode.
    void CopyRect(const TRect& dest, TCanvas* source, const TRect& sourceRect);
    void Draw(int x, int y, const TBitmap* bitmap);
    void StretchDraw(const TRect& dest, const TBitmap* bitmap);
    void DrawImage(int x, int y, const QImage& image);
    void StretchDrawImage(const TRect& dest, const QImage& image);

    // The clip rectangle in this canvas' coordinates; the whole device when unclipped.
    TRect GetClipRect() const;
    TRect ClipRect() const { return GetClipRect(); }
    // Narrows the clip to r (canvas coordinates).
    void IntersectClipRect(const TRect& r);

protected:
    // Called when drawing needs a painter and none is bound: a bitmap's canvas
    // begins one on its image here.
    virtual void CreateHandle() {}
    // The painter, made if needed; raises when there is none, or answers null
    // (drawing does nothing) when DrawsNothingWithoutPainter is set.
    QPainter* RequirePainter() const;
    bool DrawsNothingWithoutPainter = false;

private:
    void ApplyComposition(QPainter* p) const;
    void StrokePath(const QPoint* pts, int n, bool closed);
    void StrokeThin(QPainter* p, const QPoint* pts, int n, bool closed);
    void FillShape(QPainter* p, const QRect& r);
    bool UsesRasterOps(QPainter* p) const;

    QPainter* FPainter = nullptr;
    TPoint FPenPos;
};

// Draw-text flags: alignment, line breaking, clipping and measuring of DrawText.
enum : unsigned {
    DT_TOP = 0x0,
    DT_LEFT = 0x0,
    DT_CENTER = 0x1,
    DT_RIGHT = 0x2,
    DT_VCENTER = 0x4,
    DT_BOTTOM = 0x8,
    DT_WORDBREAK = 0x10,
    DT_SINGLELINE = 0x20,
    DT_EXPANDTABS = 0x40,
    DT_TABSTOP = 0x80,
    DT_NOCLIP = 0x100,
    DT_EXTERNALLEADING = 0x200,
    DT_CALCRECT = 0x400,
    DT_NOPREFIX = 0x800,
    DT_INTERNAL = 0x1000,
    DT_EDITCONTROL = 0x2000,
    DT_PATH_ELLIPSIS = 0x4000,
    DT_END_ELLIPSIS = 0x8000,
    DT_MODIFYSTRING = 0x10000,
    DT_RTLREADING = 0x20000,
    DT_WORD_ELLIPSIS = 0x40000,
};

// Draws text inside rect with the canvas font: horizontal alignment per line,
// vertical alignment with DT_SINGLELINE, line breaks at "\n" unless
// DT_SINGLELINE, word breaking with DT_WORDBREAK, "..." for lines too wide with
// the ellipsis flags, "&" marks the next character unless DT_NOPREFIX.
// DT_CALCRECT only measures: rect's right and bottom become those of the text.
// Answers the height of the text.
int DrawText(TCanvas* canvas, const QString& text, TRect& rect, unsigned flags);
int DrawText(TCanvas* canvas, const QString& text, const TRect& rect, unsigned flags);

// The canvas' font turned by the given tenths of a degree (900: upwards), for vertical labels.
void SetRotatedFont(TCanvas* canvas, int tenthsOfDegree);

} // namespace skedra
