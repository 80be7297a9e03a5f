// The cell tile sheet: 16 x 16 tiles, colour number 1 to 7 across, one
// block style per row (bevelled block, glossy ball, block with a symbol per
// colour for players who cannot tell the colours apart, faceted gem).
#pragma once

#include "screens/layout/TileColours.h"
#include "tools/make-skins/Raster.h"

namespace MakeSkins {

using WFourfall::kTileColourCount;
using WFourfall::kTileSize;
constexpr int kTileStyles = 4;

TRaster TileSheet();
// The special figures' tiles: creator and destroyer across, the same block
// styles down as the cell sheet.
TRaster SpecialSheet();

} // namespace MakeSkins
