// Turns the window system's raw input (given as plain values, so that it can
// be tested without a display) into the game's input records.
#pragma once

#include "platform/desktop/InputRecord.h"
#include "platform/desktop/PictureFit.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace Platform {

class InputTranslator {
public:
    // Mouse positions are clamped into width x height: in full screen the
    // bars around the picture report positions outside it, and a held button
    // keeps reporting when the pointer leaves the window.
    InputTranslator(int width, int height) : width_(width), height_(height) {}

    // Where the picture is shown in the window (see FitPicture): mouse
    // positions in window coordinates are taken back to the picture's. Until
    // set, positions are the picture's already.
    void SetView(const PictureFit& fit, int windowWidth, int windowHeight, int outputWidth, int outputHeight);

    // A key went down (again, when repeat): a KeyDown for keys that have a
    // virtual key, then a KeyPress for Backspace, Tab, Enter and Escape,
    // which type a control character but send no text.
    void KeyDown(std::int32_t sdlKeycode, int sdlScancode, bool repeat, std::vector<InputRecord>& out) const;
    void KeyUp(std::int32_t sdlKeycode, int sdlScancode, std::vector<InputRecord>& out) const;
    // Typed text (UTF-8): one KeyPress per Windows-1252 byte; what the code
    // page cannot hold is dropped.
    void Text(std::string_view utf8, std::vector<InputRecord>& out) const;
    void MouseButton(bool down, int button, int x, int y, std::vector<InputRecord>& out) const;
    void MouseMove(int x, int y, std::vector<InputRecord>& out) const;

private:
    int ClampX(int x) const;
    int ClampY(int y) const;
    void ToPicture(int& x, int& y) const;

    int width_;
    int height_;
    bool viewSet_ = false;
    PictureFit fit_;
    int windowWidth_ = 0;
    int windowHeight_ = 0;
    int outputWidth_ = 0;
    int outputHeight_ = 0;
};

} // namespace Platform
