// TText: a widget showing a block of word-wrapped, justified text, laid out
// once per text and scrolled vertically by its owner.
#pragma once

#include <cstdint>

#include "wlib/App.h"
#include "wlib/GraphText.h"
#include "wlib/base/AString.h"

namespace WLib {

class TText : public TApp {
public:
    // Lays the text out on the first paint after SetText, then draws it.
    void Paint() override;
    // Replaces the text; the next paint lays it out anew.
    void SetText(const TAString& text);

    uint32_t Colour = 0xFFFFFF; // RGB
    int32_t FontHeight = 18;
    TGraphText Layout;
    uint8_t LaidOut = 0;
    // Distance from the top-left of the laid-out text to the top-left of the
    // visible area, used only when the text does not fit.
    int32_t ScrollX = 0;
    int32_t ScrollY = 0;
};

} // namespace WLib
