// The player's keys and key repeat: assigning, moving a key already in use,
// the defaults, and their storage in the options key.
#include "store/Controls.h"

#include "platform/KeyCodes.h"
#include "platform/SettingsFile.h"
#include "platform/SettingsStore.h"
#include "store/OptionsStorage.h"
#include "store/Registry.h"

#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace Platform;
using TKeys = std::array<int32_t, paCount>;

const std::string kFull = std::string("HKEY_CURRENT_USER\\") + kOptionsKey;
const TKeys kDesign = {kVkLeft, kVkRight, kVkUp, kVkDown, kVkControl, kVkP};

TKeys KeysOf(const TControls& c)
{
    TKeys keys;
    for (int a = 0; a < paCount; ++a)
        keys[a] = c.Keys[a];
    return keys;
}

TEST(Controls, StartWithTheDesignsKeysAndTheirOwnActions)
{
    const TControls c;
    EXPECT_EQ(KeysOf(c), kDesign);
    EXPECT_TRUE(c.Valid());
    for (int a = 0; a < paCount; ++a)
        EXPECT_EQ(c.ActionOf(kDesign[a]), a);
    EXPECT_EQ(c.ActionOf(kVkSpace), paDrop);
    EXPECT_EQ(c.ActionOf('Q'), paNone);
    EXPECT_EQ(c.ActionOf(kVkPadA), paTurn);
}

struct TAssignCase {
    const char* Name;
    TPlayAction Action;
    int32_t Key;
    bool Taken;
    TKeys After;
};
void PrintTo(const TAssignCase& c, std::ostream* os)
{
    *os << c.Name;
}

class Assign : public ::testing::TestWithParam<TAssignCase> {};

TEST_P(Assign, GivesTheKeyAndMovesAKeyInUse)
{
    const TAssignCase& c = GetParam();
    TControls controls;
    EXPECT_EQ(controls.Assign(c.Action, c.Key), c.Taken);
    EXPECT_EQ(KeysOf(controls), c.After);
    EXPECT_TRUE(controls.Valid()) << "no key does two things";
}

INSTANTIATE_TEST_SUITE_P(
    Table, Assign,
    ::testing::Values(
        TAssignCase{
            "a free key", paDrop, kVkSpace, true, {kVkLeft, kVkRight, kVkUp, kVkSpace, kVkControl, kVkP}},
        // Turning takes Down: dropping, which had Down, gets Up in exchange.
        TAssignCase{"a key in use swaps",
                    paTurn,
                    kVkDown,
                    true,
                    {kVkLeft, kVkRight, kVkDown, kVkUp, kVkControl, kVkP}},
        TAssignCase{"the action's own key", paPause, kVkP, true, kDesign},
        TAssignCase{"no key", paLeft, 0, false, kDesign},
        TAssignCase{"past 255", paLeft, 256, false, kDesign},
        TAssignCase{"no action", paNone, 'A', false, kDesign},
        TAssignCase{"past the actions", paCount, 'A', false, kDesign}),
    [](const ::testing::TestParamInfo<TAssignCase>& info) { return "case" + std::to_string(info.index); });

TEST(Controls, DefaultsPutBackTheDesignsKeysAndRepeat)
{
    TControls c;
    const int32_t delay = c.RepeatDelayMs;
    const int32_t rate = c.RepeatRateMs;
    c.Assign(paLeft, 'A');
    c.Assign(paRight, 'D');
    c.RepeatDelayMs = 400;
    c.RepeatRateMs = 100;
    c.SetDefaults();
    EXPECT_EQ(KeysOf(c), kDesign);
    EXPECT_EQ(c.RepeatDelayMs, delay);
    EXPECT_EQ(c.RepeatRateMs, rate);
}

class ControlsStorage : public ::testing::Test {
protected:
    void SetUp() override { SetUserSettings(&Store); }
    void TearDown() override { SetUserSettings(nullptr); }
    void Put(const char* name, int32_t v)
    {
        Store.Content.SetValue(kFull, name, kSettingsNumber, Platform::SettingsNumberData(v));
    }
    void PutAll(const TKeys& keys)
    {
        for (int a = 0; a < paCount; ++a)
            Put(kControlValueNames[a], keys[a]);
    }

    TMemorySettingsStore Store;
};

TEST_F(ControlsStorage, KeptAcrossARestartBesideValuesTheGameDoesNotKnow)
{
    Store.Content.SetValue(kFull, "FromANewerGame", kSettingsText, std::string("keep me\0", 8));
    Put("ZPlayMusic", 0);
    TControls chosen;
    chosen.Assign(paLeft, 'A');
    chosen.Assign(paDrop, kVkSpace);
    chosen.RepeatDelayMs = 250;
    chosen.RepeatRateMs = 30;
    SaveControls(chosen);

    TControls loaded;
    loaded.Assign(paTurn, 'Z'); // loading starts from nothing of its own
    LoadControls(loaded);
    EXPECT_EQ(KeysOf(loaded), KeysOf(chosen));
    EXPECT_EQ(loaded.RepeatDelayMs, 250);
    EXPECT_EQ(loaded.RepeatRateMs, 30);
    const TSettingsValue* other = Store.Content.FindValue(kFull, "FromANewerGame");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->Data, std::string("keep me\0", 8));
    ASSERT_NE(Store.Content.FindValue(kFull, "ZPlayMusic"), nullptr);
    EXPECT_EQ(Store.Content.FindValue(kFull, "ZPlayMusic")->Data, Platform::SettingsNumberData(0));
}

TEST_F(ControlsStorage, NothingStoredGivesTheDefaults)
{
    TControls c;
    c.Assign(paLeft, 'A');
    LoadControls(c);
    EXPECT_EQ(KeysOf(c), kDesign);
    EXPECT_EQ(c.RepeatDelayMs, TControls().RepeatDelayMs);
}

struct TDamageCase {
    const char* Name;
    // Stored over a good set of keys (A to F) and repeat (250, 30).
    const char* Value;
    int32_t Number;   // stored as a number
    bool AsText;      // stored as text instead
    bool KeysDamaged; // the keys go back to the defaults
    bool RepeatDamaged;
};
void PrintTo(const TDamageCase& c, std::ostream* os)
{
    *os << c.Name;
}

class DamagedControls : public ControlsStorage, public ::testing::WithParamInterface<TDamageCase> {};

TEST_P(DamagedControls, FallBackToTheDefaults)
{
    const TDamageCase& c = GetParam();
    const TKeys good = {'A', 'B', 'C', 'D', 'E', 'F'};
    PutAll(good);
    Put(kRepeatDelayValue, 250);
    Put(kRepeatRateValue, 30);
    if (c.AsText)
        Store.Content.SetValue(kFull, c.Value, kSettingsText, std::string("65\0", 3));
    else
        Put(c.Value, c.Number);
    TControls loaded;
    LoadControls(loaded);
    EXPECT_EQ(KeysOf(loaded), c.KeysDamaged ? kDesign : good);
    EXPECT_EQ(loaded.RepeatDelayMs, c.RepeatDamaged ? TControls().RepeatDelayMs : 250);
    EXPECT_EQ(loaded.RepeatRateMs, c.RepeatDamaged ? TControls().RepeatRateMs : 30);
    EXPECT_TRUE(loaded.Valid());
}

INSTANTIATE_TEST_SUITE_P(
    Table, DamagedControls,
    ::testing::Values(TDamageCase{"nothing damaged", "KeyLeft", 'A', false, false, false},
                      TDamageCase{"key 0", "KeyTurn", 0, false, true, false},
                      TDamageCase{"key past 255", "KeyPause", 0x141, false, true, false},
                      TDamageCase{"negative key", "KeyRight", -37, false, true, false},
                      TDamageCase{"a key twice", "KeyDrop", 'A', false, true, false},
                      TDamageCase{"a key as text", "KeyDown", 0, true, true, false},
                      TDamageCase{"delay too short", "RepeatDelay", 0, false, false, true},
                      TDamageCase{"delay too long", "RepeatDelay", 100000, false, false, true},
                      TDamageCase{"rate 0", "RepeatRate", 0, false, false, true},
                      TDamageCase{"rate negative", "RepeatRate", -5, false, false, true},
                      TDamageCase{"rate as text", "RepeatRate", 0, true, false, true}),
    [](const ::testing::TestParamInfo<TDamageCase>& info) { return "case" + std::to_string(info.index); });

TEST_F(ControlsStorage, AMissingKeyValueIsDamageToo)
{
    PutAll({'A', 'B', 'C', 'D', 'E', 'F'});
    Store.Content.DeleteValue(kFull, "KeyDrop");
    TControls loaded;
    LoadControls(loaded);
    EXPECT_EQ(KeysOf(loaded), kDesign);
}

} // namespace
