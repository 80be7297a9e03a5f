// The element tree and its pages: insertion, activation, page switching,
// geometry, repaint coalescing, dispatch order and the tree dump.
#include <gtest/gtest.h>

#include "tests/wlib/ProbeApp.h"
#include "wlib/Mouse.h"
#include "wlib/ScrPage.h"
#include "wlib/ScrPages.h"
#include "wlib/TestHost.h"

using namespace WLib;
using namespace WLibTest;

namespace {

// A page set with the cursor element and two pages, built as the game builds
// its own: host first, cursor before the pages, then the queue drained once.
struct TwoPages : ::testing::Test {
    TEventLog Log;
    TTestHost Host;
    TScrPages Pages;
    TMouse Cursor;
    TProbe<TScrPage> First{"first", Log};
    TProbe<TScrPage> Second{"second", Log};

    void SetUp() override
    {
        Host.Attach(Pages);
        TApp::Insert(&Cursor, &Pages);
        TApp::Insert(&First, &Pages);
        TApp::Insert(&Second, &Pages);
        Host.Start();
        Log.Entries.clear();
    }
};

TEST_F(TwoPages, LastInsertedPageIsTheOnlyShownPageAfterStartUp)
{
    EXPECT_EQ(Pages.LastChild, &Second);
    EXPECT_TRUE(Second.Visible());
    EXPECT_TRUE(Second.Shown());
    EXPECT_TRUE(Second.Active());
    EXPECT_FALSE(First.Visible());
    EXPECT_FALSE(First.Shown());
    EXPECT_FALSE(First.Active());
    // Not a page: nothing hides the cursor element.
    EXPECT_TRUE(Cursor.Visible());
    EXPECT_FALSE(Cursor.Active());
}

TEST_F(TwoPages, DumpOfTwoPagesShowsTheHiddenAndTheFrontPage)
{
    TTestHost host; // outlives the page set, whose elements draw on its surface
    TScrPages pages;
    TScrPage hidden, front;
    host.Attach(pages);
    TApp::Insert(&hidden, &pages);
    TApp::Insert(&front, &pages);
    host.Start();
    TAString dump = TApp::DumpTree(&pages, "\r\n", "\r\n");
    EXPECT_STREQ(dump.Text(), "\r\n::TPages(Show Act )"
                              "\r\n + ::TPage(Hide )"
                              "\r\n \\ ::TPage(Show Act )");
}

TEST_F(TwoPages, DumpIndentsGrandchildrenUnderTheirParent)
{
    TApp a, b;
    TApp::Insert(&a, &First);
    TApp::Insert(&b, &Second);
    TAString dump = TApp::DumpTree(&Pages, "", "\n");
    EXPECT_STREQ(dump.Text(), "::TPages(Show Act )"
                              "\n + ::TApp(Show )"
                              "\n + ::TPage(Hide )"
                              "\n |  \\ ::TApp(Show )"
                              "\n \\ ::TPage(Show Act )"
                              "\n    \\ ::TApp(Show Act )");
}

TEST_F(TwoPages, PostingAPageIdBringsItToTheFrontAndHidesTheOther)
{
    int repaints = Host.RepaintRequests();
    Pages.PostAndProcess(First.Id, 0);
    EXPECT_EQ(Pages.LastChild, &First);
    EXPECT_TRUE(First.Visible());
    EXPECT_TRUE(First.Active());
    EXPECT_FALSE(Second.Visible());
    EXPECT_FALSE(Second.Active());
    EXPECT_EQ(Log.Count("first.cmd", evToFront), 1);
    // The page shown last asks the whole tree to look at the pointer again
    // (evRawMouseMove): the hidden page hears it too, and ignores it.
    EXPECT_EQ(Log.CodesOf("second"),
              (std::vector<int32_t>{First.Id, evDeactivated, evHideTree, evHidden, evRawMouseMove}));
    // Everything along the way asked for repaints; the host merges them into
    // one paint, as the window system does.
    EXPECT_GT(Host.RepaintRequests(), repaints);
    EXPECT_TRUE(Host.PaintPending());
    EXPECT_FALSE(Host.PaintPending());
}

TEST_F(TwoPages, RepostingTheFrontPageIdOnlyReactivatesAndRepaints)
{
    int repaints = Host.RepaintRequests();
    Pages.PostAndProcess(Second.Id, 0);
    EXPECT_EQ(Pages.LastChild, &Second);
    EXPECT_EQ(Log.Count("second.cmd", evToFront), 0);
    EXPECT_EQ(Log.Count("second", evActivated), 0);
    EXPECT_TRUE(Second.Visible());
    EXPECT_FALSE(First.Visible());
    EXPECT_EQ(Host.RepaintRequests(), repaints + 1);
}

TEST_F(TwoPages, ChildrenOfAHiddenPageBecomeInvisibleAndReturn)
{
    TApp widget;
    TApp::Insert(&widget, &First);
    Pages.PostAndProcess(First.Id, 0);
    EXPECT_TRUE(widget.Visible());
    Pages.PostAndProcess(Second.Id, 0);
    EXPECT_FALSE(widget.Visible());
    EXPECT_TRUE(widget.Shown()); // only pages are hidden by request
}

TEST_F(TwoPages, ZeroRectangleTakesTheParentsRelativeRectangle)
{
    EXPECT_EQ(First.Rect.Right, 800);
    EXPECT_EQ(First.Rect.Bottom, 600);
    TApp widget, inner;
    TApp::Insert(&widget, &Second);
    TApp::SetBounds(&widget, 100, 50, 20, 30);
    TApp::Insert(&inner, &widget);
    // The relative rectangle is copied as it is, so it lands offset twice.
    EXPECT_EQ(inner.Rect.Left, 100);
    EXPECT_EQ(inner.Rect.Top, 50);
    EXPECT_EQ(inner.Rect.Right, 130);
    EXPECT_EQ(inner.Rect.Bottom, 70);
    EXPECT_EQ(inner.AbsRect.Left, 200);
    EXPECT_EQ(inner.AbsRect.Top, 100);
}

TEST_F(TwoPages, SetBoundsTakesHeightBeforeWidthAndPlacesInTheParent)
{
    TApp widget;
    TApp::Insert(&widget, &Second);
    TApp::SetBounds(&Second, 100, 50, 600, 800);
    TApp::SetBounds(&widget, 10, 20, 30, 40);
    EXPECT_EQ(widget.Rect.Left, 10);
    EXPECT_EQ(widget.Rect.Top, 20);
    EXPECT_EQ(widget.Rect.Right, 50);
    EXPECT_EQ(widget.Rect.Bottom, 50);
    EXPECT_EQ(widget.AbsRect.Left, 110);
    EXPECT_EQ(widget.AbsRect.Top, 70);
    EXPECT_EQ(widget.AbsRect.Right, 150);
    EXPECT_EQ(widget.AbsRect.Bottom, 100);
    EXPECT_TRUE(widget.Placed());
    EXPECT_EQ(widget.Canvas.Area.Left, 110);
    EXPECT_EQ(widget.Canvas.Area.Bottom, 100);
}

TEST_F(TwoPages, TwentyInvalidationsMakeOneRepaint)
{
    int repaints = Host.RepaintRequests();
    for (int i = 0; i < 20; ++i)
        TApp::Invalidate(i % 2 ? static_cast<TApp*>(&First) : &Second);
    EXPECT_EQ(Host.RepaintRequests(), repaints); // nothing before the drain
    Host.Start();
    EXPECT_EQ(Host.RepaintRequests(), repaints + 1);
    EXPECT_EQ(Log.Count("first", evRepaint) + Log.Count("second", evRepaint), 0);
    // Once the request has run, the next invalidation asks again.
    TApp::Invalidate(&First);
    Host.Start();
    EXPECT_EQ(Host.RepaintRequests(), repaints + 2);
}

TEST_F(TwoPages, QuitClosesTheHostWithoutReachingTheTree)
{
    Pages.PostAndProcess(evQuit, 0);
    EXPECT_EQ(Host.CloseRequests(), 1);
    EXPECT_TRUE(Log.WhoSaw(evQuit).empty());
}

TEST_F(TwoPages, DispatchOffersFrontMostFirstAndStopsAtTheHandler)
{
    TProbeApp a{"a", Log}, b{"b", Log}, c{"c", Log}, d{"d", Log};
    TApp::Insert(&a, &Second);
    TApp::Insert(&b, &a);
    TApp::Insert(&c, &Second);
    TApp::Insert(&d, &First);
    const int32_t code = NewId();
    Pages.PostAndProcess(code, 7);
    // Reverse of the paint order: second's subtree (c, b, a, second), then
    // first's (d, first). The page set and the cursor are not probes.
    EXPECT_EQ(Log.WhoSaw(code), (std::vector<std::string>{"c", "b", "a", "second", "d", "first"}));
    Log.Entries.clear();
    a.HandledCode = code;
    Pages.PostAndProcess(code, 7);
    EXPECT_EQ(Log.WhoSaw(code), (std::vector<std::string>{"c", "b", "a"}));
}

TEST(TApp, ElementOutsideAPageSetCannotPost)
{
    TApp loose;
    EXPECT_FALSE(TApp::Post(&loose, evShow, 0, CallOnCommand, &loose));
    TApp::Invalidate(&loose); // nothing to ask, nothing breaks
    TApp::SetActive(nullptr, true);
    EXPECT_EQ(loose.Pages, nullptr);
}

TEST(TApp, IdsAreUniqueAndAboveTheFixedCodes)
{
    TApp a, b;
    EXPECT_GE(a.Id, 10000);
    EXPECT_GT(b.Id, a.Id);
    int32_t next = NewId();
    EXPECT_EQ(next, b.Id + 1);
}

TEST_F(TwoPages, RemovingTheActiveFrontElementActivatesItsPreviousSibling)
{
    TApp::Remove(&Second);
    Host.Start();
    EXPECT_EQ(Pages.LastChild, &First);
    EXPECT_TRUE(First.Active());
    EXPECT_TRUE(First.Visible());
    EXPECT_TRUE(Second.Active()); // a removed element keeps its own flag
    EXPECT_EQ(Second.Parent, nullptr);
}

TEST_F(TwoPages, LinkGivesDescendantsThePageAndPageSet)
{
    TApp outer, inner;
    TApp::Insert(&inner, &outer); // outer is not in the tree yet
    EXPECT_EQ(inner.Pages, nullptr);
    TApp::Insert(&outer, &First);
    EXPECT_EQ(outer.Pages, &Pages);
    EXPECT_EQ(inner.Pages, &Pages);
    EXPECT_EQ(inner.Page, &First);
    EXPECT_EQ(inner.MouseStat, &Pages.Mouse);
}

} // namespace
