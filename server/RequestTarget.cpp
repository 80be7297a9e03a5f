#include "server/RequestTarget.h"

namespace ScoreServer {

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Undoes the percent escapes; false on a broken one or an escaped NUL (no
// address here holds a NUL, and a C string would end there).
bool Unescape(const std::string& text, std::string& out, bool& escaped)
{
    out.clear();
    escaped = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        const int high = i + 2 < text.size() ? HexDigit(text[i + 1]) : -1;
        const int low = i + 2 < text.size() ? HexDigit(text[i + 2]) : -1;
        if (high < 0 || low < 0 || (high == 0 && low == 0))
            return false;
        out += static_cast<char>(high * 16 + low);
        escaped = true;
        i += 2;
    }
    return true;
}

} // namespace

bool ReadRequestTarget(const std::string& target, std::string& path, std::vector<TQueryArg>& args)
{
    const std::size_t question = target.find('?');
    bool escaped = false;
    if (!Unescape(target.substr(0, question), path, escaped))
        return false;
    if (question == std::string::npos)
        return true;
    const std::string query = target.substr(question + 1);
    std::size_t at = 0;
    while (at <= query.size()) {
        std::size_t end = query.find('&', at);
        if (end == std::string::npos)
            end = query.size();
        const std::string part = query.substr(at, end - at);
        at = end + 1;
        if (part.empty())
            continue;
        TQueryArg a;
        const std::size_t equals = part.find('=');
        bool keyEscaped = false;
        if (!Unescape(part.substr(0, equals), a.Key, keyEscaped))
            return false;
        if (equals != std::string::npos) {
            std::string value;
            if (!Unescape(part.substr(equals + 1), value, a.Escaped))
                return false;
            a.Value = std::move(value);
        }
        args.push_back(std::move(a));
    }
    return true;
}

} // namespace ScoreServer
