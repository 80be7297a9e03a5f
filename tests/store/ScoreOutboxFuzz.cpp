// Any bytes as an outbox file: parsing never reads past the input, and
// whatever is accepted is a result the game could send, written back as the
// very same text.
#include "store/ScoreOutbox.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    TOutboxItem item;
    if (!ParseOutboxItem(input, item))
        return 0;
    if (item.Score < 1 || item.Name.empty() || item.Name.size() > 59 || item.OnlineType < 0 ||
        item.OnlineType > 15)
        std::abort();
    if (OutboxItemText(item) != input)
        std::abort(); // two texts read as one item: the parse is not exact
    return 0;
}
