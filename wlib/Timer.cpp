#include "wlib/Timer.h"

#include "wlib/ScrPages.h"

namespace WLib {

TTimer::~TTimer() = default;

bool TTimer::HandleEvent(int32_t code, int32_t param)
{
    if (code == evTick && PlatformTimer != nullptr && Pages != nullptr)
        Pages->PostAndProcess(TickId, 0);
    return TApp::HandleEvent(code, param);
}

void TTimer::Start(int32_t period)
{
    if (PlatformTimer != nullptr)
        Stop();
    if (Pages == nullptr || Pages->Host == nullptr)
        return;
    PlatformTimer = Pages->Host->CreateTimer(evTick, 0, CallDispatch, this);
    if (PlatformTimer != nullptr)
        Pages->Host->StartTimer(PlatformTimer, period);
}

void TTimer::Stop()
{
    if (PlatformTimer == nullptr)
        return;
    if (Pages != nullptr && Pages->Host != nullptr) {
        Pages->Host->StopTimer(PlatformTimer);
        Pages->Host->DeleteTimer(PlatformTimer);
    }
    PlatformTimer = nullptr;
}

} // namespace WLib
