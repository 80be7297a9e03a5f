// The file formats the skin generator writes: baseline JPEG through libjpeg's
// compressor (full-resolution colour, so captions stay crisp) and the
// one-bit BMP of the cursor mask.
#pragma once

#include <cstdint>
#include <vector>

namespace MakeSkins {

// `rgb` holds width x height pixels, three bytes each, top row first.
std::vector<uint8_t> EncodeJpeg(const std::vector<uint8_t>& rgb, int width, int height, int quality);

// A bottom-up 1-bit BMP with the palette black, white; `white` holds one
// truth value per pixel, top row first.
std::vector<uint8_t> EncodeMonoBmp(const std::vector<bool>& white, int width, int height);

} // namespace MakeSkins
