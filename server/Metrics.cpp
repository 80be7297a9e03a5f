#include "server/Metrics.h"

namespace ScoreServer {

void TRequestCounts::Count(const std::string& route, int status)
{
    std::lock_guard<std::mutex> hold(Mutex);
    ++Counts[{route, status}];
}

std::string TRequestCounts::Text() const
{
    std::string text =
        MetricHeader("tumbletown_requests_total", "counter", "Requests answered, by route and status.");
    std::lock_guard<std::mutex> hold(Mutex);
    for (const auto& [key, n] : Counts)
        text += "tumbletown_requests_total{route=\"" + key.first + "\",status=\"" +
                std::to_string(key.second) + "\"} " + std::to_string(n) + "\n";
    return text;
}

std::string MetricHeader(const char* name, const char* type, const char* help)
{
    return std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n";
}

} // namespace ScoreServer
