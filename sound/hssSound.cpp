#include "sound/hssSound.h"

#include "sound/hssFile.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace {

constexpr size_t kRiffHeaderBytes = 12;
constexpr size_t kChunkHeaderBytes = 8;
constexpr size_t kFormatRecordBytes = 80; // the format record with its extension, read at once
constexpr size_t kFormatTag = 0;
constexpr size_t kFormatChannels = 2;
constexpr size_t kFormatRate = 4;
constexpr size_t kFormatBlockAlign = 12;
constexpr size_t kFormatBits = 14;
constexpr size_t kFormatBlockFrames = 18;
constexpr size_t kFormatCoefCount = 20;
constexpr size_t kFormatCoefs = 22;
constexpr uint32_t kAdpcmTag = 2;
constexpr uint32_t kAdpcmCoefPairs = 7;
constexpr int32_t kAdpcmMinDelta = 16;
constexpr int32_t kAdpcmAdapt[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                                     768, 614, 512, 409, 307, 230, 230, 230};

uint32_t Le16(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}

uint32_t Le32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool IsId(const uint8_t* p, const char* id)
{
    return std::memcmp(p, id, 4) == 0;
}

} // namespace

hssSound::~hssSound()
{
    Free();
}

void hssSound::Free()
{
    if (OwnsData)
        delete[] Data;
    Data = nullptr;
    OwnsData = 0;
}

int hssSound::Load(const char* fileName)
{
    Free();
    uint8_t* bytes = nullptr;
    size_t size = 0;
    if (!hssReadWholeFile(fileName, &bytes, &size))
        return kHssLoadNotFound;
    const int result = LoadFromBytes(bytes, size);
    delete[] bytes;
    return result;
}

int hssSound::LoadFromBytes(const uint8_t* bytes, size_t size)
{
    Free();
    if (bytes == nullptr)
        size = 0;
    // The RIFF header is not examined; the first chunk must be the format.
    uint64_t pos = kRiffHeaderBytes;
    if (pos + kChunkHeaderBytes > size || !IsId(bytes + pos, "fmt "))
        return kHssLoadDamaged;
    const uint64_t formatSize = Le32(bytes + pos + 4);
    pos += kChunkHeaderBytes;
    // The format record is read as 80 bytes whatever the chunk says; past the
    // end of the file they read as zero.
    uint8_t format[kFormatRecordBytes] = {};
    const size_t available = size - size_t(pos);
    std::memcpy(format, bytes + pos, available < kFormatRecordBytes ? available : kFormatRecordBytes);
    pos += formatSize;

    const uint32_t bits = Le16(format + kFormatBits);
    const uint32_t channels = Le16(format + kFormatChannels);
    if ((bits != 4 && bits != 8 && bits != 16) || (channels != 1 && channels != 2))
        return kHssLoadUnsupported;

    uint64_t dataSize = 0;
    for (;;) {
        if (pos + kChunkHeaderBytes > size)
            return kHssLoadDamaged;
        const uint8_t* header = bytes + pos;
        pos += kChunkHeaderBytes;
        dataSize = Le32(header + 4);
        if (IsId(header, "data"))
            break;
        pos += dataSize;
    }
    const uint32_t rate = Le32(format + kFormatRate);
    if (dataSize == 0)
        return kHssLoadDamaged;
    // A data chunk that reaches past the end of the file is damaged: reading
    // it would take bytes that are not there.
    if (pos + dataSize > size)
        return kHssLoadDamaged;
    // A rate of 0 would never move the play position, so the sample would
    // hold its channel for ever.
    if (rate == 0)
        return kHssLoadUnsupported;

    const uint8_t* samples = bytes + pos;
    const uint32_t sampleBytes = uint32_t(dataSize);
    uint8_t* data = nullptr;
    uint32_t frames = 0;
    if (bits == 4) {
        if (Le16(format + kFormatTag) != kAdpcmTag || Le16(format + kFormatCoefCount) != kAdpcmCoefPairs)
            return kHssLoadUnsupported;
        std::memcpy(FormatCopy, format, sizeof FormatCopy);
        BlockFrames = uint16_t(Le16(format + kFormatBlockFrames));
        CoefCount = uint16_t(Le16(format + kFormatCoefCount));
        for (uint32_t i = 0; i < kAdpcmCoefPairs; ++i) {
            Coefs[i][0] = int16_t(Le16(format + kFormatCoefs + 4 * i));
            Coefs[i][1] = int16_t(Le16(format + kFormatCoefs + 4 * i + 2));
        }
        uint32_t decodedBytes = 0;
        const int result =
            DecodeAdpcm(samples, sampleBytes, channels, Le16(format + kFormatBlockAlign), &decodedBytes);
        if (result != kHssLoadOk)
            return result;
        frames = decodedBytes / 2;
        Is8Bit = 0;
    } else {
        data = new (std::nothrow) uint8_t[sampleBytes];
        if (data == nullptr)
            return kHssLoadNoMemory;
        std::memcpy(data, samples, sampleBytes);
        Data = data;
        OwnsData = 1;
        frames = bits == 8 ? sampleBytes : sampleBytes / 2;
        Is8Bit = bits == 8 ? 1 : 0;
    }
    SampleRate = rate;
    if (channels == 2) {
        IsStereo = 1;
        frames /= 2;
    } else {
        IsStereo = 0;
    }
    Frames = frames;
    PlayRate = SampleRate;
    Reserved = 128;
    return kHssLoadOk;
}

int hssSound::DecodeAdpcm(const uint8_t* encoded, uint32_t size, uint32_t channels, uint32_t blockAlign,
                          uint32_t* decodedBytes)
{
    // A block align of 0 would never move on, a block of fewer than two
    // frames has no room for its header samples, and a block too short for
    // its nibbles would be read past its end: all refused.
    if (blockAlign == 0 || BlockFrames < 2)
        return kHssLoadUnsupported;
    const uint32_t headerBytes = 7 * channels;
    const uint32_t nibbles = (uint32_t(BlockFrames) - 2) * channels;
    if (headerBytes + (nibbles + 1) / 2 > blockAlign)
        return kHssLoadUnsupported;
    const uint32_t blocks = size / blockAlign;
    const uint64_t outBytes = uint64_t(blocks) * BlockFrames * channels * 2;
    if (outBytes == 0)
        return kHssLoadDamaged;
    if (outBytes > 0x7FFFFFFF)
        return kHssLoadNoMemory;
    uint8_t* out = new (std::nothrow) uint8_t[size_t(outBytes)];
    if (out == nullptr)
        return kHssLoadNoMemory;
    uint8_t* put = out;
    auto emit = [&put](int16_t v) {
        put[0] = uint8_t(uint16_t(v) & 0xFF);
        put[1] = uint8_t(uint16_t(v) >> 8);
        put += 2;
    };
    for (uint32_t b = 0; b < blocks; ++b) {
        const uint8_t* block = encoded + size_t(b) * blockAlign;
        const uint8_t* p = block;
        for (uint32_t c = 0; c < channels; ++c) {
            Decoder[c].Predictor = *p++;
            // There are only seven coefficient pairs: a larger index is damage.
            if (Decoder[c].Predictor >= kAdpcmCoefPairs) {
                delete[] out;
                return kHssLoadUnsupported;
            }
        }
        for (uint32_t c = 0; c < channels; ++c, p += 2)
            Decoder[c].Delta = int16_t(Le16(p));
        for (uint32_t c = 0; c < channels; ++c, p += 2)
            Decoder[c].Sample1 = int16_t(Le16(p));
        for (uint32_t c = 0; c < channels; ++c, p += 2)
            Decoder[c].Sample2 = int16_t(Le16(p));
        for (uint32_t c = 0; c < channels; ++c)
            emit(Decoder[c].Sample2);
        for (uint32_t c = 0; c < channels; ++c)
            emit(Decoder[c].Sample1);
        for (uint32_t i = 0; i < nibbles; ++i) {
            const uint8_t byte = p[i / 2];
            const uint32_t nibble = (i & 1) ? byte & 0x0F : byte >> 4;
            // Two channels: high nibble channel 0, low nibble channel 1.
            emit(DecodeNibble(Decoder[channels == 2 ? (i & 1) : 0], nibble));
        }
    }
    Data = out;
    OwnsData = 1;
    *decodedBytes = uint32_t(outBytes);
    return kHssLoadOk;
}

int16_t hssSound::DecodeNibble(AdpcmState& state, uint32_t nibble)
{
    const int64_t c1 = Coefs[state.Predictor][0];
    const int64_t c2 = Coefs[state.Predictor][1];
    // Division truncating toward zero, as C++ does.
    const int64_t predicted = (int64_t(state.Sample1) * c1 + int64_t(state.Sample2) * c2) / 256;
    const int64_t signedNibble = nibble >= 8 ? int64_t(nibble) - 16 : int64_t(nibble);
    int64_t value = predicted + signedNibble * state.Delta;
    if (value < -32768)
        value = -32768;
    if (value > 32767)
        value = 32767;
    int32_t delta = int32_t(state.Delta) * kAdpcmAdapt[nibble] / 256;
    if (delta < kAdpcmMinDelta)
        delta = kAdpcmMinDelta;
    // The decoder state keeps the delta in 16 bits.
    state.Delta = int16_t(uint16_t(uint32_t(delta) & 0xFFFF));
    state.Sample2 = state.Sample1;
    state.Sample1 = int16_t(value);
    return state.Sample1;
}
