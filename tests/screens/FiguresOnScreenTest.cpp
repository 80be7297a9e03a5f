// What the play screen adds to the cells: the creator and the destroyer in
// their own tiles on the board and in the preview, and the landing shadow.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <set>
#include <utility>

#include "platform/KeyCodes.h"
#include "platform/OfflineAudioDriver.h"
#include "platform/SettingsStore.h"
#include "rules/AbsFigure.h"
#include "rules/CreatFig.h"
#include "rules/DestrFig.h"
#include "rules/GameState.h"
#include "rules/GameTypes.h"
#include "rules/Options.h"
#include "screens/GamePages.h"
#include "screens/ProcessState.h"
#include "screens/layout/PageLayout.h"
#include "screens/layout/TileColours.h"
#include "tests/screens/Fixtures.h"
#include "tests/screens/GameOnHost.h"
#include "wlib/TestHost.h"

namespace WFourfall {
namespace {

using namespace WLib;
using namespace GFourfall;
using namespace Test;

// The game on the test host, with ways to put chosen figures on the board.
class FiguresOnScreen : public GameOnHost {
protected:
    // Starts game k on an empty well; its falling figure becomes f, stamped
    // at (x, y), and the next figure next (when given).
    void Play(int k, TAbsFigure* f, int x, int y, TAbsFigure* next = nullptr)
    {
        Pages->PostAndProcess(Pages->Play.Board.StartIds[k], 0);
        ClearBoard(Rules());
        delete Rules().GameState.CurFig;
        f->X = x;
        f->Y = y;
        f->Stamp();
        Rules().GameState.CurFig = f;
        if (next != nullptr) {
            delete Rules().GameState.NextFig;
            Rules().GameState.NextFig = next;
        }
        Host.Paint();
    }
    // Window pixel of board cell (row, column), both counted from 1.
    static std::pair<int, int> CellPixel(int row, int column)
    {
        return {kPlayBoard.X + (column - 1) * 16, kPlayBoard.Y + (row - 1) * 16};
    }
    uint16_t BoardPixel(int row, int column, int dx, int dy) const
    {
        auto [x, y] = CellPixel(row, column);
        return Host.Pixel(x + dx, y + dy);
    }
    // The screen's pixels over the board, row by row.
    std::vector<uint16_t> BoardPixels() const
    {
        std::vector<uint16_t> p;
        for (int y = kPlayBoard.Y; y < kPlayBoard.Bottom(); ++y)
            for (int x = kPlayBoard.X; x < kPlayBoard.Right(); ++x)
                p.push_back(Host.Pixel(x, y));
        return p;
    }
};

// A single cell of colour c, like the creator's shape but an ordinary figure.
TAbsFigure* OneCell(TRules& rules, uint8_t colour)
{
    auto* f = new TAbsFigure(rules);
    f->Width = f->Height = 1;
    f->Cells[0][0] = colour;
    return f;
}

TEST_F(FiguresOnScreen, CreatorAndDestroyerHaveTheirOwnTilesInEveryStyle)
{
    for (int style = 0; style < 3; ++style) {
        SCOPED_TRACE("style " + std::to_string(style));
        Rules().Options.NumBlocks = style;
        // The creator falls at row 5, column 7; a landed block of its very
        // colour lies on the floor; the destroyer waits in the preview.
        Play(kGameGrandFourfall, new TCreatFig(Rules()), 7, 5, new TDestrFig(Rules()));
        Rules().GameState.Board[31][3] = 1;
        Host.Paint();
        const Platform::Bitmap* specials = Pages->Skins.Specials.Pixels();
        const Platform::Bitmap* balls = Pages->Skins.Balls.Pixels();
        ASSERT_NE(specials, nullptr);
        ASSERT_NE(balls, nullptr);
        for (int d : {1, 8, 14}) {
            EXPECT_EQ(BoardPixel(5, 7, d, d), specials->Pixel(d, style * 16 + d));
            EXPECT_EQ(BoardPixel(31, 3, d, d), balls->Pixel(d, style * 16 + d));
        }
        // The destroyer, two cells high, centred in the 107 x 152 preview.
        const int px = kPlayPreview.X + 107 / 2 - 8, py = kPlayPreview.Y + 152 / 2 - 16;
        for (int d : {1, 8, 14}) {
            EXPECT_EQ(Host.Pixel(px + d, py + d), specials->Pixel(16 + d, style * 16 + d));
            EXPECT_EQ(Host.Pixel(px + d, py + 16 + d), specials->Pixel(16 + d, style * 16 + d));
        }
    }
}

TEST_F(FiguresOnScreen, AnOrdinaryFigureAndALandedSpecialCellDrawAsBlocks)
{
    // The same single cell of colour 1, but no creator: an ordinary block.
    Play(kGameGrandFourfall, OneCell(Rules(), 1), 7, 5);
    const Platform::Bitmap* balls = Pages->Skins.Balls.Pixels();
    ASSERT_NE(balls, nullptr);
    EXPECT_EQ(BoardPixel(5, 7, 8, 8), balls->Pixel(8, 8));
    // A creator not on the board (one that did not fit at game over) marks
    // nothing: the block under its place stays a block.
    auto* creator = new TCreatFig(Rules());
    creator->X = 3;
    creator->Y = 31;
    Rules().GameState.Board[31][3] = 1;
    delete Rules().GameState.CurFig;
    Rules().GameState.CurFig = creator;
    Host.Paint();
    EXPECT_EQ(BoardPixel(31, 3, 8, 8), balls->Pixel(8, 8));
}

TEST_F(FiguresOnScreen, WithoutTheirPictureTheSpecialTilesAreStillTwoDifferentFlatTiles)
{
    Pages->Play.Board.Specials = TBitmap();
    Pages->Play.Next.Specials = TBitmap();
    Play(kGameGrandFourfall, new TCreatFig(Rules()), 7, 5, new TDestrFig(Rules()));
    const uint16_t creatorGround = BoardPixel(5, 7, 2, 2);
    const int px = kPlayPreview.X + 107 / 2 - 8, py = kPlayPreview.Y + 152 / 2 - 16;
    const uint16_t destroyerGround = Host.Pixel(px + 2, py + 2);
    auto rgb = [](uint32_t c) { return TRgb{uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)}; };
    EXPECT_TRUE(Near565(creatorGround, rgb(kSpecialTileGrounds[0]))) << creatorGround;
    EXPECT_TRUE(Near565(destroyerGround, rgb(kSpecialTileGrounds[1]))) << destroyerGround;
    // Each with its sign across the middle.
    EXPECT_TRUE(Near565(BoardPixel(5, 7, 5, 8), rgb(kSpecialTileSigns[0])));
    EXPECT_TRUE(Near565(Host.Pixel(px + 5, py + 8), rgb(kSpecialTileSigns[1])));
}

// The shadow's pixels: the light and dark dots, nothing else.
bool IsShadowDot(uint16_t p)
{
    return Near565(p, TRgb{0xE8, 0xE8, 0xE8}) || Near565(p, TRgb{0x20, 0x20, 0x20});
}

TEST_F(FiguresOnScreen, ShadowOutlinesTheLandingPlaceAndChangesNothingElse)
{
    // An L of three cells over a step in the floor: it lands with its foot
    // in row 30 on the block of row 31.
    auto make = [this] {
        auto* f = new TAbsFigure(Rules());
        f->Width = 2;
        f->Height = 2;
        f->Cells[0][0] = 3;
        f->Cells[1][0] = 3;
        f->Cells[1][1] = 3;
        return f;
    };
    Rules().Options.ZShadow = 0;
    Play(kGameFourfall, make(), 4, 2);
    Rules().GameState.Board[31][5] = 6;
    Host.Paint();
    const std::vector<uint16_t> off = BoardPixels();
    Rules().Options.ZShadow = 1;
    Host.Paint();
    const std::vector<uint16_t> on = BoardPixels();
    ASSERT_EQ(off.size(), on.size());
    // Landing place: top-left cell at row 29, column 4 (cells (29,4), (30,4), (30,5)).
    std::set<std::pair<int, int>> outline;
    const int left = 3 * 16, top = 28 * 16;
    for (int i = 0; i < 16; ++i) {
        outline.insert({left + i, top});           // top of (29,4)
        outline.insert({left, top + i});           // left of (29,4)
        outline.insert({left + 15, top + i});      // right of (29,4)
        outline.insert({left, top + 16 + i});      // left of (30,4)
        outline.insert({left + i, top + 31});      // bottom of (30,4)
        outline.insert({left + 16 + i, top + 16}); // top of (30,5)
        outline.insert({left + 31, top + 16 + i}); // right of (30,5)
        outline.insert({left + 16 + i, top + 31}); // bottom of (30,5)
    }
    // No line between the figure's own cells.
    EXPECT_FALSE(IsShadowDot(on[size_t(top + 24) * 208 + size_t(left + 15)]));
    int changed = 0;
    for (int y = 0; y < kPlayBoard.H; ++y)
        for (int x = 0; x < kPlayBoard.W; ++x) {
            const size_t i = size_t(y) * 208 + size_t(x);
            if (outline.count({x, y})) {
                EXPECT_TRUE(IsShadowDot(on[i])) << x << "," << y;
            } else if (on[i] != off[i]) {
                ++changed;
            }
        }
    EXPECT_EQ(changed, 0) << "only the outline differs from the board without the shadow";
}

TEST_F(FiguresOnScreen, ShadowFollowsEveryMoveAndKeepsOutOfPausesAndGameOver)
{
    Rules().Options.ZShadow = 1;
    Play(kGameFourfall, OneCell(Rules(), 2), 4, 2);
    // The dot at the left edge, middle, of the landing cell in row 31.
    auto dotAt = [&](int column) { return IsShadowDot(BoardPixel(31, column, 0, 7)); };
    EXPECT_TRUE(dotAt(4));
    EXPECT_FALSE(dotAt(5));
    Pages->KeyDown(Platform::kVkRight);
    Host.PaintPending();
    EXPECT_FALSE(dotAt(4));
    EXPECT_TRUE(dotAt(5));
    // A figure lying where it would land has nothing to show.
    Rules().GameState.CurFig->Drop();
    Host.Paint();
    EXPECT_EQ(BoardPixel(31, 5, 0, 7), Pages->Skins.Balls.Pixels()->Pixel(16, 7));
    Rules().GameState.CurFig->Move(0, -10);
    // Two presses of P: a key held down repeats nothing of pausing.
    Pages->KeyDown(Platform::kVkP);
    Pages->KeyUp(Platform::kVkP);
    Host.PaintPending();
    EXPECT_FALSE(dotAt(5)) << "paused";
    Pages->KeyDown(Platform::kVkP);
    Pages->KeyUp(Platform::kVkP);
    Host.PaintPending();
    EXPECT_TRUE(dotAt(5));
    Rules().GameState.Score = 0; // no high-score page to open
    EndGame(Rules());
    Host.Paint();
    EXPECT_FALSE(dotAt(5)) << "over";
}

TEST_F(FiguresOnScreen, ShadowOfTheColourColumnIsOneColumnThreeCellsHigh)
{
    Rules().Options.ZShadow = 1;
    Pages->PostAndProcess(Pages->Play.Board.StartIds[kGameColorFourfall], 0);
    ClearBoard(Rules());
    TAbsFigure* f = Rules().GameState.CurFig;
    ASSERT_EQ(f->Width, 1);
    ASSERT_EQ(f->Height, 3);
    f->Stamp();
    Host.Paint();
    // Landing rows 29 to 31 of the column's own column.
    for (int row : {29, 30, 31}) {
        EXPECT_TRUE(IsShadowDot(BoardPixel(row, f->X, 0, 8))) << row;
        EXPECT_TRUE(IsShadowDot(BoardPixel(row, f->X, 15, 8))) << row;
    }
    EXPECT_TRUE(IsShadowDot(BoardPixel(29, f->X, 8, 0)));
    EXPECT_TRUE(IsShadowDot(BoardPixel(31, f->X, 8, 15)));
    EXPECT_FALSE(IsShadowDot(BoardPixel(30, f->X, 8, 0))) << "one outline round the column";
    EXPECT_FALSE(IsShadowDot(BoardPixel(28, f->X, 0, 8)));
}

} // namespace
} // namespace WFourfall
