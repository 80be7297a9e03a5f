#include "tools/make-skins/Cursor.h"

#include <string>

namespace MakeSkins {

namespace {

// 'X' outline, 'o' fill, ' ' transparent; the rest of the 32 x 32 picture is transparent.
const char* const kArrow[] = {
    "X",          "XX",        "XoX",        "XooX",        "XoooX",        "XooooX",        "XoooooX",
    "XooooooX",   "XoooooooX", "XooooooooX", "XoooooooooX", "XooooooooooX", "XoooooooooooX", "XooooooXXXXXXX",
    "XoooXooX",   "XooXXoooX", "XoX  XooX",  "XX   XoooX",  "X     XooX",   "      XoooX",   "       XooX",
    "       XXX",
};
constexpr int kArrowRows = int(sizeof kArrow / sizeof kArrow[0]);

char CellAt(int x, int y)
{
    if (y >= kArrowRows)
        return ' ';
    const std::string row = kArrow[y];
    return x < int(row.size()) ? row[size_t(x)] : ' ';
}

} // namespace

TRaster CursorPicture()
{
    TRaster r(kCursorSize, kCursorSize); // black everywhere: transparent
    for (int y = 0; y < kCursorSize; ++y)
        for (int x = 0; x < kCursorSize; ++x)
            if (CellAt(x, y) == 'o') // a cool white, a little darker towards the tail
                r.Set(x, y, Mix(Hex(0xFFFFFF), Hex(0xC8E6FF), y / double(kArrowRows)));
    return r;
}

std::vector<bool> CursorMaskWhite()
{
    std::vector<bool> white(size_t(kCursorSize * kCursorSize), true);
    for (int y = 0; y < kCursorSize; ++y)
        for (int x = 0; x < kCursorSize; ++x)
            if (CellAt(x, y) != ' ')
                white[size_t(y * kCursorSize + x)] = false;
    return white;
}

} // namespace MakeSkins
