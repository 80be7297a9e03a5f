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

// The number the world high-score server knows a game type by, for game
// numbers 0 to 8; -1 for any other number. The four types the game first
// offered keep 0 to 3 (Fourfall, Fivefall, Color Fourfall, Crazy Fourfall),
// so their requests and page addresses stay as they were; the five opened
// later follow in game-number order, 4 to 8.
constexpr int32_t kOnlineTypeCount = 9;
constexpr int32_t OnlineType(int32_t gameNum)
{
    constexpr int32_t online[kGameTypeCount] = {0, 1, 4, 5, 3, 6, 7, 8, 2};
    return IsGameNumber(gameNum) ? online[gameNum] : -1;
}

// Whether the game type's play depends on the Difficulty option (the colour
// game's count of colours); the others ignore it.
constexpr bool GameUsesDifficulty(int32_t gameNum)
{
    return gameNum == kGameColorFourfall;
}

struct TRules;

// Registers the nine game types in their order (after RulesInit, once).
void RegisterGameTypes(TRules& rules);

} // namespace GFourfall
