#include "server/Fnv1a.h"

namespace ScoreServer {

namespace {

constexpr std::uint64_t kPrime = 0x100000001B3ull;

} // namespace

void TFnv1a::Add(std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        H ^= (value >> (8 * i)) & 0xFF;
        H *= kPrime;
    }
}

void TFnv1a::AddBytes(std::string_view bytes)
{
    for (unsigned char c : bytes) {
        H ^= c;
        H *= kPrime;
    }
}

std::string TFnv1a::Hex() const
{
    static const char kDigits[] = "0123456789abcdef";
    std::string text(16, '0');
    for (int i = 0; i < 16; ++i)
        text[static_cast<std::size_t>(i)] = kDigits[(H >> (60 - 4 * i)) & 0xF];
    return text;
}

} // namespace ScoreServer
