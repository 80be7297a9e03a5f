// The WAVE writer: chunk layout of each encoding, and ADPCM blocks that an
// independent decoder (the standard algorithm) turns back into the sound.
#include "tools/make-sounds/WaveWriter.h"
#include "tools/make-sounds/Effects.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace MakeSounds;

namespace {

int Le16(const std::vector<uint8_t>& b, size_t at)
{
    return int16_t(b[at] | b[at + 1] << 8);
}
uint32_t Le32(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

// Decodes mono Microsoft ADPCM blocks as the format defines them.
std::vector<int> DecodeAdpcm(const std::vector<uint8_t>& data, int blockAlign, int blockFrames)
{
    static const int adapt[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                                  768, 614, 512, 409, 307, 230, 230, 230};
    static const int coef[7][2] = {{256, 0}, {512, -256}, {0, 0},     {192, 64},
                                   {240, 0}, {460, -208}, {392, -232}};
    std::vector<int> out;
    for (size_t at = 0; at + size_t(blockAlign) <= data.size(); at += size_t(blockAlign)) {
        const int p = data[at];
        int delta = Le16(data, at + 1), s1 = Le16(data, at + 3), s2 = Le16(data, at + 5);
        out.push_back(s2);
        out.push_back(s1);
        for (int i = 0; i < blockFrames - 2; ++i) {
            const uint8_t byte = data[at + 7 + size_t(i / 2)];
            const int nibble = i % 2 ? byte & 15 : byte >> 4;
            const int n = nibble >= 8 ? nibble - 16 : nibble;
            const int value =
                std::clamp((s1 * coef[p][0] + s2 * coef[p][1]) / 256 + n * delta, -32768, 32767);
            delta = std::max(16, delta * adapt[nibble] / 256);
            s2 = s1;
            s1 = value;
            out.push_back(value);
        }
    }
    return out;
}

TEST(WaveWriter, WritesEachEncodingWithFormatFirstAndTheRightSizes)
{
    const std::vector<double> tone(1001, 0.25);
    const struct {
        TEncoding Encoding;
        int Tag, Bits;
        size_t DataSize;
    } cases[] = {
        {TEncoding::Pcm8, 1, 8, 1002}, {TEncoding::Pcm16, 1, 16, 2002}, {TEncoding::Adpcm, 2, 4, 3 * 256}};
    for (const auto& c : cases) {
        const std::vector<uint8_t> w = WriteWave(tone, 22050, c.Encoding);
        ASSERT_GT(w.size(), 44u);
        EXPECT_EQ(std::memcmp(w.data(), "RIFF", 4), 0);
        EXPECT_EQ(Le32(w, 4), w.size() - 8);
        EXPECT_EQ(std::memcmp(w.data() + 12, "fmt ", 4), 0) << "the library wants the format chunk first";
        EXPECT_EQ(Le16(w, 20), c.Tag);
        EXPECT_EQ(Le16(w, 22), 1);
        EXPECT_EQ(Le32(w, 24), 22050u);
        EXPECT_EQ(Le16(w, 34), c.Bits);
        const size_t data = w.size() - c.DataSize - 8;
        EXPECT_EQ(std::memcmp(w.data() + data, "data", 4), 0) << int(c.Bits);
        EXPECT_EQ(Le32(w, data + 4), c.DataSize);
    }
}

TEST(WaveWriter, AdpcmDecodesBackCloseToTheSound)
{
    std::vector<double> sound;
    for (int i = 0; i < 3 * kAdpcmBlockFrames; ++i)
        sound.push_back(0.6 * std::sin(i * 0.07) + 0.2 * std::sin(i * 0.9) * std::exp(-i / 600.0));
    const std::vector<uint8_t> w = WriteWave(sound, 22050, TEncoding::Adpcm);
    const size_t data = w.size() - 3 * kAdpcmBlockAlign;
    const std::vector<int> back =
        DecodeAdpcm({w.begin() + long(data), w.end()}, kAdpcmBlockAlign, kAdpcmBlockFrames);
    ASSERT_EQ(back.size(), sound.size());
    double signal = 0, noise = 0;
    for (size_t i = 0; i < sound.size(); ++i) {
        const double want = sound[i] * 32767;
        signal += want * want;
        noise += (back[i] - want) * (back[i] - want);
    }
    EXPECT_GT(10 * std::log10(signal / noise), 30.0) << "signal to noise in dB";
    // The block header carries the first two samples exactly.
    EXPECT_EQ(back[0], std::lround(sound[0] * 32767));
    EXPECT_EQ(back[1], std::lround(sound[1] * 32767));
}

TEST(Effects, EverySoundStartsAndEndsInSilenceAndStaysInRange)
{
    for (auto make :
         {MakeRotate, MakeHitBottom, MakeDrop, MakeRemove, MakeNewLevel, MakeGameOver, MakeClap}) {
        const std::vector<double> s = make();
        ASSERT_GT(s.size(), 1000u);
        EXPECT_EQ(s.front(), 0.0);
        EXPECT_EQ(s.back(), 0.0);
        double peak = 0;
        for (double v : s)
            peak = std::max(peak, std::fabs(v));
        EXPECT_GT(peak, 0.5);
        EXPECT_LE(peak, 0.95);
    }
}

} // namespace
