// TMainMenu: the first screen, whose five buttons lead to the game type page,
// the options, the high scores, the help and out of the program.
#pragma once

#include "screens/SkinSet.h"
#include "screens/layout/PageLayout.h"
#include "wlib/IButton.h"
#include "wlib/ScrPage.h"
#include "wlib/ScrPages.h"

namespace WFourfall {

class TMainMenu : public WLib::TScrPage {
public:
    void Build(WLib::TScrPages* pages, const TSkinSet& skins);

    WLib::TIButton Buttons[kMenuButtonCount]; // game, options, high scores, help, exit
};

} // namespace WFourfall
