// TGameFourfall: the play page, holding the board, the next-figure preview,
// the score panel and the button back to the main menu.
#pragma once

#include "screens/GameServices.h"
#include "screens/SkinSet.h"
#include "screens/WAnswer.h"
#include "screens/WFourfall.h"
#include "screens/WGhost.h"
#include "screens/WNext.h"
#include "wlib/IButton.h"
#include "wlib/ScrPage.h"
#include "wlib/ScrPages.h"

namespace WFourfall {

class TGameFourfall : public WLib::TScrPage {
public:
    explicit TGameFourfall(GFourfall::TRules& rules) : Next(rules), Board(rules), Answer(rules) {}
    ~TGameFourfall() override;
    // Attaches the page and its widgets, loads the effects, lays out.
    void Build(WLib::TScrPages* pages, TSkinSet& skins, const TGameServices& services);
    // The background, and above the preview its heading; with the preview
    // switched off, the backdrop alone where it would be (from the lit
    // twin of the background) and no heading.
    void Paint() override;

    WLib::TIButton Button;
    TWNext Next;
    TWFourfall Board;
    TWAnswer Answer;
    TWGhost Ghost;          // the ghost of a race; nothing when there is none
    WLib::TBitmap PlayHigh; // the lit twin of the background (shared)
};

} // namespace WFourfall
