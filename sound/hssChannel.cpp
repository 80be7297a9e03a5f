#include "sound/hssChannel.h"

void hssChannel::SetVolume(uint32_t v)
{
    Volume = v < 64 ? v : 64;
}

void hssChannel::SetPan(uint32_t p)
{
    Pan = p < 255 ? p : 255;
}

uint32_t hssChannel::SetPosition(uint32_t)
{
    return 0;
}

uint32_t hssChannel::GetPosition()
{
    return 0;
}

uint32_t hssChannel::GetLength()
{
    return 0;
}

void hssChannel::Start(bool paused)
{
    Stopped.store(0, std::memory_order_relaxed);
    Paused.store(paused ? 1 : 0, std::memory_order_relaxed);
}

void hssChannel::Halt()
{
    Stopped.store(1, std::memory_order_relaxed);
    Paused.store(0, std::memory_order_relaxed);
}
