// Pictures made in memory for screen tests and benchmarks: flat full-window
// skins and a small arrow cursor with its mask.
#pragma once

#include <cstdint>

#include "platform/desktop/Bitmap.h"
#include "wlib/graphics/Bitmap.h"

namespace WLibTest {

// A width x height bitmap of one 5-6-5 colour.
inline void MakeFilledBitmap(WLib::TBitmap& bitmap, int width, int height, uint16_t colour)
{
    bitmap.Create(width, height);
    Platform::Bitmap* pixels = bitmap.Pixels();
    for (int y = 0; pixels != nullptr && y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels->SetPixel(x, y, colour);
}

// The arrow is the lower-left triangle of a size x size square (x <= y),
// with its tip, the hot spot, at the top-left pixel.
inline bool ArrowOpaque(int x, int y)
{
    return x <= y;
}

inline int ArrowPixelCount(int size)
{
    return size * (size + 1) / 2;
}

// The cursor pair: the picture in colour where opaque and black where
// transparent, the mask black where opaque and white elsewhere.
inline void MakeArrowCursor(WLib::TBitmap& image, WLib::TBitmap& mask, int size, uint16_t colour)
{
    image.Create(size, size);
    mask.Create(size, size);
    Platform::Bitmap* picture = image.Pixels();
    Platform::Bitmap* cut = mask.Pixels();
    if (picture == nullptr || cut == nullptr)
        return;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            picture->SetPixel(x, y, ArrowOpaque(x, y) ? colour : 0);
            cut->SetPixel(x, y, ArrowOpaque(x, y) ? 0 : 0xFFFF);
        }
    }
}

} // namespace WLibTest
