// TGameType: the choice of the game type. Four buttons start a game of their
// type; the pointer over one of them (or the keys lighting it) shows its
// description and such a game going on in the little well; the fifth button
// leads back to the main menu and one more to the further game types.
#pragma once

#include "screens/GameServices.h"
#include "screens/SkinSet.h"
#include "screens/WDemo.h"
#include "screens/layout/PageLayout.h"
#include "wlib/IButton.h"
#include "wlib/ScrPage.h"
#include "wlib/ScrPages.h"
#include "wlib/Text.h"

namespace WFourfall {

// The descriptions of the four offered game types, in button order.
extern const char* const kGameTypeTexts[4];
// The game numbers of the four buttons, in button order.
extern const int32_t kGameTypeGames[4];

class TGameType : public WLib::TScrPage {
public:
    explicit TGameType(const TOptions& options) : Demo(options) {}
    // Shows the description of the game button the pointer entered.
    bool HandleEvent(int32_t code, int32_t param) override;
    void Build(WLib::TScrPages* pages, const TSkinSet& skins);

    WLib::TIButton Buttons[kGameTypeButtonCount]; // Fourfall, Fivefall, Colour Fourfall, Crazy Fourfall, back
    WLib::TText Description;
    WLib::TIButton More; // to the page of the further game types
    TWDemo Demo;
    // Shown, the page asks the server named for the seeds of its games.
    const TGameServices* Services = nullptr;
};

} // namespace WFourfall
