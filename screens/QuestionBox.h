// TQuestionBox: a yes/no question in the game's own look, drawn inside the
// window over the page that asks, centred, with Yes and No buttons. While it
// is open it is modal: it takes every key and mouse event, so nothing behind
// it reacts (a name being typed does not grow by the "y" that answers).
//
// It answers to the mouse (a click on Yes or No), to Y and the pad's A (Yes),
// to N, Escape and the pad's B (No), and with Enter to the preferred answer,
// whose button shows lit. A key already held down when the box opens answers
// nothing until it has been let go: the Enter that confirmed a name and is
// still held, repeating, must not send the result.
//
// The box only shows the question and takes the answer; whoever waits for it
// (the window's own loop, the headless driver) runs the events meanwhile.
#pragma once

#include <cstdint>
#include <string>

#include "platform/desktop/YesNoQuestion.h"
#include "wlib/IButton.h"
#include "wlib/ScrPages.h"
#include "wlib/Text.h"
#include "wlib/graphics/Bitmap.h"

namespace WFourfall {

// The plain panel of the box when its picture is missing, and of the play
// board's plates (0x00BBGGRR): the skin's dark blue with a gold rim.
constexpr uint32_t kPanelColour = 0x3A2410;
constexpr uint32_t kRimColour = 0xE0B070;

class TQuestionBox : public WLib::TApp {
public:
    enum TAnswer : int8_t { Waiting = -1, AnsweredNo = 0, AnsweredYes = 1 };

    TQuestionBox();

    // Takes the box's plain and highlighted pictures (shared references).
    void Build(const WLib::TBitmap& plain, const WLib::TBitmap& highlighted);
    // Shows the question over the front page of pages; the answer is Waiting
    // until given. False when there is no page to show it on.
    bool Open(WLib::TScrPages* pages, const std::string& question,
              Platform::TPreferredAnswer preferred = Platform::TPreferredAnswer::Yes);
    // Takes the box away; the page behind it is as it was.
    void Close();
    bool IsOpen() const { return Parent != nullptr; }
    TAnswer Answer() const { return Given; }

    // Modal: key and mouse events stop here while the box is open.
    bool HandleEvent(int32_t code, int32_t param) override;
    // The box's picture, or a plain panel when it is missing.
    void Paint() override;

    WLib::TIButton Yes, No;
    WLib::TText Text;
    WLib::TBitmap Plain;

private:
    TAnswer Given = Waiting;
    TAnswer Preferred = AnsweredYes;
    // Keys held when the box opened, let go since: they answer only then.
    bool Stale[256] = {};
};

} // namespace WFourfall
