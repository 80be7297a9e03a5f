#include "wlib/Events.h"

#include "wlib/App.h"

namespace WLib {

void CallDispatch(TEvent* event)
{
    event->Target->Dispatch(event->Code, event->Param);
}

void CallHandleEvent(TEvent* event)
{
    event->Target->HandleEvent(event->Code, event->Param);
}

void CallOnCommand(TEvent* event)
{
    event->Target->OnCommand(event->Code);
}

TEvents::~TEvents()
{
    // Records still queued go back with the pool's blocks.
    Head = Tail = nullptr;
}

void TEvents::Add(int32_t code, int32_t param, THandler handler, TApp* target)
{
    TEvent* record = Pool.Alloc();
    record->Code = code;
    record->Param = param;
    record->Target = target;
    record->Handler = handler;
    record->Next = nullptr;
    record->Prev = Tail;
    // Head, not Tail, tells whether the queue is empty: while the last record
    // runs, Tail still names it although it has left the queue.
    if (Head != nullptr)
        Tail->Next = record;
    else
        Head = record;
    Tail = record;
}

void TEvents::ProcessEvents()
{
    while (Head != nullptr) {
        TEvent* record = Head;
        Head = record->Next;
        record->Handler(record);
        Pool.Free(record);
    }
    Tail = nullptr;
}

} // namespace WLib
