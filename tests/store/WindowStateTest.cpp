// The window's size, position and full-screen state in the options key.
#include "store/WindowState.h"

#include "platform/SettingsFile.h"
#include "platform/SettingsStore.h"
#include "store/OptionsStorage.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace Platform;

const std::string kFull = std::string("HKEY_CURRENT_USER\\") + kOptionsKey;

class WindowStateStorage : public ::testing::Test {
protected:
    void SetUp() override { SetUserSettings(&Store); }
    void TearDown() override { SetUserSettings(nullptr); }
    void Put(const char* name, int32_t v)
    {
        Store.Content.SetValue(kFull, name, kSettingsNumber, Platform::SettingsNumberData(v));
    }
    TMemorySettingsStore Store;
};

TEST_F(WindowStateStorage, KeptAcrossARestartBesideValuesTheGameDoesNotKnow)
{
    EXPECT_FALSE(LoadWindowState().Known) << "nothing stored yet";
    Store.Content.SetValue(kFull, "FromANewerGame", kSettingsText, std::string("keep\0", 5));
    TWindowState left;
    left.X = -1200; // on a screen left of the first
    left.Y = 40;
    left.Width = 1600;
    left.Height = 1200;
    left.FullScreen = true;
    left.Maximized = true;
    SaveWindowState(left);
    const TWindowState back = LoadWindowState();
    EXPECT_TRUE(back.Known);
    EXPECT_EQ(back.X, -1200);
    EXPECT_EQ(back.Y, 40);
    EXPECT_EQ(back.Width, 1600);
    EXPECT_EQ(back.Height, 1200);
    EXPECT_TRUE(back.FullScreen);
    EXPECT_TRUE(back.Maximized);
    const TSettingsValue* other = Store.Content.FindValue(kFull, "FromANewerGame");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->Data, std::string("keep\0", 5));
}

struct TDamage {
    const char* Name;
    const char* Value;
    int32_t Number;
};
void PrintTo(const TDamage& c, std::ostream* os)
{
    *os << c.Name;
}

class DamagedWindowState : public WindowStateStorage, public ::testing::WithParamInterface<TDamage> {};

TEST_P(DamagedWindowState, LeavesThePlacementToTheDesign)
{
    TWindowState good;
    good.X = 10;
    good.Y = 20;
    good.Width = 1024;
    good.Height = 768;
    SaveWindowState(good);
    ASSERT_TRUE(LoadWindowState().Known);
    Put(GetParam().Value, GetParam().Number);
    EXPECT_FALSE(LoadWindowState().Known);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DamagedWindowState,
    ::testing::Values(TDamage{"width 0", "WindowWidth", 0}, TDamage{"width negative", "WindowWidth", -800},
                      TDamage{"height huge", "WindowHeight", 1 << 30},
                      TDamage{"x far away", "WindowX", -100000}, TDamage{"y far away", "WindowY", 2000000000},
                      TDamage{"full screen 2", "FullScreen", 2},
                      TDamage{"full screen negative", "FullScreen", -1}),
    [](const ::testing::TestParamInfo<TDamage>& info) { return "case" + std::to_string(info.index); });

// Kept since the window could be maximised: a file from before, or with
// this value damaged, keeps the rest and starts not maximised.
TEST_F(WindowStateStorage, MaximizedMissingOrDamagedKeepsTheRest)
{
    TWindowState left;
    left.Width = 1024;
    left.Height = 768;
    left.Maximized = true;
    for (const auto& [name, damage] :
         std::vector<std::pair<const char*, int32_t>>{{"none", -1}, {"2", 2}, {"-1", -1}}) {
        SaveWindowState(left);
        ASSERT_TRUE(LoadWindowState().Maximized);
        if (std::string(name) == "none")
            Store.Content.DeleteValue(kFull, "Maximized");
        else
            Put("Maximized", damage);
        const TWindowState back = LoadWindowState();
        EXPECT_TRUE(back.Known) << name;
        EXPECT_EQ(back.Width, 1024) << name;
        EXPECT_FALSE(back.Maximized) << name;
    }
}

TEST_F(WindowStateStorage, AValueAsTextOrMissingIsDamageToo)
{
    TWindowState good;
    good.Width = 1024;
    good.Height = 768;
    SaveWindowState(good);
    Store.Content.SetValue(kFull, "WindowHeight", kSettingsText, std::string("768\0", 4));
    EXPECT_FALSE(LoadWindowState().Known);
    SaveWindowState(good);
    Store.Content.DeleteValue(kFull, "FullScreen");
    EXPECT_FALSE(LoadWindowState().Known);
}

} // namespace
