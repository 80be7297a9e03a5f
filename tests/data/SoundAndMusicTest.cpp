// Reads back the sound effects and tunes the build made: names, encodings,
// lengths, clean starts and ends, balanced levels, module layouts.
#include "tests/data/ContentFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ostream>
#include <set>

using namespace ContentTest;

namespace {

struct TEffectCase {
    const char* File;
    int Bits; // 8, 16, or 4 for Microsoft ADPCM
};

std::ostream& operator<<(std::ostream& os, const TEffectCase& c)
{
    return os << c.File;
}

const TEffectCase kEffects[] = {
    {"Rotate.wav", 8},   {"HitBottom.wav", 8}, {"Drop.wav", 16}, {"Remove.wav", 16},
    {"NewLevel.wav", 4}, {"GameOver.wav", 16}, {"Clap.wav", 4},
};

class Effects : public testing::TestWithParam<TEffectCase> {};

TEST_P(Effects, IsAShortMonoWaveInAFormatTheGameReads)
{
    const std::vector<uint8_t> bytes = ReadBytes(DataDir() + "/Sounds/" + GetParam().File);
    const TWaveInfo w = InspectWave(bytes);
    ASSERT_TRUE(w.Valid);
    EXPECT_TRUE(w.FormatFirst);
    EXPECT_EQ(w.Channels, 1);
    EXPECT_EQ(w.Rate, 22050);
    EXPECT_EQ(w.Bits, GetParam().Bits);
    EXPECT_EQ(w.Tag, GetParam().Bits == 4 ? 2 : 1);
    const double frames = GetParam().Bits == 4
                              ? double(w.DataSize) / w.BlockAlign * ((w.BlockAlign - 7) * 2 + 2)
                              : double(w.DataSize) / (GetParam().Bits / 8);
    EXPECT_GT(frames / w.Rate, 0.05);
    EXPECT_LT(frames / w.Rate, 3.0);
}

// Every effect starts and ends at silence (no click) and peaks between -6
// and 0 dB, so that the seven sit level with each other.
TEST_P(Effects, StartsAndEndsSilentAndPeaksNearFullScale)
{
    const std::vector<uint8_t> bytes = ReadBytes(DataDir() + "/Sounds/" + GetParam().File);
    const std::vector<double> s = DecodeSamples(bytes, InspectWave(bytes));
    ASSERT_GT(s.size(), 1000u);
    double peak = 0;
    for (double v : s)
        peak = std::max(peak, std::fabs(v));
    EXPECT_GT(peak, 0.5);
    EXPECT_LE(peak, 1.0);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_LT(std::fabs(s[i]), 0.03) << "sample " << i;
        EXPECT_LT(std::fabs(s[s.size() - 1 - i]), 0.03) << "sample " << s.size() - 1 - i;
    }
}

INSTANTIATE_TEST_SUITE_P(Sounds, Effects, testing::ValuesIn(kEffects),
                         [](const testing::TestParamInfo<TEffectCase>& i) {
                             std::string n = i.param.File;
                             return n.substr(0, n.find('.'));
                         });

struct TTuneCase {
    const char* File;
    int Channels;
};

std::ostream& operator<<(std::ostream& os, const TTuneCase& c)
{
    return os << c.File;
}

const TTuneCase kTunes[] = {{"AXEL.MOD", 8}, {"chinese.MOD", 4}, {"CRIMINAL.MOD", 4}, {"mattiasa.mod", 4}};

class Tunes : public testing::TestWithParam<TTuneCase> {};

// The layout the player reads: signature, order list, stored patterns and
// instrument data adding up to the file's length exactly.
TEST_P(Tunes, IsAWholeModuleWithItsChannelSignature)
{
    const std::vector<uint8_t> m = ReadBytes(DataDir() + "/Music/" + GetParam().File);
    ASSERT_GT(m.size(), 1084u);
    EXPECT_EQ(std::string(m.begin() + 1080, m.begin() + 1084), GetParam().Channels == 8 ? "8CHN" : "M.K.");
    const int length = m[950];
    ASSERT_GT(length, 0);
    ASSERT_LE(length, 128);
    const int stored = 1 + *std::max_element(m.begin() + 952, m.begin() + 952 + length);
    size_t samples = 0;
    int instruments = 0;
    for (int i = 0; i < 31; ++i) {
        const uint8_t* h = &m[20 + 30 * size_t(i)];
        const size_t words = size_t(h[22] << 8 | h[23]);
        const size_t loopStart = size_t(h[26] << 8 | h[27]), loopLength = size_t(h[28] << 8 | h[29]);
        samples += words * 2;
        instruments += words > 0;
        EXPECT_LE(h[25], 64) << "instrument " << i + 1;
        if (words && loopLength > 1) {
            EXPECT_LE(loopStart + loopLength, words) << "instrument " << i + 1;
        }
    }
    EXPECT_GE(instruments, 6);
    EXPECT_EQ(m.size(), 1084 + size_t(stored) * size_t(GetParam().Channels) * 256 + samples);
}

// Every tune uses the player's effects; together they use all of these.
TEST(TunesTogether, UseArpeggioSlidesPortamentoVibratoVolumeBreaksLoopsAndTempo)
{
    std::set<int> used;
    for (const TTuneCase& t : kTunes) {
        const std::vector<uint8_t> m = ReadBytes(DataDir() + "/Music/" + t.File);
        ASSERT_GT(m.size(), 1084u);
        const int stored = 1 + *std::max_element(m.begin() + 952, m.begin() + 952 + m[950]);
        for (size_t at = 1084; at < 1084 + size_t(stored) * size_t(t.Channels) * 256; at += 4) {
            const int effect = m[at + 2] & 15, param = m[at + 3];
            if (effect || param)
                used.insert(effect == 14 ? 0xE0 | param >> 4 : effect);
        }
    }
    for (int effect : {0x0, 0x1, 0x2, 0x3, 0x4, 0xA, 0xC, 0xD, 0xE6, 0xF})
        EXPECT_TRUE(used.count(effect)) << std::hex << effect;
}

INSTANTIATE_TEST_SUITE_P(Music, Tunes, testing::ValuesIn(kTunes),
                         [](const testing::TestParamInfo<TTuneCase>& i) {
                             std::string n = i.param.File;
                             return n.substr(0, n.find('.'));
                         });

} // namespace
