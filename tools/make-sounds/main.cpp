// make-sounds OUTDIR: synthesises the play screen's seven sound effects and
// writes them as WAVE files into OUTDIR, in the encodings the game reads.
#include "tools/make-sounds/Effects.h"
#include "tools/make-sounds/WaveWriter.h"

#include <cstdio>
#include <string>

using namespace MakeSounds;

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-sounds OUTDIR\n");
        return 2;
    }
    const struct {
        const char* File;
        std::vector<double> (*Make)();
        TEncoding Encoding;
    } effects[] = {
        {"Rotate.wav", MakeRotate, TEncoding::Pcm8},      {"HitBottom.wav", MakeHitBottom, TEncoding::Pcm8},
        {"Drop.wav", MakeDrop, TEncoding::Pcm16},         {"Remove.wav", MakeRemove, TEncoding::Pcm16},
        {"NewLevel.wav", MakeNewLevel, TEncoding::Adpcm}, {"GameOver.wav", MakeGameOver, TEncoding::Pcm16},
        {"Clap.wav", MakeClap, TEncoding::Adpcm},
    };
    for (const auto& e : effects) {
        const std::vector<uint8_t> bytes = WriteWave(e.Make(), kEffectRate, e.Encoding);
        const std::string path = std::string(argv[1]) + "/" + e.File;
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) {
            std::fprintf(stderr, "make-sounds: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
