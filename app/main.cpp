// tumbletown: the game. The options and scores live in the user's settings
// file, the pictures, sounds and music in the data folder.
//   tumbletown                  the main menu
//   tumbletown --replay FILE    straight into watching a replay file
//   tumbletown --help           the usage, on standard output
//   tumbletown --version        the version
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>

#include "app/frmGFourfall.h"
#include "platform/DataFolder.h"
#include "platform/Memory.h"
#include "platform/desktop/ErrorBox.h"
#include "platform/desktop/SdlAudioDriver.h"
#include "platform/hssDriver.h"
#include "rules/Replay.h"
#include "screens/GamePages.h"
#include "store/WindowState.h"
#include "wlib/sound/Speaker.h"

namespace {

constexpr const char* kUsage = "usage: tumbletown [--replay FILE]\n"
                               "       tumbletown --help | --version\n"
                               "  --replay FILE   open straight into watching the replay in FILE\n"
                               "  --help          this text\n"
                               "  --version       the version\n";

// A window on no display at all (SDL's off-screen driver, taken when there
// is no X server or Wayland) would leave the player nothing to see.
bool ShownSomewhere(const std::string& driver)
{
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    if (asked != nullptr && *asked != '\0')
        return true; // the user chose the driver
    return driver != "offscreen" && driver != "dummy";
}

} // namespace

int main(int argc, char** argv)
{
    Platform::TuneAllocator();
    std::string replayFile;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--replay" && i + 1 < argc) {
            replayFile = argv[++i];
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--version") {
            std::printf("tumbletown %s\n", GFourfall::GameVersion());
            return 0;
        } else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    // A file that is no replay is said at once, before any window opens.
    std::string why;
    if (!replayFile.empty() && !WFourfall::TGamePages::CanWatchFile(replayFile, why)) {
        std::fprintf(stderr, "tumbletown: %s is no replay this game can play (%s)\n", replayFile.c_str(),
                     why.c_str());
        return 2;
    }
    // Without its pictures the game would open a black window and nothing
    // more: say what is missing instead.
    const std::string data = Platform::FindDataFolder();
    if (!Platform::HoldsGameData(data)) {
        const std::string why =
            "Tumbletown cannot find its pictures, sounds and music: there is no Skin folder in " + data +
            ".\nReinstall the game, or set TUMBLETOWN_DATA_DIR to the folder that holds Skin, "
            "Sounds and Music.";
        Platform::ShowErrorBox("Tumbletown", why);
        return 1;
    }
    hssSetDefaultDriverFactory(TSdlAudioDriver::Factory());
    // The audio device is opened after the first frame, with the rest of the
    // start.
    WLib::HoldSpeakerOpening();
    auto form = std::make_unique<TumbletownApp::TfrmGFourfall>();
    form->DataFolder = data;
    // The window as the player left it, when the settings file knows.
    const TWindowState left = LoadWindowState();
    const Platform::WindowGeometry leftGeometry{left.X,      left.Y,          left.Width,
                                                left.Height, left.FullScreen, left.Maximized};
    if (!form->OpenWindow("Tumbletown", left.Known ? &leftGeometry : nullptr) ||
        !ShownSomewhere(form->Window().VideoDriver())) {
        std::fprintf(stderr, "tumbletown: no display to open the game's window on\n");
        return 1;
    }
    // For measurements and the tests of the real window: when the first
    // frame was shown, how long each key took to show, and when the game
    // ends.
    const bool trace = std::getenv("TUMBLETOWN_TRACE") != nullptr;
    if (trace)
        form->Window().KeyShown = [](int64_t us) {
            std::fprintf(stderr, "key-shown %lld us\n", static_cast<long long>(us));
        };
    // The main menu is on the screen before the rest of the start (the other
    // pages' pictures, the sound and the gamepads), which the main loop then
    // does in its idle turns. A replay starts on the play page, which needs
    // it all at once.
    form->CreateFirstPage();
    if (!replayFile.empty()) {
        form->FinishStart();
        form->Pages.WatchFile(replayFile, why);
    }
    form->FormPaint();
    if (trace) {
        std::fprintf(stderr, "first-frame %lld ms\n", static_cast<long long>(form->FirstFrameMs()));
        // The CPU time of the whole process by then, loading its libraries
        // included: what the start costs whatever the machine's load.
        std::fprintf(stderr, "first-frame-cpu %.1f ms\n", 1000.0 * double(std::clock()) / CLOCKS_PER_SEC);
        std::fflush(stderr);
    }
    form->Run();
    const Platform::WindowGeometry now = form->Window().Geometry();
    TWindowState state;
    state.Known = true;
    state.X = now.x;
    state.Y = now.y;
    state.Width = now.width;
    state.Height = now.height;
    state.FullScreen = now.fullScreen;
    state.Maximized = now.maximized;
    SaveWindowState(state);
    if (trace) {
        // How long a key or a click right after the first frame could have
        // waited for the rest of the start.
        std::fprintf(stderr, "start-finished %lld ms\n", static_cast<long long>(form->StartFinishedMs()));
        std::fprintf(stderr, "closed after %d paints\n", form->PaintCount());
    }
    return 0;
}
