// Caption text for the skins, drawn by the platform's own text layer
// (Liberation Sans through our FreeType and fontconfig code) and read back as
// a coverage mask, so that the generator can fill, outline and light it.
#pragma once

#include "tools/make-skins/Raster.h"

#include <string>

namespace MakeSkins {

// A mask as wide as the text's advance plus a small margin on each side
// (kCaptionMargin) and as high as the font's cell (`height` pixels).
TMask CaptionMask(const std::string& text, int height, bool bold);

constexpr int kCaptionMargin = 4;

} // namespace MakeSkins
