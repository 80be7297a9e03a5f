// TWHScore: the list of one game type's high scores, and the editing of the
// name of the entry the last game has just made (typed characters, Backspace,
// Enter with the question whether to send the result).
#pragma once

#include <cstdint>
#include <string>

#include "screens/GameServices.h"
#include "wlib/App.h"
#include "wlib/Timer.h"
#include "wlib/graphics/Geometry.h"

namespace WFourfall {

constexpr int32_t kBlinkPeriod = 500;
constexpr int kMaxNameLength = 59;
constexpr const char* kSendQuestion = "Send the result to World's Highscores page?";

// What of a name is shown in a field width pixels wide in the canvas's font:
// the whole name when it fits, else its longest beginning that fits with an
// ellipsis after it.
std::string NameThatFits(WLib::TCanvas& canvas, const std::string& name, int32_t width);
// The longest end of the text that fits width pixels.
std::string TailThatFits(WLib::TCanvas& canvas, const std::string& text, int32_t width);

class TWHScore : public WLib::TApp {
public:
    bool HandleEvent(int32_t code, int32_t param) override;
    void Paint() override;

    // True while the entry of the last game is open for its name.
    bool Editing() const;

    WLib::TRect RankRect;
    WLib::TPoint RankStep;
    WLib::TRect NameRect;
    WLib::TPoint NameStep;
    WLib::TRect ScoreRect;
    WLib::TPoint ScoreStep;
    uint8_t CursorVisible = 0;
    WLib::TTimer BlinkTimer;
    uint8_t TimerStarted = 0;
    int32_t RowCount = 9;
    const TGameServices* Services = nullptr;

private:
    void Confirm();
};

} // namespace WFourfall
