// The game state, its life cycle and the figure base operations.
#include "RulesFixture.h"

#include <cstring>

#include "rules/GameTypes.h"
#include "rules/Rules.h"

#include <climits>
#include <ostream>

namespace GFourfall::test {
namespace {

TEST(TRandom, FollowsTheLinearCongruentialSequence)
{
    TRules Rules;
    SeedRandom(Rules, 0);
    // state 1 was drawn and thrown away; the next state is 1 * 22695477 + 1.
    uint32_t state = 1;
    for (int i = 0; i < 5; ++i) {
        state = state * 22695477u + 1u;
        EXPECT_EQ(Random(Rules), static_cast<int32_t>((state >> 16) & 0x7FFF)) << i;
    }
    SeedRandom(Rules, 42);
    const int32_t a = Random(Rules);
    SeedRandom(Rules, 42);
    EXPECT_EQ(Random(Rules), a);
}

TEST(TRandom, StaysInRange)
{
    TRules Rules;
    SeedRandom(Rules, 0xFFFFFFFFu);
    for (int i = 0; i < 10000; ++i) {
        const int32_t v = Random(Rules);
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 32767);
    }
}

using GameStateTest = RulesTest;

TEST_F(GameStateTest, ClearBoardWallsTheFrameAndEmptiesThePlayArea)
{
    Rules.GameState.Board[5][5] = 3;
    Rules.GameState.Changed = false;
    ClearBoard(Rules);
    EXPECT_TRUE(Rules.GameState.Changed);
    for (int y = 0; y <= 32; ++y) {
        for (int x = 0; x <= 14; ++x) {
            const bool wall = y == 0 || y == 32 || x == 0 || x == 14;
            ASSERT_EQ(Rules.GameState.Board[y][x], wall ? 255 : 0) << "row " << y << " column " << x;
        }
    }
}

struct SizeCase {
    int32_t columns, rows, width, height;
};
std::ostream& operator<<(std::ostream& os, const SizeCase& c)
{
    return os << "SetSize(Rules, " << c.columns << ", " << c.rows << ")";
}
class SetSizeTable : public RulesTest, public ::testing::WithParamInterface<SizeCase> {};

// Sizes outside the grid would write past the 64 x 64 board: they are clamped.
TEST_P(SetSizeTable, KeepsThePlayAreaInsideTheGrid)
{
    const SizeCase& c = GetParam();
    SetSize(Rules, c.columns, c.rows);
    EXPECT_EQ(Rules.GameState.Width, c.width);
    EXPECT_EQ(Rules.GameState.Height, c.height);
    EXPECT_EQ(Rules.GameState.Board[c.height + 1][1], 255);
    EXPECT_EQ(Rules.GameState.Board[1][c.width + 1], 255);
    EXPECT_EQ(Rules.GameState.Board[c.height][c.width], 0);
}

INSTANTIATE_TEST_SUITE_P(Rules, SetSizeTable,
                         ::testing::Values(SizeCase{13, 31, 13, 31}, SizeCase{62, 62, 62, 62},
                                           SizeCase{63, 100, 62, 62}, SizeCase{0, -5, 1, 1},
                                           SizeCase{INT_MIN, INT_MAX, 1, 62}));

struct LevelCase {
    int32_t level, period, linesLeft, appliedLevel;
};
std::ostream& operator<<(std::ostream& os, const LevelCase& c)
{
    return os << "SetLevel(Rules, " << c.level << ")";
}
class SetLevelTable : public RulesTest, public ::testing::WithParamInterface<LevelCase> {};

TEST_P(SetLevelTable, DerivesPeriodAndRemovalsFromTheLevel)
{
    const LevelCase& c = GetParam();
    SetLevel(Rules, c.level);
    EXPECT_EQ(Rules.GameState.Level, c.appliedLevel);
    EXPECT_EQ(Rules.GameState.FallPeriod, c.period);
    EXPECT_EQ(Rules.GameState.LinesLeft, c.linesLeft);
}

// Below 0 the period would divide by zero (-1) or go negative; from 2000 on
// it would be 0 ms: levels are kept to 0 to 1999.
INSTANTIATE_TEST_SUITE_P(Rules, SetLevelTable,
                         ::testing::Values(LevelCase{0, 2000, 24, 0}, LevelCase{1, 1000, 30, 1},
                                           LevelCase{2, 666, 36, 2}, LevelCase{3, 500, 42, 3},
                                           LevelCase{6, 285, 60, 6}, LevelCase{10, 181, 84, 10},
                                           LevelCase{12, 153, 96, 12}, LevelCase{15, 125, 114, 15},
                                           LevelCase{19, 100, 138, 19}, LevelCase{1999, 1, 12018, 1999},
                                           LevelCase{2000, 1, 12018, 1999},
                                           LevelCase{INT_MAX, 1, 12018, 1999}, LevelCase{-1, 2000, 24, 0},
                                           LevelCase{INT_MIN, 2000, 24, 0}));

TEST_F(GameStateTest, SetLevelRequestsTheNewLevelEffectOnlyOneLevelUp)
{
    SetLevel(Rules, 3);
    Rules.GameState.SndNewLevel = true;
    SetLevel(Rules, 3);
    EXPECT_FALSE(Rules.GameState.SndNewLevel);
    SetLevel(Rules, 4);
    EXPECT_TRUE(Rules.GameState.SndNewLevel);
    SetLevel(Rules, 6);
    EXPECT_FALSE(Rules.GameState.SndNewLevel);
    SetLevel(Rules, kMaxLevel);
    SetLevel(Rules, kMaxLevel + 1);
    EXPECT_FALSE(Rules.GameState.SndNewLevel) << "no level above the highest";
}

TEST_F(GameStateTest, SelectGameFallsBackToTheClassicGameForUnknownNumbers)
{
    for (int32_t n : {0, 4, 8}) {
        SelectGame(Rules, n);
        EXPECT_EQ(Rules.GameState.GameNum, n);
    }
    for (int32_t n : {-1, 9, 15, 16, INT_MAX, INT_MIN}) {
        SelectGame(Rules, n);
        EXPECT_EQ(Rules.GameState.GameNum, kGameFourfall) << n;
    }
}

// A game type that always makes the same three-cell bar, for tests that need
// predictable figures.
class TBarGame : public TAbsGame {
public:
    explicit TBarGame(TRules& rules) : TAbsGame(rules, 99), Rules(rules) {}
    TAbsFigure* CreateFigure() override
    {
        ++Made;
        return MakeFigure(Rules, {"XXX"}, 6, 1, 4);
    }
    TRules& Rules;
    int Made = 0;
};

TEST_F(GameStateTest, StartGameWithoutAGameTypeDoesNothing)
{
    SelectGame(Rules, 3); // nothing registered yet
    StartGame(Rules);
    EXPECT_EQ(Rules.GameState.Status, kStatusNoGame);
}

TEST_F(GameStateTest, GameSelectedBeforeRegistrationStartsOnceRegistered)
{
    SelectGame(Rules, 0); // the stored number is loaded before the types exist
    auto* game = new TBarGame(Rules);
    RegisterGame(Rules, game);
    StartGame(Rules);
    EXPECT_EQ(Rules.GameState.Game, game);
    EXPECT_EQ(Rules.GameState.Status, kStatusPlaying);
}

TEST_F(GameStateTest, StartGameMakesThreeFiguresAndStampsTheFirst)
{
    auto* game = new TBarGame(Rules);
    RegisterGame(Rules, game);
    SelectGame(Rules, 0);
    Rules.Options.StartLevel = 0;
    StartGame(Rules);
    EXPECT_EQ(game->Made, 3);
    EXPECT_EQ(Rules.GameState.Status, kStatusPlaying);
    EXPECT_EQ(Rules.GameState.Score, 0);
    EXPECT_EQ(Rules.GameState.FallPeriod, 2000);
    EXPECT_EQ(Rules.GameState.LinesLeft, 24);
    EXPECT_FALSE(Rules.GameState.SndNewLevel);
    EXPECT_EQ(BoardRow(1), ".....444.....");
}

struct OptionGuardCase {
    int32_t startLevel, difficulty, level, period, appliedDifficulty;
};
std::ostream& operator<<(std::ostream& os, const OptionGuardCase& c)
{
    return os << "StartLevel " << c.startLevel << ", Difficulty " << c.difficulty;
}
class StartOptionsTable : public RulesTest, public ::testing::WithParamInterface<OptionGuardCase> {};

TEST_P(StartOptionsTable, StartsWithinTheModel)
{
    const OptionGuardCase& c = GetParam();
    RegisterGame(Rules, new TBarGame(Rules));
    SelectGame(Rules, 0);
    Rules.Options.StartLevel = c.startLevel;
    Rules.Options.Difficulty = c.difficulty;
    StartGame(Rules);
    EXPECT_EQ(Rules.GameState.Level, c.level);
    EXPECT_EQ(Rules.GameState.FallPeriod, c.period);
    EXPECT_EQ(Rules.GameState.Difficulty, c.appliedDifficulty);
    EXPECT_FALSE(Rules.GameState.SndNewLevel);
}

INSTANTIATE_TEST_SUITE_P(Rules, StartOptionsTable,
                         ::testing::Values(OptionGuardCase{1, 1, 1, 1000, 1},
                                           OptionGuardCase{0, 0, 0, 2000, 0},
                                           OptionGuardCase{-3, -4, 0, 2000, 0},
                                           OptionGuardCase{5000, 3, kMaxLevel, 1, 3},
                                           OptionGuardCase{INT_MAX, INT_MAX, kMaxLevel, 1, kMaxDifficulty},
                                           OptionGuardCase{INT_MIN, INT_MIN, 0, 2000, 0}));

TEST_F(GameStateTest, FallTickMovesWithoutPointsAndLandsWhenBlocked)
{
    RegisterGame(Rules, new TBarGame(Rules));
    SelectGame(Rules, 0);
    StartGame(Rules);
    TAbsFigure* first = Rules.GameState.CurFig;
    for (int i = 0; i < 30; ++i) {
        FallTick(Rules);
    }
    EXPECT_EQ(Rules.GameState.CurFig, first);
    EXPECT_EQ(Rules.GameState.CurFig->Y, 31);
    EXPECT_EQ(Rules.GameState.Score, 0);
    EXPECT_TRUE(Rules.GameState.SndHitBottom);
    FallTick(Rules); // cannot move: lands, the next figure comes in
    EXPECT_NE(Rules.GameState.CurFig, first);
    EXPECT_EQ(BoardRow(31), ".....444.....");
    EXPECT_EQ(BoardRow(1), ".....444.....");
}

TEST_F(GameStateTest, GameEndsWhenTheNewFigureDoesNotFitAndItIsNotShown)
{
    RegisterGame(Rules, new TBarGame(Rules));
    SelectGame(Rules, 0);
    StartGame(Rules);
    Rules.GameState.Board[2][7] = 5; // right under the spawn place
    ClearRequests(Rules);
    Rules.GameState.Score = 0; // does not enter the list
    FallTick(Rules);           // cannot move: lands where it spawned, and the next one does not fit
    EXPECT_EQ(Rules.GameState.Status, kStatusGameOver);
    EXPECT_TRUE(Rules.GameState.SndGameOver);
    EXPECT_TRUE(Rules.GameState.Changed);
    EXPECT_FALSE(Rules.GameState.NewHiScore);
    EXPECT_FALSE(Rules.GameState.SndClap);
    EXPECT_EQ(Rules.GameState.HiScorePos, -1);
    EXPECT_EQ(BoardRow(1), ".....444.....") << "the landed figure stays, the new one is not drawn";
    EXPECT_EQ(BoardRow(2), "......5......");
    // Further ticks change nothing.
    FallTick(Rules);
    EXPECT_EQ(Rules.GameState.Status, kStatusGameOver);
    EXPECT_EQ(BoardRow(1), ".....444.....");
}

TEST_F(GameStateTest, GameOverOffersTheScoreToTheTable)
{
    RegisterGame(Rules, new TBarGame(Rules));
    SelectGame(Rules, 0);
    StartGame(Rules);
    Rules.GameState.Board[2][7] = 5;
    Rules.GameState.Score = 77;
    FallTick(Rules);
    ASSERT_EQ(Rules.GameState.Status, kStatusGameOver);
    EXPECT_TRUE(Rules.GameState.NewHiScore);
    EXPECT_TRUE(Rules.GameState.SndClap);
    EXPECT_EQ(Rules.GameState.HiScorePos, 0);
    EXPECT_EQ(Rules.HiScores.Entries[0][0][0].Score, 77);
}

TEST_F(GameStateTest, StartGameAfterGameOverBeginsAFreshGame)
{
    RegisterGame(Rules, new TBarGame(Rules));
    SelectGame(Rules, 0);
    StartGame(Rules);
    Rules.GameState.Board[2][7] = 5;
    FallTick(Rules);
    ASSERT_EQ(Rules.GameState.Status, kStatusGameOver);
    StartGame(Rules);
    EXPECT_EQ(Rules.GameState.Status, kStatusPlaying);
    EXPECT_EQ(Rules.GameState.GameNum, 0);
    EXPECT_EQ(BoardRow(2), ".............");
}

// --- the figure base ---

using FigureTest = RulesTest;

TEST_F(FigureTest, TurnIsAQuarterTurnCounterClockwiseAnchoredTopLeft)
{
    TAbsFigure* f = MakeFigure({"XXX", "X.."}, 5, 3);
    f->Turn();
    EXPECT_EQ(FigureRows(*f), (std::vector<std::string>{"X.", "X.", "XX"}));
    EXPECT_EQ(f->X, 5);
    EXPECT_EQ(f->Y, 3);
    f->Turn();
    f->Turn();
    f->Turn();
    EXPECT_EQ(FigureRows(*f), (std::vector<std::string>{"XXX", "X.."}));
    delete f;
}

TEST_F(FigureTest, MoveIntoWallOrBlockFailsAndChangesNothing)
{
    TAbsFigure* f = Place(MakeFigure({"XX"}, 1, 5));
    ClearRequests(Rules);
    EXPECT_FALSE(f->Move(-1, 0));
    EXPECT_EQ(f->X, 1);
    EXPECT_FALSE(Rules.GameState.Changed);
    Rules.GameState.Board[5][3] = 2;
    EXPECT_FALSE(f->Move(1, 0));
    EXPECT_EQ(BoardRow(5), "332..........");
    EXPECT_TRUE(f->Move(0, 1));
    EXPECT_EQ(BoardRow(5), "..2..........");
    EXPECT_EQ(BoardRow(6), "33...........");
}

TEST_F(FigureTest, HitBottomIsRaisedOnEverySupportedMoveAndClearedInFreeFall)
{
    for (int x = 1; x <= 4; ++x) {
        Rules.GameState.Board[31][x] = 1;
    }
    Rules.GameState.Board[30][1] = Rules.GameState.Board[30][2] = 1;
    TAbsFigure* f = Place(MakeFigure({"X"}, 3, 30));
    Rules.GameState.SndHitBottom = false;
    EXPECT_TRUE(f->Move(1, 0)); // slides along the row of four
    EXPECT_TRUE(Rules.GameState.SndHitBottom);
    EXPECT_TRUE(f->Move(1, 0)); // over the edge: nothing under it now
    EXPECT_FALSE(Rules.GameState.SndHitBottom);
    EXPECT_TRUE(f->Move(0, 1)); // down to the floor
    EXPECT_TRUE(Rules.GameState.SndHitBottom);
}

TEST_F(FigureTest, DropAddsTheRowsFallenAndDoesNotLand)
{
    TAbsFigure* f = Place(MakeFigure({"XX"}, 4, 21));
    ClearRequests(Rules);
    f->Drop();
    EXPECT_EQ(f->Y, 31);
    EXPECT_EQ(Rules.GameState.Score, 10);
    EXPECT_TRUE(Rules.GameState.SndDrop);
    EXPECT_TRUE(Rules.GameState.Changed);
    // Still the falling figure: it can slide and drop again.
    ClearRequests(Rules);
    f->Drop();
    EXPECT_EQ(Rules.GameState.Score, 10);
    EXPECT_FALSE(Rules.GameState.SndDrop);
    EXPECT_FALSE(Rules.GameState.Changed);
    EXPECT_TRUE(f->Move(1, 0));
    EXPECT_EQ(BoardRow(31), "....33.......");
}

TEST_F(FigureTest, DownScoresOnlyWhenItMovesAndNeverLands)
{
    RegisterGame(Rules, new TBarGame(Rules));
    SelectGame(Rules, 0);
    StartGame(Rules);
    TAbsFigure* f = Place(MakeFigure({"X"}, 4, 30));
    const int32_t score = Rules.GameState.Score;
    f->Down();
    EXPECT_EQ(Rules.GameState.Score, score + 1);
    f->Down();
    EXPECT_EQ(Rules.GameState.Score, score + 1);
    EXPECT_EQ(f->Y, 31);
    EXPECT_EQ(Rules.GameState.CurFig, f) << "against the floor Down does not land the figure";
    FallTick(Rules);
    EXPECT_NE(Rules.GameState.CurFig, f) << "the next tick lands it";
}

TEST_F(FigureTest, BlockedRotationLeavesTheFigureAsItWas)
{
    TAbsFigure* f = Place(MakeFigure({"XXXX"}, 3, 30));
    ClearRequests(Rules);
    f->Rotate(); // would reach below the floor
    EXPECT_EQ(FigureRows(*f), (std::vector<std::string>{"XXXX"}));
    EXPECT_FALSE(Rules.GameState.SndRotate);
    EXPECT_FALSE(Rules.GameState.Changed);
    EXPECT_EQ(BoardRow(30), "..3333.......");

    f->Move(0, -5);
    ClearRequests(Rules);
    f->Rotate();
    EXPECT_EQ(FigureRows(*f), (std::vector<std::string>{"X", "X", "X", "X"}));
    EXPECT_TRUE(Rules.GameState.SndRotate);
    EXPECT_TRUE(Rules.GameState.Changed);
    EXPECT_EQ(BoardRow(25), "..3..........");
    EXPECT_EQ(BoardRow(28), "..3..........");
}

TEST_F(FigureTest, CellsOutsideTheFrameNeverFit)
{
    SetSize(Rules, 3, 3);
    // Five wide on a three-column board: the left cells lie left of the wall.
    TAbsFigure* f = MakeFigure({"XXXXX"}, -1, 1);
    EXPECT_FALSE(f->Fits());
    f->X = 70;
    EXPECT_FALSE(f->Fits());
    delete f;
}

TEST_F(FigureTest, DropOfAFigureWithoutCellsEnds)
{
    TAbsFigure* f = Place(new TAbsFigure(Rules));
    f->Drop();
    EXPECT_LE(f->Y, kBoardSize);
}

// The landing shadow asks how far the figure would fall: always what Drop
// then does, its own cells on the board never counting as obstacles, and
// nothing on the board or the figure changed by asking.
struct DropCase {
    const char* name;
    std::vector<std::string> figure;
    int x, y;
    std::vector<std::string> bottom; // the board's bottom rows
    int32_t distance;
};
std::ostream& operator<<(std::ostream& os, const DropCase& c)
{
    return os << c.name;
}
class DropDistanceTable : public RulesTest, public ::testing::WithParamInterface<DropCase> {};

TEST_P(DropDistanceTable, IsWhatDropMovesAndChangesNothing)
{
    const DropCase& c = GetParam();
    SetBottomRows(c.bottom);
    TAbsFigure* f = Place(MakeFigure(c.figure, c.x, c.y));
    uint8_t before[kBoardSize][kBoardSize];
    std::memcpy(before, Rules.GameState.Board, sizeof before);
    EXPECT_EQ(f->DropDistance(), c.distance);
    EXPECT_EQ(std::memcmp(before, Rules.GameState.Board, sizeof before), 0);
    EXPECT_EQ(f->Y, c.y);
    EXPECT_TRUE(f->OnBoard);
    f->Drop();
    EXPECT_EQ(f->Y - c.y, c.distance);
    EXPECT_EQ(f->DropDistance(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, DropDistanceTable,
    ::testing::Values(
        DropCase{"EmptyWellToTheFloor", {"XX"}, 4, 1, {}, 30},
        // A tall figure over itself: its lower cells must not stop its upper ones.
        DropCase{"UprightBarOverItself", {"X", "X", "X", "X"}, 7, 1, {}, 27},
        DropCase{"OnTheStack", {"XXX", ".X."}, 2, 5, {".............", "111111111111."}, 24},
        // The column that meets a block first decides, not the lowest cell.
        DropCase{"StoppedByItsHigherColumn", {"X.", "XX"}, 3, 1, {"..2..........", "....1........"}, 27},
        DropCase{"AlreadyResting", {"XX"}, 1, 30, {".............", "4444........."}, 0},
        // A colour column next to a tower lands on the floor beside it.
        DropCase{"ColumnBesideATower", {"X", "X", "X"}, 8, 2, {"......6......", "......6......"}, 27}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace GFourfall::test
