// The row-removing game types: the classic four-cell game, the five-cell
// game, their kids and crazy-shape versions. They differ only in the shapes
// they draw from; full rows are removed and scored by their height.
#pragma once

#include "rules/AbsGame.h"

namespace GFourfall {

// TypeId: 1 four-cell, 2 five-cell, 3 kids four-cell, 4 kids five-cell,
// 5 crazy four-cell, 6 crazy five-cell.
class TFourfall : public TAbsGame {
public:
    using TAbsGame::TAbsGame;
    ~TFourfall() override;

    // A shape drawn from the set of TypeId, then Random mod 4 quarter turns.
    TAbsFigure* CreateFigure() override;
    // Each full row from top to bottom is removed and scored (RemoveRow) at
    // the row number it had when the figure landed; SndRemove.
    void Settle() override;
    // "Fourfall", "Fivefall", "Kids Fourfall", "Kids Fivefall",
    // "Crazy Fourfall", "Crazy Fivefall"; "" for any other TypeId.
    const char* Name() const override;

protected:
    // The shape index for TypeId (one or two random draws); 0 for an unknown id.
    int DrawShape() const;
};

// True when columns 1 to Width of row y are all non-empty.
bool RowFull(const TRules& rules, int y);

// Removes row y: Score += (Height - y + 1) * 5 + 100; LinesLeft -= 1 and at 0
// the level goes up; rows 1 to y - 1 move down one, row 1 is emptied.
void RemoveRow(TRules& rules, int y);

// A board cell followed through row removals: it moves down with its row,
// and its Row becomes 0 when its own row is removed.
struct TTrackedCell {
    int Row;
    int Column;
};

// The removal of TFourfall::Settle: every full row from top to bottom is
// removed (RemoveRow) and SndRemove raised, while the count tracked cells move
// along with their rows. Returns the number of rows removed.
int RemoveFullRows(TRules& rules, TTrackedCell* cells, int count);

} // namespace GFourfall
