#include "screens/WDemo.h"

#include "rules/GameTypes.h"
#include "screens/WFourfall.h"
#include "screens/layout/TileColours.h"

#include <algorithm>

namespace WFourfall {

using namespace WLib;
using namespace GFourfall;

namespace {

// One row of the well a line, top to bottom.
// clang-format off
// Four-cell figures over a bumpy floor.
const char* const kFourfall[kDemoRows] = {
    "....6....",
    "...666...",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    "2.......6",
    "2...4..66",
    "22.444.36",
    "11.55.333",
};
// Five-cell figures: the long ones fill the deep gaps.
const char* const kFivefall[kDemoRows] = {
    "..3......",
    "..3......",
    "..333....",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    "7.......5",
    "7.....555",
    "77.1...45",
    "7..11.444",
    "66..1.244",
};
// A column of three colours falling onto lines about to close.
const char* const kColorFourfall[kDemoRows] = {
    "....3....",
    "....1....",
    "....5....",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    "2........",
    "42...1..6",
    "425.3.2.6",
    "1515.3226",
};
// Odd shapes the classic game never shows.
const char* const kCrazyFourfall[kDemoRows] = {
    "...5.5...",
    "....5....",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    "1......7.",
    "1.4...7.7",
    ".14.3.777",
    "22.433.77",
};
// Small shapes among the four-cell ones.
const char* const kKidsFourfall[kDemoRows] = {
    ".........",
    "...44....",
    "...4.....",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    "1........",
    "22.....3.",
    "5555...31",
    "666.2.73.",
    "116.27771",
    "3331.2222",
};
// Small shapes among the five-cell ones.
const char* const kKidsFivefall[kDemoRows] = {
    ".........",
    "....6....",
    "...666...",
    "....6....",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    "1.....55.",
    "22...555.",
    "3334..4.7",
    "7344.44.7",
    "77711.777",
};
// Shapes whose cells only touch at corners, among all the others.
const char* const kCrazyFivefall[kDemoRows] = {
    ".........",
    "..6......",
    "...6.....",
    "....6....",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    "5.5....1.",
    ".5.3.2..1",
    "44.33.22.",
    "4.7.3331.",
    "477711.11",
};
// A creator above a column with a hole under an overhang.
const char* const kGrandFourfall[kDemoRows] = {
    ".........",
    "....C....",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    "2...7....",
    "22.777.5.",
    "66.55555.",
    "6663.3.44",
    "1111.3344",
};
// A destroyer above a tower of blocks.
const char* const kGrandFivefall[kDemoRows] = {
    ".........",
    "....D....",
    "....D....",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    ".........",
    "....3....",
    "....3....",
    "2..43..6.",
    "22444.66.",
    "1.4.5556.",
    "11.7755.2",
};

// clang-format on

} // namespace

const char* const* DemoPicture(int32_t gameNum)
{
    switch (gameNum) {
    case kGameFourfall:
        return kFourfall;
    case kGameFivefall:
        return kFivefall;
    case kGameColorFourfall:
        return kColorFourfall;
    case kGameCrazyFourfall:
        return kCrazyFourfall;
    case kGameKidsFourfall:
        return kKidsFourfall;
    case kGameKidsFivefall:
        return kKidsFivefall;
    case kGameCrazyFivefall:
        return kCrazyFivefall;
    case kGameGrandFourfall:
        return kGrandFourfall;
    case kGameGrandFivefall:
        return kGrandFivefall;
    default:
        return nullptr;
    }
}

TWDemo::TWDemo(const TOptions& options) : Options(options)
{
    Insert(&StepTimer, this);
}

TWDemo::~TWDemo() = default;

void TWDemo::Show(int32_t gameNum)
{
    if (gameNum != GameNum) {
        GameNum = gameNum;
        Step = 0;
        Invalidate(this);
    }
}

void TWDemo::Start()
{
    StepTimer.Start(kDemoStepMs);
}

void TWDemo::Stop()
{
    StepTimer.Stop();
}

bool TWDemo::HandleEvent(int32_t code, int32_t param)
{
    if (code == StepTimer.TickId && DemoPicture(GameNum) != nullptr) {
        Step = Step < FallRows(DemoPicture(GameNum)) + kDemoRestSteps ? Step + 1 : 0;
        Invalidate(this);
    }
    return TApp::HandleEvent(code, param);
}

namespace {

bool Filled(char v)
{
    return v != '.' && v != '\0';
}

} // namespace

int32_t TWDemo::FallRows(const char* const* picture)
{
    // The figure moves down while every cell of it lands on an empty cell of
    // the blocks below, inside the well.
    for (int32_t fall = 1; fall < kDemoRows; ++fall)
        for (int r = 0; r < kDemoFigureRows; ++r)
            for (int c = 0; c < kDemoColumns && picture[r][c] != '\0'; ++c) {
                if (!Filled(picture[r][c]))
                    continue;
                const int to = r + fall;
                if (to >= kDemoRows || (to >= kDemoFigureRows && Filled(picture[to][c])))
                    return fall - 1;
            }
    return 0; // no figure: nothing falls
}

void TWDemo::Paint()
{
    const char* const* picture = DemoPicture(GameNum);
    if (picture == nullptr)
        return;
    const int32_t fall = std::min(Step, FallRows(picture));
    for (int r = 0; r < kDemoRows; ++r)
        for (int c = 0; c < kDemoColumns && picture[r][c] != '\0'; ++c) {
            const char v = picture[r][c];
            const int32_t x = c * kTileSize, y = (r < kDemoFigureRows ? r + fall : r) * kTileSize;
            if (v >= '1' && v <= '7')
                DrawCell(this, Options, Balls, v - '0', x, y);
            else if (v == 'C')
                DrawSpecialCell(this, Options, Specials, TSpecialKind::Creator, x, y);
            else if (v == 'D')
                DrawSpecialCell(this, Options, Specials, TSpecialKind::Destroyer, x, y);
        }
}

} // namespace WFourfall
