#include "store/ScoreDelivery.h"

#include <chrono>

namespace {

int64_t WallSeconds()
{
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

} // namespace

TScoreDelivery::TScoreDelivery(TClock clock, TExchangeLimits limits)
    : Clock(clock ? std::move(clock) : TClock(WallSeconds)), Limits(limits)
{
    Limits.Cancel = &Stop;
}

TScoreDelivery::~TScoreDelivery()
{
    {
        std::lock_guard<std::mutex> hold(Lock);
        Stop = true;
    }
    Wake.notify_all();
    if (Worker.joinable())
        Worker.join();
}

uint64_t TScoreDelivery::Deliver(int32_t onlineType, const std::string& name, int32_t score,
                                 const std::string& replay)
{
    TOutboxItem item;
    item.QueuedAt = Clock();
    item.OnlineType = onlineType;
    item.Name = name;
    item.Score = score;
    item.Replay = replay;
    // In the folder before anything is sent: a program that ends now still
    // has the result for its next start.
    const bool kept = KeepOutboxItem(item);
    {
        std::lock_guard<std::mutex> hold(Lock);
        if (!kept) {
            item.File.clear();
            Unfiled.push_back(std::move(item));
        }
    }
    return Retry();
}

uint64_t TScoreDelivery::Retry()
{
    const std::string address = ScoreServerAddress();
    uint64_t ticket = 0;
    {
        std::lock_guard<std::mutex> hold(Lock);
        // A round under way may have read the outbox before this result
        // was in it: the one after it will have it.
        ticket = Finished + (Working ? 2 : 1);
        Address = address;
        Wanted = true;
        if (!Worker.joinable())
            Worker = std::thread([this] { Run(); });
    }
    Wake.notify_all();
    return ticket;
}

TScoreDelivery::TState TScoreDelivery::State() const
{
    std::lock_guard<std::mutex> hold(Lock);
    return Current;
}

uint64_t TScoreDelivery::Rounds() const
{
    std::lock_guard<std::mutex> hold(Lock);
    return Finished;
}

void TScoreDelivery::WaitIdle()
{
    std::unique_lock<std::mutex> hold(Lock);
    Done.wait(hold, [this] { return (!Wanted && !Working) || !Worker.joinable(); });
}

void TScoreDelivery::Run()
{
    std::unique_lock<std::mutex> hold(Lock);
    while (true) {
        Wake.wait(hold, [this] { return Wanted || Stop; });
        if (Stop)
            break;
        Wanted = false;
        Working = true;
        const std::string address = Address;
        hold.unlock();
        const TState outcome = Round(address);
        hold.lock();
        Working = false;
        ++Finished;
        Current = outcome;
        Done.notify_all();
    }
    Working = false;
    Wanted = false;
    Done.notify_all();
}

TScoreDelivery::TState TScoreDelivery::Round(const std::string& address)
{
    std::string host = kDefaultScoreServer;
    std::uint16_t port = kScoreServerPort;
    SplitScoreServer(address, host, port);
    std::vector<TOutboxItem> items = LoadOutbox(Clock());
    {
        std::lock_guard<std::mutex> hold(Lock);
        for (TOutboxItem& item : Unfiled)
            items.push_back(item);
        Unfiled.clear();
        if (!items.empty())
            Current = TState::Sending;
    }
    if (items.empty())
        return State();
    std::size_t next = 0;
    for (; next < items.size() && !Stop; ++next) {
        TOutboxItem& item = items[next];
        if (!item.ScoreSent) {
            const std::string request =
                BuildScoreRequest(item.OnlineType, item.Name.c_str(), item.Score, host);
            if (ClassifyReply(ExchangeThroughHook(port, host, request, Limits)) != TServerAnswer::Taken)
                break;
            // Taken: whatever happens to the replay, the result is not sent twice.
            item.ScoreSent = true;
            UpdateOutboxItem(item);
        }
        // The server plays the replay again to tell a played result from a
        // typed one.
        if (!item.Replay.empty()) {
            const std::string request = BuildReplayRequest(item.Replay, host);
            if (ClassifyReply(ExchangeThroughHook(port, host, request, Limits)) != TServerAnswer::Taken)
                break;
        }
        RemoveOutboxItem(item);
    }
    if (next == items.size())
        return TState::Sent;
    // What stays and had no file waits in memory for the next round.
    std::lock_guard<std::mutex> hold(Lock);
    for (std::size_t i = next; i < items.size(); ++i)
        if (items[i].File.empty())
            Unfiled.push_back(items[i]);
    return TState::Kept;
}
