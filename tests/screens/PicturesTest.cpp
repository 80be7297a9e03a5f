// The skin pictures in memory: only those in view stay decoded, a page shown
// again after its pictures were let go looks the same, and the page a lit
// button leads to has its pictures decoded before the click.
#include <gtest/gtest.h>

#include <vector>

#include "tests/screens/GameOnHost.h"

namespace WFourfall::Test {
namespace {

using namespace WLib;

bool Decoded(const TBitmap& picture)
{
    return dynamic_cast<const TBitmapGDIBase&>(*picture.Impl).IsDecoded();
}

std::vector<uint16_t> Screen(const TTestHost& host)
{
    const Platform::Bitmap* b = host.Picture();
    std::vector<uint16_t> pixels;
    for (int y = 0; y < b->Height(); ++y)
        pixels.insert(pixels.end(), b->Row(y), b->Row(y) + b->Width());
    return pixels;
}

class Pictures : public GameOnHost {
protected:
    void Show(int32_t pageId)
    {
        Pages->PostAndProcess(pageId, 0);
        Host.PaintPending();
    }
    void Light(TScrPage& page, int button)
    {
        page.Highlight(button);
        Pages->Events.ProcessEvents();
        Host.PaintPending();
    }
    // Long enough for a sweep to let go what is out of view.
    void Wait() { Host.Advance(Pages->Pictures.HoldMs + 2 * TGamePages::kPictureSweepMs); }
};

TEST_F(Pictures, AfterTheStartOnlyTheMainMenusPictureIsDecoded)
{
    Host.PaintPending();
    Wait();
    const TSkinSet& s = Pages->Skins;
    EXPECT_TRUE(Decoded(s.MenuPlain));
    EXPECT_EQ(Pages->Pictures.DecodedBytes(), size_t(Platform::Bitmap::StrideFor(800)) * 600);
    for (const TBitmap* later : {&s.MenuHigh, &s.GameTypePlain, &s.OptionsHigh, &s.PlayPlain, &s.PlayHigh,
                                 &s.QuestionPlain, &s.SoundPlain, &s.HelpHigh}) {
        EXPECT_FALSE(Decoded(*later));
        // Checked at the start all the same, and sized for the pages.
        EXPECT_FALSE(later->GetSize() == TSize());
    }
    EXPECT_EQ(Host.TimerCount() > 0, true);
}

TEST_F(Pictures, APageShownAgainAfterItsPicturesWentLooksTheSame)
{
    for (int32_t page : {Pages->OptionsPage.Id, Pages->HighScore.Id, Pages->Help.Id, Pages->GameType.Id}) {
        Show(page);
        const std::vector<uint16_t> first = Screen(Host);
        Show(Pages->MainMenu.Id);
        Wait();
        EXPECT_EQ(Pages->Pictures.DecodedBytes(), size_t(Platform::Bitmap::StrideFor(800)) * 600)
            << "the main menu's alone";
        Show(page);
        EXPECT_TRUE(Screen(Host) == first) << "page " << page;
    }
    // A lit button draws from the lit picture, decoded again too.
    ASSERT_FALSE(Decoded(Pages->Skins.GameTypeHigh));
    Light(Pages->GameType, 0);
    EXPECT_TRUE(Decoded(Pages->Skins.GameTypeHigh));
}

TEST_F(Pictures, ThePageALitButtonLeadsToIsDecodedBeforeTheClick)
{
    Host.PaintPending();
    Wait();
    const TSkinSet& s = Pages->Skins;
    ASSERT_FALSE(Decoded(s.OptionsPlain));
    Light(Pages->MainMenu, 1);   // Options
    Pages->DecodePagesInReach(); // the window does it once the paint is shown
    EXPECT_TRUE(Decoded(s.OptionsPlain));
    EXPECT_TRUE(Decoded(s.OptionsHigh));
    Wait(); // held while the button stays lit
    EXPECT_TRUE(Decoded(s.OptionsPlain));

    // The game type page's buttons start games: the play page's pictures.
    Light(Pages->MainMenu, 0);
    Show(Pages->GameType.Id);
    Light(Pages->GameType, 0);
    Pages->DecodePagesInReach();
    EXPECT_TRUE(Decoded(s.PlayPlain));
    // Its way back too: the main menu, held although no longer drawn.
    Wait();
    EXPECT_TRUE(Decoded(s.MenuPlain));
    EXPECT_FALSE(Decoded(s.OptionsPlain));
}

} // namespace
} // namespace WFourfall::Test
