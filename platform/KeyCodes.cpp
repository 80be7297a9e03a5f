#include "platform/KeyCodes.h"

#include <cctype>

namespace Platform {

int32_t VirtualKeyFromName(const std::string& name)
{
    struct TName {
        const char* Name;
        int32_t Code;
    };
    static const TName kNames[] = {{"Left", kVkLeft},      {"Up", kVkUp},         {"Right", kVkRight},
                                   {"Down", kVkDown},      {"Ctrl", kVkControl},  {"Enter", kVkReturn},
                                   {"Backspace", kVkBack}, {"Escape", kVkEscape}, {"Space", kVkSpace},
                                   {"Delete", kVkDelete},  {"Tab", kVkTab}};
    for (const TName& n : kNames)
        if (name == n.Name)
            return n.Code;
    if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0])))
        return std::toupper(static_cast<unsigned char>(name[0]));
    return 0;
}

} // namespace Platform
