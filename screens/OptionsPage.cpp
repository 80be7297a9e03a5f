#include "screens/OptionsPage.h"

#include "rules/Options.h"
#include "screens/PageBuild.h"
#include "screens/layout/Captions.h"
#include "store/OptionsStorage.h"

namespace WFourfall {

using namespace WLib;

namespace {

int32_t Not(int32_t v)
{
    return v == 0 ? 1 : 0;
}

} // namespace

bool TOptionsPage::HandleEvent(int32_t code, int32_t param)
{
    ::TOptions& o = Rules.Options;
    int hit = 0; // 1-based button number, 0 for none
    for (int i = 0; i < kButtonCount - 1 && hit == 0; ++i)
        if (code == Buttons[i].ClickCode)
            hit = i + 1;
    switch (hit) {
    case 1:
        o.ZPlayMusic = Not(o.ZPlayMusic);
        break;
    case 2:
        o.ZPlayMusic = 1;
        break;
    case 3:
        o.ZPlayMusic = 0;
        break;
    case 4:
        o.ZPlaySound = Not(o.ZPlaySound);
        break;
    case 5:
        o.ZPlaySound = 1;
        break;
    case 6:
        o.ZPlaySound = 0;
        break;
    case 7:
        o.BackRound = (o.BackRound + 1) % 3;
        break;
    case 8:
    case 9:
    case 10:
        o.BackRound = hit - 8;
        break;
    case 11:
        o.ZNextFig = Not(o.ZNextFig);
        break;
    case 12:
        o.ZNextFig = 1;
        break;
    case 13:
        o.ZNextFig = 0;
        break;
    default:
        break;
    }
    for (int i = 0; i < kOptionsShadowButtonCount; ++i) {
        if (code == ShadowButtons[i].ClickCode) {
            o.ZShadow = i == 0 ? Not(o.ZShadow) : i == 1 ? 1 : 0;
            Sync();
        }
    }
    if (hit >= 1 && hit <= 3) {
        Sync();
        Post(this, MusicChangedId, 0, CallDispatch, nullptr);
    } else if (hit >= 7 && hit <= 10) {
        if (Skins != nullptr && Services != nullptr)
            LoadPlayBackground(*Skins, *Services, Rules.Options);
        Sync();
    } else if (hit != 0) {
        Sync();
    }
    return TScrPage::HandleEvent(code, param);
}

void TOptionsPage::Build(TScrPages* pages, TSkinSet& skins, const TGameServices& services)
{
    Skins = &skins;
    Services = &services;
    AttachPage(pages, this, skins.OptionsPlain);
    for (TIButton& b : Buttons)
        Insert(&b, this);
    for (int i = 0; i < kButtonCount; ++i) {
        PlaceAt(&Buttons[i], kOptionsButtons[i]);
        GiveButtonImages(skins.OptionsPlain, skins.OptionsHigh, {&Buttons[i]});
        Buttons[i].Caption = kOptionsCaptions[i];
    }
    // A choice mark lit under the pointer would look chosen: hovered, it
    // keeps its own look and gets a rim instead.
    for (int i : {1, 2, 4, 5, 7, 8, 9, 11, 12})
        Buttons[i].KeepLookWhenFocused();
    for (int i = 0; i < kOptionsShadowButtonCount; ++i) {
        Insert(&ShadowButtons[i], this);
        PlaceAt(&ShadowButtons[i], kOptionsShadowButtons[i]);
        GiveButtonImages(skins.OptionsPlain, skins.OptionsHigh, {&ShadowButtons[i]});
        ShadowButtons[i].Caption = kOptionsShadowCaptions[i];
    }
    for (int i : {1, 2})
        ShadowButtons[i].KeepLookWhenFocused();
    Insert(&ControlsButton, this);
    PlaceAt(&ControlsButton, kOptionsControls);
    GiveButtonImages(skins.OptionsPlain, skins.OptionsHigh, {&ControlsButton});
    ControlsButton.Caption = kOptionsControlsCaption;
    Insert(&SoundButton, this);
    PlaceAt(&SoundButton, kOptionsSound);
    GiveButtonImages(skins.OptionsPlain, skins.OptionsHigh, {&SoundButton});
    SoundButton.Caption = kOptionsSoundCaption;
    // The highlight walks the rows top to bottom, the landing shadow's row
    // under the next figure's, then the bottom row left to right: Sound,
    // Back, Controls.
    for (int i = 0; i < kButtonCount - 1; ++i)
        NavOrder.push_back(&Buttons[i]);
    for (TIButton& b : ShadowButtons)
        NavOrder.push_back(&b);
    NavOrder.push_back(&SoundButton);
    NavOrder.push_back(&Buttons[kButtonCount - 1]);
    NavOrder.push_back(&ControlsButton);
    NavBack = &Buttons[kButtonCount - 1];
    Sync();
}

void TOptionsPage::Sync()
{
    const ::TOptions& o = Rules.Options;
    Buttons[1].Selected = o.ZPlayMusic != 0;
    Buttons[2].Selected = o.ZPlayMusic == 0;
    Buttons[4].Selected = o.ZPlaySound != 0;
    Buttons[5].Selected = o.ZPlaySound == 0;
    Buttons[7].Selected = o.BackRound == 0;
    Buttons[8].Selected = o.BackRound == 1;
    Buttons[9].Selected = o.BackRound == 2;
    Buttons[11].Selected = o.ZNextFig != 0;
    Buttons[12].Selected = o.ZNextFig == 0;
    ShadowButtons[1].Selected = o.ZShadow != 0;
    ShadowButtons[2].Selected = o.ZShadow == 0;
    SaveOptions(Rules);
    Invalidate(this);
}

} // namespace WFourfall
