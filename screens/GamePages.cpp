#include "screens/GamePages.h"

#include "platform/FolderFiles.h"
#include "platform/Memory.h"
#include "rules/Options.h"
#include "store/OptionsStorage.h"
#include "store/ReplayFolder.h"
#include "store/ScoreStorage.h"
#include "wlib/sound/Speaker.h"

#include <tuple>

namespace WFourfall {

using namespace WLib;

const char* const kMusicFiles[4] = {
    "Music\\AXEL.MOD",
    "Music\\chinese.MOD",
    "Music\\CRIMINAL.MOD",
    "Music\\mattiasa.mod",
};

bool TGamePages::HandleEvent(int32_t code, int32_t param)
{
    if (code == PictureSweep.TickId && Host != nullptr) {
        DecodePagesInReach();
        // The memory freed goes back to the system, not only to the heap.
        if (Pictures.Sweep(Host->NowMs()) > 0)
            Platform::GiveBackFreeMemory();
        if (!Pictures.HasPicturesToLetGo())
            PictureSweep.Stop();
    }
    if (code == OptionsPage.MusicChangedId) {
        if (Rules.Options.ZPlayMusic != 0)
            Music.PlayNext();
        else
            Music.Stop();
    }
    return TScrPages::HandleEvent(code, param);
}

void TGamePages::PaintTree()
{
    TScrPages::PaintTree();
    if (Host == nullptr)
        return;
    Pictures.NotePaint(Host->NowMs());
    if (PictureSweep.PlatformTimer == nullptr && Pictures.HasPicturesToLetGo())
        PictureSweep.Start(kPictureSweepMs);
}

TScrPage* TGamePages::PageShownBy(int32_t clickCode)
{
    if (clickCode == 0)
        return nullptr;
    for (TScrPage* page : std::initializer_list<TScrPage*>{&MainMenu, &GameType, &MoreGames, &HighScore,
                                                           &OptionsPage, &ControlsPage, &SoundPage, &Help})
        if (page->Id == clickCode)
            return page;
    for (int32_t start : Play.Board.StartIds)
        if (start == clickCode)
            return &Play;
    return nullptr;
}

void TGamePages::DecodePagesInReach()
{
    if (Host == nullptr)
        return;
    TScrPage* front = nullptr;
    for (TApp* child = LastChild; child != nullptr && front == nullptr; child = child->Prev)
        if (child->Kind == kindPage)
            front = static_cast<TScrPage*>(child);
    if (front == nullptr)
        return;
    const int lit = front->NavIndex();
    const int64_t now = Host->NowMs();
    for (const TIButton* button : {lit >= 0 ? front->NavOrder[size_t(lit)] : nullptr, front->NavBack}) {
        TScrPage* page = button != nullptr ? PageShownBy(button->ClickCode) : nullptr;
        if (page == nullptr || page == front)
            continue;
        Pictures.Keep(page->Background, now);
        // Its buttons' lit picture: coming back, the button that left it is
        // still lit.
        if (!page->NavOrder.empty())
            Pictures.Keep(page->NavOrder.front()->Images.Images[ibHover], now);
    }
    if (PictureSweep.PlatformTimer == nullptr && Pictures.HasPicturesToLetGo())
        PictureSweep.Start(kPictureSweepMs);
}

void TGamePages::LoadPlayBackground()
{
    WFourfall::LoadPlayBackground(Skins, Services, Rules.Options);
}

bool TGamePages::WatchFile(const std::string& path, std::string& why)
{
    GFourfall::TReplay replay;
    if (!LoadReplayFile(path, replay, why))
        return false;
    Play.Board.Watch(replay);
    return true;
}

bool TGamePages::CanWatchFile(const std::string& path, std::string& why)
{
    GFourfall::TReplay replay;
    return LoadReplayFile(path, replay, why);
}

void TGamePages::InitPages()
{
    InitFirstPage();
    FinishStart();
}

void TGamePages::InitFirstPage()
{
    LoadOptions(Rules);
    // The volumes are the speaker's before anything plays (and stay with it
    // when it opens later).
    ApplySoundOptions(Rules.Options);
    LoadControls(Controls);
    LoadScores(Rules.HiScores);

    // Every page shares its pictures from the start; only the main menu's
    // are decoded now (the lit one too: the pointer may rest on a button
    // before the rest is done), the others by FinishStart, into the same
    // objects.
    CreateSkins(Skins);
    WatchSkins(Skins, Pictures);
    LoadSharedJpeg(Skins.MenuPlain, "Skin\\Menu.jpg", Services);
    LoadSharedJpeg(Skins.MenuHigh, "Skin\\Menu_.jpg", Services);
    QuestionBox.Build(Skins.QuestionPlain, Skins.QuestionHigh);
    // The options page shows the background as held to the ones there are.
    HoldPlayBackground(Rules.Options);

    Insert(&Music, this);
    Insert(&PictureSweep, this);
    for (const char* file : kMusicFiles) {
        // Played later, one at a time: only a missing one can be told now.
        const std::string path = Services.Path(file);
        Services.NoteDataFile(path, Platform::PathExists(path));
        Music.Add(TAString(path.c_str()));
    }

    for (const auto& [bitmap, file, bmp] : {std::tuple(&Mouse.Image, "Skin\\Mouse.jpg", false),
                                            std::tuple(&Mouse.Mask, "Skin\\Mouse.bmp", true)}) {
        const std::string path = Services.Path(file);
        Services.NoteDataFile(path,
                              bmp ? bitmap->LoadBmpFile(path.c_str()) : bitmap->LoadJpegFile(path.c_str()));
    }
    Insert(&Mouse, this);

    GameType.Build(this, Skins);
    GameType.Services = &Services;
    MoreGames.Build(this, Skins);
    MoreGames.Services = &Services;
    HighScore.Build(this, Skins, Services);
    OptionsPage.Build(this, Skins, Services);
    ControlsPage.Build(this, Skins);
    SoundPage.Build(this, Skins);
    Help.Build(this, Skins, Services);
    Play.Build(this, Skins, Services);
    MainMenu.Build(this, Skins);

    Wire();
    // What could not be delivered before goes out again at each start.
    if (Services.Delivery != nullptr)
        Services.Delivery->Retry();
}

namespace {

// The pictures the start leaves for after the first frame, in the order
// they are decoded.
struct TLaterPicture {
    TBitmap TSkinSet::*Bitmap;
    const char* File;
};

const TLaterPicture kLaterPictures[] = {
    {&TSkinSet::GameTypePlain, "Skin\\GameType.jpg"},
    {&TSkinSet::GameTypeHigh, "Skin\\GameType_.jpg"},
    {&TSkinSet::OptionsPlain, "Skin\\Options.jpg"},
    {&TSkinSet::OptionsHigh, "Skin\\Options_.jpg"},
    {&TSkinSet::HighScorePlain, "Skin\\HighScore.jpg"},
    {&TSkinSet::HighScoreHigh, "Skin\\HighScore_.jpg"},
    {&TSkinSet::HelpPlain, "Skin\\Help.jpg"},
    {&TSkinSet::HelpHigh, "Skin\\Help_.jpg"},
    {&TSkinSet::MoreGamesPlain, "Skin\\MoreGames.jpg"},
    {&TSkinSet::MoreGamesHigh, "Skin\\MoreGames_.jpg"},
    {&TSkinSet::ControlsPlain, "Skin\\Controls.jpg"},
    {&TSkinSet::ControlsHigh, "Skin\\Controls_.jpg"},
    {&TSkinSet::SoundPlain, "Skin\\Sound.jpg"},
    {&TSkinSet::SoundHigh, "Skin\\Sound_.jpg"},
    {&TSkinSet::Balls, "Skin\\Balls.jpg"},
    {&TSkinSet::Specials, "Skin\\Specials.jpg"},
    {&TSkinSet::QuestionPlain, "Skin\\Question.jpg"},
    {&TSkinSet::QuestionHigh, "Skin\\Question_.jpg"},
};
constexpr int32_t kLaterPictureCount = int32_t(sizeof(kLaterPictures) / sizeof(kLaterPictures[0]));

} // namespace

bool TGamePages::FinishStartStep()
{
    // Each picture is decoded once here, so that a missing or damaged file
    // is told at the start, then let go until a page draws it.
    if (StartStep < kLaterPictureCount) {
        const TLaterPicture& later = kLaterPictures[StartStep];
        LoadSharedJpeg(Skins.*later.Bitmap, later.File, Services);
        Pictures.LetGo(Skins.*later.Bitmap);
    } else if (StartStep == kLaterPictureCount) {
        LoadPlayBackground();
        Pictures.LetGo(Skins.PlayPlain);
        Pictures.LetGo(Skins.PlayHigh);
    } else if (StartStep == kLaterPictureCount + 1) {
        // The device is opened only now when the game held it (a test's
        // offline driver was opened with the speaker).
        OpenHeldSpeaker();
        if (Rules.Options.ZPlayMusic != 0)
            Music.PlayNext();
    } else {
        return false;
    }
    ++StartStep;
    return true;
}

bool TGamePages::HasEveryPicture() const
{
    return StartStep > kLaterPictureCount;
}

void TGamePages::FinishStart()
{
    while (FinishStartStep()) {
    }
}

void TGamePages::Wire()
{
    MainMenu.Buttons[0].ClickCode = GameType.Id;
    MainMenu.Buttons[1].ClickCode = OptionsPage.Id;
    MainMenu.Buttons[2].ClickCode = HighScore.Id;
    MainMenu.Buttons[3].ClickCode = Help.Id;
    const int32_t* start = Play.Board.StartIds;
    GameType.Buttons[0].ClickCode = start[0];
    GameType.Buttons[1].ClickCode = start[1];
    GameType.Buttons[2].ClickCode = start[8];
    GameType.Buttons[3].ClickCode = start[4];
    GameType.Buttons[4].ClickCode = MainMenu.Id;
    GameType.More.ClickCode = MoreGames.Id;
    for (int i = 0; i < kMoreGamesTypeCount; ++i)
        MoreGames.Buttons[i].ClickCode = start[kMoreGamesTypes[i]];
    MoreGames.Buttons[kMoreGamesTypeCount].ClickCode = GameType.Id;
    HighScore.Buttons[6].ClickCode = MainMenu.Id;
    OptionsPage.Buttons[13].ClickCode = MainMenu.Id;
    OptionsPage.ControlsButton.ClickCode = ControlsPage.Id;
    ControlsPage.Back.ClickCode = OptionsPage.Id;
    OptionsPage.SoundButton.ClickCode = SoundPage.Id;
    SoundPage.Back.ClickCode = OptionsPage.Id;
    Help.Back.ClickCode = MainMenu.Id;
    // The play page's way back asks first while a game is running.
    Play.Button.ClickCode = Play.Board.LeaveId;
    Play.Board.ResultPageId = HighScore.Id;
    Play.Board.MenuPageId = MainMenu.Id;
    HighScore.List.Board = &Play.Board;
    Play.Board.EntryMade = [this] { HighScore.List.KeepNewEntry(); };
    Play.Board.EntryLeft = [this] { HighScore.List.CloseEntry(); };
    Play.Board.Controls = &Controls;
    ControlsPage.Controls = &Controls;
    ControlsPage.Sync();
}

} // namespace WFourfall
