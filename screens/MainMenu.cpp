#include "screens/MainMenu.h"

#include "screens/PageBuild.h"
#include "screens/layout/Captions.h"

namespace WFourfall {

using namespace WLib;

void TMainMenu::Build(TScrPages* pages, const TSkinSet& skins)
{
    AttachPage(pages, this, skins.MenuPlain);
    AttachWidgets(this, {&Buttons[0], &Buttons[1], &Buttons[2], &Buttons[3], &Buttons[4]});
    for (int i = 0; i < 5; ++i)
        PlaceAt(&Buttons[i], kMenuButtons[i]);
    GiveButtonImages(skins.MenuPlain, skins.MenuHigh,
                     {&Buttons[0], &Buttons[1], &Buttons[2], &Buttons[3], &Buttons[4]});
    GiveCaptions(kMenuCaptions, {&Buttons[0], &Buttons[1], &Buttons[2], &Buttons[3], &Buttons[4]});
    Buttons[4].ClickCode = evQuit;
    // Nothing to go back to: Escape does not quit the game by accident.
    NavOrder = {&Buttons[0], &Buttons[1], &Buttons[2], &Buttons[3], &Buttons[4]};
}

} // namespace WFourfall
