// tumbletown-scores moderate: what whoever runs the server does by hand on
// the database the servers use (SQLite or PostgreSQL), while they run. Lists
// the best results of a type with their replays' figures, hides and shows
// again a result, refuses and allows again a name or an address.
#pragma once

#include "server/ScoreDatabase.h"

#include <ostream>
#include <string>
#include <vector>

namespace ScoreServer {

// The figures of a kept replay, as "moderate top" shows them.
struct TReplayFigures {
    bool Readable = false;
    std::size_t Operations = 0;
    std::uint32_t PlayedMs = 0; // the last operation's time
};
TReplayFigures FiguresOf(const std::string& replayText);

// The table "moderate top" prints: a header line, then one line per result,
// columns aligned; every column but the last (the name) is one word.
std::string TopTable(const std::vector<TModeratedResult>& results);

// The help text of "tumbletown-scores moderate".
void WriteModerateHelp(std::ostream& out);

// Runs "tumbletown-scores moderate ARGS" (args: what follows "moderate").
// 0 when done, 1 when the database failed it or the result named is not
// there, 2 for arguments it does not take (a one-line reason on err).
int RunModerate(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace ScoreServer
