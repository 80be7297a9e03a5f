// TGraphText: a block of word-wrapped text laid out once for a width and then
// drawn centred, scrolled and justified to its widest line.
#pragma once

#include <cstdint>

#include "wlib/base/AString.h"
#include "wlib/base/Items.h"
#include "wlib/base/MemStr.h"
#include "wlib/graphics/Canvas.h"

namespace WLib {

// One laid-out line. Text points into the TGraphText's text: its characters,
// including the separators before the first word on a paragraph's first line.
struct TLine {
    TMemStr Text;
    int32_t Width = 0; // the sum of the measured widths of its word pieces
    int32_t Words = 0;
    uint8_t Last = 0; // the line ends its paragraph
};

class TGraphText {
public:
    virtual ~TGraphText() = default;

    // Splits Text into paragraphs at line feeds and wraps each to the width
    // of Bounds. A word wider than Bounds stays whole on a line of its own.
    void Layout();
    // Draws the lines that fit, with the scroll offset (sx, sy) when the block
    // does not fit; a line is never drawn partly at the bottom.
    void Draw(int32_t sx, int32_t sy);

    // The extra pixels a justified line puts after each of its gaps: extra /
    // gaps each, the first (extra mod gaps) one more.
    static int32_t GapShare(int32_t extra, int32_t gaps, int32_t gap);
    // Word characters are printable and not white space; everything else
    // separates words.
    static bool IsWordChar(char c) { return c > ' ' && c <= '~'; }

    TAString Text;
    TCanvas Canvas;
    TItems<TLine> Lines; // first line at index 1
    TRect Bounds;
    int32_t ExtentX = 0; // width of the widest line
    int32_t ExtentY = 0; // total height of all lines
    int32_t LineHeight = 0;

protected:
    // Width of a piece of text in the layout font.
    virtual int32_t MeasureWidth(const TMemStr& piece);
    // Height of a line of text in the layout font.
    virtual int32_t MeasureLineHeight();
    // Draws a piece with its top-left corner at (x, y) from the widget's origin.
    virtual void DrawPiece(int32_t x, int32_t y, const TMemStr& piece);

private:
    void LayoutParagraph(int begin, int end);
    void AddLine(int begin, int end, int32_t width, int32_t words, bool last);
    void DrawLine(const TLine& line, int32_t x, int32_t y);
};

} // namespace WLib
