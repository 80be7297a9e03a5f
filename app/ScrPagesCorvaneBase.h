// TScrPagesCorvaneBase: how a page set reaches the main window. Repaint and
// close go to the window; timers are records from a pool, each backed by a
// timer of the window thread's scheduler, so that ticks arrive only from the
// main loop, between input events and paints.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/TimerScheduler.h"
#include "wlib/ScrPages.h"
#include "wlib/Timer.h"
#include "wlib/base/Heap.h"

namespace TumbletownApp {

class TGameForm;

class TScrPagesCorvaneBase : public WLib::TScrPagesBase {
public:
    explicit TScrPagesCorvaneBase(Platform::TimerScheduler& scheduler) : Scheduler(scheduler) {}
    ~TScrPagesCorvaneBase() override;
    TScrPagesCorvaneBase(const TScrPagesCorvaneBase&) = delete;
    TScrPagesCorvaneBase& operator=(const TScrPagesCorvaneBase&) = delete;

    // Marks the window for one full paint, made when the main loop next runs.
    void Repaint() override;
    // Ends the main loop; input already read but not yet handled is dropped.
    void Close() override;
    // A stopped timer whose ticks call handler with (code, param, target).
    WLib::TWinTimer* CreateTimer(int32_t code, int32_t param, WLib::THandler handler,
                                 WLib::TApp* target) override;
    // Removes the scheduler's timer and returns the record to the pool. A
    // record that did not come from this adaptor is left alone.
    void DeleteTimer(WLib::TWinTimer* timer) override;
    // Ticks every period milliseconds (at least the scheduler's minimum),
    // the first one period from now; a running timer starts over.
    void StartTimer(WLib::TWinTimer* timer, int32_t period) override;
    void StopTimer(WLib::TWinTimer* timer) override;

    // Timers created and not yet deleted.
    int LiveTimers() const { return static_cast<int>(Live.size()); }

    TGameForm* Window = nullptr;
    WLib::THeap<WLib::TWinTimer> Timers;

private:
    static Platform::TimerScheduler::TimerId IdOf(const WLib::TWinTimer* timer);
    bool Owns(const WLib::TWinTimer* timer) const;

    Platform::TimerScheduler& Scheduler;
    std::vector<WLib::TWinTimer*> Live; // a handful at most
};

} // namespace TumbletownApp
