#include "platform/desktop/PngFile.h"

#include <cstdio>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/platform/TempFolder.h"

using namespace Platform;

namespace {

TEST(PngFile, SavedPictureLoadsBackPixelForPixel)
{
    Bitmap* b = CreateDibSection565(37, 11); // bottom-up on purpose
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 37; ++x)
            b->SetPixel(x, y, uint16_t(x * 1777 + y * 91));
    TestSupport::TempFolder folder("png");
    const std::string name = folder.File("picture.png");
    ASSERT_TRUE(SavePng(b, name.c_str()));
    Bitmap* back = LoadPngFile(name.c_str());
    ASSERT_TRUE(back);
    ASSERT_EQ(back->Width(), 37);
    ASSERT_EQ(back->Height(), 11);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 37; ++x)
            ASSERT_EQ(back->Pixel(x, y), b->Pixel(x, y)) << x << "," << y;
    DeleteBitmap(b);
    DeleteBitmap(back);
}

TEST(PngFile, WhiteIsFullWhiteInTheFile)
{
    Bitmap* b = CreateCompatibleBitmap(1, 1);
    b->SetPixel(0, 0, 0xFFFF);
    std::vector<uint8_t> png;
    ASSERT_TRUE(EncodePng(b, png));
    EXPECT_EQ(png[1], 'P');
    DeleteBitmap(b);
}

TEST(PngFile, RefusesWhatItCannotDo)
{
    std::vector<uint8_t> png;
    EXPECT_FALSE(EncodePng(nullptr, png));
    TestSupport::TempFolder folder("png");
    EXPECT_FALSE(SavePng(nullptr, folder.File("x.png").c_str()));
    Bitmap* b = CreateCompatibleBitmap(1, 1);
    EXPECT_FALSE(SavePng(b, "/nonexistent-folder/x.png"));
    DeleteBitmap(b);
    const uint8_t junk[] = {1, 2, 3, 4, 5};
    EXPECT_EQ(DecodePng(junk, sizeof junk), nullptr);
}

} // namespace
