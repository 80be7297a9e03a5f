// Keyboard translation for the window: SDL key codes become the virtual-key
// codes the page set was written for, and the few keys that typed a control
// character on the original platform give that character as a key press.
#pragma once

#include <cstdint>

#include "platform/KeyCodes.h"

namespace Platform {

// Virtual-key code of an SDL key (SDL_Keycode, with its SDL_Scancode as a
// fallback for the punctuation keys, whose key code depends on the layout).
// 0 when the key has no virtual-key code; such keys are not reported.
int VirtualKeyFromSdl(std::int32_t sdlKeycode, int sdlScancode);

// The character a key-down of this SDL key typed on the original platform
// although SDL sends no text for it: Backspace 8, Tab 9, Enter 13, Escape 27.
// 0 for every other key (their characters come from the text input).
int KeyPressCharFromSdl(std::int32_t sdlKeycode);

} // namespace Platform
