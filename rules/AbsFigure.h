// The figure base: a small grid of coloured cells placed on the board, with
// the non-virtual board operations (stamp, erase, fit, move, turn) and the
// virtual operations that the player's keys call on the falling figure.
#pragma once

#include <cstdint>

namespace GFourfall {

struct TRules;

constexpr int kFigureSize = 8; // a figure's cells are an 8 x 8 grid

class TAbsFigure {
public:
    // Cells all 0, Width = Height = 0, X = Y = 1, on the board of rules.
    explicit TAbsFigure(TRules& rules);
    virtual ~TAbsFigure();

    TAbsFigure(const TAbsFigure&) = delete;
    TAbsFigure& operator=(const TAbsFigure&) = delete;

    // The player's operations (keys Down arrow, Up arrow, Ctrl, Left, Right).
    // Drop: falls as far as it fits, Score += rows fallen, SndDrop; it does
    // not land: the landing is the next FallTick's.
    virtual void Drop();
    // Rotate: a quarter turn counter-clockwise if the turned figure fits
    // (Changed, SndRotate), otherwise nothing. No wall kick.
    virtual void Rotate();
    // Down: Move (0, 1); Score += 1 when it moved.
    virtual void Down();
    virtual void Left();  // Move (-1, 0)
    virtual void Right(); // Move (1, 0)

    // Writes every non-empty cell into the board cell it covers.
    void Stamp();
    // Empties every board cell covered by a non-empty cell.
    void Erase();
    // False when a non-empty cell covers a block, a wall or a place outside
    // the walled frame. Asked while the figure is erased.
    bool Fits() const;
    // Whether the figure, one row lower, would not fit: it lies on something.
    bool Resting();
    // Erase, shift, and if the figure fits there: Changed, SndHitBottom =
    // Resting, Stamp, true. Otherwise shift back, Stamp, false.
    bool Move(int dx, int dy);
    // How many rows the figure could still fall where it is: what Drop would
    // move it. Its own cells on the board are no obstacle; changes nothing,
    // so a screen may ask while painting.
    int32_t DropDistance() const;
    // Quarter turn counter-clockwise as seen on screen, anchored at the
    // top-left corner of the figure's box: new Cells[w-1-c][r] = old Cells[r][c].
    void Turn();

    uint8_t Cells[kFigureSize][kFigureSize]; // [row][column]: 0 empty, else a colour number
    int32_t Width;                           // columns used in Cells
    int32_t Height;                          // rows used in Cells
    int32_t X;                               // board column of Cells column 0
    int32_t Y;                               // board row of Cells row 0
    // Whether the cells are on the board: set by Stamp, cleared by Erase.
    // Lets a figure that erases itself on deletion touch only its own cells.
    bool OnBoard;
    TRules& Rules; // the game the figure belongs to
};

} // namespace GFourfall
