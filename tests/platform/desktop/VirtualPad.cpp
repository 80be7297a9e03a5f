#include "tests/platform/desktop/VirtualPad.h"

#include <SDL.h>

namespace TestSupport {
namespace {

SDL_GameControllerButton SdlButton(VirtualPad::Button button)
{
    switch (button) {
    case VirtualPad::A:
        return SDL_CONTROLLER_BUTTON_A;
    case VirtualPad::B:
        return SDL_CONTROLLER_BUTTON_B;
    case VirtualPad::Back:
        return SDL_CONTROLLER_BUTTON_BACK;
    case VirtualPad::Start:
        return SDL_CONTROLLER_BUTTON_START;
    case VirtualPad::Up:
        return SDL_CONTROLLER_BUTTON_DPAD_UP;
    case VirtualPad::Down:
        return SDL_CONTROLLER_BUTTON_DPAD_DOWN;
    case VirtualPad::Left:
        return SDL_CONTROLLER_BUTTON_DPAD_LEFT;
    case VirtualPad::Right:
        return SDL_CONTROLLER_BUTTON_DPAD_RIGHT;
    }
    return SDL_CONTROLLER_BUTTON_INVALID;
}

} // namespace

VirtualPad::~VirtualPad()
{
    Unplug();
}

bool VirtualPad::Plug()
{
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.name = "Test pad";
    device_ = SDL_JoystickAttachVirtualEx(&desc);
    if (device_ < 0)
        return false;
    joystick_ = SDL_JoystickOpen(device_);
    return joystick_ != nullptr;
}

void VirtualPad::Unplug()
{
    if (joystick_ != nullptr)
        SDL_JoystickClose(static_cast<SDL_Joystick*>(joystick_));
    if (device_ >= 0)
        SDL_JoystickDetachVirtual(device_);
    joystick_ = nullptr;
    device_ = -1;
}

void VirtualPad::Set(Button button, bool down)
{
    SDL_JoystickSetVirtualButton(static_cast<SDL_Joystick*>(joystick_), SdlButton(button), down ? 1 : 0);
}

void VirtualPad::StickX(int value)
{
    SDL_JoystickSetVirtualAxis(static_cast<SDL_Joystick*>(joystick_), SDL_CONTROLLER_AXIS_LEFTX,
                               static_cast<Sint16>(value));
}

void VirtualPad::StickY(int value)
{
    SDL_JoystickSetVirtualAxis(static_cast<SDL_Joystick*>(joystick_), SDL_CONTROLLER_AXIS_LEFTY,
                               static_cast<Sint16>(value));
}

std::string VirtualPad::Error() const
{
    return SDL_GetError();
}

} // namespace TestSupport
