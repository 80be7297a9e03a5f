#include "store/ReplayFolder.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/FolderFiles.h"
#include "rules/HiScores.h"

using namespace GFourfall;

namespace {

constexpr const char* kSuffix = ".replay";
constexpr const char* kTempInfix = ".tmp.";

std::optional<std::string> FixedFolder;

// "<game>-<score>-<hex>.replay": the game number and score; false for any
// other name.
bool ParseFileName(const std::string& name, int32_t& game, int32_t& score)
{
    unsigned g = 0;
    unsigned long s = 0;
    char hex[17] = {};
    int used = 0;
    if (std::sscanf(name.c_str(), "%u-%lu-%16[0-9a-f]%n", &g, &s, hex, &used) != 3 || std::strlen(hex) != 16)
        return false;
    if (name.compare(static_cast<std::size_t>(used), std::string::npos, kSuffix) != 0)
        return false;
    if (g >= static_cast<unsigned>(kScoreTypeSlots) || s > 0x7FFFFFFFul)
        return false;
    game = static_cast<int32_t>(g);
    score = static_cast<int32_t>(s);
    return true;
}

std::string FileName(const TReplay& r, const std::string& text)
{
    // FNV-1a: the same game gets the same name, another one almost surely not.
    uint64_t h = 14695981039346656037ull;
    for (unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ull;
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%d-%d-%016llx%s", r.GameNum, r.Score,
                  static_cast<unsigned long long>(h), kSuffix);
    return buffer;
}

const THiScoreEntry* Entry(const THiScoreTable& table, int32_t game, int32_t pos)
{
    if (game < 0 || game >= kScoreTypeSlots || pos < 0 || pos >= kScoreEntries)
        return nullptr;
    const THiScoreEntry& e = table.Entries[game][0][pos];
    return e.Score != 0 ? &e : nullptr;
}

std::string EntryName(const THiScoreEntry& e)
{
    return std::string(e.Name, strnlen(e.Name, kScoreNameSize));
}

// Reads the file and checks that it claims exactly this entry.
bool ClaimsEntry(const std::string& path, int32_t game, const THiScoreEntry& e, TReplay& out)
{
    std::string text;
    std::string why;
    return Platform::ReadFileUpTo(path, kMaxReplayFileBytes, text) && ParseReplay(text, out, why) &&
           out.HasClaim && out.GameNum == game && out.Score == e.Score && out.Name == EntryName(e);
}

} // namespace

std::string ReplayFolder()
{
    if (FixedFolder)
        return *FixedFolder;
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/')
        return std::string(data) + "/tumbletown/replays";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return std::string(home) + "/.local/share/tumbletown/replays";
    return {};
}

void SetReplayFolder(const std::optional<std::string>& folder)
{
    FixedFolder = folder;
}

bool SaveEntryReplay(const THiScoreTable& table, const TReplay& replay)
{
    const std::string folder = ReplayFolder();
    if (!replay.HasClaim || folder.empty() || !Platform::MakeFolders(folder))
        return false;
    const std::string text = ReplayText(replay);
    const bool saved =
        Platform::ReplaceFileSafely(folder, folder + "/" + FileName(replay, text), text, kTempInfix);
    TidyReplays(table);
    return saved;
}

void TidyReplays(const THiScoreTable& table)
{
    const std::string folder = ReplayFolder();
    if (folder.empty())
        return;
    bool taken[kScoreTypeSlots][kScoreEntries] = {};
    for (const std::string& name : Platform::FolderEntries(folder)) {
        const std::string path = folder + "/" + name;
        if (name.find(std::string(kSuffix) + kTempInfix) != std::string::npos) {
            Platform::RemoveFile(path);
            continue;
        }
        int32_t game = 0;
        int32_t score = 0;
        if (!ParseFileName(name, game, score))
            continue; // not one of ours: left alone
        bool keep = false;
        for (int32_t pos = 0; pos < kScoreEntries && !keep; ++pos) {
            const THiScoreEntry* e = Entry(table, game, pos);
            TReplay replay;
            if (e != nullptr && !taken[game][pos] && e->Score == score &&
                ClaimsEntry(path, game, *e, replay)) {
                taken[game][pos] = true;
                keep = true;
            }
        }
        if (!keep)
            Platform::RemoveFile(path);
    }
}

void ClearReplays()
{
    const std::string folder = ReplayFolder();
    if (folder.empty())
        return;
    for (const std::string& name : Platform::FolderEntries(folder)) {
        int32_t game = 0;
        int32_t score = 0;
        if (ParseFileName(name, game, score) ||
            name.find(std::string(kSuffix) + kTempInfix) != std::string::npos)
            Platform::RemoveFile(folder + "/" + name);
    }
}

bool FindEntryReplay(const THiScoreTable& table, int32_t game, int32_t pos, TReplay& out)
{
    const THiScoreEntry* e = Entry(table, game, pos);
    const std::string folder = ReplayFolder();
    if (e == nullptr || folder.empty())
        return false;
    // Entries of the same name and score share their files in list order.
    int32_t twin = 0;
    for (int32_t p = 0; p < pos; ++p) {
        const THiScoreEntry* before = Entry(table, game, p);
        if (before != nullptr && before->Score == e->Score && EntryName(*before) == EntryName(*e))
            ++twin;
    }
    for (const std::string& name : Platform::FolderEntries(folder)) {
        int32_t g = 0;
        int32_t score = 0;
        if (!ParseFileName(name, g, score) || g != game || score != e->Score)
            continue;
        if (ClaimsEntry(folder + "/" + name, game, *e, out) && twin-- == 0)
            return true;
    }
    return false;
}

uint32_t ReplayMarks(const THiScoreTable& table, int32_t game)
{
    const std::string folder = ReplayFolder();
    uint32_t marks = 0;
    if (folder.empty())
        return marks;
    for (const std::string& name : Platform::FolderEntries(folder)) {
        int32_t g = 0;
        int32_t score = 0;
        if (!ParseFileName(name, g, score) || g != game)
            continue;
        for (int32_t pos = 0; pos < kScoreEntries; ++pos) {
            const THiScoreEntry* e = Entry(table, game, pos);
            if (e != nullptr && e->Score == score)
                marks |= 1u << pos;
        }
    }
    return marks;
}

bool LoadReplayFile(const std::string& path, TReplay& out, std::string& why)
{
    std::string text;
    if (!Platform::ReadFileUpTo(path, kMaxReplayFileBytes, text)) {
        why = "cannot be read, or is too large";
        return false;
    }
    return ParseReplay(text, out, why);
}
