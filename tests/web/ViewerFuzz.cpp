// The viewer's glue fed anything, as the page's script would hand it a
// download: a text that loads plays to its start, its middle and its end
// (and back) and always gives a state; any other is refused with a reason.
#include "web/ViewerExports.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const int32_t steps = tt_load(reinterpret_cast<const char*>(data), static_cast<int32_t>(size));
    if (steps < 0) {
        if (std::strlen(tt_why()) == 0 || std::strlen(tt_state(0)) != 0)
            std::abort();
        return 0;
    }
    for (int32_t n : {steps, 0, steps / 2, steps + 1, -1}) {
        const char* state = tt_state(n);
        if (std::strncmp(state, "{\"op\":", 6) != 0)
            std::abort();
    }
    if (steps > 0 && tt_time(steps - 1) < tt_time(0))
        std::abort();
    return 0;
}
