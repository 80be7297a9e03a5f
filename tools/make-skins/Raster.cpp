#include "tools/make-skins/Raster.h"

#include <algorithm>
#include <cmath>

namespace MakeSkins {

namespace {

// The game's JPEG loader raises every channel to this power (mid-grey 128
// shows as 109); the stored picture is lifted by its inverse.
constexpr double kDisplayGamma = 1.0 / (0.45455 * 1.8);

double Clamp01(double v)
{
    return v < 0 ? 0 : v > 1 ? 1 : v;
}

double Coverage(double distance)
{
    return Clamp01(0.5 - distance);
}

void BoxBlurLine(std::vector<float>& v, int count, int stride, size_t start, int radius,
                 std::vector<float>& tmp)
{
    tmp.resize(size_t(count));
    double sum = 0;
    const double norm = 1.0 / (2 * radius + 1);
    auto at = [&](int i) {
        return i < 0 || i >= count ? 0.0 : double(v[start + size_t(i) * size_t(stride)]);
    };
    for (int i = -radius; i <= radius; ++i)
        sum += at(i);
    for (int i = 0; i < count; ++i) {
        tmp[size_t(i)] = float(sum * norm);
        sum += at(i + radius + 1) - at(i - radius);
    }
    for (int i = 0; i < count; ++i)
        v[start + size_t(i) * size_t(stride)] = tmp[size_t(i)];
}

} // namespace

TColor Hex(uint32_t rgb)
{
    return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0};
}

TColor Mix(TColor a, TColor b, double t)
{
    return {a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t};
}

TColor Scale(TColor c, double k)
{
    return {c.R * k, c.G * k, c.B * k};
}

double RoundRectDistance(double px, double py, double x0, double y0, double x1, double y1, double radius)
{
    const double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    const double hx = (x1 - x0) / 2 - radius, hy = (y1 - y0) / 2 - radius;
    const double qx = std::fabs(px - cx) - hx, qy = std::fabs(py - cy) - hy;
    const double ox = std::max(qx, 0.0), oy = std::max(qy, 0.0);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0) - radius;
}

TMask TMask::Blurred(int radius, int border) const
{
    TMask out(W + 2 * border, H + 2 * border);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            out.A[size_t(y + border) * out.W + size_t(x + border)] = A[size_t(y) * W + x];
    std::vector<float> tmp;
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < out.H; ++y)
            BoxBlurLine(out.A, out.W, 1, size_t(y) * out.W, radius, tmp);
        for (int x = 0; x < out.W; ++x)
            BoxBlurLine(out.A, out.H, out.W, size_t(x), radius, tmp);
    }
    return out;
}

TRaster::TRaster(int width, int height) : W(width), H(height), Pixels(size_t(width) * size_t(height)) {}

void TRaster::Blend(int x, int y, TColor c, double alpha)
{
    if (x < 0 || y < 0 || x >= W || y >= H || alpha <= 0)
        return;
    TColor& p = Pixels[size_t(y) * W + x];
    p = Mix(p, c, std::min(alpha, 1.0));
}

void TRaster::Fill(const TPaint& paint)
{
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            Set(x, y, paint(x + 0.5, y + 0.5));
}

void TRaster::VerticalGradient(TBox r, const std::vector<std::pair<double, TColor>>& stops)
{
    for (int y = std::max(r.Y, 0); y < std::min(r.Bottom(), H); ++y) {
        const double t = (y + 0.5 - r.Y) / r.H;
        TColor c = stops.front().second;
        for (size_t i = 1; i < stops.size(); ++i) {
            if (t <= stops[i].first) {
                const double span = stops[i].first - stops[i - 1].first;
                c = Mix(stops[i - 1].second, stops[i].second,
                        span > 0 ? Clamp01((t - stops[i - 1].first) / span) : 1);
                break;
            }
            c = stops[i].second;
        }
        for (int x = std::max(r.X, 0); x < std::min(r.Right(), W); ++x)
            Set(x, y, c);
    }
}

void TRaster::RoundRect(double x0, double y0, double x1, double y1, double radius, const TPaint& paint,
                        double alpha)
{
    for (int y = std::max(0, int(y0) - 1); y < std::min(H, int(y1) + 2); ++y)
        for (int x = std::max(0, int(x0) - 1); x < std::min(W, int(x1) + 2); ++x) {
            const double cov = Coverage(RoundRectDistance(x + 0.5, y + 0.5, x0, y0, x1, y1, radius));
            if (cov > 0)
                Blend(x, y, paint(x + 0.5, y + 0.5), cov * alpha);
        }
}

void TRaster::RoundRect(double x0, double y0, double x1, double y1, double radius, TColor c, double alpha)
{
    RoundRect(
        x0, y0, x1, y1, radius, [c](double, double) { return c; }, alpha);
}

void TRaster::RoundFrame(double x0, double y0, double x1, double y1, double radius, double width, TColor c,
                         double alpha)
{
    for (int y = std::max(0, int(y0) - 1); y < std::min(H, int(y1) + 2); ++y)
        for (int x = std::max(0, int(x0) - 1); x < std::min(W, int(x1) + 2); ++x) {
            const double d = RoundRectDistance(x + 0.5, y + 0.5, x0, y0, x1, y1, radius);
            const double cov = std::min(Coverage(d), Clamp01(0.5 + d + width));
            if (cov > 0)
                Blend(x, y, c, cov * alpha);
        }
}

void TRaster::Circle(double cx, double cy, double r, TColor c, double alpha)
{
    for (int y = std::max(0, int(cy - r) - 1); y < std::min(H, int(cy + r) + 2); ++y)
        for (int x = std::max(0, int(cx - r) - 1); x < std::min(W, int(cx + r) + 2); ++x) {
            const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy) - r;
            Blend(x, y, c, Coverage(d) * alpha);
        }
}

void TRaster::Ring(double cx, double cy, double r, double width, TColor c, double alpha)
{
    for (int y = std::max(0, int(cy - r) - 2); y < std::min(H, int(cy + r) + 3); ++y)
        for (int x = std::max(0, int(cx - r) - 2); x < std::min(W, int(cx + r) + 3); ++x) {
            const double d = std::fabs(std::hypot(x + 0.5 - cx, y + 0.5 - cy) - r) - width / 2;
            Blend(x, y, c, Coverage(d) * alpha);
        }
}

void TRaster::Line(double x0, double y0, double x1, double y1, double width, TColor c, double alpha)
{
    const double dx = x1 - x0, dy = y1 - y0, len2 = std::max(dx * dx + dy * dy, 1e-9);
    const int left = int(std::min(x0, x1) - width) - 1, right = int(std::max(x0, x1) + width) + 2;
    const int top = int(std::min(y0, y1) - width) - 1, bottom = int(std::max(y0, y1) + width) + 2;
    for (int y = std::max(0, top); y < std::min(H, bottom); ++y)
        for (int x = std::max(0, left); x < std::min(W, right); ++x) {
            const double px = x + 0.5 - x0, py = y + 0.5 - y0;
            const double t = Clamp01((px * dx + py * dy) / len2);
            const double d = std::hypot(px - t * dx, py - t * dy) - width / 2;
            Blend(x, y, c, Coverage(d) * alpha);
        }
}

void TRaster::Polygon(const std::vector<std::pair<double, double>>& pts, TColor c, double alpha)
{
    double minX = 1e9, minY = 1e9, maxX = -1e9, maxY = -1e9;
    for (auto [px, py] : pts) {
        minX = std::min(minX, px), maxX = std::max(maxX, px);
        minY = std::min(minY, py), maxY = std::max(maxY, py);
    }
    for (int y = std::max(0, int(minY)); y < std::min(H, int(maxY) + 1); ++y)
        for (int x = std::max(0, int(minX)); x < std::min(W, int(maxX) + 1); ++x) {
            int inside = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) {
                    const double px = x + (sx + 0.5) / 4, py = y + (sy + 0.5) / 4;
                    bool in = false;
                    for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
                        const auto [xi, yi] = pts[i];
                        const auto [xj, yj] = pts[j];
                        if ((yi > py) != (yj > py) && px < (xj - xi) * (py - yi) / (yj - yi) + xi)
                            in = !in;
                    }
                    inside += in;
                }
            if (inside)
                Blend(x, y, c, alpha * inside / 16.0);
        }
}

void TRaster::SoftRect(double x0, double y0, double x1, double y1, double radius, double spread, TColor c,
                       double alpha)
{
    for (int y = std::max(0, int(y0 - spread) - 1); y < std::min(H, int(y1 + spread) + 2); ++y)
        for (int x = std::max(0, int(x0 - spread) - 1); x < std::min(W, int(x1 + spread) + 2); ++x) {
            const double d = RoundRectDistance(x + 0.5, y + 0.5, x0, y0, x1, y1, radius);
            const double t = Clamp01(1 - d / spread);
            Blend(x, y, c, alpha * t * t * (3 - 2 * t));
        }
}

void TRaster::DrawMask(const TMask& m, int x, int y, const TPaint& paint, double alpha)
{
    for (int j = 0; j < m.H; ++j)
        for (int i = 0; i < m.W; ++i) {
            const float a = m.A[size_t(j) * m.W + i];
            if (a > 0)
                Blend(x + i, y + j, paint(x + i + 0.5, y + j + 0.5), a * alpha);
        }
}

void TRaster::DrawMask(const TMask& m, int x, int y, TColor c, double alpha)
{
    DrawMask(
        m, x, y, [c](double, double) { return c; }, alpha);
}

void TRaster::Grain(TBox r, double amount, uint32_t seed)
{
    uint32_t s = seed ? seed : 1;
    for (int y = std::max(0, r.Y); y < std::min(H, r.Bottom()); ++y)
        for (int x = std::max(0, r.X); x < std::min(W, r.Right()); ++x) {
            s ^= s << 13;
            s ^= s >> 17;
            s ^= s << 5;
            const double n = (double(s >> 8) / double(1u << 24) - 0.5) * 2 * amount;
            TColor& p = Pixels[size_t(y) * W + x];
            p = {p.R + n, p.G + n, p.B + n};
        }
}

void TRaster::Vignette(double strength)
{
    const double cx = W / 2.0, cy = H / 2.0, far = std::hypot(cx, cy);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy) / far;
            Pixels[size_t(y) * W + x] = Scale(Pixels[size_t(y) * W + x], 1 - strength * d * d);
        }
}

std::vector<uint8_t> TRaster::ToStoredRgb() const
{
    std::vector<uint8_t> out;
    out.reserve(Pixels.size() * 3);
    auto store = [](double v) {
        return uint8_t(std::min(255L, std::lround(256.0 * std::pow(Clamp01(v), 1.0 / kDisplayGamma))));
    };
    for (const TColor& p : Pixels) {
        out.push_back(store(p.R));
        out.push_back(store(p.G));
        out.push_back(store(p.B));
    }
    return out;
}

} // namespace MakeSkins
