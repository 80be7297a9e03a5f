// Figures of the shape table.
#include "rules/FourfallFig.h"

#include "rules/GameState.h"
#include "rules/Rules.h"
#include "rules/ShapeTable.h"

namespace GFourfall {

TFourfallFig::TFourfallFig(TRules& rules, int s, int t) : TAbsFigure(rules)
{
    if (s >= 0 && s < kShapeCount) {
        const TShape& shape = ShapeTable[s];
        Width = shape.Width;
        Height = shape.Height;
        const auto colour = static_cast<uint8_t>(shape.Colour);
        for (int r = 0; r < Height; ++r) {
            for (int k = 0; k < Width; ++k) {
                Cells[r][k] = shape.Rows[r][k] == 'X' ? colour : 0;
            }
        }
    }
    for (int i = 0; i < t; ++i) {
        Turn();
    }
    // Arithmetic shift: the half is rounded down, also when negative.
    X = ((Rules.GameState.Width - Width) >> 1) + 1;
    Y = 1;
}

} // namespace GFourfall
