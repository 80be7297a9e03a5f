#include "wlib/Mouse.h"

#include "wlib/ScrPage.h"
#include "wlib/ScrPages.h"

namespace WLib {

void CallDrawCursor(TEvent* event)
{
    static_cast<TMouse*>(event->Target)->DrawCursor();
}

bool TMouse::HandleEvent(int32_t code, int32_t param)
{
    if (code == evRawMouseMove && Shown())
        Invalidate(this);
    return TApp::HandleEvent(code, param);
}

void TMouse::Paint()
{
    Post(this, evDraw, 0, CallDrawCursor, this);
}

void DrawPlainArrow(TCanvas& canvas, int32_t x, int32_t y)
{
    constexpr uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF;
    constexpr int32_t kHead = 12, kStem = 5;
    // A white arrow with a black rim, its tip at (x, y).
    for (int32_t r = 0; r < kHead; ++r) {
        canvas.FillRect(TRect(x, y + r, x + r + 1, y + r + 1), kBlack);
        if (r >= 2 && r < kHead - 1)
            canvas.FillRect(TRect(x + 1, y + r, x + r, y + r + 1), kWhite);
    }
    for (int32_t r = kHead; r < kHead + kStem; ++r) {
        canvas.FillRect(TRect(x + 4, y + r, x + 9, y + r + 1), kBlack);
        if (r < kHead + kStem - 1)
            canvas.FillRect(TRect(x + 5, y + r, x + 8, y + r + 1), kWhite);
    }
}

void TMouse::DrawCursor()
{
    TScrPages* pages = Pages;
    if (pages == nullptr || pages->CursorDrawn != 0)
        return;
    pages->CursorDrawn = 1;
    // Black text colour: what a one-bit mask's set bits become on a colour surface.
    pages->Canvas.SetTextColor(0);
    TSize size = Image.GetSize();
    // Without a picture (missing or damaged) a plain arrow stands in: the
    // system cursor is hidden, and a pointer nobody sees leaves the mouse
    // useless. The mask alone would leave a black silhouette.
    if (size.Width <= 0 || size.Height <= 0) {
        DrawPlainArrow(pages->Canvas, pages->Mouse.X, pages->Mouse.Y);
        return;
    }
    TRect source(0, 0, size.Width, size.Height);
    pages->Canvas.Draw(Mask, kRopSrcAnd, pages->Mouse.X, pages->Mouse.Y, source);
    pages->Canvas.Draw(Image, kRopSrcPaint, pages->Mouse.X, pages->Mouse.Y, source);
}

} // namespace WLib
