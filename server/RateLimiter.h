// Requests per client address and minute: a bucket per address that holds
// at most the minute's allowance and refills evenly over the minute. IPv6
// clients count by their /64 network, which one household or machine owns.
// The table of addresses stays bounded whatever the clients do.
#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>

namespace ScoreServer {

class TRateLimiter {
public:
    // Seconds on a steady clock; the caller owns time, so tests move it by hand.
    using TClock = std::function<double()>;

    // perMinute 0 switches the limit off.
    explicit TRateLimiter(int perMinute, TClock clock = nullptr, std::size_t maxAddresses = 100000);

    // True when the address may make one more request now, which is counted.
    // Otherwise false and the whole seconds until it may.
    bool Allow(const std::string& address, int& retryAfterSeconds);

    int PerMinute() const { return Limit; }
    std::size_t TrackedAddresses() const;

    // The key an address is counted under: IPv4 as is, IPv6 as its /64.
    static std::string KeyOf(const std::string& address);

private:
    struct TBucket {
        double Tokens;
        double Last;
    };
    int Limit;
    TClock Clock;
    std::size_t MaxAddresses;
    mutable std::mutex Mutex;
    std::unordered_map<std::string, TBucket> Buckets;
};

} // namespace ScoreServer
