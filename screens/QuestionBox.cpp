#include "screens/QuestionBox.h"

#include "platform/KeyCodes.h"
#include "screens/PageBuild.h"
#include "screens/layout/Captions.h"
#include "screens/layout/PageLayout.h"
#include "wlib/ScrPage.h"

namespace WFourfall {

using namespace WLib;

TQuestionBox::TQuestionBox()
{
    // The parts live in the box from the start; the box joins a page only
    // while it asks.
    Insert(this, -1, {&Text, &Yes, &No});
    PlaceAt(this, kQuestionBox);
    PlaceAt(&Yes, kQuestionYes);
    PlaceAt(&No, kQuestionNo);
    PlaceAt(&Text, kQuestionText);
    Text.FontHeight = kQuestionTextHeight;
    GiveCaptions(kQuestionCaptions, {&Yes, &No});
}

void TQuestionBox::Build(const TBitmap& plain, const TBitmap& highlighted)
{
    Plain = plain;
    GiveButtonImages(plain, highlighted, {&Yes, &No});
    // The preferred answer shows lit; the one under the pointer or the keys
    // has the focus rim.
    Yes.KeepLookWhenFocused();
    No.KeepLookWhenFocused();
}

bool TQuestionBox::Open(TScrPages* pages, const std::string& question, Platform::TPreferredAnswer preferred)
{
    if (pages == nullptr || pages->LastChild == nullptr || pages->LastChild->Kind != kindPage)
        return false;
    if (IsOpen())
        Close();
    Given = Waiting;
    Preferred = preferred == Platform::TPreferredAnswer::No ? AnsweredNo : AnsweredYes;
    // The preferred answer's button is lit as long as the box is open.
    Yes.Selected = Preferred == AnsweredYes ? 1 : 0;
    No.Selected = Preferred == AnsweredNo ? 1 : 0;
    for (int key = 0; key < 256; ++key)
        Stale[key] = pages->KeyHeld(key);
    for (TIButton* b : {&Yes, &No}) {
        b->Hover = b->Pressed = 0;
        b->SetState(asMouseInside, false);
    }
    Text.SetText(TAString(question.c_str()));
    Insert(this, pages->LastChild);
    PlaceAt(this, kQuestionBox);
    // Linked now, the parts draw on the page set's surface.
    for (TApp* part : {static_cast<TApp*>(&Text), static_cast<TApp*>(&Yes), static_cast<TApp*>(&No)}) {
        Link(part);
        Place(part);
    }
    // The button under the pointer lights up at once.
    Post(this, evRawMouseMove, 0, CallDispatch, nullptr);
    Invalidate(this);
    return true;
}

void TQuestionBox::Close()
{
    TApp* page = Parent;
    if (page == nullptr)
        return;
    Remove(this);
    // The pointer moved over the page while the box kept the events: what
    // is lit behind it follows the pointer now (Clear, clicked to open the
    // box, would stay lit).
    Post(page, evRawMouseMove, 0, CallDispatch, nullptr);
    Invalidate(page);
}

bool TQuestionBox::HandleEvent(int32_t code, int32_t param)
{
    TApp::HandleEvent(code, param);
    if (!IsOpen())
        return false;
    if (code == Yes.ClickCode || code == No.ClickCode) {
        if (Given == Waiting)
            Given = code == Yes.ClickCode ? AnsweredYes : AnsweredNo;
        return true;
    }
    if (code == evKeyUp && param >= 0 && param < 256)
        Stale[param] = false;
    if (code == evKeyDown && param >= 0 && param < 256 && !Stale[param] && Given == Waiting) {
        if (param == Platform::kVkY || param == Platform::kVkPadA)
            Given = AnsweredYes;
        else if (param == Platform::kVkN || param == Platform::kVkEscape || param == Platform::kVkPadB)
            Given = AnsweredNo;
        else if (param == Platform::kVkReturn)
            Given = Preferred;
    }
    // The pointer is drawn with the page set's repaint, which the cursor
    // element behind the box would ask for.
    if (code == evRawMouseMove)
        Invalidate(this);
    return code == evKeyPress || code == evKeyDown || code == evKeyUp || code == evRawMouseMove ||
           code == evRawMouseDown || code == evRawMouseUp;
}

void TQuestionBox::Paint()
{
    const TRect whole(0, 0, Rect.Width(), Rect.Height());
    const TSize size = Plain.IsEmpty() ? TSize() : Plain.GetSize();
    if (size.Width >= whole.Right && size.Height >= whole.Bottom) {
        Canvas.Draw(Plain, kRopSrcCopy, 0, 0, whole);
        return;
    }
    Canvas.FillRect(whole, kRimColour);
    Canvas.FillRect(TRect(2, 2, whole.Right - 2, whole.Bottom - 2), kPanelColour);
}

} // namespace WFourfall
