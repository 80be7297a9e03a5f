#include "wlib/HostTimers.h"

#include <algorithm>
#include <cstdint>

namespace WLib {

THostTimers::~THostTimers()
{
    for (TWinTimer* timer : LiveTimers)
        Scheduler.Delete(IdOf(timer));
}

TWinTimer* THostTimers::Create(int32_t code, int32_t param, THandler handler, TApp* target)
{
    TWinTimer* timer = Pool.Alloc();
    timer->Event.Code = code;
    timer->Event.Param = param;
    timer->Event.Handler = handler;
    timer->Event.Target = target;
    // The record stays put while its timer lives: Delete removes the
    // scheduler's timer before the record goes back to the pool.
    const Platform::TimerScheduler::TimerId id = Scheduler.Create([timer] { timer->Tick(); });
    timer->HostTimer = reinterpret_cast<void*>(static_cast<uintptr_t>(id));
    LiveTimers.push_back(timer);
    return timer;
}

void THostTimers::Delete(TWinTimer* timer)
{
    auto it = std::find(LiveTimers.begin(), LiveTimers.end(), timer);
    if (it == LiveTimers.end())
        return;
    LiveTimers.erase(it);
    Scheduler.Delete(IdOf(timer));
    Pool.Free(timer);
}

void THostTimers::Start(TWinTimer* timer, int32_t period)
{
    if (Owns(timer))
        Scheduler.Start(IdOf(timer), period);
}

void THostTimers::Stop(TWinTimer* timer)
{
    if (Owns(timer))
        Scheduler.Stop(IdOf(timer));
}

bool THostTimers::Running(const TWinTimer* timer) const
{
    return Owns(timer) && Scheduler.IsRunning(IdOf(timer));
}

int32_t THostTimers::Period(const TWinTimer* timer) const
{
    return Owns(timer) ? Scheduler.PeriodMs(IdOf(timer)) : 0;
}

Platform::TimerScheduler::TimerId THostTimers::IdOf(const TWinTimer* timer)
{
    return static_cast<Platform::TimerScheduler::TimerId>(reinterpret_cast<uintptr_t>(timer->HostTimer));
}

bool THostTimers::Owns(const TWinTimer* timer) const
{
    return std::find(LiveTimers.begin(), LiveTimers.end(), timer) != LiveTimers.end();
}

} // namespace WLib
