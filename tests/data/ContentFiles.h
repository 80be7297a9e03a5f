// Helpers of the content tests: where the build laid the data out, reading
// its files and decoding its pictures and sounds.
#pragma once

#include "platform/desktop/Bitmap.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ContentTest {

// The data folder of the build tree that runs the tests.
std::string DataDir();
std::vector<uint8_t> ReadBytes(const std::string& path);

// A decoded picture as the game shows it, through the game's own JPEG loader
// (display gamma and 5-6-5 included), expanded to 8-bit RGB, top row first.
struct TPicture {
    int Width = 0, Height = 0;
    std::vector<uint8_t> Rgb;
    bool Empty() const { return Rgb.empty(); }
    const uint8_t* At(int x, int y) const { return &Rgb[(size_t(y) * size_t(Width) + size_t(x)) * 3]; }
};
TPicture DecodeJpeg(const std::vector<uint8_t>& bytes);
TPicture FromBitmap(const Platform::Bitmap* bitmap);

// A one-bit BMP as truth values (true = white), top row first; empty when
// the bytes are not an uncompressed one-bit BMP.
struct TMonoBitmap {
    int Width = 0, Height = 0;
    std::vector<bool> White;
};
TMonoBitmap DecodeMonoBmp(const std::vector<uint8_t>& bytes);

// The fields of a WAVE file's format chunk and where its data lie.
struct TWaveInfo {
    bool Valid = false;
    bool FormatFirst = false; // "fmt " is the first chunk
    int Tag = 0, Channels = 0, Rate = 0, Bits = 0, BlockAlign = 0;
    size_t DataOffset = 0, DataSize = 0;
};
TWaveInfo InspectWave(const std::vector<uint8_t>& bytes);
// The mono samples of the data chunk, -1 to 1: 8-bit, 16-bit or Microsoft
// ADPCM (decoded as the format defines it).
std::vector<double> DecodeSamples(const std::vector<uint8_t>& bytes, const TWaveInfo& info);

} // namespace ContentTest
