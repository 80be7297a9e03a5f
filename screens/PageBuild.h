// The steps every page build shares: attach the page with its background,
// place widgets by their boxes of the page layout and give buttons their pictures.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "screens/layout/PageLayout.h"
#include "wlib/IButton.h"
#include "wlib/ScrPage.h"
#include "wlib/ScrPages.h"

namespace WFourfall {

// Attaches the page to the page set (it becomes the front page) and sets its
// background to a shared reference of the plain skin.
void AttachPage(WLib::TScrPages* pages, WLib::TScrPage* page, const WLib::TBitmap& plain);
// Attaches the widgets to the page in list order.
void AttachWidgets(WLib::TScrPage* page, std::initializer_list<WLib::TApp*> widgets);
// Gives the element the box's rectangle (x, y, x + width, y + height).
void PlaceAt(WLib::TApp* element, const TBox& box);
// Every listed button shows the plain skin P when idle and the highlighted
// skin H when hovered, held or selected: (P, H, H, H, H, P).
void GiveButtonImages(const WLib::TBitmap& plain, const WLib::TBitmap& highlighted,
                      std::initializer_list<WLib::TIButton*> buttons);
// Gives the buttons, in list order, the captions they draw when their skin is
// missing (captions must hold as many).
void GiveCaptions(const char* const* captions, std::initializer_list<WLib::TIButton*> buttons);

} // namespace WFourfall
