#include "platform/desktop/SdlAudioDriver.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <system_error>

#include <SDL2/SDL.h>

struct TSdlAudioCallback {
    static void SDLCALL Call(void* self, Uint8* stream, int len)
    {
        static_cast<TSdlAudioDriver*>(self)->Pull(stream, len);
    }
};

TSdlAudioDriver::~TSdlAudioDriver()
{
    Close();
}

int TSdlAudioDriver::Open(const hssFormat* format, uint32_t bufferFrames, void* user, hssMixCallback callback)
{
    if (Opened)
        return -2;
    if (format == nullptr || callback == nullptr)
        return -1;
    hssBufferLayout layout;
    if (hssDriver::PlanBuffers(*format, bufferFrames, &layout) != 0)
        return -1;
    Callback = callback;
    User = user;
    Format = *format;
    NameTheStream();
    Memory.reset(new (std::nothrow) uint8_t[layout.TotalBytes]);
    if (!Memory)
        return -10;
    std::memset(Memory.get(), layout.Silence, layout.TotalBytes);
    Buffers = layout;

    // Every buffer starts queued, holding silence, on a paused device.
    Done = 0;
    Queued = Buffers.BufferCount;
    PlayIndex = 0;
    PlayOffset = 0;
    StopRequest = false;
    Suspended = true;
    Mixed = 0;
    Current = 0;
    try {
        Feeder = std::thread(&TSdlAudioDriver::Feed, this);
    } catch (const std::system_error&) {
        Memory.reset();
        return -4;
    }

    bool opened = false;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        const int devices = SDL_GetNumAudioDevices(0);
        for (int i = 0; i < devices && !opened; ++i) {
            const char* name = SDL_GetAudioDeviceName(i, 0);
            opened = name != nullptr && OpenDevice(name);
        }
        // Some back ends list no devices but have a default one.
        if (!opened)
            opened = OpenDevice(nullptr);
        if (!opened)
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    if (!opened) {
        {
            std::lock_guard<std::mutex> hold(Ring);
            StopRequest = true;
        }
        RingChanged.notify_all();
        Feeder.join();
        Memory.reset();
        return -1;
    }
    Opened = true;
    Paused = true;
    return 0;
}

void TSdlAudioDriver::NameTheStream()
{
    // How the desktop's mixer (PulseAudio, PipeWire) names and sorts our
    // stream; read when a device opens. A player's own SDL_AUDIO_DEVICE_*
    // variables still win over these.
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, kSdlAudioAppName);
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, kSdlAudioStreamName);
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_ROLE, kSdlAudioStreamRole);
    // SDL's PulseAudio back end passes no role on (only its PipeWire one
    // does): libpulse takes it from the client's properties in PULSE_PROP,
    // and the server gives them to our stream. Set before any other thread
    // of the driver runs, and never over the player's own.
    static const std::string kRoleProperty = std::string("media.role=") + kSdlAudioStreamRole;
    setenv("PULSE_PROP", kRoleProperty.c_str(), 0);
}

bool TSdlAudioDriver::OpenDevice(const char* name)
{
    SDL_AudioSpec want;
    SDL_zero(want);
    want.freq = int(Format.Rate);
    want.format = (Format.Flags & kHssFormat16Bit) ? AUDIO_S16LSB : AUDIO_U8;
    want.channels = Uint8(Format.Channels);
    want.samples = Uint16(Buffers.BufferBytes / Buffers.FrameBytes);
    want.callback = &TSdlAudioCallback::Call;
    want.userdata = this;
    SDL_AudioSpec have;
    // No changes allowed: SDL converts whatever the device really takes.
    Device = SDL_OpenAudioDevice(name, 0, &want, &have, 0);
    return Device != 0;
}

int TSdlAudioDriver::Close()
{
    if (!Opened)
        return -3;
    {
        std::lock_guard<std::mutex> mixing(MixLock);
        std::lock_guard<std::mutex> hold(Ring);
        Suspended = false;
        StopRequest = true;
    }
    RingChanged.notify_all();
    Feeder.join();
    // Waits for a running callback; none comes after.
    SDL_CloseAudioDevice(Device);
    Device = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    Memory.reset();
    Opened = false;
    Paused = true;
    return 0;
}

void TSdlAudioDriver::Lock()
{
    if (Opened)
        MixLock.lock();
}

void TSdlAudioDriver::Unlock()
{
    if (Opened)
        MixLock.unlock();
}

void TSdlAudioDriver::Pause()
{
    if (!Opened || Paused)
        return;
    {
        std::lock_guard<std::mutex> mixing(MixLock);
        SDL_PauseAudioDevice(Device, 1);
        std::lock_guard<std::mutex> hold(Ring);
        Suspended = true;
    }
    Paused = true;
}

void TSdlAudioDriver::Resume()
{
    if (!Opened || !Paused)
        return;
    {
        std::lock_guard<std::mutex> mixing(MixLock);
        {
            std::lock_guard<std::mutex> hold(Ring);
            Suspended = false;
        }
        RingChanged.notify_all();
        SDL_PauseAudioDevice(Device, 0);
    }
    Paused = false;
}

uint64_t TSdlAudioDriver::BuffersMixed()
{
    std::lock_guard<std::mutex> hold(Ring);
    return Mixed;
}

void TSdlAudioDriver::Feed()
{
    SDL_SetThreadPriority(SDL_THREAD_PRIORITY_HIGH);
    std::unique_lock<std::mutex> ring(Ring);
    for (;;) {
        RingChanged.wait(ring, [this] { return StopRequest || (!Suspended && Done > 0); });
        if (StopRequest)
            break;
        --Done;
        ring.unlock();
        {
            // The buffer at Current has been played: nothing else touches it
            // until it is queued again below.
            std::lock_guard<std::mutex> mixing(MixLock);
            Callback(User, Memory.get() + size_t(Current) * Buffers.BufferBytes, Buffers.BufferBytes);
            Current = (Current + 1) % Buffers.BufferCount;
        }
        ring.lock();
        ++Queued;
        ++Mixed;
    }
}

void TSdlAudioDriver::Pull(uint8_t* stream, int len)
{
    bool released = false;
    {
        std::lock_guard<std::mutex> hold(Ring);
        while (len > 0) {
            if (Queued == 0) {
                // The feeder fell behind: the device gets silence meanwhile.
                std::memset(stream, Buffers.Silence, size_t(len));
                break;
            }
            const uint8_t* buffer = Memory.get() + size_t(PlayIndex) * Buffers.BufferBytes;
            uint32_t n = Buffers.BufferBytes - PlayOffset;
            if (n > uint32_t(len))
                n = uint32_t(len);
            std::memcpy(stream, buffer + PlayOffset, n);
            stream += n;
            len -= int(n);
            PlayOffset += n;
            if (PlayOffset == Buffers.BufferBytes) {
                PlayOffset = 0;
                PlayIndex = (PlayIndex + 1) % Buffers.BufferCount;
                --Queued;
                if (Done < Buffers.BufferCount + 1)
                    ++Done;
                released = true;
            }
        }
    }
    if (released)
        RingChanged.notify_all();
}

hssDriverFactory TSdlAudioDriver::Factory()
{
    return [] { return static_cast<hssDriver*>(new (std::nothrow) TSdlAudioDriver); };
}
