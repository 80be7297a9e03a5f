// The destroyer figure.
#include "rules/DestrFig.h"

#include "rules/GameState.h"
#include "rules/Rules.h"

namespace GFourfall {

namespace {
constexpr int kDestroyerShape = 1;
} // namespace

TDestrFig::TDestrFig(TRules& rules) : TCommandFig(rules, kDestroyerShape, 1)
{
    X = ((Rules.GameState.Width - 1) >> 1) + 1;
    Y = 1;
}

void TDestrFig::Act()
{
    for (int y = Y + Height; y <= Rules.GameState.Height; ++y) {
        if (BoardCell(Rules, y, X) != kCellEmpty) {
            Rules.GameState.Board[y][X] = kCellEmpty;
            Rules.GameState.Changed = true;
            return;
        }
    }
}

} // namespace GFourfall
