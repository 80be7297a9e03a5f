// The colour game.
#include "rules/CFourfall.h"

#include "rules/ColorFig.h"
#include "rules/GameState.h"
#include "rules/Rules.h"

namespace GFourfall {

namespace {
constexpr int32_t kPointsPerCell = 10;
} // namespace

TCFourfall::~TCFourfall() = default;

TAbsFigure* TCFourfall::CreateFigure()
{
    // StartGame keeps Difficulty to 0..kMaxDifficulty; the sum is taken wide
    // so that a hand-set value cannot overflow.
    const int64_t n = static_cast<int64_t>(TypeId) + Rules.GameState.Difficulty;
    return new TColorFig(Rules, n > kMaxDifficulty + 4 ? kMaxDifficulty + 4 : static_cast<int>(n));
}

void CheckTriple(TRules& rules, int x, int y, int dx, int dy)
{
    const uint8_t c = BoardCell(rules, y, x);
    if (c == kCellEmpty || c == kCellWall) {
        return;
    }
    if (BoardCell(rules, y + dy, x + dx) != c || BoardCell(rules, y + 2 * dy, x + 2 * dx) != c) {
        return;
    }
    for (int i = 0; i < 3; ++i) {
        rules.GameState.Marks[y + i * dy][x + i * dx] = 1;
    }
}

void TCFourfall::Settle()
{
    bool removed;
    do {
        removed = false;
        for (int y = 1; y <= Rules.GameState.Height; ++y) {
            for (int x = 1; x <= Rules.GameState.Width; ++x) {
                Rules.GameState.Marks[y][x] = 0;
            }
        }
        for (int y = 1; y <= Rules.GameState.Height; ++y) {
            for (int x = 1; x <= Rules.GameState.Width; ++x) {
                CheckTriple(Rules, x, y, 1, 0);
                CheckTriple(Rules, x, y, 0, 1);
                CheckTriple(Rules, x, y, 1, 1);
                CheckTriple(Rules, x, y, 1, -1);
            }
        }
        for (int y = 1; y <= Rules.GameState.Height; ++y) {
            for (int x = 1; x <= Rules.GameState.Width; ++x) {
                if (Rules.GameState.Marks[y][x] == 0) {
                    continue;
                }
                Rules.GameState.Board[y][x] = kCellEmpty;
                AddScore(Rules, kPointsPerCell);
                Rules.GameState.LinesLeft -= 1;
                if (Rules.GameState.LinesLeft == 0) {
                    SetLevel(Rules, Rules.GameState.Level + 1);
                }
                removed = true;
            }
        }
        if (removed) {
            Rules.GameState.Changed = true;
            Rules.GameState.SndRemove = true;
        }
        for (int x = 1; x <= Rules.GameState.Width; ++x) {
            int fill = Rules.GameState.Height;
            for (int y = Rules.GameState.Height; y >= 1; --y) {
                const uint8_t c = Rules.GameState.Board[y][x];
                if (c != kCellEmpty) {
                    Rules.GameState.Board[y][x] = kCellEmpty;
                    Rules.GameState.Board[fill--][x] = c;
                }
            }
        }
    } while (removed);
}

const char* TCFourfall::Name() const
{
    return "Color Fourfall";
}

} // namespace GFourfall
