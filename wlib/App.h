// TApp: the screen element every page, widget, timer, sound element and the
// cursor derive from. Elements form one tree rooted at the page set; they talk
// only through event codes posted to the page set's queue.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "wlib/Events.h"
#include "wlib/base/AString.h"
#include "wlib/graphics/Canvas.h"

namespace WLib {

class TScrPage;
class TScrPages;
struct TMouseStat;

// Returns a code never handed out before: 10000 on the first call, then one
// more each time. Codes are never reused.
int32_t NewId();

class TApp {
public:
    // Kind
    enum : int32_t { kindApp = 0, kindPage = 1, kindPages = 2 };
    // Flags byte
    enum : uint8_t { afShown = 1 };
    // State byte
    enum : uint8_t { asVisible = 1, asActive = 2, asPlaced = 4, asMouseInside = 8, asRepaintPending = 64 };

    TApp();
    TApp(const TApp&) = delete;
    TApp& operator=(const TApp&) = delete;
    // Releases the canvas; does not unlink: elements live as long as the tree.
    virtual ~TApp();

    // Framework commands 51 (to front), 53 (show), 54 (hide), 56 (repaint).
    virtual void OnCommand(int32_t code);
    // Passes the event to the front-most child's SendToFront; nothing else.
    virtual void SendToFront(int32_t code, int32_t param);
    // Show and hide trees, the own Id (activate), raw mouse translation.
    // The base always returns false so the event goes on through the tree.
    virtual bool HandleEvent(int32_t code, int32_t param);
    // Offers the event to the subtree, front-most first, until one element
    // reports it handled.
    virtual void Dispatch(int32_t code, int32_t param);
    // Paints the subtree, back-most first.
    virtual void PaintTree();
    // Paints this element alone; the base draws nothing.
    virtual void Paint();

    // Makes child the last (front-most) child of parent.
    static void Insert(TApp* child, TApp* parent);
    // Inserts the children in list order, at most maxCount of them (-1: no
    // limit), stopping at the first null.
    static void Insert(TApp* parent, int maxCount, std::initializer_list<TApp*> children);
    static void Remove(TApp* element);
    static void Link(TApp* element);
    static void SetRect(TApp* element, const TRect& rect);
    // Note the order: height before width.
    static void SetBounds(TApp* element, int32_t x, int32_t y, int32_t height, int32_t width);
    static void Place(TApp* element);
    static void Activate(TApp* element);
    static void SetActive(TApp* element, bool on);
    static void Invalidate(TApp* element);
    // Queues (code, param) for handler on target (null: the page set).
    // Returns false, queuing nothing, when element belongs to no page set.
    static bool Post(TApp* element, int32_t code, int32_t param, THandler handler, TApp* target);
    // One line per element, the children indented below their parent.
    static TAString DumpTree(const TApp* element, const TAString& lead, const TAString& indent);

    bool Shown() const { return (Flags & afShown) != 0; }
    bool Visible() const { return (State & asVisible) != 0; }
    bool Active() const { return (State & asActive) != 0; }
    bool Placed() const { return (State & asPlaced) != 0; }
    bool MouseInside() const { return (State & asMouseInside) != 0; }
    void SetState(uint8_t bits, bool on) { State = on ? uint8_t(State | bits) : uint8_t(State & ~bits); }

    TRect Rect;    // relative to the parent's top-left corner
    TRect AbsRect; // window client coordinates, computed by Place
    TCanvas Canvas;
    TApp* Parent = nullptr;
    TApp* Prev = nullptr;
    TApp* Next = nullptr;
    TApp* FirstChild = nullptr;
    TApp* LastChild = nullptr; // the front-most child
    int32_t Kind = kindApp;
    TMouseStat* MouseStat = nullptr;
    TScrPages* Pages = nullptr;
    TScrPage* Page = nullptr;
    uint8_t Flags = afShown;
    uint8_t State = asVisible;
    int32_t Id;
};

} // namespace WLib
