// The shape table, figures made from it and the catalogue of game types.
#include "RulesFixture.h"

#include "rules/CFourfall.h"
#include "rules/ColorFig.h"
#include "rules/CreatFig.h"
#include "rules/DestrFig.h"
#include "rules/Fourfall.h"
#include "rules/FourfallFig.h"
#include "rules/GFourfall.h"
#include "rules/GameTypes.h"
#include "rules/Rules.h"
#include "rules/ShapeTable.h"

#include <cstring>
#include <memory>
#include <ostream>
#include <set>

namespace GFourfall::test {
namespace {

TEST(TShapeTable, EveryShapeHasItsCellCountInsideItsBoxAndItsColour)
{
    for (int i = 0; i < kShapeCount; ++i) {
        const TShape& s = ShapeTable[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(s.Colour, i % 7 + 1);
        ASSERT_GE(s.Width, 1);
        ASSERT_LE(s.Width, 5);
        ASSERT_GE(s.Height, 1);
        ASSERT_LE(s.Height, 5);
        int cells = 0;
        for (int r = 0; r < kShapeRows; ++r) {
            EXPECT_EQ(std::strlen(s.Rows[r]), static_cast<std::size_t>(kShapeColumns));
            for (int c = 0; c < kShapeColumns; ++c) {
                const char ch = s.Rows[r][c];
                EXPECT_TRUE(ch == 'X' || ch == ' ') << "row " << r << " column " << c;
                if (ch == 'X') {
                    ++cells;
                    EXPECT_LT(r, s.Height);
                    EXPECT_LT(c, s.Width);
                }
            }
        }
        EXPECT_EQ(cells, s.CellCount);
    }
}

// The groups the game types draw from: small shapes, four-cell shapes,
// five-cell shapes, all of one piece; and the crazy ones, whose cells do not
// hang together edge to edge.
bool OnePiece(const TShape& s)
{
    bool seen[kShapeRows][kShapeColumns] = {};
    int stack[kShapeRows * kShapeColumns][2];
    int top = 0;
    for (int r = 0; r < s.Height && top == 0; ++r) {
        for (int c = 0; c < s.Width && top == 0; ++c) {
            if (s.Rows[r][c] == 'X') {
                seen[r][c] = true;
                stack[top][0] = r;
                stack[top++][1] = c;
            }
        }
    }
    int reached = 0;
    while (top > 0) {
        --top;
        const int r = stack[top][0];
        const int c = stack[top][1];
        ++reached;
        const int steps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
        for (const auto& d : steps) {
            const int nr = r + d[0];
            const int nc = c + d[1];
            if (nr >= 0 && nr < kShapeRows && nc >= 0 && nc < kShapeColumns && !seen[nr][nc] &&
                s.Rows[nr][nc] == 'X') {
                seen[nr][nc] = true;
                stack[top][0] = nr;
                stack[top++][1] = nc;
            }
        }
    }
    return reached == s.CellCount;
}

TEST(TShapeTable, GroupsHoldTheirKindOfShape)
{
    const int smallCells[] = {1, 2, 3, 3};
    for (int i = 0; i < kShapeCount; ++i) {
        const TShape& s = ShapeTable[i];
        if (i <= 3) {
            EXPECT_EQ(s.CellCount, smallCells[i]) << i;
        } else if (i <= 10) {
            EXPECT_EQ(s.CellCount, 4) << i;
        } else if (i <= 28) {
            EXPECT_EQ(s.CellCount, 5) << i;
        }
        EXPECT_EQ(OnePiece(s), i < 29) << i;
    }
}

using FourfallFigTest = RulesTest;

TEST_F(FourfallFigTest, ShapeTwentyNineTurnedOnceIsItsMirror)
{
    TFourfallFig f(Rules, 29, 1);
    EXPECT_EQ(FigureRows(f), (std::vector<std::string>{".X", "X."}));
    EXPECT_EQ(f.Cells[0][1], 2);
}

TEST_F(FourfallFigTest, FourTurnsGiveEveryShapeBack)
{
    for (int s = 0; s < kShapeCount; ++s) {
        TFourfallFig a(Rules, s, 0);
        TFourfallFig b(Rules, s, 4);
        EXPECT_EQ(FigureRows(a), FigureRows(b)) << s;
        EXPECT_EQ(std::memcmp(a.Cells, b.Cells, sizeof a.Cells), 0) << s;
    }
}

struct SpawnCase {
    int shape, turns, width, x;
};
std::ostream& operator<<(std::ostream& os, const SpawnCase& c)
{
    return os << "shape " << c.shape << " turned " << c.turns;
}
class SpawnTable : public RulesTest, public ::testing::WithParamInterface<SpawnCase> {};

TEST_P(SpawnTable, SpawnsCentredOnTheTopRow)
{
    const SpawnCase& c = GetParam();
    TFourfallFig f(Rules, c.shape, c.turns);
    EXPECT_EQ(f.Width, c.width);
    EXPECT_EQ(f.X, c.x);
    EXPECT_EQ(f.Y, 1);
}

INSTANTIATE_TEST_SUITE_P(Rules, SpawnTable,
                         ::testing::Values(SpawnCase{6, 0, 3, 6}, SpawnCase{8, 0, 2, 6},
                                           SpawnCase{4, 0, 4, 5}, SpawnCase{4, 1, 1, 7},
                                           SpawnCase{0, 0, 1, 7}, SpawnCase{11, 0, 5, 5},
                                           SpawnCase{11, 3, 1, 7}, SpawnCase{21, 2, 3, 6}));

TEST_F(FourfallFigTest, ShapeIndexOutsideTheTableGivesAnEmptyFigure)
{
    TFourfallFig f(Rules, kShapeCount, 0);
    EXPECT_EQ(f.Width, 0);
    EXPECT_EQ(f.Height, 0);
    TFourfallFig g(Rules, -1, 2);
    EXPECT_EQ(g.Width, 0);
}

// --- the catalogue ---

struct TypeCase {
    int32_t gameNum;
    const char* kind;
    int32_t typeId;
    const char* name;
    int32_t online; // the number the score server knows it by
};
std::ostream& operator<<(std::ostream& os, const TypeCase& c)
{
    return os << "GameNum " << c.gameNum;
}
class CatalogueTable : public RulesTest, public ::testing::WithParamInterface<TypeCase> {};

TEST_P(CatalogueTable, RegistersEachTypeUnderItsNumber)
{
    const TypeCase& c = GetParam();
    RegisterGameTypes(Rules);
    ASSERT_EQ(Rules.GameState.GameCount, kGameTypeCount);
    TAbsGame* game = Rules.GameState.Games[c.gameNum];
    const std::string kind = dynamic_cast<TGFourfall*>(game)   ? "TGFourfall"
                             : dynamic_cast<TFourfall*>(game)  ? "TFourfall"
                             : dynamic_cast<TCFourfall*>(game) ? "TCFourfall"
                                                               : "?";
    EXPECT_EQ(kind, c.kind);
    EXPECT_EQ(game->TypeId, c.typeId);
    EXPECT_STREQ(game->Name(), c.name);
    SelectGame(Rules, c.gameNum);
    EXPECT_EQ(Rules.GameState.Game, game);
    EXPECT_EQ(OnlineType(c.gameNum), c.online);
}

INSTANTIATE_TEST_SUITE_P(Rules, CatalogueTable,
                         ::testing::Values(TypeCase{0, "TFourfall", 1, "Fourfall", 0},
                                           TypeCase{1, "TFourfall", 2, "Fivefall", 1},
                                           TypeCase{2, "TFourfall", 3, "Kids Fourfall", 4},
                                           TypeCase{3, "TFourfall", 4, "Kids Fivefall", 5},
                                           TypeCase{4, "TFourfall", 5, "Crazy Fourfall", 3},
                                           TypeCase{5, "TFourfall", 6, "Crazy Fivefall", 6},
                                           TypeCase{6, "TGFourfall", 1, "Grand Fourfall", 7},
                                           TypeCase{7, "TGFourfall", 2, "Grand Fivefall", 8},
                                           TypeCase{8, "TCFourfall", 4, "Color Fourfall", 2}));

TEST(TOnlineTypes, NoNumberOutsideTheNineTypes)
{
    for (int32_t n : {-1, 9, 15, 16, INT32_MIN, INT32_MAX})
        EXPECT_EQ(OnlineType(n), -1) << n;
}

TEST(TGameNames, UnregisteredIdsAnswerTheirNameOrNothing)
{
    TRules Rules;
    EXPECT_STREQ(TGFourfall(Rules, 3).Name(), "Grand Kids Fourfall");
    EXPECT_STREQ(TGFourfall(Rules, 4).Name(), "Grand Kids Fivefall");
    EXPECT_STREQ(TGFourfall(Rules, 5).Name(), "Grand Wildfall");
    EXPECT_STREQ(TGFourfall(Rules, 6).Name(), "");
    EXPECT_STREQ(TFourfall(Rules, 7).Name(), "");
    EXPECT_STREQ(TFourfall(Rules, 0).Name(), "");
    EXPECT_STREQ(TCFourfall(Rules, 9).Name(), "Color Fourfall");
    EXPECT_STREQ(TAbsGame(Rules, 1).Name(), "");
}

// The shape a figure was made from: the first shape of the table that one of
// its orientations matches, or -1.
int IdentifyShape(const TAbsFigure& f)
{
    TRules rules;
    for (int s = 0; s < kShapeCount; ++s) {
        for (int t = 0; t < 4; ++t) {
            TFourfallFig candidate(rules, s, t);
            if (candidate.Width == f.Width && candidate.Height == f.Height &&
                std::memcmp(candidate.Cells, f.Cells, sizeof f.Cells) == 0) {
                return s;
            }
        }
    }
    return -1;
}

TEST(TShapeTable, NoShapeIsATurnOfAnother)
{
    TRules Rules;
    for (int s = 0; s < kShapeCount; ++s) {
        for (int t = 0; t < 4; ++t) {
            EXPECT_EQ(IdentifyShape(TFourfallFig(Rules, s, t)), s) << s << " turned " << t;
        }
    }
}

// The shape that TFourfall of typeId draws from the next random values.
int ExpectedShape(TRules& rules, int32_t typeId)
{
    switch (typeId) {
    case 1:
        return Random(rules) % 7 + 4;
    case 2:
        return Random(rules) % 18 + 11;
    case 3:
        return Random(rules) % 11;
    case 4:
        return Random(rules) % 29;
    case 5:
        return Random(rules) % 3 != 0 ? Random(rules) % 15 + 29 : Random(rules) % 7 + 4;
    default:
        return Random(rules) % 44;
    }
}

struct SetCase {
    int32_t typeId;
    int firstShape, lastShape; // every shape of this range is drawn, and no other
};
std::ostream& operator<<(std::ostream& os, const SetCase& c)
{
    return os << "TypeId " << c.typeId;
}
class FigureSetTable : public RulesTest, public ::testing::WithParamInterface<SetCase> {};

// Replays depend on the order of the draws: the shape (one or two draws),
// then the quarter turns.
TEST_P(FigureSetTable, DrawsShapeThenTurnsFromItsSet)
{
    const SetCase& c = GetParam();
    TFourfall game(Rules, c.typeId);
    std::set<int> seen;
    for (uint32_t seed = 0; seed < 3000; ++seed) {
        SeedRandom(Rules, seed);
        std::unique_ptr<TAbsFigure> made(game.CreateFigure());
        const int32_t after = Random(Rules);
        SeedRandom(Rules, seed);
        const int shape = ExpectedShape(Rules, c.typeId);
        const int turns = Random(Rules) % 4;
        TFourfallFig expected(Rules, shape, turns);
        ASSERT_EQ(made->Width, expected.Width) << "seed " << seed;
        ASSERT_EQ(made->Height, expected.Height) << "seed " << seed;
        ASSERT_EQ(std::memcmp(made->Cells, expected.Cells, sizeof expected.Cells), 0) << "seed " << seed;
        ASSERT_EQ(Random(Rules), after) << "seed " << seed << ": the figure took another number of draws";
        seen.insert(IdentifyShape(*made));
    }
    std::set<int> range;
    for (int s = c.firstShape; s <= c.lastShape; ++s) {
        range.insert(s);
    }
    if (c.typeId == 5) {
        for (int s = 4; s <= 10; ++s) {
            range.insert(s);
        }
    }
    EXPECT_EQ(seen, range);
}

INSTANTIATE_TEST_SUITE_P(Rules, FigureSetTable,
                         ::testing::Values(SetCase{1, 4, 10}, SetCase{2, 11, 28}, SetCase{3, 0, 10},
                                           SetCase{4, 0, 28}, SetCase{5, 29, 43}, SetCase{6, 0, 43}));

TEST_F(FourfallFigTest, CrazyFourfallDrawsACrazyShapeTwoTimesInThree)
{
    TFourfall game(Rules, 5);
    SeedRandom(Rules, 7);
    int crazy = 0;
    const int total = 6000;
    for (int i = 0; i < total; ++i) {
        std::unique_ptr<TAbsFigure> f(game.CreateFigure());
        crazy += IdentifyShape(*f) >= 29;
    }
    EXPECT_NEAR(static_cast<double>(crazy) / total, 2.0 / 3.0, 0.03);
}

TEST_F(FourfallFigTest, GrandGamesMakeASpecialFigureOneTimeInTwentyHalfOfThemCreators)
{
    TGFourfall game(Rules, 1);
    SeedRandom(Rules, 99);
    int creators = 0;
    int destroyers = 0;
    int fourCell = 0;
    const int total = 20000;
    for (int i = 0; i < total; ++i) {
        std::unique_ptr<TAbsFigure> f(game.CreateFigure());
        if (dynamic_cast<TCreatFig*>(f.get())) {
            ++creators;
        } else if (dynamic_cast<TDestrFig*>(f.get())) {
            ++destroyers;
        } else {
            const int s = IdentifyShape(*f);
            fourCell += s >= 4 && s <= 10;
        }
    }
    EXPECT_NEAR(static_cast<double>(creators + destroyers) / total, 0.05, 0.006);
    EXPECT_NEAR(static_cast<double>(creators) / (creators + destroyers), 0.5, 0.06);
    EXPECT_EQ(fourCell + creators + destroyers, total) << "the other figures are those of TypeId 1";
}

TEST_F(FourfallFigTest, SpecialFiguresLookAsSpecified)
{
    TCreatFig creator(Rules);
    EXPECT_EQ(SpecialKind(&creator), TSpecialKind::Creator);
    EXPECT_EQ(FigureRows(creator), (std::vector<std::string>{"X"}));
    EXPECT_EQ(creator.Cells[0][0], 1);
    EXPECT_EQ(creator.X, 7);
    EXPECT_EQ(creator.Y, 1);
    TDestrFig destroyer(Rules);
    EXPECT_EQ(FigureRows(destroyer), (std::vector<std::string>{"X", "X"}));
    EXPECT_EQ(destroyer.Cells[0][0], 2);
    EXPECT_EQ(destroyer.Cells[1][0], 2);
    EXPECT_EQ(destroyer.X, 7);
    EXPECT_EQ(destroyer.Y, 1);
    EXPECT_EQ(SpecialKind(&destroyer), TSpecialKind::Destroyer);
    TAbsFigure plain(Rules);
    EXPECT_EQ(SpecialKind(&plain), TSpecialKind::None);
    EXPECT_EQ(SpecialKind(nullptr), TSpecialKind::None);
}

// --- the colour column ---

struct ColourCase {
    int32_t difficulty;
    int colours;          // colours 1 to this are drawn
    bool colourOneDouble; // colour 1 comes twice as often as each other
};
std::ostream& operator<<(std::ostream& os, const ColourCase& c)
{
    return os << "Difficulty " << c.difficulty;
}
class ColourCountTable : public RulesTest, public ::testing::WithParamInterface<ColourCase> {};

TEST_P(ColourCountTable, DrawsTopMiddleBottomFromTheColoursOfTheDifficulty)
{
    const ColourCase& c = GetParam();
    TCFourfall game(Rules, 4);
    Rules.GameState.Difficulty = c.difficulty;
    int counts[8] = {};
    const int figures = 7000;
    for (uint32_t seed = 0; seed < figures; ++seed) {
        SeedRandom(Rules, seed);
        std::unique_ptr<TAbsFigure> f(game.CreateFigure());
        ASSERT_EQ(f->Width, 1);
        ASSERT_EQ(f->Height, 3);
        ASSERT_EQ(f->X, 8);
        SeedRandom(Rules, seed);
        const int n = 4 + c.difficulty;
        for (int r = 0; r < 3; ++r) {
            ASSERT_EQ(f->Cells[r][0], (Random(Rules) % n) % 6 + 1) << "seed " << seed << " cell " << r;
            ++counts[f->Cells[r][0]];
        }
    }
    const double share = 3.0 * figures / (c.colourOneDouble ? 7 : c.colours);
    for (int colour = 1; colour <= 7; ++colour) {
        if (colour > c.colours) {
            EXPECT_EQ(counts[colour], 0) << "colour " << colour;
        } else {
            const double expected = colour == 1 && c.colourOneDouble ? 2 * share : share;
            EXPECT_NEAR(counts[colour], expected, expected * 0.08) << "colour " << colour;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rules, ColourCountTable,
                         ::testing::Values(ColourCase{0, 4, false}, ColourCase{1, 5, false},
                                           ColourCase{2, 6, false}, ColourCase{3, 6, true}));

TEST_F(FourfallFigTest, ColourColumnOfNoColoursUsesOne)
{
    TColorFig f(Rules, 0);
    EXPECT_EQ(FigureRows(f), (std::vector<std::string>{"X", "X", "X"}));
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(f.Cells[r][0], 1);
    }
}

} // namespace
} // namespace GFourfall::test
