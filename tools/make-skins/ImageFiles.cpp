#include "tools/make-skins/ImageFiles.h"

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace MakeSkins {

namespace {

void Put16(std::vector<uint8_t>& out, unsigned v)
{
    out.push_back(uint8_t(v & 0xFF));
    out.push_back(uint8_t((v >> 8) & 0xFF));
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

} // namespace

std::vector<uint8_t> EncodeJpeg(const std::vector<uint8_t>& rgb, int width, int height, int quality)
{
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors); // a compression error ends the tool: it has nothing to recover
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    info.dct_method = JDCT_ISLOW;
    info.optimize_coding = TRUE;
    for (int c = 0; c < 3; ++c) { // no chroma subsampling
        info.comp_info[c].h_samp_factor = 1;
        info.comp_info[c].v_samp_factor = 1;
    }
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.data() + size_t(info.next_scanline) * size_t(width) * 3);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}

std::vector<uint8_t> EncodeMonoBmp(const std::vector<bool>& white, int width, int height)
{
    const int stride = ((width + 31) / 32) * 4;
    const uint32_t header = 14 + 40 + 8;
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, header + uint32_t(stride * height));
    Put32(out, 0);
    Put32(out, header);
    Put32(out, 40);
    Put32(out, uint32_t(width));
    Put32(out, uint32_t(height)); // positive: bottom-up
    Put16(out, 1);
    Put16(out, 1);
    Put32(out, 0); // no compression
    Put32(out, uint32_t(stride * height));
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, 2);
    Put32(out, 2);
    Put32(out, 0x000000); // palette 0: black
    Put32(out, 0xFFFFFF); // palette 1: white
    for (int y = height - 1; y >= 0; --y) {
        std::vector<uint8_t> row(size_t(stride), 0);
        for (int x = 0; x < width; ++x)
            if (white[size_t(y) * size_t(width) + size_t(x)])
                row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

} // namespace MakeSkins
