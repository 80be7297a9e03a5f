#include "platform/desktop/InputTranslator.h"
#include "platform/desktop/WindowPlacement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

namespace {

using Platform::InputRecord;
using Kind = Platform::InputRecord::Kind;

std::string Lines(const std::vector<InputRecord>& records)
{
    std::string text;
    for (const InputRecord& record : records)
        text += Platform::ToString(record) + "\n";
    return text;
}

// SDL codes by value (tests do not include SDL).
constexpr int kSdlLeft = 80 | 1 << 30;
constexpr int kScanLeft = 80;
constexpr int kSdlKpEnter = 88 | 1 << 30;
constexpr int kScanKpEnter = 88;
constexpr int kSdlMute = 127 | 1 << 30;
constexpr int kScanMute = 127;
constexpr int kScanA = 4;
constexpr int kScanBackspace = 42;

const Platform::InputTranslator translator(800, 600);

TEST(InputTranslator, KeyDownsCarryTheVirtualKeyAndRepeats)
{
    std::vector<InputRecord> out;
    translator.KeyDown(kSdlLeft, kScanLeft, false, out);
    translator.KeyDown(kSdlLeft, kScanLeft, true, out);
    translator.KeyDown(kSdlLeft, kScanLeft, true, out);
    translator.KeyUp(kSdlLeft, kScanLeft, out);
    EXPECT_EQ(Lines(out), "KeyDown 0x25\nKeyDown 0x25 repeat\nKeyDown 0x25 repeat\nKeyUp 0x25\n");
}

TEST(InputTranslator, ControlCharacterKeysAlsoTypeTheirCharacterOnEveryRepeat)
{
    std::vector<InputRecord> out;
    translator.KeyDown('\b', kScanBackspace, false, out);
    translator.KeyDown('\b', kScanBackspace, true, out);
    translator.KeyDown(kSdlKpEnter, kScanKpEnter, false, out);
    EXPECT_EQ(Lines(out),
              "KeyDown 0x08\nKeyPress 8\nKeyDown 0x08 repeat\nKeyPress 8\nKeyDown 0x0D\nKeyPress 13\n");
}

TEST(InputTranslator, LettersTypeNothingByThemselves)
{
    // Their characters come from the text input, which knows about Shift
    // and the keyboard layout.
    std::vector<InputRecord> out;
    translator.KeyDown('a', kScanA, false, out);
    translator.Text("A", out);
    translator.KeyUp('a', kScanA, out);
    EXPECT_EQ(Lines(out), "KeyDown 0x41\nKeyPress 65\nKeyUp 0x41\n");
}

TEST(InputTranslator, KeysWithoutVirtualKeyAreNotReported)
{
    std::vector<InputRecord> out;
    translator.KeyDown(kSdlMute, kScanMute, false, out);
    translator.KeyUp(kSdlMute, kScanMute, out);
    EXPECT_TRUE(out.empty()) << Lines(out);
}

TEST(InputTranslator, TextBecomesOneKeyPressPerWindows1252Byte)
{
    std::vector<InputRecord> out;
    translator.Text("\xC3\xA9\xE2\x82\xAC\xD0\x96z", out); // é € Ж z: Ж has no byte
    EXPECT_EQ(Lines(out), "KeyPress 233\nKeyPress 128\nKeyPress 122\n");
}

struct MouseCase {
    int x, y;
    int expectedX, expectedY;
};

std::ostream& operator<<(std::ostream& out, const MouseCase& c)
{
    return out << "(" << c.x << ", " << c.y << ")";
}

class MouseClampTable : public testing::TestWithParam<MouseCase> {};

TEST_P(MouseClampTable, PositionsAreClampedIntoTheLayout)
{
    const MouseCase& c = GetParam();
    std::vector<InputRecord> out;
    translator.MouseMove(c.x, c.y, out);
    translator.MouseButton(true, 3, c.x, c.y, out);
    translator.MouseButton(false, 3, c.x, c.y, out);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0], (InputRecord{Kind::MouseMove, 0, c.expectedX, c.expectedY, false}));
    EXPECT_EQ(out[1], (InputRecord{Kind::MouseDown, 3, c.expectedX, c.expectedY, false}));
    EXPECT_EQ(out[2], (InputRecord{Kind::MouseUp, 3, c.expectedX, c.expectedY, false}));
}

INSTANTIATE_TEST_SUITE_P(Positions, MouseClampTable,
                         testing::Values(MouseCase{0, 0, 0, 0}, MouseCase{100, 50, 100, 50},
                                         MouseCase{799, 599, 799, 599}, MouseCase{800, 600, 799, 599},
                                         MouseCase{-40, 300, 0, 300}, MouseCase{400, -1, 400, 0},
                                         MouseCase{5000, -5000, 799, 0}));

struct PlacementCase {
    const char* name;
    int screenWidth, screenHeight;
    Platform::FrameExtents frame;
    bool fullScreen;
    int clientX, clientY;
};

std::ostream& operator<<(std::ostream& out, const PlacementCase& c)
{
    return out << c.name << ": screen " << c.screenWidth << "x" << c.screenHeight << ", frame "
               << c.frame.left << "," << c.frame.top << "," << c.frame.right << "," << c.frame.bottom;
}

class PlacementTable : public testing::TestWithParam<PlacementCase> {};

TEST_P(PlacementTable, CentredFromTheDesignSizeOrFullScreen)
{
    const PlacementCase& c = GetParam();
    const Platform::WindowPlacement placement =
        Platform::PlaceMainWindow(c.screenWidth, c.screenHeight, c.frame);
    EXPECT_EQ(placement.fullScreen, c.fullScreen);
    if (!c.fullScreen) {
        EXPECT_EQ(placement.clientX, c.clientX);
        EXPECT_EQ(placement.clientY, c.clientY);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Screens, PlacementTable,
    testing::Values(
        // Frame 4 + 4 wide, 24 + 4 high: outer size 800 x 601 before growing.
        PlacementCase{"Screen1024x768", 1024, 768, {4, 24, 4, 4}, false, 112 + 4, 83 + 24},
        PlacementCase{"Screen1280x1024", 1280, 1024, {4, 24, 4, 4}, false, 240 + 4, 211 + 24},
        // No frame known (no window manager): the client is the outer size.
        PlacementCase{"NoFrame1024x768", 1024, 768, {}, false, 116, 97},
        PlacementCase{"OddDifference", 1025, 770, {}, false, 116, 98},
        // Not taller than the 800 x 600 window with its frame: borderless
        // over the whole screen.
        PlacementCase{"Screen640x480", 640, 480, {4, 24, 4, 4}, true, 0, 0},
        PlacementCase{"ExactlyAsTall", 1024, 628, {4, 24, 4, 4}, true, 0, 0},
        PlacementCase{"Screen800x600", 800, 600, {2, 20, 2, 2}, true, 0, 0},
        // A frame not known before the window is shown (a window manager
        // that decorates it later): a 600-pixel screen still goes full.
        PlacementCase{"NoFrameYet1024x600", 1024, 600, {}, true, 0, 0},
        // Taller, but the design's centring would push the bottom off the
        // screen: the window rises until it fits.
        PlacementCase{"OnePixelTaller", 1024, 629, {4, 24, 4, 4}, false, 112 + 4, 629 - 600 - 4},
        PlacementCase{"NoFrameOnePixelTaller", 1024, 601, {}, false, 116, 1}),
    [](const testing::TestParamInfo<PlacementCase>& info) { return std::string(info.param.name); });

struct WorkAreaCase {
    const char* name;
    Platform::WindowGeometry window;
    Platform::ScreenRect workArea;
    Platform::FrameExtents frame;
    Platform::WindowGeometry expected;
};

std::ostream& operator<<(std::ostream& out, const WorkAreaCase& c)
{
    return out << c.name << ": " << c.window.width << "x" << c.window.height << "+" << c.window.x << "+"
               << c.window.y << " in " << c.workArea.width << "x" << c.workArea.height << "+" << c.workArea.x
               << "+" << c.workArea.y;
}

class WorkAreaTable : public testing::TestWithParam<WorkAreaCase> {};

TEST_P(WorkAreaTable, NeverLargerThanTheWorkAreaWithItsShapeKept)
{
    const WorkAreaCase& c = GetParam();
    const Platform::WindowGeometry got = Platform::FitInWorkArea(c.window, c.workArea, c.frame);
    EXPECT_EQ(got.x, c.expected.x);
    EXPECT_EQ(got.y, c.expected.y);
    EXPECT_EQ(got.width, c.expected.width);
    EXPECT_EQ(got.height, c.expected.height);
    // Frame and all inside the work area, and the shape within a pixel.
    EXPECT_LE(got.width + c.frame.left + c.frame.right, c.workArea.width);
    EXPECT_LE(got.height + c.frame.top + c.frame.bottom, c.workArea.height);
    // One side rounded by less than a pixel: w / h = W / H within that.
    EXPECT_LT(std::abs(int64_t{got.width} * c.window.height - int64_t{got.height} * c.window.width),
              std::max(c.window.width, c.window.height));
}

INSTANTIATE_TEST_SUITE_P(
    Windows, WorkAreaTable,
    testing::Values(
        // Room enough: left as it is, wherever it is.
        WorkAreaCase{"Fits", {240, 212, 800, 600}, {0, 0, 1280, 1024}, {1, 20, 1, 5}, {240, 212, 800, 600}},
        WorkAreaCase{"FitsExactlyPartlyOff",
                     {-5, 20, 1022, 575},
                     {0, 0, 1024, 600},
                     {1, 20, 1, 5},
                     {-5, 20, 1022, 575}},
        // The design's window on a 1024 x 600 screen: 575 high, 766 wide,
        // its frame's top at the screen's.
        WorkAreaCase{"DesignSizeOn1024x600",
                     {112, 0, 800, 600},
                     {0, 0, 1024, 600},
                     {1, 20, 1, 5},
                     {129, 20, 766, 575}},
        // Left wide on a larger screen: as wide as the room, about its centre.
        WorkAreaCase{"WideOnASmallerScreen",
                     {100, 50, 1920, 1080},
                     {0, 0, 1280, 1024},
                     {1, 20, 1, 5},
                     {1, 231, 1278, 718}},
        // A panel above and a second screen's offset.
        WorkAreaCase{"PanelAndOffset",
                     {1300, 40, 800, 768},
                     {1280, 30, 1024, 738},
                     {1, 20, 1, 5},
                     {1329, 50, 742, 713}},
        WorkAreaCase{"TallNoFrame", {0, 0, 300, 2000}, {0, 0, 1024, 768}, {}, {92, 0, 115, 768}}),
    [](const testing::TestParamInfo<WorkAreaCase>& info) { return std::string(info.param.name); });

// SDL's game-controller numbers by value.
constexpr int kPadA = 0, kPadB = 1, kPadX = 2, kPadBack = 4, kPadStart = 6, kPadUp = 11, kPadDown = 12,
              kPadLeft = 13, kPadRight = 14;
constexpr int kAxisLeftX = 0, kAxisLeftY = 1, kAxisRightX = 2;

TEST(InputTranslator, PadButtonsBecomeTheirPadCodesDownAndUp)
{
    std::vector<InputRecord> out;
    for (int button : {kPadA, kPadB, kPadBack, kPadStart, kPadUp, kPadDown, kPadLeft, kPadRight, kPadX})
        translator.PadButton(button, true, out);
    translator.PadButton(kPadA, false, out);
    EXPECT_EQ(Lines(out),
              "KeyDown 0x8C\nKeyDown 0x8D\nKeyDown 0x8F\nKeyDown 0x8E\nKeyDown 0x8A\nKeyDown 0x8B\n"
              "KeyDown 0x88\nKeyDown 0x89\nKeyUp 0x8C\n")
        << "X is no button of the game";
}

struct StickCase {
    const char* name;
    std::vector<std::pair<int, int>> moves; // axis, value
    const char* expected;
};

std::ostream& operator<<(std::ostream& out, const StickCase& c)
{
    return out << c.name;
}

class StickTable : public testing::TestWithParam<StickCase> {};

TEST_P(StickTable, LeftStickHoldsDpadDirectionsWithASteadyMiddle)
{
    Platform::InputTranslator t(800, 600);
    std::vector<InputRecord> out;
    for (const auto& [axis, value] : GetParam().moves)
        t.PadAxis(axis, value, out);
    EXPECT_EQ(Lines(out), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Moves, StickTable,
    testing::Values(StickCase{"RestingOffCentreMovesNothing", {{kAxisLeftX, 9000}, {kAxisLeftY, -12000}}, ""},
                    StickCase{"PushedLeftHoldsLeftOnce",
                              {{kAxisLeftX, -20000}, {kAxisLeftX, -32768}, {kAxisLeftX, -30000}},
                              "KeyDown 0x88\n"},
                    StickCase{"LetGoOnlyNearTheMiddle",
                              {{kAxisLeftX, 20000}, {kAxisLeftX, 12000}, {kAxisLeftX, 4000}},
                              "KeyDown 0x89\nKeyUp 0x89\n"},
                    StickCase{"StraightAcrossLetsGoFirst",
                              {{kAxisLeftX, -30000}, {kAxisLeftX, 30000}},
                              "KeyDown 0x88\nKeyUp 0x88\nKeyDown 0x89\n"},
                    StickCase{"DownHoldsOneRowDownUpDropsNothing",
                              {{kAxisLeftY, 30000}, {kAxisLeftY, -30000}, {kAxisLeftY, 0}},
                              "KeyDown 0x8B\nKeyUp 0x8B\n"},
                    StickCase{"OtherSticksMoveNothing", {{kAxisRightX, -32768}}, ""}),
    [](const testing::TestParamInfo<StickCase>& info) { return std::string(info.param.name); });

TEST(InputTranslator, AnUnpluggedPadLetsGoOfWhatItsStickHeld)
{
    Platform::InputTranslator t(800, 600);
    std::vector<InputRecord> out;
    t.PadAxis(kAxisLeftX, 32767, out);
    t.PadAxis(kAxisLeftY, 32767, out);
    t.PadGone(out);
    t.PadGone(out);
    EXPECT_EQ(Lines(out), "KeyDown 0x89\nKeyDown 0x8B\nKeyUp 0x89\nKeyUp 0x8B\n");
}

struct FitCase {
    const char* name;
    int outputWidth, outputHeight;
    Platform::PictureFit fit;
};

std::ostream& operator<<(std::ostream& out, const FitCase& c)
{
    return out << c.name;
}

class FitTable : public testing::TestWithParam<FitCase> {};

TEST_P(FitTable, PictureKeepsItsShapeCentredAndSharpAtWholeMultiples)
{
    const FitCase& c = GetParam();
    const Platform::PictureFit fit = Platform::FitPicture(c.outputWidth, c.outputHeight, 800, 600);
    EXPECT_EQ(fit.x, c.fit.x);
    EXPECT_EQ(fit.y, c.fit.y);
    EXPECT_EQ(fit.width, c.fit.width);
    EXPECT_EQ(fit.height, c.fit.height);
    EXPECT_EQ(fit.whole, c.fit.whole);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, FitTable,
    testing::Values(FitCase{"Design800x600", 800, 600, {0, 0, 800, 600, true}},
                    // Wide screens: bars left and right, smooth where no whole
                    // multiple comes near the height.
                    FitCase{"Full1920x1080", 1920, 1080, {240, 0, 1440, 1080, false}},
                    FitCase{"Full2560x1440", 2560, 1440, {320, 0, 1920, 1440, false}},
                    FitCase{"Full1024x768", 1024, 768, {0, 0, 1024, 768, false}},
                    FitCase{"Full3840x2160", 3840, 2160, {480, 0, 2880, 2160, false}},
                    // Whole multiples that fit and come within a tenth: sharp.
                    FitCase{"Double1600x1200", 1600, 1200, {0, 0, 1600, 1200, true}},
                    FitCase{"NearDouble1700x1250", 1700, 1250, {50, 25, 1600, 1200, true}},
                    FitCase{"Triple2400x1800", 2400, 1800, {0, 0, 2400, 1800, true}},
                    // Tall windows: bars above and below.
                    FitCase{"Tall800x1000", 800, 1000, {0, 200, 800, 600, true}},
                    FitCase{"TallSmooth700x900", 700, 900, {0, 187, 700, 525, false}},
                    // Smaller than the picture, and empty.
                    FitCase{"Small400x300", 400, 300, {0, 0, 400, 300, false}},
                    FitCase{"Empty", 0, 0, {0, 0, 0, 0, false}}),
    [](const testing::TestParamInfo<FitCase>& info) { return std::string(info.param.name); });

struct PointerCase {
    const char* name;
    int outputWidth, outputHeight; // the drawable's pixels
    int windowWidth, windowHeight; // the window's coordinates
    int x, y;                      // the pointer in the window
    int expectedX, expectedY;      // in the picture, clamped
};

std::ostream& operator<<(std::ostream& out, const PointerCase& c)
{
    return out << c.name;
}

class PointerTable : public testing::TestWithParam<PointerCase> {};

TEST_P(PointerTable, PointerFollowsTheScaleExactly)
{
    const PointerCase& c = GetParam();
    Platform::InputTranslator t(800, 600);
    t.SetView(Platform::FitPicture(c.outputWidth, c.outputHeight, 800, 600), c.windowWidth, c.windowHeight,
              c.outputWidth, c.outputHeight);
    std::vector<InputRecord> out;
    t.MouseMove(c.x, c.y, out);
    t.MouseButton(true, 1, c.x, c.y, out);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0], (InputRecord{Kind::MouseMove, 0, c.expectedX, c.expectedY, false}));
    EXPECT_EQ(out[1], (InputRecord{Kind::MouseDown, 1, c.expectedX, c.expectedY, false}));
}

INSTANTIATE_TEST_SUITE_P(
    Windows, PointerTable,
    testing::Values(PointerCase{"DesignSize", 800, 600, 800, 600, 123, 456, 123, 456},
                    // Twice the size: every pixel of a doubled square is the same point.
                    PointerCase{"DoubleTopLeftOfPixel", 1600, 1200, 1600, 1200, 246, 912, 123, 456},
                    PointerCase{"DoubleBottomRightOfPixel", 1600, 1200, 1600, 1200, 247, 913, 123, 456},
                    // 1920 x 1080: 1.8 times, 240 pixels of bar at the left.
                    PointerCase{"SmoothFirstColumn", 1920, 1080, 1920, 1080, 240, 0, 0, 0},
                    PointerCase{"SmoothLastColumn", 1920, 1080, 1920, 1080, 1679, 1079, 799, 599},
                    PointerCase{"SmoothMiddle", 1920, 1080, 1920, 1080, 960, 540, 400, 300},
                    PointerCase{"LeftBarClampsToTheEdge", 1920, 1080, 1920, 1080, 100, 540, 0, 300},
                    PointerCase{"RightBarClampsToTheEdge", 1920, 1080, 1920, 1080, 1800, 540, 799, 300},
                    // A display with a scale factor of 2: the window counts half the
                    // drawable's pixels.
                    PointerCase{"ScaleFactorTwo", 1600, 1200, 800, 600, 123, 456, 123, 456}),
    [](const testing::TestParamInfo<PointerCase>& info) { return std::string(info.param.name); });

} // namespace
