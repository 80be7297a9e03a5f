#include "screens/WAnswer.h"

#include <string>

#include "rules/GameState.h"
#include "rules/ProcessState.h"

namespace WFourfall {

using namespace WLib;
using namespace GFourfall;

namespace {

TRect Row(int32_t w, int32_t h, int32_t k)
{
    return TRect(0, k * h / 6, w, (k + 1) * h / 6);
}

} // namespace

TWAnswer::~TWAnswer() = default;

void TWAnswer::LayOut()
{
    const int32_t w = Rect.Width();
    const int32_t h = Rect.Height();
    ScoreRect = Row(w, h, 1);
    LevelRect = Row(w, h, 3);
    LinesRect = Row(w, h, 5);
}

void TWAnswer::Paint()
{
    Canvas.SetTextColor(TextColor);
    Canvas.GetFont().SetHeight(FontHeight);
    const std::string level = std::to_string(GameState.Level);
    const std::string score = std::to_string(GameState.Score);
    const std::string lines = std::to_string(GameState.LinesLeft);
    Canvas.DrawTextInRect(0, LevelRect, level.c_str());
    Canvas.DrawTextInRect(0, ScoreRect, score.c_str());
    Canvas.DrawTextInRect(0, LinesRect, lines.c_str());
}

} // namespace WFourfall
