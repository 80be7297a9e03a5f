// TMoreGames: the further game types, reached from the game type page and
// laid out like it. Five buttons start a game of their type; the pointer over
// one of them (or the keys lighting it) shows its description and such a
// game going on in the little well; the sixth button leads back to the game type page.
#pragma once

#include <cstdint>

#include "screens/GameServices.h"
#include "screens/SkinSet.h"
#include "screens/WDemo.h"
#include "screens/layout/PageLayout.h"
#include "wlib/IButton.h"
#include "wlib/ScrPage.h"
#include "wlib/ScrPages.h"
#include "wlib/Text.h"

namespace WFourfall {

constexpr int kMoreGamesTypeCount = kMoreGamesButtonCount - 1;
// The game numbers the buttons start, in button order: Kids Fourfall, Kids
// Fivefall, Crazy Fivefall, Grand Fourfall, Grand Fivefall.
extern const int32_t kMoreGamesTypes[kMoreGamesTypeCount];
// Their descriptions, in button order.
extern const char* const kMoreGamesTexts[kMoreGamesTypeCount];

class TMoreGames : public WLib::TScrPage {
public:
    explicit TMoreGames(const TOptions& options) : Demo(options) {}
    // Shows the description and the picture of the game button the pointer entered.
    bool HandleEvent(int32_t code, int32_t param) override;
    void Build(WLib::TScrPages* pages, const TSkinSet& skins);

    WLib::TIButton Buttons[kMoreGamesButtonCount]; // the five game types, then back
    WLib::TText Description;
    TWDemo Demo;
    // Shown, the page asks the server named for the seeds of its games.
    const TGameServices* Services = nullptr;
};

} // namespace WFourfall
