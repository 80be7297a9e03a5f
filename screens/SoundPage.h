// TSoundPage: the player's sound, reached from the options page. The music
// and the effects volume step by 10 % from 0 to 100 % with their - and +
// buttons (or Left and Right while one of them is lit); Smooth Sound makes
// the music channels interpolate. Every change is heard, shown and saved at
// once. The options page's Music and Sound Effects switches keep their
// meaning: a volume never switches anything on or off.
#pragma once

#include <cstdint>
#include <string>

#include "rules/Rules.h"
#include "screens/SkinSet.h"
#include "screens/layout/PageLayout.h"
#include "wlib/IButton.h"
#include "wlib/ScrPage.h"
#include "wlib/ScrPages.h"

namespace WFourfall {

// The volume one step from `value` (direction > 0 up, < 0 down) on the 10 %
// grid within 0 to 100; a value between steps goes to the nearest step that
// way, and the ends stay where they are.
int32_t StepVolume(int32_t value, int direction);

// Gives the shared speaker the options' volumes and smooth sound (a volume
// outside 0 to 100 counts as 100). Nothing without a speaker.
void ApplySoundOptions(const TOptions& options);

class TSoundPage : public WLib::TScrPage {
public:
    explicit TSoundPage(GFourfall::TRules& rules) : Rules(rules) {}
    bool HandleEvent(int32_t code, int32_t param) override;
    // Draws the background, then the volumes in their wells.
    void Paint() override;
    void Build(WLib::TScrPages* pages, const TSkinSet& skins);
    // Marks the smooth sound choice and repaints.
    void Sync();

    // The text of a volume as the page shows it ("70 %").
    static std::string VolumeText(int32_t percent);

    WLib::TIButton VolumeDown[kSoundVolumeCount]; // music, effects
    WLib::TIButton VolumeUp[kSoundVolumeCount];
    WLib::TIButton SmoothButtons[kSoundSmoothButtonCount]; // the switch, On, Off
    WLib::TIButton Back;                                   // to the options page
    // The game whose options are heard and saved.
    GFourfall::TRules& Rules;

private:
    // The options changed: heard, saved, shown.
    void Changed();
    void StepVolumeOf(int row, int direction);
};

} // namespace WFourfall
