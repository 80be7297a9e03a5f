// TfrmGFourfall: the game's main window with its page set, and the services
// the screens take from the desktop (the question box and the browser).
#pragma once

#include <string>

#include "app/GameForm.h"
#include "platform/UrlOpener.h"
#include "platform/YesNoQuestion.h"
#include "wlib/IButton.h"
#include "wlib/Mouse.h"
#include "wlib/ScrPage.h"
#include "wlib/ScrPages.h"

namespace TumbletownApp {

// The main menu's picture with its exit button and the cursor: what the
// window shows until the game's own page set is built into it.
class TMenuPreviewPages : public WLib::TScrPages {
public:
    void InitPages(const std::string& dataFolder);

    WLib::TMouse Mouse;
    WLib::TScrPage Menu;
    WLib::TIButton Exit;
};

class TfrmGFourfall : public TGameForm {
public:
    TfrmGFourfall();
    ~TfrmGFourfall() override;

    std::string DataFolder;
    Platform::MessageBoxQuestion Question;
    Platform::DesktopUrlOpener Browser;
    // Declared last: destroyed first, while the canvas and the host it
    // refers to are still there.
    TMenuPreviewPages Pages;

protected:
    void InitPages() override;
};

} // namespace TumbletownApp
