// Any inf= text a client may send: decoding and parsing never read past the
// input, and whatever is accepted is exactly what the game's encoder would
// have sent for those fields.
#include "store/ScorePayload.h"
#include "store/ScoreSubmit.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    TScorePayload read;
    if (ReadScoreSymbols(input, read) != kPayloadOk)
        return 0;
    if (read.Name.size() > kMaxPayloadName || read.Score <= 0)
        std::abort();
    const std::string again =
        EncodeScorePayload(BuildScorePayload(read.OnlineType, read.Name.c_str(), read.Score));
    if (again != input)
        std::abort(); // two texts read as one result: the parse is not exact
    return 0;
}
