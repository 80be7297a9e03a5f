#include "tests/sound/SoundFixtures.h"

#include "sound/hssMusic.h"
#include "sound/hssSpeaker.h"

#include <algorithm>

namespace SoundFixtures {

void PutLe16(Bytes& out, uint32_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void PutLe32(Bytes& out, uint32_t v)
{
    PutLe16(out, v & 0xFFFF);
    PutLe16(out, v >> 16);
}

WavImage& WavImage::Chunk(const std::string& id, const Bytes& body)
{
    return ChunkWithSize(id, body, uint32_t(body.size()));
}

WavImage& WavImage::ChunkWithSize(const std::string& id, const Bytes& body, uint32_t declaredSize)
{
    Chunks.insert(Chunks.end(), id.begin(), id.begin() + 4);
    PutLe32(Chunks, declaredSize);
    Chunks.insert(Chunks.end(), body.begin(), body.end());
    return *this;
}

Bytes WavImage::Build() const
{
    Bytes out = {'R', 'I', 'F', 'F'};
    PutLe32(out, uint32_t(4 + Chunks.size()));
    out.insert(out.end(), {'W', 'A', 'V', 'E'});
    out.insert(out.end(), Chunks.begin(), Chunks.end());
    return out;
}

const int16_t kAdpcmCoefs[7][2] = {{256, 0}, {512, -256}, {0, 0},     {192, 64},
                                   {240, 0}, {460, -208}, {392, -232}};

Bytes PcmFormat(uint32_t channels, uint32_t rate, uint32_t bits, uint32_t tag)
{
    Bytes f;
    const uint32_t align = channels * bits / 8;
    PutLe16(f, tag);
    PutLe16(f, channels);
    PutLe32(f, rate);
    PutLe32(f, rate * align);
    PutLe16(f, align);
    PutLe16(f, bits);
    return f;
}

Bytes AdpcmFormat(uint32_t channels, uint32_t rate, uint32_t blockAlign, uint32_t blockFrames,
                  uint32_t coefCount, uint32_t tag)
{
    Bytes f;
    PutLe16(f, tag);
    PutLe16(f, channels);
    PutLe32(f, rate);
    PutLe32(f, rate * blockAlign / (blockFrames ? blockFrames : 1));
    PutLe16(f, blockAlign);
    PutLe16(f, 4);
    PutLe16(f, 32); // extension size
    PutLe16(f, blockFrames);
    PutLe16(f, coefCount);
    for (const auto& pair : kAdpcmCoefs) {
        PutLe16(f, uint16_t(pair[0]));
        PutLe16(f, uint16_t(pair[1]));
    }
    return f;
}

Bytes PcmWav(uint32_t channels, uint32_t rate, uint32_t bits, const Bytes& data)
{
    return WavImage().Chunk("fmt ", PcmFormat(channels, rate, bits)).Chunk("data", data).Build();
}

ModImage::ModImage(uint32_t channels, const std::string& signature)
    : Channels(channels), Header(kHssModPatterns, 0), SampleData(kHssModInstruments + 1)
{
    for (size_t i = 0; i < 4 && i < signature.size(); ++i)
        Header[kHssModSignature + i] = uint8_t(signature[i]);
    Header[kHssModSongLength] = 1;
    Header[kHssModRestart] = 127;
}

ModImage& ModImage::Sample(uint32_t number, const std::vector<int8_t>& data, uint32_t volume,
                           uint32_t finetune, uint32_t loopStartWords, uint32_t loopWords)
{
    uint8_t* h = &Header[kHssModSampleHeaders + kHssModSampleHeaderBytes * (number - 1)];
    const uint32_t words = uint32_t(data.size() / 2);
    h[22] = uint8_t(words >> 8);
    h[23] = uint8_t(words);
    h[24] = uint8_t(finetune);
    h[25] = uint8_t(volume);
    h[26] = uint8_t(loopStartWords >> 8);
    h[27] = uint8_t(loopStartWords);
    h[28] = uint8_t(loopWords >> 8);
    h[29] = uint8_t(loopWords);
    SampleData[number].assign(data.begin(), data.begin() + words * 2);
    return *this;
}

ModImage& ModImage::SampleLengthWords(uint32_t number, uint32_t words)
{
    uint8_t* h = &Header[kHssModSampleHeaders + kHssModSampleHeaderBytes * (number - 1)];
    h[22] = uint8_t(words >> 8);
    h[23] = uint8_t(words);
    return *this;
}

ModImage& ModImage::Orders(const std::vector<uint8_t>& orders)
{
    for (size_t i = 0; i < orders.size() && i < 128; ++i)
        Header[kHssModOrders + i] = orders[i];
    Header[kHssModSongLength] = uint8_t(orders.size());
    return *this;
}

ModImage& ModImage::SongLength(uint32_t length)
{
    Header[kHssModSongLength] = uint8_t(length);
    return *this;
}

ModImage& ModImage::Restart(uint32_t position)
{
    Header[kHssModRestart] = uint8_t(position);
    return *this;
}

ModImage& ModImage::Cell(uint32_t pattern, uint32_t row, uint32_t channel, uint32_t instrument,
                         uint32_t period, uint32_t effect, uint32_t param)
{
    if (Patterns.size() <= pattern)
        Patterns.resize(pattern + 1, Bytes(kHssModRows * kHssModCellBytes * Channels, 0));
    uint8_t* cell = &Patterns[pattern][(row * Channels + channel) * kHssModCellBytes];
    cell[0] = uint8_t((instrument & 0xF0) | ((period >> 8) & 0x0F));
    cell[1] = uint8_t(period);
    cell[2] = uint8_t(((instrument & 0x0F) << 4) | (effect & 0x0F));
    cell[3] = uint8_t(param);
    return *this;
}

ModImage& ModImage::StoredPatterns(uint32_t count)
{
    ForcedPatterns = int(count);
    return *this;
}

Bytes ModImage::Build() const
{
    Bytes out = Header;
    uint32_t count = 0;
    if (ForcedPatterns >= 0) {
        count = uint32_t(ForcedPatterns);
    } else {
        const uint32_t length = std::min<uint32_t>(Header[kHssModSongLength], 128);
        for (uint32_t i = 0; i < length; ++i)
            count = std::max<uint32_t>(count, Header[kHssModOrders + i] + 1u);
    }
    const Bytes empty(kHssModRows * kHssModCellBytes * Channels, 0);
    for (uint32_t p = 0; p < count; ++p) {
        const Bytes& pattern = p < Patterns.size() ? Patterns[p] : empty;
        out.insert(out.end(), pattern.begin(), pattern.end());
    }
    for (uint32_t i = 1; i <= kHssModInstruments; ++i)
        out.insert(out.end(), SampleData[i].begin(), SampleData[i].end());
    return out;
}

RecordingDriver::~RecordingDriver()
{
    ++Record->Destroyed;
}

int RecordingDriver::Open(const hssFormat* format, uint32_t bufferFrames, void* user, hssMixCallback callback)
{
    ++Record->Opens;
    Record->Format = *format;
    Record->BufferFrames = bufferFrames;
    Record->User = user;
    Record->Callback = callback;
    return Record->OpenResult;
}

int RecordingDriver::Close()
{
    ++Record->Closes;
    return 0;
}

void RecordingDriver::Lock()
{
    ++Record->Locks;
}

void RecordingDriver::Unlock()
{
    ++Record->Unlocks;
}

void RecordingDriver::Pause()
{
    ++Record->Pauses;
}

void RecordingDriver::Resume()
{
    ++Record->Resumes;
}

hssDriverFactory RecordingDriver::Factory(Log* log)
{
    return [log] { return static_cast<hssDriver*>(new RecordingDriver(log)); };
}

Bytes MixFrames(hssSpeaker& speaker, uint32_t frames)
{
    const uint32_t frameBytes = (speaker.Wide ? 2 : 1) * (speaker.StereoOut ? 2 : 1);
    Bytes out(size_t(frames) * frameBytes, 0x55);
    hssSpeaker::Mix(&speaker, out.data(), uint32_t(out.size()));
    return out;
}

uint64_t MixUntilHalted(hssSpeaker& speaker, const hssChannel& channel, uint64_t limit)
{
    const uint64_t start = speaker.FramesMixed;
    const uint32_t chunk = speaker.OutputRate * 30 / 1000;
    while (channel.IsPlaying() && speaker.FramesMixed - start < limit)
        MixFrames(speaker, chunk);
    if (channel.IsPlaying())
        return limit;
    return channel.HaltFrame - start;
}

} // namespace SoundFixtures
