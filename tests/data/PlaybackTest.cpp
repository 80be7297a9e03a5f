// Plays what the build made through the game's own sound library: every
// effect loads, and every tune plays on the offline driver, as the game
// opens its speaker, for at least 90 seconds before it ends by itself, with
// its mix hardly ever reaching the clamp.
#include "tests/data/ContentFiles.h"

#include "platform/OfflineAudioDriver.h"
#include "sound/hssMusic.h"
#include "sound/hssSound.h"
#include "sound/hssSpeaker.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace ContentTest;

namespace {

class EffectLoads : public testing::TestWithParam<const char*> {};

TEST_P(EffectLoads, ThroughTheSoundLibrary)
{
    const std::vector<uint8_t> bytes = ReadBytes(DataDir() + "/Sounds/" + GetParam());
    hssSound sound;
    ASSERT_EQ(sound.LoadFromBytes(bytes.data(), bytes.size()), kHssLoadOk);
    EXPECT_TRUE(sound.HasData());
    EXPECT_EQ(sound.SampleRate, 22050u);
    EXPECT_EQ(sound.IsStereo, 0);
    EXPECT_GT(sound.Frames, 22050u / 20);
    EXPECT_LT(sound.Frames, 22050u * 3);
}

INSTANTIATE_TEST_SUITE_P(Sounds, EffectLoads,
                         testing::Values("Rotate.wav", "HitBottom.wav", "Drop.wav", "Remove.wav",
                                         "NewLevel.wav", "GameOver.wav", "Clap.wav"),
                         [](const testing::TestParamInfo<const char*>& i) {
                             std::string n = i.param;
                             return n.substr(0, n.find('.'));
                         });

struct TRender {
    double Seconds = 0;
    double ClippedShare = 0;
    double Rms = 0; // of the whole mix, full scale 1
};

// Plays the module alone, as the game does (22050 Hz, 8 bits, stereo),
// until its channel halts or `limit` seconds have passed.
TRender Render(const std::vector<uint8_t>& bytes, double limit)
{
    TRender r;
    hssMusic music;
    if (music.LoadFromBytes(bytes.data(), bytes.size()) != kHssLoadOk)
        return r;
    hssSpeaker speaker;
    TOfflineAudioDriver* driver = nullptr;
    speaker.SetDriverFactory([&driver]() {
        driver = new TOfflineAudioDriver();
        return driver;
    });
    if (speaker.Open(22050, 8, 8, 2, 1) != 0 || !driver || speaker.PlayMusic(music, kHssPlayAnyChannel) < 0)
        return r;
    long long frames = 0, clipped = 0, playing = 0;
    double sum = 0;
    while (speaker.CountPlayingMusic() > 0 && frames < limit * 22050) {
        const uint8_t* buffer = driver->RenderBuffer();
        const uint32_t bytesPerBuffer = driver->Layout().BufferBytes;
        for (uint32_t i = 0; i + 1 < bytesPerBuffer; i += 2, ++frames) {
            const int left = buffer[i] - 128, right = buffer[i + 1] - 128;
            clipped += left == 127 || left == -128 || right == 127 || right == -128;
            sum += (left * left + right * right) / (2.0 * 128 * 128);
        }
        if (speaker.CountPlayingMusic() > 0)
            playing = frames;
    }
    speaker.Close();
    r.Seconds = playing / 22050.0;
    r.ClippedShare = frames ? double(clipped) / double(frames) : 1;
    r.Rms = frames ? std::sqrt(sum / double(frames)) : 0;
    return r;
}

class TunePlays : public testing::TestWithParam<const char*> {};

TEST_P(TunePlays, AtLeastNinetySecondsAndEndsWithoutClipping)
{
    const TRender r = Render(ReadBytes(DataDir() + "/Music/" + GetParam()), 240);
    EXPECT_GE(r.Seconds, 90.0);
    EXPECT_LT(r.Seconds, 240.0) << "the tune must end by itself";
    EXPECT_LT(r.ClippedShare, 0.001);
    // Loud enough to be heard under the effects, not so loud that it drowns them.
    const double db = 20 * std::log10(std::max(r.Rms, 1e-9));
    EXPECT_GT(db, -30.0);
    EXPECT_LT(db, -12.0);
}

INSTANTIATE_TEST_SUITE_P(Music, TunePlays,
                         testing::Values("AXEL.MOD", "chinese.MOD", "CRIMINAL.MOD", "mattiasa.mod"),
                         [](const testing::TestParamInfo<const char*>& i) {
                             std::string n = i.param;
                             return n.substr(0, n.find('.'));
                         });

} // namespace
