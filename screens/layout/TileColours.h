// The seven cell colours, colour 1 to 7 of the rules at index 0 to 6, as
// 0xRRGGBB: the skin generator paints the tiles in them, and the board and
// the preview draw flat squares of them where the tile picture is missing.
#pragma once

#include <cstdint>

namespace WFourfall {

constexpr int kTileColourCount = 7;
constexpr uint32_t kTileColours[kTileColourCount] = {0xE53935, 0xFB8C00, 0xFDD835, 0x43A047,
                                                     0x00ACC1, 0x1E63D6, 0x8E24AA};
constexpr int kTileSize = 16;

} // namespace WFourfall
