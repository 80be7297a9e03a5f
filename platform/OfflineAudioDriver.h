// An output driver without a device or real time: it mixes consecutive
// buffers of the same sizes as the real driver whenever asked, for tests and
// for rendering sound to files.
#pragma once

#include "platform/hssDriver.h"

#include <cstdint>
#include <memory>
#include <mutex>

class TOfflineAudioDriver final : public hssDriver {
public:
    TOfflineAudioDriver() = default;
    ~TOfflineAudioDriver() override;

    int Open(const hssFormat* format, uint32_t bufferFrames, void* user, hssMixCallback callback) override;
    int Close() override;
    void Lock() override;
    void Unlock() override;
    void Pause() override;
    void Resume() override;

    // Mixes the next buffer of the ring and returns it (BufferBytes long).
    // While paused the mixer is not called and the buffer holds silence, as
    // a paused device plays. Null when not open.
    const uint8_t* RenderBuffer();

    // A factory for hssSpeaker::SetDriverFactory.
    static hssDriverFactory Factory();

    bool IsOpen() const { return Opened; }
    bool IsPaused() const { return Paused; }
    const hssBufferLayout& Layout() const { return Buffers; }
    uint32_t Current() const { return Next; }

private:
    hssBufferLayout Buffers;
    std::unique_ptr<uint8_t[]> Memory;
    hssMixCallback Callback = nullptr;
    void* User = nullptr;
    std::mutex MixLock;
    uint32_t Next = 0;
    bool Opened = false;
    bool Paused = true;
};
