#include "screens/PageBuild.h"

namespace WFourfall {

using namespace WLib;

void AttachPage(TScrPages* pages, TScrPage* page, const TBitmap& plain)
{
    TApp::Insert(page, pages);
    page->Background = plain;
}

void AttachWidgets(TScrPage* page, std::initializer_list<TApp*> widgets)
{
    for (TApp* widget : widgets)
        TApp::Insert(widget, page);
}

void PlaceAt(TApp* element, const TBox& box)
{
    TApp::SetBounds(element, box.X, box.Y, box.H, box.W);
}

void GiveButtonImages(const TBitmap& plain, const TBitmap& highlighted,
                      std::initializer_list<TIButton*> buttons)
{
    TIButtonBase set;
    set.Make(plain, highlighted);
    for (TIButton* button : buttons)
        set.Apply(1, {button});
}

void GiveCaptions(const char* const* captions, std::initializer_list<TIButton*> buttons)
{
    for (TIButton* button : buttons)
        button->Caption = *captions++;
}

} // namespace WFourfall
