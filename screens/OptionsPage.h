// TOptionsPage: the options screen. Its buttons switch background music, sound
// effects, the play background, the next-figure preview and the landing
// shadow; every change is shown by the selected choice marks and saved at
// once. Two more buttons lead to the controls page and the sound page.
#pragma once

#include <cstdint>

#include "rules/Rules.h"
#include "screens/GameServices.h"
#include "screens/SkinSet.h"
#include "screens/layout/PageLayout.h"
#include "wlib/IButton.h"
#include "wlib/ScrPage.h"
#include "wlib/ScrPages.h"

namespace WFourfall {

class TOptionsPage : public WLib::TScrPage {
public:
    static constexpr int kButtonCount = kOptionsButtonCount;

    explicit TOptionsPage(GFourfall::TRules& rules) : Rules(rules) {}

    bool HandleEvent(int32_t code, int32_t param) override;
    void Build(WLib::TScrPages* pages, TSkinSet& skins, const TGameServices& services);
    // Marks the choices that match the options, saves them, repaints.
    void Sync();

    // 1-13 the switches and choice marks (index 0 to 12), 14 back to the menu.
    WLib::TIButton Buttons[kButtonCount];
    // The landing shadow's switch, On and Off.
    WLib::TIButton ShadowButtons[kOptionsShadowButtonCount];
    // To the controls page (the player's keys and key repeat).
    WLib::TIButton ControlsButton;
    // To the sound page (volumes and smooth sound).
    WLib::TIButton SoundButton;
    TSkinSet* Skins = nullptr;
    // The game whose options are shown and saved.
    GFourfall::TRules& Rules;
    const TGameServices* Services = nullptr;
    int32_t MusicChangedId = WLib::NewId(); // posted when the music option was touched
};

} // namespace WFourfall
