#include "platform/desktop/WindowPlacement.h"

#include <algorithm>
#include <cstdint>

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

WindowGeometry FitInWorkArea(const WindowGeometry& window, const ScreenRect& workArea,
                             const FrameExtents& frame)
{
    const int roomWidth = std::max(1, workArea.width - frame.left - frame.right);
    const int roomHeight = std::max(1, workArea.height - frame.top - frame.bottom);
    if (window.width <= roomWidth && window.height <= roomHeight)
        return window;
    WindowGeometry fitted = window;
    // The smaller of the two scales, in integers: width / height stays as
    // close as whole pixels allow.
    if (int64_t{window.width} * roomHeight > int64_t{window.height} * roomWidth) {
        fitted.width = roomWidth;
        fitted.height = static_cast<int>(int64_t{window.height} * roomWidth / window.width);
    } else {
        fitted.height = roomHeight;
        fitted.width = static_cast<int>(int64_t{window.width} * roomHeight / window.height);
    }
    fitted.width = std::max(fitted.width, 1);
    fitted.height = std::max(fitted.height, 1);
    fitted.x = window.x + (window.width - fitted.width) / 2;
    fitted.y = window.y + (window.height - fitted.height) / 2;
    const int left = workArea.x + frame.left;
    const int top = workArea.y + frame.top;
    fitted.x = std::clamp(fitted.x, left, left + roomWidth - fitted.width);
    fitted.y = std::clamp(fitted.y, top, top + roomHeight - fitted.height);
    return fitted;
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
