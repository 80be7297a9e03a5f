// A whole game with a gamepad alone: SDL's virtual game controller, plugged
// in after the window opened, drives the real game form from the main menu
// through the game type page and a game to the high-score entry. The window
// is SDL's off-screen one and the timers run on a clock the test moves.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "app/frmGFourfall.h"
#include "platform/DataFolder.h"
#include "platform/OfflineAudioDriver.h"
#include "platform/SettingsStore.h"
#include "rules/AbsFigure.h"
#include "rules/GameState.h"
#include "screens/ProcessState.h"
#include "tests/platform/BuildTree.h"
#include "tests/platform/desktop/VirtualPad.h"

namespace {

using namespace GFourfall;
using TPad = TestSupport::VirtualPad;

class Gamepad : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The game's own pictures, built beside the tests.
        const std::string data = TestSupport::BuiltDataFolder();
        ASSERT_TRUE(Platform::HoldsGameData(data)) << "no game data in " << data;
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        Process.emplace(&Store, TOfflineAudioDriver::Factory(), 7);
        Form.emplace([this] { return Now; });
        Form->DataFolder = data;
        ASSERT_TRUE(Form->OpenWindow("Tumbletown"));
        Form->FormCreate();
        Form->FormPaint();
        ASSERT_TRUE(Pad.Plug()) << Pad.Error();
        Turn(); // the pad is announced and opened by the window
    }
    void TearDown() override
    {
        Pad.Unplug();
        Form.reset();
        Process.reset();
    }
    // One turn of the main loop without sleeping.
    void Turn()
    {
        std::vector<Platform::InputRecord> records;
        Form->Window().WaitForInput(0, records);
        Form->HandleTurn(records);
    }
    void Press(TPad::Button button)
    {
        Pad.Set(button, true);
        Turn();
        Pad.Set(button, false);
        Turn();
    }
    void Advance(int ms)
    {
        for (int t = 0; t < ms; t += 10) {
            Now += 10;
            Turn();
        }
    }
    WLib::TApp* Front() const { return Form->Pages.LastChild; }
    GFourfall::TRules& Rules() { return Form->Pages.Rules; }

    Platform::TMemorySettingsStore Store;
    std::optional<WFourfall::TProcessScope> Process;
    int64_t Now = 0;
    std::optional<TumbletownApp::TfrmGFourfall> Form;
    TestSupport::VirtualPad Pad;
};

TEST_F(Gamepad, AWholeGameFromTheMainMenuToTheHighScoreEntry)
{
    auto& pages = Form->Pages;
    ASSERT_EQ(Front(), &pages.MainMenu);
    Press(TPad::Down);
    Press(TPad::A); // New Game
    ASSERT_EQ(Front(), &pages.GameType);
    Press(TPad::B);
    ASSERT_EQ(Front(), &pages.MainMenu) << "B goes back";
    Press(TPad::A); // New Game is still lit
    ASSERT_EQ(Front(), &pages.GameType);
    Press(TPad::Down);
    Press(TPad::A); // the first game type
    ASSERT_EQ(Front(), &pages.Play);
    ASSERT_EQ(Rules().GameState.Status, kStatusPlaying);

    // Each control does its part in the rules.
    ASSERT_NE(Rules().GameState.CurFig, nullptr);
    const int x = Rules().GameState.CurFig->X;
    Press(TPad::Left);
    EXPECT_EQ(Rules().GameState.CurFig->X, x - 1);
    Press(TPad::Right);
    EXPECT_EQ(Rules().GameState.CurFig->X, x);
    const int y = Rules().GameState.CurFig->Y;
    Press(TPad::Down);
    EXPECT_EQ(Rules().GameState.CurFig->Y, y + 1);
    Pad.StickX(-32768);
    Turn();
    Pad.StickX(0);
    Turn();
    EXPECT_EQ(Rules().GameState.CurFig->X, x - 1) << "the stick moves too";
    Press(TPad::Start);
    EXPECT_TRUE(pages.Play.Board.IsPaused());
    Press(TPad::Start);
    EXPECT_FALSE(pages.Play.Board.IsPaused());

    // Turn and drop figure after figure in the middle until the well is full.
    for (int figure = 0; figure < 200 && Rules().GameState.Status == kStatusPlaying; ++figure) {
        Press(TPad::A);
        Press(figure % 2 == 0 ? TPad::B : TPad::Up);
        Advance(1000);
    }
    EXPECT_EQ(Rules().GameState.Status, kStatusGameOver);
    Advance(100);
    EXPECT_EQ(Front(), &pages.HighScore);
    EXPECT_GE(Rules().GameState.HiScorePos, 0) << "the entry waits for its name";
    EXPECT_GT(Rules().GameState.Score, 0);
}

} // namespace
