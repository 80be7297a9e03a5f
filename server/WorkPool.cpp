#include "server/WorkPool.h"

#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace ScoreServer {

namespace {

constexpr int kLowestNice = 19;

} // namespace

int DefaultWorkers()
{
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    return cores > 1 ? cores - 1 : 1;
}

bool RunWhenIdle()
{
    sched_param none{};
    if (::sched_setscheduler(0, SCHED_IDLE, &none) == 0) // 0: the calling thread
        return true;
    return ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), kLowestNice) == 0;
}

TWorkPool::TWorkPool(const TWorkPoolLimits& limits) : Limits(limits)
{
    const int workers = Limits.Workers > 0 ? Limits.Workers : DefaultWorkers();
    for (int i = 0; i < workers; ++i)
        Threads.emplace_back([this] { Work(); });
}

TWorkPool::~TWorkPool()
{
    Stop();
}

bool TWorkPool::Submit(const std::string& key, TJob run, TJob dropped)
{
    std::lock_guard<std::mutex> hold(Mutex);
    if (Stopping || Held >= Limits.Queue)
        return false;
    TKeyJobs& jobs = Keys[key];
    if (jobs.Held >= Limits.PerKey) {
        if (jobs.Held == 0)
            Keys.erase(key);
        return false;
    }
    if (jobs.Waiting.empty())
        Fresh.push_back(key);
    jobs.Waiting.push_back(TEntry{std::move(run), std::move(dropped)});
    ++jobs.Held;
    ++Held;
    Wake.notify_one();
    return true;
}

void TWorkPool::Work()
{
    RunWhenIdle();
    std::unique_lock<std::mutex> hold(Mutex);
    while (true) {
        Wake.wait(hold, [this] { return Stopping || !Fresh.empty() || !Turns.empty(); });
        if (Fresh.empty() && Turns.empty())
            return; // stopping, nothing left
        std::deque<std::string>& from = !Fresh.empty() ? Fresh : Turns;
        const std::string key = std::move(from.front());
        from.pop_front();
        TKeyJobs& jobs = Keys[key];
        TEntry entry = std::move(jobs.Waiting.front());
        jobs.Waiting.pop_front();
        if (!jobs.Waiting.empty())
            Turns.push_back(key); // its next job waits for the other keys' turns
        const bool drop = Stopping;
        ++Busy;
        hold.unlock();
        if (drop) {
            if (entry.Dropped)
                entry.Dropped();
        } else {
            entry.Run();
        }
        entry = TEntry{}; // what the job holds goes before it is counted out
        hold.lock();
        --Busy;
        --Held;
        auto found = Keys.find(key);
        if (found != Keys.end() && --found->second.Held == 0)
            Keys.erase(found);
    }
}

void TWorkPool::Stop()
{
    {
        std::lock_guard<std::mutex> hold(Mutex);
        Stopping = true;
    }
    Wake.notify_all();
    for (std::thread& t : Threads)
        if (t.joinable())
            t.join();
}

std::size_t TWorkPool::Waiting() const
{
    std::lock_guard<std::mutex> hold(Mutex);
    return Held - Busy;
}

std::size_t TWorkPool::Running() const
{
    std::lock_guard<std::mutex> hold(Mutex);
    return Busy;
}

} // namespace ScoreServer
