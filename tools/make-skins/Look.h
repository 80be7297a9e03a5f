// The visual vocabulary shared by all skins: backdrops, titles, button
// plates in their plain and lit states, framed panels and the falling-block
// motif.
#pragma once

#include "tools/make-skins/Raster.h"

#include <string>

namespace MakeSkins {

// Colours of a button plate: gradient top and bottom, rim, caption.
struct TPlateColors {
    TColor Top, Bottom, Rim, Text;
};

struct TTheme {
    TPlateColors Plain, Lit;
    TColor Glow;
    double Radius = 14;
};

// The menu pages' look: teal plates that light up in gold.
const TTheme& MenuTheme();

// Caption text centred in `r`, with a soft shadow; shrinks the font until
// the text fits the width less `padding` on each side.
void Caption(TRaster& r, TBox box, const std::string& text, int height, bool bold, TColor color,
             int padding = 6, double shadow = 0.85);
// A big title: warm gradient letters with a dark outline, shadow and glow.
void Title(TRaster& r, const std::string& text, int centreX, int top, int height);

// A button plate inset `inset` pixels inside `box`, plain or lit, with its caption.
void Plate(TRaster& r, TBox box, const std::string& text, int textHeight, bool lit, const TTheme& theme,
           int inset = 4, bool bold = true, int padding = 6);

// A dark, framed panel around `inner`; the frame lies outside it by `pad`.
void Panel(TRaster& r, TBox inner, int pad, TColor ground, TColor frame, double groundAlpha = 0.85);

// The menu pages' backdrop: night gradient, soft light, drifting blocks.
void MenuBackdrop(TRaster& r, uint32_t seed);

// One bevelled block cell of `size` pixels at (x, y) in `color`.
void BlockCell(TRaster& r, double x, double y, double size, TColor color, double alpha = 1);
// A four-cell figure (shape 0 to 6) of bevelled cells.
void Figure(TRaster& r, int shape, double x, double y, double cell, TColor color, double alpha = 1);

// The seven cell colours, colour number 1 to 7 at index 0 to 6.
TColor CellColor(int index);

} // namespace MakeSkins
