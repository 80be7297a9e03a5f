#include "platform/KeyCodes.h"

#include <cctype>

namespace Platform {

namespace {

struct TName {
    const char* Name;
    int32_t Code;
};

const TName kNames[] = {
    {"Left", kVkLeft},
    {"Up", kVkUp},
    {"Right", kVkRight},
    {"Down", kVkDown},
    {"Ctrl", kVkControl},
    {"Enter", kVkReturn},
    {"Backspace", kVkBack},
    {"Escape", kVkEscape},
    {"Space", kVkSpace},
    {"Delete", kVkDelete},
    {"Tab", kVkTab},
    {"Shift", kVkShift},
    {"Alt", kVkMenu},
    {"PadLeft", kVkPadLeft},
    {"PadRight", kVkPadRight},
    {"PadUp", kVkPadUp},
    {"PadDown", kVkPadDown},
    {"PadA", kVkPadA},
    {"PadB", kVkPadB},
    {"PadStart", kVkPadStart},
    {"PadBack", kVkPadBack},
    {"WheelUp", kVkWheelUp},
    {"WheelDown", kVkWheelDown},
};

// Further keys a player may choose on the controls page, named as their caps
// read (the punctuation keys by their US characters).
const TName kMoreNames[] = {
    {"Pause", 0x13},   {"CapsLock", 0x14}, {"PageUp", kVkPageUp}, {"PageDown", kVkPageDown},
    {"End", kVkEnd},   {"Home", kVkHome},  {"PrintScreen", 0x2C}, {"Insert", 0x2D},
    {"LeftWin", 0x5B}, {"RightWin", 0x5C}, {"AppMenu", 0x5D},     {"Num0", 0x60},
    {"Num1", 0x61},    {"Num2", 0x62},     {"Num3", 0x63},        {"Num4", 0x64},
    {"Num5", 0x65},    {"Num6", 0x66},     {"Num7", 0x67},        {"Num8", 0x68},
    {"Num9", 0x69},    {"Num*", 0x6A},     {"Num+", 0x6B},        {"Num-", 0x6D},
    {"Num.", 0x6E},    {"Num/", 0x6F},     {"NumLock", 0x90},     {"ScrollLock", 0x91},
    {";", 0xBA},       {"=", 0xBB},        {",", 0xBC},           {"-", 0xBD},
    {".", 0xBE},       {"/", 0xBF},        {"`", 0xC0},           {"[", 0xDB},
    {"\\", 0xDC},      {"]", 0xDD},        {"'", 0xDE},
};

} // namespace

int32_t VirtualKeyFromName(const std::string& name)
{
    for (const TName& n : kNames)
        if (name == n.Name)
            return n.Code;
    for (const TName& n : kMoreNames)
        if (name == n.Name)
            return n.Code;
    if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0])))
        return std::toupper(static_cast<unsigned char>(name[0]));
    // F1 to F24, written without leading zeros.
    if (name.size() >= 2 && name.size() <= 3 && name[0] == 'F' && name[1] >= '1' && name[1] <= '9' &&
        (name.size() == 2 || std::isdigit(static_cast<unsigned char>(name[2])))) {
        const int n = std::stoi(name.substr(1));
        if (n <= 24)
            return kVkF1 + n - 1;
    }
    return 0;
}

std::string VirtualKeyName(int32_t code)
{
    for (const TName& n : kNames)
        if (code == n.Code)
            return n.Name;
    for (const TName& n : kMoreNames)
        if (code == n.Code)
            return n.Name;
    if ((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z'))
        return std::string(1, static_cast<char>(code));
    if (code >= kVkF1 && code < kVkF1 + 24)
        return "F" + std::to_string(code - kVkF1 + 1);
    static const char kHex[] = "0123456789ABCDEF";
    std::string name = "Key ";
    name += kHex[(code >> 4) & 0xF];
    name += kHex[code & 0xF];
    return name;
}

} // namespace Platform
