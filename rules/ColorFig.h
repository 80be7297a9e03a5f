// The falling column of the colour game: three cells one above the other,
// each of its own colour 1 to 6.
#pragma once

#include "rules/AbsFigure.h"

namespace GFourfall {

class TColorFig : public TAbsFigure {
public:
    // Top, middle, bottom cell in that order: colour ((Random mod n) mod 6) + 1,
    // so n colours are equally likely up to 6 and from 7 on the lower colours
    // come up more often. An n below 1 is taken as 1. Placed one column right
    // of the middle: X = ((board Width - 1) >> 1) + 2, Y = 1.
    TColorFig(TRules& rules, int n);
    ~TColorFig() override;

    // The colours move up by one, the top one wrapping to the bottom. Always
    // succeeds (the occupied cells stay), Changed, no rotate request.
    void Rotate() override;
};

} // namespace GFourfall
