// The mouse cursor: an arrow whose tip is the top-left pixel. The picture is
// black where the cursor is transparent; the mask is black where it is opaque
// and white elsewhere, for drawing with AND then OR.
#pragma once

#include "tools/make-skins/Raster.h"

#include <vector>

namespace MakeSkins {

constexpr int kCursorSize = 32;

TRaster CursorPicture();
std::vector<bool> CursorMaskWhite(); // true where the mask is white (transparent)

} // namespace MakeSkins
