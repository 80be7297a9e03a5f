// Loading WAVE samples: the chunk walk, frame counts, the codes of damaged
// and unsupported files, and Microsoft ADPCM decoding.

#include "sound/hssSound.h"

#include "tests/platform/TempFolder.h"
#include "tests/sound/SoundFixtures.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>
#include <unistd.h>

using namespace SoundFixtures;

namespace {

int LoadInto(hssSound& sound, const Bytes& image)
{
    return sound.LoadFromBytes(image.data(), image.size());
}

int16_t SampleAt(const hssSound& sound, size_t index)
{
    return int16_t(sound.Data[2 * index] | sound.Data[2 * index + 1] << 8);
}

struct FrameCase {
    uint32_t Channels, Bits, DataBytes, Frames;
};

std::ostream& operator<<(std::ostream& os, const FrameCase& c)
{
    return os << c.Bits << "-bit, " << c.Channels << " channels, " << c.DataBytes << " data bytes";
}

class SoundFrameCount : public ::testing::TestWithParam<FrameCase> {};

TEST_P(SoundFrameCount, FramesFollowBitsAndChannels)
{
    const FrameCase c = GetParam();
    hssSound sound;
    ASSERT_EQ(LoadInto(sound, PcmWav(c.Channels, 11025, c.Bits, Bytes(c.DataBytes, 0x80))), 0);
    EXPECT_EQ(sound.Frames, c.Frames);
    EXPECT_EQ(sound.Is8Bit, c.Bits == 8 ? 1 : 0);
    EXPECT_EQ(sound.IsStereo, c.Channels == 2 ? 1 : 0);
    EXPECT_EQ(sound.SampleRate, 11025u);
    EXPECT_EQ(sound.PlayRate, 11025u);
    EXPECT_EQ(sound.OwnsData, 1u);
    EXPECT_EQ(sound.Volume, 64u);
    EXPECT_EQ(sound.PanPos, 128u);
    EXPECT_EQ(sound.LoopFlag, 0u);
    EXPECT_EQ(sound.CopyLimit, -1);
}

INSTANTIATE_TEST_SUITE_P(Formats, SoundFrameCount,
                         ::testing::Values(FrameCase{1, 8, 1000, 1000}, FrameCase{2, 8, 1000, 500},
                                           FrameCase{1, 16, 1000, 500}, FrameCase{2, 16, 4000, 1000},
                                           FrameCase{2, 16, 4003, 1000}, FrameCase{2, 8, 1, 0}));

TEST(hssSound, ChunkWalkSkipsLongFormatsAndChunksBeforeTheData)
{
    Bytes format = PcmFormat(1, 22050, 8);
    format.resize(120, 0xEE); // longer than the 80 bytes read at once
    const Bytes data = {1, 2, 3, 4, 5};
    const Bytes image = WavImage()
                            .Chunk("fmt ", format)
                            .Chunk("LIST", Bytes(37, 'x'))
                            .Chunk("fact", Bytes(4, 0))
                            .Chunk("data", data)
                            .Build();
    hssSound sound;
    ASSERT_EQ(LoadInto(sound, image), 0);
    EXPECT_EQ(sound.Frames, 5u);
    EXPECT_EQ(Bytes(sound.Data, sound.Data + 5), data);
}

TEST(hssSound, ShortFormatChunkIsFollowedExactly)
{
    // A 16-byte format chunk is followed at once by the data chunk, although
    // 80 bytes of format are read.
    const Bytes image = PcmWav(1, 8000, 8, Bytes{9, 8, 7});
    hssSound sound;
    ASSERT_EQ(LoadInto(sound, image), 0);
    EXPECT_EQ(Bytes(sound.Data, sound.Data + 3), (Bytes{9, 8, 7}));
}

struct DamageCase {
    std::string Name;
    Bytes Image;
    int Code;
};

std::ostream& operator<<(std::ostream& os, const DamageCase& c)
{
    return os << c.Name;
}

class SoundLoadFailure : public ::testing::TestWithParam<DamageCase> {};

TEST_P(SoundLoadFailure, FailsCleanlyWithItsCode)
{
    const DamageCase& c = GetParam();
    hssSound sound;
    // A sample loaded before is freed by the failing load.
    ASSERT_EQ(LoadInto(sound, PcmWav(1, 22050, 8, Bytes(10, 1))), 0);
    EXPECT_EQ(LoadInto(sound, c.Image), c.Code);
    EXPECT_FALSE(sound.HasData());
}

Bytes Truncated(Bytes image, size_t size)
{
    image.resize(size);
    return image;
}

Bytes WithFirstByte(Bytes bytes, uint8_t first)
{
    bytes[0] = first;
    return bytes;
}

const Bytes kGood = PcmWav(1, 22050, 8, Bytes(64, 0x90));

INSTANTIATE_TEST_SUITE_P(
    Damaged, SoundLoadFailure,
    ::testing::Values(
        DamageCase{"empty", Bytes(), -300}, DamageCase{"riff header only", Truncated(kGood, 12), -300},
        DamageCase{"format header cut", Truncated(kGood, 18), -300},
        DamageCase{"fmt not first",
                   WavImage()
                       .Chunk("LIST", Bytes(4, 0))
                       .Chunk("fmt ", PcmFormat(1, 22050, 8))
                       .Chunk("data", Bytes(8, 1))
                       .Build(),
                   -300},
        DamageCase{"no data chunk", WavImage().Chunk("fmt ", PcmFormat(1, 22050, 8)).Build(), -300},
        DamageCase{"data header cut", Truncated(kGood, 12 + 24 + 5), -300},
        DamageCase{"empty data", PcmWav(1, 22050, 8, Bytes()), -300},
        DamageCase{"data past the end", Truncated(kGood, kGood.size() - 1), -300},
        DamageCase{"skipped chunk past the end",
                   WavImage()
                       .Chunk("fmt ", PcmFormat(1, 22050, 8))
                       .ChunkWithSize("LIST", Bytes(4, 0), 0x7FFFFFF0)
                       .Chunk("data", Bytes(8, 1))
                       .Build(),
                   -300},
        DamageCase{"format size past the end",
                   WavImage()
                       .ChunkWithSize("fmt ", PcmFormat(1, 22050, 8), 0xFFFFFFF0)
                       .Chunk("data", Bytes(8, 1))
                       .Build(),
                   -300},
        DamageCase{"12 bits", PcmWav(1, 22050, 12, Bytes(8, 1)), -100},
        DamageCase{"24 bits", PcmWav(1, 22050, 24, Bytes(9, 1)), -100},
        DamageCase{"3 channels", PcmWav(3, 22050, 8, Bytes(9, 1)), -100},
        DamageCase{"0 channels", PcmWav(0, 22050, 8, Bytes(9, 1)), -100},
        DamageCase{"rate 0", PcmWav(1, 0, 8, Bytes(9, 1)), -100},
        DamageCase{"4-bit not ADPCM",
                   WavImage()
                       .Chunk("fmt ", AdpcmFormat(1, 22050, 64, 116, 7, 0x11))
                       .Chunk("data", Bytes(64, 0))
                       .Build(),
                   -100},
        DamageCase{
            "ADPCM with 6 coefficients",
            WavImage().Chunk("fmt ", AdpcmFormat(1, 22050, 64, 116, 6)).Chunk("data", Bytes(64, 0)).Build(),
            -100},
        DamageCase{
            "ADPCM block align 0",
            WavImage().Chunk("fmt ", AdpcmFormat(1, 22050, 0, 116)).Chunk("data", Bytes(64, 0)).Build(),
            -100},
        DamageCase{"ADPCM one frame per block",
                   WavImage().Chunk("fmt ", AdpcmFormat(1, 22050, 64, 1)).Chunk("data", Bytes(64, 0)).Build(),
                   -100},
        DamageCase{
            "ADPCM more frames than the block holds",
            WavImage().Chunk("fmt ", AdpcmFormat(1, 22050, 64, 117)).Chunk("data", Bytes(64, 0)).Build(),
            -100},
        DamageCase{"ADPCM predictor 7",
                   WavImage()
                       .Chunk("fmt ", AdpcmFormat(1, 22050, 64, 116))
                       .Chunk("data", WithFirstByte(Bytes(64, 0), 7))
                       .Build(),
                   -100},
        DamageCase{
            "ADPCM no whole block",
            WavImage().Chunk("fmt ", AdpcmFormat(1, 22050, 64, 116)).Chunk("data", Bytes(63, 0)).Build(),
            -300}),
    [](const ::testing::TestParamInfo<DamageCase>& info) {
        std::string name;
        for (char ch : info.param.Name)
            name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
        return name;
    });

// One ADPCM block: header, then nibbles.
Bytes AdpcmBlock(const Bytes& predictors, const std::vector<int16_t>& deltas,
                 const std::vector<int16_t>& sample1, const std::vector<int16_t>& sample2,
                 const Bytes& nibbleBytes)
{
    Bytes b = predictors;
    for (int16_t d : deltas)
        PutLe16(b, uint16_t(d));
    for (int16_t s : sample1)
        PutLe16(b, uint16_t(s));
    for (int16_t s : sample2)
        PutLe16(b, uint16_t(s));
    b.insert(b.end(), nibbleBytes.begin(), nibbleBytes.end());
    return b;
}

TEST(hssSoundAdpcm, MonoBlockDecodesHeaderSamplesFirstThenNibbles)
{
    // Predictor 0 (256, 0): predicted = sample1. Delta 100.
    // Nibbles 0x1, 0xF: +1 * 100, then -1 * delta'.
    const Bytes block = AdpcmBlock({0}, {100}, {1000}, {-2000}, {0x1F, 0x70});
    const uint32_t blockFrames = 2 + 4;
    Bytes data = block;
    const Bytes image = WavImage()
                            .Chunk("fmt ", AdpcmFormat(1, 22050, uint32_t(block.size()), blockFrames))
                            .Chunk("data", data)
                            .Build();
    hssSound sound;
    ASSERT_EQ(LoadInto(sound, image), 0);
    ASSERT_EQ(sound.Frames, blockFrames);
    EXPECT_EQ(sound.Is8Bit, 0);
    EXPECT_EQ(sound.IsStereo, 0);
    EXPECT_EQ(SampleAt(sound, 0), -2000); // sample 2 comes first
    EXPECT_EQ(SampleAt(sound, 1), 1000);  // then sample 1
    // Nibble 1 (high nibble first): 1000 + 1 * 100; delta 100 * 230 / 256 = 89.
    EXPECT_EQ(SampleAt(sound, 2), 1100);
    // Nibble 0xF = -1: 1100 - 89 = 1011; delta 89 * 230 / 256 = 79.
    EXPECT_EQ(SampleAt(sound, 3), 1011);
    // Nibble 7: 1011 + 7 * 79 = 1564; delta 79 * 614 / 256 = 189.
    EXPECT_EQ(SampleAt(sound, 4), 1564);
    // Nibble 0: 1564 + 0; delta 189 * 230 / 256 = 169.
    EXPECT_EQ(SampleAt(sound, 5), 1564);
}

TEST(hssSoundAdpcm, DeltaNeverFallsBelowSixteen)
{
    // Delta 16 with nibble 0 would shrink to 14: it stays 16, so the second
    // nibble of 1 adds exactly 16. Predictor 2 (0, 0) predicts 0.
    const Bytes block = AdpcmBlock({2}, {16}, {0}, {0}, {0x01, 0x10});
    const Bytes image = WavImage()
                            .Chunk("fmt ", AdpcmFormat(1, 8000, uint32_t(block.size()), 6))
                            .Chunk("data", block)
                            .Build();
    hssSound sound;
    ASSERT_EQ(LoadInto(sound, image), 0);
    EXPECT_EQ(SampleAt(sound, 2), 0);  // 0 + 0 * 16
    EXPECT_EQ(SampleAt(sound, 3), 16); // delta still 16
    EXPECT_EQ(SampleAt(sound, 4), 16); // predicted 0 + 1 * 16
    EXPECT_EQ(SampleAt(sound, 5), 0);
}

TEST(hssSoundAdpcm, PredictionDividesTowardZeroAndClamps)
{
    // Predictor 3 (192, 64): s1 = -1, s2 = 0 predicts -192 / 256, which is 0
    // toward zero (a floor would give -1); then s1 = 0, s2 = -1: -64 / 256 = 0.
    const Bytes block = AdpcmBlock({3}, {16}, {-1}, {0}, {0x00});
    const Bytes image = WavImage()
                            .Chunk("fmt ", AdpcmFormat(1, 8000, uint32_t(block.size()), 4))
                            .Chunk("data", block)
                            .Build();
    hssSound sound;
    ASSERT_EQ(LoadInto(sound, image), 0);
    EXPECT_EQ(SampleAt(sound, 2), 0);
    EXPECT_EQ(SampleAt(sound, 3), 0);

    // Predictor 1 (512, -256): 2 * 30000 + 30000 plus 7 * 16 clamps to 32767.
    const Bytes loud = AdpcmBlock({1}, {16}, {30000}, {-30000}, {0x70});
    const Bytes loudImage =
        WavImage().Chunk("fmt ", AdpcmFormat(1, 8000, uint32_t(loud.size()), 4)).Chunk("data", loud).Build();
    ASSERT_EQ(LoadInto(sound, loudImage), 0);
    EXPECT_EQ(SampleAt(sound, 2), 32767);
}

TEST(hssSoundAdpcm, StereoBlocksInterleaveChannelsAndDropPartialBlocks)
{
    // Two channels: high nibble is channel 0, low nibble channel 1.
    const Bytes block = AdpcmBlock({0, 0}, {100, 200}, {10, 20}, {-10, -20}, {0x1F, 0x2E});
    const uint32_t blockFrames = 2 + 2;
    Bytes data = block;
    data.insert(data.end(), block.begin(), block.end());
    data.insert(data.end(), block.begin(), block.begin() + 5); // partial third block
    const Bytes image = WavImage()
                            .Chunk("fmt ", AdpcmFormat(2, 22050, uint32_t(block.size()), blockFrames))
                            .Chunk("data", data)
                            .Build();
    hssSound sound;
    ASSERT_EQ(LoadInto(sound, image), 0);
    EXPECT_EQ(sound.IsStereo, 1);
    ASSERT_EQ(sound.Frames, 2 * blockFrames); // exactly BlockFrames frames per whole block
    const std::vector<int16_t> want = {
        -10, -20, 10, 20,
        // ch0 nibble 1: 10 + 100; ch1 nibble 0xF: 20 - 200
        110, -180,
        // ch0 delta 89, nibble 2: 110 + 178; ch1 delta 179, nibble 0xE (-2): -180 - 358
        288, -538};
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(SampleAt(sound, i), want[i]) << "sample " << i;
        EXPECT_EQ(SampleAt(sound, i + want.size()), want[i]) << "second block, sample " << i;
    }
}

TEST(hssSoundAdpcm, PredictorIndexOfSevenOrMoreIsRefusedInAnyBlock)
{
    const Bytes good = AdpcmBlock({0}, {16}, {0}, {0}, {0x00});
    Bytes data = good;
    const Bytes bad = AdpcmBlock({9}, {16}, {0}, {0}, {0x00});
    data.insert(data.end(), bad.begin(), bad.end());
    const Bytes image =
        WavImage().Chunk("fmt ", AdpcmFormat(1, 8000, uint32_t(good.size()), 4)).Chunk("data", data).Build();
    hssSound sound;
    EXPECT_EQ(LoadInto(sound, image), -100);
    EXPECT_FALSE(sound.HasData());
}

TEST(hssSound, LoadReadsFilesAndReportsMissingOnes)
{
    hssSound sound;
    EXPECT_EQ(sound.Load("/nonexistent/sound.wav"), -200);
    EXPECT_EQ(sound.Load(""), -200);
    EXPECT_EQ(sound.Load(nullptr), -200);

    TestSupport::TempFolder folder("hss-sound");
    const Bytes image = PcmWav(2, 44100, 16, Bytes(40, 0x11));
    const std::string path = folder.WriteFile("sound.wav", std::string(image.begin(), image.end()));
    EXPECT_EQ(sound.Load(path.c_str()), 0);
    EXPECT_EQ(sound.Frames, 10u);
}

} // namespace
