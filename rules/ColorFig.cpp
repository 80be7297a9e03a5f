// The colour column.
#include "rules/ColorFig.h"

#include "rules/GameState.h"
#include "rules/Rules.h"

namespace GFourfall {

namespace {
constexpr int kColumnCells = 3;
constexpr int kColourCount = 6;
} // namespace

TColorFig::TColorFig(TRules& rules, int n) : TAbsFigure(rules)
{
    if (n < 1) {
        n = 1;
    }
    Width = 1;
    Height = kColumnCells;
    for (int r = 0; r < kColumnCells; ++r) {
        Cells[r][0] = static_cast<uint8_t>((Random(Rules) % n) % kColourCount + 1);
    }
    X = ((Rules.GameState.Width - 1) >> 1) + 2;
    Y = 1;
}

TColorFig::~TColorFig() = default;

void TColorFig::Rotate()
{
    Erase();
    const uint8_t top = Cells[0][0];
    Cells[0][0] = Cells[1][0];
    Cells[1][0] = Cells[2][0];
    Cells[2][0] = top;
    Stamp();
    Rules.GameState.Changed = true;
}

} // namespace GFourfall
