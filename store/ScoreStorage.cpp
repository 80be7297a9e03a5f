// The high-score table in the settings store.

#include "store/ScoreStorage.h"

#include "rules/HiScores.h"
#include "store/Registry.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kPlayerNameValue = "LastUserName";

// The value name of one entry's field, e.g. "15_3_8_Score".
void EntryValueName(char (&out)[32], int slot, int sub, int pos, const char* field)
{
    std::snprintf(out, sizeof out, "%d_%d_%d_%s", slot, sub, pos, field);
}

} // namespace

void LoadScores()
{
    std::strcpy(HiScores.PlayerName, kDefaultPlayerName);
    CRegistry reg;
    if (!reg.OpenKey(HKEY_CURRENT_USER, kScoreKey, 0))
        return;
    reg.ReadString(kPlayerNameValue, HiScores.PlayerName, kScoreNameSize);
    char name[32];
    for (int slot = 0; slot < kScoreTypeSlots; ++slot) {
        for (int sub = 0; sub < kScoreSubTables; ++sub) {
            for (int pos = 0; pos < kScoreEntries; ++pos) {
                THiScoreEntry& entry = HiScores.Entries[slot][sub][pos];
                EntryValueName(name, slot, sub, pos, "Name");
                reg.ReadString(name, entry.Name, kScoreNameSize);
                EntryValueName(name, slot, sub, pos, "Score");
                reg.ReadInt(name, &entry.Score);
            }
        }
    }
    reg.CloseKey();
}

void SaveScores()
{
    CRegistry reg;
    if (!reg.OpenKey(HKEY_CURRENT_USER, kScoreKey, 1))
        return;
    // The fields are 60 bytes each; a name is written up to its terminator
    // or to the end of its field, never beyond.
    char text[kScoreNameSize + 1];
    std::memcpy(text, HiScores.PlayerName, kScoreNameSize);
    text[kScoreNameSize] = '\0';
    reg.WriteString(kPlayerNameValue, text);
    char name[32];
    for (int slot = 0; slot < kScoreTypeSlots; ++slot) {
        for (int sub = 0; sub < kScoreSubTables; ++sub) {
            for (int pos = 0; pos < kScoreEntries; ++pos) {
                const THiScoreEntry& entry = HiScores.Entries[slot][sub][pos];
                std::memcpy(text, entry.Name, kScoreNameSize);
                EntryValueName(name, slot, sub, pos, "Name");
                reg.WriteString(name, text);
                EntryValueName(name, slot, sub, pos, "Score");
                reg.WriteInt(name, entry.Score);
            }
        }
    }
    reg.CloseKey();
}
