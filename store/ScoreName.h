// The names the world high-score server takes with a result and its replay:
// one rule for the game that sends them, so that a player's own result is
// never refused for its name without the game saying why.
#pragma once

#include <string_view>

enum class TWorldNameFault {
    None,
    Blank,     // empty, or only spaces and no-break spaces: nobody to list
    Control,   // a control byte (below 32, or 127): a replay cannot carry it
    Invisible, // the soft hyphen: two names would look the same
};

// What keeps the name (the game's 8-bit text) off the world list; None when
// it may go.
TWorldNameFault WorldNameFault(std::string_view name);

// Whether a typed character may go into a name at all: a control byte or an
// invisible character never can.
bool IsWorldNameByte(unsigned char c);
