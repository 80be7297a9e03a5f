// The mixing channel that plays one module: it reads the patterns row by
// row, runs the effects tick by tick and mixes the module's channels into the
// speaker's music accumulators, one call per output frame.
#pragma once

#include "sound/hssChannel.h"
#include "sound/hssMusic.h"

#include <cstdint>

class hssMusicChannel final : public hssChannel {
public:
    static constexpr uint32_t kNoJump = 0xFFFFFF;
    static constexpr uint32_t kDelayDue = 0xFFFFFFFF; // note delay: sound on this tick
    static constexpr uint32_t kDelayDone = 0xFFFFFF;  // note delay: nothing pending

    hssMusicChannel();

    // Volume = min(v, 64); EffVolume = MusicMaster * Volume >> 6; every module
    // channel's effective volume follows.
    void SetVolume(uint32_t v) override;
    // Stereo separation: 255 puts even and odd module channels a quarter to
    // each side, 0 nearly in the middle.
    void SetPan(uint32_t s) override;
    // Song position as order * 64 + row. Returns 0, or (v >> 6) + 1 without a
    // change when that is past the song; takes the driver lock.
    uint32_t SetPosition(uint32_t v) override;
    uint32_t GetPosition() override;
    uint32_t GetLength() override;

    // Prepares the channel for a module whose channel count is 1 to 32
    // (called by PlayMusic under the lock); starts it.
    void Setup(const hssMusic& music);
    // Adds `frames` output frames of the module to the music accumulators
    // (right is not touched for mono output); `frame` is the speaker's count
    // of the first one. Nearest byte as designed, or with `smooth` a line
    // between neighbouring bytes. Returns the frames played: fewer when the
    // song ended and the channel halted.
    uint32_t Render(int32_t* left, int32_t* right, uint32_t frames, bool stereoOut, bool smooth,
                    uint32_t outputRate, uint64_t frame);

    const uint8_t* Module = nullptr;   // the file image, not owned
    const uint8_t* Patterns = nullptr; // Module + 1084
    uint32_t Channels = 0;
    uint32_t Pattern = 0;
    uint32_t RowPos = 0; // row * Channels
    uint32_t Order = 0;
    uint32_t Restart = 0;
    uint32_t TickLen = 0;
    uint32_t TickCount = 0;
    uint32_t Speed = 6;
    uint32_t RowTick = 0;

    uint32_t NoteIdx[kHssModMaxChannels] = {};
    int32_t ChPeriod[kHssModMaxChannels] = {};
    uint32_t Instr[kHssModMaxChannels] = {};
    uint32_t StepNow[kHssModMaxChannels] = {};
    int32_t ChVolume[kHssModMaxChannels] = {};
    int32_t ChEffVol[kHssModMaxChannels] = {};
    uint32_t Cmd[kHssModMaxChannels] = {};
    uint32_t ParX[kHssModMaxChannels] = {};
    uint32_t ParY[kHssModMaxChannels] = {};
    uint32_t Param[kHssModMaxChannels] = {};
    // 16.16 byte positions; 64 bits, since instruments reach 128 KiB.
    uint64_t SamplePos[kHssModMaxChannels] = {};
    uint32_t ChPan[kHssModMaxChannels] = {};

    uint64_t InstrEnd[kHssModInstruments + 1] = {};
    uint64_t InstrLoopStart[kHssModInstruments + 1] = {};
    uint64_t InstrLoopLen[kHssModInstruments + 1] = {};
    int32_t InstrVolume[kHssModInstruments + 1] = {};
    uint32_t InstrFinetune[kHssModInstruments + 1] = {};
    const int8_t* InstrData[kHssModInstruments + 1] = {};

    int32_t VolSlide[kHssModMaxChannels] = {};
    int32_t PortaPeriod[kHssModMaxChannels] = {};
    int32_t TargetPeriod[kHssModMaxChannels] = {};
    int32_t PortaSpeed[kHssModMaxChannels] = {};
    uint32_t ArpTick[kHssModMaxChannels] = {};
    uint32_t ArpSteps[3][kHssModMaxChannels] = {};
    uint32_t VibPos[kHssModMaxChannels] = {};
    uint32_t VibSpeed[kHssModMaxChannels] = {};
    uint32_t VibDepth[kHssModMaxChannels] = {};
    uint32_t DelayCount[kHssModMaxChannels] = {};
    int32_t DelayPeriod[kHssModMaxChannels] = {};
    uint32_t CutCount[kHssModMaxChannels] = {};
    uint32_t JumpOrder = kNoJump;
    uint32_t JumpRow = kNoJump;
    uint32_t PatternDelay = 0;
    uint8_t LoopState[kHssModMaxChannels] = {};
    uint32_t LoopRow[kHssModMaxChannels] = {};
    uint64_t SampleOffset[kHssModMaxChannels] = {};
    uint32_t Tempo = 50;

    uint32_t SongLength = 0;
    uint32_t PatternCount = 0; // patterns stored in the image
    // The song has run out: the channel halts when the next row is due, so
    // that the last row is heard for its full length.
    uint8_t SongEnded = 0;

private:
    void RecalcTickLen(uint32_t outputRate);
    // The song's own step for one frame (tick, row, jumps); false when the
    // song has ended and the channel halted.
    bool ControlFrame(uint64_t frame);
    // Mixes `run` frames of module channel c, none of them a control frame.
    template <bool Smooth>
    void MixRun(uint32_t c, int32_t* left, int32_t* right, uint32_t run, bool stereoOut);
    void ReadRow();
    void RowEffects(uint32_t c, const uint8_t* cell);
    void TickEffects(uint32_t c);
    void VolumeSlide(uint32_t c);
    void UpdateEffVol(uint32_t c);
    uint32_t StepOf(int32_t period) const;
    uint32_t NoteOf(uint32_t period) const;
    static int32_t PeriodAt(uint32_t noteIdx, uint32_t notesUp);
    uint32_t OrderAt(uint32_t position) const { return Module[kHssModOrders + (position & 127)]; }
};
