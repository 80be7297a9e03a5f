#include "platform/desktop/KeyMap.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

// SDL key codes and scan codes by value (tests do not include SDL): a key
// without a character has code scancode | 1 << 30.
constexpr int kScancodeMask = 1 << 30;
constexpr int Special(int scancode)
{
    return scancode | kScancodeMask;
}
enum Scancode : int {
    kScanA = 4,
    kScan1 = 30,
    kScan0 = 39,
    kScanReturn = 40,
    kScanEscape = 41,
    kScanBackspace = 42,
    kScanTab = 43,
    kScanSpace = 44,
    kScanMinus = 45,
    kScanSemicolon = 51,
    kScanApostrophe = 52,
    kScanSlash = 56,
    kScanF1 = 58,
    kScanF12 = 69,
    kScanInsert = 73,
    kScanHome = 74,
    kScanPageUp = 75,
    kScanDelete = 76,
    kScanRight = 79,
    kScanLeft = 80,
    kScanDown = 81,
    kScanUp = 82,
    kScanKpEnter = 88,
    kScanKp1 = 89,
    kScanLCtrl = 224,
    kScanLShift = 225,
    kScanLAlt = 226,
    kScanRCtrl = 228,
    kScanMute = 127,
};

struct KeyCase {
    const char* name;
    int keycode;
    int scancode;
    int virtualKey;
    int pressChar;
};

std::ostream& operator<<(std::ostream& out, const KeyCase& c)
{
    return out << c.name << " (keycode 0x" << std::hex << c.keycode << ", scancode " << std::dec << c.scancode
               << ")";
}

class KeyMapTable : public testing::TestWithParam<KeyCase> {};

TEST_P(KeyMapTable, GivesVirtualKeyAndPressCharacter)
{
    const KeyCase& c = GetParam();
    EXPECT_EQ(Platform::VirtualKeyFromSdl(c.keycode, c.scancode), c.virtualKey);
    EXPECT_EQ(Platform::KeyPressCharFromSdl(c.keycode), c.pressChar);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyMapTable,
    testing::Values(
        // The play keys.
        KeyCase{"Left", Special(kScanLeft), kScanLeft, 0x25, 0},
        KeyCase{"Up", Special(kScanUp), kScanUp, 0x26, 0},
        KeyCase{"Right", Special(kScanRight), kScanRight, 0x27, 0},
        KeyCase{"Down", Special(kScanDown), kScanDown, 0x28, 0},
        KeyCase{"LCtrl", Special(kScanLCtrl), kScanLCtrl, 0x11, 0},
        KeyCase{"RCtrl", Special(kScanRCtrl), kScanRCtrl, 0x11, 0},
        // Name editing: the keys that also type a control character.
        KeyCase{"Backspace", '\b', kScanBackspace, 8, 8}, KeyCase{"Return", '\r', kScanReturn, 13, 13},
        KeyCase{"KeypadEnter", Special(kScanKpEnter), kScanKpEnter, 13, 13},
        KeyCase{"Tab", '\t', kScanTab, 9, 9}, KeyCase{"Escape", 27, kScanEscape, 0x1B, 27},
        // Letters are reported as upper case; lower-case codes would be keypad keys.
        KeyCase{"a", 'a', kScanA, 'A', 0}, KeyCase{"z", 'z', kScanA + 25, 'Z', 0},
        KeyCase{"p", 'p', kScanA + 15, 'P', 0}, KeyCase{"0", '0', kScan0, '0', 0},
        KeyCase{"9", '9', kScan1 + 8, '9', 0},
        // A layout whose digit row types other characters still gives digits.
        KeyCase{"AzertyDigit1", '&', kScan1, '1', 0},
        // Delete's SDL code is 0x7F, but its virtual key is 0x2E.
        KeyCase{"Delete", 0x7F, kScanDelete, 0x2E, 0}, KeyCase{"Space", ' ', kScanSpace, 0x20, 0},
        KeyCase{"Insert", Special(kScanInsert), kScanInsert, 0x2D, 0},
        KeyCase{"Home", Special(kScanHome), kScanHome, 0x24, 0},
        KeyCase{"PageUp", Special(kScanPageUp), kScanPageUp, 0x21, 0},
        KeyCase{"F1", Special(kScanF1), kScanF1, 0x70, 0},
        KeyCase{"F12", Special(kScanF12), kScanF12, 0x7B, 0},
        KeyCase{"LShift", Special(kScanLShift), kScanLShift, 0x10, 0},
        KeyCase{"LAlt", Special(kScanLAlt), kScanLAlt, 0x12, 0},
        KeyCase{"Keypad1", Special(kScanKp1), kScanKp1, 0x61, 0},
        KeyCase{"Semicolon", ';', kScanSemicolon, 0xBA, 0}, KeyCase{"Minus", '-', kScanMinus, 0xBD, 0},
        KeyCase{"Slash", '/', kScanSlash, 0xBF, 0}, KeyCase{"Apostrophe", '\'', kScanApostrophe, 0xDE, 0},
        // Keys without a virtual key are not reported at all.
        KeyCase{"Mute", Special(kScanMute), kScanMute, 0, 0}, KeyCase{"Unknown", 0, 0, 0, 0}),
    [](const testing::TestParamInfo<KeyCase>& info) { return std::string(info.param.name); });

} // namespace
