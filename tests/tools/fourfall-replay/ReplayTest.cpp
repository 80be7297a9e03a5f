// The replay driver: its commands, its output line and its errors.
#include "tools/fourfall-replay/Replay.h"

#include "rules/GameState.h"

#include <gtest/gtest.h>

#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace GFourfall {
namespace {

struct TRun {
    int status;
    std::string out;
    std::string err;
};

TRun Replay(const std::string& commands)
{
    std::istringstream in(commands);
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunReplay(in, out, err);
    return TRun{status, out.str(), err.str()};
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The value after "key": in a print line, up to the next ',' or '}'.
std::string Field(const std::string& line, const std::string& key)
{
    const std::string tag = "\"" + key + "\":";
    const std::size_t at = line.find(tag);
    if (at == std::string::npos) {
        return "<missing>";
    }
    const std::size_t from = at + tag.size();
    return line.substr(from, line.find_first_of(",}", from) - from);
}

// The tool plays in rules of its own: nothing to reset between tests.
class ReplayTest : public ::testing::Test {};

struct BadCase {
    const char* input;
    const char* token; // the error line must name it
};
std::ostream& operator<<(std::ostream& os, const BadCase& c)
{
    return os << '"' << c.input << '"';
}
class BadInputTable : public ReplayTest, public ::testing::WithParamInterface<BadCase> {};

TEST_P(BadInputTable, StopsWithStatusTwoNamingTheToken)
{
    const BadCase& c = GetParam();
    const TRun run = Replay(c.input);
    EXPECT_EQ(run.status, kReplayBadInput);
    EXPECT_NE(run.err.find(std::string("\"") + c.token + "\""), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line";
}

INSTANTIATE_TEST_SUITE_P(
    Replay, BadInputTable,
    ::testing::Values(BadCase{"jump", "jump"}, BadCase{"tick", "tick"}, BadCase{"seed 1 tick jump", "jump"},
                      BadCase{"seed -1", "-1"}, BadCase{"seed 4294967296", "4294967296"},
                      BadCase{"seed 0x10", "0x10"}, BadCase{"seed", "seed"}, BadCase{"seed 1 seed 2", "seed"},
                      BadCase{"seed 1 size 13", "size"}, BadCase{"seed 1 size 13 3.5", "3.5"},
                      BadCase{"seed 1 size 1e3 5", "1e3"}, BadCase{"seed 1 select 2147483648", "2147483648"},
                      BadCase{"seed 1 select", "select"}, BadCase{"seed 1 option Speed 3", "Speed"},
                      BadCase{"seed 1 option startlevel 3", "startlevel"},
                      BadCase{"seed 1 option StartLevel x", "x"},
                      BadCase{"seed 1 option StartLevel", "option"}, BadCase{"seed 1 PRINT", "PRINT"},
                      BadCase{"seed 1 -", "-"}, BadCase{"seed 1 at", "at"}, BadCase{"seed 1 at -1", "-1"},
                      BadCase{"seed 1 at 5 tick at 4 tick", "4"}, BadCase{"# a note\nat 0", "at"},
                      BadCase{"seed 1 at 1x", "1x"}));

// Recorded games carry comments and times: neither changes the game.
TEST_F(ReplayTest, CommentsAndTimesChangeNothing)
{
    const TRun plain = Replay("seed 9 size 10 20 select 8 start tick left drop tick rotate drop print");
    const TRun timed = Replay("# Tumbletown replay 1\n# name Pat Q. 1234\nseed 9 size 10 20 select 8 start\n"
                              "at 0 tick\nat 10 left # a note after an operation\nat 10 drop\nat 900 tick\n"
                              "at 4294967295 rotate\nat 4294967295 drop\nprint\n# the end");
    ASSERT_EQ(plain.status, kReplayOk);
    EXPECT_EQ(timed.status, kReplayOk) << timed.err;
    EXPECT_EQ(timed.out, plain.out);
}

TEST_F(ReplayTest, EmptyInputAndSeedAloneEndQuietly)
{
    for (const char* input : {"", "  \n\t", "seed 4294967295", "seed 0\n"}) {
        const TRun run = Replay(input);
        EXPECT_EQ(run.status, kReplayOk) << input;
        EXPECT_EQ(run.out, "") << input;
        EXPECT_EQ(run.err, "") << input;
    }
}

TEST_F(ReplayTest, PrintsTheWholeStateOnOneLine)
{
    const TRun run = Replay("seed 7 size 4 3 print");
    ASSERT_EQ(run.status, kReplayOk);
    const std::string empty = "{\"name\":\"\",\"score\":0}";
    std::string table;
    for (int i = 0; i < 9; ++i) {
        table += (i ? "," : "") + empty;
    }
    EXPECT_EQ(run.out,
              "{\"status\":0,\"score\":0,\"level\":0,\"linesLeft\":0,\"fallPeriod\":0,\"difficulty\":0,"
              "\"gameNum\":0,\"hiScorePos\":-1,\"flags\":{\"changed\":1,\"newHiScore\":0,\"rotate\":0,"
              "\"hitBottom\":0,\"drop\":0,\"remove\":0,\"newLevel\":0,\"gameOver\":0,\"clap\":0},"
              "\"board\":[\"....\",\"....\",\"....\"],\"cur\":{\"x\":1,\"y\":1,\"w\":0,\"h\":0,\"cells\":[]},"
              "\"next\":{\"x\":1,\"y\":1,\"w\":0,\"h\":0,\"cells\":[]},\"table\":[" +
                  table + "]}\n");
}

TEST_F(ReplayTest, PrintShowsTheFigures)
{
    const TRun run = Replay("seed 1 size 13 31 select 0 start print");
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 1u);
    const std::string& line = lines[0];
    EXPECT_EQ(Field(line, "status"), "1");
    EXPECT_EQ(Field(line, "level"), "1");
    EXPECT_EQ(Field(line, "fallPeriod"), "1000");
    EXPECT_EQ(Field(line, "linesLeft"), "30");
    // The falling figure is on the board's first rows, where cur says.
    const std::size_t cur = line.find("\"cur\":");
    const int x = std::stoi(Field(line.substr(cur), "x"));
    const int w = std::stoi(Field(line.substr(cur), "w"));
    const std::size_t cells = line.find("\"cells\":[\"", cur) + 10;
    const std::string firstRow = line.substr(cells, static_cast<std::size_t>(w));
    const std::size_t board = line.find("\"board\":[\"") + 10;
    EXPECT_EQ(line.substr(board + x - 1, static_cast<std::size_t>(w)), firstRow);
}

TEST_F(ReplayTest, PrintClearsTheRequestFlags)
{
    const std::vector<std::string> lines =
        Lines(Replay("seed 3 size 13 31 select 0 start drop print print").out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(Field(lines[0], "changed"), "1");
    EXPECT_EQ(Field(lines[0], "drop"), "1");
    EXPECT_EQ(Field(lines[1], "changed"), "0");
    EXPECT_EQ(Field(lines[1], "drop"), "0");
}

TEST_F(ReplayTest, PlayerOperationsActOnlyWhilePlaying)
{
    const std::vector<std::string> lines = Lines(Replay("seed 3 size 13 31 select 0 drop down print").out);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Field(lines[0], "score"), "0");
    EXPECT_EQ(Field(lines[0], "drop"), "0");
}

TEST_F(ReplayTest, OptionsReachTheNextGame)
{
    const std::string line =
        Replay("seed 3 option StartLevel 5 option Difficulty 2 size 13 31 select 8 start print").out;
    EXPECT_EQ(Field(line, "level"), "5");
    EXPECT_EQ(Field(line, "fallPeriod"), "333");
    EXPECT_EQ(Field(line, "difficulty"), "2");
    EXPECT_EQ(Field(line, "gameNum"), "8");
}

TEST_F(ReplayTest, OutOfRangeValuesAreGuarded)
{
    const std::string line =
        Replay("seed 3 option StartLevel -7 option Difficulty -4 size 99 -1 select 12 start "
               "print")
            .out;
    EXPECT_EQ(Field(line, "level"), "0");
    EXPECT_EQ(Field(line, "fallPeriod"), "2000");
    EXPECT_EQ(Field(line, "difficulty"), "0");
    EXPECT_EQ(Field(line, "gameNum"), "0");
    EXPECT_EQ(Lines(Replay("seed 3 option StartLevel 2147483647 size 13 31 select 0 start print").out).size(),
              1u);
    EXPECT_EQ(Field(Replay("seed 3 option StartLevel 2147483647 size 13 31 select 0 start print").out,
                    "fallPeriod"),
              "1");
}

TEST_F(ReplayTest, SameCommandsReplayTheSameGame)
{
    std::string commands = "seed 99 size 13 31 select 6 start";
    const char* moves[] = {"tick", "left", "rotate", "drop", "tick", "right", "down", "tick"};
    for (int i = 0; i < 3000; ++i) {
        commands += ' ';
        commands += moves[(i * 7 + i / 5) % 8];
        if (i % 25 == 0) {
            commands += " print";
        }
    }
    const TRun a = Replay(commands);
    const TRun b = Replay(commands);
    EXPECT_EQ(a.status, kReplayOk);
    EXPECT_EQ(a.out, b.out);
    const TRun other = Replay("seed 100" + commands.substr(7));
    EXPECT_NE(a.out, other.out);
}

TEST_F(ReplayTest, AGameOverShowsTheNewEntryInTheTable)
{
    std::string commands = "seed 5 size 13 31 select 1 start";
    for (int i = 0; i < 200; ++i) {
        commands += " drop tick";
    }
    commands += " print";
    const std::vector<std::string> lines = Lines(Replay(commands).out);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Field(lines[0], "status"), "2");
    EXPECT_EQ(Field(lines[0], "gameOver"), "1");
    EXPECT_EQ(Field(lines[0], "hiScorePos"), "0");
    EXPECT_EQ(Field(lines[0], "newHiScore"), "1");
    EXPECT_EQ(Field(lines[0], "clap"), "1");
    const std::size_t table = lines[0].find("\"table\":[");
    EXPECT_EQ(lines[0].find("\"table\":[{\"name\":\"Anonymous\",\"score\":"), table);
    EXPECT_EQ(Field(lines[0].substr(table), "score"), Field(lines[0], "score"));
}

} // namespace
} // namespace GFourfall
