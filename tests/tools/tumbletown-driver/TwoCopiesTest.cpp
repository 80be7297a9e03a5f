// Two or three copies of the game open at once on one settings file, each a
// tumbletown-driver process of its own, entering results in turn: no copy may
// lose what another one saved.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <poll.h>
#include <random>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "platform/SettingsFile.h"
#include "tests/platform/TempFolder.h"
#include "tests/screens/Fixtures.h"

extern char** environ;

namespace {

constexpr int kEntries = 9;
constexpr int kReplyWaitMs = 60000;
const std::string kScoreKey = "HKEY_CURRENT_USER\\Software\\Kestrovan\\Grand Fourfall\\Score";

// Button centres, in window pixels.
const char* const kMenuPlay = "click 402 159\n";
const char* const kMenuScores = "click 402 300\n";
const char* const kGameButtons[2] = {"click 402 213\n", "click 402 280\n"};
const char* const kScoresBack = "click 691 509\n";
const char* const kScoresClear = "click 140 509\n";
const char* const kPlayBack = "click 133 564\n";

// The value of "name": in a JSON line, as text (numbers and strings alike).
std::string Field(const std::string& line, const std::string& name)
{
    const std::string key = "\"" + name + "\":";
    const std::size_t at = line.find(key);
    if (at == std::string::npos)
        return {};
    std::size_t begin = at + key.size();
    if (line[begin] == '"')
        return line.substr(begin + 1, line.find('"', begin + 1) - begin - 1);
    std::size_t end = begin;
    while (end < line.size() && line[end] != ',' && line[end] != '}')
        ++end;
    return line.substr(begin, end - begin);
}

// One running copy of the game: a driver process fed line by line.
class TCopy {
public:
    TCopy(const std::string& data, const std::string& store, uint32_t seed)
    {
        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        const std::string seedText = std::to_string(seed);
        std::vector<char*> argv = {const_cast<char*>(TUMBLETOWN_DRIVER), const_cast<char*>(data.c_str()),
                                   const_cast<char*>(store.c_str()),     const_cast<char*>("--seed"),
                                   const_cast<char*>(seedText.c_str()),  nullptr};
        if (::posix_spawn(&Pid, TUMBLETOWN_DRIVER, &actions, nullptr, argv.data(), environ) != 0)
            Pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        ToCopy = in[1];
        FromCopy = out[0];
    }
    ~TCopy() { Finish(); }
    TCopy(const TCopy&) = delete;
    TCopy& operator=(const TCopy&) = delete;

    bool Running() const { return Pid > 0; }

    void Send(const std::string& lines)
    {
        std::size_t done = 0;
        while (ToCopy >= 0 && done < lines.size()) {
            const ssize_t n = ::write(ToCopy, lines.data() + done, lines.size() - done);
            if (n <= 0)
                return;
            done += static_cast<std::size_t>(n);
        }
    }

    // Sends the command and returns the first line of output that starts with
    // prefix; empty when the copy ended or went silent first.
    std::string Query(const std::string& command, const std::string& prefix)
    {
        Send(command + "\n");
        std::string line;
        while (ReadLine(line)) {
            if (line.rfind(prefix, 0) == 0)
                return line;
            Other.push_back(line);
        }
        return {};
    }
    std::string State() { return Query("state", "{\"status\""); }
    std::string Screen() { return Query("screen", "{\"page\""); }

    // Ends the script; the exit status of the copy.
    int Finish()
    {
        if (ToCopy >= 0)
            ::close(ToCopy);
        ToCopy = -1;
        std::string line;
        while (ReadLine(line))
            Other.push_back(line);
        if (FromCopy >= 0)
            ::close(FromCopy);
        FromCopy = -1;
        if (Pid > 0) {
            ::waitpid(Pid, &Status, 0);
            Pid = 0;
        }
        return WIFEXITED(Status) ? WEXITSTATUS(Status) : 128 + WTERMSIG(Status);
    }

    // Lines that no query asked for (the questions, for one).
    std::vector<std::string> Other;

private:
    bool ReadLine(std::string& line)
    {
        while (true) {
            const std::size_t end = Buffer.find('\n');
            if (end != std::string::npos) {
                line = Buffer.substr(0, end);
                Buffer.erase(0, end + 1);
                return true;
            }
            if (FromCopy < 0)
                return false;
            pollfd p{FromCopy, POLLIN, 0};
            if (::poll(&p, 1, kReplyWaitMs) <= 0)
                return false;
            char chunk[4096];
            const ssize_t n = ::read(FromCopy, chunk, sizeof chunk);
            if (n <= 0)
                return false;
            Buffer.append(chunk, static_cast<std::size_t>(n));
        }
    }

    pid_t Pid = -1;
    int Status = 0;
    int ToCopy = -1;
    int FromCopy = -1;
    std::string Buffer;
};

struct TEntry {
    std::string Name;
    int Score = 0;
    bool operator==(const TEntry& o) const { return Name == o.Name && Score == o.Score; }
};
std::ostream& operator<<(std::ostream& os, const TEntry& e)
{
    return os << e.Name << ':' << e.Score;
}
using TList = std::vector<TEntry>;

// Where a saved result belongs: above the first listed score it beats, so an
// equal score goes below the one listed; past the ninth place it is dropped.
void Enter(TList& list, const TEntry& entry)
{
    std::size_t p = 0;
    while (p < list.size() && list[p].Score >= entry.Score)
        ++p;
    if (p >= static_cast<std::size_t>(kEntries))
        return;
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(p), entry);
    if (list.size() > static_cast<std::size_t>(kEntries))
        list.pop_back();
}

// The list of a game type as the settings file holds it, to its first empty entry.
TList StoredList(const std::string& store, int type)
{
    std::ifstream in(store + "/settings.reg", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const Platform::TSettingsFile file = Platform::TSettingsFile::Parse(text.str());
    TList list;
    for (int p = 0; p < kEntries; ++p) {
        const std::string stem = std::to_string(type) + "_0_" + std::to_string(p) + "_";
        const Platform::TSettingsValue* name = file.FindValue(kScoreKey, stem + "Name");
        const Platform::TSettingsValue* score = file.FindValue(kScoreKey, stem + "Score");
        if (name == nullptr || score == nullptr || score->Data.size() != 4)
            break;
        uint32_t u = 0;
        for (int i = 3; i >= 0; --i)
            u = (u << 8) | static_cast<unsigned char>(score->Data[i]);
        if (u == 0)
            break;
        list.push_back({std::string(name->Data.c_str()), static_cast<int>(u)});
    }
    return list;
}

struct TGameEnd {
    bool Entered = false;
    int Score = 0;
    std::string Name; // the name the entry was saved under at the game's end
};

// From wherever the copy is, back to the main menu.
void ToMainMenu(TCopy& copy)
{
    const std::string page = Field(copy.Screen(), "page");
    if (page == "HighScore")
        copy.Send(kScoresBack);
    else if (page == "Play")
        copy.Send(kPlayBack);
}

// Plays a game of type 0 or 1 to its end by dropping every figure.
TGameEnd PlayToTheEnd(TCopy& copy, int type)
{
    ToMainMenu(copy);
    copy.Send(std::string(kMenuPlay) + kGameButtons[type]);
    std::string state;
    for (int round = 0; round < 40; ++round) {
        std::string drops;
        for (int i = 0; i < 8; ++i)
            drops += "key Down\nadvance 1000\n";
        copy.Send(drops);
        state = copy.State();
        if (Field(state, "status") == "2")
            break;
    }
    EXPECT_EQ(Field(state, "status"), "2") << "the game did not end";
    TGameEnd end;
    end.Score = std::atoi(Field(state, "score").c_str());
    const std::string screen = copy.Screen();
    end.Entered = Field(screen, "page") == "HighScore";
    end.Name = Field(screen, "playerName");
    return end;
}

// Types the name of the open entry over the one offered, confirms it and
// answers No to sending it.
void ConfirmName(TCopy& copy, const std::string& name)
{
    std::string keys;
    for (int i = 0; i < 60; ++i)
        keys += "key Backspace\n";
    copy.Send(keys + "type " + name + "\nanswer no\nkey Enter\n");
    EXPECT_EQ(Field(copy.Screen(), "playerName"), name);
}

void ClearWithYes(TCopy& copy)
{
    ToMainMenu(copy);
    copy.Send(std::string(kMenuScores) + "answer yes\n" + kScoresClear);
    copy.Screen();
}

class TwoCopies : public ::testing::Test {
protected:
    void SetUp() override { std::signal(SIGPIPE, SIG_IGN); }
    WFourfall::Test::TFixtureData Fixture;
    TestSupport::TempFolder Folder;
    const std::string& Data() const { return Fixture.Path(); }
    const std::string& Store() const { return Folder.Path(); }
};

TEST_F(TwoCopies, EachSavesWithoutLosingWhatTheOtherSaved)
{
    TCopy a(Data(), Store(), 11);
    TCopy b(Data(), Store(), 12);
    ASSERT_TRUE(a.Running() && b.Running());
    // Both have read the (empty) table before either saves.
    ASSERT_EQ(Field(a.Screen(), "page"), "MainMenu");
    ASSERT_EQ(Field(b.Screen(), "page"), "MainMenu");

    TList expected;
    struct TTurn {
        TCopy* Copy;
        const char* Name;
    };
    for (const TTurn& turn : {TTurn{&b, "Bob"}, TTurn{&a, "Alice"}, TTurn{&b, "Carol"}, TTurn{&a, "Dave"}}) {
        SCOPED_TRACE(turn.Name);
        const TGameEnd end = PlayToTheEnd(*turn.Copy, 0);
        ASSERT_TRUE(end.Entered);
        ASSERT_GT(end.Score, 0);
        ConfirmName(*turn.Copy, turn.Name);
        Enter(expected, {turn.Name, end.Score});
        EXPECT_EQ(StoredList(Store(), 0), expected);
    }
    EXPECT_EQ(a.Finish(), 0);
    EXPECT_EQ(b.Finish(), 0);
    EXPECT_EQ(StoredList(Store(), 0), expected);
}

TEST_F(TwoCopies, ClearEmptiesWhatIsStoredNotOnlyWhatThisCopyRead)
{
    TCopy a(Data(), Store(), 21);
    TCopy b(Data(), Store(), 22);
    ASSERT_EQ(Field(a.Screen(), "page"), "MainMenu");
    const TGameEnd first = PlayToTheEnd(b, 0);
    ASSERT_TRUE(first.Entered);
    ConfirmName(b, "Bob");
    ASSERT_EQ(StoredList(Store(), 0).size(), 1u);
    // A never saw Bob's entry; its Clear removes it all the same.
    ClearWithYes(a);
    EXPECT_TRUE(StoredList(Store(), 0).empty());
    // B's next result does not bring the cleared entry back.
    const TGameEnd second = PlayToTheEnd(b, 0);
    ASSERT_TRUE(second.Entered);
    ConfirmName(b, "Carol");
    EXPECT_EQ(StoredList(Store(), 0), (TList{{"Carol", second.Score}}));
}

// Random turns of three copies: games of two types that may or may not enter,
// names confirmed at once or only after other copies saved, clears, copies
// closed and opened again. After every save the file holds exactly the
// results saved since the last clear, in their order.
class RandomTurns : public TwoCopies, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(RandomTurns, EverySavedResultStaysInTheList)
{
    std::mt19937 chance(GetParam());
    constexpr int kCopies = 3;
    std::unique_ptr<TCopy> copies[kCopies];
    uint32_t nextSeed = GetParam() * 100;
    for (auto& copy : copies)
        copy = std::make_unique<TCopy>(Data(), Store(), ++nextSeed);
    struct TPending {
        bool Open = false;
        int Type = 0;
        int Score = 0;
        std::string Name;
    } pending[kCopies];
    TList expected[2];
    int names = 0;
    std::string log;
    for (int turn = 0; turn < 30; ++turn) {
        const int c = static_cast<int>(chance() % kCopies);
        TCopy& copy = *copies[c];
        const int roll = static_cast<int>(chance() % 100);
        if (pending[c].Open) {
            const std::string name = std::string(1, char('A' + c)) + std::to_string(++names);
            log += " confirm:" + name;
            ConfirmName(copy, name);
            // The entry saved at the game's end takes the new name (or comes
            // back under it after a clear).
            TList& list = expected[pending[c].Type];
            for (auto at = list.begin(); at != list.end(); ++at)
                if (at->Name == pending[c].Name && at->Score == pending[c].Score) {
                    list.erase(at);
                    break;
                }
            Enter(list, {name, pending[c].Score});
            pending[c].Open = false;
        } else if (roll < 12) {
            log += " clear:" + std::to_string(c);
            ClearWithYes(copy);
            expected[0].clear();
            expected[1].clear();
        } else if (roll < 22) {
            log += " reopen:" + std::to_string(c);
            EXPECT_EQ(copy.Finish(), 0);
            copies[c] = std::make_unique<TCopy>(Data(), Store(), ++nextSeed);
        } else {
            const int type = static_cast<int>(chance() % 2);
            const TGameEnd end = PlayToTheEnd(copy, type);
            log += " game:" + std::to_string(c) + "/" + std::to_string(type) + "/" +
                   std::to_string(end.Score) + (end.Entered ? "+" : "-");
            pending[c] = {end.Entered, type, end.Score, end.Name};
            // Saved at once, under the name offered.
            if (end.Entered)
                Enter(expected[type], {end.Name, end.Score});
        }
        for (int type = 0; type < 2; ++type)
            ASSERT_EQ(StoredList(Store(), type), expected[type]) << "type " << type << " after" << log;
    }
    for (auto& copy : copies)
        EXPECT_EQ(copy->Finish(), 0);
    RecordProperty("turns", log);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomTurns, ::testing::Values(1u, 2u, 3u, 4u));

} // namespace
