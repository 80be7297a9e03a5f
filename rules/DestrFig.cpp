// The destroyer figure.
#include "rules/DestrFig.h"

#include "rules/GameState.h"

namespace GFourfall {

namespace {
constexpr int kDestroyerShape = 1;
} // namespace

TDestrFig::TDestrFig() : TCommandFig(kDestroyerShape, 1)
{
    X = ((GameState.Width - 1) >> 1) + 1;
    Y = 1;
}

void TDestrFig::Act()
{
    for (int y = Y + Height; y <= GameState.Height; ++y) {
        if (BoardCell(y, X) != kCellEmpty) {
            GameState.Board[y][X] = kCellEmpty;
            GameState.Changed = true;
            return;
        }
    }
}

} // namespace GFourfall
