#include "platform/desktop/X11ErrorFilter.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>

namespace Platform {
namespace {

XErrorHandler PassedOn = nullptr;

int FilterX11Error(Display* display, XErrorEvent* error)
{
    if (IgnoredX11Error(error->error_code, error->request_code))
        return 0;
    return PassedOn != nullptr ? PassedOn(display, error) : 0;
}

} // namespace

bool IgnoredX11Error(int errorCode, int requestCode)
{
    return errorCode == BadWindow && requestCode == X_SendEvent;
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
