#include "tools/hss-render/HssRender.h"

#include "platform/OfflineAudioDriver.h"
#include "sound/hssFile.h"
#include "sound/hssMusic.h"
#include "sound/hssSound.h"
#include "sound/hssSpeaker.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr uint32_t kSoundChannels = 8;
constexpr uint32_t kMusicChannels = 1;

void PutLe16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void PutLe32(std::vector<uint8_t>& out, uint32_t v)
{
    PutLe16(out, v & 0xFFFF);
    PutLe16(out, v >> 16);
}

bool ParseNumber(const char* text, uint32_t* value)
{
    char* end = nullptr;
    const unsigned long v = std::strtoul(text, &end, 10);
    if (end == text || *end != 0 || v > 0xFFFFFFFFul)
        return false;
    *value = uint32_t(v);
    return true;
}

int Usage()
{
    std::fprintf(
        stderr,
        "usage: hss-render [--rate HZ] [--bits 8|16] [--mono] [--seconds MAX] [--loop] [--volume 0-100]\n"
        "                  [--smooth] INPUT OUTPUT.wav\n"
        "  defaults: 22050 Hz, 8 bits, stereo, at most 600 seconds, volume 100 %%, nearest sample\n");
    return 2;
}

} // namespace

int HssRender(const uint8_t* input, size_t size, const HssRenderOptions& options, HssRenderOutput* output,
              const HssRenderSink& sink)
{
    output->Pcm.clear();
    output->Frames = 0;
    hssMusic music;
    hssSound sound;
    const bool riff = size >= 4 && std::memcmp(input, "RIFF", 4) == 0;
    const int moduleCode = riff ? kHssLoadUnsupported : music.LoadFromBytes(input, size);
    output->IsModule = moduleCode == kHssLoadOk;
    if (!output->IsModule) {
        const int soundCode = sound.LoadFromBytes(input, size);
        if (soundCode != kHssLoadOk)
            return riff ? soundCode : moduleCode;
    }

    hssSpeaker speaker;
    speaker.SetDriverFactory(TOfflineAudioDriver::Factory());
    const int opened =
        speaker.Open(options.Rate, options.Bits, kSoundChannels, kMusicChannels, options.Mono ? 0 : 1);
    if (opened != 0)
        return opened;
    auto* driver = static_cast<TOfflineAudioDriver*>(speaker.GetDriver());
    speaker.SetMusicVolume(options.Volume);
    speaker.SetSoundVolume(options.Volume);
    speaker.SetSmooth(options.Smooth);

    const hssChannel* channel = nullptr;
    if (output->IsModule) {
        music.LoopFlag = options.Loop ? 1 : 0;
        const int id = speaker.PlayMusic(music, kHssPlayAnyChannel);
        if (id < 0)
            return id;
        channel = &speaker.MusicChannels[id];
    } else {
        sound.LoopFlag = options.Loop ? 1 : 0;
        const int id = speaker.PlaySound(sound, kHssPlayAnyChannel);
        if (id < 0)
            return id;
        channel = &speaker.SoundChannels[uint32_t(id) - speaker.MusicCount];
    }

    const uint64_t start = speaker.FramesMixed;
    const uint64_t maxFrames = uint64_t(options.MaxSeconds) * options.Rate;
    const uint32_t frameBytes = driver->Layout().FrameBytes;
    const uint32_t bufferBytes = driver->Layout().BufferBytes;
    uint64_t frames = 0;
    while (channel->IsPlaying() && frames < maxFrames) {
        const uint64_t before = speaker.FramesMixed;
        const uint8_t* buffer = driver->RenderBuffer();
        // The frames up to the one in which the channel halted itself,
        // within the limit; the rest of the buffer is not part of the sound.
        uint64_t end = speaker.FramesMixed;
        if (!channel->IsPlaying() && channel->HaltFrame < end)
            end = channel->HaltFrame < before ? before : channel->HaltFrame;
        if (end - start > maxFrames)
            end = start + maxFrames;
        const size_t keep = size_t((end - before) * frameBytes);
        if (keep > bufferBytes)
            break; // cannot be: a buffer holds the frames mixed for it
        if (sink)
            sink(buffer, keep);
        else
            output->Pcm.insert(output->Pcm.end(), buffer, buffer + keep);
        frames = end - start;
    }
    output->Frames = frames;
    return 0;
}

std::vector<uint8_t> HssWaveHeader(const HssRenderOptions& options, uint32_t dataBytes)
{
    const uint32_t channels = options.Mono ? 1 : 2;
    const uint32_t bits = options.Bits == 8 ? 8 : 16;
    const uint32_t align = channels * bits / 8;
    std::vector<uint8_t> out = {'R', 'I', 'F', 'F'};
    PutLe32(out, 36 + dataBytes);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutLe32(out, 16);
    PutLe16(out, 1); // PCM
    PutLe16(out, channels);
    PutLe32(out, options.Rate);
    PutLe32(out, options.Rate * align);
    PutLe16(out, align);
    PutLe16(out, bits);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    PutLe32(out, dataBytes);
    return out;
}

std::vector<uint8_t> HssWaveFile(const HssRenderOptions& options, const std::vector<uint8_t>& pcm)
{
    std::vector<uint8_t> out = HssWaveHeader(options, uint32_t(pcm.size()));
    out.insert(out.end(), pcm.begin(), pcm.end());
    if (pcm.size() & 1)
        out.push_back(0); // chunks are padded to even lengths
    return out;
}

int HssRenderMain(int argc, char** argv)
{
    HssRenderOptions options;
    const char* files[2] = {nullptr, nullptr};
    int fileCount = 0;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--rate") == 0 && i + 1 < argc) {
            if (!ParseNumber(argv[++i], &options.Rate) || options.Rate == 0)
                return Usage();
        } else if (std::strcmp(arg, "--bits") == 0 && i + 1 < argc) {
            if (!ParseNumber(argv[++i], &options.Bits) || (options.Bits != 8 && options.Bits != 16))
                return Usage();
        } else if (std::strcmp(arg, "--seconds") == 0 && i + 1 < argc) {
            if (!ParseNumber(argv[++i], &options.MaxSeconds))
                return Usage();
        } else if (std::strcmp(arg, "--volume") == 0 && i + 1 < argc) {
            if (!ParseNumber(argv[++i], &options.Volume) || options.Volume > 100)
                return Usage();
        } else if (std::strcmp(arg, "--smooth") == 0) {
            options.Smooth = true;
        } else if (std::strcmp(arg, "--mono") == 0) {
            options.Mono = true;
        } else if (std::strcmp(arg, "--loop") == 0) {
            options.Loop = true;
        } else if (arg[0] == '-' && arg[1] == '-') {
            return Usage();
        } else if (fileCount < 2) {
            files[fileCount++] = arg;
        } else {
            return Usage();
        }
    }
    if (fileCount != 2)
        return Usage();

    uint8_t* bytes = nullptr;
    size_t size = 0;
    int code = hssReadWholeFile(files[0], &bytes, &size) ? 0 : kHssLoadNotFound;
    std::unique_ptr<uint8_t[]> hold(bytes);
    // The frames go straight to the file; the header, written first with no
    // length, gets its lengths at the end.
    std::FILE* out = code == 0 ? std::fopen(files[1], "wb") : nullptr;
    bool written = out != nullptr;
    uint64_t dataBytes = 0;
    const HssRenderSink sink = [&](const uint8_t* frames, size_t count) {
        written = written && std::fwrite(frames, 1, count, out) == count;
        dataBytes += count;
    };
    HssRenderOutput output;
    if (out != nullptr) {
        const std::vector<uint8_t> blank = HssWaveHeader(options, 0);
        written = std::fwrite(blank.data(), 1, blank.size(), out) == blank.size();
        code = HssRender(bytes, size, options, &output, sink);
    }
    if (code != 0) {
        if (out != nullptr) {
            std::fclose(out);
            std::remove(files[1]);
        }
        std::fprintf(stderr, "hss-render: %s: cannot play it (code %d)\n", files[0], code);
        return 1;
    }
    if (written && (dataBytes & 1))
        written = std::fputc(0, out) == 0; // chunks are padded to even lengths
    if (written) {
        const std::vector<uint8_t> header = HssWaveHeader(options, uint32_t(dataBytes));
        written = std::fseek(out, 0, SEEK_SET) == 0 &&
                  std::fwrite(header.data(), 1, header.size(), out) == header.size();
    }
    if (out == nullptr || std::fclose(out) != 0 || !written) {
        std::fprintf(stderr, "hss-render: %s: cannot write it\n", files[1]);
        return 1;
    }
    std::printf("%llu frames\n", static_cast<unsigned long long>(output.Frames));
    return 0;
}
