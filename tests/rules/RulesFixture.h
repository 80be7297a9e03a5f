// Shared helpers of the rules tests: fresh rules per test, boards and
// figures drawn as text.
#pragma once

#include "rules/AbsFigure.h"
#include "rules/AbsGame.h"
#include "rules/BoardText.h"
#include "rules/GameState.h"
#include "rules/HiScores.h"
#include "rules/Options.h"
#include "rules/Rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace GFourfall::test {

// A figure of one colour drawn as rows of 'X' and '.', placed at (x, y).
inline TAbsFigure* MakeFigure(TRules& rules, const std::vector<std::string>& rows, int x, int y,
                              uint8_t colour = 3)
{
    auto* f = new TAbsFigure(rules);
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

// Every test starts from rules just made: defaults, empty table, a 13 x 31
// board.
class RulesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RulesInit(Rules, 12345);
        SetSize(Rules, 13, 31);
    }

    // MakeFigure in the test's rules.
    TAbsFigure* MakeFigure(const std::vector<std::string>& rows, int x, int y, uint8_t colour = 3)
    {
        return test::MakeFigure(Rules, rows, x, y, colour);
    }

    // One board row as text (see rules/BoardText.h).
    std::string BoardRow(int y) { return BoardRowText(Rules.GameState, y); }

    // Sets the bottom rows of the board from text, the last given row at the
    // bottom ('.' empty, '1'..'7' colour).
    void SetBottomRows(const std::vector<std::string>& rows)
    {
        const int first = Rules.GameState.Height - static_cast<int>(rows.size()) + 1;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            for (std::size_t c = 0; c < rows[i].size(); ++c) {
                const char ch = rows[i][c];
                Rules.GameState.Board[first + i][c + 1] = ch == '.' ? 0 : static_cast<uint8_t>(ch - '0');
            }
        }
    }

    // Replaces CurFig with f, stamped on the board.
    TAbsFigure* Place(TAbsFigure* f)
    {
        delete Rules.GameState.CurFig;
        Rules.GameState.CurFig = f;
        f->Stamp();
        return f;
    }

    TRules Rules;
};

} // namespace GFourfall::test
