// The worker pool that plays replays off the event loops, and the client
// keys and proxy networks the per-client limits count by.

#include "server/WorkPool.h"
#include "server/AddressNet.h"

#include <gtest/gtest.h>

#include <sched.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ServerTest {
namespace {

using ScoreServer::TWorkPool;
using ScoreServer::TWorkPoolLimits;

// A gate the jobs wait at until the test opens it.
struct TGate {
    std::mutex Mutex;
    std::condition_variable Changed;
    bool Open = false;
    int Waiting = 0;
    void Pass()
    {
        std::unique_lock<std::mutex> hold(Mutex);
        ++Waiting;
        Changed.notify_all();
        Changed.wait(hold, [this] { return Open; });
    }
    bool WaitFor(int n)
    {
        std::unique_lock<std::mutex> hold(Mutex);
        return Changed.wait_for(hold, std::chrono::seconds(10), [&] { return Waiting >= n; });
    }
    void Release()
    {
        std::lock_guard<std::mutex> hold(Mutex);
        Open = true;
        Changed.notify_all();
    }
};

// Waits until every job given has ended.
void Drain(const TWorkPool& pool)
{
    for (int i = 0; i < 2000 && pool.Waiting() + pool.Running() > 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

TWorkPoolLimits OneWorker(std::size_t queue, std::size_t perKey)
{
    TWorkPoolLimits l;
    l.Workers = 1;
    l.Queue = queue;
    l.PerKey = perKey;
    return l;
}

// The keys take turns: a client with many jobs waiting delays another's by
// one job, not by all of its own; a client new to the queue goes before the
// turns of those already in it.
TEST(WorkPool, KeysTakeTurns)
{
    TWorkPool pool(OneWorker(16, 8));
    TGate gate;
    std::mutex mutex;
    std::vector<std::string> order;
    auto job = [&](const std::string& name) {
        return [&, name] {
            std::lock_guard<std::mutex> hold(mutex);
            order.push_back(name);
        };
    };
    ASSERT_TRUE(pool.Submit(
        "flood", [&] { gate.Pass(); }, nullptr));
    ASSERT_TRUE(gate.WaitFor(1)); // the worker is held
    for (const char* name : {"f1", "f2", "f3", "f4"})
        ASSERT_TRUE(pool.Submit("flood", job(name), nullptr));
    ASSERT_TRUE(pool.Submit("honest", job("h1"), nullptr));
    TGate second;
    ASSERT_TRUE(pool.Submit(
        "other",
        [&] {
            job("o1")();
            second.Pass();
        },
        nullptr));
    ASSERT_TRUE(pool.Submit("honest", job("h2"), nullptr));
    EXPECT_EQ(pool.Waiting(), 7u);

    EXPECT_EQ(pool.Running(), 1u);
    gate.Release();
    ASSERT_TRUE(second.WaitFor(1)); // f1, h1 and o1 had their turns
    ASSERT_TRUE(pool.Submit("late", job("l1"), nullptr));
    second.Release();
    Drain(pool);
    EXPECT_EQ(order, (std::vector<std::string>{"f1", "h1", "o1", "l1", "f2", "h2", "f3", "f4"}));
}

// A full share or a full queue refuses at once; room comes back as jobs end.
TEST(WorkPool, SharesAndQueueAreBounded)
{
    TWorkPool pool(OneWorker(4, 2));
    TGate gate;
    int ran = 0;
    ASSERT_TRUE(pool.Submit(
        "a", [&] { gate.Pass(); }, nullptr));
    ASSERT_TRUE(gate.WaitFor(1));
    EXPECT_TRUE(pool.Submit(
        "a", [&] { ++ran; }, nullptr));
    EXPECT_FALSE(pool.Submit(
        "a", [&] { ++ran; }, nullptr))
        << "a's share of 2 is full (one running)";
    EXPECT_TRUE(pool.Submit(
        "b", [&] { ++ran; }, nullptr));
    EXPECT_TRUE(pool.Submit(
        "c", [&] { ++ran; }, nullptr));
    EXPECT_FALSE(pool.Submit(
        "d", [&] { ++ran; }, nullptr))
        << "the queue of 4 is full";
    gate.Release();
    Drain(pool);
    EXPECT_TRUE(pool.Submit(
        "d", [&] { ++ran; }, nullptr))
        << "room again";
    Drain(pool);
    EXPECT_EQ(ran, 4);
}

// Stopping drops what still waits, each through its own drop, and runs the
// job under way to its end: every job ends one way or the other.
TEST(WorkPool, StopDropsTheWaitingJobs)
{
    TWorkPool pool(OneWorker(8, 8));
    TGate gate;
    int ran = 0, dropped = 0;
    ASSERT_TRUE(pool.Submit(
        "a",
        [&] {
            gate.Pass();
            ++ran;
        },
        [&] { ++dropped; }));
    ASSERT_TRUE(gate.WaitFor(1));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(pool.Submit(
            "a", [&] { ++ran; }, [&] { ++dropped; }));
    std::thread stopper([&] { pool.Stop(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(pool.Submit(
        "b", [&] { ++ran; }, [&] { ++dropped; }))
        << "no new jobs while stopping";
    gate.Release();
    stopper.join();
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(dropped, 3);
}

// A core is left to the threads that answer requests.
TEST(WorkPool, OneFewerWorkersThanCoresByDefault)
{
    TWorkPool pool(TWorkPoolLimits{});
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    EXPECT_EQ(pool.Workers(), std::max(1, cores - 1));
    EXPECT_EQ(ScoreServer::DefaultWorkers(), pool.Workers());
}

// The workers run only when the CPU has nothing else to do; the thread that
// gives them work keeps its own priority.
TEST(WorkPool, WorkersRunOnlyWhenTheCpuIsIdle)
{
    TWorkPool pool(OneWorker(4, 4));
    std::mutex mutex;
    std::condition_variable done;
    int policy = -1;
    ASSERT_TRUE(pool.Submit(
        "a",
        [&] {
            std::lock_guard<std::mutex> hold(mutex);
            policy = ::sched_getscheduler(0);
            done.notify_all();
        },
        nullptr));
    std::unique_lock<std::mutex> hold(mutex);
    ASSERT_TRUE(done.wait_for(hold, std::chrono::seconds(10), [&] { return policy != -1; }));
    EXPECT_EQ(policy, SCHED_IDLE);
    EXPECT_EQ(::sched_getscheduler(0), SCHED_OTHER);
}

// IPv6 clients count by their /64 in every per-client limit, as one
// household or machine owns one; IPv4 clients by their address.
TEST(ClientKey, IPv6CountsByItsSlash64)
{
    using ScoreServer::ClientKey;
    EXPECT_EQ(ClientKey("2001:db8:1:2::1"), ClientKey("2001:db8:1:2:ffff:eeee:dddd:cccc"));
    EXPECT_NE(ClientKey("2001:db8:1:2::1"), ClientKey("2001:db8:1:3::1"));
    EXPECT_EQ(ClientKey("2001:db8:1:2::1"), "2001:db8:1:2::/64");
    EXPECT_EQ(ClientKey("192.0.2.7"), "192.0.2.7");
    EXPECT_NE(ClientKey("192.0.2.7"), ClientKey("192.0.2.8"));
    EXPECT_EQ(ClientKey("not an address"), "not an address");
}

TEST(AddressNet, ParseAndContain)
{
    struct TCase {
        const char* Net;
        const char* Address;
        bool Contained;
    } cases[] = {
        {"127.0.0.1", "127.0.0.1", true},
        {"127.0.0.1", "127.0.0.2", false},
        {"10.0.0.0/8", "10.255.1.2", true},
        {"10.0.0.0/8", "11.0.0.1", false},
        {"192.168.4.0/22", "192.168.7.9", true},
        {"192.168.4.0/22", "192.168.8.1", false},
        {"0.0.0.0/0", "203.0.113.9", true},
        {"0.0.0.0/0", "::1", false},
        {"2001:db8::/32", "2001:db8:ffff::1", true},
        {"2001:db8::/32", "2001:db9::1", false},
        {"::1", "::1", true},
        {"::1", "127.0.0.1", false},
    };
    for (const TCase& c : cases) {
        ScoreServer::TAddressNet net;
        ASSERT_TRUE(net.Parse(c.Net)) << c.Net;
        EXPECT_EQ(net.Contains(c.Address), c.Contained) << c.Net << " " << c.Address;
    }
    for (const char* bad :
         {"", "localhost", "10.0.0.0/33", "::/129", "10.0.0.0/", "10.0.0.0/-1", "1.2.3.4/8x"}) {
        ScoreServer::TAddressNet net;
        EXPECT_FALSE(net.Parse(bad)) << bad;
    }
}

} // namespace
} // namespace ServerTest
