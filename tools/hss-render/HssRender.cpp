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
        "usage: hss-render [--rate HZ] [--bits 8|16] [--mono] [--seconds MAX] [--loop] INPUT OUTPUT.wav\n"
        "  defaults: 22050 Hz, 8 bits, stereo, at most 600 seconds\n");
    return 2;
}

} // namespace

int HssRender(const uint8_t* input, size_t size, const HssRenderOptions& options, HssRenderOutput* output)
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
    while (channel->IsPlaying() && speaker.FramesMixed - start < maxFrames) {
        const uint8_t* buffer = driver->RenderBuffer();
        output->Pcm.insert(output->Pcm.end(), buffer, buffer + bufferBytes);
    }
    // The frames up to the one in which the channel halted itself, within
    // the limit; the rest of the last buffer is not part of the sound.
    uint64_t frames = speaker.FramesMixed - start;
    if (!channel->IsPlaying() && channel->HaltFrame - start < frames)
        frames = channel->HaltFrame - start;
    if (frames > maxFrames)
        frames = maxFrames;
    output->Pcm.resize(size_t(frames * frameBytes));
    output->Frames = frames;
    return 0;
}

std::vector<uint8_t> HssWaveFile(const HssRenderOptions& options, const std::vector<uint8_t>& pcm)
{
    const uint32_t channels = options.Mono ? 1 : 2;
    const uint32_t bits = options.Bits == 8 ? 8 : 16;
    const uint32_t align = channels * bits / 8;
    std::vector<uint8_t> out = {'R', 'I', 'F', 'F'};
    PutLe32(out, uint32_t(36 + pcm.size()));
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutLe32(out, 16);
    PutLe16(out, 1); // PCM
    PutLe16(out, channels);
    PutLe32(out, options.Rate);
    PutLe32(out, options.Rate * align);
    PutLe16(out, align);
    PutLe16(out, bits);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    PutLe32(out, uint32_t(pcm.size()));
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
    HssRenderOutput output;
    if (code == 0)
        code = HssRender(bytes, size, options, &output);
    if (code != 0) {
        std::fprintf(stderr, "hss-render: %s: cannot play it (code %d)\n", files[0], code);
        return 1;
    }
    const std::vector<uint8_t> wave = HssWaveFile(options, output.Pcm);
    std::FILE* out = std::fopen(files[1], "wb");
    const bool written = out != nullptr && std::fwrite(wave.data(), 1, wave.size(), out) == wave.size();
    if (out == nullptr || std::fclose(out) != 0 || !written) {
        std::fprintf(stderr, "hss-render: %s: cannot write it\n", files[1]);
        return 1;
    }
    std::printf("%llu frames\n", static_cast<unsigned long long>(output.Frames));
    return 0;
}
