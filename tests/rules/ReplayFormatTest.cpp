// Replays: the seed of a running generator, the text form both ways, what a
// parse refuses, and playing a replay back to the same final state.
#include "rules/Replay.h"

#include "rules/BoardText.h"
#include "rules/GameState.h"
#include "rules/GameTypes.h"
#include "rules/Options.h"
#include "rules/Rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace GFourfall {
namespace {

class ReplayFormatTest : public ::testing::Test {
protected:
    TRules Rules;
};

std::vector<std::string> Board(const TRules& rules)
{
    std::vector<std::string> rows;
    for (int y = 1; y <= rules.GameState.Height; ++y)
        rows.push_back(BoardRowText(rules.GameState, y));
    return rows;
}

// A replay of every operation, in a mix that lands figures and removes rows.
TReplay SampleReplay(int32_t game, uint32_t seed, std::size_t steps)
{
    TReplay r;
    r.Version = "9.8.7";
    r.Seed = seed;
    r.Columns = 10;
    r.Rows = 16;
    r.GameNum = game;
    r.StartLevel = 3;
    r.Difficulty = 2;
    const TReplayOp cycle[] = {TReplayOp::Left,  TReplayOp::Tick,  TReplayOp::Rotate, TReplayOp::Right,
                               TReplayOp::Down,  TReplayOp::Right, TReplayOp::Drop,   TReplayOp::Tick,
                               TReplayOp::Left,  TReplayOp::Left,  TReplayOp::Drop,   TReplayOp::Right,
                               TReplayOp::Right, TReplayOp::Right, TReplayOp::Drop};
    for (std::size_t i = 0; i < steps; ++i)
        r.Steps.push_back(
            TReplayStep{static_cast<uint32_t>(i * 37), cycle[i % (sizeof cycle / sizeof cycle[0])]});
    return r;
}

TEST(ReplaySeed, StartsTheGeneratorWhereItStands)
{
    TRules Rules;
    for (uint32_t seed : {0u, 1u, 7u, 0x80000000u, 0xFFFFFFFFu}) {
        SeedRandom(Rules, seed);
        for (int i = 0; i < 1000; ++i)
            Random(Rules);
        const uint32_t again = SeedOfRandomState(Rules);
        std::vector<int32_t> ahead;
        for (int i = 0; i < 20; ++i)
            ahead.push_back(Random(Rules));
        SeedRandom(Rules, again);
        for (int i = 0; i < 20; ++i)
            EXPECT_EQ(Random(Rules), ahead[static_cast<std::size_t>(i)]) << "seed " << seed << " draw " << i;
    }
    SeedRandom(Rules, 12345);
    EXPECT_EQ(SeedOfRandomState(Rules), 12345u);
}

TEST_F(ReplayFormatTest, TextReadsBackToTheSameRecord)
{
    TReplay r = SampleReplay(kGameColorFourfall, 4000000000u, 50);
    r.StartLevel = -7; // options are kept as stored, however odd
    r.Difficulty = 2147483647;
    for (bool claim : {false, true}) {
        r.HasClaim = claim;
        r.Token = claim ? "1.2.4000000000.1733788800.00ff.abcdef" : "";
        r.Name = claim ? "Zo\xEB de la Cr\xFBz 1-2 #3" : "";
        r.Score = claim ? 2147483647 : 0;
        const std::string text = ReplayText(r);
        TReplay back;
        std::string why;
        ASSERT_TRUE(ParseReplay(text, back, why)) << why << "\n" << text;
        EXPECT_EQ(ReplayText(back), text);
        EXPECT_EQ(back.HasClaim, claim);
        EXPECT_EQ(back.Name, r.Name);
        EXPECT_EQ(back.Score, r.Score);
        EXPECT_EQ(back.Token, r.Token);
        EXPECT_EQ(text.find("# token ") != std::string::npos, claim) << "written only when there is one";
        EXPECT_EQ(back.Seed, r.Seed);
        EXPECT_EQ(back.StartLevel, -7);
        ASSERT_EQ(back.Steps.size(), r.Steps.size());
        EXPECT_EQ(back.Steps.back().TimeMs, r.Steps.back().TimeMs);
        EXPECT_EQ(back.Steps.back().Op, r.Steps.back().Op);
    }
}

TEST_F(ReplayFormatTest, ANameLosesItsControlBytesAndStillReads)
{
    TReplay r = SampleReplay(0, 1, 3);
    r.HasClaim = true;
    r.Name = "Pat\nseed 5\r\x01";
    r.Score = 10;
    TReplay back;
    std::string why;
    ASSERT_TRUE(ParseReplay(ReplayText(r), back, why)) << why;
    EXPECT_EQ(back.Name, "Patseed 5");
    EXPECT_EQ(back.Seed, 1u);
}

struct TRefusal {
    const char* what;
    std::string text;
};

std::string Header(const std::string& claim = "")
{
    return "# Tumbletown replay 1\n# version 0.1.0\n" + claim;
}
const std::string kSetup = "seed 5\nsize 10 20\nselect 0\noption StartLevel 1\noption Difficulty 1\nstart\n";

TEST_F(ReplayFormatTest, RefusesWhatItDoesNotWrite)
{
    const std::vector<TRefusal> cases = {
        {"empty", ""},
        {"other format", "# Tumbletown replay 2\n# version 0\n" + kSetup + "print\n"},
        {"no version", "# Tumbletown replay 1\n" + kSetup + "print\n"},
        {"version with a space", "# Tumbletown replay 1\n# version 1 2\n" + kSetup + "print\n"},
        {"claim without score", Header("# name Pat\n") + kSetup + "print\n"},
        {"negative score", Header("# name Pat\n# score -1\n") + kSetup + "print\n"},
        {"score beyond 32 bits", Header("# name Pat\n# score 2147483648\n") + kSetup + "print\n"},
        {"name too long", Header("# name " + std::string(60, 'x') + "\n# score 1\n") + kSetup + "print\n"},
        {"name with a tab", Header("# name a\tb\n# score 1\n") + kSetup + "print\n"},
        {"empty token", Header("# token \n") + kSetup + "print\n"},
        {"token with a space", Header("# token 1.0 5\n") + kSetup + "print\n"},
        {"token with a tab", Header("# token 1.0\t5\n") + kSetup + "print\n"},
        {"token with a byte over 0x7E", Header("# token 1.0.\x80\n") + kSetup + "print\n"},
        {"token with DEL", Header("# token 1.0.\x7f\n") + kSetup + "print\n"},
        {"token too long", Header("# token " + std::string(201, 'a') + "\n") + kSetup + "print\n"},
        {"token after the claim", Header("# name Pat\n# score 1\n# token 1.0\n") + kSetup + "print\n"},
        {"two tokens", Header("# token 1.0\n# token 1.0\n") + kSetup + "print\n"},
        {"seed too large", Header() + "seed 4294967296\nsize 10 20\nselect 0\noption StartLevel 1\n"
                                      "option Difficulty 1\nstart\nprint\n"},
        {"hex seed", Header() + "seed 0x10\nsize 10 20\nselect 0\noption StartLevel 1\noption Difficulty 1\n"
                                "start\nprint\n"},
        {"board too wide", Header() +
                               "seed 5\nsize 63 20\nselect 0\noption StartLevel 1\noption Difficulty 1\n"
                               "start\nprint\n"},
        {"board of no rows", Header() +
                                 "seed 5\nsize 10 0\nselect 0\noption StartLevel 1\noption Difficulty 1\n"
                                 "start\nprint\n"},
        {"one size only", Header() + "seed 5\nsize 10\nselect 0\noption StartLevel 1\noption Difficulty 1\n"
                                     "start\nprint\n"},
        {"unknown game", Header() + "seed 5\nsize 10 20\nselect 9\noption StartLevel 1\noption Difficulty 1\n"
                                    "start\nprint\n"},
        {"options swapped", Header() +
                                "seed 5\nsize 10 20\nselect 0\noption Difficulty 1\noption StartLevel 1\n"
                                "start\nprint\n"},
        {"no start",
         Header() + "seed 5\nsize 10 20\nselect 0\noption StartLevel 1\noption Difficulty 1\nprint\n"},
        {"no print", Header() + kSetup + "at 0 tick\n"},
        {"no line end", Header() + kSetup + "print"},
        {"text after print", Header() + kSetup + "print\nat 5 tick\n"},
        {"time goes back", Header() + kSetup + "at 5 tick\nat 4 tick\nprint\n"},
        {"time beyond 32 bits", Header() + kSetup + "at 4294967296 tick\nprint\n"},
        {"unknown operation", Header() + kSetup + "at 5 jump\nprint\n"},
        {"operation without time", Header() + kSetup + "tick\nprint\n"},
        {"two spaces", Header() + kSetup + "at  5 tick\nprint\n"},
        {"leading zero", Header() + kSetup + "at 0999 tick\nprint\n"},
        {"minus zero", Header() + "seed 5\nsize 10 20\nselect 0\noption StartLevel -0\noption Difficulty 1\n"
                                  "start\nprint\n"},
        {"plus sign", Header() + "seed +5\nsize 10 20\nselect 0\noption StartLevel 1\noption Difficulty 1\n"
                                 "start\nprint\n"},
        {"carriage return", Header() + kSetup + "at 5 tick\r\nprint\n"},
        {"zero byte", Header() + kSetup + std::string("at 5 tick\0\n", 11) + "print\n"},
    };
    for (const TRefusal& c : cases) {
        TReplay out;
        std::string why;
        EXPECT_FALSE(ParseReplay(c.text, out, why)) << c.what;
        EXPECT_FALSE(why.empty()) << c.what;
    }
}

TEST_F(ReplayFormatTest, ATokenOfTheLongestLengthReadsBackAndChangesNoPlay)
{
    TReplay r = SampleReplay(0, 9, 40);
    const std::string plain = ReplayText(r);
    r.Token = std::string(kMaxReplayToken, '~');
    const std::string text = ReplayText(r);
    EXPECT_EQ(text.substr(0, text.find("seed ")),
              "# Tumbletown replay 1\n# version " + r.Version + "\n# token " + r.Token + "\n");
    TReplay back;
    std::string why;
    ASSERT_TRUE(ParseReplay(text, back, why)) << why;
    EXPECT_EQ(back.Token, r.Token);
    TRules a, b;
    TReplay without;
    ASSERT_TRUE(ParseReplay(plain, without, why)) << why;
    EXPECT_TRUE(without.Token.empty());
    EXPECT_EQ(PlayReplayToEnd(a, back).Score, PlayReplayToEnd(b, without).Score);
    EXPECT_EQ(a.GameState.Level, b.GameState.Level);
}

TEST_F(ReplayFormatTest, BoundsRefuseTheWholeReplay)
{
    const std::string text = ReplayText(SampleReplay(0, 3, 100));
    TReplay out;
    std::string why;
    TReplayLimits limits;
    limits.MaxSteps = 100;
    EXPECT_TRUE(ParseReplay(text, out, why, limits)) << why;
    limits.MaxSteps = 99;
    EXPECT_FALSE(ParseReplay(text, out, why, limits));
    EXPECT_EQ(why, "too many operations");
    limits = TReplayLimits();
    limits.MaxBytes = text.size() - 1;
    EXPECT_FALSE(ParseReplay(text, out, why, limits));
    EXPECT_EQ(why, "too large");
}

// The game as the rules play it operation by operation, and the same game
// played from its replay in a fresh state, end alike, for every game type.
TEST_F(ReplayFormatTest, PlayingBackReachesTheSameEnd)
{
    for (int32_t game = 0; game < kGameTypeCount; ++game) {
        const TReplay r = SampleReplay(game, 1000u + static_cast<uint32_t>(game), 3000);
        // A running program: the generator has moved on since its seed.
        ResetRules(Rules);
        RulesInit(Rules, 77);
        RegisterGameTypes(Rules);
        for (int i = 0; i < 100 + game; ++i)
            Random(Rules);
        TReplay live = r;
        live.Seed = SeedOfRandomState(Rules);
        Rules.Options.StartLevel = r.StartLevel;
        Rules.Options.Difficulty = r.Difficulty;
        SetSize(Rules, r.Columns, r.Rows);
        SelectGame(Rules, game);
        StartGame(Rules);
        for (const TReplayStep& s : r.Steps)
            ApplyReplayOp(Rules, s.Op);
        const int32_t score = Rules.GameState.Score;
        const int32_t level = Rules.GameState.Level;
        const int32_t status = Rules.GameState.Status;
        const std::vector<std::string> board = Board(Rules);
        ASSERT_GT(score, 0) << "game " << game;

        const TReplayOutcome outcome = PlayReplayToEnd(Rules, live);
        EXPECT_EQ(outcome.Score, score) << "game " << game;
        EXPECT_EQ(outcome.Level, level) << "game " << game;
        EXPECT_EQ(outcome.Status, status) << "game " << game;
        EXPECT_EQ(outcome.Steps, r.Steps.size());
        EXPECT_EQ(Board(Rules), board) << "game " << game;
    }
}

// A caller's budget stops the play where it says no, asked before the
// first operation and then every checkEvery-th; a budget never spent plays
// the whole game to the same end as no budget.
TEST_F(ReplayFormatTest, ABudgetStopsThePlayWhereItSaysNo)
{
    const TReplay r = SampleReplay(kGameFourfall, 31, 3000);
    const TReplayOutcome whole = PlayReplayToEnd(Rules, r);
    ASSERT_EQ(whole.Steps, r.Steps.size());
    struct TCase {
        int Allowed; // how many times keepGoing says yes
        std::size_t Every;
        std::size_t Steps; // operations applied
    } cases[] = {{0, 256, 0}, {1, 256, 256}, {3, 100, 300}, {1, 1, 1}, {1000000, 7, r.Steps.size()}};
    for (const TCase& c : cases) {
        int asked = 0;
        const TReplayOutcome o = PlayReplayToEnd(
            Rules, r, [&] { return asked++ < c.Allowed; }, c.Every);
        EXPECT_EQ(o.Steps, c.Steps) << c.Allowed << " every " << c.Every;
        if (c.Steps == r.Steps.size()) {
            EXPECT_EQ(o.Score, whole.Score);
            EXPECT_EQ(o.Status, whole.Status);
        }
    }
}

TEST_F(ReplayFormatTest, StartingAReplayedGameLeavesTheOptionsAlone)
{
    RulesInit(Rules, 1);
    RegisterGameTypes(Rules);
    Rules.Options.StartLevel = 9;
    Rules.Options.Difficulty = 4;
    TReplay r = SampleReplay(kGameColorFourfall, 5, 0);
    r.StartLevel = 2;
    r.Difficulty = 0;
    StartReplayedGame(Rules, r);
    EXPECT_EQ(Rules.GameState.Level, 2);
    EXPECT_EQ(Rules.GameState.Difficulty, 0);
    EXPECT_EQ(Rules.GameState.GameNum, kGameColorFourfall);
    EXPECT_EQ(Rules.Options.StartLevel, 9);
    EXPECT_EQ(Rules.Options.Difficulty, 4);
}

TEST(ReplayOps, NamesGoBothWays)
{
    for (int i = 0; i < kReplayOpCount; ++i) {
        TReplayOp op = TReplayOp::Tick;
        ASSERT_TRUE(ReplayOpFromName(ReplayOpName(static_cast<TReplayOp>(i)), op));
        EXPECT_EQ(static_cast<int>(op), i);
    }
    TReplayOp op = TReplayOp::Left;
    EXPECT_FALSE(ReplayOpFromName("Tick", op));
    EXPECT_FALSE(ReplayOpFromName("", op));
    EXPECT_EQ(op, TReplayOp::Left);
}

} // namespace
} // namespace GFourfall
