// The event queue: strict first-in first-out order, posts during a drain,
// nested drains and the record pool.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "wlib/ScrPages.h"
#include "wlib/TestHost.h"

using namespace WLib;

namespace {

// An element that runs a test's action for each code it is given.
class TActor : public TApp {
public:
    bool HandleEvent(int32_t code, int32_t param) override
    {
        if (Action)
            Action(code);
        return TApp::HandleEvent(code, param);
    }
    std::function<void(int32_t)> Action;
};

struct Queue : ::testing::Test {
    TTestHost Host;
    TScrPages Pages;
    TActor Actor;
    std::vector<std::string> Order;
    int32_t A = NewId(), B = NewId(), C = NewId(), D = NewId(), E = NewId();

    void SetUp() override
    {
        Host.Attach(Pages);
        TApp::Insert(&Actor, &Pages);
        Host.Start();
    }
    void PostToActor(int32_t code) { TApp::Post(&Actor, code, 0, CallHandleEvent, &Actor); }
    std::string Name(int32_t code) const
    {
        const char* names[] = {"A", "B", "C", "D", "E"};
        return code >= A && code <= E ? names[code - A] : "?";
    }
};

TEST_F(Queue, PostsDuringADrainRunAfterEverythingAlreadyQueued)
{
    Actor.Action = [&](int32_t code) {
        Order.push_back(Name(code));
        if (code == B)
            PostToActor(D);
    };
    PostToActor(A);
    PostToActor(B);
    PostToActor(C);
    EXPECT_TRUE(Order.empty()); // nothing runs before the drain
    Pages.Events.ProcessEvents();
    EXPECT_EQ(Order, (std::vector<std::string>{"A", "B", "C", "D"}));
    EXPECT_TRUE(Pages.Events.Empty());
}

TEST_F(Queue, NestedDrainEmptiesTheQueueAndTheOuterDrainEnds)
{
    Actor.Action = [&](int32_t code) {
        Order.push_back(Name(code));
        if (code == B) {
            Pages.PostAndProcess(E, 0); // runs C, then E, inside B
            Order.push_back("B-end");
        }
    };
    PostToActor(A);
    PostToActor(B);
    PostToActor(C);
    Pages.Events.ProcessEvents();
    EXPECT_EQ(Order, (std::vector<std::string>{"A", "B", "C", "E", "B-end"}));
    // The queue still works after the nested drain.
    Order.clear();
    PostToActor(A);
    Pages.Events.ProcessEvents();
    EXPECT_EQ(Order, (std::vector<std::string>{"A"}));
}

TEST_F(Queue, HandlerPostingWhileTheLastRecordRunsStartsAFreshQueue)
{
    Actor.Action = [&](int32_t code) {
        Order.push_back(Name(code));
        if (code == A)
            PostToActor(B);
        if (code == B)
            PostToActor(C);
    };
    PostToActor(A);
    Pages.Events.ProcessEvents();
    EXPECT_EQ(Order, (std::vector<std::string>{"A", "B", "C"}));
}

TEST_F(Queue, RecordsComeBackToThePoolInsteadOfGrowingIt)
{
    Actor.Action = [](int32_t) {};
    for (int round = 0; round < 1000; ++round) {
        for (int i = 0; i < 10; ++i)
            PostToActor(A);
        Pages.Events.ProcessEvents();
    }
    EXPECT_EQ(Pages.Events.Pool.BlockCount(), 1);
}

TEST_F(Queue, AnyLengthOfQueueIsKept)
{
    int ran = 0;
    Actor.Action = [&](int32_t) { ++ran; };
    for (int i = 0; i < 5000; ++i)
        PostToActor(A);
    Pages.Events.ProcessEvents();
    EXPECT_EQ(ran, 5000);
}

} // namespace
