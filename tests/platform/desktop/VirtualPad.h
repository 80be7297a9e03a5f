// A gamepad for tests: SDL's virtual game controller, plugged into the
// running program, whose buttons and stick the test sets. The game's window
// must be open (its game-controller support started) before Plug.
#pragma once

#include <string>

namespace TestSupport {

class VirtualPad {
public:
    enum Button { A, B, Back, Start, Up, Down, Left, Right };

    VirtualPad() = default;
    ~VirtualPad();
    VirtualPad(const VirtualPad&) = delete;
    VirtualPad& operator=(const VirtualPad&) = delete;

    // Plugs the pad in; false (see Error) when SDL refuses.
    bool Plug();
    void Unplug();
    void Set(Button button, bool down);
    // The left stick across (-32768 left to 32767 right) or down.
    void StickX(int value);
    void StickY(int value);
    std::string Error() const;

private:
    void* joystick_ = nullptr;
    int device_ = -1;
};

} // namespace TestSupport
