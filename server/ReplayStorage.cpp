#include "server/ReplayStorage.h"

namespace ScoreServer {

bool KeepWithinLimits(const TReplayStorageLimits& limits, const TReplayStore& store, std::int32_t type,
                      const std::string& name, std::int64_t newId, std::int64_t newBytes,
                      const std::string& address, std::vector<TDroppedReplay>& dropped)
{
    std::vector<TDroppedReplay> beyond;
    if (!store.KeptBeyond(type, name, limits.KeptPerName, beyond))
        return false;
    bool newKept = true;
    for (TDroppedReplay& replay : beyond) {
        replay.Why = "no longer among the best " + std::to_string(limits.KeptPerName) +
                     " verified results of its name and type";
        if (replay.ScoreId == newId) {
            newKept = false;
            replay.Why = "not among the best " + std::to_string(limits.KeptPerName) +
                         " verified results of its name and type";
        }
        if (!store.Drop(replay))
            return false;
        dropped.push_back(replay);
    }
    if (!newKept)
        return true;
    TDroppedReplay self;
    self.ScoreId = newId;
    self.Bytes = newBytes;
    std::int64_t bytes = 0;
    if (!store.AddressBytes(address, bytes))
        return false;
    if (bytes > limits.MaxBytesPerAddress) {
        self.Why = "its address keeps " + std::to_string(bytes - newBytes) + " bytes of replays already, " +
                   std::to_string(limits.MaxBytesPerAddress) + " at most";
    } else {
        if (!store.TotalBytes(bytes))
            return false;
        if (bytes > limits.MaxBytes)
            self.Why = "the server keeps " + std::to_string(bytes - newBytes) +
                       " bytes of replays already, " + std::to_string(limits.MaxBytes) + " at most";
    }
    if (self.Why.empty())
        return true;
    if (!store.Drop(self))
        return false;
    dropped.push_back(self);
    return true;
}

std::string DroppedReplayLine(const TDroppedReplay& replay)
{
    return "replay of result " + std::to_string(replay.ScoreId) + " (" + std::to_string(replay.Bytes) +
           " bytes) not kept: " + replay.Why;
}

} // namespace ScoreServer
