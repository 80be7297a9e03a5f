// TWGhost: the ghost of a race on the play page, under the score panel: its
// well drawn small (4-pixel cells, the board's own tiles cut down) with its
// score and removals, "GHOST OVER" once its game has ended, and once the
// player's game has ended how far ahead or behind the ghost's final score it
// finished. Draws nothing unless the board races.
#pragma once

#include <cstdint>
#include <string>

#include "wlib/App.h"
#include "wlib/graphics/Bitmap.h"

namespace WFourfall {

class TWFourfall;

constexpr int32_t kGhostCell = 4;

// The line at the end of a race: "Ahead by N", "Behind by N", or
// "Tied with the ghost" for a score equal to the ghost's final one.
std::string RaceResultLine(int32_t score, int32_t ghostScore);

class TWGhost : public WLib::TApp {
public:
    void Paint() override;

    const TWFourfall* Board = nullptr;
    WLib::TBitmap Balls; // the board's cell tiles (shared)

private:
    // The tiles cut down to kGhostCell pixels, one row of the seven colours
    // in the style the options chose; made again when the sheet or the
    // style changes.
    void MakeSmallTiles();
    WLib::TBitmap Small;
    const void* SmallFrom = nullptr;
    int32_t SmallStyle = -1;
};

} // namespace WFourfall
