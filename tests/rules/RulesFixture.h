// Shared helpers of the rules tests: a fresh game state per test, boards and
// figures drawn as text.
#pragma once

#include "rules/AbsFigure.h"
#include "rules/AbsGame.h"
#include "rules/BoardText.h"
#include "rules/GameState.h"
#include "rules/HiScores.h"
#include "rules/Options.h"
#include "rules/ProcessState.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace GFourfall::test {

// A figure of one colour drawn as rows of 'X' and '.', placed at (x, y).
inline TAbsFigure* MakeFigure(const std::vector<std::string>& rows, int x, int y, uint8_t colour = 3)
{
    auto* f = new TAbsFigure(GFourfall::ProcessRules());
    f->Height = static_cast<int32_t>(rows.size());
    f->Width = rows.empty() ? 0 : static_cast<int32_t>(rows[0].size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            f->Cells[r][c] = rows[r][c] == 'X' ? colour : 0;
        }
    }
    f->X = x;
    f->Y = y;
    return f;
}

// The figure's cells as text rows ('X' for a cell).
inline std::vector<std::string> FigureRows(const TAbsFigure& f)
{
    std::vector<std::string> rows;
    for (int r = 0; r < f.Height; ++r) {
        std::string row;
        for (int c = 0; c < f.Width; ++c) {
            row += f.Cells[r][c] ? 'X' : '.';
        }
        rows.push_back(row);
    }
    return rows;
}

// One board row as text (see rules/BoardText.h).
inline std::string BoardRow(int y)
{
    return BoardRowText(GameState, y);
}

// Sets the bottom rows of the board from text, the last given row at the
// bottom ('.' empty, '1'..'7' colour).
inline void SetBottomRows(const std::vector<std::string>& rows)
{
    const int first = GameState.Height - static_cast<int>(rows.size()) + 1;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        for (std::size_t c = 0; c < rows[i].size(); ++c) {
            const char ch = rows[i][c];
            GameState.Board[first + i][c + 1] = ch == '.' ? 0 : static_cast<uint8_t>(ch - '0');
        }
    }
}

// Every test starts from a program just started: defaults, empty table,
// a 13 x 31 board.
class RulesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetRulesProcessState();
        RulesInit(GFourfall::ProcessRules(), 12345);
        SetSize(GFourfall::ProcessRules(), 13, 31);
    }
    void TearDown() override { ResetRulesProcessState(); }

    // Replaces CurFig with f, stamped on the board.
    static TAbsFigure* Place(TAbsFigure* f)
    {
        delete GameState.CurFig;
        GameState.CurFig = f;
        f->Stamp();
        return f;
    }
};

} // namespace GFourfall::test
