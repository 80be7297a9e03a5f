// make-icons OUTDIR SIZE...: draws the application icon (a rounded dark well
// with a few bevelled blocks falling into it) as RGBA PNG files
// OUTDIR/SIZExSIZE.png. Every pixel is averaged from 4 x 4 samples, so edges
// are smooth at any size; the output depends on nothing but the sizes.

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Rgba {
    double r, g, b, a;
};

// The picture in unit coordinates (0..1, y down); returns the colour at one
// sample point.
struct Block {
    int column, row; // in a 4 x 4 grid inside the well
    Rgba colour;
};

const Block kBlocks[] = {
    // an L lying at the bottom
    {0, 3, {0.95, 0.55, 0.12, 1}},
    {1, 3, {0.95, 0.55, 0.12, 1}},
    {2, 3, {0.95, 0.55, 0.12, 1}},
    {2, 2, {0.95, 0.55, 0.12, 1}},
    // a square beside it
    {3, 3, {0.20, 0.78, 0.35, 1}},
    {3, 2, {0.20, 0.78, 0.35, 1}},
    // a T falling in from the top
    {0, 0, {0.25, 0.60, 1.00, 1}},
    {1, 0, {0.25, 0.60, 1.00, 1}},
    {2, 0, {0.25, 0.60, 1.00, 1}},
    {1, 1, {0.25, 0.60, 1.00, 1}},
};

bool InsideRoundedRect(double x, double y, double left, double top, double right, double bottom,
                       double radius)
{
    if (x < left || x >= right || y < top || y >= bottom)
        return false;
    const double cx = std::clamp(x, left + radius, right - radius);
    const double cy = std::clamp(y, top + radius, bottom - radius);
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
}

Rgba Sample(double x, double y)
{
    // The well: a rounded square with a vertical gradient and a light rim.
    const double margin = 0.04, radius = 0.16;
    if (!InsideRoundedRect(x, y, margin, margin, 1 - margin, 1 - margin, radius))
        return {0, 0, 0, 0};
    Rgba c{0.07 + 0.06 * y, 0.09 + 0.08 * y, 0.20 + 0.14 * y, 1};
    if (!InsideRoundedRect(x, y, margin + 0.025, margin + 0.025, 1 - margin - 0.025, 1 - margin - 0.025,
                           radius - 0.025))
        c = {0.55, 0.62, 0.85, 1};

    // The blocks: a 4 x 4 grid of cells inside the well.
    const double gridLeft = 0.16, gridTop = 0.16, cell = 0.17;
    for (const Block& b : kBlocks) {
        const double l = gridLeft + b.column * cell, t = gridTop + b.row * cell;
        const double gap = cell * 0.06;
        if (!InsideRoundedRect(x, y, l + gap, t + gap, l + cell - gap, t + cell - gap, cell * 0.12))
            continue;
        // Bevel: light on the top and left edges, shade on the bottom and
        // right, so neighbouring blocks read as separate cells.
        const double u = (x - l) / cell, v = (y - t) / cell;
        const double edge = 0.2;
        double light = 1.0;
        if (u < edge || v < edge)
            light = 1.35;
        else if (u > 1 - edge || v > 1 - edge)
            light = 0.65;
        const double gloss = std::max(0.0, 0.35 - std::hypot(u - 0.35, v - 0.35)) * 0.9;
        return {std::min(1.0, b.colour.r * light + gloss), std::min(1.0, b.colour.g * light + gloss),
                std::min(1.0, b.colour.b * light + gloss), 1};
    }
    return c;
}

bool WriteIcon(const std::string& path, int size)
{
    constexpr int kSamples = 4;
    std::vector<uint8_t> pixels(static_cast<size_t>(size) * size * 4);
    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            double r = 0, g = 0, b = 0, a = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const Rgba s =
                        Sample((px + (sx + 0.5) / kSamples) / size, (py + (sy + 0.5) / kSamples) / size);
                    // Premultiplied, so transparent samples do not darken edges.
                    r += s.r * s.a;
                    g += s.g * s.a;
                    b += s.b * s.a;
                    a += s.a;
                }
            }
            uint8_t* out = &pixels[(static_cast<size_t>(py) * size + px) * 4];
            const double n = kSamples * kSamples;
            out[3] = static_cast<uint8_t>(std::lround(a / n * 255));
            if (a > 0) {
                out[0] = static_cast<uint8_t>(std::lround(std::min(1.0, r / a) * 255));
                out[1] = static_cast<uint8_t>(std::lround(std::min(1.0, g / a) * 255));
                out[2] = static_cast<uint8_t>(std::lround(std::min(1.0, b / a) * 255));
            }
        }
    }

    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, size, size, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < size; ++y)
        png_write_row(png, &pixels[static_cast<size_t>(y) * size * 4]);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: make-icons OUTDIR SIZE...\n");
        return 2;
    }
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size < 16 || size > 1024) {
            std::fprintf(stderr, "make-icons: bad size %s\n", argv[i]);
            return 2;
        }
        const std::string path =
            std::string(argv[1]) + "/" + std::to_string(size) + "x" + std::to_string(size) + ".png";
        if (!WriteIcon(path, size)) {
            std::fprintf(stderr, "make-icons: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
