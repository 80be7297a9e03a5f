#include "platform/desktop/InputTranslator.h"

#include "platform/Cp1252.h"
#include "platform/desktop/KeyMap.h"

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

void InputTranslator::MouseMove(int x, int y, std::vector<InputRecord>& out) const
{
    InputRecord record;
    record.kind = InputRecord::Kind::MouseMove;
    ToPicture(x, y);
    record.x = x;
    record.y = y;
    out.push_back(record);
}

} // namespace Platform
