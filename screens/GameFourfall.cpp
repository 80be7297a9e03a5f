#include "screens/GameFourfall.h"

#include "screens/PageBuild.h"
#include "screens/layout/Captions.h"

namespace WFourfall {

using namespace WLib;

namespace {

constexpr uint32_t kPlayColour = 0x0F0705; // 0x00BBGGRR: the well's dark blue

} // namespace

TGameFourfall::~TGameFourfall() = default;

void TGameFourfall::Build(TScrPages* pages, TSkinSet& skins, const TGameServices& services)
{
    TApp::Insert(this, pages);
    // The board goes last: as the page's front child it is on the active
    // chain and hears its page being left.
    AttachWidgets(this, {&Button, &Next, &Answer, &Board});
    for (int i = 0; i < sndCount; ++i)
        Board.Sounds[i].Load(services.Path(kEffectFiles[i]).c_str());
    Background = skins.PlayPlain;
    PlaceAt(&Board, kPlayBoard);
    PlaceAt(&Next, kPlayPreview);
    PlaceAt(&Answer, kPlayScorePanel);
    PlaceAt(&Button, kPlayMenuButton);
    Answer.LayOut();
    Board.Services = &services;
    Board.Balls = skins.Balls;
    Next.Balls = skins.Balls;
    Board.Specials = skins.Specials;
    Next.Specials = skins.Specials;
    GiveButtonImages(skins.PlayPlain, skins.PlayHigh, {&Button});
    GiveCaptions(&kPlayCaption, {&Button});
    // Without its picture the page stays as dark as the well.
    Colour = kPlayColour;
    // The arrows and Enter belong to the game here: only the way back.
    NavBack = &Button;
}

} // namespace WFourfall
