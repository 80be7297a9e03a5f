// The yes/no questions the screens put to the player: a modal box with Yes
// and No.
#pragma once

#include <deque>
#include <string>
#include <vector>

struct SDL_Window;

namespace Platform {

// Which answer Enter gives and the box shows lit. A question whose Yes
// throws something away prefers No: a reflex Enter must not answer it.
enum class TPreferredAnswer { Yes, No };

class YesNoQuestion {
public:
    virtual ~YesNoQuestion() = default;
    // Shows the question (also as the title) and waits for the answer: true
    // for Yes. Closing the box, Escape or a box that cannot be shown all
    // answer No.
    bool Ask(const std::string& question, TPreferredAnswer preferred = TPreferredAnswer::Yes)
    {
        return AskPreferring(question, preferred);
    }

protected:
    virtual bool AskPreferring(const std::string& question, TPreferredAnswer preferred) = 0;
};

// The real box. It blocks the calling (window) thread until answered; the
// owner window, when given, keeps the box above it.
class MessageBoxQuestion : public YesNoQuestion {
public:
    explicit MessageBoxQuestion(SDL_Window* owner = nullptr) : owner_(owner) {}
    void SetOwner(SDL_Window* owner) { owner_ = owner; }

protected:
    // The platform's box: Enter takes No whatever is preferred, so a reflex
    // key press never sends anything.
    bool AskPreferring(const std::string& question, TPreferredAnswer preferred) override;

private:
    SDL_Window* owner_;
};

// For tests and the headless driver: answers from a queue (No once it is
// empty) and records every question asked with the answer it preferred.
class ScriptedQuestion : public YesNoQuestion {
public:
    void QueueAnswer(bool yes) { answers_.push_back(yes); }
    const std::vector<std::string>& Asked() const { return asked_; }
    const std::vector<TPreferredAnswer>& Preferred() const { return preferred_; }

protected:
    bool AskPreferring(const std::string& question, TPreferredAnswer preferred) override;

private:
    std::deque<bool> answers_;
    std::vector<std::string> asked_;
    std::vector<TPreferredAnswer> preferred_;
};

} // namespace Platform
