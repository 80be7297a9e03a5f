#include "store/WorldReplay.h"

#include <cstring>

#include "rules/GameState.h"
#include "rules/GameTypes.h"
#include "rules/Rules.h"
#include "store/ReplayFolder.h"

namespace {

constexpr const char* kBestField = "\"bestVerifiedReplay\":";
constexpr std::size_t kMaxIdDigits = 18;

} // namespace

std::string BuildGetRequest(const std::string& path, const std::string& host)
{
    return "GET " + path + " HTTP/1.0\r\nHost: " + host + "\r\n\r\n";
}

bool SplitHttpReply(const std::string& reply, int& status, std::string& body)
{
    // "HTTP/1.x NNN ..."
    if (reply.size() < 12 || reply.compare(0, 7, "HTTP/1.") != 0 || reply[8] != ' ')
        return false;
    int code = 0;
    for (std::size_t i = 9; i < 12; ++i) {
        if (reply[i] < '0' || reply[i] > '9')
            return false;
        code = code * 10 + (reply[i] - '0');
    }
    const std::size_t head = reply.find("\r\n\r\n");
    if (head == std::string::npos)
        return false;
    status = code;
    body = reply.substr(head + 4);
    return true;
}

TBestReplayName BestVerifiedReplayPath(const std::string& json, std::string& path)
{
    const std::size_t at = json.find(kBestField);
    if (at == std::string::npos)
        return TBestReplayName::Bad;
    const std::size_t value = at + std::strlen(kBestField);
    if (json.compare(value, 4, "null") == 0)
        return TBestReplayName::None;
    // A quoted "/api/v1/replays/ID" and nothing else: whatever the server
    // names goes into a request line.
    const std::size_t prefix = std::strlen(kReplaysApiPath);
    if (json.compare(value, 1, "\"") != 0 || json.compare(value + 1, prefix, kReplaysApiPath) != 0)
        return TBestReplayName::Bad;
    const std::size_t digits = value + 1 + prefix;
    std::size_t end = digits;
    while (end < json.size() && json[end] >= '0' && json[end] <= '9')
        ++end;
    if (end == digits || end - digits > kMaxIdDigits || end >= json.size() || json[end] != '"')
        return TBestReplayName::Bad;
    path = json.substr(value + 1, end - value - 1);
    return TBestReplayName::Named;
}

bool CheckFetchedReplay(const std::string& text, int32_t gameNum, GFourfall::TReplay& out, std::string& why)
{
    GFourfall::TReplayLimits limits;
    limits.MaxBytes = kMaxReplayFileBytes;
    std::string parseWhy;
    if (!GFourfall::ParseReplay(text, out, parseWhy, limits)) {
        why = "it is damaged (" + parseWhy + ")";
        return false;
    }
    if (!out.HasClaim) {
        why = "it claims no score";
        return false;
    }
    if (out.GameNum != gameNum) {
        why = "it is of another game type";
        return false;
    }
    // Played through in rules of its own: the game's rules stay as they are.
    GFourfall::TRules rules;
    const GFourfall::TReplayOutcome outcome = GFourfall::PlayReplayToEnd(rules, out);
    if (outcome.Status != GFourfall::kStatusGameOver) {
        why = "its game does not end";
        return false;
    }
    if (outcome.Score != out.Score) {
        why = "it plays to " + std::to_string(outcome.Score) + " points, not the " +
              std::to_string(out.Score) + " it claims";
        return false;
    }
    return true;
}

TWorldReplayFetch::TWorldReplayFetch(TExchangeLimits limits) : Limits(limits)
{
    if (Limits.MaxReply < kMaxWorldReplayReply)
        Limits.MaxReply = kMaxWorldReplayReply;
    Limits.Cancel = &Stop;
}

TWorldReplayFetch::~TWorldReplayFetch()
{
    Stop = true;
    Wait();
}

bool TWorldReplayFetch::Start(int32_t gameNum)
{
    if (GFourfall::OnlineType(gameNum) < 0)
        return false;
    {
        std::lock_guard<std::mutex> hold(Lock);
        if (Current == TState::Fetching)
            return false;
        Current = TState::Fetching;
        Asked = gameNum;
        Reason.clear();
    }
    // The last fetch has ended: its thread only has to be collected.
    if (Worker.joinable())
        Worker.join();
    Worker = std::thread(&TWorldReplayFetch::Run, this, ScoreServerAddress(), gameNum);
    return true;
}

TWorldReplayFetch::TState TWorldReplayFetch::State() const
{
    std::lock_guard<std::mutex> hold(Lock);
    return Current;
}

GFourfall::TReplay TWorldReplayFetch::Replay() const
{
    std::lock_guard<std::mutex> hold(Lock);
    return Fetched;
}

std::string TWorldReplayFetch::Why() const
{
    std::lock_guard<std::mutex> hold(Lock);
    return Reason;
}

int32_t TWorldReplayFetch::GameNum() const
{
    std::lock_guard<std::mutex> hold(Lock);
    return Asked;
}

void TWorldReplayFetch::Wait()
{
    if (Worker.joinable())
        Worker.join();
}

void TWorldReplayFetch::Run(std::string address, int32_t gameNum)
{
    std::string host = kDefaultScoreServer;
    std::uint16_t port = kScoreServerPort;
    SplitScoreServer(address, host, port);
    GFourfall::TReplay replay;
    std::string why;
    TState outcome = TState::Unreachable;
    int status = 0;
    std::string body;
    const std::string list =
        kScoresApiPath + std::string("?type=") + std::to_string(GFourfall::OnlineType(gameNum)) + "&limit=1";
    std::string path;
    if (SplitHttpReply(ExchangeThroughHook(port, host, BuildGetRequest(list, host), Limits), status, body) &&
        status == 200) {
        const TBestReplayName named = BestVerifiedReplayPath(body, path);
        if (named == TBestReplayName::None)
            outcome = TState::NoReplay;
        else if (named == TBestReplayName::Named &&
                 SplitHttpReply(ExchangeThroughHook(port, host, BuildGetRequest(path, host), Limits), status,
                                body) &&
                 status == 200)
            outcome = CheckFetchedReplay(body, gameNum, replay, why) ? TState::Got : TState::Refused;
    }
    std::lock_guard<std::mutex> hold(Lock);
    Current = Stop ? TState::Unreachable : outcome;
    Fetched = outcome == TState::Got ? replay : GFourfall::TReplay();
    Reason = why;
}
