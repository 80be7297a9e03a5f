// How many replay bytes the server keeps, and which replays go when a bound
// is passed. A verified result keeps its replay only while it is among the
// best KeptPerName verified results of its name and type; and the kept bytes
// have a bound per client address and one in all. A replay that goes loses
// its bytes alone: its row stays, with the hash of its game (so the same
// game never verifies again) and why it went, and its result stays verified
// (it was proved when the replay was played).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ScoreServer {

struct TReplayStorageLimits {
    // A player's best ten of a type are what the world page and the watch
    // page can show of them; more would keep ever more copies of one player.
    int KeptPerName = 10;
    // Replay bytes one client address keeps. 64 MiB holds a player's best
    // ten of every one of the nine types at about 700 KB each (a game of
    // about an hour and a half), or a dozen of the longest replays taken.
    std::int64_t MaxBytesPerAddress = std::int64_t{64} << 20;
    // Replay bytes kept in all: 4 GiB, some 40,000 replays of an ordinary
    // half-hour game, or 64 addresses at their bound.
    std::int64_t MaxBytes = std::int64_t{4} << 30;
};

// One replay that went, for the server's log.
struct TDroppedReplay {
    std::int64_t ScoreId = 0;
    std::int64_t Bytes = 0;
    std::string Why;
};

// What the policy asks of a database, inside the transaction that has just
// kept a new replay (and counted its bytes) and marked its result verified.
// Each returns false when the database failed.
struct TReplayStore {
    // The kept replays of the verified results of that type and name that
    // come after the best keep of them (score descending, then who came
    // first): their score ids and bytes.
    std::function<bool(std::int32_t type, const std::string& name, int keep,
                       std::vector<TDroppedReplay>& beyond)>
        KeptBeyond;
    // Replay bytes kept for the address, and in all.
    std::function<bool(const std::string& address, std::int64_t& bytes)> AddressBytes;
    std::function<bool(std::int64_t& bytes)> TotalBytes;
    // Drops a kept replay's bytes (and uncounts them), keeping its row.
    std::function<bool(const TDroppedReplay& replay)> Drop;
};

// Applies the limits after the replay of result newId (newBytes long, from
// address) was kept. Replays pushed out of the best of its name go first, the
// new one among them when it is not among the best; then, if the new one is
// still kept, it goes when its address or the whole store is past its bound
// (older replays are never dropped to make room: a flood of new ones would
// push honest ones out). What went is added to dropped. False when the
// database failed (the transaction is then rolled back).
bool KeepWithinLimits(const TReplayStorageLimits& limits, const TReplayStore& store, std::int32_t type,
                      const std::string& name, std::int64_t newId, std::int64_t newBytes,
                      const std::string& address, std::vector<TDroppedReplay>& dropped);

// The log line for a replay that went.
std::string DroppedReplayLine(const TDroppedReplay& replay);

} // namespace ScoreServer
