// The catalogue of game types: the nine registered types in their order,
// which gives each its game number (GameNum). Screens, the options storage
// and the high-score table refer to a type by this number.
#pragma once

#include <cstdint>

namespace GFourfall {

// Game numbers, in registration order.
constexpr int32_t kGameFourfall = 0;      // TFourfall, TypeId 1
constexpr int32_t kGameFivefall = 1;      // TFourfall, TypeId 2
constexpr int32_t kGameKidsFourfall = 2;  // TFourfall, TypeId 3
constexpr int32_t kGameKidsFivefall = 3;  // TFourfall, TypeId 4
constexpr int32_t kGameCrazyFourfall = 4; // TFourfall, TypeId 5
constexpr int32_t kGameCrazyFivefall = 5; // TFourfall, TypeId 6
constexpr int32_t kGameGrandFourfall = 6; // TGFourfall, TypeId 1
constexpr int32_t kGameGrandFivefall = 7; // TGFourfall, TypeId 2
constexpr int32_t kGameColorFourfall = 8; // TCFourfall, TypeId 4
constexpr int32_t kGameTypeCount = 9;

// True for the numbers of the registered game types (0 to 8).
constexpr bool IsGameNumber(int32_t n)
{
    return n >= 0 && n < kGameTypeCount;
}

// Registers the nine game types in their order (after RulesInit, once).
void RegisterGameTypes();

} // namespace GFourfall
