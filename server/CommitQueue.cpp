#include "server/CommitQueue.h"

namespace ScoreServer {

TCommitQueue::TCommitQueue(TScoreDatabase& database, std::size_t maxBatch)
    : Database(database), MaxBatch(maxBatch < 1 ? 1 : maxBatch),
      WritesAtOnce(database.WritesAtOnce() < 1 ? 1 : database.WritesAtOnce())
{
}

TDbStatus TCommitQueue::Add(const TScoreRecord& record)
{
    TWaiting me{&record};
    std::unique_lock<std::mutex> hold(Mutex);
    Queue.push_back(&me);
    while (!me.Done) {
        // Its result in a write under way, or no room for another write:
        // wait for one to end.
        if (Queue.empty() || Writing >= WritesAtOnce) {
            Written.wait(hold);
            continue;
        }
        // Room for a write: this caller writes what is queued (its own
        // result among it, or the oldest ones when the queue is long).
        ++Writing;
        const std::size_t take = Queue.size() < MaxBatch ? Queue.size() : MaxBatch;
        std::vector<TWaiting*> batch(Queue.begin(), Queue.begin() + static_cast<std::ptrdiff_t>(take));
        Queue.erase(Queue.begin(), Queue.begin() + static_cast<std::ptrdiff_t>(take));
        hold.unlock();
        std::vector<TScoreRecord> records;
        records.reserve(batch.size());
        for (const TWaiting* w : batch)
            records.push_back(*w->Record);
        const TDbStatus status = records.size() == 1 ? Database.Add(records[0]) : Database.AddMany(records);
        hold.lock();
        for (TWaiting* w : batch) {
            w->Status = status;
            w->Done = true;
        }
        ++CommitCount;
        --Writing;
        Written.notify_all();
    }
    return me.Status;
}

std::size_t TCommitQueue::Commits() const
{
    std::lock_guard<std::mutex> hold(Mutex);
    return CommitCount;
}

} // namespace ScoreServer
