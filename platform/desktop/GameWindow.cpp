#include "platform/desktop/GameWindow.h"

#include "platform/desktop/X11ErrorFilter.h"
#include "platform/desktop/X11Frame.h"

#include <SDL.h>

#include <algorithm>

namespace Platform {

namespace {

// How long a window manager that said it answers frame questions may take.
constexpr int kFrameAnswerMs = 200;

} // namespace

GameWindow::GameWindow() = default;

GameWindow::~GameWindow()
{
    Destroy();
}

void GameWindow::OpenPads()
{
    if (!window_ || padsStarted_)
        return;
    // Gamepads are welcome, never needed: without the subsystem the game
    // plays on with keys and mouse. A game in the background still hears
    // them, as it hears its timers.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    padsStarted_ = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
    // Pads plugged in already are announced as added, like later ones.
}

void GameWindow::ClosePads()
{
    for (void* pad : pads_)
        SDL_GameControllerClose(static_cast<SDL_GameController*>(pad));
    pads_.clear();
    if (padsStarted_)
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    padsStarted_ = false;
}

void GameWindow::Destroy()
{
    ClosePads();
    if (framePixels_)
        SDL_UnlockTexture(texture_);
    framePixels_ = nullptr;
    framePitch_ = 0;
    if (texture_)
        SDL_DestroyTexture(texture_);
    if (renderer_)
        SDL_DestroyRenderer(renderer_);
    if (window_) {
        if (x11Destroyed_)
            ReleaseDestroyedX11Window(window_);
        SDL_DestroyWindow(window_);
    }
    x11Destroyed_ = false;
    texture_ = nullptr;
    renderer_ = nullptr;
    window_ = nullptr;
    x11Window_ = 0;
    shown_ = false;
    placedByDesign_ = false;
    frameKnown_ = false;
    maximizeWhenWindowed_ = false;
    if (videoStarted_)
        SDL_QuitSubSystem(SDL_INIT_VIDEO); // audio, if started, stays up
    videoStarted_ = false;
}

bool GameWindow::Open(const std::string& caption, const WindowGeometry* saved)
{
    if (window_)
        return true;
    // The frame is a fixed-size RGB 5-6-5 picture that only the software
    // renderer takes without converting it; SDL_RENDER_DRIVER still wins.
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    // And the window's own picture goes straight to the X server. Left to
    // itself, SDL backs it with an OpenGL renderer: on a machine without a
    // graphics card that loads Mesa and LLVM (some 60 MB and a slower start)
    // and leaves a shader cache in the player's home folder, to show a
    // picture the software renderer has already made.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // A click that activates the window also presses what is under it, and a
    // full-screen game stays up when the focus goes elsewhere.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    // Closing the window reports one Close; SDL_QUIT then only comes from a
    // signal.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    InstallX11ErrorFilter();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return false;
    videoStarted_ = true;

    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) == 0) {
        screenWidth_ = mode.w;
        screenHeight_ = mode.h;
    } else {
        screenWidth_ = kWidth;
        screenHeight_ = kHeight;
    }

    // Any size the player likes: the picture is scaled to it. On a display
    // with a scale factor the drawable has the screen's own pixels, so that
    // the scaling is ours (sharp), not the desktop's.
    window_ = SDL_CreateWindow(caption.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, kWidth,
                               kHeight, SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
    if (!window_) {
        Destroy();
        return false;
    }
    renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (renderer_)
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING, kWidth,
                                     kHeight);
    if (!texture_) {
        Destroy();
        return false;
    }
    // The page layout is 800 x 600 whatever the window's size: Present
    // scales it and the translator takes the mouse back to layout pixels.
    SDL_SetWindowMinimumSize(window_, kWidth / 4, kHeight / 4);
    // Placed only now: creating the renderer puts a hidden X11 window back
    // where it was created. A window manager tells its frame before the
    // window is shown only when asked; one that does not know the question
    // tells it once the window is shown (see PlaceWithFrame).
    FrameExtents frame;
    const bool frameAnswered = AskX11FrameExtents(window_, kFrameAnswerMs, frame);
    if (!frameAnswered &&
        SDL_GetWindowBordersSize(window_, &frame.top, &frame.left, &frame.bottom, &frame.right) != 0)
        frame = FrameExtents{};
    frame_ = frame;
    frameKnown_ = frameAnswered || frame.top != 0 || frame.left != 0 || frame.bottom != 0 || frame.right != 0;
    placement_ = PlaceMainWindow(screenWidth_, screenHeight_, frame);
    windowed_ = WindowGeometry{placement_.clientX, placement_.clientY, kWidth, kHeight, false};
    if (placement_.fullScreen) {
        // F11 then gives a window as large as the work area holds, centred.
        const ScreenRect area = WorkAreaAt(0, 0);
        windowed_.x = area.x + (area.width - kWidth) / 2;
        windowed_.y = area.y + (area.height - kHeight) / 2;
    }
    windowed_ = FittedWindow();
    // The window manager places a new window by its frame's corner; SDL
    // makes up for the frame only once it has heard of it itself.
    auto placeClient = [&](int x, int y) {
        if (frameAnswered)
            SDL_SetWindowPosition(window_, x - frame.left, y - frame.top);
        else
            SDL_SetWindowPosition(window_, x, y);
    };
    if (saved != nullptr) {
        // Full screen from a saved state keeps the place to come back to.
        placement_ = PlaceAsLeft(*saved);
        SDL_SetWindowSize(window_, windowed_.width, windowed_.height);
        placeClient(windowed_.x, windowed_.y);
    } else if (!placement_.fullScreen) {
        if (windowed_.width != kWidth || windowed_.height != kHeight)
            SDL_SetWindowSize(window_, windowed_.width, windowed_.height);
        placeClient(windowed_.x, windowed_.y);
        placedByDesign_ = !frameKnown_;
    }
    if (placement_.fullScreen) {
        SDL_SetWindowBordered(window_, SDL_FALSE);
        SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
    }
    if (saved != nullptr && saved->maximized) {
        // A hidden window is maximised as it is first shown.
        if (placement_.fullScreen)
            maximizeWhenWindowed_ = true;
        else
            SDL_MaximizeWindow(window_);
    }

    WatchX11Window();
    SDL_ShowCursor(SDL_DISABLE);
    SDL_StartTextInput();
    return true;
}

WindowPlacement GameWindow::PlaceAsLeft(const WindowGeometry& saved)
{
    std::vector<ScreenRect> screens;
    for (int i = 0; i < SDL_GetNumVideoDisplays(); ++i) {
        SDL_Rect bounds;
        if (SDL_GetDisplayBounds(i, &bounds) == 0)
            screens.push_back(ScreenRect{bounds.x, bounds.y, bounds.w, bounds.h});
    }
    windowed_ = saved;
    windowed_.fullScreen = false;
    windowed_.maximized = false;
    windowed_.width = std::max(saved.width, kWidth / 4);
    windowed_.height = std::max(saved.height, kHeight / 4);
    if (!OnSomeScreen(windowed_, screens)) {
        windowed_.x = (screenWidth_ - windowed_.width) / 2;
        windowed_.y = (screenHeight_ - windowed_.height) / 2;
    }
    // Left on a larger screen, or before a panel took some of it.
    windowed_ = FittedWindow();
    WindowPlacement placement;
    placement.fullScreen = saved.fullScreen;
    placement.clientX = windowed_.x;
    placement.clientY = windowed_.y;
    return placement;
}

void GameWindow::PlaceWithFrame()
{
    if (frameKnown_)
        return;
    // A window manager tells the frame it puts around the window only once
    // the window is shown: placed before, its frame sat where the client
    // area should have, and the window too low by the frame's height.
    FrameExtents frame;
    if (SDL_GetWindowBordersSize(window_, &frame.top, &frame.left, &frame.bottom, &frame.right) != 0)
        return;
    if (frame.top == 0 && frame.left == 0 && frame.bottom == 0 && frame.right == 0)
        return;
    frame_ = frame;
    frameKnown_ = true;
    if (placedByDesign_) {
        const WindowPlacement placement = PlaceMainWindow(screenWidth_, screenHeight_, frame);
        if (placement.fullScreen) {
            SetFullScreen(true);
        } else if (placement.clientX != placement_.clientX || placement.clientY != placement_.clientY) {
            SDL_SetWindowPosition(window_, placement.clientX, placement.clientY);
            windowed_.x = placement.clientX;
            windowed_.y = placement.clientY;
        }
        placement_ = placement;
    }
    if (IsFullScreen() || IsMaximized())
        return;
    const WindowGeometry fitted = FittedWindow();
    if (fitted.x != windowed_.x || fitted.y != windowed_.y || fitted.width != windowed_.width ||
        fitted.height != windowed_.height)
        MoveClientTo(fitted);
}

ScreenRect GameWindow::WorkAreaAt(int x, int y) const
{
    int display = 0;
    for (int i = 0; i < SDL_GetNumVideoDisplays(); ++i) {
        SDL_Rect b;
        if (SDL_GetDisplayBounds(i, &b) == 0 && x >= b.x && x < b.x + b.w && y >= b.y && y < b.y + b.h) {
            display = i;
            break;
        }
    }
    SDL_Rect area;
    if (SDL_GetDisplayUsableBounds(display, &area) != 0 || area.w <= 0 || area.h <= 0)
        return ScreenRect{0, 0, screenWidth_, screenHeight_};
    return ScreenRect{area.x, area.y, area.w, area.h};
}

WindowGeometry GameWindow::FittedWindow() const
{
    const ScreenRect area = WorkAreaAt(windowed_.x + windowed_.width / 2, windowed_.y + windowed_.height / 2);
    return FitInWorkArea(windowed_, area, frame_);
}

void GameWindow::MoveClientTo(const WindowGeometry& client)
{
    windowed_.x = client.x;
    windowed_.y = client.y;
    windowed_.width = client.width;
    windowed_.height = client.height;
    SDL_SetWindowSize(window_, client.width, client.height);
    // SDL makes up for the frame it has heard of (none while it was full
    // screen); the window manager places by the frame's corner.
    FrameExtents heard;
    if (SDL_GetWindowBordersSize(window_, &heard.top, &heard.left, &heard.bottom, &heard.right) != 0)
        heard = FrameExtents{};
    SDL_SetWindowPosition(window_, client.x - (frame_.left - heard.left),
                          client.y - (frame_.top - heard.top));
}

WindowGeometry GameWindow::Geometry() const
{
    WindowGeometry g = windowed_;
    g.fullScreen = IsFullScreen();
    g.maximized = g.fullScreen ? maximizeWhenWindowed_ : IsMaximized();
    return g;
}

void GameWindow::SetFullScreen(bool on)
{
    if (!window_ || on == IsFullScreen())
        return;
    if (on) {
        // The window manager drops a maximised window's state as it goes full
        // screen: kept here for the way back.
        maximizeWhenWindowed_ = IsMaximized();
        SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
        return;
    }
    SDL_SetWindowFullscreen(window_, 0);
    SDL_SetWindowBordered(window_, SDL_TRUE);
    // Back at its windowed place and size, no larger than the work area
    // (a window that started full screen was never shown as a window).
    MoveClientTo(FittedWindow());
    if (maximizeWhenWindowed_)
        SDL_MaximizeWindow(window_);
    maximizeWhenWindowed_ = false;
}

bool GameWindow::IsFullScreen() const
{
    return window_ && (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
}

bool GameWindow::IsMaximized() const
{
    return window_ && (SDL_GetWindowFlags(window_) & SDL_WINDOW_MAXIMIZED) != 0;
}

bool GameWindow::TakeWindowKey(const void* sdlEvent)
{
    const SDL_Event& event = *static_cast<const SDL_Event*>(sdlEvent);
    const SDL_Keycode key = event.key.keysym.sym;
    const bool alt = (event.key.keysym.mod & KMOD_ALT) != 0;
    if (key != SDLK_F11 && !(alt && (key == SDLK_RETURN || key == SDLK_KP_ENTER)))
        return false;
    if (event.type == SDL_KEYDOWN && event.key.repeat == 0)
        SetFullScreen(!IsFullScreen());
    return true;
}

void GameWindow::WatchX11Window()
{
    x11Window_ = NoteX11GameWindow(window_);
    // The destruction of the window by another client comes only as a raw X
    // event: SDL passes it on as a window-manager event, or not at all.
    if (x11Window_ != 0)
        SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
}

std::string GameWindow::VideoDriver() const
{
    if (!window_)
        return {};
    const char* name = SDL_GetCurrentVideoDriver();
    return name ? name : "";
}

namespace {

// The darkest colour along the frame's edges (0xRRGGBB): the bars beside the
// picture then continue the page's own dark rim instead of cutting it off
// with black, and looking costs 2800 reads a frame.
std::uint32_t DarkestColour(const std::uint16_t* pixels, int pitchBytes, int width, int height)
{
    int best = 1 << 30;
    std::uint16_t darkest = 0;
    auto look = [&](int x, int y) {
        const auto* row = reinterpret_cast<const std::uint16_t*>(
            reinterpret_cast<const std::uint8_t*>(pixels) + y * pitchBytes);
        const std::uint16_t p = row[x];
        // Brightness as the eye weighs it, on the 5-6-5 fields.
        const int light = 2 * 2 * (p >> 11) + 5 * ((p >> 5) & 0x3F) + 2 * (p & 0x1F);
        if (light < best) {
            best = light;
            darkest = p;
        }
    };
    for (int x = 0; x < width; ++x) {
        look(x, 0);
        look(x, height - 1);
    }
    for (int y = 0; y < height; ++y) {
        look(0, y);
        look(width - 1, y);
    }
    const std::uint32_t r = ((darkest >> 11) & 0x1F) * 255 / 31;
    const std::uint32_t g = ((darkest >> 5) & 0x3F) * 255 / 63;
    const std::uint32_t b = (darkest & 0x1F) * 255 / 31;
    return (r << 16) | (g << 8) | b;
}

} // namespace

std::uint16_t* GameWindow::FramePixels(int& pitchBytes)
{
    if (framePixels_) {
        pitchBytes = framePitch_;
        return framePixels_;
    }
    SDL_RendererInfo info;
    if (!texture_ || SDL_GetRendererInfo(renderer_, &info) != 0 || info.name == nullptr ||
        std::string(info.name) != "software")
        return nullptr;
    // The software renderer's streaming texture is a surface of the
    // texture's own format, whose pixels stay where they are for its whole
    // life and are what a copy to the window reads: locked once, it is the
    // frame itself (other renderers hand out a buffer to be uploaded on
    // unlocking).
    void* pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(texture_, nullptr, &pixels, &pitch) != 0 || pixels == nullptr)
        return nullptr;
    framePixels_ = static_cast<std::uint16_t*>(pixels);
    framePitch_ = pitch;
    pitchBytes = pitch;
    return framePixels_;
}

bool GameWindow::ReadShown(std::uint16_t* pixels, int pitchBytes) const
{
    if (!renderer_ || !shown_ || pixels == nullptr)
        return false;
    const SDL_Rect frame{fit_.x, fit_.y, kWidth, kHeight};
    return SDL_RenderReadPixels(renderer_, &frame, SDL_PIXELFORMAT_RGB565, pixels, pitchBytes) == 0;
}

void GameWindow::Present(const std::uint16_t* pixels, int pitchBytes)
{
    if (!texture_ || !pixels)
        return;
    if (pixels != framePixels_)
        SDL_UpdateTexture(texture_, nullptr, pixels, pitchBytes);
    barColour_ = DarkestColour(pixels, pitchBytes, kWidth, kHeight);
    if (!shown_) {
        // Shown with its first whole frame: no black or empty window before.
        shown_ = true;
        SDL_ShowWindow(window_);
        SDL_RaiseWindow(window_);
        PlaceWithFrame();
    }
    PresentAgain();
}

void GameWindow::PresentAgain()
{
    if (!texture_ || !shown_)
        return;
    int outputWidth = 0, outputHeight = 0, windowWidth = 0, windowHeight = 0;
    if (SDL_GetRendererOutputSize(renderer_, &outputWidth, &outputHeight) != 0) {
        outputWidth = kWidth;
        outputHeight = kHeight;
    }
    SDL_GetWindowSize(window_, &windowWidth, &windowHeight);
    if (windowWidth <= 0 || windowHeight <= 0) {
        windowWidth = outputWidth;
        windowHeight = outputHeight;
    }
    fit_ = FitPicture(outputWidth, outputHeight, kWidth, kHeight);
    translator_.SetView(fit_, windowWidth, windowHeight, outputWidth, outputHeight);
    SDL_SetTextureScaleMode(texture_, fit_.whole ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
    SDL_SetRenderDrawColor(renderer_, (barColour_ >> 16) & 0xFF, (barColour_ >> 8) & 0xFF, barColour_ & 0xFF,
                           255);
    SDL_RenderClear(renderer_);
    const SDL_Rect target{fit_.x, fit_.y, fit_.width, fit_.height};
    SDL_RenderCopy(renderer_, texture_, nullptr, &target);
    SDL_RenderPresent(renderer_);
    if (keyTaken_ != 0 && KeyShown) {
        const std::uint64_t ticks = SDL_GetPerformanceCounter() - keyTaken_;
        const auto fine = static_cast<std::int64_t>(ticks * 1000000 / SDL_GetPerformanceFrequency());
        KeyShown(keyAgeMs_ * 1000 + fine);
    }
    keyTaken_ = 0;
}

bool GameWindow::WaitForInput(int timeoutMs, std::vector<InputRecord>& out)
{
    SDL_Event event;
    int got;
    if (timeoutMs < 0)
        got = SDL_WaitEvent(&event);
    else if (timeoutMs == 0)
        got = SDL_PollEvent(&event);
    else
        got = SDL_WaitEventTimeout(&event, timeoutMs);
    if (!got)
        return false;
    do {
        Translate(&event, out);
    } while (SDL_PollEvent(&event));
    return true;
}

void GameWindow::Translate(const void* sdlEvent, std::vector<InputRecord>& out)
{
    const SDL_Event& event = *static_cast<const SDL_Event*>(sdlEvent);
    auto simple = [&out](InputRecord::Kind kind) {
        InputRecord record;
        record.kind = kind;
        out.push_back(record);
    };
    switch (event.type) {
    case SDL_KEYDOWN:
        if (TakeWindowKey(&event))
            break;
        if (KeyShown && keyTaken_ == 0 && event.key.repeat == 0) {
            keyTaken_ = SDL_GetPerformanceCounter();
            keyAgeMs_ =
                static_cast<std::int64_t>(SDL_GetTicks()) - static_cast<std::int64_t>(event.key.timestamp);
        }
        translator_.KeyDown(event.key.keysym.sym, event.key.keysym.scancode, event.key.repeat != 0, out);
        break;
    case SDL_KEYUP:
        if (TakeWindowKey(&event))
            break;
        translator_.KeyUp(event.key.keysym.sym, event.key.keysym.scancode, out);
        break;
    case SDL_TEXTINPUT:
        translator_.Text(event.text.text, out);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        translator_.MouseButton(event.type == SDL_MOUSEBUTTONDOWN, event.button.button, event.button.x,
                                event.button.y, out);
        break;
    case SDL_MOUSEMOTION:
        translator_.MouseMove(event.motion.x, event.motion.y, out);
        break;
    case SDL_MOUSEWHEEL:
        translator_.MouseWheel(
            event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y, out);
        break;
    case SDL_CONTROLLERDEVICEADDED:
        if (SDL_GameController* pad = SDL_GameControllerOpen(event.cdevice.which))
            pads_.push_back(pad);
        break;
    case SDL_CONTROLLERDEVICEREMOVED:
        for (size_t i = 0; i < pads_.size(); ++i) {
            SDL_GameController* pad = static_cast<SDL_GameController*>(pads_[i]);
            if (SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad)) == event.cdevice.which) {
                SDL_GameControllerClose(pad);
                pads_.erase(pads_.begin() + static_cast<std::ptrdiff_t>(i));
                translator_.PadGone(out);
                break;
            }
        }
        break;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
        translator_.PadButton(event.cbutton.button, event.type == SDL_CONTROLLERBUTTONDOWN, out);
        break;
    case SDL_CONTROLLERAXISMOTION:
        translator_.PadAxis(event.caxis.axis, event.caxis.value, out);
        break;
    case SDL_QUIT:
        simple(InputRecord::Kind::Close);
        break;
    case SDL_SYSWMEVENT:
        // Another client destroyed the window: the game ends as if closed.
        if (DestroysX11Window(&event, x11Window_)) {
            x11Destroyed_ = true;
            simple(InputRecord::Kind::Close);
        }
        break;
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            simple(InputRecord::Kind::Activate);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
        case SDL_WINDOWEVENT_MINIMIZED: // some desktops leave the focus there
            simple(InputRecord::Kind::Deactivate);
            break;
        case SDL_WINDOWEVENT_CLOSE:
            simple(InputRecord::Kind::Close);
            break;
        // A maximised window's place and size are the desktop's, not the
        // player's: the window comes back to the player's when restored.
        case SDL_WINDOWEVENT_MOVED:
            if (!IsFullScreen() && !IsMaximized()) {
                windowed_.x = event.window.data1;
                windowed_.y = event.window.data2;
            }
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            if (!IsFullScreen() && !IsMaximized()) {
                windowed_.width = event.window.data1;
                windowed_.height = event.window.data2;
            }
            simple(InputRecord::Kind::Expose);
            break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_RESTORED:
            simple(InputRecord::Kind::Expose);
            break;
        default:
            break;
        }
        break;
    default:
        break;
    }
}

} // namespace Platform
