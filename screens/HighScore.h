// THighScore: the local high scores of one game type at a time, with a tab
// for each of the nine (the first four, then a second row of five), clearing
// the table, the world high-score page in the browser and the
// way back to the main menu.
#pragma once

#include <cstdint>
#include <string>

#include "screens/GameServices.h"
#include "screens/SkinSet.h"
#include "screens/WHScore.h"
#include "screens/layout/PageLayout.h"
#include "wlib/IButton.h"
#include "wlib/ScrPage.h"
#include "wlib/ScrPages.h"

namespace WFourfall {

// Clear empties every list, whichever tab is shown, and removes every replay:
// the question says so.
constexpr const char* kClearQuestion = "Clear all nine lists and their replays?";
// The world high-score page; its last character becomes the online type.
constexpr const char* kWorldPagePath = "/cgi/version.pl?prg=Tumbltwn&show&type=0";

// The page's view of the results the server verified by their replays.
constexpr const char* kWorldVerifiedView = "&verified";

// The address of the world high-score page of a game type on a server
// ("host" or "host:port"); verified: its verified view, which links to all
// results.
std::string WorldPageAddress(const std::string& host, int32_t gameType, bool verified = false);

class THighScore : public WLib::TScrPage {
public:
    static constexpr int32_t kTabTypes[4] = {0, 1, 8, 4};
    // The second row: Kids Fourfall, Kids Fivefall, Crazy Fivefall, Grand
    // Fourfall, Grand Fivefall.
    static constexpr int32_t kMoreTabTypes[kHighScoreMoreTabCount] = {2, 3, 5, 6, 7};

    explicit THighScore(GFourfall::TRules& rules) : List(rules), Rules(rules) {}
    bool HandleEvent(int32_t code, int32_t param) override;
    void Build(WLib::TScrPages* pages, const TSkinSet& skins, const TGameServices& services);
    // Selects the tab of the shown type and repaints.
    void UpdateTabs();

    // 1-4 the tabs, 5 clear, 6 world page, 7 back to the menu.
    WLib::TIButton Buttons[kHighScoreButtonCount];
    TWHScore List;
    WLib::TIButton MoreTabs[kHighScoreMoreTabCount];
    TWNotice NoticeLine;
    const TGameServices* Services = nullptr;
    // The game whose table is shown.
    GFourfall::TRules& Rules;
};

} // namespace WFourfall
