#include "platform/desktop/X11Frame.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace Platform {
namespace {

// Whether the window manager lists the atom among what it supports; false
// without a window manager (then nobody would ever answer).
bool Supported(Display* display, Window root, Atom wanted)
{
    const Atom supported = XInternAtom(display, "_NET_SUPPORTED", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, root, supported, 0, 4096, False, XA_ATOM, &type, &format, &count, &after,
                           &data) != Success ||
        data == nullptr)
        return false;
    bool found = false;
    if (type == XA_ATOM && format == 32) {
        const Atom* atoms = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; i < count && !found; ++i)
            found = atoms[i] == wanted;
    }
    XFree(data);
    return found;
}

bool ReadExtents(Display* display, Window window, Atom extents, FrameExtents& frame)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, extents, 0, 4, False, XA_CARDINAL, &type, &format, &count, &after,
                           &data) != Success ||
        data == nullptr)
        return false;
    const bool ok = type == XA_CARDINAL && format == 32 && count == 4;
    if (ok) {
        // Format-32 properties come as longs: left, right, top, bottom.
        const long* v = reinterpret_cast<const long*>(data);
        frame.left = static_cast<int>(v[0]);
        frame.right = static_cast<int>(v[1]);
        frame.top = static_cast<int>(v[2]);
        frame.bottom = static_cast<int>(v[3]);
    }
    XFree(data);
    return ok;
}

} // namespace

bool AskX11FrameExtents(SDL_Window* window, int timeoutMs, FrameExtents& frame)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return false;
    Display* display = info.info.x11.display;
    const Window xwindow = info.info.x11.window;
    const Window root = DefaultRootWindow(display);
    const Atom request = XInternAtom(display, "_NET_REQUEST_FRAME_EXTENTS", False);
    const Atom extents = XInternAtom(display, "_NET_FRAME_EXTENTS", False);
    if (!Supported(display, root, request))
        return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = xwindow;
    event.xclient.message_type = request;
    event.xclient.format = 32;
    XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XSync(display, False);
    const Uint32 start = SDL_GetTicks();
    for (;;) {
        if (ReadExtents(display, xwindow, extents, frame))
            return true;
        if (static_cast<int>(SDL_GetTicks() - start) >= timeoutMs)
            return false;
        SDL_Delay(1);
    }
}

} // namespace Platform
