// What the player's hands reach on the game's pages: the game's own key
// repeat on a virtual clock, the chosen keys and the pad's buttons at the
// board, and the highlight that the arrows, Enter and Escape move and press
// on every page.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "platform/KeyCodes.h"
#include "platform/desktop/YesNoQuestion.h"
#include "rules/AbsFigure.h"
#include "rules/GameState.h"
#include "rules/HiScores.h"
#include "tests/screens/GameOnHost.h"

namespace WFourfall {
namespace {

using namespace WLib;
using namespace GFourfall;
using namespace Platform;
using namespace Test;

// The game running with every operation that reaches the rules counted.
class PlayInput : public GameOnHost {
protected:
    void SetUp() override
    {
        GameOnHost::SetUp();
        Pages->Controls.RepeatDelayMs = kDelay;
        Pages->Controls.RepeatRateMs = kRate;
        Pages->Play.Board.Performed = [this](TPlayAction a) { Done.push_back(a); };
        StartGame(0);
        ASSERT_NE(Rules().GameState.CurFig, nullptr);
    }
    int Count(TPlayAction action) const
    {
        int n = 0;
        for (TPlayAction a : Done)
            n += a == action ? 1 : 0;
        return n;
    }
    // Holds the key for ms on the virtual clock; with desktopRepeatMs > 0 the
    // desktop sends its own repeats of the key that often meanwhile.
    void Hold(int32_t key, int ms, int desktopRepeatMs = 0)
    {
        Pages->KeyDown(key);
        int since = 0;
        for (int t = 0; t < ms; t += 5) {
            const int step = std::min(5, ms - t);
            Host.Advance(step);
            since += step;
            if (desktopRepeatMs > 0 && since >= desktopRepeatMs && t + step < ms) {
                Pages->KeyDown(key);
                since = 0;
            }
        }
        Pages->KeyUp(key);
    }

    // Not the defaults: the game must use what the player set.
    static constexpr int kDelay = 200;
    static constexpr int kRate = 40;
    std::vector<TPlayAction> Done;
};

struct TRepeatCase {
    const char* Name;
    int32_t Key;
    TPlayAction Action;
    int HoldMs;
    int DesktopRepeatMs; // 0: the desktop sends none
    int Moves;
};
void PrintTo(const TRepeatCase& c, std::ostream* os)
{
    *os << c.Name;
}

class KeyRepeat : public PlayInput, public ::testing::WithParamInterface<TRepeatCase> {};

// The fall timer ticks first at 1000 ms: every case, release included, ends
// before it, so only the player's moves move the figure.
TEST_P(KeyRepeat, HeldMoveRepeatsAtTheGamesPaceAndStopsWhenLetGo)
{
    const TRepeatCase& c = GetParam();
    const int x = Rules().GameState.CurFig->X;
    const int y = Rules().GameState.CurFig->Y;
    Hold(c.Key, c.HoldMs, c.DesktopRepeatMs);
    EXPECT_EQ(static_cast<int>(Done.size()), c.Moves);
    EXPECT_EQ(Count(c.Action), c.Moves);
    // The figure went as far, in the rules themselves.
    if (c.Action == paDown) {
        EXPECT_EQ(Rules().GameState.CurFig->Y, y + c.Moves);
    } else if (c.Action == paLeft) {
        EXPECT_EQ(Rules().GameState.CurFig->X, x - c.Moves);
    }
    Host.Advance(1000 - 5 - c.HoldMs);
    EXPECT_EQ(static_cast<int>(Done.size()), c.Moves) << "moved after the key was let go";
}

INSTANTIATE_TEST_SUITE_P(
    Table, KeyRepeat,
    ::testing::Values(TRepeatCase{"tap", kVkControl, paDown, 0, 0, 1},
                      TRepeatCase{"held just short of the delay", kVkControl, paDown, 199, 0, 1},
                      TRepeatCase{"held to the delay: the first repeat", kVkControl, paDown, 200, 0, 2},
                      TRepeatCase{"held to delay + 3 x rate", kVkControl, paDown, 320, 0, 5},
                      TRepeatCase{"held to delay + 3 x rate + a bit", kVkControl, paDown, 339, 0, 5},
                      TRepeatCase{"desktop repeats ignored, short", kVkControl, paDown, 150, 30, 1},
                      TRepeatCase{"desktop repeats ignored, long", kVkControl, paDown, 320, 30, 5},
                      TRepeatCase{"Left held to delay + 1 x rate", kVkLeft, paLeft, 240, 0, 3},
                      TRepeatCase{"pad Left held to delay + 1 x rate", kVkPadLeft, paLeft, 240, 0, 3}),
    [](const ::testing::TestParamInfo<TRepeatCase>& info) { return "case" + std::to_string(info.index); });

TEST_F(PlayInput, TurnAndDropNeverRepeat)
{
    Hold(kVkUp, 600, 30);
    EXPECT_EQ(Count(paTurn), 1);
    Hold(kVkDown, 300, 30);
    EXPECT_EQ(Count(paDrop), 1);
    EXPECT_EQ(Done.size(), 2u);
}

TEST_F(PlayInput, AnotherMoveTakesTheRepeatOverAndTheFirstKeyLetGoDoesNotStopIt)
{
    Pages->KeyDown(kVkControl);
    Host.Advance(100);
    Pages->KeyDown(kVkLeft); // both held: Left repeats from now
    Host.Advance(100);
    Pages->KeyUp(kVkControl);
    Host.Advance(kDelay + kRate - 100);
    Pages->KeyUp(kVkLeft);
    EXPECT_EQ(Count(paDown), 1);
    EXPECT_EQ(Count(paLeft), 3);
}

struct TKeyCase {
    const char* Name;
    int32_t Key;
    TPlayAction Action;
};
void PrintTo(const TKeyCase& c, std::ostream* os)
{
    *os << c.Name;
}

class PlayKeys : public PlayInput, public ::testing::WithParamInterface<TKeyCase> {};

TEST_P(PlayKeys, KeyReachesTheRulesAsItsAction)
{
    Pages->KeyDown(GetParam().Key);
    Pages->KeyUp(GetParam().Key);
    ASSERT_EQ(Done.size(), 1u);
    EXPECT_EQ(Done[0], GetParam().Action);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PlayKeys,
    ::testing::Values(TKeyCase{"Left", kVkLeft, paLeft}, TKeyCase{"Right", kVkRight, paRight},
                      TKeyCase{"Up turns", kVkUp, paTurn}, TKeyCase{"Down drops", kVkDown, paDrop},
                      TKeyCase{"Ctrl one row", kVkControl, paDown}, TKeyCase{"Space drops", kVkSpace, paDrop},
                      TKeyCase{"pad Left", kVkPadLeft, paLeft}, TKeyCase{"pad Right", kVkPadRight, paRight},
                      TKeyCase{"pad Down one row", kVkPadDown, paDown},
                      TKeyCase{"pad Up drops", kVkPadUp, paDrop}, TKeyCase{"pad A turns", kVkPadA, paTurn},
                      TKeyCase{"pad B drops", kVkPadB, paDrop}),
    [](const ::testing::TestParamInfo<TKeyCase>& info) { return "case" + std::to_string(info.index); });

TEST_F(PlayInput, ChosenKeysReplaceTheDesignsAndSpaceStaysASecondDrop)
{
    ASSERT_TRUE(Pages->Controls.Assign(paTurn, 'W'));
    ASSERT_TRUE(Pages->Controls.Assign(paLeft, 'A'));
    for (int32_t key : {int32_t('W'), int32_t('A'), int32_t(kVkLeft), int32_t(kVkSpace)}) {
        Pages->KeyDown(key);
        Pages->KeyUp(key);
    }
    // Left lost its action to A; Up kept none since W took turning.
    EXPECT_EQ(Done, (std::vector<TPlayAction>{paTurn, paLeft, paDrop}));
    Pages->KeyDown(kVkUp);
    Pages->KeyUp(kVkUp);
    EXPECT_EQ(Done.size(), 3u);
}

TEST_F(PlayInput, PauseKeysToggleOncePerPressAndFreezeTheKeys)
{
    Pages->KeyDown(kVkP);
    Pages->KeyDown(kVkP); // the desktop's repeat
    EXPECT_TRUE(Pages->Play.Board.IsPaused());
    Pages->KeyUp(kVkP);
    Hold(kVkLeft, 10);
    EXPECT_TRUE(Done.empty());
    Pages->KeyDown(kVkPadStart);
    Pages->KeyUp(kVkPadStart);
    EXPECT_FALSE(Pages->Play.Board.IsPaused());
    Hold(kVkLeft, 10);
    EXPECT_EQ(Done.size(), 1u);
}

TEST_F(PlayInput, PausingStopsAHeldRepeat)
{
    Pages->KeyDown(kVkControl);
    Pages->KeyDown(kVkP);
    Pages->KeyUp(kVkP);
    Host.Advance(kDelay + 5 * kRate);
    EXPECT_EQ(Done.size(), 1u);
}

// The window lost the focus or was minimised: the player is not looking.
TEST_F(PlayInput, LosingTheFocusPausesARunningGameUntilThePlayerPressesP)
{
    TWFourfall& board = Pages->Play.Board;
    const std::size_t steps = board.Recording().Steps.size();
    Pages->PostAndProcess(evFocusLost, 0);
    EXPECT_TRUE(board.IsPaused());
    Pages->PostAndProcess(evFocusLost, 0); // lost again: not toggled back
    EXPECT_TRUE(board.IsPaused());
    Host.Advance(10 * Rules().GameState.FallPeriod);
    Hold(kVkLeft, 10);
    EXPECT_EQ(board.Recording().Steps.size(), steps) << "no fall and no move while away";
    Pages->KeyDown(kVkP);
    Pages->KeyUp(kVkP);
    EXPECT_FALSE(board.IsPaused());
    Host.Advance(Rules().GameState.FallPeriod + 10);
    EXPECT_GT(board.Recording().Steps.size(), steps) << "the figure falls again";
    // Paused with P first, it stays paused.
    Pages->KeyDown(kVkP);
    Pages->KeyUp(kVkP);
    Pages->PostAndProcess(evFocusLost, 0);
    EXPECT_TRUE(board.IsPaused());
}

TEST_F(PlayInput, LosingTheFocusLeavesAGameThatIsNotRunningAlone)
{
    TWFourfall& board = Pages->Play.Board;
    for (int i = 0; i < 2000 && Rules().GameState.Status == kStatusPlaying; ++i) {
        Pages->KeyDown(kVkDown);
        Pages->KeyUp(kVkDown);
        Host.Advance(Rules().GameState.FallPeriod); // the dropped figure lands
    }
    ASSERT_EQ(Rules().GameState.Status, kStatusGameOver);
    Pages->PostAndProcess(evFocusLost, 0);
    EXPECT_FALSE(board.IsPaused()) << "GAME OVER stays GAME OVER";
    StartGame(0);
    Pages->PostAndProcess(Pages->MainMenu.Id, 0);
    Pages->PostAndProcess(evFocusLost, 0);
    EXPECT_FALSE(board.IsPaused()) << "a game left behind for the main menu";
    StartGame(0);
    EXPECT_FALSE(board.IsPaused());
}

// The page's highlight and the arrows.
class Navigation : public GameOnHost {
protected:
    void Key(int32_t key)
    {
        Pages->KeyDown(key);
        Pages->KeyUp(key);
        Host.PaintPending();
    }
    TApp* Front() const { return Pages->LastChild; }
    Platform::ScriptedQuestion Question;
    int LitButtons(const TScrPage& page) const
    {
        int n = 0;
        for (const TIButton* b : page.NavOrder)
            n += b->Hover != 0 ? 1 : 0;
        return n;
    }
};

TEST_F(Navigation, ArrowsWalkTheMainMenuRoundAndEnterPressesTheLitButton)
{
    TMainMenu& menu = Pages->MainMenu;
    ASSERT_EQ(Front(), &menu);
    EXPECT_EQ(menu.NavIndex(), -1);
    Key(kVkDown);
    EXPECT_EQ(menu.NavIndex(), 0);
    Key(kVkRight);
    EXPECT_EQ(menu.NavIndex(), 1);
    Key(kVkUp);
    Key(kVkLeft);
    EXPECT_EQ(menu.NavIndex(), 4) << "round from the first to the last";
    Key(kVkPadDown);
    EXPECT_EQ(menu.NavIndex(), 0) << "and from the last to the first";
    EXPECT_EQ(LitButtons(menu), 1);
    Key(kVkEscape);
    EXPECT_EQ(Front(), &menu) << "nothing to go back to from the main menu";
    EXPECT_EQ(Host.CloseRequests(), 0);
    Key(kVkDown);
    Key(kVkReturn);
    EXPECT_EQ(Front(), &Pages->OptionsPage);
}

TEST_F(Navigation, TheMouseAndTheKeysMoveOneHighlight)
{
    TMainMenu& menu = Pages->MainMenu;
    Key(kVkDown);
    Key(kVkDown);
    ASSERT_EQ(menu.NavIndex(), 1);
    const TBox& third = kMenuButtons[2];
    Pages->MouseMove(third.X + third.W / 2, third.Y + third.H / 2);
    EXPECT_EQ(menu.NavIndex(), 2);
    EXPECT_EQ(LitButtons(menu), 1) << "the keys' highlight went out";
    Key(kVkDown);
    EXPECT_EQ(menu.NavIndex(), 3) << "the keys go on from where the mouse was";
    EXPECT_EQ(LitButtons(menu), 1);
    Key(kVkSpace);
    EXPECT_EQ(Front(), &Pages->Help);
}

// Every page reached and left with keys alone, pad buttons included; the
// high-score entry takes its name by keys and the page's highlight does not
// press anything meanwhile.
TEST_F(Navigation, EveryPageByKeysAlone)
{
    struct TStep {
        int Downs;
        TScrPage* Page;
    };
    const TStep steps[] = {{2, &Pages->OptionsPage}, {3, &Pages->HighScore}, {4, &Pages->Help}};
    for (const TStep& s : steps) {
        Pages->MainMenu.Highlight(-1);
        for (int i = 0; i < s.Downs; ++i)
            Key(kVkDown);
        Key(kVkReturn);
        ASSERT_EQ(Front(), s.Page);
        Key(kVkEscape);
        ASSERT_EQ(Front(), &Pages->MainMenu);
    }
    Pages->MainMenu.Highlight(-1);
    Key(kVkPadDown);
    Key(kVkPadA);
    ASSERT_EQ(Front(), &Pages->GameType);
    // Left from the first button: round to More Games, the last of the page.
    Key(kVkPadDown);
    Key(kVkLeft);
    Key(kVkReturn);
    ASSERT_EQ(Front(), &Pages->MoreGames);
    Key(kVkDown);
    EXPECT_EQ(Pages->MoreGames.NavIndex(), 0);
    Key(kVkEscape);
    ASSERT_EQ(Front(), &Pages->GameType);
    Key(kVkPadB);
    ASSERT_EQ(Front(), &Pages->MainMenu);
    Pages->MainMenu.Highlight(-1);
    Key(kVkDown);
    Key(kVkReturn);
    Key(kVkDown);
    Key(kVkReturn); // the first game type
    ASSERT_EQ(Front(), &Pages->Play);
    EXPECT_EQ(Rules().GameState.Status, kStatusPlaying);
    Pages->Services.Question = &Question;
    Question.QueueAnswer(true); // leave the game
    Key(kVkEscape);
    ASSERT_EQ(Front(), &Pages->MainMenu);

    // A score for the list: the entry waits for its name.
    StartGame(0);
    Rules().GameState.Score = 500;
    EndGame(Rules());
    Nudge();
    Host.PaintPending();
    ASSERT_EQ(Front(), &Pages->HighScore);
    ASSERT_EQ(Rules().GameState.HiScorePos, 0);
    Pages->HighScore.Highlight(6); // back to the menu, lit
    char* name = Rules().HiScores.Entries[Rules().HiScores.ShownType][0][0].Name;
    name[0] = '\0';
    for (const char c : std::string("A B")) {
        const int32_t key = c == ' ' ? int32_t(kVkSpace) : int32_t(c);
        Pages->KeyDown(key);
        Pages->KeyPress(static_cast<uint8_t>(c));
        Pages->KeyUp(key);
    }
    Key(kVkDown);
    Key(kVkReturn);
    EXPECT_EQ(std::string(name), "A B");
    EXPECT_EQ(Rules().GameState.HiScorePos, -1) << "Enter took the name";
    EXPECT_EQ(Front(), &Pages->HighScore) << "and pressed nothing else";
    Key(kVkEscape);
    EXPECT_EQ(Front(), &Pages->MainMenu);
}

TEST_F(Navigation, GamepadAnswersTheQuestionBox)
{
    struct TCase {
        int32_t Key;
        TQuestionBox::TAnswer Answer;
    };
    for (const TCase& c :
         {TCase{kVkPadA, TQuestionBox::AnsweredYes}, TCase{kVkPadB, TQuestionBox::AnsweredNo}}) {
        ASSERT_TRUE(Pages->QuestionBox.Open(Pages.get(), "Clear?"));
        Key(kVkPadDown); // the page behind keeps its highlight where it was
        EXPECT_EQ(Pages->MainMenu.NavIndex(), -1);
        Key(c.Key);
        EXPECT_EQ(Pages->QuestionBox.Answer(), c.Answer);
        Pages->QuestionBox.Close();
    }
}

// The ways back from the play page, each as a player gives it.
struct TLeaveCase {
    const char* Name;
    void (*Give)(TGamePages& pages);
};
void PrintTo(const TLeaveCase& c, std::ostream* os)
{
    *os << c.Name;
}

class LeaveGame : public Navigation, public ::testing::WithParamInterface<TLeaveCase> {
protected:
    void SetUp() override
    {
        Navigation::SetUp();
        Pages->Services.Question = &Question;
        StartGame(0);
    }
    void Leave()
    {
        GetParam().Give(*Pages);
        Host.PaintPending();
    }
};

void PressKey(TGamePages& pages, int32_t key)
{
    pages.KeyDown(key);
    pages.KeyUp(key);
}

// A game in progress is not thrown away by a slip: it pauses and the game's
// question asks, preferring No, which goes back to the paused game.
TEST_P(LeaveGame, ARunningGamePausesAndAsksAndNoGoesBackToIt)
{
    const int32_t score = Rules().GameState.Score;
    const TAbsFigure* figure = Rules().GameState.CurFig;
    const int32_t y = figure->Y;
    Question.QueueAnswer(false);
    Leave();
    ASSERT_EQ(Question.Asked().size(), 1u);
    EXPECT_EQ(Question.Preferred().back(), TPreferredAnswer::No);
    EXPECT_EQ(Front(), &Pages->Play);
    EXPECT_EQ(Rules().GameState.Status, kStatusPlaying);
    EXPECT_TRUE(Pages->Play.Board.IsPaused());
    Host.Advance(5000);
    EXPECT_EQ(Rules().GameState.CurFig->Y, y) << "still paused";
    PressKey(*Pages, kVkP);
    Host.Advance(3000);
    EXPECT_GT(Rules().GameState.CurFig->Y, y) << "the same game goes on";
    EXPECT_EQ(Rules().GameState.Score, score);

    Question.QueueAnswer(true);
    Leave();
    EXPECT_EQ(Question.Asked().size(), 2u);
    EXPECT_EQ(Front(), &Pages->MainMenu);
    EXPECT_NE(Rules().GameState.Status, kStatusPlaying) << "nothing is left to go on with";
}

// Once the game is over (or never ran) there is nothing to lose: no question.
TEST_P(LeaveGame, AfterGameOverItLeavesWithoutAsking)
{
    for (int i = 0; i < kScoreEntries; ++i)
        Rules().HiScores.Entries[0][0][i].Score = 1000000; // no entry for the list
    EndGame(Rules());
    Nudge();
    ASSERT_EQ(Front(), &Pages->Play);
    Leave();
    EXPECT_TRUE(Question.Asked().empty());
    EXPECT_EQ(Front(), &Pages->MainMenu);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, LeaveGame,
    ::testing::Values(TLeaveCase{"Escape", [](TGamePages& p) { PressKey(p, kVkEscape); }},
                      TLeaveCase{"PadBack", [](TGamePages& p) { PressKey(p, kVkPadBack); }},
                      TLeaveCase{"MainMenuButton",
                                 [](TGamePages& p) {
                                     const TRect r = p.Play.Button.Rect;
                                     p.MouseMove(r.Left + 5, r.Top + 5);
                                     p.MouseDown(r.Left + 5, r.Top + 5, 1);
                                     p.MouseUp(r.Left + 5, r.Top + 5, 1);
                                 }}),
    [](const ::testing::TestParamInfo<TLeaveCase>& info) { return std::string(info.param.Name); });

// The leave question in the game's own box: Enter and the pad's A take the
// preferred No, which is the lit button; only Y or a click says Yes.
TEST_F(Navigation, TheLeaveQuestionsBoxPrefersNo)
{
    struct TCase {
        int32_t Key;
        TQuestionBox::TAnswer Answer;
    };
    TQuestionBox& box = Pages->QuestionBox;
    for (const TCase& c :
         {TCase{kVkReturn, TQuestionBox::AnsweredNo}, TCase{kVkPadA, TQuestionBox::AnsweredYes},
          TCase{kVkY, TQuestionBox::AnsweredYes}, TCase{kVkEscape, TQuestionBox::AnsweredNo}}) {
        ASSERT_TRUE(box.Open(Pages.get(), "Leave?", TPreferredAnswer::No));
        EXPECT_EQ(box.No.Selected, 1);
        EXPECT_EQ(box.Yes.Selected, 0);
        Key(c.Key);
        EXPECT_EQ(box.Answer(), c.Answer) << "key " << c.Key;
        box.Close();
    }
    ASSERT_TRUE(box.Open(Pages.get(), "Send?"));
    EXPECT_EQ(box.Yes.Selected, 1);
    Key(kVkReturn);
    EXPECT_EQ(box.Answer(), TQuestionBox::AnsweredYes);
    box.Close();
}

// The key that was down when the well filled up (the drop being hammered)
// does not start the next game: the final board stays until it is let go and
// pressed again.
TEST_F(Navigation, GameOverKeysCountOnlyAfterTheirRelease)
{
    for (int32_t key : {int32_t(kVkSpace), int32_t(kVkReturn), int32_t(kVkPadA)}) {
        for (int i = 0; i < kScoreEntries; ++i)
            Rules().HiScores.Entries[0][0][i].Score = 1000000; // no entry for the list
        StartGame(0);
        // Drops until the well is full, the key still down.
        for (int i = 0; i < 500 && Rules().GameState.Status == kStatusPlaying; ++i) {
            if (key != kVkSpace)
                Pages->KeyDown(key); // held with the drop
            Pages->KeyUp(kVkSpace);
            Pages->KeyDown(kVkSpace);
            // The dropped figure lands with the next step of the fall.
            if (Rules().GameState.Status == kStatusPlaying)
                Host.Advance(Rules().GameState.FallPeriod);
            if (key != kVkSpace && Rules().GameState.Status == kStatusPlaying)
                Pages->KeyUp(key);
        }
        ASSERT_EQ(Rules().GameState.Status, kStatusGameOver) << "key " << key;
        ASSERT_EQ(Front(), &Pages->Play);
        if (key != kVkSpace)
            Pages->KeyUp(kVkSpace);
        Pages->KeyDown(key); // the desktop repeats the held key
        Pages->KeyDown(key);
        EXPECT_EQ(Rules().GameState.Status, kStatusGameOver) << "key " << key;
        Pages->KeyUp(key);
        Pages->KeyDown(key);
        EXPECT_EQ(Rules().GameState.Status, kStatusPlaying) << "pressed anew, key " << key;
        Pages->KeyUp(key);
    }
}

} // namespace
} // namespace WFourfall
