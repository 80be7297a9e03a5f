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

// What one replay may cost. Bytes and operations are checked while reading
// (before any play); the CPU time bounds the play itself.
struct TReplayBounds {
    std::size_t MaxBytes = 1u << 20;    // a 10-minute game is about 60 KB
    std::size_t MaxOperations = 200000; // a 10-minute game is about 4000
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
};

class TReplayChecker {
public:
    explicit TReplayChecker(const TReplayBounds& bounds = TReplayBounds()) : Bounds(bounds) {}

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
};

// The hash of a replay's game: seed, board, game number, the two options and
// the operations in order. Claims and times change nothing in the play, so
// they are left out: editing them does not make a game new.
std::string ReplayGameHash(const GFourfall::TReplay& replay);

} // namespace ScoreServer
