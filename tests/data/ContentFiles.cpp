#include "tests/data/ContentFiles.h"

#include "tests/platform/BuildTree.h"
#include "wlib/graphics/ImageLoader.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace ContentTest {

namespace {

uint32_t Le32(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

uint16_t Le16(const std::vector<uint8_t>& b, size_t at)
{
    return uint16_t(b[at] | b[at + 1] << 8);
}

} // namespace

std::string DataDir()
{
    return TestSupport::BuiltDataFolder();
}

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TPicture FromBitmap(const Platform::Bitmap* bitmap)
{
    TPicture out;
    if (!bitmap)
        return out;
    out.Width = bitmap->Width();
    out.Height = bitmap->Height();
    out.Rgb.reserve(size_t(out.Width) * size_t(out.Height) * 3);
    for (int y = 0; y < out.Height; ++y)
        for (int x = 0; x < out.Width; ++x) {
            const uint32_t c = Platform::ColorFrom565(bitmap->Pixel(x, y));
            out.Rgb.push_back(uint8_t(c & 0xFF));
            out.Rgb.push_back(uint8_t((c >> 8) & 0xFF));
            out.Rgb.push_back(uint8_t((c >> 16) & 0xFF));
        }
    return out;
}

TPicture DecodeJpeg(const std::vector<uint8_t>& bytes)
{
    Platform::Bitmap* bitmap = ImageLoader::LoadImageData(bytes.data(), bytes.size());
    TPicture out = FromBitmap(bitmap);
    if (bitmap)
        Platform::DeleteBitmap(bitmap);
    return out;
}

TMonoBitmap DecodeMonoBmp(const std::vector<uint8_t>& b)
{
    TMonoBitmap out;
    if (b.size() < 62 || b[0] != 'B' || b[1] != 'M' || Le16(b, 28) != 1 || Le32(b, 30) != 0)
        return out;
    const int w = int(Le32(b, 18)), h = int(Le32(b, 22));
    const size_t offset = Le32(b, 10), stride = size_t((w + 31) / 32) * 4;
    if (w <= 0 || h <= 0 || offset + stride * size_t(h) > b.size())
        return out;
    const bool paletteWhiteIsOne = Le32(b, 54 + 4) == 0xFFFFFF && Le32(b, 54) == 0;
    out.Width = w;
    out.Height = h;
    out.White.resize(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = &b[offset + size_t(h - 1 - y) * stride];
        for (int x = 0; x < w; ++x) {
            const bool one = row[x / 8] & (0x80 >> (x % 8));
            out.White[size_t(y) * size_t(w) + size_t(x)] = paletteWhiteIsOne ? one : !one;
        }
    }
    return out;
}

TWaveInfo InspectWave(const std::vector<uint8_t>& b)
{
    TWaveInfo w;
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "WAVE", 4) != 0)
        return w;
    bool sawFormat = false;
    for (size_t at = 12; at + 8 <= b.size();) {
        const size_t size = Le32(b, at + 4);
        if (at + 8 + size > b.size())
            return w;
        if (std::memcmp(&b[at], "fmt ", 4) == 0 && size >= 16) {
            w.FormatFirst = at == 12;
            w.Tag = Le16(b, at + 8);
            w.Channels = Le16(b, at + 10);
            w.Rate = int(Le32(b, at + 12));
            w.BlockAlign = Le16(b, at + 20);
            w.Bits = Le16(b, at + 22);
            sawFormat = true;
        } else if (std::memcmp(&b[at], "data", 4) == 0) {
            w.DataOffset = at + 8;
            w.DataSize = size;
            w.Valid = sawFormat;
            return w;
        }
        at += 8 + size + (size & 1);
    }
    return w;
}

std::vector<double> DecodeSamples(const std::vector<uint8_t>& b, const TWaveInfo& w)
{
    std::vector<double> s;
    if (!w.Valid || w.Channels != 1)
        return s;
    const uint8_t* data = &b[w.DataOffset];
    if (w.Bits == 8) {
        for (size_t i = 0; i < w.DataSize; ++i)
            s.push_back((data[i] - 128) / 128.0);
    } else if (w.Bits == 16) {
        for (size_t i = 0; i + 1 < w.DataSize; i += 2)
            s.push_back(int16_t(data[i] | data[i + 1] << 8) / 32768.0);
    } else if (w.Bits == 4 && w.Tag == 2 && w.BlockAlign > 7) {
        static const int adapt[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                                      768, 614, 512, 409, 307, 230, 230, 230};
        static const int coef[7][2] = {{256, 0}, {512, -256}, {0, 0},     {192, 64},
                                       {240, 0}, {460, -208}, {392, -232}};
        const size_t align = size_t(w.BlockAlign);
        for (size_t at = 0; at + align <= w.DataSize; at += align) {
            const uint8_t* block = data + at;
            const int p = std::min<int>(block[0], 6);
            int delta = int16_t(block[1] | block[2] << 8);
            int s1 = int16_t(block[3] | block[4] << 8), s2 = int16_t(block[5] | block[6] << 8);
            s.push_back(s2 / 32768.0);
            s.push_back(s1 / 32768.0);
            for (size_t i = 0; i < (align - 7) * 2; ++i) {
                const int nibble = i % 2 ? block[7 + i / 2] & 15 : block[7 + i / 2] >> 4;
                const int n = nibble >= 8 ? nibble - 16 : nibble;
                const int predicted = (s1 * coef[p][0] + s2 * coef[p][1]) / 256;
                const int value = std::max(-32768, std::min(32767, predicted + n * delta));
                delta = std::max(16, delta * adapt[nibble] / 256);
                s2 = s1;
                s1 = value;
                s.push_back(value / 32768.0);
            }
        }
    }
    return s;
}

} // namespace ContentTest
