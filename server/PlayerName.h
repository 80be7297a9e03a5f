// Which names the world results take: one rule for a result and for the
// claim of a replay, so that every result can be verified by its replay and
// no name is shown that looks like another or like none.
#pragma once

#include <string>

namespace ScoreServer {

// Why a name (Windows-1252 bytes, as the game sends it) is refused, or
// nullptr when it is taken. Refused: the empty name; a name of spaces and
// no-break spaces only; a control byte (below 0x20, 0x7F, and the five bytes
// the code page leaves undefined, which stand for C1 controls); an invisible
// character (the soft hyphen 0xAD), with which two names could look the
// same. Its length is the payload's and the replay's own bound.
const char* NameProblem(const std::string& cp1252);

} // namespace ScoreServer
