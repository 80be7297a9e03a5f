// The window thread's periodic timers: one table of {id, period, due} that the
// main loop consults. It sleeps until the earliest due time, handles the input
// that woke it, then lets the due timers fire. Timers never fire by
// themselves: only FireDue fires them, so none can run inside an event drain,
// a paint or an input handler.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace Platform {

class TimerScheduler {
public:
    using TimerId = std::uint32_t;
    using Callback = std::function<void()>;
    // Milliseconds of a monotonic clock; tests pass a clock they move by hand.
    using Clock = std::function<std::int64_t()>;

    static constexpr int kMinimumPeriodMs = 10;

    // A scheduler on the given clock (the monotonic system clock when empty).
    explicit TimerScheduler(Clock clock = {});

    // A new stopped timer calling callback on each tick. Ids are never reused.
    TimerId Create(Callback callback);
    // Removes the timer; later calls with its id do nothing.
    void Delete(TimerId id);
    // Starts the timer, or restarts it if running: the first tick is one
    // period from now. Periods under 10 ms run at 10 ms.
    void Start(TimerId id, int periodMs);
    void Stop(TimerId id);
    bool IsRunning(TimerId id) const;
    // The period the timer last started with (the minimum before its first
    // start), 0 for an unknown id.
    int PeriodMs(TimerId id) const;

    // Milliseconds until the earliest running timer is due: 0 when one is due
    // already, -1 when none runs (sleep until input).
    int MillisecondsUntilDue() const;

    // Fires every timer that is due now, each at most once, and reschedules
    // it one period from the moment it fires: late ticks are not made up.
    // A callback may create, start, stop or delete any timer, its own
    // included; a timer stopped or deleted by an earlier callback of this
    // round does not fire, one restarted is not due until its new period ran.
    // Returns the number of callbacks run. A call from inside a callback does
    // nothing and returns 0.
    int FireDue();

    std::int64_t Now() const { return clock_(); }

private:
    struct Entry {
        TimerId id;
        int periodMs;
        std::int64_t due;
        bool running;
        std::shared_ptr<Callback> callback; // kept alive while it runs
    };

    Entry* Find(TimerId id);
    const Entry* Find(TimerId id) const;

    Clock clock_;
    std::vector<Entry> entries_;
    TimerId nextId_ = 1;
    bool firing_ = false;
};

} // namespace Platform
