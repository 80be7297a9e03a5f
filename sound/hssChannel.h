// The base of every mixing channel: volume, pan, loop and the play state.
#pragma once

#include <atomic>
#include <cstdint>

class hssSpeaker;

class hssChannel {
public:
    hssChannel() = default;
    hssChannel(const hssChannel&) = delete;
    hssChannel& operator=(const hssChannel&) = delete;

    // Volume = min(v, 64); subclasses also work out their effective volume.
    virtual void SetVolume(uint32_t v);
    // Pan = min(p, 255): 0 left, 128 centre, 255 right.
    virtual void SetPan(uint32_t p);
    virtual uint32_t SetPosition(uint32_t position);
    virtual uint32_t GetPosition();
    virtual uint32_t GetLength();

    // Playing = not stopped and not paused; free = stopped and not paused.
    bool IsPlaying() const
    {
        return !Stopped.load(std::memory_order_relaxed) && !Paused.load(std::memory_order_relaxed);
    }
    bool IsFree() const
    {
        return Stopped.load(std::memory_order_relaxed) && !Paused.load(std::memory_order_relaxed);
    }
    void Start(bool paused);
    void Halt();

    hssSpeaker* Speaker = nullptr;
    uint32_t Volume = 0;
    uint32_t EffVolume = 0;
    uint32_t Pan = 0;
    uint8_t Loop = 0;
    // The play flags are read without the lock (CountPlayingMusic) while the
    // feeder thread may halt the channel: atomic bytes, relaxed order.
    std::atomic<uint8_t> Paused{0};
    std::atomic<uint8_t> Stopped{1};
    uint32_t SourceRate = 0;
    uint32_t PlayRate = 0;
    uint8_t Recalc = 0;
    uint32_t Reserved = 0;
    // The speaker's frame counter when the mixer last halted this channel by
    // itself (end of sample or song): the length of what it played.
    uint64_t HaltFrame = 0;

protected:
    ~hssChannel() = default;
};
