// Any bytes given to the JPEG loader give a bitmap or none, never a read
// outside the bytes. Pictures are limited to 2048 pixels a side here, so an
// input cannot spend the fuzzer's time on one huge, mostly invented picture.
#include <cstddef>
#include <cstdint>

#include "wlib/graphics/ImageLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Platform::Bitmap* bitmap = ImageLoader::LoadImageData(data, size, 2048);
    if (bitmap) {
        volatile uint16_t sum = 0;
        for (int y = 0; y < bitmap->Height(); ++y)
            sum = uint16_t(sum + bitmap->Row(y)[0] + bitmap->Row(y)[bitmap->Width() - 1]);
        Platform::DeleteBitmap(bitmap);
    }
    return 0;
}
