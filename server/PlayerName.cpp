#include "server/PlayerName.h"

namespace ScoreServer {

namespace {

constexpr unsigned char kSpace = 0x20;
constexpr unsigned char kNoBreakSpace = 0xA0;
constexpr unsigned char kSoftHyphen = 0xAD;

bool IsControl(unsigned char c)
{
    return c < 0x20 || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
}

} // namespace

const char* NameProblem(const std::string& cp1252)
{
    if (cp1252.empty())
        return "an empty name";
    bool blank = true;
    for (unsigned char c : cp1252) {
        if (IsControl(c))
            return "a control character in the name";
        if (c == kSoftHyphen)
            return "an invisible character in the name";
        if (c != kSpace && c != kNoBreakSpace)
            blank = false;
    }
    return blank ? "a name of spaces only" : nullptr;
}

} // namespace ScoreServer
