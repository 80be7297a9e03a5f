// The rules' state as one line of JSON, for the replay tool, the headless
// driver and bug reports: status, score, level, lines left, fall period,
// difficulty, game number, high-score place, the request flags, the board and
// both figures as text rows (see rules/BoardText.h), and the high-score list
// of the selected game type. Writing reads the state and changes nothing.
#pragma once

#include <ostream>
#include <string>

#include "rules/GameState.h"
#include "rules/HiScores.h"

namespace GFourfall {

// One line, ended by a line feed.
void WriteStateJson(std::ostream& out, const TGameState& state, const THiScoreTable& scores);
// The same line as a string.
std::string StateJson(const TGameState& state, const THiScoreTable& scores);

// The bytes of text as a JSON string: quotes, backslashes, control bytes and
// bytes above 126 escaped, so a line stays plain ASCII.
std::string JsonString(const std::string& text);

} // namespace GFourfall
