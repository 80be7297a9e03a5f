// The module writer's layout and the composing desk's timing and notation.
#include "tools/make-music/Song.h"
#include "tools/make-music/ModuleWriter.h"

#include <gtest/gtest.h>

using namespace MakeMusic;

namespace {

TInstrument Square()
{
    TInstrument ins;
    ins.Name = "square";
    ins.Volume = 40;
    for (int i = 0; i < 64; ++i)
        ins.Data.push_back(i < 32 ? 60 : -60);
    ins.LoopStart = 0;
    ins.LoopLength = 64;
    return ins;
}

TEST(ModuleWriter, LaysOutHeadersOrdersSignatureCellsAndSamples)
{
    TModule m;
    m.Title = "t";
    m.Channels = 8;
    m.Instruments.push_back(Square());
    TPattern p;
    p.Cells.resize(64 * 8);
    p.Cells[8 + 3] = {17, 428, 0xC, 0x20}; // row 1, channel 3: instrument 17 at period 428
    m.Patterns = {p, p};
    m.Order = {1, 0, 1};
    const std::vector<uint8_t> f = WriteModule(m);
    ASSERT_EQ(f.size(), 1084u + 2 * 8 * 256 + 64);
    EXPECT_EQ(f[20 + 22] << 8 | f[20 + 23], 32); // length in words
    EXPECT_EQ(f[20 + 25], 40);
    EXPECT_EQ(f[20 + 28] << 8 | f[20 + 29], 32); // loop length in words
    EXPECT_EQ(f[50 + 28] << 8 | f[50 + 29], 1);  // an empty instrument has the one-word loop
    EXPECT_EQ(f[950], 3);
    EXPECT_EQ(f[952], 1);
    EXPECT_EQ(std::string(f.begin() + 1080, f.begin() + 1084), "8CHN");
    const size_t cell = 1084 + (8 + 3) * 4;
    EXPECT_EQ(f[cell], 0x10 | (428 >> 8));
    EXPECT_EQ(f[cell + 1], 428 & 0xFF);
    EXPECT_EQ(f[cell + 2], 0x1C);
    EXPECT_EQ(f[cell + 3], 0x20);
    EXPECT_EQ(int8_t(f[1084 + 2 * 8 * 256]), 60);
}

TEST(ModuleWriter, RefusesWhatTheFormatCannotHold)
{
    TModule bad;
    bad.Channels = 6;
    bad.Order = {0};
    bad.Patterns.resize(1);
    bad.Patterns[0].Cells.resize(64 * 6);
    EXPECT_TRUE(WriteModule(bad).empty());
    TModule odd;
    odd.Order = {0};
    odd.Patterns.resize(1);
    odd.Patterns[0].Cells.resize(64 * 4);
    odd.Instruments.push_back(Square());
    odd.Instruments[0].Data.push_back(0);
    EXPECT_TRUE(WriteModule(odd).empty());
    TModule missing = odd;
    missing.Instruments.clear();
    missing.Order = {1};
    EXPECT_TRUE(WriteModule(missing).empty());
}

// Rows last speed x (tick + 1) + 1 output frames: 2653 at 22050 Hz, speed 6, 125 BPM.
TEST(Song, PlayTimeFollowsSpeedTempoBreaksAndLoops)
{
    TSong plain(4);
    const TVoice v = plain.AddInstrument(Square(), 36);
    plain.Note(0, 0, v, 60);
    plain.Note(63, 0, v, 60);
    EXPECT_EQ(PlayFrames(plain.Build("a", 6, 125), 22050), 64 * 2653);

    TSong broken(4);
    broken.AddInstrument(Square(), 36);
    broken.At(95, 0);         // 32 rows, then one whole pattern
    broken.ShortBlock(0, 32); // the first pattern ends after 32 rows
    EXPECT_EQ(PlayFrames(broken.Build("b", 6, 125), 22050), (32 + 64) * 2653);

    TSong looped(4);
    looped.AddInstrument(Square(), 36);
    looped.Fx(0, 1, kFxExtended, kExPatternLoop);
    looped.Fx(15, 1, kFxExtended, kExPatternLoop | 3); // rows 0 to 15 play four times
    looped.At(63, 0);
    EXPECT_EQ(PlayFrames(looped.Build("c", 6, 125), 22050), (64 + 3 * 16) * 2653);
}

TEST(Song, MelodyNotationWritesNotesGlidesVibratoAndReleases)
{
    TSong s(4);
    const TVoice v = s.AddInstrument(Square(), 36);
    EXPECT_EQ(s.Melody(0, 0, v, "c4:2 | ^e4:6~ r:4 /g4:4"), 16);
    EXPECT_EQ(s.At(0, 0).Period, PeriodOfColumn(60 - 36));
    EXPECT_EQ(s.At(2, 0).Period, PeriodOfColumn(62 - 36)); // the grace starts a whole tone low
    EXPECT_EQ(s.At(3, 0).Effect, kFxTonePorta);            // and glides up to e4
    EXPECT_EQ(s.At(3, 0).Period, PeriodOfColumn(64 - 36));
    EXPECT_EQ(s.At(3, 0).Instrument, 0);
    EXPECT_EQ(s.At(5, 0).Effect, kFxVibrato);
    EXPECT_NE(s.At(5, 0).Param, 0);
    EXPECT_EQ(s.At(6, 0).Param, 0); // vibrato goes on without restarting its wave
    EXPECT_EQ(s.At(8, 0).Effect, kFxVolumeSlide);
    EXPECT_EQ(s.At(12, 0).Effect, kFxTonePorta); // a glide strikes no new note
    EXPECT_EQ(s.At(12, 0).Instrument, 0);
}

// A phrase that nothing follows at once is released; a phrase written later
// over that release starts cleanly.
TEST(Song, PhrasesEndWithAReleaseThatTheNextPhraseClears)
{
    TSong s(4);
    const TVoice v = s.AddInstrument(Square(), 36);
    s.At(63, 1); // the song goes on after the phrases
    EXPECT_EQ(s.Melody(0, 0, v, "c4:8"), 8);
    EXPECT_EQ(s.At(8, 0).Effect, kFxVolumeSlide);
    EXPECT_EQ(s.Melody(8, 0, v, "d4:8"), 8);
    EXPECT_EQ(s.At(8, 0).Effect, 0);
    EXPECT_EQ(s.At(8, 0).Param, 0);
    EXPECT_EQ(s.At(16, 0).Effect, kFxVolumeSlide);
    TSong end(4);
    end.AddInstrument(Square(), 36);
    end.Melody(0, 0, v, "c4:8");
    EXPECT_EQ(end.Rows(), 8) << "a release never makes the song longer";
}

TEST(Song, ChordsBecomeArpeggiosOnEveryRow)
{
    TSong s(4);
    const TVoice v = s.AddInstrument(Square(), 36);
    EXPECT_EQ(s.Arpeggio(0, 2, v, "Am C7", 8, 57, 0, -1), 16);
    EXPECT_EQ(s.At(0, 2).Period, PeriodOfColumn(57 - 36));
    for (int r = 0; r < 8; ++r)
        EXPECT_EQ(s.At(r, 2).Param, 0x37) << r; // minor third and fifth
    EXPECT_EQ(s.At(8, 2).Period, PeriodOfColumn(60 - 36));
    EXPECT_EQ(s.At(9, 2).Param, 0x4A); // major third and minor seventh
}

} // namespace
