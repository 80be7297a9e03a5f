// Offline rendering of a module or a WAV sample through the sound library:
// a speaker on the offline driver mixes buffer after buffer, without real
// time, until the channel halts by itself or the time limit is reached.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct HssRenderOptions {
    uint32_t Rate = 22050;
    uint32_t Bits = 8; // 8 or 16
    bool Mono = false;
    uint32_t MaxSeconds = 600;
    bool Loop = false;
    uint32_t Volume = 100; // percent: the music volume for a module, the effects volume for a sample
    bool Smooth = false;   // music channels interpolate between sample bytes
};

struct HssRenderOutput {
    std::vector<uint8_t> Pcm; // frames as the mixer wrote them
    uint64_t Frames = 0;
    bool IsModule = false;
};

// Loads `input` as a module, or else as a WAV sample, and renders it.
// Returns 0 or the library's code: the loader's (the WAV loader's for a
// RIFF file, else the module loader's), the speaker's Open code, or -1000
// when the channel would not start.
// With a sink, the frames go to it buffer by buffer as they are mixed and
// output->Pcm stays empty (a long render needs no memory of its own).
using HssRenderSink = std::function<void(const uint8_t* bytes, size_t size)>;
int HssRender(const uint8_t* input, size_t size, const HssRenderOptions& options, HssRenderOutput* output,
              const HssRenderSink& sink = nullptr);

// A standard PCM WAVE file holding the rendered frames.
std::vector<uint8_t> HssWaveFile(const HssRenderOptions& options, const std::vector<uint8_t>& pcm);
// The 44 bytes that begin that file, for `dataBytes` bytes of frames.
std::vector<uint8_t> HssWaveHeader(const HssRenderOptions& options, uint32_t dataBytes);

// The command line: hss-render [--rate HZ] [--bits 8|16] [--mono]
// [--seconds MAX] [--loop] [--volume 0-100] [--smooth] INPUT OUTPUT.wav. Prints the number of frames
// written; returns the exit status (1 for a file that does not load or
// cannot be written, 2 for a bad command line).
int HssRenderMain(int argc, char** argv);
