#include "platform/desktop/Bitmap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

using namespace Platform;

namespace {

struct Deleter {
    void operator()(Bitmap* b) const { DeleteBitmap(b); }
};
using BitmapPtr = std::unique_ptr<Bitmap, Deleter>;

// The pages of the bitmap's pixels that are in memory now, of all of them.
std::pair<size_t, size_t> ResidentPages(const Bitmap& b)
{
    const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto first = reinterpret_cast<uintptr_t>(b.Bits()) / page * page;
    const auto end = reinterpret_cast<uintptr_t>(b.Bits()) + size_t(b.Stride()) * size_t(b.Height());
    std::vector<unsigned char> in((end - first + page - 1) / page);
    if (mincore(reinterpret_cast<void*>(first), end - first, in.data()) != 0)
        return {0, in.size()};
    size_t resident = 0;
    for (unsigned char c : in)
        resident += c & 1;
    return {resident, in.size()};
}

// A full-window picture about to be decoded is in memory whole before the
// first row is written: no page fault for each 4 KiB of it (which, in a
// virtual machine, took longer than the decoding). It is black, or left
// uninitialised, as asked; deleted, its pages go back.
TEST(Bitmap, LargeBitmapsAreInMemoryWholeFromTheStart)
{
    for (bool zeroed : {false, true}) {
        BitmapPtr b(NewBitmap(800, 600, true, zeroed));
        ASSERT_TRUE(b);
        const auto [resident, pages] = ResidentPages(*b);
        EXPECT_EQ(resident, pages) << (zeroed ? "zeroed" : "uninitialised");
        if (zeroed) {
            EXPECT_EQ(b->Pixel(0, 0), 0);
            EXPECT_EQ(b->Pixel(799, 599), 0);
        }
        b->SetPixel(799, 599, 0xFFFF);
        EXPECT_EQ(b->Pixel(799, 599), 0xFFFF);
    }
}

TEST(Bitmap, RowsArePaddedToFourBytes)
{
    EXPECT_EQ(Bitmap::StrideFor(800), 1600);
    EXPECT_EQ(Bitmap::StrideFor(801), 1604);
    EXPECT_EQ(Bitmap::StrideFor(1), 4);
    EXPECT_EQ(Bitmap::StrideFor(2), 4);
    EXPECT_EQ(Bitmap::StrideFor(3), 8);
    BitmapPtr b(CreateCompatibleBitmap(801, 2));
    ASSERT_TRUE(b);
    EXPECT_EQ(b->Stride(), 1604);
}

TEST(Bitmap, CompatibleBitmapStartsBlackAndTopDown)
{
    BitmapPtr b(CreateCompatibleBitmap(5, 3));
    ASSERT_TRUE(b);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(b->Pixel(x, y), 0);
    EXPECT_EQ(reinterpret_cast<uint8_t*>(b->Row(0)), b->Bits());
}

TEST(Bitmap, DibSectionIsBottomUp)
{
    BitmapPtr b(CreateDibSection565(3, 4));
    ASSERT_TRUE(b);
    EXPECT_EQ(reinterpret_cast<uint8_t*>(b->Row(3)), b->Bits()); // bottom row first in memory
    EXPECT_EQ(reinterpret_cast<uint8_t*>(b->Row(0)), b->Bits() + 3 * 8);
    DibSection info;
    ASSERT_TRUE(GetDibSection(b.get(), &info));
    EXPECT_EQ(info.Width, 3);
    EXPECT_EQ(info.Height, 4);
    EXPECT_EQ(info.BitsPerPixel, 16);
    EXPECT_TRUE(info.BottomUp);
    EXPECT_EQ(info.Masks[0], 0xF800u);
    EXPECT_EQ(info.Masks[1], 0x07E0u);
    EXPECT_EQ(info.Masks[2], 0x001Fu);
    EXPECT_FALSE(GetDibSection(nullptr, &info));
}

TEST(Bitmap, RefusesEmptyAndAbsurdSizes)
{
    EXPECT_EQ(CreateCompatibleBitmap(0, 10), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(10, -1), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(kMaxBitmapSide + 1, 1), nullptr);
    EXPECT_EQ(CreateDibSection565(1, kMaxBitmapSide + 1), nullptr);
}

TEST(Bitmap, PixelAccessOutsideIsHarmless)
{
    BitmapPtr b(CreateCompatibleBitmap(2, 2));
    b->SetPixel(-1, 0, 0xFFFF);
    b->SetPixel(2, 1, 0xFFFF);
    b->SetPixel(1, 1, 0x1234);
    EXPECT_EQ(b->Pixel(1, 1), 0x1234);
    EXPECT_EQ(b->Pixel(5, 5), 0);
}

TEST(Bitmap, ColourConversionKeepsBlackAndWhite)
{
    EXPECT_EQ(ColorTo565(0x000000), 0x0000);
    EXPECT_EQ(ColorTo565(0xFFFFFF), 0xFFFF);
    EXPECT_EQ(ColorTo565(0x0000FF), 0xF800); // red is the low byte
    EXPECT_EQ(ColorTo565(0x00FF00), 0x07E0);
    EXPECT_EQ(ColorTo565(0xFF0000), 0x001F);
    EXPECT_EQ(ColorFrom565(0xFFFF), 0xFFFFFFu);
    EXPECT_EQ(ColorFrom565(0xF800), 0x0000FFu);
    for (uint32_t p = 0; p < 0x10000; p += 97)
        EXPECT_EQ(ColorTo565(ColorFrom565(uint16_t(p))), p);
}

} // namespace
