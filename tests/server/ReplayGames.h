// Finished games as the game records them, made with the rules for the
// replay tests, the replay fuzzer and the verification benchmark.
#pragma once

#include "rules/Replay.h"

#include <cstdint>
#include <string>

namespace ServerTest {

// A game of the given game number played by a scripted player from seed:
// the fall timer's ticks at the level's pace and a move every 200 ms for
// playMs of play, then a drop every 200 ms until the game is over. The
// record ends with the operation that ended the game, as the game's
// recorder ends it, and claims name and the score the game ended with.
// Played in rules of its own, so threads may make games at once.
// The board is columns x rows.
GFourfall::TReplay PlayedGame(std::int32_t gameNum, std::uint32_t seed, const std::string& name,
                              std::uint32_t playMs = 60000, std::int32_t columns = 10,
                              std::int32_t rows = 20);

// Its text, as the game uploads it.
std::string PlayedGameText(std::int32_t gameNum, std::uint32_t seed, const std::string& name,
                           std::uint32_t playMs = 60000);

} // namespace ServerTest
