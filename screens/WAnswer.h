// TWAnswer: the score panel, with the score, the level and the removals left
// written in the second, fourth and sixth of six equal rows.
#pragma once

#include <cstdint>

#include "wlib/App.h"
#include "wlib/graphics/Geometry.h"

namespace WFourfall {

class TWAnswer : public WLib::TApp {
public:
    ~TWAnswer() override;
    void Paint() override;
    // Cuts the widget's own rectangle into six rows for the three numbers.
    void LayOut();

    WLib::TRect LevelRect;
    WLib::TRect ScoreRect;
    WLib::TRect LinesRect;
    uint32_t TextColor = 0xDCFDEE;
    int32_t FontHeight = 24;
};

} // namespace WFourfall
