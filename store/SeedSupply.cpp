#include "store/SeedSupply.h"

#include "rules/GameTypes.h"

#include <algorithm>
#include <chrono>

namespace {

constexpr const char* kTokenVersion = "1";
constexpr std::size_t kTokenFields = 6;
constexpr std::size_t kTypeField = 1;
constexpr std::size_t kSeedField = 2;
constexpr std::size_t kMaxSeedDigits = 10; // 4294967295
constexpr const char* kHeadEnd = "\r\n\r\n";

int64_t WallSeconds()
{
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

bool ValidType(int32_t onlineType)
{
    return onlineType >= 0 && onlineType < GFourfall::kOnlineTypeCount;
}

bool AllDigits(const std::string& text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

} // namespace

bool ParseSeedToken(const std::string& token, int32_t onlineType, uint32_t& seed)
{
    if (token.empty() || token.size() > kMaxSeedToken || !ValidType(onlineType))
        return false;
    for (char c : token)
        if (c <= ' ' || c > '~')
            return false;
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = token.find('.', start);
        fields.push_back(token.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
        if (dot == std::string::npos || fields.size() > kTokenFields)
            break;
        start = dot + 1;
    }
    if (fields.size() != kTokenFields)
        return false;
    for (const std::string& field : fields)
        if (field.empty())
            return false;
    if (fields[0] != kTokenVersion || fields[kTypeField] != std::to_string(onlineType))
        return false;
    const std::string& digits = fields[kSeedField];
    // One way to write each seed: no sign, no leading zero.
    if (!AllDigits(digits) || digits.size() > kMaxSeedDigits || (digits.size() > 1 && digits[0] == '0'))
        return false;
    const unsigned long long value = std::stoull(digits);
    if (value > UINT32_MAX)
        return false;
    seed = static_cast<uint32_t>(value);
    return true;
}

bool ParseSeedReply(const std::string& reply, int32_t onlineType, TDealtSeed& out)
{
    // A reply that filled the reading bound may have been cut anywhere.
    if (reply.size() >= kMaxSeedReply)
        return false;
    const std::size_t lineEnd = reply.find("\r\n");
    if (lineEnd == std::string::npos)
        return false;
    const std::string status = reply.substr(0, lineEnd);
    if (status.rfind("HTTP/1.", 0) != 0 || status.size() < 12 || status.compare(8, 5, " 200 ") != 0)
        return false;
    const std::size_t headEnd = reply.find(kHeadEnd);
    if (headEnd == std::string::npos)
        return false;
    const std::string body = reply.substr(headEnd + std::char_traits<char>::length(kHeadEnd));
    if (body.empty() || body.back() != '\n')
        return false;
    const std::string token = body.substr(0, body.size() - 1);
    uint32_t seed = 0;
    if (!ParseSeedToken(token, onlineType, seed))
        return false;
    out.OnlineType = onlineType;
    out.Seed = seed;
    out.Token = token;
    return true;
}

TSeedSupply::TSeedSupply(TClock clock, TExchangeLimits limits)
    : Clock(clock ? std::move(clock) : TClock(WallSeconds)), Limits(limits)
{
    Limits.Cancel = &Stop;
    Limits.MaxReply = std::min(Limits.MaxReply, kMaxSeedReply);
}

TSeedSupply::~TSeedSupply()
{
    {
        std::lock_guard<std::mutex> hold(Lock);
        Stop = true;
    }
    Wake.notify_all();
    if (Worker.joinable())
        Worker.join();
}

void TSeedSupply::Want(const std::vector<int32_t>& onlineTypes)
{
    std::string server;
    if (!ChosenScoreServer(server))
        return;
    std::lock_guard<std::mutex> hold(Lock);
    if (server != Server) {
        // Another server's tokens would be refused there.
        Held.clear();
        Server = server;
    }
    for (int32_t type : onlineTypes)
        Ask(type);
}

void TSeedSupply::Ask(int32_t onlineType)
{
    // Under Lock.
    if (!ValidType(onlineType) || Server.empty() || Asking == onlineType ||
        std::find(Waiting.begin(), Waiting.end(), onlineType) != Waiting.end())
        return;
    for (const TDealtSeed& held : Held)
        if (held.OnlineType == onlineType)
            return;
    Waiting.push_back(onlineType);
    if (!Worker.joinable())
        Worker = std::thread([this] { Run(); });
    Wake.notify_all();
}

bool TSeedSupply::Take(int32_t onlineType, TDealtSeed& out)
{
    const int64_t now = Clock();
    std::lock_guard<std::mutex> hold(Lock);
    bool found = false;
    for (auto it = Held.begin(); it != Held.end(); ++it) {
        if (it->OnlineType != onlineType)
            continue;
        const int64_t age = now - it->ReceivedAt;
        if (age >= 0 && age < kSeedKeepSeconds) {
            out = *it;
            found = true;
        }
        // Used or stale: either way it is gone.
        Held.erase(it);
        break;
    }
    Ask(onlineType);
    return found;
}

bool TSeedSupply::Holds(int32_t onlineType) const
{
    std::lock_guard<std::mutex> hold(Lock);
    for (const TDealtSeed& held : Held)
        if (held.OnlineType == onlineType)
            return true;
    return false;
}

void TSeedSupply::WaitIdle()
{
    std::unique_lock<std::mutex> hold(Lock);
    Done.wait(hold, [this] { return (Waiting.empty() && Asking < 0) || !Worker.joinable(); });
}

void TSeedSupply::Run()
{
    std::unique_lock<std::mutex> hold(Lock);
    while (true) {
        Wake.wait(hold, [this] { return !Waiting.empty() || Stop; });
        if (Stop)
            break;
        Asking = Waiting.front();
        Waiting.pop_front();
        const std::string server = Server;
        const int32_t type = Asking;
        hold.unlock();
        std::string host = kDefaultScoreServer;
        std::uint16_t port = kScoreServerPort;
        SplitScoreServer(server, host, port);
        TDealtSeed dealt;
        const bool got = ParseSeedReply(ExchangeThroughHook(port, host, BuildSeedRequest(type, host), Limits),
                                        type, dealt);
        dealt.Server = server;
        dealt.ReceivedAt = Clock();
        hold.lock();
        // A server named since is not the one that dealt it.
        if (got && server == Server)
            Held.push_back(std::move(dealt));
        Asking = -1;
        Done.notify_all();
    }
    Asking = -1;
    Waiting.clear();
    Done.notify_all();
}
