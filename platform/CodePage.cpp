#include "platform/CodePage.h"

namespace Platform {

namespace {

// 0x80..0x9F; 0xFFFD marks the five undefined bytes.
const uint16_t kHighControls[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};

} // namespace

uint32_t Cp1252ToUnicode(uint8_t byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return kHighControls[byte - 0x80];
    return byte;
}

int UnicodeToCp1252(uint32_t codePoint)
{
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return int(codePoint);
    if (codePoint == 0xFFFD)
        return -1;
    for (int i = 0; i < 32; ++i)
        if (kHighControls[i] == codePoint)
            return 0x80 + i;
    return -1;
}

} // namespace Platform
