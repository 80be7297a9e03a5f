#include "wlib/App.h"

#include "wlib/Mouse.h"
#include "wlib/ScrPage.h"
#include "wlib/ScrPages.h"

namespace WLib {

namespace {

int32_t gNextId = 10000;

TApp* DeepestLast(TApp* element)
{
    while (element->LastChild != nullptr)
        element = element->LastChild;
    return element;
}

// The next element after `element` in pre-order, staying inside `root`'s subtree.
TApp* NextPreOrder(TApp* element, const TApp* root)
{
    if (element->FirstChild != nullptr)
        return element->FirstChild;
    while (element != root) {
        if (element->Next != nullptr)
            return element->Next;
        element = element->Parent;
    }
    return nullptr;
}

const char* KindText(int32_t kind)
{
    switch (kind) {
    case TApp::kindPage:
        return "::TPage(";
    case TApp::kindPages:
        return "::TPages(";
    default:
        return "::TApp(";
    }
}

} // namespace

int32_t NewId()
{
    return gNextId++;
}

TApp::TApp() : Id(NewId()) {}

TApp::~TApp() = default;

void TApp::OnCommand(int32_t code)
{
    switch (code) {
    case evToFront:
        if (Next != nullptr && Parent != nullptr) {
            TApp* parent = Parent;
            SetActive(parent->LastChild, false);
            // Move to the end of the parent's children.
            Next->Prev = Prev;
            if (Prev != nullptr)
                Prev->Next = Next;
            else
                parent->FirstChild = Next;
            Prev = parent->LastChild;
            Next = nullptr;
            parent->LastChild->Next = this;
            parent->LastChild = this;
            PaintTree();
            if (parent->Active())
                SetActive(this, true);
        }
        break;
    case evShow:
        if (!Shown()) {
            Flags |= afShown;
            Post(this, evShowTree, 0, CallDispatch, this);
            Post(this, evShown, 0, CallHandleEvent, this);
        }
        break;
    case evHide:
        if (Shown()) {
            Flags &= uint8_t(~afShown);
            Post(this, evHideTree, 0, CallDispatch, this);
            Post(this, evHidden, 0, CallHandleEvent, this);
        }
        break;
    case evRepaint:
        PaintTree();
        break;
    default:
        break;
    }
}

void TApp::SendToFront(int32_t code, int32_t param)
{
    if (LastChild != nullptr)
        LastChild->SendToFront(code, param);
}

bool TApp::HandleEvent(int32_t code, int32_t param)
{
    if (code == evShowTree) {
        SetState(asVisible, true);
        Invalidate(this);
    } else if (code == evHideTree) {
        SetState(asVisible, false);
        Invalidate(this);
    } else if (code == Id && Id != 0) {
        Activate(this);
        Invalidate(this);
    } else if (Visible() && code >= 110 && code <= 119 && MouseStat != nullptr) {
        bool inside = AbsRect.Contains(TPoint(MouseStat->X, MouseStat->Y));
        bool was = MouseInside();
        if (!was && inside) {
            Post(this, evMouseEnter, 0, CallHandleEvent, this);
            SetState(asMouseInside, true);
        }
        if (inside)
            Post(this, code - kLocalMouseOffset, param, CallHandleEvent, this);
        if (was && !inside) {
            Post(this, evMouseLeave, 0, CallHandleEvent, this);
            SetState(asMouseInside, false);
        }
    }
    return false;
}

void TApp::Dispatch(int32_t code, int32_t param)
{
    // Exactly the reverse of the paint order: front-most descendants first,
    // this element last.
    TApp* element = DeepestLast(this);
    for (;;) {
        if (element->HandleEvent(code, param) || element == this)
            return;
        element = element->Prev != nullptr ? DeepestLast(element->Prev) : element->Parent;
        if (element == nullptr) // the tree was rearranged under us
            return;
    }
}

void TApp::PaintTree()
{
    // Children of an invisible element are still visited: visibility is set
    // per element by the show and hide trees.
    for (TApp* element = this; element != nullptr; element = NextPreOrder(element, this)) {
        if (element->Visible())
            element->Paint();
    }
}

void TApp::Paint() {}

void TApp::Insert(TApp* child, TApp* parent)
{
    if (child == nullptr || parent == nullptr)
        return;
    if (child->Parent != nullptr)
        Remove(child);
    if (parent->Active() && parent->LastChild != nullptr)
        SetActive(parent->LastChild, false);
    child->Parent = parent;
    child->Prev = parent->LastChild;
    child->Next = nullptr;
    if (parent->LastChild != nullptr)
        parent->LastChild->Next = child;
    else
        parent->FirstChild = child;
    parent->LastChild = child;
    Link(child);
    if (parent->Active())
        Activate(child);
    if (child->Rect.IsZero())
        SetRect(child, parent->Rect);
}

void TApp::Insert(TApp* parent, int maxCount, std::initializer_list<TApp*> children)
{
    int count = 0;
    for (TApp* child : children) {
        if (child == nullptr || (maxCount >= 0 && count >= maxCount))
            break;
        Insert(child, parent);
        ++count;
    }
}

void TApp::Remove(TApp* element)
{
    TApp* parent = element->Parent;
    if (parent == nullptr)
        return;
    TApp* prev = element->Prev;
    if (prev != nullptr)
        prev->Next = element->Next;
    else
        parent->FirstChild = element->Next;
    if (element->Next != nullptr)
        element->Next->Prev = prev;
    else
        parent->LastChild = prev;
    element->Parent = element->Prev = element->Next = nullptr;
    if (element->Active() && prev != nullptr)
        Activate(prev);
}

void TApp::Link(TApp* element)
{
    element->Page = nullptr;
    element->Pages = nullptr;
    for (TApp* up = element; up != nullptr; up = up->Parent) {
        if (up->Kind == kindPage)
            element->Page = static_cast<TScrPage*>(up);
        if (up->Kind == kindPages) {
            TScrPages* pages = static_cast<TScrPages*>(up);
            element->Pages = pages;
            element->MouseStat = &pages->Mouse;
            // The page set's surface with a fresh copy of its font; the page set
            // linking itself only refreshes that font.
            element->Canvas.SetImpl(pages->Canvas.Impl);
        }
    }
    for (TApp* below = NextPreOrder(element, element); below != nullptr;
         below = NextPreOrder(below, element)) {
        below->Page = element->Page;
        below->Pages = element->Pages;
        below->MouseStat = element->MouseStat;
    }
}

void TApp::SetRect(TApp* element, const TRect& rect)
{
    element->Rect = rect;
    Place(element);
}

void TApp::SetBounds(TApp* element, int32_t x, int32_t y, int32_t height, int32_t width)
{
    SetRect(element, TRect(x, y, x + width, y + height));
}

void TApp::Place(TApp* element)
{
    element->AbsRect = element->Rect;
    if (element->Parent != nullptr) {
        Place(element->Parent);
        element->AbsRect = element->AbsRect.Offset(element->Parent->AbsRect.TopLeft());
    }
    element->SetState(asPlaced, true);
    element->Canvas.Area = element->AbsRect;
}

void TApp::Activate(TApp* element)
{
    if (element->Active()) {
        SetActive(element, true); // activates any new front children
        return;
    }
    if (element->Parent != nullptr)
        Activate(element->Parent);
    if (element->Next != nullptr)
        Post(element, evToFront, 0, CallOnCommand, element);
}

void TApp::SetActive(TApp* element, bool on)
{
    for (; element != nullptr; element = element->LastChild) {
        if (element->Active() != on) {
            element->SetState(asActive, on);
            Post(element, on ? evActivated : evDeactivated, 0, CallHandleEvent, element);
        }
    }
}

void TApp::Invalidate(TApp* element)
{
    TScrPages* pages = element->Pages;
    if (pages == nullptr || (pages->State & asRepaintPending) != 0)
        return;
    if (Post(element, evRepaint, 0, CallOnCommand, pages))
        pages->SetState(asRepaintPending, true);
}

bool TApp::Post(TApp* element, int32_t code, int32_t param, THandler handler, TApp* target)
{
    TScrPages* pages = element->Pages;
    if (pages == nullptr)
        return false;
    pages->Events.Add(code, param, handler, target != nullptr ? target : pages);
    return true;
}

TAString TApp::DumpTree(const TApp* element, const TAString& lead, const TAString& indent)
{
    TAString result = lead;
    result.Append(KindText(element->Kind));
    result.Append(element->Visible() ? "Show " : "Hide ");
    if (element->Active())
        result.Append("Act ");
    result.Append(")");
    for (const TApp* child = element->FirstChild; child != nullptr; child = child->Next) {
        bool more = child->Next != nullptr;
        result += DumpTree(child, indent + (more ? " + " : " \\ "), indent + (more ? " | " : "   "));
    }
    return result;
}

} // namespace WLib
