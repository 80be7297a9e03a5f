#include "server/SeedToken.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <vector>

namespace ScoreServer {

namespace {

constexpr std::size_t kSignatureHexDigits = 64;
constexpr std::size_t kTokenFields = 6;

std::string Hex(const unsigned char* bytes, std::size_t n)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(n * 2);
    for (std::size_t i = 0; i < n; ++i) {
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    return out;
}

bool IsLowerHex(const std::string& text, std::size_t digits)
{
    if (text.size() != digits)
        return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

// A decimal number in its one spelling, within [0, high].
bool Decimal(const std::string& text, std::uint64_t high, std::uint64_t& value)
{
    if (text.empty() || text.size() > 19 || (text[0] == '0' && text.size() > 1))
        return false;
    std::uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (v > high)
        return false;
    value = v;
    return true;
}

std::vector<std::string> Fields(const std::string& text)
{
    std::vector<std::string> fields;
    std::size_t from = 0;
    while (fields.size() <= kTokenFields) {
        const std::size_t dot = text.find('.', from);
        fields.push_back(text.substr(from, dot == std::string::npos ? std::string::npos : dot - from));
        if (dot == std::string::npos)
            break;
        from = dot + 1;
    }
    return fields;
}

} // namespace

std::string RandomHex(std::size_t n)
{
    std::vector<unsigned char> bytes(n);
    if (RAND_bytes(bytes.data(), static_cast<int>(n)) != 1)
        return {};
    return Hex(bytes.data(), n);
}

bool RandomSeed(std::uint32_t& seed)
{
    unsigned char bytes[4];
    if (RAND_bytes(bytes, sizeof bytes) != 1)
        return false;
    seed = static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
           static_cast<std::uint32_t>(bytes[2]) << 8 | bytes[3];
    return true;
}

std::string HmacSha256Hex(const std::string& key, const std::string& data)
{
    unsigned char mac[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()),
             reinterpret_cast<const unsigned char*>(data.data()), data.size(), mac, &length) == nullptr)
        return {};
    return Hex(mac, length);
}

std::string IssueSeedToken(const std::string& secret, std::int32_t onlineType, std::uint32_t seed,
                           std::int64_t issued, const std::string& nonce)
{
    const std::string body = std::to_string(kSeedTokenVersion) + "." + std::to_string(onlineType) + "." +
                             std::to_string(seed) + "." + std::to_string(issued) + "." + nonce;
    return body + "." + HmacSha256Hex(secret, body);
}

bool ParseSeedToken(const std::string& text, TSeedToken& out)
{
    const std::vector<std::string> f = Fields(text);
    std::uint64_t version = 0, type = 0, seed = 0, issued = 0;
    if (f.size() != kTokenFields || !Decimal(f[0], 1000, version) ||
        version != static_cast<std::uint64_t>(kSeedTokenVersion) || !Decimal(f[1], 1000000, type) ||
        !Decimal(f[2], UINT32_MAX, seed) || !Decimal(f[3], INT64_MAX, issued) ||
        !IsLowerHex(f[4], 2 * kSeedNonceBytes) || !IsLowerHex(f[5], kSignatureHexDigits))
        return false;
    out.OnlineType = static_cast<std::int32_t>(type);
    out.Seed = static_cast<std::uint32_t>(seed);
    out.Issued = static_cast<std::int64_t>(issued);
    out.Nonce = f[4];
    out.Signature = f[5];
    return true;
}

bool SeedTokenSigned(const std::string& secret, const std::string& text)
{
    const std::size_t dot = text.rfind('.');
    if (dot == std::string::npos || secret.empty())
        return false;
    const std::string want = HmacSha256Hex(secret, text.substr(0, dot));
    const std::string given = text.substr(dot + 1);
    return want.size() == given.size() && CRYPTO_memcmp(want.data(), given.data(), want.size()) == 0;
}

const char* SeedTokenProblemText(TSeedTokenProblem problem)
{
    switch (problem) {
    case TSeedTokenProblem::None:
        return "the seed token is good";
    case TSeedTokenProblem::Missing:
        return "the game's seed was not dealt by the server (no seed token)";
    case TSeedTokenProblem::Malformed:
        return "the seed token is not one this server deals";
    case TSeedTokenProblem::Unsigned:
        return "the seed token was not signed by this server";
    case TSeedTokenProblem::OtherType:
        return "the seed token was dealt for another game type";
    case TSeedTokenProblem::OtherSeed:
        return "the game does not start from the dealt seed";
    case TSeedTokenProblem::Expired:
        return "the seed token has expired";
    case TSeedTokenProblem::TooSoon:
        return "the replay came sooner after its seed than the game's own played time";
    }
    return "the seed token is bad";
}

TSeedTokenProblem CheckSeedToken(const std::string& secret, const std::string& text, std::int32_t onlineType,
                                 std::uint32_t seed, std::uint32_t playedMs, std::int64_t now,
                                 TSeedToken& token)
{
    if (text.empty())
        return TSeedTokenProblem::Missing;
    if (!ParseSeedToken(text, token))
        return TSeedTokenProblem::Malformed;
    if (!SeedTokenSigned(secret, text))
        return TSeedTokenProblem::Unsigned;
    if (token.OnlineType != onlineType)
        return TSeedTokenProblem::OtherType;
    if (token.Seed != seed)
        return TSeedTokenProblem::OtherSeed;
    if (now - token.Issued > kSeedTokenLifetime)
        return TSeedTokenProblem::Expired;
    // Issue and arrival are whole seconds, each cut down: the real time
    // between them may be up to a second more than their difference.
    if ((now - token.Issued + 1) * 1000 < static_cast<std::int64_t>(playedMs))
        return TSeedTokenProblem::TooSoon;
    return TSeedTokenProblem::None;
}

} // namespace ScoreServer
