// TScrPages: the root of the element tree, owner of the event queue and the
// shared mouse record, and TScrPagesBase: what the page set needs from the
// window that hosts it.
#pragma once

#include "wlib/App.h"
#include "wlib/Events.h"
#include "wlib/Mouse.h"

namespace WLib {

struct TWinTimer;

// The host of a page set (the real window, or a test host). Timer records are
// handed out by the host and returned to it; see TTimer for their use.
class TScrPagesBase {
public:
    virtual ~TScrPagesBase() = default;
    // Asks for one full repaint later (the host then calls PaintTree).
    virtual void Repaint() = 0;
    virtual void Close() = 0;
    // Returns a stopped timer whose every tick calls handler with an event
    // record of (code, param, target).
    virtual TWinTimer* CreateTimer(int32_t code, int32_t param, THandler handler, TApp* target) = 0;
    virtual void DeleteTimer(TWinTimer* timer) = 0;
    virtual void StartTimer(TWinTimer* timer, int32_t period) = 0;
    virtual void StopTimer(TWinTimer* timer) = 0;
    // Milliseconds of the clock the timers run on (any start point).
    virtual int64_t NowMs() const;
};

class TScrPages : public TApp {
public:
    TScrPages();

    // 56: the repaint request reaches the host.
    void OnCommand(int32_t code) override;
    // 39 closes the host's window; everything else goes through the tree.
    void Dispatch(int32_t code, int32_t param) override;
    // Paints the whole tree, then drains the queue (the cursor draws there,
    // on top of everything).
    void PaintTree() override;

    // Posts (code, param) to the whole tree and drains the queue.
    void PostAndProcess(int32_t code, int32_t param);

    // The window's input, each handled to the end before it returns.
    void KeyDown(int32_t key);
    void KeyPress(uint8_t character);
    void KeyUp(int32_t key);
    void MouseMove(int32_t x, int32_t y);
    // Every mouse button acts alike: the button is not passed on.
    void MouseDown(int32_t x, int32_t y, int32_t button);
    void MouseUp(int32_t x, int32_t y, int32_t button);

    // Whether the key (0 to 255) is down: pressed and not yet let go.
    bool KeyHeld(int32_t key) const { return key >= 0 && key < 256 && HeldKeys[key] != 0; }
    // While a key-down is being handled: whether that key was already down,
    // that is, the desktop repeats a held key.
    bool KeyRepeating() const { return Repeating; }

    TMouseStat Mouse;
    TEvents Events;
    TScrPagesBase* Host = nullptr;
    uint8_t CursorDrawn = 0;

private:
    uint8_t HeldKeys[256] = {};
    bool Repeating = false;
};

} // namespace WLib
