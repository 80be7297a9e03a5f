#include "tools/make-skins/Pages.h"

#include "screens/layout/Captions.h"
#include "screens/layout/PageLayout.h"
#include "tools/make-skins/Caption.h"

#include <algorithm>
#include <cmath>

namespace MakeSkins {

namespace {

constexpr double kPi = 3.14159265358979323846;

class TRandom {
public:
    explicit TRandom(uint32_t seed) : State(seed ? seed : 1) {}
    double Unit()
    {
        State ^= State << 13;
        State ^= State >> 17;
        State ^= State << 5;
        return double(State >> 8) / double(1u << 24);
    }

private:
    uint32_t State;
};

using WFourfall::kPlayBoard;
using WFourfall::kPlayMenuButton;
using WFourfall::kPlayPreview;
using WFourfall::kPlayScorePanel;

// A small label above a panel: text centred on `box`.
void Heading(TRaster& r, TBox box, const std::string& text, int height, TColor color)
{
    Caption(r, box, text, height, true, color, 2, 0.9);
}

struct TPlayLook {
    TTheme Buttons;
    TColor Well, WellGrid, Frame, FrameLight, PanelGround, Label;
};

// A thick frame band around `inner`, `width` pixels wide, lit from above.
void FrameBand(TRaster& r, TBox inner, int width, const TPlayLook& look, TColor ground)
{
    const double x0 = inner.X - width, y0 = inner.Y - width, x1 = inner.Right() + width,
                 y1 = inner.Bottom() + width;
    r.SoftRect(x0 + 3, y0 + 5, x1 + 3, y1 + 5, 14, 12, Hex(0x000000), 0.55);
    r.RoundRect(x0, y0, x1, y1, 14, [&](double, double py) {
        return Mix(Mix(look.Frame, Hex(0xFFFFFF), 0.25), Scale(look.Frame, 0.55), (py - y0) / (y1 - y0));
    });
    r.RoundFrame(x0, y0, x1, y1, 14, 1.5, look.FrameLight, 0.9);
    r.RoundFrame(x0 + 1.5, y0 + 1.5, x1 - 1.5, y1 - 1.5, 12.5, 1.2, Hex(0xFFFFFF), 0.35);
    r.RoundRect(inner.X - 2, inner.Y - 2, inner.Right() + 2, inner.Bottom() + 2, 5, Scale(look.Frame, 0.3));
    r.RoundRect(inner.X, inner.Y, inner.Right(), inner.Bottom(), 3, ground);
}

void PlayFurniture(TRaster& r, const TPlayLook& look)
{
    // The well: a dark, quiet ground with a barely visible cell grid.
    FrameBand(r, kPlayBoard, 10, look, look.Well);
    for (int y = kPlayBoard.Y; y < kPlayBoard.Bottom(); ++y)
        for (int x = kPlayBoard.X; x < kPlayBoard.Right(); ++x) {
            const TColor ground =
                Mix(look.Well, Scale(look.Well, 0.6), double(y - kPlayBoard.Y) / kPlayBoard.H);
            r.Set(x, y, ground);
            if ((x - kPlayBoard.X) % 16 == 0 || (y - kPlayBoard.Y) % 16 == 0)
                r.Blend(x, y, look.WellGrid, 0.5);
        }
    // Next figure and score panel.
    FrameBand(r, kPlayPreview, 8, look, look.PanelGround);
    Heading(r, {kPlayPreview.X - 8, kPlayPreview.Y - 42, kPlayPreview.W + 16, 28}, "Next", 22, look.Label);
    FrameBand(r, kPlayScorePanel, 8, look, look.PanelGround);
    const char* labels[] = {"Score", "Level", "Lines"};
    for (int k = 0; k < 6; ++k) {
        const TBox row{kPlayScorePanel.X, kPlayScorePanel.Y + k * kPlayScorePanel.H / 6, kPlayScorePanel.W,
                       (k + 1) * kPlayScorePanel.H / 6 - k * kPlayScorePanel.H / 6};
        if (k % 2 == 0) {
            Caption(r, row, labels[k / 2], 17, true, look.Label, 2, 0.8);
        } else {
            r.RoundRect(row.X + 4, row.Y + 1, row.Right() - 4, row.Bottom() - 1, 5, Hex(0x000000), 0.45);
            r.RoundFrame(row.X + 4, row.Y + 1, row.Right() - 4, row.Bottom() - 1, 5, 1, look.FrameLight,
                         0.35);
        }
    }
    Title(r, "Tumbletown", 655, 520, 40);
}

void TechnoBackdrop(TRaster& r)
{
    r.VerticalGradient({0, 0, 800, 600}, {{0.0, Hex(0x04101F)}, {0.6, Hex(0x07243A)}, {1.0, Hex(0x0B0A24)}});
    // A neon floor grid receding to the horizon.
    const double horizon = 380;
    for (int y = int(horizon); y < 600; ++y)
        for (int x = 0; x < 800; ++x) {
            const double depth = (y - horizon + 1) / (600 - horizon);
            const double u = (x - 400) / depth / 60.0;
            const double v = 1.0 / depth * 4.0;
            const double lineU = std::fabs(u - std::round(u)), lineV = std::fabs(v - std::round(v));
            const double a = std::max(std::exp(-lineU * lineU * 900 * depth), std::exp(-lineV * lineV * 300));
            r.Blend(x, y, Mix(Hex(0xFF2FB4), Hex(0x2FE6FF), depth), a * 0.5 * depth);
        }
    for (int x = 0; x < 800; ++x)
        for (int y = int(horizon) - 40; y < int(horizon) + 6; ++y)
            r.Blend(x, y, Hex(0xFF3CC8), 0.35 * std::exp(-std::pow((y - horizon) / 10.0, 2)));
    // Circuit traces with glowing pads.
    TRandom rnd(77);
    for (int i = 0; i < 46; ++i) {
        double x = rnd.Unit() * 800, y = rnd.Unit() * 360;
        const TColor c = rnd.Unit() < 0.7 ? Hex(0x2FE6FF) : Hex(0xFF4FD8);
        for (int seg = 0; seg < 4; ++seg) {
            const double len = 20 + rnd.Unit() * 70;
            const int dir = int(rnd.Unit() * 4);
            const double nx = x + (dir == 0   ? len
                                   : dir == 1 ? -len
                                              : 0),
                         ny = y + (dir == 2   ? len
                                   : dir == 3 ? -len
                                              : 0);
            r.Line(x, y, nx, ny, 4, c, 0.06);
            r.Line(x, y, nx, ny, 1.4, c, 0.35);
            x = nx, y = ny;
        }
        r.Circle(x, y, 6, c, 0.12);
        r.Ring(x, y, 3.2, 1.4, c, 0.7);
    }
    // Wireframe figures drifting in the side columns.
    for (int i = 0; i < 6; ++i) {
        const double x = i % 2 ? 560 + rnd.Unit() * 180 : 30 + rnd.Unit() * 180;
        const double y = 260 + rnd.Unit() * 250;
        Figure(r, int(rnd.Unit() * 7), x, y, 20, CellColor(i % 2 ? 4 : 6), 0.25);
    }
    r.Vignette(0.35);
    r.Grain({0, 0, 800, 600}, 0.01, 5);
}

void NatureBackdrop(TRaster& r)
{
    r.VerticalGradient(
        {0, 0, 800, 600},
        {{0.0, Hex(0x3D8FC6)}, {0.35, Hex(0x9DD3E8)}, {0.55, Hex(0xF3E2B0)}, {1.0, Hex(0xF3E2B0)}});
    // Sun with a soft halo.
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x) {
            const double d = std::hypot(x - 640.0, y - 120.0);
            r.Blend(x, y, Hex(0xFFF3C0), 0.6 * std::exp(-d / 90));
        }
    r.Circle(640, 120, 34, Hex(0xFFF8DC));
    // Rolling hills, far to near.
    const struct {
        double Base, Amp, Freq, Phase;
        uint32_t Color;
    } hills[] = {{330, 30, 0.006, 0.5, 0x8DBF8A},
                 {380, 36, 0.009, 2.0, 0x5FA35A},
                 {450, 40, 0.007, 4.1, 0x3F8A3C},
                 {520, 30, 0.011, 1.3, 0x2C6E2C}};
    for (const auto& h : hills)
        for (int x = 0; x < 800; ++x) {
            const double top =
                h.Base - h.Amp * std::sin(x * h.Freq + h.Phase) - 0.4 * h.Amp * std::sin(x * h.Freq * 2.7);
            for (int y = std::max(0, int(top)); y < 600; ++y)
                r.Blend(x, y, Mix(Hex(h.Color), Scale(Hex(h.Color), 0.75), (y - top) / 200.0),
                        std::clamp(y + 1 - top, 0.0, 1.0));
        }
    // Trees: trunks and layered crowns.
    TRandom rnd(91);
    for (int i = 0; i < 16; ++i) {
        const bool left = i % 2 == 0;
        const double x = left ? 10 + rnd.Unit() * 230 : 560 + rnd.Unit() * 230;
        const double base = 420 + rnd.Unit() * 170, size = 34 + rnd.Unit() * 40;
        const TColor crown = Mix(Hex(0x1F5E24), Hex(0x3E8E35), rnd.Unit());
        r.Line(x, base, x, base - size * 0.8, size * 0.14, Hex(0x5A3A1E));
        for (int k = 0; k < 3; ++k) {
            const double y = base - size * (0.6 + 0.45 * k);
            const double half = size * (0.75 - 0.18 * k);
            r.Polygon({{x - half, y}, {x + half, y}, {x, y - size * 0.7}}, Scale(crown, 0.8 + 0.1 * k));
        }
    }
    // Drifting leaves.
    for (int i = 0; i < 40; ++i) {
        const double x = rnd.Unit() * 800, y = rnd.Unit() * 600, a = rnd.Unit() * kPi, s = 5 + rnd.Unit() * 5;
        const double ca = std::cos(a) * s, sa = std::sin(a) * s;
        r.Polygon({{x - ca, y - sa},
                   {x + sa * 0.45, y - ca * 0.45},
                   {x + ca, y + sa},
                   {x - sa * 0.45, y + ca * 0.45}},
                  rnd.Unit() < 0.5 ? Hex(0xE39B2D) : Hex(0x8CC63F), 0.8);
    }
    r.Vignette(0.3);
    r.Grain({0, 0, 800, 600}, 0.01, 6);
}

void KidsBackdrop(TRaster& r)
{
    r.VerticalGradient({0, 0, 800, 600}, {{0.0, Hex(0x4FB8F2)}, {0.7, Hex(0xBDE9FF)}, {1.0, Hex(0xBDE9FF)}});
    // Rainbow behind everything.
    const uint32_t bands[] = {0xFF4D4D, 0xFF9F1C, 0xFFE14D, 0x5ED15E, 0x3FA9F5, 0x9B5DE5};
    for (int k = 0; k < 6; ++k)
        r.Ring(400, 560, 470 - k * 16, 16, Hex(bands[k]), 0.55);
    // Grass with flowers.
    for (int x = 0; x < 800; ++x) {
        const double top = 545 + 6 * std::sin(x * 0.05) + 4 * std::sin(x * 0.13);
        for (int y = int(top); y < 600; ++y)
            r.Blend(x, y, Mix(Hex(0x6CD35A), Hex(0x3FA33A), (y - top) / 55), std::min(1.0, y + 1 - top));
    }
    TRandom rnd(55);
    for (int i = 0; i < 26; ++i) {
        const double x = rnd.Unit() * 800, y = 560 + rnd.Unit() * 34;
        const TColor petal = Hex(bands[int(rnd.Unit() * 6)]);
        for (int p = 0; p < 5; ++p)
            r.Circle(x + 4 * std::cos(p * 2 * kPi / 5), y + 4 * std::sin(p * 2 * kPi / 5), 3, petal);
        r.Circle(x, y, 2.2, Hex(0xFFF3A0));
    }
    // Fluffy clouds.
    const double clouds[][3] = {
        {120, 70, 1.0}, {600, 48, 0.8}, {700, 190, 0.7}, {80, 250, 0.75}, {420, 20, 0.6}};
    for (const auto& c : clouds) {
        const double s = c[2];
        const double puffs[][3] = {{0, 0, 26},   {28, -12, 30}, {58, 0, 24},
                                   {30, 10, 24}, {-22, 6, 18},  {78, 8, 16}};
        for (const auto& p : puffs)
            r.Circle(c[0] + p[0] * s + 2, c[1] + p[1] * s + 5, p[2] * s, Hex(0x7FA7C9), 0.35);
        for (const auto& p : puffs)
            r.Circle(c[0] + p[0] * s, c[1] + p[1] * s, p[2] * s, Hex(0xFFFFFF));
    }
    // Balloons on strings.
    const double balloons[][3] = {{80, 380, 0},  {140, 330, 2}, {200, 400, 4},
                                  {600, 330, 5}, {660, 390, 1}, {730, 320, 3}};
    for (const auto& b : balloons) {
        const TColor c = Hex(bands[int(b[2])]);
        r.Line(b[0], b[1] + 30, b[0] + 6 * std::sin(b[0]), b[1] + 120, 1.2, Hex(0x5A5A5A), 0.8);
        r.Polygon({{b[0] - 4, b[1] + 33}, {b[0] + 4, b[1] + 33}, {b[0], b[1] + 27}}, Scale(c, 0.8));
        for (int y = int(b[1] - 32); y < int(b[1] + 32); ++y)
            for (int x = int(b[0] - 26); x < int(b[0] + 26); ++x) {
                const double dx = (x + 0.5 - b[0]) / 23, dy = (y + 0.5 - b[1]) / 29;
                const double d = (std::sqrt(dx * dx + dy * dy) - 1) * 23;
                const double shade = 0.75 + 0.35 * std::max(0.0, 1 - std::hypot(dx + 0.35, dy + 0.4));
                r.Blend(x, y, Scale(c, shade), std::clamp(0.5 - d, 0.0, 1.0));
            }
        r.Circle(b[0] - 8, b[1] - 11, 5, Hex(0xFFFFFF), 0.6);
    }
    // Confetti stars.
    for (int i = 0; i < 30; ++i) {
        const double x = rnd.Unit() * 800, y = rnd.Unit() * 520, s = 4 + rnd.Unit() * 5;
        std::vector<std::pair<double, double>> star;
        for (int k = 0; k < 10; ++k) {
            const double a = -kPi / 2 + k * kPi / 5, rr = k % 2 ? s * 0.45 : s;
            star.push_back({x + rr * std::cos(a), y + rr * std::sin(a)});
        }
        r.Polygon(star, Hex(bands[int(rnd.Unit() * 6)]), 0.9);
    }
    r.Grain({0, 0, 800, 600}, 0.008, 7);
}

} // namespace

TSkin ComposeSkin(const std::string& name, const TRaster& base, const std::vector<TButton>& buttons,
                  const TTheme& theme)
{
    TSkin skin;
    skin.Name = name;
    skin.Plain = base;
    TRaster lit = base;
    for (const TButton& b : buttons) {
        Plate(skin.Plain, b.Box, b.Text, b.TextHeight, false, theme, b.Inset, b.Bold, b.Padding);
        Plate(lit, b.Box, b.Text, b.TextHeight, true, theme, b.Inset, b.Bold, b.Padding);
    }
    skin.Lit = skin.Plain;
    for (const TButton& b : buttons)
        for (int y = b.Box.Y; y < b.Box.Bottom(); ++y)
            for (int x = b.Box.X; x < b.Box.Right(); ++x)
                skin.Lit.Set(x, y, lit.Get(x, y));
    return skin;
}

TSkin MenuSkin()
{
    TRaster base(kSkinWidth, kSkinHeight);
    MenuBackdrop(base, 1);
    Panel(base, {236, 125, 332, 350}, 14, Hex(0x0A0F24), Hex(0x5B7CC9), 0.55);
    Title(base, "Tumbletown", 400, 22, 84);
    Caption(base, {0, 560, 800, 30}, "a falling-block puzzle", 18, false, Hex(0xB9C6EE), 2, 0.8);
    std::vector<TButton> buttons;
    for (int i = 0; i < WFourfall::kMenuButtonCount; ++i)
        buttons.push_back({WFourfall::kMenuButtons[i], WFourfall::kMenuCaptions[i], 32, 7});
    return ComposeSkin("Menu", base, buttons, MenuTheme());
}

TSkin GameTypeSkin()
{
    TRaster base(kSkinWidth, kSkinHeight);
    MenuBackdrop(base, 2);
    Title(base, "Choose a Game", 400, 52, 62);
    Panel(base, {239, 180, 326, 268}, 12, Hex(0x0A0F24), Hex(0x5B7CC9), 0.55);
    // The description panel: dark enough for white text.
    Panel(base, WFourfall::kGameTypeDescription, 10, Hex(0x060A1A), Hex(0x5B7CC9), 1.0);
    Heading(base, {581, 172, 188, 26}, "About the game", 18, Hex(0xB9C6EE));
    // A little well with a game in progress on the left.
    Panel(base, {50, 190, 144, 256}, 8, Hex(0x05070F), Hex(0x5B7CC9), 1.0);
    const int cells[][3] = {{0, 15, 0}, {1, 15, 0}, {2, 15, 3}, {3, 15, 3}, {5, 15, 5}, {6, 15, 5},
                            {7, 15, 1}, {8, 15, 1}, {0, 14, 2}, {1, 14, 0}, {2, 14, 3}, {5, 14, 5},
                            {6, 14, 4}, {7, 14, 1}, {8, 14, 6}, {0, 13, 2}, {6, 13, 4}, {7, 13, 4},
                            {8, 13, 6}, {0, 12, 2}, {8, 12, 6}};
    for (const auto& c : cells)
        BlockCell(base, 50 + c[0] * 16, 190 + c[1] * 16, 16, CellColor(c[2]));
    Figure(base, 2, 50 + 3 * 16, 190 + 5 * 16, 16, CellColor(6));
    const auto& at = WFourfall::kGameTypeButtons;
    const char* const* text = WFourfall::kGameTypeCaptions;
    std::vector<TButton> buttons = {
        {at[0], text[0], 30, 6}, {at[1], text[1], 30, 6},
        {at[2], text[2], 30, 6}, {at[3], text[3], 30, 6},
        {at[4], text[4], 28, 5}, {WFourfall::kGameTypeMore, WFourfall::kGameTypeMoreCaption, 26, 5},
    };
    return ComposeSkin("GameType", base, buttons, MenuTheme());
}

TSkin MoreGamesSkin()
{
    TRaster base(kSkinWidth, kSkinHeight);
    MenuBackdrop(base, 6);
    Title(base, "More Games", 400, 52, 62);
    const auto& at = WFourfall::kMoreGamesButtons;
    Panel(base, {at[0].X, at[0].Y, at[0].W, at[4].Bottom() - at[0].Y}, 12, Hex(0x0A0F24), Hex(0x5B7CC9),
          0.55);
    Panel(base, WFourfall::kMoreGamesDescription, 10, Hex(0x060A1A), Hex(0x5B7CC9), 1.0);
    Heading(base, {581, 172, 188, 26}, "About the game", 18, Hex(0xB9C6EE));
    // The well the page fills with a moment of the game under the pointer.
    Panel(base, WFourfall::kMoreGamesDemo, 8, Hex(0x05070F), Hex(0x5B7CC9), 1.0);
    const char* const* text = WFourfall::kMoreGamesCaptions;
    std::vector<TButton> buttons;
    for (int i = 0; i < WFourfall::kMoreGamesButtonCount - 1; ++i)
        buttons.push_back({at[i], text[i], 28, 6});
    buttons.push_back({at[5], text[5], 28, 5});
    return ComposeSkin("MoreGames", base, buttons, MenuTheme());
}

TSkin OptionsSkin()
{
    TRaster base(kSkinWidth, kSkinHeight);
    MenuBackdrop(base, 3);
    Title(base, "Options", 400, 60, 66);
    // Opaque enough that the drifting blocks behind it do not show through.
    Panel(base, {240, 182, 378, 284}, 12, Hex(0x0A0F24), Hex(0x5B7CC9), 0.97);
    const auto& at = WFourfall::kOptionsButtons;
    const char* const* text = WFourfall::kOptionsCaptions;
    std::vector<TButton> buttons = {
        {at[0], text[0], 24, 4},   {at[1], text[1], 20, 6},   {at[2], text[2], 20, 6},
        {at[3], text[3], 24, 4},   {at[4], text[4], 20, 6},   {at[5], text[5], 20, 6},
        {at[6], text[6], 24, 4},   {at[7], text[7], 18, 3},   {at[8], text[8], 18, 3},
        {at[9], text[9], 18, 3},   {at[10], text[10], 24, 4}, {at[11], text[11], 20, 6},
        {at[12], text[12], 20, 6}, {at[13], text[13], 28, 5},
    };
    const auto& shadow = WFourfall::kOptionsShadowButtons;
    const char* const* shadowText = WFourfall::kOptionsShadowCaptions;
    buttons.push_back({shadow[0], shadowText[0], 24, 4});
    buttons.push_back({shadow[1], shadowText[1], 20, 6});
    buttons.push_back({shadow[2], shadowText[2], 20, 6});
    buttons.push_back({WFourfall::kOptionsControls, WFourfall::kOptionsControlsCaption, 26, 5});
    buttons.push_back({WFourfall::kOptionsSound, WFourfall::kOptionsSoundCaption, 26, 5});
    return ComposeSkin("Options", base, buttons, MenuTheme());
}

namespace {

// A caption starting at the left edge of `box`, vertically centred, with a
// soft shadow.
void LeftCaption(TRaster& r, TBox box, const std::string& text, int height, TColor color, double shadow)
{
    const TMask m = CaptionMask(text, height, true);
    const int x = box.X - kCaptionMargin, y = box.Y + (box.H - m.H) / 2;
    r.DrawMask(m.Blurred(1, 3), x - 3 + 1, y - 3 + 2, Hex(0x000000), shadow);
    r.DrawMask(m, x, y, color);
}

// The dark, sunken cap where the page writes a key or a value.
void Well(TRaster& r, TBox box, TColor rim)
{
    r.RoundRect(box.X, box.Y, box.Right(), box.Bottom(), 6,
                [&](double, double py) { return Mix(Hex(0x03050E), Hex(0x101A3A), (py - box.Y) / box.H); });
    r.RoundFrame(box.X, box.Y, box.Right(), box.Bottom(), 6, 1.2, rim, 0.8);
    r.RoundFrame(box.X + 1, box.Y + 1, box.Right() - 1, box.Y + 4, 3, 1, Hex(0x000000), 0.5);
}

} // namespace

TSkin ControlsSkin()
{
    using namespace WFourfall;
    TRaster base(kSkinWidth, kSkinHeight);
    MenuBackdrop(base, 7);
    Title(base, "Controls", 400, 16, 60);
    Caption(base, kControlsHint, "Choose an action, then press its new key (Escape cancels).", 18, false,
            Hex(0xB9C6EE), 2, 0.8);
    const TBox panel{kControlsActions[0].X - 10, kControlsActions[0].Y - 8, kControlsActions[0].W + 20,
                     kControlsRepeatLabels[1].Bottom() - kControlsActions[0].Y + 16};
    Panel(base, panel, 8, Hex(0x0A0F24), Hex(0x5B7CC9), 0.97);
    // The key repeat below a faint rule.
    const double rule =
        (kControlsActions[kControlsActionCount - 1].Bottom() + kControlsRepeatLabels[0].Y) / 2.0;
    base.Line(panel.X + 14, rule, panel.Right() - 14, rule, 1.2, Hex(0x5B7CC9), 0.6);
    for (int i = 0; i < kControlsRepeatCount; ++i) {
        const TBox& label = kControlsRepeatLabels[i];
        LeftCaption(base, {label.X + 18, label.Y, label.W - 18, label.H}, kControlsRepeatCaptions[i], 21,
                    Hex(0xDCE6FF), 0.75);
        Well(base, kControlsRepeatValues[i], Hex(0x5B7CC9));
    }
    Caption(base, {0, 548, 800, 26}, "Space drops too. A gamepad's buttons keep their own actions.", 16,
            false, Hex(0x9AA8D8), 2, 0.8);
    std::vector<TButton> buttons;
    for (int a = 0; a < kControlsActionCount; ++a)
        buttons.push_back({kControlsActions[a], "", 22, 4});
    for (int i = 0; i < kControlsRepeatCount; ++i) {
        buttons.push_back({kControlsRepeatDown[i], kControlsStepCaptions[0], 30, 4});
        buttons.push_back({kControlsRepeatUp[i], kControlsStepCaptions[1], 30, 4});
    }
    buttons.push_back({kControlsBack, kControlsBackCaption, 28, 5});
    buttons.push_back({kControlsDefaults, kControlsDefaultsCaption, 26, 5});
    const TTheme& theme = MenuTheme();
    TSkin skin = ComposeSkin("Controls", base, buttons, theme);
    // Each action row: its name on the left of the plate, the key's cap on
    // the right, on both pictures.
    for (int a = 0; a < kControlsActionCount; ++a) {
        const TBox& row = kControlsActions[a];
        const TBox cap{row.X + kControlsKeyCap.X, row.Y + kControlsKeyCap.Y, kControlsKeyCap.W,
                       kControlsKeyCap.H};
        for (int lit = 0; lit < 2; ++lit) {
            TRaster& r = lit ? skin.Lit : skin.Plain;
            const TPlateColors& c = lit ? theme.Lit : theme.Plain;
            LeftCaption(r, {row.X + 18, row.Y, kControlsKeyCap.X - 18, row.H}, kControlsActionCaptions[a], 21,
                        c.Text, lit ? 0.9 : 0.75);
            Well(r, cap, c.Rim);
        }
    }
    return skin;
}

TSkin SoundSkin()
{
    using namespace WFourfall;
    TRaster base(kSkinWidth, kSkinHeight);
    MenuBackdrop(base, 8);
    Title(base, "Sound", 400, 16, 60);
    Caption(base, kSoundHint, "Volumes go in steps of 10 %. Left and Right change the lit one.", 18, false,
            Hex(0xB9C6EE), 2, 0.8);
    const TBox panel{kSoundVolumeLabels[0].X - 10, kSoundVolumeLabels[0].Y - 8,
                     kSoundVolumeUp[0].Right() - kSoundVolumeLabels[0].X + 20,
                     kSoundSmoothButtons[2].Bottom() - kSoundVolumeLabels[0].Y + 16};
    Panel(base, panel, 8, Hex(0x0A0F24), Hex(0x5B7CC9), 0.97);
    // Smooth sound below a faint rule.
    const double rule = (kSoundVolumeLabels[kSoundVolumeCount - 1].Bottom() + kSoundSmoothButtons[1].Y) / 2.0;
    base.Line(panel.X + 14, rule, panel.Right() - 14, rule, 1.2, Hex(0x5B7CC9), 0.6);
    for (int i = 0; i < kSoundVolumeCount; ++i) {
        const TBox& label = kSoundVolumeLabels[i];
        LeftCaption(base, {label.X + 18, label.Y, label.W - 18, label.H}, kSoundVolumeCaptions[i], 21,
                    Hex(0xDCE6FF), 0.75);
        Well(base, kSoundVolumeValues[i], Hex(0x5B7CC9));
    }
    Caption(base, {0, 392, 800, 24}, "Smooth Sound draws the music's waves between their samples:", 16, false,
            Hex(0x9AA8D8), 2, 0.8);
    Caption(base, {0, 416, 800, 24}, "softer highs on headphones, a little more work for the computer.", 16,
            false, Hex(0x9AA8D8), 2, 0.8);
    Caption(base, {0, 548, 800, 26},
            "The Music and Sound Effects switches of the options still turn each off.", 16, false,
            Hex(0x9AA8D8), 2, 0.8);
    std::vector<TButton> buttons;
    for (int i = 0; i < kSoundVolumeCount; ++i) {
        buttons.push_back({kSoundVolumeDown[i], kControlsStepCaptions[0], 30, 4});
        buttons.push_back({kSoundVolumeUp[i], kControlsStepCaptions[1], 30, 4});
    }
    buttons.push_back({kSoundSmoothButtons[0], kSoundSmoothCaptions[0], 22, 4});
    buttons.push_back({kSoundSmoothButtons[1], kSoundSmoothCaptions[1], 20, 6});
    buttons.push_back({kSoundSmoothButtons[2], kSoundSmoothCaptions[2], 20, 6});
    buttons.push_back({kSoundBack, kSoundBackCaption, 28, 5});
    return ComposeSkin("Sound", base, buttons, MenuTheme());
}

TSkin HelpSkin()
{
    TRaster base(kSkinWidth, kSkinHeight);
    MenuBackdrop(base, 4);
    Title(base, "Help", 400, 60, 70);
    Panel(base, WFourfall::kHelpText, 14, Hex(0x060A1A), Hex(0x5B7CC9), 1.0);
    const char* const* text = WFourfall::kHelpCaptions;
    std::vector<TButton> buttons = {
        {WFourfall::kHelpUp, text[0], 24, 4},
        {WFourfall::kHelpDown, text[1], 24, 4},
        {WFourfall::kHelpBack, text[2], 26, 5},
    };
    return ComposeSkin("Help", base, buttons, MenuTheme());
}

TSkin HighScoreSkin()
{
    TRaster base(kSkinWidth, kSkinHeight);
    MenuBackdrop(base, 5);
    Title(base, "High Scores", 400, 46, 66);
    // The list: rank and score columns on a dark ground, names on light strips.
    Panel(base, {134, 186, 532, 266}, 8, Hex(0x060A1A), Hex(0x5B7CC9), 1.0);
    Caption(base, {140, 188, 64, 22}, "Rank", 16, true, Hex(0xB9C6EE), 0, 0.6);
    Caption(base, {260, 188, 213, 22}, "Name", 16, true, Hex(0xB9C6EE), 0, 0.6);
    Caption(base, {490, 188, 160, 22}, "Score", 16, true, Hex(0xB9C6EE), 0, 0.6);
    const uint32_t medals[] = {0xFFD54A, 0xD6DCE4, 0xD08A4A};
    for (int k = 0; k < 9; ++k) {
        const int y = 213 + 26 * k;
        base.RoundRect(140, y - 2, 660, y + 22, 6, Hex(k % 2 ? 0x111936 : 0x18214A), 0.9);
        base.RoundRect(256, y, 477, y + 20, 5,
                       [&](double, double py) { return Mix(Hex(0xFFF6DE), Hex(0xE8D8B0), (py - y) / 20); });
        base.RoundFrame(256, y, 477, y + 20, 5, 1, Hex(0x8A7550), 0.6);
        if (k < 3)
            base.Circle(152 + 2 * k, y + 10, 7, Hex(medals[k]), 0.95);
    }
    const auto& at = WFourfall::kHighScoreButtons;
    const char* const* text = WFourfall::kHighScoreCaptions;
    std::vector<TButton> buttons = {
        {at[0], text[0], 14, 0, false, 6}, {at[1], text[1], 14, 0, false, 6},
        {at[2], text[2], 14, 0, false, 6}, {at[3], text[3], 14, 0, false, 6},
        {at[4], text[4], 24, 4},           {at[5], text[5], 24, 4},
        {at[6], text[6], 24, 4},
    };
    for (int i = 0; i < WFourfall::kHighScoreMoreTabCount; ++i)
        buttons.push_back(
            {WFourfall::kHighScoreMoreTabs[i], WFourfall::kHighScoreMoreCaptions[i], 14, 0, false, 6});
    TTheme theme = MenuTheme();
    theme.Radius = 12;
    return ComposeSkin("HighScore", base, buttons, theme);
}

TSkin QuestionSkin()
{
    const int w = WFourfall::kQuestionBox.W, h = WFourfall::kQuestionBox.H;
    TRaster base(w, h);
    base.VerticalGradient({0, 0, w, h}, {{0.0, Hex(0x1D2D63)}, {1.0, Hex(0x0A1030)}});
    base.RoundFrame(1, 1, w - 1, h - 1, 4, 2, Hex(0x9FB8FF), 0.95);
    base.RoundFrame(4, 4, w - 4, h - 4, 3, 1, Hex(0xFFFFFF), 0.18);
    // The question mark badge, left of the text.
    base.Circle(52, 60, 31, Hex(0x000000), 0.35);
    base.Circle(50, 58, 30, Hex(0xF2B632));
    base.Ring(50, 58, 30, 2, Hex(0xFFE9A8), 0.9);
    Caption(base, {20, 28, 60, 60}, "?", 46, true, Hex(0x2A1B08), 0, 0.25);
    const char* const* text = WFourfall::kQuestionCaptions;
    std::vector<TButton> buttons = {{WFourfall::kQuestionYes, text[0], 26, 4},
                                    {WFourfall::kQuestionNo, text[1], 26, 4}};
    TTheme theme = MenuTheme();
    theme.Radius = 10;
    return ComposeSkin("Question", base, buttons, theme);
}

TSkin PlaySkin(TPlayTheme which)
{
    TRaster base(kSkinWidth, kSkinHeight);
    TPlayLook look;
    std::string name;
    switch (which) {
    case TPlayTheme::Techno:
        name = "bg_techno";
        TechnoBackdrop(base);
        look.Buttons.Plain = {Hex(0x134A6E), Hex(0x071E30), Hex(0x3FF0FF), Hex(0xDFFBFF)};
        look.Buttons.Lit = {Hex(0x6FF7FF), Hex(0x1C7FC4), Hex(0xFFFFFF), Hex(0xFFFFFF)};
        look.Buttons.Glow = Hex(0x3FF0FF);
        look.Well = Hex(0x050A14);
        look.WellGrid = Hex(0x12304A);
        look.Frame = Hex(0x2FE6FF);
        look.FrameLight = Hex(0xFF4FD8);
        look.PanelGround = Hex(0x06101E);
        look.Label = Hex(0x7FF3FF);
        break;
    case TPlayTheme::Nature:
        name = "bg_Nature";
        NatureBackdrop(base);
        look.Buttons.Plain = {Hex(0x9A6A35), Hex(0x5A3616), Hex(0xF0C880), Hex(0xFFF4DC)};
        look.Buttons.Lit = {Hex(0xC8F27A), Hex(0x3E9A2A), Hex(0xFFFFD0), Hex(0xFFFFFF)};
        look.Buttons.Glow = Hex(0xE8FF8A);
        look.Well = Hex(0x0B1A10);
        look.WellGrid = Hex(0x1E3A24);
        look.Frame = Hex(0x7A4A20);
        look.FrameLight = Hex(0xE8C078);
        look.PanelGround = Hex(0x0E2214);
        look.Label = Hex(0xF6E7B0);
        break;
    case TPlayTheme::Kids:
        name = "bg_Kids";
        KidsBackdrop(base);
        look.Buttons.Plain = {Hex(0xFF86BE), Hex(0xD6337F), Hex(0xFFE3F1), Hex(0xFFFFFF)};
        look.Buttons.Lit = {Hex(0xFFF07A), Hex(0xFFA000), Hex(0xFFFFFF), Hex(0xFFFFFF)};
        look.Buttons.Glow = Hex(0xFFF6B0);
        look.Well = Hex(0x121640);
        look.WellGrid = Hex(0x252B66);
        look.Frame = Hex(0xFF5FA8);
        look.FrameLight = Hex(0xFFF07A);
        look.PanelGround = Hex(0x1A1E52);
        look.Label = Hex(0xFFF07A);
        break;
    }
    PlayFurniture(base, look);
    return ComposeSkin(name, base, {{kPlayMenuButton, WFourfall::kPlayCaption, 28, 5}}, look.Buttons);
}

} // namespace MakeSkins
