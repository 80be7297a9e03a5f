// Loading and saving the options record and the current game number in the
// settings store, under the current user's key
// Software\Kestrovan\Grand Fourfall\Options, every value a 32-bit number
// named after its field.
#pragma once

#include "rules/Rules.h"

constexpr const char* kOptionsKey = "Software\\Kestrovan\\Grand Fourfall\\Options";

// Opens the key (creating it when missing) and reads into the rules' options
// record ZPlaySound, ZPlayMusic,
// ZNextFig, UseEffects, MouseType, BackRound, NumBlocks, StartLevel and
// Difficulty, ZShadow, MusicVolume, SoundVolume and SmoothSound in this
// order, each keeping its present value when missing or not a number, except
// the two volumes: 100 when missing, not a number or outside 0 to 100. Then
// GameNum, which goes to SelectGame (a number that is no
// game type selects type 0). No value is range-checked here. Called first
// thing at start-up. Failures are silent: the record keeps its values.
void LoadOptions(GFourfall::TRules& rules);

// Writes ZPlaySound, ZPlayMusic, ZNextFig, UseEffects, MouseType,
// StartLevel, GameNum of the game state, BackRound, NumBlocks, Difficulty,
// ZShadow, MusicVolume, SoundVolume and SmoothSound in this order. Other values in the key are kept. Called
// when the options page is built and after every change on it. Failures are silent.
void SaveOptions(const GFourfall::TRules& rules);
