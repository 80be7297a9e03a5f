#include "platform/desktop/Font.h"

#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include "platform/Cp1252.h"
#include "platform/desktop/DeviceContext.h"

namespace Platform {

namespace {

// Heights beyond this are clamped: no text of the game comes near, and a
// wild value must not ask for gigantic glyph bitmaps.
constexpr int kMaxHeight = 1024;

// Debian's files, used only when fontconfig itself finds nothing.
const char* const kFallbackFiles[] = {
    "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf",
    "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
};
const char* const kFallbackBoldFiles[] = {
    "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf",
    "/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
};

struct Glyph {
    bool Ready = false;
    int Advance = 0;
    int Left = 0; // from the pen position to the bitmap's left edge
    int Top = 0;  // from the baseline up to the bitmap's top row
    int Width = 0;
    int Rows = 0;
    std::vector<uint8_t> Coverage; // Width x Rows, 0..255
};

// One face at one size with its glyph cache; shared by every font object of
// the same description, so clones and re-made fonts reuse rendered glyphs.
struct SizedFace {
    FT_Face Face = nullptr;
    std::string Path;
    std::string Family;
    int Ascent = 0;
    int Descent = 0;
    Glyph Glyphs[256];
};

struct FontSystem {
    FT_Library Library = nullptr;
    bool LibraryTried = false;
    bool FontconfigReady = false;
    std::map<std::string, std::unique_ptr<SizedFace>> Sized;
    std::map<std::string, std::pair<std::string, int>> Resolved; // name key -> file, index
    uint64_t Rasterised = 0;

    ~FontSystem()
    {
        for (auto& kv : Sized)
            if (kv.second->Face)
                FT_Done_Face(kv.second->Face);
        Sized.clear();
        if (Library)
            FT_Done_FreeType(Library);
        // Hands back fontconfig's caches, which it would otherwise keep to
        // the end of the process.
        if (FontconfigReady)
            FcFini();
    }
    FT_Library Lib()
    {
        if (!LibraryTried) {
            LibraryTried = true;
            if (FT_Init_FreeType(&Library) != 0)
                Library = nullptr;
        }
        return Library;
    }
};

FontSystem& System()
{
    static FontSystem system;
    return system;
}

std::string FaceNameOf(const LogFont& desc)
{
    size_t n = strnlen(desc.FaceName, sizeof(desc.FaceName));
    std::string name(desc.FaceName, n);
    return name.empty() ? std::string("Arial") : name;
}

// fontconfig's best match for a family, or false.
bool MatchWithFontconfig(const std::string& family, bool bold, bool italic, std::string& file, int& index)
{
    FontSystem& sys = System();
    if (!sys.FontconfigReady)
        sys.FontconfigReady = FcInit() == FcTrue;
    if (!sys.FontconfigReady)
        return false;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        return false;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match)
        return false;
    FcChar8* path = nullptr;
    int faceIndex = 0;
    bool ok = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path;
    if (ok) {
        if (FcPatternGetInteger(match, FC_INDEX, 0, &faceIndex) != FcResultMatch)
            faceIndex = 0;
        file = reinterpret_cast<const char*>(path);
        index = faceIndex;
    }
    FcPatternDestroy(match);
    return ok;
}

// A font file read with pread, for FreeType's stream: FT_New_Face would map
// the whole file, and the pages the face ever touched (some 700 KiB for two
// faces, most of it never used again) would count as the game's memory;
// read, only the tables and glyphs FreeType asks for come into the heap.
unsigned long ReadFontFile(FT_Stream stream, unsigned long offset, unsigned char* buffer, unsigned long count)
{
    const int fd = static_cast<int>(stream->descriptor.value);
    if (count == 0) // a seek: FreeType wants 0 for a place inside the file
        return offset <= stream->size ? 0 : 1;
    unsigned long done = 0;
    while (done < count) {
        const ssize_t got = ::pread(fd, buffer + done, count - done, off_t(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<unsigned long>(got);
    }
    return done;
}

void CloseFontFile(FT_Stream stream)
{
    ::close(static_cast<int>(stream->descriptor.value));
    delete stream;
}

FT_Face OpenFace(const std::string& file, int index)
{
    FT_Library lib = System().Lib();
    FT_Face face = nullptr;
    if (!lib || file.empty())
        return nullptr;
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st;
    auto* stream = new (std::nothrow) FT_StreamRec();
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0 || stream == nullptr) {
        delete stream;
        ::close(fd);
        return nullptr;
    }
    stream->size = static_cast<unsigned long>(st.st_size);
    stream->descriptor.value = fd;
    stream->read = ReadFontFile;
    stream->close = CloseFontFile;
    FT_Open_Args args{};
    args.flags = FT_OPEN_STREAM;
    args.stream = stream;
    // FreeType closes the stream (CloseFontFile) with the face, and also
    // when the face does not open.
    if (FT_Open_Face(lib, &args, index, &face) != 0)
        return nullptr;
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
        FT_Done_Face(face);
        return nullptr;
    }
    return face;
}

// Finds and opens the face for a description: the named family through
// fontconfig, then the generic sans family, then the known files.
FT_Face FindFace(const LogFont& desc, std::string& pathOut)
{
    bool bold = desc.Weight >= kBoldWeight;
    bool italic = desc.Italic != 0;
    std::string name = FaceNameOf(desc);
    std::string key = name + (bold ? "|b" : "|r") + (italic ? "i" : "");
    FontSystem& sys = System();
    auto it = sys.Resolved.find(key);
    if (it != sys.Resolved.end()) {
        pathOut = it->second.first;
        return OpenFace(it->second.first, it->second.second);
    }
    std::vector<std::pair<std::string, int>> candidates;
    std::string file;
    int index = 0;
    if (MatchWithFontconfig(name, bold, italic, file, index))
        candidates.push_back({file, index});
    if (MatchWithFontconfig("sans-serif", bold, italic, file, index))
        candidates.push_back({file, index});
    for (const char* f : bold ? kFallbackBoldFiles : kFallbackFiles)
        candidates.push_back({f, 0});
    for (auto& c : candidates) {
        FT_Face face = OpenFace(c.first, c.second);
        if (face) {
            sys.Resolved[key] = c;
            pathOut = c.first;
            return face;
        }
    }
    sys.Resolved[key] = {"", 0};
    pathOut.clear();
    return nullptr;
}

int ClampHeight(int h)
{
    if (h == 0)
        return kDefaultCellHeight;
    if (h > kMaxHeight)
        return kMaxHeight;
    if (h < -kMaxHeight)
        return -kMaxHeight;
    return h;
}

// Cell metrics of the original platform: a positive height is divided in
// the ratio of the face's Windows ascent and descent, a negative one is the
// em size with both scaled from it.
SizedFace* GetSizedFace(const LogFont& desc)
{
    int h = ClampHeight(desc.Height);
    bool bold = desc.Weight >= kBoldWeight;
    std::string key =
        FaceNameOf(desc) + "|" + std::to_string(h) + (bold ? "|b" : "|r") + (desc.Italic ? "i" : "");
    FontSystem& sys = System();
    auto it = sys.Sized.find(key);
    if (it != sys.Sized.end())
        return it->second.get();

    auto sized = std::make_unique<SizedFace>();
    sized->Face = FindFace(desc, sized->Path);
    double winA = 0, winD = 0, upem = 2048;
    if (sized->Face) {
        FT_Face face = sized->Face;
        sized->Family = face->family_name ? face->family_name : "";
        upem = face->units_per_EM;
        auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        if (os2 && os2->usWinAscent + os2->usWinDescent > 0) {
            winA = os2->usWinAscent;
            winD = os2->usWinDescent;
        } else {
            winA = face->ascender;
            winD = -face->descender;
        }
    }
    if (winA + winD <= 0) {
        winA = 0.8 * upem;
        winD = 0.2 * upem;
    }
    double em;
    if (h > 0) {
        em = h * upem / (winA + winD);
        sized->Ascent = int(std::lround(winA * h / (winA + winD)));
        sized->Descent = h - sized->Ascent;
    } else {
        em = -h;
        sized->Ascent = int(std::lround(winA * em / upem));
        sized->Descent = int(std::lround(winD * em / upem));
    }
    if (sized->Face && FT_Set_Char_Size(sized->Face, 0, FT_F26Dot6(std::lround(em * 64.0)), 72, 72) != 0) {
        FT_Done_Face(sized->Face);
        sized->Face = nullptr;
        sized->Path.clear();
        sized->Family.clear();
    }
    SizedFace* result = sized.get();
    sys.Sized[key] = std::move(sized);
    return result;
}

const Glyph& GetGlyph(SizedFace* sized, uint8_t byte)
{
    Glyph& g = sized->Glyphs[byte];
    if (g.Ready)
        return g;
    g.Ready = true;
    // Control characters draw nothing and take no room.
    if (!sized->Face || byte < 0x20 || byte == 0x7F)
        return g;
    FT_Face face = sized->Face;
    FT_UInt index = FT_Get_Char_Index(face, Cp1252ToCodePoint(byte));
    if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_TARGET_NORMAL) != 0)
        return g;
    FT_GlyphSlot slot = face->glyph;
    g.Advance = int((slot->advance.x + 32) >> 6);
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
        return g;
    System().Rasterised += 1;
    const FT_Bitmap& bm = slot->bitmap;
    if (bm.pixel_mode != FT_PIXEL_MODE_GRAY || bm.width == 0 || bm.rows == 0)
        return g;
    g.Left = slot->bitmap_left;
    g.Top = slot->bitmap_top;
    g.Width = int(bm.width);
    g.Rows = int(bm.rows);
    g.Coverage.resize(size_t(g.Width) * g.Rows);
    int pitch = bm.pitch;
    for (int r = 0; r < g.Rows; ++r) {
        const unsigned char* src = pitch >= 0 ? bm.buffer + r * pitch : bm.buffer + (g.Rows - 1 - r) * -pitch;
        std::memcpy(&g.Coverage[size_t(r) * g.Width], src, g.Width);
    }
    return g;
}

} // namespace

class Font {
public:
    LogFont Desc;
    SizedFace* Sized = nullptr;
};

Font* CreateFontIndirect(const LogFont& desc)
{
    auto* font = new (std::nothrow) Font();
    if (!font)
        return nullptr;
    font->Desc = desc;
    font->Sized = GetSizedFace(desc);
    return font;
}

void DeleteFont(Font* font)
{
    delete font;
}

bool GetFontMetrics(const Font* font, FontMetrics* metrics)
{
    if (!font || !metrics)
        return false;
    metrics->Ascent = font->Sized->Ascent;
    metrics->Descent = font->Sized->Descent;
    metrics->Height = font->Sized->Ascent + font->Sized->Descent;
    return true;
}

const char* FontFacePath(const Font* font)
{
    return font ? font->Sized->Path.c_str() : "";
}

const char* FontFamilyName(const Font* font)
{
    return font ? font->Sized->Family.c_str() : "";
}

uint64_t GlyphRasterCount()
{
    return System().Rasterised;
}

namespace {

Font* FontOf(DC* dc)
{
    if (dc->SelectedFont)
        return dc->SelectedFont;
    static Font* stock = CreateFontIndirect(LogFont{});
    return stock;
}

struct Clip {
    int Left, Top, Right, Bottom;
};

int MeasureLine(SizedFace* sized, const char* text, int length)
{
    int width = 0;
    for (int i = 0; i < length; ++i)
        width += GetGlyph(sized, uint8_t(text[i])).Advance;
    return width;
}

// Blends one glyph's coverage into the bitmap in the text colour.
void BlendGlyph(Bitmap* bm, const Glyph& g, int x0, int y0, const Clip& clip, uint32_t color)
{
    int cr = (color >> 3) & 31, cg = (color >> 10) & 63, cb = (color >> 19) & 31;
    uint16_t solid = uint16_t((cr << 11) | (cg << 5) | cb);
    int rowStart = clip.Top > y0 ? clip.Top - y0 : 0;
    int rowEnd = clip.Bottom < y0 + g.Rows ? clip.Bottom - y0 : g.Rows;
    int colStart = clip.Left > x0 ? clip.Left - x0 : 0;
    int colEnd = clip.Right < x0 + g.Width ? clip.Right - x0 : g.Width;
    for (int r = rowStart; r < rowEnd; ++r) {
        const uint8_t* cov = &g.Coverage[size_t(r) * g.Width];
        uint16_t* row = bm->Row(y0 + r) + x0;
        for (int c = colStart; c < colEnd; ++c) {
            unsigned a = cov[c];
            if (a == 0)
                continue;
            if (a == 255) {
                row[c] = solid;
                continue;
            }
            unsigned d = row[c];
            unsigned dr = d >> 11, dg = (d >> 5) & 63, db = d & 31;
            unsigned inv = 255 - a;
            unsigned r5 = (cr * a + dr * inv + 127) / 255;
            unsigned g6 = (cg * a + dg * inv + 127) / 255;
            unsigned b5 = (cb * a + db * inv + 127) / 255;
            row[c] = uint16_t((r5 << 11) | (g6 << 5) | b5);
        }
    }
}

void DrawLine(DC* dc, SizedFace* sized, const char* text, int length, int x, int y, Clip clip)
{
    Bitmap* bm = dc->Surface;
    if (!bm || !sized->Face)
        return;
    if (clip.Left < 0)
        clip.Left = 0;
    if (clip.Top < 0)
        clip.Top = 0;
    if (clip.Right > bm->Width())
        clip.Right = bm->Width();
    if (clip.Bottom > bm->Height())
        clip.Bottom = bm->Height();
    if (clip.Left >= clip.Right || clip.Top >= clip.Bottom)
        return;
    long long pen = x;
    long long baseline = (long long)y + sized->Ascent;
    for (int i = 0; i < length; ++i) {
        const Glyph& g = GetGlyph(sized, uint8_t(text[i]));
        long long gx = pen + g.Left, gy = baseline - g.Top;
        pen += g.Advance;
        if (g.Width == 0 || gx >= clip.Right || gy >= clip.Bottom || gx + g.Width <= clip.Left ||
            gy + g.Rows <= clip.Top)
            continue;
        BlendGlyph(bm, g, int(gx), int(gy), clip, dc->TextColor);
    }
}

std::string StripPrefixes(const char* text, int length)
{
    std::string out;
    out.reserve(length);
    for (int i = 0; i < length; ++i) {
        if (text[i] == '&' && i + 1 < length)
            ++i;
        else if (text[i] == '&')
            continue;
        out.push_back(text[i]);
    }
    return out;
}

const Clip kNoClip = {-(1 << 30), -(1 << 30), 1 << 30, 1 << 30};

} // namespace

int DrawText(DC* dc, const char* text, int length, int left, int top, int right, int bottom, unsigned format)
{
    if (!dc || !text || length <= 0)
        return 0;
    SizedFace* sized = FontOf(dc)->Sized;
    std::string stripped;
    if (!(format & kDtNoPrefix)) {
        stripped = StripPrefixes(text, length);
        text = stripped.c_str();
        length = int(stripped.size());
    }
    int cellHeight = sized->Ascent + sized->Descent;
    Clip clip = (format & kDtNoClip) ? kNoClip : Clip{left, top, right, bottom};
    auto lineX = [&](int width) {
        if (format & kDtCenter)
            return (left + right - width) / 2;
        if (format & kDtRight)
            return right - width;
        return left;
    };
    if (format & kDtSingleLine) {
        int width = MeasureLine(sized, text, length);
        int y = top;
        if (format & kDtVCenter)
            y = top + (bottom - top) / 2 - cellHeight / 2;
        else if (format & kDtBottom)
            y = bottom - cellHeight;
        DrawLine(dc, sized, text, length, lineX(width), y, clip);
        return cellHeight;
    }
    int y = top;
    int start = 0;
    for (int i = 0; i <= length; ++i) {
        if (i < length && text[i] != '\n')
            continue;
        int end = i;
        if (end > start && text[end - 1] == '\r')
            --end;
        int width = MeasureLine(sized, text + start, end - start);
        DrawLine(dc, sized, text + start, end - start, lineX(width), y, clip);
        y += cellHeight;
        start = i + 1;
    }
    return y - top;
}

bool TextOut(DC* dc, int x, int y, const char* text, int length)
{
    if (!dc)
        return false;
    if (!text || length <= 0)
        return true;
    DrawLine(dc, FontOf(dc)->Sized, text, length, x, y, kNoClip);
    return true;
}

bool GetTextExtent(DC* dc, const char* text, int length, int* width, int* height)
{
    if (!dc)
        return false;
    SizedFace* sized = FontOf(dc)->Sized;
    int w = (text && length > 0) ? MeasureLine(sized, text, length) : 0;
    if (width)
        *width = w;
    if (height)
        *height = sized->Ascent + sized->Descent;
    return true;
}

} // namespace Platform
