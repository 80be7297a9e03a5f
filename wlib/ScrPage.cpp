#include "wlib/ScrPage.h"

#include "platform/KeyCodes.h"
#include "wlib/IButton.h"

namespace WLib {

TScrPage::TScrPage()
{
    Kind = kindPage;
    Page = this;
}

int TScrPage::NavIndex() const
{
    for (size_t i = 0; i < NavOrder.size(); ++i)
        if (NavOrder[i]->Hover != 0)
            return static_cast<int>(i);
    return -1;
}

void TScrPage::Highlight(int i)
{
    for (size_t k = 0; k < NavOrder.size(); ++k) {
        TIButton* button = NavOrder[k];
        const uint8_t lit = static_cast<int>(k) == i ? 1 : 0;
        if (button->Hover != lit) {
            button->Hover = lit;
            button->Pressed = 0;
            Invalidate(button);
            if (lit != 0 && button->HoverCode != 0)
                Post(button, button->HoverCode, 0, CallDispatch, nullptr);
        }
    }
}

namespace {

void Press(TIButton* button)
{
    if (button != nullptr && button->ClickCode != 0)
        TApp::Post(button, button->ClickCode, 0, CallDispatch, nullptr);
}

} // namespace

void TScrPage::DropKeyFocus()
{
    for (TIButton* button : NavOrder)
        if (button->Hover != 0 && !button->MouseInside()) {
            button->Hover = 0;
            Invalidate(button);
        }
}

bool TScrPage::Navigate(int32_t key)
{
    using namespace Platform;
    const int count = static_cast<int>(NavOrder.size());
    const int at = NavIndex();
    switch (key) {
    case kVkDown:
    case kVkRight:
    case kVkPadDown:
    case kVkPadRight:
        if (count == 0)
            return false;
        Highlight(at < 0 ? 0 : (at + 1) % count);
        return true;
    case kVkUp:
    case kVkLeft:
    case kVkPadUp:
    case kVkPadLeft:
        if (count == 0)
            return false;
        Highlight(at < 0 ? 0 : (at + count - 1) % count);
        return true;
    case kVkReturn:
    case kVkSpace:
    case kVkPadA:
        if (at < 0)
            return false;
        Press(NavOrder[at]);
        return true;
    case kVkEscape:
    case kVkPadB:
    case kVkPadBack:
        if (NavBack == nullptr)
            return false;
        Press(NavBack);
        return true;
    default:
        return false;
    }
}

bool TScrPage::HandleEvent(int32_t code, int32_t param)
{
    // Children have had the key first: one that took it (a name being typed,
    // a figure being moved) returned true and the page never sees it.
    if (code == evKeyDown && Active() && Navigate(param))
        return true;
    if (code == evActivated)
        Post(this, evShow, 0, CallOnCommand, this);
    else if (code == evDeactivated)
        Post(this, evHide, 0, CallOnCommand, this);
    else if (code == evShown)
        // The pointer did not move, but what lies under it did: a button
        // still lit from before the page was hidden goes dark, and the one
        // now under the pointer lights up.
        Post(this, evRawMouseMove, 0, CallDispatch, nullptr);
    return TApp::HandleEvent(code, param);
}

bool TScrPage::BackgroundCovers(const TRect& rect) const
{
    if (Background.IsEmpty())
        return false;
    const TSize size = Background.GetSize();
    return rect.Left >= 0 && rect.Top >= 0 && rect.Right <= size.Width && rect.Bottom <= size.Height;
}

void TScrPage::Paint()
{
    // A missing or damaged skin must not leave the last page's picture
    // showing through (the play page would smear its falling figure).
    const TRect whole(0, 0, Rect.Width(), Rect.Height());
    if (!BackgroundCovers(whole))
        Canvas.FillRect(whole, Colour);
    Canvas.Draw(Background, kRopSrcCopy, 0, 0, TRect());
}

} // namespace WLib
