// The game type base: the figure hand-over shared by every type.
#include "rules/AbsGame.h"

#include "rules/AbsFigure.h"
#include "rules/GameState.h"

namespace GFourfall {

TAbsGame::~TAbsGame() = default;

void TAbsGame::InitFigures()
{
    TAbsFigure* a = CreateFigure();
    TAbsFigure* b = CreateFigure();
    delete GameState.CurFig;
    GameState.CurFig = nullptr;
    delete GameState.NextFig;
    GameState.NextFig = nullptr;
    GameState.CurFig = b;
    GameState.NextFig = a;
}

void TAbsGame::NextFigure()
{
    TAbsFigure* n = CreateFigure();
    delete GameState.CurFig;
    GameState.CurFig = GameState.NextFig;
    GameState.NextFig = n;
}

TAbsFigure* TAbsGame::CreateFigure()
{
    return new TAbsFigure();
}

void TAbsGame::Settle() {}

const char* TAbsGame::Name() const
{
    return "";
}

} // namespace GFourfall
