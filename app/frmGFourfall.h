// TfrmGFourfall: the game's main window with its page set, and the services
// the screens take from the desktop (the question box and the browser).
#pragma once

#include <string>

#include "app/GameForm.h"
#include "app/ModalQuestion.h"
#include "platform/desktop/UrlOpener.h"
#include "screens/GamePages.h"
#include "store/WorldReplay.h"

namespace TumbletownApp {

class TfrmGFourfall : public TGameForm {
public:
    // clock: milliseconds for the timers (the system's when empty; tests
    // move their own).
    explicit TfrmGFourfall(Platform::TimerScheduler::Clock clock = {});
    ~TfrmGFourfall() override;

    // Where Skin/, Sounds/ and Music/ are; found at start-up when empty.
    std::string DataFolder;
    Platform::DesktopUrlOpener Browser;
    // Results for the world high scores go out on a thread of their own.
    TScoreDelivery Delivery;
    // Seeds dealt by a score server the player named, asked for ahead of the
    // games on a thread of their own; closing ends a request under way.
    TSeedSupply Seeds;
    // The world's best replay, fetched to race it, likewise.
    TWorldReplayFetch WorldReplays;
    // Declared last: destroyed first, while the canvas and the host it
    // refers to are still there.
    WFourfall::TGamePages Pages;
    // The questions, in the page set's own box inside the window.
    TModalQuestion Question{*this, Pages, Pages.QuestionBox};

protected:
    void InitPages() override;
    bool FinishPagesStep() override;
    bool CanShowEveryPage() const override;
    // The pictures of the pages one key or click away are decoded once the
    // paint is shown, before the key or click comes.
    void AfterPaint() override;
};

} // namespace TumbletownApp
