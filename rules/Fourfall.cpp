// The row-removing game types.
#include "rules/Fourfall.h"

#include "rules/FourfallFig.h"
#include "rules/GameState.h"
#include "rules/Rules.h"

namespace GFourfall {

namespace {

constexpr int32_t kRowBase = 100; // points of a removed row, plus kRowPerHeight per row above the floor
constexpr int32_t kRowPerHeight = 5;

// Shape ranges of the shape table.
constexpr int kSmallFirst = 0;
constexpr int kFourCellFirst = 4;
constexpr int kFourCellCount = 7;
constexpr int kFiveCellFirst = 11;
constexpr int kFiveCellCount = 18;
constexpr int kCrazyFirst = 29;
constexpr int kCrazyCount = 15;

} // namespace

TFourfall::~TFourfall() = default;

int TFourfall::DrawShape() const
{
    switch (TypeId) {
    case 1:
        return Random(Rules) % kFourCellCount + kFourCellFirst;
    case 2:
        return Random(Rules) % kFiveCellCount + kFiveCellFirst;
    case 3:
        return Random(Rules) % (kFourCellFirst + kFourCellCount) + kSmallFirst;
    case 4:
        return Random(Rules) % (kFiveCellFirst + kFiveCellCount) + kSmallFirst;
    case 5:
        if (Random(Rules) % 3 != 0) {
            return Random(Rules) % kCrazyCount + kCrazyFirst;
        }
        return Random(Rules) % kFourCellCount + kFourCellFirst;
    case 6:
        return Random(Rules) % (kCrazyFirst + kCrazyCount) + kSmallFirst;
    default:
        return 0;
    }
}

TAbsFigure* TFourfall::CreateFigure()
{
    const int shape = DrawShape();
    const int turns = Random(Rules) % 4;
    return new TFourfallFig(Rules, shape, turns);
}

bool RowFull(const TRules& rules, int y)
{
    for (int x = 1; x <= rules.GameState.Width; ++x) {
        if (rules.GameState.Board[y][x] == kCellEmpty) {
            return false;
        }
    }
    return true;
}

void RemoveRow(TRules& rules, int y)
{
    AddScore(rules, (rules.GameState.Height - y + 1) * kRowPerHeight + kRowBase);
    rules.GameState.LinesLeft -= 1;
    if (rules.GameState.LinesLeft == 0) {
        SetLevel(rules, rules.GameState.Level + 1);
    }
    for (int r = y; r >= 2; --r) {
        for (int x = 1; x <= rules.GameState.Width; ++x) {
            rules.GameState.Board[r][x] = rules.GameState.Board[r - 1][x];
        }
    }
    for (int x = 1; x <= rules.GameState.Width; ++x) {
        rules.GameState.Board[1][x] = kCellEmpty;
    }
}

int RemoveFullRows(TRules& rules, TTrackedCell* cells, int count)
{
    int removed = 0;
    for (int y = 1; y <= rules.GameState.Height; ++y) {
        if (!RowFull(rules, y)) {
            continue;
        }
        RemoveRow(rules, y);
        rules.GameState.SndRemove = true;
        ++removed;
        for (int i = 0; i < count; ++i) {
            if (cells[i].Row == y) {
                cells[i].Row = 0;
            } else if (cells[i].Row > 0 && cells[i].Row < y) {
                cells[i].Row += 1;
            }
        }
    }
    return removed;
}

void TFourfall::Settle()
{
    RemoveFullRows(Rules, nullptr, 0);
}

const char* TFourfall::Name() const
{
    switch (TypeId) {
    case 1:
        return "Fourfall";
    case 2:
        return "Fivefall";
    case 3:
        return "Kids Fourfall";
    case 4:
        return "Kids Fivefall";
    case 5:
        return "Crazy Fourfall";
    case 6:
        return "Crazy Fivefall";
    default:
        return "";
    }
}

} // namespace GFourfall
