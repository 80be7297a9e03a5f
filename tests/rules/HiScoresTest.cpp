#include "rules/HiScores.h"

#include "rules/GameState.h"
#include "rules/Rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace {

class HiScoresTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        GFourfall::RulesReset(Rules);
        ClearScores(Rules.HiScores);
    }
    void TearDown() override { GFourfall::RulesReset(Rules); }

    // Fills the list of game type t with the given scores, naming each entry
    // after its score so that moves can be followed.
    void FillList(int t, const std::vector<int32_t>& scores)
    {
        for (std::size_t i = 0; i < scores.size(); ++i) {
            THiScoreEntry& e = Rules.HiScores.Entries[t][0][i];
            e.Score = scores[i];
            std::snprintf(e.Name, sizeof e.Name, "n%d", scores[i]);
        }
    }
    std::vector<int32_t> ListScores(int t)
    {
        std::vector<int32_t> out;
        for (int i = 0; i < kScoreEntries && Rules.HiScores.Entries[t][0][i].Score != 0; ++i) {
            out.push_back(Rules.HiScores.Entries[t][0][i].Score);
        }
        return out;
    }
    void Offer(int32_t gameNum, int32_t score)
    {
        Rules.GameState.GameNum = gameNum;
        Rules.GameState.Score = score;
        InsertScore(Rules);
    }

    GFourfall::TRules Rules;
};

struct InsertCase {
    const char* what;
    std::vector<int32_t> before;
    int32_t score;
    int32_t expectedPos; // -1: no entry
    std::vector<int32_t> after;
};

std::ostream& operator<<(std::ostream& os, const InsertCase& c)
{
    os << c.what << ": list {";
    for (int32_t s : c.before) {
        os << ' ' << s;
    }
    return os << " } + " << c.score;
}

const std::vector<int32_t> kFull = {900, 800, 700, 600, 500, 400, 300, 200, 100};

const InsertCase kInsertCases[] = {
    {"first result into an empty list", {}, 120, 0, {120}},
    {"equal score goes below the listed one", {500, 400, 300}, 400, 2, {500, 400, 400, 300}},
    {"lowest of a short list goes to its end", {500, 400, 300}, 10, 3, {500, 400, 300, 10}},
    {"best result pushes the ninth out", kFull, 950, 0, {950, 900, 800, 700, 600, 500, 400, 300, 200}},
    {"just above the ninth replaces it", kFull, 150, 8, {900, 800, 700, 600, 500, 400, 300, 200, 150}},
    {"below the ninth of a full list enters nothing", kFull, 50, -1, kFull},
    {"equal to the ninth of a full list enters nothing", kFull, 100, -1, kFull},
    {"score 0 never enters an empty list", {}, 0, -1, {}},
    {"score 0 never enters a short list", {500}, 0, -1, {500}},
};

class InsertScoreTable : public HiScoresTest, public ::testing::WithParamInterface<InsertCase> {};

TEST_P(InsertScoreTable, PlacesScoreAndRaisesFlags)
{
    const InsertCase& c = GetParam();
    const int type = 4;
    FillList(type, c.before);
    Rules.GameState.HiScorePos = 7; // left from an earlier game
    Rules.GameState.NewHiScore = true;
    Rules.GameState.SndClap = true;

    Offer(type, c.score);

    EXPECT_EQ(ListScores(type), c.after);
    EXPECT_EQ(Rules.HiScores.ShownType, type);
    if (c.expectedPos < 0) {
        EXPECT_EQ(Rules.GameState.HiScorePos, 7) << "a result that does not enter keeps the old place";
        EXPECT_FALSE(Rules.GameState.NewHiScore);
        EXPECT_FALSE(Rules.GameState.SndClap);
    } else {
        EXPECT_EQ(Rules.GameState.HiScorePos, c.expectedPos);
        EXPECT_TRUE(Rules.GameState.NewHiScore);
        EXPECT_TRUE(Rules.GameState.SndClap);
        EXPECT_STREQ(Rules.HiScores.Entries[type][0][c.expectedPos].Name, "Anonymous");
    }
}

INSTANTIATE_TEST_SUITE_P(HiScores, InsertScoreTable, ::testing::ValuesIn(kInsertCases));

TEST_F(HiScoresTest, MovedEntriesKeepTheirNamesAndOtherListsStayUntouched)
{
    FillList(0, {500, 400, 300});
    FillList(1, {50});
    std::strcpy(Rules.HiScores.PlayerName, "Zoe");
    Offer(0, 450);
    EXPECT_STREQ(Rules.HiScores.Entries[0][0][0].Name, "n500");
    EXPECT_STREQ(Rules.HiScores.Entries[0][0][1].Name, "Zoe");
    EXPECT_STREQ(Rules.HiScores.Entries[0][0][2].Name, "n400");
    EXPECT_STREQ(Rules.HiScores.Entries[0][0][3].Name, "n300");
    EXPECT_EQ(ListScores(1), std::vector<int32_t>{50});
    for (int sub = 1; sub < kScoreSubTables; ++sub) {
        EXPECT_EQ(Rules.HiScores.Entries[0][sub][0].Score, 0);
    }
}

TEST_F(HiScoresTest, NewEntryNameIsTerminatedEvenIfThePlayerNameIsNot)
{
    std::memset(Rules.HiScores.PlayerName, 'x', sizeof Rules.HiScores.PlayerName);
    Offer(2, 10);
    EXPECT_EQ(std::strlen(Rules.HiScores.Entries[2][0][0].Name),
              static_cast<std::size_t>(kScoreNameSize - 1));
}

TEST_F(HiScoresTest, GameNumberOutsideTheTableEntersNothing)
{
    for (int32_t bad : {-1, kScoreTypeSlots, 1000}) {
        Rules.GameState.HiScorePos = 3;
        Rules.GameState.NewHiScore = true;
        Rules.GameState.SndClap = true;
        Offer(bad, 500);
        EXPECT_EQ(Rules.GameState.HiScorePos, 3) << bad;
        EXPECT_FALSE(Rules.GameState.NewHiScore) << bad;
        EXPECT_FALSE(Rules.GameState.SndClap) << bad;
    }
    for (int t = 0; t < kScoreTypeSlots; ++t) {
        EXPECT_EQ(Rules.HiScores.Entries[t][0][0].Score, 0) << t;
    }
}

TEST_F(HiScoresTest, ClearScoresEmptiesEveryEntryAndNamesTheAnonymousPlayer)
{
    for (int t = 0; t < kScoreTypeSlots; ++t) {
        for (int s = 0; s < kScoreSubTables; ++s) {
            for (int p = 0; p < kScoreEntries; ++p) {
                Rules.HiScores.Entries[t][s][p].Score = 1 + p;
                std::strcpy(Rules.HiScores.Entries[t][s][p].Name, "someone");
            }
        }
    }
    std::strcpy(Rules.HiScores.PlayerName, "Zoe");
    ClearScores(Rules.HiScores);
    EXPECT_STREQ(Rules.HiScores.PlayerName, "Anonymous");
    for (int t = 0; t < kScoreTypeSlots; ++t) {
        for (int s = 0; s < kScoreSubTables; ++s) {
            for (int p = 0; p < kScoreEntries; ++p) {
                ASSERT_EQ(Rules.HiScores.Entries[t][s][p].Score, 0);
                ASSERT_STREQ(Rules.HiScores.Entries[t][s][p].Name, "");
            }
        }
    }
}

} // namespace
