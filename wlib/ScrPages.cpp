#include "wlib/ScrPages.h"

#include <chrono>

namespace WLib {

int64_t TScrPagesBase::NowMs() const
{
    // The window's timers run on the steady clock (platform/TimerScheduler).
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

TScrPages::TScrPages()
{
    Kind = kindPages;
    Pages = this;
    MouseStat = &Mouse;
    SetState(asActive, true); // a page set is always active
}

void TScrPages::OnCommand(int32_t code)
{
    if (code != evRepaint) {
        TApp::OnCommand(code);
        return;
    }
    SetState(asRepaintPending, false);
    if (Host != nullptr)
        Host->Repaint();
}

void TScrPages::Dispatch(int32_t code, int32_t param)
{
    if (code == evQuit) {
        if (Host != nullptr)
            Host->Close();
        return;
    }
    TApp::Dispatch(code, param);
}

void TScrPages::PaintTree()
{
    CursorDrawn = 0;
    TApp::PaintTree();
    Events.ProcessEvents();
}

void TScrPages::PostAndProcess(int32_t code, int32_t param)
{
    Post(this, code, param, CallDispatch, this);
    Events.ProcessEvents();
}

void TScrPages::KeyDown(int32_t key)
{
    const bool held = KeyHeld(key);
    if (key >= 0 && key < 256)
        HeldKeys[key] = 1;
    // Nested: a question asked while handling this key runs keys of its own.
    const bool outer = Repeating;
    Repeating = held;
    PostAndProcess(evKeyDown, key);
    Repeating = outer;
}

void TScrPages::KeyPress(uint8_t character)
{
    PostAndProcess(evKeyPress, character);
}

void TScrPages::KeyUp(int32_t key)
{
    if (key >= 0 && key < 256)
        HeldKeys[key] = 0;
    PostAndProcess(evKeyUp, key);
}

void TScrPages::MouseMove(int32_t x, int32_t y)
{
    Mouse.X = x;
    Mouse.Y = y;
    PostAndProcess(evRawMouseMove, 0);
}

void TScrPages::MouseDown(int32_t x, int32_t y, int32_t /*button*/)
{
    Mouse.X = x;
    Mouse.Y = y;
    PostAndProcess(evRawMouseDown, 0);
}

void TScrPages::MouseUp(int32_t x, int32_t y, int32_t /*button*/)
{
    Mouse.X = x;
    Mouse.Y = y;
    PostAndProcess(evRawMouseUp, 0);
}

} // namespace WLib
