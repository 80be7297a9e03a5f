// TScrPage: one full-window screen. A page is shown exactly while it is on the
// active chain: activation posts the show request, deactivation the hide.
#pragma once

#include "wlib/App.h"
#include "wlib/graphics/Bitmap.h"
#include "wlib/graphics/Canvas.h"

namespace WLib {

class TScrPage : public TApp {
public:
    TScrPage();

    bool HandleEvent(int32_t code, int32_t param) override;
    // Copies the whole background picture to the page's origin; where the
    // picture is missing or too small to cover the page, the page's colour.
    void Paint() override;
    // True when the background picture covers the rectangle (page pixels).
    bool BackgroundCovers(const TRect& rect) const;

    TBitmap Background;         // the page's full-window skin
    uint32_t Colour = 0x240F0A; // 0x00BBGGRR, shown where the skin is missing
};

} // namespace WLib
