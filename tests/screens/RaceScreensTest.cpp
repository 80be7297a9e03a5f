// Racing a ghost on the test host: the replay of a high-score entry played
// beside the player's game, moved by its recorded times against the played
// time; started and left with keys and the pad; the raced game's result.
#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
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
#include "store/ReplayFolder.h"
#include "store/ScoreSubmit.h"
#include "store/WorldReplay.h"
#include "tests/screens/Fixtures.h"
#include "wlib/TestHost.h"

namespace WFourfall {
namespace {

using namespace WLib;
using namespace GFourfall;
using namespace Platform;

std::vector<std::string> Rows(const TGameState& s)
{
    std::vector<std::string> rows;
    for (int y = 1; y <= s.Height; ++y)
        rows.push_back(BoardRowText(s, y));
    return rows;
}

// One thing the player does: a key, then time going by.
struct TAction {
    int32_t Key;
    int64_t ThenMs;
};

class RaceOnHost : public ::testing::Test {
protected:
    void SetUp() override
    {
        Process.emplace(&Store, TOfflineAudioDriver::Factory(), 11, Folder.File("replays"));
        Pages = std::make_unique<TGamePages>();
        Pages->Services.DataFolder = Data.Path();
        Pages->Services.DataProblem = {};
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
    void Key(int32_t key)
    {
        Pages->KeyDown(key);
        Pages->KeyUp(key);
    }
    void ShiftKey(int32_t key)
    {
        Pages->KeyDown(kVkShift);
        Key(key);
        Pages->KeyUp(kVkShift);
    }
    // A classic game played to its end, each key and pause written down;
    // its entry named Pat, not sent. Returns what was done.
    std::vector<TAction> PlayAndKeep()
    {
        Pages->PostAndProcess(Board().StartIds[kGameFourfall], 0);
        const int32_t keys[] = {kVkLeft,  kVkUp,    kVkLeft, kVkControl, kVkDown,
                                kVkRight, kVkRight, kVkDown, kVkUp,      kVkDown};
        std::vector<TAction> done;
        for (int i = 0; i < 2000 && Pages->Rules.GameState.Status == kStatusPlaying; ++i) {
            done.push_back({keys[i % 10], i % 3 == 0 ? 700 : 90});
            Key(done.back().Key);
            Host.Advance(done.back().ThenMs);
        }
        EXPECT_EQ(Pages->Rules.GameState.Status, kStatusGameOver);
        EXPECT_EQ(Pages->LastChild, &Pages->HighScore);
        for (char c : std::string("Pat"))
            Pages->KeyPress(static_cast<uint8_t>(c));
        Question.QueueAnswer(false);
        Key(kVkReturn);
        return done;
    }

    TestSupport::TempFolder Folder{"race-screens"};
    WFourfall::Test::TFixtureData Data;
    TMemorySettingsStore Store;
    ScriptedQuestion Question;
    std::optional<TProcessScope> Process;
    TTestHost Host;
    std::unique_ptr<TGamePages> Pages;
};

// The player races the replay of a game and does exactly what that game
// did: at every moment both games have had the same operations, their wells
// are the same cell for cell, and they end tied. The raced game enters the
// table beside the ghost's entry, which stays as it was.
TEST_F(RaceOnHost, PlayingTheGhostsOwnMovesKeepsBothWellsTheSameToATie)
{
    const std::vector<TAction> done = PlayAndKeep();
    TReplay ghost;
    ASSERT_TRUE(FindEntryReplay(Pages->Rules.HiScores, kGameFourfall, 0, ghost));
    const THiScoreEntry entry = Pages->Rules.HiScores.Entries[kGameFourfall][0][0];

    // The generator has gone on since: the race must take the ghost's seed.
    Pages->PostAndProcess(Board().StartIds[kGameFourfall], 0);
    Host.Advance(3000);
    Pages->PostAndProcess(Pages->HighScore.Id, 0);
    ShiftKey('1');
    ASSERT_TRUE(Board().Racing());
    ASSERT_EQ(Pages->LastChild, &Pages->Play);
    EXPECT_EQ(Board().Recording().Seed, ghost.Seed);
    EXPECT_TRUE(Board().RecordingRaced());

    const TGhost& raced = Board().RacedGhost();
    auto same = [&](const char* when, std::size_t i) {
        const TGameState& g = raced.State().GameState;
        ASSERT_EQ(raced.StepsDone(), Board().Recording().Steps.size()) << when << ' ' << i;
        ASSERT_EQ(Rows(g), Rows(Pages->Rules.GameState)) << when << ' ' << i;
        ASSERT_EQ(g.Score, Pages->Rules.GameState.Score) << when << ' ' << i;
        ASSERT_EQ(g.LinesLeft, Pages->Rules.GameState.LinesLeft) << when << ' ' << i;
        ASSERT_EQ(g.Status, Pages->Rules.GameState.Status) << when << ' ' << i;
    };
    // Whenever both have had what is due by now: after each key, and in
    // small steps through each wait (the fall ticks of both games), but not
    // at its very end, where the ghost has had its next key and the player
    // is about to press it.
    for (std::size_t i = 0; i < done.size(); ++i) {
        Key(done[i].Key);
        same("after the key of", i);
        for (int64_t t = 10; t < done[i].ThenMs; t += 10) {
            Host.Advance(10);
            same("during the wait after", i);
        }
        Host.Advance(10);
    }
    same("at the end", done.size());
    ASSERT_EQ(Pages->Rules.GameState.Status, kStatusGameOver);
    EXPECT_TRUE(raced.Over());
    EXPECT_EQ(raced.FinalScore(), ghost.Score);
    EXPECT_EQ(Pages->Rules.GameState.Score, ghost.Score);
    EXPECT_EQ(RaceResultLine(Pages->Rules.GameState.Score, raced.FinalScore()), "Tied with the ghost");
    // The same game, move for move and millisecond for millisecond.
    const TReplay& mine = Board().Recording();
    ASSERT_EQ(mine.Steps.size(), ghost.Steps.size());
    for (std::size_t i = 0; i < mine.Steps.size(); ++i) {
        EXPECT_EQ(mine.Steps[i].TimeMs, ghost.Steps[i].TimeMs) << i;
        EXPECT_EQ(mine.Steps[i].Op, ghost.Steps[i].Op) << i;
    }

    // The raced game made its own entry; the ghost's game made none, and
    // the ghost's entry is untouched.
    ASSERT_EQ(Pages->LastChild, &Pages->HighScore);
    int entries = 0;
    for (const THiScoreEntry& e : Pages->Rules.HiScores.Entries[kGameFourfall][0])
        entries += e.Score != 0 && e.Score == entry.Score;
    EXPECT_EQ(entries, 2);
    EXPECT_EQ(Pages->Rules.GameState.HiScorePos, 1)
        << "the raced game's entry, below the ghost's of the same score";
    EXPECT_STREQ(Pages->Rules.HiScores.Entries[kGameFourfall][0][0].Name, entry.Name);
    EXPECT_EQ(Pages->HighScore.List.Notice, "Race: Tied with the ghost");
    // Sending it says that it goes without proof.
    Question.QueueAnswer(false);
    Key(kVkReturn);
    ASSERT_FALSE(Question.Asked().empty());
    EXPECT_EQ(Question.Asked().back(), kSendRacedQuestion);
}

// Played time moves the ghost: a pause stops it, and leaving the race by
// the pad (Back, then Yes) ends it. The pad's Start on the list races the
// best entry with a replay; W without a world server does nothing.
TEST_F(RaceOnHost, PauseHoldsTheGhostAndThePadStartsAndLeavesTheRace)
{
    PlayAndKeep();
    Pages->PostAndProcess(Pages->HighScore.Id, 0);
    Key('W');
    EXPECT_EQ(Pages->LastChild, &Pages->HighScore);
    EXPECT_TRUE(Pages->HighScore.List.Notice.empty());
    // Where the generator stands: the next ordinary game starts here, the
    // race's known seed notwithstanding.
    const uint32_t before = SeedOfRandomState(Pages->Rules);
    Key(kVkPadStart);
    ASSERT_TRUE(Board().Racing());
    Host.Advance(2500);
    const std::size_t steps = Board().RacedGhost().StepsDone();
    EXPECT_GT(steps, 1u);
    Key(kVkP);
    ASSERT_TRUE(Board().IsPaused());
    Host.Advance(20000);
    EXPECT_EQ(Board().RacedGhost().StepsDone(), steps) << "the ghost waits while the player pauses";
    Key(kVkP);
    Host.Advance(2000);
    EXPECT_GT(Board().RacedGhost().StepsDone(), steps);

    Question.QueueAnswer(true); // leave this game
    Key(kVkPadBack);
    Host.Advance(10);
    EXPECT_EQ(Pages->LastChild, &Pages->MainMenu);
    EXPECT_FALSE(Board().Racing());
    // The next game is an ordinary one.
    Pages->PostAndProcess(Board().StartIds[kGameFourfall], 0);
    EXPECT_FALSE(Board().Racing());
    EXPECT_FALSE(Board().RecordingRaced());
    EXPECT_EQ(Board().Recording().Seed, before);
}

// The pad's Back on the list fetches the world's best in the background and
// races it once it has come; a forged one is refused with the question (No:
// nothing changes, Yes: fetched again).
TEST_F(RaceOnHost, ThePadRacesTheWorldsBestAndAForgedOneIsRefused)
{
    PlayAndKeep();
    TReplay best;
    ASSERT_TRUE(FindEntryReplay(Pages->Rules.HiScores, kGameFourfall, 0, best));
    const std::string real = GFourfall::ReplayText(best);
    TReplay forged = best;
    forged.Score += 100;
    // The server's replies, one per replay asked for; the fetch runs on its own thread.
    std::mutex lock;
    std::deque<std::string> served;
    SetHttpExchange([&](uint16_t, const std::string&, const std::string& request) -> std::string {
        std::lock_guard<std::mutex> hold(lock);
        if (request.rfind("GET /api/v1/scores?type=0&limit=1 ", 0) == 0)
            return "HTTP/1.1 200 OK\r\n\r\n{\"bestVerifiedReplay\":\"/api/v1/replays/9\"}";
        if (request.rfind("GET /api/v1/replays/9 ", 0) != 0 || served.empty())
            return std::string();
        const std::string body = served.front();
        served.pop_front();
        return "HTTP/1.1 200 OK\r\n\r\n" + body;
    });
    TWorldReplayFetch fetch;
    Pages->Services.WorldReplays = &fetch;
    auto settle = [&] {
        fetch.Wait();
        Host.Advance(kBlinkPeriod); // the list looks at every event it gets
    };
    const THiScoreEntry first = Pages->Rules.HiScores.Entries[kGameFourfall][0][0];

    served = {GFourfall::ReplayText(forged)};
    Pages->PostAndProcess(Pages->HighScore.Id, 0);
    Question.QueueAnswer(false);
    Key(kVkPadBack);
    EXPECT_EQ(Pages->HighScore.List.Notice, kNoticeFetching);
    settle();
    ASSERT_FALSE(Question.Asked().empty());
    EXPECT_EQ(Question.Asked().back().rfind(kRefusedQuestionStart, 0), 0u) << Question.Asked().back();
    EXPECT_NE(Question.Asked().back().find("not the"), std::string::npos) << Question.Asked().back();
    EXPECT_EQ(Question.Preferred().back(), TPreferredAnswer::No);
    EXPECT_FALSE(Board().Racing());
    EXPECT_EQ(Pages->LastChild, &Pages->HighScore);
    EXPECT_TRUE(Pages->HighScore.List.Notice.empty());
    EXPECT_EQ(Pages->Rules.HiScores.Entries[kGameFourfall][0][0].Score, first.Score);
    EXPECT_STREQ(Pages->Rules.HiScores.Entries[kGameFourfall][0][0].Name, first.Name);
    EXPECT_EQ(Pages->Rules.HiScores.Entries[kGameFourfall][0][1].Score, 0);

    // Damaged next; Yes fetches again, and the true one is raced.
    {
        std::lock_guard<std::mutex> hold(lock);
        served = {real.substr(0, real.size() / 2), real};
    }
    Question.QueueAnswer(true);
    Key(kVkPadBack);
    settle();
    EXPECT_NE(Question.Asked().back().find("damaged"), std::string::npos) << Question.Asked().back();
    settle();
    EXPECT_TRUE(Board().Racing());
    EXPECT_EQ(Pages->LastChild, &Pages->Play);
    EXPECT_EQ(Board().RacedGhost().FinalScore(), best.Score);
    Pages->Services.WorldReplays = nullptr;
    SetHttpExchange({});
}

// A replay of a well of another size cannot be raced: nothing changes.
TEST_F(RaceOnHost, AReplayOfAnotherWellIsNotRaced)
{
    TReplay other;
    other.Seed = 5;
    other.Columns = 10;
    other.Rows = 20;
    other.GameNum = kGameFourfall;
    other.StartLevel = 1;
    other.Difficulty = 1;
    Pages->PostAndProcess(Pages->HighScore.Id, 0);
    EXPECT_FALSE(Board().Race(other));
    EXPECT_FALSE(Board().Racing());
    EXPECT_EQ(Pages->LastChild, &Pages->HighScore);
    EXPECT_EQ(Pages->Rules.GameState.Status, kStatusNoGame);
}

TEST(RaceResultLine, SaysAheadBehindOrTied)
{
    const std::pair<std::pair<int32_t, int32_t>, const char*> cases[] = {
        {{120, 100}, "Ahead by 20"},
        {{100, 120}, "Behind by 20"},
        {{0, 0}, "Tied with the ghost"},
        {{2147483647, 0}, "Ahead by 2147483647"},
        {{0, 2147483647}, "Behind by 2147483647"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RaceResultLine(c.first.first, c.first.second), c.second)
            << c.first.first << " against " << c.first.second;
}

} // namespace
} // namespace WFourfall
