// The player's volumes and smooth sound in the mixer: a volume change while
// something plays glides over a few milliseconds with no step larger than
// the bound below, and lands exactly; a change while nothing of its kind
// plays is there at once; smooth sound draws a sampled line as a line, and
// reads nothing past a sample's end.

#include "sound/hssMusic.h"
#include "sound/hssSound.h"
#include "sound/hssSpeaker.h"
#include "tests/sound/SoundFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

using namespace SoundFixtures;

namespace {

constexpr uint32_t kRate = 22050;
constexpr int kSampleLevel = 20000; // of the effect's 16-bit samples
constexpr int8_t kModuleLevel = 100;

int16_t Left16(const Bytes& out, size_t frame)
{
    return int16_t(uint16_t(out[frame * 4] | out[frame * 4 + 1] << 8));
}

// A speaker with 16-bit stereo output and one steady tone of a kind: a
// looping effect, or a looping module instrument, each of constant value,
// so that the output is a level that only the volume moves.
struct Steady {
    RecordingDriver::Log Log;
    hssSpeaker Speaker;
    hssSound Sound;
    hssMusic Music;
    bool IsMusic;

    explicit Steady(bool music, uint32_t volumeBeforePlay = 100) : IsMusic(music)
    {
        Speaker.SetDriverFactory(RecordingDriver::Factory(&Log));
        EXPECT_EQ(Speaker.Open(kRate, 16, 8, 1, 1), 0);
        SetVolume(volumeBeforePlay);
        if (music) {
            ModImage m;
            m.Sample(1, std::vector<int8_t>(64, kModuleLevel), 64, 0, 0, 32).Orders({0});
            m.Cell(0, 0, 0, 1, 428, 0, 0);
            const Bytes image = m.Build();
            EXPECT_EQ(Music.LoadFromBytes(image.data(), image.size()), kHssLoadOk);
            Music.LoopFlag = 1;
            EXPECT_GE(Speaker.PlayMusic(Music, kHssPlayAnyChannel), 0);
        } else {
            Bytes data;
            for (int i = 0; i < 100; ++i) {
                data.push_back(uint8_t(kSampleLevel & 0xFF));
                data.push_back(uint8_t(kSampleLevel >> 8));
            }
            const Bytes wav = PcmWav(1, kRate, 16, data);
            EXPECT_EQ(Sound.LoadFromBytes(wav.data(), wav.size()), kHssLoadOk);
            Sound.LoopFlag = 1;
            EXPECT_GE(Speaker.PlaySound(Sound, kHssPlayAnyChannel), 0);
        }
    }
    void SetVolume(uint32_t percent)
    {
        if (IsMusic)
            Speaker.SetMusicVolume(percent);
        else
            Speaker.SetSoundVolume(percent);
    }
    // The left output of `frames` frames.
    std::vector<int> Left(uint32_t frames)
    {
        const Bytes out = MixFrames(Speaker, frames);
        std::vector<int> left;
        for (uint32_t f = 0; f < frames; ++f)
            left.push_back(Left16(out, f));
        return left;
    }
};

// The full-volume left level of each kind: the effect at volume 64 centred
// (64 * 20000 >> 7); the module's channel 0 a quarter to the left
// ((64 - 16) * 2 * 100).
constexpr int kFullLevel[2] = {10000, 9600};

class Volume : public testing::TestWithParam<bool> {};

TEST_P(Volume, AChangeWhilePlayingGlidesWithNoStepAboveTheBound)
{
    const bool music = GetParam();
    const int full = kFullLevel[music];
    Steady s(music);
    for (int v : s.Left(500))
        ASSERT_EQ(v, full);

    // The bound: a full swing of the gain takes kRampMs, GainStep of 2^16 a
    // frame, so the level moves at most that share of itself per frame,
    // plus one for rounding. (10000 at once would be the click.)
    const int bound = int(std::ceil(double(full) * s.Speaker.GainStep / hssSpeaker::kFullGain)) + 1;
    const uint32_t rampFrames = kRate * hssSpeaker::kRampMs / 1000 + 1;
    for (uint32_t target : {0u, 100u, 30u, 80u}) {
        s.SetVolume(target);
        std::vector<int> left = s.Left(rampFrames + 300);
        int before = left.front();
        for (size_t f = 1; f < left.size(); ++f) {
            ASSERT_LE(std::abs(left[f] - before), bound) << "to " << target << " %, frame " << f;
            before = left[f];
        }
        // It gets there within the ramp's time, and stays.
        const int want = int((int64_t(full) * hssSpeaker::GainOf(target)) >> hssSpeaker::kGainShift);
        for (size_t f = rampFrames; f < left.size(); ++f)
            ASSERT_EQ(left[f], want) << "to " << target << " %, frame " << f;
        EXPECT_NE(left[1], want) << "a change of more than one step does not land at once";
    }
}

TEST_P(Volume, AChangeWhileNothingOfItsKindPlaysIsThereAtOnce)
{
    const bool music = GetParam();
    Steady s(music, 50);
    for (int v : s.Left(300))
        ASSERT_EQ(v, kFullLevel[music] / 2);
}

TEST_P(Volume, TheOtherKindKeepsItsVolume)
{
    const bool music = GetParam();
    Steady s(music);
    // The volume of the kind that does not play here.
    if (music)
        s.Speaker.SetSoundVolume(0);
    else
        s.Speaker.SetMusicVolume(0);
    for (int v : s.Left(300))
        ASSERT_EQ(v, kFullLevel[music]);
}

INSTANTIATE_TEST_SUITE_P(Kinds, Volume, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& i) { return i.param ? "Music" : "Effects"; });

TEST(Volume, PercentagesGiveTheirShareOfFullGain)
{
    EXPECT_EQ(hssSpeaker::GainOf(100), hssSpeaker::kFullGain);
    EXPECT_EQ(hssSpeaker::GainOf(250), hssSpeaker::kFullGain) << "above 100 is 100";
    EXPECT_EQ(hssSpeaker::GainOf(50), hssSpeaker::kFullGain / 2);
    EXPECT_EQ(hssSpeaker::GainOf(0), 0u);
    EXPECT_EQ(hssSpeaker::GainOf(10), 6553u);
}

// A module whose one instrument is a rising line of 128 bytes, -64 to 63,
// played slower than its bytes (period 856: a step of about 0.19 byte a
// frame), once (no loop), on 8-bit stereo output.
struct Line {
    RecordingDriver::Log Log;
    hssSpeaker Speaker;
    hssMusic Music;
    Bytes Image;

    explicit Line(bool smooth)
    {
        std::vector<int8_t> line;
        for (int i = 0; i < 128; ++i)
            line.push_back(int8_t(i - 64));
        ModImage m;
        m.Sample(1, line).Orders({0});
        m.Cell(0, 0, 0, 1, 856, 0, 0);
        Image = m.Build();
        Speaker.SetDriverFactory(RecordingDriver::Factory(&Log));
        EXPECT_EQ(Speaker.Open(kRate, 16, 8, 1, 1), 0);
        Speaker.SetSmooth(smooth);
        EXPECT_EQ(Music.LoadFromBytes(Image.data(), Image.size()), kHssLoadOk);
        EXPECT_GE(Speaker.PlayMusic(Music, kHssPlayAnyChannel), 0);
    }
};

TEST(SmoothSound, DrawsASampledLineAsALineWhereNearestMakesStairs)
{
    Line smooth(true), nearest(false);
    const uint32_t step = smooth.Speaker.StepTable[856];
    ASSERT_EQ(step, 12426u) << "7159090 / 1712 Hz at 22050 Hz, 16.16";
    // Frames while the line is under way (the last byte has no neighbour).
    const uint32_t frames = uint32_t((uint64_t(126) << 16) / step);
    const Bytes outSmooth = MixFrames(smooth.Speaker, frames);
    const Bytes outNearest = MixFrames(nearest.Speaker, frames);
    // Channel 0 sits a quarter to the left: (64 - 16) * 2 per unit.
    constexpr double kGain = 96;
    double worstSmooth = 0, worstNearest = 0;
    for (uint32_t f = 0; f < frames; ++f) {
        const double ideal = kGain * (-64 + double(uint64_t(f) * step) / 65536);
        worstSmooth = std::max(worstSmooth, std::abs(Left16(outSmooth, f) - ideal));
        worstNearest = std::max(worstNearest, std::abs(Left16(outNearest, f) - ideal));
    }
    // The 8.8 position and one rounding per frame: under one unit of the
    // 16-bit output per 256th of a byte, well under a byte's gain.
    EXPECT_LT(worstSmooth, kGain / 256 * 2 + 1);
    EXPECT_GT(worstNearest, kGain * 0.9) << "nearest holds each byte for about five frames";
}

TEST(SmoothSound, ReadsNothingPastTheEndOfASampleAndFallsSilentThere)
{
    // The instrument's data are the last bytes of the image: a read past
    // them is a read past the allocation (seen by the sanitizer build).
    Line smooth(true);
    const Bytes out = MixFrames(smooth.Speaker, 2000);
    const uint32_t step = smooth.Speaker.StepTable[856];
    const uint32_t end = uint32_t((uint64_t(128) << 16) / step) + 1;
    ASSERT_LT(end, 1900u);
    EXPECT_EQ(Left16(out, end - 2), 96 * 63) << "the last byte is held, not drawn towards what follows";
    for (uint32_t f = end; f < 2000; ++f)
        ASSERT_EQ(Left16(out, f), 0) << "frame " << f;
}

} // namespace
