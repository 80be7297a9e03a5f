#include "server/WebText.h"

#include "platform/Cp1252.h"

#include <ctime>

namespace ScoreServer {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The next code point of UTF-8 text from at (moved past it); kReplacement for
// a malformed, overlong, surrogate or out-of-range sequence (one byte taken).
char32_t NextCodePoint(std::string_view s, std::size_t& at)
{
    const unsigned char b = static_cast<unsigned char>(s[at]);
    int length = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (length == 0 || at + static_cast<std::size_t>(length) > s.size()) {
        ++at;
        return length == 1 ? b : kReplacement;
    }
    char32_t c = length == 1 ? b : b & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        const unsigned char n = static_cast<unsigned char>(s[at + static_cast<std::size_t>(i)]);
        if ((n & 0xC0) != 0x80) {
            ++at;
            return kReplacement;
        }
        c = (c << 6) | (n & 0x3F);
    }
    static const char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kSmallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++at;
        return kReplacement;
    }
    at += static_cast<std::size_t>(length);
    return c;
}

bool IsControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

} // namespace

std::string Cp1252ToUtf8(std::string_view bytes)
{
    std::string out;
    for (char b : bytes)
        AppendUtf8(out, Platform::Cp1252ToCodePoint(static_cast<unsigned char>(b)));
    return out;
}

std::string HtmlEscape(std::string_view utf8)
{
    std::string out;
    for (std::size_t at = 0; at < utf8.size();) {
        const char32_t c = NextCodePoint(utf8, at);
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            AppendUtf8(out, IsControl(c) ? kReplacement : c);
        }
    }
    return out;
}

std::string JsonString(std::string_view utf8)
{
    static const char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (std::size_t at = 0; at < utf8.size();) {
        const char32_t c = NextCodePoint(utf8, at);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (IsControl(c) || c == '<' || c == '>' || c == '&' || c == 0x2028 || c == 0x2029) {
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4)
                out += kHex[(c >> shift) & 15];
        } else {
            AppendUtf8(out, c);
        }
    }
    return out + '"';
}

std::string FormatDate(std::int64_t secondsSince1970)
{
    const std::time_t t = static_cast<std::time_t>(secondsSince1970);
    std::tm utc{};
    if (::gmtime_r(&t, &utc) == nullptr)
        return "-";
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d", &utc);
    return text;
}

} // namespace ScoreServer
