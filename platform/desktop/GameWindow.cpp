#include "platform/desktop/GameWindow.h"

#include "platform/desktop/X11ErrorFilter.h"

#include <SDL.h>

namespace Platform {

GameWindow::GameWindow() = default;

GameWindow::~GameWindow()
{
    Destroy();
}

void GameWindow::Destroy()
{
    if (texture_)
        SDL_DestroyTexture(texture_);
    if (renderer_)
        SDL_DestroyRenderer(renderer_);
    if (window_)
        SDL_DestroyWindow(window_);
    texture_ = nullptr;
    renderer_ = nullptr;
    window_ = nullptr;
    x11Window_ = 0;
    if (videoStarted_)
        SDL_QuitSubSystem(SDL_INIT_VIDEO); // audio, if started, stays up
    videoStarted_ = false;
}

bool GameWindow::Open(const std::string& caption)
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

    window_ = SDL_CreateWindow(caption.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, kWidth,
                               kHeight, SDL_WINDOW_HIDDEN);
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
    // The page layout is 800 x 600 whatever the window's size: full screen
    // scales it, keeping its shape, and reports the mouse in layout pixels.
    SDL_RenderSetLogicalSize(renderer_, kWidth, kHeight);
    // Placed only now: creating the renderer puts a hidden X11 window back
    // where it was created. A window manager's frame is not known before the
    // window is shown; it then counts as none.
    FrameExtents frame;
    if (SDL_GetWindowBordersSize(window_, &frame.top, &frame.left, &frame.bottom, &frame.right) != 0)
        frame = FrameExtents{};
    placement_ = PlaceMainWindow(screenWidth_, screenHeight_, frame);
    if (placement_.fullScreen) {
        SDL_SetWindowBordered(window_, SDL_FALSE);
        SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
    } else {
        SDL_SetWindowPosition(window_, placement_.clientX, placement_.clientY);
    }

    WatchX11Window();
    SDL_ShowCursor(SDL_DISABLE);
    SDL_StartTextInput();
    SDL_ShowWindow(window_);
    SDL_RaiseWindow(window_);
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderPresent(renderer_);
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

void GameWindow::Present(const std::uint16_t* pixels, int pitchBytes)
{
    if (!texture_ || !pixels)
        return;
    SDL_UpdateTexture(texture_, nullptr, pixels, pitchBytes);
    PresentAgain();
}

void GameWindow::PresentAgain()
{
    if (!texture_)
        return;
    SDL_RenderClear(renderer_); // the bars around the picture in full screen
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
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
        translator_.KeyDown(event.key.keysym.sym, event.key.keysym.scancode, event.key.repeat != 0, out);
        break;
    case SDL_KEYUP:
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
    case SDL_QUIT:
        simple(InputRecord::Kind::Close);
        break;
    case SDL_SYSWMEVENT:
        // Another client destroyed the window: the game ends as if closed.
        if (DestroysX11Window(&event, x11Window_))
            simple(InputRecord::Kind::Close);
        break;
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            simple(InputRecord::Kind::Activate);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            simple(InputRecord::Kind::Deactivate);
            break;
        case SDL_WINDOWEVENT_CLOSE:
            simple(InputRecord::Kind::Close);
            break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
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
