// The game's start in two halves, on its own data: the first frame is the
// whole main menu although only the main menu's pictures are decoded and the
// speaker is not open yet; the rest of the start, done after it, leaves that
// picture as it is and gives every page its pictures, the speaker and the
// music. The window is SDL's off-screen one.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "app/frmGFourfall.h"
#include "platform/DataFolder.h"
#include "platform/OfflineAudioDriver.h"
#include "platform/SettingsStore.h"
#include "platform/desktop/Bitmap.h"
#include "screens/ProcessState.h"
#include "tests/platform/BuildTree.h"
#include "wlib/sound/Speaker.h"

namespace {

using WLib::TBitmap;

std::vector<uint16_t> Pixels(const Platform::Bitmap& bitmap)
{
    std::vector<uint16_t> pixels;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            pixels.push_back(bitmap.Pixel(x, y));
    return pixels;
}

bool HasPicture(const TBitmap& bitmap)
{
    return !bitmap.IsEmpty() && bitmap.GetSize().Width > 0 && bitmap.GetSize().Height > 0;
}

class FirstFrame : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string data = TestSupport::BuiltDataFolder();
        ASSERT_TRUE(Platform::HoldsGameData(data)) << "no game data in " << data;
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        Process.emplace(&Store, TOfflineAudioDriver::Factory(), 7);
        // As the game starts: the speaker's device waits for the first frame.
        WLib::HoldSpeakerOpening();
        Form.emplace([this] { return Now; });
        Form->DataFolder = data;
        ASSERT_TRUE(Form->OpenWindow("Tumbletown"));
    }
    void TearDown() override
    {
        Form.reset();
        Process.reset();
    }
    // Every full-window and tile picture of the skin set, by name.
    std::vector<std::pair<const char*, const TBitmap*>> Skins() const
    {
        const auto& s = Form->Pages.Skins;
        return {{"MenuPlain", &s.MenuPlain},
                {"MenuHigh", &s.MenuHigh},
                {"OptionsPlain", &s.OptionsPlain},
                {"OptionsHigh", &s.OptionsHigh},
                {"HelpPlain", &s.HelpPlain},
                {"HelpHigh", &s.HelpHigh},
                {"HighScorePlain", &s.HighScorePlain},
                {"HighScoreHigh", &s.HighScoreHigh},
                {"GameTypePlain", &s.GameTypePlain},
                {"GameTypeHigh", &s.GameTypeHigh},
                {"PlayPlain", &s.PlayPlain},
                {"PlayHigh", &s.PlayHigh},
                {"Balls", &s.Balls},
                {"QuestionPlain", &s.QuestionPlain},
                {"QuestionHigh", &s.QuestionHigh},
                {"Specials", &s.Specials},
                {"MoreGamesPlain", &s.MoreGamesPlain},
                {"MoreGamesHigh", &s.MoreGamesHigh},
                {"ControlsPlain", &s.ControlsPlain},
                {"ControlsHigh", &s.ControlsHigh}};
    }

    Platform::TMemorySettingsStore Store;
    std::optional<WFourfall::TProcessScope> Process;
    int64_t Now = 0;
    std::optional<TumbletownApp::TfrmGFourfall> Form;
};

TEST_F(FirstFrame, IsTheWholeMainMenuBeforeTheRestOfTheStart)
{
    Form->CreateFirstPage();
    ASSERT_TRUE(Form->IsStartPending());
    EXPECT_EQ(Form->SleepLimitMs(), 0) << "the main loop goes on with the start at once";
    Form->FormPaint();
    ASSERT_EQ(Form->Pages.LastChild, &Form->Pages.MainMenu);
    const std::vector<uint16_t> first = Pixels(*Form->BackBuffer());

    // Nothing but the main menu's pictures yet, and a silent speaker.
    for (const auto& [name, bitmap] : Skins()) {
        const bool menu = bitmap == &Form->Pages.Skins.MenuPlain || bitmap == &Form->Pages.Skins.MenuHigh;
        EXPECT_EQ(HasPicture(*bitmap), menu) << name;
    }
    ASSERT_NE(WLib::Speaker, nullptr);
    EXPECT_EQ(WLib::Speaker->IsOpen, 0);
    EXPECT_FALSE(Form->Pages.Music.IsPlaying());

    // The pictures come first; the sound, which no page shows, last.
    while (!Form->Pages.HasEveryPicture())
        ASSERT_TRUE(Form->StartStep());
    for (const auto& [name, bitmap] : Skins())
        EXPECT_TRUE(HasPicture(*bitmap)) << name;
    EXPECT_EQ(WLib::Speaker->IsOpen, 0);
    Form->FinishStart();
    EXPECT_FALSE(Form->IsStartPending());
    EXPECT_EQ(WLib::Speaker->IsOpen, 1);
    EXPECT_TRUE(Form->Pages.Music.IsPlaying());

    // With everything there, the main menu is painted as it was.
    Form->Invalidate();
    Form->FormPaint();
    EXPECT_TRUE(Pixels(*Form->BackBuffer()) == first) << "the first frame was not the whole main menu";
}

TEST_F(FirstFrame, TheWholeStartAtOnceLoadsTheSame)
{
    Form->FormCreate();
    EXPECT_FALSE(Form->IsStartPending());
    for (const auto& [name, bitmap] : Skins())
        EXPECT_TRUE(HasPicture(*bitmap)) << name;
    EXPECT_EQ(WLib::Speaker->IsOpen, 1);
    EXPECT_TRUE(Form->Pages.Music.IsPlaying());
    EXPECT_FALSE(Form->StartStep()) << "nothing left to do";
}

// The paint goes straight into the window's own frame (no back buffer of the
// form's own), and what the window shows is that paint, pixel for pixel, as
// a form without a window paints it into a buffer of its own.
TEST_F(FirstFrame, IsDrawnStraightIntoTheWindowsFrameAndShownAsPainted)
{
    int pitch = 0;
    const uint16_t* frame = Form->Window().FramePixels(pitch);
    ASSERT_NE(frame, nullptr) << "the software renderer keeps the frame in place";
    EXPECT_EQ(static_cast<const void*>(Form->BackBuffer()->Bits()), static_cast<const void*>(frame));
    EXPECT_EQ(Form->BackBuffer()->Stride(), pitch);

    Form->FormCreate();
    Form->FormPaint();
    const std::vector<uint16_t> painted = Pixels(*Form->BackBuffer());

    // What the renderer put in the window, read back in the frame's format
    // (5-6-5 widened to the window's 8-8-8 and narrowed back is exact).
    std::vector<uint16_t> shown(size_t(TumbletownApp::TGameForm::kWidth) * TumbletownApp::TGameForm::kHeight);
    ASSERT_TRUE(Form->Window().ReadShown(shown.data(), TumbletownApp::TGameForm::kWidth * 2));
    EXPECT_TRUE(shown == painted) << "the window does not show the paint";

    // A form with no window paints the same picture into its own buffer.
    Form.reset();
    Form.emplace([this] { return Now; });
    Form->DataFolder = TestSupport::BuiltDataFolder();
    Form->FormCreate();
    Form->FormPaint();
    EXPECT_TRUE(Pixels(*Form->BackBuffer()) == painted);
}

} // namespace
