// What /metrics counts beyond the service's own counts: the requests by
// address and status, and the time spent waiting for the database. Written
// out in the Prometheus text format, which any scraper reads.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace ScoreServer {

class TRequestCounts {
public:
    void Count(const std::string& route, int status);
    // "tumbletown_requests_total{route=\"...\",status=\"...\"} N" lines.
    std::string Text() const;

private:
    mutable std::mutex Mutex;
    std::map<std::pair<std::string, int>, std::uint64_t> Counts;
};

// Database calls and their time, summed.
struct TDatabaseTime {
    std::atomic<std::uint64_t> Calls{0};
    std::atomic<std::uint64_t> Micros{0};
};

// Adds the time from its making to its end to a TDatabaseTime.
class TDatabaseTimer {
public:
    explicit TDatabaseTimer(TDatabaseTime& into) : Into(into), Start(std::chrono::steady_clock::now()) {}
    ~TDatabaseTimer()
    {
        ++Into.Calls;
        Into.Micros += static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - Start)
                .count());
    }
    TDatabaseTimer(const TDatabaseTimer&) = delete;
    TDatabaseTimer& operator=(const TDatabaseTimer&) = delete;

private:
    TDatabaseTime& Into;
    std::chrono::steady_clock::time_point Start;
};

// One metric's "# HELP" and "# TYPE" lines.
std::string MetricHeader(const char* name, const char* type, const char* help);

} // namespace ScoreServer
