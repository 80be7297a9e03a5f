#include "screens/HighScore.h"

#include "rules/GameState.h"
#include "rules/GameTypes.h"
#include "rules/HiScores.h"
#include "screens/PageBuild.h"
#include "screens/layout/Captions.h"
#include "store/ReplayFolder.h"
#include "store/ScoreStorage.h"
#include "store/ScoreSubmit.h"

namespace WFourfall {

using namespace WLib;

std::string WorldPageAddress(const std::string& host, int32_t gameType, bool verified)
{
    std::string url = "http://" + host + kWorldPagePath;
    const int32_t online = GFourfall::OnlineType(gameType);
    if (online >= 0)
        url.back() = static_cast<char>('0' + online);
    return verified ? url + kWorldVerifiedView : url;
}

bool THighScore::HandleEvent(int32_t code, int32_t param)
{
    // A tab the keys lit on an earlier visit is no focus of this one.
    if (code == evShown)
        DropKeyFocus();
    for (int i = 0; i < 4; ++i) {
        if (code == Buttons[i].ClickCode) {
            Rules.HiScores.ShownType = kTabTypes[i];
            UpdateTabs();
        }
    }
    for (int i = 0; i < kHighScoreMoreTabCount; ++i) {
        if (code == MoreTabs[i].ClickCode) {
            Rules.HiScores.ShownType = kMoreTabTypes[i];
            UpdateTabs();
        }
    }
    if (code == evActivated)
        UpdateTabs();
    // The list follows the last game whenever the page comes up. The show
    // notice reaches the page (not its widgets), after the activation.
    if (code == evShown) {
        Rules.HiScores.ShownType = Rules.GameState.GameNum;
        UpdateTabs();
    }
    if (code == Buttons[4].ClickCode) {
        if (Services != nullptr && Services->Ask(kClearQuestion, Platform::TPreferredAnswer::No)) {
            ClearStoredScores(Rules.HiScores);
            ClearReplays();
            List.SetNotice(std::string());
        }
        Invalidate(this);
    }
    if (code == Buttons[5].ClickCode && Services != nullptr) {
        // A server the player named is one that verifies results by their
        // replays: its page opens on the verified ones, where a score typed
        // into a request by hand does not show. The designed default host
        // keeps the designed address.
        std::string named;
        const bool chosen = ChosenScoreServer(named);
        Services->OpenUrl(WorldPageAddress(chosen ? named : std::string(kDefaultScoreServer),
                                           Rules.HiScores.ShownType, chosen));
    }
    return TScrPage::HandleEvent(code, param);
}

void THighScore::UpdateTabs()
{
    for (int i = 0; i < 4; ++i)
        Buttons[i].Selected = Rules.HiScores.ShownType == kTabTypes[i];
    for (int i = 0; i < kHighScoreMoreTabCount; ++i)
        MoreTabs[i].Selected = Rules.HiScores.ShownType == kMoreTabTypes[i];
    Invalidate(this);
}

void THighScore::Build(TScrPages* pages, const TSkinSet& skins, const TGameServices& services)
{
    Services = &services;
    List.Services = &services;
    AttachPage(pages, this, skins.HighScorePlain);
    AttachWidgets(this, {&Buttons[0], &Buttons[1], &Buttons[2], &Buttons[3], &Buttons[4], &Buttons[5],
                         &Buttons[6], &List});
    for (int i = 0; i < kHighScoreButtonCount; ++i)
        PlaceAt(&Buttons[i], kHighScoreButtons[i]);
    PlaceAt(&List, kHighScoreList);
    AttachWidgets(this, {&MoreTabs[0], &MoreTabs[1], &MoreTabs[2], &MoreTabs[3], &MoreTabs[4], &NoticeLine});
    // Between the list's frame and the buttons.
    PlaceAt(&NoticeLine, kHighScoreNotice);
    NoticeLine.List = &List;
    List.NoticeView = &NoticeLine;
    for (int i = 0; i < kHighScoreMoreTabCount; ++i)
        PlaceAt(&MoreTabs[i], kHighScoreMoreTabs[i]);
    GiveButtonImages(skins.HighScorePlain, skins.HighScoreHigh,
                     {&MoreTabs[0], &MoreTabs[1], &MoreTabs[2], &MoreTabs[3], &MoreTabs[4]});
    GiveCaptions(kHighScoreMoreCaptions,
                 {&MoreTabs[0], &MoreTabs[1], &MoreTabs[2], &MoreTabs[3], &MoreTabs[4]});
    GiveButtonImages(
        skins.HighScorePlain, skins.HighScoreHigh,
        {&Buttons[0], &Buttons[1], &Buttons[2], &Buttons[3], &Buttons[4], &Buttons[5], &Buttons[6]});
    GiveCaptions(kHighScoreCaptions,
                 {&Buttons[0], &Buttons[1], &Buttons[2], &Buttons[3], &Buttons[4], &Buttons[5], &Buttons[6]});
    // A tab under the pointer or the keys keeps its look with the focus
    // rim: lit, it would look like the list shown.
    for (TIButton& b : MoreTabs)
        b.KeepLookWhenFocused();
    for (int i = 0; i < 4; ++i)
        Buttons[i].KeepLookWhenFocused();
    // The columns are in window pixels; the list draws from its own origin.
    const int32_t x = List.Rect.Left;
    const int32_t y = List.Rect.Top;
    List.RankRect = TRect(140, 213, 140 + 64, 213 + 20).Offset(-x, -y);
    List.RankStep = TPoint(2, 26);
    List.NameRect = TRect(260, 213, 260 + 213, 213 + 20).Offset(-x, -y);
    List.NameStep = TPoint(0, 26);
    List.ScoreRect = TRect(490, 213, 490 + 160, 213 + 20).Offset(-x, -y);
    List.ScoreStep = TPoint(-2, 26);
    // The tabs top row first, then the first row and the buttons below.
    for (TIButton& b : MoreTabs)
        NavOrder.push_back(&b);
    for (TIButton& b : Buttons)
        NavOrder.push_back(&b);
    NavBack = &Buttons[kHighScoreButtonCount - 1];
}

} // namespace WFourfall
