// The creator and destroyer figures of the "Grand" games.
#include "RulesFixture.h"

#include "rules/CreatFig.h"
#include "rules/DestrFig.h"
#include "rules/GFourfall.h"
#include "rules/GameTypes.h"
#include "rules/Rules.h"

namespace GFourfall::test {
namespace {

class CommandFiguresTest : public RulesTest {
protected:
    void SetUp() override
    {
        RulesTest::SetUp();
        RegisterGameTypes(Rules);
        SelectGame(Rules, kGameGrandFourfall);
        StartGame(Rules);
        ClearBoard(Rules); // an empty well; each test places its own figure
        SetLevel(Rules, 1);
        Rules.GameState.Score = 0;
    }

    // Column x as text from row `from` to the floor.
    std::string Column(int x, int from)
    {
        std::string out;
        for (int y = from; y <= Rules.GameState.Height; ++y) {
            const uint8_t v = Rules.GameState.Board[y][x];
            out += v == 0 ? '.' : static_cast<char>('0' + v);
        }
        return out;
    }
};

TEST_F(CommandFiguresTest, CreatorFillsTheLowestHoleFirstThenTheNextOne)
{
    // Column 7 is filled from row 11 to the floor but for a covered hole in row 30.
    for (int y = 11; y <= 31; ++y) {
        Rules.GameState.Board[y][7] = y == 30 ? 0 : 4;
    }
    TAbsFigure* creator = Place(new TCreatFig(Rules));
    ClearRequests(Rules);
    creator->Drop();
    EXPECT_EQ(Rules.GameState.Board[30][7], 1);
    EXPECT_EQ(Rules.GameState.Board[10][7], 0);
    EXPECT_TRUE(Rules.GameState.Changed);
    creator->Rotate();
    EXPECT_EQ(Rules.GameState.Board[10][7], 1);
    creator->Down();
    EXPECT_EQ(Rules.GameState.Board[9][7], 1);
    EXPECT_EQ(creator->Y, 1) << "the actions do not move the figure";
    EXPECT_EQ(Rules.GameState.Board[1][7], 1);
    EXPECT_EQ(Rules.GameState.Score, 0);
}

TEST_F(CommandFiguresTest, CreatorOverAFullColumnDoesNothing)
{
    TAbsFigure* creator = Place(new TCreatFig(Rules));
    creator->Move(0, 9); // now in row 10
    for (int y = 11; y <= 31; ++y) {
        Rules.GameState.Board[y][7] = 3;
    }
    ClearRequests(Rules);
    creator->Drop();
    EXPECT_FALSE(Rules.GameState.Changed);
    EXPECT_EQ(Column(7, 1), std::string(9, '.') + "1" + std::string(21, '3'));
}

TEST_F(CommandFiguresTest, CreatorThatFillsTheLastGapOfTheBottomRowRemovesIt)
{
    SetBottomRows({"......5......", "123456.123456"});
    TAbsFigure* creator = Place(new TCreatFig(Rules));
    ClearRequests(Rules);
    creator->Rotate();
    EXPECT_EQ(Rules.GameState.Score, 105);
    EXPECT_TRUE(Rules.GameState.SndRemove);
    EXPECT_EQ(Rules.GameState.LinesLeft, 29);
    EXPECT_EQ(BoardRow(31), "......5......");
    EXPECT_EQ(BoardRow(1), "......1......") << "the creator is still there";
    EXPECT_EQ(creator->Y, 1);
}

TEST_F(CommandFiguresTest, DestroyerRemovesTheTopmostBlockPerPress)
{
    TAbsFigure* destroyer = Place(new TDestrFig(Rules));
    ClearRequests(Rules);
    destroyer->Drop();
    EXPECT_FALSE(Rules.GameState.Changed) << "nothing below it";
    SetBottomRows({"......2......", "......3......", "......4......"});
    destroyer->Rotate();
    EXPECT_EQ(Column(7, 29), ".34");
    EXPECT_TRUE(Rules.GameState.Changed);
    destroyer->Down();
    EXPECT_EQ(Column(7, 29), "..4");
    EXPECT_EQ(Rules.GameState.Score, 0);
    EXPECT_FALSE(Rules.GameState.SndRemove);
    EXPECT_EQ(Column(7, 1), "22" + std::string(28, '.') + "4") << "the destroyer itself stays";
}

TEST_F(CommandFiguresTest, SpecialFiguresCannotBeTurnedOrDropped)
{
    for (int kind = 0; kind < 2; ++kind) {
        TAbsFigure* f =
            Place(kind == 0 ? static_cast<TAbsFigure*>(new TCreatFig(Rules)) : new TDestrFig(Rules));
        const std::vector<std::string> shape = FigureRows(*f);
        ClearRequests(Rules);
        f->Rotate();
        f->Drop();
        f->Down();
        EXPECT_EQ(FigureRows(*f), shape) << kind;
        EXPECT_EQ(f->Y, 1) << kind;
        EXPECT_FALSE(Rules.GameState.SndRotate) << kind;
        EXPECT_FALSE(Rules.GameState.SndDrop) << kind;
        f->Left();
        EXPECT_EQ(f->X, 6) << "Left moves it as any figure";
        FallTick(Rules);
        EXPECT_EQ(f->Y, 2) << "the timer moves it down";
        ClearBoard(Rules);
    }
}

TEST_F(CommandFiguresTest, LandedDestroyerVanishesAndLeavesTheStackAsItWas)
{
    SetBottomRows({"......3......", "....12345...."});
    TAbsFigure* destroyer = Place(new TDestrFig(Rules));
    destroyer->Move(0, 27); // resting on the stack, rows 28 and 29
    destroyer->Rotate();    // one press: the 3 below it goes
    EXPECT_EQ(Column(7, 28), "22.3");
    FallTick(Rules); // falls into the freed cell
    EXPECT_EQ(Column(7, 28), ".223");
    EXPECT_EQ(Rules.GameState.CurFig, destroyer);
    FallTick(Rules); // lands
    EXPECT_NE(Rules.GameState.CurFig, destroyer);
    EXPECT_EQ(Column(7, 28), "...3") << "no block of the destroyer is left";
    EXPECT_EQ(BoardRow(31), "....12345....");
}

// A special figure whose cell completes a row at its landing: the rows above
// move down into its last position before it is deleted, and deleting it must
// take only what is left of its own cells.
TEST_F(CommandFiguresTest, LandingInACompletedRowLeavesTheBlocksThatMovedDown)
{
    SetBottomRows({"......4......", ".............", "123456.123456"});
    Rules.GameState.Board[28][7] = 6;
    TAbsFigure* destroyer = Place(new TDestrFig(Rules));
    // Came in under the overhang of row 29 from the side.
    destroyer->Erase();
    destroyer->X = 7;
    destroyer->Y = 30;
    destroyer->Stamp();
    ClearRequests(Rules);
    FallTick(Rules);
    EXPECT_EQ(Rules.GameState.Score, 105);
    EXPECT_EQ(Column(7, 28), ".64.")
        << "the overhang moved down and stays; the destroyer's upper cell is gone";
    EXPECT_EQ(BoardRow(31), ".............");
    ASSERT_EQ(Rules.GameState.Status, kStatusPlaying);
}

TEST_F(CommandFiguresTest, LandingWithoutARemovalTakesTheWholeFigureAway)
{
    TAbsFigure* creator = Place(new TCreatFig(Rules));
    creator->Drop(); // an action: fills the floor cell below it
    EXPECT_EQ(Rules.GameState.Board[31][7], 1);
    for (int i = 0; i < 29; ++i) {
        FallTick(Rules);
    }
    EXPECT_EQ(creator->Y, 30);
    FallTick(Rules);
    EXPECT_EQ(Column(7, 29), "..1");
}

TEST_F(CommandFiguresTest, AFigureNeverPlacedErasesNothingWhenDeleted)
{
    Rules.GameState.Board[1][7] = 5;
    Rules.GameState.Board[2][7] = 5;
    delete new TDestrFig(Rules);
    delete new TCreatFig(Rules);
    EXPECT_EQ(Column(7, 1).substr(0, 2), "55");
}

TEST_F(CommandFiguresTest, CreatorUnderAnOverhangIsNotOverwrittenByTheRowsMovingDown)
{
    SetBottomRows({"......4......", ".............", ".............", "123456.123456"});
    TAbsFigure* creator = Place(new TCreatFig(Rules));
    creator->Erase();
    creator->Y = 29;
    creator->Stamp();
    creator->Rotate(); // fills row 31: the row goes, the overhang comes down into row 29
    EXPECT_EQ(Rules.GameState.Score, 105);
    EXPECT_EQ(Rules.GameState.Board[29][7], 4) << "the block that moved down is kept";
    EXPECT_EQ(creator->Y, 30) << "the creator moved down with its rows";
    EXPECT_EQ(Rules.GameState.Board[30][7], 1);
    // Deleting it later takes only its own cell.
    delete Rules.GameState.CurFig;
    Rules.GameState.CurFig = nullptr;
    EXPECT_EQ(Column(7, 28), ".4..");
}

TEST_F(CommandFiguresTest, GrandGameRunsWithSpecialFiguresToAnEnd)
{
    SeedRandom(Rules, 3);
    StartGame(Rules);
    int special = 0;
    int steps = 0;
    while (Rules.GameState.Status == kStatusPlaying && steps < 200000) {
        if (IsSpecialFigure(Rules.GameState.CurFig)) {
            ++special;
            Rules.GameState.CurFig->Drop();
        }
        FallTick(Rules);
        ++steps;
        for (int x = 0; x <= 14; ++x) {
            ASSERT_EQ(Rules.GameState.Board[32][x], 255);
        }
    }
    EXPECT_EQ(Rules.GameState.Status, kStatusGameOver);
}

} // namespace
} // namespace GFourfall::test
