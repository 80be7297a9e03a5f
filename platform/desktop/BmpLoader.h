// The platform's loader of BMP files: uncompressed pictures of 1, 4, 8, 24 or
// 32 bits per pixel, bottom-up or top-down, into a 5-6-5 bitmap (top-down in
// memory). Anything else (compression, other depths, a damaged or truncated
// file, a side beyond kMaxBitmapSide) gives no bitmap; the bytes are never
// read outside the given span.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/desktop/Bitmap.h"

namespace Platform {

Bitmap* LoadBmp(const uint8_t* data, size_t size);
// Reads the whole file and loads it; null when it cannot be read.
Bitmap* LoadBmpFile(const char* name);

} // namespace Platform
