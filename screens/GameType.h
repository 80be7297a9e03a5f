// TGameType: the choice of the game type. Four buttons start a game of their
// type; the pointer over one of them shows its description; the fifth button
// leads back to the main menu and one more to the further game types.
#pragma once

#include "screens/SkinSet.h"
#include "screens/layout/PageLayout.h"
#include "wlib/IButton.h"
#include "wlib/ScrPage.h"
#include "wlib/ScrPages.h"
#include "wlib/Text.h"

namespace WFourfall {

// The descriptions of the four offered game types, in button order.
extern const char* const kGameTypeTexts[4];

class TGameType : public WLib::TScrPage {
public:
    // Shows the description of the game button the pointer entered.
    bool HandleEvent(int32_t code, int32_t param) override;
    void Build(WLib::TScrPages* pages, const TSkinSet& skins);

    WLib::TIButton Buttons[kGameTypeButtonCount]; // Fourfall, Fivefall, Colour Fourfall, Crazy Fourfall, back
    WLib::TText Description;
    WLib::TIButton More; // to the page of the further game types
};

} // namespace WFourfall
