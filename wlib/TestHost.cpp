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
        const int wait = Scheduler.MillisecondsUntilDue();
        if (wait < 0 || Clock + wait > until)
            break;
        Clock += wait;
        Scheduler.FireDue();
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
    return Timers.Running(timer);
}

int32_t TTestHost::TimerPeriod(const TWinTimer* timer) const
{
    return Timers.Period(timer);
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
    return Timers.Create(code, param, handler, target);
}

void TTestHost::DeleteTimer(TWinTimer* timer)
{
    Timers.Delete(timer);
}

void TTestHost::StartTimer(TWinTimer* timer, int32_t period)
{
    Timers.Start(timer, period);
}

void TTestHost::StopTimer(TWinTimer* timer)
{
    Timers.Stop(timer);
}

} // namespace WLib
