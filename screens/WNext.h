// TWNext: the preview of the next figure, centred in the widget, shown only
// while the ZNextFig option is on.
#pragma once

#include "rules/Rules.h"
#include "wlib/App.h"
#include "wlib/graphics/Bitmap.h"
#include "wlib/graphics/Geometry.h"

namespace WFourfall {

class TWNext : public WLib::TApp {
public:
    explicit TWNext(GFourfall::TRules& rules) : Rules(rules) {}
    ~TWNext() override;
    void Paint() override;

    WLib::TBitmap Balls;
    WLib::TBitmap Specials; // the tiles of the creator and the destroyer
    WLib::TSize CellSize{16, 16};
    // The game whose next figure is shown.
    const GFourfall::TRules& Rules;
};

} // namespace WFourfall
