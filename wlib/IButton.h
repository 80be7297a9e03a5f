// TIButton: a rectangular button drawn from the page's skin pictures. Each
// button copies its own rectangle out of one of six pictures by its state.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "wlib/App.h"
#include "wlib/graphics/Bitmap.h"

namespace WLib {

class TIButton;

// The six pictures of a button, in this order.
enum : int { ibNormal, ibSelected, ibHover, ibHoverSelected, ibPressed, ibPressedSelected, ibCount };

struct TIButtonBase {
    // From a normal picture N and a highlighted picture H: (N, H, H, H, H, N),
    // so a selected button looks normal while it is held down.
    void Make(const TBitmap& normal, const TBitmap& highlighted);
    // Copies the six pictures into each listed button, at most maxCount of
    // them (-1: no limit), stopping at the first null.
    void Apply(int maxCount, std::initializer_list<TIButton*> buttons) const;

    TBitmap Images[ibCount];
};

class TIButton : public TApp {
public:
    ~TIButton() override;

    // Hover, press and click: a click is a press and a release inside without
    // leaving in between, with any mouse button.
    bool HandleEvent(int32_t code, int32_t param) override;
    // Draws the button's own rectangle of the picture its state picks, or of
    // the page background when that picture is missing. When neither covers
    // the button, a plain plate with the caption stands in, lit in the
    // states that show the highlighted picture.
    void Paint() override;

    // The picture the current state shows.
    int ImageIndex() const;
    // Whether Paint draws a picture (the state's own or the page's) rather
    // than the plain plate.
    bool ShowsPicture() const;
    // The caption's colour on the plain plate in the current state (dark on
    // the lit plate), for buttons that write more on it than the caption.
    uint32_t PlainCaptionColour() const;
    // The focus mark: the rim of a hovered (or key-lit) button, when it has one.
    void DrawHoverRim();
    // A button that can be selected (a setting, a tab) keeps its own look
    // under the pointer or the keys, with the focus rim alone: lit, it would
    // look selected.
    void KeepLookWhenFocused();

    TIButtonBase Images;
    int32_t ClickCode = NewId(); // posted to the whole tree on a click
    int32_t HoverCode = 0;       // posted when the pointer enters; 0: none
    uint8_t Selected = 0;        // under the owning page's control
    uint8_t Hover = 0;
    uint8_t Pressed = 0;
    const char* Caption = nullptr; // drawn only on the plain plate; not owned
    // 0x00BBGGRR of the rim drawn while hovered or lit by the keys, the one
    // focus mark of every page; 0: none.
    uint32_t HoverRim = kFocusRimColour;
    static constexpr uint32_t kFocusRimColour = 0x5AD2FF; // a warm gold

private:
    // A button of a page whose picture covers it draws from that picture.
    bool OnPageBackground() const;
};

} // namespace WLib
