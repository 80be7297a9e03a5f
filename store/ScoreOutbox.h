// The outbox of results for the world high-score server: a result the player
// chose to send waits here, with the replay of its game, until the server has
// taken it. One file per result in the "outbox" folder beside the replay
// folder ($XDG_DATA_HOME/tumbletown/outbox/), so that a result survives a
// server that is down, a lost network and the end of the program.
//
// A result counts as delivered when the server answered it with anything but
// a sign of a passing trouble: no answer at all, a 5xx status or 429 (too
// many requests) keep it for later; any other status (2xx, or a refusal that
// no retry would change) takes it out. The result goes first, its replay
// after it; a result whose replay is still waiting is not sent again.
//
// The outbox is bounded: at most kMaxOutboxItems results (the oldest go
// first) and none older than kMaxOutboxAgeSeconds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr int kMaxOutboxItems = 20;
constexpr int64_t kMaxOutboxAgeSeconds = 30 * 24 * 3600;
// Files larger than this are no outbox item (a replay and a few lines).
constexpr std::size_t kMaxOutboxFileBytes = 17u << 20;

struct TOutboxItem {
    int64_t QueuedAt = 0; // seconds since 1970
    int32_t OnlineType = 0;
    int32_t Score = 0;
    std::string Name;   // the game's 8-bit text, characters 32 to 255
    std::string Replay; // the replay text with its claim; empty: none
    bool ScoreSent = false;
    std::string File; // the item's file name in the folder; empty when not kept
};

// The text of an item's file, and back. ParseOutboxItem is false for
// anything that is not exactly such a text (damaged, cut, a name with a
// control character, a score below 1, an online type outside 0 to 15).
std::string OutboxItemText(const TOutboxItem& item);
bool ParseOutboxItem(const std::string& text, TOutboxItem& out);

// The folder in use: "outbox" beside the replay folder; empty when there is
// no replay folder (nothing is then kept between runs).
std::string OutboxFolder();

// Keeps the item in the folder (crash-safely) and sets its File. False when
// it could not be written.
bool KeepOutboxItem(TOutboxItem& item);
// Writes the item again under its File (after its result went out).
bool UpdateOutboxItem(const TOutboxItem& item);
void RemoveOutboxItem(const TOutboxItem& item);
// The kept items, oldest first, after the folder was brought within its
// bounds at time now: damaged files, items older than the age bound and the
// oldest beyond the count bound are removed.
std::vector<TOutboxItem> LoadOutbox(int64_t now);

enum class TServerAnswer { Taken, TryLater };
// What a reply (the whole HTTP response, or empty for none) says of a request.
TServerAnswer ClassifyReply(const std::string& reply);
