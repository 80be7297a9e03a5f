#include "platform/desktop/BmpLoader.h"

#include <vector>

#include "platform/FileReader.h"

namespace Platform {

namespace {

// File header (14 bytes) and the info header after it.
constexpr size_t kFileHeaderSize = 14;
constexpr size_t kSignatureOffset = 0;
constexpr size_t kPixelOffsetOffset = 10;
constexpr size_t kInfoSizeOffset = 14;
constexpr size_t kWidthOffset = 18;
constexpr size_t kHeightOffset = 22;
constexpr size_t kPlanesOffset = 26;
constexpr size_t kBitCountOffset = 28;
constexpr size_t kCompressionOffset = 30;
constexpr size_t kColorsUsedOffset = 46;
constexpr uint32_t kMinInfoSize = 40; // BITMAPINFOHEADER and its later extensions
constexpr uint32_t kUncompressed = 0;

uint16_t U16(const uint8_t* p)
{
    return uint16_t(p[0] | (p[1] << 8));
}
uint32_t U32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

uint16_t Pack(uint8_t r, uint8_t g, uint8_t b)
{
    return uint16_t(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

} // namespace

Bitmap* LoadBmp(const uint8_t* data, size_t size)
{
    if (!data || size < kFileHeaderSize + kMinInfoSize)
        return nullptr;
    if (data[kSignatureOffset] != 'B' || data[kSignatureOffset + 1] != 'M')
        return nullptr;
    uint32_t pixelOffset = U32(data + kPixelOffsetOffset);
    uint32_t infoSize = U32(data + kInfoSizeOffset);
    if (infoSize < kMinInfoSize || infoSize > size - kFileHeaderSize)
        return nullptr;
    int32_t width = int32_t(U32(data + kWidthOffset));
    int32_t rawHeight = int32_t(U32(data + kHeightOffset));
    uint16_t planes = U16(data + kPlanesOffset);
    uint16_t bits = U16(data + kBitCountOffset);
    uint32_t compression = U32(data + kCompressionOffset);
    uint32_t colorsUsed = U32(data + kColorsUsedOffset);
    if (planes != 1 || compression != kUncompressed)
        return nullptr;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return nullptr;
    bool topDown = rawHeight < 0;
    int64_t height = topDown ? -int64_t(rawHeight) : int64_t(rawHeight);
    if (width <= 0 || height <= 0 || width > kMaxBitmapSide || height > kMaxBitmapSide)
        return nullptr;

    // Palette of pictures of up to 8 bits, right after the info header.
    uint16_t palette[256] = {};
    uint32_t paletteCount = 0;
    if (bits <= 8) {
        uint32_t maxColors = 1u << bits;
        paletteCount = (colorsUsed == 0 || colorsUsed > maxColors) ? maxColors : colorsUsed;
        uint64_t paletteStart = kFileHeaderSize + uint64_t(infoSize);
        if (paletteStart + uint64_t(paletteCount) * 4 > size)
            return nullptr;
        for (uint32_t i = 0; i < paletteCount; ++i) {
            const uint8_t* q = data + paletteStart + i * 4;
            palette[i] = Pack(q[2], q[1], q[0]);
        }
    }
    uint64_t stride = (uint64_t(width) * bits + 31) / 32 * 4;
    if (uint64_t(pixelOffset) + stride * uint64_t(height) > size)
        return nullptr;

    Bitmap* bitmap = CreateCompatibleBitmap(width, int(height));
    if (!bitmap)
        return nullptr;
    for (int64_t fileRow = 0; fileRow < height; ++fileRow) {
        const uint8_t* src = data + pixelOffset + fileRow * stride;
        int y = int(topDown ? fileRow : height - 1 - fileRow);
        uint16_t* out = bitmap->Row(y);
        for (int x = 0; x < width; ++x) {
            switch (bits) {
            case 1:
            case 4:
            case 8: {
                uint32_t bitPos = uint32_t(x) * bits;
                uint32_t byte = src[bitPos / 8];
                uint32_t index = (byte >> (8 - bits - bitPos % 8)) & ((1u << bits) - 1);
                // An index past the palette is black.
                out[x] = index < paletteCount ? palette[index] : 0;
                break;
            }
            case 24:
                out[x] = Pack(src[x * 3 + 2], src[x * 3 + 1], src[x * 3]);
                break;
            default:
                out[x] = Pack(src[x * 4 + 2], src[x * 4 + 1], src[x * 4]);
                break;
            }
        }
    }
    return bitmap;
}

Bitmap* LoadBmpFile(const char* name)
{
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(name, bytes))
        return nullptr;
    return LoadBmp(bytes.data(), bytes.size());
}

} // namespace Platform
