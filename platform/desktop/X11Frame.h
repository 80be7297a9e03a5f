// The frame a window manager will put around the game's window, asked for
// before the window is shown, so that the window can be placed by its outer
// size from the start.
#pragma once

#include "platform/desktop/WindowPlacement.h"

struct SDL_Window;

namespace Platform {

// On X11 with a window manager that answers frame-extent requests: asks it
// for the frame of the (not yet shown) window and waits up to timeoutMs for
// the answer. False, with frame untouched, elsewhere, without such a window
// manager or without an answer in time.
bool AskX11FrameExtents(SDL_Window* window, int timeoutMs, FrameExtents& frame);

} // namespace Platform
