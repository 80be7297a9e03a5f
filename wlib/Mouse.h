// The shared pointer record and the cursor element that draws the game's own
// mouse cursor on top of everything.
#pragma once

#include <cstdint>

#include "wlib/App.h"
#include "wlib/graphics/Bitmap.h"

namespace WLib {

// The pointer position of the last window mouse event, in window client
// pixels; it stays where it was when the pointer leaves the window.
struct TMouseStat {
    int32_t X = 0;
    int32_t Y = 0;
};

// The cursor element. It is inserted into the page set before any page, so it
// is never in front; its Paint only posts the deferred draw, which the page
// set's PaintTree runs after the whole tree has been painted.
class TMouse : public TApp {
public:
    // Every pointer movement asks for one full repaint while the cursor is shown.
    bool HandleEvent(int32_t code, int32_t param) override;
    void Paint() override;
    // Draws the cursor at the pointer (its top-left pixel is the hot spot),
    // once per paint.
    void DrawCursor();

    TBitmap Image; // black where transparent
    TBitmap Mask;  // black where the image is opaque, white elsewhere
};

// The arrow drawn when the cursor picture is missing, its tip at (x, y) of
// the canvas's owner.
void DrawPlainArrow(TCanvas& canvas, int32_t x, int32_t y);

// The cursor draw handler: used only with evDraw, target a TMouse.
void CallDrawCursor(TEvent* event);

} // namespace WLib
