#include "wlib/ScrPage.h"

namespace WLib {

TScrPage::TScrPage()
{
    Kind = kindPage;
    Page = this;
}

bool TScrPage::HandleEvent(int32_t code, int32_t param)
{
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
