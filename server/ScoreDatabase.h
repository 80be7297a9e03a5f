// Where the score server keeps results: one table of submitted results, the
// same schema and behaviour in SQLite (one machine, the default) and in
// PostgreSQL (several server processes sharing one database). Every query
// is parameterised; names never become part of a statement's text.
#pragma once

#include "server/ReplayStorage.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace ScoreServer {

// One submitted result as kept.
struct TScoreRecord {
    std::int32_t OnlineType = 0;
    std::string Name; // UTF-8
    std::int32_t Score = 0;
    std::int64_t SubmittedAt = 0; // seconds since 1970-01-01 UTC
    std::string ClientAddress;    // as the server saw it, e.g. "127.0.0.1" or "2001:db8::1"
    // Read back only (Best, BestVerified): the row's id, which names its
    // replay, whether a replay reproduced it, and whether that replay is
    // still kept (a replay past the storage bounds loses its bytes, its
    // result stays verified).
    std::int64_t Id = 0;
    bool Verified = false;
    bool ReplayKept = false;
};

// What a replay that reproduced its claim asks the database to do: mark the
// result it claims as verified and keep the replay.
struct TReplayClaim {
    std::int32_t OnlineType = 0;
    std::string Name; // UTF-8, as results are kept
    std::int32_t Score = 0;
    std::string GameHash; // the same game always has the same hash, whatever its claim
    std::string Text;     // the replay as uploaded (Windows-1252 bytes)
    std::int64_t VerifiedAt = 0;
    std::string ClientAddress;
    // The seed token the replay carried: its nonce is recorded in the same
    // transaction, and a nonce recorded before refuses the claim.
    std::string TokenNonce;
    std::int64_t TokenIssued = 0;
};

enum class TVerifyResult {
    Verified,     // the newest unverified result of that type, name and score is now verified
    NoSuchResult, // no unverified result of that type, name and score is kept
    AlreadyUsed,  // a replay of the same game already verified a result
    TokenUsed,    // the replay's seed token already verified a result
};

enum class TDbStatus {
    Ok,
    Unavailable, // the database cannot be reached or written now (disk full, connection lost, ...)
};

// --- Moderation (tumbletown-scores moderate) ---
// A result as whoever runs the server sees it: hidden or not, with its
// replay (when one verified it) and when that replay's seed token was issued
// and the replay arrived.
struct TModeratedResult {
    TScoreRecord Result; // Id, type, name, score, time, address, Verified
    bool Hidden = false;
    bool HasReplay = false;
    std::string Replay;           // the replay's bytes as kept
    std::int64_t TokenIssued = 0; // 0: not recorded (a replay kept before tokens were)
    std::int64_t VerifiedAt = 0;  // when the replay arrived
};
// --- end of moderation ---

class TScoreDatabase {
public:
    virtual ~TScoreDatabase() = default;

    // Keeps one result. Ok only once it is committed: a result whose Ok was
    // seen survives the server being killed straight after.
    virtual TDbStatus Add(const TScoreRecord& record) = 0;
    // Keeps many in one transaction: all or none.
    virtual TDbStatus AddMany(const std::vector<TScoreRecord>& records) = 0;
    // The best results of a type, best first: higher score first, and of equal
    // scores the one that came first. At most limit of them.
    virtual TDbStatus Best(std::int32_t onlineType, int limit, std::vector<TScoreRecord>& out) = 0;
    // The same, verified results only.
    virtual TDbStatus BestVerified(std::int32_t onlineType, int limit, std::vector<TScoreRecord>& out) = 0;
    // Marks the newest unverified result of the claim's type, name and score
    // as verified and keeps its replay, all in one transaction, unless a
    // replay of the same game is kept already. Ok with the result (and the
    // id of the verified result) once committed.
    virtual TDbStatus Verify(const TReplayClaim& claim, TVerifyResult& result, std::int64_t& scoreId) = 0;
    // The replay kept for a verified result; found false when there is none.
    virtual TDbStatus Replay(std::int64_t scoreId, std::string& text, bool& found) = 0;
    // The verified result that keeps a replay under that id (type, name,
    // score, time, id; Verified true); found false when there is none.
    virtual TDbStatus VerifiedResult(std::int64_t scoreId, TScoreRecord& out, bool& found) = 0;
    // How many results of a type are kept.
    virtual TDbStatus Count(std::int32_t onlineType, std::int64_t& count) = 0;
    // The secret that signs seed tokens: the one kept, or else proposed,
    // kept now (the first server to ask makes it; all then share it).
    virtual TDbStatus Secret(const std::string& proposed, std::string& secret) = 0;
    // Whether the database answers now.
    virtual TDbStatus Check() = 0;

    // --- Moderation ---
    // Hidden results are in no ranking, no page and no answer (Best,
    // BestVerified, Replay, VerifiedResult leave them out); these see them.
    // The defaults answer Unavailable: a database without moderation.
    // The best results of a type, hidden ones too, with their replays, best first.
    virtual TDbStatus Top(std::int32_t onlineType, int limit, std::vector<TModeratedResult>& out);
    // Hides or shows again the result of that id; found false when there is none.
    virtual TDbStatus SetHidden(std::int64_t scoreId, bool hidden, bool& found);
    // Adds (refused) or removes a row of the table refused; changed false
    // when it was so already.
    virtual TDbStatus SetRefused(const std::string& kind, const std::string& value, bool refused,
                                 bool& changed);
    // Every row of the table refused, (kind, value), in order.
    virtual TDbStatus RefusedRows(std::vector<std::pair<std::string, std::string>>& out);
    // --- end of moderation ---
    // "SQLite /path/scores.db" or "PostgreSQL db on host:port": no password.
    virtual std::string Describe() const = 0;
    // How many of the commit queue's writes may be under way at once. One
    // for a database that takes one writer at a time (SQLite); more where
    // the database flushes the commits of several sessions together
    // (PostgreSQL), so that one group's inserts are sent while another's
    // commit waits for the disk.
    virtual std::size_t WritesAtOnce() const { return 1; }

    // --- Replay storage (bounded by TDbOptions::Storage within Verify) ---
    // Why the replay of a verified result is no longer kept: empty while it
    // is kept, or when there is no such replay. Replay finds a dropped one
    // not found.
    virtual TDbStatus DroppedReplay(std::int64_t scoreId, std::string& why)
    {
        (void)scoreId;
        why.clear();
        return TDbStatus::Ok;
    }
};

// How commits reach the disk. By default a result's Add returns Ok only once
// its commit is on the disk (SQLite synchronous=FULL in WAL mode, PostgreSQL
// synchronous_commit=on): it survives the server, the database and the whole
// machine failing straight after. Results that arrive together share one
// commit (TCommitQueue), and so one flush. With FastCommits a commit returns
// once the database has it and reaches the disk a moment later (SQLite
// synchronous=NORMAL, PostgreSQL synchronous_commit=off): it survives the
// server being killed, but a crash of the machine (or of PostgreSQL, with
// pg_ctl stop -m immediate) can lose the results of the last fraction of a
// second, though they were answered.
struct TDbOptions {
    // Written TDbOptions{connections, fast} by its callers.
    TDbOptions(int connections = 4, bool fastCommits = false)
        : Connections(connections), FastCommits(fastCommits)
    {
    }
    int Connections = 4; // the most used at once
    bool FastCommits = false;
    // Which replays Verify keeps, and how many bytes of them.
    TReplayStorageLimits Storage;
};

// Opens (creating when needed) and migrates the database named by target:
// a postgresql:// or postgres:// URL, or else the path of an SQLite file
// (optionally written sqlite:PATH). nullptr and a one-line reason when it
// cannot.
std::unique_ptr<TScoreDatabase> OpenScoreDatabase(const std::string& target, const TDbOptions& options,
                                                  std::string& error);

// $XDG_DATA_HOME/tumbletown-scores/scores.db, XDG_DATA_HOME defaulting to
// ~/.local/share (an unset, empty or relative value means the default).
// Empty when neither gives an absolute folder.
std::string DefaultDatabasePath();

// Whether the target names a PostgreSQL database.
bool IsPostgresTarget(const std::string& target);

} // namespace ScoreServer
