#include "screens/WAnswer.h"

#include <string>

#include "rules/GameState.h"
#include "rules/GameTypes.h"
#include "rules/Options.h"
#include "screens/layout/PageLayout.h"

namespace WFourfall {

using namespace WLib;
using namespace GFourfall;

namespace {

TRect Row(int32_t w, int32_t h, int32_t k)
{
    return TRect(0, k * h / 6, w, (k + 1) * h / 6);
}

constexpr int kLabelWeight = 700;

} // namespace

uint32_t PlayLabelColour(const TOptions& options)
{
    const int32_t k = options.BackRound >= 0 && options.BackRound < 3 ? options.BackRound : 0;
    const uint32_t rgb = kPlayLabelColours[k];
    return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

const char* TWAnswer::RemovalsLabel() const
{
    // The colour game counts every block that vanishes, the others rows.
    return Rules.GameState.GameNum == kGameColorFourfall ? "Blocks" : "Lines";
}

TWAnswer::~TWAnswer() = default;

void TWAnswer::LayOut()
{
    const int32_t w = Rect.Width();
    const int32_t h = Rect.Height();
    ScoreRect = Row(w, h, 1);
    LevelRect = Row(w, h, 3);
    LinesRect = Row(w, h, 5);
    for (int k = 0; k < 3; ++k)
        LabelRects[k] = Row(w, h, 2 * k);
}

void TWAnswer::Paint()
{
    Canvas.SetTextColor(TextColor);
    Canvas.GetFont().SetHeight(FontHeight);
    const std::string level = std::to_string(Rules.GameState.Level);
    const std::string score = std::to_string(Rules.GameState.Score);
    const std::string lines = std::to_string(Rules.GameState.LinesLeft);
    Canvas.DrawTextInRect(0, LevelRect, level.c_str());
    Canvas.DrawTextInRect(0, ScoreRect, score.c_str());
    Canvas.DrawTextInRect(0, LinesRect, lines.c_str());
    Canvas.SetTextColor(PlayLabelColour(Rules.Options));
    Canvas.GetFont().SetHeight(kPlayLabelHeight);
    Canvas.GetFont().SetWeight(kLabelWeight);
    const char* labels[3] = {"Score", "Level", RemovalsLabel()};
    for (int k = 0; k < 3; ++k)
        Canvas.DrawTextInRect(0, LabelRects[k], labels[k]);
}

} // namespace WFourfall
