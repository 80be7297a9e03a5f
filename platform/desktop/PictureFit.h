// Where the game's fixed-size picture goes in a window of any size, and
// where a pointer position in that window lies on the picture.
#pragma once

namespace Platform {

struct PictureFit {
    // The picture's rectangle in the window's drawable, in its pixels.
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    // Drawn at a whole multiple of its size, each pixel a sharp square;
    // otherwise scaled smoothly.
    bool whole = false;
};

// The picture (pictureWidth x pictureHeight) in a drawable of outputWidth x
// outputHeight pixels: centred, as large as fits with its shape kept. A whole
// multiple is taken when one fits and gives up less than a tenth of that
// size: sharp pixels are worth a slightly smaller picture, a picture half the
// screen's size is not. Nothing fits in an empty drawable (all 0).
PictureFit FitPicture(int outputWidth, int outputHeight, int pictureWidth, int pictureHeight);

// A position in window coordinates to picture coordinates, not clamped (the
// bars lie outside the picture). The window may have fewer coordinates than
// its drawable has pixels (a display with a scale factor).
void WindowToPicture(const PictureFit& fit, int windowWidth, int windowHeight, int outputWidth,
                     int outputHeight, int pictureWidth, int pictureHeight, int& x, int& y);

} // namespace Platform
