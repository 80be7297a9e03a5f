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
    // Copies the whole background picture to the page's origin.
    void Paint() override;

    TBitmap Background; // the page's full-window skin
};

} // namespace WLib
