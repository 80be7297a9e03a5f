#include "platform/desktop/Font.h"

#include <cstring>
#include <fstream>
#include <string>

#include <cstdlib>

#include <gtest/gtest.h>

#include "platform/desktop/DeviceContext.h"

using namespace Platform;

namespace {

LogFont Describe(int height, int weight = 0, const char* face = "Arial")
{
    LogFont d;
    d.Height = height;
    d.Weight = weight;
    std::strncpy(d.FaceName, face, sizeof(d.FaceName) - 1);
    return d;
}

// A surface of one background colour with a font selected.
class Text : public ::testing::Test {
protected:
    void Make(int w, int h, const LogFont& desc)
    {
        Bm = CreateCompatibleBitmap(w, h);
        Dc = CreateMemoryDC();
        SelectBitmap(Dc, Bm);
        Fnt = CreateFontIndirect(desc);
        SelectFont(Dc, Fnt);
        SetTextColor(Dc, 0xFFFFFF);
        SetBkMode(Dc, kBkTransparent);
    }
    void TearDown() override
    {
        DeleteDC(Dc);
        DeleteBitmap(Bm);
        DeleteFont(Fnt);
    }
    struct Ink {
        int Left = 1 << 30, Top = 1 << 30, Right = -1, Bottom = -1; // inclusive
        int Pixels = 0;
    };
    Ink FindInk(uint16_t background = 0) const
    {
        Ink ink;
        for (int y = 0; y < Bm->Height(); ++y)
            for (int x = 0; x < Bm->Width(); ++x)
                if (Bm->Pixel(x, y) != background) {
                    ink.Left = std::min(ink.Left, x);
                    ink.Right = std::max(ink.Right, x);
                    ink.Top = std::min(ink.Top, y);
                    ink.Bottom = std::max(ink.Bottom, y);
                    ++ink.Pixels;
                }
        return ink;
    }
    Bitmap* Bm = nullptr;
    DC* Dc = nullptr;
    Font* Fnt = nullptr;
};

TEST(Font, ArialResolvesToMetricCompatibleFace)
{
    Font* regular = CreateFontIndirect(Describe(24));
    Font* bold = CreateFontIndirect(Describe(24, 700));
    Font* semi = CreateFontIndirect(Describe(24, 600));
    EXPECT_STREQ(FontFamilyName(regular), "Liberation Sans");
    EXPECT_NE(std::string(FontFacePath(regular)).find("LiberationSans-Regular"), std::string::npos);
    EXPECT_NE(std::string(FontFacePath(bold)).find("LiberationSans-Bold"), std::string::npos);
    EXPECT_NE(std::string(FontFacePath(semi)).find("LiberationSans-Regular"), std::string::npos);
    DeleteFont(regular);
    DeleteFont(bold);
    DeleteFont(semi);
}

TEST(Font, UnknownFaceFallsBackToAFaceThatDraws)
{
    Font* f = CreateFontIndirect(Describe(20, 0, "No Such Face Anywhere"));
    EXPECT_STRNE(FontFacePath(f), "");
    FontMetrics m;
    ASSERT_TRUE(GetFontMetrics(f, &m));
    EXPECT_EQ(m.Height, 20);
    DeleteFont(f);
}

struct MetricCase {
    int Height;
    int Ascent;
    int Descent;
};
void PrintTo(const MetricCase& c, std::ostream* os)
{
    *os << "height " << c.Height;
}
class FontMetricsByHeight : public ::testing::TestWithParam<MetricCase> {};

// Liberation Sans: 2048 units per em, Windows ascent 1854, descent 434.
TEST_P(FontMetricsByHeight, CellHeightFollowsThePlatformRule)
{
    Font* f = CreateFontIndirect(Describe(GetParam().Height));
    FontMetrics m;
    ASSERT_TRUE(GetFontMetrics(f, &m));
    EXPECT_EQ(m.Ascent, GetParam().Ascent);
    EXPECT_EQ(m.Descent, GetParam().Descent);
    EXPECT_EQ(m.Height, GetParam().Ascent + GetParam().Descent);
    DeleteFont(f);
}

INSTANTIATE_TEST_SUITE_P(Heights, FontMetricsByHeight,
                         ::testing::Values(MetricCase{24, 19, 5}, MetricCase{18, 15, 3},
                                           MetricCase{-24, 22, 5}, MetricCase{-11, 10, 2},
                                           MetricCase{0, 13, 3}));

TEST_F(Text, CellHeight24MeasuresTwentyFourHigh)
{
    Make(10, 10, Describe(24));
    int w = 0, h = 0;
    ASSERT_TRUE(GetTextExtent(Dc, "Hg", 2, &w, &h));
    EXPECT_EQ(h, 24);
    EXPECT_GT(w, 0);
    ASSERT_TRUE(GetTextExtent(Dc, "", 0, &w, &h));
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 24);
}

TEST_F(Text, WidthIsTheSumOfWholePixelAdvances)
{
    Make(10, 10, Describe(24));
    int one = 0, seven = 0, a = 0, b = 0, ab = 0, h = 0;
    GetTextExtent(Dc, "0", 1, &one, &h);
    GetTextExtent(Dc, "0000000", 7, &seven, &h);
    EXPECT_EQ(seven, 7 * one);
    GetTextExtent(Dc, "A", 1, &a, &h);
    GetTextExtent(Dc, "V", 1, &b, &h);
    GetTextExtent(Dc, "AV", 2, &ab, &h); // no kerning
    EXPECT_EQ(ab, a + b);
}

TEST_F(Text, TextOutPutsTheCellTopLeftAtThePoint)
{
    Make(80, 60, Describe(24));
    TextOut(Dc, 10, 12, "H", 1);
    Ink ink = FindInk();
    ASSERT_GT(ink.Pixels, 0);
    // "H" stands on the baseline, ascent 19 below the cell top.
    EXPECT_EQ(ink.Bottom, 12 + 19 - 1);
    EXPECT_GT(ink.Top, 12);
    EXPECT_GE(ink.Left, 10);
    EXPECT_LE(ink.Left, 13);
}

TEST_F(Text, GlyphsAreBlendedInTheTextColour)
{
    Make(80, 40, Describe(24));
    SetTextColor(Dc, 0x0000FF); // red
    TextOut(Dc, 2, 2, "I", 1);
    int solid = 0, partial = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 80; ++x) {
            uint16_t p = Bm->Pixel(x, y);
            EXPECT_EQ(p & 0x07FF, 0) << "only red may appear at " << x << "," << y;
            solid += p == 0xF800;
            partial += p != 0 && p != 0xF800;
        }
    EXPECT_GT(solid, 0);
    (void)partial;
}

TEST_F(Text, TextIsDrawnTransparent)
{
    Make(60, 40, Describe(24));
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x)
            Bm->SetPixel(x, y, 0x1234);
    SetBkMode(Dc, kBkOpaque); // even so
    TextOut(Dc, 2, 2, ".", 1);
    Ink ink = FindInk(0x1234);
    ASSERT_GT(ink.Pixels, 0);
    EXPECT_LT(ink.Pixels, 30); // a dot, not a filled cell
}

TEST_F(Text, CentredTextLandsInTheCentreOfItsRectangle)
{
    Make(400, 300, Describe(24));
    const int l = 100, t = 50, r = 308, b = 246;
    const char* text = "1234567";
    int cx = 0, cy = 0;
    GetTextExtent(Dc, text, 7, &cx, &cy);
    DrawText(Dc, text, 7, l, t, r, b, 0x934 | kDtCenter);
    Ink ink = FindInk();
    ASSERT_GT(ink.Pixels, 0);
    int x0 = (l + r - cx) / 2, y0 = t + (b - t) / 2 - cy / 2;
    EXPECT_GE(ink.Left, x0);
    EXPECT_LE(ink.Right, x0 + cx - 1);
    EXPECT_GE(ink.Top, y0);
    EXPECT_LE(ink.Bottom, y0 + cy - 1);
    // The digits' ink is centred too, within their side bearings.
    EXPECT_NEAR((ink.Left + ink.Right + 1) / 2.0, (l + r) / 2.0, 2.0);
    EXPECT_NEAR((ink.Top + ink.Bottom + 1) / 2.0, (t + b) / 2.0, 4.0);
}

struct AlignCase {
    unsigned Format;
    const char* Name;
};
void PrintTo(const AlignCase& c, std::ostream* os)
{
    *os << c.Name;
}
class TextAlign : public Text, public ::testing::WithParamInterface<AlignCase> {};

TEST_P(TextAlign, PlacesTheLineByItsExtent)
{
    Make(300, 100, Describe(24));
    const int l = 20, t = 10, r = 280, b = 90;
    int cx = 0, cy = 0;
    GetTextExtent(Dc, "Wide text", 9, &cx, &cy);
    DrawText(Dc, "Wide text", 9, l, t, r, b, 0x934 | GetParam().Format);
    Ink ink = FindInk();
    ASSERT_GT(ink.Pixels, 0);
    int x0 = GetParam().Format == kDtCenter ? (l + r - cx) / 2 : GetParam().Format == kDtRight ? r - cx : l;
    EXPECT_GE(ink.Left, x0);
    EXPECT_LE(ink.Left, x0 + 3);
    EXPECT_LE(ink.Right, x0 + cx - 1);
    EXPECT_GE(ink.Right, x0 + cx - 4);
}

INSTANTIATE_TEST_SUITE_P(Flags, TextAlign,
                         ::testing::Values(AlignCase{kDtLeft, "left"}, AlignCase{kDtCenter, "centre"},
                                           AlignCase{kDtRight, "right"}));

TEST_F(Text, SingleLineDoesNotBreakAtLineFeeds)
{
    Make(300, 120, Describe(20));
    DrawText(Dc, "AB\nCD", 5, 0, 0, 300, 120, 0x934);
    Ink ink = FindInk();
    ASSERT_GT(ink.Pixels, 0);
    EXPECT_LT(ink.Bottom - ink.Top, 20);
    int oneLine = 0, h = 0;
    GetTextExtent(Dc, "ABCD", 4, &oneLine, &h);
    EXPECT_GT(ink.Right - ink.Left, oneLine - 8);
}

TEST_F(Text, ClipsToTheRectangleUnlessToldNotTo)
{
    Make(200, 60, Describe(24));
    DrawText(Dc, "MMMMMMMM", 8, 10, 10, 40, 50, kDtSingleLine | kDtNoPrefix);
    Ink clipped = FindInk();
    EXPECT_GE(clipped.Left, 10);
    EXPECT_LE(clipped.Right, 39);
    DrawText(Dc, "MMMMMMMM", 8, 10, 10, 40, 50, kDtSingleLine | kDtNoPrefix | kDtNoClip);
    EXPECT_GT(FindInk().Right, 60);
}

TEST_F(Text, PrefixCharactersUnlessNoPrefix)
{
    Make(200, 40, Describe(20));
    int plain = 0, h = 0;
    GetTextExtent(Dc, "AB", 2, &plain, &h);
    DrawText(Dc, "&A&B", 4, 0, 0, 200, 40, kDtSingleLine);
    Ink stripped = FindInk();
    EXPECT_LE(stripped.Right - stripped.Left + 1, plain);
}

TEST_F(Text, RepaintingRasterisesNoGlyphAgain)
{
    Make(200, 60, Describe(24));
    DrawText(Dc, "9876543", 7, 0, 0, 200, 60, 0x935);
    uint64_t afterFirst = GlyphRasterCount();
    DrawText(Dc, "9876543", 7, 0, 0, 200, 60, 0x935);
    TextOut(Dc, 3, 3, "3456789", 7);
    EXPECT_EQ(GlyphRasterCount(), afterFirst);
    // A fresh font object of the same description shares the rendered glyphs.
    Font* again = CreateFontIndirect(Describe(24));
    Font* old = SelectFont(Dc, again);
    DrawText(Dc, "9876543", 7, 0, 0, 200, 60, 0x935);
    EXPECT_EQ(GlyphRasterCount(), afterFirst);
    SelectFont(Dc, old);
    DeleteFont(again);
}

TEST_F(Text, DrawsWindows1252Characters)
{
    Make(100, 40, Describe(24));
    const char euro[] = "\x80";
    int w = 0, h = 0;
    GetTextExtent(Dc, euro, 1, &w, &h);
    EXPECT_GT(w, 5);
    TextOut(Dc, 0, 0, euro, 1);
    EXPECT_GT(FindInk().Pixels, 10);
}

TEST_F(Text, NothingHappensOutsideTheBitmap)
{
    Make(20, 20, Describe(24));
    TextOut(Dc, -1000, -1000, "Hello", 5);
    TextOut(Dc, 1 << 30, 1 << 30, "Hello", 5);
    DrawText(Dc, "Hello", 5, -500, -500, -400, -400, 0x935);
    EXPECT_EQ(FindInk().Pixels, 0);
    TextOut(Dc, -5, -10, "Hello", 5); // partly inside
    EXPECT_GT(FindInk().Pixels, 0);
}

bool FileMapped(const std::string& path)
{
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line))
        if (line.size() >= path.size() && line.compare(line.size() - path.size(), path.size(), path) == 0)
            return true;
    return false;
}

// The font file is read, not mapped: the pages of a mapped file that the
// face once touched would stay counted as the game's memory.
TEST_F(Text, TheFontFileIsReadNotMapped)
{
    Make(200, 40, Describe(24, 700));
    const std::string path = FontFacePath(Fnt);
    ASSERT_FALSE(path.empty());
    char resolved[4096];
    ASSERT_NE(realpath(path.c_str(), resolved), nullptr);
    const uint16_t before = Bm->Pixel(10, 20);
    TextOut(Dc, 2, 2, "Score 1234567890", 16);
    bool drawn = false;
    for (int y = 0; y < 40 && !drawn; ++y)
        for (int x = 0; x < 200 && !drawn; ++x)
            drawn = Bm->Pixel(x, y) != before;
    EXPECT_TRUE(drawn);
    EXPECT_FALSE(FileMapped(resolved)) << resolved;
}

TEST(TextWithoutBitmap, MeasuresAndDrawsNothing)
{
    DC* dc = CreateMemoryDC();
    int w = 0, h = 0;
    EXPECT_TRUE(GetTextExtent(dc, "ab", 2, &w, &h)); // the stock font
    EXPECT_EQ(h, kDefaultCellHeight);
    EXPECT_TRUE(TextOut(dc, 0, 0, "ab", 2));
    DeleteDC(dc);
}

} // namespace
