// Any bytes as the server's answer to a seed request: reading it never reads
// past the input, and whatever deals a seed is a token the game can carry
// (printable, bounded, of the type asked) whose seed it names.
#include "store/SeedSupply.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const int32_t type = data[0] % 10; // 9 is no type: nothing may be dealt for it
    const std::string reply(reinterpret_cast<const char*>(data) + 1, size - 1);
    TDealtSeed dealt;
    if (!ParseSeedReply(reply, type, dealt))
        return 0;
    if (type > 8 || dealt.OnlineType != type || dealt.Token.empty() || dealt.Token.size() > kMaxSeedToken)
        std::abort();
    for (char c : dealt.Token)
        if (c <= ' ' || c > '~')
            std::abort();
    const std::string prefix = "1." + std::to_string(type) + "." + std::to_string(dealt.Seed) + ".";
    if (dealt.Token.compare(0, prefix.size(), prefix) != 0)
        std::abort(); // the seed read is not the one the token names
    uint32_t again = 0;
    if (!ParseSeedToken(dealt.Token, type, again) || again != dealt.Seed)
        std::abort();
    return 0;
}
