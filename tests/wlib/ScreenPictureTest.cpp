// A screen built like a real one, two pages with image buttons, a text block
// and the cursor, clicked through with mouse input and checked from the saved
// off-screen picture.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "platform/desktop/Bitmap.h"
#include "platform/desktop/PngFile.h"
#include "tests/platform/PictureFolder.h"
#include "tests/wlib/SkinPictures.h"
#include "wlib/IButton.h"
#include "wlib/Mouse.h"
#include "wlib/ScrPage.h"
#include "wlib/ScrPages.h"
#include "wlib/TestHost.h"
#include "wlib/Text.h"

using namespace WLib;
using namespace WLibTest;

namespace {

// Colours of the pictures, in 5-6-5.
const uint16_t kMenuPlain = 0x0010;    // dark blue
const uint16_t kMenuLit = 0xFFE0;      // yellow
const uint16_t kSecondPlain = 0x0400;  // dark green
const uint16_t kSecondLit = 0xF800;    // red
const uint16_t kCursorColour = 0xFFFF; // white arrow
const int kCursorSize = 12;

// The main menu with three buttons leading to a second page with two
// buttons and a text block; every button copies its region of the page's
// plain or lit picture.
struct Screen : ::testing::Test {
    TestSupport::PictureFolder Pictures; // kept in the build folder when a test fails
    TTestHost Host;
    TScrPages Pages;
    TMouse Cursor;
    TScrPage Menu, Second;
    TIButton MenuButton[3];
    TIButton SecondButton[2];
    TText Text;
    TBitmap MenuPlain, MenuLit, SecondPlain, SecondLit;

    void SetUp() override
    {
        Host.Attach(Pages);
        MakeFilledBitmap(MenuPlain, 800, 600, kMenuPlain);
        MakeFilledBitmap(MenuLit, 800, 600, kMenuLit);
        MakeFilledBitmap(SecondPlain, 800, 600, kSecondPlain);
        MakeFilledBitmap(SecondLit, 800, 600, kSecondLit);
        MakeArrowCursor(Cursor.Image, Cursor.Mask, kCursorSize, kCursorColour);

        TApp::Insert(&Cursor, &Pages);
        BuildPage(Second, SecondPlain, SecondLit, SecondButton, 2);
        TApp::Insert(&Text, &Second);
        TApp::SetBounds(&Text, 100, 300, 200, 600);
        Text.SetText("Falling blocks fill the well.\n\nFull rows vanish and score.");
        BuildPage(Menu, MenuPlain, MenuLit, MenuButton, 3);
        MenuButton[0].ClickCode = Second.Id;
        SecondButton[1].ClickCode = Menu.Id;
        Host.Start();
    }

    void BuildPage(TScrPage& page, const TBitmap& plain, const TBitmap& lit, TIButton* buttons, int count)
    {
        TApp::Insert(&page, &Pages);
        page.Background = plain;
        TIButtonBase images;
        images.Make(plain, lit);
        for (int i = 0; i < count; ++i) {
            TApp::Insert(&buttons[i], &page);
            TApp::SetBounds(&buttons[i], 300, 100 + 120 * i, 80, 200); // x 300..500
            images.Apply(1, {&buttons[i]});
        }
    }

    void Click(int x, int y)
    {
        Pages.MouseMove(x, y);
        Pages.MouseDown(x, y, 1);
        Pages.MouseUp(x, y, 1);
    }

    // Paints as the window would, saves the picture as a PNG and reads it back.
    std::unique_ptr<Platform::Bitmap, void (*)(Platform::Bitmap*)> SavedPicture(const char* name)
    {
        Host.PaintPending();
        const std::string path = Pictures.File(name);
        EXPECT_TRUE(Host.SavePng(path.c_str()));
        return {Platform::LoadPngFile(path.c_str()), Platform::DeleteBitmap};
    }
};

// Counts the pixels of a region that have the colour.
int CountColour(const Platform::Bitmap& picture, int left, int top, int right, int bottom, uint16_t colour)
{
    int n = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            n += picture.Pixel(x, y) == colour;
    return n;
}

TEST_F(Screen, MenuIsShownFirstWithItsPlainPicture)
{
    auto picture = SavedPicture("menu-start.png");
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->Width(), 800);
    EXPECT_EQ(picture->Height(), 600);
    EXPECT_EQ(CountColour(*picture, 0, 0, 800, 600, kMenuLit), 0);
    EXPECT_EQ(picture->Pixel(799, 599), kMenuPlain);
    EXPECT_EQ(picture->Pixel(400, 130), kMenuPlain);
}

TEST_F(Screen, HighlightIsDrawnUnderThePointerAndTheCursorOnTop)
{
    // Into the second menu button, (300, 220) to (500, 300).
    Pages.MouseMove(350, 250);
    auto picture = SavedPicture("menu-hover.png");
    ASSERT_TRUE(picture);
    // The cursor: its picture's top-left pixel is the pointer, drawn over the
    // highlight (last), with the highlight around it where it is transparent.
    EXPECT_EQ(picture->Pixel(350, 250), kCursorColour);
    EXPECT_EQ(picture->Pixel(351, 251), kCursorColour);
    EXPECT_EQ(picture->Pixel(350 + kCursorSize - 1, 250), kMenuLit); // transparent corner
    int cursorPixels = CountColour(*picture, 350, 250, 350 + kCursorSize, 250 + kCursorSize, kCursorColour);
    EXPECT_EQ(cursorPixels, ArrowPixelCount(kCursorSize));
    // The whole button region but the cursor and the focus rim (two pixels
    // round it) is lit; the rest of the page is not.
    const int inner = (200 - 4) * (80 - 4);
    EXPECT_EQ(CountColour(*picture, 300, 220, 500, 300, kMenuLit) + cursorPixels, inner);
    EXPECT_EQ(CountColour(*picture, 300, 100, 500, 180, kMenuLit), 0);
    EXPECT_EQ(CountColour(*picture, 0, 0, 800, 600, kMenuLit), inner - cursorPixels);
    EXPECT_EQ(CountColour(*picture, 0, 0, 800, 600, kCursorColour), cursorPixels);
}

TEST_F(Screen, ClickingThroughSwitchesPagesAndBack)
{
    Click(400, 130); // first menu button: the second page
    EXPECT_EQ(Pages.LastChild, &Second);
    Pages.MouseMove(10, 10);
    auto picture = SavedPicture("second.png");
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->Pixel(700, 50), kSecondPlain);
    EXPECT_EQ(CountColour(*picture, 0, 0, 800, 600, kMenuPlain), 0);
    EXPECT_EQ(CountColour(*picture, 0, 0, 800, 600, kSecondLit), 0);
    // The text block drew inside its own rectangle only.
    int outside = 800 * 600 - CountColour(*picture, 0, 0, 800, 600, kSecondPlain) -
                  CountColour(*picture, 10, 10, 10 + kCursorSize, 10 + kCursorSize, kCursorColour);
    int textPixels = 600 * 200 - CountColour(*picture, 100, 300, 700, 500, kSecondPlain);
    EXPECT_GT(textPixels, 100);
    EXPECT_EQ(outside, textPixels);

    Click(400, 250); // the second page's second button: back to the menu
    EXPECT_EQ(Pages.LastChild, &Menu);
    Pages.MouseMove(10, 10);
    picture = SavedPicture("menu-again.png");
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->Pixel(400, 250), kMenuPlain);
    EXPECT_EQ(CountColour(*picture, 0, 0, 800, 600, kSecondPlain), 0);
}

TEST_F(Screen, SelectedButtonShowsTheLitPictureIdleAndThePlainOneWhilePressed)
{
    MenuButton[2].Selected = 1;
    TApp::Invalidate(&MenuButton[2]);
    Pages.MouseMove(10, 10);
    auto picture = SavedPicture("selected-idle.png");
    ASSERT_TRUE(picture);
    EXPECT_EQ(CountColour(*picture, 300, 340, 500, 420, kMenuLit), 200 * 80);
    Pages.MouseMove(400, 380);
    Pages.MouseDown(400, 380, 1);
    picture = SavedPicture("selected-pressed.png");
    ASSERT_TRUE(picture);
    EXPECT_EQ(CountColour(*picture, 300, 340, 500, 420, kMenuLit), 0);
    EXPECT_EQ(picture->Pixel(450, 400), kMenuPlain);
}

TEST_F(Screen, ButtonWithoutPicturesShowsThePageBackgroundAndStillClicks)
{
    for (TBitmap& image : MenuButton[0].Images.Images)
        image = TBitmap();
    Pages.MouseMove(400, 130);
    auto picture = SavedPicture("imageless.png");
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->Pixel(450, 170), kMenuPlain);
    Pages.MouseDown(400, 130, 1);
    Pages.MouseUp(400, 130, 1);
    EXPECT_EQ(Pages.LastChild, &Second);
}

TEST_F(Screen, CursorIsDrawnOncePerPaint)
{
    Pages.MouseMove(600, 500);
    Host.PaintPending();
    // A second paint of the tree within one paint would be the same picture;
    // what must hold is that a paint ends with one cursor and no queued draw.
    EXPECT_EQ(Pages.CursorDrawn, 1);
    EXPECT_TRUE(Pages.Events.Empty());
    EXPECT_EQ(Host.Pixel(600, 500), kCursorColour);
}

TEST_F(Screen, CursorWithoutItsPictureDrawsAPlainArrowAtThePointer)
{
    // The mask alone would stamp a black silhouette, and no cursor at all
    // would leave the mouse useless (the system's is hidden): a plain arrow.
    Cursor.Image = TBitmap();
    Pages.MouseMove(600, 500);
    auto picture = SavedPicture("plain-cursor.png");
    ASSERT_TRUE(picture);
    const int arrow = 800 * 600 - CountColour(*picture, 0, 0, 800, 600, kMenuPlain);
    const int atThePointer = 12 * 17 - CountColour(*picture, 600, 500, 612, 517, kMenuPlain);
    EXPECT_EQ(arrow, atThePointer) << "nothing drawn elsewhere";
    EXPECT_GT(arrow, 60);
    EXPECT_EQ(picture->Pixel(600, 500), 0) << "the tip, black";
    EXPECT_EQ(picture->Pixel(602, 506), 0xFFFF) << "a white body";
}

} // namespace
