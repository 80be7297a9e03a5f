#include "screens/WGhost.h"

#include <algorithm>

#include "platform/desktop/Bitmap.h"
#include "rules/GameState.h"
#include "rules/GameTypes.h"
#include "rules/Options.h"
#include "screens/QuestionBox.h"
#include "screens/WFourfall.h"
#include "screens/layout/TileColours.h"

namespace WFourfall {

using namespace WLib;
using namespace GFourfall;

namespace {

// 0x00BBGGRR, as the board's plates: the well's dark blue, the words light,
// the race's outcome gold.
constexpr uint32_t kWellColour = 0x0F0705;
constexpr uint32_t kTextColour = 0xDCFDEE;
constexpr uint32_t kQuietColour = 0xF0D8C8;
constexpr uint32_t kResultColour = 0x7AF0FF;
constexpr int kTitleHeight = 17;
constexpr int kLineHeight = 14;
constexpr int kBold = 700;
constexpr int32_t kWellTop = 28;
constexpr int32_t kSmall = kTileSize / kGhostCell; // tile pixels per small pixel, each way

uint16_t Average565(const Platform::Bitmap& sheet, int32_t x0, int32_t y0)
{
    uint32_t r = 0, g = 0, b = 0;
    for (int32_t y = 0; y < kSmall; ++y)
        for (int32_t x = 0; x < kSmall; ++x) {
            const uint16_t p = sheet.Pixel(x0 + x, y0 + y);
            r += p >> 11;
            g += (p >> 5) & 0x3F;
            b += p & 0x1F;
        }
    const uint32_t n = kSmall * kSmall;
    return static_cast<uint16_t>(((r + n / 2) / n) << 11 | ((g + n / 2) / n) << 5 | (b + n / 2) / n);
}

uint32_t Bgr(uint32_t rgb)
{
    return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

} // namespace

std::string RaceResultLine(int32_t score, int32_t ghostScore)
{
    if (score == ghostScore)
        return "Tied with the ghost";
    const int64_t by = static_cast<int64_t>(score) - ghostScore;
    return (by > 0 ? "Ahead by " : "Behind by ") + std::to_string(by > 0 ? by : -by);
}

void TWGhost::MakeSmallTiles()
{
    const Platform::Bitmap* sheet = Balls.IsEmpty() ? nullptr : Balls.Pixels();
    const int32_t rows = sheet != nullptr ? sheet->Height() / kTileSize : 0;
    const int32_t style =
        std::clamp(Board != nullptr ? Board->Rules.Options.NumBlocks : 0, 0, std::max(rows - 1, 0));
    if (sheet == SmallFrom && style == SmallStyle)
        return;
    SmallFrom = sheet;
    SmallStyle = style;
    Small.Release();
    if (sheet == nullptr || sheet->Width() < kTileColourCount * kTileSize || rows == 0 ||
        !Small.Create(kTileColourCount * kGhostCell, kGhostCell) || Small.Pixels() == nullptr) {
        Small.Release();
        return;
    }
    // Each small pixel is the mean of the tile's pixels it stands for, so
    // the bevel and the shine of the tiles stay.
    Platform::Bitmap& out = *Small.Pixels();
    for (int32_t v = 0; v < kTileColourCount; ++v)
        for (int32_t y = 0; y < kGhostCell; ++y)
            for (int32_t x = 0; x < kGhostCell; ++x)
                out.SetPixel(v * kGhostCell + x, y,
                             Average565(*sheet, v * kTileSize + x * kSmall, style * kTileSize + y * kSmall));
}

void TWGhost::Paint()
{
    if (Board == nullptr || !Board->Racing())
        return;
    const TGhost& ghost = Board->RacedGhost();
    const TGameState& g = ghost.State().GameState;
    const int32_t w = Rect.Width(), h = Rect.Height();
    Canvas.FillRect(TRect(0, 0, w, h), kRimColour);
    Canvas.FillRect(TRect(2, 2, w - 2, h - 2), kPanelColour);

    Canvas.SetTextColor(kTextColour);
    Canvas.GetFont().SetWeight(kBold);
    Canvas.GetFont().SetHeight(kTitleHeight);
    Canvas.DrawTextInRect(0, TRect(0, 5, w, 5 + kTitleHeight + 4), "Ghost");

    // The well, framed, its cells in the board's own tiles cut down.
    const int32_t columns = std::clamp(g.Width, 0, kMaxPlaySize);
    const int32_t rows = std::clamp(g.Height, 0, kMaxPlaySize);
    const int32_t wellW = columns * kGhostCell, wellH = rows * kGhostCell;
    const int32_t left = (w - wellW) / 2;
    Canvas.FillRect(TRect(left - 1, kWellTop - 1, left + wellW + 1, kWellTop + wellH + 1), kRimColour);
    Canvas.FillRect(TRect(left, kWellTop, left + wellW, kWellTop + wellH), kWellColour);
    MakeSmallTiles();
    for (int32_t r = 0; r < rows; ++r)
        for (int32_t c = 0; c < columns; ++c) {
            const uint8_t v = g.Board[r + 1][c + 1];
            if (v < 1 || v > kTileColourCount)
                continue;
            const int32_t x = left + c * kGhostCell, y = kWellTop + r * kGhostCell;
            if (!Small.IsEmpty())
                Canvas.Draw(Small, kRopSrcCopy, x, y,
                            TRect((v - 1) * kGhostCell, 0, v * kGhostCell, kGhostCell));
            else
                Canvas.FillRect(TRect(x, y, x + kGhostCell, y + kGhostCell), Bgr(kTileColours[v - 1]));
        }

    // Its score and removals, as the score panel counts them.
    int32_t y = kWellTop + wellH + 6;
    Canvas.GetFont().SetHeight(kLineHeight);
    const std::string score = "Score " + std::to_string(g.Score);
    const std::string lines =
        std::string(g.GameNum == kGameColorFourfall ? "Blocks " : "Lines ") + std::to_string(g.LinesLeft);
    Canvas.DrawTextInRect(0, TRect(0, y, w, y + kLineHeight + 2), score.c_str());
    y += kLineHeight + 4;
    Canvas.SetTextColor(kQuietColour);
    Canvas.DrawTextInRect(0, TRect(0, y, w, y + kLineHeight + 2), lines.c_str());
    y += kLineHeight + 6;

    if (ghost.Over()) {
        // Across the well, as GAME OVER lies across the board.
        const int32_t mid = kWellTop + wellH / 2;
        const TRect plate(6, mid - 12, w - 6, mid + 12);
        Canvas.FillRect(plate, kRimColour);
        Canvas.FillRect(TRect(plate.Left + 2, plate.Top + 2, plate.Right - 2, plate.Bottom - 2),
                        kPanelColour);
        Canvas.SetTextColor(kTextColour);
        Canvas.GetFont().SetHeight(kLineHeight);
        Canvas.DrawTextInRect(0, plate, "GHOST OVER");
    }
    // The player's game has ended: the race's outcome against the ghost's
    // final score, whether or not the ghost is still playing.
    const TGameState& mine = Board->Rules.GameState;
    if (mine.Status == kStatusGameOver && Board->RecordingRaced()) {
        const std::string result = RaceResultLine(mine.Score, ghost.FinalScore());
        Canvas.SetTextColor(kResultColour);
        Canvas.GetFont().SetHeight(kLineHeight + 1);
        Canvas.DrawTextInRect(0, TRect(0, y, w, y + kLineHeight + 4), result.c_str());
    }
}

} // namespace WFourfall
