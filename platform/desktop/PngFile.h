// PNG files of 5-6-5 bitmaps, for screenshots and picture tests. Saving
// expands each channel with bit replication (white stays 255), so loading a
// saved picture gives back the same 5-6-5 pixels.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/desktop/Bitmap.h"

namespace Platform {

bool EncodePng(const Bitmap* bitmap, std::vector<uint8_t>& png);
bool SavePng(const Bitmap* bitmap, const char* path);
// A top-down 5-6-5 bitmap of the picture, or null when the bytes are not a
// readable PNG or the picture is too large.
Bitmap* DecodePng(const uint8_t* data, size_t size);
Bitmap* LoadPngFile(const char* path);

} // namespace Platform
