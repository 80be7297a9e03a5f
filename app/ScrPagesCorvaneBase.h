// TScrPagesCorvaneBase: how a page set reaches the main window. Repaint and
// close go to the window; the timers are the window thread's scheduler's
// (wlib/HostTimers.h), so that ticks arrive only from the main loop, between
// input events and paints.
#pragma once

#include <cstdint>

#include "platform/TimerScheduler.h"
#include "wlib/HostTimers.h"
#include "wlib/ScrPages.h"
#include "wlib/Timer.h"

namespace TumbletownApp {

class TGameForm;

class TScrPagesCorvaneBase : public WLib::TScrPagesBase {
public:
    explicit TScrPagesCorvaneBase(Platform::TimerScheduler& scheduler) : Timers(scheduler) {}
    TScrPagesCorvaneBase(const TScrPagesCorvaneBase&) = delete;
    TScrPagesCorvaneBase& operator=(const TScrPagesCorvaneBase&) = delete;

    // Marks the window for one full paint, made when the main loop next runs.
    void Repaint() override;
    // Ends the main loop; input already read but not yet handled is dropped.
    void Close() override;
    // The timers, as THostTimers keeps them.
    WLib::TWinTimer* CreateTimer(int32_t code, int32_t param, WLib::THandler handler,
                                 WLib::TApp* target) override
    {
        return Timers.Create(code, param, handler, target);
    }
    void DeleteTimer(WLib::TWinTimer* timer) override { Timers.Delete(timer); }
    void StartTimer(WLib::TWinTimer* timer, int32_t period) override { Timers.Start(timer, period); }
    void StopTimer(WLib::TWinTimer* timer) override { Timers.Stop(timer); }

    // Timers created and not yet deleted.
    int LiveTimers() const { return Timers.Live(); }

    TGameForm* Window = nullptr;

private:
    WLib::THostTimers Timers;
};

} // namespace TumbletownApp
