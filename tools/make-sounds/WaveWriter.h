// Writes mono sound effects as WAVE files in the three encodings the game's
// sound library reads: 8-bit unsigned PCM, 16-bit signed PCM and Microsoft
// ADPCM (4 bits per sample, the seven standard predictor pairs).
#pragma once

#include <cstdint>
#include <vector>

namespace MakeSounds {

enum class TEncoding { Pcm8, Pcm16, Adpcm };

constexpr int kAdpcmBlockAlign = 256;                             // bytes per mono block
constexpr int kAdpcmBlockFrames = (kAdpcmBlockAlign - 7) * 2 + 2; // 500 frames per block

// `samples` are -1 .. 1 at `rate` Hz; values outside are clipped. An ADPCM
// file holds whole blocks: the sound is padded with silence to fill the last.
std::vector<uint8_t> WriteWave(const std::vector<double>& samples, int rate, TEncoding encoding);

// Encodes 16-bit samples (a multiple of kAdpcmBlockFrames) as ADPCM blocks.
std::vector<uint8_t> EncodeAdpcm(const std::vector<int16_t>& samples);

} // namespace MakeSounds
