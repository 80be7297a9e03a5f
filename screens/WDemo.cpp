#include "screens/WDemo.h"

#include "rules/GameTypes.h"
#include "screens/WFourfall.h"
#include "screens/layout/TileColours.h"

namespace WFourfall {

using namespace WLib;
using namespace GFourfall;

namespace {

// One row of the well a line, top to bottom.
// clang-format off
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

TWDemo::~TWDemo() = default;

void TWDemo::Show(int32_t gameNum)
{
    if (gameNum != GameNum) {
        GameNum = gameNum;
        Invalidate(this);
    }
}

void TWDemo::Paint()
{
    const char* const* picture = DemoPicture(GameNum);
    if (picture == nullptr)
        return;
    for (int r = 0; r < kDemoRows; ++r)
        for (int c = 0; c < kDemoColumns && picture[r][c] != '\0'; ++c) {
            const char v = picture[r][c];
            const int32_t x = c * kTileSize, y = r * kTileSize;
            if (v >= '1' && v <= '7')
                DrawCell(this, Balls, v - '0', x, y);
            else if (v == 'C')
                DrawSpecialCell(this, Specials, TSpecialKind::Creator, x, y);
            else if (v == 'D')
                DrawSpecialCell(this, Specials, TSpecialKind::Destroyer, x, y);
        }
}

} // namespace WFourfall
