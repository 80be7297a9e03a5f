#include "server/RateLimiter.h"

#include "server/AddressNet.h"

#include <chrono>
#include <cmath>

namespace ScoreServer {

TRateLimiter::TRateLimiter(int perMinute, TClock clock, std::size_t maxAddresses)
    : Limit(perMinute < 0 ? 0 : perMinute), Clock(std::move(clock)), MaxAddresses(maxAddresses)
{
    if (!Clock)
        Clock = [] {
            return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
        };
}

std::string TRateLimiter::KeyOf(const std::string& address)
{
    return ClientKey(address);
}

bool TRateLimiter::Allow(const std::string& address, int& retryAfterSeconds)
{
    retryAfterSeconds = 0;
    if (Limit == 0)
        return true;
    const double now = Clock();
    const double perSecond = Limit / 60.0;
    const std::string key = KeyOf(address);
    std::lock_guard<std::mutex> hold(Mutex);
    auto found = Buckets.find(key);
    if (found == Buckets.end()) {
        if (Buckets.size() >= MaxAddresses) {
            // Forget every address whose bucket has refilled: it is as if new.
            for (auto i = Buckets.begin(); i != Buckets.end();)
                i = i->second.Tokens + (now - i->second.Last) * perSecond >= Limit ? Buckets.erase(i)
                                                                                   : std::next(i);
            if (Buckets.size() >= MaxAddresses)
                Buckets.clear(); // more busy addresses than the table holds: start afresh
        }
        found = Buckets.emplace(key, TBucket{static_cast<double>(Limit), now}).first;
    }
    TBucket& b = found->second;
    b.Tokens = std::min<double>(Limit, b.Tokens + (now - b.Last) * perSecond);
    b.Last = now;
    if (b.Tokens >= 1.0) {
        b.Tokens -= 1.0;
        return true;
    }
    retryAfterSeconds = static_cast<int>(std::ceil((1.0 - b.Tokens) / perSecond));
    if (retryAfterSeconds < 1)
        retryAfterSeconds = 1;
    return false;
}

std::size_t TRateLimiter::TrackedAddresses() const
{
    std::lock_guard<std::mutex> hold(Mutex);
    return Buckets.size();
}

} // namespace ScoreServer
