// A figure made from one entry of the shape table, all its cells of the
// shape's colour; the special figures are built on it.
#pragma once

#include "rules/AbsFigure.h"

namespace GFourfall {

class TFourfallFig : public TAbsFigure {
public:
    // Builds the figure from shape s, turns it t times and places it at the
    // top row, centred: X = ((board Width - figure Width) >> 1) + 1, Y = 1.
    // A shape index outside the table gives a figure without cells.
    TFourfallFig(TRules& rules, int s, int t);
};

} // namespace GFourfall
