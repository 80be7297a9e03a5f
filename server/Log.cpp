#include "server/Log.h"

#include <cerrno>
#include <mutex>
#include <unistd.h>

namespace ScoreServer {

void LogLine(std::string_view text)
{
    static std::mutex mutex;
    std::string line = "tumbletown-scores: ";
    line.append(text.data(), text.size());
    line += '\n';
    std::lock_guard<std::mutex> hold(mutex);
    const char* p = line.data();
    std::size_t left = line.size();
    while (left > 0) {
        ssize_t n = ::write(STDERR_FILENO, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return; // nowhere to log to: carry on serving
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

std::string LogSafe(std::string_view text, std::size_t maxBytes)
{
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (out.size() >= maxBytes) {
            out += "...";
            break;
        }
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c >= 0x7F || c == '"' || c == '\\') {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

} // namespace ScoreServer
