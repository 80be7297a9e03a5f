// Loading and saving the local high-score table and the player name in the
// settings store, under the current user's key
// Software\Kestrovan\Grand Fourfall\Score:
//   "LastUserName"        text    the player name
//   "<t>_<s>_<p>_Name"    text    name of entry (type slot, sub-table, position)
//   "<t>_<s>_<p>_Score"   number  its score
// with the three numbers in decimal without padding, e.g. 0_0_0_Name.
#pragma once

constexpr const char* kScoreKey = "Software\\Kestrovan\\Grand Fourfall\\Score";

// Sets the player name to "Anonymous", then, if the key exists (it is never
// created here), reads the player name and every entry, type slot by
// sub-table by position. A value that is missing, of another kind or too
// long for its 60-byte field leaves the field as it was. Called at start-up
// after the options.
void LoadScores();

// Writes the player name and every entry in the same order as LoadScores,
// creating the key when missing. Called after a name is confirmed and after
// the table is cleared. Failures are silent.
void SaveScores();
