// A tracker module (four-channel MOD and its multi-channel variants) loaded
// whole into memory, with the settings it is played with.
#pragma once

#include <cstddef>
#include <cstdint>

// File layout of a module (numbers big-endian).
constexpr size_t kHssModSampleHeaders = 20; // 31 headers of 30 bytes
constexpr size_t kHssModSampleHeaderBytes = 30;
constexpr size_t kHssModSongLength = 950;
constexpr size_t kHssModRestart = 951;
constexpr size_t kHssModOrders = 952; // 128 entries
constexpr size_t kHssModSignature = 1080;
constexpr size_t kHssModPatterns = 1084;
constexpr uint32_t kHssModInstruments = 31;
constexpr uint32_t kHssModMaxOrders = 128;
constexpr uint32_t kHssModRows = 64;
constexpr uint32_t kHssModCellBytes = 4;
constexpr uint32_t kHssModMaxChannels = 32; // most module channels a music channel plays

class hssMusic {
public:
    hssMusic() = default;
    hssMusic(const hssMusic&) = delete;
    hssMusic& operator=(const hssMusic&) = delete;
    virtual ~hssMusic();

    // Reads the whole file and loads it as LoadFromBytes does: 0, -200 (not
    // found or not opened), -300 (empty file), -10 (out of memory) or -100.
    int Load(const char* fileName);
    // Keeps a copy of a module image. -100 (not a module) when it is shorter
    // than 1084 bytes, its signature names no channels, its song length is 0
    // or above 128, or its patterns reach past its end.
    int LoadFromBytes(const uint8_t* bytes, size_t size);
    void Free();
    bool HasData() const { return Data != nullptr; }

    // Module channels named by a 4-byte signature: "M?K?" 4, "xCHN"/"xxCH"
    // style the digits before the C, anything else 0 (not a module).
    static uint32_t ChannelCountOf(const uint8_t signature[4]);
    uint32_t ChannelCount() const { return Data ? ChannelCountOf(Data + kHssModSignature) : 0; }
    uint32_t SongLength() const { return Data ? Data[kHssModSongLength] : 0; }
    uint32_t RestartPosition() const { return Data ? Data[kHssModRestart] : 0; }
    uint32_t OrderAt(uint32_t position) const { return Data[kHssModOrders + (position & 127)]; }
    // 1 + the highest pattern among the first song-length order entries.
    uint32_t StoredPatterns() const;

    uint8_t* Data = nullptr; // the whole file image
    size_t Size = 0;         // its length in bytes
    uint32_t Volume = 64;
    uint32_t LoopFlag = 0;
    uint32_t Separation = 255;
    uint32_t SourceRate = 44100;
    uint32_t TempoRate = 44100; // tempo reference: 44100 plays at the written tempo
    uint32_t Reserved = 128;
    uint32_t OwnsData = 0;
};
