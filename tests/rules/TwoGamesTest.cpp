// Two games in one process, each in rules of its own, played operation by
// operation in turn: each goes exactly as the same game played alone, so
// nothing of one (board, score, level, figures, the generator) leaks into
// the other.
#include "rules/AbsFigure.h"
#include "rules/BoardText.h"
#include "rules/GameState.h"
#include "rules/GameTypes.h"
#include "rules/Replay.h"
#include "rules/Rules.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace GFourfall::test {
namespace {

struct TGameSetup {
    int32_t GameNum;
    uint32_t Seed;
};

// What a game shows after an operation: score, level, lines left, status,
// the board and both figures (cells and place), as one comparable text.
std::string Snapshot(const TRules& rules)
{
    const TGameState& s = rules.GameState;
    std::string text = std::to_string(s.Score) + " " + std::to_string(s.Level) + " " +
                       std::to_string(s.LinesLeft) + " " + std::to_string(s.Status) + "\n";
    for (int y = 1; y <= s.Height; ++y)
        text += BoardRowText(s, y) + "\n";
    for (const TAbsFigure* f : {s.CurFig, s.NextFig}) {
        if (f == nullptr) {
            text += "none\n";
            continue;
        }
        text += std::to_string(f->X) + "," + std::to_string(f->Y) + ":";
        for (int r = 0; r < FigureRowCount(*f); ++r)
            text += FigureRowText(*f, r) + "/";
        text += "\n";
    }
    return text;
}

// A game ready to play, as the play screen starts one.
void Start(TRules& rules, const TGameSetup& setup)
{
    RulesInit(rules, setup.Seed);
    RegisterGameTypes(rules);
    SetSize(rules, 10, 20);
    SelectGame(rules, setup.GameNum);
    StartGame(rules);
}

// The player's operation number i: moves, turns, drops and ticks in a mix
// of the player's own (not the rules' generator).
TReplayOp Operation(uint32_t salt, int i)
{
    static const TReplayOp kOps[] = {TReplayOp::Left,  TReplayOp::Right, TReplayOp::Rotate, TReplayOp::Tick,
                                     TReplayOp::Down,  TReplayOp::Tick,  TReplayOp::Left,   TReplayOp::Drop,
                                     TReplayOp::Right, TReplayOp::Tick};
    const uint32_t x = (static_cast<uint32_t>(i) + salt) * 2654435761u;
    return kOps[(x >> 16) % (sizeof kOps / sizeof kOps[0])];
}

constexpr int kOperations = 3000;

std::vector<std::string> PlayAlone(const TGameSetup& setup, uint32_t salt)
{
    TRules rules;
    Start(rules, setup);
    std::vector<std::string> seen{Snapshot(rules)};
    for (int i = 0; i < kOperations; ++i) {
        ApplyReplayOp(rules, Operation(salt, i));
        seen.push_back(Snapshot(rules));
    }
    return seen;
}

struct TPairCase {
    const char* Name;
    TGameSetup A;
    TGameSetup B;
};

std::ostream& operator<<(std::ostream& out, const TPairCase& c)
{
    return out << c.Name;
}

class TwoGames : public ::testing::TestWithParam<TPairCase> {};

TEST_P(TwoGames, InTurnEachPlaysAsAlone)
{
    const TPairCase& c = GetParam();
    const std::vector<std::string> aloneA = PlayAlone(c.A, 1);
    const std::vector<std::string> aloneB = PlayAlone(c.B, 2);
    TRules a, b;
    Start(a, c.A);
    Start(b, c.B);
    ASSERT_EQ(Snapshot(a), aloneA[0]);
    ASSERT_EQ(Snapshot(b), aloneB[0]);
    for (int i = 0; i < kOperations; ++i) {
        ApplyReplayOp(a, Operation(1, i));
        ApplyReplayOp(b, Operation(2, i));
        ASSERT_EQ(Snapshot(a), aloneA[static_cast<std::size_t>(i) + 1]) << "game A, operation " << i;
        ASSERT_EQ(Snapshot(b), aloneB[static_cast<std::size_t>(i) + 1]) << "game B, operation " << i;
    }
    // The games were real: figures landed and points were made in both.
    EXPECT_GT(a.GameState.Score, 0);
    EXPECT_GT(b.GameState.Score, 0);
    EXPECT_NE(aloneA.back(), aloneB.back());
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, TwoGames,
    ::testing::Values(TPairCase{"FourfallAndColour", {kGameFourfall, 7}, {kGameColorFourfall, 9}},
                      TPairCase{"GrandAndCrazy", {kGameGrandFivefall, 5}, {kGameCrazyFourfall, 5}},
                      TPairCase{"FivefallTwoSeeds", {kGameFivefall, 3}, {kGameFivefall, 4}}),
    [](const ::testing::TestParamInfo<TPairCase>& info) { return std::string(info.param.Name); });

} // namespace
} // namespace GFourfall::test
