// The game's one SDL window: caption, placement, hidden system cursor, the
// presentation of the game's 800 x 600 RGB 5-6-5 back buffer at any window
// size, full screen on F11 or Alt+Enter, and the event pump that sleeps until
// input arrives or the next timer is due.
#pragma once

#include "platform/desktop/InputRecord.h"
#include "platform/desktop/InputTranslator.h"
#include "platform/desktop/WindowPlacement.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

namespace Platform {

class GameWindow {
public:
    static constexpr int kWidth = kPictureWidth;
    static constexpr int kHeight = kPictureHeight;

    GameWindow();
    ~GameWindow();
    GameWindow(const GameWindow&) = delete;
    GameWindow& operator=(const GameWindow&) = delete;

    // Initialises SDL video and makes the window, placed for the screen (see
    // PlaceMainWindow), with the system cursor hidden. It is shown by the
    // first Present, with that frame: no empty window meanwhile. False, with
    // nothing left open, when there is no usable display.
    // With saved (the window as the player left it last time), that size,
    // that place when it is still on a screen (else centred), that
    // full-screen state and that maximised state, instead of the design's
    // placement. Either way, a window never starts larger than the work area
    // of its screen (see FitInWorkArea).
    bool Open(const std::string& caption, const WindowGeometry* saved = nullptr);
    bool IsOpen() const { return window_ != nullptr; }

    // Shows a whole frame: kWidth x kHeight pixels of RGB 5-6-5, rows
    // pitchBytes apart, as large as the window holds with its shape kept
    // (see FitPicture); the bars beside it take the frame's darkest colour.
    void Present(const std::uint16_t* pixels, int pitchBytes);
    // The pixels of the window's own frame (SDL's streaming texture), to be
    // drawn into straight, when the renderer keeps them in memory as they
    // are and in place (the software renderer): a frame presented from there
    // is not copied, and the game needs no back buffer of its own (almost a
    // megabyte). Rows are pitchBytes apart. Null, and the frame is copied
    // in by Present, with another renderer or no window.
    std::uint16_t* FramePixels(int& pitchBytes);
    // What the window shows now, read back from the renderer in the frame's
    // RGB 5-6-5, kWidth x kHeight, rows pitchBytes apart (for tests and
    // checks: only a window showing the picture at its own size gives the
    // frame back). False without a window or when the renderer cannot.
    bool ReadShown(std::uint16_t* pixels, int pitchBytes) const;
    // Shows the last presented frame again (after an Expose or a resize).
    void PresentAgain();

    // Between the desktop's full screen and a window (F11, Alt+Enter). Back
    // from full screen, the window is maximised again if it was so before,
    // and is otherwise no larger than the work area (see FitInWorkArea).
    void SetFullScreen(bool on);
    bool IsFullScreen() const;
    bool IsMaximized() const;
    // The window as it is now, to be given to Open next time: the place and
    // size it has or had when last windowed and not maximised, and whether
    // it is (or will be, back from full screen) maximised.
    WindowGeometry Geometry() const;
    // Where the picture was last drawn, in the drawable's pixels.
    const PictureFit& Fit() const { return fit_; }
    // The bars' colour of the last frame, 0xRRGGBB.
    std::uint32_t BarColour() const { return barColour_; }

    // Starts listening for gamepads (SDL's game controller subsystem, which
    // looks through the system's input devices: left until the first frame
    // is shown). Pads plugged in already are announced as added, like later
    // ones. Once per window; nothing without one.
    void OpenPads();

    // For measurements: told, when a Present returns, how many microseconds
    // passed since the timestamp of the oldest key-down SDL reported since
    // the last Present (the timestamp counts whole milliseconds; the time
    // since the game took the event from SDL is measured finer).
    std::function<void(std::int64_t microseconds)> KeyShown;

    // Sleeps until the window system has an event or timeoutMs milliseconds
    // have passed (-1: no limit, 0: do not sleep), then appends a record for
    // that event and every other one already waiting. Returns false when the
    // time ran out with no event at all.
    bool WaitForInput(int timeoutMs, std::vector<InputRecord>& out);

    SDL_Window* Handle() const { return window_; }
    // The SDL video driver in use ("x11", "offscreen", ...), "" when closed.
    std::string VideoDriver() const;
    const WindowPlacement& Placement() const { return placement_; }
    int ScreenWidth() const { return screenWidth_; }
    int ScreenHeight() const { return screenHeight_; }

private:
    void Translate(const void* sdlEvent, std::vector<InputRecord>& out);
    // F11 and Alt+Enter belong to the window, not to the game.
    bool TakeWindowKey(const void* sdlEvent);
    void Destroy();
    // On X11: tells the error filter the window and watches for its
    // destruction by another client.
    void WatchX11Window();
    // The placement for a window as the player left it; sets windowed_.
    WindowPlacement PlaceAsLeft(const WindowGeometry& saved);
    // Once shown, when the frame was not known before: the design's
    // placement again with the frame now known, and the window fitted to
    // the work area.
    void PlaceWithFrame();
    // The work area (the screen less the desktop's panels) of the display
    // that holds the point, else of the first display.
    ScreenRect WorkAreaAt(int x, int y) const;
    // windowed_ made to fit the work area of its screen.
    WindowGeometry FittedWindow() const;
    // Gives the windowed window that client area.
    void MoveClientTo(const WindowGeometry& client);

    void ClosePads();

    SDL_Window* window_ = nullptr;
    std::vector<void*> pads_; // the open game controllers
    bool padsStarted_ = false;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    // The texture's pixels while it stays locked for FramePixels.
    std::uint16_t* framePixels_ = nullptr;
    int framePitch_ = 0;
    unsigned long x11Window_ = 0; // the X11 window, 0 elsewhere
    bool x11Destroyed_ = false;   // by another client
    bool videoStarted_ = false;
    WindowPlacement placement_;
    int screenWidth_ = 0;
    int screenHeight_ = 0;
    InputTranslator translator_{kWidth, kHeight};
    PictureFit fit_;
    std::uint32_t barColour_ = 0;
    bool shown_ = false;
    bool placedByDesign_ = false;
    // The oldest key-down not yet shown: its age in whole milliseconds when
    // taken from SDL, and the fine clock then (0: none waiting).
    std::uint64_t keyTaken_ = 0;
    std::int64_t keyAgeMs_ = 0;
    WindowGeometry windowed_; // the last windowed place and size
    FrameExtents frame_;      // the frame of the windowed window, when known
    bool frameKnown_ = false;
    // Maximised when it went full screen: the window manager forgets that.
    bool maximizeWhenWindowed_ = false;
};

} // namespace Platform
