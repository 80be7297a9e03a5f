#include "platform/Cp1252.h"

namespace Platform {
namespace {

// Code points of the bytes 0x80..0x9F; 0 marks the bytes left undefined.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

constexpr char32_t kMalformed = 0xFFFFFFFF;

bool IsContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// Decodes the sequence at pos and moves pos past it. A malformed sequence
// yields kMalformed and moves past its longest valid-looking start only, so
// that a good character after a truncated one is not swallowed.
char32_t DecodeNext(std::string_view text, size_t& pos)
{
    const unsigned char lead = static_cast<unsigned char>(text[pos++]);
    if (lead < 0x80)
        return lead;
    int length;
    char32_t codePoint;
    char32_t minimum;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        minimum = 0x10000;
    } else {
        return kMalformed; // continuation byte, C0/C1 overlong lead or F5..FF
    }
    for (int i = 1; i < length; ++i) {
        if (pos >= text.size() || !IsContinuation(static_cast<unsigned char>(text[pos])))
            return kMalformed;
        codePoint = (codePoint << 6) | (static_cast<unsigned char>(text[pos++]) & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return kMalformed;
    return codePoint;
}

} // namespace

char32_t Cp1252ToCodePoint(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F && kHighControls[byte - 0x80] != 0)
        return kHighControls[byte - 0x80];
    return byte;
}

int CodePointToCp1252(char32_t codePoint)
{
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return static_cast<int>(codePoint);
    for (int i = 0; i < 32; ++i)
        if (kHighControls[i] != 0 && kHighControls[i] == codePoint)
            return 0x80 + i;
    return -1;
}

std::string Utf8ToCp1252(std::string_view utf8)
{
    std::string bytes;
    bytes.reserve(utf8.size());
    size_t pos = 0;
    while (pos < utf8.size()) {
        const char32_t codePoint = DecodeNext(utf8, pos);
        if (codePoint == kMalformed)
            continue;
        const int byte = CodePointToCp1252(codePoint);
        if (byte >= 0)
            bytes.push_back(static_cast<char>(byte));
    }
    return bytes;
}

} // namespace Platform
