#include "platform/KeyCodes.h"

#include <cctype>

namespace Platform {

namespace {

struct TName {
    const char* Name;
    int32_t Code;
};

const TName kNames[] = {
    {"Left", kVkLeft},       {"Up", kVkUp},           {"Right", kVkRight},       {"Down", kVkDown},
    {"Ctrl", kVkControl},    {"Enter", kVkReturn},    {"Backspace", kVkBack},    {"Escape", kVkEscape},
    {"Space", kVkSpace},     {"Delete", kVkDelete},   {"Tab", kVkTab},           {"Shift", kVkShift},
    {"Alt", kVkMenu},        {"PadLeft", kVkPadLeft}, {"PadRight", kVkPadRight}, {"PadUp", kVkPadUp},
    {"PadDown", kVkPadDown}, {"PadA", kVkPadA},       {"PadB", kVkPadB},         {"PadStart", kVkPadStart},
    {"PadBack", kVkPadBack},
};

} // namespace

int32_t VirtualKeyFromName(const std::string& name)
{
    for (const TName& n : kNames)
        if (name == n.Name)
            return n.Code;
    if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0])))
        return std::toupper(static_cast<unsigned char>(name[0]));
    return 0;
}

std::string VirtualKeyName(int32_t code)
{
    for (const TName& n : kNames)
        if (code == n.Code)
            return n.Name;
    if ((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z'))
        return std::string(1, static_cast<char>(code));
    static const char kHex[] = "0123456789ABCDEF";
    std::string name = "Key ";
    name += kHex[(code >> 4) & 0xF];
    name += kHex[code & 0xF];
    return name;
}

} // namespace Platform
