#include "wlib/IButton.h"

#include "wlib/ScrPage.h"

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

void TIButton::Paint()
{
    const TBitmap& image = Images.Images[ImageIndex()];
    if (!image.IsEmpty())
        Canvas.Draw(image, kRopSrcCopy, 0, 0, Rect);
    else if (Page != nullptr)
        Canvas.Draw(Page->Background, kRopSrcCopy, 0, 0, Rect);
}

} // namespace WLib
