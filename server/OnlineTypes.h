// The game types the score server keeps results for, by the number the game
// sends for each (its "online type"). The world page shows one tab for each,
// in this order. A new game type is one more line in the table.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ScoreServer {

struct TOnlineType {
    std::int32_t Number; // as sent in type= of the submission and the page address
    const char* Name;    // the tab's caption
};

constexpr TOnlineType kOnlineTypes[] = {
    {0, "Fourfall"},       {1, "Fivefall"},       {2, "Color Fourfall"},
    {3, "Crazy Fourfall"}, {4, "Kids Fourfall"},  {5, "Kids Fivefall"},
    {6, "Crazy Fivefall"}, {7, "Grand Fourfall"}, {8, "Grand Fivefall"},
};

// The one set of rules every online type is played with: the game's well
// (its play page holds 13 x 31 cells) and the options a game starts from
// (StartLevel 1; Difficulty 1, five colours, where the type uses it). A
// replay of any other setting is a game the game never plays online.
constexpr std::int32_t kOnlineColumns = 13;
constexpr std::int32_t kOnlineRows = 31;
constexpr std::int32_t kOnlineStartLevel = 1;
constexpr std::int32_t kOnlineDifficulty = 1;

// The type with that number, or nullptr when the server keeps no such type.
const TOnlineType* FindOnlineType(std::int32_t number);

} // namespace ScoreServer
