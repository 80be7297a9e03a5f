// Fonts and text of the 2-D drawing layer, over FreeType and fontconfig.
//
// A font is made from a logical description. Its height: positive is the
// cell height (ascent plus descent) in pixels, negative the character height
// (the em size), 0 the platform default (a cell of kDefaultCellHeight). A
// weight of 700 and above picks the bold face. The face name is looked up
// with fontconfig, where "Arial" resolves to a metric-compatible face
// (Liberation Sans); when a name cannot be resolved at all, the generic sans
// face is used, then the Liberation and DejaVu files at their Debian paths,
// and a font with no face at all draws nothing and measures 0 wide.
//
// Text is bytes of Windows-1252. Glyphs are anti-aliased, hinted, blended in
// the text colour of the context and always drawn transparent; rendered
// glyphs are cached per face and size, so drawing the same text again renders
// nothing new. Widths are the sums of whole-pixel advances, without kerning;
// the height of any text is the font's cell height.
#pragma once

#include <cstdint>

namespace Platform {

struct DC;

// The logical font record: 60 bytes, fields in the platform's order.
struct LogFont {
    int32_t Height = 0;
    int32_t Width = 0;
    int32_t Escapement = 0;
    int32_t Orientation = 0;
    int32_t Weight = 0;
    uint8_t Italic = 0;
    uint8_t Underline = 0;
    uint8_t StrikeOut = 0;
    uint8_t CharSet = 0;
    uint8_t OutPrecision = 0;
    uint8_t ClipPrecision = 0;
    uint8_t Quality = 0;
    uint8_t PitchAndFamily = 0;
    char FaceName[32] = {};
};
static_assert(sizeof(LogFont) == 60, "the logical font record is 60 bytes");

constexpr int kDefaultCellHeight = 16;
constexpr int kBoldWeight = 700;

// Formatted-text flags.
constexpr unsigned kDtLeft = 0x0;
constexpr unsigned kDtCenter = 0x1;
constexpr unsigned kDtRight = 0x2;
constexpr unsigned kDtVCenter = 0x4;
constexpr unsigned kDtBottom = 0x8;
constexpr unsigned kDtWordBreak = 0x10;
constexpr unsigned kDtSingleLine = 0x20;
constexpr unsigned kDtNoClip = 0x100;
constexpr unsigned kDtNoPrefix = 0x800;

class Font;

struct FontMetrics {
    int Ascent = 0;
    int Descent = 0;
    int Height = 0; // cell height: Ascent + Descent
};

// Null only when memory runs out; a font whose face cannot be found still
// measures its cell height.
Font* CreateFontIndirect(const LogFont& desc);
void DeleteFont(Font* font);
bool GetFontMetrics(const Font* font, FontMetrics* metrics);
// The file and family of the face in use ("" when none could be loaded).
const char* FontFacePath(const Font* font);
const char* FontFamilyName(const Font* font);
// How many glyphs have been rasterised since start, in all fonts.
uint64_t GlyphRasterCount();

// All of these use the font selected into the context (a default "Arial" when
// none is) and draw on its bitmap.
//
// Formatted text in the rectangle (left, top, right, bottom). Horizontal: left,
// centre x = (left + right - width) / 2, or right. With single line: line
// feeds do not break, and vertical centre puts the top at
// top + (bottom - top) / 2 - height / 2. Without single line, each line feed
// starts a new line (words are not wrapped). Without no-clip, nothing is drawn
// outside the rectangle; without no-prefix, "&x" draws "x" and "&&" draws "&".
// Returns the height of the text drawn.
int DrawText(DC* dc, const char* text, int length, int left, int top, int right, int bottom, unsigned format);
// Text with its cell's top-left corner at (x, y).
bool TextOut(DC* dc, int x, int y, const char* text, int length);
bool GetTextExtent(DC* dc, const char* text, int length, int* width, int* height);

} // namespace Platform
