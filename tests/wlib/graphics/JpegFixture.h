// Small JPEG pictures made in memory with libjpeg's encoder, and libjpeg's
// own decoding of them to RGB, for tests, fuzz corpora and benchmarks.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace JpegFixture {

struct Options {
    int Quality = 90;
    bool Progressive = false;
    bool Grey = false; // one component
};

// colour(x, y) gives 0xRRGGBB.
std::vector<uint8_t> Encode(int width, int height, const std::function<uint32_t(int, int)>& colour,
                            const Options& options = Options());
// A picture with edges, gradients and noise, like a skin.
std::vector<uint8_t> Busy(int width, int height, const Options& options = Options());
// libjpeg's decoding to RGB (3 bytes a pixel, top row first); false on error.
bool DecodeRgb(const std::vector<uint8_t>& jpeg, std::vector<uint8_t>& rgb, int& width, int& height);

} // namespace JpegFixture
