// The score database in PostgreSQL, for several server processes sharing one
// database. A statement that finds its connection lost (PostgreSQL restarted
// since it was last used) is tried once more on a new connection, so that a
// restart costs no request its answer. While the database is gone, a
// broken connection is reset on its use at most every half second, so the
// server answers "unavailable" at once and carries on by itself when it is
// back.
#pragma once

#include "server/ConnectionPool.h"
#include "server/ScoreDatabase.h"

namespace ScoreServer {

class TPostgresDatabase : public TScoreDatabase {
public:
    ~TPostgresDatabase() override;

    // Connects (url as libpq takes it), migrates under an advisory lock so
    // that servers starting together do not race. nullptr and a reason on failure.
    static std::unique_ptr<TPostgresDatabase> Open(const std::string& url, const TDbOptions& options,
                                                   std::string& error);

    TDbStatus Add(const TScoreRecord& record) override;
    TDbStatus AddMany(const std::vector<TScoreRecord>& records) override;
    TDbStatus Best(std::int32_t onlineType, int limit, std::vector<TScoreRecord>& out) override;
    TDbStatus BestVerified(std::int32_t onlineType, int limit, std::vector<TScoreRecord>& out) override;
    TDbStatus Verify(const TReplayClaim& claim, TVerifyResult& result, std::int64_t& scoreId) override;
    TDbStatus Replay(std::int64_t scoreId, std::string& text, bool& found) override;
    TDbStatus VerifiedResult(std::int64_t scoreId, TScoreRecord& out, bool& found) override;
    TDbStatus Count(std::int32_t onlineType, std::int64_t& count) override;
    TDbStatus Secret(const std::string& proposed, std::string& secret) override;
    TDbStatus Check() override;
    std::string Describe() const override { return Description; }
    TDbStatus DroppedReplay(std::int64_t scoreId, std::string& why) override;
    // Moderation.
    TDbStatus Top(std::int32_t onlineType, int limit, std::vector<TModeratedResult>& out) override;
    TDbStatus SetHidden(std::int64_t scoreId, bool hidden, bool& found) override;
    TDbStatus SetRefused(const std::string& kind, const std::string& value, bool refused,
                         bool& changed) override;
    TDbStatus RefusedRows(std::vector<std::pair<std::string, std::string>>& out) override;
    // Half the connections, one to four: PostgreSQL flushes the commits of
    // several sessions together, and the other connections serve the reads.
    std::size_t WritesAtOnce() const override { return Writers; }

    struct TConnection;

private:
    TPostgresDatabase() = default;
    // Inside Verify's transaction (query runs a statement in it): counts the
    // new replay's bytes and drops what the storage limits say.
    template <class TQuery>
    bool KeepReplayWithinLimits(TQuery& query, const TReplayClaim& claim, std::int64_t id,
                                std::vector<TDroppedReplay>& dropped);
    TReplayStorageLimits Storage;

    std::string Url;
    std::string Description;
    TConnectionPool<TConnection> Pool;
    std::size_t Writers = 1;
};

} // namespace ScoreServer
