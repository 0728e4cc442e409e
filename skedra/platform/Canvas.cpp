#include "skedra/platform/Canvas.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPaintEngine>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "skedra/platform/Bitmap.h"
#include "skedra/platform/Exceptions.h"

namespace skedra
{

// ---------------------------------------------------------------------------
// Pens, brushes, fonts

void TGraphicsObject::Changed()
{
    OnChange(this);
}

namespace
{

QString DefaultFontName()
{
    if (QGuiApplication::instance() != nullptr) return QGuiApplication::font().family();
    return QStringLiteral("DejaVu Sans");
}

int PointsToPixels(int points)
{
    return static_cast<int>(std::lround(std::abs(points) * 96.0 / 72.0));
}

} // namespace

TFont::TFont() : name_(DefaultFontName())
{
    Rebuild();
}

void TFont::SetName(const QString& value)
{
    if (value == name_ || value.isEmpty()) return;
    name_ = value;
    Rebuild();
    Changed();
}

void TFont::SetSize(int value)
{
    if (value == size_ && pixelHeight_ == 0) return;
    size_ = value;
    pixelHeight_ = 0;
    Rebuild();
    Changed();
}

int TFont::GetHeight() const
{
    if (pixelHeight_ != 0) return pixelHeight_;
    return -PointsToPixels(size_);
}

void TFont::SetHeight(int value)
{
    if (value == GetHeight()) return;
    pixelHeight_ = value;
    size_ = static_cast<int>(std::lround(std::abs(value) * 72.0 / 96.0));
    Rebuild();
    Changed();
}

int TFont::PixelSize() const
{
    const int px = pixelHeight_ != 0 ? std::abs(pixelHeight_) : PointsToPixels(size_);
    return std::max(1, px);
}

void TFont::SetColor(TColor value)
{
    if (value == color_) return;
    color_ = value;
    Changed();
}

void TFont::SetStyle(const TFontStyles& value)
{
    if (value == style_) return;
    style_ = value;
    Rebuild();
    Changed();
}

void TFont::SetOrientation(int value)
{
    if (value == orientation_) return;
    orientation_ = value;
    Changed();
}

void TFont::Assign(const TFont& source)
{
    if (&source == this) return;
    if (source == *this) return;
    name_ = source.name_;
    size_ = source.size_;
    pixelHeight_ = source.pixelHeight_;
    color_ = source.color_;
    style_ = source.style_;
    orientation_ = source.orientation_;
    qfont_ = source.qfont_;
    metrics_.reset();
    Changed();
}

void TFont::AssignQFont(const QFont& source)
{
    name_ = source.family().isEmpty() ? DefaultFontName() : source.family();
    if (source.pixelSize() > 0) {
        pixelHeight_ = -source.pixelSize();
        size_ = static_cast<int>(std::lround(source.pixelSize() * 72.0 / 96.0));
    } else {
        pixelHeight_ = 0;
        size_ = static_cast<int>(std::lround(source.pointSizeF()));
    }
    TFontStyles styles;
    if (source.bold()) styles += fsBold;
    if (source.italic()) styles += fsItalic;
    if (source.underline()) styles += fsUnderline;
    if (source.strikeOut()) styles += fsStrikeOut;
    style_ = styles;
    Rebuild();
    Changed();
}

void TFont::Rebuild()
{
    QFont f(name_);
    f.setPixelSize(PixelSize());
    f.setBold(style_.Contains(fsBold));
    f.setItalic(style_.Contains(fsItalic));
    f.setUnderline(style_.Contains(fsUnderline));
    f.setStrikeOut(style_.Contains(fsStrikeOut));
    qfont_ = f;
    metrics_.reset();
}

const QFontMetrics& TFont::Metrics() const
{
    if (!metrics_) metrics_.emplace(qfont_);
    return *metrics_;
}

bool operator==(const TFont& a, const TFont& b)
{
    return a.name_ == b.name_ && a.size_ == b.size_ && a.pixelHeight_ == b.pixelHeight_ &&
           a.color_ == b.color_ && a.style_ == b.style_ && a.orientation_ == b.orientation_;
}

void TPen::SetColor(TColor value)
{
    if (value == color_) return;
    color_ = value;
    Changed();
}

void TPen::SetWidth(int value)
{
    value = std::max(0, value);
    if (value == width_) return;
    width_ = value;
    Changed();
}

void TPen::SetStyle(TPenStyle value)
{
    if (value == style_) return;
    style_ = value;
    Changed();
}

void TPen::SetMode(TPenMode value)
{
    if (value == mode_) return;
    mode_ = value;
    Changed();
}

void TPen::Assign(const TPen& source)
{
    if (&source == this) return;
    color_ = source.color_;
    width_ = source.width_;
    style_ = source.style_;
    mode_ = source.mode_;
    Changed();
}

void TBrush::SetColor(TColor value)
{
    if (value == color_ && style_ != bsClear) return;
    color_ = value;
    if (style_ == bsClear) style_ = bsSolid; // the toolkit makes a coloured brush visible again
    Changed();
}

void TBrush::SetStyle(TBrushStyle value)
{
    if (value == style_) return;
    style_ = value;
    Changed();
}

void TBrush::SetBitmap(TBitmap* value)
{
    bitmap_ = value;
    pattern_ = (value != nullptr && !value->Empty()) ? value->ToImage() : QImage();
    Changed();
}

void TBrush::SetPattern(const QImage& pattern)
{
    bitmap_ = nullptr;
    pattern_ = pattern.convertToFormat(QImage::Format_RGB32);
    Changed();
}

void TBrush::Assign(const TBrush& source)
{
    if (&source == this) return;
    color_ = source.color_;
    style_ = source.style_;
    bitmap_ = source.bitmap_;
    pattern_ = source.pattern_;
    Changed();
}

QBrush TBrush::ToQBrush() const
{
    if (!pattern_.isNull()) return QBrush(pattern_);
    const QColor c = ToQColor(color_);
    switch (style_) {
    case bsSolid:
        return QBrush(c);
    case bsClear:
        return QBrush(Qt::NoBrush);
    case bsHorizontal:
        return QBrush(c, Qt::HorPattern);
    case bsVertical:
        return QBrush(c, Qt::VerPattern);
    case bsFDiagonal:
        return QBrush(c, Qt::FDiagPattern);
    case bsBDiagonal:
        return QBrush(c, Qt::BDiagPattern);
    case bsCross:
        return QBrush(c, Qt::CrossPattern);
    case bsDiagCross:
        return QBrush(c, Qt::DiagCrossPattern);
    }
    return QBrush(c);
}

// ---------------------------------------------------------------------------
// Canvas

namespace
{

bool IsRaster(const QPainter* p)
{
    const QPaintEngine* e = p->paintEngine();
    return e != nullptr && e->type() == QPaintEngine::Raster;
}

// The painter's composition for a pen mode, restored when the scope ends.
class ModeScope
{
public:
    ModeScope(QPainter* p, TPenMode mode, bool raster) : p_(p)
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
        saved_ = p->compositionMode();
        p->setCompositionMode(m);
        changed_ = true;
    }
    ModeScope(QPainter* p, QPainter::CompositionMode m) : p_(p)
    {
        saved_ = p->compositionMode();
        if (saved_ == m) return;
        p->setCompositionMode(m);
        changed_ = true;
    }
    ~ModeScope()
    {
        if (changed_) p_->setCompositionMode(saved_);
    }
    ModeScope(const ModeScope&) = delete;
    ModeScope& operator=(const ModeScope&) = delete;

private:
    QPainter* p_;
    QPainter::CompositionMode saved_ = QPainter::CompositionMode_SourceOver;
    bool changed_ = false;
};

// Collects pixels into horizontal or vertical runs and fills each run once,
// so that every pixel is touched exactly once (an inverting pen stays exact).
class RunFiller
{
public:
    RunFiller(QPainter* p, const QColor& c) : p_(p), c_(c) {}
    ~RunFiller() { Flush(); }
    RunFiller(const RunFiller&) = delete;
    RunFiller& operator=(const RunFiller&) = delete;

    void Pixel(int x, int y)
    {
        if (len_ > 0) {
            const int dx = x - lastX_;
            const int dy = y - lastY_;
            if (len_ == 1 && std::abs(dx) + std::abs(dy) == 1) {
                dirX_ = dx;
                dirY_ = dy;
                Extend(x, y);
                return;
            }
            if (len_ > 1 && dx == dirX_ && dy == dirY_) {
                Extend(x, y);
                return;
            }
            Flush();
        }
        startX_ = lastX_ = x;
        startY_ = lastY_ = y;
        len_ = 1;
    }
    void Flush()
    {
        if (len_ == 0) return;
        const int l = std::min(startX_, lastX_);
        const int t = std::min(startY_, lastY_);
        const int r = std::max(startX_, lastX_);
        const int b = std::max(startY_, lastY_);
        p_->fillRect(QRect(l, t, r - l + 1, b - t + 1), c_);
        len_ = 0;
    }

private:
    void Extend(int x, int y)
    {
        lastX_ = x;
        lastY_ = y;
        ++len_;
    }
    QPainter* p_;
    QColor c_;
    int startX_ = 0, startY_ = 0, lastX_ = 0, lastY_ = 0, dirX_ = 0, dirY_ = 0, len_ = 0;
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
    explicit StyleCursor(std::span<const int> pattern) : pattern_(pattern) {}
    // Whether the next pixel is drawn; advances.
    bool Next()
    {
        if (pattern_.empty()) return true;
        const bool on = (index_ % 2) == 0;
        if (++pos_ >= pattern_[index_]) {
            pos_ = 0;
            index_ = (index_ + 1) % pattern_.size();
        }
        return on;
    }

private:
    std::span<const int> pattern_;
    size_t index_ = 0;
    int pos_ = 0;
};

// The pixels of the segment from (x0, y0) towards (x1, y1), the end pixel left out.
template <class F> void SegmentPixels(int x0, int y0, int x1, int y1, F&& pixel)
{
    const int dx = std::abs(x1 - x0);
    const int dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1;
    const int sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    int x = x0;
    int y = y0;
    while (x != x1 || y != y1) {
        pixel(x, y);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
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
    painter_ = painter;
    if (painter_ != nullptr && painter_->isActive()) painter_->setRenderHint(QPainter::Antialiasing, false);
}

QPaintDevice* TCanvas::Device() const
{
    return painter_ != nullptr ? painter_->device() : nullptr;
}

QImage* TCanvas::Image() const
{
    QPaintDevice* d = Device();
    if (d == nullptr || d->devType() != QInternal::Image) return nullptr;
    return static_cast<QImage*>(d);
}

QPainter* TCanvas::RequirePainter() const
{
    if (painter_ == nullptr) const_cast<TCanvas*>(this)->CreateHandle();
    if (painter_ == nullptr || !painter_->isActive()) {
        if (DrawsNothingWithoutPainter) return nullptr;
        throw Exception(QStringLiteral("Canvas does not allow drawing"));
    }
    return painter_;
}

bool TCanvas::UsesRasterOps(QPainter* p) const
{
    return Pen.GetMode() != pmCopy && IsRaster(p);
}

void TCanvas::MoveTo(int x, int y)
{
    penPos_ = TPoint(x, y);
}

void TCanvas::LineTo(int x, int y)
{
    const QPoint pts[2] = {QPoint(penPos_.X, penPos_.Y), QPoint(x, y)};
    penPos_ = TPoint(x, y);
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
        SegmentPixels(a.x(), a.y(), b.x(), b.y(), pixel);
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
    for (int x = r.Left; x < r.Right; ++x)
        pixel(x, r.Top);
    if (r.Height() > 1)
        for (int x = r.Left; x < r.Right; ++x)
            pixel(x, r.Bottom - 1);
    for (int y = r.Top + 1; y < r.Bottom - 1; ++y) {
        pixel(r.Left, y);
        if (r.Width() > 1) pixel(r.Right - 1, y);
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
    const QPoint d = painter_->combinedTransform().map(QPoint(x, y));
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
// Text

namespace
{

// Draws one line of text with its top-left at (x, y), rotated by the font's
// orientation around that point; the background is filled when opaque.
// `width` is the text's advance when the caller knows it, else -1.
void PaintTextLine(QPainter* p, const TFont& font, int x, int y, const QString& text,
                   const QBrush* background, int width = -1)
{
    const QFontMetrics& fm = font.Metrics();
    ModeScope mode(p, QPainter::CompositionMode_SourceOver);
    const int orientation = font.GetOrientation();
    if (orientation != 0) {
        p->save();
        p->translate(x, y);
        p->rotate(-orientation / 10.0);
        x = 0;
        y = 0;
    }
    if (background != nullptr)
        p->fillRect(QRect(x, y, width >= 0 ? width : fm.horizontalAdvance(text), fm.height()), *background);
    p->setFont(font.Handle());
    p->setPen(ToQColor(font.GetColor()));
    p->drawText(QPoint(x, y + fm.ascent()), text);
    if (orientation != 0) p->restore();
}

} // namespace

void TCanvas::TextOut(int x, int y, const QString& text)
{
    QPainter* p = RequirePainter();
    if (p == nullptr) return;
    const int w = TextWidth(text);
    if (Brush.GetStyle() == bsClear) {
        PaintTextLine(p, Font, x, y, text, nullptr);
    } else {
        const QBrush bg(ToQColor(Brush.GetColor()));
        PaintTextLine(p, Font, x, y, text, &bg, w);
    }
    penPos_ = TPoint(x + w, y);
}

void TCanvas::TextRect(const TRect& r, int x, int y, const QString& text)
{
    QPainter* p = RequirePainter();
    if (p == nullptr) return;
    if (Brush.GetStyle() != bsClear) {
        ModeScope mode(p, QPainter::CompositionMode_SourceOver);
        p->fillRect(r.ToQRect(), ToQColor(Brush.GetColor()));
    }
    p->save();
    p->setClipRect(r.ToQRect(), Qt::IntersectClip);
    PaintTextLine(p, Font, x, y, text, nullptr);
    p->restore();
}

int TCanvas::TextWidth(const QString& text) const
{
    return Font.Metrics().horizontalAdvance(text);
}

int TCanvas::TextHeight(const QString& /*text*/) const
{
    return Font.Metrics().height();
}

TSize TCanvas::TextExtent(const QString& text) const
{
    return TSize(TextWidth(text), TextHeight(text));
}

// ---------------------------------------------------------------------------
// Copies

namespace
{

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
    if (dest.Width() == image.width() && dest.Height() == image.height())
        p->drawImage(QPoint(dest.Left, dest.Top), image);
    else
        p->drawImage(dest.ToQRect(), image);
}

void TCanvas::DrawImage(int x, int y, const QImage& image)
{
    StretchDrawImage(TRect(x, y, x + image.width(), y + image.height()), image);
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
    const QRect s = sp->combinedTransform().mapRect(sourceRect.ToQRect());
    const bool sameSize = dest.Width() == s.width() && dest.Height() == s.height();
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
    QPainter* p = painter_;
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

// ---------------------------------------------------------------------------
// Draw-text

namespace
{

QString StripPrefixes(const QString& s)
{
    QString out;
    out.reserve(s.size());
    for (int i = 0; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('&')) {
            if (i + 1 < s.size()) out += s[++i];
            continue;
        }
        out += s[i];
    }
    return out;
}

QString ExpandTabs(const QString& s)
{
    QString out;
    for (QChar c : s) {
        if (c == QLatin1Char('\t')) {
            const int n = 8 - (out.size() % 8);
            out += QString(n, QLatin1Char(' '));
        } else {
            out += c;
        }
    }
    return out;
}

// Greedy breaking at spaces; a word wider than the width keeps a line of its own.
void BreakWords(const QString& paragraph, int width, const QFontMetrics& fm, std::vector<QString>& lines)
{
    if (paragraph.isEmpty()) {
        lines.emplace_back();
        return;
    }
    QString line;
    int i = 0;
    const int n = static_cast<int>(paragraph.size());
    while (i < n) {
        int j = i;
        while (j < n && paragraph[j] == QLatin1Char(' '))
            ++j;
        int k = j;
        while (k < n && paragraph[k] != QLatin1Char(' '))
            ++k;
        const QString candidate = line + paragraph.mid(i, k - i);
        if (!line.isEmpty() && fm.horizontalAdvance(candidate) > width) {
            lines.push_back(line);
            line = paragraph.mid(j, k - j);
        } else {
            line = candidate;
        }
        i = k;
    }
    lines.push_back(line);
}

} // namespace

int DrawText(TCanvas* canvas, const QString& text, TRect& rect, unsigned flags)
{
    if (canvas == nullptr) return 0;
    const QFontMetrics& fm = canvas->Font.Metrics();
    QString s = (flags & DT_NOPREFIX) ? text : StripPrefixes(text);
    if (flags & DT_EXPANDTABS) s = ExpandTabs(s);
    const int width = rect.Width();

    std::vector<QString> lines;
    if (flags & DT_SINGLELINE) {
        s.replace(QLatin1String("\r\n"), QLatin1String(" "));
        s.replace(QLatin1Char('\n'), QLatin1Char(' '));
        s.replace(QLatin1Char('\r'), QLatin1Char(' '));
        lines.push_back(s);
    } else {
        s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        const QStringList paragraphs = s.split(QLatin1Char('\n'));
        for (const QString& para : paragraphs) {
            if (flags & DT_WORDBREAK)
                BreakWords(para, width, fm, lines);
            else
                lines.push_back(para);
        }
    }
    if (flags & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS)) {
        const Qt::TextElideMode mode = (flags & DT_PATH_ELLIPSIS) ? Qt::ElideMiddle : Qt::ElideRight;
        for (QString& line : lines)
            if (fm.horizontalAdvance(line) > width) line = fm.elidedText(line, mode, std::max(0, width));
    }

    const int lineHeight = fm.height() + ((flags & DT_EXTERNALLEADING) ? fm.leading() : 0);
    const int total = lineHeight * static_cast<int>(lines.size());
    if (flags & DT_CALCRECT) {
        int widest = 0;
        for (const QString& line : lines)
            widest = std::max(widest, fm.horizontalAdvance(line));
        rect.Right = rect.Left + widest;
        rect.Bottom = rect.Top + total;
        return total;
    }

    int y = rect.Top;
    if (flags & DT_SINGLELINE) {
        if (flags & DT_VCENTER)
            y = rect.Top + (rect.Height() - total) / 2;
        else if (flags & DT_BOTTOM)
            y = rect.Bottom - total;
    }
    QPainter* p = canvas->Handle();
    if (p == nullptr) return total;
    const bool clip = !(flags & DT_NOCLIP);
    if (clip) {
        p->save();
        p->setClipRect(rect.ToQRect(), p->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    }
    const bool opaque = canvas->Brush.GetStyle() != bsClear;
    const QBrush bg(ToQColor(canvas->Brush.GetColor()));
    // Draw-text lays out horizontally whatever the font's orientation.
    const TFont* font = &canvas->Font;
    std::optional<TFont> upright;
    if (font->GetOrientation() != 0) {
        upright.emplace();
        upright->Assign(canvas->Font);
        upright->SetOrientation(0);
        font = &*upright;
    }
    int lineTop = y;
    for (const QString& line : lines) {
        const int w = fm.horizontalAdvance(line);
        int x = rect.Left;
        if (flags & DT_CENTER)
            x = rect.Left + (width - w) / 2;
        else if (flags & DT_RIGHT)
            x = rect.Right - w;
        if (!line.isEmpty()) PaintTextLine(p, *font, x, lineTop, line, opaque ? &bg : nullptr, w);
        lineTop += lineHeight;
    }
    if (clip) p->restore();
    if (flags & (DT_VCENTER | DT_BOTTOM)) return y - rect.Top + total;
    return total;
}

int DrawText(TCanvas* canvas, const QString& text, const TRect& rect, unsigned flags)
{
    TRect r = rect;
    return DrawText(canvas, text, r, flags);
}

void SetRotatedFont(TCanvas* canvas, int tenthsOfDegree)
{
    if (canvas != nullptr) canvas->Font.SetOrientation(tenthsOfDegree);
}

} // namespace skedra
