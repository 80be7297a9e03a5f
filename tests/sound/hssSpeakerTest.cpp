// The speaker: opening with its clamps and codes, the buffer plan of the
// drivers, the play calls and the mixer's levels, clamps and silence.

#include "sound/hssSpeaker.h"

#include "sound/hssMusic.h"
#include "sound/hssSound.h"
#include "tests/sound/SoundFixtures.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace SoundFixtures;

namespace {

struct OpenCase {
    uint32_t Sound, Music;
    uint32_t WantSound, WantMusic;
};

std::ostream& operator<<(std::ostream& os, const OpenCase& c)
{
    return os << "open with " << c.Sound << " sound and " << c.Music << " music channels";
}

class SpeakerOpenClamps : public ::testing::TestWithParam<OpenCase> {};

TEST_P(SpeakerOpenClamps, ClampsChannelCounts)
{
    const OpenCase c = GetParam();
    RecordingDriver::Log log;
    hssSpeaker speaker;
    speaker.SetDriverFactory(RecordingDriver::Factory(&log));
    ASSERT_EQ(speaker.Open(22050, 8, c.Sound, c.Music, 1), 0);
    EXPECT_EQ(speaker.SoundCount, c.WantSound);
    EXPECT_EQ(speaker.MusicCount, c.WantMusic);
}

INSTANTIATE_TEST_SUITE_P(Counts, SpeakerOpenClamps,
                         ::testing::Values(OpenCase{8, 2, 8, 2}, OpenCase{8, 0, 8, 1}, OpenCase{8, 5, 8, 3},
                                           OpenCase{4, 1, 8, 1}, OpenCase{100, 3, 64, 3},
                                           OpenCase{64, 2, 64, 2}, OpenCase{0, 2, 8, 2}));

TEST(hssSpeaker, OpenHandsTheDriverTheGameFormat)
{
    RecordingDriver::Log log;
    hssSpeaker speaker;
    speaker.SetDriverFactory(RecordingDriver::Factory(&log));
    ASSERT_EQ(speaker.Open(22050, 8, 8, 2, 1), 0);
    EXPECT_EQ(log.Format.Rate, 22050u);
    EXPECT_EQ(log.Format.Channels, 2u);
    EXPECT_EQ(log.Format.Flags, 0x21u);
    EXPECT_EQ(log.BufferFrames, 3969u); // 180 ms
    EXPECT_EQ(log.User, &speaker);
    EXPECT_EQ(log.Callback, &hssSpeaker::Mix);
    EXPECT_EQ(log.Resumes, 1);
    EXPECT_EQ(speaker.MusicMaster, 64u);
    EXPECT_EQ(speaker.SoundMaster, 64u);
    EXPECT_EQ(speaker.StereoOut, 1u);
    EXPECT_EQ(speaker.Wide, 0u);

    hssSpeaker wide;
    RecordingDriver::Log wideLog;
    wide.SetDriverFactory(RecordingDriver::Factory(&wideLog));
    ASSERT_EQ(wide.Open(44100, 16, 8, 2, 0), 0);
    EXPECT_EQ(wideLog.Format.Flags, 0x12u);
    EXPECT_EQ(wideLog.Format.Channels, 1u);
    EXPECT_EQ(wide.Wide, 1u);
    EXPECT_EQ(wide.StereoOut, 0u);
}

TEST(hssSpeaker, OpenFailureCodes)
{
    RecordingDriver::Log log;
    hssSpeaker speaker;
    speaker.SetDriverFactory(RecordingDriver::Factory(&log));
    ASSERT_EQ(speaker.Open(22050, 8, 8, 2, 1), 0);
    EXPECT_EQ(speaker.Open(22050, 8, 8, 2, 1), -2);
    EXPECT_EQ(log.Opens, 1);

    // No driver object at all.
    hssSpeaker noDriver;
    noDriver.SetDriverFactory([] { return static_cast<hssDriver*>(nullptr); });
    EXPECT_EQ(noDriver.Open(22050, 8, 8, 2, 1), -5);
    EXPECT_FALSE(noDriver.IsOpen);

    // The driver's own code comes back unchanged, the speaker stays closed
    // and the failed driver is not kept.
    RecordingDriver::Log failing;
    failing.OpenResult = -1;
    hssSpeaker silent;
    silent.SetDriverFactory(RecordingDriver::Factory(&failing));
    EXPECT_EQ(silent.Open(22050, 8, 8, 2, 1), -1);
    EXPECT_FALSE(silent.IsOpen);
    EXPECT_EQ(failing.Destroyed, 1);
    failing.OpenResult = -4;
    EXPECT_EQ(silent.Open(22050, 8, 8, 2, 1), -4);

    hssSound sound;
    ASSERT_EQ(sound.LoadFromBytes(PcmWav(1, 22050, 8, Bytes(100, 200)).data(), 100 + 44), 0);
    EXPECT_EQ(silent.PlaySound(sound, kHssPlayAnyChannel), -1000);
    EXPECT_EQ(failing.Locks, 0);
}

TEST(hssSpeaker, CloseEndsTheDriverAndAllowsReopening)
{
    RecordingDriver::Log log;
    hssSpeaker speaker;
    speaker.SetDriverFactory(RecordingDriver::Factory(&log));
    ASSERT_EQ(speaker.Open(22050, 8, 8, 2, 1), 0);
    EXPECT_EQ(speaker.Close(), 0);
    EXPECT_EQ(log.Closes, 1);
    EXPECT_EQ(log.Destroyed, 1);
    EXPECT_EQ(speaker.SoundCount, 0u);
    EXPECT_EQ(speaker.MusicCount, 0u);
    EXPECT_EQ(speaker.CountPlayingMusic(), 0u);
    EXPECT_EQ(speaker.Close(), 0);
    EXPECT_EQ(log.Closes, 1);
    EXPECT_EQ(speaker.Open(22050, 8, 8, 2, 1), 0);
}

struct PlanCase {
    uint32_t Rate, Flags, Channels, BufferFrames;
    int Result;
    uint32_t Count, Bytes;
};

std::ostream& operator<<(std::ostream& os, const PlanCase& c)
{
    return os << c.Rate << " Hz flags " << c.Flags << " channels " << c.Channels << " frames "
              << c.BufferFrames;
}

class DriverBufferPlan : public ::testing::TestWithParam<PlanCase> {};

TEST_P(DriverBufferPlan, CountsAndSizes)
{
    const PlanCase c = GetParam();
    hssFormat format;
    format.Rate = c.Rate;
    format.Flags = c.Flags;
    format.Channels = c.Channels;
    hssBufferLayout layout;
    ASSERT_EQ(hssDriver::PlanBuffers(format, c.BufferFrames, &layout), c.Result);
    if (c.Result != 0)
        return;
    EXPECT_EQ(layout.BufferCount, c.Count);
    EXPECT_EQ(layout.BufferBytes, c.Bytes);
    EXPECT_EQ(layout.TotalBytes, c.Count * c.Bytes);
    EXPECT_EQ(layout.BufferBytes % 8, 0u);
}

INSTANTIATE_TEST_SUITE_P(Plans, DriverBufferPlan,
                         ::testing::Values(PlanCase{22050, 0x21, 2, 3969, 0, 6, 1328},    // the game: 180 ms
                                           PlanCase{22050, 0x21, 2, 7938, 0, 12, 1328},   // 360 ms
                                           PlanCase{22050, 0x21, 1, 3969, 0, 6, 664},     // mono
                                           PlanCase{44100, 0x12, 2, 7938, 0, 6, 5296},    // 16-bit stereo
                                           PlanCase{22050, 0x21, 2, 100, 0, 4, 1328},     // at least 4
                                           PlanCase{8000, 0x21, 1, 8000 * 2, 0, 32, 240}, // at most 32
                                           PlanCase{22050, 0x00, 2, 3969, -1, 0, 0},      // no flags
                                           PlanCase{22050, 0x11, 2, 3969, -1, 0, 0},      // 8-bit signed
                                           PlanCase{22050, 0x22, 2, 3969, -1, 0, 0},      // 16-bit unsigned
                                           PlanCase{22050, 0x21, 3, 3969, -1, 0, 0},      // three channels
                                           PlanCase{22050, 0x21, 0, 3969, -1, 0, 0},      // none
                                           PlanCase{0, 0x21, 2, 3969, -1, 0, 0}));        // rate 0

class OpenSpeaker : public ::testing::Test {
protected:
    void OpenWith(uint32_t rate, uint32_t bits, uint32_t stereo)
    {
        speaker.SetDriverFactory(RecordingDriver::Factory(&log));
        ASSERT_EQ(speaker.Open(rate, bits, 8, 2, stereo), 0);
    }
    void SetUp() override { OpenWith(22050, 8, 1); }

    // An 8-bit mono sample of `frames` frames, all `value`, at 22050 Hz.
    static void LoadConstant(hssSound& sound, uint32_t frames, uint8_t value)
    {
        const Bytes wav = PcmWav(1, 22050, 8, Bytes(frames, value));
        ASSERT_EQ(sound.LoadFromBytes(wav.data(), wav.size()), 0);
    }

    RecordingDriver::Log log;
    hssSpeaker speaker;
};

TEST_F(OpenSpeaker, NothingPlayingGivesSilence)
{
    const Bytes out = MixFrames(speaker, 662);
    EXPECT_EQ(out, Bytes(1324, 0x80));

    hssSpeaker wide;
    RecordingDriver::Log wideLog;
    wide.SetDriverFactory(RecordingDriver::Factory(&wideLog));
    ASSERT_EQ(wide.Open(22050, 16, 8, 2, 1), 0);
    EXPECT_EQ(MixFrames(wide, 662), Bytes(2648, 0x00));
}

TEST_F(OpenSpeaker, PlaySoundTakesFreeChannelsInOrderAndRefusesTheNinth)
{
    hssSound sound;
    LoadConstant(sound, 1000, 0xC0);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(speaker.PlaySound(sound, kHssPlayAnyChannel), i + 2) << "effect " << i;
    const int locksBefore = log.Locks;
    const uint64_t positionBefore = speaker.SoundChannels[0].Position;
    EXPECT_EQ(speaker.PlaySound(sound, kHssPlayAnyChannel), -1000);
    EXPECT_EQ(log.Locks, locksBefore + 1);
    EXPECT_EQ(log.Unlocks, log.Locks);
    EXPECT_EQ(speaker.SoundChannels[0].Position, positionBefore);
    for (uint32_t i = 0; i < 8; ++i)
        EXPECT_TRUE(speaker.SoundChannels[i].IsPlaying());

    // Once a sample ends its channel is free again.
    MixFrames(speaker, 1001);
    EXPECT_EQ(speaker.PlaySound(sound, kHssPlayAnyChannel), 2);
}

TEST_F(OpenSpeaker, PlayCallsOnAClosedSpeakerOrWithoutDataFail)
{
    hssSound empty;
    EXPECT_EQ(speaker.PlaySound(empty, kHssPlayAnyChannel), -1000);
    hssMusic noModule;
    EXPECT_EQ(speaker.PlayMusic(noModule, kHssPlayAnyChannel), -1000);
    EXPECT_EQ(log.Locks, 0);

    hssSound sound;
    LoadConstant(sound, 10, 0xC0);
    hssSpeaker closed;
    EXPECT_EQ(closed.PlaySound(sound, kHssPlayAnyChannel), -1000);
    closed.StopMusic();
    EXPECT_EQ(closed.CountPlayingMusic(), 0u);
}

TEST_F(OpenSpeaker, ExplicitChannelAndPausedStart)
{
    hssSound sound;
    LoadConstant(sound, 100, 0xC0);
    EXPECT_EQ(speaker.PlaySound(sound, 5), 5 + 2);
    EXPECT_EQ(speaker.PlaySound(sound, 5), -1000); // busy
    EXPECT_EQ(speaker.PlaySound(sound, 8), -1000); // no such channel
    EXPECT_EQ(speaker.PlaySound(sound, kHssPlayAnyChannel | kHssPlayPaused), 0 + 2);
    EXPECT_FALSE(speaker.SoundChannels[0].IsPlaying());
    EXPECT_FALSE(speaker.SoundChannels[0].IsFree());
    // A paused channel is neither mixed nor taken by the next play call.
    EXPECT_EQ(speaker.PlaySound(sound, kHssPlayAnyChannel), 1 + 2);
}

TEST_F(OpenSpeaker, CopyLimitCountsCopiesOfTheSameSample)
{
    hssSound limited, other;
    LoadConstant(limited, 100, 0xC0);
    LoadConstant(other, 100, 0x90);
    limited.CopyLimit = 2;
    EXPECT_EQ(speaker.PlaySound(other, kHssPlayAnyChannel), 2);
    // With a limit the last free channel is taken.
    EXPECT_EQ(speaker.PlaySound(limited, kHssPlayAnyChannel), 7 + 2);
    EXPECT_EQ(speaker.PlaySound(limited, kHssPlayAnyChannel), 6 + 2);
    EXPECT_EQ(speaker.PlaySound(limited, kHssPlayAnyChannel), -1000);
    EXPECT_EQ(speaker.PlaySound(other, kHssPlayAnyChannel), 1 + 2);
    // The explicit form counts every busy channel against the limit.
    hssSound any;
    LoadConstant(any, 100, 0xA0);
    any.CopyLimit = 4;
    EXPECT_EQ(speaker.PlaySound(any, 3), -1000);
    any.CopyLimit = 5;
    EXPECT_EQ(speaker.PlaySound(any, 3), 3 + 2);
}

TEST_F(OpenSpeaker, EightBitOutputClampsInsteadOfWrapping)
{
    hssSound loud;
    LoadConstant(loud, 100, 0xFF); // +127 * 256 per frame
    for (int i = 0; i < 8; ++i)
        ASSERT_GE(speaker.PlaySound(loud, kHssPlayAnyChannel), 0);
    const Bytes out = MixFrames(speaker, 50);
    EXPECT_EQ(out, Bytes(100, 0xFF));

    speaker.Close();
    OpenWith(22050, 8, 1);
    hssSound quiet;
    LoadConstant(quiet, 100, 0x00); // -128 * 256
    for (int i = 0; i < 8; ++i)
        ASSERT_GE(speaker.PlaySound(quiet, kHssPlayAnyChannel), 0);
    EXPECT_EQ(MixFrames(speaker, 50), Bytes(100, 0x00));
}

TEST_F(OpenSpeaker, SixteenBitOutputClampsToItsRange)
{
    speaker.Close();
    OpenWith(22050, 16, 0);
    hssSound loud;
    LoadConstant(loud, 100, 0xFF);
    ASSERT_GE(speaker.PlaySound(loud, kHssPlayAnyChannel), 0);
    // One channel: 64 * 32512 >> 7 = 16256.
    Bytes out = MixFrames(speaker, 1);
    EXPECT_EQ(int16_t(out[0] | out[1] << 8), 16256);
    for (int i = 0; i < 7; ++i)
        ASSERT_GE(speaker.PlaySound(loud, kHssPlayAnyChannel), 0);
    out = MixFrames(speaker, 1);
    EXPECT_EQ(int16_t(out[0] | out[1] << 8), 32767);
}

TEST_F(OpenSpeaker, SoundLevelsFollowTheShiftsOfTheMixer)
{
    hssSound sound;
    LoadConstant(sound, 100, 0xC0); // +64 * 256
    ASSERT_GE(speaker.PlaySound(sound, kHssPlayAnyChannel), 0);
    // (64 * 16384 >> 7) >> 8 = 32; centre pan puts it on both sides.
    EXPECT_EQ(MixFrames(speaker, 1), (Bytes{128 + 32, 128 + 32}));
    sound.Volume = 32;
    ASSERT_GE(speaker.PlaySound(sound, kHssPlayAnyChannel), 0);
    EXPECT_EQ(MixFrames(speaker, 1), (Bytes{128 + 48, 128 + 48}));
}

TEST_F(OpenSpeaker, StopMusicHaltsEveryMusicChannel)
{
    ModImage image;
    image.Sample(1, std::vector<int8_t>(200, 40));
    image.Cell(0, 0, 0, 1, 428, 0, 0);
    const Bytes bytes = image.Build();
    hssMusic music;
    ASSERT_EQ(music.LoadFromBytes(bytes.data(), bytes.size()), 0);
    EXPECT_EQ(speaker.PlayMusic(music, kHssPlayAnyChannel), 0);
    EXPECT_EQ(speaker.PlayMusic(music, kHssPlayAnyChannel), 1);
    EXPECT_EQ(speaker.PlayMusic(music, kHssPlayAnyChannel), -1000);
    EXPECT_EQ(speaker.CountPlayingMusic(), 2u);
    speaker.StopMusic();
    EXPECT_EQ(speaker.CountPlayingMusic(), 0u);
    EXPECT_EQ(MixFrames(speaker, 100), Bytes(200, 0x80));
    EXPECT_EQ(speaker.PlayMusic(music, 1), 1);
    EXPECT_EQ(speaker.PlayMusic(music, 3), -1000);
}

} // namespace
