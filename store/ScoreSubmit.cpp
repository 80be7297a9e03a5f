// The score submission: payload, encoding, request and the exchange.

#include "store/ScoreSubmit.h"

#include "platform/TcpClient.h"
#include "store/OptionsStorage.h"
#include "store/Registry.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t kPayloadBlock = 5;
constexpr std::size_t kSymbolBits = 5;
constexpr std::size_t kMaxHostName = 253;
constexpr std::size_t kReceivePiece = 256;

THttpExchange& Exchange()
{
    static THttpExchange exchange;
    return exchange;
}

} // namespace

void SetHttpExchange(THttpExchange exchange)
{
    Exchange() = std::move(exchange);
}

std::string BuildScorePayload(std::int32_t onlineType, const char* name, std::int32_t score)
{
    std::string payload = "type=" + std::to_string(onlineType) + "|name=" + (name != nullptr ? name : "") +
                          "|score=" + std::to_string(score) + "|key=X" + "|p=" + "1" + "|z=";
    while (payload.size() % kPayloadBlock != 0)
        payload += '0';
    return payload;
}

void ReverseBitsInPlace(std::string& bytes)
{
    for (char& c : bytes) {
        unsigned in = static_cast<unsigned char>(c);
        unsigned out = 0;
        for (int bit = 0; bit < 8; ++bit)
            if (in & (1u << bit))
                out |= 0x80u >> bit;
        c = static_cast<char>(out);
    }
}

void ToBitText(std::string& text)
{
    std::string bits;
    bits.reserve(text.size() * 8);
    for (char c : text) {
        unsigned u = static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit)
            bits += (u & (1u << bit)) ? '1' : '0';
    }
    text.swap(bits);
}

void BitTextToSymbols(std::string& text)
{
    std::string symbols;
    symbols.reserve(text.size() / kSymbolBits);
    for (std::size_t i = 0; i + kSymbolBits <= text.size(); i += kSymbolBits) {
        unsigned v = 0;
        for (std::size_t j = 0; j < kSymbolBits; ++j)
            v = v * 2 + (text[i + j] == '1' ? 1 : 0);
        symbols += kScoreSymbols[v];
    }
    text.swap(symbols);
}

std::string EncodeScorePayload(std::string payload)
{
    ReverseBitsInPlace(payload);
    ToBitText(payload);
    BitTextToSymbols(payload);
    return payload;
}

std::string BuildScoreRequest(std::int32_t onlineType, const char* name, std::int32_t score,
                              const std::string& host)
{
    return "GET /cgi/version.pl?hs&prg=Tumbltwn&inf=" +
           EncodeScorePayload(BuildScorePayload(onlineType, name, score)) + " HTTP/1.1\n" + "HOST: " + host +
           "\n\n";
}

bool IsPlainHostName(const std::string& host)
{
    if (host.empty() || host.size() > kMaxHostName)
        return false;
    for (char c : host) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                  c == '-';
        if (!ok)
            return false;
    }
    return true;
}

bool SplitScoreServer(const std::string& address, std::string& host, std::uint16_t& port)
{
    const std::size_t colon = address.find(':');
    const std::string name = address.substr(0, colon);
    if (!IsPlainHostName(name))
        return false;
    long number = kScoreServerPort;
    if (colon != std::string::npos) {
        const std::string digits = address.substr(colon + 1);
        if (digits.empty() || digits.size() > 5 || digits[0] == '0' ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        number = std::stol(digits);
        if (number > 65535)
            return false;
    }
    host = name;
    port = static_cast<std::uint16_t>(number);
    return true;
}

bool ChosenScoreServer(std::string& address)
{
    std::string host;
    std::uint16_t port = 0;
    const char* env = std::getenv(kScoreServerVariable);
    if (env != nullptr && SplitScoreServer(env, host, port)) {
        address = env;
        return true;
    }
    CRegistry registry;
    if (registry.OpenKey(HKEY_CURRENT_USER, kOptionsKey, 0)) {
        char buffer[kMaxHostName + 7]; // host, ":" and five digits
        bool found = registry.ReadString(kScoreServerValue, buffer, sizeof buffer);
        registry.CloseKey();
        if (found && SplitScoreServer(buffer, host, port)) {
            address = buffer;
            return true;
        }
    }
    return false;
}

std::string ScoreServerAddress()
{
    std::string address;
    return ChosenScoreServer(address) ? address : std::string(kDefaultScoreServer);
}

std::string ExchangeHttp(std::uint16_t port, const std::string& host, const char* request, std::size_t length,
                         const TExchangeLimits& limits)
{
    using std::chrono::milliseconds;
    using std::chrono::steady_clock;
    const steady_clock::time_point end = steady_clock::now() + milliseconds(limits.TotalMs);
    auto stepDeadline = [&] {
        steady_clock::time_point step = steady_clock::now() + milliseconds(limits.StepMs);
        return step < end ? step : end;
    };

    std::uint32_t address = 0;
    if (!Platform::TTcpClient::LookUp(host, address, stepDeadline()))
        return {};
    Platform::TTcpClient client;
    client.Cancel = limits.Cancel;
    if (!client.Connect(address, port, stepDeadline()))
        return {};
    // A request that did not go out whole gets no reply worth waiting for.
    if (!client.Send(request, request != nullptr ? length : 0, stepDeadline()))
        return {};
    client.ShutdownSend();

    std::string reply;
    char piece[kReceivePiece];
    while (reply.size() < limits.MaxReply) {
        std::size_t want = std::min(sizeof piece, limits.MaxReply - reply.size());
        long n = client.Receive(piece, want, stepDeadline());
        if (n <= 0)
            break;
        reply.append(piece, static_cast<std::size_t>(n));
    }
    client.Close();
    return reply;
}

std::string ExchangeThroughHook(std::uint16_t port, const std::string& host, const std::string& request,
                                const TExchangeLimits& limits)
{
    if (Exchange())
        return Exchange()(port, host, request);
    return ExchangeHttp(port, host, request.data(), request.size(), limits);
}

void SendScore(std::int32_t onlineType, const char* name, std::int32_t score)
{
    std::string host = kDefaultScoreServer;
    std::uint16_t port = kScoreServerPort;
    SplitScoreServer(ScoreServerAddress(), host, port);
    // The "HOST: " line names the host alone, as it always has.
    std::string request = BuildScoreRequest(onlineType, name, score, host);
    if (Exchange())
        Exchange()(port, host, request);
    else
        ExchangeHttp(port, host, request.data(), request.size());
}

std::string BuildReplayRequest(const std::string& replayText, const std::string& host)
{
    return std::string("POST ") + kReplayUploadPath + " HTTP/1.0\r\nHost: " + host +
           "\r\nContent-Type: text/plain; charset=windows-1252\r\nContent-Length: " +
           std::to_string(replayText.size()) + "\r\n\r\n" + replayText;
}

void SendReplay(const std::string& replayText)
{
    std::string host = kDefaultScoreServer;
    std::uint16_t port = kScoreServerPort;
    SplitScoreServer(ScoreServerAddress(), host, port);
    std::string request = BuildReplayRequest(replayText, host);
    if (Exchange())
        Exchange()(port, host, request);
    else
        ExchangeHttp(port, host, request.data(), request.size());
}

std::string BuildSeedRequest(std::int32_t onlineType, const std::string& host)
{
    return std::string("GET ") + kSeedRequestPath + "?type=" + std::to_string(onlineType) +
           " HTTP/1.0\r\nHost: " + host + "\r\n\r\n";
}
