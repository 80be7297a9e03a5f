// TScrPage: one full-window screen. A page is shown exactly while it is on the
// active chain: activation posts the show request, deactivation the hide.
#pragma once

#include <vector>

#include "wlib/App.h"
#include "wlib/graphics/Bitmap.h"
#include "wlib/graphics/Canvas.h"

namespace WLib {

class TIButton;

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

    // Play without a mouse. A page declares once which of its buttons the
    // highlight walks through and in what order, and the button that goes
    // back; then, while it is the front page, the arrow keys and the pad's
    // D-pad move the highlight (Down and Right forward, Up and Left back,
    // round at the ends), Enter, Space and the pad's A press the highlighted
    // button, Escape and the pad's B or Back press the back button. The
    // highlight is the buttons' hover: the mouse moves the same one. Coming
    // back to a page, the button that left it is still lit (unless the
    // pointer now lights another).
    std::vector<TIButton*> NavOrder;
    TIButton* NavBack = nullptr;
    // The highlighted button of NavOrder, -1 when none is lit.
    int NavIndex() const;
    // Lights button i of NavOrder alone (-1: none), as the pointer does.
    // The button the keys lit goes dark unless the pointer is on it (a page
    // that should not greet a later visit with an old focus).
    void DropKeyFocus();
    void Highlight(int i);

private:
    // One key of the navigation; true when it did something.
    bool Navigate(int32_t key);
};

} // namespace WLib
