// Figures for the drawing layer, each beside its baseline in the same run:
// a full-window source-copy transfer against a plain memory copy of the same
// bytes; the JPEG loader against libjpeg decoding the same file to RGB
// alone; text in a rectangle with a warm glyph cache.
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <benchmark/benchmark.h>
#include <jpeglib.h>

#include "JpegFixture.h"
#include "platform/desktop/DeviceContext.h"
#include "wlib/graphics/Bitmap.h"
#include "wlib/graphics/Canvas.h"
#include "wlib/graphics/ImageLoader.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;

void BM_BitBltSourceCopy800x600(benchmark::State& state)
{
    Platform::Bitmap* from = Platform::CreateCompatibleBitmap(kWidth, kHeight);
    Platform::Bitmap* to = Platform::CreateCompatibleBitmap(kWidth, kHeight);
    Platform::DC* src = Platform::CreateMemoryDC();
    Platform::DC* dst = Platform::CreateMemoryDC();
    Platform::SelectBitmap(src, from);
    Platform::SelectBitmap(dst, to);
    std::memset(from->Bits(), 0x5A, size_t(from->Stride()) * kHeight);
    for (auto _ : state) {
        Platform::BitBlt(dst, 0, 0, kWidth, kHeight, src, 0, 0, Platform::kSrcCopy);
        benchmark::DoNotOptimize(to->Bits());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * from->Stride() * kHeight);
    Platform::DeleteDC(src);
    Platform::DeleteDC(dst);
    Platform::DeleteBitmap(from);
    Platform::DeleteBitmap(to);
}
BENCHMARK(BM_BitBltSourceCopy800x600);

void BM_MemcpySameBytes(benchmark::State& state)
{
    size_t bytes = size_t(Platform::Bitmap::StrideFor(kWidth)) * kHeight;
    std::vector<uint8_t> from(bytes, 0x5A), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}
BENCHMARK(BM_MemcpySameBytes);

const std::vector<uint8_t>& Skin()
{
    static const std::vector<uint8_t> jpeg = JpegFixture::Busy(kWidth, kHeight, {85, false, false});
    return jpeg;
}

void BM_LoaderDecode800x600(benchmark::State& state)
{
    const std::vector<uint8_t>& jpeg = Skin();
    for (auto _ : state) {
        Platform::Bitmap* b = ImageLoader::LoadImageData(jpeg.data(), jpeg.size());
        benchmark::DoNotOptimize(b);
        Platform::DeleteBitmap(b);
    }
}
BENCHMARK(BM_LoaderDecode800x600)->Unit(benchmark::kMillisecond);

struct QuietError {
    jpeg_error_mgr Std;
    jmp_buf Jump;
};
void QuietExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<QuietError*>(cinfo->err)->Jump, 1);
}

// libjpeg alone: the same file from memory to RGB rows in one row buffer.
void BM_LibjpegRgbOnly800x600(benchmark::State& state)
{
    const std::vector<uint8_t>& jpeg = Skin();
    std::vector<JSAMPLE> row(kWidth * 3);
    for (auto _ : state) {
        jpeg_decompress_struct cinfo;
        QuietError err;
        cinfo.err = jpeg_std_error(&err.Std);
        err.Std.error_exit = QuietExit;
        if (setjmp(err.Jump)) {
            jpeg_destroy_decompress(&cinfo);
            state.SkipWithError("decoding failed");
            break;
        }
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, jpeg.data(), jpeg.size());
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = JCS_RGB;
        jpeg_start_decompress(&cinfo);
        JSAMPROW rows[1] = {row.data()};
        while (cinfo.output_scanline < cinfo.output_height)
            jpeg_read_scanlines(&cinfo, rows, 1);
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(row.data());
    }
}
BENCHMARK(BM_LibjpegRgbOnly800x600)->Unit(benchmark::kMillisecond);

void BM_DrawTextInRectSevenDigits(benchmark::State& state)
{
    WLib::TBitmap surface;
    surface.Create(kWidth, kHeight);
    WLib::TCanvasBase* impl = surface.Impl->GetCanvas();
    impl->Font = WLib::TFont::NewDefault();
    WLib::TCanvas canvas(impl);
    canvas.GetFont().SetHeight(24);
    canvas.SetTextColor(0xFFFFFF);
    const WLib::TRect rect(0, 0, 208, 40);
    canvas.DrawTextInRect(0, rect, "1234567"); // warms the glyph cache
    for (auto _ : state) {
        canvas.DrawTextInRect(0, rect, "1234567");
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DrawTextInRectSevenDigits)->Unit(benchmark::kMicrosecond);

} // namespace
