// Where the main window goes: centred with its border on a screen taller than
// the window, over the whole screen without a border otherwise.
#pragma once

namespace Platform {

// Thickness of the frame the window manager puts around the client area
// (all 0 when there is none or it is not known).
struct FrameExtents {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

struct WindowPlacement {
    bool fullScreen = false;
    // Position of the client area's top-left corner on the screen (windowed).
    int clientX = 0;
    int clientY = 0;
};

// The window is created with the design-time client size 792 x 573; the
// screen must be taller than that plus the frame for a bordered window. Its
// frame is then placed at ((screen - outer size) / 2), computed from that
// design-time outer size, before the client area grows to 800 x 600, so it
// sits a few pixels right of and below the exact centre.
WindowPlacement PlaceMainWindow(int screenWidth, int screenHeight, const FrameExtents& frame);

constexpr int kDesignClientWidth = 792;
constexpr int kDesignClientHeight = 573;

} // namespace Platform
