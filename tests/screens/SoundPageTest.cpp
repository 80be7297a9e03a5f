// The sound page on the real page set: reached from the options page, the
// volumes stepped by the mouse and by the keys alone within 0 to 100 %, smooth
// sound switched, every change heard by the speaker and saved at once, kept
// across a restart, damaged stored values shown and played as 100 %; the
// options page's Music and Sound Effects switches keep their meaning.
#include <gtest/gtest.h>

#include <string>

#include "platform/KeyCodes.h"
#include "platform/SettingsFile.h"
#include "rules/Options.h"
#include "screens/layout/PageLayout.h"
#include "store/OptionsStorage.h"
#include "tests/screens/GameOnHost.h"

namespace WFourfall {
namespace {

using namespace WLib;
using namespace Platform;
using namespace Test;

const std::string kFullKey = std::string("HKEY_CURRENT_USER\\") + kOptionsKey;

class SoundPage : public GameOnHost {
protected:
    TSoundPage& Page() { return Pages->SoundPage; }
    TApp* Front() const { return Pages->LastChild; }
    void Click(const TBox& box)
    {
        const int x = box.X + box.W / 2, y = box.Y + box.H / 2;
        Pages->MouseMove(x, y);
        Pages->MouseDown(x, y, 1);
        Pages->MouseUp(x, y, 1);
        Host.PaintPending();
    }
    void Key(int32_t key)
    {
        Pages->KeyDown(key);
        Pages->KeyUp(key);
        Host.PaintPending();
    }
    void Open()
    {
        Click(kMenuButtons[1]);
        ASSERT_EQ(Front(), &Pages->OptionsPage);
        Click(kOptionsSound);
        ASSERT_EQ(Front(), &Page());
    }
    // The stored value, or -1 when missing or not a number.
    int32_t Stored(const char* name) const
    {
        const TSettingsValue* v = Store.Content.FindValue(kFullKey, name);
        if (v == nullptr || v->Kind != kSettingsNumber || v->Data.size() != 4)
            return -1;
        uint32_t u = 0;
        for (int i = 3; i >= 0; --i)
            u = (u << 8) | static_cast<unsigned char>(v->Data[i]);
        return static_cast<int32_t>(u);
    }
    void Put(const char* name, int32_t v)
    {
        Store.Content.SetValue(kFullKey, name, kSettingsNumber, SettingsNumberData(v));
    }
    // What the speaker plays at: music and effects gains aimed at, smooth.
    static uint32_t MusicTarget() { return WLib::Speaker->MusicGainTarget; }
    static uint32_t SoundTarget() { return WLib::Speaker->SoundGainTarget; }
};

TEST_F(SoundPage, ReachedFromOptionsShowsFullVolumesAndSmoothOffAndBackLeadsThere)
{
    Open();
    EXPECT_EQ(TSoundPage::VolumeText(Rules().Options.MusicVolume), "100 %");
    EXPECT_EQ(TSoundPage::VolumeText(Rules().Options.SoundVolume), "100 %");
    EXPECT_FALSE(Page().SmoothButtons[1].Selected);
    EXPECT_TRUE(Page().SmoothButtons[2].Selected) << "smooth sound is off as designed";
    ASSERT_NE(WLib::Speaker, nullptr);
    EXPECT_EQ(MusicTarget(), hssSpeaker::kFullGain);
    EXPECT_EQ(SoundTarget(), hssSpeaker::kFullGain);
    EXPECT_EQ(WLib::Speaker->Smooth, 0);
    // Its picture, with the volumes written into their wells.
    EXPECT_EQ(Host.Pixel(20, 20), Data.SkinPixel("Sound", 20, 20));
    for (const TBox& box : kSoundVolumeValues) {
        int written = 0;
        for (int y = box.Y; y < box.Bottom(); ++y)
            for (int x = box.X; x < box.Right(); ++x)
                written += Host.Pixel(x, y) != Data.SkinPixel("Sound", x, y) ? 1 : 0;
        EXPECT_GT(written, 20) << "a value at " << box.X << "," << box.Y;
    }
    Click(kSoundBack);
    EXPECT_EQ(Front(), &Pages->OptionsPage);
}

TEST_F(SoundPage, StepsByTenWithinTheBoundsAndEveryStepIsHeardAndSaved)
{
    Open();
    struct Row {
        int32_t& Option;
        const char* Value;
        uint32_t (*Target)();
    };
    const Row rows[kSoundVolumeCount] = {
        {Rules().Options.MusicVolume, "MusicVolume", &SoundPage::MusicTarget},
        {Rules().Options.SoundVolume, "SoundVolume", &SoundPage::SoundTarget}};
    for (int r = 0; r < kSoundVolumeCount; ++r) {
        const Row& row = rows[r];
        const Row& other = rows[1 - r];
        for (int32_t want = 90; want >= -20; want -= 10) {
            Click(kSoundVolumeDown[r]);
            const int32_t held = want < 0 ? 0 : want;
            ASSERT_EQ(row.Option, held) << row.Value;
            EXPECT_EQ(Stored(row.Value), held) << row.Value << ": saved at once";
            EXPECT_EQ(row.Target(), hssSpeaker::GainOf(uint32_t(held))) << row.Value << ": heard at once";
        }
        EXPECT_EQ(other.Option, r == 0 ? 100 : 100) << "the other volume does not move";
        for (int32_t want = 10; want <= 120; want += 10) {
            Click(kSoundVolumeUp[r]);
            const int32_t held = want > 100 ? 100 : want;
            ASSERT_EQ(row.Option, held) << row.Value;
            EXPECT_EQ(Stored(row.Value), held) << row.Value;
            EXPECT_EQ(row.Target(), hssSpeaker::GainOf(uint32_t(held))) << row.Value;
        }
    }
    // Neither volume is a switch: the designed ones stay as they were.
    EXPECT_EQ(Rules().Options.ZPlayMusic, 1);
    EXPECT_EQ(Rules().Options.ZPlaySound, 1);
}

TEST(SoundPageSteps, StepVolumeKeepsToTheTenPercentGrid)
{
    struct Case {
        int32_t From;
        int Direction;
        int32_t Want;
    };
    const Case cases[] = {
        {100, 1, 100}, {100, -1, 90}, {0, -1, 0},   {0, 1, 10},    {55, 1, 60}, {55, -1, 50},
        {50, -1, 40},  {1, -1, 0},    {99, 1, 100}, {250, -1, 90}, // a damaged value counts as 100
        {-5, 1, 100},  {70, 0, 70},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StepVolume(c.From, c.Direction), c.Want) << c.From << " stepped " << c.Direction;
}

TEST_F(SoundPage, KeysAloneLeftAndRightChangeTheLitVolumeUpAndDownWalk)
{
    Open();
    Key(kVkDown); // lights the first button: the music's step down
    ASSERT_EQ(Page().NavIndex(), 0);
    Key(kVkLeft);
    Key(kVkLeft);
    EXPECT_EQ(Rules().Options.MusicVolume, 80);
    EXPECT_EQ(Page().NavIndex(), 0) << "Left on a volume does not walk";
    Key(kVkRight);
    EXPECT_EQ(Rules().Options.MusicVolume, 90);
    Key(kVkReturn); // presses the lit step down
    EXPECT_EQ(Rules().Options.MusicVolume, 80);
    Key(kVkDown);
    Key(kVkDown); // the effects' step down
    ASSERT_EQ(Page().NavIndex(), 2);
    Key(kVkPadLeft);
    EXPECT_EQ(Rules().Options.SoundVolume, 90) << "the pad's D-pad as well";
    Key(kVkDown);
    Key(kVkDown); // the smooth sound switch: Left and Right walk again
    ASSERT_EQ(Page().NavIndex(), 4);
    Key(kVkRight);
    EXPECT_EQ(Page().NavIndex(), 5);
    EXPECT_EQ(Rules().Options.MusicVolume, 80);
    EXPECT_EQ(Rules().Options.SoundVolume, 90);
    Key(kVkReturn); // On
    EXPECT_EQ(Rules().Options.SmoothSound, 1);
    Key(kVkEscape);
    EXPECT_EQ(Front(), &Pages->OptionsPage);
}

TEST_F(SoundPage, SmoothSoundSwitchesAndIsHeardAndSaved)
{
    Open();
    Click(kSoundSmoothButtons[1]);
    EXPECT_EQ(Rules().Options.SmoothSound, 1);
    EXPECT_EQ(WLib::Speaker->Smooth, 1);
    EXPECT_EQ(Stored("SmoothSound"), 1);
    EXPECT_TRUE(Page().SmoothButtons[1].Selected);
    EXPECT_FALSE(Page().SmoothButtons[2].Selected);
    Click(kSoundSmoothButtons[0]); // the switch turns it over
    EXPECT_EQ(Rules().Options.SmoothSound, 0);
    EXPECT_EQ(WLib::Speaker->Smooth, 0);
    EXPECT_EQ(Stored("SmoothSound"), 0);
    Click(kSoundSmoothButtons[0]);
    EXPECT_EQ(Rules().Options.SmoothSound, 1);
    Click(kSoundSmoothButtons[2]);
    EXPECT_EQ(Rules().Options.SmoothSound, 0);
    EXPECT_TRUE(Page().SmoothButtons[2].Selected);
}

TEST_F(SoundPage, KeptAcrossARestartAndDamagedValuesPlayAtFullVolume)
{
    Open();
    Click(kSoundVolumeDown[0]);
    Click(kSoundVolumeDown[0]);
    Click(kSoundVolumeDown[1]);
    Click(kSoundSmoothButtons[1]);
    Restart();
    EXPECT_EQ(Rules().Options.MusicVolume, 80);
    EXPECT_EQ(Rules().Options.SoundVolume, 90);
    EXPECT_EQ(Rules().Options.SmoothSound, 1);
    ASSERT_NE(WLib::Speaker, nullptr);
    EXPECT_EQ(MusicTarget(), hssSpeaker::GainOf(80)) << "the speaker has them from the start";
    EXPECT_EQ(SoundTarget(), hssSpeaker::GainOf(90));
    EXPECT_EQ(WLib::Speaker->Smooth, 1);

    Put("MusicVolume", 250);
    Store.Content.SetValue(kFullKey, "SoundVolume", kSettingsText, std::string("50\0", 3));
    Restart();
    EXPECT_EQ(Rules().Options.MusicVolume, 100);
    EXPECT_EQ(Rules().Options.SoundVolume, 100);
    EXPECT_EQ(MusicTarget(), hssSpeaker::kFullGain);
    EXPECT_EQ(SoundTarget(), hssSpeaker::kFullGain);
    Open();
    EXPECT_EQ(TSoundPage::VolumeText(Rules().Options.MusicVolume), "100 %");
}

// The designed switches keep their meaning: a volume of 0 leaves them on,
// and switching them leaves the volumes alone.
TEST_F(SoundPage, VolumeZeroIsNoSwitchAndTheSwitchesLeaveTheVolumes)
{
    Open();
    for (int i = 0; i < 10; ++i) {
        Click(kSoundVolumeDown[0]);
        Click(kSoundVolumeDown[1]);
    }
    ASSERT_EQ(Rules().Options.MusicVolume, 0);
    ASSERT_EQ(Rules().Options.SoundVolume, 0);
    EXPECT_EQ(Rules().Options.ZPlayMusic, 1);
    EXPECT_EQ(Rules().Options.ZPlaySound, 1);
    Click(kSoundBack);
    Click(kOptionsButtons[2]); // music Off
    Click(kOptionsButtons[5]); // effects Off
    EXPECT_EQ(Rules().Options.ZPlayMusic, 0);
    EXPECT_EQ(Rules().Options.ZPlaySound, 0);
    EXPECT_EQ(Stored("MusicVolume"), 0) << "the switches leave the volumes alone";
    EXPECT_EQ(Stored("SoundVolume"), 0);
    EXPECT_EQ(MusicTarget(), 0u);
}

} // namespace
} // namespace WFourfall
