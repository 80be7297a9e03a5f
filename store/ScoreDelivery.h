// TScoreDelivery: sends results to the world high-score server on a thread of
// its own, so that the game goes on (paints, takes keys) while a server is
// slow or silent. Each result is first put in the outbox (ScoreOutbox.h),
// then a round of delivery goes through the outbox, oldest first, sending
// each result with the design's request bytes and then its replay. A round
// stops at the first request the server did not take (no answer, 5xx, 429):
// the rest wait for the next round, which comes with the next result or the
// next start (Retry).
//
// The window's thread asks and reads the state; the thread only sends and
// keeps the outbox's files.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "store/ScoreOutbox.h"
#include "store/ScoreSubmit.h"

class TScoreDelivery {
public:
    enum class TState {
        Idle,    // nothing sent since start
        Sending, // a round is under way
        Sent,    // the last round delivered everything it had
        Kept,    // the last round could not deliver: the outbox keeps it
    };
    // Seconds since 1970; the caller owns time.
    using TClock = std::function<int64_t()>;

    explicit TScoreDelivery(TClock clock = {}, TExchangeLimits limits = TExchangeLimits());
    // Ends a round under way soon (what it had not delivered stays in the
    // outbox) and waits for the thread.
    ~TScoreDelivery();
    TScoreDelivery(const TScoreDelivery&) = delete;
    TScoreDelivery& operator=(const TScoreDelivery&) = delete;

    // Puts the result in the outbox and starts a round. name is the
    // game's 8-bit text; replay the replay text with its claim, or empty.
    // The server ("host" or "host:port") is read here, on the caller's thread.
    // Returns the count of finished rounds (Rounds) from which on the
    // state tells what became of this result.
    uint64_t Deliver(int32_t onlineType, const std::string& name, int32_t score, const std::string& replay);
    // Starts a round over what the outbox holds; returns as Deliver.
    uint64_t Retry();

    TState State() const;
    // Counts finished rounds: a caller sees a new outcome when it changes.
    uint64_t Rounds() const;
    // Waits until no round is under way or asked for.
    void WaitIdle();

private:
    void Start();
    void Run();
    // One pass over the outbox: Sent when it delivered all it had, Kept
    // when something stays, the state as it was when there was nothing.
    TState Round(const std::string& address);

    TClock Clock;
    TExchangeLimits Limits;
    mutable std::mutex Lock;
    std::condition_variable Wake;
    std::condition_variable Done;
    bool Wanted = false;
    bool Working = false;
    std::atomic<bool> Stop{false};
    std::string Address;
    TState Current = TState::Idle;
    uint64_t Finished = 0;
    // Results that could not be kept in a file (no outbox folder): they wait
    // here until the program ends.
    std::vector<TOutboxItem> Unfiled;
    std::thread Worker;
};
