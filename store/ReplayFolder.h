// The replays of the local high-score entries: one file per entry in
// $XDG_DATA_HOME/tumbletown/replays/ (~/.local/share/tumbletown/replays/ when
// XDG_DATA_HOME is unset, empty or relative), named
// "<game number>-<score>-<16 hex digits>.replay" and holding the replay text
// with its claim (the entry's name and score).
//
// The folder follows the table: after every save of the table the files that
// no entry claims go, so an entry that left the table loses its replay and
// Clear leaves none. An entry without a file, or with a file that is damaged,
// simply has no replay.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "rules/HiScores.h"
#include "rules/Replay.h"

// The folder in use; empty when there is none (no home to put it in, or
// replays switched off): nothing is then kept and none is found.
std::string ReplayFolder();
// Puts the folder elsewhere (tests, the headless driver): a path, or empty
// for none at all; no value puts the default back.
void SetReplayFolder(const std::optional<std::string>& folder);

// Files larger than this are no replay of this game.
constexpr std::size_t kMaxReplayFileBytes = 16u << 20;

// Keeps the replay (with its claim set) for the entry it claims, written
// crash-safely, then tidies the folder. False when it could not be written.
bool SaveEntryReplay(const THiScoreTable& table, const GFourfall::TReplay& replay);

// Removes every replay file that no entry of the table claims
// (and what killed saves left behind). Each entry keeps at most one file:
// the first, in name order, of its game number, score and name.
void TidyReplays(const THiScoreTable& table);

// Removes every replay file.
void ClearReplays();

// The replay of entry pos (0 to 8) of game type game in the table.
// False when it has none or its file is damaged.
bool FindEntryReplay(const THiScoreTable& table, int32_t game, int32_t pos, GFourfall::TReplay& out);

// Bit pos (0 to 8) set for each entry of the game type's list for which a
// file of its game number and score is there: one look at the names, for
// marking rows; FindEntryReplay makes sure.
uint32_t ReplayMarks(const THiScoreTable& table, int32_t game);

// Reads and parses a replay file (for watching one given by name). False,
// with why set, when it cannot be read or is no replay.
bool LoadReplayFile(const std::string& path, GFourfall::TReplay& out, std::string& why);
