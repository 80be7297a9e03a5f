// Loading and saving the local high-score table and the player name in the
// settings store, under the current user's key
// Software\Kestrovan\Grand Fourfall\Score:
//   "LastUserName"        text    the player name
//   "<t>_<s>_<p>_Name"    text    name of entry (type slot, sub-table, position)
//   "<t>_<s>_<p>_Score"   number  its score
// with the three numbers in decimal without padding, e.g. 0_0_0_Name.
//
// Several copies of the game may run at once on one store. Each remembers the
// table as it last read or saved it; a save merges this copy's new results
// into what is stored at that moment, so that no copy loses what another one
// saved.
#pragma once

#include "rules/Rules.h"

constexpr const char* kScoreKey = "Software\\Kestrovan\\Grand Fourfall\\Score";

// Sets the table's player name to "Anonymous", then, if the key exists (it is never
// created here), reads the player name and every entry, type slot by
// sub-table by position. A value that is missing, of another kind or too
// long for its 60-byte field leaves the field as it was. In each shown list
// (sub-table 0) an entry whose score is then 0 or below is dropped and the
// entries after it move up. Called at start-up after the options.
void LoadScores(THiScoreTable& table);

// Saves the rules' table, creating the key when missing: under the store's lock the
// stored lists are read again, and each list that this copy changed since it
// last read or saved the table takes this copy's new entries among the stored
// ones (above the first stored score they beat, so below an equal one; past
// the ninth place they drop out). A list that no other copy saved meanwhile is
// written as this copy has it, and one that only another copy changed stays
// as stored. The player name and every entry are then written in the same
// order as LoadScores, and the table in memory becomes the saved one, with
// HiScorePos following the entry it names (-1 if it dropped out). Called after
// a name is confirmed. A failure is silent and changes nothing in memory.
void SaveScores(GFourfall::TRules& rules);

// Empties the table (ClearScores) and every entry in the store,
// including those that other copies saved and this copy never read.
void ClearStoredScores(THiScoreTable& table);
