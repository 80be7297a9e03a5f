#include "screens/Help.h"

#include "platform/KeyCodes.h"
#include "screens/PageBuild.h"
#include "screens/layout/Captions.h"
#include "wlib/base/AString.h"

#include <algorithm>

namespace WFourfall {

using namespace WLib;

namespace {

// The offset made a whole number of lines; a line height not known yet (the
// text is laid out on its first drawing) leaves it as it is.
int32_t WholeLines(int32_t offset, int32_t lineHeight)
{
    return lineHeight > 0 ? offset - offset % lineHeight : offset;
}

// A notch of the wheel moves this many lines, as most readers do.
constexpr int32_t kWheelLines = 3;
// Home and End: as far as the text goes either way.
constexpr int32_t kAllLines = 1 << 20;

} // namespace

bool THelp::HandleEvent(int32_t code, int32_t param)
{
    if (code == Down.ClickCode)
        ScrollDown();
    if (code == Up.ClickCode)
        ScrollUp();
    // The reading keys scroll the text; Left and Right still walk the
    // buttons, Enter presses the lit one and Escape goes back.
    if (code == evKeyDown && Active()) {
        using namespace Platform;
        switch (param) {
        case kVkUp:
        case kVkPadUp:
            ScrollLines(-1);
            return true;
        case kVkDown:
        case kVkPadDown:
            ScrollLines(1);
            return true;
        case kVkWheelUp:
            ScrollLines(-kWheelLines);
            return true;
        case kVkWheelDown:
            ScrollLines(kWheelLines);
            return true;
        case kVkPageUp:
            ScrollUp();
            return true;
        case kVkPageDown:
            ScrollDown();
            return true;
        case kVkHome:
            ScrollLines(-kAllLines);
            return true;
        case kVkEnd:
            ScrollLines(kAllLines);
            return true;
        default:
            break;
        }
    }
    return TScrPage::HandleEvent(code, param);
}

void THelp::ScrollLines(int32_t lines)
{
    const int32_t lineHeight = Text.Layout.LineHeight;
    const int32_t last = std::max(Text.Layout.ExtentY - Text.Rect.Height(), 0);
    const int64_t offset = int64_t(std::max(Text.ScrollY, 0)) + int64_t(lines) * lineHeight;
    Text.ScrollY = static_cast<int32_t>(std::clamp<int64_t>(offset, 0, last));
    Invalidate(this);
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
    const std::string path = services.Path("Skin\\help.txt");
    services.NoteDataFile(path, text.LoadFile(path.c_str()));
    Text.SetText(text);
    GiveButtonImages(skins.HelpPlain, skins.HelpHigh, {&Down, &Up, &Back});
    GiveCaptions(kHelpCaptions, {&Up, &Down, &Back});
    NavOrder = {&Up, &Down, &Back};
    NavBack = &Back;
}

} // namespace WFourfall
