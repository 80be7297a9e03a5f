// Small WAVE and module images built in memory, a recording driver, and
// helpers that run the mixer on plain buffers.
#pragma once

#include "platform/hssDriver.h"

#include <cstdint>
#include <string>
#include <vector>

class hssSpeaker;
class hssChannel;

namespace SoundFixtures {

using Bytes = std::vector<uint8_t>;

void PutLe16(Bytes& out, uint32_t v);
void PutLe32(Bytes& out, uint32_t v);

// A RIFF/WAVE image: header, then chunks in the order added. A chunk's
// declared size may differ from its body to make damaged files.
class WavImage {
public:
    WavImage& Chunk(const std::string& id, const Bytes& body);
    WavImage& ChunkWithSize(const std::string& id, const Bytes& body, uint32_t declaredSize);
    Bytes Build() const;

private:
    Bytes Chunks;
};

// The 16-byte PCM format record.
Bytes PcmFormat(uint32_t channels, uint32_t rate, uint32_t bits, uint32_t tag = 1);
// An ADPCM format record (tag 2, 4 bits) with the standard seven coefficient pairs.
Bytes AdpcmFormat(uint32_t channels, uint32_t rate, uint32_t blockAlign, uint32_t blockFrames,
                  uint32_t coefCount = 7, uint32_t tag = 2);
// The standard coefficient pairs of the ADPCM format.
extern const int16_t kAdpcmCoefs[7][2];
// A plain PCM file: "fmt " then "data".
Bytes PcmWav(uint32_t channels, uint32_t rate, uint32_t bits, const Bytes& data);

// A module image. Samples are numbered 1 to 31; patterns are stored up to
// the highest one named among the first song-length orders, unless a count
// is forced.
class ModImage {
public:
    explicit ModImage(uint32_t channels = 4, const std::string& signature = "M.K.");
    ModImage& Sample(uint32_t number, const std::vector<int8_t>& data, uint32_t volume = 64,
                     uint32_t finetune = 0, uint32_t loopStartWords = 0, uint32_t loopWords = 1);
    // Length in words as written in the header, whatever data follows.
    ModImage& SampleLengthWords(uint32_t number, uint32_t words);
    ModImage& Orders(const std::vector<uint8_t>& orders); // also sets the song length
    ModImage& SongLength(uint32_t length);
    ModImage& Restart(uint32_t position);
    ModImage& Cell(uint32_t pattern, uint32_t row, uint32_t channel, uint32_t instrument, uint32_t period,
                   uint32_t effect, uint32_t param);
    ModImage& StoredPatterns(uint32_t count);
    Bytes Build() const;

    uint32_t Channels;

private:
    Bytes Header;
    std::vector<Bytes> Patterns;
    std::vector<Bytes> SampleData;
    int ForcedPatterns = -1;
};

// A driver that only records what the speaker asks of it.
class RecordingDriver final : public hssDriver {
public:
    struct Log {
        int OpenResult = 0;
        hssFormat Format;
        uint32_t BufferFrames = 0;
        void* User = nullptr;
        hssMixCallback Callback = nullptr;
        int Opens = 0, Closes = 0, Locks = 0, Unlocks = 0, Resumes = 0, Pauses = 0, Destroyed = 0;
    };
    explicit RecordingDriver(Log* log) : Record(log) {}
    ~RecordingDriver() override;
    int Open(const hssFormat* format, uint32_t bufferFrames, void* user, hssMixCallback callback) override;
    int Close() override;
    void Lock() override;
    void Unlock() override;
    void Pause() override;
    void Resume() override;

    static hssDriverFactory Factory(Log* log);

private:
    Log* Record;
};

// Mixes `frames` output frames straight into a buffer and returns it.
Bytes MixFrames(hssSpeaker& speaker, uint32_t frames);
// Mixes in buffers of 30 ms until the channel halts or `limit` frames have
// passed; returns the frames the channel played (its HaltFrame minus the
// frames mixed before the call), or `limit` if it still plays.
uint64_t MixUntilHalted(hssSpeaker& speaker, const hssChannel& channel, uint64_t limit);

} // namespace SoundFixtures
