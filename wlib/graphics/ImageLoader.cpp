#include "wlib/graphics/ImageLoader.h"

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <vector>

#include <jpeglib.h>

#include <jerror.h>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "platform/FileReader.h"

namespace ImageLoader {

uint8_t GammaTable[256];

namespace {

constexpr size_t kInputBufferSize = 4096;
constexpr wchar_t kJpegFormat[] = L"image/jpeg";
constexpr char kResourceType[] = "IMAGES";
// libjpeg's own working memory (beyond the bitmap) is capped, so a hostile
// header cannot make it allocate without end; a full-window picture needs a
// few megabytes even when progressive.
constexpr long kMaxLibraryMemory = 256L * 1024 * 1024;
// Progressive pictures may carry any number of scans, each costing a pass
// over the whole picture; real ones have about ten.
constexpr int kMaxScans = 1000;

struct ErrorManager {
    jpeg_error_mgr Std;
    jmp_buf Recovery;
    Platform::Bitmap* Bitmap; // made before decoding; deleted on an error
};

void ErrorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    jpeg_destroy(cinfo);
    std::longjmp(err->Recovery, 1);
}

void OutputMessage(j_common_ptr) {}

struct ProgressLimit {
    jpeg_progress_mgr Std;
};

void CheckProgress(j_common_ptr cinfo)
{
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans) {
        d->err->msg_code = JERR_BAD_PROGRESSION;
        d->err->error_exit(cinfo);
    }
}

struct MemorySource {
    jpeg_source_mgr Std;
    BinReader* Reader;
    JOCTET* Buffer;
};

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo)
{
    auto* src = reinterpret_cast<MemorySource*>(cinfo->src);
    int n = src->Reader->Read(src->Buffer, int(kInputBufferSize));
    if (n < 1) {
        // Out of data: hand the library an end-of-image marker, so a short
        // file ends as a picture completed from what there was.
        src->Buffer[0] = 0xFF;
        src->Buffer[1] = JPEG_EOI;
        n = 2;
    }
    src->Std.next_input_byte = src->Buffer;
    src->Std.bytes_in_buffer = size_t(n);
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count)
{
    auto* src = reinterpret_cast<MemorySource*>(cinfo->src);
    if (count < 1)
        return;
    while (count > long(src->Std.bytes_in_buffer)) {
        count -= long(src->Std.bytes_in_buffer);
        FillInputBuffer(cinfo);
    }
    src->Std.next_input_byte += count;
    src->Std.bytes_in_buffer -= size_t(count);
}

void InstallSource(j_decompress_ptr cinfo, BinReader& reader)
{
    auto* src = static_cast<MemorySource*>((*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo),
                                                                      JPOOL_PERMANENT, sizeof(MemorySource)));
    src->Buffer = static_cast<JOCTET*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, kInputBufferSize));
    src->Reader = &reader;
    src->Std.init_source = InitSource;
    src->Std.fill_input_buffer = FillInputBuffer;
    src->Std.skip_input_data = SkipInputData;
    src->Std.resync_to_restart = jpeg_resync_to_restart;
    src->Std.term_source = TermSource;
    src->Std.bytes_in_buffer = 0;
    src->Std.next_input_byte = nullptr;
    cinfo->src = &src->Std;
}

// The gamma table folded into each channel's place in the 5-6-5 pixel, so
// a pixel is three look-ups and two ORs: the same values as PackPixel.
struct ChannelTables {
    uint16_t Red[256];
    uint16_t Green[256];
    uint16_t Blue[256];
};

void BuildChannelTables(ChannelTables& t)
{
    for (int i = 0; i < 256; ++i) {
        t.Red[i] = uint16_t((GammaTable[i] & 0xF8) << 8);
        t.Green[i] = uint16_t((GammaTable[i] & 0xFC) << 3);
        t.Blue[i] = uint16_t(GammaTable[i] >> 3);
    }
}

// Bytes the sample row carries beyond its pixels, so the vector path may
// load 64 bytes from its last group of 16 pixels.
constexpr JDIMENSION kRowSlack = 64;

void WriteRowScalar(const ChannelTables& t, const JSAMPLE* __restrict rgb, uint16_t* __restrict out,
                    JDIMENSION width)
{
    for (JDIMENSION x = 0; x < width; ++x, rgb += 3)
        out[x] = uint16_t(t.Red[rgb[0]] | t.Green[rgb[1]] | t.Blue[rgb[2]]);
}

#if defined(__x86_64__)
// 16 pixels at a time with byte permutes: the gamma table is looked up for
// 64 sample bytes at once (two 128-entry permutes, chosen by the top bit),
// then red, green and blue are spread into 16-bit lanes and packed. The
// values are exactly those of the scalar path.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) JDIMENSION
WriteRowVbmi(const JSAMPLE* __restrict rgb, uint16_t* __restrict out, JDIMENSION width)
{
    const __m512i t0 = _mm512_loadu_si512(GammaTable);
    const __m512i t1 = _mm512_loadu_si512(GammaTable + 64);
    const __m512i t2 = _mm512_loadu_si512(GammaTable + 128);
    const __m512i t3 = _mm512_loadu_si512(GammaTable + 192);
    alignas(64) uint8_t redGreen[64], blue[64];
    alignas(64) uint16_t andMask[32], shift[32];
    for (int k = 0; k < 16; ++k) {
        redGreen[2 * k] = uint8_t(3 * k);          // red to lanes 0..15
        redGreen[32 + 2 * k] = uint8_t(3 * k + 1); // green to lanes 16..31
        redGreen[2 * k + 1] = redGreen[33 + 2 * k] = 0;
        blue[2 * k] = uint8_t(3 * k + 2);
        blue[2 * k + 1] = blue[32 + 2 * k] = blue[33 + 2 * k] = 0;
        andMask[k] = 0xF8;
        shift[k] = 8;
        andMask[16 + k] = 0xFC;
        shift[16 + k] = 3;
    }
    const __m512i redGreenIndex = _mm512_load_si512(redGreen);
    const __m512i blueIndex = _mm512_load_si512(blue);
    const __m512i andVector = _mm512_load_si512(andMask);
    const __m512i shiftVector = _mm512_load_si512(shift);
    const __mmask64 lowBytes = 0x5555555555555555ull;
    JDIMENSION x = 0;
    for (; x + 16 <= width; x += 16, rgb += 48) {
        __m512i v = _mm512_loadu_si512(rgb);
        __m512i low = _mm512_permutex2var_epi8(t0, v, t1);
        __m512i high = _mm512_permutex2var_epi8(t2, v, t3);
        v = _mm512_mask_blend_epi8(_mm512_movepi8_mask(v), low, high);
        __m512i rg = _mm512_maskz_permutexvar_epi8(lowBytes, redGreenIndex, v);
        __m512i b = _mm512_maskz_permutexvar_epi8(lowBytes, blueIndex, v);
        rg = _mm512_sllv_epi16(_mm512_and_si512(rg, andVector), shiftVector);
        // Green lanes down onto the red ones; the 16 low lanes are the pixels.
        __m512i pixels = _mm512_or_si512(rg, _mm512_maskz_shuffle_i64x2(0xFF, rg, rg, 0xEE));
        pixels = _mm512_or_si512(pixels, _mm512_srli_epi16(b, 3));
        _mm512_mask_storeu_epi16(out + x, 0xFFFF, pixels);
    }
    return x;
}

bool HasVbmi()
{
    static const bool has = __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512bw");
    return has;
}
#endif

void WriteRow(const ChannelTables& t, const JSAMPLE* __restrict rgb, uint16_t* __restrict out,
              JDIMENSION width)
{
    JDIMENSION done = 0;
#if defined(__x86_64__)
    if (HasVbmi())
        done = WriteRowVbmi(rgb, out, width);
#endif
    WriteRowScalar(t, rgb + 3 * done, out + done, width - done);
}

} // namespace

BinReader::~BinReader() = default;

brData::~brData()
{
    Release();
}

bool brData::OpenResource(void*, int, const char*)
{
    Release();
    return false;
}

bool brData::OpenFile(const char* name)
{
    Release();
    Platform::TFileReader file;
    if (!file.Open(name))
        return false;
    if (file.Size() > uint64_t(INT32_MAX))
        return false; // a reader counts in 32 bits; no picture is that big
    size = uint32_t(file.Size());
    if (size > 0) {
        data = static_cast<uint8_t*>(std::malloc(size));
        if (!data) {
            size = 0;
            return false;
        }
    }
    size_t got = size ? file.Read(data, size) : 0;
    owned = 1;
    cursor = data;
    // Only the bytes really read are handed out.
    remaining = int32_t(got);
    return got == size;
}

bool brData::OpenMemory(const uint8_t* bytes, size_t count)
{
    Release();
    if (count > size_t(INT32_MAX))
        return false;
    data = const_cast<uint8_t*>(bytes);
    size = uint32_t(bytes ? count : 0);
    owned = 0;
    cursor = data;
    remaining = int32_t(size);
    return true;
}

void brData::Release()
{
    if (owned)
        std::free(data);
    data = nullptr;
    size = 0;
    owned = 0;
    cursor = nullptr;
    remaining = 0;
}

int brData::Read(void* buffer, int count)
{
    if (count > remaining)
        count = remaining;
    if (count <= 0)
        return 0;
    remaining -= count;
    std::memcpy(buffer, cursor, size_t(count));
    cursor += count;
    return count;
}

void BuildGammaTable()
{
    const double exponent = 1.0 / (0.45455 * 1.8);
    for (int i = 0; i < 256; ++i)
        GammaTable[i] = uint8_t(std::trunc(256.0 * std::pow(i / 256.0, exponent)));
}

bool DecodeImage(Platform::DC*, const wchar_t* format, BinReader& reader, Platform::Bitmap** bitmap,
                 int* width, int* height, int maxSide)
{
    BuildGammaTable();
    if (!format || std::wcscmp(format, kJpegFormat) != 0)
        return false;

    // Everything the recovery point needs lives outside this frame's
    // automatic variables, which longjmp leaves unspecified.
    static_assert(sizeof(jpeg_decompress_struct) > 0, "libjpeg");
    struct State {
        jpeg_decompress_struct Info;
        ErrorManager Error;
        ProgressLimit Progress;
        ChannelTables Tables;
    };
    State* state = static_cast<State*>(std::calloc(1, sizeof(State)));
    if (!state)
        return false;
    BuildChannelTables(state->Tables);
    j_decompress_ptr cinfo = &state->Info;
    cinfo->err = jpeg_std_error(&state->Error.Std);
    state->Error.Std.error_exit = ErrorExit;
    state->Error.Std.output_message = OutputMessage;
    state->Error.Bitmap = nullptr;
    if (setjmp(state->Error.Recovery)) {
        // The error exit has destroyed the decompression object.
        Platform::DeleteBitmap(state->Error.Bitmap);
        std::free(state);
        return false;
    }
    jpeg_CreateDecompress(cinfo, JPEG_LIB_VERSION, sizeof(jpeg_decompress_struct));
    cinfo->mem->max_memory_to_use = kMaxLibraryMemory;
    state->Progress.Std.progress_monitor = CheckProgress;
    cinfo->progress = &state->Progress.Std;
    InstallSource(cinfo, reader);
    jpeg_read_header(cinfo, TRUE);
    cinfo->out_color_space = JCS_RGB;
    cinfo->scale_num = 1;
    cinfo->scale_denom = 1;
    jpeg_calc_output_dimensions(cinfo);

    JDIMENSION w = cinfo->output_width, h = cinfo->output_height;
    if (w == 0 || h == 0 || w > JDIMENSION(maxSide) || h > JDIMENSION(maxSide) ||
        cinfo->output_components != 3) {
        jpeg_destroy_decompress(cinfo);
        std::free(state);
        return false;
    }
    // Every row is written below (or cleared, should decoding stop early).
    state->Error.Bitmap = Platform::NewBitmap(int(w), int(h), true, false);
    if (!state->Error.Bitmap) {
        jpeg_destroy_decompress(cinfo);
        std::free(state);
        return false;
    }
    jpeg_start_decompress(cinfo);
    // One sample row, used one byte into its block: libjpeg-turbo writes
    // aligned output rows with cache-bypassing stores, and reading such a row
    // back at once would come from main memory, costing three times the
    // decoding itself.
    JSAMPARRAY block = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                                   cinfo->output_width * 3 + 1 + kRowSlack, 1);
    JSAMPROW rowStart = block[0] + 1;
    JSAMPARRAY row = &rowStart;
    while (cinfo->output_scanline < cinfo->output_height) {
        JDIMENSION y = cinfo->output_scanline;
        if (jpeg_read_scanlines(cinfo, row, 1) != 1) {
            // Our source never suspends; stop rather than spin, and leave
            // the rows not decoded black.
            for (JDIMENSION rest = y; rest < h; ++rest)
                std::memset(state->Error.Bitmap->Row(int(rest)), 0, size_t(w) * 2);
            break;
        }
        WriteRow(state->Tables, row[0], state->Error.Bitmap->Row(int(y)), w);
    }
    jpeg_finish_decompress(cinfo);
    jpeg_destroy_decompress(cinfo);

    Platform::Bitmap* result = state->Error.Bitmap;
    std::free(state);
    if (bitmap)
        *bitmap = result;
    else
        Platform::DeleteBitmap(result);
    if (width)
        *width = int(w);
    if (height)
        *height = int(h);
    return true;
}

namespace {

Platform::Bitmap* Decode(BinReader& reader, int maxSide)
{
    // The screen's context is asked for and given back around the decoding,
    // as the drawing layer expects; this platform needs none.
    Platform::DC* screen = Platform::CreateMemoryDC();
    Platform::Bitmap* bitmap = nullptr;
    int w = 0, h = 0;
    if (!DecodeImage(screen, kJpegFormat, reader, &bitmap, &w, &h, maxSide))
        bitmap = nullptr;
    Platform::DeleteDC(screen);
    return bitmap;
}

} // namespace

Platform::Bitmap* LoadImageFile(const char* name)
{
    brData reader;
    reader.OpenFile(name); // a file that cannot be read leaves the reader empty
    return Decode(reader, kMaxImageSide);
}

Platform::Bitmap* LoadImageResource(int id)
{
    brData reader;
    reader.OpenResource(nullptr, id & 0xFFFF, kResourceType);
    return Decode(reader, kMaxImageSide);
}

Platform::Bitmap* LoadImageData(const uint8_t* data, size_t size, int maxSide)
{
    brData reader;
    if (!reader.OpenMemory(data, size))
        return nullptr;
    return Decode(reader, maxSide);
}

} // namespace ImageLoader
