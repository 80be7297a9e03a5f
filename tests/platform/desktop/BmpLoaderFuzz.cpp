// Any bytes given to the BMP loader give a bitmap or none, never a read
// outside the bytes.
#include <cstddef>
#include <cstdint>

#include "platform/desktop/BmpLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Platform::Bitmap* bitmap = Platform::LoadBmp(data, size);
    if (bitmap) {
        // Touch every row, so a wrong size or stride shows up.
        volatile uint16_t sum = 0;
        for (int y = 0; y < bitmap->Height(); ++y)
            sum = uint16_t(sum + bitmap->Row(y)[0] + bitmap->Row(y)[bitmap->Width() - 1]);
        Platform::DeleteBitmap(bitmap);
    }
    return 0;
}
