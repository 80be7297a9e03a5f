// make-skins OUTDIR HELPTEXT: paints every skin picture of the game, the cell
// tiles and the cursor, and writes them with the help text into OUTDIR (the
// game's Skin folder) under the names the game loads them by.
#include "tools/make-skins/Cursor.h"
#include "tools/make-skins/ImageFiles.h"
#include "tools/make-skins/Pages.h"
#include "tools/make-skins/Tiles.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

using namespace MakeSkins;

namespace {

constexpr int kPageQuality = 92;
constexpr int kTileQuality = 95;
constexpr int kCursorQuality = 100;

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    const bool ok = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (f && std::fclose(f) != 0)
        return false;
    if (!ok)
        std::fprintf(stderr, "make-skins: cannot write %s\n", path.c_str());
    return ok;
}

bool WriteJpeg(const std::string& path, const TRaster& r, int quality)
{
    return WriteFile(path, EncodeJpeg(r.ToStoredRgb(), r.Width(), r.Height(), quality));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make-skins OUTDIR HELPTEXT\n");
        return 2;
    }
    const std::string dir = argv[1];
    std::vector<TSkin (*)()> pages = {MenuSkin,  GameTypeSkin, MoreGamesSkin, OptionsSkin, ControlsSkin,
                                      SoundSkin, HelpSkin,     HighScoreSkin, QuestionSkin};
    for (auto make : pages) {
        const TSkin s = make();
        if (!WriteJpeg(dir + "/" + s.Name + ".jpg", s.Plain, kPageQuality) ||
            !WriteJpeg(dir + "/" + s.Name + "_.jpg", s.Lit, kPageQuality))
            return 1;
    }
    for (TPlayTheme t : {TPlayTheme::Techno, TPlayTheme::Nature, TPlayTheme::Kids}) {
        const TSkin s = PlaySkin(t);
        if (!WriteJpeg(dir + "/" + s.Name + ".jpg", s.Plain, kPageQuality) ||
            !WriteJpeg(dir + "/" + s.Name + "_.jpg", s.Lit, kPageQuality))
            return 1;
    }
    if (!WriteJpeg(dir + "/Balls.jpg", TileSheet(), kTileQuality) ||
        !WriteJpeg(dir + "/Specials.jpg", SpecialSheet(), kTileQuality) ||
        !WriteJpeg(dir + "/Mouse.jpg", CursorPicture(), kCursorQuality) ||
        !WriteFile(dir + "/Mouse.bmp", EncodeMonoBmp(CursorMaskWhite(), kCursorSize, kCursorSize)))
        return 1;

    std::ifstream help(argv[2], std::ios::binary);
    const std::vector<uint8_t> text((std::istreambuf_iterator<char>(help)), std::istreambuf_iterator<char>());
    if (!help || text.empty()) {
        std::fprintf(stderr, "make-skins: cannot read %s\n", argv[2]);
        return 1;
    }
    return WriteFile(dir + "/help.txt", text) ? 0 : 1;
}
