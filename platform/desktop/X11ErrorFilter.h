// Keeps a harmless X protocol error from ending a game that ended well.
#pragma once

struct SDL_Window;

namespace Platform {

// Installs, once per process and before SDL opens its X connections, an X
// error handler that ignores the errors of requests that met the game's own
// window already gone (see IgnoredX11Error), and passes every other error on
// to the handler it replaces (Xlib's default prints it and exits).
//
// Why: the window can go while the game still names it in requests, and Xlib
// reads the answers at its next round trip, where its default handler would
// end the game, its settings saved, with status 1.
//  - While the game waits for input, SDL wakes its own wait by sending a
//    message to the game's window over a second X connection. When the window
//    closes right then (the exit button is a click, and so a wake-up), the X
//    server may handle the close first and answer the message with BadWindow.
//  - Another X client may destroy the window (xdotool windowclose, a task
//    manager). The game sees it unmapped, then destroyed, and ends. Before
//    it hears of the destruction, SDL may still read the window's properties
//    (a window manager changes them as it lets go of the window) or let go
//    of its touch grab on it (an XInput request); a frame may still be on its
//    way to the window; and the game's own end changes the window's cursor
//    and destroys it.
void InstallX11ErrorFilter();

// When the window is an X11 window: tells the filter (SetX11GameWindow) the
// window and the opcode its server gave MIT-SHM, and returns the window's X11
// id; 0 elsewhere.
unsigned long NoteX11GameWindow(SDL_Window* window);
// Whether the SDL event (an SDL_Event) is X11's notice that the window of
// that id was destroyed, as another client may do.
bool DestroysX11Window(const void* sdlEvent, unsigned long window);
// To be called before SDL destroys a window that another client destroyed
// already. SDL hides a window it believes shown before destroying it, and
// waits for the X server to say the window was unmapped: for a window gone
// unseen (the game may miss its unmapping under a window manager) that
// notice never comes, and the game would hang at its end. This queues one
// for SDL to find.
void ReleaseDestroyedX11Window(SDL_Window* window);

// The game's window on its X server and the opcode that the server gave the
// MIT-SHM extension (-1 when it lacks it). Until this is told, only the
// wake-up rule applies.
void SetX11GameWindow(unsigned long window, int shmOpcode);

struct TX11Error {
    int ErrorCode;
    int RequestCode;
    int MinorCode;
    unsigned long Resource;
};

// The filter's decision, for tests: true when the error is ignored. These,
// and nothing else, are:
//   BadWindow answering SendEvent (the wake-up, whichever window);
//   BadWindow on the game's window, whatever the request (the game names
//     its window only while it holds it, so the window is gone);
//   BadDrawable on the game's window answering PutImage or MIT-SHM's
//     ShmPutImage (a frame shown to a window that went meanwhile).
bool IgnoredX11Error(const TX11Error& error);

} // namespace Platform
