// Loading and saving the high-score table and the player name.

#include "store/ScoreStorage.h"

#include "platform/SettingsStore.h"
#include "rules/GameState.h"
#include "rules/HiScores.h"
#include "rules/Options.h"
#include "rules/Rules.h"
#include "store/OptionsStorage.h"
#include "store/Registry.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const std::string kFull = std::string("HKEY_CURRENT_USER\\") + kScoreKey;

class ScoreStorage : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearScores(Rules.HiScores);
        Platform::SetUserSettings(&Store);
        // A copy of the game starts by reading the (here empty) store.
        LoadScores(Rules.HiScores);
    }
    void TearDown() override
    {
        Platform::SetUserSettings(nullptr);
        ClearScores(Rules.HiScores);
    }

    static std::string Name(int t, int s, int p, const char* field)
    {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%d_%d_%d_%s", t, s, p, field);
        return buf;
    }
    void PutText(const std::string& name, const std::string& text)
    {
        Store.Content.SetValue(kFull, name, REG_SZ, text + '\0');
    }
    void PutNumber(const std::string& name, std::int32_t v)
    {
        std::string d(4, '\0');
        for (int i = 0; i < 4; ++i)
            d[i] = static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
        Store.Content.SetValue(kFull, name, REG_DWORD, d);
    }
    // A table with something different in every field.
    void FillTable()
    {
        int n = 0;
        for (auto& slot : Rules.HiScores.Entries)
            for (auto& sub : slot)
                for (THiScoreEntry& e : sub) {
                    ++n;
                    const bool shown = &sub == &slot[0];
                    // Names use every byte from 32 to 255 somewhere.
                    for (int i = 0; i < 59; ++i)
                        e.Name[i] = static_cast<char>(32 + (n * 7 + i) % 224);
                    e.Name[n % 60 == 0 ? 59 : n % 60] = '\0';
                    // Negative scores only where no list is shown (in a shown
                    // list one is dropped at load).
                    e.Score = n % 3 == 0 && !shown ? -n : n * 1000;
                }
        std::strcpy(Rules.HiScores.PlayerName, "Last \"Player\" \\ \xe9");
    }

    Platform::TMemorySettingsStore Store;
    GFourfall::TRules Rules;
};

TEST_F(ScoreStorage, FreshProfileFindsNoKeyCreatesNoneAndEmptyLists)
{
    std::strcpy(Rules.HiScores.PlayerName, "Someone");
    LoadScores(Rules.HiScores);
    EXPECT_STREQ(Rules.HiScores.PlayerName, "Anonymous");
    EXPECT_TRUE(Store.Content.Keys().empty());
    EXPECT_EQ(Store.Saves, 0);
    for (auto& slot : Rules.HiScores.Entries)
        for (auto& sub : slot)
            for (THiScoreEntry& e : sub) {
                EXPECT_EQ(e.Score, 0);
                EXPECT_STREQ(e.Name, "");
            }
}

TEST_F(ScoreStorage, ClearingStoresAnonymousAndEveryEntryEmpty)
{
    FillTable();
    SaveScores(Rules);
    FillTable();
    ClearStoredScores(Rules.HiScores);
    EXPECT_STREQ(Rules.HiScores.PlayerName, "Anonymous");
    EXPECT_EQ(Rules.HiScores.Entries[0][0][0].Score, 0);
    const Platform::TSettingsKey* key = Store.Content.FindKey(kFull);
    ASSERT_NE(key, nullptr);
    ASSERT_EQ(key->Values.size(), 1u + 2u * 576u);
    EXPECT_EQ(key->Values[0].Name, "LastUserName");
    EXPECT_EQ(key->Values[0].Data, std::string("Anonymous\0", 10));
    // Type slot, then sub-table, then position, name before score.
    EXPECT_EQ(key->Values[1].Name, "0_0_0_Name");
    EXPECT_EQ(key->Values[2].Name, "0_0_0_Score");
    EXPECT_EQ(key->Values[3].Name, "0_0_1_Name");
    EXPECT_EQ(key->Values[19].Name, "0_1_0_Name");
    EXPECT_EQ(key->Values[1152].Name, "15_3_8_Score");
    for (std::size_t i = 1; i < key->Values.size(); i += 2) {
        EXPECT_EQ(key->Values[i].Kind, REG_SZ);
        EXPECT_EQ(key->Values[i].Data, std::string(1, '\0')) << key->Values[i].Name;
        EXPECT_EQ(key->Values[i + 1].Kind, REG_DWORD);
        EXPECT_EQ(key->Values[i + 1].Data, std::string(4, '\0')) << key->Values[i + 1].Name;
    }
}

TEST_F(ScoreStorage, WholeTableSurvivesSaveAndLoadThroughTheFileText)
{
    FillTable();
    THiScoreTable before = Rules.HiScores;
    SaveScores(Rules);
    Store.Content = Platform::TSettingsFile::Parse(Store.Content.Format());
    EXPECT_FALSE(Store.Content.Damaged());
    ClearScores(Rules.HiScores);
    std::strcpy(Rules.HiScores.PlayerName, "Other");
    LoadScores(Rules.HiScores);
    EXPECT_STREQ(Rules.HiScores.PlayerName, before.PlayerName);
    for (int t = 0; t < kScoreTypeSlots; ++t)
        for (int s = 0; s < kScoreSubTables; ++s)
            for (int p = 0; p < kScoreEntries; ++p) {
                const THiScoreEntry& a = before.Entries[t][s][p];
                const THiScoreEntry& b = Rules.HiScores.Entries[t][s][p];
                ASSERT_STREQ(a.Name, b.Name) << t << "_" << s << "_" << p;
                ASSERT_EQ(a.Score, b.Score) << t << "_" << s << "_" << p;
            }
}

TEST_F(ScoreStorage, UnusableValuesLeaveTheirFieldsAsTheyWere)
{
    // In a list that is never shown, so that no entry is dropped.
    std::strcpy(Rules.HiScores.Entries[0][1][0].Name, "old0");
    Rules.HiScores.Entries[0][1][1].Score = 77;
    std::strcpy(Rules.HiScores.Entries[0][1][2].Name, "old2");
    Rules.HiScores.Entries[3][2][1].Score = 55;
    PutText("LastUserName", std::string(60, 'L'));        // 61 bytes with its zero: too long
    PutText(Name(0, 1, 0, "Name"), std::string(60, 'x')); // too long
    PutText(Name(0, 1, 1, "Score"), "123");               // text, not a number
    PutNumber(Name(0, 1, 2, "Name"), 5);                  // number, not text
    PutText(Name(0, 1, 3, "Name"), std::string(59, 'y')); // just fits
    PutNumber(Name(0, 1, 3, "Score"), 900);
    PutNumber("16_0_0_Score", 1); // beyond the table: ignored
    LoadScores(Rules.HiScores);
    EXPECT_STREQ(Rules.HiScores.PlayerName, "Anonymous");
    EXPECT_STREQ(Rules.HiScores.Entries[0][1][0].Name, "old0");
    EXPECT_EQ(Rules.HiScores.Entries[0][1][1].Score, 77);
    EXPECT_STREQ(Rules.HiScores.Entries[0][1][2].Name, "old2");
    EXPECT_EQ(std::string(Rules.HiScores.Entries[0][1][3].Name), std::string(59, 'y'));
    EXPECT_EQ(Rules.HiScores.Entries[0][1][3].Score, 900);
    EXPECT_EQ(Rules.HiScores.Entries[3][2][1].Score, 55) << "missing value";
}

// A hand-edited or damaged file: each entry of a list is read on its own;
// one with a score below 1, or a name and no score, is dropped and the
// others stay, in their order.
TEST_F(ScoreStorage, DamagedEntriesAreDroppedAndTheRestStay)
{
    PutText(Name(0, 0, 0, "Name"), "Minus");
    PutNumber(Name(0, 0, 0, "Score"), -5);
    PutText(Name(0, 0, 1, "Name"), "Max");
    PutNumber(Name(0, 0, 1, "Score"), 2147483647);
    PutText(Name(0, 0, 2, "Name"), "NoScore");
    PutText(Name(0, 0, 3, "Name"), "Kept");
    PutNumber(Name(0, 0, 3, "Score"), 300);
    PutText(Name(0, 0, 4, "Name"), "Low");
    PutNumber(Name(0, 0, 4, "Score"), INT32_MIN);
    PutText(Name(0, 0, 5, "Name"), "TextScore");
    PutText(Name(0, 0, 5, "Score"), "400");
    PutNumber(Name(0, 0, 8, "Score"), 10); // a score and no name: kept, nameless
    // Another list, whole: untouched.
    PutText(Name(4, 0, 0, "Name"), "Other");
    PutNumber(Name(4, 0, 0, "Score"), 9);
    LoadScores(Rules.HiScores);
    const THiScoreEntry* list = Rules.HiScores.Entries[0][0];
    EXPECT_STREQ(list[0].Name, "Max");
    EXPECT_EQ(list[0].Score, 2147483647);
    EXPECT_STREQ(list[1].Name, "Kept");
    EXPECT_EQ(list[1].Score, 300);
    EXPECT_STREQ(list[2].Name, "");
    EXPECT_EQ(list[2].Score, 10);
    for (int p = 3; p < kScoreEntries; ++p) {
        EXPECT_EQ(list[p].Score, 0) << p;
        EXPECT_STREQ(list[p].Name, "") << p;
    }
    EXPECT_STREQ(Rules.HiScores.Entries[4][0][0].Name, "Other");
    EXPECT_EQ(Rules.HiScores.Entries[4][0][0].Score, 9);
    // A new result goes among the good ones, and the save writes no
    // damaged entry back.
    Rules.GameState.GameNum = 0;
    Rules.GameState.Score = 350;
    InsertScore(Rules);
    EXPECT_EQ(Rules.GameState.HiScorePos, 1);
    SaveScores(Rules);
    EXPECT_EQ(Rules.HiScores.Entries[0][0][1].Score, 350);
    EXPECT_EQ(Rules.HiScores.Entries[0][0][2].Score, 300);
    const Platform::TSettingsKey* key = Store.Content.FindKey(kFull);
    ASSERT_NE(key, nullptr);
    for (const auto& v : key->Values)
        if (v.Name.rfind("0_0_", 0) == 0 && v.Name.find("_Score") != std::string::npos) {
            ASSERT_EQ(v.Data.size(), 4u) << v.Name;
            EXPECT_EQ(static_cast<uint8_t>(v.Data[3]) & 0x80, 0) << v.Name << " is below 0";
        }
}

TEST_F(ScoreStorage, SavingKeepsOtherValuesAndNeverReadsPastAField)
{
    PutText("Comment", "kept");
    // A name field with no terminator in it.
    std::memset(Rules.HiScores.Entries[1][0][0].Name, 'z', kScoreNameSize);
    Rules.HiScores.Entries[1][0][0].Score = 10;
    SaveScores(Rules);
    EXPECT_NE(Store.Content.FindValue(kFull, "Comment"), nullptr);
    const Platform::TSettingsValue* v = Store.Content.FindValue(kFull, "1_0_0_Name");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->Data, std::string(60, 'z') + '\0');
}

TEST_F(ScoreStorage, FailingStoreLeavesTheTableAlone)
{
    Rules.HiScores.Entries[0][0][0].Score = 300;
    Store.FailReads = true;
    LoadScores(Rules.HiScores);
    EXPECT_EQ(Rules.HiScores.Entries[0][0][0].Score, 300);
    SaveScores(Rules);
    Store.FailReads = false;
    Store.FailChanges = true;
    SaveScores(Rules);
    EXPECT_TRUE(Store.Content.Keys().empty());
}

// Another copy of the game, running beside this one on the same store: what
// it saves goes straight into the stored values.
struct TEntry {
    std::string Name;
    std::int32_t Score;
};
using TList = std::vector<TEntry>;

class ScoreMerge : public ScoreStorage {
protected:
    void PutList(int type, const TList& list)
    {
        for (int p = 0; p < kScoreEntries; ++p) {
            const bool used = p < static_cast<int>(list.size());
            PutText(Name(type, 0, p, "Name"), used ? list[p].Name : "");
            PutNumber(Name(type, 0, p, "Score"), used ? list[p].Score : 0);
        }
    }
    TList StoredList(int type)
    {
        TList list;
        for (int p = 0; p < kScoreEntries; ++p) {
            const Platform::TSettingsValue* n = Store.Content.FindValue(kFull, Name(type, 0, p, "Name"));
            const Platform::TSettingsValue* v = Store.Content.FindValue(kFull, Name(type, 0, p, "Score"));
            if (n == nullptr || v == nullptr || v->Data == std::string(4, '\0'))
                break;
            std::int32_t score = 0;
            std::memcpy(&score, v->Data.data(), 4);
            list.push_back({n->Data.c_str(), score});
        }
        return list;
    }
    TList MemoryList(int type)
    {
        TList list;
        for (const THiScoreEntry& e : Rules.HiScores.Entries[type][0])
            if (e.Score != 0)
                list.push_back({e.Name, e.Score});
        return list;
    }
    // This copy's game of a type ends with score; an entry is named "Me".
    void EndGame(int type, std::int32_t score)
    {
        Rules.GameState.GameNum = type;
        Rules.GameState.Score = score;
        Rules.GameState.HiScorePos = -1;
        InsertScore(Rules);
        if (Rules.GameState.HiScorePos >= 0)
            std::strcpy(Rules.HiScores.Entries[type][0][Rules.GameState.HiScorePos].Name, "Me");
    }
};

std::string Text(const TList& list)
{
    std::string s;
    for (const TEntry& e : list)
        s += e.Name + ":" + std::to_string(e.Score) + " ";
    return s;
}

TList Nine(std::int32_t top)
{
    TList list;
    for (int p = 0; p < kScoreEntries; ++p)
        list.push_back({"X" + std::to_string(p), top - 100 * p});
    return list;
}

struct TMergeCase {
    const char* Name;
    TList AtStart;      // list 0 as stored when this copy started
    bool OtherSaves;    // another copy saves list 0 before this one does
    TList OtherList;    // what the other copy saved
    std::int32_t Score; // this copy's result
    TList Expected;     // list 0 stored after this copy's save, and in memory
    std::int32_t Position;
};
void PrintTo(const TMergeCase& c, std::ostream* os)
{
    *os << c.Name;
}

class ScoreMergeCases : public ScoreMerge, public ::testing::WithParamInterface<TMergeCase> {};

TEST_P(ScoreMergeCases, NewEntryTakesItsPlaceAmongWhatIsStoredNow)
{
    const TMergeCase& c = GetParam();
    PutList(0, c.AtStart);
    LoadScores(Rules.HiScores);
    EndGame(0, c.Score);
    if (c.OtherSaves)
        PutList(0, c.OtherList);
    SaveScores(Rules);
    EXPECT_EQ(Text(StoredList(0)), Text(c.Expected));
    EXPECT_EQ(Text(MemoryList(0)), Text(c.Expected));
    EXPECT_EQ(Rules.GameState.HiScorePos, c.Position) << "the open entry is followed";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScoreMergeCases,
    ::testing::Values(
        TMergeCase{"AloneTheListIsWrittenAsThisCopyHasIt",
                   {{"A", 500}, {"B", 300}},
                   false,
                   {},
                   400,
                   {{"A", 500}, {"Me", 400}, {"B", 300}},
                   1},
        TMergeCase{"AnotherCopysEntryStays", {}, true, {{"Bob", 300}}, 400, {{"Me", 400}, {"Bob", 300}}, 0},
        TMergeCase{
            "AnEqualStoredScoreStaysAbove", {}, true, {{"Bob", 400}}, 400, {{"Bob", 400}, {"Me", 400}}, 1},
        TMergeCase{"EntriesOfBothCopiesAboveAndBelow",
                   {{"A", 500}},
                   true,
                   {{"Bob", 700}, {"A", 500}, {"Cy", 100}},
                   400,
                   {{"Bob", 700}, {"A", 500}, {"Me", 400}, {"Cy", 100}},
                   2},
        TMergeCase{
            "AClearByAnotherCopyStaysCleared", {{"A", 500}, {"B", 300}}, true, {}, 400, {{"Me", 400}}, 0},
        TMergeCase{"BelowNineStoredResultsItDropsOut", {}, true, Nine(900), 50, Nine(900), -1},
        TMergeCase{"AboveTheNinthItPushesItOut",
                   {},
                   true,
                   Nine(900),
                   150,
                   {{"X0", 900},
                    {"X1", 800},
                    {"X2", 700},
                    {"X3", 600},
                    {"X4", 500},
                    {"X5", 400},
                    {"X6", 300},
                    {"X7", 200},
                    {"Me", 150}},
                   8}),
    [](const ::testing::TestParamInfo<TMergeCase>& info) { return std::string(info.param.Name); });

// The entry is saved at its game's end and renamed when the player confirms
// the name: when another copy saved the same list in between, the rename
// replaces the entry, it does not add a second one.
TEST_F(ScoreMerge, ARenameAfterAnotherCopySavedReplacesTheEntry)
{
    PutList(0, {{"Old", 500}});
    LoadScores(Rules.HiScores);
    EndGame(0, 300); // "Me", 300
    SaveScores(Rules);
    ASSERT_EQ(Text(StoredList(0)), Text({{"Old", 500}, {"Me", 300}}));
    PutList(0, {{"Old", 500}, {"Me", 300}, {"Other", 100}}); // another copy's result
    std::strcpy(Rules.HiScores.Entries[0][0][Rules.GameState.HiScorePos].Name, "Pat");
    SaveScores(Rules);
    EXPECT_EQ(Text(StoredList(0)), Text({{"Old", 500}, {"Pat", 300}, {"Other", 100}}));
    EXPECT_EQ(Rules.GameState.HiScorePos, 1);
}

TEST_F(ScoreMerge, TwoEqualResultsOfThisCopyAreTwoEntries)
{
    PutList(0, {{"Me", 400}});
    LoadScores(Rules.HiScores);
    EndGame(0, 400);
    PutList(0, {{"Me", 400}, {"Bob", 50}});
    SaveScores(Rules);
    EXPECT_EQ(Text(StoredList(0)), "Me:400 Me:400 Bob:50 ");
}

TEST_F(ScoreMerge, ListsOnlyAnotherCopyChangedStayAsStored)
{
    EndGame(0, 400);
    PutList(1, {{"Bob", 900}});
    PutList(4, {{"Cy", 20}});
    SaveScores(Rules);
    EXPECT_EQ(Text(StoredList(0)), "Me:400 ");
    EXPECT_EQ(Text(StoredList(1)), "Bob:900 ");
    EXPECT_EQ(Text(StoredList(4)), "Cy:20 ");
    EXPECT_EQ(Text(MemoryList(1)), "Bob:900 ") << "this copy now shows it too";
}

TEST_F(ScoreMerge, ClearEmptiesEntriesThisCopyNeverRead)
{
    PutList(0, {{"A", 500}});
    LoadScores(Rules.HiScores);
    PutList(0, {{"Bob", 700}, {"A", 500}});
    PutList(8, {{"Cy", 70}});
    ClearStoredScores(Rules.HiScores);
    EXPECT_TRUE(StoredList(0).empty());
    EXPECT_TRUE(StoredList(8).empty());
    // A later result of this copy brings none of them back.
    EndGame(0, 10);
    SaveScores(Rules);
    EXPECT_EQ(Text(StoredList(0)), "Me:10 ");
}

TEST_F(ScoreMerge, AFailedSaveKeepsTheEntryForTheNextOne)
{
    EndGame(0, 400);
    Store.FailChanges = true;
    SaveScores(Rules);
    EXPECT_EQ(Text(MemoryList(0)), "Me:400 ");
    Store.FailChanges = false;
    PutList(0, {{"Bob", 300}});
    SaveScores(Rules);
    EXPECT_EQ(Text(StoredList(0)), "Me:400 Bob:300 ");
}

TEST(ScoreStorageFile, TwoRunningGamesSavingAtOnceLeaveAWholeFile)
{
    const TestSupport::ConfigHome config;
    const std::string& top = config.Path();
    GFourfall::TRules Rules;
    pid_t children[2];
    for (int w = 0; w < 2; ++w) {
        children[w] = ::fork();
        ASSERT_GE(children[w], 0);
        if (children[w] == 0) {
            // One game saves its options over and over, the other its scores.
            for (int i = 1; i <= 30; ++i) {
                if (w == 0) {
                    Rules.Options.NumBlocks = i;
                    SaveOptions(Rules);
                } else {
                    Rules.HiScores.Entries[0][0][0].Score = i;
                    SaveScores(Rules);
                }
            }
            ::_exit(0);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    }
    std::ifstream in(top + "/tumbletown/settings.reg", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    Platform::TSettingsFile file = Platform::TSettingsFile::Parse(text.str());
    EXPECT_FALSE(file.Damaged());
    const Platform::TSettingsKey* options = file.FindKey(std::string("HKEY_CURRENT_USER\\") + kOptionsKey);
    const Platform::TSettingsKey* scores = file.FindKey(kFull);
    ASSERT_NE(options, nullptr);
    ASSERT_NE(scores, nullptr);
    EXPECT_EQ(options->Values.size(), 14u); // every value SaveOptions writes
    EXPECT_EQ(scores->Values.size(), 1153u);
    const Platform::TSettingsValue* last =
        file.FindValue(std::string("HKEY_CURRENT_USER\\") + kOptionsKey, "NumBlocks");
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->Data, std::string("\x1e\0\0\0", 4)) << "the last options save is there";
    const Platform::TSettingsValue* best = file.FindValue(kFull, "0_0_0_Score");
    ASSERT_NE(best, nullptr);
    EXPECT_EQ(best->Data, std::string("\x1e\0\0\0", 4)) << "the last scores save is there";
}

} // namespace
