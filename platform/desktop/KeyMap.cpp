#include "platform/desktop/KeyMap.h"

#include <SDL.h>

namespace Platform {
namespace {

struct KeyEntry {
    SDL_Keycode sdl;
    int vk;
};

// Keys whose SDL code says what they are whatever the layout. Letters and
// digits are handled by range below.
constexpr KeyEntry kKeyTable[] = {
    {SDLK_BACKSPACE, kVkBack},
    {SDLK_TAB, kVkTab},
    {SDLK_RETURN, kVkReturn},
    {SDLK_RETURN2, kVkReturn},
    {SDLK_KP_ENTER, kVkReturn},
    {SDLK_LSHIFT, kVkShift},
    {SDLK_RSHIFT, kVkShift},
    {SDLK_LCTRL, kVkControl},
    {SDLK_RCTRL, kVkControl},
    {SDLK_LALT, kVkMenu},
    {SDLK_RALT, kVkMenu},
    {SDLK_PAUSE, 0x13},
    {SDLK_CAPSLOCK, 0x14},
    {SDLK_ESCAPE, kVkEscape},
    {SDLK_SPACE, kVkSpace},
    {SDLK_PAGEUP, 0x21},
    {SDLK_PAGEDOWN, 0x22},
    {SDLK_END, 0x23},
    {SDLK_HOME, 0x24},
    {SDLK_LEFT, kVkLeft},
    {SDLK_UP, kVkUp},
    {SDLK_RIGHT, kVkRight},
    {SDLK_DOWN, kVkDown},
    {SDLK_PRINTSCREEN, 0x2C},
    {SDLK_INSERT, 0x2D},
    {SDLK_DELETE, kVkDelete}, // SDLK_DELETE is 0x7F; the virtual key is not
    {SDLK_LGUI, 0x5B},
    {SDLK_RGUI, 0x5C},
    {SDLK_APPLICATION, 0x5D},
    {SDLK_KP_0, 0x60},
    {SDLK_KP_1, 0x61},
    {SDLK_KP_2, 0x62},
    {SDLK_KP_3, 0x63},
    {SDLK_KP_4, 0x64},
    {SDLK_KP_5, 0x65},
    {SDLK_KP_6, 0x66},
    {SDLK_KP_7, 0x67},
    {SDLK_KP_8, 0x68},
    {SDLK_KP_9, 0x69},
    {SDLK_KP_MULTIPLY, 0x6A},
    {SDLK_KP_PLUS, 0x6B},
    {SDLK_KP_MINUS, 0x6D},
    {SDLK_KP_PERIOD, 0x6E},
    {SDLK_KP_DECIMAL, 0x6E},
    {SDLK_KP_DIVIDE, 0x6F},
    {SDLK_F1, 0x70},
    {SDLK_F2, 0x71},
    {SDLK_F3, 0x72},
    {SDLK_F4, 0x73},
    {SDLK_F5, 0x74},
    {SDLK_F6, 0x75},
    {SDLK_F7, 0x76},
    {SDLK_F8, 0x77},
    {SDLK_F9, 0x78},
    {SDLK_F10, 0x79},
    {SDLK_F11, 0x7A},
    {SDLK_F12, 0x7B},
    {SDLK_F13, 0x7C},
    {SDLK_F14, 0x7D},
    {SDLK_F15, 0x7E},
    {SDLK_F16, 0x7F},
    {SDLK_F17, 0x80},
    {SDLK_F18, 0x81},
    {SDLK_F19, 0x82},
    {SDLK_F20, 0x83},
    {SDLK_F21, 0x84},
    {SDLK_F22, 0x85},
    {SDLK_F23, 0x86},
    {SDLK_F24, 0x87},
    {SDLK_NUMLOCKCLEAR, 0x90},
    {SDLK_SCROLLLOCK, 0x91},
};

struct ScanEntry {
    SDL_Scancode sdl;
    int vk;
};

// Punctuation keys by position (US layout names), as the original platform
// reported them whatever character the layout puts there.
constexpr ScanEntry kScanTable[] = {
    {SDL_SCANCODE_SEMICOLON, 0xBA},    {SDL_SCANCODE_EQUALS, 0xBB},      {SDL_SCANCODE_COMMA, 0xBC},
    {SDL_SCANCODE_MINUS, 0xBD},        {SDL_SCANCODE_PERIOD, 0xBE},      {SDL_SCANCODE_SLASH, 0xBF},
    {SDL_SCANCODE_GRAVE, 0xC0},        {SDL_SCANCODE_LEFTBRACKET, 0xDB}, {SDL_SCANCODE_BACKSLASH, 0xDC},
    {SDL_SCANCODE_RIGHTBRACKET, 0xDD}, {SDL_SCANCODE_APOSTROPHE, 0xDE},  {SDL_SCANCODE_NONUSBACKSLASH, 0xE2},
};

} // namespace

int VirtualKeyFromSdl(std::int32_t sdlKeycode, int sdlScancode)
{
    if (sdlKeycode >= SDLK_a && sdlKeycode <= SDLK_z)
        return sdlKeycode - SDLK_a + 'A';
    if (sdlKeycode >= SDLK_0 && sdlKeycode <= SDLK_9)
        return sdlKeycode;
    for (const KeyEntry& entry : kKeyTable)
        if (entry.sdl == sdlKeycode)
            return entry.vk;
    for (const ScanEntry& entry : kScanTable)
        if (entry.sdl == sdlScancode)
            return entry.vk;
    // Layouts that put other characters on the digit row still report digits.
    if (sdlScancode >= SDL_SCANCODE_1 && sdlScancode <= SDL_SCANCODE_9)
        return '1' + (sdlScancode - SDL_SCANCODE_1);
    if (sdlScancode == SDL_SCANCODE_0)
        return '0';
    return 0;
}

int KeyPressCharFromSdl(std::int32_t sdlKeycode)
{
    switch (sdlKeycode) {
    case SDLK_BACKSPACE:
        return 8;
    case SDLK_TAB:
        return 9;
    case SDLK_RETURN:
    case SDLK_RETURN2:
    case SDLK_KP_ENTER:
        return 13;
    case SDLK_ESCAPE:
        return 27;
    default:
        return 0;
    }
}

} // namespace Platform
