#include "wlib/graphics/ImageLoader.h"

#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

#include "JpegFixture.h"
#include "tests/platform/TempFolder.h"

using namespace ImageLoader;

namespace {

struct Deleter {
    void operator()(Platform::Bitmap* b) const { Platform::DeleteBitmap(b); }
};
using BitmapPtr = std::unique_ptr<Platform::Bitmap, Deleter>;

BitmapPtr Load(const std::vector<uint8_t>& bytes)
{
    return BitmapPtr(LoadImageData(bytes.data(), bytes.size()));
}

struct GammaCase {
    int In;
    int Out;
};
void PrintTo(const GammaCase& c, std::ostream* os)
{
    *os << "entry " << c.In;
}
class Gamma : public ::testing::TestWithParam<GammaCase> {};

TEST_P(Gamma, DarkensMidTones)
{
    BuildGammaTable();
    EXPECT_EQ(GammaTable[GetParam().In], GetParam().Out);
}

// trunc(256 * (i / 256) ^ 1.22221)
INSTANTIATE_TEST_SUITE_P(Table, Gamma,
                         ::testing::Values(GammaCase{0, 0}, GammaCase{1, 0}, GammaCase{64, 47},
                                           GammaCase{128, 109}, GammaCase{200, 189}, GammaCase{255, 254}));

TEST(Gamma, IsMonotonic)
{
    BuildGammaTable();
    for (int i = 1; i < 256; ++i)
        EXPECT_LE(GammaTable[i - 1], GammaTable[i]) << i;
}

struct PackCase {
    uint8_t R, G, B;
    uint16_t Pixel;
};
void PrintTo(const PackCase& c, std::ostream* os)
{
    *os << "rgb " << int(c.R) << "," << int(c.G) << "," << int(c.B);
}
class Pack : public ::testing::TestWithParam<PackCase> {};

TEST_P(Pack, StoresGammaCorrected565)
{
    BuildGammaTable();
    EXPECT_EQ(PackPixel(GetParam().R, GetParam().G, GetParam().B), GetParam().Pixel);
}

INSTANTIATE_TEST_SUITE_P(Table, Pack,
                         ::testing::Values(PackCase{128, 128, 128, 0x6B6D}, PackCase{0, 0, 0, 0x0000},
                                           PackCase{255, 255, 255, 0xFFFF}, PackCase{255, 0, 0, 0xF800},
                                           PackCase{0, 255, 0, 0x07E0}, PackCase{0, 0, 255, 0x001F}));

TEST(ImageLoader, RowSizes)
{
    EXPECT_EQ(RowSize(800), 1600);
    EXPECT_EQ(RowSize(801), 1604);
    EXPECT_EQ(RowSize(1), 4);
}

TEST(ImageLoader, SkinSizedPictureGivesBitmapWith1600ByteRows)
{
    BitmapPtr b = Load(JpegFixture::Busy(800, 600));
    ASSERT_TRUE(b);
    Platform::DibSection info;
    ASSERT_TRUE(Platform::GetDibSection(b.get(), &info));
    EXPECT_EQ(info.Width, 800);
    EXPECT_EQ(info.Height, 600);
    EXPECT_EQ(info.Stride, 1600);
    EXPECT_EQ(info.BitsPerPixel, 16);
    EXPECT_TRUE(info.BottomUp);
}

TEST(ImageLoader, OddWidthGives1604ByteRows)
{
    BitmapPtr b = Load(JpegFixture::Busy(801, 3));
    ASSERT_TRUE(b);
    EXPECT_EQ(b->Stride(), 1604);
    EXPECT_EQ(b->Width(), 801);
}

TEST(ImageLoader, MidGreyIsStoredAs6B6D)
{
    BitmapPtr b = Load(JpegFixture::Encode(16, 16, [](int, int) { return 0x808080u; }, {100, false, false}));
    ASSERT_TRUE(b);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(b->Pixel(x, y), 0x6B6D) << x << "," << y;
}

TEST(ImageLoader, TopOfPictureIsLastRowInMemory)
{
    // White top half, black bottom half.
    BitmapPtr b =
        Load(JpegFixture::Encode(16, 32, [](int, int y) { return y < 16 ? 0xFFFFFFu : 0u; }, {100}));
    ASSERT_TRUE(b);
    auto* lastInMemory = reinterpret_cast<const uint16_t*>(b->Bits() + 31 * b->Stride());
    auto* firstInMemory = reinterpret_cast<const uint16_t*>(b->Bits());
    EXPECT_GT(lastInMemory[0], 0xF000); // white through the gamma: 254
    EXPECT_LT(firstInMemory[0], 0x0100);
}

struct PictureCase {
    const char* Name;
    int Width, Height;
    JpegFixture::Options Options;
};
void PrintTo(const PictureCase& c, std::ostream* os)
{
    *os << c.Name;
}
class EveryPixel : public ::testing::TestWithParam<PictureCase> {};

// Each pixel is libjpeg's own RGB decoding of the file through the gamma
// table, whatever way the file is coded.
TEST_P(EveryPixel, MatchesLibraryDecodingThroughGamma)
{
    const PictureCase& c = GetParam();
    std::vector<uint8_t> jpeg = JpegFixture::Busy(c.Width, c.Height, c.Options);
    std::vector<uint8_t> rgb;
    int w = 0, h = 0;
    ASSERT_TRUE(JpegFixture::DecodeRgb(jpeg, rgb, w, h));
    BitmapPtr b = Load(jpeg);
    ASSERT_TRUE(b);
    ASSERT_EQ(b->Width(), w);
    ASSERT_EQ(b->Height(), h);
    BuildGammaTable();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
            ASSERT_EQ(b->Pixel(x, y), PackPixel(p[0], p[1], p[2])) << x << "," << y;
        }
}

INSTANTIATE_TEST_SUITE_P(Codings, EveryPixel,
                         ::testing::Values(PictureCase{"baseline", 67, 45, {90, false, false}},
                                           PictureCase{"progressive", 67, 45, {75, true, false}},
                                           PictureCase{"greyscale", 33, 20, {90, false, true}},
                                           PictureCase{"one pixel", 1, 1, {90, false, false}},
                                           PictureCase{"larger than buffer", 300, 200, {98, false, false}}));

TEST(ImageLoader, WrongFormatNameGivesNothing)
{
    std::vector<uint8_t> jpeg = JpegFixture::Busy(8, 8);
    brData reader;
    reader.OpenMemory(jpeg.data(), jpeg.size());
    Platform::Bitmap* bitmap = nullptr;
    int w = -1, h = -1;
    EXPECT_FALSE(DecodeImage(nullptr, L"image/png", reader, &bitmap, &w, &h));
    EXPECT_FALSE(DecodeImage(nullptr, L"IMAGE/JPEG", reader, &bitmap, &w, &h));
    EXPECT_EQ(bitmap, nullptr);
    EXPECT_TRUE(DecodeImage(nullptr, L"image/jpeg", reader, &bitmap, &w, &h));
    EXPECT_EQ(w, 8);
    EXPECT_EQ(h, 8);
    Platform::DeleteBitmap(bitmap);
}

TEST(ImageLoader, NotAJpegGivesNoBitmap)
{
    const std::string text = "this is not a picture";
    EXPECT_EQ(LoadImageData(reinterpret_cast<const uint8_t*>(text.data()), text.size()), nullptr);
    EXPECT_EQ(LoadImageData(nullptr, 0), nullptr);
    const uint8_t soiOnly[] = {0xFF, 0xD8};
    EXPECT_EQ(LoadImageData(soiOnly, sizeof soiOnly), nullptr);
}

TEST(ImageLoader, ShortFileIsDecodedAsFarAsItsDataGo)
{
    std::vector<uint8_t> jpeg = JpegFixture::Busy(64, 64);
    std::vector<uint8_t> half(jpeg.begin(), jpeg.begin() + jpeg.size() / 2);
    BitmapPtr b = Load(half);
    ASSERT_TRUE(b); // completed from the fake end marker
    EXPECT_EQ(b->Width(), 64);
    EXPECT_EQ(b->Height(), 64);
}

TEST(ImageLoader, EveryTruncationEndsCleanly)
{
    for (bool progressive : {false, true}) {
        std::vector<uint8_t> jpeg = JpegFixture::Busy(24, 16, {80, progressive, false});
        for (size_t n = 0; n < jpeg.size(); n += 7) {
            std::vector<uint8_t> cut(jpeg.begin(), jpeg.begin() + n); // exactly n bytes
            BitmapPtr b = Load(cut);
            if (b) {
                EXPECT_EQ(b->Width(), 24);
                EXPECT_EQ(b->Height(), 16);
            }
        }
    }
}

// Sets the frame size in the start-of-frame header of a baseline picture.
void SetFrameSize(std::vector<uint8_t>& jpeg, int width, int height)
{
    for (size_t i = 0; i + 9 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = uint8_t(height >> 8);
            jpeg[i + 6] = uint8_t(height);
            jpeg[i + 7] = uint8_t(width >> 8);
            jpeg[i + 8] = uint8_t(width);
            return;
        }
    FAIL() << "no frame header";
}

TEST(ImageLoader, AbsurdSizeGivesNoBitmapInsteadOfExhaustingMemory)
{
    std::vector<uint8_t> jpeg = JpegFixture::Busy(16, 16);
    SetFrameSize(jpeg, 20000, 16);
    EXPECT_EQ(Load(jpeg), nullptr);
    SetFrameSize(jpeg, 65000, 65000);
    EXPECT_EQ(Load(jpeg), nullptr);
    SetFrameSize(jpeg, 16, 16385);
    EXPECT_EQ(Load(jpeg), nullptr);
    // A size the caller's own limit refuses.
    SetFrameSize(jpeg, 300, 16);
    EXPECT_EQ(LoadImageData(jpeg.data(), jpeg.size(), 256), nullptr);
}

struct ReadCase {
    int Size;
    std::vector<int> Requests;
    std::vector<int> Got;
};
void PrintTo(const ReadCase& c, std::ostream* os)
{
    *os << "block of " << c.Size;
}
class Reader : public ::testing::TestWithParam<ReadCase> {};

TEST_P(Reader, HandsOutEachByteOnceInOrder)
{
    std::vector<uint8_t> block(GetParam().Size);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = uint8_t(i * 7);
    brData reader;
    reader.OpenMemory(block.data(), block.size());
    size_t pos = 0;
    for (size_t i = 0; i < GetParam().Requests.size(); ++i) {
        std::vector<uint8_t> buffer(GetParam().Requests[i] > 0 ? GetParam().Requests[i] : 1, 0xEE);
        int got = reader.Read(buffer.data(), GetParam().Requests[i]);
        ASSERT_EQ(got, GetParam().Got[i]) << "request " << i;
        for (int k = 0; k < got; ++k)
            EXPECT_EQ(buffer[k], block[pos + k]);
        pos += got;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Reader,
                         ::testing::Values(ReadCase{10, {4, 4, 4, 4}, {4, 4, 2, 0}}, ReadCase{0, {4096}, {0}},
                                           ReadCase{5000, {4096, 4096}, {4096, 904}},
                                           ReadCase{3, {-1, 0, 3}, {0, 0, 3}}));

class ImageFile : public ::testing::Test {
protected:
    TestSupport::TempFolder Folder{"jpeg"};
    std::string Path = Folder.File("picture.jpg");
};

TEST_F(ImageFile, LoadsFromAFileAndMissingFileGivesNothing)
{
    std::vector<uint8_t> jpeg = JpegFixture::Busy(40, 30);
    FILE* f = std::fopen(Path.c_str(), "wb");
    std::fwrite(jpeg.data(), 1, jpeg.size(), f);
    std::fclose(f);
    BitmapPtr b(LoadImageFile(Path.c_str()));
    ASSERT_TRUE(b);
    EXPECT_EQ(b->Width(), 40);
    EXPECT_EQ(LoadImageFile((Path + ".missing").c_str()), nullptr);
    EXPECT_EQ(LoadImageFile(Folder.Path().c_str()), nullptr);
    brData reader;
    EXPECT_TRUE(reader.OpenFile(Path.c_str()));
    EXPECT_EQ(reader.size, jpeg.size());
    EXPECT_EQ(reader.owned, 1u);
    EXPECT_FALSE(reader.OpenFile((Path + ".missing").c_str()));
    EXPECT_EQ(reader.size, 0u);
    EXPECT_EQ(reader.data, nullptr);
}

TEST(ImageLoader, ThereAreNoImageResources)
{
    EXPECT_EQ(LoadImageResource(1), nullptr);
}

} // namespace
