// The full-window skin pictures shared by all pages, and the play background
// pair chosen by the BackRound option.
#pragma once

#include "rules/Options.h"
#include "screens/GameServices.h"
#include "wlib/graphics/Bitmap.h"

namespace WFourfall {

struct TSkinSet {
    WLib::TBitmap MenuPlain, MenuHigh;
    WLib::TBitmap OptionsPlain, OptionsHigh;
    WLib::TBitmap HelpPlain, HelpHigh;
    WLib::TBitmap HighScorePlain, HighScoreHigh;
    WLib::TBitmap GameTypePlain, GameTypeHigh;
    WLib::TBitmap PlayPlain, PlayHigh;         // shared by the play page: reloaded in place
    WLib::TBitmap Balls;                       // the cell tiles
    WLib::TBitmap QuestionPlain, QuestionHigh; // the question box, as large as the box
    WLib::TBitmap Specials;                    // the tiles of the creator and the destroyer
    WLib::TBitmap MoreGamesPlain, MoreGamesHigh;
    WLib::TBitmap ControlsPlain, ControlsHigh;
    WLib::TBitmap SoundPlain, SoundHigh;
};

// Gives every entry a bitmap object of its own (still without a picture), so
// that pages can share them before anything is loaded.
void CreateSkins(TSkinSet& skins);
// Loads a picture into the bitmap object the handle already shares, so every
// page and button holding a reference sees the new picture. A file that does
// not load leaves the object without a picture (and gives false).
bool LoadSharedJpeg(WLib::TBitmap& bitmap, const std::string& path);
// The same for a file of the game ("Skin\Menu.jpg"), saying through the
// services when it is missing or damaged.
void LoadSharedJpeg(WLib::TBitmap& bitmap, const char* designName, const TGameServices& services);
// BackRound becomes BackRound modulo 3 (kept in the options; a negative
// value becomes 0, the techno background).
void HoldPlayBackground(TOptions& options);
// BackRound becomes BackRound modulo 3 (kept in the options; a negative value
// becomes 0, the techno background), then its plain and highlighted play
// backgrounds are loaded in place.
void LoadPlayBackground(TSkinSet& skins, const TGameServices& services, TOptions& options);

} // namespace WFourfall
