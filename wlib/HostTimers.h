// THostTimers: the timers a host gives its page set, each a record from a
// pool backed by a timer of the window thread's scheduler, so that ticks
// arrive only when the host's loop lets the scheduler fire them. The main
// window's host and the test host both keep theirs here: the screens run on
// the same timer rules in the game and in the tests, only the clock differs.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/TimerScheduler.h"
#include "wlib/App.h"
#include "wlib/Timer.h"
#include "wlib/base/Heap.h"

namespace WLib {

class THostTimers {
public:
    explicit THostTimers(Platform::TimerScheduler& scheduler) : Scheduler(scheduler) {}
    // Removes every scheduler timer still live.
    ~THostTimers();
    THostTimers(const THostTimers&) = delete;
    THostTimers& operator=(const THostTimers&) = delete;

    // A stopped timer whose ticks call handler with (code, param, target).
    TWinTimer* Create(int32_t code, int32_t param, THandler handler, TApp* target);
    // Removes the scheduler's timer and returns the record to the pool. A
    // record that did not come from here is left alone.
    void Delete(TWinTimer* timer);
    // Ticks every period milliseconds (at least the scheduler's minimum),
    // the first one period from now; a running timer starts over.
    void Start(TWinTimer* timer, int32_t period);
    void Stop(TWinTimer* timer);

    // Timers created and not yet deleted, and their state (false and 0 for a
    // timer that is not one of them).
    int Live() const { return static_cast<int>(LiveTimers.size()); }
    bool Running(const TWinTimer* timer) const;
    int32_t Period(const TWinTimer* timer) const;

private:
    static Platform::TimerScheduler::TimerId IdOf(const TWinTimer* timer);
    bool Owns(const TWinTimer* timer) const;

    Platform::TimerScheduler& Scheduler;
    THeap<TWinTimer> Pool;
    std::vector<TWinTimer*> LiveTimers; // a handful at most
};

} // namespace WLib
