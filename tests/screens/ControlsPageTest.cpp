// The controls page on the real page set: reached from the options page,
// keys chosen by the mouse and by the keys alone, a key in use moved, the
// wait for a key cancelled, the defaults, the key repeat's steps and bounds,
// and everything kept in the settings store across a restart, damaged values
// included.
#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "platform/KeyCodes.h"
#include "platform/SettingsFile.h"
#include "rules/GameState.h"
#include "screens/layout/PageLayout.h"
#include "store/OptionsStorage.h"
#include "tests/screens/GameOnHost.h"

namespace WFourfall {
namespace {

using namespace WLib;
using namespace Platform;
using namespace Test;
using TKeys = std::array<int32_t, paCount>;

const std::string kFullKey = std::string("HKEY_CURRENT_USER\\") + kOptionsKey;
const TKeys kDesignKeys = {kVkLeft, kVkRight, kVkUp, kVkDown, kVkControl, kVkP};

class ControlsPage : public GameOnHost {
protected:
    TControlsPage& Page() { return Pages->ControlsPage; }
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
    // From the main menu, by the mouse.
    void Open()
    {
        Click(kMenuButtons[1]);
        ASSERT_EQ(Front(), &Pages->OptionsPage);
        Click(kOptionsControls);
        ASSERT_EQ(Front(), &Page());
    }
    TKeys KeysOnThePage()
    {
        TKeys keys;
        for (int a = 0; a < paCount; ++a)
            keys[a] = VirtualKeyFromName(Page().Rows[a].KeyText);
        return keys;
    }
    // What the settings store holds, read the way the game reads it at start.
    TControls Stored() const
    {
        TControls stored;
        LoadControls(stored);
        return stored;
    }
    static TKeys KeysOf(const TControls& c)
    {
        TKeys keys;
        for (int a = 0; a < paCount; ++a)
            keys[a] = c.Keys[a];
        return keys;
    }
    void Put(const char* name, int32_t v)
    {
        Store.Content.SetValue(kFullKey, name, kSettingsNumber, Platform::SettingsNumberData(v));
    }
};

TEST_F(ControlsPage, ReachedFromOptionsShowsTheDesignsKeysAndBackLeadsThere)
{
    Open();
    EXPECT_EQ(KeysOnThePage(), kDesignKeys);
    EXPECT_EQ(Page().Rows[paPause].KeyText, "P");
    EXPECT_EQ(Page().Waiting(), paNone);
    // Its picture, with the keys written over the rows' caps.
    EXPECT_EQ(Host.Pixel(20, 20), Data.SkinPixel("Controls", 20, 20));
    const TBox& row = kControlsActions[paLeft];
    int written = 0;
    for (int y = row.Y + kControlsKeyCap.Y; y < row.Y + kControlsKeyCap.Bottom(); ++y)
        for (int x = row.X + kControlsKeyCap.X; x < row.X + kControlsKeyCap.Right(); ++x)
            written += Host.Pixel(x, y) != Data.SkinPixel("Controls", x, y) ? 1 : 0;
    EXPECT_GT(written, 20);
    Click(kControlsBack);
    EXPECT_EQ(Front(), &Pages->OptionsPage);
}

// Click a row, press a key: the action has it, the page shows it, the store
// keeps it and the game plays with it.
TEST_F(ControlsPage, ClickAndKeyAssignsSavesAndPlays)
{
    Open();
    Click(kControlsActions[paLeft]);
    ASSERT_EQ(Page().Waiting(), paLeft);
    EXPECT_TRUE(Page().Rows[paLeft].Selected) << "the waiting row is lit";
    EXPECT_EQ(Page().Rows[paLeft].ImageIndex(), ibHoverSelected);
    Key('A');
    EXPECT_EQ(Page().Waiting(), paNone);
    EXPECT_EQ(Front(), &Page());
    EXPECT_EQ(Pages->Controls.Keys[paLeft], 'A');
    EXPECT_EQ(Page().Rows[paLeft].KeyText, "A");
    EXPECT_EQ(Stored().Keys[paLeft], 'A');

    std::vector<TPlayAction> done;
    Pages->Play.Board.Performed = [&done](TPlayAction a) { done.push_back(a); };
    StartGame(0);
    Key('A');
    Key(kVkLeft);
    EXPECT_EQ(done, std::vector<TPlayAction>{paLeft}) << "A moves left; Left has no action any more";
}

struct TConflictCase {
    const char* Name;
    TPlayAction Action;
    int32_t Key;
    TKeys After;
};
void PrintTo(const TConflictCase& c, std::ostream* os)
{
    *os << c.Name;
}

class ControlsConflict : public ControlsPage, public ::testing::WithParamInterface<TConflictCase> {};

// A key in use is moved, never doubled: the action that had it takes the
// chosen action's old key.
TEST_P(ControlsConflict, AKeyInUseIsMovedNotDoubled)
{
    const TConflictCase& c = GetParam();
    Open();
    Click(kControlsActions[c.Action]);
    Key(c.Key);
    EXPECT_EQ(KeysOf(Pages->Controls), c.After);
    EXPECT_EQ(KeysOnThePage(), c.After);
    EXPECT_EQ(KeysOf(Stored()), c.After);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ControlsConflict,
    ::testing::Values(
        TConflictCase{
            "LeftTakesRight", paLeft, kVkRight, {kVkRight, kVkLeft, kVkUp, kVkDown, kVkControl, kVkP}},
        TConflictCase{"PauseTakesUp", paPause, kVkUp, {kVkLeft, kVkRight, kVkP, kVkDown, kVkControl, kVkUp}},
        TConflictCase{"ItsOwnKeyChangesNothing", paDrop, kVkDown, kDesignKeys},
        TConflictCase{
            "AFreeKeyMovesNothingElse", paDown, 'S', {kVkLeft, kVkRight, kVkUp, kVkDown, 'S', kVkP}}),
    [](const ::testing::TestParamInfo<TConflictCase>& info) { return std::string(info.param.Name); });

// The keys alone: to the page from the options page, a row lit and pressed
// by Enter; the chosen key (an arrow, Enter itself) is taken as the key and
// never moves the highlight nor presses anything.
TEST_F(ControlsPage, KeysAloneChooseKeysAndTheKeyChosenNeverNavigates)
{
    Key(kVkDown);
    Key(kVkDown);
    Key(kVkReturn);
    ASSERT_EQ(Front(), &Pages->OptionsPage);
    Key(kVkUp); // lights the first
    Key(kVkUp); // round to Controls, the last
    Key(kVkReturn);
    ASSERT_EQ(Front(), &Page());

    Key(kVkDown);
    Key(kVkDown);
    Key(kVkDown);
    ASSERT_EQ(Page().NavIndex(), int(paTurn));
    // Enter presses the row; the desktop repeats it while held: no choice.
    Pages->KeyDown(kVkReturn);
    Pages->KeyDown(kVkReturn);
    Pages->KeyUp(kVkReturn);
    ASSERT_EQ(Page().Waiting(), paTurn);
    Key(kVkDown); // taken as the key: Drop gets Up
    EXPECT_EQ(Page().Waiting(), paNone);
    EXPECT_EQ(Page().NavIndex(), int(paTurn)) << "the arrow chosen did not move the highlight";
    EXPECT_EQ(KeysOf(Pages->Controls), (TKeys{kVkLeft, kVkRight, kVkDown, kVkUp, kVkControl, kVkP}));

    Key(kVkSpace); // presses the lit row again
    ASSERT_EQ(Page().Waiting(), paTurn);
    Key(kVkReturn); // Enter chosen: taken, and no new wait begins
    EXPECT_EQ(Page().Waiting(), paNone);
    EXPECT_EQ(Pages->Controls.Keys[paTurn], kVkReturn);
    EXPECT_EQ(Page().Rows[paTurn].KeyText, "Enter");
    EXPECT_EQ(Front(), &Page());
    EXPECT_EQ(Stored().Keys[paTurn], kVkReturn);

    Key(kVkEscape);
    EXPECT_EQ(Front(), &Pages->OptionsPage) << "Escape without a wait goes back";
}

struct TCancelCase {
    const char* Name;
    int32_t Key;
};
void PrintTo(const TCancelCase& c, std::ostream* os)
{
    *os << c.Name;
}

class ControlsCancel : public ControlsPage, public ::testing::WithParamInterface<TCancelCase> {};

// Escape (or the pad's B or Back) ends the wait: nothing is assigned, and the
// page stays; the pad's other buttons are not chosen and the wait goes on.
TEST_P(ControlsCancel, EndsTheWaitAssigningNothing)
{
    Open();
    Click(kControlsActions[paDrop]);
    Key(kVkPadA);
    Key(kVkPadLeft);
    EXPECT_EQ(Page().Waiting(), paDrop) << "pad buttons are not remapped";
    const int saves = Store.Saves;
    Key(GetParam().Key);
    EXPECT_EQ(Page().Waiting(), paNone);
    EXPECT_FALSE(Page().Rows[paDrop].Selected);
    EXPECT_EQ(Front(), &Page()) << "the cancel did not go back as well";
    EXPECT_EQ(KeysOf(Pages->Controls), kDesignKeys);
    EXPECT_EQ(Store.Saves, saves);
    Key('Q');
    EXPECT_EQ(KeysOf(Pages->Controls), kDesignKeys) << "no wait any more";
}

INSTANTIATE_TEST_SUITE_P(Keys, ControlsCancel,
                         ::testing::Values(TCancelCase{"Escape", kVkEscape}, TCancelCase{"PadB", kVkPadB},
                                           TCancelCase{"PadBack", kVkPadBack}),
                         [](const ::testing::TestParamInfo<TCancelCase>& info) {
                             return std::string(info.param.Name);
                         });

// Any button ends a wait too: another row waits instead, a step or Back end it.
TEST_F(ControlsPage, OtherButtonsEndTheWait)
{
    Open();
    Click(kControlsActions[paLeft]);
    Click(kControlsActions[paRight]);
    EXPECT_EQ(Page().Waiting(), paRight);
    EXPECT_FALSE(Page().Rows[paLeft].Selected);
    Click(kControlsRepeatUp[0]);
    EXPECT_EQ(Page().Waiting(), paNone);
    Click(kControlsActions[paPause]);
    Click(kControlsBack);
    EXPECT_EQ(Front(), &Pages->OptionsPage);
    Key('Z');
    Click(kOptionsControls);
    EXPECT_EQ(Page().Waiting(), paNone) << "leaving the page ended the wait";
    EXPECT_EQ(KeysOf(Pages->Controls), kDesignKeys);
}

TEST_F(ControlsPage, DefaultsPutBackTheDesignsKeysAndRepeat)
{
    Open();
    Click(kControlsActions[paLeft]);
    Key('J');
    Click(kControlsActions[paPause]);
    Key('K');
    Click(kControlsRepeatDown[0]);
    Click(kControlsRepeatUp[1]);
    ASSERT_NE(KeysOf(Stored()), kDesignKeys);
    ASSERT_NE(Stored().RepeatDelayMs, 170);
    Click(kControlsDefaults);
    EXPECT_EQ(KeysOf(Pages->Controls), kDesignKeys);
    EXPECT_EQ(KeysOnThePage(), kDesignKeys);
    const TControls stored = Stored();
    EXPECT_EQ(KeysOf(stored), kDesignKeys);
    EXPECT_EQ(stored.RepeatDelayMs, 170);
    EXPECT_EQ(stored.RepeatRateMs, 50);
}

struct TStepCase {
    const char* Name;
    int Which; // 0 the delay, 1 the rate
    int Direction;
    int Clicks;
    int32_t Expected;
};
void PrintTo(const TStepCase& c, std::ostream* os)
{
    *os << c.Name;
}

class RepeatSteps : public ControlsPage, public ::testing::WithParamInterface<TStepCase> {};

// The steps move the value through the presets, stop at the bounds a stored
// value may have, and every step is stored and shown at once.
TEST_P(RepeatSteps, StepWithinTheBoundsAndStoreAtOnce)
{
    const TStepCase& c = GetParam();
    Open();
    const TBox& button = c.Direction > 0 ? kControlsRepeatUp[c.Which] : kControlsRepeatDown[c.Which];
    for (int i = 0; i < c.Clicks; ++i)
        Click(button);
    const int32_t shown = c.Which == 0 ? Pages->Controls.RepeatDelayMs : Pages->Controls.RepeatRateMs;
    EXPECT_EQ(shown, c.Expected);
    const TControls stored = Stored();
    EXPECT_EQ(c.Which == 0 ? stored.RepeatDelayMs : stored.RepeatRateMs, c.Expected);
    EXPECT_TRUE(stored.Valid());
    // The other value stayed.
    EXPECT_EQ(c.Which == 0 ? stored.RepeatRateMs : stored.RepeatDelayMs, c.Which == 0 ? 50 : 170);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RepeatSteps,
    ::testing::Values(TStepCase{"DelayOneUp", 0, 1, 1, 200}, TStepCase{"DelayOneDown", 0, -1, 1, 140},
                      TStepCase{"DelayUpToTheBound", 0, 1, 30, kMaxRepeatDelayMs},
                      TStepCase{"DelayDownToTheBound", 0, -1, 30, kMinRepeatDelayMs},
                      TStepCase{"RateOneUp", 1, 1, 1, 60}, TStepCase{"RateOneDown", 1, -1, 1, 40},
                      TStepCase{"RateUpToTheBound", 1, 1, 30, kMaxRepeatRateMs},
                      TStepCase{"RateDownToTheBound", 1, -1, 30, kMinRepeatRateMs}),
    [](const ::testing::TestParamInfo<TStepCase>& info) { return std::string(info.param.Name); });

// The keys reach the steps too, and the play page repeats at the new pace.
TEST_F(ControlsPage, RepeatStepsByKeysAndThePlayFollows)
{
    Open();
    Page().Highlight(kControlsActionCount + 1); // the delay's step up
    Key(kVkReturn);
    Key(kVkReturn);
    EXPECT_EQ(Pages->Controls.RepeatDelayMs, 250);
    std::vector<TPlayAction> done;
    Pages->Play.Board.Performed = [&done](TPlayAction a) { done.push_back(a); };
    StartGame(0);
    Pages->KeyDown(kVkLeft);
    Host.Advance(249);
    EXPECT_EQ(done.size(), 1u) << "no repeat before the delay chosen";
    Host.Advance(1);
    EXPECT_EQ(done.size(), 2u);
    Pages->KeyUp(kVkLeft);
}

struct TPresetCase {
    int32_t Value;
    int Direction;
    int32_t Expected;
};
void PrintTo(const TPresetCase& c, std::ostream* os)
{
    *os << c.Value << (c.Direction > 0 ? " up" : " down");
}

class RepeatPresets : public ::testing::TestWithParam<TPresetCase> {};

// Values stored between presets (edited by hand) or out of the list step to
// the nearest preset that way.
TEST_P(RepeatPresets, StepToTheNearestPresetThatWay)
{
    const TPresetCase& c = GetParam();
    EXPECT_EQ(StepRepeat(c.Value, c.Direction, kRepeatDelaySteps, kRepeatDelayStepCount), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(Table, RepeatPresets,
                         ::testing::Values(TPresetCase{175, 1, 200}, TPresetCase{175, -1, 170},
                                           TPresetCase{170, 1, 200}, TPresetCase{1000, 1, 1000},
                                           TPresetCase{50, -1, 50}, TPresetCase{5000, -1, 700},
                                           TPresetCase{-3, 1, 80}, TPresetCase{999, 1, 1000}));

TEST(RepeatPresetLists, RunFromBoundToBoundAscending)
{
    const struct {
        const int32_t* Steps;
        int Count;
        int32_t Min, Max;
    } lists[] = {{kRepeatDelaySteps, kRepeatDelayStepCount, kMinRepeatDelayMs, kMaxRepeatDelayMs},
                 {kRepeatRateSteps, kRepeatRateStepCount, kMinRepeatRateMs, kMaxRepeatRateMs}};
    for (const auto& l : lists) {
        ASSERT_GE(l.Count, 2);
        EXPECT_EQ(l.Steps[0], l.Min);
        EXPECT_EQ(l.Steps[l.Count - 1], l.Max);
        for (int i = 1; i < l.Count; ++i)
            EXPECT_LT(l.Steps[i - 1], l.Steps[i]);
    }
}

// What the page chose is what the next start reads, and the values of the
// options key the game does not know stay as they were.
TEST_F(ControlsPage, KeptAcrossARestartBesideValuesTheGameDoesNotKnow)
{
    Store.Content.SetValue(kFullKey, "FromANewerGame", kSettingsText, std::string("keep me\0", 8));
    Open();
    Click(kControlsActions[paDrop]);
    Key(kVkSpace);
    Click(kControlsActions[paRight]);
    Key('D');
    Click(kControlsRepeatDown[1]);
    Restart();
    const TKeys chosen = {kVkLeft, 'D', kVkUp, kVkSpace, kVkControl, kVkP};
    EXPECT_EQ(KeysOf(Pages->Controls), chosen);
    EXPECT_EQ(Pages->Controls.RepeatRateMs, 40);
    Open();
    EXPECT_EQ(KeysOnThePage(), chosen);
    const TSettingsValue* other = Store.Content.FindValue(kFullKey, "FromANewerGame");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->Data, std::string("keep me\0", 8));
}

struct TDamageCase {
    const char* Name;
    const char* Value;
    int32_t Number;
};
void PrintTo(const TDamageCase& c, std::ostream* os)
{
    *os << c.Name;
}

class DamagedControlsOnThePage : public ControlsPage, public ::testing::WithParamInterface<TDamageCase> {};

// A damaged stored value gives the defaults on the page (and in the game);
// the page's next change stores a whole, sound set again.
TEST_P(DamagedControlsOnThePage, ShowTheDefaultsAndTheNextChangeMendsThem)
{
    const TDamageCase& c = GetParam();
    const TKeys chosen = {'A', 'D', 'W', 'S', kVkSpace, 'P'};
    for (int a = 0; a < paCount; ++a)
        Put(kControlValueNames[a], chosen[a]);
    Put(kRepeatDelayValue, 300);
    Put(kRepeatRateValue, 30);
    Put(c.Value, c.Number);
    Restart();
    Open();
    const bool keyDamaged = std::string(c.Value).rfind("Key", 0) == 0;
    EXPECT_EQ(KeysOnThePage(), keyDamaged ? kDesignKeys : chosen);
    EXPECT_EQ(Pages->Controls.RepeatDelayMs, keyDamaged ? 300 : 170);
    EXPECT_EQ(Pages->Controls.RepeatRateMs, keyDamaged ? 30 : 50);
    Click(kControlsActions[paPause]);
    Key('O');
    const TControls stored = Stored();
    EXPECT_TRUE(stored.Valid());
    EXPECT_EQ(stored.Keys[paPause], 'O');
}

INSTANTIATE_TEST_SUITE_P(Cases, DamagedControlsOnThePage,
                         ::testing::Values(TDamageCase{"KeyOutOfRange", "KeyLeft", 300},
                                           TDamageCase{"KeyZero", "KeyTurn", 0},
                                           TDamageCase{"KeyDoubled", "KeyDrop", 'A'},
                                           TDamageCase{"DelayTooShort", "RepeatDelay", 5},
                                           TDamageCase{"RateTooLong", "RepeatRate", 501}),
                         [](const ::testing::TestParamInfo<TDamageCase>& info) {
                             return std::string(info.param.Name);
                         });

// Without its pictures the page still reads: plain plates with the action's
// name and its key.
TEST_F(ControlsPage, RowsReadWithoutTheirPictures)
{
    Open();
    Pages->ControlsPage.Background = TBitmap();
    for (TKeyRow& row : Page().Rows)
        for (TBitmap& image : row.Images.Images)
            image = TBitmap();
    Host.Paint();
    EXPECT_FALSE(Page().Rows[paLeft].ShowsPicture());
    // The caption's white pixels on the plate's left, the key's on its cap.
    const TBox& row = kControlsActions[paLeft];
    int captionPixels = 0, keyPixels = 0;
    for (int y = row.Y; y < row.Bottom(); ++y)
        for (int x = row.X; x < row.Right(); ++x)
            if (Host.Pixel(x, y) == 0xFFFF)
                ++(x < row.X + kControlsKeyCap.X ? captionPixels : keyPixels);
    EXPECT_GT(captionPixels, 30);
    EXPECT_GT(keyPixels, 10);
}

} // namespace
} // namespace WFourfall
