// The painting surface of the skin generator: an RGB picture in floating
// point (0 to 1 per channel, as the player should see it) with anti-aliased
// shapes drawn from signed distances, gradients, soft shadows and glows, and
// alpha masks for text. Everything is computed in a fixed order from fixed
// inputs, so the same source always paints the same picture.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "screens/layout/PageLayout.h"

namespace MakeSkins {

struct TColor {
    double R = 0, G = 0, B = 0;
};

TColor Hex(uint32_t rgb); // 0xRRGGBB
TColor Mix(TColor a, TColor b, double t);
TColor Scale(TColor c, double k);

// Rectangles are the pages' own: left, top, width, height.
using WFourfall::TBox;

// A coverage mask, 0 to 1 per pixel.
struct TMask {
    int W = 0, H = 0;
    std::vector<float> A;
    TMask() = default;
    TMask(int w, int h) : W(w), H(h), A(size_t(w) * size_t(h), 0.0f) {}
    float At(int x, int y) const { return x < 0 || y < 0 || x >= W || y >= H ? 0.0f : A[size_t(y) * W + x]; }
    // A copy grown by `border` pixels on every side, blurred by three box
    // passes of the given radius: a soft glow or shadow of the shape.
    TMask Blurred(int radius, int border) const;
};

using TPaint = std::function<TColor(double x, double y)>;

class TRaster {
public:
    TRaster(int width, int height);
    int Width() const { return W; }
    int Height() const { return H; }
    TColor Get(int x, int y) const { return Pixels[size_t(y) * W + x]; }
    void Set(int x, int y, TColor c) { Pixels[size_t(y) * W + x] = c; }

    // Blends `c` over pixel (x, y) with `alpha`; outside the picture nothing happens.
    void Blend(int x, int y, TColor c, double alpha);
    void Fill(const TPaint& paint);
    // A vertical gradient through (position 0..1, colour) stops over `r`.
    void VerticalGradient(TBox r, const std::vector<std::pair<double, TColor>>& stops);

    // Anti-aliased shapes, painted by `paint` (window coordinates).
    void RoundRect(double x0, double y0, double x1, double y1, double radius, const TPaint& paint,
                   double alpha = 1);
    void RoundRect(double x0, double y0, double x1, double y1, double radius, TColor c, double alpha = 1);
    // A ring `width` wide along the inside of the rounded rectangle.
    void RoundFrame(double x0, double y0, double x1, double y1, double radius, double width, TColor c,
                    double alpha = 1);
    void Circle(double cx, double cy, double r, TColor c, double alpha = 1);
    void Ring(double cx, double cy, double r, double width, TColor c, double alpha = 1);
    void Line(double x0, double y0, double x1, double y1, double width, TColor c, double alpha = 1);
    // Any simple polygon, 4 x 4 samples per pixel.
    void Polygon(const std::vector<std::pair<double, double>>& points, TColor c, double alpha = 1);
    // A soft shadow or glow of a rounded rectangle: `spread` pixels of falloff.
    void SoftRect(double x0, double y0, double x1, double y1, double radius, double spread, TColor c,
                  double alpha);

    // The mask placed with its top-left corner at (x, y), painted.
    void DrawMask(const TMask& m, int x, int y, const TPaint& paint, double alpha = 1);
    void DrawMask(const TMask& m, int x, int y, TColor c, double alpha = 1);

    // Adds a fixed pseudo-random grain of +- `amount` inside `r`.
    void Grain(TBox r, double amount, uint32_t seed);
    // Darkens towards the corners.
    void Vignette(double strength);

    // 8-bit RGB rows, top first, with the game's display gamma undone so that
    // the picture looks on screen as painted here.
    std::vector<uint8_t> ToStoredRgb() const;

private:
    int W, H;
    std::vector<TColor> Pixels;
};

// Signed distance from (px, py) to a rounded rectangle (negative inside).
double RoundRectDistance(double px, double py, double x0, double y0, double x1, double y1, double radius);

} // namespace MakeSkins
