// The virtual-key codes of the original platform, which the page set, the
// window's key translation, the scripts of the headless driver and the tests
// all speak. Key-down and key-up events carry these codes; typed characters
// arrive separately as Windows-1252 key presses.
#pragma once

#include <cstdint>
#include <string>

namespace Platform {

// Virtual-key codes the game relies on by value. Letters and digits are
// their upper-case ASCII codes ('A' is 0x41, '0' is 0x30).
enum VirtualKey : int32_t {
    kVkBack = 0x08,
    kVkTab = 0x09,
    kVkReturn = 0x0D,
    kVkShift = 0x10,
    kVkControl = 0x11,
    kVkMenu = 0x12,
    kVkEscape = 0x1B,
    kVkSpace = 0x20,
    kVkPageUp = 0x21,
    kVkPageDown = 0x22,
    kVkEnd = 0x23,
    kVkHome = 0x24,
    kVkLeft = 0x25,
    kVkUp = 0x26,
    kVkRight = 0x27,
    kVkDown = 0x28,
    kVkDelete = 0x2E,
    kVkN = 0x4E,
    kVkP = 0x50,
    kVkY = 0x59,
    kVkF1 = 0x70,
    // A gamepad's buttons, in codes the original platform left unassigned:
    // the pages tell them from keys (Up on a pad drops, on the keyboard it
    // turns), and the scripts and tests can press them like keys.
    kVkPadLeft = 0x88,
    kVkPadRight = 0x89,
    kVkPadUp = 0x8A,
    kVkPadDown = 0x8B,
    kVkPadA = 0x8C,
    kVkPadB = 0x8D,
    kVkPadStart = 0x8E,
    kVkPadBack = 0x8F,
    // The mouse wheel turned one notch away from the player or toward: a key
    // that goes down and up at once, for pages that scroll.
    kVkWheelUp = 0x97,
    kVkWheelDown = 0x98,
};

// The code of a key named in a script or a test: Left, Right, Up, Down, Ctrl,
// Enter, Backspace, Escape, Space, Delete, Tab, Shift, Alt, the pad's
// PadLeft, PadRight, PadUp, PadDown, PadA, PadB, PadStart, PadBack, the
// mouse's WheelUp and WheelDown; the other
// keys a player may choose (F1 to F24, Home, End, PageUp, PageDown, Insert,
// Pause, Num0 to Num9 and the keypad's Num* Num+ Num- Num. Num/, the
// punctuation keys by their US characters, ...); a single letter (either
// case) or digit. 0 for any other name.
int32_t VirtualKeyFromName(const std::string& name);
// The name a player reads for a key code: the names above, letters and
// digits as themselves, other codes as "Key " and the code in hex.
std::string VirtualKeyName(int32_t code);

} // namespace Platform
