// The creator: a single cell that, on command, fills the lowest empty cell of
// the column below it.
#pragma once

#include "rules/CommandFig.h"

namespace GFourfall {

class TCreatFig : public TCommandFig {
public:
    // Shape 0 unturned: one cell of colour 1 in the middle column, top row.
    explicit TCreatFig(TRules& rules);

    // Searches its column from the floor up to the row just below it for the
    // first empty cell; if there is one, fills it with the figure's colour and
    // removes and scores the rows this completes (the figure's own cell, taken
    // off meanwhile, does not count), then puts the figure back; Changed.
    // Nothing happens when the column below it is full.
    void Act() override;
};

} // namespace GFourfall
