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
    record.x = ClampX(x);
    record.y = ClampY(y);
    out.push_back(record);
}

void InputTranslator::MouseMove(int x, int y, std::vector<InputRecord>& out) const
{
    InputRecord record;
    record.kind = InputRecord::Kind::MouseMove;
    record.x = ClampX(x);
    record.y = ClampY(y);
    out.push_back(record);
}

} // namespace Platform
