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
    // The wheel turned (SDL's notches, positive away from the player): a
    // KeyDown and KeyUp of kVkWheelUp or kVkWheelDown per notch, at most
    // kMaxWheelNotches of them however far a flung wheel says it went.
    void MouseWheel(int notches, std::vector<InputRecord>& out) const;
    static constexpr int kMaxWheelNotches = 10;

    // A gamepad's button (SDL game-controller numbering) went down or up: a
    // KeyDown or KeyUp of its pad code (kVkPadLeft ... kVkPadBack); buttons
    // the game does not use report nothing.
    void PadButton(int sdlButton, bool down, std::vector<InputRecord>& out) const;
    // A stick moved (SDL axis numbering, -32768 to 32767): the left stick
    // pushed far enough left, right or down holds that D-pad direction, and
    // lets it go again once back near the middle. Up is left out: on the
    // stick it would drop figures by accident.
    void PadAxis(int sdlAxis, int value, std::vector<InputRecord>& out);
    // The pad was unplugged: every direction its stick held is let go.
    void PadGone(std::vector<InputRecord>& out);

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
    // The D-pad codes the left stick holds down now (0: none), per axis.
    int stickX_ = 0;
    int stickY_ = 0;
};

} // namespace Platform
