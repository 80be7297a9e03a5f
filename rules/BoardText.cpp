#include "rules/BoardText.h"

#include <algorithm>

#include "rules/AbsFigure.h"

namespace GFourfall {

char CellChar(uint8_t cell)
{
    if (cell == kCellEmpty)
        return '.';
    if (cell == kCellWall)
        return '#';
    if (cell >= 1 && cell <= 7)
        return static_cast<char>('0' + cell);
    return '?';
}

std::string BoardRowText(const TGameState& state, int row)
{
    std::string text;
    for (int column = 1; column <= state.Width; ++column)
        text += CellChar(state.Board[row][column]);
    return text;
}

int FigureRowCount(const TAbsFigure& figure)
{
    return std::clamp<int>(figure.Height, 0, kFigureSize);
}

std::string FigureRowText(const TAbsFigure& figure, int row)
{
    std::string text;
    const int width = std::clamp<int>(figure.Width, 0, kFigureSize);
    for (int column = 0; column < width; ++column)
        text += CellChar(figure.Cells[row][column]);
    return text;
}

} // namespace GFourfall
