// A sound effect: a WAVE file loaded whole into memory (8- or 16-bit PCM, or
// Microsoft ADPCM decoded at load time) with the settings it is played with.
#pragma once

#include <cstddef>
#include <cstdint>

// Load results.
enum : int {
    kHssLoadOk = 0,
    kHssLoadNotFound = -200,    // the file was not found or did not open
    kHssLoadDamaged = -300,     // damaged or empty file
    kHssLoadUnsupported = -100, // unsupported format / not a module
    kHssLoadNoMemory = -10,
};

class hssSound {
public:
    hssSound() = default;
    hssSound(const hssSound&) = delete;
    hssSound& operator=(const hssSound&) = delete;
    virtual ~hssSound();

    // Reads the whole file and loads it as LoadFromBytes does; -200 when the
    // file cannot be read.
    int Load(const char* fileName);
    // Parses a WAVE image. Returns 0 or a kHssLoad... code; after a failure
    // the sample has no data, so playing it does nothing.
    int LoadFromBytes(const uint8_t* bytes, size_t size);
    // Frees the data (also done by the destructor and by every load).
    void Free();
    bool HasData() const { return Data != nullptr; }

    uint8_t* Data = nullptr; // frames, interleaved when stereo: 8-bit unsigned or 16-bit signed
    uint8_t Is8Bit = 1;
    uint8_t IsStereo = 0;
    uint32_t SampleRate = 0;
    uint32_t Frames = 0;
    uint32_t Volume = 64;
    uint32_t LoopFlag = 0;
    uint32_t PanPos = 128;
    int32_t CopyLimit = -1; // most channels playing this sample at once; -1 no limit
    uint8_t FormatCopy[16] = {};
    uint16_t BlockFrames = 0;
    uint16_t CoefCount = 0;
    int16_t Coefs[7][2] = {};
    struct AdpcmState {
        uint8_t Predictor = 0;
        int16_t Delta = 0;
        int16_t Sample1 = 0;
        int16_t Sample2 = 0;
    };
    AdpcmState Decoder[2];
    uint32_t PlayRate = 1;
    uint32_t Reserved = 128;
    uint32_t OwnsData = 0;

private:
    int DecodeAdpcm(const uint8_t* encoded, uint32_t size, uint32_t channels, uint32_t blockAlign,
                    uint32_t* decodedBytes);
    int16_t DecodeNibble(AdpcmState& state, uint32_t nibble);
};
