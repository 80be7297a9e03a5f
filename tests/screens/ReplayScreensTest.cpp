// Recording and watching on the test host: what the board writes down of a
// game, watching it again (pace, speed, pause, the keys that may not reach
// the rules, the way out) and the replays of the high-score page.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "platform/KeyCodes.h"
#include "platform/OfflineAudioDriver.h"
#include "platform/SettingsStore.h"
#include "platform/desktop/YesNoQuestion.h"
#include "rules/BoardText.h"
#include "rules/GameState.h"
#include "rules/GameTypes.h"
#include "rules/HiScores.h"
#include "rules/Replay.h"
#include "screens/GamePages.h"
#include "screens/ProcessState.h"
#include "screens/layout/PageLayout.h"
#include "store/ReplayFolder.h"
#include "tests/screens/Fixtures.h"
#include "wlib/TestHost.h"

namespace WFourfall {
namespace {

using namespace WLib;
using namespace GFourfall;
using namespace Platform;

struct TEnd {
    int32_t Score, Level, Status;
    std::vector<std::string> Board;
    bool operator==(const TEnd& o) const
    {
        return Score == o.Score && Level == o.Level && Status == o.Status && Board == o.Board;
    }
};
void PrintTo(const TEnd& e, std::ostream* os)
{
    *os << "score " << e.Score << " level " << e.Level << " status " << e.Status;
}

TEnd EndNow(const TRules& rules)
{
    TEnd e{rules.GameState.Score, rules.GameState.Level, rules.GameState.Status, {}};
    for (int y = 1; y <= rules.GameState.Height; ++y)
        e.Board.push_back(BoardRowText(rules.GameState, y));
    return e;
}

class ReplayOnHost : public ::testing::Test {
protected:
    void SetUp() override
    {
        Process.emplace(&Store, TOfflineAudioDriver::Factory(), 11, Folder.File("replays"));
        Pages = std::make_unique<TGamePages>();
        Pages->Services.DataFolder = Data.Path();
        Pages->Services.DataProblem = {}; // the fixture has no music and no pointer, on purpose
        Pages->Services.Question = &Question;
        Host.Attach(*Pages);
        Pages->InitPages();
        Host.Start();
    }
    void TearDown() override
    {
        Pages.reset();
        Process.reset();
    }
    TWFourfall& Board() { return Pages->Play.Board; }
    TRules& Rules() { return Pages->Rules; }
    void StartGame(int k) { Pages->PostAndProcess(Board().StartIds[k], 0); }
    void Key(int32_t key)
    {
        Pages->KeyDown(key);
        Pages->KeyUp(key);
    }
    // Moves and drops until the game is over; every move is recorded.
    void PlayToTheEnd()
    {
        const int32_t keys[] = {kVkLeft,  kVkUp,    kVkLeft, kVkControl, kVkDown,
                                kVkRight, kVkRight, kVkDown, kVkUp,      kVkDown};
        for (int i = 0; i < 2000 && Rules().GameState.Status == kStatusPlaying; ++i) {
            Key(keys[i % 10]);
            Host.Advance(i % 3 == 0 ? 700 : 90);
        }
        ASSERT_EQ(Rules().GameState.Status, kStatusGameOver);
    }
    std::vector<std::string> ReplayFiles() const
    {
        std::vector<std::string> names;
        if (std::filesystem::exists(Folder.File("replays")))
            for (const auto& e : std::filesystem::directory_iterator(Folder.File("replays")))
                names.push_back(e.path().filename().string());
        return names;
    }

    TestSupport::TempFolder Folder{"replay-screens"};
    WFourfall::Test::TFixtureData Data;
    TMemorySettingsStore Store;
    ScriptedQuestion Question;
    std::optional<TProcessScope> Process;
    TTestHost Host;
    std::unique_ptr<TGamePages> Pages;
};

TEST_F(ReplayOnHost, RecordsWhatTheRulesGetWithThePlayTimeWithoutPauses)
{
    Host.Advance(12345); // the game does not start at zero
    StartGame(kGameColorFourfall);
    const TReplay& r = Board().Recording();
    EXPECT_EQ(r.GameNum, kGameColorFourfall);
    EXPECT_EQ(r.Columns, Rules().GameState.Width);
    EXPECT_EQ(r.Rows, Rules().GameState.Height);
    EXPECT_EQ(r.StartLevel, 1);
    ASSERT_EQ(Rules().GameState.FallPeriod, 1000);
    Host.Advance(500);
    Key(kVkLeft);
    Host.Advance(600); // a tick at 1000
    Key(kVkP);         // paused at 1100
    Key(kVkRight);     // not played, not recorded
    Host.Advance(5000);
    Key(kVkP);
    Key(kVkUp);         // 1100 of play
    Host.Advance(1000); // a tick, 1000 after going on
    Key(kVkControl);
    Key(kVkDown);
    Key(kVkF1); // no operation
    const std::vector<std::pair<uint32_t, TReplayOp>> expected = {
        {500, TReplayOp::Left},  {1000, TReplayOp::Tick}, {1100, TReplayOp::Rotate},
        {2100, TReplayOp::Tick}, {2100, TReplayOp::Down}, {2100, TReplayOp::Drop}};
    ASSERT_EQ(r.Steps.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(r.Steps[i].TimeMs, expected[i].first) << i;
        EXPECT_EQ(r.Steps[i].Op, expected[i].second) << i;
    }
    EXPECT_FALSE(Board().RecordingComplete());
    // Keys on another page reach neither the rules nor the record.
    Pages->PostAndProcess(Pages->MainMenu.Id, 0);
    Key(kVkLeft);
    EXPECT_EQ(r.Steps.size(), expected.size());
}

// Later games of a run start from where the generator stands: each plays
// back from its record alone, through the text a file carries.
TEST_F(ReplayOnHost, EveryGameOfARunPlaysBackToItsEnd)
{
    std::vector<std::pair<TReplay, TEnd>> games;
    for (int32_t game :
         {kGameFourfall, kGameFivefall, kGameColorFourfall, kGameCrazyFourfall, kGameGrandFivefall}) {
        StartGame(game);
        PlayToTheEnd();
        EXPECT_TRUE(Board().RecordingComplete());
        games.emplace_back(Board().Recording(), EndNow(Rules()));
        EXPECT_GT(games.back().second.Score, 0);
    }
    for (const auto& [record, real] : games) {
        TReplay parsed;
        std::string why;
        ASSERT_TRUE(ParseReplay(ReplayText(record), parsed, why)) << why;
        const TReplayOutcome outcome = PlayReplayToEnd(Rules(), parsed);
        EXPECT_EQ(outcome.Steps, record.Steps.size());
        EXPECT_EQ(EndNow(Rules()), real) << "game " << record.GameNum;
    }
}

TEST_F(ReplayOnHost, WatchingPlaysAtTheRecordedPaceAndTakesNoMoves)
{
    Rules().HiScores.Entries[kGameFourfall][0][0].Score = 1; // any result enters the table
    StartGame(kGameFourfall);
    PlayToTheEnd();
    const TEnd real = EndNow(Rules());
    const TReplay record = Board().Recording();
    const uint32_t length = record.Steps.back().TimeMs;
    const THiScoreTable table = Rules().HiScores;

    Pages->PostAndProcess(Pages->MainMenu.Id, 0);
    Board().Watch(record);
    Pages->Events.ProcessEvents();
    EXPECT_TRUE(Board().IsWatching());
    EXPECT_EQ(Pages->LastChild, &Pages->Play);
    EXPECT_EQ(Rules().GameState.Score, 0);
    EXPECT_EQ(Rules().GameState.Status, kStatusPlaying);
    // The player's moves, the fall timer and Enter do not reach the rules.
    const auto stepsBy = [&](uint32_t ms) {
        return static_cast<std::size_t>(std::count_if(record.Steps.begin(), record.Steps.end(),
                                                      [ms](const TReplayStep& s) { return s.TimeMs <= ms; }));
    };
    for (int32_t key : {kVkLeft, kVkRight, kVkUp, kVkDown, kVkControl, kVkReturn, kVkSpace, kVkF1})
        Key(key);
    Host.Advance(1500);
    EXPECT_EQ(Board().WatchedSteps(), stepsBy(1500));
    EXPECT_FALSE(Board().FallTimer.PlatformTimer != nullptr &&
                 Host.TimerRunning(Board().FallTimer.PlatformTimer));
    // P holds the replay where it is.
    Key(kVkP);
    EXPECT_TRUE(Board().IsPaused());
    const std::size_t held = Board().WatchedSteps();
    Host.Advance(20000);
    EXPECT_EQ(Board().WatchedSteps(), held);
    Key(kVkP);
    // So does the window losing the focus, until P.
    Pages->PostAndProcess(evFocusLost, 0);
    EXPECT_TRUE(Board().IsPaused());
    Host.Advance(20000);
    EXPECT_EQ(Board().WatchedSteps(), held);
    Key(kVkP);
    // Speed 4: the rest takes a quarter of its time (give or take a timer step).
    Key('4');
    EXPECT_EQ(Board().WatchSpeed(), 4);
    const uint32_t rest = length - 1500;
    Host.Advance(rest / 4 + 50);
    EXPECT_EQ(Board().WatchedSteps(), record.Steps.size());
    EXPECT_EQ(EndNow(Rules()), real);
    // The watched result is no new entry of this player's.
    EXPECT_EQ(Pages->LastChild, &Pages->Play);
    EXPECT_EQ(Rules().GameState.HiScorePos, -1);
    EXPECT_EQ(std::memcmp(&Rules().HiScores, &table, sizeof table), 0);
    Host.Paint();
    // Escape ends it, back at the main menu; a new game is recorded again.
    Key(kVkEscape);
    EXPECT_FALSE(Board().IsWatching());
    EXPECT_EQ(Pages->LastChild, &Pages->MainMenu);
    StartGame(kGameFourfall);
    Host.Advance(1000);
    EXPECT_EQ(Board().Recording().Steps.size(), 1u);
}

TEST_F(ReplayOnHost, SpeedsTwoAndFourAndTheMenuButton)
{
    StartGame(kGameFivefall);
    PlayToTheEnd();
    const TReplay record = Board().Recording();
    const uint32_t length = record.Steps.back().TimeMs;
    for (int32_t speed : {1, 2, 4}) {
        Board().Watch(record);
        if (speed != 1)
            Key('0' + speed);
        Key('3'); // no such speed
        EXPECT_EQ(Board().WatchSpeed(), speed);
        Host.Advance(length / speed - length / 10);
        EXPECT_LT(Board().WatchedSteps(), record.Steps.size()) << "speed " << speed;
        Host.Advance(length / 5);
        EXPECT_EQ(Board().WatchedSteps(), record.Steps.size()) << "speed " << speed;
    }
    // The page's Main Menu button ends the watching too.
    Board().Watch(record);
    Pages->PostAndProcess(Pages->Play.Button.ClickCode, 0);
    EXPECT_FALSE(Board().IsWatching());
    EXPECT_EQ(Pages->LastChild, &Pages->MainMenu);
    EXPECT_NE(Rules().GameState.Status, kStatusPlaying) << "nothing left to go on with";
}

TEST_F(ReplayOnHost, TheHighScorePageKeepsAndPlaysTheReplayOfItsEntries)
{
    StartGame(kGameFourfall);
    PlayToTheEnd();
    const TEnd real = EndNow(Rules());
    ASSERT_EQ(Pages->LastChild, &Pages->HighScore);
    ASSERT_EQ(ReplayFiles().size(), 1u) << "kept when the game ends, before any key";
    TReplay atTheEnd;
    ASSERT_TRUE(FindEntryReplay(Rules().HiScores, kGameFourfall, 0, atTheEnd));
    EXPECT_EQ(atTheEnd.Name, "Anonymous");
    for (char c : std::string("Pat"))
        Pages->KeyPress(static_cast<uint8_t>(c));
    Question.QueueAnswer(false); // no sending
    Key(kVkReturn);
    ASSERT_EQ(ReplayFiles().size(), 1u) << "renamed, not doubled";
    TReplay kept;
    ASSERT_TRUE(FindEntryReplay(Rules().HiScores, kGameFourfall, 0, kept));
    EXPECT_EQ(kept.Name, "Pat"); // the offered name was selected: typing replaced it
    EXPECT_EQ(kept.Score, real.Score);

    // A click on the row watches it; so does its rank as a key.
    const TRect row = Pages->HighScore.List.NameRect.Offset(Pages->HighScore.List.Rect.Left,
                                                            Pages->HighScore.List.Rect.Top);
    Pages->MouseMove(row.Left + 5, row.Top + 5);
    Pages->MouseDown(row.Left + 5, row.Top + 5, 1);
    Pages->MouseUp(row.Left + 5, row.Top + 5, 1);
    ASSERT_TRUE(Board().IsWatching());
    Key('4');
    Host.Advance(kept.Steps.back().TimeMs);
    EXPECT_EQ(EndNow(Rules()), real);
    Key(kVkEscape);
    Pages->PostAndProcess(Pages->HighScore.Id, 0);
    Key('2');
    EXPECT_FALSE(Board().IsWatching()) << "the second row has no replay";
    Key('1');
    EXPECT_TRUE(Board().IsWatching());
    Key(kVkEscape);

    // Clear takes the replays with the entries.
    Pages->PostAndProcess(Pages->HighScore.Id, 0);
    Question.QueueAnswer(true);
    Pages->PostAndProcess(Pages->HighScore.Buttons[4].ClickCode, 0);
    EXPECT_EQ(Rules().HiScores.Entries[kGameFourfall][0][0].Score, 0);
    EXPECT_TRUE(ReplayFiles().empty());
}

} // namespace
} // namespace WFourfall
