// A bounded pool of worker threads for the work that must not run on an
// event loop (playing an uploaded replay again takes up to a second of
// CPU). Jobs wait in one bounded queue, each under its client's key; a key
// may hold only its share of the queue, and the workers take the keys in
// turn, so that one client with many jobs delays another by one job at
// most; a client coming with its first job goes before those that are
// having their turns. A full queue, or a full share, refuses at once: the
// caller answers 503 and the client tries again later.
//
// The workers run at the lowest CPU priority there is (SCHED_IDLE): any
// thread that reads or answers a request, or writes to the database, takes
// the CPU from them at once, so a pool kept busy by costly replays costs
// the quick answers nothing. A job's part that takes a lock those threads
// also take (a database write) belongs on the caller's thread, not here.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace ScoreServer {

struct TWorkPoolLimits {
    int Workers = 0;        // 0: DefaultWorkers()
    std::size_t Queue = 64; // jobs waiting or running, in all
    std::size_t PerKey = 4; // jobs waiting or running under one key
};

// One fewer than the machine's cores, and at least one: a core is always
// left to the threads that answer requests, whatever the priorities do.
int DefaultWorkers();

// Lowers the calling thread to run only when the CPU has nothing else to
// do: SCHED_IDLE, or the highest nice value where that is refused. On Linux
// both are the thread's own. False when neither could be set.
bool RunWhenIdle();

class TWorkPool {
public:
    using TJob = std::function<void()>;

    explicit TWorkPool(const TWorkPoolLimits& limits);
    ~TWorkPool();
    TWorkPool(const TWorkPool&) = delete;
    TWorkPool& operator=(const TWorkPool&) = delete;

    // Queues run under key. False (and neither job kept) when the queue or
    // the key's share is full, or the pool is stopping. Otherwise exactly
    // one of the two runs, on a worker: run in its turn, or dropped when
    // the pool stops before its turn came.
    bool Submit(const std::string& key, TJob run, TJob dropped);

    // Takes no more jobs, drops those still waiting, lets the running ones
    // end and joins the workers. Safe to call twice.
    void Stop();

    int Workers() const { return static_cast<int>(Threads.size()); }
    // Jobs waiting for a worker.
    std::size_t Waiting() const;
    // Jobs a worker is running now.
    std::size_t Running() const;

private:
    struct TEntry {
        TJob Run;
        TJob Dropped;
    };
    struct TKeyJobs {
        std::deque<TEntry> Waiting;
        std::size_t Held = 0; // waiting and running
    };
    void Work();

    TWorkPoolLimits Limits;
    mutable std::mutex Mutex;
    std::condition_variable Wake;
    std::unordered_map<std::string, TKeyJobs> Keys;
    std::deque<std::string> Fresh; // keys whose first waiting job came while none waited
    std::deque<std::string> Turns; // keys served before with more jobs waiting, in turn
    std::size_t Held = 0;          // waiting and running, in all
    std::size_t Busy = 0;
    bool Stopping = false;
    std::vector<std::thread> Threads;
};

} // namespace ScoreServer
