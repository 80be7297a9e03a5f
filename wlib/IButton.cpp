#include "wlib/IButton.h"

#include "wlib/ScrPage.h"

#include <algorithm>

namespace WLib {

void TIButtonBase::Make(const TBitmap& normal, const TBitmap& highlighted)
{
    Images[ibNormal] = normal;
    Images[ibSelected] = highlighted;
    Images[ibHover] = highlighted;
    Images[ibHoverSelected] = highlighted;
    Images[ibPressed] = highlighted;
    Images[ibPressedSelected] = normal;
}

void TIButtonBase::Apply(int maxCount, std::initializer_list<TIButton*> buttons) const
{
    int count = 0;
    for (TIButton* button : buttons) {
        if (button == nullptr || (maxCount >= 0 && count >= maxCount))
            break;
        for (int i = 0; i < ibCount; ++i)
            button->Images.Images[i] = Images[i];
        ++count;
    }
}

TIButton::~TIButton() = default;

bool TIButton::HandleEvent(int32_t code, int32_t param)
{
    switch (code) {
    case evMouseEnter:
        // One highlight on a page: the one the keys lit goes out.
        if (Page != nullptr)
            for (TIButton* other : Page->NavOrder)
                if (other != this && other->Hover != 0 && !other->MouseInside()) {
                    other->Hover = 0;
                    Invalidate(other);
                }
        Hover = 1;
        Invalidate(this);
        if (HoverCode != 0)
            Post(this, HoverCode, 0, CallDispatch, nullptr);
        break;
    case evMouseLeave:
        Hover = 0;
        Pressed = 0;
        Invalidate(this);
        break;
    case evMouseDown:
        Pressed = 1;
        Invalidate(this);
        break;
    case evMouseUp:
        if (Pressed != 0) {
            Pressed = 0;
            Invalidate(this);
            if (ClickCode != 0)
                Post(this, ClickCode, 0, CallDispatch, nullptr);
        }
        break;
    default:
        break;
    }
    return TApp::HandleEvent(code, param);
}

int TIButton::ImageIndex() const
{
    if (Pressed != 0)
        return Selected != 0 ? ibPressedSelected : ibPressed;
    if (Hover != 0)
        return Selected != 0 ? ibHoverSelected : ibHover;
    return Selected != 0 ? ibSelected : ibNormal;
}

namespace {

// The plain plate (0x00BBGGRR): teal, lit in gold, with a light rim.
constexpr uint32_t kPlateColour = 0x6E5F1D;
constexpr uint32_t kPlateLitColour = 0x32B6F2;
constexpr uint32_t kPlateRimColour = 0xE0D89F;
constexpr uint32_t kCaptionColour = 0xFFFFFF;
constexpr uint32_t kCaptionLitColour = 0x20160E;
constexpr int32_t kCaptionMaxHeight = 22;

bool Covers(const TBitmap& image, const TRect& rect)
{
    if (image.IsEmpty())
        return false;
    const TSize size = image.GetSize();
    return rect.Left >= 0 && rect.Top >= 0 && rect.Right <= size.Width && rect.Bottom <= size.Height;
}

// The states that show the highlighted picture light the plain plate.
bool Lit(int index)
{
    return index != ibNormal && index != ibPressedSelected;
}

} // namespace

bool TIButton::OnPageBackground() const
{
    return Page != nullptr && Parent == Page && Page->BackgroundCovers(Rect);
}

bool TIButton::ShowsPicture() const
{
    return Covers(Images.Images[ImageIndex()], Rect) || OnPageBackground();
}

uint32_t TIButton::PlainCaptionColour() const
{
    return Lit(ImageIndex()) ? kCaptionLitColour : kCaptionColour;
}

void TIButton::Paint()
{
    const int index = ImageIndex();
    const TBitmap& image = Images.Images[index];
    if (Covers(image, Rect)) {
        Canvas.Draw(image, kRopSrcCopy, 0, 0, Rect);
        DrawHoverRim();
        return;
    }
    // A button of a page draws from the page's picture, where its plain
    // look is painted.
    if (OnPageBackground()) {
        Canvas.Draw(Page->Background, kRopSrcCopy, 0, 0, Rect);
        DrawHoverRim();
        return;
    }
    const bool lit = Lit(index);
    const TRect whole(0, 0, Rect.Width(), Rect.Height());
    Canvas.FillRect(whole, kPlateRimColour);
    Canvas.FillRect(TRect(1, 1, whole.Right - 1, whole.Bottom - 1), lit ? kPlateLitColour : kPlateColour);
    if (Caption != nullptr) {
        Canvas.GetFont().SetHeight(std::min(kCaptionMaxHeight, whole.Height() - 4));
        Canvas.SetTextColor(PlainCaptionColour());
        Canvas.DrawTextInRect(0, whole, Caption);
    }
    DrawHoverRim();
}

void TIButton::KeepLookWhenFocused()
{
    Images.Images[ibHover] = Images.Images[ibNormal];
}

void TIButton::DrawHoverRim()
{
    if (HoverRim == 0 || Hover == 0 || Pressed != 0)
        return;
    const int32_t w = Rect.Width(), h = Rect.Height();
    constexpr int32_t kRim = 2;
    Canvas.FillRect(TRect(0, 0, w, kRim), HoverRim);
    Canvas.FillRect(TRect(0, h - kRim, w, h), HoverRim);
    Canvas.FillRect(TRect(0, kRim, kRim, h - kRim), HoverRim);
    Canvas.FillRect(TRect(w - kRim, kRim, w, h - kRim), HoverRim);
}

} // namespace WLib
