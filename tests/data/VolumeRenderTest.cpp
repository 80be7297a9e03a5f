// The player's volumes on the game's own tunes and effects, rendered through
// hss-render's library: at 100 % every render is, bit for bit, the one the
// mixer made before there were volumes (their FNV-1a hashes below were taken
// from renders of the build before the change, with the same three formats);
// at 50 % each output sample is half of the full one within a step of
// rounding, and at 0 % the output is silence.
#include "tests/data/ContentFiles.h"

#include "tools/hss-render/HssRender.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace ContentTest;

namespace {

uint64_t Fnv1a(const std::vector<uint8_t>& bytes)
{
    uint64_t h = 0xcbf29ce484222325ull;
    for (uint8_t b : bytes) {
        h ^= b;
        h *= 0x100000001b3ull;
    }
    return h;
}

struct TGolden {
    const char* File; // under the data folder
    uint64_t Stereo8, Stereo16, Mono8;
};

const TGolden kGoldens[] = {
    {"Music/AXEL.MOD", 0xb0d6bba06f7c99edull, 0x6c00b51a72e7b4b5ull, 0x566f073f205a875dull},
    {"Music/chinese.MOD", 0x173cdd29e3838f8bull, 0x2d891365b8f5f623ull, 0xff1bbf028e00f012ull},
    {"Music/CRIMINAL.MOD", 0x88c7acb02389874bull, 0x6a887fede334ffb9ull, 0x78f55b65f3bb83c9ull},
    {"Music/mattiasa.mod", 0xb5aa15a166768f21ull, 0xede014285784b3afull, 0x64f26fbeb249033bull},
    {"Sounds/Rotate.wav", 0x609f6649c9a68c07ull, 0x062f043a51733bcdull, 0xc8db4d4b8289c8aaull},
    {"Sounds/HitBottom.wav", 0x97767fcf2f0cb27full, 0x52346c2ead5060adull, 0x78787a139045d5faull},
    {"Sounds/Drop.wav", 0xd8edc47538552367ull, 0xf42709f0bed50d1dull, 0x204ad95bee06912cull},
    {"Sounds/Remove.wav", 0x6b227a0ee27f6bc1ull, 0x0a594b099607322dull, 0x97a389038336ca25ull},
    {"Sounds/NewLevel.wav", 0x56eb8cec5ac2a9f7ull, 0xaa29d25e6113e2d1ull, 0x94daa93664f98adeull},
    {"Sounds/GameOver.wav", 0xcf2cdaac28bdccb7ull, 0x9a25999f3084f355ull, 0xa4adfb95a0a04956ull},
    {"Sounds/Clap.wav", 0xfb5dffcf3e507495ull, 0x6711e28bf5451061ull, 0x66eeb1eac6bd1e4full},
};

class VolumeRender : public testing::TestWithParam<TGolden> {
protected:
    HssRenderOutput Render(uint32_t bits, bool mono, uint32_t volume)
    {
        const std::vector<uint8_t> bytes = ReadBytes(DataDir() + "/" + GetParam().File);
        HssRenderOptions options;
        options.Bits = bits;
        options.Mono = mono;
        options.Volume = volume;
        HssRenderOutput output;
        EXPECT_EQ(HssRender(bytes.data(), bytes.size(), options, &output), 0);
        return output;
    }
};

TEST_P(VolumeRender, AtFullVolumeIsBitForBitTheDesignedMix)
{
    EXPECT_EQ(Fnv1a(Render(8, false, 100).Pcm), GetParam().Stereo8) << "8-bit stereo, as the game plays";
    EXPECT_EQ(Fnv1a(Render(16, false, 100).Pcm), GetParam().Stereo16) << "16-bit stereo";
    EXPECT_EQ(Fnv1a(Render(8, true, 100).Pcm), GetParam().Mono8) << "8-bit mono";
}

TEST_P(VolumeRender, HalfVolumeHalvesEverySampleAndNoneIsSilence)
{
    const HssRenderOutput full = Render(16, false, 100);
    const HssRenderOutput half = Render(16, false, 50);
    const HssRenderOutput none = Render(16, false, 0);
    ASSERT_EQ(half.Pcm.size(), full.Pcm.size()) << "a volume changes no length";
    ASSERT_EQ(none.Pcm.size(), full.Pcm.size());
    size_t checked = 0, loud = 0;
    for (size_t i = 0; i + 1 < full.Pcm.size(); i += 2) {
        const int f = int16_t(uint16_t(full.Pcm[i] | full.Pcm[i + 1] << 8));
        const int h = int16_t(uint16_t(half.Pcm[i] | half.Pcm[i + 1] << 8));
        const int n = int16_t(uint16_t(none.Pcm[i] | none.Pcm[i + 1] << 8));
        ASSERT_EQ(n, 0) << "sample " << i / 2;
        if (f == 32767 || f == -32768)
            continue; // clamped at full volume: the half of what was cut is not known
        // Music and effects are halved each before they meet: two roundings.
        ASSERT_LE(std::abs(2 * h - f), 2) << "sample " << i / 2 << ": full " << f << ", half " << h;
        ++checked;
        loud += std::abs(f) > 256;
    }
    EXPECT_GT(loud, checked / 4) << "the render is mostly sound, not silence";
}

INSTANTIATE_TEST_SUITE_P(Content, VolumeRender, testing::ValuesIn(kGoldens),
                         [](const testing::TestParamInfo<TGolden>& i) {
                             std::string n = i.param.File;
                             n = n.substr(n.find('/') + 1);
                             return n.substr(0, n.find('.'));
                         });

} // namespace
