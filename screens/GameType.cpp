#include "screens/GameType.h"

#include "rules/GameTypes.h"

#include "screens/PageBuild.h"
#include "screens/layout/Captions.h"

namespace WFourfall {

using namespace WLib;

const char* const kGameTypeTexts[4] = {
    "                 Fourfall\n\n    Fourfall is an exciting action game. Wreck your brain to solve this "
    "entertaining puzzle!",
    "                   Fivefall\n\n    Fivefall is a popular variation of Fourfall that uses pieces of "
    "different "
    "shapes. It may be considered more challenging than good old Fourfall.",
    "             Colour Fourfall\n\n    Colour Fourfall changes Fourfall in that when three or more tiles "
    "of the "
    "same color in a multicoloured blocks touch in any direction they eliminate themselves.",
    "              Crazy Fourfall\n\n    Crazy Fourfall is extremely interesting replica of Fourfall with "
    "unique "
    "shapes that both the classical Fourfall do not have.",
};

const int32_t kGameTypeGames[4] = {GFourfall::kGameFourfall, GFourfall::kGameFivefall,
                                   GFourfall::kGameColorFourfall, GFourfall::kGameCrazyFourfall};

bool TGameType::HandleEvent(int32_t code, int32_t param)
{
    for (int i = 0; i < 4; ++i) {
        if (Buttons[i].HoverCode != 0 && code == Buttons[i].HoverCode) {
            Description.SetText(kGameTypeTexts[i]);
            Demo.Show(kGameTypeGames[i]);
            break;
        }
    }
    if (code == evActivated)
        Demo.Start();
    if (code == evShown && Services != nullptr)
        Services->WantSeeds({kGameTypeGames[0], kGameTypeGames[1], kGameTypeGames[2], kGameTypeGames[3]});
    if (code == evDeactivated)
        Demo.Stop();
    return TScrPage::HandleEvent(code, param);
}

void TGameType::Build(TScrPages* pages, const TSkinSet& skins)
{
    AttachPage(pages, this, skins.GameTypePlain);
    AttachWidgets(
        this, {&Buttons[0], &Buttons[1], &Buttons[2], &Buttons[3], &Buttons[4], &Description, &More, &Demo});
    PlaceAt(&Demo, kGameTypeDemo);
    Demo.Balls = skins.Balls;
    Demo.Specials = skins.Specials;
    // The first type's game until the pointer or the keys choose another.
    Demo.Show(kGameTypeGames[0]);
    for (int i = 0; i < kGameTypeButtonCount; ++i)
        PlaceAt(&Buttons[i], kGameTypeButtons[i]);
    PlaceAt(&Description, kGameTypeDescription);
    PlaceAt(&More, kGameTypeMore);
    GiveButtonImages(skins.GameTypePlain, skins.GameTypeHigh,
                     {&Buttons[0], &Buttons[1], &Buttons[2], &Buttons[3], &Buttons[4], &More});
    GiveCaptions(kGameTypeCaptions, {&Buttons[0], &Buttons[1], &Buttons[2], &Buttons[3], &Buttons[4]});
    GiveCaptions(&kGameTypeMoreCaption, {&More});
    for (int i = 0; i < 4; ++i)
        Buttons[i].HoverCode = NewId();
    // The bottom row left to right: Back, then More Games.
    NavOrder = {&Buttons[0], &Buttons[1], &Buttons[2], &Buttons[3], &Buttons[4], &More};
    NavBack = &Buttons[4];
}

} // namespace WFourfall
