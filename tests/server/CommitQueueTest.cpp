// Results arriving together share one commit; each caller hears how its own
// commit went, and a result is never reported kept when its commit failed.

#include "server/CommitQueue.h"
#include "tests/server/ServerFixtures.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace ServerTest {
namespace {

using ScoreServer::TCommitQueue;
using ScoreServer::TDbStatus;
using ScoreServer::TScoreRecord;

// A database whose writes wait at a gate and then succeed or fail as told;
// it records the size of each write.
class TGatedDatabase : public ScoreServer::TScoreDatabase {
public:
    TDbStatus Add(const TScoreRecord& r) override { return AddMany({r}); }
    TDbStatus AddMany(const std::vector<TScoreRecord>& records) override
    {
        std::unique_lock<std::mutex> hold(Mutex);
        Entered.notify_all();
        ++Writing;
        Gate.wait(hold, [this] { return Open; });
        Sizes.push_back(records.size());
        return Fail ? TDbStatus::Unavailable : TDbStatus::Ok;
    }
    TDbStatus Best(std::int32_t, int, std::vector<TScoreRecord>&) override { return TDbStatus::Ok; }
    TDbStatus BestVerified(std::int32_t, int, std::vector<TScoreRecord>&) override { return TDbStatus::Ok; }
    TDbStatus Verify(const ScoreServer::TReplayClaim&, ScoreServer::TVerifyResult&, std::int64_t&) override
    {
        return TDbStatus::Unavailable;
    }
    TDbStatus Replay(std::int64_t, std::string&, bool&) override { return TDbStatus::Unavailable; }
    TDbStatus VerifiedResult(std::int64_t, TScoreRecord&, bool&) override { return TDbStatus::Unavailable; }
    TDbStatus Count(std::int32_t, std::int64_t&) override { return TDbStatus::Ok; }
    TDbStatus Secret(const std::string&, std::string&) override { return TDbStatus::Unavailable; }
    TDbStatus Check() override { return TDbStatus::Ok; }
    std::string Describe() const override { return "gated"; }
    std::size_t WritesAtOnce() const override { return AtOnce; }

    void WaitUntilWriting()
    {
        std::unique_lock<std::mutex> hold(Mutex);
        Entered.wait(hold, [this] { return Writing > 0; });
    }
    // Whether n writes have begun within the time.
    bool WaitForWrites(int n, std::chrono::milliseconds within)
    {
        std::unique_lock<std::mutex> hold(Mutex);
        return Entered.wait_for(hold, within, [&] { return Writing >= n; });
    }
    void Release(bool fail)
    {
        std::lock_guard<std::mutex> hold(Mutex);
        Open = true;
        Fail = fail;
        Gate.notify_all();
    }

    std::mutex Mutex;
    std::condition_variable Gate, Entered;
    bool Open = false, Fail = false;
    int Writing = 0;
    std::size_t AtOnce = 1;
    std::vector<std::size_t> Sizes;
};

TScoreRecord Named(const std::string& name)
{
    TScoreRecord r;
    r.Name = name;
    r.Score = 1;
    return r;
}

// While the first result's commit is under way, three more queue up; they
// go in one write together. Each caller is told how its own write went.
void ThreeQueueBehindOne(bool fail)
{
    TGatedDatabase db;
    TCommitQueue queue(db);
    std::atomic<int> ok{0}, unavailable{0};
    auto add = [&](const std::string& name) {
        (queue.Add(Named(name)) == TDbStatus::Ok ? ok : unavailable)++;
    };
    std::thread first(add, "first");
    db.WaitUntilWriting();
    std::vector<std::thread> later;
    for (const char* name : {"a", "b", "c"})
        later.emplace_back(add, name);
    // Give them time to queue behind the first write.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    db.Release(fail);
    first.join();
    for (std::thread& t : later)
        t.join();
    EXPECT_EQ(db.Sizes, (std::vector<std::size_t>{1, 3}));
    EXPECT_EQ(queue.Commits(), 2u);
    EXPECT_EQ(ok, fail ? 0 : 4);
    EXPECT_EQ(unavailable, fail ? 4 : 0);
}

TEST(CommitQueue, ResultsThatArriveTogetherShareACommit)
{
    ThreeQueueBehindOne(false);
}

TEST(CommitQueue, AFailedCommitIsReportedToEveryoneInIt)
{
    ThreeQueueBehindOne(true);
}

// A database that flushes several sessions' commits together takes more
// than one write at once: while one group's commit waits, the next group
// is written beside it, not after it. With one at a time, the second waits.
TEST(CommitQueue, WritesOverlapAsFarAsTheDatabaseSays)
{
    for (const std::size_t atOnce : {1u, 2u}) {
        TGatedDatabase db;
        db.AtOnce = atOnce;
        TCommitQueue queue(db);
        std::thread first([&] { EXPECT_EQ(queue.Add(Named("first")), TDbStatus::Ok); });
        db.WaitUntilWriting();
        std::thread second([&] { EXPECT_EQ(queue.Add(Named("second")), TDbStatus::Ok); });
        EXPECT_EQ(db.WaitForWrites(2, std::chrono::milliseconds(atOnce == 1 ? 300 : 10000)), atOnce == 2)
            << atOnce << " at once";
        db.Release(false);
        first.join();
        second.join();
        EXPECT_EQ(db.Sizes, (std::vector<std::size_t>{1, 1}));
        EXPECT_EQ(queue.Commits(), 2u);
    }
}

class CommitQueueOnBoth : public ::testing::TestWithParam<TBackend> {};

TEST_P(CommitQueueOnBoth, ManyWritersLoseNothing)
{
    TTestDatabase test(GetParam());
    auto db = test.Open(2);
    ASSERT_TRUE(db);
    TCommitQueue queue(*db, 5);
    constexpr int kThreads = 8, kEach = 30;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                TScoreRecord r = Named("q" + std::to_string(t) + "-" + std::to_string(i));
                r.OnlineType = 1;
                r.Score = i + 1;
                if (queue.Add(r) != TDbStatus::Ok)
                    ++failures;
            }
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(failures, 0);
    std::int64_t count = 0;
    ASSERT_EQ(db->Count(1, count), TDbStatus::Ok);
    EXPECT_EQ(count, kThreads * kEach);
    EXPECT_LE(queue.Commits(), static_cast<std::size_t>(kThreads * kEach));
    EXPECT_GE(queue.Commits(), static_cast<std::size_t>(kThreads * kEach / 5)) << "at most 5 in one commit";
}

INSTANTIATE_TEST_SUITE_P(Both, CommitQueueOnBoth, ::testing::ValuesIn(kBackends),
                         [](const auto& info) { return std::string(BackendName(info.param)); });

} // namespace
} // namespace ServerTest
