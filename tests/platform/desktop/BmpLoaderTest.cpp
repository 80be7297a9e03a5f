#include "platform/desktop/BmpLoader.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/platform/TempFolder.h"

using namespace Platform;

namespace {

struct Deleter {
    void operator()(Bitmap* b) const { DeleteBitmap(b); }
};
using BitmapPtr = std::unique_ptr<Bitmap, Deleter>;

void Put16(std::vector<uint8_t>& v, size_t at, uint32_t x)
{
    v[at] = uint8_t(x);
    v[at + 1] = uint8_t(x >> 8);
}
void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x)
{
    for (int i = 0; i < 4; ++i)
        v[at + i] = uint8_t(x >> (8 * i));
}

// Builds a BMP of the picture given by colour(x, y) (0x00BBGGRR); for
// palette depths the colour is looked up in the palette.
std::vector<uint8_t> MakeBmp(int w, int h, int bits, bool topDown, const std::vector<uint32_t>& palette,
                             const std::function<uint32_t(int, int)>& pixel)
{
    size_t stride = (size_t(w) * bits + 31) / 32 * 4;
    size_t paletteBytes = palette.size() * 4;
    size_t offset = 14 + 40 + paletteBytes;
    std::vector<uint8_t> v(offset + stride * h, 0);
    v[0] = 'B';
    v[1] = 'M';
    Put32(v, 2, uint32_t(v.size()));
    Put32(v, 10, uint32_t(offset));
    Put32(v, 14, 40);
    Put32(v, 18, uint32_t(w));
    Put32(v, 22, uint32_t(topDown ? -h : h));
    Put16(v, 26, 1);
    Put16(v, 28, uint32_t(bits));
    Put32(v, 46, uint32_t(palette.size()));
    for (size_t i = 0; i < palette.size(); ++i) {
        v[54 + i * 4] = uint8_t(palette[i] >> 16);
        v[54 + i * 4 + 1] = uint8_t(palette[i] >> 8);
        v[54 + i * 4 + 2] = uint8_t(palette[i]);
    }
    for (int y = 0; y < h; ++y) {
        uint8_t* row = &v[offset + stride * size_t(topDown ? y : h - 1 - y)];
        for (int x = 0; x < w; ++x) {
            uint32_t p = pixel(x, y);
            if (bits <= 8) {
                int bitPos = x * bits;
                row[bitPos / 8] |= uint8_t(p << (8 - bits - bitPos % 8));
            } else {
                row[x * (bits / 8)] = uint8_t(p >> 16);
                row[x * (bits / 8) + 1] = uint8_t(p >> 8);
                row[x * (bits / 8) + 2] = uint8_t(p);
            }
        }
    }
    return v;
}

std::vector<uint32_t> Palette(int bits)
{
    std::vector<uint32_t> p;
    for (int i = 0; i < (1 << bits); ++i)
        p.push_back(uint32_t(i * 0x102030u) & 0xFFFFFF);
    p[0] = 0x000000;
    p[1] = 0xFFFFFF;
    return p;
}

struct DepthCase {
    int Bits;
    bool TopDown;
};
void PrintTo(const DepthCase& c, std::ostream* os)
{
    *os << c.Bits << " bits " << (c.TopDown ? "top-down" : "bottom-up");
}
class BmpDepth : public ::testing::TestWithParam<DepthCase> {};

TEST_P(BmpDepth, LoadsEveryPixelInPictureOrder)
{
    const int w = 13, h = 5, bits = GetParam().Bits;
    std::vector<uint32_t> palette = bits <= 8 ? Palette(bits) : std::vector<uint32_t>();
    auto index = [&](int x, int y) { return uint32_t((x * 7 + y * 3) % (1 << (bits <= 8 ? bits : 8))); };
    auto colour = [&](int x, int y) {
        return bits <= 8 ? palette[index(x, y)] : uint32_t(x * 19 | y * 40 << 8 | (x + y) * 9 << 16);
    };
    auto bytes = MakeBmp(w, h, bits, GetParam().TopDown, palette,
                         [&](int x, int y) { return bits <= 8 ? index(x, y) : colour(x, y); });
    BitmapPtr b(LoadBmp(bytes.data(), bytes.size()));
    ASSERT_TRUE(b);
    ASSERT_EQ(b->Width(), w);
    ASSERT_EQ(b->Height(), h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            EXPECT_EQ(b->Pixel(x, y), ColorTo565(colour(x, y))) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Depths, BmpDepth,
                         ::testing::Values(DepthCase{1, false}, DepthCase{1, true}, DepthCase{4, false},
                                           DepthCase{4, true}, DepthCase{8, false}, DepthCase{8, true},
                                           DepthCase{24, false}, DepthCase{24, true}, DepthCase{32, false},
                                           DepthCase{32, true}));

TEST(BmpLoader, OneBitCursorMask)
{
    // 10 x 3 mask: black (opaque) in a diagonal band, white elsewhere.
    auto bytes = MakeBmp(10, 3, 1, false, {0x000000, 0xFFFFFF},
                         [](int x, int y) { return (x >= y && x < y + 3) ? 0u : 1u; });
    BitmapPtr b(LoadBmp(bytes.data(), bytes.size()));
    ASSERT_TRUE(b);
    std::string picture;
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 10; ++x)
            picture += b->Pixel(x, y) == 0 ? '#' : b->Pixel(x, y) == 0xFFFF ? '.' : '?';
        picture += '\n';
    }
    EXPECT_EQ(picture, "###.......\n"
                       ".###......\n"
                       "..###.....\n");
}

TEST(BmpLoader, IndexBeyondAShortPaletteIsBlack)
{
    auto bytes = MakeBmp(4, 1, 8, false, {0xFFFFFF, 0x00FF00}, [](int x, int) { return uint32_t(x); });
    BitmapPtr b(LoadBmp(bytes.data(), bytes.size()));
    ASSERT_TRUE(b);
    EXPECT_EQ(b->Pixel(0, 0), 0xFFFF);
    EXPECT_EQ(b->Pixel(1, 0), 0x07E0);
    EXPECT_EQ(b->Pixel(2, 0), 0);
    EXPECT_EQ(b->Pixel(3, 0), 0);
}

struct BadCase {
    const char* Name;
    std::function<void(std::vector<uint8_t>&)> Damage;
};
void PrintTo(const BadCase& c, std::ostream* os)
{
    *os << c.Name;
}
class BmpRefused : public ::testing::TestWithParam<BadCase> {};

TEST_P(BmpRefused, GivesNoBitmap)
{
    auto bytes = MakeBmp(6, 4, 8, false, Palette(8), [](int x, int y) { return uint32_t(x + y); });
    GetParam().Damage(bytes);
    EXPECT_EQ(LoadBmp(bytes.data(), bytes.size()), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Damage, BmpRefused,
    ::testing::Values(BadCase{"signature", [](auto& v) { v[0] = 'X'; }},
                      BadCase{"RLE8 compression", [](auto& v) { Put32(v, 30, 1); }},
                      BadCase{"bit fields", [](auto& v) { Put32(v, 30, 3); }},
                      BadCase{"16 bits", [](auto& v) { Put16(v, 28, 16); }},
                      BadCase{"2 bits", [](auto& v) { Put16(v, 28, 2); }},
                      BadCase{"two planes", [](auto& v) { Put16(v, 26, 2); }},
                      BadCase{"zero width", [](auto& v) { Put32(v, 18, 0); }},
                      BadCase{"negative width", [](auto& v) { Put32(v, 18, uint32_t(-6)); }},
                      BadCase{"zero height", [](auto& v) { Put32(v, 22, 0); }},
                      BadCase{"most negative height", [](auto& v) { Put32(v, 22, 0x80000000u); }},
                      BadCase{"absurd width", [](auto& v) { Put32(v, 18, 100000); }},
                      BadCase{"absurd height", [](auto& v) { Put32(v, 22, 20000); }},
                      BadCase{"small core header", [](auto& v) { Put32(v, 14, 12); }},
                      BadCase{"header beyond file", [](auto& v) { Put32(v, 14, 0x7FFFFFFF); }},
                      BadCase{"pixels beyond file", [](auto& v) { Put32(v, 10, uint32_t(v.size())); }},
                      BadCase{"pixel offset huge", [](auto& v) { Put32(v, 10, 0xFFFFFFF0u); }},
                      BadCase{"truncated pixels", [](auto& v) { v.resize(v.size() - 1); }},
                      BadCase{"truncated palette", [](auto& v) { v.resize(14 + 40 + 100); }},
                      BadCase{"header only", [](auto& v) { v.resize(20); }},
                      BadCase{"empty", [](auto& v) { v.clear(); }}));

TEST(BmpLoader, EveryTruncationFailsCleanly)
{
    auto bytes = MakeBmp(7, 3, 4, true, Palette(4), [](int x, int y) { return uint32_t(x * y % 16); });
    for (size_t n = 0; n < bytes.size(); ++n) {
        // A copy of exactly n bytes, so a sanitizer sees any read past it.
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + n);
        EXPECT_EQ(LoadBmp(cut.data(), cut.size()), nullptr) << n;
    }
    BitmapPtr whole(LoadBmp(bytes.data(), bytes.size()));
    EXPECT_TRUE(whole);
}

TEST(BmpLoader, LoadsFromAFile)
{
    auto bytes = MakeBmp(3, 2, 24, false, {}, [](int, int) { return 0x00FF00u; });
    TestSupport::TempFolder folder("bmp");
    const std::string name = folder.WriteFile("mask.bmp", std::string(bytes.begin(), bytes.end()));
    BitmapPtr b(LoadBmpFile(name.c_str()));
    ASSERT_TRUE(b);
    EXPECT_EQ(b->Pixel(2, 1), 0x07E0);
    EXPECT_EQ(LoadBmpFile("/nonexistent/mask.bmp"), nullptr);
}

} // namespace
