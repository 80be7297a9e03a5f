// The screens on the test host: what the board, preview, score panel and
// score list draw, the sound effects and the fall timer of the board, the
// help scrolling and the sound front end.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "platform/KeyCodes.h"
#include "platform/OfflineAudioDriver.h"
#include "platform/SettingsStore.h"
#include "platform/hssDriver.h"
#include "rules/AbsFigure.h"
#include "rules/GameState.h"
#include "rules/GameTypes.h"
#include "rules/HiScores.h"
#include "rules/Options.h"
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
    ClearBoard(Rules());
    Rules().GameState.Board[c.Row + 1][c.Column + 1] = static_cast<uint8_t>(c.Colour);
    Rules().Options.NumBlocks = c.Style;
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
    TAbsFigure* f = Rules().GameState.NextFig;
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
    Rules().Options.ZNextFig = 0;
    Host.Paint();
    // The box goes with the figure: the backdrop alone, from the lit twin.
    EXPECT_EQ(Host.Pixel(x, y), Data.SkinPixel("bg_techno_", x, y));
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
    Rules().GameState.Score = 12;
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
    Rules().GameState.Score = 4096;
    Host.Paint();
    const int four = count(panel.X, panel.Y + row, panel.Right(), panel.Y + 2 * row);
    Rules().GameState.Score = 12;
    Host.Paint();
    EXPECT_GT(two, 0);
    EXPECT_GT(four, two);
    EXPECT_EQ(count(panel.X, panel.Y + row, panel.Right(), panel.Y + 2 * row), two); // no leftovers
    EXPECT_EQ(count(panel.X, panel.Y, panel.Right(), panel.Y + row), 0); // rows 0, 2 and 4 stay empty
}

TEST_F(GameOnHost, EffectsRequestedWhileSoundIsOffWaitAndThenAllPlay)
{
    StartGame(0);
    Rules().Options.ZPlaySound = 0;
    Rules().GameState.SndRotate = Rules().GameState.SndRemove = Rules().GameState.SndGameOver = true;
    Nudge();
    EXPECT_TRUE(Rules().GameState.SndRotate && Rules().GameState.SndRemove && Rules().GameState.SndGameOver);
    EXPECT_EQ(PlayingSoundChannels(), 0);
    Rules().Options.ZPlaySound = 1;
    Nudge();
    EXPECT_FALSE(Rules().GameState.SndRotate || Rules().GameState.SndRemove || Rules().GameState.SndGameOver);
    EXPECT_EQ(PlayingSoundChannels(), 3); // each on a free channel of its own
}

TEST_F(GameOnHost, LevelChangeSpeedsTheTimerUpAtOnce)
{
    StartGame(0);
    TTimer& timer = Pages->Play.Board.FallTimer;
    ASSERT_NE(timer.PlatformTimer, nullptr);
    EXPECT_EQ(Host.TimerPeriod(timer.PlatformTimer), 1000);
    SetLevel(Rules(), 5);
    Nudge();
    ASSERT_NE(timer.PlatformTimer, nullptr);
    EXPECT_EQ(Host.TimerPeriod(timer.PlatformTimer), 2000 / 6);
}

TEST_F(GameOnHost, CtrlMovesTenRowsForTenPointsAndDropLandsOnlyAtTheTick)
{
    StartGame(0);
    const int y = Rules().GameState.CurFig->Y;
    for (int i = 0; i < 10; ++i) {
        Pages->KeyDown(0x11);
        Pages->KeyUp(0x11);
    }
    EXPECT_EQ(Rules().GameState.CurFig->Y, y + 10);
    EXPECT_EQ(Rules().GameState.Score, 10);
    TAbsFigure* dropped = Rules().GameState.CurFig;
    Pages->KeyDown(0x28);
    EXPECT_EQ(Rules().GameState.CurFig, dropped); // lying on the floor, not landed
    Host.Advance(1000);
    EXPECT_NE(Rules().GameState.CurFig, dropped);
}

TEST_F(GameOnHost, LeavingThePlayScreenStopsTheTimer)
{
    StartGame(0);
    Pages->PostAndProcess(Pages->MainMenu.Id, 0);
    EXPECT_EQ(Pages->Play.Board.FallTimer.PlatformTimer, nullptr);
    const int y = Rules().GameState.CurFig->Y;
    Host.Advance(5000);
    EXPECT_EQ(Rules().GameState.CurFig->Y, y);
}

TEST_F(GameOnHost, EditedEntryIsBlueWithABlinkingCursor)
{
    StartGame(0);
    Rules().GameState.Score = 500;
    EndGame(Rules());
    Nudge();
    Host.PaintPending();
    ASSERT_EQ(Pages->LastChild, &Pages->HighScore);
    ASSERT_EQ(Rules().GameState.HiScorePos, 0);
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

// The reading keys and the wheel scroll the help on its page, held to the
// text: from the first line at the top to the last at the bottom.
TEST_F(GameOnHost, HelpScrollsWithTheReadingKeysAndTheWheel)
{
    using namespace Platform;
    Pages->PostAndProcess(Pages->Help.Id, 0);
    Host.PaintPending(); // laid out by its first drawing
    const TText& text = Pages->Help.Text;
    const int32_t line = text.Layout.LineHeight;
    const int32_t last = text.Layout.ExtentY - text.Rect.Height();
    ASSERT_GT(line, 0);
    ASSERT_GT(last, 10 * line) << "the fixture's help is long";
    struct TStep {
        int32_t Key;
        int32_t Want; // the offset after the key
    };
    // Page Down and Page Up are the buttons' steps: three quarters of the
    // height, rounded toward the top to whole lines.
    const int32_t up = (3 * text.Rect.Height()) / 4;
    const int32_t page = up / line * line;
    const TStep steps[] = {
        {kVkUp, 0},
        {kVkDown, line},
        {kVkDown, 2 * line},
        {kVkWheelDown, 5 * line},
        {kVkWheelUp, 2 * line},
        {kVkPageDown, 2 * line + page},
        {kVkPageUp, (2 * line + page - up) / line * line},
        {kVkEnd, last},
        {kVkDown, last},
        {kVkWheelDown, last},
        {kVkHome, 0},
        {kVkWheelUp, 0},
        {kVkPadDown, line},
        {kVkPadUp, 0},
    };
    for (const TStep& step : steps) {
        Pages->KeyDown(step.Key);
        Pages->KeyUp(step.Key);
        EXPECT_EQ(text.ScrollY, step.Want) << VirtualKeyName(step.Key);
    }
    EXPECT_EQ(Pages->LastChild, &Pages->Help) << "no key left the page";
    EXPECT_EQ(Pages->Help.NavIndex(), -1) << "Up and Down lit no button";
    // Left and Right still walk the buttons, Escape goes back.
    Pages->KeyDown(kVkRight);
    EXPECT_EQ(Pages->Help.NavIndex(), 0);
    Pages->KeyDown(kVkEscape);
    EXPECT_EQ(Pages->LastChild, &Pages->MainMenu);
}

// The help page's scroll buttons are one size.
TEST(HelpLayout, UpAndDownAreOneSize)
{
    EXPECT_EQ(kHelpUp.W, kHelpDown.W);
    EXPECT_EQ(kHelpUp.H, kHelpDown.H);
    EXPECT_LE(kHelpUp.Right(), kHelpDown.X);
}

// Words the pages write from the settings rather than carry in a picture.
TEST_F(GameOnHost, PageWordsFollowTheSettings)
{
    using namespace Platform;
    // The controls page: Space drops too only while no action has it.
    EXPECT_EQ(TControlsPage::FooterText(Pages->Controls),
              "Space drops too. A gamepad's buttons keep their own actions.");
    ASSERT_TRUE(Pages->Controls.Assign(paPause, kVkSpace));
    EXPECT_EQ(TControlsPage::FooterText(Pages->Controls), "A gamepad's buttons keep their own actions.");
    ASSERT_TRUE(Pages->Controls.Assign(paDrop, kVkSpace));
    EXPECT_EQ(TControlsPage::FooterText(Pages->Controls), "A gamepad's buttons keep their own actions.")
        << "Space is the drop's own key";
    // The panel counts blocks in the colour game and rows elsewhere.
    StartGame(kGameColorFourfall);
    EXPECT_STREQ(Pages->Play.Answer.RemovalsLabel(), "Blocks");
    StartGame(kGameFourfall);
    EXPECT_STREQ(Pages->Play.Answer.RemovalsLabel(), "Lines");
}

// With the preview off, its box goes too: the play page shows the backdrop
// (the lit twin of the background) where the box is, and draws nothing there
// when the preview is on but the plain picture.
TEST_F(GameOnHost, PreviewBoxHidesWithTheNextFigureOption)
{
    StartGame(kGameFourfall);
    const TBox& area = kPlayPreviewArea;
    const int x = area.X + 3, y = area.Y + 3; // outside the preview and its heading
    Host.Paint();
    EXPECT_EQ(Host.Pixel(x, y), Data.SkinPixel("bg_techno", x, y));
    Rules().Options.ZNextFig = 0;
    TApp::Invalidate(&Pages->Play);
    Host.Paint();
    EXPECT_EQ(Host.Pixel(x, y), Data.SkinPixel("bg_techno_", x, y));
    const int px = kPlayPreview.X + 5, py = kPlayPreview.Y + 5;
    EXPECT_EQ(Host.Pixel(px, py), Data.SkinPixel("bg_techno_", px, py));
    // Beside the area the plain picture stays.
    EXPECT_EQ(Host.Pixel(area.X - 2, area.Y + 3), Data.SkinPixel("bg_techno", area.X - 2, area.Y + 3));
}

// Focus (the pointer or the keys) and selection look apart: a lit tab is
// the list shown; the tab under focus keeps its look with the focus rim, and
// the keys' focus is gone when the page is shown again.
TEST_F(GameOnHost, FocusIsARimAndDistinctFromSelected)
{
    using namespace Platform;
    Pages->PostAndProcess(Pages->HighScore.Id, 0);
    THighScore& page = Pages->HighScore;
    page.Highlight(6); // the first row's Fivefall tab; Fourfall is shown
    Host.Paint();
    TIButton& focused = page.Buttons[1];
    TIButton& selected = page.Buttons[0];
    ASSERT_EQ(selected.Selected, 1);
    ASSERT_EQ(focused.Hover, 1);
    EXPECT_EQ(focused.ImageIndex(), ibHover);
    EXPECT_NE(focused.Images.Images[ibHover].Impl, selected.Images.Images[ibSelected].Impl);
    const TRgb rim{0xFF, 0xD2, 0x5A};
    const TRect f = focused.Rect, g = selected.Rect;
    EXPECT_TRUE(Near565(Host.Pixel(f.Left + f.Width() / 2, f.Top), rim)) << "the focus rim";
    EXPECT_FALSE(Near565(Host.Pixel(g.Left + g.Width() / 2, g.Top), rim)) << "no rim on the selected tab";
    const int fx = f.Left + f.Width() / 2, fy = f.Top + f.Height() / 2;
    const int gx = g.Left + g.Width() / 2, gy = g.Top + g.Height() / 2;
    EXPECT_EQ(Host.Pixel(fx, fy), Data.SkinPixel("HighScore", fx, fy)) << "the focused tab keeps its look";
    EXPECT_EQ(Host.Pixel(gx, gy), Data.SkinPixel("HighScore_", gx, gy)) << "the selected tab is lit";
    // Away and back: the keys' focus does not stay.
    Pages->PostAndProcess(Pages->MainMenu.Id, 0);
    Pages->PostAndProcess(Pages->HighScore.Id, 0);
    EXPECT_EQ(page.NavIndex(), -1);
}

// The little wells of the game type pages play: the type under the pointer
// (or lit by the keys) from the top of its fall, a row a step, landing on
// its blocks; only while the page is shown.
TEST_F(GameOnHost, GameTypeWellsPlayTheTypeUnderFocus)
{
    TGameType& page = Pages->GameType;
    EXPECT_EQ(page.Demo.GameNum, kGameFourfall) << "a game from the start";
    Pages->PostAndProcess(page.Id, 0);
    page.Highlight(2);
    Pages->Events.ProcessEvents();
    EXPECT_EQ(page.Demo.GameNum, kGameColorFourfall);
    EXPECT_EQ(page.Demo.Step, 0);
    Host.Advance(3 * kDemoStepMs);
    EXPECT_EQ(page.Demo.Step, 3);
    const int32_t fall = TWDemo::FallRows(DemoPicture(kGameColorFourfall));
    EXPECT_GT(fall, 5);
    Host.Advance((fall + kDemoRestSteps - 3) * kDemoStepMs);
    EXPECT_EQ(page.Demo.Step, fall + kDemoRestSteps);
    Host.Advance(kDemoStepMs);
    EXPECT_EQ(page.Demo.Step, 0) << "and again";
    for (int32_t game : {kGameFourfall, kGameFivefall, kGameCrazyFourfall, kGameKidsFourfall,
                         kGameKidsFivefall, kGameCrazyFivefall, kGameGrandFourfall, kGameGrandFivefall})
        EXPECT_GT(TWDemo::FallRows(DemoPicture(game)), 3) << game;
    EXPECT_NE(DemoPicture(kGameFourfall), DemoPicture(kGameFivefall));
    Pages->PostAndProcess(Pages->MainMenu.Id, 0);
    const int32_t step = page.Demo.Step;
    Host.Advance(5 * kDemoStepMs);
    EXPECT_EQ(page.Demo.Step, step) << "still while hidden";
    EXPECT_EQ(Pages->MoreGames.Demo.GameNum, kGameKidsFourfall) << "not empty before a hover";
}

// The one reset that tests, the driver and the replay tool start from puts
// back every global a run of the game changes; the rules are no global, and
// ResetRules puts a rules object back as made.
TEST(ProcessState, ResetPutsEveryGlobalBackAsAtStart)
{
    Platform::TMemorySettingsStore store;
    TRules rules;
    GFourfall::RulesInit(rules, 3);
    GFourfall::RegisterGameTypes(rules);
    rules.Options.ZPlayMusic = 0;
    rules.Options.StartLevel = 9;
    std::strcpy(rules.HiScores.PlayerName, "Zed");
    rules.HiScores.Entries[2][0][0].Score = 500;
    Platform::SetUserSettings(&store);
    hssSetDefaultDriverFactory(TOfflineAudioDriver::Factory());

    EXPECT_TRUE(ResetProcessState());
    ResetRules(rules);
    EXPECT_EQ(rules.GameState.GameCount, 0);
    EXPECT_EQ(rules.GameState.CurFig, nullptr);
    EXPECT_EQ(rules.Options.ZPlayMusic, 1);
    EXPECT_EQ(rules.Options.StartLevel, 1);
    EXPECT_STREQ(rules.HiScores.PlayerName, "Anonymous");
    EXPECT_EQ(rules.HiScores.Entries[2][0][0].Score, 0);
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
        TGamePages run;
        run.Rules.Options.ZNextFig = 0;
    }
    EXPECT_NE(&Platform::UserSettings(), &store);
    EXPECT_FALSE(static_cast<bool>(hssDefaultDriverFactory()));
    // The next run's game has its own options, as at start.
    EXPECT_EQ(TGamePages().Rules.Options.ZNextFig, 1);
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

// An effect takes memory only once it is heard: after the start none holds
// its samples, and the first play reads them, the same as a load at the
// start would have. A file that does not load is still told at the start.
TEST_F(GameOnHost, SoundEffectsAreReadAtTheirFirstPlayAsALoadAtTheStartWould)
{
    TSound* sounds = Pages->Play.Board.Sounds;
    for (int i = 0; i < WFourfall::sndCount; ++i)
        EXPECT_FALSE(sounds[i].Sample.HasData()) << WFourfall::kEffectFiles[i];
    const char* const names[] = {"Rotate", "HitBottom", "Drop", "Remove", "NewLevel", "GameOver", "Clap"};
    for (int i = 0; i < WFourfall::sndCount; ++i) {
        sounds[i].Play();
        const hssSound& played = sounds[i].Sample;
        ASSERT_TRUE(played.HasData()) << names[i];
        hssSound loaded;
        ASSERT_EQ(loaded.Load((Data.Path() + "/Sounds/" + names[i] + ".wav").c_str()), 0);
        EXPECT_EQ(played.Frames, loaded.Frames);
        EXPECT_EQ(played.SampleRate, loaded.SampleRate);
        EXPECT_EQ(played.Is8Bit, loaded.Is8Bit);
        EXPECT_EQ(played.IsStereo, loaded.IsStereo);
        const size_t bytes = size_t(loaded.Frames) * (loaded.Is8Bit ? 1 : 2) * (loaded.IsStereo ? 2 : 1);
        EXPECT_EQ(std::memcmp(played.Data, loaded.Data, bytes), 0) << names[i];
        // Once read, kept: a second play reads nothing again.
        const uint8_t* data = played.Data;
        sounds[i].Play();
        EXPECT_EQ(played.Data, data);
    }
}

TEST(SoundEffect, AFileThatDoesNotLoadIsToldAtOnceAndPlaysNothing)
{
    hssSetDefaultDriverFactory(TOfflineAudioDriver::Factory());
    const TFixtureData data;
    const std::string damaged = data.Path() + "/Sounds/Damaged.wav";
    {
        std::FILE* f = std::fopen(damaged.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("RIFF\x10\0\0\0WAVEjunk", f);
        std::fclose(f);
    }
    {
        TSound effect;
        EXPECT_LT(effect.LoadOnFirstPlay(damaged.c_str()), 0);
        EXPECT_LT(effect.LoadOnFirstPlay((data.Path() + "/Sounds/Absent.wav").c_str()), 0);
        effect.Play();
        EXPECT_FALSE(effect.Sample.HasData());
        // A good file after a bad one is read at its first play.
        EXPECT_EQ(effect.LoadOnFirstPlay((data.Path() + "/Sounds/Drop.wav").c_str()), 0);
        EXPECT_FALSE(effect.Sample.HasData());
        effect.Play();
        EXPECT_TRUE(effect.Sample.HasData());
    }
    hssSetDefaultDriverFactory(nullptr);
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
