#include "platform/desktop/PngFile.h"

#include <cstdio>
#include <cstring>

#include <png.h>

#include "platform/FileReader.h"

namespace Platform {

namespace {

std::vector<uint8_t> ToRgb(const Bitmap* bitmap)
{
    int w = bitmap->Width(), h = bitmap->Height();
    std::vector<uint8_t> rgb(size_t(w) * h * 3);
    for (int y = 0; y < h; ++y) {
        const uint16_t* row = bitmap->Row(y);
        uint8_t* out = &rgb[size_t(y) * w * 3];
        for (int x = 0; x < w; ++x) {
            uint32_t c = ColorFrom565(row[x]);
            out[x * 3] = uint8_t(c);
            out[x * 3 + 1] = uint8_t(c >> 8);
            out[x * 3 + 2] = uint8_t(c >> 16);
        }
    }
    return rgb;
}

} // namespace

bool EncodePng(const Bitmap* bitmap, std::vector<uint8_t>& png)
{
    if (!bitmap)
        return false;
    std::vector<uint8_t> rgb = ToRgb(bitmap);
    png_image image;
    std::memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(bitmap->Width());
    image.height = png_uint_32(bitmap->Height());
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    png.resize(size);
    bool ok = png_image_write_to_memory(&image, png.data(), &size, 0, rgb.data(), 0, nullptr) != 0;
    png.resize(ok ? size : 0);
    png_image_free(&image);
    return ok;
}

bool SavePng(const Bitmap* bitmap, const char* path)
{
    std::vector<uint8_t> png;
    if (!path || !EncodePng(bitmap, png))
        return false;
    FILE* f = std::fopen(path, "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
    ok = (std::fclose(f) == 0) && ok;
    return ok;
}

Bitmap* DecodePng(const uint8_t* data, size_t size)
{
    if (!data || size == 0)
        return nullptr;
    png_image image;
    std::memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data, size))
        return nullptr;
    if (image.width == 0 || image.height == 0 || image.width > png_uint_32(kMaxBitmapSide) ||
        image.height > png_uint_32(kMaxBitmapSide)) {
        png_image_free(&image);
        return nullptr;
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        return nullptr;
    }
    Bitmap* bitmap = CreateCompatibleBitmap(int(image.width), int(image.height));
    if (!bitmap)
        return nullptr;
    for (int y = 0; y < bitmap->Height(); ++y) {
        const uint8_t* in = &rgb[size_t(y) * image.width * 3];
        uint16_t* row = bitmap->Row(y);
        for (int x = 0; x < bitmap->Width(); ++x)
            row[x] = ColorTo565(uint32_t(in[x * 3]) | (uint32_t(in[x * 3 + 1]) << 8) |
                                (uint32_t(in[x * 3 + 2]) << 16));
    }
    return bitmap;
}

Bitmap* LoadPngFile(const char* path)
{
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes))
        return nullptr;
    return DecodePng(bytes.data(), bytes.size());
}

} // namespace Platform
