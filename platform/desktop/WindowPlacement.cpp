#include "platform/desktop/WindowPlacement.h"

#include <algorithm>

namespace Platform {

WindowPlacement PlaceMainWindow(int screenWidth, int screenHeight, const FrameExtents& frame)
{
    WindowPlacement placement;
    const int outerWidth = kDesignClientWidth + frame.left + frame.right;
    const int outerHeight = kDesignClientHeight + frame.top + frame.bottom;
    // Judged by the design-time height alone, a 600-pixel screen got a
    // window whose bottom hung off the screen.
    if (screenHeight <= kPictureHeight + frame.top + frame.bottom) {
        placement.fullScreen = true;
        return placement;
    }
    // Integer division truncates toward zero, as the design's does.
    const int left = (screenWidth - outerWidth) / 2;
    const int top = (screenHeight - outerHeight) / 2;
    placement.clientX = left + frame.left;
    placement.clientY = top + frame.top;
    if (placement.clientY + kPictureHeight + frame.bottom > screenHeight)
        placement.clientY = screenHeight - kPictureHeight - frame.bottom;
    if (placement.clientX + kPictureWidth + frame.right > screenWidth)
        placement.clientX = std::max(frame.left, screenWidth - kPictureWidth - frame.right);
    return placement;
}

bool OnSomeScreen(const WindowGeometry& window, const std::vector<ScreenRect>& screens)
{
    constexpr int kGrabWidth = 64;
    constexpr int kGrabHeight = 32;
    for (const ScreenRect& s : screens) {
        const int left = std::max(window.x, s.x);
        const int right = std::min(window.x + window.width, s.x + s.width);
        const int top = std::max(window.y, s.y);
        const int bottom = std::min(window.y + window.height, s.y + s.height);
        if (window.y >= s.y && window.y < s.y + s.height && right - left >= kGrabWidth &&
            bottom - top >= kGrabHeight)
            return true;
    }
    return false;
}

} // namespace Platform
