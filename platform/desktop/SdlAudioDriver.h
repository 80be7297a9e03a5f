// The output driver over SDL2 audio. It keeps a ring of 30 ms buffers: the
// device pulls whole buffers from its callback, and a feeder thread refills
// each finished buffer by calling the mixer with the driver's lock held.
#pragma once

#include "platform/hssDriver.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

// What the desktop's sound server shows for the game's output stream.
constexpr const char* kSdlAudioAppName = "Tumbletown";
constexpr const char* kSdlAudioStreamName = "Tumbletown";
constexpr const char* kSdlAudioStreamRole = "game"; // the media role of games

class TSdlAudioDriver final : public hssDriver {
public:
    TSdlAudioDriver() = default;
    ~TSdlAudioDriver() override;

    // Opens the first audio device that takes the format as it is, trying
    // them in order and then the default one; -1 when none opens (also when
    // SDL audio cannot start), -4 when the feeder thread cannot start.
    int Open(const hssFormat* format, uint32_t bufferFrames, void* user, hssMixCallback callback) override;
    int Close() override;
    void Lock() override;
    void Unlock() override;
    void Pause() override;
    void Resume() override;

    // A factory for hssSpeaker::SetDriverFactory or the default factory.
    static hssDriverFactory Factory();

    bool IsOpen() const { return Opened; }
    bool IsPaused() const { return Paused; }
    const hssBufferLayout& Layout() const { return Buffers; }
    // Buffers the feeder thread has mixed since Open.
    uint64_t BuffersMixed();

private:
    // The device's callback (in the source file, so that SDL stays out of
    // this header) hands its requests to Pull.
    friend struct TSdlAudioCallback;
    void Feed();
    void Pull(uint8_t* stream, int len);
    bool OpenDevice(const char* name);
    // The application and stream name and the media role for the sound server.
    static void NameTheStream();

    hssFormat Format;
    hssBufferLayout Buffers;
    std::unique_ptr<uint8_t[]> Memory;
    hssMixCallback Callback = nullptr;
    void* User = nullptr;
    uint32_t Device = 0; // SDL_AudioDeviceID, 0 when closed
    std::thread Feeder;
    std::mutex MixLock; // the driver's lock: mixing against channel changes

    // Shared by the feeder thread and the device callback.
    std::mutex Ring;
    std::condition_variable RingChanged;
    uint32_t Done = 0;      // buffers played and not yet refilled
    uint32_t Queued = 0;    // buffers ready for the device, from PlayIndex on
    uint32_t PlayIndex = 0; // buffer the device reads from
    uint32_t PlayOffset = 0;
    bool StopRequest = false;
    bool Suspended = true;
    uint64_t Mixed = 0;

    uint32_t Current = 0; // next buffer to refill (feeder thread only)
    bool Opened = false;
    bool Paused = true;
};
