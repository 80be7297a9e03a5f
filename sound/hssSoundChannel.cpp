#include "sound/hssSoundChannel.h"

#include "platform/hssDriver.h"
#include "sound/hssSound.h"
#include "sound/hssSpeaker.h"

void hssSoundChannel::SetVolume(uint32_t v)
{
    Volume = v < 64 ? v : 64;
    const uint32_t master = Speaker != nullptr ? Speaker->SoundMaster : 64;
    EffVolume = master * Volume >> 6;
}

uint32_t hssSoundChannel::SetPosition(uint32_t position)
{
    if (Speaker != nullptr)
        Speaker->LockDriver();
    Position = uint64_t(position) << PositionShift();
    if (Speaker != nullptr)
        Speaker->UnlockDriver();
    return 0;
}

uint32_t hssSoundChannel::GetPosition()
{
    return uint32_t(Position >> PositionShift());
}

uint32_t hssSoundChannel::GetLength()
{
    return uint32_t(End >> PositionShift());
}

void hssSoundChannel::Setup(const hssSound& sound)
{
    Data = sound.Data;
    SourceRate = sound.SampleRate;
    PlayRate = sound.PlayRate;
    Reserved = sound.Reserved;
    Recalc = 1;
    Position = 0;
    End = uint64_t(sound.Frames) << 8;
    Loop = sound.LoopFlag ? 1 : 0;
    Pan = sound.PanPos;
    Is8Bit = sound.Is8Bit;
    IsStereo = sound.IsStereo;
}

void hssSoundChannel::FrameStep(int32_t& left, int32_t& right, bool stereoOut, uint32_t outputRate,
                                uint64_t frame)
{
    if (Recalc) {
        // In 64 bits: rates of 65536 Hz and more would overflow PlayRate << 16.
        const uint64_t divisor = uint64_t(outputRate) << 8;
        const uint64_t step = divisor == 0 ? 0 : (uint64_t(PlayRate) << 16) / divisor;
        // A step of 0 (a rate under 1/256 of the output rate) would never
        // reach the end and hold the channel for ever.
        Step = step == 0 ? 1 : step > 0xFFFFFFFF ? 0xFFFFFFFF : uint32_t(step);
        Recalc = 0;
    }
    if (Loop && Position >= End)
        Position -= End;
    if (Position >= End) {
        Halt();
        HaltFrame = frame;
        return;
    }
    const uint64_t f = Position >> 8;
    int32_t l;
    int32_t r = 0;
    if (Is8Bit) {
        const uint8_t* p = Data + (IsStereo ? f * 2 : f);
        l = (int32_t(p[0]) - 128) * 256;
        if (IsStereo)
            r = (int32_t(p[1]) - 128) * 256;
    } else {
        const uint8_t* p = Data + (IsStereo ? f * 4 : f * 2);
        l = int16_t(uint16_t(p[0] | p[1] << 8));
        if (IsStereo)
            r = int16_t(uint16_t(p[2] | p[3] << 8));
    }
    const int32_t e = int32_t(EffVolume);
    if (!stereoOut) {
        left += e * l;
        if (IsStereo)
            left += e * r;
    } else if (Pan == 128) {
        left += e * l;
        right += e * (IsStereo ? r : l);
    } else {
        const int32_t v = 2 * e;
        const int32_t toRight = int32_t(Pan) * v >> 8;
        left += (v - toRight) * l;
        right += toRight * l;
        if (IsStereo) {
            // Both source channels are panned to the same place.
            left += (v - toRight) * r;
            right += toRight * r;
        }
    }
    Position += Step;
}
