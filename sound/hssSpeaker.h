// The output device object of the sound library: it owns the music and sound
// channels, starts samples and modules on free channels and mixes every
// output buffer for its driver, one frame at a time, in integers.
#pragma once

#include "platform/hssDriver.h"
#include "sound/hssMusicChannel.h"
#include "sound/hssPeriodTables.h"
#include "sound/hssSoundChannel.h"

#include <cstdint>
#include <utility>

class hssMusic;
class hssSound;

// Play flags.
enum : uint32_t {
    kHssPlayAnyChannel = 0x10000000, // pick a free channel; else bits 0 to 15 name it
    kHssPlayPaused = 0x20000000,     // start the channel paused
    kHssPlayChannelMask = 0xFFFF,
};

// Speaker results.
enum : int {
    kHssOpenBadFormat = -1,
    kHssAlreadyOpen = -2,
    kHssNotOpen = -3,
    kHssNoThread = -4,
    kHssNoDriver = -5,
    kHssNoMemory = -10,
    kHssPlayFailed = -1000,
};

class hssSpeaker {
public:
    static constexpr uint32_t kLatencyMs = 180; // the platform is of the NT kind here

    hssSpeaker() = default;
    hssSpeaker(const hssSpeaker&) = delete;
    hssSpeaker& operator=(const hssSpeaker&) = delete;
    virtual ~hssSpeaker();

    // The driver a later Open makes; without one the default factory is used.
    void SetDriverFactory(hssDriverFactory factory) { Factory = std::move(factory); }

    // Opens the output: bits 8 gives 8-bit unsigned output, anything else
    // 16-bit signed; music channels 0 count as 1 and above 3 as 3; sound
    // channels are clamped to 8 to 64. Returns 0, -2 (already open), -5 (no
    // driver object), -10 (out of memory) or the driver's own Open code.
    int Open(uint32_t rate, uint32_t bits, uint32_t soundChannels, uint32_t musicChannels, uint32_t stereo);
    // Closes the driver (its feeder thread ends) and frees the channels; 0.
    int Close();
    // Starts a sample on a sound channel. Returns the channel id (sound
    // channel index + MusicCount) or -1000: not open, no data, no free
    // channel, or the sample's copy limit reached. Nothing is ever stolen.
    int PlaySound(const hssSound& sound, uint32_t flags);
    // Starts a module on a music channel. Returns its index or -1000: not
    // open, no data, a channel count of 0 or above 32, or no free channel.
    int PlayMusic(const hssMusic& music, uint32_t flags);
    // Halts every music channel (only while open).
    void StopMusic();
    // Music channels now playing, read without the lock.
    uint32_t CountPlayingMusic() const;

    // The player's volumes, 0 to 100 percent (above 100 counts as 100),
    // applied to the mix of each kind after its channels: 100 leaves the
    // output as it was, bit for bit. A change glides there over kRampMs, at
    // most GainStep per frame, so that no step is heard; with nothing of
    // its kind playing it takes effect at once. Taken under the driver lock; kept
    // across Open and Close.
    void SetMusicVolume(uint32_t percent);
    void SetSoundVolume(uint32_t percent);
    // Smooth sound: music channels draw a line between neighbouring sample
    // bytes instead of taking the nearest one. Off as designed.
    void SetSmooth(bool smooth);
    // The gain of a percentage, kFullGain for 100 and above.
    static uint32_t GainOf(uint32_t percent);

    static constexpr uint32_t kGainShift = 16;
    static constexpr uint32_t kFullGain = 1u << kGainShift;
    static constexpr uint32_t kRampMs = 5;
    static constexpr uint32_t kBlockFrames = 256; // frames mixed at once

    // The driver's callback: fills one buffer with the mix of all playing
    // channels, or with silence when none plays. Called with the lock held.
    static void Mix(void* user, uint8_t* buffer, uint32_t bytes);

    // The driver lock, for channel operations of the window thread.
    void LockDriver();
    void UnlockDriver();
    hssDriver* GetDriver() const { return Driver; }

    hssDriver* Driver = nullptr;
    uint8_t IsOpen = 0;
    uint32_t MusicCount = 0;
    hssMusicChannel* MusicChannels = nullptr;
    hssMusicChannel** MusicActive = nullptr;
    uint32_t SoundCount = 0;
    hssSoundChannel* SoundChannels = nullptr;
    hssSoundChannel** SoundActive = nullptr;
    uint32_t StepTable[kHssPeriodSlots] = {};
    uint16_t NoteOfTable[kHssPeriodSlots] = {};
    uint32_t MusicMaster = 64;
    uint32_t SoundMaster = 64;
    uint32_t OutputRate = 0;
    uint32_t StereoOut = 0;
    uint32_t Wide = 0;
    uint32_t LatencyMs = kLatencyMs;
    // Output frames mixed since Open; a channel that halts by itself notes
    // it in its HaltFrame.
    uint64_t FramesMixed = 0;
    // Gains now and where they are going, kFullGain = 1.
    uint32_t MusicGain = kFullGain;
    uint32_t MusicGainTarget = kFullGain;
    uint32_t SoundGain = kFullGain;
    uint32_t SoundGainTarget = kFullGain;
    uint32_t GainStep = 1; // per frame, set by Open for its rate
    uint8_t Smooth = 0;

private:
    void FreeChannels();
    void MixFrames(uint8_t* buffer, uint32_t bytes);

    hssDriverFactory Factory;
    // Accumulators of one block, per kind and side.
    int32_t MusicLeft[kBlockFrames];
    int32_t MusicRight[kBlockFrames];
    int32_t SoundLeft[kBlockFrames];
    int32_t SoundRight[kBlockFrames];
};
