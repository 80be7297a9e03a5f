// The figure base: board operations and the player's operations.
#include "rules/AbsFigure.h"

#include "rules/GameState.h"
#include "rules/Rules.h"

#include <cstring>

namespace GFourfall {

TAbsFigure::TAbsFigure(TRules& rules) : Cells{}, Width(0), Height(0), X(1), Y(1), OnBoard(false), Rules(rules)
{
}

TAbsFigure::~TAbsFigure() = default;

void TAbsFigure::Stamp()
{
    for (int r = 0; r < Height; ++r) {
        for (int c = 0; c < Width; ++c) {
            if (Cells[r][c] != 0 && InPlayArea(Rules, Y + r, X + c)) {
                Rules.GameState.Board[Y + r][X + c] = Cells[r][c];
            }
        }
    }
    OnBoard = true;
}

void TAbsFigure::Erase()
{
    for (int r = 0; r < Height; ++r) {
        for (int c = 0; c < Width; ++c) {
            if (Cells[r][c] != 0 && InPlayArea(Rules, Y + r, X + c)) {
                Rules.GameState.Board[Y + r][X + c] = kCellEmpty;
            }
        }
    }
    OnBoard = false;
}

bool TAbsFigure::Fits() const
{
    for (int r = 0; r < Height; ++r) {
        for (int c = 0; c < Width; ++c) {
            if (Cells[r][c] != 0 && BoardCell(Rules, Y + r, X + c) != kCellEmpty) {
                return false;
            }
        }
    }
    return true;
}

int32_t TAbsFigure::DropDistance() const
{
    auto own = [this](int row, int column) {
        const int r = row - Y, c = column - X;
        return OnBoard && r >= 0 && r < Height && r < kFigureSize && c >= 0 && c < Width && c < kFigureSize &&
               Cells[r][c] != 0;
    };
    auto fitsAt = [&](int32_t dy) {
        for (int r = 0; r < Height && r < kFigureSize; ++r)
            for (int c = 0; c < Width && c < kFigureSize; ++c)
                if (Cells[r][c] != 0 && BoardCell(Rules, Y + dy + r, X + c) != kCellEmpty &&
                    !own(Y + dy + r, X + c))
                    return false;
        return true;
    };
    // The same bound as Drop's: a figure without cells falls to the frame.
    int32_t dy = 0;
    while (Y + dy + 1 <= kBoardSize && fitsAt(dy + 1))
        ++dy;
    return dy;
}

bool TAbsFigure::Resting()
{
    ++Y;
    const bool resting = !Fits();
    --Y;
    return resting;
}

bool TAbsFigure::Move(int dx, int dy)
{
    Erase();
    X += dx;
    Y += dy;
    if (Fits()) {
        Rules.GameState.Changed = true;
        Rules.GameState.SndHitBottom = Resting();
        Stamp();
        return true;
    }
    X -= dx;
    Y -= dy;
    Stamp();
    return false;
}

void TAbsFigure::Turn()
{
    const int w = Width;
    const int h = Height;
    uint8_t turned[kFigureSize][kFigureSize] = {};
    for (int r = 0; r < h; ++r) {
        for (int c = 0; c < w; ++c) {
            turned[w - 1 - c][r] = Cells[r][c];
        }
    }
    std::memcpy(Cells, turned, sizeof Cells);
    Width = h;
    Height = w;
}

void TAbsFigure::Drop()
{
    Erase();
    const int32_t start = Y;
    // A figure without cells fits everywhere: the frame's bottom bounds the fall.
    do {
        ++Y;
    } while (Y <= kBoardSize && Fits());
    --Y;
    const int32_t fallen = Y - start;
    if (fallen > 0) {
        AddScore(Rules, fallen);
        Rules.GameState.SndDrop = true;
        Rules.GameState.Changed = true;
    }
    Stamp();
}

void TAbsFigure::Rotate()
{
    Erase();
    Turn();
    if (Fits()) {
        Rules.GameState.Changed = true;
        Rules.GameState.SndRotate = true;
    } else {
        Turn();
        Turn();
        Turn();
    }
    Stamp();
}

void TAbsFigure::Down()
{
    if (Move(0, 1)) {
        AddScore(Rules, 1);
    }
}

void TAbsFigure::Left()
{
    Move(-1, 0);
}

void TAbsFigure::Right()
{
    Move(1, 0);
}

} // namespace GFourfall
