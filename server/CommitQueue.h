// Results that come in while a write is under way go to the database
// together, in the next transaction: one commit (and one disk flush) for
// many, as a database's own group commit does. A group is whatever is
// waiting (up to maxBatch), however many connections the database has.
// The database says how many writes may be under way at once
// (TScoreDatabase::WritesAtOnce); each caller waits for the commit that
// holds its result, so a reply is never sent for a result that is not in
// the database (on its disk, unless commits are fast).
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
    std::size_t WritesAtOnce;
    std::size_t Writing = 0; // callers writing a batch; the others wait for them
    std::size_t CommitCount = 0;
};

} // namespace ScoreServer
