// THelp: the help text, read once at start, scrolled by whole lines with two
// buttons, the arrow keys, Page Up and Page Down, Home and End and the mouse
// wheel; a third button leads back to the main menu.
#pragma once

#include <cstdint>

#include "screens/GameServices.h"
#include "screens/SkinSet.h"
#include "wlib/IButton.h"
#include "wlib/ScrPage.h"
#include "wlib/ScrPages.h"
#include "wlib/Text.h"

namespace WFourfall {

class THelp : public WLib::TScrPage {
public:
    bool HandleEvent(int32_t code, int32_t param) override;
    void Build(WLib::TScrPages* pages, const TSkinSet& skins, const TGameServices& services);

    // Scrolling by three quarters of the visible height, rounded toward the
    // top to whole lines; down stops where the last line is at the bottom.
    // The buttons', and Page Down's and Page Up's.
    void ScrollDown();
    void ScrollUp();
    // By whole lines (down when positive), held to the text: from its first
    // line at the top to its last line at the bottom.
    void ScrollLines(int32_t lines);

    WLib::TIButton Up;   // button 1
    WLib::TIButton Down; // button 2
    WLib::TIButton Back; // button 3
    WLib::TText Text;
};

} // namespace WFourfall
