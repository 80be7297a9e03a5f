// The event codes of the screen framework and the one queue per page set
// through which every event travels.
#pragma once

#include <cstdint>

#include "wlib/base/Heap.h"

namespace WLib {

class TApp;

// Fixed event codes; every code from NewId is 10000 or more, so they never
// collide with these.
enum : int32_t {
    evDraw = 0,
    evKeyPress = 11,
    evKeyDown = 12,
    evKeyUp = 13,
    evMouseMove = 21,
    evMouseDown = 22,
    evMouseUp = 23,
    evMouseLeave = 24,
    evMouseEnter = 25,
    evActivated = 33,
    evDeactivated = 34,
    evShown = 35,
    evHidden = 36,
    // The window lost the focus or was minimised; posted to the whole tree.
    evFocusLost = 37,
    evQuit = 39,
    evShowTree = 42,
    evHideTree = 43,
    evTick = 50,
    evToFront = 51,
    evShow = 53,
    evHide = 54,
    evRepaint = 56,
    evRawMouseMove = 111,
    evRawMouseDown = 112,
    evRawMouseUp = 113,
};

// Raw mouse codes minus this are the element-local codes 21 to 23.
constexpr int32_t kLocalMouseOffset = 90;

struct TEvent;
using THandler = void (*)(TEvent* event);

// One queued event. Prev is kept for the record but never read: the queue
// runs strictly by Next.
struct TEvent {
    TEvent* Prev = nullptr;
    TEvent* Next = nullptr;
    int32_t Code = 0;
    int32_t Param = 0;
    TApp* Target = nullptr;
    THandler Handler = nullptr;
};

// The handlers events are posted with (the fourth, the cursor draw handler,
// lives with the cursor element).
void CallDispatch(TEvent* event);    // Target's Dispatch (Code, Param)
void CallHandleEvent(TEvent* event); // Target's HandleEvent (Code, Param)
void CallOnCommand(TEvent* event);   // Target's OnCommand (Code)

// First-in first-out queue of event records recycled through a pool.
// Invariant: Head is null exactly when nothing is waiting to run.
class TEvents {
public:
    TEvents() = default;
    TEvents(const TEvents&) = delete;
    TEvents& operator=(const TEvents&) = delete;
    ~TEvents();

    // Appends a record; handlers that post while the queue runs append to the
    // same drain.
    void Add(int32_t code, int32_t param, THandler handler, TApp* target);

    // Runs every queued record, including those posted meanwhile, until the
    // queue is empty. A drain started inside a handler empties the queue, and
    // the outer drain then ends.
    void ProcessEvents();

    bool Empty() const { return Head == nullptr; }

    THeap<TEvent> Pool;
    TEvent* Head = nullptr;
    TEvent* Tail = nullptr;
};

} // namespace WLib
