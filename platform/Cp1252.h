// Windows-1252, the byte character set of the design's texts: typed text
// arrives as UTF-8 and is narrowed to it; drawn text is widened from it.
#pragma once

#include <string>
#include <string_view>

namespace Platform {

// The Windows-1252 bytes of UTF-8 text. Characters the code page cannot hold
// (including U+0080..U+009F) are dropped, and so is every malformed part of
// the input (stray continuation bytes, truncated, overlong or surrogate
// sequences, code points above U+10FFFF); the rest is kept in order.
std::string Utf8ToCp1252(std::string_view utf8);

// The Unicode code point of a Windows-1252 byte. The five bytes the code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) give the C1 control of the
// same value, as the original platform's conversion did; no font draws those.
char32_t Cp1252ToCodePoint(unsigned char byte);

// The Windows-1252 byte of a code point, or -1 when the code page has none.
int CodePointToCp1252(char32_t codePoint);

} // namespace Platform
