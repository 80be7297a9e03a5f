#include "JpegFixture.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace JpegFixture {

namespace {

struct Error {
    jpeg_error_mgr Std;
    jmp_buf Jump;
};

void Exit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<Error*>(cinfo->err)->Jump, 1);
}

void Quiet(j_common_ptr) {}

} // namespace

std::vector<uint8_t> Encode(int width, int height, const std::function<uint32_t(int, int)>& colour,
                            const Options& options)
{
    jpeg_compress_struct cinfo;
    Error err;
    cinfo.err = jpeg_std_error(&err.Std);
    err.Std.error_exit = Exit;
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    std::vector<uint8_t> result;
    if (setjmp(err.Jump)) {
        jpeg_destroy_compress(&cinfo);
        std::free(out);
        return {};
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = options.Grey ? 1 : 3;
    cinfo.in_color_space = options.Grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, options.Quality, TRUE);
    if (options.Progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(size_t(width) * cinfo.input_components);
    while (cinfo.next_scanline < cinfo.image_height) {
        int y = int(cinfo.next_scanline);
        for (int x = 0; x < width; ++x) {
            uint32_t c = colour(x, y);
            if (options.Grey) {
                row[x] = JSAMPLE(c & 0xFF);
            } else {
                row[x * 3] = JSAMPLE(c >> 16);
                row[x * 3 + 1] = JSAMPLE(c >> 8);
                row[x * 3 + 2] = JSAMPLE(c);
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    result.assign(out, out + outSize);
    jpeg_destroy_compress(&cinfo);
    std::free(out);
    return result;
}

std::vector<uint8_t> Busy(int width, int height, const Options& options)
{
    return Encode(
        width, height,
        [](int x, int y) {
            uint32_t noise = (uint32_t(x) * 2654435761u ^ uint32_t(y) * 40503u) >> 27;
            uint32_t r = (x * 255 / 800 + noise) & 0xFF;
            uint32_t g = ((x / 40 + y / 40) % 2 ? 200 : 40) + noise;
            uint32_t b = (y * 255 / 600) & 0xFF;
            return (r << 16) | ((g & 0xFF) << 8) | b;
        },
        options);
}

bool DecodeRgb(const std::vector<uint8_t>& jpeg, std::vector<uint8_t>& rgb, int& width, int& height)
{
    jpeg_decompress_struct cinfo;
    Error err;
    cinfo.err = jpeg_std_error(&err.Std);
    err.Std.error_exit = Exit;
    err.Std.output_message = Quiet;
    if (setjmp(err.Jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, jpeg.data(), jpeg.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    width = int(cinfo.output_width);
    height = int(cinfo.output_height);
    rgb.resize(size_t(width) * height * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = &rgb[size_t(cinfo.output_scanline) * width * 3];
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

} // namespace JpegFixture
