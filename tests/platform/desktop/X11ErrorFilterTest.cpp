// The X error filter against a real X server (an Xvfb of the test's own).
#include "platform/desktop/X11ErrorFilter.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

// Last: Xlib's macros (None, Bool, Status) would break the headers above.
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/Xutil.h>

namespace {

struct SeenError {
    int errorCode, requestCode;
};
std::vector<SeenError> Seen;

// Stands in for Xlib's default handler, which would print and exit.
int RecordError(Display*, XErrorEvent* error)
{
    Seen.push_back({error->error_code, error->request_code});
    return 0;
}

class X11ErrorFilter : public ::testing::Test {
protected:
    void SetUp() override
    {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        server = ::fork();
        ASSERT_GE(server, 0);
        if (server == 0) {
            ::close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0", "64x64x24",
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        // Xvfb writes its display number, then a newline, once it is ready.
        std::string number;
        char c;
        while (::read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        ::close(fds[0]);
        if (number.empty())
            GTEST_SKIP() << "no Xvfb to test against (scripts/install-deps.sh installs it)";
        const std::string name = ":" + number;
        display = XOpenDisplay(name.c_str());
        ASSERT_NE(display, nullptr) << name;
    }
    void TearDown() override
    {
        if (display != nullptr)
            XCloseDisplay(display);
        if (server > 0) {
            ::kill(server, SIGTERM);
            ::waitpid(server, nullptr, 0);
        }
    }

    pid_t server = -1;
    Display* display = nullptr;
};

struct TRuleCase {
    const char* Name;
    Platform::TX11Error Error;
    bool Ignored;
};
void PrintTo(const TRuleCase& c, std::ostream* os)
{
    *os << c.Name;
}

constexpr unsigned long kGame = 0x400002, kOther = 0x600001;
constexpr int kXInput = 131, kShm = 130;

class X11ErrorFilterRule : public ::testing::TestWithParam<TRuleCase> {
protected:
    void SetUp() override { Platform::SetX11GameWindow(kGame, kShm); }
    void TearDown() override { Platform::SetX11GameWindow(0, -1); }
};

TEST_P(X11ErrorFilterRule, IgnoresOnlyRequestsThatMetTheGamesWindowGone)
{
    EXPECT_EQ(Platform::IgnoredX11Error(GetParam().Error), GetParam().Ignored);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, X11ErrorFilterRule,
    ::testing::Values(TRuleCase{"WakeUpToAnyWindow", {BadWindow, X_SendEvent, 0, kOther}, true},
                      TRuleCase{"WakeUpToTheGame", {BadWindow, X_SendEvent, 0, kGame}, true},
                      TRuleCase{"DestroyingTheGame", {BadWindow, X_DestroyWindow, 0, kGame}, true},
                      TRuleCase{"CursorOfTheGame", {BadWindow, X_ChangeWindowAttributes, 0, kGame}, true},
                      TRuleCase{"TouchUngrabOfTheGame", {BadWindow, kXInput, 55, kGame}, true},
                      TRuleCase{"PropertyOfTheGame", {BadWindow, X_GetProperty, 0, kGame}, true},
                      TRuleCase{"MappingTheGame", {BadWindow, X_MapWindow, 0, kGame}, true},
                      TRuleCase{"FrameToTheGame", {BadDrawable, X_PutImage, 0, kGame}, true},
                      TRuleCase{"SharedFrameToTheGame", {BadDrawable, kShm, 3, kGame}, true},
                      TRuleCase{"DestroyingAnotherWindow", {BadWindow, X_DestroyWindow, 0, kOther}, false},
                      TRuleCase{"FrameToAnotherWindow", {BadDrawable, X_PutImage, 0, kOther}, false},
                      TRuleCase{"PropertyOfAnotherWindow", {BadWindow, X_GetProperty, 0, kOther}, false},
                      TRuleCase{"DrawingToTheGame", {BadDrawable, X_CopyArea, 0, kGame}, false},
                      TRuleCase{"OtherSharedMemoryRequest", {BadDrawable, kShm, 4, kGame}, false},
                      TRuleCase{"BadValueOnSendEvent", {BadValue, X_SendEvent, 0, kGame}, false},
                      TRuleCase{"BadMatchOnTheGame", {BadMatch, X_ChangeWindowAttributes, 0, kGame}, false},
                      TRuleCase{"BadAccessOnTheGame", {BadAccess, X_DestroyWindow, 0, kGame}, false}),
    [](const ::testing::TestParamInfo<TRuleCase>& info) { return std::string(info.param.Name); });

TEST(X11ErrorFilterWindow, UntilTheGamesWindowIsKnownOnlyTheWakeUpIsIgnored)
{
    Platform::SetX11GameWindow(0, -1);
    EXPECT_TRUE(Platform::IgnoredX11Error({BadWindow, X_SendEvent, 0, kGame}));
    EXPECT_FALSE(Platform::IgnoredX11Error({BadWindow, X_DestroyWindow, 0, 0}));
    EXPECT_FALSE(Platform::IgnoredX11Error({BadDrawable, X_PutImage, 0, 0}));
}

TEST_F(X11ErrorFilter, AMessageToAClosedWindowIsDroppedAndOtherErrorsArePassedOn)
{
    XSetErrorHandler(RecordError);
    Platform::InstallX11ErrorFilter();

    // What happens when a wake-up reaches the game's window after it closed.
    Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 8, 8, 0, 0, 0);
    XDestroyWindow(display, window);
    XEvent message = {};
    message.xclient.type = ClientMessage;
    message.xclient.window = window;
    message.xclient.format = 32;
    message.xclient.message_type = XInternAtom(display, "_TUMBLETOWN_TEST", False);
    XSendEvent(display, window, False, NoEventMask, &message);
    XSync(display, False);
    EXPECT_TRUE(Seen.empty()) << "error " << Seen.front().errorCode << " on request "
                              << Seen.front().requestCode;

    // Any other error still reaches the handler the filter replaced.
    XMapWindow(display, window);
    XSendEvent(display, DefaultRootWindow(display), False, 0x7fffffff, &message); // a bad event mask
    XSync(display, False);
    ASSERT_EQ(Seen.size(), 2u);
    EXPECT_EQ(Seen[0].errorCode, BadWindow);
    EXPECT_EQ(Seen[0].requestCode, X_MapWindow);
    EXPECT_EQ(Seen[1].errorCode, BadValue);
    EXPECT_EQ(Seen[1].requestCode, X_SendEvent);

    // The game's window destroyed by another client: SDL still reads a
    // property of it, the game's own end changes its cursor and destroys it,
    // and a late frame reaches it.
    Window game = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 8, 8, 0, 0, 0);
    XSync(display, False);
    Platform::SetX11GameWindow(game, -1);
    Display* other = XOpenDisplay(DisplayString(display));
    ASSERT_NE(other, nullptr);
    XDestroyWindow(other, game);
    XSync(other, False);
    XCloseDisplay(other);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(display, game, XInternAtom(display, "_NET_WM_STATE", False), 0, 1, False,
                       AnyPropertyType, &type, &format, &count, &after, &data);
    if (data != nullptr)
        XFree(data);
    XDefineCursor(display, game, None);
    XImage* image =
        XCreateImage(display, DefaultVisual(display, DefaultScreen(display)),
                     DefaultDepth(display, DefaultScreen(display)), ZPixmap, 0, nullptr, 1, 1, 32, 0);
    static char pixel[4];
    image->data = pixel;
    XPutImage(display, game, DefaultGC(display, DefaultScreen(display)), image, 0, 0, 0, 0, 1, 1);
    image->data = nullptr;
    XDestroyImage(image);
    XDestroyWindow(display, game);
    XSync(display, False);
    Platform::SetX11GameWindow(0, -1);
    EXPECT_EQ(Seen.size(), 2u) << "the game's vanished window alone is spared";

    // Installing again keeps the one filter, which still passes errors on.
    Platform::InstallX11ErrorFilter();
    Seen.clear();
    XMapWindow(display, window);
    XSync(display, False);
    EXPECT_EQ(Seen.size(), 1u);
}

} // namespace
