// Timer elements over the test host's virtual clock: ticks in due order,
// restart, stop, record reuse and timers outside a page set.
#include <gtest/gtest.h>

#include <functional>

#include "tests/wlib/ProbeApp.h"
#include "wlib/ScrPage.h"
#include "wlib/ScrPages.h"
#include "wlib/TestHost.h"
#include "wlib/Timer.h"

using namespace WLib;
using namespace WLibTest;

namespace {

// A page that owns two timers, as the play screen owns its fall timer.
struct Timers : ::testing::Test {
    TEventLog Log;
    TTestHost Host;
    TScrPages Pages;
    TProbe<TScrPage> Page{"page", Log};
    TTimer Fast, Slow;

    void SetUp() override
    {
        Host.Attach(Pages);
        TApp::Insert(&Page, &Pages);
        TApp::Insert(&Fast, &Page);
        TApp::Insert(&Slow, &Page);
        Host.Start();
        Log.Entries.clear();
    }
    // The owner's view: which timer ticked, in order.
    std::vector<std::string> Ticks() const
    {
        std::vector<std::string> ticks;
        for (const auto& e : Log.Entries) {
            if (e.Code == Fast.TickId)
                ticks.push_back("fast");
            if (e.Code == Slow.TickId)
                ticks.push_back("slow");
        }
        return ticks;
    }
};

TEST_F(Timers, TicksReachTheTreeOnlyWhenTimeAdvancesInDueOrder)
{
    Fast.Start(30);
    Slow.Start(50);
    EXPECT_TRUE(Ticks().empty());
    Host.Advance(29);
    EXPECT_TRUE(Ticks().empty());
    Host.Advance(121); // up to 150: fast at 30, 60, 90, 120, 150; slow at 50, 100, 150
    EXPECT_EQ(Ticks(),
              (std::vector<std::string>{"fast", "slow", "fast", "fast", "slow", "fast", "fast", "slow"}));
    EXPECT_EQ(Host.Now(), 150);
}

TEST_F(Timers, RestartWithANewPeriodLeavesOnePlatformTimer)
{
    Fast.Start(100);
    TWinTimer* first = Fast.PlatformTimer;
    Fast.Start(500);
    EXPECT_EQ(Host.TimerCount(), 1);
    ASSERT_NE(Fast.PlatformTimer, nullptr);
    EXPECT_EQ(Host.TimerPeriod(Fast.PlatformTimer), 500);
    EXPECT_EQ(Fast.PlatformTimer, first); // the freed record served the new timer
    Host.Advance(499);
    EXPECT_TRUE(Ticks().empty());
    Host.Advance(1);
    EXPECT_EQ(Ticks(), (std::vector<std::string>{"fast"}));
}

TEST_F(Timers, StoppedTimerDeliversNothingAndItsRecordIsReused)
{
    Fast.Start(10);
    TWinTimer* record = Fast.PlatformTimer;
    Host.Advance(25);
    EXPECT_EQ(Ticks().size(), 2u);
    Fast.Stop();
    EXPECT_EQ(Fast.PlatformTimer, nullptr);
    EXPECT_EQ(Host.TimerCount(), 0);
    Host.Advance(1000);
    EXPECT_EQ(Ticks().size(), 2u);
    Slow.Start(40);
    EXPECT_EQ(Slow.PlatformTimer, record);
    Fast.Stop(); // stopping a stopped timer does nothing
    EXPECT_EQ(Host.TimerCount(), 1);
}

TEST_F(Timers, TimerOutsideAPageSetCannotBeStarted)
{
    TTimer loose;
    loose.Start(100);
    EXPECT_EQ(loose.PlatformTimer, nullptr);
    EXPECT_EQ(Host.TimerCount(), 0);
}

TEST_F(Timers, TickOfAStoppedTimerStillQueuedDoesNothing)
{
    // A tick code reaches the timer only while it runs: a dispatched evTick
    // to a stopped timer posts no tick code.
    Pages.PostAndProcess(evTick, 0);
    EXPECT_TRUE(Ticks().empty());
}

TEST_F(Timers, OwnerMayRestartOrStopItsTimerFromItsTick)
{
    // Each fast tick restarts the timer with a longer period; the third stops it.
    int n = 0;
    class TOwner : public TApp {
    public:
        std::function<void(int32_t)> OnCode;
        bool HandleEvent(int32_t code, int32_t param) override
        {
            OnCode(code);
            return TApp::HandleEvent(code, param);
        }
    } owner;
    TApp::Insert(&owner, &Page);
    owner.OnCode = [&](int32_t code) {
        if (code != Fast.TickId)
            return;
        ++n;
        if (n < 3)
            Fast.Start(100 * (n + 1));
        else
            Fast.Stop();
    };
    Fast.Start(100);
    Host.Advance(10000);
    EXPECT_EQ(n, 3); // at 100, 300 and 600
    EXPECT_EQ(Host.TimerCount(), 0);
}

TEST_F(Timers, ShortPeriodsRunAtTheMinimum)
{
    Fast.Start(1);
    Host.Advance(100);
    EXPECT_EQ(Ticks().size(), 10u);
}

} // namespace
