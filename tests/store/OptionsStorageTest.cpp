// Loading and saving the options record and the game number.

#include "store/OptionsStorage.h"

#include "platform/SettingsFile.h"
#include "platform/SettingsStore.h"
#include "rules/GameState.h"
#include "rules/GameTypes.h"
#include "rules/Options.h"
#include "rules/Rules.h"
#include "store/Registry.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

const std::string kFull = std::string("HKEY_CURRENT_USER\\") + kOptionsKey;

const char* const kSaveOrder[] = {"ZPlaySound", "ZPlayMusic",  "ZNextFig",    "UseEffects", "MouseType",
                                  "StartLevel", "GameNum",     "BackRound",   "NumBlocks",  "Difficulty",
                                  "ZShadow",    "MusicVolume", "SoundVolume", "SmoothSound"};
constexpr std::size_t kSaveCount = sizeof kSaveOrder / sizeof kSaveOrder[0];

class OptionsStorage : public ::testing::Test {
protected:
    void SetUp() override
    {
        GFourfall::RulesReset(Rules);
        ResetOptions(Rules.Options);
        Platform::SetUserSettings(&Store);
    }
    void TearDown() override
    {
        Platform::SetUserSettings(nullptr);
        GFourfall::RulesReset(Rules);
        ResetOptions(Rules.Options);
    }

    void Put(const char* name, std::int32_t v)
    {
        Store.Content.SetValue(kFull, name, REG_DWORD, Platform::SettingsNumberData(v));
    }
    // The stored number, or a marker when it is missing or not a number.
    std::int64_t Stored(const char* name) const
    {
        const Platform::TSettingsValue* v = Store.Content.FindValue(kFull, name);
        if (v == nullptr || v->Kind != REG_DWORD || v->Data.size() != 4)
            return -999999999999;
        std::uint32_t u = 0;
        for (int i = 3; i >= 0; --i)
            u = (u << 8) | static_cast<unsigned char>(v->Data[i]);
        return static_cast<std::int32_t>(u);
    }

    Platform::TMemorySettingsStore Store;
    GFourfall::TRules Rules;
};

TEST_F(OptionsStorage, FreshProfileKeepsTheDefaultsAndTheFirstSaveStoresEveryValue)
{
    LoadOptions(Rules);
    EXPECT_TRUE(Store.Content.KeyExists(kFull)) << "loading creates the key";
    EXPECT_EQ(Rules.Options.StartLevel, 1);
    EXPECT_EQ(Rules.Options.Difficulty, 1);
    EXPECT_EQ(Rules.Options.ZPlaySound, 1);
    EXPECT_EQ(Rules.Options.ZPlayMusic, 1);
    EXPECT_EQ(Rules.Options.ZNextFig, 1);
    EXPECT_EQ(Rules.Options.BackRound, 0);
    EXPECT_EQ(Rules.Options.NumBlocks, 0);
    EXPECT_EQ(Rules.GameState.GameNum, 0);

    SaveOptions(Rules);
    const Platform::TSettingsKey* key = Store.Content.FindKey(kFull);
    ASSERT_NE(key, nullptr);
    ASSERT_EQ(key->Values.size(), kSaveCount);
    for (std::size_t i = 0; i < kSaveCount; ++i) {
        EXPECT_EQ(key->Values[i].Name, kSaveOrder[i]) << "written in this order";
        EXPECT_EQ(key->Values[i].Kind, REG_DWORD) << kSaveOrder[i];
    }
    EXPECT_EQ(Stored("ZPlaySound"), 1);
    EXPECT_EQ(Stored("UseEffects"), 1);
    EXPECT_EQ(Stored("MouseType"), 1);
    EXPECT_EQ(Stored("StartLevel"), 1);
    EXPECT_EQ(Stored("GameNum"), 0);
    EXPECT_EQ(Stored("BackRound"), 0);
    EXPECT_EQ(Stored("Difficulty"), 1);
    EXPECT_EQ(Stored("ZShadow"), 0);
    EXPECT_EQ(Stored("MusicVolume"), 100);
    EXPECT_EQ(Stored("SoundVolume"), 100);
    EXPECT_EQ(Stored("SmoothSound"), 0);
}

TEST_F(OptionsStorage, LoadsEveryStoredValueIntoItsField)
{
    Put("ZPlaySound", 0);
    Put("ZPlayMusic", 0);
    Put("ZNextFig", 0);
    Put("UseEffects", 11);
    Put("MouseType", 12);
    Put("BackRound", 1);
    Put("NumBlocks", 3);
    Put("StartLevel", 4);
    Put("Difficulty", 2);
    Put("ZShadow", 1);
    Put("MusicVolume", 30);
    Put("SoundVolume", 0);
    Put("SmoothSound", 1);
    Put("GameNum", GFourfall::kGameColorFourfall);
    LoadOptions(Rules);
    EXPECT_EQ(Rules.Options.ZShadow, 1);
    EXPECT_EQ(Rules.Options.MusicVolume, 30);
    EXPECT_EQ(Rules.Options.SoundVolume, 0);
    EXPECT_EQ(Rules.Options.SmoothSound, 1);
    EXPECT_EQ(Rules.Options.ZPlaySound, 0);
    EXPECT_EQ(Rules.Options.ZPlayMusic, 0);
    EXPECT_EQ(Rules.Options.ZNextFig, 0);
    EXPECT_EQ(Rules.Options.UseEffects, 11);
    EXPECT_EQ(Rules.Options.MouseType, 12);
    EXPECT_EQ(Rules.Options.BackRound, 1);
    EXPECT_EQ(Rules.Options.NumBlocks, 3);
    EXPECT_EQ(Rules.Options.StartLevel, 4);
    EXPECT_EQ(Rules.Options.Difficulty, 2);
    EXPECT_EQ(Rules.GameState.GameNum, GFourfall::kGameColorFourfall);
}

TEST_F(OptionsStorage, MissingOrMistypedValuesKeepThePresentField)
{
    Store.Content.SetValue(kFull, "ZPlayMusic", REG_SZ, std::string("0\0", 2));
    Store.Content.SetValue(kFull, "BackRound", REG_BINARY, "\x02\0\0\0");
    Put("ZNextFig", 0);
    Rules.Options.ZPlayMusic = 7;
    Rules.Options.BackRound = 2;
    GFourfall::SelectGame(Rules, 4);
    LoadOptions(Rules);
    EXPECT_EQ(Rules.Options.ZPlayMusic, 7);
    EXPECT_EQ(Rules.Options.BackRound, 2);
    EXPECT_EQ(Rules.Options.ZNextFig, 0);
    EXPECT_EQ(Rules.GameState.GameNum, 4) << "no stored GameNum: the present one stays";
}

// A damaged volume is full volume, whatever the field held before: the
// sound as it was before there were volumes. The other volume is untouched.
TEST_F(OptionsStorage, DamagedVolumesFallBackToFull)
{
    struct Case {
        const char* What;
        std::uint32_t Kind;
        std::string Data;
    };
    const Case cases[] = {
        {"above 100", REG_DWORD, Platform::SettingsNumberData(101)},
        {"far above", REG_DWORD, Platform::SettingsNumberData(0x7FFFFFFF)},
        {"negative", REG_DWORD, Platform::SettingsNumberData(-10)},
        {"a text", REG_SZ, std::string("50\0", 3)},
        {"short bytes", REG_DWORD, std::string("\x32\0", 2)},
        {"binary", REG_BINARY, std::string("\x32\0\0\0", 4)},
    };
    for (const char* name : {"MusicVolume", "SoundVolume"}) {
        const bool music = std::string(name) == "MusicVolume";
        for (const Case& c : cases) {
            Store.Content.SetValue(kFull, name, c.Kind, c.Data);
            Put(music ? "SoundVolume" : "MusicVolume", 40);
            Rules.Options.MusicVolume = Rules.Options.SoundVolume = 70;
            LoadOptions(Rules);
            EXPECT_EQ(music ? Rules.Options.MusicVolume : Rules.Options.SoundVolume, 100)
                << name << ": " << c.What;
            EXPECT_EQ(music ? Rules.Options.SoundVolume : Rules.Options.MusicVolume, 40)
                << name << ": " << c.What;
            SaveOptions(Rules);
            EXPECT_EQ(Stored(name), 100) << name << ": " << c.What << " is mended on the next save";
        }
        Store.Content.DeleteValue(kFull, name);
        Rules.Options.MusicVolume = Rules.Options.SoundVolume = 70;
        LoadOptions(Rules);
        EXPECT_EQ(music ? Rules.Options.MusicVolume : Rules.Options.SoundVolume, 100) << name << " missing";
        for (std::int32_t edge : {0, 100}) {
            Put(name, edge);
            LoadOptions(Rules);
            EXPECT_EQ(music ? Rules.Options.MusicVolume : Rules.Options.SoundVolume, edge)
                << name << " at a bound";
        }
    }
}

TEST_F(OptionsStorage, StoredGameNumberThatIsNoGameTypeFallsBackToTheClassicGame)
{
    for (std::int32_t bad : {9, 16, -1, 1000000}) {
        Put("GameNum", bad);
        LoadOptions(Rules);
        EXPECT_EQ(Rules.GameState.GameNum, 0) << bad;
        SaveOptions(Rules);
        EXPECT_EQ(Stored("GameNum"), 0) << bad;
    }
}

TEST_F(OptionsStorage, BackgroundFiveIsSavedBackAsTwo)
{
    Put("BackRound", 5);
    LoadOptions(Rules);
    EXPECT_EQ(Rules.Options.BackRound, 5) << "loading checks no range";
    // What the play background loader does at start-up, before the options
    // page is built and saves.
    Rules.Options.BackRound %= 3;
    SaveOptions(Rules);
    EXPECT_EQ(Stored("BackRound"), 2);
}

TEST_F(OptionsStorage, HandWrittenValuesSurviveEverySave)
{
    Put("UseEffects", 0);
    Put("MouseType", -3);
    Store.Content.SetValue(kFull, "ScoreServer", REG_SZ, std::string("scores.example\0", 15));
    Store.Content.SetValue(kFull + "\\Extra", "Mine", REG_BINARY, "\x01");
    for (int start = 0; start < 3; ++start) {
        ResetOptions(Rules.Options);
        LoadOptions(Rules);
        SaveOptions(Rules);
        Rules.Options.ZPlaySound = start % 2; // a change on the options page
        SaveOptions(Rules);
    }
    EXPECT_EQ(Stored("UseEffects"), 0);
    EXPECT_EQ(Stored("MouseType"), -3);
    EXPECT_NE(Store.Content.FindValue(kFull, "ScoreServer"), nullptr);
    EXPECT_NE(Store.Content.FindValue(kFull + "\\Extra", "Mine"), nullptr);
}

TEST_F(OptionsStorage, FailingStoreChangesNothing)
{
    Store.FailReads = true;
    Rules.Options.ZPlaySound = 0;
    LoadOptions(Rules);
    EXPECT_EQ(Rules.Options.ZPlaySound, 0);
    SaveOptions(Rules);
    EXPECT_EQ(Store.Saves, 0);

    Store.FailReads = false;
    Store.FailChanges = true;
    Put("ZPlayMusic", 0);
    SaveOptions(Rules);
    EXPECT_EQ(Stored("ZPlaySound"), -999999999999) << "nothing was written";
}

TEST(OptionsStorageFile, FirstStartWritesAReadableFile)
{
    const TestSupport::ConfigHome config;
    const std::string& top = config.Path();
    GFourfall::TRules Rules;
    GFourfall::RulesReset(Rules);
    ResetOptions(Rules.Options);
    LoadOptions(Rules);
    SaveOptions(Rules);
    std::ifstream in(top + "/tumbletown/settings.reg");
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("[HKEY_CURRENT_USER\\Software\\Kestrovan\\Grand Fourfall\\Options]\n"
                              "\"ZPlaySound\"=dword:00000001\n"
                              "\"ZPlayMusic\"=dword:00000001\n"
                              "\"ZNextFig\"=dword:00000001\n"
                              "\"UseEffects\"=dword:00000001\n"
                              "\"MouseType\"=dword:00000001\n"
                              "\"StartLevel\"=dword:00000001\n"
                              "\"GameNum\"=dword:00000000\n"
                              "\"BackRound\"=dword:00000000\n"
                              "\"NumBlocks\"=dword:00000000\n"
                              "\"Difficulty\"=dword:00000001\n"
                              "\"ZShadow\"=dword:00000000\n"
                              "\"MusicVolume\"=dword:00000064\n"
                              "\"SoundVolume\"=dword:00000064\n"
                              "\"SmoothSound\"=dword:00000000\n"),
              std::string::npos)
        << text.str();
}

} // namespace
