#include "wlib/TestHost.h"

#include <algorithm>

#include "platform/desktop/PngFile.h"

namespace WLib {

TTestHost::TTestHost()
{
    Back = Platform::CreateCompatibleBitmap(kWidth, kHeight);
    Surface.DC = Platform::CreateMemoryDC();
    Platform::SelectBitmap(Surface.DC, Back);
    Surface.Font = TFont::NewDefault();
}

TTestHost::~TTestHost()
{
    for (TWinTimer* timer : Live)
        delete State(timer);
    Platform::DeleteDC(Surface.DC);
    Surface.DC = nullptr;
    Platform::DeleteBitmap(Back);
}

void TTestHost::Attach(TScrPages& pages)
{
    Pages = &pages;
    pages.Host = this;
    pages.Canvas.SetImpl(&Surface);
    TApp::Link(&pages);
    TApp::SetRect(&pages, TRect{0, 0, kWidth, kHeight});
}

void TTestHost::Start()
{
    if (Pages != nullptr)
        Pages->Events.ProcessEvents();
}

void TTestHost::Advance(int64_t ms)
{
    const int64_t until = Clock + std::max<int64_t>(ms, 0);
    for (;;) {
        TWinTimer* next = nullptr;
        for (TWinTimer* timer : Live) {
            TTestTimer* state = State(timer);
            if (!state->Running || state->Due > until)
                continue;
            if (next == nullptr || state->Due < State(next)->Due ||
                (state->Due == State(next)->Due && state->Order < State(next)->Order))
                next = timer;
        }
        if (next == nullptr)
            break;
        TTestTimer* state = State(next);
        Clock = state->Due;
        // Rescheduled before the tick: the tick may restart, stop or delete it.
        state->Due = Clock + state->Period;
        next->Tick();
    }
    Clock = until;
}

void TTestHost::Paint()
{
    RepaintWaiting = false;
    ++PaintCount;
    if (Pages != nullptr)
        Pages->PaintTree();
}

bool TTestHost::SavePng(const char* path) const
{
    return Back != nullptr && Platform::SavePng(Back, path);
}

bool TTestHost::PaintPending()
{
    if (!RepaintWaiting)
        return false;
    Paint();
    return true;
}

bool TTestHost::TimerRunning(const TWinTimer* timer) const
{
    return std::find(Live.begin(), Live.end(), timer) != Live.end() && State(timer)->Running;
}

int32_t TTestHost::TimerPeriod(const TWinTimer* timer) const
{
    return std::find(Live.begin(), Live.end(), timer) != Live.end() ? State(timer)->Period : 0;
}

void TTestHost::Repaint()
{
    ++Repaints;
    RepaintWaiting = true;
}

void TTestHost::Close()
{
    ++Closes;
}

TWinTimer* TTestHost::CreateTimer(int32_t code, int32_t param, THandler handler, TApp* target)
{
    TWinTimer* timer = Timers.Alloc();
    timer->Event.Code = code;
    timer->Event.Param = param;
    timer->Event.Handler = handler;
    timer->Event.Target = target;
    timer->HostTimer = new TTestTimer();
    Live.push_back(timer);
    return timer;
}

void TTestHost::DeleteTimer(TWinTimer* timer)
{
    auto it = std::find(Live.begin(), Live.end(), timer);
    if (it == Live.end())
        return;
    Live.erase(it);
    delete State(timer);
    Timers.Free(timer);
}

void TTestHost::StartTimer(TWinTimer* timer, int32_t period)
{
    if (std::find(Live.begin(), Live.end(), timer) == Live.end())
        return;
    TTestTimer* state = State(timer);
    state->Period = std::max(period, kMinPeriod);
    state->Due = Clock + state->Period;
    state->Running = true;
    state->Order = NextOrder++;
}

void TTestHost::StopTimer(TWinTimer* timer)
{
    if (std::find(Live.begin(), Live.end(), timer) != Live.end())
        State(timer)->Running = false;
}

} // namespace WLib
