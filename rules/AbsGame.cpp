// The game type base: the figure hand-over shared by every type.
#include "rules/AbsGame.h"

#include "rules/AbsFigure.h"
#include "rules/GameState.h"
#include "rules/Rules.h"

namespace GFourfall {

TAbsGame::~TAbsGame() = default;

void TAbsGame::InitFigures()
{
    TAbsFigure* a = CreateFigure();
    TAbsFigure* b = CreateFigure();
    delete Rules.GameState.CurFig;
    Rules.GameState.CurFig = nullptr;
    delete Rules.GameState.NextFig;
    Rules.GameState.NextFig = nullptr;
    Rules.GameState.CurFig = b;
    Rules.GameState.NextFig = a;
}

void TAbsGame::NextFigure()
{
    TAbsFigure* n = CreateFigure();
    delete Rules.GameState.CurFig;
    Rules.GameState.CurFig = Rules.GameState.NextFig;
    Rules.GameState.NextFig = n;
}

TAbsFigure* TAbsGame::CreateFigure()
{
    return new TAbsFigure(Rules);
}

void TAbsGame::Settle() {}

const char* TAbsGame::Name() const
{
    return "";
}

} // namespace GFourfall
