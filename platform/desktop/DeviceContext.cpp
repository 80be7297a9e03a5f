#include "platform/desktop/DeviceContext.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

namespace Platform {

DC* CreateMemoryDC()
{
    return new (std::nothrow) DC();
}

void DeleteDC(DC* dc)
{
    delete dc;
}

Bitmap* SelectBitmap(DC* dc, Bitmap* bitmap)
{
    if (!dc)
        return nullptr;
    Bitmap* old = dc->Surface;
    dc->Surface = bitmap;
    return old;
}

Font* SelectFont(DC* dc, Font* font)
{
    if (!dc)
        return nullptr;
    Font* old = dc->SelectedFont;
    dc->SelectedFont = font;
    return old;
}

uint32_t SetTextColor(DC* dc, uint32_t color)
{
    if (!dc)
        return 0;
    uint32_t old = dc->TextColor;
    dc->TextColor = color & 0xFFFFFF;
    return old;
}

int SetBkMode(DC* dc, int mode)
{
    if (!dc)
        return 0;
    int old = dc->BkMode;
    dc->BkMode = mode;
    return old;
}

void SetPen(DC* dc, uint32_t color, int width)
{
    if (!dc)
        return;
    dc->PenColor = color & 0xFFFFFF;
    dc->PenWidth = width > 0 ? 1 : 0;
}

void SetBrush(DC* dc, uint32_t color, bool hollow)
{
    if (!dc)
        return;
    dc->BrushColor = color & 0xFFFFFF;
    dc->HollowBrush = hollow;
}

void MoveTo(DC* dc, int x, int y)
{
    if (!dc)
        return;
    dc->PosX = x;
    dc->PosY = y;
}

void LineTo(DC* dc, int x, int y)
{
    if (!dc)
        return;
    int x0 = dc->PosX, y0 = dc->PosY;
    dc->PosX = x;
    dc->PosY = y;
    Bitmap* bm = dc->Surface;
    if (!bm || dc->PenWidth == 0)
        return;
    uint16_t pen = ColorTo565(dc->PenColor);
    // Bresenham; the end point is not drawn.
    long dx = std::labs(long(x) - x0), dy = -std::labs(long(y) - y0);
    int stepX = x0 < x ? 1 : -1, stepY = y0 < y ? 1 : -1;
    long err = dx + dy;
    long cx = x0, cy = y0;
    while (cx != x || cy != y) {
        if (cx >= 0 && cy >= 0 && cx < bm->Width() && cy < bm->Height())
            bm->Row(int(cy))[cx] = pen;
        long e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            cx += stepX;
        }
        if (e2 <= dx) {
            err += dx;
            cy += stepY;
        }
    }
}

namespace {

void FillSpan(Bitmap* bm, int y, int x0, int x1, uint16_t value)
{
    // Fills [x0, x1) of row y, clipped to the bitmap.
    if (y < 0 || y >= bm->Height())
        return;
    if (x0 < 0)
        x0 = 0;
    if (x1 > bm->Width())
        x1 = bm->Width();
    uint16_t* row = bm->Row(y);
    for (int x = x0; x < x1; ++x)
        row[x] = value;
}

} // namespace

void Rectangle(DC* dc, int left, int top, int right, int bottom)
{
    if (!dc || !dc->Surface)
        return;
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    if (right - left < 1 || bottom - top < 1)
        return;
    Bitmap* bm = dc->Surface;
    int border = dc->PenWidth;
    if (!dc->HollowBrush) {
        uint16_t brush = ColorTo565(dc->BrushColor);
        for (int y = top + border; y < bottom - border; ++y)
            FillSpan(bm, y, left + border, right - border, brush);
    }
    if (border) {
        uint16_t pen = ColorTo565(dc->PenColor);
        FillSpan(bm, top, left, right, pen);
        FillSpan(bm, bottom - 1, left, right, pen);
        for (int y = top + 1; y < bottom - 1; ++y) {
            FillSpan(bm, y, left, left + 1, pen);
            FillSpan(bm, y, right - 1, right, pen);
        }
    }
}

namespace {

// Clips one axis of a block transfer to both bitmaps: the source run
// [s, s + n) must lie in [0, srcSize), the destination run [d, d + n) in
// [0, dstSize). False when nothing is left.
bool ClipAxis(int& d, int& s, int& n, int dstSize, int srcSize)
{
    long long dd = d, ss = s, nn = n;
    if (ss < 0) {
        dd -= ss;
        nn += ss;
        ss = 0;
    }
    if (dd < 0) {
        ss -= dd;
        nn += dd;
        dd = 0;
    }
    if (ss + nn > srcSize)
        nn = srcSize - ss;
    if (dd + nn > dstSize)
        nn = dstSize - dd;
    if (nn <= 0)
        return false;
    d = int(dd);
    s = int(ss);
    n = int(nn);
    return true;
}

} // namespace

bool BitBlt(DC* dst, int x, int y, int width, int height, DC* src, int sx, int sy, uint32_t rop)
{
    if (rop != kSrcCopy && rop != kSrcAnd && rop != kSrcPaint)
        return false;
    if (!dst || !src || !dst->Surface || !src->Surface)
        return false;
    if (width <= 0 || height <= 0)
        return true;
    Bitmap* to = dst->Surface;
    const Bitmap* from = src->Surface;
    if (!ClipAxis(x, sx, width, to->Width(), from->Width()) ||
        !ClipAxis(y, sy, height, to->Height(), from->Height()))
        return true;

    // A transfer within one bitmap reads a copy of its source block, so
    // overlapping blocks come out as if read before written.
    std::vector<uint16_t> copy;
    if (to == from) {
        copy.resize(size_t(width) * height);
        for (int r = 0; r < height; ++r)
            std::memcpy(&copy[size_t(r) * width], from->Row(sy + r) + sx, size_t(width) * 2);
    }
    for (int r = 0; r < height; ++r) {
        const uint16_t* s = to == from ? &copy[size_t(r) * width] : from->Row(sy + r) + sx;
        uint16_t* d = to->Row(y + r) + x;
        switch (rop) {
        case kSrcCopy:
            std::memcpy(d, s, size_t(width) * 2);
            break;
        case kSrcAnd:
            for (int i = 0; i < width; ++i)
                d[i] &= s[i];
            break;
        default:
            for (int i = 0; i < width; ++i)
                d[i] |= s[i];
            break;
        }
    }
    return true;
}

} // namespace Platform
