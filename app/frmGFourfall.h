// TfrmGFourfall: the game's main window with its page set, and the services
// the screens take from the desktop (the question box and the browser).
#pragma once

#include <string>

#include "app/GameForm.h"
#include "platform/UrlOpener.h"
#include "platform/YesNoQuestion.h"

#if __has_include("screens/GamePages.h")
#include "screens/GamePages.h"
#define TUMBLETOWN_HAS_SCREENS 1
#else
#include "wlib/IButton.h"
#include "wlib/Mouse.h"
#include "wlib/ScrPage.h"
#include "wlib/ScrPages.h"
#endif

namespace TumbletownApp {

#if TUMBLETOWN_HAS_SCREENS
using TMainPages = WFourfall::TGamePages;
#else
// The main menu's picture with its exit button and the cursor: what the
// window shows while the tree holds no screens.
class TMenuPreviewPages : public WLib::TScrPages {
public:
    void InitPages(const std::string& dataFolder);

    WLib::TMouse Mouse;
    WLib::TScrPage Menu;
    WLib::TIButton Exit;
};
using TMainPages = TMenuPreviewPages;
#endif

class TfrmGFourfall : public TGameForm {
public:
    TfrmGFourfall();
    ~TfrmGFourfall() override;

    std::string DataFolder;
    Platform::MessageBoxQuestion Question;
    Platform::DesktopUrlOpener Browser;
    // Declared last: destroyed first, while the canvas and the host it
    // refers to are still there.
    TMainPages Pages;

protected:
    void InitPages() override;
};

} // namespace TumbletownApp
