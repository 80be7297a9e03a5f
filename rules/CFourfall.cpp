// The colour game.
#include "rules/CFourfall.h"

#include "rules/ColorFig.h"
#include "rules/GameState.h"
#include "rules/Rules.h"

namespace GFourfall {

namespace {
constexpr int32_t kPointsPerCell = 10;

// CheckTriple's body, inline in Settle's loop: it runs four times a cell
// every pass, and a call each time costs the colour game half its speed.
[[gnu::always_inline]] inline void MarkTriple(TRules& rules, int x, int y, int dx, int dy)
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
    MarkTriple(rules, x, y, dx, dy);
}

void TCFourfall::Settle()
{
    // A local name for the state: the stores into the board could otherwise
    // make the compiler fetch the rules' address again at every cell.
    TGameState& GameState = Rules.GameState;
    bool removed;
    do {
        removed = false;
        for (int y = 1; y <= GameState.Height; ++y) {
            for (int x = 1; x <= GameState.Width; ++x) {
                GameState.Marks[y][x] = 0;
            }
        }
        for (int y = 1; y <= GameState.Height; ++y) {
            for (int x = 1; x <= GameState.Width; ++x) {
                MarkTriple(Rules, x, y, 1, 0);
                MarkTriple(Rules, x, y, 0, 1);
                MarkTriple(Rules, x, y, 1, 1);
                MarkTriple(Rules, x, y, 1, -1);
            }
        }
        for (int y = 1; y <= GameState.Height; ++y) {
            for (int x = 1; x <= GameState.Width; ++x) {
                if (GameState.Marks[y][x] == 0) {
                    continue;
                }
                GameState.Board[y][x] = kCellEmpty;
                AddScore(Rules, kPointsPerCell);
                GameState.LinesLeft -= 1;
                if (GameState.LinesLeft == 0) {
                    SetLevel(Rules, GameState.Level + 1);
                }
                removed = true;
            }
        }
        if (removed) {
            GameState.Changed = true;
            GameState.SndRemove = true;
        }
        for (int x = 1; x <= GameState.Width; ++x) {
            int fill = GameState.Height;
            for (int y = GameState.Height; y >= 1; --y) {
                const uint8_t c = GameState.Board[y][x];
                if (c != kCellEmpty) {
                    GameState.Board[y][x] = kCellEmpty;
                    GameState.Board[fill--][x] = c;
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
