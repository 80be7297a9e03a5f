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

private:
    void FreeChannels();
    void MixFrames(uint8_t* buffer, uint32_t bytes);

    hssDriverFactory Factory;
};
