// The mixing channel that plays one sample at a time, nearest frame, with an
// 8.8 fixed-point step.
#pragma once

#include "sound/hssChannel.h"

#include <cstdint>

class hssSound;

class hssSoundChannel final : public hssChannel {
public:
    // Volume = min(v, 64); EffVolume = SoundMaster * Volume >> 6.
    void SetVolume(uint32_t v) override;
    // Positions in units of Position >> (8 for 8-bit data, 9 for 16-bit, one
    // more for stereo); SetPosition takes the driver lock.
    uint32_t SetPosition(uint32_t position) override;
    uint32_t GetPosition() override;
    uint32_t GetLength() override;

    // Takes the sample's data and settings (called by PlaySound under the
    // lock); does not start the channel.
    void Setup(const hssSound& sound);
    // One output frame: adds this channel's frame to the sound accumulators,
    // or halts the channel at the end of a sample that does not loop.
    void FrameStep(int32_t& left, int32_t& right, bool stereoOut, uint32_t outputRate, uint64_t frame);

    const uint8_t* Data = nullptr; // the sample's data, not owned
    uint32_t Step = 0;             // frames per output frame, 8.8
    uint64_t Position = 0;         // current frame, 8 fractional bits
    uint64_t End = 0;              // Frames << 8
    uint8_t Is8Bit = 1;
    uint8_t IsStereo = 0;

private:
    uint32_t PositionShift() const { return (Is8Bit ? 8 : 9) + (IsStereo ? 1 : 0); }
};
