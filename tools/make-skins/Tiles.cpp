#include "tools/make-skins/Tiles.h"

#include "tools/make-skins/Look.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace MakeSkins {

namespace {

constexpr double kPi = 3.14159265358979323846;
const TColor kGround = Hex(0x070A12);

void Ball(TRaster& r, double x, double y, TColor c)
{
    r.RoundRect(x, y, x + 16, y + 16, 0, kGround);
    for (int j = 0; j < 16; ++j)
        for (int i = 0; i < 16; ++i) {
            const double dx = (i + 0.5 - 8) / 7.4, dy = (j + 0.5 - 8) / 7.4;
            const double d = std::sqrt(dx * dx + dy * dy);
            if (d > 1.08)
                continue;
            const double light = std::max(0.0, 1 - std::hypot(dx + 0.38, dy + 0.42));
            TColor p = Mix(Scale(c, 0.45), c, std::clamp(1.2 - d, 0.0, 1.0));
            p = Mix(p, Hex(0xFFFFFF), 0.7 * light * light);
            r.Blend(int(x) + i, int(y) + j, p, std::clamp((1.0 - d) * 7.4 + 0.5, 0.0, 1.0));
        }
}

std::vector<std::pair<double, double>> Star(double cx, double cy, double outer, double inner, int points)
{
    std::vector<std::pair<double, double>> pts;
    for (int k = 0; k < 2 * points; ++k) {
        const double a = -kPi / 2 + k * kPi / points, rr = k % 2 ? inner : outer;
        pts.push_back({cx + rr * std::cos(a), cy + rr * std::sin(a)});
    }
    return pts;
}

// A distinct symbol per colour: circle, square, triangle, diamond, star, plus, heart.
void Symbol(TRaster& r, double x, double y, int index, TColor ink, double alpha)
{
    const double cx = x + 8, cy = y + 8;
    switch (index) {
    case 0:
        r.Circle(cx, cy, 3.6, ink, alpha);
        break;
    case 1:
        r.RoundRect(cx - 3.4, cy - 3.4, cx + 3.4, cy + 3.4, 0.5, ink, alpha);
        break;
    case 2:
        r.Polygon({{cx, cy - 4.4}, {cx + 4.6, cy + 3.6}, {cx - 4.6, cy + 3.6}}, ink, alpha);
        break;
    case 3:
        r.Polygon({{cx, cy - 4.8}, {cx + 4.2, cy}, {cx, cy + 4.8}, {cx - 4.2, cy}}, ink, alpha);
        break;
    case 4:
        r.Polygon(Star(cx, cy + 0.4, 5.0, 2.1, 5), ink, alpha);
        break;
    case 5:
        r.RoundRect(cx - 4.5, cy - 1.4, cx + 4.5, cy + 1.4, 0, ink, alpha);
        r.RoundRect(cx - 1.4, cy - 4.5, cx + 1.4, cy + 4.5, 0, ink, alpha);
        break;
    default:
        r.Circle(cx - 2.0, cy - 1.4, 2.3, ink, alpha);
        r.Circle(cx + 2.0, cy - 1.4, 2.3, ink, alpha);
        r.Polygon({{cx - 4.2, cy - 0.8}, {cx + 4.2, cy - 0.8}, {cx, cy + 4.4}}, ink, alpha);
        break;
    }
}

void Gem(TRaster& r, double x, double y, TColor c)
{
    r.RoundRect(x, y, x + 16, y + 16, 0, kGround);
    r.RoundRect(x + 0.5, y + 0.5, x + 15.5, y + 15.5, 4, Scale(c, 0.5));
    r.RoundRect(x + 1.5, y + 1.5, x + 14.5, y + 14.5, 3.2, [&](double px, double py) {
        const double t = ((px - x) + (py - y)) / 32;
        return Mix(Mix(c, Hex(0xFFFFFF), 0.35), Scale(c, 0.8), t);
    });
    r.RoundRect(x + 3, y + 3, x + 13, y + 13, 2, Scale(c, 0.85), 0.8);
    r.RoundRect(x + 4.5, y + 4.5, x + 11.5, y + 11.5, 1.5, Mix(c, Hex(0xFFFFFF), 0.2), 0.9);
    r.Circle(x + 5.5, y + 5.5, 1.8, Hex(0xFFFFFF), 0.85);
}

// The creator's plus and the destroyer's cross, centred in the tile.
void SpecialSign(TRaster& r, double x, double y, bool creator, TColor ink, double size)
{
    const double cx = x + 8, cy = y + 8, arm = size, half = size * 0.3;
    if (creator) {
        r.RoundRect(cx - arm, cy - half, cx + arm, cy + half, 0.6, ink);
        r.RoundRect(cx - half, cy - arm, cx + half, cy + arm, 0.6, ink);
        return;
    }
    const double d = half * 0.75;
    r.Polygon({{cx - arm, cy - arm + 2 * d},
               {cx - arm + 2 * d, cy - arm},
               {cx + arm, cy + arm - 2 * d},
               {cx + arm - 2 * d, cy + arm}},
              ink);
    r.Polygon({{cx + arm - 2 * d, cy - arm},
               {cx + arm, cy - arm + 2 * d},
               {cx - arm + 2 * d, cy + arm},
               {cx - arm, cy + arm - 2 * d}},
              ink);
}

} // namespace

TRaster SpecialSheet()
{
    using WFourfall::kSpecialTileGrounds;
    using WFourfall::kSpecialTileSigns;
    TRaster r(WFourfall::kSpecialTileCount * kTileSize, kTileStyles * kTileSize);
    for (int i = 0; i < WFourfall::kSpecialTileCount; ++i) {
        const bool creator = i == 0;
        const TColor ground = Hex(kSpecialTileGrounds[i]), sign = Hex(kSpecialTileSigns[i]);
        const double x = i * kTileSize;
        // Each style's own body in the special ground, ringed in the sign's
        // colour so that the dark destroyer stands out on a dark well too.
        BlockCell(r, x, 0, kTileSize, ground);
        Ball(r, x, kTileSize, ground);
        BlockCell(r, x, 2 * kTileSize, kTileSize, ground);
        Gem(r, x, 3 * kTileSize, ground);
        for (int style = 0; style < kTileStyles; ++style) {
            const double y = style * kTileSize;
            const double radius = style == 1 ? 7 : style == 3 ? 4 : 1;
            r.RoundFrame(x + 0.5, y + 0.5, x + 15.5, y + 15.5, radius, style == 2 ? 2 : 1.4, sign, 0.95);
            // The colour-blind style draws the sign larger.
            SpecialSign(r, x, y, creator, sign, style == 2 ? 5.2 : 4.4);
        }
    }
    return r;
}

TRaster TileSheet()
{
    TRaster r(kTileColourCount * kTileSize, kTileStyles * kTileSize);
    for (int i = 0; i < kTileColourCount; ++i) {
        const TColor c = CellColor(i);
        const double x = i * kTileSize;
        BlockCell(r, x, 0, kTileSize, c);
        Ball(r, x, kTileSize, c);
        BlockCell(r, x, 2 * kTileSize, kTileSize, Scale(c, 0.92));
        const bool lightInk = i == 0 || i == 5 || i == 6 || i == 3;
        Symbol(r, x + 0.6, 2 * kTileSize + 0.8, i, Hex(0x000000), 0.35); // a little shadow under the symbol
        Symbol(r, x, 2 * kTileSize, i, lightInk ? Hex(0xFFFFFF) : Hex(0x1A1A1A), 0.95);
        Gem(r, x, 3 * kTileSize, c);
    }
    return r;
}

} // namespace MakeSkins
