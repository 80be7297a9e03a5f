#include "screens/WNext.h"

#include "rules/AbsFigure.h"
#include "rules/GameState.h"
#include "rules/Options.h"
#include "screens/WFourfall.h"

namespace WFourfall {

using namespace GFourfall;

TWNext::~TWNext() = default;

void TWNext::Paint()
{
    const TAbsFigure* f = GameState.NextFig;
    if (Options.ZNextFig == 0 || f == nullptr)
        return;
    const int32_t w = Rect.Width();
    const int32_t h = Rect.Height();
    const int32_t x0 = w / 2 - (f->Width * CellSize.Width) / 2;
    const int32_t y0 = h / 2 - (f->Height * CellSize.Height) / 2;
    for (int32_t r = 0; r < f->Height && r < kFigureSize; ++r)
        for (int32_t c = 0; c < f->Width && c < kFigureSize; ++c)
            if (f->Cells[r][c] != 0)
                DrawCell(this, Balls, f->Cells[r][c], x0 + c * CellSize.Width, y0 + r * CellSize.Height);
}

} // namespace WFourfall
