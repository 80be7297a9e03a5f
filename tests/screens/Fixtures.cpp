#include "tests/screens/Fixtures.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <vector>

#include <jpeglib.h>

#include "screens/layout/PageLayout.h"
#include "wlib/graphics/Bitmap.h"

namespace WFourfall::Test {

namespace fs = std::filesystem;

bool WriteJpeg(const std::string& path, int width, int height, TRgb (*colour)(int x, int y, const void* user),
               const void* user)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    // No chroma subsampling, so 8 x 8 solid blocks keep their colour.
    for (int i = 0; i < info.num_components; ++i)
        info.comp_info[i].h_samp_factor = info.comp_info[i].v_samp_factor = 1;
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(width) * 3);
    while (info.next_scanline < info.image_height) {
        const int y = static_cast<int>(info.next_scanline);
        for (int x = 0; x < width; ++x) {
            const TRgb c = colour(x, y, user);
            row[x * 3] = c.R;
            row[x * 3 + 1] = c.G;
            row[x * 3 + 2] = c.B;
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return std::fclose(file) == 0;
}

bool WriteSolidJpeg(const std::string& path, int width, int height, TRgb colour)
{
    return WriteJpeg(
        path, width, height, [](int, int, const void* user) { return *static_cast<const TRgb*>(user); },
        &colour);
}

bool WriteWave(const std::string& path, int samples)
{
    auto le32 = [](std::vector<uint8_t>& v, uint32_t x) {
        for (int i = 0; i < 4; ++i)
            v.push_back(static_cast<uint8_t>(x >> (8 * i)));
    };
    auto le16 = [](std::vector<uint8_t>& v, uint32_t x) {
        v.push_back(static_cast<uint8_t>(x));
        v.push_back(static_cast<uint8_t>(x >> 8));
    };
    std::vector<uint8_t> b = {'R', 'I', 'F', 'F'};
    le32(b, 36 + static_cast<uint32_t>(samples));
    for (char c : std::string("WAVEfmt "))
        b.push_back(static_cast<uint8_t>(c));
    le32(b, 16);
    le16(b, 1);     // PCM
    le16(b, 1);     // mono
    le32(b, 22050); // rate
    le32(b, 22050); // bytes per second
    le16(b, 1);     // block align
    le16(b, 8);     // bits
    for (char c : std::string("data"))
        b.push_back(static_cast<uint8_t>(c));
    le32(b, static_cast<uint32_t>(samples));
    for (int i = 0; i < samples; ++i)
        b.push_back(static_cast<uint8_t>(i % 32 < 16 ? 0xC0 : 0x40));
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    return static_cast<bool>(out);
}

TRgb SkinColour(const std::string& name)
{
    // Distinct, well separated colours; the highlighted twin is lighter.
    static const struct {
        const char* Name;
        TRgb Colour;
    } kColours[] = {
        {"Menu", {200, 0, 0}},         {"Options", {0, 200, 0}},    {"Help", {0, 0, 200}},
        {"HighScore", {200, 200, 0}},  {"GameType", {0, 200, 200}}, {"bg_techno", {200, 0, 200}},
        {"bg_Nature", {96, 160, 32}},  {"bg_Kids", {240, 128, 0}},  {"Question", {40, 40, 120}},
        {"MoreGames", {120, 60, 200}}, {"Controls", {60, 120, 40}}, {"Sound", {160, 40, 90}},
    };
    std::string base = name;
    const bool high = !base.empty() && base.back() == '_';
    if (high)
        base.pop_back();
    for (const auto& c : kColours)
        if (base == c.Name)
            return high ? TRgb{static_cast<uint8_t>(c.Colour.R / 2 + 120),
                               static_cast<uint8_t>(c.Colour.G / 2 + 120),
                               static_cast<uint8_t>(c.Colour.B / 2 + 120)}
                        : c.Colour;
    return {0, 0, 0};
}

TRgb TileColour(int column, int row)
{
    return {static_cast<uint8_t>(32 + column * 32), static_cast<uint8_t>(40 + row * 80),
            static_cast<uint8_t>(240 - column * 32)};
}

TRgb SpecialTileColour(int column, int row)
{
    const uint8_t level = column == 0 ? 250 : 12;
    return {level, level, static_cast<uint8_t>(40 + row * 80)};
}

uint16_t DecodedPixel(const std::string& path, int x, int y)
{
    WLib::TBitmap bitmap;
    if (!bitmap.LoadJpegFile(path.c_str()) || bitmap.Pixels() == nullptr)
        return 0;
    return bitmap.Pixels()->Pixel(x, y);
}

uint16_t Rgb565(TRgb c)
{
    return static_cast<uint16_t>(((c.R >> 3) << 11) | ((c.G >> 2) << 5) | (c.B >> 3));
}

bool Near565(uint16_t pixel, TRgb c)
{
    const int r = (pixel >> 11) & 31, g = (pixel >> 5) & 63, b = pixel & 31;
    return std::abs(r - (c.R >> 3)) <= 2 && std::abs(g - (c.G >> 2)) <= 4 && std::abs(b - (c.B >> 3)) <= 2;
}

TFixtureData::TFixtureData()
{
    const std::string& dir = Path();
    fs::create_directories(dir + "/Skin");
    fs::create_directories(dir + "/Sounds");
    for (const char* page : {"Menu", "Options", "Controls", "Sound", "Help", "HighScore", "GameType",
                             "MoreGames", "bg_techno", "bg_Nature", "bg_Kids"}) {
        for (const std::string& name : {std::string(page), std::string(page) + "_"})
            WriteSolidJpeg(dir + "/Skin/" + name + ".jpg", 800, 600, SkinColour(name));
    }
    for (const char* name : {"Question", "Question_"})
        WriteSolidJpeg(dir + "/Skin/" + name + ".jpg", WFourfall::kQuestionBox.W, WFourfall::kQuestionBox.H,
                       SkinColour(name));
    WriteJpeg(dir + "/Skin/Balls.jpg", 7 * 16, 3 * 16,
              [](int x, int y, const void*) { return TileColour(x / 16, y / 16); });
    WriteJpeg(dir + "/Skin/Specials.jpg", 2 * 16, 3 * 16,
              [](int x, int y, const void*) { return SpecialTileColour(x / 16, y / 16); });
    std::ofstream help(dir + "/Skin/help.txt", std::ios::binary);
    for (int i = 1; i <= kHelpLines; ++i)
        help << "Help line " << i << "\n";
    help.close();
    for (const char* effect : {"Rotate", "HitBottom", "Drop", "Remove", "NewLevel", "GameOver", "Clap"})
        WriteWave(dir + "/Sounds/" + effect + ".wav", 2205);
}

uint16_t TFixtureData::SkinPixel(const std::string& name, int x, int y) const
{
    return DecodedPixel(Path() + "/Skin/" + name + ".jpg", x, y);
}

} // namespace WFourfall::Test
