#include "store/ScoreOutbox.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/FolderFiles.h"
#include "store/ReplayFolder.h"

namespace {

constexpr const char* kMagic = "# Tumbletown outbox 1\n";
constexpr const char* kSuffix = ".result";
constexpr const char* kTempInfix = ".tmp.";
constexpr int32_t kMaxOnlineType = 15;
constexpr int kTooManyRequests = 429;
constexpr int kMaxCounter = 999; // results kept within one second

// Reads "key value\n" at pos, the value up to the line's end.
bool ReadLine(const std::string& text, std::size_t& pos, const char* key, std::string& value)
{
    const std::string prefix = std::string(key) + " ";
    if (text.compare(pos, prefix.size(), prefix) != 0)
        return false;
    const std::size_t end = text.find('\n', pos);
    if (end == std::string::npos)
        return false;
    value = text.substr(pos + prefix.size(), end - pos - prefix.size());
    pos = end + 1;
    return true;
}

// A plain decimal number from lo to hi, no sign, no leading zero.
bool ReadNumber(const std::string& text, int64_t lo, int64_t hi, int64_t& out)
{
    if (text.empty() || text.size() > 18 || (text.size() > 1 && text[0] == '0') ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const int64_t v = std::stoll(text);
    if (v < lo || v > hi)
        return false;
    out = v;
    return true;
}

} // namespace

std::string OutboxItemText(const TOutboxItem& item)
{
    return std::string(kMagic) + "queued " + std::to_string(item.QueuedAt) + "\ntype " +
           std::to_string(item.OnlineType) + "\nscore " + std::to_string(item.Score) + "\nname " + item.Name +
           "\nscore-sent " + (item.ScoreSent ? "1" : "0") + "\nreplay " + std::to_string(item.Replay.size()) +
           "\n" + item.Replay;
}

bool ParseOutboxItem(const std::string& text, TOutboxItem& out)
{
    const std::string magic = kMagic;
    if (text.compare(0, magic.size(), magic) != 0)
        return false;
    std::size_t pos = magic.size();
    std::string queued, type, score, name, sent, length;
    if (!ReadLine(text, pos, "queued", queued) || !ReadLine(text, pos, "type", type) ||
        !ReadLine(text, pos, "score", score) || !ReadLine(text, pos, "name", name) ||
        !ReadLine(text, pos, "score-sent", sent) || !ReadLine(text, pos, "replay", length))
        return false;
    int64_t q = 0, t = 0, s = 0, n = 0;
    if (!ReadNumber(queued, 0, INT64_C(1) << 40, q) || !ReadNumber(type, 0, kMaxOnlineType, t) ||
        !ReadNumber(score, 1, INT32_MAX, s) || !ReadNumber(length, 0, static_cast<int64_t>(text.size()), n))
        return false;
    if (sent != "0" && sent != "1")
        return false;
    if (name.empty() || name.size() > 59 ||
        std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 32; }))
        return false;
    if (text.size() - pos != static_cast<std::size_t>(n))
        return false;
    out = TOutboxItem();
    out.QueuedAt = q;
    out.OnlineType = static_cast<int32_t>(t);
    out.Score = static_cast<int32_t>(s);
    out.Name = name;
    out.ScoreSent = sent == "1";
    out.Replay = text.substr(pos);
    return true;
}

std::string OutboxFolder()
{
    const std::string replays = ReplayFolder();
    const std::size_t slash = replays.rfind('/');
    if (replays.empty() || slash == std::string::npos)
        return {};
    return replays.substr(0, slash) + "/outbox";
}

bool KeepOutboxItem(TOutboxItem& item)
{
    const std::string folder = OutboxFolder();
    if (folder.empty() || !Platform::MakeFolders(folder))
        return false;
    // Queued time first, so that the names sort oldest first; a counter
    // after it, above any of the same second, keeps their order too.
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "%012lld-", static_cast<long long>(item.QueuedAt));
    int next = 0;
    for (const std::string& name : Platform::FolderEntries(folder)) {
        unsigned n = 0;
        if (name.compare(0, std::strlen(prefix), prefix) == 0 &&
            std::sscanf(name.c_str() + std::strlen(prefix), "%3u", &n) == 1 && static_cast<int>(n) >= next)
            next = static_cast<int>(n) + 1;
    }
    if (next > kMaxCounter)
        return false;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s%03d%s", prefix, next, kSuffix);
    item.File = buffer;
    return UpdateOutboxItem(item);
}

bool UpdateOutboxItem(const TOutboxItem& item)
{
    const std::string folder = OutboxFolder();
    if (folder.empty() || item.File.empty())
        return false;
    return Platform::ReplaceFileSafely(folder, folder + "/" + item.File, OutboxItemText(item), kTempInfix);
}

void RemoveOutboxItem(const TOutboxItem& item)
{
    const std::string folder = OutboxFolder();
    if (!folder.empty() && !item.File.empty())
        Platform::RemoveFile(folder + "/" + item.File);
}

std::vector<TOutboxItem> LoadOutbox(int64_t now)
{
    std::vector<TOutboxItem> items;
    const std::string folder = OutboxFolder();
    if (folder.empty())
        return items;
    const std::string suffix = kSuffix;
    for (const std::string& name : Platform::FolderEntries(folder)) {
        const std::string path = folder + "/" + name;
        if (name.find(suffix + kTempInfix) != std::string::npos) {
            Platform::RemoveFile(path); // what a killed save left
            continue;
        }
        if (name.size() <= suffix.size() ||
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue; // not one of ours: left alone
        std::string text;
        TOutboxItem item;
        if (!Platform::ReadFileUpTo(path, kMaxOutboxFileBytes, text) || !ParseOutboxItem(text, item) ||
            now - item.QueuedAt > kMaxOutboxAgeSeconds) {
            Platform::RemoveFile(path);
            continue;
        }
        item.File = name;
        items.push_back(std::move(item));
    }
    std::stable_sort(items.begin(), items.end(),
                     [](const TOutboxItem& a, const TOutboxItem& b) { return a.QueuedAt < b.QueuedAt; });
    while (items.size() > static_cast<std::size_t>(kMaxOutboxItems)) {
        RemoveOutboxItem(items.front());
        items.erase(items.begin());
    }
    return items;
}

TServerAnswer ClassifyReply(const std::string& reply)
{
    // "HTTP/1.x NNN ...": anything else is no answer.
    if (reply.compare(0, 5, "HTTP/") != 0)
        return TServerAnswer::TryLater;
    const std::size_t space = reply.find(' ');
    if (space == std::string::npos || space > 12 || reply.size() < space + 4)
        return TServerAnswer::TryLater;
    const std::string code = reply.substr(space + 1, 3);
    if (code.find_first_not_of("0123456789") != std::string::npos)
        return TServerAnswer::TryLater;
    // 2xx took it; 4xx refused it for good (a retry would be refused the
    // same way), except 429, a server asking to slow down; 5xx is a server
    // in trouble, 1xx and 3xx no answer this game expects.
    const int status = std::stoi(code);
    const bool taken = status >= 200 && status < 300;
    const bool refused = status >= 400 && status < 500 && status != kTooManyRequests;
    return taken || refused ? TServerAnswer::Taken : TServerAnswer::TryLater;
}
