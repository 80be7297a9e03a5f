// The local high-score table: for every game type the best nine results with
// the player's name, a member of the rules object. Loading and saving it is
// the settings storage's business; this file only keeps it and orders it.
#pragma once

#include <cstdint>

constexpr int kScoreTypeSlots = 16; // type slots, indexed by game number
constexpr int kScoreSubTables = 4;  // only sub-table 0 is ever filled or shown
constexpr int kScoreEntries = 9;    // entries per list, best first
constexpr int kScoreNameSize = 60;  // bytes of a name, zero terminator included
constexpr char kDefaultPlayerName[] = "Anonymous";

struct THiScoreEntry {
    char Name[kScoreNameSize]; // zero-terminated, at most 59 characters
    int32_t Score;             // 0 marks an empty entry: a list ends at the first one
};

struct THiScoreTable {
    THiScoreEntry Entries[kScoreTypeSlots][kScoreSubTables][kScoreEntries];
    char PlayerName[kScoreNameSize]; // name given to new entries
    int32_t ShownType;               // game type whose list the high-score page shows
};

namespace GFourfall {
struct TRules;
}

// Empties all 576 entries and sets the player name back to "Anonymous".
// Touches no store.
void ClearScores(THiScoreTable& scores);

// Offers Score of the rules' game state to their table, HiScores to the list of its GameNum (sub-table 0).
// Sets ShownType to GameNum and clears NewHiScore and SndClap. If the score
// is strictly greater than some listed score (so a score of 0 never enters
// and an equal score goes below the one listed), the entries from that place
// on move down one (the ninth is dropped), the new entry takes the score and a
// copy of the player name, HiScorePos becomes its place (0 to 8) and
// NewHiScore and SndClap are raised. Otherwise HiScorePos keeps its value.
// A GameNum outside the 16 type slots enters nothing.
void InsertScore(GFourfall::TRules& rules);
