// TWDemo: the little well of the game type pages, showing a game of the type
// under the pointer (or lit by the keys) going on, drawn in the game's own
// tiles: its figure falls a row at a time onto the blocks below and lands,
// and the fall begins again.
#pragma once

#include <cstdint>

#include "rules/Options.h"
#include "wlib/App.h"
#include "wlib/Timer.h"
#include "wlib/graphics/Bitmap.h"

namespace WFourfall {

// A moment of a game of each type: kDemoRows texts of kDemoColumns
// characters, "." empty, "1" to "7" a block of that colour, "C" a cell of the
// creator and "D" one of the destroyer. The cells of the first
// kDemoFigureRows rows are the falling figure, the rest the landed blocks.
constexpr int kDemoColumns = 9;
constexpr int kDemoRows = 16;
constexpr int kDemoFigureRows = 5;
// A row of the fall every kDemoStepMs; a landed figure rests kDemoRestSteps.
constexpr int32_t kDemoStepMs = 250;
constexpr int32_t kDemoRestSteps = 4;
// The picture of game number gameNum; null for a type without one.
const char* const* DemoPicture(int32_t gameNum);

class TWDemo : public WLib::TApp {
public:
    // The tiles are drawn in the block style of the options' NumBlocks.
    explicit TWDemo(const TOptions& options);
    ~TWDemo() override;
    // Shows a game of number gameNum from the top of its fall (none for a
    // type without a picture).
    void Show(int32_t gameNum);
    // The fall moves only while the page is shown: its page starts and
    // stops it.
    void Start();
    void Stop();
    bool HandleEvent(int32_t code, int32_t param) override;
    void Paint() override;
    // How many rows the figure of the picture falls before it lands.
    static int32_t FallRows(const char* const* picture);

    WLib::TBitmap Balls;
    WLib::TBitmap Specials;
    int32_t GameNum = -1;
    int32_t Step = 0; // rows fallen, then the rest after landing
    WLib::TTimer StepTimer;
    const TOptions& Options;
};

} // namespace WFourfall
