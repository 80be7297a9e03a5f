// The replay folder: where it is, keeping a replay for its entry, following
// the table as entries leave it, Clear, and files that are damaged or not ours.
#include "store/ReplayFolder.h"

#include "rules/HiScores.h"
#include "rules/Rules.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using GFourfall::TReplay;
using GFourfall::TReplayOp;

class ReplayFolderTest : public ::testing::Test {
protected:
    void SetUp() override { SetReplayFolder(Folder.File("replays")); }
    void TearDown() override { SetReplayFolder(std::nullopt); }

    void Enter(int32_t game, int32_t pos, const char* name, int32_t score)
    {
        THiScoreEntry& e = Rules.HiScores.Entries[game][0][pos];
        std::strncpy(e.Name, name, kScoreNameSize - 1);
        e.Score = score;
    }
    static TReplay Claim(int32_t game, const char* name, int32_t score, uint32_t seed = 1)
    {
        TReplay r;
        r.Version = "1";
        r.Seed = seed;
        r.Columns = 10;
        r.Rows = 20;
        r.GameNum = game;
        r.StartLevel = 1;
        r.Difficulty = 1;
        r.Steps = {{0, TReplayOp::Left}, {500, TReplayOp::Drop}};
        r.HasClaim = true;
        r.Name = name;
        r.Score = score;
        return r;
    }
    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        if (std::filesystem::exists(Folder.File("replays")))
            for (const auto& e : std::filesystem::directory_iterator(Folder.File("replays")))
                names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TestSupport::TempFolder Folder{"replays"};
    GFourfall::TRules Rules;
};

TEST(ReplayFolderPlace, FollowsXdgDataHome)
{
    const char* oldData = std::getenv("XDG_DATA_HOME");
    const char* oldHome = std::getenv("HOME");
    const std::string keptData = oldData ? oldData : "";
    const std::string keptHome = oldHome ? oldHome : "";
    SetReplayFolder(std::nullopt);
    ::setenv("HOME", "/home/pat", 1);
    ::setenv("XDG_DATA_HOME", "/data", 1);
    EXPECT_EQ(ReplayFolder(), "/data/tumbletown/replays");
    ::setenv("XDG_DATA_HOME", "relative", 1);
    EXPECT_EQ(ReplayFolder(), "/home/pat/.local/share/tumbletown/replays");
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(ReplayFolder(), "/home/pat/.local/share/tumbletown/replays");
    ::unsetenv("HOME");
    EXPECT_EQ(ReplayFolder(), "");
    SetReplayFolder(std::string());
    EXPECT_EQ(ReplayFolder(), "") << "switched off";
    SetReplayFolder(std::nullopt);
    oldData ? ::setenv("XDG_DATA_HOME", keptData.c_str(), 1) : ::unsetenv("XDG_DATA_HOME");
    oldHome ? ::setenv("HOME", keptHome.c_str(), 1) : ::unsetenv("HOME");
}

TEST_F(ReplayFolderTest, AnEntryFindsItsReplayAndOnlyItsOwn)
{
    Enter(0, 0, "Pat", 900);
    Enter(0, 1, "Kim", 500);
    Enter(8, 0, "Pat", 900);
    ASSERT_TRUE(SaveEntryReplay(Rules.HiScores, Claim(0, "Pat", 900, 11)));
    ASSERT_TRUE(SaveEntryReplay(Rules.HiScores, Claim(0, "Kim", 500, 22)));
    EXPECT_EQ(Files().size(), 2u);
    TReplay found;
    ASSERT_TRUE(FindEntryReplay(Rules.HiScores, 0, 0, found));
    EXPECT_EQ(found.Seed, 11u);
    ASSERT_TRUE(FindEntryReplay(Rules.HiScores, 0, 1, found));
    EXPECT_EQ(found.Seed, 22u);
    EXPECT_FALSE(FindEntryReplay(Rules.HiScores, 8, 0, found)) << "same name and score, another game type";
    EXPECT_FALSE(FindEntryReplay(Rules.HiScores, 0, 2, found)) << "empty entry";
    EXPECT_FALSE(FindEntryReplay(Rules.HiScores, 0, -1, found));
    EXPECT_FALSE(FindEntryReplay(Rules.HiScores, 16, 0, found));
    EXPECT_EQ(ReplayMarks(Rules.HiScores, 0), 3u);
    EXPECT_EQ(ReplayMarks(Rules.HiScores, 8), 0u);
}

TEST_F(ReplayFolderTest, TwinEntriesKeepOneReplayEach)
{
    Enter(0, 0, "Pat", 700);
    Enter(0, 1, "Pat", 700);
    ASSERT_TRUE(SaveEntryReplay(Rules.HiScores, Claim(0, "Pat", 700, 1)));
    ASSERT_TRUE(SaveEntryReplay(Rules.HiScores, Claim(0, "Pat", 700, 2)));
    ASSERT_TRUE(SaveEntryReplay(Rules.HiScores, Claim(0, "Pat", 700, 3)))
        << "a third is written, then tidied away";
    EXPECT_EQ(Files().size(), 2u);
    TReplay first;
    TReplay second;
    ASSERT_TRUE(FindEntryReplay(Rules.HiScores, 0, 0, first));
    ASSERT_TRUE(FindEntryReplay(Rules.HiScores, 0, 1, second));
    EXPECT_NE(first.Seed, second.Seed);
}

TEST_F(ReplayFolderTest, TheFolderFollowsTheTable)
{
    Enter(0, 0, "Pat", 900);
    Enter(0, 1, "Kim", 500);
    ASSERT_TRUE(SaveEntryReplay(Rules.HiScores, Claim(0, "Pat", 900)));
    ASSERT_TRUE(SaveEntryReplay(Rules.HiScores, Claim(0, "Kim", 500)));
    // Kim's entry drops out of the table, another with the same score comes.
    Enter(0, 1, "Lou", 500);
    TidyReplays(Rules.HiScores);
    ASSERT_EQ(Files().size(), 1u);
    EXPECT_EQ(Files()[0].compare(0, 6, "0-900-"), 0);
    TReplay found;
    EXPECT_FALSE(FindEntryReplay(Rules.HiScores, 0, 1, found));
    // A replay for no entry at all is not kept.
    EXPECT_TRUE(SaveEntryReplay(Rules.HiScores, Claim(1, "Pat", 300)));
    EXPECT_EQ(Files().size(), 1u);
    // Clear leaves none.
    ClearScores(Rules.HiScores);
    ClearReplays();
    EXPECT_TRUE(Files().empty());
}

TEST_F(ReplayFolderTest, DamagedFilesAreNoReplayAndOthersAreLeftAlone)
{
    Enter(0, 0, "Pat", 900);
    ASSERT_TRUE(SaveEntryReplay(Rules.HiScores, Claim(0, "Pat", 900)));
    const std::string name = Files().at(0);
    Folder.WriteFile("replays/notes.txt", "mine");
    Folder.WriteFile("replays/0-900-0123456789abcdef.replay.tmp.AbCdEf", "left by a killed save");
    // One byte changed: the claim no longer holds, or the text no longer parses.
    std::string text;
    {
        std::ifstream in(Folder.File("replays/" + name), std::ios::binary);
        text.assign(std::istreambuf_iterator<char>(in), {});
    }
    for (std::size_t at : {std::size_t(0), text.find("Pat"), text.find("900"), text.size() - 2}) {
        std::string damaged = text;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x21);
        Folder.WriteFile("replays/" + name, damaged);
        TReplay found;
        EXPECT_FALSE(FindEntryReplay(Rules.HiScores, 0, 0, found)) << "byte " << at;
    }
    Folder.WriteFile("replays/" + name, "");
    TReplay found;
    EXPECT_FALSE(FindEntryReplay(Rules.HiScores, 0, 0, found));
    std::filesystem::remove(Folder.File("replays/" + name));
    EXPECT_FALSE(FindEntryReplay(Rules.HiScores, 0, 0, found)) << "missing";
    TidyReplays(Rules.HiScores);
    EXPECT_EQ(Files(), std::vector<std::string>{"notes.txt"});
    ClearReplays();
    EXPECT_EQ(Files(), std::vector<std::string>{"notes.txt"});
}

TEST_F(ReplayFolderTest, NothingIsKeptWithoutAFolderOrAClaim)
{
    Enter(0, 0, "Pat", 900);
    TReplay unclaimed = Claim(0, "Pat", 900);
    unclaimed.HasClaim = false;
    EXPECT_FALSE(SaveEntryReplay(Rules.HiScores, unclaimed));
    SetReplayFolder(std::string());
    EXPECT_FALSE(SaveEntryReplay(Rules.HiScores, Claim(0, "Pat", 900)));
    // A plain file where the folder should be.
    Folder.WriteFile("file", "x");
    SetReplayFolder(Folder.File("file/replays"));
    EXPECT_FALSE(SaveEntryReplay(Rules.HiScores, Claim(0, "Pat", 900)));
    TReplay found;
    EXPECT_FALSE(FindEntryReplay(Rules.HiScores, 0, 0, found));
}

TEST_F(ReplayFolderTest, LoadingAFileByNameSaysWhy)
{
    TReplay r;
    std::string why;
    EXPECT_FALSE(LoadReplayFile(Folder.File("absent.replay"), r, why));
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(LoadReplayFile(Folder.Path(), r, why)) << "a folder";
    Folder.WriteFile("bad.replay", "seed 1\n");
    EXPECT_FALSE(LoadReplayFile(Folder.File("bad.replay"), r, why));
    Folder.WriteFile("good.replay", GFourfall::ReplayText(Claim(8, "Pat", 5, 99)));
    ASSERT_TRUE(LoadReplayFile(Folder.File("good.replay"), r, why)) << why;
    EXPECT_EQ(r.Seed, 99u);
    EXPECT_EQ(r.GameNum, 8);
}

} // namespace
