// Removal and scoring of full rows.
#include "RulesFixture.h"

#include "rules/Fourfall.h"
#include "rules/FourfallFig.h"
#include "rules/GameTypes.h"
#include "rules/Rules.h"

#include <ostream>

namespace GFourfall::test {
namespace {

constexpr char kFull[] = "1234567123456";

struct RowCase {
    const char* what;
    std::vector<std::string> bottom; // the lowest rows before Settle, last one at the bottom
    int32_t linesLeft;               // before
    int32_t points;
    std::vector<std::string> after; // the same rows after Settle
    int32_t level, linesLeftAfter;
};
std::ostream& operator<<(std::ostream& os, const RowCase& c)
{
    return os << c.what;
}
class SettleTable : public RulesTest, public ::testing::WithParamInterface<RowCase> {};

TEST_P(SettleTable, RemovesAndScoresFullRows)
{
    const RowCase& c = GetParam();
    TFourfall game(Rules, 1);
    SetLevel(Rules, 1);
    Rules.GameState.LinesLeft = c.linesLeft;
    SetBottomRows(c.bottom);
    ClearRequests(Rules);
    game.Settle();
    EXPECT_EQ(Rules.GameState.Score, c.points);
    EXPECT_EQ(Rules.GameState.Level, c.level);
    EXPECT_EQ(Rules.GameState.LinesLeft, c.linesLeftAfter);
    EXPECT_EQ(Rules.GameState.SndRemove, c.points > 0);
    EXPECT_EQ(Rules.GameState.SndNewLevel, c.level == 2);
    const int first = Rules.GameState.Height - static_cast<int>(c.after.size()) + 1;
    for (std::size_t i = 0; i < c.after.size(); ++i) {
        EXPECT_EQ(BoardRow(first + static_cast<int>(i)), c.after[i]) << "row " << first + i;
    }
    for (int x = 0; x <= 14; ++x) {
        EXPECT_EQ(Rules.GameState.Board[0][x], 255) << "the top wall stays";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SettleTable,
    ::testing::Values(
        RowCase{"no full row",
                {"1.1..........", "11111111111.1"},
                30,
                0,
                {"1.1..........", "11111111111.1"},
                1,
                30},
        // A row is full only to both walls: a hole at either end keeps it.
        RowCase{
            "a hole in the first column keeps the row", {".234567123456"}, 30, 0, {".234567123456"}, 1, 30},
        RowCase{
            "a hole in the last column keeps the row", {"123456712345."}, 30, 0, {"123456712345."}, 1, 30},
        RowCase{"bottom row is worth 105",
                {"..3..........", kFull},
                30,
                105,
                {".............", "..3.........."},
                1,
                29},
        RowCase{"rows 29 and 31 are scored where they were",
                {kFull, "..4.4........", kFull},
                30,
                115 + 105,
                {".............", ".............", "..4.4........"},
                1,
                28},
        RowCase{"two of three rows raise the level once",
                {kFull, kFull, kFull},
                2,
                115 + 110 + 105,
                {".............", ".............", "............."},
                2,
                6 * 2 + 23}));

TEST_F(RulesTest, RowsAboveARemovedRowMoveDownWithTheirHoles)
{
    TFourfall game(Rules, 1);
    SetLevel(Rules, 1);
    for (int y = 1; y <= 28; ++y) {
        Rules.GameState.Board[y][(y % 13) + 1] = static_cast<uint8_t>(y % 7 + 1);
    }
    std::vector<std::string> before;
    for (int y = 1; y <= 28; ++y) {
        before.push_back(BoardRow(y));
    }
    SetBottomRows({kFull, "..4.4........", kFull});
    game.Settle();
    EXPECT_EQ(BoardRow(1), ".............");
    EXPECT_EQ(BoardRow(2), ".............");
    for (int y = 1; y <= 28; ++y) {
        EXPECT_EQ(BoardRow(y + 2), before[y - 1]) << "former row " << y;
    }
    EXPECT_EQ(BoardRow(31), "..4.4........");
}

TEST_F(RulesTest, TopRowIsWorthTheMost)
{
    for (int x = 1; x <= 13; ++x) {
        Rules.GameState.Board[1][x] = 6;
    }
    Rules.GameState.Board[5][3] = 2;
    TFourfall(Rules, 2).Settle();
    EXPECT_EQ(Rules.GameState.Score, 31 * 5 + 100);
    EXPECT_EQ(BoardRow(1), ".............");
    EXPECT_EQ(BoardRow(5), "..2..........") << "rows below a removed row stay";
}

TEST_F(RulesTest, ALandingThatFillsTheBottomRowRemovesItInTheGame)
{
    RegisterGameTypes(Rules);
    SelectGame(Rules, kGameFourfall);
    StartGame(Rules);
    // Leave a gap for a vertical bar under the falling figure's column.
    delete Rules.GameState.CurFig;
    Rules.GameState.CurFig = nullptr;
    ClearBoard(Rules);
    SetBottomRows({"123456.123456"});
    TAbsFigure* bar = Place(new TFourfallFig(Rules, 4, 1)); // upright bar of four
    ASSERT_EQ(bar->X, 7);
    bar->Drop();
    const int32_t dropped = Rules.GameState.Score;
    EXPECT_EQ(dropped, 27);
    FallTick(Rules); // lands
    EXPECT_EQ(Rules.GameState.Score, dropped + 105);
    EXPECT_TRUE(Rules.GameState.SndRemove);
    EXPECT_EQ(BoardRow(31), "......5......");
    EXPECT_EQ(BoardRow(28), ".............");
    EXPECT_EQ(Rules.GameState.LinesLeft, 29);
}

TEST_F(RulesTest, ScoreStopsAtTheLargestNumberInsteadOfWrapping)
{
    Rules.GameState.Score = INT32_MAX - 50;
    SetBottomRows({kFull});
    TFourfall(Rules, 1).Settle();
    EXPECT_EQ(Rules.GameState.Score, INT32_MAX);
}

} // namespace
} // namespace GFourfall::test
