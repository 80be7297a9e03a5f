// Keeps a harmless X protocol error from ending a game that ended well.
#pragma once

namespace Platform {

// Installs, once per process and before SDL opens its X connections, an X
// error handler that ignores BadWindow answers to SendEvent and passes every
// other error on to the handler it replaces (Xlib's default prints it and
// exits).
//
// Why: while the game waits for input, SDL wakes its own wait by sending a
// message to the game's window over a second X connection. When the window
// closes right then (the exit button is a click, and so a wake-up), the X
// server may handle the close first and answer the message with BadWindow,
// which Xlib reads when SDL closes that connection: the game, its settings
// saved, would end with status 1. A message to a window that is gone has
// nothing left to do.
void InstallX11ErrorFilter();

// The filter's decision, for tests: true when the error is ignored.
bool IgnoredX11Error(int errorCode, int requestCode);

} // namespace Platform
