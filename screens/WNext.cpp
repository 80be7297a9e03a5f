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
    const TAbsFigure* f = Rules.GameState.NextFig;
    if (Rules.Options.ZNextFig == 0 || f == nullptr)
        return;
    const int32_t w = Rect.Width();
    const int32_t h = Rect.Height();
    const int32_t x0 = w / 2 - (f->Width * CellSize.Width) / 2;
    const int32_t y0 = h / 2 - (f->Height * CellSize.Height) / 2;
    DrawFigure(this, Rules.Options, Balls, Specials, *f, x0, y0);
}

} // namespace WFourfall
