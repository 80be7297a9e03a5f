// The JPEG loader: turns a JPEG picture into a 16-bit 5-6-5 bitmap section
// (bottom-up, rows padded to 4 bytes), with a fixed gamma applied to every
// channel. Decoding is libjpeg's; this feeds it bytes through a 4096-byte
// buffer and converts each decoded row at once through one row buffer.
// Every failure gives no bitmap, silently.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/desktop/Bitmap.h"
#include "platform/desktop/DeviceContext.h"

namespace ImageLoader {

// A source of bytes.
class BinReader {
public:
    virtual ~BinReader();
    // Copies up to count bytes into buffer; returns how many.
    virtual int Read(void* buffer, int count) = 0;
};

// A reader over one block of memory.
class brData : public BinReader {
public:
    brData() = default;
    ~brData() override;
    brData(const brData&) = delete;
    brData& operator=(const brData&) = delete;

    // The program carries no image resources on this platform: always false,
    // the reader stays empty.
    bool OpenResource(void* module, int id, const char* type);
    // Reads the whole file into an owned block. False when it cannot be
    // opened (the reader stays empty) or reads short (the bytes read stay).
    bool OpenFile(const char* name);
    // Reads from bytes the caller keeps alive (not owned).
    bool OpenMemory(const uint8_t* bytes, size_t count);
    void Release();
    int Read(void* buffer, int count) override;

    uint8_t* data = nullptr;
    uint32_t size = 0;
    uint32_t owned = 0;
    const uint8_t* cursor = nullptr;
    int32_t remaining = 0;
};

// Pictures wider or taller than this give no bitmap.
constexpr int kMaxImageSide = Platform::kMaxBitmapSide;

// Entry i = trunc(256 * (i / 256) ^ E), E = 1 / (0.45455 * 1.8); rebuilt at
// the start of every decoding.
extern uint8_t GammaTable[256];
void BuildGammaTable();

// Row size of the output bitmap: (2 * width + 3) rounded down to a multiple of 4.
inline int RowSize(int width)
{
    return (2 * width + 3) & ~3;
}

// One output pixel from 8-bit R, G, B through the gamma table.
inline uint16_t PackPixel(uint8_t r, uint8_t g, uint8_t b)
{
    return uint16_t(((GammaTable[r] & 0xF8) << 8) | ((GammaTable[g] & 0xFC) << 3) | (GammaTable[b] >> 3));
}

// Decodes the reader's picture when format is L"image/jpeg". On success the
// bitmap (the caller's from then on), its width and height are stored. dc is
// accepted for the platform's sake; the pixel format never depends on it.
// Pictures with a side beyond maxSide give false.
bool DecodeImage(Platform::DC* dc, const wchar_t* format, BinReader& reader, Platform::Bitmap** bitmap,
                 int* width, int* height, int maxSide = kMaxImageSide);

Platform::Bitmap* LoadImageFile(const char* name);
Platform::Bitmap* LoadImageResource(int id);
// The loader over bytes in memory, for callers that hold the file already.
Platform::Bitmap* LoadImageData(const uint8_t* data, size_t size, int maxSide = kMaxImageSide);

} // namespace ImageLoader
