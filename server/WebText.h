// Text on its way from the game to the web: the game's single-byte names
// widened to UTF-8, and UTF-8 escaped for HTML and for JSON. Whatever a name
// holds, it comes out as text and never as markup.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ScoreServer {

// UTF-8 of text in the game's code page (Windows-1252); the five undefined
// bytes give the C1 control of the same value, as the game's own does.
std::string Cp1252ToUtf8(std::string_view bytes);

// The text for HTML content and quoted attribute values: & < > " ' as
// character references; control characters (C0, DEL, C1) and malformed UTF-8
// as U+FFFD.
std::string HtmlEscape(std::string_view utf8);

// The text as a JSON string with its quotes: " \ and controls (C0, DEL and
// C1) escaped, < > &
// as \u003c \u003e \u0026 (so it is safe inside a page too), U+2028 and U+2029
// escaped, malformed UTF-8 as U+FFFD.
std::string JsonString(std::string_view utf8);

// The date of a moment as YYYY-MM-DD in UTC.
std::string FormatDate(std::int64_t secondsSince1970);

} // namespace ScoreServer
