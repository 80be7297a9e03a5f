// Device contexts of the 2-D drawing layer: what a drawing call draws on
// (the selected bitmap) and with what (font, text colour, current position,
// pen and brush). Text is always drawn transparent, whatever the background
// mode says; the mode is kept only because callers set it.
#pragma once

#include <cstdint>

#include "platform/desktop/Bitmap.h"

namespace Platform {

class Font;

// Raster operations of block transfers.
constexpr uint32_t kSrcCopy = 0xCC0020;  // destination = source
constexpr uint32_t kSrcAnd = 0x8800C6;   // destination = destination AND source
constexpr uint32_t kSrcPaint = 0xEE0086; // destination = destination OR source

constexpr int kBkTransparent = 1;
constexpr int kBkOpaque = 2;

struct DC {
    Bitmap* Surface = nullptr;
    Font* SelectedFont = nullptr;
    uint32_t TextColor = 0; // 0x00BBGGRR
    int BkMode = kBkOpaque;
    int PosX = 0;
    int PosY = 0;
    // The platform's default pen and brush: black, 1 pixel; white.
    uint32_t PenColor = 0;
    int PenWidth = 1; // 0: no outline
    uint32_t BrushColor = 0xFFFFFF;
    bool HollowBrush = false;
};

DC* CreateMemoryDC();
// Deletes the context only; the selected bitmap and font stay with their owners.
void DeleteDC(DC* dc);
// Each returns what was selected before; null dc does nothing and returns null.
Bitmap* SelectBitmap(DC* dc, Bitmap* bitmap);
Font* SelectFont(DC* dc, Font* font);
uint32_t SetTextColor(DC* dc, uint32_t color);
int SetBkMode(DC* dc, int mode);
void SetPen(DC* dc, uint32_t color, int width);
void SetBrush(DC* dc, uint32_t color, bool hollow = false);

void MoveTo(DC* dc, int x, int y);
// Draws from the current position to (x, y), the end point excluded, with the
// pen; the position moves to (x, y).
void LineTo(DC* dc, int x, int y);
// Outlines (left, top)-(right - 1, bottom - 1) with the pen and fills the
// inside with the brush.
void Rectangle(DC* dc, int left, int top, int right, int bottom);

// Copies a width x height block from (sx, sy) of src's bitmap to (x, y) of
// dst's bitmap with one of the three raster operations above. The block is
// clipped to both bitmaps; nothing outside either is read or written. Any
// other operation draws nothing and returns false, as does a context without
// a bitmap.
bool BitBlt(DC* dst, int x, int y, int width, int height, DC* src, int sx, int sy, uint32_t rop);

} // namespace Platform
