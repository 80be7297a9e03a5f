#include "tests/server/RequestTarget.h"

#include "store/ScoreSubmit.h"

namespace ServerTest {

ScoreServer::TRequest RequestFromTarget(const std::string& target, const std::string& method,
                                        const std::string& address)
{
    ScoreServer::TRequest r;
    r.Method = method;
    r.ClientAddress = address;
    const std::size_t q = target.find('?');
    r.Path = target.substr(0, q);
    if (q == std::string::npos)
        return r;
    const std::string query = target.substr(q + 1);
    std::size_t at = 0;
    while (at <= query.size()) {
        std::size_t end = query.find('&', at);
        if (end == std::string::npos)
            end = query.size();
        const std::string part = query.substr(at, end - at);
        ScoreServer::TQueryArg a;
        const std::size_t eq = part.find('=');
        a.Key = part.substr(0, eq);
        if (eq != std::string::npos)
            a.Value = part.substr(eq + 1);
        r.Args.push_back(a);
        at = end + 1;
    }
    return r;
}

std::string GameTarget(std::int32_t type, const std::string& name, std::int32_t score)
{
    const std::string request = BuildScoreRequest(type, name.c_str(), score, "h");
    return request.substr(4, request.find(' ', 4) - 4);
}

} // namespace ServerTest
