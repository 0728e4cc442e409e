#pragma once
// Rectangles are left, top, right, bottom in pixels; the right and bottom edges
// are outside the rectangle (hit tests include left/top and exclude right/bottom).

#include <QPoint>
#include <QRect>
#include <algorithm>
#include <cmath>

namespace skedra
{

struct TPoint {
    int X = 0;
    int Y = 0;
    constexpr TPoint() = default;
    constexpr TPoint(int x, int y) : X(x), Y(y) {}
    friend constexpr bool operator==(const TPoint&, const TPoint&) = default;
    QPoint ToQPoint() const { return QPoint(X, Y); }
    static TPoint From(const QPoint& p) { return TPoint(p.x(), p.y()); }
};

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    constexpr TRect() = default;
    constexpr TRect(int l, int t, int r, int b) : Left(l), Top(t), Right(r), Bottom(b) {}
    constexpr TRect(TPoint topLeft, TPoint bottomRight)
        : Left(topLeft.X), Top(topLeft.Y), Right(bottomRight.X), Bottom(bottomRight.Y)
    {
    }
    friend constexpr bool operator==(const TRect&, const TRect&) = default;

    constexpr int Width() const { return Right - Left; }
    constexpr int Height() const { return Bottom - Top; }
    constexpr TPoint TopLeft() const { return TPoint(Left, Top); }
    constexpr TPoint BottomRight() const { return TPoint(Right, Bottom); }
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    constexpr bool Contains(TPoint p) const
    {
        return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom;
    }
    constexpr bool Contains(int x, int y) const { return Contains(TPoint(x, y)); }
    constexpr TRect Offset(int dx, int dy) const
    {
        return TRect(Left + dx, Top + dy, Right + dx, Bottom + dy);
    }
    constexpr TRect Inflate(int dx, int dy) const
    {
        return TRect(Left - dx, Top - dy, Right + dx, Bottom + dy);
    }

    // QRect covering exactly the pixels of this rectangle (right/bottom exclusive).
    QRect ToQRect() const { return QRect(Left, Top, Width(), Height()); }
    static TRect From(const QRect& r)
    {
        return TRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
    }
};

// A width and a height, as text extents are measured.
struct TSize {
    int cx = 0;
    int cy = 0;
    constexpr TSize() = default;
    constexpr TSize(int w, int h) : cx(w), cy(h) {}
    friend constexpr bool operator==(const TSize&, const TSize&) = default;
};

// A pixel measure rounded to the nearest integer, halves to even. Values
// beyond +-1e7 pixels are held there and a value that is not a number is 0,
// so that the conversion is always defined.
inline int RoundPixel(double v)
{
    if (!(v == v)) return 0;
    return static_cast<int>(std::nearbyint(std::clamp(v, -1.0e7, 1.0e7)));
}

constexpr TPoint Point(int x, int y)
{
    return TPoint(x, y);
}
constexpr TRect Rect(int l, int t, int r, int b)
{
    return TRect(l, t, r, b);
}
constexpr TRect Bounds(int l, int t, int w, int h)
{
    return TRect(l, t, l + w, t + h);
}
constexpr bool PtInRect(const TRect& r, TPoint p)
{
    return r.Contains(p);
}

// Intersection; answers false and an empty rectangle when they do not meet.
inline bool IntersectRect(TRect& result, const TRect& a, const TRect& b)
{
    result = TRect(std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
                   std::min(a.Bottom, b.Bottom));
    if (result.IsEmpty()) {
        result = TRect();
        return false;
    }
    return true;
}

// Smallest rectangle holding both; an empty rectangle does not count.
inline TRect UnionRect(const TRect& a, const TRect& b)
{
    if (a.IsEmpty()) return b;
    if (b.IsEmpty()) return a;
    return TRect(std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
                 std::max(a.Bottom, b.Bottom));
}

} // namespace skedra
