// TTestHost: a host for a page set in tests and tools. Time is virtual: the
// timers are the game's own (wlib/HostTimers.h over the window thread's
// scheduler), on a clock that moves only when the caller advances it.
// Repaint requests and close are recorded, and the page set paints into an
// off-screen 800 x 600 picture that can be read back or saved as a PNG.
#pragma once

#include <cstdint>

#include "platform/TimerScheduler.h"
#include "platform/desktop/Bitmap.h"
#include "platform/desktop/DeviceContext.h"
#include "wlib/HostTimers.h"
#include "wlib/ScrPages.h"
#include "wlib/Timer.h"
#include "wlib/graphics/Canvas.h"

namespace WLib {

class TTestHost : public TScrPagesBase {
public:
    static constexpr int32_t kWidth = 800;
    static constexpr int32_t kHeight = 600;
    // Shorter periods run at this one, as on the real window.
    static constexpr int32_t kMinPeriod = Platform::TimerScheduler::kMinimumPeriodMs;

    TTestHost();
    ~TTestHost() override;
    TTestHost(const TTestHost&) = delete;
    TTestHost& operator=(const TTestHost&) = delete;

    // What the window does at start: the page set gets this host, the
    // off-screen surface and the 800 x 600 rectangle. Call before building
    // pages into it; call Start after building them. Every element of the
    // tree refers to the host's surface: the host must outlive the page set.
    void Attach(TScrPages& pages);
    // Drains the queue once, as the window does after building its pages.
    void Start();

    // Moves the virtual clock forward by ms, stopping at every moment a timer
    // comes due to let the scheduler fire what is due then, as the main loop
    // does when it wakes: each timer at most once per period, late ticks not
    // made up, timers due together in the order they were created.
    void Advance(int64_t ms);
    int64_t Now() const { return Clock; }

    // Paints the whole tree into the off-screen picture, as a window paint
    // does, and forgets the repaint requests so far.
    void Paint();
    // Paints only when a repaint was requested since the last paint.
    bool PaintPending();

    // The off-screen picture (5-6-5, 800 x 600) as last painted.
    const Platform::Bitmap* Picture() const { return Back; }
    uint16_t Pixel(int32_t x, int32_t y) const { return Back != nullptr ? Back->Pixel(x, y) : 0; }
    bool SavePng(const char* path) const;

    int RepaintRequests() const { return Repaints; }
    int Paints() const { return PaintCount; }
    int CloseRequests() const { return Closes; }
    bool RepaintRequested() const { return RepaintWaiting; }

    // Live host timers (created and not yet deleted) and their state.
    int TimerCount() const { return Timers.Live(); }
    bool TimerRunning(const TWinTimer* timer) const;
    int32_t TimerPeriod(const TWinTimer* timer) const;

    void Repaint() override;
    void Close() override;
    TWinTimer* CreateTimer(int32_t code, int32_t param, THandler handler, TApp* target) override;
    void DeleteTimer(TWinTimer* timer) override;
    void StartTimer(TWinTimer* timer, int32_t period) override;
    void StopTimer(TWinTimer* timer) override;

private:
    TScrPages* Pages = nullptr;
    // The surface the page set draws on: embedded like the window's canvas,
    // its device context drawing into Back.
    TCanvasGDIBase Surface;
    Platform::Bitmap* Back = nullptr;
    int64_t Clock = 0;
    Platform::TimerScheduler Scheduler{[this] { return Clock; }};
    THostTimers Timers{Scheduler};
    int Repaints = 0;
    int PaintCount = 0;
    int Closes = 0;
    bool RepaintWaiting = false;
};

} // namespace WLib
