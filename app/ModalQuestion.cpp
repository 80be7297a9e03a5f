#include "app/ModalQuestion.h"

#include "app/GameForm.h"
#include "screens/QuestionBox.h"

namespace TumbletownApp {

bool TModalQuestion::Ask(const std::string& question)
{
    return AskInBox(question, true);
}

bool TModalQuestion::AskNoByDefault(const std::string& question)
{
    return AskInBox(question, false);
}

bool TModalQuestion::AskInBox(const std::string& question, bool yesByDefault)
{
    if (!Box.Open(&Pages, question, yesByDefault))
        return false;
    Form.RunModal([this] { return Box.Answer() != WFourfall::TQuestionBox::Waiting; });
    const bool yes = Box.Answer() == WFourfall::TQuestionBox::AnsweredYes;
    Box.Close();
    // The page shows again without the box before the caller goes on.
    Pages.Events.ProcessEvents();
    return yes;
}

} // namespace TumbletownApp
