// The screens on the test host: what the board, preview, score panel and
// score list draw, the sound effects and the fall timer of the board, the
// help scrolling and the sound front end.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>

#include "platform/OfflineAudioDriver.h"
#include "platform/SettingsStore.h"
#include "platform/hssDriver.h"
#include "rules/AbsFigure.h"
#include "rules/GameState.h"
#include "rules/GameTypes.h"
#include "rules/HiScores.h"
#include "rules/Options.h"
#include "rules/ProcessState.h"
#include "screens/GamePages.h"
#include "screens/ProcessState.h"
#include "screens/layout/PageLayout.h"
#include "tests/screens/Fixtures.h"
#include "tests/screens/GameOnHost.h"
#include "wlib/TestHost.h"
#include "wlib/sound/Musics.h"
#include "wlib/sound/Sound.h"
#include "wlib/sound/Speaker.h"

namespace WFourfall {
namespace {

using namespace WLib;
using namespace GFourfall;
using namespace Test;

struct TCellCase {
    int Colour;
    int Style;
    int Row, Column;
};
void PrintTo(const TCellCase& c, std::ostream* os)
{
    *os << "colour " << c.Colour << " style " << c.Style << " at " << c.Row << "," << c.Column;
}

class BoardCells : public GameOnHost, public ::testing::WithParamInterface<TCellCase> {};

TEST_P(BoardCells, TileComesFromColourColumnAndStyleRow)
{
    const TCellCase& c = GetParam();
    StartGame(0);
    ClearBoard(GFourfall::ProcessRules());
    GameState.Board[c.Row + 1][c.Column + 1] = static_cast<uint8_t>(c.Colour);
    Options.NumBlocks = c.Style;
    Host.Paint();
    const int x = kPlayBoard.X + c.Column * 16, y = kPlayBoard.Y + c.Row * 16;
    const Platform::Bitmap* sheet = Pages->Skins.Balls.Pixels();
    ASSERT_NE(sheet, nullptr);
    const int sx = (c.Colour - 1) * 16, sy = c.Style * 16;
    for (int d : {0, 4, 11, 15})
        EXPECT_EQ(Host.Pixel(x + d, y + d), sheet->Pixel(sx + d, sy + d)) << "offset " << d;
    // Nothing beyond the cell: the background shows.
    if (c.Column < 12) {
        EXPECT_EQ(Host.Pixel(x + 20, y + 4), Data.SkinPixel("bg_techno", x + 20, y + 4));
    }
}

INSTANTIATE_TEST_SUITE_P(Sheet, BoardCells,
                         ::testing::Values(TCellCase{1, 0, 0, 0}, TCellCase{7, 2, 30, 12},
                                           TCellCase{4, 1, 15, 6}, TCellCase{3, 0, 30, 0}));

TEST_F(GameOnHost, PreviewCentresTheNextFigureAndHidesWithTheOption)
{
    StartGame(0);
    TAbsFigure* f = GameState.NextFig;
    ASSERT_NE(f, nullptr);
    for (auto& row : f->Cells)
        for (auto& cell : row)
            cell = 0;
    f->Width = 3;
    f->Height = 2;
    f->Cells[0][0] = 5; // top-left cell of a figure 3 wide and 2 high
    Host.Paint();
    // (107 / 2 - 48 / 2, 152 / 2 - 32 / 2) = (29, 60) from the preview's corner.
    const Platform::Bitmap* sheet = Pages->Skins.Balls.Pixels();
    ASSERT_NE(sheet, nullptr);
    const int x = 638 + 29, y = 67 + 60;
    EXPECT_EQ(Host.Pixel(x, y), sheet->Pixel(4 * 16, 0));
    EXPECT_EQ(Host.Pixel(x + 15, y + 15), sheet->Pixel(4 * 16 + 15, 15));
    EXPECT_EQ(Host.Pixel(x - 1, y - 1), Data.SkinPixel("bg_techno", x - 1, y - 1));
    EXPECT_EQ(Host.Pixel(x + 16, y), Data.SkinPixel("bg_techno", x + 16, y)); // empty cells draw nothing
    Options.ZNextFig = 0;
    Host.Paint();
    EXPECT_EQ(Host.Pixel(x, y), Data.SkinPixel("bg_techno", x, y));
}

TEST_F(GameOnHost, ScorePanelCutsItsAreaIntoSixRows)
{
    const TWAnswer& a = Pages->Play.Answer;
    EXPECT_EQ(a.ScoreRect, TRect(0, 24, 102, 48));
    EXPECT_EQ(a.LevelRect, TRect(0, 73, 102, 97));
    EXPECT_EQ(a.LinesRect, TRect(0, 121, 102, 146));
}

TEST_F(GameOnHost, ScorePanelRedrawsWholeNumbers)
{
    StartGame(0);
    GameState.Score = 12;
    Host.Paint();
    const TRgb text{238, 253, 220};
    auto count = [&](int left, int top, int right, int bottom) {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                n += Near565(Host.Pixel(x, y), text) ? 1 : 0;
        return n;
    };
    // Row 1 of the panel's six holds the score.
    const TBox& panel = kPlayScorePanel;
    const int row = panel.H / 6;
    const int two = count(panel.X, panel.Y + row, panel.Right(), panel.Y + 2 * row);
    GameState.Score = 4096;
    Host.Paint();
    const int four = count(panel.X, panel.Y + row, panel.Right(), panel.Y + 2 * row);
    GameState.Score = 12;
    Host.Paint();
    EXPECT_GT(two, 0);
    EXPECT_GT(four, two);
    EXPECT_EQ(count(panel.X, panel.Y + row, panel.Right(), panel.Y + 2 * row), two); // no leftovers
    EXPECT_EQ(count(panel.X, panel.Y, panel.Right(), panel.Y + row), 0); // rows 0, 2 and 4 stay empty
}

TEST_F(GameOnHost, EffectsRequestedWhileSoundIsOffWaitAndThenAllPlay)
{
    StartGame(0);
    Options.ZPlaySound = 0;
    GameState.SndRotate = GameState.SndRemove = GameState.SndGameOver = true;
    Nudge();
    EXPECT_TRUE(GameState.SndRotate && GameState.SndRemove && GameState.SndGameOver);
    EXPECT_EQ(PlayingSoundChannels(), 0);
    Options.ZPlaySound = 1;
    Nudge();
    EXPECT_FALSE(GameState.SndRotate || GameState.SndRemove || GameState.SndGameOver);
    EXPECT_EQ(PlayingSoundChannels(), 3); // each on a free channel of its own
}

TEST_F(GameOnHost, LevelChangeSpeedsTheTimerUpAtOnce)
{
    StartGame(0);
    TTimer& timer = Pages->Play.Board.FallTimer;
    ASSERT_NE(timer.PlatformTimer, nullptr);
    EXPECT_EQ(Host.TimerPeriod(timer.PlatformTimer), 1000);
    SetLevel(GFourfall::ProcessRules(), 5);
    Nudge();
    ASSERT_NE(timer.PlatformTimer, nullptr);
    EXPECT_EQ(Host.TimerPeriod(timer.PlatformTimer), 2000 / 6);
}

TEST_F(GameOnHost, CtrlMovesTenRowsForTenPointsAndDropLandsOnlyAtTheTick)
{
    StartGame(0);
    const int y = GameState.CurFig->Y;
    for (int i = 0; i < 10; ++i) {
        Pages->KeyDown(0x11);
        Pages->KeyUp(0x11);
    }
    EXPECT_EQ(GameState.CurFig->Y, y + 10);
    EXPECT_EQ(GameState.Score, 10);
    TAbsFigure* dropped = GameState.CurFig;
    Pages->KeyDown(0x28);
    EXPECT_EQ(GameState.CurFig, dropped); // lying on the floor, not landed
    Host.Advance(1000);
    EXPECT_NE(GameState.CurFig, dropped);
}

TEST_F(GameOnHost, LeavingThePlayScreenStopsTheTimer)
{
    StartGame(0);
    Pages->PostAndProcess(Pages->MainMenu.Id, 0);
    EXPECT_EQ(Pages->Play.Board.FallTimer.PlatformTimer, nullptr);
    const int y = GameState.CurFig->Y;
    Host.Advance(5000);
    EXPECT_EQ(GameState.CurFig->Y, y);
}

TEST_F(GameOnHost, EditedEntryIsBlueWithABlinkingCursor)
{
    StartGame(0);
    GameState.Score = 500;
    EndGame(GFourfall::ProcessRules());
    Nudge();
    Host.PaintPending();
    ASSERT_EQ(Pages->LastChild, &Pages->HighScore);
    ASSERT_EQ(GameState.HiScorePos, 0);
    const TRgb blue{0, 0, 255};
    auto bluePixels = [&]() {
        int n = 0;
        for (int y = 213; y < 233; ++y)
            for (int x = 260; x < 473; ++x)
                n += Near565(Host.Pixel(x, y), blue) ? 1 : 0;
        return n;
    };
    Host.Paint();
    const int first = bluePixels();
    Host.Advance(500);
    Host.Paint();
    const int second = bluePixels();
    EXPECT_GT(first, 0);
    EXPECT_NE(first, second); // the "_" came or went
    Pages->KeyDown(13);
    Host.Paint();
    EXPECT_EQ(bluePixels(), 0);
}

TEST_F(GameOnHost, IdleMainMenuAsksForNoRepaint)
{
    Pages->MouseMove(10, 10); // the score list's blink timer runs from here on
    Host.PaintPending();
    const int before = Host.RepaintRequests();
    Host.Advance(10000);
    EXPECT_EQ(Host.RepaintRequests(), before);
    EXPECT_FALSE(Host.RepaintRequested());
}

struct TScrollCase {
    const char* Name;
    int LineHeight, Total, Start;
    bool Down;
    int Want;
};
void PrintTo(const TScrollCase& c, std::ostream* os)
{
    *os << c.Name;
}

class HelpScroll : public GameOnHost, public ::testing::WithParamInterface<TScrollCase> {};

TEST_P(HelpScroll, StepsByWholeLines)
{
    const TScrollCase& c = GetParam();
    THelp& help = Pages->Help;
    help.Text.Layout.LineHeight = c.LineHeight;
    help.Text.Layout.ExtentY = c.Total;
    help.Text.ScrollY = c.Start;
    if (c.Down)
        help.ScrollDown();
    else
        help.ScrollUp();
    EXPECT_EQ(help.Text.ScrollY, c.Want);
}

INSTANTIATE_TEST_SUITE_P(Cases, HelpScroll,
                         ::testing::Values(TScrollCase{"down_long", 20, 2000, 0, true, 200},
                                           TScrollCase{"down_to_end", 20, 600, 200, true, 314},
                                           TScrollCase{"down_short_text", 20, 100, 0, true, -186},
                                           TScrollCase{"up_from_negative", 20, 100, -186, false, 0},
                                           TScrollCase{"up_whole_lines", 21, 2000, 420, false, 189},
                                           TScrollCase{"no_line_height_yet", 0, 2000, 0, true, 214}),
                         [](const auto& info) { return std::string(info.param.Name); });

// The one reset that tests, the driver and the replay tool start from puts
// back every global a run of the game changes.
TEST(ProcessState, ResetPutsEveryGlobalBackAsAtStart)
{
    Platform::TMemorySettingsStore store;
    GFourfall::RulesInit(GFourfall::ProcessRules(), 3);
    GFourfall::RegisterGameTypes(GFourfall::ProcessRules());
    Options.ZPlayMusic = 0;
    Options.StartLevel = 9;
    std::strcpy(HiScores.PlayerName, "Zed");
    HiScores.Entries[2][0][0].Score = 500;
    Platform::SetUserSettings(&store);
    hssSetDefaultDriverFactory(TOfflineAudioDriver::Factory());

    EXPECT_TRUE(ResetProcessState());
    EXPECT_EQ(GameState.GameCount, 0);
    EXPECT_EQ(GameState.CurFig, nullptr);
    EXPECT_EQ(Options.ZPlayMusic, 1);
    EXPECT_EQ(Options.StartLevel, 1);
    EXPECT_STREQ(HiScores.PlayerName, "Anonymous");
    EXPECT_EQ(HiScores.Entries[2][0][0].Score, 0);
    EXPECT_NE(&Platform::UserSettings(), &store);
    EXPECT_FALSE(static_cast<bool>(hssDefaultDriverFactory()));
}

TEST(ProcessState, ResetTellsOfASpeakerStillOpen)
{
    AcquireSpeaker();
    EXPECT_FALSE(ResetProcessState());
    ReleaseSpeaker();
    EXPECT_TRUE(ResetProcessState());
}

TEST(ProcessState, ScopeSetsTheRunUpAndPutsItBack)
{
    Platform::TMemorySettingsStore store;
    {
        TProcessScope scope(&store, TOfflineAudioDriver::Factory(), 5);
        EXPECT_EQ(&Platform::UserSettings(), &store);
        EXPECT_TRUE(static_cast<bool>(hssDefaultDriverFactory()));
        Options.ZNextFig = 0;
    }
    EXPECT_NE(&Platform::UserSettings(), &store);
    EXPECT_FALSE(static_cast<bool>(hssDefaultDriverFactory()));
    EXPECT_EQ(Options.ZNextFig, 1);
}

TEST(Speaker, SharedByItsUsersAndClosedByTheLast)
{
    hssSetDefaultDriverFactory(TOfflineAudioDriver::Factory());
    ASSERT_EQ(Speaker, nullptr);
    {
        TSound a;
        ASSERT_NE(Speaker, nullptr);
        TSpeaker* shared = Speaker;
        EXPECT_EQ(shared->IsOpen, 1);
        {
            TMusics music;
            EXPECT_EQ(Speaker, shared);
            EXPECT_EQ(Speaker->Users, 2u);
        }
        EXPECT_EQ(Speaker->Users, 1u);
    }
    EXPECT_EQ(Speaker, nullptr);
    hssSetDefaultDriverFactory(nullptr);
}

TEST(Speaker, WithoutADeviceEverythingIsSilentAndHarmless)
{
    hssSetDefaultDriverFactory(nullptr); // no driver: nothing opens
    const TFixtureData data;
    TSound effect;
    ASSERT_NE(Speaker, nullptr);
    EXPECT_EQ(Speaker->IsOpen, 0);
    EXPECT_EQ(effect.Load((data.Path() + "/Sounds/Drop.wav").c_str()), 0);
    effect.Play();
    TMusics music;
    EXPECT_FALSE(music.IsPlaying());
    music.Stop();
}

TEST_F(GameOnHost, MusicListPlaysInOrderAndWraps)
{
    TMusics& music = Pages->Music;
    ASSERT_EQ(music.Files.Count(), 4);
    EXPECT_EQ(music.NextFile, 1); // the first file was started at start-up
    for (int want : {2, 3, 4, 1, 2}) {
        music.PlayNext();
        EXPECT_EQ(music.NextFile, want);
    }
    // A file that does not play is passed over at the next check.
    ASSERT_NE(music.CheckTimer.PlatformTimer, nullptr);
    Host.Advance(1000);
    EXPECT_EQ(music.NextFile, 3);
    music.Stop();
    EXPECT_EQ(music.CheckTimer.PlatformTimer, nullptr);
}

TEST(Musics, EmptyListStartsNothing)
{
    TTestHost host;
    TScrPages pages;
    host.Attach(pages);
    TMusics music;
    TApp::Insert(&music, &pages);
    const int timers = host.TimerCount();
    music.PlayNext();
    EXPECT_EQ(music.NextFile, 0);
    EXPECT_EQ(host.TimerCount(), timers);
}

} // namespace
} // namespace WFourfall
