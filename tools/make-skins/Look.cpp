#include "tools/make-skins/Look.h"

#include "screens/layout/TileColours.h"
#include "tools/make-skins/Caption.h"

#include <algorithm>
#include <cmath>

namespace MakeSkins {

namespace {

constexpr double kPi = 3.14159265358979323846;

TMask Fitted(const std::string& text, int width, int height, bool bold)
{
    TMask m = CaptionMask(text, height, bold);
    while (height > 8 && m.W - 2 * kCaptionMargin > width) {
        --height;
        m = CaptionMask(text, height, bold);
    }
    return m;
}

// Cells of the seven figures on a 4 x 2 grid: (column, row) pairs.
constexpr int kFigures[7][4][2] = {
    {{0, 0}, {1, 0}, {2, 0}, {3, 0}}, {{0, 0}, {1, 0}, {0, 1}, {1, 1}}, {{0, 0}, {1, 0}, {2, 0}, {1, 1}},
    {{0, 0}, {1, 0}, {2, 0}, {0, 1}}, {{0, 0}, {1, 0}, {2, 0}, {2, 1}}, {{1, 0}, {2, 0}, {0, 1}, {1, 1}},
    {{0, 0}, {1, 0}, {1, 1}, {2, 1}},
};

} // namespace

const TTheme& MenuTheme()
{
    static const TTheme theme = [] {
        TTheme t;
        t.Plain = {Hex(0x2E9FC0), Hex(0x124E7E), Hex(0x9FE4FF), Hex(0xFFFFFF)};
        t.Lit = {Hex(0xFFE07A), Hex(0xE8730F), Hex(0xFFF6C8), Hex(0xFFFFFF)};
        t.Glow = Hex(0xFFC640);
        return t;
    }();
    return theme;
}

TColor CellColor(int index)
{
    return Hex(WFourfall::kTileColours[std::clamp(index, 0, 6)]);
}

void Caption(TRaster& r, TBox box, const std::string& text, int height, bool bold, TColor color, int padding,
             double shadow)
{
    const TMask m = Fitted(text, box.W - 2 * padding, height, bold);
    const int x = box.X + (box.W - m.W) / 2, y = box.Y + (box.H - m.H) / 2;
    if (shadow > 0) {
        const TMask soft = m.Blurred(1, 3);
        r.DrawMask(soft, x - 3 + 1, y - 3 + 2, Hex(0x000000), shadow);
    }
    r.DrawMask(m, x, y, color);
}

void Title(TRaster& r, const std::string& text, int centreX, int top, int height)
{
    const TMask m = CaptionMask(text, height, true);
    const int x = centreX - m.W / 2;
    const TMask glow = m.Blurred(6, 20);
    r.DrawMask(glow, x - 20, top - 20, Hex(0xFF9A3C), 0.55);
    const TMask outline = m.Blurred(1, 4);
    TMask thick = outline;
    for (float& a : thick.A)
        a = std::min(1.0f, a * 4.0f);
    r.DrawMask(thick, x - 4 + 2, top - 4 + 4, Hex(0x000000), 0.6);
    r.DrawMask(thick, x - 4, top - 4, Hex(0x3A1405), 1.0);
    r.DrawMask(m, x, top, [&](double, double py) {
        const double t = (py - top) / height;
        return t < 0.5 ? Mix(Hex(0xFFF7C2), Hex(0xFFC62E), t * 2)
                       : Mix(Hex(0xFFB020), Hex(0xE2540E), (t - 0.5) * 2);
    });
}

void Plate(TRaster& r, TBox box, const std::string& text, int textHeight, bool lit, const TTheme& theme,
           int inset, bool bold, int padding)
{
    const double x0 = box.X + inset, y0 = box.Y + inset, x1 = box.Right() - inset, y1 = box.Bottom() - inset;
    const double radius = std::min(theme.Radius, (y1 - y0) / 2);
    const TPlateColors& c = lit ? theme.Lit : theme.Plain;
    if (lit && inset > 0)
        r.SoftRect(x0, y0, x1, y1, radius, inset, theme.Glow, 0.75);
    else if (inset > 0)
        r.SoftRect(x0 + 1, y0 + 2, x1 + 1, y1 + 2, radius, std::max(2, inset - 1), Hex(0x000000), 0.55);
    r.RoundRect(x0, y0, x1, y1, radius,
                [&](double, double py) { return Mix(c.Top, c.Bottom, (py - y0) / (y1 - y0)); });
    // Gloss over the upper half, rim light and a darker lower edge.
    r.RoundRect(x0 + 2, y0 + 2, x1 - 2, y0 + (y1 - y0) * 0.48, std::max(1.0, radius - 2), Hex(0xFFFFFF),
                lit ? 0.28 : 0.16);
    r.RoundFrame(x0, y0, x1, y1, radius, 1.6, c.Rim, lit ? 0.95 : 0.7);
    r.RoundFrame(x0 + 1.5, y0 + 1.5, x1 - 1.5, y1 - 1.5, std::max(1.0, radius - 1.5), 1.0, Hex(0x000000),
                 0.18);
    const TBox inner{int(x0), int(y0), int(x1 - x0), int(y1 - y0)};
    Caption(r, inner, text, textHeight, bold, c.Text, padding, lit ? 0.9 : 0.75);
}

void Panel(TRaster& r, TBox inner, int pad, TColor ground, TColor frame, double groundAlpha)
{
    const double x0 = inner.X - pad, y0 = inner.Y - pad, x1 = inner.Right() + pad, y1 = inner.Bottom() + pad;
    r.SoftRect(x0 + 2, y0 + 4, x1 + 2, y1 + 4, 12, 10, Hex(0x000000), 0.5);
    r.RoundRect(x0, y0, x1, y1, 12, ground, groundAlpha);
    r.RoundFrame(x0, y0, x1, y1, 12, 2.5, frame, 0.9);
    r.RoundFrame(x0 + 3, y0 + 3, x1 - 3, y1 - 3, 9, 1, Hex(0xFFFFFF), 0.12);
}

void BlockCell(TRaster& r, double x, double y, double size, TColor color, double alpha)
{
    const double bevel = std::max(1.5, size * 0.14);
    r.RoundRect(x, y, x + size, y + size, size * 0.12, Scale(color, 0.55), alpha);
    r.RoundRect(x + 0.5, y + 0.5, x + size - bevel * 0.6, y + size - bevel * 0.6, size * 0.1,
                Mix(color, Hex(0xFFFFFF), 0.45), alpha);
    r.RoundRect(
        x + bevel, y + bevel, x + size - bevel, y + size - bevel, size * 0.08,
        [&](double, double py) { return Mix(Mix(color, Hex(0xFFFFFF), 0.12), color, (py - y) / size); },
        alpha);
}

void Figure(TRaster& r, int shape, double x, double y, double cell, TColor color, double alpha)
{
    for (const auto& c : kFigures[shape % 7])
        BlockCell(r, x + c[0] * cell, y + c[1] * cell, cell, color, alpha);
}

void MenuBackdrop(TRaster& r, uint32_t seed)
{
    const int w = r.Width(), h = r.Height();
    r.VerticalGradient({0, 0, w, h}, {{0.0, Hex(0x1B0F3F)}, {0.55, Hex(0x10204F)}, {1.0, Hex(0x071226)}});
    // Two broad pools of light.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double a = std::exp(-(std::pow((x - 180.0) / 260, 2) + std::pow((y - 120.0) / 200, 2)));
            const double b = std::exp(-(std::pow((x - 660.0) / 300, 2) + std::pow((y - 470.0) / 220, 2)));
            r.Blend(x, y, Hex(0x6A3DB8), 0.35 * a);
            r.Blend(x, y, Hex(0x1C7FA8), 0.3 * b);
        }
    // A faint diagonal weave.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double s = std::sin((x + y) * kPi / 12) * std::sin((x - y) * kPi / 12);
            r.Blend(x, y, Hex(0xFFFFFF), 0.018 * (s > 0.6));
        }
    // Drifting figures in the margins, faint so that they never compete.
    uint32_t s = seed;
    auto next = [&s]() {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return double(s >> 8) / double(1u << 24);
    };
    for (int i = 0; i < 18; ++i) {
        const bool left = i % 2 == 0;
        const double cell = 12 + next() * 12;
        const double room = 126 - 4 * cell; // the figures stay in the outer columns
        const double x = left ? 4 + next() * room : 796 - 4 * cell - next() * room;
        const double y = -20 + next() * 600;
        const int shape = int(next() * 7);
        r.Line(x + cell, y - 60, x + cell, y - 6, cell * 0.6, Hex(0xFFFFFF), 0.025);
        Figure(r, shape, x, y, cell, CellColor(int(next() * 7)), 0.18 + 0.16 * next());
    }
    r.Vignette(0.45);
    r.Grain({0, 0, w, h}, 0.012, seed * 7 + 1);
}

} // namespace MakeSkins
