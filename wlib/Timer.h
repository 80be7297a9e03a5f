// TTimer turns the ticks of a host timer into dispatched events of its own
// code; TWinTimer is the record a host hands out for one running timer.
#pragma once

#include <cstdint>

#include "wlib/App.h"
#include "wlib/Events.h"

namespace WLib {

// One host timer. The host keeps whatever it needs in HostTimer; on every
// tick it calls Tick, which runs Event's handler with Event.
struct TWinTimer {
    void* HostTimer = nullptr;
    TEvent Event; // Prev and Next are not used

    void Tick() { Event.Handler(&Event); }
};

class TTimer : public TApp {
public:
    // Does not stop a running timer: timers live as long as their page set,
    // whose host may already be gone when they are destroyed.
    ~TTimer() override;

    // On evTick while running: the tick code goes to the whole tree at once.
    bool HandleEvent(int32_t code, int32_t param) override;

    // (Re)starts with the period in milliseconds; a running timer is replaced
    // by a new host timer. Needs the timer to be in a page set with a host.
    void Start(int32_t period);
    void Stop();

    int32_t TickId = NewId();           // posted on every tick
    TWinTimer* PlatformTimer = nullptr; // null while stopped
};

} // namespace WLib
