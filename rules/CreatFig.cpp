// The creator figure.
#include "rules/CreatFig.h"

#include "rules/AbsGame.h"
#include "rules/Fourfall.h"
#include "rules/GameState.h"
#include "rules/Rules.h"

namespace GFourfall {

namespace {
constexpr int kCreatorShape = 0;
} // namespace

TCreatFig::TCreatFig(TRules& rules) : TCommandFig(rules, kCreatorShape, 0)
{
    X = ((Rules.GameState.Width - 1) >> 1) + 1;
    Y = 1;
}

void TCreatFig::Act()
{
    int target = 0;
    for (int y = Rules.GameState.Height; y >= Y + 1; --y) {
        if (BoardCell(Rules, y, X) == kCellEmpty) {
            target = y;
            break;
        }
    }
    if (target == 0) {
        return;
    }
    Rules.GameState.Board[target][X] = Cells[0][0];
    Erase();
    // The figure's place moves down with its rows like every cell above a
    // removed row. It stays where it is unless a block came down into it:
    // putting it back there would overwrite that block.
    TTrackedCell place{Y, X};
    if (dynamic_cast<TFourfall*>(Rules.GameState.Game) != nullptr) {
        RemoveFullRows(Rules, &place, 1);
    } else if (Rules.GameState.Game != nullptr) {
        Rules.GameState.Game->Settle();
    }
    if (BoardCell(Rules, Y, X) != kCellEmpty && place.Row > 0) {
        Y = place.Row;
    }
    Stamp();
    Rules.GameState.Changed = true;
}

} // namespace GFourfall
