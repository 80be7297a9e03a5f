#include "wlib/GraphText.h"

namespace WLib {

namespace {

const char kLineFeed = 10;

} // namespace

int32_t TGraphText::GapShare(int32_t extra, int32_t gaps, int32_t gap)
{
    if (gaps <= 0)
        return 0;
    return extra / gaps + (gap < extra % gaps ? 1 : 0);
}

void TGraphText::Layout()
{
    LineHeight = MeasureLineHeight();
    ExtentX = ExtentY = 0;
    Lines.Clear();
    const char* text = Text.Text();
    int length = Text.Length();
    int begin = 0;
    for (int i = 0; i < length; ++i) {
        if (text[i] == kLineFeed) {
            LayoutParagraph(begin, i);
            begin = i + 1;
        }
    }
    // Text after the last line feed counts only when there is some.
    if (begin < length)
        LayoutParagraph(begin, length);
}

void TGraphText::AddLine(int begin, int end, int32_t width, int32_t words, bool last)
{
    TLine line;
    line.Text = TMemStr(Text.Text() + begin, end - begin);
    line.Width = width;
    line.Words = words;
    line.Last = last ? 1 : 0;
    Lines.Add(line);
    ExtentY += LineHeight;
    if (width > ExtentX)
        ExtentX = width;
}

void TGraphText::LayoutParagraph(int begin, int end)
{
    if (begin == end) {
        AddLine(begin, begin, 0, 0, true);
        return;
    }
    const char* text = Text.Text();
    const int32_t limit = Bounds.Right - Bounds.Left;
    int lineStart = begin;
    int p = begin;   // where the next piece starts
    int cut = begin; // end of the last word on the line
    int32_t width = 0;
    int32_t words = 0;
    for (;;) {
        int wordStart = p;
        while (wordStart < end && !IsWordChar(text[wordStart]))
            ++wordStart;
        if (wordStart == end) {
            // Only separators remain: they close the paragraph.
            AddLine(lineStart, end, width, words, true);
            return;
        }
        int wordEnd = wordStart;
        while (wordEnd < end && IsWordChar(text[wordEnd]))
            ++wordEnd;
        int32_t pieceWidth = MeasureWidth(TMemStr(text + p, wordEnd - p));
        if (width + pieceWidth <= limit) {
            width += pieceWidth;
            ++words;
            p = cut = wordEnd;
            if (wordEnd == end) {
                AddLine(lineStart, end, width, words, true);
                return;
            }
            continue;
        }
        if (words == 0) {
            // Nothing on the line yet: the word goes on it however wide it is.
            width += pieceWidth;
            words = 1;
            cut = wordEnd;
        }
        int next = cut;
        while (next < end && !IsWordChar(text[next]))
            ++next;
        // A line after which nothing but separators follows ends its paragraph.
        AddLine(lineStart, cut, width, words, next == end);
        if (next == end)
            return;
        lineStart = p = cut = next;
        width = words = 0;
    }
}

void TGraphText::Draw(int32_t sx, int32_t sy)
{
    const int32_t width = Bounds.Right - Bounds.Left;
    const int32_t height = Bounds.Bottom - Bounds.Top;
    int32_t x, y;
    if (height >= ExtentY) {
        // Everything fits: centred both ways, the scroll offset plays no part.
        x = (width - ExtentX) / 2;
        y = (height - ExtentY) / 2;
    } else if (width >= ExtentX) {
        x = (width - ExtentX) / 2;
        y = -sy;
    } else {
        x = -sx;
        y = -sy;
    }
    for (int i = 1; i <= Lines.High(); ++i) {
        const TLine& line = Lines[i];
        if (y + LineHeight > height)
            break;
        if (y + LineHeight > 0)
            DrawLine(line, x, y);
        y += LineHeight;
    }
}

void TGraphText::DrawLine(const TLine& line, int32_t x, int32_t y)
{
    int32_t extra = ExtentX - line.Width;
    if (line.Last != 0 || extra < 1 || line.Words < 2) {
        DrawPiece(x, y, line.Text);
        return;
    }
    // Justified to the widest line: the pieces, each with the separators
    // before it, are spread over the extra pixels.
    const char* text = line.Text.Ptr();
    const int length = line.Text.Length();
    const int32_t gaps = line.Words - 1;
    int p = 0;
    for (int32_t gap = 0; p < length; ++gap) {
        int wordEnd = p;
        while (wordEnd < length && !IsWordChar(text[wordEnd]))
            ++wordEnd;
        while (wordEnd < length && IsWordChar(text[wordEnd]))
            ++wordEnd;
        TMemStr piece(text + p, wordEnd - p);
        DrawPiece(x, y, piece);
        x += MeasureWidth(piece) + GapShare(extra, gaps, gap);
        p = wordEnd;
    }
}

int32_t TGraphText::MeasureWidth(const TMemStr& piece)
{
    return Canvas.Font.TextExtent(Canvas, piece).Width;
}

int32_t TGraphText::MeasureLineHeight()
{
    return Canvas.Font.TextExtent(Canvas, TMemStr("(W/")).Height;
}

void TGraphText::DrawPiece(int32_t x, int32_t y, const TMemStr& piece)
{
    Canvas.Font.TextOut(Canvas, Canvas.Area.Left + x, Canvas.Area.Top + y, piece);
}

} // namespace WLib
