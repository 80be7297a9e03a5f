// The game window's size, position, full-screen and maximised state as the
// player left them, kept as values of the options key.
#pragma once

#include <cstdint>

struct TWindowState {
    bool Known = false; // false: nothing (usable) stored, place as designed
    bool FullScreen = false;
    bool Maximized = false; // or to be maximised, back from full screen
    // The window's client area when last windowed and not maximised, in
    // screen coordinates.
    int32_t X = 0;
    int32_t Y = 0;
    int32_t Width = 0;
    int32_t Height = 0;
};

// Sizes outside these are damaged values, not a player's choice.
constexpr int32_t kMinWindowSide = 100;
constexpr int32_t kMaxWindowSide = 16384;

// Reads WindowX, WindowY, WindowWidth, WindowHeight and FullScreen. Any of
// them missing, not a number or out of range (sizes outside the bounds above,
// positions beyond them either way, FullScreen not 0 or 1) leaves the state
// unknown. Maximized, added later, is 1 or not maximised: a file without it
// (or with it damaged) keeps the rest. Silent on failure.
TWindowState LoadWindowState();
// Writes the six values; other values of the key are kept.
void SaveWindowState(const TWindowState& state);
