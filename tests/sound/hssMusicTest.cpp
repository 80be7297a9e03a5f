// Loading modules: the signatures table, the codes of damaged modules, and
// the period, NoteOf and Step tables.

#include "sound/hssMusic.h"

#include "sound/hssPeriodTables.h"
#include "sound/hssSpeaker.h"
#include "tests/sound/SoundFixtures.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <ostream>
#include <string>

using namespace SoundFixtures;

namespace {

struct SignatureCase {
    std::string Signature;
    uint32_t Channels;
};

std::ostream& operator<<(std::ostream& os, const SignatureCase& c)
{
    return os << "signature \"" << c.Signature << "\"";
}

class ModuleSignature : public ::testing::TestWithParam<SignatureCase> {};

TEST_P(ModuleSignature, GivesItsChannelCount)
{
    const SignatureCase& c = GetParam();
    EXPECT_EQ(hssMusic::ChannelCountOf(reinterpret_cast<const uint8_t*>(c.Signature.data())), c.Channels);

    ModImage image(c.Channels == 0 ? 4 : c.Channels, c.Signature);
    const Bytes bytes = image.Build();
    hssMusic music;
    EXPECT_EQ(music.LoadFromBytes(bytes.data(), bytes.size()), c.Channels == 0 ? -100 : 0);
    EXPECT_EQ(music.ChannelCount(), c.Channels);
}

INSTANTIATE_TEST_SUITE_P(Signatures, ModuleSignature,
                         ::testing::Values(SignatureCase{"M.K.", 4}, SignatureCase{"M!K!", 4},
                                           SignatureCase{"MXKY", 4}, SignatureCase{"6CHN", 6},
                                           SignatureCase{"8CHN", 8}, SignatureCase{"2CHN", 2},
                                           SignatureCase{"16CH", 16}, SignatureCase{"32CH", 32},
                                           SignatureCase{"10CH", 10}, SignatureCase{"FLT4", 0},
                                           SignatureCase{"m.k.", 0}, SignatureCase{"8chn", 0},
                                           SignatureCase{"XCHN", 0}, SignatureCase{"4ACH", 4},
                                           SignatureCase{std::string(4, '\0'), 0}));

TEST(hssMusic, ModulesOfMoreThan32ChannelsLoadButDoNotPlay)
{
    ModImage image(40, "40CH");
    const Bytes bytes = image.Build();
    hssMusic music;
    ASSERT_EQ(music.LoadFromBytes(bytes.data(), bytes.size()), 0);
    EXPECT_EQ(music.ChannelCount(), 40u);
    RecordingDriver::Log log;
    hssSpeaker speaker;
    speaker.SetDriverFactory(RecordingDriver::Factory(&log));
    ASSERT_EQ(speaker.Open(22050, 8, 8, 2, 1), 0);
    EXPECT_EQ(speaker.PlayMusic(music, kHssPlayAnyChannel), -1000);
    EXPECT_EQ(speaker.CountPlayingMusic(), 0u);
}

TEST(hssMusic, LoadKeepsTheImageAndSetsTheRates)
{
    ModImage image;
    image.Sample(1, std::vector<int8_t>(20, 5)).Orders({0, 2, 1});
    const Bytes bytes = image.Build();
    EXPECT_EQ(bytes.size(), 1084u + 3 * 1024 + 20);
    hssMusic music;
    music.TempoRate = 1234;
    ASSERT_EQ(music.LoadFromBytes(bytes.data(), bytes.size()), 0);
    EXPECT_EQ(Bytes(music.Data, music.Data + music.Size), bytes);
    EXPECT_EQ(music.StoredPatterns(), 3u);
    EXPECT_EQ(music.SongLength(), 3u);
    EXPECT_EQ(music.TempoRate, 44100u);
    EXPECT_EQ(music.SourceRate, 44100u);
    EXPECT_EQ(music.Volume, 64u);
    EXPECT_EQ(music.Separation, 255u);
    EXPECT_EQ(music.LoopFlag, 0u);
}

struct ModDamage {
    std::string Name;
    Bytes Image;
    int Code;
};

std::ostream& operator<<(std::ostream& os, const ModDamage& c)
{
    return os << c.Name;
}

Bytes Cut(Bytes b, size_t size)
{
    b.resize(size);
    return b;
}

class ModuleLoadFailure : public ::testing::TestWithParam<ModDamage> {};

TEST_P(ModuleLoadFailure, FailsCleanly)
{
    const ModDamage& c = GetParam();
    hssMusic music;
    const Bytes good = ModImage().Build();
    ASSERT_EQ(music.LoadFromBytes(good.data(), good.size()), 0);
    EXPECT_EQ(music.LoadFromBytes(c.Image.data(), c.Image.size()), c.Code);
    EXPECT_FALSE(music.HasData());
}

INSTANTIATE_TEST_SUITE_P(
    Damaged, ModuleLoadFailure,
    ::testing::Values(ModDamage{"empty", Bytes(), -300},
                      ModDamage{"shorter than the header", Cut(ModImage().Build(), 1083), -100},
                      ModDamage{"patterns cut short", Cut(ModImage().Build(), 1084 + 1023), -100},
                      ModDamage{"song length 0", ModImage().SongLength(0).StoredPatterns(1).Build(), -100},
                      ModDamage{"song length 129", ModImage().SongLength(129).StoredPatterns(1).Build(),
                                -100},
                      ModDamage{"order naming a pattern not stored",
                                ModImage().Orders({0, 5}).StoredPatterns(2).Build(), -100},
                      ModDamage{"8 channels with 4-channel patterns", ModImage(4, "8CHN").Build(), -100}),
    [](const ::testing::TestParamInfo<ModDamage>& info) {
        std::string name;
        for (char ch : info.param.Name)
            name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
        return name;
    });

TEST(hssMusic, LoadFromFile)
{
    hssMusic music;
    EXPECT_EQ(music.Load("/nonexistent/song.mod"), -200);
    EXPECT_EQ(music.Load("/dev/null"), -300);
}

TEST(hssPeriodTables, RowZeroAndTheGivenStartOfRowEight)
{
    const uint16_t row0Start[12] = {1712, 1616, 1525, 1440, 1357, 1281, 1209, 1141, 1077, 1017, 961, 907};
    const uint16_t row8Start[12] = {1813, 1711, 1615, 1525, 1437, 1357, 1280, 1208, 1140, 1077, 1018, 960};
    for (int n = 0; n < 12; ++n) {
        EXPECT_EQ(kHssPeriods[0][n], row0Start[n]) << "note " << n;
        EXPECT_EQ(kHssPeriods[8][n], row8Start[n]) << "note " << n;
    }
    // The standard periods of the middle octaves.
    EXPECT_EQ(kHssPeriods[0][12], 856);
    EXPECT_EQ(kHssPeriods[0][24], 428);
    EXPECT_EQ(kHssPeriods[0][36], 214);
    EXPECT_EQ(kHssPeriods[0][47], 113);
    EXPECT_EQ(kHssPeriods[0][83], 13);
}

TEST(hssPeriodTables, EveryFinetuneRowIsWithinOneOfTheFormula)
{
    for (int f = 1; f < 16; ++f) {
        const int signedFinetune = f < 8 ? f : f - 16;
        for (int n = 0; n < 84; ++n) {
            const double exact = std::floor(kHssPeriods[0][n] * std::pow(2.0, -signedFinetune / 96.0));
            EXPECT_LE(std::fabs(kHssPeriods[f][n] - exact), 1.0) << "row " << f << " note " << n;
        }
    }
}

TEST(hssPeriodTables, NoteOfTakesTheNearestNoteAndTiesToTheLongerPeriod)
{
    static uint16_t noteOf[kHssPeriodSlots];
    hssBuildNoteOf(noteOf);
    EXPECT_EQ(noteOf[1712], 0);
    EXPECT_EQ(noteOf[428], 24);
    EXPECT_EQ(noteOf[13], 83);
    EXPECT_EQ(noteOf[0], 83);
    EXPECT_EQ(noteOf[430], 24); // nearer 428
    EXPECT_EQ(noteOf[416], 24); // 428 and 404 are both 12 away: the longer period wins
    EXPECT_EQ(noteOf[1664], 0); // 1712 - 48 and 1616 + 48: tie goes to 1712
    EXPECT_EQ(noteOf[1665], 0);
    EXPECT_EQ(noteOf[1663], 1);
}

TEST(hssPeriodTables, StepFollowsTheReferenceClock)
{
    static uint32_t step[kHssPeriodSlots];
    hssBuildStep(step, 22050);
    EXPECT_EQ(step[0], 0u);
    EXPECT_EQ(step[428], uint32_t(uint64_t(7159090 / 856) * 65536 / 22050));
    EXPECT_EQ(step[1], uint32_t(uint64_t(7159090 / 2) * 65536 / 22050));
    hssBuildStep(step, 44100);
    EXPECT_EQ(step[1712], uint32_t(uint64_t(7159090 / 3424) * 65536 / 44100));
}

} // namespace
