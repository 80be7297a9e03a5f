#include "wlib/Text.h"

namespace WLib {

void TText::SetText(const TAString& text)
{
    LaidOut = 0;
    Layout.Text = text;
    Invalidate(this);
}

void TText::Paint()
{
    if (Layout.Text.Length() == 0)
        return;
    if (LaidOut == 0) {
        // The layout gets its own font, fresh from the surface's font.
        Layout.Canvas.SetImpl(Canvas.Impl);
        Layout.Canvas.Font.SetHeight(FontHeight);
        Layout.Bounds = TRect(0, 0, Rect.Width(), Rect.Height());
        Layout.Layout();
        LaidOut = 1;
    }
    Layout.Canvas.SetTextColor(Colour);
    // The text follows the widget wherever it is now.
    Layout.Canvas.Area = Canvas.Area;
    Layout.Draw(ScrollX, ScrollY);
}

} // namespace WLib
