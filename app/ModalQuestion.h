// TModalQuestion: the yes/no question of the screens, asked in the page
// set's own question box inside the window. While the box waits for its
// answer the window's loop handles input and paints, and no timer ticks, as
// behind the platform's blocking message box the game once used.
#pragma once

#include <string>

#include "platform/desktop/YesNoQuestion.h"

namespace WLib {
class TScrPages;
}
namespace WFourfall {
class TQuestionBox;
}

namespace TumbletownApp {

class TGameForm;

class TModalQuestion : public Platform::YesNoQuestion {
public:
    TModalQuestion(TGameForm& form, WLib::TScrPages& pages, WFourfall::TQuestionBox& box)
        : Form(form), Pages(pages), Box(box)
    {
    }

protected:
    // True for Yes. No when the window closes meanwhile, or when there is no
    // window to show the box in.
    bool AskPreferring(const std::string& question, Platform::TPreferredAnswer preferred) override;

private:
    bool AskInBox(const std::string& question, bool yesByDefault);

    TGameForm& Form;
    WLib::TScrPages& Pages;
    WFourfall::TQuestionBox& Box;
};

} // namespace TumbletownApp
