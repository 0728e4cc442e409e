#include "skedra/platform/Canvas.h"
#include "skedra/platform/Canvas_p.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPaintEngine>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "skedra/platform/Bitmap.h"
#include "skedra/platform/Exceptions.h"

namespace skedra
{
// ---------------------------------------------------------------------------
// Canvas

namespace
{

bool IsRaster(const QPainter* p)
{
    const QPaintEngine* e = p->paintEngine();
    return e != nullptr && e->type() == QPaintEngine::Raster;
}

} // namespace

namespace detail
{

ModeScope::ModeScope(QPainter* p, TPenMode mode, bool raster) : FPainter(p)
{
    if (mode == pmCopy || !raster) return;
    QPainter::CompositionMode m = QPainter::CompositionMode_SourceOver;
    switch (mode) {
    case pmBlack:
        m = QPainter::RasterOp_ClearDestination;
        break;
    case pmWhite:
        m = QPainter::RasterOp_SetDestination;
        break;
    case pmNop:
        return;
    case pmNot:
        m = QPainter::RasterOp_NotDestination;
        break;
    case pmCopy:
        return;
    case pmNotCopy:
        m = QPainter::RasterOp_NotSource;
        break;
    case pmMergePenNot:
        m = QPainter::RasterOp_SourceOrNotDestination;
        break;
    case pmMaskPenNot:
        m = QPainter::RasterOp_SourceAndNotDestination;
        break;
    case pmMergeNotPen:
        m = QPainter::RasterOp_NotSourceOrDestination;
        break;
    case pmMaskNotPen:
        m = QPainter::RasterOp_NotSourceAndDestination;
        break;
    case pmMerge:
        m = QPainter::RasterOp_SourceOrDestination;
        break;
    case pmNotMerge:
        m = QPainter::RasterOp_NotSourceAndNotDestination;
        break;
    case pmMask:
        m = QPainter::RasterOp_SourceAndDestination;
        break;
    case pmNotMask:
        m = QPainter::RasterOp_NotSourceOrNotDestination;
        break;
    case pmXor:
        m = QPainter::RasterOp_SourceXorDestination;
        break;
    case pmNotXor:
        m = QPainter::RasterOp_NotSourceXorDestination;
        break;
    }
    FSaved = p->compositionMode();
    p->setCompositionMode(m);
    FChanged = true;
}

ModeScope::ModeScope(QPainter* p, QPainter::CompositionMode m) : FPainter(p)
{
    FSaved = p->compositionMode();
    if (FSaved == m) return;
    p->setCompositionMode(m);
    FChanged = true;
}

} // namespace detail

namespace
{

using detail::ModeScope;

// Collects pixels into horizontal or vertical runs and fills each run once,
// so that every pixel is touched exactly once (an inverting pen stays exact).
class RunFiller
{
public:
    RunFiller(QPainter* p, const QColor& c) : FPainter(p), FColor(c) {}
    ~RunFiller() { Flush(); }
    RunFiller(const RunFiller&) = delete;
    RunFiller& operator=(const RunFiller&) = delete;

    void Pixel(int x, int y)
    {
        if (FLength > 0) {
            const int dx = x - FLastX;
            const int dy = y - FLastY;
            if (FLength == 1 && std::abs(dx) + std::abs(dy) == 1) {
                FDirX = dx;
                FDirY = dy;
                Extend(x, y);
                return;
            }
            if (FLength > 1 && dx == FDirX && dy == FDirY) {
                Extend(x, y);
                return;
            }
            Flush();
        }
        FStartX = FLastX = x;
        FStartY = FLastY = y;
        FLength = 1;
    }
    void Flush()
    {
        if (FLength == 0) return;
        const int l = std::min(FStartX, FLastX);
        const int t = std::min(FStartY, FLastY);
        const int r = std::max(FStartX, FLastX);
        const int b = std::max(FStartY, FLastY);
        FPainter->fillRect(QRect(l, t, r - l + 1, b - t + 1), FColor);
        FLength = 0;
    }

private:
    void Extend(int x, int y)
    {
        FLastX = x;
        FLastY = y;
        ++FLength;
    }
    QPainter* FPainter;
    QColor FColor;
    int FStartX = 0, FStartY = 0, FLastX = 0, FLastY = 0, FDirX = 0, FDirY = 0, FLength = 0;
};

// On/off run lengths of the cosmetic pen styles.
std::span<const int> StylePattern(TPenStyle style)
{
    static constexpr int dash[] = {18, 6};
    static constexpr int dot[] = {3, 3};
    static constexpr int dashDot[] = {9, 6, 3, 6};
    static constexpr int dashDotDot[] = {9, 3, 3, 3, 3, 3};
    switch (style) {
    case psDash:
        return dash;
    case psDot:
        return dot;
    case psDashDot:
        return dashDot;
    case psDashDotDot:
        return dashDotDot;
    default:
        return {};
    }
}

class StyleCursor
{
public:
    explicit StyleCursor(std::span<const int> pattern) : FPattern(pattern) {}
    // Whether the next pixel is drawn; advances.
    bool Next()
    {
        if (FPattern.empty()) return true;
        const bool on = (FIndex % 2) == 0;
        if (++FPos >= FPattern[FIndex]) {
            FPos = 0;
            FIndex = (FIndex + 1) % FPattern.size();
        }
        return on;
    }
    // Advances over n pixels that are not drawn (outside the device).
    void Skip(long long n)
    {
        if (FPattern.empty() || n <= 0) return;
        long long period = 0;
        for (const int length : FPattern)
            period += length;
        if (period <= 0) return;
        for (long long k = n % period; k > 0; --k)
            Next();
    }

private:
    std::span<const int> FPattern;
    size_t FIndex = 0;
    int FPos = 0;
};

// The pixels of the segment from (x0, y0) towards (x1, y1), the end pixel left
// out: one a step along the longer axis, the other coordinate at step k being
// floor((2k·minor + major) / (2·major)), the pixels of an error-accumulating
// walk. Only the steps whose pixel lies in visible are visited, so a segment
// millions of pixels long costs what shows; skip(n) is told how many steps
// before and after them were passed over, so that a pattern stays in phase.
template <class S, class F>
void SegmentPixels(const QPoint& a, const QPoint& b, const QRect& visible, S&& skip, F&& pixel)
{
    // 2·k·minor reaches 2^65 for coordinates across the whole int range.
    using Wide = __int128;
    const long long dx = static_cast<long long>(b.x()) - a.x();
    const long long dy = static_cast<long long>(b.y()) - a.y();
    const bool xMajor = std::abs(dx) >= std::abs(dy);
    const long long major = xMajor ? std::abs(dx) : std::abs(dy);
    const long long minor = xMajor ? std::abs(dy) : std::abs(dx);
    if (major == 0) return;
    const long long majorStep = (xMajor ? dx : dy) > 0 ? 1 : -1;
    const long long minorStep = (xMajor ? dy : dx) > 0 ? 1 : -1;
    const long long major0 = xMajor ? a.x() : a.y();
    const long long minor0 = xMajor ? a.y() : a.x();
    const long long lo = xMajor ? visible.left() : visible.top();
    const long long hi = xMajor ? visible.right() : visible.bottom();
    const long long minorLo = xMajor ? visible.top() : visible.left();
    const long long minorHi = xMajor ? visible.bottom() : visible.right();
    auto minorAt = [&](long long k) {
        return minor0 + minorStep * static_cast<long long>((Wide(2) * k * minor + major) / (Wide(2) * major));
    };
    // The steps whose major coordinate is in view.
    long long first = std::max(majorStep > 0 ? lo - major0 : major0 - hi, 0LL);
    long long last = std::min(majorStep > 0 ? hi - major0 : major0 - lo, major - 1);
    // The minor coordinate moves one way only: bisect for the steps where it
    // has reached the view and has not yet left it.
    auto before = [&](long long k) { return minorStep > 0 ? minorAt(k) < minorLo : minorAt(k) > minorHi; };
    auto after = [&](long long k) { return minorStep > 0 ? minorAt(k) > minorHi : minorAt(k) < minorLo; };
    auto firstWhere = [](long long from, long long to, auto&& test) { // first k in [from, to) with test(k)
        while (from < to) {
            const long long mid = from + (to - from) / 2;
            if (test(mid))
                to = mid;
            else
                from = mid + 1;
        }
        return from;
    };
    if (first <= last) {
        first = firstWhere(first, last + 1, [&](long long k) { return !before(k); });
        last = firstWhere(first, last + 1, after) - 1;
    }
    if (first > last) {
        skip(major);
        return;
    }
    skip(first);
    for (long long k = first; k <= last; ++k) {
        const long long along = major0 + majorStep * k;
        const long long across = minorAt(k);
        if (xMajor)
            pixel(static_cast<int>(along), static_cast<int>(across));
        else
            pixel(static_cast<int>(across), static_cast<int>(along));
    }
    skip(major - 1 - last);
}

Qt::PenStyle ToQtPenStyle(TPenStyle s)
{
    switch (s) {
    case psDash:
        return Qt::DashLine;
    case psDot:
        return Qt::DotLine;
    case psDashDot:
        return Qt::DashDotLine;
    case psDashDotDot:
        return Qt::DashDotDotLine;
    case psClear:
        return Qt::NoPen;
    default:
        return Qt::SolidLine;
    }
}

QColor PenColor(const TPen& pen)
{
    if (pen.GetMode() == pmBlack) return Qt::black;
    if (pen.GetMode() == pmWhite) return Qt::white;
    return ToQColor(pen.GetColor());
}

} // namespace

TCanvas::TCanvas(QPainter* painter)
{
    SetPainter(painter);
}

TCanvas::~TCanvas() = default;

void TCanvas::SetPainter(QPainter* painter)
{
    FPainter = painter;
    if (FPainter != nullptr && FPainter->isActive()) FPainter->setRenderHint(QPainter::Antialiasing, false);
}

QPaintDevice* TCanvas::Device() const
{
    return FPainter != nullptr ? FPainter->device() : nullptr;
}

QImage* TCanvas::Image() const
{
    QPaintDevice* d = Device();
    if (d == nullptr || d->devType() != QInternal::Image) return nullptr;
    return static_cast<QImage*>(d);
}

QPainter* TCanvas::RequirePainter() const
{
    if (FPainter == nullptr) const_cast<TCanvas*>(this)->CreateHandle();
    if (FPainter == nullptr || !FPainter->isActive()) {
        if (DrawsNothingWithoutPainter) return nullptr;
        throw Exception(QStringLiteral("Canvas does not allow drawing"));
    }
    return FPainter;
}

bool TCanvas::UsesRasterOps(QPainter* p) const
{
    return Pen.GetMode() != pmCopy && IsRaster(p);
}

void TCanvas::MoveTo(int x, int y)
{
    FPenPos = TPoint(x, y);
}

void TCanvas::LineTo(int x, int y)
{
    const QPoint pts[2] = {QPoint(FPenPos.X, FPenPos.Y), QPoint(x, y)};
    FPenPos = TPoint(x, y);
    StrokePath(pts, 2, false);
}

void TCanvas::Polyline(std::span<const TPoint> points)
{
    if (points.size() < 2) return;
    std::vector<QPoint> pts;
    pts.reserve(points.size());
    for (const TPoint& p : points)
        pts.emplace_back(p.X, p.Y);
    StrokePath(pts.data(), static_cast<int>(pts.size()), false);
}

void TCanvas::Polygon(std::span<const TPoint> points)
{
    if (points.size() < 2) return;
    QPainter* p = RequirePainter();
    if (p == nullptr || Pen.GetMode() == pmNop) return;
    QPolygon poly;
    poly.reserve(static_cast<int>(points.size()));
    for (const TPoint& pt : points)
        poly << QPoint(pt.X, pt.Y);
    if (Brush.GetStyle() != bsClear || !Brush.Pattern().isNull()) {
        ModeScope mode(p, Pen.GetMode(), IsRaster(p));
        p->setPen(Qt::NoPen);
        p->setBrush(Brush.ToQBrush());
        p->drawPolygon(poly, Qt::OddEvenFill);
    }
    StrokePath(poly.constData(), poly.size(), true);
}

void TCanvas::StrokePath(const QPoint* pts, int n, bool closed)
{
    if (n < 2 || Pen.GetStyle() == psClear || Pen.GetMode() == pmNop) return;
    QPainter* p = RequirePainter();
    if (p == nullptr) return;
    ModeScope mode(p, Pen.GetMode(), IsRaster(p));
    if (Pen.GetWidth() <= 1) {
        StrokeThin(p, pts, n, closed);
        return;
    }
    // On a raster device a solid wide pen fills the stroke's cached runs.
    if (Pen.GetStyle() == psSolid && IsRaster(p) &&
        detail::StrokeFromRuns(p, pts, n, closed, PenColor(Pen), Pen.GetWidth()))
        return;
    QPen pen(PenColor(Pen), Pen.GetWidth(), ToQtPenStyle(Pen.GetStyle()), Qt::RoundCap, Qt::RoundJoin);
    p->setPen(pen);
    p->setBrush(Qt::NoBrush);
    if (closed)
        p->drawPolygon(pts, n);
    else
        p->drawPolyline(pts, n);
}

void TCanvas::StrokeThin(QPainter* p, const QPoint* pts, int n, bool closed)
{
    RunFiller runs(p, PenColor(Pen));
    StyleCursor style(StylePattern(Pen.GetStyle()));
    auto pixel = [&](int x, int y) {
        if (style.Next()) runs.Pixel(x, y);
    };
    const bool solid = StylePattern(Pen.GetStyle()).empty();
    const QColor color = PenColor(Pen);
    // The device in the painter's coordinates, one pixel more on each side.
    QRect visible(-1, -1, 2, 2);
    if (const QPaintDevice* device = p->device())
        visible = p->transform()
                      .inverted()
                      .mapRect(QRect(0, 0, device->width(), device->height()))
                      .adjusted(-1, -1, 1, 1);
    auto segment = [&](const QPoint& a, const QPoint& b) {
        // A solid level or upright segment is one rectangle: the same pixels
        // (end pixel left out, each once), without walking them one by one.
        if (solid && (a.y() == b.y() || a.x() == b.x())) {
            if (a == b) return;
            runs.Flush();
            const int l = a.x() < b.x() ? a.x() : (a.x() > b.x() ? b.x() + 1 : a.x());
            const int r = a.x() < b.x() ? b.x() - 1 : a.x();
            const int t = a.y() < b.y() ? a.y() : (a.y() > b.y() ? b.y() + 1 : a.y());
            const int bottom = a.y() < b.y() ? b.y() - 1 : a.y();
            p->fillRect(QRect(QPoint(l, t), QPoint(r, bottom)), color);
            return;
        }
        // Styled or slanted: only the part on the device is walked (an outline
        // dragged far off the window can be millions of pixels long); the
        // pattern advances over the rest.
        SegmentPixels(
            a, b, visible, [&](long long count) { style.Skip(count); }, pixel);
    };
    for (int i = 0; i + 1 < n; ++i)
        segment(pts[i], pts[i + 1]);
    if (closed && n > 2) segment(pts[n - 1], pts[0]);
}

void TCanvas::FillShape(QPainter* p, const QRect& r)
{
    if (r.isEmpty()) return;
    if (Brush.GetStyle() == bsClear && Brush.Pattern().isNull()) return;
    ModeScope mode(p, Pen.GetMode(), IsRaster(p));
    p->fillRect(r, Brush.ToQBrush());
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2)
{
    if (x2 < x1) std::swap(x1, x2);
    if (y2 < y1) std::swap(y1, y2);
    if (x2 == x1 || y2 == y1) return;
    QPainter* p = RequirePainter();
    if (p == nullptr || Pen.GetMode() == pmNop) return;
    const int w = Pen.GetStyle() == psClear ? 0 : std::max(1, Pen.GetWidth());
    if (w == 0) {
        FillShape(p, QRect(x1, y1, x2 - x1, y2 - y1));
        return;
    }
    if (w == 1) {
        FillShape(p, QRect(x1 + 1, y1 + 1, x2 - x1 - 2, y2 - y1 - 2));
        const QPoint pts[4] = {QPoint(x1, y1), QPoint(x2 - 1, y1), QPoint(x2 - 1, y2 - 1),
                               QPoint(x1, y2 - 1)};
        if (x2 - x1 == 1 || y2 - y1 == 1) {
            // A line: stroke it once, end pixel included.
            const QPoint line[2] = {
                pts[0], QPoint(pts[2].x() + (x2 - x1 == 1 ? 0 : 1), pts[2].y() + (x2 - x1 == 1 ? 1 : 0))};
            StrokePath(line, 2, false);
        } else {
            StrokePath(pts, 4, true);
        }
        return;
    }
    // Wide pens are centred on the outline (inside it for psInsideFrame).
    int l = x1, t = y1, r = x2 - 1, b = y2 - 1;
    if (Pen.GetStyle() == psInsideFrame) {
        l += w / 2;
        t += w / 2;
        r -= (w - 1) / 2;
        b -= (w - 1) / 2;
    }
    ModeScope mode(p, Pen.GetMode(), IsRaster(p));
    p->setBrush(Brush.ToQBrush());
    p->setPen(QPen(PenColor(Pen), w, ToQtPenStyle(Pen.GetStyle()), Qt::SquareCap, Qt::MiterJoin));
    p->drawRect(QRect(QPoint(l, t), QPoint(r, b)).adjusted(0, 0, -1, -1));
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2)
{
    if (x2 < x1) std::swap(x1, x2);
    if (y2 < y1) std::swap(y1, y2);
    if (x2 - x1 < 1 || y2 - y1 < 1) return;
    QPainter* p = RequirePainter();
    if (p == nullptr || Pen.GetMode() == pmNop) return;
    ModeScope mode(p, Pen.GetMode(), IsRaster(p));
    p->setBrush(Brush.ToQBrush());
    if (Pen.GetStyle() == psClear)
        p->setPen(Qt::NoPen);
    else
        p->setPen(QPen(PenColor(Pen), std::max(1, Pen.GetWidth()), ToQtPenStyle(Pen.GetStyle())));
    p->drawEllipse(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
}

void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int x3, int y3)
{
    if (x2 < x1) std::swap(x1, x2);
    if (y2 < y1) std::swap(y1, y2);
    if (x2 - x1 < 1 || y2 - y1 < 1) return;
    QPainter* p = RequirePainter();
    if (p == nullptr || Pen.GetMode() == pmNop) return;
    ModeScope mode(p, Pen.GetMode(), IsRaster(p));
    p->setBrush(Brush.ToQBrush());
    if (Pen.GetStyle() == psClear)
        p->setPen(Qt::NoPen);
    else
        p->setPen(QPen(PenColor(Pen), std::max(1, Pen.GetWidth()), ToQtPenStyle(Pen.GetStyle())));
    p->drawRoundedRect(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1), std::abs(x3) / 2.0, std::abs(y3) / 2.0,
                       Qt::AbsoluteSize);
}

void TCanvas::FillRect(const TRect& r)
{
    if (r.IsEmpty()) return;
    QPainter* p = RequirePainter();
    if (p == nullptr) return;
    if (Brush.GetStyle() == bsClear && Brush.Pattern().isNull()) return;
    ModeScope mode(p, QPainter::CompositionMode_SourceOver);
    p->fillRect(r.ToQRect(), Brush.ToQBrush());
}

void TCanvas::FrameRect(const TRect& r)
{
    if (r.IsEmpty()) return;
    QPainter* p = RequirePainter();
    if (p == nullptr) return;
    ModeScope mode(p, QPainter::CompositionMode_SourceOver);
    const QBrush b = Brush.Pattern().isNull() ? QBrush(ToQColor(Brush.GetColor())) : Brush.ToQBrush();
    const int w = r.Width();
    const int h = r.Height();
    p->fillRect(QRect(r.Left, r.Top, w, 1), b);
    if (h > 1) p->fillRect(QRect(r.Left, r.Bottom - 1, w, 1), b);
    if (h > 2) {
        p->fillRect(QRect(r.Left, r.Top + 1, 1, h - 2), b);
        if (w > 1) p->fillRect(QRect(r.Right - 1, r.Top + 1, 1, h - 2), b);
    }
}

void TCanvas::DrawFocusRect(const TRect& r)
{
    if (r.IsEmpty()) return;
    QPainter* p = RequirePainter();
    if (p == nullptr) return;
    if (!IsRaster(p)) return; // an inverting mark means nothing on paper
    ModeScope mode(p, QPainter::RasterOp_NotDestination);
    RunFiller runs(p, Qt::white);
    // Every other pixel of the frame, each pixel once.
    auto pixel = [&](int x, int y) {
        if (((x + y) & 1) == 0) {
            runs.Pixel(x, y);
            runs.Flush();
        }
    };
    // Only the part of the frame on the device is walked: a frame millions of
    // pixels long (an item zoomed far in) costs what the surface shows.
    QRect area(r.Left, r.Top, r.Width(), r.Height());
    bool invertible = false;
    const QTransform toLogical = p->combinedTransform().inverted(&invertible);
    if (invertible)
        area = toLogical.mapRect(QRect(0, 0, p->device()->width(), p->device()->height()))
                   .adjusted(-1, -1, 1, 1);
    auto rowShown = [&](int y) { return y >= area.top() && y <= area.bottom(); };
    auto columnShown = [&](int x) { return x >= area.left() && x <= area.right(); };
    const int x0 = std::max(r.Left, area.left());
    const int x1 = std::min(r.Right, area.right() + 1);
    if (rowShown(r.Top))
        for (int x = x0; x < x1; ++x)
            pixel(x, r.Top);
    if (r.Height() > 1 && rowShown(r.Bottom - 1))
        for (int x = x0; x < x1; ++x)
            pixel(x, r.Bottom - 1);
    const int y1 = std::min(r.Bottom - 1, area.bottom() + 1);
    for (int y = std::max(r.Top + 1, area.top()); y < y1; ++y) {
        if (columnShown(r.Left)) pixel(r.Left, y);
        if (r.Width() > 1 && columnShown(r.Right - 1)) pixel(r.Right - 1, y);
    }
}

void TCanvas::InvertRect(const TRect& r)
{
    if (r.IsEmpty()) return;
    QPainter* p = RequirePainter();
    if (p == nullptr || !IsRaster(p)) return;
    ModeScope mode(p, QPainter::RasterOp_NotDestination);
    p->fillRect(r.ToQRect(), Qt::white);
}

void TCanvas::PatInvert(const TRect& r)
{
    if (r.IsEmpty()) return;
    QPainter* p = RequirePainter();
    if (p == nullptr || !IsRaster(p)) return;
    ModeScope mode(p, QPainter::RasterOp_SourceXorDestination);
    const QBrush b = Brush.Pattern().isNull() ? QBrush(ToQColor(Brush.GetColor())) : Brush.ToQBrush();
    p->fillRect(r.ToQRect(), b);
}

TColor TCanvas::GetPixel(int x, int y) const
{
    QImage* img = Image();
    if (img == nullptr) return clNone;
    const QPoint d = FPainter->combinedTransform().map(QPoint(x, y));
    if (!img->rect().contains(d)) return clNone;
    return FromQColor(QColor::fromRgb(img->pixel(d)));
}

void TCanvas::SetPixel(int x, int y, TColor color)
{
    QPainter* p = RequirePainter();
    if (p == nullptr) return;
    ModeScope mode(p, QPainter::CompositionMode_SourceOver);
    p->fillRect(QRect(x, y, 1, 1), ToQColor(color));
}

// ---------------------------------------------------------------------------
// Copies

namespace
{

// An image's size in logical pixels (its device pixels over its pixel ratio).
int LogicalWidth(const QImage& image)
{
    return qRound(image.width() / image.devicePixelRatio());
}

int LogicalHeight(const QImage& image)
{
    return qRound(image.height() / image.devicePixelRatio());
}

QPainter::CompositionMode CopyComposition(TCopyMode m)
{
    switch (m) {
    case cmSrcInvert:
        return QPainter::RasterOp_SourceXorDestination;
    case cmSrcAnd:
        return QPainter::RasterOp_SourceAndDestination;
    case cmSrcPaint:
        return QPainter::RasterOp_SourceOrDestination;
    default:
        return QPainter::CompositionMode_Source;
    }
}

} // namespace

void TCanvas::StretchDrawImage(const TRect& dest, const QImage& image)
{
    if (dest.IsEmpty() || image.isNull()) return;
    QPainter* p = RequirePainter();
    if (p == nullptr) return;
    switch (CopyMode) {
    case cmDstInvert:
        InvertRect(dest);
        return;
    case cmPatInvert:
        PatInvert(dest);
        return;
    case cmPatCopy:
        FillRect(dest);
        return;
    case cmBlackness:
        p->fillRect(dest.ToQRect(), Qt::black);
        return;
    case cmWhiteness:
        p->fillRect(dest.ToQRect(), Qt::white);
        return;
    default:
        break;
    }
    const QPainter::CompositionMode m =
        IsRaster(p) ? CopyComposition(CopyMode) : QPainter::CompositionMode_SourceOver;
    ModeScope mode(p, m);
    // An image of another pixel ratio is drawn at its logical size.
    if (dest.Width() == LogicalWidth(image) && dest.Height() == LogicalHeight(image))
        p->drawImage(QPoint(dest.Left, dest.Top), image);
    else
        p->drawImage(dest.ToQRect(), image);
}

void TCanvas::DrawImage(int x, int y, const QImage& image)
{
    StretchDrawImage(TRect(x, y, x + LogicalWidth(image), y + LogicalHeight(image)), image);
}

void TCanvas::Draw(int x, int y, const TBitmap* bitmap)
{
    if (bitmap == nullptr || bitmap->Empty()) return;
    DrawImage(x, y, bitmap->Image());
}

void TCanvas::StretchDraw(const TRect& dest, const TBitmap* bitmap)
{
    if (bitmap == nullptr || bitmap->Empty()) return;
    StretchDrawImage(dest, bitmap->Image());
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* source, const TRect& sourceRect)
{
    if (source == nullptr || dest.IsEmpty() || sourceRect.IsEmpty()) return;
    QPainter* sp = source->RequirePainter();
    QPainter* p = RequirePainter();
    if (sp == nullptr || p == nullptr) return;
    QImage* img = source->Image();
    if (img == nullptr) {
        if (sp->device()->devType() == QInternal::Pixmap) {
            const QRect s = sp->combinedTransform().mapRect(sourceRect.ToQRect());
            ModeScope mode(p, QPainter::CompositionMode_SourceOver);
            p->drawPixmap(dest.ToQRect(), *static_cast<QPixmap*>(sp->device()), s);
        }
        return;
    }
    // The source part in the image's device pixels; at the same logical size
    // it is copied pixel for pixel.
    const QRect s = sp->combinedTransform().mapRect(sourceRect.ToQRect());
    const qreal ratio = img->devicePixelRatio();
    const bool sameSize =
        qRound(dest.Width() * ratio) == s.width() && qRound(dest.Height() * ratio) == s.height();
    if (sameSize && s == img->rect() && CopyMode == cmSrcCopy) {
        // The whole image: no sub-image copy needed.
        StretchDrawImage(dest, *img);
        return;
    }
    if (sameSize && CopyMode == cmSrcCopy && p->device() != img) {
        // Another device: the part is drawn straight from the source, without
        // a temporary copy of it (a paint surface copies most of a window).
        ModeScope mode(p, IsRaster(p) ? CopyComposition(CopyMode) : QPainter::CompositionMode_SourceOver);
        p->drawImage(QPoint(dest.Left, dest.Top), *img, s);
        return;
    }
    // A sub-image copy keeps the source intact when both canvases share the image.
    StretchDrawImage(dest, img->copy(s));
}

TRect TCanvas::GetClipRect() const
{
    QPainter* p = FPainter;
    if (p == nullptr || !p->isActive()) return TRect();
    const QPaintDevice* d = p->device();
    const QRect deviceRect = p->combinedTransform().inverted().mapRect(QRect(0, 0, d->width(), d->height()));
    if (!p->hasClipping()) return TRect::From(deviceRect);
    return TRect::From(p->clipBoundingRect().toAlignedRect() & deviceRect);
}

void TCanvas::IntersectClipRect(const TRect& r)
{
    QPainter* p = RequirePainter();
    if (p == nullptr) return;
    p->setClipRect(r.ToQRect(), p->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
}

} // namespace skedra
