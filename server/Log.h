// The server's log: whole lines on standard error, where journald or the
// terminal takes them. Lines from several threads never interleave.
#pragma once

#include <string>
#include <string_view>

namespace ScoreServer {

// Writes "tumbletown-scores: " + text + "\n" in one write.
void LogLine(std::string_view text);

// The text with every byte outside printable ASCII, and the quote and
// backslash, written as \xHH: what a client sent can never forge a log line.
std::string LogSafe(std::string_view text, std::size_t maxBytes = 300);

} // namespace ScoreServer
