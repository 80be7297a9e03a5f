// The cost of mixing: one second of 22050 Hz 8-bit stereo output, in the
// driver's 30 ms buffers, for (a) one 4-channel module, (b) eight effects at
// once, (c) both together; the module with Smooth Sound, and all of it at
// half volume. The time per iteration is the time per second of audio.

#include "sound/hssMusic.h"
#include "sound/hssSound.h"
#include "sound/hssSpeaker.h"
#include "tests/sound/SoundFixtures.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

using namespace SoundFixtures;

namespace {

constexpr uint32_t kRate = 22050;
constexpr uint32_t kBufferBytes = 1328;

// A looping module with a note on each of its four channels on every row
// and a few effects (arpeggio, vibrato, slides) so every path is taken.
Bytes BusyModule()
{
    std::vector<int8_t> wave;
    for (int i = 0; i < 2000; ++i)
        wave.push_back(int8_t((i * 37) % 256 - 128));
    ModImage m;
    m.Sample(1, wave, 64, 0, 0, 1000).Sample(2, wave, 50, 3, 100, 500).Orders({0, 1});
    const uint32_t periods[] = {428, 320, 254, 214, 856, 640};
    const uint32_t effects[][2] = {{0, 0x37}, {4, 0x44}, {0xA, 0x01}, {1, 0x02}, {2, 0x02}, {0, 0}};
    for (uint32_t p = 0; p < 2; ++p)
        for (uint32_t row = 0; row < 64; ++row)
            for (uint32_t c = 0; c < 4; ++c) {
                const uint32_t k = (row + c + p) % 6;
                m.Cell(p, row, c, 1 + (c & 1), periods[k], effects[k][0], effects[k][1]);
            }
    return m.Build();
}

struct Scene {
    RecordingDriver::Log Log;
    hssSpeaker Speaker;
    hssMusic Music;
    std::vector<std::unique_ptr<hssSound>> Effects;
    std::vector<uint8_t> Buffer = std::vector<uint8_t>(kBufferBytes);

    Scene(bool module, bool effects)
    {
        Speaker.SetDriverFactory(RecordingDriver::Factory(&Log));
        Speaker.Open(kRate, 8, 8, 2, 1);
        if (module) {
            const Bytes image = BusyModule();
            Music.LoadFromBytes(image.data(), image.size());
            Music.LoopFlag = 1;
            Speaker.PlayMusic(Music, kHssPlayAnyChannel);
        }
        if (effects) {
            for (int i = 0; i < 8; ++i) {
                // Effects of the kinds the game ships: 8- and 16-bit, mono and
                // stereo, at 11025 to 44100 Hz, panned differently.
                const uint32_t bits = i % 2 ? 16 : 8;
                const uint32_t channels = i % 4 < 2 ? 1 : 2;
                const uint32_t rate = i % 3 == 0 ? 44100 : i % 3 == 1 ? 22050 : 11025;
                Bytes data;
                for (int k = 0; k < 20000; ++k)
                    data.push_back(uint8_t(k * (i + 3)));
                const Bytes wav = PcmWav(channels, rate, bits, data);
                auto sound = std::make_unique<hssSound>();
                sound->LoadFromBytes(wav.data(), wav.size());
                sound->LoopFlag = 1;
                sound->PanPos = i * 36;
                Speaker.PlaySound(*sound, kHssPlayAnyChannel);
                Effects.push_back(std::move(sound));
            }
        }
    }

    void MixOneSecond()
    {
        uint32_t left = kRate * 2;
        while (left > 0) {
            const uint32_t bytes = left < kBufferBytes ? left : kBufferBytes;
            hssSpeaker::Mix(&Speaker, Buffer.data(), bytes);
            left -= bytes;
        }
        benchmark::DoNotOptimize(Buffer.data());
    }
};

void Run(benchmark::State& state, bool module, bool effects, bool smooth = false)
{
    Scene scene(module, effects);
    scene.Speaker.SetSmooth(smooth);
    for (auto _ : state)
        scene.MixOneSecond();
    state.counters["playing"] = scene.Speaker.CountPlayingMusic() + uint32_t(scene.Effects.size());
}

void BM_MixSecondModule(benchmark::State& state)
{
    Run(state, true, false);
}

// The same with Smooth Sound: what drawing between the bytes costs.
void BM_MixSecondModuleSmooth(benchmark::State& state)
{
    Run(state, true, false, true);
}

// At a volume below full (and so through the gain's multiply).
void BM_MixSecondModuleAndEffectsHalfVolume(benchmark::State& state)
{
    Scene scene(true, true);
    scene.Speaker.SetMusicVolume(50);
    scene.Speaker.SetSoundVolume(50);
    for (auto _ : state)
        scene.MixOneSecond();
}

void BM_MixSecondEightEffects(benchmark::State& state)
{
    Run(state, false, true);
}

void BM_MixSecondModuleAndEffects(benchmark::State& state)
{
    Run(state, true, true);
}

void BM_MixSecondSilence(benchmark::State& state)
{
    Run(state, false, false);
}

} // namespace

BENCHMARK(BM_MixSecondModule)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MixSecondModuleSmooth)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MixSecondModuleAndEffectsHalfVolume)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MixSecondEightEffects)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MixSecondModuleAndEffects)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MixSecondSilence)->Unit(benchmark::kMicrosecond);
