#include "platform/TimerScheduler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Platform::TimerScheduler;

// A scheduler on a clock the test moves by hand, with a log of ticks.
class TimerSchedulerTest : public testing::Test {
protected:
    std::int64_t now = 1000;
    TimerScheduler timers{[this] { return now; }};
    std::vector<std::string> log;

    TimerScheduler::TimerId Make(const std::string& name)
    {
        return timers.Create([this, name] { log.push_back(name); });
    }
};

TEST_F(TimerSchedulerTest, NothingRunningMeansSleepUntilInput)
{
    EXPECT_EQ(timers.MillisecondsUntilDue(), -1);
    Make("a");
    EXPECT_EQ(timers.MillisecondsUntilDue(), -1);
    EXPECT_EQ(timers.FireDue(), 0);
}

TEST_F(TimerSchedulerTest, FiresOncePerPeriodAndRearmsFromNow)
{
    auto a = Make("a");
    timers.Start(a, 100);
    EXPECT_EQ(timers.MillisecondsUntilDue(), 100);
    now += 99;
    EXPECT_EQ(timers.FireDue(), 0);
    EXPECT_EQ(timers.MillisecondsUntilDue(), 1);
    now += 1;
    EXPECT_EQ(timers.FireDue(), 1);
    EXPECT_EQ(timers.MillisecondsUntilDue(), 100);
    // Woken 350 ms late: one tick only, the next one a period after it.
    now += 450;
    EXPECT_EQ(timers.MillisecondsUntilDue(), 0);
    EXPECT_EQ(timers.FireDue(), 1);
    EXPECT_EQ(timers.FireDue(), 0);
    EXPECT_EQ(timers.MillisecondsUntilDue(), 100);
    EXPECT_EQ(log, (std::vector<std::string>{"a", "a"}));
}

struct PeriodCase {
    int requested;
    int effective;
};

std::ostream& operator<<(std::ostream& out, const PeriodCase& c)
{
    return out << "period " << c.requested;
}

class TimerPeriodTable : public testing::TestWithParam<PeriodCase> {};

TEST_P(TimerPeriodTable, ShortPeriodsRunAtTenMilliseconds)
{
    std::int64_t now = 0;
    TimerScheduler timers([&] { return now; });
    int ticks = 0;
    auto id = timers.Create([&] { ++ticks; });
    timers.Start(id, GetParam().requested);
    EXPECT_EQ(timers.MillisecondsUntilDue(), GetParam().effective);
    now += GetParam().effective - 1;
    timers.FireDue();
    EXPECT_EQ(ticks, 0);
    now += 1;
    timers.FireDue();
    EXPECT_EQ(ticks, 1);
}

INSTANTIATE_TEST_SUITE_P(Periods, TimerPeriodTable,
                         testing::Values(PeriodCase{-5, 10}, PeriodCase{0, 10}, PeriodCase{1, 10},
                                         PeriodCase{9, 10}, PeriodCase{10, 10}, PeriodCase{11, 11},
                                         PeriodCase{500, 500}));

TEST_F(TimerSchedulerTest, EarliestDueOfSeveral)
{
    auto a = Make("a"), b = Make("b"), c = Make("c");
    timers.Start(a, 300);
    timers.Start(b, 40);
    timers.Start(c, 70);
    timers.Stop(b);
    EXPECT_EQ(timers.MillisecondsUntilDue(), 70);
    now += 300;
    EXPECT_EQ(timers.FireDue(), 2);
    EXPECT_EQ(log, (std::vector<std::string>{"a", "c"}));
    EXPECT_FALSE(timers.IsRunning(b));
    EXPECT_TRUE(timers.IsRunning(a));
}

TEST_F(TimerSchedulerTest, RestartReplacesPeriodAndDue)
{
    auto a = Make("a");
    timers.Start(a, 100);
    now += 90;
    timers.Start(a, 500);
    now += 100;
    EXPECT_EQ(timers.FireDue(), 0);
    EXPECT_EQ(timers.MillisecondsUntilDue(), 400);
    now += 400;
    EXPECT_EQ(timers.FireDue(), 1);
    EXPECT_EQ(timers.MillisecondsUntilDue(), 500);
}

TEST_F(TimerSchedulerTest, StoppedAndDeletedTimersStaySilent)
{
    auto a = Make("a"), b = Make("b");
    timers.Start(a, 10);
    timers.Start(b, 10);
    timers.Stop(a);
    timers.Delete(b);
    now += 1000;
    EXPECT_EQ(timers.FireDue(), 0);
    EXPECT_TRUE(log.empty());
    // Operations on a deleted id are ignored, and ids are not handed out again.
    timers.Start(b, 10);
    EXPECT_FALSE(timers.IsRunning(b));
    EXPECT_NE(Make("c"), b);
}

// What a callback does to the table while the round is running.
TEST_F(TimerSchedulerTest, CallbackStoppingALaterDueTimerKeepsItFromFiring)
{
    TimerScheduler::TimerId b = 0;
    auto a = timers.Create([&] {
        log.push_back("a");
        timers.Stop(b);
    });
    b = Make("b");
    timers.Start(a, 10);
    timers.Start(b, 10);
    now += 10;
    EXPECT_EQ(timers.FireDue(), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"a"}));
}

TEST_F(TimerSchedulerTest, CallbackDeletingItselfAndAnotherIsSafe)
{
    TimerScheduler::TimerId a = 0, b = 0;
    std::string captured = "kept alive while it runs";
    a = timers.Create([&, captured] {
        timers.Delete(a);
        timers.Delete(b);
        log.push_back(captured); // the closure's own state, after its timer went
    });
    b = Make("b");
    timers.Start(a, 10);
    timers.Start(b, 10);
    now += 10;
    EXPECT_EQ(timers.FireDue(), 1);
    EXPECT_EQ(log, (std::vector<std::string>{captured}));
    now += 100;
    EXPECT_EQ(timers.FireDue(), 0);
    EXPECT_EQ(timers.MillisecondsUntilDue(), -1);
}

TEST_F(TimerSchedulerTest, CallbackRestartingItselfTakesTheNewPeriod)
{
    TimerScheduler::TimerId a = 0;
    a = timers.Create([&] {
        log.push_back("a");
        timers.Start(a, 250); // as the fall timer does on a level change
    });
    timers.Start(a, 1000);
    now += 1000;
    EXPECT_EQ(timers.FireDue(), 1);
    EXPECT_EQ(timers.MillisecondsUntilDue(), 250);
}

TEST_F(TimerSchedulerTest, CallbackStoppingItselfIsNotRearmed)
{
    TimerScheduler::TimerId a = 0;
    a = timers.Create([&] { timers.Stop(a); });
    timers.Start(a, 10);
    now += 10;
    EXPECT_EQ(timers.FireDue(), 1);
    EXPECT_FALSE(timers.IsRunning(a));
    EXPECT_EQ(timers.MillisecondsUntilDue(), -1);
}

TEST_F(TimerSchedulerTest, TimerCreatedAndStartedInACallbackWaitsForItsPeriod)
{
    auto a = timers.Create([&] {
        log.push_back("a");
        auto late = Make("late");
        timers.Start(late, 10);
    });
    timers.Start(a, 10);
    now += 10;
    EXPECT_EQ(timers.FireDue(), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"a"}));
    timers.Stop(a);
    now += 10;
    EXPECT_EQ(timers.FireDue(), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"a", "late"}));
}

TEST_F(TimerSchedulerTest, NestedFireDueFromACallbackDoesNothing)
{
    int nested = -1;
    auto a = timers.Create([&] { nested = timers.FireDue(); });
    auto b = Make("b");
    timers.Start(a, 10);
    timers.Start(b, 10);
    now += 10;
    EXPECT_EQ(timers.FireDue(), 2);
    EXPECT_EQ(nested, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"b"}));
}

TEST_F(TimerSchedulerTest, SlowCallbackReschedulesLaterTimersFromWhenTheyFire)
{
    bool slowOnce = true;
    auto slow = timers.Create([&] {
        if (slowOnce)
            now += 30; // the first tick takes 30 ms
        slowOnce = false;
    });
    auto b = Make("b");
    timers.Start(slow, 100);
    timers.Start(b, 100);
    now += 100;
    EXPECT_EQ(timers.FireDue(), 2);
    // slow was rearmed at 1100, b only when it fired, 30 ms later.
    now = 1199;
    EXPECT_EQ(timers.FireDue(), 0);
    now = 1200;
    EXPECT_EQ(timers.FireDue(), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"b"}));
    now = 1229;
    EXPECT_EQ(timers.FireDue(), 0);
    now = 1230;
    EXPECT_EQ(timers.FireDue(), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"b", "b"}));
}

} // namespace
