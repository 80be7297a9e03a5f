// The colour game.
#include "rules/CFourfall.h"

#include "rules/ColorFig.h"
#include "rules/GameState.h"

namespace GFourfall {

namespace {
constexpr int32_t kPointsPerCell = 10;
} // namespace

TCFourfall::~TCFourfall() = default;

TAbsFigure* TCFourfall::CreateFigure()
{
    // StartGame keeps Difficulty to 0..kMaxDifficulty; the sum is taken wide
    // so that a hand-set value cannot overflow.
    const int64_t n = static_cast<int64_t>(TypeId) + GameState.Difficulty;
    return new TColorFig(n > kMaxDifficulty + 4 ? kMaxDifficulty + 4 : static_cast<int>(n));
}

void CheckTriple(int x, int y, int dx, int dy)
{
    const uint8_t c = BoardCell(y, x);
    if (c == kCellEmpty || c == kCellWall) {
        return;
    }
    if (BoardCell(y + dy, x + dx) != c || BoardCell(y + 2 * dy, x + 2 * dx) != c) {
        return;
    }
    for (int i = 0; i < 3; ++i) {
        GameState.Marks[y + i * dy][x + i * dx] = 1;
    }
}

void TCFourfall::Settle()
{
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
                CheckTriple(x, y, 1, 0);
                CheckTriple(x, y, 0, 1);
                CheckTriple(x, y, 1, 1);
                CheckTriple(x, y, 1, -1);
            }
        }
        for (int y = 1; y <= GameState.Height; ++y) {
            for (int x = 1; x <= GameState.Width; ++x) {
                if (GameState.Marks[y][x] == 0) {
                    continue;
                }
                GameState.Board[y][x] = kCellEmpty;
                AddScore(kPointsPerCell);
                GameState.LinesLeft -= 1;
                if (GameState.LinesLeft == 0) {
                    SetLevel(GameState.Level + 1);
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
