// Reads back the pictures the build painted: names, sizes, the highlighted
// twins against their buttons, the grounds that text is drawn on, the tiles
// and the cursor.
#include "screens/layout/PageLayout.h"
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

using WFourfall::TBox;

struct TPageCase {
    const char* Name;
    std::vector<TBox> Buttons;
    int Width = WFourfall::kPageWidth; // the window's size, but for the question box
    int Height = WFourfall::kPageHeight;
};

std::ostream& operator<<(std::ostream& os, const TPageCase& c)
{
    return os << c.Name;
}

// The button rectangles of each page, as the screens place their buttons.
template <std::size_t N> std::vector<TBox> Boxes(const TBox (&boxes)[N])
{
    return std::vector<TBox>(boxes, boxes + N);
}
template <std::size_t N, std::size_t M> std::vector<TBox> Boxes(const TBox (&boxes)[N], const TBox (&more)[M])
{
    std::vector<TBox> all = Boxes(boxes);
    all.insert(all.end(), more, more + M);
    return all;
}
template <std::size_t N> std::vector<TBox> Boxes(const TBox (&boxes)[N], TBox more)
{
    std::vector<TBox> all = Boxes(boxes);
    all.push_back(more);
    return all;
}

// The controls page's buttons: the action rows, the repeat's steps, Back and Defaults.
std::vector<TBox> ControlsBoxes()
{
    using namespace WFourfall;
    std::vector<TBox> all = Boxes(kControlsActions, kControlsRepeatDown);
    all.insert(all.end(), std::begin(kControlsRepeatUp), std::end(kControlsRepeatUp));
    all.push_back(kControlsBack);
    all.push_back(kControlsDefaults);
    return all;
}

// The places where the controls page writes keys and values, on its plain
// picture (the key caps are on the lit one too).
std::vector<TBox> ControlsWells()
{
    using namespace WFourfall;
    std::vector<TBox> wells;
    for (const TBox& row : kControlsActions)
        wells.push_back({row.X + kControlsKeyCap.X + 2, row.Y + kControlsKeyCap.Y + 3, kControlsKeyCap.W - 4,
                         kControlsKeyCap.H - 5});
    for (const TBox& value : kControlsRepeatValues)
        wells.push_back({value.X + 2, value.Y + 3, value.W - 4, value.H - 5});
    return wells;
}

// The sound page's buttons: the volumes' steps, smooth sound's switch and
// marks, Back.
std::vector<TBox> SoundBoxes()
{
    using namespace WFourfall;
    std::vector<TBox> all = Boxes(kSoundVolumeDown, kSoundVolumeUp);
    all.insert(all.end(), std::begin(kSoundSmoothButtons), std::end(kSoundSmoothButtons));
    all.push_back(kSoundBack);
    return all;
}

const std::vector<TPageCase> kPages = {
    {"Menu", Boxes(WFourfall::kMenuButtons)},
    {"GameType", Boxes(WFourfall::kGameTypeButtons, WFourfall::kGameTypeMore)},
    {"MoreGames", Boxes(WFourfall::kMoreGamesButtons)},
    {"Options",
     [] {
         std::vector<TBox> all = Boxes(WFourfall::kOptionsButtons, WFourfall::kOptionsShadowButtons);
         all.push_back(WFourfall::kOptionsControls);
         all.push_back(WFourfall::kOptionsSound);
         return all;
     }()},
    {"Controls", ControlsBoxes()},
    {"Sound", SoundBoxes()},
    {"Help", {WFourfall::kHelpUp, WFourfall::kHelpDown, WFourfall::kHelpBack}},
    {"HighScore", Boxes(WFourfall::kHighScoreButtons, WFourfall::kHighScoreMoreTabs)},
    {"bg_techno", {WFourfall::kPlayMenuButton}},
    {"bg_Nature", {WFourfall::kPlayMenuButton}},
    {"bg_Kids", {WFourfall::kPlayMenuButton}},
    {"Question",
     {WFourfall::kQuestionYes, WFourfall::kQuestionNo},
     WFourfall::kQuestionBox.W,
     WFourfall::kQuestionBox.H},
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

TStats Brightness(const TPicture& p, TBox r)
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

bool Inside(TBox r, int x, int y)
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
    const std::vector<TBox>& buttons = GetParam().Buttons;
    for (const TBox& b : buttons) {
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
            if (std::any_of(buttons.begin(), buttons.end(), [&](TBox b) { return Inside(b, x, y); }))
                continue;
            const TBox block{x / 8 * 8, y / 8 * 8, 8, 8};
            const bool touches = std::any_of(buttons.begin(), buttons.end(), [&](TBox b) {
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
    std::set<std::string> expected = {"Balls.jpg", "Specials.jpg", "Mouse.jpg", "Mouse.bmp", "help.txt"};
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
        TBox Area;
        double MaxMean, MaxDeviation;
    } cases[] = {
        {"GameType.jpg", WFourfall::kGameTypeDescription, 0.08, 0.05},
        {"MoreGames.jpg", WFourfall::kMoreGamesDescription, 0.08, 0.05},
        // The little well is the ground of the tiles the page draws there.
        {"MoreGames.jpg", WFourfall::kMoreGamesDemo, 0.08, 0.05},
        {"Help.jpg", WFourfall::kHelpText, 0.08, 0.05},
        {"bg_techno.jpg", WFourfall::kPlayBoard, 0.12, 0.06},
        {"bg_Nature.jpg", WFourfall::kPlayBoard, 0.12, 0.06},
        {"bg_Kids.jpg", WFourfall::kPlayBoard, 0.12, 0.06},
    };
    for (const auto& c : cases) {
        const TStats s = Brightness(Load(c.File), c.Area);
        EXPECT_LT(s.Mean, c.MaxMean) << c.File;
        EXPECT_LT(s.Deviation, c.MaxDeviation) << c.File;
    }
    // The keys and repeat values, plain and (the keys) on lit rows.
    for (const char* file : {"Controls.jpg", "Controls_.jpg"}) {
        const TPicture p = Load(file);
        for (const TBox& well : ControlsWells()) {
            const TStats s = Brightness(p, well);
            EXPECT_LT(s.Mean, 0.1) << file << " at " << well.X << "," << well.Y;
            EXPECT_LT(s.Deviation, 0.05) << file << " at " << well.X << "," << well.Y;
        }
    }
    // The volumes on the sound page.
    const TPicture sound = Load("Sound.jpg");
    for (const TBox& value : WFourfall::kSoundVolumeValues) {
        const TStats s = Brightness(sound, {value.X + 2, value.Y + 3, value.W - 4, value.H - 5});
        EXPECT_LT(s.Mean, 0.1) << "Sound.jpg at " << value.X << "," << value.Y;
        EXPECT_LT(s.Deviation, 0.05) << "Sound.jpg at " << value.X << "," << value.Y;
    }
}

// The score panel: labels on rows 0, 2 and 4, dark rows for the pale numbers.
TEST(SkinGrounds, ScorePanelKeepsItsNumberRowsDark)
{
    for (const char* file : {"bg_techno.jpg", "bg_Nature.jpg", "bg_Kids.jpg"}) {
        const TPicture p = Load(file);
        for (int k = 0; k < 6; ++k) {
            const TBox& panel = WFourfall::kPlayScorePanel;
            const TBox row{panel.X + 8, panel.Y + k * panel.H / 6 + 3, panel.W - 16,
                           (k + 1) * panel.H / 6 - k * panel.H / 6 - 6};
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

// The creator and the destroyer must be told at a glance from every block and
// from each other, in every style the cell sheet has (the colour-blind one
// included). Measured in brightness alone, which does not depend on telling
// hues apart: pixel by pixel, a special tile differs from every block more
// than the two blocks closest in brightness pattern differ from each other.
double PatternDistance(const TPicture& a, int ax, int ay, const TPicture& b, int bx, int by)
{
    double sum = 0;
    for (int y = 1; y < 15; ++y)
        for (int x = 1; x < 15; ++x)
            sum += std::fabs(Shown(a.At(ax + x, ay + y)) - Shown(b.At(bx + x, by + y)));
    return sum / (14 * 14);
}

TEST(TileSheet, SpecialTilesStandApartFromEveryColourAndEachOtherInEveryStyle)
{
    const TPicture cells = Load("Balls.jpg");
    const TPicture specials = Load("Specials.jpg");
    ASSERT_FALSE(specials.Empty());
    EXPECT_EQ(specials.Width, 2 * 16);
    ASSERT_EQ(specials.Height, cells.Height) << "one row per block style, as the cell sheet";
    for (int style = 0; style < cells.Height / 16; ++style) {
        const int y = style * 16;
        const double apart = PatternDistance(specials, 0, y, specials, 16, y);
        EXPECT_GT(apart, 0.2) << "style " << style << ": creator against destroyer";
        const double creatorMean = Brightness(specials, {1, y + 1, 14, 14}).Mean;
        const double destroyerMean = Brightness(specials, {17, y + 1, 14, 14}).Mean;
        EXPECT_GT(creatorMean - destroyerMean, 0.12) << "style " << style << ": a light one and a dark one";
        for (int k = 0; k < 2; ++k) {
            for (int c = 0; c < 7; ++c) {
                const double d = PatternDistance(specials, k * 16, y, cells, c * 16, y);
                EXPECT_GT(d, 0.12) << "style " << style << ": " << (k ? "destroyer" : "creator")
                                   << " against colour " << c + 1;
            }
        }
        double closestBlocks = 1;
        for (int a = 0; a < 7; ++a)
            for (int b = a + 1; b < 7; ++b)
                closestBlocks = std::min(closestBlocks, PatternDistance(cells, a * 16, y, cells, b * 16, y));
        for (int k = 0; k < 2; ++k)
            for (int c = 0; c < 7; ++c)
                EXPECT_GT(PatternDistance(specials, k * 16, y, cells, c * 16, y), closestBlocks)
                    << "style " << style << ": " << (k ? "destroyer" : "creator") << " against colour "
                    << c + 1;
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
          "bottom row is worth 105",
          // Full screen, play without a mouse, held moves and the gamepad.
          "F11 or Alt+Enter", "arrow keys light a button", "keeps moving", "A GAMEPAD", "Start pauses"})
        EXPECT_NE(text.find(word), std::string::npos) << word;
    for (const char* wrong : {"stays where it is until the next figure lands", "for each row it stood above"})
        EXPECT_EQ(text.find(wrong), std::string::npos) << wrong;
}

} // namespace
