#include "app/ScrPagesCorvaneBase.h"

#include <algorithm>

#include "app/GameForm.h"

namespace TumbletownApp {

using WLib::TWinTimer;

TScrPagesCorvaneBase::~TScrPagesCorvaneBase()
{
    for (TWinTimer* timer : Live)
        Scheduler.Delete(IdOf(timer));
}

void TScrPagesCorvaneBase::Repaint()
{
    if (Window != nullptr)
        Window->Invalidate();
}

void TScrPagesCorvaneBase::Close()
{
    if (Window != nullptr)
        Window->Close();
}

TWinTimer* TScrPagesCorvaneBase::CreateTimer(int32_t code, int32_t param, WLib::THandler handler,
                                             WLib::TApp* target)
{
    TWinTimer* timer = Timers.Alloc();
    timer->Event.Code = code;
    timer->Event.Param = param;
    timer->Event.Handler = handler;
    timer->Event.Target = target;
    // The record stays put while its timer lives: DeleteTimer removes the
    // scheduler's timer before the record goes back to the pool.
    const Platform::TimerScheduler::TimerId id = Scheduler.Create([timer] { timer->Tick(); });
    timer->HostTimer = reinterpret_cast<void*>(static_cast<uintptr_t>(id));
    Live.push_back(timer);
    return timer;
}

void TScrPagesCorvaneBase::DeleteTimer(TWinTimer* timer)
{
    auto it = std::find(Live.begin(), Live.end(), timer);
    if (it == Live.end())
        return;
    Live.erase(it);
    Scheduler.Delete(IdOf(timer));
    Timers.Free(timer);
}

void TScrPagesCorvaneBase::StartTimer(TWinTimer* timer, int32_t period)
{
    if (Owns(timer))
        Scheduler.Start(IdOf(timer), period);
}

void TScrPagesCorvaneBase::StopTimer(TWinTimer* timer)
{
    if (Owns(timer))
        Scheduler.Stop(IdOf(timer));
}

Platform::TimerScheduler::TimerId TScrPagesCorvaneBase::IdOf(const TWinTimer* timer)
{
    return static_cast<Platform::TimerScheduler::TimerId>(reinterpret_cast<uintptr_t>(timer->HostTimer));
}

bool TScrPagesCorvaneBase::Owns(const TWinTimer* timer) const
{
    return std::find(Live.begin(), Live.end(), timer) != Live.end();
}

} // namespace TumbletownApp
