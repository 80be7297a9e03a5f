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

// The special figures of the Grand games have tiles of their own, column 0
// the creator and column 1 the destroyer of "Skin\Specials.jpg", one row per
// block style like the cell sheet: a light tile and a dark one, each with its
// sign, so that neither passes for a block of any colour or for the other.
// Without the picture they are drawn flat in these grounds with their sign.
constexpr int kSpecialTileCount = 2;
constexpr uint32_t kSpecialTileGrounds[kSpecialTileCount] = {0xF4EEDA, 0x17131D};
constexpr uint32_t kSpecialTileSigns[kSpecialTileCount] = {0x1B7F3A, 0xFF4A1C};

} // namespace WFourfall
