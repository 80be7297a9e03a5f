// TWDemo: the little well of the further game types' page, showing a moment
// of a game of the type under the pointer, drawn in the game's own tiles.
#pragma once

#include <cstdint>

#include "wlib/App.h"
#include "wlib/graphics/Bitmap.h"

namespace WFourfall {

// A moment of a game of each further type: kDemoRows texts of kDemoColumns
// characters, "." empty, "1" to "7" a block of that colour, "C" a cell of the
// creator and "D" one of the destroyer.
constexpr int kDemoColumns = 9;
constexpr int kDemoRows = 16;
// The picture of game number gameNum; null for a type without one.
const char* const* DemoPicture(int32_t gameNum);

class TWDemo : public WLib::TApp {
public:
    ~TWDemo() override;
    // Shows the picture of game number gameNum (none for a type without one).
    void Show(int32_t gameNum);
    void Paint() override;

    WLib::TBitmap Balls;
    WLib::TBitmap Specials;
    int32_t GameNum = -1; // -1 until the pointer first enters a game button
};

} // namespace WFourfall
