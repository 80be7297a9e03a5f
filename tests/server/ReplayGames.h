// Finished games as the game records them, made with the rules for the
// replay tests, the replay fuzzer and the verification benchmark.
#pragma once

#include "rules/Replay.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace ServerTest {

// The well the game plays online games in.
constexpr std::int32_t kDealtColumns = 13;
constexpr std::int32_t kDealtRows = 31;

// A game of the given game number played by a scripted player from seed:
// the fall timer's ticks at the level's pace and a move every 200 ms for
// playMs of play, then a drop every 200 ms until the game is over. The
// record ends with the operation that ended the game, as the game's
// recorder ends it, and claims name and the score the game ended with.
// Played in rules of its own, so threads may make games at once.
// The board is columns x rows.
GFourfall::TReplay PlayedGame(std::int32_t gameNum, std::uint32_t seed, const std::string& name,
                              std::uint32_t playMs = 60000, std::int32_t columns = kDealtColumns,
                              std::int32_t rows = kDealtRows);

// Its text, as the game uploads it.
std::string PlayedGameText(std::int32_t gameNum, std::uint32_t seed, const std::string& name,
                           std::uint32_t playMs = 60000);

// The seed a server's token deals (its third field, as the game reads it);
// 0 when the text is no token.
std::uint32_t SeedOfToken(const std::string& token);

// The game as the game plays it once it holds a token from the server: from
// the token's seed, the token in its replay.
GFourfall::TReplay DealtGame(const std::string& token, std::int32_t gameNum, const std::string& name,
                             std::uint32_t playMs = 60000);

// Waits until the game's played time has passed since dealtAt (the moment
// its token was dealt) and a second more, as it would have while the game
// was played: for servers that run on real time.
void WaitWhileItIsPlayed(const GFourfall::TReplay& game, std::chrono::steady_clock::time_point dealtAt);

// --- Long honest games (the replay bounds are sized from them) ---

// How a steady player keys: a key every KeyMs while placing a figure, after
// ThinkMs looking at each new one.
struct TKeyPace {
    std::uint32_t KeyMs = 125; // 8 keys a second
    std::uint32_t ThinkMs = 250;
};

// A game played well for playMs of real time: the fall timer's ticks at each
// level's period, and a player who sets each figure where it leaves the
// fewest holes and the lowest stack (turns, moves, drop, at the key pace).
// After playMs it drops each figure at once until the game is over. Ends
// with the operation that ended the game and claims its score, as the
// game's recorder does.
GFourfall::TReplay LongGame(std::int32_t gameNum, std::uint32_t seed, const std::string& name,
                            std::uint32_t playMs, const TKeyPace& pace = TKeyPace());

} // namespace ServerTest
