// The colour game: lines of three or more, gravity, chain reactions.
#include "RulesFixture.h"

#include "rules/CFourfall.h"
#include "rules/ColorFig.h"
#include "rules/GameTypes.h"
#include "rules/Rules.h"

#include <ostream>

namespace GFourfall::test {
namespace {

struct ColourCase {
    const char* what;
    std::vector<std::string> before; // the lowest rows, last one at the bottom
    int32_t points;
    std::vector<std::string> after;
};
std::ostream& operator<<(std::ostream& os, const ColourCase& c)
{
    os << c.what << ":";
    for (const std::string& row : c.before) {
        os << ' ' << row;
    }
    return os;
}
class ColourSettleTable : public RulesTest, public ::testing::WithParamInterface<ColourCase> {};

TEST_P(ColourSettleTable, RemovesStraightLinesAndLetsTheRestFall)
{
    const ColourCase& c = GetParam();
    SetLevel(Rules, 1);
    SetBottomRows(c.before);
    ClearRequests(Rules);
    TCFourfall(Rules, 4).Settle();
    EXPECT_EQ(Rules.GameState.Score, c.points);
    EXPECT_EQ(Rules.GameState.LinesLeft, 30 - c.points / 10);
    EXPECT_EQ(Rules.GameState.SndRemove, c.points > 0);
    EXPECT_EQ(Rules.GameState.Changed, c.points > 0);
    const int first = Rules.GameState.Height - static_cast<int>(c.after.size()) + 1;
    for (std::size_t i = 0; i < c.after.size(); ++i) {
        EXPECT_EQ(BoardRow(first + static_cast<int>(i)), c.after[i]) << "row " << first + i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ColourSettleTable,
    ::testing::Values(
        ColourCase{"pairs of a colour are no line",
                   {".......2.....", ".......3.....", "......11.....", "55....11....."},
                   0,
                   {".......2.....", ".......3.....", "......11.....", "55....11....."}},
        ColourCase{"horizontal three on the floor, the column's upper cells fall",
                   {".......2.....", ".......3.....", ".....111....."},
                   30,
                   {".............", ".......2.....", ".......3....."}},
        ColourCase{"vertical three",
                   {"....4........", "....4........", "....4........"},
                   30,
                   {".............", ".............", "............."}},
        ColourCase{"five in a row in one pass", {"2.33333.2...."}, 50, {"2.......2...."}},
        ColourCase{"diagonal down and right",
                   {"6............", "26...........", "326.........."},
                   30,
                   {".............", "2............", "32..........."}},
        ColourCase{"diagonal up and right",
                   {"..5..........", ".54..........", "543.........."},
                   30,
                   {".............", "..4..........", ".43.........."}},
        ColourCase{
            "an L is not a line", {"1............", "11..........."}, 0, {"1............", "11..........."}},
        ColourCase{"a square is not a line",
                   {"11...........", "11..........."},
                   0,
                   {"11...........", "11..........."}},
        ColourCase{"a cell in two lines counts once",
                   {"3............", "3............", "333.........."},
                   50,
                   {".............", ".............", "............."}},
        ColourCase{"a chain: cells that fall form a new line",
                   {"2............", "1............", "1............", "122..........", "345.........."},
                   60,
                   {".............", ".............", ".............", ".............", "345.........."}}));

TEST_F(RulesTest, ColourRemovalsRaiseTheLevelByCells)
{
    SetLevel(Rules, 1);
    Rules.GameState.LinesLeft = 2;
    SetBottomRows({"777.........."});
    TCFourfall(Rules, 4).Settle();
    EXPECT_EQ(Rules.GameState.Level, 2);
    EXPECT_TRUE(Rules.GameState.SndNewLevel);
    EXPECT_EQ(Rules.GameState.LinesLeft, 6 * 2 + 24 - 1);
}

TEST_F(RulesTest, ColourColumnCyclesItsColoursUpEvenAgainstTheWallAndTheStack)
{
    TColorFig* column = new TColorFig(Rules, 6);
    column->Cells[0][0] = 1;
    column->Cells[1][0] = 2;
    column->Cells[2][0] = 3;
    column->X = 13;
    column->Y = 28;
    Rules.GameState.Board[31][13] = 5;
    Place(column);
    ClearRequests(Rules);
    column->Rotate();
    EXPECT_EQ(Rules.GameState.Board[28][13], 2);
    EXPECT_EQ(Rules.GameState.Board[29][13], 3);
    EXPECT_EQ(Rules.GameState.Board[30][13], 1);
    EXPECT_EQ(Rules.GameState.Board[31][13], 5);
    EXPECT_TRUE(Rules.GameState.Changed);
    EXPECT_FALSE(Rules.GameState.SndRotate) << "the colour game plays no rotation sound";
    column->Rotate();
    column->Rotate();
    EXPECT_EQ(Rules.GameState.Board[28][13], 1);
}

TEST_F(RulesTest, ColourGamePlaysToAnEnd)
{
    RegisterGameTypes(Rules);
    SelectGame(Rules, kGameColorFourfall);
    Rules.Options.Difficulty = 0;
    StartGame(Rules);
    ASSERT_EQ(Rules.GameState.Status, kStatusPlaying);
    EXPECT_EQ(Rules.GameState.CurFig->X, 8);
    int ticks = 0;
    while (Rules.GameState.Status == kStatusPlaying && ticks < 100000) {
        FallTick(Rules);
        ++ticks;
        for (int y = 1; y <= 31; ++y) {
            for (int x = 1; x <= 13; ++x) {
                ASSERT_LE(Rules.GameState.Board[y][x], 4) << "difficulty 0 makes colours 1 to 4 only";
            }
        }
    }
    EXPECT_EQ(Rules.GameState.Status, kStatusGameOver);
}

} // namespace
} // namespace GFourfall::test
