// The "Grand" games.
#include "rules/GFourfall.h"

#include "rules/CreatFig.h"
#include "rules/DestrFig.h"
#include "rules/GameState.h"
#include "rules/Rules.h"

namespace GFourfall {

namespace {
constexpr int kSpecialOdds = 20; // one figure in this many is special
} // namespace

TGFourfall::~TGFourfall() = default;

TAbsFigure* TGFourfall::CreateFigure()
{
    if (Random(Rules) % kSpecialOdds != 0) {
        return TFourfall::CreateFigure();
    }
    if (Random(Rules) % 2 == 0) {
        return new TCreatFig(Rules);
    }
    return new TDestrFig(Rules);
}

void TGFourfall::Settle()
{
    TAbsFigure* figure = Rules.GameState.CurFig;
    if (!IsSpecialFigure(figure) || !figure->OnBoard) {
        TFourfall::Settle();
        return;
    }
    TTrackedCell cells[kFigureSize * kFigureSize];
    int count = 0;
    for (int r = 0; r < figure->Height; ++r) {
        for (int c = 0; c < figure->Width; ++c) {
            if (figure->Cells[r][c] != 0) {
                cells[count++] = TTrackedCell{figure->Y + r, figure->X + c};
            }
        }
    }
    if (RemoveFullRows(Rules, cells, count) == 0) {
        return; // the figure's cells are where it was: its deletion takes them
    }
    for (int i = 0; i < count; ++i) {
        if (InPlayArea(Rules, cells[i].Row, cells[i].Column)) {
            Rules.GameState.Board[cells[i].Row][cells[i].Column] = kCellEmpty;
        }
    }
    figure->OnBoard = false;
    Rules.GameState.Changed = true;
}

const char* TGFourfall::Name() const
{
    switch (TypeId) {
    case 1:
        return "Grand Fourfall";
    case 2:
        return "Grand Fivefall";
    case 3:
        return "Grand Kids Fourfall";
    case 4:
        return "Grand Kids Fivefall";
    case 5:
        return "Grand Wildfall";
    default:
        return "";
    }
}

} // namespace GFourfall
