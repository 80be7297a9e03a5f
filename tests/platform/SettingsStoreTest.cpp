// The settings file on disk: folders, damage, locking, crash safety.

#include "platform/SettingsStore.h"

#include <gtest/gtest.h>

#include "platform/SettingsFile.h"
#include "tests/platform/TempFolder.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using Platform::kSettingsNumber;
using Platform::kSettingsText;
using Platform::TSettingsFile;
using Platform::TSettingsFileStore;

namespace {

const std::string kKey = "HKEY_CURRENT_USER\\Software\\Test";

std::uint32_t NumberOf(const Platform::TSettingsValue* v)
{
    if (v == nullptr || v->Data.size() != 4)
        return 0xFFFFFFFFu;
    std::uint32_t n = 0;
    for (int i = 3; i >= 0; --i)
        n = (n << 8) | static_cast<unsigned char>(v->Data[i]);
    return n;
}

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteAll(const fs::path& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

// Environment variables set for one test and restored after it.
class TEnv {
public:
    void Set(const char* name, const char* value)
    {
        const char* old = std::getenv(name);
        Saved.emplace_back(name, old != nullptr, old != nullptr ? old : "");
        if (value != nullptr)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~TEnv()
    {
        for (auto it = Saved.rbegin(); it != Saved.rend(); ++it) {
            if (std::get<1>(*it))
                ::setenv(std::get<0>(*it).c_str(), std::get<2>(*it).c_str(), 1);
            else
                ::unsetenv(std::get<0>(*it).c_str());
        }
    }

private:
    std::vector<std::tuple<std::string, bool, std::string>> Saved;
};

class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        Top = Temp.Path();
        Folder = Top / "config" / "tumbletown";
    }

    fs::path File() const { return Folder / "settings.reg"; }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(Folder))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TestSupport::TempFolder Temp{"settings"};
    fs::path Top;
    fs::path Folder;
};

TEST_F(SettingsStore, AbsentFileReadsEmptyAndTheFirstSaveMakesPrivateFolders)
{
    TSettingsFileStore store(Folder.string());
    TSettingsFile content;
    content.SetValue("x", "y", kSettingsText, std::string(1, '\0'));
    ASSERT_TRUE(store.Read(content));
    EXPECT_TRUE(content.Keys().empty());
    EXPECT_FALSE(fs::exists(Folder)) << "reading creates nothing";

    ASSERT_TRUE(store.Change(
        [](TSettingsFile& f) { f.SetValue(kKey, "V", kSettingsNumber, Platform::SettingsNumberData(30)); }));
    struct stat st;
    ASSERT_EQ(::stat(Folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(Folder.parent_path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(File().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_NE(ReadAll(File()).find("\"V\"=dword:0000001e\n"), std::string::npos);

    TSettingsFile again;
    ASSERT_TRUE(store.Read(again));
    EXPECT_EQ(NumberOf(again.FindValue(kKey, "V")), 30u);
    EXPECT_EQ(Names(), (std::vector<std::string>{"settings.reg"})) << "only the file is left in the folder";
}

TEST_F(SettingsStore, ChangesMergeIntoWhatIsOnDiskAndKeepHandEdits)
{
    TSettingsFileStore store(Folder.string());
    fs::create_directories(Folder);
    WriteAll(File(),
             "[" + kKey + "]\n\"Mine\"=\"hand made\"\n[HKEY_CURRENT_USER\\Elsewhere]\n\"N\"=dword:7\n");
    ASSERT_TRUE(store.Change(
        [](TSettingsFile& f) { f.SetValue(kKey, "V", kSettingsNumber, Platform::SettingsNumberData(1)); }));
    TSettingsFile content;
    ASSERT_TRUE(store.Read(content));
    EXPECT_FALSE(content.Damaged());
    ASSERT_NE(content.FindValue(kKey, "Mine"), nullptr);
    EXPECT_EQ(content.FindValue(kKey, "Mine")->Data, std::string("hand made\0", 10));
    EXPECT_EQ(NumberOf(content.FindValue("HKEY_CURRENT_USER\\Elsewhere", "N")), 7u);
    EXPECT_EQ(NumberOf(content.FindValue(kKey, "V")), 1u);
    EXPECT_FALSE(fs::exists(Folder / "settings.reg.damaged"));
}

TEST_F(SettingsStore, DamagedFileIsKeptBesideBeforeItIsReplaced)
{
    TSettingsFileStore store(Folder.string());
    fs::create_directories(Folder);
    const std::string damaged = "[" + kKey + "]\n\"Good\"=dword:00000005\n\"Bad\"=dword:xyz\n\x01\x02\n";
    WriteAll(File(), damaged);

    TSettingsFile content;
    ASSERT_TRUE(store.Read(content));
    EXPECT_TRUE(content.Damaged());
    EXPECT_EQ(NumberOf(content.FindValue(kKey, "Good")), 5u);
    EXPECT_FALSE(fs::exists(Folder / "settings.reg.damaged")) << "reading alone keeps nothing";

    ASSERT_TRUE(store.Change(
        [](TSettingsFile& f) { f.SetValue(kKey, "V", kSettingsNumber, Platform::SettingsNumberData(2)); }));
    EXPECT_EQ(ReadAll(Folder / "settings.reg.damaged"), damaged);
    ASSERT_TRUE(store.Read(content));
    EXPECT_FALSE(content.Damaged());
    EXPECT_EQ(NumberOf(content.FindValue(kKey, "Good")), 5u);
    EXPECT_EQ(NumberOf(content.FindValue(kKey, "V")), 2u);

    // A clean file makes no copy; a second damage gets a copy of its own.
    ASSERT_TRUE(store.Change([](TSettingsFile&) {}));
    EXPECT_FALSE(fs::exists(Folder / "settings.reg.damaged.1"));
    WriteAll(File(), "junk\n");
    ASSERT_TRUE(store.Change([](TSettingsFile&) {}));
    EXPECT_EQ(ReadAll(Folder / "settings.reg.damaged"), damaged);
    EXPECT_EQ(ReadAll(Folder / "settings.reg.damaged.1"), "junk\n");
}

TEST_F(SettingsStore, AChangeThatLeavesTheBytesAsTheyAreWritesNothing)
{
    TSettingsFileStore store(Folder.string());
    // A second name for the file as it is now: still the same file after a
    // change only when that change did not replace it.
    const fs::path held = Folder / "held";
    auto hold = [&] {
        fs::remove(held);
        fs::create_hard_link(File(), held);
    };
    auto setV = [](std::uint32_t v) {
        return [v](TSettingsFile& f) {
            f.SetValue(kKey, "V", kSettingsNumber, Platform::SettingsNumberData(v));
        };
    };
    ASSERT_TRUE(store.Change(setV(1)));
    const std::string written = ReadAll(File());
    hold();

    // The same value again, and no change at all: the file is not replaced.
    ASSERT_TRUE(store.Change(setV(1)));
    ASSERT_TRUE(store.Change([](TSettingsFile&) {}));
    EXPECT_TRUE(fs::equivalent(File(), held));
    EXPECT_EQ(ReadAll(File()), written);

    // A new value is written, as is the same content spelt otherwise by hand
    // (it is saved in the usual spelling).
    ASSERT_TRUE(store.Change(setV(2)));
    EXPECT_FALSE(fs::equivalent(File(), held));
    EXPECT_NE(ReadAll(File()).find("\"V\"=dword:00000002\n"), std::string::npos);
    WriteAll(File(), "[" + kKey + "]\n\"V\"=dword:2\n");
    hold();
    ASSERT_TRUE(store.Change(setV(2)));
    EXPECT_FALSE(fs::equivalent(File(), held));
    EXPECT_NE(ReadAll(File()).find("\"V\"=dword:00000002\n"), std::string::npos);
}

TEST_F(SettingsStore, StaleTemporaryFilesAreRemovedBySaving)
{
    TSettingsFileStore store(Folder.string());
    fs::create_directories(Folder);
    WriteAll(Folder / "settings.reg.tmp.abc123", "half a file");
    WriteAll(Folder / "other.tmp.x", "not ours");
    ASSERT_TRUE(store.Change([](TSettingsFile& f) { f.CreateKey(kKey); }));
    EXPECT_EQ(Names(), (std::vector<std::string>{"other.tmp.x", "settings.reg"}));
}

TEST_F(SettingsStore, UnreadableFileFailsBothWaysAndIsLeftAlone)
{
    TSettingsFileStore store(Folder.string());
    fs::create_directories(File()); // a folder where the file should be
    TSettingsFile content;
    content.CreateKey("Kept");
    EXPECT_FALSE(store.Read(content));
    EXPECT_NE(content.FindKey("Kept"), nullptr) << "out left alone";
    EXPECT_FALSE(store.Change([](TSettingsFile& f) { f.CreateKey(kKey); }));
    EXPECT_TRUE(fs::is_directory(File()));
}

// Both ways of locking: the folder itself, and the lock file that file
// systems unable to lock a folder fall back to.
TEST_F(SettingsStore, SaveGivesUpWhenAnotherHolderKeepsTheLock)
{
    for (bool useLockFile : {false, true}) {
        SCOPED_TRACE(useLockFile ? "lock file" : "folder lock");
        fs::remove_all(Folder);
        TSettingsFileStore store(Folder.string());
        store.SetUseLockFile(useLockFile);
        ASSERT_TRUE(store.Change([](TSettingsFile& f) {
            f.SetValue(kKey, "V", kSettingsNumber, Platform::SettingsNumberData(1));
        }));
        int fd = useLockFile ? ::open((Folder / "settings.lock").c_str(), O_RDWR)
                             : ::open(Folder.c_str(), O_RDONLY | O_DIRECTORY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::flock(fd, LOCK_EX), 0);
        store.SetLockWaitMs(50);
        EXPECT_FALSE(store.Change([](TSettingsFile& f) {
            f.SetValue(kKey, "V", kSettingsNumber, Platform::SettingsNumberData(2));
        }));
        ::close(fd);
        TSettingsFile content;
        ASSERT_TRUE(store.Read(content));
        EXPECT_EQ(NumberOf(content.FindValue(kKey, "V")), 1u);
        store.SetLockWaitMs(5000);
        EXPECT_TRUE(store.Change([](TSettingsFile& f) {
            f.SetValue(kKey, "V", kSettingsNumber, Platform::SettingsNumberData(2));
        }));
    }
}

TEST_F(SettingsStore, DefaultFolderFollowsXdgConfigHome)
{
    TEnv env;
    env.Set("HOME", "/home/player");
    env.Set("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(TSettingsFileStore::DefaultFolder(), "/cfg/tumbletown");
    env.Set("XDG_CONFIG_HOME", "");
    EXPECT_EQ(TSettingsFileStore::DefaultFolder(), "/home/player/.config/tumbletown");
    env.Set("XDG_CONFIG_HOME", "relative/cfg");
    EXPECT_EQ(TSettingsFileStore::DefaultFolder(), "/home/player/.config/tumbletown");
    env.Set("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(TSettingsFileStore::DefaultFolder(), "/home/player/.config/tumbletown");
    env.Set("HOME", nullptr);
    EXPECT_EQ(TSettingsFileStore::DefaultFolder(), "");

    TSettingsFileStore store;
    TSettingsFile content;
    EXPECT_FALSE(store.Read(content));
    EXPECT_FALSE(store.Change([](TSettingsFile&) {}));

    env.Set("XDG_CONFIG_HOME", (Top / "config").c_str());
    EXPECT_EQ(store.FilePath(), File().string());
    ASSERT_TRUE(store.Change([](TSettingsFile& f) { f.CreateKey(kKey); }));
    EXPECT_TRUE(fs::exists(File()));
}

// A content where every one of many values holds the same generation, so
// that a file mixing two saves shows at once.
void SetGeneration(TSettingsFile& f, std::uint32_t generation)
{
    for (int i = 0; i < 400; ++i)
        f.SetValue(kKey, "Value" + std::to_string(i), kSettingsNumber,
                   Platform::SettingsNumberData(generation));
    f.SetValue(kKey, "Name", kSettingsText, "generation " + std::to_string(generation) + '\0');
}

// The generation of a file; fails the test when the file is damaged or mixed.
std::uint32_t GenerationOf(const fs::path& file)
{
    std::string bytes = ReadAll(file);
    TSettingsFile content = TSettingsFile::Parse(bytes);
    EXPECT_FALSE(content.Damaged()) << "damaged file";
    std::uint32_t g = NumberOf(content.FindValue(kKey, "Value0"));
    for (int i = 0; i < 400; ++i)
        EXPECT_EQ(NumberOf(content.FindValue(kKey, "Value" + std::to_string(i))), g) << "mixed file";
    const Platform::TSettingsValue* name = content.FindValue(kKey, "Name");
    EXPECT_TRUE(name != nullptr && name->Data == "generation " + std::to_string(g) + '\0');
    return g;
}

TEST_F(SettingsStore, KillingASaveAtAnyMomentLeavesTheOldOrTheNewFile)
{
    TSettingsFileStore store(Folder.string());
    ASSERT_TRUE(store.Change([](TSettingsFile& f) { SetGeneration(f, 0); }));
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> pause(0, 15000);
    std::uint32_t last = 0;
    constexpr int kRuns = 120;
    for (int run = 0; run < kRuns; ++run) {
        int announce[2];
        ASSERT_EQ(::pipe(announce), 0);
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Saves generation after generation, telling each before it starts.
            ::close(announce[0]);
            TSettingsFileStore saver(Folder.string());
            for (std::uint32_t g = last + 1;; ++g) {
                if (::write(announce[1], &g, sizeof g) != sizeof g)
                    ::_exit(2);
                if (!saver.Change([g](TSettingsFile& f) { SetGeneration(f, g); }))
                    ::_exit(3);
            }
        }
        ::close(announce[1]);
        // The pause counts from the first save's start, not from the fork, so
        // that a slow or loaded machine still kills saves under way; every
        // other run lets one save finish first, so some saves always land.
        std::uint32_t announced = last, g = 0;
        const int waitFor = run % 2 == 0 ? 1 : 2;
        for (int i = 0; i < waitFor && ::read(announce[0], &g, sizeof g) == sizeof g; ++i)
            announced = g;
        std::this_thread::sleep_for(std::chrono::microseconds(pause(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saver stopped by itself, status " << status;
        while (::read(announce[0], &g, sizeof g) == sizeof g)
            announced = g;
        ::close(announce[0]);

        std::uint32_t found = GenerationOf(File());
        ASSERT_TRUE(found == announced || (announced > last && found == announced - 1))
            << "run " << run << ": found generation " << found << ", the save under way was " << announced;
        last = found;
    }
    EXPECT_GT(last, 0u) << "no save ever finished";
    // Whatever the kills left behind goes with the next save.
    ASSERT_TRUE(store.Change([](TSettingsFile&) {}));
    EXPECT_EQ(Names(), (std::vector<std::string>{"settings.reg"}));
}

TEST_F(SettingsStore, TwoProcessesSavingAtOnceLoseNothing)
{
    constexpr int kSaves = 100;
    for (bool useLockFile : {false, true}) {
        SCOPED_TRACE(useLockFile ? "lock file" : "folder lock");
        fs::remove_all(Folder);
        TSettingsFileStore store(Folder.string());
        ASSERT_TRUE(store.Change([](TSettingsFile& f) {
            f.SetValue(kKey, "Shared", kSettingsNumber, Platform::SettingsNumberData(0));
        }));
        pid_t children[2];
        for (int w = 0; w < 2; ++w) {
            children[w] = ::fork();
            ASSERT_GE(children[w], 0);
            if (children[w] == 0) {
                TSettingsFileStore saver(Folder.string());
                saver.SetUseLockFile(useLockFile);
                std::string mine = "Writer" + std::to_string(w);
                for (std::uint32_t i = 1; i <= kSaves; ++i) {
                    bool ok = saver.Change([&](TSettingsFile& f) {
                        f.SetValue(kKey, mine, kSettingsNumber, Platform::SettingsNumberData(i));
                        f.SetValue(kKey, "Shared", kSettingsNumber,
                                   Platform::SettingsNumberData(NumberOf(f.FindValue(kKey, "Shared")) + 1));
                    });
                    if (!ok)
                        ::_exit(3);
                }
                ::_exit(0);
            }
        }
        for (pid_t child : children) {
            int status = 0;
            ::waitpid(child, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
        }
        TSettingsFile content = TSettingsFile::Parse(ReadAll(File()));
        EXPECT_FALSE(content.Damaged());
        EXPECT_EQ(NumberOf(content.FindValue(kKey, "Writer0")), std::uint32_t(kSaves));
        EXPECT_EQ(NumberOf(content.FindValue(kKey, "Writer1")), std::uint32_t(kSaves));
        EXPECT_EQ(NumberOf(content.FindValue(kKey, "Shared")), std::uint32_t(2 * kSaves))
            << "an update was lost";
        EXPECT_EQ(Names(), useLockFile ? (std::vector<std::string>{"settings.lock", "settings.reg"})
                                       : (std::vector<std::string>{"settings.reg"}));
    }
}

TEST(MemorySettingsStore, ServesTestsAndCanFail)
{
    Platform::TMemorySettingsStore store;
    ASSERT_TRUE(store.Change([](TSettingsFile& f) { f.CreateKey(kKey); }));
    EXPECT_EQ(store.Saves, 1);
    TSettingsFile content;
    ASSERT_TRUE(store.Read(content));
    EXPECT_TRUE(content.KeyExists(kKey));
    store.FailChanges = true;
    EXPECT_FALSE(store.Change([](TSettingsFile& f) { f.CreateKey("Other"); }));
    EXPECT_FALSE(store.Content.KeyExists("Other"));
    store.FailReads = true;
    EXPECT_FALSE(store.Read(content));
}

} // namespace
