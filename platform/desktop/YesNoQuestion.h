// The yes/no question the high-score page puts to the player: a modal
// message box with Yes and No, No being the default answer.
#pragma once

#include <deque>
#include <string>
#include <vector>

struct SDL_Window;

namespace Platform {

class YesNoQuestion {
public:
    virtual ~YesNoQuestion() = default;
    // Shows the question (also as the title) and waits for the answer: true
    // for Yes. Closing the box, Escape, Enter on the default button or a box
    // that cannot be shown all answer No.
    virtual bool Ask(const std::string& question) = 0;
    // A question whose Enter answers No, with No shown as the default: Yes
    // takes a deliberate key or click (a question that removes data). The
    // platform's box has No as its default anyway.
    virtual bool AskNoByDefault(const std::string& question) { return Ask(question); }
};

// The real box. It blocks the calling (window) thread until answered; the
// owner window, when given, keeps the box above it.
class MessageBoxQuestion : public YesNoQuestion {
public:
    explicit MessageBoxQuestion(SDL_Window* owner = nullptr) : owner_(owner) {}
    void SetOwner(SDL_Window* owner) { owner_ = owner; }
    bool Ask(const std::string& question) override;

private:
    SDL_Window* owner_;
};

// For tests and the headless driver: answers from a queue (No once it is
// empty) and records every question asked.
class ScriptedQuestion : public YesNoQuestion {
public:
    void QueueAnswer(bool yes) { answers_.push_back(yes); }
    bool Ask(const std::string& question) override;
    const std::vector<std::string>& Asked() const { return asked_; }

private:
    std::deque<bool> answers_;
    std::vector<std::string> asked_;
};

} // namespace Platform
