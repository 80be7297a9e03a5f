// Replays: the record of one game as the rules received it, its text form and
// the way back from the text to the game.
//
// The rules are deterministic: the generator seed, the board size, the game
// number, the start level, the difficulty and the operations in their order
// decide every figure and every point. A replay keeps exactly those, each
// operation with the time it came (milliseconds of play since the start,
// pauses left out), so that it can be watched at its pace.
//
// The text is the command language of tools/fourfall-replay, so that
// "fourfall-replay < FILE" plays the game again and prints its final state:
//
//   # Tumbletown replay 1          format and its version (first line)
//   # version 0.1.0                the game that recorded it
//   # token 1.0.123456789.1733..   the score server's deal of the seed (only
//                                  when the game had one; kept as it came)
//   # name Anonymous               the high-score entry it belongs to
//   # score 1234                   (both only once the entry is named)
//   seed 123456789
//   size 10 20
//   select 0
//   option StartLevel 1
//   option Difficulty 1
//   start
//   at 0 tick                      one operation a line: time, operation
//   at 815 left
//   ...
//   print
//
// Lines end with "\n". A name is written as it stands (Windows-1252 bytes);
// the one thing it may not hold is a line break or another control byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace GFourfall {

struct TRules;

// What the play screen hands the rules: the timer step and the five moves.
enum class TReplayOp : uint8_t { Tick, Left, Right, Rotate, Drop, Down };
constexpr int kReplayOpCount = 6;

// "tick", "left", "right", "rotate", "drop", "down".
const char* ReplayOpName(TReplayOp op);
// The operation of a name; false for any other word.
bool ReplayOpFromName(const std::string& name, TReplayOp& op);

// Hands one operation to the rules: Tick is FallTick; a move goes to the
// falling figure, and only while a game is played (otherwise nothing).
void ApplyReplayOp(TRules& rules, TReplayOp op);

struct TReplayStep {
    uint32_t TimeMs; // milliseconds of play since the game started
    TReplayOp Op;
};

constexpr int32_t kReplayFormat = 1;
constexpr std::size_t kMaxReplayToken = 200;
constexpr const char* kReplayMagic = "# Tumbletown replay ";

struct TReplay {
    std::string Version; // the game that recorded it (no spaces)
    // The score server's token for this game's seed, as the server wrote it
    // (printable ASCII, no spaces, at most kMaxReplayToken bytes); empty
    // when the game played with a seed of its own. The rules ignore it.
    std::string Token;
    uint32_t Seed = 0; // the value SeedRandom takes to start this game's figures
    int32_t Columns = 0;
    int32_t Rows = 0;
    int32_t GameNum = 0;
    int32_t StartLevel = 0;
    int32_t Difficulty = 0;
    std::vector<TReplayStep> Steps;
    // The claim: the high-score entry the replay was kept for.
    bool HasClaim = false;
    std::string Name;
    int32_t Score = 0;
};

// Bounds on what a parse accepts: a replay beyond them is refused whole.
struct TReplayLimits {
    std::size_t MaxBytes = 16u << 20;
    std::size_t MaxSteps = 1000000;
};

// The text form. A name holding a control byte is written without it.
std::string ReplayText(const TReplay& replay);

// Reads the text form as ReplayText writes it, and nothing else: every line
// in its place, every number in its range (size within the board, a
// registered game number, times that never go back), at most limits.MaxSteps
// operations and limits.MaxBytes bytes. On failure returns false with why
// set to a short reason and out left in an unspecified state.
bool ParseReplay(const std::string& text, TReplay& out, std::string& why,
                 const TReplayLimits& limits = TReplayLimits());

// The rules' state for the start of the replayed game, taken in a running
// program: the generator seeded, size, game type and the two options set,
// then StartGame. The options record gets its own values back afterwards.
// The game types must be registered.
void StartReplayedGame(TRules& rules, const TReplay& replay);

struct TReplayOutcome {
    int32_t Score = 0;
    int32_t Level = 0;
    int32_t Status = 0;
    std::size_t Steps = 0; // operations applied
};

// Plays the whole replay in rules made fresh (everything reset, seeded, the
// game types registered), at no pace: every operation at once. Leaves the
// final state in rules for the caller to look at.
TReplayOutcome PlayReplayToEnd(TRules& rules, const TReplay& replay);

// The same under the caller's budget: keepGoing() is asked before the first
// operation and again before every checkEvery-th one after it; once it says
// no, the play stops there and the outcome's Steps tells how far it came
// (fewer than replay.Steps.size()). The rules own no clock: a caller bounds
// time or work through keepGoing.
TReplayOutcome PlayReplayToEnd(TRules& rules, const TReplay& replay, const std::function<bool()>& keepGoing,
                               std::size_t checkEvery = 256);

// The version of the game, as replays name it.
const char* GameVersion();

} // namespace GFourfall
