// The colour game: a falling column of three coloured cells; three or more
// cells of one colour in a straight line, in any of four directions, vanish,
// the cells above fall into the gaps and may form new lines (chain reactions).
#pragma once

#include "rules/AbsGame.h"

namespace GFourfall {

class TCFourfall : public TAbsGame {
public:
    using TAbsGame::TAbsGame;
    ~TCFourfall() override;

    // A colour column of TypeId + Difficulty colours.
    TAbsFigure* CreateFigure() override;
    // Repeats until a pass removes nothing: mark every straight triple of one
    // colour (right, down, down-right, up-right), remove the marked cells
    // (10 points each, LinesLeft -= 1 each with the level going up at 0),
    // Changed and SndRemove when any went, then let every column fall.
    void Settle() override;
    // Always "Color Fourfall".
    const char* Name() const override;
};

// Marks (x, y) and the two cells after it in direction (dx, dy) when all
// three hold the same colour. Walls never equal a colour, so a triple never
// reaches beyond the frame.
void CheckTriple(TRules& rules, int x, int y, int dx, int dy);

} // namespace GFourfall
