// The window on SDL's offscreen video driver: what can be checked without a
// display. The real window is tried under Xvfb by window-under-xvfb.sh.
#include "platform/desktop/GameWindow.h"
#include "platform/TimerScheduler.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

class OffscreenWindow : public testing::Test {
protected:
    void SetUp() override { ::setenv("SDL_VIDEODRIVER", "offscreen", 1); }
    void TearDown() override { ::unsetenv("SDL_VIDEODRIVER"); }
};

TEST_F(OffscreenWindow, OpensPresentsAndTimesOutWithoutInput)
{
    Platform::GameWindow window;
    ASSERT_TRUE(window.Open("Tumbletown"));
    EXPECT_TRUE(window.IsOpen());
    EXPECT_EQ(window.VideoDriver(), "offscreen");
    EXPECT_GT(window.ScreenWidth(), 0);

    std::vector<std::uint16_t> frame(Platform::GameWindow::kWidth * Platform::GameWindow::kHeight, 0xF800);
    window.Present(frame.data(), Platform::GameWindow::kWidth * 2);
    window.PresentAgain();

    // Drain what opening the window queued, then nothing more arrives: the
    // wait ends by its timeout and reports no event.
    std::vector<Platform::InputRecord> records;
    window.WaitForInput(0, records);
    while (window.WaitForInput(0, records)) {
    }
    records.clear();
    EXPECT_FALSE(window.WaitForInput(20, records));
    EXPECT_TRUE(records.empty());
}

TEST_F(OffscreenWindow, ReopeningAfterCloseWorks)
{
    for (int i = 0; i < 2; ++i) {
        Platform::GameWindow window;
        ASSERT_TRUE(window.Open("Tumbletown"));
    }
}

TEST(GameWindow, ClosedWindowIgnoresPresent)
{
    Platform::GameWindow window;
    std::uint16_t pixel = 0;
    window.Present(&pixel, 2); // not open: nothing is read
    window.PresentAgain();
    EXPECT_FALSE(window.IsOpen());
    EXPECT_EQ(window.VideoDriver(), "");
}

} // namespace
