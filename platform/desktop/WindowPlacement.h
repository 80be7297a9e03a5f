// Where the main window goes: centred with its border on a screen taller than
// the window with its frame, over the whole screen without a border otherwise.
#pragma once

#include <vector>

namespace Platform {

// The game's picture: every page is drawn at this size, whatever the window's.
constexpr int kPictureWidth = 800;
constexpr int kPictureHeight = 600;

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

// A bordered window needs a screen taller than the 800 x 600 client area
// plus the frame; a frame not known yet counts as none, so a screen 600
// pixels high always gets full screen. The frame is placed at ((screen -
// outer size) / 2), computed from the design-time client size 792 x 573
// before the client area grows to 800 x 600, so it sits a few pixels right of
// and below the exact centre, but never so far that the window leaves the
// screen.
WindowPlacement PlaceMainWindow(int screenWidth, int screenHeight, const FrameExtents& frame);

// The window as the player left it: the client area when last windowed (and
// not maximised), in screen coordinates, whether it was full screen, and
// whether it was maximised (or is to be, once back from full screen).
struct WindowGeometry {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool fullScreen = false;
    bool maximized = false;
};

struct ScreenRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Whether a window at this place can still be seen and grabbed: its top edge
// lies on one of the screens, with at least 64 x 32 pixels of it there. A
// window left on a screen since unplugged fails.
bool OnSomeScreen(const WindowGeometry& window, const std::vector<ScreenRect>& screens);

// The window's client area made to fit, with its frame, in the work area (the
// screen less the desktop's panels): a window that fits is left as it is; a
// larger one is scaled down with its shape kept, about its own centre, and
// then moved as little as puts it, frame and all, inside the work area.
WindowGeometry FitInWorkArea(const WindowGeometry& window, const ScreenRect& workArea,
                             const FrameExtents& frame);

constexpr int kDesignClientWidth = 792;
constexpr int kDesignClientHeight = 573;

} // namespace Platform
