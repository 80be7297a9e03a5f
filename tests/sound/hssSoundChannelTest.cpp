// Sample playback in the mixer: stepping, the end of a sample, looping and
// the panning rules, observed on the mixed output.

#include "sound/hssSoundChannel.h"

#include "sound/hssSound.h"
#include "sound/hssSpeaker.h"
#include "tests/sound/SoundFixtures.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace SoundFixtures;

namespace {

class SoundChannel : public ::testing::Test {
protected:
    void Open(uint32_t bits, uint32_t stereo)
    {
        speaker.SetDriverFactory(RecordingDriver::Factory(&log));
        ASSERT_EQ(speaker.Open(22050, bits, 8, 2, stereo), 0);
    }
    void Load(hssSound& sound, uint32_t channels, uint32_t rate, uint32_t bits, const Bytes& data)
    {
        const Bytes wav = PcmWav(channels, rate, bits, data);
        ASSERT_EQ(sound.LoadFromBytes(wav.data(), wav.size()), 0);
    }

    RecordingDriver::Log log;
    hssSpeaker speaker;
};

TEST_F(SoundChannel, SameRatePlaysEachFrameOnceAndHaltsAtTheEnd)
{
    Open(16, 0);
    hssSound sound;
    // 16-bit mono frames 1000, 2000, 3000 (times 64 >> 7 in the mix: halved).
    Bytes data;
    for (int16_t v : {1000, 2000, 3000})
        PutLe16(data, uint16_t(v));
    Load(sound, 1, 22050, 16, data);
    const int id = speaker.PlaySound(sound, kHssPlayAnyChannel);
    ASSERT_EQ(id, 2);
    const Bytes out = MixFrames(speaker, 5);
    EXPECT_EQ(speaker.SoundChannels[0].Step, 256u);
    const std::vector<int16_t> want = {500, 1000, 1500, 0, 0};
    for (size_t i = 0; i < want.size(); ++i)
        EXPECT_EQ(int16_t(out[2 * i] | out[2 * i + 1] << 8), want[i]) << "frame " << i;
    // It halted on the first frame at its end, adding nothing there.
    EXPECT_TRUE(speaker.SoundChannels[0].IsFree());
    EXPECT_EQ(speaker.SoundChannels[0].HaltFrame, 3u);
}

TEST_F(SoundChannel, DoubleRateDataSkipsEveryOtherFrame)
{
    Open(8, 0);
    hssSound sound;
    Load(sound, 1, 44100, 8, Bytes{0x90, 0x00, 0xA0, 0x00, 0xB0, 0x00});
    ASSERT_GE(speaker.PlaySound(sound, kHssPlayAnyChannel), 0);
    const Bytes out = MixFrames(speaker, 4);
    EXPECT_EQ(speaker.SoundChannels[0].Step, 512u);
    // (0x10 * 256 * 64 >> 7) >> 8 = 8, then 16, then 24; then the end.
    EXPECT_EQ(out, (Bytes{128 + 8, 128 + 16, 128 + 24, 128}));
}

TEST_F(SoundChannel, LoopingSampleWrapsForEver)
{
    Open(8, 0);
    hssSound sound;
    Load(sound, 1, 22050, 8, Bytes{0x90, 0xA0});
    sound.LoopFlag = 1;
    ASSERT_GE(speaker.PlaySound(sound, kHssPlayAnyChannel), 0);
    const Bytes out = MixFrames(speaker, 6);
    EXPECT_EQ(out, (Bytes{136, 144, 136, 144, 136, 144}));
    EXPECT_TRUE(speaker.SoundChannels[0].IsPlaying());
}

TEST_F(SoundChannel, StepStaysExactForHighSampleRates)
{
    Open(8, 0);
    hssSound sound;
    Load(sound, 1, 96000, 8, Bytes(1000, 0x80));
    ASSERT_GE(speaker.PlaySound(sound, kHssPlayAnyChannel), 0);
    MixFrames(speaker, 1);
    // 96000 * 256 / 22050 = 1114.5...: no 32-bit overflow on the way.
    EXPECT_EQ(speaker.SoundChannels[0].Step, 1114u);
}

struct PanCase {
    uint32_t Pan;
    bool StereoSample;
    int Left, Right; // output bytes minus 128
};

std::ostream& operator<<(std::ostream& os, const PanCase& c)
{
    return os << "pan " << c.Pan << (c.StereoSample ? ", stereo sample" : ", mono sample");
}

class SoundPan : public SoundChannel, public ::testing::WithParamInterface<PanCase> {};

TEST_P(SoundPan, SpreadsOverTheOutputSides)
{
    const PanCase c = GetParam();
    Open(16, 1);
    hssSound sound;
    // Left source 0xC0 (+16384), right source 0xA0 (+8192).
    if (c.StereoSample)
        Load(sound, 2, 22050, 8, Bytes{0xC0, 0xA0});
    else
        Load(sound, 1, 22050, 8, Bytes{0xC0});
    sound.PanPos = c.Pan;
    ASSERT_GE(speaker.PlaySound(sound, kHssPlayAnyChannel), 0);
    const Bytes out = MixFrames(speaker, 1);
    EXPECT_EQ(int16_t(out[0] | out[1] << 8), c.Left);
    EXPECT_EQ(int16_t(out[2] | out[3] << 8), c.Right);
}

// Centre: E * L on the left, E * R (or E * L) on the right, >> 7.
// Elsewhere: V = 128, r = Pan * V >> 8; left (V - r) * L, right r * L, and
// a stereo sample adds its right source the same way.
INSTANTIATE_TEST_SUITE_P(Pans, SoundPan,
                         ::testing::Values(PanCase{128, false, 8192, 8192}, PanCase{128, true, 8192, 4096},
                                           PanCase{0, false, 16384, 0}, PanCase{255, false, 128, 16256},
                                           PanCase{64, false, 12288, 4096}, PanCase{0, true, 16384 + 8192, 0},
                                           PanCase{192, true, (32 * 16384 + 32 * 8192) >> 7,
                                                   (96 * 16384 + 96 * 8192) >> 7}));

TEST_F(SoundChannel, MonoOutputAddsBothSourceChannels)
{
    Open(16, 0);
    hssSound sound;
    Load(sound, 2, 22050, 8, Bytes{0xC0, 0xA0});
    ASSERT_GE(speaker.PlaySound(sound, kHssPlayAnyChannel), 0);
    const Bytes out = MixFrames(speaker, 1);
    EXPECT_EQ(int16_t(out[0] | out[1] << 8), (64 * 16384 + 64 * 8192) >> 7);
}

TEST_F(SoundChannel, PositionsUseTheSampleUnits)
{
    Open(8, 1);
    hssSound sound;
    Load(sound, 2, 22050, 16, Bytes(400, 0)); // 100 frames
    ASSERT_GE(speaker.PlaySound(sound, kHssPlayAnyChannel), 0);
    hssSoundChannel& channel = speaker.SoundChannels[0];
    EXPECT_EQ(channel.GetLength(), (100u << 8) >> 10);
    channel.SetPosition(5);
    EXPECT_EQ(channel.Position, 5u << 10);
    EXPECT_EQ(channel.GetPosition(), 5u);
}

} // namespace
