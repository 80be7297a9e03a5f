// Windows-1252, the 8-bit code page of every text of the game: bytes to
// Unicode code points for drawing, and back for typed characters.
#pragma once

#include <cstdint>

namespace Platform {

// The code point of a byte; 0x81, 0x8D, 0x8F, 0x90 and 0x9D are undefined and
// give 0xFFFD.
uint32_t Cp1252ToUnicode(uint8_t byte);
// The byte of a code point, or -1 when the code page has none.
int UnicodeToCp1252(uint32_t codePoint);

} // namespace Platform
