// TWAnswer: the score panel, with the score, the level and the removals left
// written in the second, fourth and sixth of six equal rows, each under its
// label.
#pragma once

#include <cstdint>

#include "rules/Rules.h"
#include "wlib/App.h"
#include "wlib/graphics/Geometry.h"

namespace WFourfall {

// The colour (0x00BBGGRR) of the play page's own words on the background
// the options chose.
uint32_t PlayLabelColour(const TOptions& options);

class TWAnswer : public WLib::TApp {
public:
    explicit TWAnswer(GFourfall::TRules& rules) : Rules(rules) {}
    ~TWAnswer() override;
    void Paint() override;
    // Cuts the widget's own rectangle into six rows for the three numbers.
    void LayOut();
    // What the third number counts in the game being played: "Lines", or
    // "Blocks" in the colour game, where every vanished block counts.
    const char* RemovalsLabel() const;

    WLib::TRect LevelRect;
    WLib::TRect ScoreRect;
    WLib::TRect LinesRect;
    WLib::TRect LabelRects[3]; // Score, Level, the removals
    uint32_t TextColor = 0xDCFDEE;
    int32_t FontHeight = 24;
    // The game whose numbers are shown.
    const GFourfall::TRules& Rules;
};

} // namespace WFourfall
