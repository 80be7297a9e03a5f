// Image buttons through the page set's mouse input: hover, press, click on
// release inside, cancelling, hover codes and the picture each state shows.
#include <gtest/gtest.h>

#include <ostream>

#include "tests/wlib/ProbeApp.h"
#include "wlib/IButton.h"
#include "wlib/Mouse.h"
#include "wlib/ScrPage.h"
#include "wlib/ScrPages.h"
#include "wlib/TestHost.h"

using namespace WLib;
using namespace WLibTest;

namespace {

struct Buttons : ::testing::Test {
    TEventLog Log;
    TTestHost Host;
    TScrPages Pages;
    TProbe<TScrPage> Page{"page", Log};
    TIButton Button; // (100, 100) to (200, 140)

    void SetUp() override
    {
        Host.Attach(Pages);
        TApp::Insert(&Page, &Pages);
        TApp::Insert(&Button, &Page);
        TApp::SetBounds(&Button, 100, 100, 40, 100);
        Host.Start();
        Log.Entries.clear();
    }
    int Clicks() const { return Log.Count("page", Button.ClickCode); }
};

TEST_F(Buttons, PressAndReleaseInsideClicksOnce)
{
    Pages.MouseMove(150, 120);
    EXPECT_EQ(Button.Hover, 1);
    Pages.MouseDown(150, 120, 1);
    EXPECT_EQ(Button.Pressed, 1);
    EXPECT_EQ(Clicks(), 0);
    Pages.MouseUp(150, 120, 1);
    EXPECT_EQ(Button.Pressed, 0);
    EXPECT_EQ(Clicks(), 1);
    // A second release without a press clicks nothing.
    Pages.MouseUp(150, 120, 1);
    EXPECT_EQ(Clicks(), 1);
}

TEST_F(Buttons, RightButtonClicksLikeTheLeft)
{
    Pages.MouseMove(150, 120);
    Pages.MouseDown(150, 120, 3);
    Pages.MouseUp(150, 120, 3);
    EXPECT_EQ(Clicks(), 1);
}

TEST_F(Buttons, PressDraggedOutAndReleasedOutsideCancels)
{
    Pages.MouseMove(150, 120);
    Pages.MouseDown(150, 120, 1);
    Pages.MouseMove(250, 120);
    EXPECT_EQ(Button.Pressed, 0);
    EXPECT_EQ(Button.Hover, 0);
    Pages.MouseUp(250, 120, 1);
    EXPECT_EQ(Clicks(), 0);
    // Coming back and releasing inside does not click either: the press is gone.
    Pages.MouseMove(150, 120);
    Pages.MouseUp(150, 120, 1);
    EXPECT_EQ(Clicks(), 0);
}

TEST_F(Buttons, PressOutsideAndReleaseInsideDoesNothing)
{
    Pages.MouseDown(50, 50, 1);
    Pages.MouseMove(150, 120);
    Pages.MouseUp(150, 120, 1);
    EXPECT_EQ(Clicks(), 0);
}

TEST_F(Buttons, ClickOnTheEdgePixelCounts)
{
    Pages.MouseMove(200, 140);
    Pages.MouseDown(200, 140, 1);
    Pages.MouseUp(200, 140, 1);
    EXPECT_EQ(Clicks(), 1);
}

TEST_F(Buttons, HoverCodeIsPostedOnEnterOnly)
{
    Button.HoverCode = NewId();
    Pages.MouseMove(150, 120);
    Pages.MouseMove(160, 120);
    Pages.MouseMove(300, 120);
    Pages.MouseMove(150, 120);
    EXPECT_EQ(Log.Count("page", Button.HoverCode), 2);
}

TEST_F(Buttons, ClickCodeZeroPostsNothing)
{
    Button.ClickCode = 0;
    Pages.MouseMove(150, 120);
    Pages.MouseDown(150, 120, 1);
    Pages.MouseUp(150, 120, 1);
    EXPECT_EQ(Log.Count("page", 0), 0);
    EXPECT_EQ(Button.Pressed, 0);
}

TEST_F(Buttons, ClickCodeOfAPageSwitchesToIt)
{
    TScrPage other;
    TApp::Insert(&other, &Pages);
    Host.Start();
    ASSERT_EQ(Pages.LastChild, &other);
    // The button's page is behind now; its Id on the button brings it back.
    Pages.PostAndProcess(Page.Id, 0);
    Button.ClickCode = other.Id;
    Pages.MouseMove(150, 120);
    Pages.MouseDown(150, 120, 1);
    Pages.MouseUp(150, 120, 1);
    EXPECT_EQ(Pages.LastChild, &other);
    EXPECT_TRUE(other.Visible());
    EXPECT_FALSE(Page.Visible());
}

TEST(IButtonBase, ApplyStopsAtTheCountAndAtTheFirstNull)
{
    TBitmap plain, lit;
    plain.Create(8, 8);
    lit.Create(8, 8);
    TIButtonBase images;
    images.Make(plain, lit);
    TIButton a, b, c, d;
    images.Apply(1, {&a, &b});
    images.Apply(-1, {&c, nullptr, &d});
    EXPECT_EQ(a.Images.Images[ibNormal].Impl, plain.Impl);
    EXPECT_TRUE(b.Images.Images[ibNormal].IsEmpty());
    EXPECT_EQ(c.Images.Images[ibHover].Impl, lit.Impl);
    EXPECT_TRUE(d.Images.Images[ibHover].IsEmpty());
}

struct ImageCase {
    bool Selected, Hover, Pressed;
    int Index;
    bool Highlighted; // with pictures made from (normal, highlighted)
};

std::ostream& operator<<(std::ostream& os, const ImageCase& c)
{
    return os << (c.Selected ? "selected" : "unselected") << (c.Hover ? " hover" : "")
              << (c.Pressed ? " pressed" : "");
}

struct ImageChoice : ::testing::TestWithParam<ImageCase> {};

TEST_P(ImageChoice, StatePicksThePicture)
{
    const ImageCase& c = GetParam();
    TIButton button;
    button.Selected = c.Selected;
    button.Hover = c.Hover;
    button.Pressed = c.Pressed;
    EXPECT_EQ(button.ImageIndex(), c.Index);
    // Through Make and Apply, the picture shown is the plain or the lit one.
    TBitmap plain, lit;
    plain.Create(8, 8);
    lit.Create(8, 8);
    TIButtonBase images;
    images.Make(plain, lit);
    images.Apply(-1, {&button, nullptr});
    const TBitmap& shown = button.Images.Images[button.ImageIndex()];
    EXPECT_EQ(shown.Impl, c.Highlighted ? lit.Impl : plain.Impl);
}

INSTANTIATE_TEST_SUITE_P(IButton, ImageChoice,
                         ::testing::Values(ImageCase{false, false, false, ibNormal, false},
                                           ImageCase{false, true, false, ibHover, true},
                                           ImageCase{false, true, true, ibPressed, true},
                                           ImageCase{false, false, true, ibPressed, true},
                                           ImageCase{true, false, false, ibSelected, true},
                                           ImageCase{true, true, false, ibHoverSelected, true},
                                           ImageCase{true, true, true, ibPressedSelected, false},
                                           ImageCase{true, false, true, ibPressedSelected, false}));

} // namespace
