// The "Grand" games: the row-removing game in which one figure in twenty is
// a special one, a creator or a destroyer.
#pragma once

#include "rules/Fourfall.h"

namespace GFourfall {

// TypeId 1 draws the four-cell shapes, 2 the five-cell shapes (as TFourfall).
class TGFourfall : public TFourfall {
public:
    using TFourfall::TFourfall;
    ~TGFourfall() override;

    // Random mod 20 not 0: the figure TFourfall makes for this TypeId.
    // Otherwise Random mod 2: 0 a creator, 1 a destroyer.
    TAbsFigure* CreateFigure() override;
    // The row removal of TFourfall. When a special figure's own cell is in a
    // removed row, its remaining cells (moved down with their rows) are taken
    // off at once, so that deleting it later touches no other block.
    void Settle() override;
    // "Grand Fourfall", "Grand Fivefall", "Grand Kids Fourfall",
    // "Grand Kids Fivefall", "Grand Wildfall" for TypeId 1 to 5; "" otherwise.
    const char* Name() const override;
};

} // namespace GFourfall
