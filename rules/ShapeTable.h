// The 44 built-in shapes, each stored in one orientation; figures come in the
// other three through random quarter turns at creation.
//   0 to 3    the small shapes of one to three cells
//   4 to 10   the seven four-cell shapes
//   11 to 28  the eighteen five-cell shapes (mirror images counted apart)
//   29 to 43  the fifteen crazy shapes, whose cells touch only at corners or not at all
#pragma once

#include <cstdint>

namespace GFourfall {

constexpr int kShapeCount = 44;
constexpr int kShapeRows = 8;    // row texts per shape
constexpr int kShapeColumns = 8; // characters per row text

struct TShape {
    int32_t CellCount; // number of cells (not needed to build a figure)
    int32_t Width;
    int32_t Height;
    int32_t Colour; // colour number 1 to 7: (index mod 7) + 1
    // "X" for a cell, a blank for none; only the first Height rows and the
    // first Width characters of a row can hold "X". Each text is zero-terminated.
    char Rows[kShapeRows][kShapeColumns + 1];
};

extern const TShape ShapeTable[kShapeCount];

} // namespace GFourfall
