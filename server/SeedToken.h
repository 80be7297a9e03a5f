// Seeds dealt by the server: a token the game asks for before a game and
// sends back in that game's replay. It names the type, the seed the game
// plays with, when it was issued and a nonce, signed with the server's
// secret (kept in the database, so every server sharing one database signs
// alike):
//
//   1.<type>.<seed>.<issued>.<nonce>.<signature>
//
// 1 is the format's version; type, seed (a uint32) and issued (Unix seconds)
// are decimal; the nonce (16 random bytes) and the signature (HMAC-SHA-256
// of the text before the last dot) are lowercase hex. Printable ASCII
// without spaces, at most 150 bytes (a replay's token line takes 200).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ScoreServer {

constexpr int kSeedTokenVersion = 1;
constexpr std::int64_t kSeedTokenLifetime = 24 * 60 * 60; // seconds
constexpr std::size_t kSeedNonceBytes = 16;
constexpr std::size_t kSeedSecretBytes = 32;

struct TSeedToken {
    std::int32_t OnlineType = 0;
    std::uint32_t Seed = 0;
    std::int64_t Issued = 0; // Unix seconds
    std::string Nonce;       // lowercase hex, 2 * kSeedNonceBytes digits
    std::string Signature;   // lowercase hex, 64 digits
};

// n bytes from the system's random source, as lowercase hex; empty when it
// cannot give them.
std::string RandomHex(std::size_t n);
// A random uint32 from the system's random source (false when it fails).
bool RandomSeed(std::uint32_t& seed);

// HMAC-SHA-256 of data under key, as lowercase hex.
std::string HmacSha256Hex(const std::string& key, const std::string& data);

// A new token for the type, seed and time, with its nonce, signed with secret.
std::string IssueSeedToken(const std::string& secret, std::int32_t onlineType, std::uint32_t seed,
                           std::int64_t issued, const std::string& nonce);

// Reads a token's fields, each written in its one spelling (no leading
// zeros, lowercase hex of the right length); false for anything else. Says
// nothing of its signature.
bool ParseSeedToken(const std::string& text, TSeedToken& out);

// Whether the text is a token this secret signed (compared in constant time).
bool SeedTokenSigned(const std::string& secret, const std::string& text);

// What a replay's token says of its game, worst first.
enum class TSeedTokenProblem {
    None,
    Missing,   // the replay carries no token: the game played with a seed of its own
    Malformed, // not a token of this format
    Unsigned,  // not signed with this server's secret (forged, or from another database)
    OtherType, // dealt for another game type
    OtherSeed, // the replay's game does not start from the dealt seed
    Expired,   // issued more than kSeedTokenLifetime ago
    TooSoon,   // the replay came sooner after the token's issue than its own played time
};

// A plain sentence for the answer: "the seed token was dealt for another game type".
const char* SeedTokenProblemText(TSeedTokenProblem problem);

// Checks a replay's token against the game it holds: of that type, from the
// dealt seed, signed with secret, issued no more than kSeedTokenLifetime
// before now, and no sooner than the game's played time (playedMs, pauses
// left out) before now. Times are whole seconds, so a second's grace is
// given to the played time. token is filled in when it reads.
TSeedTokenProblem CheckSeedToken(const std::string& secret, const std::string& text, std::int32_t onlineType,
                                 std::uint32_t seed, std::uint32_t playedMs, std::int64_t now,
                                 TSeedToken& token);

} // namespace ScoreServer
