// The text widget on a page of the test host: layout once per text, the
// layout font, drawing inside its own rectangle, empty and blank texts.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "tests/wlib/SkinPictures.h"
#include "wlib/ScrPage.h"
#include "wlib/ScrPages.h"
#include "wlib/TestHost.h"
#include "wlib/Text.h"

using namespace WLib;
using namespace WLibTest;

namespace {

const uint16_t kBackground = 0x0010;

struct TextWidget : ::testing::Test {
    TTestHost Host;
    TScrPages Pages;
    TScrPage Page;
    TText Text;

    void SetUp() override
    {
        Host.Attach(Pages);
        TApp::Insert(&Page, &Pages);
        MakeFilledBitmap(Page.Background, 800, 600, kBackground);
        TApp::Insert(&Text, &Page);
        TApp::SetBounds(&Text, 200, 100, 300, 400); // (200, 100) to (600, 400)
        Host.Start();
    }
    // Pixels that are not background, inside and outside the widget.
    std::pair<int, int> InkInsideAndOutside() const
    {
        int inside = 0, outside = 0;
        for (int y = 0; y < 600; ++y) {
            for (int x = 0; x < 800; ++x) {
                if (Host.Pixel(x, y) == kBackground)
                    continue;
                bool in = x >= 200 && x < 600 && y >= 100 && y < 400;
                (in ? inside : outside) += 1;
            }
        }
        return {inside, outside};
    }
};

TEST_F(TextWidget, LaysOutOnceAtItsFontHeightAndDrawsInsideItsRectangle)
{
    Text.SetText("The quick brown fox jumps over the lazy dog. The quick brown fox jumps over the lazy dog.");
    Host.Start();
    EXPECT_TRUE(Host.RepaintRequested());
    Host.Paint();
    ASSERT_EQ(Text.LaidOut, 1);
    EXPECT_EQ(Text.Layout.LineHeight, 18);
    EXPECT_GE(Text.Layout.Lines.High(), 2); // wrapped within 400 pixels
    EXPECT_LE(Text.Layout.ExtentX, 400);
    auto ink = InkInsideAndOutside();
    EXPECT_GT(ink.first, 200);
    EXPECT_EQ(ink.second, 0);
    // Resizing keeps the layout; only SetText lays out anew.
    TApp::SetBounds(&Text, 200, 100, 300, 100);
    Host.Paint();
    EXPECT_LE(Text.Layout.ExtentX, 400);
    EXPECT_GT(Text.Layout.ExtentX, 100);
    Text.SetText("Short.");
    EXPECT_EQ(Text.LaidOut, 0);
    Host.Paint();
    EXPECT_EQ(Text.Layout.Lines.High(), 1);
}

TEST_F(TextWidget, TextFollowsTheWidgetWhenItMoves)
{
    Text.SetText("Moving text");
    Host.Paint();
    int firstInk = InkInsideAndOutside().first;
    TApp::SetBounds(&Text, 10, 410, 300, 400); // the text lands near (165, 550)
    Host.Paint();
    auto ink = InkInsideAndOutside();
    EXPECT_EQ(ink.first, 0);
    EXPECT_EQ(ink.second, firstInk);
}

TEST_F(TextWidget, EmptyAndBlankTextsDrawNothing)
{
    Host.Paint();
    EXPECT_EQ(InkInsideAndOutside(), std::make_pair(0, 0));
    EXPECT_EQ(Text.LaidOut, 0); // nothing to lay out
    Text.SetText(" \t \n  \n");
    Host.Paint();
    EXPECT_EQ(InkInsideAndOutside(), std::make_pair(0, 0));
}

TEST_F(TextWidget, ScrolledTextStartsAtTheOffset)
{
    // Twenty one-word paragraphs of 18 pixels in a box 300 high: 16 fit.
    TAString text;
    for (int i = 1; i <= 20; ++i) {
        text.Append(("Line" + std::to_string(i)).c_str());
        text.Append("\n");
    }
    Text.SetText(text);
    Host.Paint();
    ASSERT_EQ(Text.Layout.Lines.High(), 20);
    // Top rows of the widget have ink at offset 0, none after scrolling half
    // a line: the first visible line then starts above the top edge.
    auto inkInRows = [&](int top, int bottom) {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = 200; x < 600; ++x)
                n += Host.Pixel(x, y) != kBackground;
        return n;
    };
    int bottomInkAtZero = inkInRows(100 + 16 * 18, 400);
    EXPECT_EQ(bottomInkAtZero, 0); // the 17th line would cross the bottom edge
    Text.ScrollY = 3 * 18;
    Host.Paint();
    EXPECT_GT(inkInRows(100, 118), 0); // the fourth line at the top edge
    EXPECT_EQ(inkInRows(100 + 16 * 18, 400), 0);
}

} // namespace
