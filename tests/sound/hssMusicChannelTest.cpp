// The module player: song timing in output frames, jumps, breaks, loops and
// delays, the row and tick effects, and damaged modules that must stay inside
// their data.

#include "sound/hssMusicChannel.h"

#include "sound/hssMusic.h"
#include "sound/hssSpeaker.h"
#include "tests/sound/SoundFixtures.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

using namespace SoundFixtures;

namespace {

constexpr uint32_t kRowFrames = 2653; // speed 6, TickLen 441, 22050 Hz
constexpr uint32_t kTickFrames = 442;

class Player : public ::testing::Test {
protected:
    void SetUp() override { OpenSpeaker(0); }
    void OpenSpeaker(uint32_t stereo)
    {
        speaker.Close();
        speaker.SetDriverFactory(RecordingDriver::Factory(&log));
        ASSERT_EQ(speaker.Open(22050, 8, 8, 2, stereo), 0);
    }
    // Loads the image and starts it on music channel 0.
    void Play(const ModImage& image, uint32_t loop = 0)
    {
        bytes = image.Build();
        ASSERT_EQ(music.LoadFromBytes(bytes.data(), bytes.size()), 0);
        music.LoopFlag = loop;
        ASSERT_EQ(speaker.PlayMusic(music, kHssPlayAnyChannel), 0);
    }
    hssMusicChannel& Channel() { return speaker.MusicChannels[0]; }
    uint64_t PlayToEnd(uint64_t limit = 2000u * kRowFrames)
    {
        return MixUntilHalted(speaker, Channel(), limit);
    }

    RecordingDriver::Log log;
    hssSpeaker speaker;
    hssMusic music;
    Bytes bytes;
};

struct SongCase {
    std::string Name;
    std::function<void(ModImage&)> Build;
    uint64_t Frames;
};

std::ostream& operator<<(std::ostream& os, const SongCase& c)
{
    return os << c.Name;
}

class SongLength : public Player, public ::testing::WithParamInterface<SongCase> {};

TEST_P(SongLength, PlaysForExactlyItsRowsAndSpeeds)
{
    const SongCase& c = GetParam();
    ModImage image;
    c.Build(image);
    Play(image);
    EXPECT_EQ(PlayToEnd(), c.Frames);
    EXPECT_EQ(speaker.CountPlayingMusic(), 0u);
}

uint64_t Rows(uint64_t rows, uint32_t speed = 6, uint32_t tickLen = 441)
{
    return rows * (speed * (tickLen + 1) + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Songs, SongLength,
    ::testing::Values(
        SongCase{"one empty pattern", [](ModImage&) {}, Rows(64)},
        SongCase{"three orders",
                 [](ModImage& m) {
                     m.Orders({0, 1, 0});
                 },
                 Rows(3 * 64)},
        SongCase{"F7D keeps tempo 125", [](ModImage& m) { m.Cell(0, 0, 0, 0, 0, 0xF, 0x7D); }, Rows(64)},
        SongCase{"F96 tempo 150", [](ModImage& m) { m.Cell(0, 0, 0, 0, 0, 0xF, 0x96); }, Rows(64, 6, 367)},
        SongCase{"F03 speed 3", [](ModImage& m) { m.Cell(0, 0, 1, 0, 0, 0xF, 0x03); }, Rows(64, 3)},
        SongCase{"F00 does nothing", [](ModImage& m) { m.Cell(0, 0, 0, 0, 0, 0xF, 0x00); }, Rows(64)},
        SongCase{"speed change mid-song", [](ModImage& m) { m.Cell(0, 32, 2, 0, 0, 0xF, 0x02); },
                 Rows(32) + Rows(32, 2)},
        SongCase{"backward B ends the song after its row",
                 [](ModImage& m) {
                     m.Orders({0, 1}).Cell(1, 5, 0, 0, 0, 0xB, 0x00);
                 },
                 Rows(64 + 6)},
        SongCase{"B to the same order ends the song",
                 [](ModImage& m) {
                     m.Orders({0, 1}).Cell(1, 9, 3, 0, 0, 0xB, 1);
                 },
                 Rows(64 + 10)},
        SongCase{"forward B skips orders",
                 [](ModImage& m) {
                     m.Orders({0, 1, 2}).Cell(0, 2, 0, 0, 0, 0xB, 2);
                 },
                 Rows(3 + 64)},
        SongCase{"B past the song ends it",
                 [](ModImage& m) {
                     m.Orders({0, 1}).Cell(0, 2, 0, 0, 0, 0xB, 9);
                 },
                 Rows(3)},
        SongCase{"D32 in an 8-channel module starts the next pattern at row 32",
                 [](ModImage& m) {
                     m = ModImage(8, "8CHN");
                     m.Orders({0, 1}).Cell(0, 0, 7, 0, 0, 0xD, 0x32);
                 },
                 Rows(1 + 32)},
        SongCase{"D on the last order ends the song", [](ModImage& m) { m.Cell(0, 3, 0, 0, 0, 0xD, 0x00); },
                 Rows(4)},
        SongCase{"break to row 99 starts the next pattern at its top",
                 [](ModImage& m) {
                     m.Orders({0, 1}).Cell(0, 0, 0, 0, 0, 0xD, 0x99);
                 },
                 Rows(1 + 64)},
        SongCase{"E63 plays its section four times",
                 [](ModImage& m) { m.Cell(0, 1, 0, 0, 0, 0xE, 0x60).Cell(0, 3, 0, 0, 0, 0xE, 0x63); },
                 Rows(1 + 3 * 4 + 60)},
        SongCase{"E61 without E60 loops from the top", [](ModImage& m) { m.Cell(0, 4, 1, 0, 0, 0xE, 0x61); },
                 Rows(5 * 2 + 59)},
        SongCase{"EE2 delays its row by two rows", [](ModImage& m) { m.Cell(0, 10, 0, 0, 0, 0xE, 0xE2); },
                 Rows(64 + 2)}),
    [](const ::testing::TestParamInfo<SongCase>& info) {
        std::string name;
        for (char ch : info.param.Name)
            name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
        return name;
    });

TEST_F(Player, TickLengthFollowsTheTempo)
{
    ModImage image;
    image.Cell(0, 1, 0, 0, 0, 0xF, 0x96);
    Play(image);
    MixFrames(speaker, 1);
    EXPECT_EQ(Channel().Tempo, 50u);
    EXPECT_EQ(Channel().TickLen, 441u);
    MixFrames(speaker, kRowFrames);
    EXPECT_EQ(Channel().Tempo, 60u);
    EXPECT_EQ(Channel().TickLen, 367u);
}

TEST_F(Player, LoopedSongRestartsAtItsRestartPosition)
{
    ModImage image;
    image.Orders({0, 1, 2}).Restart(1);
    Play(image, 1);
    MixFrames(speaker, uint32_t(Rows(3 * 64)));
    EXPECT_EQ(Channel().Order, 1u);
    EXPECT_TRUE(Channel().IsPlaying());
    // A restart position of 127 (or past the song) means the top.
    ModImage top;
    top.Orders({0, 1}).Restart(127);
    speaker.StopMusic();
    Play(top, 1);
    MixFrames(speaker, uint32_t(Rows(2 * 64)) + 1);
    EXPECT_EQ(Channel().Order, 0u);
}

TEST_F(Player, BackwardJumpWithLoopOnKeepsPlaying)
{
    ModImage image;
    image.Orders({0, 1}).Cell(1, 5, 0, 0, 0, 0xB, 0x00);
    Play(image, 1);
    EXPECT_EQ(PlayToEnd(Rows(300)), Rows(300));
    EXPECT_EQ(speaker.CountPlayingMusic(), 1u);
}

// A constant instrument on channel 0; output is mono, so frame i is out[i].
std::vector<int8_t> Constant(size_t bytes, int8_t value)
{
    return std::vector<int8_t>(bytes, value);
}

TEST_F(Player, SetVolumeAboveSixtyFourThenSlideClampsTo64)
{
    ModImage image;
    image.Sample(1, Constant(20000, 40), 64).Cell(0, 0, 0, 1, 428, 0xC, 0x50).Cell(0, 1, 0, 0, 0, 0xA, 0x20);
    Play(image);
    const Bytes first = MixFrames(speaker, 1);
    EXPECT_EQ(Channel().ChVolume[0], 80);
    // Mono: ChEffVol * s >> 8 = 80 * 40 / 256 = 12 (at 64 it would be 10).
    EXPECT_EQ(first[0], 128 + 12);
    MixFrames(speaker, kRowFrames); // row 1 is read on the last of these
    EXPECT_EQ(Channel().ChVolume[0], 80);
    MixFrames(speaker, kTickFrames); // tick 1 of row 1: 80 + 2 clamps to 64
    EXPECT_EQ(Channel().ChVolume[0], 64);
}

TEST_F(Player, TonePortamentoDoesNotRestartTheSample)
{
    ModImage image;
    image.Sample(1, Constant(20000, 10))
        .Cell(0, 0, 0, 1, 428, 0, 0)
        .Cell(0, 1, 0, 0, 214, 0x3, 0x10)
        .Cell(0, 2, 0, 0, 428, 0, 0);
    Play(image);
    const uint32_t step428 = speaker.StepTable[428];
    MixFrames(speaker, kRowFrames + 1); // through the first frame of row 1
    EXPECT_EQ(Channel().SamplePos[0], uint64_t(kRowFrames + 1) * step428);
    EXPECT_EQ(Channel().TargetPeriod[0], 214);
    EXPECT_EQ(Channel().ChPeriod[0], 428);
    MixFrames(speaker, kTickFrames); // tick 1 slides 16 towards the target
    EXPECT_EQ(Channel().ChPeriod[0], 428 - 16);
    // A plain note does restart it: row 2's first frame mixes from 0.
    MixFrames(speaker, kRowFrames - kTickFrames);
    EXPECT_EQ(Channel().SamplePos[0], uint64_t(step428));
}

TEST_F(Player, NoteDelayED2SoundsOnTick3FromTheCurrentPosition)
{
    std::vector<int8_t> data = Constant(20000, 50);
    data[0] = 0; // silent until the note moves on
    ModImage image;
    image.Sample(1, data).Cell(0, 0, 0, 1, 113, 0xE, 0xD2);
    Play(image);
    const Bytes out = MixFrames(speaker, kRowFrames);
    size_t firstSound = out.size();
    for (size_t i = 0; i < out.size(); ++i) {
        if (out[i] != 128) {
            firstSound = i;
            break;
        }
    }
    // Tick 3 starts on frame 3 * 442; its frame mixes byte 0 and the next
    // frame the byte the step reaches.
    EXPECT_EQ(firstSound, 3 * kTickFrames + 1);
    EXPECT_EQ(Channel().ChPeriod[0], 113);
}

TEST_F(Player, NoteCutSilencesOnItsTickUntilTheNextInstrument)
{
    ModImage image;
    image.Sample(1, Constant(20000, 50), 64, 0, 0, 10000)
        .Cell(0, 0, 0, 1, 428, 0xE, 0xC2)
        .Cell(0, 1, 0, 1, 0, 0, 0);
    Play(image);
    const Bytes out = MixFrames(speaker, kRowFrames + 1);
    EXPECT_NE(out[2 * kTickFrames - 1], 128);
    EXPECT_EQ(out[2 * kTickFrames], 128);
    EXPECT_EQ(out[kRowFrames - 1], 128);
    EXPECT_NE(out[kRowFrames], 128); // the instrument on row 1 brings it back
}

TEST_F(Player, OneWordLoopPlaysOnceAndLongerLoopsRepeat)
{
    ModImage image;
    image.Sample(1, Constant(200, 50), 64, 0, 0, 1)
        .Sample(2, Constant(200, 50), 64, 0, 50, 10)
        .Cell(0, 0, 0, 1, 113, 0, 0)
        .Cell(0, 0, 1, 2, 113, 0, 0);
    OpenSpeaker(1);
    Play(image);
    const Bytes out = MixFrames(speaker, 2000);
    // Channel 0 (left-leaning) and channel 1 (right-leaning) both sound at first.
    EXPECT_EQ(out[0], out[1]);
    EXPECT_NE(out[0], 128);
    // 200 bytes at 1.44 bytes per frame are over by frame 140: then only the
    // looping instrument on channel 1 is heard, a quarter to the left.
    const uint8_t left = out[2 * 1000], right = out[2 * 1000 + 1];
    EXPECT_GT(right, left);
    EXPECT_GT(left, 128);
    EXPECT_EQ(Channel().InstrLoopLen[1], 0u);
    EXPECT_EQ(Channel().InstrLoopLen[2], 20u << 16);
}

TEST_F(Player, SeparationSetsThePairsOfModuleChannels)
{
    ModImage image;
    Play(image);
    Channel().SetPan(255);
    EXPECT_EQ(Channel().ChPan[0], 64u);
    EXPECT_EQ(Channel().ChPan[1], 192u);
    EXPECT_EQ(Channel().ChPan[31], 192u);
    Channel().SetPan(0);
    EXPECT_EQ(Channel().ChPan[2], 127u);
    EXPECT_EQ(Channel().ChPan[3], 129u);
    Channel().SetPan(1000);
    EXPECT_EQ(Channel().Pan, 255u);
}

TEST_F(Player, PositionsCountRowsOfTheSong)
{
    ModImage image;
    image.Orders({0, 1, 0});
    Play(image);
    EXPECT_EQ(Channel().GetLength(), 3u * 64);
    EXPECT_EQ(Channel().SetPosition(3 * 64), 4u); // past the song: refused
    EXPECT_EQ(Channel().SetPosition(64 + 10), 0u);
    EXPECT_EQ(Channel().Order, 1u);
    EXPECT_EQ(Channel().Pattern, 1u);
    EXPECT_EQ(Channel().GetPosition(), 64u + 10);
    EXPECT_EQ(log.Locks, log.Unlocks);
}

TEST_F(Player, ArpeggioCyclesThroughItsThreeNotes)
{
    ModImage image;
    image.Sample(1, Constant(20000, 10)).Cell(0, 0, 0, 1, 428, 0x0, 0x47);
    Play(image);
    const uint32_t base = speaker.StepTable[428];
    const uint32_t up4 = speaker.StepTable[kHssPeriods[0][24 + 4]];
    const uint32_t up7 = speaker.StepTable[kHssPeriods[0][24 + 7]];
    MixFrames(speaker, 1);
    EXPECT_EQ(Channel().StepNow[0], base);
    MixFrames(speaker, kTickFrames);
    EXPECT_EQ(Channel().StepNow[0], up4);
    MixFrames(speaker, kTickFrames);
    EXPECT_EQ(Channel().StepNow[0], up7);
    MixFrames(speaker, kTickFrames);
    EXPECT_EQ(Channel().StepNow[0], base);
}

TEST_F(Player, VibratoSwingsTheStepButNotThePeriod)
{
    ModImage image;
    image.Sample(1, Constant(20000, 10)).Cell(0, 0, 0, 1, 428, 0x4, 0x48);
    Play(image);
    MixFrames(speaker, 1);
    // Ticks 1, 2, 3: sine positions 0, 4, 8 at depth 8: +0, +97 * 8 >> 7, +180 * 8 >> 7.
    const int32_t swings[] = {0, 6, 11};
    for (int32_t swing : swings) {
        MixFrames(speaker, kTickFrames);
        EXPECT_EQ(Channel().StepNow[0], speaker.StepTable[428 + swing]) << "swing " << swing;
        EXPECT_EQ(Channel().ChPeriod[0], 428);
    }
}

TEST_F(Player, SlidesStopAtTheEndsOfTheTable)
{
    ModImage image;
    image.Sample(1, Constant(20000, 10)).Cell(0, 0, 0, 1, 113, 0x1, 0xFF).Cell(0, 0, 1, 1, 1712, 0x2, 0xFF);
    Play(image);
    MixFrames(speaker, kRowFrames);
    EXPECT_EQ(Channel().ChPeriod[0], 13);
    EXPECT_EQ(Channel().ChPeriod[1], 1712);
}

// Damaged modules: every value that would index a table or the data is kept
// inside; the checks under AddressSanitizer are the point of these.
TEST_F(Player, SampleDataPastTheEndOfTheFileIsCut)
{
    ModImage image;
    image.Sample(1, Constant(10, 30))
        .SampleLengthWords(1, 5000)
        .Sample(2, Constant(8, 30))
        .Cell(0, 0, 0, 1, 113, 0, 0)
        .Cell(0, 0, 1, 2, 113, 0, 0);
    Play(image);
    EXPECT_EQ(Channel().InstrEnd[1], 18u << 16); // its own 10 bytes and the 8 after it
    EXPECT_EQ(Channel().InstrData[2], nullptr);  // nothing of it is in the file
    EXPECT_EQ(PlayToEnd(), Rows(64));
}

TEST_F(Player, OutOfRangeValuesStayInsideTheTables)
{
    ModImage image;
    image
        .Sample(1, Constant(400, 30), 64, 0xF7) // finetune byte above 15
        .Sample(2, Constant(400, 30), 64, 15)
        .Cell(0, 0, 0, 1, 0xFFF, 0, 0)       // period beyond the table
        .Cell(0, 0, 1, 2, 13, 0x0, 0xFF)     // arpeggio above the top note
        .Cell(0, 0, 2, 2, 13, 0x4, 0xFF)     // vibrato below period 1
        .Cell(0, 0, 3, 0x3F, 428, 0x9, 0xFF) // instrument 63, offset past the end
        .Cell(0, 1, 3, 2, 0xFFF, 0xE, 0xD1)  // delayed note of period 4095
        .Cell(0, 2, 0, 2, 0xFFF, 0x3, 0x01); // portamento to a period beyond
    Play(image);
    EXPECT_EQ(Channel().InstrFinetune[1], 7u);
    MixFrames(speaker, 1);
    EXPECT_EQ(Channel().NoteIdx[0], 0u + 7 * 84);
    EXPECT_EQ(Channel().Instr[3], 0u);
    EXPECT_EQ(PlayToEnd(), Rows(64) - 1);
}

} // namespace
