#include "platform/desktop/DeviceContext.h"

#include <memory>
#include <ostream>

#include <gtest/gtest.h>

using namespace Platform;

namespace {

// A bitmap selected into its own context, filled with a pattern that tells
// every pixel apart.
struct Surface {
    Surface(int w, int h, uint16_t seed, bool bottomUp = false)
    {
        Bm = NewBitmap(w, h, bottomUp);
        Dc = CreateMemoryDC();
        SelectBitmap(Dc, Bm);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                Bm->SetPixel(x, y, uint16_t(seed + y * 97 + x * 3));
    }
    ~Surface()
    {
        DeleteDC(Dc);
        DeleteBitmap(Bm);
    }
    Bitmap* Bm;
    DC* Dc;
};

struct RopCase {
    uint16_t Dst;
    uint16_t Src;
    uint32_t Rop;
    uint16_t Expected;
};
void PrintTo(const RopCase& c, std::ostream* os)
{
    *os << std::hex << "dst " << c.Dst << " src " << c.Src << " rop " << c.Rop;
}

class BitBltRop : public ::testing::TestWithParam<RopCase> {};

TEST_P(BitBltRop, CombinesPixelsByTheTruthTable)
{
    const RopCase& c = GetParam();
    Surface dst(1, 1, 0), src(1, 1, 0);
    dst.Bm->SetPixel(0, 0, c.Dst);
    src.Bm->SetPixel(0, 0, c.Src);
    BitBlt(dst.Dc, 0, 0, 1, 1, src.Dc, 0, 0, c.Rop);
    EXPECT_EQ(dst.Bm->Pixel(0, 0), c.Expected);
    EXPECT_EQ(src.Bm->Pixel(0, 0), c.Src);
}

INSTANTIATE_TEST_SUITE_P(
    Table, BitBltRop,
    ::testing::Values(
        // source copy
        RopCase{0x0000, 0xFFFF, kSrcCopy, 0xFFFF}, RopCase{0xFFFF, 0x0000, kSrcCopy, 0x0000},
        RopCase{0x1234, 0xABCD, kSrcCopy, 0xABCD},
        // source AND: a black mask pixel blacks out, a white one keeps
        RopCase{0x0000, 0x0000, kSrcAnd, 0x0000}, RopCase{0x0000, 0xFFFF, kSrcAnd, 0x0000},
        RopCase{0xFFFF, 0x0000, kSrcAnd, 0x0000}, RopCase{0xFFFF, 0xFFFF, kSrcAnd, 0xFFFF},
        RopCase{0x1234, 0xFFFF, kSrcAnd, 0x1234}, RopCase{0xF0F0, 0x0FF0, kSrcAnd, 0x00F0},
        // source OR: black source keeps, colour paints into black
        RopCase{0x0000, 0x0000, kSrcPaint, 0x0000}, RopCase{0x0000, 0xFFFF, kSrcPaint, 0xFFFF},
        RopCase{0xFFFF, 0x0000, kSrcPaint, 0xFFFF}, RopCase{0xFFFF, 0xFFFF, kSrcPaint, 0xFFFF},
        RopCase{0x1234, 0x0000, kSrcPaint, 0x1234}, RopCase{0x0000, 0xABCD, kSrcPaint, 0xABCD},
        RopCase{0xF000, 0x000F, kSrcPaint, 0xF00F},
        // anything else draws nothing
        RopCase{0x1234, 0xFFFF, 0x00CC0000, 0x1234}, RopCase{0x1234, 0xFFFF, 0x660046, 0x1234},
        RopCase{0x1234, 0xFFFF, 0x000042, 0x1234}, RopCase{0x1234, 0xFFFF, 0, 0x1234}));

TEST(BitBlt, UnknownOperationReportsFailure)
{
    Surface dst(2, 2, 0), src(2, 2, 7);
    EXPECT_FALSE(BitBlt(dst.Dc, 0, 0, 2, 2, src.Dc, 0, 0, 0x660046));
    EXPECT_TRUE(BitBlt(dst.Dc, 0, 0, 2, 2, src.Dc, 0, 0, kSrcCopy));
}

TEST(BitBlt, TransfersTransparentOverlayInTwoPasses)
{
    // Mask: black where the picture is opaque; picture: black where transparent.
    Surface dst(2, 1, 0), mask(2, 1, 0), image(2, 1, 0);
    dst.Bm->SetPixel(0, 0, 0x4321);
    dst.Bm->SetPixel(1, 0, 0x4321);
    mask.Bm->SetPixel(0, 0, 0x0000);
    mask.Bm->SetPixel(1, 0, 0xFFFF);
    image.Bm->SetPixel(0, 0, 0xF800);
    image.Bm->SetPixel(1, 0, 0x0000);
    BitBlt(dst.Dc, 0, 0, 2, 1, mask.Dc, 0, 0, kSrcAnd);
    BitBlt(dst.Dc, 0, 0, 2, 1, image.Dc, 0, 0, kSrcPaint);
    EXPECT_EQ(dst.Bm->Pixel(0, 0), 0xF800);
    EXPECT_EQ(dst.Bm->Pixel(1, 0), 0x4321);
}

struct ClipCase {
    const char* Name;
    int X, Y, W, H, Sx, Sy;
};
void PrintTo(const ClipCase& c, std::ostream* os)
{
    *os << c.Name << " (" << c.X << "," << c.Y << " " << c.W << "x" << c.H << " from " << c.Sx << "," << c.Sy
        << ")";
}

class BitBltClip : public ::testing::TestWithParam<ClipCase> {};

// Destination 12 x 10, source 7 x 5 (bottom-up, to mix row orders). Every
// destination pixel is checked against a per-pixel model: copied where both
// the destination pixel and its source pixel exist, unchanged elsewhere.
TEST_P(BitBltClip, WritesOnlyInsideBothBitmaps)
{
    const ClipCase& c = GetParam();
    const int dw = 12, dh = 10;
    Surface dst(dw, dh, 1000), src(7, 5, 5, true);
    Surface before(dw, dh, 1000);
    BitBlt(dst.Dc, c.X, c.Y, c.W, c.H, src.Dc, c.Sx, c.Sy, kSrcCopy);
    int changed = 0;
    for (int y = 0; y < dh; ++y) {
        for (int x = 0; x < dw; ++x) {
            long long sx = (long long)c.Sx + (x - c.X), sy = (long long)c.Sy + (y - c.Y);
            bool inBlock = x >= c.X && y >= c.Y && (long long)x < (long long)c.X + c.W &&
                           (long long)y < (long long)c.Y + c.H;
            bool inSource = sx >= 0 && sy >= 0 && sx < 7 && sy < 5;
            uint16_t expected =
                (inBlock && inSource) ? src.Bm->Pixel(int(sx), int(sy)) : before.Bm->Pixel(x, y);
            EXPECT_EQ(dst.Bm->Pixel(x, y), expected) << "at " << x << "," << y;
            changed += dst.Bm->Pixel(x, y) != before.Bm->Pixel(x, y);
        }
    }
    (void)changed;
}

INSTANTIATE_TEST_SUITE_P(
    Edges, BitBltClip,
    ::testing::Values(ClipCase{"inside", 2, 3, 4, 2, 1, 1}, ClipCase{"whole source", 0, 0, 7, 5, 0, 0},
                      ClipCase{"left edge", -3, 2, 7, 5, 0, 0}, ClipCase{"top edge", 2, -4, 7, 5, 0, 0},
                      ClipCase{"right edge", 9, 2, 7, 5, 0, 0}, ClipCase{"bottom edge", 2, 8, 7, 5, 0, 0},
                      ClipCase{"all corners", -2, -2, 20, 20, 0, 0},
                      ClipCase{"source left", 3, 3, 7, 5, -2, 0}, ClipCase{"source top", 3, 3, 7, 5, 0, -3},
                      ClipCase{"source right", 3, 3, 7, 5, 4, 0}, ClipCase{"source bottom", 3, 3, 7, 5, 0, 3},
                      ClipCase{"both negative", -1, -1, 7, 5, -2, -2},
                      ClipCase{"wholly left", -10, 0, 7, 5, 0, 0},
                      ClipCase{"wholly below", 0, 10, 7, 5, 0, 0},
                      ClipCase{"source wholly out", 0, 0, 7, 5, 7, 0},
                      ClipCase{"zero width", 1, 1, 0, 5, 0, 0}, ClipCase{"negative size", 1, 1, -3, -3, 0, 0},
                      ClipCase{"huge size", 0, 0, 0x7FFFFFFF, 0x7FFFFFFF, 0, 0},
                      ClipCase{"huge offsets", 0x7FFFFFF0, 0x7FFFFFF0, 100, 100, 0, 0},
                      ClipCase{"huge negative source", 0, 0, 100, 100, -0x7FFFFFF0, 0}));

TEST(BitBlt, OverlappingCopyWithinOneBitmap)
{
    Surface s(6, 1, 0);
    for (int x = 0; x < 6; ++x)
        s.Bm->SetPixel(x, 0, uint16_t(x + 1));
    BitBlt(s.Dc, 1, 0, 5, 1, s.Dc, 0, 0, kSrcCopy);
    const uint16_t expected[6] = {1, 1, 2, 3, 4, 5};
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(s.Bm->Pixel(x, 0), expected[x]) << x;
}

TEST(BitBlt, ContextWithoutBitmapDrawsNothing)
{
    Surface dst(2, 2, 9);
    DC* empty = CreateMemoryDC();
    EXPECT_FALSE(BitBlt(dst.Dc, 0, 0, 2, 2, empty, 0, 0, kSrcCopy));
    EXPECT_FALSE(BitBlt(empty, 0, 0, 2, 2, dst.Dc, 0, 0, kSrcCopy));
    EXPECT_EQ(dst.Bm->Pixel(0, 0), 9);
    DeleteDC(empty);
}

} // namespace
