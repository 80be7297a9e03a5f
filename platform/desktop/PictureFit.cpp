#include "platform/desktop/PictureFit.h"

#include <algorithm>
#include <cstdint>

namespace Platform {

PictureFit FitPicture(int outputWidth, int outputHeight, int pictureWidth, int pictureHeight)
{
    PictureFit fit;
    if (outputWidth <= 0 || outputHeight <= 0 || pictureWidth <= 0 || pictureHeight <= 0)
        return fit;
    // The largest size with the picture's shape: limited by the width or by
    // the height, in exact integer arithmetic.
    const std::int64_t byWidth = static_cast<std::int64_t>(outputWidth) * pictureHeight;
    const std::int64_t byHeight = static_cast<std::int64_t>(outputHeight) * pictureWidth;
    if (byWidth <= byHeight) {
        fit.width = outputWidth;
        fit.height = static_cast<int>(byWidth / pictureWidth);
    } else {
        fit.height = outputHeight;
        fit.width = static_cast<int>(byHeight / pictureHeight);
    }
    const int multiple = std::min(outputWidth / pictureWidth, outputHeight / pictureHeight);
    if (multiple >= 1 && static_cast<std::int64_t>(multiple) * pictureWidth * 10 >= 9LL * fit.width) {
        fit.width = multiple * pictureWidth;
        fit.height = multiple * pictureHeight;
        fit.whole = true;
    }
    fit.width = std::max(fit.width, 1);
    fit.height = std::max(fit.height, 1);
    fit.x = (outputWidth - fit.width) / 2;
    fit.y = (outputHeight - fit.height) / 2;
    return fit;
}

namespace {

// floor(a / b) for b > 0: positions left of the picture stay left of it.
int FloorDiv(std::int64_t a, std::int64_t b)
{
    std::int64_t q = a / b;
    if ((a % b != 0) && (a < 0))
        --q;
    return static_cast<int>(q);
}

} // namespace

void WindowToPicture(const PictureFit& fit, int windowWidth, int windowHeight, int outputWidth,
                     int outputHeight, int pictureWidth, int pictureHeight, int& x, int& y)
{
    if (fit.width <= 0 || fit.height <= 0 || windowWidth <= 0 || windowHeight <= 0)
        return;
    // Window coordinates to drawable pixels (the centre of the point), then
    // to the picture's pixels.
    const std::int64_t px = (2LL * x + 1) * outputWidth; // twice the pixel position times windowWidth
    const std::int64_t py = (2LL * y + 1) * outputHeight;
    x = FloorDiv((px - 2LL * fit.x * windowWidth) * pictureWidth, 2LL * windowWidth * fit.width);
    y = FloorDiv((py - 2LL * fit.y * windowHeight) * pictureHeight, 2LL * windowHeight * fit.height);
}

} // namespace Platform
