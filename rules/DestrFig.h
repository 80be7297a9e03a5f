// The destroyer: an upright pair of cells that, on command, removes the
// first block below it.
#pragma once

#include "rules/CommandFig.h"

namespace GFourfall {

class TDestrFig : public TCommandFig {
public:
    // Shape 1 turned once: two cells of colour 2 one above the other, in the
    // middle column, top row.
    explicit TDestrFig(TRules& rules);

    // Searches its column downward from the row just below it for the first
    // non-empty cell; if found, it becomes empty and Changed. No rows are
    // tested, no points given, no effect requested.
    void Act() override;
};

} // namespace GFourfall
