#include "screens/Help.h"

#include "screens/PageBuild.h"
#include "screens/layout/Captions.h"
#include "wlib/base/AString.h"

namespace WFourfall {

using namespace WLib;

namespace {

// The offset made a whole number of lines; a line height not known yet (the
// text is laid out on its first drawing) leaves it as it is.
int32_t WholeLines(int32_t offset, int32_t lineHeight)
{
    return lineHeight > 0 ? offset - offset % lineHeight : offset;
}

} // namespace

bool THelp::HandleEvent(int32_t code, int32_t param)
{
    if (code == Down.ClickCode)
        ScrollDown();
    if (code == Up.ClickCode)
        ScrollUp();
    return TScrPage::HandleEvent(code, param);
}

void THelp::ScrollDown()
{
    const int32_t visible = Text.Rect.Height();
    const int32_t total = Text.Layout.ExtentY;
    int32_t offset = Text.ScrollY + (3 * visible) / 4;
    offset = WholeLines(offset, Text.Layout.LineHeight);
    if (total - visible < offset)
        offset = total - visible;
    Text.ScrollY = offset;
    Invalidate(this);
}

void THelp::ScrollUp()
{
    int32_t offset = Text.ScrollY - (3 * Text.Rect.Height()) / 4;
    offset = WholeLines(offset, Text.Layout.LineHeight);
    if (offset < 0)
        offset = 0;
    Text.ScrollY = offset;
    Invalidate(this);
}

void THelp::Build(TScrPages* pages, const TSkinSet& skins, const TGameServices& services)
{
    AttachPage(pages, this, skins.HelpPlain);
    AttachWidgets(this, {&Down, &Up, &Back, &Text});
    PlaceAt(&Up, kHelpUp);
    PlaceAt(&Down, kHelpDown);
    PlaceAt(&Back, kHelpBack);
    PlaceAt(&Text, kHelpText);
    TAString text;
    text.LoadFile(services.Path("Skin\\help.txt").c_str());
    Text.SetText(text);
    GiveButtonImages(skins.HelpPlain, skins.HelpHigh, {&Down, &Up, &Back});
    GiveCaptions(kHelpCaptions, {&Up, &Down, &Back});
    NavOrder = {&Up, &Down, &Back};
    NavBack = &Back;
}

} // namespace WFourfall
