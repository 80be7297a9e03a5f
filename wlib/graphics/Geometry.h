// Points, sizes and rectangles in pixels. A rectangle is (left, top, right,
// bottom); width = right - left, height = bottom - top, and a point on any of
// its four edges counts as inside.
#pragma once

#include <cstdint>

namespace WLib {

struct TPoint {
    int32_t X = 0;
    int32_t Y = 0;

    TPoint() = default;
    TPoint(int32_t x, int32_t y) : X(x), Y(y) {}
    TPoint operator+(const TPoint& o) const { return TPoint(X + o.X, Y + o.Y); }
    TPoint operator-(const TPoint& o) const { return TPoint(X - o.X, Y - o.Y); }
    // Truncates toward zero, like every division of the drawing code; a
    // division by 0 gives (0, 0).
    TPoint operator/(int32_t d) const { return d ? TPoint(X / d, Y / d) : TPoint(); }
    bool operator==(const TPoint& o) const { return X == o.X && Y == o.Y; }
    bool operator!=(const TPoint& o) const { return !(*this == o); }
};

struct TSize {
    int32_t Width = 0;
    int32_t Height = 0;

    TSize() = default;
    TSize(int32_t w, int32_t h) : Width(w), Height(h) {}
    TSize operator*(const TSize& o) const { return TSize(Width * o.Width, Height * o.Height); }
    bool operator==(const TSize& o) const { return Width == o.Width && Height == o.Height; }
    bool operator!=(const TSize& o) const { return !(*this == o); }
};

struct TRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;

    TRect() = default;
    TRect(int32_t l, int32_t t, int32_t r, int32_t b) : Left(l), Top(t), Right(r), Bottom(b) {}

    int32_t Width() const { return Right - Left; }
    int32_t Height() const { return Bottom - Top; }
    TPoint TopLeft() const { return TPoint(Left, Top); }
    TPoint BottomRight() const { return TPoint(Right, Bottom); }
    bool IsZero() const { return Left == 0 && Top == 0 && Right == 0 && Bottom == 0; }
    bool Contains(const TPoint& p) const
    {
        return Left <= p.X && p.X <= Right && Top <= p.Y && p.Y <= Bottom;
    }
    TRect Offset(int32_t dx, int32_t dy) const { return TRect(Left + dx, Top + dy, Right + dx, Bottom + dy); }
    TRect Offset(const TPoint& d) const { return Offset(d.X, d.Y); }
    bool operator==(const TRect& o) const
    {
        return Left == o.Left && Top == o.Top && Right == o.Right && Bottom == o.Bottom;
    }
    bool operator!=(const TRect& o) const { return !(*this == o); }
};

} // namespace WLib
