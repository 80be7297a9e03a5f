#include "platform/desktop/X11ErrorFilter.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xproto.h>

namespace Platform {
namespace {

// Minor opcode of MIT-SHM's ShmPutImage, from its protocol.
constexpr int kShmPutImage = 3;

XErrorHandler PassedOn = nullptr;
unsigned long GameWindow = 0;
int ShmOpcode = -1;

int FilterX11Error(Display* display, XErrorEvent* error)
{
    const TX11Error e{error->error_code, error->request_code, error->minor_code, error->resourceid};
    if (IgnoredX11Error(e))
        return 0;
    return PassedOn != nullptr ? PassedOn(display, error) : 0;
}

bool Extension(int opcode, int requestCode, int minorCode, int minor)
{
    return opcode > 0 && requestCode == opcode && minorCode == minor;
}

} // namespace

bool IgnoredX11Error(const TX11Error& e)
{
    if (e.ErrorCode == BadWindow && e.RequestCode == X_SendEvent)
        return true;
    if (GameWindow == 0 || e.Resource != GameWindow)
        return false;
    // The game names its window only while it holds it: the server calls it
    // a bad window only once another client has destroyed it, whatever the
    // request (SDL reads its properties, changes its cursor, ungrabs it...).
    if (e.ErrorCode == BadWindow)
        return true;
    if (e.ErrorCode == BadDrawable)
        return e.RequestCode == X_PutImage || Extension(ShmOpcode, e.RequestCode, e.MinorCode, kShmPutImage);
    return false;
}

unsigned long NoteX11GameWindow(SDL_Window* window)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return 0;
    int shm = -1, event = 0, error = 0;
    if (!XQueryExtension(info.info.x11.display, "MIT-SHM", &shm, &event, &error))
        shm = -1;
    SetX11GameWindow(info.info.x11.window, shm);
    return info.info.x11.window;
}

bool DestroysX11Window(const void* sdlEvent, unsigned long window)
{
    const SDL_Event& e = *static_cast<const SDL_Event*>(sdlEvent);
    return window != 0 && e.type == SDL_SYSWMEVENT && e.syswm.msg != nullptr &&
           e.syswm.msg->subsystem == SDL_SYSWM_X11 && e.syswm.msg->msg.x11.event.type == DestroyNotify &&
           e.syswm.msg->msg.x11.event.xdestroywindow.window == window;
}

void ReleaseDestroyedX11Window(SDL_Window* window)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return;
    XEvent event{};
    event.xunmap.type = UnmapNotify;
    event.xunmap.display = info.info.x11.display;
    event.xunmap.event = info.info.x11.window;
    event.xunmap.window = info.info.x11.window;
    XPutBackEvent(info.info.x11.display, &event);
}

void SetX11GameWindow(unsigned long window, int shmOpcode)
{
    GameWindow = window;
    ShmOpcode = shmOpcode;
}

void InstallX11ErrorFilter()
{
    // SDL keeps the handler it finds when its video starts and puts it back
    // when its video stops, so installed first, the filter stays in place
    // until the connections are closed.
    static const bool installed = [] {
        PassedOn = XSetErrorHandler(FilterX11Error);
        return true;
    }();
    (void)installed;
}

} // namespace Platform
