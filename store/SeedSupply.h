// Seeds dealt by the world server: when the player has named a score server,
// the game asks it ahead of time for the seed of the next game of a type, so
// that the server can tell a game it dealt from one whose figures the player
// chose. The answer is a single-use token that names the seed; the game
// plays that seed and its replay carries the token.
//
// Nothing waits for the server: the requests go out on a thread of their
// own, and a game that starts without a seed in hand plays one of the game's
// own (its result can be sent, not verified). A token is handed out once.
//
// The token, as the server writes it ("1.<type>.<seed>.<issued>.<nonce>.
// <signature>"), is printable ASCII without spaces, at most kMaxSeedToken
// bytes; the game reads the version, the type and the seed and passes the
// rest on untouched.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "rules/Replay.h"
#include "store/ScoreSubmit.h"

// A replay carries the token whole.
constexpr std::size_t kMaxSeedToken = GFourfall::kMaxReplayToken;
// A reply this long or longer is no seed: the server's is well under it.
constexpr std::size_t kMaxSeedReply = 2048;
// A token kept this long is not used: the server takes tokens for a day,
// and the game it starts must still arrive within that day.
constexpr int64_t kSeedKeepSeconds = 12 * 3600;

struct TDealtSeed {
    int32_t OnlineType = -1;
    uint32_t Seed = 0;
    std::string Token;
    std::string Server;     // "host" or "host:port" it came from
    int64_t ReceivedAt = 0; // seconds, on the supply's clock
};

// Reads a token for the online type: true, with seed set, when it is one
// ("1", the type, a decimal seed within 32 bits and three more fields, no
// field empty, printable ASCII without spaces, at most kMaxSeedToken bytes).
bool ParseSeedToken(const std::string& token, int32_t onlineType, uint32_t& seed);
// Reads the whole HTTP reply to a seed request of onlineType: status 200,
// and a body of exactly the token and "\n". False for anything else (no
// reply, another status, a cut or oversize reply, a token of another type).
bool ParseSeedReply(const std::string& reply, int32_t onlineType, TDealtSeed& out);

class TSeedSupply {
public:
    // Seconds; the caller owns time (the wall clock when empty).
    using TClock = std::function<int64_t()>;

    explicit TSeedSupply(TClock clock = {}, TExchangeLimits limits = TExchangeLimits());
    // Ends a request under way soon and waits for the thread.
    ~TSeedSupply();
    TSeedSupply(const TSeedSupply&) = delete;
    TSeedSupply& operator=(const TSeedSupply&) = delete;

    // Asks ahead for a seed of each online type (0 to 8) that has none in
    // hand or asked for. Nothing when the player named no server
    // (ChosenScoreServer), which is read here, on the caller's thread; the
    // seeds of another server are dropped. Never waits.
    void Want(const std::vector<int32_t>& onlineTypes);
    // Hands over the seed in hand for the online type and forgets it: true
    // with out set. False when there is none (or only one kept too long).
    // Then asks for the type's next seed from the server last named. Never
    // waits.
    bool Take(int32_t onlineType, TDealtSeed& out);

    // Whether a seed of the type is in hand.
    bool Holds(int32_t onlineType) const;
    // Waits until no request is under way or waiting.
    void WaitIdle();

private:
    void Ask(int32_t onlineType);
    void Run();

    TClock Clock;
    TExchangeLimits Limits;
    mutable std::mutex Lock;
    std::condition_variable Wake;
    std::condition_variable Done;
    std::atomic<bool> Stop{false};
    std::string Server;           // the server last named
    std::deque<int32_t> Waiting;  // types to ask for, in turn
    int32_t Asking = -1;          // the type being asked for now
    std::vector<TDealtSeed> Held; // at most one per type
    std::thread Worker;
};
