// Composes every page as the game draws it, from the pictures the build made
// and with the game's own loader, raster operations and text: the plain page,
// and the page with one button lit and the cursor over it. The pictures go to
// screenshots/ in the build tree (to be looked at); the test checks that the
// cursor's AND and OR pair leaves the page untouched around the arrow and
// shows the arrow itself, and that a lit button shows the lit picture.
#include "screens/layout/PageLayout.h"
#include "tests/data/ContentFiles.h"

#include "platform/desktop/BmpLoader.h"
#include "platform/desktop/DeviceContext.h"
#include "platform/desktop/Font.h"
#include "platform/desktop/PngFile.h"
#include "wlib/graphics/ImageLoader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>

using namespace ContentTest;
using namespace WFourfall;

namespace {

using WFourfall::TBox;

struct TBitmapDeleter {
    void operator()(Platform::Bitmap* b) const { Platform::DeleteBitmap(b); }
};
using TBitmapPtr = std::unique_ptr<Platform::Bitmap, TBitmapDeleter>;

// A context drawing on a bitmap it does not own.
class TSurface {
public:
    explicit TSurface(Platform::Bitmap* b) : Dc(Platform::CreateMemoryDC()) { Platform::SelectBitmap(Dc, b); }
    ~TSurface()
    {
        Platform::SelectFont(Dc, nullptr);
        if (Font)
            Platform::DeleteFont(Font);
        Platform::DeleteDC(Dc);
    }
    TSurface(const TSurface&) = delete;
    TSurface& operator=(const TSurface&) = delete;
    Platform::DC* operator*() const { return Dc; }

    void Text(const std::string& text, TBox r, int height, bool bold, uint32_t color, unsigned align)
    {
        Platform::LogFont desc;
        desc.Height = height;
        desc.Weight = bold ? 800 : 400;
        std::strncpy(desc.FaceName, "Arial", sizeof desc.FaceName - 1);
        Platform::SelectFont(Dc, nullptr);
        if (Font)
            Platform::DeleteFont(Font);
        Font = Platform::CreateFontIndirect(desc);
        Platform::SelectFont(Dc, Font);
        Platform::SetTextColor(Dc, color);
        Platform::DrawText(Dc, text.data(), int(text.size()), r.X, r.Y, r.X + r.W, r.Y + r.H,
                           align | Platform::kDtVCenter | Platform::kDtSingleLine | Platform::kDtNoClip |
                               Platform::kDtNoPrefix);
    }

private:
    Platform::DC* Dc;
    Platform::Font* Font = nullptr;
};

TBitmapPtr LoadSkin(const std::string& name)
{
    const std::vector<uint8_t> bytes = ReadBytes(DataDir() + "/Skin/" + name);
    return TBitmapPtr(ImageLoader::LoadImageData(bytes.data(), bytes.size()));
}

void Copy(Platform::Bitmap* to, Platform::Bitmap* from, TBox r)
{
    TSurface dst(to), src(from);
    Platform::BitBlt(*dst, r.X, r.Y, r.W, r.H, *src, r.X, r.Y, Platform::kSrcCopy);
}

// What the play screen's widgets draw over a game in progress: cells from the
// tile sheet, the next figure, the panel's numbers.
void DrawGame(Platform::Bitmap* screen, Platform::Bitmap* balls)
{
    TSurface dst(screen), tiles(balls);
    auto cell = [&](int colour, int x, int y) {
        Platform::BitBlt(*dst, x, y, 16, 16, *tiles, (colour - 1) * 16, 0, Platform::kSrcCopy);
    };
    const TBox& board = WFourfall::kPlayBoard;
    const TBox& preview = WFourfall::kPlayPreview;
    const TBox& panel = WFourfall::kPlayScorePanel;
    const char* stack[] = {"1122.3334455.", "61123344.5566", "6612.344.7756", "7771234455.66",
                           "2711.3.445566"};
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 13; ++c)
            if (stack[r][c] != '.')
                cell(stack[r][c] - '0', board.X + c * 16, board.Y + (26 + r) * 16);
    const int falling[][2] = {{5, 9}, {6, 9}, {7, 9}, {6, 10}};
    for (const auto& f : falling)
        cell(6, board.X + f[0] * 16, board.Y + f[1] * 16);
    const int next[][2] = {{0, 0}, {1, 0}, {2, 0}, {2, 1}}; // 3 x 2 figure at (29, 60) of the preview
    for (const auto& n : next)
        cell(2, preview.X + 29 + n[0] * 16, preview.Y + 60 + n[1] * 16);
    const char* values[] = {"1230", "2", "27"};
    for (int k = 0; k < 3; ++k) {
        const int row = 2 * k + 1;
        dst.Text(values[k],
                 {panel.X, panel.Y + row * panel.H / 6, panel.W, (row + 1) * panel.H / 6 - row * panel.H / 6},
                 24, false, 0xDCFDEE, Platform::kDtCenter);
    }
}

// Text that the pages' own widgets show over the picture.
void DrawPageText(Platform::Bitmap* screen, const std::string& page)
{
    TSurface dst(screen);
    if (page == "GameType") {
        const char* lines[] = {"Fivefall",
                               "",
                               "Fivefall is a popular variation",
                               "of Fourfall that uses pieces of",
                               "different shapes. It may be",
                               "considered more challenging",
                               "than good old Fourfall."};
        for (int i = 0; i < 7; ++i)
            dst.Text(lines[i], {581 + (i ? 4 : 60), 232 + 20 * i, 188, 20}, 18, false, 0xFFFFFF,
                     Platform::kDtLeft);
    } else if (page == "Help") {
        const char* lines[] = {"WELCOME TO TUMBLETOWN",
                               "",
                               "Figures made of square blocks tumble one by one",
                               "into the well. Move them, turn them and drop them",
                               "so that they fill the well without gaps. A row that",
                               "is full from wall to wall vanishes at once, and",
                               "everything above it drops down by one row. The",
                               "game is over when a new figure finds no room at",
                               "the top of the well.",
                               "",
                               "THE KEYS",
                               "",
                               "Left arrow and Right arrow: move the figure one"};
        for (int i = 0; i < 13; ++i)
            dst.Text(lines[i], {160, 197 + 21 * i, 480, 21}, 18, false, 0xFFFFFF, Platform::kDtLeft);
    } else if (page == "HighScore") {
        const char* names[] = {"Alice", "Bob", "Carol", "Dave", "Eve"};
        const char* scores[] = {"12480", "9735", "7110", "5025", "3880"};
        for (int r = 0; r < 5; ++r) {
            dst.Text(std::to_string(r + 1), {140 + 2 * r, 213 + 26 * r, 64, 20}, 20, false, 0xFFFFFF,
                     Platform::kDtRight);
            dst.Text(names[r], {260, 213 + 26 * r, 213, 20}, 20, false, r == 1 ? 0xFF0000 : 0,
                     Platform::kDtLeft);
            dst.Text(scores[r], {490 - 2 * r, 213 + 26 * r, 160, 20}, 20, false, 0xFFFFFF,
                     Platform::kDtCenter);
        }
    }
}

struct TShotCase {
    const char* Page;
    TBox Lit;                   // the button under the pointer
    std::vector<TBox> Selected; // buttons shown selected (lit) in both shots
};

std::ostream& operator<<(std::ostream& os, const TShotCase& c)
{
    return os << c.Page;
}

class Screenshots : public testing::TestWithParam<TShotCase> {};

TEST_P(Screenshots, ComposeThePageAndItsLitButtonUnderTheCursor)
{
    const std::string page = GetParam().Page;
    TBitmapPtr plain = LoadSkin(page + ".jpg"), lit = LoadSkin(page + "_.jpg");
    TBitmapPtr picture = LoadSkin("Mouse.jpg");
    const std::vector<uint8_t> maskBytes = ReadBytes(DataDir() + "/Skin/Mouse.bmp");
    TBitmapPtr mask(Platform::LoadBmp(maskBytes.data(), maskBytes.size()));
    ASSERT_TRUE(plain && lit && picture && mask);
    const std::filesystem::path out = std::filesystem::path(DataDir()).parent_path() / "screenshots";
    std::filesystem::create_directories(out);

    for (bool highlighted : {false, true}) {
        TBitmapPtr screen(Platform::CreateCompatibleBitmap(800, 600));
        ASSERT_TRUE(screen);
        Copy(screen.get(), plain.get(), {0, 0, 800, 600});
        for (const TBox& s : GetParam().Selected)
            Copy(screen.get(), lit.get(), s);
        if (page.rfind("bg_", 0) == 0) {
            TBitmapPtr balls = LoadSkin("Balls.jpg");
            ASSERT_TRUE(balls);
            DrawGame(screen.get(), balls.get());
        }
        DrawPageText(screen.get(), page);
        if (highlighted) {
            const TBox b = GetParam().Lit;
            Copy(screen.get(), lit.get(), b);
            // The cursor, as the game draws it: mask with AND, picture with OR.
            const int cx = b.X + b.W / 2, cy = b.Y + b.H / 2;
            TBitmapPtr before(Platform::CreateCompatibleBitmap(800, 600));
            Copy(before.get(), screen.get(), {0, 0, 800, 600});
            {
                TSurface dst(screen.get()), m(mask.get()), p(picture.get());
                Platform::SetTextColor(*dst, 0);
                Platform::BitBlt(*dst, cx, cy, picture->Width(), picture->Height(), *m, 0, 0,
                                 Platform::kSrcAnd);
                Platform::BitBlt(*dst, cx, cy, picture->Width(), picture->Height(), *p, 0, 0,
                                 Platform::kSrcPaint);
            }
            int arrow = 0;
            for (int y = 0; y < picture->Height(); ++y)
                for (int x = 0; x < picture->Width(); ++x) {
                    const uint16_t shown = screen->Pixel(cx + x, cy + y);
                    if (mask->Pixel(x, y) == 0xFFFF) {
                        EXPECT_EQ(shown, before->Pixel(cx + x, cy + y))
                            << "around the arrow at " << x << "," << y;
                    } else {
                        EXPECT_EQ(shown, picture->Pixel(x, y)) << "arrow at " << x << "," << y;
                        ++arrow;
                    }
                }
            EXPECT_GT(arrow, 60);
            for (int y = b.Y; y < b.Y + b.H; ++y)
                for (int x = b.X; x < b.X + b.W; ++x)
                    if (x < cx || y < cy || x >= cx + picture->Width() || y >= cy + picture->Height()) {
                        ASSERT_EQ(screen->Pixel(x, y), lit->Pixel(x, y)) << x << "," << y;
                    }
        }
        const std::string file = (out / (page + (highlighted ? "-highlighted.png" : ".png"))).string();
        EXPECT_TRUE(Platform::SavePng(screen.get(), file.c_str())) << file;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pages, Screenshots,
    testing::Values(TShotCase{"Menu", kMenuButtons[0], {}}, TShotCase{"GameType", kGameTypeButtons[1], {}},
                    TShotCase{
                        "Options",
                        kOptionsButtons[3],
                        {kOptionsButtons[1], kOptionsButtons[4], kOptionsButtons[7], kOptionsButtons[11]}},
                    TShotCase{"Controls", kControlsActions[2], {}},
                    TShotCase{"Sound", kSoundVolumeUp[0], {kSoundSmoothButtons[2]}},
                    TShotCase{"Help", kHelpDown, {}},
                    TShotCase{"HighScore", kHighScoreButtons[5], {kHighScoreButtons[0]}},
                    TShotCase{"bg_techno", kPlayMenuButton, {}}, TShotCase{"bg_Nature", kPlayMenuButton, {}},
                    TShotCase{"bg_Kids", kPlayMenuButton, {}}),
    [](const testing::TestParamInfo<TShotCase>& i) { return std::string(i.param.Page); });

} // namespace
