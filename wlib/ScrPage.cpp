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
    return TApp::HandleEvent(code, param);
}

void TScrPage::Paint()
{
    Canvas.Draw(Background, kRopSrcCopy, 0, 0, TRect());
}

} // namespace WLib
