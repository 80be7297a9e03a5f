// make-web-tiles SKIN_FOLDER OUT_FOLDER: the cell tiles of the game's skins
// ("Balls.jpg" and "Specials.jpg", as make-skins painted them) decoded by the
// game's own picture loader, with its gamma and its 5-6-5 colours, and
// written as "Balls.png" and "Specials.png" for the score server's replay
// viewer: the browser then draws each cell in the very colours of the
// game's play screen.
#include "platform/desktop/PngFile.h"
#include "wlib/graphics/ImageLoader.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make-web-tiles SKIN_FOLDER OUT_FOLDER\n");
        return 2;
    }
    for (const char* name : {"Balls", "Specials"}) {
        const std::string in = std::string(argv[1]) + "/" + name + ".jpg";
        const std::string out = std::string(argv[2]) + "/" + name + ".png";
        Platform::Bitmap* tiles = ImageLoader::LoadImageFile(in.c_str());
        if (tiles == nullptr) {
            std::fprintf(stderr, "make-web-tiles: cannot read %s\n", in.c_str());
            return 1;
        }
        const bool saved = Platform::SavePng(tiles, out.c_str());
        Platform::DeleteBitmap(tiles);
        if (!saved) {
            std::fprintf(stderr, "make-web-tiles: cannot write %s\n", out.c_str());
            return 1;
        }
    }
    return 0;
}
