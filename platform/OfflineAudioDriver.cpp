#include "platform/OfflineAudioDriver.h"

#include <cstring>
#include <new>

TOfflineAudioDriver::~TOfflineAudioDriver()
{
    Close();
}

int TOfflineAudioDriver::Open(const hssFormat* format, uint32_t bufferFrames, void* user,
                              hssMixCallback callback)
{
    if (Opened)
        return -2;
    if (format == nullptr || callback == nullptr)
        return -1;
    hssBufferLayout layout;
    if (hssDriver::PlanBuffers(*format, bufferFrames, &layout) != 0)
        return -1;
    Memory.reset(new (std::nothrow) uint8_t[layout.TotalBytes]);
    if (!Memory)
        return -10;
    std::memset(Memory.get(), layout.Silence, layout.TotalBytes);
    Buffers = layout;
    Callback = callback;
    User = user;
    Next = 0;
    Opened = true;
    Paused = true;
    return 0;
}

int TOfflineAudioDriver::Close()
{
    if (!Opened)
        return -3;
    std::lock_guard<std::mutex> hold(MixLock);
    Opened = false;
    Paused = true;
    Memory.reset();
    return 0;
}

void TOfflineAudioDriver::Lock()
{
    if (Opened)
        MixLock.lock();
}

void TOfflineAudioDriver::Unlock()
{
    if (Opened)
        MixLock.unlock();
}

void TOfflineAudioDriver::Pause()
{
    Paused = true;
}

void TOfflineAudioDriver::Resume()
{
    Paused = false;
}

const uint8_t* TOfflineAudioDriver::RenderBuffer()
{
    if (!Opened)
        return nullptr;
    std::lock_guard<std::mutex> hold(MixLock);
    uint8_t* buffer = Memory.get() + size_t(Next) * Buffers.BufferBytes;
    if (Paused)
        std::memset(buffer, Buffers.Silence, Buffers.BufferBytes);
    else
        Callback(User, buffer, Buffers.BufferBytes);
    Next = (Next + 1) % Buffers.BufferCount;
    return buffer;
}

hssDriverFactory TOfflineAudioDriver::Factory()
{
    return [] { return static_cast<hssDriver*>(new (std::nothrow) TOfflineAudioDriver); };
}
