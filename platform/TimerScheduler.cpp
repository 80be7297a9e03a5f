#include "platform/TimerScheduler.h"

#include <algorithm>
#include <chrono>
#include <climits>

namespace Platform {

TimerScheduler::TimerScheduler(Clock clock) : clock_(std::move(clock))
{
    if (!clock_) {
        clock_ = [] {
            using namespace std::chrono;
            return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
        };
    }
}

TimerScheduler::Entry* TimerScheduler::Find(TimerId id)
{
    for (Entry& entry : entries_)
        if (entry.id == id)
            return &entry;
    return nullptr;
}

const TimerScheduler::Entry* TimerScheduler::Find(TimerId id) const
{
    for (const Entry& entry : entries_)
        if (entry.id == id)
            return &entry;
    return nullptr;
}

TimerScheduler::TimerId TimerScheduler::Create(Callback callback)
{
    const TimerId id = nextId_++;
    entries_.push_back({id, kMinimumPeriodMs, 0, false, std::make_shared<Callback>(std::move(callback))});
    return id;
}

void TimerScheduler::Delete(TimerId id)
{
    entries_.erase(
        std::remove_if(entries_.begin(), entries_.end(), [id](const Entry& e) { return e.id == id; }),
        entries_.end());
}

void TimerScheduler::Start(TimerId id, int periodMs)
{
    Entry* entry = Find(id);
    if (!entry)
        return;
    entry->periodMs = std::max(periodMs, kMinimumPeriodMs);
    entry->due = clock_() + entry->periodMs;
    entry->running = true;
}

void TimerScheduler::Stop(TimerId id)
{
    if (Entry* entry = Find(id))
        entry->running = false;
}

bool TimerScheduler::IsRunning(TimerId id) const
{
    const Entry* entry = Find(id);
    return entry && entry->running;
}

int TimerScheduler::PeriodMs(TimerId id) const
{
    const Entry* entry = Find(id);
    return entry ? entry->periodMs : 0;
}

int TimerScheduler::MillisecondsUntilDue() const
{
    bool any = false;
    std::int64_t earliest = 0;
    for (const Entry& entry : entries_) {
        if (entry.running && (!any || entry.due < earliest)) {
            earliest = entry.due;
            any = true;
        }
    }
    if (!any)
        return -1;
    const std::int64_t wait = earliest - clock_();
    return static_cast<int>(std::clamp<std::int64_t>(wait, 0, INT_MAX));
}

int TimerScheduler::FireDue()
{
    if (firing_)
        return 0;
    firing_ = true;
    const std::int64_t now = clock_();
    // Decide who is due before anything runs: callbacks may change the table.
    std::vector<TimerId> due;
    for (const Entry& entry : entries_)
        if (entry.running && entry.due <= now)
            due.push_back(entry.id);
    int fired = 0;
    for (TimerId id : due) {
        Entry* entry = Find(id);
        // Gone, stopped, or restarted (due later) by an earlier callback.
        if (!entry || !entry->running || entry->due > now)
            continue;
        entry->due = clock_() + entry->periodMs;
        std::shared_ptr<Callback> callback = entry->callback; // entry may vanish meanwhile
        ++fired;
        if (*callback)
            (*callback)();
    }
    firing_ = false;
    return fired;
}

} // namespace Platform
