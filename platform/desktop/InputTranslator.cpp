#include "platform/desktop/InputTranslator.h"

#include "platform/Cp1252.h"
#include "platform/KeyCodes.h"

#include "platform/desktop/KeyMap.h"
#include <SDL_gamecontroller.h>

#include <algorithm>

namespace Platform {

int InputTranslator::ClampX(int x) const
{
    return std::clamp(x, 0, std::max(width_ - 1, 0));
}

int InputTranslator::ClampY(int y) const
{
    return std::clamp(y, 0, std::max(height_ - 1, 0));
}

void InputTranslator::SetView(const PictureFit& fit, int windowWidth, int windowHeight, int outputWidth,
                              int outputHeight)
{
    viewSet_ = true;
    fit_ = fit;
    windowWidth_ = windowWidth;
    windowHeight_ = windowHeight;
    outputWidth_ = outputWidth;
    outputHeight_ = outputHeight;
}

void InputTranslator::ToPicture(int& x, int& y) const
{
    if (viewSet_)
        WindowToPicture(fit_, windowWidth_, windowHeight_, outputWidth_, outputHeight_, width_, height_, x,
                        y);
    x = ClampX(x);
    y = ClampY(y);
}

void InputTranslator::KeyDown(std::int32_t sdlKeycode, int sdlScancode, bool repeat,
                              std::vector<InputRecord>& out) const
{
    if (const int vk = VirtualKeyFromSdl(sdlKeycode, sdlScancode)) {
        InputRecord record;
        record.kind = InputRecord::Kind::KeyDown;
        record.code = vk;
        record.repeat = repeat;
        out.push_back(record);
    }
    if (const int character = KeyPressCharFromSdl(sdlKeycode)) {
        InputRecord record;
        record.kind = InputRecord::Kind::KeyPress;
        record.code = character;
        out.push_back(record);
    }
}

void InputTranslator::KeyUp(std::int32_t sdlKeycode, int sdlScancode, std::vector<InputRecord>& out) const
{
    if (const int vk = VirtualKeyFromSdl(sdlKeycode, sdlScancode)) {
        InputRecord record;
        record.kind = InputRecord::Kind::KeyUp;
        record.code = vk;
        out.push_back(record);
    }
}

void InputTranslator::Text(std::string_view utf8, std::vector<InputRecord>& out) const
{
    for (const char byte : Utf8ToCp1252(utf8)) {
        InputRecord record;
        record.kind = InputRecord::Kind::KeyPress;
        record.code = static_cast<unsigned char>(byte);
        out.push_back(record);
    }
}

void InputTranslator::MouseButton(bool down, int button, int x, int y, std::vector<InputRecord>& out) const
{
    InputRecord record;
    record.kind = down ? InputRecord::Kind::MouseDown : InputRecord::Kind::MouseUp;
    record.code = button;
    ToPicture(x, y);
    record.x = x;
    record.y = y;
    out.push_back(record);
}

void InputTranslator::MouseWheel(int notches, std::vector<InputRecord>& out) const
{
    const int code = notches > 0 ? kVkWheelUp : kVkWheelDown;
    const int count = std::min(notches > 0 ? notches : -notches, kMaxWheelNotches);
    for (int i = 0; i < count; ++i)
        for (InputRecord::Kind kind : {InputRecord::Kind::KeyDown, InputRecord::Kind::KeyUp}) {
            InputRecord record;
            record.kind = kind;
            record.code = code;
            out.push_back(record);
        }
}

void InputTranslator::MouseMove(int x, int y, std::vector<InputRecord>& out) const
{
    InputRecord record;
    record.kind = InputRecord::Kind::MouseMove;
    ToPicture(x, y);
    record.x = x;
    record.y = y;
    out.push_back(record);
}

namespace {

// A stick counts as pushed past half way, and as let go back within a
// quarter: a worn stick resting a little off centre moves nothing, and one
// held near the threshold does not flutter.
constexpr int kStickPushed = 16384;
constexpr int kStickLetGo = 8192;

void Key(InputRecord::Kind kind, int code, std::vector<InputRecord>& out)
{
    InputRecord record;
    record.kind = kind;
    record.code = code;
    out.push_back(record);
}

// Moves a stick's held direction to now (0: none), reporting the change.
void Hold(int& held, int now, std::vector<InputRecord>& out)
{
    if (held == now)
        return;
    if (held != 0)
        Key(InputRecord::Kind::KeyUp, held, out);
    if (now != 0)
        Key(InputRecord::Kind::KeyDown, now, out);
    held = now;
}

int Direction(int value, int held, int negative, int positive)
{
    if (value <= -kStickPushed)
        return negative;
    if (value >= kStickPushed)
        return positive;
    if (value > -kStickLetGo && value < kStickLetGo)
        return 0;
    return held; // between the thresholds: as it was
}

} // namespace

void InputTranslator::PadButton(int sdlButton, bool down, std::vector<InputRecord>& out) const
{
    int code = 0;
    switch (sdlButton) {
    case SDL_CONTROLLER_BUTTON_A:
        code = kVkPadA;
        break;
    case SDL_CONTROLLER_BUTTON_B:
        code = kVkPadB;
        break;
    case SDL_CONTROLLER_BUTTON_BACK:
        code = kVkPadBack;
        break;
    case SDL_CONTROLLER_BUTTON_START:
        code = kVkPadStart;
        break;
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
        code = kVkPadUp;
        break;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
        code = kVkPadDown;
        break;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
        code = kVkPadLeft;
        break;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
        code = kVkPadRight;
        break;
    default:
        return;
    }
    Key(down ? InputRecord::Kind::KeyDown : InputRecord::Kind::KeyUp, code, out);
}

void InputTranslator::PadAxis(int sdlAxis, int value, std::vector<InputRecord>& out)
{
    if (sdlAxis == SDL_CONTROLLER_AXIS_LEFTX)
        Hold(stickX_, Direction(value, stickX_, kVkPadLeft, kVkPadRight), out);
    else if (sdlAxis == SDL_CONTROLLER_AXIS_LEFTY)
        Hold(stickY_, Direction(value, stickY_, 0, kVkPadDown), out);
}

void InputTranslator::PadGone(std::vector<InputRecord>& out)
{
    Hold(stickX_, 0, out);
    Hold(stickY_, 0, out);
}

} // namespace Platform
