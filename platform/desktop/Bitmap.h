// Bitmaps of the 2-D drawing layer: 16 bits per pixel in 5-6-5 layout (red
// 0xF800, green 0x07E0, blue 0x001F), rows padded to a multiple of 4 bytes.
// A compatible bitmap is stored top-down; a DIB section bottom-up, as a
// device-independent section with a positive height is. Drawing code goes
// through Row(), which hides the order.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Platform {

constexpr uint32_t kRedMask565 = 0xF800;
constexpr uint32_t kGreenMask565 = 0x07E0;
constexpr uint32_t kBlueMask565 = 0x001F;
// Larger bitmaps are refused: no picture of the game comes near this, and a
// damaged header must not be able to ask for gigabytes.
constexpr int kMaxBitmapSide = 16384;

// What a device-independent section describes of itself.
struct DibSection {
    int Width = 0;
    int Height = 0;
    int BitsPerPixel = 0;
    int Stride = 0; // bytes per row
    bool BottomUp = false;
    void* Bits = nullptr; // first row in memory
    uint32_t Masks[3] = {0, 0, 0};
};

class Bitmap {
public:
    int Width() const { return W; }
    int Height() const { return H; }
    int Stride() const { return RowBytes; }
    bool BottomUp() const { return IsBottomUp; }
    uint8_t* Bits() { return Memory; }
    const uint8_t* Bits() const { return Memory; }
    // Row y of the picture, 0 at the top.
    uint16_t* Row(int y) { return reinterpret_cast<uint16_t*>(Memory + RowOffset(y)); }
    const uint16_t* Row(int y) const { return reinterpret_cast<const uint16_t*>(Memory + RowOffset(y)); }
    // Pixel access with bounds checks: reads outside give 0, writes outside do nothing.
    uint16_t Pixel(int x, int y) const { return Inside(x, y) ? Row(y)[x] : 0; }
    void SetPixel(int x, int y, uint16_t value)
    {
        if (Inside(x, y))
            Row(y)[x] = value;
    }
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < W && y < H; }

    // Row size in bytes for a 16-bit bitmap of the given width.
    static int StrideFor(int width) { return (2 * width + 3) & ~3; }

private:
    friend Bitmap* NewBitmap(int width, int height, bool bottomUp, bool zeroed);
    friend Bitmap* WrapBitmap(void* memory, int width, int height, int stride);
    friend void DeleteBitmap(Bitmap* bitmap);
    Bitmap() = default;
    ~Bitmap();
    size_t RowOffset(int y) const { return size_t(IsBottomUp ? H - 1 - y : y) * size_t(RowBytes); }

    int W = 0;
    int H = 0;
    int RowBytes = 0;
    bool IsBottomUp = false;
    uint8_t* Memory = nullptr;
    bool OwnsMemory = true;
    size_t MappedBytes = 0; // pages of its own (see NewBitmap), else 0: malloc's
};

// These return null for a non-positive or oversized side or when the memory
// cannot be had. A large bitmap's pages are all in memory when it is made,
// so that writing it takes no page faults one page at a time. Every pixel starts black, unless the caller
// asks for the pixels uninitialised because it is about to write every one of them.
Bitmap* NewBitmap(int width, int height, bool bottomUp, bool zeroed = true);
Bitmap* CreateCompatibleBitmap(int width, int height);
Bitmap* CreateDibSection565(int width, int height);
// A top-down bitmap over pixels that belong to someone else (the window's
// own frame, say): deleting it leaves them. Null for a side as NewBitmap
// refuses, no memory, or rows shorter than StrideFor(width).
Bitmap* WrapBitmap(void* memory, int width, int height, int stride);
void DeleteBitmap(Bitmap* bitmap);
// Fills info from the bitmap; false for null.
bool GetDibSection(const Bitmap* bitmap, DibSection* info);

// Colours are 0x00BBGGRR values.
inline uint16_t ColorTo565(uint32_t color)
{
    uint32_t r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
    return uint16_t(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}
// Expands with bit replication, so black stays 0 and white 0xFFFFFF.
inline uint32_t ColorFrom565(uint16_t p)
{
    uint32_t r = (p >> 11) & 31, g = (p >> 5) & 63, b = p & 31;
    r = (r << 3) | (r >> 2);
    g = (g << 2) | (g >> 4);
    b = (b << 3) | (b >> 2);
    return r | (g << 8) | (b << 16);
}

} // namespace Platform
