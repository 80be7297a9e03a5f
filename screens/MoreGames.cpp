#include "screens/MoreGames.h"

#include "rules/GameTypes.h"
#include "screens/PageBuild.h"
#include "screens/layout/Captions.h"

namespace WFourfall {

using namespace WLib;
using namespace GFourfall;

const int32_t kMoreGamesTypes[kMoreGamesTypeCount] = {
    kGameKidsFourfall, kGameKidsFivefall, kGameCrazyFivefall, kGameGrandFourfall, kGameGrandFivefall};

// Like the first page's, the title is centred by the blanks before it.
const char* const kMoreGamesTexts[kMoreGamesTypeCount] = {
    "              Kids Fourfall\n\n    Kids Fourfall mixes little pieces of one, two and three cells in "
    "with the usual ones. They mend the gaps: a gentle start for young players.",
    "               Kids Fivefall\n\n    Kids Fivefall puts the little pieces among the big five-cell "
    "ones: big shapes to place, small ones to mend the holes they leave.",
    "             Crazy Fivefall\n\n    Crazy Fivefall throws every shape there is at you, the crazy ones "
    "whose cells touch only at the corners too. The hardest game of all.",
    "             Grand Fourfall\n\n    Fourfall with two special pieces: the light creator fills the "
    "lowest hole below it, the dark destroyer breaks the block below it. Up, Down or Ctrl uses them.",
    "              Grand Fivefall\n\n    The five-cell game with the creator and the destroyer. Press Up, "
    "Down or Ctrl to fill the lowest hole or to break the block below them.",
};

bool TMoreGames::HandleEvent(int32_t code, int32_t param)
{
    for (int i = 0; i < kMoreGamesTypeCount; ++i) {
        if (Buttons[i].HoverCode != 0 && code == Buttons[i].HoverCode) {
            Description.SetText(kMoreGamesTexts[i]);
            Demo.Show(kMoreGamesTypes[i]);
            break;
        }
    }
    if (code == evActivated)
        Demo.Start();
    if (code == evShown && Services != nullptr)
        Services->WantSeeds({kMoreGamesTypes[0], kMoreGamesTypes[1], kMoreGamesTypes[2], kMoreGamesTypes[3],
                             kMoreGamesTypes[4]});
    if (code == evDeactivated)
        Demo.Stop();
    return TScrPage::HandleEvent(code, param);
}

void TMoreGames::Build(TScrPages* pages, const TSkinSet& skins)
{
    AttachPage(pages, this, skins.MoreGamesPlain);
    AttachWidgets(this, {&Buttons[0], &Buttons[1], &Buttons[2], &Buttons[3], &Buttons[4], &Buttons[5],
                         &Description, &Demo});
    for (int i = 0; i < kMoreGamesButtonCount; ++i)
        PlaceAt(&Buttons[i], kMoreGamesButtons[i]);
    PlaceAt(&Description, kMoreGamesDescription);
    PlaceAt(&Demo, kMoreGamesDemo);
    Demo.Balls = skins.Balls;
    Demo.Specials = skins.Specials;
    // The first type's game until the pointer or the keys choose another.
    Demo.Show(kMoreGamesTypes[0]);
    GiveButtonImages(skins.MoreGamesPlain, skins.MoreGamesHigh,
                     {&Buttons[0], &Buttons[1], &Buttons[2], &Buttons[3], &Buttons[4], &Buttons[5]});
    GiveCaptions(kMoreGamesCaptions,
                 {&Buttons[0], &Buttons[1], &Buttons[2], &Buttons[3], &Buttons[4], &Buttons[5]});
    for (int i = 0; i < kMoreGamesTypeCount; ++i)
        Buttons[i].HoverCode = NewId();
    for (TIButton& b : Buttons)
        NavOrder.push_back(&b);
    NavBack = &Buttons[kMoreGamesButtonCount - 1];
}

} // namespace WFourfall
