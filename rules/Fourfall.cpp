// The row-removing game types.
#include "rules/Fourfall.h"

#include "rules/FourfallFig.h"
#include "rules/GameState.h"

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
        return Random() % kFourCellCount + kFourCellFirst;
    case 2:
        return Random() % kFiveCellCount + kFiveCellFirst;
    case 3:
        return Random() % (kFourCellFirst + kFourCellCount) + kSmallFirst;
    case 4:
        return Random() % (kFiveCellFirst + kFiveCellCount) + kSmallFirst;
    case 5:
        if (Random() % 3 != 0) {
            return Random() % kCrazyCount + kCrazyFirst;
        }
        return Random() % kFourCellCount + kFourCellFirst;
    case 6:
        return Random() % (kCrazyFirst + kCrazyCount) + kSmallFirst;
    default:
        return 0;
    }
}

TAbsFigure* TFourfall::CreateFigure()
{
    const int shape = DrawShape();
    const int turns = Random() % 4;
    return new TFourfallFig(shape, turns);
}

bool RowFull(int y)
{
    for (int x = 1; x <= GameState.Width; ++x) {
        if (GameState.Board[y][x] == kCellEmpty) {
            return false;
        }
    }
    return true;
}

void RemoveRow(int y)
{
    AddScore((GameState.Height - y + 1) * kRowPerHeight + kRowBase);
    GameState.LinesLeft -= 1;
    if (GameState.LinesLeft == 0) {
        SetLevel(GameState.Level + 1);
    }
    for (int r = y; r >= 2; --r) {
        for (int x = 1; x <= GameState.Width; ++x) {
            GameState.Board[r][x] = GameState.Board[r - 1][x];
        }
    }
    for (int x = 1; x <= GameState.Width; ++x) {
        GameState.Board[1][x] = kCellEmpty;
    }
}

int RemoveFullRows(TTrackedCell* cells, int count)
{
    int removed = 0;
    for (int y = 1; y <= GameState.Height; ++y) {
        if (!RowFull(y)) {
            continue;
        }
        RemoveRow(y);
        GameState.SndRemove = true;
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
    RemoveFullRows(nullptr, 0);
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
