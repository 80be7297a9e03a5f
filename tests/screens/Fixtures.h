// A small data folder made by the tests: solid-colour skins whose colours
// tell the pages apart, a cell sheet with one colour per tile, a help text
// and short sound effects.
#pragma once

#include "tests/platform/TempFolder.h"

#include <cstdint>
#include <string>

namespace WFourfall::Test {

struct TRgb {
    uint8_t R, G, B;
};

// Writes a baseline JPEG of the picture given by colour(x, y).
bool WriteJpeg(const std::string& path, int width, int height, TRgb (*colour)(int x, int y, const void* user),
               const void* user = nullptr);
// A solid-colour picture.
bool WriteSolidJpeg(const std::string& path, int width, int height, TRgb colour);
// An 8-bit mono PCM WAVE file of n samples.
bool WriteWave(const std::string& path, int samples);

// The colour of the skin file name (e.g. "bg_Nature_") in the fixture.
TRgb SkinColour(const std::string& name);
// The colour of tile (column, row) of the cell sheet: 7 colours x 3 styles.
TRgb TileColour(int column, int row);
// The colour of tile (column, row) of the special figures' sheet: creator and
// destroyer x 3 styles.
TRgb SpecialTileColour(int column, int row);

// A pixel of a JPEG file as the game decodes it (gamma table included).
uint16_t DecodedPixel(const std::string& path, int x, int y);

// The 5-6-5 value of an RGB colour.
uint16_t Rgb565(TRgb c);
// Whether a 5-6-5 pixel is within a few steps of the colour (JPEG rounding).
bool Near565(uint16_t pixel, TRgb c);

constexpr int kHelpLines = 60;

// The fixture data in a temporary folder of its own, removed with this object:
// Skin/ with every page pair, the question box pair (the box's size), backgrounds,
// Balls.jpg and help.txt of kHelpLines numbered lines, and Sounds/ with the
// seven effects. No music.
class TFixtureData {
public:
    TFixtureData();
    const std::string& Path() const { return Folder.Path(); }
    // A pixel of the skin of that name ("bg_Nature").
    uint16_t SkinPixel(const std::string& name, int x, int y) const;

private:
    TestSupport::TempFolder Folder{"data"};
};

} // namespace WFourfall::Test
