// The window's size, position and full-screen state in the options key.
#include "store/WindowState.h"

#include "platform/SettingsFile.h"
#include "platform/SettingsStore.h"
#include "store/OptionsStorage.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

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
    SaveWindowState(left);
    const TWindowState back = LoadWindowState();
    EXPECT_TRUE(back.Known);
    EXPECT_EQ(back.X, -1200);
    EXPECT_EQ(back.Y, 40);
    EXPECT_EQ(back.Width, 1600);
    EXPECT_EQ(back.Height, 1200);
    EXPECT_TRUE(back.FullScreen);
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
