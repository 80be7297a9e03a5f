// What the two special figures of the "Grand" games share: a figure that
// acts on the board at the player's command instead of dropping, turning or
// moving down, and that leaves no block behind when it is deleted.
#pragma once

#include "rules/FourfallFig.h"

namespace GFourfall {

class TCommandFig : public TFourfallFig {
public:
    using TFourfallFig::TFourfallFig;
    // Takes the figure's own cells off the board, if they are still there,
    // and sets Changed. Cells that another figure or a row move put in its
    // last position are left alone.
    ~TCommandFig() override;

    // The three keys that otherwise drop, turn or push down the figure all
    // trigger its action; Left and Right move it as any figure.
    void Drop() override { Act(); }
    void Rotate() override { Act(); }
    void Down() override { Act(); }

    // The figure's action on the board.
    virtual void Act() = 0;
};

// True for a creator or a destroyer.
bool IsSpecialFigure(const TAbsFigure* figure);

// Which special figure a figure is, for the screens that draw them apart.
enum class TSpecialKind { None, Creator, Destroyer };
TSpecialKind SpecialKind(const TAbsFigure* figure);

} // namespace GFourfall
