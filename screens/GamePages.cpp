#include "screens/GamePages.h"

#include "rules/Options.h"
#include "store/OptionsStorage.h"
#include "store/ReplayFolder.h"
#include "store/ScoreStorage.h"

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
    if (code == OptionsPage.MusicChangedId) {
        if (::Options.ZPlayMusic != 0)
            Music.PlayNext();
        else
            Music.Stop();
    }
    return TScrPages::HandleEvent(code, param);
}

void TGamePages::LoadPlayBackground()
{
    WFourfall::LoadPlayBackground(Skins, Services);
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
    LoadOptions();
    LoadControls(Controls);
    LoadScores();

    CreateSkins(Skins);
    LoadSharedJpeg(Skins.MenuPlain, Services.Path("Skin\\Menu.jpg"));
    LoadSharedJpeg(Skins.MenuHigh, Services.Path("Skin\\Menu_.jpg"));
    LoadSharedJpeg(Skins.OptionsPlain, Services.Path("Skin\\Options.jpg"));
    LoadSharedJpeg(Skins.OptionsHigh, Services.Path("Skin\\Options_.jpg"));
    LoadSharedJpeg(Skins.HelpPlain, Services.Path("Skin\\Help.jpg"));
    LoadSharedJpeg(Skins.HelpHigh, Services.Path("Skin\\Help_.jpg"));
    LoadSharedJpeg(Skins.HighScorePlain, Services.Path("Skin\\HighScore.jpg"));
    LoadSharedJpeg(Skins.HighScoreHigh, Services.Path("Skin\\HighScore_.jpg"));
    LoadSharedJpeg(Skins.GameTypePlain, Services.Path("Skin\\GameType.jpg"));
    LoadSharedJpeg(Skins.GameTypeHigh, Services.Path("Skin\\GameType_.jpg"));
    LoadSharedJpeg(Skins.Balls, Services.Path("Skin\\Balls.jpg"));
    LoadSharedJpeg(Skins.QuestionPlain, Services.Path("Skin\\Question.jpg"));
    LoadSharedJpeg(Skins.QuestionHigh, Services.Path("Skin\\Question_.jpg"));
    LoadSharedJpeg(Skins.Specials, Services.Path("Skin\\Specials.jpg"));
    LoadSharedJpeg(Skins.MoreGamesPlain, Services.Path("Skin\\MoreGames.jpg"));
    LoadSharedJpeg(Skins.MoreGamesHigh, Services.Path("Skin\\MoreGames_.jpg"));
    LoadSharedJpeg(Skins.ControlsPlain, Services.Path("Skin\\Controls.jpg"));
    LoadSharedJpeg(Skins.ControlsHigh, Services.Path("Skin\\Controls_.jpg"));
    QuestionBox.Build(Skins.QuestionPlain, Skins.QuestionHigh);
    LoadPlayBackground();

    Insert(&Music, this);
    for (const char* file : kMusicFiles)
        Music.Add(TAString(Services.Path(file).c_str()));
    if (::Options.ZPlayMusic != 0)
        Music.PlayNext();

    Mouse.Image.LoadJpegFile(Services.Path("Skin\\Mouse.jpg").c_str());
    Mouse.Mask.LoadBmpFile(Services.Path("Skin\\Mouse.bmp").c_str());
    Insert(&Mouse, this);

    GameType.Build(this, Skins);
    MoreGames.Build(this, Skins);
    HighScore.Build(this, Skins, Services);
    OptionsPage.Build(this, Skins, Services);
    ControlsPage.Build(this, Skins);
    Help.Build(this, Skins, Services);
    Play.Build(this, Skins, Services);
    MainMenu.Build(this, Skins);

    Wire();
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
    Help.Back.ClickCode = MainMenu.Id;
    Play.Button.ClickCode = MainMenu.Id;
    Play.Board.ResultPageId = HighScore.Id;
    Play.Board.MenuPageId = MainMenu.Id;
    HighScore.List.Board = &Play.Board;
    Play.Board.Controls = &Controls;
    ControlsPage.Controls = &Controls;
    ControlsPage.Sync();
}

} // namespace WFourfall
