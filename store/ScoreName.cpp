#include "store/ScoreName.h"

namespace {

constexpr unsigned char kSpace = 0x20;
constexpr unsigned char kDelete = 0x7F;
constexpr unsigned char kNoBreakSpace = 0xA0;
constexpr unsigned char kSoftHyphen = 0xAD;

} // namespace

bool IsWorldNameByte(unsigned char c)
{
    return c >= kSpace && c != kDelete && c != kSoftHyphen;
}

TWorldNameFault WorldNameFault(std::string_view name)
{
    bool visible = false;
    for (char ch : name) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < kSpace || c == kDelete)
            return TWorldNameFault::Control;
        if (c == kSoftHyphen)
            return TWorldNameFault::Invisible;
        if (c != kSpace && c != kNoBreakSpace)
            visible = true;
    }
    return visible ? TWorldNameFault::None : TWorldNameFault::Blank;
}
