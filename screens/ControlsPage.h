// TControlsPage: the player's keys and key repeat, reached from the options
// page. Each play action is a row showing its key; pressing a row (click, or
// Enter on the lit row) makes it wait for a key, and the next key pressed
// becomes the action's (a key another action had is moved, not doubled).
// Escape, or any button, ends the wait without a change. The key repeat's
// delay and rate step down and up through presets within their bounds;
// Defaults puts the design's keys and repeat back. Every change is shown and
// saved at once.
#pragma once

#include <cstdint>
#include <string>

#include "screens/SkinSet.h"
#include "screens/layout/PageLayout.h"
#include "store/Controls.h"
#include "wlib/IButton.h"
#include "wlib/ScrPage.h"
#include "wlib/ScrPages.h"

namespace WFourfall {

static_assert(kControlsActionCount == paCount, "one row for each play action");

// An action row: the button, with the name of its action's key (or, while it
// waits, the request for one) written over the key's place of its picture.
class TKeyRow : public WLib::TIButton {
public:
    void Paint() override;

    std::string KeyText;
    bool Waiting = false;
};

// The presets the repeat steps walk through, in ms: they start and end at the
// bounds a stored value may have.
extern const int32_t kRepeatDelaySteps[];
extern const int kRepeatDelayStepCount;
extern const int32_t kRepeatRateSteps[];
extern const int kRepeatRateStepCount;
// The preset after value (direction > 0) or before it (direction < 0) in the
// ascending list; a value between presets goes to the nearest one that way,
// and the ends stay where they are. A value outside the list is first held
// to its ends.
int32_t StepRepeat(int32_t value, int direction, const int32_t* steps, int count);

class TControlsPage : public WLib::TScrPage {
public:
    bool HandleEvent(int32_t code, int32_t param) override;
    // Draws the background, then the repeat values in their wells.
    void Paint() override;
    void Build(WLib::TScrPages* pages, const TSkinSet& skins);
    // Shows the controls' keys and values and repaints.
    void Sync();

    // The action whose row waits for a key, paNone when none does.
    TPlayAction Waiting() const { return WaitingFor; }
    // The text of a repeat value as the page shows it ("170 ms").
    static std::string RepeatText(int32_t ms);
    // The line under the page: that Space drops as well, while no action
    // has it and it is not the drop's own key; that the pad keeps its own.
    static std::string FooterText(const TControls& controls);

    TKeyRow Rows[kControlsActionCount];              // in action order
    WLib::TIButton RepeatDown[kControlsRepeatCount]; // delay, rate
    WLib::TIButton RepeatUp[kControlsRepeatCount];
    WLib::TIButton Defaults;
    WLib::TIButton Back; // to the options page
    // The player's controls, shared with the play page; set by the page set.
    TControls* Controls = nullptr;

private:
    void Wait(TPlayAction action);
    // A key pressed while a row waits: true when the page took it (always).
    bool TakeKey(int32_t key);
    // The controls changed: saved, shown.
    void Changed();

    TPlayAction WaitingFor = paNone;
};

} // namespace WFourfall
