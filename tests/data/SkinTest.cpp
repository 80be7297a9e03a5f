// Reads back the pictures the build painted: names, sizes, the highlighted
// twins against their buttons, the grounds that text is drawn on, the tiles
// and the cursor.
#include "tests/data/ContentFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <ostream>
#include <set>

using namespace ContentTest;

namespace {

struct TRect {
    int X, Y, W, H;
};

struct TPageCase {
    const char* Name;
    std::vector<TRect> Buttons;
    int Width = 800; // the window's size, but for the question box
    int Height = 600;
};

std::ostream& operator<<(std::ostream& os, const TPageCase& c)
{
    return os << c.Name;
}

// The button rectangles of each page, as the screens place their buttons.
const std::vector<TPageCase> kPages = {
    {"Menu",
     {{236, 125, 332, 69},
      {236, 195, 332, 69},
      {236, 266, 332, 69},
      {236, 336, 332, 69},
      {236, 406, 332, 69}}},
    {"GameType",
     {{239, 180, 326, 67},
      {239, 247, 326, 67},
      {239, 314, 326, 67},
      {239, 381, 326, 67},
      {281, 481, 239, 55}}},
    {"Options",
     {{255, 192, 220, 40},
      {477, 192, 57, 49},
      {545, 192, 57, 49},
      {255, 241, 220, 40},
      {477, 241, 57, 49},
      {545, 241, 57, 49},
      {255, 279, 220, 40},
      {477, 290, 120, 30},
      {477, 320, 120, 30},
      {477, 350, 120, 30},
      {255, 387, 220, 40},
      {477, 381, 57, 49},
      {545, 381, 57, 49},
      {281, 481, 239, 55}}},
    {"Help", {{75, 485, 145, 40}, {223, 485, 100, 40}, {535, 485, 200, 50}}},
    {"HighScore",
     {{430, 160, 55, 17},
      {488, 160, 54, 17},
      {545, 160, 89, 17},
      {637, 160, 93, 17},
      {17, 489, 246, 41},
      {264, 489, 330, 41},
      {595, 489, 192, 41}}},
    {"bg_techno", {{14, 537, 239, 55}}},
    {"bg_Nature", {{14, 537, 239, 55}}},
    {"bg_Kids", {{14, 537, 239, 55}}},
    {"Question", {{90, 114, 130, 46}, {240, 114, 130, 46}}, 460, 180},
};

TPicture Load(const std::string& name)
{
    return DecodeJpeg(ReadBytes(DataDir() + "/Skin/" + name));
}

// Brightness as the player sees it (the loader has applied the display gamma).
double Shown(const uint8_t* p)
{
    return (0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2]) / 255.0;
}

struct TStats {
    double Mean = 0, Deviation = 0;
};

TStats Brightness(const TPicture& p, TRect r)
{
    double sum = 0, sum2 = 0;
    for (int y = r.Y; y < r.Y + r.H; ++y)
        for (int x = r.X; x < r.X + r.W; ++x) {
            const double v = Shown(p.At(x, y));
            sum += v;
            sum2 += v * v;
        }
    const double n = double(r.W) * r.H;
    return {sum / n, std::sqrt(std::max(0.0, sum2 / n - (sum / n) * (sum / n)))};
}

bool Inside(TRect r, int x, int y)
{
    return x >= r.X && y >= r.Y && x < r.X + r.W && y < r.Y + r.H;
}

int Difference(const TPicture& a, const TPicture& b, int x, int y)
{
    const uint8_t *p = a.At(x, y), *q = b.At(x, y);
    return std::max({std::abs(p[0] - q[0]), std::abs(p[1] - q[1]), std::abs(p[2] - q[2])});
}

class SkinPairs : public testing::TestWithParam<TPageCase> {};

TEST_P(SkinPairs, BothPicturesHaveTheSizeOfTheWindowOrOfTheBox)
{
    for (const std::string suffix : {"", "_"}) {
        const TPicture p = Load(std::string(GetParam().Name) + suffix + ".jpg");
        ASSERT_FALSE(p.Empty()) << suffix;
        EXPECT_EQ(p.Width, GetParam().Width);
        EXPECT_EQ(p.Height, GetParam().Height);
    }
}

// The lit twin must light every button and change nothing else: 8 x 8
// blocks that touch no button are coded from the same pixels and decode
// identically; near a button's edge only compression noise is allowed.
TEST_P(SkinPairs, HighlightedTwinDiffersInsideEveryButtonAndNowhereElse)
{
    const TPicture plain = Load(std::string(GetParam().Name) + ".jpg");
    const TPicture lit = Load(std::string(GetParam().Name) + "_.jpg");
    ASSERT_FALSE(plain.Empty());
    ASSERT_FALSE(lit.Empty());
    const std::vector<TRect>& buttons = GetParam().Buttons;
    for (const TRect& b : buttons) {
        long changed = 0;
        for (int y = b.Y; y < b.Y + b.H; ++y)
            for (int x = b.X; x < b.X + b.W; ++x)
                changed += Difference(plain, lit, x, y) > 24;
        EXPECT_GT(changed, long(b.W) * b.H / 3) << "button at " << b.X << "," << b.Y << " is not lit";
    }
    int worstNearEdge = 0;
    long blockPixelsDiffering = 0;
    for (int y = 0; y < GetParam().Height; ++y)
        for (int x = 0; x < GetParam().Width; ++x) {
            if (std::any_of(buttons.begin(), buttons.end(), [&](TRect b) { return Inside(b, x, y); }))
                continue;
            const TRect block{x / 8 * 8, y / 8 * 8, 8, 8};
            const bool touches = std::any_of(buttons.begin(), buttons.end(), [&](TRect b) {
                return block.X < b.X + b.W && b.X < block.X + 8 && block.Y < b.Y + b.H && b.Y < block.Y + 8;
            });
            const int d = Difference(plain, lit, x, y);
            if (touches)
                worstNearEdge = std::max(worstNearEdge, d);
            else
                blockPixelsDiffering += d != 0;
        }
    EXPECT_EQ(blockPixelsDiffering, 0);
    EXPECT_LE(worstNearEdge, 40);
}

INSTANTIATE_TEST_SUITE_P(Pages, SkinPairs, testing::ValuesIn(kPages),
                         [](const testing::TestParamInfo<TPageCase>& i) {
                             return std::string(i.param.Name);
                         });

TEST(SkinFiles, EveryFileIsThereUnderItsExactName)
{
    std::set<std::string> expected = {"Balls.jpg", "Mouse.jpg", "Mouse.bmp", "help.txt"};
    for (const TPageCase& c : kPages) {
        expected.insert(std::string(c.Name) + ".jpg");
        expected.insert(std::string(c.Name) + "_.jpg");
    }
    std::set<std::string> found;
    for (const auto& e : std::filesystem::directory_iterator(DataDir() + "/Skin"))
        if (e.file_size() > 0)
            found.insert(e.path().filename().string());
    for (const std::string& name : expected)
        EXPECT_TRUE(found.count(name)) << name;
}

// White text is drawn on these grounds: they must be dark and even.
TEST(SkinGrounds, TextAreasAreDarkAndQuiet)
{
    const struct {
        const char* File;
        TRect Area;
        double MaxMean, MaxDeviation;
    } cases[] = {
        {"GameType.jpg", {581, 210, 188, 206}, 0.08, 0.05},
        {"Help.jpg", {149, 190, 505, 286}, 0.08, 0.05},
        {"bg_techno.jpg", {297, 46, 208, 496}, 0.12, 0.06},
        {"bg_Nature.jpg", {297, 46, 208, 496}, 0.12, 0.06},
        {"bg_Kids.jpg", {297, 46, 208, 496}, 0.12, 0.06},
    };
    for (const auto& c : cases) {
        const TStats s = Brightness(Load(c.File), c.Area);
        EXPECT_LT(s.Mean, c.MaxMean) << c.File;
        EXPECT_LT(s.Deviation, c.MaxDeviation) << c.File;
    }
}

// The score panel: labels on rows 0, 2 and 4, dark rows for the pale numbers.
TEST(SkinGrounds, ScorePanelKeepsItsNumberRowsDark)
{
    for (const char* file : {"bg_techno.jpg", "bg_Nature.jpg", "bg_Kids.jpg"}) {
        const TPicture p = Load(file);
        for (int k = 0; k < 6; ++k) {
            const TRect row{58 + 8, 79 + k * 146 / 6 + 3, 102 - 16, (k + 1) * 146 / 6 - k * 146 / 6 - 6};
            const TStats s = Brightness(p, row);
            if (k % 2)
                EXPECT_LT(s.Mean, 0.1) << file << " row " << k;
            else
                EXPECT_GT(s.Deviation, 0.08) << file << " row " << k << " holds no label";
        }
    }
}

// Names are black, ranks and scores white.
TEST(SkinGrounds, HighScoreListHasLightNamesAndDarkNumbers)
{
    const TPicture p = Load("HighScore.jpg");
    for (int k = 0; k < 9; ++k) {
        EXPECT_GT(Brightness(p, {262, 213 + 26 * k + 3, 200, 14}).Mean, 0.6) << "name row " << k;
        EXPECT_LT(Brightness(p, {500, 213 + 26 * k + 3, 120, 14}).Mean, 0.2) << "score row " << k;
        EXPECT_LT(Brightness(p, {178 + 2 * k, 213 + 26 * k + 3, 26, 14}).Mean, 0.2) << "rank row " << k;
    }
}

TEST(TileSheet, HoldsSevenColoursAndAtLeastThreeStylesOfShadedTiles)
{
    const TPicture p = Load("Balls.jpg");
    ASSERT_FALSE(p.Empty());
    EXPECT_EQ(p.Width % 16, 0);
    EXPECT_EQ(p.Height % 16, 0);
    EXPECT_GE(p.Width / 16, 7);
    ASSERT_GE(p.Height / 16, 3);
    for (int style = 0; style < p.Height / 16; ++style) {
        std::vector<std::array<double, 3>> means;
        for (int c = 0; c < 7; ++c) {
            std::array<double, 3> m{};
            for (int y = 4; y < 12; ++y)
                for (int x = 4; x < 12; ++x)
                    for (int k = 0; k < 3; ++k)
                        m[size_t(k)] += p.At(c * 16 + x, style * 16 + y)[k] / 64.0;
            means.push_back(m);
            // Light and shade: no tile is flat, so that neighbours read as separate cells.
            EXPECT_GT(Brightness(p, {c * 16, style * 16, 16, 16}).Deviation, 0.05)
                << "style " << style << " colour " << c + 1;
        }
        for (size_t a = 0; a < means.size(); ++a)
            for (size_t b = a + 1; b < means.size(); ++b) {
                double d = 0;
                for (int k = 0; k < 3; ++k)
                    d += std::fabs(means[a][size_t(k)] - means[b][size_t(k)]);
                EXPECT_GT(d, 40) << "style " << style << ": colours " << a + 1 << " and " << b + 1
                                 << " look alike";
            }
    }
}

TEST(Cursor, PictureAndMaskMatchWithTheHotSpotAtTheTopLeft)
{
    const TPicture picture = Load("Mouse.jpg");
    const TMonoBitmap mask = DecodeMonoBmp(ReadBytes(DataDir() + "/Skin/Mouse.bmp"));
    ASSERT_FALSE(picture.Empty());
    ASSERT_FALSE(mask.White.empty());
    ASSERT_EQ(picture.Width, mask.Width);
    ASSERT_EQ(picture.Height, mask.Height);
    EXPECT_FALSE(mask.White[0]) << "the top-left pixel is the hot spot and must be opaque";
    long opaque = 0, bright = 0;
    for (int y = 0; y < mask.Height; ++y)
        for (int x = 0; x < mask.Width; ++x) {
            const uint8_t* p = picture.At(x, y);
            if (mask.White[size_t(y) * size_t(mask.Width) + size_t(x)]) {
                // Transparent: black, so that OR leaves the screen as it is.
                EXPECT_EQ(std::max({p[0], p[1], p[2]}), 0) << x << "," << y;
            } else {
                ++opaque;
                bright += Shown(p) > 0.7;
            }
        }
    EXPECT_GT(opaque, 60);
    EXPECT_GT(bright, 40) << "an arrow with a light body";
}

TEST(HelpText, IsPlainTextAboutTheKeysGamesScoresAndOptions)
{
    const std::vector<uint8_t> bytes = ReadBytes(DataDir() + "/Skin/help.txt");
    ASSERT_GT(bytes.size(), 1000u);
    for (uint8_t b : bytes)
        EXPECT_TRUE(b == '\n' || (b >= 32 && b < 127)) << int(b);
    const std::string text(bytes.begin(), bytes.end());
    for (const char* word :
         {"Fourfall", "Fivefall", "Color Fourfall", "Crazy Fourfall", "Left arrow", "Up arrow", "Down arrow",
          "Ctrl", "points", "level", "Music", "Background", "Next Figure", "High Scores",
          // Every key the game knows, and what a removed row really does and pays.
          "P: pause", "Enter or Space", "Backspace", "Escape", "drops down by one row",
          "bottom row is worth 105"})
        EXPECT_NE(text.find(word), std::string::npos) << word;
    for (const char* wrong : {"stays where it is until the next figure lands", "for each row it stood above"})
        EXPECT_EQ(text.find(wrong), std::string::npos) << wrong;
}

} // namespace
