#include "screens/GameFourfall.h"

#include "rules/Options.h"
#include "screens/PageBuild.h"
#include "screens/layout/Captions.h"

namespace WFourfall {

using namespace WLib;

namespace {

constexpr uint32_t kPlayColour = 0x0F0705; // 0x00BBGGRR: the well's dark blue
constexpr int kHeadingWeight = 700;

} // namespace

TGameFourfall::~TGameFourfall() = default;

void TGameFourfall::Build(TScrPages* pages, TSkinSet& skins, const TGameServices& services)
{
    TApp::Insert(this, pages);
    // The board goes last: as the page's front child it is on the active
    // chain and hears its page being left.
    AttachWidgets(this, {&Button, &Next, &Answer, &Ghost, &Board});
    for (int i = 0; i < sndCount; ++i) {
        const std::string path = services.Path(kEffectFiles[i]);
        services.NoteDataFile(path, Board.Sounds[i].LoadOnFirstPlay(path.c_str()) >= 0);
    }
    Background = skins.PlayPlain;
    PlayHigh = skins.PlayHigh;
    PlaceAt(&Board, kPlayBoard);
    PlaceAt(&Next, kPlayPreview);
    PlaceAt(&Answer, kPlayScorePanel);
    PlaceAt(&Button, kPlayMenuButton);
    PlaceAt(&Ghost, kPlayGhostPanel);
    Answer.LayOut();
    Board.Services = &services;
    Board.Balls = skins.Balls;
    Next.Balls = skins.Balls;
    Ghost.Balls = skins.Balls;
    Ghost.Board = &Board;
    Board.GhostView = &Ghost;
    Board.Specials = skins.Specials;
    Next.Specials = skins.Specials;
    GiveButtonImages(skins.PlayPlain, skins.PlayHigh, {&Button});
    GiveCaptions(&kPlayCaption, {&Button});
    // Without its picture the page stays as dark as the well.
    Colour = kPlayColour;
    // The arrows and Enter belong to the game here: only the way back.
    NavBack = &Button;
}

void TGameFourfall::Paint()
{
    TScrPage::Paint();
    if (Board.Rules.Options.ZNextFig == 0) {
        const TBox& area = kPlayPreviewArea;
        const TRect source(area.X, area.Y, area.Right(), area.Bottom());
        const TSize size = PlayHigh.IsEmpty() ? TSize() : PlayHigh.GetSize();
        if (size.Width >= source.Right && size.Height >= source.Bottom)
            Canvas.Draw(PlayHigh, kRopSrcCopy, area.X, area.Y, source);
        return;
    }
    const TBox& h = kPlayPreviewHeading;
    Canvas.SetTextColor(PlayLabelColour(Board.Rules.Options));
    Canvas.GetFont().SetHeight(kPlayHeadingHeight);
    Canvas.GetFont().SetWeight(kHeadingWeight);
    Canvas.DrawTextInRect(0, TRect(h.X, h.Y, h.Right(), h.Bottom()), "Next");
}

} // namespace WFourfall
