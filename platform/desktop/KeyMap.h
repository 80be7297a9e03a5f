// Keyboard translation for the window: SDL key codes become the virtual-key
// codes the page set was written for, and the few keys that typed a control
// character on the original platform give that character as a key press.
#pragma once

#include <cstdint>

namespace Platform {

// Virtual-key codes the game relies on by value.
enum VirtualKey : int {
    kVkBack = 0x08,
    kVkTab = 0x09,
    kVkReturn = 0x0D,
    kVkShift = 0x10,
    kVkControl = 0x11,
    kVkMenu = 0x12,
    kVkEscape = 0x1B,
    kVkSpace = 0x20,
    kVkLeft = 0x25,
    kVkUp = 0x26,
    kVkRight = 0x27,
    kVkDown = 0x28,
    kVkDelete = 0x2E,
    kVkF1 = 0x70,
};

// Virtual-key code of an SDL key (SDL_Keycode, with its SDL_Scancode as a
// fallback for the punctuation keys, whose key code depends on the layout).
// 0 when the key has no virtual-key code; such keys are not reported.
int VirtualKeyFromSdl(std::int32_t sdlKeycode, int sdlScancode);

// The character a key-down of this SDL key typed on the original platform
// although SDL sends no text for it: Backspace 8, Tab 9, Enter 13, Escape 27.
// 0 for every other key (their characters come from the text input).
int KeyPressCharFromSdl(std::int32_t sdlKeycode);

} // namespace Platform
