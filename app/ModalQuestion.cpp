#include "app/ModalQuestion.h"

#include "app/GameForm.h"
#include "screens/QuestionBox.h"

namespace TumbletownApp {

bool TModalQuestion::AskPreferring(const std::string& question, Platform::TPreferredAnswer preferred)
{
    if (!Box.Open(&Pages, question, preferred))
        return false;
    Form.RunModal([this] { return Box.Answer() != WFourfall::TQuestionBox::Waiting; });
    const bool yes = Box.Answer() == WFourfall::TQuestionBox::AnsweredYes;
    Box.Close();
    // The page shows again without the box before the caller goes on.
    Pages.Events.ProcessEvents();
    return yes;
}

} // namespace TumbletownApp
