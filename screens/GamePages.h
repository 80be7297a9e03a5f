// TGamePages: the game's page set. It loads the options, scores and skins,
// starts the music, builds every page in its order and wires the buttons
// that lead from page to page. The window (or a test host) owns it.
#pragma once

#include <cstdint>
#include <string>

#include "rules/Rules.h"
#include "screens/ControlsPage.h"
#include "screens/GameFourfall.h"
#include "screens/GameServices.h"
#include "screens/GameType.h"
#include "screens/Help.h"
#include "screens/HighScore.h"
#include "screens/MainMenu.h"
#include "screens/MoreGames.h"
#include "screens/OptionsPage.h"
#include "screens/QuestionBox.h"
#include "screens/SkinSet.h"
#include "screens/SoundPage.h"
#include "store/Controls.h"
#include "wlib/Mouse.h"
#include "wlib/ScrPages.h"
#include "wlib/sound/Musics.h"

namespace WFourfall {

// The background music, in play order.
extern const char* const kMusicFiles[4];

class TGamePages : public WLib::TScrPages {
public:
    // The music switch of the options page.
    bool HandleEvent(int32_t code, int32_t param) override;

    // Everything the game does at start, in its order; the main menu, built
    // last, is the page shown first. Call once, after the host has attached
    // the page set and with Services filled in. The same as InitFirstPage
    // then FinishStart.
    void InitPages();
    // The start up to a main menu that can be painted whole: options, keys
    // and scores read, every page built and wired, but only the main menu's
    // pictures and the pointer decoded and no music started. Decoding every
    // page's picture takes several times as long as the rest of the start,
    // so a window shows its first frame sooner when the rest comes after it.
    void InitFirstPage();
    // The rest of the start, a piece at a time (one picture decoded into the
    // object the pages already share, or the music started after the
    // speaker held by WLib::HoldSpeakerOpening is opened); false, doing
    // nothing, once all is done. Until then, showing any page but the main
    // menu would show it without its pictures.
    bool FinishStartStep();
    // All of what FinishStartStep has left.
    void FinishStart();
    // Whether FinishStartStep has decoded every picture (the speaker and the
    // music come after them).
    bool HasEveryPicture() const;
    // Reloads the play background pair for the BackRound option.
    void LoadPlayBackground();
    // Plays a replay file on the play page. False, with why set, when the
    // file cannot be read or is no replay (nothing changes then).
    bool WatchFile(const std::string& path, std::string& why);
    // Whether WatchFile would take the file.
    static bool CanWatchFile(const std::string& path, std::string& why);

    // The game's rules: its game state, options and high-score table. The
    // pages and widgets that show or change them hold this one object.
    GFourfall::TRules Rules;
    TGameServices Services;
    TSkinSet Skins;
    WLib::TMouse Mouse;
    TMainMenu MainMenu;
    TGameType GameType{Rules.Options};
    TMoreGames MoreGames{Rules.Options};
    THighScore HighScore{Rules};
    TOptionsPage OptionsPage{Rules};
    TControlsPage ControlsPage;
    TSoundPage SoundPage{Rules};
    THelp Help;
    TGameFourfall Play{Rules};
    WLib::TMusics Music;
    // The yes/no questions, shown by whoever waits for the answer.
    TQuestionBox QuestionBox;
    // The player's keys and key repeat, loaded with the options.
    TControls Controls;

private:
    void Wire();

    int32_t StartStep = 0; // pieces of FinishStartStep done
};

} // namespace WFourfall
