// Mouse and keyboard input through the page set's input operations: enter,
// move and leave, edges, every element under the pointer, keys, and the
// cursor element's repaints.
#include <gtest/gtest.h>

#include <ostream>

#include "tests/wlib/ProbeApp.h"
#include "wlib/Mouse.h"
#include "wlib/ScrPage.h"
#include "wlib/ScrPages.h"
#include "wlib/TestHost.h"

using namespace WLib;
using namespace WLibTest;

namespace {

struct Input : ::testing::Test {
    TEventLog Log;
    TTestHost Host;
    TScrPages Pages;
    TMouse Cursor;
    TProbe<TScrPage> Back{"back", Log};
    TProbe<TScrPage> Page{"page", Log};
    TProbeApp Box{"box", Log};       // (100, 100) to (200, 200)
    TProbeApp Hidden{"hidden", Log}; // on the page behind

    void SetUp() override
    {
        Host.Attach(Pages);
        TApp::Insert(&Cursor, &Pages);
        TApp::Insert(&Back, &Pages);
        TApp::Insert(&Hidden, &Back);
        TApp::Insert(&Page, &Pages);
        TApp::Insert(&Box, &Page);
        TApp::SetBounds(&Box, 100, 100, 100, 100);
        Host.Start();
        Pages.MouseMove(10, 10);
        Log.Entries.clear();
    }
    // What the box saw of the element-local mouse codes.
    std::vector<int32_t> BoxMouse() const
    {
        std::vector<int32_t> codes;
        for (int32_t code : Log.CodesOf("box"))
            if (code >= evMouseMove && code <= evMouseEnter)
                codes.push_back(code);
        return codes;
    }
};

TEST_F(Input, EnterThenMoveThenLeave)
{
    Pages.MouseMove(150, 150);
    EXPECT_EQ(BoxMouse(), (std::vector<int32_t>{evMouseEnter, evMouseMove}));
    Log.Entries.clear();
    Pages.MouseMove(160, 170);
    Pages.MouseMove(170, 170);
    EXPECT_EQ(BoxMouse(), (std::vector<int32_t>{evMouseMove, evMouseMove}));
    Log.Entries.clear();
    Pages.MouseMove(300, 170);
    EXPECT_EQ(BoxMouse(), (std::vector<int32_t>{evMouseLeave}));
    EXPECT_FALSE(Box.MouseInside());
}

TEST_F(Input, DownAndUpInsideAreLocalEventsWithAnyButton)
{
    Pages.MouseMove(150, 150);
    Log.Entries.clear();
    Pages.MouseDown(150, 150, 3);
    Pages.MouseUp(150, 150, 3);
    EXPECT_EQ(BoxMouse(), (std::vector<int32_t>{evMouseDown, evMouseUp}));
    // The raw event is not stopped: the page under the box gets its own too.
    EXPECT_EQ(Log.Count("page", evMouseDown), 1);
    EXPECT_EQ(Log.Count("page", evMouseUp), 1);
}

TEST_F(Input, ElementsOfAHiddenPageIgnoreThePointer)
{
    TApp::SetBounds(&Hidden, 100, 100, 100, 100);
    Pages.MouseMove(150, 150);
    Pages.MouseDown(150, 150, 1);
    EXPECT_EQ(Log.Count("hidden", evMouseEnter), 0);
    EXPECT_EQ(Log.Count("hidden", evMouseDown), 0);
    EXPECT_EQ(Log.Count("hidden", evRawMouseDown), 1); // offered, ignored
}

struct EdgeCase {
    int32_t X, Y;
    bool Inside;
};

std::ostream& operator<<(std::ostream& os, const EdgeCase& c)
{
    return os << "(" << c.X << ", " << c.Y << ") " << (c.Inside ? "inside" : "outside");
}

struct EdgeTest : Input, ::testing::WithParamInterface<EdgeCase> {};

TEST_P(EdgeTest, BothEdgesOfTheRectangleCountAsInside)
{
    const EdgeCase& c = GetParam();
    Pages.MouseMove(c.X, c.Y);
    EXPECT_EQ(Box.MouseInside(), c.Inside);
    EXPECT_EQ(Log.Count("box", evMouseMove), c.Inside ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Input, EdgeTest,
                         ::testing::Values(EdgeCase{100, 100, true}, EdgeCase{200, 200, true},
                                           EdgeCase{200, 100, true}, EdgeCase{100, 200, true},
                                           EdgeCase{201, 150, false}, EdgeCase{150, 201, false},
                                           EdgeCase{99, 150, false}, EdgeCase{150, 99, false}));

TEST_F(Input, KeysReachTheWholeTreeFrontMostFirst)
{
    const int32_t kLeft = 0x25;
    Pages.KeyDown(kLeft);
    Pages.KeyDown(kLeft); // auto-repeat: more key-downs, no key-up between
    Pages.KeyDown(kLeft);
    Pages.KeyUp(kLeft);
    Pages.KeyPress(0xE9);
    std::vector<TEventLog::TEntry> box;
    for (const auto& e : Log.Entries)
        if (e.Who == "box")
            box.push_back(e);
    EXPECT_EQ(box, (std::vector<TEventLog::TEntry>{{"box", evKeyDown, kLeft},
                                                   {"box", evKeyDown, kLeft},
                                                   {"box", evKeyDown, kLeft},
                                                   {"box", evKeyUp, kLeft},
                                                   {"box", evKeyPress, 0xE9}}));
    EXPECT_EQ(Log.WhoSaw(evKeyUp), (std::vector<std::string>{"box", "page", "hidden", "back"}));
}

TEST_F(Input, EveryPointerMoveAsksForARepaintWhileTheCursorIsShown)
{
    Host.Paint();
    int repaints = Host.RepaintRequests();
    Pages.MouseMove(20, 20);
    EXPECT_EQ(Host.RepaintRequests(), repaints + 1);
    Pages.MouseMove(30, 20);
    EXPECT_EQ(Host.RepaintRequests(), repaints + 2);
    // Keys do not repaint.
    Pages.KeyDown(0x41);
    EXPECT_EQ(Host.RepaintRequests(), repaints + 2);
    EXPECT_EQ(Pages.Mouse.X, 30);
    EXPECT_EQ(Pages.Mouse.Y, 20);
}

} // namespace
