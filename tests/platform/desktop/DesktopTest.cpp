// The message box and the browser hand-off, run against fake desktop tools
// (zenity, xdg-open) placed first on PATH.
#include "platform/desktop/UrlOpener.h"
#include "platform/desktop/YesNoQuestion.h"

#include "tests/platform/TempFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool WaitForFile(const std::string& path)
{
    for (int i = 0; i < 1000; ++i) {
        if (::access(path.c_str(), F_OK) == 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// Puts a folder of fake tools first on PATH (and nothing else on it when
// `only`), with no display, for the life of the fixture.
class FakeDesktop : public testing::Test {
protected:
    TestSupport::TempFolder bin;
    std::string savedPath, savedDisplay, savedWayland;
    bool hadDisplay = false, hadWayland = false;

    void SetUp() override
    {
        savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
        if (const char* d = std::getenv("DISPLAY")) {
            hadDisplay = true;
            savedDisplay = d;
        }
        if (const char* w = std::getenv("WAYLAND_DISPLAY")) {
            hadWayland = true;
            savedWayland = w;
        }
        ::unsetenv("DISPLAY");
        ::unsetenv("WAYLAND_DISPLAY");
        ::setenv("PATH", (bin.Path() + ":/usr/bin:/bin").c_str(), 1);
    }

    void TearDown() override
    {
        ::setenv("PATH", savedPath.c_str(), 1);
        if (hadDisplay)
            ::setenv("DISPLAY", savedDisplay.c_str(), 1);
        if (hadWayland)
            ::setenv("WAYLAND_DISPLAY", savedWayland.c_str(), 1);
    }

    // A fake zenity that logs its arguments and clicks the given button.
    void FakeZenity(const std::string& click)
    {
        bin.WriteFile("zenity",
                      "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$(dirname "
                      "\"$0\")/zenity.args\"\n" +
                          (click.empty() ? std::string("exit 1\n") : "echo '" + click + "'\n"),
                      true);
    }
};

TEST_F(FakeDesktop, QuestionAnswersYesOnlyForTheYesButton)
{
    Platform::MessageBoxQuestion question;
    FakeZenity("Yes");
    EXPECT_TRUE(question.Ask("Clear?"));
    const std::string args = ReadFile(bin.Path() + "/zenity.args");
    EXPECT_NE(args.find("Clear?"), std::string::npos) << args;
    EXPECT_NE(args.find("Yes"), std::string::npos) << args;
    EXPECT_NE(args.find("No"), std::string::npos) << args;

    FakeZenity("No");
    EXPECT_FALSE(question.Ask("Send the result to World's Highscores page?"));
    EXPECT_NE(ReadFile(bin.Path() + "/zenity.args").find("Send the result to World's Highscores page?"),
              std::string::npos);

    FakeZenity(""); // the box closed without a button
    EXPECT_FALSE(question.Ask("Clear?"));
}

TEST_F(FakeDesktop, QuestionThatCannotBeShownAnswersNo)
{
    ::setenv("PATH", bin.Path().c_str(), 1); // no zenity, no display
    Platform::MessageBoxQuestion question;
    EXPECT_FALSE(question.Ask("Clear?"));
}

TEST(ScriptedQuestion, AnswersFromItsQueueThenNoAndRecordsTheQuestions)
{
    Platform::ScriptedQuestion question;
    question.QueueAnswer(true);
    question.QueueAnswer(false);
    EXPECT_TRUE(question.Ask("one"));
    EXPECT_FALSE(question.Ask("two"));
    EXPECT_FALSE(question.Ask("three"));
    EXPECT_EQ(question.Asked(), (std::vector<std::string>{"one", "two", "three"}));
}

TEST_F(FakeDesktop, BrowserGetsTheAddressAsOneArgumentAndOpenReturnsAtOnce)
{
    // The fake browser writes its arguments, then stays open until the test
    // lets it go: Open must not wait for it.
    const std::string fifo = bin.Path() + "/hold";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    bin.WriteFile("xdg-open",
                  "#!/bin/sh\nd=$(dirname \"$0\")\nprintf '%s|' \"$#\" \"$@\" > \"$d/args.tmp\"\n"
                  "mv \"$d/args.tmp\" \"$d/args\"\ncat \"$d/hold\" > /dev/null\n",
                  true);
    std::atomic<bool> returned{false}, released{false};
    std::thread watchdog([&] {
        for (int i = 0; i < 1000 && !returned; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!returned) { // Open is waiting for the browser: let it go
            released = true;
            int fd = ::open(fifo.c_str(), O_WRONLY);
            if (fd >= 0)
                ::close(fd);
        }
    });
    Platform::DesktopUrlOpener opener;
    const std::string url = "http://scores.example/cgi/version.pl?prg=Tumbltwn&show&type=2";
    opener.Open(url);
    returned = true;
    watchdog.join();
    EXPECT_FALSE(released) << "Open waited for the browser";
    ASSERT_TRUE(WaitForFile(bin.Path() + "/args"));
    EXPECT_EQ(ReadFile(bin.Path() + "/args"), "1|" + url + "|");
    // Let the fake browser end. It writes its arguments just before it opens
    // the pipe to wait on, so give it a moment to get there: a non-blocking
    // open for writing fails until a reader has the pipe open.
    int fd = -1;
    for (int i = 0; i < 500 && fd < 0; ++i) {
        fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd < 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_GE(fd, 0) << "the browser should still be running";
    if (fd >= 0)
        ::close(fd);
}

TEST_F(FakeDesktop, NoBrowserAtAllIsSilent)
{
    ::setenv("PATH", bin.Path().c_str(), 1);
    Platform::DesktopUrlOpener opener;
    opener.Open("http://scores.example/");
    opener.Open("");
    opener.Open("--help");
    // The helper process was reaped and the failed opener is not ours to
    // reap: no child of this process is left behind.
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST(RecordingUrlOpener, RecordsInOrder)
{
    Platform::RecordingUrlOpener opener;
    opener.Open("a");
    opener.Open("b");
    EXPECT_EQ(opener.Opened(), (std::vector<std::string>{"a", "b"}));
}

} // namespace
