// Checking an uploaded replay: read it within the bounds, play it again with
// the game's own rules within a budget of CPU time, and say what it proves:
// the type, name and score of the finished game it holds. Whether a kept
// result matches that claim is the database's part (TScoreDatabase::Verify).
#pragma once

#include "rules/Replay.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace ScoreServer {

// How the fall ticks of a real game come, from the game's own timer: it is
// started with the level's fall period, fires once due and is started again
// from then (late ticks are never made up, none comes early), and a new
// level or the end of a pause starts it afresh. Times are whole
// milliseconds of play with pauses left out, so a pause shows as one tick
// coming up to a period late.
struct TTickPace {
    // A tick may come this much sooner than its period: two readings of a
    // millisecond clock, each cut down.
    int EarlyMs = 2;
    // ... or this much later without counting as a pause: the timer fires
    // 0.1 ms late on average, a frame (about 2.5 ms) or a busy moment of
    // the desktop may hold it back a little more.
    int LateMs = 25;
    // Pauses (a tick up to a period and LateMs late) allowed in a game:
    // FreePauses, and one more for every TicksPerPause ticks.
    int FreePauses = 5;
    int TicksPerPause = 20;
    // Periods under this run at this (the platform's shortest timer).
    int ShortestPeriodMs = 10;
};

// What one replay may cost. Bytes and operations are checked while reading
// (before any play); the CPU time bounds the play itself.
//
// Bytes and operations are sized together from the longest honest game we
// take: three hours of the classic game played well, a key every 125 ms
// while placing a figure, each level's ticks at its period (the replay
// tests make one). It reaches level 33 and holds about 183,000
// operations (17 a second) in about 3 MB (16 bytes each). The operation
// bound leaves a third more for a faster player; and at most 19 bytes an
// operation ("at 99999999 rotate", times under 27 hours), 250,000 of them
// fit in 5 MiB with room for the header lines: a replay is refused for its
// operations before it is for its bytes, so the operation bound is the one
// reached.
struct TReplayBounds {
    std::size_t MaxBytes = 5u << 20;    // a 10-minute game is about 60 KB
    std::size_t MaxOperations = 250000; // a 10-minute game is about 4000
    int MaxCpuMs = 1000;                // a 10-minute game takes about 1 ms
};

// Why a replay was refused; counted one by one.
enum class TReplayRefusal {
    None,
    TooLarge,          // longer than MaxBytes (said by its length, before it is read)
    NoLength,          // sent without a length
    Malformed,         // not a replay of this format
    TooManyOperations, // more than MaxOperations
    NoClaim,           // no name and score in it
    TooMuchCpu,        // its play took more than MaxCpuMs
    NotFinished,       // its game was still going at its end
    ScoreDiffers,      // its game ended with another score than it claims
    NoSuchResult,      // no unverified result of its type, name and score is kept
    AlreadyUsed,       // the same game already verified a result
    NoToken,           // its seed was not dealt by the server (no token)
    BadToken,          // its token is not one the server signed for this type and seed
    TokenExpired,      // its token was issued too long ago
    TokenUsed,         // its token already verified a result
    TooSoon,           // it came sooner after its token than its own played time
    OtherRules,        // a well or options the game never plays online with
    AfterTheEnd,       // an operation after its game ended
    NotRealTime,       // its fall ticks do not come at the pace of their levels
    BadName,           // its claim's name is one results do not take
    Busy,              // too many replays waiting to be checked (the worker pool's, never the checker's)
};
constexpr int kReplayRefusalCount = static_cast<int>(TReplayRefusal::Busy) + 1;

// A short name for counts and logs: "too-large", "score-differs", ...
const char* ReplayRefusalName(TReplayRefusal refusal);

struct TCheckedReplay {
    TReplayRefusal Refusal = TReplayRefusal::None;
    std::string Why; // plain and short, for the reply (a refusal only)
    // What the replay proves (no refusal, or a refusal after its play):
    std::int32_t OnlineType = 0;
    std::string Name; // UTF-8
    std::int32_t Score = 0;
    std::string GameHash;       // 16 hex digits of the game, not of its claim or times
    std::size_t Operations = 0; // applied before the play ended or was stopped
    std::int64_t CpuMicros = 0; // CPU time of the play
    std::string Token;          // the seed token it carries, as it came ("" without)
    std::uint32_t Seed = 0;     // its game's seed
    std::uint32_t PlayedMs = 0; // its game's played time (its last operation's time)
    std::size_t Pauses = 0;     // ticks that came late as after a pause
};

class TReplayChecker {
public:
    explicit TReplayChecker(const TReplayBounds& bounds = TReplayBounds(),
                            const TTickPace& pace = TTickPace())
        : Bounds(bounds), Pace(pace)
    {
    }

    // Reads and plays the text in rules of its own: any number of threads
    // may check at once, each play as fast as it would be alone (the
    // server's worker pool bounds how many come at once).
    TCheckedReplay Check(const std::string& text) const;

    const TReplayBounds& Limits() const { return Bounds; }
    // Called just before each play, on the checking thread (tests hold
    // plays here to see them run side by side). Set before the first Check.
    std::function<void()> PlayStarts;

private:
    TReplayBounds Bounds;
    TTickPace Pace;
};

// The hash of a replay's game as the rules play it: seed, board, game
// number, the two options as the rules take them (StartLevel clamped,
// Difficulty clamped, or left out where the type ignores it) and the
// operations in order. Claims, tokens and times change nothing in the play,
// so they are left out: editing them does not make a game new.
std::string ReplayGameHash(const GFourfall::TReplay& replay);

} // namespace ScoreServer
