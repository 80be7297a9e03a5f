#include "tools/make-sounds/WaveWriter.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace MakeSounds {

namespace {

constexpr int kAdaptation[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                                 768, 614, 512, 409, 307, 230, 230, 230};
constexpr int kCoefficients[7][2] = {{256, 0}, {512, -256}, {0, 0},     {192, 64},
                                     {240, 0}, {460, -208}, {392, -232}};
constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatAdpcm = 2;

void Put16(std::vector<uint8_t>& out, unsigned v)
{
    out.push_back(uint8_t(v & 0xFF));
    out.push_back(uint8_t((v >> 8) & 0xFF));
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void PutId(std::vector<uint8_t>& out, const char* id)
{
    out.insert(out.end(), id, id + 4);
}

struct TChannelState {
    int Sample1 = 0, Sample2 = 0, Delta = 16;
};

// Encodes one nibble's worth of `target`, updating the state the decoder will
// have; returns the nibble.
int EncodeOne(TChannelState& s, int target, const int* coef)
{
    const int predicted = (s.Sample1 * coef[0] + s.Sample2 * coef[1]) / 256;
    const int error = target - predicted;
    int n = int(std::lround(double(error) / s.Delta));
    n = std::clamp(n, -8, 7);
    const int value = std::clamp(predicted + n * s.Delta, -32768, 32767);
    const int nibble = n & 0x0F;
    s.Delta = std::max(16, s.Delta * kAdaptation[nibble] / 256);
    s.Sample2 = s.Sample1;
    s.Sample1 = value;
    return nibble;
}

// One block with predictor `p`; returns the squared error and fills `block`.
long long EncodeBlock(const int16_t* x, int p, std::vector<uint8_t>& block)
{
    block.clear();
    TChannelState s;
    int delta = 0;
    for (int i = 2; i < 6; ++i)
        delta += std::abs(int(x[i]) - int(x[i - 1]));
    s.Delta = std::max(16, delta / 4);
    s.Sample2 = x[0];
    s.Sample1 = x[1];
    block.push_back(uint8_t(p));
    Put16(block, uint16_t(int16_t(s.Delta)));
    Put16(block, uint16_t(int16_t(s.Sample1)));
    Put16(block, uint16_t(int16_t(s.Sample2)));
    long long cost = 0;
    int high = -1;
    for (int i = 2; i < kAdpcmBlockFrames; ++i) {
        const int nibble = EncodeOne(s, x[i], kCoefficients[p]);
        cost += static_cast<long long>(s.Sample1 - x[i]) * (s.Sample1 - x[i]);
        if (high < 0) {
            high = nibble;
        } else {
            block.push_back(uint8_t((high << 4) | nibble));
            high = -1;
        }
    }
    return cost;
}

} // namespace

std::vector<uint8_t> EncodeAdpcm(const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> out, block, best;
    for (size_t at = 0; at + kAdpcmBlockFrames <= samples.size(); at += kAdpcmBlockFrames) {
        long long bestCost = LLONG_MAX;
        for (int p = 0; p < 7; ++p) {
            const long long cost = EncodeBlock(samples.data() + at, p, block);
            if (cost < bestCost) {
                bestCost = cost;
                best = block;
            }
        }
        out.insert(out.end(), best.begin(), best.end());
    }
    return out;
}

std::vector<uint8_t> WriteWave(const std::vector<double>& samples, int rate, TEncoding encoding)
{
    std::vector<int16_t> wide;
    for (double v : samples)
        wide.push_back(int16_t(std::lround(std::clamp(v, -1.0, 1.0) * 32767)));

    std::vector<uint8_t> fmt, data;
    uint32_t frames = uint32_t(wide.size());
    switch (encoding) {
    case TEncoding::Pcm8:
        for (int16_t v : wide)
            data.push_back(uint8_t(std::clamp((v + 128) / 256 + 128, 0, 255)));
        if (data.size() % 2)
            data.push_back(128);
        Put16(fmt, kFormatPcm);
        Put16(fmt, 1);
        Put32(fmt, uint32_t(rate));
        Put32(fmt, uint32_t(rate));
        Put16(fmt, 1);
        Put16(fmt, 8);
        break;
    case TEncoding::Pcm16:
        for (int16_t v : wide)
            Put16(data, uint16_t(v));
        Put16(fmt, kFormatPcm);
        Put16(fmt, 1);
        Put32(fmt, uint32_t(rate));
        Put32(fmt, uint32_t(rate) * 2);
        Put16(fmt, 2);
        Put16(fmt, 16);
        break;
    case TEncoding::Adpcm:
        wide.resize((wide.size() + kAdpcmBlockFrames - 1) / kAdpcmBlockFrames * kAdpcmBlockFrames, 0);
        frames = uint32_t(wide.size());
        data = EncodeAdpcm(wide);
        Put16(fmt, kFormatAdpcm);
        Put16(fmt, 1);
        Put32(fmt, uint32_t(rate));
        Put32(fmt, uint32_t(uint64_t(rate) * kAdpcmBlockAlign / kAdpcmBlockFrames));
        Put16(fmt, kAdpcmBlockAlign);
        Put16(fmt, 4);
        Put16(fmt, 32); // extension size
        Put16(fmt, kAdpcmBlockFrames);
        Put16(fmt, 7);
        for (const auto& c : kCoefficients) {
            Put16(fmt, uint16_t(int16_t(c[0])));
            Put16(fmt, uint16_t(int16_t(c[1])));
        }
        break;
    }

    std::vector<uint8_t> out;
    PutId(out, "RIFF");
    Put32(out, 0); // patched below
    PutId(out, "WAVE");
    PutId(out, "fmt ");
    Put32(out, uint32_t(fmt.size()));
    out.insert(out.end(), fmt.begin(), fmt.end());
    if (encoding == TEncoding::Adpcm) {
        PutId(out, "fact");
        Put32(out, 4);
        Put32(out, frames);
    }
    PutId(out, "data");
    Put32(out, uint32_t(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    const uint32_t riff = uint32_t(out.size() - 8);
    out[4] = uint8_t(riff & 0xFF);
    out[5] = uint8_t((riff >> 8) & 0xFF);
    out[6] = uint8_t((riff >> 16) & 0xFF);
    out[7] = uint8_t(riff >> 24);
    return out;
}

} // namespace MakeSounds
