// The game's options: one record of signed 32-bit numbers, a member of the
// rules object, read directly by the rules, the pages and the widgets, loaded
// from and saved to the settings store under the value names that the fields bear.
#pragma once

#include <cstdint>

// Fields lie in this order in memory; each is named after its stored value.
// No field is range-checked here: readers guard the values they depend on
// (StartGame clamps StartLevel and Difficulty, see rules/GameState.h).
struct TOptions {
    int32_t StartLevel = 1; // level at which a new game starts
    int32_t Difficulty = 1; // colour count of the colour game is 4 + Difficulty
    int32_t ZPlaySound = 1; // sound effects on (non-zero) or off (0)
    int32_t ZPlayMusic = 1; // background music on (non-zero) or off (0)
    int32_t ZNextFig = 1;   // next-figure preview shown (non-zero) or hidden (0)
    int32_t UseEffects = 1; // kept in the store and written back unchanged
    int32_t MouseType = 1;  // kept in the store and written back unchanged
    int32_t BackRound = 0;  // play background: 0 techno, 1 nature, 2 kids (reduced modulo 3 on load)
    int32_t NumBlocks = 0;  // cell drawing variant of the board widgets
    int32_t ZShadow = 0;    // outline where the falling figure would land (non-zero) or not (0)

    // The player's sound, set on the sound page.
    int32_t MusicVolume = 100; // music volume in percent, 0 to 100 (100 on load when outside)
    int32_t SoundVolume = 100; // sound effects volume in percent, 0 to 100 (likewise)
    int32_t SmoothSound = 0;   // music channels interpolate (non-zero) or take the nearest sample (0)
};

// The volumes' bounds and the sound page's step, in percent.
constexpr int32_t kMinVolume = 0;
constexpr int32_t kMaxVolume = 100;
constexpr int32_t kVolumeStep = 10;

// Puts every field back to its default (for a fresh start and for tests).
void ResetOptions(TOptions& options);
