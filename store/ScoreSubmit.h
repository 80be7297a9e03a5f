// Sending a result to the world high-score server: one HTTP GET to port 80
// whose query carries the game type, the name and the score in a base-32 form.
// The reply is read to its end and ignored; every failure is silent.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// Sends one result (online type 0 to 3, the player's name, the score) to the
// server of ScoreServerAddress(). Blocks at most about ten seconds.
void SendScore(std::int32_t onlineType, const char* name, std::int32_t score);

// The exchange SendScore goes through: ExchangeHttp with its default limits,
// or what a test has put in its place. An empty function puts ExchangeHttp back.
using THttpExchange =
    std::function<std::string(std::uint16_t port, const std::string& host, const std::string& request)>;
void SetHttpExchange(THttpExchange exchange);

// Time limits and the reply bound of one exchange.
struct TExchangeLimits {
    int StepMs = 3000;                         // each step: lookup, connect, send, each wait for reply data
    int TotalMs = 10000;                       // the whole exchange
    std::size_t MaxReply = 16 << 10;           // reply bytes kept; reading stops there
    const std::atomic<bool>* Cancel = nullptr; // raised: the exchange ends soon, as at its time limit
};

// What the exchange a result goes through returns: its reply, or what a test
// has put in place of ExchangeHttp (SetHttpExchange).
std::string ExchangeThroughHook(std::uint16_t port, const std::string& host, const std::string& request,
                                const TExchangeLimits& limits = TExchangeLimits());

// Connects to host:port, sends the request, shuts the sending side down and
// reads the reply until the server closes (at most limits.MaxReply bytes).
// Returns the reply; empty on any failure before the reply. A server that
// stops answering ends the exchange at the time limit with what it sent.
std::string ExchangeHttp(std::uint16_t port, const std::string& host, const char* request, std::size_t length,
                         const TExchangeLimits& limits = TExchangeLimits());

// The high-score server as the player names it, "host" or "host:port": the
// environment variable TUMBLETOWN_SCORE_SERVER, else the text value
// "ScoreServer" of the options key in the settings store, else "localhost".
// A value that is not a plain host name (letters, digits, dots, hyphens; at
// most 253), optionally followed by ":" and a port from 1 to 65535, is passed
// over. Without a port the server is on port 80. The world page's address is
// "http://" + this + its path, so it names the same host and port.
std::string ScoreServerAddress();
// The server the player named (the variable or the stored value, as
// ScoreServerAddress reads them): true with address set; false when neither
// names one and the designed default host stands alone.
bool ChosenScoreServer(std::string& address);
constexpr const char* kScoreServerVariable = "TUMBLETOWN_SCORE_SERVER";
constexpr const char* kScoreServerValue = "ScoreServer";
constexpr const char* kDefaultScoreServer = "localhost";
constexpr std::uint16_t kScoreServerPort = 80;
bool IsPlainHostName(const std::string& host);
// Splits "host" or "host:port" into its parts; false (parts untouched) when
// it is neither.
bool SplitScoreServer(const std::string& address, std::string& host, std::uint16_t& port);

// The payload: type=<t>|name=<name>|score=<s>|key=X|p=1|z= padded with "0"
// to a multiple of 5 bytes. The name goes in unescaped.
std::string BuildScorePayload(std::int32_t onlineType, const char* name, std::int32_t score);

// The three encoding steps, each replacing the text.
// Reverses the order of the bits inside every byte.
void ReverseBitsInPlace(std::string& bytes);
// One "0" or "1" per bit, least significant bit of each byte first.
void ToBitText(std::string& text);
// Each group of five characters, the first worth 16, becomes one symbol of
// kScoreSymbols; a trailing incomplete group is dropped.
void BitTextToSymbols(std::string& text);
constexpr const char* kScoreSymbols = "ABCDEFGHJKLMNPQRSTUVWXY123456789";

// The three steps together: "abc00" gives "NFTGGNBS".
std::string EncodeScorePayload(std::string payload);

// The request text, byte for byte, with "\n" line ends. host is the host
// name alone, without a port.
std::string BuildScoreRequest(std::int32_t onlineType, const char* name, std::int32_t score,
                              const std::string& host);

// After a result is sent, its replay follows to the same server: one POST of
// the replay text to /api/v1/replays, through the same exchange, with the
// same time limits and the same silence on failure.
void SendReplay(const std::string& replayText);
constexpr const char* kReplayUploadPath = "/api/v1/replays";

// The upload request, byte for byte: "POST /api/v1/replays HTTP/1.0", the
// host, the body's type and length, a blank line and the text (line ends
// "\r\n" in the head).
std::string BuildReplayRequest(const std::string& replayText, const std::string& host);

// A seed for the next game of a type, dealt by the server (SeedSupply.h):
// "GET /api/v1/seed?type=N HTTP/1.0", the host and a blank line ("\r\n"
// line ends). It carries the online type and nothing else.
constexpr const char* kSeedRequestPath = "/api/v1/seed";
std::string BuildSeedRequest(std::int32_t onlineType, const std::string& host);
