// The world's best replay of a game type, fetched for racing: the score
// server's scores list names the replay of the type's best verified result
// ("bestVerifiedReplay"), and that replay is fetched and played through once
// before anyone races it. A replay that does not parse, is of another type or
// does not play to the score it claims is refused: a server (or anything
// between) could hand out any text.
//
// TWorldReplayFetch does the two requests on a thread of its own, through the
// exchange results go through (ScoreSubmit.h), with its time limits: the page
// that asked stays live and looks at the state when it likes.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "rules/Replay.h"
#include "store/ScoreSubmit.h"

// Replies larger than this are not read further: the server's own bound on a
// replay is 1 MiB.
constexpr std::size_t kMaxWorldReplayReply = 2u << 20;
constexpr const char* kScoresApiPath = "/api/v1/scores";
constexpr const char* kReplaysApiPath = "/api/v1/replays/";

// "GET PATH HTTP/1.0", the host and a blank line ("\r\n" line ends).
std::string BuildGetRequest(const std::string& path, const std::string& host);

// Splits an HTTP reply into its status code and body; false when it is no
// HTTP reply (no status line, no end of the head).
bool SplitHttpReply(const std::string& reply, int& status, std::string& body);

enum class TBestReplayName {
    Named, // path holds "/api/v1/replays/ID"
    None,  // the type has no verified result
    Bad,   // no such field, or not a replay's address
};
// The best verified replay named in a scores list (the JSON of
// /api/v1/scores): the value of its "bestVerifiedReplay" field.
TBestReplayName BestVerifiedReplayPath(const std::string& json, std::string& path);

// Takes a fetched replay for racing: it parses (within the bounds of a replay
// file), claims a score, is of game number gameNum, and played through in
// rules of its own it ends its game with the claimed score. False, with why
// set to a short reason for the player, otherwise.
bool CheckFetchedReplay(const std::string& text, int32_t gameNum, GFourfall::TReplay& out, std::string& why);

class TWorldReplayFetch {
public:
    enum class TState {
        Idle,        // nothing asked yet
        Fetching,    // under way
        Got,         // a replay that checked out: Replay()
        NoReplay,    // the type has no verified result on the server
        Unreachable, // no answer, or an answer that was no list
        Refused,     // a replay came and did not check out: Why()
    };

    explicit TWorldReplayFetch(TExchangeLimits limits = TExchangeLimits());
    // Ends a fetch under way soon and waits for it.
    ~TWorldReplayFetch();
    TWorldReplayFetch(const TWorldReplayFetch&) = delete;
    TWorldReplayFetch& operator=(const TWorldReplayFetch&) = delete;

    // Starts fetching the best verified replay of game number gameNum from
    // the server of ScoreServerAddress() (read here, on the caller's
    // thread). False, and nothing started, while a fetch is under way or
    // when the type has no world list.
    bool Start(int32_t gameNum);
    TState State() const;
    // What a fetch that ended brought: the replay (Got), the reason (Refused).
    GFourfall::TReplay Replay() const;
    std::string Why() const;
    // The game number of the fetch asked last.
    int32_t GameNum() const;
    // Waits until no fetch is under way.
    void Wait();

private:
    void Run(std::string address, int32_t gameNum);

    TExchangeLimits Limits;
    std::atomic<bool> Stop{false};
    mutable std::mutex Lock;
    TState Current = TState::Idle;
    GFourfall::TReplay Fetched;
    std::string Reason;
    int32_t Asked = -1;
    std::thread Worker;
};
