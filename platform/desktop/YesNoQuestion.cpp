#include "platform/desktop/YesNoQuestion.h"

#include <SDL.h>

namespace Platform {
namespace {

// The answer values of the original platform's message box.
constexpr int kAnswerYes = 6;
constexpr int kAnswerNo = 7;

} // namespace

bool MessageBoxQuestion::AskPreferring(const std::string& question, TPreferredAnswer)
{
    // SDL has no question icon; information is the closest. No takes both
    // Enter and Escape, so a reflex key press never sends anything.
    const SDL_MessageBoxButtonData buttons[] = {
        {0, kAnswerYes, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, kAnswerNo, "No"},
    };
    SDL_MessageBoxData data = {};
    data.flags = SDL_MESSAGEBOX_INFORMATION | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
    data.window = owner_;
    data.title = question.c_str();
    data.message = question.c_str();
    data.numbuttons = 2;
    data.buttons = buttons;
    int answer = -1;
    if (SDL_ShowMessageBox(&data, &answer) != 0)
        return false;
    return answer == kAnswerYes;
}

bool ScriptedQuestion::AskPreferring(const std::string& question, TPreferredAnswer preferred)
{
    asked_.push_back(question);
    preferred_.push_back(preferred);
    if (answers_.empty())
        return false;
    const bool yes = answers_.front();
    answers_.pop_front();
    return yes;
}

} // namespace Platform
