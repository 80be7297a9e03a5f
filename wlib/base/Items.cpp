#include "wlib/base/Items.h"

#include <new>

namespace WLib {

int ItemsGrowCapacity(int need, int cap)
{
    if (need > (1 << 29) || cap > (1 << 29))
        throw std::bad_alloc(); // no array of the framework gets near this
    int p = 1;
    while (p < need)
        p <<= 1;
    int step = p / 2 > 16 ? p / 2 : 16;
    int total = need + cap;
    int rounded = (total + step - 1) / step * step;
    return rounded < 16 ? 16 : rounded;
}

} // namespace WLib
