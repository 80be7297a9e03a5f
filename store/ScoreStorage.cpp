// The high-score table in the settings store.

#include "store/ScoreStorage.h"

#include "rules/GameState.h"
#include "rules/HiScores.h"
#include "store/Registry.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kPlayerNameValue = "LastUserName";

// The table as this copy last read it from the store or saved it there: what
// tells this copy's own changes from those another copy saved meanwhile.
THiScoreTable Synced = {{}, "Anonymous", 0};

THiScoreTable EmptyTable()
{
    THiScoreTable table{};
    std::strcpy(table.PlayerName, kDefaultPlayerName);
    return table;
}

// The value name of one entry's field, e.g. "15_3_8_Score".
void EntryValueName(char (&out)[32], int slot, int sub, int pos, const char* field)
{
    std::snprintf(out, sizeof out, "%d_%d_%d_%s", slot, sub, pos, field);
}

// Each entry of a shown list stands on its own: one whose score is missing
// or below 1 (no game makes one; a hand-edited or damaged file may) is
// dropped and those after it move up, so that it neither ends the list early
// nor shows above the best result.
void DropDamagedEntries(THiScoreEntry* list)
{
    int to = 0;
    for (int from = 0; from < kScoreEntries; ++from)
        if (list[from].Score > 0)
            list[to++] = list[from];
    for (; to < kScoreEntries; ++to)
        list[to] = THiScoreEntry{};
}

// Reads the player name and every entry into table; what cannot be read
// stays as it was. Then the damaged entries of the shown lists go.
void ReadTable(CRegistry& reg, THiScoreTable& table)
{
    reg.ReadString(kPlayerNameValue, table.PlayerName, kScoreNameSize);
    char name[32];
    for (int slot = 0; slot < kScoreTypeSlots; ++slot) {
        for (int sub = 0; sub < kScoreSubTables; ++sub) {
            for (int pos = 0; pos < kScoreEntries; ++pos) {
                THiScoreEntry& entry = table.Entries[slot][sub][pos];
                EntryValueName(name, slot, sub, pos, "Name");
                reg.ReadString(name, entry.Name, kScoreNameSize);
                EntryValueName(name, slot, sub, pos, "Score");
                reg.ReadInt(name, &entry.Score);
            }
        }
        DropDamagedEntries(table.Entries[slot][0]);
    }
}

void WriteTable(CRegistry& reg, const THiScoreTable& table)
{
    // The fields are 60 bytes each; a name is written up to its terminator
    // or to the end of its field, never beyond.
    char text[kScoreNameSize + 1];
    std::memcpy(text, table.PlayerName, kScoreNameSize);
    text[kScoreNameSize] = '\0';
    reg.WriteString(kPlayerNameValue, text);
    char name[32];
    for (int slot = 0; slot < kScoreTypeSlots; ++slot) {
        for (int sub = 0; sub < kScoreSubTables; ++sub) {
            for (int pos = 0; pos < kScoreEntries; ++pos) {
                const THiScoreEntry& entry = table.Entries[slot][sub][pos];
                std::memcpy(text, entry.Name, kScoreNameSize);
                EntryValueName(name, slot, sub, pos, "Name");
                reg.WriteString(name, text);
                EntryValueName(name, slot, sub, pos, "Score");
                reg.WriteInt(name, entry.Score);
            }
        }
    }
}

bool SameEntry(const THiScoreEntry& a, const THiScoreEntry& b)
{
    return a.Score == b.Score && std::strncmp(a.Name, b.Name, kScoreNameSize) == 0;
}

bool SameList(const THiScoreEntry* a, const THiScoreEntry* b)
{
    for (int p = 0; p < kScoreEntries; ++p)
        if (!SameEntry(a[p], b[p]))
            return false;
    return true;
}

// Merges one list of this copy (mine) into the stored one (stored, changed in
// place), given the list as this copy last synced it. tracked: a position in
// mine; returns where that entry ends up in stored, -1 if nowhere.
int MergeList(const THiScoreEntry* synced, const THiScoreEntry* mine, THiScoreEntry* stored, int tracked)
{
    if (SameList(mine, synced)) {
        // Nothing of ours to add: the stored list stands.
        for (int p = 0; tracked >= 0 && p < kScoreEntries; ++p)
            if (SameEntry(stored[p], mine[tracked]))
                return p;
        return -1;
    }
    if (SameList(stored, synced)) {
        // Nobody else saved this list: ours replaces it as it is.
        for (int p = 0; p < kScoreEntries; ++p)
            stored[p] = mine[p];
        return tracked;
    }
    // Both changed it. Our new entries are those of mine that the synced list
    // does not account for, counted one for one (two equal results are two);
    // the synced entries that mine no longer has (renamed since, or pushed
    // out of the list) go from the stored list too, or a renamed entry would
    // stay beside its new name.
    bool accounted[kScoreEntries] = {};
    bool isNew[kScoreEntries] = {};
    for (int m = 0; m < kScoreEntries; ++m) {
        isNew[m] = mine[m].Score != 0;
        for (int s = 0; isNew[m] && s < kScoreEntries; ++s) {
            if (!accounted[s] && SameEntry(mine[m], synced[s])) {
                accounted[s] = true;
                isNew[m] = false;
            }
        }
    }
    for (int s = 0; s < kScoreEntries; ++s) {
        if (accounted[s] || synced[s].Score == 0)
            continue;
        for (int p = 0; p < kScoreEntries; ++p) {
            if (SameEntry(stored[p], synced[s])) {
                for (int i = p; i + 1 < kScoreEntries; ++i)
                    stored[i] = stored[i + 1];
                stored[kScoreEntries - 1] = THiScoreEntry{};
                break;
            }
        }
    }
    int found = -1;
    for (int m = 0; m < kScoreEntries; ++m) {
        if (!isNew[m])
            continue;
        int p = 0;
        while (p < kScoreEntries && stored[p].Score >= mine[m].Score)
            ++p;
        if (p == kScoreEntries)
            continue;
        for (int i = kScoreEntries - 1; i > p; --i)
            stored[i] = stored[i - 1];
        stored[p] = mine[m];
        if (found >= p)
            found = found + 1 < kScoreEntries ? found + 1 : -1;
        if (m == tracked)
            found = p;
    }
    return found;
}

} // namespace

void LoadScores(THiScoreTable& table)
{
    std::strcpy(table.PlayerName, kDefaultPlayerName);
    Synced = EmptyTable();
    CRegistry reg;
    if (!reg.OpenKey(HKEY_CURRENT_USER, kScoreKey, 0))
        return;
    ReadTable(reg, table);
    ReadTable(reg, Synced);
    reg.CloseKey();
}

void SaveScores(GFourfall::TRules& rules)
{
    GFourfall::TGameState& state = rules.GameState;
    THiScoreTable& HiScores = rules.HiScores;
    const bool tracking = state.GameNum >= 0 && state.GameNum < kScoreTypeSlots && state.HiScorePos >= 0 &&
                          state.HiScorePos < kScoreEntries;
    int32_t tracked = state.HiScorePos;
    THiScoreTable merged;
    const bool saved = CRegistry::ChangeKey(HKEY_CURRENT_USER, kScoreKey, 1, [&](CRegistry& reg) {
        merged = EmptyTable();
        ReadTable(reg, merged);
        for (int slot = 0; slot < kScoreTypeSlots; ++slot) {
            for (int sub = 0; sub < kScoreSubTables; ++sub) {
                const bool open = tracking && slot == state.GameNum && sub == 0;
                const int at = MergeList(Synced.Entries[slot][sub], HiScores.Entries[slot][sub],
                                         merged.Entries[slot][sub], open ? state.HiScorePos : -1);
                if (open)
                    tracked = at;
            }
        }
        std::memcpy(merged.PlayerName, HiScores.PlayerName, kScoreNameSize);
        merged.ShownType = HiScores.ShownType;
        WriteTable(reg, merged);
    });
    if (!saved)
        return;
    HiScores = merged;
    Synced = merged;
    state.HiScorePos = tracked;
}

void ClearStoredScores(THiScoreTable& table)
{
    ClearScores(table);
    // Every entry is written, so whatever another copy saved goes too.
    CRegistry reg;
    if (!reg.OpenKey(HKEY_CURRENT_USER, kScoreKey, 1))
        return;
    WriteTable(reg, table);
    if (reg.CloseKey())
        Synced = table;
}
