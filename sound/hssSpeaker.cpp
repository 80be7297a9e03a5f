#include "sound/hssSpeaker.h"

#include "sound/hssMusic.h"
#include "sound/hssSound.h"

#include <cstring>
#include <new>

namespace {

constexpr uint32_t kMinSoundChannels = 8;
constexpr uint32_t kMaxSoundChannels = 64;
constexpr uint32_t kMaxMusicChannels = 3;

} // namespace

hssSpeaker::~hssSpeaker()
{
    Close();
}

int hssSpeaker::Open(uint32_t rate, uint32_t bits, uint32_t soundChannels, uint32_t musicChannels,
                     uint32_t stereo)
{
    if (IsOpen)
        return kHssAlreadyOpen;
    // A driver left from an earlier failed Open goes first.
    delete Driver;
    Driver = nullptr;
    const hssDriverFactory& factory = Factory ? Factory : hssDefaultDriverFactory();
    Driver = factory ? factory() : nullptr;
    if (Driver == nullptr)
        return kHssNoDriver;

    hssFormat format;
    format.Rate = rate;
    format.Channels = stereo == 1 ? 2 : 1;
    format.Flags = bits == 8 ? (kHssFormat8Bit | kHssFormatUnsigned) : (kHssFormat16Bit | kHssFormatSigned);
    const uint32_t bufferFrames = uint32_t(uint64_t(rate) * LatencyMs / 1000);
    const int result = Driver->Open(&format, bufferFrames, this, &hssSpeaker::Mix);
    if (result != 0) {
        delete Driver;
        Driver = nullptr;
        return result;
    }

    OutputRate = rate;
    Wide = (format.Flags & kHssFormat16Bit) ? 1 : 0;
    StereoOut = format.Channels - 1;
    hssBuildStep(StepTable, OutputRate);
    hssBuildNoteOf(NoteOfTable);

    MusicCount = musicChannels == 0                  ? 1
                 : musicChannels > kMaxMusicChannels ? kMaxMusicChannels
                                                     : musicChannels;
    MusicChannels = new (std::nothrow) hssMusicChannel[MusicCount];
    MusicActive = new (std::nothrow) hssMusicChannel*[MusicCount];
    SoundCount = soundChannels < kMinSoundChannels   ? kMinSoundChannels
                 : soundChannels > kMaxSoundChannels ? kMaxSoundChannels
                                                     : soundChannels;
    SoundChannels = new (std::nothrow) hssSoundChannel[SoundCount];
    SoundActive = new (std::nothrow) hssSoundChannel*[SoundCount];
    if (!MusicChannels || !MusicActive || !SoundChannels || !SoundActive) {
        Driver->Close();
        delete Driver;
        Driver = nullptr;
        FreeChannels();
        return kHssNoMemory;
    }
    for (uint32_t i = 0; i < MusicCount; ++i)
        MusicChannels[i].Speaker = this;
    for (uint32_t i = 0; i < SoundCount; ++i)
        SoundChannels[i].Speaker = this;
    MusicMaster = 64;
    SoundMaster = 64;
    FramesMixed = 0;
    // A full swing of the gain takes kRampMs whatever the rate.
    GainStep = uint32_t(uint64_t(kFullGain) * 1000 / (uint64_t(OutputRate) * kRampMs));
    if (GainStep == 0)
        GainStep = 1;
    MusicGain = MusicGainTarget;
    SoundGain = SoundGainTarget;

    Driver->Resume();
    IsOpen = 1;
    return 0;
}

void hssSpeaker::FreeChannels()
{
    delete[] MusicChannels;
    delete[] MusicActive;
    delete[] SoundChannels;
    delete[] SoundActive;
    MusicChannels = nullptr;
    MusicActive = nullptr;
    SoundChannels = nullptr;
    SoundActive = nullptr;
    MusicCount = 0;
    SoundCount = 0;
}

int hssSpeaker::Close()
{
    if (IsOpen) {
        Driver->Close();
        IsOpen = 0;
    }
    delete Driver;
    Driver = nullptr;
    FreeChannels();
    return 0;
}

void hssSpeaker::LockDriver()
{
    if (Driver != nullptr)
        Driver->Lock();
}

void hssSpeaker::UnlockDriver()
{
    if (Driver != nullptr)
        Driver->Unlock();
}

int hssSpeaker::PlaySound(const hssSound& sound, uint32_t flags)
{
    if (!IsOpen || !sound.HasData())
        return kHssPlayFailed;
    LockDriver();
    int chosen = -1;
    if (flags & kHssPlayAnyChannel) {
        if (sound.CopyLimit == -1) {
            for (uint32_t i = 0; i < SoundCount; ++i) {
                if (SoundChannels[i].IsFree()) {
                    chosen = int(i);
                    break;
                }
            }
        } else {
            int32_t copies = 0;
            for (uint32_t i = 0; i < SoundCount; ++i) {
                if (SoundChannels[i].IsFree())
                    chosen = int(i);
                else if (SoundChannels[i].Data == sound.Data)
                    ++copies;
            }
            if (copies >= sound.CopyLimit)
                chosen = -1;
        }
    } else {
        const uint32_t index = flags & kHssPlayChannelMask;
        if (index < SoundCount && SoundChannels[index].IsFree())
            chosen = int(index);
        if (chosen >= 0 && sound.CopyLimit != -1) {
            int32_t busy = 0;
            for (uint32_t i = 0; i < SoundCount; ++i)
                if (!SoundChannels[i].IsFree())
                    ++busy;
            if (busy >= sound.CopyLimit)
                chosen = -1;
        }
    }
    if (chosen < 0) {
        UnlockDriver();
        return kHssPlayFailed;
    }
    hssSoundChannel& channel = SoundChannels[chosen];
    channel.Setup(sound);
    channel.SetVolume(sound.Volume);
    channel.Start((flags & kHssPlayPaused) != 0);
    UnlockDriver();
    return chosen + int(MusicCount);
}

int hssSpeaker::PlayMusic(const hssMusic& music, uint32_t flags)
{
    if (!IsOpen || !music.HasData())
        return kHssPlayFailed;
    const uint32_t channels = music.ChannelCount();
    if (channels == 0 || channels > kHssModMaxChannels)
        return kHssPlayFailed;
    LockDriver();
    int chosen = -1;
    if (flags & kHssPlayAnyChannel) {
        for (uint32_t i = 0; i < MusicCount; ++i) {
            if (MusicChannels[i].IsFree()) {
                chosen = int(i);
                break;
            }
        }
    } else {
        const uint32_t index = flags & kHssPlayChannelMask;
        if (index < MusicCount && MusicChannels[index].IsFree())
            chosen = int(index);
    }
    if (chosen < 0) {
        UnlockDriver();
        return kHssPlayFailed;
    }
    hssMusicChannel& channel = MusicChannels[chosen];
    channel.Setup(music);
    channel.Start((flags & kHssPlayPaused) != 0);
    UnlockDriver();
    return chosen;
}

void hssSpeaker::StopMusic()
{
    if (!IsOpen)
        return;
    LockDriver();
    for (uint32_t i = 0; i < MusicCount; ++i)
        MusicChannels[i].Halt();
    UnlockDriver();
}

uint32_t hssSpeaker::CountPlayingMusic() const
{
    uint32_t count = 0;
    for (uint32_t i = 0; i < MusicCount; ++i)
        if (MusicChannels[i].IsPlaying())
            ++count;
    return count;
}

void hssSpeaker::Mix(void* user, uint8_t* buffer, uint32_t bytes)
{
    static_cast<hssSpeaker*>(user)->MixFrames(buffer, bytes);
}

void hssSpeaker::SetMusicVolume(uint32_t percent)
{
    LockDriver();
    MusicGainTarget = GainOf(percent);
    if (CountPlayingMusic() == 0)
        MusicGain = MusicGainTarget; // nothing to glide from
    UnlockDriver();
}

void hssSpeaker::SetSoundVolume(uint32_t percent)
{
    LockDriver();
    SoundGainTarget = GainOf(percent);
    bool playing = false;
    for (uint32_t i = 0; i < SoundCount; ++i)
        playing = playing || SoundChannels[i].IsPlaying();
    if (!playing)
        SoundGain = SoundGainTarget;
    UnlockDriver();
}

void hssSpeaker::SetSmooth(bool smooth)
{
    LockDriver();
    Smooth = smooth ? 1 : 0;
    UnlockDriver();
}

uint32_t hssSpeaker::GainOf(uint32_t percent)
{
    return percent >= 100 ? kFullGain : uint32_t(uint64_t(percent) * kFullGain / 100);
}

namespace {

// Moves a gain one frame's step towards its target.
inline uint32_t Ramp(uint32_t gain, uint32_t target, uint32_t step)
{
    if (gain < target)
        return target - gain > step ? gain + step : target;
    return gain - target > step ? gain - step : target;
}

inline int32_t Scale(int32_t v, uint32_t gain)
{
    return int32_t((int64_t(v) * gain) >> hssSpeaker::kGainShift);
}

} // namespace

void hssSpeaker::MixFrames(uint8_t* buffer, uint32_t bytes)
{
    const uint32_t outChannels = StereoOut ? 2 : 1;
    const uint32_t samples = Wide ? bytes / 2 : bytes;
    const uint32_t frames = samples / outChannels;

    uint32_t musicActive = 0;
    for (uint32_t i = 0; i < MusicCount; ++i)
        if (MusicChannels[i].IsPlaying())
            MusicActive[musicActive++] = &MusicChannels[i];
    uint32_t soundActive = 0;
    for (uint32_t i = 0; i < SoundCount; ++i)
        if (SoundChannels[i].IsPlaying())
            SoundActive[soundActive++] = &SoundChannels[i];

    if (musicActive == 0 && soundActive == 0) {
        std::memset(buffer, Wide ? 0x00 : 0x80, bytes);
        FramesMixed += frames;
        // Nothing is heard: a volume change needs no ramp.
        MusicGain = MusicGainTarget;
        SoundGain = SoundGainTarget;
        return;
    }

    const bool stereo = StereoOut != 0;
    uint8_t* out = buffer;
    // Each block is mixed channel by channel into the accumulators, then
    // written out; integer sums do not depend on their order, so this gives
    // the frame-by-frame mix of the design bit for bit.
    for (uint32_t first = 0; first < frames; first += kBlockFrames) {
        const uint32_t n = frames - first < kBlockFrames ? frames - first : kBlockFrames;
        std::memset(MusicLeft, 0, n * sizeof(int32_t));
        std::memset(MusicRight, 0, n * sizeof(int32_t));
        std::memset(SoundLeft, 0, n * sizeof(int32_t));
        std::memset(SoundRight, 0, n * sizeof(int32_t));
        for (uint32_t i = 0; i < musicActive; ++i)
            if (MusicActive[i]->IsPlaying())
                MusicActive[i]->Render(MusicLeft, MusicRight, n, stereo, Smooth != 0, OutputRate,
                                       FramesMixed);
        for (uint32_t i = 0; i < soundActive; ++i) {
            hssSoundChannel* channel = SoundActive[i];
            for (uint32_t k = 0; k < n && channel->IsPlaying(); ++k)
                channel->FrameStep(SoundLeft[k], SoundRight[k], stereo, OutputRate, FramesMixed + k);
        }
        const bool ramping = MusicGain != MusicGainTarget || SoundGain != SoundGainTarget;
        const bool full = !ramping && MusicGain == kFullGain && SoundGain == kFullGain;
        for (uint32_t k = 0; k < n; ++k) {
            for (uint32_t side = 0; side < outChannels; ++side) {
                int32_t music = side == 0 ? MusicLeft[k] : MusicRight[k];
                // Arithmetic shifts; the clamp is the only guard against
                // overflow. The player's volumes only ever make it quieter.
                int32_t sound = (side == 0 ? SoundLeft[k] : SoundRight[k]) >> 7;
                if (!full) {
                    music = Scale(music, MusicGain);
                    sound = Scale(sound, SoundGain);
                }
                if (Wide) {
                    int32_t v = music + sound;
                    v = v < -32768 ? -32768 : v > 32767 ? 32767 : v;
                    const uint16_t u = uint16_t(int16_t(v));
                    *out++ = uint8_t(u & 0xFF);
                    *out++ = uint8_t(u >> 8);
                } else {
                    int32_t v = (music + sound) >> 8;
                    v = v < -128 ? -128 : v > 127 ? 127 : v;
                    *out++ = uint8_t(v + 128);
                }
            }
            if (ramping) {
                MusicGain = Ramp(MusicGain, MusicGainTarget, GainStep);
                SoundGain = Ramp(SoundGain, SoundGainTarget, GainStep);
            }
        }
        FramesMixed += n;
    }
    // A buffer that does not end on a whole frame is finished with silence.
    std::memset(out, Wide ? 0x00 : 0x80, size_t(buffer + bytes - out));
}
