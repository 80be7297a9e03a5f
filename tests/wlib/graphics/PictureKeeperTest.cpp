// Pictures let go and decoded again: the keeper's choice by paints and time,
// and the bitmap that gives back its pixels and draws them again alike.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/platform/TempFolder.h"
#include "tests/wlib/graphics/JpegFixture.h"
#include "wlib/graphics/Bitmap.h"
#include "wlib/graphics/PictureKeeper.h"

namespace {

using namespace WLib;

class PictureKeeper : public ::testing::Test {
protected:
    // A bitmap object of its own, loaded from a JPEG file of the folder.
    TBitmap LoadFile(const std::string& name, int width, int height)
    {
        const std::vector<uint8_t> jpeg = JpegFixture::Busy(width, height);
        const std::string path = Folder.WriteFile(name, std::string(jpeg.begin(), jpeg.end()));
        TBitmap picture;
        picture.Recreate();
        EXPECT_TRUE(picture.Impl->LoadJpegFile(path.c_str()));
        return picture;
    }
    static TBitmapGDIBase& Pixels(const TBitmap& picture)
    {
        return *dynamic_cast<TBitmapGDIBase*>(picture.Impl);
    }
    static std::vector<uint16_t> Copy(const TBitmap& picture)
    {
        const Platform::Bitmap* b = Pixels(picture).Handle;
        std::vector<uint16_t> pixels;
        for (int y = 0; b != nullptr && y < b->Height(); ++y)
            pixels.insert(pixels.end(), b->Row(y), b->Row(y) + b->Width());
        return pixels;
    }
    // What a page does to draw the picture.
    static void Draw(const TBitmap& picture) { picture.Impl->GetCanvas(); }

    TestSupport::TempFolder Folder{"keeper"};
};

TEST_F(PictureKeeper, APictureLetGoKeepsItsSizeAndDrawsTheSamePixelsAgain)
{
    TBitmap picture = LoadFile("a.jpg", 120, 90);
    const std::vector<uint16_t> before = Copy(picture);
    TPictureKeeper keeper(1000);
    keeper.Add(picture);
    EXPECT_EQ(keeper.DecodedBytes(), size_t(Platform::Bitmap::StrideFor(120)) * 90);

    keeper.NotePaint(0); // a paint that did not draw it
    EXPECT_TRUE(keeper.HasPicturesToLetGo());
    EXPECT_EQ(keeper.Sweep(0), size_t(Platform::Bitmap::StrideFor(120)) * 90) << "never drawn: no hold";
    EXPECT_FALSE(Pixels(picture).IsDecoded());
    EXPECT_EQ(keeper.DecodedBytes(), 0u);
    EXPECT_FALSE(keeper.HasPicturesToLetGo());
    EXPECT_EQ(picture.GetSize(), TSize(120, 90)) << "pages check the size before drawing";

    Draw(picture);
    ASSERT_TRUE(Pixels(picture).IsDecoded());
    EXPECT_EQ(Copy(picture), before);
}

TEST_F(PictureKeeper, KeepsWhatTheLastPaintDrewAndHoldsTheRestAWhile)
{
    TBitmap shown = LoadFile("shown.jpg", 64, 48);
    TBitmap left = LoadFile("left.jpg", 64, 48);
    TPictureKeeper keeper(3000);
    keeper.Add(shown);
    keeper.Add(left);
    keeper.Add(left); // once only

    Draw(shown);
    Draw(left);
    keeper.NotePaint(1000);
    EXPECT_FALSE(keeper.HasPicturesToLetGo());
    Draw(shown); // the page of "left" is no longer drawn
    keeper.NotePaint(1500);
    EXPECT_TRUE(keeper.HasPicturesToLetGo());

    EXPECT_EQ(keeper.Sweep(3999), 0u) << "held for 3000 ms after its last draw";
    EXPECT_TRUE(Pixels(left).IsDecoded());
    EXPECT_GT(keeper.Sweep(4000), 0u);
    EXPECT_FALSE(Pixels(left).IsDecoded());
    EXPECT_EQ(keeper.Sweep(1000000), 0u) << "in view however long ago its paint was";
    EXPECT_TRUE(Pixels(shown).IsDecoded());

    // Decoded ahead of its page: held as if drawn then.
    EXPECT_TRUE(keeper.Keep(left, 5000));
    EXPECT_TRUE(Pixels(left).IsDecoded());
    EXPECT_EQ(keeper.Sweep(7999), 0u);
    EXPECT_GT(keeper.Sweep(8000), 0u);
}

TEST_F(PictureKeeper, OnlyPicturesFromAFileAreLetGo)
{
    TBitmap made;
    ASSERT_TRUE(made.Create(32, 32));
    TBitmap fromBytes;
    const std::vector<uint8_t> jpeg = JpegFixture::Busy(32, 32);
    ASSERT_TRUE(fromBytes.LoadJpegData(jpeg.data(), jpeg.size()));
    TBitmap reloaded = LoadFile("b.jpg", 32, 32);
    ASSERT_TRUE(reloaded.Impl->Create(32, 32)); // drawn on now: the file is no longer its picture
    TPictureKeeper keeper;
    for (const TBitmap* b : {&made, &fromBytes, &reloaded}) {
        keeper.Add(*b);
        EXPECT_EQ(keeper.LetGo(*b), 0u);
        EXPECT_TRUE(Pixels(*b).IsDecoded());
    }
    EXPECT_FALSE(keeper.HasPicturesToLetGo());
}

TEST_F(PictureKeeper, AFileGoneMeanwhileLeavesAnEmptyPicture)
{
    TBitmap picture = LoadFile("gone.jpg", 40, 30);
    ASSERT_GT(Pixels(picture).LetGo(), 0u);
    ASSERT_EQ(std::remove(Folder.File("gone.jpg").c_str()), 0);
    Draw(picture);
    EXPECT_FALSE(Pixels(picture).IsDecoded());
    EXPECT_EQ(picture.GetSize(), TSize(0, 0)) << "pages then draw their plain colour and plates";
    Draw(picture); // and no second try
    EXPECT_EQ(picture.GetSize(), TSize(0, 0));
}

} // namespace
