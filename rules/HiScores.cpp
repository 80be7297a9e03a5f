// The local high-score table and its insertion order.
#include "rules/HiScores.h"

#include "rules/GameState.h"
#include "rules/Rules.h"

#include <cstring>

namespace {

THiScoreTable MakeEmptyTable()
{
    THiScoreTable table{};
    std::strcpy(table.PlayerName, kDefaultPlayerName);
    return table;
}

} // namespace

void ClearScores(THiScoreTable& scores)
{
    scores = MakeEmptyTable();
}

void InsertScore(GFourfall::TRules& rules)
{
    GFourfall::TGameState& state = rules.GameState;
    const int32_t type = state.GameNum;
    rules.HiScores.ShownType = type;
    state.NewHiScore = false;
    state.SndClap = false;
    // SelectGame keeps GameNum in range; this guard keeps a hand-set value
    // from writing outside the table.
    if (type < 0 || type >= kScoreTypeSlots) {
        return;
    }
    THiScoreEntry* list = rules.HiScores.Entries[type][0];
    int pos = 0;
    while (pos < kScoreEntries && list[pos].Score >= state.Score) {
        ++pos;
    }
    if (pos == kScoreEntries) {
        return;
    }
    for (int i = kScoreEntries - 1; i > pos; --i) {
        list[i] = list[i - 1];
    }
    state.HiScorePos = pos;
    state.NewHiScore = true;
    state.SndClap = true;
    list[pos].Score = state.Score;
    std::memcpy(list[pos].Name, rules.HiScores.PlayerName, kScoreNameSize);
    list[pos].Name[kScoreNameSize - 1] = '\0';
}
