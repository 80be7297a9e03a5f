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

void TMouse::DrawCursor()
{
    TScrPages* pages = Pages;
    if (pages == nullptr || pages->CursorDrawn != 0)
        return;
    pages->CursorDrawn = 1;
    // Black text colour: what a one-bit mask's set bits become on a colour surface.
    pages->Canvas.SetTextColor(0);
    TSize size = Image.GetSize();
    // Without a picture there is nothing to draw: the mask alone would leave a
    // black silhouette.
    if (size.Width <= 0 || size.Height <= 0)
        return;
    TRect source(0, 0, size.Width, size.Height);
    pages->Canvas.Draw(Mask, kRopSrcAnd, pages->Mouse.X, pages->Mouse.Y, source);
    pages->Canvas.Draw(Image, kRopSrcPaint, pages->Mouse.X, pages->Mouse.Y, source);
}

} // namespace WLib
