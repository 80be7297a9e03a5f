// The captions of the pages' buttons, in each page's button order, and of
// the question box: the skin generator paints them into the skins, and a
// button draws its own when its picture is missing, so that a damaged skin
// still leaves every button readable.
#pragma once

#include "screens/layout/PageLayout.h"

namespace WFourfall {

constexpr const char* kMenuCaptions[kMenuButtonCount] = {"New Game", "Options", "High Scores", "Help",
                                                         "Exit"};
constexpr const char* kGameTypeCaptions[kGameTypeButtonCount] = {"Fourfall", "Fivefall", "Color Fourfall",
                                                                 "Crazy Fourfall", "Back"};
constexpr const char* kGameTypeMoreCaption = "More Games";
constexpr const char* kMoreGamesCaptions[kMoreGamesButtonCount] = {
    "Kids Fourfall", "Kids Fivefall", "Crazy Fivefall", "Grand Fourfall", "Grand Fivefall", "Back"};
constexpr const char* kOptionsCaptions[kOptionsButtonCount] = {
    "Music",  "On",     "Off",  "Sound Effects", "On", "Off", "Background",
    "Techno", "Nature", "Kids", "Next Figure",   "On", "Off", "Back"};
constexpr const char* kOptionsShadowCaptions[kOptionsShadowButtonCount] = {"Landing Shadow", "On", "Off"};
constexpr const char* kOptionsControlsCaption = "Controls";
constexpr const char* kOptionsSoundCaption = "Sound";
constexpr const char* kSoundVolumeCaptions[kSoundVolumeCount] = {"Music Volume", "Effects Volume"};
constexpr const char* kSoundSmoothCaptions[kSoundSmoothButtonCount] = {"Smooth Sound", "On", "Off"};
constexpr const char* kSoundBackCaption = "Back";
constexpr const char* kControlsActionCaptions[kControlsActionCount] = {"Move Left", "Move Right",   "Turn",
                                                                       "Drop",      "One Row Down", "Pause"};
constexpr const char* kControlsRepeatCaptions[kControlsRepeatCount] = {"Repeat Delay", "Repeat Rate"};
// A step down (an en dash: a hyphen is too short to read as minus) and a step up.
constexpr const char* kControlsStepCaptions[2] = {"\x96", "+"};
constexpr const char* kControlsBackCaption = "Back";
constexpr const char* kControlsDefaultsCaption = "Defaults";
constexpr const char* kHelpCaptions[3] = {"Up", "Down", "Back"};
constexpr const char* kHighScoreCaptions[kHighScoreButtonCount] = {
    "Fourfall", "Fivefall", "Color Fourfall", "Crazy Fourfall", "Clear", "World High Scores", "Back"};
constexpr const char* kHighScoreMoreCaptions[kHighScoreMoreTabCount] = {
    "Kids Fourfall", "Kids Fivefall", "Crazy Fivefall", "Grand Fourfall", "Grand Fivefall"};
constexpr const char* kPlayCaption = "Main Menu";
constexpr const char* kQuestionCaptions[2] = {"Yes", "No"};

} // namespace WFourfall
