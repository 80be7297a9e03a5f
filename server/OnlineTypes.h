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

// The type with that number, or nullptr when the server keeps no such type.
const TOnlineType* FindOnlineType(std::int32_t number);

} // namespace ScoreServer
