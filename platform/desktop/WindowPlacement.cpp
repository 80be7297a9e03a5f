#include "platform/desktop/WindowPlacement.h"

namespace Platform {

WindowPlacement PlaceMainWindow(int screenWidth, int screenHeight, const FrameExtents& frame)
{
    WindowPlacement placement;
    const int outerWidth = kDesignClientWidth + frame.left + frame.right;
    const int outerHeight = kDesignClientHeight + frame.top + frame.bottom;
    if (screenHeight > outerHeight) {
        // Integer division truncates toward zero, as the design's does.
        const int left = (screenWidth - outerWidth) / 2;
        const int top = (screenHeight - outerHeight) / 2;
        placement.clientX = left + frame.left;
        placement.clientY = top + frame.top;
    } else {
        placement.fullScreen = true;
    }
    return placement;
}

} // namespace Platform
