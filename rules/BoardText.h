// The board and the figures as text, one character a cell: '.' empty, '1' to
// '7' a colour, '#' wall, '?' anything else. The JSON state writer, the rules
// tests and bug reports all read boards this way.
#pragma once

#include <cstdint>
#include <string>

#include "rules/GameState.h"

namespace GFourfall {

class TAbsFigure;

char CellChar(uint8_t cell);

// Row `row` of the play area (columns 1 to Width) of the state's board.
std::string BoardRowText(const TGameState& state, int row);

// Row `row` of the figure's cells (columns 0 to Width - 1); Width and Height
// are clamped to the 8 x 8 grid, so a damaged figure reads nothing outside it.
std::string FigureRowText(const TAbsFigure& figure, int row);

// The figure's Height clamped to 0 to kFigureSize.
int FigureRowCount(const TAbsFigure& figure);

} // namespace GFourfall
