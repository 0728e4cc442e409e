// Wide solid strokes from cached pixel runs. The raster engine strokes a wide
// pen with round caps and joins through its general path stroker, which costs
// far more than filling the few pixel runs the stroke ends up covering. The
// runs of a shape (its points relative to the first one, the pen width, open
// or closed) are taken once from that same stroker's output and filled at any
// whole-pixel position after that: the pixels are the stroker's own.
#include "skedra/platform/Canvas_p.h"

#include <QImage>
#include <QHashFunctions>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

namespace skedra::detail
{

namespace
{

// Larger shapes are stroked directly: their runs would cost as much to keep as to make.
constexpr int kMaxExtent = 4096;
constexpr size_t kMaxShapes = 1024;

struct TKeyHash {
    size_t operator()(const std::vector<int>& aKey) const noexcept
    {
        return qHashRange(aKey.begin(), aKey.end());
    }
};

struct TRunCache {
    // Shape key -> its runs, relative to the shape's first point.
    std::unordered_map<std::vector<int>, std::vector<QRect>, TKeyHash> Shapes;
    std::vector<int> Key;     // the key being looked up, kept to save an allocation
    std::vector<QRect> Rects; // the runs being drawn, kept likewise
};

// Painting happens on the thread that owns the painter: one cache per thread.
thread_local TRunCache tRunCache;

// The stroke's pixels as runs of one row each, merged downwards where a run
// repeats on the next row, relative to pts[0].
std::vector<QRect> MakeRuns(const QPoint* pts, int n, bool closed, int aWidth, const QRect& aBox)
{
    const int pad = aWidth + 2;
    // pts[0] lands on (ox, oy): whole pixels, so the stroke's pixels are those it has anywhere.
    const int ox = pad + pts[0].x() - aBox.left();
    const int oy = pad + pts[0].y() - aBox.top();
    QImage image(aBox.width() + 2 * pad, aBox.height() + 2 * pad, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter q(&image);
        q.setRenderHint(QPainter::Antialiasing, false);
        q.setPen(QPen(Qt::black, aWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        q.setBrush(Qt::NoBrush);
        q.translate(ox - pts[0].x(), oy - pts[0].y());
        if (closed)
            q.drawPolygon(pts, n);
        else
            q.drawPolyline(pts, n);
    }
    std::vector<QRect> runs;
    // Runs of the previous row, by index into runs, to extend downwards.
    std::vector<size_t> above, current;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        current.clear();
        for (int x = 0; x < image.width();) {
            if (qAlpha(line[x]) == 0) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < image.width() && qAlpha(line[x]) != 0)
                ++x;
            const QRect run(start - ox, y - oy, x - start, 1);
            const auto same = std::find_if(above.begin(), above.end(), [&](size_t i) {
                return runs[i].left() == run.left() && runs[i].width() == run.width();
            });
            if (same != above.end()) {
                runs[*same].setBottom(run.bottom());
                current.push_back(*same);
            } else {
                runs.push_back(run);
                current.push_back(runs.size() - 1);
            }
        }
        above.swap(current);
    }
    return runs;
}

bool WholePixels(qreal v)
{
    return v == std::floor(v);
}

} // namespace

bool StrokeFromRuns(QPainter* p, const QPoint* pts, int n, bool closed, const QColor& aColor, int aWidth)
{
    if (n < 2 || aWidth < 2 || p->testRenderHint(QPainter::Antialiasing)) return false;
    // Runs are device pixels: only a whole-pixel shift may lie between the shape and the device.
    const QTransform& t = p->deviceTransform();
    if (t.type() > QTransform::TxTranslate || !WholePixels(t.dx()) || !WholePixels(t.dy())) return false;
    int l = pts[0].x(), r = l, top = pts[0].y(), b = top;
    for (int i = 1; i < n; ++i) {
        l = std::min(l, pts[i].x());
        r = std::max(r, pts[i].x());
        top = std::min(top, pts[i].y());
        b = std::max(b, pts[i].y());
    }
    if (r - l > kMaxExtent || b - top > kMaxExtent) return false;

    TRunCache& cache = tRunCache;
    std::vector<int>& key = cache.Key;
    key.clear();
    key.reserve(static_cast<size_t>(3 + 2 * n));
    key.push_back(closed ? 1 : 0);
    key.push_back(aWidth);
    key.push_back(n);
    for (int i = 1; i < n; ++i) {
        key.push_back(pts[i].x() - pts[0].x());
        key.push_back(pts[i].y() - pts[0].y());
    }
    auto found = cache.Shapes.find(key);
    if (found == cache.Shapes.end()) {
        if (cache.Shapes.size() >= kMaxShapes) cache.Shapes.clear();
        found =
            cache.Shapes.emplace(key, MakeRuns(pts, n, closed, aWidth, QRect(QPoint(l, top), QPoint(r, b))))
                .first;
    }
    const std::vector<QRect>& runs = found->second;
    cache.Rects.resize(runs.size());
    for (size_t i = 0; i < runs.size(); ++i)
        cache.Rects[i] = runs[i].translated(pts[0]);
    p->setPen(Qt::NoPen);
    p->setBrush(aColor);
    p->drawRects(cache.Rects.data(), static_cast<int>(cache.Rects.size()));
    return true;
}

int StrokeRunShapes()
{
    return static_cast<int>(tRunCache.Shapes.size());
}

} // namespace skedra::detail
