// Results that come in while a write is under way go to the database
// together, in the next transaction: one commit (and, with --sync-commits,
// one disk flush) for many, as a database's own group commit does. Each
// caller still waits for the commit that holds its result, so a reply is
// never sent for a result that is not in the database.
#pragma once

#include "server/ScoreDatabase.h"

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <vector>

namespace ScoreServer {

class TCommitQueue {
public:
    explicit TCommitQueue(TScoreDatabase& database, std::size_t maxBatch = 64);

    // Keeps the result in the next transaction and waits for its commit: Ok
    // once committed, Unavailable when that transaction failed (then none of
    // its results is kept).
    TDbStatus Add(const TScoreRecord& record);

    // Transactions written so far, for tests and figures.
    std::size_t Commits() const;

private:
    struct TWaiting {
        const TScoreRecord* Record;
        TDbStatus Status = TDbStatus::Unavailable;
        bool Done = false;
    };

    TScoreDatabase& Database;
    std::size_t MaxBatch;
    mutable std::mutex Mutex;
    std::condition_variable Written;
    std::vector<TWaiting*> Queue;
    bool Writing = false; // a caller is writing a batch; the others wait for it
    std::size_t CommitCount = 0;
};

} // namespace ScoreServer
