// What the window reports to the game: one record per key, character, mouse
// or window event, in the order they happened.
#pragma once

#include <string>

namespace Platform {

struct InputRecord {
    enum class Kind {
        KeyDown,    // code: virtual key; once per press and once per auto-repeat
        KeyPress,   // code: Windows-1252 character 0..255
        KeyUp,      // code: virtual key
        MouseDown,  // code: button (1 left, 2 middle, 3 right, ...); x, y
        MouseMove,  // x, y
        MouseUp,    // code: button; x, y
        Activate,   // the window got the keyboard focus
        Deactivate, // the window lost it
        Close,      // the user asked to close the window (or the program was interrupted)
        Expose,     // the window's contents must be shown again
    };

    Kind kind = Kind::Expose;
    int code = 0;
    int x = 0;
    int y = 0;
    bool repeat = false; // KeyDown from auto-repeat

    bool operator==(const InputRecord& other) const
    {
        return kind == other.kind && code == other.code && x == other.x && y == other.y &&
               repeat == other.repeat;
    }
};

// One line of text for logs and test output, e.g. "KeyDown 0x25 repeat".
std::string ToString(const InputRecord& record);

} // namespace Platform
