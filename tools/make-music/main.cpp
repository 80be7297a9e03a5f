// make-music OUTDIR: composes the game's four tunes and writes them as
// modules into OUTDIR under the names the game plays them by.
#include "tools/make-music/ModuleWriter.h"
#include "tools/make-music/Song.h"
#include "tools/make-music/Tunes.h"

#include <cstdio>
#include <string>

using namespace MakeMusic;

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-music OUTDIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    struct {
        const char* File;
        TModule (*Compose)();
    } tunes[] = {
        {"AXEL.MOD", ComposeAxel},
        {"chinese.MOD", ComposeChinese},
        {"CRIMINAL.MOD", ComposeCriminal},
        {"mattiasa.mod", ComposeMattiasa},
    };
    for (const auto& tune : tunes) {
        const TModule module = tune.Compose();
        const std::vector<uint8_t> bytes = WriteModule(module);
        const std::string path = dir + "/" + tune.File;
        FILE* f = bytes.empty() ? nullptr : std::fopen(path.c_str(), "wb");
        if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) {
            std::fprintf(stderr, "make-music: cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s: %zu bytes, %zu patterns, %zu orders, %.1f s\n", tune.File, bytes.size(),
                    module.Patterns.size(), module.Order.size(), double(PlayFrames(module, 22050)) / 22050.0);
    }
    return 0;
}
